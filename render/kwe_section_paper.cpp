// The paper a mark layer is made for: the device context's output paper, or the paper of one
// section of a several-output job as its job header file keeps it (paper code and portrait bit),
// so that every section's marks are fetched and laid at its own paper's size.
#include <utility>

#include "render/kwe_marks.h"
#include "render/output_writer.h"
#include "render/page_settings.h"
#include "render/pdev.h"

namespace {

struct SectionPaperSize {
    SHORT code;
    LONG width;  // micrometres, portrait
    LONG length;
};

// The papers trust marks are made for, upright.
constexpr SectionPaperSize kSectionPapers[] = {
    {PaperA3, 297000, 420000},           {PaperA4, 210000, 297000},
    {PaperA5, 148000, 210000},           {PaperB4, 257000, 364000},
    {PaperB5, 182000, 257000},           {PaperLetter, 216000, 280000},
    {PaperPostcard, 100000, 148000},     {PaperReplyPostcard, 200000, 148000},
    {PaperEnvelopeYou4, 105000, 235000},
};

}  // namespace

KwePaperSize KweContextPaper(const PrinterPdev* pdev) {
    return {pdev->geometry.outputPaper.width, pdev->geometry.outputPaper.length};
}

BOOL KweSectionPaper(DWORD paperRecord, KwePaperSize* paper) {
    // The low bits hold the paper code as a signed 16-bit value widened; bit 31 is the portrait bit.
    const SHORT code = static_cast<SHORT>(paperRecord & 0xFFFFu);
    for (const SectionPaperSize& p : kSectionPapers) {
        if (p.code != code) continue;
        *paper = {p.width, p.length};
        // A landscape section's pages are imaged on the paper turned, as the context's own paper is.
        if ((paperRecord & kPaperRecordPortrait) == 0) std::swap(paper->width, paper->length);
        return TRUE;
    }
    return FALSE;
}
