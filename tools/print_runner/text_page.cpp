// The runner's text page (see text_page.h).
#include "tools/print_runner/text_page.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <memory>

#include "plat/gdi_control.h"
#include "win/gdi.h"
#include "win/kernel.h"
#include "win/nls.h"

namespace orla::runner {
namespace {

constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kIpaMincho = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";
constexpr const char* kIpaGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr const char* kNimbusMono = "/usr/share/fonts/opentype/urw-base35/NimbusMonoPS-Regular.otf";
constexpr const char* kNimbusSans = "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf";
constexpr MIX kCopyPen = 0x0D0D;
constexpr double kPi = 3.14159265358979323846;

// Font and string objects of one line, deleted with it.
struct LineObjects {
    FONTOBJ* font = nullptr;
    bool trueType = false;
    STROBJ* string = nullptr;
    std::vector<HGLYPH> handles;
    std::vector<POINTL> positions;
    LineObjects() = default;
    LineObjects(const LineObjects&) = delete;
    LineObjects& operator=(const LineObjects&) = delete;
    ~LineObjects() {
        if (string) PlatStringDelete(string);
        if (font) trueType ? PlatTrueTypeFontDelete(font) : PlatFontDelete(font);
    }
};

XFORML Turned(double scale, int angle) {
    const double a = angle * kPi / 180;
    return XFORML{static_cast<FLOATL>(scale * std::cos(a)),
                  static_cast<FLOATL>(-scale * std::sin(a)),
                  static_cast<FLOATL>(scale * std::sin(a)),
                  static_cast<FLOATL>(scale * std::cos(a)),
                  0,
                  0};
}

FONTOBJ* TrueTypeFont(const TextLine& l, const std::string& file, ULONG uniq) {
    PLAT_TRUETYPE_SETUP s{};
    s.fontFile = file.c_str();
    s.charSet = l.shiftJis ? SHIFTJIS_CHARSET : ANSI_CHARSET;
    s.iUniq = uniq;
    s.iFile = uniq;
    s.xform = Turned(1, 0);
    s.familyName = l.family.empty() ? nullptr : l.family.c_str();
    FONTOBJ* probe = PlatTrueTypeFontCreate(&s);
    if (!probe) return nullptr;
    const double em = std::max<int>(FONTOBJ_pifi(probe)->fwdUnitsPerEm, 1);
    PlatTrueTypeFontDelete(probe);
    s.xform = Turned(l.em / em, l.angle);
    return PlatTrueTypeFontCreate(&s);
}

FONTOBJ* DeviceFont(const TextLine& l) {
    PLAT_FONT_SETUP s{};
    s.iUniq = 1000 + l.deviceFace;
    s.iFace = l.deviceFace;
    s.flFontType = DEVICE_FONTTYPE;
    s.hasXform = TRUE;
    s.xform = Turned(l.em / 1000.0, l.angle);
    return PlatFontCreate(&s);
}

// The device font's glyph handle of a character: its code in the font's code page.
HGLYPH DeviceHandle(const TextLine& l, char16_t c) {
    char bytes[2] = {};
    const int n =
        WideCharToMultiByte(l.shiftJis ? 932 : 1252, 0, reinterpret_cast<LPCWSTR>(&c), 1, bytes, 2, nullptr, nullptr);
    if (n == 2) return static_cast<HGLYPH>(static_cast<BYTE>(bytes[0]) << 8 | static_cast<BYTE>(bytes[1]));
    return n == 1 ? static_cast<BYTE>(bytes[0]) : '?';
}

// Builds a line's font, handles and positions: device advances from DrvQueryAdvanceWidths (12.4),
// TrueType advances from the engine's glyphs. `standIn` makes a TrueType font of a device line.
bool BuildLine(const TextLine& l, bool standIn, PFN_DrvQueryAdvanceWidths widths, DHPDEV dhpdev, LineObjects* o) {
    const bool device = l.deviceFace != 0;
    FONTOBJ* deviceFont = device ? DeviceFont(l) : nullptr;
    std::unique_ptr<FONTOBJ, void (*)(FONTOBJ*)> holder(deviceFont, PlatFontDelete);
    if (device && !standIn) {
        o->font = holder.release();
    } else {
        o->font = TrueTypeFont(l, l.fontFile, device ? 900 + l.deviceFace : 7 + static_cast<ULONG>(l.em));
        o->trueType = true;
    }
    if (!o->font) return false;
    double x = l.origin.x, y = l.origin.y;
    const double a = l.angle * kPi / 180;
    for (char16_t c : l.text) {
        const HGLYPH deviceHg = device ? DeviceHandle(l, c) : 0;
        const HGLYPH hg = o->trueType ? PlatTrueTypeGlyphOf(o->font, c) : deviceHg;
        o->handles.push_back(hg);
        o->positions.push_back(POINTL{static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))});
        double advance = 0;
        if (device && widths != nullptr) {
            USHORT w = 0;
            HGLYPH q = deviceHg;
            if (!widths(dhpdev, deviceFont ? deviceFont : o->font, 0, &q, &w, 1)) return false;
            advance = w / 16.0;
        } else {
            HGLYPH q = hg;
            GLYPHDATA* gd = nullptr;
            if (FONTOBJ_cGetGlyphs(o->font, FO_GLYPHBITS, 1, &q, reinterpret_cast<PVOID*>(&gd)) != 1) return false;
            advance = std::hypot(static_cast<double>(gd->ptqD.x.QuadPart), static_cast<double>(gd->ptqD.y.QuadPart)) /
                      4294967296.0;
        }
        if (l.vertical) {
            y += l.em;
        } else {
            x += advance * std::cos(a);
            y -= advance * std::sin(a);
        }
    }
    const FLONG accel = l.vertical ? 0 : l.angle == 0 ? SO_HORIZONTAL : 0;
    PLAT_STRING_SETUP s{static_cast<ULONG>(o->handles.size()),
                        o->handles.data(),
                        o->positions.data(),
                        reinterpret_cast<const WCHAR*>(l.text.c_str()),
                        accel,
                        0,
                        0,
                        0};
    o->string = PlatStringCreate(&s);
    return o->string != nullptr;
}

