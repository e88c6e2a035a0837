// A dialog carrying the combos the setting items fill, for the item tests through a window, and
// the preview bitmaps for the picture tests.
#include <vector>

#include "plat/dialog_template.h"
#include "plat/resource_table.h"
#include "ui/pages/preview_artwork.h"
#include "win/user_controls.h"

namespace {

constexpr DWORD kCombo = WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP;
const ORLA_DIALOG_ITEM kItems[] = {
    {u"ComboBox", nullptr, 1100, kCombo, 0, 7, 7, 120, 60},
    {u"ComboBox", nullptr, 3303, kCombo, 0, 7, 25, 120, 60},
    {u"ComboBox", nullptr, 3742, kCombo, 0, 7, 43, 120, 60},
    {u"ComboBox", nullptr, 1032, kCombo, 0, 7, 61, 120, 60},
    {u"ListBox", nullptr, 1101, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL, 0, 130, 25, 65, 60},
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

// The dialog, and the preview bitmaps as the interface DLL carries them.
const std::vector<ORLA_RESOURCE>& Entries() {
    static const std::vector<ORLA_RESOURCE> entries = [] {
        std::vector<ORLA_RESOURCE> all = {{5, nullptr, 100, nullptr, &kItemDialog, sizeof kItemDialog}};
        for (const ORLA_RESOURCE& r : orla::PreviewBitmapResources()) all.push_back(r);
        return all;
    }();
    return entries;
}

}  // namespace

DLLEXPORT const ORLA_RESOURCE_TABLE OrlaResourceTable = {static_cast<DWORD>(Entries().size()), Entries().data()};
