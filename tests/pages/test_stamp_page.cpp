// The stamp and overlay page driven as a user would: the overlay's statuses and their texts, the
// history combo, browsing, the stamp list with "none", delete above the factory stamps, the editor
// turning the stamp on only on OK, first page only, the annotation dialog, and the pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/build_variant.h"
#include "core/stamp_record.h"
#include "plat/window_render.h"
#include "tests/pages/reference_picture.h"
#include "tests/pages/stamp_page_sheet.h"
#include "ui/pages/stamp_editor.h"
#include "ui/pages/stamp_fields.h"
#include "ui/tools/stamp_lists.h"
#include "win/registry.h"

// Named, not anonymous: the unity batches put this file beside the other page tests.
namespace stamp_page_test {

using namespace orla;
using namespace pages_test;
using uitest::Script;
namespace ids = orla_res::stamp_page;
namespace editor_ids = orla_res::stamp_editor;

constexpr char16_t kPrinterCaption[] = u"QEV Halvoric 4400K ORLA";  // the description's printer name
constexpr char16_t kFace[] = u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";

using StampPage = StampPageSheet;

// ---- Overlay statuses --------------------------------------------------------------------------

// Turning the overlay on checks the named file: a bad one shows its path and the status's text.
TEST_F(StampPage, OverlayStatusesShowTheirTexts) {
    PutOverlay(u"C:\\forms\\Good.fn2", OverlayHeaderOf());
    PutOverlay(u"C:\\forms\\BadSign.fn2",
               OverlayHeaderOf(kOverlayPaperA4, kOverlayPaperA4, "QEV Quintarc Form Object\r\n"));
    PutOverlay(u"C:\\forms\\A4toA5.fn2", OverlayHeaderOf(kOverlayPaperA4, kOverlayPaperA5));
    struct Case {
        const char* what;
        const char* folder;
        const char* name;
        DWORD status;
        UINT text;  // 0: no box
    } const cases[] = {
        {"a good form", "C:\\forms", "Good", 0, 0},
        {"a signature line ended by CR LF", "C:\\forms", "BadSign", 256, 807},
        {"a paper pair the printer lacks", "C:\\forms", "A4toA5", 512, 806},
        {"no such file", "C:\\forms", "Missing", 0x40000, 808},
        {"no folder", "", "Good", 0x80000, 808},
        {"no name", "C:\\forms", "", 0x20000, 808},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlatResetMessageBoxes();
        SetOverlay(true, c.folder, c.name);
        Set(ui_->currentDevmode, dm::OverlayStatus, DWORD{0x12345});
        if (c.text) PlatQueueMessageBoxAnswer(IDOK);
        std::u16string shownPath;
        Script script;
        script.steps.push_back([&](HWND sheet) {
            HWND page = PageOf(sheet);
            EXPECT_TRUE(PlatClick(GetDlgItem(page, ids::kOverlayOn)));  // off
            EXPECT_TRUE(PlatClick(GetDlgItem(page, ids::kOverlayOn)));  // on again: checked
            shownPath = ControlText(page, ids::kOverlayPath);
        });
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_EQ(Get(ui_->currentDevmode, dm::OverlayStatus), c.status);
        ASSERT_EQ(PlatMessageBoxCount(), c.text ? 1u : 0u);
        if (c.text) {
            const PLAT_MESSAGE_BOX_RECORD box = Box(0);
            EXPECT_EQ(std::u16string(box.text), shownPath + Text(c.text));
            EXPECT_EQ(std::u16string(box.caption), kPrinterCaption);
            EXPECT_EQ(box.flags, static_cast<UINT>(MB_ICONWARNING));
        }
    }
}

// Leaving the page with a path that is no ".fn2" while the overlay is on is refused at once; with
// the overlay turned off the page may be left.
TEST_F(StampPage, LeavingWithABadPathIsRefusedOnlyWhileTheOverlayIsOn) {
    SetOverlay(true, "", "");
    PlatQueueMessageBoxAnswer(IDOK);
    bool stayed = false;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        EXPECT_TRUE(PlatType(GetDlgItem(PageOf(sheet), ids::kOverlayPath), u"C:\\forms\\memo.txt"));
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
    script.steps.push_back([&](HWND sheet) {
        stayed = true;                                                       // the sheet is still open
        EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kOverlayOn)));  // off
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    EXPECT_EQ(Run(script), 1);
    EXPECT_TRUE(stayed);
    EXPECT_FALSE(script.ranOut);
    ASSERT_EQ(PlatMessageBoxCount(), 1u);
    EXPECT_EQ(std::u16string(Box(0).text), u"C:\\forms\\memo.txt" + Text(807));
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::OverlayStatus), 256u);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::FlagsWord) & kFlagsWordOverlayOn, 0u);
}

