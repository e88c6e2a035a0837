// The model's default settings record, and the lookup of installable devices and options.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <utility>

#include "core/settings.h"
#include "core/support.h"
#include "win/kernel.h"

namespace orla {

namespace {

// Which allowed-choice bit of a device entry means which choice.
constexpr std::array<WORD, 10> kInputChoiceByBit = {1, 2, 3, 4, 1001, 2001, 3001, 4001, 6, 10};
constexpr std::array<WORD, 12> kOptionChoiceByBit = {1, 1001, 2001, 3001, 4001, 5001, 5002, 5003, 6001, 7001, 1, 2};

enum class DeviceList { Input, Option };

// The 19 device pairs of the record: resource string that names the device, its list, and the
// preferred choice (0 for none).
struct DevicePairSlot {
    UINT stringId;
    DeviceList list;
    WORD preferred;
};
constexpr std::array<DevicePairSlot, dm::DevicePairCount> kDevicePairSlots = {{
    {201, DeviceList::Input, 3},   // 628
    {202, DeviceList::Input, 3},   // 632
    {203, DeviceList::Input, 3},   // 636
    {204, DeviceList::Input, 3},   // 640
    {205, DeviceList::Input, 3},   // 644
    {206, DeviceList::Input, 0},   // 648
    {207, DeviceList::Input, 0},   // 652
    {208, DeviceList::Input, 0},   // 656
    {209, DeviceList::Option, 0},  // 660
    {210, DeviceList::Option, 0}, {211, DeviceList::Option, 0}, {212, DeviceList::Option, 0},
    {213, DeviceList::Option, 0}, {214, DeviceList::Option, 0}, {215, DeviceList::Option, 0},
    {216, DeviceList::Option, 0}, {217, DeviceList::Option, 0}, {218, DeviceList::Option, 0},  // 696
    {219, DeviceList::Input, 0},                                                               // 700
}};

constexpr int kDeviceNameChars = 24;

// Saved copies and their sources: each copy starts as the value of its source.
constexpr std::pair<DmField<WORD>, DmField<WORD>> kSavedWords[] = {
    {dm::SavedFlagsWord, dm::FlagsWord},
    {dm::SavedOutPaperIndex, dm::OutPaperIndex},
    {dm::SavedOutPaperLength, dm::OutPaperLength},
    {dm::SavedOutPaperWidth, dm::OutPaperWidth},
    {dm::SavedZoom, dm::Zoom},
    {dm::SavedPaperType, dm::PaperType},
    {dm::SavedOutputTray, dm::OutputTray},
    {dm::SavedLayoutMode, dm::LayoutMode},
    {dm::SavedFrameKind, dm::FrameKind},
    {dm::SavedLayoutOrder, dm::LayoutOrder},
    {dm::SavedPrintDensity, dm::PrintDensity},
    {dm::SavedManualPaperType, dm::ManualPaperType},
};
constexpr std::pair<DmField<DWORD>, DmField<DWORD>> kSavedDwords[] = {
    {dm::SavedFlags1, dm::Flags1},
    {dm::SavedFlags2, dm::Flags2},
    {dm::SavedSeparateDefaultTray, dm::SeparateDefaultTray},
    {dm::SavedSeparateTraysOn, dm::SeparateTraysOn},
    {dm::SavedSlipSheetsOn, dm::SlipSheetsOn},
    {dm::SavedOffsetStacking, dm::OffsetStacking},
    {dm::SavedFirstSheetTray, dm::FirstSheetTray},
    {dm::SavedSecondSheetTray, dm::SecondSheetTray},
    {dm::SavedFrontCoverTray, dm::FrontCoverTray},
    {dm::SavedBackCoverTray, dm::BackCoverTray},
    {dm::SavedSlipSheetTray, dm::SlipSheetTray},
};

void LookupDeviceSetting(DevicePair* pair, const WORD* preferred, std::u16string_view name, NamedValueList list,
                         std::span<const WORD> choiceByBit) {
    if (!pair) return;
    for (NamedValueEntry entry : list) {
        if (entry.name != name) continue;
        WORD allowed = LOWORD(entry.value);
        pair->state = HIWORD(entry.value);
        pair->choice = 0;
        size_t lowest = 0;
        while (lowest < 16 && !(allowed & (1u << lowest))) ++lowest;
        if (lowest < choiceByBit.size()) pair->choice = choiceByBit[lowest];
        if (preferred) {
            for (size_t bit = lowest; bit < choiceByBit.size(); ++bit) {
                if ((allowed & (1u << bit)) && choiceByBit[bit] == *preferred) {
                    pair->choice = *preferred;
                    break;
                }
            }
        }
        return;
    }
}

DWORD DefaultSlotValue(const CompiledDeviceData* data) {
    if (auto slot = DefaultInputSlot(data)) return slot->value;
    NamedValueList slots = InputSlots(data);
    if (!slots.empty()) return slots[0].value;
    return DMBIN_AUTO;
}

DWORD DefaultMemoryKb(const CompiledDeviceData* data) {
    if (auto mem = DefaultMemorySize(data)) return static_cast<DWORD>(mem->values[0]);
    MemorySizeList sizes = MemorySizes(data);
    if (!sizes.empty()) return static_cast<DWORD>(sizes[0].values[0]);
    return 0;
}

// Micrometres to 0.1 mm, rounded up when there is a remainder.
DWORD TenthsRoundedUp(LONG micrometres) {
    if (micrometres <= 0) return 0;
    return static_cast<DWORD>((micrometres + 99) / 100);
}

void SetColourAdjustmentDefaults(DriverDevmode* record) {
    // COLORADJUSTMENT: size, flags, illuminant, r/g/b gamma, reference black and white, then
    // contrast, brightness, colourfulness and red-green tint.
    const WORD values[12] = {24, 0, 0, 10000, 10000, 10000, 0, 10000, 0, 0, 0, 0};
    for (unsigned i = 0; i < 12; ++i) Set(*record, DmField<WORD>{dm::ColorAdjustment.offset + 2 * i}, values[i]);
}

}  // namespace

FormEntry DescriptionDefaultForm(const CompiledDeviceData* data) {
    if (auto form = DefaultForm(data)) return *form;
    FormList port = PortraitForms(data);
    if (!port.empty()) return port[0];
    return FormEntry{0, u"A4", 210000, 297000, 5000, 5000, 205000, 292000};
}

void LookupInputDeviceSetting(DevicePair* pair, const WORD* preferredChoice, std::u16string_view deviceName,
                              const CompiledDeviceData* data) {
    LookupDeviceSetting(pair, preferredChoice, deviceName, InputDevices(data), kInputChoiceByBit);
}

void LookupOptionDeviceSetting(DevicePair* pair, const WORD* preferredChoice, std::u16string_view deviceName,
                               const CompiledDeviceData* data) {
    LookupDeviceSetting(pair, preferredChoice, deviceName, OptionDevices(data), kOptionChoiceByBit);
}

DWORD GetNtMajorVersion(void) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(&info)) return 0;
    if (info.dwPlatformId != VER_PLATFORM_WIN32_NT || info.dwMajorVersion < 5) return 0;
    return info.dwMajorVersion;
}

