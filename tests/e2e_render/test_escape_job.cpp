// Escapes end to end: the runner sends them after StartDoc as the interface DLL and applications
// do, and the decoded job shows what they changed: print-time settings (9999), the copy count
// (SETCOPYCOUNT), the job owner (9998) and application data in place (PASSTHROUGH). The account
// entry (9200) is taken too; which account reaches the header is the printer's choice.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "e2e_render/e2e_render_fixture.h"
#include "tools/print_runner/runner_options.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;
using orla::runner::EscapeCall;

constexpr size_t kJapaneseRecordSize = 8512;

void PutWord(std::vector<uint8_t>& r, unsigned offset, uint16_t v) {
    std::memcpy(r.data() + offset, &v, 2);
}
void PutDword(std::vector<uint8_t>& r, unsigned offset, uint32_t v) {
    std::memcpy(r.data() + offset, &v, 4);
}
void PutText(std::vector<uint8_t>& r, unsigned offset, std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) PutWord(r, offset + 2 * static_cast<unsigned>(i), text[i]);
}

EscapeCall Escape(uint32_t code, std::vector<uint8_t> input) {
    EscapeCall call;
    call.code = code;
    call.input = std::move(input);
    return call;
}

class EscapeJob : public RenderJob {};

TEST_F(EscapeJob, PrintTimeSettingsOfTheInterfaceDllReachTheDecodedJob) {
    RunOptions o = Options(true);
    o.pages = 4;
    o.content = orla::runner::PageContent::Sample;
    o.applicationDc = true;
    // The fields escape 9999 takes over; everything else of the record is not looked at.
    std::vector<uint8_t> settings(kJapaneseRecordSize, 0);
    PutWord(settings, 86, 3);     // copies
    PutWord(settings, 492, 4);    // four pages a sheet
    PutWord(settings, 496, 0);    // layout order
    PutDword(settings, 1032, 1);  // information stamp on
    PutDword(settings, 1036, 7);  // ... the page number
    PutDword(settings, 1172, 8);  // ... bottom right
    o.escapes.push_back(Escape(9999, settings));
    std::vector<uint8_t> account(kJapaneseRecordSize, 0);
    PutText(account, 7842, u"U1234");
    PutText(account, 7908, u"PW");
    o.escapes.push_back(Escape(9200, account));
    o.escapes.push_back(orla::runner::JobOwnerEscape("10.9.8.7"));
    RunResult r = orla::runner::RunJob(o);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.escapeResults, (std::vector<long>{1, 1, 1})) << "9999, 9200, 9998";
    DecodeResult d = Decode(r.job);
    ASSERT_TRUE(d.ok) << d.error << " at " << d.errorOffset;
    const std::string copies = PjlValue(d, "SET COPIES").value_or(""), quantity = PjlValue(d, "SET QTY").value_or("");
    EXPECT_TRUE((copies == "3" && quantity == "1") || (copies == "1" && quantity == "3")) << copies << " " << quantity;
    const std::string lines = Join(Lines(d));
    EXPECT_NE(lines.find("@NLPP=N4\""), std::string::npos) << lines;
    EXPECT_NE(lines.find("@HOAD=10.9.8.7\""), std::string::npos);
    EXPECT_EQ(PageEndCount(d), 1u) << "four pages on one sheet";
}

TEST_F(EscapeJob, CopyCountAndApplicationDataInPlace) {
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        RunOptions o = Options(build.japanese);
        o.content = orla::runner::PageContent::Sample;
        o.escapes.push_back(Escape(17, {5, 0, 0, 0}));
        // Application data: a mode switch the printer takes as it is.
        const std::string raw = "\x1cZ";
        std::vector<uint8_t> block = {static_cast<uint8_t>(raw.size()), 0};
        block.insert(block.end(), raw.begin(), raw.end());
        o.escapes.push_back(Escape(19, block));
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.escapeResults, (std::vector<long>{1, static_cast<long>(raw.size())}));
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << d.error << " at " << d.errorOffset;
        const std::string copies = PjlValue(d, "SET COPIES").value_or("");
        const std::string quantity = PjlValue(d, "SET QTY").value_or("");
        EXPECT_TRUE(copies == "5" || quantity == "5") << copies << " " << quantity;
        EXPECT_TRUE(LinesStartingWith(d, "@PJL JOB MODE").empty()) << "application data came before the header";
        EXPECT_EQ(PageEndCount(d), 1u);
    }
}

}  // namespace
}  // namespace e2e
