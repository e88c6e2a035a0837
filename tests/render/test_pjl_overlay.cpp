// The form-overlay commands of the page set-up: the file's body and the header fields, and what a
// missing or damaged file gives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "plat/control.h"
#include "render/pjl_header.h"
#include "test_pjl_fixture.h"

namespace {

namespace dm = orla::dm;

class PjlOverlay : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/orla-g3-fn2-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        root_ = templ;
        PlatSetSandboxRoot(root_.c_str());
        std::filesystem::create_directories(root_ + "/C/forms");
        f_.Set(dm::FlagsWord, WORD{0x0001});
        orla::SetAnsi(f_.Rec(), dm::OverlayFolder, "C:\\forms");
        orla::SetAnsi(f_.Rec(), dm::OverlayName, "memo");
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    static void Put32(std::string& s, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    // A header whose fields give every kind of command, and a body of ten bytes.
    static std::string File(uint32_t bodyEnd = 266) {
        std::string s(256, '\0');
        s.replace(0, 25, "QEV Quintarc Form Object\n");
        Put32(s, 168, 256);
        Put32(s, 172, bodyEnd);
        s[184] = 'Q';
        s.replace(188, 3, "   ");
        s.replace(192, 3, "A4P");
        s.replace(196, 2, "12");
        s[202] = '2';
        s.replace(204, 4, "0001");
        s.replace(208, 3, "123");
        s[211] = '5';
        s[212] = '2';
        s[216] = static_cast<char>(0x80 | 0x04);
        return s + "BODYBYTES!";
    }
    void Write(const std::string& bytes) {
        std::ofstream out(root_ + "/C/forms/memo.fn2", std::ios::binary);
        out << bytes;
    }

    static constexpr const char* kLead = "\x1c<1/240,i.\x1bL000\x1cu1,1.";
    std::string root_;
    g3test::PdevFixture f_;
};

TEST_F(PjlOverlay, BodyAndHeaderFields) {
    Write(File());
    ASSERT_TRUE(WriteOverlayCommands(f_.pdev));
    EXPECT_EQ(f_.Output(), std::string(kLead) + "BODYBYTES!" +
                               "\x1cU"
                               "\x1b/A4P"
                               "\x1bT12"
                               "\x1bQ"
                               "\x1c"
                               "06F1-002"
                               "\x1c"
                               "07S2-0001"
                               "\x1cp2,1235."
                               "\x1c"
                               "06F2-200"
                               "\x1c"
                               "c,,0,1,6."
                               "\x1cu2,1,S.");
}

TEST_F(PjlOverlay, BodyRangeIsKeptInsideTheFile) {
    Write(File(100000));  // the header claims far more than the file holds
    ASSERT_TRUE(WriteOverlayCommands(f_.pdev));
    EXPECT_EQ(f_.Output().substr(0, std::string(kLead).size() + 12), std::string(kLead) + "BODYBYTES!\x1cU");
    f_.ClearOutput();
    std::string backwards = File();
    Put32(backwards, 168, 300);
    Put32(backwards, 172, 200);
    Write(backwards);
    ASSERT_TRUE(WriteOverlayCommands(f_.pdev));
    EXPECT_EQ(f_.Output().substr(0, std::string(kLead).size() + 2), std::string(kLead) + "\x1cU");
}

TEST_F(PjlOverlay, MissingFileSaysSo) {
    ASSERT_TRUE(WriteOverlayCommands(f_.pdev));
    EXPECT_EQ(f_.Output(), std::string(kLead) + "NOT Create" +
                               "\x1cU"
                               "\x1bT  "
                               "\x1bH"
                               "\x1c"
                               "06F1-000"
                               "\x1c"
                               "07S2-    "
                               "\x1cp2,   ."
                               "\x1c"
                               "c,,0,3."
                               "\x1cu2,1,S.");
}

TEST_F(PjlOverlay, RefusedOverlayWritesNothing) {
    Write(File());
    f_.Set(dm::OverlayStatus, DWORD{0x100});
    ASSERT_TRUE(WriteOverlayCommands(f_.pdev));
    EXPECT_EQ(f_.Output(), "");
}

TEST_F(PjlOverlay, PageStartWithOverlay) {
    Write(File());
    FillPageSetupRecord(f_.pdev, &f_.pdev->pageSetup.next);
    EXPECT_EQ(std::string(f_.pdev->pageSetup.next.overlayName), "C:\\forms\\memo.fn2");
    ASSERT_TRUE(WritePageStart(f_.pdev));
    const std::string out = f_.Output();
    EXPECT_EQ(out.rfind("\x1c"
                        "fPC1PA4." +
                            std::string(kLead),
                        0),
              0u);
    EXPECT_EQ(f_.pdev->pageSetup.previousHadOverlay, 1u);
}

}  // namespace
