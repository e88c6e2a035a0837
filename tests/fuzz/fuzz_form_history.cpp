// Fuzz target: a "DAT_FormHistory" value of any bytes gives at most ten strings, read within the
// value; each string taken as a typed overlay path keeps the path rule's limits.
#include <cstdlib>
#include <span>
#include <string>

#include "core/ansi_text.h"
#include "ui/tools/overlay_paths.h"
#include "win/nls.h"

using namespace orla;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::vector<std::u16string> strings = FormHistoryStrings(std::span<const BYTE>(bytes, size));
    if (strings.size() > kFormHistoryShown) std::abort();
    size_t units = 0;
    for (const std::u16string& s : strings) {
        if (s.find(u'\0') != std::u16string::npos) std::abort();
        units += s.size() + 1;
    }
    if (!strings.empty() && units - 1 > size / 2) std::abort();  // the last may end with the value
    for (const std::u16string& s : strings) {
        const std::string ansi = AnsiText(s);
        for (bool on : {true, false}) {
            const OverlayPathParse parse = ParseOverlayPathText(ansi, on);
            if (!parse.taken) {
                if (parse.status != kOverlayOk && parse.status != kOverlayNotFormFile &&
                    parse.status != kOverlayFileUnreadable)
                    std::abort();
                continue;
            }
            if (parse.folder.size() > kOverlayFolderBytes || parse.name.size() > size_t{kOverlayNameBytes})
                std::abort();
            if (parse.name.find('.') != std::string::npos) std::abort();
            // The name never ends inside a double-byte character.
            for (size_t i = 0; i < parse.name.size(); ++i)
                if (IsDBCSLeadByte(static_cast<BYTE>(parse.name[i])) && ++i >= parse.name.size()) std::abort();
        }
    }
    return 0;
}
