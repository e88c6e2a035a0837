// The list of text items with data and a current selection that list boxes and combo boxes
// keep; each control adds its own notifications around these.
#pragma once

#include <string>
#include <vector>

#include "win/base.h"

namespace plat {

struct ListItem {
    std::u16string text;
    LPARAM data = 0;
};

struct ItemList {
    std::vector<ListItem> items;
    int selection = -1;
};

inline constexpr LRESULT kNoItem = -1;       // LB_ERR and CB_ERR
inline constexpr LRESULT kNoRoom = -2;       // LB_ERRSPACE and CB_ERRSPACE
inline constexpr size_t kMaxItems = 0x7FFF;  // indices stay in 16 bits' positive range
inline constexpr UINT kDefaultItemHeight = 13;

bool InRange(const ItemList& list, WPARAM index);
// Inserts at `at`, or at the end (-1), or in sorted place when `sorted`; the index or an error.
LRESULT InsertItem(ItemList& list, int at, LPCWSTR text, bool sorted);
// Removes the item; the count left, or kNoItem. `selectionLost` tells when it was the selection.
LRESULT DeleteItem(ItemList& list, WPARAM index, bool& selectionLost);
// The first item after `start` (wrapping) equal to, or beginning with, `text`.
LRESULT FindItem(const ItemList& list, WPARAM start, LPCWSTR text, bool exact);
// Makes the item the selection as a user's choice does; true when the selection changed.
bool ChooseItem(ItemList& list, WPARAM index);
// Copies the item's text (buffer may be null); its length or kNoItem.
LRESULT CopyItemText(const ItemList& list, WPARAM index, LPARAM buffer);
// An owner-drawn control asks its owner (WM_MEASUREITEM) how high item `item` is (-1: a combo's
// selection field); at least 1, the default when the owner does not answer.
UINT AskItemHeight(HWND h, UINT controlType, UINT item);

}  // namespace plat
