// The mark layer: the library's mark tile repeated over the printable page (partial tiles along
// the bottom and right edges), or one extended mark centred, in 1/600 inch units; then the footer
// text of the output as a character run at the bottom of the page.
#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <utility>

#include "core/driver_devmode.h"
#include "render/driver_log.h"
#include "render/kwe_marks.h"
#include "render/kwe_session.h"
#include "render/output_writer.h"
#include "render/page_settings.h"
#include "render/pdev.h"
#include "render/row_compression.h"
#include "win/nls.h"

namespace {

namespace dm = orla::dm;

constexpr LONG kPrintableInset = 10000;  // micrometres: the mark stays off the paper's edges
// A library tile so small that the page would take more images than this is refused: a page of
// millions of image commands is no mark layer a printer could take.
constexpr int64_t kMaxTilesPerPage = 1 << 16;
constexpr char kImageModeRaw = '0';
constexpr char kImageModeDeltaRow = '5';

struct LayerGeometry {
    LONG width;  // printable width and length in 1/600 inch
    LONG length;
};

LayerGeometry LayerSize(const PrinterPdev* pdev, KwePaperSize paper) {
    LONG w = paper.width, l = paper.length;
    if (IsTurnedLayout(orla::Get(pdev->settings.record, dm::LayoutMode))) std::swap(w, l);
    if (pdev->geometry.resolution == 300) w *= 2, l *= 2;
    const LONG dpi = pdev->geometry.resolution;
    return {ConvertToDevicePixels(std::max<LONG>(w - kPrintableInset, 0), dpi),
            ConvertToDevicePixels(std::max<LONG>(l - kPrintableInset, 0), dpi)};
}

enum class MarkRows { Compressed, Raw };

// One image command: position, then the header and the rows (compressed when asked and shorter).
BOOL WriteMarkImage(PrinterPdev* pdev, LONG x, LONG y, LONG width, LONG rows, const BYTE* bits, LONG rowBytes,
                    LONG stride, MarkRows kind = MarkRows::Compressed) {
    if (width <= 0 || rows <= 0 || rowBytes <= 0) return TRUE;
    std::vector<BYTE> packed;
    BYTE* end = nullptr;
    if (kind == MarkRows::Compressed) {
        packed.resize(DeltaRowOutputArea(static_cast<size_t>(rows), static_cast<size_t>(rowBytes)));
        std::vector<BYTE> seed(static_cast<size_t>(rowBytes), 0);
        end = CompressDeltaRow(seed.data(), bits, static_cast<size_t>(rows), static_cast<size_t>(rowBytes),
                               packed.data(), stride);
    }
    std::vector<BYTE> raw;
    const BYTE* data = packed.data();
    size_t count = end != nullptr ? static_cast<size_t>(end - packed.data()) : 0;
    char mode = kImageModeDeltaRow;
    if (end == nullptr) {
        // Raw rows asked for, or compression did not pay: the rows go out as they are.
        mode = kImageModeRaw;
        for (LONG r = 0; r < rows; ++r) raw.insert(raw.end(), bits + r * stride, bits + r * stride + rowBytes);
        data = raw.data();
        count = raw.size();
    }
    std::string head =
        "\x1c"
        "e" +
        std::to_string(x) + "," + std::to_string(y) +
        ".\x1c"
        "i" +
        std::to_string(width) + "," + std::to_string(rows) + "," + mode + ",1/1,1/1," + std::to_string(count) + ",600.";
    BOOL ok = WriteCommand(pdev, head);
    return WriteSpool(pdev, data, static_cast<DWORD>(count)) && ok;
}

// One mark in the middle of the page, cut to its middle when it is wider than the page, sent raw.
BOOL WriteExtendedMark(PrinterPdev* pdev, const KweMarkImage& mark, LayerGeometry g) {
    const LONG rowBytes = (mark.width + 7) / 8;
    LONG x = (g.width - mark.width) / 2, y = (g.length - mark.height) / 2, skip = 0, keep = rowBytes;
    if (g.width < mark.width) {
        keep = std::min<LONG>((g.width + 7) / 8, rowBytes);
        skip = std::min<LONG>((mark.width - g.width) / 16, rowBytes - keep);
        x = 0;
    }
    std::vector<BYTE> rows;
    for (LONG r = 0; r < mark.height; ++r)
        rows.insert(rows.end(), mark.bits.begin() + r * rowBytes + skip,
                    mark.bits.begin() + r * rowBytes + skip + keep);
    // The extended mark goes out as the library made it, never compressed.
    return WriteMarkImage(pdev, x, std::max<LONG>(y, 0), keep * 8, mark.height, rows.data(), keep, keep, MarkRows::Raw);
}

// The tile over the page: whole tiles, then the bottom strip, the right strip and the corner.
BOOL WriteTiledMarks(PrinterPdev* pdev, const KweMarkImage& mark, LayerGeometry g) {
    const LONG tw = mark.width, th = mark.height, rowBytes = (tw + 7) / 8;
    const LONG columns = g.width / tw + 1, rows = g.length / th + 1;
    if (static_cast<int64_t>(columns) * rows > kMaxTilesPerPage) {
        DriverLog("trust marking: a tile of %ld x %ld would take %lld images a page; the layer is left out",
                  static_cast<long>(tw), static_cast<long>(th), static_cast<long long>(columns) * rows);
        return TRUE;
    }
    const LONG bottomRows = g.length % th, rightBytes = (g.width % tw + 7) / 8;
    const BYTE* bits = mark.bits.data();
    BOOL ok = TRUE;
    for (LONG r = 0; r + 1 < rows; ++r)
        for (LONG c = 0; c + 1 < columns; ++c)
            ok = WriteMarkImage(pdev, tw * c, th * r, tw, th, bits, rowBytes, rowBytes) && ok;
    if (bottomRows != 0)
        for (LONG c = 0; c + 1 < columns; ++c)
            ok = WriteMarkImage(pdev, tw * c, th * (rows - 1), tw, bottomRows, bits, rowBytes, rowBytes) && ok;
    if (g.width % tw != 0) {
        for (LONG r = 0; r + 1 < rows; ++r)
            ok = WriteMarkImage(pdev, tw * (columns - 1), th * r, rightBytes * 8, th, bits, rightBytes, rowBytes) && ok;
        if (bottomRows != 0)
            ok = WriteMarkImage(pdev, tw * (columns - 1), th * (rows - 1), rightBytes * 8, bottomRows, bits, rightBytes,
                                rowBytes) &&
                 ok;
    }
    return ok;
}

// The footer of the current output, asked of the library in a handle sequence of its own.
BOOL WriteFooterText(PrinterPdev* pdev, LayerGeometry g) {
    KweSession session;
    KweSessionRequest request;
    request.documentName = kKweDocumentForFooter;
    if (!OpenKweSession(pdev, &session, request)) return TRUE;
    HGLOBAL text = nullptr;
    if (KweGetFooterString(session.handle, &text, pdev->kwe.outputIndex) == 0) {
        if (text != nullptr) GlobalFree(text);
        return TRUE;
    }
    KweBlock block;
    if (!block.Take(text)) return TRUE;
    // The text ends at its terminator or at the end of its block, whichever comes first.
    const std::string_view ansi(reinterpret_cast<const char*>(block.bytes),
                                strnlen(reinterpret_cast<const char*>(block.bytes), block.size));
    BOOL ok = WriteCommand(pdev,
                           "\x1b"
                           "K\x1c"
                           "06F2-200\x1c"
                           "12S2-0080-0080\x1c"
                           "c,,0.\x1c$0.");
    ok = WriteCommand(pdev,
                      "\x1c"
                      "e0," +
                          std::to_string(g.length) + ",,,A.") &&
         ok;
    const std::vector<BYTE> run = FooterCharacters(ansi);
    ok = WriteSpool(pdev, run.data(), static_cast<DWORD>(run.size())) && ok;
    return WriteCommand(pdev, "\x1cR") && ok;
}

bool InRange(BYTE b, BYTE first, BYTE last) {
    return b >= first && b <= last;
}

// Shift-JIS to JIS X 0208 by the standard rule.
WORD SjisToJis(BYTE lead, BYTE trail) {
    BYTE high = static_cast<BYTE>(lead - (lead <= 0x9F ? 0x70 : 0xB0));
    high = static_cast<BYTE>(high * 2);
    BYTE low = trail;
    if (low >= 0x9F) {
        low = static_cast<BYTE>(low - 0x7E);
    } else {
        high = static_cast<BYTE>(high - 1);
        low = static_cast<BYTE>(low - (low >= 0x80 ? 0x20 : 0x1F));
    }
    return static_cast<WORD>(high << 8 | low);
}

}  // namespace

