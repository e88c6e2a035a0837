// The layout-detail dialog (template 2400) and its texts, both languages side by side so the
// layouts cannot drift. The front group sits left of the back group; without a back side the
// dialog moves the front and zoom groups into the middle.
#include "plat/dialog_template.h"
#include "resources/lang/lang_strings.h"
#include "resources/lang/layout_detail_ids.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangLayoutDetail[];
extern const DWORD kLangLayoutDetailCount;

namespace {

using namespace orla_res::layout_detail;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kEdit = kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kValue = kChild | WS_BORDER | ES_READONLY;
constexpr DWORD kSpin = kChild | UDS_ALIGNRIGHT | UDS_ARROWKEYS;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// clang-format off
// One side's group: top and left with their up-down controls, the gaps below and to the right.
#define SIDE_ITEMS(x, group, title, topText, topLabel, top, topSpin, topUnit, leftText, leftLabel, left, leftSpin, \
                   leftUnit, bottomLabel, bottom, bottomUnit, rightLabel, right, rightUnit) \
    {u"Button", title, group, kGroup, 0, x, 134, 155, 94}, \
    {u"Static", topText, topLabel, kLabel, 0, x + 6, 148, 50, 8}, \
    {u"Edit", u"", top, kEdit | WS_GROUP, 0, x + 58, 146, 44, 12}, \
    {u"msctls_updown32", nullptr, topSpin, kSpin, 0, x + 102, 146, 10, 12}, \
    {u"Static", u"mm", topUnit, kLabel, 0, x + 116, 148, 30, 8}, \
    {u"Static", leftText, leftLabel, kLabel, 0, x + 6, 164, 50, 8}, \
    {u"Edit", u"", left, kEdit, 0, x + 58, 162, 44, 12}, \
    {u"msctls_updown32", nullptr, leftSpin, kSpin, 0, x + 102, 162, 10, 12}, \
    {u"Static", u"mm", leftUnit, kLabel, 0, x + 116, 164, 30, 8}, \
    {u"Static", TEXT_OF(u"下:", u"Bottom:"), bottomLabel, kLabel, 0, x + 6, 180, 50, 8}, \
    {u"Edit", u"", bottom, kValue, 0, x + 58, 178, 44, 12}, \
    {u"Static", u"mm", bottomUnit, kLabel, 0, x + 116, 180, 30, 8}, \
    {u"Static", TEXT_OF(u"右:", u"Right:"), rightLabel, kLabel, 0, x + 6, 196, 50, 8}, \
    {u"Edit", u"", right, kValue, 0, x + 58, 194, 44, 12}, \
    {u"Static", u"mm", rightUnit, kLabel, 0, x + 116, 196, 30, 8}

const ORLA_DIALOG_ITEM kItems[] = {
    // The preview takes the mouse (SS_NOTIFY): the image is dragged and resized there.
    {u"Static", nullptr, kPreview, kChild | SS_OWNERDRAW | SS_NOTIFY | WS_BORDER, 0, 7, 7, 316, 96},
    {u"Static", TEXT_OF(u"用紙:", u"Paper:"), kPaperLabel, kLabel, 0, 7, 114, 34, 8},
    {u"Static", u"", kPaperCaption, kLabel, 0, 43, 114, 172, 8},
    {u"Button", TEXT_OF(u"単位", u"Units"), kUnitGroup, kGroup, 0, 220, 104, 103, 26},
    {u"Button", u"m&m", kMillimetres, kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 226, 115, 40, 10},
    {u"Button", u"&inch", kInches, kChild | BS_AUTORADIOBUTTON, 0, 272, 115, 45, 10},
    SIDE_ITEMS(7, kFrontGroup, TEXT_OF(u"表面", u"Front"),
               TEXT_OF(u"上(&T):", u"&Top:"), kFrontTopLabel, kFrontTop, kFrontTopSpin, kFrontTopUnit,
               TEXT_OF(u"左(&L):", u"&Left:"), kFrontLeftLabel, kFrontLeft, kFrontLeftSpin, kFrontLeftUnit,
               kFrontBottomLabel, kFrontBottom, kFrontBottomUnit, kFrontRightLabel, kFrontRight, kFrontRightUnit),
    {u"Button", TEXT_OF(u"中央(&C)", u"&Centre"), kFrontCentre, kPush, 0, 13, 210, 60, 13},
    SIDE_ITEMS(168, kBackGroup, TEXT_OF(u"裏面", u"Back"),
               TEXT_OF(u"上(&O):", u"T&op:"), kBackTopLabel, kBackTop, kBackTopSpin, kBackTopUnit,
               TEXT_OF(u"左(&F):", u"Le&ft:"), kBackLeftLabel, kBackLeft, kBackLeftSpin, kBackLeftUnit,
               kBackBottomLabel, kBackBottom, kBackBottomUnit, kBackRightLabel, kBackRight, kBackRightUnit),
    {u"Button", TEXT_OF(u"中央(&E)", u"C&entre"), kBackCentre, kPush, 0, 172, 210, 44, 13},
    {u"Button", TEXT_OF(u"反転(&M)", u"&Mirror"), kMirrorFront, kPush, 0, 219, 210, 44, 13},
    {u"Button", TEXT_OF(u"表面と同じ(&S)", u"&Same"), kSameAsFront, kPush, 0, 266, 210, 53, 13},
    {u"Button", TEXT_OF(u"倍率", u"Zoom"), kZoomGroup, kGroup, 0, 7, 232, 155, 28},
    {u"Button", TEXT_OF(u"任意倍率(&R)", u"F&ree Zoom"), kFreeZoom, kChild | BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0, 13, 244, 64, 10},
    {u"Edit", u"100", kZoom, kEdit, 0, 82, 243, 30, 12},
    {u"msctls_updown32", nullptr, kZoomSpin, kSpin, 0, 112, 243, 10, 12},
    {u"Static", u"%", kZoomPercent, kLabel, 0, 126, 245, 12, 8},
    {u"Button", TEXT_OF(u"標準に戻す(&D)", u"&Defaults"), kDefaults, kPush, 0, 7, 268, 64, 14},
    {u"Button", u"OK", 1, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 167, 268, 50, 14},
    {u"Button", TEXT_OF(u"キャンセル", u"Cancel"), 2, kPush, 0, 220, 268, 50, 14},
    {u"Button", TEXT_OF(u"ヘルプ(&H)", u"&Help"), kHelp, kPush, 0, 273, 268, 50, 14},
};
// clang-format on

const ORLA_DIALOG_TEMPLATE kDialog = {ORLA_DIALOG_SIGNATURE,
                                      kDialogStyle,
                                      0,
                                      0,
                                      0,
                                      330,
                                      289,
                                      TEXT_OF(u"レイアウト詳細", u"Layout Details"),
                                      TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg"),
                                      9,
                                      sizeof kItems / sizeof kItems[0],
                                      kItems};

}  // namespace

const ORLA_RESOURCE kLangLayoutDetail[] = {
    {5, nullptr, kTemplate, nullptr, &kDialog, sizeof kDialog},
    LANG_STRING(kTextPrintPosition, TEXT_OF(u"印刷位置", u"Print Position")),
    LANG_STRING(kWarnImageOffSheet,
                TEXT_OF(u"印刷イメージが用紙の印刷可能領域から外れています。このまま設定します。",
                        u"The image lies outside the printable area of the paper. The setting is kept.")),
};
const DWORD kLangLayoutDetailCount = sizeof(kLangLayoutDetail) / sizeof(kLangLayoutDetail[0]);
