// The print-path runner: the spooler's and GDI's side of a print job, for the graphics DLL.
#include "tools/print_runner/print_runner.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "core/little_endian.h"
#include "plat/app_host.h"
#include "plat/control.h"
#include "plat/gdi_control.h"
#include "plat/host_text.h"
#include "tools/print_runner/runner_escapes.h"
#include "tools/print_runner/runner_options.h"
#include "tools/print_runner/sample_content.h"
#include "win/ddi.h"
#include "win/gdi.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/spool.h"

namespace orla::runner {
namespace {

namespace fs = std::filesystem;

constexpr ULONG kEngineVersion = DDI_DRIVER_VERSION_NT5;
constexpr ULONG kPatternCount = 6;           // the hatch brushes GDI asks for
constexpr int kMaxBandsPerPage = 100000;     // a driver that never ends its page is a fault
constexpr unsigned kLayoutOffset = 492;      // pages-per-sheet mode in the driver's settings
constexpr unsigned kRasterFlagOffset = 397;  // private flags byte whose bit 3 asks for band mode
constexpr BYTE kRasterFlag = 0x08;
constexpr FLONG kEndDocAbort = 1;  // ED_ABORTDOC
constexpr size_t kStampRecordBytes = 780;
typedef DWORD (*DefaultDevmodeProc)(HANDLE hPrinter, BYTE* out, DWORD size);
typedef DWORD (*StoreStampsProc)(HANDLE hPrinter, const BYTE* records, DWORD count);

std::string Failure(const std::string& step) {
    return step + " failed (last error " + std::to_string(GetLastError()) + ")";
}

std::u16string DriverFileName(bool japanese) {
    return japanese ? u"Quessa.dll" : u"Brindal.dll";
}
std::u16string InterfaceFileName(bool japanese) {
    return japanese ? u"Talvex.dll" : u"Morvin.dll";
}

void EnsureSandbox(const std::string& root) {
    const char* current = PlatGetSandboxRoot();
    if (current && root == current) return;
    PlatSetSandboxRoot(root.c_str());
    // A new root is a new machine: nothing read from the old one may stay cached.
    PlatResetForTests();
}

struct InstalledPrinter {
    std::string root;
    std::u16string printer, driverPath, dataFile, configFile;
    std::vector<PrinterDataValue> data;
};

bool SameData(const std::vector<PrinterDataValue>& a, const std::vector<PrinterDataValue>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const PrinterDataValue& x, const PrinterDataValue& y) {
        return x.name == y.name && x.type == y.type && x.bytes == y.bytes;
    });
}

// TRUE when the sandbox file at a Windows path holds exactly the bytes of a host file: a second
// job in one sandbox need not copy the modules again.
bool SameFile(const std::string& hostFile, const std::u16string& windowsPath) {
    const char* mapped = PlatHostPath(windowsPath.c_str());
    if (!mapped) return false;
    std::error_code ec;
    const std::string target = mapped;
    if (fs::file_size(hostFile, ec) != fs::file_size(target, ec) || ec) return false;
    std::ifstream a(hostFile, std::ios::binary), b(target, std::ios::binary);
    if (!a || !b) return false;
    std::vector<char> x(1 << 16), y(1 << 16);
    while (a && b) {
        a.read(x.data(), static_cast<std::streamsize>(x.size()));
        b.read(y.data(), static_cast<std::streamsize>(y.size()));
        if (a.gcount() != b.gcount() || std::memcmp(x.data(), y.data(), static_cast<size_t>(a.gcount())) != 0)
            return false;
    }
    return a.eof() && b.eof();
}

// The driver's default settings record, made by the core of the same language build in a helper
// module of its own (the two builds' cores cannot share one program).
std::vector<BYTE> DefaultDevmode(const RunOptions& o, HANDLE hPrinter) {
    std::string helper = o.binDir + (o.japanese ? "/liborla_runner_settings_ja.so" : "/liborla_runner_settings_en.so");
    void* dl = dlopen(helper.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) return {};
    std::vector<BYTE> out;
    if (auto proc = reinterpret_cast<DefaultDevmodeProc>(dlsym(dl, "OrlaRunnerDefaultDevmode"))) {
        DWORD size = proc(hPrinter, nullptr, 0);
        if (size >= sizeof(DEVMODEW)) {
            out.resize(size);
            if (proc(hPrinter, out.data(), size) != size) out.clear();
        }
    }
    dlclose(dl);
    return out;
}

// The user's stamp list written as the stamp editor stores it, by the settings helper of the job's
// language build (the stored form's texts are in the system code page). FALSE when it could not.
bool StoreUserStamps(const RunOptions& o, HANDLE hPrinter) {
    if (o.userStamps.empty()) return true;
    std::vector<BYTE> records;
    for (const std::vector<uint8_t>& stamp : o.userStamps) {
        if (stamp.size() != kStampRecordBytes) return false;
        records.insert(records.end(), stamp.begin(), stamp.end());
    }
    std::string helper = o.binDir + (o.japanese ? "/liborla_runner_settings_ja.so" : "/liborla_runner_settings_en.so");
    void* dl = dlopen(helper.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) return false;
    auto store = reinterpret_cast<StoreStampsProc>(dlsym(dl, "OrlaRunnerStoreStamps"));
    const bool stored =
        store && store(hPrinter, records.data(), static_cast<DWORD>(o.userStamps.size())) == o.userStamps.size();
    dlclose(dl);
    return stored;
}

struct Settings {
    std::u16string paper;
    int orientation;
};

