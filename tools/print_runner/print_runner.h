// The print-path runner: plays the spooler and GDI for the graphics DLL. It installs a printer
// into a sandbox root, builds a DEVMODE from options, loads the graphics DLL by its file name
// and drives a job through its DDI entry points the way GDI does (enable, document, pages with
// banding or send-page, ResetDC between pages whose settings differ, disable), then hands back
// the spooled job stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/print_runner/sample_content.h"
#include "tools/print_runner/text_page.h"

namespace orla::runner {

// One page's own paper and orientation (ResetDC before it when they differ from the last).
struct PageSettings {
    std::u16string paper;  // form name; empty keeps the job's
    int orientation = 0;   // 1 portrait, 2 landscape; 0 keeps the job's
};

// Bytes written into the driver's settings record at a DEVMODE offset before the job (little
// endian, as the record keeps them); the driver's merge and checks still apply to them.
struct SettingPatch {
    unsigned offset = 0;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> mask;  // when given (as long as bytes): only these bits are written
};

// What GDI draws on each page: in band mode into the bands, in command mode through the
// driver's drawing hooks (paints, filled and stroked paths, the text as a bitmap block transfer).
enum class PageContent {
    None,    // blank pages (a blank sheet is dropped by the driver)
    Sample,  // the runner's sample page: frame, rectangles, grey patches (band mode), text
             // lines; in command mode also two stroked lines under the text
    Text,    // the text page (text_page.h): through DrvTextOut in command mode, by the engine in bands
};

// One band as drawn, before the driver took it: the band surface's bits (0 = black).
struct DrawnBand {
    long originX = 0, originY = 0;  // page position of the band's top-left pixel
    int width = 0, height = 0;      // pixels
    int stride = 0;                 // bytes per row of `bits` (top-down)
    std::vector<uint8_t> bits;
};

struct DrawnPage {
    int width = 0, height = 0;  // the printable page the content was laid out on
    int dpi = 0;
    // Where the printable page's top-left pixel lies on the paper, in pixels from the paper's
    // corner, as the driver reports it (GDIINFO ptlPhysOffset).
    int paperX = 0, paperY = 0;
    bool text = false;  // text lines were drawn (a font was found)
    std::vector<DrawnBand> bands;
    // Command mode: the text bitmap sent, placed at textBlock (page pixels), rows of textStride
    // bytes, 0 = black.
    SampleRect textBlock;
    int textStride = 0;
    std::vector<uint8_t> textBits;
    // The text page: each line's black box in the engine's own rendering.
    std::vector<TextLineBox> textLines;
};

struct PrinterDataValue {
    std::u16string name;
    uint32_t type = 0;  // REG_ type
    std::vector<uint8_t> bytes;
};

// An escape the application sends after StartDoc (input bytes as given, an output buffer of
// outputSize bytes).
struct EscapeCall {
    uint32_t code = 0;
    std::vector<uint8_t> input;
    uint32_t outputSize = 0;
};

// An escape that reached the graphics DLL through the application's device context (the
// interface DLL's or the job's own), with the driver's answer.
struct SentEscape {
    uint32_t code = 0;
    uint32_t inputSize = 0;
    uint32_t outputSize = 0;
    long answer = 0;
    bool operator==(const SentEscape&) const = default;
};

// One document event GDI sent the interface DLL, with its answer and the time the interface DLL
// took (seconds, for benchmarks; not compared).
struct DocumentEventCall {
    int event = 0;
    int answer = 0;
    double seconds = 0;
    bool operator==(const DocumentEventCall& o) const { return event == o.event && answer == o.answer; }
};

struct RunOptions {
    std::string sandboxRoot;  // host directory; must exist
    std::string binDir;       // the build's bin folder (DLLs, settings helpers)
    std::string modelFile;    // host path of the device description
    bool japanese = true;     // Quessa.dll, else Brindal.dll
    std::u16string printerName = u"ORLA Test Printer";
    std::u16string documentName = u"runner job";

