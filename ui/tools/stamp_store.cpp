// The stamp store. Reads follow the stamp reader's rule (user's value, printer data as its
// fallback); writes go to the user's value only.
#include "ui/tools/stamp_store.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "ui/entry/ansi_text.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/registry.h"
#include "win/user.h"

namespace orla {
namespace {

// A factory stamp: list name, printed text, position, size, angle choice, face, overlay mode and
// drawing mode; every one a text stamp of weight 400, grey 3044, scale 100, text 3 " ".
struct Factory {
    const char* name;
    const char* text;
    DWORD position;
    SHORT size;
    SHORT angle;
    const char* face;
    DWORD overlayMode;
    DWORD mode;
};
// Texts in code page 932 (the stored form of the Japanese build).
constexpr char kMincho[] = "\x82\x6C\x82\x72\x20\x82\x6F\x96\xBE\x92\xA9";          // MS P-Mincho
constexpr char kGothic[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";  // MS Gothic
constexpr Factory kJapaneseFactory[] = {
    {"\x83\x7D\x83\x8B\x94\xE9", "\x94\xE9", 4, 2000, 2, kMincho, 1, 3066},
    {"\x8A\x4F\x94\xE9", "\x8A\x4F\x94\xE9", 2, 1400, 2, kGothic, 0, 3065},
    {"CONFIDENTIAL", "CONFIDENTIAL", 4, 540, 3, kGothic, 1, 3065},
    {"\x8E\xE6\x88\xB5\x92\x8D\x88\xD3", "\x8E\xE6\x88\xB5\x92\x8D\x88\xD3", 4, 880, 3, kGothic, 1, 3065},
    {"\x95\xA1\x8E\xCA\x8B\xD6\x8E\x7E", "\x95\xA1\x8E\xCA\x8B\xD6\x8E\x7E", 4, 880, 3, kGothic, 1, 3065},
    {"\x8E\x9D\x8F\x6F\x8B\xD6\x8E\x7E", "\x8E\x9D\x8F\x6F\x8B\xD6\x8E\x7E", 4, 880, 3, kGothic, 1, 3065},
    {"\x8F\x64\x97\x76", "\x8F\x64\x97\x76", 2, 540, 2, kGothic, 0, 3067},
    {"DRAFT", "DRAFT", 4, 880, 3, kGothic, 1, 3065},
    {"\x89\xF1\x97\x97", "\x89\xF1\x97\x97", 2, 540, 2, kGothic, 0, 3067},
    {"\x8E\x8A\x8B\x7D", "\x8E\x8A\x8B\x7D", 2, 540, 2, kGothic, 0, 3067},
};
constexpr Factory kEnglishFactory[] = {
    {"Confidential", "Confidential", 4, 880, 3, "Arial", 1, 3065},
    {"Circular", "Circular", 4, 880, 3, "Arial", 1, 3065},
    {"Reference", "Reference", 4, 880, 3, "Arial", 1, 3065},
    {"Urgent", "Urgent", 4, 880, 3, "Arial", 1, 3065},
    {"Copy Prohibited", "Copy Prohibited", 4, 880, 3, "Arial", 1, 3065},
    {"Handle With Care", "Handle With Care", 4, 880, 3, "Arial", 1, 3065},
    {"DRAFT", "DRAFT", 4, 880, 3, "Arial", 1, 3065},
};
constexpr DWORD kFactoryGrey = 3044;
constexpr WORD kFactoryWeight = 400;
constexpr SHORT kFactoryScale = 100;
constexpr DWORD kStampNameBytes = 65;  // ReadStampText's limit for the list name

WORD NumberAt(const BYTE* record) {
    return StampGet(record, stamp::kNumber);
}
void PutText(BYTE* record, StampTextField f, const char* text) {
    std::strncpy(reinterpret_cast<char*>(record + f.offset), text, f.bytes - 1);
}

size_t RecordCount(const std::vector<BYTE>& list) {
    return list.size() / kStampRecordSize;
}

// A full list: the user hears and reads why the stamp was not kept. The record being saved was
// converted into a copy, so the caller's working record is still in its in-memory form.
void TellListFull(HWND dialog, const UiContext* context) {
    MessageBeep(MB_ICONEXCLAMATION);
    WCHAR text[256] = {};
    if (context->hResDll == nullptr || LoadStringW(context->hResDll, kStampListFullMessage, text, 256) <= 0) return;
    const std::u16string caption(context->deviceData ? DevicePrinterName(context->deviceData) : std::u16string_view{});
    MessageBoxW(dialog, text, caption.c_str(), MB_OK | MB_ICONWARNING);
}

// The write rule: the user's value under the stamp key, created when missing.
bool WriteStoredStamps(HANDLE hPrinter, const std::vector<BYTE>& list) {
    std::u16string keyPath;
    if (!PrinterStampKey(hPrinter, &keyPath)) return false;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExW(key, u"STAMP_Info", 0, REG_BINARY, list.data(), static_cast<DWORD>(list.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

// The user's own value can be opened and queried (the printer-data copy does not count: the
// fillers show and save the user's list).
bool UserStampListReadable(HANDLE hPrinter) {
    std::u16string keyPath;
    if (!PrinterStampKey(hPrinter, &keyPath)) return false;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = 0;
    const LONG rc = RegQueryValueExW(key, u"STAMP_Info", nullptr, &type, nullptr, &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

// An in-memory record back to the stored form: each text to the system code page, whole
// characters within its field (the terminator kept).
void StampRecordToAnsi(const BYTE* wide, BYTE* stored) {
    std::memcpy(stored, wide, kStampRecordSize);
    for (const StampTextField& f : stamp::kTextFields) {
        std::vector<WCHAR> text(f.bytes / 2 + 1, 0);
        std::memcpy(text.data(), wide + f.offset, f.bytes);
        text[f.bytes / 2 - 1] = 0;
        std::vector<char> ansi(f.bytes, 0);
        ToAnsiCut(text.data(), ansi.data(), static_cast<int>(f.bytes));
        std::memcpy(stored + f.offset, ansi.data(), f.bytes);
    }
}

// The stored record with that number copied into a settings record's stamp field, in-memory form.
void LoadSelectedStamp(HANDLE hPrinter, DriverDevmode& record) {
    const DWORD number = Get(record, dm::StampNumber);
    if (number == 0 || number > 0xFFFF) return;
    ReadStampInfo(hPrinter, static_cast<WORD>(number), record.bytes + dm::StampRecord.offset);
}

}  // namespace

DWORD FactoryStampCount() {
    return kJapaneseBuild ? std::size(kJapaneseFactory) : std::size(kEnglishFactory);
}

void FactoryStamp(DWORD number, BYTE (&record)[kStampRecordSize]) {
    std::memset(record, 0, sizeof record);
    if (number == 0 || number > FactoryStampCount()) return;
    const Factory& f = kJapaneseBuild ? kJapaneseFactory[number - 1] : kEnglishFactory[number - 1];
    StampSet(record, stamp::kNumber, static_cast<WORD>(number));
    PutText(record, stamp::kName, f.name);
    StampSet(record, stamp::kKind, DWORD{0});
    PutText(record, stamp::kText, f.text);
    PutText(record, stamp::kImagePath, " ");
    StampSet(record, stamp::kPosition, f.position);
    StampSet(record, stamp::kTextSize, f.size);
    StampSet(record, stamp::kScale, kFactoryScale);
    StampSet(record, stamp::kAngle, f.angle);
    StampSet(record, stamp::kWeight, kFactoryWeight);
    PutText(record, stamp::kFaceName, f.face);
    StampSet(record, stamp::kOverlayMode, f.overlayMode);
    StampSet(record, stamp::kGrey, kFactoryGrey);
    StampSet(record, stamp::kMode, f.mode);
}

void ResetStamps(HANDLE hPrinter, DWORD code) {
    BYTE one[kStampRecordSize];
    if (code == kResetAllStamps) {
        std::vector<BYTE> list;
        for (DWORD n = 1; n <= FactoryStampCount(); ++n) {
            FactoryStamp(n, one);
            list.insert(list.end(), one, one + kStampRecordSize);
        }
        WriteStoredStamps(hPrinter, list);
        return;
    }
    if (code == 0 || code > FactoryStampCount()) return;
    std::vector<BYTE> list = ReadStoredStamps(hPrinter);
    FactoryStamp(code, one);
    for (size_t i = 0; i < RecordCount(list); ++i)
        if (NumberAt(list.data() + i * kStampRecordSize) == code)
            std::memcpy(list.data() + i * kStampRecordSize, one, kStampRecordSize);
    WriteStoredStamps(hPrinter, list);  // with its old size
}

BOOL EnsureStampList(HANDLE hPrinter) {
    for (int attempt = 0; attempt < kStampListAttempts; ++attempt) {
        if (UserStampListReadable(hPrinter)) return TRUE;
        ResetStamps(hPrinter, kResetAllStamps);
    }
    if (UserStampListReadable(hPrinter)) return TRUE;
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
}

void ReadStampText(HANDLE hPrinter, WORD number, WCHAR (&out)[65]) {
    const std::vector<BYTE> list = ReadStoredStamps(hPrinter);
    for (size_t i = 0; i < RecordCount(list); ++i) {
        const BYTE* record = list.data() + i * kStampRecordSize;
        if (NumberAt(record) != number) continue;
        const char* name = reinterpret_cast<const char*>(record + stamp::kName.offset);
        const int stored = static_cast<int>(strnlen(name, stamp::kName.bytes));
        const int length = WholeCharacterBytes(name, stored, static_cast<int>(kStampNameBytes) - 1);
        if (length != stored) return;  // the text does not end within 65 bytes
        WCHAR wide[65] = {};
        if (length > 0) MultiByteToWideChar(CP_ACP, 0, name, length, wide, 64);
        std::memcpy(out, wide, sizeof wide);
        return;
    }
}

void DeleteStamp(HANDLE hPrinter, WORD number) {
    std::vector<BYTE> list = ReadStoredStamps(hPrinter);
    list.resize(RecordCount(list) * kStampRecordSize);
    std::vector<BYTE> kept;
    bool removed = false;
    for (size_t i = 0; i < RecordCount(list); ++i) {
        BYTE* record = list.data() + i * kStampRecordSize;
        const WORD n = NumberAt(record);
        if (!removed && n == number) {
            removed = true;
            continue;
        }
        if (removed) StampSet(record, stamp::kNumber, static_cast<WORD>(n - 1));
        kept.insert(kept.end(), record, record + kStampRecordSize);
    }
    if (removed) WriteStoredStamps(hPrinter, kept);
}

void LoadStampsIntoContext(UiContext* context) {
    if (context != nullptr) LoadSelectedStamp(context->hPrinter, context->currentDevmode);
}

void ReloadWorkingStamp(UiContext* context) {
    if (context != nullptr) LoadSelectedStamp(context->hPrinter, context->scratchDevmode);
}

BOOL StampExists(HANDLE hPrinter, WORD number) {
    const std::vector<BYTE> list = ReadStoredStamps(hPrinter);
    for (size_t i = 0; i < RecordCount(list); ++i)
        if (NumberAt(list.data() + i * kStampRecordSize) == number) return TRUE;
    return FALSE;
}

WORD ResolveStampNumber(HANDLE hPrinter, WORD number) {
    // Without the printer's name there is no list to number against: the number stays.
    std::u16string keyPath;
    if (!PrinterStampKey(hPrinter, &keyPath)) return number;
    const std::vector<BYTE> list = ReadStoredStamps(hPrinter);
    for (size_t i = 0; i < RecordCount(list); ++i)
        if (NumberAt(list.data() + i * kStampRecordSize) == number) return number;
    return static_cast<WORD>(RecordCount(list) + 1);
}

StampSave SaveStampRecord(HWND dialog, UiContext* context, WORD number, const BYTE* wideRecord) {
    if (context == nullptr || wideRecord == nullptr) return StampSave::WriteFailed;
    BYTE stored[kStampRecordSize];
    StampRecordToAnsi(wideRecord, stored);
    std::vector<BYTE> list = ReadStoredStamps(context->hPrinter);
    bool replaced = false;
    for (size_t i = 0; i < RecordCount(list); ++i) {
        BYTE* record = list.data() + i * kStampRecordSize;
        if (NumberAt(record) != number) continue;
        std::memcpy(record, stored, kStampRecordSize);
        StampSet(record, stamp::kNumber, number);  // the record keeps its place in the list
        replaced = true;
    }
    if (!replaced) {
        list.resize(RecordCount(list) * kStampRecordSize);
        if (RecordCount(list) >= kStampMaxCount) {
            TellListFull(dialog, context);
            return StampSave::ListFull;
        }
        StampSet(stored, stamp::kNumber, static_cast<WORD>(RecordCount(list) + 1));  // number = position + 1
        list.insert(list.end(), stored, stored + kStampRecordSize);
    }
    if (!WriteStoredStamps(context->hPrinter, list)) return StampSave::WriteFailed;
    return replaced ? StampSave::Replaced : StampSave::Appended;
}

}  // namespace orla
