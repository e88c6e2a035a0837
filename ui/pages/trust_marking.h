// Whether the trust-marking library is there and takes this printer's model: the option list and
// the settings summary show the trust-marking items only then.
#pragma once

#include "ui/entry/ui_context.h"

namespace orla {

// A handle is made for the printer and model names (system code page, 256 bytes each), the
// language "ORLA" and locale 1041, and let go at once. Always false in the English build.
bool TrustMarkingAvailable(const UiContext& ui);

}  // namespace orla
