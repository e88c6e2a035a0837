// Item lists of list boxes and combo boxes.
#include "item_list.h"

#include <algorithm>

#include "plat_internal.h"
#include "win/user_controls.h"

namespace plat {

bool InRange(const ItemList& list, WPARAM index) {
    return static_cast<int>(index) >= 0 && static_cast<size_t>(static_cast<int>(index)) < list.items.size();
}

LRESULT InsertItem(ItemList& list, int at, LPCWSTR text, bool sorted) {
    if (list.items.size() >= kMaxItems) return kNoRoom;
    ListItem item{text ? text : u"", 0};
    size_t index;
    if (at < 0 && sorted) {
        auto it =
            std::upper_bound(list.items.begin(), list.items.end(), item,
                             [](const ListItem& a, const ListItem& b) { return CompareNoCase(a.text, b.text) < 0; });
        index = static_cast<size_t>(it - list.items.begin());
    } else if (at < 0) {
        index = list.items.size();
    } else if (static_cast<size_t>(at) <= list.items.size()) {
        index = static_cast<size_t>(at);
    } else {
        return kNoItem;
    }
    list.items.insert(list.items.begin() + static_cast<long>(index), std::move(item));
    if (list.selection >= static_cast<int>(index)) ++list.selection;
    return static_cast<LRESULT>(index);
}

LRESULT DeleteItem(ItemList& list, WPARAM index, bool& selectionLost) {
    selectionLost = false;
    if (!InRange(list, index)) return kNoItem;
    int i = static_cast<int>(index);
    list.items.erase(list.items.begin() + i);
    if (list.selection == i) {
        list.selection = -1;
        selectionLost = true;
    } else if (list.selection > i) {
        --list.selection;
    }
    return static_cast<LRESULT>(list.items.size());
}

LRESULT FindItem(const ItemList& list, WPARAM start, LPCWSTR text, bool exact) {
    if (text == nullptr || list.items.empty()) return kNoItem;
    std::u16string_view wanted(text);
    size_t n = list.items.size();
    size_t first = InRange(list, start) ? static_cast<size_t>(start) + 1 : 0;
    for (size_t step = 0; step < n; ++step) {
        size_t i = (first + step) % n;
        std::u16string_view item = list.items[i].text;
        if (!exact && item.size() > wanted.size()) item = item.substr(0, wanted.size());
        if (EqualNoCase(item, wanted)) return static_cast<LRESULT>(i);
    }
    return kNoItem;
}

bool ChooseItem(ItemList& list, WPARAM index) {
    int before = list.selection;
    list.selection = static_cast<int>(index);
    return list.selection != before;
}

LRESULT CopyItemText(const ItemList& list, WPARAM index, LPARAM buffer) {
    if (!InRange(list, index)) return kNoItem;
    const std::u16string& text = list.items[index].text;
    if (auto* out = reinterpret_cast<LPWSTR>(buffer)) {
        text.copy(out, text.size());
        out[text.size()] = 0;
    }
    return static_cast<LRESULT>(text.size());
}

UINT AskItemHeight(HWND h, UINT controlType, UINT item) {
    RECT client{};
    GetClientRect(h, &client);
    MEASUREITEMSTRUCT measure{
        controlType, static_cast<UINT>(GetDlgCtrlID(h)), item, static_cast<UINT>(client.right), kDefaultItemHeight, 0};
    if (HWND parent = GetParent(h))
        SendMessageW(parent, WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure));
    return std::max<UINT>(measure.itemHeight, 1);
}

}  // namespace plat
