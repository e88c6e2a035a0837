// The banding loop's stamps: the stamp and the information stamp of escapes 9001 and 9101 drawn
// into each band through the stamp-drawing library (core/stamp_library.h).
#pragma once

#include "win/ddi.h"

struct PrinterPdev;

void DrawBandStamps(PrinterPdev* pdev, SURFOBJ* pso);
