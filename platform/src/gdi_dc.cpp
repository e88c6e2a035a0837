// Memory device contexts of the UI: bitmaps are engine surfaces (24 bits, top-down, blue first),
// brushes, pens and fonts are entries of one table, and a handle that is not in it is refused.
// Drawing clips to the selected bitmap; without one nothing is drawn and the call fails.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "font_faces.h"
#include "plat_internal.h"
#include "ui_dc.h"
#include "ui_fonts.h"
#include "win/ddi.h"
#include "win/gdi_fonts.h"
#include "win/user_gdi.h"

namespace plat {
namespace {

using uidc::Dc;
using uidc::Drawing;
using uidc::Pixels;

enum class Kind { Brush, Pen, Font, Dc, Bitmap };

struct Object {
    Kind kind;
    COLORREF color = 0;
    int style = PS_SOLID;
    int width = 1;
    Dc dc;
    bool logical = false;  // a font made by CreateFont*: drawn in its own look
    LOGFONTW logFont{};
};

struct Objects {
    std::mutex lock;
    std::map<ULONG_PTR, Object> byHandle;
    ULONG_PTR next = 0x7A0000;
};

Objects& objects() {
    static Objects* o = [] {
        auto* made = new Objects;
        // Stock objects: numbered by their index, never deleted.
        const COLORREF greys[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64),
                                  RGB(0, 0, 0)};
        for (int i = WHITE_BRUSH; i <= BLACK_BRUSH; ++i) made->byHandle[0x7900 + i] = Object{Kind::Brush, greys[i]};
        made->byHandle[0x7900 + NULL_BRUSH] = Object{Kind::Brush, 0, PS_NULL};
        made->byHandle[0x7900 + WHITE_PEN] = Object{Kind::Pen, RGB(255, 255, 255)};
        made->byHandle[0x7900 + BLACK_PEN] = Object{Kind::Pen, RGB(0, 0, 0)};
        made->byHandle[0x7900 + NULL_PEN] = Object{Kind::Pen, 0, PS_NULL};
        made->byHandle[0x7900 + DEFAULT_GUI_FONT] = Object{Kind::Font};
        return made;
    }();
    return *o;
}

bool IsStock(ULONG_PTR h) {
    return h >= 0x7900 && h <= 0x7900 + DEFAULT_GUI_FONT;
}

HGDIOBJ Add(Object object) {
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    o.next += 4;
    o.byHandle[o.next] = object;
    return reinterpret_cast<HGDIOBJ>(o.next);
}

Object* FindLocked(Objects& o, HGDIOBJ h) {
    auto it = o.byHandle.find(reinterpret_cast<ULONG_PTR>(h));
    return it == o.byHandle.end() ? nullptr : &it->second;
}

using uidc::ReadDc;

// A brush's or pen's colour and whether it draws at all.
bool Paint(HGDIOBJ h, Kind kind, COLORREF& color, int* width = nullptr) {
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    Object* object = FindLocked(o, h);
    if (!object || object->kind != kind || object->style == PS_NULL) return false;
    color = object->color;
    if (width) *width = std::max(object->width, 1);
    return true;
}

constexpr COLORREF kSysColors[] = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(0, 120, 215),   RGB(255, 255, 255),
    RGB(240, 240, 240), RGB(128, 128, 128), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(212, 208, 200),
};

using uidc::BrushColor;

std::u16string Counted(LPCWSTR text, int count) {
    if (text == nullptr) return {};
    return count < 0 ? std::u16string(text) : std::u16string(text, static_cast<size_t>(count));
}

struct TextTarget {
    const Pixels* px;
    COLORREF color;
};

void PlotText(void* context, LONG x, LONG y, unsigned coverage) {
    auto* t = static_cast<TextTarget*>(context);
    t->px->Put(x, y, t->color, coverage);
}

// One line with its cell's top-left at (x, y); the letter at `underlined` (npos: none) underlined.
void DrawLine(const Pixels& px, const Dc& dc, LONG x, LONG y, std::u16string_view text,
              size_t underlined = std::u16string::npos) {
    LONG width = SetUiText(0, 0, text, nullptr, nullptr);
    if (dc.backMode == OPAQUE) px.Fill(RECT{x, y, x + width, y + kUiLineHeight}, dc.back);
    TextTarget target{&px, dc.text};
    SetUiTextUnderlined(x, y + kUiTextAscent, text, underlined, PlotText, &target);
}

