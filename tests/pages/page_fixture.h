// A sample printer with its UI context and a page context on it, as the pages get them.
#pragma once

#include <gtest/gtest.h>

#include "tests/ui/ui_fixture.h"
#include "ui/pages/page_context.h"

namespace pages_test {

class PageSandbox : public orla_ui_test::UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        InstallSamplePrinter();
        ui_ = orla_ui_test::ContextPtr(orla::CreateUiContext(printer_, nullptr));
        ASSERT_TRUE(ui_);
        page_.uiContext = ui_.get();
    }
    void TearDown() override {
        ui_.reset();
        UiSandbox::TearDown();
    }
    orla_ui_test::ContextPtr ui_;
    orla::PageContext page_{};
};

}  // namespace pages_test
