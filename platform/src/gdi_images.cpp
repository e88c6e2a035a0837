// Bitmaps and icons from resource modules, and icons drawn into device contexts with their
// alpha or mask. An icon id names an icon group (RT_GROUP_ICON) whose directory lists one image
// (RT_ICON) per size; the image closest to the size asked for is loaded: colour rows, then the
// 1-bit mask rows (the header's height counts both). Damaged pictures are refused rather than
// read past their end.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "plat_internal.h"
#include "ui_fonts.h"
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
    bool listCopy = false;      // an image list's own copy: freed with its list, not the caller's
    bool shared = false;        // loaded once per module and id (LoadIconW, LR_SHARED); lives with the module
    bool hotSpotGiven = false;  // made by CreateIconIndirect: its hot spot is the one given
    DWORD xHotspot = 0;
    DWORD yHotspot = 0;
};

// A shared icon is found again by its module, its name ("#id" for a number) and its size.
struct SharedKey {
    HMODULE module;
    std::u16string name;
    int cx, cy;
    auto operator<=>(const SharedKey&) const = default;
};

struct Icons {
    std::mutex lock;
    std::map<ULONG_PTR, Dib> byHandle;
    std::map<SharedKey, ULONG_PTR> shared;
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

// A 32-bit icon without any alpha is drawn by its mask, as one of fewer bits.
bool HasAlpha(const BYTE* rows, size_t bytes) {
    for (size_t i = 3; i < bytes; i += 4)
        if (rows[i] != 0) return true;
    return false;
}

// The mask's set bits are the transparent pixels; rows are bottom-up.
std::vector<BYTE> MaskAlpha(const BYTE* mask, LONG width, LONG rows) {
    size_t stride = ((static_cast<size_t>(width) + 31) / 32) * 4;
    std::vector<BYTE> alpha;
    alpha.reserve(static_cast<size_t>(width) * static_cast<size_t>(rows));
    for (LONG y = 0; y < rows; ++y) {
        const BYTE* row = mask + stride * static_cast<size_t>(rows - 1 - y);
        for (LONG x = 0; x < width; ++x) alpha.push_back((row[x / 8] & (0x80 >> (x % 8))) ? 0 : 255);
    }
    return alpha;
}

// `icon`: the header's height counts the colour rows and the mask rows after them.
std::optional<Dib> ReadDib(const BYTE* data, DWORD size, bool icon) {
    BITMAPINFOHEADER info;
    if (data == nullptr || size < sizeof info) return std::nullopt;
    std::memcpy(&info, data, sizeof info);
    int bits = info.biBitCount;
    LONG width = info.biWidth, rows = std::abs(info.biHeight);
    if (icon && (info.biHeight <= 0 || rows % 2 != 0)) return std::nullopt;  // icons are bottom-up, two halves
    if (icon) rows /= 2;
    bool known = bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
    DWORD tableSize = bits <= 8 ? (info.biClrUsed ? info.biClrUsed : 1u << bits) : 0;
    size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    size_t offset = info.biSize + tableSize * sizeof(RGBQUAD);
    size_t maskStride = icon ? ((static_cast<size_t>(width) + 31) / 32) * 4 : 0;
    if (!known || info.biCompression != BI_RGB || width <= 0 || rows <= 0 || width > kLargestImage ||
        rows > kLargestImage || info.biSize < sizeof info || tableSize > 256 ||
        offset + (stride + maskStride) * static_cast<size_t>(rows) > size) {
        return std::nullopt;
    }
    std::vector<RGBQUAD> table(tableSize);
    if (tableSize) std::memcpy(table.data(), data + info.biSize, tableSize * sizeof(RGBQUAD));
    Dib dib{width, rows, {}, {}, 0, 0};
    dib.pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(rows));
    bool alpha = icon && bits == 32 && HasAlpha(data + offset, stride * static_cast<size_t>(rows));
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
    if (icon && !alpha) dib.alpha = MaskAlpha(data + offset + stride * static_cast<size_t>(rows), width, rows);
    return dib;
}

std::optional<Dib> LoadDib(HINSTANCE module, LPCWSTR name, LPCWSTR type, bool icon) {
    HRSRC found = FindResourceW(module, name, type);
    if (found == nullptr) return std::nullopt;
    auto data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    auto dib = ReadDib(data, SizeofResource(module, found), icon);
    if (!dib) SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return dib;
}

