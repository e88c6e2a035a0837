// The start of a job in the application's process: which host gets the print-time dialog
// (listed application and version, interactive desktop, the user's switch) and which sends the
// job owner record instead, the viewer rule, the English build's ResetDC, the account pop-up and
// its memory, and the device context handle that always goes last.
#include <cstring>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "document_event_fixture.h"
#include "ui/entry/document_events.h"
#include "ui/entry/held.h"
#include "ui/entry/job_owner.h"
#include "win/user.h"

using namespace orla;
using namespace orla_ui_test;

namespace document_start_test {

constexpr int kStamp = 9000, kAccount = 9200, kOwner = 9998, kSettings = 9999, kDcHandle = 9006;
constexpr DWORD kNetworkAttribute = 0x10;
constexpr DWORD kRasterBit = 0x800;

// What a dialog sends to the graphics DLL in this build: the Japanese build the whole record by
// escape, the English build through ResetDC.
const std::vector<int> kDialogEscapes =
    kJapaneseBuild ? std::vector<int>{kSettings, kDcHandle} : std::vector<int>{kDcHandle};
const std::vector<int> kOwnerEscapes{kOwner, kDcHandle};
const std::vector<int> kAccountEscapes{kAccount, kOwner, kDcHandle};

struct HostCase {
    const char16_t* program;
    std::optional<DWORD> version;
    const char16_t* station;
    const char16_t* desktop;
    DWORD uiSwitch;
    bool dialog;
};

class DocumentStartTest : public DocumentEventTest {
protected:
    void SetUp() override {
        DocumentEventTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        StartJob(u"Report.doc");
    }

    void Host(const char16_t* program, std::optional<DWORD> version) {
        app_.modulePath = std::u16string(u"C:\\Program Files\\App\\") + program;
        app_.versionMS = version;
    }

    void SetAttributes(DWORD attributes) {
        GlobalHeld<BYTE> info(GetPrinterInfoAlloc(printer_, 2));
        ASSERT_TRUE(info);
        reinterpret_cast<PRINTER_INFO_2W*>(info.get())->Attributes = attributes;
        ASSERT_TRUE(SetPrinterW(printer_, 2, info.get(), 0));
    }

    // The printer's settings with some private flags set, as a job's own record.
    DriverDevmode SettingsWithFlags1(DWORD bits) {
        ContextPtr context(CreateUiContext(printer_, nullptr));
        EXPECT_NE(context, nullptr);
        DriverDevmode record = context->appliedDevmode;
        Set(record, dm::Flags1, Get(record, dm::Flags1) | bits);
        return record;
    }

    // The 4-byte input of escape 9006: the device context's handle value.
    static std::vector<BYTE> DcHandleBytes() {
        const DWORD value = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(kAppDc));
        std::vector<BYTE> bytes(4);
        std::memcpy(bytes.data(), &value, 4);
        return bytes;
    }
};

