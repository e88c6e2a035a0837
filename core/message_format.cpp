// A small message formatter for texts built from resource strings, numbers and names.
#include "core/support.h"
#include "win/kernel.h"

namespace orla {

namespace {

struct Output {
    LPWSTR buffer;
    int limit;  // characters that may be written (capacity less the terminator)
    int written = 0;
    long needed = 1;  // the terminator

    bool Full() const { return buffer == nullptr || written >= limit; }

    void Insert(const WCHAR* text, int length) {
        needed += length;
        if (buffer == nullptr) return;
        for (int i = 0; i < length && written < limit; ++i) buffer[written++] = text[i];
    }
};

int BoundedLength(const WCHAR* text, int max) {
    int n = 0;
    while (n < max && text[n] != 0) ++n;
    return n;
}

// The 32-bit number as wsprintfW's "%lX", "%lx", "%lu" or "%ld" writes it.
int FormatNumber(WCHAR kind, DWORD value, WCHAR* out) {
    WCHAR digits[16];
    int n = 0;
    bool negative = kind == u'd' && static_cast<LONG>(value) < 0;
    unsigned long long v = negative ? 0ull - static_cast<long long>(static_cast<LONG>(value)) : value;
    unsigned base = (kind == u'X' || kind == u'x') ? 16 : 10;
    const char* set = kind == u'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[n++] = static_cast<WCHAR>(set[v % base]);
        v /= base;
    } while (v != 0);
    int len = 0;
    if (negative) out[len++] = u'-';
    while (n > 0) out[len++] = digits[--n];
    out[len] = 0;
    return len;
}

}  // namespace

int FormatMessageText(HMODULE hModule, LPWSTR buffer, int capacity, int* needed, LPCWSTR format,
                      std::span<const ULONG_PTR> args) {
    if (buffer && capacity <= 0) buffer = nullptr;  // no room even for the terminator
    Output out{buffer, buffer ? capacity - 1 : 0};
    size_t next = 0;
    auto takeArg = [&](ULONG_PTR* value) {
        if (next >= args.size()) return false;
        *value = args[next++];
        return true;
    };
    const WCHAR* p = format ? format : u"";
    while (*p != 0) {
        // Stop once the buffer is full, unless the caller wants the whole needed count.
        if (out.Full() && !needed) break;
        if (*p != u'%') {
            out.Insert(p, 1);
            ++p;
            continue;
        }
        WCHAR kind = p[1];
        if (kind == 0) {  // a lone '%' at the end stands for itself
            out.Insert(p, 1);
            ++p;
            continue;
        }
        p += 2;
        ULONG_PTR arg = 0;
        switch (kind) {
            case u'!': {
                if (!takeArg(&arg)) break;
                WCHAR text[256] = {};
                int n = LoadStringW(hModule, static_cast<UINT>(arg), text, 256);
                out.Insert(text, n < 0 ? 0 : BoundedLength(text, n));
                break;
            }
            case u'X':
            case u'x':
            case u'u':
            case u'd': {
                if (!takeArg(&arg)) break;
                WCHAR text[16] = {};
                int n = FormatNumber(kind, static_cast<DWORD>(arg), text);
                out.Insert(text, n);
                break;
            }
            case u's': {
                if (!takeArg(&arg)) break;
                const WCHAR* text = reinterpret_cast<const WCHAR*>(arg);
                // A null name prints as one blank and is counted as one, so that a buffer of the
                // needed size holds the whole text.
                if (!text) text = u" ";
                out.Insert(text, lstrlenW(text));
                break;
            }
            case u'c': {
                if (!takeArg(&arg)) break;
                WCHAR c = static_cast<WCHAR>(arg & 0xFFFF);
                out.Insert(&c, 1);
                break;
            }
            default:
                out.Insert(&kind, 1);
                break;
        }
    }
    if (buffer) buffer[out.written] = 0;
    if (needed) *needed = out.needed > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(out.needed);
    return out.written;
}

}  // namespace orla
