// Fuzz target: the document events with a job whose document name and settings record are any
// bytes, a host program of any name and version, and a graphics DLL whose escapes answer any
// result and any stamp records (numbers, texts without terminators, choices, placements). The
// user's stored stamps are any bytes too. Nothing is read or written outside the buffers given;
// the event answers 1 or -1.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/driver_devmode.h"
#include "core/stamp_record.h"
#include "fuzz/fuzz_input.h"
#include "ui/entry/document_event_system.h"
#include "ui/entry/document_events.h"
#include "ui_fuzz_printer.h"
#include "win/registry.h"
#include "win/version.h"

namespace {

constexpr size_t kMaxDevmodeBytes = 16384;
constexpr size_t kStampRecords = 3;

void Check(bool ok) {
    if (!ok) std::abort();
}

// What the current input makes the application and the graphics DLL answer.
struct Script {
    std::u16string hostPath;
    DWORD version = 0;
    bool hasVersion = false;
    bool interactive = false;
    int answers[8] = {};
    BYTE records[kStampRecords][orla::kStampRecordSize] = {};
    size_t escapes = 0;
};
Script g_script;

int APIENTRY Escape(HDC, int, int cbInput, LPCSTR input, int cbOutput, LPSTR output) {
    // Every byte the driver hands over is readable, every byte it asks for writable.
    volatile BYTE sink = 0;
    for (int i = 0; i < cbInput; ++i) sink = sink + static_cast<BYTE>(input[i]);
    const size_t call = g_script.escapes++;
    if (output != nullptr && cbOutput > 0) {
        Check(cbOutput == static_cast<int>(orla::kStampRecordSize));
        std::memcpy(output, g_script.records[call % kStampRecords], orla::kStampRecordSize);
    }
    return g_script.answers[call % std::size(g_script.answers)];
}
HDC APIENTRY Reset(HDC hdc, const DEVMODEW* devmode) {
    Check(devmode->dmSize + devmode->dmDriverExtra == orla::kDriverDevmodeSize);
    return g_script.answers[0] > 0 ? hdc : nullptr;
}
DWORD APIENTRY ModuleName(HMODULE, LPWSTR name, DWORD cch) {
    const size_t n = std::min<size_t>(g_script.hostPath.size(), cch - 1);
    g_script.hostPath.copy(name, n);
    name[n] = 0;
    return static_cast<DWORD>(n);
}
DWORD APIENTRY VersionSize(LPCWSTR, LPDWORD handle) {
    *handle = 0;
    return g_script.hasVersion ? sizeof(VS_FIXEDFILEINFO) : 0;
}
BOOL APIENTRY VersionInfo(LPCWSTR, DWORD, DWORD size, LPVOID data) {
    Check(size >= sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed{};
    fixed.dwFileVersionMS = g_script.version;
    std::memcpy(data, &fixed, sizeof fixed);
    return TRUE;
}
BOOL APIENTRY QueryValue(LPCVOID block, LPCWSTR, LPVOID* value, UINT* length) {
    *value = const_cast<LPVOID>(block);
    *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}
HWINSTA APIENTRY Station(void) {
    return reinterpret_cast<HWINSTA>(1);
}
HDESK APIENTRY Desktop(DWORD) {
    return reinterpret_cast<HDESK>(2);
}
BOOL APIENTRY ObjectName(HANDLE object, int, PVOID info, DWORD cbInfo, LPDWORD needed) {
    const std::u16string name = !g_script.interactive ? u"Service-0x0-3e7$"
                                : object == static_cast<HANDLE>(Station()) ? u"WinSta0"
                                                      : u"Default";
    const DWORD bytes = static_cast<DWORD>(2 * (name.size() + 1));
    *needed = bytes;
    if (cbInfo < bytes) return FALSE;
    std::memcpy(info, name.c_str(), bytes);
    return TRUE;
}
BOOL APIENTRY Parameters(UINT, UINT, PVOID, UINT) {
    return FALSE;
}
BOOL Dialog(orla::UiContext* context) {
    return context != nullptr;
}
INT_PTR Popup(orla::UiContext* context) {
    return context != nullptr && g_script.answers[1] > 0;
}

constexpr orla::DocumentEventSystem kSystem{Escape,  Reset,   ModuleName, VersionSize, VersionInfo, QueryValue,
                                            Station, Desktop, ObjectName, Parameters,  Dialog,      Popup};

constexpr const char16_t* kHosts[] = {u"C:\\Office\\EXCEL.EXE", u"C:\\IE\\IEXPLORE.EXE", u"C:\\Viewer\\PELTDESK.EXE",
                                      u"C:\\Windows\\NOTEPAD.EXE", u"WORDPAD.EXE"};

// A value of the user's keys and the printer data, any type and bytes.
void PutValues(FuzzInput& in, HANDLE printer) {
    const BYTE switches = in.Take<BYTE>();
    const DWORD uiOpen = switches & 1;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\QEV\\MOPYING\\Fuzz", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(key, u"MOPYING_UIOpen", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&uiOpen), sizeof uiOpen);
        RegCloseKey(key);
    }
    DWORD mode = (switches & 2) ? 0 : 0x100000, type = (switches & 4) ? 0 : 0x200000;
    SetPrinterDataW(printer, const_cast<LPWSTR>(u"DAT_Account_Mode"), REG_DWORD, reinterpret_cast<BYTE*>(&mode), 4);
    SetPrinterDataW(printer, const_cast<LPWSTR>(u"DAT_Jba_Type"), REG_DWORD, reinterpret_cast<BYTE*>(&type), 4);
    // Stored stamps and the pop-up's memory: any bytes.
    const WORD stampBytes = in.Take<WORD>() % 2400;
    std::vector<BYTE> stamps(stampBytes);
    for (BYTE& b : stamps) b = in.Take<BYTE>();
    if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\QEV\\STAMP\\Fuzz", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(key, u"STAMP_Info", 0, REG_BINARY, stamps.data(), static_cast<DWORD>(stamps.size()));
        RegCloseKey(key);
    }
    const BYTE popupBytes = in.Take<BYTE>() % 96;
    std::vector<BYTE> popup(popupBytes);
    for (BYTE& b : popup) b = in.Take<BYTE>();
    SetPrinterDataW(printer, const_cast<LPWSTR>(u"DAT_Pop_UserID"), REG_BINARY, popup.data(),
                    static_cast<DWORD>(popup.size()));
}

