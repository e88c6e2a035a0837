// The source combos of the paper-source dialogs: which sources each offers for the printer's
// installed feeders, their texts, and the small value combos (paper types, slip sheet kinds).
// They show and select the sub-dialog's working copy (the UI context's scratch record).
#pragma once

#include <vector>

#include "core/driver_devmode.h"
#include "ui/pages/page_context.h"
#include "win/base.h"

namespace orla {

// Sources only the paper-source dialogs name: the per-section sources and the slip sheets, as
// the source combo offers them.
inline constexpr DWORD kSourceSections = 301, kSourceSlipSheets = 302;

// The text id shown for a source; 301 (the first feeder's text) for a source it does not know.
UINT GetBinStringId(DWORD source);

// Whether the printer in the record can feed from the source: the middle, lower and large
// trays need the feeders below them; the manual slot and the cassette take each other's place.
bool IsBinAvailable(const DriverDevmode& record, DWORD source);

// The entries of a source combo for the record, as {source, text id}, in the combo's order;
// empty for a control that is not a source combo. locked: the combo is shown disabled.
struct BinEntry {
    DWORD source;
    UINT textId;
    bool operator==(const BinEntry&) const = default;
};
std::vector<BinEntry> BinComboEntries(const DriverDevmode& record, int comboId, bool* locked = nullptr);
// The source the combo shows: the field it edits.
DWORD BinComboValue(const DriverDevmode& record, int comboId);

// The fillers: each empties its combo, adds its sources with their texts (32 characters) and
// the source as item data, and selects the entry of its field of the working copy.
void FillBinCombo2907(PageContext* page, HWND dialog);
void FillBinCombo2912(PageContext* page, HWND dialog);
void FillBinCombo2915(PageContext* page, HWND dialog);
void FillBinCombo2918(PageContext* page, HWND dialog);
void FillBinCombo2909(PageContext* page, HWND dialog);
void FillBinCombo2920(PageContext* page, HWND dialog);
void FillBinCombo2924(PageContext* page, HWND dialog);
void FillBinCombo1210(PageContext* page, HWND dialog);
// Any of them by its control id; FALSE for another control.
BOOL FillBinCombo(PageContext* page, HWND dialog, int comboId);
// The section default combo is locked to one entry: the printer has only the manual slot and the
// first feeder, and the paper type is thick paper 2.
bool IsSectionDefaultLocked(const DriverDevmode& record);

// The value combos of the sub-dialogs (paper type 1226, manual slot paper type 3464 and 2711,
// slip sheet kind 1213): texts first + v with v as item data, the entry of the working copy's
// value selected. FALSE for another control.
BOOL FillValueCombo(PageContext* page, HWND dialog, int comboId);

// The selected entry's item data as stored; -1 without a selection (never an index of -1 read).
LPARAM SelectedItemData(HWND dialog, int comboId);

}  // namespace orla
