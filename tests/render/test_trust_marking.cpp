// Trust marking with the library stand-in (TessalineDrvIf.dll) installed, scripted to fail, or
// absent: binding at device-context creation, the MSW078 header line, the page's mark layer and
// footer, the footer stamp of escape 9103, the outputs of a several-output job, the footer's
// characters and the binding's lock. Japanese build only.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/driver_devmode.h"
#include "core/stamp_record.h"
#include "drawn_job.h"
#include "plat/message_box.h"
#include "render/driver_log.h"
#include "render/escapes.h"
#include "render/kwe_marks.h"
#include "render/kwe_session.h"
#include "render/output_writer.h"
#include "render/page_settings.h"
#include "render/pjl_header.h"
#include "render_fixture.h"
#include "win/nls.h"
#include "win/registry.h"

namespace render_test {
namespace {

namespace dm = orla::dm;
using orla::kJapaneseBuild;

constexpr const char16_t* kLibraryKey = u"SOFTWARE\\Tamsa Korvel\\Tessaline Basic";
const std::string kLayerStart = "\x1cu1,2.\x1c<1/600,i.";
const std::string kLayerEnd = "\x1cU\x1cu2,2,S.";
// "出力 1 ORLA" as the footer's character run: JIS 3D50 4E4F, then single bytes.
const std::string kFooterRun = std::string("\x3d\x50\x4e\x4f", 4) + std::string(
                                                                        "\0 \0"
                                                                        "1\0 \0O\0R\0L\0A",
                                                                        14);

void SetRegText(HKEY key, const char16_t* name, const std::u16string& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * 2));
}

class TrustMarking : public PdevJobTest {
protected:
    void SetUp() override {
        if (!kJapaneseBuild) GTEST_SKIP() << "trust marking is a feature of the Japanese build";
        PdevJobTest::SetUp();
    }

    // The stand-in in the driver directory, its path in the registry, its script.
    void InstallLibrary(const std::u16string& script = u"") {
        const std::u16string path = std::u16string(PlatDriverDirectory()) + u"\\TessalineDrvIf.dll";
        ASSERT_FALSE(BinDir().empty());
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/TessalineDrvIf.dll").c_str(), path.c_str()));
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLibraryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        SetRegText(key, u"DRVIFInstallPath", path);
        SetRegText(key, u"StandInScript", script);
        RegCloseKey(key);
    }

    PrinterPdev* pdev() { return e_.pdev(); }
    SURFOBJ* so() { return e_.so(); }
    void SwitchOn() {
        orla::Set(pdev()->settings.record, dm::TrustMarkResult, DWORD{1});
        BindTrustMarking(pdev());
    }
    bool On() { return orla::Get(pdev()->settings.record, dm::TrustMarkResult) == 1; }

    std::string DrawnJob(int pages = 1) {
        EXPECT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"marked"), 5));
        DrawPagesAndEnd(so(), pdev(), pages);
        return EndSpoolJob();
    }
};

TEST_F(TrustMarking, BindingAtDeviceContextCreationByTheLibrarysAnswers) {
    struct Case {
        const char* what;
        bool installed;
        std::u16string script;
        bool on;
        LONG outputs;
    };
    const Case cases[] = {
        {"absent", false, u"", false, 0},
        {"present", true, u"", true, 1},
        {"two outputs", true, u"GetNumOfOutputs=2", true, 2},
        {"as many outputs as a job may have copies", true, u"GetNumOfOutputs=999", true, 999},
        {"more outputs than copies: refused", true, u"GetNumOfOutputs=1000", false, 0},
        {"no outputs entry answer", true, u"GetNumOfOutputs=fail", true, 0},
        {"no handle", true, u"CreateHandle=fail", false, 0},
        {"settings refused", true, u"SetKWESettings=fail", false, 0},
        {"not whole page", true, u"IsWholePage=0", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.installed) InstallLibrary(c.script);
        SwitchOn();
        EXPECT_EQ(On(), c.on);
        EXPECT_EQ(pdev()->jobSpool.outputCount, c.outputs);
        EXPECT_EQ(pdev()->trustMark.suppressOutput, 0u);
    }
}

TEST_F(TrustMarking, HeaderAnnouncesTrustMarkingOnlyWhenAHandleCanBeMade) {
    struct Case {
        const char* what;
        bool installed;
        std::u16string script;
        size_t lines;
    };
    const Case cases[] = {
        {"absent", false, u"", 0}, {"present", true, u"", 1}, {"no handle", true, u"CreateHandle=fail", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.installed) InstallLibrary(c.script);
        pdev()->pending = kPendingJobHeader;
        // The settings keep this flag cleared while trust marking is on: the printer is told ON.
        orla::Set(pdev()->settings.record, dm::Flags1,
                  orla::Get(pdev()->settings.record, dm::Flags1) & ~orla::kFlags1NotWithTrust);
        const std::vector<BYTE> before = NewSpoolBytes(pdev());
        ASSERT_TRUE(WritePjlJobHeader(pdev()));
        const std::vector<BYTE> header = NewSpoolBytes(pdev());
        const std::string text(header.begin(), header.end());
        EXPECT_EQ(Count(text, "@PJL SET LPARM:ORLA MSW078=ON\r\n"), c.lines);
        EXPECT_EQ(Count(text, "MSW078"), c.lines);
    }
}

