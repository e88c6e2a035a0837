// The engine's text objects: TrueType font objects over real font files (FreeType renders their
// glyphs and outlines and measures the IFIMETRICS), the string object GDI hands DrvTextOut with
// its batch enumeration, glyph queries of font objects, and EngTextOut for text a driver hands
// back to be drawn on a bitmap surface.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "gdi_objects.h"
#include "plat/gdi_control.h"
#include "win/ddi.h"
#include "win/gdi.h"
#include "win/kernel.h"
#include "win/nls.h"

using namespace plat::gdi;

namespace {

// GDI hands a string to the driver in batches of at most this many glyphs unless told otherwise.
constexpr ULONG kDefaultStringBatch = 32;

// ---- TrueType faces ----

struct FtLibrary {
    FT_Library lib = nullptr;
    FtLibrary() {
        if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
    }
    ~FtLibrary() {
        if (lib) FT_Done_FreeType(lib);
    }
};

FT_Library Library() {
    static FtLibrary library;
    return library.lib;
}
std::mutex& FaceLock() {
    static std::mutex m;
    return m;
}

// One rendered glyph as the engine keeps it for FONTOBJ_cGetGlyphs: the GLYPHDATA, its bits
// (GLYPHBITS header and rows of whole bytes) and, once asked for, its outline.
struct RenderedGlyph {
    GLYPHDATA data{};
    GLYPHDEF bitsDef{};
    GLYPHDEF pathDef{};
    std::vector<ULONG_PTR> bits;  // pointer-aligned GLYPHBITS block
    PATHOBJ* path = nullptr;
    bool rendered = false;
};

struct TrueTypeFont {
    FT_Face face = nullptr;
    FONTOBJ* fo = nullptr;
    std::unordered_map<HGLYPH, RenderedGlyph> glyphs;
    ~TrueTypeFont() {
        for (auto& [hg, g] : glyphs)
            if (g.path) EngDeletePath(g.path);
        std::lock_guard<std::mutex> lock(FaceLock());
        if (face) FT_Done_Face(face);
    }
};

std::mutex& FontTableLock() {
    static std::mutex m;
    return m;
}
std::map<FONTOBJ*, std::unique_ptr<TrueTypeFont>>& FontTable() {
    static std::map<FONTOBJ*, std::unique_ptr<TrueTypeFont>> table;
    return table;
}
TrueTypeFont* TrueTypeOf(FONTOBJ* pfo) {
    std::lock_guard<std::mutex> lock(FontTableLock());
    auto it = FontTable().find(pfo);
    return it == FontTable().end() ? nullptr : it->second.get();
}

FWORD Fword(long v) {
    return static_cast<FWORD>(std::clamp<long>(v, -32768, 32767));
}

// The IFIMETRICS of a face, measured from the font file, with its names behind the record.
std::u16string Widened(const char* text) {
    std::u16string out;
    for (const char* c = text; c != nullptr && *c != 0; ++c) out.push_back(static_cast<unsigned char>(*c));
    return out;
}

std::vector<ULONG_PTR> MeasureIfiMetrics(FT_Face face, BYTE charSet, const WCHAR* familyName) {
    const std::u16string family = familyName != nullptr ? std::u16string(familyName) : Widened(face->family_name);
    const std::u16string style = Widened(face->style_name);
    const size_t namesAt = sizeof(IFIMETRICS);
    const size_t familyBytes = (family.size() + 1) * sizeof(WCHAR);
    const size_t styleBytes = (style.size() + 1) * sizeof(WCHAR);
    const size_t total = namesAt + familyBytes + styleBytes;
    std::vector<ULONG_PTR> block((total + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR));
    auto* ifi = reinterpret_cast<IFIMETRICS*>(block.data());
    auto* bytes = reinterpret_cast<BYTE*>(block.data());
    ifi->cjThis = static_cast<ULONG>(total);
    ifi->dpwszFamilyName = static_cast<PTRDIFF>(namesAt);
    ifi->dpwszFaceName = static_cast<PTRDIFF>(namesAt);
    ifi->dpwszUniqueName = static_cast<PTRDIFF>(namesAt);
    ifi->dpwszStyleName = static_cast<PTRDIFF>(namesAt + familyBytes);
    std::memcpy(bytes + namesAt, family.c_str(), familyBytes);
    std::memcpy(bytes + namesAt + familyBytes, style.c_str(), styleBytes);

    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const TT_Postscript* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
    const bool bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    const bool italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    ifi->jWinCharSet = charSet;
    ifi->jWinPitchAndFamily = FT_IS_FIXED_WIDTH(face) ? FIXED_PITCH : VARIABLE_PITCH;
    ifi->usWinWeight = os2 ? os2->usWeightClass : (bold ? FW_BOLD : FW_NORMAL);
    ifi->flInfo = FM_INFO_TECH_TRUETYPE | FM_INFO_ARB_XFORMS | FM_INFO_1BPP | FM_INFO_RETURNS_OUTLINES |
                  FM_INFO_RETURNS_BITMAPS | FM_INFO_RIGHT_HANDED;
    if (FT_IS_FIXED_WIDTH(face)) ifi->flInfo |= FM_INFO_CONSTANT_WIDTH | FM_INFO_OPTICALLY_FIXED_PITCH;
    if (charSet == SHIFTJIS_CHARSET && FT_IS_FIXED_WIDTH(face)) ifi->flInfo |= FM_INFO_DBCS_FIXED_PITCH;
    ifi->fsSelection = static_cast<USHORT>((italic ? FM_SEL_ITALIC : 0) | (bold ? FM_SEL_BOLD : 0) |
                                           (!italic && !bold ? FM_SEL_REGULAR : 0));
    ifi->fwdUnitsPerEm = Fword(face->units_per_EM);
    ifi->fwdLowestPPEm = 1;
    ifi->fwdWinAscender = Fword(os2 ? os2->usWinAscent : face->ascender);
    ifi->fwdWinDescender = Fword(os2 ? os2->usWinDescent : -face->descender);
    ifi->fwdMacAscender = Fword(face->ascender);
    ifi->fwdMacDescender = Fword(face->descender);
    ifi->fwdMacLineGap = Fword(face->height - face->ascender + face->descender);
    ifi->fwdTypoAscender = Fword(os2 ? os2->sTypoAscender : face->ascender);
    ifi->fwdTypoDescender = Fword(os2 ? os2->sTypoDescender : face->descender);
    ifi->fwdTypoLineGap = Fword(os2 ? os2->sTypoLineGap : 0);
    ifi->fwdMaxCharInc = Fword(face->max_advance_width);
    ifi->fwdAveCharWidth = Fword(os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : face->max_advance_width / 2);
    ifi->fwdCapHeight = Fword(os2 && os2->version >= 2 ? os2->sCapHeight : face->ascender);
    ifi->fwdXHeight = Fword(os2 && os2->version >= 2 ? os2->sxHeight : face->ascender / 2);
    ifi->fwdUnderscoreSize = Fword(std::max<long>(face->underline_thickness, 1));
    ifi->fwdUnderscorePosition = Fword(face->underline_position);
    ifi->fwdStrikeoutSize = Fword(os2 ? os2->yStrikeoutSize : face->underline_thickness);
    ifi->fwdStrikeoutPosition = Fword(os2 ? os2->yStrikeoutPosition : face->ascender / 3);
    ifi->chFirstChar = 0x20;
    ifi->chLastChar = 0xFF;
    ifi->chDefaultChar = '.';
    ifi->chBreakChar = ' ';
    ifi->wcFirstChar = 0x20;
    ifi->wcLastChar = 0xFFFF;
    ifi->wcDefaultChar = u'.';
    ifi->wcBreakChar = u' ';
    ifi->ptlBaseline = POINTL{1, 0};
    ifi->ptlAspect = POINTL{1, 1};
    // The caret slant: upright (0, 1), or leaning by the font's italic angle.
    const double angle = post ? post->italicAngle / 65536.0 : 0.0;
    ifi->lItalicAngle = static_cast<LONG>(std::lround(angle * 10));
    ifi->ptlCaret =
        angle == 0 ? POINTL{0, 1} : POINTL{static_cast<LONG>(std::lround(-std::tan(angle * M_PI / 180) * 100)), 100};
    ifi->rclFontBox = RECTL{static_cast<LONG>(face->bbox.xMin), static_cast<LONG>(face->bbox.yMax),
                            static_cast<LONG>(face->bbox.xMax), static_cast<LONG>(face->bbox.yMin)};
    if (os2) std::memcpy(ifi->achVendId, os2->achVendID, 4);
    return block;
}

// Loads a glyph through the font's transform: FreeType works y-up, the engine's notional and
// device spaces y-down, so the matrix is conjugated by the flip. One font unit is one 26.6 unit
// before the transform, so the result is in device pixels. Called with the face lock held.
bool LoadTransformed(TrueTypeFont& font, HGLYPH hg) {
    XFORMOBJ* xo = FONTOBJ_pxoGetXform(font.fo);
    XFORML m{};
    if (!xo || XFORMOBJ_iGetXform(xo, &m) == DDI_ERROR) return false;
    FT_Face face = font.face;
    if (hg >= static_cast<HGLYPH>(face->num_glyphs)) return false;
    if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(face->units_per_EM) * 64, 72, 72) != 0) return false;
    auto fixed = [](double v) {
        return static_cast<FT_Fixed>(std::isfinite(v) ? std::clamp(v, -32767.0, 32767.0) * 65536.0 : 0.0);
    };
    FT_Matrix matrix{fixed(m.eM11), fixed(-m.eM21), fixed(-m.eM12), fixed(m.eM22)};
    FT_Set_Transform(face, &matrix, nullptr);
    const bool ok = FT_Load_Glyph(face, hg, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO) == 0;
    FT_Set_Transform(face, nullptr, nullptr);
    return ok;
}

