// The stamp and overlay page (template 524), its page annotation dialog (536) and the form-overlay
// information dialog (2300), with the texts they show: the overlay filter, the overlay errors and
// the trust-marking conflict warnings. Both languages side by side so the layouts cannot drift.
#include "plat/dialog_template.h"
#include "resources/lang/lang_strings.h"
#include "resources/lang/stamp_page_ids.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangStampPage[];
extern const DWORD kLangStampPageCount;

namespace {

using namespace orla_res::stamp_page;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr WORD kStatic = 0xFFFF;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefault = kChild | BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD kCheck = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;
constexpr DWORD kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kEditCombo = kChild | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kDropList = kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kList = kChild | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | WS_TABSTOP;
constexpr DWORD kPreviewList = kChild | WS_BORDER | LBS_OWNERDRAWFIXED;
constexpr DWORD kField = kChild | SS_LEFT;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

#define FONT_OF TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg")

// clang-format off
const ORLA_DIALOG_ITEM kPageItems[] = {
    {u"Button",   TEXT_OF(u"スタンプ", u"Stamp"),                             kStampGroup, kGroup, 0, 7, 5, 251, 124},
    {u"ListBox",  nullptr,                                                     kStampList, kList, 0, 14, 17, 130, 58},
    {u"Static",   TEXT_OF(u"スタンプ文字列(&N):", u"Stamp &text:"),           kStampTextLabel, kLabel, 0, 14, 78, 130, 8},
    {u"Static",   u"",                                                         kStampText, kField, 0, 14, 87, 130, 9},
    {u"Button",   TEXT_OF(u"編集(&E)...", u"&Edit..."),                       kEditStamp, kPush, 0, 14, 98, 42, 13},
    {u"Button",   TEXT_OF(u"追加(&W)...", u"Ne&w..."),                        kNewStamp, kPush, 0, 58, 98, 42, 13},
    {u"Button",   TEXT_OF(u"削除(&L)", u"De&lete"),                           kDeleteStamp, kPush, 0, 102, 98, 42, 13},
    {u"Button",   TEXT_OF(u"先頭ページのみ(&P)", u"First &page only"),       kFirstPageOnly, kCheck, 0, 14, 115, 130, 10},
    {u"ListBox",  nullptr,                                                     kPreview, kPreviewList, 0, 162, 14, 70, 110},
    {u"Button",   TEXT_OF(u"ページ注釈(&A)...", u"&Annotation..."),           kAnnotation, kPush, 0, 7, 133, 80, 13},
    {u"Button",   TEXT_OF(u"隠し印刷(&K)...", u"Trust &Marking..."),          kTrustMarking, kPush, 0, 92, 133, 80, 13},
    {u"Button",   TEXT_OF(u"フォームオーバーレイ", u"Form Overlay"),          kOverlayGroup, kGroup, 0, 7, 149, 251, 57},
    {u"Button",   TEXT_OF(u"フォームを重ねる(&O)", u"Print with a f&orm"),    kOverlayOn, kCheck, 0, 14, 160, 112, 10},
    {u"Button",   TEXT_OF(u"フォームのみ印刷(&Y)", u"Form onl&y"),            kOverlayOnly, kCheck, 0, 130, 160, 120, 10},
    {u"Static",   TEXT_OF(u"ファイル(&I):", u"F&ile:"),                       kOverlayPathLabel, kLabel, 0, 14, 175, 40, 8},
    {u"ComboBox", nullptr,                                                     kOverlayPath, kEditCombo, 0, 56, 173, 134, 100},
    {u"Button",   TEXT_OF(u"参照(&B)...", u"&Browse..."),                     kOverlayBrowse, kPush, 0, 194, 172, 57, 13},
    {u"Button",   TEXT_OF(u"情報(&R)...", u"Info&rmation..."),                kOverlayInfo, kPush, 0, 194, 188, 57, 13},
    {u"Button",   TEXT_OF(u"設定一覧(&U)...", u"S&ummary..."),                kSummary, kPush, 0, 7, 211, 60, 13},
    {u"Button",   TEXT_OF(u"標準に戻す(&D)", u"Restore &Defaults"),           kRestoreDefaults, kPush, 0, 70, 211, 72, 13},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                           kHelp, kPush, 0, 212, 211, 46, 13},
    // Never shown: its one item carries the document's paper for the sheet's other pages.
    {u"ListBox",  nullptr,                                                     kPaperSizeList, WS_CHILD, 0, 0, 0, 1, 1},
};

