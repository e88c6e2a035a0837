// The job owner record and the document-monitor hand-off: names through the system code page with
// quotes blanked, the owner string from the owner-string library beside the graphics DLL, the tray
// code and pages per sheet it is asked with, and the monitor API found by the registry, in its new
// and older data layouts.
#include <cstring>
#include <memory>
#include <string>

#include "outside/mevapi/mev_api.h"
#include "ui/entry/job_monitor.h"
#include "ui/entry/job_owner.h"
#include "ui/entry/ui_context.h"
#include "ui_fixture.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/registry.h"

using namespace orla;
using namespace orla_ui_test;

namespace {

struct ModuleFree {
    void operator()(HMODULE m) const { FreeLibrary(m); }
};
using ModulePtr = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

// The stand-in's encoding of an owner text: 6 header bytes, then each byte XOR 0x5A, in hex.
std::string EncodedOwner(const std::string& owner) {
    std::string hex;
    char two[3];
    for (unsigned char c : owner) {
        std::snprintf(two, sizeof two, "%02X", c ^ 0x5A);
        hex += two;
    }
    return hex;
}

class JobOwnerTest : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        PlatSetUserName(u"taro");
        PlatSetComputerName(u"PC-01");
        InstallSamplePrinter();
        ASSERT_FALSE(HasFatalFailure());
        context_ = ContextPtr(CreateUiContext(printer_, nullptr));
        ASSERT_NE(context_, nullptr);
        record_ = context_->currentDevmode;
    }
    void TearDown() override {
        context_.reset();
        UiSandbox::TearDown();
    }

    void InstallOwnerLibrary() {
        ASSERT_TRUE(
            PlatCopyIntoSandbox((BinDir() + "/Sundrake.dll").c_str(), (driverDir_ + u"\\Sundrake.dll").c_str()));
    }

    JobOwnerRecord Build(DWORD jobId = 0) {
        JobOwnerRecord r;
        std::memset(&r, 0x55, sizeof r);  // every byte the build does not write must come back zero
        EXPECT_TRUE(BuildJobOwnerRecord(printer_, jobId, &record_, &r));
        return r;
    }

    ContextPtr context_;
    DriverDevmode record_{};
};

TEST(JobOwnerQuotes, SingleByteQuotesBecomeBlanksAndDoubleByteCharactersStay) {
    struct Case {
        const char* in;
        const char* out;
    } const cases[] = {
        {"a\"b\"", "a b "},
        {"\x83\x22x\"", "\x83\x22x "},  // the byte after a lead byte is its trail, whatever it looks like
        {"ok\x83", "ok\x83"},           // a lead byte at the end reads nothing beyond
        {"", ""},
    };
    for (const Case& c : cases) {
        char text[16] = {};
        std::strncpy(text, c.in, sizeof text - 1);
        ReplaceQuotesDbcs(text);
        EXPECT_STREQ(text, c.out) << c.in;
    }
}

TEST_F(JobOwnerTest, TrayCodeFollowsTheSlotName) {
    const CompiledDeviceData* data = GetDeviceData(printer_);
    ASSERT_NE(data, nullptr);
    struct Case {
        SHORT source;
        WORD code;
    } const cases[] = {
        {257, 1},  {258, 2}, {259, 6}, {260, 7}, {261, 11},
        {262, 11}, {14, 11}, {4, 8},   {5, 0},  // ENV: a slot without a code
        {999, 0},                               // no such slot: the default slot (AUTO), which has none
    };
    for (const Case& c : cases) EXPECT_EQ(OwnerTrayCode(data, c.source), c.code) << c.source;
    ReleaseDeviceData(data);
    EXPECT_EQ(OwnerTrayCode(nullptr, 257), 0);
}

TEST_F(JobOwnerTest, TwoPagesAsOneFormsAskForTwoPagesPerSheet) {
    Set(record_, dm::LayoutMode, WORD{4});
    EXPECT_EQ(OwnerPagesPerSheet(record_), 4);
    for (const char16_t* form : {u"A4x2->A4", u"B5x2->B5"}) {
        SetText(RecordBytes(record_), dm::FormName, form);
        EXPECT_EQ(OwnerPagesPerSheet(record_), 2) << "whatever the layout word holds";
    }
}