// Icon group directory: WORD reserved, WORD type (1), WORD count, then 14-byte entries: BYTE
// width, BYTE height (0 stands for 256), colour count, reserved, WORD planes, WORD bits, DWORD
// bytes, WORD RT_ICON id.
constexpr size_t kGroupHeader = 6;
constexpr size_t kGroupEntry = 14;

// The RT_ICON id of the group's image nearest to cx x cy (cx 0: the group's first image).
std::optional<WORD> ChooseGroupImage(const BYTE* group, DWORD size, int cx, int cy) {
    if (group == nullptr || size < kGroupHeader) return std::nullopt;
    WORD type, count;
    std::memcpy(&type, group + 2, 2);
    std::memcpy(&count, group + 4, 2);
    if (type != 1 || count == 0 || kGroupHeader + kGroupEntry * count > size) return std::nullopt;
    std::optional<WORD> best;
    int bestDistance = 0;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* e = group + kGroupHeader + kGroupEntry * i;
        int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        int distance = cx == 0 ? i : std::abs(w - cx) + std::abs(h - cy);
        WORD id;
        std::memcpy(&id, e + 12, 2);
        if (!best || distance < bestDistance) best = id, bestDistance = distance;
    }
    return best;
}

// The image of an icon group that best fits cx x cy.
std::optional<Dib> LoadGroupIcon(HINSTANCE module, LPCWSTR name, int cx, int cy) {
    HRSRC found = FindResourceW(module, name, RT_GROUP_ICON);
    if (found == nullptr) return std::nullopt;
    auto group = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    std::optional<WORD> image = ChooseGroupImage(group, SizeofResource(module, found), cx, cy);
    if (!image) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return std::nullopt;
    }
    return LoadDib(module, MAKEINTRESOURCEW(*image), RT_ICON, true);
}

SharedKey KeyFor(HINSTANCE module, LPCWSTR name, int cx, int cy) {
    std::u16string text = IS_INTRESOURCE(name)
                              ? u"#" + plat::Utf8ToUtf16(std::to_string(reinterpret_cast<ULONG_PTR>(name)))
                              : std::u16string(name);
    return SharedKey{module, text, cx, cy};
}

HICON AddIcon(Dib dib);

