// The stamp editor's dialog procedure and its commands. Every control edits the scratch record's
// stamp at once and the controls are shown from it again, so the record is the one truth; the
// preview is redrawn after each change.
#include "ui/pages/stamp_editor.h"

#include <iterator>
#include <string>

#include "core/driver_devmode.h"
#include "ui/pages/stamp_editor_state.h"
#include "ui/pages/stamp_fields.h"
#include "ui/pages/stamp_preview.h"
#include "ui/tools/stamp_lists.h"
#include "ui/tools/stamp_store.h"
#include "win/common_dialogs.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace orla {
namespace {

using namespace orla_res::stamp_editor;

constexpr DWORD kBrowseFlags = 0x1804;  // OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
constexpr DWORD kBrowseFileChars = 129, kBrowseTitleChars = 128;
constexpr WCHAR kCurrentDirectory[] = u".";

StampEditor* EditorOf(HWND dialog) {
    return reinterpret_cast<StampEditor*>(GetWindowLongPtrW(dialog, DWLP_USER));
}
UiContext* Ui(StampEditor& editor) {
    return editor.page->uiContext;
}
bool IsImage(StampEditor& editor) {
    return StampGet(EditedStamp(editor), stamp::kKind) != 0;
}
std::u16string ControlText(HWND dialog, int id) {
    WCHAR text[kPathChars + 2] = {};
    const UINT n = GetDlgItemTextW(dialog, id, text, kPathChars + 2);
    return std::u16string(text, n);
}
// The item data of a combo's chosen item, -1 without one.
LRESULT ChosenData(HWND dialog, int id) {
    const LRESULT at = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
    return at < 0 ? -1 : SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(at), 0);
}

// A field changed by a click or a choice: stored, the controls shown again, the change marked.
template <typename T, typename V>
void SetField(StampEditor& editor, HWND dialog, DmField<T> field, V value) {
    StampSet(EditedStamp(editor), field, value);
    ShowStamp(editor, dialog, false);
    MarkChanged(editor, dialog);
}

// ---- Typed texts -----------------------------------------------------------------------------

// The name's edit: over 64 bytes is refused with a beep and the name before it shown again.
void OnNameTyped(StampEditor& editor, HWND dialog) {
    BYTE* stamp = EditedStamp(editor);
    const std::u16string typed = ControlText(dialog, kName);
    if (AnsiBytes(typed.c_str()) > kNameBytes) {
        MessageBeep(MB_ICONEXCLAMATION);
        StampEditorFilling filling(editor);
        SetDlgItemTextW(dialog, kName, StampWideText(stamp, stamp::kName).c_str());
        return;
    }
    SetStampWideText(stamp, stamp::kName, typed);
    MarkChanged(editor, dialog);
}

// The text edit: a text over 64 bytes is refused the same way; a path is taken as typed.
void OnTextTyped(StampEditor& editor, HWND dialog) {
    BYTE* stamp = EditedStamp(editor);
    const std::u16string typed = ControlText(dialog, kText);
    if (IsImage(editor)) {
        SetStampWideText(stamp, stamp::kImagePath, typed);
    } else if (AnsiBytes(typed.c_str()) > kTextBytes) {
        MessageBeep(MB_ICONEXCLAMATION);
        StampEditorFilling filling(editor);
        SetDlgItemTextW(dialog, kText, StampWideText(stamp, stamp::kText).c_str());
        return;
    } else {
        SetStampWideText(stamp, stamp::kText, typed);
    }
    MarkChanged(editor, dialog);
}

// The size's edit: a size in range is taken at once; OK refuses anything else.
void OnSizeTyped(StampEditor& editor, HWND dialog) {
    BOOL number = FALSE;
    const UINT size = GetDlgItemInt(dialog, kSize, &number, FALSE);
    if (number && static_cast<LONG>(size) >= kStampSizeFieldMin && static_cast<LONG>(size) <= kStampSizeFieldMax)
        StampSet(EditedStamp(editor), stamp::kTextSize, static_cast<SHORT>(size * kStampSizeUnit));
    MarkChanged(editor, dialog);
}

// ---- Choices -----------------------------------------------------------------------------------

// Another stored stamp chosen from the list: it is loaded as it is stored.
void OnStampChosen(StampEditor& editor, HWND dialog) {
    const LRESULT index = ChosenData(dialog, kName);
    if (index < 0) return;
    UiContext* ui = Ui(editor);
    Set(ui->scratchDevmode, dm::StampNumber, static_cast<DWORD>(index + 1));
    ReloadWorkingStamp(ui);
    editor.changed = false;
    ShowStamp(editor, dialog, true);
}

void OnKind(StampEditor& editor, HWND dialog, bool image) {
    if (IsImage(editor) == image) return;
    StampSet(EditedStamp(editor), stamp::kKind, DWORD{image ? 1u : 0u});
    ShowStamp(editor, dialog, true);
    MarkChanged(editor, dialog);
}

