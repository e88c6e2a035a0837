// Job-processing service link.
#include "monitor/service_link.h"

#include <cstdio>
#include <cstring>

#include "monitor/diag_log.h"
#include "win/spool.h"
#include "win/user_msg.h"

BOOL IsJobServiceInstalled(PortRecord* port) {
    port->serviceToldStart = FALSE;
    HANDLE token = RevertToPrinterSelf();
    SC_HANDLE manager = OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_ALL_ACCESS);
    if (token) ImpersonatePrinterClient(token);
    if (!manager) return FALSE;
    SC_HANDLE service = OpenServiceW(manager, u"QzPJMService", SERVICE_QUERY_STATUS);
    CloseServiceHandle(manager);
    if (!service) return FALSE;
    CloseServiceHandle(service);
    port->serviceToldStart = TRUE;
    return TRUE;
}

BOOL PostToJobService(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = FindWindowW(u"QzPJMService", nullptr);
    if (!window) {
        DebugTrace("QzPJMServiceのウィンドウが見つからないので、メッセージを送信することができませんでした。");
        return FALSE;
    }
    BOOL ok = PostMessageW(window, message, wParam, lParam);
    DebugTrace("Send message to QzPJMService(Message=%x  wParam=%x lParam=%x", message, static_cast<unsigned>(wParam),
               static_cast<unsigned>(lParam));
    return ok;
}

BOOL JobInServiceTable(const BYTE* view, DWORD viewSize, DWORD jobId) {
    if (!view || viewSize < kQzTableHeader) return FALSE;
    DWORD inUse = 0, count = 0;
    std::memcpy(&inUse, view, 4);
    std::memcpy(&count, view + 4, 4);
    if (!inUse) return FALSE;
    DWORD fits = (viewSize - kQzTableHeader) / kQzTableEntry;
    if (count > fits) count = fits;
    for (DWORD i = 0; i < count; ++i) {
        DWORD id = 0;
        std::memcpy(&id, view + kQzTableHeader + i * kQzTableEntry, 4);
        if (id == jobId) return TRUE;
    }
    return FALSE;
}

namespace {

enum class TableAnswer { Listed, NotListed, Unreachable };

TableAnswer AskTable(DWORD jobId) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, u"QZ_FILEMAPPING_MUTEX");
    if (!mutex) {
        DebugTrace("JobID: %d Can not open file mapping mutex\n", static_cast<int>(jobId));
        return TableAnswer::Unreachable;
    }
    DWORD rc = WaitForSingleObject(mutex, kQzTableMutexWait);
    if (rc != WAIT_OBJECT_0 && rc != WAIT_ABANDONED) {
        DebugTrace("JobID: %d Can not own file mapping mutex\n", static_cast<int>(jobId));
        CloseHandle(mutex);
        return TableAnswer::Unreachable;
    }
    TableAnswer answer = TableAnswer::Unreachable;
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, u"QZ_JOBPROCESS_FILEMAPPING");
    if (!mapping) {
        DebugTrace("JobID: %d Can not open file mapping; error=%d\n", static_cast<int>(jobId),
                   static_cast<int>(GetLastError()));
    } else {
        // Map the header first; the entries only as far as the section really reaches.
        const BYTE* head = static_cast<const BYTE*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, kQzTableHeader));
        if (!head) {
            DebugTrace("JobID: %d Can not access file mapping\n", static_cast<int>(jobId));
        } else {
            DWORD count = 0;
            std::memcpy(&count, head + 4, 4);
            UnmapViewOfFile(head);
            if (count > kQzTableMaxEntries) count = kQzTableMaxEntries;
            DWORD size = kQzTableHeader + count * kQzTableEntry;
            const BYTE* view = static_cast<const BYTE*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size));
            if (!view) {
                DebugTrace("JobID: %d Can not access file mapping\n", static_cast<int>(jobId));
            } else {
                answer = JobInServiceTable(view, size, jobId) ? TableAnswer::Listed : TableAnswer::NotListed;
                UnmapViewOfFile(view);
            }
        }
        CloseHandle(mapping);
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return answer;
}

void TraceRestartError(DWORD jobId, const char* what) {
    DebugTrace("JobID(%d):restart error in StartDocPort(%s)\n", static_cast<int>(jobId), what);
}

