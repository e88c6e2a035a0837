// The faces of the sandbox and their enumeration (EnumFontsW, EnumFontFamiliesExW). A family is
// offered when its first file is on the host; Windows' face names ("ＭＳ ゴシック", "Arial"...)
// are families of their own over the free fonts made to their metrics, so a driver that asks
// for them by name gets the widths it was written for.
#include "font_faces.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "plat/gdi_control.h"
#include "plat_internal.h"
#include "ui_dc.h"
#include "win/gdi_fonts.h"

namespace plat {
namespace {

struct FaceFile {
    const char* path;
    LONG weight;
    bool italic;
    const char16_t* style;
    const char16_t* fullName;
};

struct FaceFamily {
    const char16_t* name;
    BYTE charSet;
    BYTE pitchAndFamily;  // LOGFONT's: FIXED_PITCH or VARIABLE_PITCH with the FF_ family
    DWORD fontType;       // TRUETYPE_FONTTYPE or RASTER_FONTTYPE
    std::span<const FaceFile> files;
};

#define DEJAVU "/usr/share/fonts/truetype/dejavu/"
#define IPA_GOTHIC "/usr/share/fonts/opentype/ipafont-gothic/"
#define IPA_MINCHO "/usr/share/fonts/opentype/ipafont-mincho/"
#define URW "/usr/share/fonts/opentype/urw-base35/"

constexpr FaceFile kDejaVuSans[] = {
    {DEJAVU "DejaVuSans.ttf", FW_NORMAL, false, u"Book", u"DejaVu Sans"},
    {DEJAVU "DejaVuSans-Bold.ttf", FW_BOLD, false, u"Bold", u"DejaVu Sans Bold"},
    {DEJAVU "DejaVuSans-Oblique.ttf", FW_NORMAL, true, u"Oblique", u"DejaVu Sans Oblique"},
    {DEJAVU "DejaVuSans-BoldOblique.ttf", FW_BOLD, true, u"Bold Oblique", u"DejaVu Sans Bold Oblique"},
};
constexpr FaceFile kDejaVuSansMono[] = {
    {DEJAVU "DejaVuSansMono.ttf", FW_NORMAL, false, u"Book", u"DejaVu Sans Mono"},
    {DEJAVU "DejaVuSansMono-Bold.ttf", FW_BOLD, false, u"Bold", u"DejaVu Sans Mono Bold"},
};
constexpr FaceFile kDejaVuSerif[] = {
    {DEJAVU "DejaVuSerif.ttf", FW_NORMAL, false, u"Book", u"DejaVu Serif"},
    {DEJAVU "DejaVuSerif-Bold.ttf", FW_BOLD, false, u"Bold", u"DejaVu Serif Bold"},
};
constexpr FaceFile kIpaGothic[] = {{IPA_GOTHIC "ipag.ttf", FW_NORMAL, false, u"Regular", u"IPAGothic"}};
constexpr FaceFile kIpaPGothic[] = {{IPA_GOTHIC "ipagp.ttf", FW_NORMAL, false, u"Regular", u"IPAPGothic"}};
constexpr FaceFile kIpaMincho[] = {{IPA_MINCHO "ipam.ttf", FW_NORMAL, false, u"Regular", u"IPAMincho"}};
constexpr FaceFile kIpaPMincho[] = {{IPA_MINCHO "ipamp.ttf", FW_NORMAL, false, u"Regular", u"IPAPMincho"}};
constexpr FaceFile kMsGothic[] = {{IPA_GOTHIC "ipag.ttf", FW_NORMAL, false, u"標準", u"ＭＳ ゴシック"}};
constexpr FaceFile kMsPGothic[] = {{IPA_GOTHIC "ipagp.ttf", FW_NORMAL, false, u"標準", u"ＭＳ Ｐゴシック"}};
constexpr FaceFile kMsMincho[] = {{IPA_MINCHO "ipam.ttf", FW_NORMAL, false, u"標準", u"ＭＳ 明朝"}};
constexpr FaceFile kMsPMincho[] = {{IPA_MINCHO "ipamp.ttf", FW_NORMAL, false, u"標準", u"ＭＳ Ｐ明朝"}};
constexpr FaceFile kArial[] = {
    {URW "NimbusSans-Regular.otf", FW_NORMAL, false, u"Regular", u"Arial"},
    {URW "NimbusSans-Bold.otf", FW_BOLD, false, u"Bold", u"Arial Bold"},
    {URW "NimbusSans-Italic.otf", FW_NORMAL, true, u"Italic", u"Arial Italic"},
    {URW "NimbusSans-BoldItalic.otf", FW_BOLD, true, u"Bold Italic", u"Arial Bold Italic"},
};
constexpr FaceFile kTimes[] = {
    {URW "NimbusRoman-Regular.otf", FW_NORMAL, false, u"Regular", u"Times New Roman"},
    {URW "NimbusRoman-Bold.otf", FW_BOLD, false, u"Bold", u"Times New Roman Bold"},
    {URW "NimbusRoman-Italic.otf", FW_NORMAL, true, u"Italic", u"Times New Roman Italic"},
};
constexpr FaceFile kCourier[] = {
    {URW "NimbusMonoPS-Regular.otf", FW_NORMAL, false, u"Regular", u"Courier New"},
    {URW "NimbusMonoPS-Bold.otf", FW_BOLD, false, u"Bold", u"Courier New Bold"},
};
// Raster faces: Windows' bitmap fonts, drawn here in the UI's face.
constexpr FaceFile kSystem[] = {{DEJAVU "DejaVuSans-Bold.ttf", FW_BOLD, false, u"", u"System"}};
constexpr FaceFile kTerminal[] = {{DEJAVU "DejaVuSansMono.ttf", FW_NORMAL, false, u"", u"Terminal"}};

constexpr FaceFamily kFamilies[] = {
    {u"System", ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, RASTER_FONTTYPE, kSystem},
    {u"Terminal", OEM_CHARSET, FIXED_PITCH | FF_MODERN, RASTER_FONTTYPE, kTerminal},
    {u"DejaVu Sans", ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, TRUETYPE_FONTTYPE, kDejaVuSans},
    {u"DejaVu Sans Mono", ANSI_CHARSET, FIXED_PITCH | FF_MODERN, TRUETYPE_FONTTYPE, kDejaVuSansMono},
    {u"DejaVu Serif", ANSI_CHARSET, VARIABLE_PITCH | FF_ROMAN, TRUETYPE_FONTTYPE, kDejaVuSerif},
    {u"Arial", ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, TRUETYPE_FONTTYPE, kArial},
    {u"Times New Roman", ANSI_CHARSET, VARIABLE_PITCH | FF_ROMAN, TRUETYPE_FONTTYPE, kTimes},
    {u"Courier New", ANSI_CHARSET, FIXED_PITCH | FF_MODERN, TRUETYPE_FONTTYPE, kCourier},
    {u"IPAGothic", SHIFTJIS_CHARSET, FIXED_PITCH | FF_MODERN, TRUETYPE_FONTTYPE, kIpaGothic},
    {u"IPAPGothic", SHIFTJIS_CHARSET, VARIABLE_PITCH | FF_SWISS, TRUETYPE_FONTTYPE, kIpaPGothic},
    {u"IPAMincho", SHIFTJIS_CHARSET, FIXED_PITCH | FF_ROMAN, TRUETYPE_FONTTYPE, kIpaMincho},
    {u"IPAPMincho", SHIFTJIS_CHARSET, VARIABLE_PITCH | FF_ROMAN, TRUETYPE_FONTTYPE, kIpaPMincho},
    {u"ＭＳ ゴシック", SHIFTJIS_CHARSET, FIXED_PITCH | FF_MODERN, TRUETYPE_FONTTYPE, kMsGothic},
    {u"ＭＳ Ｐゴシック", SHIFTJIS_CHARSET, VARIABLE_PITCH | FF_SWISS, TRUETYPE_FONTTYPE, kMsPGothic},
    {u"ＭＳ 明朝", SHIFTJIS_CHARSET, FIXED_PITCH | FF_ROMAN, TRUETYPE_FONTTYPE, kMsMincho},
    {u"ＭＳ Ｐ明朝", SHIFTJIS_CHARSET, VARIABLE_PITCH | FF_ROMAN, TRUETYPE_FONTTYPE, kMsPMincho},
};

constexpr LONG kEnumEmPixels = 16;  // the size enumeration reports a scalable face at
constexpr BYTE kOutStrokePrecis = 3, kClipStrokePrecis = 2;

const FaceFamily* FindFamily(std::u16string_view name) {
    for (const FaceFamily& family : kFamilies)
        if (EqualNoCase(family.name, name)) return &family;
    return nullptr;
}

bool Installed(const FaceFile& file) {
    return access(file.path, R_OK) == 0;
}

// The file nearest the weight and italic asked.
const FaceFile& NearestFile(const FaceFamily& family, LONG weight, bool italic) {
    const FaceFile* best = &family.files[0];
    LONG bestScore = -1;
    for (const FaceFile& file : family.files) {
        if (!Installed(file)) continue;
        LONG score = std::abs(file.weight - weight) + (file.italic != italic ? 1000 : 0);
        if (bestScore < 0 || score < bestScore) best = &file, bestScore = score;
    }
    return *best;
}

template <size_t N>
void CopyName(WCHAR (&to)[N], std::u16string_view from) {
    const size_t n = std::min(from.size(), N - 1);
    from.copy(to, n);
    to[n] = 0;
}

struct Reported {
    ENUMLOGFONTEXW font{};
    NEWTEXTMETRICEXW metrics{};
};

// What enumeration reports of one style of a family.
bool Describe(const FaceFamily& family, const FaceFile& file, Reported& out) {
    FaceMetrics m;
    if (!MeasureFace(file.path, kEnumEmPixels, m)) return false;
    const bool trueType = family.fontType == TRUETYPE_FONTTYPE;
    TEXTMETRICW& tm = out.metrics.ntmTm.tm;
    tm.tmAscent = m.ascent;
    tm.tmDescent = m.descent;
    tm.tmHeight = m.ascent + m.descent;
    tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - kEnumEmPixels);
    tm.tmAveCharWidth = m.averageWidth;
    tm.tmMaxCharWidth = m.maxWidth;
    tm.tmWeight = file.weight;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = u' ';
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = u'?';
    tm.tmBreakChar = u' ';
    tm.tmItalic = file.italic ? 1 : 0;
    // GDI's TMPF_FIXED_PITCH bit means the opposite of its name: set for variable pitch.
    tm.tmPitchAndFamily = static_cast<BYTE>((family.pitchAndFamily & 0xF0) |
                                            ((family.pitchAndFamily & 0x0F) == VARIABLE_PITCH ? TMPF_FIXED_PITCH : 0) |
                                            (trueType ? TMPF_TRUETYPE | TMPF_VECTOR : 0));
    tm.tmCharSet = family.charSet;
    NEWTEXTMETRICW& ntm = out.metrics.ntmTm;
    ntm.ntmFlags = (file.weight >= FW_SEMIBOLD ? NTM_BOLD : 0) | (file.italic ? NTM_ITALIC : 0);
    if (ntm.ntmFlags == 0) ntm.ntmFlags = NTM_REGULAR;
    ntm.ntmSizeEM = m.unitsPerEm;
    ntm.ntmCellHeight = static_cast<UINT>(tm.tmHeight);
    ntm.ntmAvgWidth = static_cast<UINT>(tm.tmAveCharWidth);
    LOGFONTW& lf = out.font.elfLogFont;
    lf.lfHeight = tm.tmHeight;
    lf.lfWidth = tm.tmAveCharWidth;
    lf.lfWeight = file.weight;
    lf.lfItalic = tm.tmItalic;
    lf.lfCharSet = family.charSet;
    lf.lfOutPrecision = trueType ? kOutStrokePrecis : OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = trueType ? kClipStrokePrecis : CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DRAFT_QUALITY;
    lf.lfPitchAndFamily = family.pitchAndFamily;
    CopyName(lf.lfFaceName, family.name);
    CopyName(out.font.elfFullName, file.fullName);
    CopyName(out.font.elfStyle, file.style);
    CopyName(out.font.elfScript, family.charSet == SHIFTJIS_CHARSET ? u"日本語" : u"Western");
    return true;
}

// A UI device context, or an application's DC on a printer.
bool UsableDc(HDC hdc) {
    uidc::Dc dc;
    const auto value = reinterpret_cast<ULONG_PTR>(hdc);
    return uidc::ReadDc(hdc, dc) || (value <= 0xFFFFFFFFu && PlatGdiDeviceOfDc(static_cast<DWORD>(value)) != nullptr);
}

// A face name field up to its terminator (the whole field when it has none).
std::u16string_view FaceNameOf(const WCHAR (&field)[LF_FACESIZE]) {
    std::u16string_view all(field, LF_FACESIZE);
    return all.substr(0, all.find(u'\0'));
}

// Reports the families matching the face (empty: all, one style each; a face: all its styles)
// and character set (DEFAULT_CHARSET: any).
int Enumerate(std::u16string_view face, BYTE charSet, FONTENUMPROCW proc, LPARAM lParam) {
    int answer = 1;
    for (const FaceFamily& family : kFamilies) {
        if (!Installed(family.files[0])) continue;
        if (!face.empty() && !EqualNoCase(family.name, face)) continue;
        if (charSet != DEFAULT_CHARSET && family.charSet != charSet) continue;
        for (const FaceFile& file : family.files) {
            if (!Installed(file)) continue;
            Reported r;
            if (!Describe(family, file, r)) continue;
            answer = proc(&r.font.elfLogFont, &r.metrics.ntmTm.tm, family.fontType, lParam);
            if (answer == 0) return 0;
            if (face.empty()) break;  // one style per family when no face is named
        }
    }
    return answer;
}

}  // namespace