// ---- History -----------------------------------------------------------------------------------

// The combo shows the first ten strings of "DAT_FormHistory", without empty ones and without the
// current path, which is put at the top.
TEST_F(StampPage, HistoryShowsAtMostTenStrings) {
    PutOverlay(u"C:\\forms\\Good.fn2", OverlayHeaderOf());
    const std::u16string good = u"C:\\forms\\Good.fn2";
    const std::vector<std::u16string> twelve = {u"C:\\h\\A.fn2", u"C:\\h\\B.fn2", u"C:\\h\\C.fn2", u"C:\\h\\D.fn2",
                                                u"C:\\h\\E.fn2", u"C:\\h\\F.fn2", u"C:\\h\\G.fn2", u"C:\\h\\H.fn2",
                                                u"C:\\h\\I.fn2", u"C:\\h\\J.fn2", u"C:\\h\\K.fn2", u"C:\\h\\L.fn2"};
    std::vector<std::u16string> gapped = twelve;
    gapped[1] = u"";
    gapped[3] = good;
    gapped[5] = u"";
    struct Case {
        const char* what;
        std::vector<std::u16string> history;
        const char* name;  // the record's overlay name in C:\forms, none for ""
        std::vector<std::u16string> items;
        std::u16string edit;
    } const cases[] = {
        {"twelve strings, no overlay",
         twelve,
         "",
         {u"C:\\h\\A.fn2", u"C:\\h\\B.fn2", u"C:\\h\\C.fn2", u"C:\\h\\D.fn2", u"C:\\h\\E.fn2", u"C:\\h\\F.fn2",
          u"C:\\h\\G.fn2", u"C:\\h\\H.fn2", u"C:\\h\\I.fn2", u"C:\\h\\J.fn2"},
         u""},
        {"empty ones and the current path skipped",
         gapped,
         "Good",
         {good, u"C:\\h\\A.fn2", u"C:\\h\\C.fn2", u"C:\\h\\E.fn2", u"C:\\h\\G.fn2", u"C:\\h\\H.fn2", u"C:\\h\\I.fn2",
          u"C:\\h\\J.fn2"},
         good},
        {"the file's name as found on disk", {u"C:\\h\\A.fn2"}, "GOOD", {good, u"C:\\h\\A.fn2"}, good},
        {"a stored path of a missing file",
         twelve,
         "Gone",
         {u"C:\\forms\\Gone.fn2", u"C:\\h\\A.fn2", u"C:\\h\\B.fn2", u"C:\\h\\C.fn2", u"C:\\h\\D.fn2", u"C:\\h\\E.fn2",
          u"C:\\h\\F.fn2", u"C:\\h\\G.fn2", u"C:\\h\\H.fn2", u"C:\\h\\I.fn2"},
         u"C:\\forms\\Gone.fn2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PutHistory(c.history);
        SetOverlay(false, *c.name ? "C:\\forms" : "", c.name);
        std::vector<std::u16string> items;
        std::u16string edit;
        Script script;
        script.steps.push_back([&](HWND sheet) {
            items = ComboItems(PageOf(sheet), ids::kOverlayPath);
            edit = ControlText(PageOf(sheet), ids::kOverlayPath);
            EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
        });
        Run(script);
        EXPECT_EQ(items, c.items);
        EXPECT_EQ(edit, c.edit);
    }
}

// ---- Browse ------------------------------------------------------------------------------------

// The open-file dialog is asked for a ".fn2" file; another file posts the error, a form goes to
// the top of the history.
TEST_F(StampPage, BrowseTakesOnlyFormFiles) {
    PutOverlay(u"C:\\forms\\Good.fn2", OverlayHeaderOf());
    PutFile(u"C:\\forms\\notes.txt", "text", 4);
    PutHistory({u"C:\\h\\A.fn2"});
    struct Case {
        const char16_t* chosen;
        DWORD status;
        UINT text;
        std::vector<std::u16string> items;
    } const cases[] = {
        {u"C:\\forms\\notes.txt", 256, 807, {u"C:\\h\\A.fn2"}},
        {u"C:\\forms\\Good.fn2", 0, 0, {u"C:\\forms\\Good.fn2", u"C:\\h\\A.fn2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.chosen, c.chosen + std::char_traits<char16_t>::length(c.chosen)));
        PlatResetMessageBoxes();
        PlatResetOpenFileDialogs();
        SetOverlay(true, "", "");
        PlatQueueOpenFileAnswer(c.chosen);
        if (c.text) PlatQueueMessageBoxAnswer(IDOK);
        std::vector<std::u16string> items;
        Script script;
        script.steps.push_back(
            [&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kOverlayBrowse))); });
        script.steps.push_back([&](HWND sheet) {
            items = ComboItems(PageOf(sheet), ids::kOverlayPath);
            EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
        });
        Run(script);
        ASSERT_EQ(PlatOpenFileCallCount(), 1u);
        PLAT_OPEN_FILE_RECORD call{};
        ASSERT_TRUE(PlatGetOpenFileCall(0, &call));
        // The filter's texts as the dialog got them: each separator became a NUL.
        EXPECT_EQ(std::u16string(call.filter), Text(472).substr(0, Text(472).size() - 1));
        EXPECT_EQ(call.maxFile, 129u);
        EXPECT_EQ(call.maxFileTitle, 64u);
        EXPECT_EQ(call.flags, 0x1804u);
        EXPECT_EQ(Get(ui_->currentDevmode, dm::OverlayStatus), c.status);
        ASSERT_EQ(PlatMessageBoxCount(), c.text ? 1u : 0u);
        if (c.text) {
            EXPECT_EQ(std::u16string(Box(0).text), c.chosen + Text(c.text));
        }
        EXPECT_EQ(items, c.items);
    }
    EXPECT_EQ(GetAnsi(ui_->currentDevmode, dm::OverlayFolder), "C:\\forms");
    EXPECT_EQ(GetAnsi(ui_->currentDevmode, dm::OverlayName), "Good");
}

