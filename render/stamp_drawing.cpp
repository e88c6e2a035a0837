// Band-mode stamps: the banding loop asks the driver's own escapes for the stamp and the
// information stamp and draws them into the band through the stamp-drawing library.
#include "render/stamp_drawing.h"

#include <cstring>

#include "core/little_endian.h"
#include "core/stamp_library.h"
#include "core/stamp_record.h"
#include "render/ddi_hooks.h"
#include "render/escape_state.h"
#include "render/pdev.h"

namespace {

// Asks the driver's own escape for one band stamp and draws it in its passes: a stamp that is
// not an overlay first clears its place (pass 0), then draws (pass 1).
void DrawOneBandStamp(PrinterPdev* pdev, SURFOBJ* pso, ULONG code) {
    BYTE stamp[orla::kStampRecordSize] = {};
    if (DrvEscape(pso, code, 0, nullptr, sizeof stamp, stamp) != 1) return;
    if (orla::StampGet(stamp, orla::stamp::kOverlayMode) == 0)
        orla::DrawStampsInBand(pdev->job.dcHandleValue, pdev->printer, stamp, 0, 1);
    orla::DrawStampsInBand(pdev->job.dcHandleValue, pdev->printer, stamp, 1, 1);
}

}  // namespace

void DrawBandStamps(PrinterPdev* pdev, SURFOBJ* pso) {
    DrawOneBandStamp(pdev, pso, kEscGetBandStamp);
    DrawOneBandStamp(pdev, pso, kEscGetBandInfoStamp);
}
