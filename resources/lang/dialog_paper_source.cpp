// The paper-source page (dialog 521), its four dialogs (3490, 3460, 2903, 509) and the texts
// they load, both languages side by side so the layouts cannot drift: each control has one
// position and a Japanese and an English text.
#include "plat/dialog_template.h"
#include "resources/lang/lang_strings.h"
#include "resources/lang/paper_source_ids.h"
#include "win/user.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangPaperSource[];
extern const DWORD kLangPaperSourceCount;

namespace {

using namespace orla_res::paper_source;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCombo = kChild | CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefault = kChild | BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD kCheck = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;
constexpr DWORD kPicture = kChild | SS_ICON;  // an icon the dialog sets
constexpr DWORD kPreviewList = kChild | LBS_OWNERDRAWFIXED | WS_BORDER;
constexpr DWORD kModal = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const char16_t kFont[] = TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg");

// clang-format off
// The page: the preview and the printer on the left, the source and what goes with it on the
// right, the hint line and the page's buttons at the bottom.
const ORLA_DIALOG_ITEM kPageItems[] = {
    {u"ListBox",  nullptr,                                                  kPreview, kPreviewList, 0, 7, 7, 124, 80},
    {u"Static",   u"",                                                      kCaption, kLabel, 0, 7, 89, 124, 8},
    {u"Button",   nullptr,                                                  kPrinter, kChild | BS_OWNERDRAW, 0, 7, 100, 54, 60},
    {u"Button",   TEXT_OF(u"構成の取得(&G)", u"&Get Configuration"),        kGetConfiguration, kPush, 0, 64, 104, 72, 13},
    {u"Static",   nullptr,                                                  kPaperPathPicture, kPicture, 0, 78, 124, 42, 16},
    {u"Static",   TEXT_OF(u"給紙方法(&S):", u"Paper &Source:"),             kSourceLabel, kLabel, 0, 141, 7, 117, 8},
    {u"ComboBox", nullptr,                                                  kSource, kCombo, 0, 141, 16, 117, 120},
    {u"Button",   TEXT_OF(u"用紙種類(&T)...", u"Paper &Type..."),           kPaperType, kPush, 0, 141, 33, 117, 13},
    {u"Button",   TEXT_OF(u"手差しの用紙種類(&M)...", u"&Manual Feed Paper Type..."), kManualPaperType, kPush, 0, 141, 49, 117, 13},
    {u"Button",   TEXT_OF(u"セクション別給紙(&E)...", u"Sourc&es by Section..."), kSectionSources, kPush, 0, 141, 65, 117, 13},
    {u"Button",   TEXT_OF(u"合紙・給紙の詳細(&D)...", u"Slip Sheets and &Details..."), kSourceDetail, kPush, 0, 141, 81, 117, 13},
    {u"Static",   TEXT_OF(u"排紙先(&O):", u"&Output Tray:"),                kOutputTrayLabel, kLabel, 0, 141, 100, 117, 8},
    {u"ComboBox", nullptr,                                                  kOutputTray, kCombo, 0, 141, 109, 117, 80},
    {u"Static",   TEXT_OF(u"オフセット排紙(&F):", u"O&ffset Stacking:"),    kOffsetStackingLabel, kLabel, 0, 141, 127, 117, 8},
    {u"ComboBox", nullptr,                                                  kOffsetStacking, kCombo, 0, 141, 136, 117, 60},
    {u"Button",   TEXT_OF(u"部単位で印刷(&C)", u"&Collate"),                kCollate, kCheck, 0, 141, 154, 117, 10},
    {u"Button",   TEXT_OF(u"ジョブごとに仕分ける(&J)", u"&Job Separation"), kJobSeparate, kCheck, 0, 141, 168, 117, 10},
    {u"Static",   u"",                                                      kHint, kLabel, 0, 7, 186, 251, 20},
    {u"Button",   TEXT_OF(u"設定一覧(&U)...", u"S&ummary..."),              kSummary, kPush, 0, 78, 212, 56, 13},
    {u"Button",   TEXT_OF(u"標準に戻す(&B)", u"Restore Defaults"),          kRestoreDefaults, kPush, 0, 137, 212, 72, 13},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                         kHelp, kPush, 0, 212, 212, 46, 13},
};

