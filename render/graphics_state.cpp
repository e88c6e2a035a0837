// The printer's binary graphics state. Each command goes out only when its value differs from
// what the device context remembers having sent; ResetGraphicsStateCache forgets it all.
#include "render/graphics_state.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "render/output_writer.h"
#include "render/pdev.h"
#include "render/point_coding.h"

namespace {

// ---- Tables ----

// Operation of each R2 mix code 1..16.
constexpr BYTE kMixOperation[16] = {
    0xFF, 0x5F, 0xAF, 0x0F, 0xF5, 0x55, 0xA5, 0x05, 0xFA, 0x5A, 0xAA, 0x0A, 0xF0, 0x50, 0xA0, 0x00,
};

constexpr BYTE kR2Nop = 11;          // leave the destination
constexpr BYTE kPatternCopy = 0xF0;  // what a brush does with a mix it cannot take

// Grey level tables of the halftone kinds 26 and 35 (index: the plain level L).
constexpr BYTE kHalftoneTableA[64] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x01, 0x02, 0x03, 0x03, 0x03, 0x04, 0x04,
    0x05, 0x06, 0x07, 0x07, 0x08, 0x09, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x0f, 0x10, 0x11, 0x12, 0x13,
    0x14, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1c, 0x1d, 0x1e, 0x1f, 0x21, 0x22, 0x23, 0x24,
    0x27, 0x28, 0x2a, 0x2b, 0x2c, 0x2f, 0x30, 0x31, 0x31, 0x34, 0x35, 0x38, 0x38, 0x3a, 0x3c, 0x3f,
};
constexpr BYTE kHalftoneTableB[64] = {
    0x00, 0x01, 0x01, 0x02, 0x03, 0x03, 0x03, 0x04, 0x04, 0x04, 0x05, 0x05, 0x06, 0x06, 0x06, 0x07,
    0x07, 0x08, 0x09, 0x0a, 0x0c, 0x0d, 0x0d, 0x0e, 0x0e, 0x0f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15,
    0x16, 0x17, 0x18, 0x19, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f, 0x20, 0x21, 0x22, 0x23, 0x24, 0x26, 0x26,
    0x28, 0x2a, 0x2a, 0x2d, 0x2e, 0x2f, 0x30, 0x33, 0x33, 0x35, 0x35, 0x36, 0x3a, 0x3c, 0x3e, 0x3f,
};
constexpr BYTE kHalftoneTableC[64] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x02, 0x02, 0x02,
    0x02, 0x03, 0x03, 0x03, 0x06, 0x06, 0x0a, 0x0a, 0x0b, 0x0c, 0x0e, 0x0e, 0x0e, 0x0f, 0x0f, 0x11,
    0x12, 0x16, 0x16, 0x18, 0x18, 0x1a, 0x1b, 0x1c, 0x1c, 0x1c, 0x20, 0x20, 0x23, 0x24, 0x26, 0x26,
    0x2a, 0x2b, 0x2d, 0x2d, 0x2e, 0x30, 0x31, 0x33, 0x33, 0x36, 0x36, 0x39, 0x39, 0x3a, 0x3d, 0x3f,
};
constexpr BYTE kHalftoneTableD[64] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x01, 0x02, 0x02, 0x02, 0x02, 0x03,
    0x03, 0x03, 0x04, 0x05, 0x07, 0x09, 0x0a, 0x0c, 0x0c, 0x0d, 0x0d, 0x0e, 0x0e, 0x0f, 0x0f, 0x10,
    0x12, 0x12, 0x13, 0x13, 0x14, 0x17, 0x17, 0x19, 0x1b, 0x1d, 0x1f, 0x23, 0x24, 0x24, 0x26, 0x27,
    0x29, 0x29, 0x2a, 0x2c, 0x2d, 0x2e, 0x31, 0x32, 0x34, 0x34, 0x35, 0x36, 0x3c, 0x3d, 0x3e, 0x3f,
};
constexpr BYTE kHalftoneTableE[64] = {
    0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x02, 0x02, 0x02, 0x03, 0x03, 0x04, 0x04, 0x04, 0x05,
    0x05, 0x06, 0x07, 0x09, 0x0a, 0x0c, 0x0c, 0x0d, 0x0d, 0x0e, 0x0f, 0x10, 0x11, 0x12, 0x13, 0x14,
    0x15, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f, 0x20, 0x21, 0x22, 0x24, 0x24,
    0x25, 0x26, 0x26, 0x2a, 0x2c, 0x2e, 0x2f, 0x31, 0x31, 0x34, 0x34, 0x37, 0x3a, 0x3c, 0x3d, 0x3f,
};

