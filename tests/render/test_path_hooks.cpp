// The path hooks and DrvPaint through a real device context and engine paths: what each hook
// writes around the path, the R2_NOP mix, output failures, damaged device contexts, vector-mode
// painting, and the hand-back to the engine of what the printer cannot take.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "command_page_fixture.h"
#include "render/drawing_hooks.h"
#include "render/graphics_state.h"
#include "render/path_output.h"

namespace render_test {
namespace {

PLAT_PATH_SEGMENT Line(LONG x, LONG y) {
    return PLAT_PATH_SEGMENT{FALSE, {Fix(x, y)}};
}

constexpr MIX kCopyPen = 0x0D0D;

// A command-mode page at zoom 100 with room for 500 points a path and a black brush.
class PathHookTest : public CommandPageTest {
protected:
    void SetUp() override {
        CommandPageTest::SetUp();
        if (HasFatalFailure()) return;
        pdev()->geometry.zoom = 100;
        pdev()->graphics.deviceLimits[3] = 500;
        pdev()->graphics.deviceLimits[4] = 500;
        pdev()->graphics.deviceLimits[5] = 500;
        black_ = PlatBrushCreateSolid(0x000000, 0x000000);
        ASSERT_NE(black_, nullptr);
    }
    void TearDown() override {
        PlatClearInjections();
        for (PATHOBJ* p : paths_) EngDeletePath(p);
        if (black_ != nullptr) PlatBrushDelete(black_);
        CommandPageTest::TearDown();
    }

    PATHOBJ* Figure(LONG x, LONG y, std::vector<PLAT_PATH_SEGMENT> segments, BOOL closed) {
        segs_.push_back(std::move(segments));
        PLAT_PATH_FIGURE f{Fix(x, y), static_cast<ULONG>(segs_.back().size()), segs_.back().data(), closed};
        PATHOBJ* p = PlatPathCreate(&f, 1);
        paths_.push_back(p);
        return p;
    }

