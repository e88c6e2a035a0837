// SearchPathW: finds a file in a list of folders, as the loader's search does.
#include <string>
#include <vector>

#include "plat_internal.h"
#include "win/kernel.h"

namespace {

// Without a list, the search covers the system folder and then the Windows folder; this layer has
// no per-process current folder to add.
constexpr std::u16string_view kDefaultFolders = u"C:\\Windows\\System32;C:\\Windows";

bool IsFile(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::vector<std::u16string> Folders(std::u16string_view list) {
    std::vector<std::u16string> folders;
    while (!list.empty()) {
        const size_t end = list.find(u';');
        std::u16string_view folder = list.substr(0, end);
        if (!folder.empty()) folders.emplace_back(folder);
        if (end == std::u16string_view::npos) break;
        list.remove_prefix(end + 1);
    }
    return folders;
}

// The extension is added only to a name that has none of its own.
std::u16string WithExtension(std::u16string_view name, LPCWSTR extension) {
    std::u16string full(name);
    const size_t slash = full.find_last_of(u"\\/");
    const size_t dot = full.find_last_of(u'.');
    const bool hasOwn = dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash);
    if (!hasOwn && extension != nullptr) full += plat::View(extension);
    return full;
}

}  // namespace

DWORD SearchPathW(LPCWSTR lpPath, LPCWSTR lpFileName, LPCWSTR lpExtension, DWORD nBufferLength, LPWSTR lpBuffer,
                  LPWSTR* lpFilePart) {
    if (lpFilePart != nullptr) *lpFilePart = nullptr;
    if (lpFileName == nullptr || lpFileName[0] == 0 || (lpBuffer == nullptr && nBufferLength != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string name = WithExtension(plat::View(lpFileName), lpExtension);
    std::u16string found;
    // A name with a folder of its own is looked for where it says, not in the list.
    if (name.find_first_of(u"\\/:") != std::u16string::npos) {
        if (IsFile(name)) found = name;
    } else {
        for (const std::u16string& folder : Folders(lpPath != nullptr ? plat::View(lpPath) : kDefaultFolders)) {
            std::u16string candidate = folder;
            if (candidate.back() != u'\\' && candidate.back() != u'/') candidate += u'\\';
            candidate += name;
            if (IsFile(candidate)) {
                found = std::move(candidate);
                break;
            }
        }
    }
    if (found.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    const DWORD copied = plat::CopyOutString(found, lpBuffer, nBufferLength);
    if (copied < nBufferLength && lpFilePart != nullptr) {
        const size_t slash = found.find_last_of(u"\\/");
        *lpFilePart = lpBuffer + (slash == std::u16string::npos ? 0 : slash + 1);
    }
    return copied;
}