constexpr DWORD kHalftoneKindLevelTablesAB = 26;
constexpr DWORD kHalftoneKindLevelTablesCDE = 35;

// Vector mode set-up by resolution; every resolution not listed takes the 600 dpi line.
struct VectorSetup {
    LONG resolution;
    const char* command;
};
constexpr VectorSetup kVectorSetups[] = {
    {240, "SU1,240,0;IP0,0,243,243;"},
    {400, "SU1,400,0;IP0,0,405,405;"},
    {200, "SU1,400,0;IP0,0,405,405;"},
    {1200, "SU1,1200,0;IP0,0,1215,1215;"},
};
constexpr const char* kVectorSetupOther = "SU1,600,0;IP0,0,608,608;";

// Largest line width by resolution (device pixels).
constexpr LONG LineWidthLimit(LONG resolution) {
    switch (resolution) {
        case 1200:
            return 2400;
        case 200:
        case 400:
            return 800;
        case 240:
            return 480;
        default:
            return 1200;
    }
}

// Arm of a corner mark by resolution (device pixels).
constexpr LONG CornerArm(LONG resolution) {
    switch (resolution) {
        case 240:
            return 24;
        case 400:
            return 40;
        case 300:
            return 30;
        case 200:
            return 20;
        case 1200:
            return 120;
        default:
            return 60;
    }
}

// Line width of the heavy frame (kind 3) by resolution.
constexpr LONG HeavyFrameWidth(LONG resolution) {
    switch (resolution) {
        case 240:
            return 1;
        case 200:
        case 400:
            return 2;
        case 1200:
            return 6;
        default:
            return 3;
    }
}

// ---- Helpers ----

bool Fits16(LONG v) {
    return v >= -32768 && v <= 32767;
}

BYTE Hi(LONG v) {
    return static_cast<BYTE>((static_cast<DWORD>(v) >> 8) & 0xFF);
}
BYTE Lo(LONG v) {
    return static_cast<BYTE>(static_cast<DWORD>(v) & 0xFF);
}

LONG LayoutMode(const PrinterPdev* pdev) {
    return orla::Get(pdev->settings.record, orla::dm::LayoutMode);
}

LONG EffectiveZoom(const PrinterPdev* pdev) {
    if (pdev->graphics.zoomHeld || pdev->graphics.frameDrawing || pdev->geometry.zoom == 0) return 100;
    return pdev->geometry.zoom;
}

const RECTL& CurrentCell(const PrinterPdev* pdev) {
    return pdev->geometry.pageRects[std::min<DWORD>(pdev->pageSetup.cellCounter, kLayoutCellCount - 1)];
}

BOOL SelectPenLevel(PrinterPdev* pdev, BYTE level) {
    GraphicsStateCache& g = pdev->graphics;
    if (g.penLevel == level && g.penBackground == 0x4F) return TRUE;
    if (!WriteBytes(pdev, {0xAD, 0x00, level, 0x4F})) return FALSE;
    g.penLevel = level;
    g.penBackground = 0x4F;
    return TRUE;
}

// Clip sent as {left, top, right, bottom}: B1 for heights below 256, else B2.
BOOL WriteClipCommand(PrinterPdev* pdev, LONG width, LONG height) {
    if (height < 256) return WriteBytes(pdev, {0xB1, Lo(height), Hi(width), Lo(width)});
    return WriteBytes(pdev, {0xB2, 0x00, Hi(height), Lo(height), Hi(width), Lo(width), 0x00, 0x00});
}

void ForgetClipPath(PrinterPdev* pdev) {
    GraphicsStateCache& g = pdev->graphics;
    if (g.clipPathPoints != nullptr && pdev->allocationList != nullptr)
        PdevFree(pdev->allocationList, g.clipPathPoints);
    g.clipPathPoints = nullptr;
    g.clipPathCount = 0;
}

