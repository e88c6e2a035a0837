// The job favourites dialog (template 2200): the favourites as large icons that can be dragged
// into another order, the chosen one's comment, delete, and a name and comment to register the
// current settings under. Both languages side by side so the layout cannot drift.
#include "plat/dialog_template.h"
#include "resources/lang/favourites_ids.h"
#include "resources/lang/lang_strings.h"
#include "win/list_view.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangJobFavourites[];
extern const DWORD kLangJobFavouriteCount;

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
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefault = kChild | BS_DEFPUSHBUTTON | WS_TABSTOP;
// The dialog owns the icons and destroys them itself when it ends, so the view only borrows them.
constexpr DWORD kIconView = kChild | WS_BORDER | WS_TABSTOP | LVS_ICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                            LVS_AUTOARRANGE | LVS_SHAREIMAGELISTS;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// clang-format off
const ORLA_DIALOG_ITEM kItems[] = {
    {u"Static",        TEXT_OF(u"お気に入り(&F):", u"&Favourites:"),  0xFFFF, kLabel, 0, 7, 7, 120, 10},
    {WC_LISTVIEWW,     nullptr,                                        kJobList, kIconView, 0, 7, 19, 236, 100},
    {u"Static",        u"",                                            kJobComment, kLabel, 0, 7, 123, 180, 20},
    {u"Button",        TEXT_OF(u"削除(&D)", u"&Delete"),              kDelete, kPush, 0, 193, 123, 50, 14},
    {u"Static",        TEXT_OF(u"名前(&N):", u"&Name:"),              kNameLabel, kLabel, 0, 7, 150, 60, 10},
    {u"Edit",          u"",                                            kName, kEdit, 0, 70, 148, 173, 13},
    {u"Static",        TEXT_OF(u"コメント(&C):", u"&Comment:"),       kCommentLabel, kLabel, 0, 7, 167, 60, 10},
    {u"Edit",          u"",                                            kComment, kEdit, 0, 70, 165, 173, 13},
    {u"Button",        TEXT_OF(u"登録(&R)...", u"&Register..."),      kRegister, kPush, 0, 193, 182, 50, 14},
    {u"Button",        u"OK",                                          kOk, kDefault, 0, 136, 203, 50, 14},
    {u"Button",        TEXT_OF(u"キャンセル", u"Cancel"),             kCancel, kPush, 0, 193, 203, 50, 14},
};
// clang-format on

const ORLA_DIALOG_TEMPLATE kDialog = {ORLA_DIALOG_SIGNATURE,
                                      kDialogStyle,
                                      0,
                                      0,
                                      0,
                                      250,
                                      224,
                                      TEXT_OF(u"お気に入りの管理", u"Manage Favourites"),
                                      TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg"),
                                      9,
                                      sizeof kItems / sizeof kItems[0],
                                      kItems};

}  // namespace

const ORLA_RESOURCE kLangJobFavourites[] = {
    {5, nullptr, kTemplateJobFavourites, nullptr, &kDialog, sizeof kDialog},
};
const DWORD kLangJobFavouriteCount = sizeof(kLangJobFavourites) / sizeof(kLangJobFavourites[0]);
