// The document-monitor hand-off: the API library named in the registry is bound per monitor
// handle; a job is described to it in the new data layout, or in the older one for libraries
// without "MevSetMevDataEx".
#include "ui/entry/job_monitor.h"

#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

#include "ui/entry/ansi_text.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace orla {
namespace {

typedef MevHandle(APIENTRY* InitializeFn)(DWORD reserved);
typedef int(APIENTRY* HandleFn)(MevHandle monitor);
typedef int(APIENTRY* TextFn)(MevHandle monitor, char* buffer);
typedef int(APIENTRY* DataFn)(MevHandle monitor, const void* data);

// The entry table, in this order; the last three are optional.
enum Entry {
    kSetGroupStyle,
    kCreateJobId,
    kSetJobId,
    kUnInitialize,
    kInitialize,
    kSetDestinationCount,
    kSetPortName,
    kSetFriendlyName,
    kSetParamStyle,
    kCreateClientId,
    kExec,
    kExecPreferences,
    kSetJobDestinations,
    kSetMevData,
    kExecWithStatus,
    kExecPreferencesWithStatus,
    kSetMevDataEx,
    kEntryCount
};
constexpr const char* kEntryNames[kEntryCount] = {
    "MevSetGroupStyle",
    "MevCreateJobId",
    "MevSetJobId",
    "MevUnInitializeRellwatch",
    "MevInitializeRellwatch",
    "MevSetDestinationCount",
    "MevSetPortName",
    "MevSetFriendlyName",
    "MevSetParamStyle",
    "MevCreateClientId",
    "MevExecRellwatch",
    "MevExecRellwatchPreferences",
    "MevSetJobDestinations",
    "MevSetMevData",
    "MevExecRellwatchWithStatus",
    "MevExecRellwatchPreferencesWithStatus",
    "MevSetMevDataEx",
};
constexpr int kRequiredEntries = kExecWithStatus;

constexpr DWORD kMonitorProgramBytes = 260;
constexpr DWORD kMonitorApiBytes = 128;
constexpr size_t kIdBufferBytes = 260;
constexpr size_t kIdLimit = 64;            // client and job ids must be shorter
constexpr size_t kMonitorJobIdLimit = 48;  // "client.job" must be shorter
constexpr DWORD kJobKind = 3;
constexpr DWORD kJobMode = 11;
constexpr char kStackerText[] = "\x83\x58\x83\x5E\x83\x62\x83\x4A";  // "スタッカ" in code page 932

// Process-wide binding of the API library.
struct MonitorApi {
    std::mutex lock;
    HMODULE module = nullptr;
    int uses = 0;
    FARPROC entries[kEntryCount] = {};
};

MonitorApi& Api() {
    static MonitorApi api;
    return api;
}

template <class Fn>
Fn Bound(Entry e) {
    MonitorApi& api = Api();
    std::lock_guard<std::mutex> hold(api.lock);
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)(void)>(api.entries[e]));
}

int PlatformKind() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) return 3;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return 2;
    return 0;
}

// The API library's name, when the registry names an existing monitor program and a library.
bool MonitorApiName(char (&library)[kMonitorApiBytes + 1]) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMonitorRegistryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char program[kMonitorProgramBytes + 1] = {};
    DWORD size = kMonitorProgramBytes;
    DWORD type = 0;
    bool ok = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(program), &size) == ERROR_SUCCESS;
    OFSTRUCT of{};
    ok = ok && program[0] != '\0' && OpenFile(program, &of, OF_EXIST) != HFILE_ERROR;
    size = kMonitorApiBytes;
    ok = ok && RegQueryValueExA(key, kMonitorApiValue, nullptr, &type, reinterpret_cast<BYTE*>(library), &size) ==
                   ERROR_SUCCESS;
    RegCloseKey(key);
    return ok && library[0] != '\0';
}

// Loads the library and binds every entry; a missing required one unloads it again.
bool BindApi(const char* library) {
    HMODULE module = LoadLibraryA(library);
    if (module == nullptr) return false;
    FARPROC entries[kEntryCount] = {};
    for (int i = 0; i < kEntryCount; ++i) {
        entries[i] = GetProcAddress(module, kEntryNames[i]);
        if (entries[i] == nullptr && i < kRequiredEntries) {
            FreeLibrary(module);
            return false;
        }
    }
    MonitorApi& api = Api();
    std::lock_guard<std::mutex> hold(api.lock);
    if (api.module != nullptr && api.module != module) {
        // Another library is bound already: keep it, this load is not needed.
        FreeLibrary(module);
        return false;
    }
    api.module = module;
    std::copy(std::begin(entries), std::end(entries), api.entries);
    ++api.uses;
    return true;
}

// Copies a text into a field; FALSE when it does not fit with its terminator.
template <size_t N>
bool PutField(char (&field)[N], const std::string& text) {
    if (text.size() >= N) return false;
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
    return true;
}

