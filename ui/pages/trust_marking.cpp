// The trust-marking library's answer for a printer, asked through the binding the graphics DLL
// uses (linked into the Japanese pages only).
#include "ui/pages/trust_marking.h"

#include <string>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "ui/entry/ansi_text.h"
#if ORLA_JAPANESE
#include "render/kwe_binding.h"
#endif

namespace orla {

bool TrustMarkingAvailable(const UiContext& ui) {
#if ORLA_JAPANESE
    constexpr DWORD kKweNameBytes = 256;  // each name in the system code page
    if (!IsKweLibraryInstalled()) return false;
    char printer[kKweNameBytes] = {}, model[kKweNameBytes] = {};
    ToAnsiCut(ui.printerName, printer, sizeof printer);
    const std::u16string modelName(DevicePrinterName(ui.deviceData));
    ToAnsiCut(modelName.c_str(), model, sizeof model);
    const DWORD handle = KweCreateHandle(printer, model, kKweLanguage, kKweLocale);
    if (handle == 0) return false;
    KweReleaseHandle(handle);
    return true;
#else
    (void)ui;
    return false;
#endif
}

}  // namespace orla
