// "PrinterBinConfig": a DWORD count, then one 12-byte record per tray, as the status block's
// decoder writes it and the interface DLL reads it back.
#pragma once

#include <cstring>

#include "win/base.h"

constexpr DWORD kBinCountSize = 4;
constexpr DWORD kBinRecordSize = 12;
constexpr DWORD kBinRecordMax = 5;  // tray 2001 and trays 1 to 4
constexpr DWORD kBinConfigMaxSize = kBinCountSize + kBinRecordMax * kBinRecordSize;

// Byte offsets inside one record; the four bytes from kBinReserved on are 0.
constexpr DWORD kBinId = 0;         // WORD: tray identifier (1 to 4, 2001)
constexpr DWORD kBinState = 2;      // WORD: tray state (2001, 1, 2, 3 or 6)
constexpr DWORD kBinPaperSize = 4;  // SHORT: spooler paper code, -1 unknown
constexpr DWORD kBinPaper = 6;      // BYTE: paper present, empty or unknown
constexpr DWORD kBinMedia = 7;      // BYTE: media code
constexpr DWORD kBinReserved = 8;

struct BinRecord {
    WORD id;
    WORD state;
    SHORT paperSize;
    BYTE paper;
    BYTE media;
};

inline BYTE* BinRecordAt(BYTE* config, DWORD index) {
    return config + kBinCountSize + index * kBinRecordSize;
}

inline void PutBinRecord(BYTE* at, const BinRecord& r) {
    std::memcpy(at + kBinId, &r.id, 2);
    std::memcpy(at + kBinState, &r.state, 2);
    std::memcpy(at + kBinPaperSize, &r.paperSize, 2);
    at[kBinPaper] = r.paper;
    at[kBinMedia] = r.media;
    std::memset(at + kBinReserved, 0, kBinRecordSize - kBinReserved);
}

inline BinRecord GetBinRecord(const BYTE* at) {
    BinRecord r{};
    std::memcpy(&r.id, at + kBinId, 2);
    std::memcpy(&r.state, at + kBinState, 2);
    std::memcpy(&r.paperSize, at + kBinPaperSize, 2);
    r.paper = at[kBinPaper];
    r.media = at[kBinMedia];
    return r;
}
