// Activation contexts: made from an existing module, activated and undone in order only, kept
// alive while active, and current while a page that names one makes its controls.
#include "tests/platform_ui/dialog_fixture.h"
#include "win/activation_context.h"
#include "win/property_sheet.h"

namespace {

using namespace uitest;

std::u16string ModulePath() {
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(DialogModule(), path, MAX_PATH);
    return path;
}

ACTCTXW Describe(const std::u16string& source) {
    ACTCTXW a{};
    a.cbSize = sizeof a;
    a.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    a.lpSource = source.c_str();
    a.lpResourceName = MAKEINTRESOURCEW(2);
    return a;
}

TEST(ActivationContext, ActivationsUndoInOrderOnly) {
    DWORD before = PlatLiveActCtxCount();
    std::u16string source = ModulePath();
    ACTCTXW a = Describe(source);
    HANDLE first = CreateActCtxW(&a);
    HANDLE second = CreateActCtxW(&a);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    ULONG_PTR outer = 0, inner = 0;
    ASSERT_TRUE(ActivateActCtx(first, &outer));
    ASSERT_TRUE(ActivateActCtx(second, &inner));
    EXPECT_FALSE(DeactivateActCtx(0, outer));  // out of turn
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SXS_INVALID_DEACTIVATION));
    HANDLE current = nullptr;
    ASSERT_TRUE(GetCurrentActCtx(&current));
    EXPECT_EQ(current, second);
    ReleaseActCtx(current);
    ReleaseActCtx(second);  // still active, so still alive
    EXPECT_EQ(PlatLiveActCtxCount(), before + 2);
    EXPECT_TRUE(DeactivateActCtx(0, inner));
    EXPECT_TRUE(DeactivateActCtx(0, outer));
    ReleaseActCtx(first);
    EXPECT_EQ(PlatLiveActCtxCount(), before);

    std::u16string missing = u"C:\\Windows\\NoSuch.dll";
    ACTCTXW bad = Describe(missing);
    EXPECT_EQ(CreateActCtxW(&bad), INVALID_HANDLE_VALUE);
    bad = Describe(source);
    bad.cbSize = 8;
    EXPECT_EQ(CreateActCtxW(&bad), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateActCtxW(nullptr), INVALID_HANDLE_VALUE);
}

// CreateThread puts the creator's current context on the new thread's stack; the thread's
// activations go when its routine returns, and with them the references they held.
HANDLE g_seenByThread = INVALID_HANDLE_VALUE;
DWORD WINAPI RecordCurrentContext(LPVOID leaveOneActive) {
    HANDLE current = INVALID_HANDLE_VALUE;
    GetCurrentActCtx(&current);
    g_seenByThread = current;
    if (current) ReleaseActCtx(current);
    ULONG_PTR cookie = 0;
    if (leaveOneActive) ActivateActCtx(static_cast<HANDLE>(leaveOneActive), &cookie);  // never undone
    return 0;
}

TEST(ActivationContext, ANewThreadStartsInItsCreatorsContext) {
    const DWORD before = PlatLiveActCtxCount();
    std::u16string source = ModulePath();
    ACTCTXW a = Describe(source);
    HANDLE context = CreateActCtxW(&a);
    ASSERT_NE(context, INVALID_HANDLE_VALUE);
    const struct {
        bool active;
        bool threadLeavesOne;
    } cases[] = {{false, false}, {true, false}, {true, true}};
    for (const auto& c : cases) {
        ULONG_PTR cookie = 0;
        if (c.active) {
            ASSERT_TRUE(ActivateActCtx(context, &cookie));
        }
        HANDLE thread =
            CreateThread(nullptr, 0, RecordCurrentContext, c.threadLeavesOne ? context : nullptr, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        CloseHandle(thread);
        EXPECT_EQ(g_seenByThread, c.active ? context : nullptr);
        if (c.active) {
            EXPECT_TRUE(DeactivateActCtx(0, cookie));
        }
    }
    ReleaseActCtx(context);
    EXPECT_EQ(PlatLiveActCtxCount(), before) << "the threads' activations gave their references back";
}

HANDLE g_seenDuringInit = nullptr;
INT_PTR CALLBACK FusionPage(HWND, UINT m, WPARAM, LPARAM) {
    if (m == WM_INITDIALOG) {
        GetCurrentActCtx(&g_seenDuringInit);
        ReleaseActCtx(g_seenDuringInit);
    }
    return m == WM_INITDIALOG;
}

TEST(ActivationContext, APageMakesItsControlsUnderItsContext) {
    DWORD before = PlatLiveActCtxCount();
    std::u16string source = ModulePath();
    ACTCTXW a = Describe(source);
    HANDLE context = CreateActCtxW(&a);
    ASSERT_NE(context, INVALID_HANDLE_VALUE);
    PROPSHEETPAGEW p{};
    p.dwSize = PROPSHEETPAGEW_V3_SIZE;
    p.dwFlags = PSP_USEFUSIONCONTEXT;
    p.hInstance = DialogModule();
    p.pszTemplate = MAKEINTRESOURCEW(kPageFirst);
    p.pfnDlgProc = FusionPage;
    p.hActCtx = context;
    HPROPSHEETPAGE page = CreatePropertySheetPageW(&p);
    ReleaseActCtx(context);  // the page holds its own reference
    EXPECT_EQ(PlatLiveActCtxCount(), before + 1);
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.nPages = 1;
    header.phpage = &page;
    Script script;
    script.steps.push_back([](HWND sheet) { PlatPressButton(sheet, IDCANCEL); });
    ScriptScope scope(script);
    g_seenDuringInit = nullptr;
    EXPECT_EQ(PropertySheetW(&header), 0);
    EXPECT_EQ(g_seenDuringInit, context);
    HANDLE after = reinterpret_cast<HANDLE>(1);
    GetCurrentActCtx(&after);
    EXPECT_EQ(after, nullptr);                 // undone once the page was made
    EXPECT_EQ(PlatLiveActCtxCount(), before);  // released with the page
}

}  // namespace
