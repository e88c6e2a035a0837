// The option constraint pass: one or more record-in / record-out cases per rule with the controls
// and tree items each leaves on or off, the context's flags, the resolver runs, idempotence, and
// the document monitor asked once per context.
#include <cstring>
#include <memory>
#include <string>

#include "core/settings.h"
#include "core/support.h"
#include "resources/lang/basic_page_ids.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/ui_flags.h"
#include "ui_fixture.h"

using namespace orla;
using namespace orla_ui_test;
namespace basic = orla_res::basic_page;

namespace {

std::u16string ConstraintDescription() {
    std::u16string text =
        u"*Version: 4\r\n*FriendlyName: \"QEV Constraint\"\r\n*PrinterName: \"QEV Constraint\"\r\n"
        u"*PrivateID: 0x51455631\r\n*DefaultResolution: 600\r\n"
        u"*Resolution: 600 \"\" 0 \"\" 0\r\n*Resolution: 1200 \"\" 0 \"\" 0\r\n"
        u"*DefaultInputSlot: \"AUTO\" 7\r\n*InputSlot: \"AUTO\" 7\r\n*InputSlot: \"FEEDER1\" 257\r\n"
        u"*InputSlot: \"FEEDER2\" 258\r\n*InputSlot: \"MANUAL\" 4\r\n"
        u"*DefaultMemorySize: 65536 0 0 0 0 0 0\r\n*MemorySize: 65536 0 0 0 0 0 0\r\n"
        u"*MaxForm: 297000 431800\r\n*MinForm: 90000 148000\r\n"
        u"*DefaultForm: \"A4\" 210000 297000 5000 5000 205000 292000\r\n"
        u"*FormPort: \"A4\" 210000 297000 5000 5000 205000 292000\r\n"
        u"*FormPort: \"A3\" 297000 420000 5000 5000 292000 415000\r\n"
        u"*FormPort: \"B4 (JIS)\" 257000 364000 5000 5000 252000 359000\r\n"
        u"*FormPort: \"A4->A3\" 210000 297000 5000 5000 205000 292000\r\n"
        u"*FormPort: \"LP->A4\" 297000 420000 5000 5000 292000 415000\r\n";
    for (const char16_t* name : {kLongPaperFormName, kFormEnvelopeYou4}) {
        const bool longPaper = std::u16string_view(name) == kLongPaperFormName;
        text += u"*FormPort: \"";
        text += name;
        text += longPaper ? u"\" 297000 900000 5000 5000 292000 895000\r\n"
                          : u"\" 105000 235000 5000 5000 100000 230000\r\n";
    }
    return text;
}

// Editors write a field and its remembered field together; the cases do the same.
void ChooseForm(DriverDevmode& r, std::u16string_view name) {
    SetText(r, dm::FormName, name);
    SetText(r, dm::PrevFormName, name);
}
void ChooseFlag1(DriverDevmode& r, DWORD bit, bool on) {
    for (auto f : {dm::Flags1, dm::SavedFlags1}) Set(r, f, on ? Get(r, f) | bit : Get(r, f) & ~bit);
}
void Install(DriverDevmode& r, unsigned pair) {
    Set(r, dm::DeviceState(pair), static_cast<WORD>(Get(r, dm::DeviceState(pair)) | dm::kDeviceInstalled));
}
void OverlayOn(DriverDevmode& r) {
    for (auto f : {dm::FlagsWord, dm::SavedFlagsWord}) Set(r, f, static_cast<WORD>(Get(r, f) | kFlagsWordOverlayOn));
}
void TrustOn(DriverDevmode& r) {
    if constexpr (kJapaneseBuild) Set(r, dm::TrustMarkResult, DWORD{1});
}
bool Bit(const DriverDevmode& r, DmField<DWORD> f, DWORD bit) {
    return (Get(r, f) & bit) != 0;
}

void ExpectControls(const SwitchedItems& items, std::initializer_list<int> ids, bool on) {
    for (int id : ids) {
        ASSERT_TRUE(items.controls.count(id)) << "control " << id << " untouched";
        EXPECT_EQ(items.ControlOn(id), on) << "control " << id;
    }
}
void ExpectTrees(const SwitchedItems& items, std::initializer_list<int> ids, bool on) {
    for (int id : ids) {
        ASSERT_TRUE(items.treeItems.count(id)) << "tree item " << id << " untouched";
        EXPECT_EQ(items.TreeItemOn(id), on) << "tree item " << id;
    }
}

enum Config { kNoConfig, kManualConfig };

struct ConstraintCase {
    const char* what;
    int rule;
    Config config;
    void (*in)(DriverDevmode&);
    void (*out)(const DriverDevmode&, const SwitchedItems&);
};

// clang-format off
const ConstraintCase kCases[] = {
    {"no configuration counts as the printer's own", 0, kNoConfig,
     [](DriverDevmode&) {},
     [](const DriverDevmode&, const SwitchedItems& i) { ExpectTrees(i, {451}, true); }},
    {"a manual configuration disables the configuration item", 0, kManualConfig,
     [](DriverDevmode&) {},
     [](const DriverDevmode&, const SwitchedItems& i) { ExpectTrees(i, {451}, false); }},
    {"the overlay takes the paper and keeps the chosen one", 1, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); SetText(r, dm::PrevFormName, u"A3"); OverlayOn(r); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(GetText(r, dm::FormName), u"A4");
         EXPECT_EQ(GetText(r, dm::PrevFormName), u"A3");
         ExpectControls(i, {1201, basic::kPaperSizePicture, 1203, basic::kPaperSize}, false);
         ExpectTrees(i, {419}, false);
     }},
    {"without the overlay the remembered paper comes back", 1, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); SetText(r, dm::PrevFormName, u"A3"); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(GetText(r, dm::FormName), u"A3");
         EXPECT_EQ(AsDevmode(r)->dmPaperWidth, 2970);
         EXPECT_EQ(AsDevmode(r)->dmPaperLength, 4200);
         ExpectControls(i, {1201, basic::kPaperSizePicture, 1203, basic::kPaperSize}, true);
         ExpectTrees(i, {419}, true);
     }},
    {"a conversion form takes the chosen output paper and remembers it", 2, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4->A3"); ChooseFlag1(r, kFlags1ManualOutPaper, true);
                            Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) & ~kFlags1ManualOutPaper); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_FALSE(Bit(r, dm::Flags1, kFlags1ManualOutPaper));
         EXPECT_TRUE(Bit(r, dm::SavedFlags1, kFlags1ManualOutPaper));
         ExpectControls(i, {1205, 1209, 1210}, false);
         ExpectTrees(i, {422}, false);
     }},
    {"an unconverted form brings the chosen output paper back", 2, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) | kFlags1ManualOutPaper); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_TRUE(Bit(r, dm::Flags1, kFlags1ManualOutPaper));
         ExpectControls(i, {1205, 1209, 1210}, true);
         ExpectTrees(i, {422}, true);
     }},
    {"a conversion form takes the chosen zoom", 3, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4->A3"); ChooseFlag1(r, kFlags1ManualZoom, true);
                            Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) & ~kFlags1ManualZoom); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_FALSE(Bit(r, dm::Flags1, kFlags1ManualZoom));
         EXPECT_TRUE(Bit(r, dm::SavedFlags1, kFlags1ManualZoom));
         ExpectControls(i, {1212, 1213}, false);
         ExpectTrees(i, {423}, false);
     }},
    {"a chosen output paper comes back from its remembered fields", 4, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); ChooseFlag1(r, kFlags1ManualOutPaper, true);
                            SetText(r, dm::SavedOutPaperName, u"A3"); Set(r, dm::SavedOutPaperIndex, WORD{1}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(GetText(r, dm::OutPaperName), u"A3");
         EXPECT_EQ(Get(r, dm::OutPaperWidth), 2970);
         ExpectControls(i, {1206, 1207, 1208}, true);
         ExpectTrees(i, {421}, true);
     }},
    {"without a chosen output paper its controls are off", 4, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); ChooseFlag1(r, kFlags1ManualOutPaper, false); },
     [](const DriverDevmode&, const SwitchedItems& i) {
         ExpectControls(i, {1206, 1207, 1208}, false);
         ExpectTrees(i, {421}, false);
     }},
    {"long-paper conversion forces landscape and remembers portrait", 5, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"LP->A4"); AsDevmode(r)->dmOrientation = DMORIENT_PORTRAIT;
                            Set(r, dm::PrevOrientation, WORD{DMORIENT_PORTRAIT}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(AsDevmode(r)->dmOrientation, DMORIENT_LANDSCAPE);
         EXPECT_EQ(Get(r, dm::PrevOrientation), DMORIENT_PORTRAIT);
         ExpectControls(i, {basic::kOrientationPicture, 1220, 1216, basic::kPortrait, basic::kLandscape}, false);
         ExpectTrees(i, {425}, false);
     }},
    {"the remembered orientation comes back", 5, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); AsDevmode(r)->dmOrientation = DMORIENT_PORTRAIT;
                            Set(r, dm::PrevOrientation, WORD{DMORIENT_LANDSCAPE}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(AsDevmode(r)->dmOrientation, DMORIENT_LANDSCAPE);
         ExpectControls(i, {basic::kOrientationPicture, 1220, 1216, basic::kPortrait, basic::kLandscape}, true);
     }},
    {"unsupported paper remembers the section trays", 6, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, kLongPaperFormName);
                            Set(r, dm::FirstSheetTray, DWORD{257}); Set(r, dm::SeparateDefaultTray, DWORD{258}); },
     [](const DriverDevmode& r, const SwitchedItems&) {
         EXPECT_EQ(Get(r, dm::FirstSheetTray), 4u);
         EXPECT_EQ(Get(r, dm::SavedFirstSheetTray), 257u);
         EXPECT_EQ(Get(r, dm::SavedSeparateDefaultTray), 258u);
     }},
    {"supported paper brings the section trays back", 6, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Set(r, dm::FrontCoverTray, DWORD{4});
                            Set(r, dm::SavedFrontCoverTray, DWORD{257}); Set(r, dm::SavedSlipSheetTray, DWORD{258}); },
     [](const DriverDevmode& r, const SwitchedItems&) {
         EXPECT_EQ(Get(r, dm::FrontCoverTray), 257u);
         EXPECT_EQ(Get(r, dm::SlipSheetTray), 258u);
     }},
    {"slip sheets take separate trays away and remember them", 7, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Set(r, dm::SlipSheetsOn, DWORD{1}); Set(r, dm::SavedSlipSheetsOn, DWORD{1});
                            Set(r, dm::SeparateTraysOn, DWORD{1}); Set(r, dm::SavedSeparateTraysOn, DWORD{0}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::SeparateTraysOn), 0u);
         EXPECT_EQ(Get(r, dm::SavedSeparateTraysOn), 1u);
         EXPECT_EQ(Get(r, dm::SlipSheetsOn), 1u);
         ExpectControls(i, {2901}, false);
         ExpectControls(i, {2902}, true);
     }},
    {"long paper takes slip sheets away and remembers them", 8, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, kLongPaperFormName); Set(r, dm::SlipSheetsOn, DWORD{1});
                            Set(r, dm::SavedSlipSheetsOn, DWORD{0}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::SlipSheetsOn), 0u);
         EXPECT_EQ(Get(r, dm::SavedSlipSheetsOn), 1u);
         ExpectControls(i, {2901, 2902}, false);
     }},
    {"long paper forces the source and remembers the chosen one", 9, kManualConfig,
     [](DriverDevmode& r) { ChooseForm(r, kLongPaperFormName); AsDevmode(r)->dmDefaultSource = 257;
                            Set(r, dm::PrevDefaultSource, WORD{0}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_NE(AsDevmode(r)->dmDefaultSource, 257);
         EXPECT_EQ(Get(r, dm::PrevDefaultSource), 257);
         ExpectControls(i, {1221, 1222, 1223}, false);
         ExpectTrees(i, {426}, false);
     }},
    {"paper type always comes from its remembered field", 10, kNoConfig,
     [](DriverDevmode& r) { Set(r, dm::PaperType, WORD{1}); Set(r, dm::SavedPaperType, WORD{2}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::PaperType), 2);
         ExpectControls(i, {basic::kBindingPicture, 1225, 1226}, true);
         ExpectTrees(i, {427}, true);
     }},
    {"manual-slot paper type always comes from its remembered field", 11, kNoConfig,
     [](DriverDevmode& r) { Set(r, dm::ManualPaperType, WORD{1}); Set(r, dm::SavedManualPaperType, WORD{3}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::ManualPaperType), 3);
         ExpectControls(i, {3463, 3464}, true);
         ExpectTrees(i, {669}, true);
     }},
    {"without stacker or face-up tray the output tray is fixed, a listed paper remembers nothing", 12, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Set(r, dm::OutputTray, WORD{2}); Set(r, dm::SavedOutputTray, WORD{0}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::OutputTray), 1);
         EXPECT_EQ(Get(r, dm::SavedOutputTray), 0);
         ExpectControls(i, {1232, 1233, 1234}, false);
         ExpectTrees(i, {854}, false);
     }},
    {"with stacker and face-up tray the remembered output tray comes back", 12, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Install(r, dm::kLcs); Install(r, dm::kFut);
                            Set(r, dm::OutputTray, WORD{1}); Set(r, dm::SavedOutputTray, WORD{2}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::OutputTray), 2);
         ExpectControls(i, {1232, 1233, 1234}, true);
     }},
    {"an unlisted paper remembers the output tray it cannot use", 12, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"Custom"); Set(r, dm::OutputTray, WORD{2}); Set(r, dm::SavedOutputTray, WORD{0}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::OutputTray), 1);
         EXPECT_EQ(Get(r, dm::SavedOutputTray), 2);
         ExpectControls(i, {1232, 1233, 1234}, false);
     }},
    {"an unlisted paper of 200 mm goes to the face-up tray", 12, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"Custom"); Install(r, dm::kFut); Set(r, dm::OutputTray, WORD{1});
                            Set(r, dm::SavedOutputTray, WORD{3}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::OutputTray), 3);
         ExpectControls(i, {1232, 1233, 1234}, true);
     }},
    {"an envelope rules duplex out and remembers it", 13, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, kFormEnvelopeYou4); AsDevmode(r)->dmDuplex = DMDUP_VERTICAL;
                            Set(r, dm::PrevDuplex, WORD{DMDUP_SIMPLEX}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(AsDevmode(r)->dmDuplex, DMDUP_SIMPLEX);
         EXPECT_EQ(Get(r, dm::PrevDuplex), DMDUP_VERTICAL);
         EXPECT_EQ(Get(r, dm::DuplexAvailable), 0u);
         ExpectTrees(i, {407}, false);
     }},
    {"a custom paper leaves duplex available without a duplex unit", 13, kManualConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"Custom"); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::DuplexAvailable), 1u);
         EXPECT_EQ(AsDevmode(r)->dmDuplex, DMDUP_SIMPLEX);  // the resolver still needs the unit
         ExpectTrees(i, {407}, true);
     }},
    {"leaving long paper brings 1200 dpi back", 13, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); AsDevmode(r)->dmPrintQuality = 600;
                            Set(r, dm::RememberedQuality, WORD{1200}); },
     [](const DriverDevmode& r, const SwitchedItems&) {
         EXPECT_EQ(AsDevmode(r)->dmPrintQuality, 1200);
         EXPECT_EQ(Get(r, dm::RememberedQuality), 600);
     }},
    {"a conversion form disables zoom and layout and keeps the remembered zoom", 14, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4->A3"); Set(r, dm::Zoom, WORD{150}); Set(r, dm::SavedZoom, WORD{150}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::SavedZoom), 150);
         EXPECT_NE(Get(r, dm::Zoom), 150);
         EXPECT_EQ(Get(r, dm::LayoutAvailable), 0u);
         ExpectControls(i, {1214, 1215, 1177}, false);
         ExpectTrees(i, {424, 402}, false);
     }},
    {"a chosen zoom comes back from its remembered field", 14, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); ChooseFlag1(r, kFlags1ManualZoom, true); Set(r, dm::LayoutMode, WORD{1});
                            Set(r, dm::Zoom, WORD{100}); Set(r, dm::SavedZoom, WORD{80}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::Zoom), 80);
         ExpectControls(i, {1214, 1215, 1177}, true);
     }},
    {"the remembered layout comes back", 15, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Set(r, dm::LayoutMode, WORD{1}); Set(r, dm::SavedLayoutMode, WORD{4}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::LayoutMode), 4);
         EXPECT_EQ(Get(r, dm::LayoutAvailable), 1u);
         ExpectTrees(i, {402}, true);
     }},
    {"several pages a sheet bring the frame back", 16, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Set(r, dm::LayoutMode, WORD{2}); Set(r, dm::SavedLayoutMode, WORD{2});
                            Set(r, dm::SavedFrameKind, WORD{1}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::FrameKind), 1);
         ExpectControls(i, {1115, 1116, 1117}, true);
         ExpectTrees(i, {403}, true);
     }},
    {"one page a sheet takes the frame and remembers it", 16, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Set(r, dm::LayoutMode, WORD{1}); Set(r, dm::SavedLayoutMode, WORD{1});
                            Set(r, dm::FrameKind, WORD{2}); Set(r, dm::SavedFrameKind, WORD{0}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::FrameKind), 0);
         EXPECT_EQ(Get(r, dm::SavedFrameKind), 2);
         ExpectControls(i, {1115, 1116, 1117}, false);
     }},
    {"two pages a sheet offer no page order beyond two", 17, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Set(r, dm::LayoutMode, WORD{2}); Set(r, dm::SavedLayoutMode, WORD{2}); },
     [](const DriverDevmode&, const SwitchedItems& i) {
         ExpectControls(i, {1120, 1121}, true);
         ExpectControls(i, {1124, 1125}, false);
         ExpectTrees(i, {404}, true);
     }},
    {"four pages a sheet offer every page order", 17, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Set(r, dm::LayoutMode, WORD{4}); Set(r, dm::SavedLayoutMode, WORD{4});
                            Set(r, dm::SavedLayoutOrder, WORD{3}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::LayoutOrder), 3);
         ExpectControls(i, {1120, 1121, 1124, 1125}, true);
     }},
    {"trust marking takes collate (the English build has none)", 18, kNoConfig,
     [](DriverDevmode& r) { TrustOn(r); ChooseFlag1(r, kFlags1Collate, true); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Bit(r, dm::Flags1, kFlags1Collate), !kJapaneseBuild);
         EXPECT_TRUE(Bit(r, dm::SavedFlags1, kFlags1Collate));
         ExpectControls(i, {1140, 1139, 1141}, !kJapaneseBuild);
         ExpectTrees(i, {410}, !kJapaneseBuild);
     }},
    {"stamp and annotation items follow their own switches", 19, kNoConfig,
     [](DriverDevmode& r) { Set(r, dm::StampDrawFlag, DWORD{1}); Set(r, dm::AnnotationOn, DWORD{0}); },
     [](const DriverDevmode&, const SwitchedItems& i) {
         ExpectTrees(i, {554}, true);
         ExpectTrees(i, {557, 558}, false);
     }},
    {"job separation with two trays of the set", 20, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); AsDevmode(r)->dmDefaultSource = 7; Install(r, dm::kFeeder1);
                            Install(r, dm::kFeeder2); Set(r, dm::TraySet, DWORD{0x3}); ChooseFlag1(r, kFlags1JobSeparate, true); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_TRUE(Bit(r, dm::Flags1, kFlags1JobSeparate));
         ExpectControls(i, {1143, 1142, 1144}, true);
         ExpectTrees(i, {412}, true);
     }},
    {"job separation with one tray is taken and remembered", 20, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); AsDevmode(r)->dmDefaultSource = 7; Install(r, dm::kFeeder1);
                            Set(r, dm::TraySet, DWORD{0x3}); ChooseFlag1(r, kFlags1JobSeparate, true); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_FALSE(Bit(r, dm::Flags1, kFlags1JobSeparate));
         EXPECT_TRUE(Bit(r, dm::SavedFlags1, kFlags1JobSeparate));
         ExpectControls(i, {1143, 1142, 1144}, false);
     }},
    {"offset stacking comes back with output tray 2", 21, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Install(r, dm::kLcs); Set(r, dm::OutputTray, WORD{2});
                            Set(r, dm::SavedOutputTray, WORD{2}); Set(r, dm::SavedOffsetStacking, DWORD{1}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::OffsetStacking), 1u);
         ExpectControls(i, {1167, 1166, 1168}, true);
         ExpectTrees(i, {735}, true);
     }},
    {"offset stacking is taken with output tray 1 and remembered", 21, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Set(r, dm::OutputTray, WORD{1}); Set(r, dm::SavedOutputTray, WORD{1});
                            Set(r, dm::OffsetStacking, DWORD{1}); Set(r, dm::SavedOffsetStacking, DWORD{0}); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Get(r, dm::OffsetStacking), 0u);
         EXPECT_EQ(Get(r, dm::SavedOffsetStacking), 1u);
         ExpectControls(i, {1167, 1166, 1168}, false);
     }},
    {"without a document monitor its switch is cleared and remembered", 22, kNoConfig,
     [](DriverDevmode& r) { ChooseFlag1(r, kFlags1JobMonitor, true);
                            Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) & ~kFlags1JobMonitor); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_FALSE(Bit(r, dm::Flags1, kFlags1JobMonitor));
         EXPECT_TRUE(Bit(r, dm::SavedFlags1, kFlags1JobMonitor));
         ExpectTrees(i, {1070}, false);
     }},
    {"two-sided printing with the unit offers the binding edge", 23, kManualConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Install(r, dm::kDuplex); AsDevmode(r)->dmDuplex = DMDUP_VERTICAL;
                            Set(r, dm::PrevDuplex, WORD{DMDUP_VERTICAL});
                            Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) | kFlags1BindingBack); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_TRUE(Bit(r, dm::Flags1, kFlags1BindingBack));
         ExpectControls(i, {basic::kBinding, 1135}, true);
         ExpectTrees(i, {408}, true);
     }},
    {"one-sided printing takes the binding edge and remembers it", 23, kManualConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); AsDevmode(r)->dmDuplex = DMDUP_VERTICAL;
                            Set(r, dm::PrevDuplex, WORD{DMDUP_VERTICAL}); ChooseFlag1(r, kFlags1BindingBack, true);
                            Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) & ~kFlags1BindingBack); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_FALSE(Bit(r, dm::Flags1, kFlags1BindingBack));
         EXPECT_TRUE(Bit(r, dm::SavedFlags1, kFlags1BindingBack));
         ExpectControls(i, {basic::kBinding, 1135}, false);
     }},
    {"several pages a sheet bring the page frame back", 24, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4"); Set(r, dm::LayoutMode, WORD{2}); Set(r, dm::SavedLayoutMode, WORD{2});
                            Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) | kFlags1PageFrame); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_TRUE(Bit(r, dm::Flags1, kFlags1PageFrame));
         ExpectControls(i, {1118, 1119}, true);
         ExpectTrees(i, {405}, true);
     }},
    {"raster mode forces the vector choices and remembers them", 25, kNoConfig,
     [](DriverDevmode& r) { ChooseFlag1(r, kFlags1RasterMode, true);
                            Set(r, dm::Flags1, Get(r, dm::Flags1) | kFlags1PatternBySize | kFlags1BlackText | kFlags1VectorOnly);
                            Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) & ~(kFlags1PatternBySize | kFlags1BlackText | kFlags1VectorOnly)); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         for (DWORD bit : {kFlags1PatternBySize, kFlags1BlackText, kFlags1VectorOnly}) {
             EXPECT_FALSE(Bit(r, dm::Flags1, bit)) << bit;
             EXPECT_TRUE(Bit(r, dm::SavedFlags1, bit)) << bit;
         }
         ExpectTrees(i, {433, 444, 443, 442}, false);
     }},
    {"leaving raster mode brings the vector choices back", 28, kNoConfig,
     [](DriverDevmode& r) { ChooseFlag1(r, kFlags1RasterMode, false);
                            Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) | kFlags1PatternBySize | kFlags1BlackText | kFlags1VectorOnly); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         for (DWORD bit : {kFlags1PatternBySize, kFlags1BlackText, kFlags1VectorOnly}) EXPECT_TRUE(Bit(r, dm::Flags1, bit)) << bit;
         ExpectTrees(i, {433, 444, 443}, true);
     }},
    {"device-font substitution follows raster mode (the English build never offers it)", 27, kNoConfig,
     [](DriverDevmode& r) { ChooseFlag1(r, kFlags1RasterMode, false); ChooseFlag1(r, kFlags1DeviceFontSubstitution, true); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Bit(r, dm::Flags1, kFlags1DeviceFontSubstitution), kJapaneseBuild);
         EXPECT_EQ(Bit(r, dm::SavedFlags1, kFlags1DeviceFontSubstitution), kJapaneseBuild);
         ExpectTrees(i, {442}, kJapaneseBuild);
     }},
    {"trust marking takes toner saving", 26, kNoConfig,
     [](DriverDevmode& r) { TrustOn(r); ChooseFlag1(r, kFlags1TonerSave, true); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_EQ(Bit(r, dm::Flags1, kFlags1TonerSave), !kJapaneseBuild);
         ExpectControls(i, {1044}, !kJapaneseBuild);
         EXPECT_EQ(i.treeItems.count(439), kJapaneseBuild ? 1u : 0u);
     }},
    {"the overlay takes its own mode bit's controls", 30, kNoConfig,
     [](DriverDevmode& r) { OverlayOn(r); },
     [](const DriverDevmode&, const SwitchedItems& i) {
         ExpectControls(i, {1297}, false);
         ExpectTrees(i, {456}, false);
     }},
    {"without the overlay its mode bit comes back", 30, kNoConfig,
     [](DriverDevmode& r) { Set(r, dm::SavedFlags2, Get(r, dm::SavedFlags2) | kFlags2OverlayMode);
                            Set(r, dm::Flags2, Get(r, dm::Flags2) & ~kFlags2OverlayMode); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_TRUE(Bit(r, dm::Flags2, kFlags2OverlayMode));
         ExpectControls(i, {1297}, true);
     }},
    {"trust marking takes the overlay switch", 31, kNoConfig,
     [](DriverDevmode& r) { TrustOn(r); },
     [](const DriverDevmode&, const SwitchedItems& i) {
         if (!kJapaneseBuild) {
             EXPECT_EQ(i.controls.count(1544), 0u);
             return;
         }
         ExpectControls(i, {1544}, false);
         ExpectTrees(i, {448}, false);
     }},
    {"with the overlay on the overlay-only bit comes back", 32, kNoConfig,
     [](DriverDevmode& r) { OverlayOn(r); Set(r, dm::SavedFlagsWord, static_cast<WORD>(Get(r, dm::SavedFlagsWord) | kFlagsWordOverlayOnly)); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         EXPECT_TRUE(Get(r, dm::FlagsWord) & kFlagsWordOverlayOnly);
         if (!kJapaneseBuild) {
             EXPECT_EQ(i.controls.count(2332) + i.controls.count(1364), 0u);
             return;
         }
         ExpectControls(i, {2332, 1541, 1542, 1540, 2300, 1364}, true);
     }},
    {"the conversion item stays on", 33, kNoConfig,
     [](DriverDevmode& r) { ChooseForm(r, u"A4->A3"); },
     [](const DriverDevmode&, const SwitchedItems& i) { ExpectTrees(i, {599}, true); }},
    {"trust marking takes enhancement, the trust-only bit and density", 34, kNoConfig,
     [](DriverDevmode& r) { TrustOn(r); ChooseFlag1(r, kFlags1NotWithTrust, true); },
     [](const DriverDevmode& r, const SwitchedItems& i) {
         if (!kJapaneseBuild) {
             EXPECT_EQ(i.treeItems.count(438) + i.treeItems.count(781) + i.treeItems.count(440), 0u);
             return;
         }
         EXPECT_TRUE(Bit(r, dm::Flags1, kFlags1ResolutionEnhance));
         EXPECT_FALSE(Bit(r, dm::Flags1, kFlags1NotWithTrust));
         EXPECT_EQ(Get(r, dm::PrintDensity), 3);
         ExpectTrees(i, {438, 781, 440}, false);
     }},
};
// clang-format on

