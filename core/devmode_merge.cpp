// Merging incoming DEVMODEs into a settings record: only values the model can take are kept, and
// the private part is taken over only from this driver's own record of this build.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "core/settings.h"
#include "core/support.h"
#include "win/kernel.h"

namespace orla {

namespace {

// Text fields of the private part that a record from outside must end inside (the embedded stamp
// record's texts are in their in-memory UTF-16 form).
constexpr std::array<DmText, 22> kPrivateTexts = {{
    dm::ComputerName,
    dm::JobUserName,
    dm::JobInfoUserName,
    dm::OutPaperName,
    dm::UserText,
    dm::PrevFormName,
    dm::SavedOutPaperName,
    dm::OwnerUserName,
    dm::AnnotationText,
    DmText{dm::StampRecord.offset + 2, 65},     // stamp list name
    DmText{dm::StampRecord.offset + 136, 129},  // printed text
    DmText{dm::StampRecord.offset + 394, 129},  // image file path
    DmText{dm::StampRecord.offset + 668, 32},   // face name
    dm::HoldUserName,
    dm::HoldPin,
    dm::HoldJobName,
    dm::SetUserId,
    dm::SetPassword,
    dm::PopUserId,
    dm::PopPassword,
    dm::FormName,
    dm::DeviceName,
}};
constexpr std::array<DmAnsi, 3> kPrivateAnsiTexts = {{
    dm::OverlayFolder,
    dm::OverlayName,
    dm::LanguageText,
}};

// Values that later code uses to index tables: the largest value it can take and what an
// out-of-range value becomes.
struct IndexRule {
    unsigned offset;
    unsigned width;  // 2 or 4 bytes
    DWORD max;
    DWORD fallback;
};
constexpr std::array<IndexRule, 5> kIndexRules = {{
    {dm::AnnotationKind.offset, 4, 8, 0},
    {dm::AnnotationPosition.offset, 4, 8, 0},
    {dm::StampRecord.offset + 652, 4, 8, 0},  // stamp position on the 3 x 3 grid
    {dm::StampRecord.offset + 660, 2, 4, 0},  // stamp angle choice
    {dm::LayoutOrder.offset, 2, 3, 0},
}};
// Pages per sheet that the layout tables know.
constexpr std::array<WORD, 7> kLayoutModes = {1, 2, 4, 6, 8, 9, 16};

DWORD ReadIndex(const DriverDevmode& r, const IndexRule& rule) {
    return rule.width == 2 ? Get(r, DmField<WORD>{rule.offset}) : Get(r, DmField<DWORD>{rule.offset});
}
void WriteIndex(DriverDevmode& r, const IndexRule& rule, DWORD v) {
    if (rule.width == 2)
        Set(r, DmField<WORD>{rule.offset}, static_cast<WORD>(v));
    else
        Set(r, DmField<DWORD>{rule.offset}, v);
}

bool TakesForm(const FORM_INFO_1W& form, LONG version) {
    return form.pName && form.pName[0] != 0 && IsPrintableForm(form, version);
}

void SetPaperFromForm(DriverDevmode& r, const FORM_INFO_1W& form, DWORD position) {
    DEVMODEW* pub = AsDevmode(r);
    pub->dmPaperSize = static_cast<SHORT>(position);
    pub->dmPaperLength = static_cast<SHORT>(form.Size.cy / 100);
    pub->dmPaperWidth = static_cast<SHORT>(form.Size.cx / 100);
    // Spooler names may be longer than the field: cut them, always terminated.
    SetText(r, dm::FormName, form.pName ? std::u16string_view(form.pName) : std::u16string_view());
}

void MergePaper(DriverDevmode& r, const DEVMODEW& in, const FORM_INFO_1W* forms, DWORD count, LONG version) {
    if (!forms) return;
    const DWORD fields = in.dmFields;
    // a. By position, when that form can be printed.
    if ((fields & DM_PAPERSIZE) && in.dmPaperSize >= 1 && static_cast<DWORD>(in.dmPaperSize) <= count) {
        const FORM_INFO_1W& form = forms[in.dmPaperSize - 1];
        if (TakesForm(form, version)) {
            SetPaperFromForm(r, form, static_cast<DWORD>(in.dmPaperSize));
            return;
        }
    }
    // b. By name.
    if (fields & DM_FORMNAME) {
        WCHAR name[CCHFORMNAME + 1] = {};
        std::memcpy(name, in.dmFormName, sizeof(in.dmFormName));
        if (DWORD pos = FindUsableForm(forms, count, name)) {
            SetPaperFromForm(r, forms[pos - 1], pos);
            return;
        }
    }
    // c. By size, within 100 micrometres each way.
    if ((fields & DM_PAPERLENGTH) && (fields & DM_PAPERWIDTH)) {
        const LONG length = LONG{in.dmPaperLength} * 100;
        const LONG width = LONG{in.dmPaperWidth} * 100;
        for (DWORD i = 0; i < count; ++i) {
            const FORM_INFO_1W& form = forms[i];
            if (!form.pName || form.pName[0] == 0) continue;  // blanked
            if (std::labs(form.Size.cy - length) <= 100 && std::labs(form.Size.cx - width) <= 100) {
                SetPaperFromForm(r, form, i + 1);
                return;
            }
        }
    }
}

bool SlotValueKnown(const CompiledDeviceData* data, SHORT source) {
    for (NamedValueEntry slot : InputSlots(data))
        if (LOWORD(slot.value) == static_cast<WORD>(source)) return true;
    return false;
}

bool ResolutionKnown(const CompiledDeviceData* data, SHORT quality) {
    for (ResolutionEntry res : Resolutions(data))
        if (LOWORD(static_cast<DWORD>(res.dpi)) == static_cast<WORD>(quality)) return true;
    return false;
}

}  // namespace

void SanitizePrivatePart(DriverDevmode* record, DWORD formCount) {
    if (!record) return;
    DriverDevmode& r = *record;
    for (const DmText& f : kPrivateTexts) TerminateText(RecordBytes(r), f);
    for (const DmAnsi& f : kPrivateAnsiTexts) TerminateAnsi(RecordBytes(r), f);
    for (const IndexRule& rule : kIndexRules)
        if (ReadIndex(r, rule) > rule.max) WriteIndex(r, rule, rule.fallback);
    const WORD mode = Get(r, dm::LayoutMode);
    if (std::find(kLayoutModes.begin(), kLayoutModes.end(), mode) == kLayoutModes.end()) Set(r, dm::LayoutMode, 1);
    if (Get(r, dm::OutPaperIndex) > formCount) Set(r, dm::OutPaperIndex, 0);
}

void MergeDevmodeWithForms(DriverDevmode* record, std::span<const BYTE> incoming, const FORM_INFO_1W* forms,
                           DWORD formCount, const CompiledDeviceData* data) {
    if (!record || incoming.empty()) return;
    DriverDevmode& r = *record;

    // 1. Scratch copy of the record with the incoming DEVMODE copied over it.
    std::unique_ptr<DriverDevmode> scratch(new (std::nothrow) DriverDevmode(r));
    if (!scratch) return;  // no memory: the record stays as it was
    if (CopyDevmodePartsBounded(incoming.data(), incoming.size(), scratch->bytes, sizeof(scratch->bytes)) <= 0) return;
    const DEVMODEW& in = *AsDevmode(*scratch);
    DEVMODEW* pub = AsDevmode(r);
    const DWORD fields = in.dmFields;

    // 2. Public fields the model can take.
    if ((fields & DM_ORIENTATION) && (in.dmOrientation == DMORIENT_PORTRAIT || in.dmOrientation == DMORIENT_LANDSCAPE))
        pub->dmOrientation = in.dmOrientation;
    if (fields & DM_COPIES) {
        if (in.dmCopies > 999)
            pub->dmCopies = 999;
        else if (in.dmCopies >= 1)
            pub->dmCopies = in.dmCopies;
    }
    if ((fields & DM_DEFAULTSOURCE) && SlotValueKnown(data, in.dmDefaultSource))
        pub->dmDefaultSource = in.dmDefaultSource;
    if ((fields & DM_PRINTQUALITY) && ResolutionKnown(data, in.dmPrintQuality)) pub->dmPrintQuality = in.dmPrintQuality;
    if ((fields & DM_DUPLEX) && in.dmDuplex >= DMDUP_SIMPLEX && in.dmDuplex <= DMDUP_HORIZONTAL)
        pub->dmDuplex = in.dmDuplex;

    // 3. Paper.
    MergePaper(r, in, forms, formCount, DeviceDataVersion(data));

    // 4. The private part, only from this driver's record of this build. The identifier is read
    //    where it lies in the incoming private part (offset 392 of a 220-byte DEVMODE).
    const size_t inSize = incoming.size() >= 72 ? size_t{incoming[68]} | (size_t{incoming[69]} << 8) : 0;
    const size_t inExtra = incoming.size() >= 72 ? size_t{incoming[70]} | (size_t{incoming[71]} << 8) : 0;
    const size_t idAt = inSize + (dm::PrivateId.offset - kPublicDevmodeSize);
    if (inExtra == kPrivateDevmodeSize && idAt + 4 <= incoming.size() && inSize + inExtra <= incoming.size()) {
        DWORD id;
        std::memcpy(&id, incoming.data() + idAt, 4);
        if (id == DeviceDataField(data, dd::kPrivateID)) {
            std::memcpy(r.bytes + kPublicDevmodeSize, scratch->bytes + kPublicDevmodeSize, kPrivateDevmodeSize);
            // Without a forms list the output paper position cannot be judged; the resolver re-finds it.
            SanitizePrivatePart(&r, forms ? formCount : 0xFFFF);
        }
    }

    // 5. Previous values always describe the merged public fields.
    RefreshPreviousValues(r);
}

void MergeDevmodeBytes(DriverDevmode* record, std::span<const BYTE> incoming, HANDLE hPrinter,
                       const CompiledDeviceData* data) {
    if (!record || incoming.size() < 72) return;
    DWORD count = 0;
    FORM_INFO_1W* forms = EnumUsableForms(hPrinter, &count, data);
    MergeDevmodeWithForms(record, incoming, forms, count, data);
    if (forms) GlobalFree(forms);
}

void MergeDevmode(DriverDevmode* record, const DEVMODEW* incoming, HANDLE hPrinter, const CompiledDeviceData* data) {
    if (!record || !incoming) return;
    MergeDevmodeBytes(record, {reinterpret_cast<const BYTE*>(incoming), DevmodeTotalSize(incoming)}, hPrinter, data);
}

void BuildEffectiveSettings(DriverDevmode* record, const DEVMODEW* callerDevmode, HANDLE hPrinter, HANDLE hPrinter2,
                            const CompiledDeviceData* data) {
    if (!record) return;
    SetDefaultDevmode(record, hPrinter, hPrinter2, data);
    if (BYTE* info = GetPrinterInfoAlloc(hPrinter, 2)) {
        const auto* pi2 = reinterpret_cast<const PRINTER_INFO_2W*>(info);
        if (pi2->pDevMode) MergeDevmode(record, pi2->pDevMode, hPrinter, data);
        GlobalFree(info);
    }
    MergeDevmode(record, callerDevmode, hPrinter, data);
}

}  // namespace orla
