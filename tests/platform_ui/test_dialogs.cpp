// Dialogs from templates: the modal loop with its owner disabled and a scripted user, modeless
// dialogs, the dialog longs, keys that press buttons, refused templates and a dialog driven
// from another thread.
#include <atomic>
#include <thread>

#include "tests/platform_ui/dialog_fixture.h"

namespace {

using namespace uitest;

TEST(Dialogs, ModalDialogDisablesItsOwnerAndReturnsTheButton) {
    RegisterRecordingClass();
    WindowHolder owner(CreateWindowExW(0, kRecordingClass, u"app", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300, nullptr,
                                       nullptr, nullptr, nullptr));
    DialogRun run;
    Script script;
    bool ownerDisabled = false;
    script.steps.push_back([&](HWND d) {
        ownerDisabled = !IsWindowEnabled(owner.h);
        EXPECT_FALSE(PlatClick(owner.h));  // the user cannot reach the owner meanwhile
        EXPECT_TRUE(PlatChoose(GetDlgItem(d, kIdCombo), 2));
    });
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, kIdEdit), u"5")); });
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatPressButton(d, IDOK)); });
    ScriptScope scope(script);
    INT_PTR result = DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), owner.h, TestDialogProc,
                                     reinterpret_cast<LPARAM>(&run));
    EXPECT_EQ(result, IDOK);
    EXPECT_FALSE(script.ranOut);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner.h));
    EXPECT_FALSE(IsWindow(run.dialog));
    EXPECT_EQ(run.editAtOk, u"5");  // typing replaces the text the dialog set
}

// EndDialog takes a modal dialog off the screen at once, though the window lasts until its loop
// looks again: whatever runs in between (the rest of the user's turn) sees no dialog open.
TEST(Dialogs, EndedModalDialogIsHiddenBeforeItsLoopDestroysIt) {
    DialogRun run;
    Script script;
    bool shownBefore = false, windowAfter = false, shownAfter = true;
    script.steps.push_back([&](HWND d) {
        shownBefore = IsWindowVisible(d) != FALSE;
        EXPECT_TRUE(PlatPressButton(d, IDOK));
        windowAfter = IsWindow(d) != FALSE;
        shownAfter = IsWindowVisible(d) != FALSE;
    });
    ScriptScope scope(script);
    EXPECT_EQ(DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                              reinterpret_cast<LPARAM>(&run)),
              IDOK);
    EXPECT_FALSE(script.ranOut);
    EXPECT_TRUE(shownBefore);
    EXPECT_TRUE(windowAfter) << "the loop, not EndDialog, destroys the dialog";
    EXPECT_FALSE(shownAfter);
    EXPECT_FALSE(IsWindow(run.dialog));
}

// The scripted user of a thread answers the dialogs of the threads it starts with CreateThread;
// threads it did not start (or started before it had one) keep their own.
DWORD WINAPI RunMainDialogAndRecordThread(LPVOID run) {
    return static_cast<DWORD>(DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                              reinterpret_cast<LPARAM>(run)));
}

TEST(Dialogs, AThreadStartedByAScriptedThreadGetsItsUser) {
    DialogRun run;
    Script script;
    std::atomic<DWORD> answeredOn{0};
    script.steps.push_back([&](HWND d) {
        answeredOn = GetCurrentThreadId();
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    ScriptScope scope(script);
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, RunMainDialogAndRecordThread, &run, 0, &threadId);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    DWORD result = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &result));
    CloseHandle(thread);
    EXPECT_EQ(result, static_cast<DWORD>(IDOK));
    EXPECT_EQ(answeredOn.load(), threadId);
    EXPECT_FALSE(script.ranOut);
}

