// Point packer, coordinate transform and binary point writer shared by the path, clip-path and
// frame writers.
#include "render/point_coding.h"

#include <algorithm>

#include "core/driver_devmode.h"
#include "render/graphics_state.h"
#include "render/output_writer.h"
#include "render/pdev.h"

namespace {

// Nibbles written high first; a half-filled byte is completed by the next value.
struct NibbleSink {
    std::span<BYTE> out;
    ULONG nibbles = 0;
    bool overflow = false;

    void Put(unsigned nibble) {
        size_t at = nibbles / 2;
        if (at >= out.size()) {
            overflow = true;
            return;
        }
        if (nibbles % 2 == 0)
            out[at] = static_cast<BYTE>((nibble & 0xF) << 4);
        else
            out[at] = static_cast<BYTE>(out[at] | (nibble & 0xF));
        ++nibbles;
    }
};

bool PutValue(NibbleSink& sink, LONG value) {
    const bool negative = value < 0;
    const unsigned long long m =
        negative ? 0ull - static_cast<long long>(value) : static_cast<unsigned long long>(value);
    const unsigned sign = negative ? 8u : 0u;
    if (m <= 4) {
        sink.Put(static_cast<unsigned>(m) + sign);
    } else if (m <= 15) {
        sink.Put(5 + sign);
        sink.Put(static_cast<unsigned>(m));
    } else if (m <= 255) {
        sink.Put(6 + sign);
        sink.Put(static_cast<unsigned>(m >> 4));
        sink.Put(static_cast<unsigned>(m));
    } else if (m <= 0xFFFF) {
        sink.Put(7 + sign);
        for (int shift = 12; shift >= 0; shift -= 4) sink.Put(static_cast<unsigned>(m >> shift));
    } else {
        return false;  // four nibbles cannot hold it: refuse rather than send a wrong point
    }
    return !sink.overflow;
}

bool Turned(const PrinterPdev* pdev) {
    const LONG layout = orla::Get(pdev->settings.record, orla::dm::LayoutMode);
    return layout != 1 && IsTurnedLayout(layout) && !pdev->graphics.frameDrawing && !(pdev->state & kStateRasterMode);
}

}  // namespace

ULONG PackPointList(std::span<const PackedEntry> entries, std::span<BYTE> out) {
    NibbleSink sink{out};
    LONG lastX = 0, lastY = 0;
    for (const PackedEntry& e : entries) {
        LONG dx = 0, dy = 0;
        switch (e.kind) {
            case kPackedFirstPoint:
                dx = e.x;
                dy = e.y;
                lastX = e.x;
                lastY = e.y;
                break;
            case kPackedHeader:
                dx = e.x;
                dy = e.y;
                break;
            case kPackedEnd:
                break;
            default:
                dx = static_cast<LONG>(static_cast<long long>(e.x) - lastX);
                dy = static_cast<LONG>(static_cast<long long>(e.y) - lastY);
                if (static_cast<long long>(e.x) - lastX != dx || static_cast<long long>(e.y) - lastY != dy) return 0;
                lastX = e.x;
                lastY = e.y;
                break;
        }
        if (!PutValue(sink, dx) || !PutValue(sink, dy)) return 0;
    }
    return sink.nibbles * 4;
}

POINTL PageOffsetForSide(const PrinterPdev* pdev) {
    const auto& rec = pdev->settings.record;
    const LONG* shift = pdev->geometry.printShift;
    const POINTL front{shift[0], shift[1]};
    const POINTL back{shift[2], shift[3]};
    const bool binding =
        (orla::Get(rec, orla::dm::DeviceState(orla::dm::kDuplex)) & orla::dm::kDuplexBindingOffset) != 0;
    if (!binding || orla::Get(rec, orla::dm::Duplex) == 1) return front;
    // Several pages a sheet (or the sheet frame): the sheet decides the side, else the page.
    const bool bySheet = orla::Get(rec, orla::dm::LayoutMode) != 1 || pdev->graphics.frameDrawing;
    const DWORD counter = bySheet ? pdev->pageSetup.pageEnds + 1 : pdev->pageSetup.printedPages + 1;
    const bool flagBit = (orla::Get(rec, orla::dm::Flags1) & orla::kFlags1BindingBack) != 0;
    const bool odd = (counter & 1) != 0;
    const bool frontOnOdd = bySheet == flagBit;
    return odd == frontOnOdd ? front : back;
}

POINTL TransformPathPoint(const PrinterPdev* pdev, POINTL p) {
    const LONG zoom = pdev->geometry.zoom;
    const LONG layout = orla::Get(pdev->settings.record, orla::dm::LayoutMode);
    if (zoom != 100 && zoom != 0 && !pdev->graphics.zoomHeld && !pdev->graphics.frameDrawing) {
        p.x = static_cast<LONG>(static_cast<long long>(p.x) * zoom / 100);
        p.y = static_cast<LONG>(static_cast<long long>(p.y) * zoom / 100);
        if (layout != 1) {
            const LONG factor = (pdev->state & kStateDoubledOutput) ? 2 : 1;
            const RECTL& cell =
                pdev->geometry.pageRects[std::min<DWORD>(pdev->pageSetup.cellCounter, kLayoutCellCount - 1)];
            p.x += cell.left * factor;
            p.y += cell.top * factor;
        }
    }
    // The print shift is a shift of the sheet: it is added after a turned sheet's turn, as it is
    // for rectangles, text and band blocks, or the paths would drift off their page.
    if (Turned(pdev)) p = RotatePagePoint(pdev, 0, p);
    const POINTL offset = PageOffsetForSide(pdev);
    p.x += offset.x;
    p.y += offset.y;
    return p;
}

BOOL WriteBinaryPoint(PrinterPdev* pdev, LONG x, LONG y) {
    const POINTL p = TransformPathPoint(pdev, POINTL{x, y});
    const BYTE bytes[4] = {static_cast<BYTE>(p.x >> 8), static_cast<BYTE>(p.x), static_cast<BYTE>(p.y >> 8),
                           static_cast<BYTE>(p.y)};
    return WriteSpool(pdev, bytes, sizeof bytes);
}