std::vector<BYTE> FooterCharacters(std::string_view ansi) {
    std::vector<BYTE> run;
    // Each fault is shown once a footer: a library's text of a hundred bad characters would
    // otherwise hold the job behind a hundred boxes.
    bool leadShown = false, trailShown = false;
    for (size_t i = 0; i < ansi.size(); ++i) {
        const BYTE c = static_cast<BYTE>(ansi[i]);
        if (!IsDBCSLeadByte(c)) {
            run.push_back(0x00);
            run.push_back(c);
            continue;
        }
        // A lead byte at the very end has no trail byte: it is dropped, never paired with what
        // follows the text.
        if (i + 1 >= ansi.size()) {
            DriverLog("trust-marking footer: a lead byte without its trail byte at the end");
            break;
        }
        const BYTE trail = static_cast<BYTE>(ansi[++i]);
        if (!InRange(c, 0x81, 0x9F) && !InRange(c, 0xE0, 0xEF) && !std::exchange(leadShown, true))
            ShowDriverMessage(u"char code error 1");
        if (!InRange(trail, 0x40, 0x7E) && !InRange(trail, 0x80, 0xFC) && !std::exchange(trailShown, true))
            ShowDriverMessage(u"char code error 3");
        const WORD jis = SjisToJis(c, trail);
        run.push_back(static_cast<BYTE>(jis >> 8));
        run.push_back(static_cast<BYTE>(jis));
    }
    return run;
}

