// The output writer, the job spool and header files and the store file.
#include "render/output_writer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/ansi_text.h"
#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "core/support.h"
#include "render/driver_log.h"
#include "win/spool.h"

namespace {

constexpr DWORD kFileFlagRandomAccess = 0x10000000;
constexpr DWORD kWorkFileAttributes = kFileFlagRandomAccess | FILE_ATTRIBUTE_NORMAL;
constexpr DWORD kErrorBufferOverflow = 111;
// Shown when an output of the job spool files cannot be written to the spooler.
constexpr char16_t kJobFileWriteFailed[] =
    u"印刷作業ファイルに書き込めませんでした。\nドライブに十分な空きがあるか確認してください。";
constexpr size_t kNumberListLimit = 255;

bool Failed(const PrinterPdev* pdev) {
    return (pdev->state & kStateOutputFailed) != 0;
}

void Latch(PrinterPdev* pdev, const char* what, DWORD asked, DWORD written) {
    if (!Failed(pdev))
        DriverLog("output failed (%s): %lu of %lu bytes, error %lu", what, static_cast<unsigned long>(written),
                  static_cast<unsigned long>(asked), static_cast<unsigned long>(GetLastError()));
    pdev->state |= kStateOutputFailed;
}

void MarkWritten(PrinterPdev* pdev) {
    pdev->pending |= kPageOutputWritten;
    if constexpr (orla::kJapaneseBuild) pdev->pending |= kJobOutputWritten;
}

// One WritePrinter call; a failure or a short write latches the PDEV.
BOOL WritePrinterPiece(PrinterPdev* pdev, const BYTE* bytes, DWORD length, const char* what) {
    DWORD written = 0;
    BOOL ok = WritePrinter(pdev->printer, const_cast<BYTE*>(bytes), length, &written);
    if (!ok || written != length) {
        Latch(pdev, what, length, ok ? written : 0);
        return FALSE;
    }
    return TRUE;
}

// A large block straight to the spooler in pieces of at most the buffer's size.
BOOL WritePrinterAll(PrinterPdev* pdev, const BYTE* bytes, DWORD length, const char* what) {
    while (length > 0) {
        DWORD piece = std::min(length, kOutputBufferCapacity);
        if (!WritePrinterPiece(pdev, bytes, piece, what)) return FALSE;
        bytes += piece;
        length -= piece;
    }
    return TRUE;
}

bool SeveralOutputs(const PrinterPdev* pdev) {
    return orla::kJapaneseBuild && pdev->jobSpool.outputCount >= 2;
}

void SetNoFile(WCHAR* name) {
    name[0] = u'0', name[1] = 0;
}
bool HasFile(const WCHAR* name) {
    return !(name[0] == u'0' && name[1] == 0) && name[0] != 0;
}

void CloseIfOpen(HANDLE* handle) {
    if (*handle != nullptr && *handle != INVALID_HANDLE_VALUE) CloseHandle(*handle);
    *handle = nullptr;
}

}  // namespace

BOOL MakeTempName(LPCWSTR prefix, WCHAR (&name)[kWorkFileNameChars]) {
    WCHAR folder[kWorkFileNameChars];
    DWORD n = GetTempPathW(kWorkFileNameChars, folder);
    if (n == 0 || n >= kWorkFileNameChars - 14) return FALSE;
    return GetTempFileNameW(folder, prefix, 0, name) != 0;
}

BOOL OutputSuppressed(const PrinterPdev* pdev) {
    return orla::kJapaneseBuild && pdev->trustMark.suppressOutput == 1;
}

