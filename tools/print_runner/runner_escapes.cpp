// The application's side of a job: the interface DLL's document events and the logged escapes.
#include "tools/print_runner/runner_escapes.h"

#include <chrono>
#include <mutex>

#include "plat/gdi_control.h"
#include "plat/host_text.h"
#include "win/kernel.h"

namespace orla::runner {
namespace {

constexpr ULONG kEscSetDcHandle = 9006;

// The log of the job being printed: the driver's DrvEscape and where its calls are written.
struct EscapeLog {
    std::mutex lock;  // the interface DLL may call from its dialog's thread
    PFN_DrvEscape driver = nullptr;
    std::vector<SentEscape>* sent = nullptr;
};

EscapeLog& Log() {
    static EscapeLog log;
    return log;
}

ULONG APIENTRY LoggedEscape(SURFOBJ* pso, ULONG code, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    PFN_DrvEscape driver;
    {
        std::lock_guard<std::mutex> g(Log().lock);
        driver = Log().driver;
    }
    if (driver == nullptr) return 0;  // no job: the device takes no escapes
    const ULONG answer = driver(pso, code, cjIn, pvIn, cjOut, pvOut);
    std::lock_guard<std::mutex> g(Log().lock);
    if (Log().sent) Log().sent->push_back(SentEscape{code, cjIn, cjOut, static_cast<long>(answer)});
    return answer;
}

}  // namespace

InterfaceDll::~InterfaceDll() {
    if (module_) FreeLibrary(module_);
}

bool InterfaceDll::Load(const std::u16string& configFile, std::string& error) {
    module_ = LoadLibraryW(configFile.c_str());
    if (!module_) {
        error = "LoadLibraryW " + plat::Utf16ToUtf8(configFile) + " failed (last error " +
                std::to_string(GetLastError()) + ")";
        return false;
    }
    event_ = reinterpret_cast<decltype(event_)>(reinterpret_cast<void*>(GetProcAddress(module_, "DrvDocumentEvent")));
    if (!event_) {
        error = plat::Utf16ToUtf8(configFile) + " exports no DrvDocumentEvent";
        return false;
    }
    return true;
}

int InterfaceDll::Event(HANDLE printer, DWORD dc, int event, ULONG cbIn, PVOID pvIn, RunResult& r) {
    const HDC hdc = reinterpret_cast<HDC>(static_cast<ULONG_PTR>(dc));
    const auto start = std::chrono::steady_clock::now();
    const int answer = event_ ? event_(printer, hdc, event, cbIn, pvIn, 0, nullptr) : kEventFailure;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    r.documentEvents.push_back(DocumentEventCall{event, answer, took.count()});
    return answer;
}

EscapeLogScope::EscapeLogScope(PFN_DrvEscape driver, std::vector<SentEscape>& sent) {
    std::lock_guard<std::mutex> g(Log().lock);
    Log().driver = driver;
    Log().sent = &sent;
}

EscapeLogScope::~EscapeLogScope() {
    std::lock_guard<std::mutex> g(Log().lock);
    Log().driver = nullptr;
    Log().sent = nullptr;
}

std::vector<DRVFN> EngineHooks(const std::vector<DRVFN>& driverHooks) {
    std::vector<DRVFN> hooks = driverHooks;
    for (DRVFN& f : hooks)
        if (f.iFunc == INDEX_DrvEscape) f.pfn = reinterpret_cast<PFN>(&LoggedEscape);
    return hooks;
}

void SendJobEscapes(const RunOptions& o, SURFOBJ* pso, RunResult& r) {
    for (const EscapeCall& call : o.escapes) {
        std::vector<uint8_t> input = call.input;
        std::vector<uint8_t> output(call.outputSize);
        r.escapeResults.push_back(static_cast<LONG>(
            LoggedEscape(pso, call.code, static_cast<ULONG>(input.size()), input.empty() ? nullptr : input.data(),
                         static_cast<ULONG>(output.size()), output.empty() ? nullptr : output.data())));
    }
}

void ResendDcHandle(const RunOptions& o, SURFOBJ* pso, HDEV hdev) {
    if (!o.applicationDc) return;
    DWORD dc = PlatGdiDcOfDevice(hdev);
    LoggedEscape(pso, kEscSetDcHandle, sizeof dc, &dc, 0, nullptr);
}

}  // namespace orla::runner
