// A fresh sandbox root per test, removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "plat/control.h"
#include "platform/src/handle_table.h"

class SandboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (std::filesystem::temp_directory_path() / "orla-plat-XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        root_ = templ;
        PlatSetSandboxRoot(root_.c_str());
        PlatClearInjections();
        PlatSetAnsiCodePage(932);
        handlesAtStart_ = plat::HandleCount();
    }
    void TearDown() override {
        PlatClearInjections();
        // Every handle a test opens, it closes: a leak here is a leak in the layer.
        EXPECT_EQ(plat::HandleCount(), handlesAtStart_);
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    std::string Host(const char16_t* windowsPath) { return PlatHostPath(windowsPath); }
    std::string root_;
    size_t handlesAtStart_ = 0;
};
