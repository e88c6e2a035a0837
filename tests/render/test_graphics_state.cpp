// The binary graphics state: raster operations, levels and halftone tables, brushes, pen, line
// width, moves, rectangles, clip rectangles and clip paths, the point packer, the layout frame,
// the vector mode set-up and the output-failure latch. Bytes are checked exactly.
#include <cstring>
#include <functional>
#include <vector>

#include "bare_page_fixture.h"
#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "render/brushes.h"
#include "render/graphics_state.h"
#include "render/point_coding.h"

namespace render_test {
namespace {

// The hand-made page with room for 1000 clip-path points.
class GraphicsStateTest : public BarePageTest {
protected:
    void SetUp() override {
        BarePageTest::SetUp();
        if (HasFatalFailure()) return;
        pdev()->graphics.deviceLimits[5] = 1000;
    }
};

// ---- Raster operations ----

static_assert(DeviceRopFromRop3(0xCC) == 0xCC && DeviceRopFromRop3(0xEE) == 0x88 && DeviceRopFromRop3(0x00) == 0xFF);

TEST_F(GraphicsStateTest, RopIsTheMirroredComplementSentAsAPair) {
    struct Case {
        BYTE rop3, op;
    } const cases[] = {{0xCC, 0xCC}, {0xEE, 0x88}, {0x88, 0xEE}, {0x66, 0x99},
                       {0xF0, 0xF0}, {0x00, 0xFF}, {0xFF, 0x00}};
    for (const Case& c : cases) {
        ResetGraphicsStateCache(pdev());
        ASSERT_TRUE(SetRop(pdev(), (DWORD{c.rop3} << 8) | 0xAA)) << int(c.rop3);
        EXPECT_EQ(Out(), B({0xA6, 0x00, c.op, c.op})) << "ROP3 " << int(c.rop3);
    }
}

TEST_F(GraphicsStateTest, RopGoesOutOnceUntilTheCacheIsReset) {
    ASSERT_TRUE(SetRop(pdev(), 0xCCCC));
    ASSERT_TRUE(SetRop(pdev(), 0xCCCC));
    EXPECT_EQ(Out(), B({0xA6, 0x00, 0xCC, 0xCC}));
    ASSERT_TRUE(SetDeviceRop(pdev(), 0xF0, 0xAA));
    ASSERT_TRUE(SetRop(pdev(), 0xCCCC));
    EXPECT_EQ(Out(), B({0xA6, 0x00, 0xF0, 0xAA, 0xA6, 0x00, 0xCC, 0xCC})) << "a different pair is sent";
    ResetGraphicsStateCache(pdev());
    ASSERT_TRUE(SetRop(pdev(), 0xCCCC));
    EXPECT_EQ(Out(), B({0xA6, 0x00, 0xCC, 0xCC})) << "sent again after a reset";
}

TEST(GraphicsStateMix, R2CodesMapThroughTheTable) {
    const BYTE expected[16] = {0xFF, 0x5F, 0xAF, 0x0F, 0xF5, 0x55, 0xA5, 0x05,
                               0xFA, 0x5A, 0xAA, 0x0A, 0xF0, 0x50, 0xA0, 0x00};
    for (BYTE r2 = 1; r2 <= 16; ++r2) EXPECT_EQ(DeviceRopFromMix(r2), expected[r2 - 1]) << int(r2);
    EXPECT_EQ(DeviceRopFromMix(0), 0);
    EXPECT_EQ(DeviceRopFromMix(17), 0);
}

// ---- Grey levels ----

TEST_F(GraphicsStateTest, GreyLevelsFollowTheWeightsAndTheHalftoneTables) {
    struct Case {
        const char* name;
        COLORREF rgb;
        BYTE tableBit;  // byte at 403
        DWORD kind;
        LONG dpi;
        BYTE level;
    } const cases[] = {
        {"black", RGB(0, 0, 0), 0, 0, 600, 0},
        {"white", RGB(255, 255, 255), 0, 0, 600, 63},
        {"mid grey", RGB(128, 128, 128), 0, 0, 600, 31},
        {"pure red weighs 30", RGB(255, 0, 0), 0, 0, 600, 18},
        {"pure green weighs 59", RGB(0, 255, 0), 0, 0, 600, 37},
        {"pure blue weighs 11", RGB(0, 0, 255), 0, 0, 600, 6},
        {"tables off keep L", RGB(128, 128, 128), 0, 26, 600, 31},
        {"other kinds keep L", RGB(128, 128, 128), 2, 7, 600, 31},
        {"kind 26 at 600: A", RGB(128, 128, 128), 2, 26, 600, 0x13},
        {"kind 26 at 300: A", RGB(50, 50, 50), 2, 26, 300, 0x03},
        {"kind 26 at 400: B", RGB(128, 128, 128), 2, 26, 400, 0x15},
        {"kind 26 at 1200: B", RGB(50, 50, 50), 2, 26, 1200, 0x06},
        {"kind 35 at 600: C", RGB(128, 128, 128), 2, 35, 600, 0x11},
        {"kind 35 at 300: C", RGB(50, 50, 50), 2, 35, 300, 0x02},
        {"kind 35 at 1200: D", RGB(128, 128, 128), 2, 35, 1200, 0x10},
        {"kind 35 at 240: E", RGB(128, 128, 128), 2, 35, 240, 0x14},
        {"kind 35 at 200: E", RGB(50, 50, 50), 2, 35, 200, 0x04},
        {"table ends at white", RGB(255, 255, 255), 2, 35, 240, 0x3F},
    };
    for (const Case& c : cases) {
        Set(orla::DmField<BYTE>{403}, c.tableBit);
        pdev()->graphics.halftoneKind = c.kind;
        pdev()->geometry.resolution = c.dpi;
        EXPECT_EQ(MapGrayToHalftoneLevel(pdev(), c.rgb), c.level) << c.name;
    }
}

// ---- Brushes ----

// A platform brush carrying a realisation made here (what DrvRealizeBrush would hand back).
struct RealisedBlock {
    std::vector<BYTE> bytes;
    BRUSHOBJ* brush = nullptr;