const ORLA_DIALOG_ITEM kAnnotationItems[] = {
    {u"Button",   TEXT_OF(u"ページ注釈を印刷する(&P)", u"&Print an annotation"), kAnnotationOn, kCheck, 0, 7, 7, 150, 10},
    {u"Static",   TEXT_OF(u"種類(&K):", u"&Kind:"),                           kStatic, kLabel, 0, 7, 23, 50, 8},
    {u"ComboBox", nullptr,                                                     kAnnotationKind, kDropList, 0, 60, 21, 153, 120},
    {u"Static",   TEXT_OF(u"文字列(&T):", u"&Text:"),                         kAnnotationTextLabel, kLabel, 0, 7, 39, 50, 8},
    {u"Edit",     u"",                                                         kAnnotationText, kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 0, 60, 37, 153, 13},
    {u"Button",   TEXT_OF(u"位置", u"Position"),                              kAnnotationPositionGroup, kGroup, 0, 7, 55, 206, 62},
    {u"Button",   TEXT_OF(u"左上", u"Top left"),                              kPositionRadios[0], kRadio | WS_GROUP | WS_TABSTOP, 0, 12, 67, 66, 10},
    {u"Button",   TEXT_OF(u"上中央", u"Top centre"),                          kPositionRadios[1], kRadio, 0, 78, 67, 66, 10},
    {u"Button",   TEXT_OF(u"右上", u"Top right"),                             kPositionRadios[2], kRadio, 0, 144, 67, 66, 10},
    {u"Static",   TEXT_OF(u"用紙", u"Page"),                                  kAnnotationPage, kChild | SS_CENTER | SS_NOTIFY | WS_BORDER, 0, 80, 80, 60, 20},
    {u"Button",   TEXT_OF(u"左下", u"Bottom left"),                           kPositionRadios[3], kRadio, 0, 12, 103, 66, 10},
    {u"Button",   TEXT_OF(u"下中央", u"Bottom centre"),                       kPositionRadios[4], kRadio, 0, 78, 103, 66, 10},
    {u"Button",   TEXT_OF(u"右下", u"Bottom right"),                          kPositionRadios[5], kRadio, 0, 144, 103, 66, 10},
    {u"Button",   TEXT_OF(u"標準に戻す(&D)", u"&Defaults"),                   kAnnotationDefaults, kPush, 0, 7, 125, 70, 14},
    {u"Button",   u"OK",                                                       IDOK, kDefault, 0, 101, 125, 54, 14},
    {u"Button",   TEXT_OF(u"キャンセル", u"Cancel"),                          IDCANCEL, kPush, 0, 159, 125, 54, 14},
};

