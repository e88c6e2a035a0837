// Band mode on a turned sheet (the layouts whose pages lie across the sheet): command mode puts
// every point, image and glyph of such a page a quarter turned anticlockwise, and the band must
// land in the same place, so it is turned the same way before it is cut into blocks.
#pragma once

#include "render/pdev.h"

// Sends a band of the banding surface (0 = black; `width` x `height` pixels, rows `stride` bytes
// apart; `origin` its top-left in page pixels) as blocks of at most `maxRows` rows, turned first
// when the sheet is turned. FALSE when the turned band cannot be allocated or output failed.
BOOL SendBandBits(PrinterPdev* pdev, BYTE* bits, LONG width, LONG height, LONG stride, POINTL origin, LONG maxRows);
