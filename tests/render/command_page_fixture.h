// A command-mode page on the device surface of an enabled device context: a document and a page
// started and the lazy start written, so that Out() shows only what a hook writes afterwards.
#pragma once

#include <vector>

#include "byte_helpers.h"
#include "render/drawing_hooks.h"
#include "render_fixture.h"

namespace render_test {

class CommandPageTest : public PdevJobTest {
protected:
    void SetUp() override {
        PdevJobTest::SetUp();
        if (HasFatalFailure()) return;
        pdev()->state &= ~kStateRasterMode;
        surface_ = DrvEnableSurface(e_.dhpdev);
        ASSERT_NE(surface_, nullptr);
        dev_ = EngLockSurface(surface_);
        ASSERT_NE(dev_, nullptr);
        ASSERT_EQ(dev_->dhpdev, e_.dhpdev);
        ASSERT_FALSE(pdev()->state & kStateRasterMode) << "command mode";
        ASSERT_TRUE(DrvStartDoc(dev_, const_cast<LPWSTR>(u"doc"), 7));
        ASSERT_TRUE(DrvStartPage(dev_));
        ASSERT_NE(DrawingHookPrologue(dev_), nullptr);
        Out();
    }
    void TearDown() override {
        for (CLIPOBJ* c : clips_) PlatClipDelete(c);
        if (dev_ != nullptr) EngUnlockSurface(dev_);
        if (surface_ != nullptr) DrvDisableSurface(e_.dhpdev);
        PdevJobTest::TearDown();
    }

    PrinterPdev* pdev() { return e_.pdev(); }
    Bytes Out() { return NewSpoolBytes(pdev()); }

    // A complex clip of these rectangles, deleted after the test.
    CLIPOBJ* Clip(std::vector<RECTL> rects) {
        CLIPOBJ* c = PlatClipCreate(rects.data(), static_cast<ULONG>(rects.size()));
        clips_.push_back(c);
        return c;
    }

    HSURF surface_ = nullptr;
    SURFOBJ* dev_ = nullptr;
    std::vector<CLIPOBJ*> clips_;
};

}  // namespace render_test
