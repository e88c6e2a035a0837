// A list view's report-view columns and the cells of its items: columns inserted, set, read,
// sized and deleted, each item's subitem texts kept in step with them, and items found by text or
// data. The control hands in its columns and items; nothing here notifies the parent (Windows
// tells nobody of a column or subitem change).
#pragma once

#include <string>
#include <vector>

#include "listview_layout.h"
#include "win/list_view.h"

namespace plat {

struct ListViewColumn {
    std::u16string text;
    int format = LVCFMT_LEFT;
    LONG width = 0;
};

struct ListViewTable {
    std::vector<ListViewColumn>& columns;
    std::vector<ListViewItem>& items;
};

// LVM_INSERTCOLUMNW: the index the column went in at (past the end: appended), or -1. The cells
// of the columns after it move along with them.
LRESULT InsertColumn(ListViewTable t, WPARAM at, const LVCOLUMNW* column);
LRESULT SetColumn(ListViewTable t, WPARAM index, const LVCOLUMNW* column);
LRESULT GetColumn(const ListViewTable& t, WPARAM index, LVCOLUMNW* column);
// Column 0 holds the items' own texts: it goes only when it is the last column.
LRESULT DeleteColumn(ListViewTable t, WPARAM index);
// A width in pixels, or LVSCW_AUTOSIZE (the widest cell) or LVSCW_AUTOSIZE_USEHEADER (the header
// too; the last column reaches the view's right edge).
LRESULT SetColumnWidth(ListViewTable t, WPARAM index, int width, LONG clientWidth, LONG iconWidth);

// The text of the item's cell in `column` (0: its own text; a column it has no text for: empty).
const std::u16string& CellText(const ListViewItem& item, size_t column);
// Sets a cell of a column the view has; false for a column it lacks.
bool SetCellText(ListViewTable t, size_t item, size_t column, const std::u16string& text);

// LVM_FINDITEMW: the first item after `start` (-1: from the top) whose data (LVFI_PARAM) or text
// (LVFI_STRING: the whole text, LVFI_PARTIAL or LVFI_SUBSTRING: its beginning; case ignored as
// Windows ignores it) matches, going on from the top with LVFI_WRAP; -1 when none does.
LRESULT FindItem(const std::vector<ListViewItem>& items, WPARAM start, const LVFINDINFOW* find);

}  // namespace plat
