// The path writer and the vector writers on a hand-made device context: packed polylines,
// polygons, several-subpath forms and curves byte for byte, rectangles, unpacked forms when the
// scratch memory fails, size limits, clipped lines, vector mode, line attributes.
#include <cstring>
#include <string>
#include <vector>

#include "bare_page_fixture.h"
#include "core/driver_devmode.h"
#include "render/graphics_state.h"
#include "render/path_output.h"
#include "render/point_coding.h"

namespace render_test {
namespace {

// A figure of line points (pixels); `curves` marks control points by index.
PathFigure Fig(std::initializer_list<POINTL> pts, BOOL closed = FALSE, std::vector<size_t> curves = {}) {
    PathFigure f{std::vector<POINTL>(pts), std::vector<BYTE>(pts.size(), 0), closed, FALSE};
    for (size_t i : curves) {
        f.curve[i] = 1;
        f.hasCurves = TRUE;
    }
    return f;
}
PathPoints Path(std::initializer_list<PathFigure> figures) {
    return PathPoints{std::vector<PathFigure>(figures), TRUE};
}

// The hand-made page with room for 1000 points a path, on a sheet nothing has painted yet.
class PathWriterTest : public BarePageTest {
protected:
    void SetUp() override {
        BarePageTest::SetUp();
        if (HasFatalFailure()) return;
        PrinterPdev* p = pdev();
        ResetVectorState(p);
        p->graphics.deviceLimits[3] = 1000;  // polygon points
        p->graphics.deviceLimits[4] = 1000;  // curve points
        p->graphics.deviceLimits[5] = 1000;  // clip-path points
        p->pageSetup.blankSheet = 1;
    }

