// The print runner as an application's GDI: the interface DLL of the build is loaded and its
// DrvDocumentEvent called before and after the start of the document and at each page end; what
// the interface DLL sends the graphics DLL through the device context is logged in order, the
// page-end imprint draws the user's stored stamp, and a start of the document the interface DLL
// fails ends the job as GDI ends it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "plat/control.h"
#include "plat/message_box.h"
#include "plat/window_test.h"
#include "tools/job_decoder/job_decoder.h"
#include "tools/job_decoder/page_pictures.h"
#include "tools/print_runner/print_runner.h"
#include "tools/print_runner/runner_escapes.h"
#include "tools/print_runner/runner_options.h"
#include "win/base.h"
#include "win/registry.h"

namespace {

using namespace orla::jobdecode;
using orla::runner::DocumentEventCall;
using orla::runner::RunOptions;
using orla::runner::RunResult;
using orla::runner::SentEscape;

constexpr int kPre = orla::runner::kEventStartDocPre, kPost = orla::runner::kEventStartDocPost,
              kEndPage = orla::runner::kEventEndPage;
constexpr uint32_t kStampRecord = 780, kOwnerRecord = 328;

class RunnerEvents : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orla-runner-events-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        const char* bin = std::getenv("ORLA_BIN_DIR");
        const char* source = std::getenv("ORLA_SOURCE_DIR");
        ASSERT_TRUE(bin && source) << "run through ctest";
        source_ = source;
        options_.sandboxRoot = root_;
        options_.binDir = bin;
        PlatResetMessageBoxes();
    }
    void TearDown() override {
        PlatResetMessageBoxes();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    // A sandbox of its own: a new machine without the user's stamps.
    std::string Fresh(const std::string& name) {
        const std::string path = root_ + "/" + name;
        std::filesystem::create_directories(path);
        return path;
    }
    void Build(bool japanese) {
        options_.japanese = japanese;
        options_.paper = japanese ? u"A4" : u"Letter";
        options_.modelFile = source_ + (japanese ? "/resources/models/HV4400KJ.KDD" : "/resources/models/HV3600E.KDD");
    }

    std::string root_, source_;
    RunOptions options_;
};

// The escapes the interface DLL's page end asks for, in order.
std::vector<SentEscape> PageEndEscapes(bool japanese) {
    std::vector<SentEscape> page = {{9000, 0, kStampRecord, 1}, {9100, 0, kStampRecord, 1}};
    // Without the trust-marking library the graphics DLL has no footer for the page.
    if (japanese) page.push_back({9103, 0, kStampRecord, 0});
    return page;
}

TEST_F(RunnerEvents, TheInterfaceDllIsToldAtTheStartAndEachPageEndAndItsEscapesAreLogged) {
    for (bool japanese : {true, false}) {
        SCOPED_TRACE(japanese ? "Japanese" : "English");
        Build(japanese);
        options_.escapes.clear();
        options_.applicationDc = true;
        options_.pages = 2;
        options_.content = orla::runner::PageContent::Sample;
        // An application's own escape after the start: SETCOPYCOUNT.
        orla::runner::EscapeCall copies;
        copies.code = 17;
        copies.input = {2, 0, 0, 0};
        options_.escapes.push_back(copies);
        RunResult r = orla::runner::RunJob(options_);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.documentEvents.size(), 4u);
        EXPECT_EQ(r.documentEvents[0], (DocumentEventCall{kPre, 1}));
        EXPECT_EQ(r.documentEvents[1], (DocumentEventCall{kPost, 1}));
        for (size_t page : {2u, 3u}) {
            EXPECT_EQ(r.documentEvents[page].event, kEndPage);
            // The Japanese page end answers -1 when the trust-marking footer cannot be had (its
            // other stamps are drawn first); GDI goes on with the page.
            EXPECT_EQ(r.documentEvents[page].answer, japanese ? -1 : 1);
        }
        // The test program is no listed application: the job owner record goes silently, then the
        // device context's handle; the application's escape; each page end's stamp questions.
        std::vector<SentEscape> expected = {{9998, kOwnerRecord, 0, 1}, {9006, 4, 0, 1}, {17, 4, 0, 1}};
        for (int page = 0; page < 2; ++page)
            for (const SentEscape& e : PageEndEscapes(japanese)) expected.push_back(e);
        EXPECT_EQ(r.sentEscapes, expected);
        EXPECT_EQ(r.escapeResults, std::vector<long>{1});
        DecodeResult d = DecodeJob(std::span<const uint8_t>(r.job.data(), r.job.size()));
        ASSERT_TRUE(d.ok) << d.error;
        const std::string copiesSet = PjlValue(d, "SET COPIES").value_or(""), qty = PjlValue(d, "SET QTY").value_or("");
        EXPECT_TRUE(copiesSet == "2" || qty == "2") << copiesSet << " " << qty;
    }
}