std::vector<BYTE> BuildDevmode(const RunOptions& o, const std::vector<BYTE>& defaults, const Settings& s,
                               std::string& error) {
    std::vector<BYTE> dm = o.devmode.empty() ? defaults : o.devmode;
    if (dm.empty()) {
        dm.assign(sizeof(DEVMODEW), 0);
        auto* pub = reinterpret_cast<DEVMODEW*>(dm.data());
        pub->dmSpecVersion = DM_SPECVERSION;
        pub->dmSize = sizeof(DEVMODEW);
        pub->dmDriverExtra = 0;
    }
    auto* d = reinterpret_cast<DEVMODEW*>(dm.data());
    std::u16string device = o.printerName.substr(0, CCHDEVICENAME - 1);
    std::memset(d->dmDeviceName, 0, sizeof d->dmDeviceName);
    std::copy(device.begin(), device.end(), d->dmDeviceName);
    std::u16string form = s.paper.substr(0, CCHFORMNAME - 1);
    std::memset(d->dmFormName, 0, sizeof d->dmFormName);
    std::copy(form.begin(), form.end(), d->dmFormName);
    // The form name decides the paper: the paper-size fields are left out.
    d->dmFields &= ~static_cast<DWORD>(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH);
    d->dmFields |= DM_FORMNAME | DM_ORIENTATION | DM_COPIES | DM_DUPLEX | DM_PRINTQUALITY | DM_YRESOLUTION;
    d->dmOrientation = static_cast<SHORT>(s.orientation);
    d->dmCopies = static_cast<SHORT>(o.copies);
    d->dmDuplex = static_cast<SHORT>(o.duplex);
    d->dmPrintQuality = static_cast<SHORT>(o.dpi);
    d->dmYResolution = static_cast<SHORT>(o.dpi);
    if (dm.size() >= kLayoutOffset + 2) {
        dm[kLayoutOffset] = static_cast<BYTE>(o.layout & 0xFF);
        dm[kLayoutOffset + 1] = static_cast<BYTE>((o.layout >> 8) & 0xFF);
        if (o.rasterMode) dm[kRasterFlagOffset] |= kRasterFlag;
    } else if ((o.layout != 1 || o.rasterMode) && !o.devmode.empty()) {
        error = "the settings record's private part of " + std::to_string(dm.size() - sizeof(DEVMODEW)) +
                " bytes ends before the layout and band-mode settings (DEVMODE offsets " +
                std::to_string(kRasterFlagOffset) + " and " + std::to_string(kLayoutOffset) + ")";
    } else if (o.layout != 1 || o.rasterMode) {
        error = "layouts and band mode need the driver's private settings (settings helper not found)";
    }
    for (const SettingPatch& patch : o.settingPatches) {
        if (patch.offset < sizeof(DEVMODEW) || patch.offset > dm.size() ||
            patch.bytes.size() > dm.size() - patch.offset) {
            error = "setting at offset " + std::to_string(patch.offset) + " (" + std::to_string(patch.bytes.size()) +
                    " bytes) lies outside the driver's private settings of " + std::to_string(dm.size()) + " bytes";
            break;
        }
        if (!patch.mask.empty() && patch.mask.size() != patch.bytes.size()) {
            error = "setting at offset " + std::to_string(patch.offset) + ": mask and bytes differ in length";
            break;
        }
        for (size_t i = 0; i < patch.bytes.size(); ++i) {
            BYTE& target = dm[patch.offset + i];
            const BYTE mask = patch.mask.empty() ? 0xFF : patch.mask[i];
            target = static_cast<BYTE>((target & ~mask) | (patch.bytes[i] & mask));
        }
    }
    return dm;
}

// The public values the runner takes from a settings record: each must be one the job can run
// with, and a refusal says which field holds what.
bool RecordValuesUsable(const DEVMODEW& d, std::string& error) {
    struct Check {
        const char* field;
        SHORT value;
        bool usable;
        const char* wanted;
    };
    const Check checks[] = {
        {"dmOrientation", d.dmOrientation,
         d.dmOrientation == DMORIENT_PORTRAIT || d.dmOrientation == DMORIENT_LANDSCAPE,
         "1 (portrait) or 2 (landscape)"},
        {"dmDuplex", d.dmDuplex, d.dmDuplex >= DMDUP_SIMPLEX && d.dmDuplex <= DMDUP_HORIZONTAL,
         "1 (simplex), 2 (long edge) or 3 (short edge)"},
        {"dmCopies", d.dmCopies, d.dmCopies >= 0, "0 or more"},
        {"dmPrintQuality", d.dmPrintQuality, d.dmPrintQuality > 0, "a resolution in dots per inch"},
    };
    for (const Check& c : checks) {
        if (c.usable) continue;
        error = std::string("the record's ") + c.field + " is " + std::to_string(c.value) + "; it must be " + c.wanted;
        return false;
    }
    return true;
}

}  // namespace

bool TakeSettingsRecord(std::vector<uint8_t> record, RunOptions& o, std::string& error) {
    if (record.size() < sizeof(DEVMODEW)) {
        error = "a settings record holds at least the " + std::to_string(sizeof(DEVMODEW)) + "-byte DEVMODE, not " +
                std::to_string(record.size()) + " bytes";
        return false;
    }
    DEVMODEW d;
    std::memcpy(&d, record.data(), sizeof d);
    if (d.dmSize != sizeof(DEVMODEW) || size_t{d.dmSize} + d.dmDriverExtra != record.size()) {
        error = "the record's sizes (dmSize " + std::to_string(d.dmSize) + ", dmDriverExtra " +
                std::to_string(d.dmDriverExtra) + ") do not add up to its " + std::to_string(record.size()) + " bytes";
        return false;
    }
    const std::u16string form(d.dmFormName, std::find(d.dmFormName, d.dmFormName + CCHFORMNAME, u'\0'));
    if (form.empty()) {
        error = "the record names no form";
        return false;
    }
    if (!RecordValuesUsable(d, error)) return false;
    o.paper = form;
    o.orientation = d.dmOrientation;
    o.copies = d.dmCopies;
    o.duplex = d.dmDuplex;
    o.dpi = d.dmPrintQuality;
    if (record.size() >= kLayoutOffset + 2) o.layout = ReadLe16(record, kLayoutOffset);
    o.devmode = std::move(record);
    return true;
}

namespace {

PFN Hook(const std::vector<DRVFN>& hooks, ULONG index) {
    for (const DRVFN& f : hooks)
        if (f.iFunc == index) return f.pfn;
    return nullptr;
}

template <class T>
T HookAs(const std::vector<DRVFN>& hooks, ULONG index) {
    return reinterpret_cast<T>(Hook(hooks, index));
}

// One PDEV and what GDI holds for it.
struct Pdev {
    HDEV hdev = nullptr;
    DHPDEV dhpdev = nullptr;
    HSURF hsurf = nullptr;
    SURFOBJ* pso = nullptr;
    GDIINFO gdiinfo{};
    DEVINFO devinfo{};
    HSURF patterns[kPatternCount] = {};
    Settings settings;
};

class Session {
public:
    Session(const RunOptions& o, RunResult& r) : o_(o), r_(r) {}
    ~Session() { Cleanup(); }

