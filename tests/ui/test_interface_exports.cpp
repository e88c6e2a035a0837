// The interface DLL's exports that open no sheet, called the way the spooler, GDI and
// applications call them: the DLL loaded by its file name from the driver directory and its
// entry points found by name. Capabilities of both sample models, job fit, document properties
// with hostile DEVMODEs, conversion in every mode, printer events and upgrade.
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "core/support.h"
#include "outside/dorlik/dorlik_api.h"
#include "plat/monitor_host.h"
#include "ui/entry/printer_config.h"
#include "ui_fixture.h"
#include "win/printer_ui.h"

using namespace orla;
using namespace orla_ui_test;

namespace {

typedef DWORD (*DeviceCapabilitiesFn)(HANDLE, LPWSTR, WORD, void*, DEVMODEW*);
typedef BOOL (*DevQueryPrintExFn)(PDEVQUERYPRINT_INFO);
typedef LONG (*DocumentPropertiesFn)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD);
typedef BOOL (*ConvertDevModeFn)(LPWSTR, PDEVMODEW, PDEVMODEW, PLONG, DWORD);
typedef BOOL (*PrinterEventFn)(LPWSTR, INT, DWORD, LPARAM);
typedef BOOL (*UpgradePrinterFn)(DWORD, LPBYTE);

constexpr DWORD kNoAnswer = 0xFFFFFFFF;

// A DEVMODE in a buffer of its own claimed size, followed by guard bytes that must stay.
struct GuardedDevmode {
    static constexpr size_t kGuard = 64;
    std::vector<BYTE> bytes;
    size_t size;
    explicit GuardedDevmode(size_t n, BYTE fill = 0) : bytes(n + kGuard, 0xCD), size(n) {
        std::memset(bytes.data(), fill, n);
    }
    DEVMODEW* dm() { return reinterpret_cast<DEVMODEW*>(bytes.data()); }
    bool GuardIntact() const {
        for (size_t i = size; i < bytes.size(); ++i)
            if (bytes[i] != 0xCD) return false;
        return true;
    }
};

