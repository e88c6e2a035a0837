// Setting items: the one layer that knows where each user-visible setting lives in the settings
// record. An item is the id of its name string, each choice the id of its text string; a combo
// entry's index is the index into the item's choice list.
#pragma once

#include <span>
#include <string>

#include "core/driver_devmode.h"
#include "ui/pages/page_context.h"
#include "win/base.h"

namespace orla {

// The choices an item offers, in combo order; empty for an item with labels of its own (432,
// 459) or none at all.
std::span<const WORD> ItemChoiceList(WORD item);

// The record-level rules: the current choice (0 when the stored value matches none), a choice
// written back with the fields that move with it, and the choice other settings force (0 free).
WORD ReadItemChoice(const DriverDevmode& record, WORD item);
void WriteItemChoice(DriverDevmode& record, WORD item, WORD choice);
WORD ForcedItemChoice(const DriverDevmode& record, WORD item);

// The same through a page or dialog window: its page context's current record. A window without
// a page context yet gives 0 and changes nothing.
WORD GetItemChoice(HWND window, WORD item);
// index: into the item's choice list; for 432 the combo's selected text is read as a number of
// dots per inch, for 459 the combo's selection indexes the device's memory sizes. An index outside
// the list changes nothing.
void ApplyItemChoice(HWND window, HWND combo, WORD item, int index);
// Runs the constraint pass over the current record first.
WORD GetForcedItemChoice(HWND window, WORD item);
// Fills the combo with the item's choice texts and selects the current one (index 0 when none).
// Answers the number of entries.
int FillItemChoiceCombo(HWND window, WORD item, int comboId);
// The item's combo filled and, when other settings force a choice (after the constraint pass),
// set to that choice and disabled; enabled otherwise. Answers the forced choice or 0.
WORD ShowItemCombo(HWND window, WORD item, int comboId);

// The item fillers with labels of their own: resolutions into combo 3303 ("<dpi>dpi", no 1200
// dpi on long paper), memory sizes into combo 3742, the tray set into combos 3303 and 1032.
int FillResolutionCombo(HWND window);
int FillMemoryCombo(HWND window);
int FillTraySelectionCombo(HWND window);
std::u16string ResolutionLabel(LONG dpi);
// A memory size's label; standardKb is the device's standard size, res gives string 488.
std::u16string MemoryLabel(HMODULE res, LONG kb, LONG standardKb);

}  // namespace orla
