// The trust-marking library binding (Japanese build): finding the library by its registry path,
// the process-wide module with the loader functions of "KERNEL32", and one wrapper per entry
// point. Each wrapper looks its entry point up on every call and answers the fixed value of its
// entry when the library lacks it.
//
// The module is shared by every device context of the process. It is guarded by one lock, which a
// handle sequence (render/kwe_session.h) holds from KweCreateHandle to KweReleaseHandle, so one
// thread's release can never unload the library while another thread is inside it.
#pragma once

#include <mutex>

#include "win/base.h"

// ---- Records handed to the library ----
// KweJobInfo: 800 bytes, texts in the system code page, NUL-terminated, zero-filled.
inline constexpr DWORD kKweJobInfoSize = 800;
struct KweTextField {
    DWORD offset;
    DWORD bytes;
};
namespace kwejob {
inline constexpr DWORD kSize = 0;  // DWORD: always 800
inline constexpr DWORD kTime = 4;  // DWORD: seconds since 1970-01-01 00:00 UTC
inline constexpr KweTextField kHost{8, 16};
inline constexpr KweTextField kUser{24, 256};
inline constexpr KweTextField kComputer{280, 260};
inline constexpr KweTextField kDocument{540, 260};
static_assert(kDocument.offset + kDocument.bytes == kKweJobInfoSize);
}  // namespace kwejob
// KweLogRecord: one line of the library's log, 840 bytes, texts in the system code page,
// NUL-terminated, zero-filled.
inline constexpr DWORD kKweLogRecordSize = 840;
namespace kwelog {
inline constexpr DWORD kSize = 0;  // DWORD: always 840
inline constexpr KweTextField kDevice{4, 64};
inline constexpr KweTextField kDriver{68, 260};
inline constexpr KweTextField kText{328, 512};
static_assert(kText.offset + kText.bytes == kKweLogRecordSize);
}  // namespace kwelog
// KweJobOwner: the owner name, 66 bytes, zero-filled.
inline constexpr DWORD kKweJobOwnerSize = 66;
// One entry of the identifier list.
inline constexpr DWORD kKweIdBytes = 12;
inline constexpr char kKweLanguage[] = "ORLA";
inline constexpr DWORD kKweLocale = 1041;
// The sample-sheet caption buffer the library fills.
inline constexpr DWORD kKweCaptionBytes = 256;

// The lock of the binding (recursive: a sequence's own calls take it again).
std::recursive_mutex& KweLock();

// 1 when the library's path can be read and a file is there, else 0.
BOOL IsKweLibraryInstalled();

DWORD KweCreateHandle(LPCSTR printer, LPCSTR model, LPCSTR language, DWORD locale);
LONG KweReleaseHandle(DWORD handle);
LONG KweGetSizeOfSettings(DWORD handle);
LONG KweSetKWESettings(DWORD handle, const BYTE* blob, DWORD size, const BYTE* sample, DWORD sampleSize);
LONG KweGetNumOfIDs(DWORD handle);
LONG KweGetIDList(DWORD handle, BYTE* list);
LONG KweSetDriverSettings(DWORD handle, const BYTE* list);
LONG KweGetNumOfOutputs(DWORD handle);
LONG KweSetJobInfo(DWORD handle, const BYTE* jobInfo);
LONG KweGetKM(DWORD handle, HGLOBAL* image, LONG* width, LONG* height, LONG index);
LONG KweGetSampleKM(DWORD handle, HGLOBAL* image, LONG* width, LONG* height, LONG index);
LONG KwePrepareGetSampleKM(DWORD handle, LONG* density, LONG* value, LPSTR caption);
LONG KweGetFooterString(DWORD handle, HGLOBAL* text, LONG index);
LONG KweWriteLog(DWORD handle, const BYTE* record);
LONG KweIsAvailableXKM(DWORD handle);
LONG KweIsWholePage(DWORD handle, LONG* value);
LONG KweSetJobOwner(DWORD handle, const BYTE* owner);
// The library's settings dialog over owner on settingsSize bytes of settings; -1 when missing.
LONG KweCallDisplayUI(DWORD handle, HWND owner, BYTE* settings, DWORD settingsSize, LONG* result);
