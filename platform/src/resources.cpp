// A module's resources, read from the table it exports as "OrlaResourceTable".
#include <cstring>

#include "plat/resource_table.h"
#include "plat_internal.h"
#include "win/kernel.h"
#include "win/nls.h"

namespace plat {
const ORLA_RESOURCE_TABLE* ResourceTable(HMODULE h);
bool ModuleKnown(HMODULE h);
}  // namespace plat

namespace {

// An id given as "#123" is the number 123.
bool AsId(LPCWSTR name, WORD* id) {
    if (IS_INTRESOURCE(name)) {
        *id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
        return true;
    }
    if (name[0] != u'#') return false;
    unsigned value = 0;
    for (LPCWSTR p = name + 1; *p; ++p) {
        if (*p < u'0' || *p > u'9' || value > 0xFFFF) return false;
        value = value * 10 + static_cast<unsigned>(*p - u'0');
    }
    if (value > 0xFFFF) return false;
    *id = static_cast<WORD>(value);
    return true;
}

bool Matches(WORD entryId, LPCWSTR entryName, LPCWSTR wanted) {
    WORD id;
    if (AsId(wanted, &id)) return !entryName && entryId == id;
    return entryName && plat::EqualNoCase(entryName, wanted);
}

const ORLA_RESOURCE* EntryFor(HMODULE h, HRSRC res) {
    const ORLA_RESOURCE_TABLE* table = plat::ResourceTable(h);
    if (!table || !res) return nullptr;
    auto p = reinterpret_cast<const ORLA_RESOURCE*>(res);
    if (p < table->entries || p >= table->entries + table->count) return nullptr;
    return p;
}

const ORLA_RESOURCE* FindString(HINSTANCE h, UINT id) {
    const ORLA_RESOURCE_TABLE* table = plat::ResourceTable(h);
    if (!table) return nullptr;
    for (DWORD i = 0; i < table->count; ++i) {
        const ORLA_RESOURCE& e = table->entries[i];
        if (e.type == 6 && !e.typeName && !e.name && e.id == id) return &e;
    }
    return nullptr;
}

// A string's text, without any terminators the table may have stored with it.
std::u16string_view StringText(const ORLA_RESOURCE* e) {
    size_t len = e->size / 2;
    const WCHAR* text = static_cast<const WCHAR*>(e->data);
    while (len > 0 && text[len - 1] == 0) --len;
    return std::u16string_view(text, len);
}

}  // namespace

extern "C" {

HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
    if (!lpName || !lpType) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!plat::ModuleKnown(hModule)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const ORLA_RESOURCE_TABLE* table = plat::ResourceTable(hModule);
    if (!table) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    bool typeSeen = false;
    for (DWORD i = 0; i < table->count; ++i) {
        const ORLA_RESOURCE& e = table->entries[i];
        if (!Matches(e.type, e.typeName, lpType)) continue;
        typeSeen = true;
        if (Matches(e.id, e.name, lpName)) return reinterpret_cast<HRSRC>(const_cast<ORLA_RESOURCE*>(&e));
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo) {
    const ORLA_RESOURCE* e = EntryFor(hModule, hResInfo);
    if (!e) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    // Resource data stays mapped with its module: the "handle" is the data itself.
    return const_cast<void*>(e->data);
}

LPVOID LockResource(HGLOBAL hResData) {
    return hResData;
}

DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    const ORLA_RESOURCE* e = EntryFor(hModule, hResInfo);
    if (!e) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    return e->size;
}

int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer) {
        SetLastError(ERROR_NOACCESS);
        return 0;
    }
    const ORLA_RESOURCE* e = FindString(hInstance, uID);
    std::u16string_view text = e ? StringText(e) : std::u16string_view();
    if (cchBufferMax == 0) {
        // The caller gets a read-only pointer to the text itself, which has no terminator.
        *reinterpret_cast<const WCHAR**>(lpBuffer) = e ? static_cast<const WCHAR*>(e->data) : nullptr;
        if (!e || text.empty()) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return static_cast<int>(text.size());
    }
    if (cchBufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!e || text.empty()) {
        lpBuffer[0] = 0;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    size_t n = std::min(text.size(), static_cast<size_t>(cchBufferMax - 1));
    text.copy(lpBuffer, n);
    lpBuffer[n] = 0;
    return static_cast<int>(n);
}

int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const ORLA_RESOURCE* e = FindString(hInstance, uID);
    if (!e || StringText(e).empty()) {
        lpBuffer[0] = 0;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    std::string text = plat::WideToAnsi(StringText(e));
    size_t n = std::min(text.size(), static_cast<size_t>(cchBufferMax - 1));
    // Never split a double-byte character at the end.
    size_t i = 0;
    while (i < n) {
        size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[i])) ? 2 : 1;
        if (i + step > n) break;
        i += step;
    }
    std::memcpy(lpBuffer, text.data(), i);
    lpBuffer[i] = 0;
    return static_cast<int>(i);
}

}  // extern "C"
