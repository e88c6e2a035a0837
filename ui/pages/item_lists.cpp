// Setting items as list-box lines.
#include "ui/pages/item_lists.h"

#include "core/device_data.h"
#include "core/form_overlay.h"
#include "ui/pages/setting_items.h"
#include "win/kernel.h"
#include "win/user_controls.h"

namespace orla {

namespace {

constexpr WORD kTextNone = 484;
constexpr WORD kTextManualSlot = 1307;
constexpr int kNoTabStops = 2;

struct Tray {
    WORD text;
    unsigned pair;
    DWORD traySetBit;
    char16_t digit;
};
constexpr Tray kTrays[] = {{301, dm::kFeeder1, 0x1, u'1'},
                           {302, dm::kFeeder2, 0x2, u'2'},
                           {303, dm::kFeeder3, 0x4, u'3'},
                           {304, dm::kFeeder4, 0x8, u'4'}};

// The option trays 302 to 304 and the overlay tray bits that show them without the option.
struct ShownTray {
    WORD item;
    unsigned pair;
    DWORD overlayBits;
    UINT slotName;  // the input slot that shows the tray's kind item without the option
};
constexpr ShownTray kShownTrays[] = {
    {302, dm::kFeeder2, 0x100, 202}, {303, dm::kFeeder3, 0x10000, 203}, {304, dm::kFeeder4, 0x10, 204}};
constexpr WORD kTrayKindItems[] = {1302, 1303, 1304};

std::u16string LoadText(HMODULE res, UINT id) {
    WCHAR text[256] = {};
    const int n = res ? LoadStringW(res, id, text, 256) : 0;
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

std::u16string ValueText(HWND window, const UiContext* ui, WORD item, bool& addLine) {
    const DriverDevmode& r = ui->currentDevmode;
    addLine = true;
    if (item == 432) return FormatResolutionLabel(window);
    if (item == 459) return FormatMemoryLabel(window);
    if (item == 449) return TraySetText(r, [ui](UINT id) { return LoadText(ui->hResDll, id); });
    for (size_t i = 0; i < std::size(kTrayKindItems); ++i) {
        if (item != kTrayKindItems[i]) continue;
        addLine = DeviceInstalled(r, kShownTrays[i].pair) || HasInputSlotNamed(window, kShownTrays[i].slotName);
        return LoadText(ui->hResDll, ReadItemChoice(r, item));
    }
    // Items hidden from the lists by bit 1 of their state word.
    if ((item == 770 && (Get(r, dm::DeviceState(dm::kHdd)) & 0x2)) ||
        (item == 309 && (Get(r, dm::DeviceState(dm::kDuplex)) & 0x2))) {
        addLine = false;
        return {};
    }
    return LoadText(ui->hResDll, ReadItemChoice(r, item));
}

}  // namespace

std::u16string TraySetText(const DriverDevmode& r, const ItemTextSource& text) {
    std::u16string out;
    const DWORD chosen = Get(r, dm::TraySet);
    if (DeviceInstalled(r, dm::kManual) && (Get(r, dm::Flags1) & kFlags1ManualInTraySet)) out = text(kTextManualSlot);
    bool first = true;
    for (const Tray& t : kTrays) {
        if (!DeviceInstalled(r, t.pair) || !(chosen & t.traySetBit)) continue;
        if (!out.empty()) out += u",";
        out += first ? text(t.text) : std::u16string(1, t.digit);
        first = false;
    }
    return out.empty() ? text(kTextNone) : out;
}

DWORD GetOverlayTrayBits(HWND window) {
    const UiContext* ui = UiContextOf(window);
    if (!ui || !(Get(ui->currentDevmode, dm::FlagsWord) & kFlagsWordOverlayOn)) return 0;
    FormOverlayHeader header{};
    if (!ReadFormOverlayHeader(&header, GetOverlayFilePath(ui->currentDevmode).c_str())) return 0;
    return OverlayHeaderDword(header, ovl::kTray);
}

BOOL HasInputSlotNamed(HWND window, UINT stringId) {
    const UiContext* ui = UiContextOf(window);
    if (!ui) return FALSE;
    const std::u16string name = LoadText(ui->hResDll, stringId);
    if (name.empty()) return FALSE;
    for (const NamedValueEntry& slot : InputSlots(ui->deviceData))
        if (slot.name == name) return TRUE;
    return FALSE;
}

BOOL IsItemShown(HWND window, WORD item) {
    const UiContext* ui = UiContextOf(window);
    if (!ui) return FALSE;
    for (const ShownTray& t : kShownTrays)
        if (t.item == item)
            return DeviceInstalled(ui->currentDevmode, t.pair) || GetOverlayTrayBits(window) == t.overlayBits;
    return TRUE;
}

std::u16string FormatResolutionLabel(HWND window) {
    const UiContext* ui = UiContextOf(window);
    if (!ui) return {};
    const SHORT quality = Get(ui->currentDevmode, dm::PrintQuality);
    for (const ResolutionEntry& r : Resolutions(ui->deviceData))
        if (static_cast<SHORT>(r.dpi & 0xFFFF) == quality) return ResolutionLabel(r.dpi);
    return {};
}

std::u16string FormatMemoryLabel(HWND window) {
    const UiContext* ui = UiContextOf(window);
    if (!ui) return {};
    const DWORD chosen = Get(ui->currentDevmode, dm::MemoryKb);
    const LONG standard =
        static_cast<LONG>(DeviceDataField(ui->deviceData, DeviceDataField(ui->deviceData, dd::kDefaultMemorySize)));
    for (const MemorySizeEntry& m : MemorySizes(ui->deviceData))
        if (static_cast<DWORD>(m.values[0]) == chosen) return MemoryLabel(ui->hResDll, m.values[0], standard);
    return {};
}

void BuildItemListText(HWND window, HWND listBox, WORD item) {
    const UiContext* ui = UiContextOf(window);
    if (!ui) return;
    bool addLine = true;
    const std::u16string value = ValueText(window, ui, item, addLine);
    if (!addLine) return;
    const std::u16string line = LoadText(ui->hResDll, item) + u"\t" + value;
    const auto index = SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (index >= 0) SendMessageW(listBox, LB_SETITEMDATA, static_cast<WPARAM>(index), item);
}

void AppendItemLines(HWND window, int listBoxId, std::span<const WORD> items) {
    HWND list = GetDlgItem(window, listBoxId);
    for (WORD item : items)
        if (IsItemShown(window, item)) BuildItemListText(window, list, item);
}

void FillItemList(HWND window, int selection, int listBoxId, std::span<const WORD> items, int tabKind) {
    if (!UiContextOf(window)) return;
    HWND list = GetDlgItem(window, listBoxId);
    const auto top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    static constexpr int kTabStops[] = {170, 100, 0, 999};
    if (tabKind >= 0 && tabKind <= 3 && tabKind != kNoTabStops) {
        int stop = kTabStops[tabKind];
        SendMessageW(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
    }
    AppendItemLines(window, listBoxId, items);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selection), 0);
    if (top >= 0) SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
}

BOOL NotifyListSelection(HWND window, int comboId) {
    const auto count = SendDlgItemMessageW(window, comboId, CB_GETCOUNT, 0, 0);
    if (count <= 0) return FALSE;
    const auto current = SendDlgItemMessageW(window, comboId, CB_GETCURSEL, 0, 0);
    const auto next = current < 0 || current + 1 >= count ? 0 : current + 1;
    SendDlgItemMessageW(window, comboId, CB_SETCURSEL, static_cast<WPARAM>(next), 0);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, comboId)));
    return TRUE;
}

}  // namespace orla
