// The favourites dialogs of the basic page and their details dialog (templates 929, 930 and 2500)
// and the favourites dialogs' messages, both languages side by side so the layouts cannot drift.
#include "plat/dialog_template.h"
#include "resources/lang/favourites_ids.h"
#include "resources/lang/lang_strings.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

extern const ORLA_RESOURCE kLangFavouriteDialogs[];
extern const DWORD kLangFavouriteDialogCount;

namespace {

using namespace orla_res::favourites;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kEdit = kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
// The save dialog's name: a combo with its own edit, so a new name can be typed.
constexpr DWORD kNameCombo = kChild | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_TABSTOP | WS_VSCROLL;
// The manage dialog's favourites: an icon and the name per entry, drawn by the dialog.
constexpr DWORD kIconList =
    kChild | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefault = kChild | BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD kPlaceholder = kChild | WS_BORDER;  // the settings summary tree takes its place
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

#define FONT_OF TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg")

// clang-format off
// Save (929): a name (an existing user favourite to replace, or a new one) and a comment.
const ORLA_DIALOG_ITEM kSaveItems[] = {
    {u"Static",   TEXT_OF(u"現在の設定をお気に入りとして登録します。", u"Saves the current settings as a favourite."),
     0xFFFF, kLabel, 0, 7, 7, 236, 10},
    {u"Static",   TEXT_OF(u"名前(&N):", u"&Name:"),                 0xFFFF, kLabel, 0, 7, 24, 60, 10},
    {u"ComboBox", nullptr,                                           kSaveName, kNameCombo, 0, 70, 22, 152, 80},
    {u"Button",   u"?",                                              kSaveHelpTopic, kPush, 0, 226, 22, 17, 13},
    {u"Static",   TEXT_OF(u"コメント(&C):", u"&Comment:"),          0xFFFF, kLabel, 0, 7, 42, 60, 10},
    {u"Edit",     u"",                                               kSaveComment, kEdit, 0, 70, 40, 173, 13},
    {u"Button",   u"OK",                                             kOk, kDefault, 0, 79, 62, 50, 14},
    {u"Button",   TEXT_OF(u"キャンセル", u"Cancel"),                kCancel, kPush, 0, 136, 62, 50, 14},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                 kHelp, kPush, 0, 193, 62, 50, 14},
};
// Manage (930): the favourites, the chosen one's name and comment, and its settings.
const ORLA_DIALOG_ITEM kManageItems[] = {
    {u"Static",  TEXT_OF(u"お気に入り(&F):", u"&Favourites:"),    0xFFFF, kLabel, 0, 7, 7, 110, 10},
    {u"ListBox", nullptr,                                           kManageList, kIconList, 0, 7, 19, 110, 150},
    {u"Button",  TEXT_OF(u"削除(&D)", u"&Delete"),                 kDelete, kPush, 0, 7, 173, 50, 14},
    {u"Static",  TEXT_OF(u"名前(&N):", u"&Name:"),                 kNameLabel, kLabel, 0, 124, 7, 60, 10},
    {u"Edit",    u"",                                               kName, kEdit, 0, 186, 5, 160, 13},
    {u"Static",  TEXT_OF(u"コメント(&C):", u"&Comment:"),          kCommentLabel, kLabel, 0, 124, 24, 60, 10},
    {u"Edit",    u"",                                               kComment, kEdit, 0, 186, 22, 160, 13},
    {u"Static",  nullptr,                                           kSummaryTree, kPlaceholder, 0, 124, 41, 222, 128},
    {u"Button",  u"OK",                                             kOk, kDefault, 0, 182, 173, 50, 14},
    {u"Button",  TEXT_OF(u"キャンセル", u"Cancel"),                kCancel, kPush, 0, 239, 173, 50, 14},
    {u"Button",  TEXT_OF(u"ヘルプ(&H)", u"&Help"),                 kHelp, kPush, 0, 296, 173, 50, 14},
};
// Details (2500): the settings a new favourite would keep; the caption is the printer's name.
const ORLA_DIALOG_ITEM kDetailsItems[] = {
    {u"Static", nullptr,                                            kDetailsIcon, kChild | SS_ICON, 0, 7, 7, 20, 20},
    {u"Static", TEXT_OF(u"次の設定をお気に入りとして登録します。よろしいですか?",
                        u"These settings are saved as the favourite. Go ahead?"),
     0xFFFF, kLabel, 0, 34, 10, 210, 10},
    {u"Static", nullptr,                                            kSummaryTree, kPlaceholder, 0, 7, 30, 237, 130},
    {u"Button", u"OK",                                              kOk, kDefault, 0, 137, 166, 50, 14},
    {u"Button", TEXT_OF(u"キャンセル", u"Cancel"),                 kCancel, kPush, 0, 194, 166, 50, 14},
};
// clang-format on

constexpr ORLA_DIALOG_TEMPLATE Template(const ORLA_DIALOG_ITEM* items, WORD count, SHORT cx, SHORT cy,
                                        LPCWSTR caption) {
    return {ORLA_DIALOG_SIGNATURE, kDialogStyle, 0, 0, 0, cx, cy, caption, FONT_OF, 9, count, items};
}

const ORLA_DIALOG_TEMPLATE kSaveDialog = Template(kSaveItems, sizeof kSaveItems / sizeof kSaveItems[0], 250, 83,
                                                  TEXT_OF(u"お気に入りの追加", u"Add Favourite"));
const ORLA_DIALOG_TEMPLATE kManageDialog = Template(kManageItems, sizeof kManageItems / sizeof kManageItems[0], 353,
                                                    194, TEXT_OF(u"お気に入りの編集", u"Edit Favourites"));
const ORLA_DIALOG_TEMPLATE kDetailsDialog =
    Template(kDetailsItems, sizeof kDetailsItems / sizeof kDetailsItems[0], 251, 187, u"");

}  // namespace

const ORLA_RESOURCE kLangFavouriteDialogs[] = {
    {5, nullptr, kTemplateSave, nullptr, &kSaveDialog, sizeof kSaveDialog},
    {5, nullptr, kTemplateManage, nullptr, &kManageDialog, sizeof kManageDialog},
    {5, nullptr, kTemplateDetails, nullptr, &kDetailsDialog, sizeof kDetailsDialog},
    LANG_STRING(801, TEXT_OF(u"あらかじめ用意されたお気に入りは削除できません。",
                             u"A favourite the driver provides cannot be deleted.")),
    LANG_STRING(802, TEXT_OF(u"選択したお気に入りを削除します。よろしいですか?",
                             u"The selected favourite is deleted. Go ahead?")),
    LANG_STRING(803, TEXT_OF(u"この名前はあらかじめ用意されたお気に入りが使っています。他の名前を入力してください。",
                             u"A favourite the driver provides has this name. Enter another name.")),
    LANG_STRING(804, TEXT_OF(u"同じ名前のお気に入りがあります。置き換えますか?",
                             u"A favourite of this name exists. Replace it?")),
    LANG_STRING(893, TEXT_OF(u"この名前では登録できません。他の名前を入力してください。",
                             u"A favourite cannot be saved under this name. Enter another name.")),
    LANG_STRING(894, TEXT_OF(u"選択したお気に入りを削除します。よろしいですか?",
                             u"The selected favourite is deleted. Go ahead?")),
};
const DWORD kLangFavouriteDialogCount = sizeof(kLangFavouriteDialogs) / sizeof(kLangFavouriteDialogs[0]);
