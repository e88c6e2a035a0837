// The ORLA page set-up (paper source, duplex, overlay removal, resolution switch), the mode
// switches and the job trailer, field by field.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "render/pjl_header.h"
#include "test_pjl_fixture.h"

namespace {

using g3test::Paper;
using g3test::PdevFixture;
namespace dm = orla::dm;

constexpr unsigned kManualFeeder = 652;
constexpr unsigned kDuplexUnit = 660;

struct SourceCase {
    const char* what;
    std::function<void(PdevFixture&)> setup;
    std::string bytes;
};

TEST(PjlPageSetup, PaperSourceTable) {
    auto paper = [](PdevFixture& f, LONG code, LONG w, LONG l) { f.pdev->geometry.outputPaper = Paper(code, w, l); };
    const SourceCase kCases[] = {
        {"tray 1, A4, portrait", [](PdevFixture&) {},
         "\x1c"
         "fPC1PA4."},
        {"landscape in layout 1", [](PdevFixture& f) { f.Dm()->dmOrientation = DMORIENT_LANDSCAPE; },
         "\x1c"
         "fLC1LA4."},
        {"turned two-up on portrait", [](PdevFixture& f) { f.Set(dm::LayoutMode, WORD{2}); },
         "\x1c"
         "fLC1LA4."},
        {"two-up on landscape is upright",
         [](PdevFixture& f) {
             f.Set(dm::LayoutMode, WORD{2});
             f.Dm()->dmOrientation = DMORIENT_LANDSCAPE;
         },
         "\x1c"
         "fPC1PA4."},
        {"4-up landscape",
         [](PdevFixture& f) {
             f.Set(dm::LayoutMode, WORD{4});
             f.Dm()->dmOrientation = DMORIENT_LANDSCAPE;
         },
         "\x1c"
         "fLC1LA4."},
        {"tray 2", [](PdevFixture& f) { f.Dm()->dmDefaultSource = 258; },
         "\x1c"
         "fPC2PA4."},
        {"manual feeder installed",
         [](PdevFixture& f) {
             f.Dm()->dmDefaultSource = 4;
             f.InstallDevice(kManualFeeder, 0x0001);
         },
         "\x1c"
         "fPM0PA4."},
        {"manual feeder missing", [](PdevFixture& f) { f.Dm()->dmDefaultSource = 4; },
         "\x1c"
         "fPC0.\x1c"
         "fA4."},
        {"multi-purpose tray", [](PdevFixture& f) { f.Dm()->dmDefaultSource = 14; },
         "\x1c"
         "fPMPPA4."},
        {"automatic tray", [](PdevFixture& f) { f.Dm()->dmDefaultSource = 1; },
         "\x1c"
         "fPC0.\x1c"
         "fA4."},
        {"unknown tray acts as automatic", [](PdevFixture& f) { f.Dm()->dmDefaultSource = 999; },
         "\x1c"
         "fPC0.\x1c"
         "fA4."},
        {"no tray commands", [](PdevFixture& f) { f.SetFlag1(orla::kFlags1JobSeparate); },
         "\x1c"
         "fPA4."},
        {"A3", [=](PdevFixture& f) { paper(f, PaperA3, 297000, 420000); },
         "\x1c"
         "fPC1PA3."},
        {"B4", [=](PdevFixture& f) { paper(f, PaperB4, 257000, 364000); },
         "\x1c"
         "fPC1PB4."},
        {"Letter", [=](PdevFixture& f) { paper(f, PaperLetter, 215900, 279400); },
         "\x1c"
         "fPC1PLT."},
        {"postcard", [=](PdevFixture& f) { paper(f, PaperPostcard, 100000, 148000); },
         "\x1c"
         "fPC1PPC."},
        {"reply postcard", [=](PdevFixture& f) { paper(f, PaperReplyPostcard, 200000, 148000); },
         "\x1c"
         "fPC1PUPPC."},
        {"envelope", [=](PdevFixture& f) { paper(f, PaperEnvelopeYou4, 105000, 235000); },
         "\x1c"
         "fPC1PENV4."},
        {"A4x2->A4", [=](PdevFixture& f) { paper(f, 112, 210000, 297000); },
         "\x1c"
         "fPC1PUPA4."},
        {"LP->B4", [=](PdevFixture& f) { paper(f, 122, 257000, 364000); },
         "\x1c"
         "fPC1PLPB4."},
        {"rotated A4 reverses the orientation", [=](PdevFixture& f) { paper(f, 129, 297000, 210000); },
         "\x1c"
         "fLC1LA4."},
        {"A4 Transverse keeps it", [=](PdevFixture& f) { paper(f, 128, 297000, 210000); },
         "\x1c"
         "fPC1PA4."},
        {"user paper in the automatic tray",
         [=](PdevFixture& f) {
             paper(f, PaperUser, 100000, 200000);
             f.Dm()->dmDefaultSource = 1;
         },
         "\x1c"
         "fPC0.\x1c"
         "fUNDF,1000,2000,1/10,m."},
        {"user paper in a cassette", [=](PdevFixture& f) { paper(f, PaperUser, 200000, 300000); },
         "\x1c"
         "fPC1P,2000,3000,1/10,m."},
        {"user paper too narrow for a cassette", [=](PdevFixture& f) { paper(f, PaperUser, 60000, 300000); },
         "\x1c"
         "fPC0.\x1c"
         "fUNDF,600,3000,1/10,m."},
        {"user paper too long for a cassette", [=](PdevFixture& f) { paper(f, PaperUser, 200000, 440000); },
         "\x1c"
         "fPC0.\x1c"
         "fUNDF,2000,4400,1/10,m."},
        {"user paper landscape trades the size",
         [=](PdevFixture& f) {
             paper(f, PaperUser, 300000, 200000);
             f.Dm()->dmOrientation = DMORIENT_LANDSCAPE;
         },
         "\x1c"
         "fLC1L,2000,3000,1/10,m."},
        {"long paper",
         [=](PdevFixture& f) {
             paper(f, PaperLong, 297000, 900000);
             f.Dm()->dmDefaultSource = 14;
         },
         "\x1c"
         "fPMPP,2970,9000,1/10,m."},
    };
    for (const SourceCase& c : kCases) {
        PdevFixture f;
        c.setup(f);
        FillPageSetupRecord(f.pdev, &f.pdev->pageSetup.next);
        ASSERT_TRUE(WritePageStart(f.pdev)) << c.what;
        EXPECT_EQ(f.Output(), c.bytes) << c.what;
    }
}

TEST(PjlPageSetup, DuplexTable) {
    const SourceCase kCases[] = {
        {"long-edge duplex", [](PdevFixture& f) { f.Dm()->dmDuplex = DMDUP_VERTICAL; }, "\x1c'B,F,3,0."},
        {"short-edge duplex", [](PdevFixture& f) { f.Dm()->dmDuplex = DMDUP_HORIZONTAL; }, "\x1c'B,F,2,0."},
        {"binding on the other side",
         [](PdevFixture& f) {
             f.Dm()->dmDuplex = DMDUP_VERTICAL;
             f.SetFlag1(orla::kFlags1BindingBack);
         },
         "\x1c'B,B,3,0."},
        {"simplex", [](PdevFixture&) {}, "\x1c'S."},
        {"slip sheets force simplex",
         [](PdevFixture& f) {
             f.Dm()->dmDuplex = DMDUP_VERTICAL;
             f.pdev->settings.sheet.slipSheetsOn = 1;
         },
         "\x1c'S."},
        {"a stray duplex value is simplex", [](PdevFixture& f) { f.Dm()->dmDuplex = 9; }, "\x1c'S."},
    };
    for (const SourceCase& c : kCases) {
        PdevFixture f;
        f.InstallDevice(kDuplexUnit);
        c.setup(f);
        FillPageSetupRecord(f.pdev, &f.pdev->pageSetup.next);
        WritePageStart(f.pdev);
        EXPECT_EQ(f.Output(),
                  "\x1c"
                  "fPC1PA4." +
                      c.bytes)
            << c.what;
    }
    // Without the duplex unit nothing is said about duplex.
    PdevFixture f;
    f.Dm()->dmDuplex = DMDUP_VERTICAL;
    FillPageSetupRecord(f.pdev, &f.pdev->pageSetup.next);
    WritePageStart(f.pdev);
    EXPECT_EQ(f.Output(),
              "\x1c"
              "fPC1PA4.");
}

// The lazy start's use: the next set-up becomes the last one once written.
void NextPage(PdevFixture& f) {
    f.ClearOutput();
    FillPageSetupRecord(f.pdev, &f.pdev->pageSetup.next);
    WritePageStart(f.pdev);
    f.pdev->pageSetup.last = f.pdev->pageSetup.next;
}

TEST(PjlPageSetup, OnlyChangesAreWritten) {
    PdevFixture f;
    f.InstallDevice(kDuplexUnit);
    NextPage(f);
    EXPECT_EQ(f.Output(),
              "\x1c"
              "fPC1PA4."
              "\x1c'S.");
    NextPage(f);
    EXPECT_EQ(f.Output(), "");  // nothing changed
    f.Dm()->dmDefaultSource = 258;
    NextPage(f);
    EXPECT_EQ(f.Output(),
              "\x1c"
              "fPC2PA4.");
    f.Dm()->dmDuplex = DMDUP_VERTICAL;
    NextPage(f);
    EXPECT_EQ(f.Output(), "\x1c'B,F,3,0.");
    f.pdev->geometry.outputPaper = Paper(PaperUser, 200000, 300000);
    NextPage(f);
    EXPECT_EQ(f.Output(),
              "\x1c"
              "fPC2P,2000,3000,1/10,m.");
    f.pdev->geometry.outputPaper = Paper(PaperUser, 200000, 310000);  // another user size
    NextPage(f);
    EXPECT_EQ(f.Output(),
              "\x1c"
              "fPC2P,2000,3100,1/10,m.");
    f.pdev->pageSetup.paperSourceUnknown = 1;  // after a cover sheet
    NextPage(f);
    EXPECT_EQ(f.Output(),
              "\x1c"
              "fPC2P,2000,3100,1/10,m.");
}

TEST(PjlPageSetup, LeavingTheOverlayAndTheModes) {
    PdevFixture f;
    f.pdev->pageSetup.previousHadOverlay = 1;
    f.pdev->state = 0;  // in Y mode
    FillPageSetupRecord(f.pdev, &f.pdev->pageSetup.next);
    WritePageStart(f.pdev);
    EXPECT_EQ(f.Output(),
              "\x1cZ"
              "\x1cu2,1,E."
              "\x1b"
              "c8"
              "\x1c"
              "05F2-02"
              "\x1c"
              "fPC1PA4.");
    EXPECT_EQ(f.pdev->pageSetup.previousHadOverlay, 0u);

    PdevFixture g;
    g.pdev->pageSetup.previousHadOverlay = 1;
    g.SetFlag2(orla::kFlags2FeedMode00);
    FillPageSetupRecord(g.pdev, &g.pdev->pageSetup.next);
    WritePageStart(g.pdev);
    EXPECT_EQ(g.Output(),
              "\x1cu2,1,E."
              "\x1b"
              "c8"
              "\x1c"
              "05F2-00"
              "\x1c"
              "fPC1PA4.");
}

TEST(PjlPageSetup, ModeSwitches) {
    static const struct {
        DWORD state;
        bool toZ;
        std::string bytes;
        DWORD after;
    } kCases[] = {
        {kStateModeZ, true, "", kStateModeZ},
        {0, true, "\x1cZ", kStateModeZ},
        {kStateModeR, true, "\x1cR\x1cZ", kStateModeZ},
        {kStateModeZ, false, "\x1cY", 0},
        {kStateModeZ | kStateModeR, false, "\x1cR\x1cY", 0},
        {0, false, "", 0},
    };
    for (const auto& c : kCases) {
        PdevFixture f;
        f.pdev->state = c.state;
        if (c.toZ)
            EnterModeZ(f.pdev);
        else
            EnterModeY(f.pdev);
        EXPECT_EQ(f.Output(), c.bytes);
        EXPECT_EQ(f.pdev->state, c.after);
    }
}

TEST(PjlPageSetup, LongPaperResolutionSwitch) {
    PdevFixture f;
    f.pdev->geometry.outputPaper = Paper(PaperLong, 297000, 900000);
    f.pdev->geometry.resolution = 1200;
    NextPage(f);
    f.pdev->geometry.resolution = 600;
    f.Dm()->dmPrintQuality = 600;
    NextPage(f);
    static constexpr char kSwitch[] =
        "\x1c&600.\x1c"
        "d240.\x1cY\xbc\x21\x00\x00\x1cZ";
    EXPECT_EQ(f.Output(), std::string(kSwitch, sizeof(kSwitch) - 1));
    EXPECT_TRUE(f.pdev->state & kStateModeZ);
}

TEST(PjlTrailer, EndsTheJob) {
    PdevFixture f;
    f.pdev->state = 0;
    ASSERT_TRUE(WritePjlJobEnd(f.pdev));
    EXPECT_EQ(f.Output(),
              "\x1cZ"
              "\x1c"
              "fPC0."
              "\x1c&0."
              "\x1b"
              "c1"
              "\x1b%-12345X"
              "@PJL EOJ\r\n@PJL EOJ\r\n");
}

TEST(PjlTrailer, BackCover) {
    PdevFixture f;
    f.pdev->settings.sheet.backCoverOn = 1;
    f.pdev->settings.sheet.backCoverTray = 258;
    ASSERT_TRUE(WritePjlJobEnd(f.pdev));
    EXPECT_EQ(f.Output(),
              "\x1c'S."
              "\x1c"
              "fPC2PA4."
              "\r\x0c"
              "\x1c"
              "fPC0."
              "\x1c&0."
              "\x1b"
              "c1"
              "\x1b%-12345X"
              "@PJL EOJ\r\n@PJL EOJ\r\n");
    EXPECT_EQ(f.pdev->pageSetup.paperSourceUnknown, 1u);
}

TEST(PjlTrailer, SuppressedJobIsReleasedOnlyAfterOutput) {
    if constexpr (!orla::kJapaneseBuild) GTEST_SKIP() << "no hidden printing in this build";
    PdevFixture f;
    f.pdev->trustMark.suppressOutput = 1;
    WritePjlJobEnd(f.pdev);
    EXPECT_EQ(f.pdev->trustMark.suppressOutput, 1u);
    f.pdev->pending |= kJobOutputWritten;
    WritePjlJobEnd(f.pdev);
    EXPECT_EQ(f.pdev->trustMark.suppressOutput, 0u);
}

}  // namespace
