// UiTestModule.dll: a module with an entry point offered by ordinal and a version resource, for
// the platform pieces the interface DLL relies on (GetProcAddress by ordinal, file versions).
#include <string>
#include <vector>

#include "plat/ordinal_table.h"
#include "plat/resource_table.h"
#include "win/base.h"
#include "win/version.h"

namespace {

void Append(std::vector<BYTE>& out, const void* data, size_t n) {
    const BYTE* p = static_cast<const BYTE*>(data);
    out.insert(out.end(), p, p + n);
}
void Pad4(std::vector<BYTE>& out) {
    while (out.size() % 4) out.push_back(0);
}

// One node of a version resource: header, key, value, children, each part on a 4-byte boundary.
std::vector<BYTE> VersionNode(std::u16string key, WORD type, const std::vector<BYTE>& value, WORD valueLength,
                              const std::vector<std::vector<BYTE>>& children) {
    std::vector<BYTE> out(6, 0);
    Append(out, key.c_str(), 2 * (key.size() + 1));
    Pad4(out);
    Append(out, value.data(), value.size());
    for (const auto& child : children) {
        Pad4(out);
        Append(out, child.data(), child.size());
    }
    const WORD length = static_cast<WORD>(out.size());
    out[0] = static_cast<BYTE>(length);
    out[1] = static_cast<BYTE>(length >> 8);
    out[2] = static_cast<BYTE>(valueLength);
    out[3] = static_cast<BYTE>(valueLength >> 8);
    out[4] = static_cast<BYTE>(type);
    return out;
}

std::vector<BYTE> Text(std::u16string s) {
    std::vector<BYTE> out;
    Append(out, s.c_str(), 2 * (s.size() + 1));
    return out;
}

const std::vector<BYTE>& VersionBlock() {
    static const std::vector<BYTE> block = [] {
        VS_FIXEDFILEINFO fixed{0xFEEF04BD, 0x00010000, 0x00010002, 0x00030004, 0x00010002, 0x00030004, 0x3F,
                               0,          0x40004,    3,          0,          0,          0};
        std::vector<BYTE> fixedBytes;
        Append(fixedBytes, &fixed, sizeof(fixed));
        const BYTE translation[] = {0x11, 0x04, 0xB0, 0x04};
        auto fileVersion = VersionNode(u"FileVersion", 1, Text(u"1.2.3.4"), 8, {});
        auto table = VersionNode(u"041104B0", 1, {}, 0, {fileVersion});
        auto strings = VersionNode(u"StringFileInfo", 1, {}, 0, {table});
        auto var = VersionNode(u"Translation", 0, std::vector<BYTE>(translation, translation + 4), 4, {});
        auto vars = VersionNode(u"VarFileInfo", 1, {}, 0, {var});
        return VersionNode(u"VS_VERSION_INFO", 0, fixedBytes, sizeof(fixed), {strings, vars});
    }();
    return block;
}

}  // namespace

DLLEXPORT int UiTestEntry15(void) {
    return 1234;
}

extern "C" {
__attribute__((visibility("default"))) extern const ORLA_ORDINAL OrlaOrdinalTable[];
const ORLA_ORDINAL OrlaOrdinalTable[] = {{15, "UiTestEntry15"}, {16, "NotThere"}, {0, nullptr}};
__attribute__((visibility("default"))) extern ORLA_RESOURCE_TABLE OrlaResourceTable;
ORLA_RESOURCE_TABLE OrlaResourceTable = {0, nullptr};
}

namespace {

// The table points at the block built at load time.
const bool kTableFilled = [] {
    static ORLA_RESOURCE entry{
        RT_VERSION_ID, nullptr, 1, nullptr, VersionBlock().data(), static_cast<DWORD>(VersionBlock().size())};
    OrlaResourceTable = {1, &entry};
    return true;
}();

}  // namespace
