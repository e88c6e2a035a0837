// The trust-marking library in the life of a job: bound when the device context is made, a mark
// layer with each page set-up of a one-output job, every output sent with its marks at the job end,
// and the footer stamp that escape 9103 answers with. Whatever fails, trust marking is switched
// off for the context and the job prints without marks.
#include <algorithm>
#include <string>

#include "core/driver_devmode.h"
#include "render/driver_log.h"
#include "render/kwe_marks.h"
#include "render/kwe_session.h"
#include "render/output_writer.h"
#include "render/page_settings.h"
#include "render/pdev.h"
#include "render/pjl_header.h"
#include "render/stamp_answer.h"
#include "win/nls.h"

namespace {

namespace dm = orla::dm;
namespace st = orla::stamp;

constexpr LONG kPrintableInset = 10000;  // micrometres
// Each output is a whole copy of the job: the library may ask for no more of them than a job may
// have copies.
constexpr LONG kMaxTrustMarkOutputs = 999;
constexpr DWORD kFooterPosition = 6;  // bottom left of the 3 x 3 grid
constexpr WORD kFooterTextSize = 80;  // tenths of a point
constexpr std::u16string_view kFooterFace = u"ＭＳ ゴシック";

bool TrustMarkOn(const PrinterPdev* pdev) {
    return orla::Get(pdev->settings.record, dm::TrustMarkResult) == 1;
}

void SwitchOff(PrinterPdev* pdev, const char* why) {
    if (TrustMarkOn(pdev)) DriverLog("trust marking off: %s", why);
    orla::Set(pdev->settings.record, dm::TrustMarkResult, DWORD{0});
    pdev->trustMark.suppressOutput = 0;
    pdev->jobSpool.outputCount = 0;
}

struct SectionContext {
    DWORD handle;
    // With the trust-marking log on, each output's mark is fetched once, at its first section.
    LONG fetchedOutput = 0;
    bool fetched = false;
    KweMarkImage mark;
};

// The log's mark was fetched when the device context was made: its size is in the record.
bool LogMarkKept(const PrinterPdev* pdev) {
    const auto& kept = pdev->trustMark.markImage;
    return pdev->trustMark.noKmwFile == 0 && kept.width > 0 && kept.height > 0;
}

// The mark of one output for a section: with the log on, fetched once per output at the size the
// log kept (later sections reuse it); otherwise fetched for each section at its paper's whole page.
bool SectionMark(PrinterPdev* pdev, LONG output, KwePaperSize paper, SectionContext* context) {
    if (!LogMarkKept(pdev)) {
        context->mark = KweMarkImage{};
        KweWholePageSizeOf(pdev, paper, &context->mark);
        return FetchKweMark(context->handle, output, &context->mark);
    }
    if (context->fetchedOutput == output) return context->fetched;
    context->fetchedOutput = output;
    context->mark = KweMarkImage{};
    context->mark.width = pdev->trustMark.markImage.width;
    context->mark.height = pdev->trustMark.markImage.height;
    context->fetched = FetchKweMark(context->handle, output, &context->mark);
    return context->fetched;
}

// The paper a section's marks are made for: its own, from its paper record. The context's paper
// (the last section's) stands in for a paper without a size of its own.
KwePaperSize SectionPaper(const PrinterPdev* pdev, DWORD paperRecord) {
    KwePaperSize paper;
    if (KweSectionPaper(paperRecord, &paper)) return paper;
    DriverLog("trust marking: paper code %d has no mark size; the current paper's is used",
              static_cast<int>(static_cast<SHORT>(paperRecord & 0xFFFFu)));
    return KweContextPaper(pdev);
}

// The marks of one output after a section of the job spool file, over the section's own paper.
BOOL WriteSectionMark(PrinterPdev* pdev, LONG output, DWORD paperRecord, void* context) {
    auto* section = static_cast<SectionContext*>(context);
    const KwePaperSize paper = SectionPaper(pdev, paperRecord);
    if (!SectionMark(pdev, output, paper, section)) {
        DriverLog("trust marking: output %ld has no mark", static_cast<long>(output));
        return TRUE;  // the output goes out without its mark layer rather than not at all
    }
    pdev->kwe.outputIndex = output;
    BOOL ok = WriteKweFooterOn(pdev, section->mark, paper);
    pdev->kwe.outputIndex = 0;
    return ok;
}

std::u16string WideFooter(const KweBlock& block) {
    const char* text = reinterpret_cast<const char*>(block.bytes);
    const int n = static_cast<int>(strnlen(text, block.size));
    if (n <= 0) return {};
    std::u16string wide(static_cast<size_t>(n), u'\0');
    const int got = MultiByteToWideChar(CP_ACP, 0, text, n, wide.data(), n);
    wide.resize(static_cast<size_t>(std::max(got, 0)));
    return wide;
}

}  // namespace

