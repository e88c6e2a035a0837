#include "tests/e2e_monitor/monitor_world.h"

#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace e2e {
namespace {

bool MakeDirs(const std::string& dir) {
    for (size_t at = 1; at <= dir.size(); ++at) {
        if (at == dir.size() || dir[at] == '/') {
            std::string part = dir.substr(0, at);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    return true;
}

bool SetString(HKEY key, LPCWSTR name, const std::u16string& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * 2)) == ERROR_SUCCESS;
}

bool CreateKey(const std::u16string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

}  // namespace

std::string HostPath(const std::u16string& windowsPath) {
    return PlatHostPath(windowsPath.c_str());
}

bool EnsureSandbox(std::string* why) {
    static std::once_flag once;
    static std::string failure;
    std::call_once(once, [] {
        static char pattern[] = "/tmp/orla-e2e-XXXXXX";
        if (!mkdtemp(pattern)) {
            failure = "mkdtemp failed";
            return;
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(pattern, ignored);
        });
        PlatSetSandboxRoot(pattern);
        PlatSetComputerName(u"ORLA-PC");
        const char* bin = std::getenv("ORLA_BIN_DIR");
        if (!bin) {
            failure = "ORLA_BIN_DIR is not set";
            return;
        }
        for (const char* module : {"Lostrel.dll", "Loopmon.dll", "Dorlik.dll"}) {
            std::u16string windows = u"C:\\Windows\\System32\\";
            for (const char* c = module; *c; ++c) windows += static_cast<char16_t>(*c);
            std::string host = HostPath(windows);
            MakeDirs(host.substr(0, host.rfind('/')));
            std::string target = std::string(bin) + "/" + module;
            // A link, not a copy: the test and the monitor then share one loaded status manager.
            if (symlink(target.c_str(), host.c_str()) != 0 && errno != EEXIST) {
                failure = "cannot link " + target;
                return;
            }
        }
        // The status manager is used for printers of drivers with a "Status Variables" key.
        if (!CreateKey(u"SOFTWARE\\QEV\\Brantel\\Printers\\Halvoric4400K ORLA\\Status Variables") ||
            !CreateKey(u"SOFTWARE\\QEV\\Brantel\\Printers\\QEV Halvoric4400K ORLA\\Status Variables")) {
            failure = "cannot create the status manager's registry keys";
        }
    });
    if (!failure.empty() && why) *why = failure;
    return failure.empty();
}

bool InstallPrinter(const std::u16string& printer, const std::u16string& port, std::string* why) {
    PLAT_PRINTER_SETUP setup{};
    std::u16string dir = PlatDriverDirectory();
    std::u16string driverPath = dir + u"\\Quessa.dll", dataFile = dir + u"\\QV4400K.DAT",
                   configFile = dir + u"\\Talvex.dll";
    setup.printerName = printer.c_str();
    setup.driverName = kDriverName;
    setup.portName = port.c_str();
    setup.driverPath = driverPath.c_str();
    setup.dataFile = dataFile.c_str();
    setup.configFile = configFile.c_str();
    setup.monitorName = kLanguageMonitorName;
    PlatDeletePrinter(printer.c_str());  // each test installs it afresh on its own port
    bool spooler = PlatInstallPrinter(&setup) != FALSE;
    // What the monitor reads to tell its own driver's printers (the spooler writes it too).
    std::u16string keyName = printer;
    for (auto& c : keyName) {
        if (c == u'\\') c = u',';  // a printer's key is named with its backslashes as commas
    }
    std::u16string key = u"System\\CurrentControlSet\\control\\Print\\Printers\\" + keyName;
    HKEY h = nullptr;
    bool ok = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) ==
              ERROR_SUCCESS;
    if (ok) {
        ok = SetString(h, u"Printer Driver", kDriverName) && SetString(h, u"Port", port);
        // A local printer with bidirectional support switched on: the monitor serves it.
        const DWORD attributes = 0x40 | 0x800;
        ok = ok && RegSetValueExW(h, u"Attributes", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&attributes), 4) ==
                       ERROR_SUCCESS;
        RegCloseKey(h);
    }
    if (!ok && why) *why = "cannot write the printer's registry key";
    if (!spooler && why) *why = "PlatInstallPrinter failed (error " + std::to_string(GetLastError()) + ")";
    return ok && spooler;
}