// Paper type: one combo, with the hint line the dialog clears.
const ORLA_DIALOG_ITEM kPaperTypeItems[] = {
    {u"Static",   nullptr,                                                  kPaperTypePicture, kPicture, 0, 7, 7, 20, 20},
    {u"Static",   TEXT_OF(u"用紙種類(&T):", u"Paper &Type:"),               kPaperTypeLabel, kLabel, 0, 34, 8, 163, 8},
    {u"ComboBox", nullptr,                                                  kPaperTypeCombo, kCombo, 0, 34, 18, 163, 80},
    {u"Static",   u"",                                                      kHint, kLabel, 0, 7, 38, 190, 8},
    {u"Button",   TEXT_OF(u"標準(&R)", u"&Defaults"),                       kPaperTypeDefaults, kPush, 0, 7, 52, 44, 14},
    {u"Button",   u"OK",                                                    IDOK, kDefault, 0, 55, 52, 44, 14},
    {u"Button",   TEXT_OF(u"キャンセル", u"Cancel"),                        IDCANCEL, kPush, 0, 103, 52, 44, 14},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                         kPaperTypeHelp, kPush, 0, 153, 52, 44, 14},
};

// Paper type of the manual slot.
const ORLA_DIALOG_ITEM kManualTypeItems[] = {
    {u"Static",   nullptr,                                                  kManualTypePicture, kPicture, 0, 7, 7, 20, 20},
    {u"Static",   TEXT_OF(u"手差しの用紙種類(&T):", u"Manual Feed Paper &Type:"), kManualTypeLabel, kLabel, 0, 34, 8, 163, 8},
    {u"ComboBox", nullptr,                                                  kManualTypeCombo, kCombo, 0, 34, 18, 163, 80},
    {u"Static",   u"",                                                      kHint, kLabel, 0, 7, 38, 190, 8},
    {u"Button",   TEXT_OF(u"標準(&R)", u"&Defaults"),                       kManualTypeDefaults, kPush, 0, 7, 52, 44, 14},
    {u"Button",   u"OK",                                                    IDOK, kDefault, 0, 55, 52, 44, 14},
    {u"Button",   TEXT_OF(u"キャンセル", u"Cancel"),                        IDCANCEL, kPush, 0, 103, 52, 44, 14},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                         kManualTypeHelp, kPush, 0, 153, 52, 44, 14},
};

