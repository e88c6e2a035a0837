// The integer vector length of the font code. The rule counts steps: starting from the larger
// magnitude m with a sum of 0, each step adds 4 x (the value) to the sum and then increases the
// value, as long as the sum is below s = (smaller magnitude)^2. After k steps the sum is
// 4km + 2k(k - 1), so the result m + k is found from that quadratic instead of by k steps: a
// hostile transform would otherwise make k reach hundreds of millions.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "render/device_fonts.h"

namespace {

using u64 = std::uint64_t;

// The sum after k steps from m.
u64 SumAfter(u64 m, u64 k) {
    return 4 * k * m + 2 * k * (k > 0 ? k - 1 : 0);
}

}  // namespace

ULONG IntegerVectorLength(LONG x, LONG y) {
    const u64 ax = static_cast<u64>(std::llabs(static_cast<long long>(x)));
    const u64 ay = static_cast<u64>(std::llabs(static_cast<long long>(y)));
    if (ax == 0) return static_cast<ULONG>(ay);
    if (ay == 0) return static_cast<ULONG>(ax);
    const u64 m = ax > ay ? ax : ay;
    const u64 small = ax > ay ? ay : ax;
    const u64 s = small * small;
    // The least k with SumAfter(m, k) >= s: the root of 2k^2 + (4m - 2)k - s = 0, then settled.
    const long double b = 4.0L * m - 2.0L;
    u64 k = static_cast<u64>(std::ceil((-b + std::sqrt(b * b + 8.0L * s)) / 4.0L));
    while (k > 0 && SumAfter(m, k - 1) >= s) --k;
    while (SumAfter(m, k) < s) ++k;
    const u64 length = m + k;
    return length > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<ULONG>(length);
}
