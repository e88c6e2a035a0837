// The graphics DLL's main road, end to end through the runner: a 3-page job of mixed papers and
// orientations, duplex, two copies made by the driver from its store file, two pages per sheet,
// at 300 and 600 dpi, in both builds. Each copy is the whole job again; the page set-up is
// written where paper, orientation or tray change, and the trailer closes the open sheet.
#include <algorithm>
#include <string>
#include <vector>

#include "e2e_render/e2e_render_fixture.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;

// Byte 660 bit 3: the duplex unit is installed (the English model ships without it).
const Setting kDuplexUnitInstalled = Bits(660, 0x08, true);

struct RoadCase {
    Build build;
    int dpi;
};

class MainRoad : public RenderJob, public ::testing::WithParamInterface<RoadCase> {};

// The header lines in the order the job header lays them down (keys only; values are checked
// by the header tables). Lines that depend on the model or on options are left out here.
const std::vector<std::string> kHeaderOrder = {
    "@PJL JOB MODE=PRINTER",
    "@PJL JOB DISPLAY=",
    "@PJL COMMENT DNAME=",
    "@PJL SET JOBATTR=\"@JOAU=",
    "@PJL SET JOBATTR=\"@JOAP=",
    "@PJL SET JOBATTR=\"@HOAD=",
    "@PJL SET JOBATTR=\"@NLPP=",
    "@PJL SET JOBATTR=\"@LUNA=",
    "@PJL SET JOBATTR=\"@CNAM=",
    "@PJL COMMENT DATE=",
    "@PJL COMMENT TIME=",
    "@PJL SET RENDERMODE=GRAYSCALE",
    "@PJL SET JOBATTR=\"@TSCR=4\"",
    "@PJL SET JOBATTR=\"@GSCR=4\"",
    "@PJL SET JOBATTR=\"@ISCR=4\"",
    "@PJL SET COPIES=",
    "@PJL SET QTY=",
    "@PJL SET PAPERSORT=",
    "@PJL SET LPARM:ORLA MSW068=",
    "@PJL SET LPARM:ORLA MSW097=",
    "@PJL SET LPARM:ORLA MSW044=OFF",
    "@PJL SET RET=",
    "@PJL SET DENSITY=",
    "@PJL SET JOBATTR=\"@APSP=",
    "@PJL SET JOBATTR=\"@MSIP=",
    "@PJL SET SLIPSHEET=",
    "@PJL ENTER LANGUAGE=ORLA",
};

TEST_P(MainRoad, ThreePagesTwoUpDuplexTwoCopies) {
    const RoadCase& c = GetParam();
    RunOptions o = Options(c.build.japanese);
    Apply(o, {kDuplexUnitInstalled});
    o.dpi = c.dpi;
    o.layout = 2;
    o.duplex = 2;  // long edge
    o.copies = 2;  // the driver makes the second copy from its store file (the default settings)
    o.perPage = {{u"A4", 1}, {u"A4", 2}, {u"B5 (JIS)", 1}};
    o.pages = 3;
    RunResult r = orla::runner::RunJob(o);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.endDocResult, 1);
    EXPECT_EQ(r.pagesSent, 3);
    EXPECT_EQ(r.resets, 2) << "a new orientation and a new paper each reset the device context";

    // Two copies: the job as written, then the store file sent once more, byte for byte.
    ASSERT_EQ(r.job.size() % 2, 0u);
    const size_t half = r.job.size() / 2;
    std::vector<uint8_t> first(r.job.begin(), r.job.begin() + static_cast<long>(half));
    std::vector<uint8_t> second(r.job.begin() + static_cast<long>(half), r.job.end());
    ASSERT_EQ(first, second) << "the replayed copy differs from the job";
    DecodeResult whole = Decode(r.job);
    ASSERT_TRUE(whole.ok) << FormatListing(whole);
    DecodeResult d = Decode(first);
    ASSERT_TRUE(d.ok) << FormatListing(d);

    // Job control of one copy: UEL first, then the header lines in their order.
    ASSERT_FALSE(d.commands.empty());
    EXPECT_EQ(d.commands.front().kind, CommandKind::Uel);
    EXPECT_EQ(d.commands.front().offset, 0u);
    const std::vector<std::string> lines = Lines(d);
    size_t at = 0;
    for (const std::string& key : kHeaderOrder) {
        auto it = std::find_if(lines.begin() + static_cast<long>(at), lines.end(),
                               [&](const std::string& l) { return l.rfind(key, 0) == 0; });
        ASSERT_NE(it, lines.end()) << "missing or out of order: " << key << "\n" << FormatListing(d);
        at = static_cast<size_t>(it - lines.begin()) + 1;
    }
    // The driver makes the copies: the printer is asked for one.
    EXPECT_EQ(LinesStartingWith(d, "@PJL SET COPIES="), std::vector<std::string>{"@PJL SET COPIES=1"});
    EXPECT_EQ(LinesStartingWith(d, "@PJL SET QTY="), std::vector<std::string>{"@PJL SET QTY=1"});
    EXPECT_EQ(LinesStartingWith(d, "@PJL SET JOBATTR=\"@NLPP="),
              std::vector<std::string>{"@PJL SET JOBATTR=\"@NLPP=N2\""});
    // The trailer: two EOJ lines after the closing UEL, and nothing after them.
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 1], "@PJL EOJ");
    EXPECT_EQ(lines[lines.size() - 2], "@PJL EOJ");
    EXPECT_EQ(d.commands[d.commands.size() - 3].kind, CommandKind::Uel);

    // The ORLA part of one copy. In the turned two-up layout a portrait page lies across the
    // sheet ("L") and a landscape one along it ("P"); the automatic tray is "C0." with the
    // paper command opened again. A new orientation or paper in the middle of a sheet ends
    // that sheet first; the trailer ends the last open one.
    const std::vector<std::string> expected = {
        "ESC c1",   "FS &600.", "FS d240.",                // 300 dpi is announced as 600
        "FS fLC0.", "FS fA4.",  "FS 'B,F,3,0.",            // page 1: A4 portrait, long-edge duplex
        "FF",       "FS fPC0.", "FS fA4.",                 // page 2: A4 landscape on a new sheet
        "FF",       "FS fLC0.", "FS fB5.",                 // page 3: B5 portrait on a new sheet
        "FF",       "FS fPC0.", "FS &0.",       "ESC c1",  // trailer
    };
    EXPECT_EQ(Join(OrlaTokens(d)), Join(expected));
    EXPECT_EQ(PageEndCount(d), 3u);
    EXPECT_EQ(PageEndCount(whole), 6u);
}