RECTL Underline(const TextLine& l, const LineObjects& o) {
    const LONG right = o.positions.back().x + l.em / 2;
    return RECTL{l.origin.x, l.origin.y + l.em / 8, right, l.origin.y + l.em / 8 + std::max(1, l.em / 16)};
}
RECTL Background(const TextLine& l, const LineObjects& o) {
    return RECTL{l.origin.x - 4, l.origin.y - l.em, o.positions.back().x + l.em, l.origin.y + l.em / 4};
}

}  // namespace

std::vector<TextLine> LayOutTextPage(int width, int height, int dpi, bool deviceFonts) {
    const int em = dpi / 6;  // 12 points
    const int left = dpi / 2;
    int y = dpi / 2 + em;
    std::vector<TextLine> lines;
    auto next = [&](TextLine l) {
        l.origin = POINTL{left, y};
        l.em = l.em ? l.em : em;
        y += l.em * 2;
        lines.push_back(std::move(l));
    };
    if (deviceFonts) {
        next({"Courier device font", 2, kNimbusMono, u"", false, 0, 0, false, true, false, true,
              u"Courier 0123 device text"});
        next({"Helv device font", 6, kNimbusSans, u"", false, 0, 0, false, false, false, true,
              u"Helv proportional [text]"});
        next({"Minchou device font", 14, kIpaMincho, u"", true, 0, 0, false, false, false, true,
              u"明朝の日本語テキスト"});
        next({"Gothic device font", 22, kIpaGothic, u"", true, 0, 0, false, false, false, true, u"ゴシック体の文字"});
        next({"TrueType substituted by Minchou", 0, kIpaMincho, u"ＭＳ 明朝", true, 0, 0, false, false, false, true,
              u"置換された明朝"});
    }
    next({"TrueType downloaded glyphs", 0, kDejaVu, u"DejaVu Sans", false, 0, 0, false, false, true, true,
          u"TrueType glyphs downloaded"});
    next({"TrueType Japanese downloaded", 0, kIpaGothic, u"IPAGothic", true, 0, 0, false, false, false, true,
          u"ダウンロード文字"});
    // Rotated text up the right side, and a vertical-writing column beside it.
    TextLine turned{"TrueType rotated 90 degrees",
                    0,
                    kDejaVu,
                    u"DejaVu Sans",
                    false,
                    0,
                    90,
                    false,
                    false,
                    false,
                    true,
                    u"Rotated text"};
    turned.em = em;
    turned.origin = POINTL{width - dpi / 2, std::min(height - dpi / 2, y + em * 8)};
    lines.push_back(turned);
    if (deviceFonts) {
        TextLine column{"vertical Minchou column", 18, kIpaMincho, u"", true, 0, 0, true, false, false, false,
                        u"縦書きの「列」ー。"};
        column.em = em;
        column.origin = POINTL{width - dpi, dpi / 2 + em};
        lines.push_back(column);
    }
    return lines;
}

