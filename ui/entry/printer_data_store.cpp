// Printer-data values of the interface DLL. A value that cannot be read, or that has the wrong type
// or size, leaves its mirror in the record as it was; a value that cannot be written stays as it was.
#include "ui/entry/printer_data_store.h"

#include <algorithm>
#include <cstring>

#include "core/settings.h"
#include "core/settings_resolver.h"
#include "core/support.h"
#include "ui/entry/favourite_table.h"
#include "ui/entry/held.h"
#include "ui/entry/ui_context.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace orla {

namespace {

LPWSTR Name(const char16_t* name) {
    return const_cast<LPWSTR>(name);
}

inline constexpr FlagValue kJis78{u"DAT_PrinterFontJIS78", 0x100};
inline constexpr FlagValue kCompatibleMargin{u"DAT_CompatibleMargin", 0x200};
inline constexpr FlagValue kAccountMode{u"DAT_Account_Mode", kFlags2AccountPerUser};

// Read step 5 and store step 3 (the margin values are stored with these, read earlier).
inline constexpr FlagValue kLaterFlagValues[] = {
    {u"DAT_HeaderLimit", 0x400},  {u"DAT_Tray500", 0x1000},      {u"DAT_Tray1000", 0x2000},
    {u"TBL_TTSubstDefault", 0x1}, {u"TBL_OutPaperDefault", 0x2},
};

inline constexpr const char16_t* kCompatibleMarginBack = u"DAT_CompatibleMarginBack";
inline constexpr DWORD kCompatibleMarginBackBit = 0x200;

inline constexpr const char16_t* kSetUserId = u"DAT_Set_UserID";
inline constexpr const char16_t* kSetPassword = u"DAT_Set_Password";

// A flag's stored value: set when the stored DWORD is non-zero. Only the flag's own bit is taken,
// so a foreign value (1, or all bits) cannot switch on other settings.
DWORD FlagFromStored(DWORD stored, DWORD bit) {
    return stored ? bit : 0;
}

void ReadFlagInto(HANDLE hPrinter, const FlagValue& v, DWORD* flags) {
    if (auto stored = ReadPrinterDword(hPrinter, v.name)) *flags = (*flags & ~v.bit) | FlagFromStored(*stored, v.bit);
}

void ReadFlagField(HANDLE hPrinter, const FlagValue& v, DriverDevmode* devmode, DmField<DWORD> field) {
    DWORD flags = Get(*devmode, field);
    ReadFlagInto(hPrinter, v, &flags);
    Set(*devmode, field, flags);
}

DWORD PairValue(const DriverDevmode& devmode, unsigned offset) {
    DWORD state = Get(devmode, DmField<WORD>{offset});
    DWORD id = Get(devmode, DmField<WORD>{offset + 2});
    return (state << 16) | id;
}

// A stored text into its field, kept terminated inside the field.
void TextIntoField(DriverDevmode* devmode, DmText field, std::span<const BYTE> stored) {
    std::memset(devmode->bytes + field.offset, 0, 2 * field.cch);
    std::memcpy(devmode->bytes + field.offset, stored.data(),
                std::min<size_t>(stored.size() & ~size_t{1}, 2 * field.cch));
    TerminateText(RecordBytes(*devmode), field);
}

void TextIntoArray(WCHAR* dest, size_t cch, std::span<const BYTE> stored) {
    std::memset(dest, 0, 2 * cch);
    std::memcpy(dest, stored.data(), std::min<size_t>(stored.size() & ~size_t{1}, 2 * cch));
    dest[cch - 1] = 0;
}

// The bytes read of a binary value; the odd last byte of a value with an odd size is dropped.
struct BinaryRead {
    BYTE bytes[kAccountUserIdBytes];
    DWORD size;
};

std::optional<BinaryRead> ReadBinaryText(HANDLE hPrinter, LPCWSTR name, DWORD maxBytes) {
    BinaryRead r{};
    if (!ReadPrinterBinary(hPrinter, name, std::span<BYTE>(r.bytes, maxBytes), &r.size)) return std::nullopt;
    return r;
}

// ---- Per-user key ----
struct Key {
    HKEY h = nullptr;
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (h) RegCloseKey(h);
    }
};