class OptionConstraints : public UiSandbox {
protected:
    struct DataRelease {
        void operator()(const CompiledDeviceData* d) const { ReleaseDeviceData(d); }
    };
    struct ResourcesRelease {
        void operator()(HINSTANCE__* m) const { FreeResourceDll(m); }
    };

    void SetUp() override {
        UiSandbox::SetUp();
        const std::u16string path = driverDir_ + u"\\CONSTR.KDD";
        ASSERT_TRUE(orla_test::WriteWinFile(path, orla_test::DescriptionBytes(ConstraintDescription())));
        InstallNamed(u"Constraint", path, nullptr);
        data_.reset(GetDeviceData(printer_));
        ASSERT_NE(data_, nullptr);
        ASSERT_TRUE(AddDriverForms(printer_, data_.get()));
        // A user form the model does not list: 120 x 200 mm.
        FORM_INFO_1W custom{FORM_USER, const_cast<LPWSTR>(u"Custom"), {120000, 200000}, {0, 0, 120000, 200000}};
        ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<LPBYTE>(&custom)));
        resources_.reset(LoadResourceDll(printer_));
        ASSERT_NE(resources_, nullptr);
        SetDefaultDevmode(&record_, printer_, nullptr, data_.get());
        config_.extStatus = 0;
    }
    void TearDown() override {
        data_.reset();
        resources_.reset();
        UiSandbox::TearDown();
    }

    UINT Pass(Config config = kNoConfig, DWORD flags = kUiCanChange | kUiDataWritable, BOOL dialog = TRUE) {
        items_ = SwitchedItems{};
        const ItemSwitches switches = items_.Switches(dialog);
        return ApplyOptionConstraints(&record_, &switches, config == kManualConfig ? &config_ : nullptr, printer_,
                                      data_.get(), resources_.get(), flags, &probe_);
    }

    std::unique_ptr<const CompiledDeviceData, DataRelease> data_;
    std::unique_ptr<HINSTANCE__, ResourcesRelease> resources_;
    DriverDevmode record_{};
    PrinterConfigRecord config_{};
    SwitchedItems items_;
    MonitorProbe probe_ = MonitorProbe::kNotAsked;
};

