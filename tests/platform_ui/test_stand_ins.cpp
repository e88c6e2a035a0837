// The stand-ins of outside components the interface DLL calls: the common property sheet UI
// (the order of its callback's reasons, pages, results and refusals) and the HTML Help control
// (registration, the entry at ordinal 15, the call log and a scripted hang).
#include <string>
#include <thread>

#include "outside/compstui/compstui_script.h"
#include "outside/htmlhelp/html_help_script.h"
#include "plat/control.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "win/compstui.h"
#include "win/registry.h"

namespace {

using namespace uitest;

template <typename Fn>
Fn Entry(HMODULE module, const char* name) {
    auto entry = reinterpret_cast<Fn>(GetProcAddress(module, name));
    EXPECT_NE(entry, nullptr) << name;
    return entry;
}

std::u16string ReadLog(DWORD (*read)(LPWSTR, DWORD)) {
    DWORD needed = read(nullptr, 0);
    std::u16string text(needed, u'\0');
    text.resize(read(text.data(), needed));
    return text;
}

// A driver's side of the sheet: pages added at INIT, results kept at SET_RESULT, everything
// written to one log shared with the stand-in's own.
struct Driver {
    std::vector<std::string> log;
    int pages = 3;
    HANDLE hComPropSheet = nullptr;
    PFNCOMPROPSHEET pfnComPropSheet = nullptr;
};
Driver* g_driver = nullptr;

INT_PTR CALLBACK DriverPage(HWND h, UINT m, WPARAM, LPARAM l) {
    if (m != WM_NOTIFY) return m == WM_INITDIALOG;
    auto* notice = reinterpret_cast<PSHNOTIFY*>(l);
    if (notice->hdr.code == PSN_APPLY) {
        g_driver->pfnComPropSheet(g_driver->hComPropSheet, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
    }
    SetWindowLongPtrW(h, DWLP_MSGRESULT, 0);
    return TRUE;
}

UINT CALLBACK DriverPageRelease(HWND, UINT reason, PROPSHEETPAGEW* page) {
    if (reason == PSPCB_RELEASE) g_driver->log.push_back("release page " + std::to_string(page->lParam));
    return 1;
}

LONG CALLBACK DriverSheet(PPROPSHEETUI_INFO info, LPARAM lParam) {
    Driver& d = *g_driver;
    switch (info->Reason) {
        case PROPSHEETUI_REASON_INIT: {
            d.hComPropSheet = info->hComPropSheet;
            d.pfnComPropSheet = info->pfnComPropSheet;
            for (int i = 1; i <= d.pages; ++i) {
                PROPSHEETPAGEW p{};
                p.dwSize = PROPSHEETPAGEW_V3_SIZE;
                p.dwFlags = PSP_USECALLBACK | PSP_HASHELP;
                p.hInstance = DialogModule();
                p.pszTemplate = MAKEINTRESOURCEW(i == 1 ? kPageFirst : kPageSecond);
                p.pfnDlgProc = DriverPage;
                p.lParam = i;
                p.pfnCallback = DriverPageRelease;
                HPROPSHEETPAGE page = CreatePropertySheetPageW(&p);
                if (info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_HPROPSHEETPAGE,
                                          reinterpret_cast<LPARAM>(page), 0) == 0) {
                    DestroyPropertySheetPage(page);  // refused: still the driver's
                    return -1;
                }
            }
            info->UserData = 0x19710104;
            info->Result = CPSUI_CANCEL;
            return 1;
        }
        case PROPSHEETUI_REASON_GET_INFO_HEADER: {
            auto* header = reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(lParam);
            header->Flags = PSUIHDRF_PROPTITLE;
            header->pTitle = u"QEV Halvoric 4400K";
            header->IconID = IDI_CPSUI_PRINTER;
            return 1;
        }
        case PROPSHEETUI_REASON_SET_RESULT:
            info->Result = reinterpret_cast<PSETRESULT_INFO>(lParam)->Result;
            d.log.push_back("driver result " + std::to_string(info->Result));
            return 1;
        case PROPSHEETUI_REASON_DESTROY:
            d.log.push_back("driver destroy");
            return 1;
    }
    return -1;
}

struct Compstui {
    ModuleHolder module{u"compstui.dll"};
    decltype(&CommonPropertySheetUIW) run =
        Entry<decltype(&CommonPropertySheetUIW)>(module.h, "CommonPropertySheetUIW");
    PFN_CompstuiRefusePage refuse = Entry<PFN_CompstuiRefusePage>(module.h, "CompstuiRefusePage");
    PFN_CompstuiCallLog log = Entry<PFN_CompstuiCallLog>(module.h, "CompstuiCallLog");
    PFN_CompstuiReset reset = Entry<PFN_CompstuiReset>(module.h, "CompstuiReset");
    Compstui() { reset(); }
    ~Compstui() { reset(); }
};

// The user's language for one test: the system's code page, which the user's language follows.
struct UserLanguage {
    explicit UserLanguage(UINT codePage) { PlatSetAnsiCodePage(codePage); }
    ~UserLanguage() { PlatSetAnsiCodePage(932); }
};

TEST(CompstuiStandIn, OkRunsTheReasonsInOrderAndHandsBackTheResult) {
    UserLanguage english(1252);
    Compstui ui;
    ASSERT_NE(ui.run, nullptr);
    Driver driver;
    g_driver = &driver;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        WCHAR caption[64];
        GetWindowTextW(sheet, caption, 64);
        EXPECT_EQ(std::u16string(caption), u"QEV Halvoric 4400K Properties");
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    ScriptScope scope(script);
    DWORD result = 77;
    EXPECT_EQ(ui.run(nullptr, DriverSheet, 0, &result), CPSUI_OK);
    EXPECT_EQ(result, static_cast<DWORD>(CPSUI_OK));
    // A reason's line is written when the callback returns: the pages are added inside INIT.
    EXPECT_EQ(ReadLog(ui.log),
              u"ADD_HPROPSHEETPAGE 1\nADD_HPROPSHEETPAGE 2\nADD_HPROPSHEETPAGE 3\nINIT -> 1\n"
              u"GET_INFO_HEADER -> 1\nSET_RESULT -> 1\nSHEET -> 1\nDESTROY -> 1\n");
    // Only the page that was shown applied; every page was released before DESTROY.
    EXPECT_EQ(driver.log, (std::vector<std::string>{"driver result 1", "release page 1", "release page 2",
                                                    "release page 3", "driver destroy"}));
}

// A Japanese user's sheet title carries the Japanese suffix, as the system's sheet writes it.
TEST(CompstuiStandIn, TheTitleSuffixSpeaksTheUsersLanguage) {
    UserLanguage japanese(932);
    Compstui ui;
    Driver driver;
    g_driver = &driver;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        WCHAR caption[64];
        GetWindowTextW(sheet, caption, 64);
        EXPECT_EQ(std::u16string(caption), u"QEV Halvoric 4400Kのプロパティ");
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    ScriptScope scope(script);
    DWORD result = 77;
    EXPECT_EQ(ui.run(nullptr, DriverSheet, 0, &result), CPSUI_OK);
    EXPECT_EQ(result, static_cast<DWORD>(CPSUI_CANCEL));
    EXPECT_FALSE(script.ranOut);
}

TEST(CompstuiStandIn, CancelLeavesTheCancelResult) {
    Compstui ui;
    Driver driver;
    g_driver = &driver;
    Script script;
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    ScriptScope scope(script);
    DWORD result = 77;
    EXPECT_EQ(ui.run(nullptr, DriverSheet, 0, &result), CPSUI_OK);
    EXPECT_EQ(result, static_cast<DWORD>(CPSUI_CANCEL));
    EXPECT_EQ(driver.log.back(), "driver destroy");
    EXPECT_EQ(ReadLog(ui.log).find(u"SET_RESULT"), std::u16string::npos);
}

TEST(CompstuiStandIn, ARefusedPageFailsInitAndReleasesTheAddedPages) {
    Compstui ui;
    ui.refuse(3);
    Driver driver;
    g_driver = &driver;
    DWORD result = 77;
    EXPECT_EQ(ui.run(nullptr, DriverSheet, 0, &result), ERR_CPSUI_GETLASTERROR);
    EXPECT_EQ(result, 77u);  // untouched
    EXPECT_EQ(ReadLog(ui.log),
              u"ADD_HPROPSHEETPAGE 1\nADD_HPROPSHEETPAGE 2\nADD_HPROPSHEETPAGE 3 refused\nINIT -> -1\n");
    // The refused page went back to the driver, which destroyed it; the sheet released the two it
    // had; no DESTROY follows a failed INIT.
    EXPECT_EQ(driver.log, (std::vector<std::string>{"release page 3", "release page 1", "release page 2"}));
    EXPECT_EQ(ui.run(nullptr, nullptr, 0, &result), ERR_CPSUI_GETLASTERROR);
}

struct HtmlHelp {
    ModuleHolder module{u"hhctrl.ocx"};
    PFN_HtmlHelpCallLog log = Entry<PFN_HtmlHelpCallLog>(module.h, "HtmlHelpCallLog");
    PFN_HtmlHelpHang hang = Entry<PFN_HtmlHelpHang>(module.h, "HtmlHelpHang");
    PFN_HtmlHelpReset reset = Entry<PFN_HtmlHelpReset>(module.h, "HtmlHelpReset");
    HtmlHelp() { reset(); }
    ~HtmlHelp() { reset(); }
};
typedef HWND (*PFN_HtmlHelpW)(HWND, LPCWSTR, UINT, DWORD_PTR);

// The entry at ordinal 15, as the driver asks for it.
PFN_HtmlHelpW ByOrdinal15(HMODULE module) {
    return reinterpret_cast<PFN_HtmlHelpW>(GetProcAddress(module, MAKEINTRESOURCEA(15)));
}

TEST(HtmlHelpStandIn, RegistersItselfAndLogsTopics) {
    HtmlHelp help;
    ASSERT_NE(help.module.h, nullptr);
    auto reg = Entry<LONG (*)(void)>(help.module.h, "DllRegisterServer");
    ASSERT_EQ(reg(), 0);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", 0,
                            KEY_READ, &key),
              0);
    WCHAR path[MAX_PATH];
    DWORD size = sizeof path;
    EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size), 0);
    RegCloseKey(key);
    ModuleHolder again(path);  // the registered path loads the same control
    EXPECT_EQ(again.h, help.module.h);

    PFN_HtmlHelpW htmlHelp = ByOrdinal15(help.module.h);
    ASSERT_NE(htmlHelp, nullptr);
    EXPECT_NE(htmlHelp(nullptr, u"C:\\help\\qev.chm", HH_HELP_CONTEXT, 3001), nullptr);
    EXPECT_EQ(htmlHelp(nullptr, nullptr, HH_HELP_CONTEXT, 5), nullptr);
    EXPECT_EQ(ReadLog(help.log), u"15 C:\\help\\qev.chm 3001 -> window\n15 (none) 5 -> 0\n");
}

TEST(HtmlHelpStandIn, AScriptedHangHoldsTheCallUntilReleased) {
    HtmlHelp help;
    PFN_HtmlHelpW htmlHelp = ByOrdinal15(help.module.h);
    ASSERT_NE(htmlHelp, nullptr);
    help.hang(TRUE);
    std::atomic<bool> returned{false};
    std::thread caller([&] {
        htmlHelp(nullptr, u"C:\\help\\qev.chm", HH_HELP_CONTEXT, 7);
        returned = true;
    });
    Sleep(0);
    EXPECT_FALSE(returned.load());
    EXPECT_EQ(ReadLog(help.log), u"");
    help.reset();  // lets the hung call go
    caller.join();
    EXPECT_TRUE(returned.load());
}

}  // namespace