TEST(Dialogs, KeysAndTheCloseBoxPressButtons) {
    struct Case {
        const char* name;
        std::function<void(HWND)> act;
        INT_PTR result;
    };
    const Case kCases[] = {
        {"Enter presses the default button",
         [](HWND d) { PostMessageW(GetDlgItem(d, kIdCheck), WM_KEYDOWN, VK_RETURN, 0); }, IDOK},
        {"Escape presses Cancel", [](HWND d) { PostMessageW(d, WM_KEYDOWN, VK_ESCAPE, 0); }, IDCANCEL},
        {"the close box is Cancel", [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }, IDCANCEL},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        DialogRun run;
        Script script;
        script.steps.push_back(c.act);
        script.steps.push_back([](HWND) {});  // one idle turn for the posted message to arrive
        ScriptScope scope(script);
        EXPECT_EQ(DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                  reinterpret_cast<LPARAM>(&run)),
                  c.result);
        EXPECT_FALSE(script.ranOut);
    }
}

TEST(Dialogs, RefusedTemplatesFailWithoutLeavingWindows) {
    const int kBroken[] = {kDialogBadSignature, kDialogShortRecord, kDialogUnknownClass, 999};
    for (int id : kBroken) {
        SCOPED_TRACE(id);
        DialogRun run;
        EXPECT_EQ(DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(id), nullptr, TestDialogProc,
                                  reinterpret_cast<LPARAM>(&run)),
                  -1);
        EXPECT_EQ(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(id), nullptr, TestDialogProc,
                                     reinterpret_cast<LPARAM>(&run)),
                  nullptr);
        EXPECT_EQ(FindWindowW(u"#32770", nullptr), nullptr);
    }
}

TEST(Dialogs, ModelessDialogKeepsItsLongsAndItems) {
    DialogRun run;
    WindowHolder d(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(&run)));
    ASSERT_NE(d.h, nullptr);
    EXPECT_FALSE(IsWindowVisible(d.h));  // the template does not say WS_VISIBLE
    EXPECT_EQ(GetWindowLongPtrW(d.h, DWLP_USER), reinterpret_cast<LONG_PTR>(&run));
    EXPECT_EQ(SendMessageW(d.h, kAskResult, 0, 0), kAskedResult);  // answered through DWLP_MSGRESULT
    EXPECT_EQ(GetFocus(), GetDlgItem(d.h, kIdCheck));              // the first tab stop
    EXPECT_EQ(IsDlgButtonChecked(d.h, kIdRadioA), static_cast<UINT>(BST_CHECKED));
    CheckRadioButton(d.h, kIdRadioA, kIdRadioC, kIdRadioC);
    EXPECT_EQ(IsDlgButtonChecked(d.h, kIdRadioA), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(d.h, kIdRadioC), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(GetDlgItem(d.h, 4242), nullptr);
    EXPECT_EQ(GetNextDlgTabItem(d.h, GetDlgItem(d.h, kIdCheck), FALSE), GetDlgItem(d.h, kIdRadioC));
    EXPECT_EQ(GetNextDlgGroupItem(d.h, GetDlgItem(d.h, kIdRadioC), FALSE), GetDlgItem(d.h, kIdRadioA));
}

TEST(Dialogs, DialogItemNumbersReadStrictly) {
    DialogRun run;
    WindowHolder d(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(&run)));
    struct Case {
        const char16_t* text;
        BOOL isSigned;
        BOOL ok;
        UINT value;
    };
    const Case kCases[] = {
        {u"42", FALSE, TRUE, 42},
        {u" 7 ", FALSE, TRUE, 7},
        {u"-3", TRUE, TRUE, static_cast<UINT>(-3)},
        {u"-3", FALSE, FALSE, 0},
        {u"12a", FALSE, FALSE, 0},
        {u"", FALSE, FALSE, 0},
        {u"4294967295", FALSE, TRUE, 0xFFFFFFFFu},
        {u"4294967296", FALSE, FALSE, 0},
        {u"2147483648", TRUE, FALSE, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
        SetDlgItemTextW(d.h, kIdEdit, c.text);
        BOOL ok = -1;
        EXPECT_EQ(GetDlgItemInt(d.h, kIdEdit, &ok, c.isSigned), c.value);
        EXPECT_EQ(ok, c.ok);
    }
    SetDlgItemInt(d.h, kIdEdit, static_cast<UINT>(-12), TRUE);
    WCHAR text[16];
    GetDlgItemTextW(d.h, kIdEdit, text, 16);
    EXPECT_EQ(std::u16string(text), u"-12");
}

