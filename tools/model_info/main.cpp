// model_info: what a printer model offers, and the default settings record of this build.
//
//   model_info_ja [model.KDD ...]     (default: every sample in resources/models)
//
// Each model is installed as a printer in a fresh temporary sandbox (its description and this
// build's language resource DLLs copied into the driver directory), compiled through the
// driver's own device-data path, and listed with the settings record that SetDefaultDevmode makes.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/device_data.h"
#include "core/settings.h"
#include "core/support.h"
#include "plat/control.h"
#include "plat/host_text.h"
#include "win/kernel.h"
#include "win/spool.h"

using namespace orla;
namespace fs = std::filesystem;

namespace {

std::string BinDirectory() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return ".";
    path[n] = 0;
    return fs::path(path).parent_path().string();
}

std::string Mm(LONG micrometres) {
    char b[32];
    std::snprintf(b, sizeof(b), "%.1f", micrometres / 1000.0);
    return b;
}

void PrintNamedValues(const char* title, NamedValueList list) {
    std::printf("  %s (%u):\n", title, list.size());
    for (NamedValueEntry e : list) std::printf("    %-28s 0x%08X\n", plat::Utf16ToUtf8(e.name).c_str(), e.value);
}

void PrintDevices(const char* title, NamedValueList list) {
    std::printf("  %s (%u):                allowed  state\n", title, list.size());
    for (NamedValueEntry e : list)
        std::printf("    %-28s 0x%04X   0x%04X%s\n", plat::Utf16ToUtf8(e.name).c_str(), LOWORD(e.value),
                    HIWORD(e.value), (HIWORD(e.value) & 8) ? "  installed" : "");
}

void PrintForms(const char* title, FormList list) {
    std::printf("  %s (%u):\n", title, list.size());
    for (FormEntry f : list)
        std::printf("    %-24s %6s x %6s mm, printable %s,%s - %s,%s\n", plat::Utf16ToUtf8(f.name).c_str(),
                    Mm(f.width).c_str(), Mm(f.length).c_str(), Mm(f.left).c_str(), Mm(f.top).c_str(),
                    Mm(f.right).c_str(), Mm(f.bottom).c_str());
}

void PrintModel(const CompiledDeviceData* d) {
    std::printf("Model\n");
    std::printf("  friendly name     %s\n", plat::Utf16ToUtf8(DeviceFriendlyName(d)).c_str());
    std::printf("  printer name      %s\n", plat::Utf16ToUtf8(DevicePrinterName(d)).c_str());
    std::printf("  description       version %d, %u bytes compiled\n", DeviceDataVersion(d), DeviceDataSize(d));
    std::printf("  private id        0x%08X\n", DeviceDataField(d, dd::kPrivateID));
    std::printf("  pages per minute  %d\n", DeviceDataSignedField(d, dd::kPPM));
    std::printf("  flags             0x%08X, preset flags 0x%08X\n", DeviceDataField(d, dd::kFlags),
                DeviceDataField(d, dd::kPresetFlags));
    std::printf("  local day, time   %d, %d\n", DeviceDataSignedField(d, dd::kDefaultLocalDay),
                DeviceDataSignedField(d, dd::kDefaultLocalTime));
    PrintNamedValues("supported features", SupportFeatures(d));
    if (auto m = DefaultMemorySize(d))
        std::printf("  default memory    %d KB\n", m->values[0]);
    else
        std::printf("  default memory    (none)\n");
    std::printf("  memory sizes (%u):", MemorySizes(d).size());
    for (MemorySizeEntry m : MemorySizes(d)) std::printf(" %d KB", m.values[0]);
    std::printf("\n  resolutions (%u), default %d dpi:\n", Resolutions(d).size(),
                DeviceDataSignedField(d, dd::kDefaultResolution));
    for (ResolutionEntry r : Resolutions(d))
        std::printf("    %5d dpi  %s %d  %s %d\n", r.dpi, plat::Utf16ToUtf8(r.text1).c_str(), r.value2,
                    plat::Utf16ToUtf8(r.text2).c_str(), r.value3);
    if (auto s = DefaultInputSlot(d))
        std::printf("  default slot      %s (%u)\n", plat::Utf16ToUtf8(s->name).c_str(), s->value);
    PrintNamedValues("input slots", InputSlots(d));
    PrintDevices("input devices", InputDevices(d));
    PrintDevices("option devices", OptionDevices(d));
    PrintNamedValues("form devices", FormDevices(d));
    std::printf("  form limits       %s x %s mm to %s x %s mm\n",
                Mm(DeviceDataSignedField(d, dd::kMinFormWidth)).c_str(),
                Mm(DeviceDataSignedField(d, dd::kMinFormLength)).c_str(),
                Mm(DeviceDataSignedField(d, dd::kMaxFormWidth)).c_str(),
                Mm(DeviceDataSignedField(d, dd::kMaxFormLength)).c_str());
    if (auto f = DefaultForm(d))
        std::printf("  default form      %s %s x %s mm\n", plat::Utf16ToUtf8(f->name).c_str(), Mm(f->width).c_str(),
                    Mm(f->length).c_str());
    PrintForms("portrait forms", PortraitForms(d));
    PrintForms("landscape forms", LandscapeForms(d));
    PrintForms("compatible portrait forms", CompatiblePortraitForms(d));
    PrintForms("compatible landscape forms", CompatibleLandscapeForms(d));
    PrintNamedValues("applications", Applications(d));
}

