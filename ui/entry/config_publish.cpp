// The configuration read from the printer into the settings record's installed devices, and the
// printer's capabilities published for the directory service under the printer-data key
// "DsDriver".
#include <algorithm>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/support.h"
#include "ui/entry/config_devices.h"
#include "ui/entry/held.h"
#include "ui/entry/printer_config.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace orla {

namespace {

constexpr char16_t kDsDriverKey[] = u"DsDriver";
constexpr UINT kAutoSlotString = 200;
constexpr UINT kAutoTrayNameString = 300;
constexpr UINT kPrintLanguageString = 99;
constexpr int kPrintLanguageChars = 32;
constexpr int kDeviceNameChars = 24;
constexpr WORD kPaperEmpty = 0;
constexpr WORD kPaperUnknown = 253;
// Trays whose contents are not offered as ready media: the multi-sheet feeder and the manual slot.
constexpr WORD kMsfDevice = 1001;
constexpr WORD kManualDevice = 2001;

std::u16string LoadText(HMODULE resources, UINT id, int most) {
    WCHAR text[64] = {};
    const int n = LoadStringW(resources, id, text, most + 1);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n < most ? n : most) : 0);
}

void MarkInstalled(DriverDevmode& r, unsigned pair) {
    Set(r, dm::DeviceState(pair), static_cast<WORD>(Get(r, dm::DeviceState(pair)) | dm::kDeviceInstalled));
}

// Looks a device up by its name for its pair, with the configuration's value as the preferred
// choice, and marks it installed.
void InstallFromConfig(DriverDevmode& r, const ConfigDevice& device, WORD value, bool option, HMODULE resources,
                       const CompiledDeviceData* data) {
    const std::u16string name = LoadText(resources, device.deviceString, kDeviceNameChars);
    DevicePair pair{Get(r, dm::DeviceState(device.pair)), Get(r, dm::DeviceChoice(device.pair))};
    if (option) {
        LookupOptionDeviceSetting(&pair, &value, name, data);
    } else {
        LookupInputDeviceSetting(&pair, &value, name, data);
    }
    Set(r, dm::DeviceState(device.pair), pair.state);
    Set(r, dm::DeviceChoice(device.pair), pair.choice);
    MarkInstalled(r, device.pair);
}

void ApplyReportedDevices(DriverDevmode& r, const PrinterConfigRecord& config, HMODULE resources,
                          const CompiledDeviceData* data) {
    Set(r, dm::MemoryKb, config.memory);
    for (const auto* table : {&kBinDevicesInTableOrder, &kOptionDevices})
        for (const ConfigDevice& d : *table)
            Set(r, dm::DeviceState(d.pair), static_cast<WORD>(Get(r, dm::DeviceState(d.pair)) & ~dm::kDeviceInstalled));
    for (DWORD i = 0; i < BinEntries(config); ++i) {
        const PrinterConfigBin& b = config.bins[i];
        if (const ConfigDevice* d = FindConfigDevice(kBinDevicesInTableOrder, b.bin))
            InstallFromConfig(r, *d, b.deviceId, false, resources, data);
    }
    for (DWORD i = 0; i < OptionEntries(config); ++i) {
        const PrinterConfigOption& o = config.options[i];
        if (const ConfigDevice* d = FindConfigDevice(kOptionDevices, o.option))
            InstallFromConfig(r, *d, o.value, true, resources, data);
    }
    const ConfigDevice* lcs = FindConfigDevice(kOptionDevices, kOptionLcs);
    for (DWORD i = 0; i < OutputTrayEntries(config); ++i)
        if (config.outputTrays[i][0] == 2) InstallFromConfig(r, *lcs, 2, true, resources, data);
}

// ---- "DsDriver" values ----

void AddString(std::vector<char16_t>& multi, std::u16string_view text) {
    multi.insert(multi.end(), text.begin(), text.end());
    multi.push_back(0);
}

// A list of strings, each ended by a terminator, the list by one more (an empty list: one).
std::vector<char16_t> EndMulti(std::vector<char16_t> multi) {
    multi.push_back(0);
    return multi;
}

