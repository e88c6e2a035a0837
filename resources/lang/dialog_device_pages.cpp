// The device sheet's pages (dialogs 501 and 503), the account dialog (3520) and their texts, both
// languages side by side so the layouts cannot drift: each control has one position and a Japanese
// and an English text.
#include "plat/dialog_template.h"
#include "resources/lang/device_page_ids.h"
#include "resources/lang/lang_strings.h"
#include "win/user.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangDevicePages[];
extern const DWORD kLangDevicePageCount;

namespace {

using namespace orla_res::device_page;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCombo = kChild | CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kList = kChild | LBS_NOTIFY | LBS_USETABSTOPS | WS_BORDER | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kEdit = kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kCheck = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr SHORT kPageWidth = 265;
constexpr SHORT kPageHeight = 228;
const char16_t kFont[] = TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg");

// clang-format off
// Device settings: the four device items, the account dialog, the two tables and the defaults.
const ORLA_DIALOG_ITEM kSettingsItems[] = {
    {u"Static",   TEXT_OF(u"プリンタフォントの字形(&G):", u"Printer Font &Glyphs:"), kGlyphsLabel, kLabel, 0, 7, 9, 110, 8},
    {u"ComboBox", nullptr,                                                     kGlyphs, kCombo, 0, 120, 7, 138, 80},
    {u"Static",   TEXT_OF(u"互換マージン(&M):", u"Compatible &Margins:"),        kMarginsLabel, kLabel, 0, 7, 27, 110, 8},
    {u"ComboBox", nullptr,                                                     kMargins, kCombo, 0, 120, 25, 138, 80},
    {u"Static",   TEXT_OF(u"ヘッダーの制限(&L):", u"Header &Limit:"),            kHeaderLimitLabel, kLabel, 0, 7, 45, 110, 8},
    {u"ComboBox", nullptr,                                                     kHeaderLimit, kCombo, 0, 120, 43, 138, 80},
    {u"Static",   TEXT_OF(u"アカウント設定の保存先(&S):", u"Account &Settings Kept:"), kAccountStoreLabel, kLabel, 0, 7, 63, 110, 8},
    {u"ComboBox", nullptr,                                                     kAccountStore, kCombo, 0, 120, 61, 138, 80},
    {u"Button",   TEXT_OF(u"アカウント設定(&A)...", u"&Account Settings..."),    kAccountSettings, kPush, 0, 120, 79, 138, 14},
    {u"Button",   TEXT_OF(u"テーブル", u"Tables"),                              kTablesGroup, kGroup, 0, 7, 102, 251, 38},
    {u"Button",   TEXT_OF(u"TrueTypeフォント置換(&T)...", u"&TrueType Substitution..."), kTrueTypeTable, kPush, 0, 14, 118, 116, 14},
    {u"Button",   TEXT_OF(u"出力用紙テーブル(&O)...", u"&Output Paper Table..."), kOutPaperTable, kPush, 0, 135, 118, 116, 14},
    {u"Button",   TEXT_OF(u"標準に戻す(&B)", u"Restore Defaults"),              kRestoreDefaults, kPush, 0, 137, 208, 72, 14},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                              kHelp, kPush, 0, 212, 208, 46, 14},
};

// Device options: the printer picture, the installed trays, the options with the selected one's
// value, and reading the configuration from the printer.
const ORLA_DIALOG_ITEM kOptionsItems[] = {
    {u"Button",   nullptr,                                                     kPrinter, kChild | BS_OWNERDRAW, 0, 7, 7, 120, 100},
    {u"Button",   TEXT_OF(u"給紙装置", u"Paper Trays"),                          kTraysGroup, kGroup, 0, 7, 112, 120, 90},
    {u"Static",   TEXT_OF(u"装着されている給紙装置(&T):", u"Installed &Trays:"), kTraysLabel, kLabel, 0, 14, 124, 106, 8},
    {u"ListBox",  nullptr,                                                     kTrays, kList, 0, 14, 135, 106, 60},
    {u"Static",   TEXT_OF(u"装着オプション(&O):", u"Installable &Options:"),     kOptionsLabel, kLabel, 0, 134, 7, 124, 8},
    {u"ListBox",  nullptr,                                                     kOptions, kList, 0, 134, 17, 124, 90},
    {u"Button",   TEXT_OF(u"設定", u"Setting"),                                 kValueGroup, kGroup, 0, 134, 112, 124, 46},
    {u"Static",   u"",                                                         kValueLabel, kLabel, 0, 141, 124, 110, 8},
    {u"ComboBox", nullptr,                                                     kValue, kCombo, 0, 141, 135, 110, 80},
    {u"Button",   TEXT_OF(u"プリンタから取得(&P)", u"Get from &Printer"),        kGetConfiguration, kPush, 0, 134, 164, 124, 14},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                              kHelp, kPush, 0, 212, 208, 46, 14},
};

