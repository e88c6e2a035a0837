// The two name-pair tables the device settings page edits: "TBL_TTSubstTable" (TrueType face,
// printer font) and "TBL_OutPaperTable" (document form, output form). Both are pairs of
// NUL-terminated UTF-16 strings with nothing between them; an empty table is 4 zero bytes. Here
// the parts of their dialogs that need no window: reading and writing the values, the built-in
// defaults, matching stored pairs to the dialog's rows, the faces offered and the papers the
// printer can print.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_data.h"
#include "win/base.h"
#include "win/gdi.h"

namespace orla {

inline constexpr char16_t kTTSubstTableValue[] = u"TBL_TTSubstTable";
inline constexpr char16_t kOutPaperTableValue[] = u"TBL_OutPaperTable";
// The interface DLL's built-in tables (RT_RCDATA).
inline constexpr WORD kDefaultTTSubstTableId = 1000;
inline constexpr WORD kDefaultOutPaperTableId = 1001;

// Longest name a row shows and a table keeps (face or form), in characters.
inline constexpr size_t kTableNameChars = 64;

// A printer-data value read whole; empty when it is missing or cannot be read.
std::vector<BYTE> ReadTableValue(HANDLE hPrinter, LPCWSTR name);
// Writes the value as REG_BINARY with exactly its length. The spooler's answer.
DWORD WriteTableValue(HANDLE hPrinter, LPCWSTR name, std::span<const BYTE> value);
// The interface DLL's built-in table of that id without the resource's zero padding (it keeps
// its two closing zero characters); empty when the module or the resource is not there.
std::vector<BYTE> DefaultTableResource(WORD id);

// Sets rows' indexes from a table's pairs: for each whole pair inside the value, the first row
// named by its first string gets the index of the first choice after entry 0 equal to its second
// string. A pair naming no row or no such choice is passed over; so is entry 0 (no choice), which
// a table never holds. The walk stays inside the value and ends at an empty name; a damaged tail
// is not used. indexes holds one index per row. The number of pairs that set a row.
int ApplyTablePairs(std::span<const BYTE> value, std::span<const std::u16string> rows,
                    std::span<const std::u16string> choices, std::span<int> indexes);
// The value for the rows whose index names a choice after entry 0, in row order: row, NUL,
// choice, NUL, ...; 4 zero bytes when no row has one.
std::vector<BYTE> BuildTableValue(std::span<const std::u16string> rows, std::span<const std::u16string> choices,
                                  std::span<const int> indexes);

// ---- TrueType substitution ----
// The full names of the fixed-pitch TrueType fonts of the device context, each once, in the order
// the faces are enumerated (every fixed-pitch TrueType face enumerated again for its fonts); at
// most kTableNameChars characters each.
std::vector<std::u16string> ListTrueTypeFaces(HDC hdc);

// ---- Output paper ----
// A form of the UI context's forms list (sizes in 0.1 mm) the printer can print: inside the
// description's smallest and largest form, the long paper 297.0 x 900.0 mm, and from "*Version" 4
// on the rotated A4, B5, Letter, postcard and envelope You #4 as well.
bool IsPrintableForm(std::u16string_view name, LONG width, LONG length, const CompiledDeviceData* data);
// The default form of the device description ("*DefaultFormPort").
std::u16string_view DefaultFormOf(const CompiledDeviceData* data);

}  // namespace orla
