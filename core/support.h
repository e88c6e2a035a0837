// Driver support routines: the chained memory pool, the language resource DLL rule and the user
// locale behind it, the spooler query routines, the read-only file mapper and the message formatter.
#pragma once

#include <initializer_list>
#include <span>
#include <type_traits>

#include "win/base.h"

namespace orla {

// ---- Chained memory pool ----
// Blocks are chained newest first; callers only see body pointers, freed all at once by PoolDestroy.
struct BlockPool {
    void* head;  // newest block, or null
};

BlockPool* PoolCreate(void);
// A zero-filled body of n bytes (aligned for any type); null when memory is short.
void* PoolAlloc(BlockPool* pool, SIZE_T n);
// Unlinks and frees the block of that body; a pointer that is not one of the pool's bodies is ignored.
void PoolFree(BlockPool* pool, void* body);
void PoolDestroy(BlockPool* pool);
// Number of blocks on the chain (for checks; the pool itself keeps no count).
DWORD PoolBlockCount(const BlockPool* pool);

// ---- Locale and the language resource DLL ----
inline constexpr LCID kLocaleJapanese = 1041;
inline constexpr LCID kLocaleEnglish = 1033;

// 1041 when the user's "Locale" reads as hexadecimal 411 or cannot be read, else 1033.
LCID GetUserLocaleId(void);
// The resource DLL's path for a graphics DLL path: its folder, the first six characters of its file
// name and "j.dll" (Japanese locale) or "e.dll". FALSE when the result does not fit or there is no
// backslash in the driver path.
BOOL ComposeResourceDllPath(LPCWSTR driverPath, LCID locale, LPWSTR out, DWORD cchOut);
HMODULE LoadResourceDll(HANDLE hPrinter);
BOOL FreeResourceDll(HMODULE hModule);
// The help file's language letter: the character just before the last '.' becomes 'J' (1041) or
// 'E'. A path without a '.' (or with it at the very start) is left alone.
void ApplyHelpFileLocale(LPWSTR helpFile, LCID locale);

// ---- Spooler queries (two-call protocol); results are freed with GlobalFree ----
BYTE* GetPrinterInfoAlloc(HANDLE hPrinter, DWORD level);
BYTE* GetDriverInfoAlloc(HANDLE hPrinter, DWORD level);

// ---- Read-only file mapping ----
// TRUE with the view base in *viewBase and *cursor (and the file size in *size when asked).
// The caller unmaps with UnmapViewOfFile(*viewBase). An empty file cannot be mapped (FALSE).
BOOL MapFileReadOnly(LPCWSTR path, const BYTE** viewBase, const BYTE** cursor, DWORD* size);

// ---- Message formatter ----
// Formats into buffer (capacity in characters, terminator included; buffer may be null) and
// returns the characters written. Sequences: "%!" string id loaded from hModule, %X %x %u %d a
// 32-bit number, %s a UTF-16 string (null inserts one blank), %c one character, '%' and any other
// character that character. Arguments are taken in order from args; a sequence without an argument
// left inserts nothing. *needed (when asked) counts every insert plus the terminator.
int FormatMessageText(HMODULE hModule, LPWSTR buffer, int capacity, int* needed, LPCWSTR format,
                      std::span<const ULONG_PTR> args);

// One formatter argument: numbers by value, strings and string ids as they are.
template <typename T>
inline ULONG_PTR MessageArg(T v) {
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<ULONG_PTR>(v);
    } else {
        return static_cast<ULONG_PTR>(static_cast<DWORD>(v));
    }
}

template <typename... Args>
inline int FormatMessageTextArgs(HMODULE hModule, LPWSTR buffer, int capacity, int* needed, LPCWSTR format,
                                 Args... args) {
    const ULONG_PTR packed[] = {MessageArg(args)..., 0};
    return FormatMessageText(hModule, buffer, capacity, needed, format,
                             std::span<const ULONG_PTR>(packed, sizeof...(Args)));
}

}  // namespace orla