    // Forgets the graphics state and keeps the limits the test set.
    void ResetCache() {
        DWORD limits[6];
        std::copy(std::begin(pdev()->graphics.deviceLimits), std::end(pdev()->graphics.deviceLimits), limits);
        ResetGraphicsStateCache(pdev());
        std::copy(limits, limits + 6, pdev()->graphics.deviceLimits);
    }
};

// ---- Binary packed forms ----

TEST_F(PathWriterTest, PolylineGoesOutPackedWithItsCountAndLength) {
    // (10, 20) by its own values: 5 10 | 6 1 4; then (3, 0): 3 0; then (0, -15): 0 | 13 15.
    ASSERT_EQ(WritePath(pdev(), Path({Fig({{10, 20}, {13, 20}, {13, 5}})}), kPathStroke, 0), 1);
    EXPECT_EQ(Out(), B({0xE0, 0x04, 0x00, 0x03, 0x00, 0x00, 0x00, 0x05, 0x5A, 0x61, 0x43, 0x00, 0xDF}));
    EXPECT_EQ(pdev()->pageSetup.blankSheet, 0u) << "a path paints the sheet";
}

TEST_F(PathWriterTest, PolygonHeadCarriesKindAndFillRule) {
    struct Case {
        const char* name;
        DWORD kind;
        FLONG mode;
        Bytes head;
    } const cases[] = {
        {"fill, alternate", kPathFill, FP_ALTERNATEMODE, B({0xE8, 0x20})},
        {"fill, winding", kPathFill, FP_WINDINGMODE, B({0xE8, 0x21})},
        {"stroke and fill, alternate", kPathStrokeAndFill, FP_ALTERNATEMODE, B({0xE9, 0x20})},
        {"stroke and fill, winding", kPathStrokeAndFill, FP_WINDINGMODE, B({0xE9, 0x21})},
    };
    // A triangle: (1, 1) | (3, 0) | (-3, 2) = 1 1 3 0 11 2.
    const Bytes tail = B({0x00, 0x03, 0x00, 0x00, 0x00, 0x03, 0x11, 0x30, 0xB2});
    for (const Case& c : cases) {
        ASSERT_EQ(WritePath(pdev(), Path({Fig({{1, 1}, {4, 1}, {1, 3}}, TRUE)}), c.kind, c.mode), 1) << c.name;
        EXPECT_EQ(Out(), Cat({c.head, tail})) << c.name;
    }
}

TEST_F(PathWriterTest, ClosedStrokeRepeatsItsFirstPointAfterTheBrushState) {
    ASSERT_EQ(WritePath(pdev(), Path({Fig({{1, 1}, {4, 1}, {1, 3}}, TRUE)}), kPathStroke, 0), 1);
    EXPECT_EQ(pdev()->path.kind, kPathClosedStroke);
    // The way back to (1, 1) is (0, -2): 0 10.
    EXPECT_EQ(Out(),
              B({0xA5, 0x01, 0x00, 0x00, 0xE0, 0x04, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x11, 0x30, 0xB2, 0x0A}));
    ASSERT_EQ(WritePath(pdev(), Path({Fig({{1, 1}, {4, 1}, {1, 3}}, TRUE)}), kPathStroke, 0), 1);
    EXPECT_EQ(Out().front(), 0xE0) << "the brush state is sent once";
}

TEST_F(PathWriterTest, SeveralSubpathsFillAsOnePolygonWithSubpathHeads) {
    const PathPoints two = Path({Fig({{1, 1}, {4, 1}, {1, 3}}, TRUE), Fig({{2, 2}, {3, 2}, {2, 4}}, TRUE)});
    ASSERT_EQ(WritePath(pdev(), two, kPathFill, FP_ALTERNATEMODE), 1);
    // (0,3) (1,1) (3,0) (-3,2) | (0,3) (2,2) (1,0) (-1,2) | (0,0): size 3 + 3 + 2 + 1 = 9.
    EXPECT_EQ(Out(), B({0xE8, 0xA0, 0x00, 0x09, 0x00, 0x00, 0x00, 0x09, 0x03, 0x11, 0x30, 0xB2, 0x03, 0x22, 0x10, 0x92,
                        0x00}));
    ASSERT_EQ(WritePath(pdev(), two, kPathStrokeAndFill, FP_WINDINGMODE), 1);
    EXPECT_EQ(Bytes(Out()).at(1), 0xA1);
}

TEST_F(PathWriterTest, SeveralOpenSubpathsStrokeAsOneCurvePath) {
    // 3 and 2 points: size 5 + 2 + 4 = 11; heads (0,1) (0,3) and (0,1) (0,2); the data ends with
    // the way back to (0, 0) and one zero difference.
    const PathPoints two = Path({Fig({{1, 1}, {2, 1}, {2, 2}}), Fig({{3, 3}, {4, 3}})});
    ASSERT_EQ(WritePath(pdev(), two, kPathStroke, 0), 1);
    EXPECT_EQ(Out(), B({0xEA, 0x80, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x0B, 0x01, 0x03, 0x11, 0x10, 0x01, 0x01, 0x02, 0x33,
                        0x10, 0xCB, 0x00}));
}

TEST_F(PathWriterTest, CurvesGoOutAsCurvePathWithStraightSegmentsAsCurves) {
    // Start (0,0), a curve through (1,0) (2,1) (3,3), a line to (3,4): n = 1 + 3 + 3 = 7.
    const PathPoints p = Path({Fig({{0, 0}, {1, 0}, {2, 1}, {3, 3}, {3, 4}}, FALSE, {1, 2, 3})});
    ASSERT_EQ(WritePath(pdev(), p, kPathFill, FP_ALTERNATEMODE), 1);
    EXPECT_EQ(Out(), B({0xEA, 0x82, 0x00, 0x09, 0x00, 0x00, 0x00, 0x0A, 0x01, 0x15, 0x70, 0x01, 0x01, 0x11, 0x20, 0x10,
                        0x00, 0x00}));
}

TEST_F(PathWriterTest, CurveModeByKindAndRule) {
    struct Case {
        DWORD kind;
        FLONG mode;
        BOOL closed;
        BYTE expected;
    } const cases[] = {
        {kPathStroke, 0, FALSE, 0x80},
        {kPathStroke, 0, TRUE, 0x90},
        {kPathFill, FP_ALTERNATEMODE, TRUE, 0x82},
        {kPathFill, FP_WINDINGMODE, TRUE, 0x92},
        {kPathStrokeAndFill, FP_ALTERNATEMODE, TRUE, 0x81},
        {kPathStrokeAndFill, FP_WINDINGMODE, TRUE, 0x91},
    };
    for (const Case& c : cases) {
        const PathPoints p = Path({Fig({{0, 0}, {1, 0}, {2, 1}, {3, 3}}, c.closed, {1, 2, 3})});
        ASSERT_EQ(WritePath(pdev(), p, c.kind, c.mode), 1);
        Bytes out = Out();
        if (!out.empty() && out[0] == 0xA5) out.erase(out.begin(), out.begin() + 4);
        ASSERT_GE(out.size(), 2u);
        EXPECT_EQ(out[0], 0xEA);
        EXPECT_EQ(out[1], c.expected) << "kind " << c.kind << " mode " << c.mode;
    }
}

TEST_F(PathWriterTest, DoubledResolutionDoublesEveryCoordinate) {
    pdev()->geometry.resolution = 300;
    ASSERT_TRUE(WriteVectorModeSetup(pdev()));
    EXPECT_EQ(Out(), Text("SU1,600,0;IP0,0,608,608;"));
    // (5, 10) becomes (10, 20), (6, 10) becomes (12, 20): 5 10 | 6 1 4 | 2 0.
    ASSERT_EQ(WritePath(pdev(), Path({Fig({{5, 10}, {6, 10}})}), kPathStroke, 0), 1);
    EXPECT_EQ(Out(), B({0xE0, 0x04, 0x00, 0x02, 0x00, 0x00, 0x00, 0x04, 0x5A, 0x61, 0x42, 0x00}));
}

// ---- Rectangles ----

TEST_F(PathWriterTest, AxisParallelFillsBecomeRectangles) {
    struct Case {
        const char* name;
        PathFigure figure;
        DWORD kind;
        Bytes expected;
    } const cases[] = {
        {"four points", Fig({{10, 10}, {20, 10}, {20, 30}, {10, 30}}, TRUE), kPathFill,
         B({0xDB, 0x14, 0x00, 0x0A, 0x00, 0x0A, 0x00, 0x0A})},
        {"five points, closed on the first", Fig({{10, 10}, {10, 30}, {20, 30}, {20, 10}, {10, 10}}),
         kPathStrokeAndFill, B({0xDB, 0x14, 0x00, 0x0A, 0x00, 0x0A, 0x00, 0x0A})},
        {"taller than 255", Fig({{0, 0}, {5, 0}, {5, 300}, {0, 300}}, TRUE), kPathFill,
         B({0xDD, 0x00, 0x01, 0x2C, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00})},
        {"wholly off the page", Fig({{5000, 10}, {5100, 10}, {5100, 30}, {5000, 30}}, TRUE), kPathFill, Bytes{}},
    };
    for (const Case& c : cases) {
        ResetCache();
        ASSERT_EQ(WritePath(pdev(), PathPoints{{c.figure}, TRUE}, c.kind, 0), 1) << c.name;
        EXPECT_EQ(Out(), c.expected) << c.name;
    }
}

TEST_F(PathWriterTest, RectangleReachingPastThePageIsClippedToIt) {
    ASSERT_EQ(WritePath(pdev(), Path({Fig({{3990, 10}, {4010, 10}, {4010, 20}, {3990, 20}}, TRUE)}), kPathFill, 0), 1);
    // Clip to the page (move to 0,0; B2 6000 high, 4000 wide), then the rectangle.
    EXPECT_EQ(Out(), B({0xB6, 0x00, 0x00, 0x00, 0xB2, 0x00, 0x17, 0x70, 0x0F, 0xA0,
                        0x00, 0x00, 0xDB, 0x0A, 0x00, 0x14, 0x0F, 0x96, 0x00, 0x0A}));
}

TEST_F(PathWriterTest, WhatMissesThePageLeavesTheSheetBlank) {
    ASSERT_EQ(WritePath(pdev(), Path({Fig({{5000, 10}, {5100, 10}, {5100, 30}, {5000, 30}}, TRUE)}), kPathFill, 0), 1);
    ASSERT_EQ(WritePath(pdev(), Path({Fig({{-100000, -5}, {100000, -5}})}), kPathStroke, 0), 1);
    EXPECT_TRUE(Out().empty());
    EXPECT_EQ(pdev()->pageSetup.blankSheet, 1u);
    ASSERT_EQ(WritePath(pdev(), Path({Fig({{-100000, 5}, {100000, 5}})}), kPathStroke, 0), 1);
    EXPECT_EQ(pdev()->pageSetup.blankSheet, 0u) << "a cut line that reaches the page paints it";
}

TEST_F(PathWriterTest, StrokedRectangleStaysAPath) {
    ASSERT_EQ(WritePath(pdev(), Path({Fig({{10, 10}, {20, 10}, {20, 30}, {10, 30}})}), kPathStroke, 0), 1);
    EXPECT_EQ(Out().at(0), 0xE0);
}

// ---- Unpacked forms ----

TEST_F(PathWriterTest, WithoutScratchMemoryPointsGoOutUnpacked) {
    struct Case {
        const char* name;
        DWORD kind;
        FLONG mode;
        Bytes expected;
    } const cases[] = {
        // Move to (10, 20), E0 00 and the two points that follow.
        {"stroke", kPathStroke, 0,
         B({0xB6, 0x0A, 0x00, 0x14, 0xE0, 0x00, 0x00, 0x02, 0x00, 0x0D, 0x00, 0x14, 0x00, 0x0D, 0x00, 0x05})},
        // E8 with rule 0x01 and all three points.
        {"fill, winding", kPathFill, FP_WINDINGMODE,
         B({0xE8, 0x01, 0x00, 0x03, 0x00, 0x0A, 0x00, 0x14, 0x00, 0x0D, 0x00, 0x14, 0x00, 0x0D, 0x00, 0x05})},
        {"stroke and fill, alternate", kPathStrokeAndFill, FP_ALTERNATEMODE,
         B({0xE9, 0x00, 0x00, 0x03, 0x00, 0x0A, 0x00, 0x14, 0x00, 0x0D, 0x00, 0x14, 0x00, 0x0D, 0x00, 0x05})},
    };
    for (const Case& c : cases) {
        ResetCache();
        PlatInjectFailure("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
        ASSERT_EQ(WritePath(pdev(), Path({Fig({{10, 20}, {13, 20}, {13, 5}})}), c.kind, c.mode), 1) << c.name;
        PlatClearInjections();
        EXPECT_EQ(Out(), c.expected) << c.name;
    }
    EXPECT_EQ(pdev()->path.binaryX, 13);
    EXPECT_EQ(pdev()->path.binaryY, 5);
}

TEST_F(PathWriterTest, SeveralSubpathsUnpackedKeepTheirHeads) {
    PlatInjectFailure("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    const PathPoints two = Path({Fig({{1, 1}, {4, 1}, {1, 3}}, TRUE), Fig({{2, 2}, {3, 2}, {2, 4}}, TRUE)});
    ASSERT_EQ(WritePath(pdev(), two, kPathFill, FP_WINDINGMODE), 1);
    EXPECT_EQ(Out(), B({0xE8, 0x81, 0x00, 0x09, 0, 0, 0, 3, 0, 1, 0, 1, 0, 4, 0, 1, 0, 1, 0, 3,
                        0,    0,    0,    3,    0, 2, 0, 2, 0, 3, 0, 2, 0, 2, 0, 4, 0, 0, 0, 0}));
}

TEST_F(PathWriterTest, CurvesWithoutTheirSubpathTableGoOutInVectorMode) {
    PlatInjectFailure("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    const PathPoints p = Path({Fig({{0, 0}, {1, 0}, {2, 1}, {3, 3}, {3, 4}}, TRUE, {1, 2, 3})});
    ASSERT_EQ(WritePath(pdev(), p, kPathFill, FP_WINDINGMODE), 1);
    ASSERT_TRUE(WriteVectorPaint(pdev(), kPathFill, FP_WINDINGMODE));
    EXPECT_EQ(Out(), Text("NP;MA0,0;BR1,0,1,1,1,2;PR0,1;CP;EP;FL;"));
    EXPECT_FALSE(pdev()->state & kStateVectorPathOpen);
    // The vector point is where the path ended: a new path starting there does not move.
    ASSERT_TRUE(WriteVectorNewPath(pdev()));
    ASSERT_TRUE(WriteVectorMove(pdev(), POINTL{3, 4}));
    EXPECT_EQ(Out(), Text("NP;"));
}

TEST_F(PathWriterTest, BrokenCurveInVectorModeIsClosedAndLeftToTheEngine) {
    PlatInjectFailure("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    // Two control points where a curve takes three.
    const PathPoints p = Path({Fig({{0, 0}, {1, 0}, {2, 1}}, FALSE, {1, 2})});
    EXPECT_EQ(WritePath(pdev(), p, kPathStroke, 0), 0);
    EXPECT_EQ(Out(), Text("NP;MA0,0;EP;"));
    EXPECT_FALSE(pdev()->state & kStateVectorPathOpen) << "nothing is left to paint";
    ASSERT_TRUE(WriteVectorPaint(pdev(), kPathStroke, 0));
    EXPECT_TRUE(Out().empty());
}

TEST_F(PathWriterTest, VectorNumberListsAreSplitBelowTheLimit) {
    std::vector<POINTL> far;
    for (LONG i = 1; i <= 40; ++i) far.push_back(POINTL{i * 100000, -i * 100000});
    ASSERT_TRUE(WriteVectorLines(pdev(), far.data(), far.size()));
    const Bytes out = Out();
    const std::string text(out.begin(), out.end());
    size_t commands = 0;
    for (size_t at = 0; at < text.size();) {
        ASSERT_EQ(text.compare(at, 2, "PR"), 0) << text.substr(at, 10);
        const size_t end = text.find(';', at);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LT(end - at - 2, 255u);
        at = end + 1;
        ++commands;
    }
    EXPECT_EQ(commands, 5u) << "9 points a command";
}

// ---- Limits and hand-back ----

TEST_F(PathWriterTest, PathsBeyondTheLimitsAreLeftToTheEngine) {
    pdev()->graphics.deviceLimits[3] = 4;  // a triangle (3 + 1) fits, a pentagon does not
    pdev()->graphics.deviceLimits[4] = 5;
    struct Case {
        const char* name;
        PathPoints path;
        DWORD kind;
        int expected;
    } const cases[] = {
        {"polygon within", Path({Fig({{1, 1}, {4, 1}, {1, 3}}, TRUE)}), kPathFill, 1},
        {"polygon beyond", Path({Fig({{1, 1}, {4, 1}, {5, 5}, {2, 6}, {1, 3}}, TRUE)}), kPathFill, 0},
        {"stroke beyond the polygon limit", Path({Fig({{1, 1}, {4, 1}, {5, 5}, {2, 6}, {1, 3}})}), kPathStroke, 1},
        {"curve beyond",
         Path({Fig({{0, 0}, {1, 0}, {2, 1}, {3, 3}, {4, 4}, {5, 5}, {6, 6}}, FALSE, {1, 2, 3, 4, 5, 6})}), kPathStroke,
         0},
        {"fill of equal points", Path({Fig({{7, 7}, {7, 7}, {7, 7}}, TRUE)}), kPathFill, 0},
        {"fill beyond 16 bits", Path({Fig({{1, 1}, {40000, 1}, {1, 3}}, TRUE)}), kPathFill, 0},
        {"stroke, open and closed figures with curves",
         Path({Fig({{0, 0}, {1, 0}, {2, 1}, {3, 3}}, TRUE, {1, 2, 3}), Fig({{5, 5}, {6, 6}})}), kPathStroke, 0},
        {"empty path", Path({}), kPathFill, 1},
    };
    for (const Case& c : cases) {
        ResetCache();
        EXPECT_EQ(WritePath(pdev(), c.path, c.kind, 0), c.expected) << c.name;
        const Bytes out = Out();
        if (c.expected == 0) {
            EXPECT_TRUE(out.empty()) << c.name << ": nothing goes out for the engine's paths";
        }
    }
}

TEST_F(PathWriterTest, StrokeOfTooManySubpathPointsIsLeftToTheEngine) {
    PathFigure big;
    big.closed = FALSE;
    big.hasCurves = FALSE;
    for (LONG i = 0; i < 65535; ++i) {
        big.points.push_back(POINTL{i % 100, i % 77});
        big.curve.push_back(0);
    }
    // 65535 + 2 points and 2 subpaths: 65539 + 6 is beyond 65536.
    PathPoints p{{big, Fig({{1, 1}, {2, 2}})}, TRUE};
    EXPECT_EQ(WritePath(pdev(), p, kPathStroke, 0), 0);
    EXPECT_TRUE(Out().empty());
}

TEST_F(PathWriterTest, StrokesBeyond16BitsAreCutAtThePageEdge) {
    ASSERT_EQ(WritePath(pdev(), Path({Fig({{-100000, 100}, {100000, 100}})}), kPathStroke, 0), 1);
    EXPECT_EQ(Out(), B({0xB6, 0x00, 0x00, 0x64, 0xE0, 0x00, 0x00, 0x01, 0x0F, 0xA0, 0x00, 0x64}));
    // A segment wholly off the page sends nothing.
    ASSERT_EQ(WritePath(pdev(), Path({Fig({{-100000, -5}, {100000, -5}})}), kPathStroke, 0), 1);
    EXPECT_TRUE(Out().empty());
}

TEST(CohenSutherland, SegmentsAreCutOntoTheFirstEdgeInRange) {
    const RECTL r{0, 0, 100, 50};
    struct Case {
        const char* name;
        long long x0, y0, x1, y1;
        BOOL visible;
        long long cx0, cy0, cx1, cy1;
    } const cases[] = {
        {"inside", 10, 10, 20, 20, TRUE, 10, 10, 20, 20},
        {"left of the page", -10, 5, -1, 40, FALSE, 0, 0, 0, 0},
        {"across", -100, 25, 200, 25, TRUE, 0, 25, 100, 25},
        {"through a corner region", -50, -50, 50, 50, TRUE, 0, 0, 50, 50},
        {"downwards past the bottom", 10, 10, 10, 500, TRUE, 10, 10, 10, 50},
        {"misses the corner", -10, 40, 20, 200, FALSE, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        long long x0 = c.x0, y0 = c.y0, x1 = c.x1, y1 = c.y1;
        EXPECT_EQ(ClipSegment(&x0, &y0, &x1, &y1, r), c.visible) << c.name;
        if (!c.visible) continue;
        EXPECT_EQ(x0, c.cx0) << c.name;
        EXPECT_EQ(y0, c.cy0) << c.name;
        EXPECT_EQ(x1, c.cx1) << c.name;
        EXPECT_EQ(y1, c.cy1) << c.name;
    }
    EXPECT_EQ(LineOutcode(-1, 60, r), 1 | 8);
    EXPECT_EQ(LineOutcode(101, -1, r), 2 | 4);
}

// ---- Line attributes ----

TEST_F(PathWriterTest, JoinAndEndGoOutOncePerChange) {
    LINEATTRS la{};
    la.fl = LA_GEOMETRIC;
    la.iJoin = JOIN_MITER;
    la.iEndCap = ENDCAP_SQUARE;
    la.eMiterLimit = 10.0f;  // 2560 >> 9 = 5
    la.elWidth.e = 4.0f;
    ASSERT_TRUE(WriteLineAttributes(pdev(), &la, nullptr));
    EXPECT_EQ(Out(), B({0xB0, 0x12, 0x00, 0x05, 0xAF, 0x00, 0x00, 0x04, 0xAC, 0x00, 0x00, 0x00}));
    ASSERT_TRUE(WriteLineAttributes(pdev(), &la, nullptr));
    EXPECT_TRUE(Out().empty()) << "nothing changed";
    la.iEndCap = ENDCAP_BUTT;
    la.eMiterLimit = 0.5f;  // below 1.0: 256 >> 9 = 0, at least 1
    ASSERT_TRUE(WriteLineAttributes(pdev(), &la, nullptr));
    EXPECT_EQ(Out(), B({0xB0, 0x22, 0x00, 0x01}));
}

TEST_F(PathWriterTest, GeometricWidthIsScaledAndAtLeastTwo) {
    struct Case {
        const char* name;
        FLOATL width;
        XFORML m;
        LONG dpi;
        WORD expected;
    } const cases[] = {
        {"thin", 0.5f, {1, 0, 0, 1, 0, 0}, 600, 2},
        {"scaled by 3", 2.0f, {3, 0, 0, 3, 0, 0}, 600, 6},
        {"doubled at 300 dpi", 5.0f, {1, 0, 0, 1, 0, 0}, 300, 10},
    };
    for (const Case& c : cases) {
        ResetCache();
        pdev()->geometry.resolution = c.dpi;
        XFORMOBJ* x = PlatXformCreate(&c.m);
        LINEATTRS la{};
        la.fl = LA_GEOMETRIC;
        la.elWidth.e = c.width;
        ASSERT_TRUE(WriteLineAttributes(pdev(), &la, x)) << c.name;
        PlatXformDelete(x);
        EXPECT_EQ(pdev()->graphics.lineWidth, c.expected) << c.name;
        Out();
    }
}

TEST_F(PathWriterTest, DashStylesGoOutWhenTheyChange) {
    FLOAT_LONG style[2];
    style[0].l = 3;
    style[1].l = 1;
    LINEATTRS solid{}, alternate{}, styled{};
    solid.elWidth.l = 1;
    alternate.fl = LA_ALTERNATE;
    alternate.elWidth.l = 1;
    styled.cstyle = 2;
    styled.pstyle = style;
    styled.elWidth.l = 1;

    ASSERT_TRUE(WriteLineAttributes(pdev(), &solid, nullptr));
    EXPECT_EQ(Out(), B({0xB0, 0x00, 0x00, 0x00, 0xAF, 0x00, 0x00, 0x01, 0xAC, 0x00, 0x00, 0x00}));
    ASSERT_TRUE(WriteLineAttributes(pdev(), &solid, nullptr));
    EXPECT_TRUE(Out().empty());
    ASSERT_TRUE(WriteLineAttributes(pdev(), &alternate, nullptr));
    EXPECT_EQ(Out(), B({0xAC, 0x01, 0x06, 0x00}));
    ASSERT_TRUE(WriteLineAttributes(pdev(), &alternate, nullptr));
    EXPECT_TRUE(Out().empty());
    // 3 units at 600 / 25 = 72 pixels.
    ASSERT_TRUE(WriteLineAttributes(pdev(), &styled, nullptr));
    EXPECT_EQ(Out(), B({0xAC, 0x02, 72, 0x00}));
    ASSERT_TRUE(WriteLineAttributes(pdev(), &styled, nullptr));
    EXPECT_TRUE(Out().empty());
    ASSERT_TRUE(WriteLineAttributes(pdev(), &solid, nullptr));
    EXPECT_EQ(Out(), B({0xAC, 0x00, 0x00, 0x00})) << "back to solid after a style";
}

TEST_F(PathWriterTest, OutputFailureIsReportedByTheWriters) {
    pdev()->state |= kStateOutputFailed;
    EXPECT_FALSE(WriteLineAttributes(pdev(), nullptr, nullptr));
    EXPECT_FALSE(WriteVectorNewPath(pdev()));
}

}  // namespace
}  // namespace render_test
