// Clip objects: regions kept in bands as GDI keeps them, and CLIPOBJ_bEnum handing the
// rectangles out in batches, in the asked direction, cut to the operation when bAll is FALSE.
#include <gtest/gtest.h>

#include <vector>

#include "plat/gdi_control.h"
#include "win/ddi.h"
#include "win/kernel.h"

namespace {

bool operator==(const RECTL& a, const RECTL& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::vector<RECTL> EnumAll(CLIPOBJ* pco, ULONG direction, ULONG room, std::vector<ULONG>* batches = nullptr,
                           BOOL all = TRUE) {
    CLIPOBJ_cEnumStart(pco, all, CT_RECTANGLES, direction, 0);
    std::vector<ULONG> buffer(1 + 4 * room);
    std::vector<RECTL> out;
    BOOL more;
    int guard = 0;
    do {
        more = CLIPOBJ_bEnum(pco, static_cast<ULONG>(buffer.size() * sizeof(ULONG)), buffer.data());
        auto* er = reinterpret_cast<ENUMRECTS*>(buffer.data());
        if (batches) batches->push_back(er->c);
        const RECTL* r = er->arcl;
        out.insert(out.end(), r, r + er->c);
    } while (more && ++guard < 1000);
    EXPECT_LT(guard, 1000) << "enumeration never ended";
    return out;
}

struct RegionCase {
    const char* name;
    std::vector<RECTL> input;
    BYTE complexity;
    std::vector<RECTL> bands;  // right-down order
};

TEST(ClipRegion, BandsAndComplexity) {
    const RegionCase cases[] = {
        {"one rectangle", {{10, 20, 30, 40}}, DC_RECT, {{10, 20, 30, 40}}},
        {"overlapping pair splits into three bands",
         {{0, 0, 10, 10}, {5, 5, 15, 15}},
         DC_COMPLEX,
         {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}},
        {"touching side by side merge into one", {{0, 0, 5, 10}, {5, 0, 10, 10}}, DC_RECT, {{0, 0, 10, 10}}},
        {"stacked with the same spans merge", {{0, 0, 8, 4}, {0, 4, 8, 9}}, DC_RECT, {{0, 0, 8, 9}}},
        {"two spans in one band", {{0, 0, 4, 4}, {6, 0, 9, 4}}, DC_COMPLEX, {{0, 0, 4, 4}, {6, 0, 9, 4}}},
        {"a gap between bands stays", {{0, 0, 4, 2}, {0, 5, 4, 7}}, DC_COMPLEX, {{0, 0, 4, 2}, {0, 5, 4, 7}}},
        {"empty and inverted rectangles are ignored",
         {{5, 5, 5, 9}, {9, 9, 3, 3}, {1, 1, 2, 2}},
         DC_RECT,
         {{1, 1, 2, 2}}},
        {"nothing at all", {}, DC_RECT, {}},
    };
    for (const RegionCase& c : cases) {
        SCOPED_TRACE(c.name);
        CLIPOBJ* pco = PlatClipCreate(c.input.data(), static_cast<ULONG>(c.input.size()));
        ASSERT_NE(pco, nullptr);
        EXPECT_EQ(pco->iDComplexity, c.complexity);
        EXPECT_EQ(pco->iMode, TC_RECTANGLES);
        std::vector<RECTL> got = EnumAll(pco, CD_RIGHTDOWN, 8);
        EXPECT_EQ(got.size(), c.bands.size());
        for (size_t i = 0; i < got.size() && i < c.bands.size(); ++i) EXPECT_TRUE(got[i] == c.bands[i]) << i;
        if (!c.bands.empty()) {
            RECTL b = c.bands.front();
            for (auto& r : c.bands) {
                b.left = std::min(b.left, r.left);
                b.top = std::min(b.top, r.top);
                b.right = std::max(b.right, r.right);
                b.bottom = std::max(b.bottom, r.bottom);
            }
            EXPECT_TRUE(pco->rclBounds == b);
        }
        PlatClipDelete(pco);
    }
}

TEST(ClipEnumeration, BatchesFollowTheCallersBuffer) {
    std::vector<RECTL> input;
    for (LONG i = 0; i < 10; ++i) input.push_back(RECTL{0, i * 10, 5 + i, i * 10 + 5});
    CLIPOBJ* pco = PlatClipCreate(input.data(), 10);
    EXPECT_EQ(pco->iDComplexity, DC_COMPLEX);
    EXPECT_EQ(pco->iFComplexity, FC_COMPLEX);
    EXPECT_EQ(CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 10), 10u);
    EXPECT_EQ(CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 9), 0xFFFFFFFFu);
    std::vector<ULONG> batches;
    std::vector<RECTL> got = EnumAll(pco, CD_RIGHTDOWN, 3, &batches);
    EXPECT_EQ(batches, (std::vector<ULONG>{3, 3, 3, 1}));
    ASSERT_EQ(got.size(), 10u);
    for (LONG i = 0; i < 10; ++i) EXPECT_TRUE(got[i] == input[i]);

