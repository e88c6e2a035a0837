// The trust-mark sample sheet (BuildKweJobData): at the job end, when an application's query
// block asked for it, one sheet with the library's caption, the printing density and the nine
// sample marks of the settings in that block, framed, and dated. The sheet's frame, labels and
// date are drawn with the printer's vector and character commands; the samples are images.
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/driver_devmode.h"
#include "render/driver_log.h"
#include "render/escape_state.h"
#include "render/kwe_marks.h"
#include "render/kwe_session.h"
#include "render/output_writer.h"
#include "render/pdev.h"
#include "render/pjl_header.h"
#include "win/kernel.h"
#include "win/nls.h"

namespace {

constexpr LONG kSampleCount = 9;
constexpr LONG kMaxSampleRows = 760;
constexpr LONG kSampleX[kSampleCount] = {400, 400, 400, 400, 400, 2475, 2475, 2475, 2475};
constexpr LONG kSampleY[kSampleCount] = {1300, 2300, 3300, 4300, 5300, 1300, 2300, 3300, 4300};
constexpr size_t kMaxCaptionCharacters = 255;  // the count is one byte
constexpr std::u16string_view kDensityText[] = {u"印刷の濃度: うすく", u"印刷の濃度: ふつう", u"印刷の濃度: こく　"};

// The placeholder job the sample sheet is made for.
constexpr char kSampleHost[] = "192.0.2.1";
constexpr char kSampleUser[] = "QEV";
constexpr char kSampleComputer[] = "NIGNIQEVPREPC00";

// Into graphics mode with 1/600 units, two-byte character codes and a character height, then a
// move to (x, y): what every line of the sheet starts with.
std::string TextLineStart(LONG x, LONG y, WORD height) {
    std::string s =
        "\x1cY"
        "SU1,600,0;IP0,0,608,608;";
    s += std::string("\xCB\x00\x00\x01", 4);                                    // two-byte codes
    s += std::string("\xC3\x00", 2) + char(height >> 8) + char(height & 0xFF);  // character height
    s += std::string("\xB8\x00", 2) + char((x >> 8) & 0xFF) + char(x & 0xFF);   // move: x (16 bits), y (32)
    s += char((y >> 24) & 0xFF) + std::string(1, char((y >> 16) & 0xFF)) + char((y >> 8) & 0xFF) + char(y & 0xFF);
    return s + "\xCD";  // characters: a count byte, then two bytes each
}

// The caption form: one byte of character count, then two bytes a character (a byte above 0x80
// starts a double-byte character sent as it is; any other byte goes as 0x00 and the byte).
std::string CaptionCodes(std::string_view ansi) {
    std::string codes;
    size_t count = 0;
    for (size_t i = 0; i < ansi.size() && count < kMaxCaptionCharacters; ++count) {
        const unsigned char c = static_cast<unsigned char>(ansi[i]);
        if (c > 0x80 && i + 1 < ansi.size()) {
            codes += ansi.substr(i, 2);
            i += 2;
        } else {
            codes += '\0';
            codes += static_cast<char>(c);
            i += 1;
        }
    }
    return std::string(1, static_cast<char>(count)) + codes;
}

BOOL WriteTextLine(PrinterPdev* pdev, LONG x, LONG y, WORD height, std::string_view ansi) {
    return WriteCommand(pdev, TextLineStart(x, y, height) + CaptionCodes(ansi) + "\x1cZ");
}

BOOL WriteSample(PrinterPdev* pdev, DWORD handle, LONG index, bool* ended) {
    HGLOBAL image = nullptr;
    LONG w = 0, h = 0;
    if (KweGetSampleKM(handle, &image, &w, &h, index) == 0) {
        if (image != nullptr) GlobalFree(image);
        *ended = true;
        return TRUE;
    }
    KweBlock block;
    const LONG rows = std::min(h, kMaxSampleRows), rowBytes = (w + 7) / 8;
    const uint64_t n =
        static_cast<uint64_t>(std::max<LONG>(rowBytes, 0)) * static_cast<uint64_t>(std::max<LONG>(rows, 0));
    // The rows are padded to whole bytes; a block that holds fewer bytes ends the sheet.
    if (!block.Take(image) || w <= 0 || rows <= 0 || n > block.size) {
        *ended = true;
        return TRUE;
    }
    const LONG i = index - 1;
    std::string head =
        "\x1c<1/600,i.\x1c"
        "e" +
        std::to_string(kSampleX[i]) + "," + std::to_string(kSampleY[i]) +
        ".\x1c"
        "i" +
        std::to_string(rowBytes * 8) + "," + std::to_string(rows) + ",0,1/1,1/1," + std::to_string(n) + ",600.";
    BOOL ok = WriteCommand(pdev, head);
    return WriteSpool(pdev, block.bytes, static_cast<DWORD>(n)) && ok;
}

// The sheet's own drawing: its frame and the boxes of the samples, then the date line.
BOOL WriteSheetFrameAndDate(PrinterPdev* pdev) {
    std::string frame =
        "\x1cY"
        "SU1,600,0;IP0,0,608,608;NP;MA300,1100;PR4300,0,0,5300,-4300,0;CP;ST;";
    for (LONG i = 0; i < kSampleCount; ++i)
        frame += "NP;MA" + std::to_string(kSampleX[i] - 20) + "," + std::to_string(kSampleY[i] - 20) +
                 ";PR1800,0,0,800,-1800,0;CP;ST;";
    BOOL ok = WriteCommand(pdev, frame + "\x1cZ");
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char date[48];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d %02d:%02d:%02d", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return WriteTextLine(pdev, 3200, 6500, 100, date) && ok;
}

void DropAppQueryBlock(PrinterPdev* pdev) {
    if (pdev->escapes.appQueryBlock != nullptr) PdevFree(pdev->allocationList, pdev->escapes.appQueryBlock);
    pdev->escapes.appQueryBlock = nullptr;
    pdev->escapes.appQueryBlockBytes = 0;
    pdev->escapes.appQueryStored = 0;
}

}  // namespace

