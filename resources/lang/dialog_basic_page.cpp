// The basic page (dialog 520) and the texts of its combos, both languages side by side so the
// layouts cannot drift: each control has one position and a Japanese and an English text.
#include "plat/dialog_template.h"
#include "resources/lang/basic_page_ids.h"
#include "resources/lang/lang_strings.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangBasicPage[];
extern const DWORD kLangBasicPageCount;

namespace {

using namespace orla_res::basic_page;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCombo = kChild | CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL;
// Combos whose entries the page draws: an icon and the entry's text.
constexpr DWORD kIconCombo = kCombo | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kPicture = kChild | SS_ICON;  // an icon the page sets

// clang-format off
const ORLA_DIALOG_ITEM kItems[] = {
    {u"Static",   TEXT_OF(u"お気に入り(&F):", u"&Favourites:"),      0xFFFF, kLabel, 0, 7, 7, 60, 8},
    {u"ComboBox", nullptr,                                           kFavourites, kIconCombo, 0, 70, 5, 104, 80},
    {u"Button",   TEXT_OF(u"追加(&A)...", u"&Add..."),              kAddFavourite, kPush, 0, 177, 5, 39, 13},
    {u"Button",   TEXT_OF(u"編集(&E)...", u"&Edit..."),             kEditFavourite, kPush, 0, 219, 5, 39, 13},
    {u"ListBox",  nullptr,                                           kPreview, kChild | LBS_OWNERDRAWFIXED | WS_BORDER, 0, 7, 22, 124, 80},
    {u"Static",   u"",                                               kCaption, kLabel, 0, 7, 104, 124, 8},
    {u"Button",   nullptr,                                           kPrinter, kChild | BS_OWNERDRAW, 0, 7, 114, 54, 60},
    {u"Button",   TEXT_OF(u"構成の取得(&G)", u"&Get Configuration"), kGetConfiguration, kPush, 0, 63, 118, 73, 13},
    {u"Static",   TEXT_OF(u"用紙サイズ(&Z):", u"Paper Si&ze:"),      0xFFFF, kLabel, 0, 141, 22, 117, 8},
    {u"ComboBox", nullptr,                                           kPaperSize, kCombo, 0, 141, 31, 117, 120},
    {u"Static",   TEXT_OF(u"出力用紙(&O):", u"&Output Paper:"),      0xFFFF, kLabel, 0, 141, 46, 117, 8},
    {u"ComboBox", nullptr,                                           kOutputPaper, kCombo, 0, 141, 55, 117, 120},
    {u"Button",   TEXT_OF(u"縦(&P)", u"&Portrait"),                 kPortrait, kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 141, 70, 50, 10},
    {u"Button",   TEXT_OF(u"横(&L)", u"&Landscape"),                kLandscape, kChild | BS_AUTORADIOBUTTON, 0, 195, 70, 60, 10},
    {u"Static",   TEXT_OF(u"部数(&C):", u"&Copies:"),               0xFFFF, kLabel, 0, 141, 84, 40, 8},
    {u"Edit",     u"1",                                              kCopies, kChild | WS_BORDER | ES_NUMBER | WS_TABSTOP | WS_GROUP, 0, 183, 82, 40, 12},
    {u"msctls_updown32", nullptr,                                    kCopiesSpin, kChild | UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 223, 82, 10, 12},
    {u"Button",   TEXT_OF(u"任意倍率(&R)", u"F&ree Zoom"),          kFreeZoom, kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 141, 98, 60, 10},
    {u"Edit",     u"100",                                            kZoom, kChild | WS_BORDER | ES_NUMBER | WS_TABSTOP, 0, 203, 96, 30, 12},
    {u"Static",   TEXT_OF(u"両面印刷(&D):", u"&Duplex:"),            0xFFFF, kLabel, 0, 141, 112, 117, 8},
    {u"ComboBox", nullptr,                                           kDuplex, kIconCombo, 0, 141, 121, 117, 80},
    {u"ComboBox", nullptr,                                           kBinding, kIconCombo, 0, 141, 136, 117, 80},
    {u"Static",   TEXT_OF(u"レイアウト(&Y):", u"La&yout:"),          0xFFFF, kLabel, 0, 141, 153, 44, 8},
    {u"ComboBox", nullptr,                                           kLayout, kIconCombo, 0, 186, 151, 72, 120},
    {u"ComboBox", nullptr,                                           kOrder, kIconCombo, 0, 141, 166, 117, 80},
    {u"ComboBox", nullptr,                                           kFrame, kCombo, 0, 141, 181, 62, 80},
    {u"Button",   TEXT_OF(u"用紙を節約(&V)", u"Sa&ve Paper"),        kSavePaper, kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 7, 180, 124, 10},
    {u"ComboBox", nullptr,                                           kEntryMode, kIconCombo, 0, 141, 196, 76, 80},
    {u"Button",   TEXT_OF(u"設定(&T)...", u"Se&t..."),              kHoldSettings, kPush, 0, 220, 196, 38, 13},
    // The hint line's icon shows only while the line holds a hint.
    {u"Static",   nullptr,                                           kHintIcon, WS_CHILD | SS_ICON, 0, 7, 194, 10, 10},
    {u"Static",   u"",                                               kHint, kLabel, 0, 20, 196, 116, 8},
    {u"Button",   TEXT_OF(u"レイアウト詳細(&I)...", u"Layout Deta&ils..."), kLayoutDetails, kPush, 0, 7, 212, 68, 13},
    {u"Button",   TEXT_OF(u"設定一覧(&S)...", u"&Summary..."),       kSummary, kPush, 0, 78, 212, 56, 13},
    {u"Button",   TEXT_OF(u"標準に戻す(&B)", u"Restore Defaults"),   kRestoreDefaults, kPush, 0, 137, 212, 72, 13},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                  kHelp, kPush, 0, 212, 212, 46, 13},
    // Pictures beside the controls they stand for, in the ends of the label rows and the free
    // space under the configuration button: favourites, paper size, output paper, duplex, copies,
    // zoom; orientation, page order, binding, layout and text-entry mode in one row; the printer
    // with its paper path, the summary and defaults pictures and the driver's banner.
    {u"Static",   nullptr,                                           kFavouritesPicture, kPicture, 0, 59, 6, 10, 10},
    {u"Static",   nullptr,                                           kPaperSizePicture, kPicture, 0, 246, 21, 10, 9},
    {u"Static",   nullptr,                                           kOutputPaperPicture, kPicture, 0, 246, 45, 10, 9},
    {u"Static",   nullptr,                                           kDuplexPicture, kPicture, 0, 246, 111, 10, 9},
    {u"Static",   nullptr,                                           kCopiesPicture, kPicture, 0, 236, 83, 10, 10},
    {u"Static",   nullptr,                                           kZoomPicture, kPicture, 0, 236, 97, 10, 10},
    {u"Static",   nullptr,                                           kOrientationPicture, kPicture, 0, 72, 133, 10, 9},
    {u"Static",   nullptr,                                           kOrderPicture, kPicture, 0, 84, 133, 10, 9},
    {u"Static",   nullptr,                                           kBindingPicture, kPicture, 0, 96, 133, 10, 9},
    {u"Static",   nullptr,                                           kLayoutPicture, kPicture, 0, 108, 133, 10, 9},
    {u"Static",   nullptr,                                           kEntryModePicture, kPicture, 0, 120, 133, 10, 9},
    {u"Static",   nullptr,                                           kPaperPathPicture, kPicture, 0, 72, 144, 42, 16},
    {u"Static",   nullptr,                                           kSummaryPicture, kPicture, 0, 118, 144, 10, 8},
    {u"Static",   nullptr,                                           kDefaultsPicture, kPicture, 0, 118, 153, 10, 8},
    {u"Static",   nullptr,                                           kBanner, kPicture, 0, 71, 162, 60, 16},
};
// clang-format on