BOOL WriteSpool(PrinterPdev* pdev, const void* bytes, DWORD length) {
    if (Failed(pdev)) return FALSE;
    if (OutputSuppressed(pdev)) return TRUE;
    if (length == 0) return TRUE;
    if (bytes == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const BYTE* data = static_cast<const BYTE*>(bytes);

    if (SeveralOutputs(pdev)) {
        // A hole in the spool file would corrupt every output sent from it: latch as for the spooler.
        if (!WriteFileAll(pdev->jobSpool.spoolFile, data, static_cast<LONG>(length))) {
            Latch(pdev, "job spool file", length, 0);
            return FALSE;
        }
        pdev->jobSpool.spoolByteCount += length;
        return TRUE;
    }

    if (pdev->store.storeFlag == 1 && pdev->store.writeError == 0) {
        if (!WriteFileAll(pdev->store.handle, data, static_cast<LONG>(length))) {
            DriverLog("store file write failed: the further copies cannot be sent");
            pdev->store.writeError = 1;
        }
    }

    OutputSpoolBuffer& out = pdev->output;
    if (static_cast<size_t>(out.count) + length > out.capacity) {
        if (!FlushSpool(pdev)) return FALSE;
        while (length >= kDirectWriteThreshold) {
            DWORD piece = std::min(length, kOutputBufferCapacity);
            if (!WritePrinterPiece(pdev, data, piece, "WritePrinter")) return FALSE;
            MarkWritten(pdev);
            data += piece;
            length -= piece;
        }
    }
    if (length == 0) return TRUE;
    std::memcpy(out.writePointer, data, length);
    out.writePointer += length;
    out.count += length;
    pdev->pending |= kBufferHoldsData;
    MarkWritten(pdev);
    return TRUE;
}

BOOL FlushSpool(PrinterPdev* pdev) {
    if (OutputSuppressed(pdev) || SeveralOutputs(pdev)) return TRUE;
    OutputSpoolBuffer& out = pdev->output;
    BOOL result = TRUE;
    if (Failed(pdev)) {
        // Latched: what is buffered can never go out; report it rather than claim a flush.
        result = FALSE;
    } else if (out.count != 0) {
        result = WritePrinterPiece(pdev, out.data, out.count, "WritePrinter flush");
        MarkWritten(pdev);
    }
    out.count = 0;
    out.writePointer = out.data;
    pdev->pending &= ~kBufferHoldsData;
    return result;
}

BOOL WriteFileAll(HANDLE file, const void* bytes, LONG length) {
    if (length <= 0) return TRUE;
    if (bytes == nullptr) return FALSE;
    const BYTE* data = static_cast<const BYTE*>(bytes);
    DWORD remaining = static_cast<DWORD>(length);
    // A short write is taken up again from where it stopped; no progress at all is a failure.
    while (remaining > 0) {
        DWORD written = 0;
        if (!WriteFile(file, data, remaining, &written, nullptr) || written == 0 || written > remaining) return FALSE;
        data += written;
        remaining -= written;
    }
    return TRUE;
}

BOOL CreateWorkFile(LPCWSTR path, HANDLE* handle, DWORD /*size*/) {
    HANDLE h = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           CREATE_ALWAYS, kWorkFileAttributes, nullptr);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
        DriverLog("CreateFileW failed for work file %s, error %lu", orla::AnsiText(orla::WideView(path)).c_str(),
                  static_cast<unsigned long>(GetLastError()));
        ShowDriverMessage(u"エラー発生(CreateFileW)");
        *handle = nullptr;
        return FALSE;
    }
    *handle = h;
    return TRUE;
}

BOOL WriteNumberList(PrinterPdev* pdev, std::span<const LONG> numbers) {
    std::string text;
    size_t digits = 0;
    for (LONG value : numbers) {
        std::string number = std::to_string(value);
        if (digits + number.size() >= kNumberListLimit) {
            SetLastError(kErrorBufferOverflow);
            return FALSE;
        }
        digits += number.size();
        if (!text.empty()) text.push_back(',');
        text += number;
    }
    if (text.empty()) return TRUE;
    return WriteCommand(pdev, text);
}

BOOL WriteAngle(PrinterPdev* pdev, int kind, int angle) {
    int add = kind == 0 ? 90 : kind == 1 ? 270 : 0;
    SHORT value = static_cast<SHORT>(angle + add);
    if (value >= 360) value = static_cast<SHORT>(value - 360);
    WORD bits = static_cast<WORD>(value);
    return WriteBytes(pdev, {static_cast<BYTE>(bits >> 8), static_cast<BYTE>(bits & 0xFF)});
}

POINTL RotatePagePoint(const PrinterPdev* pdev, int kind, POINTL point) {
    DWORD cell = std::min<DWORD>(pdev->pageSetup.cellCounter, kLayoutCellCount - 1);
    const RECTL& r = pdev->geometry.pageRects[cell];
    LONG k = pdev->geometry.coordinateMultiplier == 2 ? 2 : 1;
    LONG a = r.left, b = r.top, d = r.bottom;
    if (kind == 0) return POINTL{(a - b) * k + point.y, (a + d) * k - point.x};
    return POINTL{(d - b) * k - point.y, point.x};
}

void SwapValues(LONG* first, LONG* second) {
    LONG t = *first;
    *first = *second;
    *second = t;
}

