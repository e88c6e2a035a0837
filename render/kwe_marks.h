// The trust-marking layer of a page: the mark images over the printable page with the footer text
// of the output, and the uses of the library by the job (device context creation, page start, the
// outputs at the job end, the footer stamp). Japanese build only; the English build never calls
// these.
#pragma once

#include <string_view>
#include <vector>

#include "win/base.h"

struct PrinterPdev;

// The mark tile as the driver keeps it: 1 bit per pixel (1 = ink), rows of (width + 7) / 8 bytes.
struct KweMarkImage {
    LONG width = 0;
    LONG height = 0;
    std::vector<BYTE> bits;
};

// The mark layer and footer (WriteKweFooter): the tile over the printable page (or one extended
// mark centred), then the footer of the current output. The result of its last write.
BOOL WriteKweFooter(PrinterPdev* pdev, const KweMarkImage& mark);

// The footer text of the library (system code page) as the printer's two-byte character run:
// single bytes as 0x00 c, double-byte characters as their JIS X 0208 code. A lead byte without its
// trail byte is dropped. Character faults are shown (each kind once) and logged; the text still
// goes out.
std::vector<BYTE> FooterCharacters(std::string_view ansi);

// Fetches the mark image of an output (KweGetKM) into `mark`, whose width and height on entry are
// the page it is asked for: the block's rows are taken only as far as the block holds them. FALSE
// when the library gives none (-1), a block too small, or a mark larger than the page (logged).
BOOL FetchKweMark(DWORD handle, LONG output, KweMarkImage* mark);

// The whole printable page in dots, the width rounded up to whole bytes: the size a whole-page
// mark is asked for.
void KweWholePageSize(const PrinterPdev* pdev, KweMarkImage* mark);

// The trust-marking log of DrvEnablePDEV on an open handle: when the log settings ask for it, the
// job's records again and the whole-page mark kept in a KMW file. FALSE when the library gave no
// mark (trust marking must go off); a file that cannot be written is only logged.
BOOL WriteKweLogFile(PrinterPdev* pdev, DWORD handle);

// A job whose settings clash with hidden printing: the reason in the library's log line (when
// the library is installed). `deviceName` is the settings' device name.
void LogHiddenPrintingClash(PrinterPdev* pdev, const WCHAR* deviceName, bool paperClash, bool resolutionClash);

// DrvEnablePDEV: binds the library for the context (outputs, extended marks, whole page), or
// switches trust marking off.
void BindTrustMarking(PrinterPdev* pdev);
// The page set-up of a one-output job with trust marking on: the page's mark layer and footer.
BOOL WritePageTrustMark(PrinterPdev* pdev);
// DrvEndDoc with several outputs: every output of the job spool files with its marks. FALSE when
// the library cannot be bound (nothing is sent) or a write failed.
BOOL SendTrustMarkOutputs(PrinterPdev* pdev);
// The job trailer after an application's query block: the trust-mark sample sheet. 1 when it was
// written whole, else 0 (the job goes on either way); the block is dropped.
BOOL BuildKweJobData(PrinterPdev* pdev);

// A paper's size in micrometres, across and down the page as the printer images it.
struct KwePaperSize {
    LONG width = 0;
    LONG length = 0;
};
// The device context's output paper.
KwePaperSize KweContextPaper(const PrinterPdev* pdev);
// The paper of a section of the job spool file from its paper record: the size of its paper code,
// turned when the section is landscape. FALSE for a code that has no size of its own here (user
// papers, conversions, long paper).
BOOL KweSectionPaper(DWORD paperRecord, KwePaperSize* paper);
// KweWholePageSize for a given paper.
void KweWholePageSizeOf(const PrinterPdev* pdev, KwePaperSize paper, KweMarkImage* mark);
// WriteKweFooter over a given paper instead of the context's.
BOOL WriteKweFooterOn(PrinterPdev* pdev, const KweMarkImage& mark, KwePaperSize paper);
