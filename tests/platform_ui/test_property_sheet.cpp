// Property sheets: pages made when first shown, the notifications of changing pages, OK, Apply,
// Cancel and Help, the page callback's calls, and the close order (page windows destroyed, then
// every page released).
#include <string>

#include "plat/control.h"
#include "plat/window_render.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"

namespace {

using namespace uitest;

struct PageContext {
    std::string name;
    std::vector<std::string>* log = nullptr;
    LRESULT killActiveAnswer = 0;
    LRESULT applyAnswer = PSNRET_NOERROR;
    UINT createAnswer = 1;
};

// A page record with data of the caller's own after it, as drivers append theirs.
struct PageWithTail {
    PROPSHEETPAGEW page;
    DWORD tail;
};
constexpr DWORD kTail = 0x5A5A1234;

std::string NoticeName(UINT code) {
    switch (code) {
        case PSN_SETACTIVE:
            return "SETACTIVE";
        case PSN_KILLACTIVE:
            return "KILLACTIVE";
        case PSN_APPLY:
            return "APPLY";
        case PSN_RESET:
            return "RESET";
        case PSN_HELP:
            return "HELP";
        case PSN_QUERYCANCEL:
            return "QUERYCANCEL";
    }
    return "?";
}

INT_PTR CALLBACK PageProc(HWND h, UINT m, WPARAM, LPARAM l) {
    if (m == WM_INITDIALOG) {
        auto* page = reinterpret_cast<PROPSHEETPAGEW*>(l);
        SetWindowLongPtrW(h, DWLP_USER, page->lParam);
        auto* ctx = reinterpret_cast<PageContext*>(page->lParam);
        std::string tail =
            page->dwSize >= sizeof(PageWithTail) && reinterpret_cast<PageWithTail*>(page)->tail == kTail ? " tail" : "";
        ctx->log->push_back(ctx->name + ":INIT" + tail);
        return TRUE;
    }
    auto* ctx = reinterpret_cast<PageContext*>(GetWindowLongPtrW(h, DWLP_USER));
    if (ctx == nullptr) return FALSE;
    if (m == WM_DESTROY) ctx->log->push_back(ctx->name + ":DESTROY");
    if (m != WM_NOTIFY) return FALSE;
    auto* notice = reinterpret_cast<PSHNOTIFY*>(l);
    std::string entry = ctx->name + ":" + NoticeName(notice->hdr.code);
    if (notice->hdr.code == PSN_APPLY) entry += notice->lParam ? "(close)" : "(apply)";
    ctx->log->push_back(entry);
    LRESULT answer = 0;
    if (notice->hdr.code == PSN_KILLACTIVE) answer = ctx->killActiveAnswer;
    if (notice->hdr.code == PSN_APPLY) answer = ctx->applyAnswer;
    SetWindowLongPtrW(h, DWLP_MSGRESULT, answer);
    return TRUE;
}

UINT CALLBACK PageCallback(HWND, UINT reason, PROPSHEETPAGEW* page) {
    auto* ctx = reinterpret_cast<PageContext*>(page->lParam);
    const char* kReasons[] = {"ADDREF", "RELEASE", "CREATE"};
    ctx->log->push_back(ctx->name + ":" + kReasons[reason]);
    return reason == PSPCB_CREATE ? ctx->createAnswer : 1;
}

PROPSHEETPAGEW Describe(PageContext& ctx, int templateId, DWORD size, UINT* refs, DWORD extraFlags = 0) {
    PROPSHEETPAGEW p{};
    p.dwSize = size;
    p.dwFlags = PSP_USECALLBACK | PSP_USEREFPARENT | extraFlags;
    p.hInstance = DialogModule();
    p.pszTemplate = MAKEINTRESOURCEW(templateId);
    p.pfnDlgProc = PageProc;
    p.lParam = reinterpret_cast<LPARAM>(&ctx);
    p.pfnCallback = PageCallback;
    p.pcRefParent = refs;
    return p;
}

// Two or three pages: the first given as a short record with a tail of the caller's, the
// others as full records.
struct SheetRun {
    std::vector<std::string> log;
    PageContext a{"A", &log}, b{"B", &log}, c{"C", &log};
    UINT refs = 0;
    std::vector<HPROPSHEETPAGE> pages;
    HWND sheet = nullptr;

