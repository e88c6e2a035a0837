// ui_runner job: the sample document printed as a chosen application with the print-time dialog
// switched on for the user. A listed application within its versions gets dialog 1099, where the
// script's choices reach the decoded job and each category shown is drawn; any other application
// sends the job owner record silently. Requests and scripts it cannot follow are refused.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/tools/tool_run_fixture.h"
#include "tools/job_decoder/job_decoder.h"

namespace {

using namespace tool_test;

using namespace orla::jobdecode;
namespace fs = std::filesystem;

bool IsPng(const fs::path& path) {
    const std::vector<uint8_t> bytes = ReadFile(path);
    const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() > 100 && std::equal(std::begin(signature), std::end(signature), bytes.begin());
}

// The escape lines of the listing ("  9998 job owner record ... -> 1") by their codes, in order.
std::vector<std::string> EscapeCodes(const std::string& output) {
    std::vector<std::string> codes;
    const size_t from = output.find("escapes sent to the graphics DLL:");
    if (from == std::string::npos) return codes;
    size_t at = output.find('\n', from);
    while (at != std::string::npos && output.compare(at + 1, 2, "  ") == 0) {
        const size_t start = output.find_first_not_of(' ', at + 1);
        codes.push_back(output.substr(start, output.find(' ', start) - start));
        at = output.find('\n', at + 1);
    }
    return codes;
}

class UiRunnerJob : public tool_test::ToolRunTest {
protected:
    // The job as `app`, each run in a sandbox of its own (a user who never printed before).
    Outcome Job(const std::string& app, const std::string& script = "") {
        ++runs_;
        return RunCommand(bin_ + "/ui_runner job --bin " + bin_ + " --sandbox " +
                          (root_ / ("sb" + std::to_string(runs_))).string() + " --app " + Quote(app) + " --png " +
                          Png().string() + " --out " + JobFile().string() +
                          (script.empty() ? "" : " --script " + Quote(script)));
    }
    fs::path Png() const { return root_ / "png"; }
    fs::path JobFile() const { return root_ / "job.prn"; }
    DecodeResult Decoded() const {
        const std::vector<uint8_t> job = ReadFile(JobFile());
        return DecodeJob(std::span<const uint8_t>(job.data(), job.size()));
    }
    static std::vector<std::string> FsTexts(const DecodeResult& d) {
        std::vector<std::string> out;
        for (auto* c : CommandsOf(d, CommandKind::Fs)) out.push_back(c->text);
        return out;
    }

    int runs_ = 0;
};

TEST_F(UiRunnerJob, AListedApplicationsDialogChoicesReachTheJobAndEachCategoryIsDrawn) {
    const Outcome o = Job("WINWORD.EXE@10.0", "category 651; click 1133; set 1229 2; ok");
    ASSERT_EQ(o.exitCode, 0) << o.output;
    EXPECT_NE(o.output.find("dialog 1099 in front"), std::string::npos) << o.output;
    // The category it opened on and the one the script chose, and the dialog as it was left.
    for (const char* picture : {"category_650.png", "category_651.png", "dialog_1099.png"})
        EXPECT_TRUE(IsPng(Png() / picture)) << picture;
    // The edited record replaces the owner record; then the handle and the page end's stamps.
    EXPECT_EQ(EscapeCodes(o.output), (std::vector<std::string>{"9999", "9006", "9000", "9100", "9103"})) << o.output;
    DecodeResult d = Decoded();
    ASSERT_TRUE(d.ok) << d.error;
    const std::string copies = PjlValue(d, "SET COPIES").value_or(""), qty = PjlValue(d, "SET QTY").value_or("");
    EXPECT_TRUE(copies == "2" || qty == "2") << copies << " " << qty;
    const std::vector<std::string> fs = FsTexts(d);
    // Two-sided, bound on the short edge.
    EXPECT_NE(std::find(fs.begin(), fs.end(), "'B,F,2,0."), fs.end()) << FormatListing(d);
}

TEST_F(UiRunnerJob, TheEnglishBuildAppliesTheDialogsRecordByResetDc) {
    ++runs_;
    const Outcome o =
        RunCommand(bin_ + "/ui_runner job --build en --bin " + bin_ + " --sandbox " +
                   (root_ / ("sb" + std::to_string(runs_))).string() + " --app WINWORD.EXE@10.0 --png " +
                   Png().string() + " --out " + JobFile().string() + " --script 'category 654; set 1229 3; ok'");
    ASSERT_EQ(o.exitCode, 0) << o.output;
    EXPECT_TRUE(IsPng(Png() / "category_654.png"));
    // No settings escape: the application's device context was reset with the edited record.
    EXPECT_EQ(EscapeCodes(o.output), (std::vector<std::string>{"9006", "9000", "9100"})) << o.output;
    DecodeResult d = Decoded();
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(PageEndCount(d), 3u) << "three copies of the one page, made by the driver";
}

TEST_F(UiRunnerJob, OtherApplicationsSendTheJobOwnerRecordWithoutADialog) {
    struct Case {
        const char* app;
        const char* why;
    } cases[] = {
        {"NOTEPAD.EXE", "not on the list"},
        {"EXCEL.EXE@11.0", "a listed program beyond its versions"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        fs::remove_all(Png());
        const Outcome o = Job(c.app);
        ASSERT_EQ(o.exitCode, 0) << o.output;
        EXPECT_EQ(o.output.find("dialog 1099"), std::string::npos) << o.output;
        EXPECT_FALSE(fs::exists(Png() / "dialog_1099.png"));
        EXPECT_EQ(EscapeCodes(o.output), (std::vector<std::string>{"9998", "9006", "9000", "9100", "9103"}))
            << o.output;
        EXPECT_NE(o.output.find("action(s) of the script left"), std::string::npos) << "the default OK found no dialog";
        DecodeResult d = Decoded();
        ASSERT_TRUE(d.ok) << d.error;
        // The owner record carries the host address of the owner-string library.
        const std::string listing = FormatListing(d);
        EXPECT_NE(listing.find("@HOAD=192.0.2.44"), std::string::npos) << listing;
    }
}

TEST_F(UiRunnerJob, RequestsAndScriptsItCannotFollowAreRefused) {
    struct Case {
        std::string args;
        int exitCode;
        const char* says;
    } cases[] = {
        {"--app 'C:\\Office\\WINWORD.EXE'", 2, "--app takes NAME"},
        {"--app WINWORD.EXE@ten", 2, "--app takes NAME"},
        {"--app WINWORD.EXE@10.0 --popup nobody", 2, "--popup takes ID/PASSWORD"},
        {"--app WINWORD.EXE@10.0 --popup /secret", 2, "--popup takes ID/PASSWORD"},
        {"--app WINWORD.EXE@10.0 --script 'category 659; ok'", 2, "no category 659; the dialog shows 650, 651"},
        {"--app WINWORD.EXE@10.0 --script 'wave 1099'", 2, "unknown action \"wave\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ++runs_;
        const Outcome o = RunCommand(bin_ + "/ui_runner job --bin " + bin_ + " --sandbox " +
                                     (root_ / ("sb" + std::to_string(runs_))).string() + " " + c.args);
        EXPECT_EQ(o.exitCode, c.exitCode) << o.output;
        EXPECT_NE(o.output.find(c.says), std::string::npos) << o.output;
    }
}

}  // namespace
