// The reason a job clashing with hidden printing prints nothing, written to the trust-marking
// library's log: the settings' device name, the printer's driver name and the clash. Nothing is
// shown to the user here: this DLL may run inside the spooler.
#include <cstring>
#include <string>

#include "core/support.h"
#include "render/driver_log.h"
#include "render/kwe_marks.h"
#include "render/kwe_session.h"
#include "render/pdev.h"
#include "render/pjl_text.h"
#include "win/spool.h"

namespace {

constexpr std::u16string_view kPaperClash =
    u"[*->*]用紙、長尺紙、またはユーザ定義は、[隠し印刷]と同時に選択できません。(7)";
constexpr std::u16string_view kResolutionClash =
    u"[解像度]で[1200dpi],[400dpi],[240dpi],[200dpi]と[隠し印刷]と同時に選択できません。(8)";
constexpr std::u16string_view kBothClash =
    u"次の設定は[隠し印刷]と同時に選択できません。・[*->*]用紙、長尺紙、またはユーザ定義・[解像度]で[1200dpi],[400dpi],"
    u"[240dpi],[200dpi] (9)";

std::u16string_view ClashText(bool paper, bool resolution) {
    if (paper && resolution) return kBothClash;
    return paper ? kPaperClash : kResolutionClash;
}

std::u16string DriverName(PrinterPdev* pdev) {
    std::u16string name;
    if (BYTE* info = orla::GetPrinterInfoAlloc(pdev->printer, 2)) {
        const auto* p2 = reinterpret_cast<const PRINTER_INFO_2W*>(info);
        if (p2->pDriverName != nullptr) name = p2->pDriverName;
        GlobalFree(info);
    }
    return name;
}

// A text in the system code page, cut to whole characters within the field and terminated.
void PutAnsi(BYTE* record, KweTextField field, std::u16string_view text) {
    const std::string ansi = CutAnsi(WideToAnsi(text), field.bytes - 1);
    std::memcpy(record + field.offset, ansi.data(), ansi.size());
}

}  // namespace

void LogHiddenPrintingClash(PrinterPdev* pdev, const WCHAR* deviceName, bool paperClash, bool resolutionClash) {
    if (!paperClash && !resolutionClash) return;
    if (!IsKweLibraryInstalled()) return;
    KweSession session;
    if (!OpenKweSession(pdev, &session, KweSessionRequest{kKweDocumentForFooter})) {
        DriverLog("hidden-printing clash: the trust-marking library makes no handle; the reason is not logged");
        return;
    }
    BYTE record[kKweLogRecordSize] = {};
    const DWORD size = kKweLogRecordSize;
    std::memcpy(record + kwelog::kSize, &size, sizeof size);
    PutAnsi(record, kwelog::kDevice, BoundedText(deviceName, CCHDEVICENAME));
    PutAnsi(record, kwelog::kDriver, DriverName(pdev));
    PutAnsi(record, kwelog::kText, ClashText(paperClash, resolutionClash));
    if (KweWriteLog(session.handle, record) == 0) DriverLog("hidden-printing clash: the library refused the log line");
}