TEST_F(JobOwnerTest, NamesAreCutAndQuotesBlanked) {
    PlatSetUserName(u"ta\"ro_with_a_very_long_name");
    PlatSetComputerName(u"PC\"01");
    JobOwnerRecord r = Build();
    EXPECT_STREQ(r.userName, "ta ro_with_a_very_lo") << "20 characters";
    EXPECT_STREQ(r.computerName, "PC 01");
    EXPECT_STREQ(r.documentName, "") << "no job, no document";
    EXPECT_STREQ(r.ownerString, "") << "no owner-string library installed";
    EXPECT_STREQ(r.hostAddress, "");
    EXPECT_EQ(r.ownerString[128], 0);
    EXPECT_EQ(r.hostAddress[96], 0);
}

TEST_F(JobOwnerTest, DocumentNameOfTheJobKeepsItsBeginning) {
    std::u16string name = u"\"quoted\" ";
    for (int i = 0; i < 40; ++i) name += u"\u6587";  // 80 bytes in code page 932
    DOC_INFO_1W doc{const_cast<LPWSTR>(name.c_str()), nullptr, nullptr};
    const DWORD job = StartDocPrinterW(printer_, 1, reinterpret_cast<BYTE*>(&doc));
    ASSERT_NE(job, 0u);
    JobOwnerRecord r = Build(job);
    EndDocPrinter(printer_);
    const std::string kept = r.documentName;
    EXPECT_EQ(kept.rfind(" quoted  ", 0), 0u) << kept;
    EXPECT_EQ(kept.size(), 63u) << "9 bytes, then 27 whole double-byte characters: a 28th would pass 64 bytes";
}

TEST_F(JobOwnerTest, OwnerStringComesFromTheLibraryBesideTheGraphicsDll) {
    InstallOwnerLibrary();
    SHORT msf = 262;
    Set(record_, dm::DefaultSource, msf);
    Set(record_, dm::LayoutMode, WORD{2});

    JobOwnerRecord fromNames = Build();
    // Header: "OWN", kind 3, 2 pages, tray 11; the owner string starts after it.
    EXPECT_EQ(std::string(fromNames.ownerString), EncodedOwner("taro@PC-01"));
    EXPECT_STREQ(fromNames.hostAddress, "192.0.2.44");

    Set(record_, dm::Flags1, Get(record_, dm::Flags1) | kFlags1OwnerText);
    SetText(RecordBytes(record_), dm::OwnerInputText, u"Sales-7");
    JobOwnerRecord fromText = Build();
    EXPECT_EQ(std::string(fromText.ownerString), EncodedOwner("Sales-7"));
}

// A library that answers a length beyond the buffer it was given is held to that buffer: the
// owner string holds at most its 59 bytes after the header.
TEST_F(JobOwnerTest, OwnerLengthBeyondTheBufferIsHeldToIt) {
    InstallOwnerLibrary();
    Set(record_, dm::Flags1, Get(record_, dm::Flags1) | kFlags1OwnerText);
    SetText(RecordBytes(record_), dm::OwnerInputText, u"!LONG-owner");
    JobOwnerRecord r = Build();
    const std::string hex = r.ownerString;
    EXPECT_EQ(hex.size(), 2u * (65 - 6));
    EXPECT_EQ(hex.rfind(EncodedOwner("!LONG-owner"), 0), 0u) << "the encoded text first, zero bytes after it";
    EXPECT_EQ(hex.substr(hex.size() - 2), "00");
}

// ---- Document-monitor hand-off ----

class JobMonitorTest : public JobOwnerTest {
protected:
    static constexpr char16_t kApiDir[] = u"C:\\Program Files\\Pallidor";