BOOL BuildKweJobData(PrinterPdev* pdev) {
    const EscapeState& e = pdev->escapes;
    if (e.appQueryStored == 0 || e.appQueryBlockBytes < kAppQuerySubCodeOffset) return FALSE;
    const BYTE* sample = e.appQueryBlock + kAppQuerySubCodeOffset;
    const DWORD sampleBytes = e.appQueryBlockBytes - kAppQuerySubCodeOffset;
    BOOL written = FALSE;
    {
        KweSession session;
        KweSessionRequest request;
        request.sample = sample;
        request.sampleBytes = sampleBytes;
        request.placeholderJob = {kSampleHost, kSampleUser, kSampleComputer};
        if (!OpenKweSession(pdev, &session, request)) {
            DropAppQueryBlock(pdev);
            return FALSE;
        }
        LONG density = 0, value = 0;
        char caption[kKweCaptionBytes] = {};
        if (KwePrepareGetSampleKM(session.handle, &density, &value, caption) == 0) {
            DropAppQueryBlock(pdev);
            return FALSE;
        }
        caption[sizeof caption - 1] = 0;
        BOOL ok = WriteTextLine(pdev, 400, 600, 160, caption);
        const std::u16string_view densityText = kDensityText[std::clamp<LONG>(density, 1, 3) - 1];
        ok = WriteTextLine(pdev, 400, 900, 120, WideToAnsi(densityText)) && ok;
        bool ended = false;
        for (LONG i = 1; i <= kSampleCount && !ended; ++i) {
            if (SetSessionSettings(pdev, session.handle, sample, sampleBytes) != 1) continue;
            ok = WriteSample(pdev, session.handle, i, &ended) && ok;
        }
        written = ok && !ended;
    }
    DropAppQueryBlock(pdev);
    BOOL ok = WriteSheetFrameAndDate(pdev) && WriteCommand(pdev, "\r\x0c");
    if (!written) DriverLog("trust-mark sample sheet: the library ended the samples early");
    return written && ok;
}