// The look of a font made by CreateFont*; false for the stock font (drawn as the UI's text).
bool LookOf(HGDIOBJ font, FontLook& look) {
    LOGFONTW logFont;
    {
        Objects& o = objects();
        std::lock_guard<std::mutex> g(o.lock);
        Object* object = FindLocked(o, font);
        if (!object || object->kind != Kind::Font || !object->logical) return false;
        logFont = object->logFont;
    }
    look = ResolveFontLook(logFont);
    return true;
}

// A line's size in the DC's font: advance and cell height.
SIZE LineSize(const Dc& dc, std::u16string_view text) {
    FontLook look;
    LONG ascent = 0, descent = 0;
    if (!LookOf(dc.font, look) || !LookMetrics(look, ascent, descent))
        return SIZE{SetUiText(0, 0, text, nullptr, nullptr), kUiLineHeight};
    return SIZE{SetLookText(look, 0, 0, text, nullptr, nullptr), ascent + descent};
}

// One line in the DC's font with its cell placed by (dx, dy) from the reference point, both
// turned with the font's escapement about that point (GDI turns text about its reference point).
void DrawFontLine(const Pixels& px, const Dc& dc, POINT reference, LONG dx, LONG dy, std::u16string_view text,
                  size_t underlined = std::u16string::npos) {
    FontLook look;
    LONG ascent = 0, descent = 0;
    if (!LookOf(dc.font, look) || !LookMetrics(look, ascent, descent)) {
        DrawLine(px, dc, reference.x + dx, reference.y + dy, text, underlined);
        return;
    }
    const LONG width = SetLookText(look, 0, 0, text, nullptr, nullptr);
    if (dc.backMode == OPAQUE && look.escapement == 0)  // a turned cell's background is not painted
        px.Fill(RECT{reference.x + dx, reference.y + dy, reference.x + dx + width, reference.y + dy + ascent + descent},
                dc.back);
    constexpr double kPi = 3.14159265358979323846;
    const double angle = look.escapement * kPi / 1800.0, c = std::cos(angle), s = std::sin(angle);
    const double bx = dx, by = dy + ascent;  // the baseline's start, unturned
    const auto x = static_cast<LONG>(std::lround(reference.x + bx * c + by * s));
    const auto y = static_cast<LONG>(std::lround(reference.y - bx * s + by * c));
    TextTarget target{&px, dc.text};
    SetLookText(look, x, y, text, PlotText, &target);
}

COLORREF Swap(HDC hdc, COLORREF Dc::*field, COLORREF value) {
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    Object* dc = FindLocked(o, hdc);
    if (!dc || dc->kind != Kind::Dc) return CLR_INVALID;
    COLORREF old = dc->dc.*field;
    dc->dc.*field = value;
    return old;
}

bool SelectedSomewhereLocked(Objects& o, HGDIOBJ h) {
    for (auto& [handle, object] : o.byHandle) {
        if (object.kind != Kind::Dc) continue;
        const Dc& dc = object.dc;
        if (dc.bitmap == h || dc.brush == h || dc.pen == h || dc.font == h) return true;
    }
    return false;
}

bool IsSurface(HGDIOBJ h) {
    SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(h));
    if (!so) return false;
    EngUnlockSurface(so);
    return true;
}

}  // namespace

namespace uidc {

bool ReadDc(HDC hdc, Dc& out) {
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    Object* dc = FindLocked(o, hdc);
    if (!dc || dc->kind != Kind::Dc) return false;
    out = dc->dc;
    return true;
}

bool UpdateDc(HDC hdc, const std::function<void(Dc&)>& change) {
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    Object* dc = FindLocked(o, hdc);
    if (!dc || dc->kind != Kind::Dc) return false;
    change(dc->dc);
    return true;
}

bool PenOf(HGDIOBJ pen, PenLook& out) {
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    Object* object = FindLocked(o, pen);
    if (!object || object->kind != Kind::Pen || object->style == PS_NULL) return false;
    out = PenLook{object->color, std::max(object->width, 1), object->style};
    return true;
}

bool BrushColor(HBRUSH hbr, COLORREF& color) {
    auto value = reinterpret_cast<ULONG_PTR>(hbr);
    if (value >= 1 && value <= std::size(kSysColors)) {
        color = kSysColors[value - 1];
        return true;
    }
    return Paint(hbr, Kind::Brush, color);
}

HPEN AddPen(const PenLook& look) {
    return static_cast<HPEN>(Add(Object{Kind::Pen, look.color, look.style, look.width}));
}

Pixels::Pixels(HBITMAP bitmap, const Dc* dc)
    : so(bitmap ? EngLockSurface(reinterpret_cast<HSURF>(bitmap)) : nullptr),
      clipped(dc && dc->clipped),
      clip(dc ? dc->clip : RECT{}) {}

Pixels::~Pixels() {
    if (so) EngUnlockSurface(so);
}

}  // namespace uidc
}  // namespace plat

