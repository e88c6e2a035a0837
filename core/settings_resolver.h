// Bringing a settings record's dependent settings into line: document form and output paper,
// paper conversion, the zoom onto the output paper, and every setting that paper, tray,
// installed devices, memory or form overlay rule out. Also the output paper table
// ("TBL_OutPaperTable") and the paper test that the paper-source page shares.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "win/base.h"
#include "win/spool.h"

namespace orla {

// What the resolver reads of the printer configuration (present only in the UI): the status
// flags word ("PrinterExtStatus": 0x4 configuration read from the printer, 0x8 tray contents not
// shown) and the mode value.
struct ResolverConfig {
    DWORD extStatus;
    DWORD mode;
};

// Resource strings 200 to 219 of the language resource DLL (slot and device names).
inline constexpr UINT kFirstDeviceString = 200;
inline constexpr UINT kDeviceStringCount = 20;
using DeviceStrings = std::array<std::u16string, kDeviceStringCount>;
// Loads strings 200..219 (at most 24 characters each) from a resource module.
void LoadDeviceStrings(HMODULE resources, DeviceStrings* strings);

// Everything the resolver takes from the spooler and the resource DLL, gathered beforehand.
struct ResolverInputs {
    const FORM_INFO_1W* forms;  // usable-forms list
    DWORD formCount;
    const DeviceStrings* strings;         // resource strings 200..219
    std::span<const BYTE> outPaperTable;  // "TBL_OutPaperTable" value, empty when missing
};

// Resolves the record in place; the resource DLL comes through hPrinter2 when given, else hPrinter.
// Without a forms list or a resource DLL the record is left unchanged.
void ValidateSettings(DriverDevmode* record, const ResolverConfig* config, HANDLE hPrinter, HANDLE hPrinter2,
                      const CompiledDeviceData* data);
// The same with the inputs in hand.
void ResolveSettings(DriverDevmode* record, const ResolverConfig* config, const ResolverInputs& inputs,
                     const CompiledDeviceData* data);
// TRUE when the output paper (or, without one, the document form) is a paper the printer takes.
BOOL IsSupportedPaper(const DriverDevmode* record, const CompiledDeviceData* data);

// ---- Form names the resolver knows ----
// The fourteen conversion forms ("A4->A3": printed from A4 onto A3).
bool IsConversionFormName(std::u16string_view name);
// The rotated names of this build ("A4 横" / "A4 Rotated", ...).
bool IsRotatedFormName(std::u16string_view name);
// The papers the printer takes by name from "*Version" 4 on (transverse, small and rotated).
bool IsVersion4FormName(std::u16string_view name);
// The papers the printer takes by name under every "*Version" (A3 to B5, Letter, the postcards and
// the envelope).
bool IsPlainFormName(std::u16string_view name);
// TRUE when the name is a "*FormPort" entry of the description.
bool IsOfferedForm(std::u16string_view name, const CompiledDeviceData* data);

// ---- Output paper table ----
struct OutPaperPair {
    std::u16string document;
    std::u16string output;
};
// The default table (RCDATA 1001 of the interface DLL): fourteen pairs, same in both builds.
struct OutPaperDefault {
    const char16_t* document;
    const char16_t* output;
};
inline constexpr std::array<OutPaperDefault, 14> kDefaultOutPaperTable = {{
    {u"A3->B4", u"B4 (JIS)"},
    {u"A3->A4", u"A4"},
    {u"B4->A4", u"A4"},
    {u"B4->B5", u"B5 (JIS)"},
    {u"A4->B5", u"B5 (JIS)"},
    {u"A4->A3", u"A3"},
    {u"A4->B4", u"B4 (JIS)"},
    {u"B4->A3", u"A3"},
    {u"B5->A4", u"A4"},
    {u"B5->B4", u"B4 (JIS)"},
    {u"A4x2->A4", u"A4"},
    {u"B5x2->B5", u"B5 (JIS)"},
    {u"LP->B4", u"B4 (JIS)"},
    {u"LP->A4", u"A4"},
}};
// Parses the value's pairs of NUL-terminated UTF-16 strings. Parsing ends at an empty document
// name or at the end of the value. FALSE (with the whole pairs before the fault kept) when the
// value has an odd length or ends inside a pair.
BOOL ParseOutPaperTable(std::span<const BYTE> value, std::vector<OutPaperPair>* pairs);
// The value for a list of pairs: document, NUL, output, NUL, ...; 4 zero bytes for none.
std::vector<BYTE> BuildOutPaperTable(std::span<const OutPaperPair> pairs);
// Reads "TBL_OutPaperTable" of the printer (empty when missing or unreadable).
std::vector<BYTE> ReadOutPaperTable(HANDLE hPrinter);

}  // namespace orla
