// DrvDeviceCapabilities: what the printer offers, answered from a record resolved with the
// printer's configuration. A table of capabilities, each with its answer; the ones the driver
// does not answer give GDI_ERROR.
#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/support.h"
#include "ui/entry/config_devices.h"
#include "ui/entry/held.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/query_record.h"
#include "win/kernel.h"
#include "win/printer_ui.h"
#include "win/spool.h"

namespace orla {

namespace {

constexpr DWORD kNoAnswer = GDI_ERROR;
constexpr size_t kPaperNameChars = 64;
constexpr size_t kBinNameChars = 24;
constexpr size_t kPersonalityChars = 32;
constexpr UINT kAutoSlotString = 200;
constexpr UINT kAutoTrayNameString = 300;
constexpr UINT kPersonalityString = 99;

struct CapsQuery {
    HANDLE hPrinter;
    const CompiledDeviceData* data;
    HMODULE resources;
    const DriverDevmode& record;
    const PrinterConfigRecord& config;
};

// Copies text into a field of n characters, zero-filled, always terminated.
void PutName(WCHAR* field, size_t n, std::u16string_view text) {
    std::memset(field, 0, n * sizeof(WCHAR));
    const size_t take = text.size() < n - 1 ? text.size() : n - 1;
    std::memcpy(field, text.data(), take * sizeof(WCHAR));
}

std::u16string LoadText(HMODULE resources, UINT id, size_t most) {
    WCHAR text[64] = {};
    const int n = LoadStringW(resources, id, text, static_cast<int>(most) + 1);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// ---- Papers ----

struct UsablePaper {
    WORD position;  // 1-based in the spooler's list
    const FORM_INFO_1W* form;
};

// Walks the spooler's forms the printer takes, in the spooler's order; kNoAnswer without a list.
template <class Each>
DWORD EachUsablePaper(const CapsQuery& q, Each each) {
    DWORD count = 0;
    GlobalHeld<FORM_INFO_1W> forms(EnumUsableForms(q.hPrinter, &count, q.data));
    if (!forms) return kNoAnswer;
    DWORD usable = 0;
    for (DWORD i = 0; i < count; ++i) {
        const FORM_INFO_1W& f = forms.get()[i];
        if (!f.pName || !f.pName[0]) continue;  // blanked: not a form the printer takes
        each(usable++, UsablePaper{static_cast<WORD>(i + 1), &f});
    }
    return usable;
}

DWORD Papers(const CapsQuery& q, void* output) {
    WORD* out = static_cast<WORD*>(output);
    return EachUsablePaper(q, [&](DWORD i, UsablePaper p) {
        if (out) out[i] = p.position;
    });
}

DWORD PaperSizes(const CapsQuery& q, void* output) {
    POINT* out = static_cast<POINT*>(output);
    return EachUsablePaper(q, [&](DWORD i, UsablePaper p) {
        if (out) out[i] = POINT{p.form->Size.cx / 100, p.form->Size.cy / 100};
    });
}

DWORD PaperNames(const CapsQuery& q, void* output) {
    WCHAR* out = static_cast<WCHAR*>(output);
    return EachUsablePaper(q, [&](DWORD i, UsablePaper p) {
        if (out) PutName(out + i * kPaperNameChars, kPaperNameChars, p.form->pName);
    });
}

// ---- Bins ----

struct Bin {
    WORD id;      // the slot's value
    UINT nameId;  // its tray name
};

// The description's slots whose devices are ready, with the automatic slot always.
std::vector<Bin> ReadyBins(const CapsQuery& q) {
    std::vector<Bin> bins;
    const std::u16string autoSlot = LoadText(q.resources, kAutoSlotString, kBinNameChars);
    for (NamedValueEntry slot : InputSlots(q.data)) {
        if (!autoSlot.empty() && slot.name == autoSlot) {
            bins.push_back({static_cast<WORD>(slot.value), kAutoTrayNameString});
            continue;
        }
        for (const ConfigDevice& d : kBinDevicesInTableOrder) {
            if (slot.name != LoadText(q.resources, d.deviceString, kBinNameChars)) continue;
            if (DevicePairReady(q.record, d.pair)) bins.push_back({static_cast<WORD>(slot.value), d.trayNameString});
            break;
        }
    }
    return bins;
}

DWORD Bins(const CapsQuery& q, void* output) {
    const std::vector<Bin> bins = ReadyBins(q);
    WORD* out = static_cast<WORD*>(output);
    for (size_t i = 0; out && i < bins.size(); ++i) out[i] = bins[i].id;
    return static_cast<DWORD>(bins.size());
}

DWORD BinNames(const CapsQuery& q, void* output) {
    const std::vector<Bin> bins = ReadyBins(q);
    WCHAR* out = static_cast<WCHAR*>(output);
    for (size_t i = 0; out && i < bins.size(); ++i)
        PutName(out + i * kBinNameChars, kBinNameChars, LoadText(q.resources, bins[i].nameId, kBinNameChars));
    return static_cast<DWORD>(bins.size());
}

// ---- The rest ----

DWORD Fields(const CapsQuery& q, void*) {
    return AsDevmode(q.record)->dmFields;
}
DWORD Size(const CapsQuery& q, void*) {
    return AsDevmode(q.record)->dmSize;
}
DWORD Extra(const CapsQuery& q, void*) {
    return AsDevmode(q.record)->dmDriverExtra;
}
DWORD Version(const CapsQuery& q, void*) {
    return AsDevmode(q.record)->dmSpecVersion;
}
DWORD Driver(const CapsQuery& q, void*) {
    return AsDevmode(q.record)->dmDriverVersion;
}
DWORD Duplex(const CapsQuery& q, void*) {
    return DevicePairReady(q.record, dm::kDuplex) ? 1 : 0;
}
DWORD Staple(const CapsQuery& q, void*) {
    return DevicePairReady(q.record, dm::kFinisher1) || DevicePairReady(q.record, dm::kFinisher2) ? 1 : 0;
}

DWORD Resolutions(const CapsQuery& q, void* output) {
    LONG* out = static_cast<LONG*>(output);
    const ResolutionList list = Resolutions(q.data);
    for (DWORD i = 0; out && i < list.size(); ++i) out[2 * i] = out[2 * i + 1] = list[i].dpi;
    return list.size();
}

DWORD Personality(const CapsQuery& q, void* output) {
    if (output)
        PutName(static_cast<WCHAR*>(output), kPersonalityChars,
                LoadText(q.resources, kPersonalityString, kPersonalityChars));
    return 1;
}

DWORD PrintRate(const CapsQuery& q, void*) {
    return static_cast<DWORD>(DeviceDataSignedField(q.data, dd::kPPM));
}
DWORD PrintRateUnit(const CapsQuery&, void*) {
    return PRINTRATEUNIT_PPM;
}
DWORD PrinterMemory(const CapsQuery& q, void*) {
    return Get(q.record, dm::MemoryKb);
}

DWORD MediaReady(const CapsQuery& q, void* output) {
    if (!(q.config.extStatus & kConfigFromPrinter)) return kNoAnswer;
    const std::vector<std::u16string> names = ReadyMediaNames(q.config, q.hPrinter);
    WCHAR* out = static_cast<WCHAR*>(output);
    for (size_t i = 0; out && i < names.size(); ++i) PutName(out + i * kPaperNameChars, kPaperNameChars, names[i]);
    return static_cast<DWORD>(names.size());
}

template <DWORD kValue>
DWORD Constant(const CapsQuery&, void*) {
    return kValue;
}

typedef DWORD (*CapabilityAnswer)(const CapsQuery& q, void* output);
struct Capability {
    WORD code;
    CapabilityAnswer answer;
};

// Capabilities not listed here (extents, file dependencies, bin adjustment, EMF, data types,
// collation, manufacturer, model, colour, n-up) answer GDI_ERROR.
constexpr Capability kCapabilities[] = {
    {DC_FIELDS, Fields},
    {DC_PAPERS, Papers},
    {DC_PAPERSIZE, PaperSizes},
    {DC_BINS, Bins},
    {DC_DUPLEX, Duplex},
    {DC_SIZE, Size},
    {DC_EXTRA, Extra},
    {DC_VERSION, Version},
    {DC_DRIVER, Driver},
    {DC_BINNAMES, BinNames},
    {DC_ENUMRESOLUTIONS, Resolutions},
    {DC_TRUETYPE, Constant<1>},
    {DC_PAPERNAMES, PaperNames},
    {DC_ORIENTATION, Constant<90>},
    {DC_COPIES, Constant<999>},
    {DC_PERSONALITY, Personality},
    {DC_PRINTRATE, PrintRate},
    {DC_PRINTRATEUNIT, PrintRateUnit},
    {DC_PRINTERMEM, PrinterMemory},
    {DC_MEDIAREADY, MediaReady},
    {DC_STAPLE, Staple},
    {DC_PRINTRATEPPM, PrintRate},
};

CapabilityAnswer AnswerFor(WORD capability) {
    for (const Capability& c : kCapabilities)
        if (c.code == capability) return c.answer;
    return nullptr;
}

}  // namespace

}  // namespace orla

using namespace orla;

DLLEXPORT DWORD APIENTRY DrvDeviceCapabilities(HANDLE hPrinter, LPWSTR /*pDeviceName*/, WORD iDevCap, void* pvOutput,
                                               DEVMODEW* pDevMode) {
    const CapabilityAnswer answer = AnswerFor(iDevCap);
    if (!answer) return kNoAnswer;
    DeviceDataHeld data(GetDeviceData(hPrinter));
    if (!data) return kNoAnswer;
    ResourceDllHeld resources(LoadResourceDll(hPrinter));
    if (!resources) return kNoAnswer;
    GlobalHeld<DriverDevmode> record = NewTemporaryRecord();
    if (!record) return kNoAnswer;
    PrinterConfigRecord config{};
    BuildQueryRecord(hPrinter, pDevMode, data.get(), record.get(), &config);
    return answer(CapsQuery{hPrinter, data.get(), resources.get(), *record, config}, pvOutput);
}
