// The interface DLL's process attach and detach: the module keeps its own handle (its resources
// hold the default printer-data tables) and sets up the shared device data.
#include "core/device_data.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/page_creation.h"
#include "win/kernel.h"

namespace orla {

BOOL DllInitialize(HINSTANCE hModule, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        SetInterfaceModule(hModule);
        // A reference of our own that is never given back: the spooler unloads and reloads the
        // interface DLL between calls, while the device data and property sheets outlive them.
        WCHAR path[MAX_PATH] = {};
        if (GetModuleFileNameW(hModule, path, MAX_PATH) != 0) LoadLibraryW(path);
        DeviceDataCacheInit();
    } else if (reason == DLL_PROCESS_DETACH) {
        DeviceDataCacheTerm();
        ReleaseVisualStyleContext();
    }
    return TRUE;
}

}  // namespace orla

// The loader's name for the entry point.
DLLEXPORT BOOL APIENTRY DllEntryPoint(HINSTANCE hModule, DWORD reason, LPVOID reserved) {
    return orla::DllInitialize(hModule, reason, reserved);
}
