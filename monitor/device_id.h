// The fields of the printer's IEEE 1284 device ID: manufacturer, model, command languages and
// the status block.
#pragma once

#include <string_view>

#include "monitor/port_record.h"

// Device-ID command names and the emulation ids they stand for.
struct EmulationRow {
    std::string_view name;
    LONG id;
};
inline constexpr EmulationRow kEmulations[] = {
    {"ORLA", 0},
    {"ZQPS-C", 5},
};
// Manufacturer and model keep at most this many characters (their variables hold 32 bytes).
constexpr size_t kDeviceIdTextField = 31;

// Calls fn(key, value) for every field that ends with ';', in order; the key is the text up to
// and including the first ':' (blanks before it skipped), empty when the field has none.
template <typename Fn>
void ForEachDeviceIdField(std::string_view text, Fn fn) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(';', at);
        if (end == std::string_view::npos) return;  // an unterminated rest is no field
        std::string_view field = text.substr(at, end - at);
        while (!field.empty() && (field.front() == ' ' || field.front() == '\r' || field.front() == '\n'))
            field.remove_prefix(1);
        size_t colon = field.find(':');
        if (colon == std::string_view::npos)
            fn(std::string_view{}, field);
        else
            fn(field.substr(0, colon + 1), field.substr(colon + 1));
        at = end + 1;
    }
}

// The emulation ids named in a "CMD:" value, ascending (count, then the ids).
DWORD ParseEmulations(std::string_view commands, LONG* ids, DWORD capacity);
// Stores the manufacturer, model, emulations and status block of this driver's printer.
void ParseDeviceId(std::string_view text, PortRecord* port);
// Only manufacturer and model (a printer of another model); TRUE when either changed.
BOOL StoreMakerAndModel(std::string_view text, PortRecord* port);
