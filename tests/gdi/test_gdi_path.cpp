// Path objects: PATHOBJ_bEnum hands a path out in records as the engine does (one subpath at
// most, lines or whole curves, long subpaths split), and clip regions come out as paths.
#include <gtest/gtest.h>

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
PLAT_PATH_SEGMENT Curve(LONG x) {
    return PLAT_PATH_SEGMENT{TRUE, {Fix(x, 1), Fix(x + 1, 2), Fix(x + 2, 0)}};
}

struct Rec {
    FLONG flags;
    ULONG count;
};

std::vector<Rec> Records(PATHOBJ* ppo, ULONG* totalPoints = nullptr) {
    std::vector<Rec> out;
    PATHOBJ_vEnumStart(ppo);
    PATHDATA pd{};
    BOOL more;
    ULONG total = 0;
    do {
        more = PATHOBJ_bEnum(ppo, &pd);
        out.push_back(Rec{pd.flags, pd.count});
        total += pd.count;
    } while (more && out.size() < 1000);
    if (totalPoints) *totalPoints = total;
    return out;
}

TEST(PathObjects, LongSubpathsComeInBatches) {
    std::vector<PLAT_PATH_SEGMENT> lines;
    for (LONG i = 0; i < 70; ++i) lines.push_back(Line(i, i % 3));
    PLAT_PATH_FIGURE figure{Fix(0, 0), 70, lines.data(), FALSE};
    PATHOBJ* ppo = PlatPathCreate(&figure, 1);
    ASSERT_NE(ppo, nullptr);
    EXPECT_EQ(ppo->cCurves, 70u);
    EXPECT_EQ(ppo->fl, static_cast<FLONG>(PO_ALL_INTEGERS));
    ULONG total = 0;
    std::vector<Rec> r = Records(ppo, &total);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].flags, static_cast<FLONG>(PD_BEGINSUBPATH));
    EXPECT_EQ(r[0].count, 33u) << "the start point and 32 line points";
    EXPECT_EQ(r[1].flags, 0u);
    EXPECT_EQ(r[1].count, 32u);
    EXPECT_EQ(r[2].flags, static_cast<FLONG>(PD_ENDSUBPATH));
    EXPECT_EQ(total, 71u);
    // After the end nothing more, until the enumeration starts again.
    PATHDATA pd{};
    EXPECT_FALSE(PATHOBJ_bEnum(ppo, &pd));
    EXPECT_EQ(pd.count, 0u);
    EXPECT_EQ(Records(ppo).size(), 3u);
    RECTFX bounds{};
    PATHOBJ_vGetBounds(ppo, &bounds);
    EXPECT_EQ(bounds.xRight, 69 * 16);
    EXPECT_EQ(bounds.yBottom, 2 * 16);
    EngDeletePath(ppo);
}

TEST(PathObjects, LinesAndCurvesNeverShareARecord) {
    PLAT_PATH_SEGMENT segs[] = {Line(5, 0), Line(5, 5), Curve(10), Curve(20), Line(0, 5)};
    std::vector<PLAT_PATH_SEGMENT> curves;
    for (LONG i = 0; i < 11; ++i) curves.push_back(Curve(i * 3));
    PLAT_PATH_FIGURE figures[] = {{Fix(0, 0), 5, segs, TRUE}, {Fix(100, 100), 11, curves.data(), FALSE}};
    PATHOBJ* ppo = PlatPathCreate(figures, 2);
    ASSERT_NE(ppo, nullptr);
    EXPECT_TRUE(ppo->fl & PO_BEZIERS);
    std::vector<Rec> r = Records(ppo);
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0].flags, static_cast<FLONG>(PD_BEGINSUBPATH));
    EXPECT_EQ(r[0].count, 3u);
    EXPECT_EQ(r[1].flags, static_cast<FLONG>(PD_BEZIERS));
    EXPECT_EQ(r[1].count, 6u);
    EXPECT_EQ(r[2].flags, static_cast<FLONG>(PD_ENDSUBPATH | PD_CLOSEFIGURE));
    EXPECT_EQ(r[2].count, 1u);
    // 11 curves: 10 whole curves fill a record of 32 points at most, the last one follows.
    EXPECT_EQ(r[3].flags, static_cast<FLONG>(PD_BEGINSUBPATH | PD_BEZIERS));
    EXPECT_EQ(r[3].count, 31u);
    EXPECT_EQ(r[4].flags, static_cast<FLONG>(PD_BEZIERS | PD_ENDSUBPATH));
    EXPECT_EQ(r[4].count, 3u);
    PlatPathSetBatch(ppo, 4);
    for (const Rec& rec : Records(ppo)) {
        if (!(rec.flags & PD_BEZIERS)) continue;
        EXPECT_EQ((rec.count - ((rec.flags & PD_BEGINSUBPATH) ? 1 : 0)) % 3, 0u);
        EXPECT_LE(rec.count, 4u);
    }
    EngDeletePath(ppo);
}

TEST(PathObjects, ClipRegionOutlineAndForeignObjects) {
    ULONG before = PlatGdiObjectCount();
    RECTL rects[] = {{0, 0, 4, 4}, {10, 0, 12, 4}};
    CLIPOBJ* pco = PlatClipCreate(rects, 2);
    PATHOBJ* outline = CLIPOBJ_ppoGetPath(pco);
    ASSERT_NE(outline, nullptr);
    std::vector<Rec> r = Records(outline);
    ASSERT_EQ(r.size(), 2u);
    for (const Rec& rec : r) {
        EXPECT_EQ(rec.flags, static_cast<FLONG>(PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE));
        EXPECT_EQ(rec.count, 4u);
    }
    EngDeletePath(outline);
    PlatClipDelete(pco);
    EXPECT_EQ(PlatGdiObjectCount(), before);

    PATHOBJ fake{};
    PATHDATA pd{};
    EXPECT_FALSE(PATHOBJ_bEnum(&fake, &pd));
    EXPECT_EQ(CLIPOBJ_ppoGetPath(nullptr), nullptr);
    EngDeletePath(&fake);  // ignored
}

}  // namespace