// Sources by section: the switch, then one source per section.
const ORLA_DIALOG_ITEM kSectionItems[] = {
    {u"Button",   TEXT_OF(u"セクションごとに給紙方法を変える(&S)", u"Use a &source for each section"), kSectionsOn, kCheck, 0, 7, 7, 216, 10},
    {u"Static",   TEXT_OF(u"1枚目(&1):", u"&First sheet:"),                 kFirstSheetLabel, kLabel, 0, 19, 24, 80, 8},
    {u"ComboBox", nullptr,                                                  kFirstSheet, kCombo, 0, 102, 22, 121, 100},
    {u"Static",   TEXT_OF(u"2枚目以降(&2):", u"F&ollowing sheets:"),        kOtherSheetsLabel, kLabel, 0, 19, 40, 80, 8},
    {u"ComboBox", nullptr,                                                  kOtherSheets, kCombo, 0, 102, 38, 121, 100},
    {u"Static",   TEXT_OF(u"通常の給紙(&N):", u"&Normal source:"),          kSectionDefaultLabel, kLabel, 0, 19, 56, 80, 8},
    {u"ComboBox", nullptr,                                                  kSectionDefault, kCombo, 0, 102, 54, 121, 100},
    {u"Static",   TEXT_OF(u"区切りの給紙(&P):", u"Se&parators:"),           kSectionTrayLabel, kLabel, 0, 19, 72, 80, 8},
    {u"ComboBox", nullptr,                                                  kSectionTray, kCombo, 0, 102, 70, 121, 100},
    {u"Button",   TEXT_OF(u"表紙(&C):", u"Front &cover:"),                  kFrontCoverOn, kCheck, 0, 19, 88, 80, 10},
    {u"ComboBox", nullptr,                                                  kFrontCover, kCombo, 0, 102, 86, 121, 100},
    {u"Button",   TEXT_OF(u"裏表紙(&K):", u"&Back cover:"),                 kBackCoverOn, kCheck, 0, 19, 104, 80, 10},
    {u"ComboBox", nullptr,                                                  kBackCover, kCombo, 0, 102, 102, 121, 100},
    {u"Button",   TEXT_OF(u"標準(&R)", u"&Defaults"),                       kSectionsDefaults, kPush, 0, 7, 124, 50, 14},
    {u"Button",   u"OK",                                                    IDOK, kDefault, 0, 119, 124, 50, 14},
    {u"Button",   TEXT_OF(u"キャンセル", u"Cancel"),                        IDCANCEL, kPush, 0, 173, 124, 50, 14},
};

// Source details: the preview of the working copy on the left, the source, the slip sheets and
// the manual slot's paper type on the right.
const ORLA_DIALOG_ITEM kDetailItems[] = {
    {u"ListBox",  nullptr,                                                  kDetailPreview, kPreviewList, 0, 7, 7, 124, 80},
    {u"Static",   u"",                                                      kDetailCaption, kLabel, 0, 7, 89, 124, 8},
    {u"Static",   nullptr,                                                  kDetailPicture, kPicture, 0, 7, 102, 20, 20},
    {u"Static",   TEXT_OF(u"給紙方法(&S):", u"Paper &Source:"),             kDetailSourceLabel, kLabel, 0, 139, 7, 134, 8},
    {u"ComboBox", nullptr,                                                  kDetailSource, kCombo, 0, 139, 16, 134, 100},
    {u"Button",   TEXT_OF(u"合紙を入れる(&I)", u"&Insert slip sheets"),     kSlipSheetsOn, kCheck, 0, 139, 34, 134, 10},
    {u"Static",   TEXT_OF(u"給紙(&F):", u"&From:"),                   kSlipTrayLabel, kLabel, 0, 151, 50, 48, 8},
    {u"ComboBox", nullptr,                                                  kSlipTray, kCombo, 0, 201, 48, 72, 100},
    {u"Button",   TEXT_OF(u"白紙(&A)", u"Bl&ank"),                          kSlipBlank, kRadio | WS_GROUP | WS_TABSTOP, 0, 151, 65, 56, 10},
    {u"Button",   TEXT_OF(u"印刷済み(&P)", u"&Printed"),                    kSlipPrinted, kRadio, 0, 209, 65, 64, 10},
    {u"Static",   TEXT_OF(u"種類(&K):", u"&Kind:"),                   kSlipKindLabel, kLabel, 0, 151, 82, 48, 8},
    {u"ComboBox", nullptr,                                                  kSlipKind, kCombo | WS_GROUP, 0, 201, 80, 72, 60},
    {u"Static",   TEXT_OF(u"手差しの用紙種類(&T):", u"Manual Feed Paper &Type:"), kDetailManualLabel, kLabel, 0, 139, 100, 134, 8},
    {u"ComboBox", nullptr,                                                  kDetailManualType, kCombo, 0, 139, 109, 134, 80},
    {u"Button",   TEXT_OF(u"標準(&R)", u"&Defaults"),                       kDetailDefaults, kPush, 0, 7, 132, 50, 14},
    {u"Button",   u"OK",                                                    kDetailOk, kDefault, 0, 115, 132, 50, 14},
    {u"Button",   TEXT_OF(u"キャンセル", u"Cancel"),                        kDetailCancel, kPush, 0, 169, 132, 50, 14},
    {u"Button",   TEXT_OF(u"ヘルプ(&H)", u"&Help"),                         kDetailHelp, kPush, 0, 223, 132, 50, 14},
};
// clang-format on