// A job of the printer with the input's document name and settings record (the buffer as long as
// the record says, or as the bytes given, when longer).
DWORD StartJob(FuzzInput& in, HANDLE* jobPrinter) {
    const WORD nameChars = in.Take<WORD>() % 300;
    std::u16string document;
    for (WORD i = 0; i < nameChars; ++i) document.push_back(static_cast<char16_t>(in.Take<WORD>() | 1));
    const size_t given = std::min<size_t>(in.Take<WORD>(), kMaxDevmodeBytes);
    std::vector<BYTE> settings(std::max(given, sizeof(DEVMODEW)), 0);
    for (size_t i = 0; i < given; ++i) settings[i] = in.Take<BYTE>();
    DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(settings.data());
    // The spooler keeps a DEVMODE only as long as it says it is: one too short to hold its own
    // size fields is no DEVMODE at all.
    dm->dmSize = std::min<WORD>(std::max<WORD>(dm->dmSize, 72), sizeof(DEVMODEW));
    settings.resize(std::max(settings.size(), size_t{dm->dmSize} + dm->dmDriverExtra), 0);
    dm = reinterpret_cast<DEVMODEW*>(settings.data());
    PRINTER_DEFAULTSW defaults{nullptr, dm, PRINTER_ACCESS_USE};
    if (!OpenPrinterW(const_cast<LPWSTR>(u"Fuzz"), jobPrinter, &defaults)) return 0;
    DOC_INFO_1W doc{document.data(), nullptr, const_cast<LPWSTR>(u"RAW")};
    return StartDocPrinterW(*jobPrinter, 1, reinterpret_cast<LPBYTE>(&doc));
}

// The stamp-drawing library beside the graphics DLL, loaded once and kept (its coverage counters
// must outlive the driver's load and free around each stamp).
void InstallStampLibrary() {
    static const bool installed = [] {
        const std::string bin = std::getenv("ORLA_BIN_DIR") ? std::getenv("ORLA_BIN_DIR") : ORLA_BIN_DIR_DEFAULT;
        const std::u16string path = std::u16string(PlatDriverDirectory()) + u"\\Garnith.dll";
        if (!PlatCopyIntoSandbox((bin + "/Garnith.dll").c_str(), path.c_str())) return false;
        return LoadLibraryW(path.c_str()) != nullptr;
    }();
    (void)installed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HANDLE printer = FuzzSamplePrinter("docevents");
    InstallStampLibrary();
    FuzzInput in{data, size};
    g_script = Script{};
    g_script.hostPath = kHosts[in.Take<BYTE>() % std::size(kHosts)];
    g_script.hasVersion = in.Take<BYTE>() & 1;
    g_script.version = in.Take<DWORD>();
    g_script.interactive = in.Take<BYTE>() & 1;
    for (int& answer : g_script.answers) answer = static_cast<signed char>(in.Take<BYTE>());
    for (auto& record : g_script.records) {
        for (BYTE& b : record) b = in.Take<BYTE>();
    }
    PutValues(in, printer);
    HANDLE jobPrinter = nullptr;
    DWORD jobId = StartJob(in, &jobPrinter);

    static const HDC dc = reinterpret_cast<HDC>(0x77);
    const LONG start = orla::HandleDocumentEvent(kSystem, printer, dc, orla::kDocumentEventStartDocPost, sizeof jobId,
                                                 &jobId, 0, nullptr);
    Check(start == 1 || start == -1);
    for (int page = 0; page < 2; ++page) {
        const LONG end =
            orla::HandleDocumentEvent(kSystem, printer, dc, orla::kDocumentEventEndPage, 0, nullptr, 0, nullptr);
        Check(end == 1 || end == -1);
    }
    if (jobPrinter != nullptr) {
        AbortPrinter(jobPrinter);
        ClosePrinter(jobPrinter);
    }
    return 0;
}
