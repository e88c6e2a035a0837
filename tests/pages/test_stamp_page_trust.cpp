// Trust marking on the stamp and overlay page (Japanese build): the button only with the library,
// the overlay locked while trust marking is on, the library's settings dialog and its answers,
// the settings block kept within its 4,096 bytes, the owner name, and the conflict warnings.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/build_variant.h"

#if ORLA_JAPANESE

#include "plat/control.h"
#include "render/kwe_binding.h"
#include "tests/pages/stamp_page_sheet.h"
#include "ui/entry/kwe_display.h"
#include "win/registry.h"

// Named, not anonymous: the unity batches put this file beside the other page tests.
namespace stamp_page_trust_test {

using namespace orla;
using namespace pages_test;
using uitest::Script;
namespace ids = orla_res::stamp_page;

constexpr const char16_t* kLibraryKey = pages_test::kTrustLibraryKey;
constexpr char16_t kFriendlyCaption[] = u"QEV Halvoric 4400K";
constexpr unsigned kBlock = 2012;  // the settings block of the record
constexpr unsigned kBlockBytes = 4096;

// ---- The warnings' texts -------------------------------------------------------------------------

TEST(KweConflicts, SettingsConflictsAndTheirTexts) {
    struct Case {
        const char* what;
        DWORD flags1;
        WORD density;
        bool overlay;
        DWORD conflicts;
        std::vector<UINT> texts;
    } const cases[] = {
        {"none", kFlags1ResolutionEnhance, 3, false, 0, {}},
        {"toner save", kFlags1ResolutionEnhance | kFlags1TonerSave, 3, false, kKweTonerSave, {784}},
        {"no smoothing", 0, 3, false, kKweNoSmoothing, {785}},
        {"density 2", kFlags1ResolutionEnhance, 2, false, kKweDensity, {786}},
        {"an overlay", kFlags1ResolutionEnhance, 3, true, kKweOverlay, {787}},
        {"an excluded mode", kFlags1ResolutionEnhance | kFlags1NotWithTrust, 3, false, kKweExcludedMode, {788}},
        {"toner save and an overlay",
         kFlags1ResolutionEnhance | kFlags1TonerSave,
         3,
         true,
         kKweTonerSave | kKweOverlay,
         {789, 790, 793}},
        {"all five", kFlags1TonerSave | kFlags1NotWithTrust, 1, true, 31, {789, 790, 791, 792, 793, 794}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DriverDevmode r{};
        Set(r, dm::Flags1, c.flags1);
        Set(r, dm::PrintDensity, c.density);
        Set(r, dm::FlagsWord, WORD{c.overlay ? kFlagsWordOverlayOn : WORD{0}});
        EXPECT_EQ(KweSettingConflicts(r), c.conflicts);
        EXPECT_EQ(KweConflictTexts(c.conflicts), c.texts);
    }
}

TEST(KweConflicts, PaperAndResolution) {
    struct Case {
        const char16_t* form;
        const char16_t* output;  // null: none
        SHORT dpi;
        LONG version;
        DWORD conflicts;
        UINT text, text1200;
    } const cases[] = {
        {u"A4", nullptr, 600, 4, 0, 0, 0},
        {u"はがき", nullptr, 300, 3, 0, 0, 0},
        {u"A4 横", nullptr, 600, 4, 0, 0, 0},
        {u"A4 横", nullptr, 600, 3, kKwePaper, 795, 795},
        {u"A4->A3", u"A3", 600, 4, kKwePaper, 795, 795},  // a conversion form, whatever it prints on
        {u"Legal", u"A4", 600, 4, 0, 0, 0},               // the output paper is checked
        {u"A4", u"Legal", 600, 4, kKwePaper, 795, 795},
        {u"長尺紙", nullptr, 600, 4, kKwePaper, 795, 795},
        {u"A4", nullptr, 200, 4, kKweResolution, 796, 797},
        {u"A4", nullptr, 240, 4, kKweResolution, 796, 797},
        {u"A4", nullptr, 400, 4, kKweResolution, 796, 797},
        {u"A4", nullptr, 1200, 4, kKweResolution, 796, 797},
        {u"Legal", nullptr, 1200, 4, kKwePaper | kKweResolution, 798, 799},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi) + " " + std::to_string(c.version));
        DriverDevmode r{};
        SetText(r, dm::FormName, c.form);
        if (c.output) {
            Set(r, dm::OutPaperIndex, WORD{3});
            SetText(r, dm::OutPaperName, c.output);
        }
        AsDevmode(r)->dmPrintQuality = c.dpi;
        const DWORD conflicts = PaperZoomConflicts(r, c.version);
        EXPECT_EQ(conflicts, c.conflicts);
        EXPECT_EQ(PaperZoomText(conflicts, false), c.text);
        EXPECT_EQ(PaperZoomText(conflicts, true), c.text1200);
    }
}

