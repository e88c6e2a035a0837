// The TrueType substitution dialog (2000) and the output paper dialog (2100) opened from the
// device settings page and worked as a user would: what OK writes to printer data, byte for byte;
// stored pairs that no longer fit are dropped; the built-in defaults; which output papers a form
// may take; the viewer a read-only context gets; and the pictures of both dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "plat/control.h"
#include "plat/window_render.h"
#include "resources/lang/device_tables_ids.h"
#include "tests/pages/device_sheet.h"
#include "tests/pages/reference_picture.h"
#include "ui/pages/device_table_dialogs.h"
#include "win/list_view.h"
#include "win/registry.h"

// Named, not anonymous: the unity batches put this file beside the other page tests.
namespace device_tables_test {

using namespace orla;
using uitest::Script;
using namespace std::literals;
namespace ids = orla_res::device_tables;

// A table value from its pairs as literal text (each string with its NUL).
std::vector<BYTE> Bytes(std::u16string_view text) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

std::u16string CellText(HWND list, int row, int column) {
    WCHAR text[128] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

// The row of a name, -1 when the list has none.
int RowOf(HWND list, std::u16string_view name) {
    const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i)
        if (CellText(list, i, 0) == name) return i;
    return -1;
}

PLAT_CONTROL_STATE State(HWND dialog, int id) {
    PLAT_CONTROL_STATE s{};
    EXPECT_TRUE(PlatReadControl(GetDlgItem(dialog, id), &s)) << id;
    return s;
}

// Selects a row as a user clicks it; FALSE when the list has no such name.
bool ClickRow(HWND dialog, int listId, std::u16string_view name) {
    HWND list = GetDlgItem(dialog, listId);
    const int row = RowOf(list, name);
    return row >= 0 && PlatClickListItem(list, row);
}

constexpr const char16_t* kNoSubstitution = kJapaneseBuild ? u"置き換えない" : u"Do Not Substitute";
constexpr const char16_t* kSameAsPaper = kJapaneseBuild ? u"用紙サイズと同じ" : u"Same as Paper Size";
constexpr std::u16string_view kNotPrintable =
    kJapaneseBuild ? u"この用紙サイズには直接印刷できません。出力用紙を選択してください。"
                   : u"This printer cannot print on this paper size directly. Choose an output paper.";
constexpr std::u16string_view kPrinterName = u"QEV Halvoric 4400K ORLA";

// The conversion forms as the spooler may hold them (the document paper's size), and the output
// paper each has in the interface DLL's built-in table.
struct ConversionForm {
    const char16_t* name;
    LONG width, length;  // micrometres
    const char16_t* builtIn;
};
constexpr ConversionForm kConversionForms[] = {
    {u"A3->B4", 297000, 420000, u"B4 (JIS)"}, {u"A3->A4", 297000, 420000, u"A4"},
    {u"B4->A4", 257000, 364000, u"A4"},       {u"B4->B5", 257000, 364000, u"B5 (JIS)"},
    {u"A4->B5", 210000, 297000, u"B5 (JIS)"}, {u"A4->A3", 210000, 297000, u"A3"},
    {u"A4->B4", 210000, 297000, u"B4 (JIS)"}, {u"B4->A3", 257000, 364000, u"A3"},
    {u"B5->A4", 182000, 257000, u"A4"},       {u"B5->B4", 182000, 257000, u"B4 (JIS)"},
    {u"A4x2->A4", 210000, 297000, u"A4"},     {u"B5x2->B5", 182000, 257000, u"B5 (JIS)"},
    {u"LP->B4", 297000, 420000, u"B4 (JIS)"}, {u"LP->A4", 297000, 420000, u"A4"},
};

// The English build runs on an English system: its texts come from the English resource DLL.
class DeviceTables : public pages_test::DeviceSheet {
protected:
    void SetUp() override {
        DeviceSheet::SetUp();
        if (!kJapaneseBuild) {
            WriteUserLocale(u"00000409");
            RemakeContext();
        }
    }
    void RemakeContext() {
        RemakeUiContext();
        if (HasFatalFailure()) return;
        ui_->flags |= kUiDeviceSheets | kUiCanChange;
    }
    INT_PTR Open2000(Script& script) {
        uitest::ScriptScope scope(script);
        return ShowDeviceDialog2000(&page_, nullptr);
    }
    INT_PTR Open2100(Script& script) {
        uitest::ScriptScope scope(script);
        return ShowDeviceDialog2100(&page_, nullptr);
    }
    // The spooler gets the conversion forms, and the UI context is made again to list them.
    void AddConversionForms() {
        for (const ConversionForm& f : kConversionForms) {
            FORM_INFO_1W form{};
            form.Flags = FORM_PRINTER;
            form.pName = const_cast<LPWSTR>(f.name);
            form.Size = {f.width, f.length};
            form.ImageableArea = {4000, 4000, f.width - 4000, f.length - 4000};
            ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<BYTE*>(&form))) << "form";
        }
        RemakeContext();
    }
};