    // An application's settings record (a DEVMODE with the driver's private part) the job starts
    // from instead of the driver's defaults; TakeSettingsRecord fills it and the options above
    // from it. The driver merges and checks it as it does any application's.
    std::vector<uint8_t> devmode;
    std::u16string paper = u"A4";
    int orientation = 1;
    int copies = 1;
    int duplex = 1;  // dmDuplex: 1 simplex, 2 long edge, 3 short edge
    int layout = 1;  // pages per sheet mode, the WORD at DEVMODE offset 492
    int dpi = 600;
    int pages = 1;
    bool rasterMode = false;            // band mode: the whole page drawn into a 1-bpp banding surface
    std::vector<PageSettings> perPage;  // page i takes perPage[i] when present
    std::vector<PrinterDataValue> printerData;
    std::vector<SettingPatch> settingPatches;  // applied in order, after the options above
    PageContent content = PageContent::None;
    bool keepBands = false;  // hand back every drawn band (RunResult::drawn)
    // The job's escapes, sent after the start of the document in order (runner_escapes.h).
    std::vector<EscapeCall> escapes;
    // The job comes from an application through GDI: the printer's interface DLL is loaded and
    // its DrvDocumentEvent called as GDI calls it (before and after the start of the document,
    // at each page end). It hands the driver the print-time settings or the job owner record and
    // the device context's handle, and imprints the page's stamps on the device context.
    bool applicationDc = false;
    // The user's stored stamps (780-byte records in their in-memory form, numbered 1, 2, ...),
    // written to the user's stamp list before the job as the stamp editor stores them; the page
    // end imprints the stored stamp of the number the settings choose. Empty: the list is left as
    // it is.
    std::vector<std::vector<uint8_t>> userStamps;
    // The trust-marking library stand-in installed for the job, with its script (lines
    // "Name=value"); without it the library is absent.
    bool trustMarkLibrary = false;
    std::u16string trustMarkScript;
    // Command mode with text content: every page prints these lines instead of the text page's
    // (pages of the caller's own, such as the text benchmarks').
    std::vector<TextLine> textLines;
};

struct RunResult {
    bool ok = false;
    std::string error;         // the failing step and the last error
    std::vector<uint8_t> job;  // the spooled job stream
    std::string spoolFile;     // host path of the spool file
    int pagesSent = 0;
    int bands = 0;             // DrvNextBand calls over the job
    int resets = 0;            // ResetDC sequences run
    bool banding = false;      // the surface was a banding surface
    bool fullDevmode = false;  // the DEVMODE carried the driver's private part
    // DrvEndDoc's answer: -1 not called, 0 FALSE, 1 TRUE; endDocAborted when GDI called it
    // with ED_ABORTDOC for a document that failed on the way.
    int endDocResult = -1;
    bool endDocAborted = false;
    std::vector<DrawnPage> drawn;     // pages drawn with content (their bands only with keepBands)
    std::vector<long> escapeResults;  // DrvEscape's answers to the job's escapes
    // Every escape through the application's device context, in order, and the document events.
    std::vector<SentEscape> sentEscapes;
    std::vector<DocumentEventCall> documentEvents;
    // Command mode: the time each page spent in the driver (DrvStartPage, the text content's
    // DrvTextOut calls and DrvSendPage; not the runner's own work), in seconds, for benchmarks.
    std::vector<double> pageDriverSeconds;
};

// Takes a settings record (as ui_runner sheet writes it) for the job: paper, orientation,
// copies, duplex, resolution and layout are read from it, the whole record becomes the job's
// DEVMODE. FALSE with a reason for bytes that are no DEVMODE (sizes that do not add up, no form).
bool TakeSettingsRecord(std::vector<uint8_t> record, RunOptions& options, std::string& error);

// A settings field of the chosen build's layout, found by its dm:: name through the build's
// settings helper in binDir.
enum FieldKind : unsigned { kInteger = 0, kText = 1, kAnsi = 2, kBytes = 3 };
struct FieldPlace {
    unsigned offset = 0;
    unsigned size = 0;  // bytes
    unsigned kind = kInteger;
};
bool FindSettingsField(const std::string& binDir, bool japanese, const std::string& name, FieldPlace& place);

// "NAME=VALUE" or "NAME=VALUE/MASK": the settings field of that dm:: name in the chosen build's
// layout (the build's settings helper in binDir knows it). Integers in decimal or 0x hexadecimal (a
// mask writes only its bits), texts as given in UTF-8, byte blocks in hexadecimal. FALSE with a
// reason for an unknown name (a bare offset included) or a value the field cannot hold.
bool NamedSettingPatch(const std::string& binDir, bool japanese, const std::string& text, SettingPatch& out,
                       std::string& error);

// Installs the printer (driver directory, DLLs of binDir, data file, printer data) once per
// sandbox; idempotent.
bool InstallPrinter(const RunOptions& options, std::string& error);
// Installs when needed and runs one job.
RunResult RunJob(const RunOptions& options);

}  // namespace orla::runner
