// The form-overlay path rule, the header fields as texts, the "DAT_FormHistory" value as read, and
// the form-overlay information dialog working on its scratch copy.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/pages/stamp_page_sheet.h"
#include "ui/pages/form_overlay_dialog.h"

// Named, not anonymous: the unity batches put this file beside the other page tests.
namespace overlay_dialog_test {

using namespace orla;
using namespace pages_test;
using uitest::Script;
namespace ids = orla_res::stamp_page;

// ---- Path rule ---------------------------------------------------------------------------------

TEST(OverlayPathRule, TakesFolderAndEightBytesOfTheName) {
    const std::string longFolder(128, 'f');
    struct Case {
        const char* what;
        std::string path;  // system code page (932)
        bool on;
        bool taken;
        DWORD status;  // when not taken
        std::string folder, name;
    } const cases[] = {
        {"upper-case extension", "C:\\forms\\Invoice.FN2", true, true, 0, "C:\\forms", "Invoice"},
        {"mixed-case extension", "C:\\forms\\a.fN2", true, true, 0, "C:\\forms", "a"},
        {"not a form file", "C:\\forms\\invoice.txt", true, false, 256, "", ""},
        {"an extension that only begins the same", "C:\\forms\\invoice.fn22", true, false, 256, "", ""},
        {"a folder of 127 bytes", "C:" + std::string(125, 'f') + "\\A.fn2", true, true, 0, "C:" + std::string(125, 'f'),
         "A"},
        {"a folder of 128 bytes", longFolder + "\\A.fn2", true, false, 0x40000, "", ""},
        {"a long name keeps 8 bytes", "C:\\f\\Quarterly-Report.fn2", true, true, 0, "C:\\f", "Quarterl"},
        {"the name ends at its first dot", "C:\\f\\a.b.fn2", true, true, 0, "C:\\f", "a"},
        // "請求書見本" is 10 bytes: 8 bytes end after the fourth character.
        {"double-byte name cut between characters", "C:\\f\\\x90\xbf\x8b\x81\x8f\x91\x8c\xa9\x96\x7b.fn2", true, true,
         0, "C:\\f", "\x90\xbf\x8b\x81\x8f\x91\x8c\xa9"},
        // "A請求書見": the fourth character would end at byte 9, so it is left out.
        {"a double-byte character across byte 8 is left out", "C:\\f\\A\x90\xbf\x8b\x81\x8f\x91\x8c\xa9.fn2", true,
         true, 0, "C:\\f", "A\x90\xbf\x8b\x81\x8f\x91"},
        // "表" is 0x95 0x5C: its second byte is no folder separator.
        {"a backslash inside a double-byte character", "C:\\\x95\x5c\\form.fn2", true, true, 0, "C:\\\x95\x5c", "form"},
        {"empty, overlay on", "", true, false, 0x40000, "", ""},
        {"empty, overlay off", "", false, false, 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const OverlayPathParse parse = ParseOverlayPathText(c.path, c.on);
        EXPECT_EQ(parse.taken, c.taken);
        if (c.taken) {
            EXPECT_EQ(parse.folder, c.folder);
            EXPECT_EQ(parse.name, c.name);
        } else {
            EXPECT_EQ(parse.status, c.status);
        }
    }
}

// ---- Header fields -----------------------------------------------------------------------------

FormOverlayHeader Header(const std::vector<std::pair<unsigned, DWORD>>& dwords, BYTE madeForSide = 'P',
                         BYTE printOnSide = 'L') {
    FormOverlayHeader h = OverlayHeaderOf();
    for (const auto& [at, v] : dwords)
        for (int i = 0; i < 4; ++i) h.bytes[at + i] = static_cast<BYTE>(v >> (8 * i));
    h.bytes[ovl::kMadeForOrientation] = madeForSide;
    h.bytes[ovl::kPrintOnOrientation] = printOnSide;
    return h;
}

TEST(OverlayHeaderTexts, EachFieldAsItsText) {
    FormOverlayHeader named =
        Header({{ovl::kVersionHigh, 0x00010002}, {ovl::kVersionLow, 0x00030004}, {ovl::kShownVersion, 0x00020005}});
    std::memcpy(named.bytes + ovl::kInfoText, "Invoice", 7);
    struct Case {
        const char* what;
        FormOverlayHeader header;
        OverlayFieldTexts texts;
    } const cases[] = {
        {"a form of this product",
         named,
         {u"QEV Quintarc Form Object", u"Invoice", u"Quintarc for Windows ORLA版", u"1.2.3.4", u"ORLA Level2", u"2.05",
          u"ホッパ 1", u"A4", u"縦方向", u"A4", u"横方向"}},
        {"another product, ORLA, auto tray, two pages a sheet",
         Header({{ovl::kProductFlag, 7},
                 {ovl::kLanguage, 1},
                 {ovl::kTray, 0},
                 {ovl::kMadeFor, kOverlayPaperB5},
                 {ovl::kPrintOn, kOverlayPaperB5x2}},
                'L', 'X'),
         {u"QEV Quintarc Form Object", u"", u"---", u"0.0.0.0", u"ORLA", u"0.00", u"自動", u"B5", u"横方向", u"B5×2",
          u"---"}},
        {"K40RS, second tray, sizes given by value",
         Header({{ovl::kLanguage, 0x10000},
                 {ovl::kTray, 0x10000000},
                 {ovl::kMadeFor, kOverlayPaperBySize},
                 {ovl::kPrintOn, kOverlayPaperA4x2}}),
         {u"QEV Quintarc Form Object", u"", u"Quintarc for Windows ORLA版", u"0.0.0.0", u"K40RS", u"0.00", u"トレー 2",
          u"サイズ数値指定", u"縦方向", u"A4×2", u"横方向"}},
        {"codes no table has",
         Header({{ovl::kLanguage, 3}, {ovl::kTray, 3}, {ovl::kMadeFor, kOverlayPaperA4x2}, {ovl::kPrintOn, 0x40}}),
         {u"QEV Quintarc Form Object", u"", u"Quintarc for Windows ORLA版", u"0.0.0.0", u"---", u"0.00", u"---", u"---",
          u"縦方向", u"---", u"横方向"}},
        {"other trays and papers",
         Header({{ovl::kTray, 0x100000}, {ovl::kMadeFor, 0x10}, {ovl::kPrintOn, kOverlayPaperLP}}),
         {u"QEV Quintarc Form Object", u"", u"Quintarc for Windows ORLA版", u"0.0.0.0", u"ORLA Level2", u"0.00",
          u"ホッパ 6", u"10inch", u"縦方向", u"15inch", u"横方向"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(OverlayHeaderTexts(c.header), c.texts);
    }
}

// Texts stored without their terminator end at their field: the title line at 64 bytes, the name
// at offset 99.
TEST(OverlayHeaderTexts, UnterminatedTextsEndAtTheirField) {
    FormOverlayHeader h{};
    std::memset(h.bytes, 'T', ovl::kSignatureSpan + 4);  // runs into the name's bytes
    std::memset(h.bytes + ovl::kInfoText, 'N', ovl::kProductFlag - ovl::kInfoText);
    h.bytes[ovl::kProductFlag] = 0x41;  // a non-zero product flag right after the name
    const OverlayFieldTexts texts = OverlayHeaderTexts(h);
    EXPECT_EQ(texts[0], std::u16string(ovl::kSignatureSpan, u'T'));
    EXPECT_EQ(texts[1], std::u16string(ovl::kInfoTextSize, u'N'));
    EXPECT_EQ(texts[2], u"---");
}

// ---- History value -----------------------------------------------------------------------------

std::vector<BYTE> Utf16Bytes(const std::u16string& text) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

TEST(FormHistoryValue, ReadsAtMostTenStringsWithinTheValue) {
    std::u16string twelve;
    for (char16_t c = u'A'; c < u'A' + 12; ++c) twelve += std::u16string(1, c) + u'\0';
    std::vector<BYTE> odd = Utf16Bytes(u"AB");
    odd.push_back('C');  // half a character
    struct Case {
        const char* what;
        std::vector<BYTE> value;
        std::vector<std::u16string> strings;
    } const cases[] = {
        {"twelve strings", Utf16Bytes(twelve), {u"A", u"B", u"C", u"D", u"E", u"F", u"G", u"H", u"I", u"J"}},
        {"empty strings count", Utf16Bytes(std::u16string(u"A\0\0B\0", 5)), {u"A", u"", u"B"}},
        {"the last string without its terminator", Utf16Bytes(u"C:\\a.fn2"), {u"C:\\a.fn2"}},
        {"an odd last byte is not read", odd, {u"AB"}},
        {"empty", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FormHistoryStrings(c.value), c.strings);
    }
}

// ---- The dialog --------------------------------------------------------------------------------

class OverlayDialog : public StampPageSheet {
protected:
    INT_PTR Open(Script& script) {
        uitest::ScriptScope scope(script);
        return OpenFormOverlayDialog(&page_, nullptr);
    }
};

// The example paths: a form is taken into the scratch record's folder and name and shown; another
// file is refused with status 256 and string 807; neither reaches the current record.
TEST_F(OverlayDialog, TypedPathsAreTakenIntoTheScratchRecordOnly) {
    PutOverlay(u"C:\\forms\\Invoice.fn2", OverlayHeaderOf());
    PutFile(u"C:\\forms\\invoice.txt", "text", 4);
    struct Case {
        const char16_t* typed;
        DWORD status;
        UINT text;  // 0: no box
        const char* folder;
        const char* name;
        std::u16string madeFor;  // field 2323
    } const cases[] = {
        {u"C:\\forms\\Invoice.FN2", 0, 0, "C:\\forms", "Invoice", u"A4"},
        {u"C:\\forms\\invoice.txt", 256, 807, "", "", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        PlatResetMessageBoxes();
        SetOverlay(true, "", "");
        PutHistory({u"C:\\h\\Other.fn2", c.typed});
        const DriverDevmode before = ui_->currentDevmode;
        if (c.text) {
            PlatQueueMessageBoxAnswer(IDOK);  // the edit's end checks without a box, the choice with one
        }
        std::u16string madeFor = u"?";
        Script script;
        script.steps.push_back([&](HWND d) {
            EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kInfoPath), c.typed));
            EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kInfoOverlayOnly)));  // the edit's end: checked
        });
        script.steps.push_back([&](HWND d) {
            madeFor = ControlText(d, ids::kInfoMadeFor);
            EXPECT_TRUE(PlatChoose(GetDlgItem(d, ids::kInfoPath), 1));  // the path again from the list
        });
        script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatPressButton(d, IDOK)); });
        EXPECT_EQ(Open(script), IDOK);
        const DriverDevmode& s = ui_->scratchDevmode;
        EXPECT_EQ(Get(s, dm::OverlayStatus), c.status);
        EXPECT_EQ(GetAnsi(s, dm::OverlayFolder), c.folder);
        EXPECT_EQ(GetAnsi(s, dm::OverlayName), c.name);
        EXPECT_EQ(madeFor, c.madeFor);
        EXPECT_EQ(std::memcmp(ui_->currentDevmode.bytes, before.bytes, sizeof before.bytes), 0)
            << "the current settings are not changed by the dialog";
        ASSERT_EQ(PlatMessageBoxCount(), c.text ? 1u : 0u);
        if (c.text) {
            EXPECT_EQ(std::u16string(Box(0).text), c.typed + Text(c.text));
        }
    }
}

