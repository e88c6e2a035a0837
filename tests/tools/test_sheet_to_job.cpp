// The document sheet worked as a user would (ui_runner sheet), its settings record printed
// (print_runner --devmode) and the job decoded: what was picked on the basic page is what the
// job asks the printer for. Scripts the sheet cannot follow, and bytes that are no settings
// record, are refused with a message and leave nothing behind.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/tools/tool_run_fixture.h"
#include "tools/job_decoder/job_decoder.h"
#include "tools/print_runner/print_runner.h"
#include "win/devmode.h"

namespace {

using namespace tool_test;

using namespace orla::jobdecode;
namespace fs = std::filesystem;

class SheetToJob : public tool_test::ToolRunTest {
protected:
    // The sheet of a build's sample printer driven by `script`; the record OK made goes to
    // record.bin, the pictures of the pages shown to png/.
    Outcome Sheet(const std::string& script, const std::string& build = "ja") {
        fs::create_directories(root_ / "png");
        return RunCommand(bin_ + "/ui_runner sheet --build " + build + " --bin " + bin_ + " --sandbox " +
                          (root_ / ("ui_" + build)).string() + " --png " + (root_ / "png").string() + " --out-record " +
                          Record().string() + " --script " + Quote(script));
    }

    fs::path Record() const { return root_ / "record.bin"; }
};

bool Has(const std::vector<std::string>& texts, const std::string& wanted) {
    return std::find(texts.begin(), texts.end(), wanted) != texts.end();
}

TEST_F(SheetToJob, PicksOnTheBasicPageReachTheJob) {
    struct Case {
        const char* build;
        const char* script;
        std::vector<const char*> changes;  // lines of the fields OK changed
        bool duplex;                       // the job binds on the long edge (the English sample
                                           // printer has no duplex unit: simplex only)
        size_t pageEnds;                   // the one page, once per copy
    } const cases[] = {
        {"ja",
         "page 520; choose Paper B5; set Orientation Landscape; set Copies 3; choose Duplex 両面(長辺とじ); ok",
         {"FormName \"A4\" -> \"B5 (JIS)\"", "Orientation 1 -> 2", "Copies 1 -> 3", "Duplex 1 -> 2"},
         true,
         3},
        {"en",
         "choose Paper B5; set Orientation Landscape; set Copies 2; ok",
         {"FormName \"Letter\" -> \"B5 (JIS)\"", "Orientation 1 -> 2", "Copies 1 -> 2"},
         false,
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.build);
        const Outcome sheet = Sheet(c.script, c.build);
        ASSERT_EQ(sheet.exitCode, 0) << sheet.output;
        // The fields OK changed, by their names, and the record the interface DLL takes back.
        for (const char* line : c.changes)
            EXPECT_NE(sheet.output.find(line), std::string::npos) << line << "\n" << sheet.output;
        EXPECT_NE(sheet.output.find("DrvConvertDevMode took the record"), std::string::npos) << sheet.output;
        EXPECT_GT(fs::file_size(root_ / "png" / "page_520.png"), 0u);

        const fs::path job = root_ / (std::string(c.build) + ".prn");
        const Outcome print = RunCommand(bin_ + "/print_runner --build " + c.build + " --bin " + bin_ + " --sandbox " +
                                         (root_ / (std::string("print_") + c.build)).string() + " --devmode " +
                                         Record().string() + " --content sample --out " + job.string());
        ASSERT_EQ(print.exitCode, 0) << print.output;
        const std::vector<uint8_t> bytes = ReadFile(job);
        const DecodeResult d = DecodeJob(std::span<const uint8_t>(bytes.data(), bytes.size()));
        ASSERT_TRUE(d.ok) << FormatListing(d);
        std::vector<std::string> fsTexts;
        for (const Command* cmd : CommandsOf(d, CommandKind::Fs)) fsTexts.push_back(cmd->text);
        EXPECT_TRUE(Has(fsTexts, "fB5.")) << FormatListing(d);   // B5 paper
        EXPECT_TRUE(Has(fsTexts, "fLC0.")) << FormatListing(d);  // landscape
        EXPECT_EQ(Has(fsTexts, "'B,F,3,0."), c.duplex) << FormatListing(d);
        EXPECT_EQ(PageEndCount(d), c.pageEnds) << FormatListing(d);
        fs::remove(Record());
    }
}

TEST_F(SheetToJob, CancelWritesNoRecord) {
    const Outcome sheet = Sheet("set Copies 5; cancel");
    EXPECT_EQ(sheet.exitCode, 0) << sheet.output;
    EXPECT_NE(sheet.output.find("DrvDocumentProperties (sheet): 2"), std::string::npos) << sheet.output;
    EXPECT_FALSE(fs::exists(Record()));
}

TEST_F(SheetToJob, ScriptsTheSheetCannotFollowAreRefused) {
    struct Case {
        const char* script;
        const char* message;
    } const cases[] = {
        {"choose Tray A4; ok", "no control named \"Tray\""},
        {"choose Paper Z9; ok", "no item \"Z9\""},
        {"choose Copies 3; ok", "Copies is not a list to choose from"},
        {"set Copies; ok", "needs a value"},
        {"fly Paper; ok", "unknown action \"fly\""},
        {"page 999; ok", "no page 999"},
        {"click 4242; ok", "page 520 has no control 4242"},
        {"set Orientation Sideways; ok", "Orientation takes Portrait or Landscape"},
        {"set FreeZoom maybe; ok", "FreeZoom takes on or off"},
        {"set RestoreDefaults on; ok", "RestoreDefaults is a button"},
        {"page 521; choose Paper B5; ok", "page 521 has no control Paper"},
        {"set Copies 0; ok", "did not close with OK"},
    };
    for (const Case& c : cases) {
        const Outcome sheet = Sheet(c.script);
        EXPECT_EQ(sheet.exitCode, 2) << c.script << "\n" << sheet.output;
        EXPECT_NE(sheet.output.find(c.message), std::string::npos) << c.script << "\n" << sheet.output;
        EXPECT_FALSE(fs::exists(Record())) << c.script;
    }
}

TEST(SettingsRecordFile, BytesThatAreNoRecordAreRefused) {
    std::vector<uint8_t> good(sizeof(DEVMODEW) + 16, 0);
    DEVMODEW d{};
    d.dmSize = sizeof(DEVMODEW);
    d.dmDriverExtra = 16;
    d.dmOrientation = DMORIENT_LANDSCAPE;
    d.dmCopies = 2;
    d.dmDuplex = DMDUP_VERTICAL;
    d.dmPrintQuality = 600;
    std::u16string form = u"B5 (JIS)";
    std::copy(form.begin(), form.end(), d.dmFormName);
    std::memcpy(good.data(), &d, sizeof d);

    orla::runner::RunOptions o;
    std::string error;
    ASSERT_TRUE(orla::runner::TakeSettingsRecord(good, o, error)) << error;
    EXPECT_EQ(o.paper, form);
    EXPECT_EQ(o.orientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(o.copies, 2);
    EXPECT_EQ(o.duplex, DMDUP_VERTICAL);
    EXPECT_EQ(o.devmode, good);

    struct Case {
        const char* name;
        size_t size;         // bytes kept of the good record
        WORD dmSize, extra;  // written over the good record's
        bool clearForm;
        const char* message;
    } const cases[] = {
        {"short of a DEVMODE", 100, sizeof(DEVMODEW), 16, false, "at least"},
        {"cut short", sizeof(DEVMODEW) + 8, sizeof(DEVMODEW), 16, false, "do not add up"},
        {"private part overstated", sizeof(DEVMODEW) + 16, sizeof(DEVMODEW), 4000, false, "do not add up"},
        {"other DEVMODE size", sizeof(DEVMODEW) + 16, 156, 16, false, "do not add up"},
        {"no form", sizeof(DEVMODEW) + 16, sizeof(DEVMODEW), 16, true, "no form"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        DEVMODEW* header = reinterpret_cast<DEVMODEW*>(bad.data());
        header->dmSize = c.dmSize;
        header->dmDriverExtra = c.extra;
        if (c.clearForm) std::fill(std::begin(header->dmFormName), std::end(header->dmFormName), u'\0');
        bad.resize(c.size);
        orla::runner::RunOptions untouched;
        error.clear();
        EXPECT_FALSE(orla::runner::TakeSettingsRecord(bad, untouched, error)) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
        EXPECT_TRUE(untouched.devmode.empty()) << c.name;
        EXPECT_EQ(untouched.paper, u"A4") << c.name;
    }
}

}  // namespace
