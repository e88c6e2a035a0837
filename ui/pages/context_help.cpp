// Context help: help ids by control, the What's-this menu, and HtmlHelpW called from a thread of
// its own. The thread works on a reference-counted block holding its own copy of the help file's
// path and the answer slot, so a caller that gave up (and returned) is never written to, and the
// thread never reads a context that was freed meanwhile.
#include "ui/pages/context_help.h"

#include <atomic>
#include <new>
#include <string>

#include "resources/lang/sheet_ids.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/user.h"

namespace orla {

namespace {

constexpr const WCHAR* kHelpControlKey = u"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr const WCHAR* kHelpControlFile = u"hhctrl.ocx";
constexpr WORD kHtmlHelpOrdinal = 15;

typedef HWND(WINAPI* HtmlHelpFn)(HWND, LPCWSTR, UINT, DWORD_PTR);

// Set when the help control could not be loaded: later calls answer 0 without trying again.
// Help threads of several dialogs may set and read it at once.
std::atomic<bool> g_helpLoadFailed{false};
std::atomic<DWORD> g_liveHelpCalls{0};

// One help request, shared by the caller and the help thread; the last one out frees it.
struct HelpCall {
    std::atomic<int> references{2};
    std::u16string file;
    UINT command = 0;
    DWORD_PTR data = 0;
    std::atomic<HWND> answer{nullptr};

    void Release() {
        if (--references == 0) {
            delete this;
            --g_liveHelpCalls;
        }
    }
};

std::u16string HelpControlPath() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kHelpControlKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return kHelpControlFile;
    }
    WCHAR path[MAX_PATH] = {};
    DWORD size = sizeof path - sizeof(WCHAR);  // room for a terminator the value may lack
    DWORD type = 0;
    LONG rc = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || path[0] == 0) return kHelpControlFile;
    return path;
}

DWORD WINAPI HtmlHelpThreadProc(LPVOID parameter) {
    auto* call = static_cast<HelpCall*>(parameter);
    if (!g_helpLoadFailed.load()) {
        HMODULE control = LoadLibraryW(HelpControlPath().c_str());
        auto entry = control ? reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(
                                   control, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(kHtmlHelpOrdinal)))))
                             : nullptr;
        if (entry) {
            call->answer = entry(GetDesktopWindow(), call->file.c_str(), call->command, call->data);
        } else {
            g_helpLoadFailed = true;
        }
        if (control) FreeLibrary(control);
    }
    call->Release();
    return 0;
}

POINT WindowCentre(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace

DWORD LiveHelpCallCount(void) {
    return g_liveHelpCalls.load();
}
void ResetHelpLoadFailure(void) {
    g_helpLoadFailed = false;
}

BOOL LookupHelpId(PageContext* context, DWORD controlId, const HelpIdPair* table) {
    if (context == nullptr) return FALSE;
    context->helpId = 0;
    if (controlId == 0 || table == nullptr) return FALSE;
    for (const HelpIdPair* entry = table; entry->controlId != 0; ++entry) {
        if (entry->controlId == controlId) {
            context->helpId = entry->helpId;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL ShowWhatsThisMenu(PageContext* context, HWND hDlg, HWND hwndClicked, POINT screenPoint, const HelpIdPair* table) {
    if (context == nullptr || context->uiContext == nullptr || hwndClicked == nullptr) return FALSE;
    if (screenPoint.x == -1 && screenPoint.y == -1) screenPoint = WindowCentre(hwndClicked);  // from the keyboard
    POINT client = screenPoint;
    ScreenToClient(hwndClicked, &client);
    HWND child = RealChildWindowFromPoint(hwndClicked, client);
    if (child == nullptr) return FALSE;
    const int controlId = GetDlgCtrlID(child);
    if (controlId == 0 || !IsWindowVisible(child) || !LookupHelpId(context, static_cast<DWORD>(controlId), table)) {
        return FALSE;
    }
    HMENU menu = LoadMenuW(context->uiContext->hResDll, MAKEINTRESOURCEW(orla_res::kMenuWhatsThis));
    if (menu == nullptr) return FALSE;
    HMENU popup = GetSubMenu(menu, 0);
    if (popup) TrackPopupMenu(popup, TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y, 0, hDlg, nullptr);
    DestroyMenu(menu);
    context->whatsThisCtl = child;
    return TRUE;
}

HWND ShowHtmlHelpAsync(HWND /*hwndCaller: help is always owned by the desktop*/, LPCWSTR helpFile, UINT command,
                       DWORD_PTR data) {
    auto* call = new (std::nothrow) HelpCall;
    if (call == nullptr) return nullptr;
    ++g_liveHelpCalls;
    call->file = helpFile ? helpFile : u"";
    call->command = command;
    call->data = data;
    HANDLE thread = CreateThread(nullptr, 0, HtmlHelpThreadProc, call, 0, nullptr);
    if (thread == nullptr) {
        call->references = 1;  // the thread never took its share
        call->Release();
        return nullptr;
    }
    HWND answer = nullptr;
    if (WaitForSingleObject(thread, kHelpWaitMs) == WAIT_OBJECT_0) answer = call->answer.load();
    CloseHandle(thread);
    call->Release();  // a late answer lands in the block, which the thread frees
    return answer;
}

BOOL HandleContextHelp(PageContext* context, HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam,
                       const HelpIdPair* table) {
    if (context == nullptr || context->uiContext == nullptr) return FALSE;
    const WCHAR* helpFile = context->uiContext->helpFile;
    switch (message) {
        case WM_HELP: {
            auto* info = reinterpret_cast<const HELPINFO*>(lParam);
            if (info == nullptr) return TRUE;
            // A control without an entry gets no help at all.
            if (LookupHelpId(context, static_cast<DWORD>(info->iCtrlId), table)) {
                ShowHtmlHelpAsync(static_cast<HWND>(info->hItemHandle), helpFile, kHelpContextCommand, context->helpId);
            }
            return TRUE;
        }
        case WM_CONTEXTMENU: {
            POINT at{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
            ShowWhatsThisMenu(context, hDlg, reinterpret_cast<HWND>(wParam), at, table);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) != orla_res::kCommandWhatsThis) return FALSE;
            ShowHtmlHelpAsync(context->whatsThisCtl, helpFile, kHelpContextCommand, context->helpId);
            return TRUE;
    }
    return FALSE;
}

}  // namespace orla
