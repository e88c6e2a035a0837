// Private profile (INI) files: GetPrivateProfileStringW and GetPrivateProfileIntW.
#include <string>
#include <vector>

#include "plat_internal.h"
#include "win/kernel.h"

namespace {

struct IniEntry {
    std::u16string key;
    std::u16string value;
};
struct IniSection {
    std::u16string name;
    std::vector<IniEntry> entries;
};

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t' || s.back() == u'\r')) s.remove_suffix(1);
    return s;
}

// Reads the file as UTF-16LE when it has the byte order mark, else in the ANSI code page.
bool LoadIni(LPCWSTR fileName, std::vector<IniSection>& sections) {
    std::u16string_view name = plat::View(fileName);
    std::u16string path(name);
    // A bare file name lives in the Windows directory.
    if (name.find_first_of(u"\\/") == std::u16string_view::npos) path = u"C:\\Windows\\" + path;
    std::string bytes;
    if (!plat::ReadWholeFile(plat::MapPath(path), bytes)) return false;
    std::u16string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        text.resize((bytes.size() - 2) / 2);
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                            (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = plat::Utf8ToUtf16(std::string_view(bytes).substr(3));
    } else {
        text = plat::AnsiToWide(bytes);
    }
    IniSection* current = nullptr;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) end = text.size();
        std::u16string_view line = Trim(std::u16string_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == u';') continue;
        if (line[0] == u'[') {
            size_t close = line.find(u']');
            sections.push_back(IniSection{
                std::u16string(Trim(line.substr(1, close == std::u16string_view::npos ? line.size() - 1 : close - 1))),
                {}});
            current = &sections.back();
            continue;
        }
        if (!current) continue;
        size_t eq = line.find(u'=');
        IniEntry e;
        if (eq == std::u16string_view::npos) {
            e.key = std::u16string(line);
        } else {
            e.key = std::u16string(Trim(line.substr(0, eq)));
            std::u16string_view v = Trim(line.substr(eq + 1));
            // One pair of surrounding quotes is removed.
            if (v.size() >= 2 && ((v.front() == u'"' && v.back() == u'"') || (v.front() == u'\'' && v.back() == u'\'')))
                v = v.substr(1, v.size() - 2);
            e.value = std::u16string(v);
        }
        current->entries.push_back(std::move(e));
    }
    return true;
}

const IniSection* FindSection(const std::vector<IniSection>& sections, std::u16string_view name) {
    for (const auto& s : sections)
        if (plat::EqualNoCase(s.name, name)) return &s;
    return nullptr;
}

// Copies a list of names, each terminated, with a final extra terminator; truncation leaves
// nSize - 2 as Windows reports it.
DWORD CopyList(const std::vector<std::u16string>& names, LPWSTR out, DWORD nSize) {
    if (nSize < 2) {
        if (nSize == 1) out[0] = 0;
        return 0;
    }
    DWORD pos = 0;
    for (const auto& n : names) {
        for (char16_t c : n) {
            if (pos >= nSize - 2) {
                out[pos] = 0;
                out[pos + 1] = 0;
                return nSize - 2;
            }
            out[pos++] = c;
        }
        if (pos >= nSize - 1) {
            out[nSize - 2] = 0;
            out[nSize - 1] = 0;
            return nSize - 2;
        }
        out[pos++] = 0;
    }
    out[pos] = 0;
    return pos;
}

DWORD CopyValue(std::u16string_view value, LPWSTR out, DWORD nSize) {
    if (nSize == 0) return 0;
    DWORD n = static_cast<DWORD>(std::min<size_t>(value.size(), nSize - 1));
    value.copy(out, n);
    out[n] = 0;
    return n;
}

}  // namespace

extern "C" {

DWORD GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault, LPWSTR lpReturnedString,
                               DWORD nSize, LPCWSTR lpFileName) {
    if (!lpReturnedString || !lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::vector<IniSection> sections;
    bool loaded = LoadIni(lpFileName, sections);
    if (!lpAppName) {
        std::vector<std::u16string> names;
        for (const auto& s : sections) names.push_back(s.name);
        return CopyList(names, lpReturnedString, nSize);
    }
    const IniSection* section = FindSection(sections, lpAppName);
    if (!lpKeyName) {
        std::vector<std::u16string> names;
        if (section)
            for (const auto& e : section->entries) names.push_back(e.key);
        return CopyList(names, lpReturnedString, nSize);
    }
    if (section) {
        for (const auto& e : section->entries)
            if (plat::EqualNoCase(e.key, lpKeyName)) return CopyValue(e.value, lpReturnedString, nSize);
    }
    if (!loaded) SetLastError(ERROR_FILE_NOT_FOUND);
    // The default loses its trailing blanks, as on Windows.
    std::u16string_view def = plat::View(lpDefault);
    while (!def.empty() && def.back() == u' ') def.remove_suffix(1);
    return CopyValue(def, lpReturnedString, nSize);
}

UINT GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault, LPCWSTR lpFileName) {
    if (!lpAppName || !lpKeyName) return static_cast<UINT>(nDefault);
    WCHAR buf[64];
    DWORD n = GetPrivateProfileStringW(lpAppName, lpKeyName, u"\x01", buf, 64, lpFileName);
    if (n == 1 && buf[0] == 1) return static_cast<UINT>(nDefault);
    // Leading digits count; "0x" gives hexadecimal; anything else reads as 0.
    WCHAR* end = nullptr;
    long v = wcstol(buf, &end, buf[0] == u'0' && (buf[1] == u'x' || buf[1] == u'X') ? 16 : 10);
    return static_cast<UINT>(v);
}

}  // extern "C"
