// DrvDocumentEvent's two events, and the start of a job: the account pop-up when the printer
// asks for it, then the print-time dialog for a listed application on the interactive desktop
// with the user's switch on, or else the job owner record; last the device context handle.
#include "ui/entry/document_events.h"

#include <cstring>
#include <optional>
#include <string>

#include "ui/entry/document_event_support.h"
#include "ui/entry/printer_data_store.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/version.h"

namespace orla {
namespace {

// Accepted versions, as dwFileVersionMS ranges (major in the high word, minor in the low).
struct VersionRange {
    DWORD low;
    DWORD high;
};
constexpr DWORD FileVersion(WORD major, WORD minor) {
    return (DWORD{major} << 16) | minor;
}
constexpr VersionRange Majors(WORD low, WORD high) {
    return {FileVersion(low, 0), FileVersion(high, 0xFFFF)};
}
constexpr VersionRange kAnyVersion{0, 0xFFFFFFFF};
constexpr VersionRange kNoVersion{1, 0};  // an empty range

struct HostApplication {
    std::u16string_view name;
    VersionRange accepted;
    VersionRange alsoAccepted;
    bool viewer;  // the viewer family: its jobs follow the viewer rule of the dialog
};
constexpr HostApplication kHostApplications[] = {
    {u"WINWORD.EXE", Majors(7, 10), kNoVersion, false},
    {u"EXCEL.EXE", Majors(7, 10), kNoVersion, false},
    {u"POWERPNT.EXE", Majors(7, 10), kNoVersion, false},
    {u"MSACCESS.EXE", Majors(7, 10), kNoVersion, false},
    {u"WORDPRO.EXE", Majors(97, 98), kNoVersion, false},
    {u"123W.EXE", Majors(6, 9), kNoVersion, false},
    {u"F32MAIN.EXE", Majors(97, 97), Majors(9, 9), false},
    {u"PM65J.EXE", kAnyVersion, kNoVersion, false},
    {u"PM70J.EXE", kAnyVersion, kNoVersion, false},
    {u"ACROBAT.EXE", Majors(5, 6), kNoVersion, false},
    {u"ACRORD32.EXE", Majors(4, 6), kNoVersion, false},
    {u"TARO10.EXE", kAnyVersion, kNoVersion, false},
    {u"TARO11.EXE", kAnyVersion, kNoVersion, false},
    {u"TARO12.EXE", kAnyVersion, kNoVersion, false},
    {u"TARO13.EXE", kAnyVersion, kNoVersion, false},
    {u"WORDPAD.EXE", kAnyVersion, kNoVersion, false},
    {u"PELTDESK.EXE", Majors(3, 5), kNoVersion, true},
    {u"PELTSHOW.EXE", Majors(3, 5), kNoVersion, true},
    {u"PELTPEEK.EXE", Majors(3, 5), kNoVersion, true},
    {u"PELTSAFE.EXE", Majors(3, 5), kNoVersion, true},
    {u"IEXPLORE.EXE", {FileVersion(5, 50), FileVersion(6, 0xFFFF)}, kNoVersion, false},
};
static_assert(std::size(kHostApplications) == 21);

// The interactive window station and desktop.
constexpr char16_t kInteractiveStation[] = u"WinSta0";
constexpr char16_t kInteractiveDesktop[] = u"Default";
constexpr DWORD kObjectNameChars = 256;

bool Within(VersionRange range, DWORD version) {
    return range.low <= version && version <= range.high;
}

char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

const HostApplication* FindHostApplication(std::u16string_view fileName) {
    for (const HostApplication& app : kHostApplications)
        if (EqualNoCase(app.name, fileName)) return &app;
    return nullptr;
}

// dwFileVersionMS of the file's version resource; none when it has none or cannot be read.
std::optional<DWORD> ReadFileVersion(const DocumentEventSystem& system, LPCWSTR path) {
    DWORD handle = 0;
    const DWORD size = system.getFileVersionInfoSize(path, &handle);
    if (size == 0) return std::nullopt;
    GlobalHeld<BYTE> block(static_cast<BYTE*>(GlobalAlloc(GPTR, size)));
    if (!block || !system.getFileVersionInfo(path, handle, size, block.get())) return std::nullopt;
    LPVOID value = nullptr;
    UINT length = 0;
    if (!system.verQueryValue(block.get(), u"\\", &value, &length) || value == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    return static_cast<const VS_FIXEDFILEINFO*>(value)->dwFileVersionMS;
}

// The name of a window station or desktop.
std::u16string ObjectName(const DocumentEventSystem& system, HANDLE object) {
    if (object == nullptr) return {};
    WCHAR name[kObjectNameChars] = {};
    DWORD needed = 0;
    if (!system.getUserObjectInformation(object, UOI_NAME, name, sizeof name - sizeof(WCHAR), &needed))
        return {};
    return std::u16string(name);
}

std::optional<DWORD> ReadUserDword(HKEY root, const std::u16string& path, LPCWSTR name) {
    HKEY key = nullptr;
    if (path.empty() || RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    RegKeyHeld held(key);
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
        return std::nullopt;
    }
    return value;
}

// The printer asks for an account before each job when "DAT_Jba_Type" reads 0, from the user's
// account key or the printer data as "DAT_Account_Mode" says. Unreadable: no pop-up.
bool AccountPopupWanted(HANDLE hPrinter) {
    const DWORD mode = ReadPrinterDword(hPrinter, u"DAT_Account_Mode").value_or(kFlags2AccountPerUser);
    const std::optional<DWORD> type = (mode & kFlags2AccountPerUser)
                                          ? ReadUserDword(HKEY_CURRENT_USER, AccountKeyPath(hPrinter), u"DAT_Jba_Type")
                                          : ReadPrinterDword(hPrinter, u"DAT_Jba_Type");
    return type && *type == 0;
}

}  // namespace

HostVerdict JudgeHostApplication(std::u16string_view fileName, const DWORD* fileVersionMS) {
    const HostApplication* app = FindHostApplication(fileName);
    // A listed host whose version cannot be read counts as not listed.
    if (app == nullptr || fileVersionMS == nullptr) return {false, false};
    const bool accepted = Within(app->accepted, *fileVersionMS) || Within(app->alsoAccepted, *fileVersionMS);
    return {accepted, app->viewer};
}

HostVerdict CheckHostApplication(const DocumentEventSystem& system) {
    WCHAR path[MAX_PATH] = {};
    const DWORD length = system.getModuleFileName(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {false, false};
    const std::u16string_view whole(path, length);
    const size_t slash = whole.find_last_of(u'\\');
    const std::u16string_view fileName = slash == std::u16string_view::npos ? whole : whole.substr(slash + 1);
    if (FindHostApplication(fileName) == nullptr) return {false, false};
    const std::optional<DWORD> version = ReadFileVersion(system, path);
    return JudgeHostApplication(fileName, version ? &*version : nullptr);
}

bool IsInteractiveDesktop(const DocumentEventSystem& system) {
    return EqualNoCase(ObjectName(system, system.getProcessWindowStation()), kInteractiveStation) &&
           EqualNoCase(ObjectName(system, system.getThreadDesktop(GetCurrentThreadId())), kInteractiveDesktop);
}

DWORD ReadMopyingUiOpen(HANDLE hPrinter) {
    const std::u16string path = PerUserKeyPath(hPrinter, kMopyingKey);
    if (path.empty()) return 0;
    if (std::optional<DWORD> value = ReadUserDword(HKEY_CURRENT_USER, path, kMopyingUiOpen)) return *value;
    return ReadPrinterDword(hPrinter, kMopyingUiOpen).value_or(0);
}

BOOL WriteMopyingUiOpen(HANDLE hPrinter, DWORD value) {
    const std::u16string path = PerUserKeyPath(hPrinter, kMopyingKey);
    if (path.empty()) return FALSE;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return FALSE;
    }
    RegKeyHeld held(key);
    return RegSetValueExW(key, kMopyingUiOpen, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

LONG HandleStartDocPost(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc, DWORD jobId) {
    LONG result = kDocumentEventSuccess;
    bool show = ReadMopyingUiOpen(hPrinter) != 0;
    if (AccountPopupWanted(hPrinter) && !HandleAccountPopup(system, hPrinter, hdc, jobId))
        result = kDocumentEventFailure;
    bool viewer = false;
    if (show) {
        const HostVerdict host = CheckHostApplication(system);
        show = host.dialog && IsInteractiveDesktop(system);
        viewer = host.viewer;
    }
    const BOOL sent = show ? ShowJobSettingsAtStartDoc(system, hPrinter, hdc, jobId, viewer ? TRUE : FALSE)
                           : SendJobOwnerSilently(system, hPrinter, hdc, jobId);
    if (!sent) result = kDocumentEventFailure;
    // The graphics DLL hands this handle value to the stamp-drawing library for its band stamps.
    const DWORD dcValue = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hdc));
    if (!SendRecordEscape(system, hdc, kEscapeSetDcHandle, &dcValue, sizeof dcValue)) return kDocumentEventFailure;
    return result;
}

LONG HandleDocumentEvent(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc, int iEsc, ULONG cbIn, PVOID pvIn,
                         ULONG /*cbOut*/, PVOID /*pvOut*/) {
    switch (iEsc) {
        case kDocumentEventEndPage:
            return HandleEndPage(system, hPrinter, hdc);
        case kDocumentEventStartDocPost: {
            // The job id is the event's input; one too short to hold it is no job id.
            if (hPrinter == nullptr || hdc == nullptr || pvIn == nullptr || cbIn < sizeof(DWORD))
                return kDocumentEventFailure;
            DWORD jobId = 0;
            std::memcpy(&jobId, pvIn, sizeof jobId);
            return HandleStartDocPost(system, hPrinter, hdc, jobId);
        }
        default:
            return kDocumentEventSuccess;
    }
}

}  // namespace orla
