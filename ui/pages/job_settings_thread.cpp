// Running the print-time job settings dialog from a document event: the dialog gets a thread of
// its own, and the application's printing thread keeps its windows alive meanwhile. It dispatches
// ordinary and sent messages (the dialog disabling its owner is a message sent to this thread),
// holds back registered messages, which may start new work in the application, until the dialog
// has ended, and drops timer messages. It sleeps until a message comes or the dialog's thread ends.
#include <vector>

#include "resources/lang/job_settings_ids.h"
#include "ui/entry/document_events.h"
#include "ui/entry/printer_config.h"
#include "ui/pages/job_settings.h"
#include "ui/pages/page_creation.h"
#include "win/kernel.h"
#include "win/user.h"
#include "win/user_msg.h"

namespace orla {

namespace {

constexpr UINT kFirstRegisteredMessage = 0xC000;

struct PumpRule {
    UINT first;
    UINT last;
    JobPumpAction action;
};
// Anything not listed is dispatched.
constexpr PumpRule kPumpRules[] = {
    {WM_TIMER, WM_TIMER, JobPumpAction::Drop},
    // A quit request belongs to the application's own loop: dispatching it would lose it.
    {WM_QUIT, WM_QUIT, JobPumpAction::Hold},
    {kFirstRegisteredMessage, 0xFFFF, JobPumpAction::Hold},
};

struct ThreadHandle {
    HANDLE h;
    ~ThreadHandle() {
        if (h) CloseHandle(h);
    }
};

// Every waiting message taken and dispatched, kept or dropped by the rules.
void PumpWaitingMessages(std::vector<MSG>& held) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        switch (JobDialogPumpAction(m.message)) {
            case JobPumpAction::Dispatch:
                TranslateMessage(&m);
                DispatchMessageW(&m);
                break;
            case JobPumpAction::Hold:
                held.push_back(m);
                break;
            case JobPumpAction::Drop:
                break;
        }
    }
}

// Returns once the dialog's thread has ended.
void PumpMessagesUntilThreadEnds(HANDLE thread, std::vector<MSG>& held) {
    for (;;) {
        PumpWaitingMessages(held);
        const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) return;
        if (woken != WAIT_OBJECT_0 + 1) {
            // The wait failed: the dialog still uses the page context, so its end is awaited
            // without the messages.
            WaitForSingleObject(thread, INFINITE);
            return;
        }
    }
}

// The kept messages go back into this thread's queue in the order they came.
void RepostHeldMessages(const std::vector<MSG>& held) {
    for (const MSG& m : held) {
        if (m.message == WM_QUIT)
            PostQuitMessage(static_cast<int>(m.wParam));
        else
            PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);  // a window gone meanwhile takes none
    }
}

}  // namespace

JobPumpAction JobDialogPumpAction(UINT message) {
    for (const PumpRule& rule : kPumpRules)
        if (message >= rule.first && message <= rule.last) return rule.action;
    return JobPumpAction::Dispatch;
}

DWORD WINAPI JobSettingsDialogThread(LPVOID pageContext) {
    auto* page = static_cast<PageContext*>(pageContext);
    if (!page || !page->uiContext) return 0;
    return static_cast<DWORD>(DialogBoxParamW(page->uiContext->hResDll,
                                              MAKEINTRESOURCEW(orla_res::job_settings::kTemplate), page->hOwner,
                                              JobSettingsDlgProc, reinterpret_cast<LPARAM>(page)));
}

BOOL RunJobSettingsDialog(UiContext* context) {
    if (!context) return FALSE;
    PageContext* page = CreateDialogPageContext(context);
    if (!page) return FALSE;
    if (ReadMopyingUiOpen(context->hPrinter)) page->flags |= kPageFlagMopyingUiOpen;
    std::vector<MSG> held;
    BOOL ran = FALSE;
    {
        VisualStyleActivation styles;
        page->hOwner = GetActiveWindow();
        ThreadHandle thread{CreateThread(nullptr, 0, JobSettingsDialogThread, page, 0, nullptr)};
        // Without its thread the dialog was not run, and the job does not go on as if it had been.
        if (thread.h) {
            PumpMessagesUntilThreadEnds(thread.h, held);
            ran = TRUE;
        }
    }
    RepostHeldMessages(held);
    ProbePalmInfo(context->hPrinter);
    FreeDialogPageContext(page);
    return ran;
}

}  // namespace orla