BOOL WriteKweFooter(PrinterPdev* pdev, const KweMarkImage& mark) {
    return WriteKweFooterOn(pdev, mark, KweContextPaper(pdev));
}

BOOL WriteKweFooterOn(PrinterPdev* pdev, const KweMarkImage& mark, KwePaperSize paper) {
    const LayerGeometry g = LayerSize(pdev, paper);
    BOOL ok = WriteCommand(pdev, "\x1cu1,2.\x1c<1/600,i.");
    const bool usable =
        mark.width > 0 && mark.height > 0 &&
        mark.bits.size() >= static_cast<size_t>((mark.width + 7) / 8) * static_cast<size_t>(mark.height);
    if (usable && pdev->trustMark.available != 0) {
        ok = WriteExtendedMark(pdev, mark, g) && ok;
        return WriteCommand(pdev, "\x1cU\x1cu2,2,S.") && ok;
    }
    if (usable) ok = WriteTiledMarks(pdev, mark, g) && ok;
    if (pdev->kwe.outputIndex != 0) ok = WriteFooterText(pdev, g) && ok;
    return WriteCommand(pdev, "\x1cU\x1cu2,2,S.") && ok;
}

BOOL FetchKweMark(DWORD handle, LONG output, KweMarkImage* mark) {
    HGLOBAL image = nullptr;
    const LONG pageWidth = mark->width, pageHeight = mark->height;
    LONG width = pageWidth, height = pageHeight;
    if (KweGetKM(handle, &image, &width, &height, output) == -1) {
        if (image != nullptr) GlobalFree(image);
        return FALSE;
    }
    KweBlock block;
    if (!block.Take(image) || width <= 0 || height <= 0) return FALSE;
    // The mark is asked for the page it marks: a larger one is no mark of this page, and its
    // size is the library's word alone.
    if (width > pageWidth || height > pageHeight) {
        DriverLog("trust marking: a mark of %ld x %ld is larger than the page of %ld x %ld it is for; refused",
                  static_cast<long>(width), static_cast<long>(height), static_cast<long>(pageWidth),
                  static_cast<long>(pageHeight));
        return FALSE;
    }
    // Rows are padded to whole bytes; the block must hold all of them.
    const uint64_t need = static_cast<uint64_t>((width + 7) / 8) * static_cast<uint64_t>(height);
    if (need > block.size) {
        DriverLog("trust marking: a mark of %ld x %ld needs %llu bytes, the library gave %lu", static_cast<long>(width),
                  static_cast<long>(height), static_cast<unsigned long long>(need),
                  static_cast<unsigned long>(block.size));
        return FALSE;
    }
    try {
        mark->bits.assign(block.bytes, block.bytes + need);
    } catch (const std::bad_alloc&) {
        ShowDriverMessage(u"メモリが取れない");
        return FALSE;
    }
    mark->width = width;
    mark->height = height;
    return TRUE;
}