// The named fields of the private part, as the record keeps them.
struct NamedField {
    const char* name;
    unsigned offset;
    unsigned width;  // 2 or 4
};
constexpr NamedField kPrivateFields[] = {
    {"flags word", dm::FlagsWord.offset, 2},
    {"overlay status", dm::OverlayStatus.offset, 4},
    {"private id", dm::PrivateId.offset, 4},
    {"private flags 1", dm::Flags1.offset, 4},
    {"private flags 2", dm::Flags2.offset, 4},
    {"devices counted", dm::TraySet.offset, 4},
    {"output paper", dm::OutPaperIndex.offset, 2},
    {"zoom %", dm::Zoom.offset, 2},
    {"output tray", dm::OutputTray.offset, 2},
    {"layout mode", dm::LayoutMode.offset, 2},
    {"layout order", dm::LayoutOrder.offset, 2},
    {"print position top", dm::PrintPosTop.offset, 4},
    {"print position left", dm::PrintPosLeft.offset, 4},
    {"memory KB", dm::MemoryKb.offset, 4},
    {"remembered quality", dm::RememberedQuality.offset, 2},
    {"annotation on", dm::AnnotationOn.offset, 4},
    {"selected stamp", dm::StampNumber.offset, 4},
    {"paper length", dm::PaperLength2.offset, 4},
    {"paper width", dm::PaperWidth2.offset, 4},
    {"slip sheets", dm::SlipSheetsOn.offset, 4},
    {"slip-sheet tray", dm::SlipSheetTray.offset, 4},
    {"separate trays", dm::SeparateTraysOn.offset, 4},
    {"first-sheet tray", dm::FirstSheetTray.offset, 4},
    {"second-sheet tray", dm::SecondSheetTray.offset, 4},
    {"separate default tray", dm::SeparateDefaultTray.offset, 4},
    {"section tray", dm::SectionTray.offset, 4},
    {"front-cover tray", dm::FrontCoverTray.offset, 4},
    {"back-cover tray", dm::BackCoverTray.offset, 4},
    {"image adjust mode", dm::ImageAdjustMode.offset, 2},
};

void PrintRecord(const DriverDevmode& r, HMODULE resources) {
    const DEVMODEW& d = *AsDevmode(r);
    std::printf("Default settings record (%s build, %u bytes)\n", kJapaneseBuild ? "Japanese" : "English",
                static_cast<unsigned>(sizeof(r)));
    std::printf("  dmDeviceName      %s\n", plat::Utf16ToUtf8(GetText(r, dm::DeviceName)).c_str());
    std::printf("  dmSpecVersion     0x%04X  dmDriverVersion 0x%04X  dmSize %u  dmDriverExtra %u\n", d.dmSpecVersion,
                d.dmDriverVersion, d.dmSize, d.dmDriverExtra);
    std::printf("  dmFields          0x%08X\n", d.dmFields);
    std::printf("  dmOrientation %d  dmPaperSize %d  dmPaperLength %d  dmPaperWidth %d  dmScale %d\n", d.dmOrientation,
                d.dmPaperSize, d.dmPaperLength, d.dmPaperWidth, d.dmScale);
    std::printf("  dmCopies %d  dmDefaultSource %d  dmPrintQuality %d  dmColor %d  dmDuplex %d  dmTTOption %d\n",
                d.dmCopies, d.dmDefaultSource, d.dmPrintQuality, d.dmColor, d.dmDuplex, d.dmTTOption);
    std::printf("  dmFormName        %s\n", plat::Utf16ToUtf8(GetText(r, dm::FormName)).c_str());
    std::printf("  dmNup %u  dmICMMethod %u  dmICMIntent %u  dmMediaType %u  dmDitherType %u\n", d.dmNup, d.dmICMMethod,
                d.dmICMIntent, d.dmMediaType, d.dmDitherType);
    std::printf("  language text     %s\n", GetAnsi(r, dm::LanguageText).c_str());
    for (const NamedField& f : kPrivateFields) {
        DWORD v = f.width == 2 ? Get(r, DmField<WORD>{f.offset}) : Get(r, DmField<DWORD>{f.offset});
        std::printf("  %-22s %5u: %u (0x%X)\n", f.name, f.offset, v, v);
    }
    std::printf("  installable devices and options (offset, string id, name: state, choice):\n");
    for (unsigned k = 0; k < dm::DevicePairCount; ++k) {
        WCHAR name[25] = {};
        if (resources) LoadStringW(resources, 201 + k, name, 25);
        std::printf("    %u  %u  %-26s %u, %u\n", dm::DevicePairs + 4 * k, 201 + k, plat::Utf16ToUtf8(name).c_str(),
                    Get(r, dm::DeviceState(k)), Get(r, dm::DeviceChoice(k)));
    }
    if constexpr (kJapaneseBuild)
        std::printf("  trust-marking block first byte '%c'\n", r.bytes[dm::TrustBlock.offset]);
}

