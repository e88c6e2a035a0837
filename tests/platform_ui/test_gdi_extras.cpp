// Drawing calls of the interface's pictures on memory DCs: styled pens (literal pixel rows),
// arcs, text that moves the current position, stretching, pattern blits, clipping, the focus
// rectangle, bitmaps made from given rows, icons made from bitmaps and the system's icons.
#include <gtest/gtest.h>

#include <string>

#include "win/kernel.h"
#include "win/user_gdi.h"

namespace gdi_extras_test {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A memory DC with a bitmap of its own, filled with one colour.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    Canvas(int width, int height, COLORREF fill) {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, width, height);
        old = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT all{0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    // One row as letters: '#' black, '.' white, 'R' red, 'G' green, 'B' blue, '?' anything else.
    std::string Row(int y, int from, int to) const {
        std::string out;
        for (int x = from; x < to; ++x) {
            COLORREF c = GetPixel(dc, x, y);
            out += c == kBlack ? '#' : c == kWhite ? '.' : c == kRed ? 'R' : c == kGreen ? 'G' : c == kBlue ? 'B' : '?';
        }
        return out;
    }
};

// Selects a GDI object for a scope and deletes it afterwards.
struct Selected {
    HDC dc;
    HGDIOBJ object;
    HGDIOBJ old;
    Selected(HDC d, HGDIOBJ o) : dc(d), object(o), old(SelectObject(d, o)) {}
    ~Selected() {
        SelectObject(dc, old);
        DeleteObject(object);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;
};

HPEN AlternatePen() {
    LOGBRUSH brush{BS_SOLID, kBlack, 0};
    return ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr);
}

TEST(StyledPens, LinesFollowTheirPatternAndGapsTakeTheBackgroundWhenOpaque) {
    struct Case {
        const char* name;
        HPEN (*make)();
        int backMode;
        const char* row;
        const char* after;  // the end point and past it
    };
    const Case kCases[] = {
        {"dots", [] { return CreatePen(PS_DOT, 1, kBlack); }, TRANSPARENT, "###...###...###...###...", ".."},
        {"dots with opaque gaps", [] { return CreatePen(PS_DOT, 1, kBlack); }, OPAQUE, "###RRR###RRR###RRR###RRR",
         ".."},
        {"dashes", [] { return CreatePen(PS_DASH, 1, kBlack); }, TRANSPARENT, "##################......", ".."},
        {"dash dot", [] { return CreatePen(PS_DASHDOT, 1, kBlack); }, TRANSPARENT, "#########......###......", ".."},
        {"every other pixel", AlternatePen, TRANSPARENT, "#.#.#.#.#.#.#.#.#.#.#.#.", ".."},
        {"a wide pen is solid", [] { return CreatePen(PS_DOT, 3, kBlack); }, TRANSPARENT, "########################",
         "#."},  // three wide: it reaches past the end point
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(30, 5, kWhite);
        HPEN pen = c.make();
        ASSERT_NE(pen, nullptr);
        Selected selected(canvas.dc, pen);
        SetBkMode(canvas.dc, c.backMode);
        SetBkColor(canvas.dc, kRed);
        MoveToEx(canvas.dc, 0, 2, nullptr);
        ASSERT_TRUE(LineTo(canvas.dc, 24, 2));
        EXPECT_EQ(canvas.Row(2, 0, 24), c.row);
        EXPECT_EQ(canvas.Row(2, 24, 26), c.after);  // the end point is left for the next segment
    }
}

TEST(StyledPens, ARectangleWithADottedPenAndNoBrushIsADottedOutline) {
    Canvas canvas(14, 8, kWhite);
    Selected pen(canvas.dc, CreatePen(PS_DOT, 1, kBlack));
    HGDIOBJ oldBrush = SelectObject(canvas.dc, GetStockObject(NULL_BRUSH));
    SetBkMode(canvas.dc, TRANSPARENT);
    ASSERT_TRUE(Rectangle(canvas.dc, 0, 0, 12, 6));
    EXPECT_EQ(canvas.Row(0, 0, 14), "###...###.....");
    std::string right;  // the pattern goes on down the right edge
    for (int y = 0; y < 6; ++y) right += GetPixel(canvas.dc, 11, y) == kBlack ? '#' : '.';
    EXPECT_EQ(right, ".###..");
    for (int y = 1; y < 5; ++y) EXPECT_EQ(canvas.Row(y, 1, 11), "..........");
    SelectObject(canvas.dc, oldBrush);
}

TEST(StyledPens, ExtCreatePenRefusesWhatItCannotDraw) {
    LOGBRUSH solid{BS_SOLID, kBlack, 0}, hatched{2, kBlack, 0};
    const DWORD userStyle[] = {2, 2};
    EXPECT_EQ(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 2, &solid, 0, nullptr), nullptr);
    EXPECT_EQ(ExtCreatePen(PS_COSMETIC | PS_DOT, 1, &hatched, 0, nullptr), nullptr);
    EXPECT_EQ(ExtCreatePen(PS_COSMETIC | 7, 1, &solid, 2, userStyle), nullptr);
    EXPECT_EQ(ExtCreatePen(PS_COSMETIC | PS_DOT, 1, nullptr, 0, nullptr), nullptr);
}