// ---- Job spool and job header files ----

DWORD MakePaperRecord(SHORT paperCode, SHORT orientation) {
    DWORD record = static_cast<DWORD>(static_cast<LONG>(paperCode)) & ~kPaperRecordPortrait;
    if (orientation == DMORIENT_PORTRAIT) record |= kPaperRecordPortrait;
    return record;
}

BOOL OpenJobSpoolFiles(PrinterPdev* pdev, DWORD firstPaperRecord) {
    JobSpoolFiles& js = pdev->jobSpool;
    if (!SeveralOutputs(pdev) || HasFile(js.spoolName) || OutputSuppressed(pdev)) return TRUE;
    if (!MakeTempName(u"KMJ", js.spoolName) || !MakeTempName(u"KMH", js.headerName)) {
        DriverLog("no temporary file name for the job spool files");
        DeleteJobSpoolFiles(pdev);
        return FALSE;
    }
    js.spoolFile = nullptr;
    js.headerFile = nullptr;
    if (!CreateWorkFile(js.spoolName, &js.spoolFile, 0)) {
        ShowDriverMessage(u"CreateFileW:hJobspool");
        DeleteJobSpoolFiles(pdev);
        return FALSE;
    }
    if (!CreateWorkFile(js.headerName, &js.headerFile, 0)) {
        ShowDriverMessage(u"CreateFileW:hJobheader");
        DeleteJobSpoolFiles(pdev);
        return FALSE;
    }
    js.spoolByteCount = 0;
    js.headerCounter = 0;
    js.sectionCount = 1;
    if (!WriteJobPaperRecord(pdev, firstPaperRecord, FALSE)) {
        DeleteJobSpoolFiles(pdev);
        return FALSE;
    }
    return TRUE;
}

BOOL WriteJobPaperRecord(PrinterPdev* pdev, DWORD paperRecord, BOOL newSection) {
    JobSpoolFiles& js = pdev->jobSpool;
    if (js.headerFile == nullptr) return FALSE;
    BYTE word[4];
    orla::StoreLe32(word, paperRecord);
    if (!WriteFileAll(js.headerFile, word, 4)) {
        DriverLog("job header file write failed");
        return FALSE;
    }
    js.headerCounter += 5;
    if (newSection) js.sectionCount += 1;
    return TRUE;
}

BOOL WriteJobSectionOffset(PrinterPdev* pdev) {
    JobSpoolFiles& js = pdev->jobSpool;
    if (!SeveralOutputs(pdev) || js.headerFile == nullptr || js.headerCounter % 4 != 1) return TRUE;
    BYTE word[4];
    orla::StoreLe32(word, js.spoolByteCount);
    if (!WriteFileAll(js.headerFile, word, 4)) {
        DriverLog("job header file write failed");
        return FALSE;
    }
    js.headerCounter -= 1;
    return TRUE;
}

BOOL SendJobSpoolFiles(PrinterPdev* pdev, SectionMarkWriter writeMark, void* context) {
    JobSpoolFiles& js = pdev->jobSpool;
    CloseIfOpen(&js.spoolFile);
    CloseIfOpen(&js.headerFile);
    LONG outputs = js.outputCount;
    BOOL result = TRUE;
    js.outputCount = 1;  // the writer goes to the spooler while the outputs are sent
    for (LONG output = 1; output <= outputs && result; ++output) {
        const BYTE* spool = nullptr;
        const BYTE* header = nullptr;
        const BYTE* cursor = nullptr;
        DWORD spoolSize = 0, headerSize = 0;
        if (!orla::MapFileReadOnly(js.spoolName, &spool, &cursor, &spoolSize)) {
            ShowDriverMessage(u"File Error JS");
            result = FALSE;
            break;
        }
        if (!orla::MapFileReadOnly(js.headerName, &header, &cursor, &headerSize)) {
            ShowDriverMessage(u"File Error HF");
            UnmapViewOfFile(spool);
            result = FALSE;
            break;
        }
        DWORD from = 0;
        for (DWORD section = 0; section < js.sectionCount && result; ++section) {
            // A pair that is missing or points outside the spool file is a damaged header file.
            if (headerSize / 8 <= section) {
                DriverLog("job header file has no section %lu", static_cast<unsigned long>(section));
                result = FALSE;
                break;
            }
            DWORD record = orla::LoadLe32(header + 8 * section);
            DWORD offset = orla::LoadLe32(header + 8 * section + 4);
            if (offset < from || offset > spoolSize) {
                DriverLog("job header file section %lu points outside the spool file",
                          static_cast<unsigned long>(section));
                result = FALSE;
                break;
            }
            result = WritePrinterAll(pdev, spool + from, offset - from, "job spool file");
            from = offset;
            if (result && writeMark != nullptr) result = writeMark(pdev, output, record, context) && FlushSpool(pdev);
        }
        if (result) result = WritePrinterAll(pdev, spool + from, spoolSize - from, "job spool file");
        if (!result) ShowDriverMessage(kJobFileWriteFailed);
        UnmapViewOfFile(header);
        UnmapViewOfFile(spool);
    }
    js.outputCount = outputs;
    DeleteJobSpoolFiles(pdev);
    return result;
}

