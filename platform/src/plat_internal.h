// Helpers shared by the files of the platform layer: text conversion, the sandbox path map,
// atomic persistence and error translation. Not seen by driver code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plat/control.h"
#include "win/base.h"

namespace plat {

// UTF-16 <-> UTF-8 (host file names, persisted text). Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
inline std::u16string_view View(LPCWSTR s) {
    return s ? std::u16string_view(s) : std::u16string_view();
}

// Case folding the way the file system and the registry compare names (ASCII and Latin-1,
// Greek and Cyrillic basic letters, full-width Latin letters).
char16_t FoldChar(char16_t c);
std::u16string Fold(std::u16string_view text);
bool EqualNoCase(std::u16string_view a, std::u16string_view b);
int CompareNoCase(std::u16string_view a, std::u16string_view b);

// The sandbox root (host directory, no trailing '/'); created on first use.
std::string SandboxRoot();
// Host path for a Windows path; components match existing entries regardless of case.
std::string MapPath(std::u16string_view windowsPath);
// The Windows name of a host path: drive Z: is the host's root.
std::u16string HostToWindowsPath(const std::string& hostPath);
// Creates every missing directory of a host path's parent.
bool MakeParentDirs(const std::string& hostPath);
bool MakeDirs(const std::string& hostDir);

// Writes a whole file so that a crash leaves either the old or the new contents (synced unless
// the persistence mode says otherwise).
bool WriteFileAtomic(const std::string& hostPath, std::string_view bytes);
// The same with the sync chosen by the caller: unsynced, a killed process still leaves the old or
// the new file whole; only a host crash may lose the newest contents.
bool WriteFileAtomic(const std::string& hostPath, std::string_view bytes, bool sync);
// Removes the temporaries "<hostPath>.tmp-PID-N" that WriteFileAtomic of a killed process left
// beside the file: those of processes no longer alive, and those named with this process's own
// id (left by an earlier process that had it; the caller holds the lock that serialises this
// process's writers of the file, so none of its own is in flight). A live process's temporary
// may be a write in progress and is kept.
void RemoveStaleTemporaries(const std::string& hostPath);
// The persistence mode set by PlatSetPersistence.
PLAT_PERSISTENCE Persistence();
// Reads a whole host file, at most `limit` bytes: a larger (or endless) source fails with errno
// EFBIG instead of exhausting memory.
inline constexpr size_t kMaxWholeFile = size_t{64} << 20;
bool ReadWholeFile(const std::string& hostPath, std::string& out, size_t limit = kMaxWholeFile);

// The host program a test set for GetModuleFileNameW(NULL) (platform/src/app_session.cpp);
// false when none is set.
bool HostProgramPath(std::u16string& path);
// True when `file` is that host program: `block` is then its version resource (empty: none).
bool HostProgramVersion(LPCWSTR file, std::vector<BYTE>& block);

// Deletes a DC that CreateDCW made on a printer (platform/src/printer_dc.cpp): false for any
// other handle.
bool DeletePrinterDc(HDC hdc);

// errno to a Windows error code.
DWORD ErrnoToError(int error);

// Two-call helpers: copy text into a caller buffer as the kernel's size-returning calls do.
// Returns the length copied (without terminator), or the size needed (with terminator) when
// the buffer is too small.
DWORD CopyOutString(std::u16string_view text, LPWSTR buffer, DWORD size);

// ANSI conversions through the current ANSI code page (nls.cpp).
std::string WideToAnsi(std::u16string_view text);
std::u16string AnsiToWide(std::string_view text);

// Fault injection taken by the layer's own calls.
struct Injection {
    bool due = false;
    DWORD error = 0;
    DWORD bytesShort = 0;
    bool shortWrite = false;
};
Injection TakeInjection(const char* operation);
// True when an injected failure of the operation is due now; the last error is then set to the
// injected code, or to `fallback` when none was given. (Calls that fail without setting the last
// error, as HeapAlloc does, take TakeInjection itself.)
bool FailNow(const char* operation, DWORD fallback);

// A thread's activation contexts: CreateThread puts the creator's current one at the top of the
// new thread's stack (BeginInheritedActivation on the new thread, with the reference the creator
// took by GetCurrentActCtx), and whatever is left on a thread's stack when its routine returns is
// released (EndThreadActivations).
void BeginInheritedActivation(HANDLE context);
void EndThreadActivations();

// The scripted user of this thread's modal loops (PlatSetModalIdleHandler). CreateThread hands it
// to the new thread: the user who answers a thread's dialogs also answers the dialogs of the
// threads it starts.
struct ThreadModalIdle {
    BOOL (*handler)(HWND dialog, void* context);
    void* context;
};
ThreadModalIdle CurrentThreadModalIdle();

// Drops in-memory caches so the next use reads the persisted state again (a "restart").
void RegistryDropCache();  // writes the changed hives first
void RegistryFlush();      // writes the changed hives, synced as the mode says
void SpoolerDropState();

// "KERNEL32" names this platform library itself (platform/src/system_modules.cpp).
bool IsKernelModuleName(std::u16string_view name);
HMODULE KernelModuleHandle();

// Image lists keep pictures of their own: a copy of an icon, or a cx x cy piece of a bitmap
// (from column x0) with its mask, each freed with DestroyIcon when the list lets it go.
HICON CopyIconForList(HICON icon);
HICON IconFromBitmapForList(HBITMAP colour, HBITMAP mask, LONG x0, LONG cx, LONG cy);
// A module going away takes its shared icons with it.
void ForgetSharedIcons(HMODULE module);

}  // namespace plat
