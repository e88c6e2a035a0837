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

struct ConditionName {
    std::string_view name;
    unsigned bit;
};
constexpr ConditionName kConditionNames[] = {
    {"jam", kPaperJam},    {"cover", kCoverOpen}, {"paper", kPaperOut},
    {"offline", kOffline}, {"toner", kTonerLow},  {"warming", kWarmingUp},
};

}  // namespace

const char kOptionsUsage[] =
    "  printer: --silent (answers nothing) --garbage (answers no PJL) --split (replies in 3-byte pieces)\n"
    "           --slow (reads slowly) --stall (stops reading) --drop-after N (resets after N job bytes)\n"
    "           --ignore-cancel --cancel-at-data (the operator cancels each job as its data begins)\n"
    "           --eoj-report (USTATUS EOJ after each job) --status CODE (status block code, e.g. 0x4100)\n"
    "           --condition jam|cover|paper|offline|toner|warming (repeatable) --page-count N\n"
    "           --jam-after N (jams once it has read N job bytes) --jam-clears-after MS (0: never by itself)\n"
    "  fitted:  --no-duplex (no duplex unit) --trays N (input trays, 1 to 5) --ram-disk\n";

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
    if (name == "--no-duplex") {
        options->installed.duplexUnit = false;
        return true;
    }
    if (name == "--ram-disk") {
        options->installed.ramDisk = true;
        return true;
    }
    const char* text = *i + 1 < argc ? argv[*i + 1] : nullptr;
    if (name == "--condition") {
        for (const ConditionName& c : kConditionNames) {
            if (text && c.name == text) {
                options->conditions |= c.bit;
                ++*i;
                return true;
            }
        }
        *error = "--condition takes jam, cover, paper, offline, toner or warming, not \"" +
                 std::string(text ? text : "") + "\"";
        return false;
    }
    if (name != "--drop-after" && name != "--status" && name != "--trays" && name != "--page-count" &&
        name != "--jam-after" && name != "--jam-clears-after")
        return false;
    const unsigned long max = name == "--trays"                                   ? 5ul
                              : (name == "--drop-after" || name == "--jam-after") ? 0xFFFFFFFFFFul
                                                                                  : 0xFFFFFFFFul;
    unsigned long value = 0;
    if (!Number(text, max, &value) || (name == "--trays" && value == 0)) {
        *error = std::string(name) + " needs a number" + (name == "--trays" ? " from 1 to 5" : "") + ", not \"" +
                 (text ? text : "") + "\"";
        return false;
    }
    ++*i;
    if (name == "--status") {
        options->statusCode = static_cast<uint32_t>(value);
    } else if (name == "--trays") {
        options->installed.trays = static_cast<int>(value);
    } else if (name == "--page-count") {
        options->pageCount = static_cast<uint32_t>(value);
    } else if (name == "--jam-after") {
        options->incident.conditions |= kPaperJam;
        options->incident.afterBytes = static_cast<size_t>(value);
    } else if (name == "--jam-clears-after") {
        options->incident.clearAfterMs = value;
    } else {
        options->misbehaviour |= kDropConnection;
        options->dropAfterBytes = static_cast<size_t>(value);
    }
    return true;
}

}  // namespace printersim