TEST_F(TrustMarking, EachPageSetUpCarriesTheMarkLayerAndItsFooter) {
    InstallLibrary();
    SwitchOn();
    ASSERT_TRUE(On());
    std::string job = DrawnJob(3);
    EXPECT_EQ(Count(job, kLayerStart), 1u) << "three pages under one page set-up: one layer";
    EXPECT_EQ(Count(job, kFooterRun), 1u) << "the footer of output 1 in its JIS form";
    EXPECT_EQ(Count(job, kLayerEnd), 1u);
    EXPECT_EQ(Count(job, "\r\x0c"), 3u) << "every page prints";
    EXPECT_LT(job.find("\x1c"
                       "fP"),
              job.find(kLayerStart))
        << "the layer follows the set-up";
    // Whole tiles of 250 x 96 dots (rows padded to 32 bytes) over the page, then the strips.
    EXPECT_GT(Count(job, "\x1ci250,96,"), 20u);
    EXPECT_GT(Count(job, "\x1ci250,"), Count(job, "\x1ci250,96,")) << "the bottom strip is shorter";
}

TEST_F(TrustMarking, ALibraryThatFailsLeavesThePagesUnmarkedButPrinted) {
    struct Case {
        const char* what;
        std::u16string script;
    };
    const Case cases[] = {
        {"no mark", u"GetKM=fail"},
        {"a mark block shorter than its rows", u"BlockShort=7"},
        {"settings refused", u"SetKWESettings=fail"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InstallLibrary(c.script);
        SwitchOn();
        std::string job = DrawnJob();
        StartSpoolJob();
        EXPECT_EQ(Count(job, kLayerStart), 0u);
        EXPECT_EQ(Count(job, "\r\x0c"), 1u) << "the page still prints";
        EXPECT_FALSE(On()) << "and trust marking is off for the context";
    }
}

// Answers no library could mean are refused with a line that says what was refused; the job
// prints unmarked, and quickly.
TEST_F(TrustMarking, AnswersBeyondTheirBoundsAreRefusedAndLogged) {
    struct Case {
        const char* what;
        std::u16string script;
        std::string line;
    };
    const Case cases[] = {
        {"100,000 outputs", u"GetNumOfOutputs=100000",
         "trust marking: the library asks for 100000 outputs, more than the 999 copies a job may have; refused"},
        {"a tile larger than the page", u"TileWidth=16384\nTileHeight=16384",
         "trust marking: a mark of 16384 x 16384 is larger than the page of 4728 x 6780 it is for; refused"},
        {"a tile as long as a page but wider", u"TileWidth=4736\nTileHeight=96",
         "trust marking: a mark of 4736 x 96 is larger than the page of 4728 x 6780 it is for; refused"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InstallLibrary(c.script);
        DriverLogClear();
        SwitchOn();
        std::string job = DrawnJob(2);
        StartSpoolJob();
        const std::vector<std::string> lines = DriverLogLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end());
        EXPECT_EQ(Count(job, kLayerStart), 0u);
        EXPECT_EQ(Count(job, "\r\x0c"), 2u) << "the pages still print";
        EXPECT_FALSE(On());
    }
}

TEST_F(TrustMarking, FooterCharactersPairOnlyWholeDoubleByteCharacters) {
    ASSERT_EQ(GetACP(), 932u) << "the Japanese build's sandbox";
    struct Case {
        const char* what;
        std::string ansi;
        std::string run;
    };
    const Case cases[] = {
        {"single bytes", "AB", std::string("\0A\0B", 4)},
        {"double byte", "\x8f\x6f", "\x3d\x50"},
        {"trail byte 0x9f", "\x88\x9f", "\x30\x21"},
        {"a lead byte at the end is dropped", "A\x8f", std::string("\0A", 2)},
        {"half-width kana stays single", "\xb1", std::string("\0\xb1", 2)},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> run = FooterCharacters(c.ansi);
        EXPECT_EQ(std::string(run.begin(), run.end()), c.run) << c.what;
    }
}

// A footer character the printer cannot take is shown, each kind once a footer, and still sent.
TEST_F(TrustMarking, FooterCharacterFaultsAreShownOnceEach) {
    struct Case {
        const char* what;
        std::string ansi;
        std::vector<std::u16string> shown;
    };
    const Case cases[] = {
        {"good text", "A\x8f\x6f", {}},
        {"a lead byte beyond 0xEF, twice", "\xfa\x40\xfb\x41", {u"char code error 1"}},
        {"a trail byte below 0x40", "\x88\x20", {u"char code error 3"}},
        {"both", "\xfa\x7f\x88\x20", {u"char code error 1", u"char code error 3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlatResetMessageBoxes();
        EXPECT_FALSE(FooterCharacters(c.ansi).empty());
        std::vector<std::u16string> shown;
        for (DWORD i = 0; i < PlatMessageBoxCount(); ++i) {
            PLAT_MESSAGE_BOX_RECORD box{};
            ASSERT_TRUE(PlatGetMessageBox(i, &box));
            shown.emplace_back(box.text);
            EXPECT_EQ(std::u16string(box.caption), u"Error");
        }
        EXPECT_EQ(shown, c.shown);
    }
}

TEST_F(TrustMarking, FooterStampAnswersWithTheLibrarysFooterOrZeroWithoutIt) {
    std::vector<BYTE> stamp(orla::kStampRecordSize, 0x33);
    EXPECT_EQ(DrvEscape(so(), kEscGetFooterStamp, 0, nullptr, orla::kStampRecordSize, stamp.data()), 0u)
        << "no library: no handle";
    InstallLibrary(u"FooterUnterminated=1");
    SwitchOn();
    EXPECT_EQ(DrvEscape(so(), kEscGetFooterStamp, 0, nullptr, orla::kStampRecordSize, stamp.data()), 1u);
    std::u16string text;
    for (size_t i = orla::stamp::kText.offset; stamp[i] | stamp[i + 1]; i += 2)
        text.push_back(static_cast<char16_t>(stamp[i] | stamp[i + 1] << 8));
    EXPECT_EQ(text, u"出力 1 ORLA") << "an unterminated footer ends with its block";
    DWORD position, drawn;
    WORD size;
    position = orla::StampGet(stamp.data(), orla::stamp::kPosition);
    size = orla::StampGet(stamp.data(), orla::stamp::kTextSize);
    drawn = orla::StampGet(stamp.data(), orla::stamp::kDrawFlag);
    EXPECT_EQ(position, 6u);
    EXPECT_EQ(size, 80u);
    EXPECT_EQ(drawn, 1u);
}

// The stand-in's scripted footer is text: format directives in it are printed as they stand.
TEST_F(TrustMarking, AFooterWithFormatDirectivesIsPrintedAsItStands) {
    InstallLibrary(u"Footer=%s%s%s%s %n %d%%");
    SwitchOn();
    std::vector<BYTE> stamp(orla::kStampRecordSize, 0);
    ASSERT_EQ(DrvEscape(so(), kEscGetFooterStamp, 0, nullptr, orla::kStampRecordSize, stamp.data()), 1u);
    std::u16string text;
    for (size_t i = orla::stamp::kText.offset; stamp[i] | stamp[i + 1]; i += 2)
        text.push_back(static_cast<char16_t>(stamp[i] | stamp[i + 1] << 8));
    EXPECT_EQ(text, u"%s%s%s%s %n 1%%");
}

TEST_F(TrustMarking, SeveralOutputsSendTheJobOncePerOutputWithItsMarks) {
    InstallLibrary(u"GetNumOfOutputs=2");
    SwitchOn();
    ASSERT_EQ(pdev()->jobSpool.outputCount, 2);
    std::string job = DrawnJob();
    EXPECT_EQ(Count(job, "@PJL ENTER LANGUAGE=ORLA"), 2u) << "the job once per output";
    const std::string footer2 = std::string("\x3d\x50\x4e\x4f", 4) + std::string(
                                                                         "\0 \0"
                                                                         "2",
                                                                         4);
    EXPECT_EQ(Count(job, kFooterRun), 1u);
    EXPECT_EQ(Count(job, footer2), 1u) << "the second output carries its own footer";
}

TEST_F(TrustMarking, AHiddenPrintingClashWithTheLibraryIsAFailedJobNotAnEmptySuccess) {
    InstallLibrary();
    SwitchOn();
    pdev()->trustMark.suppressOutput = 1;  // the clash rule of the settings (1200 dpi, long paper ...)
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"clash"), 5));
    ASSERT_TRUE(DrvStartPage(so()));
    ASSERT_TRUE(FlushPendingStart(pdev()));
    ASSERT_TRUE(DrvSendPage(so()));
    EXPECT_FALSE(DrvEndDoc(so(), 0));
    EXPECT_EQ(EndSpoolJob(), "") << "nothing was printed";
}

