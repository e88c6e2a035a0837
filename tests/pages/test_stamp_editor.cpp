// The stamp editor driven as a user would: OK's checks in their order with the messages they
// show, storing a renamed or new stamp, the full list, browsing for the image, the face list,
// delete and the factory values, the typed limits, and the editor as a picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "plat/window_render.h"
#include "plat/window_test.h"
#include "tests/pages/stamp_editor_fixture.h"
#include "ui/tools/stamp_lists.h"
#include "win/gdi_fonts.h"
#include "win/registry.h"
#include "win/user_controls.h"
#include "win/user_paint.h"

namespace {

using namespace orla;
using pages_test::StampEditorSandbox;
using uitest::Script;
namespace ids = orla_res::stamp_editor;

PLAT_CONTROL_STATE StateOf(HWND dialog, int id) {
    PLAT_CONTROL_STATE state{};
    EXPECT_TRUE(PlatReadControl(GetDlgItem(dialog, id), &state)) << id;
    return state;
}

void TypeInto(HWND dialog, int id, const char16_t* text) {
    EXPECT_TRUE(PlatType(GetDlgItem(dialog, id), text)) << id;
}

class StampEditorDialog : public StampEditorSandbox {
protected:
    // The user's list made 20 stamps long: the factory stamps, then "Own 11" ... "Own 20".
    void FillStoreToTwenty() {
        std::vector<BYTE> list = ReadStoredStamps(printer_);
        for (WORD n = static_cast<WORD>(list.size() / kStampRecordSize + 1); n <= kStampMaxCount; ++n) {
            BYTE record[kStampRecordSize] = {};
            StampSet(record, stamp::kNumber, n);
            const std::string name = "Own " + std::to_string(n);
            std::memcpy(record + stamp::kName.offset, name.c_str(), name.size());
            std::memcpy(record + stamp::kText.offset, "T", 1);
            list.insert(list.end(), record, record + kStampRecordSize);
        }
        std::u16string key;
        ASSERT_TRUE(PrinterStampKey(printer_, &key));
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(h, u"STAMP_Info", 0, REG_BINARY, list.data(), static_cast<DWORD>(list.size())),
                  ERROR_SUCCESS);
        RegCloseKey(h);
        ASSERT_EQ(StoredCount(), kStampMaxCount);
    }
};

// ---- OK's checks -------------------------------------------------------------------------------

struct OkCase {
    const char* what;
    bool newStamp;                   // template 526 with the new-stamp values, else stamp 3 in 525
    std::function<void(HWND)> edit;  // what the user does before OK
    std::vector<int> answers;        // the user's answers to the boxes, in order
    std::vector<UINT> messages;      // the boxes shown, by text id
    bool ends;                       // the dialog ends with OK
    std::function<void()> after;     // what the list and the records hold then
};

constexpr UINT kMessages[] = {ids::kMsgListFull, ids::kMsgNotBitmap, ids::kMsgFileMissing, ids::kMsgReplace,
                              ids::kMsgNoName,   ids::kMsgNoText,    ids::kMsgDelete,      ids::kMsgSizeRange};

std::function<void(HWND)> NewTextStamp(const char16_t* name, const char16_t* text, const char16_t* size) {
    return [=](HWND d) {
        if (*name) TypeInto(d, ids::kName, name);
        if (*text) TypeInto(d, ids::kText, text);
        if (size) TypeInto(d, ids::kSize, size);
    };
}
std::function<void(HWND)> NewImageStamp(const char16_t* path) {
    return [=](HWND d) {
        TypeInto(d, ids::kName, u"Logo");
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kKindImage)));
        TypeInto(d, ids::kText, path);
    };
}

