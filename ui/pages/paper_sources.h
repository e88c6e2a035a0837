// The paper-source controls the paper pages share (source, paper type and output tray combos),
// the replacement of sources the printer cannot feed from, and the source rules that warn.
#pragma once

#include <string>

#include "core/driver_devmode.h"
#include "ui/pages/page_context.h"
#include "win/base.h"

namespace orla {

// Sources as the settings record holds them.
inline constexpr DWORD kSourceUpper = 1, kSourceLower = 2, kSourceMiddle = 3, kSourceManual = 4, kSourceAuto = 7,
                       kSourceCassette = 14, kSourceLargeCapacity = 256;
inline constexpr DWORD kSecondSheetAsDocument = 300;  // the second-sheet tray follows dmDefaultSource

// Combo 1223: one entry per input slot of the description that the printer can feed from.
void FillPaperSourceCombo(PageContext* page, HWND dialog);
// Combo 1226: the paper types; combo 1234: the output trays.
void FillCombo1226(PageContext* page, HWND dialog);
void FillCombo1234(PageContext* page, HWND dialog);

// Replaces the manual slot by the cassette (or back, with the manual slot installed) and, while
// separate trays or slip sheets are on, the trays whose feeders are missing, in every source field.
void SubstituteUnavailableSources(DriverDevmode& record);

// The form overlay's tray bits while the overlay is on and its file reads, else 0.
DWORD OverlayTrayBitsOf(const DriverDevmode& record);
// The name of the input slot whose id is sourceId (name unchanged when none has it); answers the
// overlay's tray bits.
DWORD GetSourceNameById(PageContext* page, LONG sourceId, std::u16string& name);

// Warning 822 when the source is a feeder that is not installed while the overlay asks for it.
BOOL CheckFeederPaperSize(PageContext* page, HWND dialog);
// With separate trays on: the constraint pass, then the document's source becomes the separate
// trays' default tray.
void CheckPaperForSource(PageContext* page, HWND dialog);

}  // namespace orla
