// Code pages through ICU: 932 (the Windows Shift-JIS with NEC and IBM extensions), UTF-8 and
// the usual single-byte pages; CP_ACP follows the settable ANSI code page.
#include "win/nls.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "plat/control.h"
#include "plat_internal.h"
#include "win/kernel.h"

namespace {

std::atomic<UINT> g_ansiCodePage{932};

UINT Resolve(UINT codePage) {
    if (codePage == CP_ACP || codePage == CP_THREAD_ACP) return g_ansiCodePage.load();
    if (codePage == CP_OEMCP) return g_ansiCodePage.load() == 1252 ? 437 : g_ansiCodePage.load();
    return codePage;
}

// ICU's "ibm-943_P15A-2003" is the table registered as "windows-932": it round-trips the NEC
// row 13 and the IBM extensions the way Windows does.
struct CodePageConverter {
    UINT codePage;
    const char* converter;
};
constexpr CodePageConverter kConverters[] = {
    {932, "ibm-943_P15A-2003"}, {65001, "UTF-8"},          {1252, "windows-1252"}, {1250, "windows-1250"},
    {1251, "windows-1251"},     {437, "ibm-437"},          {850, "ibm-850"},       {936, "windows-936-2000"},
    {949, "windows-949-2000"},  {950, "windows-950-2000"}, {20127, "US-ASCII"},    {28591, "ISO-8859-1"},
};

const char* ConverterName(UINT cp) {
    for (const CodePageConverter& c : kConverters)
        if (c.codePage == cp) return c.converter;
    return nullptr;
}

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

// Converters are not thread-safe: one per thread and code page.
UConverter* Converter(UINT cp) {
    thread_local std::map<UINT, std::unique_ptr<UConverter, ConverterCloser>> cache;
    auto it = cache.find(cp);
    if (it != cache.end()) {
        ucnv_reset(it->second.get());
        return it->second.get();
    }
    const char* name = ConverterName(cp);
    if (!name) return nullptr;
    UErrorCode err = U_ZERO_ERROR;
    UConverter* c = ucnv_open(name, &err);
    if (U_FAILURE(err)) return nullptr;
    cache.emplace(cp, std::unique_ptr<UConverter, ConverterCloser>(c));
    return c;
}

bool IsLead(UINT cp, BYTE b) {
    switch (cp) {
        case 932:
            return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        case 936:
        case 949:
        case 950:
            return b >= 0x81 && b <= 0xFE;
        default:
            return false;
    }
}

// Converts bytes to UTF-16; false when strict and an invalid sequence is met.
bool ToWide(UConverter* conv, std::string_view in, bool strict, std::u16string& out) {
    UErrorCode err = U_ZERO_ERROR;
    if (strict)
        ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    else
        ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &err);
    out.assign(in.size() + 1, u'\0');
    const char* src = in.data();
    const char* srcEnd = in.data() + in.size();
    size_t used = 0;
    for (;;) {
        UChar* target = reinterpret_cast<UChar*>(out.data()) + used;
        UChar* targetStart = target;
        UChar* targetEnd = reinterpret_cast<UChar*>(out.data()) + out.size();
        err = U_ZERO_ERROR;
        ucnv_toUnicode(conv, &target, targetEnd, &src, srcEnd, nullptr, TRUE, &err);
        used += static_cast<size_t>(target - targetStart);
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2 + 16);
            continue;
        }
        if (U_FAILURE(err)) return false;
        break;
    }
    out.resize(used);
    return true;
}

}  // namespace

