// A job of drawn pages through the hooks, as the job-level tests of the escapes and of trust
// marking run it: each page started, its output started and marked as drawn, sent; then the end.
#pragma once

#include <gtest/gtest.h>

#include "render/ddi_hooks.h"
#include "render/pdev.h"

namespace render_test {

inline void DrawPagesAndEnd(SURFOBJ* so, PrinterPdev* pdev, int pages) {
    for (int i = 0; i < pages; ++i) {
        EXPECT_TRUE(DrvStartPage(so));
        EXPECT_TRUE(FlushPendingStart(pdev));
        pdev->pageSetup.blankSheet = 0;  // what a drawing hook does
        EXPECT_TRUE(DrvSendPage(so));
    }
    EXPECT_TRUE(DrvEndDoc(so, 0));
}

}  // namespace render_test