using namespace plat;

extern "C" {

HDC CreateCompatibleDC(HDC) {
    Object dc{Kind::Dc};
    dc.dc.brush = GetStockObject(WHITE_BRUSH);
    dc.dc.pen = GetStockObject(BLACK_PEN);
    dc.dc.font = GetStockObject(DEFAULT_GUI_FONT);
    return reinterpret_cast<HDC>(Add(dc));
}

BOOL DeleteDC(HDC hdc) {
    if (DeletePrinterDc(hdc)) return TRUE;
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    Object* dc = FindLocked(o, hdc);
    if (!dc || dc->kind != Kind::Dc) return FALSE;
    o.byHandle.erase(reinterpret_cast<ULONG_PTR>(hdc));
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC, int cx, int cy) {
    constexpr int kLargest = 16384;
    if (cx <= 0 || cy <= 0 || cx > kLargest || cy > kLargest) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LONG stride = ((cx * 3) + 3) & ~3;
    return EngCreateBitmap(SIZEL{cx, cy}, stride, BMF_24BPP, BMF_TOPDOWN, nullptr);
}

// The UI's only bitmap format: one plane of 24 bits. Given rows are top-down, blue first, each
// padded to a WORD as GDI takes them; a missing picture leaves the bitmap black.
HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits) {
    constexpr UINT kBitsPerPixel = 24;
    if (nPlanes != 1 || nBitCount != kBitsPerPixel) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, nWidth, nHeight);
    if (bitmap == nullptr || lpBits == nullptr) return bitmap;
    const size_t rowBytes = static_cast<size_t>(nWidth) * 3;
    const size_t givenStride = (rowBytes + 1) & ~size_t{1};
    Pixels px(bitmap);
    for (LONG y = 0; px.Usable() && y < nHeight; ++y)
        std::memcpy(px.At(0, y), static_cast<const BYTE*>(lpBits) + static_cast<size_t>(y) * givenStride, rowBytes);
    return bitmap;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    bool surface = IsSurface(h);
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    Object* dc = FindLocked(o, hdc);
    if (!dc || dc->kind != Kind::Dc) return nullptr;
    if (surface) return std::exchange(dc->dc.bitmap, reinterpret_cast<HBITMAP>(h));
    Object* object = FindLocked(o, h);
    if (!object) return nullptr;
    switch (object->kind) {
        case Kind::Brush:
            return std::exchange(dc->dc.brush, h);
        case Kind::Pen:
            return std::exchange(dc->dc.pen, h);
        case Kind::Font:
            return std::exchange(dc->dc.font, h);
        default:
            return nullptr;
    }
}

BOOL DeleteObject(HGDIOBJ ho) {
    bool surface = IsSurface(ho);
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    if (SelectedSomewhereLocked(o, ho)) return FALSE;
    if (surface) return EngDeleteSurface(reinterpret_cast<HSURF>(ho));
    Object* object = FindLocked(o, ho);
    if (!object || object->kind == Kind::Dc) return FALSE;
    if (!IsStock(reinterpret_cast<ULONG_PTR>(ho))) o.byHandle.erase(reinterpret_cast<ULONG_PTR>(ho));
    return TRUE;
}

HGDIOBJ GetStockObject(int i) {
    objects();
    bool known = (i >= WHITE_BRUSH && i <= NULL_PEN) || i == DEFAULT_GUI_FONT;
    return known ? reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(0x7900 + i)) : nullptr;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return static_cast<HBRUSH>(Add(Object{Kind::Brush, color & 0xFFFFFF}));
}

// Dashes and dots are drawn by pens one pixel wide; a wider pen draws them solid, as GDI does.
HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
    int style = iStyle & PS_STYLE_MASK;
    if (style > PS_DASHDOTDOT && style != PS_NULL && style != PS_ALTERNATE) style = PS_SOLID;
    if (cWidth > 1 && style != PS_NULL) style = PS_SOLID;
    return uidc::AddPen(uidc::PenLook{color & 0xFFFFFF, std::clamp(cWidth, 1, 64), style});
}

