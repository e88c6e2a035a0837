// The job owner record: document, user and computer names, and the owner string and host address
// that the owner-string library "Sundrake.dll" (beside the graphics DLL) encodes.
#include "ui/entry/job_owner.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "ui/entry/ansi_text.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/spool.h"

namespace orla {
namespace {

// The owner-string library's entry points.
typedef int(APIENTRY* OwnerFromInputFn)(WORD kind, LPCSTR ownerInput, WORD pagesPerSheet, WORD trayCode, BYTE* out,
                                        DWORD* length, DWORD* extra);
typedef int(APIENTRY* OwnerFromUserHostFn)(WORD kind, WORD pagesPerSheet, WORD trayCode, BYTE* out, DWORD* length,
                                           DWORD* extra);
typedef int(APIENTRY* HostAddressFn)(char* out, DWORD* length, DWORD* extra);

constexpr WORD kOwnerStringKind = 3;
constexpr DWORD kOwnerOutputSize = 65;
constexpr DWORD kHostAddressSize = 33;
constexpr DWORD kOwnerHeaderBytes = 6;  // the library's output bytes before the owner string
constexpr int kOwnerInputBytes = 64;
constexpr int kDocumentNameBytes = 64;  // with its terminator

struct TrayCode {
    std::u16string_view slot;
    WORD code;
};
constexpr TrayCode kTrayCodes[] = {
    {u"FEEDER1", 1},  {u"FEEDER2", 2}, {u"FEEDER3", 6}, {u"FEEDER4", 7},
    {u"FEEDER5", 11}, {u"MSF", 11},    {u"MANUAL", 8},  {u"MP", 11},
};

// The library lives for one record build; its entries are bound on first use.
class OwnerLibrary {
public:
    explicit OwnerLibrary(HANDLE hPrinter) : module_(LoadOwnerDll(hPrinter)) {}
    ~OwnerLibrary() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    OwnerLibrary(const OwnerLibrary&) = delete;
    OwnerLibrary& operator=(const OwnerLibrary&) = delete;

    template <class Fn>
    Fn GetOwnerDllProc(const char* name) const {
        if (module_ == nullptr) return nullptr;
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)(void)>(GetProcAddress(module_, name)));
    }

private:
    // "Sundrake.dll" in the directory of the graphics DLL (the driver path of the printer's
    // driver information, its file name replaced).
    static HMODULE LoadOwnerDll(HANDLE hPrinter) {
        DWORD needed = 0;
        GetPrinterDriverW(hPrinter, nullptr, 3, nullptr, 0, &needed);
        if (needed == 0) return nullptr;
        std::vector<BYTE> buffer(needed);
        if (!GetPrinterDriverW(hPrinter, nullptr, 3, buffer.data(), needed, &needed)) return nullptr;
        const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
        if (info->pDriverPath == nullptr) return nullptr;
        std::u16string path(info->pDriverPath);
        const size_t slash = path.find_last_of(u"\\/");
        path = (slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1)) + u"Sundrake.dll";
        return LoadLibraryW(path.c_str());
    }

    HMODULE module_;
};

// GetJobW level 2, or a zeroed record when the job cannot be read.
std::vector<BYTE> JobInformation(HANDLE hPrinter, DWORD jobId) {
    std::vector<BYTE> zeroed(sizeof(JOB_INFO_2W), 0);
    DWORD needed = 0;
    GetJobW(hPrinter, jobId, 2, nullptr, 0, &needed);
    if (needed < sizeof(JOB_INFO_2W)) return zeroed;
    std::vector<BYTE> buffer(needed);
    if (!GetJobW(hPrinter, jobId, 2, buffer.data(), needed, &needed)) return zeroed;
    return buffer;
}

void FillNames(JobOwnerRecord* record) {
    char user[257] = {};
    DWORD size = sizeof user;
    if (GetUserNameA(user, &size)) {
        user[sizeof user - 1] = '\0';
        const int keep = WholeCharacterBytes(user, static_cast<int>(std::strlen(user)), sizeof record->userName - 1);
        std::memcpy(record->userName, user, static_cast<size_t>(keep));
    }
    ReplaceQuotesDbcs(record->userName);
    DWORD computerSize = sizeof record->computerName;
    if (!GetComputerNameA(record->computerName, &computerSize))
        std::memset(record->computerName, 0, sizeof record->computerName);
    record->computerName[sizeof record->computerName - 1] = '\0';
    ReplaceQuotesDbcs(record->computerName);
}

