// The registry: four hives kept in memory and persisted under the sandbox root, one file per
// hive. As on Windows the hives are written lazily: a change stays in memory and its hive is
// written whole (temporary file, then rename, so a killed writer never leaves a torn hive) at a
// flush point: when the process's last open key of the hive is closed (or at once for a change
// made through a predefined key with none open), when a hive has been changed for longer than
// kLazyFlushMs and the registry is used again, at RegFlushKey (synced), and at process end.
// Other processes read a hive when they first use it, so what a process has closed reaches them.
//
// Hive file format (UTF-8 text, one record per line):
//   orla-registry 1
//   key "Software" "QEV" "Stamp"        a key, as its path of quoted names from the hive root
//   value "Name" 1 480065000000         a value of the key above: name, type, data in hex
// Names are quoted with \\ \" \n \r escapes; the empty name is the key's default value.
#include "win/registry.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "file_object.h"
#include "handle_table.h"
#include "plat_internal.h"
#include "win/kernel.h"

namespace plat {
namespace {

struct RegValue {
    std::u16string name;
    DWORD type = REG_NONE;
    std::string data;
};

struct RegKey {
    std::u16string name;
    std::map<std::u16string, std::unique_ptr<RegKey>> subkeys;  // by folded name: enumerated in order
    std::vector<RegValue> values;                               // in the order they were first set
    ULONGLONG lastWrite = 0;
};

constexpr int kHiveCount = 4;
constexpr size_t kMaxDepth = 512;  // the registry's own limit on key nesting
constexpr const char* kHiveFiles[kHiveCount] = {"HKCR", "HKCU", "HKLM", "HKU"};
constexpr auto kLazyFlushMs = std::chrono::milliseconds(1000);

struct Registry {
    std::mutex lock;
    std::unique_ptr<RegKey> hives[kHiveCount];
    bool dirty[kHiveCount] = {};  // changed in memory since the hive was last written
    std::chrono::steady_clock::time_point dirtySince[kHiveCount];
    std::atomic<int> openKeys[kHiveCount] = {};  // key handles of this process, by hive
};

void FlushAtExit();

Registry& registry() {
    static Registry* r = [] {
        auto* made = new Registry;
        std::atexit(FlushAtExit);
        return made;
    }();
    return *r;
}

struct KeyHandle : KernelObject {
    int hive = 0;
    std::vector<std::u16string> path;  // folded names from the hive root
    REGSAM access = 0;
    void OnLastClose() override { registry().openKeys[hive].fetch_sub(1); }
};

ULONGLONG Now() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::string HiveFile(int hive) {
    return SandboxRoot() + "/registry/" + kHiveFiles[hive] + ".hive";
}

// ---- Persistence ----
std::string Quote(std::u16string_view name) {
    std::string out = "\"";
    for (char c : Utf16ToUtf8(name)) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Reads one quoted name at pos; false on malformed text.
bool Unquote(std::string_view line, size_t& pos, std::u16string& out) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size() || line[pos] != '"') return false;
    std::string text;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            out = Utf8ToUtf16(text);
            return true;
        }
        if (c == '\\') {
            if (++pos >= line.size()) return false;
            char e = line[pos];
            text += e == 'n' ? '\n' : (e == 'r' ? '\r' : e);
        } else {
            text += c;
        }
    }
    return false;
}

void Serialize(const RegKey& key, std::vector<std::u16string>& path, std::string& out) {
    if (!path.empty()) {
        out += "key";
        for (const auto& p : path) out += " " + Quote(p);
        out += "\n";
        static const char* hex = "0123456789abcdef";
        for (const auto& v : key.values) {
            out += "value " + Quote(v.name) + " " + std::to_string(v.type) + " ";
            for (unsigned char b : v.data) {
                out += hex[b >> 4];
                out += hex[b & 15];
            }
            out += "\n";
        }
    } else if (!key.values.empty()) {
        // Values of the hive root itself.
        out += "key\n";
        for (const auto& v : key.values) {
            out += "value " + Quote(v.name) + " " + std::to_string(v.type) + " ";
            for (unsigned char b : v.data) {
                static const char* hex = "0123456789abcdef";
                out += hex[b >> 4];
                out += hex[b & 15];
            }
            out += "\n";
        }
    }
    for (const auto& [folded, sub] : key.subkeys) {
        path.push_back(sub->name);
        Serialize(*sub, path, out);
        path.pop_back();
    }
}