    RealisedBlock(ULONG hatch, ULONG format, FLONG flags, const std::vector<BYTE>& rows, std::vector<DWORD> colours) {
        const size_t bitsSize = rows.size() * 4;
        bytes.assign(sizeof(RealisedBrush) + bitsSize + 4 * colours.size(), 0);
        RealisedBrush head{8,
                           static_cast<LONG>(rows.size()),
                           format,
                           flags,
                           static_cast<ULONG>(colours.size()),
                           static_cast<ULONG>(sizeof(RealisedBrush) + bitsSize),
                           hatch,
                           0};
        std::memcpy(bytes.data(), &head, sizeof head);
        for (size_t i = 0; i < rows.size(); ++i) bytes[sizeof head + 4 * i] = rows[i];
        std::memcpy(bytes.data() + head.colourTableOffset, colours.data(), 4 * colours.size());
        brush = PlatBrushCreateSolid(0xFFFFFFFF, 0);
        brush->pvRbrush = bytes.data();
    }
    ~RealisedBlock() { PlatBrushDelete(brush); }
};

TEST_F(GraphicsStateTest, SolidBrushSendsItsLevelOnceAndTheMixRule) {
    BRUSHOBJ* grey = PlatBrushCreateSolid(RGB(128, 128, 128), RGB(128, 128, 128));
    RECTL target{0, 0, 10, 10};
    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0x0D0D, grey, nullptr, &target, nullptr, 0));
    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0x0D0D, grey, nullptr, &target, nullptr, 0));
    EXPECT_EQ(Out(), B({0xA5, 0x01, 16 + 31, 0x00, 0xA6, 0x00, 0xF0, 0xF0})) << "two equal greys: A5 once";

    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0x0606, grey, nullptr, &target, nullptr, 0));
    EXPECT_EQ(Out(), B({0xA6, 0x00, 0x55, 0x55})) << "an equal pair is taken";
    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0x0B06, grey, nullptr, &target, nullptr, 0));
    EXPECT_EQ(Out(), B({0xA6, 0x00, 0xF0, 0xF0})) << "a solid brush does not take background 11: pattern copy";

    pdev()->state |= kStateRectangleFill;
    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0xFFFF, grey, nullptr, &target, nullptr, 0));
    EXPECT_EQ(Out(), B({0xA5, 0x01, 0x4F, 0x00, 0xA6, 0x00, 0x00, 0x00}))
        << "WHITENESS fills white, ROP from the low byte";
    PlatBrushDelete(grey);
}

TEST_F(GraphicsStateTest, HatchBrushTakesBackground11) {
    RealisedBlock hatch(2, BMF_1BPP, 0, {}, {0xFFFFFF, 0x000000});  // entry 0 white, entry 1 black
    RECTL target{0, 0, 10, 10};
    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0x0B0D, hatch.brush, nullptr, &target, nullptr, 0));
    EXPECT_EQ(Out(), B({0xA5, 0x04, 0x10, 0x4F, 0xA6, 0x00, 0xF0, 0xAA}));
    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0x0B05, hatch.brush, nullptr, &target, nullptr, 0));
    EXPECT_EQ(Out(), B({0xA6, 0x00, 0xF5, 0xAA})) << "brush cached, only the operation changes";
    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0x0302, hatch.brush, nullptr, &target, nullptr, 0));
    EXPECT_EQ(Out(), B({0xA6, 0x00, 0xF0, 0xF0})) << "a mix not taken: pattern copy";

    pdev()->state |= kStateRectangleFill;
    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0xAAF0, hatch.brush, nullptr, &target, nullptr, 0));
    EXPECT_EQ(Out(), B({0xA6, 0x00, 0xF0, 0xAA})) << "ROP4 with high byte AA keeps the background";
}

TEST_F(GraphicsStateTest, HatchIndexIsSwappedOnATurnedSheet) {
    Set(orla::dm::LayoutMode, WORD{2});
    pdev()->geometry.zoom = 70;
    RealisedBlock hatch(0, BMF_1BPP, 0, {}, {0xFFFFFF, 0x000000});
    RECTL target{0, 0, 10, 10};
    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0x0D0D, hatch.brush, nullptr, &target, nullptr, 0));
    EXPECT_EQ(Out(), B({0xA5, 0x03, 0x10, 0x4F, 0xA6, 0x00, 0xF0, 0xF0}));
}

