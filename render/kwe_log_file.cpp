// The trust-marking log of a device context: when the log settings file "ORLA_LOG.INI" in the
// Windows folder asks for it, the library is handed the job's records once more and its mark image
// for the whole page is kept in a "KMW" temporary file, which DrvDisablePDEV deletes.
#include <string>

#include "render/driver_log.h"
#include "render/kwe_marks.h"
#include "render/kwe_session.h"
#include "render/output_writer.h"
#include "render/pdev.h"
#include "win/kernel.h"

namespace {

constexpr const char16_t* kLogSettingsFile = u"ORLA_LOG.INI";
constexpr const char16_t* kLogSection = u"ZT-Q4400K";
constexpr const char16_t* kModeKey = u"MODE";
constexpr const char16_t* kLevelKey = u"LEVEL";
constexpr INT kLogMode = 1;
constexpr UINT kLevelMarkFile = 0x1;  // the level bit that keeps the mark image in a file
constexpr const char16_t* kMarkFilePrefix = u"KMW";
constexpr size_t kKeptNameChars = sizeof(TrustMarkState::kmwName) / sizeof(WCHAR);

// The log settings: found in the Windows folder, MODE 1 and LEVEL with its mark-file bit.
bool MarkFileWanted() {
    WCHAR windows[MAX_PATH], file[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    const DWORD found = SearchPathW(windows, kLogSettingsFile, nullptr, MAX_PATH, file, nullptr);
    if (found == 0 || found >= MAX_PATH) return false;
    if (static_cast<INT>(GetPrivateProfileIntW(kLogSection, kModeKey, 0, file)) != kLogMode) return false;
    return (GetPrivateProfileIntW(kLogSection, kLevelKey, 1, file) & kLevelMarkFile) != 0;
}

// Writes the mark rows into a fresh KMW file and keeps its name (after the folder). A file that
// could not be written whole is deleted: no half image is left for the log's reader.
bool WriteMarkFile(PrinterPdev* pdev, const KweMarkImage& mark) {
    WCHAR path[kWorkFileNameChars];
    if (!MakeTempName(kMarkFilePrefix, path)) {
        DriverLog("trust-marking log: no temporary KMW file name, error %lu",
                  static_cast<unsigned long>(GetLastError()));
        return false;
    }
    HANDLE file = nullptr;
    if (!CreateWorkFile(path, &file, 0)) {
        DeleteFileW(path);
        return false;
    }
    const BOOL written = WriteFileAll(file, mark.bits.data(), static_cast<LONG>(mark.bits.size()));
    CloseHandle(file);
    if (!written) {
        DriverLog("trust-marking log: the KMW file could not be written, error %lu",
                  static_cast<unsigned long>(GetLastError()));
        DeleteFileW(path);
        return false;
    }
    const std::u16string_view full(path);
    const std::u16string_view name = full.substr(full.find_last_of(u'\\') + 1);
    if (name.size() >= kKeptNameChars) {
        DeleteFileW(path);  // a name the record cannot keep could never be deleted later
        return false;
    }
    name.copy(pdev->trustMark.kmwName, name.size());
    pdev->trustMark.kmwName[name.size()] = 0;
    return true;
}

}  // namespace

BOOL WriteKweLogFile(PrinterPdev* pdev, DWORD handle) {
    if (!MarkFileWanted()) return TRUE;
    pdev->trustMark.noKmwFile = 0;
    PassKweJobRecords(pdev, handle, KweSessionRequest{});
    KweMarkImage mark;
    KweWholePageSize(pdev, &mark);
    if (!FetchKweMark(handle, 1, &mark)) return FALSE;
    pdev->trustMark.markImage.width = mark.width;
    pdev->trustMark.markImage.height = mark.height;
    WriteMarkFile(pdev, mark);
    return TRUE;
}