    // Installs the monitor program and the given API library, and names both in the registry.
    void InstallMonitor(const char* library, bool programExists = true) {
        ASSERT_TRUE(CreateDirectoryW(u"C:\\Program Files", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        ASSERT_TRUE(CreateDirectoryW(kApiDir, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        const std::u16string dll = std::u16string(kApiDir) + u"\\" + Widen(library);
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/" + library).c_str(), dll.c_str()));
        if (programExists) {
            HANDLE h = CreateFileW(u"C:\\Program Files\\Pallidor\\Rellwatch.exe", GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            CloseHandle(h);
        }
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Korvel\\Pallidor\\Client\\Rellwatch", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const std::string program = "C:\\Program Files\\Pallidor\\Rellwatch.exe";
        const std::string api = "C:\\Program Files\\Pallidor\\" + std::string(library);
        const std::u16string wideProgram = Widen(program), wideApi = Widen(api);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(wideProgram.c_str()),
                       static_cast<DWORD>(2 * (wideProgram.size() + 1)));
        RegSetValueExW(key, u"MevApi", 0, REG_SZ, reinterpret_cast<const BYTE*>(wideApi.c_str()),
                       static_cast<DWORD>(2 * (wideApi.size() + 1)));
        RegCloseKey(key);
        apiPath_ = api;
    }

    // The stand-in's memory, through a reference of the test's own on its module.
    MevStandInState* State() {
        if (!apiModule_) apiModule_ = ModulePtr(LoadLibraryA(apiPath_.c_str()));
        if (!apiModule_) return nullptr;
        auto fn = reinterpret_cast<MevStandInState* (*)()>(
            reinterpret_cast<void (*)(void)>(GetProcAddress(apiModule_.get(), "MevStandInStateOf")));
        return fn ? fn() : nullptr;
    }

    MonitorHandoff Handoff() {
        MonitorHandoff h;
        h.hPrinter = printer_;
        h.devmode = record_;
        Set(h.devmode, dm::Flags1, Get(h.devmode, dm::Flags1) | kFlags1JobMonitor);
        BuildJobOwnerRecord(printer_, 0, &h.devmode, &h.owner);
        std::strcpy(h.owner.documentName, "report.txt");
        return h;
    }

    void TearDown() override {
        apiModule_.reset();
        JobOwnerTest::TearDown();
    }

    std::string apiPath_;
    ModulePtr apiModule_;
};

TEST_F(JobMonitorTest, NewLayoutCarriesTheJobAndItsDestination) {
    InstallMonitor("MevApi.dll");
    MevStandInState* state = State();
    ASSERT_NE(state, nullptr);
    MonitorHandoff h = Handoff();
    char id[64] = {};
    ASSERT_EQ(SubmitJobToMonitor(&h, id), 0);
    EXPECT_STREQ(id, "CL01.J0007");
    EXPECT_NE(h.monitor, 0u);
    ASSERT_EQ(state->dataCalls, 1);
    EXPECT_FALSE(state->dataWasLegacy);

    MevJobBlock block;
    std::memcpy(&block, state->jobBlock, sizeof block);
    EXPECT_EQ(block.size, sizeof(MevJobBlock));
    EXPECT_EQ(block.destinationCount, 1u);
    EXPECT_EQ(block.jobKind, 3u);
    EXPECT_EQ(block.mode, 11u);
    EXPECT_STREQ(block.portName, "LPT1:");
    EXPECT_STREQ(block.printerName, "Halvoric");
    EXPECT_STREQ(block.userName, "taro");
    MevDestination d;
    std::memcpy(&d, state->destination, sizeof d);
    EXPECT_EQ(d.size, 812u);
    EXPECT_STREQ(d.jobId, "J0007");
    EXPECT_STREQ(d.documentName, "report.txt");
    EXPECT_STREQ(d.stackerText, "\x83\x58\x83\x5E\x83\x62\x83\x4A");  // the stacker text

    const int releasesBefore = state->releases;
    EXPECT_EQ(CloseMonitorHandle(&h), 0);
    EXPECT_EQ(state->executions, 1);
    EXPECT_EQ(state->releases, releasesBefore + 1);
    EXPECT_EQ(h.monitor, 0u);
}

TEST_F(JobMonitorTest, LibraryWithoutTheExEntryGetsTheOlderLayout) {
    InstallMonitor("MevApiLegacy.dll");
    MevStandInState* state = State();
    ASSERT_NE(state, nullptr);
    MonitorHandoff h = Handoff();
    char id[64] = {};
    ASSERT_EQ(SubmitJobToMonitor(&h, id), 0);
    ASSERT_TRUE(state->dataWasLegacy);
    MevLegacyHeader header;
    std::memcpy(&header, state->jobBlock, sizeof header);
    EXPECT_EQ(header.destinationCount, 1u);
    EXPECT_EQ(header.kindFlag, 2u) << "job kind 3";
    EXPECT_EQ(header.mode, 11u);
    EXPECT_STREQ(header.printerName, "Halvoric");
    DWORD size = 0;
    std::memcpy(&size, state->destination, sizeof size);
    EXPECT_EQ(size, 660u);
    EXPECT_STREQ(reinterpret_cast<const char*>(state->destination + 272), "J0007");
    EXPECT_EQ(EndMonitorHandle(&h), 0);
    EXPECT_EQ(state->executions, 0) << "released without running the monitor";
}

TEST_F(JobMonitorTest, NoHandOffWithoutTheSettingOrTheProgram) {
    InstallMonitor("MevApi.dll", /*programExists=*/false);
    MonitorHandoff h = Handoff();
    char id[64] = "stale";
    EXPECT_EQ(SubmitJobToMonitor(&h, id), -1) << "the monitor program named in the registry is gone";
    EXPECT_STREQ(id, "");

    InstallMonitor("MevApi.dll");
    MevStandInState* state = State();
    ASSERT_NE(state, nullptr);
    const int before = state->initializations;
    Set(h.devmode, dm::Flags1, Get(h.devmode, dm::Flags1) & ~kFlags1JobMonitor);
    EXPECT_EQ(SubmitJobToMonitor(&h, id), -1);
    EXPECT_EQ(state->initializations, before) << "the library is not even asked";
}

TEST_F(JobMonitorTest, SubmitAnswersEachFailure) {
    InstallMonitor("MevApi.dll");
    MevStandInState* state = State();
    ASSERT_NE(state, nullptr);
    MevHandle handle = 0;
    char id[64] = {};
    MonitorJobDescription job;
    job.portName = "LPT1:";
    EXPECT_EQ(SubmitMonitorJob(nullptr, id, job), kMonitorMissingArgument);
    EXPECT_EQ(SubmitMonitorJob(&handle, nullptr, job), kMonitorMissingArgument);
    job.kind = 2;
    EXPECT_EQ(SubmitMonitorJob(&handle, id, job), kMonitorUnknownKind);
    job.kind = 0;
    job.userName = std::string(64, 'u');
    EXPECT_EQ(SubmitMonitorJob(&handle, id, job), kMonitorTextTooLong);
    job.userName = "u";
    job.kind = 1;
    job.text1 = std::string(32, 't');
    EXPECT_EQ(SubmitMonitorJob(&handle, id, job), kMonitorTextTooLong);
    job.text1.clear();

    state->failInitialize = TRUE;
    EXPECT_EQ(SubmitMonitorJob(&handle, id, job), kMonitorFailed);
    std::strcpy(state->clientId, "0123456789012345678901234567890123456789012");  // with ".J0007": 49 bytes
    EXPECT_EQ(SubmitMonitorJob(&handle, id, job), kMonitorTextTooLong);
    state->clientId[0] = '\0';
    state->failData = TRUE;
    const int releases = state->releases;
    EXPECT_EQ(SubmitMonitorJob(&handle, id, job), kMonitorFailed);
    EXPECT_EQ(state->releases, releases + 1) << "a refused job releases its handle";
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(SubmitMonitorJob(&handle, id, job), kMonitorDone);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(MonitorReleaseOnly(handle), kMonitorDone);
    EXPECT_EQ(MonitorReleaseOnly(0), kMonitorMissingArgument);
}

}  // namespace
