// The string helpers of kernel32 and user32 (lstr*, wsprintf) and the C runtime's wide
// routines for our 16-bit WCHAR.
#include <cstdarg>
#include <cstring>
#include <string>

#include "plat_internal.h"
#include "win/kernel.h"

namespace {

// wsprintf writes at most this many characters, terminator included, as on Windows.
constexpr size_t kWsprintfLimit = 1024;

template <class Out>
void AppendNumber(Out& out, unsigned long long value, bool negative, unsigned base, bool upper, int width,
                  int precision, bool zeroPad, bool left, bool alt) {
    char digits[32];
    int n = 0;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[n++] = set[value % base];
        value /= base;
    } while (value);
    while (n < precision && n < 30) digits[n++] = '0';
    std::string prefix = negative ? "-" : "";
    if (alt && base == 16) prefix += upper ? "0X" : "0x";
    int len = n + static_cast<int>(prefix.size());
    int pad = width > len ? width - len : 0;
    if (!left && !zeroPad)
        for (int i = 0; i < pad; ++i) out += ' ';
    for (char c : prefix) out += static_cast<typename Out::value_type>(c);
    if (!left && zeroPad)
        for (int i = 0; i < pad; ++i) out += '0';
    while (n) out += static_cast<typename Out::value_type>(digits[--n]);
    if (left)
        for (int i = 0; i < pad; ++i) out += ' ';
}

template <class Out>
void AppendText(Out& out, const Out& text, int width, int precision, bool left) {
    size_t len = text.size();
    if (precision >= 0 && static_cast<size_t>(precision) < len) len = static_cast<size_t>(precision);
    int pad = width > static_cast<int>(len) ? width - static_cast<int>(len) : 0;
    if (!left)
        for (int i = 0; i < pad; ++i) out += ' ';
    out.append(text, 0, len);
    if (left)
        for (int i = 0; i < pad; ++i) out += ' ';
}