TEST_F(OptionConstraints, EveryRuleByItsCases) {
    const DriverDevmode defaults = record_;
    bool seen[37] = {};
    for (const ConstraintCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << "rule " << c.rule << ": " << c.what);
        seen[c.rule] = true;
        record_ = defaults;
        c.in(record_);
        Pass(c.config);
        c.out(record_, items_);
    }
    for (int rule = 0; rule <= 36; ++rule) {
        if (rule == 29 || rule == 35 || rule == 36) continue;  // shown with 25/28 and 34
        EXPECT_TRUE(seen[rule]) << "no case for rule " << rule;
    }
}

// A second pass over what the first left changes nothing, whatever the case.
TEST_F(OptionConstraints, SecondPassChangesNothing) {
    const DriverDevmode defaults = record_;
    for (const ConstraintCase& c : kCases) {
        SCOPED_TRACE(c.what);
        record_ = defaults;
        c.in(record_);
        Pass(c.config);
        const DriverDevmode first = record_;
        Pass(c.config);
        EXPECT_EQ(std::memcmp(&first, &record_, sizeof(DriverDevmode)), 0);
    }
}

TEST_F(OptionConstraints, ResolverRunsPerPass) {
    // Start, every rule that can change a field, and one run for each of the six section trays.
    EXPECT_EQ(Pass(kNoConfig, kUiCanChange, TRUE), kJapaneseBuild ? 41u : 37u);
    // The overlay switch runs only under a dialog.
    EXPECT_EQ(Pass(kNoConfig, kUiCanChange, FALSE), kJapaneseBuild ? 40u : 37u);
}

