// The faces device contexts offer: the sandbox's font files under their family names, and
// Windows' standard face names over their metric twins. Shared by font enumeration and the
// text of device contexts.
#pragma once

#include "ui_fonts.h"
#include "win/gdi.h"

namespace plat {

// The look a logical font draws in: the face named (an unknown name gets the UI's face, or
// the IPA one for SHIFTJIS_CHARSET), the style file nearest its weight and italic with the rest
// simulated, its height (negative: the em, positive: the cell, 0: the UI's size) and escapement.
FontLook ResolveFontLook(const LOGFONTW& font);

}  // namespace plat