// The module's one icon of that name and size, loaded on first use.
HICON LoadSharedIcon(HINSTANCE module, LPCWSTR name, int cx, int cy, int drawWidth, int drawHeight) {
    SharedKey key = KeyFor(module, name, cx, cy);
    {
        Icons& i = icons();
        std::lock_guard<std::mutex> g(i.lock);
        if (auto found = i.shared.find(key); found != i.shared.end()) return reinterpret_cast<HICON>(found->second);
    }
    auto dib = LoadGroupIcon(module, name, cx, cy);
    if (!dib) return nullptr;
    dib->drawWidth = drawWidth;
    dib->drawHeight = drawHeight;
    dib->shared = true;
    HICON icon = AddIcon(std::move(*dib));
    Icons& i = icons();
    std::lock_guard<std::mutex> g(i.lock);
    auto [at, added] = i.shared.emplace(key, reinterpret_cast<ULONG_PTR>(icon));
    if (!added) i.byHandle.erase(reinterpret_cast<ULONG_PTR>(icon));  // another thread loaded it first
    return reinterpret_cast<HICON>(at->second);
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

// A bitmap file ("BM", then the DIB's header and colour table, the rows at bfOffBits) as a
// bitmap of the UI; null for a file that is missing, too large or no bitmap this layer reads.
HBITMAP BitmapFromFile(LPCWSTR path) {
    constexpr size_t kLargestFile = size_t{64} << 20;
    std::string bytes;
    if (path == nullptr || !ReadWholeFile(MapPath(path), bytes, kLargestFile)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    if (bytes.size() < sizeof file + sizeof info || bytes.compare(0, 2, "BM") != 0) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    std::memcpy(&file, bytes.data(), sizeof file);
    std::memcpy(&info, bytes.data() + sizeof file, sizeof info);
    const size_t tableBytes =
        info.biBitCount <= 8 ? (info.biClrUsed ? info.biClrUsed : 1u << (info.biBitCount & 15)) * sizeof(RGBQUAD) : 0;
    const size_t headerBytes = size_t{info.biSize} + tableBytes;
    if (info.biSize < sizeof info || headerBytes > bytes.size() - sizeof file || file.bfOffBits > bytes.size() ||
        file.bfOffBits < sizeof file + headerBytes) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    // ReadDib wants the rows right after the colour table.
    std::string dib = bytes.substr(sizeof file, headerBytes) + bytes.substr(file.bfOffBits);
    auto read = ReadDib(reinterpret_cast<const BYTE*>(dib.data()), static_cast<DWORD>(dib.size()), false);
    if (!read) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return ToBitmap(*read);
}

// A picture read back from a bitmap through a memory DC: x0 to x0 + cx of the bitmap's rows.
// With a mask, its white pixels are the transparent ones.
std::optional<Dib> ReadBitmap(HBITMAP colour, HBITMAP mask, LONG x0, LONG cx, LONG cy) {
    Dib dib{cx, cy, {}, {}, 0, 0, true};
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return std::nullopt;
    HGDIOBJ old = SelectObject(dc, colour);
    for (LONG y = 0; y < cy; ++y)
        for (LONG x = 0; x < cx; ++x) dib.pixels.push_back(GetPixel(dc, x0 + x, y));
    bool maskRead = true;
    if (mask != nullptr) {
        SelectObject(dc, mask);
        for (LONG y = 0; y < cy; ++y) {
            for (LONG x = 0; x < cx; ++x) {
                COLORREF m = GetPixel(dc, x0 + x, y);
                maskRead = maskRead && m != CLR_INVALID;
                dib.alpha.push_back(m == RGB(255, 255, 255) ? 0 : 255);
            }
        }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    // A bitmap that cannot be read (gone, or smaller than asked) gives no picture.
    if (!maskRead || std::count(dib.pixels.begin(), dib.pixels.end(), CLR_INVALID) != 0) return std::nullopt;
    return dib;
}

HICON AddIcon(Dib dib) {
    Icons& i = icons();
    std::lock_guard<std::mutex> g(i.lock);
    i.next += 4;
    i.byHandle[i.next] = std::move(dib);
    return reinterpret_cast<HICON>(i.next);
}

// The system's own icons (LoadIconW with no module), drawn once each: a shape in the icon's
// colour with its mark set in the UI face.
enum class IconShape { Disc, Triangle, Window };
struct SystemIcon {
    WORD id;
    IconShape shape;
    COLORREF fill;
    const char16_t* mark;
    COLORREF markColour;
};
constexpr SystemIcon kSystemIcons[] = {
    {32512, IconShape::Window, RGB(255, 255, 255), u"", RGB(0, 0, 0)},     // IDI_APPLICATION
    {32513, IconShape::Disc, RGB(200, 30, 30), u"X", RGB(255, 255, 255)},  // IDI_HAND
    {32514, IconShape::Disc, RGB(40, 90, 200), u"?", RGB(255, 255, 255)},  // IDI_QUESTION
    {32515, IconShape::Triangle, RGB(250, 200, 0), u"!", RGB(0, 0, 0)},    // IDI_EXCLAMATION
    {32516, IconShape::Disc, RGB(40, 90, 200), u"i", RGB(255, 255, 255)},  // IDI_ASTERISK
    {32517, IconShape::Window, RGB(255, 255, 255), u"", RGB(0, 0, 0)},     // IDI_WINLOGO
};

bool InShape(IconShape shape, LONG x, LONG y, LONG size) {
    const LONG mid = size / 2;
    switch (shape) {
        case IconShape::Disc:
            return (x - mid) * (x - mid) + (y - mid) * (y - mid) <= (mid - 1) * (mid - 1);
        case IconShape::Triangle:
            return y >= 1 && y < size - 1 && std::abs(x - mid) <= y / 2;
        default:
            return x >= 1 && y >= 3 && x < size - 1 && y < size - 3;
    }
}

struct MarkTarget {
    Dib* dib;
    COLORREF colour;
};

void PlotMark(void* context, LONG x, LONG y, unsigned coverage) {
    auto* t = static_cast<MarkTarget*>(context);
    Dib& d = *t->dib;
    if (x < 0 || y < 0 || x >= d.width || y >= d.height || coverage < 128) return;
    d.pixels[static_cast<size_t>(y * d.width + x)] = t->colour;
}

Dib DrawSystemIcon(const SystemIcon& icon, LONG size) {
    Dib dib{size, size, std::vector<COLORREF>(static_cast<size_t>(size * size), icon.fill),
            std::vector<BYTE>(static_cast<size_t>(size * size), 0)};
    for (LONG y = 0; y < size; ++y)
        for (LONG x = 0; x < size; ++x)
            if (InShape(icon.shape, x, y, size)) dib.alpha[static_cast<size_t>(y * size + x)] = 255;
    if (icon.shape == IconShape::Window) {  // a title bar over the window's white
        for (LONG y = 3; y < 8; ++y)
            for (LONG x = 1; x < size - 1; ++x) dib.pixels[static_cast<size_t>(y * size + x)] = RGB(10, 36, 106);
    }
    MarkTarget target{&dib, icon.markColour};
    LONG width = SetUiText(0, 0, icon.mark, nullptr, nullptr);
    SetUiText((size - width) / 2, size / 2 + kUiTextAscent / 2 + (icon.shape == IconShape::Triangle ? 3 : 0), icon.mark,
              PlotMark, &target);
    dib.shared = true;
    return dib;
}

HICON LoadSystemIcon(LPCWSTR name) {
    const SystemIcon* found = nullptr;
    for (const SystemIcon& icon : kSystemIcons) {
        if (IS_INTRESOURCE(name) && reinterpret_cast<ULONG_PTR>(name) == icon.id) found = &icon;
    }
    if (found == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const int size = GetSystemMetrics(SM_CXICON);
    SharedKey key = KeyFor(nullptr, name, size, size);
    Icons& i = icons();
    std::lock_guard<std::mutex> g(i.lock);
    if (auto at = i.shared.find(key); at != i.shared.end()) return reinterpret_cast<HICON>(at->second);
    i.next += 4;
    i.byHandle[i.next] = DrawSystemIcon(*found, size);
    i.shared.emplace(key, i.next);
    return reinterpret_cast<HICON>(i.next);
}

}  // namespace

void ForgetSharedIcons(HMODULE module) {
    Icons& i = icons();
    std::lock_guard<std::mutex> g(i.lock);
    for (auto it = i.shared.begin(); it != i.shared.end();) {
        if (it->first.module != module) {
            ++it;
            continue;
        }
        i.byHandle.erase(it->second);
        it = i.shared.erase(it);
    }
}

HICON CopyIconForList(HICON icon) {
    Dib copy;
    {
        Icons& i = icons();
        std::lock_guard<std::mutex> g(i.lock);
        auto it = i.byHandle.find(reinterpret_cast<ULONG_PTR>(icon));
        if (it == i.byHandle.end()) return nullptr;
        copy = it->second;
    }
    copy.listCopy = true;
    copy.shared = false;
    return AddIcon(std::move(copy));
}

HICON IconFromBitmapForList(HBITMAP colour, HBITMAP mask, LONG x0, LONG cx, LONG cy) {
    auto dib = ReadBitmap(colour, mask, x0, cx, cy);
    return dib ? AddIcon(std::move(*dib)) : nullptr;
}

}  // namespace plat

using namespace plat;

extern "C" {

HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName) {
    auto dib = LoadDib(hInstance, lpBitmapName, RT_BITMAP, false);
    return dib ? ToBitmap(*dib) : nullptr;
}

// Shared, as the system's icon loader makes them: every call for one module and id gives the
// same icon, which DestroyIcon leaves alone.
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
    if (lpIconName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (hInstance == nullptr) return LoadSystemIcon(lpIconName);
    return LoadSharedIcon(hInstance, lpIconName, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0, 0);
}

HANDLE LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad) {
    if ((fuLoad & LR_LOADFROMFILE) && type == IMAGE_BITMAP && hInst == nullptr && cx == 0 && cy == 0)
        return BitmapFromFile(name);
    if ((fuLoad & LR_LOADFROMFILE) || cx < 0 || cy < 0 || cx > kLargestImage || cy > kLargestImage) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (type == IMAGE_BITMAP) return LoadBitmapW(hInst, name);
    if (type != IMAGE_ICON) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    bool systemSize = (fuLoad & LR_DEFAULTSIZE) && cx == 0 && cy == 0;
    int wantX = systemSize ? GetSystemMetrics(SM_CXICON) : cx;
    int wantY = systemSize ? GetSystemMetrics(SM_CYICON) : (cy ? cy : cx);
    int drawX = systemSize ? wantX : cx, drawY = systemSize ? wantY : cy;
    if (fuLoad & LR_SHARED) return LoadSharedIcon(hInst, name, wantX, wantY, drawX, drawY);
    auto dib = LoadGroupIcon(hInst, name, wantX, wantY);
    if (!dib) return nullptr;
    dib->drawWidth = drawX;
    dib->drawHeight = drawY;
    return AddIcon(std::move(*dib));
}

BOOL DestroyIcon(HICON hIcon) {
    Icons& i = icons();
    std::lock_guard<std::mutex> g(i.lock);
    auto it = i.byHandle.find(reinterpret_cast<ULONG_PTR>(hIcon));
    if (it == i.byHandle.end()) return FALSE;
    if (!it->second.shared) i.byHandle.erase(it);  // a shared icon stays with its module
    return TRUE;
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

HICON CreateIconIndirect(const ICONINFO* piconinfo) {
    BITMAP size{};
    if (piconinfo == nullptr || piconinfo->hbmMask == nullptr ||
        !GetObjectW(piconinfo->hbmColor ? piconinfo->hbmColor : piconinfo->hbmMask, sizeof size, &size)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A monochrome icon (no colour bitmap) is not drawn by any caller: the colour bitmap is needed.
    if (piconinfo->hbmColor == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto dib = ReadBitmap(piconinfo->hbmColor, piconinfo->hbmMask, 0, size.bmWidth, size.bmHeight);
    if (!dib) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    dib->listCopy = false;
    dib->hotSpotGiven = true;
    dib->xHotspot = piconinfo->xHotspot;
    dib->yHotspot = piconinfo->yHotspot;
    return AddIcon(std::move(*dib));
}

BOOL GetIconInfo(HICON hIcon, PICONINFO piconinfo) {
    Dib dib;
    {
        Icons& i = icons();
        std::lock_guard<std::mutex> g(i.lock);
        auto it = i.byHandle.find(reinterpret_cast<ULONG_PTR>(hIcon));
        if (it == i.byHandle.end() || piconinfo == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        dib = it->second;
    }
    // The colour bitmap holds the picture as drawn over black; the mask is white where it is clear.
    Dib opaque = dib;
    opaque.alpha.clear();
    for (size_t k = 0; k < opaque.pixels.size() && !dib.alpha.empty(); ++k) {
        if (dib.alpha[k] == 0) opaque.pixels[k] = RGB(0, 0, 0);
    }
    Dib mask = opaque;
    for (size_t k = 0; k < mask.pixels.size(); ++k) {
        bool clear = !dib.alpha.empty() && dib.alpha[k] < 128;
        mask.pixels[k] = clear ? RGB(255, 255, 255) : RGB(0, 0, 0);
    }
    // An icon's hot spot is its centre unless it was made with one.
    const DWORD x = dib.hotSpotGiven ? dib.xHotspot : static_cast<DWORD>(dib.width / 2);
    const DWORD y = dib.hotSpotGiven ? dib.yHotspot : static_cast<DWORD>(dib.height / 2);
    *piconinfo = ICONINFO{TRUE, x, y, ToBitmap(mask), ToBitmap(opaque)};
    if (piconinfo->hbmMask == nullptr || piconinfo->hbmColor == nullptr) {
        if (piconinfo->hbmMask) DeleteObject(piconinfo->hbmMask);
        if (piconinfo->hbmColor) DeleteObject(piconinfo->hbmColor);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}

DWORD PlatLiveIconCount(void) {
    Icons& i = icons();
    std::lock_guard<std::mutex> g(i.lock);
    return static_cast<DWORD>(std::count_if(i.byHandle.begin(), i.byHandle.end(),
                                            [](const auto& e) { return !e.second.listCopy && !e.second.shared; }));
}

}  // extern "C"