TEST(Dialogs, AnotherThreadDrivesAModalDialog) {
    DialogRun run;
    INT_PTR result = 0;
    std::thread dialogThread([&] {
        result = DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                 reinterpret_cast<LPARAM>(&run));
    });
    while (run.dialog.load() == nullptr || !IsWindowVisible(run.dialog)) Sleep(0);
    HWND d = run.dialog;
    EXPECT_TRUE(PlatType(GetDlgItem(d, kIdEdit), u"3"));
    EXPECT_TRUE(PlatClick(GetDlgItem(d, kIdCheck)));
    EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    dialogThread.join();
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(run.editAtOk, u"3");
    EXPECT_NE(std::find(run.notices.begin(), run.notices.end(), Notice{kIdCheck, BN_CLICKED}), run.notices.end());
}

TEST(Dialogs, HelpAndContextMenusReachTheDialog) {
    DialogRun run;
    WindowHolder d(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(&run)));
    ShowWindow(d.h, SW_SHOW);
    run.notices.clear();
    EXPECT_TRUE(PlatPressF1(GetDlgItem(d.h, kIdEdit)));      // passed up from the edit
    EXPECT_TRUE(PlatRightClick(GetDlgItem(d.h, kIdCheck)));  // passed up from the button
    ShowWindow(GetDlgItem(d.h, kIdLabel), SW_HIDE);
    EXPECT_TRUE(PlatRightClick(GetDlgItem(d.h, kIdLabel)));  // hidden: the dialog itself is clicked
    EXPECT_EQ(run.notices,
              (std::vector<Notice>{{kIdEdit, kHelpNotice}, {kIdCheck, kContextNotice}, {0, kContextNotice}}));

    // The child under a point, hidden ones included: the driver checks visibility itself.
    RECT label;
    GetWindowRect(GetDlgItem(d.h, kIdLabel), &label);
    POINT at{label.left + 2, label.top + 2};
    ScreenToClient(d.h, &at);
    EXPECT_EQ(RealChildWindowFromPoint(d.h, at), GetDlgItem(d.h, kIdLabel));
    EXPECT_EQ(RealChildWindowFromPoint(d.h, POINT{1, 1}), d.h);
    EXPECT_EQ(RealChildWindowFromPoint(d.h, POINT{-5, 1}), nullptr);
    HWND desktop = nullptr;
    std::thread first([&] { desktop = GetDesktopWindow(); });  // asked first by a thread that ends
    first.join();
    ASSERT_NE(desktop, nullptr);
    EXPECT_EQ(GetDesktopWindow(), desktop);
    EXPECT_EQ(SendMessageW(desktop, WM_GETTEXTLENGTH, 0, 0), 0);  // answered, not left waiting
    RECT screen;
    GetWindowRect(desktop, &screen);
    EXPECT_EQ(screen.right, GetSystemMetrics(SM_CXSCREEN));
}

TEST(Dialogs, TheTreeDumpShowsControlsAndState) {
    DialogRun run;
    WindowHolder d(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(&run)));
    DWORD needed = PlatDumpWindowTree(d.h, nullptr, 0);
    ASSERT_GT(needed, 0u);
    std::u16string dump(needed, u'\0');
    dump.resize(PlatDumpWindowTree(d.h, dump.data(), needed));
    EXPECT_EQ(dump.substr(0, dump.find(u'\n')), u"#32770 \"Test settings\" hidden");
    EXPECT_NE(dump.find(u"\n  Button #202 \"Portrait\" hidden checked\n"), std::u16string::npos);
    EXPECT_NE(dump.find(u"\n  ComboBox #401 \"A4\" hidden sel=0\n"), std::u16string::npos);
    EXPECT_NE(dump.find(u"\n  Button #201 \"Duplex\" hidden focus\n"), std::u16string::npos);
}

}  // namespace
