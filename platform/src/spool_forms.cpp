// The spooler's forms: the built-in list in the spooler's order (a form's position + 1 is its
// DMPAPER code), then the forms added with AddForm, kept in HKLM. A Japanese system (ANSI
// code page 932) names some built-in forms in Japanese, as the Japanese spooler does.
#include "plat_internal.h"
#include "spool_internal.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/spool.h"

namespace plat {
namespace {

struct BuiltinForm {
    const char16_t* name;      // English system
    const char16_t* japanese;  // Japanese system, or null when the name is the same
    LONG cx;                   // micrometres
    LONG cy;
};

// Position + 1 = DMPAPER code. 48 and 49 are reserved slots the spooler lists too.
constexpr BuiltinForm kBuiltinForms[] = {
    {u"Letter", nullptr, 215900, 279400},
    {u"Letter Small", nullptr, 215900, 279400},
    {u"Tabloid", nullptr, 279400, 431800},
    {u"Ledger", nullptr, 431800, 279400},
    {u"Legal", nullptr, 215900, 355600},
    {u"Statement", nullptr, 139700, 215900},
    {u"Executive", nullptr, 184150, 266700},
    {u"A3", nullptr, 297000, 420000},
    {u"A4", nullptr, 210000, 297000},
    {u"A4 Small", nullptr, 210000, 297000},
    {u"A5", nullptr, 148000, 210000},
    {u"B4 (JIS)", nullptr, 257000, 364000},
    {u"B5 (JIS)", nullptr, 182000, 257000},
    {u"Folio", nullptr, 215900, 330200},
    {u"Quarto", nullptr, 215000, 275000},
    {u"10x14", nullptr, 254000, 355600},
    {u"11x17", nullptr, 279400, 431800},
    {u"Note", nullptr, 215900, 279400},
    {u"Envelope #9", nullptr, 98425, 225425},
    {u"Envelope #10", nullptr, 104775, 241300},
    {u"Envelope #11", nullptr, 114300, 263525},
    {u"Envelope #12", nullptr, 120650, 279400},
    {u"Envelope #14", nullptr, 127000, 292100},
    {u"C size sheet", nullptr, 431800, 558800},
    {u"D size sheet", nullptr, 558800, 863600},
    {u"E size sheet", nullptr, 863600, 1117600},
    {u"Envelope DL", nullptr, 110000, 220000},
    {u"Envelope C5", nullptr, 162000, 229000},
    {u"Envelope C3", nullptr, 324000, 458000},
    {u"Envelope C4", nullptr, 229000, 324000},
    {u"Envelope C6", nullptr, 114000, 162000},
    {u"Envelope C65", nullptr, 114000, 229000},
    {u"Envelope B4", nullptr, 250000, 353000},
    {u"Envelope B5", nullptr, 176000, 250000},
    {u"Envelope B6", nullptr, 176000, 125000},
    {u"Envelope", nullptr, 110000, 230000},
    {u"Envelope Monarch", nullptr, 98425, 190500},
    {u"6 3/4 Envelope", nullptr, 92075, 165100},
    {u"US Std Fanfold", nullptr, 377825, 279400},
    {u"German Std Fanfold", nullptr, 215900, 304800},
    {u"German Legal Fanfold", nullptr, 215900, 330200},
    {u"B4 (ISO)", nullptr, 250000, 353000},
    {u"Japanese Postcard", u"はがき", 100000, 148000},
    {u"9x11", nullptr, 228600, 279400},
    {u"10x11", nullptr, 254000, 279400},
    {u"15x11", nullptr, 381000, 279400},
    {u"Envelope Invite", nullptr, 220000, 220000},
    {u"Reserved48", nullptr, 1000, 1000},
    {u"Reserved49", nullptr, 1000, 1000},
    {u"Letter Extra", nullptr, 241300, 304800},
    {u"Legal Extra", nullptr, 241300, 381000},
    {u"Tabloid Extra", nullptr, 296926, 457200},
    {u"A4 Extra", nullptr, 235458, 322326},
    {u"Letter Transverse", nullptr, 210185, 279400},
    {u"A4 Transverse", nullptr, 210000, 297000},
    {u"Letter Extra Transverse", nullptr, 241300, 304800},
    {u"Super A", nullptr, 227000, 356000},
    {u"Super B", nullptr, 305000, 487000},
    {u"Letter Plus", nullptr, 215900, 322326},
    {u"A4 Plus", nullptr, 210000, 330000},
    {u"A5 Transverse", nullptr, 148000, 210000},
    {u"B5 (JIS) Transverse", nullptr, 182000, 257000},
    {u"A3 Extra", nullptr, 322000, 445000},
    {u"A5 Extra", nullptr, 174000, 235000},
    {u"B5 (ISO) Extra", nullptr, 201000, 276000},
    {u"A2", nullptr, 420000, 594000},
    {u"A3 Transverse", nullptr, 297000, 420000},
    {u"A3 Extra Transverse", nullptr, 322000, 445000},
    {u"Japanese Double Postcard", u"往復はがき", 200000, 148000},
    {u"A6", nullptr, 105000, 148000},
    {u"Japanese Envelope Kaku #2", u"封筒 角形 2 号", 240000, 332000},
    {u"Japanese Envelope Kaku #3", u"封筒 角形 3 号", 216000, 277000},
    {u"Japanese Envelope Chou #3", u"封筒 長形 3 号", 120000, 235000},
    {u"Japanese Envelope Chou #4", u"封筒 長形 4 号", 90000, 205000},
    {u"Letter Rotated", u"Letter 横", 279400, 215900},
    {u"A3 Rotated", u"A3 横", 420000, 297000},
    {u"A4 Rotated", u"A4 横", 297000, 210000},
    {u"A5 Rotated", u"A5 横", 210000, 148000},
    {u"B4 (JIS) Rotated", u"B4 (JIS) 横", 364000, 257000},
    {u"B5 (JIS) Rotated", u"B5 (JIS) 横", 257000, 182000},
    {u"Japanese Postcard Rotated", u"はがき 横", 148000, 100000},
    {u"Double Japan Postcard Rotated", u"往復はがき 横", 148000, 200000},
    {u"A6 Rotated", u"A6 横", 148000, 105000},
    {u"Japan Envelope Kaku #2 Rotated", u"封筒 角形 2 号 横", 332000, 240000},
    {u"Japan Envelope Kaku #3 Rotated", u"封筒 角形 3 号 横", 277000, 216000},
    {u"Japan Envelope Chou #3 Rotated", u"封筒 長形 3 号 横", 235000, 120000},
    {u"Japan Envelope Chou #4 Rotated", u"封筒 長形 4 号 横", 205000, 90000},
    {u"B6 (JIS)", nullptr, 128000, 182000},
    {u"B6 (JIS) Rotated", u"B6 (JIS) 横", 182000, 128000},
    {u"12x11", nullptr, 304800, 279400},
    {u"Japanese Envelope You #4", u"封筒 洋形 4 号", 105000, 235000},
    {u"Japan Envelope You #4 Rotated", u"封筒 洋形 4 号 横", 235000, 105000},
    {u"PRC 16K", nullptr, 146000, 215000},
    {u"PRC 32K", nullptr, 97000, 151000},
    {u"PRC 32K(Big)", nullptr, 97000, 151000},
    {u"PRC Envelope #1", nullptr, 102000, 165000},
    {u"PRC Envelope #2", nullptr, 102000, 176000},
    {u"PRC Envelope #3", nullptr, 125000, 176000},
    {u"PRC Envelope #4", nullptr, 110000, 208000},
    {u"PRC Envelope #5", nullptr, 110000, 220000},
    {u"PRC Envelope #6", nullptr, 120000, 230000},
    {u"PRC Envelope #7", nullptr, 160000, 230000},
    {u"PRC Envelope #8", nullptr, 120000, 309000},
    {u"PRC Envelope #9", nullptr, 229000, 324000},
    {u"PRC Envelope #10", nullptr, 324000, 458000},
    {u"PRC 16K Rotated", nullptr, 215000, 146000},
    {u"PRC 32K Rotated", nullptr, 151000, 97000},
    {u"PRC 32K(Big) Rotated", nullptr, 151000, 97000},
    {u"PRC Envelope #1 Rotated", nullptr, 165000, 102000},
    {u"PRC Envelope #2 Rotated", nullptr, 176000, 102000},
    {u"PRC Envelope #3 Rotated", nullptr, 176000, 125000},
    {u"PRC Envelope #4 Rotated", nullptr, 208000, 110000},
    {u"PRC Envelope #5 Rotated", nullptr, 220000, 110000},
    {u"PRC Envelope #6 Rotated", nullptr, 230000, 120000},
    {u"PRC Envelope #7 Rotated", nullptr, 230000, 160000},
    {u"PRC Envelope #8 Rotated", nullptr, 309000, 120000},
    {u"PRC Envelope #9 Rotated", nullptr, 324000, 229000},
    {u"PRC Envelope #10 Rotated", nullptr, 458000, 324000},
};
static_assert(sizeof(kBuiltinForms) / sizeof(kBuiltinForms[0]) == 118, "one form per DMPAPER code 1-118");

struct Form {
    DWORD flags;
    std::u16string name;
    SIZEL size;
    RECTL area;
};

// Stored form value: cx, cy, left, top, right, bottom (LONG each), flags (DWORD).
constexpr size_t kStoredFormSize = 28;

bool JapaneseSystem() {
    return GetACP() == 932;
}

std::vector<Form> AllForms() {
    std::vector<Form> forms;
    bool japanese = JapaneseSystem();
    for (const auto& b : kBuiltinForms) {
        forms.push_back(Form{FORM_BUILTIN, (japanese && b.japanese) ? b.japanese : b.name, SIZEL{b.cx, b.cy},
                             RECTL{0, 0, b.cx, b.cy}});
    }
    UniqueKey key = OpenKey(kFormsKey, false);
    if (!key) return forms;
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD nameLen = 256, type = 0;
        BYTE data[64];
        DWORD size = sizeof data;
        LONG rc = RegEnumValueW(key.get(), i, name, &nameLen, nullptr, &type, data, &size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS || type != REG_BINARY || size != kStoredFormSize) continue;  // not a form record
        LONG v[6];
        DWORD flags;
        std::memcpy(v, data, sizeof v);
        std::memcpy(&flags, data + 24, 4);
        forms.push_back(Form{flags, name, SIZEL{v[0], v[1]}, RECTL{v[2], v[3], v[4], v[5]}});
    }
    return forms;
}

void FillForm(FORM_INFO_1W& info, Packer& p, const Form& f) {
    info.Flags = f.flags;
    info.pName = p.Str(f.name);
    info.Size = f.size;
    info.ImageableArea = f.area;
}

std::shared_ptr<PrinterHandle> FormHandle(HANDLE h) {
    return GetPrinterHandle(h);
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

BOOL EnumFormsW(HANDLE hPrinter, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) {
    if (!FormHandle(hPrinter)) return FALSE;
    if (!pcbNeeded || !pcReturned) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (Level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    std::vector<Form> forms = AllForms();
    return PackRecords<FORM_INFO_1W>(
        forms.size(), [&](FORM_INFO_1W& info, Packer& p, size_t i) { FillForm(info, p, forms[i]); }, pForm, cbBuf,
        pcbNeeded, pcReturned);
}

BOOL GetFormW(HANDLE hPrinter, LPWSTR pFormName, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded) {
    if (!FormHandle(hPrinter)) return FALSE;
    if (!pcbNeeded || !pFormName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (Level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    for (const Form& f : AllForms()) {
        if (!EqualNoCase(f.name, pFormName)) continue;
        return PackRecords<FORM_INFO_1W>(
            1, [&](FORM_INFO_1W& info, Packer& p, size_t) { FillForm(info, p, f); }, pForm, cbBuf, pcbNeeded, nullptr);
    }
    SetLastError(ERROR_INVALID_FORM_NAME);
    return FALSE;
}

BOOL AddFormW(HANDLE hPrinter, DWORD Level, LPBYTE pForm) {
    auto h = FormHandle(hPrinter);
    if (!h) return FALSE;
    if (Level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (!IsAdmin(*h)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    auto* info = reinterpret_cast<const FORM_INFO_1W*>(pForm);
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string_view name = View(info->pName);
    if (name.empty() || name.size() >= 64 || name.find(u'\\') != std::u16string_view::npos) {
        SetLastError(ERROR_INVALID_FORM_NAME);
        return FALSE;
    }
    if (info->Flags & FORM_BUILTIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECTL& a = info->ImageableArea;
    if (info->Size.cx <= 0 || info->Size.cy <= 0 || a.left < 0 || a.top < 0 || a.right <= a.left || a.bottom <= a.top ||
        a.right > info->Size.cx || a.bottom > info->Size.cy) {
        SetLastError(ERROR_INVALID_FORM_SIZE);
        return FALSE;
    }
    for (const Form& f : AllForms()) {
        if (EqualNoCase(f.name, name)) {
            SetLastError(ERROR_FILE_EXISTS);
            return FALSE;
        }
    }
    UniqueKey key = OpenKey(kFormsKey, true);
    BYTE data[kStoredFormSize];
    LONG v[6] = {info->Size.cx, info->Size.cy, a.left, a.top, a.right, a.bottom};
    std::memcpy(data, v, sizeof v);
    std::memcpy(data + 24, &info->Flags, 4);
    std::u16string n(name);
    LONG rc = key ? RegSetValueExW(key.get(), n.c_str(), 0, REG_BINARY, data, sizeof data) : ERROR_WRITE_FAULT;
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFormW(HANDLE hPrinter, LPWSTR pFormName) {
    auto h = FormHandle(hPrinter);
    if (!h) return FALSE;
    if (!pFormName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsAdmin(*h)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    for (const Form& f : AllForms()) {
        if (!EqualNoCase(f.name, pFormName)) continue;
        if (f.flags & FORM_BUILTIN) {
            SetLastError(ERROR_INVALID_PARAMETER);  // built-in forms stay
            return FALSE;
        }
        UniqueKey key = OpenKey(kFormsKey, false);
        LONG rc = key ? RegDeleteValueW(key.get(), f.name.c_str()) : ERROR_FILE_NOT_FOUND;
        if (rc != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(rc));
            return FALSE;
        }
        return TRUE;
    }
    SetLastError(ERROR_INVALID_FORM_NAME);
    return FALSE;
}

}  // extern "C"