// Device rectangle of two transformed corners.
RECTL DeviceRectOf(PrinterPdev* pdev, LONG left, LONG top, LONG right, LONG bottom) {
    const POINTL a = TransformPagePoint(pdev, POINTL{std::min(left, right), std::min(top, bottom)});
    const POINTL b = TransformPagePoint(pdev, POINTL{std::max(left, right), std::max(top, bottom)});
    return RECTL{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// A restorer of the frame and zoom switches.
struct HoldSwitches {
    PrinterPdev* pdev;
    BOOL frame;
    BOOL zoom;
    explicit HoldSwitches(PrinterPdev* p) : pdev(p), frame(p->graphics.frameDrawing), zoom(p->graphics.zoomHeld) {}
    ~HoldSwitches() {
        pdev->graphics.frameDrawing = frame;
        pdev->graphics.zoomHeld = zoom;
    }
};

// Mix rules: which two-byte mixes each user takes, and the operation pair it sends.
bool MixPair(DWORD mix, MixUser user, BYTE* foreground, BYTE* background) {
    const BYTE fg = static_cast<BYTE>(mix & 0xFF);
    const BYTE bg = static_cast<BYTE>((mix >> 8) & 0xFF);
    if (fg < 1 || fg > 16) return false;
    if (fg == bg) {
        *foreground = *background = kMixOperation[fg - 1];
        return true;
    }
    if (bg != kR2Nop) return false;
    if (user == MixUser::Brush) return false;
    if (user == MixUser::Pen && fg == 5) return false;
    *foreground = kMixOperation[fg - 1];
    *background = 0xAA;
    return true;
}

}  // namespace

bool TurnedSheet(const PrinterPdev* pdev) {
    const LONG layout = LayoutMode(pdev);
    return layout != 1 && IsTurnedLayout(layout) && !pdev->graphics.frameDrawing;
}

// The operation pair of a fill: from the ROP4's low byte while a bitmap operation fills a
// rectangle, else by the mix rule (pattern copy for a mix the brush cannot take).
void FillOperation(const PrinterPdev* pdev, DWORD mixOrRop4, MixUser user, BYTE* fg, BYTE* bg) {
    if (pdev->state & kStateRectangleFill) {
        *fg = *bg = DeviceRopFromRop3(static_cast<BYTE>(mixOrRop4 & 0xFF));
        if (user == MixUser::Hatch && ((mixOrRop4 >> 8) & 0xFF) == 0xAA) *bg = 0xAA;
        return;
    }
    if (!MixPair(mixOrRop4, user, fg, bg)) *fg = *bg = kPatternCopy;
}

BYTE LevelOf(PrinterPdev* pdev, COLORREF rgb) {
    return static_cast<BYTE>(16 + MapGrayToHalftoneLevel(pdev, rgb));
}

BOOL SelectBuiltinBrush(PrinterPdev* pdev, BYTE kind, BYTE foreground, BYTE background) {
    GraphicsStateCache& g = pdev->graphics;
    if (g.pattern == kind && g.foregroundLevel == foreground && g.backgroundLevel == background) return TRUE;
    if (!WriteBytes(pdev, {0xA5, kind, foreground, background})) return FALSE;
    g.pattern = kind;
    g.foregroundLevel = foreground;
    g.backgroundLevel = background;
    return TRUE;
}

// ---- Cache ----

void ResetGraphicsStateCache(PrinterPdev* pdev) {
    if (pdev == nullptr) return;
    GraphicsStateCache& g = pdev->graphics;
    ForgetClipPath(pdev);
    g.ropForeground = g.ropBackground = 0x68;
    g.patternRop[0] = g.patternRop[1] = 0x68;
    g.foregroundLevel = g.backgroundLevel = 0xFFFF;
    g.pattern = 0xFFFF;
    std::memset(g.pattern8x8, 0xFF, sizeof g.pattern8x8);
    std::memset(g.pattern24x24, 0x00, sizeof g.pattern24x24);
    g.penLevel = 0xFF;
    g.penBackground = 0xFF;
    g.lineWidth = 0xFFFF;
    g.lineStyle = 0xFF;
    g.x = g.y = 0;
    g.positionKnown = FALSE;
    // The printer forgets its clip with a new page set-up: send the next one again.
    g.clipSent = RECTL{0, 0, 0, 0};
    g.downloadCachePrepared = FALSE;
    // Doubling is cleared here, so the vector mode set-up (which sets it) must go out again.
    g.vectorResolution = 0;
    g.doublingFactor = 1;
    g.frameDrawing = FALSE;
    g.zoomHeld = FALSE;
    g.pendingImageShiftX = 0;
    std::memset(g.textCache, 0xFF, sizeof g.textCache);
    pdev->state &= ~kStateDoubledOutput;
    pdev->state |= kStateClipPathAttempt;

    std::fill(std::begin(g.deviceLimits), std::end(g.deviceLimits), 0);
    if (pdev->deviceData == nullptr) return;
    const LONG code = static_cast<LONG>(orla::Get(pdev->settings.record, orla::dm::MemoryKb));
    for (const orla::MemorySizeEntry& e : orla::MemorySizes(pdev->deviceData)) {
        if (e.values[0] != code) continue;
        for (int i = 0; i < 6; ++i) g.deviceLimits[i] = static_cast<DWORD>(e.values[i + 1]);
        return;
    }
    if (auto def = orla::DefaultMemorySize(pdev->deviceData))
        for (int i = 0; i < 6; ++i) g.deviceLimits[i] = static_cast<DWORD>(def->values[i + 1]);
}

// ---- Raster operation ----

BYTE DeviceRopFromMix(BYTE r2) {
    return (r2 >= 1 && r2 <= 16) ? kMixOperation[r2 - 1] : 0;
}

BOOL SetDeviceRop(PrinterPdev* pdev, BYTE foreground, BYTE background) {
    if (OutputFailed(pdev)) return FALSE;
    GraphicsStateCache& g = pdev->graphics;
    if (g.ropForeground == foreground && g.ropBackground == background) return TRUE;
    if (!WriteBytes(pdev, {0xA6, 0x00, foreground, background})) return FALSE;
    g.ropForeground = foreground;
    g.ropBackground = background;
    return TRUE;
}

BOOL SetRop(PrinterPdev* pdev, DWORD rop4) {
    const BYTE op = DeviceRopFromRop3(static_cast<BYTE>((rop4 >> 8) & 0xFF));
    return SetDeviceRop(pdev, op, op);
}

// ---- Levels, brushes, pen, line ----

BYTE MapGrayToHalftoneLevel(PrinterPdev* pdev, COLORREF rgb) {
    const DWORD red = rgb & 0xFF, green = (rgb >> 8) & 0xFF, blue = (rgb >> 16) & 0xFF;
    const DWORD grey = (30 * red + 59 * green + 11 * blue) / 100;
    const BYTE level = static_cast<BYTE>(grey * 63 / 255);
    if (!(orla::Get(pdev->settings.record, orla::dm::Flags2) & orla::kFlags2GreyTables)) return level;
    const LONG dpi = pdev->geometry.resolution;
    const bool dpi300or600 = dpi == 300 || dpi == 600;
    switch (pdev->graphics.halftoneKind) {
        case kHalftoneKindLevelTablesAB:
            return dpi300or600 ? kHalftoneTableA[level] : kHalftoneTableB[level];
        case kHalftoneKindLevelTablesCDE:
            if (dpi300or600) return kHalftoneTableC[level];
            return dpi == 1200 ? kHalftoneTableD[level] : kHalftoneTableE[level];
        default:
            return level;
    }
}

BOOL SelectPen(PrinterPdev* pdev, COLORREF rgb, DWORD mix) {
    if (OutputFailed(pdev)) return FALSE;
    BYTE fg = 0, bg = 0;
    if (!MixPair(mix, MixUser::Pen, &fg, &bg)) return TRUE;  // a mix the pen cannot take sends nothing
    if (!SelectPenLevel(pdev, LevelOf(pdev, rgb))) return FALSE;
    return SetDeviceRop(pdev, fg, bg);
}

BOOL WriteLineWidth(PrinterPdev* pdev, LONG width) {
    if (OutputFailed(pdev)) return FALSE;
    LONG w = width <= 0 ? 1 : width;
    w = std::min(w, LineWidthLimit(pdev->geometry.resolution));
    const LONG zoom = EffectiveZoom(pdev);
    if (zoom != 100) w = std::max<LONG>(1, w * zoom / 100);
    GraphicsStateCache& g = pdev->graphics;
    if (g.lineWidth == w) return TRUE;
    if (!WriteBytes(pdev, {0xAF, 0x00, Hi(w), Lo(w)})) return FALSE;
    g.lineWidth = static_cast<WORD>(w);
    return TRUE;
}

BOOL WriteLineStyle(PrinterPdev* pdev, BYTE style, BYTE dash) {
    if (OutputFailed(pdev)) return FALSE;
    GraphicsStateCache& g = pdev->graphics;
    if (g.lineStyle == style) return TRUE;
    if (!WriteBytes(pdev, {0xAC, style, dash, 0x00})) return FALSE;
    g.lineStyle = style;
    return TRUE;
}

// ---- Positions ----

POINTL TransformPagePoint(PrinterPdev* pdev, POINTL page) {
    long long x = page.x, y = page.y;
    if (DoubledOutput(pdev) && !(pdev->state & kStateRasterMode)) {
        x *= 2;
        y *= 2;
    }
    const LONG zoom = EffectiveZoom(pdev);
    if (zoom != 100) {
        x = x * zoom / 100;
        y = y * zoom / 100;
    }
    if (LayoutMode(pdev) != 1 && !pdev->graphics.frameDrawing) {
        const LONG factor = DoubledOutput(pdev) ? 2 : 1;
        const RECTL& cell = CurrentCell(pdev);
        x += static_cast<long long>(cell.left) * factor;
        y += static_cast<long long>(cell.top) * factor;
    }
    x += pdev->graphics.pendingImageShiftX;
    POINTL p{static_cast<LONG>(std::clamp<long long>(x, INT32_MIN, INT32_MAX)),
             static_cast<LONG>(std::clamp<long long>(y, INT32_MIN, INT32_MAX))};
    // Band blocks of a turned sheet come turned (job flow), so their positions turn as well.
    if (TurnedSheet(pdev)) p = RotatePagePoint(pdev, 0, p);
    const POINTL offset = PageOffsetForSide(pdev);
    p.x += offset.x;
    p.y += offset.y;
    return p;
}

BOOL WriteDeviceMove(PrinterPdev* pdev, LONG x, LONG y) {
    if (OutputFailed(pdev)) return FALSE;
    GraphicsStateCache& g = pdev->graphics;
    if (g.positionKnown && g.x == x && g.y == y) return TRUE;
    BOOL ok;
    if (x >= -128 && x <= 127 && Fits16(y))
        ok = WriteBytes(pdev, {0xB6, Lo(x), Hi(y), Lo(y)});
    else if (y >= -128 && y <= 127 && Fits16(x))
        ok = WriteBytes(pdev, {0xB7, Lo(y), Hi(x), Lo(x)});
    else if (Fits16(x))
        ok = WriteBytes(pdev, {0xB8, 0x00, Hi(x), Lo(x), static_cast<BYTE>(static_cast<DWORD>(y) >> 24),
                               static_cast<BYTE>(static_cast<DWORD>(y) >> 16), Hi(y), Lo(y)});
    else
        return FALSE;  // no move form holds it: better no move than a wrong one
    if (!ok) return FALSE;
    g.x = x;
    g.y = y;
    g.positionKnown = TRUE;
    return TRUE;
}

BOOL WritePointList(PrinterPdev* pdev, const POINTL* point) {
    if (point == nullptr) return FALSE;
    if (OutputFailed(pdev)) return FALSE;
    const POINTL d = TransformPagePoint(pdev, *point);
    return WriteDeviceMove(pdev, d.x, d.y);
}

BOOL WritePointListNoZoom(PrinterPdev* pdev, const POINTL* point) {
    HoldSwitches hold(pdev);
    pdev->graphics.zoomHeld = TRUE;
    return WritePointList(pdev, point);
}

BOOL WriteBigEndian16(PrinterPdev* pdev, WORD value) {
    return WriteBytes(pdev, {Hi(value), Lo(value)});
}

BOOL WriteBigEndian32(PrinterPdev* pdev, DWORD value) {
    return WriteBytes(pdev, {static_cast<BYTE>(value >> 24), static_cast<BYTE>(value >> 16),
                             static_cast<BYTE>(value >> 8), static_cast<BYTE>(value)});
}

// ---- Rectangles and clips ----

BOOL WriteFilledRectangle(PrinterPdev* pdev, LONG left, LONG top, LONG right, LONG bottom, BOOL outline) {
    if (OutputFailed(pdev)) return FALSE;
    const RECTL d = DeviceRectOf(pdev, left, top, right, bottom);
    const LONG width = std::max<LONG>(1, d.right - d.left);
    const LONG height = std::max<LONG>(1, d.bottom - d.top);
    if (width > 0xFFFF || height > 0xFFFF || !Fits16(d.left) || !Fits16(d.top)) return FALSE;
    BOOL ok;
    if (height < 256)
        ok = WriteBytes(pdev, {static_cast<BYTE>(outline ? 0xDC : 0xDB), Lo(height), Hi(width), Lo(width), Hi(d.left),
                               Lo(d.left), Hi(d.top), Lo(d.top)});
    else
        ok = WriteBytes(pdev, {static_cast<BYTE>(outline ? 0xDE : 0xDD), 0x00, Hi(height), Lo(height), Hi(width),
                               Lo(width), Hi(d.left), Lo(d.left), Hi(d.top), Lo(d.top), 0x00, 0x00});
    if (!ok) return FALSE;
    pdev->graphics.x = d.left;
    pdev->graphics.y = d.top;
    pdev->graphics.positionKnown = TRUE;
    pdev->pageSetup.blankSheet = 0;
    return TRUE;
}

BOOL WriteRectangleCommand(PrinterPdev* pdev, LONG left, LONG top, LONG right, LONG bottom, RECTL* device) {
    RECTL d = DeviceRectOf(pdev, left, top, right, bottom);
    // A zoomed clip grows by one page pixel so that rounding never cuts the last row.
    if (EffectiveZoom(pdev) != 100) {
        const LONG grow = DoubledOutput(pdev) ? 2 : 1;
        d.right += grow;
        d.bottom += grow;
    }
    if (device != nullptr) *device = d;
    const RECTL& sent = pdev->graphics.clipSent;
    return !(sent.left == d.left && sent.top == d.top && sent.right == d.right && sent.bottom == d.bottom);
}

BOOL WriteDeviceClip(PrinterPdev* pdev, LONG left, LONG top, LONG width, LONG height) {
    if (OutputFailed(pdev)) return FALSE;
    if (width < 0) {
        left += width;
        width = -width;
    }
    if (height < 0) {
        top += height;
        height = -height;
    }
    if (width > 0xFFFF || height > 0xFFFF) return FALSE;
    GraphicsStateCache& g = pdev->graphics;
    const RECTL next{left, top, left + width, top + height};
    if (g.clipPathCount == 0 && g.clipSent.left == next.left && g.clipSent.top == next.top &&
        g.clipSent.right == next.right && g.clipSent.bottom == next.bottom)
        return TRUE;
    if (!WriteDeviceMove(pdev, left, top)) return FALSE;
    if (!WriteClipCommand(pdev, width, height)) return FALSE;
    ForgetClipPath(pdev);
    g.clipSent = next;
    return TRUE;
}

BOOL WriteClipRectangle(PrinterPdev* pdev, const RECTL* rect, BOOL frame) {
    if (rect == nullptr) return FALSE;
    if (OutputFailed(pdev)) return FALSE;
    HoldSwitches hold(pdev);
    if (frame) pdev->graphics.frameDrawing = TRUE;
    RECTL r{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom), std::max(rect->left, rect->right),
            std::max(rect->top, rect->bottom)};
    if (!frame) {
        const RECTL& p = pdev->geometry.printable;
        const RECTL area{0, 0, p.right - p.left, p.bottom - p.top};
        RECTL cut{std::max(r.left, area.left), std::max(r.top, area.top), std::min(r.right, area.right),
                  std::min(r.bottom, area.bottom)};
        r = (cut.left < cut.right && cut.top < cut.bottom) ? cut : area;
    }
    RECTL d{};
    if (!WriteRectangleCommand(pdev, r.left, r.top, r.right, r.bottom, &d) && pdev->graphics.clipPathCount == 0)
        return TRUE;
    return WriteDeviceClip(pdev, d.left, d.top, d.right - d.left, d.bottom - d.top);
}

