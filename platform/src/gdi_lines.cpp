// Lines of the UI's device contexts: styled pens (dashes, dots, every other pixel), arcs and the
// focus rectangle. Pens one pixel wide keep their style; the gaps take the background colour
// when the DC's background mode is OPAQUE, as GDI fills them.
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <span>

#include "ui_dc.h"
#include "win/user_gdi.h"

namespace plat::uidc {
namespace {

// Runs of drawn and left pixels, drawn first; the pattern repeats along the line.
constexpr unsigned kDash[] = {18, 6};
constexpr unsigned kDot[] = {3, 3};
constexpr unsigned kDashDot[] = {9, 6, 3, 6};
constexpr unsigned kDashDotDot[] = {9, 3, 3, 3, 3, 3};
constexpr unsigned kAlternate[] = {1, 1};

std::span<const unsigned> PatternOf(int style) {
    switch (style) {
        case PS_DASH:
            return kDash;
        case PS_DOT:
            return kDot;
        case PS_DASHDOT:
            return kDashDot;
        case PS_DASHDOTDOT:
            return kDashDotDot;
        case PS_ALTERNATE:
            return kAlternate;
        default:
            return {};
    }
}

// Whether the pixel at `phase` along the pattern is drawn (true) or a gap.
bool DrawnAt(std::span<const unsigned> pattern, unsigned phase) {
    unsigned length = 0;
    for (unsigned run : pattern) length += run;
    unsigned at = phase % length;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (at < pattern[i]) return i % 2 == 0;
        at -= pattern[i];
    }
    return true;
}

}  // namespace

void StyledLine(const Pixels& px, const Dc& dc, POINT from, POINT to, const PenLook& pen, unsigned& phase) {
    const std::span<const unsigned> pattern = PatternOf(pen.style);
    const int width = pen.width;
    LONG dx = std::abs(to.x - from.x), dy = -std::abs(to.y - from.y);
    LONG sx = from.x < to.x ? 1 : -1, sy = from.y < to.y ? 1 : -1, err = dx + dy;
    // The end point itself is not drawn, as GDI leaves it for the next segment.
    for (POINT p = from; p.x != to.x || p.y != to.y; ++phase) {
        bool drawn = pattern.empty() || DrawnAt(pattern, phase);
        if (drawn || dc.backMode == OPAQUE) {
            COLORREF color = drawn ? pen.color : dc.back;
            px.Fill(RECT{p.x - (width - 1) / 2, p.y - (width - 1) / 2, p.x + width / 2 + 1, p.y + width / 2 + 1},
                    color);
        }
        LONG e2 = 2 * err;
        if (e2 >= dy) err += dy, p.x += sx;
        if (e2 <= dx) err += dx, p.y += sy;
    }
}

}  // namespace plat::uidc

using namespace plat::uidc;

extern "C" {

HPEN ExtCreatePen(DWORD iPenStyle, DWORD cWidth, const LOGBRUSH* plbrush, DWORD cStyle, const DWORD* pstyle) {
    const int style = static_cast<int>(iPenStyle & PS_STYLE_MASK);
    const bool known = style <= PS_DASHDOTDOT || style == PS_NULL || style == PS_ALTERNATE;
    if (plbrush == nullptr || plbrush->lbStyle != BS_SOLID || cStyle != 0 || pstyle != nullptr || !known ||
        (style == PS_ALTERNATE && cWidth != 1)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreatePen(style, static_cast<int>(cWidth), plbrush->lbColor);
}

// The arc is walked in steps of about a pixel along its rim, each step a line.
BOOL AngleArc(HDC hdc, int x, int y, DWORD r, FLOAT StartAngle, FLOAT SweepAngle) {
    Dc dc;
    if (!ReadDc(hdc, dc) || r > 0x7FFFFFFu) return FALSE;
    const double radius = static_cast<double>(r);
    const double start = StartAngle * std::numbers::pi / 180.0, sweep = SweepAngle * std::numbers::pi / 180.0;
    auto pointAt = [&](double angle) {
        return POINT{x + static_cast<LONG>(std::lround(radius * std::cos(angle))),
                     y - static_cast<LONG>(std::lround(radius * std::sin(angle)))};
    };
    const POINT first = pointAt(start), last = pointAt(start + sweep);
    const int steps = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) * radius)));
    BOOL drawn = Drawing(hdc, [&](const Dc& d, const Pixels& px) {
        PenLook pen;
        if (!PenOf(d.pen, pen)) return true;
        unsigned phase = 0;
        StyledLine(px, d, d.position, first, pen, phase);
        POINT at = first;
        for (int i = 1; i <= steps; ++i) {
            POINT next = pointAt(start + sweep * i / steps);
            StyledLine(px, d, at, next, pen, phase);
            at = next;
        }
        px.Put(last.x, last.y, pen.color);
        return true;
    });
    return drawn && MoveToEx(hdc, last.x, last.y, nullptr);
}

BOOL DrawFocusRect(HDC hDC, const RECT* lprc) {
    if (lprc == nullptr) return FALSE;
    return Drawing(hDC, [&](const Dc&, const Pixels& px) {
        const RECT& r = *lprc;
        auto invert = [&](LONG px_, LONG py) {
            if (!px.Inside(px_, py)) return;
            BYTE* p = px.At(px_, py);
            for (int i = 0; i < 3; ++i) p[i] = static_cast<BYTE>(~p[i]);
        };
        // Every other pixel of the frame, counted from its top-left corner along each side.
        for (LONG xx = r.left; xx < r.right; xx += 2) {
            invert(xx, r.top);
            if (r.bottom - 1 > r.top) invert(xx, r.bottom - 1);
        }
        for (LONG yy = r.top + 2; yy < r.bottom - 1; yy += 2) {
            invert(r.left, yy);
            if (r.right - 1 > r.left) invert(r.right - 1, yy);
        }
        return true;
    });
}

}  // extern "C"