    bool Run();

private:
    const RunOptions& o_;
    RunResult& r_;
    HANDLE printer_ = nullptr;
    HMODULE module_ = nullptr;
    std::u16string driverPath_, dataFile_, configFile_;
    std::vector<DRVFN> hooks_;
    std::vector<DRVFN> engineHooks_;  // what the engine calls: DrvEscape through the log
    InterfaceDll interface_;
    bool driverEnabled_ = false;
    bool docStarted_ = false;
    DWORD jobId_ = 0;
    std::vector<BYTE> defaults_;
    Pdev current_;
    std::string fontPath_ = SampleFontPath();
    std::chrono::steady_clock::duration pageDriverTime_{};  // of the page being printed

    bool Fail(const std::string& message) {
        if (r_.error.empty()) r_.error = message;
        return false;
    }
    bool Open();
    bool CheckForms();
    bool EnablePdev(Pdev& p, const Settings& s);
    bool EnablePdevOn(Pdev& p, std::vector<BYTE>& dm, const Settings& s);
    bool ResetFromApplication(const DEVMODEW* devmode);
    static HDC ApplicationResetDc(HDC hdc, const DEVMODEW* devmode, void* context);
    bool EnableSurface(Pdev& p);
    void DisableSurface(Pdev& p);
    void DisablePdev(Pdev& p);
    bool ResetDc(const Settings& s);
    bool StartDocument(std::u16string& doc);
    void EndPageEvent();
    DWORD ApplicationDc() const { return PlatGdiDcOfDevice(current_.hdev); }
    bool Page(int number);
    void DrawBand(const PageCanvas& canvas, const POINTL& origin, DrawnPage* kept);
    bool DrawCommands(int number);
    bool DrawText(const std::vector<TextLine>& lines);
    DrawnPage& KeepPage();
    void Cleanup();
};

bool Session::Open() {
    std::u16string name = o_.printerName;
    if (!OpenPrinterW(name.data(), &printer_, nullptr)) return Fail(Failure("OpenPrinterW"));
    DWORD needed = 0;
    GetPrinterDriverW(printer_, nullptr, 2, nullptr, 0, &needed);
    if (needed == 0) return Fail(Failure("GetPrinterDriverW (size)"));
    std::vector<BYTE> info(needed);
    if (!GetPrinterDriverW(printer_, nullptr, 2, info.data(), needed, &needed))
        return Fail(Failure("GetPrinterDriverW"));
    auto* di = reinterpret_cast<DRIVER_INFO_2W*>(info.data());
    driverPath_ = di->pDriverPath ? di->pDriverPath : u"";
    dataFile_ = di->pDataFile ? di->pDataFile : u"";
    configFile_ = di->pConfigFile ? di->pConfigFile : u"";
    module_ = LoadLibraryW(driverPath_.c_str());
    if (!module_) return Fail(Failure("LoadLibraryW " + plat::Utf16ToUtf8(driverPath_)));
    auto enable =
        reinterpret_cast<PFN_DrvEnableDriver>(reinterpret_cast<void*>(GetProcAddress(module_, "DrvEnableDriver")));
    if (!enable) return Fail(Failure("GetProcAddress DrvEnableDriver"));
    DRVENABLEDATA ded{};
    if (!enable(kEngineVersion, sizeof ded, &ded)) return Fail(Failure("DrvEnableDriver"));
    driverEnabled_ = true;
    if (!ded.pdrvfn || ded.c == 0) return Fail("DrvEnableDriver returned no hooks");
    // GDI keeps its own copy of the table.
    hooks_.assign(ded.pdrvfn, ded.pdrvfn + ded.c);
    engineHooks_ = EngineHooks(hooks_);
    for (ULONG index :
         {INDEX_DrvEnablePDEV, INDEX_DrvCompletePDEV, INDEX_DrvDisablePDEV, INDEX_DrvEnableSurface,
          INDEX_DrvDisableSurface, INDEX_DrvStartDoc, INDEX_DrvEndDoc, INDEX_DrvStartPage, INDEX_DrvSendPage})
        if (!Hook(hooks_, index)) return Fail("the driver hooks no function " + std::to_string(index));
    defaults_ = DefaultDevmode(o_, printer_);
    r_.fullDevmode = defaults_.size() > sizeof(DEVMODEW);
    if (!StoreUserStamps(o_, printer_)) return Fail("the user's stamps could not be stored");
    // The application's process loads the interface DLL for GDI's document events.
    std::string error;
    if (o_.applicationDc && !interface_.Load(configFile_, error)) return Fail(error);
    return true;
}

// A form name the spooler does not know is not taken by the driver, which then prints on its
// default paper: refuse it here, so a job never comes out on another paper than was asked.
bool Session::CheckForms() {
    DWORD needed = 0, returned = 0;
    EnumFormsW(printer_, 1, nullptr, 0, &needed, &returned);
    if (needed == 0) return Fail(Failure("EnumFormsW (size)"));
    std::vector<BYTE> block(needed);
    if (!EnumFormsW(printer_, 1, block.data(), needed, &needed, &returned)) return Fail(Failure("EnumFormsW"));
    const auto* forms = reinterpret_cast<const FORM_INFO_1W*>(block.data());
    auto known = [&](const std::u16string& name) {
        for (DWORD i = 0; i < returned; ++i)
            if (forms[i].pName && name == forms[i].pName) return true;
        return false;
    };
    std::vector<std::u16string> asked{o_.paper};
    for (const PageSettings& p : o_.perPage)
        if (!p.paper.empty()) asked.push_back(p.paper);
    for (const std::u16string& name : asked) {
        if (known(name)) continue;
        std::string hint;
        for (DWORD i = 0; i < returned; ++i)
            if (forms[i].pName && std::u16string_view(forms[i].pName).rfind(name + u" ", 0) == 0) {
                hint = " (did you mean \"" + plat::Utf16ToUtf8(forms[i].pName) + "\"?)";
                break;
            }
        return Fail("the printer has no form named \"" + plat::Utf16ToUtf8(name) + "\"" + hint);
    }
    return true;
}

bool Session::EnablePdev(Pdev& p, const Settings& s) {
    std::string error;
    std::vector<BYTE> dm = BuildDevmode(o_, defaults_, s, error);
    if (!error.empty()) return Fail(error);
    PLAT_GDI_DEVICE_SETUP setup{printer_, o_.printerName.c_str(), driverPath_.c_str(), dataFile_.c_str()};
    p.hdev = PlatGdiCreateDevice(&setup);
    if (!p.hdev) return Fail(Failure("creating the engine device"));
    return EnablePdevOn(p, dm, s);
}

// DrvEnablePDEV with the settings record on the engine device p.hdev, bound to the engine.
bool Session::EnablePdevOn(Pdev& p, std::vector<BYTE>& dm, const Settings& s) {
    std::u16string deviceName = o_.printerName;
    std::u16string logAddress;
    auto enablePdev = HookAs<PFN_DrvEnablePDEV>(hooks_, INDEX_DrvEnablePDEV);
    p.dhpdev = enablePdev(reinterpret_cast<DEVMODEW*>(dm.data()), logAddress.data(), kPatternCount, p.patterns,
                          sizeof p.gdiinfo, reinterpret_cast<ULONG*>(&p.gdiinfo), sizeof p.devinfo, &p.devinfo, p.hdev,
                          deviceName.data(), printer_);
    if (!p.dhpdev) return Fail(Failure("DrvEnablePDEV"));
    if (!PlatGdiBindDevice(p.hdev, p.dhpdev, engineHooks_.data(), static_cast<ULONG>(engineHooks_.size())) ||
        !PlatGdiSetDeviceCaps(p.hdev, &p.gdiinfo))
        return Fail(Failure("binding the engine device"));
    HookAs<PFN_DrvCompletePDEV>(hooks_, INDEX_DrvCompletePDEV)(p.dhpdev, p.hdev);
    p.settings = s;
    return true;
}

bool Session::EnableSurface(Pdev& p) {
    p.hsurf = HookAs<PFN_DrvEnableSurface>(hooks_, INDEX_DrvEnableSurface)(p.dhpdev);
    if (!p.hsurf) return Fail(Failure("DrvEnableSurface"));
    PLAT_GDI_SURFACE_INFO info = PlatGdiSurfaceInfo(p.hsurf);
    if (!info.valid) return Fail("DrvEnableSurface returned a handle that is no engine surface");
    if (!info.associated) return Fail("DrvEnableSurface did not associate its surface with the device");
    r_.banding = info.banding;
    p.pso = EngLockSurface(p.hsurf);
    if (!p.pso) return Fail(Failure("EngLockSurface"));
    return true;
}

void Session::DisableSurface(Pdev& p) {
    if (p.pso) EngUnlockSurface(p.pso);
    p.pso = nullptr;
    if (p.hsurf) HookAs<PFN_DrvDisableSurface>(hooks_, INDEX_DrvDisableSurface)(p.dhpdev);
    p.hsurf = nullptr;
}

void Session::DisablePdev(Pdev& p) {
    if (p.dhpdev) HookAs<PFN_DrvDisablePDEV>(hooks_, INDEX_DrvDisablePDEV)(p.dhpdev);
    p.dhpdev = nullptr;
    if (p.hdev) PlatGdiDeleteDevice(p.hdev);
    p.hdev = nullptr;
}

// ResetDC inside a document: the sequence GDI runs for a printer graphics DLL.
bool Session::ResetDc(const Settings& s) {
    auto reset = HookAs<PFN_DrvResetPDEV>(hooks_, INDEX_DrvResetPDEV);
    Pdev next;
    if (!EnablePdev(next, s)) {
        DisablePdev(next);
        return false;
    }
    if (reset && !reset(current_.dhpdev, next.dhpdev)) {
        DisablePdev(next);
        return Fail(Failure("DrvResetPDEV"));
    }
    DisableSurface(current_);
    DisablePdev(current_);
    current_ = next;
    r_.resets++;
    if (!EnableSurface(current_)) return false;
    std::u16string doc = o_.documentName;
    if (!HookAs<PFN_DrvStartDoc>(hooks_, INDEX_DrvStartDoc)(current_.pso, doc.data(), jobId_))
        return Fail(Failure("DrvStartDoc after ResetDC"));
    // The application's device context now draws through the new device.
    ResendDcHandle(o_, current_.pso, current_.hdev);
    return true;
}

// ResetDC called by the application's side (the interface DLL's start of the document applies the
// print-time settings so in the English build): GDI keeps the device context, so the new PDEV is
// enabled on the same engine device and the context's handle stays what it was.
bool Session::ResetFromApplication(const DEVMODEW* devmode) {
    const auto* bytes = reinterpret_cast<const BYTE*>(devmode);
    std::vector<BYTE> dm(bytes, bytes + devmode->dmSize + devmode->dmDriverExtra);
    Pdev next;
    next.hdev = current_.hdev;
    if (!EnablePdevOn(next, dm, current_.settings)) {
        if (next.dhpdev) HookAs<PFN_DrvDisablePDEV>(hooks_, INDEX_DrvDisablePDEV)(next.dhpdev);
        PlatGdiBindDevice(current_.hdev, current_.dhpdev, engineHooks_.data(), static_cast<ULONG>(engineHooks_.size()));
        return false;
    }
    auto reset = HookAs<PFN_DrvResetPDEV>(hooks_, INDEX_DrvResetPDEV);
    if (reset && !reset(current_.dhpdev, next.dhpdev)) {
        HookAs<PFN_DrvDisablePDEV>(hooks_, INDEX_DrvDisablePDEV)(next.dhpdev);
        PlatGdiBindDevice(current_.hdev, current_.dhpdev, engineHooks_.data(), static_cast<ULONG>(engineHooks_.size()));
        return Fail(Failure("DrvResetPDEV"));
    }
    DisableSurface(current_);
    HookAs<PFN_DrvDisablePDEV>(hooks_, INDEX_DrvDisablePDEV)(current_.dhpdev);
    current_ = next;
    r_.resets++;
    if (!EnableSurface(current_)) return false;
    std::u16string doc = o_.documentName;
    if (!HookAs<PFN_DrvStartDoc>(hooks_, INDEX_DrvStartDoc)(current_.pso, doc.data(), jobId_))
        return Fail(Failure("DrvStartDoc after ResetDC"));
    return true;
}

HDC Session::ApplicationResetDc(HDC hdc, const DEVMODEW* devmode, void* context) {
    auto* session = static_cast<Session*>(context);
    if (!devmode || devmode->dmSize < sizeof(DEVMODEW) ||
        reinterpret_cast<ULONG_PTR>(hdc) != session->ApplicationDc()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return session->ResetFromApplication(devmode) ? hdc : nullptr;
}

// GDI plays the page's drawing into the band: the part of the page canvas the band covers.
void Session::DrawBand(const PageCanvas& canvas, const POINTL& origin, DrawnPage* kept) {
    SURFOBJ* so = current_.pso;
    if (!so || !so->pvScan0 || so->iBitmapFormat != BMF_1BPP) return;
    auto* scan0 = static_cast<uint8_t*>(so->pvScan0);
    PaintBand(canvas, origin.x, origin.y, scan0, so->lDelta, so->sizlBitmap.cx, so->sizlBitmap.cy);
    if (!kept || !o_.keepBands) return;
    DrawnBand band;
    band.originX = origin.x;
    band.originY = origin.y;
    band.width = so->sizlBitmap.cx;
    band.height = so->sizlBitmap.cy;
    band.stride = static_cast<int>(so->lDelta < 0 ? -so->lDelta : so->lDelta);
    band.bits.resize(static_cast<size_t>(band.stride) * static_cast<size_t>(band.height));
    for (int y = 0; y < band.height; ++y)
        std::memcpy(band.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(band.stride),
                    scan0 + static_cast<ptrdiff_t>(y) * so->lDelta, static_cast<size_t>(band.stride));
    kept->bands.push_back(std::move(band));
}

// Engine objects of one page's command-mode play, released whatever happens.
struct PageObjects {
    std::vector<CLIPOBJ*> clips;
    std::vector<PATHOBJ*> paths;
    std::vector<BRUSHOBJ*> brushes;
    std::vector<XLATEOBJ*> xlates;
    std::vector<HPALETTE> palettes;
    HSURF bitmap = nullptr;
    SURFOBJ* locked = nullptr;
    ~PageObjects() {
        for (CLIPOBJ* c : clips) PlatClipDelete(c);
        for (PATHOBJ* p : paths) EngDeletePath(p);
        for (BRUSHOBJ* b : brushes) PlatBrushDelete(b);
        for (XLATEOBJ* x : xlates) PlatXlateDelete(x);
        for (HPALETTE p : palettes) EngDeletePalette(p);
        if (locked) EngUnlockSurface(locked);
        if (bitmap) EngDeleteSurface(bitmap);
    }
    CLIPOBJ* Clip(const std::vector<RECTL>& rects) {
        CLIPOBJ* c = PlatClipCreate(rects.data(), static_cast<ULONG>(rects.size()));
        if (c) clips.push_back(c);
        return c;
    }
    // A path of one figure through whole pixels.
    PATHOBJ* Path(const std::vector<POINTL>& points, bool closed) {
        if (points.size() < 2) return nullptr;
        std::vector<PLAT_PATH_SEGMENT> segments;
        for (size_t i = 1; i < points.size(); ++i)
            segments.push_back(PLAT_PATH_SEGMENT{FALSE, {POINTFIX{points[i].x * 16, points[i].y * 16}}});
        PLAT_PATH_FIGURE figure{POINTFIX{points[0].x * 16, points[0].y * 16}, static_cast<ULONG>(segments.size()),
                                segments.data(), closed ? TRUE : FALSE};
        PATHOBJ* p = PlatPathCreate(&figure, 1);
        if (p) paths.push_back(p);
        return p;
    }
};

RECTL Rectl(const SampleRect& r) {
    return RECTL{r.left, r.top, r.right, r.bottom};
}

// GDI plays the sample page on the device surface, as an application's drawing reaches a driver
// in command mode: the frame as one paint of a four-piece region, the header bar as a filled
// rectangular path, the blocks as paints of their own clips, lines under the text as stroked
// paths, and the text as a monochrome bitmap copied to its place (ROP4 0xCCCC).
bool Session::DrawCommands(int number) {
    auto paint = HookAs<PFN_DrvPaint>(hooks_, INDEX_DrvPaint);
    auto fill = HookAs<PFN_DrvFillPath>(hooks_, INDEX_DrvFillPath);
    auto stroke = HookAs<PFN_DrvStrokePath>(hooks_, INDEX_DrvStrokePath);
    auto bitBlt = HookAs<PFN_DrvBitBlt>(hooks_, INDEX_DrvBitBlt);
    if (!paint || !fill || !stroke || !bitBlt)
        return Fail("command-mode content needs DrvPaint, DrvFillPath, DrvStrokePath and DrvBitBlt hooked");
    SURFOBJ* pso = current_.pso;
    const int dpi = static_cast<int>(current_.gdiinfo.ulLogPixelsX);
    const int width = static_cast<int>(current_.gdiinfo.ulHorzRes),
              height = static_cast<int>(current_.gdiinfo.ulVertRes);
    DrawnPage& kept = r_.drawn.emplace_back();
    kept.width = width;
    kept.height = height;
    kept.dpi = dpi;
    kept.paperX = static_cast<int>(current_.gdiinfo.ptlPhysOffset.x);
    kept.paperY = static_cast<int>(current_.gdiinfo.ptlPhysOffset.y);
    PageCanvas text = DrawSampleText(number, width, height, dpi, fontPath_);
    if (text.bits.empty())
        return Fail("the printable page of " + std::to_string(width) + " x " + std::to_string(height) + " pixels at " +
                    std::to_string(dpi) + " dpi cannot carry the sample page");
    const SampleLayout l = LayOutSamplePage(number, width, height, dpi);
    constexpr MIX kCopyPen = 0x0D0D;
    PageObjects objects;
    BRUSHOBJ* black = PlatBrushCreateSolid(0, 0x000000);
    if (!black) return Fail(Failure("creating a solid brush"));
    objects.brushes.push_back(black);
    POINTL brushOrigin{0, 0};

    const SampleRect& f = l.frame;
    const int t = l.frameWidth;
    CLIPOBJ* frame = objects.Clip(
        {RECTL{f.left, f.top, f.right, f.top + t}, RECTL{f.left, f.bottom - t, f.right, f.bottom},
         RECTL{f.left, f.top + t, f.left + t, f.bottom - t}, RECTL{f.right - t, f.top + t, f.right, f.bottom - t}});
    if (!frame) return Fail(Failure("creating the frame's clip region"));
    if (!paint(pso, frame, black, &brushOrigin, kCopyPen)) return Fail(Failure("DrvPaint of the page frame"));

    const SampleRect& h = l.header;
    PATHOBJ* bar = objects.Path({{h.left, h.top}, {h.right, h.top}, {h.right, h.bottom}, {h.left, h.bottom}}, true);
    RECTL page{0, 0, width, height};
    CLIPOBJ* whole = PlatClipCreateTrivial(&page);
    if (whole) objects.clips.push_back(whole);
    if (!bar || !whole) return Fail(Failure("creating the header bar's path"));
    if (!fill(pso, bar, whole, black, &brushOrigin, kCopyPen, FP_WINDINGMODE))
        return Fail(Failure("DrvFillPath of the header bar"));

    for (const SampleRect& b : l.blocks) {
        CLIPOBJ* block = objects.Clip({Rectl(b)});
        if (!block) return Fail(Failure("creating a block's clip"));
        if (!paint(pso, block, black, &brushOrigin, kCopyPen)) return Fail(Failure("DrvPaint of a block"));
    }

    // Hairlines under the text block: a straight rule and a zigzag.
    LINEATTRS hairline{};
    hairline.elWidth.l = 1;
    const int ruleY = l.textBlock.bottom + (l.blocks[0].top - l.textBlock.bottom) / 3;
    std::vector<POINTL> zigzag;
    for (int k = 0; k <= 8; ++k)
        zigzag.push_back(
            POINTL{l.textBlock.left + k * (l.textBlock.right - l.textBlock.left) / 16, ruleY + 20 + (k % 2) * 20});
    for (const std::vector<POINTL>& line :
         {std::vector<POINTL>{{l.textBlock.left, ruleY}, {l.textBlock.right, ruleY}}, zigzag}) {
        PATHOBJ* p = objects.Path(line, false);
        if (!p) return Fail(Failure("creating a line's path"));
        if (!stroke(pso, p, whole, nullptr, black, &brushOrigin, &hairline, kCopyPen))
            return Fail(Failure("DrvStrokePath of a line"));
    }

    // The text: a top-down 1-bpp bitmap whose palette is black then white, as the canvas keeps it.
    kept.text = text.text;
    kept.textBlock = l.textBlock;
    kept.textBits = text.bits;
    kept.textStride = text.stride;
    SIZEL size{text.width, text.height};
    objects.bitmap = reinterpret_cast<HSURF>(EngCreateBitmap(size, 0, BMF_1BPP, BMF_TOPDOWN, nullptr));
    if (!objects.bitmap) return Fail(Failure("EngCreateBitmap for the text"));
    objects.locked = EngLockSurface(objects.bitmap);
    if (!objects.locked || !objects.locked->pvScan0) return Fail(Failure("EngLockSurface of the text bitmap"));
    for (int y = 0; y < text.height; ++y)
        std::memcpy(static_cast<BYTE*>(objects.locked->pvScan0) + static_cast<ptrdiff_t>(y) * objects.locked->lDelta,
                    text.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(text.stride),
                    static_cast<size_t>(text.stride));
    ULONG colours[2] = {0x000000, 0xFFFFFF};
    HPALETTE palette = EngCreatePalette(PAL_INDEXED, 2, colours, 0, 0, 0);
    if (!palette) return Fail(Failure("EngCreatePalette"));
    objects.palettes.push_back(palette);
    XLATEOBJ* xlate = PlatXlateCreate(palette, nullptr);
    if (!xlate) return Fail(Failure("creating the text's colour translation"));
    objects.xlates.push_back(xlate);
    RECTL target = Rectl(l.textBlock);
    CLIPOBJ* textClip = objects.Clip({target});
    if (!textClip) return Fail(Failure("creating the text's clip"));
    POINTL source{0, 0};
    if (!bitBlt(pso, objects.locked, nullptr, textClip, xlate, &target, &source, nullptr, nullptr, nullptr, 0xCCCC))
        return Fail(Failure("DrvBitBlt of the text"));
    return true;
}

DrawnPage& Session::KeepPage() {
    DrawnPage& kept = r_.drawn.emplace_back();
    kept.width = static_cast<int>(current_.gdiinfo.ulHorzRes);
    kept.height = static_cast<int>(current_.gdiinfo.ulVertRes);
    kept.dpi = static_cast<int>(current_.gdiinfo.ulLogPixelsX);
    kept.paperX = static_cast<int>(current_.gdiinfo.ptlPhysOffset.x);
    kept.paperY = static_cast<int>(current_.gdiinfo.ptlPhysOffset.y);
    return kept;
}

// The text page in command mode, through DrvTextOut; the lines' boxes in the engine's rendering.
bool Session::DrawText(const std::vector<TextLine>& lines) {
    auto textOut = HookAs<PFN_DrvTextOut>(hooks_, INDEX_DrvTextOut);
    auto widths = HookAs<PFN_DrvQueryAdvanceWidths>(hooks_, INDEX_DrvQueryAdvanceWidths);
    if (!textOut || !widths) return Fail("the text page needs DrvTextOut and DrvQueryAdvanceWidths hooked");
    DrawnPage& kept = KeepPage();
    kept.text = true;
    std::string error;
    double inTextOut = 0;
    if (!PlayTextPage(textOut, widths, current_.dhpdev, current_.pso, lines, &error, &inTextOut)) return Fail(error);
    pageDriverTime_ +=
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(inTextOut));
    kept.textLines = TextLineBoxes(kept.width, kept.height, lines, widths, current_.dhpdev);
    return true;
}

bool Session::Page(int number) {
    const auto pageStart = std::chrono::steady_clock::now();
    if (!HookAs<PFN_DrvStartPage>(hooks_, INDEX_DrvStartPage)(current_.pso)) return Fail(Failure("DrvStartPage"));
    pageDriverTime_ = std::chrono::steady_clock::now() - pageStart;
    if (r_.banding) {
        auto start = HookAs<PFN_DrvStartBanding>(hooks_, INDEX_DrvStartBanding);
        auto next = HookAs<PFN_DrvNextBand>(hooks_, INDEX_DrvNextBand);
        if (!start || !next) return Fail("a banding surface without DrvStartBanding and DrvNextBand");
        // The page's drawing, laid out once on the printable page; each band takes its part.
        PageCanvas canvas;
        DrawnPage* kept = nullptr;
        if (o_.content == PageContent::Sample) {
            const int dpi = static_cast<int>(current_.gdiinfo.ulLogPixelsX);
            canvas = DrawSamplePage(number, static_cast<int>(current_.gdiinfo.ulHorzRes),
                                    static_cast<int>(current_.gdiinfo.ulVertRes), dpi, fontPath_);
            kept = &r_.drawn.emplace_back();
            kept->width = canvas.width;
            kept->height = canvas.height;
            kept->dpi = dpi;
            kept->paperX = static_cast<int>(current_.gdiinfo.ptlPhysOffset.x);
            kept->paperY = static_cast<int>(current_.gdiinfo.ptlPhysOffset.y);
            kept->text = canvas.text;
        }
        std::vector<TextLine> lines;
        if (o_.content == PageContent::Text) {
            kept = &KeepPage();
            kept->text = true;
            lines = LayOutTextPage(kept->width, kept->height, kept->dpi, false);
            kept->textLines = TextLineBoxes(kept->width, kept->height, lines, nullptr, nullptr);
        }
        // GDI tells the interface DLL of the page's end before it plays the page into the bands.
        EndPageEvent();
        POINTL origin{};
        if (!start(current_.pso, &origin)) return Fail(Failure("DrvStartBanding"));
        for (int n = 0;; ++n) {
            if (n >= kMaxBandsPerPage) return Fail("DrvNextBand never ended the page");
            if (o_.content == PageContent::Sample) DrawBand(canvas, origin, kept);
            std::string error;
            if (o_.content == PageContent::Text && !DrawTextBand(current_.pso, origin, lines, &error))
                return Fail(error);
            if (!next(current_.pso, &origin)) return Fail(Failure("DrvNextBand"));
            r_.bands++;
            if (origin.x == -1) break;
        }
    } else {
        if (o_.content == PageContent::Sample && !DrawCommands(number)) return false;
        if (o_.content == PageContent::Text &&
            !DrawText(!o_.textLines.empty()
                          ? o_.textLines
                          : LayOutTextPage(static_cast<int>(current_.gdiinfo.ulHorzRes),
                                           static_cast<int>(current_.gdiinfo.ulVertRes),
                                           static_cast<int>(current_.gdiinfo.ulLogPixelsX), o_.japanese)))
            return false;
        EndPageEvent();
        const auto sendStart = std::chrono::steady_clock::now();
        if (!HookAs<PFN_DrvSendPage>(hooks_, INDEX_DrvSendPage)(current_.pso)) return Fail(Failure("DrvSendPage"));
        pageDriverTime_ += std::chrono::steady_clock::now() - sendStart;
        r_.pageDriverSeconds.push_back(std::chrono::duration<double>(pageDriverTime_).count());
    }
    r_.pagesSent++;
    return true;
}

// StartDoc as GDI runs it: the interface DLL is told before, the spooler starts the job, the
// driver starts its document, and the interface DLL is told after with the job's id (it may show
// the print-time dialog then, and hands the driver its escapes). A failed event fails StartDoc.
bool Session::StartDocument(std::u16string& doc) {
    DOCINFOW docInfo{sizeof(DOCINFOW), doc.c_str(), nullptr, nullptr, 0};
    PVOID docInfoAddress = &docInfo;
    if (o_.applicationDc && interface_.Event(printer_, ApplicationDc(), kEventStartDocPre, sizeof docInfoAddress,
                                             &docInfoAddress, r_) == kEventFailure)
        return Fail("the interface DLL refused the start of the document (DrvDocumentEvent STARTDOCPRE)");
    DOC_INFO_1W info{doc.data(), nullptr, const_cast<LPWSTR>(u"RAW")};
    jobId_ = StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&info));
    if (!jobId_) return Fail(Failure("StartDocPrinterW"));
    docStarted_ = true;
    if (!HookAs<PFN_DrvStartDoc>(hooks_, INDEX_DrvStartDoc)(current_.pso, doc.data(), jobId_))
        return Fail(Failure("DrvStartDoc"));
    LONG job = static_cast<LONG>(jobId_);
    if (o_.applicationDc &&
        interface_.Event(printer_, ApplicationDc(), kEventStartDocPost, sizeof job, &job, r_) == kEventFailure)
        return Fail("the interface DLL failed the start of the document (DrvDocumentEvent STARTDOCPOST)");
    return true;
}