std::optional<DWORD> ReadKeyDword(HKEY key, LPCWSTR name) {
    DWORD type = 0, value = 0, size = sizeof(value);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (type != REG_DWORD || size != sizeof(value)) return std::nullopt;
    return value;
}

// The bytes of a whole number of characters are kept; the rest of out is zero.
BOOL ReadKeyBinary(HKEY key, LPCWSTR name, std::span<BYTE> out) {
    BYTE buffer[kAccountUserIdBytes] = {};
    DWORD type = 0, size = static_cast<DWORD>(std::min(out.size(), sizeof(buffer)));
    if (RegQueryValueExW(key, name, nullptr, &type, buffer, &size) != ERROR_SUCCESS) return FALSE;
    if (type != REG_BINARY || size > out.size()) return FALSE;
    std::memset(out.data(), 0, out.size());
    std::memcpy(out.data(), buffer, size & ~DWORD{1});
    return TRUE;
}

// Account values from one source into flags, ID and password.
struct AccountTarget {
    DWORD* flags;
    WCHAR* userId;    // 33
    WCHAR* password;  // 13
};

void ReadAccountFromPrinter(HANDLE hPrinter, AccountTarget t) {
    for (const FlagValue& v : kAccountFlagNames) ReadFlagInto(hPrinter, v, t.flags);
    if (auto id = ReadBinaryText(hPrinter, kSetUserId, kAccountUserIdBytes)) {
        TextIntoArray(t.userId, 33, {id->bytes, id->size});
    }
    if (auto pw = ReadBinaryText(hPrinter, kSetPassword, kAccountPasswordBytes)) {
        TextIntoArray(t.password, 13, {pw->bytes, pw->size});
    }
}

void ReadAccountFromKey(HKEY key, AccountTarget t) {
    for (const FlagValue& v : kAccountFlagNames) {
        if (auto stored = ReadKeyDword(key, v.name)) *t.flags = (*t.flags & ~v.bit) | FlagFromStored(*stored, v.bit);
    }
    BYTE id[kAccountUserIdBytes], pw[kAccountPasswordBytes];
    if (ReadKeyBinary(key, kSetUserId, id)) TextIntoArray(t.userId, 33, id);
    if (ReadKeyBinary(key, kSetPassword, pw)) TextIntoArray(t.password, 13, pw);
}

BOOL OpenAccountKey(HANDLE hPrinter, bool create, Key* key) {
    std::u16string path = AccountKeyPath(hPrinter);
    if (path.empty()) return FALSE;
    LONG rc = create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_ALL_ACCESS, nullptr, &key->h, nullptr)
                     : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key->h);
    if (rc != ERROR_SUCCESS) key->h = nullptr;
    return key->h != nullptr;
}

struct AccountSource {
    DWORD flags;
    const WCHAR* userId;    // 33
    const WCHAR* password;  // 13
};

void WriteAccountValues(HANDLE hPrinter, const AccountSource& s) {
    BYTE id[kAccountUserIdBytes] = {}, pw[kAccountPasswordBytes] = {};
    std::memcpy(id, s.userId, sizeof(id));
    std::memcpy(pw, s.password, sizeof(pw));
    id[sizeof(id) - 1] = id[sizeof(id) - 2] = 0;
    pw[sizeof(pw) - 1] = pw[sizeof(pw) - 2] = 0;
    for (const FlagValue& v : kAccountFlagNames) StorePrinterDwordIfChanged(hPrinter, v.name, s.flags & v.bit);
    SetPrinterDataW(hPrinter, Name(kSetUserId), REG_BINARY, id, sizeof(id));
    SetPrinterDataW(hPrinter, Name(kSetPassword), REG_BINARY, pw, sizeof(pw));
}

