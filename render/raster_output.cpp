// Band raster output. A page of the banding surface is cut into blocks of non-white rows; each
// block is placed with a clip and a move, complemented (the surface has 0 = black, the printer
// 1 = black) and sent as one image, delta-row compressed unless that would be longer.
#include "render/raster_output.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/driver_devmode.h"
#include "render/graphics_state.h"
#include "render/output_writer.h"
#include "render/pjl_header.h"

namespace {

// ROP4 whose device operation is 0x88: the image's black pixels paint, white ones leave the page.
constexpr DWORD kImageRop4 = 0xEEEE;
constexpr LONG kMaxImageSize = 0xFFFF;

void PutBigEndian16(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v >> 8);
    p[1] = static_cast<BYTE>(v);
}

void PutBigEndian32(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v >> 24);
    p[1] = static_cast<BYTE>(v >> 16);
    p[2] = static_cast<BYTE>(v >> 8);
    p[3] = static_cast<BYTE>(v);
}

BOOL WritePlainImageHeader(PrinterPdev* pdev, BYTE kind, BYTE format, WORD width, WORD height, DWORD byteCount) {
    BYTE header[kImageHeaderSize] = {kImageCommand, kind, 0x00, format};
    PutBigEndian16(header + 4, width);
    PutBigEndian16(header + 6, height);
    PutBigEndian32(header + 8, byteCount);
    return WriteSpool(pdev, header, sizeof header);
}

// Complements `length` bytes in place, 16 at a time where SSE2 is there.
void ComplementBytes(BYTE* p, size_t length) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i ones = _mm_set1_epi8(static_cast<char>(0xFF));
    for (; i + 64 <= length; i += 64) {
        for (size_t k = 0; k < 64; k += 16) {
            auto* at = reinterpret_cast<__m128i*>(p + i + k);
            _mm_storeu_si128(at, _mm_xor_si128(_mm_loadu_si128(at), ones));
        }
    }
#endif
    for (; i + 8 <= length; i += 8) {
        uint64_t v;
        std::memcpy(&v, p + i, sizeof v);
        v = ~v;
        std::memcpy(p + i, &v, sizeof v);
    }
    for (; i < length; ++i) p[i] = static_cast<BYTE>(~p[i]);
}

// Complements `length` bytes of each of `rows` rows in place; rows that lie back to back are one
// run.
void ComplementRows(BYTE* bits, LONG rows, size_t length, LONG stride) {
    if (rows <= 0) return;
    if (static_cast<size_t>(stride) == length) {
        ComplementBytes(bits, length * static_cast<size_t>(rows));
        return;
    }
    for (LONG r = 0; r < rows; ++r) ComplementBytes(bits + static_cast<ptrdiff_t>(r) * stride, length);
}

struct ImageShape {
    LONG width;       // source pixels of each row (after the cut)
    size_t rowBytes;  // bytes sent of each row: the scan line, or the cut row in whole bytes
    LONG targetWidth;
    LONG targetHeight;
    bool scaled;  // 0xF4: zoom above 100 or doubled output
};

// 200 and 300 dpi jobs are written in device units of twice their resolution (the page set-up
// announces 400 or 600): their images are doubled. The band writers do not wait for the vector
// set-up to say so, or a banded page would print at half its size.
bool DoubledImages(const PrinterPdev* pdev) {
    return (pdev->state & kStateDoubledOutput) != 0 || pdev->geometry.coordinateMultiplier == 2;
}

ImageShape ShapeFor(const PrinterPdev* pdev, LONG width, LONG rows, size_t rowBytes) {
    WORD zoom = pdev->geometry.zoom;
    bool zoomUp = zoom > 100;
    bool doubled = DoubledImages(pdev);
    ImageShape s{};
    s.width = width;
    s.rowBytes = rowBytes;
    // Sizes past the 16-bit fields are held just beyond them: the caller drops such a block.
    auto target = [&](LONG pixels) {
        int64_t t = zoomUp ? int64_t{pixels} * zoom / 100 : int64_t{pixels};
        if (doubled) t *= 2;
        return static_cast<LONG>(std::min<int64_t>(t, kMaxImageSize + 1));
    };
    s.targetWidth = target(width);
    s.targetHeight = target(rows);
    s.scaled = zoomUp || doubled;
    return s;
}