    explicit SheetRun(int count, DWORD firstFlags = 0) {
        PageWithTail first{Describe(a, kPageFirst, sizeof(PageWithTail), &refs, firstFlags), kTail};
        pages.push_back(CreatePropertySheetPageW(&first.page));
        PROPSHEETPAGEW second = Describe(b, kPageSecond, sizeof(PROPSHEETPAGEW), &refs);
        pages.push_back(CreatePropertySheetPageW(&second));
        if (count > 2) {
            PROPSHEETPAGEW third = Describe(c, kPageSecond, PROPSHEETPAGEW_V1_SIZE, &refs);
            pages.push_back(CreatePropertySheetPageW(&third));
        }
    }
    INT_PTR Run(Script& script) {
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_DEFAULT;
        header.pszCaption = u"Printing Preferences";
        header.nPages = static_cast<UINT>(pages.size());
        header.phpage = pages.data();
        ScriptScope scope(script);
        return PropertySheetW(&header);
    }
};

HWND SheetOfPage(HWND page) {
    return GetParent(page);
}

TEST(PropertySheet, OkAppliesEveryMadePageThenClosesInOrder) {
    SheetRun run(3);
    EXPECT_EQ(run.refs, 3u);
    Script script;
    script.steps.push_back([&](HWND sheet) {
        run.log.push_back("--");
        EXPECT_EQ(SendMessageW(sheet, PSM_SETCURSEL, 1, 0), TRUE);
    });
    script.steps.push_back([&](HWND sheet) {
        // Every button lies inside the sheet, the pages below the caption.
        RECT client, button;
        GetClientRect(sheet, &client);
        for (int id : {IDOK, IDCANCEL, IDAPPLY, IDHELP}) {
            GetWindowRect(GetDlgItem(sheet, id), &button);
            POINT corner{button.left, button.top};
            ScreenToClient(sheet, &corner);
            EXPECT_GE(corner.x, 0) << id;
            EXPECT_LE(corner.x + (button.right - button.left), client.right) << id;
        }
        HWND apply = GetDlgItem(sheet, IDAPPLY);
        EXPECT_FALSE(IsWindowEnabled(apply));
        SendMessageW(sheet, PSM_CHANGED, static_cast<WPARAM>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), 0);
        EXPECT_TRUE(IsWindowEnabled(apply));
        run.log.push_back("--");
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    EXPECT_EQ(run.Run(script), 1);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(run.log,
              (std::vector<std::string>{
                  "A:ADDREF",  "B:ADDREF",     "C:ADDREF",     // pages described
                  "A:CREATE",  "A:INIT tail",  "A:SETACTIVE",  // the first page shown
                  "--",        "A:KILLACTIVE", "B:CREATE",       "B:INIT",         "B:SETACTIVE",  // the second page
                  "--",        "B:KILLACTIVE", "A:APPLY(close)", "B:APPLY(close)",  // OK; C was never made
                  "A:DESTROY", "B:DESTROY",                                         // page windows go first
                  "A:RELEASE", "B:RELEASE",    "C:RELEASE"}));                      // then every page
    EXPECT_EQ(run.refs, 0u);
}

// The frame's buttons speak the user's language, as the system's sheet does: a Japanese user's
// sheet reads "キャンセル" and "適用(&A)", an English user's "Cancel" and "&Apply".
TEST(PropertySheet, ButtonsSpeakTheUsersLanguage) {
    struct Case {
        UINT codePage;
        const char16_t* cancel;
        const char16_t* apply;
        const char16_t* help;
    };
    for (const Case& c :
         {Case{932, u"キャンセル", u"適用(&A)", u"ヘルプ"}, Case{1252, u"Cancel", u"&Apply", u"Help"}}) {
        PlatSetAnsiCodePage(c.codePage);
        SheetRun run(2);
        Script script;
        script.steps.push_back([&](HWND sheet) {
            WCHAR text[32] = {};
            GetDlgItemTextW(sheet, IDOK, text, 32);
            EXPECT_EQ(std::u16string(text), u"OK");
            GetDlgItemTextW(sheet, IDCANCEL, text, 32);
            EXPECT_EQ(std::u16string(text), c.cancel);
            GetDlgItemTextW(sheet, IDAPPLY, text, 32);
            EXPECT_EQ(std::u16string(text), c.apply);
            GetDlgItemTextW(sheet, IDHELP, text, 32);
            EXPECT_EQ(std::u16string(text), c.help);
            EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
        });
        run.Run(script);
        EXPECT_FALSE(script.ranOut);
    }
    PlatSetAnsiCodePage(932);
}

TEST(PropertySheet, CancelResetsAndStillReleasesEveryPage) {
    SheetRun run(3);
    Script script;
    script.steps.push_back([&](HWND sheet) {
        run.log.clear();
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.log, (std::vector<std::string>{"A:QUERYCANCEL", "A:RESET", "A:DESTROY", "A:RELEASE", "B:RELEASE",
                                                 "C:RELEASE"}));
}

TEST(PropertySheet, PagesRefuseToBeLeftOrApplied) {
    SheetRun run(2);
    run.a.killActiveAnswer = TRUE;
    run.b.applyAnswer = PSNRET_INVALID;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        EXPECT_EQ(SendMessageW(sheet, PSM_SETCURSEL, 1, 0), FALSE);  // A will not be left
        run.a.killActiveAnswer = FALSE;
        EXPECT_EQ(SendMessageW(sheet, PSM_SETCURSEL, 1, 0), TRUE);
        EXPECT_EQ(SendMessageW(sheet, PSM_SETCURSEL, 0, 0), TRUE);
        run.log.clear();
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));  // B refuses: the sheet stays, showing B
    });
    script.steps.push_back([&](HWND sheet) {
        EXPECT_TRUE(IsWindow(sheet));
        HWND current = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        EXPECT_EQ(current, reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, 1, 0)));
        EXPECT_EQ(SheetOfPage(current), sheet);
        run.b.applyAnswer = PSNRET_NOERROR;
        EXPECT_TRUE(PlatPressButton(sheet, IDAPPLY) == FALSE);  // Apply is disabled until a change
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    EXPECT_EQ(run.Run(script), 1);
    // B's page was made on the first visit; showing it again makes no second window.
    EXPECT_EQ(std::vector<std::string>(run.log.begin(), run.log.begin() + 8),
              (std::vector<std::string>{"A:KILLACTIVE", "A:APPLY(close)", "B:APPLY(close)", "A:KILLACTIVE",
                                        "B:SETACTIVE", "B:KILLACTIVE", "A:APPLY(close)", "B:APPLY(close)"}));
}

