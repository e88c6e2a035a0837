// Dialog templates for the window tests: one dialog with a control of every kind, and two
// broken entries the dialog manager must refuse.
#include "plat/dialog_template.h"
#include "plat/menu_template.h"
#include "plat/resource_table.h"
#include "tests/platform_ui/ui_test_ids.h"
#include "win/gdi.h"
#include "win/user_controls.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
const ORLA_DIALOG_ITEM kItems[] = {
    {u"Static", u"Settings", kIdLabel, kChild | SS_NOTIFY, 0, 7, 7, 100, 8},
    {u"Button", u"Duplex", kIdCheck, kChild | BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0, 7, 20, 80, 10},
    {u"Button", u"Portrait", kIdRadioA, kChild | BS_AUTORADIOBUTTON | WS_GROUP, 0, 7, 34, 80, 10},
    {u"Button", u"Landscape", kIdRadioB, kChild | BS_AUTORADIOBUTTON, 0, 7, 46, 80, 10},
    {u"Button", u"Rotated", kIdRadioC, kChild | BS_AUTORADIOBUTTON, 0, 7, 58, 80, 10},
    {u"Button", u"Collate", kIdRadioOther, kChild | BS_AUTORADIOBUTTON | WS_GROUP, 0, 7, 70, 80, 10},
    {u"Edit", u"1", kIdEdit, kChild | WS_BORDER | WS_TABSTOP | ES_NUMBER | WS_GROUP, 0, 100, 20, 40, 12},
    {u"msctls_updown32", nullptr, kIdSpin, kChild | UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT, 0, 140, 20, 10,
     12},
    {u"ComboBox", nullptr, kIdCombo, kChild | CBS_DROPDOWNLIST | WS_TABSTOP, 0, 100, 40, 80, 60},
    {u"Button", u"OK", IDOK, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, 90, 90, 50, 14},
    {u"Button", u"Cancel", IDCANCEL, kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 145, 90, 50, 14},
};
const ORLA_DIALOG_TEMPLATE kDialog = {ORLA_DIALOG_SIGNATURE,
                                      WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                      0,
                                      0,
                                      0,
                                      200,
                                      110,
                                      u"Test settings",
                                      u"MS Shell Dlg",
                                      8,
                                      sizeof kItems / sizeof kItems[0],
                                      kItems};
const ORLA_DIALOG_TEMPLATE kBadSignature = {0x1234, WS_POPUP, 0, 0, 0, 10, 10, u"", u"", 8, 0, nullptr};
const ORLA_DIALOG_ITEM kUnknownClassItem[] = {{u"NoSuchClass", u"", 5, WS_VISIBLE, 0, 0, 0, 10, 10}};
const ORLA_DIALOG_TEMPLATE kUnknownClass = {ORLA_DIALOG_SIGNATURE, WS_POPUP, 0, 0, 0, 10, 10, u"", u"", 8, 1,
                                            kUnknownClassItem};

// Two property pages of different sizes.
const ORLA_DIALOG_ITEM kPageItems[] = {
    {u"Button", u"Staple", kIdPageCheck, kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 7, 7, 80, 10},
};
const ORLA_DIALOG_TEMPLATE kFirstPage = {
    ORLA_DIALOG_SIGNATURE, WS_CHILD | DS_CONTROL, 0, 0, 0, 180, 120, u"Paper", u"MS Shell Dlg", 8, 1, kPageItems};
const ORLA_DIALOG_TEMPLATE kSecondPage = {ORLA_DIALOG_SIGNATURE, WS_CHILD | DS_CONTROL, 0, 0, 0,         200, 90,
                                          u"Finishing",          u"MS Shell Dlg",       8, 1, kPageItems};

// A context menu: one pop-up with a command, a separator and a grey command.
const ORLA_MENU_ITEM kContextItems[] = {
    {kCmdWhatsThis, u"What's This?", MF_STRING, nullptr},
    {0, nullptr, MF_SEPARATOR, nullptr},
    {kCmdGrey, u"Unavailable", MF_GRAYED, nullptr},
};
const ORLA_MENU_TEMPLATE kContextPopup = {ORLA_MENU_SIGNATURE, 3, kContextItems};
const ORLA_MENU_ITEM kMenuBar[] = {{0, u"Context", MF_POPUP, &kContextPopup}};
const ORLA_MENU_TEMPLATE kMenu = {ORLA_MENU_SIGNATURE, 1, kMenuBar};

