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
// The caller's DEVMODE as the version a copy is shaped after: one too short to be a DEVMODE at
// all gives no shape, and the record goes out whole.
const DEVMODEW* CallerDevmodeShape(const DEVMODEW* in);
// The model's defaults into the caller's buffer, which the conversion found large enough.
BOOL FillDriverDefaults(LPCWSTR printerName, DEVMODEW* out);

}  // namespace orla
