// How a module carries a version resource (RT_VERSION 1) in its resource table: the block the
// resource compiler would write for a VS_VERSION_INFO statement, built at load time from the
// module's version numbers and texts. GetFileVersionInfoW and VerQueryValueW read it back.
#pragma once

#include "win/base.h"

extern "C" {

typedef struct _PLAT_VERSION_STRING {
    LPCWSTR key;  // "FileVersion", "FileDescription", ...
    LPCWSTR value;
} PLAT_VERSION_STRING;

typedef struct _PLAT_VERSION_DESCRIPTION {
    WORD version[4];  // file and product version: major, minor, build, revision
    DWORD fileType;   // VFT_APP (1), VFT_DLL (2)
    WORD language;    // the string table's language and code page, also the one translation
    WORD codePage;    // (1200: UTF-16)
    const PLAT_VERSION_STRING* strings;
    DWORD stringCount;
} PLAT_VERSION_DESCRIPTION;

#define VFT_APP 0x00000001L
#define VFT_DLL 0x00000002L

// Lays the resource out as the resource compiler does: the root "VS_VERSION_INFO" with the
// VS_FIXEDFILEINFO, "StringFileInfo" with one table named by language and code page ("041104B0")
// holding the strings, and "VarFileInfo" with "Translation" = {language, code page}. Returns the
// bytes it takes and writes them when `size` is that much; 0 for a description that cannot be
// laid out (no description, a null key, or a block past 64 KB).
DWORD PlatBuildVersionResource(const PLAT_VERSION_DESCRIPTION* description, void* buffer, DWORD size);

}  // extern "C"
