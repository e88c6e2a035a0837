// The status manager as a program other than the driver takes it (tools, test peers): loaded
// from the system directory, entry points found by name.
#pragma once

#include "win/kernel.h"

namespace dorlik {

template <typename T>
T Entry(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct Library {
    HMODULE module = LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL");
    Library() = default;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library() {
        if (module) FreeLibrary(module);
    }
};

}  // namespace dorlik