// Application x version x station/desktop x switch: the dialog, or else the owner record; the
// device context handle always goes last.
TEST_F(DocumentStartTest, ListedApplicationsOnTheInteractiveDesktopGetTheDialog) {
    const HostCase cases[] = {
        {u"EXCEL.EXE", FileVersionMS(11, 0), u"WinSta0", u"Default", 1, false},
        {u"EXCEL.EXE", FileVersionMS(10, 0), u"WinSta0", u"Default", 1, true},
        {u"EXCEL.EXE", FileVersionMS(7, 0), u"WinSta0", u"Default", 1, true},
        {u"EXCEL.EXE", FileVersionMS(6, 9), u"WinSta0", u"Default", 1, false},
        {u"IEXPLORE.EXE", FileVersionMS(5, 50), u"WinSta0", u"Default", 1, true},
        {u"IEXPLORE.EXE", FileVersionMS(5, 0), u"WinSta0", u"Default", 1, false},
        {u"IEXPLORE.EXE", FileVersionMS(6, 0), u"WinSta0", u"Default", 1, true},
        {u"IEXPLORE.EXE", FileVersionMS(7, 0), u"WinSta0", u"Default", 1, false},
        {u"F32MAIN.EXE", FileVersionMS(9, 0), u"WinSta0", u"Default", 1, true},
        {u"F32MAIN.EXE", FileVersionMS(97, 0), u"WinSta0", u"Default", 1, true},
        {u"F32MAIN.EXE", FileVersionMS(10, 0), u"WinSta0", u"Default", 1, false},
        {u"WORDPRO.EXE", FileVersionMS(98, 0), u"WinSta0", u"Default", 1, true},
        {u"123W.EXE", FileVersionMS(5, 0), u"WinSta0", u"Default", 1, false},
        {u"TARO12.EXE", FileVersionMS(1, 0), u"WinSta0", u"Default", 1, true},
        {u"winword.exe", FileVersionMS(9, 0), u"WinSta0", u"Default", 1, true},  // names compare without case
        {u"NOTEPAD.EXE", FileVersionMS(10, 0), u"WinSta0", u"Default", 1, false},
        {u"WINWORD.EXE", FileVersionMS(9, 0), u"Service-0x0-3e7$", u"Default", 1, false},
        {u"WINWORD.EXE", FileVersionMS(9, 0), u"WinSta0", u"Winlogon", 1, false},
        {u"WINWORD.EXE", FileVersionMS(9, 0), u"WinSta0", u"Default", 0, false},
    };
    for (const HostCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << std::string(c.program, c.program + std::char_traits<char16_t>::length(c.program)) << " "
                     << (c.version ? (*c.version >> 16) : 0) << "." << (c.version ? (*c.version & 0xFFFF) : 0)
                     << " switch " << c.uiSwitch);
        app_ = FakeApplication{};
        Host(c.program, c.version);
        app_.station = c.station;
        app_.desktop = c.desktop;
        SwitchDialog(c.uiSwitch);
        EXPECT_EQ(StartDocPost(), 1);
        EXPECT_EQ(app_.dialogs, c.dialog ? 1 : 0);
        EXPECT_EQ(app_.Codes(), c.dialog ? kDialogEscapes : kOwnerEscapes);
        ASSERT_FALSE(app_.escapes.empty());
        EXPECT_EQ(app_.escapes.back().input, DcHandleBytes());
    }
}

// A listed host whose version resource cannot be read goes on as an unlisted one: its owner
// record and the device context handle are still sent.
TEST_F(DocumentStartTest, ListedHostWithoutVersionSendsTheOwnerRecord) {
    SwitchDialog(1);
    Host(u"EXCEL.EXE", std::nullopt);
    EXPECT_EQ(StartDocPost(), 1);
    EXPECT_EQ(app_.dialogs, 0);
    EXPECT_EQ(app_.Codes(), kOwnerEscapes);
}

TEST_F(DocumentStartTest, OwnerRecordNamesTheJobsDocument) {
    PlatSetUserName(u"hanako");
    EXPECT_EQ(StartDocPost(), 1);
    ASSERT_EQ(app_.Codes(), kOwnerEscapes);
    ASSERT_EQ(app_.escapes[0].input.size(), sizeof(JobOwnerRecord));
    JobOwnerRecord owner;
    std::memcpy(&owner, app_.escapes[0].input.data(), sizeof owner);
    EXPECT_STREQ(owner.documentName, "Report.doc");
    EXPECT_STREQ(owner.userName, "hanako");
}

TEST_F(DocumentStartTest, DialogCaptionNamesPrinterAndDocument) {
    SwitchDialog(1);
    Host(u"WORDPAD.EXE", FileVersionMS(5, 1));
    EXPECT_EQ(StartDocPost(), 1);
    ASSERT_EQ(app_.dialogs, 1);
    EXPECT_EQ(app_.dialogCaption, u"Halvoric MOPYING設定 / Report.doc");
}