// The glyph's metrics from a loaded slot (device pixels, y-down).
void FillGlyphData(FT_GlyphSlot slot, HGLYPH hg, RenderedGlyph& g) {
    const double ax = slot->advance.x / 64.0, ay = -slot->advance.y / 64.0;
    g.data.hg = hg;
    g.data.fxD = static_cast<FIX>(std::lround(std::hypot(ax, ay) * 16));
    g.data.ptqD.x.QuadPart = static_cast<LONGLONG>(std::llround(ax * 4294967296.0));
    g.data.ptqD.y.QuadPart = static_cast<LONGLONG>(std::llround(ay * 4294967296.0));
}

bool RenderBits(TrueTypeFont& font, HGLYPH hg, RenderedGlyph& g) {
    std::lock_guard<std::mutex> lock(FaceLock());
    if (!LoadTransformed(font, hg)) return false;
    const FT_GlyphSlot slot = font.face->glyph;
    FillGlyphData(slot, hg, g);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return false;
    const FT_Bitmap& bm = slot->bitmap;
    // An empty glyph (a space) is a 1 x 1 blank bitmap, as the engine hands it.
    const ULONG cx = std::max<ULONG>(bm.width, 1), cy = std::max<ULONG>(bm.rows, 1);
    const ULONG rowBytes = (cx + 7) / 8;
    const size_t bytes = offsetof(GLYPHBITS, aj) + static_cast<size_t>(rowBytes) * cy;
    g.bits.assign((bytes + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR), 0);
    auto* gb = reinterpret_cast<GLYPHBITS*>(g.bits.data());
    gb->ptlOrigin = POINTL{slot->bitmap_left, -slot->bitmap_top};
    gb->sizlBitmap = SIZEL{static_cast<LONG>(cx), static_cast<LONG>(cy)};
    const size_t copy = std::min<size_t>(rowBytes, static_cast<size_t>(std::abs(bm.pitch)));
    for (unsigned y = 0; y < bm.rows && bm.buffer != nullptr; ++y)
        std::memcpy(gb->aj + static_cast<size_t>(y) * rowBytes, bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch, copy);
    g.data.fxA = static_cast<FIX>(slot->bitmap_left * 16);
    g.data.fxAB = static_cast<FIX>((slot->bitmap_left + static_cast<LONG>(bm.width)) * 16);
    g.data.fxInkTop = static_cast<FIX>(slot->bitmap_top * 16);
    g.data.fxInkBottom = static_cast<FIX>((slot->bitmap_top - static_cast<LONG>(bm.rows)) * 16);
    g.data.rclInk = RECTL{gb->ptlOrigin.x, gb->ptlOrigin.y, gb->ptlOrigin.x + static_cast<LONG>(bm.width),
                          gb->ptlOrigin.y + static_cast<LONG>(bm.rows)};
    g.bitsDef.pgb = gb;
    return true;
}

