// The stamp editor's controls shown from the edited stamp: the choice lists, the faces, the
// checks and radios, the buttons that depend on the list, and the preview's redraw.
#include <algorithm>
#include <iterator>
#include <string>

#include "core/driver_devmode.h"
#include "ui/pages/stamp_editor_state.h"
#include "ui/pages/stamp_fields.h"
#include "ui/pages/stamp_preview.h"
#include "ui/tools/stamp_lists.h"
#include "win/gdi_fonts.h"
#include "win/user_controls.h"
#include "win/user_paint.h"

namespace orla {
namespace {

using namespace orla_res::stamp_editor;

constexpr int kScaleHundred = 3;  // shown for a scale that is none of the choices
constexpr int kGreyCount = static_cast<int>(kGreyLast - kGreyFirst + 1);
constexpr DWORD kFactoryGrey = 3044;
// Controls of a text stamp only, and of an image stamp only.
constexpr int kTextControls[] = {kFace,          kSize,     kBold,  kItalic,    kGrey,      kModeFirst,
                                 kModeFirst + 1, kModeLast, kAngle, kAngleSpin, kAngleDown, kAngleUp};
constexpr int kImageControls[] = {kScale, kScaleSpin, kBrowse};

UiContext* Ui(StampEditor& editor) {
    return editor.page->uiContext;
}
bool IsImage(StampEditor& editor) {
    return StampGet(EditedStamp(editor), stamp::kKind) != 0;
}
void Enable(HWND dialog, int id, bool on) {
    if (HWND control = GetDlgItem(dialog, id)) EnableWindow(control, on ? TRUE : FALSE);
}
void Check(HWND dialog, int id, bool on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}
void RedrawPreview(HWND dialog) {
    InvalidateRect(GetDlgItem(dialog, kPreview), nullptr, TRUE);
}

// ---- Filling the controls --------------------------------------------------------------------

// Items from consecutive strings of the language resource DLL, each with its value as item data.
template <typename T>
void FillChoices(StampEditor& editor, HWND dialog, int id, UINT firstText, const T* values, int count) {
    SendDlgItemMessageW(dialog, id, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i) {
        WCHAR text[64] = {};
        LoadStringW(Ui(editor)->hResDll, firstText + static_cast<UINT>(i), text, 64);
        const LRESULT at = SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (at >= 0) SendDlgItemMessageW(dialog, id, CB_SETITEMDATA, static_cast<WPARAM>(at), values[i]);
    }
}

int CALLBACK AddStampFont(const LOGFONTW* font, const TEXTMETRICW*, DWORD fontType, LPARAM lParam) {
    auto combo = reinterpret_cast<HWND>(lParam);
    if (!(fontType & TRUETYPE_FONTTYPE)) return 1;
    if (SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(font->lfFaceName)) ==
        CB_ERR)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font->lfFaceName));
    return 1;
}

// The stamp's face chosen, else the first face, which the stamp then takes (the preview and the
// print use what the list shows).
void SelectStampFont(StampEditor& editor, HWND dialog) {
    BYTE* stamp = EditedStamp(editor);
    const std::u16string face = StampWideText(stamp, stamp::kFaceName);
    LRESULT at = SendDlgItemMessageW(dialog, kFace, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(face.c_str()));
    if (at == CB_ERR) at = 0;
    SendDlgItemMessageW(dialog, kFace, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    WCHAR shown[LF_FACESIZE + 1] = {};
    if (SendDlgItemMessageW(dialog, kFace, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0) <= LF_FACESIZE &&
        SendDlgItemMessageW(dialog, kFace, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(shown)) > 0)
        SetStampWideText(stamp, stamp::kFaceName, reinterpret_cast<const char16_t*>(shown));
}

std::u16string Digits(LONG value) {
    std::u16string text;
    for (char c : std::to_string(value)) text.push_back(static_cast<char16_t>(c));
    return text;
}

int ScaleIndex(SHORT scale) {
    const auto* it = std::find(std::begin(kStampScaleChoices), std::end(kStampScaleChoices), scale);
    return it == std::end(kStampScaleChoices) ? kScaleHundred : static_cast<int>(it - std::begin(kStampScaleChoices));
}

SHORT AngleOf(const BYTE* stamp) {
    const SHORT angle = StampGet(stamp, stamp::kAngle);
    return angle >= 0 && angle < kStampAngleCount ? angle : kStampAngleAcross;
}

// The text edit shows the printed text or the image's path, with the kind's limit and label.
void ShowTextField(StampEditor& editor, HWND dialog) {
    const bool image = IsImage(editor);
    const BYTE* stamp = EditedStamp(editor);
    SendDlgItemMessageW(dialog, kText, EM_LIMITTEXT, image ? kPathChars : kTextBytes, 0);
    const std::u16string text = StampWideText(stamp, image ? stamp::kImagePath : stamp::kText);
    SetDlgItemTextW(dialog, kText, text.c_str());
    SetDlgItemTextW(dialog, kTextLabel, StampTextLabel(image, Ui(editor)->languageId == kLocaleJapanese));
}

void EnableForKind(StampEditor& editor, HWND dialog) {
    const bool image = IsImage(editor);
    for (int id : kTextControls) Enable(dialog, id, !image);
    for (int id : kImageControls) Enable(dialog, id, image);
}

// The choices and checks from the stamp.
void ShowChoices(StampEditor& editor, HWND dialog) {
    const BYTE* stamp = EditedStamp(editor);
    Check(dialog, kKindText, !IsImage(editor));
    Check(dialog, kKindImage, IsImage(editor));
    const DWORD position = std::min<DWORD>(StampGet(stamp, stamp::kPosition), kPositionLast - kPositionFirst);
    CheckRadioButton(dialog, kPositionFirst, kPositionLast, kPositionFirst + static_cast<int>(position));
    const SHORT angle = AngleOf(stamp);
    SendDlgItemMessageW(dialog, kAngle, CB_SETCURSEL, static_cast<WPARAM>(angle), 0);
    SendDlgItemMessageW(dialog, kAngleSpin, UDM_SETPOS32, 0, angle);
    Check(dialog, kAngleDown, angle == kStampAngleDown);
    Check(dialog, kAngleUp, angle == kStampAngleUp);
    const int scale = ScaleIndex(StampGet(stamp, stamp::kScale));
    SendDlgItemMessageW(dialog, kScale, CB_SETCURSEL, static_cast<WPARAM>(scale), 0);
    SendDlgItemMessageW(dialog, kScaleSpin, UDM_SETPOS32, 0, scale);
    const DWORD grey = StampGet(stamp, stamp::kGrey);
    const DWORD greyIndex = grey >= kGreyFirst && grey <= kGreyLast ? grey - kGreyFirst : kFactoryGrey - kGreyFirst;
    SendDlgItemMessageW(dialog, kGrey, CB_SETCURSEL, greyIndex, 0);
    const DWORD mode = StampGet(stamp, stamp::kMode);
    CheckRadioButton(dialog, kModeFirst, kModeLast,
                     mode >= static_cast<DWORD>(kModeFirst) && mode <= static_cast<DWORD>(kModeLast)
                         ? static_cast<int>(mode)
                         : kModeFirst);
    Check(dialog, kBold, StampGet(stamp, stamp::kWeight) == kStampWeightBold);
    Check(dialog, kItalic, StampGet(stamp, stamp::kItalic) != 0);
    Check(dialog, kOverlayMode, StampGet(stamp, stamp::kOverlayMode) != 0);
    Check(dialog, kFirstPageOnly, StampGet(stamp, stamp::kFirstPageOnly) != 0);
}

// The buttons that depend on the list and the changed mark.
void ShowButtons(StampEditor& editor, HWND dialog) {
    Enable(dialog, kStore, editor.changed);
    Enable(dialog, kDelete, StampDeletable(editor));
}

}  // namespace

