// The clip walker on a real device context: trivial and rectangle clips as one clip rectangle,
// complex clips as one clip path, or rectangle by rectangle when the path is too big, and the
// page-clip mode of the path hooks.
#include <algorithm>
#include <string>
#include <vector>

#include "command_page_fixture.h"
#include "render/drawing_hooks.h"
#include "render/graphics_state.h"

namespace render_test {
namespace {

bool Same(const RECTL& a, const RECTL& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class ClipWalkerTest : public CommandPageTest {
protected:
    void SetUp() override {
        CommandPageTest::SetUp();
        if (HasFatalFailure()) return;
        pdev()->graphics.deviceLimits[5] = 1000;
    }
    RECTL PagePlusOne() {
        const RECTL& p = pdev()->geometry.printable;
        return RECTL{0, 0, p.right - p.left + 1, p.bottom - p.top + 1};
    }
    // Every piece the walker gives, call by call.
    std::vector<RECTL> Walk(CLIPOBJ* clip, int* calls) {
        std::vector<RECTL> pieces;
        BOOL first = TRUE, more;
        *calls = 0;
        do {
            RECTL piece{};
            BOOL have = FALSE;
            more = WalkClip(pdev(), clip, first, &piece, &have);
            first = FALSE;
            ++*calls;
            if (have) pieces.push_back(piece);
        } while (more && *calls < 100);
        return pieces;
    }
};

TEST_F(ClipWalkerTest, TrivialAndRectangleClipsAreOnePiece) {
    RECTL bounds{0, 0, 5000, 7000};
    CLIPOBJ* trivial = PlatClipCreateTrivial(&bounds);
    clips_.push_back(trivial);
    struct Case {
        const char* name;
        CLIPOBJ* clip;
        RECTL expected;
    } const cases[] = {
        {"none", nullptr, PagePlusOne()},
        {"trivial", trivial, PagePlusOne()},
        {"rectangle", Clip({RECTL{10, 20, 30, 40}}), RECTL{10, 20, 31, 41}},
    };
    for (const Case& c : cases) {
        pdev()->graphics.clipSent = RECTL{0, 0, 0, 0};
        int calls = 0;
        std::vector<RECTL> pieces = Walk(c.clip, &calls);
        EXPECT_EQ(calls, 1) << c.name;
        ASSERT_EQ(pieces.size(), 1u) << c.name;
        EXPECT_TRUE(Same(pieces[0], c.expected)) << c.name;
        Bytes out = Out();
        EXPECT_TRUE(Contains(out, {0xB1}) || Contains(out, {0xB2})) << c.name << ": a clip rectangle was written";
    }
}

TEST_F(ClipWalkerTest, ComplexClipGoesOutAsOneClipPath) {
    pdev()->state |= kStateClipPathAttempt | kStateStorePageClip;
    int calls = 0;
    std::vector<RECTL> pieces = Walk(Clip({RECTL{0, 0, 10, 10}, RECTL{20, 0, 30, 10}}), &calls);
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_TRUE(Same(pieces[0], RECTL{0, 0, 31, 11})) << "the path's bounds plus one";
    Bytes out = Out();
    EXPECT_TRUE(Contains(out, {0xB5, 0x04}) || Contains(out, {0xB5, 0x02}));
    EXPECT_FALSE(pdev()->state & kStateStorePageClip) << "the path is the clip: no page clip to keep";
    EXPECT_TRUE(pdev()->state & kStateClipPathAttempt);
}

TEST_F(ClipWalkerTest, ComplexClipTooBigForAPathGoesRectangleByRectangle) {
    pdev()->state |= kStateClipPathAttempt;
    pdev()->graphics.deviceLimits[5] = 4;  // fewer points than the outline needs
    const std::vector<RECTL> region{RECTL{0, 0, 10, 10}, RECTL{20, 0, 30, 10}, RECTL{0, 20, 30, 30}};
    int calls = 0;
    std::vector<RECTL> pieces = Walk(Clip(region), &calls);
    ASSERT_EQ(pieces.size(), region.size());
    EXPECT_EQ(calls, 3) << "one rectangle per call";
    for (size_t i = 0; i < region.size(); ++i) EXPECT_TRUE(Same(pieces[i], region[i])) << i;
    Bytes out = Out();
    EXPECT_FALSE(Contains(out, {0xB5, 0x04}) || Contains(out, {0xB5, 0x02})) << "no clip path";
    EXPECT_FALSE(pdev()->state & kStateClipPathAttempt) << "no second try within the hook";
}

TEST_F(ClipWalkerTest, PageClipModeKeepsTheRectangle) {
    struct Case {
        DWORD bits;
        bool written;
    } const cases[] = {{kStateStorePageClip, true}, {kStateStorePageClip | kStateKeepPageClip, false}};
    for (const Case& c : cases) {
        pdev()->graphics.clipSent = RECTL{0, 0, 0, 0};
        pdev()->state |= c.bits;
        int calls = 0;
        std::vector<RECTL> pieces = Walk(Clip({RECTL{100, 100, 200, 300}}), &calls);
        pdev()->state &= ~c.bits;
        ASSERT_EQ(pieces.size(), 1u);
        EXPECT_TRUE(Same(pdev()->geometry.bandClip[0], RECTL{100, 100, 201, 301})) << "kept as the page clip";
        Bytes out = Out();
        EXPECT_EQ(!out.empty(), c.written) << c.bits;
        if (c.written) {
            // The page rectangle went out in its place.
            const RECTL& sent = pdev()->graphics.clipSent;
            EXPECT_GT(sent.right - sent.left, 200);
        }
    }
}

TEST_F(ClipWalkerTest, OutputFailureYieldsNoPiece) {
    pdev()->state |= kStateOutputFailed;
    RECTL piece{};
    BOOL have = TRUE;
    EXPECT_FALSE(WalkClip(pdev(), Clip({RECTL{0, 0, 10, 10}, RECTL{20, 0, 30, 10}}), TRUE, &piece, &have));
    EXPECT_FALSE(have);
    pdev()->state &= ~kStateOutputFailed;
    EXPECT_TRUE(Out().empty());
}

}  // namespace
}  // namespace render_test
