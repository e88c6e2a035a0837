// Menus from templates and pop-up menus answered by the script: the chosen command returned or
// posted to the owner, dismissals, and choices the menu cannot give counted as unexpected.
#include "plat/menu_script.h"
#include "tests/platform_ui/dialog_fixture.h"

namespace {

using namespace uitest;

struct MenuHolder {
    HMENU h;
    explicit MenuHolder(HMENU menu) : h(menu) {}
    ~MenuHolder() {
        if (h) DestroyMenu(h);
    }
};

struct ResetMenus {
    ResetMenus() { PlatResetMenus(); }
    ~ResetMenus() { PlatResetMenus(); }
};

TEST(Menus, TemplatesLoadWithTheirItems) {
    MenuHolder menu(LoadMenuW(DialogModule(), MAKEINTRESOURCEW(kMenuContext)));
    ASSERT_NE(menu.h, nullptr);
    HMENU popup = GetSubMenu(menu.h, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemCount(popup), 3);
    EXPECT_EQ(GetMenuItemID(popup, 0), static_cast<UINT>(kCmdWhatsThis));
    EXPECT_EQ(GetMenuItemID(menu.h, 0), 0xFFFFFFFFu);  // a pop-up has no command
    EXPECT_EQ(GetSubMenu(menu.h, 5), nullptr);
    EXPECT_EQ(EnableMenuItem(menu.h, kCmdGrey, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(EnableMenuItem(menu.h, 9999, MF_BYCOMMAND), 0xFFFFFFFFu);
    EXPECT_EQ(LoadMenuW(DialogModule(), MAKEINTRESOURCEW(kDialogMain)), nullptr);  // no such menu
    EXPECT_FALSE(DestroyMenu(reinterpret_cast<HMENU>(&menu)));
}

TEST(Menus, TrackPopupMenuTakesTheScriptsChoice) {
    ResetMenus reset;
    RegisterRecordingClass();
    WindowHolder owner(
        CreateWindowExW(0, kRecordingClass, u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    MenuHolder menu(LoadMenuW(DialogModule(), MAKEINTRESOURCEW(kMenuContext)));
    HMENU popup = GetSubMenu(menu.h, 0);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }

    PlatQueueMenuChoice(kCmdWhatsThis);
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, 5, 5, 0, owner.h, nullptr), kCmdWhatsThis);
    PlatQueueMenuChoice(kCmdWhatsThis);
    EXPECT_TRUE(TrackPopupMenu(popup, TPM_RIGHTBUTTON, 5, 5, 0, owner.h, nullptr));
    ASSERT_TRUE(PeekMessageW(&m, owner.h, WM_COMMAND, WM_COMMAND, PM_REMOVE));  // posted to the owner
    EXPECT_EQ(LOWORD(m.wParam), kCmdWhatsThis);
    PlatQueueMenuChoice(0);  // the user presses Escape
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 5, 5, 0, owner.h, nullptr), 0);
    EXPECT_EQ(PlatUnexpectedMenuCount(), 0u);

    struct Case {
        const char* name;
        bool queue;
        UINT choice;
    };
    const Case kUnexpected[] = {
        {"nothing queued", false, 0}, {"a grey item", true, kCmdGrey}, {"no such item", true, 77}};
    for (const Case& c : kUnexpected) {
        SCOPED_TRACE(c.name);
        DWORD before = PlatUnexpectedMenuCount();
        if (c.queue) PlatQueueMenuChoice(c.choice);
        EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 5, 5, 0, owner.h, nullptr), 0);
        EXPECT_EQ(PlatUnexpectedMenuCount(), before + 1);
    }
    EXPECT_FALSE(PeekMessageW(&m, owner.h, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    ASSERT_EQ(PlatMenuCount(), 6u);
    WCHAR items[128];
    PlatGetMenuItems(0, items, 128);
    EXPECT_EQ(std::u16string(items), u"3001 What's This?\n0 -\n3002 Unavailable (grey)\n");
}

}  // namespace
