// The option constraint pass: after any change that can affect other settings, each rule decides
// whether its setting is available. An unavailable setting is forced by the resolver while the
// user's own value waits in its remembered field, and comes back when the setting is available
// again; the rule's controls and settings-tree items follow the answer.
#pragma once

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "ui/entry/item_switches.h"
#include "ui/entry/printer_config.h"
#include "win/base.h"

namespace orla {

// Whether the document monitor can be reached, as a context remembers it once asked: the probe
// loads the monitor's API library and starts and stops a monitor, too slow for every pass.
enum class MonitorProbe : BYTE { kNotAsked, kAvailable, kMissing };

// Runs the pass over the record in place. items may be null (no windows: only the record
// changes); config null means every option counts as available. monitor, when given, keeps the
// document monitor's answer between passes. Answers how often the resolver ran.
UINT ApplyOptionConstraints(DriverDevmode* record, const ItemSwitches* items, const PrinterConfigRecord* config,
                            HANDLE hPrinter, const CompiledDeviceData* data, HMODULE hResDll, DWORD uiFlags,
                            MonitorProbe* monitor);

}  // namespace orla
