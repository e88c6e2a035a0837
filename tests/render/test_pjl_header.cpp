// The PJL job header and job attributes, line by line: one table row per line and setting.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "plat/control.h"
#include "render/pjl_header.h"
#include "test_pjl_fixture.h"

namespace {

using g3test::PdevFixture;
namespace dm = orla::dm;

constexpr orla::DmText kComputerName{522, 16};
constexpr orla::DmText kJobUserName{554, 16};
constexpr orla::DmText kPanelText{588, 18};

class PjlHeader : public ::testing::Test {
protected:
    void SetUp() override {
        SYSTEMTIME t{};
        t.wYear = 2026;
        t.wMonth = 3;
        t.wDay = 4;
        t.wHour = 5;
        t.wMinute = 6;
        t.wSecond = 7;
        PlatSetLocalTime(&t);
        PlatSetComputerName(u"HOSTPC");
    }
    void TearDown() override { PlatSetLocalTime(nullptr); }

    static void Baseline(PdevFixture& f) {
        f.SetText(kComputerName, u"PC01");
        f.SetText(kJobUserName, u"suzuki");
        const char16_t doc[] = u"report.doc";
        std::copy(std::begin(doc), std::end(doc), f.pdev->job.documentName);
    }
};

TEST_F(PjlHeader, BaselineHeaderInOrder) {
    PdevFixture f;
    Baseline(f);
    ASSERT_TRUE(WritePjlJobHeader(f.pdev));
    const std::vector<std::string> expected = {
        "\x1b%-12345X@PJL JOB MODE=PRINTER",
        "@PJL JOB DISPLAY=\"\"",
        "@PJL COMMENT DNAME=report.doc",
        "@PJL SET JOBATTR=\"@JOAU=\"",
        "@PJL SET JOBATTR=\"@JOAP=\"",
        "@PJL SET JOBATTR=\"@HOAD=\"",
        "@PJL SET JOBATTR=\"@NLPP=1\"",
        "@PJL SET JOBATTR=\"@LUNA=suzuki\"",
        "@PJL SET JOBATTR=\"@CNAM=PC01\"",
        "@PJL COMMENT DATE=03/04/2026",
        "@PJL COMMENT TIME=05:06:07",
        "@PJL SET RENDERMODE=GRAYSCALE",
        "@PJL SET JOBATTR=\"@TSCR=4\"",
        "@PJL SET JOBATTR=\"@GSCR=4\"",
        "@PJL SET JOBATTR=\"@ISCR=4\"",
        "@PJL SET COPIES=1",
        "@PJL SET QTY=1",
        "@PJL SET PAPERSORT=OFF",
        "@PJL SET LPARM:ORLA MSW068=ON",
        "@PJL SET LPARM:ORLA MSW097=OFF",
        "@PJL SET LPARM:ORLA MSW044=OFF",
        "@PJL SET RET=OFF",
        "@PJL SET DENSITY=0",
        "@PJL SET JOBATTR=\"@APSP=NORMAL\"",
        "@PJL SET JOBATTR=\"@MSIP=NORMAL\"",
        "@PJL SET ECONOMODE=OFF",
        "@PJL SET SLIPSHEET=OFF",
        "@PJL ENTER LANGUAGE=ORLA",
    };
    EXPECT_EQ(f.Lines(), expected);
    const std::string out = f.Output();
    EXPECT_EQ(out.substr(out.rfind("\r\n") + 2),
              "\x1b"
              "c1"
              "\x1c&600."
              "\x1c"
              "d240.");
    // The job identifier is named for the computer of the settings.
    EXPECT_EQ(std::string(f.pdev->pageSetup.jobId).substr(0, 12),
              "04"
              "5043303100");
    EXPECT_EQ(std::string(f.pdev->pageSetup.jobId).size(), 24u);
}

struct LineCase {
    const char* what;
    std::function<void(PdevFixture&)> setup;
    const char* prefix;    // the line looked for
    const char* expected;  // the whole line, or "<none>"
};

void RunLineCases(const std::vector<LineCase>& cases, bool withFeatures = true) {
    for (const LineCase& c : cases) {
        PdevFixture f(withFeatures);
        f.SetText(kComputerName, u"PC01");
        f.SetText(kJobUserName, u"suzuki");
        const char16_t doc[] = u"report.doc";
        std::copy(std::begin(doc), std::end(doc), f.pdev->job.documentName);
        c.setup(f);
        WritePjlJobHeader(f.pdev);
        EXPECT_EQ(f.LineStarting(c.prefix), c.expected) << c.what;
        // Whatever the settings hold, no value may start a PJL line of its own.
        for (const std::string& line : f.Lines()) {
            EXPECT_EQ(line.find('\r'), std::string::npos) << c.what;
            EXPECT_EQ(line.find('\n'), std::string::npos) << c.what;
            EXPECT_NE(line.rfind("@PJL SET X", 0), 0u) << c.what << ": injected line";
        }
    }
}

void SetCopies(PdevFixture& f, SHORT copies) {
    f.Dm()->dmCopies = copies;
}

TEST_F(PjlHeader, JobLines) {
    RunLineCases({
        {"JOB MODE left out once after passed-through data",
         [](PdevFixture& f) { f.pdev->pageSetup.skipJobModeLine = 1; }, "\x1b%-12345X@PJL JOB MODE", "<none>"},
        {"DISPLAY from the job user name", [](PdevFixture& f) { f.SetFlag1(orla::kFlags1DisplayJobUser); },
         "@PJL JOB DISPLAY=", "@PJL JOB DISPLAY=\"suzuki\""},
        {"DISPLAY from the panel text",
         [](PdevFixture& f) {
             f.SetFlag1(orla::kFlags1DisplayUserText);
             f.SetText(kPanelText, u"PANEL TEXT IS LONG");
         },
         "@PJL JOB DISPLAY=", "@PJL JOB DISPLAY=\"PANEL TEXT IS LON\""},
        {"DISPLAY with a quote in the user name",
         [](PdevFixture& f) {
             f.SetFlag1(orla::kFlags1DisplayJobUser);
             f.SetText(kJobUserName, u"a\"\r\n@PJL SET X=1");
         },
         "@PJL JOB DISPLAY=", "@PJL JOB DISPLAY=\"\""},
        {"DISPLAY panel text with line ends",
         [](PdevFixture& f) {
             f.SetFlag1(orla::kFlags1DisplayUserText);
             f.SetText(kPanelText, u"A\r\n@PJL SET X=1");
         },
         "@PJL JOB DISPLAY=", "@PJL JOB DISPLAY=\"A@PJL SET X=1\""},
        {"MSW047 off", [](PdevFixture& f) { f.Set(dm::FlagsWord, WORD{0x0001}); }, "@PJL SET LPARM:ORLA MSW047",
         "@PJL SET LPARM:ORLA MSW047=OFF"},
        {"MSW047 on", [](PdevFixture& f) { f.Set(dm::FlagsWord, WORD{0x0009}); }, "@PJL SET LPARM:ORLA MSW047",
         "@PJL SET LPARM:ORLA MSW047=ON"},
        {"MSW047 without overlay", [](PdevFixture&) {}, "@PJL SET LPARM:ORLA MSW047", "<none>"},
        {"MSW068 off", [](PdevFixture& f) { f.SetFlag2(orla::kFlags2OverlayMode); }, "@PJL SET LPARM:ORLA MSW068",
         "@PJL SET LPARM:ORLA MSW068=OFF"},
        {"MSW068 on for user paper",
         [](PdevFixture& f) {
             f.SetFlag2(orla::kFlags2OverlayMode);
             f.pdev->geometry.outputPaper.code = PaperUser;
         },
         "@PJL SET LPARM:ORLA MSW068", "@PJL SET LPARM:ORLA MSW068=ON"},
        {"MSW097 on", [](PdevFixture& f) { f.pdev->settings.sheet.sheetSetting = 5; }, "@PJL SET LPARM:ORLA MSW097",
         "@PJL SET LPARM:ORLA MSW097=ON"},
        {"RET on", [](PdevFixture& f) { f.SetFlag1(orla::kFlags1ResolutionEnhance); }, "@PJL SET RET",
         "@PJL SET RET=ON"},
        {"DENSITY", [](PdevFixture& f) { f.Set(dm::PrintDensity, WORD{3}); }, "@PJL SET DENSITY", "@PJL SET DENSITY=3"},
        {"APSP thick", [](PdevFixture& f) { f.Set(dm::PaperType, WORD{1}); }, "@PJL SET JOBATTR=\"@APSP",
         "@PJL SET JOBATTR=\"@APSP=THICK\""},
        {"APSP thick 2", [](PdevFixture& f) { f.Set(dm::PaperType, WORD{2}); }, "@PJL SET JOBATTR=\"@APSP",
         "@PJL SET JOBATTR=\"@APSP=THICK2\""},
        {"APSP transparency", [](PdevFixture& f) { f.Set(dm::PaperType, WORD{3}); }, "@PJL SET JOBATTR=\"@APSP",
         "@PJL SET JOBATTR=\"@APSP=TRANSPARENCY\""},
        {"APSP unknown", [](PdevFixture& f) { f.Set(dm::PaperType, WORD{77}); }, "@PJL SET JOBATTR=\"@APSP",
         "@PJL SET JOBATTR=\"@APSP=NORMAL\""},
        {"MSIP thick", [](PdevFixture& f) { f.Set(dm::ManualPaperType, WORD{1}); }, "@PJL SET JOBATTR=\"@MSIP",
         "@PJL SET JOBATTR=\"@MSIP=THICK\""},
        {"NONFIXED0 installed", [](PdevFixture& f) { f.InstallDevice(652); }, "@PJL SET LPARM:ORLA NONFIXED0",
         "@PJL SET LPARM:ORLA NONFIXED0=ON"},
        {"NONFIXED0 fixed",
         [](PdevFixture& f) {
             f.InstallDevice(652);
             f.SetFlag1(orla::kFlags1ManualInTraySet);
         },
         "@PJL SET LPARM:ORLA NONFIXED0", "@PJL SET LPARM:ORLA NONFIXED0=OFF"},
        {"NONFIXED0 not installed", [](PdevFixture& f) { f.SetFlag1(orla::kFlags1ManualInTraySet); },
         "@PJL SET LPARM:ORLA NONFIXED0", "<none>"},
        {"NONFIXED1", [](PdevFixture& f) { f.InstallDevice(628); }, "@PJL SET LPARM:ORLA NONFIXED1",
         "@PJL SET LPARM:ORLA NONFIXED1=ON"},
        {"NONFIXED3 fixed",
         [](PdevFixture& f) {
             f.InstallDevice(636);
             f.Set(dm::TraySet, DWORD{1u << 2});
         },
         "@PJL SET LPARM:ORLA NONFIXED3", "@PJL SET LPARM:ORLA NONFIXED3=OFF"},
        {"NONFIXED4", [](PdevFixture& f) { f.InstallDevice(640); }, "@PJL SET LPARM:ORLA NONFIXED4",
         "@PJL SET LPARM:ORLA NONFIXED4=ON"},
        {"ECONOMODE on", [](PdevFixture& f) { f.SetFlag1(orla::kFlags1TonerSave); }, "@PJL SET ECONOMODE",
         "@PJL SET ECONOMODE=ON"},
        {"SLIPSHEET copy",
         [](PdevFixture& f) {
             f.pdev->settings.sheet.slipSheetsOn = 1;
             f.pdev->settings.sheet.slipSheetKind = 1;
             f.pdev->settings.sheet.slipSheetTray = 257;
         },
         "@PJL SET SLIPSHEET=", "@PJL SET SLIPSHEET=COPY"},
        {"SLIPSHEETFEEDER tray 1",
         [](PdevFixture& f) {
             f.pdev->settings.sheet.slipSheetsOn = 1;
             f.pdev->settings.sheet.slipSheetTray = 257;
         },
         "@PJL SET SLIPSHEETFEEDER", "@PJL SET SLIPSHEETFEEDER=TRAY1"},
        {"SLIPSHEET blank from the manual feeder",
         [](PdevFixture& f) {
             f.pdev->settings.sheet.slipSheetsOn = 1;
             f.pdev->settings.sheet.slipSheetTray = 4;
         },
         "@PJL SET SLIPSHEETFEEDER", "@PJL SET SLIPSHEETFEEDER=SMH"},
        {"SLIPSHEETFEEDER multi-purpose",
         [](PdevFixture& f) {
             f.pdev->settings.sheet.slipSheetsOn = 1;
             f.pdev->settings.sheet.slipSheetTray = 14;
         },
         "@PJL SET SLIPSHEETFEEDER", "@PJL SET SLIPSHEETFEEDER=SMH"},
        {"SLIPSHEETFEEDER automatic tray has no name",
         [](PdevFixture& f) {
             f.pdev->settings.sheet.slipSheetsOn = 1;
             f.pdev->settings.sheet.slipSheetTray = 1;
         },
         "@PJL SET SLIPSHEETFEEDER", "@PJL SET SLIPSHEETFEEDER="},
        {"SLIPSHEET blank", [](PdevFixture& f) { f.pdev->settings.sheet.slipSheetsOn = 1; },
         "@PJL SET SLIPSHEET=", "@PJL SET SLIPSHEET=BLANK"},
    });
}

TEST_F(PjlHeader, FeatureLinesNeedTheirKeywords) {
    RunLineCases({{"no RET without SET", [](PdevFixture& f) { f.SetFlag1(orla::kFlags1ResolutionEnhance); },
                   "@PJL SET RET", "<none>"},
                  {"no ECONOMODE without TONERSAVE", [](PdevFixture& f) { f.SetFlag1(orla::kFlags1TonerSave); },
                   "@PJL SET ECONOMODE", "<none>"}},
                 false);
}

TEST_F(PjlHeader, AttributeLines) {
    RunLineCases({
        {"DNAME of a Japanese name is left out",
         [](PdevFixture& f) {
             const char16_t doc[] = u"報告書.doc";
             std::copy(std::begin(doc), std::end(doc), f.pdev->job.documentName);
         },
         "@PJL COMMENT DNAME", "<none>"},
        {"DNAME with a line end is left out",
         [](PdevFixture& f) {
             const char16_t doc[] = u"a\r\n@PJL SET X=1";
             std::copy(std::begin(doc), std::end(doc), f.pdev->job.documentName);
         },
         "@PJL COMMENT DNAME", "<none>"},
        {"DNAME of half-width kana",
         [](PdevFixture& f) {
             const char16_t doc[] = u"ｶﾀﾛｸﾞ";
             std::copy(std::begin(doc), std::end(doc), f.pdev->job.documentName);
         },
         "@PJL COMMENT DNAME", "@PJL COMMENT DNAME=\xb6\xc0\xdb\xb8\xde"},
        {"JOAU from the print-time user ID", [](PdevFixture& f) { f.SetText(dm::PopUserId, u"U123"); },
         "@PJL SET JOBATTR=\"@JOAU", "@PJL SET JOBATTR=\"@JOAU=U123\""},
        {"JOAU from the printer's user ID",
         [](PdevFixture& f) {
             f.SetFlag2(orla::kFlags2JbaType);
             f.SetText(dm::SetUserId, u"ADMIN");
             f.SetText(dm::PopUserId, u"U123");
         },
         "@PJL SET JOBATTR=\"@JOAU", "@PJL SET JOBATTR=\"@JOAU=ADMIN\""},
        {"JOAU from the job user name",
         [](PdevFixture& f) { f.SetFlag2(orla::kFlags2JbaType | orla::kFlags2JobOwnerType); },
         "@PJL SET JOBATTR=\"@JOAU", "@PJL SET JOBATTR=\"@JOAU=suzuki\""},
        {"JOAU injection is filtered", [](PdevFixture& f) { f.SetText(dm::PopUserId, u"ev\"il\r\n@PJL SET X=1"); },
         "@PJL SET JOBATTR=\"@JOAU", "@PJL SET JOBATTR=\"@JOAU=evil@PJL SET X=1\""},
        {"JOAU of an unterminated field stops at the field",
         [](PdevFixture& f) {
             for (unsigned i = 0; i < dm::PopUserId.cch; ++i)
                 f.Set(orla::DmField<WORD>{dm::PopUserId.offset + 2 * i}, WORD{'A'});
             f.SetText(dm::PopPassword, u"PW");
         },
         "@PJL SET JOBATTR=\"@JOAU", "@PJL SET JOBATTR=\"@JOAU=AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\""},
        {"JOAP from the print-time password", [](PdevFixture& f) { f.SetText(dm::PopPassword, u"9999"); },
         "@PJL SET JOBATTR=\"@JOAP", "@PJL SET JOBATTR=\"@JOAP=9999\""},
        {"JOAP from the printer's password",
         [](PdevFixture& f) {
             f.SetFlag2(orla::kFlags2JbaType);
             f.SetText(dm::SetPassword, u"1111");
         },
         "@PJL SET JOBATTR=\"@JOAP", "@PJL SET JOBATTR=\"@JOAP=1111\""},
        {"HOAD from the owner record",
         [](PdevFixture& f) { std::memcpy(f.pdev->settings.ownerRecord + kOwnerHostOffset, "10.0.0.1", 9); },
         "@PJL SET JOBATTR=\"@HOAD", "@PJL SET JOBATTR=\"@HOAD=10.0.0.1\""},
        {"HOAD of an unterminated host is bounded",
         [](PdevFixture& f) { std::memset(f.pdev->settings.ownerRecord + kOwnerHostOffset, 'h', kOwnerHostSize); },
         "@PJL SET JOBATTR=\"@HOAD", ("@PJL SET JOBATTR=\"@HOAD=" + std::string(kOwnerHostSize, 'h') + "\"").c_str()},
        {"HOAD injection is filtered",
         [](PdevFixture& f) {
             std::memcpy(f.pdev->settings.ownerRecord + kOwnerHostOffset, "h\"\r\n@PJL SET X=1", 17);
         },
         "@PJL SET JOBATTR=\"@HOAD", "@PJL SET JOBATTR=\"@HOAD=h@PJL SET X=1\""},
        {"LUNA", [](PdevFixture& f) { f.SetText(kJobUserName, u"tanaka"); }, "@PJL SET JOBATTR=\"@LUNA",
         "@PJL SET JOBATTR=\"@LUNA=tanaka\""},
        {"CNAM", [](PdevFixture& f) { f.SetText(kComputerName, u"WS-7"); }, "@PJL SET JOBATTR=\"@CNAM",
         "@PJL SET JOBATTR=\"@CNAM=WS-7\""},
        {"PAPERSORT on", [](PdevFixture& f) { f.SetFlag1(orla::kFlags1JobSeparate); }, "@PJL SET PAPERSORT",
         "@PJL SET PAPERSORT=ON"},
        {"PAPERSORT for a paper without sorting",
         [](PdevFixture& f) {
             f.SetFlag1(orla::kFlags1JobSeparate);
             g3test::PdevFixture::CopyName(f.pdev->geometry.outputPaper.name, u"B4 (JIS)");
         },
         "@PJL SET PAPERSORT", "@PJL SET PAPERSORT=OFF"},
    });
}

TEST_F(PjlHeader, LayoutAttribute) {
    static const struct {
        WORD layout;
        const char* value;
    } kCases[] = {{1, "1"}, {2, "N2"}, {4, "N4"}, {6, "N6"}, {8, "N8"}, {9, "N9"}, {16, "N16"}, {3, ""}, {0, ""}};
    for (const auto& c : kCases) {
        PdevFixture f;
        f.Set(dm::LayoutMode, c.layout);
        WritePjlJobHeader(f.pdev);
        EXPECT_EQ(f.LineStarting("@PJL SET JOBATTR=\"@NLPP"),
                  std::string("@PJL SET JOBATTR=\"@NLPP=") + c.value + "\"");
    }
}

TEST_F(PjlHeader, CopiesAndQuantity) {
    static const struct {
        const char* what;
        SHORT copies;
        bool printerCollates;
        DWORD holdMode;
        DWORD storeFlag;
        int pjlCopies, quantity;
        SHORT settingsAfter;
    } kCases[] = {
        {"one", 1, false, 0, 0, 1, 1, 1},
        {"zero becomes one", 0, false, 0, 0, 1, 1, 1},
        {"negative becomes one", -4, false, 0, 0, 1, 1, 1},
        {"1500 becomes 999", 1500, false, 0, 0, 999, 1, 999},
        {"printer copies", 3, false, 0, 0, 3, 1, 3},
        {"printer collates", 3, true, 0, 0, 1, 3, 3},
        {"proof hold", 3, false, 2, 0, 1, 3, 3},
        {"driver copies from the store file", 3, true, 0, 1, 1, 1, 3},
    };
    for (const auto& c : kCases) {
        PdevFixture f;
        SetCopies(f, c.copies);
        if (c.printerCollates) f.SetFlag1(orla::kFlags1Collate);
        f.Set(dm::HoldMode, c.holdMode);
        f.pdev->store.storeFlag = c.storeFlag;
        WritePjlJobHeader(f.pdev);
        EXPECT_EQ(f.LineStarting("@PJL SET COPIES"), "@PJL SET COPIES=" + std::to_string(c.pjlCopies)) << c.what;
        EXPECT_EQ(f.LineStarting("@PJL SET QTY"), "@PJL SET QTY=" + std::to_string(c.quantity)) << c.what;
        EXPECT_EQ(f.Dm()->dmCopies, c.settingsAfter) << c.what;
    }
}

TEST_F(PjlHeader, HoldLines) {
    auto hold = [](PdevFixture& f, DWORD mode, SHORT copies) {
        f.Set(dm::HoldMode, mode);
        f.Dm()->dmCopies = copies;
        f.SetText(dm::HoldPin, u"1234");
        f.SetText(dm::HoldUserName, u"taro");
        f.SetText(dm::HoldJobName, u"weekly");
    };
    {
        PdevFixture f;
        hold(f, 1, 1);
        f.Set(dm::JobNameFromDocument, DWORD{1});
        f.SetText(kComputerName, u"PC01");
        const char16_t doc[] = u"report.doc";
        std::copy(std::begin(doc), std::end(doc), f.pdev->job.documentName);
        WritePjlJobHeader(f.pdev);
        const std::vector<std::string> lines = f.Lines();
        auto at = std::find(lines.begin(), lines.end(), "@PJL SET HOLD=STORE");
        ASSERT_NE(at, lines.end());
        const std::vector<std::string> expected = {"@PJL SET HOLD=STORE", "@PJL SET HOLDTYPE=PRIVATE",
                                                   "@PJL SET HOLDENCRYPTKEY=\"1234\"", "@PJL SET USERNAME=\"taro\"",
                                                   "@PJL SET JOBNAME=\"report.doc\""};
        EXPECT_EQ(std::vector<std::string>(at, at + 5), expected);
    }
    {
        PdevFixture f;
        hold(f, 1, 1);
        WritePjlJobHeader(f.pdev);
        EXPECT_EQ(f.LineStarting("@PJL SET JOBNAME"), "@PJL SET JOBNAME=\"weekly\"");
        f.ClearOutput();
        f.SetText(dm::HoldJobName, u"週報");  // refused like DNAME
        WritePjlJobHeader(f.pdev);
        EXPECT_EQ(f.LineStarting("@PJL SET JOBNAME"), "<none>");
        f.ClearOutput();
        f.SetText(dm::HoldPin, u"12\"\r\n@PJL SET X=1");
        WritePjlJobHeader(f.pdev);
        EXPECT_EQ(f.LineStarting("@PJL SET HOLDENCRYPTKEY"), "@PJL SET HOLDENCRYPTKEY=\"12@PJL SE\"");
    }
    {
        PdevFixture f;
        hold(f, 2, 2);
        WritePjlJobHeader(f.pdev);
        EXPECT_EQ(f.LineStarting("@PJL SET HOLD="), "@PJL SET HOLD=PROOF");
        EXPECT_EQ(f.LineStarting("@PJL SET HOLDTYPE"), "<none>");
        EXPECT_EQ(f.LineStarting("@PJL SET USERNAME"), "@PJL SET USERNAME=\"taro\"");
    }
    {
        PdevFixture f;
        hold(f, 2, 1);
        WritePjlJobHeader(f.pdev);
        EXPECT_EQ(f.LineStarting("@PJL SET HOLD"), "<none>");
    }
}

TEST_F(PjlHeader, ResolutionAnnouncement) {
    static const struct {
        LONG dpi;
        const char* bytes;
    } kCases[] = {{300, "\x1c&600."}, {200, "\x1c&400."}, {600, "\x1c&600."}, {1200, "\x1c&1200."}, {240, "\x1c&240."}};
    for (const auto& c : kCases) {
        PdevFixture f;
        f.pdev->geometry.resolution = c.dpi;
        WritePjlJobHeader(f.pdev);
        const std::string out = f.Output();
        EXPECT_EQ(out.substr(out.rfind("\r\n") + 2), std::string("\x1b"
                                                                 "c1") +
                                                         c.bytes +
                                                         "\x1c"
                                                         "d240.")
            << c.dpi;
    }
}

TEST_F(PjlHeader, JobIdFallsBackToTheComputerName) {
    PdevFixture f;
    WritePjlJobHeader(f.pdev);  // no name in the settings
    EXPECT_EQ(std::string(f.pdev->pageSetup.jobId).substr(0, 12),
              "06"
              "484F535450");  // "HOSTPC"
    f.ClearOutput();
    f.SetText(kComputerName, u"コンピュータ名前");  // 16 bytes: too long for the identifier
    WritePjlJobHeader(f.pdev);
    EXPECT_EQ(std::string(f.pdev->pageSetup.jobId).substr(0, 12),
              "06"
              "484F535450");
}

}  // namespace
