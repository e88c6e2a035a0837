// Device contexts that applications make on printers. GDI loads the printer's graphics DLL,
// enables a PDEV and its surface, and hands escapes to the DLL's DrvEscape; the DC's handle
// value is the engine device it draws through (what the driver receives by escape and maps
// back with PlatGdiDeviceOfDc). A graphics DLL is enabled once however many DCs use it, as GDI
// keeps one driver object per DLL.
#include "win/printer_dc.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plat/app_host.h"
#include "plat/gdi_control.h"
#include "plat_internal.h"
#include "win/ddi.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace plat {
namespace {

constexpr ULONG kEngineVersion = DDI_DRIVER_VERSION_NT5;
constexpr ULONG kPatternCount = 6;       // the hatch brushes GDI asks a PDEV for
constexpr DWORD kErrorBadDriver = 2001;  // ERROR_BAD_DRIVER

// One loaded graphics DLL and its hook table, shared by the DCs on it.
struct DriverDll {
    HMODULE module = nullptr;
    std::vector<DRVFN> hooks;
    int users = 0;
};

struct PrinterDc {
    std::u16string driverPath;
    HANDLE printer = nullptr;
    HDEV hdev = nullptr;
    DHPDEV dhpdev = nullptr;
    HSURF surface = nullptr;
    HSURF patterns[kPatternCount] = {};
    GDIINFO gdiinfo{};
    DEVINFO devinfo{};
};

struct PrinterDcs {
    std::recursive_mutex lock;                 // the driver's own calls may come back into GDI
    std::map<std::u16string, DriverDll> dlls;  // by folded path
    std::map<HDEV, std::unique_ptr<PrinterDc>> dcs;
    PLAT_RESET_DC_HANDLER resetHandler = nullptr;
    void* resetContext = nullptr;
};

PrinterDcs& printerDcs() {
    static PrinterDcs* p = new PrinterDcs;
    return *p;
}

template <typename T>
T HookOf(const std::vector<DRVFN>& hooks, ULONG index) {
    for (const DRVFN& fn : hooks)
        if (fn.iFunc == index) return reinterpret_cast<T>(fn.pfn);
    return nullptr;
}

// The block of a two-call spooler query, empty when it fails.
template <typename Query>
std::vector<BYTE> TwoCall(Query query) {
    DWORD needed = 0;
    query(nullptr, 0, &needed);
    if (needed == 0) return {};
    std::vector<BYTE> block(needed);
    if (!query(block.data(), needed, &needed)) return {};
    return block;
}

// The DLL loaded and enabled (once per DLL); null with the last error set.
DriverDll* EnableDriverDll(PrinterDcs& p, const std::u16string& path) {
    DriverDll& dll = p.dlls[Fold(path)];
    if (dll.users > 0) {
        ++dll.users;
        return &dll;
    }
    dll.module = LoadLibraryW(path.c_str());
    auto enable = dll.module ? reinterpret_cast<PFN_DrvEnableDriver>(
                                   reinterpret_cast<void*>(GetProcAddress(dll.module, "DrvEnableDriver")))
                             : nullptr;
    DRVENABLEDATA ded{};
    if (!enable || !enable(kEngineVersion, sizeof ded, &ded) || !ded.pdrvfn || ded.c == 0) {
        DWORD error = GetLastError();
        if (dll.module) FreeLibrary(dll.module);
        p.dlls.erase(Fold(path));
        SetLastError(error ? error : kErrorBadDriver);
        return nullptr;
    }
    dll.hooks.assign(ded.pdrvfn, ded.pdrvfn + ded.c);  // GDI keeps its own copy of the table
    dll.users = 1;
    return &dll;
}

void ReleaseDriverDll(PrinterDcs& p, const std::u16string& path) {
    auto it = p.dlls.find(Fold(path));
    if (it == p.dlls.end() || --it->second.users > 0) return;
    auto disable = reinterpret_cast<PFN_DrvDisableDriver>(
        reinterpret_cast<void*>(GetProcAddress(it->second.module, "DrvDisableDriver")));
    if (disable) disable();
    FreeLibrary(it->second.module);
    p.dlls.erase(it);
}

// Undoes what was enabled of the DC, newest first.
void TearDown(PrinterDcs& p, PrinterDc& dc) {
    auto dll = p.dlls.find(Fold(dc.driverPath));
    if (dll != p.dlls.end()) {
        const auto& hooks = dll->second.hooks;
        if (dc.surface) HookOf<PFN_DrvDisableSurface>(hooks, INDEX_DrvDisableSurface)(dc.dhpdev);
        if (dc.dhpdev) HookOf<PFN_DrvDisablePDEV>(hooks, INDEX_DrvDisablePDEV)(dc.dhpdev);
    }
    if (dc.hdev) PlatGdiDeleteDevice(dc.hdev);
    if (dll != p.dlls.end()) ReleaseDriverDll(p, dc.driverPath);
    if (dc.printer) ClosePrinter(dc.printer);
}

// The settings the PDEV starts from: the caller's, else the printer's default (none: null).
std::vector<BYTE> StartSettings(HANDLE printer, const DEVMODEW* pdm) {
    if (pdm) {
        const auto* bytes = reinterpret_cast<const BYTE*>(pdm);
        return std::vector<BYTE>(bytes, bytes + pdm->dmSize + pdm->dmDriverExtra);
    }
    std::vector<BYTE> info =
        TwoCall([&](BYTE* b, DWORD n, DWORD* needed) { return GetPrinterW(printer, 2, b, n, needed); });
    if (info.empty()) return {};
    const auto* pi = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
    if (!pi->pDevMode) return {};
    const auto* bytes = reinterpret_cast<const BYTE*>(pi->pDevMode);
    return std::vector<BYTE>(bytes, bytes + pi->pDevMode->dmSize + pi->pDevMode->dmDriverExtra);
}

// Enables the PDEV and its surface on a device bound to the DLL's hooks, as GDI does for a new DC.
bool EnablePdev(PrinterDc& dc, const DriverDll& dll, std::u16string deviceName, std::vector<BYTE>& settings) {
    const auto& hooks = dll.hooks;
    auto enablePdev = HookOf<PFN_DrvEnablePDEV>(hooks, INDEX_DrvEnablePDEV);
    auto complete = HookOf<PFN_DrvCompletePDEV>(hooks, INDEX_DrvCompletePDEV);
    auto enableSurface = HookOf<PFN_DrvEnableSurface>(hooks, INDEX_DrvEnableSurface);
    if (!enablePdev || !complete || !enableSurface || !HookOf<PFN_DrvDisablePDEV>(hooks, INDEX_DrvDisablePDEV) ||
        !HookOf<PFN_DrvDisableSurface>(hooks, INDEX_DrvDisableSurface)) {
        SetLastError(kErrorBadDriver);
        return false;
    }
    std::u16string logAddress;
    dc.dhpdev = enablePdev(settings.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(settings.data()), logAddress.data(),
                           kPatternCount, dc.patterns, sizeof dc.gdiinfo, reinterpret_cast<ULONG*>(&dc.gdiinfo),
                           sizeof dc.devinfo, &dc.devinfo, dc.hdev, deviceName.data(), dc.printer);
    if (!dc.dhpdev) return false;
    if (!PlatGdiBindDevice(dc.hdev, dc.dhpdev, hooks.data(), static_cast<ULONG>(hooks.size())) ||
        !PlatGdiSetDeviceCaps(dc.hdev, &dc.gdiinfo))
        return false;
    complete(dc.dhpdev, dc.hdev);
    dc.surface = enableSurface(dc.dhpdev);
    return dc.surface != nullptr;
}

}  // namespace