TEST_F(GraphicsStateTest, PatternBrushDownloadsTheComplementedRowsOnce) {
    Set(orla::DmField<BYTE>{397}, BYTE{0x04});
    const std::vector<BYTE> rows = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    RealisedBlock topDown(6, BMF_1BPP, BMF_TOPDOWN, rows, {0x000000, 0xFFFFFF});
    RECTL target{0, 0, 10, 10};
    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0x0D0D, topDown.brush, nullptr, &target, nullptr, 0));
    EXPECT_EQ(Out(), B({0xA0, 0x20, 0x01, 0x00, 0xFE, 0xFD, 0xFC, 0xFB, 0xFA, 0xF9, 0xF8, 0xF7,
                        0xA4, 0x00, 0x01, 0x00, 0xA2, 0xF0, 0x00, 0x10, 0xA3, 0xF0, 0x00, 0x4F}));
    ASSERT_TRUE(RealizeAndSelectBrush(pdev(), nullptr, 0x0D0D, topDown.brush, nullptr, &target, nullptr, 0));
    EXPECT_EQ(Out(), Bytes{}) << "same pattern and levels: nothing";

    Set(orla::DmField<BYTE>{397}, BYTE{0x00});
    RealisedBlock bottomUp(6, BMF_1BPP, 0, rows, {0x000000, 0xFFFFFF});
    ASSERT_TRUE(WriteBrushPattern8x8(pdev(), bottomUp.bytes.data()));
    EXPECT_EQ(Out(),
              B({0xA0, 0x00, 0x01, 0x00, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xA4, 0x00, 0x01, 0x00}))
        << "bottom-up rows reversed; size code 0 without bit 2 of 397";
}

TEST_F(GraphicsStateTest, PatternSizeCodeFollowsTheResolution) {
    Set(orla::DmField<BYTE>{397}, BYTE{0x04});
    const std::vector<BYTE> rows(8, 0x55);
    RealisedBlock brush(6, BMF_1BPP, BMF_TOPDOWN, rows, {0, 0xFFFFFF});
    const struct {
        LONG dpi;
        BYTE code;
    } cases[] = {{1200, 0x30}, {400, 0x10}, {200, 0x10}, {240, 0x00}, {600, 0x20}, {300, 0x20}};
    for (const auto& c : cases) {
        ResetGraphicsStateCache(pdev());
        pdev()->geometry.resolution = c.dpi;
        ASSERT_TRUE(WriteBrushPattern8x8(pdev(), brush.bytes.data()));
        Bytes out = Out();
        ASSERT_GE(out.size(), 2u);
        EXPECT_EQ(out[1], c.code) << c.dpi;
    }
}

// ---- Pen and line ----

TEST_F(GraphicsStateTest, PenTakesItsMixesAndSendsNothingForOthers) {
    ASSERT_TRUE(SelectPen(pdev(), RGB(0, 0, 0), 0x0D0D));
    ASSERT_TRUE(SelectPen(pdev(), RGB(0, 0, 0), 0x0D0D));
    EXPECT_EQ(Out(), B({0xAD, 0x00, 0x10, 0x4F, 0xA6, 0x00, 0xF0, 0xF0}));
    ASSERT_TRUE(SelectPen(pdev(), RGB(255, 255, 255), 0x0B05));
    ASSERT_TRUE(SelectPen(pdev(), RGB(255, 255, 255), 0x0302));
    ASSERT_TRUE(SelectPen(pdev(), RGB(255, 255, 255), 0x0000));
    EXPECT_EQ(Out(), Bytes{}) << "mixes the pen does not take send nothing";
    ASSERT_TRUE(SelectPen(pdev(), RGB(0, 0, 0), 0x0B06));
    EXPECT_EQ(Out(), B({0xA6, 0x00, 0x55, 0xAA}));
}

TEST_F(GraphicsStateTest, LineWidthIsLimitedAndZoomed) {
    const struct {
        LONG dpi;
        WORD zoom;
        LONG width;
        LONG sent;
    } cases[] = {
        {600, 100, 5000, 1200}, {300, 100, 5000, 1200}, {1200, 100, 5000, 2400},
        {200, 100, 5000, 800},  {400, 100, 900, 800},   {240, 100, 500, 480},
        {600, 100, 0, 1},       {600, 50, 10, 5},       {600, 10, 3, 1},
    };
    for (const auto& c : cases) {
        ResetGraphicsStateCache(pdev());
        pdev()->geometry.resolution = c.dpi;
        pdev()->geometry.zoom = c.zoom;
        ASSERT_TRUE(WriteLineWidth(pdev(), c.width));
        EXPECT_EQ(Out(), B({0xAF, 0x00, (c.sent >> 8) & 0xFF, c.sent & 0xFF})) << c.dpi << " " << c.width;
    }
    ASSERT_TRUE(WriteLineWidth(pdev(), 3));
    EXPECT_EQ(Out(), Bytes{}) << "the same width again is not sent";
}

// ---- Moves ----

TEST_F(GraphicsStateTest, MovesPickTheShortestFormAndSkipRepeats) {
    const struct {
        POINTL p;
        Bytes bytes;
    } cases[] = {
        {{100, 5000}, B({0xB6, 0x64, 0x13, 0x88})},
        {{5000, 100}, B({0xB7, 0x64, 0x13, 0x88})},
        {{5000, 5000}, B({0xB8, 0x00, 0x13, 0x88, 0x00, 0x00, 0x13, 0x88})},
        {{5000, 5000}, Bytes{}},
        {{-3, 7}, B({0xB6, 0xFD, 0x00, 0x07})},
        {{20000, 70000}, B({0xB8, 0x00, 0x4E, 0x20, 0x00, 0x01, 0x11, 0x70})},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WritePointList(pdev(), &c.p));
        EXPECT_EQ(Out(), c.bytes) << c.p.x << "," << c.p.y;
    }
    EXPECT_EQ(pdev()->graphics.x, 20000);
    EXPECT_EQ(pdev()->graphics.y, 70000);
    EXPECT_FALSE(WriteDeviceMove(pdev(), 40000, 40000)) << "no form holds x = 40000";
    EXPECT_EQ(Out(), Bytes{});
}

