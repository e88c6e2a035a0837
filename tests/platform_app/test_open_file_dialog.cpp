// The scripted file dialog: answers in queue order, a log of what each call asked, and calls
// the script did not expect.
#include <string>

#include "plat/open_file_dialog.h"
#include "platform/sandbox_fixture.h"
#include "win/common_dialogs.h"
#include "win/kernel.h"

namespace {

constexpr char16_t kImage[] = u"C:\\Stamps\\mark.bmp";
constexpr DWORD kBrowseFlags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
// The filter as the driver builds it: texts separated by NULs, ended by an empty one.
constexpr char16_t kFilter[] = u"Bitmap (*.bmp)\0*.bmp\0All files\0*.*\0";

class OpenFileDialog : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        PlatResetOpenFileDialogs();
        HANDLE h = CreateFileW(kImage, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            ASSERT_TRUE(CreateDirectoryW(u"C:\\Stamps", nullptr));
            h = CreateFileW(kImage, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    void TearDown() override {
        PlatResetOpenFileDialogs();
        SandboxTest::TearDown();
    }
    // A browse call as the stamp editor makes it, with its own buffer sizes.
    BOOL Browse(DWORD fileChars, DWORD titleChars, DWORD flags = kBrowseFlags) {
        file_.assign(fileChars, u'\0');
        title_.assign(titleChars, u'\0');
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = kFilter;
        ofn.lpstrFile = file_.data();
        ofn.nMaxFile = fileChars;
        ofn.lpstrFileTitle = titleChars ? title_.data() : nullptr;
        ofn.nMaxFileTitle = titleChars;
        ofn.lpstrInitialDir = u"C:\\Work";
        ofn.Flags = flags;
        BOOL result = GetOpenFileNameW(&ofn);
        offset_ = ofn.nFileOffset;
        extension_ = ofn.nFileExtension;
        return result;
    }
    std::u16string file_, title_;
    WORD offset_ = 0, extension_ = 0;
};

TEST_F(OpenFileDialog, AnswersInOrderAndLogsWhatWasAsked) {
    PlatQueueOpenFileAnswer(kImage);
    PlatQueueOpenFileCancel();
    ASSERT_TRUE(Browse(129, 128));
    EXPECT_EQ(std::u16string(file_.c_str()), kImage);
    EXPECT_EQ(std::u16string(title_.c_str()), u"mark.bmp");
    EXPECT_EQ(offset_, 10);
    EXPECT_EQ(extension_, 15);
    EXPECT_FALSE(Browse(129, 64));
    EXPECT_EQ(CommDlgExtendedError(), 0u);  // a cancel is no error

    ASSERT_EQ(PlatOpenFileCallCount(), 2u);
    const struct {
        DWORD maxFileTitle;
        BOOL result;
        const char16_t* answer;
    } expected[] = {{128, TRUE, kImage}, {64, FALSE, u""}};
    for (DWORD i = 0; i < 2; ++i) {
        PLAT_OPEN_FILE_RECORD r;
        ASSERT_TRUE(PlatGetOpenFileCall(i, &r));
        EXPECT_EQ(std::u16string(r.filter), u"Bitmap (*.bmp)|*.bmp|All files|*.*");
        EXPECT_EQ(std::u16string(r.initialDir), u"C:\\Work");
        EXPECT_EQ(r.maxFile, 129u);
        EXPECT_EQ(r.maxFileTitle, expected[i].maxFileTitle);
        EXPECT_EQ(r.flags, kBrowseFlags);
        EXPECT_EQ(r.result, expected[i].result);
        EXPECT_EQ(std::u16string(r.answer), expected[i].answer);
        EXPECT_FALSE(r.unexpected);
    }
    EXPECT_EQ(PlatUnexpectedOpenFileCount(), 0u);
    EXPECT_EQ(PlatPendingOpenFileAnswers(), 0u);
}

TEST_F(OpenFileDialog, CallsTheScriptCannotAnswerAreUnexpected) {
    struct Case {
        const char16_t* queued;  // null: nothing queued
        DWORD flags;
        BOOL result;
        bool unexpected;
    };
    const Case cases[] = {
        {nullptr, kBrowseFlags, FALSE, true},                         // no answer queued
        {u"C:\\Stamps\\missing.bmp", kBrowseFlags, FALSE, true},      // a user cannot pick it
        {u"C:\\Stamps\\missing.bmp", OFN_HIDEREADONLY, TRUE, false},  // a new name is allowed
    };
    DWORD unexpected = 0;
    for (const Case& c : cases) {
        if (c.queued) PlatQueueOpenFileAnswer(c.queued);
        EXPECT_EQ(Browse(129, 0, c.flags), c.result);
        unexpected += c.unexpected ? 1 : 0;
        EXPECT_EQ(PlatUnexpectedOpenFileCount(), unexpected);
        PLAT_OPEN_FILE_RECORD r;
        ASSERT_TRUE(PlatGetOpenFileCall(PlatOpenFileCallCount() - 1, &r));
        EXPECT_EQ(r.unexpected != FALSE, c.unexpected);
    }
}

TEST_F(OpenFileDialog, ShortBufferOrBadStructureFails) {
    PlatQueueOpenFileAnswer(kImage);
    EXPECT_FALSE(Browse(8, 0));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
    EXPECT_EQ(file_[0], std::char_traits<char16_t>::length(kImage) + 1);  // the size needed
    OPENFILENAMEW bad{};
    bad.lStructSize = 12;
    EXPECT_FALSE(GetOpenFileNameW(&bad));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
    EXPECT_FALSE(GetOpenFileNameW(nullptr));
}

}  // namespace