    BRUSHOBJ* black_ = nullptr;
    std::vector<std::vector<PLAT_PATH_SEGMENT>> segs_;
    std::vector<PATHOBJ*> paths_;
};

// The packed polyline of (10, 20) (13, 20) (13, 5).
const Bytes kPolyline = B({0xE0, 0x04, 0x00, 0x03, 0x00, 0x00, 0x00, 0x05, 0x5A, 0x61, 0x43, 0x00, 0xDF});

TEST_F(PathHookTest, StrokeSendsAttributesPenClipAndThePackedPath) {
    LINEATTRS la{};
    la.elWidth.l = 1;
    PATHOBJ* p = Figure(10, 20, {Line(13, 20), Line(13, 5)}, FALSE);
    ASSERT_TRUE(DrvStrokePath(dev_, p, nullptr, nullptr, black_, nullptr, &la, kCopyPen));
    const Bytes first = Out();
    const size_t join = Find(first, B({0xB0, 0x00, 0x00, 0x00}));
    const size_t pen = Find(first, B({0xAD, 0x00, 0x10, 0x4F}));
    const size_t path = Find(first, kPolyline);
    ASSERT_NE(join, std::string::npos);
    ASSERT_NE(pen, std::string::npos) << "black pen";
    ASSERT_NE(path, std::string::npos);
    EXPECT_LT(join, path);
    EXPECT_LT(pen, path);
    EXPECT_TRUE(first.back() == kPolyline.back()) << "nothing after the path of a binary stroke";

    ASSERT_TRUE(DrvStrokePath(dev_, p, nullptr, nullptr, black_, nullptr, &la, kCopyPen));
    EXPECT_EQ(Out(), kPolyline) << "attributes, pen and clip are sent once";
}

TEST_F(PathHookTest, FillsCarryTheirRuleAndKind) {
    struct Case {
        const char* name;
        bool strokeToo;
        FLONG options;
        Bytes head;
    } const cases[] = {
        {"fill, winding", false, FP_WINDINGMODE, B({0xE8, 0x21, 0x00, 0x03})},
        {"fill, alternate", false, FP_ALTERNATEMODE, B({0xE8, 0x20, 0x00, 0x03})},
        {"stroke and fill", true, FP_WINDINGMODE, B({0xE9, 0x21, 0x00, 0x03})},
    };
    LINEATTRS la{};
    la.elWidth.l = 1;
    for (const Case& c : cases) {
        PATHOBJ* tri = Figure(1, 1, {Line(4, 1), Line(1, 3)}, TRUE);
        const BOOL ok = c.strokeToo ? DrvStrokeAndFillPath(dev_, tri, nullptr, nullptr, black_, &la, black_, nullptr,
                                                           kCopyPen, c.options)
                                    : DrvFillPath(dev_, tri, nullptr, black_, nullptr, kCopyPen, c.options);
        ASSERT_TRUE(ok) << c.name;
        EXPECT_TRUE(Contains(Out(), c.head)) << c.name;
    }
}

TEST_F(PathHookTest, NopMixSucceedsWithoutOutput) {
    PATHOBJ* p = Figure(10, 20, {Line(13, 20), Line(13, 5)}, FALSE);
    EXPECT_TRUE(DrvStrokePath(dev_, p, nullptr, nullptr, black_, nullptr, nullptr, 0x0B0B));
    EXPECT_TRUE(DrvFillPath(dev_, p, nullptr, black_, nullptr, 0x0B0B, FP_WINDINGMODE));
    EXPECT_TRUE(DrvStrokeAndFillPath(dev_, p, nullptr, nullptr, black_, nullptr, black_, nullptr, 0x0B0B, 0));
    EXPECT_TRUE(DrvPaint(dev_, nullptr, black_, nullptr, 0x0B0B));
    EXPECT_TRUE(Out().empty());
}

TEST_F(PathHookTest, FailedOutputAndDamagedContextsGiveFalse) {
    PATHOBJ* p = Figure(10, 20, {Line(13, 20), Line(13, 5)}, FALSE);
    pdev()->state |= kStateOutputFailed;
    EXPECT_FALSE(DrvStrokePath(dev_, p, nullptr, nullptr, black_, nullptr, nullptr, kCopyPen));
    EXPECT_FALSE(DrvFillPath(dev_, p, nullptr, black_, nullptr, kCopyPen, 0));
    EXPECT_FALSE(DrvStrokeAndFillPath(dev_, p, nullptr, nullptr, black_, nullptr, black_, nullptr, kCopyPen, 0));
    EXPECT_FALSE(DrvPaint(dev_, nullptr, black_, nullptr, kCopyPen));
    pdev()->state &= ~kStateOutputFailed;

    SURFOBJ stale{};
    PrinterPdev broken{};
    stale.dhpdev = reinterpret_cast<DHPDEV>(&broken);
    SetLastError(0);
    EXPECT_FALSE(DrvStrokePath(&stale, p, nullptr, nullptr, black_, nullptr, nullptr, kCopyPen));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(DrvPaint(nullptr, nullptr, black_, nullptr, kCopyPen));
}

TEST_F(PathHookTest, AWriteThatFailsMidPathIsReported) {
    // A path longer than the output buffer, so that the spooler sees it during the hook.
    std::vector<PLAT_PATH_SEGMENT> zigzag;
    for (LONG i = 1; i < 1200; ++i) zigzag.push_back(Line(i * 3, (i % 2) * 300));
    PATHOBJ* p = Figure(0, 0, zigzag, FALSE);
    PlatInjectFailure("WritePrinter", 1, ERROR_DISK_FULL);
    LINEATTRS la{};
    la.elWidth.l = 1;
    pdev()->graphics.deviceLimits[4] = 10;  // the unpacked stroke: four bytes a point
    PATHOBJ* two = nullptr;
    {
        const PLAT_PATH_FIGURE figures[] = {{Fix(0, 0), static_cast<ULONG>(zigzag.size()), zigzag.data(), FALSE},
                                            {Fix(5, 5), static_cast<ULONG>(zigzag.size()), zigzag.data(), FALSE}};
        two = PlatPathCreate(figures, 2);
        paths_.push_back(two);
    }
    EXPECT_FALSE(DrvStrokePath(dev_, two, nullptr, nullptr, black_, nullptr, &la, kCopyPen));
    EXPECT_TRUE(pdev()->state & kStateOutputFailed);
    EXPECT_FALSE(DrvStrokePath(dev_, p, nullptr, nullptr, black_, nullptr, &la, kCopyPen)) << "latched";
}

TEST_F(PathHookTest, RectangularFillsAndPaintsAreRectangles) {
    PATHOBJ* square = Figure(10, 10, {Line(20, 10), Line(20, 30), Line(10, 30)}, TRUE);
    ASSERT_TRUE(DrvFillPath(dev_, square, nullptr, black_, nullptr, kCopyPen, FP_ALTERNATEMODE));
    EXPECT_TRUE(Contains(Out(), B({0xDB, 0x14, 0x00, 0x0A, 0x00, 0x0A, 0x00, 0x0A})));

    ASSERT_TRUE(DrvPaint(dev_, Clip({RECTL{100, 200, 150, 210}}), black_, nullptr, kCopyPen));
    EXPECT_TRUE(Contains(Out(), B({0xDB, 0x0A, 0x00, 0x32, 0x00, 0x64, 0x00, 0xC8})));

    ASSERT_TRUE(DrvPaint(dev_, Clip({RECTL{0, 0, 5, 5}, RECTL{50, 50, 60, 52}}), black_, nullptr, kCopyPen));
    const Bytes two = Out();
    EXPECT_TRUE(Contains(two, B({0xDB, 0x05, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00})));
    EXPECT_TRUE(Contains(two, B({0xDB, 0x02, 0x00, 0x0A, 0x00, 0x32, 0x00, 0x32})));
}

TEST_F(PathHookTest, CurvesGoOutAsCurvePathsOrInVectorMode) {
    const PLAT_PATH_SEGMENT segs[] = {PLAT_PATH_SEGMENT{TRUE, {Fix(1, 0), Fix(2, 1), Fix(3, 3)}}, Line(3, 4)};
    PLAT_PATH_FIGURE f{Fix(0, 0), 2, segs, TRUE};
    PATHOBJ* p = PlatPathCreate(&f, 1);
    paths_.push_back(p);
    ASSERT_TRUE(DrvFillPath(dev_, p, nullptr, black_, nullptr, kCopyPen, FP_ALTERNATEMODE));
    EXPECT_TRUE(Contains(Out(), B({0xEA, 0x82, 0x00, 0x09})));

    // No memory for the subpath table: vector mode, painted by the hook's rule.
    PlatInjectFailure("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    ASSERT_TRUE(DrvFillPath(dev_, p, nullptr, black_, nullptr, kCopyPen, FP_ALTERNATEMODE));
    const Bytes vector = Out();
    EXPECT_TRUE(Contains(vector, Text("NP;MA0,0;BR1,0,1,1,1,2;PR0,1;CP;EP;EF;")))
        << std::string(vector.begin(), vector.end());
    EXPECT_FALSE(pdev()->state & kStateVectorPathOpen);

    LINEATTRS la{};
    la.elWidth.l = 1;
    PlatInjectFailure("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    ASSERT_TRUE(
        DrvStrokeAndFillPath(dev_, p, nullptr, nullptr, black_, &la, black_, nullptr, kCopyPen, FP_WINDINGMODE));
    EXPECT_TRUE(Contains(Out(), Text("EP;FL1;ST;")));
}

TEST_F(PathHookTest, WhatThePrinterCannotTakeIsDrawnByTheEngine) {
    pdev()->graphics.deviceLimits[3] = 4;
    PATHOBJ* pentagon = Figure(100, 100, {Line(140, 100), Line(150, 140), Line(120, 160), Line(100, 140)}, TRUE);
    ASSERT_TRUE(DrvFillPath(dev_, pentagon, nullptr, black_, nullptr, kCopyPen, FP_ALTERNATEMODE));
    const Bytes out = Out();
    EXPECT_FALSE(Contains(out, B({0xE8, 0x20}))) << "no polygon command";
    EXPECT_FALSE(out.empty()) << "the engine drew it through the driver";
    EXPECT_EQ(pdev()->pageSetup.blankSheet, 0u);
}

TEST_F(PathHookTest, ComplexClipsGoAheadAsClipPathsOrPieces) {
    PATHOBJ* tri = Figure(1, 1, {Line(40, 1), Line(1, 30)}, TRUE);
    CLIPOBJ* two = Clip({RECTL{0, 0, 10, 10}, RECTL{20, 20, 30, 30}});
    ASSERT_TRUE(DrvFillPath(dev_, tri, two, black_, nullptr, kCopyPen, FP_WINDINGMODE));
    const Bytes once = Out();
    const size_t clip = Find(once, B({0xB5, 0x04}));
    ASSERT_NE(clip, std::string::npos) << "the clip outline as one clip path";
    EXPECT_LT(clip, Find(once, B({0xE8, 0x21})));
    EXPECT_EQ(Occurrences(once, B({0xE8, 0x21})), 1u);

    // A clip path the printer cannot take: the fill goes to the engine, a stroke goes out once
    // per clip rectangle.
    pdev()->graphics.deviceLimits[5] = 3;
    ASSERT_TRUE(DrvFillPath(dev_, tri, two, black_, nullptr, kCopyPen, FP_WINDINGMODE));
    EXPECT_EQ(Occurrences(Out(), B({0xE8, 0x21})), 0u);
    LINEATTRS la{};
    la.elWidth.l = 1;
    PATHOBJ* open = Figure(10, 20, {Line(13, 20), Line(13, 5)}, FALSE);
    ASSERT_TRUE(DrvStrokePath(dev_, open, two, nullptr, black_, nullptr, &la, kCopyPen));
    EXPECT_EQ(Occurrences(Out(), kPolyline), 2u);
}

TEST_F(PathHookTest, LineAttributesAreCachedAcrossHooks) {
    LINEATTRS la{};
    la.fl = LA_GEOMETRIC;
    la.iJoin = JOIN_BEVEL;
    la.eMiterLimit = 1.0f;
    la.elWidth.e = 6.0f;
    PATHOBJ* p = Figure(10, 20, {Line(13, 20), Line(13, 5)}, FALSE);
    ASSERT_TRUE(DrvStrokePath(dev_, p, nullptr, nullptr, black_, nullptr, &la, kCopyPen));
    ASSERT_TRUE(DrvStrokeAndFillPath(dev_, p, nullptr, nullptr, black_, &la, black_, nullptr, kCopyPen, 0));
    ASSERT_TRUE(DrvStrokePath(dev_, p, nullptr, nullptr, black_, nullptr, &la, kCopyPen));
    const Bytes out = Out();
    EXPECT_EQ(Occurrences(out, B({0xB0, 0x01, 0x00, 0x01})), 1u);
    EXPECT_EQ(Occurrences(out, B({0xAF, 0x00, 0x00, 0x06})), 1u);
}

}  // namespace
}  // namespace render_test