TEST_F(TrustMarking, AnApplicationsQueryBlockBringsTheSampleSheetAtTheJobEnd) {
    InstallLibrary(u"Caption=Sample 7");
    SwitchOn();
    std::vector<BYTE> block(24, 0);
    block[4] = 7;  // a sub-code of its own: the block is kept for the sample sheet
    block[8] = 0x5A;
    ASSERT_EQ(DrvEscape(so(), kEscAppQuery, static_cast<ULONG>(block.size()), block.data(), 0, nullptr), 1u);
    std::string job = DrawnJob();
    EXPECT_EQ(Count(job, "\x1ci1600,640,0,1/1,1/1,128000,600."), 9u) << "nine samples";
    const std::string caption = std::string("\xCD\x08", 2) + std::string(
                                                                 "\0S\0a\0m\0p\0l\0e\0 \0"
                                                                 "7",
                                                                 16);
    EXPECT_EQ(Count(job, caption), 1u) << "the library's caption, one count byte and two bytes a character";
    EXPECT_EQ(Count(job, kLayerStart), 0u) << "pages after the query carry no mark layer";
    EXPECT_LT(job.find(caption), job.find("@PJL EOJ"));
    EXPECT_EQ(pdev()->escapes.appQueryStored, 0u) << "the block is used once";
}

