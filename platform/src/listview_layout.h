// Where a list view's items lie in icon, small-icon and report view: grid slots or rows, the
// rectangles of an item's parts and cells, and what a point hits. The control and its hit test share these, so what is
// clicked is what is drawn.
#pragma once

#include <string>
#include <vector>

#include "win/list_view.h"

namespace plat {

struct ListViewItem {
    std::u16string text;
    LPARAM param = 0;
    int image = 0;
    UINT state = 0;
    POINT position{};  // upper-left of the item's cell (its row in report view), in view coordinates
    std::vector<std::u16string> subItems;  // report view: the texts of columns 1, 2, ...
};

// What the layout needs of the control: its view, image sizes, spacing and client size.
struct ListViewGeometry {
    bool smallIcons = false;
    SIZE icon{32, 32};  // the normal (or small) image list's image size
    SIZE stateIcon{0, 0};
    SIZE spacing{};  // the cell of one item
    LONG clientWidth = 0;
    bool report = false;
    std::vector<LONG> columns;  // report view: the columns' widths, left to right
    LONG headerHeight = 0;      // report view: the header row above the items (0 without one)
    bool fullRowSelect = false;
};

inline constexpr LONG kIconMargin = 2;  // above an icon and on each side of its label
inline constexpr LONG kLargestLabelLines = 2;
// Report view: a row's height, the header's, and the room a cell keeps either side of its text.
inline constexpr LONG kReportRowHeight = 17;
inline constexpr LONG kReportHeaderHeight = 20;
inline constexpr LONG kCellPadding = 6;

// The spacing Windows gives an icon view for an image size, and a small-icon view's cell.
SIZE DefaultIconSpacing(SIZE icon);
SIZE SmallIconCell(SIZE icon);
// The upper-left of grid slot `slot` (view coordinates), row by row.
POINT GridSlot(const ListViewGeometry& g, size_t slot);
// The first slot no item lies on (for an item placed while the view is not kept arranged).
POINT FreeSlot(const ListViewGeometry& g, const std::vector<ListViewItem>& items, size_t skip);
// One of LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL, LVIR_SELECTBOUNDS, in view coordinates; the state
// image's place with `part` kStateIconPart (empty when the item shows none).
inline constexpr int kStateIconPart = 100;
RECT ItemPart(const ListViewGeometry& g, const ListViewItem& item, int part);
// The label's width in pixels and the lines it takes (wrapped once where it is too wide).
LONG LabelWidth(const std::u16string& text);
LONG LabelLines(const ListViewGeometry& g, const std::u16string& text);
// LVHT_ flags for a view point over the item.
UINT HitItem(const ListViewGeometry& g, const ListViewItem& item, POINT at);
// Report view: the cell of column `column` in the item's row (view coordinates); empty past the
// last column.
RECT CellRect(const ListViewGeometry& g, const ListViewItem& item, size_t column);
// Report view: the column a view x lies in, or -1 right of the last.
int ColumnAt(const ListViewGeometry& g, LONG x);

}  // namespace plat
