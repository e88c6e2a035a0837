// Page geometry: unit conversion, paper codes, the zoom and cells of several-per-sheet layouts and
// the print-position shifts.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "render/page_settings.h"
#include "test_pjl_fixture.h"

using g3test::Paper;

namespace {

struct PixelCase {
    LONG micrometres;
    LONG dpi;
    LONG pixels;
};

TEST(GeometryPixels, ConvertToDevicePixelsTable) {
    static constexpr PixelCase kCases[] = {
        {25400, 240, 240},   {25400, 200, 200},
        {25400, 300, 300},   {25400, 600, 600},
        {25400, 400, 400},   {25400, 1200, 1200},
        {1, 600, 3},         {0, 600, 0},
        {210000, 600, 4963},                                // 1985 dots of 1/240 inch, then up to 600 dpi
        {10000, 300, 119},                                  // 95 dots -> ceil(237.5) = 238 half-pixels -> 119
        {10000, 200, 79},                                   // 95 dots -> ceil(158.33) = 159 -> 79
        {-25400, 600, -600}, {25400, 0, 0},                 // no resolution: nothing to scale by
        {25400, -600, 0},    {2000000000, 1200, 94488190},  // 2e9 x 240 needs 64 bits on the way
    };
    for (const PixelCase& c : kCases)
        EXPECT_EQ(ConvertToDevicePixels(c.micrometres, c.dpi), c.pixels) << c.micrometres << " um at " << c.dpi;
}

struct PaperNameCase {
    const char16_t* name;
    BOOL longTable;
    SHORT code;
};

TEST(GeometryPaperCodes, NamesGiveCodes) {
    static constexpr PaperNameCase kCases[] = {
        {u"A3", FALSE, 100},         {u"A4", FALSE, 101},
        {u"A5", FALSE, 102},         {u"B4 (JIS)", FALSE, 103},
        {u"B4", FALSE, 103},         {u"B5", FALSE, 104},
        {u"Letter", FALSE, 105},     {u"はがき", FALSE, 106},
        {u"往復はがき", FALSE, 107}, {u"封筒 洋形 4 号", FALSE, 108},
        {u"A3->A4", FALSE, 109},     {u"A4x2->A4", FALSE, 112},
        {u"B5x2->B5", FALSE, 120},   {u"LP->B4", FALSE, 122},
        {u"長尺紙", FALSE, 123},     {u"A4 横", TRUE, 129},
        {u"A4 横", FALSE, 124},      {u"封筒 洋形 4 号 横", TRUE, 141},
        {u"Note", TRUE, 137},        {u"a4", FALSE, 124},
        {u"", FALSE, 124},           {u"Custom 1", TRUE, 124},
    };
    for (const PaperNameCase& c : kCases) EXPECT_EQ(PaperCodeForName(c.name, c.longTable), c.code);
    EXPECT_EQ(PaperCodeForName(nullptr, TRUE), PaperUser);
    EXPECT_EQ(PaperNameForCode(103), u"B4 (JIS)");
    EXPECT_TRUE(PaperNameForCode(124).empty());
}

TEST(GeometryLayout, ShapesAndUnknownModes) {
    static constexpr struct {
        LONG mode;
        BYTE columns, rows;
    } kCases[] = {{0, 1, 1}, {1, 1, 1}, {2, 2, 1}, {3, 1, 1},  {4, 2, 2},  {5, 1, 1},  {6, 3, 2},
                  {7, 1, 1}, {8, 4, 2}, {9, 3, 3}, {10, 1, 1}, {16, 1, 1}, {-1, 1, 1}, {65535, 1, 1}};
    for (const auto& c : kCases) {
        LayoutShape s = LayoutShapeOf(c.mode);
        EXPECT_EQ(s.columns, c.columns) << c.mode;
        EXPECT_EQ(s.rows, c.rows) << c.mode;
    }
}

const PaperRecord kA4 = Paper(PaperA4, 210000, 297000);
const PaperRecord kA3 = Paper(PaperA3, 297000, 420000);

TEST(GeometryZoom, LayoutTable) {
    static const struct {
        LONG mode;
        PaperRecord logical, output;
        WORD zoom;
    } kCases[] = {
        {4, kA4, kA4, 47},  // cells of 95 x 138.5 mm for a page of 200 x 287 mm
        {2, kA4, kA4, 66},  // turned: cells of 138.5 x 190 mm
        {2, kA4, kA3, 96},  // A3 sheet: cells of 200 x 277 mm -> 99.95 and 96.46
        {9, kA4, kA4, 31},
        {1, kA4, kA4, 99},                              // an exact 100 % is lowered to 99
        {1, kA4, Paper(PaperA3, 410000, 584000), 199},  // exactly twice the page: 200 - 1
    };
    for (const auto& c : kCases) EXPECT_EQ(ComputeLayoutZoomFor(c.mode, c.logical, c.output), c.zoom) << c.mode;
}

TEST(GeometryZoom, FourUpOnA4StaysBelowHalf) {
    WORD zoom = ComputeLayoutZoomFor(4, kA4, kA4);
    EXPECT_LT(zoom, 50);
    EXPECT_NE(zoom, 100);
}

TEST(GeometryZoom, DegeneratePapersClampWithoutDividingByZero) {
    const PaperRecord empty{};  // no size, no printable area
    const PaperRecord tiny = Paper(PaperUser, 5000, 5000, 0);
    const PaperRecord huge = Paper(PaperUser, 2000000000, 2000000000, 0);
    for (LONG mode : {1, 2, 4, 6, 8, 9, 16}) {
        for (const PaperRecord* logical : {&empty, &tiny, &kA4, &huge}) {
            for (const PaperRecord* output : {&empty, &tiny, &kA4, &huge}) {
                WORD z = ComputeLayoutZoomFor(mode, *logical, *output);
                EXPECT_GE(z, 10);
                EXPECT_LE(z, 400);
            }
        }
    }
    EXPECT_EQ(ComputeLayoutZoomFor(4, kA4, tiny), 10);
    EXPECT_EQ(ComputeLayoutZoomFor(4, tiny, kA3), 400);
}

// Column and row of each cell, by rank of its left and top edges.
std::vector<std::pair<int, int>> Grid(const RECTL (&cells)[kLayoutCellCount], int count) {
    std::set<LONG> lefts, tops;
    for (int i = 0; i < count; ++i) {
        lefts.insert(cells[i].left);
        tops.insert(cells[i].top);
    }
    std::vector<std::pair<int, int>> grid;
    for (int i = 0; i < count; ++i)
        grid.push_back({static_cast<int>(std::distance(lefts.begin(), lefts.find(cells[i].left))),
                        static_cast<int>(std::distance(tops.begin(), tops.find(cells[i].top)))});
    return grid;
}

TEST(GeometryCells, FourUpOrders) {
    using G = std::vector<std::pair<int, int>>;
    static const struct {
        LONG order;
        G grid;  // (column, row) of cells 0..3
    } kCases[] = {
        {0, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},  // rows from the top, left to right
        {1, {{0, 0}, {0, 1}, {1, 0}, {1, 1}}},  // columns from the left, top to bottom
        {2, {{1, 0}, {0, 0}, {1, 1}, {0, 1}}},  // rows from the top, right to left
        {3, {{1, 0}, {1, 1}, {0, 0}, {0, 1}}},  // columns from the right, top to bottom
        {7, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},  // an unknown order acts as 0
    };
    for (const auto& c : kCases) {
        RECTL cells[kLayoutCellCount];
        ComputeLayoutCellsFor(4, c.order, FALSE, FALSE, 47, 600, kA4, kA4, cells);
        EXPECT_EQ(Grid(cells, 4), c.grid) << "order " << c.order;
        for (unsigned i = 4; i < kLayoutCellCount; ++i) EXPECT_EQ(cells[i].right, 0);
    }
}

TEST(GeometryCells, EveryModeFillsItsCellsInsideTheSheet) {
    for (LONG mode = 0; mode <= 10; ++mode) {
        for (LONG order = 0; order <= 3; ++order) {
            for (LONG dpi : {200, 300, 600, 1200}) {
                const WORD zoom = ComputeLayoutZoomFor(mode, kA4, kA3);
                RECTL cells[kLayoutCellCount];
                ComputeLayoutCellsFor(mode, order, FALSE, mode == 2, zoom, dpi, kA4, kA3, cells);
                const int count = static_cast<int>(LayoutCellsOf(mode));
                const LONG sheetWidth = ConvertToDevicePixels(kA3.width, dpi);
                const LONG sheetHeight = ConvertToDevicePixels(kA3.length, dpi);
                std::set<std::pair<LONG, LONG>> origins;
                for (int i = 0; i < count; ++i) {
                    const RECTL& r = cells[i];
                    EXPECT_LT(r.left, r.right) << mode << "/" << order << "/" << dpi << " cell " << i;
                    EXPECT_LT(r.top, r.bottom);
                    EXPECT_GE(r.left, 0);
                    EXPECT_GE(r.top, 0);
                    EXPECT_LE(r.right, sheetWidth);
                    EXPECT_LE(r.bottom, sheetHeight);
                    origins.insert({r.left, r.top});
                }
                EXPECT_EQ(origins.size(), static_cast<size_t>(count)) << "cells overlap in mode " << mode;
                for (int i = count; i < static_cast<int>(kLayoutCellCount); ++i) EXPECT_EQ(cells[i].right, 0);
            }
        }
    }
}

TEST(GeometryCells, PagesAreCentredInTheirCells) {
    RECTL cells[kLayoutCellCount];
    ComputeLayoutCellsFor(4, 0, FALSE, FALSE, 47, 600, kA4, kA4, cells);
    // Two cells side by side: the gap between them is twice the margin at the sheet's edges.
    const LONG x0 = ConvertToDevicePixels(10000, 600) - ConvertToDevicePixels(5000, 600);
    const LONG x1 = ConvertToDevicePixels(200000, 600) - ConvertToDevicePixels(5000, 600);
    const LONG leftGap = cells[0].left - x0, rightGap = x1 - cells[1].right;
    EXPECT_NEAR(leftGap, rightGap, 2);
    EXPECT_NEAR(cells[1].left - cells[0].right, 2 * leftGap, 2);
}

TEST(GeometryCells, TurnedTwoUpTakesRowsBottomUpForOrderTwo) {
    for (LONG order : {0, 2}) {
        RECTL cells[kLayoutCellCount];
        ComputeLayoutCellsFor(2, order, FALSE, TRUE, 66, 600, kA4, kA4, cells);
        // On an upright A4 sheet the two turned pages lie one above the other.
        EXPECT_EQ(cells[0].left, cells[1].left);
        if (order == 0)
            EXPECT_LT(cells[0].top, cells[1].top);
        else
            EXPECT_GT(cells[0].top, cells[1].top);
    }
}

TEST(GeometryCells, DegenerateOutputPaperStaysSane) {
    const PaperRecord tiny = Paper(PaperUser, 5000, 5000, 0);
    RECTL cells[kLayoutCellCount];
    for (LONG mode : {2, 4, 9}) {
        ComputeLayoutCellsFor(mode, 0, TRUE, TRUE, 10, 600, kA4, tiny, cells);
        for (const RECTL& r : cells) {
            EXPECT_LE(r.left, r.right);
            EXPECT_LE(r.top, r.bottom);
        }
    }
}

struct ShiftCase {
    const char* what;
    LONG code;
    BOOL overlay;
    BOOL longTable;
    LONG layout;
    LONG values[4];  // 500 top, 504 left, 508 bottom, 512 right (0.1 mm)
    LONG dpi;
    LONG shifts[4];  // left, top, right, bottom (pixels)
};

TEST(GeometryShifts, Table) {
    const PaperRecord out = Paper(PaperA4, 210000, 297000, 4000);  // margins 40 tenths
    static const ShiftCase kCases[] = {
        {"no shift", 101, FALSE, FALSE, 4, {100, 100, 100, 100}, 600, {0, 0, 0, 0}},
        {"2 mm left, 1 mm top", 101, FALSE, FALSE, 4, {110, 120, 100, 100}, 600, {48, 25, 0, 0}},
        {"doubled at 300 dpi", 101, FALSE, FALSE, 4, {110, 120, 100, 100}, 300, {48, 24, 0, 0}},
        {"negative", 101, FALSE, FALSE, 4, {90, 100, 100, 100}, 600, {0, -22, 0, 0}},
        {"layout 1: the margins are the origin", 101, FALSE, FALSE, 1, {40, 40, 40, 40}, 600, {0, 0, 0, 0}},
        {"layout 1: 1 mm below the margin", 101, FALSE, FALSE, 1, {50, 40, 40, 40}, 600, {0, 25, 0, 0}},
        {"conversion paper", 109, FALSE, FALSE, 4, {110, 120, 100, 100}, 600, {0, 0, 0, 0}},
        {"form overlay on", 101, TRUE, FALSE, 4, {110, 120, 100, 100}, 600, {0, 0, 0, 0}},
        {"long paper", 123, FALSE, FALSE, 4, {110, 100, 100, 100}, 600, {0, 25, 0, 0}},
        {"user paper", 124, FALSE, FALSE, 4, {110, 100, 100, 100}, 600, {0, 25, 0, 0}},
        {"rotated paper, old data", 129, FALSE, FALSE, 4, {110, 100, 100, 100}, 600, {0, 0, 0, 0}},
        {"rotated paper, new data", 129, FALSE, TRUE, 4, {110, 100, 100, 100}, 600, {0, 25, 0, 0}},
        // Page coordinates are signed 16-bit: A4's long side (7018 pixels at 600 dpi) shifted must
        // still end by 32767.
        {"absurd values are bounded by the page coordinates",
         101,
         FALSE,
         FALSE,
         4,
         {2147483647, -2147483647, 100, 100},
         600,
         {-32768, 25749, 0, 0}},
        {"1.2 m down the page", 101, FALSE, FALSE, 1, {12000, 40, 40, 40}, 600, {0, 25749, 0, 0}},
        {"doubled units bound the shift too", 101, FALSE, FALSE, 1, {12000, 40, 40, 40}, 300, {0, 25749, 0, 0}},
        {"a shift within the bound stays", 101, FALSE, FALSE, 4, {10100, 100, 100, 100}, 600, {0, 23623, 0, 0}},
    };
    for (const ShiftCase& c : kCases) {
        LONG shifts[4];
        ComputePrintShiftsFor(c.code, c.overlay, c.longTable, c.layout, c.values, out, c.dpi, shifts);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(shifts[i], c.shifts[i]) << c.what << " shift " << i;
    }
}

}  // namespace
