// The basic page's owner-drawn combos: each entry an icon of this DLL and its text.
#pragma once

#include "core/driver_devmode.h"
#include "ui/pages/page_context.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace orla {

// How one entry of an owner-drawn combo looks: nothing at all, or an icon (0: none) and a text
// (0: the entry's own text, else the string id to show).
struct ComboEntryLook {
    bool drawn;
    UINT iconId;
    UINT textId;
};
// presetFlags: the description's PresetFlags (their bit 3 picks the favourites' icon set).
ComboEntryLook LookOfComboEntry(const DriverDevmode& record, DWORD presetFlags, int comboId, UINT entry);

// Whether the control is one of the page's owner-drawn combos.
bool IsIconCombo(int controlId);
// Entry heights: half an icon for the favourites and text-entry combos, a little under an icon
// for the layout combos. FALSE for another control.
BOOL MeasureIconCombo(MEASUREITEMSTRUCT* measure);
// Draws the entry: background (dark blue when selected, else white), the icon at the left edge
// when the icon exists, the text after it, vertically centred. FALSE for another control.
BOOL DrawIconComboEntry(PageContext* page, const DRAWITEMSTRUCT* item);

}  // namespace orla