// ---- TrueType substitution --------------------------------------------------------------------

// Every fixed-pitch TrueType font of the sandbox once, by its full name, in the order the faces
// come; the printer fonts in the combo's order, headed by "no substitution".
TEST_F(DeviceTables, ListsTheFixedPitchTrueTypeFontsAndThePrinterFonts) {
    std::vector<std::u16string> rows, fonts, heads;
    Script script;
    script.steps.push_back([&](HWND d) {
        HWND list = GetDlgItem(d, ids::kFaceList);
        for (int i = 0, n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); i < n; ++i)
            rows.push_back(CellText(list, i, 0));
        HWND combo = GetDlgItem(d, ids::kPrinterFont);
        for (int i = 0, n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)); i < n; ++i) {
            WCHAR text[64] = {};
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            fonts.emplace_back(text);
        }
        for (int column = 0; column < 2; ++column) {
            WCHAR text[64] = {};
            LVCOLUMNW c{};
            c.mask = LVCF_TEXT;
            c.pszText = text;
            c.cchTextMax = 64;
            SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&c));
            heads.emplace_back(text);
        }
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    EXPECT_EQ(Open2000(script), 0);
    EXPECT_EQ(rows, (std::vector<std::u16string>{u"DejaVu Sans Mono", u"DejaVu Sans Mono Bold", u"Courier New",
                                                 u"Courier New Bold", u"IPAGothic", u"IPAMincho", u"ＭＳ ゴシック",
                                                 u"ＭＳ 明朝"}));
    EXPECT_EQ(fonts, (std::vector<std::u16string>{kNoSubstitution, u"明朝", u"ｺﾞｼｯｸ", u"@明朝", u"@ｺﾞｼｯｸ", u"OCR-B"}));
    EXPECT_EQ(heads, (kJapaneseBuild ? std::vector<std::u16string>{u"TrueTypeフォント", u"プリンタフォント"}
                                     : std::vector<std::u16string>{u"TrueType Font", u"Printer Font"}));
}

// OK writes the rows that have a printer font, in list order, each face and font with its NUL and
// nothing after them; with none it writes the empty table, 4 zero bytes.
TEST_F(DeviceTables, OkWritesExactlyTheChosenPairs) {
    struct Pick {
        const char16_t* face;
        int font;  // combo entry
    };
    struct Case {
        const char* what;
        std::u16string_view stored;
        std::vector<Pick> picks;
        std::vector<BYTE> written;
    } const cases[] = {
        {"two faces, chosen out of list order",
         u"\0\0"sv,
         {{u"IPAGothic", 2}, {u"Courier New", 1}},
         Bytes(u"Courier New\0明朝\0IPAGothic\0ｺﾞｼｯｸ\0"sv)},
        {"a stored face changed", u"Courier New\0明朝\0"sv, {{u"Courier New", 5}}, Bytes(u"Courier New\0OCR-B\0"sv)},
        {"the only substitution taken back", u"Courier New\0明朝\0"sv, {{u"Courier New", 0}}, {0, 0, 0, 0}},
        {"nothing chosen, nothing stored", u""sv, {}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        if (c.stored.empty())
            DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"TBL_TTSubstTable"));
        else
            PutRaw(u"TBL_TTSubstTable", REG_BINARY, Bytes(c.stored));
        Script script;
        script.steps.push_back([&](HWND d) {
            for (const Pick& p : c.picks) {
                EXPECT_TRUE(ClickRow(d, ids::kFaceList, p.face)) << c.what;
                EXPECT_TRUE(PlatChoose(GetDlgItem(d, ids::kPrinterFont), p.font)) << c.what;
            }
            EXPECT_TRUE(PlatPressButton(d, IDOK));
        });
        EXPECT_EQ(Open2000(script), 1) << c.what;
        const orla_ui_test::RawValue v = Raw(u"TBL_TTSubstTable");
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_BINARY)) << c.what;
        EXPECT_EQ(v.bytes, c.written) << c.what;
    }
}