void FillChoiceCombos(StampEditor& editor, HWND dialog) {
    FillChoices(editor, dialog, kSize, kTextSizeFirst, kStampSizeChoices,
                static_cast<int>(std::size(kStampSizeChoices)));
    SendDlgItemMessageW(dialog, kSize, CB_LIMITTEXT, kSizeChars, 0);
    const SHORT angles[kStampAngleCount] = {0, 1, 2, 3, 4};
    FillChoices(editor, dialog, kAngle, kTextAngleFirst, angles, kStampAngleCount);
    SendDlgItemMessageW(dialog, kAngleSpin, UDM_SETRANGE32, 0, kStampAngleCount - 1);
    FillChoices(editor, dialog, kScale, kTextScaleFirst, kStampScaleChoices,
                static_cast<int>(std::size(kStampScaleChoices)));
    SendDlgItemMessageW(dialog, kScaleSpin, UDM_SETRANGE32, 0, static_cast<LPARAM>(std::size(kStampScaleChoices)) - 1);
    DWORD greys[kGreyCount];
    for (int i = 0; i < kGreyCount; ++i) greys[i] = kGreyFirst + static_cast<DWORD>(i);
    FillChoices(editor, dialog, kGrey, kTextGreyFirst, greys, kGreyCount);
}

// The TrueType faces of the dialog's device context.
void FillStampFontCombo(HWND dialog) {
    HWND combo = GetDlgItem(dialog, kFace);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    HDC dc = GetDC(dialog);
    if (dc == nullptr) return;
    EnumFontsW(dc, nullptr, AddStampFont, reinterpret_cast<LPARAM>(combo));
    ReleaseDC(dialog, dc);
}

// Everything from the stamp; with edits also the texts the user types (not while typing them).
void ShowStamp(StampEditor& editor, HWND dialog, bool edits) {
    StampEditorFilling filling(editor);
    if (edits) {
        ShowTextField(editor, dialog);
        SetDlgItemTextW(dialog, kSize,
                        Digits(StampGet(EditedStamp(editor), stamp::kTextSize) / kStampSizeUnit).c_str());
        SelectStampFont(editor, dialog);
    }
    ShowChoices(editor, dialog);
    EnableForKind(editor, dialog);
    ShowButtons(editor, dialog);
    RedrawPreview(dialog);
}

// The list refilled after the store changed, the stamp's name in its edit.
void RefillNames(StampEditor& editor, HWND dialog) {
    StampEditorFilling filling(editor);
    FillStampList(Ui(editor), dialog);
    SetDlgItemTextW(dialog, kName, StampWideText(EditedStamp(editor), stamp::kName).c_str());
}

void MarkChanged(StampEditor& editor, HWND dialog) {
    if (editor.filling > 0) return;
    editor.changed = true;
    ShowButtons(editor, dialog);
    RedrawPreview(dialog);
}

}  // namespace orla