TEST(Arcs, AngleArcDrawsALineToItsStartThenTheArcAndEndsThere) {
    Canvas canvas(41, 41, kWhite);
    MoveToEx(canvas.dc, 20, 20, nullptr);
    ASSERT_TRUE(AngleArc(canvas.dc, 20, 20, 10, 0.0f, 90.0f));
    EXPECT_EQ(GetPixel(canvas.dc, 25, 20), kBlack);  // the line from the centre
    EXPECT_EQ(GetPixel(canvas.dc, 30, 20), kBlack);  // the arc's start
    EXPECT_EQ(GetPixel(canvas.dc, 27, 13), kBlack);  // 45 degrees, up and right on screen
    EXPECT_EQ(GetPixel(canvas.dc, 20, 10), kBlack);  // its end
    EXPECT_EQ(GetPixel(canvas.dc, 13, 13), kWhite);  // 135 degrees: not swept
    EXPECT_EQ(GetPixel(canvas.dc, 27, 27), kWhite);  // below: not swept
    POINT at{};
    MoveToEx(canvas.dc, 0, 0, &at);
    EXPECT_EQ(at.x, 20);
    EXPECT_EQ(at.y, 10);
    EXPECT_FALSE(AngleArc(nullptr, 0, 0, 1, 0.0f, 90.0f));
}

int DarkColumns(const Canvas& c, int from, int to, int height) {
    int n = 0;
    for (int x = from; x < to; ++x) {
        bool dark = false;
        for (int y = 0; y < height; ++y) dark = dark || GetPixel(c.dc, x, y) != kWhite;
        n += dark ? 1 : 0;
    }
    return n;
}

TEST(TextAlign, UpdateCpDrawsAtTheCurrentPositionAndMovesItPastTheText) {
    Canvas canvas(160, 16, kWhite);
    SetBkMode(canvas.dc, TRANSPARENT);
    EXPECT_EQ(SetTextAlign(canvas.dc, TA_UPDATECP), static_cast<UINT>(TA_NOUPDATECP));
    EXPECT_EQ(GetTextAlign(canvas.dc), static_cast<UINT>(TA_UPDATECP));
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.dc, u"Wx", 2, &size));
    ASSERT_GT(size.cx, 4);
    MoveToEx(canvas.dc, 10, 1, nullptr);
    ASSERT_TRUE(TextOutW(canvas.dc, 120, 0, u"Wx", 2));  // the point given is not used
    EXPECT_GT(DarkColumns(canvas, 10, 10 + size.cx, 16), 0);
    EXPECT_EQ(DarkColumns(canvas, 10 + size.cx, 160, 16), 0);
    POINT at{};
    MoveToEx(canvas.dc, 0, 0, &at);
    EXPECT_EQ(at.x, 10 + size.cx);
    EXPECT_EQ(at.y, 1);
    EXPECT_EQ(SetTextAlign(nullptr, TA_LEFT), static_cast<UINT>(GDI_ERROR));
}

