// The image adjustment page (dialog 537) and the object types' names, both languages side by side
// so the layouts cannot drift: each control has one position and a Japanese and an English text.
// The page paints its picture (the interface DLL's bitmap 2000) at a fixed place left of the
// object type list, between the mode group and the values.
#include "plat/dialog_template.h"
#include "resources/lang/image_page_ids.h"
#include "resources/lang/lang_strings.h"
#include "win/user.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangImagePage[];
extern const DWORD kLangImagePageCount;

namespace {

using namespace orla_res::image_page;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kRightLabel = kChild | SS_RIGHT;
constexpr DWORD kIcon = kChild | SS_ICON;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON | WS_TABSTOP;
constexpr DWORD kList = kChild | LBS_NOTIFY | WS_BORDER | WS_TABSTOP;
constexpr DWORD kEdit = kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
constexpr DWORD kSpin = kChild | UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS;
constexpr DWORD kScroll = kChild | SBS_HORZ | WS_TABSTOP;
constexpr SHORT kPageWidth = 252;
constexpr SHORT kPageHeight = 218;
const char16_t kFont[] = TEXT_OF(u"MS UI Gothic", u"MS Shell Dlg");

// clang-format off
const ORLA_DIALOG_ITEM kItems[] = {
    {u"Button",          TEXT_OF(u"調整方法", u"Adjustment"),                                kModeGroup, kChild | BS_GROUPBOX, 0, 7, 4, 238, 40},
    {u"Button",          TEXT_OF(u"すべてのオブジェクトをまとめて調整する(&A)", u"Adjust &all objects together"), kCommonMode, kRadio | WS_GROUP, 0, 16, 15, 220, 10},
    {u"Button",          TEXT_OF(u"オブジェクトの種類ごとに調整する(&E)", u"Adjust &each object type on its own"), kPerTypeMode, kRadio, 0, 16, 29, 220, 10},
    {u"Static",          TEXT_OF(u"オブジェクトの種類(&T):", u"Object &type:"),                kObjectTypeLabel, kLabel, 0, 92, 51, 150, 8},
    {u"ListBox",         nullptr,                                                          kObjectTypes, kList | WS_GROUP, 0, 92, 61, 150, 34},

    {u"Static",          nullptr,                                                          kFirstIcon, kIcon, 0, 7, 102, 16, 15},
    {u"Static",          TEXT_OF(u"明るさ(&B):", u"&Brightness:"),                           kFirstLabel, kLabel, 0, 28, 106, 60, 8},
    {u"Edit",            u"",                                                              kFirstEdit, kEdit, 0, 92, 104, 32, 12},
    {u"msctls_updown32", nullptr,                                                          kFirstSpin, kSpin, 0, 124, 104, 10, 12},
    {u"Static",          TEXT_OF(u"暗く", u"Darker"),                                       kFirstLowLabel, kRightLabel, 0, 20, 122, 44, 8},
    {u"ScrollBar",       nullptr,                                                          kFirstScroll, kScroll, 0, 68, 121, 128, 10},
    {u"Static",          TEXT_OF(u"明るく", u"Lighter"),                                     kFirstHighLabel, kLabel, 0, 200, 122, 45, 8},

    {u"Static",          nullptr,                                                          kSecondIcon, kIcon, 0, 7, 141, 16, 15},
    {u"Static",          TEXT_OF(u"コントラスト(&C):", u"&Contrast:"),                        kSecondLabel, kLabel, 0, 28, 145, 60, 8},
    {u"Edit",            u"",                                                              kSecondEdit, kEdit, 0, 92, 143, 32, 12},
    {u"msctls_updown32", nullptr,                                                          kSecondSpin, kSpin, 0, 124, 143, 10, 12},
    {u"Static",          TEXT_OF(u"低く", u"Lower"),                                        kSecondLowLabel, kRightLabel, 0, 20, 161, 44, 8},
    {u"ScrollBar",       nullptr,                                                          kSecondScroll, kScroll, 0, 68, 160, 128, 10},
    {u"Static",          TEXT_OF(u"高く", u"Higher"),                                       kSecondHighLabel, kLabel, 0, 200, 161, 45, 8},

    {u"Button",          TEXT_OF(u"標準に戻す(&D)", u"Restore &Defaults"),                   kRestoreDefaults, kPush | WS_GROUP, 0, 123, 197, 72, 14},
    {u"Button",          TEXT_OF(u"ヘルプ(&H)", u"&Help"),                                   kHelp, kPush, 0, 199, 197, 46, 14},
};
// clang-format on

const ORLA_DIALOG_TEMPLATE kPage = {ORLA_DIALOG_SIGNATURE,
                                    WS_CHILD | DS_CONTROL,
                                    0,
                                    0,
                                    0,
                                    kPageWidth,
                                    kPageHeight,
                                    TEXT_OF(u"画質", u"Image"),
                                    kFont,
                                    9,
                                    sizeof kItems / sizeof kItems[0],
                                    kItems};

}  // namespace

const ORLA_RESOURCE kLangImagePage[] = {
    {5, nullptr, kTemplate, nullptr, &kPage, sizeof kPage},
    LANG_STRING(kTextObjectText, TEXT_OF(u"テキスト", u"Text")),
    LANG_STRING(kTextObjectGraphics, TEXT_OF(u"グラフィックス", u"Graphics")),
    LANG_STRING(kTextObjectImages, TEXT_OF(u"イメージ", u"Images")),
};
const DWORD kLangImagePageCount = sizeof(kLangImagePage) / sizeof(kLangImagePage[0]);
