// Fonts of device contexts: the faces enumeration reports, text drawn turned, bold and in the
// size asked; and bitmap files stretched onto a picture with SRCAND.
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sandbox_fixture.h"
#include "win/gdi_fonts.h"
#include "win/kernel.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace {

struct Reported {
    std::u16string face, fullName;
    DWORD type;
    BYTE charSet, pitchAndFamily, tmPitchAndFamily;
    LONG weight;
};

int CALLBACK Collect(const LOGFONTW* lf, const TEXTMETRICW* tm, DWORD type, LPARAM lParam) {
    auto* out = reinterpret_cast<std::vector<Reported>*>(lParam);
    const std::u16string full =
        (type & TRUETYPE_FONTTYPE) ? reinterpret_cast<const ENUMLOGFONTW*>(lf)->elfFullName : u"";
    out->push_back(
        Reported{lf->lfFaceName, full, type, lf->lfCharSet, lf->lfPitchAndFamily, tm->tmPitchAndFamily, lf->lfWeight});
    return 1;
}

int CALLBACK StopAtFirst(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM lParam) {
    ++*reinterpret_cast<int*>(lParam);
    return 0;
}

const Reported* Find(const std::vector<Reported>& all, std::u16string_view face) {
    for (const Reported& r : all)
        if (r.face == face) return &r;
    return nullptr;
}

// A memory DC on a white picture, deleted with its objects.
struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap;
    HGDIOBJ old;
    Canvas(int width, int height) : bitmap(CreateCompatibleBitmap(dc, width, height)), old(SelectObject(dc, bitmap)) {
        RECT all{0, 0, width, height};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(dc, TRANSPARENT);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
};

struct FontHolder {
    HFONT h;
    explicit FontHolder(HFONT font) : h(font) {}
    ~FontHolder() { DeleteObject(h); }
    FontHolder(const FontHolder&) = delete;
    FontHolder& operator=(const FontHolder&) = delete;
};

// The box of the picture's dark pixels and how many there are.
struct Ink {
    RECT box{0, 0, 0, 0};
    int pixels = 0;
};
Ink InkOf(HDC dc, int width, int height) {
    Ink ink{{width, height, -1, -1}, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (GetRValue(GetPixel(dc, x, y)) >= 128) continue;
            ++ink.pixels;
            ink.box = RECT{std::min<LONG>(ink.box.left, x), std::min<LONG>(ink.box.top, y),
                           std::max<LONG>(ink.box.right, x + 1), std::max<LONG>(ink.box.bottom, y + 1)};
        }
    }
    return ink;
}