// A stored pair whose face is not installed, or whose printer font the combo does not offer, is
// not shown and is gone after the next OK; a damaged value gives its whole pairs and no more.
TEST_F(DeviceTables, StoredPairsThatNoLongerFitAreDropped) {
    struct Case {
        const char* what;
        std::vector<BYTE> stored;
        std::vector<BYTE> written;
    } const cases[] = {
        {"face not installed, font not offered",
         Bytes(u"Arial Unicode\0明朝\0Courier New\0ｺﾞｼｯｸ\0IPAGothic\0Helvetica\0ＭＳ 明朝\0@明朝\0"sv),
         Bytes(u"Courier New\0ｺﾞｼｯｸ\0ＭＳ 明朝\0@明朝\0"sv)},
        {"a pair cut short", Bytes(u"Courier New\0明朝\0IPAGothic\0ｺﾞ"sv), Bytes(u"Courier New\0明朝\0"sv)},
        {"a face without its font", Bytes(u"Courier New\0明朝\0IPAGothic\0"sv), Bytes(u"Courier New\0明朝\0"sv)},
        {"an odd length",
         [] {
             std::vector<BYTE> b = Bytes(u"IPAMincho\0@明朝\0"sv);
             b.push_back(0x41);
             return b;
         }(),
         Bytes(u"IPAMincho\0@明朝\0"sv)},
        {"an empty name first", Bytes(u"\0Courier New\0明朝\0"sv), {0, 0, 0, 0}},
        {"a stray byte", {0x41}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        PutRaw(u"TBL_TTSubstTable", REG_BINARY, c.stored);
        Script script;
        script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatPressButton(d, IDOK)); });
        EXPECT_EQ(Open2000(script), 1) << c.what;
        EXPECT_EQ(Raw(u"TBL_TTSubstTable").bytes, c.written) << c.what;
    }
}

// The rows show what was loaded: the matched fonts, "no substitution" for the rest; the first
// row is selected with its face and font under the list.
TEST_F(DeviceTables, RowsShowTheLoadedFonts) {
    PutRaw(u"TBL_TTSubstTable", REG_BINARY, Bytes(u"DejaVu Sans Mono\0OCR-B\0ＭＳ 明朝\0明朝\0"sv));
    Script script;
    script.steps.push_back([](HWND d) {
        HWND list = GetDlgItem(d, ids::kFaceList);
        EXPECT_EQ(CellText(list, RowOf(list, u"DejaVu Sans Mono"), 1), u"OCR-B");
        EXPECT_EQ(CellText(list, RowOf(list, u"ＭＳ 明朝"), 1), u"明朝");
        EXPECT_EQ(CellText(list, RowOf(list, u"IPAGothic"), 1), kNoSubstitution);
        EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);
        EXPECT_EQ(std::u16string(State(d, ids::kFaceName).text), u"DejaVu Sans Mono");
        EXPECT_EQ(State(d, ids::kPrinterFont).selection, 5);
        // Another row: its face and font follow.
        EXPECT_TRUE(ClickRow(d, ids::kFaceList, u"ＭＳ 明朝"));
        EXPECT_EQ(std::u16string(State(d, ids::kFaceName).text), u"ＭＳ 明朝");
        EXPECT_EQ(State(d, ids::kPrinterFont).selection, 1);
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    EXPECT_EQ(Open2000(script), 0);
    EXPECT_EQ(Raw(u"TBL_TTSubstTable").bytes, Bytes(u"DejaVu Sans Mono\0OCR-B\0ＭＳ 明朝\0明朝\0"sv)) << "Cancel wrote";
}

// Defaults: every face back to no substitution, then the built-in pairs of the interface DLL:
// the Japanese build's two installed faces get their printer fonts, the English build has none.
TEST_F(DeviceTables, DefaultsBringTheBuiltInPairs) {
    PutRaw(u"TBL_TTSubstTable", REG_BINARY, Bytes(u"Courier New\0OCR-B\0ＭＳ 明朝\0@明朝\0"sv));
    Script script;
    script.steps.push_back([](HWND d) {
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kDefaults)));
        HWND list = GetDlgItem(d, ids::kFaceList);
        EXPECT_EQ(CellText(list, RowOf(list, u"Courier New"), 1), kNoSubstitution);
        EXPECT_EQ(CellText(list, RowOf(list, u"ＭＳ 明朝"), 1), kJapaneseBuild ? u"明朝" : kNoSubstitution);
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Open2000(script), 1);
    const std::vector<BYTE> expected =
        kJapaneseBuild ? Bytes(u"ＭＳ ゴシック\0ｺﾞｼｯｸ\0ＭＳ 明朝\0明朝\0"sv) : std::vector<BYTE>{0, 0, 0, 0};
    EXPECT_EQ(Raw(u"TBL_TTSubstTable").bytes, expected);
}