RegKey* Child(RegKey* key, std::u16string_view name, bool create) {
    std::u16string folded = Fold(name);
    auto it = key->subkeys.find(folded);
    if (it != key->subkeys.end()) return it->second.get();
    if (!create) return nullptr;
    auto k = std::make_unique<RegKey>();
    k->name = std::u16string(name);
    k->lastWrite = Now();
    RegKey* raw = k.get();
    key->subkeys.emplace(folded, std::move(k));
    return raw;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Loads a hive; malformed lines are skipped (and the file kept aside) rather than failing the
// whole hive. Temporaries that killed writers left beside it are removed first.
std::unique_ptr<RegKey> LoadHive(int hive) {
    RemoveStaleTemporaries(HiveFile(hive));
    RemoveStaleTemporaries(HiveFile(hive) + ".bad");
    auto root = std::make_unique<RegKey>();
    std::string text;
    if (!ReadWholeFile(HiveFile(hive), text)) return root;
    RegKey* current = root.get();
    bool bad = false;
    size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (first) {
            first = false;
            if (line != "orla-registry 1") bad = true;
            continue;
        }
        if (line.rfind("key", 0) == 0 && (line.size() == 3 || line[3] == ' ')) {
            RegKey* k = root.get();
            size_t pos = 3;
            bool ok = true;
            size_t depth = 0;
            while (pos < line.size()) {
                std::u16string name;
                if (++depth > kMaxDepth) {
                    ok = false;
                    break;
                }
                // A key name is 1 to 255 characters with neither separator nor NUL: a name the
                // registry functions could not spell would open some other key (the NUL-cut name
                // even the key itself).
                if (!Unquote(line, pos, name) || name.empty() || name.size() > 255 ||
                    name.find_first_of(std::u16string_view(u"\\\0", 2)) != std::u16string::npos) {
                    ok = false;
                    break;
                }
                k = Child(k, name, true);
                while (pos < line.size() && line[pos] == ' ') ++pos;
            }
            if (!ok) bad = true;
            current = ok ? k : nullptr;
        } else if (line.rfind("value ", 0) == 0 && current) {
            size_t pos = 5;
            RegValue v;
            if (!Unquote(line, pos, v.name) || pos >= line.size() || line[pos] != ' ') {
                bad = true;
                continue;
            }
            size_t typeEnd = line.find(' ', pos + 1);
            if (typeEnd == std::string::npos) {
                bad = true;
                continue;
            }
            std::string typeText(line.substr(pos + 1, typeEnd - pos - 1));
            if (typeText.empty() || typeText.size() > 10 ||
                typeText.find_first_not_of("0123456789") != std::string::npos) {
                bad = true;
                continue;
            }
            v.type = static_cast<DWORD>(std::stoull(typeText));
            std::string_view hex = line.substr(typeEnd + 1);
            if (hex.size() % 2) {
                bad = true;
                continue;
            }
            bool ok = true;
            for (size_t i = 0; i < hex.size(); i += 2) {
                int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
                if (hi < 0 || lo < 0) {
                    ok = false;
                    break;
                }
                v.data += static_cast<char>(hi * 16 + lo);
            }
            if (!ok) {
                bad = true;
                continue;
            }
            bool replaced = false;
            for (auto& old : current->values)
                if (EqualNoCase(old.name, v.name)) old = v, replaced = true;
            if (!replaced) current->values.push_back(std::move(v));
        } else if (!line.empty()) {
            bad = true;
        }
    }
    if (bad) WriteFileAtomic(HiveFile(hive) + ".bad", text);  // keep the damaged original for inspection
    return root;
}