void WriteAccountKeyValues(HANDLE hPrinter, const AccountSource& s) {
    Key key;
    if (!OpenAccountKey(hPrinter, true, &key)) return;
    BYTE id[kAccountUserIdBytes] = {}, pw[kAccountPasswordBytes] = {};
    std::memcpy(id, s.userId, sizeof(id));
    std::memcpy(pw, s.password, sizeof(pw));
    id[sizeof(id) - 1] = id[sizeof(id) - 2] = 0;
    pw[sizeof(pw) - 1] = pw[sizeof(pw) - 2] = 0;
    for (const FlagValue& v : kAccountFlagNames) {
        DWORD value = s.flags & v.bit;
        RegSetValueExW(key.h, v.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }
    RegSetValueExW(key.h, kSetUserId, 0, REG_BINARY, id, sizeof(id));
    RegSetValueExW(key.h, kSetPassword, 0, REG_BINARY, pw, sizeof(pw));
}

AccountBlock& BlockOfMode(UiContext* context) {
    DWORD flags = Get(context->currentDevmode, dm::Flags2);
    return (flags & kFlags2AccountPerUser) ? context->accountSavedUser : context->accountSaved;
}

BOOL ValueMissing(HANDLE hPrinter, LPCWSTR name) {
    DWORD type = 0, needed = 0;
    DWORD rc = GetPrinterDataW(hPrinter, const_cast<LPWSTR>(name), &type, nullptr, 0, &needed);
    return rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA;
}

std::optional<std::vector<BYTE>> InterfaceResource(WORD id) {
    HMODULE module = GetInterfaceModule();
    if (!module) return std::nullopt;
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!res) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, res);
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(loaded));
    DWORD size = SizeofResource(module, res);
    if (!bytes || size == 0) return std::nullopt;
    std::span<const BYTE> trimmed = TrimResourcePadding({bytes, size});
    return std::vector<BYTE>(trimmed.begin(), trimmed.end());
}

void StoreDefaultTables(HANDLE hPrinter) {
    if (ValueMissing(hPrinter, u"TBL_TTSubstTable")) {
        std::optional<std::vector<BYTE>> table;
        if constexpr (kJapaneseBuild) {
            table = InterfaceResource(1000);
        } else {
            table = std::vector<BYTE>(4, 0);  // an empty table
        }
        if (table) {
            SetPrinterDataW(hPrinter, Name(u"TBL_TTSubstTable"), REG_BINARY, table->data(),
                            static_cast<DWORD>(table->size()));
        }
    }
    if (ValueMissing(hPrinter, u"TBL_OutPaperTable")) {
        std::optional<std::vector<BYTE>> table = InterfaceResource(1001);
        if (!table) {
            // The same fourteen pairs the resource holds.
            std::vector<OutPaperPair> pairs;
            for (const OutPaperDefault& d : kDefaultOutPaperTable) pairs.push_back({d.document, d.output});
            table = BuildOutPaperTable(pairs);
        }
        SetPrinterDataW(hPrinter, Name(u"TBL_OutPaperTable"), REG_BINARY, table->data(),
                        static_cast<DWORD>(table->size()));
    }
}

// The factory favourites are named in the user's language: the context's resource DLL, else the
// one the resource-DLL rule picks now.
void StoreFavouriteDefaults(const UiContext* context, HANDLE hPrinter, const CompiledDeviceData* deviceData,
                            bool languageChanged) {
    if (!deviceData) return;
    ResourceDllHeld ownDll;
    HMODULE resDll = context ? context->hResDll : nullptr;
    if (!resDll) {
        ownDll.reset(LoadResourceDll(hPrinter));
        resDll = ownDll.get();
    }
    GlobalHeld<DriverDevmode> defaults = NewTemporaryRecord();
    if (!defaults) return;
    SetDefaultDevmode(defaults.get(), hPrinter, nullptr, deviceData);
    SeedFavouriteTable(hPrinter, deviceData, resDll, *defaults, languageChanged);
}

void StoreHalftoneDefaults(HANDLE hPrinter, const CompiledDeviceData* deviceData) {
    if (!deviceData) return;
    const bool second = IsOsAfterNt50() != FALSE;
    for (const ResolutionEntry& r : Resolutions(deviceData)) {
        const char16_t* name = HalftoneValueName(r.dpi);
        if (!name || !ValueMissing(hPrinter, name)) continue;
        DWORD pattern = HalftonePatternSizeByName(second ? r.text2 : r.text1);
        std::array<BYTE, kHalftoneBlockSize> block = BuildHalftoneBlock(pattern, second ? r.value3 : r.value2);
        SetPrinterDataW(hPrinter, Name(name), REG_BINARY, block.data(), kHalftoneBlockSize);
    }
}

