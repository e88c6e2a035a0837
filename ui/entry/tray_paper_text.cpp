// The paper a tray holds, appended to the tray's name where the printer reports it.
#include <string>
#include <string_view>

#include "core/build_variant.h"
#include "ui/entry/config_devices.h"
#include "ui/entry/printer_config.h"
#include "win/kernel.h"

namespace orla {

namespace {

constexpr int kTrayNameChars = 24;
constexpr UINT kNoPaperString = 352;
constexpr UINT kPaperUnknownString = 353;
constexpr BYTE kPaperEmpty = 0;
constexpr BYTE kPaperUnknown = 253;
constexpr char16_t kNoPaperMark[] = u"－";

struct FormText {
    WORD code;  // DMPAPER code
    const char16_t* text;
};
constexpr FormText kFormTexts[] = {
    {1, u"Letter"},
    {75, u"Letter"},
    {1235, kNoPaperMark},
    {8, u"A3"},
    {9, u"A4"},
    {77, u"A4"},
    {11, u"A5"},
    {12, u"B4 (JIS)"},
    {13, u"B5 (JIS)"},
    {43, kFormPostcard},
    {69, kFormDoublePostcard},
    {91, kFormEnvelopeYou4},
    {256, kJapaneseBuild ? u"ユーザー定義" : u"User Defined"},
};

bool PaperPresent(BYTE state) {
    return state == 25 || state == 50 || state == 100 || state == 254;
}

// The text for the bin's contents, empty when there is none to show.
std::u16string PaperText(const PrinterConfigBin& bin, HMODULE resources) {
    WCHAR text[64] = {};
    if (bin.paperState == kPaperEmpty || bin.paperState == kPaperUnknown) {
        const int n =
            LoadStringW(resources, bin.paperState == kPaperEmpty ? kNoPaperString : kPaperUnknownString, text, 64);
        return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
    }
    if (!PaperPresent(bin.paperState)) return {};
    // Letter is not loaded into the multi-purpose tray: it reports the mark instead.
    if (bin.bin == kBinMultiPurpose && (bin.form == 1 || bin.form == 75)) return kNoPaperMark;
    for (const FormText& f : kFormTexts)
        if (f.code == bin.form) return f.text;
    return {};
}

}  // namespace

BOOL AppendTrayPaperText(const PrinterConfigRecord* config, HMODULE hResDll, LPWSTR trayName, size_t cchTrayName) {
    if (!config || !trayName || cchTrayName == 0) return FALSE;
    if (!(config->extStatus & kConfigFromPrinter) || (config->extStatus & kConfigTrayContentsHidden)) return FALSE;
    const std::u16string_view name(trayName, std::char_traits<char16_t>::length(trayName));
    for (DWORD i = 0; i < BinEntries(*config); ++i) {
        const PrinterConfigBin& bin = config->bins[i];
        const ConfigDevice* device = FindConfigDevice(kBinDevicesInTableOrder, bin.bin);
        if (!device) continue;
        WCHAR binName[kTrayNameChars + 1] = {};
        const int n = LoadStringW(hResDll, device->trayNameString, binName, kTrayNameChars + 1);
        if (n <= 0 || name != std::u16string_view(binName, static_cast<size_t>(n))) continue;
        const std::u16string text = PaperText(bin, hResDll);
        if (text.empty()) return TRUE;
        const std::u16string appended = u" (" + text + u")";
        // Only a whole text is appended: the caller's buffer ends where it says.
        if (name.size() + appended.size() + 1 > cchTrayName) return TRUE;
        appended.copy(trayName + name.size(), appended.size());
        trayName[name.size() + appended.size()] = 0;
        return TRUE;
    }
    return FALSE;
}

}  // namespace orla
