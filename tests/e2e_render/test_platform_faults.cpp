// The graphics DLL when the platform fails a file mapping (device description, device data
// cache, the spool and store files it copies from): every failing call in turn either leaves the
// job exactly as it prints without the fault (a mapping the driver can do without) or ends it
// with a reason and no file left behind; never a job with bytes missing. The next job prints
// whole again.
#include <algorithm>
#include <iterator>
#include <set>
#include <string>

#include "e2e_render/e2e_render_fixture.h"
#include "plat/control.h"
#include "win/base.h"

namespace e2e {
namespace {

class PlatformFault : public RenderJob {};

TEST_F(PlatformFault, FailedFileMappingsEndTheJobCleanlyOrNotAtAll) {
    RunOptions o = Options(true);
    o.copies = 2;  // the copies are made from the store file, which is read through a mapping
    o.perPage = {{u"A4", 1}, {u"A3", 2}};
    o.pages = 2;
    const RunResult reference = orla::runner::RunJob(o);
    ASSERT_TRUE(reference.ok) << reference.error;
    for (const char* operation : {"CreateFileMappingW", "MapViewOfFile"}) {
        int failedJobs = 0;
        for (int n = 1; n <= 30; ++n) {
            SCOPED_TRACE(std::string(operation) + " call " + std::to_string(n));
            const std::set<std::string> before = SandboxFiles();
            PlatClearInjections();
            PlatInjectFailure(operation, n, ERROR_NOT_ENOUGH_MEMORY);
            const RunResult r = orla::runner::RunJob(o);
            PlatClearInjections();
            if (r.ok) {
                EXPECT_EQ(r.job, reference.job) << "a job that succeeds is the whole job";
                continue;
            }
            ++failedJobs;
            EXPECT_FALSE(r.error.empty());
            std::set<std::string> added;
            const std::set<std::string> after = SandboxFiles();
            std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                                std::inserter(added, added.end()));
            EXPECT_TRUE(added.empty()) << "left behind: " << (added.empty() ? "" : *added.begin());
        }
        EXPECT_GE(failedJobs, 1) << operation << " is on the way of the job";
    }
    const RunResult again = orla::runner::RunJob(o);
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.job, reference.job);
}

}  // namespace
}  // namespace e2e
