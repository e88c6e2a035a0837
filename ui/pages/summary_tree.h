// The settings summary: a read-only tree of the current settings, one row per setting reading
// label "<" value ">", each with its small icon. Rows whose value differs from what the sheet last
// applied, and rows the constraint pass disables, are marked in the row's item data so that the
// tree's painter can colour them. Shown in the summary dialog (template 2600) and the favourites
// dialogs.
#pragma once

#include <span>
#include <string>

#include "ui/pages/page_context.h"
#include "win/base.h"
#include "win/tree_view.h"
#include "win/user_gdi.h"

namespace orla {

// ---- Row tables ----
// {level, row id}; level 1 is the root. The row id is the id of the row's label string.
struct TreeRow {
    DWORD level;
    DWORD rowId;
};
inline constexpr TreeRow kTreeRowEnd = {0xFFFFFFFFu, 0xFFFFFFFFu};

// The tables of this build, each ended by kTreeRowEnd.
const TreeRow* DeviceTreeRows();
const TreeRow* DocumentTreeRowsShort();
const TreeRow* DocumentTreeRowsFull();
// Rows of a table before its end (at most kTreeRows are ever looked at).
UINT TreeRowCount(const TreeRow* table);
// The table the page's tree takes: device sheets the device rows; document sheets the full rows
// when opened for the summary or favourites dialogs or from plain document properties, the short
// rows otherwise.
const TreeRow* ChooseTreeRows(const PageContext& page);

// ---- Tree item data (the lParam of every row) ----
inline constexpr LPARAM kTreeDataRowIdMask = 0x0000FFFF;
inline constexpr LPARAM kTreeDataDisabled = 0x00010000;  // set and cleared by SetTreeItemEnabled
inline constexpr LPARAM kTreeDataChanged = 0x00040000;   // value differs from the applied record
inline constexpr LPARAM kTreeDataBracket = 0x00100000;   // the text ends in "<" value ">"
inline constexpr int kTreeDataNameShift = 24;            // name-part length, 8 bits
inline constexpr UINT kTreeNameCountMax = 0xFF;

inline UINT TreeDataNameCount(LPARAM data) {
    return static_cast<UINT>((static_cast<ULONG_PTR>(data) >> kTreeDataNameShift) & kTreeNameCountMax);
}

// ---- Rows: rules, values, texts ----
// Whether the row's own rule lets it into the tree (duplex rows, smoothing and toner save by the
// device's features, trust-marking rows by the library).
BOOL IsTreeRowAllowed(const PageContext& page, DWORD rowId);
// Whether the row at that index of the page's table applies to the current settings.
BOOL IsTreeRowApplicable(const PageContext& page, UINT rowIndex);

// A row's value as the tree shows it: text (empty: label only), icon and whether it changed.
struct TreeRowValue {
    std::u16string text;
    UINT iconId;
    bool changed;
};
TreeRowValue ComputeTreeRowValue(const PageContext& page, DWORD rowId);
// The row's whole text and its item data (without the disabled mark).
struct TreeRowText {
    std::u16string text;
    LPARAM data;
};
TreeRowText BuildTreeRowText(const PageContext& page, DWORD rowId, const TreeRowValue& value);
// The printer memory's label (row 459).
std::u16string TreeMemoryLabel(const PageContext& page);

// ---- The tree ----
HWND CreateSettingsTree(PageContext* page, HWND dialog);
int InsertSettingsTreeItems(PageContext* page, HWND tree);
HTREEITEM InsertTreeRow(PageContext* page, HWND tree, UINT rowIndex);
void FormatTreeItemText(PageContext* page, UINT rowIndex);
int RefreshTreeItem(PageContext* page, DWORD rowId);
int RefreshTreeItems(PageContext* page);
HTREEITEM FindTreeItemByKey(const PageContext* page, DWORD rowId);
// Sets (enable FALSE) or clears the disabled mark of the row of that id; nothing without the
// page, its tree or the row.
void SetTreeItemEnabled(PageContext* treeOwner, int itemId, BOOL enable);

// Subclasses the tree so that it paints the row colours over its own drawing.
void SubclassSettingsTree(PageContext* page, HWND tree);
LRESULT CALLBACK SettingsTreeWndProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam);
// Draws the visible rows that meet the update rectangle over the tree's own text; the rows drawn.
int PaintTreeRowTexts(HDC dc, HWND tree, PageContext* page, const RECT& update);

// ---- Small icons ----
// The icon's index in the page's small image list, loading it on first use; -1 for an id outside
// the icon table or an icon that cannot be had.
int GetCachedIconIndex(PageContext* page, UINT iconId);
// A new 16 x 18 icon whose rows 1 to 16 hold the given one and whose first and last rows are
// transparent; null when it cannot be made. The caller owns it.
HICON MakeListIcon(HICON icon);

HWND GetControlRectInDialog(HWND dialog, int controlId, RECT* rect);
int SetTreeImageList(PageContext* page, HWND tree);

// ---- Painting ----
// The colours one row is painted in.
struct TreeRowColours {
    COLORREF background;
    COLORREF text;
    COLORREF value;
    bool opaqueValue;  // the value's colour equals the background: drawn on an opaque ground
};
TreeRowColours ChooseTreeRowColours(bool highlighted, bool treeFocused, bool disabled, bool changed);
bool IsDarkBackground(COLORREF colour);

// WM_DRAWITEM of the dialogs that show the tree: list and combo entries with their small icon.
int DrawIconListItem(PageContext* page, const DRAWITEMSTRUCT* item);
// The focus rectangle of an owner-drawn entry; FALSE when it cannot be drawn.
BOOL DrawListItemFocus(const DRAWITEMSTRUCT& item);

// ---- The summary dialog ----
INT_PTR CALLBACK SettingsSummaryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orla
