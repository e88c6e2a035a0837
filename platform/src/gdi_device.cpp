// Engine devices (HDEV): what GDI knows of one PDEV of a graphics DLL, and the engine services
// that answer from it.
#include "gdi_objects.h"
#include "plat/gdi_control.h"
#include "plat_internal.h"
#include "win/kernel.h"
#include "win/spool.h"

using namespace plat::gdi;

extern "C" {

HDEV PlatGdiCreateDevice(const PLAT_GDI_DEVICE_SETUP* setup) {
    if (!setup) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto device = std::make_shared<Device>();
    device->printer = setup->hPrinter;
    device->printerName = plat::View(setup->printerName);
    device->driverPath = plat::View(setup->driverPath);
    device->dataFile = plat::View(setup->dataFile);
    return reinterpret_cast<HDEV>(Insert(ObjectKind::Device, device));
}

BOOL PlatGdiBindDevice(HDEV hdev, DHPDEV dhpdev, const DRVFN* hooks, ULONG count) {
    auto guard = Lock();
    auto device = FindDevice(hdev);
    if (!device || (count && !hooks)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    device->dhpdev = dhpdev;
    device->hooks.assign(hooks, hooks + count);
    return TRUE;
}

BOOL PlatGdiSetDeviceCaps(HDEV hdev, const GDIINFO* gdiinfo) {
    auto guard = Lock();
    auto device = FindDevice(hdev);
    if (!device || !gdiinfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    device->halftoneFormat = gdiinfo->ulHTOutputFormat;
    return TRUE;
}

BOOL PlatGdiDeleteDevice(HDEV hdev) {
    if (!Remove(reinterpret_cast<ULONG_PTR>(hdev), ObjectKind::Device)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

PFN PlatGdiDeviceHook(HDEV hdev, ULONG index) {
    auto guard = Lock();
    auto device = FindDevice(hdev);
    if (!device) return nullptr;
    for (const DRVFN& fn : device->hooks)
        if (fn.iFunc == index) return fn.pfn;
    return nullptr;
}

// The strings live as long as the device, as the engine's own do.
LPWSTR EngGetPrinterDataFileName(HDEV hdev) {
    auto guard = Lock();
    auto device = FindDevice(hdev);
    if (!device || device->dataFile.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return device->dataFile.data();
}

LPWSTR EngGetDriverName(HDEV hdev) {
    auto guard = Lock();
    auto device = FindDevice(hdev);
    if (!device || device->driverPath.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return device->driverPath.data();
}

BOOL EngWritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) {
    // The engine passes the driver's data to the spooler unchanged: the same failures and short
    // writes reach the driver.
    return WritePrinter(hPrinter, pBuf, cbBuf, pcWritten);
}

void EngSetLastError(ULONG iError) {
    SetLastError(iError);
}
ULONG EngGetLastError(void) {
    return GetLastError();
}

PVOID EngAllocMem(ULONG Flags, ULONG MemSize, ULONG Tag) {
    plat::Injection inj = plat::TakeInjection("EngAllocMem");
    if (inj.due) {
        SetLastError(inj.error ? inj.error : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // Fixed global blocks: the pointer is the handle, and GlobalSize still knows the block.
    return GlobalAlloc((Flags & FL_ZERO_MEMORY) ? GPTR : GMEM_FIXED, MemSize);
}

void EngFreeMem(PVOID Mem) {
    if (Mem) GlobalFree(Mem);
}

PVOID EngAllocUserMem(SIZE_T cj, ULONG tag) {
    plat::Injection inj = plat::TakeInjection("EngAllocMem");
    if (inj.due) {
        SetLastError(inj.error ? inj.error : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return GlobalAlloc(GPTR, cj);
}

void EngFreeUserMem(PVOID pv) {
    if (pv) GlobalFree(pv);
}

// ---- Device contexts on a device ----
HDEV PlatGdiDeviceOfDc(DWORD dcValue) {
    auto guard = Lock();
    HDEV hdev = reinterpret_cast<HDEV>(static_cast<ULONG_PTR>(dcValue));
    return dcValue != 0 && FindDevice(hdev) ? hdev : nullptr;
}

DWORD PlatGdiDcOfDevice(HDEV hdev) {
    auto guard = Lock();
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(hdev);
    return FindDevice(hdev) && value <= 0xFFFFFFFFu ? static_cast<DWORD>(value) : 0;
}

HSURF PlatGdiDeviceSurface(HDEV hdev) {
    auto guard = Lock();
    auto device = FindDevice(hdev);
    return device ? device->surface : nullptr;
}

}  // extern "C"
