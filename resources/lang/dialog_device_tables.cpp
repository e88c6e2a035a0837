// The TrueType substitution dialog (2000) and the output paper dialog (2100) that the device
// settings page opens, with their texts, both languages side by side so the layouts cannot drift.
#include "plat/dialog_template.h"
#include "resources/lang/device_tables_ids.h"
#include "resources/lang/lang_strings.h"
#include "win/list_view.h"
#include "win/user.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangDeviceTables[];
extern const DWORD kLangDeviceTableCount;

namespace {

using namespace orla_res::device_tables;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kReport =
    kChild | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
constexpr DWORD kCombo = kChild | CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr SHORT kWidth = 260;
constexpr SHORT kHeight = 172;
const char16_t kFont[] = TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg");

// clang-format off
// The faces with their printer fonts; the selected face and its choice under the list. A viewer
// gets Close where Defaults stands.
const ORLA_DIALOG_ITEM kTrueTypeItems[] = {
    {WC_LISTVIEWW, nullptr,                                                       kFaceList, kReport, 0, 7, 7, 246, 104},
    {u"Static",   TEXT_OF(u"選択したフォントを置き換えるプリンタフォント(&S):",
                          u"&Substitute the selected font with:"),                kFaceLabel, kLabel, 0, 7, 117, 246, 8},
    {u"Static",   u"",                                                            kFaceName, kLabel | SS_NOPREFIX, 0, 7, 132, 120, 8},
    {u"ComboBox", nullptr,                                                        kPrinterFont, kCombo, 0, 130, 130, 123, 80},
    {u"Button",   TEXT_OF(u"標準に戻す(&D)", u"&Defaults"),                       kDefaults, kPush, 0, 7, 151, 60, 14},
    {u"Button",   TEXT_OF(u"閉じる", u"Close"),                                    kClose, kPush, 0, 7, 151, 60, 14},
    {u"Button",   u"OK",                                                          kOk, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 89, 151, 52, 14},
    {u"Button",   TEXT_OF(u"キャンセル", u"Cancel"),                               kCancel, kPush, 0, 145, 151, 52, 14},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                                kHelp, kPush, 0, 201, 151, 52, 14},
};

// The forms with their output papers; the selected form and its choice under the list.
const ORLA_DIALOG_ITEM kOutPaperItems[] = {
    {WC_LISTVIEWW, nullptr,                                                       kFormList, kReport, 0, 7, 7, 246, 104},
    {u"Static",   TEXT_OF(u"選択した用紙サイズの出力用紙(&O):",
                          u"&Output paper for the selected paper size:"),         kFormLabel, kLabel, 0, 7, 117, 246, 8},
    {u"Static",   u"",                                                            kFormName, kLabel | SS_NOPREFIX, 0, 7, 132, 120, 8},
    {u"ComboBox", nullptr,                                                        kOutputPaper, kCombo, 0, 130, 130, 123, 80},
    {u"Button",   TEXT_OF(u"標準に戻す(&D)", u"&Defaults"),                       kDefaults, kPush, 0, 7, 151, 60, 14},
    {u"Button",   TEXT_OF(u"閉じる", u"Close"),                                    kClose, kPush, 0, 7, 151, 60, 14},
    {u"Button",   u"OK",                                                          kOk, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 89, 151, 52, 14},
    {u"Button",   TEXT_OF(u"キャンセル", u"Cancel"),                               kCancel, kPush, 0, 145, 151, 52, 14},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                                kHelp, kPush, 0, 201, 151, 52, 14},
};
// clang-format on

const ORLA_DIALOG_TEMPLATE kTrueTypeDialog = {ORLA_DIALOG_SIGNATURE,
                                              kDialogStyle,
                                              0,
                                              0,
                                              0,
                                              kWidth,
                                              kHeight,
                                              TEXT_OF(u"TrueTypeフォントの置換", u"TrueType Font Substitution"),
                                              kFont,
                                              9,
                                              sizeof kTrueTypeItems / sizeof kTrueTypeItems[0],
                                              kTrueTypeItems};
const ORLA_DIALOG_TEMPLATE kOutPaperDialog = {ORLA_DIALOG_SIGNATURE,
                                              kDialogStyle,
                                              0,
                                              0,
                                              0,
                                              kWidth,
                                              kHeight,
                                              TEXT_OF(u"出力用紙テーブル", u"Output Paper Table"),
                                              kFont,
                                              9,
                                              sizeof kOutPaperItems / sizeof kOutPaperItems[0],
                                              kOutPaperItems};

}  // namespace

const ORLA_RESOURCE kLangDeviceTables[] = {
    {5, nullptr, kTemplateTrueTypeSubst, nullptr, &kTrueTypeDialog, sizeof kTrueTypeDialog},
    {5, nullptr, kTemplateOutPaper, nullptr, &kOutPaperDialog, sizeof kOutPaperDialog},
    // The printer's resident fonts by the names the graphics DLL knows them by, in both builds.
    LANG_STRING(kTextNoSubstitution, TEXT_OF(u"置き換えない", u"Do Not Substitute")),
    LANG_STRING(kTextMincho, u"明朝"),
    LANG_STRING(kTextVerticalMincho, u"@明朝"),
    LANG_STRING(kTextGothic, u"ｺﾞｼｯｸ"),
    LANG_STRING(kTextVerticalGothic, u"@ｺﾞｼｯｸ"),
    LANG_STRING(kTextOcrB, u"OCR-B"),
    LANG_STRING(kColumnTrueTypeFace, TEXT_OF(u"TrueTypeフォント", u"TrueType Font")),
    LANG_STRING(kColumnPrinterFont, TEXT_OF(u"プリンタフォント", u"Printer Font")),
};
const DWORD kLangDeviceTableCount = sizeof(kLangDeviceTables) / sizeof(kLangDeviceTables[0]);