TEST_F(TrustMarking, AnOverlongLibraryPathIsReadWithinItsBuffer) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLibraryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    SetRegText(key, u"DRVIFInstallPath", u"C:\\" + std::u16string(400, u'x'));
    RegCloseKey(key);
    EXPECT_EQ(IsKweLibraryInstalled(), 0);
    SwitchOn();
    EXPECT_FALSE(On());
}

// The layer over a page of 4 x 5 inches printable (1/600 inch units) at 600 dpi.
TEST_F(TrustMarking, MarkLayerTilesCropsAndEndsByThePage) {
    InstallLibrary(u"GetFooterString=fail");
    PaperRecord& paper = pdev()->geometry.outputPaper;
    paper.width = 10000 + 4 * 25400;
    paper.length = 10000 + 5 * 25400;
    pdev()->geometry.resolution = 600;
    orla::Set(pdev()->settings.record, dm::LayoutMode, WORD{1});
    auto tile = [](LONG w, LONG h) {
        KweMarkImage m;
        m.width = w, m.height = h;
        m.bits.assign(static_cast<size_t>((w + 7) / 8) * static_cast<size_t>(h), 0x81);
        return m;
    };
    struct Case {
        const char* what;
        KweMarkImage mark;
        DWORD extended;
        LONG output;
        std::vector<std::pair<std::string, size_t>> counts;
    };
    const Case cases[] = {
        {"an exact multiple: whole tiles only", tile(600, 600), 0, 0, {{"\x1ci600,600,", 20}, {"\x1ci", 20}}},
        {"remainders: bottom strip, right strip, corner",
         tile(700, 700),
         0,
         0,
         {{"\x1ci700,700,", 12}, {"\x1ci700,200,", 3}, {"\x1ci304,700,", 4}, {"\x1ci304,200,", 1}}},
        {"an extended mark wider than the page: its middle at x 0, raw",
         tile(3200, 100),
         1,
         0,
         {{"\x1c"
           "e0,1450.\x1ci2400,100,0,1/1,1/1,30000,600.",
           1},
          {"\x1ci", 1}}},
        {"an extended mark that fits: centred, raw",
         tile(800, 100),
         1,
         0,
         {{"\x1c"
           "e800,1450.\x1ci800,100,0,1/1,1/1,10000,600.",
           1}}},
        {"a tile too small for the page is left out", tile(2, 2), 0, 0, {{"\x1ci", 0}}},
        {"no footer from the library: no footer commands",
         tile(600, 600),
         0,
         1,
         {{"\x1bK", 0},
          {"\x1c"
           "e0,3000,,,A.",
           0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        pdev()->trustMark.available = c.extended;
        pdev()->kwe.outputIndex = c.output;
        NewSpoolBytes(pdev());
        ASSERT_TRUE(WriteKweFooter(pdev(), c.mark));
        const std::vector<BYTE> out = NewSpoolBytes(pdev());
        const std::string text(out.begin(), out.end());
        EXPECT_EQ(text.rfind(kLayerStart, 0), 0u) << "the layer opens";
        EXPECT_EQ(text.substr(text.size() - kLayerEnd.size()), kLayerEnd) << "and always closes";
        for (const auto& [needle, n] : c.counts) EXPECT_EQ(Count(text, needle), n) << needle;
    }
}

TEST_F(TrustMarking, AFailedReleaseIsShownAndLogged) {
    InstallLibrary(u"ReleaseHandle=fail");
    DriverLogClear();
    PlatResetMessageBoxes();
    SwitchOn();
    EXPECT_TRUE(On()) << "a failed release does not undo the binding";
    const std::vector<std::string> lines = DriverLogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "KWEハンドル開放が失敗"), lines.end());
    ASSERT_EQ(PlatMessageBoxCount(), 1u) << "one handle sequence, one box";
    PLAT_MESSAGE_BOX_RECORD box{};
    ASSERT_TRUE(PlatGetMessageBox(0, &box));
    EXPECT_EQ(std::u16string(box.text), u"KWEハンドル開放が失敗");
    EXPECT_EQ(std::u16string(box.caption), u"Error") << "no caption of its own";
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.flags, static_cast<UINT>(MB_OK));
}

