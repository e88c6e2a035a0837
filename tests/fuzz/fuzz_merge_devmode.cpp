// Fuzz target: an incoming DEVMODE of any bytes merges into a settings record without reading
// past the bytes given, and leaves every text field terminated and every index in range.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/settings.h"
#include "core/test_devmode_fixture.h"

using namespace orla;
using namespace orla::test;

namespace {

struct Fixture {
    DeviceDataPtr data = CompileText(FixtureDescription());
    FormsFixture forms{{u"Letter", 215900, 279400},
                       {u"Tiny", 50000, 50000},
                       {u"A4", 210000, 297000},
                       {u"A3", 297000, 420000},
                       {kLongPaperFormName, 297000, 900000}};
    DriverDevmode base{};
    Fixture() {
        if (!data) std::abort();
        BlankUnusableForms(forms.data(), forms.count(), 4);
        SetDefaultDevmode(&base, nullptr, nullptr, data.get());
    }
};

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static Fixture f;
    // The incoming DEVMODE is exactly the input, in a block of its own size.
    std::vector<BYTE> incoming(bytes, bytes + size);
    DriverDevmode record = f.base;
    MergeDevmodeWithForms(&record, incoming, f.forms.data(), f.forms.count(), f.data.get());

    const DEVMODEW& d = *AsDevmode(record);
    Check(d.dmSize == kPublicDevmodeSize && d.dmDriverExtra == kPrivateDevmodeSize);
    Check(d.dmCopies >= 1 && d.dmCopies <= 999);
    Check(d.dmOrientation == 1 || d.dmOrientation == 2);
    Check(d.dmDuplex >= 1 && d.dmDuplex <= 3);
    Check(GetText(record, dm::FormName).size() < 32);
    Check(GetText(record, dm::OutPaperName).size() < 32);
    Check(GetText(record, dm::AnnotationText).size() < 65);
    Check(GetAnsi(record, dm::OverlayFolder).size() < 128);
    Check(GetAnsi(record, dm::OverlayName).size() < 9);
    Check(Get(record, dm::AnnotationKind) <= 8 && Get(record, dm::AnnotationPosition) <= 8);
    Check(Get(record, dm::OutPaperIndex) <= f.forms.count());
    Check(Get(record, dm::RememberedQuality) == 600);

    // The same bytes as a copy target of their own claimed sizes, bounded by the buffer.
    std::vector<BYTE> target(bytes, bytes + size);
    CopyDevmodePartsBounded(f.base.bytes, sizeof(f.base.bytes), target.data(), target.size());
    return 0;
}
