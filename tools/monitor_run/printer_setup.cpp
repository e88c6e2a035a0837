// The printer in monitor_run's sandbox, as the spooler and the printer's installer leave it.
#include "tools/monitor_run/printer_setup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "outside/portmon/portmon_config.h"
#include "plat/control.h"
#include "plat/monitor_host.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

constexpr DWORD kAttributeLocal = 0x40;
constexpr DWORD kAttributeEnableBidi = 0x800;

// The folders of a host path, made as needed.
void MakeFoldersOf(const std::string& host) {
    std::string dir = host.substr(0, host.rfind('/'));
    for (size_t at = 1; at <= dir.size(); ++at) {
        if (at == dir.size() || dir[at] == '/') mkdir(dir.substr(0, at).c_str(), 0755);
    }
}

bool LinkModule(const std::string& bin, const char* file) {
    std::string host = PlatHostPath((u"C:\\Windows\\System32\\" + Wide(file)).c_str());
    MakeFoldersOf(host);
    return symlink((bin + "/" + file).c_str(), host.c_str()) == 0;
}

// The SNMP client library goes to the spooler's driver folder, where the monitor loads it.
bool LinkSnmpLibrary(const std::string& bin) {
    std::string host = PlatHostPath(u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Varnel.DLL");
    MakeFoldersOf(host);
    return symlink((bin + "/Varnel.dll").c_str(), host.c_str()) == 0;
}

bool SetString(HKEY key, LPCWSTR name, const std::u16string& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * 2)) == ERROR_SUCCESS;
}

bool CreateKey(const std::u16string& path, HKEY* out = nullptr) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    if (out)
        *out = key;
    else
        RegCloseKey(key);
    return true;
}

}  // namespace

std::u16string Wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

bool IsTcpIpPortName(const std::string& portName) {
    return portName.rfind("IP_", 0) == 0;
}

// The modules, the registry keys the monitor reads, the port and the printer, in the sandbox.
bool InstallPrinter(const std::string& bin, const std::string& portName, const std::string& address) {
    for (const char* m : {"Lostrel.dll", "Loopmon.dll", "Dorlik.dll"}) {
        if (!LinkModule(bin, m)) {
            std::fprintf(stderr, "cannot link %s/%s\n", bin.c_str(), m);
            return false;
        }
    }
    CreateKey(u"SOFTWARE\\QEV\\Brantel\\Printers\\QEV Halvoric4400K ORLA\\Status Variables");
    CreateKey(u"SOFTWARE\\QEV\\Brantel\\Printers\\Halvoric4400K ORLA\\Status Variables");
    const std::u16string port = Wide(portName);
    const bool tcp = IsTcpIpPortName(portName);
    if (tcp) {
        // The printer is asked over SNMP at the port's address.
        plat::RegisterStandardTcpIpPort(port.c_str());
        HKEY key = nullptr;
        if (CreateKey(u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\" + port,
                      &key)) {
            SetString(key, u"IPAddress", u"127.0.0.1");
            RegCloseKey(key);
        }
        if (!LinkSnmpLibrary(bin)) std::fprintf(stderr, "cannot link %s/Varnel.dll\n", bin.c_str());
    } else
        PlatAddPort(port.c_str(), u"Local Port", u"Local port", PORT_TYPE_WRITE | PORT_TYPE_READ);
    portmon::ConfigureLoopbackPort(u"Loopback Port", port.c_str(), address.c_str(), tcp);
    std::u16string dir = PlatDriverDirectory();
    std::u16string driverPath = dir + u"\\Quessa.dll", dataFile = dir + u"\\QV4400K.DAT",
                   config = dir + u"\\Talvex.dll";
    PLAT_PRINTER_SETUP setup{kPrinter,         kDriver,        port.c_str(), driverPath.c_str(),
                             dataFile.c_str(), config.c_str(), nullptr,      u"Brantel Language Monitor"};
    if (!PlatInstallPrinter(&setup))
        std::fprintf(stderr, "note: the spooler did not install the printer (%u)\n", GetLastError());
    HKEY key = nullptr;
    if (CreateKey(std::u16string(u"System\\CurrentControlSet\\control\\Print\\Printers\\") + kPrinter, &key)) {
        SetString(key, u"Printer Driver", kDriver);
        SetString(key, u"Port", port);
        // A local printer with bidirectional support switched on: the monitor serves its status
        // readers (without it the monitor keeps the printer's client suspended and publishes nothing).
        const DWORD attributes = kAttributeLocal | kAttributeEnableBidi;
        RegSetValueExW(key, u"Attributes", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&attributes), 4);
        RegCloseKey(key);
    }
    return true;
}
