// Waiting for the printer's configuration. A watcher thread posts Cancel to the dialog when the
// time-out passes on the clock; every way out (reply, refusal, no manager, Cancel, time-out)
// goes through one ending that releases the manager and the request still pending.
#include "ui/pages/config_retrieval.h"

#include <new>

#include "resources/lang/sheet_ids.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/status_manager.h"
#include "win/kernel.h"
#include "win/user.h"
#include "win/user_msg.h"

namespace orla {

namespace {

// One open dialog's state, kept in DWLP_USER.
struct Retrieval {
    PageContext* pc = nullptr;
    HWND hDlg = nullptr;
    HANDLE stop = nullptr;     // set when the dialog ends: the watcher leaves
    HANDLE watcher = nullptr;  // the time-out thread
};

Retrieval* RetrievalOf(HWND hDlg) {
    return reinterpret_cast<Retrieval*>(GetWindowLongPtrW(hDlg, DWLP_USER));
}

DWORD WINAPI WatchTimeout(LPVOID parameter) {
    auto* r = static_cast<Retrieval*>(parameter);
    if (WaitForSingleObject(r->stop, kConfigRetrievalTimeoutMs) == WAIT_TIMEOUT) {
        PostMessageW(r->hDlg, WM_COMMAND, orla_res::kConfigRetrievalCancel, 0);  // gives up as the user's Cancel would
    }
    return 0;
}

void StartWatcher(Retrieval* r) {
    r->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (r->stop) r->watcher = CreateThread(nullptr, 0, WatchTimeout, r, 0, nullptr);
}

void StopWatcher(Retrieval* r) {
    if (r->stop) SetEvent(r->stop);
    if (r->watcher) {
        WaitForSingleObject(r->watcher, INFINITE);
        CloseHandle(r->watcher);
    }
    if (r->stop) CloseHandle(r->stop);
    r->watcher = r->stop = nullptr;
}

void ShowNotRead(HWND hDlg, UiContext* ui) {
    WCHAR text[256] = {};
    LoadStringW(ui->hResDll, kMessageConfigNotRead, text, 256);
    MessageBoxW(hDlg, text, ui->printerName, MB_OK | MB_ICONWARNING);
}

// Every way out: a refresh still pending is dropped with its manager and library.
void EndRetrieval(HWND hDlg, BOOL read) {
    Retrieval* r = RetrievalOf(hDlg);
    if (r) {
        StopWatcher(r);
        PrinterConfigRecord* config = &r->pc->uiContext->printerConfig;
        if (config->hStatusLib || config->hManager) ReleaseStatusManager(config);
        config->pendingRequest = 0;
        SetWindowLongPtrW(hDlg, DWLP_USER, 0);
        delete r;
    }
    EndDialog(hDlg, read);
}

void ApplyRead(UiContext* ui) {
    ApplyConfigAndPublish(&ui->currentDevmode, &ui->printerConfig, ui->hPrinter, ui->deviceData);
}

BOOL Begin(HWND hDlg, PageContext* pc) {
    if (pc == nullptr || pc->uiContext == nullptr) {
        EndDialog(hDlg, FALSE);
        return TRUE;
    }
    auto* r = new (std::nothrow) Retrieval;
    if (r == nullptr) {
        EndDialog(hDlg, FALSE);
        return TRUE;
    }
    r->pc = pc;
    r->hDlg = hDlg;
    SetWindowLongPtrW(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(r));
    UiContext* ui = pc->uiContext;
    AcquirePrinterConfig(&ui->printerConfig, ui->hPrinter, hDlg);
    UpdatePalmFlag(&ui->currentDevmode, &ui->printerConfig, ui->hPrinter);
    const PrinterConfigRecord& config = ui->printerConfig;
    if (!(config.extStatus & kConfigFromPrinter)) {
        EndRetrieval(hDlg, FALSE);
        return TRUE;
    }
    if ((config.extStatus & kConfigNoRefreshNeeded) || (config.compulsivePolling & kPollingOnItsOwn)) {
        ApplyRead(ui);
        EndRetrieval(hDlg, TRUE);
        return TRUE;
    }
    StartWatcher(r);  // a reply (or a refusal) is on its way
    return TRUE;
}

void OnReply(HWND hDlg, UiContext* ui) {
    const LONG result = AcquirePrinterConfig(&ui->printerConfig, ui->hPrinter, hDlg);
    UpdatePalmFlag(&ui->currentDevmode, &ui->printerConfig, ui->hPrinter);
    if (result != 0) {
        ShowNotRead(hDlg, ui);
        EndRetrieval(hDlg, FALSE);
        return;
    }
    ApplyRead(ui);
    EndRetrieval(hDlg, TRUE);
}

}  // namespace

INT_PTR CALLBACK DeviceConfigRetrievalDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return Begin(hDlg, reinterpret_cast<PageContext*>(lParam));
    Retrieval* r = RetrievalOf(hDlg);
    if (r == nullptr) return FALSE;
    UiContext* ui = r->pc->uiContext;
    switch (message) {
        case kMsgConfigReply:
            OnReply(hDlg, ui);
            return TRUE;
        case kMsgConfigRefused:
        case kMsgNoStatusManager:
            ShowNotRead(hDlg, ui);
            EndRetrieval(hDlg, FALSE);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) != orla_res::kConfigRetrievalCancel) return FALSE;
            EndRetrieval(hDlg, FALSE);
            return TRUE;
    }
    return FALSE;
}

}  // namespace orla
