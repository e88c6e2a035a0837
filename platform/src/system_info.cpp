// System facts the driver reads (version, names, locale, time, GUIDs, environment) and the
// Windows, system and temporary directories. Tests set the facts through plat/control.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>

#include "file_object.h"
#include "plat/control.h"
#include "plat_internal.h"
#include "win/kernel.h"
#include "win/nls.h"

namespace {

constexpr DWORD kBufferOverflow = 111;  // ERROR_BUFFER_OVERFLOW

struct Facts {
    std::mutex lock;
    DWORD major = 6, minor = 1, build = 7601, platformId = VER_PLATFORM_WIN32_NT;
    std::u16string computer = u"ORLA-PC";
    std::u16string user = u"orla";
    std::optional<SYSTEMTIME> localTime;
    std::optional<GUID> nextGuid;
};

Facts& facts() {
    static Facts* f = new Facts;
    return *f;
}

// A fact a test sets, or clears back to the machine's own with null.
template <class T>
void SetOrClear(std::optional<T>& fact, const T* value) {
    std::lock_guard<std::mutex> g(facts().lock);
    if (value)
        fact = *value;
    else
        fact.reset();
}

std::u16string UserName() {
    std::lock_guard<std::mutex> g(facts().lock);
    return facts().user;
}

std::u16string TempDirectory() {
    return u"C:\\Users\\" + UserName() + u"\\AppData\\Local\\Temp\\";
}

ULONGLONG Ft(const FILETIME& ft) {
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
FILETIME ToFt(ULONGLONG v) {
    return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

// Days from 1970-01-01 for a civil date, and back (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long* y, unsigned* m, unsigned* d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<long long>(yoe) + era * 400 + (*m <= 2);
}

// Offset of local time from UTC in 100 ns units (the host's time zone).
long long LocalBias() {
    time_t now = time(nullptr);
    struct tm tm;
    localtime_r(&now, &tm);
    return static_cast<long long>(tm.tm_gmtoff) * 10000000ll;
}

ULONGLONG HostNowFileTime() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return plat::HostTimeToFileTime(ts.tv_sec, ts.tv_nsec);
}

template <class Ch>
BOOL CopyName(std::basic_string<Ch> name, Ch* buffer, LPDWORD size, bool countTerminator, DWORD tooSmallError) {
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!buffer || *size < name.size() + 1) {
        *size = static_cast<DWORD>(name.size() + 1);
        SetLastError(tooSmallError);
        return FALSE;
    }
    name.copy(buffer, name.size());
    buffer[name.size()] = 0;
    *size = static_cast<DWORD>(name.size() + (countTerminator ? 1 : 0));
    return TRUE;
}

}  // namespace

extern "C" {

void PlatSetWindowsVersion(DWORD major, DWORD minor, DWORD build, DWORD platformId) {
    std::lock_guard<std::mutex> g(facts().lock);
    facts().major = major;
    facts().minor = minor;
    facts().build = build;
    facts().platformId = platformId;
}

void PlatSetComputerName(LPCWSTR name) {
    std::lock_guard<std::mutex> g(facts().lock);
    facts().computer = name ? name : u"ORLA-PC";
}

void PlatSetUserName(LPCWSTR name) {
    std::lock_guard<std::mutex> g(facts().lock);
    facts().user = name ? name : u"orla";
}

void PlatSetLocalTime(const SYSTEMTIME* time) {
    SetOrClear(facts().localTime, time);
}

void PlatSetNextGuid(const GUID* guid) {
    SetOrClear(facts().nextGuid, guid);
}

BOOL GetVersionExW(LPOSVERSIONINFOW info) {
    // OSVERSIONINFOW or OSVERSIONINFOEXW (284 bytes); other sizes are refused as on Windows.
    if (!info || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW) && info->dwOSVersionInfoSize != 284)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(facts().lock);
    info->dwMajorVersion = facts().major;
    info->dwMinorVersion = facts().minor;
    info->dwBuildNumber = facts().build;
    info->dwPlatformId = facts().platformId;
    std::u16string sp = facts().build == 7601 ? u"Service Pack 1" : u"";
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    sp.copy(info->szCSDVersion, sp.size());
    return TRUE;
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    if (!info || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) && info->dwOSVersionInfoSize != 156)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    OSVERSIONINFOW w;
    w.dwOSVersionInfoSize = sizeof w;
    GetVersionExW(&w);
    info->dwMajorVersion = w.dwMajorVersion;
    info->dwMinorVersion = w.dwMinorVersion;
    info->dwBuildNumber = w.dwBuildNumber;
    info->dwPlatformId = w.dwPlatformId;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    std::string sp = plat::WideToAnsi(w.szCSDVersion);
    sp.copy(info->szCSDVersion, std::min<size_t>(sp.size(), 127));
    return TRUE;
}