HMODULE g_interfaceModule = nullptr;

}  // namespace

void ResetAccountBlock(AccountBlock* block) {
    block->flags = kFlags2AccountFlags;
    std::memset(block->userId, 0, sizeof(block->userId));
    std::memset(block->password, 0, sizeof(block->password));
}

std::optional<DWORD> ReadPrinterDword(HANDLE hPrinter, LPCWSTR name) {
    DWORD type = 0, value = 0, needed = 0;
    DWORD rc = GetPrinterDataW(hPrinter, const_cast<LPWSTR>(name), &type, reinterpret_cast<BYTE*>(&value),
                               sizeof(value), &needed);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || needed != sizeof(value)) return std::nullopt;
    return value;
}

BOOL ReadPrinterBinary(HANDLE hPrinter, LPCWSTR name, std::span<BYTE> out, DWORD* read) {
    std::vector<BYTE> buffer(out.size());
    DWORD type = 0, needed = 0;
    DWORD rc = GetPrinterDataW(hPrinter, const_cast<LPWSTR>(name), &type, buffer.data(),
                               static_cast<DWORD>(buffer.size()), &needed);
    if (rc != ERROR_SUCCESS || type != REG_BINARY || needed > out.size()) return FALSE;
    std::fill(out.begin(), out.end(), BYTE{0});
    std::copy_n(buffer.begin(), needed, out.begin());
    if (read) *read = needed;
    return TRUE;
}

BOOL StorePrinterDwordIfChanged(HANDLE hPrinter, LPCWSTR name, DWORD value) {
    std::optional<DWORD> stored = ReadPrinterDword(hPrinter, name);
    if (stored && *stored == value) return TRUE;
    return SetPrinterDataW(hPrinter, const_cast<LPWSTR>(name), REG_DWORD, reinterpret_cast<BYTE*>(&value),
                           sizeof(value)) == ERROR_SUCCESS;
}

std::u16string AccountKeyPath(HANDLE hPrinter) {
    BYTE* info = GetPrinterInfoAlloc(hPrinter, 2);
    if (!info) return {};
    const PRINTER_INFO_2W* p2 = reinterpret_cast<const PRINTER_INFO_2W*>(info);
    std::u16string name = p2->pPrinterName ? p2->pPrinterName : u"";
    GlobalFree(info);
    if (name.empty()) return {};
    if (name.starts_with(u"\\\\")) name.erase(0, 2);
    return u"Software\\QEV\\STAMP\\" + name;
}

void ReadAccountSettings(DriverDevmode* devmode, HANDLE hPrinter) {
    if (!devmode) return;
    DWORD flags = Get(*devmode, dm::Flags2) | kFlags2AccountFlags;
    WCHAR id[33] = {}, pw[13] = {};
    AccountTarget t{&flags, id, pw};
    if (flags & kFlags2AccountPerUser) {
        Key key;
        if (OpenAccountKey(hPrinter, false, &key)) ReadAccountFromKey(key.h, t);
    } else {
        ReadAccountFromPrinter(hPrinter, t);
    }
    Set(*devmode, dm::Flags2, flags);
    SetText(*devmode, dm::SetUserId, std::u16string_view(id));
    SetText(*devmode, dm::SetPassword, std::u16string_view(pw));
}

void WriteAccountSettings(const DriverDevmode* devmode, HANDLE hPrinter) {
    if (!devmode) return;
    WCHAR id[33] = {}, pw[13] = {};
    std::memcpy(id, devmode->bytes + dm::SetUserId.offset, sizeof(id));
    std::memcpy(pw, devmode->bytes + dm::SetPassword.offset, sizeof(pw));
    AccountSource s{Get(*devmode, dm::Flags2), id, pw};
    WriteAccountValues(hPrinter, s);
    WriteAccountKeyValues(hPrinter, s);
}

void ReadAccountSettingsToContext(UiContext* context, HANDLE hPrinter) {
    if (!context) return;
    ResetAccountBlock(&context->accountSaved);
    ResetAccountBlock(&context->accountSavedUser);
    AccountBlock& printerBlock = context->accountSaved;
    ReadAccountFromPrinter(hPrinter, {&printerBlock.flags, printerBlock.userId, printerBlock.password});
    Key key;
    if (OpenAccountKey(hPrinter, false, &key)) {
        AccountBlock& userBlock = context->accountSavedUser;
        ReadAccountFromKey(key.h, {&userBlock.flags, userBlock.userId, userBlock.password});
    }
}

