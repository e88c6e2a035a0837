// Printer-data values the graphics DLL reads: the TrueType substitution table and the accounting
// values. Every value comes from outside (the interface DLL, an administrator, an old driver),
// so sizes and terminators are checked before anything is used.
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/driver_devmode.h"
#include "render/driver_log.h"
#include "render/page_settings.h"
#include "render/pdev.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

// A printer-data value into a buffer of known size; the bytes read, or -1.
LONG ReadPrinterValue(HANDLE printer, LPCWSTR name, void* out, DWORD size, DWORD* type = nullptr) {
    DWORD valueType = 0, needed = 0;
    DWORD rc = GetPrinterDataW(printer, const_cast<LPWSTR>(name), &valueType, static_cast<LPBYTE>(out), size, &needed);
    if (rc != ERROR_SUCCESS) return -1;
    if (type) *type = valueType;
    return static_cast<LONG>(needed > size ? size : needed);
}

// Built-in substitution pairs (string ids 5200..5203 -> 164..167 of the graphics DLL), used when
// the module's string table cannot give them.
struct BuiltinPair {
    UINT faceId;
    UINT fontId;
    std::u16string_view face;
    std::u16string_view font;
};
constexpr BuiltinPair kBuiltinPairs[] = {
    {5200, 164, u"ＭＳ 明朝", u"明朝"},
    {5201, 165, u"@ＭＳ 明朝", u"@明朝"},
    {5202, 166, u"ＭＳ ゴシック", u"ｺﾞｼｯｸ"},
    {5203, 167, u"@ＭＳ ゴシック", u"@ｺﾞｼｯｸ"},
};
constexpr int kBuiltinStringChars = 128;

// Largest substitution table taken from printer data: far above any real table.
constexpr DWORD kMaxSubstTableBytes = 256 * 1024;

std::u16string LoadBuiltin(HMODULE module, UINT id, std::u16string_view fallback) {
    WCHAR text[kBuiltinStringChars + 1] = {};
    int n = module ? LoadStringW(module, id, text, kBuiltinStringChars) : 0;
    if (n <= 0) return std::u16string(fallback);
    return std::u16string(text, static_cast<size_t>(n));
}

}  // namespace

LONG ParseTTSubstTable(std::span<const BYTE> value) {
    if (value.size() % 2 != 0) return -1;
    const size_t units = value.size() / 2;
    auto unitAt = [&](size_t i) { return static_cast<WORD>(value[2 * i] | (value[2 * i + 1] << 8)); };
    size_t i = 0;
    LONG pairs = 0;
    while (i < units) {
        if (unitAt(i) == 0) break;  // an empty face name ends the table (the empty table is zeros)
        for (int part = 0; part < 2; ++part) {
            size_t start = i;
            while (i < units && unitAt(i) != 0) ++i;
            if (i >= units) return -1;               // no terminator inside the value
            if (part == 1 && i == start) return -1;  // a face without its printer font
            ++i;                                     // past the terminator
        }
        ++pairs;
    }
    return pairs;
}

