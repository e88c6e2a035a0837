// The stamp editor's templates (525 edit, 526 new, 3000 from the print-time dialog: one layout
// under three captions) and the editor's texts and messages, both languages side by side so the
// layouts cannot drift.
#include "plat/dialog_template.h"
#include "resources/lang/lang_strings.h"
#include "resources/lang/stamp_editor_ids.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangStampEditor[];
extern const DWORD kLangStampEditorCount;

namespace {

using namespace orla_res::stamp_editor;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr WORD kStatic = 0xFFFF;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kEdit = kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kEditCombo = kChild | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kDropList = kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kSpin = kChild | UDS_ALIGNRIGHT | UDS_ARROWKEYS;
// Checks are set by the editor from the stamp, never by their own click.
constexpr DWORD kCheck = kChild | BS_CHECKBOX | WS_TABSTOP;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefault = kChild | BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kPreviewList = kChild | WS_BORDER | LBS_OWNERDRAWFIXED | LBS_NOTIFY;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

#define FONT_OF TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg")

// clang-format off
const ORLA_DIALOG_ITEM kItems[] = {
    {u"Static",   TEXT_OF(u"スタンプ名(&S):", u"&Stamp name:"),          kStatic, kLabel, 0, 7, 9, 72, 10},
    {u"ComboBox", nullptr,                                                 kName, kEditCombo, 0, 82, 7, 170, 110},
    {u"Button",   TEXT_OF(u"種類", u"Kind"),                              kStatic, kGroup, 0, 7, 24, 245, 26},
    {u"Button",   TEXT_OF(u"文字列(&X)", u"Te&xt"),                       kKindText, kRadio | WS_GROUP | WS_TABSTOP, 0, 14, 35, 80, 10},
    {u"Button",   TEXT_OF(u"ビットマップ(&B)", u"&Bitmap"),               kKindImage, kRadio, 0, 110, 35, 90, 10},
    {u"Static",   TEXT_OF(u"スタンプ文字列(&N):", u"Stamp &text:"),       kTextLabel, kLabel, 0, 7, 58, 90, 10},
    {u"Edit",     u"",                                                     kText, kEdit, 0, 100, 56, 210, 13},
    {u"Button",   TEXT_OF(u"参照(&R)...", u"B&rowse..."),                 kBrowse, kPush, 0, 316, 55, 60, 14},
    // The page: 3 x 3 places, row by row.
    {u"Button",   TEXT_OF(u"位置", u"Position"),                          kStatic, kGroup, 0, 7, 76, 80, 62},
    {u"Button",   u"",                                                     kPositionFirst + 0, kRadio | WS_GROUP | WS_TABSTOP, 0, 19, 90, 10, 10},
    {u"Button",   u"",                                                     kPositionFirst + 1, kRadio, 0, 42, 90, 10, 10},
    {u"Button",   u"",                                                     kPositionFirst + 2, kRadio, 0, 65, 90, 10, 10},
    {u"Button",   u"",                                                     kPositionFirst + 3, kRadio, 0, 19, 106, 10, 10},
    {u"Button",   u"",                                                     kPositionFirst + 4, kRadio, 0, 42, 106, 10, 10},
    {u"Button",   u"",                                                     kPositionFirst + 5, kRadio, 0, 65, 106, 10, 10},
    {u"Button",   u"",                                                     kPositionFirst + 6, kRadio, 0, 19, 122, 10, 10},
    {u"Button",   u"",                                                     kPositionFirst + 7, kRadio, 0, 42, 122, 10, 10},
    {u"Button",   u"",                                                     kPositionFirst + 8, kRadio, 0, 65, 122, 10, 10},
    {u"Button",   TEXT_OF(u"枠", u"Frame"),                               kStatic, kGroup, 0, 7, 142, 80, 52},
    {u"Button",   TEXT_OF(u"なし(&O)", u"N&one"),                         kModeFirst + 0, kRadio | WS_GROUP | WS_TABSTOP, 0, 14, 154, 68, 10},
    {u"Button",   TEXT_OF(u"丸(&C)", u"&Circle"),                         kModeFirst + 1, kRadio, 0, 14, 166, 68, 10},
    {u"Button",   TEXT_OF(u"四角(&Q)", u"S&quare"),                       kModeFirst + 2, kRadio, 0, 14, 178, 68, 10},
    // The text's look.
    {u"Static",   TEXT_OF(u"フォント(&F):", u"&Font:"),                   kStatic, kLabel, 0, 94, 80, 52, 10},
    {u"ComboBox", nullptr,                                                 kFace, kDropList, 0, 148, 78, 104, 120},
    {u"Static",   TEXT_OF(u"サイズ(&Z):", u"Si&ze:"),                     kStatic, kLabel, 0, 94, 96, 52, 10},
    {u"ComboBox", nullptr,                                                 kSize, kEditCombo, 0, 148, 94, 40, 110},
    {u"Button",   TEXT_OF(u"太字(&D)", u"Bol&d"),                         kBold, kCheck, 0, 194, 96, 50, 10},
    {u"Button",   TEXT_OF(u"斜体(&I)", u"&Italic"),                       kItalic, kCheck, 0, 194, 108, 50, 10},
    {u"Static",   TEXT_OF(u"角度(&A):", u"&Angle:"),                      kStatic, kLabel, 0, 94, 124, 52, 10},
    {u"ComboBox", nullptr,                                                 kAngle, kDropList, 0, 148, 122, 92, 100},
    {u"msctls_updown32", nullptr,                                          kAngleSpin, kSpin, 0, 240, 122, 10, 13},
    {u"Button",   TEXT_OF(u"右下がり(&W)", u"Do&wnward"),                 kAngleDown, kCheck, 0, 148, 138, 60, 10},
    {u"Button",   TEXT_OF(u"右上がり(&U)", u"&Upward"),                   kAngleUp, kCheck, 0, 210, 138, 60, 10},
    {u"Static",   TEXT_OF(u"濃さ(&G):", u"&Grey:"),                       kStatic, kLabel, 0, 94, 154, 52, 10},
    {u"ComboBox", nullptr,                                                 kGrey, kDropList, 0, 148, 152, 92, 100},
    // The image's size.
    {u"Static",   TEXT_OF(u"倍率(&M):", u"Scale (&M):"),                  kStatic, kLabel, 0, 94, 170, 52, 10},
    {u"ComboBox", nullptr,                                                 kScale, kDropList, 0, 148, 168, 50, 100},
    {u"msctls_updown32", nullptr,                                          kScaleSpin, kSpin, 0, 198, 168, 10, 13},
    {u"Button",   TEXT_OF(u"重ねて印刷(&V)", u"O&verlay"),                kOverlayMode, kCheck, 0, 94, 186, 80, 10},
    {u"Button",   TEXT_OF(u"先頭ページのみ(&P)", u"First &page only"),   kFirstPageOnly, kCheck, 0, 178, 186, 90, 10},
    {u"ListBox",  nullptr,                                                 kPreview, kPreviewList, 0, 276, 76, 100, 118},
    {u"Button",   TEXT_OF(u"保存(&E)", u"Stor&e"),                        kStore, kPush, 0, 7, 204, 56, 14},
    {u"Button",   TEXT_OF(u"削除(&L)", u"De&lete"),                       kDelete, kPush, 0, 68, 204, 56, 14},
    {u"Button",   TEXT_OF(u"標準に戻す(&T)", u"Factor&y values"),               kFactoryValues, kPush, 0, 129, 204, 66, 14},
    {u"Button",   u"OK",                                                   kOk, kDefault, 0, 262, 204, 54, 14},
    {u"Button",   TEXT_OF(u"キャンセル", u"Cancel"),                      kCancel, kPush, 0, 322, 204, 54, 14},
};
// clang-format on

constexpr ORLA_DIALOG_TEMPLATE Template(LPCWSTR caption) {
    return {ORLA_DIALOG_SIGNATURE, kDialogStyle, 0, 0, 0, 383, 225, caption, FONT_OF, 9,
            sizeof kItems / sizeof kItems[0], kItems};
}

const ORLA_DIALOG_TEMPLATE kJobStampDialog = Template(TEXT_OF(u"スタンプの編集", u"Edit Stamp"));
const ORLA_DIALOG_TEMPLATE kEditStampDialog = Template(TEXT_OF(u"スタンプの編集", u"Edit Stamp"));
const ORLA_DIALOG_TEMPLATE kNewStampDialog = Template(TEXT_OF(u"スタンプの追加", u"New Stamp"));

}  // namespace

