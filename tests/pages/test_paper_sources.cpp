// The paper routines the paper pages share: source replacement, the source, paper-type and
// output-tray combos, the feeder and source checks, the user-name rule, the hint line and the
// owner-drawn icon combos.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/form_overlay.h"
#include "plat/control.h"
#include "plat/message_box.h"
#include "plat/window_test.h"
#include "tests/pages/page_fixture.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/basic_page_combos.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/paper_sources.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"
#include "win/user_msg.h"

namespace {

using namespace orla;

constexpr WORD kInstalled = dm::kDeviceInstalled;

// ---- Replacing sources the printer cannot feed from ------------------------------------------

TEST(SourceSubstitution, EverySourceFieldFollowsTheRule) {
    struct Case {
        const char* what;
        bool manual, feeder2, feeder3;
        DWORD separate, slips;
        SHORT source;
        DWORD first, secondSheet, separateDefault, section, slipTray;
        SHORT wantSource;
        DWORD wantFirst, wantSecondSheet, wantSeparateDefault, wantSection, wantSlipTray;
    };
    const Case cases[] = {
        {"no manual slot: manual becomes cassette", false, true, true, 0, 0, 4, 4, 4, 4, 4, 4, 7, 14, 300, 1, 14, 1},
        {"manual slot: cassette becomes manual", true, true, true, 0, 0, 14, 14, 7, 14, 14, 14, 7, 4, 7, 1, 4, 1},
        {"separate trays, no feeder 2: middle and lower trays go", false, false, true, 1, 0, 3, 3, 3, 3, 3, 2, 1, 14,
         300, 1, 14, 1},
        {"slip sheets, no feeder 3: lower tray goes", true, true, false, 0, 1, 2, 2, 3, 2, 2, 2, 4, 4, 3, 1, 4, 1},
        {"neither on: missing feeders keep their trays", false, false, false, 0, 0, 3, 3, 2, 256, 3, 3, 3, 3, 2, 256, 3,
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = std::make_unique<DriverDevmode>();
        Set(*r, dm::DeviceState(dm::kManual), WORD(c.manual ? kInstalled : 0));
        Set(*r, dm::DeviceState(dm::kFeeder2), WORD(c.feeder2 ? kInstalled : 0));
        Set(*r, dm::DeviceState(dm::kFeeder3), WORD(c.feeder3 ? kInstalled : 0));
        Set(*r, dm::DeviceState(dm::kFeeder4), kInstalled);
        Set(*r, dm::SeparateTraysOn, c.separate);
        Set(*r, dm::SlipSheetsOn, c.slips);
        Set(*r, dm::DefaultSource, c.source);
        Set(*r, dm::FirstSheetTray, c.first);
        Set(*r, dm::SecondSheetTray, c.secondSheet);
        Set(*r, dm::SeparateDefaultTray, c.separateDefault);
        Set(*r, dm::SectionTray, c.section);
        Set(*r, dm::SlipSheetTray, c.slipTray);
        SubstituteUnavailableSources(*r);
        EXPECT_EQ(Get(*r, dm::DefaultSource), c.wantSource);
        EXPECT_EQ(Get(*r, dm::FirstSheetTray), c.wantFirst);
        EXPECT_EQ(Get(*r, dm::SecondSheetTray), c.wantSecondSheet);
        EXPECT_EQ(Get(*r, dm::SeparateDefaultTray), c.wantSeparateDefault);
        EXPECT_EQ(Get(*r, dm::SectionTray), c.wantSection);
        EXPECT_EQ(Get(*r, dm::SlipSheetTray), c.wantSlipTray);
    }
}

// ---- Controls on a dialog -----------------------------------------------------------------------

INT_PTR CALLBACK StorePageProc(HWND h, UINT m, WPARAM, LPARAM l) {
    if (m == WM_INITDIALOG) SetWindowLongPtrW(h, DWLP_USER, l);
    return m == WM_INITDIALOG;
}

struct WindowFree {
    void operator()(HWND__* h) const {
        if (IsWindow(h)) DestroyWindow(h);
    }
};

std::vector<LPARAM> ComboData(HWND dialog, int id) {
    std::vector<LPARAM> data;
    const auto n = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) data.push_back(SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, i, 0));
    return data;
}
LPARAM SelectedData(HWND dialog, int id) {
    const auto sel = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
    return sel < 0 ? -1 : SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0);
}
std::u16string ComboText(HWND dialog, int id, int index) {
    WCHAR text[256] = {};
    SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

class PaperControls : public pages_test::PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        module_ = orla_ui_test::LibraryPtr(LoadLibraryW(u"PagesTestDialogs.dll"));
        ASSERT_TRUE(module_);
        dialog_.reset(CreateDialogParamW(module_.get(), MAKEINTRESOURCEW(101), nullptr, StorePageProc,
                                         reinterpret_cast<LPARAM>(&page_)));
        ASSERT_TRUE(dialog_);
        PlatResetMessageBoxes();
        PlatResetBeeps();
        for (unsigned pair = 0; pair < dm::DevicePairCount; ++pair) Set(r(), dm::DeviceState(pair), WORD{0});
    }
    void TearDown() override {
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
        PlatResetMessageBoxes();
        SetInterfaceModule(nullptr);
        dialog_.reset();
        module_.reset();
        PageSandbox::TearDown();
    }
    DriverDevmode& r() { return ui_->currentDevmode; }
    HWND dialog() { return dialog_.get(); }
    void Install(std::initializer_list<unsigned> pairs) {
        for (unsigned pair : pairs) Set(r(), dm::DeviceState(pair), kInstalled);
    }
    // An overlay file whose header asks for the tray bits, switched on in the record.
    void UseOverlayAskingFor(DWORD trayBits) {
        std::vector<char> header(sizeof(FormOverlayHeader), 0);
        std::memcpy(header.data() + ovl::kTray, &trayBits, sizeof trayBits);
        const std::filesystem::path host = PlatHostPath(u"C:\\Forms\\TRAYS.fn2");
        std::filesystem::create_directories(host.parent_path());
        std::ofstream(host, std::ios::binary).write(header.data(), static_cast<std::streamsize>(header.size()));
        SetAnsi(r(), dm::OverlayFolder, "C:\\Forms");
        SetAnsi(r(), dm::OverlayName, "TRAYS");
        Set(r(), dm::FlagsWord, WORD(Get(r(), dm::FlagsWord) | kFlagsWordOverlayOn));
    }
    std::u16string Text(UINT id) { return orla_ui_test::ResourceText(printer_, id); }
    std::u16string PrinterName() { return std::u16string(DevicePrinterName(ui_->deviceData)); }

    orla_ui_test::LibraryPtr module_;
    std::unique_ptr<HWND__, WindowFree> dialog_;
};