HFONT Font(int height, int escapement, int weight, const char16_t* face) {
    return CreateFontW(height, 0, escapement, escapement, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

TEST(FontEnumeration, FacesWithTheirTypePitchAndFamily) {
    Canvas canvas(4, 4);
    std::vector<Reported> all;
    EXPECT_EQ(EnumFontsW(canvas.dc, nullptr, Collect, reinterpret_cast<LPARAM>(&all)), 1);
    struct Case {
        const char16_t* face;
        DWORD type;
        BYTE charSet, pitchAndFamily;
        bool variableInMetrics;    // TMPF_FIXED_PITCH, which GDI sets for a variable pitch
        const char16_t* fullName;  // of the regular style; raster faces have none
    };
    const Case cases[] = {
        {u"ＭＳ ゴシック", TRUETYPE_FONTTYPE, SHIFTJIS_CHARSET, FIXED_PITCH | FF_MODERN, false, u"ＭＳ ゴシック"},
        {u"ＭＳ Ｐ明朝", TRUETYPE_FONTTYPE, SHIFTJIS_CHARSET, VARIABLE_PITCH | FF_ROMAN, true, u"ＭＳ Ｐ明朝"},
        {u"DejaVu Sans", TRUETYPE_FONTTYPE, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, true, u"DejaVu Sans"},
        {u"Arial", TRUETYPE_FONTTYPE, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, true, u"Arial"},
        {u"System", RASTER_FONTTYPE, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, true, u""},
    };
    for (const Case& c : cases) {
        const Reported* r = Find(all, c.face);
        ASSERT_NE(r, nullptr) << std::string(c.face, c.face + 2);
        EXPECT_EQ(r->type, c.type);
        EXPECT_EQ(r->charSet, c.charSet);
        EXPECT_EQ(r->pitchAndFamily, c.pitchAndFamily);
        EXPECT_EQ((r->tmPitchAndFamily & TMPF_FIXED_PITCH) != 0, c.variableInMetrics);
        EXPECT_EQ((r->tmPitchAndFamily & TMPF_TRUETYPE) != 0, c.type == TRUETYPE_FONTTYPE);
        EXPECT_EQ(r->tmPitchAndFamily & 0xF0, c.pitchAndFamily & 0xF0);
        EXPECT_EQ(r->fullName, c.fullName);
    }
    // Each face once when none is named.
    for (const Reported& r : all) {
        int seen = 0;
        for (const Reported& other : all) seen += other.face == r.face ? 1 : 0;
        EXPECT_EQ(seen, 1);
    }
}

TEST(FontEnumeration, NamedFaceGivesItsStylesAndTheCallbackCanStop) {
    Canvas canvas(4, 4);
    std::vector<Reported> styles;
    EnumFontsW(canvas.dc, u"dejavu sans", Collect, reinterpret_cast<LPARAM>(&styles));
    std::vector<std::u16string> names;
    for (const Reported& r : styles) names.push_back(r.fullName);
    const std::vector<std::u16string> expected{u"DejaVu Sans", u"DejaVu Sans Bold", u"DejaVu Sans Oblique",
                                               u"DejaVu Sans Bold Oblique"};
    EXPECT_EQ(names, expected);
    int calls = 0;
    EXPECT_EQ(EnumFontsW(canvas.dc, nullptr, StopAtFirst, reinterpret_cast<LPARAM>(&calls)), 0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(EnumFontsW(canvas.dc, u"No Such Face", StopAtFirst, reinterpret_cast<LPARAM>(&calls)), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(EnumFontsW(nullptr, nullptr, Collect, reinterpret_cast<LPARAM>(&styles)), 0);

    LOGFONTW japanese{};
    japanese.lfCharSet = SHIFTJIS_CHARSET;
    std::vector<Reported> byCharSet;
    EnumFontFamiliesExW(canvas.dc, &japanese, Collect, reinterpret_cast<LPARAM>(&byCharSet), 0);
    ASSERT_FALSE(byCharSet.empty());
    for (const Reported& r : byCharSet) EXPECT_EQ(r.charSet, SHIFTJIS_CHARSET);
    EXPECT_NE(Find(byCharSet, u"ＭＳ Ｐゴシック"), nullptr);
}

TEST(TurnedText, EscapementTurnsTextAboutItsReferencePoint) {
    constexpr int kSide = 200;
    constexpr POINT kReference{100, 100};
    struct Case {
        int escapement;
        bool tall;  // the ink is taller than wide
        // Where the ink lies from the reference point: sign of (its centre - the point).
        int dx, dy;
    };
    const Case cases[] = {
        {0, false, +1, +1},     // to the right, below the top-left reference
        {900, true, +1, -1},    // upwards, right of the point (the cell's top turns to the left)
        {2700, true, -1, +1},   // downwards, left of the point
        {1800, false, -1, -1},  // upside down to the left
    };
    for (const Case& c : cases) {
        Canvas canvas(kSide, kSide);
        FontHolder font(Font(-20, c.escapement, FW_NORMAL, u"DejaVu Sans"));
        HGDIOBJ old = SelectObject(canvas.dc, font.h);
        ASSERT_TRUE(TextOutW(canvas.dc, kReference.x, kReference.y, u"HHHHHH", 6));
        SelectObject(canvas.dc, old);
        Ink ink = InkOf(canvas.dc, kSide, kSide);
        ASSERT_GT(ink.pixels, 0) << c.escapement;
        const LONG width = ink.box.right - ink.box.left, height = ink.box.bottom - ink.box.top;
        EXPECT_EQ(height > width, c.tall) << c.escapement << ": " << width << "x" << height;
        const LONG cx = (ink.box.left + ink.box.right) / 2 - kReference.x;
        const LONG cy = (ink.box.top + ink.box.bottom) / 2 - kReference.y;
        EXPECT_EQ(cx > 0 ? 1 : -1, c.dx) << c.escapement;
        EXPECT_EQ(cy > 0 ? 1 : -1, c.dy) << c.escapement;
    }
}

TEST(TurnedText, DrawTextTurnsAndSizeAndWeightShow) {
    constexpr int kSide = 200;
    Canvas straight(kSide, kSide), turned(kSide, kSide), bold(kSide, kSide);
    FontHolder normalFont(Font(-20, 0, FW_NORMAL, u"Arial")), turnedFont(Font(-20, 900, FW_NORMAL, u"Arial")),
        boldFont(Font(-20, 0, FW_BOLD, u"Arial"));
    RECT r{20, 120, 180, 160};
    const struct {
        Canvas& canvas;
        HFONT font;
    } draws[] = {{straight, normalFont.h}, {turned, turnedFont.h}, {bold, boldFont.h}};
    for (const auto& d : draws) {
        HGDIOBJ old = SelectObject(d.canvas.dc, d.font);
        RECT box = r;
        EXPECT_GT(DrawTextW(d.canvas.dc, u"Stamp", -1, &box, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX), 0);
        SelectObject(d.canvas.dc, old);
    }
    Ink a = InkOf(straight.dc, kSide, kSide), b = InkOf(turned.dc, kSide, kSide), c = InkOf(bold.dc, kSide, kSide);
    EXPECT_GT(a.box.right - a.box.left, a.box.bottom - a.box.top);
    EXPECT_GT(b.box.bottom - b.box.top, b.box.right - b.box.left);
    EXPECT_LE(b.box.bottom, r.top + 2);     // turned upwards about the line's top-left corner
    EXPECT_GT(c.pixels, a.pixels * 5 / 4);  // bold is heavier

    SIZE small{}, large{};
    FontHolder largeFont(Font(-40, 0, FW_NORMAL, u"Arial"));
    HGDIOBJ old = SelectObject(straight.dc, normalFont.h);
    ASSERT_TRUE(GetTextExtentPoint32W(straight.dc, u"Stamp", 5, &small));
    SelectObject(straight.dc, largeFont.h);
    ASSERT_TRUE(GetTextExtentPoint32W(straight.dc, u"Stamp", 5, &large));
    SelectObject(straight.dc, old);
    EXPECT_NEAR(large.cx, 2 * small.cx, 3);
    EXPECT_NEAR(large.cy, 2 * small.cy, 2);
    EXPECT_NEAR(small.cx, a.box.right - a.box.left, 4);  // the extent is the ink's run (plus bearings)
}

// A 2 x 2 bitmap file, 24 bits, bottom-up rows padded to 4 bytes.
std::string BitmapFile(const COLORREF (&topDown)[2][2]) {
    std::string rows;
    for (int y = 1; y >= 0; --y) {
        for (int x = 0; x < 2; ++x) {
            const COLORREF c = topDown[y][x];
            rows += {static_cast<char>(GetBValue(c)), static_cast<char>(GetGValue(c)), static_cast<char>(GetRValue(c))};
        }
        rows += std::string(2, '\0');
    }
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = 2;
    info.biHeight = 2;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + rows.size());
    std::string out(reinterpret_cast<const char*>(&file), sizeof file);
    out.append(reinterpret_cast<const char*>(&info), sizeof info);
    return out + rows;
}

class BitmapBlits : public SandboxTest {};

TEST_F(BitmapBlits, StretchBltWithSrcAndMasksTheDestination) {
    const COLORREF kRed = RGB(255, 0, 0), kGrey = RGB(128, 128, 128);
    const COLORREF source[2][2] = {{RGB(0, 0, 0), RGB(255, 255, 255)}, {kGrey, RGB(255, 255, 255)}};
    {
        std::ofstream out(Host(u"C:\\mark.bmp"), std::ios::binary);
        out << BitmapFile(source);
    }
    HBITMAP picture = static_cast<HBITMAP>(LoadImageW(nullptr, u"C:\\mark.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(picture, nullptr);
    HDC from = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFrom = SelectObject(from, picture);
    {
        Canvas canvas(4, 4);
        HBRUSH red = CreateSolidBrush(kRed);
        RECT all{0, 0, 4, 4};
        FillRect(canvas.dc, &all, red);
        ASSERT_TRUE(StretchBlt(canvas.dc, 0, 0, 4, 4, from, 0, 0, 2, 2, SRCAND));
        // Black stays black, white lets the red through, grey halves it.
        const COLORREF expected[4][4] = {{0, 0, kRed, kRed},
                                         {0, 0, kRed, kRed},
                                         {RGB(128, 0, 0), RGB(128, 0, 0), kRed, kRed},
                                         {RGB(128, 0, 0), RGB(128, 0, 0), kRed, kRed}};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(GetPixel(canvas.dc, x, y), expected[y][x]) << x << "," << y;
        EXPECT_FALSE(StretchBlt(canvas.dc, 0, 0, 4, 4, from, 0, 0, 2, 2, SRCINVERT));  // not offered
        DeleteObject(red);
    }
    SelectObject(from, oldFrom);
    DeleteDC(from);
    DeleteObject(picture);
    // Not a bitmap file: refused.
    {
        std::ofstream out(Host(u"C:\\text.bmp"), std::ios::binary);
        out << "PK not a bitmap at all, long enough to hold the headers of one.....";
    }
    EXPECT_EQ(LoadImageW(nullptr, u"C:\\text.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(LoadImageW(nullptr, u"C:\\none.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
}

}  // namespace
