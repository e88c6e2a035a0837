// "TBL_TTSubstTable" printer-data value: the checker and the pair walker on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "render/page_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LONG pairs = ParseTTSubstTable({data, size});
    if (pairs <= 0) return 0;
    // As the device context keeps it: the value with one extra NUL character behind it.
    std::vector<WCHAR> block(size / 2 + 1, 0);
    std::memcpy(block.data(), data, size);
    LONG found = 0;
    LPCWSTR face = nullptr, font = nullptr;
    while (TTSubstPairAt(block.data(), static_cast<DWORD>(block.size()), found, &face, &font)) {
        if (*face == 0 || *font == 0) __builtin_trap();
        ++found;
    }
    if (found != pairs) __builtin_trap();
    return 0;
}
