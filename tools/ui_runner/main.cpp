// ui_runner: plays the spooler, GDI and an application towards the interface DLL. It installs a
// printer into a sandbox root (as the print runner does), loads Talvex.dll or Morvin.dll by its
// file name from the driver directory and asks it:
//   caps      every DrvDeviceCapabilities answer of the printer
//   config    starts the printer simulator and the language monitor above the loopback port
//             monitor, lets the monitor read the printer and publish what it reports, then shows
//             the printer configuration in the status manager, what the capabilities make of it,
//             and the "DsDriver" values the interface DLL published
//   docprops  the settings record DrvDocumentProperties hands out for the driver's defaults
//             patched with --set, converted and resolved without a sheet
//   sheet     the document sheet driven by a script of user actions
//   devsheet  the device sheet (printer properties) driven by the same script
//   dialog    a favourites dialog no page opens (2200, 2500), opened on its own by the build's
//             dialog helper and driven by the same script
//   job       the sample document printed through the print runner as a chosen application with
//             the print-time dialog switched on, the script acting in the dialogs that come up
// The status manager reads what the language monitor published in the same sandbox root.
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "outside/dorlik/dorlik_api.h"
#include "outside/portmon/portmon_config.h"
#include "plat/control.h"
#include "plat/host_text.h"
#include "plat/monitor_host.h"
#include "resources/lang/favourites_ids.h"
#include "tools/print_runner/print_runner.h"
#include "tools/printer_sim/printer_sim.h"
#include "tools/printer_sim/sim_options.h"
#include "tools/ui_runner/job_command.h"
#include "tools/ui_runner/open_file_answers.h"
#include "tools/ui_runner/sheet_command.h"
#include "win/kernel.h"
#include "win/printer_ui.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

typedef DWORD (*DeviceCapabilitiesFn)(HANDLE, LPWSTR, WORD, void*, DEVMODEW*);
typedef LONG (*DocumentPropertiesFn)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD);
typedef BOOL (*ConvertDevModeFn)(LPWSTR, PDEVMODEW, PDEVMODEW, PLONG, DWORD);

constexpr DWORD kNoAnswer = 0xFFFFFFFF;
constexpr UINT kJapaneseCodePage = 932, kEnglishCodePage = 1252;

void Usage(FILE* to = stderr) {
    std::fprintf(to,
                 "usage: ui_runner caps|config|docprops|sheet|devsheet|dialog ID|job [--sandbox DIR] [--bin DIR]\n"
                 "       [--printer-model FILE] [--build ja|en] [--printer NAME] [--set NAME=VALUE[/MASK]]...\n"
                 "       [--out FILE]\n"
                 "  --set     a settings field by its dm:: name: --set Copies=4, --set Flags1=0x2000/0x2000\n"
                 "  caps      every capability the interface DLL answers for the printer\n"
                 "  config    the printer simulator and the language monitor are started, the monitor\n"
                 "            publishes what the printer reports; then the status manager's configuration,\n"
                 "            the capabilities it reaches and the \"DsDriver\" values published; takes the\n"
                 "            printer options below\n"
                 "  docprops  the driver's default settings with the --set patches, through\n"
                 "            DrvDocumentProperties without a sheet (--out writes the record)\n"
                 "  sheet     the document sheet driven by --script \"page 520; choose Paper B5; set Copies 3; ok\"\n"
                 "            (page ID, choose CONTROL ITEM, set CONTROL VALUE, click CONTROL, ok, cancel);\n"
                 "            prints the fields OK changed; --png DIR writes each page shown (DIR is made);\n"
                 "            the printer runs behind the language monitor as for config\n"
                 "            --out-record FILE writes the settings record OK made\n"
                 "            --put LOCALFILE=WINPATH places a file into the sandbox; --open-file WINPATH (or\n"
                 "            cancel) answers the next file-open dialog the script brings up, in order (sheet,\n"
                 "            devsheet, dialog); an answer left unused or a dialog left without one fails the run\n"
                 "  devsheet  the device sheet (printer properties) driven by --script as the sheet is\n"
                 "            (\"page 501; click OutPaperTable; choose 2101 A5; choose 2104 A4; ok; ok\");\n"
                 "            prints the TrueType substitution and output paper tables the run changed;\n"
                 "            --png DIR writes each page shown and each dialog as dialog_ID.png\n"
                 "  dialog ID the job favourites dialog (2200) or the favourite details dialog (2500) on its\n"
                 "            own, driven by --script as the sheet is (its controls by id), drawn into\n"
                 "            --png DIR as dialog_ID.png\n"
                 "  job       prints the sample document (--pages N, --doc NAME) through the print runner as\n"
                 "            the application --app NAME[@MAJOR.MINOR] (its program file and version resource;\n"
                 "            default WINWORD.EXE without one) with the user's \"MOPYING_UIOpen\" switch on; the\n"
                 "            --script acts in the print-time dialog 1099 and the dialogs it opens (\"category 651;\n"
                 "            click 1133; set 1229 2; ok\"), --png DIR writes each category shown as\n"
                 "            category_PANEL.png and each dialog as dialog_ID.png; --popup ID/PASSWORD answers the\n"
                 "            account pop-up when it comes up; lists the document events and the escapes that\n"
                 "            reached the graphics DLL; --out FILE writes the job stream\n"
                 "            %s\n%s",
                 SheetScriptUsage(), printersim::kOptionsUsage);
}

