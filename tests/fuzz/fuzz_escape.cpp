// DrvEscape with any code, sizes and buffer contents on a device context with a job open. Every
// buffer is exactly as large as the escape is told, so a read or write past it is caught; the
// codes come mostly from the driver's own table so each escape's checks are reached.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_job_pdev.h"

namespace {

constexpr ULONG kCodes[] = {8,    17,   19,   20,   4360, 9000, 9001, 9002, 9005,
                            9006, 9100, 9101, 9102, 9103, 9200, 9998, 9999};
// Sizes worth hitting exactly: the records and their neighbours.
constexpr ULONG kSizes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 20, 327, 328, 329, 779, 780, 781, 8511, 8512, 8513};
constexpr unsigned kInputsPerJob = 200;

using Input = FuzzBytes;

FuzzJobPdev& Context() {
    static FuzzJobPdev* c = [] {
        auto* p = new FuzzJobPdev;
        p->Install("escape");
        p->Enable();
        p->StartJob();
        return p;
    }();
    return *c;
}

ULONG PickSize(Input& in) {
    const uint8_t b = in.Byte();
    if (b < 0xC0) return kSizes[b % std::size(kSizes)];
    return (static_cast<ULONG>(in.Byte()) << 8 | in.Byte()) % 9000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzJobPdev& c = Context();
    c.NextInput(kInputsPerJob);
    Input in{data, size};
    const uint8_t pick = in.Byte();
    const ULONG code = pick < 0xF0 ? kCodes[pick % std::size(kCodes)] : static_cast<ULONG>(in.Byte()) << 8 | in.Byte();
    const ULONG cjIn = PickSize(in), cjOut = PickSize(in);
    const uint8_t nulls = in.Byte();
    std::vector<uint8_t> input(cjIn), output(cjOut);
    for (uint8_t& b : input) b = in.Byte();
    // The rest of the input fills the incoming record again, so large records carry real data.
    for (size_t i = 0; i < input.size() && in.size > 0; i += 97) input[i] = in.Byte();
    void* pvIn = (nulls & 1) || input.empty() ? nullptr : input.data();
    void* pvOut = (nulls & 2) || output.empty() ? nullptr : output.data();
    DrvEscape(&c.surface, code, cjIn, pvIn, cjOut, pvOut);
    return 0;
}
