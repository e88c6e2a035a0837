// The language resource DLLs as a user reads them, in all four (Japanese and English, of both
// graphics DLL names): every string the pages, their fillers and the item lists load is there and
// not empty, and every control of every dialog template shows its whole text, measured with the
// faces the windows are drawn in, in its rectangle.
#include <memory>
#include <string>
#include <vector>

#include "plat/dialog_template.h"
#include "plat/host_text.h"
#include "plat/resource_table.h"
#include "plat/window_render.h"
#include "resources/lang/device_page_ids.h"
#include "tests/ui/ui_fixture.h"
#include "ui/pages/setting_items.h"
#include "ui/pages/summary_tree.h"
#include "win/user.h"
#include "win/user_controls.h"

namespace {

using orla_ui_test::BinDir;
using orla_ui_test::LibraryPtr;
using orla_ui_test::Widen;

struct WindowClose {
    void operator()(HWND__* h) const {
        if (IsWindow(h)) DestroyWindow(h);
    }
};
using WindowPtr = std::unique_ptr<HWND__, WindowClose>;

const char* const kResourceDlls[] = {"Quessaj.dll", "Quessae.dll", "Brindaj.dll", "Brindae.dll"};

// Texts loaded by id outside the item tables, by who loads them.
struct LoadedRange {
    const char* loader;
    UINT first;
    UINT last;
};
const LoadedRange kLoadedTexts[] = {
    {"printer language", 99, 99},
    {"job-does-not-fit messages", 100, 120},
    {"input slot and option names", 200, 219},
    {"slot names shown (slot id + 100)", 300, 308},
    {"slot name shown for MP", 319, 319},
    {"tray paper states", 352, 353},
    {"output paper: same as the paper", 468, 468},
    {"frame combo", 505, 509},
    {"page order combo, portrait and landscape 2-up and n-up", 514, 521},
    {"duplex combo", 522, 524},
    {"binding combo", 525, 526},
    {"layout combo", 601, 602},
    {"layout combo", 604, 604},
    {"layout combo", 606, 606},
    {"layout combo", 608, 609},
    {"layout combo", 616, 616},
    {"manual slot paper types (670 + type)", 670, 673},
    {"paper rule warnings", 737, 738},
    {"text-entry modes", 762, 764},
    {"job-name choice", 768, 769},
    {"page warnings", 800, 800},
    {"page warnings", 809, 809},
    {"page warnings", 811, 811},
    {"page warnings", 813, 815},
    {"configuration refresh messages", 817, 819},
    {"paper rule warnings", 822, 822},
    {"paper rule warnings", 824, 824},
    {"stamp store", 830, 830},
    {"stamp editor: sizes", 630, 639},
    {"stamp editor: greys", 640, 645},
    {"stamp editor: scales", 650, 656},
    {"stamp editor: angles", 660, 664},
    {"stamp editor: browse filter", 828, 828},
    {"stamp editor: messages", 831, 832},
    {"stamp editor: messages", 834, 837},
    {"stamp editor: size range", 862, 862},
    {"output trays (850 + tray)", 850, 853},
    {"paper rule warnings", 856, 856},
    {"paper rule warnings", 858, 858},
    {"text-entry warnings", 866, 869},
    {"paper types (880 + type)", 880, 889},
    {"account warnings", 890, 892},
    {"account user ID kinds", 777, 778},
    {"printer fonts of the TrueType substitution", 462, 467},
    {"TrueType substitution column heads", 536, 537},
    {"text-entry warnings", 917, 920},
    {"memory label: standard", 488, 488},
    {"tray-set text: none, trays, manual slot", 484, 484},
    {"tray-set text: trays", 301, 304},
    {"tray-set text: manual slot", 1307, 1307},
    {"graphics mode's other off choice", 859, 859},
    {"summary rows: feeders", 301, 305},
    {"summary rows: options", 309, 309},
    {"summary rows: options", 316, 317},
    {"summary rows: options", 354, 354},
    {"summary rows: basic settings", 400, 400},
    {"summary rows: layout", 402, 404},
    {"summary rows: duplex and binding", 407, 408},
    {"summary rows: collate and separation", 410, 410},
    {"summary rows: collate and separation", 412, 412},
    {"summary rows: paper and source", 417, 417},
    {"summary rows: paper and source", 419, 419},
    {"summary rows: paper, zoom, orientation, source", 421, 426},
    {"summary rows: copies and groups", 428, 434},
    {"summary rows: groups and settings", 436, 459},
    {"summary rows: stamp", 552, 552},
    {"summary rows: stamp", 554, 554},
    {"summary rows: blank pages", 570, 570},
    {"summary rows: halftone tables", 599, 599},
    {"summary rows: save paper", 731, 731},
    {"summary rows: print mode", 779, 781},
    {"summary rows: pattern download", 840, 840},
    {"summary rows: image", 876, 876},
    {"summary rows: image", 879, 879},
    {"summary rows: document monitor", 1094, 1094},
    {"summary values: separate trays, slip sheets", 320, 321},
    {"summary values: on, off, yes, no, default, custom", 474, 479},
    {"summary values: glyphs", 481, 482},
    {"summary values: none, cassettes, installed, standard, raster", 484, 489},
    {"summary values: density", 492, 496},
    {"summary values: panel shows nothing", 502, 502},
    {"summary values: orientation", 527, 528},
    {"summary values: pattern, vector, black text", 538, 541},
    {"summary values: grey text", 544, 544},
    {"summary values: off, on", 571, 572},
    {"summary values: optimisation", 782, 783},
    {"summary values: output paper choice", 860, 861},
    {"summary values: image adjustment mode", 870, 871},
    {"summary values: pattern download", 905, 905},
    {"summary values: document monitor", 1092, 1093},
    {"summary values: source names", 307, 307},
    {"layout details: front group without a back side", 473, 473},
    {"layout details: image off the printable area", 810, 810},
    {"factory favourite names", 531, 531},
    {"factory favourite names", 533, 533},
    {"factory favourite names", 620, 624},
    {"factory favourite comments", 718, 718},
    {"factory favourite comments", 720, 720},
    {"factory favourite comments", 726, 730},
    {"favourites dialogs' messages", 801, 805},
    {"favourites dialogs' messages", 893, 894},
};
// Items whose values are labels of their own (resolution, memory) and have no choice list.
const WORD kLabelItems[] = {432, 459};

// Every setting item the item tables know (an item with a choice list) and its choices.
std::vector<UINT> ItemTexts() {
    std::vector<UINT> ids;
    for (UINT item = 1; item < 0x10000; ++item) {
        const std::span<const WORD> choices = orla::ItemChoiceList(static_cast<WORD>(item));
        if (choices.empty()) continue;
        ids.push_back(item);
        ids.insert(ids.end(), choices.begin(), choices.end());
    }
    ids.insert(ids.end(), std::begin(kLabelItems), std::end(kLabelItems));
    return ids;
}

// Every row label of the settings summary's tables (the printer row shows the printer's name but
// has its label too).
std::vector<UINT> SummaryRowLabels() {
    std::vector<UINT> ids;
    for (const orla::TreeRow* table :
         {orla::DeviceTreeRows(), orla::DocumentTreeRowsShort(), orla::DocumentTreeRowsFull()}) {
        for (UINT i = 0; i < orla::TreeRowCount(table); ++i) ids.push_back(table[i].rowId);
    }
    return ids;
}

class LanguageResources : public orla_ui_test::UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        host_.reset(CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr));
        ASSERT_NE(host_, nullptr);
    }
    void TearDown() override {
        host_.reset();
        UiSandbox::TearDown();
    }
    LibraryPtr Load(const char* dll) {
        const std::u16string path = u"C:\\Windows\\System32\\" + Widen(dll);
        EXPECT_TRUE(PlatCopyIntoSandbox((BinDir() + "/" + dll).c_str(), path.c_str())) << dll;
        return LibraryPtr(LoadLibraryW(path.c_str()));
    }
    WindowPtr host_;
};