void SetUserLocale(bool japanese) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Control Panel\\International", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    const char16_t* locale = japanese ? u"00000411" : u"00000409";
    RegSetValueExW(key, u"Locale", 0, REG_SZ, reinterpret_cast<const BYTE*>(locale), 9 * sizeof(char16_t));
    RegCloseKey(key);
}

std::string U8(std::u16string_view s) {
    return plat::Utf16ToUtf8(std::u16string(s));
}

struct LibraryFree {
    void operator()(HINSTANCE__* m) const { FreeLibrary(m); }
};
struct PrinterClose {
    void operator()(void* h) const { ClosePrinter(h); }
};

struct Interface {
    std::unique_ptr<HINSTANCE__, LibraryFree> dll;
    std::unique_ptr<void, PrinterClose> printer;
    std::u16string printerName;
    DeviceCapabilitiesFn caps = nullptr;
    DocumentPropertiesFn docProps = nullptr;
    ConvertDevModeFn convert = nullptr;

    DWORD Caps(WORD capability, void* output = nullptr) {
        return caps(printer.get(), printerName.data(), capability, output, nullptr);
    }
};

// ---- caps ----

struct CapabilityName {
    WORD code;
    const char* name;
};
constexpr CapabilityName kCapabilityNames[] = {
    {DC_FIELDS, "DC_FIELDS"},
    {DC_PAPERS, "DC_PAPERS"},
    {DC_PAPERSIZE, "DC_PAPERSIZE"},
    {DC_MINEXTENT, "DC_MINEXTENT"},
    {DC_MAXEXTENT, "DC_MAXEXTENT"},
    {DC_BINS, "DC_BINS"},
    {DC_DUPLEX, "DC_DUPLEX"},
    {DC_SIZE, "DC_SIZE"},
    {DC_EXTRA, "DC_EXTRA"},
    {DC_VERSION, "DC_VERSION"},
    {DC_DRIVER, "DC_DRIVER"},
    {DC_BINNAMES, "DC_BINNAMES"},
    {DC_ENUMRESOLUTIONS, "DC_ENUMRESOLUTIONS"},
    {DC_FILEDEPENDENCIES, "DC_FILEDEPENDENCIES"},
    {DC_TRUETYPE, "DC_TRUETYPE"},
    {DC_PAPERNAMES, "DC_PAPERNAMES"},
    {DC_ORIENTATION, "DC_ORIENTATION"},
    {DC_COPIES, "DC_COPIES"},
    {DC_BINADJUST, "DC_BINADJUST"},
    {DC_EMF_COMPLIANT, "DC_EMF_COMPLIANT"},
    {DC_DATATYPE_PRODUCED, "DC_DATATYPE_PRODUCED"},
    {DC_COLLATE, "DC_COLLATE"},
    {DC_MANUFACTURER, "DC_MANUFACTURER"},
    {DC_MODEL, "DC_MODEL"},
    {DC_PERSONALITY, "DC_PERSONALITY"},
    {DC_PRINTRATE, "DC_PRINTRATE"},
    {DC_PRINTRATEUNIT, "DC_PRINTRATEUNIT"},
    {DC_PRINTERMEM, "DC_PRINTERMEM"},
    {DC_MEDIAREADY, "DC_MEDIAREADY"},
    {DC_STAPLE, "DC_STAPLE"},
    {DC_PRINTRATEPPM, "DC_PRINTRATEPPM"},
    {DC_COLORDEVICE, "DC_COLORDEVICE"},
    {DC_NUP, "DC_NUP"},
};

// The names of a list answer: `count` fields of `chars` characters.
void PrintNames(const std::vector<WCHAR>& names, DWORD count, size_t chars) {
    for (DWORD i = 0; i < count; ++i) std::printf("    %s\n", U8(names.data() + i * chars).c_str());
}