POINTFIX FixOf(const FT_Vector& v) {
    // 26.6 y-up to 28.4 y-down.
    return POINTFIX{static_cast<FIX>(v.x / 4), static_cast<FIX>(-v.y / 4)};
}

// The glyph's outline as a path (quadratic pieces raised to cubic Bezier curves).
PATHOBJ* OutlinePath(TrueTypeFont& font, HGLYPH hg, RenderedGlyph& g) {
    std::lock_guard<std::mutex> lock(FaceLock());
    if (!LoadTransformed(font, hg) || font.face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
    FillGlyphData(font.face->glyph, hg, g);
    struct Builder {
        std::vector<std::vector<PLAT_PATH_SEGMENT>> segments;
        std::vector<POINTFIX> starts;
        POINTFIX current{};
    } b;
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* user) {
        auto* s = static_cast<Builder*>(user);
        s->starts.push_back(FixOf(*to));
        s->segments.emplace_back();
        s->current = FixOf(*to);
        return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* user) {
        auto* s = static_cast<Builder*>(user);
        if (s->segments.empty()) return 1;
        PLAT_PATH_SEGMENT seg{};
        seg.pt[0] = FixOf(*to);
        s->segments.back().push_back(seg);
        s->current = seg.pt[0];
        return 0;
    };
    funcs.conic_to = [](const FT_Vector* c, const FT_Vector* to, void* user) {
        auto* s = static_cast<Builder*>(user);
        if (s->segments.empty()) return 1;
        const POINTFIX p0 = s->current, q = FixOf(*c), p3 = FixOf(*to);
        PLAT_PATH_SEGMENT seg{};
        seg.bezier = TRUE;
        seg.pt[0] = POINTFIX{p0.x + 2 * (q.x - p0.x) / 3, p0.y + 2 * (q.y - p0.y) / 3};
        seg.pt[1] = POINTFIX{p3.x + 2 * (q.x - p3.x) / 3, p3.y + 2 * (q.y - p3.y) / 3};
        seg.pt[2] = p3;
        s->segments.back().push_back(seg);
        s->current = p3;
        return 0;
    };
    funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        auto* s = static_cast<Builder*>(user);
        if (s->segments.empty()) return 1;
        PLAT_PATH_SEGMENT seg{};
        seg.bezier = TRUE;
        seg.pt[0] = FixOf(*c1);
        seg.pt[1] = FixOf(*c2);
        seg.pt[2] = FixOf(*to);
        s->segments.back().push_back(seg);
        s->current = seg.pt[2];
        return 0;
    };
    if (FT_Outline_Decompose(&font.face->glyph->outline, &funcs, &b) != 0) return nullptr;
    std::vector<PLAT_PATH_FIGURE> figures;
    for (size_t i = 0; i < b.starts.size(); ++i)
        figures.push_back(
            PLAT_PATH_FIGURE{b.starts[i], static_cast<ULONG>(b.segments[i].size()), b.segments[i].data(), TRUE});
    return PlatPathCreate(figures.data(), static_cast<ULONG>(figures.size()));
}