TEST_F(OptionConstraints, WithoutWindowsOnlyTheRecordChanges) {
    ChooseForm(record_, u"A4->A3");
    ChooseFlag1(record_, kFlags1ManualZoom, true);
    DriverDevmode withItems = record_;
    DriverDevmode without = record_;
    const ItemSwitches switches = items_.Switches(FALSE);
    ApplyOptionConstraints(&withItems, &switches, nullptr, printer_, data_.get(), resources_.get(), kUiCanChange,
                           nullptr);
    ApplyOptionConstraints(&without, nullptr, nullptr, printer_, data_.get(), resources_.get(), kUiCanChange, nullptr);
    EXPECT_EQ(std::memcmp(&withItems, &without, sizeof(DriverDevmode)), 0);
    EXPECT_FALSE(Bit(without, dm::Flags1, kFlags1ManualZoom));
    EXPECT_FALSE(items_.controls.empty());
}

TEST_F(OptionConstraints, ContextFlagsTakeItemsAway) {
    struct FlagCase {
        DWORD flags;
        int control;
        int tree;  // 0: none to check
        bool on;
    };
    const FlagCase cases[] = {
        {kUiCanChange | kUiDataWritable, 1201, 419, true},  // the rules leave the paper on
        {kUiDataWritable, 1201, 419, false},                // settings may not be changed
        {kUiDataWritable, 1500, 781, false},                // ... down to the last of each list
        {kUiCanChange | kUiDataWritable | kUiAdvanced, basic::kRestoreDefaults, 432, false},
        {kUiCanChange | kUiDataWritable | kUiAdvanced, basic::kBindingPicture, 427, true},  // not in the advanced lists
        {kUiCanChange, basic::kAddFavourite, 0, false},                                     // printer data not writable
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << " control " << c.control);
        ChooseForm(record_, u"A4");
        Pass(kNoConfig, c.flags);
        ExpectControls(items_, {c.control}, c.on);
        if (c.tree) ExpectTrees(items_, {c.tree}, c.on);
    }
    Pass(kNoConfig, kUiCanChange | kUiDataWritable);
    EXPECT_EQ(items_.controls.count(basic::kAddFavourite), 0u);  // a writable store leaves it to its page
}

// The document monitor is asked once per context: its answer is kept, not asked again.
TEST_F(OptionConstraints, DocumentMonitorAskedOncePerContext) {
    ChooseFlag1(record_, kFlags1JobMonitor, true);
    Pass();
    EXPECT_EQ(probe_, MonitorProbe::kMissing);
    EXPECT_FALSE(Bit(record_, dm::Flags1, kFlags1JobMonitor));

    // A context that found the monitor keeps that answer: the remembered switch comes back
    // without the registry being read again.
    probe_ = MonitorProbe::kAvailable;
    Pass();
    EXPECT_TRUE(Bit(record_, dm::Flags1, kFlags1JobMonitor));
    ExpectTrees(items_, {1070}, true);
}

TEST_F(OptionConstraints, NoRecordIsNoPass) {
    EXPECT_EQ(ApplyOptionConstraints(nullptr, nullptr, nullptr, printer_, data_.get(), resources_.get(), 0, nullptr),
              0u);
}

}  // namespace
