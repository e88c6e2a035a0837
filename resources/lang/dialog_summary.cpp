// The settings summary (dialog 2600): the tree's place, Close and Help; and the labels and value
// texts of the summary's rows that no page shows elsewhere. Both languages side by side.
#include "plat/dialog_template.h"
#include "resources/lang/lang_strings.h"
#include "resources/lang/summary_ids.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

extern const ORLA_RESOURCE kLangSummary[];
extern const DWORD kLangSummaryCount;

namespace {

using namespace orla_res::summary;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;

// clang-format off
const ORLA_DIALOG_ITEM kSummaryItems[] = {
    // The placeholder whose place and id the tree takes.
    {u"Static", u"",                                 kTree,  kChild | WS_BORDER, 0, 7, 7, 246, 170},
    {u"Button", TEXT_OF(u"閉じる", u"Close"),        kClose, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, 149, 183, 50, 14},
    {u"Button", TEXT_OF(u"ヘルプ(&H)", u"&Help"),    kHelp,  kPush, 0, 203, 183, 50, 14},
};
// clang-format on

const ORLA_DIALOG_TEMPLATE kSummaryDialog = {ORLA_DIALOG_SIGNATURE,
                                             WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                             0,
                                             0,
                                             0,
                                             260,
                                             204,
                                             TEXT_OF(u"設定の確認", u"Settings Summary"),
                                             TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg"),
                                             9,
                                             sizeof kSummaryItems / sizeof kSummaryItems[0],
                                             kSummaryItems};

}  // namespace

const ORLA_RESOURCE kLangSummary[] = {
    {5, nullptr, kTemplateSummary, nullptr, &kSummaryDialog, sizeof kSummaryDialog},
    // Row labels: groups and settings.
    LANG_STRING(400, TEXT_OF(u"基本", u"Basic")),
    LANG_STRING(402, TEXT_OF(u"レイアウト", u"Layout")),
    LANG_STRING(403, TEXT_OF(u"枠", u"Frame")),
    LANG_STRING(404, TEXT_OF(u"ページ順序", u"Page Order")),
    LANG_STRING(407, TEXT_OF(u"両面印刷", u"Duplex")),
    LANG_STRING(408, TEXT_OF(u"とじ方向", u"Binding")),
    LANG_STRING(410, TEXT_OF(u"部単位で印刷", u"Collate")),
    LANG_STRING(412, TEXT_OF(u"ジョブごとに仕分け", u"Job Separation")),
    LANG_STRING(417, TEXT_OF(u"給紙", u"Paper Source")),
    LANG_STRING(419, TEXT_OF(u"用紙サイズ", u"Paper Size")),
    LANG_STRING(421, TEXT_OF(u"出力用紙", u"Output Paper")),
    LANG_STRING(422, TEXT_OF(u"出力用紙の選び方", u"Output Paper Choice")),
    LANG_STRING(423, TEXT_OF(u"倍率を指定", u"Own Zoom")),
    LANG_STRING(424, TEXT_OF(u"倍率", u"Zoom")),
    LANG_STRING(425, TEXT_OF(u"印刷の向き", u"Orientation")),
    LANG_STRING(426, TEXT_OF(u"給紙方法", u"Source")),
    LANG_STRING(428, TEXT_OF(u"部数", u"Copies")),
    LANG_STRING(429, TEXT_OF(u"詳細", u"Details")),
    LANG_STRING(430, TEXT_OF(u"プリンタ", u"Printer")),
    LANG_STRING(436, TEXT_OF(u"ハーフトーン", u"Halftone")),
    LANG_STRING(446, TEXT_OF(u"ジョブ情報", u"Job Information")),
    LANG_STRING(451, TEXT_OF(u"構成を手動で設定", u"Configuration Set by Hand")),
    LANG_STRING(457, TEXT_OF(u"フォントの設定", u"Font Settings")),
    LANG_STRING(552, TEXT_OF(u"スタンプ/フォーム", u"Stamp/Overlay")),
    LANG_STRING(554, TEXT_OF(u"スタンプ", u"Stamp")),
    LANG_STRING(570, TEXT_OF(u"白紙ページを印刷", u"Print Blank Pages")),
    LANG_STRING(731, TEXT_OF(u"用紙を節約", u"Save Paper")),
    LANG_STRING(779, TEXT_OF(u"印刷方法", u"Print Mode")),
    LANG_STRING(780, TEXT_OF(u"改ざん防止印刷", u"Trust Marking")),
    LANG_STRING(876, TEXT_OF(u"画質調整", u"Image Adjustment")),
    LANG_STRING(879, TEXT_OF(u"画質", u"Image")),
    LANG_STRING(1094, TEXT_OF(u"文書モニター", u"Document Monitor")),
    // Values.
    LANG_STRING(320, TEXT_OF(u"1枚目と2枚目以降で分ける", u"First Sheet Apart")),
    LANG_STRING(321, TEXT_OF(u"合紙を入れる", u"With Slip Sheets")),
    LANG_STRING(502, TEXT_OF(u"表示しない", u"Not Shown")),
    LANG_STRING(527, TEXT_OF(u"縦", u"Portrait")),
    LANG_STRING(528, TEXT_OF(u"横", u"Landscape")),
    LANG_STRING(571, TEXT_OF(u"しない", u"Off")),
    LANG_STRING(572, TEXT_OF(u"する", u"On")),
    LANG_STRING(870, TEXT_OF(u"全体で共通", u"Whole Page")),
    LANG_STRING(871, TEXT_OF(u"オブジェクトごと", u"Per Object Type")),
    LANG_STRING(1092, TEXT_OF(u"使わない", u"Off")),
    LANG_STRING(1093, TEXT_OF(u"使う", u"On")),
};
const DWORD kLangSummaryCount = sizeof(kLangSummary) / sizeof(kLangSummary[0]);
