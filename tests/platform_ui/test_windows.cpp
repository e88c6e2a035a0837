// Windows: creation and destruction in Windows' message order, longs and subclassing, links,
// focus, enabled and visible state.
#include "tests/platform_ui/window_fixture.h"

namespace {

using namespace uitest;

HWND MakeWindow(DWORD style, HWND parent, int id = 0) {
    return CreateWindowExW(0, kRecordingClass, u"w", style, 10, 20, 100, 50, parent,
                           reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(id)), nullptr, nullptr);
}

TEST(Windows, CreateAndDestroyFollowWindowsOrder) {
    RegisterRecordingClass();
    journal().Take();
    HWND parent = MakeWindow(WS_POPUP, nullptr);
    HWND child = MakeWindow(WS_CHILD | WS_VISIBLE, parent, 7);
    ASSERT_TRUE(parent && child);
    auto created = journal().Take();
    EXPECT_EQ(MessagesOf(created, parent), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_PARENTNOTIFY}));
    EXPECT_EQ(MessagesOf(created, child), (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));

    ASSERT_TRUE(DestroyWindow(parent));
    auto destroyed = journal().Take();
    // WM_DESTROY goes down the tree, WM_NCDESTROY comes back up.
    std::vector<std::pair<HWND, UINT>> order;
    for (const Seen& s : destroyed) order.emplace_back(s.hwnd, s.message);
    EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{
                         {parent, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {parent, WM_NCDESTROY}}));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
}

TEST(Windows, RefusesWhatWindowsRefuses) {
    RegisterRecordingClass();
    EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_EQ(MakeWindow(WS_CHILD, nullptr), nullptr);  // a child needs a parent
    WNDCLASSW again{};
    again.lpfnWndProc = RecordingProc;
    again.lpszClassName = u"uitestrecording";  // class names compare without case
    EXPECT_EQ(RegisterClassW(&again), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_FALSE(DestroyWindow(reinterpret_cast<HWND>(0x7777)));
}

TEST(Windows, LongsAndExtraBytesAreBounded) {
    RegisterRecordingClass();
    WindowHolder w(MakeWindow(WS_POPUP, nullptr));
    EXPECT_EQ(SetWindowLongPtrW(w.h, 8, 0x1234), 0);
    EXPECT_EQ(GetWindowLongPtrW(w.h, 8), 0x1234);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrW(w.h, 9), 0);  // 9..16 runs past the 16 extra bytes
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_EQ(SetWindowLongPtrW(w.h, -100, 5), 0);
    SetWindowLongPtrW(w.h, GWLP_USERDATA, 99);
    EXPECT_EQ(GetWindowLongPtrW(w.h, GWLP_USERDATA), 99);
    EXPECT_TRUE(static_cast<DWORD>(GetWindowLongW(w.h, GWL_STYLE)) & WS_POPUP);
}

LRESULT CALLBACK Upper(HWND h, UINT m, WPARAM w, LPARAM l);
WNDPROC g_previous = nullptr;
LRESULT CALLBACK Upper(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER + 1) return CallWindowProcW(g_previous, h, m, w + 1, l);  // adds before passing on
    return CallWindowProcW(g_previous, h, m, w, l);
}

TEST(Windows, SubclassingChainsToThePreviousProcedure) {
    RegisterRecordingClass();
    WindowHolder w(MakeWindow(WS_POPUP, nullptr));
    g_previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w.h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Upper)));
    EXPECT_EQ(g_previous, RecordingProc);
    EXPECT_EQ(SendMessageW(w.h, WM_USER + 1, 20, 0), 42);
    SetWindowLongPtrW(w.h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous));
    EXPECT_EQ(SendMessageW(w.h, WM_USER + 1, 20, 0), 40);
}

