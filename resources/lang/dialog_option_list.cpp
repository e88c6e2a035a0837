// The option-list page (dialog 504), the about box (dialog 510) and the texts the page loads, both
// languages side by side so the layouts cannot drift: each control has one position and a Japanese
// and an English text.
#include "plat/dialog_template.h"
#include "resources/lang/lang_strings.h"
#include "resources/lang/option_list_ids.h"
#include "win/user.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangOptionList[];
extern const DWORD kLangOptionListCount;

namespace {

using namespace orla_res::option_list;

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
constexpr DWORD kCheck = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kListStyle = 0x0080;  // LBS_USETABSTOPS: the value stands at the list's tab stop
constexpr DWORD kList = kChild | LBS_NOTIFY | kListStyle | WS_BORDER | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kEdit = kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
// Kept by the about box for its painted lines: the texts are set, the controls stay hidden.
constexpr DWORD kHiddenText = WS_CHILD | SS_LEFT;
constexpr SHORT kPageWidth = 265;
constexpr SHORT kPageHeight = 228;
const char16_t kFont[] = TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg");

// clang-format off
// The items with the selected one's value, its extra edit or combo and its note; the two checks;
// the about box, the defaults and help.
const ORLA_DIALOG_ITEM kPageItems[] = {
    {u"Static",   TEXT_OF(u"設定項目(&I):", u"Setting &Items:"),              kItemsLabel, kLabel, 0, 7, 7, 251, 8},
    {u"ListBox",  nullptr,                                                   kItems, kList, 0, 7, 17, 251, 89},
    {u"Button",   TEXT_OF(u"設定値", u"Value"),                               kValueGroup, kGroup, 0, 7, 109, 251, 73},
    {u"Static",   u"",                                                       kValueLabel, kLabel, 0, 14, 122, 110, 8},
    {u"ComboBox", nullptr,                                                   kValue, kCombo, 0, 126, 120, 125, 80},
    {u"Static",   TEXT_OF(u"詳細(&D):", u"&Detail:"),                         kDetailLabel, kLabel, 0, 14, 138, 110, 8},
    {u"Edit",     u"",                                                       kUserText, kEdit, 0, 126, 136, 125, 12},
    {u"ComboBox", nullptr,                                                   kTrayState, kCombo, 0, 126, 136, 125, 60},
    {u"Static",   nullptr,                                                   kNoteIcon, kChild | SS_ICON, 0, 14, 154, 10, 10},
    {u"Static",   u"",                                                       kNote, kLabel, 0, 30, 154, 221, 25},
    {u"Button",   TEXT_OF(u"印刷", u"Printing"),                              kPrintingGroup, kGroup, 0, 7, 183, 251, 22},
    {u"Button",   TEXT_OF(u"白紙ページを印刷しない(&S)", u"&Skip Blank Pages"), kSkipBlankPages, kCheck, 0, 14, 193, 118, 10},
    {u"Button",   TEXT_OF(u"トナー節約(&T)", u"&Toner Save"),                  kTonerSave, kCheck, 0, 138, 193, 113, 10},
    {u"Button",   TEXT_OF(u"バージョン情報(&A)...", u"&About..."),              kAbout, kPush, 0, 7, 208, 80, 14},
    {u"Button",   TEXT_OF(u"標準に戻す(&B)", u"Restore Defaults"),            kRestoreDefaults, kPush, 0, 137, 208, 72, 14},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                            kHelp, kPush, 0, 212, 208, 46, 14},
};

// The about box: the printer's name and the driver's version are painted over the hidden texts,
// beside the driver's icon; the maker's web page and OK.
const ORLA_DIALOG_ITEM kAboutItems[] = {
    {u"Static",   u"",                                                       kAboutModel, kHiddenText, 0, 7, 7, 286, 16},
    {u"Static",   nullptr,                                                   kAboutIcon, kChild | SS_ICON, 0, 7, 25, 20, 20},
    {u"Static",   u"",                                                       kAboutVersion, kHiddenText, 0, 7, 50, 286, 10},
    {u"Button",   TEXT_OF(u"Webページ(&W)", u"&Web Page"),                     kAboutWebPage, kPush, 0, 7, 72, 70, 14},
    {u"Button",   u"OK",                                                     kAboutOk, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 243, 72, 50, 14},
};
// clang-format on

const ORLA_DIALOG_TEMPLATE kOptionListPage = {ORLA_DIALOG_SIGNATURE,
                                              WS_CHILD | DS_CONTROL,
                                              0,
                                              0,
                                              0,
                                              kPageWidth,
                                              kPageHeight,
                                              TEXT_OF(u"詳細", u"Options"),
                                              kFont,
                                              9,
                                              sizeof kPageItems / sizeof kPageItems[0],
                                              kPageItems};
const ORLA_DIALOG_TEMPLATE kAboutBox = {ORLA_DIALOG_SIGNATURE,
                                        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                        0,
                                        0,
                                        0,
                                        300,
                                        93,
                                        TEXT_OF(u"バージョン情報", u"About"),
                                        kFont,
                                        9,
                                        sizeof kAboutItems / sizeof kAboutItems[0],
                                        kAboutItems};

}  // namespace

const ORLA_RESOURCE kLangOptionList[] = {
    {5, nullptr, kTemplatePage, nullptr, &kOptionListPage, sizeof kOptionListPage},
    {5, nullptr, kTemplateAbout, nullptr, &kAboutBox, sizeof kAboutBox},
    LANG_STRING(kNotePatternSize, TEXT_OF(u"解像度に合わせると、塗りつぶしの模様が印刷の解像度に応じて細かくなります。",
                                          u"By Resolution makes fill patterns finer as the resolution rises.")),
    LANG_STRING(kNoteGraphicsMode,
                TEXT_OF(u"ラスターを選ぶと、図形をイメージとして送ります。このとき選べない設定があります。",
                        u"Raster sends graphics as images; some settings cannot be chosen then.")),
    LANG_STRING(kNoteMargins, TEXT_OF(u"オンにすると、以前のプリンタと同じ印字可能領域で印刷します。",
                                      u"On prints within the printable area of earlier printers.")),
    LANG_STRING(kNoteGlyphs, TEXT_OF(u"JIS78を選ぶと、以前のプリンタと同じ字形で印刷します。",
                                     u"JIS78 prints the glyph shapes of earlier printers.")),
    LANG_STRING(kNoteGreyTables, TEXT_OF(u"するを選ぶと、写真などの濃淡がなめらかに印刷されます。",
                                         u"Yes prints the shades of photographs more smoothly.")),
    LANG_STRING(kNotePatterns, TEXT_OF(u"パターンとして送ると、同じ模様を繰り返す印刷が速くなります。",
                                       u"As Patterns prints repeated fill patterns faster.")),
    LANG_STRING(kWarnUserText,
                TEXT_OF(u"操作パネルに表示できない文字が含まれています。半角の英数字と記号(\" と ~ "
                        u"を除く)、半角カタカナで入力してください。",
                        u"The text holds characters the printer's panel cannot show. Use letters, digits, symbols "
                        u"(not \" or ~) and half-width katakana.")),
};
const DWORD kLangOptionListCount = sizeof(kLangOptionList) / sizeof(kLangOptionList[0]);