// The caption lives in the context's 260-character printer name: a long one is cut and ends there.
TEST_F(DocumentStartTest, LongCaptionIsCutToThePrinterNameField) {
    ContextPtr context(CreateUiContext(printer_, nullptr));
    ASSERT_NE(context, nullptr);
    const std::u16string longName(250, u'P');
    longName.copy(context->printerName, longName.size());
    context->printerName[longName.size()] = 0;
    ExtendJobSettingsCaption(context.get(), u"Quarterly figures.xls");
    const std::u16string caption(context->printerName);
    EXPECT_EQ(caption, longName + u" MOPYING設");  // 259 characters and the terminator
    ExtendJobSettingsCaption(context.get(), nullptr);
    EXPECT_EQ(std::u16string(context->printerName).size(), 259u);
}

// What the dialog leaves in the applied record is what reaches the graphics DLL.
TEST_F(DocumentStartTest, DialogSettingsReachTheGraphicsDll) {
    SwitchDialog(1);
    Host(u"ACRORD32.EXE", FileVersionMS(5, 0));
    app_.onDialog = [](UiContext* context) { Set(context->appliedDevmode, dm::Copies, SHORT{7}); };
    app_.resetSucceeds = true;
    EXPECT_EQ(StartDocPost(), 1);
    ASSERT_EQ(app_.dialogs, 1);
    ASSERT_EQ(app_.Codes(), kDialogEscapes);
    const std::vector<BYTE>& sent = kJapaneseBuild ? app_.escapes[0].input : app_.resets.at(0);
    ASSERT_EQ(sent.size(), kJapaneseBuild ? 8512u : 4408u);
    EXPECT_EQ(Get(std::span<const BYTE>(sent), dm::Copies), 7);
    EXPECT_EQ(app_.resets.size(), kJapaneseBuild ? 0u : 1u);
}

// The English build sends the record by escape only when ResetDC fails.
TEST_F(DocumentStartTest, EnglishBuildFallsBackToTheEscapeWhenResetDcFails) {
    if (kJapaneseBuild) GTEST_SKIP() << "the English build's path";
    SwitchDialog(1);
    Host(u"WINWORD.EXE", FileVersionMS(8, 0));
    app_.resetSucceeds = false;
    EXPECT_EQ(StartDocPost(), 1);
    EXPECT_EQ(app_.resets.size(), 1u);
    ASSERT_EQ(app_.Codes(), (std::vector<int>{kSettings, kDcHandle}));
    EXPECT_EQ(app_.escapes[0].input.size(), 4408u);
}

// The viewer family gets the dialog only on a network printer, and not for raster jobs. Nothing
// else is sent when it does not (the English build has no such rule).
TEST_F(DocumentStartTest, ViewerJobsFollowTheNetworkAndRasterRule) {
    struct Case {
        DWORD attributes;
        DWORD flags1;
        bool dialog;
    } const cases[] = {
        {0x40, 0, !kJapaneseBuild},
        {0x40 | kNetworkAttribute, 0, true},
        {0x40 | kNetworkAttribute, kRasterBit, !kJapaneseBuild},
    };
    SwitchDialog(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "attributes " << c.attributes << " flags " << c.flags1);
        AbortPrinter(jobPrinter_);
        ClosePrinter(jobPrinter_);
        jobPrinter_ = nullptr;
        const DriverDevmode settings = SettingsWithFlags1(c.flags1);
        StartJob(u"Slides.pdf", &settings);
        SetAttributes(c.attributes);
        app_ = FakeApplication{};
        Host(u"PELTDESK.EXE", FileVersionMS(4, 0));
        EXPECT_EQ(StartDocPost(), 1);
        EXPECT_EQ(app_.dialogs, c.dialog ? 1 : 0);
        EXPECT_EQ(app_.Codes(), c.dialog ? kDialogEscapes : std::vector<int>{kDcHandle});
    }
    // Out of its version range the viewer is an unlisted host.
    app_ = FakeApplication{};
    Host(u"PELTSAFE.EXE", FileVersionMS(6, 0));
    EXPECT_EQ(StartDocPost(), 1);
    EXPECT_EQ(app_.Codes(), kOwnerEscapes);
}