TEST_F(RunnerEvents, WithoutAnApplicationsDeviceContextNoEventIsSent) {
    Build(true);
    options_.content = orla::runner::PageContent::Sample;
    RunResult r = orla::runner::RunJob(options_);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.documentEvents.empty());
    EXPECT_TRUE(r.sentEscapes.empty());
}

// Where the ink of the first decoded page lies, in thirds of the page (column, row), from the
// box around every dark pixel; {-1, -1} for a page without ink.
struct Third {
    int column = -1, row = -1;
    bool operator==(const Third&) const = default;
};
Third InkThird(const RunResult& r) {
    DecodeResult d = DecodeJob(std::span<const uint8_t>(r.job.data(), r.job.size()));
    PictureOptions po;
    po.dpi = 50;
    po.paperEdge = false;
    PicturesResult p = RenderPages(d, po);
    if (!p.ok || p.pages.empty()) return {};
    const PagePicture& page = p.pages.front();
    int left = page.width, right = -1, top = page.height, bottom = -1;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            if (page.pixels[static_cast<size_t>(y) * page.width + x] < 128) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    if (right < 0) return {};
    return {(left + right) / 2 * 3 / page.width, (top + bottom) / 2 * 3 / page.height};
}

TEST_F(RunnerEvents, ThePageEndDrawsTheUsersStoredStampOfTheChosenNumber) {
    for (bool japanese : {true, false}) {
        SCOPED_TRACE(japanese ? "Japanese" : "English");
        Build(japanese);
        options_.sandboxRoot = Fresh(japanese ? "ja-stored" : "en-stored");
        // The settings embed stamp 1 at the bottom right; the user's stored stamp 1 sits at the top
        // left: the interface DLL draws the stored one.
        orla::runner::StampChoice embedded, stored;
        embedded.text = u"EMBEDDED";
        embedded.position = 8;
        stored.text = u"STORED";
        stored.position = 0;
        embedded.size = stored.size = 160;  // 16 points: well within a third of the page
        options_.settingPatches = orla::runner::StampPatches(embedded);
        options_.applicationDc = true;
        options_.userStamps = {orla::runner::StampRecord(stored)};
        RunResult r = orla::runner::RunJob(options_);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(InkThird(r), (Third{0, 0}));
        // Without a stored list the stamp the settings carry is drawn.
        options_.userStamps.clear();
        options_.sandboxRoot = Fresh(japanese ? "ja-embedded" : "en-embedded");
        RunResult embeddedRun = orla::runner::RunJob(options_);
        ASSERT_TRUE(embeddedRun.ok) << embeddedRun.error;
        EXPECT_EQ(InkThird(embeddedRun), (Third{2, 2}));
    }
}

TEST_F(RunnerEvents, AFailedStartOfTheDocumentAbortsTheJob) {
    Build(true);
    options_.applicationDc = true;
    // The printer asks every job for an account; the pop-up is cancelled, so the interface DLL
    // fails the start of the document and tells the user the job is cancelled.
    options_.printerData.push_back({u"DAT_Account_Mode", REG_DWORD, {0, 0, 0, 0}});
    options_.printerData.push_back({u"DAT_Jba_Type", REG_DWORD, {0, 0, 0, 0}});
    PlatQueueMessageBoxAnswer(IDOK);
    // The user closes the pop-up (its close box: IDCANCEL).
    PlatSetModalIdleHandler(
        [](HWND dialog, void*) -> BOOL {
            SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        },
        nullptr);
    RunResult r = orla::runner::RunJob(options_);
    PlatSetModalIdleHandler(nullptr, nullptr);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("STARTDOCPOST"), std::string::npos) << r.error;
    ASSERT_EQ(r.documentEvents.size(), 2u);
    EXPECT_EQ(r.documentEvents[1], (DocumentEventCall{kPost, -1}));
    EXPECT_TRUE(r.endDocAborted);
    EXPECT_EQ(r.pagesSent, 0);
    ASSERT_EQ(PlatMessageBoxCount(), 1u);
    PLAT_MESSAGE_BOX_RECORD box{};
    ASSERT_TRUE(PlatGetMessageBox(0, &box));
    EXPECT_EQ(std::u16string(box.text), u"印刷ジョブをキャンセルします。");
}

}  // namespace
