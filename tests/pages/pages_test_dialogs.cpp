// A dialog carrying the combos the setting items fill, for the item tests through a window.
#include "plat/dialog_template.h"
#include "plat/resource_table.h"
#include "win/user_controls.h"

namespace {

constexpr DWORD kCombo = WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP;
const ORLA_DIALOG_ITEM kItems[] = {
    {u"ComboBox", nullptr, 1100, kCombo, 0, 7, 7, 120, 60},   {u"ComboBox", nullptr, 3303, kCombo, 0, 7, 25, 120, 60},
    {u"ComboBox", nullptr, 3742, kCombo, 0, 7, 43, 120, 60},  {u"ComboBox", nullptr, 1032, kCombo, 0, 7, 61, 120, 60},
    {u"Button", u"OK", IDOK, WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 0, 140, 7, 50, 14},
};
const ORLA_DIALOG_TEMPLATE kItemDialog = {ORLA_DIALOG_SIGNATURE,
                                          WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME,
                                          0,
                                          0,
                                          0,
                                          200,
                                          90,
                                          u"Items",
                                          u"MS Shell Dlg",
                                          8,
                                          sizeof kItems / sizeof kItems[0],
                                          kItems};

const ORLA_RESOURCE kEntries[] = {
    {5, nullptr, 100, nullptr, &kItemDialog, sizeof kItemDialog},
};

}  // namespace

DLLEXPORT const ORLA_RESOURCE_TABLE OrlaResourceTable = {sizeof kEntries / sizeof kEntries[0], kEntries};