template <size_t N>
constexpr ORLA_DIALOG_TEMPLATE Template(DWORD style, SHORT cx, SHORT cy, LPCWSTR title,
                                        const ORLA_DIALOG_ITEM (&items)[N]) {
    return {ORLA_DIALOG_SIGNATURE, style, 0, 0, 0, cx, cy, title, kFont, 9, static_cast<WORD>(N), items};
}

const ORLA_DIALOG_TEMPLATE kPageDialog =
    Template(WS_CHILD | DS_CONTROL, 265, 228, TEXT_OF(u"給紙", u"Paper Source"), kPageItems);
const ORLA_DIALOG_TEMPLATE kPaperTypeDialog =
    Template(kModal, 204, 73, TEXT_OF(u"用紙種類", u"Paper Type"), kPaperTypeItems);
const ORLA_DIALOG_TEMPLATE kManualTypeDialog =
    Template(kModal, 204, 73, TEXT_OF(u"手差しの用紙種類", u"Manual Feed Paper Type"), kManualTypeItems);
const ORLA_DIALOG_TEMPLATE kSectionsDialog =
    Template(kModal, 230, 145, TEXT_OF(u"セクション別給紙", u"Sources by Section"), kSectionItems);
const ORLA_DIALOG_TEMPLATE kDetailDialog =
    Template(kModal, 280, 153, TEXT_OF(u"合紙・給紙の詳細", u"Slip Sheets and Details"), kDetailItems);

}  // namespace

const ORLA_RESOURCE kLangPaperSource[] = {
    {5, nullptr, kTemplatePage, nullptr, &kPageDialog, sizeof kPageDialog},
    {5, nullptr, kTemplatePaperType, nullptr, &kPaperTypeDialog, sizeof kPaperTypeDialog},
    {5, nullptr, kTemplateManualPaperType, nullptr, &kManualTypeDialog, sizeof kManualTypeDialog},
    {5, nullptr, kTemplateSections, nullptr, &kSectionsDialog, sizeof kSectionsDialog},
    {5, nullptr, kTemplateDetail, nullptr, &kDetailDialog, sizeof kDetailDialog},
    LANG_STRING(kTextSecondSheetAsDocument, TEXT_OF(u"給紙方法と同じ", u"Same as Paper Source")),
    LANG_STRING(kTextSlipKinds, TEXT_OF(u"白紙", u"Blank")),
    LANG_STRING(kTextSlipKinds + 1, TEXT_OF(u"印刷済み", u"Printed")),
    LANG_STRING(kHintSource, TEXT_OF(u"給紙方法を変えると、セクション別給紙と合紙は解除されます。",
                                     u"Choosing a source turns sources by section and slip sheets off.")),
    LANG_STRING(kHintDefaults,
                TEXT_OF(u"給紙の設定を標準に戻しました。", u"The paper source settings are the defaults again.")),
    LANG_STRING(kWarnSlipSheetsDuplex, TEXT_OF(u"合紙を入れるため、両面印刷を解除しました。",
                                               u"Duplex printing is off: slip sheets are inserted.")),
    LANG_STRING(kWarnFaceUpDuplex, TEXT_OF(u"フェイスアップトレイに排紙するため、両面印刷を解除しました。",
                                           u"Duplex printing is off: output goes to the face-up tray.")),
};
const DWORD kLangPaperSourceCount = sizeof(kLangPaperSource) / sizeof(kLangPaperSource[0]);
