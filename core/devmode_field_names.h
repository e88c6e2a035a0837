// The settings record's fields by their names in dm::, for the tools and tests that set a field
// by name rather than by offset.
#pragma once

#include <string_view>

namespace orla {

enum class DevmodeFieldKind { Integer, Text, Ansi, Bytes };

struct NamedDevmodeField {
    std::string_view name;
    unsigned offset;  // in this build's record
    unsigned size;    // bytes
    DevmodeFieldKind kind;
};

// The field of that name in this build's layout, or null.
const NamedDevmodeField* FindDevmodeField(std::string_view name);

}  // namespace orla
