// The version resource (RT_VERSION 1) a driver module carries in its resource table: the block the
// resource compiler would write for its VS_VERSION_INFO, with the project's version numbers, one
// string table in UTF-16 for the build's language, and that language as the one translation.
#pragma once

#include <vector>

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

// The block's bytes; empty when it cannot be laid out.
std::vector<BYTE> BuildModuleVersionBlock(const ModuleVersion& version);

}  // namespace orla
