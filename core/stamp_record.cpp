// Reading one stamp: the user's list under HKEY_CURRENT_USER, the printer's printer data when the
// user's key has no list, walked in whole records.
#include "core/stamp_record.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/support.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/registry.h"
#include "win/spool.h"

namespace orla {
namespace {

constexpr char16_t kStampKey[] = u"Software\\QEV\\STAMP";
constexpr char16_t kStampValue[] = u"STAMP_Info";

// The list's size, or its bytes when `data` is given: the registry value first, the printer data
// value when the registry query fails. FALSE when neither answers.
bool QueryStampList(HKEY key, HANDLE hPrinter, BYTE* data, DWORD* size) {
    DWORD type = 0;
    if (RegQueryValueExW(key, kStampValue, nullptr, &type, data, size) == ERROR_SUCCESS) return true;
    DWORD needed = 0;
    const DWORD rc = GetPrinterDataW(hPrinter, const_cast<LPWSTR>(kStampValue), &type, data, data ? *size : 0, &needed);
    if (data == nullptr ? (rc != ERROR_MORE_DATA && rc != ERROR_SUCCESS) : rc != ERROR_SUCCESS) return false;
    *size = needed;
    return true;
}

// The stored list of the printer's stamps (empty when there is none).
std::vector<BYTE> ReadStampList(HANDLE hPrinter, const std::u16string& keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    DWORD size = 0;
    const bool sized = QueryStampList(key, hPrinter, nullptr, &size);
    RegCloseKey(key);
    if (!sized || size == 0) return {};
    std::vector<BYTE> list(size, 0);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    const bool read = QueryStampList(key, hPrinter, list.data(), &size);
    RegCloseKey(key);
    if (!read) return {};
    list.resize(std::min<size_t>(list.size(), size));
    return list;
}

// Bytes of the NUL-terminated ANSI text at the start of a field, walking double-byte characters
// as pairs; -1 when no terminator lies within the field's first (bytes - 1) bytes.
int AnsiTextBytes(const BYTE* text, size_t limit) {
    size_t i = 0;
    while (i < limit) {
        if (text[i] == 0) return static_cast<int>(i);
        i += (IsDBCSLeadByte(text[i]) && i + 1 < limit && text[i + 1] != 0) ? 2 : 1;
    }
    return -1;
}

}  // namespace

std::u16string StampKeyPath(std::u16string_view printerName) {
    if (printerName.size() >= 2 && printerName[0] == u'\\' && printerName[1] == u'\\') printerName.remove_prefix(2);
    return std::u16string(kStampKey) + u"\\" + std::u16string(printerName);
}

void ConvertStampRecordToWide(BYTE* record) {
    if (record == nullptr) return;
    for (const StampTextField& f : stamp::kTextFields) {
        BYTE* field = record + f.offset;
        const int length = AnsiTextBytes(field, f.bytes);
        if (length < 0) continue;  // no terminator within the field: left as it is
        const size_t units = f.bytes / 2;
        // The whole text converted, then its first units kept with room for the terminator: a
        // long single-byte text keeps its beginning rather than failing the conversion.
        std::vector<WCHAR> wide(static_cast<size_t>(length) + 1, 0);
        const int n = length > 0 ? MultiByteToWideChar(GetACP(), 0, reinterpret_cast<const char*>(field), length,
                                                       wide.data(), length)
                                 : 0;
        const size_t keep = std::min<size_t>(n > 0 ? static_cast<size_t>(n) : 0, units - 1);
        std::memset(field, 0, f.bytes);
        std::memcpy(field, wide.data(), keep * sizeof(WCHAR));
    }
}

BOOL PrinterStampKey(HANDLE hPrinter, std::u16string* keyPath) {
    BYTE* info = GetPrinterInfoAlloc(hPrinter, 2);
    if (info == nullptr) return FALSE;
    const auto* printer = reinterpret_cast<const PRINTER_INFO_2W*>(info);
    const bool named = printer->pPrinterName != nullptr;
    if (named) *keyPath = StampKeyPath(printer->pPrinterName);
    GlobalFree(info);
    return named ? TRUE : FALSE;
}

std::vector<BYTE> ReadStoredStamps(HANDLE hPrinter) {
    std::u16string keyPath;
    if (!PrinterStampKey(hPrinter, &keyPath)) return {};
    return ReadStampList(hPrinter, keyPath);
}

void ReadStampInfo(HANDLE hPrinter, WORD number, BYTE* record) {
    if (record == nullptr) return;
    const std::vector<BYTE> list = ReadStoredStamps(hPrinter);
    for (size_t at = 0; at + kStampRecordSize <= list.size(); at += kStampRecordSize) {
        WORD n = 0;
        n = StampGet(list.data() + at, stamp::kNumber);
        if (n != number) continue;
        std::memcpy(record, list.data() + at, kStampRecordSize);
        ConvertStampRecordToWide(record);
        return;
    }
}

}  // namespace orla
