// The record behind the capability and job-fit questions.
#include "ui/entry/query_record.h"

#include "core/form_overlay.h"
#include "core/settings.h"
#include "core/settings_resolver.h"
#include "ui/entry/printer_data_store.h"

namespace orla {

void BuildQueryRecord(HANDLE hPrinter, const DEVMODEW* devmode, const CompiledDeviceData* data, DriverDevmode* record,
                      PrinterConfigRecord* config) {
    AcquirePrinterConfig(config, hPrinter, nullptr);
    BuildEffectiveSettings(record, devmode, hPrinter, nullptr, data);
    ReadPrinterDataSettings(nullptr, record, hPrinter);
    UpdatePalmFlag(record, config, hPrinter);
    ApplyConfigAndPublish(record, config, hPrinter, data);
    ApplyFormOverlay(record, hPrinter, data);
    const ResolverConfig resolverConfig = ResolverConfigOf(*config);
    ValidateSettings(record, &resolverConfig, hPrinter, nullptr, data);
}

}  // namespace orla
