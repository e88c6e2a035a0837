// Device contexts for drawing in windows' pictures: memory DCs whose bitmaps are engine
// surfaces (24 bits, top-down), solid brushes and pens, lines, fills, copies and text in the
// UI faces, and bitmaps loaded from resource modules.
#pragma once

#include "win/gdi.h"
#include "win/user.h"

extern "C" {

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define DEFAULT_GUI_FONT 17
#define PS_SOLID 0
#define PS_NULL 5
#define TRANSPARENT 1
#define OPAQUE 2
#define SRCCOPY 0x00CC0020u
#define PATCOPY 0x00F00021u
#define DT_LEFT 0x0000
#define DT_CENTER 0x0001
#define DT_RIGHT 0x0002
#define DT_VCENTER 0x0004
#define DT_BOTTOM 0x0008
#define DT_SINGLELINE 0x0020
#define DT_CALCRECT 0x0400
#define DT_NOPREFIX 0x0800
#define CLR_INVALID 0xFFFFFFFFu
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18

HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// One plane of 24 bits only (what GetObjectW reports for every bitmap of the UI, icon masks
// among them); other formats are refused. lpBits: rows top-down, blue first, each padded to a
// WORD; null leaves the bitmap black.
HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
BOOL DeleteObject(HGDIOBJ ho);  // FALSE for an object still selected into a DC
HGDIOBJ GetStockObject(int i);
HBRUSH CreateSolidBrush(COLORREF color);
HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
HFONT CreateFontIndirectW(const LOGFONTW* lplf);
DWORD GetSysColor(int nIndex);
// hbr may be a system colour index + 1, as window classes give it.
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
BOOL LineTo(HDC hdc, int x, int y);
// SRCCOPY, PATCOPY, SRCAND and SRCPAINT; other raster operations fail rather than draw something else.
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF SetBkColor(HDC hdc, COLORREF color);
int SetBkMode(HDC hdc, int mode);
COLORREF GetPixel(HDC hdc, int x, int y);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c);
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl);
int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format);
// Bitmaps and icons of resource modules are device-independent bitmaps: BITMAPINFOHEADER, colour
// table, rows (1, 4, 8, 24 or 32 bits, uncompressed; bottom-up for a positive height). An icon id
// names an icon group (RT_GROUP_ICON) listing one image (RT_ICON) per size: colour rows then 1-bit
// mask rows, the header's height counting both. A 32-bit image with alpha is drawn by its alpha,
// any other by its mask.
HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName);
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
#define LR_DEFAULTCOLOR 0x0000
#define LR_LOADFROMFILE 0x0010
#define LR_DEFAULTSIZE 0x0040
#define LR_SHARED 0x8000
// IMAGE_BITMAP or IMAGE_ICON from the module; cx and cy choose the image of the icon group and
// are the size it is drawn at by default. LR_SHARED icons, like every LoadIconW icon, are one per
// module, id and size, and DestroyIcon leaves them alone. From a file (LR_LOADFROMFILE, no
// module, sizes 0): bitmap files (".bmp": "BM", then an uncompressed DIB) only.
HANDLE LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad);
BOOL DestroyIcon(HICON hIcon);
#define DI_MASK 0x0001
#define DI_IMAGE 0x0002
#define DI_NORMAL 0x0003
#define DI_DEFAULTSIZE 0x0008
// Draws the icon scaled to cx x cy (0: its own size, or the system icon size with DI_DEFAULTSIZE).
BOOL DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT istepIfAniCur,
                HBRUSH hbrFlickerFreeDraw, UINT diFlags);
// Icons a caller still has to destroy (shared icons and image lists' own copies are not counted).
DWORD PlatLiveIconCount(void);

// GDI objects of the UI not yet deleted (leak checks): DCs, brushes, pens, fonts and bitmaps.
DWORD PlatLiveUiGdiObjectCount(void);

}  // extern "C"

// ---- Owner drawing ----
#define ODT_MENU 1
#define ODT_BUTTON 4
#define ODT_STATIC 5
#define ODA_DRAWENTIRE 0x0001
#define ODA_SELECT 0x0002
#define ODA_FOCUS 0x0004
#define ODS_SELECTED 0x0001
#define ODS_DISABLED 0x0004
#define ODS_FOCUS 0x0010
#define ODS_COMBOBOXEDIT 0x1000
typedef struct tagDRAWITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemAction;
    UINT itemState;
    HWND hwndItem;
    HDC hDC;
    RECT rcItem;
    ULONG_PTR itemData;
} DRAWITEMSTRUCT, *LPDRAWITEMSTRUCT;
static_assert(sizeof(DRAWITEMSTRUCT) == 64 && offsetof(DRAWITEMSTRUCT, itemState) == 16 &&
              offsetof(DRAWITEMSTRUCT, hwndItem) == 24 && offsetof(DRAWITEMSTRUCT, hDC) == 32 &&
              offsetof(DRAWITEMSTRUCT, rcItem) == 40 && offsetof(DRAWITEMSTRUCT, itemData) == 56);

