// ui_runner job: the print runner as the chosen application, the user's switch of the print-time
// dialog on, the script in the dialogs that come up, and what reached the graphics DLL.
#include "tools/ui_runner/job_command.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "plat/app_host.h"
#include "plat/host_text.h"
#include "tools/print_runner/runner_escapes.h"
#include "win/registry.h"

namespace {

// Where the chosen program lives: only its file name counts for the driver.
constexpr char16_t kProgramFolder[] = u"C:\\Program Files\\Application\\";
// The user's switch of the print-time dialog, per printer.
constexpr char16_t kMopyingKey[] = u"Software\\QEV\\MOPYING\\";
constexpr char16_t kMopyingValue[] = u"MOPYING_UIOpen";

struct EscapeName {
    uint32_t code;
    const char* name;
};
constexpr EscapeName kEscapeNames[] = {
    {17, "SETCOPYCOUNT"},
    {19, "PASSTHROUGH"},
    {4360, "trust-marking query"},
    {9000, "stamp"},
    {9006, "device context handle"},
    {9100, "information stamp"},
    {9103, "trust-marking footer"},
    {9200, "account entry"},
    {9998, "job owner record"},
    {9999, "print-time settings record"},
};

struct EventName {
    int event;
    const char* name;
};
constexpr EventName kEventNames[] = {
    {orla::runner::kEventStartDocPre, "STARTDOCPRE"},
    {orla::runner::kEventStartDocPost, "STARTDOCPOST"},
    {orla::runner::kEventEndPage, "ENDPAGE"},
};

const char* NameOf(uint32_t code) {
    for (const EscapeName& e : kEscapeNames)
        if (e.code == code) return e.name;
    return "escape";
}
const char* EventNameOf(int event) {
    for (const EventName& e : kEventNames)
        if (e.event == event) return e.name;
    return "event";
}

bool Number(const std::string& text, WORD& out) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end || v > 0xFFFF) return false;
    out = static_cast<WORD>(v);
    return true;
}

// The user switched the print-time dialog on for the printer.
bool SwitchDialogOn(const std::u16string& printer) {
    std::u16string name = printer;
    if (name.rfind(u"\\\\", 0) == 0) name.erase(0, 2);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (kMopyingKey + name).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD on = 1;
    const bool set = RegSetValueExW(key, kMopyingValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on) ==
                     ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

struct HelperClose {
    void operator()(void* module) const { dlclose(module); }
};

void PrintWhatReachedTheDriver(const orla::runner::RunResult& r) {
    std::printf("document events:\n");
    for (const orla::runner::DocumentEventCall& e : r.documentEvents)
        std::printf("  %-12s %d\n", EventNameOf(e.event), e.answer);
    std::printf("escapes sent to the graphics DLL:\n");
    for (const orla::runner::SentEscape& e : r.sentEscapes)
        std::printf("  %4u %-26s in %4u out %4u -> %ld\n", e.code, NameOf(e.code), e.inputSize, e.outputSize, e.answer);
}

}  // namespace

bool ParseHostApplication(const std::string& text, HostApplication& app) {
    const size_t at = text.find('@');
    app.name = text.substr(0, at);
    if (app.name.empty() || app.name.find_first_of("\\/") != std::string::npos) return false;
    app.versioned = at != std::string::npos;
    if (!app.versioned) return true;
    const std::string version = text.substr(at + 1);
    const size_t dot = version.find('.');
    return dot != std::string::npos && Number(version.substr(0, dot), app.major) &&
           Number(version.substr(dot + 1), app.minor);
}

bool ParsePopupEntry(const std::string& text, SheetRequest& request) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos || slash == 0) return false;
    request.popupId = text.substr(0, slash);
    request.popupPassword = text.substr(slash + 1);
    return true;
}

int RunJobCommand(JobRequest& request) {
    orla::runner::RunOptions& o = request.options;
    // The application: its program and version resource, as GDI's caller in this process.
    PlatSetHostProgram((kProgramFolder + plat::Utf8ToUtf16(request.app.name)).c_str());
    if (request.app.versioned)
        PlatSetHostProgramVersion(request.app.major, request.app.minor, 0, 0);
    else
        PlatClearHostProgramVersion();
    if (!SwitchDialogOn(o.printerName)) {
        std::fprintf(stderr, "ui_runner: the user's switch of the print-time dialog cannot be set\n");
        return 1;
    }
    const std::string helper =
        o.binDir + (o.japanese ? "/liborla_runner_dialogs_ja.so" : "/liborla_runner_dialogs_en.so");
    std::unique_ptr<void, HelperClose> module(dlopen(helper.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!module) {
        std::fprintf(stderr, "ui_runner: cannot load %s (%s)\n", helper.c_str(), dlerror());
        return 1;
    }
    request.script.categoryPanel = reinterpret_cast<CategoryPanelFn>(dlsym(module.get(), "OrlaRunnerCategoryPanel"));
    o.applicationDc = true;
    std::printf("printing \"%s\" as %s%s\n", plat::Utf16ToUtf8(o.documentName).c_str(), request.app.name.c_str(),
                request.app.versioned
                    ? (" " + std::to_string(request.app.major) + "." + std::to_string(request.app.minor)).c_str()
                    : " (no version resource)");
    orla::runner::RunResult r;
    const int scripted = RunJobScript(request.script, [&] {
        r = orla::runner::RunJob(o);
        return r.ok ? 0 : 1;
    });
    PrintWhatReachedTheDriver(r);
    if (scripted == 2) return 2;
    if (!r.ok) {
        std::fprintf(stderr, "ui_runner: the job failed: %s\n", r.error.c_str());
        return 1;
    }
    std::printf("job: %zu bytes, %d pages\n", r.job.size(), r.pagesSent);
    if (request.out.empty()) return 0;
    std::ofstream file(request.out, std::ios::binary);
    file.write(reinterpret_cast<const char*>(r.job.data()), static_cast<std::streamsize>(r.job.size()));
    if (!file) {
        std::fprintf(stderr, "ui_runner: cannot write %s\n", request.out.c_str());
        return 1;
    }
    std::printf("wrote %s\n", request.out.c_str());
    return 0;
}
