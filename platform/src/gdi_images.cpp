// Bitmaps and icons from resource modules, and icons drawn into device contexts with their
// alpha. Damaged pictures are refused rather than read past their end.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "plat_internal.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace plat {
namespace {

constexpr LONG kLargestImage = 16384;

struct Dib {
    LONG width = 0;
    LONG height = 0;
    std::vector<COLORREF> pixels;  // top row first
    std::vector<BYTE> alpha;       // empty: opaque
    LONG drawWidth = 0;            // the size LoadImageW asked for (0: the picture's own)
    LONG drawHeight = 0;
};

struct Icons {
    std::mutex lock;
    std::map<ULONG_PTR, Dib> byHandle;
    ULONG_PTR next = 0x7C0000;
};

Icons& icons() {
    static Icons* i = new Icons;
    return *i;
}

COLORREF TableColour(const BYTE* row, LONG x, int bits, const std::vector<RGBQUAD>& table) {
    unsigned index = (row[x * bits / 8] >> (8 - bits - (x * bits) % 8)) & ((1u << bits) - 1);
    if (index >= table.size()) return 0;
    return RGB(table[index].rgbRed, table[index].rgbGreen, table[index].rgbBlue);
}

std::optional<Dib> ReadDib(const BYTE* data, DWORD size, bool keepAlpha) {
    BITMAPINFOHEADER info;
    if (data == nullptr || size < sizeof info) return std::nullopt;
    std::memcpy(&info, data, sizeof info);
    int bits = info.biBitCount;
    LONG width = info.biWidth, rows = std::abs(info.biHeight);
    bool known = bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
    DWORD tableSize = bits <= 8 ? (info.biClrUsed ? info.biClrUsed : 1u << bits) : 0;
    size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    size_t offset = info.biSize + tableSize * sizeof(RGBQUAD);
    if (!known || info.biCompression != BI_RGB || width <= 0 || rows <= 0 || width > kLargestImage ||
        rows > kLargestImage || info.biSize < sizeof info || tableSize > 256 ||
        offset + stride * static_cast<size_t>(rows) > size) {
        return std::nullopt;
    }
    std::vector<RGBQUAD> table(tableSize);
    if (tableSize) std::memcpy(table.data(), data + info.biSize, tableSize * sizeof(RGBQUAD));
    Dib dib{width, rows, {}, {}, 0, 0};
    dib.pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(rows));
    bool alpha = keepAlpha && bits == 32;
    for (LONG y = 0; y < rows; ++y) {
        LONG sourceRow = info.biHeight > 0 ? rows - 1 - y : y;  // positive heights are bottom-up
        const BYTE* row = data + offset + stride * static_cast<size_t>(sourceRow);
        for (LONG x = 0; x < width; ++x) {
            if (bits >= 24) {
                const BYTE* p = row + x * (bits / 8);
                dib.pixels.push_back(RGB(p[2], p[1], p[0]));
                if (alpha) dib.alpha.push_back(p[3]);
            } else {
                dib.pixels.push_back(TableColour(row, x, bits, table));
            }
        }
    }
    return dib;
}

std::optional<Dib> LoadDib(HINSTANCE module, LPCWSTR name, LPCWSTR type, bool keepAlpha) {
    HRSRC found = FindResourceW(module, name, type);
    if (found == nullptr) return std::nullopt;
    auto data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    auto dib = ReadDib(data, SizeofResource(module, found), keepAlpha);
    if (!dib) SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return dib;
}