class InterfaceExports : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        PlatSetUserName(u"taro");
    }
    void TearDown() override {
        dll_.reset();
        manager_.reset();
        UiSandbox::TearDown();
    }

    // Installs a sample model and loads the interface DLL from the driver directory.
    void Install(const std::string& model = "HV4400KJ.KDD", const std::u16string& name = u"Halvoric") {
        InstallSamplePrinter(model, name);
        LoadDll();
    }
    void LoadDll() {
        const std::u16string path = driverDir_ + u"\\" + Widen(kInterfaceDllFile);
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/" + kInterfaceDllFile).c_str(), path.c_str()));
        dll_.reset(LoadLibraryW(path.c_str()));
        ASSERT_NE(dll_, nullptr);
        caps_ = ProcEntry<DeviceCapabilitiesFn>(dll_.get(), "DrvDeviceCapabilities");
        query_ = ProcEntry<DevQueryPrintExFn>(dll_.get(), "DevQueryPrintEx");
        docProps_ = ProcEntry<DocumentPropertiesFn>(dll_.get(), "DrvDocumentProperties");
        convert_ = ProcEntry<ConvertDevModeFn>(dll_.get(), "DrvConvertDevMode");
        event_ = ProcEntry<PrinterEventFn>(dll_.get(), "DrvPrinterEvent");
        upgrade_ = ProcEntry<UpgradePrinterFn>(dll_.get(), "DrvUpgradePrinter");
        ASSERT_TRUE(caps_ && query_ && docProps_ && convert_ && event_ && upgrade_);
    }
    // A model of this build's own with the long paper among its forms.
    void InstallLongPaperModel(int version) {
        std::u16string text = std::u16string(u"*Version: ") + (version >= 4 ? u"4" : u"3") +
                              u"\r\n*FriendlyName: \"QEV Long\"\r\n*PrinterName: \"QEV Long\"\r\n"
                              u"*PrivateID: 0x51455631\r\n*DefaultResolution: 600\r\n*Resolution: 600 \"\" 0 \"\" 0\r\n"
                              u"*DefaultInputSlot: \"AUTO\" 7\r\n*InputSlot: \"AUTO\" 7\r\n"
                              u"*DefaultMemorySize: 65536 0 0 0 0 0 0\r\n*MemorySize: 65536 0 0 0 0 0 0\r\n"
                              u"*MaxForm: 297000 900000\r\n*MinForm: 90000 148000\r\n"
                              u"*DefaultForm: \"A4\" 210000 297000 5000 5000 205000 292000\r\n"
                              u"*FormPort: \"A4\" 210000 297000 5000 5000 205000 292000\r\n*FormPort: \"";
        text += kLongPaperFormName;
        text += u"\" 297000 900000 5000 5000 292000 895000\r\n";
        const std::u16string path = driverDir_ + u"\\LONG.KDD";
        ASSERT_TRUE(orla_test::WriteWinFile(path, orla_test::DescriptionBytes(text)));
        InstallNamed(u"Halvoric", path, nullptr);
        LoadDll();
    }
    DWORD Caps(WORD capability, void* output = nullptr, DEVMODEW* devmode = nullptr) {
        return caps_(printer_, nullptr, capability, output, devmode);
    }

    // The status manager with a configuration read from the printer.
    void PublishConfiguration(const std::u16string& printer, bool duplex) {
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/Dorlik.dll").c_str(), u"C:\\Windows\\System32\\Dorlik.DLL"));
        manager_.reset(LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL"));
        ASSERT_NE(manager_, nullptr);
        auto write = ProcEntry<PFN_DorlikWriteVariable>(manager_.get(), "DorlikWriteVariable");
        ASSERT_NE(write, nullptr);
        const DWORD ext = kConfigFromPrinter | kConfigNoRefreshNeeded;
        ASSERT_EQ(write(printer.c_str(), "PrinterExtStatus", &ext, 4), DORLIK_OK);
        // Feeder 1 with A4 (form 9) loaded, the manual slot with A3; duplex unit when asked.
        const BYTE bins[] = {2,    0,    0,    0,    1,    0,    3, 0, 9,   0,    100,  0x0F, 0xFF, 0xFF,
                             0xFF, 0xFF, 0xD1, 0x07, 0xD1, 0x07, 8, 0, 100, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF};
        ASSERT_EQ(write(printer.c_str(), "PrinterBinConfig", bins, sizeof(bins)), DORLIK_OK);
        const BYTE withDuplex[] = {1, 0, 0, 0, 1, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF};
        const BYTE none[] = {0, 0, 0, 0};
        ASSERT_EQ(duplex ? write(printer.c_str(), "PrinterOptConfig", withDuplex, sizeof(withDuplex))
                         : write(printer.c_str(), "PrinterOptConfig", none, sizeof(none)),
                  DORLIK_OK);
    }

    LibraryPtr dll_;
    LibraryPtr manager_;
    DeviceCapabilitiesFn caps_ = nullptr;
    DevQueryPrintExFn query_ = nullptr;
    DocumentPropertiesFn docProps_ = nullptr;
    ConvertDevModeFn convert_ = nullptr;
    PrinterEventFn event_ = nullptr;
    UpgradePrinterFn upgrade_ = nullptr;
};

// ---- Capabilities ----

