// The graphics DLL's resource table: the device-font records, the Shift-JIS glyph set and the
// printer font names (generated from real font metrics at build time), then the version resource
// that the about box reads from the driver file.
#include <vector>

#include "core/build_variant.h"
#include "core/module_version.h"
#include "plat/resource_table.h"

extern const ORLA_RESOURCE* const kDeviceFontResources;
extern const DWORD kDeviceFontResourceCount;

namespace {

const std::vector<BYTE>& VersionBlock() {
    static const std::vector<BYTE> block = orla::BuildModuleVersionBlock(
        ORLA_THIS_MODULE_VERSION(u"ORLA printer driver graphics", orla::VersionLanguage(orla::kJapaneseBuild)));
    return block;
}

const std::vector<ORLA_RESOURCE>& AllResources() {
    static const std::vector<ORLA_RESOURCE> all = [] {
        std::vector<ORLA_RESOURCE> v(kDeviceFontResources, kDeviceFontResources + kDeviceFontResourceCount);
        orla::AppendVersionResource(v, VersionBlock());
        return v;
    }();
    return all;
}

}  // namespace

extern "C" {
__attribute__((visibility("default"))) extern const ORLA_RESOURCE_TABLE OrlaResourceTable;
const ORLA_RESOURCE_TABLE OrlaResourceTable = {static_cast<DWORD>(AllResources().size()), AllResources().data()};
}
