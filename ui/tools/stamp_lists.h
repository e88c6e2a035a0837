// The stamp store's lists in the dialogs: list 1361 of the stamp page (entry 0 for no stamp),
// combo 1155 of the print-time dialog and list 3024 of the stamp editor, each filled with the
// list names of the stored stamps.
#pragma once

#include "ui/entry/ui_context.h"
#include "win/base.h"
#include "win/user.h"

namespace orla {

inline constexpr int kStampPageList = 1361;
inline constexpr int kPrintTimeStampCombo = 1155;
inline constexpr int kStampEditorList = 3024;

// Both fill their control after making sure the stored list exists (the factory stamps are
// written when it does not). A selected stamp that is no longer stored is dropped from the
// current and the applied settings records. FALSE, with the control left empty, when the list
// cannot be had (the user's key cannot be written).
BOOL LoadStampList(UiContext* context, HWND dialog);
BOOL FillStampCombo(UiContext* context, HWND dialog);
// The stamp editor's combo 3024 (with its edit), item data = index, without a selection.
void FillStampList(UiContext* context, HWND dialog);

}  // namespace orla