// The owner string: from the owner input text when the settings ask for it, else from the user
// and host names. The output bytes from the seventh up to the answered length, as hexadecimal.
void FillOwnerString(const OwnerLibrary& library, const DriverDevmode& record, WORD pages, WORD tray,
                     JobOwnerRecord* out) {
    BYTE output[kOwnerOutputSize] = {};
    DWORD length = kOwnerOutputSize;
    DWORD extra = 0;
    int ok = 0;
    if (Get(record, dm::Flags1) & kFlags1OwnerText) {
        auto fn = library.GetOwnerDllProc<OwnerFromInputFn>("DHGetVJCLStringOfJobOwnerFromInputA");
        if (fn == nullptr) return;
        const std::u16string text = GetText(RecordBytes(record), dm::OwnerInputText);
        char input[kOwnerInputBytes + 1] = {};
        ToAnsiCut(reinterpret_cast<LPCWSTR>(text.c_str()), input, sizeof input);
        ok = fn(kOwnerStringKind, input, pages, tray, output, &length, &extra);
    } else {
        auto fn = library.GetOwnerDllProc<OwnerFromUserHostFn>("DHGetVJCLStringOfJobOwnerStringFromUserHostName");
        if (fn == nullptr) return;
        ok = fn(kOwnerStringKind, pages, tray, output, &length, &extra);
    }
    if (!ok) return;
    // A length beyond the buffer the library was given would read past it.
    length = std::min(length, kOwnerOutputSize);
    char* hex = out->ownerString;
    for (DWORD i = kOwnerHeaderBytes; i < length; ++i, hex += 2) std::snprintf(hex, 3, "%02X", output[i]);
}

void FillHostAddress(const OwnerLibrary& library, JobOwnerRecord* out) {
    auto fn = library.GetOwnerDllProc<HostAddressFn>("DHGetVJCLStringOfHostAddress");
    if (fn == nullptr) return;
    char address[kHostAddressSize + 1] = {};
    DWORD length = kHostAddressSize;
    DWORD extra = 0;
    if (!fn(address, &length, &extra)) return;
    address[kHostAddressSize] = '\0';
    std::memcpy(out->hostAddress, address, std::strlen(address));
}

}  // namespace

void ReplaceQuotesDbcs(char* text) {
    if (text == nullptr) return;
    for (size_t i = 0; text[i] != '\0'; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i]))) {
            if (text[i + 1] == '\0') break;
            ++i;  // the trail byte may look like any character
        } else if (text[i] == '"') {
            text[i] = ' ';
        }
    }
}

WORD OwnerTrayCode(const CompiledDeviceData* deviceData, SHORT defaultSource) {
    if (deviceData == nullptr) return 0;
    std::u16string_view name;
    for (const NamedValueEntry& slot : InputSlots(deviceData)) {
        if (static_cast<WORD>(slot.value) == static_cast<WORD>(defaultSource)) {
            name = slot.name;
            break;
        }
    }
    if (name.empty()) {
        auto fallback = DefaultInputSlot(deviceData);
        if (!fallback) return 0;
        name = fallback->name;
    }
    for (const TrayCode& t : kTrayCodes)
        if (t.slot == name) return t.code;
    return 0;
}

WORD OwnerPagesPerSheet(const DriverDevmode& record) {
    const std::u16string form = GetText(RecordBytes(record), dm::FormName);
    if (form == u"A4x2->A4" || form == u"B5x2->B5") return 2;
    return Get(record, dm::LayoutMode);
}

BOOL BuildJobOwnerRecord(HANDLE hPrinter, DWORD jobId, const DriverDevmode* devmode, JobOwnerRecord* record) {
    if (record == nullptr) return FALSE;
    std::vector<BYTE> job;
    if (jobId != 0) job = JobInformation(hPrinter, jobId);
    std::memset(record, 0, sizeof *record);
    const auto* info = job.empty() ? nullptr : reinterpret_cast<const JOB_INFO_2W*>(job.data());
    if (info != nullptr && info->pDocument != nullptr) {
        ToAnsiCut(info->pDocument, record->documentName, kDocumentNameBytes);
        ReplaceQuotesDbcs(record->documentName);
    }
    FillNames(record);
    if (devmode == nullptr) return TRUE;

    const CompiledDeviceData* deviceData = GetDeviceData(hPrinter);
    const WORD tray = OwnerTrayCode(deviceData, Get(*devmode, dm::DefaultSource));
    if (deviceData != nullptr) ReleaseDeviceData(deviceData);
    const WORD pages = OwnerPagesPerSheet(*devmode);
    const OwnerLibrary library(hPrinter);
    FillOwnerString(library, *devmode, pages, tray, record);
    FillHostAddress(library, record);
    return TRUE;
}

}  // namespace orla
