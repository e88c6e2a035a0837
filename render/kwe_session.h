// One handle sequence of the trust-marking library, the order every caller follows: names,
// handle, settings size, identifier list, the library's settings, job information and owner; the
// caller's own requests; release. The session holds the binding's lock for its whole life.
#pragma once

#include <mutex>

#include "render/kwe_binding.h"
#include "win/base.h"

struct PrinterPdev;

// The document name the job information carries.
inline constexpr char kKweDocumentForPages[] = "MS Word Test";
inline constexpr char kKweDocumentForFooter[] = "Not use";
// Shown when the library will not release a handle.
inline constexpr char16_t kKweReleaseFailed[] = u"KWEハンドル開放が失敗";

struct KweSession {
    std::unique_lock<std::recursive_mutex> lock{KweLock()};
    DWORD handle = 0;
    HGLOBAL idList = nullptr;
    bool settingsAccepted = false;  // QZKWE_SetKWESettings answered 1

    KweSession() = default;
    ~KweSession();
    KweSession(const KweSession&) = delete;
    KweSession& operator=(const KweSession&) = delete;
};

// The fixed job information of the sample sheet (instead of this machine's user and computer).
struct KwePlaceholderJob {
    const char* host = nullptr;
    const char* user = nullptr;
    const char* computer = nullptr;
};

struct KweSessionRequest {
    const char* documentName = kKweDocumentForPages;
    const BYTE* sample = nullptr;  // sample settings of the sample sheet, or null
    DWORD sampleBytes = 0;
    KwePlaceholderJob placeholderJob;  // used when its host is set
};

// Steps 1 to 6 of the sequence. FALSE when no handle could be made; otherwise TRUE, with
// settingsAccepted telling whether the library took its settings.
BOOL OpenKweSession(PrinterPdev* pdev, KweSession* session, const KweSessionRequest& request);

// The job information and the job owner (step 6), handed to the library again on `handle`.
void PassKweJobRecords(PrinterPdev* pdev, DWORD handle, const KweSessionRequest& request);

// QZKWE_SetKWESettings again with the record's settings blob and the sample settings.
LONG SetSessionSettings(PrinterPdev* pdev, DWORD handle, const BYTE* sample, DWORD sampleBytes);

// The library is installed and a handle can be made for this printer (released at once).
BOOL KweLibraryUsable(PrinterPdev* pdev);

// A global-memory block locked for reading, its size known: freed (unlocked first) at the end.
struct KweBlock {
    HGLOBAL handle = nullptr;
    const BYTE* bytes = nullptr;
    SIZE_T size = 0;
    KweBlock() = default;
    ~KweBlock();
    KweBlock(const KweBlock&) = delete;
    KweBlock& operator=(const KweBlock&) = delete;
    // Locks `handle` (taking it over); FALSE when there is nothing to read.
    BOOL Take(HGLOBAL block);
};
