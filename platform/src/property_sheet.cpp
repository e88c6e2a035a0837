// The property sheet: a dialog holding its pages and the OK, Cancel, Apply and Help buttons.
// Pages are made when first shown and hear of everything through WM_NOTIFY; closing destroys
// the page windows, then releases every page (PSPCB_RELEASE) before PropertySheetW returns.
#include <algorithm>
#include <vector>

#include "dialog_state.h"
#include "plat_internal.h"
#include "property_pages.h"
#include "win/user_controls.h"

namespace plat {
namespace {

// The sheet's layout in dialog units: pages inside a margin, a row of buttons below them.
constexpr SHORT kMargin = 7;
constexpr SHORT kTabHeight = 14;
constexpr SHORT kButtonWidth = 50;
constexpr SHORT kButtonHeight = 14;
constexpr SHORT kButtonGap = 4;
constexpr SHORT kSmallestPage = 50;
constexpr WORD kTabId = 0x3020;
constexpr LANGID kPrimaryLanguageMask = 0x3FF, kLanguageJapanese = 0x11;

// The frame's own button texts, in the user's language as the system's property sheet has them.
struct FrameTexts {
    LPCWSTR ok, cancel, apply, help;
};
constexpr FrameTexts kEnglishFrame{u"OK", u"Cancel", u"&Apply", u"Help"};
constexpr FrameTexts kJapaneseFrame{u"OK", u"キャンセル", u"適用(&A)", u"ヘルプ"};

const FrameTexts& UserFrameTexts() {
    return (GetUserDefaultLangID() & kPrimaryLanguageMask) == kLanguageJapanese ? kJapaneseFrame : kEnglishFrame;
}

struct Sheet {
    std::vector<HPROPSHEETPAGE> pages;
    int current = -1;
    bool applied = false;  // OK or Apply took the pages' changes
    DWORD flags = 0;
    POINT pageOrigin{};
};

Sheet* SheetOf(HWND h) {
    return reinterpret_cast<Sheet*>(GetWindowLongPtrW(h, DWLP_USER));
}

HWND PageWindow(Sheet& sheet, int index) {
    if (index < 0 || static_cast<size_t>(index) >= sheet.pages.size()) return nullptr;
    PageRecord* page = LivePage(sheet.pages[static_cast<size_t>(index)]);
    return page && page->window && IsWindow(page->window) ? page->window : nullptr;
}

// Sends a notification to a page and returns its answer (DWLP_MSGRESULT through DefDlgProc).
LRESULT Notify(HWND sheetWindow, HWND page, UINT code, LPARAM lParam) {
    if (page == nullptr) return 0;
    PSHNOTIFY notice{NMHDR{sheetWindow, 0, code}, lParam};
    return SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
}

void ShowHelpFor(HWND h, Sheet& sheet, int index) {
    PageRecord* page = LivePage(sheet.pages[static_cast<size_t>(index)]);
    bool help = (sheet.flags & PSH_HASHELP) || (page && (page->Page()->dwFlags & PSP_HASHELP));
    if (HWND button = GetDlgItem(h, IDHELP)) ShowWindow(button, help ? SW_SHOW : SW_HIDE);
}

// Shows a page, making its dialog on its first showing, and activates it; the tab follows.
bool ShowPage(HWND h, Sheet& sheet, int index) {
    if (index < 0 || static_cast<size_t>(index) >= sheet.pages.size()) return false;
    PageRecord* page = LivePage(sheet.pages[static_cast<size_t>(index)]);
    if (page == nullptr) return false;
    if (page->window == nullptr && !CreatePageWindow(*page, h, sheet.pageOrigin)) return false;
    if (HWND old = PageWindow(sheet, sheet.current); old && old != page->window) ShowWindow(old, SW_HIDE);
    sheet.current = index;
    SendDlgItemMessageW(h, kTabId, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    Notify(h, page->window, PSN_SETACTIVE, 0);
    ShowWindow(page->window, SW_SHOW);
    ShowHelpFor(h, sheet, index);
    return true;
}

// Leaves the current page (it may refuse with PSN_KILLACTIVE) for another.
bool SelectPage(HWND h, Sheet& sheet, int index) {
    if (index < 0 || static_cast<size_t>(index) >= sheet.pages.size()) return false;
    if (index == sheet.current) return true;
    HWND old = PageWindow(sheet, sheet.current);
    if (old && Notify(h, old, PSN_KILLACTIVE, 0)) return false;
    return ShowPage(h, sheet, index);
}

// A click on a tab: the current page is asked first (TCN_SELCHANGING), the new one shown after.
INT_PTR TabNotice(HWND h, Sheet& sheet, const NMHDR& notice) {
    if (notice.code == TCN_SELCHANGING) {
        LRESULT refused = Notify(h, PageWindow(sheet, sheet.current), PSN_KILLACTIVE, 0);
        SetWindowLongPtrW(h, DWLP_MSGRESULT, refused ? TRUE : FALSE);
        return TRUE;
    }
    if (notice.code == TCN_SELCHANGE) {
        auto chosen = static_cast<int>(SendMessageW(notice.hwndFrom, TCM_GETCURSEL, 0, 0));
        if (!ShowPage(h, sheet, chosen)) SendMessageW(notice.hwndFrom, TCM_SETCURSEL, sheet.current, 0);
        return TRUE;
    }
    return FALSE;
}

// PSN_APPLY to every page made so far; a page that answers "invalid" stops it and is shown.
bool ApplyPages(HWND h, Sheet& sheet, bool closing) {
    for (size_t i = 0; i < sheet.pages.size(); ++i) {
        HWND page = PageWindow(sheet, static_cast<int>(i));
        if (page == nullptr) continue;
        LRESULT answer = Notify(h, page, PSN_APPLY, closing ? TRUE : FALSE);
        if (answer == PSNRET_INVALID) SelectPage(h, sheet, static_cast<int>(i));
        if (answer == PSNRET_INVALID || answer == PSNRET_INVALID_NOCHANGEPAGE) return false;
    }
    sheet.applied = true;
    return true;
}

void SetApplyEnabled(HWND h, bool on) {
    if (HWND apply = GetDlgItem(h, IDAPPLY)) EnableWindow(apply, on ? TRUE : FALSE);
}

void PressOk(HWND h, Sheet& sheet) {
    if (Notify(h, PageWindow(sheet, sheet.current), PSN_KILLACTIVE, 0)) return;
    if (!ApplyPages(h, sheet, true)) return;
    EndDialog(h, 1);
}

void PressApply(HWND h, Sheet& sheet) {
    HWND current = PageWindow(sheet, sheet.current);
    if (Notify(h, current, PSN_KILLACTIVE, 0)) return;
    if (!ApplyPages(h, sheet, false)) return;
    SetApplyEnabled(h, false);
    Notify(h, PageWindow(sheet, sheet.current), PSN_SETACTIVE, 0);
}

void PressCancel(HWND h, Sheet& sheet) {
    if (Notify(h, PageWindow(sheet, sheet.current), PSN_QUERYCANCEL, 0)) return;
    for (size_t i = 0; i < sheet.pages.size(); ++i) Notify(h, PageWindow(sheet, static_cast<int>(i)), PSN_RESET, 0);
    EndDialog(h, sheet.applied ? 1 : 0);
}

LRESULT QuerySiblings(Sheet& sheet, WPARAM wParam, LPARAM lParam) {
    for (size_t i = 0; i < sheet.pages.size(); ++i) {
        HWND page = PageWindow(sheet, static_cast<int>(i));
        if (!page) continue;
        if (LRESULT answer = SendMessageW(page, PSM_QUERYSIBLINGS, wParam, lParam)) return answer;
    }
    return 0;
}

int IndexOf(Sheet& sheet, HPROPSHEETPAGE page) {
    auto it = std::find(sheet.pages.begin(), sheet.pages.end(), page);
    return it == sheet.pages.end() ? -1 : static_cast<int>(it - sheet.pages.begin());
}

// Closing: the page windows are gone by now (children go before the sheet); each page is
// released in order.
void ReleasePages(Sheet& sheet) {
    for (HPROPSHEETPAGE page : sheet.pages) DestroyPropertySheetPage(page);
    sheet.pages.clear();
}

LRESULT PressButton(HWND h, Sheet& sheet, WPARAM button) {
    switch (button) {
        case PSBTN_OK:
            PressOk(h, sheet);
            return TRUE;
        case PSBTN_CANCEL:
            PressCancel(h, sheet);
            return TRUE;
        case PSBTN_APPLYNOW:
            PressApply(h, sheet);
            return TRUE;
        case PSBTN_HELP:
            Notify(h, PageWindow(sheet, sheet.current), PSN_HELP, 0);
            return TRUE;
    }
    return FALSE;
}

// Answers a sheet message through DWLP_MSGRESULT, as a dialog procedure does.
INT_PTR Answer(HWND h, LRESULT value) {
    SetWindowLongPtrW(h, DWLP_MSGRESULT, value);
    return TRUE;
}

INT_PTR SheetMessage(HWND h, Sheet& sheet, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
        case PSM_SETCURSEL: {
            int index = l ? IndexOf(sheet, reinterpret_cast<HPROPSHEETPAGE>(l)) : static_cast<int>(w);
            return Answer(h, SelectPage(h, sheet, index) ? TRUE : FALSE);
        }
        case PSM_CHANGED:
            SetApplyEnabled(h, true);
            return Answer(h, 0);
        case PSM_UNCHANGED:
            SetApplyEnabled(h, false);
            return Answer(h, 0);
        case PSM_PRESSBUTTON:
            return Answer(h, PressButton(h, sheet, w));
        case PSM_APPLY:
            return Answer(h, ApplyPages(h, sheet, false) ? TRUE : FALSE);
        case PSM_QUERYSIBLINGS:
            return Answer(h, QuerySiblings(sheet, w, l));
        case PSM_GETCURRENTPAGEHWND:
            return Answer(h, reinterpret_cast<LRESULT>(PageWindow(sheet, sheet.current)));
        case PSM_INDEXTOHWND:
            return Answer(h, reinterpret_cast<LRESULT>(PageWindow(sheet, static_cast<int>(w))));
        case PSM_ADDPAGE: {
            auto page = reinterpret_cast<HPROPSHEETPAGE>(l);
            if (!LivePage(page)) return Answer(h, FALSE);
            sheet.pages.push_back(page);
            return Answer(h, TRUE);
        }
        case PSM_SETTITLEW:
            SetWindowTextW(h, reinterpret_cast<LPCWSTR>(l));
            return Answer(h, 0);
        case PSM_CANCELTOCLOSE:
            if (HWND cancel = GetDlgItem(h, IDCANCEL)) EnableWindow(cancel, FALSE);
            SetDlgItemTextW(h, IDOK, u"Close");
            return Answer(h, 0);
    }
    return FALSE;
}

INT_PTR CALLBACK SheetProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_INITDIALOG) {
        SetWindowLongPtrW(h, DWLP_USER, l);
        return FALSE;
    }
    Sheet* sheet = SheetOf(h);
    if (sheet == nullptr) return FALSE;
    if (m == WM_COMMAND && HIWORD(w) == BN_CLICKED) {
        switch (LOWORD(w)) {
            case IDOK:
                PressOk(h, *sheet);
                return TRUE;
            case IDCANCEL:
                PressCancel(h, *sheet);
                return TRUE;
            case IDAPPLY:
                PressApply(h, *sheet);
                return TRUE;
            case IDHELP:
                Notify(h, PageWindow(*sheet, sheet->current), PSN_HELP, 0);
                return TRUE;
        }
        return FALSE;
    }
    if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(l)->idFrom == kTabId) {
        return TabNotice(h, *sheet, *reinterpret_cast<NMHDR*>(l));
    }
    if (m == WM_NCDESTROY) {
        ReleasePages(*sheet);
        delete sheet;
        SetWindowLongPtrW(h, DWLP_USER, 0);
        return FALSE;
    }
    return SheetMessage(h, *sheet, m, w, l);
}