// One formatter for both widths: Ch is the output character type; 's' takes Ch strings,
// 'S' the other width.
template <class Ch>
std::basic_string<Ch> Format(const Ch* fmt, va_list args) {
    using Str = std::basic_string<Ch>;
    Str out;
    const bool wide = sizeof(Ch) == 2;
    for (const Ch* p = fmt; *p && out.size() < kWsprintfLimit; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        ++p;
        if (*p == '%') {
            out += '%';
            continue;
        }
        bool left = false, zero = false, alt = false;
        for (;; ++p) {
            if (*p == '-')
                left = true;
            else if (*p == '0')
                zero = true;
            else if (*p == '#')
                alt = true;
            else
                break;
        }
        int width = 0;
        while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            while (*p >= '0' && *p <= '9') precision = precision * 10 + (*p++ - '0');
        }
        if (width > 1000) width = 1000;
        if (precision > 1000) precision = 1000;
        // Size prefixes: l (long; on strings: wide), h (short; on strings: narrow), w (wide), I64.
        bool isLong = false, isShort = false, is64 = false, forceWide = false, forceNarrow = false;
        for (;; ++p) {
            if (*p == 'l')
                isLong = true, forceWide = true;
            else if (*p == 'h')
                isShort = true, forceNarrow = true;
            else if (*p == 'w')
                forceWide = true;
            else if (*p == 'I' && p[1] == '6' && p[2] == '4')
                is64 = true, p += 2;
            else
                break;
        }
        (void)isLong;
        Ch conv = *p;
        if (!conv) break;
        switch (conv) {
            case 'd':
            case 'i': {
                long long v = is64 ? va_arg(args, long long) : va_arg(args, int);
                if (isShort) v = static_cast<short>(v);
                unsigned long long mag =
                    v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
                AppendNumber(out, mag, v < 0, 10, false, width, precision, zero && !left, left, false);
                break;
            }
            case 'u':
            case 'x':
            case 'X': {
                unsigned long long v = is64 ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
                if (isShort) v = static_cast<unsigned short>(v);
                AppendNumber(out, v, false, conv == 'u' ? 10 : 16, conv == 'X', width, precision, zero && !left, left,
                             alt);
                break;
            }
            case 'c':
            case 'C': {
                bool otherWidth = (conv == 'C') ? !forceNarrow && !(wide && forceWide) : false;
                if (forceWide) otherWidth = !wide;
                if (forceNarrow) otherWidth = wide;
                int v = va_arg(args, int);
                Str one;
                if (otherWidth && wide) {
                    char ch = static_cast<char>(v);
                    std::u16string w = plat::AnsiToWide(std::string_view(&ch, 1));
                    for (char16_t c : w) one += static_cast<Ch>(c);
                } else if (otherWidth) {
                    char16_t ch = static_cast<char16_t>(v);
                    std::string a = plat::WideToAnsi(std::u16string_view(&ch, 1));
                    for (char c : a) one += static_cast<Ch>(c);
                } else {
                    one += static_cast<Ch>(v);
                }
                AppendText(out, one, width, -1, left);
                break;
            }
            case 's':
            case 'S': {
                bool otherWidth = conv == 'S';
                if (forceWide) otherWidth = !wide;
                if (forceNarrow) otherWidth = wide;
                const void* arg = va_arg(args, const void*);
                Str text;
                bool argWide = otherWidth ? !wide : wide;
                if (!arg) {
                    for (const char* n = "(null)"; *n; ++n) text += static_cast<Ch>(*n);
                } else if (argWide == wide) {
                    text = static_cast<const Ch*>(arg);
                } else if (wide) {
                    std::u16string w = plat::AnsiToWide(static_cast<const char*>(arg));
                    for (char16_t c : w) text += static_cast<Ch>(c);
                } else {
                    std::string a = plat::WideToAnsi(static_cast<const WCHAR*>(arg));
                    for (char c : a) text += static_cast<Ch>(c);
                }
                AppendText(out, text, width, precision, left);
                break;
            }
            default:
                // Unknown conversions are copied as written.
                out += conv;
                break;
        }
    }
    if (out.size() > kWsprintfLimit - 1) out.resize(kWsprintfLimit - 1);
    return out;
}

}  // namespace

extern "C" {

int lstrlenW(LPCWSTR s) {
    return s ? static_cast<int>(std::char_traits<char16_t>::length(s)) : 0;
}
int lstrlenA(LPCSTR s) {
    return s ? static_cast<int>(std::strlen(s)) : 0;
}

LPWSTR lstrcpyW(LPWSTR d, LPCWSTR s) {
    if (!d || !s) return nullptr;
    size_t n = std::char_traits<char16_t>::length(s);
    std::memmove(d, s, (n + 1) * sizeof(WCHAR));
    return d;
}

// At most max - 1 characters and always a terminator (none at all for max <= 0).
extern "C++" {
namespace {
template <typename Char>
Char* CopyBounded(Char* d, const Char* s, int max) {
    if (!d || !s) return nullptr;
    if (max <= 0) return d;
    int i = 0;
    for (; i < max - 1 && s[i]; ++i) d[i] = s[i];
    d[i] = 0;
    return d;
}
}  // namespace
}

LPWSTR lstrcpynW(LPWSTR d, LPCWSTR s, int iMaxLength) {
    return CopyBounded(d, s, iMaxLength);
}

LPSTR lstrcpynA(LPSTR d, LPCSTR s, int iMaxLength) {
    return CopyBounded(d, s, iMaxLength);
}

LPWSTR lstrcatW(LPWSTR d, LPCWSTR s) {
    if (!d || !s) return nullptr;
    lstrcpyW(d + lstrlenW(d), s);
    return d;
}

int lstrcmpW(LPCWSTR a, LPCWSTR b) {
    std::u16string_view x = plat::View(a), y = plat::View(b);
    int r = x.compare(y);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int lstrcmpiW(LPCWSTR a, LPCWSTR b) {
    return plat::CompareNoCase(plat::View(a), plat::View(b));
}

int lstrcmpA(LPCSTR a, LPCSTR b) {
    int r = std::strcmp(a ? a : "", b ? b : "");
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int lstrcmpiA(LPCSTR a, LPCSTR b) {
    return plat::CompareNoCase(plat::AnsiToWide(a ? a : ""), plat::AnsiToWide(b ? b : ""));
}

int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...) {
    if (!lpOut || !lpFmt) return 0;
    va_list args;
    va_start(args, lpFmt);
    std::u16string s = Format<char16_t>(lpFmt, args);
    va_end(args);
    s.copy(lpOut, s.size());
    lpOut[s.size()] = 0;
    return static_cast<int>(s.size());
}

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
    if (!lpOut || !lpFmt) return 0;
    va_list args;
    va_start(args, lpFmt);
    std::string s = Format<char>(lpFmt, args);
    va_end(args);
    s.copy(lpOut, s.size());
    lpOut[s.size()] = 0;
    return static_cast<int>(s.size());
}

}  // extern "C"

