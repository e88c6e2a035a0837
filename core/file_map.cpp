// Read-only file mapping: only the view outlives the call; the caller unmaps it.
#include "core/support.h"
#include "win/kernel.h"

namespace orla {

BOOL MapFileReadOnly(LPCWSTR path, const BYTE** viewBase, const BYTE** cursor, DWORD* size) {
    if (viewBase) *viewBase = nullptr;
    if (cursor) *cursor = nullptr;
    if (!path || !viewBase || !cursor) return FALSE;
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    if (size) {
        DWORD high = 0;
        SetLastError(NO_ERROR);
        DWORD low = GetFileSize(file, &high);
        // Files of 4 GB and more are no description and no cache; refuse them rather than
        // report a truncated size.
        if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0) {
            CloseHandle(file);
            return FALSE;
        }
        *size = low;
    }
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    const void* view = nullptr;
    if (mapping) {
        view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
        CloseHandle(mapping);
    }
    CloseHandle(file);
    if (!view) return FALSE;
    *viewBase = static_cast<const BYTE*>(view);
    *cursor = static_cast<const BYTE*>(view);
    return TRUE;
}

}  // namespace orla
