// The stamp preview: the page outline with the stamp drawn where and as it prints, the text
// turned by its angle choice and the image scaled. The stamp editor and the stamp page draw their
// owner-drawn preview with it.
#pragma once

#include "core/stamp_record.h"
#include "win/gdi.h"
#include "win/user.h"

namespace orla {

// The integer square root the preview measures a turned text with: from 16a, c = 16a / (2c) +
// c / 2 until two values differ by at most 16, the result / 4, at least 1 (also for a of 0 or
// less, which has no root to iterate towards).
LONG StampSquareRoot(LONG a);

// The page inside an item of the preview list: inset 10 left and right and 25 top and bottom in
// portrait, 25 and 10 in landscape.
RECT StampPreviewPage(const RECT& item, bool landscape);

// Escapement (tenths of a degree) of angle choices 0..4; the horizontal 0 for any other.
int StampEscapement(SHORT angle);
// Colour of grey choices 3041..3046; the factory grey's for any other.
COLORREF StampGreyColour(DWORD grey);

// The label over the text or path edit (3028), by the stamp's kind, in the language of the
// resource DLL the dialog came from (Japanese for the locale 1041).
LPCWSTR StampTextLabel(bool image, bool japanese);

// The whole preview into the item's rectangle of dc: outline, then the stamp (wide form). An image
// whose file is missing or not a sound bitmap is not drawn.
void DrawStampPreview(HDC dc, const RECT& item, const BYTE* stamp, bool landscape);

}  // namespace orla