    // A buffer too small for one rectangle ends the enumeration instead of spinning.
    ULONG tiny[2] = {99, 0};
    CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 0);
    SetLastError(0);
    EXPECT_FALSE(CLIPOBJ_bEnum(pco, sizeof(tiny), tiny));
    EXPECT_EQ(tiny[0], 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(CLIPOBJ_cEnumStart(pco, TRUE, 7, CD_ANY, 0), 0xFFFFFFFFu);
    PlatClipDelete(pco);
}

TEST(ClipEnumeration, DirectionsAndOperationBounds) {
    RECTL input[] = {{0, 0, 2, 2}, {4, 0, 6, 2}, {0, 4, 2, 6}, {4, 4, 6, 6}};
    CLIPOBJ* pco = PlatClipCreate(input, 4);
    struct DirectionCase {
        ULONG direction;
        std::vector<LONG> lefts, tops;
    } cases[] = {
        {CD_RIGHTDOWN, {0, 4, 0, 4}, {0, 0, 4, 4}},
        {CD_LEFTDOWN, {4, 0, 4, 0}, {0, 0, 4, 4}},
        {CD_RIGHTUP, {0, 4, 0, 4}, {4, 4, 0, 0}},
        {CD_LEFTUP, {4, 0, 4, 0}, {4, 4, 0, 0}},
    };
    for (auto& c : cases) {
        std::vector<RECTL> got = EnumAll(pco, c.direction, 2);
        ASSERT_EQ(got.size(), 4u) << c.direction;
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(got[i].left, c.lefts[i]) << c.direction << " " << i;
            EXPECT_EQ(got[i].top, c.tops[i]) << c.direction << " " << i;
        }
    }
    // With bAll FALSE only the parts inside the drawing operation come out, cut to it.
    RECTL op{1, 1, 5, 3};
    PlatClipSetOperationBounds(pco, &op);
    std::vector<RECTL> part = EnumAll(pco, CD_RIGHTDOWN, 4, nullptr, FALSE);
    ASSERT_EQ(part.size(), 2u);
    EXPECT_TRUE(part[0] == (RECTL{1, 1, 2, 2}));
    EXPECT_TRUE(part[1] == (RECTL{4, 1, 5, 2}));
    EXPECT_EQ(EnumAll(pco, CD_RIGHTDOWN, 4, nullptr, TRUE).size(), 4u);
    PlatClipDelete(pco);

    RECTL page{0, 0, 4960, 7016};
    CLIPOBJ* trivial = PlatClipCreateTrivial(&page);
    EXPECT_EQ(trivial->iDComplexity, DC_TRIVIAL);
    std::vector<RECTL> whole = EnumAll(trivial, CD_ANY, 1);
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_TRUE(whole[0] == page);
    PlatClipDelete(trivial);
}

TEST(ClipEnumeration, ForeignObjectsAreRefused) {
    CLIPOBJ fake{};
    ULONG buffer[5] = {};
    EXPECT_EQ(CLIPOBJ_cEnumStart(&fake, TRUE, CT_RECTANGLES, CD_ANY, 0), 0xFFFFFFFFu);
    EXPECT_FALSE(CLIPOBJ_bEnum(&fake, sizeof(buffer), buffer));
    RECTL r{0, 0, 1, 1};
    CLIPOBJ* pco = PlatClipCreate(&r, 1);
    // bEnum before cEnumStart hands out nothing.
    EXPECT_FALSE(CLIPOBJ_bEnum(pco, sizeof(buffer), buffer));
    EXPECT_EQ(buffer[0], 0u);
    PlatClipDelete(pco);
}

}  // namespace