// The elements behind one answer, for the capabilities that fill an array.
void PrintDetails(Interface& ui, WORD code, DWORD count) {
    if (count == kNoAnswer || count == 0) return;
    switch (code) {
        case DC_PAPERS:
        case DC_BINS: {
            std::vector<WORD> ids(count);
            ui.Caps(code, ids.data());
            std::printf("   ");
            for (WORD id : ids) std::printf(" %u", id);
            std::printf("\n");
            break;
        }
        case DC_PAPERSIZE: {
            std::vector<POINT> sizes(count);
            ui.Caps(code, sizes.data());
            for (const POINT& p : sizes) std::printf("    %ld x %ld (0.1 mm)\n", long{p.x}, long{p.y});
            break;
        }
        case DC_PAPERNAMES:
        case DC_MEDIAREADY: {
            std::vector<WCHAR> names(64 * count);
            ui.Caps(code, names.data());
            PrintNames(names, count, 64);
            break;
        }
        case DC_BINNAMES: {
            std::vector<WCHAR> names(24 * count);
            ui.Caps(code, names.data());
            PrintNames(names, count, 24);
            break;
        }
        case DC_ENUMRESOLUTIONS: {
            std::vector<LONG> dpi(2 * count);
            ui.Caps(code, dpi.data());
            for (DWORD i = 0; i < count; ++i)
                std::printf("    %ld x %ld dpi\n", long{dpi[2 * i]}, long{dpi[2 * i + 1]});
            break;
        }
        case DC_PERSONALITY: {
            std::vector<WCHAR> name(32);
            ui.Caps(code, name.data());
            PrintNames(name, 1, 32);
            break;
        }
        default:
            break;
    }
}

int ShowCaps(Interface& ui) {
    for (const CapabilityName& c : kCapabilityNames) {
        const DWORD answer = ui.Caps(c.code);
        if (answer == kNoAnswer) {
            std::printf("%-22s -1\n", c.name);
            continue;
        }
        std::printf("%-22s %lu\n", c.name, static_cast<unsigned long>(answer));
        PrintDetails(ui, c.code, answer);
    }
    return 0;
}

// ---- config ----

void PrintVariable(PFN_DorlikReadVariable read, const std::u16string& printer, const char* name) {
    std::vector<BYTE> value(1024);
    DWORD got = 0;
    if (!read || read(printer.c_str(), name, value.data(), static_cast<DWORD>(value.size()), &got) != DORLIK_OK) {
        std::printf("  %-18s (not published)\n", name);
        return;
    }
    value.resize(got);
    auto word = [&](size_t at) { return at + 2 <= value.size() ? value[at] | (value[at + 1] << 8) : 0; };
    auto dword = [&](size_t at) { return at + 4 <= value.size() ? word(at) | (word(at + 2) << 16) : 0; };
    const std::string n = name;
    if (n == "PrinterBinConfig" || n == "PrinterOptConfig") {
        const size_t entry = n == "PrinterBinConfig" ? 12 : 8;
        const unsigned long count = static_cast<unsigned long>(dword(0));
        std::printf("  %-18s %lu entries\n", name, count);
        for (size_t at = 4; at + entry <= value.size() && (at - 4) / entry < count; at += entry) {
            if (entry == 12)
                std::printf("    bin %u device %u form %u paper %u\n", word(at), word(at + 2), word(at + 4),
                            value[at + 6]);
            else
                std::printf("    option %u value %u\n", word(at), word(at + 2));
        }
        return;
    }
    std::printf("  %-18s 0x%lx\n", name, static_cast<unsigned long>(dword(0)));
}

void PrintDsDriver(HANDLE printer) {
    std::printf("DsDriver:\n");
    for (const char16_t* name : {u"printMediaReady", u"printBinNames", u"printDuplexSupported", u"printLanguage",
                                 u"printMemory", u"printStaplingSupported"}) {
        std::vector<BYTE> value(1024);
        DWORD type = 0, needed = 0;
        if (GetPrinterDataExW(printer, u"DsDriver", name, &type, value.data(), 1024, &needed) != ERROR_SUCCESS) {
            std::printf("  %-24s (none)\n", U8(name).c_str());
            continue;
        }
        value.resize(needed);
        std::printf("  %-24s", U8(name).c_str());
        if (type == REG_MULTI_SZ) {
            const char16_t* p = reinterpret_cast<const char16_t*>(value.data());
            const size_t units = value.size() / 2;
            for (size_t i = 0; i < units && p[i];) {
                const std::u16string s(p + i);
                std::printf(" \"%s\"", U8(s).c_str());
                i += s.size() + 1;
            }
        } else if (type == REG_DWORD && value.size() == 4) {
            std::printf(" %u", value[0] | (value[1] << 8) | (value[2] << 16) | (value[3] << 24));
        } else {
            for (BYTE b : value) std::printf(" %02X", b);
        }
        std::printf("\n");
    }
}

