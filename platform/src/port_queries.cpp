// The spooler's route for a printer's port queries (GetPrinterDataFromPort with a value name):
// the ports open through a language monitor in this process, found by their printer.
#include <mutex>
#include <vector>

#include "plat/monitor_host.h"
#include "plat_internal.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace plat {
namespace {

struct OpenLanguagePort {
    LPMONITOR2 table;
    HANDLE handle;
    std::u16string portName;
    std::u16string printerName;
};

struct PortTable {
    std::mutex lock;
    std::vector<OpenLanguagePort> ports;
};
PortTable& portTable() {
    static PortTable* t = new PortTable;
    return *t;
}

// The installed printer's port name (PRINTER_INFO_2), empty when it cannot be read.
std::u16string PrinterPort(LPCWSTR printerName) {
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(printerName), &printer, nullptr)) return {};
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    std::u16string port;
    if (needed && GetPrinterW(printer, 2, buffer.data(), needed, &needed)) {
        auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
        if (info->pPortName) port = info->pPortName;
    }
    ClosePrinter(printer);
    return port;
}

}  // namespace

void NotePortOpened(const HostPort& port) {
    PortTable& t = portTable();
    std::lock_guard<std::mutex> g(t.lock);
    t.ports.push_back({port.language->table, port.handle, port.portName, port.printerName});
}

void NotePortClosed(HANDLE handle) {
    PortTable& t = portTable();
    std::lock_guard<std::mutex> g(t.lock);
    std::erase_if(t.ports, [&](const OpenLanguagePort& p) { return p.handle == handle; });
}

}  // namespace plat

using namespace plat;

extern "C" BOOL PlatQueryPrinterPort(LPCWSTR printerName, LPCWSTR valueName, LPBYTE out, DWORD outSize,
                                     DWORD* returned) {
    if (returned) *returned = 0;
    if (!printerName || !valueName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string portName = PrinterPort(printerName);
    OpenLanguagePort found{};
    {
        PortTable& t = portTable();
        std::lock_guard<std::mutex> g(t.lock);
        for (const OpenLanguagePort& p : t.ports) {
            if (p.printerName == printerName || (!portName.empty() && EqualNoCase(p.portName, portName))) {
                found = p;
                break;
            }
        }
    }
    if (!found.table || !found.table->pfnGetPrinterDataFromPort) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    std::u16string name = valueName;
    DWORD got = 0;
    BOOL ok = found.table->pfnGetPrinterDataFromPort(found.handle, 0, name.data(), nullptr, 0,
                                                     reinterpret_cast<LPWSTR>(out), outSize, &got);
    if (returned) *returned = got;
    return ok;
}