// A table the spooler refuses (a handle without administration rights) changes nothing: OK ends
// with 0, so the page does not count the printer as changed.
TEST_F(DeviceTables, RefusedTableEndsWithoutChange) {
    const std::vector<BYTE> tt = Bytes(u"Courier New\0OCR-B\0"sv);
    const std::vector<BYTE> op = Bytes(u"A5\0A4\0"sv);
    PutRaw(u"TBL_TTSubstTable", REG_BINARY, tt);
    PutRaw(u"TBL_OutPaperTable", REG_BINARY, op);
    // The context works through a user's handle for the length of the test.
    struct UserHandle {
        UiContext* ui;
        HANDLE admin = ui->hPrinter;
        HANDLE user = OpenFull(u"Halvoric", PRINTER_ACCESS_USE);
        ~UserHandle() {
            ui->hPrinter = admin;
            if (user) ClosePrinter(user);
        }
    } handle{ui_.get()};
    ASSERT_NE(handle.user, nullptr);
    ui_->hPrinter = handle.user;
    for (bool trueType : {true, false}) {
        Script script;
        script.steps.push_back([&](HWND d) {
            EXPECT_TRUE(ClickRow(d, trueType ? ids::kFaceList : ids::kFormList, trueType ? u"IPAGothic" : u"A4"));
            EXPECT_TRUE(PlatChoose(GetDlgItem(d, trueType ? ids::kPrinterFont : ids::kOutputPaper), 1));
            EXPECT_TRUE(PlatPressButton(d, IDOK));
        });
        EXPECT_EQ(trueType ? Open2000(script) : Open2100(script), 0) << trueType;
        EXPECT_FALSE(script.ranOut);
    }
    EXPECT_EQ(Raw(u"TBL_TTSubstTable").bytes, tt);
    EXPECT_EQ(Raw(u"TBL_OutPaperTable").bytes, op);
}

// ---- Output paper -----------------------------------------------------------------------------

// Entry 0 (the paper's own size) is taken by a form the printer can print; a form it cannot print
// refuses it with warning 800, captioned with the printer's name, and the combo goes back to the
// selected row's own output paper (not the first row's).
TEST_F(DeviceTables, EntryZeroOnlyForPrintableForms) {
    struct Case {
        const char16_t* form;
        bool printable;
    } const cases[] = {
        {u"A4", true},
        {u"A6", true},                   // 105 x 148 mm: inside the printer's smallest form
        {u"Envelope B6", false},         // 125 mm long: shorter than the smallest form
        {u"C size sheet", false},        // 431.8 mm wide: wider than the largest
        {u"はがき 横", kJapaneseBuild},  // a turned postcard the Japanese printer turns itself
    };
    for (const Case& c : cases) {
        PutRaw(u"TBL_OutPaperTable", REG_BINARY, {0, 0, 0, 0});
        PlatResetMessageBoxes();
        if (!c.printable) PlatQueueMessageBoxAnswer(IDOK);
        std::u16string shown;
        int selection = -1, a3 = -1;
        Script script;
        script.steps.push_back([&](HWND d) {
            ASSERT_TRUE(ClickRow(d, ids::kFormList, c.form));
            HWND combo = GetDlgItem(d, ids::kOutputPaper);
            a3 = static_cast<int>(
                SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"A3")));
            ASSERT_GT(a3, 0);
            EXPECT_TRUE(PlatChoose(combo, a3));
            EXPECT_TRUE(PlatChoose(combo, 0));
            HWND list = GetDlgItem(d, ids::kFormList);
            shown = CellText(list, RowOf(list, c.form), 1);
            selection = State(d, ids::kOutputPaper).selection;
            EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
        });
        EXPECT_EQ(Open2100(script), 0);
        if (c.printable) {
            EXPECT_EQ(PlatMessageBoxCount(), 0u);
            EXPECT_EQ(shown, kSameAsPaper);
            EXPECT_EQ(selection, 0);
        } else {
            ASSERT_EQ(PlatMessageBoxCount(), 1u);
            PLAT_MESSAGE_BOX_RECORD box{};
            ASSERT_TRUE(PlatGetMessageBox(0, &box));
            EXPECT_EQ(std::u16string_view(box.text), kNotPrintable);
            EXPECT_EQ(std::u16string_view(box.caption), kPrinterName);
            EXPECT_EQ(box.flags & 0xF0u, static_cast<UINT>(MB_ICONWARNING));
            EXPECT_EQ(shown, u"A3");
            EXPECT_EQ(selection, a3) << "the selected row's output paper, not the first row's";
        }
    }
}