long wcstol(const WCHAR* str, WCHAR** end, int base) {
    constexpr unsigned long long kLongMax = 0x7FFFFFFFull;
    const WCHAR* p = str;
    while (*p == u' ' || (*p >= u'\t' && *p <= u'\r')) ++p;
    bool negative = false;
    if (*p == u'-' || *p == u'+') negative = *p++ == u'-';
    if ((base == 0 || base == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X')) {
        auto isHex = [](WCHAR c) {
            return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        };
        if (isHex(p[2])) {
            p += 2;
            base = 16;
        }
    }
    if (base == 0) base = (*p == u'0') ? 8 : 10;
    if (base < 2 || base > 36) {
        if (end) *end = const_cast<WCHAR*>(str);
        return 0;
    }
    unsigned long long value = 0;
    bool any = false, overflow = false;
    for (;; ++p) {
        int d;
        if (*p >= u'0' && *p <= u'9')
            d = *p - u'0';
        else if (*p >= u'a' && *p <= u'z')
            d = *p - u'a' + 10;
        else if (*p >= u'A' && *p <= u'Z')
            d = *p - u'A' + 10;
        else
            break;
        if (d >= base) break;
        any = true;
        if (!overflow) {
            value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
            if (value > kLongMax + 1) overflow = true;
        }
    }
    if (end) *end = const_cast<WCHAR*>(any ? p : str);
    if (!any) return 0;
    // A Windows long is 32 bits: out-of-range values clamp there.
    if (negative) {
        if (overflow || value > kLongMax + 1) return -static_cast<long>(kLongMax) - 1;
        return -static_cast<long>(value);
    }
    if (overflow || value > kLongMax) return static_cast<long>(kLongMax);
    return static_cast<long>(value);
}

size_t wcslen(const WCHAR* str) {
    return std::char_traits<char16_t>::length(str);
}

int wcscmp(const WCHAR* a, const WCHAR* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b ? 0 : (*a < *b ? -1 : 1);
}

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
        if (!a[i]) return 0;
    }
    return 0;
}

WCHAR* wcscpy(WCHAR* dst, const WCHAR* src) {
    WCHAR* d = dst;
    while ((*d++ = *src++)) {
    }
    return dst;
}

WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n) {
    size_t i = 0;
    for (; i < n && src[i]; ++i) dst[i] = src[i];
    for (; i < n; ++i) dst[i] = 0;
    return dst;
}

WCHAR* wcsrchr(const WCHAR* str, WCHAR ch) {
    const WCHAR* last = nullptr;
    for (const WCHAR* p = str;; ++p) {
        if (*p == ch) last = p;
        if (!*p) break;
    }
    return const_cast<WCHAR*>(last);
}

WCHAR* wcschr(const WCHAR* str, WCHAR ch) {
    for (const WCHAR* p = str;; ++p) {
        if (*p == ch) return const_cast<WCHAR*>(p);
        if (!*p) return nullptr;
    }
}