std::vector<RoadCase> RoadCases() {
    std::vector<RoadCase> out;
    for (const Build& b : kBuilds)
        for (int dpi : {300, 600}) out.push_back({b, dpi});
    return out;
}

INSTANTIATE_TEST_SUITE_P(BuildsAndResolutions, MainRoad, ::testing::ValuesIn(RoadCases()),
                         [](const ::testing::TestParamInfo<RoadCase>& i) {
                             return std::string(i.param.build.name) + std::to_string(i.param.dpi);
                         });

class PageFlow : public RenderJob, public ::testing::WithParamInterface<Build> {};

// Pages of one paper share the sheets of a two-up job: the set-up is written once, the second
// page fills the sheet, and the trailer ends the open second sheet before the paper reset.
TEST_P(PageFlow, TrailerEndsTheOpenSecondSheet) {
    RunOptions o = Options(GetParam().japanese);
    Apply(o, {kDuplexUnitInstalled});
    o.layout = 2;
    o.pages = 3;
    RunResult r = orla::runner::RunJob(o);
    ASSERT_TRUE(r.ok) << r.error;
    DecodeResult d = Decode(r.job);
    ASSERT_TRUE(d.ok) << FormatListing(d);
    // With the duplex unit installed the first set-up also says simplex.
    const std::vector<std::string> expected = {"ESC c1", "FS &600.", "FS d240.", "FS fLC0.", "FS fA4.", "FS 'S.",
                                               "FF",     "FF",       "FS fPC0.", "FS &0.",   "ESC c1"};
    EXPECT_EQ(Join(OrlaTokens(d)), Join(expected));
}

