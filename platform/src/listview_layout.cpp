// The geometry of a list view's icon, small-icon and report views. Labels are measured with the UI face
// the renderer draws them in.
#include "listview_layout.h"

#include <algorithm>

#include "ui_fonts.h"

namespace plat {
namespace {

constexpr LONG kIconSpacing = 75;       // the system's icon spacing at 96 dpi
constexpr LONG kSmallLabelWidth = 100;  // a small-icon cell's room for its label
constexpr LONG kLabelPadding = 4;

bool InsideRect(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

LONG RowWidth(const ListViewGeometry& g) {
    LONG width = 0;
    for (LONG w : g.columns) width += w;
    return width;
}

// Report view: the small image (when the view has one) at the left of column 0, the label filling
// the rest of that column.
RECT ReportIcon(const ListViewGeometry& g, const ListViewItem& item) {
    const POINT p = item.position;
    const LONG column = g.columns.empty() ? 0 : g.columns[0];
    const LONG icon = g.icon.cx > 0 ? std::min(column, g.icon.cx + kIconMargin) : 0;
    return RECT{p.x, p.y, p.x + icon, p.y + kReportRowHeight};
}

RECT ReportLabel(const ListViewGeometry& g, const ListViewItem& item) {
    const RECT icon = ReportIcon(g, item);
    const LONG column = g.columns.empty() ? 0 : g.columns[0];
    return RECT{icon.right, icon.top, std::max(icon.right, item.position.x + column), icon.bottom};
}

RECT ReportPart(const ListViewGeometry& g, const ListViewItem& item, int part) {
    const RECT row{item.position.x, item.position.y, item.position.x + RowWidth(g), item.position.y + kReportRowHeight};
    switch (part) {
        case LVIR_ICON:
            return ReportIcon(g, item);
        case LVIR_LABEL:
            return ReportLabel(g, item);
        case kStateIconPart:
            return RECT{};
        case LVIR_SELECTBOUNDS:
            return g.fullRowSelect ? row : RECT{row.left, row.top, ReportLabel(g, item).right, row.bottom};
        default:
            return row;
    }
}

RECT IconBox(const ListViewGeometry& g, const ListViewItem& item) {
    const POINT p = item.position;
    if (g.smallIcons) return RECT{p.x, p.y, p.x + g.icon.cx + 2 * kIconMargin, p.y + g.spacing.cy};
    return RECT{p.x, p.y, p.x + g.spacing.cx, p.y + g.icon.cy + 2 * kIconMargin};
}

RECT LabelBox(const ListViewGeometry& g, const ListViewItem& item) {
    const RECT icon = IconBox(g, item);
    const LONG width = LabelWidth(item.text);
    if (g.smallIcons) {
        return RECT{icon.right, icon.top, icon.right + std::min(width, kSmallLabelWidth), icon.bottom};
    }
    const LONG room = g.spacing.cx - 2 * kIconMargin;
    const LONG shown = std::min(width, room);
    const LONG left = item.position.x + (g.spacing.cx - shown) / 2;
    return RECT{left, icon.bottom, left + shown, icon.bottom + LabelLines(g, item.text) * kUiLineHeight + kIconMargin};
}

// The state image sits at the lower left of the icon (before it in small-icon view).
RECT StateBox(const ListViewGeometry& g, const ListViewItem& item) {
    if ((item.state & LVIS_STATEIMAGEMASK) == 0 || g.stateIcon.cx <= 0) return RECT{};
    const RECT icon = IconBox(g, item);
    const LONG imageLeft = g.smallIcons ? icon.left : icon.left + (g.spacing.cx - g.icon.cx) / 2;
    const LONG bottom = icon.bottom - kIconMargin;
    return RECT{imageLeft - g.stateIcon.cx, bottom - g.stateIcon.cy, imageLeft, bottom};
}

}  // namespace

SIZE DefaultIconSpacing(SIZE icon) {
    return SIZE{
        std::max(kIconSpacing, icon.cx + 4 * kIconMargin),
        std::max(kIconSpacing, icon.cy + 2 * kIconMargin + kLargestLabelLines * kUiLineHeight + 4 * kIconMargin)};
}

SIZE SmallIconCell(SIZE icon) {
    return SIZE{icon.cx + 2 * kIconMargin + kSmallLabelWidth, std::max<LONG>(icon.cy, kUiLineHeight) + 2 * kIconMargin};
}

POINT GridSlot(const ListViewGeometry& g, size_t slot) {
    if (g.report) return POINT{0, g.headerHeight + static_cast<LONG>(slot) * kReportRowHeight};
    const LONG columns = std::max<LONG>(1, g.clientWidth / std::max<LONG>(1, g.spacing.cx));
    const auto n = static_cast<LONG>(slot);
    return POINT{(n % columns) * g.spacing.cx, (n / columns) * g.spacing.cy};
}

POINT FreeSlot(const ListViewGeometry& g, const std::vector<ListViewItem>& items, size_t skip) {
    for (size_t slot = 0;; ++slot) {
        const POINT p = GridSlot(g, slot);
        bool taken = false;
        for (size_t i = 0; i < items.size() && !taken; ++i) {
            taken = i != skip && items[i].position.x == p.x && items[i].position.y == p.y;
        }
        if (!taken) return p;
    }
}

LONG LabelWidth(const std::u16string& text) {
    return text.empty() ? 0 : SetUiText(0, 0, text, nullptr, nullptr) + kLabelPadding;
}

LONG LabelLines(const ListViewGeometry& g, const std::u16string& text) {
    if (g.smallIcons) return 1;
    return LabelWidth(text) > g.spacing.cx - 2 * kIconMargin ? kLargestLabelLines : 1;
}

RECT ItemPart(const ListViewGeometry& g, const ListViewItem& item, int part) {
    if (g.report) return ReportPart(g, item, part);
    switch (part) {
        case LVIR_ICON:
            return IconBox(g, item);
        case LVIR_LABEL:
            return LabelBox(g, item);
        case kStateIconPart:
            return StateBox(g, item);
        default: {
            const RECT icon = IconBox(g, item), label = LabelBox(g, item);
            return RECT{std::min(icon.left, label.left), icon.top, std::max(icon.right, label.right),
                        std::max(icon.bottom, label.bottom)};
        }
    }
}

UINT HitItem(const ListViewGeometry& g, const ListViewItem& item, POINT at) {
    if (g.report) {
        // Without a full-row selection only column 0's image and label take a click.
        if (InsideRect(ReportIcon(g, item), at)) return LVHT_ONITEMICON;
        if (InsideRect(ReportPart(g, item, LVIR_SELECTBOUNDS), at)) return LVHT_ONITEMLABEL;
        return 0;
    }
    if (InsideRect(StateBox(g, item), at)) return LVHT_ONITEMSTATEICON;
    if (InsideRect(IconBox(g, item), at)) return LVHT_ONITEMICON;
    if (InsideRect(LabelBox(g, item), at)) return LVHT_ONITEMLABEL;
    return 0;
}

RECT CellRect(const ListViewGeometry& g, const ListViewItem& item, size_t column) {
    if (column >= g.columns.size()) return RECT{};
    LONG left = item.position.x;
    for (size_t c = 0; c < column; ++c) left += g.columns[c];
    return RECT{left, item.position.y, left + g.columns[column], item.position.y + kReportRowHeight};
}

int ColumnAt(const ListViewGeometry& g, LONG x) {
    LONG left = 0;
    for (size_t c = 0; c < g.columns.size(); ++c) {
        if (x >= left && x < left + g.columns[c]) return static_cast<int>(c);
        left += g.columns[c];
    }
    return -1;
}

}  // namespace plat