TEST_F(DocumentStartTest, FailuresGiveMinusOneAndTheHandleStillGoes) {
    struct Case {
        int failing;  // the escape answering 0
        BOOL dialog;  // what the dialog answers
        std::vector<int> codes;
    } const cases[] = {
        {kOwner, TRUE, kOwnerEscapes},
        {kDcHandle, TRUE, kOwnerEscapes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        app_ = FakeApplication{};
        app_.answers[c.failing] = 0;
        EXPECT_EQ(StartDocPost(), -1);
        EXPECT_EQ(app_.Codes(), c.codes);
    }
    // A dialog that could not be run sends nothing but the handle.
    SwitchDialog(1);
    app_ = FakeApplication{};
    Host(u"EXCEL.EXE", FileVersionMS(9, 0));
    app_.dialogAnswer = FALSE;
    EXPECT_EQ(StartDocPost(), -1);
    EXPECT_EQ(app_.Codes(), std::vector<int>{kDcHandle});
}

TEST_F(DocumentStartTest, MissingArgumentsAndOtherEvents) {
    DWORD job = jobId_;
    EXPECT_EQ(HandleDocumentEvent(kFakeSystem, nullptr, kAppDc, kDocumentEventStartDocPost, 4, &job, 0, nullptr), -1);
    EXPECT_EQ(HandleDocumentEvent(kFakeSystem, printer_, nullptr, kDocumentEventStartDocPost, 4, &job, 0, nullptr), -1);
    EXPECT_EQ(HandleDocumentEvent(kFakeSystem, printer_, kAppDc, kDocumentEventStartDocPost, 4, nullptr, 0, nullptr),
              -1);
    // An input too short to hold a job id is no job id.
    EXPECT_EQ(HandleDocumentEvent(kFakeSystem, printer_, kAppDc, kDocumentEventStartDocPost, 2, &job, 0, nullptr), -1);
    // CREATEDCPRE, STARTDOCPRE, STARTPAGE, ENDDOCPOST, DELETEDC: answered, nothing sent.
    for (int event : {1, 5, 6, 9, 12, 14})
        EXPECT_EQ(HandleDocumentEvent(kFakeSystem, printer_, kAppDc, event, 4, &job, 0, nullptr), 1) << event;
    EXPECT_TRUE(app_.escapes.empty());
    EXPECT_EQ(app_.dialogs, 0);
}

// The switch: the user's key first, the printer data when the key or its value is missing.
TEST_F(DocumentStartTest, DialogSwitchReadsTheUsersKeyThenThePrinterData) {
    EXPECT_EQ(ReadMopyingUiOpen(printer_), 0u);
    PutDword(u"MOPYING_UIOpen", 1);
    EXPECT_EQ(ReadMopyingUiOpen(printer_), 1u);
    ASSERT_TRUE(WriteMopyingUiOpen(printer_, 0));
    EXPECT_EQ(ReadMopyingUiOpen(printer_), 0u) << "the user's own choice wins";
    ASSERT_TRUE(WriteMopyingUiOpen(printer_, 0x80000000));
    EXPECT_EQ(ReadMopyingUiOpen(printer_), 0x80000000u);
}

class AccountPopupTest : public DocumentStartTest {
protected:
    void PrinterAccount(DWORD jbaType, DWORD beforeSet = 0) {
        PutDword(u"DAT_Account_Mode", 0);
        PutDword(u"DAT_Jba_Type", jbaType);
        PutDword(u"DAT_Dsp_Beforeset", beforeSet);
    }
    static std::u16string IdOf(const DriverDevmode& record) { return GetText(record, dm::PopUserId); }
    static std::u16string IdOf(const std::vector<BYTE>& record) {
        return GetText(std::span<const BYTE>(record), dm::PopUserId);
    }
    const std::u16string popupKey_ = u"Software\\QEV\\JBAPOP\\Halvoric";
};

TEST_F(AccountPopupTest, TypeZeroAsksForTheAccountBeforeTheJob) {
    struct Case {
        std::optional<DWORD> printerMode;  // "DAT_Account_Mode" in printer data
        std::optional<DWORD> printerType;  // "DAT_Jba_Type" in printer data
        std::optional<DWORD> userType;     // ... in the user's account key
        bool popup;
    } const cases[] = {
        {0, 0, std::nullopt, true},
        {0, 0x200000, std::nullopt, false},
        {0, std::nullopt, 0, false},  // printer data mode: the user's key is not asked
        {std::nullopt, std::nullopt, 0, true},
        {std::nullopt, 0, std::nullopt, false},  // per-user mode without the user's value
        {0x100000, std::nullopt, 0x200000, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index++);
        for (const char16_t* name : {u"DAT_Account_Mode", u"DAT_Jba_Type"})
            DeletePrinterDataW(printer_, const_cast<LPWSTR>(name));
        RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\QEV\\STAMP\\Halvoric");
        if (c.printerMode) PutDword(u"DAT_Account_Mode", *c.printerMode);
        if (c.printerType) PutDword(u"DAT_Jba_Type", *c.printerType);
        if (c.userType) PutUserDword(u"Software\\QEV\\STAMP\\Halvoric", u"DAT_Jba_Type", *c.userType);
        app_ = FakeApplication{};
        EXPECT_EQ(StartDocPost(), 1);
        EXPECT_EQ(app_.popups, c.popup ? 1 : 0);
        EXPECT_EQ(app_.Codes(), c.popup ? kAccountEscapes : kOwnerEscapes);
        std::vector<size_t> sizes;
        for (const EscapeCall& e : app_.escapes) sizes.push_back(e.input.size());
        const std::vector<size_t> account{kDriverDevmodeSize, sizeof(JobOwnerRecord), 4};
        const std::vector<size_t> owner{sizeof(JobOwnerRecord), 4};
        EXPECT_EQ(sizes, c.popup ? account : owner);
    }
}

TEST_F(AccountPopupTest, CancelledPopupFailsTheJobStartButTheEventGoesOn) {
    PrinterAccount(0);
    app_.popupAnswer = 0;
    EXPECT_EQ(StartDocPost(), -1);
    EXPECT_EQ(app_.popups, 1);
    EXPECT_EQ(app_.Codes(), kOwnerEscapes);
}

// With "DAT_Dsp_Beforeset" the last entry is shown again (user's memory, else printer data) and
// the confirmed one is remembered for the user.
TEST_F(AccountPopupTest, LastEntryIsShownAndTheConfirmedOneRemembered) {
    PrinterAccount(0, kFlags2DisplayBeforeSet);
    PutRaw(u"DAT_Pop_UserID", REG_BINARY, Utf16(u"from-printer", 66));
    std::u16string shown;
    app_.onPopup = [&shown](UiContext* context) {
        shown = IdOf(context->currentDevmode);
        SetText(context->appliedDevmode, dm::PopUserId, u"typed-7");
        SetText(context->appliedDevmode, dm::PopPassword, u"secret");
    };
    EXPECT_EQ(StartDocPost(), 1);
    EXPECT_EQ(shown, u"from-printer");
    ASSERT_EQ(app_.Codes(), kAccountEscapes);
    EXPECT_EQ(IdOf(app_.escapes[0].input), u"typed-7");
    EXPECT_EQ(UserBinary(popupKey_, u"DAT_Pop_UserID"), Utf16(u"typed-7", 66));
    EXPECT_EQ(UserBinary(popupKey_, u"DAT_Pop_Password"), Utf16(u"secret", 26));

    // The next job shows the user's remembered entry over the printer's.
    app_ = FakeApplication{};
    app_.onPopup = [&shown](UiContext* context) { shown = IdOf(context->currentDevmode); };
    EXPECT_EQ(StartDocPost(), 1);
    EXPECT_EQ(shown, u"typed-7");
}

TEST_F(AccountPopupTest, WithoutBeforesetNothingIsShownOrRemembered) {
    PrinterAccount(0, 0);
    PutUserBinary(popupKey_, u"DAT_Pop_UserID", Utf16(u"old", 66));
    std::u16string shown = u"untouched";
    app_.onPopup = [&shown](UiContext* context) {
        shown = IdOf(context->currentDevmode);
        SetText(context->appliedDevmode, dm::PopUserId, u"typed-8");
    };
    EXPECT_EQ(StartDocPost(), 1);
    EXPECT_NE(shown, u"old");
    EXPECT_EQ(UserBinary(popupKey_, u"DAT_Pop_UserID"), Utf16(u"old", 66));
    ASSERT_FALSE(app_.escapes.empty());
    EXPECT_EQ(IdOf(app_.escapes[0].input), u"typed-8");
}

TEST_F(DocumentStartTest, DialogIsCentredInTheWorkArea) {
    struct WindowFree {
        void operator()(HWND w) const { DestroyWindow(w); }
    };
    std::unique_ptr<std::remove_pointer_t<HWND>, WindowFree> window(
        CreateWindowExW(0, u"Static", u"", WS_POPUP, 5, 5, 200, 100, nullptr, nullptr, nullptr, nullptr));
    ASSERT_NE(window, nullptr);
    struct Case {
        std::optional<RECT> work;
        LONG left, top;
    } const cases[] = {
        {RECT{0, 0, 1024, 740}, 412, 320},
        {RECT{100, 50, 1124, 791}, 512, 370},  // odd height: halves round down
        {std::nullopt, (GetSystemMetrics(SM_CXSCREEN) >> 1) - 100, (GetSystemMetrics(SM_CYSCREEN) >> 1) - 50},
    };
    for (const Case& c : cases) {
        app_.workArea = c.work;
        CenterDialogOnWorkArea(window.get(), kFakeSystem);
        RECT at{};
        ASSERT_TRUE(GetWindowRect(window.get(), &at));
        EXPECT_EQ(at.left, c.left);
        EXPECT_EQ(at.top, c.top);
        EXPECT_EQ(at.right - at.left, 200) << "the size stays";
    }
}

}  // namespace document_start_test

