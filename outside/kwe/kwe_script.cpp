// The stand-in's script: read from the registry, parsed line by line, never trusted to be sane.
#include "outside/kwe/kwe_script.h"

#include <cstdlib>
#include <vector>

#include "win/registry.h"

namespace kwe {

std::string Script::Text(const std::string& name, const std::string& fallback) const {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
}

long Script::Number(const std::string& name, long fallback) const {
    auto it = values.find(name);
    if (it == values.end() || it->second.empty()) return fallback;
    char* end = nullptr;
    const long v = std::strtol(it->second.c_str(), &end, 0);
    return end != nullptr && *end == 0 ? v : fallback;
}

bool Script::Fails(const std::string& call) const {
    return Text(call, "") == "fail";
}

Script ParseScript(const std::string& text) {
    Script s;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find_first_of("\r\n", from);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(from, end - from);
        from = end + 1;
        const size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos || eq == 0) continue;
        s.values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return s;
}

Script ReadScript() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLibraryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    DWORD type = 0, size = 0;
    Script s;
    if (RegQueryValueExA(key, kScriptValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ &&
        size > 0 && size < (1u << 20)) {
        std::vector<char> text(size + 1, 0);
        if (RegQueryValueExA(key, kScriptValue, nullptr, &type, reinterpret_cast<LPBYTE>(text.data()), &size) ==
            ERROR_SUCCESS)
            s = ParseScript(std::string(text.data()));
    }
    RegCloseKey(key);
    return s;
}

void KeepRecord(const char16_t* value, const unsigned char* bytes, unsigned long size) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tamsa Korvel\\Tessaline Basic", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, value, 0, REG_BINARY, bytes, static_cast<DWORD>(size));
    RegCloseKey(key);
}

void KeepLogRecord(const unsigned char* record, unsigned long size) {
    KeepRecord(kLastLogRecordValue, record, size);
}

}  // namespace kwe