TEST_F(InterfaceExports, FixedAndRecordCapabilitiesOfBothModels) {
    // What the sample models' description files say: pages per minute, the default memory size
    // (kilobytes) and the resolutions offered.
    struct Model {
        const char* file;
        DWORD ppm;
        DWORD memoryKb;
        std::vector<LONG> dpi;
    };
    const Model models[] = {
        {"HV4400KJ.KDD", 44, 65536, {300, 600, 1200}},
        {"HV3600E.KDD", 36, 32768, {300, 600}},
    };
    for (const Model& m : models) {
        const char* model = m.file;
        SCOPED_TRACE(model);
        if (printer_) ClosePrinter(printer_);
        printer_ = nullptr;
        InstallSamplePrinter(model, Widen(model));
        if (!dll_) LoadDll();
        struct Case {
            WORD capability;
            DWORD expected;
        } const cases[] = {
            {DC_SIZE, kPublicDevmodeSize},
            {DC_EXTRA, kPrivateDevmodeSize},
            {DC_VERSION, 0x0401},
            {DC_DRIVER, kDevmodeDriverVersion},
            {DC_TRUETYPE, 1},
            {DC_ORIENTATION, 90},
            {DC_COPIES, 999},
            {DC_PRINTRATEUNIT, PRINTRATEUNIT_PPM},
            {DC_STAPLE, 0},
            // No configuration from the printer: the model's default devices count, and only the
            // Japanese model has its duplex unit installed by default.
            {DC_DUPLEX, std::string_view(model) == "HV4400KJ.KDD" ? 1u : 0u},
            {DC_MEDIAREADY, kNoAnswer},
            {DC_MINEXTENT, kNoAnswer},
            {DC_MAXEXTENT, kNoAnswer},
            {DC_FILEDEPENDENCIES, kNoAnswer},
            {DC_BINADJUST, kNoAnswer},
            {DC_EMF_COMPLIANT, kNoAnswer},
            {DC_DATATYPE_PRODUCED, kNoAnswer},
            {DC_COLLATE, kNoAnswer},
            {DC_MANUFACTURER, kNoAnswer},
            {DC_MODEL, kNoAnswer},
            {DC_COLORDEVICE, kNoAnswer},
            {DC_NUP, kNoAnswer},
            {200, kNoAnswer},
        };
        for (const Case& c : cases) EXPECT_EQ(Caps(c.capability), c.expected) << "capability " << c.capability;

        EXPECT_EQ(Caps(DC_PRINTRATE), m.ppm);
        EXPECT_EQ(Caps(DC_PRINTRATEPPM), m.ppm);
        ASSERT_EQ(Caps(DC_ENUMRESOLUTIONS), m.dpi.size());
        std::vector<LONG> dpi(2 * m.dpi.size());
        Caps(DC_ENUMRESOLUTIONS, dpi.data());
        for (size_t i = 0; i < m.dpi.size(); ++i) {
            EXPECT_EQ(dpi[2 * i], m.dpi[i]) << "resolution " << i;
            EXPECT_EQ(dpi[2 * i + 1], m.dpi[i]) << "resolution " << i;
        }
        EXPECT_NE(Caps(DC_FIELDS) & DM_PAPERSIZE, 0u);
        EXPECT_EQ(Caps(DC_PRINTERMEM), m.memoryKb);
        WCHAR personality[32];
        std::memset(personality, 0xEE, sizeof(personality));
        EXPECT_EQ(Caps(DC_PERSONALITY, personality), 1u);
        EXPECT_EQ(std::u16string(personality), u"ORLA");
    }
}

