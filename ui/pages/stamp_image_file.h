// An image stamp's bitmap file: read whole and its headers checked before anything is drawn
// from it, so a damaged or hostile file is refused instead of read past its end.
#pragma once

#include <span>
#include <vector>

#include "ui/pages/page_context.h"
#include "win/base.h"

namespace orla {

enum class StampBitmapCheck {
    kGood,
    kNotBitmap,    // it does not begin with "BM"
    kDamaged,      // headers that do not describe a picture within the file
    kUnsupported,  // sound headers of a kind the preview does not draw (compressed, 16 bits)
};

// Larger files are not taken as stamps (the check reads the whole file).
inline constexpr DWORD kStampBitmapMaxBytes = 32u << 20;
// Larger sides are refused: no stamp needs them, and they would ask for huge drawing surfaces.
inline constexpr LONG kStampBitmapMaxSide = 8192;

// The headers of a bitmap file in memory (file header, info header, colour table and rows).
StampBitmapCheck CheckStampBitmap(std::span<const BYTE> file);

enum class StampFileRead { kRead, kCannotOpen, kShortRead, kTooLarge };
// The whole file into bytes (a zero-filled block as large as the file says).
StampFileRead ReadStampBitmapFile(LPCWSTR path, std::vector<BYTE>* bytes);

// The editor's image check: the file must open (else message 832) and be a whole bitmap file
// (else message 831: a file too large or whose headers do not fit it is refused the same way); a
// short read fails without a message. Messages beep and are captioned with
// the printer's name. TRUE when the file can be used; it only validates.
BOOL LoadStampImageFile(PageContext* page, HWND dialog, LPCWSTR path);

}  // namespace orla