// As the dialog opens on an empty table: a printable form keeps its own size, a form the printer
// cannot print and a conversion form start on the default form (A4).
TEST_F(DeviceTables, RowsStartOnTheirOwnSizeOrTheDefaultForm) {
    AddConversionForms();
    PutRaw(u"TBL_OutPaperTable", REG_BINARY, {0, 0, 0, 0});
    Script script;
    script.steps.push_back([](HWND d) {
        HWND list = GetDlgItem(d, ids::kFormList);
        const struct {
            const char16_t* form;
            const char16_t* shown;
        } rows[] = {{u"A4", kSameAsPaper},    {u"B5 (JIS)", kSameAsPaper}, {u"Envelope B6", u"A4"},
                    {u"C size sheet", u"A4"}, {u"A3->B4", u"A4"},          {u"LP->A4", u"A4"}};
        for (const auto& r : rows) EXPECT_EQ(CellText(list, RowOf(list, r.form), 1), r.shown);
        HWND combo = GetDlgItem(d, ids::kOutputPaper);
        for (const char16_t* never : {u"A3->B4", u"Envelope B6", u"C size sheet"})
            EXPECT_EQ(SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(never)),
                      CB_ERR);
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    EXPECT_EQ(Open2100(script), 0);
}

// The conversion rows cannot be edited, and Defaults gives each the built-in output paper over a
// stored one; OK writes them with the rest, each pair with its NUL, nothing after the last.
TEST_F(DeviceTables, ConversionRowsAreLockedAndKeepTheBuiltInTable) {
    AddConversionForms();
    PutRaw(u"TBL_OutPaperTable", REG_BINARY, Bytes(u"A3->B4\0A3\0A5\0B5 (JIS)\0"sv));
    Script script;
    script.steps.push_back([](HWND d) {
        HWND list = GetDlgItem(d, ids::kFormList);
        EXPECT_EQ(CellText(list, RowOf(list, u"A3->B4"), 1), u"A3");
        EXPECT_EQ(CellText(list, RowOf(list, u"A5"), 1), u"B5 (JIS)");
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kDefaults)));
        for (const ConversionForm& f : kConversionForms) {
            EXPECT_EQ(CellText(list, RowOf(list, f.name), 1), f.builtIn);
            ASSERT_TRUE(ClickRow(d, ids::kFormList, f.name));
            for (int id : {ids::kFormLabel, ids::kFormName, ids::kOutputPaper})
                EXPECT_FALSE(pages_test::Enabled(d, id));
            EXPECT_FALSE(PlatChoose(GetDlgItem(d, ids::kOutputPaper), 1));
        }
        EXPECT_EQ(CellText(list, RowOf(list, u"A5"), 1), kSameAsPaper);
        ASSERT_TRUE(ClickRow(d, ids::kFormList, u"A5"));
        for (int id : {ids::kFormLabel, ids::kFormName, ids::kOutputPaper}) EXPECT_TRUE(pages_test::Enabled(d, id));
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Open2100(script), 1);
    const std::vector<BYTE> value = Raw(u"TBL_OutPaperTable").bytes;
    ASSERT_GE(value.size(), 8u);
    EXPECT_EQ(value.size() % 2, 0u);
    EXPECT_EQ(std::vector<BYTE>(value.end() - 2, value.end()), (std::vector<BYTE>{0, 0}));
    EXPECT_NE(std::vector<BYTE>(value.end() - 4, value.end() - 2), (std::vector<BYTE>{0, 0})) << "one terminator";
    // The value's strings two by two: document form, output paper.
    std::vector<std::pair<std::u16string, std::u16string>> pairs;
    std::vector<std::u16string> strings(1);
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(value[i] | (value[i + 1] << 8));
        if (c != 0) {
            strings.back() += c;
        } else {
            strings.emplace_back();
        }
    }
    strings.pop_back();
    ASSERT_EQ(strings.size() % 2, 0u);
    for (size_t i = 0; i < strings.size(); i += 2) pairs.emplace_back(strings[i], strings[i + 1]);
    auto outputOf = [&](std::u16string_view form) {
        for (const auto& p : pairs)
            if (p.first == form) return p.second;
        return std::u16string(u"(none)");
    };
    for (const ConversionForm& f : kConversionForms) EXPECT_EQ(outputOf(f.name), f.builtIn);
    EXPECT_EQ(outputOf(u"Envelope B6"), u"A4");
    for (const char16_t* own : {u"A4", u"A5", u"B5 (JIS)"})
        EXPECT_EQ(outputOf(own), u"(none)") << "entry 0 is not written";
}

