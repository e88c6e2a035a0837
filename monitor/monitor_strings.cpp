// String and byte-buffer copies on the monitor's private heap.
#include <cstring>

#include "core/ansi_text.h"
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
    const std::string ansi = orla::AnsiText(orla::WideView(text));
    auto* out = static_cast<char*>(MonAlloc(ansi.size() + 1));
    if (out) std::memcpy(out, ansi.c_str(), ansi.size() + 1);
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