TEST_F(StampEditorDialog, OkChecksInTheirOrder) {
    const WORD firstNew = static_cast<WORD>(FactoryStampCount() + 1);
    PutFile(u"C:\\Stamps\\note.bmp", {'h', 'e', 'l', 'l', 'o', ' ', 'b', 'm', 'p'});
    std::vector<BYTE> huge = pages_test::BitmapFile(4, 4, 24, 0);
    WriteLe32(huge.data(), 14 + 4, 100000);  // width and height far past what the file holds
    WriteLe32(huge.data(), 14 + 8, 100000);
    PutFile(u"C:\\Stamps\\huge.bmp", huge);
    PutFile(u"C:\\Stamps\\logo.bmp", pages_test::BitmapFile(8, 8, 24, 0));
    auto sizeStored = [this, firstNew](SHORT size) {
        return [this, firstNew, size] {
            ASSERT_EQ(StoredCount(), firstNew);
            EXPECT_EQ(StoredName(firstNew), u"Mine");
            EXPECT_EQ(StampGet(Current(), stamp::kTextSize), size);
            EXPECT_EQ(Get(ui_->currentDevmode, dm::StampNumber), firstNew);
        };
    };
    auto nothingStored = [this, firstNew] { EXPECT_EQ(StoredCount(), firstNew - 1u); };
    const OkCase cases[] = {
        {"an empty name", true, NewTextStamp(u"", u"ABC", nullptr), {IDOK}, {ids::kMsgNoName}, false, nothingStored},
        {"an empty text", true, NewTextStamp(u"Mine", u"", nullptr), {IDOK}, {ids::kMsgNoText}, false, nothingStored},
        {"size 6", true, NewTextStamp(u"Mine", u"ABC", u"6"), {IDOK}, {ids::kMsgSizeRange}, false, nothingStored},
        {"size 601", true, NewTextStamp(u"Mine", u"ABC", u"601"), {IDOK}, {ids::kMsgSizeRange}, false, nothingStored},
        {"size 7x", true, NewTextStamp(u"Mine", u"ABC", u"7x"), {IDOK}, {ids::kMsgSizeRange}, false, nothingStored},
        {"size 7", true, NewTextStamp(u"Mine", u"ABC", u"7"), {}, {}, true, sizeStored(70)},
        {"size 600", true, NewTextStamp(u"Mine", u"ABC", u"600"), {}, {}, true, sizeStored(6000)},
        {"a file that is no bitmap",
         true,
         NewImageStamp(u"C:\\Stamps\\note.bmp"),
         {IDOK},
         {ids::kMsgNotBitmap},
         false,
         nothingStored},
        {"a bitmap whose sizes do not fit the file",
         true,
         NewImageStamp(u"C:\\Stamps\\huge.bmp"),
         {IDOK},
         {ids::kMsgNotBitmap},
         false,
         nothingStored},
        {"a missing file",
         true,
         NewImageStamp(u"C:\\Stamps\\gone.bmp"),
         {IDOK},
         {ids::kMsgFileMissing},
         false,
         nothingStored},
        {"a sound bitmap",
         true,
         NewImageStamp(u"C:\\Stamps\\logo.bmp"),
         {},
         {},
         true,
         [this, firstNew] {
             EXPECT_EQ(StoredName(firstNew), u"Logo");
             EXPECT_NE(StampGet(Current(), stamp::kKind), 0u);
             EXPECT_EQ(StampWideText(Current(), stamp::kImagePath), u"C:\\Stamps\\logo.bmp");
         }},
        {"an unchanged stamp",
         false,
         [](HWND) {},
         {},
         {},
         true,
         [this, firstNew] { EXPECT_EQ(StoredCount(), firstNew - 1u); }},
        {"a changed stamp, replacing it",
         false,
         [](HWND d) { EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kBold))); },
         {IDOK},
         {ids::kMsgReplace},
         true,
         [this] {
             BYTE stored[kStampRecordSize] = {};
             ReadStampInfo(printer_, 3, stored);
             EXPECT_EQ(StampGet(stored, stamp::kWeight), 700) << "the factory stamp was 400";
         }},
        {"a changed stamp, not replacing it",
         false,
         [](HWND d) { EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kBold))); },
         {IDCANCEL},
         {ids::kMsgReplace},
         false,
         [this] {
             BYTE stored[kStampRecordSize] = {};
             ReadStampInfo(printer_, 3, stored);
             EXPECT_EQ(StampGet(stored, stamp::kWeight), 400);
         }},
    };
    for (const OkCase& c : cases) {
        SCOPED_TRACE(c.what);
        ResetStamps(printer_, kResetAllStamps);
        PlatResetMessageBoxes();
        if (c.newStamp) {
            NewStamp();
        } else {
            EditStored(3);
        }
        for (int answer : c.answers) PlatQueueMessageBoxAnswer(answer);
        Script script;
        bool sizeFocused = false;
        script.steps.push_back([&](HWND d) {
            c.edit(d);
            EXPECT_TRUE(PlatPressButton(d, IDOK));
        });
        script.steps.push_back([&](HWND d) {
            sizeFocused = StateOf(d, ids::kSize).focused;
            EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
        });
        const INT_PTR result = Run(c.newStamp ? ids::kTemplateNewStamp : ids::kTemplateEditStamp, script);
        EXPECT_EQ(result, c.ends ? IDOK : IDCANCEL);
        EXPECT_EQ(ShownMessages(std::vector<UINT>(std::begin(kMessages), std::end(kMessages))), c.messages);
        const bool sizeRefused = c.messages == std::vector<UINT>{ids::kMsgSizeRange};
        EXPECT_EQ(sizeFocused, sizeRefused) << "the size field takes the focus after its refusal";
        for (DWORD i = 0; i < PlatMessageBoxCount(); ++i) {
            PLAT_MESSAGE_BOX_RECORD box{};
            ASSERT_TRUE(PlatGetMessageBox(i, &box));
            EXPECT_EQ(box.flags & 0xF0u, static_cast<UINT>(MB_ICONWARNING));
            EXPECT_EQ(std::u16string(box.caption), std::u16string(DevicePrinterName(ui_->deviceData)));
        }
        c.after();
        EXPECT_EQ(PlatPendingMessageBoxAnswers(), 0u);
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
    }
}

