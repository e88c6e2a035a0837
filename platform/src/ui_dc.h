// The inside of the UI's device contexts, shared by the files that draw through them (lines and
// pens, blits, icons, window DCs): the DC's state, the object table's pens and brushes, and the
// selected bitmap's pixels clipped to the DC's clip rectangle. Not seen by driver code.
#pragma once

#include <algorithm>
#include <functional>

#include "win/ddi.h"
#include "win/user_gdi.h"

namespace plat::uidc {

struct Dc {
    HBITMAP bitmap = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ pen = nullptr;
    HGDIOBJ font = nullptr;
    COLORREF text = RGB(0, 0, 0);
    COLORREF back = RGB(255, 255, 255);
    int backMode = OPAQUE;
    POINT position{0, 0};
    UINT textAlign = 0;  // TA_ flags
    int stretchMode = BLACKONWHITE;
    bool clipped = false;
    RECT clip{};  // drawing is kept inside it when `clipped`
};

// A pen as drawn: colour, width and style (PS_SOLID, PS_DASH... or PS_NULL).
struct PenLook {
    COLORREF color = 0;
    int width = 1;
    int style = PS_SOLID;
};

// The DC's state copied out under the table's lock; false for a handle that is not a DC.
bool ReadDc(HDC hdc, Dc& out);
// Changes the DC's state under the table's lock; false for a handle that is not a DC.
bool UpdateDc(HDC hdc, const std::function<void(Dc&)>& change);
// The pen's look, false for a null pen or a handle that is not a pen.
bool PenOf(HGDIOBJ pen, PenLook& out);
// A brush handle's colour (or a system colour index + 1), false for a null brush.
bool BrushColor(HBRUSH hbr, COLORREF& color);
// A new pen object with the look given.
HPEN AddPen(const PenLook& look);

// The selected bitmap's pixels, locked for one drawing call, kept inside `clip` when given.
struct Pixels {
    SURFOBJ* so = nullptr;
    bool clipped = false;
    RECT clip{};
    explicit Pixels(HBITMAP bitmap, const Dc* dc = nullptr);
    ~Pixels();
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;
    bool Usable() const { return so && so->iBitmapFormat == BMF_24BPP && so->pvScan0; }
    LONG Width() const { return so->sizlBitmap.cx; }
    LONG Height() const { return so->sizlBitmap.cy; }
    BYTE* At(LONG x, LONG y) const { return static_cast<BYTE*>(so->pvScan0) + y * so->lDelta + x * 3; }
    bool InBitmap(LONG x, LONG y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }
    bool Inside(LONG x, LONG y) const {
        return InBitmap(x, y) && (!clipped || (x >= clip.left && y >= clip.top && x < clip.right && y < clip.bottom));
    }
    COLORREF Read(LONG x, LONG y) const {
        const BYTE* p = At(x, y);
        return RGB(p[2], p[1], p[0]);
    }
    void Put(LONG x, LONG y, COLORREF c, unsigned coverage = 255) const {
        if (!Inside(x, y)) return;
        BYTE* p = At(x, y);
        const BYTE to[3] = {static_cast<BYTE>(c >> 16), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c)};
        for (int i = 0; i < 3; ++i) p[i] = static_cast<BYTE>((p[i] * (255 - coverage) + to[i] * coverage) / 255);
    }
    void Fill(RECT r, COLORREF c) const {
        for (LONG y = std::max<LONG>(r.top, 0); y < std::min(r.bottom, Height()); ++y) {
            for (LONG x = std::max<LONG>(r.left, 0); x < std::min(r.right, Width()); ++x) Put(x, y, c);
        }
    }
};

// Runs a drawing step on the DC's selected bitmap; FALSE without a DC or a usable bitmap.
template <typename Draw>
BOOL Drawing(HDC hdc, Draw draw) {
    Dc dc;
    if (!ReadDc(hdc, dc)) return FALSE;
    Pixels px(dc.bitmap, &dc);
    if (!px.Usable()) return FALSE;
    return draw(dc, px) ? TRUE : FALSE;
}

// A line from `from` up to (not including) `to` in the pen's look; a styled pen's gaps take the
// background colour when the DC's background mode is OPAQUE. `phase` carries the style's place
// from one segment to the next.
void StyledLine(const Pixels& px, const Dc& dc, POINT from, POINT to, const PenLook& pen, unsigned& phase);

}  // namespace plat::uidc
