// The print-time job settings dialog (template 1099): the category buttons on the left, the
// preview with the copies beside it, the eight panels stacked in one place (the dialog shows one
// at a time), the hint line and the dialog's own check and buttons; then its texts. Both languages
// side by side so the layouts cannot drift.
#include "plat/dialog_template.h"
#include "resources/lang/job_settings_ids.h"
#include "resources/lang/lang_strings.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangJobSettings[];
extern const DWORD kLangJobSettingsCount;

namespace {

using namespace orla_res::job_settings;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kCheck = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kRadioFirst = kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;
constexpr DWORD kCombo = kChild | CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kPicture = kChild | SS_ICON;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// clang-format off
const ORLA_DIALOG_ITEM kItems[] = {
    {u"ListBox",  nullptr, kCategories, kChild | WS_BORDER | LBS_NOTIFY | LBS_OWNERDRAWFIXED | WS_TABSTOP, 0, 7, 7, 56, 208},
    {u"ListBox",  nullptr, kPreview, kChild | WS_BORDER | LBS_OWNERDRAWFIXED, 0, 70, 7, 170, 88},
    {u"Static",   nullptr, kPaperPicture, kPicture, 0, 73, 70, 10, 10},
    {u"Static",   nullptr, kOutputPaperPicture, kPicture, 0, 73, 81, 10, 10},
    {u"Static",   TEXT_OF(u"部数(&C):", u"&Copies:"), 0xFFFF, kLabel, 0, 246, 9, 40, 8},
    {u"Edit",     u"1", kCopies, kChild | WS_BORDER | ES_NUMBER | WS_TABSTOP | WS_GROUP, 0, 246, 20, 40, 12},
    {u"msctls_updown32", nullptr, kCopiesSpin, kChild | UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 286, 20, 10, 12},
    {u"Static",   nullptr, kCopiesPicture, kPicture, 0, 300, 21, 10, 10},
    {u"Static",   nullptr, kBanner, kPicture, 0, 246, 70, 60, 20},

    // 650: layout.
    {u"Static",   TEXT_OF(u"レイアウト", u"Layout"), kLayoutLabel, kLabel, 0, 70, 101, 80, 8},
    {u"Static",   nullptr, kLayoutPicture, kPicture, 0, 296, 100, 10, 10},
    {u"Static",   TEXT_OF(u"ページ数(&N):", u"Pages per She&et:"), kPagesLabel, kLabel, 0, 70, 114, 70, 8},
    {u"ComboBox", nullptr, kPagesPerSheet, kCombo, 0, 142, 112, 80, 120},
    {u"Static",   nullptr, kPagesPicture, kPicture, 0, 226, 113, 10, 10},
    {u"Static",   TEXT_OF(u"枠(&W):", u"Frame (&W):"), kFrameLabel, kLabel, 0, 70, 130, 70, 8},
    {u"ComboBox", nullptr, kFrameKind, kCombo, 0, 142, 128, 80, 80},
    {u"Static",   nullptr, kFramePicture, kPicture, 0, 226, 129, 10, 10},
    {u"Button",   TEXT_OF(u"ページごとに枠を付ける(&B)", u"Frame Each Page (&B)"), kPageFrame, kCheck, 0, 70, 145, 150, 10},
    {u"Button",   TEXT_OF(u"ページ順序", u"Page Order"), kOrderGroup, kGroup, 0, 240, 112, 86, 76},
    {u"Static",   nullptr, kOrderIcon, kPicture, 0, 246, 122, 10, 10},
    {u"Button",   TEXT_OF(u"左上から右(&H)", u"Left Across (&H)"), kOrder0, kRadioFirst, 0, 246, 136, 78, 10},
    {u"Button",   TEXT_OF(u"左上から下(&I)", u"Left Down (&I)"), kOrder1, kRadio, 0, 246, 148, 78, 10},
    {u"Button",   TEXT_OF(u"右上から左(&J)", u"Right Across (&J)"), kOrder2, kRadio, 0, 246, 160, 78, 10},
    {u"Button",   TEXT_OF(u"右上から下(&K)", u"Right Down (&K)"), kOrder3, kRadio, 0, 246, 172, 78, 10},

    // 651: two-sided printing.
    {u"Button",   TEXT_OF(u"両面印刷", u"Two-Sided Printing"), kDuplexGroup, kGroup, 0, 70, 100, 256, 44},
    {u"Static",   nullptr, kSimplexPicture, kPicture, 0, 78, 112, 10, 10},
    {u"Static",   nullptr, kLongEdgePicture, kPicture, 0, 160, 112, 10, 10},
    {u"Static",   nullptr, kShortEdgePicture, kPicture, 0, 242, 112, 10, 10},
    {u"Button",   TEXT_OF(u"片面(&S)", u"&Simplex"), kSimplex, kRadioFirst, 0, 78, 126, 76, 10},
    {u"Button",   TEXT_OF(u"長辺とじ(&L)", u"&Long Edge"), kLongEdge, kRadio, 0, 160, 126, 76, 10},
    {u"Button",   TEXT_OF(u"短辺とじ(&T)", u"Shor&t Edge"), kShortEdge, kRadio, 0, 242, 126, 76, 10},
    {u"Button",   TEXT_OF(u"とじ方向", u"Binding"), kBindingGroup, kGroup, 0, 70, 148, 256, 40},
    {u"Static",   nullptr, kBindFrontPicture, kPicture, 0, 78, 160, 10, 10},
    {u"Static",   nullptr, kBindBackPicture, kPicture, 0, 200, 160, 10, 10},
    {u"Button",   TEXT_OF(u"左／上とじ(&F)", u"Left / Top (&F)"), kBindFront, kRadioFirst, 0, 92, 161, 100, 10},
    {u"Button",   TEXT_OF(u"右／下とじ(&G)", u"Right / Bottom (&G)"), kBindBack, kRadio, 0, 214, 161, 100, 10},

    // 652: stamp.
    {u"Button",   TEXT_OF(u"スタンプ", u"Stamp"), kStampGroup, kGroup, 0, 70, 100, 256, 60},
    {u"Button",   TEXT_OF(u"スタンプを印刷する(&P)", u"&Print a Stamp"), kStampOn, kCheck, 0, 78, 112, 150, 10},
    {u"ComboBox", nullptr, kStampChoice, kCombo, 0, 78, 140, 150, 120},
    {u"Static",   TEXT_OF(u"スタンプ名(&M):", u"Stamp Na&me:"), kStampLabel, kLabel, 0, 78, 128, 150, 8},
    {u"Button",   TEXT_OF(u"編集(&E)...", u"&Edit..."), kStampEdit, kPush, 0, 234, 139, 60, 14},

    // 653: annotation.
    {u"Button",   TEXT_OF(u"日付/文字列", u"Annotation"), kAnnotationGroup, kGroup, 0, 70, 100, 256, 88},
    {u"Button",   TEXT_OF(u"日付/文字列を印刷する(&A)", u"Print an &Annotation"), kAnnotationOn, kCheck, 0, 78, 112, 150, 10},
    {u"ComboBox", nullptr, kAnnotationPosition, kCombo, 0, 150, 126, 100, 120},
    {u"Static",   TEXT_OF(u"位置(&O):", u"P&osition:"), kPositionLabel, kLabel, 0, 78, 128, 70, 8},
    {u"ComboBox", nullptr, kAnnotationKind, kCombo, 0, 150, 142, 100, 120},
    {u"Static",   TEXT_OF(u"種類(&Y):", u"T&ype:"), kKindLabel, kLabel, 0, 78, 144, 70, 8},
    {u"Edit",     u"", kAnnotationText, kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 0, 150, 158, 170, 12},
    {u"Static",   TEXT_OF(u"文字列(&X):", u"Te&xt:"), kTextLabel, kLabel, 0, 78, 160, 70, 8},

    // 654: collate.
    {u"Button",   TEXT_OF(u"部単位印刷", u"Collate"), kCollateGroup, kGroup, 0, 70, 100, 256, 40},
    {u"Static",   nullptr, kCollatePicture, kPicture, 0, 78, 114, 10, 10},
    {u"Button",   TEXT_OF(u"部単位で印刷する(&U)", u"Colla&te Copies"), kCollate, kCheck, 0, 96, 115, 150, 10},

    // 655: job separation.
    {u"Button",   TEXT_OF(u"ジョブセパレート", u"Job Separation"), kSeparateGroup, kGroup, 0, 70, 100, 256, 52},
    {u"Static",   nullptr, kSeparatePicture, kPicture, 0, 78, 114, 10, 10},
    {u"Button",   TEXT_OF(u"ジョブごとに排紙先を分ける(&J)", u"Separate &Jobs"), kJobSeparate, kCheck, 0, 96, 115, 200, 10},
    {u"Button",   TEXT_OF(u"部単位印刷と連動する(&K)", u"Lin&k with Collate"), kCollateSeparate, kCheck, 0, 96, 129, 200, 10},

    // 656: offset stacking.
    {u"Button",   TEXT_OF(u"オフセット排紙", u"Offset Stacking"), kOffsetGroup, kGroup, 0, 70, 100, 256, 40},
    {u"Static",   nullptr, kOffsetPicture, kPicture, 0, 78, 114, 10, 10},
    {u"Button",   TEXT_OF(u"部ごとにずらして排紙する(&Z)", u"Offset Each Copy (&Z)"), kOffsetStacking, kCheck, 0, 96, 115, 200, 10},

    // 657: reprint.
    {u"Button",   TEXT_OF(u"リプリント", u"Reprint"), kReprintGroup, kGroup, 0, 70, 100, 256, 40},
    {u"Static",   nullptr, kReprintPicture, kPicture, 0, 78, 114, 10, 10},
    {u"Button",   TEXT_OF(u"プリンタに保存して再印刷できるようにする(&R)", u"Keep for &Reprinting"), kReprint, kCheck, 0, 96, 115, 220, 10},

    // The hint line (its icon shows only with a hint), the switch and the buttons.
    {u"Static",   nullptr, kHintIcon, WS_CHILD | SS_ICON, 0, 70, 193, 10, 10},
    {u"Static",   u"", kHint, kLabel, 0, 83, 194, 243, 8},
    {u"Button",   TEXT_OF(u"次回からこの画面を表示しない(&D)", u"&Don't Show This Again"), kDialogOff, kCheck, 0, 70, 210, 140, 10},
    {u"Button",   TEXT_OF(u"標準に戻す(&B)", u"Defaults"), kReset, kPush, 0, 212, 207, 56, 14},
    {u"Button",   TEXT_OF(u"印刷", u"Print"), kOk, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 272, 207, 54, 14},
};
// clang-format on

const ORLA_DIALOG_TEMPLATE kDialog = {ORLA_DIALOG_SIGNATURE,
                                      kDialogStyle,
                                      0,
                                      0,
                                      0,
                                      333,
                                      226,
                                      u"",  // the printer's name and the document's, set by the dialog
                                      TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg"),
                                      9,
                                      sizeof kItems / sizeof kItems[0],
                                      kItems};

}  // namespace