BOOL TTSubstPairAt(const WCHAR* block, DWORD chars, LONG index, LPCWSTR* face, LPCWSTR* printerFont) {
    if (!block || index < 0) return FALSE;
    DWORD i = 0;
    for (LONG pair = 0; i < chars && block[i] != 0; ++pair) {
        DWORD faceAt = i;
        while (i < chars && block[i] != 0) ++i;
        if (++i >= chars) return FALSE;
        DWORD fontAt = i;
        while (i < chars && block[i] != 0) ++i;
        if (i >= chars) return FALSE;
        ++i;
        if (pair == index) {
            if (face) *face = block + faceAt;
            if (printerFont) *printerFont = block + fontAt;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL LoadFontSubstitution(PrinterPdev* pdev) {
    PrinterDataTables& tables = pdev->settings.tables;
    tables.fontSubstitution = nullptr;
    tables.fontSubstitutionChars = 0;

    DWORD useDefault = 0, type = 0;
    bool builtins =
        ReadPrinterValue(pdev->printer, u"TBL_TTSubstDefault", &useDefault, sizeof(useDefault), &type) == 4 &&
        (useDefault & 1) != 0;
    if (!builtins) {
        DWORD needed = 0, valueType = 0;
        DWORD rc =
            GetPrinterDataW(pdev->printer, const_cast<LPWSTR>(u"TBL_TTSubstTable"), &valueType, nullptr, 0, &needed);
        if ((rc == ERROR_MORE_DATA || rc == ERROR_SUCCESS) && needed > 0 && needed <= kMaxSubstTableBytes) {
            auto* block = static_cast<BYTE*>(PdevAlloc(pdev->allocationList, needed + 2));
            if (!block) return FALSE;
            LONG got = ReadPrinterValue(pdev->printer, u"TBL_TTSubstTable", block, needed);
            LONG pairs = got > 0 ? ParseTTSubstTable({block, static_cast<size_t>(got)}) : -1;
            if (pairs > 0) {
                tables.fontSubstitution = reinterpret_cast<WCHAR*>(block);
                tables.fontSubstitutionChars = (needed + 2) / 2;
            } else {
                if (pairs < 0) DriverLog("TBL_TTSubstTable of %u bytes is malformed; built-in pairs used", needed);
                PdevFree(pdev->allocationList, block);
            }
        } else if (needed > kMaxSubstTableBytes) {
            DriverLog("TBL_TTSubstTable of %u bytes refused; built-in pairs used", needed);
        }
        builtins = tables.fontSubstitution == nullptr;
    }
    if (builtins) {
        std::u16string pairs;
        for (const BuiltinPair& p : kBuiltinPairs) {
            pairs += LoadBuiltin(pdev->module, p.faceId, p.face);
            pairs.push_back(0);
            pairs += LoadBuiltin(pdev->module, p.fontId, p.font);
            pairs.push_back(0);
        }
        pairs.push_back(0);
        auto* block = static_cast<WCHAR*>(PdevAlloc(pdev->allocationList, pairs.size() * sizeof(WCHAR)));
        if (!block) return FALSE;
        std::memcpy(block, pairs.data(), pairs.size() * sizeof(WCHAR));
        tables.fontSubstitution = block;
        tables.fontSubstitutionChars = static_cast<DWORD>(pairs.size());
    }
    return TRUE;
}

// ---- Accounting values ----

namespace {

constexpr DWORD kAccountBitsMask = orla::kFlags2AccountPerUser | orla::kFlags2AccountFlags;

// Where the six values besides the account mode come from.
struct AccountSource {
    HANDLE printer;
    HKEY userKey;  // non-null: the per-user key
};

LONG ReadAccountValue(const AccountSource& source, LPCWSTR name, void* out, DWORD size) {
    if (!source.userKey) return ReadPrinterValue(source.printer, name, out, size);
    DWORD type = 0, got = size;
    if (RegQueryValueExW(source.userKey, name, nullptr, &type, static_cast<LPBYTE>(out), &got) != ERROR_SUCCESS)
        return -1;
    return static_cast<LONG>(got > size ? size : got);
}

void ApplyBit(std::span<BYTE> rec, DWORD bit, DWORD stored) {
    DWORD flags = orla::Get(std::span<const BYTE>(rec), orla::dm::Flags2);
    orla::Set(rec, orla::dm::Flags2, (flags & ~bit) | (stored & bit));
}

// A UTF-16 text value into its settings field, bounded by the field and always terminated.
void ReadAccountText(const AccountSource& source, LPCWSTR name, std::span<BYTE> rec, orla::DmText field) {
    std::vector<WCHAR> text(field.cch, 0);
    LONG got = ReadAccountValue(source, name, text.data(), field.cch * sizeof(WCHAR));
    if (got < 0) return;
    size_t units = static_cast<size_t>(got) / sizeof(WCHAR);
    size_t n = 0;
    while (n < units && n + 1 < field.cch && text[n] != 0) ++n;
    orla::SetText(rec, field, std::u16string_view(text.data(), n));
}

std::u16string PrinterNameOf(HANDLE printer) {
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W) || needed > 1024 * 1024) return {};
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterW(printer, 2, buffer.data(), needed, &needed)) return {};
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    if (!info->pPrinterName) return {};
    std::u16string name(info->pPrinterName);
    if (name.size() >= 2 && name[0] == u'\\' && name[1] == u'\\') name.erase(0, 2);
    return name;
}

}  // namespace

void LoadAccountingSettings(BYTE* settings, ULONG settingsSize, HANDLE printer) {
    std::span<BYTE> rec(settings, settingsSize);
    DWORD flags = orla::Get(std::span<const BYTE>(rec), orla::dm::Flags2);
    orla::Set(rec, orla::dm::Flags2, flags | kAccountBitsMask);
    orla::SetText(rec, orla::dm::SetUserId, u"");
    orla::SetText(rec, orla::dm::SetPassword, u"");

    DWORD value = 0;
    if (ReadPrinterValue(printer, u"DAT_Account_Mode", &value, sizeof(value)) == 4)
        ApplyBit(rec, orla::kFlags2AccountPerUser, value);
    const bool accountMode =
        (orla::Get(std::span<const BYTE>(rec), orla::dm::Flags2) & orla::kFlags2AccountPerUser) != 0;

    AccountSource source{printer, nullptr};
    if (accountMode) {
        std::u16string key = u"Software\\QEV\\STAMP\\" + PrinterNameOf(printer);
        if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &source.userKey) != ERROR_SUCCESS) return;
    }
    for (const orla::FlagValue& a : orla::kAccountFlagNames) {
        value = 0;
        if (ReadAccountValue(source, a.name, &value, sizeof(value)) == 4) ApplyBit(rec, a.bit, value);
    }
    ReadAccountText(source, u"DAT_Set_UserID", rec, orla::dm::SetUserId);
    ReadAccountText(source, u"DAT_Set_Password", rec, orla::dm::SetPassword);
    if (source.userKey) RegCloseKey(source.userKey);
}
