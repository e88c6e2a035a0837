// The output writer: every byte of the job stream goes through WriteSpool, which keeps a
// 4096-byte buffer in the PrinterPdev and writes to the spooler with WritePrinter. After one
// failed or short write the PDEV is latched (kStateOutputFailed) and every later write fails,
// so a job is never reported as printed when part of it was lost.
#pragma once

#include <initializer_list>
#include <span>
#include <string_view>

#include "render/pdev.h"

// TRUE when the bytes were taken (buffered, written, or dropped while output is suppressed).
BOOL WriteSpool(PrinterPdev* pdev, const void* bytes, DWORD length);
// Writes the buffered bytes; TRUE on success.
BOOL FlushSpool(PrinterPdev* pdev);

// Text and byte commands (no terminator added).
inline BOOL WriteCommand(PrinterPdev* pdev, std::string_view text) {
    return WriteSpool(pdev, text.data(), static_cast<DWORD>(text.size()));
}
inline BOOL WriteBytes(PrinterPdev* pdev, std::initializer_list<BYTE> bytes) {
    return WriteSpool(pdev, bytes.begin(), static_cast<DWORD>(bytes.size()));
}

// A fresh temporary file name with the given prefix in the temporary folder (the file exists
// afterwards).
BOOL MakeTempName(LPCWSTR prefix, WCHAR (&name)[kWorkFileNameChars]);
// WriteFile of the whole length: TRUE when length <= 0 or every byte was written.
BOOL WriteFileAll(HANDLE file, const void* bytes, LONG length);
// Creates or truncates a work file (read/write, shared, CREATE_ALWAYS, normal + random access).
// A failure is logged (no message box: this DLL may run inside the spooler) and gives FALSE.
BOOL CreateWorkFile(LPCWSTR path, HANDLE* handle, DWORD size);

// Signed decimals separated by ","; FALSE with last error 111 when the text would reach 255
// characters (nothing is written then). A count of 0 writes nothing and gives TRUE.
BOOL WriteNumberList(PrinterPdev* pdev, std::span<const LONG> numbers);
inline BOOL WriteNumberList(PrinterPdev* pdev, std::initializer_list<LONG> numbers) {
    return WriteNumberList(pdev, std::span<const LONG>(numbers.begin(), numbers.size()));
}
// Angle + 90 (kind 0) or + 270 (kind 1), less 360 once when 360 or more, as two bytes, high first.
BOOL WriteAngle(PrinterPdev* pdev, int kind, int angle);
// A point turned into the quarter-turned frame of the current page rectangle.
POINTL RotatePagePoint(const PrinterPdev* pdev, int kind, POINTL point);
void SwapValues(LONG* first, LONG* second);

// ---- Job spool and job header files (several trust-marking outputs, Japanese build) ----
// Paper record word of the job header file: the paper code, bit 31 set for portrait.
inline constexpr DWORD kPaperRecordPortrait = 0x80000000u;
DWORD MakePaperRecord(SHORT paperCode, SHORT orientation);
// DrvStartDoc: creates both files when the job has several outputs; FALSE on failure.
BOOL OpenJobSpoolFiles(PrinterPdev* pdev, DWORD firstPaperRecord);
// A paper record (new section) into the job header file; the section count grows by one
// when `newSection` is set (DrvResetPDEV), not for the first record.
BOOL WriteJobPaperRecord(PrinterPdev* pdev, DWORD paperRecord, BOOL newSection);
// At a page start: the section offset owed after a paper record.
BOOL WriteJobSectionOffset(PrinterPdev* pdev);
// Sends the spool file once per output: per section the pages, then `writeMark` (may be null)
// with the output number and the section's paper record, then the rest of the file.
typedef BOOL (*SectionMarkWriter)(PrinterPdev* pdev, LONG output, DWORD paperRecord, void* context);
BOOL SendJobSpoolFiles(PrinterPdev* pdev, SectionMarkWriter writeMark, void* context);
// Closes and deletes both files and resets their fields (names back to "0").
void DeleteJobSpoolFiles(PrinterPdev* pdev);

// ---- Store file (driver-made copies, both builds) ----
// TRUE when this job keeps its stream for driver-made copies (copies >= 2, the driver collates,
// and the printer does not make the copies itself).
BOOL JobUsesStoreFile(const PrinterPdev* pdev);
// DrvStartDoc: sets the store flag and opens the file when needed; FALSE when it cannot be made.
BOOL OpenStoreFile(PrinterPdev* pdev);
// DrvEndDoc: sends the kept stream once more for each further copy of the job (the count taken
// at its start, which DrvResetPDEV carries), then deletes the file. FALSE when a replay was owed
// and did not reach the spooler in full.
BOOL ReplayStoreFile(PrinterPdev* pdev);
// Closes and deletes an open store file and clears its fields.
void DeleteStoreFile(PrinterPdev* pdev);

// TRUE while the job must not print (hidden-printing clash); always FALSE in the English build.
BOOL OutputSuppressed(const PrinterPdev* pdev);