// ---- Stamps ------------------------------------------------------------------------------------

// Choosing a line sets the number; the first line ("none") sets 0 with blank texts and the
// standard face, and greys the stamp's own controls.
TEST_F(StampPage, ChoosingNoneSetsNumberZero) {
    struct Case {
        int line;
        DWORD number;
        bool controls;
    } const cases[] = {{0, 0, false}, {2, 2, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Set(ui_->currentDevmode, dm::StampNumber, DWORD{3});
        Set(ui_->currentDevmode, dm::StampDrawFlag, DWORD{0});
        LoadStampsIntoContext(ui_.get());
        bool editEnabled = !c.controls, firstPageEnabled = !c.controls;
        Script script;
        script.steps.push_back(
            [&](HWND sheet) { EXPECT_TRUE(PlatClickListItem(GetDlgItem(PageOf(sheet), ids::kStampList), c.line)); });
        script.steps.push_back([&](HWND sheet) {
            editEnabled = Enabled(PageOf(sheet), ids::kEditStamp);
            firstPageEnabled = Enabled(PageOf(sheet), ids::kFirstPageOnly);
            EXPECT_TRUE(PlatPressButton(sheet, IDOK));
        });
        EXPECT_EQ(Run(script), 1);
        const DriverDevmode& a = ui_->appliedDevmode;
        const BYTE* stamp = a.bytes + dm::StampRecord.offset;
        EXPECT_EQ(Get(a, dm::StampNumber), c.number);
        EXPECT_EQ(editEnabled, c.controls);
        EXPECT_EQ(firstPageEnabled, c.controls);
        if (c.number == 0) {
            EXPECT_EQ(StampWideText(stamp, stamp::kName), u" ");
            EXPECT_EQ(StampWideText(stamp, stamp::kText), u" ");
            EXPECT_EQ(StampWideText(stamp, stamp::kFaceName), kFace);
            EXPECT_EQ(Get(a, dm::StampDrawFlag), 0u);
        } else {
            EXPECT_EQ(StampGet(stamp, stamp::kNumber), c.number);
            EXPECT_EQ(Get(a, dm::StampDrawFlag), 1u);
        }
    }
}

// Delete is offered only above the factory stamps; it asks first, and the selection becomes none
// whatever the answer.
TEST_F(StampPage, DeleteOnlyAboveTheFactoryStamps) {
    const auto own = static_cast<WORD>(FactoryStampCount() + 1);
    Set(ui_->currentDevmode, dm::StampNumber, DWORD{1});
    LoadStampsIntoContext(ui_.get());
    BYTE mine[kStampRecordSize];
    std::copy_n(ui_->currentDevmode.bytes + dm::StampRecord.offset, kStampRecordSize, mine);
    StampSet(mine, stamp::kNumber, own);
    SetStampWideText(mine, stamp::kName, u"Mine");
    struct Case {
        DWORD number;
        bool offered;
        int answer;  // 0: not pressed
        size_t storedAfter;
    } const cases[] = {
        {3, false, 0, own},
        {FactoryStampCount(), false, 0, own},
        {own, true, IDCANCEL, own},
        {own, true, IDOK, own - 1u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        PlatResetMessageBoxes();
        PlatResetBeeps();
        if (ReadStoredStamps(printer_).size() / kStampRecordSize < own) {
            ASSERT_EQ(SaveStampRecord(nullptr, ui_.get(), own, mine), StampSave::Appended);
        }
        Set(ui_->currentDevmode, dm::StampNumber, c.number);
        LoadStampsIntoContext(ui_.get());
        if (c.answer) PlatQueueMessageBoxAnswer(c.answer);
        bool offered = !c.offered;
        Script script;
        script.steps.push_back([&](HWND sheet) {
            HWND page = PageOf(sheet);
            offered = Enabled(page, ids::kDeleteStamp);
            if (c.answer) {
                EXPECT_TRUE(PlatClick(GetDlgItem(page, ids::kDeleteStamp)));
            }
        });
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_EQ(offered, c.offered);
        EXPECT_EQ(ReadStoredStamps(printer_).size() / kStampRecordSize, c.storedAfter);
        if (c.answer) {
            ASSERT_EQ(PlatMessageBoxCount(), 1u);
            EXPECT_EQ(std::u16string(Box(0).text), Text(837));
            EXPECT_EQ(Box(0).flags, static_cast<UINT>(MB_OKCANCEL | MB_ICONWARNING));
            EXPECT_EQ(PlatBeepCount(), 1u);
            EXPECT_EQ(Get(ui_->currentDevmode, dm::StampNumber), 0u);
        }
    }
}

// The editor opened by "New" or "Edit" turns the stamp on only when it ends with OK.
TEST_F(StampPage, EditorTurnsTheStampOnOnlyOnOk) {
    const auto own = static_cast<WORD>(FactoryStampCount() + 1);
    struct Case {
        const char* what;
        int button;
        DWORD selected;  // before
        int editorEnd;
        DWORD number;  // after
        DWORD drawn;
    } const cases[] = {
        {"new, cancelled", ids::kNewStamp, 0, IDCANCEL, 0, 0},
        {"edit, cancelled", ids::kEditStamp, 2, IDCANCEL, 2, 0},
        {"new, OK", ids::kNewStamp, 0, IDOK, own, 1},
        {"edit, OK", ids::kEditStamp, 2, IDOK, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Set(ui_->currentDevmode, dm::StampNumber, c.selected);
        Set(ui_->currentDevmode, dm::StampDrawFlag, DWORD{0});
        LoadStampsIntoContext(ui_.get());
        Script script;
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), c.button))); });
        script.steps.push_back([&](HWND editor) {
            if (c.button == ids::kNewStamp && c.editorEnd == IDOK) {
                EXPECT_TRUE(PlatType(GetDlgItem(editor, editor_ids::kName), u"Mine"));
                EXPECT_TRUE(PlatType(GetDlgItem(editor, editor_ids::kText), u"ABC"));
            }
            EXPECT_TRUE(PlatPressButton(editor, c.editorEnd));
        });
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_EQ(Get(ui_->currentDevmode, dm::StampNumber), c.number);
        EXPECT_EQ(Get(ui_->currentDevmode, dm::StampDrawFlag), c.drawn);
    }
}

