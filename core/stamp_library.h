// The stamp-drawing library binding ("Garnith.dll" in the driver directory), the same in both
// driver DLLs: the graphics DLL draws band stamps with it, the interface DLL the stamps it
// imprints at each page end.
#pragma once

#include "core/stamp_record.h"
#include "win/base.h"

namespace orla {

// The library's entry points: one stamp text, one stamp image (BMP file). The "Z" forms are the
// ones the graphics DLL calls. Both return non-zero when they drew.
typedef LONG(APIENTRY* StampStringProc)(DWORD dc, LPCSTR text, DWORD position, LONG size, LONG angle, LONG weight,
                                        DWORD italic, LPCSTR face, LONG pass, DWORD grey, LONG mode, LONG width,
                                        LONG height, DWORD resolution);
typedef LONG(APIENTRY* StampBitmapProc)(DWORD dc, LPCSTR path, DWORD position, LONG scale, LONG pass, LONG reserved,
                                        LONG width, LONG height, DWORD resolution);

// Draws the stamp record (780 bytes, wide form) when its draw flag is set, and on page 1 only
// when it is a first-page-only stamp. Always 1: a stamp that cannot be drawn is no error.
LONG DrawStampsInBand(DWORD dcHandle, HANDLE hPrinter, const BYTE* stamp, LONG pass, LONG zVariant);
// Loads the library from the driver directory, draws, frees it. The library's result, or 0 when
// the driver path, the library or the entry point is missing.
LONG LoadStampLibrary(DWORD dcHandle, HANDLE hPrinter, const BYTE* stamp, LONG pass, LONG zVariant);

// Tenths of a degree, grey colour and mode of the stamp editor's choices.
LONG StampAngleOfChoice(SHORT choice);
DWORD StampGreyOfChoice(DWORD choice);
LONG StampModeOfChoice(DWORD choice);

}  // namespace orla
