// Shared pieces of the spooler's client side: printer handles, the registry layout the
// spooler keeps its printers, drivers and forms in, and the buffer packer of the two-call
// protocol (fixed records first, their strings after them in the caller's buffer).
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "handle_table.h"
#include "win/base.h"
#include "win/kernel.h"
#include "win/registry.h"

namespace plat {

constexpr char16_t kPrintersKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
constexpr char16_t kDriversKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3";
constexpr char16_t kFormsKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Forms";
constexpr char16_t kEnvironment[] = u"Windows NT x86";
constexpr char16_t kDriverRoot[] = u"C:\\Windows\\System32\\spool\\drivers\\w32x86";
constexpr char16_t kSpoolDirectory[] = u"C:\\Windows\\System32\\spool\\PRINTERS";
constexpr char16_t kDriverDataKey[] = u"PrinterDriverData";

struct PrinterHandle : KernelObject {
    std::u16string name;  // as installed; empty for the print server's handle
    bool server = false;
    DWORD access = 0;
    DWORD jobId = 0;  // the document this handle is spooling, or 0
    bool inPage = false;
    DWORD openedJob = 0;  // a "Printer,Job n" handle
    std::string devmode;  // from PRINTER_DEFAULTS, for the jobs of this handle
    void OnLastClose() override;
};

std::shared_ptr<PrinterHandle> GetPrinterHandle(HANDLE h);  // sets ERROR_INVALID_HANDLE
bool IsAdmin(const PrinterHandle& p);

// Registry access of the spooler (HKLM).
struct RegKeyCloser {
    void operator()(HKEY k) const;
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegKeyCloser>;
UniqueKey OpenKey(std::u16string_view path, bool create);
bool ReadString(HKEY key, LPCWSTR value, std::u16string& out);
bool ReadBytes(HKEY key, LPCWSTR value, std::string& out, DWORD* type = nullptr);
DWORD ReadDword(HKEY key, LPCWSTR value, DWORD fallback);
LONG WriteString(HKEY key, LPCWSTR value, std::u16string_view text, DWORD type = REG_SZ);
LONG WriteDword(HKEY key, LPCWSTR value, DWORD v);
LONG DeleteTree(HKEY parent, std::u16string_view sub);

// The installed printer's name as installed, or false when there is none by that name.
bool FindPrinter(std::u16string_view name, std::u16string* installed);
std::u16string PrinterKeyPath(std::u16string_view name);
std::vector<std::u16string> PrinterNames();

// Two-call buffer packing. Measure first (null base), then write.
struct Packer {
    BYTE* base = nullptr;
    DWORD offset = 0;  // end of what is used so far
    LPWSTR Str(std::u16string_view s) {
        offset = (offset + 1) & ~1u;
        DWORD at = offset;
        offset += static_cast<DWORD>((s.size() + 1) * sizeof(WCHAR));
        if (!base) return nullptr;
        LPWSTR p = reinterpret_cast<LPWSTR>(base + at);
        std::memcpy(p, s.data(), s.size() * sizeof(WCHAR));
        p[s.size()] = 0;
        return p;
    }
    // A multi-string: each item terminated, then one more terminator.
    LPWSTR MultiStr(const std::vector<std::u16string>& items) {
        std::u16string joined;
        for (const auto& i : items) joined += i + u'\0';
        return Str(joined);
    }
    void* Bytes(const std::string& b) {
        offset = (offset + 7) & ~7u;
        DWORD at = offset;
        offset += static_cast<DWORD>(b.size());
        if (!base) return nullptr;
        std::memcpy(base + at, b.data(), b.size());
        return base + at;
    }
};

// Packs count records of type Info, each filled by fill(info, packer, index).
template <class Info, class Fill>
BOOL PackRecords(size_t count, Fill fill, LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) {
    if (pcReturned) *pcReturned = 0;
    if (!pcbNeeded) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Packer measure;
    measure.offset = static_cast<DWORD>(count * sizeof(Info));
    for (size_t i = 0; i < count; ++i) {
        Info info{};
        fill(info, measure, i);
    }
    *pcbNeeded = measure.offset;
    if (measure.offset > cbBuf || (measure.offset > 0 && !buffer)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    Packer write;
    write.base = buffer;
    write.offset = static_cast<DWORD>(count * sizeof(Info));
    for (size_t i = 0; i < count; ++i) {
        Info info{};
        fill(info, write, i);
        std::memcpy(buffer + i * sizeof(Info), &info, sizeof(Info));
    }
    if (pcReturned) *pcReturned = static_cast<DWORD>(count);
    return TRUE;
}

// Jobs (spool_jobs.cpp). Ending a job printed to a file copies it there; false when that fails.
bool EndJobOfHandle(PrinterHandle& p);
DWORD JobCount(std::u16string_view printer);
void DropJobs();
void DropJobsOf(std::u16string_view printer);  // PRINTER_CONTROL_PURGE

// A port's transceive channel (",XcvPort <name>"); only standard TCP/IP ports have one.
struct XcvPortHandle : KernelObject {
    std::u16string port;
};
HANDLE OpenXcvPort(std::u16string_view port);
bool CloseXcvPort(HANDLE h);  // false: not a transceive handle
std::u16string StandardTcpPortHost(const std::u16string& port);

}  // namespace plat