// ---- With the library --------------------------------------------------------------------------

class TrustPage : public StampPageSheet {
protected:
    void TearDown() override {
        PlatSetUserName(u"orla");
        StampPageSheet::TearDown();
    }
    // The stand-in with its script; the settings its dialog was last handed are forgotten.
    void InstallLibrary(const std::u16string& script) {
        InstallTrustStandIn(script);
        if (HasFatalFailure()) return;
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLibraryKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        RegDeleteValueW(key, u"LastDisplayUISettings");
        RegCloseKey(key);
    }
    // The settings the library's dialog was last handed.
    std::vector<BYTE> Handed() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLibraryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
        std::vector<BYTE> bytes(2 * kBlockBytes);
        DWORD type = 0, size = static_cast<DWORD>(bytes.size());
        const LONG read = RegQueryValueExW(key, u"LastDisplayUISettings", nullptr, &type, bytes.data(), &size);
        RegCloseKey(key);
        bytes.resize(read == ERROR_SUCCESS ? size : 0);
        return bytes;
    }
    // A record that trust marking takes without a warning.
    void AgreeableSettings() {
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, dm::Flags1, (Get(r, dm::Flags1) | kFlags1ResolutionEnhance) & ~(kFlags1TonerSave | kFlags1NotWithTrust));
        Set(r, dm::PrintDensity, WORD{3});
        SetOverlay(false, "", "");
        SetText(r, dm::FormName, u"A4");
        Set(r, dm::OutPaperIndex, WORD{0});
        AsDevmode(r)->dmPrintQuality = 600;
    }
    // Runs the sheet, pressing the trust-marking button once, then Cancel.
    void PressTrustMarking() {
        Script script;
        script.steps.push_back(
            [&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kTrustMarking))); });
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_FALSE(script.ranOut);
    }
    std::vector<std::u16string> BoxTexts() {
        std::vector<std::u16string> texts;
        for (DWORD i = 0; i < PlatMessageBoxCount(); ++i) texts.emplace_back(Box(i).text);
        return texts;
    }
};

// The button is there only while the library is installed and takes the printer.
TEST_F(TrustPage, ButtonOnlyWithTheLibrary) {
    for (const char16_t* script : std::initializer_list<const char16_t*>{u"", u"CreateHandle=fail", nullptr}) {
        SCOPED_TRACE(script ? "installed" : "not installed");
        if (script) InstallLibrary(script);
        bool shown = false, enabled = false;
        Script steps;
        steps.steps.push_back([&](HWND sheet) {
            HWND button = GetDlgItem(PageOf(sheet), ids::kTrustMarking);
            shown = IsWindowVisible(button);
            enabled = IsWindowEnabled(button);
            EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
        });
        if (!script) RegDeleteKeyW(HKEY_LOCAL_MACHINE, kLibraryKey);
        Run(steps);
        const bool usable = script && *script == 0;
        EXPECT_EQ(shown, usable);
        EXPECT_EQ(enabled, usable);
    }
}

// With trust marking on, the overlay's controls are all greyed when the page opens.
TEST_F(TrustPage, TrustMarkingOnGreysTheOverlay) {
    for (DWORD on : {1u, 0u}) {
        SCOPED_TRACE(on);
        SetOverlay(true, "", "");
        Set(ui_->currentDevmode, dm::TrustMarkResult, on);
        std::vector<int> enabled;
        Script script;
        script.steps.push_back([&](HWND sheet) {
            for (int id : {ids::kOverlayGroup, ids::kOverlayOn, ids::kOverlayPathLabel, ids::kOverlayPath,
                           ids::kOverlayBrowse, ids::kOverlayOnly, ids::kOverlayInfo})
                if (Enabled(PageOf(sheet), id)) enabled.push_back(id);
            EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
        });
        Run(script);
        const std::vector<int> all = {ids::kOverlayGroup,  ids::kOverlayOn,   ids::kOverlayPathLabel, ids::kOverlayPath,
                                      ids::kOverlayBrowse, ids::kOverlayOnly, ids::kOverlayInfo};
        EXPECT_EQ(enabled, on ? std::vector<int>{} : all);
    }
}