// The printer behind the language monitor, as monitor_run sets it up: the simulator on a loopback
// port, the port monitor and the language monitor loaded from the system directory, the port
// opened for the printer. Its job makes the monitor read the printer and publish what it reports
// (the configuration among it) into the status manager. The clock runs 50 times faster than real
// time while the monitors work, so their waits pass quickly.
class PrinterBehindMonitor {
public:
    explicit PrinterBehindMonitor(const printersim::Options& printer) : sim_(printer) {}
    ~PrinterBehindMonitor() {
        if (port_.handle) plat::ClosePort(&port_);
        StopClock();
        plat::UnloadMonitor(&language_);
        plat::UnloadMonitor(&lower_);
        sim_.Stop();
    }
    PrinterBehindMonitor(const PrinterBehindMonitor&) = delete;
    PrinterBehindMonitor& operator=(const PrinterBehindMonitor&) = delete;

    bool Start(const orla::runner::RunOptions& o, std::string& error) {
        for (const char* module : {"Lostrel.dll", "Loopmon.dll"}) {
            const std::u16string target = u"C:\\Windows\\System32\\" + plat::Utf8ToUtf16(module);
            if (!PlatCopyIntoSandbox((o.binDir + "/" + module).c_str(), target.c_str())) {
                error = std::string("cannot copy ") + module + " into the system directory";
                return false;
            }
        }
        if (!ServePrinter(o.printerName)) {
            error =
                "cannot install the printer for the language monitor (error " + std::to_string(GetLastError()) + ")";
            return false;
        }
        if (!sim_.Start()) {
            error = "cannot start the printer simulator";
            return false;
        }
        const std::string address = "127.0.0.1:" + std::to_string(sim_.Port());
        PlatAddPort(kPort, u"Local Port", u"Virtual printer port for USB", PORT_TYPE_WRITE | PORT_TYPE_READ);
        if (!portmon::ConfigureLoopbackPort(kPortMonitor, kPort, address.c_str(), FALSE) ||
            !plat::LoadMonitor(&lower_, u"C:\\Windows\\System32\\Loopmon.dll", kPortMonitor) ||
            !plat::LoadMonitor(&language_, u"C:\\Windows\\System32\\Lostrel.dll", kLanguageMonitor)) {
            error = "cannot load the monitors (error " + std::to_string(GetLastError()) + ")";
            return false;
        }
        clock_ = std::thread([this] {
            while (!stopClock_.load()) {
                PlatClockAdvance(50);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        if (!plat::OpenPort(&port_, &language_, &lower_, kPort, o.printerName.c_str())) {
            error = "OpenPortEx failed (error " + std::to_string(GetLastError()) + ")";
            return false;
        }
        const std::string uel("\x1b%-12345X", 9);
        const std::string job = uel + "@PJL JOB NAME=\"config\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" +
                                printersim::BlankPages(1) + uel + "@PJL EOJ\r\n" + uel;
        plat::JobOptions options;
        options.documentName = u"configuration";
        const plat::JobResult r =
            plat::SendJob(&port_, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), options);
        if (!r.ended) {
            error = "the job to the printer did not end (error " + std::to_string(r.endError) + ")";
            return false;
        }
        return true;
    }

    // Real-time wait until the monitor published the printer's own configuration.
    bool WaitForConfiguration(PFN_DorlikReadVariable read, const std::u16string& printer) const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until) {
            DWORD ext = 0, memory = 0, got = 0;
            if (read &&
                read(printer.c_str(), "PrinterExtStatus", reinterpret_cast<BYTE*>(&ext), 4, &got) == DORLIK_OK &&
                (ext & kConfigFromPrinter) &&
                read(printer.c_str(), "PrinterMemory", reinterpret_cast<BYTE*>(&memory), 4, &got) == DORLIK_OK &&
                memory != 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void StopClock() {
        stopClock_ = true;
        if (clock_.joinable()) clock_.join();
    }

private:
    static constexpr char16_t kPort[] = u"USB001";
    static constexpr char16_t kPortMonitor[] = u"Loopback Port";
    static constexpr char16_t kLanguageMonitor[] = u"Brantel Language Monitor";
    static constexpr char16_t kServedDriver[] = u"QEV Halvoric4400K ORLA";
    static constexpr DWORD kConfigFromPrinter = 0x4;  // "PrinterExtStatus": the printer's own configuration
    static constexpr DWORD kLocalPrinter = 0x40;      // printer attributes
    static constexpr DWORD kBidiEnabled = 0x800;

    // The monitor serves its own driver's printers (the driver named for the printer's model)
    // that are local, with bidirectional support on, and whose driver has the status manager's
    // "Status Variables" key: the printer is installed again so, with the same files, on the
    // simulator's port.
    static bool ServePrinter(const std::u16string& printer) {
        std::u16string name = printer;
        HANDLE h = nullptr;
        if (!OpenPrinterW(name.data(), &h, nullptr)) return false;
        DWORD needed = 0;
        GetPrinterDriverW(h, nullptr, 2, nullptr, 0, &needed);
        std::vector<BYTE> buffer(needed ? needed : 1);
        const bool got = GetPrinterDriverW(h, nullptr, 2, buffer.data(), needed, &needed) != FALSE;
        ClosePrinter(h);
        if (!got) return false;
        const auto* files = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
        const std::u16string driverPath = files->pDriverPath, dataFile = files->pDataFile,
                             configFile = files->pConfigFile;
        PlatDeletePrinter(printer.c_str());
        PLAT_PRINTER_SETUP setup{printer.c_str(),  kServedDriver,      kPort,   driverPath.c_str(),
                                 dataFile.c_str(), configFile.c_str(), nullptr, kLanguageMonitor};
        if (!PlatInstallPrinter(&setup)) return false;
        std::u16string keyName = printer;
        for (char16_t& c : keyName)
            if (c == u'\\') c = u',';
        HKEY key = nullptr;
        const std::u16string path = u"System\\CurrentControlSet\\control\\Print\\Printers\\" + keyName;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return false;
        const std::u16string driver = kServedDriver, port = kPort;
        const DWORD attributes = kLocalPrinter | kBidiEnabled;
        const bool ok = RegSetValueExW(key, u"Printer Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(driver.c_str()),
                                       static_cast<DWORD>((driver.size() + 1) * 2)) == ERROR_SUCCESS &&
                        RegSetValueExW(key, u"Port", 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                                       static_cast<DWORD>((port.size() + 1) * 2)) == ERROR_SUCCESS &&
                        RegSetValueExW(key, u"Attributes", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&attributes),
                                       4) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (!ok) return false;
        const std::u16string variables = u"SOFTWARE\\QEV\\Brantel\\Printers\\" + driver + u"\\Status Variables";
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, variables.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    printersim::Simulator sim_;
    plat::LoadedMonitor lower_, language_;
    plat::HostPort port_;
    std::thread clock_;
    std::atomic<bool> stopClock_{false};
};

PFN_DorlikReadVariable ReaderOf(HMODULE manager) {
    return manager ? reinterpret_cast<PFN_DorlikReadVariable>(
                         reinterpret_cast<void*>(GetProcAddress(manager, "DorlikReadVariable")))
                   : nullptr;
}

int ShowConfig(Interface& ui, HMODULE manager) {
    auto read = ReaderOf(manager);
    std::printf("status manager (%s):\n", manager ? "Dorlik.DLL" : "missing");
    for (const char* name :
         {"PrinterExtStatus", "CompulsivePolling", "PrinterMemory", "PrinterBinConfig", "PrinterOptConfig"})
        PrintVariable(read, ui.printerName, name);
    // The capabilities acquire the configuration, apply it and publish the directory values.
    std::printf("capabilities:\n  DC_DUPLEX %lu\n  DC_STAPLE %lu\n  DC_PRINTERMEM %lu\n  DC_BINS %lu\n",
                static_cast<unsigned long>(ui.Caps(DC_DUPLEX)), static_cast<unsigned long>(ui.Caps(DC_STAPLE)),
                static_cast<unsigned long>(ui.Caps(DC_PRINTERMEM)), static_cast<unsigned long>(ui.Caps(DC_BINS)));
    const DWORD bins = ui.Caps(DC_BINNAMES);
    if (bins != kNoAnswer && bins) {
        std::vector<WCHAR> names(24 * bins);
        ui.Caps(DC_BINNAMES, names.data());
        PrintNames(names, bins, 24);
    }
    const DWORD media = ui.Caps(DC_MEDIAREADY);
    std::printf("  DC_MEDIAREADY %ld\n", media == kNoAnswer ? -1L : static_cast<long>(media));
    PrintDetails(ui, DC_MEDIAREADY, media);
    PrintDsDriver(ui.printer.get());
    return 0;
}

// ---- docprops ----

int ShowDocProps(Interface& ui, const std::vector<orla::runner::SettingPatch>& patches, const std::string& out) {
    LONG size = 0;
    ui.convert(ui.printerName.data(), nullptr, nullptr, &size, CDM_DRIVER_DEFAULT);
    if (size <= 0) {
        std::fprintf(stderr, "ui_runner: DrvConvertDevMode gave no size\n");
        return 1;
    }
    std::vector<BYTE> in(static_cast<size_t>(size)), result(static_cast<size_t>(size));
    if (!ui.convert(ui.printerName.data(), nullptr, reinterpret_cast<DEVMODEW*>(in.data()), &size,
                    CDM_DRIVER_DEFAULT)) {
        std::fprintf(stderr, "ui_runner: DrvConvertDevMode failed (error %lu)\n",
                     static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    for (const orla::runner::SettingPatch& p : patches) {
        if (p.offset + p.bytes.size() > in.size()) {
            std::fprintf(stderr, "ui_runner: --set at %u lies outside the %zu-byte record\n", p.offset, in.size());
            return 2;
        }
        for (size_t i = 0; i < p.bytes.size(); ++i) {
            const uint8_t mask = p.mask.empty() ? 0xFF : p.mask[i];
            in[p.offset + i] = static_cast<BYTE>((in[p.offset + i] & ~mask) | (p.bytes[i] & mask));
        }
    }
    const LONG r =
        ui.docProps(nullptr, ui.printer.get(), ui.printerName.data(), reinterpret_cast<DEVMODEW*>(result.data()),
                    reinterpret_cast<DEVMODEW*>(in.data()), DM_IN_BUFFER | DM_OUT_BUFFER);
    std::printf("DrvDocumentProperties: %ld\n", static_cast<long>(r));
    if (r != IDOK) return 1;
    const DEVMODEW& d = *reinterpret_cast<const DEVMODEW*>(result.data());
    std::printf("  dmSize %u dmDriverExtra %u dmFields 0x%08lx\n", d.dmSize, d.dmDriverExtra,
                static_cast<unsigned long>(d.dmFields));
    std::printf("  form \"%s\" paper %d (%d x %d) orientation %d\n", U8(d.dmFormName).c_str(), d.dmPaperSize,
                d.dmPaperWidth, d.dmPaperLength, d.dmOrientation);
    std::printf("  source %d quality %d copies %d duplex %d collate %d\n", d.dmDefaultSource, d.dmPrintQuality,
                d.dmCopies, d.dmDuplex, d.dmCollate);
    for (const orla::runner::SettingPatch& p : patches) {
        std::printf("  at %u:", p.offset);
        for (size_t i = 0; i < p.bytes.size(); ++i) std::printf(" %02X", result[p.offset + i]);
        std::printf("   (asked:");
        for (uint8_t b : p.bytes) std::printf(" %02X", b);
        std::printf(")\n");
    }
    if (!out.empty()) {
        FILE* f = std::fopen(out.c_str(), "wb");
        if (!f || std::fwrite(result.data(), 1, result.size(), f) != result.size()) {
            std::fprintf(stderr, "ui_runner: cannot write %s\n", out.c_str());
            if (f) std::fclose(f);
            return 1;
        }
        std::fclose(f);
    }
    return 0;
}

// ---- dialog ----

constexpr unsigned kOwnDialogs[] = {orla_res::favourites::kTemplateJobFavourites,
                                    orla_res::favourites::kTemplateDetails};

// "2200" or "2500"; 0 for anything else.
unsigned OwnDialogId(const std::string& text) {
    for (unsigned id : kOwnDialogs)
        if (text == std::to_string(id)) return id;
    return 0;
}

struct ModuleClose {
    void operator()(void* module) const { dlclose(module); }
};

// The build's dialog helper opens the dialog with that build's pages, over the printer and the
// interface DLL already loaded.
int RunOwnDialog(const orla::runner::RunOptions& o, Interface& ui, const SheetRequest& request) {
    const std::string helper =
        o.binDir + (o.japanese ? "/liborla_runner_dialogs_ja.so" : "/liborla_runner_dialogs_en.so");
    std::unique_ptr<void, ModuleClose> module(dlopen(helper.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!module) {
        std::fprintf(stderr, "ui_runner: cannot load %s (%s)\n", helper.c_str(), dlerror());
        return 1;
    }
    const auto open = reinterpret_cast<DialogOpenFn>(dlsym(module.get(), "OrlaRunnerOpenDialog"));
    if (!open) {
        std::fprintf(stderr, "ui_runner: %s lacks its opener\n", helper.c_str());
        return 1;
    }
    return RunDialogScript({open, ui.printer.get(), ui.dll.get()}, request);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage();
        return 2;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h") {
        Usage(stdout);
        return 0;
    }
    if (command != "caps" && command != "config" && command != "docprops" && command != "sheet" &&
        command != "devsheet" && command != "dialog" && command != "job") {
        Usage();
        return 2;
    }
    // dialog names its dialog first: "ui_runner dialog 2200 --script ...".
    unsigned dialogId = 0;
    int firstOption = 2;
    if (command == "dialog") {
        dialogId = argc > 2 ? OwnDialogId(argv[2]) : 0;
        if (dialogId == 0) {
            std::fprintf(stderr,
                         "ui_runner: dialog takes 2200 (job favourites) or 2500 (favourite details), not \"%s\"\n",
                         argc > 2 ? argv[2] : "");
            return 2;
        }
        firstOption = 3;
    }
    orla::runner::RunOptions o;
    std::string build = "ja", out, script = "ok", pngDir, recordOut;
    std::vector<orla::runner::SettingPatch> patches;
    std::vector<std::string> namedSettings;
    const std::string self = argv[0];
    o.binDir = self.find('/') == std::string::npos ? "." : self.substr(0, self.find_last_of('/'));
    o.printerName = u"QEV Halvoric 4400K";
    std::string sandbox;
    printersim::Options printerOptions;  // config: the simulated printer
    JobRequest job;                      // job: the application and the pop-up's entry
    bool scriptGiven = false;
    OpenFileAnswers openFiles;  // sheet, devsheet, dialog: the file-open dialogs' answers
    for (int i = firstOption; i < argc; ++i) {
        const std::string a = argv[i];
        std::string printerError;
        const bool printerBehind = command == "config" || command == "sheet" || command == "devsheet";
        if (printerBehind && printersim::TakeOption(argc, argv, &i, &printerOptions, &printerError)) continue;
        if (!printerError.empty()) {
            std::fprintf(stderr, "ui_runner: %s\n", printerError.c_str());
            return 2;
        }
        if (i + 1 >= argc) {
            Usage();
            return 2;
        }
        const std::string v = argv[++i];
        std::string optionError;
        if (a == "--sandbox") {
            sandbox = v;
        } else if (a == "--bin") {
            o.binDir = v;
        } else if (a == "--printer-model") {
            o.modelFile = v;
        } else if (a == "--build") {
            build = v;
        } else if (a == "--printer") {
            o.printerName = plat::Utf8ToUtf16(v);
        } else if (a == "--out") {
            out = v;
        } else if (a == "--script") {
            script = v;
            scriptGiven = true;
        } else if (command == "job" && a == "--app") {
            if (!ParseHostApplication(v, job.app)) {
                std::fprintf(stderr, "ui_runner: --app takes NAME or NAME@MAJOR.MINOR, not \"%s\"\n", v.c_str());
                return 2;
            }
        } else if (command == "job" && a == "--popup") {
            if (!ParsePopupEntry(v, job.script)) {
                std::fprintf(stderr, "ui_runner: --popup takes ID/PASSWORD, not \"%s\"\n", v.c_str());
                return 2;
            }
        } else if (command == "job" && (a == "--pages" || a == "--doc")) {
            if (a == "--doc") {
                o.documentName = plat::Utf8ToUtf16(v);
            } else {
                o.pages = std::atoi(v.c_str());
                if (o.pages < 1 || o.pages > 999) {
                    std::fprintf(stderr, "ui_runner: --pages takes 1 to 999, not \"%s\"\n", v.c_str());
                    return 2;
                }
            }
        } else if (a == "--png") {
            pngDir = v;
        } else if (a == "--out-record") {
            recordOut = v;
        } else if (a == "--set") {
            namedSettings.push_back(v);  // placed once the build is known
        } else if ((command == "sheet" || command == "devsheet" || command == "dialog") &&
                   TakeOpenFileOption(a, v, openFiles, optionError)) {
            if (!optionError.empty()) {
                std::fprintf(stderr, "ui_runner: %s\n", optionError.c_str());
                return 2;
            }
        } else {
            Usage();
            return 2;
        }
    }
    if (build != "ja" && build != "en") {
        Usage();
        return 2;
    }
    o.japanese = build == "ja";
    for (const std::string& text : namedSettings) {
        orla::runner::SettingPatch patch;
        std::string error;
        if (!orla::runner::NamedSettingPatch(o.binDir, o.japanese, text, patch, error)) {
            std::fprintf(stderr, "ui_runner: %s\n", error.c_str());
            return 2;
        }
        patches.push_back(patch);
    }
    if (o.modelFile.empty())
        o.modelFile =
            std::string(ORLA_SOURCE_DIR) + "/resources/models/" + (o.japanese ? "HV4400KJ.KDD" : "HV3600E.KDD");
    std::error_code ec;
    if (!pngDir.empty() && !std::filesystem::create_directories(pngDir, ec) && ec) {
        std::fprintf(stderr, "ui_runner: cannot make %s (%s)\n", pngDir.c_str(), ec.message().c_str());
        return 1;
    }
    if (sandbox.empty()) sandbox = (std::filesystem::temp_directory_path() / "orla-ui-runner").string();
    std::filesystem::create_directories(sandbox, ec);
    o.sandboxRoot = sandbox;

    // A Japanese system's spooler names its forms in Japanese, an English one in English.
    PlatSetAnsiCodePage(o.japanese ? kJapaneseCodePage : kEnglishCodePage);
    std::string error;
    if (!orla::runner::InstallPrinter(o, error)) {
        std::fprintf(stderr, "ui_runner: %s\n", error.c_str());
        return 1;
    }
    // Each build runs for a user of its language, so the language resources the driver loads (and
    // the names it matches against the printer model's) are the build's own.
    SetUserLocale(o.japanese);
    // The status manager lives in the system directory, as the spooler installs it.
    PlatCopyIntoSandbox((o.binDir + "/Dorlik.dll").c_str(), u"C:\\Windows\\System32\\Dorlik.DLL");
    // Loaded before the monitor binds it, so what the monitor published outlives the monitor.
    std::unique_ptr<HINSTANCE__, LibraryFree> manager(LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL"));
    std::unique_ptr<PrinterBehindMonitor> behind;
    // The spooler keeps the printer's port open under the language monitor, which publishes the
    // configuration while it is open (closing it marks the printer closed): the sheet sees the
    // printer as a user's does.
    if (command == "job") {
        // The application prints the sample page on each of its pages; the dialog comes up only
        // when the script or the user's switch lets it.
        job.options = o;
        job.options.content = orla::runner::PageContent::Sample;
        if (job.options.documentName == orla::runner::RunOptions{}.documentName)
            job.options.documentName = u"Sample document";
        job.script.script = scriptGiven ? script : "ok";
        job.script.pngDir = pngDir;
        job.script.binDir = o.binDir;
        job.script.japanese = o.japanese;
        job.out = out;
        return RunJobCommand(job);
    }
    if (command == "config" || command == "sheet" || command == "devsheet") {
        behind = std::make_unique<PrinterBehindMonitor>(printerOptions);
        if (!behind->Start(o, error)) {
            std::fprintf(stderr, "ui_runner: %s\n", error.c_str());
            return 1;
        }
        if (!behind->WaitForConfiguration(ReaderOf(manager.get()), o.printerName))
            std::fprintf(stderr, "ui_runner: the monitor published no configuration of the printer\n");
    }

    Interface ui;
    ui.printerName = o.printerName;
    const std::u16string dll = std::u16string(PlatDriverDirectory()) + (o.japanese ? u"\\Talvex.dll" : u"\\Morvin.dll");
    ui.dll.reset(LoadLibraryW(dll.c_str()));
    if (!ui.dll) {
        std::fprintf(stderr, "ui_runner: cannot load %s (error %lu)\n", U8(dll).c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    auto entry = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(ui.dll.get(), name)); };
    ui.caps = reinterpret_cast<DeviceCapabilitiesFn>(entry("DrvDeviceCapabilities"));
    ui.docProps = reinterpret_cast<DocumentPropertiesFn>(entry("DrvDocumentProperties"));
    ui.convert = reinterpret_cast<ConvertDevModeFn>(entry("DrvConvertDevMode"));
    if (!ui.caps || !ui.docProps || !ui.convert) {
        std::fprintf(stderr, "ui_runner: the interface DLL lacks its exports\n");
        return 1;
    }
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterW(ui.printerName.data(), &printer, &access)) {
        std::fprintf(stderr, "ui_runner: OpenPrinterW failed (error %lu)\n",
                     static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    ui.printer.reset(printer);
    if (!PrepareOpenFileAnswers(openFiles, error)) {
        std::fprintf(stderr, "ui_runner: %s\n", error.c_str());
        return 1;
    }
    if (command == "caps") return ShowCaps(ui);
    if (command == "config") return ShowConfig(ui, manager.get());
    if (command == "sheet") {
        // The common property sheet UI lives in the system directory too.
        PlatCopyIntoSandbox((o.binDir + "/compstui.dll").c_str(), u"C:\\Windows\\System32\\compstui.dll");
        return ReportOpenFileAnswers(RunSheetScript({ui.docProps, ui.convert, ui.printer.get(), ui.printerName.data()},
                                                    {script, pngDir, recordOut, o.binDir, o.japanese}));
    }
    if (command == "devsheet") {
        PlatCopyIntoSandbox((o.binDir + "/compstui.dll").c_str(), u"C:\\Windows\\System32\\compstui.dll");
        const auto printerProps = reinterpret_cast<SheetPrinterPropertiesFn>(entry("PrinterProperties"));
        if (!printerProps) {
            std::fprintf(stderr, "ui_runner: the interface DLL lacks PrinterProperties\n");
            return 1;
        }
        SheetRequest request{script, pngDir, "", o.binDir, o.japanese};
        request.deviceSheet = true;
        return ReportOpenFileAnswers(RunDeviceSheetScript(
            {ui.docProps, ui.convert, ui.printer.get(), ui.printerName.data(), printerProps}, request));
    }
    if (command == "dialog") {
        SheetRequest request{script, pngDir, "", o.binDir, o.japanese};
        request.dialog = dialogId;
        return ReportOpenFileAnswers(RunOwnDialog(o, ui, request));
    }
    return ShowDocProps(ui, patches, out);
}
