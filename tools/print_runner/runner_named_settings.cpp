// "--set NAME=VALUE": a settings field by its dm:: name, placed by the layout of the job's build
// (the build's settings helper knows it), its value turned into the field's bytes.
#include <dlfcn.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "plat/host_text.h"
#include "tools/print_runner/print_runner.h"

namespace orla::runner {

namespace {

typedef int (*FindFieldProc)(const char* name, unsigned* offset, unsigned* size, unsigned* kind);

}  // namespace

bool FindSettingsField(const std::string& binDir, bool japanese, const std::string& name, FieldPlace& place) {
    const std::string helper =
        binDir + (japanese ? "/liborla_runner_settings_ja.so" : "/liborla_runner_settings_en.so");
    void* dl = dlopen(helper.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) return false;
    bool found = false;
    if (auto proc = reinterpret_cast<FindFieldProc>(dlsym(dl, "OrlaRunnerFindField")))
        found = proc(name.c_str(), &place.offset, &place.size, &place.kind) != 0;
    dlclose(dl);
    return found;
}

namespace {

// A whole number in decimal or 0x hexadecimal that fits `size` bytes, signed or unsigned.
bool Integer(const std::string& text, unsigned size, std::vector<uint8_t>& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0') return false;
    const long long bits = 8LL * size;
    if (v < -(1LL << (bits - 1)) || v >= (1LL << bits)) return false;
    out.clear();
    for (unsigned i = 0; i < size; ++i)
        out.push_back(static_cast<uint8_t>(static_cast<unsigned long long>(v) >> (8 * i)));
    return true;
}

bool Hex(const std::string& text, std::vector<uint8_t>& out) {
    if (text.empty() || text.size() % 2 != 0) return false;
    out.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = text.substr(i, 2);
        const long v = std::strtol(pair.c_str(), &end, 16);
        if (*end != '\0' || pair[0] == '-' || pair[0] == '+') return false;
        out.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

bool Value(const FieldPlace& f, const std::string& value, SettingPatch& out, std::string& error) {
    out.mask.clear();
    switch (f.kind) {
        case kInteger: {
            const size_t slash = value.find('/');
            if (!Integer(value.substr(0, slash), f.size, out.bytes) ||
                (slash != std::string::npos && !Integer(value.substr(slash + 1), f.size, out.mask))) {
                error = "takes a number of " + std::to_string(f.size) + " bytes (and a mask), not \"" + value + "\"";
                return false;
            }
            return true;
        }
        case kText: {
            const std::u16string text = plat::Utf8ToUtf16(value);
            if (2 * text.size() + 2 > f.size) {
                error = "holds at most " + std::to_string(f.size / 2 - 1) + " characters";
                return false;
            }
            out.bytes.assign(f.size, 0);  // the whole field: the text, its terminator, zeros
            for (size_t i = 0; i < text.size(); ++i) {
                out.bytes[2 * i] = static_cast<uint8_t>(text[i]);
                out.bytes[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
            }
            return true;
        }
        case kAnsi:
            if (value.size() + 1 > f.size) {
                error = "holds at most " + std::to_string(f.size - 1) + " bytes";
                return false;
            }
            out.bytes.assign(f.size, 0);
            std::copy(value.begin(), value.end(), out.bytes.begin());
            return true;
        default:
            if (!Hex(value, out.bytes) || out.bytes.size() > f.size) {
                error = "takes at most " + std::to_string(f.size) + " bytes in hexadecimal";
                return false;
            }
            return true;
    }
}

}  // namespace

bool NamedSettingPatch(const std::string& binDir, bool japanese, const std::string& text, SettingPatch& out,
                       std::string& error) {
    const size_t eq = text.find('=');
    const std::string name = eq == std::string::npos ? text : text.substr(0, eq);
    FieldPlace place;
    if (eq == std::string::npos || name.empty()) {
        error = "--set takes NAME=VALUE, not \"" + text + "\"";
        return false;
    }
    if (!FindSettingsField(binDir, japanese, name, place)) {
        error = "--set: no settings field is named \"" + name + "\" in the " + (japanese ? "Japanese" : "English") +
                " build (fields go by their dm:: names, e.g. PrintPosTop=20)";
        return false;
    }
    std::string why;
    if (!Value(place, text.substr(eq + 1), out, why)) {
        error = "--set: " + name + " " + why;
        return false;
    }
    out.offset = place.offset;
    return true;
}

}  // namespace orla::runner