std::u16string Text(HMODULE module, UINT id) {
    WCHAR text[256] = {};
    const int n = LoadStringW(module, id, text, 256);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

TEST_F(LanguageResources, EveryLoadedStringExistsAndIsNotEmpty) {
    const std::vector<UINT> items = ItemTexts();
    ASSERT_GT(items.size(), 60u) << "the item tables give their items and choices";
    for (const char* dll : kResourceDlls) {
        LibraryPtr module = Load(dll);
        ASSERT_TRUE(module) << dll;
        for (UINT id : items) EXPECT_FALSE(Text(module.get(), id).empty()) << dll << ": item text " << id;
        for (UINT id : SummaryRowLabels())
            EXPECT_FALSE(Text(module.get(), id).empty()) << dll << ": summary row " << id;
        for (const LoadedRange& r : kLoadedTexts)
            for (UINT id = r.first; id <= r.last; ++id)
                EXPECT_FALSE(Text(module.get(), id).empty()) << dll << ": " << r.loader << " " << id;
    }
}

// The Japanese and English DLLs say the same things in their own languages: an item's name or
// choice that reads the same in both (not a number or a code) was left untranslated.
TEST_F(LanguageResources, JapaneseTextsAreJapanese) {
    LibraryPtr ja = Load("Quessaj.dll"), en = Load("Quessae.dll");
    ASSERT_TRUE(ja && en);
    for (UINT id : ItemTexts()) {
        const std::u16string j = Text(ja.get(), id), e = Text(en.get(), id);
        bool hasLetters = false;
        for (char16_t ch : e) hasLetters = hasLetters || (ch >= u'a' && ch <= u'z');
        if (hasLetters) {
            EXPECT_NE(j, e) << "item text " << id;
        }
    }
}

// The dialog templates a module's resource table carries.
std::vector<std::pair<UINT, const ORLA_DIALOG_TEMPLATE*>> Templates(HMODULE module) {
    std::vector<std::pair<UINT, const ORLA_DIALOG_TEMPLATE*>> out;
    const auto* table =
        reinterpret_cast<const ORLA_RESOURCE_TABLE*>(GetProcAddress(module, ORLA_RESOURCE_TABLE_SYMBOL));
    if (!table) return out;
    for (DWORD i = 0; i < table->count; ++i) {
        const ORLA_RESOURCE& r = table->entries[i];
        if (r.type == 5 && r.size == sizeof(ORLA_DIALOG_TEMPLATE))
            out.emplace_back(r.id, static_cast<const ORLA_DIALOG_TEMPLATE*>(r.data));
    }
    return out;
}

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

std::string ControlTextUtf8(HWND control) {
    WCHAR text[256] = {};
    GetWindowTextW(control, text, 256);
    return plat::Utf16ToUtf8(text);
}

TEST_F(LanguageResources, EveryControlShowsItsWholeText) {
    for (const char* dll : kResourceDlls) {
        LibraryPtr module = Load(dll);
        ASSERT_TRUE(module) << dll;
        const auto templates = Templates(module.get());
        ASSERT_GE(templates.size(), 10u) << dll;
        for (const auto& [id, t] : templates) {
            WindowPtr owned(CreateDialogParamW(module.get(), MAKEINTRESOURCEW(id),
                                               (t->style & WS_CHILD) ? host_.get() : nullptr, QuietDialog, 0));
            HWND dialog = owned.get();
            ASSERT_NE(dialog, nullptr) << dll << " template " << id;
            int measured = 0;
            for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                PLAT_TEXT_ROOM room{};
                ASSERT_TRUE(PlatMeasureControlText(c, &room));
                if (room.lines == 0) continue;
                ++measured;
                const std::string where = std::string(dll) + " template " + std::to_string(id) + " control " +
                                          std::to_string(GetDlgCtrlID(c)) + " \"" + ControlTextUtf8(c) + "\"";
                EXPECT_LE(room.needed, room.available) << where;
                EXPECT_LE(room.lines, room.linesAvailable) << where;
            }
            EXPECT_GT(measured, 0) << dll << " template " << id;
        }
    }
}