const ORLA_RESOURCE kLangStampEditor[] = {
    {5, nullptr, kTemplateJobStamp, nullptr, &kJobStampDialog, sizeof kJobStampDialog},
    {5, nullptr, kTemplateEditStamp, nullptr, &kEditStampDialog, sizeof kEditStampDialog},
    {5, nullptr, kTemplateNewStamp, nullptr, &kNewStampDialog, sizeof kNewStampDialog},
    // Sizes as the size field shows them (the stored size / 10).
    LANG_STRING(630, u"18"),
    LANG_STRING(631, u"24"),
    LANG_STRING(632, u"36"),
    LANG_STRING(633, u"44"),
    LANG_STRING(634, u"54"),
    LANG_STRING(635, u"72"),
    LANG_STRING(636, u"88"),
    LANG_STRING(637, u"114"),
    LANG_STRING(638, u"140"),
    LANG_STRING(639, u"200"),
    LANG_STRING(640, TEXT_OF(u"白", u"White")),
    LANG_STRING(641, TEXT_OF(u"ごく薄い灰色", u"Lightest grey")),
    LANG_STRING(642, TEXT_OF(u"薄い灰色", u"Light grey")),
    LANG_STRING(643, TEXT_OF(u"灰色", u"Grey")),
    LANG_STRING(644, TEXT_OF(u"濃い灰色", u"Dark grey")),
    LANG_STRING(645, TEXT_OF(u"黒", u"Black")),
    LANG_STRING(650, u"25%"),
    LANG_STRING(651, u"50%"),
    LANG_STRING(652, u"75%"),
    LANG_STRING(653, u"100%"),
    LANG_STRING(654, u"200%"),
    LANG_STRING(655, u"300%"),
    LANG_STRING(656, u"400%"),
    LANG_STRING(660, TEXT_OF(u"縦 (上から下)", u"Down the page")),
    LANG_STRING(661, TEXT_OF(u"右下がり", u"Downward")),
    LANG_STRING(662, TEXT_OF(u"横", u"Across")),
    LANG_STRING(663, TEXT_OF(u"右上がり", u"Upward")),
    LANG_STRING(664, TEXT_OF(u"縦 (下から上)", u"Up the page")),
    // The browse filter: its last character separates the texts.
    LANG_STRING(828, TEXT_OF(u"ビットマップ ファイル (*.bmp)|*.bmp|", u"Bitmap files (*.bmp)|*.bmp|")),
    LANG_STRING(831, TEXT_OF(u"指定されたファイルはビットマップ ファイルではないか、壊れています。",
                             u"The file is not a bitmap file, or it is damaged.")),
    LANG_STRING(832, TEXT_OF(u"指定されたファイルを開けません。ファイル名を確認してください。",
                             u"The file cannot be opened. Check the file name.")),
    LANG_STRING(834, TEXT_OF(u"同じ名前のスタンプがあります。置き換えますか?",
                             u"A stamp of this name exists. Replace it?")),
    LANG_STRING(835, TEXT_OF(u"スタンプ名を入力してください。", u"Enter a stamp name.")),
    LANG_STRING(836, TEXT_OF(u"スタンプ文字列を入力してください。", u"Enter the stamp text.")),
    LANG_STRING(837, TEXT_OF(u"選択したスタンプを削除します。よろしいですか?",
                             u"The selected stamp is deleted. Go ahead?")),
    LANG_STRING(862, TEXT_OF(u"サイズには 7 から 600 までの数値を入力してください。",
                             u"Enter a size from 7 to 600.")),
};
const DWORD kLangStampEditorCount = sizeof(kLangStampEditor) / sizeof(kLangStampEditor[0]);