// Renaming a stamp to the name of another stored stamp asks, then replaces that stamp.
TEST_F(StampEditorDialog, RenamingOntoAStoredNameReplacesThatStamp) {
    const std::u16string fifth = StoredName(5);
    const std::u16string thirdText = [&] {
        EditStored(3);
        return StampWideText(Scratch(), stamp::kText);
    }();
    ASSERT_NE(StampWideText(Scratch(), stamp::kName), fifth);
    PlatQueueMessageBoxAnswer(IDOK);
    Script script;
    script.steps.push_back([&](HWND d) {
        TypeInto(d, ids::kName, fifth.c_str());
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(ids::kTemplateEditStamp, script), IDOK);
    EXPECT_EQ(ShownMessages({ids::kMsgReplace}), std::vector<UINT>{ids::kMsgReplace});
    EXPECT_EQ(StoredCount(), FactoryStampCount());
    BYTE stored[kStampRecordSize] = {};
    ReadStampInfo(printer_, 5, stored);
    EXPECT_EQ(StampWideText(stored, stamp::kName), fifth);
    EXPECT_EQ(StampWideText(stored, stamp::kText), thirdText) << "stamp 5 now holds the edited stamp";
    EXPECT_EQ(Get(ui_->currentDevmode, dm::StampNumber), 5u);
    EXPECT_EQ(StampGet(Current(), stamp::kNumber), 5);
}

TEST_F(StampEditorDialog, ATwentyFirstStampIsRefusedAndTheDialogStays) {
    FillStoreToTwenty();
    const std::vector<BYTE> before = ReadStoredStamps(printer_);
    NewStamp();
    PlatQueueMessageBoxAnswer(IDOK);
    Script script;
    bool open = false;
    script.steps.push_back([&](HWND d) {
        NewTextStamp(u"One too many", u"X", nullptr)(d);
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    script.steps.push_back([&](HWND d) {
        open = IsWindow(d) != FALSE;
        EXPECT_EQ(StampGet(Scratch(), stamp::kNumber), 21) << "the number is restored";
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    EXPECT_EQ(Run(ids::kTemplateNewStamp, script), IDCANCEL);
    EXPECT_TRUE(open);
    EXPECT_EQ(ShownMessages({ids::kMsgListFull}), std::vector<UINT>{ids::kMsgListFull});
    EXPECT_EQ(ReadStoredStamps(printer_), before);
}

// Store (3030) keeps the dialog open, refills the list and waits for the next change.
TEST_F(StampEditorDialog, StoreNowKeepsTheDialogOpen) {
    NewStamp();
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_FALSE(StateOf(d, ids::kStore).enabled) << "nothing to store yet";
        NewTextStamp(u"Kept", u"KEPT", nullptr)(d);
        EXPECT_TRUE(StateOf(d, ids::kStore).enabled);
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kStore)));
        EXPECT_FALSE(StateOf(d, ids::kStore).enabled);
        EXPECT_EQ(StateOf(d, ids::kName).count, static_cast<int>(FactoryStampCount() + 1));
        EXPECT_EQ(std::u16string(StateOf(d, ids::kName).text), u"Kept");
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    EXPECT_EQ(Run(ids::kTemplateNewStamp, script), IDCANCEL);
    EXPECT_EQ(StoredName(static_cast<WORD>(FactoryStampCount() + 1)), u"Kept");
    EXPECT_EQ(PlatMessageBoxCount(), 0u);
}

// ---- Browsing ----------------------------------------------------------------------------------

TEST_F(StampEditorDialog, BrowseAsksForBitmapsAndACancelChangesNothing) {
    PutFile(u"C:\\Stamps\\logo.bmp", pages_test::BitmapFile(8, 8, 24, 0));
    NewStamp();
    PlatQueueOpenFileCancel();
    PlatQueueOpenFileAnswer(u"C:\\Stamps\\logo.bmp");
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_FALSE(StateOf(d, ids::kBrowse).enabled) << "a text stamp has no file";
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kKindImage)));
        TypeInto(d, ids::kText, u"C:\\Stamps\\typed.bmp");
        const std::vector<BYTE> before(Scratch(), Scratch() + kStampRecordSize);
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kBrowse)));  // cancelled
        EXPECT_EQ(std::vector<BYTE>(Scratch(), Scratch() + kStampRecordSize), before);
        EXPECT_EQ(std::u16string(StateOf(d, ids::kText).text), u"C:\\Stamps\\typed.bmp");
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kBrowse)));
        EXPECT_EQ(std::u16string(StateOf(d, ids::kText).text), u"C:\\Stamps\\logo.bmp");
        EXPECT_EQ(StampWideText(Scratch(), stamp::kImagePath), u"C:\\Stamps\\logo.bmp");
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    Run(ids::kTemplateNewStamp, script);
    ASSERT_EQ(PlatOpenFileCallCount(), 2u);
    // Filter string 828 whose last character separates its texts: a name and "*.bmp".
    std::u16string filter = orla_ui_test::ResourceText(printer_, ids::kTextBitmapFilter);
    ASSERT_FALSE(filter.empty());
    const char16_t separator = filter.back();
    filter.pop_back();
    std::replace(filter.begin(), filter.end(), separator, u'|');
    EXPECT_EQ(filter.substr(filter.size() - 6), u"|*.bmp");
    for (DWORD i = 0; i < 2; ++i) {
        PLAT_OPEN_FILE_RECORD call{};
        ASSERT_TRUE(PlatGetOpenFileCall(i, &call));
        EXPECT_EQ(std::u16string(call.filter), filter);
        EXPECT_EQ(call.flags, 0x1804u);  // OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
        EXPECT_EQ(call.maxFile, 129u);
        EXPECT_EQ(call.maxFileTitle, 128u);
        EXPECT_EQ(std::u16string(call.initialDir), u".") << "the current directory";
    }
}