// The largest page template, so every page fits.
SIZE LargestPage(Sheet& sheet) {
    SIZE size{kSmallestPage, kSmallestPage};
    for (HPROPSHEETPAGE handle : sheet.pages) {
        PageRecord* page = LivePage(handle);
        const ORLA_DIALOG_TEMPLATE* t = page ? PageTemplate(*page) : nullptr;
        if (t == nullptr) continue;
        size.cx = std::max<LONG>(size.cx, t->cx);
        size.cy = std::max<LONG>(size.cy, t->cy);
    }
    return size;
}

struct SheetLayout {
    ORLA_DIALOG_ITEM items[5];  // the tab row, then the buttons
    ORLA_DIALOG_TEMPLATE dialog;
};

void LayOut(SheetLayout& layout, Sheet& sheet, LPCWSTR caption) {
    SIZE page = LargestPage(sheet);
    // Wide enough for the page and for the row of four buttons, whichever is wider.
    auto width = static_cast<SHORT>(std::max<LONG>(page.cx, 4 * kButtonWidth + 3 * kButtonGap) + 2 * kMargin);
    auto buttonsTop = static_cast<SHORT>(kMargin + kTabHeight + page.cy + kMargin);
    auto height = static_cast<SHORT>(buttonsTop + kButtonHeight + kMargin);
    constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    constexpr DWORD kHiddenButton = kButton & ~static_cast<DWORD>(WS_VISIBLE);
    struct Spec {
        WORD id;
        LPCWSTR text;
        DWORD style;
    };
    const DWORD applyShown = (sheet.flags & PSH_NOAPPLYNOW) ? 0 : WS_VISIBLE;
    const FrameTexts& texts = UserFrameTexts();
    const Spec specs[4] = {{IDOK, texts.ok, kButton | BS_DEFPUSHBUTTON},
                           {IDCANCEL, texts.cancel, kButton},
                           {IDAPPLY, texts.apply, kHiddenButton | applyShown | static_cast<DWORD>(WS_DISABLED)},
                           {IDHELP, texts.help, kHiddenButton}};
    // The pages are made later and so lie over the tab control's body.
    layout.items[0] = ORLA_DIALOG_ITEM{WC_TABCONTROLW,
                                       nullptr,
                                       kTabId,
                                       WS_CHILD | WS_VISIBLE,
                                       0,
                                       kMargin,
                                       kMargin,
                                       static_cast<SHORT>(width - 2 * kMargin),
                                       static_cast<SHORT>(kTabHeight + page.cy)};
    for (int i = 0; i < 4; ++i) {
        auto x = static_cast<SHORT>(width - kMargin - (4 - i) * kButtonWidth - (3 - i) * kButtonGap);
        layout.items[i + 1] = ORLA_DIALOG_ITEM{u"Button", specs[i].text, specs[i].id,  specs[i].style, 0,
                                               x,         buttonsTop,    kButtonWidth, kButtonHeight};
    }
    layout.dialog = ORLA_DIALOG_TEMPLATE{ORLA_DIALOG_SIGNATURE,
                                         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                         0,
                                         0,
                                         0,
                                         width,
                                         height,
                                         caption,
                                         u"MS Shell Dlg",
                                         8,
                                         5,
                                         layout.items};
    RECT origin{kMargin, kMargin + kTabHeight, 0, 0};
    MapDialogRect(nullptr, &origin);
    sheet.pageOrigin = POINT{origin.left, origin.top};
}

