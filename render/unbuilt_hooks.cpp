// The text hook whose output is not written yet. Each checks its device
// context like every hook (last error 87 for a damaged one) and then refuses the call with
// ERROR_CALL_NOT_IMPLEMENTED and its failure value, so the engine never takes a drawing that
// did not reach the job stream for one that did.
#include "render/ddi_hooks.h"
#include "render/driver_log.h"
#include "render/pdev.h"

namespace {

PrinterPdev* PdevOfSurface(SURFOBJ* pso) {
    return pso != nullptr ? reinterpret_cast<PrinterPdev*>(pso->dhpdev) : nullptr;
}

// FALSE (with last error 87) for a damaged device context; else logs the refusal, sets
// ERROR_CALL_NOT_IMPLEMENTED and gives FALSE too.
bool Refuse(const PrinterPdev* pdev, const char* hook) {
    if (!ValidatePdev(pdev)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DriverLog("%s: not supported by this driver build", hook);
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
}

PrinterPdev* Pdev(DHPDEV dhpdev) {
    return reinterpret_cast<PrinterPdev*>(dhpdev);
}

}  // namespace

DLLEXPORT ULONG APIENTRY DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo) {
    if (!ValidatePdev(Pdev(dhpdev))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Glyph handles for every font: text is sent as codes or downloaded glyphs, never as paths.
    return FO_HGLYPHS;
}

DLLEXPORT BOOL APIENTRY DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                                   RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                                   MIX mix) {
    return Refuse(PdevOfSurface(pso), "DrvTextOut");
}
