// File version resources: GetFileVersionInfo reads a module's version resource (RT_VERSION 1),
// VerQueryValue finds a value in it by its path ("\", "\VarFileInfo\Translation",
// "\StringFileInfo\040904B0\FileVersion").
#pragma once

#include "win/base.h"

extern "C" {

#define RT_VERSION_ID 16

typedef struct tagVS_FIXEDFILEINFO {
    DWORD dwSignature;  // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
} VS_FIXEDFILEINFO;

// Bytes of the module's version resource (0 when it has none; the handle out is always 0).
DWORD GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle);
// Copies the version resource, cut to dwLen bytes; FALSE when there is none.
BOOL GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);
// Points *lplpBuffer into pBlock at the value of the path; *puLen: its length (characters for
// text values, bytes otherwise). FALSE when the path names nothing in the block.
BOOL VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen);

}  // extern "C"

static_assert(sizeof(VS_FIXEDFILEINFO) == 52);