// EndPage as GDI runs it: the interface DLL imprints the page's stamps on the device context
// before the page goes to the driver. GDI goes on with the page whatever the event answers (the
// answer is kept in the result): the Japanese build answers -1 whenever the trust-marking footer
// cannot be had, after the other stamps are on the page.
void Session::EndPageEvent() {
    if (o_.applicationDc) interface_.Event(printer_, ApplicationDc(), kEventEndPage, 0, nullptr, r_);
}

bool Session::Run() {
    if (!Open() || !CheckForms()) return false;
    // Escapes through the application's device context are logged for the job; its ResetDC
    // rebuilds the job's PDEV.
    EscapeLogScope log(HookAs<PFN_DrvEscape>(hooks_, INDEX_DrvEscape), r_.sentEscapes);
    struct ResetHandler {
        explicit ResetHandler(Session* s) { PlatSetResetDcHandler(&Session::ApplicationResetDc, s); }
        ~ResetHandler() { PlatSetResetDcHandler(nullptr, nullptr); }
    } resetHandler(this);
    Settings job{o_.paper, o_.orientation};
    auto pageSettings = [&](int i) {
        Settings s = job;
        if (i < static_cast<int>(o_.perPage.size())) {
            if (!o_.perPage[i].paper.empty()) s.paper = o_.perPage[i].paper;
            if (o_.perPage[i].orientation) s.orientation = o_.perPage[i].orientation;
        }
        return s;
    };
    if (!EnablePdev(current_, pageSettings(0))) return false;
    if (!EnableSurface(current_)) return false;

    std::u16string doc = o_.documentName;
    if (!StartDocument(doc)) return false;
    SendJobEscapes(o_, current_.pso, r_);
    for (int i = 0; i < o_.pages; ++i) {
        Settings s = pageSettings(i);
        if (i > 0 && (s.paper != current_.settings.paper || s.orientation != current_.settings.orientation) &&
            !ResetDc(s))
            return false;
        if (!Page(i + 1)) return false;
    }
    docStarted_ = false;
    const BOOL ended = HookAs<PFN_DrvEndDoc>(hooks_, INDEX_DrvEndDoc)(current_.pso, 0);
    r_.endDocResult = ended ? 1 : 0;
    if (!ended) {
        AbortPrinter(printer_);
        return Fail(Failure("DrvEndDoc"));
    }
    if (!EndDocPrinter(printer_)) return Fail(Failure("EndDocPrinter"));
    const char* spool = PlatLastSpoolFile(o_.printerName.c_str());
    if (!spool) return Fail("the spooler kept no job");
    r_.spoolFile = spool;
    std::ifstream in(spool, std::ios::binary);
    if (!in) return Fail("cannot read the spool file " + r_.spoolFile);
    r_.job.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void Session::Cleanup() {
    if (docStarted_ && current_.pso) {
        // GDI ends an abandoned document with the abort flag.
        r_.endDocResult = HookAs<PFN_DrvEndDoc>(hooks_, INDEX_DrvEndDoc)(current_.pso, kEndDocAbort) ? 1 : 0;
        r_.endDocAborted = true;
        AbortPrinter(printer_);
        docStarted_ = false;
    }
    DisableSurface(current_);
    DisablePdev(current_);
    if (driverEnabled_) {
        if (auto disable = reinterpret_cast<PFN_DrvDisableDriver>(
                reinterpret_cast<void*>(GetProcAddress(module_, "DrvDisableDriver"))))
            disable();
        driverEnabled_ = false;
    }
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    if (printer_) ClosePrinter(printer_);
    printer_ = nullptr;
}

}  // namespace

