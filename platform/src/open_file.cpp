// OpenFile, as far as drivers use it: the existence test of a file named by an ANSI path.
#include <cstring>

#include "win/kernel.h"

static_assert(sizeof(OFSTRUCT) == 136);

HFILE OpenFile(LPCSTR lpFileName, LPOFSTRUCT lpReOpenBuff, UINT uStyle) {
    if (lpFileName == nullptr || lpReOpenBuff == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return HFILE_ERROR;
    }
    std::memset(lpReOpenBuff, 0, sizeof *lpReOpenBuff);
    lpReOpenBuff->cBytes = sizeof *lpReOpenBuff;
    if ((uStyle & OF_EXIST) == 0) {
        lpReOpenBuff->nErrCode = ERROR_CALL_NOT_IMPLEMENTED;
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return HFILE_ERROR;
    }
    HANDLE h = CreateFileA(lpFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        lpReOpenBuff->nErrCode = static_cast<WORD>(GetLastError());
        return HFILE_ERROR;
    }
    CloseHandle(h);
    // The path as given (Windows keeps the full path; ours are full already), cut to the field.
    std::strncpy(lpReOpenBuff->szPathName, lpFileName, OFS_MAXPATHNAME - 1);
    lpReOpenBuff->fFixedDisk = 1;
    return 1;
}
