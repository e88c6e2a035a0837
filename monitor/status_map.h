// The status-to-spooler map: which bits of the three "PrinterStatus" DWORDs mean which spooler
// printer status, port status and severity. One table for the monitor and the tools that name
// the bits to a reader (plain integer types: the tools read it without the Windows headers).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct StatusMapRow {
    uint32_t mask[3];  // on PrinterStatus DWORDs 0, 1, 2
    uint32_t printerStatus;
    uint32_t portStatus;
    uint32_t severity;
};

constexpr size_t kStatusMapRowCount = 35;

// In the order the rows are tried; row 24 (DWORD 2 0x1000) as with "SPOOLERSTATUS" bit 0 set.
inline constexpr std::array<StatusMapRow, kStatusMapRowCount> kStatusMap{{
    {{0, 0x100, 0}, 0x100000, 0, 0},
    {{0, 0x200, 0}, 0x1000, 0, 0},
    {{0, 0x80, 0}, 0x100000, 8, 1},
    {{0, 0, 0x20}, 0x8000, 0, 0},
    {{0, 0, 0x8000}, 0x400000, 7, 1},
    {{0, 0, 0x2000}, 0x100000, 8, 1},
    {{0, 0x1000000, 0}, 0x100000, 8, 1},
    {{0, 0, 0x10000}, 0x8, 2, 1},
    {{0, 0x8, 0}, 0x40, 5, 1},
    {{0, 0, 0x4000}, 0x100000, 8, 2},
    {{0, 0, 0x40000}, 0x40, 5, 1},
    {{0, 0, 0x100000}, 0x200000, 9, 1},
    {{0, 0, 0x200000}, 0x200000, 9, 1},
    {{0, 0, 0x400000}, 0x200000, 9, 1},
    {{0x1000, 0, 0}, 0x100000, 8, 1},
    {{0x2000, 0, 0}, 0x100000, 8, 1},
    {{0x10000, 0, 0}, 0x100000, 8, 1},
    {{0, 0, 0x40000000}, 0x10, 3, 1},
    {{0, 0, 0x800000}, 0x10, 3, 1},
    {{0, 0, 0x4000000}, 0x40, 5, 1},
    {{0x10, 0, 0}, 0x100000, 8, 1},
    {{0, 0, 0x20000}, 0x20000, 1, 2},
    {{0, 0, 0x80000}, 0x100000, 8, 2},
    {{0, 0, 0x1000}, 0x100000, 8, 1},  // patched from "SPOOLERSTATUS"
    {{0, 0, 0x100}, 0, 0, 0},
    {{0, 0, 0x8000000}, 0x200, 0, 0},
    {{0, 0, 0x10000000}, 0x200, 0, 0},
    {{0, 0, 0x200}, 0x200, 0, 0},
    {{0, 0, 0x10}, 0x10000, 11, 3},
    {{0, 0, 0x8}, 0x400, 0, 0},
    {{0, 0, 0x2}, 0x20000, 10, 2},
    {{0, 0, 0x800}, 0x100000, 8, 2},
    {{0, 0, 0x4}, 0, 0, 0},
    {{0, 0, 0x40}, 0, 0, 0},
    {{0, 0, 0x1}, 0, 0, 0},
}};
