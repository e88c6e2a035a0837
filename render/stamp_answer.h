// Building the stamp records the stamp escapes answer with (render/stamp_escapes.cpp), shared
// with the trust-marking footer stamp.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/stamp_library.h"
#include "core/stamp_record.h"
#include "win/base.h"

struct PrinterPdev;

void StampPutWord(BYTE* record, size_t offset, WORD value);
// The text cut to its field, always ended, the rest of the field zeroed.
void StampPutText(BYTE* record, orla::StampTextField field, std::u16string_view text);
// Ends every text field that has no terminator inside it.
void TerminateStampTexts(BYTE* record);
// The stamp record embedded in the settings, texts ended.
void CopySettingsStamp(const PrinterPdev* pdev, BYTE* out);
// Page rectangle, resolution and current page number.
void FillStampPageFields(const PrinterPdev* pdev, BYTE* out);
// The fixed look of the information and footer stamps: a text stamp, upright, normal weight,
// black, drawn once, on every page.
void SetFixedLook(BYTE* out, DWORD position, WORD size, DWORD drawFlag, std::u16string_view face);

// The footer stamp of the trust-marking library into `out` (780 bytes): 1 with or without a
// footer, 0 when no trust-marking handle could be made.
ULONG AnswerFooterStamp(PrinterPdev* pdev, BYTE* out);