bool TextsFit(const MonitorJobDescription& job) {
    if (job.portName.size() >= 260 || job.documentName.size() >= 260 || job.printerName.size() >= 256 ||
        job.userName.size() >= 64)
        return false;
    if (job.kind == 0) return job.stackerText.size() < 80;
    return job.text1.size() < 32 && job.text2.size() < 32;
}

// A monitor id from the API: a text shorter than the limit within the buffer.
bool AskId(TextFn fn, MevHandle monitor, std::string* out) {
    char buffer[kIdBufferBytes + 1] = {};
    if (fn == nullptr || !fn(monitor, buffer)) return false;
    buffer[kIdBufferBytes] = '\0';
    const size_t length = std::strlen(buffer);
    if (length >= kIdLimit) return false;
    out->assign(buffer, length);
    return true;
}

// The older layout: a header, then each destination's first 660 bytes with its second DWORD
// translated (6 becomes 1, anything else 0).
std::vector<BYTE> LegacyLayout(const MevJobBlock& block) {
    const DWORD count = block.destinationCount;
    std::vector<BYTE> out(sizeof(MevLegacyHeader) + size_t{count} * kMevLegacyDestinationSize, 0);
    auto* header = reinterpret_cast<MevLegacyHeader*>(out.data());
    header->destinationCount = count;
    header->kindFlag = block.jobKind == kJobKind ? 2 : 0;
    header->mode = block.mode;
    std::strncpy(header->portName, block.portName, sizeof header->portName);
    std::strncpy(header->printerName, block.printerName, sizeof header->printerName);
    header->destinations = out.data() + sizeof(MevLegacyHeader);
    for (DWORD i = 0; i < count; ++i) {
        BYTE* entry = header->destinations + size_t{i} * kMevLegacyDestinationSize;
        std::memcpy(entry, &block.destinations[i], kMevLegacyDestinationSize);
        const DWORD size = kMevLegacyDestinationSize;
        const DWORD kind = block.destinations[i].shortValue == 6 ? 1 : 0;
        std::memcpy(entry, &size, sizeof size);
        std::memcpy(entry + 4, &kind, sizeof kind);
    }
    return out;
}

// The printer's port and printer names (empty when they cannot be read).
void PrinterNames(HANDLE hPrinter, std::string* port, std::string* printer) {
    DWORD needed = 0;
    GetPrinterW(hPrinter, 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W)) return;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterW(hPrinter, 2, buffer.data(), needed, &needed)) return;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    char text[261];
    if (info->pPortName != nullptr && ToAnsiCut(info->pPortName, text, sizeof text) > 0) *port = text;
    if (info->pPrinterName != nullptr && ToAnsiCut(info->pPrinterName, text, sizeof text) > 0) *printer = text;
}

}  // namespace

MevHandle InitializeJobMonitor(DWORD reserved) {
    const int platform = PlatformKind();
    if (platform != 2 && platform != 3) return 0;
    char library[kMonitorApiBytes + 1] = {};
    if (!MonitorApiName(library) || !BindApi(library)) return 0;
    auto init = Bound<InitializeFn>(kInitialize);
    return init != nullptr ? init(reserved) : 0;
}

int UninitializeJobMonitor(MevHandle monitor) {
    MonitorApi& api = Api();
    HandleFn uninit = nullptr;
    HMODULE module = nullptr;
    {
        std::lock_guard<std::mutex> hold(api.lock);
        uninit = reinterpret_cast<HandleFn>(reinterpret_cast<void (*)(void)>(api.entries[kUnInitialize]));
        if (uninit == nullptr) return 0;
        module = api.module;
    }
    const int result = uninit(monitor);
    std::lock_guard<std::mutex> hold(api.lock);
    FreeLibrary(module);
    if (--api.uses <= 0) {
        api.uses = 0;
        api.module = nullptr;
        std::fill(std::begin(api.entries), std::end(api.entries), nullptr);
    }
    return result;
}

BOOL IsMonitorAvailable() {
    const MevHandle monitor = InitializeJobMonitor(0);
    if (monitor != 0) return UninitializeJobMonitor(monitor) != 0;
    UninitializeJobMonitor(0);
    return FALSE;
}

int MonitorExecuteAndRelease(MevHandle monitor) {
    if (monitor == 0) return kMonitorMissingArgument;
    const int executed = MonitorExecute(monitor);
    const int released = UninitializeJobMonitor(monitor);
    return executed != 0 && released != 0 ? kMonitorDone : kMonitorFailed;
}

int MonitorReleaseOnly(MevHandle monitor) {
    if (monitor == 0) return kMonitorMissingArgument;
    return UninitializeJobMonitor(monitor) != 0 ? kMonitorDone : kMonitorFailed;
}

