// The common file dialog, as the driver's browse buttons use it.
#pragma once

#include "win/base.h"

extern "C" {

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCWSTR lpstrFilter;  // pairs of texts (shown name, pattern), ended by an empty text
    LPWSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPWSTR lpstrFile;  // in: the initial name; out: the chosen path
    DWORD nMaxFile;    // characters, terminator included
    LPWSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCWSTR lpstrInitialDir;
    LPCWSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCWSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCWSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
} OPENFILENAMEW, *LPOPENFILENAMEW;
#define OPENFILENAME_SIZE_VERSION_400W 136  // the structure without its last three fields

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_EXPLORER 0x00080000

#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

// TRUE with the chosen path in lpstrFile (its file name in lpstrFileTitle, cut to fit);
// FALSE when the user cancelled (CommDlgExtendedError 0) or the call failed (its code). A path
// longer than nMaxFile fails with FNERR_BUFFERTOOSMALL and the size needed in lpstrFile's first
// character.
BOOL GetOpenFileNameW(LPOPENFILENAMEW lpofn);
DWORD CommDlgExtendedError(void);  // of this thread's last file dialog

}  // extern "C"

static_assert(sizeof(OPENFILENAMEW) == 152 && offsetof(OPENFILENAMEW, nMaxFile) == 56 &&
              offsetof(OPENFILENAMEW, Flags) == 96 && offsetof(OPENFILENAMEW, pvReserved) == 136);
