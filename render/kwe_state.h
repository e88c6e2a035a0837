// What a device context keeps of the trust-marking library between calls (Japanese build).
// PrinterPdev (render/pdev.h) embeds KweState; TrustMarkState there holds the switch's results.
#pragma once

#include "win/base.h"

struct KweState {
    LONG outputIndex;  // the output whose marks are being written, 0 = none
};
