// The interface DLL's icons, drawn from the pictogram table at build time: one RT_GROUP_ICON per
// icon id and one RT_ICON per size, ready to append to the DLL's resource table.
#pragma once

#include "plat/resource_table.h"

namespace orla_res {

extern const ORLA_RESOURCE kPictogramResources[];
extern const unsigned kPictogramResourceCount;

}  // namespace orla_res