const ORLA_DIALOG_TEMPLATE kBasicPage = {ORLA_DIALOG_SIGNATURE,
                                         WS_CHILD | DS_CONTROL,
                                         0,
                                         0,
                                         0,
                                         265,
                                         228,
                                         TEXT_OF(u"基本", u"Basic"),
                                         TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg"),
                                         9,
                                         sizeof kItems / sizeof kItems[0],
                                         kItems};

}  // namespace

const ORLA_RESOURCE kLangBasicPage[] = {
    {5, nullptr, 520, nullptr, &kBasicPage, sizeof kBasicPage},
    // Duplex, binding, layout order and frame, layout kinds and text-entry modes.
    LANG_STRING(522, TEXT_OF(u"片面", u"Simplex")),
    LANG_STRING(523, TEXT_OF(u"両面(長辺とじ)", u"Duplex (Long)")),
    LANG_STRING(524, TEXT_OF(u"両面(短辺とじ)", u"Duplex (Short)")),
    LANG_STRING(525, TEXT_OF(u"左／上とじ", u"Left / Top")),
    LANG_STRING(526, TEXT_OF(u"右／下とじ", u"Right / Bottom")),
    LANG_STRING(505, TEXT_OF(u"枠なし", u"No Frame")),
    LANG_STRING(506, TEXT_OF(u"実線", u"Solid Line")),
    LANG_STRING(507, TEXT_OF(u"破線", u"Dashed Line")),
    LANG_STRING(508, TEXT_OF(u"点線", u"Dotted Line")),
    LANG_STRING(509, TEXT_OF(u"太線", u"Thick Line")),
    LANG_STRING(514, TEXT_OF(u"左から右", u"Left to Right")),
    LANG_STRING(515, TEXT_OF(u"右から左", u"Right to Left")),
    LANG_STRING(518, TEXT_OF(u"左上から右", u"Top Left Across")),
    LANG_STRING(519, TEXT_OF(u"左上から下", u"Top Left Down")),
    LANG_STRING(520, TEXT_OF(u"右上から左", u"Top Right Across")),
    LANG_STRING(521, TEXT_OF(u"右上から下", u"Top Right Down")),
    LANG_STRING(601, TEXT_OF(u"1ページ", u"1 Page")),
    LANG_STRING(602, TEXT_OF(u"2ページ", u"2 Pages")),
    LANG_STRING(604, TEXT_OF(u"4ページ", u"4 Pages")),
    LANG_STRING(606, TEXT_OF(u"6ページ", u"6 Pages")),
    LANG_STRING(608, TEXT_OF(u"8ページ", u"8 Pages")),
    LANG_STRING(609, TEXT_OF(u"9ページ", u"9 Pages")),
    LANG_STRING(616, TEXT_OF(u"16ページ", u"16 Pages")),
    LANG_STRING(762, TEXT_OF(u"通常印刷", u"Normal Print")),
    LANG_STRING(763, TEXT_OF(u"保存印刷", u"Stored Print")),
    LANG_STRING(764, TEXT_OF(u"試し印刷", u"Proof Print")),
    LANG_STRING(468, TEXT_OF(u"用紙サイズと同じ", u"Same as Paper Size")),
    // Warnings of the page.
    LANG_STRING(809, TEXT_OF(u"倍率は10～400%の範囲で入力してください。", u"Enter a zoom from 10 to 400%.")),
    LANG_STRING(813, TEXT_OF(u"部数は1～999の範囲で入力してください。", u"Enter a number of copies from 1 to 999.")),
    LANG_STRING(800, TEXT_OF(u"この用紙サイズには直接印刷できません。出力用紙を選択してください。",
                             u"This printer cannot print on this paper size directly. Choose an output paper.")),
    LANG_STRING(811,
                TEXT_OF(u"OHPフィルムには両面印刷できません。", u"Transparencies cannot be printed on both sides.")),
    LANG_STRING(814, TEXT_OF(u"この用紙サイズはレイアウトが1ページのときだけ使えます。",
                             u"This paper size can be used only with the 1 Page layout.")),
    LANG_STRING(815, TEXT_OF(u"長尺紙からの拡大縮小は横向きで印刷してください。",
                             u"Print long paper mapped to another size in landscape orientation.")),
    LANG_STRING(738, TEXT_OF(u"長尺紙には1200dpiで印刷できません。解像度を600dpiにします。",
                             u"Long paper cannot be printed at 1200 dpi. The resolution is set to 600 dpi.")),
    LANG_STRING(892, TEXT_OF(u"保存印刷・試し印刷ができないため、通常印刷に戻します。",
                             u"Stored and proof printing are not available. Normal printing is set.")),
    // Warnings of the paper rules the paper pages share.
    LANG_STRING(737, TEXT_OF(u"この用紙はこの機能では使えません。", u"This paper cannot be used with this feature.")),
    LANG_STRING(822, TEXT_OF(u"フォームオーバーレイが指定する給紙装置が装着されていません。",
                             u"The feeder the form overlay asks for is not installed.")),
    LANG_STRING(824, TEXT_OF(u"ユーザー名に操作パネルで表示できない文字が含まれているため、表示しません。",
                             u"The user name holds characters the control panel cannot show; it will not be shown.")),
    LANG_STRING(856,
                TEXT_OF(u"厚紙2はスタッカーに排紙できません。", u"Thick paper 2 cannot be output to the stacker.")),
    LANG_STRING(858,
                TEXT_OF(u"この用紙はスタッカーに排紙できません。", u"This paper cannot be output to the stacker.")),
    // Output trays, paper types and the paper types of the manual slot.
    LANG_STRING(850, TEXT_OF(u"プリンタの設定", u"Printer Setting")),
    LANG_STRING(851, TEXT_OF(u"フェイスダウントレイ", u"Face-down Tray")),
    LANG_STRING(852, TEXT_OF(u"スタッカー", u"Stacker")),
    LANG_STRING(853, TEXT_OF(u"フェイスアップトレイ", u"Face-up Tray")),
    LANG_STRING(880, TEXT_OF(u"普通紙", u"Plain Paper")),
    LANG_STRING(881, TEXT_OF(u"厚紙1", u"Thick Paper 1")),
    LANG_STRING(882, TEXT_OF(u"厚紙2", u"Thick Paper 2")),
    LANG_STRING(883, TEXT_OF(u"OHPフィルム", u"Transparency")),
    LANG_STRING(884, TEXT_OF(u"再生紙", u"Recycled Paper")),
    LANG_STRING(885, TEXT_OF(u"薄紙", u"Thin Paper")),
    LANG_STRING(886, TEXT_OF(u"ラベル紙", u"Labels")),
    LANG_STRING(887, TEXT_OF(u"はがき", u"Postcard")),
    LANG_STRING(888, TEXT_OF(u"封筒", u"Envelope")),
    LANG_STRING(889, TEXT_OF(u"色紙", u"Coloured Paper")),
    LANG_STRING(670, TEXT_OF(u"普通紙", u"Plain Paper")),
    LANG_STRING(671, TEXT_OF(u"厚紙1", u"Thick Paper 1")),
    LANG_STRING(672, TEXT_OF(u"厚紙2", u"Thick Paper 2")),
    LANG_STRING(673, TEXT_OF(u"OHPフィルム", u"Transparency")),
};
const DWORD kLangBasicPageCount = sizeof(kLangBasicPage) / sizeof(kLangBasicPage[0]);
