// The settings summary dialog (template 2600) and the drawing its dialogs share: the colours of a
// tree row and the owner-drawn list and combo entries with their small icons.
#include <memory>
#include <string>
#include <type_traits>

#include "resources/lang/summary_ids.h"
#include "ui/pages/context_help.h"
#include "ui/pages/page_switches.h"
#include "ui/pages/summary_tree.h"
#include "win/user.h"
#include "win/user_controls.h"

namespace orla {

namespace {

using namespace orla_res::summary;

// 23 R + 67 G + 10 B below this is a dark ground.
constexpr LONG kDarkLimit = 12750;
// Value colours (0x00BBGGRR) by changed, enabled and the ground.
constexpr COLORREF kChangedLight = 0x0000FF, kChangedDark = 0xFF00FF;
constexpr COLORREF kChangedDisabledLight = 0x000080, kChangedDisabledDark = 0x00FFFF;
constexpr COLORREF kUnchangedLight = 0xFF0000, kUnchangedDark = 0xFFFF00;
constexpr COLORREF kUnchangedDisabledLight = 0x800000, kUnchangedDisabledDark = 0xC0C0C0;

constexpr int kEntryTextLeft = 23;
constexpr int kEntryIconLeft = 3;
constexpr WPARAM kEntryIconMask = 0xFFFF;

constexpr HelpIdPair kSummaryHelp[] = {{kTree, 26368}, {kClose, 28675}, {0, 0}};

struct BrushDelete {
    void operator()(std::remove_pointer_t<HBRUSH>* brush) const { DeleteObject(brush); }
};
using BrushPtr = std::unique_ptr<std::remove_pointer_t<HBRUSH>, BrushDelete>;

// The entry's text, however long, read after asking its length.
std::u16string EntryText(const DRAWITEMSTRUCT& item) {
    const bool list = item.CtlType == ODT_LISTBOX;
    const LRESULT length = SendMessageW(item.hwndItem, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, item.itemID, 0);
    if (length <= 0) return {};
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const LRESULT got = SendMessageW(item.hwndItem, list ? LB_GETTEXT : CB_GETLBTEXT, item.itemID,
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 && got <= length ? static_cast<size_t>(got) : 0);
    return text;
}

struct EntryColours {
    int background;
    int text;
};
EntryColours ChooseEntryColours(const DRAWITEMSTRUCT& item) {
    if (item.itemState & ODS_DISABLED) {
        const bool selectedInList = item.CtlType == ODT_LISTBOX && (item.itemState & ODS_SELECTED);
        return selectedInList ? EntryColours{COLOR_BTNSHADOW, COLOR_BTNFACE}
                              : EntryColours{COLOR_BTNFACE, COLOR_GRAYTEXT};
    }
    if (item.itemState & ODS_SELECTED) return {COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT};
    return {COLOR_WINDOW, COLOR_WINDOWTEXT};
}

void DrawEntry(PageContext* page, const DRAWITEMSTRUCT& item) {
    const std::u16string text = EntryText(item);
    const EntryColours colours = ChooseEntryColours(item);
    HDC dc = item.hDC;
    BrushPtr ground(CreateSolidBrush(GetSysColor(colours.background)));
    if (ground) FillRect(dc, &item.rcItem, ground.get());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldText = SetTextColor(dc, GetSysColor(colours.text));
    SIZE character{};
    GetTextExtentPoint32W(dc, u"A", 1, &character);
    TextOutW(dc, item.rcItem.left + kEntryTextLeft, (item.rcItem.top + item.rcItem.bottom - character.cy) / 2,
             text.c_str(), static_cast<int>(text.size()));
    const int icon = GetCachedIconIndex(page, static_cast<UINT>(item.itemData & kEntryIconMask));
    if (icon >= 0)
        ImageList_Draw(page->smallImages, icon, dc, item.rcItem.left + kEntryIconLeft, item.rcItem.top,
                       ILD_TRANSPARENT);
    SetTextColor(dc, oldText);
    SetBkMode(dc, oldMode);
}

void InitSummaryDialog(PageContext* page, HWND dialog) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
    if (!page || !page->uiContext) return;
    page->hTree = CreateSettingsTree(page, dialog);
    // The pass disables rows through the tree; the rows then get their texts.
    RefreshConstraintsAndTree(page, dialog, 0, FALSE);
    if (!page->hTree) return;
    const LRESULT root = SendMessageW(page->hTree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    SendMessageW(page->hTree, TVM_SELECTITEM, TVGN_CARET, root);
}

void CloseSummaryDialog(PageContext* page, HWND dialog) {
    if (page && page->hTree) {
        DestroyWindow(page->hTree);
        page->hTree = nullptr;
    }
    EndDialog(dialog, 1);
}

INT_PTR OnSummaryCommand(PageContext* page, HWND dialog, WPARAM wParam, LPARAM lParam) {
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
    switch (LOWORD(wParam)) {
        case IDCANCEL:
        case kClose:
            CloseSummaryDialog(page, dialog);
            return TRUE;
        case kHelp:
            if (page && page->uiContext && page->whatsThisCtl)
                ShowHtmlHelpAsync(page->whatsThisCtl, page->uiContext->helpFile, kHelpContextCommand, page->helpId);
            return FALSE;
    }
    HandleContextHelp(page, dialog, WM_COMMAND, wParam, lParam, kSummaryHelp);
    return FALSE;
}

}  // namespace

bool IsDarkBackground(COLORREF colour) {
    const LONG r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    return 23 * r + 67 * g + 10 * b < kDarkLimit;
}

TreeRowColours ChooseTreeRowColours(bool highlighted, bool treeFocused, bool disabled, bool changed) {
    int ground = COLOR_WINDOW, text = disabled ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT;
    if (highlighted && treeFocused) {
        ground = COLOR_HIGHLIGHT;
        text = disabled ? COLOR_BTNFACE : COLOR_HIGHLIGHTTEXT;
    } else if (highlighted) {
        ground = COLOR_BTNFACE;
        text = disabled ? COLOR_BTNSHADOW : COLOR_BTNTEXT;
    }
    TreeRowColours c{GetSysColor(ground), GetSysColor(text), 0, false};
    const bool dark = IsDarkBackground(c.background);
    if (changed) {
        c.value =
            disabled ? (dark ? kChangedDisabledDark : kChangedDisabledLight) : (dark ? kChangedDark : kChangedLight);
    } else {
        c.value = disabled ? (dark ? kUnchangedDisabledDark : kUnchangedDisabledLight)
                           : (dark ? kUnchangedDark : kUnchangedLight);
    }
    c.opaqueValue = c.value == c.background;
    return c;
}

int DrawIconListItem(PageContext* page, const DRAWITEMSTRUCT* item) {
    if (!page || !item || item->itemID == static_cast<UINT>(-1)) return 0;
    if (item->CtlType != ODT_LISTBOX && item->CtlType != ODT_COMBOBOX) return 0;
    if (item->itemAction & ODA_FOCUS) {
        DrawListItemFocus(*item);
        return 1;
    }
    if (item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) {
        DrawEntry(page, *item);
        return 1;
    }
    return 0;
}

INT_PTR CALLBACK SettingsSummaryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    PageContext* page = message == WM_INITDIALOG ? reinterpret_cast<PageContext*>(lParam) : PageContextOf(dialog);
    switch (message) {
        case WM_INITDIALOG:
            InitSummaryDialog(page, dialog);
            return FALSE;
        case WM_COMMAND:
            return OnSummaryCommand(page, dialog, wParam, lParam);
        case WM_DRAWITEM:
            DrawIconListItem(page, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return FALSE;
        case WM_HELP:
        case WM_CONTEXTMENU:
            HandleContextHelp(page, dialog, message, wParam, lParam, kSummaryHelp);
            return FALSE;
        case WM_DESTROY:
            // A dialog taken down by its owner must not leave the page holding its tree.
            if (page && page->hTree && GetParent(page->hTree) == dialog) page->hTree = nullptr;
            return FALSE;
    }
    return FALSE;
}

}  // namespace orla