// Device position of a band position: the zoom above 100 scales it here and is held at 100 while
// the device transform (cell origin, shifts, page offset) applies the rest. Doubled images have
// doubled positions; the transform doubles only outside band mode, so band positions are
// doubled here.
POINTL DevicePosition(PrinterPdev* pdev, POINTL position) {
    WORD zoom = pdev->geometry.zoom;
    int64_t x = position.x, y = position.y;
    if (zoom > 100) {
        x = x * zoom / 100;
        y = y * zoom / 100;
    }
    const DWORD savedState = pdev->state;
    if (DoubledImages(pdev)) {
        if ((pdev->state & kStateRasterMode) != 0) x *= 2, y *= 2;
        pdev->state |= kStateDoubledOutput;  // the cell origin counts twice as well
    }
    position.x = static_cast<LONG>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
    position.y = static_cast<LONG>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX));
    BOOL held = pdev->graphics.zoomHeld;
    pdev->graphics.zoomHeld = TRUE;
    POINTL device = TransformPagePoint(pdev, position);
    pdev->graphics.zoomHeld = held;
    pdev->state = savedState;
    return device;
}

// The polarity of rows handed to the compressor: the printer's (1 = black) or the band's
// (0 = black, compressed complemented).
constexpr BYTE kPrinterPolarity = 0x00;
constexpr BYTE kBandPolarity = 0xFF;

BOOL WriteImageRowsHeader(PrinterPdev* pdev, const ImageRows& image, BYTE format, DWORD length) {
    if (image.scaled)
        return WriteImageBlock(pdev, kImageKindRaster, format, static_cast<WORD>(image.width),
                               static_cast<WORD>(image.rows), static_cast<WORD>(image.targetWidth),
                               static_cast<WORD>(image.targetHeight), length, nullptr);
    return WritePlainImageHeader(pdev, kImageKindRaster, format, static_cast<WORD>(image.width),
                                 static_cast<WORD>(image.rows), length);
}

// Sends the rows delta-row compressed; false when they must go plain (no room for the areas, or
// rows that do not shrink), with nothing written.
bool SendCompressedRows(PrinterPdev* pdev, const ImageRows& image, BYTE polarity) {
    const size_t rowBytes = image.rowBytes;
    PdevAllocationList* list = pdev->allocationList;
    // The output area is written before it is read: it needs no zeroing. The seed row is the
    // printer's white (0) in the rows' own polarity.
    BYTE* area =
        static_cast<BYTE*>(PdevAllocUnfilled(list, DeltaRowOutputArea(static_cast<size_t>(image.rows), rowBytes)));
    BYTE* seed = area != nullptr ? static_cast<BYTE*>(PdevAllocUnfilled(list, rowBytes)) : nullptr;
    BYTE* end = nullptr;
    if (seed != nullptr) {
        std::memset(seed, polarity, rowBytes);
        end =
            CompressDeltaRow(seed, image.bits, static_cast<size_t>(image.rows), rowBytes, area, image.stride, polarity);
    }
    if (end != nullptr) {
        // Anything painted makes the page worth ejecting.
        pdev->pageSetup.blankSheet = 0;
        const DWORD length = static_cast<DWORD>(end - area);
        if (WriteImageRowsHeader(pdev, image, kImageFormatDeltaRow, length)) WriteSpool(pdev, area, length);
    }
    PdevFree(list, seed);
    PdevFree(list, area);
    // Without room to compress, or rows that do not shrink, the caller sends them plain.
    return end != nullptr;
}