BOOL GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize) {
    std::u16string name;
    {
        std::lock_guard<std::mutex> g(facts().lock);
        name = facts().computer;
    }
    return CopyName(name, lpBuffer, nSize, false, kBufferOverflow);
}

BOOL GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize) {
    std::u16string name;
    {
        std::lock_guard<std::mutex> g(facts().lock);
        name = facts().computer;
    }
    return CopyName(plat::WideToAnsi(name), lpBuffer, nSize, false, kBufferOverflow);
}

BOOL GetUserNameW(LPWSTR lpBuffer, LPDWORD pcbBuffer) {
    return CopyName(UserName(), lpBuffer, pcbBuffer, true, ERROR_INSUFFICIENT_BUFFER);
}

BOOL GetUserNameA(LPSTR lpBuffer, LPDWORD pcbBuffer) {
    return CopyName(plat::WideToAnsi(UserName()), lpBuffer, pcbBuffer, true, ERROR_INSUFFICIENT_BUFFER);
}

LCID GetUserDefaultLCID(void) {
    return GetACP() == 932 ? 0x0411 : 0x0409;
}
LANGID GetUserDefaultLangID(void) {
    return static_cast<LANGID>(GetUserDefaultLCID());
}
LANGID GetSystemDefaultLangID(void) {
    return static_cast<LANGID>(GetUserDefaultLCID());
}