// The device sheet's pages and the account dialog carry every control their code names, in all
// four DLLs.
TEST_F(LanguageResources, DevicePagesCarryTheirControls) {
    using namespace orla_res::device_page;
    const struct {
        UINT templateId;
        std::vector<int> controls;
    } templates[] = {
        {kTemplateSettings,
         {kGlyphsLabel, kGlyphs, kMarginsLabel, kMargins, kHeaderLimitLabel, kHeaderLimit, kAccountStoreLabel,
          kAccountStore, kAccountSettings, kTablesGroup, kTrueTypeTable, kOutPaperTable, kRestoreDefaults, kHelp}},
        {kTemplateOptions,
         {kPrinter, kTraysGroup, kTraysLabel, kTrays, kOptionsLabel, kOptions, kValueGroup, kValueLabel, kValue,
          kGetConfiguration, kHelp}},
        {kTemplateAccount,
         {kAccountOn, kAccountOff, kUserIdKindLabel, kUserIdKind, kUserIdLabel, kUserId, kPasswordLabel, kPassword,
          kShowLastEntry, kHideUserId, kAccountDefaults, kAccountOk, kAccountCancel, kAccountHelp}},
    };
    for (const char* dll : kResourceDlls) {
        LibraryPtr module = Load(dll);
        ASSERT_TRUE(module) << dll;
        for (const auto& t : templates) {
            WindowPtr owned(CreateDialogParamW(module.get(), MAKEINTRESOURCEW(t.templateId),
                                               t.templateId == kTemplateAccount ? nullptr : host_.get(), QuietDialog,
                                               0));
            ASSERT_NE(owned, nullptr) << dll << " template " << t.templateId;
            for (int id : t.controls)
                EXPECT_NE(GetDlgItem(owned.get(), id), nullptr) << dll << " template " << t.templateId << " " << id;
        }
        EXPECT_FALSE(Text(module.get(), kTextLogonName).empty()) << dll;
        EXPECT_FALSE(Text(module.get(), kTextEnteredUserId).empty()) << dll;
    }
}