void WriteAccountSettingsFromContext(const UiContext* context, HANDLE hPrinter) {
    if (!context) return;
    const AccountBlock& p = context->accountSaved;
    const AccountBlock& u = context->accountSavedUser;
    WriteAccountValues(hPrinter, {p.flags, p.userId, p.password});
    WriteAccountKeyValues(hPrinter, {u.flags, u.userId, u.password});
}

void RestoreAccountBlock(UiContext* context) {
    if (!context) return;
    const AccountBlock& block = BlockOfMode(context);
    DWORD flags = Get(context->currentDevmode, dm::Flags2);
    // Only the account bits come back: the rest of the saved flags may be stale.
    flags = (flags & ~kFlags2AccountFlags) | (block.flags & kFlags2AccountFlags);
    Set(context->currentDevmode, dm::Flags2, flags);
    WCHAR id[33], pw[13];
    std::memcpy(id, block.userId, sizeof(id));
    std::memcpy(pw, block.password, sizeof(pw));
    id[32] = pw[12] = 0;
    SetText(context->currentDevmode, dm::SetUserId, std::u16string_view(id));
    SetText(context->currentDevmode, dm::SetPassword, std::u16string_view(pw));
}

void SaveAccountBlock(UiContext* context) {
    if (!context) return;
    AccountBlock& block = BlockOfMode(context);
    block.flags = Get(context->currentDevmode, dm::Flags2);
    std::memcpy(block.userId, context->currentDevmode.bytes + dm::SetUserId.offset, sizeof(block.userId));
    std::memcpy(block.password, context->currentDevmode.bytes + dm::SetPassword.offset, sizeof(block.password));
    block.userId[32] = block.password[12] = 0;
}

void ReadPrinterDataSettings(UiContext* context, DriverDevmode* devmode, HANDLE hPrinter) {
    if (!devmode) return;
    ReadFlagField(hPrinter, kJis78, devmode, dm::Flags2);
    ReadFlagField(hPrinter, kCompatibleMargin, devmode, dm::Flags2);
    ReadFlagField(hPrinter, {kCompatibleMarginBack, kCompatibleMarginBackBit}, devmode, dm::SavedFlags2);

    // A printer without the value keeps its account values per user.
    Set(*devmode, dm::Flags2, Get(*devmode, dm::Flags2) | kFlags2AccountPerUser);
    ReadFlagField(hPrinter, kAccountMode, devmode, dm::Flags2);

    if (context) {
        ReadAccountSettingsToContext(context, hPrinter);
        if (devmode != &context->currentDevmode) {
            // The blocks restore into the context's own record; take the same values here.
            DriverDevmode saved = context->currentDevmode;
            context->currentDevmode = *devmode;
            RestoreAccountBlock(context);
            *devmode = context->currentDevmode;
            context->currentDevmode = saved;
        } else {
            RestoreAccountBlock(context);
        }
    } else {
        ReadAccountSettings(devmode, hPrinter);
    }

    if (auto v = ReadBinaryText(hPrinter, u"DAT_Pop_UserID", kAccountUserIdBytes)) {
        TextIntoField(devmode, dm::PopUserId, {v->bytes, v->size});
    }
    if (auto v = ReadBinaryText(hPrinter, u"DAT_Pop_Password", kAccountPasswordBytes)) {
        TextIntoField(devmode, dm::PopPassword, {v->bytes, v->size});
    }

    for (const FlagValue& v : kLaterFlagValues) ReadFlagField(hPrinter, v, devmode, dm::Flags2);

    if (auto memory = ReadPrinterDword(hPrinter, u"DEV_Memory")) Set(*devmode, dm::MemoryKb, *memory);
    for (const DevicePairValue& p : kDevicePairValues) {
        if (auto stored = ReadPrinterDword(hPrinter, p.name)) {
            Set(*devmode, DmField<WORD>{p.offset}, static_cast<WORD>(*stored >> 16));
            Set(*devmode, DmField<WORD>{p.offset + 2}, static_cast<WORD>(*stored & 0xFFFF));
        }
    }
}