// A good overlay opens with its fields; switching it off clears them.
TEST_F(OverlayDialog, FieldsShowTheFormAndClearWhenTheOverlayGoesOff) {
    PutOverlay(u"C:\\forms\\Invoice.fn2", OverlayHeaderOf());
    SetOverlay(true, "C:\\forms", "Invoice");
    std::vector<std::u16string> opened, off;
    Script script;
    script.steps.push_back([&](HWND d) {
        for (int id : ids::kInfoFields) opened.push_back(ControlText(d, id));
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kInfoOverlayOn)));
        for (int id : ids::kInfoFields) off.push_back(ControlText(d, id));
        EXPECT_FALSE(Enabled(d, ids::kInfoPath));
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    EXPECT_EQ(Open(script), IDCANCEL);
    const std::vector<std::u16string> expected = {u"QEV Quintarc Form Object",
                                                  u"",
                                                  u"Quintarc for Windows ORLA版",
                                                  u"0.0.0.0",
                                                  u"ORLA Level2",
                                                  u"0.00",
                                                  u"ホッパ 1",
                                                  u"A4",
                                                  u"縦方向",
                                                  u"A4",
                                                  u"縦方向"};
    EXPECT_EQ(opened, expected);
    EXPECT_EQ(off, std::vector<std::u16string>(ids::kInfoFieldCount));
    EXPECT_EQ(Get(ui_->currentDevmode, dm::FlagsWord) & kFlagsWordOverlayOn, kFlagsWordOverlayOn);
}

}  // namespace overlay_dialog_test
