// The application process as tests set it: the host program GetModuleFileNameW(NULL) names and
// its version resource, the window station and desktop of the interactive session, and the
// work area of the screen.
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "plat/app_host.h"
#include "plat_internal.h"
#include "win/user.h"
#include "win/user_session.h"
#include "win/version.h"

namespace plat {
namespace {

constexpr char16_t kDefaultStation[] = u"WinSta0";
constexpr char16_t kDefaultDesktop[] = u"Default";
constexpr char16_t kStationType[] = u"WindowStation";
constexpr char16_t kDesktopType[] = u"Desktop";
constexpr LONG kTaskBarHeight = 40;
constexpr DWORD kFixedInfoSignature = 0xFEEF04BD;
constexpr DWORD kFixedInfoVersion = 0x00010000;
constexpr DWORD kFileOsNtWindows32 = 0x00040004;
constexpr DWORD kFileTypeApp = 1;
constexpr char16_t kVersionKey[] = u"VS_VERSION_INFO";

// The handles GetProcessWindowStation and GetThreadDesktop give: one of each per process.
const HANDLE kStationHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x5A0010));
const HANDLE kDesktopHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x5A0020));

struct Session {
    std::mutex lock;
    std::optional<std::u16string> hostProgram;
    std::optional<VS_FIXEDFILEINFO> version;
    std::u16string station = kDefaultStation;
    std::u16string desktop = kDefaultDesktop;
    std::optional<RECT> workArea;
};

Session& session() {
    static Session* s = new Session;
    return *s;
}

void PutWord(std::vector<BYTE>& block, size_t at, WORD value) {
    std::memcpy(block.data() + at, &value, sizeof value);
}

// A version resource holding only its fixed part: the root node "VS_VERSION_INFO" whose value
// is the VS_FIXEDFILEINFO, laid out as the resource compiler lays it out.
std::vector<BYTE> FixedVersionBlock(const VS_FIXEDFILEINFO& info) {
    constexpr size_t kHeader = 3 * sizeof(WORD);
    constexpr size_t kKeyBytes = sizeof kVersionKey;  // with its terminator
    constexpr size_t kValueAt = (kHeader + kKeyBytes + 3) & ~size_t{3};
    std::vector<BYTE> block(kValueAt + sizeof info, 0);
    PutWord(block, 0, static_cast<WORD>(block.size()));
    PutWord(block, 2, static_cast<WORD>(sizeof info));
    PutWord(block, 4, 0);  // binary value
    std::memcpy(block.data() + kHeader, kVersionKey, kKeyBytes);
    std::memcpy(block.data() + kValueAt, &info, sizeof info);
    return block;
}

bool NameInfo(const std::u16string& name, PVOID pvInfo, DWORD nLength, LPDWORD lpnLengthNeeded) {
    const auto bytes = static_cast<DWORD>((name.size() + 1) * sizeof(char16_t));
    if (lpnLengthNeeded) *lpnLengthNeeded = bytes;
    if (pvInfo == nullptr || nLength < bytes) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    std::memcpy(pvInfo, name.c_str(), bytes);
    return true;
}

}  // namespace

bool HostProgramPath(std::u16string& path) {
    Session& s = session();
    std::lock_guard<std::mutex> g(s.lock);
    if (!s.hostProgram) return false;
    path = *s.hostProgram;
    return true;
}

bool HostProgramVersion(LPCWSTR file, std::vector<BYTE>& block) {
    Session& s = session();
    std::lock_guard<std::mutex> g(s.lock);
    if (!s.hostProgram || file == nullptr || !EqualNoCase(View(file), *s.hostProgram)) return false;
    block = s.version ? FixedVersionBlock(*s.version) : std::vector<BYTE>{};
    return true;
}

}  // namespace plat

using namespace plat;

extern "C" {

void PlatSetHostProgram(LPCWSTR windowsPath) {
    Session& s = session();
    std::lock_guard<std::mutex> g(s.lock);
    s.hostProgram = windowsPath ? std::optional<std::u16string>(windowsPath) : std::nullopt;
}

void PlatSetHostProgramVersion(WORD major, WORD minor, WORD build, WORD revision) {
    VS_FIXEDFILEINFO info{};
    info.dwSignature = kFixedInfoSignature;
    info.dwStrucVersion = kFixedInfoVersion;
    info.dwFileVersionMS = info.dwProductVersionMS = MAKELONG(minor, major);
    info.dwFileVersionLS = info.dwProductVersionLS = MAKELONG(revision, build);
    info.dwFileOS = kFileOsNtWindows32;
    info.dwFileType = kFileTypeApp;
    Session& s = session();
    std::lock_guard<std::mutex> g(s.lock);
    s.version = info;
}

void PlatClearHostProgramVersion(void) {
    Session& s = session();
    std::lock_guard<std::mutex> g(s.lock);
    s.version.reset();
}

void PlatSetWindowStationName(LPCWSTR name) {
    Session& s = session();
    std::lock_guard<std::mutex> g(s.lock);
    s.station = name ? name : kDefaultStation;
}

void PlatSetDesktopName(LPCWSTR name) {
    Session& s = session();
    std::lock_guard<std::mutex> g(s.lock);
    s.desktop = name ? name : kDefaultDesktop;
}

void PlatSetWorkArea(const RECT* area) {
    Session& s = session();
    std::lock_guard<std::mutex> g(s.lock);
    s.workArea = area ? std::optional<RECT>(*area) : std::nullopt;
}

HWINSTA GetProcessWindowStation(void) {
    return static_cast<HWINSTA>(kStationHandle);
}

HDESK GetThreadDesktop(DWORD dwThreadId) {
    if (dwThreadId == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HDESK>(kDesktopHandle);
}

BOOL GetUserObjectInformationW(HANDLE hObj, int nIndex, PVOID pvInfo, DWORD nLength, LPDWORD lpnLengthNeeded) {
    const bool station = hObj == kStationHandle, desktop = hObj == kDesktopHandle;
    if (!station && !desktop) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::u16string text;
    if (nIndex == UOI_NAME) {
        Session& s = session();
        std::lock_guard<std::mutex> g(s.lock);
        text = station ? s.station : s.desktop;
    } else if (nIndex == UOI_TYPE) {
        text = station ? kStationType : kDesktopType;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return NameInfo(text, pvInfo, nLength, lpnLengthNeeded) ? TRUE : FALSE;
}

BOOL SystemParametersInfoW(UINT uiAction, UINT /*uiParam*/, PVOID pvParam, UINT /*fWinIni*/) {
    if (uiAction != SPI_GETWORKAREA || pvParam == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (FailNow("SystemParametersInfoW", ERROR_ACCESS_DENIED)) return FALSE;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - kTaskBarHeight};
    {
        Session& s = session();
        std::lock_guard<std::mutex> g(s.lock);
        if (s.workArea) area = *s.workArea;
    }
    std::memcpy(pvParam, &area, sizeof area);
    return TRUE;
}

}  // extern "C"