void DeleteJobSpoolFiles(PrinterPdev* pdev) {
    JobSpoolFiles& js = pdev->jobSpool;
    CloseIfOpen(&js.spoolFile);
    CloseIfOpen(&js.headerFile);
    if (HasFile(js.spoolName)) DeleteFileW(js.spoolName);
    if (HasFile(js.headerName)) DeleteFileW(js.headerName);
    SetNoFile(js.spoolName);
    SetNoFile(js.headerName);
    js.spoolByteCount = 0;
    js.headerCounter = 0;
    js.sectionCount = 1;
}

// ---- Store file ----

BOOL JobUsesStoreFile(const PrinterPdev* pdev) {
    const orla::DriverDevmode& rec = pdev->settings.record;
    SHORT copies = orla::Get(rec, orla::dm::Copies);
    DWORD flags1 = orla::Get(rec, orla::dm::Flags1);
    return copies >= 2 && (flags1 & orla::kFlags1Collate) != 0 && !orla::DeviceInstalled(rec, orla::dm::kHdd);
}

BOOL OpenStoreFile(PrinterPdev* pdev) {
    StoreFile& sf = pdev->store;
    if (sf.handle != nullptr) return TRUE;  // the job goes on after DrvResetPDEV: keep its file
    sf.storeFlag = JobUsesStoreFile(pdev) ? 1 : 0;
    sf.writeError = 0;
    sf.copies = std::clamp<LONG>(orla::Get(pdev->settings.record, orla::dm::Copies), 1, 999);
    if (sf.storeFlag == 0) return TRUE;
    if (!MakeTempName(u"SFN", sf.name)) {
        DriverLog("no temporary file name for the store file");
        ShowDriverMessage(u"CreateFileW:hStoreFile");
        sf.name[0] = 0;
        return FALSE;
    }
    if (!CreateWorkFile(sf.name, &sf.handle, 0)) {
        ShowDriverMessage(u"CreateFileW:hStoreFile");
        DeleteFileW(sf.name);  // GetTempFileNameW made it
        sf.name[0] = 0;
        return FALSE;
    }
    return TRUE;
}

BOOL ReplayStoreFile(PrinterPdev* pdev) {
    StoreFile& sf = pdev->store;
    if (sf.storeFlag != 1 || sf.handle == nullptr) {
        DeleteStoreFile(pdev);
        return TRUE;
    }
    CloseIfOpen(&sf.handle);
    BOOL result = TRUE;
    LONG further = std::clamp<LONG>(sf.copies, 1, 999) - 1;
    if (further > 0 && sf.writeError != 0) {
        DriverLog("store file incomplete: %ld further copies not sent", static_cast<long>(further));
        result = FALSE;
    }
    for (LONG i = 0; i < further && result; ++i) {
        const BYTE* view = nullptr;
        const BYTE* cursor = nullptr;
        DWORD size = 0;
        if (Failed(pdev) || !orla::MapFileReadOnly(sf.name, &view, &cursor, &size)) {
            DriverLog("store file replay %ld failed", static_cast<long>(i + 1));
            result = FALSE;
            break;
        }
        result = WritePrinterAll(pdev, view, size, "store file replay");
        UnmapViewOfFile(view);
    }
    DeleteStoreFile(pdev);
    return result;
}

void DeleteStoreFile(PrinterPdev* pdev) {
    StoreFile& sf = pdev->store;
    CloseIfOpen(&sf.handle);
    if (sf.name[0] != 0) DeleteFileW(sf.name);
    sf.name[0] = 0;
    sf.writeError = 0;
    sf.storeFlag = 0;
    sf.copies = 0;
}
