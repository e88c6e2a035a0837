// The name-pair tables of the device settings page without their windows: values in and out,
// the built-in defaults, stored pairs matched to rows, the faces offered and the printable papers.
#include "ui/tools/device_tables.h"

#include <algorithm>

#include "core/build_variant.h"
#include "core/settings_resolver.h"
#include "ui/entry/printer_data_store.h"
#include "win/gdi_fonts.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace orla {

namespace {

// The long paper every printer takes whatever its description says (0.1 mm).
constexpr LONG kLongPaperWidth = 2970, kLongPaperLength = 9000;
// The description gives form sizes in micrometres, the forms list in 0.1 mm.
constexpr LONG kMicrometresPerTenth = 100;
constexpr LONG kRotatedPapersVersion = 4;

// The rotated papers a "*Version" 4 printer turns itself.
bool IsTurnedPaper(std::u16string_view name) {
    const char16_t* const turned[] = {kFormA4Rotated, kFormB5Rotated, kFormLetterRotated, kFormPostcardRotated,
                                      kFormEnvelopeYou4Rotated};
    return std::find(std::begin(turned), std::end(turned), name) != std::end(turned);
}

// The first index of a name in a list (from `from` on), or -1.
int IndexOf(std::span<const std::u16string> list, std::u16string_view name, size_t from) {
    for (size_t i = from; i < list.size(); ++i)
        if (list[i] == name) return static_cast<int>(i);
    return -1;
}

bool HasChoice(int index, size_t choices) {
    return index > 0 && static_cast<size_t>(index) < choices;
}

struct FaceWalk {
    HDC hdc;
    std::vector<std::u16string>* names;
};

bool IsFixedPitchTrueType(const LOGFONTW* font, DWORD fontType) {
    return (fontType & TRUETYPE_FONTTYPE) != 0 && (font->lfPitchAndFamily & FIXED_PITCH) != 0;
}

// Every font of one face: its full name, once.
int CALLBACK AddFontOfFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD fontType, LPARAM lParam) {
    if (!IsFixedPitchTrueType(font, fontType)) return 1;
    auto* names = reinterpret_cast<std::vector<std::u16string>*>(lParam);
    // TrueType faces are reported as ENUMLOGFONTW: the full name follows the LOGFONTW.
    const auto* full = reinterpret_cast<const ENUMLOGFONTW*>(font)->elfFullName;
    std::u16string_view name(full, std::char_traits<char16_t>::length(full));
    name = name.substr(0, kTableNameChars);
    if (std::find(names->begin(), names->end(), name) == names->end()) names->emplace_back(name);
    return 1;
}

// Every face of the device context: a fixed-pitch TrueType one is enumerated again for its fonts.
int CALLBACK VisitFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD fontType, LPARAM lParam) {
    if (!IsFixedPitchTrueType(font, fontType)) return 1;
    auto* walk = reinterpret_cast<FaceWalk*>(lParam);
    EnumFontsW(walk->hdc, font->lfFaceName, AddFontOfFace, reinterpret_cast<LPARAM>(walk->names));
    return 1;
}

}  // namespace

std::vector<BYTE> ReadTableValue(HANDLE hPrinter, LPCWSTR name) {
    DWORD type = 0, needed = 0;
    DWORD rc = GetPrinterDataW(hPrinter, const_cast<LPWSTR>(name), &type, nullptr, 0, &needed);
    if ((rc != ERROR_MORE_DATA && rc != ERROR_SUCCESS) || needed == 0) return {};
    std::vector<BYTE> value(needed);
    rc = GetPrinterDataW(hPrinter, const_cast<LPWSTR>(name), &type, value.data(), needed, &needed);
    if (rc != ERROR_SUCCESS) return {};
    value.resize(std::min<size_t>(needed, value.size()));  // a value that shrank meanwhile
    return value;
}

DWORD WriteTableValue(HANDLE hPrinter, LPCWSTR name, std::span<const BYTE> value) {
    return SetPrinterDataW(hPrinter, const_cast<LPWSTR>(name), REG_BINARY, const_cast<BYTE*>(value.data()),
                           static_cast<DWORD>(value.size()));
}

std::vector<BYTE> DefaultTableResource(WORD id) {
    HMODULE module = GetInterfaceModule();
    if (!module) return {};
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!resource) return {};
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    const DWORD size = SizeofResource(module, resource);
    if (!bytes || size == 0) return {};
    std::span<const BYTE> trimmed = TrimResourcePadding({bytes, size});
    return std::vector<BYTE>(trimmed.begin(), trimmed.end());
}

int ApplyTablePairs(std::span<const BYTE> value, std::span<const std::u16string> rows,
                    std::span<const std::u16string> choices, std::span<int> indexes) {
    // The output paper table's reader walks both tables: the same pairs, bounded by the value.
    std::vector<OutPaperPair> pairs;
    ParseOutPaperTable(value, &pairs);
    int applied = 0;
    for (const OutPaperPair& pair : pairs) {
        const int row = IndexOf(rows, pair.document, 0);
        const int choice = IndexOf(choices, pair.output, 1);
        if (row < 0 || choice < 0 || static_cast<size_t>(row) >= indexes.size()) continue;
        indexes[static_cast<size_t>(row)] = choice;
        ++applied;
    }
    return applied;
}

std::vector<BYTE> BuildTableValue(std::span<const std::u16string> rows, std::span<const std::u16string> choices,
                                  std::span<const int> indexes) {
    std::vector<OutPaperPair> pairs;
    const size_t n = std::min(rows.size(), indexes.size());
    for (size_t i = 0; i < n; ++i) {
        if (!HasChoice(indexes[i], choices.size())) continue;
        pairs.push_back({rows[i], choices[static_cast<size_t>(indexes[i])]});
    }
    return BuildOutPaperTable(pairs);
}

std::vector<std::u16string> ListTrueTypeFaces(HDC hdc) {
    std::vector<std::u16string> names;
    FaceWalk walk{hdc, &names};
    EnumFontsW(hdc, nullptr, VisitFace, reinterpret_cast<LPARAM>(&walk));
    return names;
}

bool IsPrintableForm(std::u16string_view name, LONG width, LONG length, const CompiledDeviceData* data) {
    const bool inside = width >= DeviceDataSignedField(data, dd::kMinFormWidth) / kMicrometresPerTenth &&
                        width <= DeviceDataSignedField(data, dd::kMaxFormWidth) / kMicrometresPerTenth &&
                        length >= DeviceDataSignedField(data, dd::kMinFormLength) / kMicrometresPerTenth &&
                        length <= DeviceDataSignedField(data, dd::kMaxFormLength) / kMicrometresPerTenth;
    if (inside || (width == kLongPaperWidth && length == kLongPaperLength)) return true;
    return DeviceDataVersion(data) >= kRotatedPapersVersion && IsTurnedPaper(name);
}

std::u16string_view DefaultFormOf(const CompiledDeviceData* data) {
    const std::optional<FormEntry> form = DefaultForm(data);
    return form ? form->name : std::u16string_view{};
}

}  // namespace orla