BOOL SetMonitorJobData(MevHandle monitor, const MevJobBlock* data) {
    if (data == nullptr) return FALSE;
    if (auto ex = Bound<DataFn>(kSetMevDataEx)) return ex(monitor, data) != 0;
    auto older = Bound<DataFn>(kSetMevData);
    if (older == nullptr) return FALSE;
    const std::vector<BYTE> legacy = LegacyLayout(*data);
    return older(monitor, legacy.data()) != 0;
}

int MonitorCreateClientId(MevHandle monitor, char* buffer) {
    auto fn = Bound<TextFn>(kCreateClientId);
    return fn != nullptr ? fn(monitor, buffer) : 0;
}

int MonitorExecute(MevHandle monitor) {
    auto fn = Bound<HandleFn>(kExec);
    return fn != nullptr ? fn(monitor) : 0;
}

int SubmitMonitorJob(MevHandle* pHandle, char* idOut, const MonitorJobDescription& job) {
    if (pHandle == nullptr || idOut == nullptr) return kMonitorMissingArgument;
    if (job.kind != 0 && job.kind != 1) return kMonitorUnknownKind;
    if (!TextsFit(job)) return kMonitorTextTooLong;
    const MevHandle monitor = InitializeJobMonitor(0);
    if (monitor == 0) return kMonitorFailed;
    std::string clientId, jobId;
    if (!AskId(Bound<TextFn>(kCreateClientId), monitor, &clientId) ||
        !AskId(Bound<TextFn>(kCreateJobId), monitor, &jobId)) {
        UninitializeJobMonitor(monitor);
        return kMonitorFailed;
    }
    const std::string monitorJobId = clientId + "." + jobId;
    if (monitorJobId.size() >= kMonitorJobIdLimit) {
        UninitializeJobMonitor(monitor);
        return kMonitorTextTooLong;
    }
    std::memcpy(idOut, monitorJobId.c_str(), monitorJobId.size() + 1);

    auto destination = std::make_unique<MevDestination>();
    std::memset(destination.get(), 0, sizeof *destination);
    destination->size = sizeof(MevDestination);
    destination->shortValue = job.shortValue;
    PutField(destination->portName, job.portName);
    PutField(destination->jobId, jobId);
    PutField(destination->documentName, job.documentName);
    if (job.kind == 1) {
        PutField(destination->text1, job.text1);
        PutField(destination->text2, job.text2);
    } else {
        destination->value = job.value;
        PutField(destination->stackerText, job.stackerText);
    }
    MevJobBlock block{};
    block.size = sizeof block;
    block.destinationCount = 1;
    block.jobKind = kJobKind;
    block.mode = kJobMode;
    PutField(block.portName, job.portName);
    PutField(block.printerName, job.printerName);
    PutField(block.userName, job.userName);
    block.destinations = destination.get();
    if (!SetMonitorJobData(monitor, &block)) {
        UninitializeJobMonitor(monitor);
        return kMonitorFailed;
    }
    *pHandle = monitor;
    return kMonitorDone;
}

void BuildMonitorJobRecord(const MonitorHandoff& handoff, MonitorJobDescription* job) {
    *job = MonitorJobDescription{};
    PrinterNames(handoff.hPrinter, &job->portName, &job->printerName);
    job->documentName = handoff.owner.documentName;
    job->userName = handoff.owner.userName;
    job->stackerText = kStackerText;
}

int SubmitJobToMonitor(MonitorHandoff* handoff, char* idOut) {
    if (handoff == nullptr || idOut == nullptr) return -1;
    idOut[0] = '\0';
    if (!(Get(handoff->devmode, dm::Flags1) & kFlags1JobMonitor) || !IsMonitorAvailable()) return -1;
    handoff->handleFlag = TRUE;
    EndMonitorHandle(handoff);
    MonitorJobDescription job;
    BuildMonitorJobRecord(*handoff, &job);
    MevHandle monitor = 0;
    if (SubmitMonitorJob(&monitor, idOut, job) != kMonitorDone || monitor == 0) return -1;
    handoff->monitor = monitor;
    return 0;
}

int EndMonitorHandle(MonitorHandoff* handoff) {
    if (handoff == nullptr || !handoff->handleFlag || handoff->monitor == 0) return 0;
    const int answer = MonitorReleaseOnly(handoff->monitor);
    handoff->monitor = 0;
    return answer == kMonitorDone ? 0 : -1;
}

int CloseMonitorHandle(MonitorHandoff* handoff) {
    if (handoff == nullptr || !handoff->handleFlag || handoff->monitor == 0) return 0;
    const int answer = MonitorExecuteAndRelease(handoff->monitor);
    handoff->monitor = 0;
    return answer == kMonitorDone ? 0 : -1;
}

void ClearMonitorHandle(MonitorHandoff* handoff) {
    if (handoff == nullptr) return;
    handoff->monitor = 0;
    handoff->handleFlag = FALSE;
}

}  // namespace orla