TEST_F(TrustMarking, OneHandleSequenceAtATimeSoNoReleaseUnloadsTheLibraryUnderAnother) {
    InstallLibrary();
    std::atomic<int> step{0};
    std::atomic<bool> otherInside{false};
    std::thread other;
    {
        KweSession first;
        ASSERT_TRUE(OpenKweSession(pdev(), &first, KweSessionRequest{}));
        other = std::thread([&] {
            step = 1;
            KweSession second;
            otherInside = true;
            OpenKweSession(pdev(), &second, KweSessionRequest{});
        });
        while (step.load() == 0) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(otherInside.load()) << "the second sequence waits for the first";
        LONG whole = 0;
        EXPECT_EQ(KweIsWholePage(first.handle, &whole), 1) << "the library is still there";
    }
    other.join();
    EXPECT_TRUE(otherInside.load());
}

}  // namespace
}  // namespace render_test

namespace render_test {
namespace {

// The trust-marking log: ORLA_LOG.INI in the Windows folder asks for the whole-page mark to be kept
// in a KMW temporary file, which goes with the device context.
class TrustMarkingLog : public TrustMarking {
protected:
    void WriteLogSettings(const std::string& text) {
        CreateDirectoryW(u"C:\\Windows", nullptr);
        std::ofstream(PlatHostPath(u"C:\\Windows\\ORLA_LOG.INI"), std::ios::binary) << text;
    }
    std::u16string KmwPath() {
        WCHAR folder[MAX_PATH];
        const DWORD n = GetTempPathW(MAX_PATH, folder);
        return std::u16string(folder, n) + pdev()->trustMark.kmwName;
    }
    bool HasKmwFile() { return pdev()->trustMark.kmwName[0] == u'K'; }
};

TEST_F(TrustMarkingLog, TheLogSettingsDecideTheMarkFileAndAMissingMarkSwitchesTrustMarkingOff) {
    // The stand-in's tile: 250 x 96 dots, rows padded to 32 bytes.
    constexpr uintmax_t kTileBytes = 32 * 96;
    struct Case {
        const char* what;
        std::string ini;  // empty: no log settings file
        std::u16string script;
        bool markFile;
        bool logMode;  // the no-KMW-file flag cleared
        bool on;
    };
    const Case cases[] = {
        {"no settings file", "", u"", false, false, true},
        {"mode 0", "[ZT-Q4400K]\r\nMODE=0\r\nLEVEL=1\r\n", u"", false, false, true},
        {"mode 1, level by default", "[ZT-Q4400K]\r\nMODE=1\r\n", u"", true, true, true},
        {"mode 1, level 3", "[ZT-Q4400K]\r\nMODE=1\r\nLEVEL=3\r\n", u"", true, true, true},
        {"mode 1, level without its bit", "[ZT-Q4400K]\r\nMODE=1\r\nLEVEL=2\r\n", u"", false, false, true},
        {"another model's section", "[ZT-Q9999]\r\nMODE=1\r\n", u"", false, false, true},
        {"no mark: trust marking off", "[ZT-Q4400K]\r\nMODE=1\r\n", u"GetKM=fail", false, true, false},
        {"a block short of its rows", "[ZT-Q4400K]\r\nMODE=1\r\n", u"BlockShort=1", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(u"C:\\Windows\\ORLA_LOG.INI");
        pdev()->trustMark.noKmwFile = 1;  // as a new device context has it
        if (!c.ini.empty()) WriteLogSettings(c.ini);
        InstallLibrary(c.script);
        SwitchOn();
        EXPECT_EQ(On(), c.on);
        EXPECT_EQ(pdev()->trustMark.noKmwFile, c.logMode ? 0u : 1u);
        ASSERT_EQ(HasKmwFile(), c.markFile) << "kept name " << PlatHostPath(pdev()->trustMark.kmwName);
        if (!c.markFile) continue;
        EXPECT_EQ(std::u16string(pdev()->trustMark.kmwName).substr(0, 3), u"KMW");
        EXPECT_EQ(pdev()->trustMark.markImage.width, 250);
        EXPECT_EQ(pdev()->trustMark.markImage.height, 96);
        EXPECT_EQ(std::filesystem::file_size(PlatHostPath(KmwPath().c_str())), kTileBytes) << "every padded row";
        DeleteFileW(KmwPath().c_str());
        pdev()->trustMark.kmwName[0] = u'0', pdev()->trustMark.kmwName[1] = 0;
    }
}

TEST_F(TrustMarkingLog, SeveralOutputsFetchTheirMarksAtTheSizeTheLogKept) {
    // The device context is made with the library's 250 x 96 tile; at the job end the library
    // makes its marks at whatever size it is asked for. With the log on, each output's mark is
    // asked for at the size the log kept; without it, at the whole printable page.
    struct Case {
        const char* what;
        bool log;
    } const cases[] = {{"log on: the kept size", true}, {"log off: the whole page", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(u"C:\\Windows\\ORLA_LOG.INI");
        if (c.log) WriteLogSettings("[ZT-Q4400K]\r\nMODE=1\r\n");
        pdev()->trustMark.noKmwFile = 1;  // as a new device context has it
        InstallLibrary(u"GetNumOfOutputs=2");
        SwitchOn();
        ASSERT_TRUE(On());
        ASSERT_EQ(pdev()->jobSpool.outputCount, 2);
        ASSERT_EQ(pdev()->trustMark.noKmwFile, c.log ? 0u : 1u);
        if (c.log) {
            ASSERT_EQ(pdev()->trustMark.markImage.width, 250);
            ASSERT_EQ(pdev()->trustMark.markImage.height, 96);
        }
        KweMarkImage page;
        KweWholePageSize(pdev(), &page);
        ASSERT_NE(page.width, 250);
        InstallLibrary(u"GetNumOfOutputs=2\nMarkAtAskedSize=1");
        const std::string job = DrawnJob();
        const std::string kept = "\x1ci250,96,";
        const std::string whole = "\x1ci" + std::to_string(page.width) + ",";
        EXPECT_EQ(Count(job, "@PJL ENTER LANGUAGE=ORLA"), 2u) << "the job once per output";
        if (c.log) {
            EXPECT_GE(Count(job, kept), 2u) << "both outputs tile the kept mark";
            EXPECT_EQ(Count(job, whole), 0u);
        } else {
            EXPECT_EQ(Count(job, whole), 2u) << "one whole-page mark per output";
            EXPECT_EQ(Count(job, kept), 0u);
        }
        if (HasKmwFile()) DeleteFileW(KmwPath().c_str());
        pdev()->trustMark.kmwName[0] = u'0', pdev()->trustMark.kmwName[1] = 0;
        pdev()->trustMark.markImage.width = pdev()->trustMark.markImage.height = 0;
        StartSpoolJob();
    }
}

TEST_F(TrustMarkingLog, AMarkFileThatCannotBeWrittenIsDeletedAndTheJobStillMarked) {
    WriteLogSettings("[ZT-Q4400K]\r\nMODE=1\r\n");
    InstallLibrary();
    WCHAR folder[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, folder);
    const std::string host = PlatHostPath(std::u16string(folder, n).c_str());
    auto kmwFiles = [&] {
        size_t count = 0;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(host, ec))
            count += entry.path().filename().string().rfind("KMW", 0) == 0;
        return count;
    };
    PlatInjectFailure("WriteFile", 1, ERROR_DISK_FULL);
    DriverLogClear();
    SwitchOn();
    PlatClearInjections();
    const std::vector<std::string> lines = DriverLogLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("KMW file could not be written") != l.npos; }),
              1);
    EXPECT_TRUE(On()) << "only the log lost its file";
    EXPECT_FALSE(HasKmwFile());
    EXPECT_EQ(kmwFiles(), 0u) << "no half image is left behind";
}

