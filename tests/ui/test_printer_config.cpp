// The printer configuration: tables read and written with hostile counts, acquisition from the
// status manager (none, from the printer, a refused refresh), the manual configuration written
// back, the devices a report installs, the "DsDriver" values, the bidirectional-status flag,
// the table built from the settings record and the tray paper text.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/support.h"
#include "outside/dorlik/dorlik_api.h"
#include "plat/message_window.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/status_manager.h"
#include "ui_fixture.h"

using namespace orla;
using namespace orla_ui_test;

namespace {

std::vector<BYTE> Table(DWORD count, std::initializer_list<std::vector<BYTE>> entries, size_t size) {
    std::vector<BYTE> out(size, 0);
    std::memcpy(out.data(), &count, 4);
    size_t at = 4;
    for (const auto& e : entries) {
        std::memcpy(out.data() + at, e.data(), e.size());
        at += e.size();
    }
    return out;
}
std::vector<BYTE> Bin(WORD bin, WORD device, WORD form, BYTE state) {
    return {static_cast<BYTE>(bin),
            static_cast<BYTE>(bin >> 8),
            static_cast<BYTE>(device),
            static_cast<BYTE>(device >> 8),
            static_cast<BYTE>(form),
            static_cast<BYTE>(form >> 8),
            state,
            0x0F,
            0xFF,
            0xFF,
            0xFF,
            0xFF};
}
std::vector<BYTE> Option(WORD option, WORD value) {
    return {static_cast<BYTE>(option),
            static_cast<BYTE>(option >> 8),
            static_cast<BYTE>(value),
            static_cast<BYTE>(value >> 8),
            0xFF,
            0xFF,
            0xFF,
            0xFF};
}

TEST(PrinterConfigTables, HostileCountsAreCut) {
    struct Case {
        const char* what;
        DWORD count;
        size_t bytes;
        DWORD expected;
    } const cases[] = {
        {"as reported", 3, kBinTableSize, 3},
        {"more than the table holds", 1000, kBinTableSize, kConfigMaxBins},
        {"every bit set", 0xFFFFFFFF, kBinTableSize, kConfigMaxBins},
        {"more than the bytes hold", 5, 4 + 2 * 12 + 5, 2},
        {"shorter than a count", 5, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> bytes = Table(c.count, {Bin(1, 3, 9, 100), Bin(2, 3, 8, 50), Bin(3, 3, 12, 25)}, 100);
        bytes.resize(c.bytes);
        PrinterConfigRecord config{};
        ReadBinTable(bytes, &config);
        EXPECT_EQ(config.binCount, c.expected);
        if (c.expected >= 2) {
            EXPECT_EQ(config.bins[1].bin, 2);
            EXPECT_EQ(config.bins[1].form, 8);
            EXPECT_EQ(config.bins[1].paperState, 50);
        }
        std::vector<BYTE> options = Table(c.count, {Option(1, 1)}, kOptionTableSize);
        options.resize(std::min<size_t>(c.bytes, kOptionTableSize));
        ReadOptionTable(options, &config);
        EXPECT_LE(config.optionCount, kConfigMaxOptions);
    }
}

TEST(PrinterConfigTables, WrittenSizesFollowTheClampedCount) {
    PrinterConfigRecord config{};
    config.binCount = 2;
    config.bins[1] = {2001, 7, 9, 100, 0x0F, 0xFFFFFFFF};
    config.optionCount = 1;
    config.options[0] = {1, 1, 0xFFFFFFFF};
    BYTE bins[kBinTableSize];
    BYTE options[kOptionTableSize];
    EXPECT_EQ(WriteBinTable(config, bins), 2u * 12 + 4);
    EXPECT_EQ(std::vector<BYTE>(bins + 16, bins + 28), Bin(2001, 7, 9, 100));
    EXPECT_EQ(WriteOptionTable(config, options), 8u + 4);
    // A count beyond the table never makes the writer read past it.
    config.binCount = 1000;
    config.optionCount = 0xFFFFFFFF;
    EXPECT_EQ(WriteBinTable(config, bins), kBinTableSize);
    EXPECT_EQ(WriteOptionTable(config, options), kOptionTableSize);
    DWORD count;
    std::memcpy(&count, bins, 4);
    EXPECT_EQ(count, kConfigMaxBins);
}

class PrinterConfigTest : public UiSandbox {
protected:
    struct WindowFree {
        void operator()(HWND__* w) const { PlatDestroyMessageWindow(w); }
    };

    void SetUp() override {
        UiSandbox::SetUp();
        InstallSamplePrinter();
    }
    void TearDown() override {
        window_.reset();
        manager_.reset();
        UiSandbox::TearDown();
    }

    // The status manager in the system directory, and this test's own binding of it for
    // publishing and reading variables.
    void InstallStatusManager() {
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/Dorlik.dll").c_str(), u"C:\\Windows\\System32\\Dorlik.DLL"));
        manager_.reset(LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL"));
        ASSERT_NE(manager_, nullptr);
        write_ = ProcEntry<PFN_DorlikWriteVariable>(manager_.get(), "DorlikWriteVariable");
        read_ = ProcEntry<PFN_DorlikReadVariable>(manager_.get(), "DorlikReadVariable");
        updates_ = ProcEntry<PFN_DorlikUpdateCount>(manager_.get(), "DorlikUpdateCount");
        handles_ = ProcEntry<PFN_DorlikOpenHandles>(manager_.get(), "DorlikOpenHandles");
        ASSERT_TRUE(write_ && read_ && updates_ && handles_);
    }
    void Publish(const char* name, const std::vector<BYTE>& value) {
        ASSERT_EQ(write_(u"Halvoric", name, value.data(), static_cast<DWORD>(value.size())), DORLIK_OK) << name;
    }
    void PublishDword(const char* name, DWORD value) { Publish(name, Le32(value)); }
    std::vector<BYTE> Read(const char* name) {
        std::vector<BYTE> value(1024);
        DWORD got = 0;
        if (read_(u"Halvoric", name, value.data(), static_cast<DWORD>(value.size()), &got) != DORLIK_OK) return {};
        value.resize(got);
        return value;
    }
    HWND Window() {
        window_.reset(PlatCreateMessageWindow(u"OrlaConfigTest", u"config"));
        return window_.get();
    }
    UINT NextMessage() {
        MSG msg{};
        return PlatGetWindowMessage(window_.get(), &msg, 0) ? msg.message : 0;
    }

    LibraryPtr manager_;
    std::unique_ptr<HWND__, WindowFree> window_;
    PFN_DorlikWriteVariable write_ = nullptr;
    PFN_DorlikReadVariable read_ = nullptr;
    PFN_DorlikUpdateCount updates_ = nullptr;
    PFN_DorlikOpenHandles handles_ = nullptr;
};

TEST_F(PrinterConfigTest, WithoutStatusManagerNothingChangesAndTheWindowHears) {
    PrinterConfigRecord config{};
    config.extStatus = 0x10;
    config.binCount = 1;
    const PrinterConfigRecord before = config;
    HWND window = Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(AcquirePrinterConfig(&config, printer_, window), 0);
    EXPECT_EQ(std::memcmp(&config, &before, sizeof(config)), 0);
    EXPECT_EQ(NextMessage(), kMsgNoStatusManager);
    // Without a window there is nobody to tell.
    EXPECT_EQ(AcquirePrinterConfig(&config, printer_, nullptr), 0);
    EXPECT_EQ(NextMessage(), 0u);
}

TEST_F(PrinterConfigTest, ConfigurationReadFromThePrinter) {
    InstallStatusManager();
    PublishDword("PrinterExtStatus", kConfigFromPrinter | kConfigNoRefreshNeeded);
    Publish("PrinterBinConfig", Table(2, {Bin(1, 3, 9, 100), Bin(2001, 0x20, 0xFFFF, 253)}, 28));
    Publish("PrinterOptConfig", Table(2, {Option(1, 1), Option(5002, 5002)}, 20));
    PublishDword("PrinterMemory", 131072);
    PublishDword("CompulsivePolling", 1);
    PrinterConfigRecord config{};
    EXPECT_EQ(AcquirePrinterConfig(&config, printer_, nullptr), 0);
    EXPECT_EQ(config.extStatus, kConfigFromPrinter | kConfigNoRefreshNeeded);
    ASSERT_EQ(config.binCount, 2u);
    EXPECT_EQ(config.bins[0].bin, 1);
    EXPECT_EQ(config.bins[0].form, 9);
    EXPECT_EQ(config.bins[1].bin, kBinManual);
    EXPECT_EQ(config.bins[1].paperState, 253);
    ASSERT_EQ(config.optionCount, 2u);
    EXPECT_EQ(config.options[1].option, 5002);
    EXPECT_EQ(config.memory, 131072u);
    EXPECT_EQ(config.compulsivePolling, 1u);
    // The manager is closed and the library let go at the end of the acquisition.
    EXPECT_EQ(config.hStatusLib, nullptr);
    EXPECT_EQ(config.hManager, nullptr);
    EXPECT_EQ(handles_(), 0u);
}

TEST_F(PrinterConfigTest, HostileTablesFromTheManagerAreCut) {
    InstallStatusManager();
    PublishDword("PrinterExtStatus", kConfigFromPrinter | kConfigNoRefreshNeeded);
    Publish("PrinterBinConfig", Table(0xFFFFFFFF, {Bin(1, 3, 9, 100)}, 100));
    Publish("PrinterOptConfig", Table(77, {Option(1, 1)}, 20));
    PrinterConfigRecord config{};
    AcquirePrinterConfig(&config, printer_, nullptr);
    EXPECT_EQ(config.binCount, kConfigMaxBins);
    EXPECT_EQ(config.optionCount, 2u);  // what the 20 bytes hold
}

TEST_F(PrinterConfigTest, RefusedRefreshIsToldToTheWindow) {
    InstallStatusManager();
    // From the printer, but stale and the monitor does not poll: a refresh is asked for; no
    // monitor serves the printer, so the manager refuses it.
    PublishDword("PrinterExtStatus", kConfigFromPrinter);
    PublishDword("CompulsivePolling", 0);
    PrinterConfigRecord config{};
    HWND window = Window();
    EXPECT_EQ(AcquirePrinterConfig(&config, printer_, window), 0);
    EXPECT_EQ(NextMessage(), kMsgConfigRefused);
    EXPECT_EQ(config.pendingRequest, 0u);
    EXPECT_EQ(config.hStatusLib, nullptr);
    EXPECT_EQ(handles_(), 0u);
}

TEST_F(PrinterConfigTest, ManualConfigurationIsWrittenBack) {
    InstallStatusManager();
    PrinterConfigRecord config{};
    config.memory = 65536;
    config.binCount = 1000;  // a damaged count writes the whole table, never more
    config.bins[0] = {1, 3, 0xFFFF, 0xFF, 0x0F, 0xFFFFFFFF};
    config.optionCount = 1;
    config.options[0] = {1, 1, 0xFFFFFFFF};
    config.faceUpTray = 2;
    UpdatePrinterConfig(&config, printer_);
    EXPECT_EQ(Read("PrinterBinConfig").size(), kBinTableSize);
    EXPECT_EQ(Read("PrinterOptConfig"), Table(1, {Option(1, 1)}, 12));
    EXPECT_EQ(Read("PrinterMemory"), Le32(65536));
    EXPECT_EQ(Read("FaceUpTrayInfo"), Le32(2));
    // A configuration read from the printer is not written back.
    config.extStatus = kConfigFromPrinter;
    config.memory = 1;
    UpdatePrinterConfig(&config, printer_);
    EXPECT_EQ(updates_(u"Halvoric", "PrinterMemory"), 1u);
    EXPECT_EQ(handles_(), 0u);
}

TEST_F(PrinterConfigTest, PalmFlagFollowsTheConfiguration) {
    DriverDevmode record{};
    PrinterConfigRecord config{};
    config.extStatus = kConfigFromPrinter;
    UpdatePalmFlag(&record, &config, printer_);
    EXPECT_TRUE(Get(record, dm::Flags2) & kFlags2NoMemoryRule);
    // Not from the printer, and the printer has no bidirectional support: cleared.
    config.extStatus = 0;
    UpdatePalmFlag(&record, &config, printer_);
    EXPECT_FALSE(Get(record, dm::Flags2) & kFlags2NoMemoryRule);
    EXPECT_EQ(Raw(u"PALMInfo").rc, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));  // never asked
}

TEST_F(PrinterConfigTest, TableBuiltFromTheSettingsRecord) {
    DriverDevmode record{};
    for (unsigned pair : {dm::kFeeder1, dm::kFeeder2, dm::kFeeder3, dm::kFeeder4, dm::kFeeder5, dm::kMsf,
                          dm::kMultiPurpose, dm::kManual, dm::kEnvelopeFeeder, dm::kDuplex, dm::kLcs}) {
        Set(record, dm::DeviceState(pair), dm::kDeviceInstalled);
        Set(record, dm::DeviceChoice(pair), static_cast<WORD>(100 + pair));
    }
    Set(record, dm::MemoryKb, DWORD{32768});
    Set(record, dm::FaceUpTray, DWORD{1});
    PrinterConfigRecord config{};
    BuildTrayTableFromOptions(&record, &config);
    // Nine trays installed, eight places: the envelope feeder, last in order, stays out.
    ASSERT_EQ(config.binCount, kConfigMaxBins);
    const WORD order[] = {1, 2, 3, 4, 5, kBinMsf, kBinMultiPurpose, kBinManual};
    for (DWORD i = 0; i < kConfigMaxBins; ++i) EXPECT_EQ(config.bins[i].bin, order[i]) << i;
    EXPECT_EQ(config.bins[5].deviceId, 100 + dm::kMsf);
    EXPECT_EQ(config.bins[0].form, 0xFFFF);
    EXPECT_EQ(config.bins[0].paperState, 0xFF);
    ASSERT_EQ(config.optionCount, 2u);
    EXPECT_EQ(config.options[0].option, kOptionDuplex);
    EXPECT_EQ(config.options[1].option, kOptionLcs);
    EXPECT_EQ(config.outputTrayCount, 2u);
    EXPECT_EQ(config.outputTrays[1][0], 2);
    EXPECT_EQ(config.memory, 32768u);
    EXPECT_EQ(config.faceUpTray, 1u);
    // A configuration from the printer is left as it is.
    config.extStatus = kConfigFromPrinter;
    config.binCount = 1;
    BuildTrayTableFromOptions(&record, &config);
    EXPECT_EQ(config.binCount, 1u);
}

class PublishTest : public PrinterConfigTest {
protected:
    // A model whose finisher 2 and duplex unit have their ready bit, so that a report makes them
    // ready; the device names are the build's own.
    void SetUp() override {
        UiSandbox::SetUp();
        InstallSamplePrinter();  // for the resource DLL's names
        auto name = [&](UINT id) { return ResourceText(printer_, id); };
        std::u16string text =
            u"*Version: 4\r\n*FriendlyName: \"QEV Publish\"\r\n*PrinterName: \"QEV Publish\"\r\n"
            u"*PrivateID: 0x51455631\r\n*DefaultResolution: 600\r\n*Resolution: 600 \"\" 0 \"\" 0\r\n"
            u"*DefaultInputSlot: \"AUTO\" 7\r\n*InputSlot: \"AUTO\" 7\r\n*InputSlot: \"FEEDER1\" 257\r\n"
            u"*InputSlot: \"MANUAL\" 4\r\n*InputDevice: \"FEEDER1\" 0x0001000C\r\n"
            u"*InputDevice: \"MANUAL\" 0x00010020\r\n";
        text += u"*OptionDevice: \"" + name(209) + u"\" 0x00010001\r\n";
        text += u"*OptionDevice: \"" + name(215) + u"\" 0x00010040\r\n";
        text +=
            u"*DefaultMemorySize: 65536 0 0 0 0 0 0\r\n*MemorySize: 65536 0 0 0 0 0 0\r\n"
            u"*MaxForm: 297000 431800\r\n*MinForm: 90000 148000\r\n"
            u"*DefaultForm: \"A4\" 210000 297000 5000 5000 205000 292000\r\n"
            u"*FormPort: \"A4\" 210000 297000 5000 5000 205000 292000\r\n";
        ClosePrinter(printer_);
        printer_ = nullptr;
        const std::u16string path = driverDir_ + u"\\PUBLISH.KDD";
        ASSERT_TRUE(orla_test::WriteWinFile(path, orla_test::DescriptionBytes(text)));
        InstallNamed(u"Publisher", path, nullptr);
        data_ = GetDeviceData(printer_);
        ASSERT_NE(data_, nullptr);
        SetDefaultDevmode(&record_, printer_, nullptr, data_);
    }
    void TearDown() override {
        if (data_) ReleaseDeviceData(data_);
        PrinterConfigTest::TearDown();
    }
    RawValue Ds(const char16_t* name) {
        RawValue v;
        v.bytes.resize(512);
        DWORD needed = 0;
        v.rc = GetPrinterDataExW(printer_, u"DsDriver", name, &v.type, v.bytes.data(), 512, &needed);
        v.bytes.resize(v.rc == ERROR_SUCCESS ? needed : 0);
        return v;
    }
    const CompiledDeviceData* data_ = nullptr;
    DriverDevmode record_{};
};

TEST_F(PublishTest, ReportedDevicesAreInstalledAndPublished) {
    PrinterConfigRecord config{};
    config.extStatus = kConfigFromPrinter;
    config.memory = 98304;
    config.binCount = 1;
    config.bins[0] = {1, 3, 0xFFFF, 0, 0x0F, 0xFFFFFFFF};  // feeder 1, empty
    config.optionCount = 1;
    config.options[0] = {5002, 5002, 0xFFFFFFFF};  // finisher 2 without finisher 1
    ApplyConfigAndPublish(&record_, &config, printer_, data_);
    EXPECT_TRUE(DeviceInstalled(record_, dm::kFeeder1));
    EXPECT_TRUE(DeviceInstalled(record_, dm::kFinisher2));
    EXPECT_FALSE(DeviceInstalled(record_, dm::kDuplex));
    EXPECT_EQ(Get(record_, dm::MemoryKb), 98304u);

    EXPECT_EQ(Ds(u"printStaplingSupported").bytes, std::vector<BYTE>{1});
    EXPECT_EQ(Ds(u"printDuplexSupported").bytes, std::vector<BYTE>{0});
    EXPECT_EQ(Ds(u"printMediaReady").bytes, (std::vector<BYTE>{0, 0}));  // no tray loaded
    RawValue memory = Ds(u"printMemory");
    EXPECT_EQ(memory.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(memory.bytes, Le32(98304));
    RawValue language = Ds(u"printLanguage");
    EXPECT_EQ(language.type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(language.bytes, Utf16(u"ORLA", 12));
    // The automatic slot always; feeder 1 is ready; the manual slot was not reported.
    const std::u16string a = ResourceText(printer_, 300), f = ResourceText(printer_, 301);
    EXPECT_EQ(Ds(u"printBinNames").bytes, Utf16(a + u'\0' + f, 2 * (a.size() + f.size() + 3)));
}

TEST_F(PublishTest, LoadedTraysAreReadyMediaOnce) {
    PrinterConfigRecord config{};
    config.extStatus = kConfigFromPrinter;
    config.binCount = 5;
    config.bins[0] = {1, 3, 9, 100, 0x0F, 0xFFFFFFFF};      // A4
    config.bins[1] = {2, 3, 9, 50, 0x0F, 0xFFFFFFFF};       // A4 again
    config.bins[2] = {3, 3, 8, 253, 0x0F, 0xFFFFFFFF};      // unknown contents
    config.bins[3] = {4, 1001, 8, 100, 0x0F, 0xFFFFFFFF};   // multi-sheet feeder: not offered
    config.bins[4] = {5, 3, 60000, 100, 0x0F, 0xFFFFFFFF};  // beyond the form list
    ApplyConfigAndPublish(&record_, &config, printer_, data_);
    EXPECT_EQ(Ds(u"printMediaReady").bytes, Utf16(u"A4", 8));
}

TEST_F(PrinterConfigTest, TrayPaperText) {
    HMODULE res = LoadResourceDll(printer_);
    ASSERT_NE(res, nullptr);
    auto text = [&](UINT id) { return ResourceText(printer_, id); };
    PrinterConfigRecord config{};
    config.extStatus = kConfigFromPrinter;
    config.binCount = 4;
    config.bins[0] = {1, 3, 9, 100, 0x0F, 0xFFFFFFFF};
    config.bins[1] = {2, 3, 9, 0, 0x0F, 0xFFFFFFFF};
    config.bins[2] = {4001, 3, 1, 25, 0x0F, 0xFFFFFFFF};
    config.bins[3] = {3, 3, 9, 0xFF, 0x0F, 0xFFFFFFFF};
    struct Case {
        const char* what;
        std::u16string tray;
        size_t capacity;
        BOOL found;
        std::u16string expected;
    } const cases[] = {
        {"A4 loaded", text(301), 64, TRUE, text(301) + u" (A4)"},
        {"empty", text(302), 64, TRUE, text(302) + u" (" + text(352) + u")"},
        {"Letter in the MP tray shows the mark", text(319), 64, TRUE, text(319) + u" (－)"},
        {"state not reported", text(303), 64, TRUE, text(303)},
        {"too small for the text", text(301), text(301).size() + 4, TRUE, text(301)},
        {"not a bin of the configuration", text(305), 64, FALSE, text(305)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<WCHAR> buffer(c.capacity + 8, u'#');
        std::copy(c.tray.begin(), c.tray.end(), buffer.begin());
        buffer[c.tray.size()] = 0;
        EXPECT_EQ(AppendTrayPaperText(&config, res, buffer.data(), c.capacity), c.found);
        EXPECT_EQ(std::u16string(buffer.data()), c.expected);
        EXPECT_EQ(buffer[c.capacity], u'#');  // nothing written beyond the given capacity
    }
    // Tray contents hidden by the printer: nothing is appended.
    config.extStatus |= kConfigTrayContentsHidden;
    std::vector<WCHAR> buffer(64, 0);
    const std::u16string tray = text(301);
    std::copy(tray.begin(), tray.end(), buffer.begin());
    EXPECT_FALSE(AppendTrayPaperText(&config, res, buffer.data(), buffer.size()));
    FreeResourceDll(res);
}

}  // namespace

namespace {

// The context takes the configuration the monitor published: a reported duplex unit is
// installed in the settings it builds, and the constraint pass leaves duplex available.
TEST_F(PrinterConfigTest, ContextBuildsOnTheReportedConfiguration) {
    InstallStatusManager();
    PublishDword("PrinterExtStatus", kConfigFromPrinter | kConfigNoRefreshNeeded);
    Publish("PrinterBinConfig", Table(1, {Bin(1, 3, 9, 100)}, 16));
    Publish("PrinterOptConfig", Table(1, {Option(kOptionDuplex, 1)}, 12));
    PublishDword("PrinterMemory", 262144);
    ContextPtr c(CreateUiContext(printer_, nullptr));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->printerConfig.extStatus & kConfigFromPrinter, kConfigFromPrinter);
    EXPECT_EQ(c->printerConfig.optionCount, 1u);
    for (const DriverDevmode* r : {&c->currentDevmode, &c->appliedDevmode}) {
        EXPECT_TRUE(DeviceInstalled(*r, dm::kDuplex));
        EXPECT_TRUE(DeviceInstalled(*r, dm::kFeeder1));
        EXPECT_FALSE(DeviceInstalled(*r, dm::kFeeder2));
        EXPECT_EQ(Get(*r, dm::MemoryKb), 262144u);
        EXPECT_EQ(Get(*r, dm::DuplexAvailable), 1u);
    }
    // A configuration read from the printer is not written back; the manager was let go.
    EXPECT_EQ(updates_(u"Halvoric", "PrinterMemory"), 1u);
    EXPECT_EQ(handles_(), 0u);

    // Without a duplex unit in the report the same printer has none.
    Publish("PrinterOptConfig", Table(0, {}, 4));
    ContextPtr without(CreateUiContextNoUi(printer_, nullptr));
    ASSERT_NE(without, nullptr);
    EXPECT_FALSE(DeviceInstalled(without->currentDevmode, dm::kDuplex));
}

}  // namespace