// The font keeps its fields: text drawn with it takes its face, size, weight, italic and
// escapement (font_faces.h).
HFONT CreateFontIndirectW(const LOGFONTW* lplf) {
    if (lplf == nullptr) return nullptr;
    Object font{Kind::Font};
    font.logical = true;
    font.logFont = *lplf;
    return static_cast<HFONT>(Add(font));
}

HFONT CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                  DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                  DWORD iQuality, DWORD iPitchAndFamily, LPCWSTR pszFaceName) {
    LOGFONTW lf{};
    lf.lfHeight = cHeight;
    lf.lfWidth = cWidth;
    lf.lfEscapement = cEscapement;
    lf.lfOrientation = cOrientation;
    lf.lfWeight = cWeight;
    lf.lfItalic = static_cast<BYTE>(bItalic != 0);
    lf.lfUnderline = static_cast<BYTE>(bUnderline != 0);
    lf.lfStrikeOut = static_cast<BYTE>(bStrikeOut != 0);
    lf.lfCharSet = static_cast<BYTE>(iCharSet);
    lf.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    lf.lfQuality = static_cast<BYTE>(iQuality);
    lf.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    const std::u16string_view face = View(pszFaceName);
    face.substr(0, LF_FACESIZE - 1).copy(lf.lfFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectW(&lf);
}

DWORD GetSysColor(int nIndex) {
    return nIndex >= 0 && static_cast<size_t>(nIndex) < std::size(kSysColors) ? kSysColors[nIndex] : 0;
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    COLORREF color;
    if (lprc == nullptr || !BrushColor(hbr, color)) return 0;
    return Drawing(hDC, [&](const Dc&, const Pixels& px) {
        px.Fill(*lprc, color);
        return true;
    });
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    return Drawing(hdc, [&](const Dc& dc, const Pixels& px) {
        COLORREF color;
        int width = 1;
        if (Paint(dc.brush, Kind::Brush, color)) px.Fill(RECT{left + 1, top + 1, right - 1, bottom - 1}, color);
        uidc::PenLook pen;
        if (uidc::PenOf(dc.pen, pen) && pen.style != PS_SOLID && pen.width == 1) {
            // A styled outline runs round the corners clockwise from the top-left, its pattern unbroken.
            const POINT corners[] = {{left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}};
            unsigned phase = 0;
            for (size_t i = 0; i < std::size(corners); ++i)
                uidc::StyledLine(px, dc, corners[i], corners[(i + 1) % std::size(corners)], pen, phase);
            return true;
        }
        if (Paint(dc.pen, Kind::Pen, color, &width)) {
            px.Fill(RECT{left, top, right, top + width}, color);
            px.Fill(RECT{left, bottom - width, right, bottom}, color);
            px.Fill(RECT{left, top, left + width, bottom}, color);
            px.Fill(RECT{right - width, top, right, bottom}, color);
        }
        return true;
    });
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    Object* dc = FindLocked(o, hdc);
    if (!dc || dc->kind != Kind::Dc) return FALSE;
    if (lppt) *lppt = dc->dc.position;
    dc->dc.position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    BOOL drawn = Drawing(hdc, [&](const Dc& dc, const Pixels& px) {
        uidc::PenLook pen;
        unsigned phase = 0;
        if (uidc::PenOf(dc.pen, pen)) uidc::StyledLine(px, dc, dc.position, POINT{x, y}, pen, phase);
        return true;
    });
    return drawn && MoveToEx(hdc, x, y, nullptr);
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    Dc dst;
    if (!ReadDc(hdc, dst) || cx < 0 || cy < 0) return FALSE;
    Pixels to(dst.bitmap, &dst);
    if (!to.Usable()) return FALSE;
    if (rop == PATCOPY) {
        COLORREF color;
        if (Paint(dst.brush, Kind::Brush, color)) to.Fill(RECT{x, y, x + cx, y + cy}, color);
        return TRUE;
    }
    Dc src;
    if ((rop != SRCCOPY && rop != SRCAND && rop != SRCPAINT) || !ReadDc(hdcSrc, src)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (src.bitmap == dst.bitmap) return FALSE;  // overlapping copies are not needed by any caller
    Pixels from(src.bitmap);
    if (!from.Usable()) return FALSE;
    for (int row = 0; row < cy; ++row) {
        for (int col = 0; col < cx; ++col) {
            if (!from.InBitmap(x1 + col, y1 + row) || !to.Inside(x + col, y + row)) continue;
            BYTE* d = to.At(x + col, y + row);
            const BYTE* f = from.At(x1 + col, y1 + row);
            for (int k = 0; k < 3; ++k) d[k] = rop == SRCAND ? (d[k] & f[k]) : rop == SRCPAINT ? (d[k] | f[k]) : f[k];
        }
    }
    return TRUE;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    return Swap(hdc, &Dc::text, color);
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    return Swap(hdc, &Dc::back, color);
}

int SetBkMode(HDC hdc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    Object* dc = FindLocked(o, hdc);
    if (!dc || dc->kind != Kind::Dc) return 0;
    return std::exchange(dc->dc.backMode, mode);
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    Dc dc;
    if (!ReadDc(hdc, dc)) return CLR_INVALID;
    Pixels px(dc.bitmap, &dc);
    if (!px.Usable() || !px.Inside(x, y)) return CLR_INVALID;
    return px.Read(x, y);
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    Dc dc;
    if (!ReadDc(hdc, dc)) return CLR_INVALID;
    Pixels px(dc.bitmap, &dc);
    if (!px.Usable() || !px.Inside(x, y)) return CLR_INVALID;
    px.Put(x, y, color);
    return color;
}

// With TA_UPDATECP the text starts at the current position, which moves past it; TA_RIGHT and
// TA_CENTER place the text's end or middle at the point, TA_BOTTOM its cell's bottom and
// TA_BASELINE its baseline. A turned font turns the text about the point.
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c) {
    if (lpString == nullptr && c != 0) return FALSE;
    std::u16string text = Counted(lpString, std::max(c, 0));
    LONG width = 0;
    BOOL drawn = Drawing(hdc, [&](const Dc& dc, const Pixels& px) {
        const POINT at = (dc.textAlign & TA_UPDATECP) ? dc.position : POINT{x, y};
        const SIZE size = LineSize(dc, text);
        width = size.cx;
        UINT horizontal = dc.textAlign & (TA_CENTER | TA_RIGHT);
        LONG dx = horizontal == TA_CENTER ? -width / 2 : horizontal == TA_RIGHT ? -width : 0;
        UINT vertical = dc.textAlign & TA_BASELINE;
        FontLook look;
        LONG ascent = kUiTextAscent, descent = 0;
        if (LookOf(dc.font, look)) LookMetrics(look, ascent, descent);
        LONG dy = vertical == TA_BASELINE ? -ascent : vertical == TA_BOTTOM ? -size.cy : 0;
        DrawFontLine(px, dc, at, dx, dy, text);
        return true;
    });
    if (!drawn) return FALSE;
    uidc::UpdateDc(hdc, [&](Dc& dc) {
        if (!(dc.textAlign & TA_UPDATECP)) return;
        UINT horizontal = dc.textAlign & (TA_CENTER | TA_RIGHT);
        if (horizontal == TA_LEFT) dc.position.x += width;
        if (horizontal == TA_RIGHT) dc.position.x -= width;
    });
    return TRUE;
}

UINT SetTextAlign(HDC hdc, UINT align) {
    UINT old = GDI_ERROR;
    uidc::UpdateDc(hdc, [&](Dc& dc) { old = std::exchange(dc.textAlign, align); });
    return old;
}

UINT GetTextAlign(HDC hdc) {
    Dc dc;
    return ReadDc(hdc, dc) ? dc.textAlign : GDI_ERROR;
}

// The clip rectangle narrowed to the rectangle given; a DC starts unclipped (its whole bitmap).
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    int result = RGN_ERROR;
    uidc::UpdateDc(hdc, [&](Dc& dc) {
        RECT r{left, top, right, bottom};
        if (dc.clipped) {
            r = RECT{std::max(r.left, dc.clip.left), std::max(r.top, dc.clip.top), std::min(r.right, dc.clip.right),
                     std::min(r.bottom, dc.clip.bottom)};
        }
        if (r.right <= r.left || r.bottom <= r.top) r = RECT{};
        dc.clipped = true;
        dc.clip = r;
        result = r.right > r.left ? SIMPLEREGION : NULLREGION;
    });
    return result;
}