// ---- Bitmap sizes and the mask raster operations of BitBlt ----
#define SRCAND 0x008800C6u
#define SRCPAINT 0x00EE0086u
typedef struct tagBITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP;
extern "C" int GetObjectW(HANDLE h, int c, LPVOID pv);  // bitmaps only: fills a BITMAP

// ---- Pens with styles, arcs, text alignment, clipping ----
extern "C" {
typedef float FLOAT;
#define GetRValue(rgb) (static_cast<BYTE>(rgb))
#define GetGValue(rgb) (static_cast<BYTE>(static_cast<DWORD>(rgb) >> 8))
#define GetBValue(rgb) (static_cast<BYTE>(static_cast<DWORD>(rgb) >> 16))
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_INSIDEFRAME 6
#define PS_ALTERNATE 8
#define PS_STYLE_MASK 0x0000000F
#define PS_ENDCAP_FLAT 0x00000200
#define PS_COSMETIC 0x00000000
#define PS_GEOMETRIC 0x00010000
#define BS_SOLID 0
typedef struct tagLOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
} LOGBRUSH;
// Cosmetic pens of the styles CreatePen draws (PS_ALTERNATE among them: every other pixel) with
// a solid brush's colour; user styles are refused.
HPEN ExtCreatePen(DWORD iPenStyle, DWORD cWidth, const LOGBRUSH* plbrush, DWORD cStyle, const DWORD* pstyle);
// A line from the current position to the arc's start, then the arc (degrees counter-clockwise
// from the x axis, y growing down as on screen); the current position ends at the arc's end.
BOOL AngleArc(HDC hdc, int x, int y, DWORD r, FLOAT StartAngle, FLOAT SweepAngle);

#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#ifndef GDI_ERROR
#define GDI_ERROR 0xFFFFFFFFL
#endif
UINT SetTextAlign(HDC hdc, UINT align);  // the alignment before, GDI_ERROR for a bad DC
UINT GetTextAlign(HDC hdc);

#define RGN_ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
DECLARE_HANDLE(HRGN);
// Only a null region is taken: it lifts the DC's clipping (regions themselves are not offered).
int SelectClipRgn(HDC hdc, HRGN hrgn);
int GetClipBox(HDC hdc, LPRECT lprect);

// ---- Stretching and pattern blits ----
// COLORONCOLOR (and the monochrome modes) pick the nearest source pixel; HALFTONE averages the
// source pixels each destination pixel covers. SRCCOPY, SRCAND and SRCPAINT (as BitBlt).
int SetStretchBltMode(HDC hdc, int mode);  // the mode before, 0 for a bad DC or mode
int GetStretchBltMode(HDC hdc);
BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
                int hSrc, DWORD rop);
// PATCOPY, PATINVERT, DSTINVERT, BLACKNESS and WHITENESS with the DC's brush.
BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);
// A dotted frame drawn by inverting every other pixel: drawing it twice takes it away.
BOOL DrawFocusRect(HDC hDC, const RECT* lprc);

// ---- Icons made from bitmaps, system icons ----
typedef struct _ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
} ICONINFO, *PICONINFO;
// The colour bitmap drawn where the mask bitmap is black (the mask's white lets the background
// show); the bitmaps stay the caller's. GetIconInfo hands out new bitmaps the caller deletes, and
// the hot spot the icon was made with (the centre of a loaded icon).
HICON CreateIconIndirect(const ICONINFO* piconinfo);
BOOL GetIconInfo(HICON hIcon, PICONINFO piconinfo);
#define IDI_APPLICATION MAKEINTRESOURCEW(32512)
#define IDI_HAND MAKEINTRESOURCEW(32513)
#define IDI_QUESTION MAKEINTRESOURCEW(32514)
#define IDI_EXCLAMATION MAKEINTRESOURCEW(32515)
#define IDI_ASTERISK MAKEINTRESOURCEW(32516)
#define IDI_WINLOGO MAKEINTRESOURCEW(32517)
#define IDI_WARNING IDI_EXCLAMATION
#define IDI_ERROR IDI_HAND
#define IDI_INFORMATION IDI_ASTERISK
}  // extern "C"

static_assert(sizeof(LOGBRUSH) == 16 && sizeof(ICONINFO) == 32 && offsetof(ICONINFO, hbmMask) == 16);
