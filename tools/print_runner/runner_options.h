// The runner's options for stamps, the job's escapes, the job owner and trust marking: the
// settings patches and escapes they stand for, and their command-line forms.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/print_runner/print_runner.h"

namespace orla::runner {

// A stamp of the job's settings (the selected stamp, drawn).
struct StampChoice {
    bool image = false;
    std::u16string text = u"ORLA STAMP";  // text stamp
    std::u16string imagePath;             // image stamp: Windows path of a BMP file
    uint32_t position = 4;                // 3 x 3 grid, row by row
    uint16_t size = 480;                  // tenths of a point
    uint16_t scale = 100;                 // image stamps, percent
    uint16_t angle = 2;                   // choice: 0 -90, 1 -45, 2 upright, 3 45, 4 90 degrees
    uint16_t weight = 700;
    uint32_t italic = 0;
    std::u16string face = u"Arial";
    uint32_t overlay = 1;  // 0: its place is cleared first
    uint32_t grey = 3046;  // 3041 (lightest) .. 3046 (black)
    uint32_t mode = 3065;  // 3065 solid, 3066 framed, 3067 outlined
};
// The stamp as stamp 1 of the user's list, in its in-memory form (780 bytes, drawn).
std::vector<uint8_t> StampRecord(const StampChoice& stamp);
// The settings choosing stamp 1 with that record embedded.
std::vector<SettingPatch> StampPatches(const StampChoice& stamp);

// The information stamp: kind 7 page number, 6 document name, 8 its own text.
std::vector<SettingPatch> InfoStampPatches(uint32_t kind, uint32_t position, const std::u16string& text = u"");

// Trust marking switched on in the settings (the library itself: RunOptions::trustMarkLibrary).
std::vector<SettingPatch> TrustMarkPatches();

// Escape 9998 with a job owner record whose host address is `host`.
EscapeCall JobOwnerEscape(const std::string& host);

// Installs (or removes) the trust-marking library stand-in for the job's sandbox: its path in the
// registry and its script. FALSE with a reason when the registry cannot be written.
bool InstallTrustMarkLibrary(const RunOptions& o, std::string& error);

// One command-line option of these (the next argument through `next`): 1 taken, 0 not one of
// them, -1 malformed (said on stderr).
int ParseJobOption(const std::string& option, const std::function<std::string()>& next, RunOptions& o);
// Their lines of the usage text.
const char* JobOptionsUsage();

}  // namespace orla::runner
