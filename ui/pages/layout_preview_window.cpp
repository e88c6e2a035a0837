// The layout-detail dialog's live preview (control 2401, subclassed): it paints the sheets, their
// printable areas and the images, and turns the mouse into the drag rules of layout_drag.cpp.
// Everything it decides comes from those pure rules; here are only the window's own calls:
// capture, cursor, pointer position and painting. After a drag changed the record it tells the
// dialog (kMsgLayoutChanged), which shows the values again.
#include "ui/pages/layout_preview_window.h"

#include "ui/pages/layout_drag.h"
#include "ui/pages/layout_geometry.h"
#include "win/user_gdi.h"
#include "win/user_input.h"
#include "win/user_paint.h"

namespace orla {

namespace {

constexpr COLORREF kWhite = 0xFFFFFF, kBlack = 0x000000;
constexpr COLORREF kFrontPen = 0x808000, kFrontFill = 0xFFFFC0;
constexpr COLORREF kBackPen = 0x008080, kBackFill = 0xC0FFFF;
constexpr int kHoleCount = 4;
constexpr int kHoleRadius = 2;
constexpr int kHoleInset = 5;  // pixels from the binding edge

PageContext* PageOfPreview(HWND preview) {
    return PageContextOf(GetParent(preview));
}

POINT PointOf(LPARAM lParam) {
    return {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
}

// ---- Painting ---------------------------------------------------------------------------------

// The holes lie along the edge the sheet is bound at: the long edge when the back is mirrored
// across it, else the top (the front's; the back's on the opposite side).
void DrawBindingHoles(HDC dc, const LayoutState& s, const DriverDevmode& r, const CompiledDeviceData* data) {
    const bool sideBinding = MirrorKeepsTop(s, r, DeviceDataVersion(data));
    for (int side = 0; side < 2; ++side) {
        const RECT& sheet = s.side[side].sheet;
        for (int i = 1; i <= kHoleCount; ++i) {
            int x = 0, y = 0;
            if (sideBinding) {
                x = side == kLayoutFront ? sheet.left + kHoleInset : sheet.right - kHoleInset;
                y = sheet.top + (sheet.bottom - sheet.top) * i / (kHoleCount + 1);
            } else {
                x = sheet.left + (sheet.right - sheet.left) * i / (kHoleCount + 1);
                y = side == kLayoutFront ? sheet.top + kHoleInset : sheet.bottom - kHoleInset;
            }
            MoveToEx(dc, x + kHoleRadius, y, nullptr);
            AngleArc(dc, x, y, kHoleRadius, 0.0f, 360.0f);
        }
    }
}

// The sheets and printable areas, drawn once into a DC kept until the preview goes.
void DrawBackground(HDC dc, const RECT& client, const LayoutState& s, const DriverDevmode& r,
                    const CompiledDeviceData* data) {
    HBRUSH white = CreateSolidBrush(kWhite);
    FillRect(dc, &client, white);
    DeleteObject(white);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, s.cachePens[0]);
    const int sides = (s.layoutFlags & kLayoutBackSide) ? 2 : 1;
    for (int side = 0; side < sides; ++side) {
        const RECT& sheet = s.side[side].sheet;
        Rectangle(dc, sheet.left, sheet.top, sheet.right, sheet.bottom);
    }
    if (sides == 2) DrawBindingHoles(dc, s, r, data);
    SelectObject(dc, s.cachePens[1]);
    for (int side = 0; side < sides; ++side) {
        const RECT& p = s.side[side].printable;
        Rectangle(dc, p.left, p.top, p.right, p.bottom);
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

void EnsureBackground(HDC screen, const RECT& client, PageContext* page) {
    LayoutState& s = page->layout;
    if (s.cacheDc) return;
    s.cacheDc = CreateCompatibleDC(screen);
    s.cacheBitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    s.cacheOldBitmap = SelectObject(s.cacheDc, s.cacheBitmap);
    s.cachePens[0] = CreatePen(PS_SOLID, 1, kBlack);
    s.cachePens[1] = CreatePen(PS_DOT, 1, kBlack);
    DrawBackground(s.cacheDc, client, s, page->uiContext->scratchDevmode, page->uiContext->deviceData);
}

void FreeBackground(LayoutState& s) {
    if (s.cacheDc) {
        SelectObject(s.cacheDc, s.cacheOldBitmap);
        DeleteDC(s.cacheDc);
    }
    if (s.cacheBitmap) DeleteObject(s.cacheBitmap);
    for (HPEN& pen : s.cachePens) {
        if (pen) DeleteObject(pen);
        pen = nullptr;
    }
    s.cacheDc = nullptr;
    s.cacheBitmap = nullptr;
    s.cacheOldBitmap = nullptr;
}

// Dotted lines in the image's pen colour between the cells of a sheet of several pages.
void DrawNupDivisions(HDC dc, const RECT& image, WORD pagesPerSheet, COLORREF colour) {
    const LONG w = image.right - image.left, h = image.bottom - image.top;
    const LayoutGrid grid = NupGrid(pagesPerSheet, w > h);
    HPEN pen = CreatePen(PS_DOT, 1, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    for (int c = 1; c < grid.columns; ++c) {
        const LONG x = image.left + w * c / grid.columns;
        MoveToEx(dc, x, image.top, nullptr);
        LineTo(dc, x, image.bottom);
    }
    for (int row = 1; row < grid.rows; ++row) {
        const LONG y = image.top + h * row / grid.rows;
        MoveToEx(dc, image.left, y, nullptr);
        LineTo(dc, image.right, y);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

void DrawImage(HDC dc, const LayoutState& s, int side, COLORREF penColour, COLORREF fillColour, WORD pagesPerSheet) {
    const RECT& image = s.side[side].image;
    HPEN pen = CreatePen(PS_SOLID, 1, penColour);
    HBRUSH fill = CreateSolidBrush(fillColour);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, fill);
    Rectangle(dc, image.left, image.top, image.right, image.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(fill);
    DeleteObject(pen);
    if (s.layoutFlags & kLayoutNup) DrawNupDivisions(dc, image, pagesPerSheet, penColour);
}

// The images over a white layer, combined with the background and copied in one BitBlt.
void Paint(HWND preview, PageContext* page) {
    RECT client{};
    GetClientRect(preview, &client);
    HDC screen = GetDC(preview);
    if (!screen) return;
    EnsureBackground(screen, client, page);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HBRUSH white = CreateSolidBrush(kWhite);
    FillRect(memory, &client, white);
    DeleteObject(white);
    const LayoutState& s = page->layout;
    const WORD pages = Get(page->uiContext->scratchDevmode, dm::LayoutMode);
    DrawImage(memory, s, kLayoutFront, kFrontPen, kFrontFill, pages);
    if (s.layoutFlags & kLayoutBackSide) DrawImage(memory, s, kLayoutBack, kBackPen, kBackFill, pages);
    BitBlt(memory, 0, 0, client.right, client.bottom, s.cacheDc, 0, 0, SRCAND);
    BitBlt(screen, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(preview, screen);
}

// ---- Mouse ------------------------------------------------------------------------------------

void MovePointer(HWND preview, POINT client) {
    ClientToScreen(preview, &client);
    SetCursorPos(client.x, client.y);
}

void ShowCursorFor(DWORD hit) {
    LPCWSTR shape = IDC_ARROW;
    switch (CursorForHit(hit)) {
        case LayoutCursor::kSizeAll:
            shape = IDC_SIZEALL;
            break;
        case LayoutCursor::kSizeNwse:
            shape = IDC_SIZENWSE;
            break;
        case LayoutCursor::kSizeNesw:
            shape = IDC_SIZENESW;
            break;
        case LayoutCursor::kArrow:
            break;
    }
    SetCursor(LoadCursorW(nullptr, shape));
}

void Answer(HWND preview, const LayoutMouseAnswer& answer) {
    if (answer.movePointer) MovePointer(preview, answer.pointer);
    if (!answer.changed) return;
    SendMessageW(GetParent(preview), kMsgLayoutChanged, 0, 0);
    InvalidateRect(preview, nullptr, FALSE);
}

void OnMouseMove(HWND preview, PageContext* page, POINT at) {
    LayoutState& s = page->layout;
    if (s.layoutFlags & kLayoutDragging) {
        Answer(preview, DragLayout(&s, page->uiContext->scratchDevmode, at));
        return;
    }
    const DWORD hit = HitTestLayout(s, at);
    s.layoutFlags = (s.layoutFlags & ~kLayoutHitMask) | hit;
    ShowCursorFor(hit);
}

void OnButtonDown(HWND preview, PageContext* page, POINT at) {
    LayoutMouseAnswer answer{};
    if (!BeginLayoutDrag(&page->layout, at, &answer)) return;
    SetCapture(preview);
    Answer(preview, answer);
}

void OnButtonUp(HWND preview, PageContext* page) {
    if (!(page->layout.layoutFlags & kLayoutDragging)) return;
    Answer(preview, EndLayoutDrag(&page->layout));
    ReleaseCapture();
    InvalidateRect(preview, nullptr, FALSE);
}

// Another window took the mouse (a message box, the system): the drag ends where it was, so a
// later move without the button does not go on dragging.
void OnCaptureLost(HWND preview, PageContext* page, HWND newCapture) {
    if (newCapture == preview || !(page->layout.layoutFlags & kLayoutDragging)) return;
    EndLayoutDrag(&page->layout);
    InvalidateRect(preview, nullptr, FALSE);
}

}  // namespace

BOOL SubclassLayoutPreview(PageContext* page, HWND dialog) {
    HWND preview = GetDlgItem(dialog, orla_res::layout_detail::kPreview);
    if (!page || !preview) return FALSE;
    page->layout.preview = preview;
    page->layout.previewOldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(preview, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LayoutPreviewWndProc)));
    return page->layout.previewOldProc != nullptr;
}

LRESULT CALLBACK LayoutPreviewWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    PageContext* page = PageOfPreview(hWnd);
    if (!page || !page->uiContext || !page->layout.previewOldProc) return DefWindowProcW(hWnd, message, wParam, lParam);
    const WNDPROC previous = page->layout.previewOldProc;
    switch (message) {
        case WM_PAINT: {
            const LRESULT painted = CallWindowProcW(previous, hWnd, message, wParam, lParam);
            Paint(hWnd, page);
            return painted;
        }
        case WM_SETCURSOR:
            return TRUE;  // the cursor the mouse move chose stays
        case WM_MOUSEMOVE:
            OnMouseMove(hWnd, page, PointOf(lParam));
            return 0;
        case WM_LBUTTONDOWN:
            OnButtonDown(hWnd, page, PointOf(lParam));
            return 0;
        case WM_LBUTTONUP:
            OnButtonUp(hWnd, page);
            return 0;
        case WM_CAPTURECHANGED:
            OnCaptureLost(hWnd, page, reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_DESTROY:
            FreeBackground(page->layout);
            SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            page->layout.previewOldProc = nullptr;
            return CallWindowProcW(previous, hWnd, message, wParam, lParam);
    }
    return CallWindowProcW(previous, hWnd, message, wParam, lParam);
}

}  // namespace orla