const ORLA_DIALOG_ITEM kOverlayInfoItems[] = {
    {u"Button",   TEXT_OF(u"フォームを重ねる(&O)", u"Print with a f&orm"),    kInfoOverlayOn, kCheck, 0, 7, 7, 130, 10},
    {u"Button",   TEXT_OF(u"フォームのみ印刷(&Y)", u"Form onl&y"),            kInfoOverlayOnly, kCheck, 0, 143, 7, 120, 10},
    {u"Static",   TEXT_OF(u"ファイル(&I):", u"F&ile:"),                       kStatic, kLabel, 0, 7, 23, 40, 8},
    {u"ComboBox", nullptr,                                                     kInfoPath, kEditCombo, 0, 50, 21, 150, 100},
    {u"Button",   TEXT_OF(u"参照(&B)...", u"&Browse..."),                     kInfoBrowse, kPush, 0, 206, 20, 57, 13},
    {u"Button",   TEXT_OF(u"フォームの情報", u"About the form"),              kStatic, kGroup, 0, 7, 38, 256, 164},
    {u"Static",   TEXT_OF(u"タイトル:", u"Title:"),                           kInfoTitle - 1, kLabel, 0, 14, 51, 90, 8},
    {u"Static",   u"",                                                         kInfoTitle, kField, 0, 106, 50, 150, 10},
    {u"Static",   TEXT_OF(u"フォーム名:", u"Form name:"),                     kInfoName - 1, kLabel, 0, 14, 64, 90, 8},
    {u"Static",   u"",                                                         kInfoName, kField, 0, 106, 63, 150, 10},
    {u"Static",   TEXT_OF(u"作成ソフト:", u"Made with:"),                     kInfoProduct - 1, kLabel, 0, 14, 77, 90, 8},
    {u"Static",   u"",                                                         kInfoProduct, kField, 0, 106, 76, 150, 10},
    {u"Static",   TEXT_OF(u"バージョン:", u"Version:"),                       kInfoVersion - 1, kLabel, 0, 14, 90, 90, 8},
    {u"Static",   u"",                                                         kInfoVersion, kField, 0, 106, 89, 150, 10},
    {u"Static",   TEXT_OF(u"プリンタ言語:", u"Printer language:"),            kInfoLanguage - 1, kLabel, 0, 14, 103, 90, 8},
    {u"Static",   u"",                                                         kInfoLanguage, kField, 0, 106, 102, 150, 10},
    {u"Static",   TEXT_OF(u"データ形式:", u"Data format:"),                   kInfoShownVersion - 1, kLabel, 0, 14, 116, 90, 8},
    {u"Static",   u"",                                                         kInfoShownVersion, kField, 0, 106, 115, 150, 10},
    {u"Static",   TEXT_OF(u"給紙口:", u"Paper source:"),                      kInfoTray - 1, kLabel, 0, 14, 129, 90, 8},
    {u"Static",   u"",                                                         kInfoTray, kField, 0, 106, 128, 150, 10},
    {u"Static",   TEXT_OF(u"作成用紙:", u"Form paper:"),                      kInfoMadeFor - 1, kLabel, 0, 14, 142, 90, 8},
    {u"Static",   u"",                                                         kInfoMadeFor, kField, 0, 106, 141, 150, 10},
    {u"Static",   TEXT_OF(u"作成方向:", u"Form orientation:"),                kInfoMadeForOrientation - 1, kLabel, 0, 14, 155, 90, 8},
    {u"Static",   u"",                                                         kInfoMadeForOrientation, kField, 0, 106, 154, 150, 10},
    {u"Static",   TEXT_OF(u"出力用紙:", u"Output paper:"),                    kInfoPrintOn - 1, kLabel, 0, 14, 168, 90, 8},
    {u"Static",   u"",                                                         kInfoPrintOn, kField, 0, 106, 167, 150, 10},
    {u"Static",   TEXT_OF(u"出力方向:", u"Output orientation:"),              kInfoPrintOnOrientation - 1, kLabel, 0, 14, 181, 90, 8},
    {u"Static",   u"",                                                         kInfoPrintOnOrientation, kField, 0, 106, 180, 150, 10},
    {u"Button",   u"OK",                                                       IDOK, kDefault, 0, 93, 208, 54, 14},
    {u"Button",   TEXT_OF(u"キャンセル", u"Cancel"),                          IDCANCEL, kPush, 0, 151, 208, 54, 14},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                           kInfoHelp, kPush, 0, 209, 208, 54, 14},
};
// clang-format on

const ORLA_DIALOG_TEMPLATE kPageDialog = {ORLA_DIALOG_SIGNATURE,
                                          WS_CHILD | DS_CONTROL,
                                          0,
                                          0,
                                          0,
                                          265,
                                          228,
                                          TEXT_OF(u"スタンプ/フォーム", u"Stamp/Overlay"),
                                          FONT_OF,
                                          9,
                                          sizeof kPageItems / sizeof kPageItems[0],
                                          kPageItems};
const ORLA_DIALOG_TEMPLATE kAnnotationDialog = {ORLA_DIALOG_SIGNATURE,
                                                kDialogStyle,
                                                0,
                                                0,
                                                0,
                                                220,
                                                146,
                                                TEXT_OF(u"ページ注釈", u"Page Annotation"),
                                                FONT_OF,
                                                9,
                                                sizeof kAnnotationItems / sizeof kAnnotationItems[0],
                                                kAnnotationItems};
const ORLA_DIALOG_TEMPLATE kOverlayInfoDialog = {ORLA_DIALOG_SIGNATURE,
                                                 kDialogStyle,
                                                 0,
                                                 0,
                                                 0,
                                                 270,
                                                 228,
                                                 TEXT_OF(u"フォームオーバーレイ情報", u"Form Overlay Information"),
                                                 FONT_OF,
                                                 9,
                                                 sizeof kOverlayInfoItems / sizeof kOverlayInfoItems[0],
                                                 kOverlayInfoItems};

}  // namespace

