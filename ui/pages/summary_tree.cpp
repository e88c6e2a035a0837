// The settings summary tree: made in place of its dialog's placeholder, filled with the rows of
// the page's table that apply, and refreshed row by row from the current settings. The tree
// remembers one item handle per table row, so rows are found by their row id.
#include "ui/pages/summary_tree.h"

#include <string>

#include "resources/lang/summary_ids.h"
#include "ui/entry/printer_data_store.h"
#include "win/user.h"
#include "win/user_controls.h"

namespace orla {

namespace {

constexpr DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_GROUP | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                             TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS;
static_assert(kTreeStyle == 0x50830033);
constexpr DWORD kTreeExStyle = WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY;

constexpr int kLabelChars = 260;
constexpr DWORD kRowPrinterName = 430;
constexpr DWORD kRowPanelText = 447;
constexpr int kIconSize = 16;

const TreeRow* RowsOf(const PageContext& page) {
    return static_cast<const TreeRow*>(page.treeRowList);
}

std::u16string RowLabel(const PageContext& page, DWORD rowId) {
    const UiContext& ui = *page.uiContext;
    if (rowId == kRowPrinterName) return std::u16string(ui.printerName);
    WCHAR text[kLabelChars] = {};
    const int n = ui.hResDll ? LoadStringW(ui.hResDll, rowId, text, kLabelChars) : 0;
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

LPARAM ReadItemData(HWND tree, HTREEITEM item) {
    TVITEMW read{};
    read.mask = TVIF_HANDLE | TVIF_PARAM;
    read.hItem = item;
    if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&read))) return 0;
    return read.lParam;
}

// The row inserted last at a level during this fill: the nearest row above with that level
// and an item (the slots are emptied when a fill starts).
HTREEITEM LastInsertedAtLevel(const PageContext& page, UINT before, DWORD level) {
    const TreeRow* rows = RowsOf(page);
    for (UINT i = before; i-- > 0;)
        if (rows[i].level == level && page.treeRowItems[i]) return page.treeRowItems[i];
    return nullptr;
}

}  // namespace

TreeRowText BuildTreeRowText(const PageContext& page, DWORD rowId, const TreeRowValue& value) {
    TreeRowText out{{}, static_cast<LPARAM>(rowId) & kTreeDataRowIdMask};
    if (!page.uiContext) return out;
    const std::u16string label = RowLabel(page, rowId);
    bool bracket = !value.text.empty();
    // The panel's own text may be empty while it is chosen: the brackets still say so.
    if (rowId == kRowPanelText && value.text.empty() &&
        (Get(page.uiContext->currentDevmode, dm::Flags1) & kFlags1DisplayUserText))
        bracket = true;
    out.text = bracket ? label + u"<" + value.text + u">" : label;
    // The name part is an 8-bit count; a longer label is still split within it.
    const size_t nameCount = label.size() + (bracket ? 1 : 0);
    const LPARAM count = static_cast<LPARAM>(nameCount < kTreeNameCountMax ? nameCount : kTreeNameCountMax);
    out.data |= count << kTreeDataNameShift;
    if (bracket) out.data |= kTreeDataBracket;
    if (value.changed) out.data |= kTreeDataChanged;
    return out;
}

HWND GetControlRectInDialog(HWND dialog, int controlId, RECT* rect) {
    HWND control = dialog ? GetDlgItem(dialog, controlId) : nullptr;
    if (!control || !rect || !GetWindowRect(control, rect)) return nullptr;
    POINT corners[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
    ScreenToClient(dialog, &corners[0]);
    ScreenToClient(dialog, &corners[1]);
    *rect = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    return control;
}

int SetTreeImageList(PageContext* page, HWND tree) {
    if (!page || !page->smallImages) return 0;
    SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(page->smallImages));
    return 1;
}

HWND CreateSettingsTree(PageContext* page, HWND dialog) {
    if (!page || !page->uiContext) return nullptr;
    RECT place{};
    HWND placeholder = GetControlRectInDialog(dialog, orla_res::summary::kTree, &place);
    if (!placeholder) return nullptr;  // a dialog without the tree's place shows no tree
    ShowWindow(placeholder, SW_HIDE);
    page->treeRowList = ChooseTreeRows(*page);
    HWND tree = CreateWindowExW(kTreeExStyle, WC_TREEVIEWW, u"", kTreeStyle, place.left, place.top,
                                place.right - place.left, place.bottom - place.top, dialog,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(orla_res::summary::kTree)),
                                GetInterfaceModule(), nullptr);
    if (!tree) return nullptr;
    // The tree takes the placeholder's place in the tab order, then its id.
    SetWindowPos(tree, placeholder, 0, 0, 0, 0, SWP_NOREDRAW | SWP_NOMOVE | SWP_NOSIZE);
    DestroyWindow(placeholder);
    SetWindowLongPtrW(tree, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(page));
    SubclassSettingsTree(page, tree);
    if (!SetTreeImageList(page, tree) || !InsertSettingsTreeItems(page, tree)) {
        DestroyWindow(tree);
        return nullptr;
    }
    return tree;
}

