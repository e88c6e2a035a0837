// The band of a turned sheet, turned a quarter anticlockwise and sent in blocks (turned_band.h).
#include "render/turned_band.h"

#include <cstdint>
#include <new>
#include <vector>

#include "render/driver_log.h"
#include "render/graphics_state.h"
#include "render/pjl_header.h"
#include "render/raster_output.h"

namespace {

// A turned band: `rows` rows (the band's width) of `width` pixels (its height), 0 = black.
struct TurnedBand {
    std::vector<BYTE> bits;
    LONG width = 0;
    LONG rows = 0;
    LONG stride = 0;
};

// Page pixel (x, y) goes to (y, width - 1 - x): page x runs up the sheet, as the device transform
// turns every point of the page. Only black pixels are moved; the rest stays white.
bool TurnBand(const BYTE* bits, LONG width, LONG height, LONG stride, TurnedBand* out) {
    out->width = height;
    out->rows = width;
    out->stride = static_cast<LONG>(((int64_t{height} + 31) / 32) * 4);
    try {
        out->bits.assign(static_cast<size_t>(out->stride) * static_cast<size_t>(width), 0xFF);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const LONG usedBytes = (width + 7) / 8;
    for (LONG y = 0; y < height; ++y) {
        const BYTE* row = bits + static_cast<ptrdiff_t>(y) * stride;
        const size_t column = static_cast<size_t>(y / 8);
        const BYTE clear = static_cast<BYTE>(~(0x80u >> (y % 8)));
        for (LONG b = 0; b < usedBytes; ++b) {
            const BYTE value = row[b];
            if (value == 0xFF) continue;
            for (int bit = 0; bit < 8; ++bit) {
                const LONG x = b * 8 + bit;
                if (x >= width) break;
                if ((value & (0x80u >> bit)) != 0) continue;
                const size_t turnedRow = static_cast<size_t>(width - 1 - x);
                out->bits[turnedRow * static_cast<size_t>(out->stride) + column] &= clear;
            }
        }
    }
    return true;
}

// The turned band's non-white rows as blocks. A block of turned rows [first, first + rows) is
// the page's columns [width - first - rows, width - first): its top-left on the sheet is the
// turned place of the page's top-right corner of those columns.
void WriteTurnedBlocks(PrinterPdev* pdev, TurnedBand& band, POINTL origin, LONG maxRows) {
    const size_t wholeBytes = static_cast<size_t>(band.width / 8);
    const BYTE lastMask = static_cast<BYTE>(0xFF00u >> (band.width % 8));
    auto rowAt = [&](LONG r) { return band.bits.data() + static_cast<ptrdiff_t>(r) * band.stride; };
    auto white = [&](const BYTE* row) {
        return IsWhiteRow(row, wholeBytes) && (lastMask == 0 || (row[wholeBytes] & lastMask) == lastMask);
    };
    bool first = true;
    LONG r = 0;
    while (r < band.rows && !OutputFailed(pdev)) {
        if (white(rowAt(r))) {
            ++r;
            continue;
        }
        const LONG start = r++;
        while (r < band.rows && r - start < maxRows && !white(rowAt(r))) ++r;
        const LONG rows = r - start;
        // Images are drawing output: the page-control mode ends before the first one.
        if (first) EnterModeY(pdev);
        first = false;
        const POINTL corner{origin.x + band.rows - start, origin.y};
        WriteBandImageLaidOut(pdev, band.width, rows, corner, rowAt(start),
                              static_cast<DWORD>(band.stride) * static_cast<DWORD>(rows), band.stride);
    }
}

}  // namespace

BOOL SendBandBits(PrinterPdev* pdev, BYTE* bits, LONG width, LONG height, LONG stride, POINTL origin, LONG maxRows) {
    if (!TurnedSheet(pdev)) {
        WriteBandBlocks(pdev, bits, width, height, stride, origin, maxRows);
        return !OutputFailed(pdev);
    }
    if (bits == nullptr || width <= 0 || height <= 0 || stride < (width + 7) / 8) return TRUE;
    TurnedBand band;
    if (!TurnBand(bits, width, height, stride, &band)) {
        DriverLog("DrvNextBand: no memory to turn the band for its sheet");
        return FALSE;
    }
    WriteTurnedBlocks(pdev, band, origin, maxRows > 0 ? maxRows : band.rows);
    return !OutputFailed(pdev);
}