TEST_F(GraphicsStateTest, DoubledOutputAndZoomTransformThePoint) {
    pdev()->geometry.resolution = 300;
    ASSERT_TRUE(WriteVectorModeSetup(pdev()));
    EXPECT_EQ(Out(), Text("SU1,600,0;IP0,0,608,608;"));
    EXPECT_TRUE(pdev()->state & kStateDoubledOutput);
    const POINTL p{100, 50};
    ASSERT_TRUE(WritePointList(pdev(), &p));
    EXPECT_EQ(Out(), B({0xB7, 0x64, 0x00, 0xC8})) << "(200, 100) in doubled units";

    pdev()->geometry.zoom = 50;
    const POINTL q{1000, 1000};
    ASSERT_TRUE(WritePointList(pdev(), &q));
    EXPECT_EQ(Out(), B({0xB8, 0x00, 0x03, 0xE8, 0x00, 0x00, 0x03, 0xE8})) << "doubled then halved";
    ASSERT_TRUE(WritePointListNoZoom(pdev(), &q));
    EXPECT_EQ(Out(), B({0xB8, 0x00, 0x07, 0xD0, 0x00, 0x00, 0x07, 0xD0})) << "zoom held at 100";
}

TEST_F(GraphicsStateTest, DuplexBindingAlternatesThePageOffset) {
    pdev()->geometry.printShift[0] = 10;
    pdev()->geometry.printShift[1] = 20;
    pdev()->geometry.printShift[2] = 30;
    pdev()->geometry.printShift[3] = 40;
    const struct {
        const char* name;
        WORD binding;
        SHORT duplex;
        DWORD flags1;
        DWORD printedPages;
        POINTL offset;
    } cases[] = {
        {"no binding: front", 0, 2, 0, 1, {10, 20}},
        {"simplex: front", 1, 1, 0, 1, {10, 20}},
        {"page 1 takes the front", 1, 2, 0, 0, {10, 20}},
        {"page 2 takes the back", 1, 2, 0, 1, {30, 40}},
        {"flag turns it round on page 1", 1, 2, 0x100, 0, {30, 40}},
        {"flag turns it round on page 2", 1, 2, 0x100, 1, {10, 20}},
    };
    for (const auto& c : cases) {
        Set(orla::DmField<WORD>{660}, c.binding);
        Set(orla::dm::Duplex, c.duplex);
        Set(orla::dm::Flags1, c.flags1);
        pdev()->pageSetup.printedPages = c.printedPages;
        POINTL o = PageOffsetForSide(pdev());
        EXPECT_EQ(o.x, c.offset.x) << c.name;
        EXPECT_EQ(o.y, c.offset.y) << c.name;
    }
    // The offset reaches the move.
    Set(orla::DmField<WORD>{660}, WORD{0});
    const POINTL p{0, 0};
    ASSERT_TRUE(WritePointList(pdev(), &p));
    EXPECT_EQ(Out(), B({0xB6, 10, 0x00, 20}));
}

TEST_F(GraphicsStateTest, PathPointsOfATurnedSheetTakeThePrintShiftAfterTheTurn) {
    // Two pages a sheet, half size, the page's cell at (100, 200)-(1100, 1700), the sheet shifted
    // 14 left and 13 up: page x runs up the sheet from the cell's bottom, page y across it.
    Set(orla::dm::LayoutMode, WORD{2});
    pdev()->geometry.zoom = 50;
    pdev()->geometry.pageRects[0] = RECTL{100, 200, 1100, 1700};
    pdev()->geometry.printShift[0] = -14;
    pdev()->geometry.printShift[1] = -13;
    const struct {
        POINTL page;
        POINTL device;
    } cases[] = {
        {{0, 0}, {86, 1687}},
        {{200, 400}, {286, 1587}},
        {{2000, 3000}, {1586, 687}},
    };
    for (const auto& c : cases) {
        const POINTL path = TransformPathPoint(pdev(), c.page);
        EXPECT_EQ(path.x, c.device.x) << c.page.x << "," << c.page.y;
        EXPECT_EQ(path.y, c.device.y) << c.page.x << "," << c.page.y;
        // Rectangles and moves go through the page transform: a path lands where they do.
        const POINTL moved = TransformPagePoint(pdev(), c.page);
        EXPECT_EQ(moved.x, c.device.x) << c.page.x << "," << c.page.y;
        EXPECT_EQ(moved.y, c.device.y) << c.page.x << "," << c.page.y;
    }
    ASSERT_TRUE(WriteBinaryPoint(pdev(), 200, 400));
    EXPECT_EQ(Out(), B({0x01, 0x1E, 0x06, 0x33}));
}

// ---- Rectangles ----

TEST_F(GraphicsStateTest, RectangleFormsByHeight) {
    const struct {
        const char* name;
        RECTL r;
        BOOL outline;
        Bytes bytes;
    } cases[] = {
        {"255 high: DB", {100, 200, 400, 455}, FALSE, B({0xDB, 0xFF, 0x01, 0x2C, 0x00, 0x64, 0x00, 0xC8})},
        {"300 high: DD",
         {100, 200, 400, 500},
         FALSE,
         B({0xDD, 0x00, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x64, 0x00, 0xC8, 0x00, 0x00})},
        {"outline short: DC", {0, 0, 10, 10}, TRUE, B({0xDC, 0x0A, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00})},
        {"outline long: DE",
         {0, 0, 10, 256},
         TRUE,
         B({0xDE, 0x00, 0x01, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00})},
        {"empty becomes 1 x 1", {7, 9, 7, 9}, FALSE, B({0xDB, 0x01, 0x00, 0x01, 0x00, 0x07, 0x00, 0x09})},
    };
    for (const auto& c : cases) {
        pdev()->pageSetup.blankSheet = 1;
        ASSERT_TRUE(WriteFilledRectangle(pdev(), c.r.left, c.r.top, c.r.right, c.r.bottom, c.outline)) << c.name;
        EXPECT_EQ(Out(), c.bytes) << c.name;
        EXPECT_EQ(pdev()->pageSetup.blankSheet, 0u) << c.name;
        EXPECT_EQ(pdev()->graphics.x, c.r.left) << c.name;
        EXPECT_EQ(pdev()->graphics.y, c.r.top) << c.name;
    }
}

