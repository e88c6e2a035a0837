// Trust marking end to end: the runner installs the library stand-in (or not, or scripted to
// fail), the job is decoded and read for its MSW078 line, mark layers with their footers and the
// sample sheet. Without a working library trust marking is off and the job still prints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_render/e2e_render_fixture.h"
#include "tools/job_decoder/trust_marks.h"
#include "tools/print_runner/runner_options.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;

size_t Count(const std::string& haystack, const std::string& needle) {
    size_t n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
}

class TrustMarkJob : public RenderJob {
protected:
    RunResult Run(bool japanese, bool library, const std::u16string& script, bool band = false, int dpi = 600,
                  int pages = 2) {
        RunOptions o = Options(japanese);
        o.pages = pages;
        o.dpi = dpi;
        o.rasterMode = band;
        o.content = orla::runner::PageContent::Sample;
        o.trustMarkLibrary = library;
        o.trustMarkScript = script;
        for (const SettingPatch& p : orla::runner::TrustMarkPatches()) o.settingPatches.push_back(p);
        return orla::runner::RunJob(o);
    }
};

TEST_F(TrustMarkJob, PresentAbsentOrFailingTheJobPrintsAndItsMarksDecode) {
    struct Case {
        const char* what;
        bool library;
        std::u16string script;
        bool band;
        std::string msw078;
        size_t layers;
    };
    const Case cases[] = {
        {"absent", false, u"", false, "", 0},
        {"present", true, u"", false, "ON", 1},
        {"present, band mode", true, u"", true, "ON", 1},
        {"no handle", true, u"CreateHandle=fail", false, "", 0},
        {"settings refused", true, u"SetKWESettings=fail", false, "ON", 0},
        {"no marks", true, u"GetKM=fail", false, "ON", 0},
        {"no footer", true, u"GetFooterString=fail", false, "ON", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Three pages under one page set-up: the printer keeps the one mark layer for all three.
        RunResult r = Run(true, c.library, c.script, c.band, 600, 3);
        ASSERT_TRUE(r.ok) << r.error;
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << d.error << " at " << d.errorOffset;
        EXPECT_EQ(PageEndCount(d), 3u) << "every page prints";
        TrustMarkReport marks = ReadTrustMarks(d, r.job);
        EXPECT_EQ(marks.msw078, c.msw078);
        ASSERT_EQ(marks.layers.size(), c.layers);
        for (size_t i = 0; i < marks.layers.size(); ++i) {
            const MarkLayer& l = marks.layers[i];
            EXPECT_EQ(l.page, i + 1);
            EXPECT_GT(l.markImages, 100u) << "tiles over the printable page";
            EXPECT_EQ(l.covered.left, 0);
            EXPECT_EQ(l.covered.top, 0);
            EXPECT_GT(l.covered.right, 4600);  // A4 less 10 mm, in 1/600 inch
            EXPECT_GT(l.covered.bottom, 6600);
            EXPECT_EQ(l.footerUtf8, c.script.empty() ? "出力 1 ORLA" : "");
        }
    }
}

TEST_F(TrustMarkJob, SeveralOutputsComeOutOnceEachWithTheirOwnFooter) {
    RunResult r = Run(true, true, u"GetNumOfOutputs=3");
    ASSERT_TRUE(r.ok) << r.error;
    DecodeResult d = Decode(r.job);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(LinesStartingWith(d, "@PJL ENTER LANGUAGE=ORLA").size(), 3u);
    TrustMarkReport marks = ReadTrustMarks(d, r.job);
    ASSERT_EQ(marks.layers.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(marks.layers[i].footerUtf8, "出力 " + std::to_string(i + 1) + " ORLA");
}

TEST_F(TrustMarkJob, AJobThatChangesPaperMarksEachSectionAtItsOwnPaper) {
    // The library makes each mark at the size it is asked for: a section's mark is its paper's
    // printable page (10 mm less each way) in 600 dpi dots, the width rounded up to whole bytes.
    struct Section {
        const char16_t* paper;
        int64_t width;
        int64_t height;
    } const sections[] = {{u"A4", 4728, 6780}, {u"B5 (JIS)", 4072, 5835}, {u"A3", 6784, 9688}};
    constexpr size_t kOutputs = 2;
    RunOptions o = Options(true);
    o.pages = 3;
    o.content = orla::runner::PageContent::Sample;
    o.trustMarkLibrary = true;
    o.trustMarkScript = u"GetNumOfOutputs=2\nMarkAtAskedSize=1";
    for (const SettingPatch& p : orla::runner::TrustMarkPatches()) o.settingPatches.push_back(p);
    for (const Section& s : sections) o.perPage.push_back({s.paper, 1});
    RunResult r = orla::runner::RunJob(o);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.resets, 2) << "the paper changes twice";
    DecodeResult d = Decode(r.job);
    ASSERT_TRUE(d.ok) << d.error << " at " << d.errorOffset;
    EXPECT_EQ(LinesStartingWith(d, "@PJL ENTER LANGUAGE=ORLA").size(), kOutputs);
    EXPECT_EQ(PageEndCount(d), kOutputs * 3);
    TrustMarkReport marks = ReadTrustMarks(d, r.job);
    ASSERT_EQ(marks.layers.size(), kOutputs * 3) << "one layer per section and output";
    for (size_t i = 0; i < marks.layers.size(); ++i) {
        const Section& s = sections[i % 3];
        const MarkLayer& l = marks.layers[i];
        SCOPED_TRACE("layer " + std::to_string(i + 1));
        EXPECT_EQ(l.page, i + 1) << "each section's layer on its own page";
        EXPECT_EQ(l.markImages, 1u) << "the mark covers the section's page in one image";
        EXPECT_EQ(l.covered.left, 0);
        EXPECT_EQ(l.covered.top, 0);
        EXPECT_EQ(l.covered.right, s.width);
        EXPECT_EQ(l.covered.bottom, s.height);
        EXPECT_EQ(l.footerUtf8, "出力 " + std::to_string(i / 3 + 1) + " ORLA");
    }
}

TEST_F(TrustMarkJob, AOneOutputJobCarriesAMarkLayerWithEachPageSetUp) {
    struct Case {
        const char* what;
        int layout;
        std::vector<const char16_t*> papers;  // per page; empty: every page on A4
        int pages;
        std::vector<size_t> layerPages;  // the page each layer lies on
    };
    const Case cases[] = {
        {"three pages, one set-up", 1, {}, 3, {1}},
        {"two pages on one 2-up sheet", 2, {}, 2, {1}},
        {"the paper changes on the third page", 1, {u"A4", u"A4", u"B5 (JIS)"}, 3, {1, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunOptions o = Options(true);
        o.pages = c.pages;
        o.layout = c.layout;
        o.content = orla::runner::PageContent::Sample;
        o.trustMarkLibrary = true;
        for (const SettingPatch& p : orla::runner::TrustMarkPatches()) o.settingPatches.push_back(p);
        for (const char16_t* paper : c.papers) o.perPage.push_back({paper, 1});
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << d.error << " at " << d.errorOffset;
        TrustMarkReport marks = ReadTrustMarks(d, r.job);
        ASSERT_EQ(marks.layers.size(), c.layerPages.size());
        for (size_t i = 0; i < marks.layers.size(); ++i) EXPECT_EQ(marks.layers[i].page, c.layerPages[i]);
    }
}

TEST_F(TrustMarkJob, AnExtendedMarkGoesOutRawInTheMiddleOfThePage) {
    RunResult r = Run(true, true, u"IsAvailableXKM=1\nTileWidth=800\nTileHeight=400");
    ASSERT_TRUE(r.ok) << r.error;
    DecodeResult d = Decode(r.job);
    ASSERT_TRUE(d.ok) << d.error << " at " << d.errorOffset;
    const std::string job(r.job.begin(), r.job.end());
    // A4 less 10 mm at 600 dpi: 4725 x 6780 dots; the 800 x 400 mark centred, 100 x 400 bytes raw.
    EXPECT_EQ(Count(job,
                    "\x1c"
                    "e1962,3190.\x1ci800,400,0,1/1,1/1,40000,600."),
              1u);
    EXPECT_EQ(Count(job, "\x1ci800,400,5,"), 0u) << "never compressed";
    TrustMarkReport marks = ReadTrustMarks(d, r.job);
    ASSERT_EQ(marks.layers.size(), 1u);
    EXPECT_EQ(marks.layers[0].markImages, 1u);
    EXPECT_EQ(marks.layers[0].footerUtf8, "") << "an extended mark has no footer";
}

TEST_F(TrustMarkJob, AnApplicationsQueryBringsTheSampleSheet) {
    RunOptions o = Options(true);
    o.trustMarkLibrary = true;
    o.trustMarkScript = u"Caption=Tessaline sample\nDensity=3";
    for (const SettingPatch& p : orla::runner::TrustMarkPatches()) o.settingPatches.push_back(p);
    orla::runner::EscapeCall query;
    query.code = 4360;
    query.input = {0, 0, 0, 0, 7, 0, 0, 0, 0x11, 0x22};
    o.escapes.push_back(query);
    o.content = orla::runner::PageContent::Sample;
    RunResult r = orla::runner::RunJob(o);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.escapeResults, std::vector<long>{1});
    DecodeResult d = Decode(r.job);
    ASSERT_TRUE(d.ok) << d.error << " at " << d.errorOffset;
    TrustMarkReport marks = ReadTrustMarks(d, r.job);
    ASSERT_TRUE(marks.sheet.found);
    EXPECT_EQ(marks.sheet.caption, "Tessaline sample");
    EXPECT_EQ(marks.sheet.density, "印刷の濃度: こく　");
    EXPECT_EQ(marks.sheet.samples, 9u);
    EXPECT_EQ(marks.sheet.date.size(), 19u);
    EXPECT_TRUE(marks.layers.empty()) << "the query's pages carry no mark layer";
}

TEST_F(TrustMarkJob, TheEnglishBuildHasNoTrustMarking) {
    RunResult r = Run(false, true, u"");
    ASSERT_TRUE(r.ok) << r.error;
    TrustMarkReport marks = ReadTrustMarks(Decode(r.job), r.job);
    EXPECT_EQ(marks.msw078, "");
    EXPECT_TRUE(marks.layers.empty());
}

TEST_F(TrustMarkJob, AHiddenPrintingClashPrintsUnmarkedWithoutTheLibraryAndFailsWithIt) {
    RunResult without = Run(true, false, u"", false, 1200);
    ASSERT_TRUE(without.ok) << without.error;
    EXPECT_EQ(PageEndCount(Decode(without.job)), 2u) << "prints, unmarked";
    RunResult with = Run(true, true, u"", false, 1200);
    EXPECT_FALSE(with.ok) << "nothing printed is no success";
    EXPECT_EQ(with.endDocResult, 0);
}

}  // namespace
}  // namespace e2e