// ---- String objects ----

struct StringObject {
    STROBJ so{};  // first, so the STROBJ* handed out maps back to its object
    std::vector<GLYPHPOS> positions;
    std::u16string text;
    ULONG batch = kDefaultStringBatch;
    ULONG next = 0;  // first glyph of the next batch
    DWORD codePage = 0;
};

StringObject* AsString(STROBJ* pstro) {
    return pstro && IsLoose(pstro) ? reinterpret_cast<StringObject*>(pstro) : nullptr;
}

// The code page of the font's character set, as GDI reports it for a string.
DWORD CodePageOf(FONTOBJ* pfo) {
    const IFIMETRICS* ifi = pfo ? FONTOBJ_pifi(pfo) : nullptr;
    if (ifi && ifi->jWinCharSet == SHIFTJIS_CHARSET) return 932;
    if (ifi && ifi->jWinCharSet == ANSI_CHARSET) return 1252;
    return GetACP();
}

// ---- Drawing text on a bitmap surface ----

struct Rects {
    std::vector<RECTL> list;
};

// The clip's rectangles cut to the surface.
Rects ClipPieces(SURFOBJ* pso, CLIPOBJ* pco) {
    const RECTL all{0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
    Rects r;
    if (pco == nullptr || pco->iDComplexity == DC_TRIVIAL) {
        r.list.push_back(all);
    } else if (pco->iDComplexity == DC_RECT) {
        r.list.push_back(pco->rclBounds);
    } else if (!ClipRectangles(pco, r.list)) {
        r.list.clear();
    }
    for (RECTL& c : r.list) {
        c.left = std::max(c.left, all.left), c.top = std::max(c.top, all.top);
        c.right = std::min(c.right, all.right), c.bottom = std::min(c.bottom, all.bottom);
    }
    return r;
}

bool Inside(const Rects& clip, LONG x, LONG y) {
    for (const RECTL& c : clip.list)
        if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) return true;
    return false;
}