int InsertSettingsTreeItems(PageContext* page, HWND tree) {
    if (!page || !tree || !RowsOf(*page)) return 0;
    for (HTREEITEM& item : page->treeRowItems) item = nullptr;
    const TreeRow* rows = RowsOf(*page);
    const UINT count = TreeRowCount(rows);
    for (UINT i = 0; i < count; ++i)
        if (IsTreeRowAllowed(*page, rows[i].rowId) && IsTreeRowApplicable(*page, i)) InsertTreeRow(page, tree, i);
    return 1;
}

HTREEITEM InsertTreeRow(PageContext* page, HWND tree, UINT rowIndex) {
    const TreeRow* rows = page ? RowsOf(*page) : nullptr;
    if (!rows || rowIndex >= TreeRowCount(rows)) return nullptr;
    const DWORD level = rows[rowIndex].level;
    TVINSERTSTRUCTW insert{};
    insert.hParent = level > 1 ? LastInsertedAtLevel(*page, rowIndex, level - 1) : TVI_ROOT;
    if (!insert.hParent) insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_STATE;
    insert.item.state = insert.item.stateMask = TVIS_EXPANDED;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    page->treeRowItems[rowIndex] = item;
    return item;
}

void FormatTreeItemText(PageContext* page, UINT rowIndex) {
    const TreeRow* rows = page ? RowsOf(*page) : nullptr;
    if (!rows || !page->hTree || !page->uiContext || rowIndex >= TreeRowCount(rows)) return;
    HTREEITEM item = page->treeRowItems[rowIndex];
    if (!item) return;
    const LPARAM disabled = ReadItemData(page->hTree, item) & kTreeDataDisabled;
    const DWORD rowId = rows[rowIndex].rowId;
    const TreeRowValue value = ComputeTreeRowValue(*page, rowId);
    TreeRowText row = BuildTreeRowText(*page, rowId, value);
    TVITEMW write{};
    write.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    write.hItem = item;
    write.pszText = row.text.data();
    write.iImage = write.iSelectedImage = GetCachedIconIndex(page, value.iconId);
    write.lParam = row.data | disabled;
    SendMessageW(page->hTree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&write));
}

int RefreshTreeItem(PageContext* page, DWORD rowId) {
    if (!page || !page->hTree || !RowsOf(*page)) return 1;
    const UINT count = TreeRowCount(RowsOf(*page));
    for (UINT i = 0; i < count; ++i)
        if (RowsOf(*page)[i].rowId == rowId && page->treeRowItems[i]) FormatTreeItemText(page, i);
    return 1;
}

int RefreshTreeItems(PageContext* page) {
    if (!page || !page->hTree || !RowsOf(*page)) return 1;
    const UINT count = TreeRowCount(RowsOf(*page));
    for (UINT i = 0; i < count; ++i)
        if (page->treeRowItems[i] && IsTreeRowApplicable(*page, i)) FormatTreeItemText(page, i);
    return 1;
}

// Each icon goes into the list once: an index once stored is the icon's for the list's life
// (the index table tells "not loaded" apart from index 0).
int GetCachedIconIndex(PageContext* page, UINT iconId) {
    if (!page || !page->smallImages || iconId < kSmallIconFirst || iconId > kSmallIconLast) return -1;
    const int known = SmallImageIndex(*page, iconId);
    if (known >= 0) return known;
    auto icon = static_cast<HICON>(
        LoadImageW(GetInterfaceModule(), MAKEINTRESOURCEW(iconId), IMAGE_ICON, kIconSize, kIconSize, LR_DEFAULTCOLOR));
    if (!icon) return -1;
    HICON listIcon = MakeListIcon(icon);
    // Without the framed copy the picture itself goes in; the list draws it at its own size.
    const int index = ImageList_ReplaceIcon(page->smallImages, -1, listIcon ? listIcon : icon);
    if (listIcon) DestroyIcon(listIcon);
    DestroyIcon(icon);
    if (index >= 0) SetSmallImageIndex(page, iconId, index);
    return index;
}

}  // namespace orla