namespace document_start_test {

typedef INT(APIENTRY* DocumentEventFn)(HANDLE, HDC, INT, ULONG, PVOID, ULONG, PVOID);

// Both interface DLLs export the event; the answers that need nothing of the application.
TEST_F(DocumentStartTest, BothBuildsAnswerTheEventExport) {
    for (const char* file : {"Talvex.dll", "Morvin.dll"}) {
        SCOPED_TRACE(file);
        const std::u16string path = driverDir_ + u"\\" + Widen(file);
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/" + file).c_str(), path.c_str()));
        LibraryPtr dll(LoadLibraryW(path.c_str()));
        ASSERT_NE(dll, nullptr);
        auto event = ProcEntry<DocumentEventFn>(dll.get(), "DrvDocumentEvent");
        ASSERT_NE(event, nullptr);
        DWORD job = jobId_;
        EXPECT_EQ(event(printer_, kAppDc, 5, 0, nullptr, 0, nullptr), 1) << "STARTDOCPRE";
        EXPECT_EQ(event(printer_, kAppDc, kDocumentEventStartDocPost, 4, nullptr, 0, nullptr), -1);
        EXPECT_EQ(event(nullptr, kAppDc, kDocumentEventStartDocPost, 4, &job, 0, nullptr), -1);
        EXPECT_EQ(event(printer_, nullptr, kDocumentEventEndPage, 0, nullptr, 0, nullptr), 1);
    }
}

}  // namespace document_start_test
