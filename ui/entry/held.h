// Owners for the blocks and modules the interface DLL borrows from the platform: freed however
// the borrowing routine ends.
#pragma once

#include <memory>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "core/support.h"
#include "win/base.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace orla {

struct GlobalFreeDeleter {
    void operator()(void* block) const { GlobalFree(block); }
};
template <class T>
using GlobalHeld = std::unique_ptr<T, GlobalFreeDeleter>;

struct ResourceDllDeleter {
    void operator()(HINSTANCE__* module) const { FreeResourceDll(module); }
};
using ResourceDllHeld = std::unique_ptr<HINSTANCE__, ResourceDllDeleter>;

struct LibraryDeleter {
    void operator()(HINSTANCE__* module) const { FreeLibrary(module); }
};
using LibraryHeld = std::unique_ptr<HINSTANCE__, LibraryDeleter>;

struct DeviceDataRelease {
    void operator()(const CompiledDeviceData* data) const { ReleaseDeviceData(data); }
};
using DeviceDataHeld = std::unique_ptr<const CompiledDeviceData, DeviceDataRelease>;

struct PrinterClose {
    void operator()(void* printer) const { ClosePrinter(printer); }
};
using PrinterHeld = std::unique_ptr<void, PrinterClose>;

// A zeroed settings record from global memory, as the exports take one for a single call.
inline GlobalHeld<DriverDevmode> NewTemporaryRecord() {
    return GlobalHeld<DriverDevmode>(static_cast<DriverDevmode*>(GlobalAlloc(GPTR, sizeof(DriverDevmode))));
}

}  // namespace orla
