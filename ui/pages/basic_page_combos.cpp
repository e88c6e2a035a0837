// Owner drawing of the basic page's combos: which icon and text each entry gets, and drawing it.
#include "ui/pages/basic_page_combos.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <utility>

#include "core/device_data.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/basic_page.h"
#include "ui/pages/basic_page_fillers.h"

namespace orla {

namespace {

constexpr COLORREF kSelectedBackground = 0x500000, kBackground = 0xFFFFFF;
constexpr COLORREF kSelectedText = 0xFFFFFF, kText = 0x000000;
constexpr int kTextChars = 16;

constexpr UINT kDuplexIcons[2][3] = {{940, 942, 944}, {941, 943, 945}};
constexpr UINT kLayoutIcons[2][7] = {{910, 911, 913, 915, 917, 919, 921}, {910, 912, 914, 916, 918, 920, 922}};
constexpr UINT kTwoUpOrderTexts[2][2] = {{514, 515}, {516, 517}};
constexpr UINT kTwoUpOrderIcons[2][2] = {{930, 931}, {932, 933}};
constexpr UINT kOrderTexts[4] = {518, 519, 520, 521};
constexpr UINT kOrderIcons[4] = {934, 935, 936, 937};
constexpr UINT kBindingTexts[2] = {525, 526};
constexpr UINT kBindingIcons[2] = {721, 722};
constexpr UINT kEntryUnavailableIcon = 958;

// The favourites' icons by position: with the duplex unit on and PresetFlags bit 3 every
// favourite has its own; otherwise some positions share and some icons are left out.
constexpr UINT kFavouriteIconsNoPresetBit[] = {600, 601, 602, 603, 604, 605, 607, 607, 608, 609,
                                               610, 611, 612, 613, 614, 615, 616, 617, 618, 619};
constexpr UINT kFavouriteIconsNoDuplex[] = {600, 601, 604, 605, 606, 607, 608, 609, 610,
                                            611, 612, 613, 614, 615, 616, 617, 618, 619};
constexpr UINT kFavouriteIconsNeither[] = {600, 601, 604, 605, 607, 607, 608, 609, 610,
                                           611, 612, 613, 614, 615, 616, 617, 618, 619};
constexpr UINT kFavouriteFirstIcon = 600;
constexpr UINT kFavouriteCount = 20;
constexpr DWORD kPresetOwnIcons = 0x8;

UINT At(std::span<const UINT> list, UINT entry) {
    return entry < list.size() ? list[entry] : 0;
}

ComboEntryLook FavouriteLook(const DriverDevmode& r, DWORD presetFlags, UINT entry) {
    if (entry >= kFavouriteCount) return {false, 0, 0};
    const bool duplex = DeviceInstalled(r, dm::kDuplex);
    const bool ownIcons = (presetFlags & kPresetOwnIcons) != 0;
    if (duplex && ownIcons) return {true, kFavouriteFirstIcon + entry, 0};
    if (duplex) return {true, At(kFavouriteIconsNoPresetBit, entry), 0};
    if (ownIcons) return {true, At(kFavouriteIconsNoDuplex, entry), 0};
    return {true, At(kFavouriteIconsNeither, entry), 0};
}

// Icons of this DLL as the system keeps them: loaded once and valid while the module is.
HICON SharedIcon(HMODULE module, UINT id) {
    static std::mutex lock;
    static std::map<std::pair<HMODULE, UINT>, HICON> loaded;
    if (!module || id == 0) return nullptr;
    std::lock_guard<std::mutex> hold(lock);
    const auto found = loaded.find({module, id});
    if (found != loaded.end()) return found->second;
    HICON icon = LoadIconW(module, MAKEINTRESOURCEW(id));
    if (icon) loaded[{module, id}] = icon;  // a missing icon is asked again: the text stands alone
    return icon;
}

std::u16string EntryText(const PageContext* page, const DRAWITEMSTRUCT* item, UINT textId) {
    WCHAR text[256] = {};
    if (textId != 0) {
        const HMODULE res = page->uiContext->hResDll;
        if (res) LoadStringW(res, textId, text, kTextChars + 1);
    } else {
        const auto length = SendMessageW(item->hwndItem, CB_GETLBTEXTLEN, item->itemID, 0);
        if (length > 0 && length < 256)
            SendMessageW(item->hwndItem, CB_GETLBTEXT, item->itemID, reinterpret_cast<LPARAM>(text));
    }
    std::u16string out(text);
    if (out.size() > kTextChars) out.resize(kTextChars);
    return out;
}

// Restores the device context's text colour and background mode however the drawing ends.
class TextStateScope {
public:
    explicit TextStateScope(HDC hdc)
        : hdc_(hdc), colour_(SetTextColor(hdc, kText)), mode_(SetBkMode(hdc, TRANSPARENT)) {}
    ~TextStateScope() {
        SetTextColor(hdc_, colour_);
        SetBkMode(hdc_, mode_);
    }
    TextStateScope(const TextStateScope&) = delete;
    TextStateScope& operator=(const TextStateScope&) = delete;

private:
    HDC hdc_;
    COLORREF colour_;
    int mode_;
};

void FillBackground(HDC hdc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (!brush) return;
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

}  // namespace

bool IsIconCombo(int id) {
    return id == kIdFavourites || id == kIdEntryMode || id == kIdLayout || id == kIdOrder || id == kIdDuplex ||
           id == kIdBinding;
}

ComboEntryLook LookOfComboEntry(const DriverDevmode& r, DWORD presetFlags, int comboId, UINT entry) {
    const int orientation = Get(r, dm::Orientation) == DMORIENT_LANDSCAPE ? 1 : 0;
    switch (comboId) {
        case kIdDuplex:
            if (entry > 2) return {false, 0, 0};
            return {true, kDuplexIcons[orientation][entry], 0};
        case kIdLayout:
            if (entry > 6) return {false, 0, 0};
            return {true, kLayoutIcons[orientation][entry], 0};
        case kIdOrder: {
            const WORD kind = Get(r, dm::LayoutMode);
            if (kind == 1) return {false, 0, 0};
            if (kind == 2)
                return entry < 2 ? ComboEntryLook{true, kTwoUpOrderIcons[orientation][entry],
                                                  kTwoUpOrderTexts[orientation][entry]}
                                 : ComboEntryLook{true, 0, 0};
            return entry < 4 ? ComboEntryLook{true, kOrderIcons[entry], kOrderTexts[entry]}
                             : ComboEntryLook{true, 0, 0};
        }
        case kIdBinding:
            if (Get(r, dm::Duplex) == DMDUP_SIMPLEX) return {false, 0, 0};
            return entry < 2 ? ComboEntryLook{true, kBindingIcons[entry], kBindingTexts[entry]}
                             : ComboEntryLook{true, 0, 0};
        case kIdEntryMode: {
            if (entry > 2) return {false, 0, 0};
            // A mode the printer cannot hold the job for is marked.
            const bool noDevice = !HasJobHoldDevice(r);
            const bool marked = (entry == 1 && noDevice) || (entry == 2 && (noDevice || Get(r, dm::Copies) == 1));
            return {true, marked ? kEntryUnavailableIcon : 0, 0};
        }
        case kIdFavourites:
            return FavouriteLook(r, presetFlags, entry);
    }
    return {false, 0, 0};
}

BOOL MeasureIconCombo(MEASUREITEMSTRUCT* measure) {
    if (!measure || measure->CtlType != ODT_COMBOBOX || !IsIconCombo(static_cast<int>(measure->CtlID))) return FALSE;
    const int icon = GetSystemMetrics(SM_CYICON);
    const bool small = measure->CtlID == kIdFavourites || measure->CtlID == kIdEntryMode;
    measure->itemHeight = static_cast<UINT>(std::max(1, small ? icon / 2 - 1 : icon - 6));
    return TRUE;
}

BOOL DrawIconComboEntry(PageContext* page, const DRAWITEMSTRUCT* item) {
    if (!item || item->CtlType != ODT_COMBOBOX || !IsIconCombo(static_cast<int>(item->CtlID))) return FALSE;
    if (!page || !page->uiContext || item->itemID == static_cast<UINT>(-1)) return TRUE;  // an empty combo
    const UiContext* ui = page->uiContext;
    const DWORD presetFlags = DeviceDataField(ui->deviceData, dd::kPresetFlags);
    const ComboEntryLook look =
        LookOfComboEntry(ui->currentDevmode, presetFlags, static_cast<int>(item->CtlID), item->itemID);
    if (!look.drawn) return TRUE;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    const RECT& rc = item->rcItem;
    FillBackground(item->hDC, rc, selected ? kSelectedBackground : kBackground);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int height = rc.bottom - rc.top;
    if (HICON icon = SharedIcon(GetInterfaceModule(), look.iconId)) {
        const int size = std::min(iconWidth, height);
        DrawIconEx(item->hDC, rc.left, rc.top + (height - size) / 2, icon, size, size, 0, nullptr, DI_NORMAL);
    }
    const bool narrow = item->CtlID == kIdFavourites || item->CtlID == kIdEntryMode;
    RECT textRect{rc.left + (narrow ? iconWidth * 5 / 8 : iconWidth), rc.top, rc.right, rc.bottom};
    const std::u16string text = EntryText(page, item, look.textId);
    TextStateScope state(item->hDC);
    SetTextColor(item->hDC, selected ? kSelectedText : kText);
    DrawTextW(item->hDC, text.c_str(), static_cast<int>(text.size()), &textRect,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return TRUE;
}

}  // namespace orla
