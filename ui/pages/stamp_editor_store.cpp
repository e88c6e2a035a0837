// The stamp editor's storing steps: OK's checks in their order, replacing or appending through the
// stamp store, deleting and the factory values.
#include <string>

#include "core/driver_devmode.h"
#include "resources/lang/stamp_editor_ids.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/stamp_editor_state.h"
#include "ui/pages/stamp_fields.h"
#include "ui/pages/stamp_image_file.h"
#include "ui/tools/stamp_store.h"
#include "win/nls.h"
#include "win/user_controls.h"

namespace orla {
namespace {

using namespace orla_res::stamp_editor;

constexpr WORD kNoStamp = 0;  // no stored stamp has it: ResolveStampNumber gives the next number

// The new-stamp values.
constexpr DWORD kNewPosition = 4;
constexpr SHORT kNewSize = 720, kNewScale = 100, kNewAngle = 2;
constexpr WORD kNewWeight = 700;
constexpr DWORD kNewOverlayMode = 1, kNewGrey = 3044, kNewMode = 3065;
constexpr char16_t kNewFace[] = u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";  // "ＭＳ ゴシック"

UiContext* Ui(StampEditor& editor) {
    return editor.page->uiContext;
}

std::u16string ControlText(HWND dialog, int id) {
    WCHAR text[kPathChars + 2] = {};
    const UINT n = GetDlgItemTextW(dialog, id, text, kPathChars + 2);
    return std::u16string(text, n);
}

// A question captioned with the printer's name: IDOK or IDCANCEL.
int AskWithPrinterCaption(StampEditor& editor, HWND dialog, UINT textId) {
    const UiContext* ui = Ui(editor);
    const std::u16string caption(ui->deviceData ? DevicePrinterName(ui->deviceData) : std::u16string_view{});
    return ShowResourceMessageBox(dialog, textId, caption.c_str(), 0, MB_OKCANCEL | MB_ICONWARNING, ui->hResDll);
}

// The size field as a whole number, -1 when it holds anything else.
LONG ParseSizeField(const std::u16string& text) {
    if (text.empty() || text.size() > static_cast<size_t>(kSizeChars)) return -1;
    LONG value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// The stored stamp of that list name, 0 when none has it.
WORD StoredNumberOfName(HANDLE hPrinter, const std::u16string& name) {
    const size_t count = ReadStoredStamps(hPrinter).size() / kStampRecordSize;
    for (size_t n = 1; n <= count; ++n) {
        WCHAR stored[65] = {};
        ReadStampText(hPrinter, static_cast<WORD>(n), stored);
        if (name == reinterpret_cast<const char16_t*>(stored)) return static_cast<WORD>(n);
    }
    return 0;
}

std::u16string StoredName(HANDLE hPrinter, WORD number) {
    WCHAR stored[65] = {};
    if (number != kNoStamp) ReadStampText(hPrinter, number, stored);
    return reinterpret_cast<const char16_t*>(stored);
}

// Steps 1 to 4: what the stamp must hold before it is stored.
BOOL CheckEditedStamp(StampEditor& editor, HWND dialog, BYTE* stamp) {
    const std::u16string name = ControlText(dialog, kName);
    if (name.empty()) return !WarnWithPrinterCaption(editor.page, dialog, kMsgNoName);
    SetStampWideText(stamp, stamp::kName, name);
    const bool image = StampGet(stamp, stamp::kKind) != 0;
    if (!image && StampWideText(stamp, stamp::kText).empty())
        return !WarnWithPrinterCaption(editor.page, dialog, kMsgNoText);
    const LONG size = ParseSizeField(ControlText(dialog, kSize));
    if (size < kStampSizeFieldMin || size > kStampSizeFieldMax) {
        WarnWithPrinterCaption(editor.page, dialog, kMsgSizeRange);
        SetFocus(GetDlgItem(dialog, kSize));
        SendDlgItemMessageW(dialog, kSize, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
        return FALSE;
    }
    StampSet(stamp, stamp::kTextSize, static_cast<SHORT>(size * kStampSizeUnit));
    if (image && !LoadStampImageFile(editor.page, dialog, StampWideText(stamp, stamp::kImagePath).c_str()))
        return FALSE;
    return TRUE;
}

// Steps 5 and 6: the number the stamp is stored under, asking before a stored stamp is replaced.
// A new name gives the next number, which the store appends. 0 when the user cancelled.
WORD ChooseStampNumber(StampEditor& editor, HWND dialog, const BYTE* stamp) {
    HANDLE hPrinter = Ui(editor)->hPrinter;
    const WORD number = StampGet(stamp, stamp::kNumber);
    const std::u16string name = StampWideText(stamp, stamp::kName);
    if (StoredName(hPrinter, number) == name) {
        if (editor.changed && AskWithPrinterCaption(editor, dialog, kMsgReplace) != IDOK) return 0;
        return number;
    }
    if (const WORD other = StoredNumberOfName(hPrinter, name); other != 0)
        return AskWithPrinterCaption(editor, dialog, kMsgReplace) == IDOK ? other : 0;
    return ResolveStampNumber(hPrinter, kNoStamp);
}

}  // namespace

BYTE* EditedStamp(StampEditor& editor) {
    return editor.page->uiContext->scratchDevmode.bytes + dm::StampRecord.offset;
}

int AnsiBytes(LPCWSTR text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    return n > 0 ? n - 1 : 0;
}

BOOL StoreEditedStamp(StampEditor& editor, HWND dialog) {
    BYTE* stamp = EditedStamp(editor);
    if (!CheckEditedStamp(editor, dialog, stamp)) return FALSE;
    const WORD number = ChooseStampNumber(editor, dialog, stamp);
    if (number == 0) return FALSE;
    const WORD before = StampGet(stamp, stamp::kNumber);
    StampSet(stamp, stamp::kNumber, number);
    const StampSave saved = SaveStampRecord(dialog, Ui(editor), number, stamp);
    if (saved != StampSave::Replaced && saved != StampSave::Appended) {
        // A full list was told by the store (message 830); the stamp keeps the number it had.
        StampSet(stamp, stamp::kNumber, before);
        return FALSE;
    }
    Set(Ui(editor)->scratchDevmode, dm::StampNumber, DWORD{number});
    return TRUE;
}

bool StampDeletable(StampEditor& editor) {
    const WORD number = StampGet(EditedStamp(editor), stamp::kNumber);
    // The factory stamps stay: the editor keeps the same bound as the stamp page.
    return number > FactoryStampCount() && StampExists(Ui(editor)->hPrinter, number);
}

BOOL DeleteEditedStamp(StampEditor& editor, HWND dialog) {
    if (!StampDeletable(editor)) return FALSE;
    MessageBeep(MB_ICONEXCLAMATION);
    if (AskWithPrinterCaption(editor, dialog, kMsgDelete) != IDOK) return FALSE;
    UiContext* ui = Ui(editor);
    const WORD number = StampGet(EditedStamp(editor), stamp::kNumber);
    DeleteStamp(ui->hPrinter, number);
    // The stamp that moved into its place, or the one before it when it was the last.
    const WORD shown = StampExists(ui->hPrinter, number) ? number : static_cast<WORD>(number - 1);
    Set(ui->scratchDevmode, dm::StampNumber, DWORD{shown});
    ReloadWorkingStamp(ui);
    return TRUE;
}

void ResetEditedStamp(StampEditor& editor) {
    UiContext* ui = Ui(editor);
    BYTE* stamp = EditedStamp(editor);
    if (!editor.newStamp) {
        const WORD number = StampGet(stamp, stamp::kNumber);
        ResetStamps(ui->hPrinter, number);
        Set(ui->scratchDevmode, dm::StampNumber, DWORD{number});
        ReloadWorkingStamp(ui);
        return;
    }
    StampSet(stamp, stamp::kNumber, kNoStamp);
    StampSet(stamp, stamp::kKind, DWORD{0});
    StampSet(stamp, stamp::kPosition, kNewPosition);
    StampSet(stamp, stamp::kTextSize, kNewSize);
    StampSet(stamp, stamp::kScale, kNewScale);
    StampSet(stamp, stamp::kAngle, kNewAngle);
    StampSet(stamp, stamp::kWeight, kNewWeight);
    StampSet(stamp, stamp::kOverlayMode, kNewOverlayMode);
    StampSet(stamp, stamp::kGrey, kNewGrey);
    StampSet(stamp, stamp::kMode, kNewMode);
    SetStampWideText(stamp, stamp::kText, u"");
    SetStampWideText(stamp, stamp::kFaceName, kNewFace);
}

}  // namespace orla
