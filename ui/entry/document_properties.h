// Document properties without a sheet: the settings record a caller gets for a printer and its
// own DEVMODE, and the size query.
#pragma once

#include "win/base.h"
#include "win/printer_ui.h"

namespace orla {

// cbOut becomes the record's size. fMode 0 or no pdmOut: the size. Else the light UI context is
// built from pdmIn; with DM_UPDATE or DM_COPY its record goes to pdmOut in pdmIn's version.
// 1 done, -1 no context.
LONG DocumentPropertiesNoUi(DOCUMENTPROPERTYHEADER* header);

}  // namespace orla