// ---- Clip rectangles ----

TEST_F(GraphicsStateTest, ClipRectangleIsSentOnlyWhenItChanges) {
    const RECTL r{100, 200, 400, 300};
    ASSERT_TRUE(WriteClipRectangle(pdev(), &r, FALSE));
    EXPECT_EQ(Out(), B({0xB6, 0x64, 0x00, 0xC8, 0xB1, 0x64, 0x01, 0x2C}));
    ASSERT_TRUE(WriteClipRectangle(pdev(), &r, FALSE));
    EXPECT_EQ(Out(), Bytes{}) << "unchanged clip not sent again";
    ResetGraphicsStateCache(pdev());
    ASSERT_TRUE(WriteClipRectangle(pdev(), &r, FALSE));
    EXPECT_EQ(Out(), B({0xB6, 0x64, 0x00, 0xC8, 0xB1, 0x64, 0x01, 0x2C})) << "sent again after a reset";

    const RECTL outside{5000, 7000, 6000, 8000};
    ASSERT_TRUE(WriteClipRectangle(pdev(), &outside, FALSE));
    EXPECT_EQ(Out(), B({0xB6, 0x00, 0x00, 0x00, 0xB2, 0x00, 0x17, 0x70, 0x0F, 0xA0, 0x00, 0x00}))
        << "a clip outside the page becomes the printable area";
    const RECTL reaching{3900, 0, 4500, 10};
    ASSERT_TRUE(WriteClipRectangle(pdev(), &reaching, FALSE));
    EXPECT_EQ(Out(), B({0xB7, 0x00, 0x0F, 0x3C, 0xB1, 0x0A, 0x00, 0x64})) << "cut to the printable area";
}

TEST_F(GraphicsStateTest, ZoomedClipGrowsByOnePagePixel) {
    pdev()->geometry.zoom = 50;
    const RECTL r{0, 0, 200, 100};
    RECTL d{};
    EXPECT_TRUE(WriteRectangleCommand(pdev(), r.left, r.top, r.right, r.bottom, &d));
    EXPECT_EQ(d.right - d.left, 101);
    EXPECT_EQ(d.bottom - d.top, 51);
    ASSERT_TRUE(WriteClipRectangle(pdev(), &r, FALSE));
    EXPECT_EQ(Out(), B({0xB6, 0x00, 0x00, 0x00, 0xB1, 51, 0x00, 101}));
    EXPECT_FALSE(WriteRectangleCommand(pdev(), r.left, r.top, r.right, r.bottom, &d)) << "now equal to the clip sent";
}

// ---- Clip paths ----

PATHOBJ* Triangle() {
    static const PLAT_PATH_SEGMENT segs[] = {{FALSE, {Fix(30, 20)}}, {FALSE, {Fix(10, 40)}}};
    PLAT_PATH_FIGURE fig{Fix(10, 20), 2, segs, TRUE};
    return PlatPathCreate(&fig, 1);
}

const Bytes kTrianglePacked = B({0x03, 0x5A, 0x61, 0x46, 0x14, 0x0E, 0x14, 0x61, 0x40, 0x00});

TEST_F(GraphicsStateTest, ClipPathIsPackedAndNotResentWhenUnchanged) {
    PATHOBJ* path = Triangle();
    ASSERT_TRUE(WriteClipPath(pdev(), path));
    EXPECT_EQ(Out(), Cat({B({0xB5, 0x04, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0A}), kTrianglePacked}));
    ASSERT_TRUE(WriteClipPath(pdev(), path));
    EXPECT_EQ(Out(), Bytes{}) << "same points: nothing";

    // The clip path replaced the printer's clip: a clip rectangle equal to an older one goes out.
    const RECTL r{0, 0, 10, 10};
    ASSERT_TRUE(WriteClipRectangle(pdev(), &r, FALSE));
    EXPECT_EQ(Out(), B({0xB6, 0x00, 0x00, 0x00, 0xB1, 0x0A, 0x00, 0x0A}));
    ASSERT_TRUE(WriteClipPath(pdev(), path));
    ASSERT_TRUE(WriteClipRectangle(pdev(), &r, FALSE));
    Bytes out = Out();
    ASSERT_GT(out.size(), 8u);
    EXPECT_EQ(Bytes(out.end() - 4, out.end()), B({0xB1, 0x0A, 0x00, 0x0A})) << "the rectangle follows the path again";
    EngDeletePath(path);
}

TEST_F(GraphicsStateTest, ClipPathIsResentWhenThePageOffsetMovesIt) {
    Set(orla::DmField<WORD>{660}, WORD{1});
    Set(orla::dm::Duplex, SHORT{2});
    pdev()->geometry.printShift[2] = 16;  // back side 16 pixels to the right
    PATHOBJ* path = Triangle();
    ASSERT_TRUE(WriteClipPath(pdev(), path));
    EXPECT_EQ(Out(), Cat({B({0xB5, 0x04, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0A}), kTrianglePacked}));
    pdev()->pageSetup.printedPages = 1;  // the back of the sheet
    ASSERT_TRUE(WriteClipPath(pdev(), path));
    // First point (26, 20): 6 1 A | 6 1 4, then the same differences as before.
    EXPECT_EQ(Out(), B({0xB5, 0x04, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0A, 0x03, 0x61, 0xA6, 0x14, 0x61, 0x40, 0xE1, 0x46,
                        0x14, 0x00}));
    EngDeletePath(path);
}