// The 2 x 2 source: red, green over blue, white.
void PaintQuads(const Canvas& source) {
    SetPixel(source.dc, 0, 0, kRed);
    SetPixel(source.dc, 1, 0, kGreen);
    SetPixel(source.dc, 0, 1, kBlue);
    SetPixel(source.dc, 1, 1, kWhite);
}

TEST(Stretching, ColorOnColorTakesTheNearestPixelAndANegativeWidthMirrors) {
    Canvas source(2, 2, kWhite), dest(4, 4, kBlack);
    PaintQuads(source);
    EXPECT_EQ(SetStretchBltMode(dest.dc, COLORONCOLOR), BLACKONWHITE);
    ASSERT_TRUE(StretchBlt(dest.dc, 0, 0, 4, 4, source.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(dest.Row(0, 0, 4), "RRGG");
    EXPECT_EQ(dest.Row(1, 0, 4), "RRGG");
    EXPECT_EQ(dest.Row(2, 0, 4), "BB..");
    EXPECT_EQ(dest.Row(3, 0, 4), "BB..");
    ASSERT_TRUE(StretchBlt(dest.dc, 3, 0, -4, 2, source.dc, 0, 0, 2, 1, SRCCOPY));
    EXPECT_EQ(dest.Row(0, 0, 4), "GGRR");
    EXPECT_FALSE(StretchBlt(dest.dc, 0, 0, 4, 4, source.dc, 0, 0, 2, 2, SRCINVERT));
    EXPECT_EQ(SetStretchBltMode(dest.dc, 9), 0);
}

TEST(Stretching, HalftoneAveragesTheSourcePixelsACovers) {
    Canvas source(4, 1, kWhite), dest(2, 1, kRed);
    SetPixel(source.dc, 0, 0, kBlack);
    SetPixel(source.dc, 2, 0, kBlack);
    SetStretchBltMode(dest.dc, HALFTONE);
    EXPECT_EQ(GetStretchBltMode(dest.dc), HALFTONE);
    ASSERT_TRUE(StretchBlt(dest.dc, 0, 0, 2, 1, source.dc, 0, 0, 4, 1, SRCCOPY));
    EXPECT_EQ(GetPixel(dest.dc, 0, 0), RGB(128, 128, 128));
    EXPECT_EQ(GetPixel(dest.dc, 1, 0), RGB(128, 128, 128));
}

TEST(PatternBlits, EachRasterOperationOnAGreyPixel) {
    struct Case {
        DWORD rop;
        BOOL done;
        COLORREF after;
    };
    constexpr COLORREF kGrey = RGB(10, 20, 30);
    const Case kCases[] = {
        {PATCOPY, TRUE, kRed},
        {PATINVERT, TRUE, RGB(10 ^ 255, 20, 30)},
        {DSTINVERT, TRUE, RGB(245, 235, 225)},
        {BLACKNESS, TRUE, kBlack},
        {WHITENESS, TRUE, kWhite},
        {SRCCOPY, FALSE, kGrey},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.rop);
        Canvas canvas(4, 2, kGrey);
        Selected brush(canvas.dc, CreateSolidBrush(kRed));
        EXPECT_EQ(PatBlt(canvas.dc, 3, 0, -2, 1, c.rop), c.done);  // reaches left: columns 1 and 2
        EXPECT_EQ(GetPixel(canvas.dc, 1, 0), c.after);
        EXPECT_EQ(GetPixel(canvas.dc, 2, 0), c.after);
        EXPECT_EQ(GetPixel(canvas.dc, 0, 0), kGrey);
        EXPECT_EQ(GetPixel(canvas.dc, 3, 0), kGrey);
        EXPECT_EQ(GetPixel(canvas.dc, 1, 1), kGrey);
    }
}

TEST(Clipping, IntersectClipRectNarrowsWhatIsDrawnAndRead) {
    Canvas canvas(10, 10, kWhite);
    EXPECT_EQ(IntersectClipRect(canvas.dc, 2, 2, 5, 5), SIMPLEREGION);
    RECT box{};
    EXPECT_EQ(GetClipBox(canvas.dc, &box), SIMPLEREGION);
    EXPECT_TRUE(box.left == 2 && box.top == 2 && box.right == 5 && box.bottom == 5);
    RECT all{0, 0, 10, 10};
    FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(canvas.Row(3, 0, 10), "??###?????");  // outside the clip there is nothing to read
    EXPECT_EQ(IntersectClipRect(canvas.dc, 6, 6, 8, 8), NULLREGION);
    EXPECT_EQ(GetPixel(canvas.dc, 3, 3), CLR_INVALID);
    EXPECT_EQ(SelectClipRgn(canvas.dc, nullptr), SIMPLEREGION);
    EXPECT_EQ(canvas.Row(3, 0, 10), "..###.....");
    EXPECT_EQ(canvas.Row(1, 0, 10), "..........");
    EXPECT_EQ(IntersectClipRect(nullptr, 0, 0, 1, 1), RGN_ERROR);
}

TEST(FocusRect, InvertsEveryOtherPixelOfTheFrameAndTwiceTakesItAway) {
    Canvas canvas(6, 4, kWhite);
    RECT r{0, 0, 6, 4};
    ASSERT_TRUE(DrawFocusRect(canvas.dc, &r));
    EXPECT_EQ(canvas.Row(0, 0, 6), "#.#.#.");
    EXPECT_EQ(canvas.Row(1, 0, 6), "......");
    EXPECT_EQ(canvas.Row(2, 0, 6), "#....#");
    ASSERT_TRUE(DrawFocusRect(canvas.dc, &r));
    for (int y = 0; y < 4; ++y) EXPECT_EQ(canvas.Row(y, 0, 6), "......");
}

TEST(Bitmaps, CreateBitmapTakesWordPaddedRowsBlueFirst) {
    // Two rows of three pixels: 9 bytes each, padded to 10.
    const BYTE bits[] = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xEE,
                         0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xEE};
    HBITMAP given = CreateBitmap(3, 2, 1, 24, bits);
    ASSERT_NE(given, nullptr);
    BITMAP size{};
    ASSERT_EQ(GetObjectW(given, sizeof size, &size), static_cast<int>(sizeof size));
    EXPECT_EQ(size.bmWidth, 3);
    EXPECT_EQ(size.bmHeight, 2);
    EXPECT_EQ(size.bmPlanes, 1);
    EXPECT_EQ(size.bmBitsPixel, 24);
    HBITMAP blank = CreateBitmap(2, 1, 1, 24, nullptr);
    ASSERT_NE(blank, nullptr);
    {
        Canvas reader(1, 1, kWhite);
        SelectObject(reader.dc, given);
        EXPECT_EQ(reader.Row(0, 0, 3), "RGB");
        EXPECT_EQ(reader.Row(1, 0, 3), ".#R");
        SelectObject(reader.dc, blank);
        EXPECT_EQ(reader.Row(0, 0, 2), "##");
        SelectObject(reader.dc, reader.bitmap);
    }
    EXPECT_TRUE(DeleteObject(given));
    EXPECT_TRUE(DeleteObject(blank));
}

