// A driver module's version resource, laid out by the platform's resource-compiler layout.
#include "core/module_version.h"

#include <iterator>
#include <string>

#include "plat/version_resource.h"

namespace orla {

std::vector<BYTE> BuildModuleVersionBlock(const ModuleVersion& v) {
    constexpr WORD kUnicodeCodePage = 1200;
    const std::u16string file = std::u16string(v.moduleName) + u".dll";
    const PLAT_VERSION_STRING strings[] = {
        {u"FileDescription", v.description}, {u"FileVersion", v.text},    {u"InternalName", v.moduleName},
        {u"OriginalFilename", file.c_str()}, {u"ProductVersion", v.text},
    };
    const PLAT_VERSION_DESCRIPTION d{{v.numbers[0], v.numbers[1], v.numbers[2], v.numbers[3]},
                                     VFT_DLL,
                                     v.language,
                                     kUnicodeCodePage,
                                     strings,
                                     static_cast<DWORD>(std::size(strings))};
    std::vector<BYTE> bytes(PlatBuildVersionResource(&d, nullptr, 0));
    if (bytes.empty() || PlatBuildVersionResource(&d, bytes.data(), static_cast<DWORD>(bytes.size())) != bytes.size())
        return {};
    return bytes;
}

void AppendVersionResource(std::vector<ORLA_RESOURCE>& resources, const std::vector<BYTE>& block) {
    if (block.empty()) return;
    resources.push_back(ORLA_RESOURCE{kVersionResourceType, nullptr, kVersionResourceId, nullptr, block.data(),
                                      static_cast<DWORD>(block.size())});
}

}  // namespace orla