// KweDisplayUI passes the library's answer on; a failure tells the user when it has a window.
TEST_F(TrustPage, DisplayAnswersTwoMinusOneOrAValue) {
    HWND owner = CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    struct Case {
        const char16_t* script;
        bool withOwner;
        LONG answer;
        LONG on;  // -5: untouched
        bool box;
    } const cases[] = {
        {u"DisplayUI=2", true, 2, -5, false},    {u"DisplayUI=-1", true, -1, -5, true},
        {u"DisplayUI=fail", true, -1, -5, true}, {u"DisplayUI=-1", false, -1, -5, false},
        {u"DisplayUIOn=0", true, 1, 0, false},   {u"DisplayUI=3\nDisplayUIOn=7", true, 3, 7, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.script, c.script + std::char_traits<char16_t>::length(c.script)));
        PlatResetMessageBoxes();
        InstallLibrary(c.script);
        const DWORD handle = KweCreateHandle("Halvoric", "QEV Halvoric 4400K ORLA", "ORLA", 1041);
        ASSERT_NE(handle, 0u);
        if (c.box) PlatQueueMessageBoxAnswer(IDOK);
        BYTE settings[16] = {'K'};
        LONG on = -5;
        EXPECT_EQ(KweDisplayUI(handle, c.withOwner ? owner : nullptr, settings, sizeof settings, &on), c.answer);
        EXPECT_EQ(on, c.on);
        KweReleaseHandle(handle);
        ASSERT_EQ(PlatMessageBoxCount(), c.box ? 1u : 0u);
        if (c.box) {
            const PLAT_MESSAGE_BOX_RECORD box = Box(0);
            EXPECT_EQ(std::u16string(box.text),
                      u"予期しないエラーが発生しました。\n[隠し印刷の設定]の変更は破棄されます。");
            EXPECT_EQ(std::u16string(box.caption), u"警告");
            EXPECT_EQ(box.flags, static_cast<UINT>(MB_ICONWARNING));
            EXPECT_EQ(box.owner, owner);
        }
    }
    DestroyWindow(owner);
}

// The settings dialog through the page: cancelled nothing changes; failed, the user is told
// twice and nothing changes; answered, trust marking and the settings come back.
TEST_F(TrustPage, SettingsDialogAnswersReachTheRecord) {
    struct Case {
        const char16_t* script;
        DWORD on;
        BYTE firstByte;
        std::vector<std::u16string> boxes;
    } const cases[] = {
        {u"DisplayUI=2\nDisplayUIBlobHex=AA", 0, 'K', {}},
        {u"DisplayUI=-1",
         0,
         'K',
         {u"予期しないエラーが発生しました。\n[隠し印刷の設定]の変更は破棄されます。", u"KWE UI表示に失敗しました"}},
        {u"DisplayUIOn=1\nDisplayUIBlobHex=AA", 1, 0xAA, {}},
        {u"SetKWESettings=0\nDisplayUIOn=1\nDisplayUIBlobHex=BB", 1, 0xBB, {u"QZKWE_SetKWESettingsエラー"}},
    };
    for (const Case& c : cases) {
        PlatResetMessageBoxes();
        InstallLibrary(c.script);
        AgreeableSettings();
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, dm::TrustMarkResult, DWORD{0});
        r.bytes[kBlock] = 'K';
        for (size_t i = 0; i < c.boxes.size(); ++i) PlatQueueMessageBoxAnswer(IDOK);
        PressTrustMarking();
        EXPECT_EQ(Get(r, dm::TrustMarkResult), c.on);
        EXPECT_EQ(r.bytes[kBlock], c.firstByte);
        EXPECT_EQ(BoxTexts(), c.boxes);
    }
}

// The library may report any size: the record keeps it, but the dialog is handed and gives back at
// most the record's 4,096 bytes, and the field after the block is untouched. A block beginning
// with 'T' is no settings: zeros are handed.
TEST_F(TrustPage, SettingsNeverReachPastTheBlock) {
    struct Case {
        LONG librarySize;
        BYTE first;
        size_t handed;
        BYTE handedFirst;
    } const cases[] = {{8000, 'K', kBlockBytes, 'K'}, {64, 'K', 64, 'K'}, {64, 'T', 64, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.librarySize);
        const std::string digits = std::to_string(c.librarySize);
        const std::u16string size = u"GetSizeOfSettings=" + std::u16string(digits.begin(), digits.end());
        InstallLibrary(size + u"\nDisplayUIOn=1\nDisplayUIBlobHex=CC\nDisplayUIBlobSize=5000");
        AgreeableSettings();
        DriverDevmode& r = ui_->currentDevmode;
        std::fill(r.bytes + kBlock, r.bytes + kBlock + kBlockBytes, BYTE{0x11});
        r.bytes[kBlock] = c.first;
        const std::vector<BYTE> after(r.bytes + kBlock + kBlockBytes, r.bytes + sizeof r.bytes);
        PressTrustMarking();
        EXPECT_EQ(Get(r, dm::TrustBlobSize), static_cast<DWORD>(c.librarySize));
        EXPECT_EQ(Get(r, dm::TrustMarkResult), 1u);
        const std::vector<BYTE> handed = Handed();
        ASSERT_EQ(handed.size(), c.handed);
        EXPECT_EQ(handed[0], c.handedFirst);
        // The dialog left 0xCC and zeros in all the room it was given, and no more.
        EXPECT_EQ(r.bytes[kBlock], 0xCC);
        EXPECT_EQ(std::count(r.bytes + kBlock + 1, r.bytes + kBlock + c.handed, BYTE{0}),
                  static_cast<long>(c.handed - 1));
        EXPECT_EQ(std::count(r.bytes + kBlock + c.handed, r.bytes + kBlock + kBlockBytes, BYTE{0x11}),
                  static_cast<long>(kBlockBytes - c.handed));
        EXPECT_EQ(std::vector<BYTE>(r.bytes + kBlock + kBlockBytes, r.bytes + sizeof r.bytes), after);
    }
}

