// Fuzz target: the status manager's answers (extension status, polling flag, bin and option
// tables of any length and count) through AcquirePrinterConfig, then applied to a settings record,
// published, rebuilt and written back. Counts never exceed their tables and nothing reads or
// writes past them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/settings.h"
#include "outside/dorlik/dorlik_api.h"
#include "ui/entry/printer_config.h"
#include "ui_fuzz_printer.h"
#include "win/kernel.h"

using namespace orla;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

PFN_DorlikWriteVariable Writer() {
    static PFN_DorlikWriteVariable write = [] {
        HMODULE m = LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL");
        if (!m) std::abort();
        auto w = reinterpret_cast<PFN_DorlikWriteVariable>(
            reinterpret_cast<void*>(GetProcAddress(m, "DorlikWriteVariable")));
        if (!w) std::abort();
        return w;  // kept loaded for the life of the process
    }();
    return write;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HANDLE printer = FuzzSamplePrinter("config");
    PFN_DorlikWriteVariable write = Writer();
    if (size < 6) return 0;
    // The first byte chooses the extension status's bits that matter, the second splits the rest
    // into the two tables; a refresh is never needed, so no monitor is waited for.
    const DWORD ext = (data[0] & (kConfigFromPrinter | kConfigTrayContentsHidden)) | kConfigNoRefreshNeeded;
    const size_t split = std::min<size_t>(data[1], size - 2);
    const BYTE* bins = data + 2;
    const BYTE* options = bins + split;
    write(u"Fuzz", "PrinterExtStatus", &ext, sizeof(ext));
    write(u"Fuzz", "PrinterBinConfig", bins, static_cast<DWORD>(split));
    write(u"Fuzz", "PrinterOptConfig", options, static_cast<DWORD>(size - 2 - split));

    PrinterConfigRecord config{};
    AcquirePrinterConfig(&config, printer, nullptr);
    Check(config.binCount <= kConfigMaxBins && config.optionCount <= kConfigMaxOptions);
    Check(!config.hStatusLib && !config.hManager);

    static const CompiledDeviceData* deviceData = GetDeviceData(printer);
    Check(deviceData != nullptr);
    DriverDevmode record{};
    SetDefaultDevmode(&record, printer, nullptr, deviceData);
    UpdatePalmFlag(&record, &config, printer);
    ApplyConfigAndPublish(&record, &config, printer, deviceData);
    for (const std::u16string& name : ReadyMediaNames(config, printer)) Check(name.size() < 64);

    // A damaged count in the record itself is cut when walked or written.
    config.binCount = 0xFFFFFFFF;
    config.optionCount = 0xFFFFFFFF;
    config.extStatus &= ~kConfigFromPrinter;
    BYTE table[kBinTableSize];
    Check(WriteBinTable(config, table) == kBinTableSize);
    UpdatePrinterConfig(&config, printer);
    BuildTrayTableFromOptions(&record, &config);
    Check(config.binCount <= kConfigMaxBins && config.optionCount <= kConfigMaxOptions);
    WCHAR tray[8] = u"Tray";
    config.extStatus |= kConfigFromPrinter;
    AppendTrayPaperText(&config, nullptr, tray, 8);
    Check(tray[7] == 0 || std::char_traits<char16_t>::length(tray) < 8);
    return 0;
}
