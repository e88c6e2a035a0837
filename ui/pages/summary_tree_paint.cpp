// The settings tree's own painting: after the tree has drawn itself, each visible row's text is
// drawn again over it, the name in the row's text colour and the value in the colour that says
// whether it changed since the sheet last applied (red) or not (blue), greyed when the
// constraint pass disabled the row. Also the framed small icons of the tree's image list and the
// focus rectangle of owner-drawn entries.
#include <cstring>
#include <string>

#include "ui/entry/printer_data_store.h"
#include "ui/pages/page_creation.h"
#include "ui/pages/summary_tree.h"
#include "win/user.h"
#include "win/user_gdi.h"
#include "win/user_paint.h"

namespace orla {

namespace {

constexpr int kRowTextChars = 660;
constexpr int kListIconWidth = 16;
constexpr int kListIconHeight = 18;
constexpr int kPictureSize = 16;

// The offsets that centre a row's text in its rectangle, taken from the first row drawn and kept
// for the rest of the paint.
struct RowOffsets {
    bool known = false;
    int x = 0;
    int y = 0;
};

// The DC's drawing state as the paint found it.
struct SavedDcState {
    HGDIOBJ font;
    COLORREF text;
    COLORREF background;
    int mode;
    UINT align;
};

SavedDcState PrepareDc(HDC dc, HWND tree) {
    auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(tree, WM_GETFONT, 0, 0));
    SavedDcState saved{font ? SelectObject(dc, font) : nullptr, SetTextColor(dc, 0x000000), SetBkColor(dc, 0xFFFFFF),
                       SetBkMode(dc, TRANSPARENT), SetTextAlign(dc, TA_UPDATECP)};
    return saved;
}

void RestoreDc(HDC dc, const SavedDcState& saved) {
    if (saved.font) SelectObject(dc, saved.font);
    SetTextColor(dc, saved.text);
    SetBkColor(dc, saved.background);
    SetBkMode(dc, saved.mode);
    SetTextAlign(dc, saved.align);
}

bool Overlaps(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Draws one row's text over the tree's own: name, value, closing bracket.
void PaintRow(HDC dc, const RECT& place, const RowOffsets& at, const std::u16string& text, UINT state, LPARAM data,
              bool focused) {
    const bool bracket = (data & kTreeDataBracket) != 0;
    const TreeRowColours colours = ChooseTreeRowColours(
        (state & TVIS_SELECTED) != 0, focused, (data & kTreeDataDisabled) != 0, (data & kTreeDataChanged) != 0);
    const int c = static_cast<int>(text.size());
    const int n = static_cast<int>(TreeDataNameCount(data)) < c ? static_cast<int>(TreeDataNameCount(data)) : c;
    MoveToEx(dc, place.left + at.x, place.top + at.y, nullptr);
    SetTextColor(dc, colours.text);
    TextOutW(dc, 0, 0, text.c_str(), n);
    if (n >= c) return;
    const int valueEnd = bracket && c - 1 > n ? c - 1 : c;
    SetTextColor(dc, colours.value);
    if (colours.opaqueValue) {
        SetBkColor(dc, colours.background);
        SetBkMode(dc, OPAQUE);
    }
    TextOutW(dc, 0, 0, text.c_str() + n, valueEnd - n);
    SetBkMode(dc, TRANSPARENT);
    if (!bracket || valueEnd >= c) return;
    SetTextColor(dc, colours.text);
    TextOutW(dc, 0, 0, text.c_str() + valueEnd, c - valueEnd);
}

RECT ItemTextRect(HWND tree, HTREEITEM item) {
    // The item goes in where the rectangle comes out.
    RECT place{};
    std::memcpy(&place, &item, sizeof item);
    if (!SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&place))) return RECT{};
    return place;
}

}  // namespace