// Draws pixels into a DC through its public calls, blending by alpha where there is one.
void Paint(HDC dc, LONG x0, LONG y0, const Dib& dib, LONG cx, LONG cy) {
    for (LONG y = 0; y < cy; ++y) {
        for (LONG x = 0; x < cx; ++x) {
            size_t at = static_cast<size_t>(y * dib.height / cy) * static_cast<size_t>(dib.width) +
                        static_cast<size_t>(x * dib.width / cx);
            COLORREF colour = dib.pixels[at];
            unsigned a = dib.alpha.empty() ? 255 : dib.alpha[at];
            if (a == 0) continue;
            if (a < 255) {
                COLORREF under = GetPixel(dc, x0 + x, y0 + y);
                if (under == CLR_INVALID) continue;
                auto mix = [a](unsigned top, unsigned bottom) { return (top * a + bottom * (255 - a)) / 255; };
                colour = RGB(mix(colour & 0xFF, under & 0xFF), mix((colour >> 8) & 0xFF, (under >> 8) & 0xFF),
                             mix((colour >> 16) & 0xFF, (under >> 16) & 0xFF));
            }
            SetPixel(dc, x0 + x, y0 + y, colour);
        }
    }
}

HBITMAP ToBitmap(const Dib& dib) {
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, dib.width, dib.height);
    if (bitmap == nullptr) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    Paint(dc, 0, 0, dib, dib.width, dib.height);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

HICON AddIcon(Dib dib) {
    Icons& i = icons();
    std::lock_guard<std::mutex> g(i.lock);
    i.next += 4;
    i.byHandle[i.next] = std::move(dib);
    return reinterpret_cast<HICON>(i.next);
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName) {
    auto dib = LoadDib(hInstance, lpBitmapName, RT_BITMAP, false);
    return dib ? ToBitmap(*dib) : nullptr;
}

HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
    auto dib = LoadDib(hInstance, lpIconName, RT_ICON, true);
    return dib ? AddIcon(std::move(*dib)) : nullptr;
}

HANDLE LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad) {
    if ((fuLoad & LR_LOADFROMFILE) || cx < 0 || cy < 0 || cx > kLargestImage || cy > kLargestImage) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (type == IMAGE_BITMAP) return LoadBitmapW(hInst, name);
    if (type != IMAGE_ICON) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto dib = LoadDib(hInst, name, RT_ICON, true);
    if (!dib) return nullptr;
    bool systemSize = (fuLoad & LR_DEFAULTSIZE) && cx == 0 && cy == 0;
    dib->drawWidth = systemSize ? GetSystemMetrics(SM_CXICON) : cx;
    dib->drawHeight = systemSize ? GetSystemMetrics(SM_CYICON) : cy;
    return AddIcon(std::move(*dib));
}

BOOL DestroyIcon(HICON hIcon) {
    Icons& i = icons();
    std::lock_guard<std::mutex> g(i.lock);
    return i.byHandle.erase(reinterpret_cast<ULONG_PTR>(hIcon)) ? TRUE : FALSE;
}

BOOL DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT, HBRUSH hbrFlickerFreeDraw,
                UINT diFlags) {
    Dib dib;
    {
        Icons& i = icons();
        std::lock_guard<std::mutex> g(i.lock);
        auto it = i.byHandle.find(reinterpret_cast<ULONG_PTR>(hIcon));
        if (it == i.byHandle.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        dib = it->second;
    }
    LONG cx = cxWidth, cy = cyWidth;
    if (cx == 0)
        cx = (diFlags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : (dib.drawWidth ? dib.drawWidth : dib.width);
    if (cy == 0)
        cy = (diFlags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : (dib.drawHeight ? dib.drawHeight : dib.height);
    if (cx <= 0 || cy <= 0 || cx > kLargestImage || cy > kLargestImage) return FALSE;
    if (hbrFlickerFreeDraw) {
        RECT area{xLeft, yTop, xLeft + cx, yTop + cy};
        FillRect(hdc, &area, hbrFlickerFreeDraw);
    }
    if (GetPixel(hdc, xLeft, yTop) == CLR_INVALID && GetPixel(hdc, 0, 0) == CLR_INVALID) return FALSE;  // no bitmap
    Paint(hdc, xLeft, yTop, dib, cx, cy);
    return TRUE;
}

DWORD PlatLiveIconCount(void) {
    Icons& i = icons();
    std::lock_guard<std::mutex> g(i.lock);
    return static_cast<DWORD>(i.byHandle.size());
}

}  // extern "C"