// A damaged output paper table gives its whole pairs and nothing read past its end.
TEST_F(DeviceTables, DamagedOutPaperValuesLoadTheirWholePairs) {
    struct Case {
        const char* what;
        std::vector<BYTE> stored;
        const char16_t* a5;  // what the rows then show
        const char16_t* b5;
    } const cases[] = {
        {"a pair cut short", Bytes(u"A5\0A4\0B5 (JIS)\0A3"sv), u"A4", kSameAsPaper},
        {"a form without its paper", Bytes(u"A5\0A4\0B5 (JIS)\0"sv), u"A4", kSameAsPaper},
        {"an odd length",
         [] {
             std::vector<BYTE> b = Bytes(u"B5 (JIS)\0A3\0"sv);
             b.push_back(0x41);
             return b;
         }(),
         kSameAsPaper, u"A3"},
        {"an empty name first", Bytes(u"\0B5 (JIS)\0A3\0"sv), kSameAsPaper, kSameAsPaper},
        {"a stray byte", {0x41}, kSameAsPaper, kSameAsPaper},
    };
    for (const Case& c : cases) {
        PutRaw(u"TBL_OutPaperTable", REG_BINARY, c.stored);
        Script script;
        script.steps.push_back([&](HWND d) {
            HWND list = GetDlgItem(d, ids::kFormList);
            EXPECT_EQ(CellText(list, RowOf(list, u"A5"), 1), c.a5) << c.what;
            EXPECT_EQ(CellText(list, RowOf(list, u"B5 (JIS)"), 1), c.b5) << c.what;
            EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
        });
        EXPECT_EQ(Open2100(script), 0) << c.what;
    }
}

// ---- Viewers ----------------------------------------------------------------------------------