FontLook ResolveFontLook(const LOGFONTW& font) {
    const FaceFamily* family = FindFamily(FaceNameOf(font.lfFaceName));
    if (family == nullptr || !Installed(family->files[0]))
        family = FindFamily(font.lfCharSet == SHIFTJIS_CHARSET ? u"IPAPGothic" : u"DejaVu Sans");
    const LONG weight = font.lfWeight == FW_DONTCARE ? FW_NORMAL : font.lfWeight;
    const FaceFile& file = NearestFile(*family, weight, font.lfItalic != 0);
    FontLook look;
    look.file = file.path;
    look.emPixels = font.lfHeight < 0   ? -font.lfHeight
                    : font.lfHeight > 0 ? EmForCell(file.path, font.lfHeight)
                                        : kUiTextPixels;
    look.emboldened = weight >= FW_SEMIBOLD && file.weight < FW_SEMIBOLD;
    look.slanted = font.lfItalic != 0 && !file.italic;
    look.escapement = font.lfEscapement % 3600;
    return look;
}

}  // namespace plat

using namespace plat;

extern "C" {

int EnumFontsW(HDC hdc, LPCWSTR lpLogfont, FONTENUMPROCW lpProc, LPARAM lParam) {
    if (lpProc == nullptr || !UsableDc(hdc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Enumerate(View(lpLogfont), DEFAULT_CHARSET, lpProc, lParam);
}

int EnumFontFamiliesExW(HDC hdc, LPLOGFONTW lpLogfont, FONTENUMPROCW lpProc, LPARAM lParam, DWORD dwFlags) {
    if (lpLogfont == nullptr || lpProc == nullptr || dwFlags != 0 || !UsableDc(hdc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Enumerate(FaceNameOf(lpLogfont->lfFaceName), lpLogfont->lfCharSet, lpProc, lParam);
}

}  // extern "C"