ClockPump::ClockPump(DWORD stepMs) {
    thread_ = std::thread([this, stepMs] {
        while (!stop_.load()) {
            PlatClockAdvance(stepMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

ClockPump::~ClockPump() {
    stop_ = true;
    thread_.join();
}

bool Dorlik::Bind(std::string* why) {
    module = LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL");
    if (!module) {
        if (why) *why = "LoadLibraryW(Dorlik.DLL) failed, error " + std::to_string(GetLastError());
        return false;
    }
    auto get = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(module, name)); };
    read = reinterpret_cast<PFN_DorlikReadVariable>(get("DorlikReadVariable"));
    updates = reinterpret_cast<PFN_DorlikUpdateCount>(get("DorlikUpdateCount"));
    write = reinterpret_cast<PFN_DorlikWriteVariable>(get("DorlikWriteVariable"));
    openHandles = reinterpret_cast<PFN_DorlikOpenHandles>(get("DorlikOpenHandles"));
    waitOpenHandles = reinterpret_cast<PFN_DorlikWaitOpenHandlesAtMost>(get("DorlikWaitOpenHandlesAtMost"));
    reset = reinterpret_cast<PFN_DorlikReset>(get("DorlikReset"));
    history = reinterpret_cast<PFN_DorlikReadHistory>(get("DorlikReadHistory"));
    openManager = reinterpret_cast<PFN_DorlikOpenManagerExW>(get("OpenManagerExW"));
    closeManager = reinterpret_cast<PFN_DorlikCloseManager>(get("CloseManager"));
    setCallback = reinterpret_cast<PFN_DorlikSetNotificationCallbackExA>(get("SetNotificationCallbackExA"));
    killCallback = reinterpret_cast<PFN_DorlikKillNotificationCallback>(get("KillNotificationCallback"));
    if (!read || !updates || !write || !openHandles || !waitOpenHandles || !reset || !history || !openManager ||
        !closeManager || !setCallback || !killCallback) {
        if (why) *why = "Dorlik.DLL lacks its reader exports";
        return false;
    }
    return true;
}

LONG Dorlik::Read(const std::u16string& printer, const char* name, std::string* value) const {
    DWORD needed = 0;
    LONG r = read(printer.c_str(), name, nullptr, 0, &needed);
    if (r != DORLIK_OK && r != DORLIK_E_SMALL_QUERY) return r;
    value->assign(needed, '\0');
    return read(printer.c_str(), name, value->data(), needed, &needed);
}

bool Dorlik::EverPublished(const std::u16string& printer, const char* name,
                           const std::function<bool(const std::string&)>& accept) const {
    // As far back as the manager's history reaches (it answers past the end with an error).
    for (DWORD back = 0;; ++back) {
        DWORD needed = 0;
        LONG r = history(printer.c_str(), name, back, nullptr, 0, &needed);
        if (r != DORLIK_OK && r != DORLIK_E_SMALL_QUERY) return false;
        std::string value(needed, '\0');
        if (history(printer.c_str(), name, back, value.data(), needed, &needed) == DORLIK_OK && accept(value))
            return true;
    }
}

DWORD Dorlik::Updates(const std::u16string& printer, const char* name) const {
    return updates(printer.c_str(), name);
}

LONG Dorlik::Write(const std::u16string& printer, const char* name, const void* value, DWORD size) const {
    return write(printer.c_str(), name, value, size);
}

bool Dorlik::WaitFor(const std::u16string& printer, const char* name,
                     const std::function<bool(const std::string&)>& accept, int wallMs, std::string* last) const {
    std::string value;
    bool got = WaitUntil(
        printer, name, [&] { return Read(printer, name, &value) == DORLIK_OK && accept(value); }, wallMs);
    if (last) *last = value;
    return got;
}

namespace {

// A test watches variables as any client of the manager does, never as the monitor.
constexpr DWORD kWatcherMode = 10;

// The manager's change notices for one variable, counted for a waiting test.
struct ChangeNotices {
    std::mutex lock;
    std::condition_variable changed;
    unsigned long count = 0;

    static void WINAPI Notice(void* context, LPCSTR) {
        auto* self = static_cast<ChangeNotices*>(context);
        std::lock_guard<std::mutex> g(self->lock);
        ++self->count;
        self->changed.notify_all();
    }
};

}  // namespace

bool Dorlik::WaitUntil(const std::u16string& printer, const char* name, const std::function<bool()>& ready,
                       int wallMs) const {
    HANDLE manager = nullptr;
    if (openManager(printer.c_str(), u"", kWatcherMode, &manager) != DORLIK_OK) return ready();
    ChangeNotices notices;
    DWORD cookie = 0;
    bool registered = setCallback(manager, 1, name, ChangeNotices::Notice, &notices, &cookie) == DORLIK_OK;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wallMs);
    bool result = false;
    for (;;) {
        unsigned long seen;
        {
            std::lock_guard<std::mutex> g(notices.lock);
            seen = notices.count;
        }
        if (ready()) {
            result = true;
            break;
        }
        std::unique_lock<std::mutex> g(notices.lock);
        // Without a registration (never expected) the bound alone ends the wait.
        if (!notices.changed.wait_until(g, until, [&] { return registered && notices.count != seen; })) {
            g.unlock();
            result = ready();
            break;
        }
    }
    if (registered) killCallback(manager, cookie);
    closeManager(manager);
    return result;
}

std::string Visible(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n\n";
        else if (c == 0x1b)
            out += "<ESC>";
        else if (c < 0x20 || c >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

bool SetStandardTcpIpHost(const std::u16string& port, const std::u16string& host) {
    std::u16string path = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\" + port;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExW(key, u"IPAddress", 0, REG_SZ, reinterpret_cast<const BYTE*>(host.c_str()),
                             static_cast<DWORD>((host.size() + 1) * sizeof(WCHAR))) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

}  // namespace e2e