TEST_F(TrustMarkingLog, TheMarkFileGoesWithTheDeviceContextEvenADamagedOne) {
    WriteLogSettings("[ZT-Q4400K]\r\nMODE=1\r\n");
    InstallLibrary();
    for (bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "damaged" : "sound");
        SwitchOn();
        ASSERT_TRUE(HasKmwFile());
        const std::string host = PlatHostPath(KmwPath().c_str());
        ASSERT_TRUE(std::filesystem::exists(host));
        if (!damaged) {
            e_.Disable();
            EXPECT_FALSE(std::filesystem::exists(host));
            e_ = EnablePdev(printer_);
            ASSERT_NE(e_.dhpdev, nullptr);
            continue;
        }
        const DWORD magic = pdev()->trailingMagic;
        pdev()->trailingMagic = ~magic;
        SetLastError(0);
        DrvDisablePDEV(e_.dhpdev);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        EXPECT_FALSE(std::filesystem::exists(host)) << "deleted although nothing else is freed";
        EXPECT_EQ(pdev()->trustMark.noKmwFile, 1u);
        pdev()->trailingMagic = magic;
    }
}

}  // namespace
}  // namespace render_test

namespace render_test {
namespace {

// The log line a settings clash with hidden printing leaves in the library's log.
class HiddenPrintingClashLog : public TrustMarking {
protected:
    // The last log record the stand-in took; empty when none.
    std::vector<BYTE> LastLogRecord() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLibraryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
        std::vector<BYTE> record(2048);
        DWORD type = 0, size = static_cast<DWORD>(record.size());
        const LONG rc = RegQueryValueExW(key, u"LastLogRecord", nullptr, &type, record.data(), &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS || type != REG_BINARY) return {};
        record.resize(size);
        return record;
    }
    void ForgetLogRecord() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLibraryKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        RegDeleteValueW(key, u"LastLogRecord");
        RegCloseKey(key);
    }
    static std::u16string Field(const std::vector<BYTE>& record, KweTextField field) {
        const char* text = reinterpret_cast<const char*>(record.data() + field.offset);
        const int n = static_cast<int>(strnlen(text, field.bytes));
        EXPECT_LT(n, static_cast<int>(field.bytes)) << "every text is terminated";
        std::u16string wide(static_cast<size_t>(n), u'\0');
        wide.resize(static_cast<size_t>(MultiByteToWideChar(932, 0, text, n, wide.data(), n)));
        return wide;
    }
};