TEST(Bitmaps, CreateBitmapRefusesFormatsItDoesNotKeep) {
    struct Case {
        int width, height;
        UINT planes, bits;
    };
    const Case cases[] = {{4, 4, 1, 1}, {4, 4, 1, 32}, {4, 4, 2, 24}, {0, 4, 1, 24}, {4, -1, 1, 24}, {40000, 1, 1, 24}};
    const DWORD objects = PlatLiveUiGdiObjectCount();
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(CreateBitmap(c.width, c.height, c.planes, c.bits, nullptr), nullptr)
            << c.width << "x" << c.height << " " << c.planes << "/" << c.bits;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(PlatLiveUiGdiObjectCount(), objects);
}

TEST(Icons, AnIconFromBitmapsDrawsItsColourWhereTheMaskIsBlack) {
    const DWORD icons = PlatLiveIconCount();
    Canvas colour(4, 4, kRed), mask(4, 4, kWhite);
    RECT left{0, 0, 2, 4};
    FillRect(mask.dc, &left, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    // The bitmaps are made into an icon out of their DCs, as a caller does.
    SelectObject(colour.dc, colour.old);
    SelectObject(mask.dc, mask.old);
    ICONINFO info{TRUE, 1, 3, mask.bitmap, colour.bitmap};
    HICON icon = CreateIconIndirect(&info);
    SelectObject(colour.dc, colour.bitmap);
    SelectObject(mask.dc, mask.bitmap);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PlatLiveIconCount(), icons + 1);
    Canvas target(4, 1, kGreen);
    ASSERT_TRUE(DrawIconEx(target.dc, 0, 0, icon, 4, 4, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(target.Row(0, 0, 4), "RRGG");

    ICONINFO back{};
    ASSERT_TRUE(GetIconInfo(icon, &back));
    EXPECT_TRUE(back.fIcon);
    EXPECT_EQ(back.xHotspot, 1u);  // the hot spot it was made with
    EXPECT_EQ(back.yHotspot, 3u);
    BITMAP size{};
    ASSERT_EQ(GetObjectW(back.hbmColor, sizeof size, &size), static_cast<int>(sizeof size));
    EXPECT_EQ(size.bmWidth, 4);
    EXPECT_EQ(size.bmHeight, 4);
    HDC reader = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(reader, back.hbmMask);
    EXPECT_EQ(GetPixel(reader, 0, 0), kBlack);
    EXPECT_EQ(GetPixel(reader, 3, 0), kWhite);
    SelectObject(reader, back.hbmColor);
    EXPECT_EQ(GetPixel(reader, 0, 0), kRed);
    SelectObject(reader, old);
    DeleteDC(reader);
    EXPECT_TRUE(DeleteObject(back.hbmMask));
    EXPECT_TRUE(DeleteObject(back.hbmColor));
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_EQ(PlatLiveIconCount(), icons);
    ICONINFO noMask{TRUE, 0, 0, nullptr, colour.bitmap};
    EXPECT_EQ(CreateIconIndirect(&noMask), nullptr);
}

TEST(Icons, TheSystemsIconsAreSharedAndDrawn) {
    const DWORD icons = PlatLiveIconCount();
    HICON question = LoadIconW(nullptr, IDI_QUESTION);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(LoadIconW(nullptr, IDI_QUESTION), question);
    for (LPCWSTR other : {IDI_WARNING, IDI_ERROR, IDI_INFORMATION, IDI_APPLICATION}) {
        HICON icon = LoadIconW(nullptr, other);
        ASSERT_NE(icon, nullptr);
        EXPECT_NE(icon, question);
    }
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(5)), nullptr);
    EXPECT_TRUE(DestroyIcon(question));  // shared: it stays
    Canvas canvas(32, 32, kWhite);
    ASSERT_TRUE(DrawIconEx(canvas.dc, 0, 0, question, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(GetPixel(canvas.dc, 0, 0), kWhite);  // round: the corner stays clear
    EXPECT_NE(GetPixel(canvas.dc, 6, 16), kWhite);
    int marks = 0;  // the question mark's white inside the blue disc
    for (int y = 8; y < 24; ++y)
        for (int x = 8; x < 24; ++x) marks += GetPixel(canvas.dc, x, y) == kWhite ? 1 : 0;
    EXPECT_GT(marks, 3);
    EXPECT_EQ(PlatLiveIconCount(), icons);
}

}  // namespace gdi_extras_test