bool DeletePrinterDc(HDC hdc) {
    PrinterDcs& p = printerDcs();
    std::lock_guard<std::recursive_mutex> g(p.lock);
    auto it = p.dcs.find(reinterpret_cast<HDEV>(hdc));
    if (it == p.dcs.end()) return false;
    std::unique_ptr<PrinterDc> dc = std::move(it->second);
    p.dcs.erase(it);
    TearDown(p, *dc);
    return true;
}

}  // namespace plat

using namespace plat;

extern "C" {

HDC CreateDCW(LPCWSTR pwszDriver, LPCWSTR pwszDevice, LPCWSTR /*pszPort*/, const DEVMODEW* pdm) {
    if (pwszDevice == nullptr || (pwszDriver && EqualNoCase(View(pwszDriver), u"DISPLAY"))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    PrinterDcs& p = printerDcs();
    std::lock_guard<std::recursive_mutex> g(p.lock);
    auto dc = std::make_unique<PrinterDc>();
    std::u16string name(pwszDevice);
    if (!OpenPrinterW(name.data(), &dc->printer, nullptr)) return nullptr;
    std::vector<BYTE> driver = TwoCall(
        [&](BYTE* b, DWORD n, DWORD* needed) { return GetPrinterDriverW(dc->printer, nullptr, 2, b, n, needed); });
    const auto* di = driver.empty() ? nullptr : reinterpret_cast<const DRIVER_INFO_2W*>(driver.data());
    if (!di || !di->pDriverPath) {
        ClosePrinter(dc->printer);
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return nullptr;
    }
    dc->driverPath = di->pDriverPath;
    DriverDll* dll = EnableDriverDll(p, dc->driverPath);
    if (!dll) {
        DWORD error = GetLastError();
        ClosePrinter(dc->printer);
        SetLastError(error);
        return nullptr;
    }
    std::u16string dataFile = di->pDataFile ? di->pDataFile : u"";
    PLAT_GDI_DEVICE_SETUP setup{dc->printer, name.c_str(), dc->driverPath.c_str(), dataFile.c_str()};
    dc->hdev = PlatGdiCreateDevice(&setup);
    std::vector<BYTE> settings = StartSettings(dc->printer, pdm);
    if (!dc->hdev || !EnablePdev(*dc, *dll, name, settings)) {
        DWORD error = GetLastError();
        TearDown(p, *dc);
        SetLastError(error ? error : kErrorBadDriver);
        return nullptr;
    }
    HDC handle = reinterpret_cast<HDC>(dc->hdev);
    p.dcs[dc->hdev] = std::move(dc);
    return handle;
}

int ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData) {
    const auto value = reinterpret_cast<ULONG_PTR>(hdc);
    HDEV hdev = value <= 0xFFFFFFFFu ? PlatGdiDeviceOfDc(static_cast<DWORD>(value)) : nullptr;
    if (!hdev) {
        SetLastError(ERROR_INVALID_HANDLE);
        return SP_ERROR;
    }
    if (cjInput < 0 || cjOutput < 0 || (cjInput > 0 && !lpInData)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SP_ERROR;
    }
    auto escape = reinterpret_cast<PFN_DrvEscape>(PlatGdiDeviceHook(hdev, INDEX_DrvEscape));
    if (!escape) return 0;  // the driver takes no escapes
    SURFOBJ* so = EngLockSurface(PlatGdiDeviceSurface(hdev));
    if (!so) {
        SetLastError(ERROR_INVALID_HANDLE);
        return SP_ERROR;
    }
    // The driver sees the buffers as the application gave them; GDI only checks the sizes.
    ULONG answer = escape(so, static_cast<ULONG>(iEscape), static_cast<ULONG>(cjInput), const_cast<char*>(lpInData),
                          static_cast<ULONG>(cjOutput), lpOutData);
    EngUnlockSurface(so);
    return static_cast<int>(answer);
}

HDC ResetDCW(HDC hdc, const DEVMODEW* lpdm) {
    const auto value = reinterpret_cast<ULONG_PTR>(hdc);
    if (value > 0xFFFFFFFFu || !PlatGdiDeviceOfDc(static_cast<DWORD>(value))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    PLAT_RESET_DC_HANDLER handler;
    void* context;
    {
        PrinterDcs& p = printerDcs();
        std::lock_guard<std::recursive_mutex> g(p.lock);
        handler = p.resetHandler;
        context = p.resetContext;
    }
    if (!handler) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    return handler(hdc, lpdm, context);
}

void PlatSetResetDcHandler(PLAT_RESET_DC_HANDLER handler, void* context) {
    PrinterDcs& p = printerDcs();
    std::lock_guard<std::recursive_mutex> g(p.lock);
    p.resetHandler = handler;
    p.resetContext = context;
}

}  // extern "C"