// ---- Time ----
BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME st) {
    if (!lpFileTime || !st) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ULONGLONG v = Ft(*lpFileTime);
    if (v >= 0x8000000000000000ull) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ULONGLONG totalMs = v / 10000;
    long long days = static_cast<long long>(totalMs / 86400000ull);
    ULONGLONG msOfDay = totalMs % 86400000ull;
    long long y;
    unsigned m, d;
    CivilFromDays(days + DaysFromCivil(1601, 1, 1), &y, &m, &d);
    st->wYear = static_cast<WORD>(y);
    st->wMonth = static_cast<WORD>(m);
    st->wDay = static_cast<WORD>(d);
    // 1601-01-01 was a Monday.
    st->wDayOfWeek = static_cast<WORD>((days + 1) % 7);
    st->wHour = static_cast<WORD>(msOfDay / 3600000);
    st->wMinute = static_cast<WORD>(msOfDay / 60000 % 60);
    st->wSecond = static_cast<WORD>(msOfDay / 1000 % 60);
    st->wMilliseconds = static_cast<WORD>(msOfDay % 1000);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME lpFileTime) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (!st || !lpFileTime || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 ||
        st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59 || st->wMilliseconds > 999 || st->wDay < 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool leap = (st->wYear % 4 == 0 && st->wYear % 100 != 0) || st->wYear % 400 == 0;
    unsigned maxDay = kDays[st->wMonth - 1] + (st->wMonth == 2 && leap ? 1 : 0);
    if (st->wDay > maxDay) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    long long days = DaysFromCivil(st->wYear, st->wMonth, st->wDay) - DaysFromCivil(1601, 1, 1);
    ULONGLONG ms = static_cast<ULONGLONG>(days) * 86400000ull + st->wHour * 3600000ull + st->wMinute * 60000ull +
                   st->wSecond * 1000ull + st->wMilliseconds;
    *lpFileTime = ToFt(ms * 10000);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
    if (!lpFileTime || !lpLocalFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpLocalFileTime = ToFt(Ft(*lpFileTime) + static_cast<ULONGLONG>(LocalBias()));
    return TRUE;
}

void GetSystemTimeAsFileTime(LPFILETIME out) {
    std::optional<SYSTEMTIME> fixed;
    {
        std::lock_guard<std::mutex> g(facts().lock);
        fixed = facts().localTime;
    }
    if (fixed) {
        FILETIME local;
        if (SystemTimeToFileTime(&*fixed, &local)) {
            *out = ToFt(Ft(local) - static_cast<ULONGLONG>(LocalBias()));
            return;
        }
    }
    *out = ToFt(HostNowFileTime());
}

void GetSystemTime(LPSYSTEMTIME st) {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    FileTimeToSystemTime(&ft, st);
}

void GetLocalTime(LPSYSTEMTIME st) {
    {
        std::lock_guard<std::mutex> g(facts().lock);
        if (facts().localTime) {
            *st = *facts().localTime;
            return;
        }
    }
    FILETIME ft, local;
    GetSystemTimeAsFileTime(&ft);
    FileTimeToLocalFileTime(&ft, &local);
    FileTimeToSystemTime(&local, st);
}

HRESULT CoCreateGuid(GUID* pguid) {
    if (!pguid) return E_INVALIDARG;
    {
        std::lock_guard<std::mutex> g(facts().lock);
        if (facts().nextGuid) {
            // A fixed sequence: the set GUID, then the same with Data1 counting up.
            *pguid = *facts().nextGuid;
            facts().nextGuid->Data1++;
            return S_OK;
        }
    }
    BYTE bytes[16];
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    size_t got = 0;
    if (fd >= 0) {
        while (got < sizeof bytes) {
            ssize_t n = read(fd, bytes + got, sizeof bytes - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        close(fd);
    }
    if (got != sizeof bytes) return E_FAIL;
    std::memcpy(&pguid->Data1, bytes, 4);
    std::memcpy(&pguid->Data2, bytes + 4, 2);
    std::memcpy(&pguid->Data3, bytes + 6, 2);
    std::memcpy(pguid->Data4, bytes + 8, 8);
    pguid->Data3 = static_cast<WORD>((pguid->Data3 & 0x0FFF) | 0x4000);  // version 4
    pguid->Data4[0] = static_cast<BYTE>((pguid->Data4[0] & 0x3F) | 0x80);
    return S_OK;
}

DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) {
    std::u16string_view name = plat::View(lpName);
    if (name.empty()) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    std::optional<std::u16string> value;
    // The variables every Windows session has; anything else comes from the host environment.
    if (plat::EqualNoCase(name, u"windir") || plat::EqualNoCase(name, u"SystemRoot"))
        value = u"C:\\Windows";
    else if (plat::EqualNoCase(name, u"SystemDrive"))
        value = u"C:";
    else if (plat::EqualNoCase(name, u"TEMP") || plat::EqualNoCase(name, u"TMP")) {
        std::u16string t = TempDirectory();
        t.pop_back();
        value = t;
    } else if (plat::EqualNoCase(name, u"USERNAME"))
        value = UserName();
    else if (plat::EqualNoCase(name, u"USERPROFILE"))
        value = u"C:\\Users\\" + UserName();
    else if (plat::EqualNoCase(name, u"COMPUTERNAME")) {
        std::lock_guard<std::mutex> g(facts().lock);
        value = facts().computer;
    } else if (const char* host = std::getenv(plat::Utf16ToUtf8(name).c_str())) {
        value = plat::Utf8ToUtf16(host);
    }
    if (!value) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    return plat::CopyOutString(*value, lpBuffer, nSize);
}

// ---- Directories ----
UINT GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    return plat::CopyOutString(u"C:\\Windows", lpBuffer, uSize);
}

UINT GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    return plat::CopyOutString(u"C:\\Windows\\System32", lpBuffer, uSize);
}

DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
    std::u16string dir = TempDirectory();
    plat::MakeDirs(plat::MapPath(dir));
    return plat::CopyOutString(dir, lpBuffer, nBufferLength);
}

UINT GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName) {
    std::u16string_view dir = plat::View(lpPathName);
    if (dir.empty() || !lpTempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string base(dir);
    if (base.back() != u'\\' && base.back() != u'/') base += u'\\';
    std::u16string prefix(plat::View(lpPrefixString).substr(0, 3));
    if (base.size() + prefix.size() + 4 + 4 + 1 > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    auto nameFor = [&](UINT unique) {
        WCHAR hex[16];
        wsprintfW(hex, u"%X", unique & 0xFFFF);
        return base + prefix + hex + u".tmp";
    };
    if (uUnique != 0) {
        std::u16string name = nameFor(uUnique);
        name.copy(lpTempFileName, name.size());
        lpTempFileName[name.size()] = 0;
        return uUnique & 0xFFFF;
    }
    struct stat st;
    std::string hostDir = plat::MapPath(base);
    if (stat(hostDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return 0;
    }
    // Windows starts from the tick count; any start works as long as the file is new.
    UINT start = static_cast<UINT>(std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFF);
    for (UINT i = 0; i < 0x10000; ++i) {
        UINT unique = (start + i) & 0xFFFF;
        if (unique == 0) continue;
        std::u16string name = nameFor(unique);
        HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            name.copy(lpTempFileName, name.size());
            lpTempFileName[name.size()] = 0;
            SetLastError(NO_ERROR);
            return unique;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return 0;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

}  // extern "C"
