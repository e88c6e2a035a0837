// Spooler faults in the middle of a job: a failed WritePrinter at any point of a job ends it
// with DrvEndDoc failing and leaves no temporary, spool or store file behind; a short write is a
// failure too (the spooler took fewer bytes than the driver gave it), never a job that prints
// with bytes missing. The next job on the same printer prints whole again.
#include <algorithm>
#include <iterator>
#include <set>
#include <string>

#include "e2e_render/e2e_render_fixture.h"
#include "plat/control.h"
#include "win/base.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;

class SpoolFault : public RenderJob, public ::testing::WithParamInterface<Build> {
protected:
    // Three pages of mixed paper, two copies through the store file.
    RunOptions FaultJob() const {
        RunOptions o = Options(GetParam().japanese);
        o.copies = 2;
        o.perPage = {{u"A4", 1}, {u"A3", 2}, {u"A4", 1}};
        o.pages = 3;
        return o;
    }
    static std::set<std::string> NewFiles(const std::set<std::string>& before, const std::set<std::string>& after) {
        std::set<std::string> out;
        std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::inserter(out, out.end()));
        return out;
    }
    static std::string List(const std::set<std::string>& files) {
        std::string s;
        for (const std::string& f : files) s += " " + f;
        return s;
    }
};

enum class Fault { Failure, ShortWrite };

TEST_P(SpoolFault, EveryWritePrinterFailureEndsTheJobCleanly) {
    const RunOptions o = FaultJob();
    RunResult reference = orla::runner::RunJob(o);
    ASSERT_TRUE(reference.ok) << reference.error;
    DecodeResult decodedReference = Decode(reference.job);
    ASSERT_TRUE(decodedReference.ok) << FormatListing(decodedReference);

    for (Fault fault : {Fault::Failure, Fault::ShortWrite}) {
        int faultsHit = 0;
        // Each call of the job in turn; the first n that the job no longer reaches ends the loop.
        for (int n = 1; n <= 40; ++n) {
            SCOPED_TRACE((fault == Fault::Failure ? "failure of WritePrinter call " : "short WritePrinter call ") +
                         std::to_string(n));
            const std::set<std::string> before = SandboxFiles();
            PlatClearInjections();
            if (fault == Fault::Failure)
                PlatInjectFailure("WritePrinter", n, ERROR_DISK_FULL);
            else
                PlatInjectShortWrite("WritePrinter", n, 1);
            RunResult r = orla::runner::RunJob(o);
            PlatClearInjections();
            if (r.ok) {
                // The fault came after the job's last call: the job is the reference, whole.
                EXPECT_EQ(r.job, reference.job);
                break;
            }
            ++faultsHit;
            EXPECT_EQ(r.endDocResult, 0) << "DrvEndDoc must fail after a lost write: " << r.error;
            EXPECT_NE(r.error.find("failed"), std::string::npos) << r.error;
            EXPECT_EQ(NewFiles(before, SandboxFiles()), std::set<std::string>{})
                << "left behind:" << List(NewFiles(before, SandboxFiles()));
        }
        // The job writes at least once per sheet and once per copy: a fault lands on each.
        EXPECT_GE(faultsHit, 4);
    }

    // Nothing of the faults stays with the printer: the next job is the reference again.
    RunResult again = orla::runner::RunJob(o);
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.job, reference.job);
}

// A failure on the job's first write (the first sheet's flush) refuses every later page: the
// runner sees the failing page and GDI's abort of the document fails as well.
TEST_P(SpoolFault, FirstWriteFailureFailsThePageAndTheDocument) {
    const RunOptions o = FaultJob();
    PlatInjectFailure("WritePrinter", 1, ERROR_DISK_FULL);
    RunResult r = orla::runner::RunJob(o);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("DrvSendPage"), std::string::npos) << r.error;
    EXPECT_TRUE(r.endDocAborted);
    EXPECT_EQ(r.endDocResult, 0);
    EXPECT_EQ(r.pagesSent, 0);
}

INSTANTIATE_TEST_SUITE_P(Builds, SpoolFault, ::testing::ValuesIn(kBuilds),
                         [](const ::testing::TestParamInfo<Build>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace e2e