namespace {

// A clip path in device points, with the number of points of each subpath.
struct ClipPathPoints {
    std::vector<POINTL> device;
    std::vector<ULONG> subpathSizes;
    // Headers, points and the end entry.
    size_t Entries() const { return device.size() + subpathSizes.size() + 1; }
};

// The path's points in device pixels. The path last sent is compared by these (not by page
// pixels), so that a path on the other side of a duplex sheet, whose page offset differs, is sent
// again. FALSE for an empty path, one past the limit or one whose points do not fit 16 bits.
bool ReadClipPathPoints(PrinterPdev* pdev, PATHOBJ* path, DWORD limit, ClipPathPoints* out) {
    const LONG factor = DoubledOutput(pdev) ? 2 : 1;
    const bool read = EnumPathData(path, [&](const PATHDATA& pd, bool) {
        if (pd.count > 0 && pd.pptfx == nullptr) return false;
        if ((pd.flags & PD_BEGINSUBPATH) || out->subpathSizes.empty()) {
            if (pd.count == 0) return true;
            out->subpathSizes.push_back(0);
        }
        for (ULONG i = 0; i < pd.count; ++i) {
            // Stop as soon as the limit is passed: a huge path costs no more than a small one.
            if (out->Entries() + 1 > limit) return false;
            const LONG px = pd.pptfx[i].x >> 4, py = pd.pptfx[i].y >> 4;
            out->device.push_back(TransformPathPoint(pdev, POINTL{px * factor, py * factor}));
            ++out->subpathSizes.back();
        }
        return true;
    });
    if (!read) return false;
    if (out->device.empty()) return false;
    if (out->Entries() > limit || out->Entries() > 0xFFFF) return false;
    return std::all_of(out->device.begin(), out->device.end(),
                       [](const POINTL& p) { return Fits16(p.x) && Fits16(p.y); });
}

bool SamePoints(const POINTL* a, const std::vector<POINTL>& b) {
    return std::equal(b.begin(), b.end(), a, [](const POINTL& x, const POINTL& y) { return x.x == y.x && x.y == y.y; });
}

// B5 0x04: the packed form. FALSE with nothing written when there is no room to pack.
bool SendPackedClipPath(PrinterPdev* pdev, const ClipPathPoints& path, BOOL* ok) {
    const size_t entries = path.Entries();
    PdevScratch list(pdev, entries * sizeof(PackedEntry));
    PdevScratch packed(pdev, list.body ? PackedBytesFor(entries) : 0);
    if (list.body == nullptr || packed.body == nullptr) return false;
    PackedEntry* e = list.as<PackedEntry>();
    size_t n = 0, at = 0;
    for (ULONG size : path.subpathSizes) {
        e[n++] = PackedEntry{0, static_cast<LONG>(size), kPackedHeader};
        for (ULONG i = 0; i < size; ++i, ++at)
            e[n++] = PackedEntry{path.device[at].x, path.device[at].y, i == 0 ? kPackedFirstPoint : kPackedPoint};
    }
    e[n++] = PackedEntry{0, 0, kPackedEnd};
    const ULONG bits =
        PackPointList(std::span<const PackedEntry>(e, n), std::span<BYTE>(packed.as<BYTE>(), PackedBytesFor(entries)));
    const ULONG bytes = PackedBytesOfBits(bits);
    *ok = bits != 0 && WriteBytes(pdev, {0xB5, 0x04}) && WriteBigEndian16(pdev, static_cast<WORD>(entries)) &&
          WriteBigEndian32(pdev, bytes) && WriteSpool(pdev, packed.as<BYTE>(), bytes);
    return true;
}

// B5 0x02: the plain form, point by point.
BOOL SendPlainClipPath(PrinterPdev* pdev, const ClipPathPoints& path) {
    BOOL ok = WriteBytes(pdev, {0xB5, 0x02}) && WriteBigEndian16(pdev, static_cast<WORD>(path.Entries()));
    size_t at = 0;
    for (ULONG size : path.subpathSizes) {
        ok = ok && WriteBytes(pdev, {0x00, 0x00}) && WriteBigEndian16(pdev, static_cast<WORD>(size));
        for (ULONG i = 0; i < size && ok; ++i, ++at) {
            const POINTL& p = path.device[at];
            const BYTE b[4] = {Hi(p.x), Lo(p.x), Hi(p.y), Lo(p.y)};
            ok = WriteSpool(pdev, b, sizeof b);
        }
    }
    return ok && WriteBytes(pdev, {0x00, 0x00, 0x00, 0x00});
}

// The path sent, kept so the same path is not sent again (not kept when there is no room).
void RememberClipPath(PrinterPdev* pdev, const std::vector<POINTL>& device) {
    auto* keep = static_cast<POINTL*>(PdevAlloc(pdev->allocationList, device.size() * sizeof(POINTL)));
    if (keep == nullptr) return;
    std::copy(device.begin(), device.end(), keep);
    pdev->graphics.clipPathPoints = keep;
    pdev->graphics.clipPathCount = static_cast<ULONG>(device.size());
}

}  // namespace

