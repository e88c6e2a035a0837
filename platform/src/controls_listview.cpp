// The list view in icon, small-icon and report view: items with text, image, data and state, laid
// out in a grid (kept arranged with LVS_AUTOARRANGE) or in rows under a header of columns whose
// cells hold the subitem texts, scrolled by pixels. Every change of an item is
// asked for (LVN_ITEMCHANGING, refusable) and told of (LVN_ITEMCHANGED) with its old and new
// state, whether the program or the user made it; a single-selection view takes the selection
// from the other item first.
#include <algorithm>
#include <vector>

#include "listview_columns.h"
#include "listview_layout.h"
#include "plat_internal.h"
#include "system_classes.h"
#include "win/list_view.h"
#include "win/user_gdi.h"

namespace plat {
namespace {

constexpr size_t kMaxListItems = 100000;
constexpr UINT kExclusiveStates = LVIS_FOCUSED | LVIS_SELECTED;
constexpr int kNotPressed = -2;  // no button down on the view (-1: down on no item)

struct ListViewState {
    std::vector<ListViewItem> items;
    HIMAGELIST normal = nullptr;
    HIMAGELIST small = nullptr;
    HIMAGELIST stateImages = nullptr;
    SIZE spacing{};                       // 0: the default for the normal images
    POINT origin{};                       // the view's point at the client's upper-left
    std::vector<ListViewColumn> columns;  // report view
    DWORD extendedStyle = 0;              // LVS_EX_
    int pressedOn = kNotPressed;          // report view: the item the button went down on
};

DWORD StyleOf(HWND h) {
    return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
}

bool SmallIconView(HWND h) {
    return (StyleOf(h) & LVS_TYPEMASK) == LVS_SMALLICON;
}

bool ReportView(HWND h) {
    return (StyleOf(h) & LVS_TYPEMASK) == LVS_REPORT;
}

SIZE ImageSize(HIMAGELIST list, SIZE otherwise) {
    int cx = 0, cy = 0;
    return ImageList_GetIconSize(list, &cx, &cy) ? SIZE{cx, cy} : otherwise;
}

SIZE IconSpacingOf(const ListViewState& s, SIZE icon) {
    return s.spacing.cx > 0 ? s.spacing : DefaultIconSpacing(icon);
}

// Rows of the small images' height (none without them) under the header, as wide as the columns.
ListViewGeometry ReportGeometry(HWND h, const ListViewState& s) {
    ListViewGeometry g;
    g.report = true;
    g.icon = ImageSize(s.small, SIZE{0, 0});
    g.stateIcon = SIZE{0, 0};
    LONG width = 0;
    for (const ListViewColumn& c : s.columns) {
        g.columns.push_back(c.width);
        width += c.width;
    }
    g.spacing = SIZE{width, kReportRowHeight};
    g.headerHeight = (StyleOf(h) & LVS_NOCOLUMNHEADER) ? 0 : kReportHeaderHeight;
    g.fullRowSelect = (s.extendedStyle & LVS_EX_FULLROWSELECT) != 0;
    RECT client{};
    GetClientRect(h, &client);
    g.clientWidth = client.right;
    return g;
}

ListViewGeometry Geometry(HWND h, const ListViewState& s) {
    if (ReportView(h)) return ReportGeometry(h, s);
    ListViewGeometry g;
    g.smallIcons = SmallIconView(h);
    g.icon = g.smallIcons ? ImageSize(s.small, SIZE{16, 16}) : ImageSize(s.normal, SIZE{32, 32});
    g.stateIcon = ImageSize(s.stateImages, SIZE{0, 0});
    g.spacing = g.smallIcons ? SmallIconCell(g.icon) : IconSpacingOf(s, g.icon);
    RECT client{};
    GetClientRect(h, &client);
    g.clientWidth = client.right;
    return g;
}

bool ValidIndex(const ListViewState& s, WPARAM index) {
    auto i = static_cast<int>(index);
    return i >= 0 && static_cast<size_t>(i) < s.items.size();
}

// Items of a view kept arranged always lie on the slot of their index.
void Rearrange(HWND h, ListViewState& s, bool always) {
    if (!always && !(StyleOf(h) & LVS_AUTOARRANGE) && !ReportView(h)) return;
    const ListViewGeometry g = Geometry(h, s);
    for (size_t i = 0; i < s.items.size(); ++i) s.items[i].position = GridSlot(g, i);
}

RECT ToClient(const ListViewState& s, RECT r) {
    return RECT{r.left - s.origin.x, r.top - s.origin.y, r.right - s.origin.x, r.bottom - s.origin.y};
}

// ---- Notifications ----

LRESULT SendNotify(HWND h, NMHDR& header, UINT code) {
    HWND parent = GetParent(h);
    if (parent == nullptr) return 0;
    header = NMHDR{h, static_cast<UINT_PTR>(GetDlgCtrlID(h)), code};
    return SendMessageW(parent, WM_NOTIFY, static_cast<WPARAM>(header.idFrom), reinterpret_cast<LPARAM>(&header));
}

LRESULT NotifyItem(HWND h, UINT code, int index, const ListViewItem* item, UINT changed, UINT oldState, UINT newState,
                   POINT at = POINT{}) {
    NMLISTVIEW notice{};
    notice.iItem = index;
    notice.uNewState = newState;
    notice.uOldState = oldState;
    notice.uChanged = changed;
    notice.ptAction = at;
    notice.lParam = item ? item->param : 0;
    return SendNotify(h, notice.hdr, code);
}

void NotifyActivate(HWND h, UINT code, int index, POINT at) {
    NMITEMACTIVATE notice{};
    notice.iItem = index;
    notice.ptAction = at;
    SendNotify(h, notice.hdr, code);
}

// ---- Changing items ----

// The fields of an LVITEMW a change brings; the state only under its mask.
struct Change {
    UINT mask = 0;
    const std::u16string* text = nullptr;
    int image = 0;
    LPARAM param = 0;
    UINT state = 0;
    UINT stateMask = 0;
};

// Applies one change to one item, asked for first and told of after; false when the parent
// refused or nothing changed.
bool ChangeItem(HWND h, ListViewState& s, size_t index, const Change& c) {
    ListViewItem& item = s.items[index];
    const UINT oldState = item.state;
    const UINT newState = (c.mask & LVIF_STATE) ? (oldState & ~c.stateMask) | (c.state & c.stateMask) : oldState;
    UINT changed = 0;
    if ((c.mask & LVIF_TEXT) && c.text && *c.text != item.text) changed |= LVIF_TEXT;
    if ((c.mask & LVIF_IMAGE) && c.image != item.image) changed |= LVIF_IMAGE;
    if ((c.mask & LVIF_PARAM) && c.param != item.param) changed |= LVIF_PARAM;
    if (newState != oldState) changed |= LVIF_STATE;
    if (changed == 0) return false;
    const UINT toldOld = (changed & LVIF_STATE) ? oldState : 0, toldNew = (changed & LVIF_STATE) ? newState : 0;
    const int i = static_cast<int>(index);
    if (NotifyItem(h, LVN_ITEMCHANGING, i, &item, changed, toldOld, toldNew)) return false;
    if (index >= s.items.size()) return false;  // the parent deleted items while it was asked
    ListViewItem& now = s.items[index];
    if (changed & LVIF_TEXT) now.text = *c.text;
    if (changed & LVIF_IMAGE) now.image = c.image;
    if (changed & LVIF_PARAM) now.param = c.param;
    now.state = newState;
    NotifyItem(h, LVN_ITEMCHANGED, i, &now, changed, toldOld, toldNew);
    return true;
}

bool ChangeState(HWND h, ListViewState& s, size_t index, UINT state, UINT mask) {
    Change c;
    c.mask = LVIF_STATE;
    c.state = state;
    c.stateMask = mask;
    return index < s.items.size() && ChangeItem(h, s, index, c);
}

// Before an item gains the focus (or, in a single-selection view, the selection) every other
// item that holds it gives it up.
void TakeExclusiveStates(HWND h, ListViewState& s, size_t index, UINT gained) {
    UINT exclusive = gained & LVIS_FOCUSED;
    if (StyleOf(h) & LVS_SINGLESEL) exclusive |= gained & LVIS_SELECTED;
    if (exclusive == 0) return;
    for (size_t j = 0; j < s.items.size(); ++j) {
        if (j != index && (s.items[j].state & exclusive)) ChangeState(h, s, j, 0, exclusive);
    }
}

// A change of the program's or user's to one item, the focus and a single selection kept
// exclusive.
bool SetItemFields(HWND h, ListViewState& s, size_t index, const Change& c) {
    if (c.mask & LVIF_STATE) {
        const UINT gained = c.state & c.stateMask & ~s.items[index].state & kExclusiveStates;
        TakeExclusiveStates(h, s, index, gained);
    }
    return index < s.items.size() && ChangeItem(h, s, index, c);
}

Change ChangeFrom(const LVITEMW& item, std::u16string& text) {
    Change c;
    c.mask = item.mask & (LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE);
    if (c.mask & LVIF_TEXT) {
        text = item.pszText ? item.pszText : u"";
        c.text = &text;
    }
    c.image = item.iImage;
    c.param = item.lParam;
    c.state = item.state;
    c.stateMask = item.stateMask;
    return c;
}

// LVM_SETITEMSTATE: index -1 changes every item.
LRESULT SetItemState(HWND h, ListViewState& s, WPARAM index, const LVITEMW* item) {
    if (item == nullptr) return FALSE;
    Change c;
    c.mask = LVIF_STATE;
    c.state = item->state;
    c.stateMask = item->stateMask;
    if (static_cast<int>(index) != -1) {
        if (!ValidIndex(s, index)) return FALSE;
        SetItemFields(h, s, index, c);
        return TRUE;
    }
    for (size_t i = 0; i < s.items.size(); ++i) SetItemFields(h, s, i, c);
    return TRUE;
}

ListViewTable TableOf(ListViewState& s) {
    return ListViewTable{s.columns, s.items};
}

// A subitem's text: only the text of a subitem changes, and nobody is told.
LRESULT SetSubItem(ListViewState& s, size_t index, const LVITEMW& item) {
    if (!(item.mask & LVIF_TEXT)) return TRUE;
    return SetCellText(TableOf(s), index, static_cast<size_t>(item.iSubItem), item.pszText ? item.pszText : u"");
}

LRESULT SetItem(HWND h, ListViewState& s, const LVITEMW* item) {
    if (item == nullptr || item->iSubItem < 0 || !ValidIndex(s, static_cast<WPARAM>(item->iItem))) return FALSE;
    if (item->iSubItem > 0) return SetSubItem(s, static_cast<size_t>(item->iItem), *item);
    std::u16string text;
    SetItemFields(h, s, static_cast<size_t>(item->iItem), ChangeFrom(*item, text));
    return TRUE;
}

LRESULT SetItemText(HWND h, ListViewState& s, WPARAM index, const LVITEMW* item) {
    if (item == nullptr || item->iSubItem < 0 || !ValidIndex(s, index)) return FALSE;
    if (item->iSubItem > 0) {
        LVITEMW text = *item;
        text.mask = LVIF_TEXT;
        return SetSubItem(s, index, text);
    }
    std::u16string text = item->pszText ? item->pszText : u"";
    Change c;
    c.mask = LVIF_TEXT;
    c.text = &text;
    ChangeItem(h, s, index, c);
    return TRUE;
}

// The new item's fields go in without notice; a selection or focus it comes with is then given
// as any other state change is, so the view keeps one focus (and one selection when single).
LRESULT InsertItem(HWND h, ListViewState& s, const LVITEMW* item) {
    if (item == nullptr || item->iItem < 0 || item->iSubItem != 0 || s.items.size() >= kMaxListItems) return -1;
    ListViewItem fresh;
    if (item->mask & LVIF_TEXT) fresh.text = item->pszText ? item->pszText : u"";
    if (item->mask & LVIF_IMAGE) fresh.image = item->iImage;
    if (item->mask & LVIF_PARAM) fresh.param = item->lParam;
    const UINT wanted = (item->mask & LVIF_STATE) ? item->state & item->stateMask : 0;
    fresh.state = wanted & ~kExclusiveStates;
    const size_t at = std::min(static_cast<size_t>(item->iItem), s.items.size());
    s.items.insert(s.items.begin() + static_cast<long>(at), fresh);
    if ((StyleOf(h) & LVS_AUTOARRANGE) || ReportView(h)) {
        Rearrange(h, s, true);
    } else {
        s.items[at].position = FreeSlot(Geometry(h, s), s.items, at);
    }
    NotifyItem(h, LVN_INSERTITEM, static_cast<int>(at), &s.items[at], 0, 0, 0);
    if ((wanted & kExclusiveStates) && at < s.items.size()) {
        SetItemFields(h, s, at, Change{LVIF_STATE, nullptr, 0, 0, wanted, kExclusiveStates});
    }
    return static_cast<LRESULT>(at);
}

// A subitem's text comes from its cell; the other fields are the item's.
LRESULT GetItem(const ListViewState& s, LVITEMW* item) {
    if (item == nullptr || item->iSubItem < 0 || !ValidIndex(s, static_cast<WPARAM>(item->iItem))) return FALSE;
    const ListViewItem& it = s.items[static_cast<size_t>(item->iItem)];
    if ((item->mask & LVIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        const std::u16string& text = CellText(it, static_cast<size_t>(item->iSubItem));
        const size_t count = std::min(text.size(), static_cast<size_t>(item->cchTextMax - 1));
        text.copy(item->pszText, count);
        item->pszText[count] = 0;
    }
    if (item->mask & LVIF_IMAGE) item->iImage = it.image;
    if (item->mask & LVIF_PARAM) item->lParam = it.param;
    if (item->mask & LVIF_STATE) item->state = it.state & item->stateMask;
    return TRUE;
}

LRESULT GetItemText(const ListViewState& s, WPARAM index, LVITEMW* item) {
    if (item == nullptr || !ValidIndex(s, index) || item->pszText == nullptr || item->cchTextMax <= 0 ||
        item->iSubItem < 0)
        return 0;
    const std::u16string& text = CellText(s.items[index], static_cast<size_t>(item->iSubItem));
    const size_t count = std::min(text.size(), static_cast<size_t>(item->cchTextMax - 1));
    text.copy(item->pszText, count);
    item->pszText[count] = 0;
    return static_cast<LRESULT>(count);
}

// ---- Deleting ----

LRESULT DeleteItem(HWND h, ListViewState& s, WPARAM index) {
    if (!ValidIndex(s, index)) return FALSE;
    NotifyItem(h, LVN_DELETEITEM, static_cast<int>(index), &s.items[index], 0, 0, 0);
    if (!ValidIndex(s, index)) return FALSE;  // the parent emptied the view meanwhile
    s.items.erase(s.items.begin() + static_cast<long>(index));
    Rearrange(h, s, false);
    return TRUE;
}

// The parent is told once; unless it answers TRUE it then hears of every item, first to last.
LRESULT DeleteAllItems(HWND h, ListViewState& s) {
    if (s.items.empty()) return TRUE;
    const bool quiet = NotifyItem(h, LVN_DELETEALLITEMS, -1, nullptr, 0, 0, 0) != 0;
    std::vector<ListViewItem> gone;
    gone.swap(s.items);
    s.origin = POINT{};
    if (quiet) return TRUE;
    for (size_t i = 0; i < gone.size(); ++i) NotifyItem(h, LVN_DELETEITEM, static_cast<int>(i), &gone[i], 0, 0, 0);
    return TRUE;
}

// ---- Finding ----

LRESULT NextItem(const ListViewState& s, WPARAM start, LPARAM flags) {
    const UINT wanted = static_cast<UINT>(flags) & (LVNI_FOCUSED | LVNI_SELECTED | LVNI_CUT | LVNI_DROPHILITED);
    const auto from = static_cast<int>(start);
    for (size_t i = from < 0 ? 0 : static_cast<size_t>(from) + 1; i < s.items.size(); ++i) {
        if ((s.items[i].state & wanted) == wanted) return static_cast<LRESULT>(i);
    }
    return -1;
}

LRESULT ItemRect(HWND h, const ListViewState& s, WPARAM index, RECT* out) {
    if (out == nullptr || !ValidIndex(s, index)) return FALSE;
    const int part = static_cast<int>(out->left);
    if (part < LVIR_BOUNDS || part > LVIR_SELECTBOUNDS) return FALSE;
    *out = ToClient(s, ItemPart(Geometry(h, s), s.items[index], part));
    return TRUE;
}

// Topmost item first: the last drawn lies over the others.
LRESULT HitTest(HWND h, const ListViewState& s, LVHITTESTINFO* info) {
    if (info == nullptr) return -1;
    info->iItem = -1;
    info->iSubItem = 0;
    RECT client{};
    GetClientRect(h, &client);
    const POINT at = info->pt;
    info->flags = 0;
    if (at.y < 0) info->flags |= LVHT_ABOVE;
    if (at.y >= client.bottom) info->flags |= LVHT_BELOW;
    if (at.x < 0) info->flags |= LVHT_TOLEFT;
    if (at.x >= client.right) info->flags |= LVHT_TORIGHT;
    if (info->flags != 0) return -1;
    const ListViewGeometry g = Geometry(h, s);
    const POINT inView{at.x + s.origin.x, at.y + s.origin.y};
    if (at.y < g.headerHeight) {  // the header row does not scroll with the items
        info->flags = LVHT_NOWHERE;
        return -1;
    }
    for (size_t i = s.items.size(); i-- > 0;) {
        if (UINT hit = HitItem(g, s.items[i], inView)) {
            info->flags = hit;
            info->iItem = static_cast<int>(i);
            return info->iItem;
        }
    }
    info->flags = LVHT_NOWHERE;
    return -1;
}

// ---- Scrolling ----

// How far the items reach beyond the client area, to the right and down.
POINT ScrollRoom(HWND h, const ListViewState& s) {
    const ListViewGeometry g = Geometry(h, s);
    LONG right = 0, bottom = 0;
    for (const ListViewItem& item : s.items) {
        const RECT r = ItemPart(g, item, LVIR_BOUNDS);
        right = std::max(right, r.right);
        bottom = std::max(bottom, r.bottom);
    }
    RECT client{};
    GetClientRect(h, &client);
    return POINT{std::max<LONG>(0, right - client.right), std::max<LONG>(0, bottom - client.bottom)};
}

void ScrollTo(HWND h, ListViewState& s, POINT origin) {
    const POINT room = ScrollRoom(h, s);
    s.origin = POINT{std::clamp<LONG>(origin.x, 0, room.x), std::clamp<LONG>(origin.y, 0, room.y)};
}

LRESULT EnsureVisible(HWND h, ListViewState& s, WPARAM index, LPARAM partialOk) {
    if (!ValidIndex(s, index)) return FALSE;
    RECT client{};
    GetClientRect(h, &client);
    const ListViewGeometry g = Geometry(h, s);
    const RECT r = ToClient(s, ItemPart(g, s.items[index], LVIR_BOUNDS));
    const LONG top = g.headerHeight;  // rows under the header are hidden
    const bool partly = r.bottom > top && r.top < client.bottom;
    if (partialOk && partly) return TRUE;
    POINT origin = s.origin;
    if (r.bottom > client.bottom) origin.y += r.bottom - client.bottom;
    if (r.top - (origin.y - s.origin.y) < top) origin.y = s.origin.y + r.top - top;  // its top wins over its bottom
    ScrollTo(h, s, origin);
    return TRUE;
}

// ---- Images and spacing ----

LRESULT SwapImageList(HWND h, ListViewState& s, WPARAM which, HIMAGELIST list) {
    HIMAGELIST* slot = which == LVSIL_SMALL ? &s.small : which == LVSIL_STATE ? &s.stateImages : &s.normal;
    if (which > LVSIL_STATE) return 0;
    HIMAGELIST old = *slot;
    *slot = list;
    Rearrange(h, s, false);
    return reinterpret_cast<LRESULT>(old);
}

SIZE IconSpacing(const ListViewState& s) {
    return IconSpacingOf(s, ImageSize(s.normal, SIZE{32, 32}));
}

// LVM_SETICONSPACING: the old spacing back; -1 for either size takes the default again.
LRESULT SetIconSpacing(HWND h, ListViewState& s, LPARAM sizes) {
    const SIZE old = IconSpacing(s);
    const auto cx = static_cast<SHORT>(LOWORD(sizes)), cy = static_cast<SHORT>(HIWORD(sizes));
    const SIZE standard = DefaultIconSpacing(ImageSize(s.normal, SIZE{32, 32}));
    s.spacing = SIZE{cx < 0 ? standard.cx : std::max<LONG>(cx, 1), cy < 0 ? standard.cy : std::max<LONG>(cy, 1)};
    Rearrange(h, s, false);
    return MAKELONG(old.cx, old.cy);
}

LRESULT ItemSpacing(const ListViewState& s, WPARAM smallIcons) {
    const SIZE cell = smallIcons ? SmallIconCell(ImageSize(s.small, SIZE{16, 16})) : IconSpacing(s);
    return MAKELONG(cell.cx, cell.cy);
}

LRESULT SetItemPosition(HWND h, ListViewState& s, WPARAM index, POINT at) {
    if (!ValidIndex(s, index)) return FALSE;
    s.items[index].position = POINT{at.x + s.origin.x, at.y + s.origin.y};
    Rearrange(h, s, false);  // a view kept arranged puts it back on its slot
    return TRUE;
}

LRESULT ItemPosition(const ListViewState& s, WPARAM index, POINT* out) {
    if (out == nullptr || !ValidIndex(s, index)) return FALSE;
    const POINT p = s.items[index].position;
    *out = POINT{p.x - s.origin.x, p.y - s.origin.y};
    return TRUE;
}

// ---- Drag image ----

// One image of the item's icon and label as they are drawn, on the view's white.
LRESULT CreateDragImage(HWND h, const ListViewState& s, WPARAM index, POINT* upperLeft) {
    if (!ValidIndex(s, index)) return 0;
    const ListViewGeometry g = Geometry(h, s);
    const ListViewItem& item = s.items[index];
    const RECT bounds = ItemPart(g, item, LVIR_BOUNDS), icon = ItemPart(g, item, LVIR_ICON);
    RECT label = ItemPart(g, item, LVIR_LABEL);
    const int cx = std::clamp<int>(bounds.right - bounds.left, 1, 256),
              cy = std::clamp<int>(bounds.bottom - bounds.top, 1, 256);
    HIMAGELIST drag = ImageList_Create(cx, cy, ILC_COLOR24, 1, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP picture = CreateCompatibleBitmap(dc, cx, cy);
    HGDIOBJ old = SelectObject(dc, picture);
    RECT all{0, 0, cx, cy};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HIMAGELIST images = g.smallIcons ? s.small : s.normal;
    const int imageLeft = g.smallIcons ? kIconMargin : (g.spacing.cx - g.icon.cx) / 2;
    if (images)
        ImageList_Draw(images, item.image, dc, imageLeft + icon.left - bounds.left, kIconMargin, ILD_TRANSPARENT);
    label =
        RECT{label.left - bounds.left, label.top - bounds.top, label.right - bounds.left, label.bottom - bounds.top};
    DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &label, DT_CENTER);
    SelectObject(dc, old);
    DeleteDC(dc);
    ImageList_Add(drag, picture, nullptr);
    DeleteObject(picture);
    if (upperLeft) *upperLeft = POINT{bounds.left - s.origin.x, bounds.top - s.origin.y};
    return reinterpret_cast<LRESULT>(drag);
}

// ---- The user ----

// Where the user's pointer is taken to be on an item: its icon's centre (the corner for none).
POINT ItemCentre(HWND h, const ListViewState& s, int index) {
    if (!ValidIndex(s, static_cast<WPARAM>(index))) return POINT{0, 0};
    const int part = ReportView(h) ? LVIR_LABEL : LVIR_ICON;
    const RECT r = ToClient(s, ItemPart(Geometry(h, s), s.items[static_cast<size_t>(index)], part));
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A button pressed on an item: the others give up their selection and focus, then the item takes
// both; pressed on no item, every selection goes.
void PressOn(HWND h, ListViewState& s, int index) {
    SetFocus(h);
    for (size_t j = 0; j < s.items.size(); ++j) {
        if (static_cast<int>(j) == index) continue;
        const UINT drop = (index >= 0 ? kExclusiveStates : LVIS_SELECTED) & s.items[j].state;
        if (drop) ChangeState(h, s, j, 0, drop);
    }
    if (index >= 0) ChangeState(h, s, static_cast<size_t>(index), kExclusiveStates, kExclusiveStates);
}

bool UserCanReach(HWND h, const ListViewState& s, int index) {
    return IsWindowEnabled(h) && IsWindowVisible(h) && (index == -1 || ValidIndex(s, static_cast<WPARAM>(index)));
}

// kUserChoose: a click (pressed and released in place); NM_CLICK follows the selection.
LRESULT UserClick(HWND h, ListViewState& s, int index) {
    if (!UserCanReach(h, s, index)) return FALSE;
    PressOn(h, s, index);
    NotifyActivate(h, NM_CLICK, index, ItemCentre(h, s, index));
    return TRUE;
}

// A double click: the first click, then NM_DBLCLK and, on an item, LVN_ITEMACTIVATE.
LRESULT UserDoubleClick(HWND h, ListViewState& s, int index) {
    if (!UserClick(h, s, index)) return FALSE;
    const POINT at = ItemCentre(h, s, index);
    NotifyActivate(h, NM_DBLCLK, index, at);
    if (ValidIndex(s, static_cast<WPARAM>(index))) NotifyActivate(h, LVN_ITEMACTIVATE, index, at);
    return TRUE;
}

// The button pressed on an item and the mouse moved past the drag distance: the press selects
// it, then the parent is told to begin dragging (the button is still down: no NM_CLICK).
LRESULT UserBeginDrag(HWND h, ListViewState& s, int index) {
    if (index < 0 || !UserCanReach(h, s, index)) return FALSE;
    PressOn(h, s, index);
    if (!ValidIndex(s, static_cast<WPARAM>(index))) return FALSE;
    NotifyItem(h, LVN_BEGINDRAG, index, &s.items[static_cast<size_t>(index)], 0, 0, 0, ItemCentre(h, s, index));
    return TRUE;
}

// The next item a key moves to: along the row for left and right, a row for up and down.
int KeyTarget(HWND h, const ListViewState& s, WPARAM key) {
    const auto count = static_cast<int>(s.items.size());
    const LRESULT focus = NextItem(s, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    const int at = focus < 0 ? 0 : static_cast<int>(focus);
    const ListViewGeometry g = Geometry(h, s);
    const int columns =
        g.report ? 1 : std::max<int>(1, static_cast<int>(g.clientWidth / std::max<LONG>(1, g.spacing.cx)));
    int to = at;
    switch (key) {
        case VK_LEFT:
            to = at - 1;
            break;
        case VK_RIGHT:
            to = at + 1;
            break;
        case VK_UP:
            to = at - columns;
            break;
        case VK_DOWN:
            to = at + columns;
            break;
        case VK_HOME:
            to = 0;
            break;
        case VK_END:
            to = count - 1;
            break;
        default:
            return -1;
    }
    return count == 0 ? -1 : std::clamp(to, 0, count - 1);
}

// The parent hears of every key first; the moving keys then move the focus and selection.
void KeyDown(HWND h, ListViewState& s, WPARAM key) {
    NMLVKEYDOWN notice{};
    notice.wVKey = static_cast<WORD>(key);
    SendNotify(h, notice.hdr, LVN_KEYDOWN);
    const int to = KeyTarget(h, s, key);
    if (to < 0 || !ValidIndex(s, static_cast<WPARAM>(to))) return;
    PressOn(h, s, to);
    EnsureVisible(h, s, static_cast<WPARAM>(to), FALSE);
}

void DestroyOwnImageLists(HWND h, ListViewState& s) {
    if (StyleOf(h) & LVS_SHAREIMAGELISTS) return;
    for (HIMAGELIST* list : {&s.normal, &s.small, &s.stateImages}) {
        if (*list) ImageList_Destroy(*list);
        *list = nullptr;
    }
}

// ---- Report view ----

// LVM_GETSUBITEMRECT: a column's cell (RECT top: the subitem; left: the LVIR_ part); for subitem
// 0, LVIR_BOUNDS is the whole row as on Windows, the other parts column 0's.
LRESULT SubItemRect(HWND h, const ListViewState& s, WPARAM index, RECT* out) {
    if (out == nullptr || !ValidIndex(s, index) || !ReportView(h)) return FALSE;
    const auto column = static_cast<size_t>(out->top);
    const int part = static_cast<int>(out->left);
    const ListViewGeometry g = Geometry(h, s);
    if (out->top < 0 || column >= s.columns.size() || part < LVIR_BOUNDS || part > LVIR_LABEL) return FALSE;
    const ListViewItem& item = s.items[index];
    *out = ToClient(s, column == 0 ? ItemPart(g, item, part) : CellRect(g, item, column));
    return TRUE;
}

// LVM_SUBITEMHITTEST: the item and the column under a point; the item is hit anywhere in its row.
LRESULT SubItemHitTest(HWND h, const ListViewState& s, LVHITTESTINFO* info) {
    if (info == nullptr) return -1;
    info->iItem = -1;
    info->iSubItem = -1;
    info->flags = LVHT_NOWHERE;
    const ListViewGeometry g = Geometry(h, s);
    RECT client{};
    GetClientRect(h, &client);
    const POINT at = info->pt;
    if (!g.report || at.y < g.headerHeight || at.y >= client.bottom || at.x < 0 || at.x >= client.right) return -1;
    const POINT inView{at.x + s.origin.x, at.y + s.origin.y};
    const int column = ColumnAt(g, inView.x);
    for (size_t i = 0; i < s.items.size() && column >= 0; ++i) {
        const RECT row = ItemPart(g, s.items[i], LVIR_BOUNDS);
        if (inView.y < row.top || inView.y >= row.bottom) continue;
        info->iItem = static_cast<int>(i);
        info->iSubItem = column;
        info->flags = column == 0 ? HitItem(g, s.items[i], inView) : LVHT_ONITEMLABEL;
        if (info->flags == 0) info->flags = LVHT_ONITEMLABEL;
        return info->iItem;
    }
    return -1;
}

LRESULT SetExtendedStyle(ListViewState& s, WPARAM mask, LPARAM style) {
    const DWORD old = s.extendedStyle;
    const DWORD changing = mask ? static_cast<DWORD>(mask) : ~DWORD{0};
    s.extendedStyle = (old & ~changing) | (static_cast<DWORD>(style) & changing);
    return old;
}

LONG ClientHeight(HWND h) {
    RECT client{};
    GetClientRect(h, &client);
    return client.bottom;
}

LRESULT TopIndex(HWND h, const ListViewState& s) {
    if (!ReportView(h) || s.items.empty()) return 0;  // icon views have no top item
    return std::min<LRESULT>(s.origin.y / kReportRowHeight, static_cast<LRESULT>(s.items.size()) - 1);
}

LRESULT CountPerPage(HWND h, const ListViewState& s) {
    if (!ReportView(h)) return static_cast<LRESULT>(s.items.size());  // every item, in icon views
    return std::max<LONG>(0, ClientHeight(h) - Geometry(h, s).headerHeight) / kReportRowHeight;
}

// The mouse in report view: the press selects the row's item (or, off the items, clears the
// selection), the release reports the click. A press on the header leaves the items alone.
void ReportPress(HWND h, ListViewState& s, LPARAM at) {
    LVHITTESTINFO info{};
    info.pt = POINT{static_cast<SHORT>(LOWORD(at)), static_cast<SHORT>(HIWORD(at))};
    if (info.pt.y < Geometry(h, s).headerHeight) return;  // the header's, not the items'

    const int index = static_cast<int>(HitTest(h, s, &info));
    PressOn(h, s, index);
    s.pressedOn = index;
}

void ReportRelease(HWND h, ListViewState& s) {
    if (s.pressedOn == kNotPressed) return;
    const int index = ValidIndex(s, static_cast<WPARAM>(s.pressedOn)) ? s.pressedOn : -1;
    s.pressedOn = kNotPressed;
    NotifyActivate(h, NM_CLICK, index, ItemCentre(h, s, index));
}

using Handler = LRESULT (*)(HWND, ListViewState&, UINT, WPARAM, LPARAM, bool&);
LRESULT ItemMessage(HWND h, ListViewState& s, UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
LRESULT ViewMessage(HWND h, ListViewState& s, UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
LRESULT InputMessage(HWND h, ListViewState& s, UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
LRESULT ReportMessage(HWND h, ListViewState& s, UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

}  // namespace

LRESULT CALLBACK ListViewProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        FreeControlState<ListViewState>(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    ListViewState& s = *ControlState<ListViewState>(h);
    for (Handler handler : {ItemMessage, ViewMessage, ReportMessage, InputMessage}) {
        bool handled = true;
        const LRESULT answer = handler(h, s, message, wParam, lParam, handled);
        if (handled) return answer;
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

namespace {

// The items: added, changed, read, found and deleted.
LRESULT ItemMessage(HWND h, ListViewState& s, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case LVM_INSERTITEMW:
            return InsertItem(h, s, reinterpret_cast<const LVITEMW*>(lParam));
        case LVM_SETITEMW:
            return SetItem(h, s, reinterpret_cast<const LVITEMW*>(lParam));
        case LVM_GETITEMW:
            return GetItem(s, reinterpret_cast<LVITEMW*>(lParam));
        case LVM_SETITEMTEXTW:
            return SetItemText(h, s, wParam, reinterpret_cast<const LVITEMW*>(lParam));
        case LVM_GETITEMTEXTW:
            return GetItemText(s, wParam, reinterpret_cast<LVITEMW*>(lParam));
        case LVM_DELETEITEM:
            return DeleteItem(h, s, wParam);
        case LVM_DELETEALLITEMS:
            return DeleteAllItems(h, s);
        case LVM_GETITEMCOUNT:
            return static_cast<LRESULT>(s.items.size());
        case LVM_GETCOUNTPERPAGE:
            return CountPerPage(h, s);
        case LVM_GETNEXTITEM:
            return NextItem(s, wParam, lParam);
        case LVM_GETSELECTEDCOUNT:
            return std::count_if(s.items.begin(), s.items.end(),
                                 [](const ListViewItem& i) { return (i.state & LVIS_SELECTED) != 0; });
        case LVM_SETITEMSTATE:
            return SetItemState(h, s, wParam, reinterpret_cast<const LVITEMW*>(lParam));
        case LVM_GETITEMSTATE:
            return ValidIndex(s, wParam) ? s.items[wParam].state & static_cast<UINT>(lParam) : 0;
    }
    handled = false;
    return 0;
}

// The view: its images, where the items lie, scrolling and the drag image.
LRESULT ViewMessage(HWND h, ListViewState& s, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case LVM_SETIMAGELIST:
            return SwapImageList(h, s, wParam, reinterpret_cast<HIMAGELIST>(lParam));
        case LVM_GETIMAGELIST:
            return reinterpret_cast<LRESULT>(wParam == LVSIL_SMALL   ? s.small
                                             : wParam == LVSIL_STATE ? s.stateImages
                                                                     : s.normal);
        case LVM_GETITEMRECT:
            return ItemRect(h, s, wParam, reinterpret_cast<RECT*>(lParam));
        case LVM_GETITEMPOSITION:
            return ItemPosition(s, wParam, reinterpret_cast<POINT*>(lParam));
        case LVM_SETITEMPOSITION:
            return SetItemPosition(h, s, wParam,
                                   POINT{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))});
        case LVM_SETITEMPOSITION32:
            return lParam ? SetItemPosition(h, s, wParam, *reinterpret_cast<const POINT*>(lParam)) : FALSE;
        case LVM_HITTEST:
            return HitTest(h, s, reinterpret_cast<LVHITTESTINFO*>(lParam));
        case LVM_ARRANGE:
            Rearrange(h, s, true);
            return TRUE;
        case LVM_SETICONSPACING:
            return SetIconSpacing(h, s, lParam);
        case LVM_GETITEMSPACING:
            return ItemSpacing(s, wParam);
        case LVM_SCROLL:
            ScrollTo(h, s, POINT{s.origin.x + static_cast<int>(wParam), s.origin.y + static_cast<int>(lParam)});
            return TRUE;
        case LVM_ENSUREVISIBLE:
            return EnsureVisible(h, s, wParam, lParam);
        case LVM_GETTOPINDEX:
            return TopIndex(h, s);
        case LVM_GETORIGIN:
            if (auto* out = reinterpret_cast<POINT*>(lParam)) *out = s.origin;
            return TRUE;
        case LVM_REDRAWITEMS:
        case LVM_UPDATE:
            return TRUE;  // drawn whenever the picture is taken
        case LVM_CREATEDRAGIMAGE:
            return CreateDragImage(h, s, wParam, reinterpret_cast<POINT*>(lParam));
    }
    handled = false;
    return 0;
}

// The user's input and the window's own life.
LRESULT InputMessage(HWND h, ListViewState& s, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case WM_DESTROY:
            DeleteAllItems(h, s);  // the parent hears of every item going
            DestroyOwnImageLists(h, s);
            return 0;
        case kUserChoose:
            return UserClick(h, s, static_cast<int>(wParam));
        case kUserDoubleClick:
            return UserDoubleClick(h, s, static_cast<int>(wParam));
        case kUserBeginDrag:
            return UserBeginDrag(h, s, static_cast<int>(wParam));
        case WM_KEYDOWN:
            KeyDown(h, s, wParam);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_SETFOCUS: {
            NMHDR n{};
            SendNotify(h, n, NM_SETFOCUS);
            return 0;
        }
        case WM_KILLFOCUS: {
            NMHDR n{};
            SendNotify(h, n, NM_KILLFOCUS);
            return 0;
        }
        case WM_LBUTTONDOWN:
            SetFocus(h);
            if (ReportView(h)) ReportPress(h, s, lParam);
            return 0;
        case WM_LBUTTONUP:
            ReportRelease(h, s);
            return 0;
    }
    handled = false;
    return 0;
}

// The report view's columns, cells and finding items.
LRESULT ReportMessage(HWND h, ListViewState& s, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case LVM_INSERTCOLUMNW:
            return InsertColumn(TableOf(s), wParam, reinterpret_cast<const LVCOLUMNW*>(lParam));
        case LVM_SETCOLUMNW:
            return SetColumn(TableOf(s), wParam, reinterpret_cast<const LVCOLUMNW*>(lParam));
        case LVM_GETCOLUMNW:
            return GetColumn(TableOf(s), wParam, reinterpret_cast<LVCOLUMNW*>(lParam));
        case LVM_DELETECOLUMN:
            return DeleteColumn(TableOf(s), wParam);
        case LVM_GETCOLUMNWIDTH:
            return wParam < s.columns.size() ? s.columns[wParam].width : 0;
        case LVM_SETCOLUMNWIDTH: {
            const ListViewGeometry g = Geometry(h, s);
            const LONG icon = g.report ? g.icon.cx : 0;
            return SetColumnWidth(TableOf(s), wParam, static_cast<SHORT>(LOWORD(lParam)), g.clientWidth, icon);
        }
        case LVM_FINDITEMW:
            return FindItem(s.items, wParam, reinterpret_cast<const LVFINDINFOW*>(lParam));
        case LVM_GETSUBITEMRECT:
            return SubItemRect(h, s, wParam, reinterpret_cast<RECT*>(lParam));
        case LVM_SUBITEMHITTEST:
            return SubItemHitTest(h, s, reinterpret_cast<LVHITTESTINFO*>(lParam));
        case LVM_SETEXTENDEDLISTVIEWSTYLE:
            return SetExtendedStyle(s, wParam, lParam);
        case LVM_GETEXTENDEDLISTVIEWSTYLE:
            return s.extendedStyle;
    }
    handled = false;
    return 0;
}

}  // namespace
}  // namespace plat
