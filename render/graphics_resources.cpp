// The graphics DLL's resource table: the device-font records, the Shift-JIS glyph set and the
// printer font names (generated from real font metrics at build time), then the version resource
// that the about box reads from the driver file.
#include <vector>

#include "core/module_version.h"
#include "plat/resource_table.h"

extern const ORLA_RESOURCE* const kDeviceFontResources;
extern const DWORD kDeviceFontResourceCount;

namespace {

#define ORLA_TEXT16_(x) u##x
#define ORLA_TEXT16(x) ORLA_TEXT16_(x)
#if ORLA_JAPANESE
constexpr WORD kVersionLanguage = 0x0411;
#else
constexpr WORD kVersionLanguage = 0x0409;
#endif

const std::vector<BYTE>& VersionBlock() {
    static const std::vector<BYTE> block =
        orla::BuildModuleVersionBlock({{ORLA_VERSION_MAJOR, ORLA_VERSION_MINOR, ORLA_VERSION_PATCH, ORLA_VERSION_TWEAK},
                                       ORLA_TEXT16(ORLA_VERSION_TEXT),
                                       ORLA_TEXT16(ORLA_MODULE_NAME),
                                       u"ORLA printer driver graphics",
                                       kVersionLanguage});
    return block;
}

const std::vector<ORLA_RESOURCE>& AllResources() {
    static const std::vector<ORLA_RESOURCE> all = [] {
        std::vector<ORLA_RESOURCE> v(kDeviceFontResources, kDeviceFontResources + kDeviceFontResourceCount);
        const std::vector<BYTE>& version = VersionBlock();
        if (!version.empty())
            v.push_back(ORLA_RESOURCE{orla::kVersionResourceType, nullptr, orla::kVersionResourceId, nullptr,
                                      version.data(), static_cast<DWORD>(version.size())});
        return v;
    }();
    return all;
}

}  // namespace

extern "C" {
__attribute__((visibility("default"))) extern const ORLA_RESOURCE_TABLE OrlaResourceTable;
const ORLA_RESOURCE_TABLE OrlaResourceTable = {static_cast<DWORD>(AllResources().size()), AllResources().data()};
}
