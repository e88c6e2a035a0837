// Report-view columns and cells. Cells are kept by column position: column 0 is the item's own
// text and column k its k-th subitem, so a column inserted or deleted moves the cells to its right
// with their columns.
#include "listview_columns.h"

#include <algorithm>

#include "plat_internal.h"

namespace plat {
namespace {

constexpr size_t kMaxColumns = 256;

bool ValidColumn(const ListViewTable& t, WPARAM index) {
    return static_cast<size_t>(index) < t.columns.size();
}

void CopyOut(const std::u16string& text, LPWSTR out, int room) {
    if (out == nullptr || room <= 0) return;
    const size_t count = std::min(text.size(), static_cast<size_t>(room - 1));
    text.copy(out, count);
    out[count] = 0;
}

void TakeFields(ListViewColumn& column, const LVCOLUMNW& from) {
    if (from.mask & LVCF_FMT) column.format = from.fmt & LVCFMT_JUSTIFYMASK;
    if (from.mask & LVCF_WIDTH) column.width = std::max(from.cx, 0);
    if (from.mask & LVCF_TEXT) column.text = from.pszText ? from.pszText : u"";
}

// The widest cell of a column, with its padding (and column 0's image).
LONG WidestCell(const ListViewTable& t, size_t column, LONG iconWidth) {
    LONG widest = 0;
    for (const ListViewItem& item : t.items) widest = std::max(widest, LabelWidth(CellText(item, column)));
    return widest + 2 * kCellPadding + (column == 0 ? iconWidth : 0);
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view start) {
    return text.size() >= start.size() && EqualNoCase(text.substr(0, start.size()), start);
}

bool Matches(const ListViewItem& item, const LVFINDINFOW& find) {
    if (find.flags & LVFI_PARAM) return item.param == find.lParam;
    if (find.flags & (LVFI_PARTIAL | LVFI_SUBSTRING)) return StartsWithNoCase(item.text, find.psz);
    return EqualNoCase(item.text, find.psz);
}

}  // namespace

LRESULT InsertColumn(ListViewTable t, WPARAM at, const LVCOLUMNW* column) {
    if (column == nullptr || static_cast<int>(at) < 0 || t.columns.size() >= kMaxColumns) return -1;
    const size_t index = std::min(static_cast<size_t>(at), t.columns.size());
    ListViewColumn fresh;
    TakeFields(fresh, *column);
    t.columns.insert(t.columns.begin() + static_cast<long>(index), fresh);
    // Subitem k sits at subItems[k - 1]; the item's own text stays in column 0.
    const size_t cell = index == 0 ? 0 : index - 1;
    for (ListViewItem& item : t.items) {
        if (cell < item.subItems.size()) item.subItems.insert(item.subItems.begin() + static_cast<long>(cell), u"");
    }
    return static_cast<LRESULT>(index);
}

LRESULT SetColumn(ListViewTable t, WPARAM index, const LVCOLUMNW* column) {
    if (column == nullptr || !ValidColumn(t, index)) return FALSE;
    TakeFields(t.columns[index], *column);
    return TRUE;
}

LRESULT GetColumn(const ListViewTable& t, WPARAM index, LVCOLUMNW* column) {
    if (column == nullptr || !ValidColumn(t, index)) return FALSE;
    const ListViewColumn& c = t.columns[index];
    if (column->mask & LVCF_FMT) column->fmt = c.format;
    if (column->mask & LVCF_WIDTH) column->cx = c.width;
    if (column->mask & LVCF_TEXT) CopyOut(c.text, column->pszText, column->cchTextMax);
    if (column->mask & LVCF_SUBITEM) column->iSubItem = static_cast<int>(index);
    return TRUE;
}

LRESULT DeleteColumn(ListViewTable t, WPARAM index) {
    if (!ValidColumn(t, index) || (index == 0 && t.columns.size() > 1)) return FALSE;
    t.columns.erase(t.columns.begin() + static_cast<long>(index));
    if (index == 0) return TRUE;
    for (ListViewItem& item : t.items) {
        if (index - 1 < item.subItems.size()) item.subItems.erase(item.subItems.begin() + static_cast<long>(index - 1));
    }
    return TRUE;
}

LRESULT SetColumnWidth(ListViewTable t, WPARAM index, int width, LONG clientWidth, LONG iconWidth) {
    if (!ValidColumn(t, index)) return FALSE;
    LONG& target = t.columns[index].width;
    if (width >= 0) {
        target = width;
        return TRUE;
    }
    if (width != LVSCW_AUTOSIZE && width != LVSCW_AUTOSIZE_USEHEADER) return FALSE;
    target = WidestCell(t, index, iconWidth);
    if (width == LVSCW_AUTOSIZE) return TRUE;
    target = std::max(target, LabelWidth(t.columns[index].text) + 2 * kCellPadding);
    if (index + 1 == t.columns.size()) {
        LONG before = 0;
        for (size_t c = 0; c < index; ++c) before += t.columns[c].width;
        target = std::max(target, clientWidth - before);
    }
    return TRUE;
}

const std::u16string& CellText(const ListViewItem& item, size_t column) {
    static const std::u16string kEmpty;
    if (column == 0) return item.text;
    return column - 1 < item.subItems.size() ? item.subItems[column - 1] : kEmpty;
}

bool SetCellText(ListViewTable t, size_t item, size_t column, const std::u16string& text) {
    if (item >= t.items.size() || column == 0 || column >= t.columns.size()) return false;
    std::vector<std::u16string>& cells = t.items[item].subItems;
    if (cells.size() < column) cells.resize(column);
    cells[column - 1] = text;
    return true;
}

LRESULT FindItem(const std::vector<ListViewItem>& items, WPARAM start, const LVFINDINFOW* find) {
    if (find == nullptr || items.empty()) return -1;
    const UINT kinds = LVFI_PARAM | LVFI_STRING | LVFI_PARTIAL | LVFI_SUBSTRING;
    if ((find->flags & kinds) == 0 || (!(find->flags & LVFI_PARAM) && find->psz == nullptr)) return -1;
    const auto from = static_cast<int>(start);
    const size_t first = from < 0 || static_cast<size_t>(from) >= items.size() ? 0 : static_cast<size_t>(from) + 1;
    for (size_t i = first; i < items.size(); ++i) {
        if (Matches(items[i], *find)) return static_cast<LRESULT>(i);
    }
    if (!(find->flags & LVFI_WRAP)) return -1;
    for (size_t i = 0; i < first && i < items.size(); ++i) {
        if (Matches(items[i], *find)) return static_cast<LRESULT>(i);
    }
    return -1;
}

}  // namespace plat