bool ShowModel(const fs::path& model, const std::string& binDir) {
    char tmpl[] = "/tmp/orla-model-info-XXXXXX";
    if (!mkdtemp(tmpl)) return false;
    const std::string root = tmpl;
    PlatSetSandboxRoot(root.c_str());
    bool ok = false;
    const std::u16string drv = PlatDriverDirectory();
    const std::u16string dataFile = drv + u"\\" + plat::Utf8ToUtf16(model.filename().string());
    const std::string stem = kJapaneseBuild ? "Quessa" : "Brinda";
    const std::u16string printerName = plat::Utf8ToUtf16(model.stem().string());
    const std::u16string driverPath = drv + (kJapaneseBuild ? u"\\Quessa.dll" : u"\\Brindal.dll");
    const std::u16string configFile = drv + (kJapaneseBuild ? u"\\Talvex.dll" : u"\\Morvin.dll");
    PLAT_PRINTER_SETUP setup{printerName.c_str(), u"QEV ORLA",        u"LPT1:", driverPath.c_str(),
                             dataFile.c_str(),    configFile.c_str(), nullptr,  nullptr};
    HANDLE printer = nullptr;
    bool copied = PlatCopyIntoSandbox(model.string().c_str(), dataFile.c_str());
    for (const char* letter : {"j", "e"}) {
        const std::string dll = stem + letter + ".dll";
        if (!PlatCopyIntoSandbox((binDir + "/" + dll).c_str(), (drv + u"\\" + plat::Utf8ToUtf16(dll)).c_str()))
            std::fprintf(stderr, "model_info: %s not found in %s (device names stay empty)\n", dll.c_str(),
                         binDir.c_str());
    }
    std::printf("==== %s ====\n", model.filename().string().c_str());
    if (!copied || !PlatInstallPrinter(&setup) ||
        !OpenPrinterW(const_cast<LPWSTR>(printerName.c_str()), &printer, nullptr)) {
        std::fprintf(stderr, "model_info: cannot install %s as a printer (error %u)\n", model.string().c_str(),
                     GetLastError());
    } else {
        DeviceDataCacheInit();
        if (const CompiledDeviceData* data = GetDeviceData(printer)) {
            PrintModel(data);
            DriverDevmode record{};
            SetDefaultDevmode(&record, printer, nullptr, data);
            HMODULE resources = LoadResourceDll(printer);
            PrintRecord(record, resources);
            if (resources) FreeResourceDll(resources);
            ReleaseDeviceData(data);
            ok = true;
        } else {
            std::fprintf(stderr, "model_info: %s does not compile\n", model.string().c_str());
        }
        DeviceDataCacheTerm();
        ClosePrinter(printer);
    }
    std::printf("\n");
    std::error_code ec;
    fs::remove_all(root, ec);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> models;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::printf(
                "usage: model_info [MODEL.KDD ...]\n"
                "  prints what each printer model offers and the default settings record of this\n"
                "  build; without arguments, every model in %s\n",
                ORLA_MODELS_DIR);
            return 0;
        }
        if (a.rfind("--", 0) == 0) {
            std::fprintf(stderr, "model_info: unknown option %s (--help for usage)\n", a.c_str());
            return 2;
        }
        models.emplace_back(a);
    }
    if (models.empty()) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(ORLA_MODELS_DIR, ec))
            if (e.path().extension() == ".KDD") models.push_back(e.path());
        std::sort(models.begin(), models.end());
    }
    if (models.empty()) {
        std::fprintf(stderr, "model_info: no models given and none in %s\n", ORLA_MODELS_DIR);
        return 2;
    }
    const std::string binDir = BinDirectory();
    int failures = 0;
    for (const fs::path& m : models)
        if (!ShowModel(fs::absolute(m), binDir)) ++failures;
    return failures ? 1 : 0;
}
