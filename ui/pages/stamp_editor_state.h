// The stamp editor's state for one open dialog; the steps that store, delete and reset the edited
// stamp (stamp_editor_store.cpp) and the controls shown from it (stamp_editor_view.cpp), which the
// dialog's commands call.
#pragma once

#include "core/stamp_record.h"
#include "resources/lang/stamp_editor_ids.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

// The choices of the combos, in the order of their strings (sizes as stored: 10 x the field).
inline constexpr SHORT kStampSizeChoices[] = {180, 240, 360, 440, 540, 720, 880, 1140, 1400, 2000};
inline constexpr SHORT kStampScaleChoices[] = {25, 50, 75, 100, 200, 300, 400};
inline constexpr SHORT kStampAngleCount = 5;
inline constexpr SHORT kStampAngleDown = 1, kStampAngleAcross = 2, kStampAngleUp = 3;
inline constexpr WORD kStampWeightNormal = 400, kStampWeightBold = 700;
inline constexpr LONG kStampSizeUnit = 10;  // the size field shows the size / 10
inline constexpr LONG kStampSizeFieldMin = 7, kStampSizeFieldMax = 600;

struct StampEditor {
    PageContext* page;
    UINT templateId;
    bool newStamp;  // template 526
    bool changed;   // the stamp differs from what the list holds
    int filling;    // >0 while the editor itself sets its controls: no user's change
};

// While the editor sets its own controls, their notifications are no user's change.
struct StampEditorFilling {
    explicit StampEditorFilling(StampEditor& e) : editor(e) { ++editor.filling; }
    ~StampEditorFilling() { --editor.filling; }
    StampEditorFilling(const StampEditorFilling&) = delete;
    StampEditorFilling& operator=(const StampEditorFilling&) = delete;
    StampEditor& editor;
};

// The wide stamp the editor edits: the scratch record's embedded stamp.
BYTE* EditedStamp(StampEditor& editor);

// OK's checks and storing, steps 1 to 6: FALSE (the dialog stays) after a refusal the user was
// told of, or when the user cancelled a replacement. TRUE with the stamp in the list and the
// scratch record's stamp number set to it.
BOOL StoreEditedStamp(StampEditor& editor, HWND dialog);
// Whether the stamp may be deleted: a stored stamp beyond the factory stamps.
bool StampDeletable(StampEditor& editor);
// Asks (message 837) and deletes; the stamp in its place (or the one before it) is reloaded.
// TRUE when deleted.
BOOL DeleteEditedStamp(StampEditor& editor, HWND dialog);
// The factory values: a stored stamp reset to its factory stamp and reloaded, a new stamp given
// the new-stamp values.
void ResetEditedStamp(StampEditor& editor);

// The size, angle, scale and grey choices from the language resource DLL; the up-downs' ranges.
void FillChoiceCombos(StampEditor& editor, HWND dialog);
// Combo 3034: every face the dialog's device context reports with the TrueType flag.
void FillStampFontCombo(HWND dialog);
// Every control from the stamp; with edits also the texts the user types (name list excepted).
void ShowStamp(StampEditor& editor, HWND dialog, bool edits);
// List 3024 filled again from the store, the stamp's name in its edit.
void RefillNames(StampEditor& editor, HWND dialog);
// A user's change: the stamp is marked changed, 3030 enabled and the preview redrawn.
void MarkChanged(StampEditor& editor, HWND dialog);

// A text's length in the system code page (the limits of names and texts are counted so).
int AnsiBytes(LPCWSTR text);

}  // namespace orla
