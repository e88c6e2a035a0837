// Version resources laid out as the resource compiler writes them: each node {WORD length, WORD
// value length, WORD type, key, padding to 4 bytes, value, padding, children}, a node's length
// covering its children but not the padding after it.
#include "plat/version_resource.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "plat_internal.h"
#include "win/version.h"

namespace plat {
namespace {

constexpr DWORD kFixedInfoSignature = 0xFEEF04BD;
constexpr DWORD kFixedInfoVersion = 0x00010000;
constexpr DWORD kFileFlagsMask = 0x3F;
constexpr DWORD kFileOsNtWindows32 = 0x00040004;
constexpr WORD kBinaryValue = 0;
constexpr WORD kTextValue = 1;
constexpr size_t kLargestBlock = 0xFFFF;  // every length is a WORD

struct VersionNode {
    std::u16string key;
    std::vector<BYTE> value;
    WORD valueLength = 0;  // bytes, or characters with the terminator for text
    WORD type = kBinaryValue;
    std::vector<VersionNode> children;
};

void PutWord(std::vector<BYTE>& out, size_t at, WORD value) {
    std::memcpy(out.data() + at, &value, sizeof value);
}

void PadTo4(std::vector<BYTE>& out) {
    while (out.size() % 4 != 0) out.push_back(0);
}

void AppendText(std::vector<BYTE>& out, std::u16string_view text) {
    for (char16_t ch : text) {
        out.push_back(static_cast<BYTE>(ch & 0xFF));
        out.push_back(static_cast<BYTE>(ch >> 8));
    }
    out.push_back(0);
    out.push_back(0);
}

void Emit(const VersionNode& node, std::vector<BYTE>& out) {
    PadTo4(out);
    const size_t start = out.size();
    out.resize(start + 6, 0);
    AppendText(out, node.key);
    PadTo4(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const VersionNode& child : node.children) Emit(child, out);
    PutWord(out, start, static_cast<WORD>(std::min(out.size() - start, kLargestBlock)));
    PutWord(out, start + 2, node.valueLength);
    PutWord(out, start + 4, node.type);
}

VersionNode TextNode(std::u16string_view key, std::u16string_view value) {
    VersionNode n;
    n.key = key;
    n.type = kTextValue;
    AppendText(n.value, value);
    n.valueLength = static_cast<WORD>(value.size() + 1);
    return n;
}

VS_FIXEDFILEINFO FixedInfo(const PLAT_VERSION_DESCRIPTION& d) {
    VS_FIXEDFILEINFO info{};
    info.dwSignature = kFixedInfoSignature;
    info.dwStrucVersion = kFixedInfoVersion;
    info.dwFileVersionMS = info.dwProductVersionMS = MAKELONG(d.version[1], d.version[0]);
    info.dwFileVersionLS = info.dwProductVersionLS = MAKELONG(d.version[3], d.version[2]);
    info.dwFileFlagsMask = kFileFlagsMask;
    info.dwFileOS = kFileOsNtWindows32;
    info.dwFileType = d.fileType;
    return info;
}

// The string table's name: language and code page as eight hexadecimal digits.
std::u16string TableName(WORD language, WORD codePage) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    const DWORD both = (static_cast<DWORD>(language) << 16) | codePage;
    std::u16string name;
    for (int shift = 28; shift >= 0; shift -= 4) name += static_cast<char16_t>(kDigits[(both >> shift) & 0xF]);
    return name;
}

bool Tree(const PLAT_VERSION_DESCRIPTION& d, VersionNode& root) {
    root.key = u"VS_VERSION_INFO";
    const VS_FIXEDFILEINFO fixed = FixedInfo(d);
    root.value.resize(sizeof fixed);
    std::memcpy(root.value.data(), &fixed, sizeof fixed);
    root.valueLength = sizeof fixed;
    VersionNode table;
    table.key = TableName(d.language, d.codePage);
    table.type = kTextValue;
    for (DWORD i = 0; i < d.stringCount; ++i) {
        if (d.strings == nullptr || d.strings[i].key == nullptr) return false;
        table.children.push_back(TextNode(d.strings[i].key, View(d.strings[i].value)));
    }
    VersionNode strings;
    strings.key = u"StringFileInfo";
    strings.type = kTextValue;
    strings.children.push_back(std::move(table));
    VersionNode translation;
    translation.key = u"Translation";
    const WORD pair[2] = {d.language, d.codePage};
    translation.value.resize(sizeof pair);
    std::memcpy(translation.value.data(), pair, sizeof pair);
    translation.valueLength = sizeof pair;
    VersionNode vars;
    vars.key = u"VarFileInfo";
    vars.type = kTextValue;
    vars.children.push_back(std::move(translation));
    root.children.push_back(std::move(strings));
    root.children.push_back(std::move(vars));
    return true;
}

}  // namespace
}  // namespace plat

extern "C" DWORD PlatBuildVersionResource(const PLAT_VERSION_DESCRIPTION* description, void* buffer, DWORD size) {
    plat::VersionNode root;
    if (description == nullptr || !plat::Tree(*description, root)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::vector<BYTE> block;
    plat::Emit(root, block);
    if (block.size() > plat::kLargestBlock) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (buffer != nullptr && size >= block.size()) std::memcpy(buffer, block.data(), block.size());
    return static_cast<DWORD>(block.size());
}