// A diagonal check: clicking the checked one turns the text back across the page.
void OnAngleCheck(StampEditor& editor, HWND dialog, SHORT choice) {
    const SHORT angle = StampGet(EditedStamp(editor), stamp::kAngle);
    SetField(editor, dialog, stamp::kAngle, angle == choice ? kStampAngleAcross : choice);
}

void OnUpDown(StampEditor& editor, HWND dialog, HWND upDown) {
    const auto position = static_cast<LONG>(SendMessageW(upDown, UDM_GETPOS32, 0, 0));
    const int id = GetDlgCtrlID(upDown);
    if (id == kAngleSpin && position >= 0 && position < kStampAngleCount)
        SetField(editor, dialog, stamp::kAngle, static_cast<SHORT>(position));
    if (id == kScaleSpin && position >= 0 && position < static_cast<LONG>(std::size(kStampScaleChoices)))
        SetField(editor, dialog, stamp::kScale, kStampScaleChoices[position]);
}

// ---- Buttons -----------------------------------------------------------------------------------

// The filter's last character separates its texts: each becomes a NUL.
std::u16string BrowseFilter(StampEditor& editor) {
    WCHAR text[256] = {};
    const int n = LoadStringW(Ui(editor)->hResDll, kTextBitmapFilter, text, 256);
    std::u16string filter(text, n > 0 ? static_cast<size_t>(n) : 0);
    if (!filter.empty()) {
        const char16_t separator = filter.back();
        for (char16_t& c : filter)
            if (c == separator) c = 0;
    }
    filter.push_back(0);
    return filter;
}

void OnBrowse(StampEditor& editor, HWND dialog) {
    const std::u16string filter = BrowseFilter(editor);
    WCHAR file[kBrowseFileChars] = {};
    WCHAR title[kBrowseTitleChars] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kBrowseFileChars;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = kBrowseTitleChars;
    ofn.lpstrInitialDir = kCurrentDirectory;
    ofn.Flags = kBrowseFlags;
    if (!GetOpenFileNameW(&ofn)) return;
    SetStampWideText(EditedStamp(editor), stamp::kImagePath, file);
    ShowStamp(editor, dialog, true);
    MarkChanged(editor, dialog);
}

void OnStore(StampEditor& editor, HWND dialog) {
    if (!StoreEditedStamp(editor, dialog)) return;
    editor.changed = false;
    RefillNames(editor, dialog);
    ShowStamp(editor, dialog, false);
}

void OnDelete(StampEditor& editor, HWND dialog) {
    if (!DeleteEditedStamp(editor, dialog)) return;
    editor.changed = false;
    RefillNames(editor, dialog);
    ShowStamp(editor, dialog, true);
}

void OnFactoryValues(StampEditor& editor, HWND dialog) {
    ResetEditedStamp(editor);
    editor.changed = editor.newStamp;
    if (!editor.newStamp) RefillNames(editor, dialog);
    ShowStamp(editor, dialog, true);
}

void OnOk(StampEditor& editor, HWND dialog) {
    if (!StoreEditedStamp(editor, dialog)) return;
    editor.changed = false;
    EnableWindow(GetDlgItem(dialog, kStore), FALSE);
    UiContext* ui = Ui(editor);
    ui->currentDevmode = ui->scratchDevmode;
    EndDialog(dialog, IDOK);
}

bool OnClicked(StampEditor& editor, HWND dialog, int id) {
    if (id >= kPositionFirst && id <= kPositionLast) {
        SetField(editor, dialog, stamp::kPosition, static_cast<DWORD>(id - kPositionFirst));
        return true;
    }
    if (id >= kModeFirst && id <= kModeLast) {
        SetField(editor, dialog, stamp::kMode, static_cast<DWORD>(id));
        return true;
    }
    const BYTE* stamp = EditedStamp(editor);
    switch (id) {
        case kKindText:
        case kKindImage:
            OnKind(editor, dialog, id == kKindImage);
            return true;
        case kBold:
            SetField(editor, dialog, stamp::kWeight,
                     StampGet(stamp, stamp::kWeight) == kStampWeightBold ? kStampWeightNormal : kStampWeightBold);
            return true;
        case kItalic:
            SetField(editor, dialog, stamp::kItalic, DWORD{StampGet(stamp, stamp::kItalic) ? 0u : 1u});
            return true;
        case kOverlayMode:
            SetField(editor, dialog, stamp::kOverlayMode, DWORD{StampGet(stamp, stamp::kOverlayMode) ? 0u : 1u});
            return true;
        case kFirstPageOnly:
            SetField(editor, dialog, stamp::kFirstPageOnly, DWORD{StampGet(stamp, stamp::kFirstPageOnly) ? 0u : 1u});
            return true;
        case kAngleDown:
        case kAngleUp:
            OnAngleCheck(editor, dialog, id == kAngleDown ? kStampAngleDown : kStampAngleUp);
            return true;
    }
    return false;
}