const ORLA_RESOURCE kLangJobSettings[] = {
    {5, nullptr, kTemplate, nullptr, &kDialog, sizeof kDialog},
    // The categories; "|" splits a name onto two lines of its button.
    LANG_STRING(545, TEXT_OF(u"レイアウト", u"Layout")),
    LANG_STRING(546, TEXT_OF(u"両面|印刷", u"Two-|Sided")),
    LANG_STRING(547, TEXT_OF(u"スタンプ", u"Stamp")),
    LANG_STRING(548, TEXT_OF(u"日付/|文字列", u"Anno-|tation")),
    LANG_STRING(549, TEXT_OF(u"部単位|印刷", u"Collate")),
    LANG_STRING(550, TEXT_OF(u"ジョブ|セパレート", u"Job|Separation")),
    LANG_STRING(736, TEXT_OF(u"オフセット|排紙", u"Offset|Stacking")),
    LANG_STRING(551, TEXT_OF(u"リプリント", u"Reprint")),
    // Annotation positions (580 to 588, by the place on the page) and kinds (590 to 598).
    LANG_STRING(580, TEXT_OF(u"左上", u"Top Left")),
    LANG_STRING(581, TEXT_OF(u"上中央", u"Top Centre")),
    LANG_STRING(582, TEXT_OF(u"右上", u"Top Right")),
    LANG_STRING(583, TEXT_OF(u"左中央", u"Middle Left")),
    LANG_STRING(584, TEXT_OF(u"中央", u"Centre")),
    LANG_STRING(585, TEXT_OF(u"右中央", u"Middle Right")),
    LANG_STRING(586, TEXT_OF(u"左下", u"Bottom Left")),
    LANG_STRING(587, TEXT_OF(u"下中央", u"Bottom Centre")),
    LANG_STRING(588, TEXT_OF(u"右下", u"Bottom Right")),
    LANG_STRING(590, TEXT_OF(u"ユーザー名", u"User Name")),
    LANG_STRING(591, TEXT_OF(u"コンピュータ名", u"Computer Name")),
    LANG_STRING(592, TEXT_OF(u"ユーザー名/コンピュータ名", u"User / Computer")),
    LANG_STRING(593, TEXT_OF(u"日付", u"Date")),
    LANG_STRING(594, TEXT_OF(u"時刻", u"Time")),
    LANG_STRING(595, TEXT_OF(u"日付/時刻", u"Date / Time")),
    LANG_STRING(596, TEXT_OF(u"文書名", u"Document Name")),
    LANG_STRING(597, TEXT_OF(u"ページ番号", u"Page Number")),
    LANG_STRING(598, TEXT_OF(u"任意の文字列", u"Own Text")),
    // Hints.
    LANG_STRING(700, TEXT_OF(u"この用紙または設定ではレイアウトを変更すると倍率が変わります。",
                             u"With this paper or setting the layout changes the zoom.")),
    LANG_STRING(701, TEXT_OF(u"この用紙または用紙種類では両面印刷できません。",
                             u"Two-sided printing is not possible with this paper or paper type.")),
    LANG_STRING(702, TEXT_OF(u"プリンタのメモリが不足しているため部単位印刷できない場合があります。",
                             u"The printer may lack the memory to collate this job.")),
    LANG_STRING(703, TEXT_OF(u"部単位印刷にはプリンタのメモリを使います。",
                             u"Collating uses the printer's memory.")),
    LANG_STRING(704, TEXT_OF(u"ジョブセパレートはA4の用紙を自動選択で給紙するときだけ使えます。",
                             u"Job separation needs A4 paper fed from the automatic source.")),
    LANG_STRING(705, TEXT_OF(u"リプリントにはプリンタのハードディスクが必要です。",
                             u"Reprinting needs the printer's hard disk.")),
    LANG_STRING(709, TEXT_OF(u"部数は1～999の範囲で入力してください。", u"Enter from 1 to 999 copies.")),
    LANG_STRING(717, TEXT_OF(u"とじ方向に合わせて裏面の向きが変わります。",
                             u"The back side turns to suit the binding edge.")),
    LANG_STRING(724, TEXT_OF(u"部単位で印刷します。", u"Copies are printed collated.")),
    LANG_STRING(732, TEXT_OF(u"選んだスタンプを各ページに印刷します。", u"The chosen stamp is printed on every page.")),
    LANG_STRING(733, TEXT_OF(u"日付や文字列を各ページに印刷します。", u"The annotation is printed on every page.")),
    LANG_STRING(1091, TEXT_OF(u"次の印刷からこの画面は表示されません。",
                              u"This window will not be shown for later jobs.")),
    // Messages.
    LANG_STRING(823, TEXT_OF(u"設定をプリンタの標準に戻します。よろしいですか?",
                             u"Restore the printer's default settings?")),
    LANG_STRING(829, TEXT_OF(u"文字列は半角64文字(全角32文字)以内で入力してください。",
                             u"Enter a text of at most 64 bytes.")),
};
const DWORD kLangJobSettingsCount = sizeof(kLangJobSettings) / sizeof(kLangJobSettings[0]);