TEST_F(HiddenPrintingClashLog, EachClashLeavesItsOwnLineWithTheDeviceAndDriverNames) {
    struct Case {
        const char* what;
        bool paper;
        bool resolution;
        std::u16string text;
    };
    const Case cases[] = {
        {"paper", true, false, u"[*->*]用紙、長尺紙、またはユーザ定義は、[隠し印刷]と同時に選択できません。(7)"},
        {"resolution", false, true,
         u"[解像度]で[1200dpi],[400dpi],[240dpi],[200dpi]と[隠し印刷]と同時に選択できません。(8)"},
        {"both", true, true,
         u"次の設定は[隠し印刷]と同時に選択できません。・[*->*]用紙、長尺紙、またはユーザ定義・[解像度]で[1200dpi],"
         u"[400dpi],[240dpi],[200dpi] (9)"},
    };
    InstallLibrary();
    PRINTER_INFO_2W* info = nullptr;
    std::vector<BYTE> infoBlock(4096);
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterW(pdev()->printer, 2, infoBlock.data(), static_cast<DWORD>(infoBlock.size()), &needed));
    info = reinterpret_cast<PRINTER_INFO_2W*>(infoBlock.data());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ForgetLogRecord();
        LogHiddenPrintingClash(pdev(), u"ORLA Clash Device", c.paper, c.resolution);
        const std::vector<BYTE> record = LastLogRecord();
        ASSERT_EQ(record.size(), kKweLogRecordSize);
        EXPECT_EQ(Field(record, kwelog::kDevice), u"ORLA Clash Device");
        EXPECT_EQ(Field(record, kwelog::kDriver), std::u16string(info->pDriverName));
        EXPECT_EQ(Field(record, kwelog::kText), c.text);
    }
}

TEST_F(HiddenPrintingClashLog, ASuppressedJobIsLoggedAndALibraryFaultOnlyLogsInTheDriver) {
    struct Case {
        const char* what;
        bool installed;
        std::u16string script;
        bool libraryLine;
        const char* driverLine;  // a line of the driver's own log, or null
    };
    const Case cases[] = {
        {"library absent", false, u"", false, nullptr},  // first: nothing is installed yet
        {"library present", true, u"", true, nullptr},
        {"no handle", true, u"CreateHandle=fail", false, "makes no handle"},
        {"log refused", true, u"WriteLog=fail", false, "refused the log line"},
        {"release fails", true, u"ReleaseHandle=fail", true, "KWEハンドル開放が失敗"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.installed) InstallLibrary(c.script);
        ForgetLogRecord();
        DriverLogClear();
        // The job's own settings at 1200 dpi with hidden printing on: a clash of resolution.
        std::vector<BYTE> settings(orla::RecordBytes(pdev()->settings.record).begin(),
                                   orla::RecordBytes(pdev()->settings.record).end());
        auto* dmw = reinterpret_cast<DEVMODEW*>(settings.data());
        dmw->dmPrintQuality = 1200;
        dmw->dmYResolution = 1200;
        orla::Set(std::span<BYTE>(settings), dm::TrustMarkResult, DWORD{1});
        ASSERT_TRUE(LoadPdevSettings(pdev(), dmw, nullptr));
        if (pdev()->geometry.resolution != 1200) GTEST_SKIP() << "the model refuses 1200 dpi";
        EXPECT_EQ(pdev()->trustMark.suppressOutput, 1u);
        const std::vector<BYTE> record = LastLogRecord();
        EXPECT_EQ(record.size(), c.libraryLine ? kKweLogRecordSize : 0u);
        if (c.libraryLine) {
            EXPECT_EQ(Field(record, kwelog::kDevice), std::u16string(BoundedText(dmw->dmDeviceName, CCHDEVICENAME)));
        }
        const std::vector<std::string> lines = DriverLogLines();
        if (c.driverLine != nullptr) {
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
                return l.find(c.driverLine) != l.npos;
            })) << c.driverLine;
        }
        pdev()->trustMark.suppressOutput = 0;
    }
}

}  // namespace
}  // namespace render_test