TEST(Windows, LinksParentsChildrenAndOwners) {
    RegisterRecordingClass();
    WindowHolder top(MakeWindow(WS_POPUP, nullptr));
    HWND a = MakeWindow(WS_CHILD, top.h, 1);
    HWND b = MakeWindow(WS_CHILD, top.h, 2);
    HWND inner = MakeWindow(WS_CHILD, a, 3);
    WindowHolder owned(MakeWindow(WS_POPUP, top.h));
    EXPECT_EQ(GetParent(a), top.h);
    EXPECT_EQ(GetWindow(top.h, GW_CHILD), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDPREV), a);
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), nullptr);
    EXPECT_TRUE(IsChild(top.h, inner));
    EXPECT_FALSE(IsChild(b, inner));
    EXPECT_EQ(GetAncestor(inner, GA_ROOT), top.h);
    EXPECT_EQ(GetWindow(owned.h, GW_OWNER), top.h);
    EXPECT_EQ(GetParent(owned.h), top.h);  // a popup's parent is its owner
    EXPECT_EQ(GetDlgCtrlID(b), 2);
    // Destroying the owner takes the owned window with it.
    DestroyWindow(top.h);
    EXPECT_FALSE(IsWindow(owned.h));
    EXPECT_FALSE(IsWindow(inner));
}

TEST(Windows, TextGoesThroughMessages) {
    RegisterRecordingClass();
    WindowHolder w(MakeWindow(WS_POPUP, nullptr));
    journal().Take();
    EXPECT_TRUE(SetWindowTextW(w.h, u"Paper size"));
    WCHAR small[6];
    EXPECT_EQ(GetWindowTextW(w.h, small, 6), 5);
    EXPECT_EQ(std::u16string(small), u"Paper");
    EXPECT_EQ(GetWindowTextLengthW(w.h), 10);
    EXPECT_EQ(MessagesOf(journal().Take(), w.h), (std::vector<UINT>{WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH}));
}

TEST(Windows, FocusMovesWithKillBeforeSet) {
    RegisterRecordingClass();
    WindowHolder top(MakeWindow(WS_POPUP | WS_VISIBLE, nullptr));
    HWND a = MakeWindow(WS_CHILD | WS_VISIBLE, top.h, 1);
    HWND b = MakeWindow(WS_CHILD | WS_VISIBLE, top.h, 2);
    SetFocus(a);
    journal().Take();
    EXPECT_EQ(SetFocus(b), a);
    auto seen = journal().Take();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].hwnd, a);
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_KILLFOCUS));
    EXPECT_EQ(seen[1].hwnd, b);
    EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_SETFOCUS));
    EXPECT_EQ(GetFocus(), b);
    // A disabled window gives up the focus and cannot take it.
    EXPECT_FALSE(EnableWindow(b, FALSE));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(SetFocus(b), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_TRUE(EnableWindow(b, TRUE));  // it was disabled
}

TEST(Windows, VisibilityFollowsTheParent) {
    RegisterRecordingClass();
    WindowHolder top(MakeWindow(WS_POPUP, nullptr));
    HWND child = MakeWindow(WS_CHILD | WS_VISIBLE, top.h, 1);
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_FALSE(ShowWindow(top.h, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(ShowWindow(child, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(child));
}

TEST(Windows, GeometryMapsBetweenClientAreas) {
    RegisterRecordingClass();
    WindowHolder top(CreateWindowExW(0, kRecordingClass, u"", WS_POPUP | WS_CAPTION, 100, 100, 200, 150, nullptr,
                                     nullptr, nullptr, nullptr));
    HWND child = MakeWindow(WS_CHILD, top.h, 1);  // at (10, 20) in the client area
    RECT client;
    GetClientRect(top.h, &client);
    EXPECT_EQ(client.right, 200 - 2 * GetSystemMetrics(SM_CXDLGFRAME));
    EXPECT_EQ(client.bottom, 150 - 2 * GetSystemMetrics(SM_CYDLGFRAME) - GetSystemMetrics(SM_CYCAPTION));
    POINT p{0, 0};
    ClientToScreen(child, &p);
    EXPECT_EQ(p.x, 100 + GetSystemMetrics(SM_CXDLGFRAME) + 10);
    EXPECT_EQ(p.y, 100 + GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION) + 20);
    RECT units{0, 0, 4, 8};
    MapDialogRect(nullptr, &units);
    EXPECT_EQ(units.right, 6);
    EXPECT_EQ(units.bottom, 13);
}

}  // namespace
