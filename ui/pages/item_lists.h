// Setting items shown as lines of a list box: the item's name, a tab, its value; and the labels
// and visibility rules those lines need.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "core/driver_devmode.h"
#include "ui/pages/page_context.h"
#include "win/base.h"

namespace orla {

// A text of the language resource DLL by id.
using ItemTextSource = std::function<std::u16string(UINT id)>;

// The tray-set value: the manual slot's text when it joins, then the chosen installed trays, the
// first by its full name and the others by their digit, "," between; string 484 when empty.
std::u16string TraySetText(const DriverDevmode& record, const ItemTextSource& text);

// The form overlay's tray bits while the overlay is on (the header is read from its file), else 0.
DWORD GetOverlayTrayBits(HWND window);
BOOL HasInputSlotNamed(HWND window, UINT stringId);
// Items 302 to 304 show while their tray is installed or the overlay asks for it; all others show.
BOOL IsItemShown(HWND window, WORD item);
std::u16string FormatResolutionLabel(HWND window);
std::u16string FormatMemoryLabel(HWND window);

// One line for the item (none where the item is hidden by its own rule), its data the item id.
void BuildItemListText(HWND window, HWND listBox, WORD item);
void AppendItemLines(HWND window, int listBoxId, std::span<const WORD> items);
// Refills the list keeping its scroll position; tabKind 0, 1, 3 set a tab stop of 170, 100 or 999
// dialog units, 2 none.
void FillItemList(HWND window, int selection, int listBoxId, std::span<const WORD> items, int tabKind);
// Moves the combo to its next entry (from the last back to the first) and posts the choice to
// the window as a user's. FALSE when the combo's count cannot be read.
BOOL NotifyListSelection(HWND window, int comboId);

}  // namespace orla
