// The layout preview's mouse rules: what the pointer is over, moving the image, resizing it by a
// corner with its aspect kept, refused strokes, the smallest size and the zoom a resize leaves.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/pages/layout_fixture.h"
#include "ui/pages/layout_drag.h"
#include "ui/pages/layout_geometry.h"

namespace {

using namespace orla;
using pages_test::RoundLayout;
using pages_test::RoundRecord;
using pages_test::SameRect;

// The round layout in a 300 x 200 preview: sheet (90,10)-(210,190), 3 pixels to 5.0 mm, image
// and printable area (93,13)-(207,187).
LayoutState Previewed(DWORD flags, const DriverDevmode& r, LONG width = 300, LONG height = 200) {
    LayoutState s = RoundLayout();
    s.layoutFlags = flags;
    ComputePreviewGeometry(&s, r, width, height);
    return s;
}

constexpr DWORD kHitTopLeft = LayoutHandleBit(kLayoutFront, kCornerTopLeft);
constexpr DWORD kHitTopRight = LayoutHandleBit(kLayoutFront, kCornerTopRight);
constexpr DWORD kHitBottomLeft = LayoutHandleBit(kLayoutFront, kCornerBottomLeft);
constexpr DWORD kHitBottomRight = LayoutHandleBit(kLayoutFront, kCornerBottomRight);

struct HitCase {
    const char* what;
    DWORD flags;
    POINT at;
    DWORD hit;
    LayoutCursor cursor;
};
// clang-format off
const HitCase kHitCases[] = {
    {"body",                                  kLayoutResizable,              {150, 100}, kLayoutHitFront, LayoutCursor::kSizeAll},
    {"bottom-right handle over the body",     kLayoutResizable,              {205, 185}, kHitBottomRight, LayoutCursor::kSizeNwse},
    {"bottom-right handle outside the body",  kLayoutResizable,              {211, 191}, kHitBottomRight, LayoutCursor::kSizeNwse},
    {"top-left handle",                       kLayoutResizable,              {95, 15},   kHitTopLeft,     LayoutCursor::kSizeNwse},
    {"top-right handle",                      kLayoutResizable,              {205, 15},  kHitTopRight,    LayoutCursor::kSizeNesw},
    {"bottom-left handle",                    kLayoutResizable,              {95, 185},  kHitBottomLeft,  LayoutCursor::kSizeNesw},
    {"outside",                               kLayoutResizable,              {20, 20},   0,               LayoutCursor::kArrow},
    {"no handles without free zoom",          0,                             {205, 185}, kLayoutHitFront, LayoutCursor::kSizeAll},
    {"nothing beside the body without zoom",  0,                             {211, 191}, 0,               LayoutCursor::kArrow},
    {"no handles with pages per sheet",       kLayoutResizable | kLayoutNup, {205, 185}, kLayoutHitFront, LayoutCursor::kSizeAll},
};
// clang-format on

TEST(LayoutHit, HandlesThenBodiesWithTheirCursors) {
    const DriverDevmode r = RoundRecord();
    for (const HitCase& c : kHitCases) {
        const LayoutState s = Previewed(c.flags, r);
        const DWORD hit = HitTestLayout(s, c.at);
        EXPECT_EQ(hit, c.hit) << c.what;
        EXPECT_EQ(CursorForHit(hit), c.cursor) << c.what;
    }
}

// Where both images lie under the pointer, the one tested first wins.
TEST(LayoutHit, TheBackImageCanBeTestedFirst) {
    LayoutState s = Previewed(kLayoutBackSide, RoundRecord(), 400, 200);
    s.side[kLayoutBack].image = s.side[kLayoutFront].image;
    const POINT middle = {(s.side[0].image.left + s.side[0].image.right) / 2, 100};
    EXPECT_EQ(HitTestLayout(s, middle), kLayoutHitFront);
    s.layoutFlags |= kLayoutBackFirst;
    EXPECT_EQ(HitTestLayout(s, middle), kLayoutHitBack);
    s.layoutFlags &= ~kLayoutBackSide;  // without a back side the back is never hit
    EXPECT_EQ(HitTestLayout(s, middle), kLayoutHitFront);
}

TEST(LayoutDrag, APressOnAHandlePutsThePointerOnItsCorner) {
    LayoutState s = Previewed(kLayoutResizable | kLayoutBackFirst, RoundRecord());
    LayoutMouseAnswer answer{};
    ASSERT_TRUE(BeginLayoutDrag(&s, {205, 185}, &answer));
    EXPECT_TRUE(answer.movePointer);
    EXPECT_EQ(answer.pointer.x, 207);
    EXPECT_EQ(answer.pointer.y, 187);
    EXPECT_TRUE(s.layoutFlags & kLayoutDragging);
    EXPECT_FALSE(s.layoutFlags & kLayoutBackFirst);  // the front was hit
    // A press on the body keeps the pointer; a press beside the image starts nothing.
    LayoutState body = Previewed(kLayoutResizable, RoundRecord());
    ASSERT_TRUE(BeginLayoutDrag(&body, {150, 100}, &answer));
    EXPECT_FALSE(answer.movePointer);
    LayoutState none = Previewed(kLayoutResizable, RoundRecord());
    EXPECT_FALSE(BeginLayoutDrag(&none, {20, 20}, &answer));
    EXPECT_FALSE(none.layoutFlags & kLayoutDragging);
}

TEST(LayoutDrag, ABodyMovesWithTheMouseAndStoresItsPosition) {
    for (DWORD flags : {DWORD{0}, kLayoutResizable}) {
        DriverDevmode r = RoundRecord();
        LayoutState s = Previewed(flags, r);
        LayoutMouseAnswer answer{};
        ASSERT_TRUE(BeginLayoutDrag(&s, {150, 100}, &answer));
        answer = DragLayout(&s, r, {156, 112});
        EXPECT_TRUE(answer.changed);
        EXPECT_TRUE(SameRect(s.side[kLayoutFront].image, {99, 25, 213, 199}));
        // 15 and 9 pixels from the sheet's edges at 3000 / 180 tenths per pixel.
        EXPECT_EQ(PositionTop(r, kLayoutFront), 250);
        EXPECT_EQ(PositionLeft(r, kLayoutFront), 150);
        EXPECT_EQ(Get(r, dm::Zoom), 100);  // a move keeps the zoom
    }
}

struct ResizeCase {
    const char* what;
    int corner;
    LONG dx, dy;
    RECT image;
    LONG top, left;
    WORD zoom;
    bool pointerMoved;
    POINT pointer;  // where the pointer is put (when moved)
};
// The image is 114 x 174 pixels (the page's printable 190.0 x 290.0 mm); 1 % of the sheet's
// shorter side (120 pixels) is 2 pixels.
// clang-format off
const ResizeCase kResizeCases[] = {
    {"bottom-right, across farther",           kCornerBottomRight, -30,  -10,  {93, 13, 177, 141}, 50,  50,  74,  false, {}},
    {"bottom-right, down farther",             kCornerBottomRight, 5,    20,   {93, 13, 220, 207}, 50,  50,  111, false, {}},
    {"bottom-right, down only",                kCornerBottomRight, 0,    -10,  {93, 13, 200, 177}, 50,  50,  94,  false, {}},
    {"top-left keeps the bottom-right corner", kCornerTopLeft,     12,   6,    {105, 31, 207, 187}, 350, 250, 90, false, {}},
    {"top-right keeps the bottom-left corner", kCornerTopRight,    -20,  10,   {93, 44, 187, 187}, 567, 50,  82,  false, {}},
    {"bottom-right against its diagonal",      kCornerBottomRight, 10,   -5,   {93, 13, 207, 187}, 50,  50,  100, true,  {207, 187}},
    {"top-right against its diagonal",         kCornerTopRight,    10,   10,   {93, 13, 207, 187}, 50,  50,  100, true,  {207, 13}},
    {"down to the smallest size",              kCornerBottomRight, -200, -150, {93, 13, 95, 16},   50,  50,  2,   true,  {95, 16}},
};
// clang-format on

TEST(LayoutDrag, ACornerResizesWithTheAspectKept) {
    for (const ResizeCase& c : kResizeCases) {
        DriverDevmode r = RoundRecord();
        LayoutState s = Previewed(kLayoutResizable, r);
        const RECT& before = s.side[kLayoutFront].image;
        const POINT corner = {
            (c.corner == kCornerTopLeft || c.corner == kCornerBottomLeft) ? before.left : before.right,
            (c.corner == kCornerTopLeft || c.corner == kCornerTopRight) ? before.top : before.bottom};
        LayoutMouseAnswer answer{};
        ASSERT_TRUE(BeginLayoutDrag(&s, corner, &answer)) << c.what;
        ASSERT_EQ(s.layoutFlags & kLayoutHitMask, LayoutHandleBit(kLayoutFront, c.corner)) << c.what;
        answer = DragLayout(&s, r, {corner.x + c.dx, corner.y + c.dy});
        const RECT& image = s.side[kLayoutFront].image;
        EXPECT_TRUE(SameRect(image, c.image))
            << c.what << ": " << image.left << "," << image.top << "," << image.right << "," << image.bottom;
        EXPECT_EQ(PositionTop(r, kLayoutFront), c.top) << c.what;
        EXPECT_EQ(PositionLeft(r, kLayoutFront), c.left) << c.what;
        EXPECT_EQ(Get(r, dm::Zoom), c.zoom) << c.what;
        EXPECT_EQ(Get(r, dm::SavedZoom), c.zoom == 100 ? 0 : c.zoom) << c.what;  // written with the zoom
        EXPECT_EQ(answer.movePointer, c.pointerMoved) << c.what;
        if (c.pointerMoved) {
            EXPECT_EQ(answer.pointer.x, c.pointer.x) << c.what;
            EXPECT_EQ(answer.pointer.y, c.pointer.y) << c.what;
        }
    }
}

TEST(LayoutDrag, TheSmallestSizeIsOnePercentOfTheShorterSideRoundedUp) {
    EXPECT_EQ(MinimumImagePixels(Previewed(0, RoundRecord())), 2);  // 120 pixels across
    LayoutState big = RoundLayout(2000, 3000);
    ComputePreviewGeometry(&big, RoundRecord(), 1000, 1000);  // 900 x 600
    EXPECT_EQ(MinimumImagePixels(big), 6);
    LayoutState wide = RoundLayout(3000, 2000);
    ComputePreviewGeometry(&wide, RoundRecord(), 1000, 1000);  // 900 x 600: the short side is down
    EXPECT_EQ(MinimumImagePixels(wide), 6);
}

// With a back side both images take the new size; the positions come back from the preview.
TEST(LayoutDrag, BothSidesResizeTogether) {
    DriverDevmode r = RoundRecord();
    LayoutState s = Previewed(kLayoutResizable | kLayoutBackSide, r, 400, 200);
    ASSERT_TRUE(SameRect(s.side[kLayoutFront].image, {66, 32, 155, 167}));
    ASSERT_TRUE(SameRect(s.side[kLayoutBack].image, {246, 32, 335, 167}));
    LayoutMouseAnswer answer{};
    ASSERT_TRUE(BeginLayoutDrag(&s, {155, 167}, &answer));
    DragLayout(&s, r, {135, 162});
    EXPECT_TRUE(SameRect(s.side[kLayoutFront].image, {66, 32, 135, 137}));
    EXPECT_TRUE(SameRect(s.side[kLayoutBack].image, {246, 32, 315, 137}));
    // 2 pixels at 3000 / 140 tenths per pixel.
    EXPECT_EQ(PositionTop(r, kLayoutFront), 43);
    EXPECT_EQ(PositionLeft(r, kLayoutBack), 43);
    EXPECT_EQ(Get(r, dm::Zoom), 77);  // 105 of the sheet's 136 printable pixels
}

TEST(LayoutDrag, ReleaseEndsTheDragAndPutsThePointerBack) {
    DriverDevmode r = RoundRecord();
    LayoutState s = Previewed(kLayoutResizable, r);
    LayoutMouseAnswer answer{};
    ASSERT_TRUE(BeginLayoutDrag(&s, {207, 187}, &answer));
    DragLayout(&s, r, {177, 177});
    answer = EndLayoutDrag(&s);
    EXPECT_FALSE(s.layoutFlags & kLayoutDragging);
    EXPECT_TRUE(answer.movePointer);
    EXPECT_EQ(answer.pointer.x, 177);
    EXPECT_EQ(answer.pointer.y, 177);
    const RECT& image = s.side[kLayoutFront].image;
    EXPECT_TRUE(SameRect(s.side[kLayoutFront].handles[kCornerBottomRight],
                         {image.right - 5, image.bottom - 5, image.right + 5, image.bottom + 5}));
    // A move after the release does nothing.
    const DriverDevmode before = r;
    EXPECT_FALSE(DragLayout(&s, r, {100, 100}).changed);
    EXPECT_EQ(std::memcmp(before.bytes, r.bytes, kDriverDevmodeSize), 0);
}

// A preview of no size, or a page without a printable area, divides by nothing: the picture may
// move but no position or zoom is computed from it.
TEST(LayoutDrag, NoSizeStoresNothing) {
    DriverDevmode r = RoundRecord();
    LayoutState s = Previewed(kLayoutResizable, r);
    s.previewPaperSize = 0;
    LayoutMouseAnswer answer{};
    ASSERT_TRUE(BeginLayoutDrag(&s, {150, 100}, &answer));
    DragLayout(&s, r, {160, 110});
    EXPECT_EQ(PositionTop(r, kLayoutFront), 50);
    EXPECT_EQ(PositionLeft(r, kLayoutFront), 50);

    LayoutState flat = Previewed(kLayoutResizable, r);
    flat.pageMargins = {1000, 50, 1000, 50};  // no printable width
    ASSERT_TRUE(BeginLayoutDrag(&flat, {207, 187}, &answer));
    answer = DragLayout(&flat, r, {197, 180});
    EXPECT_TRUE(answer.movePointer);  // refused: the pointer goes back
    EXPECT_EQ(Get(r, dm::Zoom), 100);
}

}  // namespace