namespace plat {

std::string WideToAnsi(std::u16string_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::u16string AnsiToWide(std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

}  // namespace plat

extern "C" {

void PlatSetAnsiCodePage(UINT codePage) {
    g_ansiCodePage = codePage ? codePage : 932;
}

UINT GetACP(void) {
    return g_ansiCodePage.load();
}
UINT GetOEMCP(void) {
    return Resolve(CP_OEMCP);
}

BOOL IsDBCSLeadByteEx(UINT CodePage, BYTE TestChar) {
    return IsLead(Resolve(CodePage), TestChar) ? TRUE : FALSE;
}
BOOL IsDBCSLeadByte(BYTE TestChar) {
    return IsDBCSLeadByteEx(CP_ACP, TestChar);
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) {
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr) ||
        (lpWideCharStr && static_cast<const void*>(lpWideCharStr) == static_cast<const void*>(lpMultiByteStr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT cp = Resolve(CodePage);
    if (dwFlags & ~static_cast<DWORD>(MB_PRECOMPOSED | MB_ERR_INVALID_CHARS | 0x2 | 0x4)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    UConverter* conv = Converter(cp);
    if (!conv) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t len = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    std::u16string wide;
    if (!ToWide(conv, std::string_view(lpMultiByteStr, len), (dwFlags & MB_ERR_INVALID_CHARS) != 0, wide)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (wide.size() > 0x7FFFFFFF) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cchWideChar == 0) return static_cast<int>(wide.size());
    if (wide.size() > static_cast<size_t>(cchWideChar)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    wide.copy(lpWideCharStr, wide.size());
    return static_cast<int>(wide.size());
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
    if (lpUsedDefaultChar) *lpUsedDefaultChar = FALSE;
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) ||
        (lpMultiByteStr && static_cast<const void*>(lpWideCharStr) == static_cast<const void*>(lpMultiByteStr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT cp = Resolve(CodePage);
    bool utf8 = cp == CP_UTF8;
    if (utf8 && (lpDefaultChar || lpUsedDefaultChar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UConverter* conv = Converter(cp);
    if (!conv) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t len =
        cchWideChar == -1 ? std::char_traits<char16_t>::length(lpWideCharStr) + 1 : static_cast<size_t>(cchWideChar);
    UErrorCode err = U_ZERO_ERROR;
    // Best-fit mappings (U+00A5 to 0x5C, ...) unless the caller forbids them.
    ucnv_setFallback(conv, (dwFlags & WC_NO_BEST_FIT_CHARS) ? FALSE : TRUE);
    if (utf8)
        ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &err);
    else
        ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    char defaultChar[2] = {'?', 0};
    size_t defaultLen = 1;
    if (lpDefaultChar && *lpDefaultChar) {
        defaultChar[0] = lpDefaultChar[0];
        if (IsLead(cp, static_cast<BYTE>(lpDefaultChar[0])) && lpDefaultChar[1]) {
            defaultChar[1] = lpDefaultChar[1];
            defaultLen = 2;
        }
    }
    std::string out(len * 2 + 16, '\0');
    size_t used = 0;
    const UChar* src = reinterpret_cast<const UChar*>(lpWideCharStr);
    const UChar* srcEnd = src + len;
    bool usedDefault = false;
    for (;;) {
        char* target = out.data() + used;
        char* targetStart = target;
        const UChar* before = src;
        err = U_ZERO_ERROR;
        ucnv_fromUnicode(conv, &target, out.data() + out.size(), &src, srcEnd, nullptr, TRUE, &err);
        used += static_cast<size_t>(target - targetStart);
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        if (U_FAILURE(err)) {
            // An unmappable character: the default character stands in for it.
            if (src == before) ++src;
            ucnv_reset(conv);
            if (used + defaultLen > out.size()) out.resize(out.size() * 2 + defaultLen);
            std::memcpy(out.data() + used, defaultChar, defaultLen);
            used += defaultLen;
            usedDefault = true;
            if (src < srcEnd) continue;
        }
        break;
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    if (used > 0x7FFFFFFF) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cbMultiByte == 0) return static_cast<int>(used);
    if (used > static_cast<size_t>(cbMultiByte)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpMultiByteStr, out.data(), used);
    return static_cast<int>(used);
}

}  // extern "C"