int SelectClipRgn(HDC hdc, HRGN hrgn) {
    if (hrgn != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return RGN_ERROR;
    }
    return uidc::UpdateDc(hdc, [](Dc& dc) { dc.clipped = false; }) ? SIMPLEREGION : RGN_ERROR;
}

int GetClipBox(HDC hdc, LPRECT lprect) {
    Dc dc;
    if (lprect == nullptr || !ReadDc(hdc, dc)) return RGN_ERROR;
    Pixels px(dc.bitmap, &dc);
    RECT all = px.Usable() ? RECT{0, 0, px.Width(), px.Height()} : RECT{};
    *lprect = dc.clipped ? RECT{std::max(all.left, dc.clip.left), std::max(all.top, dc.clip.top),
                                std::min(all.right, dc.clip.right), std::min(all.bottom, dc.clip.bottom)}
                         : all;
    if (lprect->right <= lprect->left || lprect->bottom <= lprect->top) {
        *lprect = RECT{};
        return NULLREGION;
    }
    return SIMPLEREGION;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl) {
    Dc dc;
    if (psizl == nullptr || !ReadDc(hdc, dc) || (lpString == nullptr && c != 0) || c < 0) return FALSE;
    *psizl = LineSize(dc, Counted(lpString, c));
    return TRUE;
}

