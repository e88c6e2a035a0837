// The pictures the preview composes, drawn by code as 24-bit device-independent bitmaps: the
// preview base and its markers, portrait and landscape sheets, page contents for each layout,
// binding marks, and the printer with its option trays (each with its mask).
#pragma once

#include <span>

#include "plat/resource_table.h"

namespace orla {

// RT_BITMAP entries of every picture id the preview uses, made once per process.
std::span<const ORLA_RESOURCE> PreviewBitmapResources();

}  // namespace orla