// The sample printer's slots: AUTO 1, FEEDER1 257, FEEDER2 258, FEEDER3 259, MP 14, MANUAL 4,
// FEEDER4 260, FEEDER5 261, MSF 262, ENV 5 (no rule names ENV).
TEST_F(PaperControls, SourceComboOffersTheSlotsThePrinterCanFeedFrom) {
    struct Case {
        const char* what;
        std::vector<unsigned> installed;
        DWORD overlayBits;  // 0: no overlay
        SHORT source;
        std::vector<LPARAM> want;
        LPARAM selected;
    };
    const Case cases[] = {
        {"nothing installed", {}, 0, 1, {1, 14}, 1},
        {"feeders and the manual slot", {dm::kFeeder1, dm::kFeeder4, dm::kManual}, 0, 4, {1, 257, 4, 260}, 4},
        {"all feeders",
         {dm::kFeeder1, dm::kFeeder2, dm::kFeeder3, dm::kFeeder4, dm::kFeeder5, dm::kMsf},
         0,
         262,
         {1, 257, 258, 259, 14, 260, 261, 262},
         262},
        {"a source not offered selects the first", {}, 0, 258, {1, 14}, 1},
        {"the overlay asks for feeder 2", {}, 0x100, 1, {1, 258, 14}, 1},
        {"the overlay asks for the manual slot", {}, 0x10000000, 1, {1, 14, 4}, 1},
        {"the overlay asks for the MP tray beside the manual slot", {dm::kManual}, 0x1000000, 14, {1, 14, 4, 262}, 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (unsigned pair = 0; pair < dm::DevicePairCount; ++pair) Set(r(), dm::DeviceState(pair), WORD{0});
        for (unsigned pair : c.installed) Set(r(), dm::DeviceState(pair), kInstalled);
        Set(r(), dm::FlagsWord, WORD(Get(r(), dm::FlagsWord) & ~kFlagsWordOverlayOn));
        if (c.overlayBits) UseOverlayAskingFor(c.overlayBits);
        Set(r(), dm::DefaultSource, c.source);
        FillPaperSourceCombo(&page_, dialog());
        EXPECT_EQ(ComboData(dialog(), 1223), c.want);
        EXPECT_EQ(SelectedData(dialog(), 1223), c.selected);
    }
}

TEST_F(PaperControls, SourceEntriesNameTheSlotAndThePaperType) {
    Install({dm::kManual});
    Set(r(), dm::PaperType, WORD{1});
    Set(r(), dm::ManualPaperType, WORD{3});
    FillPaperSourceCombo(&page_, dialog());
    ASSERT_EQ(ComboData(dialog(), 1223), (std::vector<LPARAM>{1, 4}));
    EXPECT_EQ(ComboText(dialog(), 1223, 0), Text(300) + u" " + Text(881));
    EXPECT_EQ(ComboText(dialog(), 1223, 1), Text(307) + u" " + Text(673));
    EXPECT_FALSE(Text(881).empty());
}

TEST_F(PaperControls, PaperTypeComboKeepsItsOrderAndLeavesThickPaper2OutOfTheManualSlot) {
    struct Case {
        SHORT source;
        WORD type;
        std::vector<LPARAM> want;
        int selectedIndex;
    };
    const Case cases[] = {
        {1, 4, {0, 4, 5, 1, 2, 6, 7, 8, 9, 3}, 1},
        {4, 0, {0, 4, 5, 1, 6, 7, 8, 9, 3}, 0},
        {4, 2, {0, 4, 5, 1, 2, 6, 7, 8, 9, 3}, 4},
        {1, 3, {0, 4, 5, 1, 2, 6, 7, 8, 9, 3}, 9},
    };
    for (const Case& c : cases) {
        Set(r(), dm::DefaultSource, c.source);
        Set(r(), dm::PaperType, c.type);
        FillCombo1226(&page_, dialog());
        EXPECT_EQ(ComboData(dialog(), 1226), c.want) << c.source << "/" << c.type;
        EXPECT_EQ(SendDlgItemMessageW(dialog(), 1226, CB_GETCURSEL, 0, 0), c.selectedIndex);
    }
}

TEST_F(PaperControls, OutputTrayComboOffersTheStackerAndFaceUpTrayOnlyWhenTheyCanTakeThePaper) {
    struct Case {
        const char* what;
        bool stacker, faceUp;
        WORD type, tray;
        std::u16string form;
        SHORT length;
        std::vector<LPARAM> want;
        LPARAM selected;
    };
    const Case cases[] = {
        {"no options", false, false, 0, 0, u"A4", 2970, {0, 1}, 0},
        {"stacker and face-up tray", true, true, 0, 3, u"A4", 2970, {0, 1, 2, 3}, 3},
        {"thick paper 2 keeps off the stacker", true, false, 2, 0, u"A4", 2970, {0, 1}, 0},
        {"thick paper 2 already on the stacker", true, false, 2, 2, u"A4", 2970, {0, 1, 2}, 2},
        {"a short custom paper keeps off the stacker", true, false, 0, 0, u"Custom", 1269, {0, 1}, 0},
        {"a short custom paper already on the stacker", true, false, 0, 2, u"Custom", 1269, {0, 1, 2}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Set(r(), dm::DeviceState(dm::kLcs), WORD(c.stacker ? kInstalled : 0));
        Set(r(), dm::DeviceState(dm::kFut), WORD(c.faceUp ? kInstalled : 0));
        Set(r(), dm::PaperType, c.type);
        Set(r(), dm::OutputTray, c.tray);
        Set(r(), dm::OutPaperIndex, WORD{0});
        SetText(r(), dm::FormName, c.form);
        Set(r(), dm::PaperLength, c.length);
        Set(r(), dm::PaperWidth, SHORT{1000});
        FillCombo1234(&page_, dialog());
        EXPECT_EQ(ComboData(dialog(), 1234), c.want);
        EXPECT_EQ(SelectedData(dialog(), 1234), c.selected);
    }
}

TEST_F(PaperControls, FeederCheckWarnsWhenTheOverlayNeedsAFeederThatIsNotInstalled) {
    struct Case {
        const char* what;
        SHORT source;
        bool installed;
        DWORD overlayBits;
        bool warns;
    };
    const Case cases[] = {
        {"feeder 2 missing, overlay asks for it", 258, false, 0x100, true},
        {"feeder 5 missing, overlay asks for it", 261, false, 0x1000, true},
        {"feeder 2 installed", 258, true, 0x100, false},
        {"the overlay asks for another feeder", 258, false, 0x1, false},
        {"no overlay", 258, false, 0, false},
        {"the multi-sheet feeder never warns", 262, false, 0x1000000, false},
        {"the manual slot never warns", 4, false, 0x10000000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlatResetMessageBoxes();
        Set(r(), dm::FlagsWord, WORD(Get(r(), dm::FlagsWord) & ~kFlagsWordOverlayOn));
        if (c.overlayBits) UseOverlayAskingFor(c.overlayBits);
        const unsigned pair = c.source == 261 ? dm::kFeeder5 : dm::kFeeder2;
        Set(r(), dm::DeviceState(pair), WORD(c.installed ? kInstalled : 0));
        Set(r(), dm::DefaultSource, c.source);
        if (c.warns) PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_EQ(CheckFeederPaperSize(&page_, dialog()), c.warns ? TRUE : FALSE);
        ASSERT_EQ(PlatMessageBoxCount(), c.warns ? 1u : 0u);
        if (!c.warns) continue;
        PLAT_MESSAGE_BOX_RECORD box{};
        ASSERT_TRUE(PlatGetMessageBox(0, &box));
        EXPECT_EQ(std::u16string(box.text), Text(822));
        EXPECT_EQ(std::u16string(box.caption), PrinterName());
        EXPECT_EQ(box.flags, static_cast<UINT>(MB_ICONWARNING));
    }
}

TEST_F(PaperControls, SourceNameByIdAnswersTheOverlayTrayBits) {
    UseOverlayAskingFor(0x10);
    std::u16string name = u"kept";
    EXPECT_EQ(GetSourceNameById(&page_, 260, name), 0x10u);
    EXPECT_EQ(name, u"FEEDER4");
    name = u"kept";
    GetSourceNameById(&page_, 999, name);
    EXPECT_EQ(name, u"kept");
}

TEST_F(PaperControls, SeparateTraysSetTheDocumentSource) {
    Set(r(), dm::DefaultSource, SHORT{1});
    // The user's choices, as the paper-source page writes them with their copies.
    for (auto f : {dm::SeparateDefaultTray, dm::SavedSeparateDefaultTray}) Set(r(), f, DWORD{258});
    for (auto f : {dm::SeparateTraysOn, dm::SavedSeparateTraysOn}) Set(r(), f, DWORD{0});
    CheckPaperForSource(&page_, dialog());
    EXPECT_EQ(Get(r(), dm::DefaultSource), 1);
    for (auto f : {dm::SeparateTraysOn, dm::SavedSeparateTraysOn}) Set(r(), f, DWORD{1});
    Install({dm::kFeeder2});
    CheckPaperForSource(&page_, dialog());
    EXPECT_EQ(Get(r(), dm::DefaultSource), 258);
    EXPECT_EQ(Get(r(), dm::PrevDefaultSource), 258);
}

// ---- User name characters ---------------------------------------------------------------------

TEST_F(PaperControls, UserNameCharactersThePanelCannotShowFailTheCheck) {
    struct Case {
        std::u16string name;
        bool shown;
        bool passes;
    };
    const Case cases[] = {
        {u"taro", true, true},
        {u"ta\"ro", true, false},
        {u"a~b", true, false},
        {u"山田", true, false},
        {u"ｶﾀｶﾅ", true, true},
        {u"山田", false, true},
        {u"abcdefghijklmnop", true, true},
    };
    for (const Case& c : cases) {
        SetText(r(), dm::JobUserName, c.name);
        Set(r(), dm::Flags1, c.shown ? kFlags1DisplayJobUser : 0u);
        Set(r(), dm::SavedFlags1, c.shown ? kFlags1DisplayJobUser : 0u);
        EXPECT_EQ(CheckUserNameCharacters(dialog(), &page_, 3), c.passes ? TRUE : FALSE)
            << std::string(reinterpret_cast<const char*>(c.name.data()), c.name.size() * 2);
        // The row-selecting mode leaves the flag to its caller.
        EXPECT_EQ((Get(r(), dm::Flags1) & kFlags1DisplayJobUser) != 0, c.shown);
    }
}

TEST_F(PaperControls, RefusedUserNameWarnsOrPostsAndStopsShowingIt) {
    SetText(r(), dm::JobUserName, u"a~b");
    Set(r(), dm::Flags1, kFlags1DisplayJobUser | kFlags1Collate);
    Set(r(), dm::SavedFlags1, kFlags1DisplayJobUser | kFlags1Collate);
    PlatQueueMessageBoxAnswer(IDOK);
    EXPECT_FALSE(CheckUserNameCharacters(dialog(), &page_, 1));
    EXPECT_EQ(Get(r(), dm::Flags1), kFlags1Collate);
    EXPECT_EQ(Get(r(), dm::SavedFlags1), kFlags1Collate);
    EXPECT_EQ(PlatBeepCount(), 1u);
    ASSERT_EQ(PlatMessageBoxCount(), 1u);
    PLAT_MESSAGE_BOX_RECORD box{};
    ASSERT_TRUE(PlatGetMessageBox(0, &box));
    EXPECT_EQ(std::u16string(box.text), Text(824));
    EXPECT_EQ(std::u16string(box.caption), PrinterName());
    EXPECT_EQ(box.flags, static_cast<UINT>(MB_ICONWARNING));

    Set(r(), dm::Flags1, kFlags1DisplayJobUser);
    EXPECT_FALSE(CheckUserNameCharacters(dialog(), &page_, 2));
    EXPECT_EQ(Get(r(), dm::Flags1), 0u);
    EXPECT_EQ(PlatMessageBoxCount(), 1u);  // no second box: the dialog is told instead
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, dialog(), kMsgUserNameRefused, kMsgUserNameRefused, PM_REMOVE));
    EXPECT_EQ(msg.message, kMsgUserNameRefused);
}

// ---- Hint line --------------------------------------------------------------------------------

TEST_F(PaperControls, HintLineShowsTheTextWithTheNoteIconOfItsKind) {
    // The note icons lead the sheet's shared icons (778, 775, 776, 777, 774); the page pictures
    // after them (715 on) are no notes.
    HICON notes[5];
    for (int i = 0; i < 5; ++i) {
        notes[i] = reinterpret_cast<HICON>(static_cast<ULONG_PTR>(0x1000 + i));
        page_.icons[i] = notes[i];
        page_.icons[5 + i] = reinterpret_cast<HICON>(static_cast<ULONG_PTR>(0x2000 + i));
    }
    const struct {
        int kind;
        HICON icon;
    } kinds[] = {{1, notes[0]}, {3, notes[1]}, {4, notes[2]}, {5, notes[3]}, {2, notes[4]}, {9, notes[4]}};
    for (const auto& k : kinds) EXPECT_EQ(NoteIcon(page_, k.kind), k.icon) << k.kind;

    ShowHintLine(&page_, dialog(), 813, 3);
    PLAT_CONTROL_STATE text{}, icon{};
    ASSERT_TRUE(PlatReadControl(GetDlgItem(dialog(), 1000), &text));
    ASSERT_TRUE(PlatReadControl(GetDlgItem(dialog(), 1006), &icon));
    EXPECT_EQ(std::u16string(text.text), Text(813));
    EXPECT_TRUE(icon.visible);
    EXPECT_TRUE(icon.enabled);
    EXPECT_EQ(reinterpret_cast<HICON>(SendDlgItemMessageW(dialog(), 1006, STM_GETICON, 0, 0)), notes[1]);

    ShowHintLine(&page_, dialog(), 0, 3);
    ASSERT_TRUE(PlatReadControl(GetDlgItem(dialog(), 1000), &text));
    ASSERT_TRUE(PlatReadControl(GetDlgItem(dialog(), 1006), &icon));
    EXPECT_EQ(std::u16string(text.text), u"");
    EXPECT_FALSE(icon.visible);
    EXPECT_FALSE(icon.enabled);
    for (HICON& h : page_.icons) h = nullptr;  // not the sheet's icons: nothing to release
}

// ---- Owner-drawn icon combos ------------------------------------------------------------------

TEST(IconCombos, EachEntryGetsTheIconAndTextOfItsCombo) {
    struct Case {
        const char* what;
        int combo;
        SHORT orientation;
        WORD layout;
        SHORT duplex;
        UINT entry;
        ComboEntryLook want;
    };
    const Case cases[] = {
        {"duplex portrait", 1127, 1, 1, 1, 1, {true, 942, 0}},
        {"duplex landscape", 1127, 2, 1, 1, 2, {true, 945, 0}},
        {"duplex past its entries", 1127, 1, 1, 1, 3, {false, 0, 0}},
        {"layout portrait", 1114, 1, 1, 1, 6, {true, 921, 0}},
        {"layout landscape", 1114, 2, 1, 1, 1, {true, 912, 0}},
        {"layout past its entries", 1114, 1, 1, 1, 7, {false, 0, 0}},
        {"order of two pages, landscape", 1120, 2, 2, 1, 1, {true, 933, 517}},
        {"order of four pages", 1120, 1, 4, 1, 3, {true, 937, 521}},
        {"order hidden with one page", 1120, 1, 1, 1, 0, {false, 0, 0}},
        {"binding with duplex", 1134, 1, 1, 2, 1, {true, 722, 526}},
        {"binding hidden without duplex", 1134, 1, 1, 1, 0, {false, 0, 0}},
        {"text entry: stored print without a disk", 1699, 1, 1, 1, 1, {true, 958, 0}},
        {"text entry: normal print", 1699, 1, 1, 1, 0, {true, 0, 0}},
        {"another control", 1204, 1, 1, 1, 0, {false, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = std::make_unique<DriverDevmode>();
        Set(*r, dm::Orientation, c.orientation);
        Set(*r, dm::LayoutMode, c.layout);
        Set(*r, dm::Duplex, c.duplex);
        const ComboEntryLook look = LookOfComboEntry(*r, 0, c.combo, c.entry);
        EXPECT_EQ(look.drawn, c.want.drawn);
        EXPECT_EQ(look.iconId, c.want.iconId);
        EXPECT_EQ(look.textId, c.want.textId);
    }
}

TEST(IconCombos, TextEntryModesAreMarkedWhenNothingHoldsTheJob) {
    auto r = std::make_unique<DriverDevmode>();
    Set(*r, dm::Copies, SHORT{1});
    Set(*r, dm::DeviceState(dm::kHdd), kInstalled);
    EXPECT_EQ(LookOfComboEntry(*r, 0, 1699, 1).iconId, 0u);
    EXPECT_EQ(LookOfComboEntry(*r, 0, 1699, 2).iconId, 958u);  // one copy: nothing to proof
    Set(*r, dm::Copies, SHORT{2});
    EXPECT_EQ(LookOfComboEntry(*r, 0, 1699, 2).iconId, 0u);
}

TEST(IconCombos, FavouriteIconsDependOnTheDuplexUnitAndThePresetFlag) {
    struct Case {
        bool duplex;
        DWORD presetFlags;
        UINT entry;
        UINT icon;
        bool drawn;
    };
    const Case cases[] = {
        {true, 0x8, 2, 602, true},  {true, 0x8, 19, 619, true}, {true, 0, 6, 607, true},  {true, 0, 7, 607, true},
        {false, 0x8, 2, 604, true}, {false, 0x8, 4, 606, true}, {false, 0, 4, 607, true}, {false, 0, 5, 607, true},
        {false, 0, 18, 0, true},    {true, 0x8, 20, 0, false},
    };
    for (const Case& c : cases) {
        auto r = std::make_unique<DriverDevmode>();
        Set(*r, dm::DeviceState(dm::kDuplex), WORD(c.duplex ? kInstalled : 0));
        const ComboEntryLook look = LookOfComboEntry(*r, c.presetFlags, 1013, c.entry);
        EXPECT_EQ(look.iconId, c.icon) << c.duplex << " " << c.presetFlags << " " << c.entry;
        EXPECT_EQ(look.drawn, c.drawn);
    }
}

TEST(IconCombos, EntriesAreMeasuredByTheSystemIconHeight) {
    const int icon = GetSystemMetrics(SM_CYICON);
    struct Case {
        UINT id;
        BOOL handled;
        UINT height;
    };
    const Case cases[] = {{1013, TRUE, static_cast<UINT>(icon / 2 - 1)},
                          {1699, TRUE, static_cast<UINT>(icon / 2 - 1)},
                          {1114, TRUE, static_cast<UINT>(icon - 6)},
                          {1127, TRUE, static_cast<UINT>(icon - 6)},
                          {1204, FALSE, 7}};
    for (const Case& c : cases) {
        MEASUREITEMSTRUCT m{ODT_COMBOBOX, c.id, 0, 0, 7, 0};
        EXPECT_EQ(MeasureIconCombo(&m), c.handled) << c.id;
        EXPECT_EQ(m.itemHeight, c.height) << c.id;
    }
    MEASUREITEMSTRUCT list{ODT_LISTBOX, 1127, 0, 0, 7, 0};
    EXPECT_FALSE(MeasureIconCombo(&list));
}

// Draws one entry of a combo of the test dialog into a white 120 x 26 picture.
class IconComboDrawing : public PaperControls {
protected:
    void SetUp() override {
        PaperControls::SetUp();
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(nullptr, kWidth, kHeight);
        old_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, kWidth, kHeight};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    void TearDown() override {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
        PaperControls::TearDown();
    }
    BOOL Draw(int combo, UINT entry, UINT state) {
        DRAWITEMSTRUCT item{
            ODT_COMBOBOX, static_cast<UINT>(combo),    entry, ODA_DRAWENTIRE, state, GetDlgItem(dialog(), combo),
            dc_,          RECT{0, 0, kWidth, kHeight}, 0};
        return DrawIconComboEntry(&page_, &item);
    }
    // Pixels of a colour inside a rectangle.
    int Count(RECT area, bool (*match)(COLORREF)) {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) n += match(GetPixel(dc_, x, y)) ? 1 : 0;
        return n;
    }
    static constexpr int kWidth = 120, kHeight = 26;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

bool IsRed(COLORREF c) {
    return c == RGB(255, 0, 0);
}
bool IsDarkBlue(COLORREF c) {
    return c == 0x500000;
}
bool IsWhite(COLORREF c) {
    return c == RGB(255, 255, 255);
}
bool IsInk(COLORREF c) {
    return c != RGB(255, 255, 255) && c != 0x500000 && c != RGB(255, 0, 0);
}

TEST_F(IconComboDrawing, AnEntryIsItsIconAndItsText) {
    SetInterfaceModule(module_.get());  // carries icon 940 only
    Set(r(), dm::Orientation, SHORT{DMORIENT_PORTRAIT});
    SendDlgItemMessageW(dialog(), 1127, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Simplex"));
    SendDlgItemMessageW(dialog(), 1127, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Long Edge"));
    const int icon = GetSystemMetrics(SM_CXICON);
    const RECT iconArea{0, 0, std::min(icon, kHeight), kHeight};
    const RECT textArea{icon, 0, kWidth, kHeight};

    ASSERT_TRUE(Draw(1127, 0, 0));
    EXPECT_GT(Count(iconArea, IsRed), 100) << "the icon at the left edge";
    EXPECT_GT(Count(textArea, IsInk), 0) << "the text after one icon width";
    EXPECT_EQ(Count(textArea, IsRed), 0);

    // Entry 1's icon (942) is not in the module: its text stands alone on a selected background.
    ASSERT_TRUE(Draw(1127, 1, ODS_SELECTED));
    EXPECT_EQ(Count(iconArea, IsRed), 0);
    EXPECT_EQ(Count(RECT{0, 0, 4, kHeight}, IsDarkBlue), 4 * kHeight);
    EXPECT_GT(Count(textArea, IsWhite), 0) << "white text";
}

TEST_F(IconComboDrawing, HiddenOrEmptyEntriesDrawNothing) {
    SetInterfaceModule(module_.get());
    SendDlgItemMessageW(dialog(), 1127, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Simplex"));
    EXPECT_TRUE(Draw(1127, 3, 0));                      // past the duplex entries
    EXPECT_TRUE(Draw(1127, static_cast<UINT>(-1), 0));  // an empty combo's edit
    EXPECT_FALSE(Draw(1223, 0, 0));                     // not a drawn combo
    EXPECT_EQ(Count(RECT{0, 0, kWidth, kHeight}, IsWhite), kWidth * kHeight);
}

TEST_F(IconComboDrawing, WithoutAnInterfaceModuleTheTextStillShows) {
    SetInterfaceModule(nullptr);
    SendDlgItemMessageW(dialog(), 1699, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Normal"));
    SendDlgItemMessageW(dialog(), 1699, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Stored"));
    ASSERT_TRUE(Draw(1699, 1, 0));  // marked with icon 958, which no module carries here
    const int icon = GetSystemMetrics(SM_CXICON);
    EXPECT_GT(Count(RECT{icon * 5 / 8, 0, kWidth, kHeight}, IsInk), 0);
    EXPECT_EQ(Count(RECT{0, 0, icon * 5 / 8, kHeight}, IsInk), 0);
}

}  // namespace
