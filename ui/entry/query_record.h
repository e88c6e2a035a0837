// A settings record resolved for one question of the spooler or GDI (capabilities, whether a
// job fits), with the printer's configuration as the status manager reports it.
#pragma once

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "ui/entry/printer_config.h"
#include "win/base.h"
#include "win/devmode.h"

namespace orla {

// Fills the configuration and the record: the printer's settings merged with the caller's
// DEVMODE (or none), the printer data, the configuration's devices, the form overlay, resolved.
void BuildQueryRecord(HANDLE hPrinter, const DEVMODEW* devmode, const CompiledDeviceData* data, DriverDevmode* record,
                      PrinterConfigRecord* config);

}  // namespace orla
