// The layout-detail dialog's rules on the settings record: its modes, the preview's rectangles,
// the values it shows, centring, the mirror rule, the image check and the papers and caption.
#include <gtest/gtest.h>

#include <string>

#include "core/build_variant.h"
#include "tests/pages/layout_fixture.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/layout_geometry.h"

namespace {

using namespace orla;
using pages_test::RoundLayout;
using pages_test::RoundRecord;
using pages_test::SameRect;

// ---- Modes ------------------------------------------------------------------------------------

struct FlagsCase {
    const char* what;
    bool freeZoom;
    bool overlay;
    const char16_t* form;
    SHORT duplex;
    WORD duplexUnit;  // state word of the duplex unit's pair
    WORD paperType;
    WORD pagesPerSheet;
    DWORD uiFlags;
    DWORD expected;
};

constexpr WORD kUnitReady = 0x0009, kUnitInstalledOnly = 0x0008;
constexpr DWORD kDocSheet = kUiCanChange | kUiDocumentSheets;

const FlagsCase kFlagsCases[] = {
    {"nothing", false, false, u"A4", 1, 0, 0, 1, kDocSheet, 0},
    {"free zoom", true, false, u"A4", 1, 0, 0, 1, kDocSheet, kLayoutResizable},
    {"free zoom with an overlay", true, true, u"A4", 1, 0, 0, 1, kDocSheet, 0},
    {"free zoom on a size-mapping paper", true, false, u"A4->A3", 1, 0, 0, 1, kDocSheet, 0},
    {"duplex with a ready unit", false, false, u"A4", 2, kUnitReady, 0, 1, kDocSheet, kLayoutBackSide},
    {"duplex, unit installed but not ready", false, false, u"A4", 2, kUnitInstalledOnly, 0, 1, kDocSheet, 0},
    {"duplex on transparencies", false, false, u"A4", 3, kUnitReady, 3, 1, kDocSheet, 0},
    {"duplex in the advanced properties", false, false, u"A4", 2, kUnitReady, 0, 1, kUiAdvanced, 0},
    {"four pages per sheet", false, false, u"A4", 1, 0, 0, 4, kDocSheet, kLayoutNup},
    {"pages per sheet with free zoom", true, false, u"A4", 1, 0, 0, 4, kDocSheet, kLayoutResizable},
    {"pages per sheet with an overlay", false, true, u"A4", 1, 0, 0, 4, kDocSheet, 0},
    {"everything at once", true, false, u"A4", 3, kUnitReady, 1, 2, kDocSheet, kLayoutResizable | kLayoutBackSide},
};

TEST(LayoutModes, FlagsFollowFreeZoomOverlayDuplexAndPagesPerSheet) {
    for (const FlagsCase& c : kFlagsCases) {
        DriverDevmode r = RoundRecord();
        Set(r, dm::Flags1, c.freeZoom ? kFlags1ManualZoom : 0u);
        Set(r, dm::FlagsWord, WORD(c.overlay ? kFlagsWordOverlayOn : 0));
        SetText(r, dm::FormName, c.form);
        Set(r, dm::Duplex, c.duplex);
        Set(r, dm::DeviceState(dm::kDuplex), c.duplexUnit);
        Set(r, dm::PaperType, c.paperType);
        Set(r, dm::LayoutMode, c.pagesPerSheet);
        EXPECT_EQ(EvaluateLayoutFlags(0, r, c.uiFlags), c.expected) << c.what;
    }
}

// The resizable bit is set here but cleared only where the free zoom is taken away (or by an
// overlay or a size-mapping paper); hit and drag bits pass through.
TEST(LayoutModes, EvaluationKeepsOtherBits) {
    DriverDevmode r = RoundRecord();
    const DWORD kept = kLayoutResizable | kLayoutDragging | kLayoutHitFront | kLayoutBackFirst;
    EXPECT_EQ(EvaluateLayoutFlags(kept | kLayoutBackSide | kLayoutNup, r, kDocSheet), kept);
    SetText(r, dm::FormName, u"B5->A4");
    EXPECT_EQ(EvaluateLayoutFlags(kept, r, kDocSheet), kept & ~kLayoutResizable);
}

// ---- Preview rectangles -----------------------------------------------------------------------

TEST(LayoutPreview, OneSheetIsCentredAtNinetyPercentOfTheHeight) {
    LayoutState s = RoundLayout();
    const DriverDevmode r = RoundRecord();
    ComputePreviewGeometry(&s, r, 300, 200);
    EXPECT_EQ(s.previewPaperSize, 180);
    const LayoutSideRects& f = s.side[kLayoutFront];
    EXPECT_TRUE(SameRect(f.sheet, {90, 10, 210, 190}));
    EXPECT_TRUE(SameRect(f.printable, {93, 13, 207, 187}));  // 5.0 mm is 3 pixels
    EXPECT_TRUE(SameRect(f.image, {93, 13, 207, 187}));
    EXPECT_TRUE(SameRect(f.handles[kCornerTopLeft], {88, 8, 98, 18}));
    EXPECT_TRUE(SameRect(f.handles[kCornerTopRight], {202, 8, 212, 18}));
    EXPECT_TRUE(SameRect(f.handles[kCornerBottomLeft], {88, 182, 98, 192}));
    EXPECT_TRUE(SameRect(f.handles[kCornerBottomRight], {202, 182, 212, 192}));
    EXPECT_EQ(s.defaultOrigin[kLayoutFront].x, 93);
    EXPECT_EQ(s.defaultOrigin[kLayoutFront].y, 13);
}

TEST(LayoutPreview, TwoSheetsSitSideBySideAtSeventyPercent) {
    LayoutState s = RoundLayout();
    s.layoutFlags = kLayoutBackSide;
    DriverDevmode r = RoundRecord();
    Set(r, dm::PrintPosLeft2, DWORD{500});
    ComputePreviewGeometry(&s, r, 400, 200);
    EXPECT_EQ(s.previewPaperSize, 140);
    // Centres at (W/4 + H/20, H/2) and (3W/4 - H/20, H/2); 140 x 93 pixels.
    EXPECT_TRUE(SameRect(s.side[kLayoutFront].sheet, {64, 30, 157, 170}));
    EXPECT_TRUE(SameRect(s.side[kLayoutBack].sheet, {244, 30, 337, 170}));
    EXPECT_EQ(s.side[kLayoutFront].image.left, 64 + 2);   // 5.0 mm
    EXPECT_EQ(s.side[kLayoutBack].image.left, 244 + 23);  // 50.0 mm
}

TEST(LayoutPreview, ALandscapeSheetTakesTheLongSideAcross) {
    LayoutState s = RoundLayout(3000, 2000);
    ComputePreviewGeometry(&s, RoundRecord(), 300, 200);
    EXPECT_TRUE(SameRect(s.side[kLayoutFront].sheet, {60, 40, 240, 160}));
}

// A preview or a paper of no size gives empty rectangles, not a division by zero.
TEST(LayoutPreview, NoSizeGivesAnEmptyPreview) {
    LayoutState s = RoundLayout();
    ComputePreviewGeometry(&s, RoundRecord(), 0, 0);
    EXPECT_EQ(s.previewPaperSize, 0);
    EXPECT_EQ(s.side[kLayoutFront].image.right - s.side[kLayoutFront].image.left, 0);
    LayoutState none = RoundLayout(0, 0, 0);
    ComputePreviewGeometry(&none, RoundRecord(), 300, 200);
    EXPECT_EQ(none.side[kLayoutFront].sheet.right - none.side[kLayoutFront].sheet.left, 0);
    EXPECT_EQ(ToPreview(none, 1000), 0);
    EXPECT_EQ(FromPreview(s, 10), 0);
}

// ---- Shown values, centring, mirroring --------------------------------------------------------

struct ShownCase {
    const char* what;
    bool inches;
    bool nup;
    LayoutShownSide expected;
};
// Image 190.0 x 290.0 mm at 8.0 mm from the top and 3.0 mm from the left of a 200.0 x 300.0 sheet.
const ShownCase kShownCases[] = {
    {"millimetres", false, false, {80, 30, 20, 70}},
    {"inches", true, false, {31, 12, 8, 28}},
    {"pages per sheet", false, true, {80, 30, 120, 170}},         // the gaps are 20.0 mm minus the position
    {"pages per sheet in inches", true, true, {31, 12, 48, 67}},  // 0.79 inch minus the shown position
};

TEST(LayoutValues, GapsAreTheSheetLessPositionAndImage) {
    for (const ShownCase& c : kShownCases) {
        LayoutState s = RoundLayout();
        s.layoutFlags = c.nup ? kLayoutNup : 0;
        DriverDevmode r = RoundRecord(80, 30);
        if (c.inches) Set(r, dm::Flags1, kFlags1LayoutInches);
        const LayoutShownSide shown = ShownSide(s, r, kLayoutFront);
        EXPECT_EQ(shown.top, c.expected.top) << c.what;
        EXPECT_EQ(shown.left, c.expected.left) << c.what;
        EXPECT_EQ(shown.bottom, c.expected.bottom) << c.what;
        EXPECT_EQ(shown.right, c.expected.right) << c.what;
    }
}

struct CentreCase {
    const char* what;
    LONG sheetHeight;
    LONG top, left;
    WORD zoom;
    bool inches;
    LayoutPosition expected;
};
const CentreCase kCentreCases[] = {
    {"even sums", 3000, 80, 30, 100, false, {50, 50}},
    {"an odd sum rounds half up", 3001, 80, 30, 100, false, {51, 50}},
    {"an image larger than the sheet", 3000, -300, 0, 111, false, {-109, -54}},
    // Inches: (0.31 + 0.08) / 2 = 0.20 -> 50.8 truncated; (0.12 + 0.28) / 2 = 0.20.
    {"inches, truncated back", 3000, 80, 30, 100, true, {50, 50}},
};

TEST(LayoutValues, CentringTakesTheMiddleOfPositionAndGap) {
    for (const CentreCase& c : kCentreCases) {
        LayoutState s = RoundLayout();
        s.outputPaper.height = c.sheetHeight;  // the page stays 200.0 x 300.0 mm
        DriverDevmode r = RoundRecord(c.top, c.left, c.zoom);
        if (c.inches) Set(r, dm::Flags1, kFlags1LayoutInches);
        const LayoutPosition p = CentredPosition(s, r, kLayoutFront);
        EXPECT_EQ(p.top, c.expected.top) << c.what;
        EXPECT_EQ(p.left, c.expected.left) << c.what;
    }
}

struct MirrorCase {
    const char* what;
    SHORT orientation;
    SHORT duplex;
    WORD pagesPerSheet;
    bool nupMode;
    const char16_t* paper;
    LONG version;
    bool keepsTop;
};
const MirrorCase kMirrorCases[] = {
    {"portrait, long-edge binding", DMORIENT_PORTRAIT, DMDUP_VERTICAL, 1, false, u"A4", 4, true},
    {"portrait, short-edge binding", DMORIENT_PORTRAIT, DMDUP_HORIZONTAL, 1, false, u"A4", 4, false},
    {"landscape, long-edge binding", DMORIENT_LANDSCAPE, DMDUP_HORIZONTAL, 1, false, u"A4", 4, true},
    {"landscape, short-edge binding", DMORIENT_LANDSCAPE, DMDUP_VERTICAL, 1, false, u"A4", 4, false},
    {"two pages per sheet alone", DMORIENT_PORTRAIT, DMDUP_HORIZONTAL, 2, true, u"A4", 4, true},
    {"long edge and two pages per sheet", DMORIENT_PORTRAIT, DMDUP_VERTICAL, 2, true, u"A4", 4, false},
    {"four pages per sheet do not turn", DMORIENT_PORTRAIT, DMDUP_HORIZONTAL, 4, true, u"A4", 4, false},
    {"two pages per sheet outside the mode", DMORIENT_PORTRAIT, DMDUP_HORIZONTAL, 2, false, u"A4", 4, false},
    {"a rotated paper alone", DMORIENT_PORTRAIT, DMDUP_HORIZONTAL, 1, false, kFormA4Rotated, 4, true},
    {"a rotated paper before version 4", DMORIENT_PORTRAIT, DMDUP_HORIZONTAL, 1, false, kFormA4Rotated, 3, false},
    {"all three", DMORIENT_PORTRAIT, DMDUP_VERTICAL, 6, true, kFormA5Rotated, 4, true},
    {"pages per sheet and a rotated paper", DMORIENT_PORTRAIT, DMDUP_HORIZONTAL, 8, true, kFormLetterRotated, 4, false},
    {"the rotated double postcard", DMORIENT_PORTRAIT, DMDUP_HORIZONTAL, 1, false, kFormDoublePostcardRotated, 4, true},
};

TEST(LayoutMirror, AnOddNumberOfTurnsKeepsTheTop) {
    for (const MirrorCase& c : kMirrorCases) {
        LayoutState s = RoundLayout();
        const std::u16string paper = c.paper;
        std::copy(paper.begin(), paper.end(), s.paperName);
        s.paperName[paper.size()] = 0;
        s.layoutFlags = kLayoutBackSide | (c.nupMode ? kLayoutNup : 0);
        DriverDevmode r = RoundRecord(80, 30);
        Set(r, dm::Orientation, c.orientation);
        Set(r, dm::Duplex, c.duplex);
        Set(r, dm::LayoutMode, c.pagesPerSheet);
        EXPECT_EQ(MirrorKeepsTop(s, r, c.version), c.keepsTop) << c.what;
    }
}

TEST(LayoutMirror, BackTakesTheGapOfTheMirroredEdge) {
    LayoutState s = RoundLayout();
    s.layoutFlags = kLayoutBackSide;
    DriverDevmode r = RoundRecord(80, 30);
    Set(r, dm::Duplex, SHORT{DMDUP_VERTICAL});  // portrait, long edge, not a rotated paper
    LayoutPosition back = MirroredBackPosition(s, r, 4);
    EXPECT_EQ(back.top, 80);   // the front's top
    EXPECT_EQ(back.left, 70);  // the front's right gap
    Set(r, dm::Duplex, SHORT{DMDUP_HORIZONTAL});
    back = MirroredBackPosition(s, r, 4);
    EXPECT_EQ(back.top, 20);  // the front's bottom gap
    EXPECT_EQ(back.left, 30);
    // Inches: the shown gap 0.28 goes back as 71.12 -> 71, 0.08 as 20.32 -> 20.
    Set(r, dm::Flags1, kFlags1LayoutInches);
    Set(r, dm::Duplex, SHORT{DMDUP_VERTICAL});
    EXPECT_EQ(MirroredBackPosition(s, r, 4).left, 71);
    Set(r, dm::Duplex, SHORT{DMDUP_HORIZONTAL});
    EXPECT_EQ(MirroredBackPosition(s, r, 4).top, 20);
    // A gap beyond the field's range is limited.
    Set(r, dm::Flags1, 0u);
    Set(r, dm::Duplex, SHORT{DMDUP_VERTICAL});
    Set(r, dm::PrintPosLeft, static_cast<DWORD>(-40000));
    EXPECT_EQ(MirroredBackPosition(s, r, 4).left, 32767);
}

// ---- Image check ------------------------------------------------------------------------------

struct ImageCase {
    const char* what;
    LONG top, left;
    LONG backTop, backLeft;
    bool backSide;
    bool onSheet;
};
// The printable area runs from 5.0 to 195.0 mm across; the image is 190.0 mm wide.
const ImageCase kImageCases[] = {
    {"at the default place", 50, 50, 50, 50, false, true},
    {"one unit over the printable area", 50, 1949, 50, 50, false, true},
    {"touching its right edge", 50, 1950, 50, 50, false, false},
    {"above the sheet", -2900, 50, 50, 50, false, false},
    {"front off, back on", 50, 1950, 50, 50, true, true},
    {"both off", 50, 1950, -2900, 50, true, false},
};

TEST(LayoutImageCheck, TheImageMustMeetThePrintableArea) {
    for (const ImageCase& c : kImageCases) {
        LayoutState s = RoundLayout();
        s.layoutFlags = c.backSide ? kLayoutBackSide : 0;
        DriverDevmode r = RoundRecord(c.top, c.left);
        SetPosition(r, kLayoutBack, c.backTop, c.backLeft);
        EXPECT_EQ(CheckImageOnSheet(s, r), c.onSheet) << c.what;
    }
}

struct GridCase {
    WORD kind;
    bool wide;
    int columns, rows;
};
const GridCase kGridCases[] = {
    {2, true, 2, 1},  {2, false, 1, 2}, {4, true, 2, 2},  {6, true, 3, 2}, {6, false, 2, 3}, {8, true, 4, 2},
    {8, false, 2, 4}, {9, false, 3, 3}, {16, true, 4, 4}, {1, true, 1, 1}, {3, false, 1, 1},
};

TEST(LayoutPreview, PagesPerSheetSplitTheImageIntoCells) {
    for (const GridCase& c : kGridCases) {
        const LayoutGrid grid = NupGrid(c.kind, c.wide);
        EXPECT_EQ(grid.columns, c.columns) << c.kind << (c.wide ? " wide" : " tall");
        EXPECT_EQ(grid.rows, c.rows) << c.kind << (c.wide ? " wide" : " tall");
    }
}

// ---- Papers and caption -----------------------------------------------------------------------

TEST(LayoutPapers, UnlistedPapersHaveMarginsOfFive) {
    DriverDevmode r = RoundRecord();
    AsDevmode(r)->dmPaperWidth = 1000;
    AsDevmode(r)->dmPaperLength = 1500;
    SetText(r, dm::FormName, u"Nowhere");
    LayoutState s{};
    ComputeLayoutPapers(&s, r, nullptr);
    EXPECT_EQ(s.logicalPaper.width, 1000);
    EXPECT_EQ(s.logicalPaper.height, 1500);
    EXPECT_EQ(s.outputPaper.width, 1000);  // no output paper: the sheet is the page
    EXPECT_EQ(std::u16string(s.paperName), u"Nowhere");
    for (LONG m : {s.pageMargins.left, s.pageMargins.top, s.pageMargins.right, s.pageMargins.bottom,
                   s.sheetMargins.left, s.sheetMargins.top, s.sheetMargins.right, s.sheetMargins.bottom})
        EXPECT_EQ(m, 50);
    // An output paper gives the sheet its size and name.
    Set(r, dm::OutPaperIndex, WORD{3});
    Set(r, dm::OutPaperWidth, WORD{2970});
    Set(r, dm::OutPaperLength, WORD{4200});
    SetText(r, dm::OutPaperName, u"A3");
    ComputeLayoutPapers(&s, r, nullptr);
    EXPECT_EQ(s.outputPaper.width, 2970);
    EXPECT_EQ(s.outputPaper.height, 4200);
    EXPECT_EQ(std::u16string(s.paperName), u"A3");
    // Landscape turns both; two pages per sheet turn them back.
    Set(r, dm::Orientation, SHORT{DMORIENT_LANDSCAPE});
    ComputeLayoutPapers(&s, r, nullptr);
    EXPECT_EQ(s.logicalPaper.width, 1500);
    EXPECT_EQ(s.outputPaper.width, 4200);
    Set(r, dm::LayoutMode, WORD{2});
    ComputeLayoutPapers(&s, r, nullptr);
    EXPECT_EQ(s.logicalPaper.width, 1000);
    EXPECT_EQ(s.outputPaper.width, 2970);
    Set(r, dm::Orientation, SHORT{DMORIENT_PORTRAIT});
    ComputeLayoutPapers(&s, r, nullptr);
    EXPECT_EQ(s.outputPaper.width, 4200);
}

TEST(LayoutPapers, PagesPerSheetMakeThePageTheSheet) {
    LayoutState s = RoundLayout();
    s.outputPaper = {2970, 4200};
    MakeNupPage(&s);
    EXPECT_EQ(s.logicalPaper.width, 2970);
    EXPECT_EQ(s.logicalPaper.height, 4200);
    const LayoutSize printable = PagePrintable(s);
    EXPECT_EQ(printable.width, 2770);
    EXPECT_EQ(printable.height, 4000);
    EXPECT_EQ(ImageSize(s, 50).width, 1385);
}

TEST(LayoutPapers, CaptionGivesTheSheetInTheUnit) {
    LayoutState s = RoundLayout(2100, 2970);
    std::copy_n(u"A4", 3, s.paperName);
    EXPECT_EQ(LayoutCaption(s, LayoutUnit::kMillimetres), u"A4 (210.0 x 297.0 mm)");
    EXPECT_EQ(LayoutCaption(s, LayoutUnit::kInches), u"A4 (8.26 x 11.69 inch)");
    s.outputPaper = {2159, 2794};
    std::copy_n(u"Letter", 7, s.paperName);
    EXPECT_EQ(LayoutCaption(s, LayoutUnit::kInches), u"Letter (8.50 x 11.00 inch)");
}

}  // namespace
