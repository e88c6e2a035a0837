// ShellExecuteW as tests need it: the request is logged and answered, and nothing runs.
#include "plat/shell_execute.h"

#include <algorithm>
#include <mutex>
#include <string_view>
#include <vector>

#include "plat/control.h"
#include "plat_internal.h"
#include "win/shell.h"

namespace plat {
namespace {

// The answer of a call that succeeded (any value above 32 means success).
constexpr ULONG_PTR kStarted = 42;
constexpr DWORD kLargestShellError = 32;
constexpr size_t kMaxRecords = 1000;  // a runaway caller cannot grow the log without end

struct Log {
    std::mutex lock;
    std::vector<PLAT_SHELL_EXECUTE_RECORD> records;
};

Log& log() {
    static Log* l = new Log;
    return *l;
}

template <size_t N>
void CopyCut(WCHAR (&out)[N], LPCWSTR text) {
    const std::u16string_view view = View(text);
    const size_t n = std::min(view.size(), N - 1);
    view.copy(out, n);
    out[n] = 0;
}

ULONG_PTR Answer(LPCWSTR file) {
    DWORD code = 0, shortBy = 0;
    if (PlatTakeInjectedFailure("ShellExecuteW", &code, &shortBy))
        return code != 0 && code <= kLargestShellError ? code : SE_ERR_ACCESSDENIED;
    if (View(file).empty()) return SE_ERR_FNF;
    return kStarted;
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters, LPCWSTR lpDirectory,
                        INT nShowCmd) {
    PLAT_SHELL_EXECUTE_RECORD record{};
    CopyCut(record.verb, lpOperation);
    CopyCut(record.file, lpFile);
    CopyCut(record.parameters, lpParameters);
    CopyCut(record.directory, lpDirectory);
    record.show = nShowCmd;
    record.owner = hwnd;
    record.answer = Answer(lpFile);
    if (record.answer <= kLargestShellError) SetLastError(static_cast<DWORD>(record.answer));
    Log& l = log();
    std::lock_guard<std::mutex> g(l.lock);
    if (l.records.size() < kMaxRecords) l.records.push_back(record);
    return reinterpret_cast<HINSTANCE>(record.answer);
}

DWORD PlatShellExecuteCount(void) {
    Log& l = log();
    std::lock_guard<std::mutex> g(l.lock);
    return static_cast<DWORD>(l.records.size());
}

BOOL PlatGetShellExecute(DWORD index, PLAT_SHELL_EXECUTE_RECORD* record) {
    Log& l = log();
    std::lock_guard<std::mutex> g(l.lock);
    if (record == nullptr || index >= l.records.size()) return FALSE;
    *record = l.records[index];
    return TRUE;
}

void PlatResetShellExecutes(void) {
    Log& l = log();
    std::lock_guard<std::mutex> g(l.lock);
    l.records.clear();
}

}  // extern "C"
