// Fuzz target: text from outside through the private profile reader and the code pages.
// Any bytes must read without a crash, and a size query must agree with the conversion.
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_sandbox.h"
#include "plat/control.h"
#include "win/kernel.h"
#include "win/nls.h"

namespace {

const std::string& Root() {
    return FuzzSandboxRoot("ini");
}

void CheckConversions(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1 << 16) return;
    const char* bytes = reinterpret_cast<const char*>(data);
    for (UINT cp : {932u, 65001u}) {
        int need = MultiByteToWideChar(cp, 0, bytes, static_cast<int>(size), nullptr, 0);
        if (need <= 0) continue;
        std::vector<WCHAR> wide(static_cast<size_t>(need));
        if (MultiByteToWideChar(cp, 0, bytes, static_cast<int>(size), wide.data(), need) != need) abort();
        int back = WideCharToMultiByte(cp, 0, wide.data(), need, nullptr, 0, nullptr, nullptr);
        std::vector<char> out(static_cast<size_t>(back > 0 ? back : 1));
        if (back > 0 && WideCharToMultiByte(cp, 0, wide.data(), need, out.data(), back, nullptr, nullptr) != back)
            abort();
    }
    // The same bytes taken as UTF-16 text (lone surrogates included).
    std::vector<WCHAR> w(size / 2);
    if (!w.empty()) {
        std::memcpy(w.data(), data, w.size() * 2);
        BOOL used = FALSE;
        int need = WideCharToMultiByte(932, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, &used);
        std::vector<char> out(static_cast<size_t>(need > 0 ? need : 1));
        if (need > 0 &&
            WideCharToMultiByte(932, 0, w.data(), static_cast<int>(w.size()), out.data(), need, nullptr, &used) != need)
            abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckConversions(data, size);
    {
        std::ofstream out(Root() + "/C/Windows/fuzz.ini", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::vector<WCHAR> sections(4096);
    DWORD n = GetPrivateProfileStringW(nullptr, nullptr, u"", sections.data(), 4096, u"fuzz.ini");
    for (DWORD i = 0; i < n && sections[i];) {
        const WCHAR* section = &sections[i];
        std::vector<WCHAR> keys(4096);
        DWORD k = GetPrivateProfileStringW(section, nullptr, u"", keys.data(), 4096, u"fuzz.ini");
        for (DWORD j = 0; j < k && keys[j];) {
            WCHAR value[64];
            GetPrivateProfileStringW(section, &keys[j], u"d", value, 64, u"fuzz.ini");
            GetPrivateProfileIntW(section, &keys[j], 5, u"fuzz.ini");
            j += static_cast<DWORD>(std::char_traits<char16_t>::length(&keys[j])) + 1;
        }
        i += static_cast<DWORD>(std::char_traits<char16_t>::length(section)) + 1;
    }
    return 0;
}