TEST(PropertySheet, ClickingATabAsksTheCurrentPageFirst) {
    SheetRun run(2);
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND tabs = GetDlgItem(sheet, 0x3020);
        ASSERT_NE(tabs, nullptr);
        EXPECT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
        WCHAR label[32];
        TCITEMW item{TCIF_TEXT, 0, 0, label, 32, 0, 0};
        SendMessageW(tabs, TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(std::u16string(label), u"Finishing");  // the page template's caption
        // The picture shows the tab labels in the tab row.
        LONG width = 0, height = 0;
        std::vector<BYTE> rgb(PlatRenderWindow(sheet, nullptr, 0, &width, &height));
        PlatRenderWindow(sheet, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height);
        RECT row;
        GetWindowRect(tabs, &row);
        RECT outer;
        GetWindowRect(sheet, &outer);
        int dark = 0;
        for (LONG y = row.top - outer.top; y < row.top - outer.top + 20; ++y)
            for (LONG x = row.left - outer.left; x < row.right - outer.left; ++x) {
                const BYTE* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
                dark += p[0] + p[1] + p[2] < 3 * 100;
            }
        EXPECT_GT(dark, 30);
        run.a.killActiveAnswer = TRUE;
        run.log.clear();
        EXPECT_TRUE(PlatChoose(tabs, 1));  // clicked, but the page will not be left
        EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);
        run.a.killActiveAnswer = FALSE;
        EXPECT_TRUE(PlatChoose(tabs, 1));
        EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(run.log,
                  (std::vector<std::string>{"A:KILLACTIVE", "A:KILLACTIVE", "B:CREATE", "B:INIT", "B:SETACTIVE"}));
        EXPECT_TRUE(SendMessageW(sheet, PSM_SETCURSEL, 0, 0));
        EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);  // the tab follows the program's choice
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_FALSE(script.ranOut);
}

TEST(PropertySheet, HelpButtonFollowsThePage) {
    SheetRun run(2, PSP_HASHELP);
    Script script;
    script.steps.push_back([&](HWND sheet) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(sheet, IDHELP)));
        run.log.clear();
        EXPECT_TRUE(PlatPressButton(sheet, IDHELP));
        EXPECT_EQ(run.log, (std::vector<std::string>{"A:HELP"}));
        SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, IDHELP)));
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_FALSE(script.ranOut);
}

TEST(PropertySheet, APageThatRefusesCreationIsSkipped) {
    SheetRun run(2);
    run.a.createAnswer = 0;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND current = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        EXPECT_EQ(current, reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, 1, 0)));
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.log.back(), "B:RELEASE");
    EXPECT_EQ(run.refs, 0u);
}

TEST(PropertySheet, RefusedRecordsAndHandles) {
    PageContext ctx{"X"};
    std::vector<std::string> log;
    ctx.log = &log;
    PROPSHEETPAGEW shortRecord = Describe(ctx, kPageFirst, PROPSHEETPAGEW_V1_SIZE - 1, nullptr);
    EXPECT_EQ(CreatePropertySheetPageW(&shortRecord), nullptr);
    EXPECT_EQ(CreatePropertySheetPageW(nullptr), nullptr);
    EXPECT_FALSE(DestroyPropertySheetPage(reinterpret_cast<HPROPSHEETPAGE>(&ctx)));

    // A dead handle among live ones: the sheet fails and still releases the live ones it owns.
    PROPSHEETPAGEW good = Describe(ctx, kPageFirst, sizeof good, nullptr);
    HPROPSHEETPAGE pages[2] = {CreatePropertySheetPageW(&good), reinterpret_cast<HPROPSHEETPAGE>(&ctx)};
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.nPages = 2;
    header.phpage = pages;
    EXPECT_EQ(PropertySheetW(&header), -1);
    EXPECT_EQ(log, (std::vector<std::string>{"X:ADDREF", "X:RELEASE"}));
    header.nPages = 0;
    EXPECT_EQ(PropertySheetW(&header), -1);
    EXPECT_EQ(PropertySheetW(nullptr), -1);
}

}  // namespace