// Lines split at line breaks (one line with DT_SINGLELINE), placed by the alignment flags;
// DT_CALCRECT only measures. Returns the height of the text.
int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    Dc dc;
    if (lprc == nullptr || lpchText == nullptr || !ReadDc(hdc, dc)) return 0;
    std::u16string text = Counted(lpchText, cchText);
    std::vector<std::u16string> raw;
    if (format & DT_SINGLELINE) {
        std::replace(text.begin(), text.end(), u'\n', u' ');
        raw.push_back(text);
    } else {
        for (size_t start = 0;;) {
            size_t end = text.find(u'\n', start);
            raw.push_back(text.substr(start, end == std::u16string::npos ? end : end - start));
            if (end == std::u16string::npos) break;
            start = end + 1;
        }
    }
    // "&x" shows x underlined and "&&" one "&", unless the caller turns prefixes off.
    std::vector<MnemonicText> lines;
    for (const auto& line : raw) lines.push_back((format & DT_NOPREFIX) ? MnemonicText{line} : ParseMnemonic(line));
    const LONG lineHeight = LineSize(dc, u"").cy;
    auto height = static_cast<LONG>(lines.size()) * lineHeight;
    if (format & DT_CALCRECT) {
        LONG widest = 0;
        for (const auto& line : lines) widest = std::max(widest, LineSize(dc, line.shown).cx);
        lprc->right = lprc->left + widest;
        lprc->bottom = lprc->top + height;
        return static_cast<int>(height);
    }
    Pixels px(dc.bitmap, &dc);
    if (!px.Usable()) return 0;
    LONG top = lprc->top;
    if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) top = (lprc->top + lprc->bottom - height) / 2;
    if ((format & DT_SINGLELINE) && (format & DT_BOTTOM)) top = lprc->bottom - height;
    for (const auto& line : lines) {
        LONG width = LineSize(dc, line.shown).cx;
        LONG x = format & DT_CENTER  ? (lprc->left + lprc->right - width) / 2
                 : format & DT_RIGHT ? lprc->right - width
                                     : lprc->left;
        DrawFontLine(px, dc, POINT{x, top}, 0, 0, line.shown, line.underlined);
        top += lineHeight;
    }
    return static_cast<int>(height);
}

DWORD PlatLiveUiGdiObjectCount(void) {
    Objects& o = objects();
    std::lock_guard<std::mutex> g(o.lock);
    DWORD count = 0;
    for (const auto& [handle, object] : o.byHandle) count += IsStock(handle) ? 0 : 1;
    return count;
}

}  // extern "C"

// The size of a bitmap, as the pictures that place bitmaps by their own size ask it.
extern "C" int GetObjectW(HANDLE h, int c, LPVOID pv) {
    if (!h || !IsSurface(h) || !pv || c < static_cast<int>(sizeof(BITMAP))) return 0;
    Pixels p(reinterpret_cast<HBITMAP>(h));
    if (!p.Usable()) return 0;
    BITMAP bm{};
    bm.bmWidth = p.Width();
    bm.bmHeight = p.Height();
    bm.bmWidthBytes = p.so->lDelta;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = 24;
    std::memcpy(pv, &bm, sizeof bm);
    return static_cast<int>(sizeof bm);
}