BOOL IsOsAfterNt50(void) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(&info)) return FALSE;
    return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion != 0);
}

// Fills the record's device pairs from the names in the resource DLL; without it they stay 0.
static void SetDefaultDevicePairs(DriverDevmode* record, HANDLE hResourcePrinter, const CompiledDeviceData* data) {
    HMODULE resources = LoadResourceDll(hResourcePrinter);
    if (!resources) return;
    for (unsigned k = 0; k < kDevicePairSlots.size(); ++k) {
        const DevicePairSlot& slot = kDevicePairSlots[k];
        WCHAR name[kDeviceNameChars + 1] = {};
        int n = LoadStringW(resources, slot.stringId, name, kDeviceNameChars + 1);
        if (n <= 0) continue;
        DevicePair pair{Get(*record, dm::DeviceState(k)), Get(*record, dm::DeviceChoice(k))};
        const WORD* preferred = slot.preferred ? &slot.preferred : nullptr;
        std::u16string_view deviceName(name, static_cast<size_t>(std::min(n, kDeviceNameChars)));
        if (slot.list == DeviceList::Input)
            LookupInputDeviceSetting(&pair, preferred, deviceName, data);
        else
            LookupOptionDeviceSetting(&pair, preferred, deviceName, data);
        Set(*record, dm::DeviceState(k), pair.state);
        Set(*record, dm::DeviceChoice(k), pair.choice);
    }
    FreeResourceDll(resources);
}

void RefreshPreviousValues(DriverDevmode& r) {
    const DEVMODEW* pub = AsDevmode(r);
    Set(r, dm::PrevPaperSize, static_cast<WORD>(pub->dmPaperSize));
    Set(r, dm::PrevPaperLength, static_cast<WORD>(pub->dmPaperLength));
    Set(r, dm::PrevPaperWidth, static_cast<WORD>(pub->dmPaperWidth));
    SetText(r, dm::PrevFormName, GetText(r, dm::FormName));
    Set(r, dm::PrevOrientation, static_cast<WORD>(pub->dmOrientation));
    Set(r, dm::PrevDefaultSource, static_cast<WORD>(pub->dmDefaultSource));
    Set(r, dm::PrevDuplex, static_cast<WORD>(pub->dmDuplex));
    Set(r, dm::RememberedQuality, 600);
}