namespace render_test {
namespace {

// A job that changes paper between pages: each section of the job spool file keeps its paper
// record, and every output's marks for that section are fetched and laid at that paper's size.
TEST_F(TrustMarking, EachSectionsPaperRecordGivesItsOwnPaper) {
    struct Case {
        const char* what;
        DWORD record;
        BOOL known;
        LONG width;
        LONG length;
    } const cases[] = {
        {"A4 portrait", MakePaperRecord(PaperA4, DMORIENT_PORTRAIT), TRUE, 210000, 297000},
        {"B5 portrait", MakePaperRecord(PaperB5, DMORIENT_PORTRAIT), TRUE, 182000, 257000},
        {"A3 landscape: turned", MakePaperRecord(PaperA3, DMORIENT_LANDSCAPE), TRUE, 420000, 297000},
        {"reply postcard, wider than long", MakePaperRecord(PaperReplyPostcard, DMORIENT_PORTRAIT), TRUE, 200000,
         148000},
        {"envelope", MakePaperRecord(PaperEnvelopeYou4, DMORIENT_PORTRAIT), TRUE, 105000, 235000},
        {"user paper", MakePaperRecord(PaperUser, DMORIENT_PORTRAIT), FALSE, 0, 0},
        {"conversion paper", MakePaperRecord(PaperA4x2ToA4, DMORIENT_PORTRAIT), FALSE, 0, 0},
        {"long paper", MakePaperRecord(PaperLong, DMORIENT_PORTRAIT), FALSE, 0, 0},
        {"a negative code widened", MakePaperRecord(-1, DMORIENT_PORTRAIT), FALSE, 0, 0},
        {"a code in the high bits only", 0x00650000u | kPaperRecordPortrait, FALSE, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KwePaperSize paper{-1, -1};
        EXPECT_EQ(KweSectionPaper(c.record, &paper), c.known);
        if (!c.known) continue;
        EXPECT_EQ(paper.width, c.width);
        EXPECT_EQ(paper.length, c.length);
    }
}

TEST_F(TrustMarking, AJobThatChangesPaperFetchesEachSectionsMarksAtItsOwnPaper) {
    // The library makes its marks at the size it is asked for, so each image tells which size was
    // asked: a whole printable page of the section's paper, once per output and section.
    InstallLibrary(u"GetNumOfOutputs=2\nMarkAtAskedSize=1");
    SwitchOn();
    ASSERT_EQ(pdev()->jobSpool.outputCount, 2);
    ASSERT_EQ(pdev()->geometry.outputPaper.code, PaperA4) << "the job starts on A4";
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"sections"), 5));
    auto page = [&] {
        EXPECT_TRUE(DrvStartPage(so()));
        EXPECT_TRUE(FlushPendingStart(pdev()));
        pdev()->pageSetup.blankSheet = 0;  // what a drawing hook does
        EXPECT_TRUE(DrvSendPage(so()));
    };
    page();
    for (const char16_t* form : {u"B5 (JIS)", u"A3"}) {
        SCOPED_TRACE(::testing::PrintToString(std::u16string(form)));
        orla::DriverDevmode record = pdev()->settings.record;
        DEVMODEW* dmw = orla::AsDevmode(record);
        std::fill(std::begin(dmw->dmFormName), std::end(dmw->dmFormName), u'\0');
        std::copy_n(form, std::char_traits<char16_t>::length(form), dmw->dmFormName);
        dmw->dmFields = (dmw->dmFields & ~static_cast<DWORD>(DM_PAPERSIZE)) | DM_FORMNAME;
        EnabledPdev next = EnablePdev(printer_, dmw);
        ASSERT_NE(next.dhpdev, nullptr);
        orla::Set(next.pdev()->settings.record, dm::TrustMarkResult, DWORD{1});
        BindTrustMarking(next.pdev());
        ASSERT_TRUE(DrvResetPDEV(e_.dhpdev, next.dhpdev));
        e_ = std::move(next);  // the old record is disabled first
        ASSERT_TRUE(DrvStartDoc(so(), nullptr, 5));
        page();
    }
    ASSERT_EQ(pdev()->geometry.outputPaper.code, PaperA3) << "the job ends on A3";
    ASSERT_EQ(pdev()->jobSpool.sectionCount, 3u);
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    const std::string job = EndSpoolJob();
    EXPECT_EQ(Count(job, "@PJL ENTER LANGUAGE=ORLA"), 2u) << "the job once per output";
    for (SHORT code : {PaperA4, PaperB5, PaperA3}) {
        SCOPED_TRACE(code);
        KwePaperSize paper;
        ASSERT_TRUE(KweSectionPaper(MakePaperRecord(code, DMORIENT_PORTRAIT), &paper));
        KweMarkImage mark;
        KweWholePageSizeOf(pdev(), paper, &mark);
        const std::string image = "\x1ci" + std::to_string(mark.width) + "," + std::to_string(mark.height) + ",";
        EXPECT_EQ(Count(job, image), 2u) << "one mark of this paper's size per output";
    }
    EXPECT_EQ(Count(job, kFooterRun), 3u) << "the first output's footer under each section";
}

}  // namespace
}  // namespace render_test