void WriteBlock(PrinterPdev* pdev, LONG width, LONG rows, POINTL position, BYTE* bits, DWORD byteCount, LONG rowLength,
                bool onePageASheet) {
    if (bits == nullptr || width <= 0 || rows <= 0 || rowLength <= 0) return;
    // The block must lie inside the bytes the caller gave.
    if ((int64_t{width} + 7) / 8 > rowLength ||
        static_cast<int64_t>(rowLength) * rows > static_cast<int64_t>(byteCount))
        return;

    POINTL device = DevicePosition(pdev, position);
    ImageShape shape = ShapeFor(pdev, width, rows, static_cast<size_t>(rowLength));
    // The page in device units (twice its pixels when images are doubled).
    const LONG factor = DoubledImages(pdev) ? 2 : 1;
    const int64_t pageWidth = int64_t{pdev->geometry.printable.right - pdev->geometry.printable.left} * factor;
    const int64_t pageHeight = int64_t{pdev->geometry.printable.bottom - pdev->geometry.printable.top} * factor;
    // Outside the page: nothing of it would print. At the very edge a cut would leave no pixel.
    if (device.x >= pageWidth || device.y >= pageHeight) return;
    if (static_cast<int64_t>(device.x) + shape.targetWidth < 0 ||
        static_cast<int64_t>(device.y) + shape.targetHeight < 0)
        return;
    if (onePageASheet && static_cast<int64_t>(device.x) + shape.targetWidth >= pageWidth) {
        WORD zoom = std::max<WORD>(pdev->geometry.zoom, 100);
        // Rows are cut even when the block just reaches the edge: the scan line's padding bytes
        // beyond the last pixel would otherwise go out with every row.
        LONG cut = static_cast<LONG>(std::min<int64_t>((pageWidth - device.x) * 100 / zoom / factor, width));
        if (cut <= 0) return;
        shape = ShapeFor(pdev, cut, rows, static_cast<size_t>((cut + 7) / 8));
    }
    // Sizes the 16-bit fields cannot hold would place the image wrongly: such a block is dropped.
    if (shape.width > kMaxImageSize || rows > kMaxImageSize || shape.targetWidth > kMaxImageSize ||
        shape.targetHeight > kMaxImageSize || shape.targetWidth <= 0 || shape.targetHeight <= 0)
        return;

    SetRop(pdev, kImageRop4);
    BOOL held = pdev->graphics.zoomHeld;
    pdev->graphics.zoomHeld = TRUE;
    WriteDeviceClip(pdev, device.x, device.y, shape.targetWidth, shape.targetHeight);
    WriteDeviceMove(pdev, device.x, device.y);
    pdev->graphics.zoomHeld = held;

    const ImageRows image{
        bits, shape.width, rows, shape.rowBytes, rowLength, shape.scaled, shape.targetWidth, shape.targetHeight};
    // The rows are compressed as they lie in the band, complemented on the way; only rows that go
    // out plain are complemented in place.
    if (image.rowBytes * static_cast<size_t>(rows) > 2 && SendCompressedRows(pdev, image, kBandPolarity)) return;
    ComplementRows(bits, rows, shape.rowBytes, rowLength);
    SendImageRows(pdev, image, false);
}

}  // namespace

BOOL SendImageRows(PrinterPdev* pdev, const ImageRows& image, bool mayCompress) {
    const size_t rowBytes = image.rowBytes;
    const size_t plainBytes = rowBytes * static_cast<size_t>(image.rows);
    auto header = [&](BYTE format, DWORD length) { return WriteImageRowsHeader(pdev, image, format, length); };
    // Anything painted makes the page worth ejecting, compressed or not.
    pdev->pageSetup.blankSheet = 0;

    if (mayCompress && SendCompressedRows(pdev, image, kPrinterPolarity)) return !OutputFailed(pdev);

    if (!header(kImageFormatPlain, static_cast<DWORD>(plainBytes))) return FALSE;
    if (static_cast<size_t>(image.stride) == rowBytes)
        return WriteSpool(pdev, image.bits, static_cast<DWORD>(plainBytes));
    for (LONG r = 0; r < image.rows; ++r)
        if (!WriteSpool(pdev, image.bits + r * image.stride, static_cast<DWORD>(rowBytes))) return FALSE;
    return TRUE;
}