RegKey* HiveRoot(int hive) {
    Registry& r = registry();
    if (!r.hives[hive]) r.hives[hive] = LoadHive(hive);
    return r.hives[hive].get();
}

// Writes a changed hive whole, under the registry lock; `sync` makes it durable in the durable
// mode. A hive that cannot be written stays changed and is tried again at the next flush point.
LONG WriteHive(int hive, bool sync) {
    Registry& r = registry();
    if (!r.dirty[hive] || !r.hives[hive]) return ERROR_SUCCESS;
    const PLAT_PERSISTENCE mode = Persistence();
    if (mode == PLAT_PERSIST_IN_MEMORY) return ERROR_SUCCESS;  // the hive lives in memory only
    struct stat st {};
    if (stat(SandboxRoot().c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        r.dirty[hive] = false;  // the sandbox was removed: nothing is left to write into
        return ERROR_PATH_NOT_FOUND;
    }
    std::string out = "orla-registry 1\n";
    std::vector<std::u16string> path;
    Serialize(*r.hives[hive], path, out);
    if (!WriteFileAtomic(HiveFile(hive), out, sync && mode == PLAT_PERSIST_DURABLE)) return ERROR_WRITE_FAULT;
    r.dirty[hive] = false;
    return ERROR_SUCCESS;
}

void WriteAllHives(bool sync) {
    for (int hive = 0; hive < kHiveCount; ++hive) WriteHive(hive, sync);
}

// A thread that still runs at exit may hold the lock; its changes then stay unwritten, as they
// would if the process were killed, rather than the exit hanging. The lock is tried in steps
// (not try_lock_for, whose timed lock the thread checker cannot follow).
bool TryLockAtExit(std::mutex& lock) {
    constexpr int kSteps = 2000;  // about two seconds
    for (int step = 0; step < kSteps; ++step) {
        if (lock.try_lock()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

void FlushAtExit() {
    Registry& r = registry();
    if (!TryLockAtExit(r.lock)) return;
    WriteAllHives(true);
    r.lock.unlock();
}

// A change stays in memory; with no key of its hive open it is written now, as a close would.
void Changed(int hive) {
    Registry& r = registry();
    if (!r.dirty[hive]) r.dirtySince[hive] = std::chrono::steady_clock::now();
    r.dirty[hive] = true;
    if (r.openKeys[hive].load() == 0) WriteHive(hive, false);
}

// Hives changed longer ago than the lazy delay are written when the registry is next used, so
// a process that keeps a key open does not hold its changes back for its whole life.
void WriteOverdueHives() {
    Registry& r = registry();
    const auto now = std::chrono::steady_clock::now();
    for (int hive = 0; hive < kHiveCount; ++hive)
        if (r.dirty[hive] && now - r.dirtySince[hive] >= kLazyFlushMs) WriteHive(hive, false);
}

// The registry lock for one call; hives overdue for their lazy write are written first.
struct RegistryLock {
    RegistryLock() : guard(registry().lock) { WriteOverdueHives(); }
    std::lock_guard<std::mutex> guard;
};

// ---- Keys ----
int PredefinedHive(HKEY key) {
    // The predefined keys are sign-extended LONGs; a zero-extended value is another handle.
    const LONG_PTR v = reinterpret_cast<LONG_PTR>(key);
    const LONG_PTR first = reinterpret_cast<LONG_PTR>(HKEY_CLASSES_ROOT);
    if (v >= first && v <= first + 3) return static_cast<int>(v - first);
    return -1;
}

// Resolves an open key to its hive and path; error code on failure.
LONG Resolve(HKEY key, int& hive, std::vector<std::u16string>& path, REGSAM& access) {
    int pre = PredefinedHive(key);
    if (pre >= 0) {
        hive = pre;
        path.clear();
        access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    auto h = HandleGet<KeyHandle>(reinterpret_cast<HANDLE>(key));
    if (!h) return ERROR_INVALID_HANDLE;
    hive = h->hive;
    path = h->path;
    access = h->access;
    return ERROR_SUCCESS;
}

RegKey* Walk(int hive, const std::vector<std::u16string>& path) {
    RegKey* k = HiveRoot(hive);
    for (const auto& p : path) {
        auto it = k->subkeys.find(p);
        if (it == k->subkeys.end()) return nullptr;
        k = it->second.get();
    }
    return k;
}

LONG SplitSubKey(std::u16string_view sub, std::vector<std::u16string>& names) {
    names.clear();
    if (!sub.empty() && sub[0] == u'\\') return ERROR_BAD_PATHNAME;
    size_t i = 0;
    while (i < sub.size()) {
        size_t j = sub.find(u'\\', i);
        if (j == std::u16string_view::npos) j = sub.size();
        std::u16string_view name = sub.substr(i, j - i);
        if (name.size() > 255) return ERROR_INVALID_PARAMETER;
        if (!name.empty()) names.emplace_back(name);  // doubled or trailing separators are ignored
        i = j + 1;
    }
    return ERROR_SUCCESS;
}

HKEY NewHandle(int hive, std::vector<std::u16string> path, REGSAM access) {
    auto h = std::make_shared<KeyHandle>();
    registry().openKeys[hive].fetch_add(1);
    h->hive = hive;
    for (auto& p : path) p = Fold(p);
    h->path = std::move(path);
    h->access = access;
    return reinterpret_cast<HKEY>(HandleInsert(h));
}

// Opens (or creates) a key below an open key, under the registry lock.
LONG OpenLocked(HKEY hKey, std::u16string_view sub, REGSAM sam, bool create, PHKEY result, LPDWORD disposition) {
    int hive;
    std::vector<std::u16string> base;
    REGSAM access;
    LONG rc = Resolve(hKey, hive, base, access);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::u16string> names;
    rc = SplitSubKey(sub, names);
    if (rc != ERROR_SUCCESS) return rc;
    RegKey* k = Walk(hive, base);
    if (!k) return ERROR_KEY_DELETED;
    if (base.size() + names.size() > kMaxDepth) return ERROR_INVALID_PARAMETER;
    bool created = false;
    std::vector<std::u16string> full = base;
    for (const auto& n : names) {
        RegKey* next = Child(k, n, false);
        if (!next) {
            if (!create) return ERROR_FILE_NOT_FOUND;
            if (!(access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
            next = Child(k, n, true);
            k->lastWrite = Now();
            created = true;
        }
        full.push_back(Fold(n));
        k = next;
    }
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(hive, std::move(full), sam ? sam : KEY_READ);
    if (created) Changed(hive);
    return ERROR_SUCCESS;
}

// The open key itself, checked for the access an operation needs.
LONG KeyFor(HKEY hKey, REGSAM need, int& hive, RegKey*& key) {
    std::vector<std::u16string> path;
    REGSAM access;
    LONG rc = Resolve(hKey, hive, path, access);
    if (rc != ERROR_SUCCESS) return rc;
    if ((access & need & 0xFFFF) != (need & 0xFFFF)) return ERROR_ACCESS_DENIED;
    key = Walk(hive, path);
    return key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

RegValue* FindValue(RegKey* key, std::u16string_view name) {
    for (auto& v : key->values)
        if (EqualNoCase(v.name, name)) return &v;
    return nullptr;
}

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Two-call copy: a null buffer asks for the size; a small one gets ERROR_MORE_DATA.
LONG CopyData(const std::string& data, LPBYTE out, LPDWORD size) {
    if (!size) return out ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD have = *size;
    *size = static_cast<DWORD>(data.size());
    if (!out) return ERROR_SUCCESS;
    if (have < data.size()) return ERROR_MORE_DATA;
    std::memcpy(out, data.data(), data.size());
    return ERROR_SUCCESS;
}

}  // namespace

void RegistryFlush() {
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    WriteAllHives(true);
}

void RegistryDropCache() {
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    WriteAllHives(true);  // what this process changed is on disk, as at its end
    for (int hive = 0; hive < kHiveCount; ++hive) {
        r.hives[hive].reset();
        r.dirty[hive] = false;
    }
}

}  // namespace plat

using namespace plat;

extern "C" {

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    RegistryLock g;
    return OpenLocked(hKey, View(lpSubKey), samDesired, false, phkResult, nullptr);
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) {
    std::u16string w = AnsiToWide(lpSubKey ? lpSubKey : "");
    return RegOpenKeyExW(hKey, lpSubKey ? w.c_str() : nullptr, ulOptions, samDesired, phkResult);
}

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired, void*, PHKEY phkResult,
                     LPDWORD lpdwDisposition) {
    if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    RegistryLock g;
    return OpenLocked(hKey, View(lpSubKey), samDesired, true, phkResult, lpdwDisposition);
}

LONG RegCloseKey(HKEY hKey) {
    if (PredefinedHive(hKey) >= 0) return ERROR_SUCCESS;
    int hive = 0;
    {
        auto h = HandleGet<KeyHandle>(reinterpret_cast<HANDLE>(hKey));
        if (!h) return ERROR_INVALID_HANDLE;
        hive = h->hive;
    }
    if (!HandleClose(reinterpret_cast<HANDLE>(hKey))) return ERROR_INVALID_HANDLE;
    // The process's last key of the hive: its changes go to disk, where other processes read them.
    RegistryLock g;
    if (registry().openKeys[hive].load() == 0) WriteHive(hive, false);
    return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY hKey) {
    RegistryLock g;
    int hive;
    std::vector<std::u16string> path;
    REGSAM access;
    LONG rc = Resolve(hKey, hive, path, access);
    if (rc != ERROR_SUCCESS) return rc;
    return WriteHive(hive, true);
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
    RegistryLock g;
    int hive;
    RegKey* key;
    LONG rc = KeyFor(hKey, KEY_QUERY_VALUE, hive, key);
    if (rc != ERROR_SUCCESS) return rc;
    RegValue* v = FindValue(key, View(lpValueName));
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (lpType) *lpType = v->type;
    return CopyData(v->data, lpData, lpcbData);
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD reserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) {
    if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
    std::u16string name = AnsiToWide(lpValueName ? lpValueName : "");
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExW(hKey, name.c_str(), reserved, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    std::string data(size, '\0');
    rc = RegQueryValueExW(hKey, name.c_str(), reserved, &type, reinterpret_cast<LPBYTE>(data.data()), &size);
    if (rc != ERROR_SUCCESS) return rc;
    data.resize(size);
    if (lpType) *lpType = type;
    if (IsText(type)) {
        // Text comes back in the ANSI code page.
        std::u16string w(data.size() / 2, u'\0');
        std::memcpy(w.data(), data.data(), w.size() * 2);
        data = WideToAnsi(w);
    }
    return CopyData(data, lpData, lpcbData);
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    if (!lpData && cbData) return ERROR_NOACCESS;
    RegistryLock g;
    int hive;
    RegKey* key;
    LONG rc = KeyFor(hKey, KEY_SET_VALUE, hive, key);
    if (rc != ERROR_SUCCESS) return rc;
    std::u16string_view name = View(lpValueName);
    if (name.size() > 16383) return ERROR_INVALID_PARAMETER;
    // A refused value (an injected failure: the hive is full or cannot be written) leaves the old.
    const Injection inj = TakeInjection("RegSetValueExW");
    if (inj.due) return inj.error ? static_cast<LONG>(inj.error) : ERROR_WRITE_FAULT;
    std::string data(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
    if (RegValue* v = FindValue(key, name)) {
        v->type = dwType;
        v->data = std::move(data);
    } else {
        key->values.push_back(RegValue{std::u16string(name), dwType, std::move(data)});
    }
    key->lastWrite = Now();
    Changed(hive);
    return ERROR_SUCCESS;
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    RegistryLock g;
    int hive;
    RegKey* key;
    LONG rc = KeyFor(hKey, KEY_SET_VALUE, hive, key);
    if (rc != ERROR_SUCCESS) return rc;
    std::u16string_view name = View(lpValueName);
    for (auto it = key->values.begin(); it != key->values.end(); ++it) {
        if (EqualNoCase(it->name, name)) {
            key->values.erase(it);
            key->lastWrite = Now();
            Changed(hive);
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    RegistryLock g;
    int hive;
    std::vector<std::u16string> base;
    REGSAM access;
    LONG rc = Resolve(hKey, hive, base, access);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::u16string> names;
    rc = SplitSubKey(View(lpSubKey), names);
    if (rc != ERROR_SUCCESS) return rc;
    if (names.empty()) return ERROR_INVALID_PARAMETER;
    for (auto& n : names) base.push_back(Fold(n));
    std::u16string last = base.back();
    base.pop_back();
    RegKey* parent = Walk(hive, base);
    if (!parent) return ERROR_FILE_NOT_FOUND;
    auto it = parent->subkeys.find(last);
    if (it == parent->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    // A key with subkeys cannot be deleted in one call, as on Windows.
    if (!it->second->subkeys.empty()) return ERROR_ACCESS_DENIED;
    parent->subkeys.erase(it);
    parent->lastWrite = Now();
    Changed(hive);
    return ERROR_SUCCESS;
}

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD, LPWSTR lpClass,
                   LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
    RegistryLock g;
    int hive;
    RegKey* key;
    LONG rc = KeyFor(hKey, KEY_ENUMERATE_SUB_KEYS, hive, key);
    if (rc != ERROR_SUCCESS) return rc;
    if (dwIndex >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    auto it = key->subkeys.begin();
    std::advance(it, dwIndex);
    const std::u16string& name = it->second->name;
    if (*lpcchName < name.size() + 1) {
        *lpcchName = static_cast<DWORD>(name.size() + 1);
        return ERROR_MORE_DATA;
    }
    name.copy(lpName, name.size());
    lpName[name.size()] = 0;
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpClass && lpcchClass && *lpcchClass) {
        lpClass[0] = 0;
        *lpcchClass = 0;
    }
    if (lpftLastWriteTime) {
        lpftLastWriteTime->dwLowDateTime = static_cast<DWORD>(it->second->lastWrite);
        lpftLastWriteTime->dwHighDateTime = static_cast<DWORD>(it->second->lastWrite >> 32);
    }
    return ERROR_SUCCESS;
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType,
                   LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    RegistryLock g;
    int hive;
    RegKey* key;
    LONG rc = KeyFor(hKey, KEY_QUERY_VALUE, hive, key);
    if (rc != ERROR_SUCCESS) return rc;
    if (dwIndex >= key->values.size()) return ERROR_NO_MORE_ITEMS;
    const RegValue& v = key->values[dwIndex];
    if (*lpcchValueName < v.name.size() + 1) {
        *lpcchValueName = static_cast<DWORD>(v.name.size() + 1);
        return ERROR_MORE_DATA;
    }
    v.name.copy(lpValueName, v.name.size());
    lpValueName[v.name.size()] = 0;
    *lpcchValueName = static_cast<DWORD>(v.name.size());
    if (lpType) *lpType = v.type;
    return CopyData(v.data, lpData, lpcbData);
}

}  // extern "C"