// ---- The face list -----------------------------------------------------------------------------

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM lParam) {
    auto* faces = reinterpret_cast<std::pair<std::set<std::u16string>, std::set<std::u16string>>*>(lParam);
    (type & TRUETYPE_FONTTYPE ? faces->first : faces->second).insert(font->lfFaceName);
    return 1;
}

TEST_F(StampEditorDialog, TheFaceListHoldsTheTrueTypeFacesOnly) {
    EditStored(3);
    const std::u16string face = StampWideText(Scratch(), stamp::kFaceName);
    Script script;
    script.steps.push_back([&](HWND d) {
        std::pair<std::set<std::u16string>, std::set<std::u16string>> reported;  // TrueType, others
        HDC dc = GetDC(d);
        ASSERT_NE(dc, nullptr);
        EnumFontsW(dc, nullptr, CollectFace, reinterpret_cast<LPARAM>(&reported));
        ReleaseDC(d, dc);
        ASSERT_FALSE(reported.second.empty()) << "the screen offers raster faces to leave out";
        HWND combo = GetDlgItem(d, ids::kFace);
        std::set<std::u16string> listed;
        const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            WCHAR text[LF_FACESIZE + 1] = {};
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            listed.insert(text);
        }
        EXPECT_EQ(listed, reported.first);
        EXPECT_EQ(static_cast<size_t>(count), listed.size()) << "each face once";
        EXPECT_EQ(std::u16string(StateOf(d, ids::kFace).text), face) << "the stamp's face is chosen";
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    Run(ids::kTemplateEditStamp, script);
    EXPECT_FALSE(script.ranOut);
}

// ---- The controls follow the stamp --------------------------------------------------------------

TEST_F(StampEditorDialog, ControlsShowTheStampAndEditIt) {
    EditStored(3);  // a factory text stamp: position 4, angle choice 3, grey 3044, mode 3065
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(StateOf(d, ids::kPositionFirst + 4).checked, BST_CHECKED);
        EXPECT_EQ(StateOf(d, ids::kAngle).selection, StampGet(Scratch(), stamp::kAngle));
        EXPECT_EQ(StateOf(d, ids::kGrey).selection, 3);
        EXPECT_EQ(StateOf(d, ids::kModeFirst).checked, BST_CHECKED);
        EXPECT_EQ(std::u16string(StateOf(d, ids::kSize).text), kJapaneseBuild ? u"54" : u"88");
        EXPECT_FALSE(StateOf(d, ids::kScale).enabled) << "scale belongs to an image stamp";
        EXPECT_TRUE(StateOf(d, ids::kFace).enabled);
        // The text's choices.
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kPositionFirst + 8)));
        EXPECT_EQ(StampGet(Scratch(), stamp::kPosition), 8u);
        EXPECT_TRUE(PlatChoose(GetDlgItem(d, ids::kGrey), 5));
        EXPECT_EQ(StampGet(Scratch(), stamp::kGrey), 3046u);
        EXPECT_TRUE(PlatChoose(GetDlgItem(d, ids::kSize), 9));
        EXPECT_EQ(StampGet(Scratch(), stamp::kTextSize), 2000);
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kItalic)));
        EXPECT_EQ(StampGet(Scratch(), stamp::kItalic), 1u);
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kModeFirst + 2)));
        EXPECT_EQ(StampGet(Scratch(), stamp::kMode), 3067u);
        // The diagonal checks: the checked one turns the text back across the page.
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kAngleDown)));
        EXPECT_EQ(StampGet(Scratch(), stamp::kAngle), 1);
        EXPECT_EQ(StateOf(d, ids::kAngleDown).checked, BST_CHECKED);
        EXPECT_EQ(StateOf(d, ids::kAngle).selection, 1);
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kAngleDown)));
        EXPECT_EQ(StampGet(Scratch(), stamp::kAngle), 2);
        EXPECT_EQ(StateOf(d, ids::kAngleDown).checked, BST_UNCHECKED);
        EXPECT_TRUE(PlatSpin(GetDlgItem(d, ids::kAngleSpin), 2));
        EXPECT_EQ(StampGet(Scratch(), stamp::kAngle), 4);
        EXPECT_EQ(StateOf(d, ids::kAngle).selection, 4);
        // Bold toggles 400 and 700.
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kBold)));
        EXPECT_EQ(StampGet(Scratch(), stamp::kWeight), 700);
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kBold)));
        EXPECT_EQ(StampGet(Scratch(), stamp::kWeight), 400);
        // An image stamp: the scale, and the text controls off; the label names the file (in the
        // sandbox's Japanese locale, the texts of the Japanese resource DLL).
        ASSERT_EQ(ui_->languageId, kLocaleJapanese);
        EXPECT_EQ(std::u16string(StateOf(d, ids::kTextLabel).text), u"スタンプ文字列(&N):");
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kKindImage)));
        EXPECT_EQ(std::u16string(StateOf(d, ids::kTextLabel).text), u"ファイル名(&N):");
        EXPECT_TRUE(StateOf(d, ids::kScale).enabled);
        EXPECT_FALSE(StateOf(d, ids::kFace).enabled);
        EXPECT_EQ(StateOf(d, ids::kScale).selection, 3) << "100 percent";
        EXPECT_TRUE(PlatSpin(GetDlgItem(d, ids::kScaleSpin), 3));
        EXPECT_EQ(StampGet(Scratch(), stamp::kScale), 400);
        EXPECT_EQ(StateOf(d, ids::kScale).selection, 6);
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    const std::vector<BYTE> currentBefore(Current(), Current() + kStampRecordSize);
    EXPECT_EQ(Run(ids::kTemplateJobStamp, script), IDCANCEL);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(std::vector<BYTE>(Current(), Current() + kStampRecordSize), currentBefore) << "Cancel drops the edits";
}