// A context that may not change settings opens both dialogs as viewers: the list reaches down to
// where the combo ends, the editing controls, OK and Defaults are hidden, Close and Cancel shown;
// Close writes nothing. The output paper viewer shows the built-in table while the record says so.
TEST_F(DeviceTables, ReadOnlyContextOpensBothAsViewers) {
    AddConversionForms();
    ui_->flags &= ~kUiCanChange;
    const std::vector<BYTE> tt = Bytes(u"Courier New\0OCR-B\0"sv);
    const std::vector<BYTE> op = Bytes(u"A3->B4\0A3\0"sv);
    PutRaw(u"TBL_TTSubstTable", REG_BINARY, tt);
    PutRaw(u"TBL_OutPaperTable", REG_BINARY, op);
    struct Case {
        bool trueType;
        bool builtInShown;
        int list, label, name, combo;
        const char16_t* row;
        const char16_t* shown;
    } const cases[] = {
        {true, false, ids::kFaceList, ids::kFaceLabel, ids::kFaceName, ids::kPrinterFont, u"Courier New", u"OCR-B"},
        {false, false, ids::kFormList, ids::kFormLabel, ids::kFormName, ids::kOutputPaper, u"A3->B4", u"A3"},
        {false, true, ids::kFormList, ids::kFormLabel, ids::kFormName, ids::kOutputPaper, u"A3->B4", u"B4 (JIS)"},
    };
    for (const Case& c : cases) {
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, pages_test::device_fields::kFlags2,
            c.builtInShown ? Get(r, pages_test::device_fields::kFlags2) | kFlags2OutPaperDefaults
                           : Get(r, pages_test::device_fields::kFlags2) & ~kFlags2OutPaperDefaults);
        Script script;
        script.steps.push_back([&](HWND d) {
            for (int id : {c.label, c.name, c.combo, static_cast<int>(IDOK), static_cast<int>(ids::kDefaults)})
                EXPECT_FALSE(State(d, id).visible) << id;
            EXPECT_FALSE(State(d, c.combo).enabled);
            for (int id :
                 {c.list, static_cast<int>(IDCANCEL), static_cast<int>(ids::kClose), static_cast<int>(ids::kHelp)})
                EXPECT_TRUE(State(d, id).visible) << id;
            // The list reaches down past where the combo stood, and stops above the buttons.
            RECT list{}, combo{}, buttons{};
            GetWindowRect(GetDlgItem(d, c.list), &list);
            GetWindowRect(GetDlgItem(d, c.combo), &combo);
            GetWindowRect(GetDlgItem(d, IDCANCEL), &buttons);
            EXPECT_GT(list.bottom, combo.top + 8);
            EXPECT_LT(list.bottom, buttons.top);
            HWND l = GetDlgItem(d, c.list);
            EXPECT_EQ(CellText(l, RowOf(l, c.row), 1), c.shown);
            EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kClose)));
        });
        EXPECT_EQ(c.trueType ? Open2000(script) : Open2100(script), 0);
        EXPECT_FALSE(script.ranOut);
        EXPECT_NE(page_.flags & kPageReadOnlyDialogs, 0u);
    }
    EXPECT_EQ(Raw(u"TBL_TTSubstTable").bytes, tt);
    EXPECT_EQ(Raw(u"TBL_OutPaperTable").bytes, op);
}

// An editable context: Close is hidden, the editing controls and Defaults shown.
TEST_F(DeviceTables, EditableContextHidesClose) {
    for (bool trueType : {true, false}) {
        Script script;
        script.steps.push_back([&](HWND d) {
            EXPECT_FALSE(State(d, ids::kClose).visible);
            for (int id : {static_cast<int>(IDOK), static_cast<int>(IDCANCEL), static_cast<int>(ids::kDefaults),
                           trueType ? ids::kPrinterFont : ids::kOutputPaper})
                EXPECT_TRUE(State(d, id).visible) << id;
            EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
        });
        EXPECT_EQ(trueType ? Open2000(script) : Open2100(script), 0);
    }
}

// ---- Pictures ---------------------------------------------------------------------------------

TEST_F(DeviceTables, LookAsTheirReferences) {
    AddConversionForms();
    PutRaw(u"TBL_TTSubstTable", REG_BINARY, Bytes(u"Courier New\0OCR-B\0ＭＳ ゴシック\0ｺﾞｼｯｸ\0"sv));
    PutRaw(u"TBL_OutPaperTable", REG_BINARY, Bytes(u"A3->B4\0B4 (JIS)\0Letter\0A4\0"sv));
    // Both editors, and the output paper table's viewer (a context that may not change settings).
    const struct {
        bool trueType;
        bool viewer;
        const char* name;
    } pictures[] = {{true, false, "truetype_subst_dialog_"},
                    {false, false, "out_paper_dialog_"},
                    {false, true, "out_paper_viewer_"}};
    for (const auto& p : pictures) {
        ui_->flags = p.viewer ? ui_->flags & ~kUiCanChange : ui_->flags | kUiCanChange;
        const std::string name = std::string(p.name) + (kJapaneseBuild ? "ja" : "en");
        Script script;
        script.steps.push_back([&](HWND d) {
            LONG w = 0, h = 0;
            const DWORD size = PlatRenderWindow(d, nullptr, 0, &w, &h);
            ASSERT_GT(size, 0u);
            std::vector<BYTE> rgb(size);
            ASSERT_EQ(PlatRenderWindow(d, rgb.data(), size, &w, &h), size);
            pages_test::ExpectLikeReferencePicture(rgb, w, h, name);
            EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
        });
        EXPECT_EQ(p.trueType ? Open2000(script) : Open2100(script), 0);
        EXPECT_FALSE(script.ranOut);
    }
}

}  // namespace device_tables_test