// First page only: the record's option and the selected stamp's flag follow the check, and the
// stamp is stored with it.
TEST_F(StampPage, FirstPageOnlyIsStoredWithTheStamp) {
    Set(ui_->currentDevmode, dm::StampNumber, DWORD{4});
    Set(ui_->currentDevmode, dm::StampOption, DWORD{0});
    LoadStampsIntoContext(ui_.get());
    Set(ui_->currentDevmode, dm::StampDrawFlag, DWORD{1});  // the stamp's own draw flag, after it was loaded
    Script script;
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kFirstPageOnly))); });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
    EXPECT_EQ(Run(script), 1);
    const DriverDevmode& a = ui_->appliedDevmode;
    EXPECT_EQ(Get(a, dm::StampOption), 1u);
    EXPECT_EQ(StampGet(a.bytes + dm::StampRecord.offset, stamp::kFirstPageOnly), 1u);
    EXPECT_EQ(Get(a, dm::StampDrawFlag), 1u);
    BYTE stored[kStampRecordSize] = {};
    ReadStampInfo(printer_, 4, stored);
    EXPECT_EQ(StampGet(stored, stamp::kFirstPageOnly), 1u);
}

// ---- Page annotation ----------------------------------------------------------------------------

// The dialog edits a copy: OK brings kind, own text and position back, Cancel nothing; an own
// text over 64 bytes is refused with a beep.
TEST_F(StampPage, AnnotationDialogCopiesBackOnOk) {
    for (int end : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(end);
        PlatResetBeeps();
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, dm::AnnotationOn, DWORD{0});
        Set(r, dm::AnnotationKind, DWORD{0});
        Set(r, dm::AnnotationPosition, DWORD{0});
        SetText(r, dm::AnnotationText, u"");
        bool textEnabledBefore = true, textEnabledAfter = false;
        std::u16string afterLong;
        Script script;
        script.steps.push_back(
            [&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kAnnotation))); });
        script.steps.push_back([&](HWND d) {
            textEnabledBefore = Enabled(d, ids::kAnnotationText);
            EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kAnnotationOn)));
            EXPECT_TRUE(PlatChoose(GetDlgItem(d, ids::kAnnotationKind), 8));
            textEnabledAfter = Enabled(d, ids::kAnnotationText);
            EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kAnnotationText), u"Draft"));
            // 33 double-byte characters typed over it: the 33rd would make 66 bytes.
            EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kAnnotationText), std::u16string(33, u'\u3042').c_str()));
            afterLong = ControlText(d, ids::kAnnotationText);
            EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kPositionRadios[4])));  // bottom centre
            EXPECT_TRUE(PlatPressButton(d, end));
        });
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_FALSE(textEnabledBefore);
        EXPECT_TRUE(textEnabledAfter);
        EXPECT_EQ(afterLong, std::u16string(32, u'\u3042'));
        EXPECT_GE(PlatBeepCount(), 1u);
        const bool ok = end == IDOK;
        EXPECT_EQ(Get(r, dm::AnnotationOn), ok ? 1u : 0u);
        EXPECT_EQ(Get(r, dm::AnnotationKind), ok ? 8u : 0u);
        EXPECT_EQ(Get(r, dm::AnnotationPosition), ok ? 7u : 0u);
        EXPECT_EQ(GetText(r, dm::AnnotationText), ok ? std::u16string(32, u'\u3042') : u"");
    }
}

