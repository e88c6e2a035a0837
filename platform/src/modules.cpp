// Module loading: a module is an ELF shared object that carries its Windows file name. The
// same file loaded twice gives the same HMODULE and a reference count; DllMain runs on the
// first load and the last free, as the Windows loader does.
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "plat/ordinal_table.h"
#include "plat/resource_table.h"
#include "plat_internal.h"
#include "win/kernel.h"

namespace plat {
namespace {

typedef BOOL (*DllMainProc)(HINSTANCE, DWORD, LPVOID);

// A module's entry point: "DllMain", or "DllEntryPoint" for modules linked with that entry name
// (the graphics DLL and the language monitor). Only the module's own export counts.
DllMainProc ModuleEntryPoint(void* dl) {
    struct link_map* self = nullptr;
    if (dlinfo(dl, RTLD_DI_LINKMAP, &self) != 0 || !self) return nullptr;
    for (const char* name : {"DllMain", "DllEntryPoint"}) {
        void* sym = dlsym(dl, name);
        Dl_info info{};
        if (sym && dladdr(sym, &info) && info.dli_fname && self->l_name && strcmp(info.dli_fname, self->l_name) == 0)
            return reinterpret_cast<DllMainProc>(sym);
    }
    return nullptr;
}

struct Module {
    HMODULE handle = nullptr;
    void* dl = nullptr;
    std::u16string windowsPath;  // the path it was loaded by (a host path when found on the host)
    std::string hostPath;        // canonical host path
    int refs = 0;
    bool pinned = false;  // loaded by the host's own loader: never unloaded here
    bool dataFile = false;
};

struct Modules {
    std::recursive_mutex lock;  // DllMain may load other modules, as under the Windows loader lock
    std::vector<Module> list;
};

Modules& modules() {
    static Modules* m = new Modules;
    return *m;
}

std::string Canonical(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : path;
}

HMODULE BaseOf(void* dl) {
    struct link_map* map = nullptr;
    if (dlinfo(dl, RTLD_DI_LINKMAP, &map) != 0 || !map) return nullptr;
    // The load address names the module, as a Windows HMODULE is its image base. An image at
    // address 0 (a fixed-address program) gets the classic program base instead.
    ULONG_PTR base = map->l_addr ? map->l_addr : 0x400000;
    return reinterpret_cast<HMODULE>(base);
}

std::string ExeHostPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

Module& ExeModule() {
    Modules& m = modules();
    for (auto& mod : m.list)
        if (mod.pinned && mod.hostPath == ExeHostPath()) return mod;
    Module mod;
    mod.dl = dlopen(nullptr, RTLD_NOW);
    mod.handle = BaseOf(mod.dl);
    mod.hostPath = ExeHostPath();
    mod.windowsPath = HostToWindowsPath(mod.hostPath);
    mod.refs = 1;
    mod.pinned = true;
    m.list.push_back(mod);
    return m.list.back();
}

Module* FindByHandle(HMODULE h) {
    Modules& m = modules();
    if (!h) return &ExeModule();
    for (auto& mod : m.list)
        if (mod.handle == h) return &mod;
    return nullptr;
}

std::u16string BaseName(std::u16string_view path) {
    size_t slash = path.find_last_of(u"\\/");
    return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

// A name without an extension gets ".dll"; a trailing dot means "no extension".
std::u16string WithExtension(std::u16string name) {
    std::u16string base = BaseName(name);
    if (!base.empty() && base.back() == u'.') {
        name.pop_back();
        return name;
    }
    if (base.find(u'.') == std::u16string::npos) name += u".dll";
    return name;
}

Module* FindByName(std::u16string_view name) {
    Modules& m = modules();
    std::u16string want = WithExtension(std::u16string(name));
    bool hasPath = want.find_first_of(u"\\/") != std::u16string::npos;
    std::string host = hasPath ? Canonical(MapPath(want)) : std::string();
    for (auto& mod : m.list) {
        if (hasPath ? mod.hostPath == host : EqualNoCase(BaseName(mod.windowsPath), want)) return &mod;
    }
    return nullptr;
}

bool IsFile(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool LocateSystemModule(const std::u16string& name, std::u16string& windowsPath, std::string& hostPath);
FARPROC ProcByOrdinal(void* dl, WORD ordinal);

// The Windows search order for a bare name: the program's directory, the system directory,
// the Windows directory, the current directory.
bool Locate(const std::u16string& name, std::u16string& windowsPath, std::string& hostPath) {
    if (LocateSystemModule(name, windowsPath, hostPath)) return true;
    if (name.find_first_of(u"\\/") != std::u16string::npos || (name.size() > 1 && name[1] == u':')) {
        windowsPath = name;
        hostPath = MapPath(name);
        return IsFile(hostPath);
    }
    std::string exe = ExeHostPath();
    std::vector<std::u16string> dirs;
    if (!exe.empty()) dirs.push_back(HostToWindowsPath(exe.substr(0, exe.find_last_of('/') + 1)));
    dirs.push_back(u"C:\\Windows\\System32\\");
    dirs.push_back(u"C:\\Windows\\");
    for (const auto& d : dirs) {
        std::u16string candidate = d + name;
        std::string host = MapPath(candidate);
        if (IsFile(host)) {
            windowsPath = candidate;
            hostPath = host;
            return true;
        }
    }
    return false;
}

}  // namespace

// The resource table a module exports, or null.
const ORLA_RESOURCE_TABLE* ResourceTable(HMODULE h) {
    Modules& m = modules();
    std::lock_guard<std::recursive_mutex> g(m.lock);
    Module* mod = FindByHandle(h);
    if (!mod) return nullptr;
    return static_cast<const ORLA_RESOURCE_TABLE*>(dlsym(mod->dl, ORLA_RESOURCE_TABLE_SYMBOL));
}

bool ModuleKnown(HMODULE h) {
    std::lock_guard<std::recursive_mutex> g(modules().lock);
    return FindByHandle(h) != nullptr;
}

}  // namespace plat

using namespace plat;

// A decorated export name ("?name@@...") cannot be an ELF symbol as it stands: a module
// exports it with every character outside [A-Za-z0-9_] written as "_x" and two hex digits.
namespace plat {
std::string EscapedExportName(const char* name) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c; ++c) {
        if ((*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z') || (*c >= '0' && *c <= '9') || *c == '_') {
            out += static_cast<char>(*c);
        } else {
            out += "_x";
            out += kHex[*c >> 4];
            out += kHex[*c & 15];
        }
    }
    return out;
}
}  // namespace plat

extern "C" {

HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE, DWORD dwFlags) {
    std::u16string_view given = View(lpLibFileName);
    if (given.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Modules& m = modules();
    std::lock_guard<std::recursive_mutex> g(m.lock);
    std::u16string name = WithExtension(std::u16string(given));
    if (Module* mod = FindByName(name)) {
        mod->refs++;
        return mod->handle;
    }
    std::u16string windowsPath;
    std::string hostPath;
    if (!Locate(name, windowsPath, hostPath)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::string canonical = Canonical(hostPath);
    for (auto& mod : m.list) {
        if (mod.hostPath == canonical) {
            mod.refs++;
            return mod.handle;
        }
    }
    void* dl = dlopen(hostPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    HMODULE handle = BaseOf(dl);
    // The same image reached by another path (a copy's symlink, or linked by the program).
    for (auto& mod : m.list) {
        if (mod.handle == handle) {
            dlclose(dl);
            mod.refs++;
            return mod.handle;
        }
    }
    Module mod;
    mod.handle = handle;
    mod.dl = dl;
    mod.windowsPath = windowsPath;
    mod.hostPath = canonical;
    mod.refs = 1;
    mod.dataFile =
        (dwFlags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE | DONT_RESOLVE_DLL_REFERENCES)) != 0;
    m.list.push_back(mod);
    if (!mod.dataFile) {
        if (auto entry = ModuleEntryPoint(dl)) {
            if (!entry(reinterpret_cast<HINSTANCE>(handle), DLL_PROCESS_ATTACH, nullptr)) {
                entry(reinterpret_cast<HINSTANCE>(handle), DLL_PROCESS_DETACH, nullptr);
                for (auto it = m.list.begin(); it != m.list.end(); ++it) {
                    if (it->handle == handle) {
                        m.list.erase(it);
                        break;
                    }
                }
                dlclose(dl);
                SetLastError(ERROR_DLL_INIT_FAILED);
                return nullptr;
            }
        }
    }
    return handle;
}

HMODULE LoadLibraryW(LPCWSTR lpLibFileName) {
    return LoadLibraryExW(lpLibFileName, nullptr, 0);
}

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    if (!lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryExW(AnsiToWide(lpLibFileName).c_str(), nullptr, 0);
}

BOOL FreeLibrary(HMODULE hLibModule) {
    Modules& m = modules();
    std::lock_guard<std::recursive_mutex> g(m.lock);
    for (auto it = m.list.begin(); it != m.list.end(); ++it) {
        if (it->handle != hLibModule || !hLibModule) continue;
        if (it->pinned) return TRUE;
        if (--it->refs > 0) return TRUE;
        Module mod = *it;
        m.list.erase(it);
        if (!mod.dataFile) {
            if (auto entry = ModuleEntryPoint(mod.dl))
                entry(reinterpret_cast<HINSTANCE>(mod.handle), DLL_PROCESS_DETACH, nullptr);
        }
        dlclose(mod.dl);
        ForgetSharedIcons(mod.handle);
        return TRUE;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    Modules& m = modules();
    std::lock_guard<std::recursive_mutex> g(m.lock);
    Module* mod = FindByHandle(hModule);
    if (!mod) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (lpProcName && IS_INTRESOURCE(lpProcName) && !mod->dataFile)
        return ProcByOrdinal(mod->dl, LOWORD(reinterpret_cast<ULONG_PTR>(lpProcName)));
    if (!lpProcName || IS_INTRESOURCE(lpProcName) || mod->dataFile) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* p = dlsym(mod->dl, lpProcName);
    if (!p) p = dlsym(mod->dl, plat::EscapedExportName(lpProcName).c_str());
    if (!p) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(p);
}

HMODULE GetModuleHandleW(LPCWSTR lpModuleName) {
    Modules& m = modules();
    std::lock_guard<std::recursive_mutex> g(m.lock);
    if (!lpModuleName) return ExeModule().handle;
    if (IsKernelModuleName(View(lpModuleName))) return KernelModuleHandle();
    if (Module* mod = FindByName(View(lpModuleName))) return mod->handle;
    // A module the program was linked with is loaded without us: find it by its file name.
    std::u16string name = WithExtension(std::u16string(View(lpModuleName)));
    std::string base = Utf16ToUtf8(BaseName(name));
    void* dl = dlopen(base.c_str(), RTLD_NOLOAD | RTLD_LAZY);
    if (dl) {
        HMODULE handle = BaseOf(dl);
        for (auto& mod : m.list) {
            if (mod.handle == handle) {
                dlclose(dl);
                return handle;
            }
        }
        Module mod;
        mod.handle = handle;
        mod.dl = dl;
        struct link_map* map = nullptr;
        dlinfo(dl, RTLD_DI_LINKMAP, &map);
        mod.hostPath = Canonical(map && map->l_name ? map->l_name : base);
        mod.windowsPath = HostToWindowsPath(mod.hostPath);
        mod.refs = 1;
        mod.pinned = true;
        m.list.push_back(mod);
        return handle;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    Modules& m = modules();
    std::lock_guard<std::recursive_mutex> g(m.lock);
    Module* mod = FindByHandle(hModule);
    if (!mod) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::u16string path = mod->windowsPath;
    if (mod == &ExeModule()) HostProgramPath(path);  // the program a test plays, when set
    if (path.size() + 1 > nSize) {
        // Truncated and terminated; the full size is not reported, as on Windows.
        path.copy(lpFilename, nSize - 1);
        lpFilename[nSize - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    path.copy(lpFilename, path.size());
    lpFilename[path.size()] = 0;
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(path.size());
}

BOOL DisableThreadLibraryCalls(HMODULE hLibModule) {
    if (!ModuleKnown(hLibModule) || !hLibModule) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;  // no thread notifications are sent by this loader anyway
}

}  // extern "C"

// ---- Modules of the system itself ----
// "Kernel32.dll" and "spoolss.dll" are the platform layer's own: loaded by their system name
// (bare or in the system directory) they are this library, whose exports carry their entry
// points.
namespace plat {
namespace {

constexpr const char16_t* kSystemModules[] = {u"kernel32.dll", u"spoolss.dll"};
constexpr char16_t kSystemDirectory[] = u"c:\\windows\\system32\\";

std::u16string Lower(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return out;
}

bool LocateSystemModule(const std::u16string& name, std::u16string& windowsPath, std::string& hostPath) {
    std::u16string lower = Lower(name);
    const std::u16string_view dir(kSystemDirectory);
    if (lower.size() > dir.size() && std::u16string_view(lower).substr(0, dir.size()) == dir)
        lower.erase(0, dir.size());
    for (const char16_t* module : kSystemModules) {
        if (lower != module) continue;
        Dl_info self{};
        if (!dladdr(reinterpret_cast<void*>(&LoadLibraryExW), &self) || !self.dli_fname) return false;
        windowsPath = std::u16string(u"C:\\Windows\\System32\\") + module;
        hostPath = self.dli_fname;
        return true;
    }
    return false;
}

}  // namespace
}  // namespace plat

// ---- Entry points by ordinal ----
// A module lists its ordinals in its "OrlaOrdinalTable"; one without the table, or without the
// ordinal in it, has no such entry.
namespace plat {
namespace {

FARPROC ProcByOrdinal(void* dl, WORD ordinal) {
    const auto* table = static_cast<const ORLA_ORDINAL*>(dlsym(dl, ORLA_ORDINAL_TABLE_SYMBOL));
    for (; table && ordinal && table->ordinal; ++table) {
        if (table->ordinal != ordinal || !table->name) continue;
        if (void* p = dlsym(dl, table->name)) return reinterpret_cast<FARPROC>(p);
        break;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

}  // namespace
}  // namespace plat
