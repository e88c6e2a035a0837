// The account pop-up at the start of a job: user ID and password, each counted in bytes of the
// system code page and kept in the scratch record as it is typed. The last entry is shown when
// the printer keeps it ("DAT_Dsp_Beforeset"); OK needs a user ID and refuses a password of 1 to
// 3 bytes.
#include "ui/pages/account_popup.h"

#include <memory>
#include <string>

#include "core/build_variant.h"
#include "resources/lang/account_popup_ids.h"
#include "ui/entry/document_event_system.h"
#include "ui/pages/account_text.h"
#include "ui/pages/context_help.h"
#include "ui/pages/device_page_steps.h"
#include "ui/pages/device_pages.h"
#include "ui/pages/page_creation.h"
#include "ui/pages/paper_rules.h"
#include "win/user_controls.h"

namespace orla {

namespace {

namespace ids = orla_res::account_popup;

constexpr DWORD kHelpTopicAccountPopup = 32787;
constexpr int kEditChars = 128;

DriverDevmode& Scratch(PageContext* page) {
    return page->uiContext->scratchDevmode;
}

bool HasFlag(const DriverDevmode& r, DWORD bit) {
    return (Get(r, dm::Flags2) & bit) != 0;
}

std::u16string ControlText(HWND dialog, int id) {
    WCHAR text[kEditChars] = {};
    const int n = GetDlgItemTextW(dialog, id, text, kEditChars);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// Setting a field's text from here: the change it reports is not the user's.
struct BusyScope {
    explicit BusyScope(PageContext* p) : page(p), was(p->flags & kPageAccountBusy) { page->flags |= kPageAccountBusy; }
    ~BusyScope() { page->flags = (page->flags & ~kPageAccountBusy) | was; }
    PageContext* page;
    DWORD was;
};

void PutBack(PageContext* page, HWND dialog, int id, const std::u16string& kept) {
    BusyScope busy(page);
    SetDlgItemTextW(dialog, id, kept.c_str());
    const auto end = static_cast<LPARAM>(kept.size());
    SendDlgItemMessageW(dialog, id, EM_SETSEL, static_cast<WPARAM>(end), end);
}

void UpdateOk(HWND dialog) {
    EnableDialogControl(dialog, ids::kOk, !ControlText(dialog, ids::kUserId).empty());
}

void OnInit(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    ui->scratchDevmode = ui->currentDevmode;
    DriverDevmode& r = Scratch(page);
    BusyScope busy(page);
    SendDlgItemMessageW(dialog, ids::kUserId, EM_LIMITTEXT, kUserIdBytes, 0);
    SendDlgItemMessageW(dialog, ids::kPassword, EM_LIMITTEXT, kPasswordBytes, 0);
    if (HasFlag(r, kFlags2DisplayBeforeSet)) {
        SetDlgItemTextW(dialog, ids::kUserId, GetText(r, dm::PopUserId).c_str());
        SetDlgItemTextW(dialog, ids::kPassword, GetText(r, dm::PopPassword).c_str());
    } else {
        // Nothing the user did not see goes with the job.
        SetText(r, dm::PopUserId, u"");
        SetText(r, dm::PopPassword, u"");
    }
    UpdateOk(dialog);
}

void OnUserIdChanged(PageContext* page, HWND dialog) {
    DriverDevmode& r = Scratch(page);
    const std::u16string text = ControlText(dialog, ids::kUserId);
    const std::u16string kept = GetText(r, dm::PopUserId);
    if (AnsiBytes(text) > kUserIdBytes) {
        MessageBeep(MB_ICONWARNING);
        PutBack(page, dialog, ids::kUserId, kept);
    } else if (SurvivesCodePage(text)) {
        SetText(r, dm::PopUserId, text);
    } else {
        PutBack(page, dialog, ids::kUserId, kept);
    }
    UpdateOk(dialog);
}

void OnPasswordChanged(PageContext* page, HWND dialog) {
    DriverDevmode& r = Scratch(page);
    const std::u16string text = ControlText(dialog, ids::kPassword);
    if (AnsiBytes(text) > kPasswordBytes) {
        MessageBeep(MB_ICONWARNING);
        PutBack(page, dialog, ids::kPassword, GetText(r, dm::PopPassword));
    } else {
        SetText(r, dm::PopPassword, ThroughCodePage(text));
    }
}

void OnOk(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    // Enter reaches here only through an enabled OK; a user ID is needed all the same.
    if (ControlText(dialog, ids::kUserId).empty()) return;
    const int bytes = AnsiBytes(ControlText(dialog, ids::kPassword));
    if (bytes >= 1 && bytes <= kShortPasswordBytes) {
        BusyScope busy(page);
        MessageBeep(MB_ICONWARNING);
        ShowResourceMessageBox(dialog, ids::kWarnShortPassword, kJapaneseBuild ? u"警告" : u"Warning", 0,
                               MB_OK | MB_ICONWARNING, ui->hResDll);
        SetDlgItemTextW(dialog, ids::kPassword, u"");
        SetText(Scratch(page), dm::PopPassword, u"");
        SetFocus(GetDlgItem(dialog, ids::kPassword));
        return;
    }
    ui->currentDevmode = ui->scratchDevmode;
    ui->appliedDevmode = ui->currentDevmode;
    EndDialog(dialog, 1);
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
    if (page->flags & kPageAccountBusy) return;
    switch (id) {
        case ids::kUserId:
            if (code == EN_CHANGE) OnUserIdChanged(page, dialog);
            return;
        case ids::kPassword:
            if (code == EN_CHANGE) OnPasswordChanged(page, dialog);
            return;
        case ids::kOk:
            OnOk(page, dialog);
            return;
        case IDCANCEL:
        case ids::kCancel:
            EndDialog(dialog, 0);
            return;
        case ids::kHelp:
            ShowHtmlHelpAsync(GetDesktopWindow(), page->uiContext->helpFile, kHelpContextCommand,
                              kHelpTopicAccountPopup);
            return;
    }
}

}  // namespace

INT_PTR ShowAccountPopup(UiContext* context) {
    if (!context) return 0;
    std::unique_ptr<PageContext> page(new (std::nothrow) PageContext{});
    if (!page) return 0;
    page->uiContext = context;
    INT_PTR result = 0;
    {
        VisualStyleActivation styles;
        const unsigned dialog =
            HasFlag(context->currentDevmode, kFlags2UserIdAsterisk) ? ids::kTemplateHiddenUserId : ids::kTemplate;
        result = DialogBoxParamW(context->hResDll, MAKEINTRESOURCEW(dialog), GetActiveWindow(), AccountPopupDlgProc,
                                 reinterpret_cast<LPARAM>(page.get()));
    }
    // A pop-up that could not be shown took no account: the job cannot go on as if it had.
    if (result != 1) result = 0;
    if (result == 0) ShowJobCancelledNotice();
    return result;
}

INT_PTR CALLBACK AccountPopupDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (PageContext* page = KeepDialogPageContext(hDlg, lParam)) OnInit(page, hDlg);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;
    if (message != WM_COMMAND) return FALSE;
    OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
    return TRUE;
}

}  // namespace orla
