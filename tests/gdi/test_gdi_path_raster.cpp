// Paths handed back to the engine: EngFillPath, EngStrokePath, EngStrokeAndFillPath and EngPaint
// set the covered pixels of a 1-bpp bitmap by the mix, within the clip; transform objects give
// their matrix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/gdi_control.h"
#include "win/ddi.h"
#include "win/kernel.h"

namespace {

POINTFIX Fix(LONG x, LONG y) {
    return POINTFIX{x * 16, y * 16};
}
PLAT_PATH_SEGMENT Line(LONG x, LONG y) {
    return PLAT_PATH_SEGMENT{FALSE, {Fix(x, y)}};
}

// A white 1-bpp bitmap of w x h, drawn on in black.
class EnginePathTest : public ::testing::Test {
protected:
    void SetUp() override {
        bitmap_ = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{16, 12}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr));
        ASSERT_NE(bitmap_, nullptr);
        so_ = EngLockSurface(bitmap_);
        ASSERT_NE(so_, nullptr);
        RECTL all{0, 0, 16, 12};
        ASSERT_TRUE(EngEraseSurface(so_, &all, 1));
        black_ = PlatBrushCreateSolid(0, 0x000000);
        ASSERT_NE(black_, nullptr);
    }
    void TearDown() override {
        for (PATHOBJ* p : paths_) EngDeletePath(p);
        for (CLIPOBJ* c : clips_) PlatClipDelete(c);
        PlatBrushDelete(black_);
        EngUnlockSurface(so_);
        EngDeleteSurface(bitmap_);
    }

    PATHOBJ* Figure(LONG x, LONG y, std::vector<PLAT_PATH_SEGMENT> segments, BOOL closed) {
        segs_.push_back(std::move(segments));
        PLAT_PATH_FIGURE f{Fix(x, y), static_cast<ULONG>(segs_.back().size()), segs_.back().data(), closed};
        PATHOBJ* p = PlatPathCreate(&f, 1);
        paths_.push_back(p);
        return p;
    }
    CLIPOBJ* Clip(RECTL r) {
        CLIPOBJ* c = PlatClipCreate(&r, 1);
        clips_.push_back(c);
        return c;
    }

    // The bitmap as rows of '#' (black) and '.' (white).
    std::vector<std::string> Picture() const {
        std::vector<std::string> rows;
        for (LONG y = 0; y < 12; ++y) {
            std::string row;
            const BYTE* line = static_cast<const BYTE*>(so_->pvScan0) + y * so_->lDelta;
            for (LONG x = 0; x < 16; ++x) row += (line[x / 8] & (0x80 >> (x % 8))) ? '.' : '#';
            rows.push_back(row);
        }
        return rows;
    }
    int BlackCount() const {
        int n = 0;
        for (const std::string& r : Picture())
            for (char c : r) n += c == '#';
        return n;
    }

    HSURF bitmap_ = nullptr;
    SURFOBJ* so_ = nullptr;
    BRUSHOBJ* black_ = nullptr;
    std::vector<std::vector<PLAT_PATH_SEGMENT>> segs_;
    std::vector<PATHOBJ*> paths_;
    std::vector<CLIPOBJ*> clips_;
};

constexpr MIX kCopyPen = 0x0D0D;

TEST_F(EnginePathTest, FillCoversThePixelsWhoseCentresLieInside) {
    PATHOBJ* square = Figure(2, 1, {Line(6, 1), Line(6, 4), Line(2, 4)}, TRUE);
    ASSERT_TRUE(EngFillPath(so_, square, nullptr, black_, nullptr, kCopyPen, FP_ALTERNATEMODE));
    const auto pic = Picture();
    EXPECT_EQ(pic[0], "................");
    EXPECT_EQ(pic[1], "..####..........");
    EXPECT_EQ(pic[3], "..####..........");
    EXPECT_EQ(pic[4], "................");
    EXPECT_EQ(BlackCount(), 12);
}

TEST_F(EnginePathTest, WindingRuleFillsWhatTheAlternateRuleLeavesOpen) {
    // Two squares, the inner one inside the outer and wound the same way.
    const PLAT_PATH_SEGMENT outer[] = {Line(10, 0), Line(10, 10), Line(0, 10)};
    const PLAT_PATH_SEGMENT inner[] = {Line(7, 3), Line(7, 7), Line(3, 7)};
    const PLAT_PATH_FIGURE figures[] = {{Fix(0, 0), 3, outer, TRUE}, {Fix(3, 3), 3, inner, TRUE}};
    PATHOBJ* p = PlatPathCreate(figures, 2);
    paths_.push_back(p);
    ASSERT_TRUE(EngFillPath(so_, p, nullptr, black_, nullptr, kCopyPen, FP_ALTERNATEMODE));
    EXPECT_EQ(Picture()[5], "###....###......") << "the hole stays white";
    ASSERT_TRUE(EngFillPath(so_, p, nullptr, black_, nullptr, kCopyPen, FP_WINDINGMODE));
    EXPECT_EQ(Picture()[5], "##########......");
}