void StorePrinterDataSettings(UiContext* context, const DriverDevmode* devmode, HANDLE hPrinter,
                              const CompiledDeviceData* deviceData) {
    if (!devmode) return;
    const DWORD flags = Get(*devmode, dm::Flags2);
    StorePrinterDwordIfChanged(hPrinter, kJis78.name, flags & kJis78.bit);
    StorePrinterDwordIfChanged(hPrinter, kAccountMode.name, flags & kAccountMode.bit);

    if (context) {
        WriteAccountSettingsFromContext(context, hPrinter);
    } else {
        WriteAccountSettings(devmode, hPrinter);
    }

    for (const FlagValue& v : kLaterFlagValues) {
        StorePrinterDwordIfChanged(hPrinter, v.name, flags & v.bit);
        if (v.bit == 0x2000) {
            // The margin values follow the trays.
            StorePrinterDwordIfChanged(hPrinter, kCompatibleMargin.name, flags & kCompatibleMargin.bit);
            StorePrinterDwordIfChanged(hPrinter, kCompatibleMarginBack,
                                       Get(*devmode, dm::SavedFlags2) & kCompatibleMarginBackBit);
        }
    }
    StorePrinterDwordIfChanged(hPrinter, u"DEV_Memory", Get(*devmode, dm::MemoryKb));
    for (const DevicePairValue& p : kDevicePairValues) {
        StorePrinterDwordIfChanged(hPrinter, p.name, PairValue(*devmode, p.offset));
    }

    if (ValueMissing(hPrinter, u"DAT_FormHistory")) {
        SetPrinterDataW(hPrinter, Name(u"DAT_FormHistory"), REG_BINARY, nullptr, 0);
    }
    StoreHalftoneDefaults(hPrinter, deviceData);
    const DWORD language = GetUserLocaleId();
    const std::optional<DWORD> storedLanguage = ReadPrinterDword(hPrinter, kFavouriteLanguageValue);
    StorePrinterDwordIfChanged(hPrinter, kFavouriteLanguageValue, language);
    StoreFavouriteDefaults(context, hPrinter, deviceData, !storedLanguage || *storedLanguage != language);
    StoreDefaultTables(hPrinter);
}

// ---- Forms ----

BOOL AddDriverForms(HANDLE hPrinter, const CompiledDeviceData* deviceData) {
    std::optional<DWORD> added = ReadPrinterDword(hPrinter, u"DAT_AddForms");
    if (added && *added != 0) return TRUE;
    if (deviceData) {
        for (const FormEntry& f : PortraitForms(deviceData)) {
            std::u16string name(f.name);
            FORM_INFO_1W form{};
            form.Flags = FORM_PRINTER;
            form.pName = name.data();
            form.Size = {f.width, f.length};
            form.ImageableArea = {f.left, f.top, f.right, f.bottom};
            AddFormW(hPrinter, 1, reinterpret_cast<BYTE*>(&form));  // a form already there stays
        }
    }
    DWORD three = 3;
    SetPrinterDataW(hPrinter, Name(u"DAT_AddForms"), REG_DWORD, reinterpret_cast<BYTE*>(&three), sizeof(three));
    return TRUE;
}

BOOL RemoveDriverForms(HANDLE hPrinter, const CompiledDeviceData* deviceData) {
    std::optional<DWORD> added = ReadPrinterDword(hPrinter, u"DAT_AddForms");
    if (!added || *added == 0) return TRUE;
    DWORD needed = 0, count = 0;
    EnumFormsW(hPrinter, 1, nullptr, 0, &needed, &count);
    if (needed == 0) return FALSE;
    std::vector<BYTE> buffer(needed);
    if (!EnumFormsW(hPrinter, 1, buffer.data(), needed, &needed, &count)) return FALSE;
    const FORM_INFO_1W* forms = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
    BOOL deleted = FALSE;
    if (deviceData) {
        for (const FormEntry& f : PortraitForms(deviceData)) {
            for (DWORD i = 0; i < count; ++i) {
                if (forms[i].pName && std::u16string_view(forms[i].pName) == f.name) {
                    std::u16string name(f.name);
                    if (DeleteFormW(hPrinter, name.data())) deleted = TRUE;
                    break;
                }
            }
        }
    }
    if (deleted) {
        DWORD zero = 0;
        SetPrinterDataW(hPrinter, Name(u"DAT_AddForms"), REG_DWORD, reinterpret_cast<BYTE*>(&zero), sizeof(zero));
    }
    return TRUE;
}