TEST_F(InterfaceExports, PapersSizesAndNamesListTheSameForms) {
    InstallLongPaperModel(4);
    const CompiledDeviceData* data = GetDeviceData(printer_);
    ASSERT_TRUE(AddDriverForms(printer_, data));  // as a context build leaves the spooler
    ReleaseDeviceData(data);
    const DWORD count = Caps(DC_PAPERS);
    ASSERT_GT(count, 0u);
    ASSERT_NE(count, kNoAnswer);
    EXPECT_EQ(Caps(DC_PAPERSIZE), count);
    EXPECT_EQ(Caps(DC_PAPERNAMES), count);
    std::vector<WORD> positions(count);
    std::vector<POINT> sizes(count);
    std::vector<WCHAR> names(64 * count);
    Caps(DC_PAPERS, positions.data());
    Caps(DC_PAPERSIZE, sizes.data());
    Caps(DC_PAPERNAMES, names.data());

    DWORD needed = 0, returned = 0;
    EnumFormsW(printer_, 1, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(EnumFormsW(printer_, 1, buffer.data(), needed, &needed, &returned));
    const FORM_INFO_1W* forms = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
    bool longPaper = false;
    for (DWORD i = 0; i < count; ++i) {
        ASSERT_GE(positions[i], 1);
        ASSERT_LE(positions[i], returned);
        const FORM_INFO_1W& f = forms[positions[i] - 1];
        EXPECT_EQ(std::u16string(&names[64 * i]), std::u16string(f.pName)) << i;
        EXPECT_EQ(sizes[i].x, f.Size.cx / 100) << i;
        EXPECT_EQ(sizes[i].y, f.Size.cy / 100) << i;
        longPaper = longPaper || std::u16string(f.pName) == kLongPaperFormName;
    }
    EXPECT_TRUE(longPaper);  // listed whatever the "*Version"
}

TEST_F(InterfaceExports, DuplexAndBinsFollowTheReportedConfiguration) {
    Install();
    // Before any report the model's default devices count: the automatic slot, feeder 1 and the
    // MP tray, and the duplex unit.
    struct BinCase {
        WORD id;
        UINT name;
    };
    auto expectBins = [&](std::initializer_list<BinCase> expected) {
        const DWORD bins = Caps(DC_BINS);
        ASSERT_EQ(bins, expected.size());
        std::vector<WORD> ids(bins);
        std::vector<WCHAR> names(24 * bins);
        Caps(DC_BINS, ids.data());
        EXPECT_EQ(Caps(DC_BINNAMES, names.data()), bins);
        DWORD i = 0;
        for (const BinCase& b : expected) {
            EXPECT_EQ(ids[i], b.id) << i;
            EXPECT_EQ(std::u16string(&names[24 * i]), ResourceText(printer_, b.name)) << i;
            ++i;
        }
    };
    EXPECT_EQ(Caps(DC_DUPLEX), 1u);
    expectBins({{1, 300}, {257, 301}, {14, 319}});

    // The printer's report replaces the defaults: feeder 1 and the manual slot, the duplex unit
    // only when reported.
    PublishConfiguration(u"Halvoric", false);
    EXPECT_EQ(Caps(DC_DUPLEX), 0u);
    expectBins({{1, 300}, {257, 301}, {4, 307}});
    PublishConfiguration(u"Halvoric", true);
    EXPECT_EQ(Caps(DC_DUPLEX), 1u);
    EXPECT_EQ(Caps(DC_MEDIAREADY), 1u);  // A4 in feeder 1; the manual slot's paper is not offered
    std::vector<WCHAR> media(64);
    Caps(DC_MEDIAREADY, media.data());
    EXPECT_EQ(std::u16string(media.data()), u"A4");
}

// A model whose duplex unit is ready once installed: DC_DUPLEX with and without the unit in the
// printer's report.
TEST_F(InterfaceExports, DuplexUnitReportedReachesDcDuplex) {
    InstallSamplePrinter();
    const std::u16string duplexName = ResourceText(printer_, 209);
    ClosePrinter(printer_);
    printer_ = nullptr;
    std::u16string text =
        u"*Version: 4\r\n*FriendlyName: \"QEV Duplex\"\r\n*PrinterName: \"QEV Duplex\"\r\n"
        u"*PrivateID: 0x51455631\r\n*DefaultResolution: 600\r\n*Resolution: 600 \"\" 0 \"\" 0\r\n"
        u"*DefaultInputSlot: \"AUTO\" 7\r\n*InputSlot: \"AUTO\" 7\r\n*InputSlot: \"FEEDER1\" 257\r\n"
        u"*InputDevice: \"FEEDER1\" 0x0001000C\r\n*OptionDevice: \"" +
        duplexName +
        u"\" 0x00010001\r\n*DefaultMemorySize: 65536 0 0 0 0 0 0\r\n*MemorySize: 65536 0 0 0 0 0 0\r\n"
        u"*MaxForm: 297000 431800\r\n*MinForm: 90000 148000\r\n"
        u"*DefaultForm: \"A4\" 210000 297000 5000 5000 205000 292000\r\n"
        u"*FormPort: \"A4\" 210000 297000 5000 5000 205000 292000\r\n";
    const std::u16string path = driverDir_ + u"\\DUPLEX.KDD";
    ASSERT_TRUE(orla_test::WriteWinFile(path, orla_test::DescriptionBytes(text)));
    InstallNamed(u"Duplexer", path, nullptr);
    LoadDll();

    PublishConfiguration(u"Duplexer", false);
    EXPECT_EQ(Caps(DC_DUPLEX), 0u);
    EXPECT_EQ(Caps(DC_BINS), 2u);  // feeder 1 reported: automatic slot and feeder 1
    PublishConfiguration(u"Duplexer", true);
    EXPECT_EQ(Caps(DC_DUPLEX), 1u);
}

TEST_F(InterfaceExports, WithoutDeviceDataEveryCapabilityFails) {
    Install();
    EXPECT_EQ(caps_(nullptr, nullptr, DC_PAPERS, nullptr, nullptr), kNoAnswer);
    EXPECT_EQ(caps_(nullptr, nullptr, DC_COPIES, nullptr, nullptr), kNoAnswer);
}

// ---- Job fit ----

TEST_F(InterfaceExports, JobFitNamesTheFirstFieldThatMoved) {
    Install();
    DEVQUERYPRINT_INFO info{};
    info.cbSize = sizeof(info);
    info.hPrinter = printer_;
    EXPECT_TRUE(query_(&info));  // no job settings
    EXPECT_FALSE(query_(nullptr));

    // The driver's own record fits.
    std::vector<BYTE> job(kDriverDevmodeSize, 0);
    LONG size = static_cast<LONG>(job.size());
    ASSERT_TRUE(convert_(const_cast<LPWSTR>(u"Halvoric"), nullptr, reinterpret_cast<DEVMODEW*>(job.data()), &size,
                         CDM_DRIVER_DEFAULT));
    DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(job.data());
    info.pDevMode = dm;
    EXPECT_TRUE(query_(&info));
    const DWORD fields = dm->dmFields;
    const SHORT copies = dm->dmCopies;
    dm->dmFields = 0;
    dm->dmCopies = -5;
    EXPECT_TRUE(query_(&info));  // nothing given, nothing to compare
    dm->dmFields = fields;
    dm->dmCopies = copies;

    WCHAR text[128] = {};
    info.pszErrorStr = text;
    info.cchErrorStr = 128;
    struct Case {
        const char* what;
        void (*change)(DEVMODEW*);
        UINT message;
    } const cases[] = {
        {"unknown form", [](DEVMODEW* d) { std::memcpy(d->dmFormName, u"No Such Form", 26); }, 115},
        {"copies out of range", [](DEVMODEW* d) { d->dmCopies = 0; }, 107},
        {"duplex on transparencies",
         [](DEVMODEW* d) {
             d->dmDuplex = DMDUP_VERTICAL;
             Set(*reinterpret_cast<DriverDevmode*>(d), dm::PaperType, WORD{3});
         },
         111},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> copy = job;
        DEVMODEW* changed = reinterpret_cast<DEVMODEW*>(copy.data());
        c.change(changed);
        info.pDevMode = changed;
        ASSERT_FALSE(query_(&info));
        const std::u16string expected = ResourceText(printer_, c.message);
        EXPECT_EQ(std::u16string(text), expected);
        EXPECT_EQ(info.cchNeeded, expected.size() + 1);
    }

    // An older, shorter DEVMODE: fields past its own size are not compared.
    std::vector<BYTE> old(job.begin(), job.begin() + 188);
    DEVMODEW* oldDm = reinterpret_cast<DEVMODEW*>(old.data());
    oldDm->dmSize = 188;
    oldDm->dmDriverExtra = 0;
    oldDm->dmFields = DM_ICMMETHOD | DM_DITHERTYPE;
    old.resize(sizeof(DEVMODEW), 0x77);  // what lies beyond is not the job's
    info.pDevMode = reinterpret_cast<DEVMODEW*>(old.data());
    EXPECT_TRUE(query_(&info));
}

TEST_F(InterfaceExports, JobFitWithoutDeviceDataTellsWhy) {
    Install();
    std::vector<BYTE> job(sizeof(DEVMODEW), 0);
    DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(job.data());
    dm->dmSize = sizeof(DEVMODEW);
    dm->dmFields = DM_COPIES;
    WCHAR text[4] = {u'#', u'#', u'#', u'#'};
    DEVQUERYPRINT_INFO info{sizeof(info), 1, nullptr, dm, text, 4, 0};
    EXPECT_FALSE(query_(&info));
    // Without the printer there is no resource DLL to word the reason: an empty text.
    EXPECT_EQ(text[0], 0);
    EXPECT_EQ(text[3], u'#');
}

// ---- Document properties ----

TEST_F(InterfaceExports, DocumentPropertiesSizeQueryAndPrompt) {
    Install();
    std::vector<BYTE> out(kDriverDevmodeSize, 0);
    DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(out.data());
    EXPECT_EQ(docProps_(nullptr, printer_, nullptr, dm, nullptr, 0), static_cast<LONG>(kDriverDevmodeSize));
    EXPECT_EQ(docProps_(nullptr, printer_, nullptr, nullptr, nullptr, DM_COPY), static_cast<LONG>(kDriverDevmodeSize));
    EXPECT_EQ(out, std::vector<BYTE>(kDriverDevmodeSize, 0));  // nothing written for a size query
    // A prompt without a printer: the sheet cannot start (the sheet itself: test_property_sheets).
    EXPECT_EQ(docProps_(nullptr, nullptr, nullptr, dm, nullptr, DM_COPY | DM_PROMPT), -1);
    EXPECT_EQ(out, std::vector<BYTE>(kDriverDevmodeSize, 0));
    EXPECT_EQ(docProps_(nullptr, nullptr, nullptr, dm, nullptr, DM_COPY), -1);  // no printer, no context
}

TEST_F(InterfaceExports, DocumentPropertiesCopyAndUpdate) {
    Install();
    for (DWORD mode :
         {static_cast<DWORD>(DM_COPY), static_cast<DWORD>(DM_UPDATE), static_cast<DWORD>(DM_MODIFY | DM_COPY)}) {
        SCOPED_TRACE(mode);
        GuardedDevmode out(kDriverDevmodeSize);
        EXPECT_EQ(docProps_(nullptr, printer_, nullptr, out.dm(), nullptr, mode), IDOK);
        EXPECT_EQ(out.dm()->dmSize, kPublicDevmodeSize);
        EXPECT_EQ(out.dm()->dmDriverExtra, kPrivateDevmodeSize);
        EXPECT_TRUE(out.GuardIntact());
    }
    // Without DM_UPDATE or DM_COPY nothing is written, but the call succeeds.
    GuardedDevmode untouched(kDriverDevmodeSize, 0x11);
    EXPECT_EQ(docProps_(nullptr, printer_, nullptr, untouched.dm(), nullptr, DM_MODIFY), IDOK);
    EXPECT_EQ(untouched.bytes[0], 0x11);

    // The caller's own settings come back resolved, in the caller's version.
    GuardedDevmode in(kDriverDevmodeSize);
    EXPECT_EQ(docProps_(nullptr, printer_, nullptr, in.dm(), nullptr, DM_COPY), IDOK);
    in.dm()->dmCopies = 7;
    GuardedDevmode older(188 + 0);
    std::memcpy(older.bytes.data(), in.bytes.data(), 188);
    older.dm()->dmSize = 188;
    older.dm()->dmDriverExtra = 0;
    GuardedDevmode out(kDriverDevmodeSize);
    EXPECT_EQ(docProps_(nullptr, printer_, nullptr, out.dm(), older.dm(), DM_COPY), IDOK);
    EXPECT_EQ(out.dm()->dmCopies, 7);
    EXPECT_EQ(out.dm()->dmSize, 188);
    EXPECT_EQ(out.dm()->dmDriverExtra, 0);
}

// Hostile incoming DEVMODEs: each is read only within its own claimed size, and the result is a
// sound record or a clear error; nothing outside the output record is written.
TEST_F(InterfaceExports, HostileDevmodesGiveASoundRecord) {
    Install();
    GuardedDevmode base(kDriverDevmodeSize);
    ASSERT_EQ(docProps_(nullptr, printer_, nullptr, base.dm(), nullptr, DM_COPY), IDOK);
    struct Case {
        const char* what;
        size_t claimed;  // bytes the caller's buffer holds
        void (*spoil)(DEVMODEW*);
    } const cases[] = {
        {"zero sizes", kDriverDevmodeSize,
         [](DEVMODEW* d) {
             d->dmSize = 0;
             d->dmDriverExtra = 0;
         }},
        {"public part shorter than any version", 100,
         [](DEVMODEW* d) {
             d->dmSize = 100;
             d->dmDriverExtra = 0;
         }},
        {"foreign private identifier", kDriverDevmodeSize,
         [](DEVMODEW* d) { std::memset(reinterpret_cast<BYTE*>(d) + 392, 0x5A, 4); }},
        {"private part larger than ours", kDriverDevmodeSize + 4000,
         [](DEVMODEW* d) { d->dmDriverExtra = static_cast<WORD>(kPrivateDevmodeSize + 4000); }},
        {"private part of a few bytes", 220 + 6, [](DEVMODEW* d) { d->dmDriverExtra = 6; }},
        {"unterminated names", kDriverDevmodeSize,
         [](DEVMODEW* d) {
             for (auto& c : d->dmDeviceName) c = u'D';
             for (auto& c : d->dmFormName) c = u'F';
         }},
        {"every field set", kDriverDevmodeSize,
         [](DEVMODEW* d) {
             const WORD size = d->dmSize, extra = d->dmDriverExtra;
             std::memset(reinterpret_cast<BYTE*>(d) + 64, 0xFF, size - 64);
             d->dmSize = size;
             d->dmDriverExtra = extra;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GuardedDevmode in(c.claimed);
        std::memcpy(in.bytes.data(), base.bytes.data(), std::min<size_t>(c.claimed, kDriverDevmodeSize));
        c.spoil(in.dm());
        const std::vector<BYTE> before = in.bytes;
        GuardedDevmode out(kDriverDevmodeSize);
        const LONG r = docProps_(nullptr, printer_, nullptr, out.dm(), in.dm(), DM_COPY);
        EXPECT_TRUE(r == IDOK || r < 0) << r;
        EXPECT_TRUE(out.GuardIntact());
        EXPECT_EQ(in.bytes, before);  // the input is only read
        if (r != IDOK) continue;
        // What came back is a record the driver reads as its own.
        EXPECT_LE(static_cast<size_t>(out.dm()->dmSize) + out.dm()->dmDriverExtra, kDriverDevmodeSize);
        if (out.dm()->dmSize < 102 + 64) continue;
        bool terminated = false;
        for (WCHAR ch : out.dm()->dmFormName) terminated = terminated || ch == 0;
        EXPECT_TRUE(terminated);
    }
}

// ---- Conversion ----

TEST_F(InterfaceExports, ConvertEveryModeBothWays) {
    Install();
    LPWSTR name = const_cast<LPWSTR>(u"Halvoric");
    // Driver defaults: the size query, then the record.
    LONG size = 0;
    SetLastError(0);
    EXPECT_FALSE(convert_(name, nullptr, nullptr, &size, CDM_DRIVER_DEFAULT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, static_cast<LONG>(kDriverDevmodeSize));
    GuardedDevmode current(kDriverDevmodeSize);
    ASSERT_TRUE(convert_(name, nullptr, current.dm(), &size, CDM_DRIVER_DEFAULT));
    EXPECT_TRUE(current.GuardIntact());
    EXPECT_EQ(current.dm()->dmSize, kPublicDevmodeSize);
    EXPECT_EQ(current.dm()->dmDriverExtra, kPrivateDevmodeSize);
    {
        DriverDevmode defaults{};
        const CompiledDeviceData* data = GetDeviceData(printer_);
        SetDefaultDevmode(&defaults, printer_, nullptr, data);
        ReleaseDeviceData(data);
        EXPECT_EQ(std::memcmp(current.bytes.data(), defaults.bytes, kDriverDevmodeSize), 0);
    }
    current.dm()->dmCopies = 4;

    // Down to the 3.51 form: size query, then the conversion.
    size = 10;
    EXPECT_FALSE(convert_(name, current.dm(), nullptr, &size, CDM_CONVERT351));
    const LONG size351 = 188 + kDevmodePrivateSize351;
    EXPECT_EQ(size, size351);
    GuardedDevmode old(static_cast<size_t>(size351));
    ASSERT_TRUE(convert_(name, current.dm(), old.dm(), &size, CDM_CONVERT351));
    EXPECT_TRUE(old.GuardIntact());
    EXPECT_EQ(old.dm()->dmSize, 188);
    EXPECT_EQ(old.dm()->dmSpecVersion, 0x0320);
    EXPECT_EQ(old.dm()->dmCopies, 4);

    // And back up into a current record.
    GuardedDevmode back(kDriverDevmodeSize);
    std::memcpy(back.bytes.data(), current.bytes.data(), kDriverDevmodeSize);
    back.dm()->dmCopies = 1;
    size = static_cast<LONG>(kDriverDevmodeSize);
    ASSERT_TRUE(convert_(name, old.dm(), back.dm(), &size, CDM_CONVERT));
    EXPECT_TRUE(back.GuardIntact());
    EXPECT_EQ(back.dm()->dmCopies, 4);
    EXPECT_EQ(back.dm()->dmSize, kPublicDevmodeSize);

    // A target smaller than it says it is, or a mode nobody knows: refused.
    size = 50;
    SetLastError(0);
    EXPECT_FALSE(convert_(name, current.dm(), back.dm(), &size, CDM_CONVERT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    size = static_cast<LONG>(kDriverDevmodeSize);
    SetLastError(0);
    EXPECT_FALSE(convert_(name, current.dm(), back.dm(), &size, 0x80));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(convert_(name, current.dm(), back.dm(), nullptr, CDM_CONVERT));
    // Defaults for a printer that does not exist: not a success.
    size = static_cast<LONG>(kDriverDevmodeSize);
    EXPECT_FALSE(convert_(const_cast<LPWSTR>(u"Nobody"), nullptr, back.dm(), &size, CDM_DRIVER_DEFAULT));
    EXPECT_TRUE(back.GuardIntact());
}

// ---- Printer events and upgrade ----

TEST_F(InterfaceExports, InitializeCreatesPrinterDataAndRawSpooling) {
    Install();
    EXPECT_TRUE(event_(const_cast<LPWSTR>(u"Halvoric"), PRINTER_EVENT_INITIALIZE, 0, 0));
    EXPECT_EQ(Raw(u"PALMInfo").rc, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(Raw(u"DAT_Permission").rc == ERROR_SUCCESS || Raw(u"TBL_OutPaperTable").rc == ERROR_SUCCESS, true);
    BYTE* info = GetPrinterInfoAlloc(printer_, 2);
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(reinterpret_cast<PRINTER_INFO_2W*>(info)->Attributes & 0x1000);
    GlobalFree(info);
    // A printer that cannot be opened was not initialised.
    EXPECT_FALSE(event_(const_cast<LPWSTR>(u"Nobody"), PRINTER_EVENT_INITIALIZE, 0, 0));
    EXPECT_FALSE(event_(nullptr, PRINTER_EVENT_INITIALIZE, 0, 0));
    // Events the driver does nothing for.
    for (INT e : {PRINTER_EVENT_ADD_CONNECTION, PRINTER_EVENT_DELETE, PRINTER_EVENT_ATTRIBUTES_CHANGED, 99})
        EXPECT_TRUE(event_(const_cast<LPWSTR>(u"Halvoric"), e, 0, 0)) << e;
}

TEST_F(InterfaceExports, CacheRefreshHandsTheImpersonationBack) {
    Install();
    const DWORD before = PlatOpenImpersonationTokens();
    EXPECT_TRUE(event_(const_cast<LPWSTR>(u"Halvoric"), PRINTER_EVENT_CACHE_REFRESH, 0, 0));
    EXPECT_EQ(PlatOpenImpersonationTokens(), before);
    // "spoolss.dll" is the platform's own module under its system name.
    HMODULE spoolss = LoadLibraryW(u"spoolss.dll");
    ASSERT_NE(spoolss, nullptr);
    EXPECT_NE(GetProcAddress(spoolss, "RevertToPrinterSelf"), nullptr);
    EXPECT_EQ(LoadLibraryW(u"C:\\Windows\\System32\\SPOOLSS.DLL"), spoolss);
    FreeLibrary(spoolss);
    FreeLibrary(spoolss);
}

TEST_F(InterfaceExports, UpgradeRenewsTheFormsOfThePrinter) {
    InstallLongPaperModel(3);
    DRIVER_UPGRADE_INFO_1 info{const_cast<LPWSTR>(u"Halvoric"), nullptr};
    EXPECT_FALSE(upgrade_(2, reinterpret_cast<LPBYTE>(&info)));
    EXPECT_FALSE(upgrade_(1, nullptr));
    DRIVER_UPGRADE_INFO_1 nobody{const_cast<LPWSTR>(u"Nobody"), nullptr};
    EXPECT_FALSE(upgrade_(1, reinterpret_cast<LPBYTE>(&nobody)));
    EXPECT_TRUE(upgrade_(1, reinterpret_cast<LPBYTE>(&info)));
    // The model's long paper is one of the spooler's forms afterwards.
    DWORD needed = 0, returned = 0;
    EnumFormsW(printer_, 1, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(EnumFormsW(printer_, 1, buffer.data(), needed, &needed, &returned));
    const FORM_INFO_1W* forms = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
    bool found = false;
    for (DWORD i = 0; i < returned; ++i) found = found || std::u16string(forms[i].pName) == kLongPaperFormName;
    EXPECT_TRUE(found);
}

}  // namespace

namespace {

// Both language builds export the same entry points under the names the system gives them.
TEST_F(InterfaceExports, BothBuildsExportTheSystemNames) {
    for (const char* file : {"Talvex.dll", "Morvin.dll"}) {
        SCOPED_TRACE(file);
        const std::u16string path = driverDir_ + u"\\" + Widen(file);
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/" + file).c_str(), path.c_str()));
        LibraryPtr dll(LoadLibraryW(path.c_str()));
        ASSERT_NE(dll, nullptr);
        for (const char* name : {"DrvDeviceCapabilities", "DevQueryPrintEx", "DrvConvertDevMode",
                                 "DrvDocumentProperties", "DrvDocumentEvent", "DrvPrinterEvent", "DrvUpgradePrinter",
                                 "DllEntryPoint"})
            EXPECT_NE(GetProcAddress(dll.get(), name), nullptr) << name;
        // What the interface DLL keeps to itself stays inside.
        EXPECT_EQ(GetProcAddress(dll.get(), "DocumentPropertiesNoUi"), nullptr);
    }
}

}  // namespace
