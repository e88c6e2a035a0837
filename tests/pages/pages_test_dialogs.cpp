// A dialog carrying the combos the setting items fill, for the item tests through a window, and
// the preview bitmaps for the picture tests.
#include <cstring>
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

// The paper-source and hint controls the shared paper routines fill, and two drawn combos.
constexpr DWORD kIconCombo = kCombo | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
const ORLA_DIALOG_ITEM kPaperItems[] = {
    {u"ComboBox", nullptr, 1223, kCombo, 0, 7, 7, 150, 80},
    {u"ComboBox", nullptr, 1226, kCombo, 0, 7, 25, 150, 80},
    {u"ComboBox", nullptr, 1234, kCombo, 0, 7, 43, 150, 80},
    {u"ComboBox", nullptr, 1127, kIconCombo, 0, 7, 61, 150, 80},
    {u"ComboBox", nullptr, 1699, kIconCombo, 0, 7, 79, 150, 80},
    {u"Static", nullptr, 1006, WS_CHILD | SS_ICON, 0, 7, 100, 10, 10},
    {u"Static", u"", 1000, WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 20, 100, 150, 8},
};
const ORLA_DIALOG_TEMPLATE kPaperDialog = {ORLA_DIALOG_SIGNATURE,
                                           WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME,
                                           0,
                                           0,
                                           0,
                                           180,
                                           120,
                                           u"Paper",
                                           u"MS Shell Dlg",
                                           8,
                                           sizeof kPaperItems / sizeof kPaperItems[0],
                                           kPaperItems};

// A 16 x 16 icon of plain red as an icon group carries it: one 24-bit image (bottom-up, twice
// the height for the colour rows and the all-opaque mask rows), under the first duplex entry's id.
constexpr WORD kRedIconId = 940;
constexpr WORD kRedIconImageId = 9400;
const std::vector<BYTE>& RedIcon() {
    static const std::vector<BYTE> bytes = [] {
        constexpr size_t kColourBytes = 16 * 16 * 3, kMaskBytes = 16 * 4;
        std::vector<BYTE> b(40 + kColourBytes + kMaskBytes, 0);
        const DWORD header[] = {40, 16, 32};
        std::memcpy(b.data(), header, sizeof header);
        b[12] = 1;   // planes
        b[14] = 24;  // bits per pixel
        for (size_t i = 40; i < 40 + kColourBytes; i += 3) b[i + 2] = 0xFF;
        return b;
    }();
    return bytes;
}
const std::vector<BYTE>& RedIconGroup() {
    static const std::vector<BYTE> bytes = [] {
        const auto size = static_cast<DWORD>(RedIcon().size());
        std::vector<BYTE> b = {0,
                               0,
                               1,
                               0,
                               1,
                               0,  // reserved, type 1, one entry
                               16,
                               16,
                               0,
                               0,
                               1,
                               0,
                               24,
                               0,  // 16 x 16, 1 plane, 24 bits
                               static_cast<BYTE>(size),
                               static_cast<BYTE>(size >> 8),
                               0,
                               0,  // bytes
                               static_cast<BYTE>(kRedIconImageId),
                               static_cast<BYTE>(kRedIconImageId >> 8)};
        return b;
    }();
    return bytes;
}

// The dialogs, a red icon, and the preview bitmaps as the interface DLL carries them.
const std::vector<ORLA_RESOURCE>& Entries() {
    static const std::vector<ORLA_RESOURCE> entries = [] {
        std::vector<ORLA_RESOURCE> all = {
            {5, nullptr, 100, nullptr, &kItemDialog, sizeof kItemDialog},
            {5, nullptr, 101, nullptr, &kPaperDialog, sizeof kPaperDialog},
            {14, nullptr, kRedIconId, nullptr, RedIconGroup().data(), static_cast<DWORD>(RedIconGroup().size())},
            {3, nullptr, kRedIconImageId, nullptr, RedIcon().data(), static_cast<DWORD>(RedIcon().size())}};
        for (const ORLA_RESOURCE& r : orla::PreviewBitmapResources()) all.push_back(r);
        return all;
    }();
    return entries;
}

}  // namespace

DLLEXPORT const ORLA_RESOURCE_TABLE OrlaResourceTable = {static_cast<DWORD>(Entries().size()), Entries().data()};