void SetDefaultDevmode(DriverDevmode* record, HANDLE hPrinter, HANDLE hPrinter2, const CompiledDeviceData* data) {
    if (!record) return;
    DriverDevmode& r = *record;
    std::memset(r.bytes, 0, sizeof(r.bytes));
    DEVMODEW* pub = AsDevmode(r);
    const FormEntry form = DescriptionDefaultForm(data);

    // Public part.
    SetText(r, dm::DeviceName, DeviceFriendlyName(data));
    pub->dmSpecVersion = DM_SPECVERSION;
    pub->dmDriverVersion = kDevmodeDriverVersion;
    pub->dmSize = kPublicDevmodeSize;
    pub->dmDriverExtra = kPrivateDevmodeSize;
    pub->dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_DUPLEX |
                    DM_FORMNAME | DM_DITHERTYPE;
    pub->dmOrientation = DMORIENT_PORTRAIT;
    pub->dmPaperLength = static_cast<SHORT>(form.length / 100);
    pub->dmPaperWidth = static_cast<SHORT>(form.width / 100);
    pub->dmScale = 100;
    pub->dmCopies = 1;
    pub->dmDefaultSource = static_cast<SHORT>(LOWORD(DefaultSlotValue(data)));
    pub->dmPrintQuality = static_cast<SHORT>(LOWORD(DeviceDataField(data, dd::kDefaultResolution)));
    pub->dmColor = DMCOLOR_MONOCHROME;
    pub->dmDuplex = DMDUP_SIMPLEX;
    pub->dmYResolution = 0;
    pub->dmTTOption = DMTT_BITMAP;
    pub->dmCollate = 0;
    SetText(r, dm::FormName, form.name);
    pub->dmNup = 1;
    pub->dmICMMethod = 1;
    pub->dmICMIntent = 1;
    pub->dmMediaType = 1;
    pub->dmDitherType = 2;

    // Paper size: the default form's place among the usable forms, 9 when it is not there.
    pub->dmPaperSize = DMPAPER_A4;
    DWORD formCount = 0;
    if (FORM_INFO_1W* forms = EnumUsableForms(hPrinter, &formCount, data)) {
        std::u16string formName = GetText(r, dm::FormName);
        if (DWORD pos = FindUsableForm(forms, formCount, formName)) pub->dmPaperSize = static_cast<SHORT>(pos);
        GlobalFree(forms);
    }

    // Private part.
    Set(r, dm::FlagsWord, 4);
    Set(r, dm::OverlayCarriedWord, 1);
    SetAnsi(r, dm::LanguageText, "ORLA Level2 Form");
    Set(r, dm::PrivateId, DeviceDataField(data, dd::kPrivateID));
    DWORD flags1 = kDefaultFlags1;
    if (GetNtMajorVersion() < 6) flags1 |= kFlags1PreVistaBit;
    Set(r, dm::Flags1, flags1);
    Set(r, dm::Flags2, 0x01F33400u);
    Set(r, dm::TraySet, 15);
    Set(r, dm::Zoom, 100);
    Set(r, dm::LayoutMode, 1);
    Set(r, dm::PrintDensity, 3);
    const DWORD top = TenthsRoundedUp(form.top);
    const DWORD left = TenthsRoundedUp(form.left);
    Set(r, dm::PrintPosTop, top);
    Set(r, dm::PrintPosLeft, left);
    Set(r, dm::PrintPosTop2, top);
    Set(r, dm::PrintPosLeft2, left);
    Set(r, dm::CarriedPositionWord(0), 1);
    Set(r, dm::CarriedPositionWord(1), 1);
    Set(r, dm::CarriedPositionWord(2), 1);
    Set(r, dm::MemoryKb, DefaultMemoryKb(data));

    SetDefaultDevicePairs(&r, hPrinter2 ? hPrinter2 : hPrinter, data);

    // Values that follow others, and the high private part.
    Set(r, dm::PaperLength2, static_cast<LONG>(pub->dmPaperLength));
    Set(r, dm::PaperWidth2, static_cast<LONG>(pub->dmPaperWidth));
    Set(r, dm::ColourCarriedWord(0), 130);
    Set(r, dm::ColourCarriedWord(1), 100);
    SetColourAdjustmentDefaults(&r);
    Set(r, dm::SlipSheetTray, 1);
    Set(r, dm::FirstSheetTray, 4);
    Set(r, dm::SecondSheetTray, 300);
    Set(r, dm::SeparateDefaultTray, 1);
    Set(r, dm::SectionTray, 4);
    Set(r, dm::FrontCoverTray, 4);
    Set(r, dm::BackCoverTray, 4);
    Set(r, dm::OutputTrayFits, 1);

    // Previous values and saved copies.
    RefreshPreviousValues(r);
    for (const auto& [saved, source] : kSavedWords) Set(r, saved, Get(r, source));
    for (const auto& [saved, source] : kSavedDwords) Set(r, saved, Get(r, source));
    SetText(r, dm::SavedOutPaperName, GetText(r, dm::OutPaperName));
    Set(r, dm::SavedDefaultSource, static_cast<LONG>(pub->dmDefaultSource));

    if constexpr (kJapaneseBuild) {
        Set(r, dm::TrustBlobSize, 0);
        Set(r, dm::TrustMarkResult, 0);
        std::memset(r.bytes + dm::TrustBlock.offset, 0, dm::TrustBlock.cb);
        r.bytes[dm::TrustBlock.offset] = 'T';
    }
}

}  // namespace orla
