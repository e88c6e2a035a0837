// Menus: built from the menu templates of resource modules or item by item, and pop-up menus
// tracked by the scripted user. A choice of a grey (or missing) item is no choice.
#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "plat/menu_script.h"
#include "plat/menu_template.h"
#include "plat_internal.h"

namespace plat {
namespace {

constexpr int kMaxMenuDepth = 8;  // templates nest no deeper; a loop in one stops here

struct Menu;
struct MenuItem {
    UINT id = 0;
    std::u16string text;
    UINT flags = 0;
    Menu* popup = nullptr;  // owned by this item
};

struct Menu {
    std::vector<MenuItem> items;
};

struct Menus {
    std::mutex lock;
    std::set<Menu*> live;
    std::deque<UINT> choices;
    std::vector<std::u16string> log;
    DWORD unexpected = 0;
};

Menus& menus() {
    static Menus* m = new Menus;
    return *m;
}

Menu* NewMenu() {
    auto* menu = new Menu;
    Menus& m = menus();
    std::lock_guard<std::mutex> g(m.lock);
    m.live.insert(menu);
    return menu;
}

Menu* Live(HMENU h) {
    auto* menu = reinterpret_cast<Menu*>(h);
    Menus& m = menus();
    std::lock_guard<std::mutex> g(m.lock);
    return m.live.count(menu) ? menu : nullptr;
}

void Free(Menu* menu) {
    {
        Menus& m = menus();
        std::lock_guard<std::mutex> g(m.lock);
        m.live.erase(menu);
    }
    for (MenuItem& item : menu->items) {
        if (item.popup) Free(item.popup);
    }
    delete menu;
}

bool Build(Menu& menu, const ORLA_MENU_TEMPLATE& t, int depth) {
    if (t.signature != ORLA_MENU_SIGNATURE || depth > kMaxMenuDepth || (t.itemCount && !t.items)) return false;
    for (UINT i = 0; i < t.itemCount; ++i) {
        const ORLA_MENU_ITEM& source = t.items[i];
        MenuItem item{source.id, source.text ? source.text : u"", source.flags, nullptr};
        if (source.flags & MF_POPUP) {
            if (!source.popup) return false;
            item.popup = NewMenu();
            menu.items.push_back(item);
            if (!Build(*item.popup, *source.popup, depth + 1)) return false;
            continue;
        }
        menu.items.push_back(item);
    }
    return true;
}

MenuItem* FindItem(Menu& menu, UINT which, UINT flags) {
    if (flags & MF_BYPOSITION) return which < menu.items.size() ? &menu.items[which] : nullptr;
    for (MenuItem& item : menu.items) {
        if (!(item.flags & MF_POPUP) && item.id == which) return &item;
        if (item.popup) {
            if (MenuItem* inner = FindItem(*item.popup, which, flags)) return inner;
        }
    }
    return nullptr;
}

std::u16string Describe(const Menu& menu) {
    std::u16string lines;
    for (const MenuItem& item : menu.items) {
        std::string id = std::to_string(item.id);
        lines.append(id.begin(), id.end());
        lines += u" " + (item.flags & MF_SEPARATOR ? u"-" : item.text);
        if (item.flags & MF_GRAYED) lines += u" (grey)";
        if (item.flags & MF_CHECKED) lines += u" (checked)";
        lines += u"\n";
    }
    return lines;
}

// The queued choice for this menu: 0 when dismissed, or when nothing was queued (unexpected)
// or the queued id is not a usable item of the menu (also unexpected).
UINT TakeChoice(Menu& menu) {
    Menus& m = menus();
    std::lock_guard<std::mutex> g(m.lock);
    m.log.push_back(Describe(menu));
    if (m.choices.empty()) {
        ++m.unexpected;
        return 0;
    }
    UINT id = m.choices.front();
    m.choices.pop_front();
    if (id == 0) return 0;
    MenuItem* item = FindItem(menu, id, MF_BYCOMMAND);
    if (item == nullptr || (item->flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR))) {
        ++m.unexpected;
        return 0;
    }
    return id;
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

HMENU CreatePopupMenu(void) {
    return reinterpret_cast<HMENU>(NewMenu());
}

HMENU LoadMenuW(HINSTANCE hInstance, LPCWSTR lpMenuName) {
    HRSRC found = FindResourceW(hInstance, lpMenuName, MAKEINTRESOURCEW(RT_MENU_ID));
    if (found == nullptr) return nullptr;
    auto t = static_cast<const ORLA_MENU_TEMPLATE*>(LockResource(LoadResource(hInstance, found)));
    if (t == nullptr || SizeofResource(hInstance, found) != sizeof(ORLA_MENU_TEMPLATE)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    Menu* menu = NewMenu();
    if (!Build(*menu, *t, 0)) {
        Free(menu);
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMENU>(menu);
}

BOOL AppendMenuW(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem) {
    Menu* menu = Live(hMenu);
    if (menu == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    MenuItem item{static_cast<UINT>(uIDNewItem), lpNewItem && !(uFlags & MF_SEPARATOR) ? lpNewItem : u"", uFlags,
                  nullptr};
    if (uFlags & MF_POPUP) {
        item.id = 0;
        item.popup = Live(reinterpret_cast<HMENU>(uIDNewItem));
        if (item.popup == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        // The pop-up now belongs to this menu: it is freed with it, not on its own.
        Menus& m = menus();
        std::lock_guard<std::mutex> g(m.lock);
        m.live.erase(item.popup);
    }
    menu->items.push_back(item);
    return TRUE;
}

BOOL DestroyMenu(HMENU hMenu) {
    Menu* menu = Live(hMenu);
    if (menu == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Free(menu);
    return TRUE;
}

HMENU GetSubMenu(HMENU hMenu, int nPos) {
    Menu* menu = Live(hMenu);
    if (menu == nullptr || nPos < 0 || static_cast<size_t>(nPos) >= menu->items.size()) return nullptr;
    return reinterpret_cast<HMENU>(menu->items[static_cast<size_t>(nPos)].popup);
}

int GetMenuItemCount(HMENU hMenu) {
    Menu* menu = Live(hMenu);
    return menu ? static_cast<int>(menu->items.size()) : -1;
}

UINT GetMenuItemID(HMENU hMenu, int nPos) {
    Menu* menu = Live(hMenu);
    if (menu == nullptr || nPos < 0 || static_cast<size_t>(nPos) >= menu->items.size()) return 0xFFFFFFFFu;
    const MenuItem& item = menu->items[static_cast<size_t>(nPos)];
    return item.popup ? 0xFFFFFFFFu : item.id;
}

int GetMenuStringW(HMENU hMenu, UINT uIDItem, LPWSTR lpString, int cchMax, UINT flags) {
    Menu* menu = Live(hMenu);
    const MenuItem* item = menu ? FindItem(*menu, uIDItem, flags) : nullptr;
    if (item == nullptr) return 0;
    const int length = static_cast<int>(item->text.size());
    if (lpString == nullptr || cchMax <= 0) return length;
    const int copied = std::min(length, cchMax - 1);
    std::copy_n(item->text.data(), copied, lpString);
    lpString[copied] = 0;
    return copied;
}

UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
    Menu* menu = Live(hMenu);
    const MenuItem* item = menu ? FindItem(*menu, uId, uFlags) : nullptr;
    if (item == nullptr) return 0xFFFFFFFFu;
    if (item->popup)
        return MF_POPUP | (item->flags & 0xFF & ~static_cast<UINT>(MF_POPUP)) |
               (static_cast<UINT>(std::min<size_t>(item->popup->items.size(), 0xFF)) << 8);
    return item->flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR);
}

// The previous state (MF_GRAYED/MF_DISABLED bits), or -1 for an item that is not there.
UINT EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable) {
    Menu* menu = Live(hMenu);
    MenuItem* item = menu ? FindItem(*menu, uIDEnableItem, uEnable) : nullptr;
    if (item == nullptr) return 0xFFFFFFFFu;
    UINT previous = item->flags & (MF_GRAYED | MF_DISABLED);
    item->flags = (item->flags & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
    return previous;
}

DWORD CheckMenuItem(HMENU hmenu, UINT uIDCheckItem, UINT uCheck) {
    Menu* menu = Live(hmenu);
    MenuItem* item = menu ? FindItem(*menu, uIDCheckItem, uCheck) : nullptr;
    if (item == nullptr) return 0xFFFFFFFFu;
    DWORD previous = item->flags & MF_CHECKED;
    item->flags = (item->flags & ~static_cast<UINT>(MF_CHECKED)) | (uCheck & MF_CHECKED);
    return previous;
}

BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int, int, int, HWND hWnd, const RECT*) {
    Menu* menu = Live(hMenu);
    if (menu == nullptr || !IsWindow(hWnd)) {
        SetLastError(menu ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    UINT chosen = TakeChoice(*menu);
    if (uFlags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
    if (chosen == 0) return FALSE;
    if (!(uFlags & TPM_NONOTIFY)) PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return TRUE;
}

void PlatQueueMenuChoice(UINT id) {
    Menus& m = menus();
    std::lock_guard<std::mutex> g(m.lock);
    m.choices.push_back(id);
}

DWORD PlatMenuCount(void) {
    Menus& m = menus();
    std::lock_guard<std::mutex> g(m.lock);
    return static_cast<DWORD>(m.log.size());
}

DWORD PlatGetMenuItems(DWORD index, LPWSTR buffer, DWORD size) {
    Menus& m = menus();
    std::lock_guard<std::mutex> g(m.lock);
    if (index >= m.log.size()) return 0;
    return CopyOutString(m.log[index], buffer, size);
}

DWORD PlatUnexpectedMenuCount(void) {
    Menus& m = menus();
    std::lock_guard<std::mutex> g(m.lock);
    return m.unexpected;
}

void PlatResetMenus(void) {
    Menus& m = menus();
    std::lock_guard<std::mutex> g(m.lock);
    m.choices.clear();
    m.log.clear();
    m.unexpected = 0;
}

}  // extern "C"
