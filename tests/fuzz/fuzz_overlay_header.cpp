// Fuzz target: a form-overlay header of any bytes (short inputs read as zero-padded) is checked
// and applied without a stray read, and leaves a known status.
#include <cstdlib>
#include <cstring>

#include "core/form_overlay.h"
#include "core/settings.h"
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
        strings[1] = u"Tray 1";
        SetDefaultDevmode(&base, nullptr, nullptr, data.get());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static Fixture f;
    FormOverlayHeader header{};
    std::memcpy(header.bytes, bytes, size < sizeof(header.bytes) ? size : sizeof(header.bytes));
    DriverDevmode record = f.base;
    if (size > 0 && (bytes[0] & 1)) Set(record, dm::DeviceState(dm::DevicePairIndex(652)), WORD{8});
    const DWORD status = ApplyFormOverlayHeader(&record, header, f.forms.data(), f.forms.count(),
                                                size > 1 && (bytes[1] & 1) ? nullptr : &f.strings, f.data.get());
    if (status != kOverlayOk && status != kOverlayBadSignature && status != kOverlayPaperNotSupported) std::abort();
    if (Get(record, dm::OverlayStatus) != status) std::abort();
    if (GetText(record, dm::FormName).size() >= 32) std::abort();

    // The same bytes as the record's overlay folder and name: the path stays bounded.
    DriverDevmode paths{};
    std::memcpy(paths.bytes + dm::OverlayFolder.offset, bytes, size < 137 ? size : 137);
    if (GetOverlayFilePath(paths).size() > 127 + 1 + 8 + 4) std::abort();
    return 0;
}