void KweWholePageSize(const PrinterPdev* pdev, KweMarkImage* mark) {
    KweWholePageSizeOf(pdev, KweContextPaper(pdev), mark);
}

void KweWholePageSizeOf(const PrinterPdev* pdev, KwePaperSize paper, KweMarkImage* mark) {
    LONG w = paper.width, l = paper.length;
    if (pdev->geometry.resolution == 300) w *= 2, l *= 2;
    mark->width = (ConvertToDevicePixels(std::max<LONG>(w - kPrintableInset, 0), pdev->geometry.resolution) + 7) & ~7;
    mark->height = ConvertToDevicePixels(std::max<LONG>(l - kPrintableInset, 0), pdev->geometry.resolution);
}

void BindTrustMarking(PrinterPdev* pdev) {
    if (!TrustMarkOn(pdev) || !IsKweLibraryInstalled()) {
        // Without its library a job prints without marks: a clash with hidden printing (which
        // only trust marking can cause) no longer holds it back.
        SwitchOff(pdev, "the library is not installed");
        return;
    }
    KweSession session;
    // A library that makes no handle counts as missing: the job must print, unmarked.
    if (!OpenKweSession(pdev, &session, KweSessionRequest{})) return SwitchOff(pdev, "no handle");
    if (!session.settingsAccepted) return SwitchOff(pdev, "the library refused its settings");
    const LONG outputs = KweGetNumOfOutputs(session.handle);
    if (outputs > kMaxTrustMarkOutputs) {
        DriverLog("trust marking: the library asks for %ld outputs, more than the %ld copies a job may have; refused",
                  static_cast<long>(outputs), static_cast<long>(kMaxTrustMarkOutputs));
        return SwitchOff(pdev, "too many outputs");
    }
    pdev->jobSpool.outputCount = std::max<LONG>(outputs, 0);
    pdev->trustMark.available = KweIsAvailableXKM(session.handle);
    LONG whole = 0;
    if (KweIsWholePage(session.handle, &whole) == 0) return SwitchOff(pdev, "no whole-page marks");
    if (!WriteKweLogFile(pdev, session.handle)) SwitchOff(pdev, "the library gave no mark for the log");
}

BOOL WritePageTrustMark(PrinterPdev* pdev) {
    if (!TrustMarkOn(pdev) || pdev->jobSpool.outputCount >= 2 || pdev->escapes.appQueryStored != 0) return TRUE;
    KweMarkImage mark;
    KweWholePageSize(pdev, &mark);
    {
        KweSession session;
        if (!OpenKweSession(pdev, &session, KweSessionRequest{}) || !session.settingsAccepted) {
            SwitchOff(pdev, "the library cannot be bound for the page");
            return TRUE;
        }
        if (!FetchKweMark(session.handle, 1, &mark)) {
            SwitchOff(pdev, "the library gave no mark");
            return TRUE;
        }
    }
    BOOL ok = EnterModeZ(pdev);
    pdev->kwe.outputIndex = 1;
    ok = WriteKweFooter(pdev, mark) && ok;
    pdev->kwe.outputIndex = 0;
    return ok;
}

BOOL SendTrustMarkOutputs(PrinterPdev* pdev) {
    KweSession session;
    if (!OpenKweSession(pdev, &session, KweSessionRequest{}) || !session.settingsAccepted) {
        // The outputs exist only with their marks: the job fails rather than print unmarked copies.
        DriverLog("DrvEndDoc: the trust-marking library cannot be bound; the job's outputs are not sent");
        DeleteJobSpoolFiles(pdev);
        return FALSE;
    }
    SectionContext context{session.handle};
    return SendJobSpoolFiles(pdev, WriteSectionMark, &context);
}

ULONG AnswerFooterStamp(PrinterPdev* pdev, BYTE* out) {
    if (pdev->jobSpool.outputCount >= 2) return 1;
    KweSession session;
    if (!OpenKweSession(pdev, &session, KweSessionRequest{kKweDocumentForFooter})) return 0;
    HGLOBAL text = nullptr;
    KweBlock block;
    if (KweGetFooterString(session.handle, &text, 1) == 0 || !block.Take(text)) {
        if (block.handle == nullptr && text != nullptr) GlobalFree(text);
        return 1;
    }
    CopySettingsStamp(pdev, out);
    SetFixedLook(out, kFooterPosition, kFooterTextSize, orla::Get(pdev->settings.record, dm::TrustMarkResult),
                 kFooterFace);
    StampPutText(out, st::kText, WideFooter(block));
    FillStampPageFields(pdev, out);
    return 1;
}