// A 3 x 2 bitmap, 8 bits with a two-colour table, bottom-up: the top row red, red, green;
// the bottom row green, green, red. Rows are padded to 4 bytes.
struct SmallBitmap {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
    BYTE rows[2][4];
};
const SmallBitmap kBitmap = {{sizeof(BITMAPINFOHEADER), 3, 2, 1, 8, BI_RGB, 0, 0, 0, 2, 0},
                             {{0, 0, 255, 0}, {0, 255, 0, 0}},
                             {{1, 1, 0, 0}, {0, 0, 1, 0}}};

// A 2 x 2 icon image, 32 bits, bottom-up with its mask rows after the colour rows (the header's
// height counts both): red and a transparent blue on top, half-clear green and black below.
struct AlphaIcon {
    BITMAPINFOHEADER header;
    BYTE rows[2][8];
    BYTE mask[2][4];
};
const AlphaIcon kAlphaIcon = {{sizeof(BITMAPINFOHEADER), 2, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0},
                              {{0, 255, 0, 128, 0, 0, 0, 255}, {0, 0, 255, 255, 255, 0, 0, 0}},
                              {{0}, {0}}};

// A 4 x 4 icon image, 16 colours: all blue but for its left column, which the mask makes clear.
struct MaskedIcon {
    BITMAPINFOHEADER header;
    RGBQUAD colours[16];
    BYTE rows[4][4];
    BYTE mask[4][4];
};
const MaskedIcon kMaskedIcon = {{sizeof(BITMAPINFOHEADER), 4, 8, 1, 4, BI_RGB, 0, 0, 0, 0, 0},
                                {{0, 0, 0, 0}, {255, 0, 0, 0}},
                                {{0x11, 0x11}, {0x11, 0x11}, {0x11, 0x11}, {0x11, 0x11}},
                                {{0x80}, {0x80}, {0x80}, {0x80}}};

// Icon group directories: 6-byte header, then 14-byte entries (width, height, colours, reserved,
// planes, bits, bytes, RT_ICON id), little-endian.
const BYTE kIconGroup[] = {0, 0, 1,  0, 2, 0,                                                            //
                           2, 2, 0,  0, 1, 0, 32, 0, sizeof kAlphaIcon,  0, 0, 0, kIconImageAlpha,  0,   //
                           4, 4, 16, 0, 1, 0, 4,  0, sizeof kMaskedIcon, 0, 0, 0, kIconImageMasked, 0};  //
const BYTE kMissingImageGroup[] = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 4, 0, 0, 1, 0, 0, 199, 0};
static_assert(sizeof kAlphaIcon < 256 && sizeof kMaskedIcon < 256);

const ORLA_RESOURCE kEntries[] = {
    {14, nullptr, kIconSmall, nullptr, kIconGroup, sizeof kIconGroup},
    {3, nullptr, kIconImageAlpha, nullptr, &kAlphaIcon, sizeof kAlphaIcon},
    {3, nullptr, kIconImageMasked, nullptr, &kMaskedIcon, sizeof kMaskedIcon},
    {14, nullptr, kIconMissingImage, nullptr, kMissingImageGroup, sizeof kMissingImageGroup},
    {14, nullptr, kIconShortGroup, nullptr, kIconGroup, 12},
    {2, nullptr, kBitmapSmall, nullptr, &kBitmap, sizeof kBitmap},
    {2, nullptr, kBitmapShort, nullptr, &kBitmap, sizeof kBitmap - 4},
    {4, nullptr, kMenuContext, nullptr, &kMenu, sizeof kMenu},
    {5, nullptr, kPageFirst, nullptr, &kFirstPage, sizeof kFirstPage},
    {5, nullptr, kPageSecond, nullptr, &kSecondPage, sizeof kSecondPage},
    {5, nullptr, kDialogMain, nullptr, &kDialog, sizeof kDialog},
    {5, nullptr, kDialogBadSignature, nullptr, &kBadSignature, sizeof kBadSignature},
    {5, nullptr, kDialogShortRecord, nullptr, &kDialog, 8},
    {5, nullptr, kDialogUnknownClass, nullptr, &kUnknownClass, sizeof kUnknownClass},
};

}  // namespace

DLLEXPORT const ORLA_RESOURCE_TABLE OrlaResourceTable = {sizeof kEntries / sizeof kEntries[0], kEntries};
