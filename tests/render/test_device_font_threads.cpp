// The Shift-JIS glyph set is one for the process: device contexts on several threads that ask
// for it at the same moment get the one set, made once. CI runs this under ThreadSanitizer.
#include <array>
#include <thread>
#include <vector>

#include "render/device_fonts_fixture.h"

namespace render_test {
namespace {

using DeviceFontThreads = DeviceFonts;

// Two device contexts ask for the Shift-JIS set at the same moment on a fresh driver: one set is
// made and both get it.
TEST_F(DeviceFontThreads, TheShiftJisSetIsMadeOnceWhenDeviceContextsRace) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    for (int round = 0; round < 20; ++round) {
        if (void*& holder = ShiftJisGlyphSetHolder(); holder != nullptr) {
            GlobalFree(holder);
            holder = nullptr;
        }
        EnabledPdev second = EnablePdev(printer_);
        ASSERT_NE(second.dhpdev, nullptr);
        std::array<void*, 8> got{};
        std::vector<std::thread> threads;
        for (size_t i = 0; i < got.size(); ++i) {
            DHPDEV d = i % 2 == 0 ? e_.dhpdev : second.dhpdev;
            threads.emplace_back(
                [&got, i, d] { got[i] = DrvQueryFontTree(d, 0, 22 + (i % 8), QFT_GLYPHSET, nullptr); });
        }
        for (std::thread& t : threads) t.join();
        for (void* set : got) ASSERT_EQ(set, got[0]) << "round " << round;
        ASSERT_NE(got[0], nullptr);
        EXPECT_EQ(ShiftJisGlyphSetHolder(), got[0]);
    }
}

}  // namespace
}  // namespace render_test