// The page set-up follows paper, orientation and tray from page to page in one page per sheet.
TEST_P(PageFlow, PageSetupFollowsPaperAndOrientation) {
    struct Case {
        const char* name;
        std::vector<orla::runner::PageSettings> pages;
        std::vector<Setting> settings;
        std::vector<std::string> expected;  // the ORLA tokens between the header and the trailer
    } cases[] = {
        // The duplex unit is installed (unless said): the first set-up says simplex, and the
        // duplex command comes again only when duplex or binding change.
        {"same paper twice: one set-up", {{u"A4", 1}, {u"A4", 1}}, {}, {"FS fPC0.", "FS fA4.", "FS 'S.", "FF", "FF"}},
        {"landscape, then another paper",
         {{u"A4", 2}, {u"A5", 2}, {u"Letter", 1}},
         {},
         {"FS fLC0.", "FS fA4.", "FS 'S.", "FF", "FS fLC0.", "FS fA5.", "FF", "FS fPC0.", "FS fLT.", "FF"}},
        {"user paper on the automatic tray: its size in 0.1 mm",
         {{u"Legal", 1}},
         {},
         {"FS fPC0.", "FS fUNDF,2159,3556,1/10,m.", "FS 'S.", "FF"}},
        {"duplex short edge, bound on the other side",
         {{u"A4", 1}},
         {Bits(397, 0x01, true)},
         {"FS fPC0.", "FS fA4.", "FS 'B,B,2,0.", "FF"}},
        {"duplex with front and back covers: the covers stay simplex",
         {{u"A4", 1}, {u"A4", 1}},
         {Dword(6200, 1), Dword(6192, 257), Dword(6204, 1), Dword(6196, 14)},
         {"FS 'S.", "FS fPC1PA4.", "FF",                      // front cover from the first cassette
          "FS fPC0.", "FS fA4.", "FS 'B,F,2,0.", "FF", "FF",  // the pages, short-edge duplex
          "FS 'S.", "FS fPMPPA4.", "FF"}},                    // back cover from the multi-purpose tray
        {"duplex unit not installed: no duplex command",
         {{u"A4", 1}},
         {Bits(660, 0x08, false)},
         {"FS fPC0.", "FS fA4.", "FF"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunOptions o = Options(GetParam().japanese);
        Apply(o, {kDuplexUnitInstalled});
        Apply(o, c.settings);
        o.perPage = c.pages;
        o.pages = static_cast<int>(c.pages.size());
        if (std::string(c.name).rfind("duplex", 0) == 0) o.duplex = 3;
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << FormatListing(d);
        std::vector<std::string> tokens = OrlaTokens(d);
        ASSERT_GE(tokens.size(), 6u);
        EXPECT_EQ(Join({tokens.begin(), tokens.begin() + 3}), "ESC c1 | FS &600. | FS d240.");
        EXPECT_EQ(Join({tokens.end() - 3, tokens.end()}), "FS fPC0. | FS &0. | ESC c1");
        EXPECT_EQ(Join({tokens.begin() + 3, tokens.end() - 3}), Join(c.expected));
    }
}

// The resolution announced at the switch into ORLA: 300 dpi as 600, the others as they are.
TEST_P(PageFlow, ResolutionAnnounced) {
    struct Case {
        int dpi;
        const char* announced;
    } cases[] = {{300, "FS &600."}, {600, "FS &600."}, {1200, "FS &1200."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        if (c.dpi == 1200 && !GetParam().japanese) continue;  // the English model has no 1200 dpi
        RunOptions o = Options(GetParam().japanese);
        o.dpi = c.dpi;
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << FormatListing(d);
        std::vector<std::string> tokens = OrlaTokens(d);
        ASSERT_GE(tokens.size(), 3u);
        EXPECT_EQ(tokens[1], c.announced);
        EXPECT_EQ(tokens[2], "FS d240.");
    }
}

// Trust marking asked for at a resolution it cannot go with, and no trust-marking library
// present: trust marking is off, so the job prints its page without the mark instead of
// reaching the spooler as 0 bytes reported as a success.
TEST_P(PageFlow, TrustMarkingWithoutItsLibraryPrintsUnmarked) {
    if (!GetParam().japanese) GTEST_SKIP() << "no trust marking in this build";
    for (int dpi : {600, 1200}) {
        SCOPED_TRACE(dpi);
        RunOptions o = Options(true);
        o.dpi = dpi;
        o.rasterMode = true;
        o.content = orla::runner::PageContent::Sample;
        Apply(o, {Dword(2008, 1)});
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.endDocResult, 1);
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << FormatListing(d);
        const std::vector<std::string> tokens = OrlaTokens(d);
        EXPECT_EQ(std::count(tokens.begin(), tokens.end(), "FF"), 1) << "one printed page";
        EXPECT_TRUE(LinesStartingWith(d, "@PJL SET MSW078").empty()) << "no trust-marking header line";
    }
}

// Copies made by the driver: the whole job reaches the spooler once per copy, the copy count
// clamped to 999, and each copy asks the printer for one.
TEST_P(PageFlow, DriverMadeCopies) {
    struct Case {
        int copies;
        size_t jobs;
    } cases[] = {{1, 1}, {3, 3}, {1500, 999}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.copies);
        RunOptions o = Options(GetParam().japanese);
        o.copies = c.copies;
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.job.size() % c.jobs, 0u);
        const size_t size = r.job.size() / c.jobs;
        const std::vector<uint8_t> first(r.job.begin(), r.job.begin() + static_cast<long>(size));
        for (size_t i = 1; i < c.jobs; ++i)
            ASSERT_TRUE(std::equal(first.begin(), first.end(), r.job.begin() + static_cast<long>(i * size)))
                << "copy " << i;
        DecodeResult d = Decode(first);
        ASSERT_TRUE(d.ok) << FormatListing(d);
        EXPECT_EQ(LinesStartingWith(d, "@PJL SET COPIES="), std::vector<std::string>{"@PJL SET COPIES=1"});
        const std::vector<std::string> lines = Lines(d);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "@PJL ENTER LANGUAGE=ORLA"), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, PageFlow, ::testing::ValuesIn(kBuilds),
                         [](const ::testing::TestParamInfo<Build>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace e2e