// The measure follows the drawing: a text that is cut in the picture is reported too long.
TEST_F(LanguageResources, MeasureReportsTextLongerThanItsControl) {
    WindowPtr ownedButton(CreateWindowExW(0, u"Button", u"&Get Configuration", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0,
                                          0, 60, 20, host_.get(), nullptr, nullptr, nullptr));
    HWND button = ownedButton.get();
    ASSERT_NE(button, nullptr);
    PLAT_TEXT_ROOM room{};
    ASSERT_TRUE(PlatMeasureControlText(button, &room));
    EXPECT_GT(room.needed, room.available);
    EXPECT_EQ(room.needed, PlatMeasureText(u"Get Configuration")) << "the mnemonic marker takes no room";
    MoveWindow(button, 0, 0, room.needed + 20, 20, FALSE);
    ASSERT_TRUE(PlatMeasureControlText(button, &room));
    EXPECT_LE(room.needed, room.available);
    // A static wraps, and then needs the height of its lines.
    WindowPtr ownedLabel(CreateWindowExW(0, u"Static", u"Retrieving the configuration from the printer.",
                                         WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 90, 13, host_.get(), nullptr, nullptr,
                                         nullptr));
    HWND label = ownedLabel.get();
    ASSERT_TRUE(PlatMeasureControlText(label, &room));
    EXPECT_GT(room.lines, room.linesAvailable);
    MoveWindow(label, 0, 0, 90, 13 * room.lines, FALSE);
    ASSERT_TRUE(PlatMeasureControlText(label, &room));
    EXPECT_LE(room.lines, room.linesAvailable);
}

}  // namespace
