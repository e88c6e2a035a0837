// TrueType faces printed with the printer's fonts: the user's substitution table names a printer
// font for a TrueType face, and the printer font names of the DLL's string table say which device
// font that is.
#include <cstring>

#include "render/device_font_record.h"
#include "render/device_fonts.h"
#include "render/page_settings.h"

namespace {

// The buffer each printer font name is loaded into.
constexpr int kPrinterFontNameChars = 128;

// The family name of an engine font's IFIMETRICS, or null when it does not lie inside the block.
const WCHAR* FamilyName(const IFIMETRICS* ifi) {
    if (ifi->cjThis < sizeof(IFIMETRICS)) return nullptr;
    const PTRDIFF at = ifi->dpwszFamilyName;
    if (at < static_cast<PTRDIFF>(sizeof(IFIMETRICS)) || at % 2 != 0 || static_cast<ULONG>(at) >= ifi->cjThis)
        return nullptr;
    const auto* name = reinterpret_cast<const WCHAR*>(reinterpret_cast<const BYTE*>(ifi) + at);
    const size_t room = (ifi->cjThis - static_cast<ULONG>(at)) / sizeof(WCHAR);
    for (size_t i = 0; i < room; ++i)
        if (name[i] == 0) return name;
    return nullptr;
}

bool SameText(const WCHAR* a, const WCHAR* b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

// The printer font the substitution list gives a face (its first pair for that face), or null.
const WCHAR* SubstituteOf(const PrinterPdev* pdev, const WCHAR* face) {
    const PrinterDataTables& tables = pdev->settings.tables;
    LPCWSTR ttFace = nullptr, printerFont = nullptr;
    for (LONG i = 0; TTSubstPairAt(tables.fontSubstitution, tables.fontSubstitutionChars, i, &ttFace, &printerFont);
         ++i)
        if (SameText(ttFace, face)) return printerFont;
    return nullptr;
}

// The device font of a printer font name, by the DLL's own strings in table order; 0 for none.
ULONG FontOfPrinterName(HMODULE module, const WCHAR* printerFont) {
    for (const fontrec::PrinterFontName& entry : fontrec::kPrinterFontNames) {
        WCHAR text[kPrinterFontNameChars] = {};
        if (LoadStringW(module, entry.stringId, text, kPrinterFontNameChars) <= 0) continue;
        if (SameText(text, printerFont)) return entry.fontId;
    }
    return 0;
}

}  // namespace

ULONG MapTrueTypeToDeviceFont(PrinterPdev* pdev, FONTOBJ* pfo) {
    const IFIMETRICS* ifi = pfo != nullptr ? FONTOBJ_pifi(pfo) : nullptr;
    if (ifi == nullptr) return 0;
    pdev->fonts.mappedShiftJis = ifi->jWinCharSet == SHIFTJIS_CHARSET;
    const WCHAR* face = FamilyName(ifi);
    const WCHAR* printerFont = face != nullptr ? SubstituteOf(pdev, face) : nullptr;
    return printerFont != nullptr ? FontOfPrinterName(pdev->module, printerFont) : 0;
}