void OnButton(StampEditor& editor, HWND dialog, int id) {
    if (OnClicked(editor, dialog, id)) return;
    switch (id) {
        case kBrowse:
            return OnBrowse(editor, dialog);
        case kStore:
            return OnStore(editor, dialog);
        case kDelete:
            return OnDelete(editor, dialog);
        case kFactoryValues:
            return OnFactoryValues(editor, dialog);
        case IDOK:
            return OnOk(editor, dialog);
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return;
    }
}

void OnChoice(StampEditor& editor, HWND dialog, int id) {
    const LRESULT data = ChosenData(dialog, id);
    if (data < 0) return;
    switch (id) {
        case kName:
            return OnStampChosen(editor, dialog);
        case kSize:
            return SetField(editor, dialog, stamp::kTextSize, static_cast<SHORT>(data));
        case kAngle:
            return SetField(editor, dialog, stamp::kAngle, static_cast<SHORT>(data));
        case kScale:
            return SetField(editor, dialog, stamp::kScale, static_cast<SHORT>(data));
        case kGrey:
            return SetField(editor, dialog, stamp::kGrey, static_cast<DWORD>(data));
        case kFace: {
            WCHAR face[LF_FACESIZE + 1] = {};
            const LRESULT at = SendDlgItemMessageW(dialog, kFace, CB_GETCURSEL, 0, 0);
            if (SendDlgItemMessageW(dialog, kFace, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0) > LF_FACESIZE) return;
            SendDlgItemMessageW(dialog, kFace, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(face));
            SetStampWideText(EditedStamp(editor), stamp::kFaceName, face);
            ShowStamp(editor, dialog, false);
            return MarkChanged(editor, dialog);
        }
    }
}

void OnCommand(StampEditor& editor, HWND dialog, int id, int code) {
    if (editor.filling > 0) return;
    if (code == CBN_SELCHANGE &&
        (id == kName || id == kSize || id == kAngle || id == kScale || id == kGrey || id == kFace))
        return OnChoice(editor, dialog, id);
    if (code == CBN_EDITCHANGE && id == kName) return OnNameTyped(editor, dialog);
    if (code == CBN_EDITCHANGE && id == kSize) return OnSizeTyped(editor, dialog);
    if (code == EN_CHANGE && id == kText) return OnTextTyped(editor, dialog);
    if (code == BN_CLICKED) OnButton(editor, dialog, id);
}

void OnInitDialog(StampEditor& editor, HWND dialog) {
    StampEditorFilling filling(editor);
    FillStampList(Ui(editor), dialog);
    SendDlgItemMessageW(dialog, kName, CB_LIMITTEXT, kNameBytes, 0);
    const std::u16string name = editor.newStamp ? u"" : StampWideText(EditedStamp(editor), stamp::kName);
    SetDlgItemTextW(dialog, kName, name.c_str());
    FillChoiceCombos(editor, dialog);
    FillStampFontCombo(dialog);
    SendDlgItemMessageW(dialog, kPreview, LB_ADDSTRING, 0, 0);  // the one item the preview draws
    ShowStamp(editor, dialog, true);
}

// The preview's one item fills the list.
BOOL OnMeasureItem(HWND dialog, MEASUREITEMSTRUCT* measure) {
    RECT client{};
    if (!measure || !GetClientRect(GetDlgItem(dialog, static_cast<int>(measure->CtlID)), &client)) return FALSE;
    measure->itemWidth = static_cast<UINT>(client.right - client.left);
    measure->itemHeight = static_cast<UINT>(client.bottom - client.top);
    return TRUE;
}

BOOL OnDrawItem(StampEditor& editor, const DRAWITEMSTRUCT* draw) {
    if (!draw || draw->CtlID != static_cast<UINT>(kPreview)) return FALSE;
    const bool landscape = Get(Ui(editor)->scratchDevmode, dm::Orientation) == DMORIENT_LANDSCAPE;
    FillRect(draw->hDC, &draw->rcItem, reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1)));
    DrawStampPreview(draw->hDC, draw->rcItem, EditedStamp(editor), landscape);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK StampEditorDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* editor = reinterpret_cast<StampEditor*>(lParam);
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        if (editor && editor->page && editor->page->uiContext) OnInitDialog(*editor, hDlg);
        return TRUE;
    }
    if (message == WM_MEASUREITEM) return OnMeasureItem(hDlg, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    StampEditor* editor = EditorOf(hDlg);
    if (!editor || !editor->page || !editor->page->uiContext) return FALSE;
    switch (message) {
        case WM_COMMAND:
            OnCommand(*editor, hDlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_VSCROLL:
            if (LOWORD(wParam) == SB_THUMBPOSITION && lParam) OnUpDown(*editor, hDlg, reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_DRAWITEM:
            return OnDrawItem(*editor, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    }
    return FALSE;
}

INT_PTR OpenStampEditor(PageContext* page, HWND owner, UINT templateId) {
    if (!page || !page->uiContext) return 0;
    StampEditor editor{page, templateId, templateId == kTemplateNewStamp, false, 0};
    return DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(templateId), owner, StampEditorDialogProc,
                           reinterpret_cast<LPARAM>(&editor));
}

}  // namespace orla
