// Message boxes: answers taken from the script in order, every box logged, and boxes nobody
// expected (or answered with a button they do not have) counted as failures.
#include "plat/message_box.h"
#include "tests/platform_ui/window_fixture.h"

namespace {

struct Reset {
    Reset() { PlatResetMessageBoxes(); }
    ~Reset() { PlatResetMessageBoxes(); }
};

TEST(MessageBox, AnswersComeFromTheScriptInOrderAndAreLogged) {
    Reset reset;
    PlatQueueMessageBoxAnswer(IDYES);
    PlatQueueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(MessageBoxW(nullptr, u"Replace the favourite?", u"Favourites", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBoxW(nullptr, u"Retry?", nullptr, MB_RETRYCANCEL), IDCANCEL);
    ASSERT_EQ(PlatMessageBoxCount(), 2u);
    PLAT_MESSAGE_BOX_RECORD r;
    ASSERT_TRUE(PlatGetMessageBox(0, &r));
    EXPECT_EQ(std::u16string(r.text), u"Replace the favourite?");
    EXPECT_EQ(std::u16string(r.caption), u"Favourites");
    EXPECT_EQ(r.flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    ASSERT_TRUE(PlatGetMessageBox(1, &r));
    EXPECT_EQ(std::u16string(r.caption), u"Error");
    EXPECT_FALSE(PlatGetMessageBox(2, &r));
    EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
}

TEST(MessageBox, UnexpectedBoxesAreCountedNotAnswered) {
    struct Case {
        const char* name;
        int queued;  // 0: nothing queued
        UINT type;
    };
    const Case kCases[] = {
        {"no answer queued", 0, MB_OK},
        {"an answer the box has no button for", IDYES, MB_OKCANCEL},
        {"an answer of no box", 77, MB_OK},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Reset reset;
        if (c.queued) PlatQueueMessageBoxAnswer(c.queued);
        EXPECT_EQ(MessageBoxW(nullptr, u"Unexpected", u"t", c.type), 0);
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 1u);
        PLAT_MESSAGE_BOX_RECORD r;
        ASSERT_TRUE(PlatGetMessageBox(0, &r));
        EXPECT_TRUE(r.unexpected);
        EXPECT_EQ(PlatPendingMessageBoxAnswers(), c.queued ? 1u : 0u);  // a refused answer stays queued
    }
}

TEST(MessageBox, LongTextIsCutNotOverrun) {
    Reset reset;
    PlatQueueMessageBoxAnswer(IDOK);
    std::u16string text(2000, u'x');
    EXPECT_EQ(MessageBoxW(nullptr, text.c_str(), u"t", MB_OK), IDOK);
    PLAT_MESSAGE_BOX_RECORD r;
    ASSERT_TRUE(PlatGetMessageBox(0, &r));
    EXPECT_EQ(std::u16string(r.text).size(), 511u);
}

}  // namespace

// MessageBoxA shows its system-code-page texts as MessageBoxW would; no caption is "Error".
TEST(MessageBox, AnsiTextsAreShownInTheSystemCodePage) {
    Reset reset;
    PlatQueueMessageBoxAnswer(IDOK);
    PlatQueueMessageBoxAnswer(IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "\x8c\x78\x8d\x90 1", "\x8c\x78\x8d\x90", MB_ICONWARNING), IDOK);  // "警告"
    EXPECT_EQ(MessageBoxA(nullptr, "plain", nullptr, MB_OK), IDOK);
    PLAT_MESSAGE_BOX_RECORD r;
    ASSERT_TRUE(PlatGetMessageBox(0, &r));
    EXPECT_EQ(std::u16string(r.text), u"\u8b66\u544a 1");
    EXPECT_EQ(std::u16string(r.caption), u"\u8b66\u544a");
    EXPECT_EQ(r.flags, static_cast<UINT>(MB_ICONWARNING));
    ASSERT_TRUE(PlatGetMessageBox(1, &r));
    EXPECT_EQ(std::u16string(r.text), u"plain");
    EXPECT_EQ(std::u16string(r.caption), u"Error");
    EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
}
