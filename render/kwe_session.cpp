// The trust-marking handle sequence and the records it hands to the library.
#include "render/kwe_session.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "core/support.h"
#include "render/driver_log.h"
#include "render/pdev.h"
#include "render/pjl_text.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace {

namespace dm = orla::dm;
constexpr size_t kNameBytes = 256;
// More identifiers than this is no answer of a working library.
constexpr LONG kMaxIds = 4096;
constexpr BYTE kNoSettingsBlob = 'T';

// The printer's name as the spooler has it (else the settings' device name), and the model's, in
// the ANSI code page within 255 bytes.
void KweNames(PrinterPdev* pdev, std::string* printer, std::string* model) {
    std::u16string name = orla::GetText(pdev->settings.record, dm::DeviceName);
    if (BYTE* info = orla::GetPrinterInfoAlloc(pdev->printer, 2)) {
        const auto* p2 = reinterpret_cast<const PRINTER_INFO_2W*>(info);
        if (p2->pPrinterName != nullptr) name = p2->pPrinterName;
        GlobalFree(info);
    }
    *printer = CutAnsi(WideToAnsi(name), kNameBytes - 1);
    *model = CutAnsi(WideToAnsi(orla::DevicePrinterName(pdev->deviceData)), kNameBytes - 1);
}

void PutText(BYTE* record, KweTextField field, std::string_view text) {
    const size_t n = std::min(text.size(), static_cast<size_t>(field.bytes - 1));
    std::memcpy(record + field.offset, text.data(), n);
}

void FillJobInfo(BYTE (&info)[kKweJobInfoSize], const KweSessionRequest& request) {
    std::memset(info, 0, sizeof info);
    const DWORD size = kKweJobInfoSize, now = static_cast<DWORD>(std::time(nullptr));
    std::memcpy(info + kwejob::kSize, &size, sizeof size);
    std::memcpy(info + kwejob::kTime, &now, sizeof now);
    PutText(info, kwejob::kDocument, request.documentName);
    const KwePlaceholderJob& fixed = request.placeholderJob;
    if (fixed.host != nullptr) {
        PutText(info, kwejob::kHost, fixed.host);
        PutText(info, kwejob::kUser, fixed.user != nullptr ? fixed.user : "");
        PutText(info, kwejob::kComputer, fixed.computer != nullptr ? fixed.computer : "");
        return;
    }
    char user[kwejob::kUser.bytes] = {};
    DWORD userSize = sizeof user;
    if (GetUserNameA(user, &userSize)) PutText(info, kwejob::kUser, std::string_view(user, strnlen(user, sizeof user)));
    char computer[kwejob::kComputer.bytes] = {};
    DWORD computerSize = sizeof computer;
    if (GetComputerNameA(computer, &computerSize))
        PutText(info, kwejob::kComputer, std::string_view(computer, strnlen(computer, sizeof computer)));
}

// The settings blob of the record (null when it starts with 'T', the "none set" mark) and its
// size, never beyond the record's block.
const BYTE* SettingsBlob(const PrinterPdev* pdev, DWORD* size) {
    const BYTE* blob = orla::RecordBytes(pdev->settings.record).data() + dm::TrustBlock.offset;
    *size = std::min<DWORD>(orla::Get(pdev->settings.record, dm::TrustBlobSize), dm::TrustBlock.cb);
    return blob[0] == kNoSettingsBlob ? nullptr : blob;
}

// The identifier list: fetched and handed back unchanged.
void ExchangeIdList(KweSession* s) {
    const LONG count = KweGetNumOfIDs(s->handle);
    if (count <= 0 || count > kMaxIds) return;
    s->idList = GlobalAlloc(GPTR, static_cast<SIZE_T>(count) * kKweIdBytes);
    if (s->idList == nullptr) return;
    BYTE* list = static_cast<BYTE*>(GlobalLock(s->idList));
    if (KweGetIDList(s->handle, list) != 0) KweSetDriverSettings(s->handle, list);
    GlobalUnlock(s->idList);
}

}  // namespace

KweSession::~KweSession() {
    if (handle != 0 && KweReleaseHandle(handle) == 0) ShowDriverMessage(kKweReleaseFailed);
    if (idList != nullptr) GlobalFree(idList);
}

BOOL OpenKweSession(PrinterPdev* pdev, KweSession* s, const KweSessionRequest& request) {
    std::string printer, model;
    KweNames(pdev, &printer, &model);
    s->handle = KweCreateHandle(printer.c_str(), model.c_str(), kKweLanguage, kKweLocale);
    if (s->handle == 0) return FALSE;
    const LONG size = KweGetSizeOfSettings(s->handle);
    if (size >= 0 && static_cast<DWORD>(size) != orla::Get(pdev->settings.record, dm::TrustBlobSize))
        orla::Set(pdev->settings.record, dm::TrustBlobSize, static_cast<DWORD>(size));
    ExchangeIdList(s);
    s->settingsAccepted = SetSessionSettings(pdev, s->handle, request.sample, request.sampleBytes) == 1;
    PassKweJobRecords(pdev, s->handle, request);
    return TRUE;
}

void PassKweJobRecords(PrinterPdev* pdev, DWORD handle, const KweSessionRequest& request) {
    BYTE info[kKweJobInfoSize];
    FillJobInfo(info, request);
    KweSetJobInfo(handle, info);
    BYTE owner[kKweJobOwnerSize] = {};
    char user[64] = {};
    GetJobUserName(user);
    std::memcpy(owner, user, std::min(strnlen(user, sizeof user), static_cast<size_t>(kKweJobOwnerSize - 1)));
    KweSetJobOwner(handle, owner);
}

LONG SetSessionSettings(PrinterPdev* pdev, DWORD handle, const BYTE* sample, DWORD sampleBytes) {
    DWORD blobSize = 0;
    const BYTE* blob = SettingsBlob(pdev, &blobSize);
    return KweSetKWESettings(handle, blob, blobSize, sample, sampleBytes);
}

BOOL KweLibraryUsable(PrinterPdev* pdev) {
    if (!IsKweLibraryInstalled()) return FALSE;
    std::lock_guard<std::recursive_mutex> g(KweLock());
    std::string printer, model;
    KweNames(pdev, &printer, &model);
    const DWORD handle = KweCreateHandle(printer.c_str(), model.c_str(), kKweLanguage, kKweLocale);
    if (handle == 0) return FALSE;
    if (KweReleaseHandle(handle) == 0) ShowDriverMessage(kKweReleaseFailed);
    return TRUE;
}

KweBlock::~KweBlock() {
    if (handle == nullptr) return;
    if (bytes != nullptr) GlobalUnlock(handle);
    GlobalFree(handle);
}

BOOL KweBlock::Take(HGLOBAL block) {
    handle = block;
    if (block == nullptr) return FALSE;
    size = GlobalSize(block);
    bytes = static_cast<const BYTE*>(GlobalLock(block));
    return bytes != nullptr && size > 0;
}
