// Fuzz target: a "TBL_OutPaperTable" value of any bytes parses into whole pairs without a stray
// read, a well-formed value survives a round trip, and the resolver walks it safely.
#include <cstdlib>
#include <vector>

#include "core/settings.h"
#include "core/settings_resolver.h"
#include "core/test_devmode_fixture.h"

using namespace orla;
using namespace orla::test;

namespace {

struct Fixture {
    DeviceDataPtr data =
        CompileText(FixtureDescription() + u"*FormPort: \"A4->A3\" 210000 297000 5000 5000 205000 292000\r\n");
    FormsFixture forms{{u"A3", 297000, 420000}, {u"A4", 210000, 297000}, {u"A4->A3", 210000, 297000}};
    DeviceStrings strings{};
    DriverDevmode base{};
    Fixture() {
        if (!data) std::abort();
        strings[0] = u"Auto";
        SetDefaultDevmode(&base, nullptr, nullptr, data.get());
        SetText(base, dm::FormName, u"A4->A3");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static Fixture f;
    std::vector<BYTE> value(bytes, bytes + size);
    std::vector<OutPaperPair> pairs;
    const BOOL ok = ParseOutPaperTable(value, &pairs);
    for (const OutPaperPair& p : pairs)
        if (p.document.empty()) std::abort();
    if (ok) {
        std::vector<OutPaperPair> again;
        if (!ParseOutPaperTable(BuildOutPaperTable(pairs), &again) || again.size() != pairs.size()) std::abort();
    }
    DriverDevmode record = f.base;
    ResolveSettings(&record, nullptr, ResolverInputs{f.forms.data(), f.forms.count(), &f.strings, value}, f.data.get());
    return 0;
}