TEST_F(EnginePathTest, CosmeticStrokeIsABresenhamLineCutByTheClip) {
    PATHOBJ* diagonal = Figure(0, 0, {Line(5, 5)}, FALSE);
    ASSERT_TRUE(EngStrokePath(so_, diagonal, nullptr, nullptr, black_, nullptr, nullptr, kCopyPen));
    const auto pic = Picture();
    for (LONG i = 0; i <= 5; ++i) EXPECT_EQ(pic[i][i], '#') << i;
    EXPECT_EQ(BlackCount(), 6);

    RECTL all{0, 0, 16, 12};
    ASSERT_TRUE(EngEraseSurface(so_, &all, 1));
    PATHOBJ* across = Figure(0, 8, {Line(15, 8)}, FALSE);
    ASSERT_TRUE(EngStrokePath(so_, across, Clip(RECTL{4, 0, 8, 12}), nullptr, black_, nullptr, nullptr, kCopyPen));
    EXPECT_EQ(Picture()[8], "....####........");
    EXPECT_EQ(BlackCount(), 4);
}

TEST_F(EnginePathTest, GeometricStrokeIsAsWideAsThePen) {
    PATHOBJ* across = Figure(2, 6, {Line(12, 6)}, FALSE);
    LINEATTRS wide{};
    wide.fl = LA_GEOMETRIC;
    wide.elWidth.e = 4.0f;
    ASSERT_TRUE(EngStrokePath(so_, across, nullptr, nullptr, black_, nullptr, &wide, kCopyPen));
    const auto pic = Picture();
    EXPECT_EQ(pic[3], "................");
    for (int y = 4; y < 8; ++y) EXPECT_EQ(pic[y], "..##########....") << y;
    EXPECT_EQ(pic[8], "................");
}

TEST_F(EnginePathTest, CurvesAreFlattenedThroughTheirEndPoints) {
    const PLAT_PATH_SEGMENT curve[] = {PLAT_PATH_SEGMENT{TRUE, {Fix(0, 10), Fix(10, 10), Fix(10, 0)}}};
    PLAT_PATH_FIGURE f{Fix(0, 0), 1, curve, FALSE};
    PATHOBJ* p = PlatPathCreate(&f, 1);
    paths_.push_back(p);
    ASSERT_TRUE(EngStrokePath(so_, p, nullptr, nullptr, black_, nullptr, nullptr, kCopyPen));
    const auto pic = Picture();
    EXPECT_EQ(pic[0][0], '#');
    EXPECT_EQ(pic[0][10], '#');
    EXPECT_TRUE(pic[7][5] == '#' || pic[8][5] == '#') << "the middle of the curve lies at (5, 7.5)";
    EXPECT_EQ(pic[0][5], '.') << "not the straight line between the ends";
}

TEST_F(EnginePathTest, MixesPaintByTheirRasterOperation) {
    struct Case {
        const char* name;
        MIX mix;
        char expected;  // the pixel inside the fill, on white
    } const cases[] = {{"copy pen", 0x0D0D, '#'}, {"nop", 0x0B0B, '.'}, {"not", 0x0606, '#'}, {"white", 0x1010, '.'}};
    for (const Case& c : cases) {
        RECTL all{0, 0, 16, 12};
        ASSERT_TRUE(EngEraseSurface(so_, &all, 1));
        PATHOBJ* square = Figure(0, 0, {Line(4, 0), Line(4, 4), Line(0, 4)}, TRUE);
        ASSERT_TRUE(EngFillPath(so_, square, nullptr, black_, nullptr, c.mix, FP_ALTERNATEMODE)) << c.name;
        EXPECT_EQ(Picture()[2][2], c.expected) << c.name;
    }
}

TEST_F(EnginePathTest, PaintFillsTheClipRegion) {
    const RECTL pieces[] = {{1, 1, 3, 3}, {10, 5, 12, 6}};
    CLIPOBJ* two = PlatClipCreate(pieces, 2);
    clips_.push_back(two);
    ASSERT_TRUE(EngPaint(so_, two, black_, nullptr, kCopyPen));
    EXPECT_EQ(BlackCount(), 4 + 2);
    EXPECT_EQ(Picture()[5], "..........##....");
}

TEST_F(EnginePathTest, BadArgumentsFailWithoutDrawing) {
    PATHOBJ* square = Figure(0, 0, {Line(4, 0), Line(4, 4)}, TRUE);
    SetLastError(0);
    EXPECT_FALSE(EngFillPath(nullptr, square, nullptr, black_, nullptr, kCopyPen, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(EngStrokePath(so_, nullptr, nullptr, nullptr, black_, nullptr, nullptr, kCopyPen));
    EXPECT_FALSE(EngPaint(so_, nullptr, nullptr, nullptr, kCopyPen));
    EXPECT_EQ(BlackCount(), 0);
}

TEST(EngineTransforms, KindFollowsTheMatrix) {
    struct Case {
        XFORML m;
        ULONG kind;
    } const cases[] = {{{1, 0, 0, 1, 0, 0}, GX_IDENTITY},
                       {{1, 0, 0, 1, 5, 0}, GX_OFFSET},
                       {{2, 0, 0, 2, 0, 0}, GX_SCALE},
                       {{0, 1, -1, 0, 0, 0}, GX_GENERAL}};
    for (const Case& c : cases) {
        XFORMOBJ* x = PlatXformCreate(&c.m);
        ASSERT_NE(x, nullptr);
        XFORML back{};
        EXPECT_EQ(XFORMOBJ_iGetXform(x, &back), c.kind);
        EXPECT_EQ(back.eM11, c.m.eM11);
        EXPECT_EQ(back.eM21, c.m.eM21);
        PlatXformDelete(x);
    }
    XFORML out{};
    EXPECT_EQ(XFORMOBJ_iGetXform(nullptr, &out), DDI_ERROR);
}

}  // namespace
