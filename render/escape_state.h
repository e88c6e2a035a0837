// What the private escapes keep in the device context, and the escape codes the graphics DLL
// answers. PrinterPdev (render/pdev.h) embeds EscapeState.
#pragma once

#include <cstddef>

#include "win/base.h"

// ---- Escape codes ----
enum EscapeCode : ULONG {
    kEscQueryEscSupport = 8,  // QUERYESCSUPPORT
    kEscSetCopyCount = 17,    // SETCOPYCOUNT
    kEscPassThrough = 19,     // PASSTHROUGH
    kEscTechnology = 20,      // the technology query
    kEscAppQuery = 4360,      // ESCAPE_APP_QUERY (Japanese build)
    kEscGetStamp = 9000,
    kEscGetBandStamp = 9001,
    kEscSetDcHandle = 9006,
    kEscGetInfoStamp = 9100,
    kEscGetBandInfoStamp = 9101,
    kEscGetFooterStamp = 9103,  // Japanese build
    kEscSetAccount = 9200,
    kEscSetJobOwner = 9998,
    kEscSetJobSettings = 9999,  // Japanese build
};

// DrvEscape's answer for a refused argument (all bits set: -1 read as a signed count).
inline constexpr ULONG kEscapeRefused = 0xFFFFFFFFu;

// The technology text of code 20, terminator included.
inline constexpr char kTechnologyText[] = "ORLA Level2";
inline constexpr ULONG kTechnologyBytes = sizeof kTechnologyText;
static_assert(kTechnologyBytes == 12);

// The application block of code 4360: a sub-code WORD at byte 4, a parameter WORD at byte 6;
// answers are DWORDs at bytes 0, 4, 8, 12 and 16 of the output.
inline constexpr ULONG kAppQuerySubCodeOffset = 4;
inline constexpr ULONG kAppQueryParameterOffset = 6;
inline constexpr ULONG kAppQueryIdentifyBytes = 4;  // the answer to 0x6585: DWORD 0
inline constexpr ULONG kAppQueryFormatBytes = 20;   // the answer to 3: DWORDs 4 to 16

struct EscapeState {
    BYTE* appQueryBlock;       // copy of the application's 4360 block (PDEV allocation list)
    DWORD appQueryBlockBytes;  // its size
    DWORD appQueryStored;      // 1 once a block is stored: sample sheet at the job end, no footer stamp
};
