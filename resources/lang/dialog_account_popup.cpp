// The account pop-up of the start of a job (dialogs 3550 and 3560): the user ID and password the
// job goes with. Both dialogs have one layout; 3560 hides the user ID as it is typed. Both
// languages side by side so the layouts cannot drift.
#include "plat/dialog_template.h"
#include "resources/lang/account_popup_ids.h"
#include "resources/lang/lang_strings.h"
#include "win/user.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangAccountPopup[];
extern const DWORD kLangAccountPopupCount;

namespace {

using namespace orla_res::account_popup;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kEdit = kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
const char16_t kFont[] = TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg");

// clang-format off
#define ACCOUNT_POPUP_ITEMS(userIdStyle)                                                                              \
    {u"Static", TEXT_OF(u"この印刷にはアカウントが必要です。ユーザーIDとパスワードを入力してください。",                    \
                        u"This printer needs an account for each job. Enter your user ID and password."),             \
     kPrompt, kLabel, 0, 7, 7, 206, 18},                                                                               \
    {u"Static", TEXT_OF(u"ユーザーID(&I):", u"User &ID:"), kUserIdLabel, kLabel, 0, 7, 33, 58, 8},                      \
    {u"Edit", u"", kUserId, kEdit | (userIdStyle), 0, 68, 31, 145, 12},                                                \
    {u"Static", TEXT_OF(u"パスワード(&P):", u"&Password:"), kPasswordLabel, kLabel, 0, 7, 51, 58, 8},                   \
    {u"Edit", u"", kPassword, kEdit | ES_PASSWORD, 0, 68, 49, 145, 12},                                                \
    {u"Button", u"OK", kOk, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 57, 72, 50, 14},                                \
    {u"Button", TEXT_OF(u"キャンセル", u"Cancel"), kCancel, kPush, 0, 110, 72, 50, 14},                                  \
    {u"Button", TEXT_OF(u"ヘルプ(&H)", u"&Help"), kHelp, kPush, 0, 163, 72, 50, 14}
const ORLA_DIALOG_ITEM kShownItems[] = {ACCOUNT_POPUP_ITEMS(0)};
const ORLA_DIALOG_ITEM kHiddenItems[] = {ACCOUNT_POPUP_ITEMS(ES_PASSWORD)};
#undef ACCOUNT_POPUP_ITEMS
// clang-format on

constexpr DWORD kPopupStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr SHORT kWidth = 220, kHeight = 93;
const char16_t kCaption[] = TEXT_OF(u"アカウントの入力", u"Enter Account");

const ORLA_DIALOG_TEMPLATE kShownDialog = {ORLA_DIALOG_SIGNATURE,
                                           kPopupStyle,
                                           0,
                                           0,
                                           0,
                                           kWidth,
                                           kHeight,
                                           kCaption,
                                           kFont,
                                           9,
                                           sizeof kShownItems / sizeof kShownItems[0],
                                           kShownItems};
const ORLA_DIALOG_TEMPLATE kHiddenDialog = {ORLA_DIALOG_SIGNATURE,
                                            kPopupStyle,
                                            0,
                                            0,
                                            0,
                                            kWidth,
                                            kHeight,
                                            kCaption,
                                            kFont,
                                            9,
                                            sizeof kHiddenItems / sizeof kHiddenItems[0],
                                            kHiddenItems};

}  // namespace

const ORLA_RESOURCE kLangAccountPopup[] = {
    {5, nullptr, kTemplate, nullptr, &kShownDialog, sizeof kShownDialog},
    {5, nullptr, kTemplateHiddenUserId, nullptr, &kHiddenDialog, sizeof kHiddenDialog},
};
const DWORD kLangAccountPopupCount = sizeof(kLangAccountPopup) / sizeof(kLangAccountPopup[0]);