// Names and texts are limited to 64 bytes in the system code page: a longer one is refused with a
// beep and the text before it stays.
TEST_F(StampEditorDialog, TextsOverSixtyFourBytesAreRefused) {
    NewStamp();
    const std::u16string sixtyFour(64, u'A');
    Script script;
    script.steps.push_back([&](HWND d) {
        TypeInto(d, ids::kText, sixtyFour.c_str());
        EXPECT_EQ(StampWideText(Scratch(), stamp::kText), sixtyFour);
        PlatResetBeeps();
        // Typed at the end: 64 double-byte characters would be 128 bytes.
        SetDlgItemTextW(d, ids::kText, u"");
        const std::u16string wide(33, u'\u3042');
        TypeInto(d, ids::kText, wide.c_str());
        EXPECT_GE(PlatBeepCount(), 1u);
        EXPECT_EQ(StampWideText(Scratch(), stamp::kText), wide.substr(0, 32)) << "64 bytes kept";
        EXPECT_EQ(std::u16string(StateOf(d, ids::kText).text), StampWideText(Scratch(), stamp::kText));
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    Run(ids::kTemplateNewStamp, script);
    EXPECT_FALSE(script.ranOut);
}

// ---- Delete and factory values ------------------------------------------------------------------

TEST_F(StampEditorDialog, OnlyStampsBeyondTheFactoryStampsCanBeDeleted) {
    FillStoreToTwenty();
    const WORD lastFactory = static_cast<WORD>(FactoryStampCount());
    for (WORD number : {WORD{1}, lastFactory}) {
        SCOPED_TRACE(number);
        EditStored(number);
        Script script;
        script.steps.push_back([&](HWND d) {
            EXPECT_FALSE(StateOf(d, ids::kDelete).enabled);
            EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
        });
        Run(ids::kTemplateEditStamp, script);
    }
    // The first own stamp: asked, deleted, and the one after it takes its place.
    const WORD own = static_cast<WORD>(lastFactory + 1);
    const std::u16string next = StoredName(static_cast<WORD>(own + 1));
    EditStored(own);
    PlatQueueMessageBoxAnswer(IDCANCEL);
    PlatQueueMessageBoxAnswer(IDOK);
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_TRUE(StateOf(d, ids::kDelete).enabled);
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kDelete)));  // cancelled
        EXPECT_EQ(StoredCount(), kStampMaxCount);
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kDelete)));
        EXPECT_EQ(StoredCount(), kStampMaxCount - 1);
        EXPECT_EQ(std::u16string(StateOf(d, ids::kName).text), next);
        EXPECT_EQ(StateOf(d, ids::kName).count, static_cast<int>(kStampMaxCount - 1));
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    Run(ids::kTemplateEditStamp, script);
    EXPECT_EQ(ShownMessages({ids::kMsgDelete}), (std::vector<UINT>{ids::kMsgDelete, ids::kMsgDelete}));
    EXPECT_EQ(StoredName(own), next);
}