TEST_F(GraphicsStateTest, ClipPathFallsBackToPlainPointsWithoutPoolMemory) {
    PATHOBJ* path = Triangle();
    PlatInjectFailure("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    ASSERT_TRUE(WriteClipPath(pdev(), path));
    EXPECT_EQ(Out(), B({0xB5, 0x02, 0x00, 0x05, 0x00, 0x00, 0x00, 0x03, 0x00, 0x0A, 0x00, 0x14,
                        0x00, 0x1E, 0x00, 0x14, 0x00, 0x0A, 0x00, 0x28, 0x00, 0x00, 0x00, 0x00}));
    EngDeletePath(path);
}

TEST_F(GraphicsStateTest, ClipPathOverTheLimitIsRefusedWithoutOutput) {
    PATHOBJ* path = Triangle();
    pdev()->graphics.deviceLimits[5] = 4;  // 3 points + 1 subpath + 1 = 5
    EXPECT_FALSE(WriteClipPath(pdev(), path));
    EXPECT_EQ(Out(), Bytes{});
    pdev()->graphics.deviceLimits[5] = 5;
    EXPECT_TRUE(WriteClipPath(pdev(), path));
    EXPECT_FALSE(Out().empty());
    EngDeletePath(path);
}

TEST_F(GraphicsStateTest, ClipPathOfOnePointIsAOnePixelClip) {
    static const PLAT_PATH_SEGMENT segs[] = {{FALSE, {Fix(5, 6)}}, {FALSE, {Fix(5, 6)}}};
    PLAT_PATH_FIGURE fig{Fix(5, 6), 2, segs, TRUE};
    PATHOBJ* path = PlatPathCreate(&fig, 1);
    ASSERT_TRUE(WriteClipPath(pdev(), path));
    EXPECT_EQ(Out(), B({0xB6, 0x05, 0x00, 0x06, 0xB1, 0x01, 0x00, 0x01}));
    EngDeletePath(path);
}

// ---- Point packer ----

TEST(PointPacker, NibbleCodesByMagnitude) {
    const struct {
        LONG value;
        std::vector<int> nibbles;
    } cases[] = {
        {0, {0}},
        {4, {4}},
        {-3, {11}},
        {-4, {12}},
        {5, {5, 5}},
        {15, {5, 15}},
        {-15, {13, 15}},
        {16, {6, 1, 0}},
        {255, {6, 15, 15}},
        {-200, {14, 12, 8}},
        {256, {7, 0, 1, 0, 0}},
        {-300, {15, 0, 1, 2, 12}},
        {65535, {7, 15, 15, 15, 15}},
    };
    for (const auto& c : cases) {
        // (value, 0) as a first point: the value's nibbles, then a 0 nibble.
        PackedEntry e{c.value, 0, kPackedFirstPoint};
        BYTE out[16] = {};
        ULONG bits = PackPointList(std::span<const PackedEntry>(&e, 1), out);
        std::vector<int> expected = c.nibbles;
        expected.push_back(0);
        ASSERT_EQ(bits, 4 * expected.size()) << c.value;
        for (size_t i = 0; i < expected.size(); ++i) {
            int nibble = (i % 2 == 0) ? out[i / 2] >> 4 : out[i / 2] & 0xF;
            EXPECT_EQ(nibble, expected[i]) << c.value << " nibble " << i;
        }
    }
}

TEST(PointPacker, DifferencesSkipHeadersAndEndEntries) {
    const PackedEntry list[] = {
        {0, 2, kPackedHeader}, {100, 100, kPackedFirstPoint}, {103, 98, kPackedPoint},
        {0, 3, kPackedHeader}, {7, 7, kPackedPoint},          {0, 0, kPackedEnd},
    };
    BYTE out[PackedBytesFor(std::size(list))] = {};
    ULONG bits = PackPointList(list, out);
    // 0 2 | 6 6 4 6 6 4 | 3 A | 0 3 | E 6 0 E 5 B (-96, -91 from the last point) | 0 0
    const BYTE expected[] = {0x02, 0x66, 0x46, 0x64, 0x3A, 0x03, 0xE6, 0x0E, 0x5B, 0x00};
    ASSERT_EQ(bits, 20u * 4);
    EXPECT_EQ(PackedBytesOfBits(bits), 10u);
    EXPECT_EQ(std::memcmp(out, expected, sizeof expected), 0);
}

TEST(PointPacker, RefusesValuesItCannotCodeAndShortBuffers) {
    const PackedEntry big{70000, 0, kPackedFirstPoint};
    BYTE out[16] = {};
    EXPECT_EQ(PackPointList(std::span<const PackedEntry>(&big, 1), out), 0u);
    const PackedEntry far[] = {{-40000, 0, kPackedFirstPoint}, {40000, 0, kPackedPoint}};
    EXPECT_EQ(PackPointList(far, out), 0u) << "a difference of 80000";
    const PackedEntry ok{300, 300, kPackedFirstPoint};
    BYTE tiny[4] = {};
    EXPECT_EQ(PackPointList(std::span<const PackedEntry>(&ok, 1), tiny), 0u) << "10 nibbles do not fit 4 bytes";
}

// ---- Vector mode set-up ----

TEST_F(GraphicsStateTest, VectorModeSetupByResolution) {
    const struct {
        LONG dpi;
        const char* text;
        bool doubled;
    } cases[] = {
        {240, "SU1,240,0;IP0,0,243,243;", false}, {400, "SU1,400,0;IP0,0,405,405;", false},
        {200, "SU1,400,0;IP0,0,405,405;", true},  {1200, "SU1,1200,0;IP0,0,1215,1215;", false},
        {600, "SU1,600,0;IP0,0,608,608;", false}, {300, "SU1,600,0;IP0,0,608,608;", true},
    };
    for (const auto& c : cases) {
        pdev()->geometry.resolution = c.dpi;
        ASSERT_TRUE(WriteVectorModeSetup(pdev()));
        EXPECT_EQ(Out(), Text(c.text)) << c.dpi;
        EXPECT_EQ((pdev()->state & kStateDoubledOutput) != 0, c.doubled) << c.dpi;
        EXPECT_EQ(pdev()->graphics.doublingFactor, c.doubled ? 2 : 1) << c.dpi;
        ASSERT_TRUE(WriteVectorModeSetup(pdev()));
        EXPECT_EQ(Out(), Bytes{}) << "same resolution: not again";
    }
    ResetGraphicsStateCache(pdev());
    EXPECT_FALSE(pdev()->state & kStateDoubledOutput);
    EXPECT_TRUE(pdev()->state & kStateClipPathAttempt);
    ASSERT_TRUE(WriteVectorModeSetup(pdev()));
    EXPECT_EQ(Out(), Text("SU1,600,0;IP0,0,608,608;")) << "after a reset the set-up (and doubling) comes back";
    EXPECT_TRUE(pdev()->state & kStateDoubledOutput);
}

// ---- Layout frame ----

class LayoutFrameTest : public GraphicsStateTest {
protected:
    void SetUp() override {
        GraphicsStateTest::SetUp();
        if (HasFatalFailure()) return;
        Set(orla::dm::LayoutMode, WORD{4});
        pdev()->geometry.zoom = 49;  // the frame is drawn unzoomed
        pdev()->geometry.pageRects[0] = RECTL{100, 200, 1100, 1700};
        pdev()->geometry.pageRects[1] = RECTL{1200, 200, 2200, 1700};
    }
};

TEST_F(LayoutFrameTest, OutlineKinds) {
    const Bytes head = Cat({Text("SU1,600,0;IP0,0,608,608;"), B({0xB6, 0x64, 0x00, 0xC8}),
                            B({0xB2, 0x00, 0x05, 0xDC, 0x03, 0xE8, 0x00, 0x00}), B({0xA6, 0x00, 0xF0, 0xF0}),
                            B({0xAD, 0x00, 0x10, 0x4F}), B({0xA5, 0x01, 0x00, 0x00})});
    const Bytes box = B({0xDE, 0x00, 0x05, 0xDC, 0x03, 0xE8, 0x00, 0x64, 0x00, 0xC8, 0x00, 0x00});
    const struct {
        WORD kind;
        LONG dpi;
        Bytes lines;
    } cases[] = {
        {1, 600, B({0xAF, 0x00, 0x00, 0x01, 0xAC, 0x00, 0x00, 0x00})},
        {2, 600, B({0xAF, 0x00, 0x00, 0x01, 0xAC, 0x01, 0x06, 0x00})},
        {3, 600, B({0xAF, 0x00, 0x00, 0x03, 0xAC, 0x02, 0x02, 0x00})},
    };
    for (const auto& c : cases) {
        ResetGraphicsStateCache(pdev());
        Set(orla::dm::FrameKind, c.kind);
        ASSERT_TRUE(DrawLayoutFrame(pdev())) << c.kind;
        EXPECT_EQ(Out(), Cat({head, c.lines, box})) << "kind " << c.kind;
        EXPECT_FALSE(pdev()->graphics.frameDrawing);
        EXPECT_FALSE(pdev()->graphics.zoomHeld);
    }
    // Heavy frame width by resolution (set-up already sent for 1200 below, so check the width only).
    const struct {
        LONG dpi;
        int width;
    } heavy[] = {{240, 1}, {200, 2}, {400, 2}, {1200, 6}, {300, 3}};
    for (const auto& h : heavy) {
        ResetGraphicsStateCache(pdev());
        pdev()->geometry.resolution = h.dpi;
        Set(orla::dm::FrameKind, WORD{3});
        ASSERT_TRUE(DrawLayoutFrame(pdev()));
        Bytes out = Out();
        const Bytes width = B({0xAF, 0x00, 0x00, h.width});
        EXPECT_NE(std::search(out.begin(), out.end(), width.begin(), width.end()), out.end()) << h.dpi;
    }
}

TEST_F(LayoutFrameTest, CornerMarksAndOtherKinds) {
    Set(orla::dm::FrameKind, WORD{4});
    pdev()->state |= kStateRasterMode;
    ASSERT_TRUE(DrawLayoutFrame(pdev()));
    EXPECT_TRUE(pdev()->state & kStateRasterMode) << "band mode restored";
    const Bytes expectedStart =
        Cat({Text("SU1,600,0;IP0,0,608,608;"), B({0xB6, 0x64, 0x00, 0xC8}),
             B({0xB2, 0x00, 0x05, 0xDC, 0x03, 0xE8, 0x00, 0x00}), B({0xAF, 0x00, 0x00, 0x01}),
             B({0xA6, 0x00, 0xF0, 0xF0}), B({0xAD, 0x00, 0x10, 0x4F}), B({0xAC, 0x00, 0x00, 0x00}),
             // top-left: move to the end of the 60-pixel arm, then corner and other arm
             B({0xB8, 0x00, 0x00, 0xA0, 0x00, 0x00, 0x00, 0xC8}), B({0xE0, 0x00, 0x00, 0x02}),
             B({0x00, 0x64, 0x00, 0xC8, 0x00, 0x64, 0x01, 0x04}),
             // top-right
             B({0xB8, 0x00, 0x04, 0x10, 0x00, 0x00, 0x00, 0xC8}), B({0xE0, 0x00, 0x00, 0x02}),
             B({0x04, 0x4C, 0x00, 0xC8, 0x04, 0x4C, 0x01, 0x04})});
    Bytes out = Out();
    ASSERT_GE(out.size(), expectedStart.size());
    EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(expectedStart.size())), expectedStart);
    const Bytes mark = B({0xE0, 0x00, 0x00, 0x02});
    int marks = 0;
    for (auto it = out.begin(); (it = std::search(it, out.end(), mark.begin(), mark.end())) != out.end(); ++it) ++marks;
    EXPECT_EQ(marks, 4);
    EXPECT_EQ(Bytes(out.end() - 8, out.end()), B({0x04, 0x4C, 0x06, 0xA4, 0x04, 0x4C, 0x06, 0x68}))
        << "bottom-right last";

    for (WORD other : {WORD{0}, WORD{5}, WORD{0xFFFF}}) {
        Set(orla::dm::FrameKind, other);
        ASSERT_TRUE(DrawLayoutFrame(pdev()));
        EXPECT_EQ(Out(), Bytes{}) << other;
    }
}