BOOL WriteClipPath(PrinterPdev* pdev, PATHOBJ* path) {
    if (path == nullptr || OutputFailed(pdev)) return FALSE;
    GraphicsStateCache& g = pdev->graphics;
    ClipPathPoints points;
    if (!ReadClipPathPoints(pdev, path, g.deviceLimits[5], &points)) return FALSE;
    const std::vector<POINTL>& device = points.device;
    const bool allEqual = std::all_of(device.begin(), device.end(),
                                      [&](const POINTL& p) { return p.x == device[0].x && p.y == device[0].y; });
    if (allEqual) return WriteDeviceClip(pdev, device[0].x, device[0].y, 1, 1);
    if (g.clipPathPoints != nullptr && g.clipPathCount == device.size() && SamePoints(g.clipPathPoints, device))
        return TRUE;

    ForgetClipPath(pdev);
    // The printer's clip is now this path: a later clip rectangle must go out whatever it is.
    g.clipSent = RECTL{0, 0, 0, 0};
    BOOL ok = FALSE;
    if (!SendPackedClipPath(pdev, points, &ok)) ok = SendPlainClipPath(pdev, points);
    if (!ok) return FALSE;
    RememberClipPath(pdev, device);
    return TRUE;
}

BOOL DrawLayoutFrame(PrinterPdev* pdev) {
    if (OutputFailed(pdev)) return FALSE;
    const WORD kind = orla::Get(pdev->settings.record, orla::dm::FrameKind);
    if (kind < 1 || kind > 4) return TRUE;
    const RECTL cell = CurrentCell(pdev);
    const LONG dpi = pdev->geometry.resolution;
    GraphicsStateCache& g = pdev->graphics;

    if (!WriteVectorModeSetup(pdev)) return FALSE;
    HoldSwitches hold(pdev);
    g.frameDrawing = TRUE;
    g.zoomHeld = TRUE;
    if (!WriteClipRectangle(pdev, &cell, TRUE)) return FALSE;

    if (kind != 4) {
        if (!SetRop(pdev, 0xF0F0) || !SelectPenLevel(pdev, 0x10) || !SelectBuiltinBrush(pdev, 0x01, 0x00, 0x00))
            return FALSE;
        static constexpr BYTE kStyle[3][2] = {{0x00, 0x00}, {0x01, 0x06}, {0x02, 0x02}};
        const LONG width = kind == 3 ? HeavyFrameWidth(dpi) : 1;
        if (!WriteLineWidth(pdev, width) || !WriteLineStyle(pdev, kStyle[kind - 1][0], kStyle[kind - 1][1]))
            return FALSE;
        return WriteFilledRectangle(pdev, cell.left, cell.top, cell.right, cell.bottom, TRUE);
    }

    if (!WriteLineWidth(pdev, 1) || !SetRop(pdev, 0xF0F0) || !SelectPenLevel(pdev, 0x10) ||
        !WriteLineStyle(pdev, 0x00, 0x00))
        return FALSE;
    const DWORD savedRaster = pdev->state & kStateRasterMode;
    pdev->state &= ~kStateRasterMode;
    const LONG arm = CornerArm(dpi);
    const LONG factor = DoubledOutput(pdev) ? 2 : 1;
    struct Corner {
        LONG x, y, dx, dy;  // the corner and the direction of its arms (into the cell)
    };
    const Corner corners[4] = {
        {cell.left, cell.top, +1, +1},
        {cell.right, cell.top, -1, +1},
        {cell.left, cell.bottom, +1, -1},
        {cell.right, cell.bottom, -1, -1},
    };
    BOOL ok = TRUE;
    for (const Corner& c : corners) {
        const POINTL start{c.x + c.dx * arm, c.y};
        ok = ok && WritePointList(pdev, &start) && WriteBytes(pdev, {0xE0, 0x00, 0x00, 0x02}) &&
             WriteBinaryPoint(pdev, c.x * factor, c.y * factor) &&
             WriteBinaryPoint(pdev, c.x * factor, (c.y + c.dy * arm) * factor);
        // The lines moved the printer's point: the next move must go out.
        g.positionKnown = FALSE;
    }
    pdev->pageSetup.blankSheet = 0;
    pdev->state |= savedRaster;
    return ok;
}

// ---- Vector mode set-up ----

BOOL WriteVectorModeSetup(PrinterPdev* pdev) {
    if (OutputFailed(pdev)) return FALSE;
    const LONG dpi = pdev->geometry.resolution;
    GraphicsStateCache& g = pdev->graphics;
    if (g.vectorResolution != 0 && g.vectorResolution == dpi) return TRUE;
    const char* command = kVectorSetupOther;
    for (const VectorSetup& s : kVectorSetups)
        if (s.resolution == dpi) command = s.command;
    if (!WriteCommand(pdev, command)) return FALSE;
    g.vectorResolution = static_cast<WORD>(dpi);
    if (dpi == 200 || dpi == 300) {
        pdev->state |= kStateDoubledOutput;
        g.doublingFactor = 2;
    } else {
        pdev->state &= ~kStateDoubledOutput;
        g.doublingFactor = 1;
    }
    return TRUE;
}
