// Fuzz target: a registry hive file as the layer reads it back after a restart. Whatever the
// file holds, loading, walking, changing and reloading it must not crash or hang.
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/fuzz_sandbox.h"
#include "plat/control.h"
#include "win/registry.h"

namespace {

void Walk(HKEY key, int depth) {
    if (depth > 64) return;
    for (DWORD i = 0; i < 1000; ++i) {
        WCHAR name[256];
        DWORD len = 256, type = 0;
        BYTE data[64];
        DWORD size = sizeof data;
        LONG rc = RegEnumValueW(key, i, name, &len, nullptr, &type, data, &size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
    }
    for (DWORD i = 0; i < 1000; ++i) {
        WCHAR name[256];
        DWORD len = 256;
        if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sub;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            Walk(sub, depth + 1);
            RegCloseKey(sub);
        }
    }
}

const std::string& Root() {
    return FuzzSandboxRoot("hive");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string file = Root() + "/registry/HKCU.hive";
    std::filesystem::create_directories(Root() + "/registry");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    PlatResetForTests();
    Walk(HKEY_CURRENT_USER, 0);
    // A change rewrites the hive; what was kept must load again.
    HKEY k;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Fuzz", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) ==
        ERROR_SUCCESS) {
        DWORD v = 1;
        RegSetValueExW(k, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
        RegCloseKey(k);
    }
    PlatResetForTests();
    Walk(HKEY_CURRENT_USER, 0);
    return 0;
}