// ---- Output failure ----

TEST_F(GraphicsStateTest, EveryWriterFailsOnceOutputHasFailed) {
    ASSERT_TRUE(SetRop(pdev(), 0xCCCC));
    PlatInjectFailure("WritePrinter", 1, ERROR_WRITE_FAULT);
    EXPECT_FALSE(FlushSpool(pdev()));
    ASSERT_TRUE(pdev()->state & kStateOutputFailed);

    PATHOBJ* path = Triangle();
    BRUSHOBJ* grey = PlatBrushCreateSolid(RGB(1, 2, 3), RGB(1, 2, 3));
    RECTL rect{0, 0, 10, 10};
    POINTL point{1, 2};
    Set(orla::dm::FrameKind, WORD{1});
    const struct {
        const char* name;
        std::function<BOOL()> call;
    } writers[] = {
        {"SetRop (cached value)", [&] { return SetRop(pdev(), 0xCCCC); }},
        {"SetRop", [&] { return SetRop(pdev(), 0x6666); }},
        {"SelectPen", [&] { return SelectPen(pdev(), 0, 0x0D0D); }},
        {"RealizeAndSelectBrush",
         [&] { return RealizeAndSelectBrush(pdev(), nullptr, 0x0D0D, grey, nullptr, &rect, nullptr, 0); }},
        {"WriteLineWidth", [&] { return WriteLineWidth(pdev(), 3); }},
        {"WritePointList", [&] { return WritePointList(pdev(), &point); }},
        {"WriteFilledRectangle", [&] { return WriteFilledRectangle(pdev(), 0, 0, 5, 5, FALSE); }},
        {"WriteClipRectangle", [&] { return WriteClipRectangle(pdev(), &rect, FALSE); }},
        {"WriteDeviceClip", [&] { return WriteDeviceClip(pdev(), 0, 0, 5, 5); }},
        {"WriteClipPath", [&] { return WriteClipPath(pdev(), path); }},
        {"WriteVectorModeSetup", [&] { return WriteVectorModeSetup(pdev()); }},
        {"DrawLayoutFrame", [&] { return DrawLayoutFrame(pdev()); }},
        {"WriteBigEndian32", [&] { return WriteBigEndian32(pdev(), 1); }},
        {"WriteBinaryPoint", [&] { return WriteBinaryPoint(pdev(), 1, 1); }},
    };
    for (const auto& w : writers) EXPECT_FALSE(w.call()) << w.name;
    PlatBrushDelete(grey);
    EngDeletePath(path);
}