// Account: whether the account set here goes with the jobs, which user ID, the password, and
// how the print-time pop-up asks otherwise.
const ORLA_DIALOG_ITEM kAccountItems[] = {
    {u"Button",   TEXT_OF(u"ここで設定したアカウントを使う(&U)", u"&Use the account set here"), kAccountOn, kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 7, 7, 226, 10},
    {u"Static",   TEXT_OF(u"ユーザーIDの種類(&K):", u"User ID &Kind:"),         kUserIdKindLabel, kLabel, 0, 19, 24, 70, 8},
    {u"ComboBox", nullptr,                                                     kUserIdKind, kCombo | WS_GROUP, 0, 92, 22, 141, 60},
    {u"Static",   TEXT_OF(u"ユーザーID(&I):", u"User &ID:"),                    kUserIdLabel, kLabel, 0, 19, 40, 70, 8},
    {u"Edit",     u"",                                                         kUserId, kEdit, 0, 92, 38, 141, 12},
    {u"Static",   TEXT_OF(u"パスワード(&P):", u"&Password:"),                   kPasswordLabel, kLabel, 0, 19, 56, 70, 8},
    {u"Edit",     u"",                                                         kPassword, kEdit | ES_PASSWORD, 0, 92, 54, 141, 12},
    {u"Button",   TEXT_OF(u"印刷時にアカウントを入力する(&E)", u"&Enter the account when printing"), kAccountOff, kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 7, 74, 226, 10},
    {u"Button",   TEXT_OF(u"前回入力したユーザーIDを表示する(&L)", u"Show the &last user ID entered"), kShowLastEntry, kCheck | WS_GROUP, 0, 19, 88, 214, 10},
    {u"Button",   TEXT_OF(u"ユーザーIDを伏せ字で入力する(&D)", u"Hi&de the user ID as it is typed"), kHideUserId, kCheck, 0, 19, 102, 214, 10},
    {u"Button",   TEXT_OF(u"標準(&R)", u"Defaults"),                             kAccountDefaults, kPush | WS_GROUP, 0, 7, 124, 50, 14},
    {u"Button",   u"OK",                                                       kAccountOk, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 71, 124, 50, 14},
    {u"Button",   TEXT_OF(u"キャンセル", u"Cancel"),                             kAccountCancel, kPush, 0, 125, 124, 50, 14},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                              kAccountHelp, kPush, 0, 183, 124, 50, 14},
};
// clang-format on

const ORLA_DIALOG_TEMPLATE kSettingsPage = {ORLA_DIALOG_SIGNATURE,
                                            WS_CHILD | DS_CONTROL,
                                            0,
                                            0,
                                            0,
                                            kPageWidth,
                                            kPageHeight,
                                            TEXT_OF(u"デバイスの設定", u"Device Settings"),
                                            kFont,
                                            9,
                                            sizeof kSettingsItems / sizeof kSettingsItems[0],
                                            kSettingsItems};
const ORLA_DIALOG_TEMPLATE kOptionsPage = {ORLA_DIALOG_SIGNATURE,
                                           WS_CHILD | DS_CONTROL,
                                           0,
                                           0,
                                           0,
                                           kPageWidth,
                                           kPageHeight,
                                           TEXT_OF(u"装着オプション", u"Device Options"),
                                           kFont,
                                           9,
                                           sizeof kOptionsItems / sizeof kOptionsItems[0],
                                           kOptionsItems};
const ORLA_DIALOG_TEMPLATE kAccountDialog = {ORLA_DIALOG_SIGNATURE,
                                             WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                             0,
                                             0,
                                             0,
                                             240,
                                             146,
                                             TEXT_OF(u"アカウント設定", u"Account Settings"),
                                             kFont,
                                             9,
                                             sizeof kAccountItems / sizeof kAccountItems[0],
                                             kAccountItems};

}  // namespace

const ORLA_RESOURCE kLangDevicePages[] = {
    {5, nullptr, kTemplateSettings, nullptr, &kSettingsPage, sizeof kSettingsPage},
    {5, nullptr, kTemplateOptions, nullptr, &kOptionsPage, sizeof kOptionsPage},
    {5, nullptr, kTemplateAccount, nullptr, &kAccountDialog, sizeof kAccountDialog},
    LANG_STRING(kTextLogonName, TEXT_OF(u"Windowsのログオン名", u"Windows Logon Name")),
    LANG_STRING(kTextEnteredUserId, TEXT_OF(u"入力したユーザーID", u"User ID Entered Here")),
};
const DWORD kLangDevicePageCount = sizeof(kLangDevicePages) / sizeof(kLangDevicePages[0]);
