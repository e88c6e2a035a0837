// Form-overlay header: the path rule, reading the header and applying it to a settings record.
#include "core/form_overlay.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/settings.h"
#include "core/support.h"
#include "win/kernel.h"
#include "win/nls.h"

namespace orla {

namespace {

// {made for, print on} → document form and output paper (nullptr: none).
struct OverlayPaperRule {
    DWORD madeFor;
    DWORD printOn;
    const char16_t* document;
    const char16_t* output;
};
const std::array<OverlayPaperRule, 21> kOverlayPapers = {{
    {kOverlayPaperPostcard, kOverlayPaperPostcard, kFormPostcard, nullptr},
    {kOverlayPaperLetter, kOverlayPaperLetter, u"Letter", nullptr},
    {kOverlayPaperLP, kOverlayPaperA4, u"LP->A4", u"A4"},
    {kOverlayPaperLP, kOverlayPaperB4, u"LP->B4", u"B4 (JIS)"},
    {kOverlayPaperA5, kOverlayPaperA5, u"A5", nullptr},
    {kOverlayPaperA4, kOverlayPaperA4, u"A4", nullptr},
    {kOverlayPaperA4, kOverlayPaperA3, u"A4->A3", u"A3"},
    {kOverlayPaperA4, kOverlayPaperB5, u"A4->B5", u"B5 (JIS)"},
    {kOverlayPaperA4, kOverlayPaperB4, u"A4->B4", u"B4 (JIS)"},
    {kOverlayPaperA4, kOverlayPaperA4x2, u"A4x2->A4", u"A4"},
    {kOverlayPaperA3, kOverlayPaperA4, u"A3->A4", u"A4"},
    {kOverlayPaperA3, kOverlayPaperA3, u"A3", nullptr},
    {kOverlayPaperA3, kOverlayPaperB4, u"A3->B4", u"B4 (JIS)"},
    {kOverlayPaperB5, kOverlayPaperA4, u"B5->A4", u"A4"},
    {kOverlayPaperB5, kOverlayPaperB5, u"B5 (JIS)", nullptr},
    {kOverlayPaperB5, kOverlayPaperB4, u"B5->B4", u"B4 (JIS)"},
    {kOverlayPaperB5, kOverlayPaperB5x2, u"B5x2->B5", u"B5 (JIS)"},
    {kOverlayPaperB4, kOverlayPaperA4, u"B4->A4", u"A4"},
    {kOverlayPaperB4, kOverlayPaperA3, u"B4->A3", u"A3"},
    {kOverlayPaperB4, kOverlayPaperB5, u"B4->B5", u"B5 (JIS)"},
    {kOverlayPaperB4, kOverlayPaperB4, u"B4 (JIS)", nullptr},
}};

// Tray code → resource string naming the input slot.
struct OverlayTrayRule {
    DWORD tray;
    UINT stringId;
};
constexpr std::array<OverlayTrayRule, 6> kOverlayTrays = {{
    {1, 201},
    {16, 204},
    {256, 202},
    {4096, 205},
    {0x10000, 203},
    {0x1000000, 219},
}};
constexpr DWORD kTrayLargeCapacity = 0x1000000;
constexpr UINT kFallbackSlotString = 200;

UINT TrayString(DWORD tray, DWORD madeFor, DWORD printOn, const DriverDevmode& r) {
    if (madeFor == kOverlayPaperPostcard && printOn == kOverlayPaperPostcard) return kFallbackSlotString;
    for (const OverlayTrayRule& rule : kOverlayTrays) {
        if (rule.tray != tray) continue;
        if (tray == kTrayLargeCapacity && DeviceInstalled(r, dm::kManual)) return 207;
        return rule.stringId;
    }
    return kFallbackSlotString;
}

// The signature line: up to the first line feed within the first 64 bytes.
bool SignatureMatches(const FormOverlayHeader& h) {
    const BYTE* begin = h.bytes;
    const BYTE* lf = std::find(begin, begin + ovl::kSignatureSpan, BYTE{0x0A});
    const BYTE* end = lf != begin + ovl::kSignatureSpan ? lf : std::find(begin, begin + ovl::kHeaderSize, BYTE{0});
    const std::string_view line(reinterpret_cast<const char*>(begin), static_cast<size_t>(end - begin));
    const std::string_view text = line.substr(0, line.find('\0'));
    return text == kOverlaySignature;
}

}  // namespace

BOOL OverlayPaperPair(DWORD madeFor, DWORD printOn, std::u16string* document, std::u16string* output) {
    for (const OverlayPaperRule& rule : kOverlayPapers) {
        if (rule.madeFor != madeFor || rule.printOn != printOn) continue;
        if (document) *document = rule.document;
        if (output) *output = rule.output ? rule.output : u"";
        return TRUE;
    }
    return FALSE;
}

std::string GetOverlayFilePath(const DriverDevmode& record) {
    std::string path = GetAnsi(record, dm::OverlayFolder);
    if (path.size() > 127) path.resize(127);
    if (path.empty() || path.back() != '\\') path += '\\';
    std::string name = GetAnsi(record, dm::OverlayName);
    if (name.size() > 8) name.resize(8);
    return path + name + ".fn2";
}

BOOL ReadFormOverlayHeader(FormOverlayHeader* header, const char* ansiPath) {
    if (!header || !ansiPath) return FALSE;
    std::memset(header->bytes, 0, sizeof(header->bytes));
    // The path goes through the system code page; 142 bytes hold the longest path the rule makes.
    char limited[143] = {};
    std::strncpy(limited, ansiPath, 142);
    WCHAR widePath[160] = {};
    if (MultiByteToWideChar(GetACP(), 0, limited, -1, widePath, 159) <= 0) return FALSE;
    const BYTE* view = nullptr;
    const BYTE* cursor = nullptr;
    DWORD size = 0;
    if (!MapFileReadOnly(widePath, &view, &cursor, &size)) return FALSE;
    std::memcpy(header->bytes, cursor, std::min<DWORD>(size, ovl::kHeaderSize));
    UnmapViewOfFile(view);
    return TRUE;
}

DWORD ApplyFormOverlayHeader(DriverDevmode* record, const FormOverlayHeader& header, const FORM_INFO_1W* forms,
                             DWORD formCount, const DeviceStrings* strings, const CompiledDeviceData* data) {
    if (!record) return kOverlayOk;
    DriverDevmode& r = *record;
    auto fail = [&](DWORD status) {
        Set(r, dm::OverlayStatus, status);
        return status;
    };

    // 4. Signature.
    if (!SignatureMatches(header)) return fail(kOverlayBadSignature);

    // 5. Paper pair.
    const DWORD madeFor = OverlayHeaderDword(header, ovl::kMadeFor);
    const DWORD printOn = OverlayHeaderDword(header, ovl::kPrintOn);
    std::u16string document, output;
    if (!OverlayPaperPair(madeFor, printOn, &document, &output)) return fail(kOverlayPaperNotSupported);

    // 6. The paper printed must be one the model offers.
    if (!IsOfferedForm(output.empty() ? document : output, data)) return fail(kOverlayPaperNotSupported);

    // 7. Document form and output paper.
    DEVMODEW* pub = AsDevmode(r);
    SetText(r, dm::FormName, document);
    SetText(r, dm::OutPaperName, output);
    if (DWORD pos = FindUsableForm(forms, formCount, document)) {
        pub->dmPaperSize = static_cast<SHORT>(pos);
        pub->dmPaperLength = static_cast<SHORT>(forms[pos - 1].Size.cy / 100);
        pub->dmPaperWidth = static_cast<SHORT>(forms[pos - 1].Size.cx / 100);
    }
    if (output.empty()) {
        Set(r, dm::OutPaperIndex, 0);
        Set(r, dm::OutPaperLength, 0);
        Set(r, dm::OutPaperWidth, 0);
    } else if (DWORD pos = FindUsableForm(forms, formCount, output)) {
        Set(r, dm::OutPaperIndex, static_cast<WORD>(pos));
        Set(r, dm::OutPaperLength, static_cast<WORD>(forms[pos - 1].Size.cy / 100));
        Set(r, dm::OutPaperWidth, static_cast<WORD>(forms[pos - 1].Size.cx / 100));
    }

    // 8. Orientation of the form.
    pub->dmOrientation = header.bytes[ovl::kMadeForOrientation] == 'L' ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;

    // 9. Tray, then the mode byte.
    if (strings) {
        const UINT id = TrayString(OverlayHeaderDword(header, ovl::kTray), madeFor, printOn, r);
        const std::u16string& slotName = (*strings)[id - kFirstDeviceString];
        // The default input-slot record; a description without one has the first input slot at its
        // place (as the defaults take it).
        if (auto slot = DefaultInputSlot(data))
            pub->dmDefaultSource = static_cast<SHORT>(LOWORD(slot->value));
        else if (NamedValueList slots = InputSlots(data); !slots.empty())
            pub->dmDefaultSource = static_cast<SHORT>(LOWORD(slots[0].value));
        for (NamedValueEntry slot : InputSlots(data)) {
            if (!slotName.empty() && slot.name == slotName) {
                pub->dmDefaultSource = static_cast<SHORT>(LOWORD(slot.value));
                break;
            }
        }
    }
    DWORD flags2 = Get(r, dm::Flags2);
    flags2 = header.bytes[ovl::kMode] == 16 ? (flags2 & ~kFlags2OverlayMode) : (flags2 | kFlags2OverlayMode);
    Set(r, dm::Flags2, flags2);
    Set(r, dm::OverlayStatus, kOverlayOk);
    return kOverlayOk;
}

DWORD ApplyFormOverlay(DriverDevmode* record, HANDLE hPrinter, const CompiledDeviceData* data) {
    if (!record) return kOverlayOk;
    DriverDevmode& r = *record;
    // 1. Overlay off: nothing to check.
    Set(r, dm::OverlayStatus, kOverlayOk);
    if (!(Get(r, dm::FlagsWord) & kFlagsWordOverlayOn)) return kOverlayOk;
    // 2, 3. Path parts and the file.
    if (GetAnsi(r, dm::OverlayFolder).empty()) {
        Set(r, dm::OverlayStatus, kOverlayFolderEmpty);
        return 0;
    }
    if (GetAnsi(r, dm::OverlayName).empty()) {
        Set(r, dm::OverlayStatus, kOverlayNameEmpty);
        return 0;
    }
    FormOverlayHeader header;
    if (!ReadFormOverlayHeader(&header, GetOverlayFilePath(r).c_str())) {
        Set(r, dm::OverlayStatus, kOverlayFileUnreadable);
        return 0;
    }
    DWORD count = 0;
    FORM_INFO_1W* forms = EnumUsableForms(hPrinter, &count, data);
    HMODULE resources = LoadResourceDll(hPrinter);
    DeviceStrings strings;
    if (resources) LoadDeviceStrings(resources, &strings);
    const DWORD status = ApplyFormOverlayHeader(&r, header, forms, count, resources ? &strings : nullptr, data);
    if (resources) FreeResourceDll(resources);
    if (forms) GlobalFree(forms);
    return status;
}

}  // namespace orla
