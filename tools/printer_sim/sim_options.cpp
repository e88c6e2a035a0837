// Command-line options of the printer simulator: a table of flags and their bits, and the few
// options with a value.
#include "tools/printer_sim/sim_options.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace printersim {
namespace {

struct Flag {
    std::string_view name;
    unsigned bit;
};
constexpr Flag kFlags[] = {
    {"--silent", kSilent},
    {"--garbage", kGarbage},
    {"--split", kSplitReplies},
    {"--slow", kSlowRead},
    {"--ignore-cancel", kIgnoreCancel},
    {"--stall", kStallRead},
};

// A whole decimal or 0x-prefixed hexadecimal number up to max.
bool Number(const char* text, unsigned long max, unsigned long* value) {
    if (!text || !*text || *text == '-') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text, &end, 0);
    if (errno != 0 || *end != '\0' || v > max) return false;
    *value = v;
    return true;
}

}  // namespace

const char kOptionsUsage[] =
    "  printer: --silent (answers nothing) --garbage (answers no PJL) --split (replies in 3-byte pieces)\n"
    "           --slow (reads slowly) --stall (stops reading) --drop-after N (resets after N job bytes)\n"
    "           --ignore-cancel --cancel-at-data (the operator cancels each job as its data begins)\n"
    "           --eoj-report (USTATUS EOJ after each job) --status CODE (status block code, e.g. 0x4100)\n";

bool TakeOption(int argc, char** argv, int* i, Options* options, std::string* error) {
    const std::string_view name = argv[*i];
    for (const Flag& f : kFlags)
        if (name == f.name) {
            options->misbehaviour |= f.bit;
            return true;
        }
    if (name == "--cancel-at-data") {
        options->cancelAtData = true;
        return true;
    }
    if (name == "--eoj-report") {
        options->sendEojReport = true;
        return true;
    }
    if (name != "--drop-after" && name != "--status") return false;
    unsigned long value = 0;
    const char* text = *i + 1 < argc ? argv[*i + 1] : nullptr;
    if (!Number(text, name == "--status" ? 0xFFFFFFFFul : 0xFFFFFFFFFFul, &value)) {
        *error = std::string(name) + " needs a number, not \"" + (text ? text : "") + "\"";
        return false;
    }
    ++*i;
    if (name == "--status") {
        options->statusCode = static_cast<uint32_t>(value);
    } else {
        options->misbehaviour |= kDropConnection;
        options->dropAfterBytes = static_cast<size_t>(value);
    }
    return true;
}

}  // namespace printersim