void FillRect(SURFOBJ* pso, const Rects& clip, const RECTL& r, ULONG colour) {
    for (const RECTL& c : clip.list) {
        const LONG l = std::max(r.left, c.left), t = std::max(r.top, c.top);
        const LONG rr = std::min(r.right, c.right), b = std::min(r.bottom, c.bottom);
        for (LONG y = t; y < b; ++y)
            for (LONG x = l; x < rr; ++x) PutPixel(*pso, x, y, colour);
    }
}

void DrawGlyphBits(SURFOBJ* pso, const Rects& clip, const GLYPHBITS* gb, POINTL at, ULONG colour) {
    const LONG cx = gb->sizlBitmap.cx, cy = gb->sizlBitmap.cy;
    const LONG rowBytes = (cx + 7) / 8;
    for (LONG y = 0; y < cy; ++y) {
        const BYTE* row = gb->aj + static_cast<ptrdiff_t>(y) * rowBytes;
        for (LONG x = 0; x < cx; ++x) {
            if ((row[x / 8] & (0x80 >> (x % 8))) == 0) continue;
            const LONG px = at.x + gb->ptlOrigin.x + x, py = at.y + gb->ptlOrigin.y + y;
            if (Inside(clip, px, py)) PutPixel(*pso, px, py, colour);
        }
    }
}

// Visits every glyph position of a string, from its own array or batch by batch.
template <class Visit>
void ForEachGlyph(STROBJ* pstro, Visit visit) {
    if (pstro->pgp != nullptr) {
        for (ULONG i = 0; i < pstro->cGlyphs; ++i) visit(pstro->pgp[i]);
        return;
    }
    STROBJ_vEnumStart(pstro);
    BOOL more;
    do {
        ULONG count = 0;
        GLYPHPOS* batch = nullptr;
        more = STROBJ_bEnum(pstro, &count, &batch);
        for (ULONG i = 0; batch != nullptr && i < count; ++i) visit(batch[i]);
    } while (more);
}

}  // namespace