TEST_F(StampEditorDialog, FactoryValuesRestoreTheStoredStampOrTheNewStampValues) {
    // A factory stamp changed in the store comes back as the factory made it.
    EditStored(2);
    StampSet(Scratch(), stamp::kWeight, WORD{700});
    ASSERT_EQ(SaveStampRecord(nullptr, ui_.get(), 2, Scratch()), StampSave::Replaced);
    BYTE factory[kStampRecordSize];
    FactoryStamp(2, factory);
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(StateOf(d, ids::kBold).checked, BST_CHECKED);
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kFactoryValues)));
        EXPECT_EQ(StateOf(d, ids::kBold).checked, BST_UNCHECKED);
        EXPECT_EQ(StampGet(Scratch(), stamp::kWeight), 400);
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    Run(ids::kTemplateEditStamp, script);
    BYTE stored[kStampRecordSize] = {};
    const std::vector<BYTE> list = ReadStoredStamps(printer_);
    std::memcpy(stored, list.data() + kStampRecordSize, kStampRecordSize);
    EXPECT_EQ(std::memcmp(stored, factory, kStampRecordSize), 0);

    // A new stamp gets number 0, position 4, size 720, scale 100, angle 2, weight 700, overlay 1,
    // grey 3044, mode 3065, an empty text and "ＭＳ ゴシック".
    NewStamp();
    StampSet(Scratch(), stamp::kPosition, DWORD{0});
    StampSet(Scratch(), stamp::kTextSize, SHORT{180});
    SetStampWideText(Scratch(), stamp::kText, u"typed");
    Script fresh;
    fresh.steps.push_back([&](HWND d) {
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kFactoryValues)));
        const BYTE* s = Scratch();
        EXPECT_EQ(StampGet(s, stamp::kNumber), 0);
        EXPECT_EQ(StampGet(s, stamp::kPosition), 4u);
        EXPECT_EQ(StampGet(s, stamp::kTextSize), 720);
        EXPECT_EQ(StampGet(s, stamp::kScale), 100);
        EXPECT_EQ(StampGet(s, stamp::kAngle), 2);
        EXPECT_EQ(StampGet(s, stamp::kWeight), 700);
        EXPECT_EQ(StampGet(s, stamp::kOverlayMode), 1u);
        EXPECT_EQ(StampGet(s, stamp::kGrey), 3044u);
        EXPECT_EQ(StampGet(s, stamp::kMode), 3065u);
        EXPECT_EQ(StampWideText(s, stamp::kText), u"");
        EXPECT_EQ(StampWideText(s, stamp::kFaceName), u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF");
        EXPECT_EQ(std::u16string(StateOf(d, ids::kSize).text), u"72");
        EXPECT_EQ(StateOf(d, ids::kPositionFirst + 4).checked, BST_CHECKED);
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    Run(ids::kTemplateNewStamp, fresh);
    EXPECT_FALSE(fresh.ranOut);
}

