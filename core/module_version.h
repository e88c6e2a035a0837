// The version resource (RT_VERSION 1) a driver module carries in its resource table: the block the
// resource compiler would write for its VS_VERSION_INFO, with the project's version numbers, one
// string table in UTF-16 for the build's language, and that language as the one translation.
#pragma once

#include <vector>

#include "plat/resource_table.h"
#include "win/base.h"

namespace orla {

inline constexpr WORD kVersionResourceType = 16;  // RT_VERSION
inline constexpr WORD kVersionResourceId = 1;

struct ModuleVersion {
    WORD numbers[4];             // major, minor, patch, tweak
    const char16_t* text;        // "1.0.0.0": FileVersion and ProductVersion
    const char16_t* moduleName;  // "Quessa": InternalName; OriginalFilename adds ".dll"
    const char16_t* description;
    WORD language;  // 0x0411 Japanese, 0x0409 English
};

// The language a build's block names as its translation.
constexpr WORD VersionLanguage(bool japaneseBuild) {
    return japaneseBuild ? 0x0411 : 0x0409;
}

// The block's bytes; empty when it cannot be laid out.
std::vector<BYTE> BuildModuleVersionBlock(const ModuleVersion& version);

// The block as the module's version resource, added to its resource table; nothing for an empty
// block. The module keeps the block for as long as the table lives.
void AppendVersionResource(std::vector<ORLA_RESOURCE>& resources, const std::vector<BYTE>& block);

// The version of the module being compiled, from what its build target defines
// (ORLA_MODULE_NAME, ORLA_VERSION_TEXT, ORLA_VERSION_MAJOR, _MINOR, _PATCH and _TWEAK), with its
// description and language.
#define ORLA_VERSION_TEXT16_(x) u##x
#define ORLA_VERSION_TEXT16(x) ORLA_VERSION_TEXT16_(x)
#define ORLA_THIS_MODULE_VERSION(description, language)                                                      \
    (::orla::ModuleVersion{{ORLA_VERSION_MAJOR, ORLA_VERSION_MINOR, ORLA_VERSION_PATCH, ORLA_VERSION_TWEAK}, \
                           ORLA_VERSION_TEXT16(ORLA_VERSION_TEXT),                                           \
                           ORLA_VERSION_TEXT16(ORLA_MODULE_NAME),                                            \
                           (description),                                                                    \
                           (language)})

}  // namespace orla