void PublishValue(HANDLE hPrinter, LPCWSTR name, DWORD type, const void* bytes, DWORD size) {
    SetPrinterDataExW(hPrinter, kDsDriverKey, name, type, static_cast<LPBYTE>(const_cast<void*>(bytes)), size);
}
void PublishMulti(HANDLE hPrinter, LPCWSTR name, const std::vector<char16_t>& multi) {
    PublishValue(hPrinter, name, REG_MULTI_SZ, multi.data(), static_cast<DWORD>(multi.size() * sizeof(char16_t)));
}
void PublishFlag(HANDLE hPrinter, LPCWSTR name, bool on) {
    const BYTE value = on ? 1 : 0;
    PublishValue(hPrinter, name, REG_BINARY, &value, 1);
}

std::vector<char16_t> MediaReady(const PrinterConfigRecord& config, HANDLE hPrinter) {
    std::vector<char16_t> multi;
    for (const std::u16string& name : ReadyMediaNames(config, hPrinter)) AddString(multi, name);
    return EndMulti(multi);
}

// Tray names of the description's input slots whose devices are ready.
std::vector<char16_t> BinNames(const DriverDevmode& r, HMODULE resources, const CompiledDeviceData* data) {
    std::vector<char16_t> multi;
    const std::u16string autoSlot = LoadText(resources, kAutoSlotString, kDeviceNameChars);
    for (NamedValueEntry slot : InputSlots(data)) {
        if (!autoSlot.empty() && slot.name == autoSlot) {
            AddString(multi, LoadText(resources, kAutoTrayNameString, kDeviceNameChars));
            continue;
        }
        for (const ConfigDevice& d : kBinDevicesInTableOrder) {
            if (slot.name != LoadText(resources, d.deviceString, kDeviceNameChars) || !DevicePairReady(r, d.pair))
                continue;
            AddString(multi, LoadText(resources, d.trayNameString, kDeviceNameChars));
            break;
        }
    }
    return EndMulti(multi);
}

void PublishDsDriver(const DriverDevmode& r, const PrinterConfigRecord& config, HANDLE hPrinter, HMODULE resources,
                     const CompiledDeviceData* data) {
    PublishMulti(hPrinter, u"printMediaReady", MediaReady(config, hPrinter));
    PublishMulti(hPrinter, u"printBinNames", BinNames(r, resources, data));
    PublishFlag(hPrinter, u"printDuplexSupported", DevicePairReady(r, dm::kDuplex));
    std::vector<char16_t> language;
    AddString(language, LoadText(resources, kPrintLanguageString, kPrintLanguageChars));
    PublishMulti(hPrinter, u"printLanguage", EndMulti(language));
    const DWORD memory = Get(r, dm::MemoryKb);
    PublishValue(hPrinter, u"printMemory", REG_DWORD, &memory, sizeof(memory));
    PublishFlag(hPrinter, u"printStaplingSupported",
                DevicePairReady(r, dm::kFinisher1) || DevicePairReady(r, dm::kFinisher2));
}

}  // namespace

std::vector<std::u16string> ReadyMediaNames(const PrinterConfigRecord& config, HANDLE hPrinter) {
    std::vector<std::u16string> names;
    if (!(config.extStatus & kConfigFromPrinter)) return names;
    DWORD needed = 0, count = 0;
    EnumFormsW(hPrinter, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !EnumFormsW(hPrinter, 1, buffer.data(), needed, &needed, &count)) return names;
    const FORM_INFO_1W* forms = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < BinEntries(config); ++i) {
        const PrinterConfigBin& b = config.bins[i];
        if (b.deviceId == kMsfDevice || b.deviceId == kManualDevice) continue;
        if (b.paperState == kPaperEmpty || b.paperState == kPaperUnknown) continue;
        if (b.form == 0 || b.form > count || !forms[b.form - 1].pName) continue;
        const std::u16string name = forms[b.form - 1].pName;
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return names;
}

void ApplyConfigAndPublish(DriverDevmode* devmode, const PrinterConfigRecord* config, HANDLE hPrinter,
                           const CompiledDeviceData* data) {
    if (!devmode || !config) return;
    ResourceDllHeld resources(LoadResourceDll(hPrinter));
    if (!resources) return;
    if (config->extStatus & kConfigFromPrinter) ApplyReportedDevices(*devmode, *config, resources.get(), data);
    PublishDsDriver(*devmode, *config, hPrinter, resources.get(), data);
}

}  // namespace orla
