// File version resources. A module's RT_VERSION resource is a tree of nodes, each {WORD length,
// WORD value length, WORD type, key text, padding, value, padding, children}; every length is
// checked against the node that holds it, so a damaged block answers "not found".
#include <cstring>
#include <string_view>
#include <vector>

#include "plat_internal.h"
#include "win/kernel.h"
#include "win/version.h"

namespace {

constexpr WORD kVersionResourceId = 1;
constexpr WORD kTextValue = 1;

WORD Word(const BYTE* block, size_t at) {
    WORD w;
    std::memcpy(&w, block + at, 2);
    return w;
}

size_t Align4(size_t n) {
    return (n + 3) & ~size_t{3};
}

struct Node {
    size_t begin = 0, end = 0;        // the node's bytes
    size_t keyBegin = 0, keyEnd = 0;  // key characters, without the terminator
    size_t value = 0;                 // offset of the value
    size_t valueBytes = 0;
    UINT valueLength = 0;  // as VerQueryValue reports it
    size_t children = 0;
};

// The node at `at` within [at, limit); FALSE when it does not fit.
bool ReadNode(const BYTE* block, size_t at, size_t limit, Node* node) {
    if (at + 6 > limit) return false;
    const size_t length = Word(block, at);
    if (length < 6 || at + length > limit) return false;
    node->begin = at;
    node->end = at + length;
    node->keyBegin = at + 6;
    size_t k = node->keyBegin;
    while (k + 2 <= node->end && Word(block, k) != 0) k += 2;
    if (k + 2 > node->end) return false;  // the key must end inside the node
    node->keyEnd = k;
    const WORD valueLength = Word(block, at + 2);
    const bool text = Word(block, at + 4) == kTextValue;
    node->value = Align4(k + 2);
    node->valueBytes = text ? size_t{valueLength} * 2 : valueLength;
    if (node->value > node->end || node->valueBytes > node->end - node->value) {
        node->value = node->end;
        node->valueBytes = 0;
    }
    node->valueLength = valueLength;
    node->children = Align4(node->value + node->valueBytes);
    return true;
}

bool SameKey(const BYTE* block, const Node& node, std::u16string_view key) {
    const size_t n = (node.keyEnd - node.keyBegin) / 2;
    if (n != key.size()) return false;
    for (size_t i = 0; i < n; ++i) {
        char16_t a = static_cast<char16_t>(Word(block, node.keyBegin + 2 * i)), b = key[i];
        if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - u'a' + u'A');
        if (b >= u'a' && b <= u'z') b = static_cast<char16_t>(b - u'a' + u'A');
        if (a != b) return false;
    }
    return true;
}

// The child of `parent` with that key.
bool FindChild(const BYTE* block, const Node& parent, std::u16string_view key, Node* child) {
    for (size_t at = parent.children; at < parent.end;) {
        Node n;
        if (!ReadNode(block, at, parent.end, &n)) return false;
        if (SameKey(block, n, key)) {
            *child = n;
            return true;
        }
        at = Align4(n.end);
    }
    return false;
}

// The module's version resource, loaded as a data file.
struct VersionResource {
    HMODULE module = nullptr;
    const BYTE* bytes = nullptr;
    DWORD size = 0;
    explicit VersionResource(LPCWSTR file) {
        if (!file) return;
        module = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (!module) return;
        HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(kVersionResourceId), MAKEINTRESOURCEW(RT_VERSION_ID));
        HGLOBAL data = info ? LoadResource(module, info) : nullptr;
        bytes = static_cast<const BYTE*>(data ? LockResource(data) : nullptr);
        size = bytes ? SizeofResource(module, info) : 0;
    }
    ~VersionResource() {
        if (module) FreeLibrary(module);
    }
};

}  // namespace

extern "C" {

DWORD GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle) {
    if (lpdwHandle) *lpdwHandle = 0;
    std::vector<BYTE> played;
    if (plat::HostProgramVersion(lptstrFilename, played)) {
        if (played.empty()) SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return static_cast<DWORD>(played.size());
    }
    VersionResource resource(lptstrFilename);
    if (!resource.size) SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return resource.size;
}

BOOL GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD /*dwHandle*/, DWORD dwLen, LPVOID lpData) {
    if (!lpData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<BYTE> played;
    if (plat::HostProgramVersion(lptstrFilename, played)) {
        if (played.empty()) {
            SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
            return FALSE;
        }
        std::memcpy(lpData, played.data(), dwLen < played.size() ? dwLen : played.size());
        return TRUE;
    }
    VersionResource resource(lptstrFilename);
    if (!resource.size) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    std::memcpy(lpData, resource.bytes, dwLen < resource.size ? dwLen : resource.size);
    return TRUE;
}

BOOL VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen) {
    if (!pBlock || !lpSubBlock || !lplpBuffer) return FALSE;
    const BYTE* block = static_cast<const BYTE*>(pBlock);
    Node node;
    if (!ReadNode(block, 0, Word(block, 0), &node)) return FALSE;
    std::u16string_view path(lpSubBlock);
    while (!path.empty()) {
        if (path.front() == u'\\') {
            path.remove_prefix(1);
            continue;
        }
        const size_t cut = path.find(u'\\');
        const std::u16string_view key = path.substr(0, cut);
        if (!FindChild(block, node, key, &node)) return FALSE;
        path.remove_prefix(cut == std::u16string_view::npos ? path.size() : cut);
    }
    if (node.valueBytes == 0) return FALSE;
    *lplpBuffer = const_cast<BYTE*>(block + node.value);
    if (puLen) *puLen = node.valueLength;
    return TRUE;
}

}  // extern "C"
