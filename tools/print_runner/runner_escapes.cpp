// The runner as the application and the interface DLL: job escapes and page-end stamps.
#include "tools/print_runner/runner_escapes.h"

#include <dlfcn.h>

#include <cstring>
#include <string>

#include "plat/gdi_control.h"

namespace orla::runner {
namespace {

constexpr ULONG kEscSetDcHandle = 9006;
constexpr ULONG kEscGetStamp = 9000;
constexpr ULONG kEscGetInfoStamp = 9100;
constexpr ULONG kEscGetFooterStamp = 9103;  // Japanese build
constexpr ULONG kStampRecordSize = 780;
constexpr size_t kOverlayModeOffset = 732;
constexpr size_t kDrawFlagOffset = 748;

typedef LONG (*DrawStampProc)(DWORD dc, HANDLE hPrinter, const BYTE* record, LONG pass);

DWORD DwordAt(const BYTE* record, size_t offset) {
    DWORD v;
    std::memcpy(&v, record + offset, sizeof v);
    return v;
}

// The stamp binding of the job's language build, in the runner's helper module for that build.
struct StampHelper {
    void* dl = nullptr;
    DrawStampProc draw = nullptr;
    explicit StampHelper(const RunOptions& o) {
        std::string helper =
            o.binDir + (o.japanese ? "/liborla_runner_settings_ja.so" : "/liborla_runner_settings_en.so");
        dl = dlopen(helper.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (dl) draw = reinterpret_cast<DrawStampProc>(dlsym(dl, "OrlaRunnerDrawStamp"));
    }
    ~StampHelper() {
        if (dl) dlclose(dl);
    }
    StampHelper(const StampHelper&) = delete;
    StampHelper& operator=(const StampHelper&) = delete;
};

}  // namespace

void SendJobEscapes(const RunOptions& o, PFN_DrvEscape escape, SURFOBJ* pso, HDEV hdev, RunResult& r) {
    if (escape == nullptr) return;
    if (o.applicationDc) {
        DWORD dc = PlatGdiDcOfDevice(hdev);
        r.escapeResults.push_back(static_cast<LONG>(escape(pso, kEscSetDcHandle, sizeof dc, &dc, 0, nullptr)));
    }
    for (const EscapeCall& call : o.escapes) {
        std::vector<uint8_t> input = call.input;
        std::vector<uint8_t> output(call.outputSize);
        r.escapeResults.push_back(static_cast<LONG>(
            escape(pso, call.code, static_cast<ULONG>(input.size()), input.empty() ? nullptr : input.data(),
                   static_cast<ULONG>(output.size()), output.empty() ? nullptr : output.data())));
    }
}

void ResendDcHandle(const RunOptions& o, PFN_DrvEscape escape, SURFOBJ* pso, HDEV hdev) {
    if (escape == nullptr || !o.applicationDc) return;
    DWORD dc = PlatGdiDcOfDevice(hdev);
    escape(pso, kEscSetDcHandle, sizeof dc, &dc, 0, nullptr);
}

void ImprintPageStamps(const RunOptions& o, PFN_DrvEscape escape, SURFOBJ* pso, HDEV hdev, HANDLE printer) {
    if (escape == nullptr || !o.applicationDc) return;
    StampHelper helper(o);
    if (helper.draw == nullptr) return;
    const DWORD dc = PlatGdiDcOfDevice(hdev);
    for (ULONG code : {kEscGetStamp, kEscGetInfoStamp, kEscGetFooterStamp}) {
        BYTE record[kStampRecordSize] = {};
        if (escape(pso, code, 0, nullptr, sizeof record, record) != 1) continue;
        if (DwordAt(record, kDrawFlagOffset) == 0) continue;
        if (DwordAt(record, kOverlayModeOffset) == 0) helper.draw(dc, printer, record, 0);
        helper.draw(dc, printer, record, 1);
    }
}

}  // namespace orla::runner