extern "C" {

// ---- Font objects of engine (TrueType) fonts ----

FONTOBJ* PlatTrueTypeFontCreate(const PLAT_TRUETYPE_SETUP* setup) {
    if (!setup || !setup->fontFile || !Library()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto font = std::make_unique<TrueTypeFont>();
    {
        std::lock_guard<std::mutex> lock(FaceLock());
        if (FT_New_Face(Library(), setup->fontFile, setup->faceIndex, &font->face) != 0) {
            font->face = nullptr;
            SetLastError(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
    }
    if (!FT_IS_SCALABLE(font->face) || font->face->units_per_EM == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<ULONG_PTR> ifi = MeasureIfiMetrics(font->face, static_cast<BYTE>(setup->charSet), setup->familyName);
    PLAT_FONT_SETUP fs{};
    fs.iUniq = setup->iUniq;
    fs.iFace = 0;
    fs.flFontType = TRUETYPE_FONTTYPE | (setup->flSimulations & (FO_SIM_BOLD | FO_SIM_ITALIC));
    fs.sizLogResPpi = setup->sizLogResPpi;
    fs.ulStyleSize = setup->ulStyleSize;
    fs.hasXform = TRUE;
    fs.xform = setup->xform;
    fs.ifi = reinterpret_cast<const IFIMETRICS*>(ifi.data());
    FONTOBJ* fo = PlatFontCreate(&fs);
    if (!fo) return nullptr;
    fo->iFile = setup->iFile;
    fo->iTTUniq = setup->iUniq;
    font->fo = fo;
    std::lock_guard<std::mutex> lock(FontTableLock());
    FontTable()[fo] = std::move(font);
    return fo;
}

void PlatTrueTypeFontDelete(FONTOBJ* pfo) {
    std::unique_ptr<TrueTypeFont> font;
    {
        std::lock_guard<std::mutex> lock(FontTableLock());
        auto it = FontTable().find(pfo);
        if (it == FontTable().end()) return;
        font = std::move(it->second);
        FontTable().erase(it);
    }
    font.reset();
    PlatFontDelete(pfo);
}

HGLYPH PlatTrueTypeGlyphOf(FONTOBJ* pfo, WCHAR wc) {
    TrueTypeFont* font = TrueTypeOf(pfo);
    if (!font) return HGLYPH_INVALID;
    std::lock_guard<std::mutex> lock(FaceLock());
    return FT_Get_Char_Index(font->face, wc);
}

ULONG FONTOBJ_cGetAllGlyphHandles(FONTOBJ* pfo, HGLYPH* phg) {
    TrueTypeFont* font = TrueTypeOf(pfo);
    if (!font) return 0;
    const ULONG count = static_cast<ULONG>(font->face->num_glyphs);
    for (ULONG i = 0; phg != nullptr && i < count; ++i) phg[i] = i;
    return count;
}

ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, PVOID* ppvGlyph) {
    TrueTypeFont* font = TrueTypeOf(pfo);
    // The engine hands out one glyph per call; device fonts have no glyphs of the engine's.
    if (!font || !phg || !ppvGlyph || cGlyph == 0 || (iMode != FO_GLYPHBITS && iMode != FO_PATHOBJ)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    RenderedGlyph& g = font->glyphs[*phg];
    if (iMode == FO_GLYPHBITS) {
        if (!g.rendered && !RenderBits(*font, *phg, g)) {
            font->glyphs.erase(*phg);
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        g.rendered = true;
        g.data.gdf = g.bitsDef;
    } else {
        if (!g.path) g.path = OutlinePath(*font, *phg, g);
        if (!g.path) {
            if (!g.rendered) font->glyphs.erase(*phg);
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        g.pathDef.ppo = g.path;
        g.data.gdf = g.pathDef;
    }
    *ppvGlyph = &g.data;
    return 1;
}

// ---- String objects ----

STROBJ* PlatStringCreate(const PLAT_STRING_SETUP* setup) {
    if (!setup || (setup->cGlyphs > 0 && (!setup->positions || !setup->handles))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* s = new (std::nothrow) StringObject;
    if (!s) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    s->positions.resize(setup->cGlyphs);
    RECTL bounds{0, 0, 0, 0};
    for (ULONG i = 0; i < setup->cGlyphs; ++i) {
        s->positions[i].hg = setup->handles[i];
        s->positions[i].ptl = setup->positions[i];
        const POINTL p = setup->positions[i];
        if (i == 0) bounds = RECTL{p.x, p.y, p.x + 1, p.y + 1};
        bounds.left = std::min(bounds.left, p.x), bounds.top = std::min(bounds.top, p.y);
        bounds.right = std::max(bounds.right, p.x + 1), bounds.bottom = std::max(bounds.bottom, p.y + 1);
    }
    if (setup->text) s->text.assign(setup->text, setup->text + setup->cGlyphs);
    s->text.push_back(0);
    s->batch = setup->batch != 0 ? setup->batch : kDefaultStringBatch;
    s->codePage = setup->codePage;
    s->so.cGlyphs = setup->cGlyphs;
    s->so.flAccel = setup->flAccel;
    s->so.ulCharInc = setup->ulCharInc;
    s->so.rclBkGround = bounds;
    // GDI hands the positions at once only when they fit in one batch.
    s->so.pgp = setup->cGlyphs <= s->batch && setup->cGlyphs > 0 ? s->positions.data() : nullptr;
    s->so.pwszOrg = s->text.data();
    AddLoose(s);
    return &s->so;
}

void PlatStringDelete(STROBJ* pstro) {
    StringObject* s = AsString(pstro);
    if (!s) return;
    RemoveLoose(s);
    delete s;
}

void STROBJ_vEnumStart(STROBJ* pstro) {
    if (StringObject* s = AsString(pstro)) s->next = 0;
}

BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos) {
    StringObject* s = AsString(pstro);
    if (!s || !pc || !ppgpos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return DDI_ERROR;
    }
    const ULONG total = static_cast<ULONG>(s->positions.size());
    const ULONG count = std::min(s->batch, total - std::min(s->next, total));
    *pc = count;
    *ppgpos = count ? s->positions.data() + s->next : nullptr;
    s->next += count;
    return s->next < total;
}

DWORD STROBJ_dwGetCodePage(STROBJ* pstro) {
    StringObject* s = AsString(pstro);
    if (!s) return 0;
    return s->codePage != 0 ? s->codePage : GetACP();
}

DWORD PlatFontCodePage(FONTOBJ* pfo) {
    return CodePageOf(pfo);
}

// ---- Text drawn by the engine ----

BOOL EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
    if (!pso || !pstro || !pfo || !pso->pvScan0 || BitsPerPixel(pso->iBitmapFormat) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const Rects clip = ClipPieces(pso, pco);
    if (prclOpaque && pboOpaque) FillRect(pso, clip, *prclOpaque, pboOpaque->iSolidColor);
    const ULONG colour = pboFore ? pboFore->iSolidColor : 0;
    bool ok = true;
    ForEachGlyph(pstro, [&](const GLYPHPOS& gp) {
        const GLYPHBITS* gb = gp.pgdf != nullptr ? gp.pgdf->pgb : nullptr;
        if (!gb) {
            HGLYPH hg = gp.hg;
            GLYPHDATA* gd = nullptr;
            if (FONTOBJ_cGetGlyphs(pfo, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&gd)) != 1 || !gd) {
                ok = false;
                return;
            }
            gb = gd->gdf.pgb;
        }
        if (gb) DrawGlyphBits(pso, clip, gb, gp.ptl, colour);
    });
    // Underline and strike-out rectangles, up to the first all-zero one.
    for (RECTL* r = prclExtra; r != nullptr && (r->left | r->top | r->right | r->bottom) != 0; ++r)
        FillRect(pso, clip, *r, colour);
    pso->iUniq++;
    return ok ? TRUE : FALSE;
}

}  // extern "C"
