// The tab control: a row of labelled tabs with a current one. A user's click asks the parent
// first (TCN_SELCHANGING, refusable) and tells it after (TCN_SELCHANGE); TCM_SETCURSEL tells
// nobody, as on Windows.
#include <algorithm>
#include <string>
#include <vector>

#include "system_classes.h"
#include "win/user_controls.h"

namespace plat {
namespace {

constexpr size_t kMaxTabs = 256;

struct Tab {
    std::u16string text;
    int image = -1;
    LPARAM param = 0;
};

struct TabState {
    std::vector<Tab> tabs;
    int current = -1;
};

bool InRange(const TabState& s, WPARAM index) {
    return static_cast<int>(index) >= 0 && static_cast<size_t>(static_cast<int>(index)) < s.tabs.size();
}

void CopyIn(Tab& tab, const TCITEMW& item) {
    if (item.mask & TCIF_TEXT) tab.text = item.pszText ? item.pszText : u"";
    if (item.mask & TCIF_IMAGE) tab.image = item.iImage;
    if (item.mask & TCIF_PARAM) tab.param = item.lParam;
}

LRESULT Insert(TabState& s, WPARAM at, const TCITEMW* item) {
    if (item == nullptr || s.tabs.size() >= kMaxTabs) return -1;
    size_t index = std::min(static_cast<size_t>(at), s.tabs.size());
    Tab tab;
    CopyIn(tab, *item);
    s.tabs.insert(s.tabs.begin() + static_cast<long>(index), tab);
    if (s.current >= static_cast<int>(index)) ++s.current;
    if (s.current < 0) s.current = 0;  // the first tab is current once there is one
    return static_cast<LRESULT>(index);
}

LRESULT GetItem(const TabState& s, WPARAM index, TCITEMW* item) {
    if (item == nullptr || !InRange(s, index)) return FALSE;
    const Tab& tab = s.tabs[index];
    if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        size_t n = std::min(tab.text.size(), static_cast<size_t>(item->cchTextMax - 1));
        tab.text.copy(item->pszText, n);
        item->pszText[n] = 0;
    }
    if (item->mask & TCIF_IMAGE) item->iImage = tab.image;
    if (item->mask & TCIF_PARAM) item->lParam = tab.param;
    return TRUE;
}

LRESULT NotifyParentOf(HWND h, UINT code) {
    HWND parent = GetParent(h);
    if (!parent) return 0;
    NMHDR notice{h, static_cast<UINT_PTR>(GetDlgCtrlID(h)), code};
    return SendMessageW(parent, WM_NOTIFY, notice.idFrom, reinterpret_cast<LPARAM>(&notice));
}

LRESULT UserChoose(HWND h, TabState& s, WPARAM index) {
    if (!IsWindowEnabled(h) || !IsWindowVisible(h) || !InRange(s, index)) return FALSE;
    if (static_cast<int>(index) == s.current) return TRUE;
    if (NotifyParentOf(h, TCN_SELCHANGING)) return TRUE;  // refused: the click changed nothing
    s.current = static_cast<int>(index);
    NotifyParentOf(h, TCN_SELCHANGE);
    return TRUE;
}

}  // namespace

LRESULT CALLBACK TabControlProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        FreeControlState<TabState>(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    TabState& s = *ControlState<TabState>(h);
    switch (message) {
        case TCM_INSERTITEMW:
            return Insert(s, wParam, reinterpret_cast<const TCITEMW*>(lParam));
        case TCM_GETITEMW:
            return GetItem(s, wParam, reinterpret_cast<TCITEMW*>(lParam));
        case TCM_SETITEMW: {
            auto* item = reinterpret_cast<const TCITEMW*>(lParam);
            if (item == nullptr || !InRange(s, wParam)) return FALSE;
            CopyIn(s.tabs[wParam], *item);
            return TRUE;
        }
        case TCM_DELETEITEM:
            if (!InRange(s, wParam)) return FALSE;
            s.tabs.erase(s.tabs.begin() + static_cast<long>(wParam));
            if (s.current >= static_cast<int>(s.tabs.size())) s.current = static_cast<int>(s.tabs.size()) - 1;
            return TRUE;
        case TCM_GETITEMCOUNT:
            return static_cast<LRESULT>(s.tabs.size());
        case TCM_GETCURSEL:
            return s.current;
        case TCM_SETCURSEL: {
            if (!InRange(s, wParam)) return -1;
            int previous = s.current;
            s.current = static_cast<int>(wParam);
            return previous;
        }
        case kUserChoose:
            return UserChoose(h, s, wParam);
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

}  // namespace plat