bool InstallPrinter(const RunOptions& o, std::string& error) {
    EnsureSandbox(o.sandboxRoot);
    const std::u16string driverDir = PlatDriverDirectory();
    std::error_code ec;
    // The driver directory holds every module of the build, as an installed driver's does.
    for (const auto& entry : fs::directory_iterator(o.binDir, ec)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".dll") continue;
        std::u16string target = driverDir + u"\\" + plat::Utf8ToUtf16(entry.path().filename().string());
        if (SameFile(entry.path().string(), target)) continue;  // installed before, unchanged
        if (!PlatCopyIntoSandbox(entry.path().c_str(), target.c_str())) {
            error = Failure("copying " + entry.path().string() + " into the driver directory");
            return false;
        }
    }
    if (ec) {
        error = "cannot list the bin folder " + o.binDir + ": " + ec.message();
        return false;
    }
    const std::u16string driverPath = driverDir + u"\\" + DriverFileName(o.japanese);
    if (GetFileAttributesW(driverPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        error = "the bin folder has no " + plat::Utf16ToUtf8(DriverFileName(o.japanese));
        return false;
    }
    const std::u16string dataFile = driverDir + u"\\" + plat::Utf8ToUtf16(fs::path(o.modelFile).filename().string());
    if (!SameFile(o.modelFile, dataFile) && !PlatCopyIntoSandbox(o.modelFile.c_str(), dataFile.c_str())) {
        error = Failure("copying the device description " + o.modelFile);
        return false;
    }
    const std::u16string configFile = driverDir + u"\\" + InterfaceFileName(o.japanese);
    // The printer this process installed last, with the same files and printer data, is kept:
    // installing writes the registry many times over, and a table of jobs would spend its time
    // there. Anything else (another printer, other printer data) is installed afresh.
    static InstalledPrinter last;
    InstalledPrinter wanted{o.sandboxRoot, o.printerName, driverPath, dataFile, configFile, o.printerData};
    if (last.root == wanted.root && last.printer == wanted.printer && last.driverPath == wanted.driverPath &&
        last.dataFile == wanted.dataFile && last.configFile == wanted.configFile && SameData(last.data, wanted.data))
        return true;
    last = InstalledPrinter{};
    PlatDeletePrinter(o.printerName.c_str());
    PLAT_PRINTER_SETUP setup{o.printerName.c_str(), u"ORLA Page Printer", u"LPT1:", driverPath.c_str(),
                             dataFile.c_str(),      configFile.c_str(),   nullptr,  nullptr};
    if (!PlatInstallPrinter(&setup)) {
        error = Failure("PlatInstallPrinter");
        return false;
    }
    if (o.printerData.empty()) {
        last = wanted;
        return true;
    }
    HANDLE printer = nullptr;
    std::u16string name = o.printerName;
    // Printer data is written with administrator access, as the spooler asks of SetPrinterData.
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(name.data(), &printer, &access)) {
        error = Failure("OpenPrinterW");
        return false;
    }
    for (const PrinterDataValue& v : o.printerData) {
        std::u16string valueName = v.name;
        std::vector<uint8_t> bytes = v.bytes;
        DWORD rc = SetPrinterDataW(printer, valueName.data(), v.type, bytes.data(), static_cast<DWORD>(bytes.size()));
        if (rc != ERROR_SUCCESS) {
            error = "SetPrinterDataW " + plat::Utf16ToUtf8(v.name) + " failed (error " + std::to_string(rc) + ")";
            ClosePrinter(printer);
            return false;
        }
    }
    ClosePrinter(printer);
    last = wanted;
    return true;
}

RunResult RunJob(const RunOptions& o) {
    RunResult result;
    if (o.pages < 1) {
        result.error = "bad options: pages must be 1 or more, not " + std::to_string(o.pages);
        return result;
    }
    if (o.copies < 0) {
        result.error = "bad options: copies must be 0 or more, not " + std::to_string(o.copies);
        return result;
    }
    if (o.dpi <= 0) {
        result.error = "bad options: dpi must be positive, not " + std::to_string(o.dpi);
        return result;
    }
    // The DEVMODE holds copies and resolution in 16-bit fields: a larger value would reach the
    // driver narrowed to another number.
    if (o.copies > SHRT_MAX || o.dpi > SHRT_MAX) {
        result.error = "bad options: copies and dpi must be at most " + std::to_string(SHRT_MAX);
        return result;
    }
    if (!InstallPrinter(o, result.error) || !InstallTrustMarkLibrary(o, result.error)) return result;
    {
        Session session(o, result);
        result.ok = session.Run();
    }
    if (!result.error.empty()) result.ok = false;
    return result;
}

}  // namespace orla::runner