// ---- The editor as a user sees it ---------------------------------------------------------------

TEST_F(StampEditorDialog, EachTemplateOpensWithItsCaptionAndThePicture) {
    const struct {
        UINT templateId;
        const char* png;
    } templates[] = {{ids::kTemplateJobStamp, "stamp_editor_3000.png"},
                     {ids::kTemplateEditStamp, "stamp_editor_525.png"},
                     {ids::kTemplateNewStamp, "stamp_editor_526.png"}};
    for (const auto& t : templates) {
        SCOPED_TRACE(t.templateId);
        EditStored(1);
        Script script;
        script.steps.push_back([&](HWND d) {
            EXPECT_EQ(std::u16string(StateOf(d, ids::kName).text),
                      t.templateId == ids::kTemplateNewStamp ? u"" : StoredName(1))
                << "a new stamp's name starts empty";
            EXPECT_EQ(StateOf(d, ids::kName).count, static_cast<int>(FactoryStampCount()));
            EXPECT_EQ(StateOf(d, ids::kName).selection, -1);
            EXPECT_TRUE(PlatRenderWindowToPng(d, (orla_test::BinDir() + "/" + t.png).c_str()));
            EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
        });
        EXPECT_EQ(Run(t.templateId, script), IDCANCEL);
        EXPECT_FALSE(script.ranOut);
    }
}

// Choosing another stored stamp from the name list loads it as it is stored.
TEST_F(StampEditorDialog, ChoosingAStoredStampLoadsIt) {
    EditStored(1);
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_TRUE(PlatChoose(GetDlgItem(d, ids::kName), 4));
        EXPECT_EQ(Get(ui_->scratchDevmode, dm::StampNumber), 5u);
        EXPECT_EQ(StampGet(Scratch(), stamp::kNumber), 5);
        EXPECT_EQ(StampWideText(Scratch(), stamp::kName), StoredName(5));
        EXPECT_FALSE(StateOf(d, ids::kStore).enabled);
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(ids::kTemplateEditStamp, script), IDOK);
    EXPECT_EQ(Get(ui_->currentDevmode, dm::StampNumber), 5u);
    EXPECT_EQ(PlatMessageBoxCount(), 0u);
}

}  // namespace
