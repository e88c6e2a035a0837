// String and byte-buffer copies on the monitor's private heap.
#include <cstring>

#include "monitor/port_record.h"
#include "win/nls.h"

LPWSTR MonDupW(LPCWSTR text) {
    if (!text) return nullptr;
    size_t n = static_cast<size_t>(lstrlenW(text));
    auto* copy = static_cast<LPWSTR>(MonAlloc((n + 1) * sizeof(WCHAR)));
    if (copy) std::memcpy(copy, text, n * sizeof(WCHAR));
    return copy;
}

char* MonWideToAnsi(LPCWSTR text) {
    if (!text) return nullptr;
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return nullptr;
    auto* out = static_cast<char*>(MonAlloc(static_cast<size_t>(n) + 1));
    if (out && WideCharToMultiByte(CP_ACP, 0, text, -1, out, n, nullptr, nullptr) <= 0) out[0] = 0;
    return out;
}

BOOL MonAppendBytes(BYTE** buffer, DWORD* length, const BYTE* data, DWORD count) {
    if (!count) return TRUE;
    auto* grown = static_cast<BYTE*>(MonAlloc(*length + count));
    if (!grown) return FALSE;
    if (*length) std::memcpy(grown, *buffer, *length);
    std::memcpy(grown + *length, data, count);
    MonFree(*buffer);
    *buffer = grown;
    *length += count;
    return TRUE;
}

BOOL EqualsNoCaseW(LPCWSTR a, LPCWSTR b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        WCHAR x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<WCHAR>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<WCHAR>(y - 32);
        if (x != y) return FALSE;
        if (!x) return TRUE;
    }
    return TRUE;
}