// Without the right to change settings (and without the device's own-text bit) every control of
// the annotation dialog is greyed.
TEST_F(StampPage, AnnotationDialogIsReadOnlyWithoutTheRight) {
    ui_->flags &= ~(kUiCanChange | kUiDataWritable);
    Set(ui_->currentDevmode, dm::Flags2, Get(ui_->currentDevmode, dm::Flags2) & ~kFlags2DeviceChoice);
    std::vector<int> enabled;
    Script script;
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kAnnotation))); });
    script.steps.push_back([&](HWND d) {
        for (int id : {ids::kAnnotationOn, ids::kAnnotationKind, ids::kAnnotationText, ids::kPositionRadios[0],
                       ids::kAnnotationDefaults, IDOK})
            if (Enabled(d, id)) enabled.push_back(id);
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_EQ(enabled, std::vector<int>{});
}

// ---- Pictures ----------------------------------------------------------------------------------

// The English build shows its own texts: the user's locale picks the English resource DLL.
class StampPagePictures : public StampPage {
protected:
    void SetUp() override {
        StampPage::SetUp();
        if (kJapaneseBuild || HasFatalFailure()) return;
        UseEnglishResources();
        if (HasFatalFailure()) return;
        ui_->flags |= kUiCanChange | kUiDataWritable;
    }
};

TEST_F(StampPagePictures, LookLikeTheirReferences) {
    FormOverlayHeader header = OverlayHeaderOf();
    std::memcpy(header.bytes + ovl::kInfoText, "Invoice 2026", 12);
    header.bytes[ovl::kVersionHigh] = 2, header.bytes[ovl::kVersionHigh + 2] = 1;    // 1.2
    header.bytes[ovl::kVersionLow] = 4, header.bytes[ovl::kVersionLow + 2] = 3;      // 3.4
    header.bytes[ovl::kShownVersion] = 5, header.bytes[ovl::kShownVersion + 2] = 2;  // 2.05
    PutOverlay(u"C:\\forms\\Invoice.fn2", header);
    PutHistory({u"C:\\forms\\Invoice.fn2", u"C:\\h\\Letter.fn2"});
    SetOverlay(true, "C:\\forms", "Invoice");
    Set(ui_->currentDevmode, dm::StampNumber, DWORD{2});
    LoadStampsIntoContext(ui_.get());
    Script script;
    script.steps.push_back([&](HWND sheet) {
        ExpectWindowLikeReference(sheet, "stamp_page");
        EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kAnnotation)));
    });
    script.steps.push_back([&](HWND d) {
        ExpectWindowLikeReference(d, "stamp_annotation_dialog");
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kOverlayInfo))); });
    script.steps.push_back([&](HWND d) {
        ExpectWindowLikeReference(d, "overlay_info_dialog");
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

}  // namespace stamp_page_test