BOOL WriteImageBlock(PrinterPdev* pdev, BYTE kind, BYTE format, WORD sourceWidth, WORD sourceHeight, WORD targetWidth,
                     WORD targetHeight, DWORD byteCount, const BYTE* data) {
    BYTE header[kScaledImageHeaderSize] = {kScaledImageCommand, kind, 0x00, format};
    PutBigEndian16(header + 4, sourceWidth);
    PutBigEndian16(header + 6, sourceHeight);
    PutBigEndian16(header + 8, targetWidth);
    PutBigEndian16(header + 10, targetHeight);
    PutBigEndian32(header + 12, byteCount);
    if (!WriteSpool(pdev, header, sizeof header)) return FALSE;
    if (data == nullptr || byteCount == 0) return TRUE;
    return WriteSpool(pdev, data, byteCount);
}

void WriteBandImage(PrinterPdev* pdev, LONG width, LONG rows, POINTL position, BYTE* bits, DWORD byteCount,
                    LONG rowLength) {
    WriteBlock(pdev, width, rows, position, bits, byteCount, rowLength, true);
}

void WriteBandImageLaidOut(PrinterPdev* pdev, LONG width, LONG rows, POINTL position, BYTE* bits, DWORD byteCount,
                           LONG rowLength) {
    WriteBlock(pdev, width, rows, position, bits, byteCount, rowLength, false);
}

BOOL IsWhiteRow(const BYTE* row, size_t length) {
    // Compared with a white row by the library's memcmp, the fastest scan there is.
    constexpr size_t kWhiteChunk = 4096;
    static const std::array<BYTE, kWhiteChunk> white = [] {
        std::array<BYTE, kWhiteChunk> w;
        w.fill(0xFF);
        return w;
    }();
    while (length > 0) {
        const size_t n = std::min(length, kWhiteChunk);
        if (std::memcmp(row, white.data(), n) != 0) return FALSE;
        row += n;
        length -= n;
    }
    return TRUE;
}

LONG WriteBandBlocks(PrinterPdev* pdev, BYTE* bits, LONG width, LONG height, LONG rowLength, POINTL origin,
                     LONG maxRows) {
    if (bits == nullptr || width <= 0 || height <= 0 || rowLength <= 0) return 0;
    if (maxRows <= 0) maxRows = height;
    const size_t usedBytes = static_cast<size_t>((int64_t{width} + 7) / 8);
    if (usedBytes > static_cast<size_t>(rowLength)) return 0;
    // Whole bytes of pixels, and the pixels of a last partial byte (its high bits); the padding
    // after the last pixel is not part of the page.
    const size_t wholeBytes = static_cast<size_t>(width / 8);
    const BYTE lastMask = static_cast<BYTE>(0xFF00u >> (width % 8));
    auto white = [&](const BYTE* row) {
        return IsWhiteRow(row, wholeBytes) && (lastMask == 0 || (row[wholeBytes] & lastMask) == lastMask);
    };
    const bool laidOut = LayoutCellsOf(orla::Get(pdev->settings.record, orla::dm::LayoutMode)) > 1;
    LONG blocks = 0;
    LONG y = 0;
    while (y < height && (pdev->state & kStateOutputFailed) == 0) {
        BYTE* row = bits + static_cast<ptrdiff_t>(y) * rowLength;
        if (white(row)) {
            ++y;
            continue;
        }
        LONG first = y;
        ++y;
        while (y < height && y - first < maxRows && !white(bits + static_cast<ptrdiff_t>(y) * rowLength)) ++y;
        LONG rows = y - first;
        // Images are drawing output: the page-control mode ends before the first one.
        if (blocks == 0) EnterModeY(pdev);
        POINTL position{origin.x, origin.y + first};
        DWORD byteCount = static_cast<DWORD>(rowLength) * static_cast<DWORD>(rows);
        if (laidOut)
            WriteBandImageLaidOut(pdev, width, rows, position, row, byteCount, rowLength);
        else
            WriteBandImage(pdev, width, rows, position, row, byteCount, rowLength);
        ++blocks;
    }
    return blocks;
}
