// The texts of stored printing (dialog 533) and proof printing (dialog 3340), and the warnings of
// the text-entry modes, both languages side by side so the layouts cannot drift.
#include "plat/dialog_template.h"
#include "resources/lang/lang_strings.h"
#include "resources/lang/text_entry_ids.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

extern const ORLA_RESOURCE kLangTextEntry[];
extern const DWORD kLangTextEntryCount;

namespace {

using namespace orla_res::text_entry;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kEdit = kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kCombo = kChild | CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// clang-format off
#define CODE_ITEMS \
    {u"Static", nullptr, kIcon, kChild | SS_ICON, 0, 7, 7, 20, 20}, \
    {u"Static", TEXT_OF(u"ユーザーコード(&U):", u"&User Code:"), 0xFFFF, kLabel, 0, 7, 38, 80, 8}, \
    {u"Edit",   u"", kCode, kEdit | WS_GROUP, 0, 90, 36, 100, 12}, \
    {u"Button", u"?", kCodeHelp, kPush, 0, 194, 36, 14, 12}
#define JOB_NAME_ITEMS \
    {u"Static",   TEXT_OF(u"ジョブ名(&J):", u"&Job Name:"), 0xFFFF, kLabel, 0, 7, 70, 80, 8}, \
    {u"ComboBox", nullptr, kJobNameKind, kCombo, 0, 90, 68, 118, 60}, \
    {u"Static",   TEXT_OF(u"名前(&N):", u"&Name:"), kJobNameLabel, kLabel, 0, 7, 86, 80, 8}, \
    {u"Edit",     u"", kJobName, kEdit, 0, 90, 84, 118, 12}
#define BUTTON_ITEMS \
    {u"Button", TEXT_OF(u"標準に戻す(&D)", u"&Defaults"), kDefaults, kPush, 0, 7, 106, 60, 14}, \
    {u"Button", u"OK", kOk, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 90, 106, 38, 14}, \
    {u"Button", TEXT_OF(u"キャンセル", u"Cancel"), kCancel, kPush, 0, 131, 106, 38, 14}, \
    {u"Button", TEXT_OF(u"ヘルプ(&H)", u"&Help"), kHelp, kPush, 0, 172, 106, 38, 14}

// Stored printing: the job waits in the printer until the user code and password release it.
const ORLA_DIALOG_ITEM kStoredItems[] = {
    {u"Static", TEXT_OF(u"プリンタに保存する印刷データのユーザーコードとパスワードを入力してください。",
                        u"Enter the user code and password the printer keeps the stored job under."),
     0xFFFF, kLabel, 0, 35, 7, 175, 24},
    CODE_ITEMS,
    {u"Static", TEXT_OF(u"パスワード(&P):", u"&Password:"), kPasswordLabel, kLabel, 0, 7, 54, 80, 8},
    {u"Edit",   u"",                                        kPassword, kEdit | ES_PASSWORD, 0, 90, 52, 100, 12},
    {u"Button", u"?",                                       kPasswordHelp, kPush, 0, 194, 52, 14, 12},
    JOB_NAME_ITEMS,
    BUTTON_ITEMS,
};
// Proof printing: one copy is printed, the rest wait under the user code.
const ORLA_DIALOG_ITEM kProofItems[] = {
    {u"Static", TEXT_OF(u"1部だけ印刷し、残りの部数をプリンタに保存します。ユーザーコードを入力してください。",
                        u"One copy is printed and the rest wait in the printer. Enter the user code."),
     0xFFFF, kLabel, 0, 35, 7, 175, 24},
    CODE_ITEMS,
    JOB_NAME_ITEMS,
    BUTTON_ITEMS,
};
// clang-format on

const ORLA_DIALOG_TEMPLATE kStoredDialog = {ORLA_DIALOG_SIGNATURE,
                                            kDialogStyle,
                                            0,
                                            0,
                                            0,
                                            217,
                                            127,
                                            TEXT_OF(u"保存印刷", u"Stored Print"),
                                            TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg"),
                                            9,
                                            sizeof kStoredItems / sizeof kStoredItems[0],
                                            kStoredItems};
const ORLA_DIALOG_TEMPLATE kProofDialog = {ORLA_DIALOG_SIGNATURE,
                                           kDialogStyle,
                                           0,
                                           0,
                                           0,
                                           217,
                                           127,
                                           TEXT_OF(u"試し印刷", u"Proof Print"),
                                           TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg"),
                                           9,
                                           sizeof kProofItems / sizeof kProofItems[0],
                                           kProofItems};

}  // namespace

const ORLA_RESOURCE kLangTextEntry[] = {
    {5, nullptr, kTemplateStoredPrint, nullptr, &kStoredDialog, sizeof kStoredDialog},
    {5, nullptr, kTemplateProofPrint, nullptr, &kProofDialog, sizeof kProofDialog},
    // The job-name choice.
    LANG_STRING(768, TEXT_OF(u"ジョブ名を入力", u"Enter a Job Name")),
    LANG_STRING(769, TEXT_OF(u"文書名を使う", u"Use the Document Name")),
    // Warnings of the text-entry modes.
    LANG_STRING(866,
                TEXT_OF(u"保存印刷にはユーザーコードを入力してください。", u"Enter a user code for stored printing.")),
    LANG_STRING(867,
                TEXT_OF(u"試し印刷にはユーザーコードを入力してください。", u"Enter a user code for proof printing.")),
    LANG_STRING(868, TEXT_OF(u"保存印刷にはハードディスクまたはフィニッシャーが必要です。",
                             u"Stored printing needs the hard disk or the finisher.")),
    LANG_STRING(869, TEXT_OF(u"試し印刷にはハードディスクまたはフィニッシャーと、2部以上の部数が必要です。",
                             u"Proof printing needs the hard disk or the finisher, and two or more copies.")),
    LANG_STRING(917, TEXT_OF(u"試し印刷にはハードディスクまたはフィニッシャーが必要です。",
                             u"Proof printing needs the hard disk or the finisher.")),
    LANG_STRING(918, TEXT_OF(u"試し印刷には2部以上の部数が必要です。", u"Proof printing needs two or more copies.")),
    LANG_STRING(919, TEXT_OF(u"試し印刷では部数を1部にできません。部数を2部にします。",
                             u"Proof printing cannot print one copy. The copies are set to 2.")),
    LANG_STRING(920, TEXT_OF(u"ユーザーコードには半角の英数字、記号、カタカナだけが使えます。",
                             u"The user code can hold only single-byte letters, digits, symbols and katakana.")),
};
const DWORD kLangTextEntryCount = sizeof(kLangTextEntry) / sizeof(kLangTextEntry[0]);
