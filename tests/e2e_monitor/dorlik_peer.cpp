// The other process of the status manager tests: binds a printer in a given sandbox root and
// publishes, waits for a change, reads or asks for a refresh, then tells its result by its
// exit code and one line on standard output.
//   dorlik_peer <root> publish <printer> <name> <text>
//   dorlik_peer <root> watch <printer> <name> <text> <ms>   (prints "ready" once registered)
//   dorlik_peer <root> read <printer> <name>                (prints the value, or the error)
//   dorlik_peer <root> refresh <printer>                    (prints the direct refresh's answer)
//   dorlik_peer <root> echo <printer> <in> <out>            (publishes every new value of <in> as <out>
//                                                            until <in> is "stop")
#include <cstdio>
#include <cstring>
#include <string>

#include "outside/dorlik/dorlik_api.h"
#include "outside/dorlik/dorlik_library.h"
#include "plat/control.h"
#include "win/kernel.h"

namespace {

using dorlik::Entry;
using dorlik::Library;

std::u16string Wide(const char* s) {
    std::u16string w;
    for (; *s; ++s) w += static_cast<char16_t>(static_cast<unsigned char>(*s));
    return w;
}

struct Binding {
    PFN_DorlikCloseManager close;
    HANDLE manager = nullptr;
    ~Binding() {
        if (manager) close(manager);
    }
};

int Echo(HMODULE m, HANDLE manager, const char* in, const char* out) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD cookie = 0;
    auto get = Entry<PFN_DorlikGetPrinterStatusA>(m, "GetPrinterStatusA");
    auto update = Entry<PFN_DorlikUpdatePrinterStatusA>(m, "UpdatePrinterStatusA");
    if (Entry<PFN_DorlikSetNotificationEventExA>(m, "SetNotificationEventExA")(manager, 1, in, &event, &cookie) != 0)
        return 13;
    std::printf("ready\n");
    std::fflush(stdout);
    int rc = 14;
    while (WaitForSingleObject(event, 30000) == WAIT_OBJECT_0) {
        char value[256] = {};
        DWORD got = 0;
        if (get(manager, in, value, sizeof value - 1, &got) != 0) break;
        if (std::strcmp(value, "stop") == 0) {
            rc = 0;
            break;
        }
        update(manager, out, value, got);
    }
    Entry<PFN_DorlikKillNotificationEvent>(m, "KillNotificationEvent")(manager, cookie);
    CloseHandle(event);
    return rc;
}

int Run(HMODULE m, int argc, char** argv) {
    std::string verb = argv[2];
    std::u16string printer = Wide(argv[3]);
    Binding b{Entry<PFN_DorlikCloseManager>(m, "CloseManager")};
    if (Entry<PFN_DorlikOpenManagerExW>(m, "OpenManagerExW")(printer.c_str(), u"", 10, &b.manager) != DORLIK_OK)
        return 10;
    if (verb == "publish" && argc == 6) {
        auto update = Entry<PFN_DorlikUpdatePrinterStatusA>(m, "UpdatePrinterStatusA");
        return update(b.manager, argv[4], argv[5], static_cast<DWORD>(std::strlen(argv[5]))) == DORLIK_OK ? 0 : 11;
    }
    if (verb == "read" && argc == 5) {
        auto get = Entry<PFN_DorlikGetPrinterStatusA>(m, "GetPrinterStatusA");
        DWORD needed = 0;
        LONG rc = get(b.manager, argv[4], nullptr, 0, &needed);
        std::string value(needed, '\0');
        if (rc == DORLIK_E_SMALL_QUERY) rc = get(b.manager, argv[4], value.data(), needed, &needed);
        if (rc != DORLIK_OK)
            std::printf("error %ld\n", static_cast<long>(rc));
        else
            std::printf("%s\n", value.c_str());
        return rc == DORLIK_OK ? 0 : 12;
    }
    if (verb == "watch" && argc == 7) {
        HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        DWORD cookie = 0;
        auto set = Entry<PFN_DorlikSetNotificationEventExA>(m, "SetNotificationEventExA");
        auto kill = Entry<PFN_DorlikKillNotificationEvent>(m, "KillNotificationEvent");
        if (set(b.manager, 1, argv[4], &event, &cookie) != DORLIK_OK) return 13;
        std::printf("ready\n");
        std::fflush(stdout);
        DWORD waited = WaitForSingleObject(event, static_cast<DWORD>(std::atoi(argv[6])));
        kill(b.manager, cookie);
        CloseHandle(event);
        if (waited != WAIT_OBJECT_0) return 14;
        char value[256] = {};
        DWORD got = 0;
        Entry<PFN_DorlikGetPrinterStatusA>(m, "GetPrinterStatusA")(b.manager, argv[4], value, sizeof value - 1, &got);
        std::printf("%s\n", value);
        return std::strcmp(value, argv[5]) == 0 ? 0 : 15;
    }
    if (verb == "echo" && argc == 6) return Echo(m, b.manager, argv[4], argv[5]);
    if (verb == "refresh" && argc == 4) {
        auto direct = Entry<PFN_DorlikSetPrinterStatusDirectW>(m, "SetPrinterStatusDirectW");
        std::printf("%ld\n", static_cast<long>(direct(b.manager, u"RefreshStatus", u"PrinterStatus", 28)));
        return 0;
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: dorlik_peer <root> publish|watch|read|refresh <printer> ...\n");
        return 2;
    }
    PlatSetSandboxRoot(argv[1]);
    Library library;
    if (!library.module) return 3;
    return Run(library.module, argc, argv);
}