const ORLA_RESOURCE kLangStampPage[] = {
    {5, nullptr, kTemplatePage, nullptr, &kPageDialog, sizeof kPageDialog},
    {5, nullptr, kTemplateAnnotation, nullptr, &kAnnotationDialog, sizeof kAnnotationDialog},
    {5, nullptr, kTemplateOverlayInfo, nullptr, &kOverlayInfoDialog, sizeof kOverlayInfoDialog},
    // The browse filter: its last character separates the texts.
    LANG_STRING(472, TEXT_OF(u"フォーム ファイル (*.fn2)|*.fn2|", u"Form files (*.fn2)|*.fn2|")),
    // Trust marking and the settings it cannot go with: one alone ...
    LANG_STRING(784, TEXT_OF(u"隠し印刷を使うときはトナーセーブを使えません。トナーセーブを解除してください。",
                             u"Toner save cannot be used with trust marking. Turn toner save off.")),
    LANG_STRING(785, TEXT_OF(u"隠し印刷を使うときはスムージングを有効にしてください。",
                             u"Trust marking needs smoothing. Turn smoothing on.")),
    LANG_STRING(786,
                TEXT_OF(u"隠し印刷を使うときは印刷濃度を 3 にしてください。", u"Trust marking needs print density 3.")),
    LANG_STRING(787, TEXT_OF(u"隠し印刷とフォームオーバーレイは同時に使えません。",
                             u"Trust marking and a form overlay cannot be used together.")),
    LANG_STRING(788, TEXT_OF(u"隠し印刷と同時に使えない印刷モードが設定されています。",
                             u"A print mode is set that cannot be used with trust marking.")),
    // ... or several: the heading, then a line for each.
    LANG_STRING(789, TEXT_OF(u"隠し印刷を使うときは次の設定を変更してください。",
                             u"Trust marking needs these settings changed:")),
    LANG_STRING(790, TEXT_OF(u"\n・トナーセーブを解除する", u"\n- toner save off")),
    LANG_STRING(791, TEXT_OF(u"\n・スムージングを有効にする", u"\n- smoothing on")),
    LANG_STRING(792, TEXT_OF(u"\n・印刷濃度を 3 にする", u"\n- print density 3")),
    LANG_STRING(793, TEXT_OF(u"\n・フォームオーバーレイを解除する", u"\n- no form overlay")),
    LANG_STRING(794, TEXT_OF(u"\n・印刷モードを変更する", u"\n- another print mode")),
    // Paper and resolution.
    LANG_STRING(795, TEXT_OF(u"この用紙サイズでは隠し印刷を使えません。",
                             u"Trust marking cannot be used with this paper size.")),
    LANG_STRING(796, TEXT_OF(u"隠し印刷を使うときは解像度を 300 dpi または 600 dpi にしてください。",
                             u"Trust marking needs a resolution of 300 or 600 dpi.")),
    LANG_STRING(797,
                TEXT_OF(u"隠し印刷を使うときは解像度を 300 dpi または 600 dpi にしてください (1200 dpi は使えません)。",
                        u"Trust marking needs a resolution of 300 or 600 dpi (not 1200 dpi).")),
    LANG_STRING(798,
                TEXT_OF(u"この用紙サイズでは隠し印刷を使えません。解像度も 300 dpi または 600 dpi にしてください。",
                        u"Trust marking cannot be used with this paper size, and needs 300 or 600 dpi.")),
    LANG_STRING(
        799, TEXT_OF(u"この用紙サイズでは隠し印刷を使えません。解像度も 300 dpi または 600 dpi にしてください (1200 "
                     u"dpi は使えません)。",
                     u"Trust marking cannot be used with this paper size, and needs 300 or 600 dpi (not 1200 dpi).")),
    // The overlay errors follow the path the user gave.
    LANG_STRING(806, TEXT_OF(u"\nこのフォームの用紙はこのプリンタでは使えません。",
                             u"\nThe papers of this form cannot be used with this printer.")),
    LANG_STRING(807, TEXT_OF(u"\nフォーム ファイル (*.fn2) ではありません。", u"\nThis is not a form file (*.fn2).")),
    LANG_STRING(808, TEXT_OF(u"\nファイルが見つかりません。パスを確認してください。",
                             u"\nThe file cannot be found. Check the path.")),
};
const DWORD kLangStampPageCount = sizeof(kLangStampPage) / sizeof(kLangStampPage[0]);
