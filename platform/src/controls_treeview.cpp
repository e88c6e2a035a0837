// The tree view: items with text, images, data and state under a hidden root, expanded or not;
// a selection change asks the parent (TVN_SELCHANGING, refusable) and then tells it
// (TVN_SELCHANGED), whether the program or the user chose. Handles are never reused.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "plat_internal.h"
#include "system_classes.h"
#include "ui_fonts.h"
#include "win/tree_view.h"

namespace plat {
namespace {

constexpr int kDefaultIndent = 19;
constexpr int kDefaultItemHeight = 16;
constexpr int kImageWidth = 16 + 3;  // the room of an item's image before its text
constexpr int kTextPadding = 4;      // around the text of a row's text rectangle
constexpr size_t kMaxItems = 100000;

struct Node {
    ULONG_PTR id = 0;
    Node* parent = nullptr;
    std::vector<Node*> children;
    std::u16string text;
    int image = 0;
    int selectedImage = 0;
    int cChildren = -1;  // -1: count the children
    LPARAM param = 0;
    UINT state = 0;
};

struct TreeState {
    Node root;
    std::map<ULONG_PTR, std::unique_ptr<Node>> nodes;
    ULONG_PTR nextId = 1;
    Node* selected = nullptr;
    HIMAGELIST normal = nullptr;
    HIMAGELIST stateImages = nullptr;
    int indent = kDefaultIndent;
    int itemHeight = kDefaultItemHeight;
    size_t top = 0;  // the shown item at the top of the client area
};

HTREEITEM HandleOf(const Node* n) {
    return n ? reinterpret_cast<HTREEITEM>(n->id) : nullptr;
}

Node* NodeOf(TreeState& t, HTREEITEM h) {
    auto it = t.nodes.find(reinterpret_cast<ULONG_PTR>(h));
    return it == t.nodes.end() ? nullptr : it->second.get();
}

TVITEMW Describe(const Node* n) {
    TVITEMW item{};
    if (!n) return item;
    item.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = HandleOf(n);
    item.state = n->state;
    item.stateMask = 0xFFFF;
    item.lParam = n->param;
    item.iImage = n->image;
    item.iSelectedImage = n->selectedImage;
    return item;
}

// Sends a tree notification to the parent; its answer (nonzero refuses where that is allowed).
LRESULT Notify(HWND h, UINT code, UINT action, const Node* oldNode, const Node* newNode) {
    HWND parent = GetParent(h);
    if (!parent) return 0;
    NMTREEVIEWW notice{NMHDR{h, static_cast<UINT_PTR>(GetDlgCtrlID(h)), code}, action, Describe(oldNode),
                       Describe(newNode), POINT{0, 0}};
    return SendMessageW(parent, WM_NOTIFY, static_cast<WPARAM>(GetDlgCtrlID(h)), reinterpret_cast<LPARAM>(&notice));
}

void CopyFields(Node& n, const TVITEMW& item) {
    if (item.mask & TVIF_TEXT) n.text = item.pszText ? item.pszText : u"";
    if (item.mask & TVIF_IMAGE) n.image = item.iImage;
    if (item.mask & TVIF_SELECTEDIMAGE) n.selectedImage = item.iSelectedImage;
    if (item.mask & TVIF_PARAM) n.param = item.lParam;
    if (item.mask & TVIF_CHILDREN) n.cChildren = item.cChildren;
    if (item.mask & TVIF_STATE) n.state = (n.state & ~item.stateMask) | (item.state & item.stateMask);
}

size_t InsertPlace(Node& parent, HTREEITEM after, const std::u16string& text) {
    if (after == TVI_FIRST) return 0;
    if (after == TVI_SORT) {
        auto it =
            std::upper_bound(parent.children.begin(), parent.children.end(), text,
                             [](const std::u16string& t, const Node* n) { return CompareNoCase(t, n->text) < 0; });
        return static_cast<size_t>(it - parent.children.begin());
    }
    for (size_t i = 0; i < parent.children.size(); ++i) {
        if (HandleOf(parent.children[i]) == after) return i + 1;
    }
    return parent.children.size();  // TVI_LAST, or a sibling that is not there
}

LRESULT Insert(TreeState& t, const TVINSERTSTRUCTW* insert) {
    if (insert == nullptr || t.nodes.size() >= kMaxItems) return 0;
    Node* parent = insert->hParent == nullptr || insert->hParent == TVI_ROOT ? &t.root : NodeOf(t, insert->hParent);
    if (parent == nullptr) return 0;
    auto node = std::make_unique<Node>();
    node->id = t.nextId++;
    node->parent = parent;
    CopyFields(*node, insert->item);
    node->state &= ~static_cast<UINT>(TVIS_SELECTED);  // only selecting selects
    size_t at = InsertPlace(*parent, insert->hInsertAfter, node->text);
    parent->children.insert(parent->children.begin() + static_cast<long>(at), node.get());
    HTREEITEM handle = HandleOf(node.get());
    t.nodes[node->id] = std::move(node);
    return reinterpret_cast<LRESULT>(handle);
}

// Removes an item and everything under it, each announced with TVN_DELETEITEM (children first).
void Remove(HWND h, TreeState& t, Node* n) {
    while (!n->children.empty()) Remove(h, t, n->children.back());
    Notify(h, TVN_DELETEITEMW, 0, n, nullptr);
    if (t.selected == n) t.selected = nullptr;
    std::erase(n->parent->children, n);
    t.nodes.erase(n->id);
}

LRESULT Delete(HWND h, TreeState& t, HTREEITEM item) {
    if (item == nullptr || item == TVI_ROOT) {
        while (!t.root.children.empty()) Remove(h, t, t.root.children.back());
        return TRUE;
    }
    Node* n = NodeOf(t, item);
    if (!n) return FALSE;
    Remove(h, t, n);
    return TRUE;
}

LRESULT GetItem(TreeState& t, TVITEMW* item) {
    Node* n = item ? NodeOf(t, item->hItem) : nullptr;
    if (!n) return FALSE;
    if ((item->mask & TVIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        size_t count = std::min(n->text.size(), static_cast<size_t>(item->cchTextMax - 1));
        n->text.copy(item->pszText, count);
        item->pszText[count] = 0;
    }
    if (item->mask & TVIF_IMAGE) item->iImage = n->image;
    if (item->mask & TVIF_SELECTEDIMAGE) item->iSelectedImage = n->selectedImage;
    if (item->mask & TVIF_PARAM) item->lParam = n->param;
    if (item->mask & TVIF_STATE) item->state = n->state & item->stateMask;
    if (item->mask & TVIF_CHILDREN) {
        item->cChildren = n->cChildren >= 0 ? n->cChildren : (n->children.empty() ? 0 : 1);
    }
    return TRUE;
}

LRESULT SetItem(TreeState& t, const TVITEMW* item) {
    Node* n = item ? NodeOf(t, item->hItem) : nullptr;
    if (!n) return FALSE;
    TVITEMW fields = *item;
    fields.stateMask &= ~static_cast<UINT>(TVIS_SELECTED);  // the selection changes by selecting only
    CopyFields(*n, fields);
    return TRUE;
}

bool Expanded(const Node* n) {
    return n->parent == nullptr || (n->state & TVIS_EXPANDED);
}

// Shown items in order: a child is shown when every item above it is expanded.
void Visible(Node* n, std::vector<Node*>& out) {
    for (Node* child : n->children) {
        out.push_back(child);
        if (Expanded(child)) Visible(child, out);
    }
}

Node* Sibling(Node* n, int step) {
    auto& list = n->parent->children;
    auto it = std::find(list.begin(), list.end(), n);
    long at = (it - list.begin()) + step;
    return at >= 0 && static_cast<size_t>(at) < list.size() ? list[static_cast<size_t>(at)] : nullptr;
}

Node* NextVisible(TreeState& t, Node* n, int step) {
    std::vector<Node*> shown;
    Visible(&t.root, shown);
    auto it = std::find(shown.begin(), shown.end(), n);
    if (it == shown.end()) return nullptr;
    long at = (it - shown.begin()) + step;
    return at >= 0 && static_cast<size_t>(at) < shown.size() ? shown[static_cast<size_t>(at)] : nullptr;
}

std::vector<Node*> Shown(TreeState& t) {
    std::vector<Node*> shown;
    Visible(&t.root, shown);
    return shown;
}

// The first shown item at the top of the client area, or the last shown (expanded) item.
Node* ShownEnd(TreeState& t, bool last) {
    std::vector<Node*> shown = Shown(t);
    if (shown.empty()) return nullptr;
    if (last) return shown.back();
    return shown[std::min(t.top, shown.size() - 1)];
}

LRESULT NextItem(TreeState& t, WPARAM flag, HTREEITEM item) {
    if (flag == TVGN_ROOT) {
        return reinterpret_cast<LRESULT>(t.root.children.empty() ? nullptr : HandleOf(t.root.children.front()));
    }
    if (flag == TVGN_FIRSTVISIBLE || flag == TVGN_LASTVISIBLE) {
        return reinterpret_cast<LRESULT>(HandleOf(ShownEnd(t, flag == TVGN_LASTVISIBLE)));
    }
    if (flag == TVGN_CARET) return reinterpret_cast<LRESULT>(HandleOf(t.selected));
    Node* n = NodeOf(t, item);
    if (!n) return 0;
    Node* found = nullptr;
    switch (flag) {
        case TVGN_NEXT:
            found = Sibling(n, 1);
            break;
        case TVGN_PREVIOUS:
            found = Sibling(n, -1);
            break;
        case TVGN_PARENT:
            found = n->parent == &t.root ? nullptr : n->parent;
            break;
        case TVGN_CHILD:
            found = n->children.empty() ? nullptr : n->children.front();
            break;
        case TVGN_NEXTVISIBLE:
            found = NextVisible(t, n, 1);
            break;
        case TVGN_PREVIOUSVISIBLE:
            found = NextVisible(t, n, -1);
            break;
    }
    return reinterpret_cast<LRESULT>(HandleOf(found));
}

// Moves the selection; the parent may refuse while it is asked.
bool Select(HWND h, TreeState& t, Node* n, UINT action) {
    if (n == t.selected) return true;
    if (Notify(h, TVN_SELCHANGINGW, action, t.selected, n)) return false;
    Node* old = t.selected;
    if (old) old->state &= ~static_cast<UINT>(TVIS_SELECTED);
    t.selected = n;
    if (n) n->state |= TVIS_SELECTED;
    Notify(h, TVN_SELCHANGEDW, action, old, n);
    return true;
}

// TVM_EXPAND changes the state without notifications; the user's expanding is announced.
LRESULT Expand(HWND h, TreeState& t, WPARAM code, HTREEITEM item, bool user) {
    Node* n = NodeOf(t, item);
    if (!n) return FALSE;
    bool open = (code & 3) == TVE_TOGGLE ? !(n->state & TVIS_EXPANDED) : (code & 3) == TVE_EXPAND;
    if (open == ((n->state & TVIS_EXPANDED) != 0)) return TRUE;
    if (user && Notify(h, TVN_ITEMEXPANDINGW, open ? TVE_EXPAND : TVE_COLLAPSE, nullptr, n)) return FALSE;
    n->state = open ? n->state | TVIS_EXPANDED : n->state & ~static_cast<UINT>(TVIS_EXPANDED);
    if (user) Notify(h, TVN_ITEMEXPANDEDW, open ? TVE_EXPAND : TVE_COLLAPSE, nullptr, n);
    return TRUE;
}

int Depth(const Node* n) {
    int depth = 0;
    for (const Node* p = n->parent; p && p->parent; p = p->parent) ++depth;
    return depth;
}

// Where a shown row's parts lie across it: the indent (with the button's column), the state
// image, the image, then the text measured in the face the renderer draws it in.
struct RowParts {
    LONG indentEnd = 0;
    LONG stateLeft = 0;
    LONG imageLeft = 0;
    LONG textLeft = 0;
    LONG textRight = 0;
};

RowParts PartsOf(HWND h, const TreeState& t, const Node* n) {
    const bool atRoot = GetWindowLongW(h, GWL_STYLE) & TVS_LINESATROOT;
    RowParts p;
    p.indentEnd = (Depth(n) + (atRoot ? 1 : 0)) * t.indent;
    int stateWidth = 0, stateHeight = 0;
    const bool stateShown =
        (n->state & TVIS_STATEIMAGEMASK) && ImageList_GetIconSize(t.stateImages, &stateWidth, &stateHeight);
    p.stateLeft = p.indentEnd;
    p.imageLeft = p.stateLeft + (stateShown ? stateWidth : 0);
    p.textLeft = p.imageLeft + (t.normal ? kImageWidth : 0);
    p.textRight = p.textLeft + SetUiText(0, 0, n->text, nullptr, nullptr) + kTextPadding;
    return p;
}

// The row of a shown item counted from the top of the client area (negative above it), or
// nothing for an item folded away.
bool RowOf(TreeState& t, const Node* n, LONG& row) {
    std::vector<Node*> shown = Shown(t);
    auto it = std::find(shown.begin(), shown.end(), n);
    if (it == shown.end()) return false;
    row = static_cast<LONG>(it - shown.begin()) - static_cast<LONG>(t.top);
    return true;
}

// The item's row (wParam TRUE: its text only); FALSE when the item is not shown.
LRESULT ItemRect(HWND h, TreeState& t, WPARAM textOnly, LPARAM out) {
    auto* r = reinterpret_cast<RECT*>(out);
    if (r == nullptr) return FALSE;
    HTREEITEM asked;
    std::memcpy(&asked, r, sizeof asked);  // the caller puts the item where the rectangle goes
    Node* n = NodeOf(t, asked);
    LONG row = 0;
    if (!n || !RowOf(t, n, row)) return FALSE;
    RECT client;
    GetClientRect(h, &client);
    *r = RECT{0, row * t.itemHeight, client.right, (row + 1) * t.itemHeight};
    if (textOnly) {
        const RowParts p = PartsOf(h, t, n);
        r->left = p.textLeft;
        r->right = p.textRight;
    }
    return TRUE;
}

// TVHT_ flags for a point of the row across it.
UINT HitAcross(HWND h, const TreeState& t, const Node* n, LONG x) {
    const RowParts p = PartsOf(h, t, n);
    const bool hasChildren = n->cChildren > 0 || (n->cChildren < 0 && !n->children.empty());
    if (x < p.indentEnd) {
        const bool button =
            (GetWindowLongW(h, GWL_STYLE) & TVS_HASBUTTONS) && hasChildren && x >= p.indentEnd - t.indent;
        return button ? TVHT_ONITEMBUTTON : TVHT_ONITEMINDENT;
    }
    if (x < p.imageLeft) return TVHT_ONITEMSTATEICON;
    if (x < p.textLeft) return TVHT_ONITEMICON;
    if (x < p.textRight) return TVHT_ONITEMLABEL;
    return TVHT_ONITEMRIGHT;
}

LRESULT HitTest(HWND h, TreeState& t, TVHITTESTINFO* info) {
    if (info == nullptr) return 0;
    info->hItem = nullptr;
    RECT client;
    GetClientRect(h, &client);
    const POINT at = info->pt;
    info->flags = 0;
    if (at.y < 0) info->flags |= TVHT_ABOVE;
    if (at.y >= client.bottom) info->flags |= TVHT_BELOW;
    if (at.x < 0) info->flags |= TVHT_TOLEFT;
    if (at.x >= client.right) info->flags |= TVHT_TORIGHT;
    if (info->flags != 0) return 0;
    std::vector<Node*> shown = Shown(t);
    const size_t row = t.top + static_cast<size_t>(at.y / t.itemHeight);
    if (row >= shown.size()) {
        info->flags = TVHT_NOWHERE;
        return 0;
    }
    info->flags = HitAcross(h, t, shown[row], at.x);
    info->hItem = HandleOf(shown[row]);
    return reinterpret_cast<LRESULT>(info->hItem);
}

// Rows that fit whole in the client area.
LRESULT VisibleCount(HWND h, const TreeState& t) {
    RECT client;
    GetClientRect(h, &client);
    return std::max<LONG>(client.bottom, 0) / t.itemHeight;
}

// Scrolls so that `n` is the top row, as far as the rows below it fill the client area.
bool ScrollToTop(HWND h, TreeState& t, Node* n) {
    std::vector<Node*> shown = Shown(t);
    auto it = std::find(shown.begin(), shown.end(), n);
    if (it == shown.end()) return false;
    const auto page = static_cast<size_t>(std::max<LRESULT>(VisibleCount(h, t), 1));
    const size_t last = shown.size() > page ? shown.size() - page : 0;
    t.top = std::min(static_cast<size_t>(it - shown.begin()), last);
    return true;
}

// Scrolls the least way that shows the item's row whole (its parents are expanded by Windows;
// here only a shown item can be made visible).
LRESULT EnsureVisible(HWND h, TreeState& t, HTREEITEM item) {
    Node* n = NodeOf(t, item);
    LONG row = 0;
    if (!n || !RowOf(t, n, row)) return FALSE;
    const LONG page = static_cast<LONG>(std::max<LRESULT>(VisibleCount(h, t), 1));
    if (row < 0) t.top = static_cast<size_t>(static_cast<LONG>(t.top) + row);
    if (row >= page) t.top += static_cast<size_t>(row - page + 1);
    return TRUE;
}

// TVM_SETITEMHEIGHT: the old height back; -1 takes the default again.
LRESULT SetItemHeight(TreeState& t, WPARAM height) {
    const int old = t.itemHeight;
    const int asked = static_cast<int>(static_cast<SHORT>(LOWORD(height)));
    t.itemHeight = asked <= 0 ? kDefaultItemHeight : asked;
    return old;
}

LRESULT SwapImageList(TreeState& t, WPARAM which, HIMAGELIST list) {
    HIMAGELIST& slot = which == TVSIL_STATE ? t.stateImages : t.normal;
    HIMAGELIST old = slot;
    slot = list;
    return reinterpret_cast<LRESULT>(old);
}

LRESULT UserChoose(HWND h, TreeState& t, WPARAM item) {
    Node* n = NodeOf(t, reinterpret_cast<HTREEITEM>(item));
    if (!n || !IsWindowEnabled(h) || !IsWindowVisible(h) || !NextVisible(t, n, 0)) return FALSE;
    SetFocus(h);
    Select(h, t, n, TVC_BYMOUSE);
    return TRUE;
}

}  // namespace

LRESULT CALLBACK TreeViewProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        FreeControlState<TreeState>(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    TreeState& t = *ControlState<TreeState>(h);
    switch (message) {
        case WM_DESTROY:
            Delete(h, t, TVI_ROOT);
            return 0;  // the parent hears of every item going
        case TVM_INSERTITEMW:
            return Insert(t, reinterpret_cast<const TVINSERTSTRUCTW*>(lParam));
        case TVM_DELETEITEM:
            return Delete(h, t, reinterpret_cast<HTREEITEM>(lParam));
        case TVM_GETITEMW:
            return GetItem(t, reinterpret_cast<TVITEMW*>(lParam));
        case TVM_SETITEMW:
            return SetItem(t, reinterpret_cast<const TVITEMW*>(lParam));
        case TVM_GETNEXTITEM:
            return NextItem(t, wParam, reinterpret_cast<HTREEITEM>(lParam));
        case TVM_SELECTITEM: {
            if (wParam == TVGN_FIRSTVISIBLE) return ScrollToTop(h, t, NodeOf(t, reinterpret_cast<HTREEITEM>(lParam)));
            if (wParam != TVGN_CARET) return FALSE;
            Node* n = lParam ? NodeOf(t, reinterpret_cast<HTREEITEM>(lParam)) : nullptr;
            if (lParam && !n) return FALSE;
            return Select(h, t, n, TVC_UNKNOWN) ? TRUE : FALSE;
        }
        case TVM_EXPAND:
            return Expand(h, t, wParam, reinterpret_cast<HTREEITEM>(lParam), false);
        case TVM_GETITEMRECT:
            return ItemRect(h, t, wParam, lParam);
        case TVM_GETCOUNT:
            return static_cast<LRESULT>(t.nodes.size());
        case TVM_GETINDENT:
            return t.indent;
        case TVM_SETINDENT:
            t.indent = std::max(static_cast<int>(wParam), 1);
            return 0;
        case TVM_GETITEMHEIGHT:
            return t.itemHeight;
        case TVM_SETITEMHEIGHT:
            return SetItemHeight(t, wParam);
        case TVM_GETVISIBLECOUNT:
            return VisibleCount(h, t);
        case TVM_HITTEST:
            return HitTest(h, t, reinterpret_cast<TVHITTESTINFO*>(lParam));
        case TVM_ENSUREVISIBLE:
            return EnsureVisible(h, t, reinterpret_cast<HTREEITEM>(lParam));
        case TVM_GETIMAGELIST:
            return reinterpret_cast<LRESULT>(wParam == TVSIL_STATE ? t.stateImages : t.normal);
        case TVM_SETIMAGELIST:
            return SwapImageList(t, wParam, reinterpret_cast<HIMAGELIST>(lParam));
        case kUserChoose:
            return UserChoose(h, t, wParam);
        case kUserExpand:
            return Expand(h, t, TVE_TOGGLE, reinterpret_cast<HTREEITEM>(wParam), true);
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_LBUTTONDOWN:
            SetFocus(h);
            return 0;
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

}  // namespace plat