int PaintTreeRowTexts(HDC dc, HWND tree, PageContext* page, const RECT& update) {
    if (!dc || !tree || !page) return 0;
    const SavedDcState saved = PrepareDc(dc, tree);
    const bool focused = GetFocus() == tree;
    RowOffsets at;
    int drawn = 0;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
    for (; item; item = reinterpret_cast<HTREEITEM>(
                     SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)))) {
        const RECT place = ItemTextRect(tree, item);
        if (!Overlaps(place, update)) continue;
        WCHAR text[kRowTextChars] = {};
        TVITEMW read{};
        read.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE | TVIF_PARAM;
        read.hItem = item;
        read.stateMask = 0xFFFF;
        read.pszText = text;
        read.cchTextMax = kRowTextChars;
        if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&read))) continue;
        const std::u16string row(text);
        if (!at.known) {
            SIZE extent{};
            GetTextExtentPoint32W(dc, row.c_str(), static_cast<int>(row.size()), &extent);
            at = {true, (place.right - place.left - extent.cx) / 2 - (VisualStyleContext() ? 1 : 0),
                  (place.bottom - place.top - extent.cy) / 2};
        }
        PaintRow(dc, place, at, row, read.state, read.lParam, focused);
        ++drawn;
    }
    RestoreDc(dc, saved);
    return drawn;
}

LRESULT CALLBACK SettingsTreeWndProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* page = reinterpret_cast<PageContext*>(GetWindowLongPtrW(tree, GWLP_USERDATA));
    WNDPROC old = page ? page->treeOldProc : nullptr;
    if (!old) return DefWindowProcW(tree, message, wParam, lParam);
    if (message != WM_PAINT) return CallWindowProcW(old, tree, message, wParam, lParam);
    RECT update{};
    GetUpdateRect(tree, &update, FALSE);
    const LRESULT result = CallWindowProcW(old, tree, message, wParam, lParam);
    if (HDC dc = GetDC(tree)) {
        IntersectClipRect(dc, update.left, update.top, update.right, update.bottom);
        PaintTreeRowTexts(dc, tree, page, update);
        ReleaseDC(tree, dc);
    }
    return result;
}

void SubclassSettingsTree(PageContext* page, HWND tree) {
    if (!page || !tree) return;
    page->treeOldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SettingsTreeWndProc)));
}

namespace {

// One of the icon's bitmaps stretched to 16 x 16 into rows 1 to 16 of a new 16 x 18 bitmap
// first filled with fill (WHITENESS for the mask, BLACKNESS for the colours).
HBITMAP FramedBitmap(HDC screen, HBITMAP source, DWORD fill) {
    BITMAP bm{};
    if (!source || !GetObjectW(source, sizeof bm, &bm)) return nullptr;
    HBITMAP framed = CreateBitmap(kListIconWidth, kListIconHeight, bm.bmPlanes, bm.bmBitsPixel, nullptr);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    if (framed && from && to) {
        HGDIOBJ oldFrom = SelectObject(from, source), oldTo = SelectObject(to, framed);
        PatBlt(to, 0, 0, kListIconWidth, kListIconHeight, fill);
        const int oldMode = SetStretchBltMode(to, BLACKONWHITE);
        StretchBlt(to, 0, 1, kPictureSize, kPictureSize, from, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SetStretchBltMode(to, oldMode);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from) DeleteDC(from);
    if (to) DeleteDC(to);
    return framed;
}

}  // namespace

HICON MakeListIcon(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return nullptr;
    HDC screen = GetDC(nullptr);
    ICONINFO framed{};
    framed.fIcon = info.fIcon;
    framed.xHotspot = info.xHotspot + 1;
    framed.yHotspot = info.yHotspot + 1;
    framed.hbmMask = FramedBitmap(screen, info.hbmMask, WHITENESS);
    framed.hbmColor = FramedBitmap(screen, info.hbmColor, BLACKNESS);
    HICON made = framed.hbmMask && framed.hbmColor ? CreateIconIndirect(&framed) : nullptr;
    for (HBITMAP b : {framed.hbmMask, framed.hbmColor, info.hbmMask, info.hbmColor})
        if (b) DeleteObject(b);
    if (screen) ReleaseDC(nullptr, screen);
    return made;
}

BOOL DrawListItemFocus(const DRAWITEMSTRUCT& item) {
    return item.hDC ? DrawFocusRect(item.hDC, &item.rcItem) : FALSE;
}

}  // namespace orla
