// Garnith.dll stand-in: the stamp-drawing library. A stamp is set as a mask, placed on the page
// (3 x 3 grid of the page rectangle it is given), dithered to its grey and blitted through the
// device's own DrvBitBlt onto the surface of the device context: in band mode the band bitmap,
// otherwise the device surface, so the driver sends it as it would any application's image.
//
// Passes: 0 clears the stamp's place to white and then draws its ink (a stamp that is not an
// overlay), 1 draws its ink over what is there. The interface DLL draws a page-end stamp in one
// call with its overlay mode as the pass; the graphics DLL's bands take pass 0 then pass 1 for a
// stamp that is not an overlay, which inks the same pixels twice.
// Modes: 0 solid, 1 framed, 2 outlined letters.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "outside/garnith/stamp_mask.h"
#include "plat/gdi_control.h"
#include "win/ddi.h"
#include "win/kernel.h"
#include "win/nls.h"

namespace {

using garnith::Mask;

constexpr ROP4 kRopInk = 0x8888;    // source AND destination: black source bits ink the page
constexpr ROP4 kRopClear = 0xEEEE;  // source OR destination: white source bits clear it
// The stamp keeps this far from the page rectangle's edges (a sixth of an inch).
constexpr int kEdgeDivisor = 6;

std::u16string Wide(LPCSTR ansi) {
    if (ansi == nullptr || ansi[0] == 0) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    if (n <= 1) return {};
    std::u16string out(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::u32string Utf32(const std::u16string& s) {
    std::u32string out;
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        out.push_back(c);
    }
    return out;
}

// Top-left corner of a w x h stamp at grid position 0..8 of a width x height page.
POINTL Place(DWORD position, int w, int h, LONG width, LONG height, DWORD resolution) {
    const LONG edge = static_cast<LONG>(resolution) / kEdgeDivisor;
    const DWORD p = position > 8 ? 4 : position;
    auto along = [edge](DWORD k, LONG size, LONG room) {
        if (k == 0) return edge;
        if (k == 1) return (room - size) / 2;
        return room - edge - size;
    };
    return {std::max<LONG>(0, along(p % 3, w, width)), std::max<LONG>(0, along(p / 3, h, height))};
}

// The device context's surface and blit hook, held for one call.
struct Target {
    HDEV hdev = nullptr;
    SURFOBJ* surface = nullptr;
    PFN_DrvBitBlt bitBlt = nullptr;
    explicit Target(DWORD dc) {
        hdev = PlatGdiDeviceOfDc(dc);
        if (hdev == nullptr) return;
        HSURF hsurf = PlatGdiDeviceSurface(hdev);
        bitBlt = reinterpret_cast<PFN_DrvBitBlt>(PlatGdiDeviceHook(hdev, INDEX_DrvBitBlt));
        if (hsurf != nullptr && bitBlt != nullptr) surface = EngLockSurface(hsurf);
    }
    ~Target() {
        if (surface != nullptr) EngUnlockSurface(surface);
    }
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;
};

// A 1-bit source (1 = white) of the mask: ink dithered to the grey (0x00GGGGGG, 0 black), or,
// to clear, white over the whole mask rectangle.
bool BlitMask(Target& t, const Mask& mask, POINTL at, LONG width, LONG height, bool clear, DWORD grey) {
    const LONG stride = ((mask.width + 31) / 32) * 4;
    HBITMAP bitmap = EngCreateBitmap(SIZEL{mask.width, mask.height}, stride, BMF_1BPP, BMF_TOPDOWN, nullptr);
    if (bitmap == nullptr) return false;
    SURFOBJ* src = EngLockSurface(reinterpret_cast<HSURF>(bitmap));
    bool ok = src != nullptr && src->pvScan0 != nullptr;
    if (ok) {
        static constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
        const int level = 16 - static_cast<int>((grey & 0xFF) * 16 / 255);  // sixteenths of black
        BYTE* bits = static_cast<BYTE*>(src->pvScan0);
        for (int y = 0; y < mask.height; ++y) {
            BYTE* row = bits + static_cast<size_t>(y) * static_cast<size_t>(src->lDelta);
            std::fill(row, row + stride, BYTE{0xFF});
            if (clear) continue;
            for (int x = 0; x < mask.width; ++x)
                if (mask.At(x, y) && kBayer[(at.y + y) % 4][(at.x + x) % 4] < level)
                    row[x / 8] &= static_cast<BYTE>(~(0x80u >> (x % 8)));
        }
        RECTL page{0, 0, width, height};
        RECTL dest{at.x, at.y, std::min<LONG>(at.x + mask.width, width), std::min<LONG>(at.y + mask.height, height)};
        POINTL origin{0, 0};
        CLIPOBJ* clip = PlatClipCreateTrivial(&page);
        ok = dest.right > dest.left && dest.bottom > dest.top &&
             t.bitBlt(t.surface, src, nullptr, clip, nullptr, &dest, &origin, nullptr, nullptr, nullptr,
                      clear ? kRopClear : kRopInk);
        PlatClipDelete(clip);
    }
    if (src != nullptr) EngUnlockSurface(src);
    EngDeleteSurface(reinterpret_cast<HSURF>(bitmap));
    return ok;
}

// The stamp in its pass: its place cleared first in pass 0, then its ink.
bool DrawPass(Target& t, const Mask& mask, POINTL at, LONG width, LONG height, LONG pass, DWORD grey) {
    if (pass == 0 && !BlitMask(t, mask, at, width, height, true, grey)) return false;
    return BlitMask(t, mask, at, width, height, false, grey);
}

std::vector<uint8_t> ReadWholeFile(LPCSTR path) {
    std::vector<uint8_t> data;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return data;
    const DWORD size = GetFileSize(file, nullptr);
    constexpr DWORD kMaxImageFile = 64u << 20;
    if (size != INVALID_FILE_SIZE && size <= kMaxImageFile) {
        data.resize(size);
        DWORD read = 0;
        if (!ReadFile(file, data.data(), size, &read, nullptr) || read != size) data.clear();
    }
    CloseHandle(file);
    return data;
}

LONG DrawString(DWORD dc, LPCSTR text, DWORD position, LONG size, LONG angle, LONG weight, DWORD italic, LPCSTR face,
                LONG pass, DWORD grey, LONG mode, LONG width, LONG height, DWORD resolution) {
    if (width <= 0 || height <= 0 || resolution == 0 || resolution > 4800 || size <= 0) return 0;
    Target target(dc);
    if (target.surface == nullptr) return 0;
    garnith::TextLook look;
    look.bold = weight >= 600;
    look.fontFile = garnith::FontFileForFace(Wide(face), look.bold);
    // Size in tenths of a point.
    look.pixelSize = static_cast<int>(static_cast<int64_t>(size) * resolution / 720);
    look.angleDegrees = angle / 10.0;
    look.italic = italic != 0;
    Mask mask = garnith::SetText(Utf32(Wide(text)), look);
    mask = garnith::ApplyMode(mask, static_cast<int>(mode), std::max(1, look.pixelSize / 16));
    if (mask.width == 0) return 0;
    const POINTL at = Place(position, mask.width, mask.height, width, height, resolution);
    return DrawPass(target, mask, at, width, height, pass, grey) ? 1 : 0;
}

LONG DrawBitmap(DWORD dc, LPCSTR path, DWORD position, LONG scale, LONG pass, LONG width, LONG height,
                DWORD resolution) {
    if (width <= 0 || height <= 0 || resolution == 0 || resolution > 4800 || path == nullptr) return 0;
    Target target(dc);
    if (target.surface == nullptr) return 0;
    const Mask mask =
        garnith::ReadBmpMask(ReadWholeFile(path), std::clamp<LONG>(scale, 25, 400), static_cast<int>(resolution));
    if (mask.width == 0) return 0;
    const POINTL at = Place(position, mask.width, mask.height, width, height, resolution);
    return DrawPass(target, mask, at, width, height, pass, 0) ? 1 : 0;
}

}  // namespace

extern "C" {

DLLEXPORT LONG APIENTRY DrvStampString(DWORD dc, LPCSTR text, DWORD position, LONG size, LONG angle, LONG weight,
                                       DWORD italic, LPCSTR face, LONG pass, DWORD grey, LONG mode, LONG width,
                                       LONG height, DWORD resolution) {
    return DrawString(dc, text, position, size, angle, weight, italic, face, pass, grey, mode, width, height,
                      resolution);
}
DLLEXPORT LONG APIENTRY DrvStampStringZ(DWORD dc, LPCSTR text, DWORD position, LONG size, LONG angle, LONG weight,
                                        DWORD italic, LPCSTR face, LONG pass, DWORD grey, LONG mode, LONG width,
                                        LONG height, DWORD resolution) {
    return DrawString(dc, text, position, size, angle, weight, italic, face, pass, grey, mode, width, height,
                      resolution);
}
DLLEXPORT LONG APIENTRY DrvStampBitmap(DWORD dc, LPCSTR path, DWORD position, LONG scale, LONG pass, LONG reserved,
                                       LONG width, LONG height, DWORD resolution) {
    return DrawBitmap(dc, path, position, scale, pass, width, height, resolution);
}
DLLEXPORT LONG APIENTRY DrvStampBitmapZ(DWORD dc, LPCSTR path, DWORD position, LONG scale, LONG pass, LONG reserved,
                                        LONG width, LONG height, DWORD resolution) {
    return DrawBitmap(dc, path, position, scale, pass, width, height, resolution);
}

}  // extern "C"