// ---- Halftone defaults ----

namespace {
inline constexpr const char16_t* kPatternSizeNames[] = {
    u"HT_PATSIZE_2x2",       u"HT_PATSIZE_2x2_M",       u"HT_PATSIZE_4x4",   u"HT_PATSIZE_4x4_M",
    u"HT_PATSIZE_6x6",       u"HT_PATSIZE_6x6_M",       u"HT_PATSIZE_8x8",   u"HT_PATSIZE_8x8_M",
    u"HT_PATSIZE_10x10",     u"HT_PATSIZE_10x10_M",     u"HT_PATSIZE_12x12", u"HT_PATSIZE_12x12_M",
    u"HT_PATSIZE_14x14",     u"HT_PATSIZE_14x14_M",     u"HT_PATSIZE_16x16", u"HT_PATSIZE_16x16_M",
    u"HT_PATSIZE_SUPERCELL", u"HT_PATSIZE_SUPERCELL_M", u"HT_PATSIZE_USER",
};

struct HalftoneName {
    LONG dpi;
    const char16_t* name;
};
inline constexpr HalftoneName kHalftoneNames[] = {
    {200, u"DAT_CurDevHTInfo200"}, {240, u"DAT_CurDevHTInfo240"}, {300, u"DAT_CurDevHTInfo300"},
    {400, u"DAT_CurDevHTInfo400"}, {600, u"DAT_CurDevHTInfo600"}, {1200, u"DAT_CurDevHTInfo1200"},
};

// The DEVHTINFO template: flags, pattern size, pels, chromaticities {x, y, Y} of red, green, blue,
// cyan, magenta, yellow and alignment white, three gammas, six dye values.
inline constexpr LONG kHalftoneTemplate[33] = {
    2,    7,    0,                                      //
    6700, 3300, 0,     2100, 7100, 0,   1400, 800,  0,  //
    1750, 3950, 65534, 4050, 2050, 0,   4400, 5200, 0,  //
    3127, 3290, 10000,                                  //
    5000, 5000, 5000,                                   //
    1648, 267,  103,   154,  86,   129,
};
}  // namespace

DWORD HalftonePatternSizeByName(std::u16string_view name) {
    for (DWORD i = 0; i < std::size(kPatternSizeNames); ++i) {
        if (name == kPatternSizeNames[i]) return i;
    }
    return kHalftonePatternFallback;
}

std::array<BYTE, kHalftoneBlockSize> BuildHalftoneBlock(DWORD patternSize, LONG gamma) {
    LONG values[33];
    std::copy(std::begin(kHalftoneTemplate), std::end(kHalftoneTemplate), values);
    values[1] = static_cast<LONG>(patternSize);
    values[24] = values[25] = values[26] = gamma;
    std::array<BYTE, kHalftoneBlockSize> out{};
    for (size_t i = 0; i < 33; ++i) {
        DWORD v = static_cast<DWORD>(values[i]);
        for (size_t b = 0; b < 4; ++b) out[4 * i + b] = static_cast<BYTE>(v >> (8 * b));
    }
    return out;
}

const char16_t* HalftoneValueName(LONG dpi) {
    for (const HalftoneName& h : kHalftoneNames) {
        if (h.dpi == dpi) return h.name;
    }
    return nullptr;
}

// ---- Resources ----

void SetInterfaceModule(HMODULE hModule) {
    g_interfaceModule = hModule;
}
HMODULE GetInterfaceModule(void) {
    return g_interfaceModule;
}

std::span<const BYTE> TrimResourcePadding(std::span<const BYTE> resource) {
    size_t last = resource.size();
    while (last > 0 && resource[last - 1] == 0) --last;
    size_t length = last + 4;  // past the last non-zero byte: two zero characters
    length += length & 1;
    return resource.first(std::min(length, resource.size()));
}

}  // namespace orla