// The pages the header names, as handles the sheet owns; false when one is refused, and then
// every page made so far and every live handle given is destroyed (the sheet owns them all).
bool CollectPages(const PROPSHEETHEADERW& header, Sheet& sheet) {
    bool ok = true;
    const BYTE* record = reinterpret_cast<const BYTE*>(header.ppsp);
    for (UINT i = 0; i < header.nPages; ++i) {
        HPROPSHEETPAGE page = nullptr;
        if (header.dwFlags & PSH_PROPSHEETPAGE) {
            auto given = reinterpret_cast<const PROPSHEETPAGEW*>(record);
            if (ok) page = CreatePropertySheetPageW(given);
            record += given->dwSize;  // records follow each other at their own sizes
        } else {
            page = LivePage(header.phpage[i]) ? header.phpage[i] : nullptr;
        }
        if (page == nullptr) ok = false;
        if (page) sheet.pages.push_back(page);
    }
    if (!ok) ReleasePages(sheet);
    return ok;
}

// One tab per page, labelled with the page's title or its template's caption.
void AddTabs(HWND h, Sheet& sheet) {
    for (size_t i = 0; i < sheet.pages.size(); ++i) {
        PageRecord* page = LivePage(sheet.pages[i]);
        if (page == nullptr) continue;
        const PROPSHEETPAGEW& p = *page->Page();
        const ORLA_DIALOG_TEMPLATE* t = PageTemplate(*page);
        LPCWSTR title = (p.dwFlags & PSP_USETITLE) && p.pszTitle && !IS_INTRESOURCE(p.pszTitle) ? p.pszTitle
                        : t && t->caption                                                       ? t->caption
                                                                                                : u"";
        TCITEMW item{TCIF_TEXT, 0, 0, const_cast<LPWSTR>(title), 0, -1, 0};
        SendDlgItemMessageW(h, kTabId, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
}

bool ValidHeader(const PROPSHEETHEADERW* header) {
    if (header == nullptr || header->dwSize < PROPSHEETHEADERW_V1_SIZE || header->nPages == 0 ||
        header->ppsp == nullptr) {
        return false;
    }
    if (header->dwFlags & PSH_PROPSHEETPAGE) {
        // Every record must at least be a page record, or the walk to the next one goes astray.
        const BYTE* record = reinterpret_cast<const BYTE*>(header->ppsp);
        for (UINT i = 0; i < header->nPages; ++i) {
            DWORD size = reinterpret_cast<const PROPSHEETPAGEW*>(record)->dwSize;
            if (size < PROPSHEETPAGEW_V1_SIZE) return false;
            record += size;
        }
    }
    return true;
}

int StartPage(const PROPSHEETHEADERW& header, Sheet& sheet) {
    if (header.dwFlags & PSH_USEPSTARTPAGE) return 0;  // pages are found by index only
    return header.nStartPage < sheet.pages.size() ? static_cast<int>(header.nStartPage) : 0;
}

// Shows the start page, or the first page after it that agrees to be made.
bool ShowFirstPage(HWND h, Sheet& sheet, int start) {
    for (size_t step = 0; step < sheet.pages.size(); ++step) {
        if (SelectPage(h, sheet, static_cast<int>((static_cast<size_t>(start) + step) % sheet.pages.size()))) {
            return true;
        }
    }
    return false;
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

INT_PTR PropertySheetW(LPCPROPSHEETHEADERW lppsph) {
    if (!ValidHeader(lppsph)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const PROPSHEETHEADERW& header = *lppsph;
    auto* sheet = new Sheet;
    sheet->flags = header.dwFlags;
    if (!CollectPages(header, *sheet)) {
        delete sheet;
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    SheetLayout layout;
    LayOut(layout, *sheet, header.pszCaption ? header.pszCaption : u"");
    HWND owner = header.hwndParent ? GetAncestor(header.hwndParent, GA_ROOT) : nullptr;
    HWND h =
        CreateDialogFromTemplate(header.hInstance, layout.dialog, owner, SheetProc, reinterpret_cast<LPARAM>(sheet));
    if (h == nullptr) {
        ReleasePages(*sheet);
        delete sheet;
        return -1;
    }
    AddTabs(h, *sheet);
    if ((header.dwFlags & PSH_USECALLBACK) && header.pfnCallback) header.pfnCallback(h, PSCB_INITIALIZED, 0);
    if (!ShowFirstPage(h, *sheet, StartPage(header, *sheet))) {
        DestroyWindow(h);  // releases the pages
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (header.dwFlags & PSH_MODELESS) {
        ShowWindow(h, SW_SHOW);
        return reinterpret_cast<INT_PTR>(h);
    }
    return RunModalDialog(h, owner);
}

}  // extern "C"