bool PlayTextPage(PFN_DrvTextOut textOut, PFN_DrvQueryAdvanceWidths advanceWidths, DHPDEV dhpdev, SURFOBJ* pso,
                  const std::vector<TextLine>& lines, std::string* error, double* driverSeconds) {
    std::unique_ptr<BRUSHOBJ, void (*)(BRUSHOBJ*)> black(PlatBrushCreateSolid(0, 0x000000), PlatBrushDelete);
    std::unique_ptr<BRUSHOBJ, void (*)(BRUSHOBJ*)> grey(PlatBrushCreateSolid(0xD0D0D0, 0xD0D0D0), PlatBrushDelete);
    if (!black || !grey) {
        *error = "creating the text brushes";
        return false;
    }
    for (const TextLine& l : lines) {
        LineObjects o;
        if (!BuildLine(l, false, advanceWidths, dhpdev, &o)) {
            *error = "laying out the line \"" + l.what + "\"";
            return false;
        }
        RECTL extra[2] = {Underline(l, o), RECTL{0, 0, 0, 0}};
        RECTL opaque = Background(l, o);
        POINTL origin{0, 0};
        const auto start = std::chrono::steady_clock::now();
        const BOOL drawn = textOut(pso, o.string, o.font, nullptr, l.underline ? extra : nullptr,
                                   l.opaque ? &opaque : nullptr, black.get(), grey.get(), &origin, kCopyPen);
        if (driverSeconds)
            *driverSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!drawn) {
            *error = "DrvTextOut of the line \"" + l.what + "\" (last error " + std::to_string(GetLastError()) + ")";
            return false;
        }
    }
    return true;
}

bool DrawTextBand(SURFOBJ* band, POINTL origin, const std::vector<TextLine>& lines, std::string* error) {
    for (const TextLine& l : lines) {
        TextLine shifted = l;
        shifted.origin = POINTL{l.origin.x - origin.x, l.origin.y - origin.y};
        LineObjects o;
        // The band has no device fonts: device lines take their TrueType stand-ins.
        if (!BuildLine(shifted, true, nullptr, nullptr, &o)) {
            *error = "laying out the line \"" + l.what + "\"";
            return false;
        }
        std::unique_ptr<BRUSHOBJ, void (*)(BRUSHOBJ*)> black(PlatBrushCreateSolid(0, 0), PlatBrushDelete);
        RECTL extra[2] = {Underline(shifted, o), RECTL{0, 0, 0, 0}};
        if (!EngTextOut(band, o.string, o.font, nullptr, l.underline ? extra : nullptr, nullptr, black.get(), nullptr,
                        nullptr, kCopyPen)) {
            *error = "EngTextOut of the line \"" + l.what + "\"";
            return false;
        }
    }
    return true;
}

std::vector<TextLineBox> TextLineBoxes(int width, int height, const std::vector<TextLine>& lines,
                                       PFN_DrvQueryAdvanceWidths advanceWidths, DHPDEV dhpdev) {
    std::vector<TextLineBox> boxes;
    for (const TextLine& l : lines) {
        TextLineBox b{l.what, SampleRect{INT_MAX, INT_MAX, -1, -1}, l.compare};
        LineObjects o;
        HSURF h = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{width, height}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr));
        SURFOBJ* so = h ? EngLockSurface(h) : nullptr;
        if (so && BuildLine(l, true, advanceWidths, dhpdev, &o)) {
            RECTL all{0, 0, width, height};
            EngEraseSurface(so, &all, 1);
            std::unique_ptr<BRUSHOBJ, void (*)(BRUSHOBJ*)> black(PlatBrushCreateSolid(0, 0), PlatBrushDelete);
            RECTL extra[2] = {Underline(l, o), RECTL{0, 0, 0, 0}};
            EngTextOut(so, o.string, o.font, nullptr, l.underline ? extra : nullptr, nullptr, black.get(), nullptr,
                       nullptr, kCopyPen);
            for (int y = 0; y < height; ++y) {
                const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta;
                for (int x = 0; x < width; ++x) {
                    if (row[x / 8] == 0xFF) {
                        x |= 7;
                        continue;
                    }
                    if (row[x / 8] & (0x80 >> (x % 8))) continue;
                    b.box = SampleRect{std::min(b.box.left, x), std::min(b.box.top, y), std::max(b.box.right, x + 1),
                                       std::max(b.box.bottom, y + 1)};
                }
            }
        }
        if (so) EngUnlockSurface(so);
        if (h) EngDeleteSurface(h);
        boxes.push_back(b);
    }
    return boxes;
}

}  // namespace orla::runner
