// The bytes that frame every job: the PJL job header, the switch into ORLA, the page set-up
// before each page whose paper, tray, duplex or overlay changed, the FS Z / FS Y mode switches
// and the job trailer. Everything goes through WriteCommandFormatted and WriteSpool.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "render/page_settings.h"
#include "render/pjl_text.h"
#include "win/base.h"

struct PrinterPdev;

// ---- Formatted writer ----
// One argument of WriteCommandFormatted: a number or a NUL-terminated string. A directive given
// the wrong kind of argument (or none) writes nothing, so a bad call can never read wild memory.
struct PjlArg {
    bool isString;
    LONGLONG number;
    const char* text;
    PjlArg(const char* s) : isString(true), number(0), text(s) {}
    PjlArg(const std::string& s) : isString(true), number(0), text(s.c_str()) {}
    template <class T, class = std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>>>
    PjlArg(T v) : isString(false), number(static_cast<LONGLONG>(v)), text(nullptr) {}
};

// Directives: %b "true"/"false", %c one character, %d signed 32-bit, %l signed long, %u unsigned
// 32-bit, %s string; '%' before any other character writes that character. Returns the bytes
// written, or minus the bytes already written when a write fails.
LONG WriteCommandFormattedV(PrinterPdev* pdev, const char* format, std::span<const PjlArg> args);
inline LONG WriteCommandFormatted(PrinterPdev* pdev, const char* format, std::initializer_list<PjlArg> args = {}) {
    return WriteCommandFormattedV(pdev, format, std::span<const PjlArg>(args.begin(), args.size()));
}

// ---- Job identity ----
void BuildComputerJobId(PrinterPdev* pdev, char* out, const char* name);

// ---- Job header, page set-up, trailer ----
BOOL WritePjlJobHeader(PrinterPdev* pdev);
BOOL WritePjlJobAttributes(PrinterPdev* pdev);
BOOL WritePageStart(PrinterPdev* pdev);
BOOL WriteExtraSheetSetup(PrinterPdev* pdev, LONG tray);
BOOL WritePaperSourceCommands(PrinterPdev* pdev, LONG orientationValue, LONG tray);
BOOL WriteDuplexCommands(PrinterPdev* pdev);
BOOL WriteSlipSheetFeeder(PrinterPdev* pdev, const void* deviceData, LONG tray);
BOOL WriteOverlayCommands(PrinterPdev* pdev);
BOOL EnterModeZ(PrinterPdev* pdev);
BOOL EnterModeY(PrinterPdev* pdev);
BOOL WritePjlJobEnd(PrinterPdev* pdev);

// Fills a page set-up record from the device context's settings (for PageSetupChanged).
void FillPageSetupRecord(PrinterPdev* pdev, PageSetupRecord* setup);
// Marks both page set-up records unknown, so the next page writes a full set-up.
void ResetPageSetupCache(PageSetupCache* cache);