// ---- Device limits from the compiled device data ----

using GraphicsStateDriverTest = DriverTest;

TEST_F(GraphicsStateDriverTest, ResetLoadsTheLimitsOfTheMemorySize) {
    EnabledPdev e = EnablePdev(printer_);
    ASSERT_NE(e.pdev(), nullptr);
    PrinterPdev* p = e.pdev();
    ASSERT_NE(p->deviceData, nullptr);
    orla::MemorySizeList sizes = orla::MemorySizes(p->deviceData);
    ASSERT_GE(sizes.size(), 2u);
    const orla::MemorySizeEntry second = sizes[1];
    orla::Set(p->settings.record, orla::dm::MemoryKb, static_cast<DWORD>(second.values[0]));
    ResetGraphicsStateCache(p);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p->graphics.deviceLimits[i], static_cast<DWORD>(second.values[i + 1])) << i;

    orla::Set(p->settings.record, orla::dm::MemoryKb, DWORD{12345});
    ResetGraphicsStateCache(p);
    auto def = orla::DefaultMemorySize(p->deviceData);
    ASSERT_TRUE(def.has_value());
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p->graphics.deviceLimits[i], static_cast<DWORD>(def->values[i + 1])) << i;
    e.Disable();
}

}  // namespace
}  // namespace render_test
