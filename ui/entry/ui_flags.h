// The UI context's flags: what the exports and the print-time path allow the pages and passes.
#pragma once

#include "win/base.h"

namespace orla {

inline constexpr DWORD kUiCanChange = 0x01;       // settings may be changed
inline constexpr DWORD kUiDataWritable = 0x02;    // the printer data is writable
inline constexpr DWORD kUiDeviceSheets = 0x10;    // device property sheets
inline constexpr DWORD kUiDocumentSheets = 0x20;  // document property sheets
inline constexpr DWORD kUiAdvanced = 0x40;        // advanced document properties

}  // namespace orla
