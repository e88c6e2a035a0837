// The settings summary's rows: the row tables of each build, which table a sheet gets, the rules
// that keep rows out, and each row's value, icon and changed mark against the applied record.
#include <functional>
#include <string>
#include <vector>

#include "tests/pages/summary_fixture.h"
#include "ui/entry/ui_flags.h"

namespace {

using namespace orla;
using pages_test::SummarySandbox;

std::vector<DWORD> Ids(const TreeRow* table) {
    std::vector<DWORD> ids;
    for (UINT i = 0; i < TreeRowCount(table); ++i) ids.push_back(table[i].rowId);
    return ids;
}
std::vector<DWORD> Levels(const TreeRow* table) {
    std::vector<DWORD> levels;
    for (UINT i = 0; i < TreeRowCount(table); ++i) levels.push_back(table[i].level);
    return levels;
}

// ---- Tables ---------------------------------------------------------------------------------

TEST(SummaryRowTables, EachBuildHasItsThreeTables) {
    struct Case {
        const char* name;
        const TreeRow* table;
        std::vector<DWORD> ja;
        std::vector<DWORD> en;
    };
    const Case cases[] = {
        {"device",
         DeviceTreeRows(),
         {430, 452, 453, 454, 455, 456, 457, 458, 459, 301, 302, 303, 304, 305, 309, 316, 317, 354, 451},
         {430, 452, 454, 456, 457, 458, 459, 301, 302, 303, 304, 305, 309, 316, 317, 354}},
        {"document, short",
         DocumentTreeRowsShort(),
         {430, 431, 432, 433, 434, 436, 437, 438, 439,  440, 441, 442,
          443, 444, 445, 446, 447, 448, 449, 570, 1094, 450, 451},
         {430, 431, 432, 433, 434, 436, 437, 438, 439, 440, 441, 443, 444, 445, 446, 447, 448, 449, 570}},
        {"document, full",
         DocumentTreeRowsFull(),
         {430, 400, 779, 419, 425, 731, 421, 428, 423, 424, 407, 408, 402, 404, 403, 417, 426, 410, 412, 879, 876, 552,
          554, 448, 780, 452, 570, 439, 429, 432, 433, 434, 438, 440, 442, 443, 444, 447, 449, 422, 599, 840, 781},
         {430, 400, 779, 419, 425, 731, 421, 428, 423, 424, 407, 408, 402, 404, 403, 417, 426, 410, 412, 879, 876,
          552, 554, 448, 452, 570, 439, 429, 432, 433, 434, 438, 440, 442, 443, 444, 447, 449, 422, 599, 840}},
    };
    for (const Case& c : cases) {
        const std::vector<DWORD>& expected = kJapaneseBuild ? c.ja : c.en;
        EXPECT_EQ(Ids(c.table), expected) << c.name;
    }
    EXPECT_EQ(TreeRowCount(DeviceTreeRows()), kJapaneseBuild ? 19u : 16u);
    EXPECT_EQ(TreeRowCount(DocumentTreeRowsShort()), kJapaneseBuild ? 23u : 19u);
    EXPECT_EQ(TreeRowCount(DocumentTreeRowsFull()), kJapaneseBuild ? 43u : 41u);
}

TEST(SummaryRowTables, LevelsNestTheRows) {
    const std::vector<DWORD> device = kJapaneseBuild
                                          ? std::vector<DWORD>{1, 2, 3, 3, 3, 3, 3, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 2}
                                          : std::vector<DWORD>{1, 2, 3, 3, 3, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3};
    EXPECT_EQ(Levels(DeviceTreeRows()), device);
    const std::vector<DWORD> full = Levels(DocumentTreeRowsFull());
    ASSERT_EQ(full.size(), kJapaneseBuild ? 43u : 41u);
    // Layout order and frame hang under the layout, binding under duplex.
    EXPECT_EQ(full[11], 4u);
    EXPECT_EQ(full[13], 4u);
    EXPECT_EQ(full[14], 4u);
    EXPECT_EQ(full.back(), 4u);
}

class SummaryRows : public SummarySandbox {};

TEST_F(SummaryRows, SheetKindAndDialogChooseTheTable) {
    struct Case {
        DWORD uiFlags;
        DWORD pageFlags;
        const TreeRow* expected;
    };
    const Case cases[] = {
        {kUiDeviceSheets | kUiCanChange, 0, DeviceTreeRows()},
        {kUiDeviceSheets, kPageBusyManager, DeviceTreeRows()},
        {kUiDocumentSheets, 0, DocumentTreeRowsShort()},
        {kUiDocumentSheets, kPageBusyManager, DocumentTreeRowsFull()},
        {kUiAdvanced, 0, DocumentTreeRowsShort()},
        {kUiAdvanced | kUiDocumentSheets, kPageBusyManager, DocumentTreeRowsFull()},
        {0, 0, DocumentTreeRowsFull()},
        {kUiCanChange, 0, DocumentTreeRowsFull()},
    };
    for (const Case& c : cases) {
        ui_->flags = c.uiFlags;
        page_.flags = c.pageFlags;
        EXPECT_EQ(ChooseTreeRows(page_), c.expected) << std::hex << c.uiFlags << " " << c.pageFlags;
    }
}

// ---- Row rules ------------------------------------------------------------------------------

using RowSetup = std::function<void(DriverDevmode&)>;

void SetState(DriverDevmode& d, unsigned pair, WORD state) {
    Set(d, dm::DeviceState(pair), state);
}
constexpr WORD kReady = dm::kDeviceReady | dm::kDeviceInstalled;
constexpr WORD kNotListed = 0x0002;

class SummaryRowRules : public SummarySandbox {
protected:
    // Whether the row gets into a tree of the given table.
    bool InTree(const TreeRow* table, DWORD rowId) {
        page_.treeRowList = table;
        for (UINT i = 0; i < TreeRowCount(table); ++i)
            if (table[i].rowId == rowId) return IsTreeRowAllowed(page_, rowId) && IsTreeRowApplicable(page_, i);
        ADD_FAILURE() << "row " << rowId << " is not in the table";
        return false;
    }
    static void InstallTrustLibrary() { pages_test::InstallTrustStandIn(); }
};

TEST_F(SummaryRowRules, RowsLeaveTheTreeByTheirRules) {
    const RowSetup none = [](DriverDevmode&) {};
    const RowSetup byPrinter = [](DriverDevmode& d) {
        Set(d, dm::Flags2, Get(d, dm::Flags2) | kFlags2PrinterTrayStatus);
    };
    struct Case {
        const char* what;
        const TreeRow* table;
        DWORD row;
        RowSetup setup;
        bool inTree;
        const char16_t* featureOff = nullptr;  // the model lists this feature with value 0
    };
    const Case cases[] = {
        {"duplex unit missing", DocumentTreeRowsFull(), 407, [](DriverDevmode& d) { SetState(d, dm::kDuplex, 0); },
         false},
        {"binding without the duplex unit", DocumentTreeRowsFull(), 408,
         [](DriverDevmode& d) { SetState(d, dm::kDuplex, dm::kDeviceReady); }, false},
        {"duplex unit installed", DocumentTreeRowsFull(), 407,
         [](DriverDevmode& d) { SetState(d, dm::kDuplex, dm::kDeviceInstalled); }, true},
        {"binding with the duplex unit", DocumentTreeRowsFull(), 408,
         [](DriverDevmode& d) { SetState(d, dm::kDuplex, kReady); }, true},
        {"smoothing offered", DocumentTreeRowsShort(), 438, none, true},
        {"smoothing switched off by the model", DocumentTreeRowsShort(), 438, none, false, u"\"SET\""},
        {"toner save offered", DocumentTreeRowsFull(), 439, none, true},
        {"toner save switched off by the model", DocumentTreeRowsFull(), 439, none, false, u"\"TONERSAVE\""},
        {"feeder ready", DeviceTreeRows(), 301, [](DriverDevmode& d) { SetState(d, 0, kReady); }, true},
        {"feeder not ready", DeviceTreeRows(), 302, [](DriverDevmode& d) { SetState(d, 1, dm::kDeviceInstalled); },
         false},
        {"feeder kept out of the lists", DeviceTreeRows(), 303,
         [](DriverDevmode& d) { SetState(d, 2, kReady | kNotListed); }, false},
        {"feeder ready, configuration from the printer's trays", DeviceTreeRows(), 305,
         [](DriverDevmode& d) {
             SetState(d, 4, kReady);
             Set(d, dm::Flags2, Get(d, dm::Flags2) | kFlags2PrinterTrayStatus);
         },
         false},
        {"duplex option kept out of the lists", DeviceTreeRows(), 309,
         [](DriverDevmode& d) { SetState(d, dm::kDuplex, kReady | kNotListed); }, false},
        {"stacker ready", DeviceTreeRows(), 316, [](DriverDevmode& d) { SetState(d, dm::kLcs, dm::kDeviceReady); },
         true},
        {"manual slot not ready", DeviceTreeRows(), 354, [](DriverDevmode& d) { SetState(d, dm::kManual, 0); }, false},
        {"face-up tray has no rule of its own", DeviceTreeRows(), 317,
         [](DriverDevmode& d) {
             SetState(d, dm::kFut, 0);
             Set(d, dm::Flags2, Get(d, dm::Flags2) | kFlags2PrinterTrayStatus);
         },
         true},
        {"memory, configuration by hand", DeviceTreeRows(), 459, none, true},
        {"memory, configuration from the printer", DeviceTreeRows(), 459, byPrinter, false},
        {"installed options from the printer", DeviceTreeRows(), 458, byPrinter, false},
        {"printer name always", DeviceTreeRows(), 430, byPrinter, true},
    };
    const DriverDevmode base = r();
    for (const Case& c : cases) {
        r() = base;
        Set(r(), dm::Flags2, Get(r(), dm::Flags2) & ~kFlags2PrinterTrayStatus);
        c.setup(r());
        if (c.featureOff)
            UseDescriptionWith(std::u16string(c.featureOff) + u" 0x1", std::u16string(c.featureOff) + u" 0x0");
        ASSERT_FALSE(HasFatalFailure()) << c.what;
        EXPECT_EQ(InTree(c.table, c.row), c.inTree) << c.what;
        if (ownData_) ui_->deviceData = ownData_;
    }
}

// Only the Japanese tables carry the configuration row.
TEST_F(SummaryRowRules, ConfigurationRowOnlyWhileConfiguredByHand) {
    if (!kJapaneseBuild) GTEST_SKIP() << "the English tables have no row 451";
    EXPECT_TRUE(InTree(DeviceTreeRows(), 451));
    Set(r(), dm::Flags2, Get(r(), dm::Flags2) | kFlags2PrinterTrayStatus);
    EXPECT_FALSE(InTree(DeviceTreeRows(), 451));
    EXPECT_FALSE(InTree(DocumentTreeRowsShort(), 451));
}

TEST_F(SummaryRowRules, TrustMarkingRowsNeedTheLibrary) {
    page_.treeRowList = DocumentTreeRowsFull();
    EXPECT_FALSE(IsTreeRowAllowed(page_, 780));
    EXPECT_FALSE(IsTreeRowAllowed(page_, 781));
    InstallTrustLibrary();
    // The English build has neither the rows nor the binding.
    EXPECT_EQ(IsTreeRowAllowed(page_, 780) != FALSE, kJapaneseBuild);
    EXPECT_EQ(IsTreeRowAllowed(page_, 781) != FALSE, kJapaneseBuild);
}

// ---- Values, icons and the changed mark ------------------------------------------------------

using Setter = std::function<void(DriverDevmode&)>;
Setter Flags1(DWORD bit, bool on) {
    return [=](DriverDevmode& d) { Set(d, dm::Flags1, on ? Get(d, dm::Flags1) | bit : Get(d, dm::Flags1) & ~bit); };
}
Setter Flags2(DWORD bit, bool on) {
    return [=](DriverDevmode& d) { Set(d, dm::Flags2, on ? Get(d, dm::Flags2) | bit : Get(d, dm::Flags2) & ~bit); };
}
template <class T, class V>
Setter Field(DmField<T> f, V v) {
    return [=](DriverDevmode& d) { Set(d, f, v); };
}
Setter Pair(unsigned pair, WORD state, WORD choice) {
    return [=](DriverDevmode& d) {
        Set(d, dm::DeviceState(pair), state);
        Set(d, dm::DeviceChoice(pair), choice);
    };
}
Setter Both(Setter a, Setter b) {
    return [=](DriverDevmode& d) {
        a(d);
        b(d);
    };
}
const Setter kKeep = [](DriverDevmode&) {};

// The expected value: a string of the resource DLL, or a literal text.
struct Shown {
    UINT id;
    std::u16string literal;
};
Shown Id(UINT id) {
    return {id, {}};
}
Shown Literal(std::u16string text) {
    return {0, std::move(text)};
}

struct ValueCase {
    DWORD row;
    Setter now;
    Setter before;  // the applied record
    Shown shown;
    UINT icon;
    bool changed;
};

TEST_F(SummaryRows, EveryRowShowsItsValueIconAndChange) {
    const DWORD kBit22 = kFlags1DisplayUserText, kBit21 = kFlags1DisplayJobUser;
    std::vector<ValueCase> cases = {
        // Label rows.
        {400, kKeep, kKeep, Literal(u""), 701, false},
        {417, kKeep, kKeep, Literal(u""), 730, false},
        {429, kKeep, kKeep, Literal(u""), 739, false},
        {430, kKeep, kKeep, Literal(u""), 700, false},
        {431, kKeep, kKeep, Literal(u""), 740, false},
        {436, kKeep, kKeep, Literal(u""), 744, false},
        {437, kKeep, kKeep, Literal(u""), 745, false},
        {441, kKeep, kKeep, Literal(u""), 747, false},
        {445, kKeep, kKeep, Literal(u""), 748, false},
        {446, kKeep, kKeep, Literal(u""), 749, false},
        {451, kKeep, kKeep, Literal(u""), 754, false},
        {452, kKeep, kKeep, Literal(u""), 755, false},
        {457, kKeep, kKeep, Literal(u""), 762, false},
        {458, kKeep, kKeep, Literal(u""), 763, false},
        {552, kKeep, kKeep, Literal(u""), 785, false},
        {879, kKeep, kKeep, Literal(u""), 957, false},
        // Feeders and options.
        {301, Pair(0, 9, 1), Pair(0, 9, 3), Id(485), 766, true},
        {302, Pair(1, 9, 10), Pair(1, 9, 10), Id(486), 767, false},
        {303, Pair(2, 1, 1), Pair(2, 9, 1), Id(484), 765, true},
        {304, Pair(3, 9, 6), Pair(3, 9, 6), Id(485), 766, false},
        {305, Pair(4, 9, 2), Pair(4, 9, 2), Literal(u""), 700, false},
        {309, Pair(dm::kDuplex, 9, 0), Pair(dm::kDuplex, 1, 0), Id(487), 768, true},
        {316, Pair(dm::kLcs, 1, 0), Pair(dm::kLcs, 1, 0), Id(484), 769, false},
        {317, Pair(dm::kFut, 8, 0), Pair(dm::kFut, 8, 0), Id(487), 768, false},
        {354, Pair(dm::kManual, 0, 0), Pair(dm::kManual, 8, 0), Id(484), 769, true},
        // Fields indexing their texts.
        {402, Field(dm::LayoutMode, WORD{4}), Field(dm::LayoutMode, WORD{1}), Id(604), 703, true},
        {402, Field(dm::LayoutMode, WORD{3}), Field(dm::LayoutMode, WORD{3}), Literal(u""), 703, false},
        {403, Field(dm::FrameKind, WORD{2}), Field(dm::FrameKind, WORD{2}), Id(507), 704, false},
        {403, Field(dm::FrameKind, WORD{7}), Field(dm::FrameKind, WORD{0}), Literal(u""), 704, true},
        {407, Both(Field(dm::Duplex, SHORT{2}), Field(dm::Orientation, SHORT{1})), Field(dm::Duplex, SHORT{1}), Id(523),
         716, true},
        {407, Both(Field(dm::Duplex, SHORT{3}), Field(dm::Orientation, SHORT{2})), Field(dm::Duplex, SHORT{3}), Id(524),
         720, false},
        {407, Field(dm::Duplex, SHORT{0}), Field(dm::Duplex, SHORT{0}), Literal(u""), 700, false},
        {440, Field(dm::PrintDensity, WORD{3}), Field(dm::PrintDensity, WORD{2}), Id(494), 746, true},
        {440, Field(dm::PrintDensity, WORD{0}), Field(dm::PrintDensity, WORD{0}), Literal(u""), 746, false},
        {779, Field(dm::HoldMode, DWORD{1}), Field(dm::HoldMode, DWORD{0}), Id(763), 739, true},
        {779, Field(dm::HoldMode, DWORD{5}), Field(dm::HoldMode, DWORD{5}), Literal(u""), 739, false},
        {876, Field(dm::ImageAdjustMode, WORD{0}), Field(dm::ImageAdjustMode, WORD{0}), Id(870), 957, false},
        {876, Field(dm::ImageAdjustMode, WORD{1}), Field(dm::ImageAdjustMode, WORD{0}), Id(871), 957, true},
        // Flag rows: set and changed, clear and unchanged.
        {408, Flags1(0x100, true), Flags1(0x100, false), Id(526), 722, true},
        {408, Flags1(0x100, false), Flags1(0x100, false), Id(525), 721, false},
        {410, Flags1(0x4, true), Flags1(0x4, false), Id(476), 724, true},
        {410, Flags1(0x4, false), Flags1(0x4, false), Id(477), 725, false},
        {412, Flags1(0x8, true), Flags1(0x8, false), Id(476), 727, true},
        {412, Flags1(0x8, false), Flags1(0x8, false), Id(477), 728, false},
        {422, Flags1(0x1, true), Flags1(0x1, false), Id(861), 772, true},
        {422, Flags1(0x1, false), Flags1(0x1, false), Id(860), 772, false},
        {423, Flags1(0x2, true), Flags1(0x2, false), Id(476), 733, true},
        {423, Flags1(0x2, false), Flags1(0x2, false), Id(477), 733, false},
        {433, Flags1(0x400, true), Flags1(0x400, false), Id(538), 768, true},
        {433, Flags1(0x400, false), Flags1(0x400, false), Id(488), 769, false},
        {434, Flags1(0x800, true), Flags1(0x800, false), Id(489), 743, true},
        {434, Flags1(0x800, false), Flags1(0x800, false), Id(488), 742, false},
        {438, Flags1(0x10000, true), Flags1(0x10000, false), Id(474), 768, true},
        {438, Flags1(0x10000, false), Flags1(0x10000, false), Id(475), 769, false},
        {439, Flags1(0x20000, true), Flags1(0x20000, false), Id(572), 768, true},
        {439, Flags1(0x20000, false), Flags1(0x20000, false), Id(571), 769, false},
        {442, Flags1(0x2000, true), Flags1(0x2000, false), Id(476), 768, true},
        {442, Flags1(0x2000, false), Flags1(0x2000, false), Id(477), 769, false},
        {443, Flags1(0x8000, true), Flags1(0x8000, false), Id(539), 768, true},
        {443, Flags1(0x8000, false), Flags1(0x8000, false), Id(540), 769, false},
        {444, Flags1(0x4000, true), Flags1(0x4000, false), Id(541), 768, true},
        {444, Flags1(0x4000, false), Flags1(0x4000, false), Id(544), 769, false},
        {448, Field(dm::FlagsWord, WORD{1}), Field(dm::FlagsWord, WORD{0}), Id(476), 753, true},
        {448, Field(dm::FlagsWord, WORD{8}), Field(dm::FlagsWord, WORD{8}), Id(477), 753, false},
        {450, Flags1(0x80, true), Flags1(0x80, false), Id(474), 768, true},
        {450, Flags1(0x80, false), Flags1(0x80, false), Id(475), 769, false},
        {453, Flags2(0x1, true), Flags2(0x1, false), Id(478), 756, true},
        {453, Flags2(0x1, false), Flags2(0x1, false), Id(479), 757, false},
        {454, Flags2(0x2, true), Flags2(0x2, false), Id(478), 758, true},
        {454, Flags2(0x2, false), Flags2(0x2, false), Id(479), 759, false},
        {455, Flags2(0x100, true), Flags2(0x100, false), Id(482), 761, true},
        {455, Flags2(0x100, false), Flags2(0x100, false), Id(481), 760, false},
        {456, Flags2(0x200, true), Flags2(0x200, false), Id(474), 768, true},
        {456, Flags2(0x200, false), Flags2(0x200, false), Id(475), 769, false},
        {570, Flags1(0x10000000, true), Flags1(0x10000000, false), Id(571), 768, true},
        {570, Flags1(0x10000000, false), Flags1(0x10000000, false), Id(572), 769, false},
        {599, Flags2(0x02000000, true), Flags2(0x02000000, false), Id(476), 768, true},
        {599, Flags2(0x02000000, false), Flags2(0x02000000, false), Id(477), 769, false},
        {781, Flags1(0x01000000, true), Flags1(0x01000000, false), Id(782), 733, true},
        {781, Flags1(0x01000000, false), Flags1(0x01000000, false), Id(783), 960, false},
        {840, Flags2(0x04000000, true), Flags2(0x04000000, false), Id(905), 768, true},
        {840, Flags2(0x04000000, false), Flags2(0x04000000, false), Id(488), 769, false},
        // Rows with routines of their own.
        {419, [](DriverDevmode& d) { SetText(d, dm::FormName, u"B5 (JIS)"); },
         [](DriverDevmode& d) { SetText(d, dm::FormName, u"A4"); }, Literal(u"B5 (JIS)"), 731, true},
        {419, [](DriverDevmode& d) { SetText(d, dm::FormName, u"A4"); },
         [](DriverDevmode& d) { SetText(d, dm::FormName, u"A4"); }, Literal(u"A4"), 731, false},
        {421, [](DriverDevmode& d) { SetText(d, dm::OutPaperName, u""); },
         [](DriverDevmode& d) { SetText(d, dm::OutPaperName, u""); }, Id(468), 732, false},
        {421, [](DriverDevmode& d) { SetText(d, dm::OutPaperName, u"A3->A4"); },
         [](DriverDevmode& d) { SetText(d, dm::OutPaperName, u""); }, Literal(u"A3->A4"), 732, true},
        {424, Both(Field(dm::LayoutMode, WORD{1}), Field(dm::Zoom, WORD{150})),
         Both(Field(dm::LayoutMode, WORD{1}), Field(dm::Zoom, WORD{100})), Literal(u"150 %"), 773, true},
        {424, Both(Field(dm::LayoutMode, WORD{2}), Field(dm::Zoom, WORD{100})),
         Both(Field(dm::LayoutMode, WORD{4}), Field(dm::Zoom, WORD{100})), Literal(u"---"), 773, false},
        {424, Field(dm::LayoutMode, WORD{2}), Field(dm::LayoutMode, WORD{1}), Literal(u"---"), 773, true},
        {425, Both(Field(dm::Orientation, SHORT{1}), Field(dm::SheetSetting, DWORD{0})),
         Field(dm::Orientation, SHORT{2}), Id(527), 734, true},
        {425, Both(Field(dm::Orientation, SHORT{2}), Field(dm::SheetSetting, DWORD{1})),
         Field(dm::Orientation, SHORT{2}), Id(528), 784, false},
        {425, Both(Field(dm::Orientation, SHORT{1}), Field(dm::SheetSetting, DWORD{1})),
         Field(dm::Orientation, SHORT{1}), Id(527), 783, false},
        {426, Field(dm::SeparateTraysOn, DWORD{1}), Field(dm::SeparateTraysOn, DWORD{0}), Id(320), 736, true},
        {426, Both(Field(dm::SeparateTraysOn, DWORD{0}), Field(dm::SlipSheetsOn, DWORD{1})),
         Field(dm::SlipSheetsOn, DWORD{1}), Id(321), 736, false},
        {426, Field(dm::DefaultSource, SHORT{258}), Field(dm::DefaultSource, SHORT{1}), Id(302), 736, true},
        {426, Field(dm::DefaultSource, SHORT{14}), Field(dm::DefaultSource, SHORT{14}), Id(319), 736, false},
        {426, Field(dm::DefaultSource, SHORT{4}), Field(dm::DefaultSource, SHORT{4}), Id(307), 736, false},
        {426, Field(dm::DefaultSource, SHORT{262}), Field(dm::DefaultSource, SHORT{262}), Literal(u""), 736, false},
        {426, Field(dm::DefaultSource, SHORT{999}), Field(dm::DefaultSource, SHORT{999}), Literal(u""), 736, false},
        {428, Field(dm::Copies, SHORT{3}), Field(dm::Copies, SHORT{1}), Literal(u"3"), 738, true},
        {432, Field(dm::PrintQuality, SHORT{600}), Field(dm::PrintQuality, SHORT{600}), Literal(u"600dpi"), 741, false},
        {447, Both(Flags1(kBit21, true), [](DriverDevmode& d) { SetText(d, dm::JobUserName, u"taro"); }),
         Flags1(kBit21, false), Literal(u"taro"), 751, true},
        {447,
         Both(Both(Flags1(kBit21, false), Flags1(kBit22, true)),
              [](DriverDevmode& d) { SetText(d, dm::UserText, u"hello"); }),
         Both(Both(Flags1(kBit21, false), Flags1(kBit22, true)),
              [](DriverDevmode& d) { SetText(d, dm::UserText, u"bye"); }),
         Literal(u"hello"), 752, true},
        {447, Both(Flags1(kBit21, false), Flags1(kBit22, false)), Both(Flags1(kBit21, false), Flags1(kBit22, false)),
         Id(502), 750, false},
        {449, Both(Pair(dm::kFeeder1, 9, 1), Field(dm::TraySet, DWORD{1})),
         Both(Pair(dm::kFeeder1, 9, 1), Field(dm::TraySet, DWORD{0})), Id(301), 768, true},
        {449, Both(Flags1(kFlags1ManualInTraySet, false), Field(dm::TraySet, DWORD{0})),
         Both(Flags1(kFlags1ManualInTraySet, false), Field(dm::TraySet, DWORD{0x10})), Id(484), 769, false},
        {554, Field(dm::StampNumber, DWORD{0}), Field(dm::StampNumber, DWORD{0}), Literal(u""), 787, false},
        {731, Field(dm::SheetSetting, DWORD{1}), Field(dm::SheetSetting, DWORD{0}), Id(572), 768, true},
        {731, Field(dm::SheetSetting, DWORD{0}), Field(dm::SheetSetting, DWORD{0}), Id(571), 769, false},
        {731, Field(dm::SheetSetting, DWORD{2}), Field(dm::SheetSetting, DWORD{0}), Id(571), 769, true},
    };
    if (kJapaneseBuild) {
        cases.push_back(
            {780, Field(dm::TrustMarkResult, DWORD{1}), Field(dm::TrustMarkResult, DWORD{0}), Id(476), 959, true});
        cases.push_back(
            {780, Field(dm::TrustMarkResult, DWORD{0}), Field(dm::TrustMarkResult, DWORD{0}), Id(477), 959, false});
    }
    const DriverDevmode base = r();
    for (const ValueCase& c : cases) {
        r() = base;
        applied() = base;
        c.now(r());
        c.before(applied());
        const TreeRowValue v = ComputeTreeRowValue(page_, c.row);
        const std::u16string expected = c.shown.id ? Text(c.shown.id) : c.shown.literal;
        if (c.shown.id) {
            ASSERT_FALSE(expected.empty()) << "string " << c.shown.id;
        }
        EXPECT_EQ(v.text, expected) << "row " << c.row;
        EXPECT_EQ(v.iconId, c.icon) << "row " << c.row;
        EXPECT_EQ(v.changed, c.changed) << "row " << c.row;
    }
}

TEST_F(SummaryRows, DocumentMonitorRowFollowsThePageAndNeverChanges) {
    page_.flags = kPageFlagMopyingUiOpen;
    TreeRowValue v = ComputeTreeRowValue(page_, 1094);
    EXPECT_EQ(v.text, Text(1093));
    EXPECT_EQ(v.iconId, 768u);
    EXPECT_FALSE(v.changed);
    page_.flags = 0;
    v = ComputeTreeRowValue(page_, 1094);
    EXPECT_EQ(v.text, Text(1092));
    EXPECT_EQ(v.iconId, 769u);
    EXPECT_FALSE(v.changed);
}

TEST_F(SummaryRows, MemoryChangeMarksTheRow) {
    Set(applied(), dm::MemoryKb, DWORD{65536});
    Set(r(), dm::MemoryKb, DWORD{131072});
    const TreeRowValue v = ComputeTreeRowValue(page_, 459);
    EXPECT_EQ(v.iconId, 764u);
    EXPECT_TRUE(v.changed);
    EXPECT_EQ(v.text, TreeMemoryLabel(page_));
}

// ---- Layout order ---------------------------------------------------------------------------

TEST_F(SummaryRows, LayoutOrderFollowsOrientationAndPaper) {
    struct Case {
        const char* what;
        WORD mode;
        SHORT orientation;
        WORD order;
        std::u16string paper;
        UINT text;  // 0: no value
        UINT icon;
    };
    const std::u16string a4 = u"A4", doubleCard = kFormDoublePostcard;
    const Case cases[] = {
        {"one page per sheet", 1, 1, 3, a4, 518, 710},
        {"2-up portrait A4", 2, 1, 0, a4, 514, 706},
        {"2-up portrait A4, second order", 2, 1, 1, a4, 515, 707},
        {"2-up landscape A4", 2, 2, 0, a4, 516, 708},
        {"2-up landscape A4, second order", 2, 2, 1, a4, 517, 709},
        {"2-up landscape return postcard", 2, 2, 0, doubleCard, 514, 706},
        {"2-up portrait return postcard", 2, 1, 1, doubleCard, 517, 709},
        {"4-up", 4, 1, 0, a4, 518, 710},
        {"4-up, last order", 4, 2, 3, a4, 521, 713},
        // Orders past the four texts show no value rather than a text read beside the table.
        {"2-up, order 2 on A4", 2, 1, 2, a4, 516, 708},
        {"2-up, order 2 on the return postcard", 2, 1, 2, doubleCard, 0, 700},
        {"2-up, order 4", 2, 2, 4, a4, 0, 700},
        {"2-up, order 0xFFFF", 2, 1, 0xFFFF, doubleCard, 0, 700},
        {"4-up, order 4", 4, 1, 4, a4, 0, 700},
        {"9-up, order 0xFFFF", 9, 1, 0xFFFF, a4, 0, 700},
    };
    for (const Case& c : cases) {
        Set(r(), dm::LayoutMode, c.mode);
        Set(r(), dm::Orientation, c.orientation);
        Set(r(), dm::LayoutOrder, c.order);
        Set(r(), dm::OutPaperIndex, WORD{0});
        SetText(r(), dm::FormName, c.paper);
        Set(r(), dm::PaperLength, SHORT{2970});
        Set(r(), dm::PaperWidth, SHORT{2100});
        const TreeRowValue v = ComputeTreeRowValue(page_, 404);
        EXPECT_EQ(v.text, c.text ? Text(c.text) : std::u16string()) << c.what;
        EXPECT_EQ(v.iconId, c.icon) << c.what;
    }
}

TEST_F(SummaryRows, LayoutOrderTurnsForPapersThatCannotBeMapped) {
    Set(r(), dm::LayoutMode, WORD{2});
    Set(r(), dm::Orientation, SHORT{1});
    Set(r(), dm::LayoutOrder, WORD{0});
    Set(r(), dm::OutPaperIndex, WORD{0});
    SetText(r(), dm::FormName, u"Custom");
    Set(r(), dm::PaperLength, SHORT{1000});
    Set(r(), dm::PaperWidth, SHORT{2000});  // wider than long: not mappable
    EXPECT_EQ(ComputeTreeRowValue(page_, 404).text, Text(516));
    Set(r(), dm::PaperLength, SHORT{2000});
    Set(r(), dm::PaperWidth, SHORT{1000});
    EXPECT_EQ(ComputeTreeRowValue(page_, 404).text, Text(514));
    // The output paper is the effective paper while one is set.
    Set(r(), dm::OutPaperIndex, WORD{1});
    SetText(r(), dm::OutPaperName, kFormDoublePostcard);
    SetText(r(), dm::FormName, u"A4");
    EXPECT_EQ(ComputeTreeRowValue(page_, 404).text, Text(516));
}

// ---- Memory label ---------------------------------------------------------------------------

TEST_F(SummaryRows, MemoryLabelNamesTheStandardAndWhatIsAdded) {
    // The sample model: standard 65,536 KB; sizes 65,536, 131,072, 196,608 and 327,680 KB.
    const std::u16string t = Text(488);
    ASSERT_FALSE(t.empty());
    struct Case {
        DWORD memory;
        bool fromPrinter;
        std::u16string expected;
    };
    const Case cases[] = {
        {65536, false, u"64MB(" + t + u")"},          {131072, false, u"128MB(" + t + u" + 64MB)"},
        {327680, true, u"320MB(" + t + u" + 256MB)"}, {65536 + 16384, true, u"80MB(" + t + u" + 16MB)"},
        {65536 + 16384, false, u"64MB(" + t + u")"},  {65536 + 17407, true, u"80MB(" + t + u" + 16MB)"},
        {65536 + 17408, true, u"64MB(" + t + u")"},   {65536 + 16383, true, u"64MB(" + t + u")"},
        {100000, true, u"64MB(" + t + u")"},
    };
    for (const Case& c : cases) {
        Set(r(), dm::MemoryKb, c.memory);
        ui_->printerConfig.extStatus = c.fromPrinter ? kConfigFromPrinter : 0;
        EXPECT_EQ(TreeMemoryLabel(page_), c.expected) << c.memory << (c.fromPrinter ? " from the printer" : "");
    }
}

TEST_F(SummaryRows, MemoryLabelWithoutSizeListNamesTheStandard) {
    UseDescriptionWith(u"*MemorySize: 65536 2097152", u"*Comment: 65536 2097152");
    ASSERT_FALSE(HasFatalFailure());
    Set(r(), dm::MemoryKb, DWORD{131072});
    ui_->printerConfig.extStatus = kConfigFromPrinter;
    // 131,072 is still a listed size after one entry went; 98,304 is neither listed nor a module.
    EXPECT_EQ(TreeMemoryLabel(page_), u"128MB(" + Text(488) + u" + 64MB)");
    Set(r(), dm::MemoryKb, DWORD{98304});
    EXPECT_EQ(TreeMemoryLabel(page_), u"64MB(" + Text(488) + u")");
}

// ---- Row texts --------------------------------------------------------------------------------

TEST_F(SummaryRows, RowTextReadsLabelBracketsAndValue) {
    const std::u16string copies = Text(428);
    ASSERT_FALSE(copies.empty());
    TreeRowText row = BuildTreeRowText(page_, 428, TreeRowValue{u"3", 738, true});
    EXPECT_EQ(row.text, copies + u"<3>");
    EXPECT_EQ(row.data & kTreeDataRowIdMask, 428);
    EXPECT_EQ(TreeDataNameCount(row.data), copies.size() + 1);
    EXPECT_TRUE(row.data & kTreeDataBracket);
    EXPECT_TRUE(row.data & kTreeDataChanged);
    EXPECT_FALSE(row.data & kTreeDataDisabled);

    row = BuildTreeRowText(page_, 400, TreeRowValue{u"", 701, false});
    EXPECT_EQ(row.text, Text(400));
    EXPECT_EQ(TreeDataNameCount(row.data), Text(400).size());
    EXPECT_FALSE(row.data & (kTreeDataBracket | kTreeDataChanged));

    // The printer row is named after the printer.
    row = BuildTreeRowText(page_, 430, TreeRowValue{u"", 700, false});
    EXPECT_EQ(row.text, std::u16string(ui_->printerName));
}

TEST_F(SummaryRows, ChosenPanelTextShowsEmptyBrackets) {
    Set(r(), dm::Flags1, (Get(r(), dm::Flags1) & ~kFlags1DisplayJobUser) | kFlags1DisplayUserText);
    SetText(r(), dm::UserText, u"");
    const TreeRowValue v = ComputeTreeRowValue(page_, 447);
    EXPECT_TRUE(v.text.empty());
    const TreeRowText row = BuildTreeRowText(page_, 447, v);
    EXPECT_EQ(row.text, Text(447) + u"<>");
    EXPECT_TRUE(row.data & kTreeDataBracket);
    EXPECT_EQ(TreeDataNameCount(row.data), Text(447).size() + 1);
}

TEST_F(SummaryRows, LongPrinterNameKeepsAnEightBitNameCount) {
    const std::u16string name(300, u'P');
    std::copy(name.begin(), name.begin() + 259, ui_->printerName);
    ui_->printerName[259] = 0;
    const TreeRowText row = BuildTreeRowText(page_, 430, TreeRowValue{u"x", 700, false});
    EXPECT_EQ(TreeDataNameCount(row.data), 255u);
    EXPECT_EQ(row.data & kTreeDataRowIdMask, 430);
}

}  // namespace