// The owner name: the logon name when the record says so, read into room for 32 characters and
// "UnknownUser" when it cannot be read or does not survive the system code page; else the user
// id of the record; nothing when no owner name is sent.
TEST_F(TrustPage, OwnerNameForTheLibrary) {
    const std::u16string longName(25, u'u');
    struct Case {
        const char* what;
        DWORD flags;
        const char16_t* logon;
        std::string owner;
    } const cases[] = {
        {"logon name", 0x600000, u"orla", "orla"},
        {"a logon name of 25 characters", 0x600000, longName.c_str(), std::string(25, 'u')},
        {"a logon name too long to read", 0x600000, u"abcdefghijklmnopqrstuvwxyz0123456789", "UnknownUser"},
        {"a logon name the code page lacks", 0x600000, u"\uD55C\uAE00", "UnknownUser"},
        {"the record's user id", 0x200000, u"orla", "Accountant"},
        {"no owner name sent", 0x400000, u"orla", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlatSetUserName(c.logon);
        DriverDevmode r{};
        Set(r, dm::Flags2, c.flags);
        SetText(r, dm::SetUserId, u"Accountant");
        char owner[kKweOwnerBytes];
        std::fill(std::begin(owner), std::end(owner), 'x');
        BuildKweOwnerName(r, owner);
        EXPECT_EQ(std::string(owner), c.owner);
        EXPECT_TRUE(std::all_of(owner + c.owner.size(), std::end(owner), [](char b) { return b == 0; }));
    }
}

// After the settings dialog turned trust marking on, what does not go with it is said: the
// settings' conflicts in one box, then the paper and resolution in another, each after a beep.
TEST_F(TrustPage, ConflictWarningsAfterTheSettings) {
    struct Case {
        const char* what;
        std::function<void(DriverDevmode&)> setup;
        std::vector<std::vector<UINT>> boxes;  // each box's text by the ids it joins
    };
    const auto tonerSave = [](DriverDevmode& r) { Set(r, dm::Flags1, Get(r, dm::Flags1) | kFlags1TonerSave); };
    const auto conversionAt200 = [](DriverDevmode& r) {
        SetText(r, dm::FormName, u"A4->A3");
        AsDevmode(r)->dmPrintQuality = 200;
    };
    const Case cases[] = {
        {"nothing to say", [](DriverDevmode&) {}, {}},
        {"toner save alone", tonerSave, {{784}}},
        {"density and the excluded mode",
         [](DriverDevmode& r) {
             Set(r, dm::PrintDensity, WORD{1});
             Set(r, dm::Flags1, Get(r, dm::Flags1) | kFlags1NotWithTrust);
         },
         {{789, 792, 794}}},
        {"a conversion paper at 200 dpi (1200 dpi offered)", conversionAt200, {{799}}},
        {"both kinds",
         [&](DriverDevmode& r) {
             tonerSave(r);
             conversionAt200(r);
         },
         {{784}, {799}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlatResetMessageBoxes();
        PlatResetBeeps();
        InstallLibrary(u"DisplayUIOn=1");
        AgreeableSettings();
        c.setup(ui_->currentDevmode);
        for (size_t i = 0; i < c.boxes.size(); ++i) PlatQueueMessageBoxAnswer(IDOK);
        PressTrustMarking();
        std::vector<std::u16string> expected;
        for (const std::vector<UINT>& box : c.boxes) {
            expected.emplace_back();
            for (UINT id : box) expected.back() += Text(id);
        }
        EXPECT_EQ(BoxTexts(), expected);
        EXPECT_EQ(PlatBeepCount(), c.boxes.size());
        for (DWORD i = 0; i < PlatMessageBoxCount(); ++i) {
            EXPECT_EQ(std::u16string(Box(i).caption), kFriendlyCaption);
            EXPECT_EQ(Box(i).flags, static_cast<UINT>(MB_ICONWARNING));
        }
    }
}

}  // namespace stamp_page_trust_test

#endif  // ORLA_JAPANESE