// Asks the service to take a job it has not pre-processed; TRUE when it allows it.
BOOL AskServiceToTakeJob(HANDLE printer, DWORD jobId, BOOL* postFailed) {
    *postFailed = FALSE;
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (!needed || needed > 0x100000) {
        TraceRestartError(jobId, "Get printer name");
        return FALSE;
    }
    BYTE* buffer = static_cast<BYTE*>(MonAlloc(needed));
    if (!buffer) {
        TraceRestartError(jobId, "allocate memory");
        return FALSE;
    }
    BOOL allowed = FALSE;
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
    if (!GetPrinterW(printer, 2, buffer, needed, &needed) || !info->pPrinterName) {
        TraceRestartError(jobId, "Get printer name");
    } else if (ATOM atom = GlobalAddAtomW(info->pPrinterName); !atom) {
        TraceRestartError(jobId, "GlobalAddAtom");
    } else {
        WCHAR overName[40], allowName[40];
        char text[40];
        std::snprintf(text, sizeof text, "QzLM_OVER%u", jobId);
        for (int i = 0; i < 40; ++i) overName[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
        std::snprintf(text, sizeof text, "QzLM_ALLOW%u", jobId);
        for (int i = 0; i < 40; ++i) allowName[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
        HANDLE over = CreateEventW(nullptr, FALSE, FALSE, overName);
        HANDLE allow = over ? CreateEventW(nullptr, FALSE, FALSE, allowName) : nullptr;
        if (!over) {
            TraceRestartError(jobId, "Create over event");
        } else if (!allow) {
            TraceRestartError(jobId, "Create allow event");
        } else if (!PostToJobService(kQzMsgRestart, atom, static_cast<LPARAM>(jobId))) {
            DebugTrace("JobID(%d):restart error in StartDocPort(Fail to send restart message to QzPJMService)\n",
                       static_cast<int>(jobId));
            *postFailed = TRUE;
        } else {
            HANDLE events[2] = {over, allow};
            allowed = WaitForMultipleObjects(2, events, FALSE, kQzAnswerWait) == WAIT_OBJECT_0 + 1;
        }
        if (allow) CloseHandle(allow);
        if (over) CloseHandle(over);
        GlobalDeleteAtom(atom);
    }
    MonFree(buffer);
    return allowed;
}

BOOL RunStatusLetsJobPrint() {
    DWORD status = 0, size = 4, type = 0;
    if (!ReadJobServiceValue("RunStatus", reinterpret_cast<BYTE*>(&status), &size, &type)) {
        DebugTrace("Fail to query PS run status");
        status = 1;
    }
    if (status == 0) return TRUE;
    WriteEventLog("StartDocPort関数でファイルマッピングにアクセスできません(Status = 0)。", kLogSource, kEventError);
    return FALSE;
}

}  // namespace

BOOL JobServiceStartDoc(HANDLE printer, DWORD jobId, LPCWSTR portName) {
    DebugTrace("Enter QZStartDoc(%d)\n", static_cast<int>(jobId));
    TableAnswer answer = AskTable(jobId);
    if (answer == TableAnswer::Listed) {
        DebugTrace("JobID: %d normally print out\n", static_cast<int>(jobId));
        return TRUE;
    }
    if (answer == TableAnswer::Unreachable) return RunStatusLetsJobPrint();
    DebugTrace("JobID(%d):Error in StartDocPort(Not pre-processed by QzPJMService)\n", static_cast<int>(jobId));
    BOOL postFailed = FALSE;
    if (AskServiceToTakeJob(printer, jobId, &postFailed)) return TRUE;
    if (postFailed) return RunStatusLetsJobPrint();
    SetJobW(printer, jobId, 0, nullptr, JOB_CONTROL_DELETE);
    char port[260] = {};
    for (int i = 0; portName && portName[i] && i < 259; ++i)
        port[i] = static_cast<char>(portName[i] < 0x80 ? portName[i] : '?');
    char text[400];
    std::snprintf(text, sizeof text, "ポート%s でプリンタジョブ %u をキャンセルしました(Status = %d)。", port, jobId,
                  0);
    DebugTrace("%s", text);
    WriteEventLog(text, kLogSource, kEventWarning);
    return FALSE;
}

void JobServiceEndDoc(LPCWSTR portName, DWORD jobId) {
    DebugTrace("Enter QZEndDoc(%d)", static_cast<int>(jobId));
    PostToJobService(kQzMsgEndDoc, 0, static_cast<LPARAM>(jobId));
}
