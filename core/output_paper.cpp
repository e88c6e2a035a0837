// The output paper table "TBL_OutPaperTable": pairs of NUL-terminated UTF-16 strings
// {document form, output form}, one after another, with no count.
#include "core/settings_resolver.h"
#include "win/kernel.h"

namespace orla {

namespace {

// Reads one NUL-terminated string starting at unit `at`; FALSE when no terminator follows.
bool ReadString(std::span<const BYTE> value, size_t* at, std::u16string* out) {
    const size_t units = value.size() / 2;
    out->clear();
    for (size_t i = *at; i < units; ++i) {
        char16_t c = static_cast<char16_t>(value[2 * i] | (value[2 * i + 1] << 8));
        if (c == 0) {
            *at = i + 1;
            return true;
        }
        out->push_back(c);
    }
    return false;
}

void AppendString(std::vector<BYTE>* bytes, std::u16string_view s) {
    for (char16_t c : s) {
        bytes->push_back(static_cast<BYTE>(c & 0xFF));
        bytes->push_back(static_cast<BYTE>(c >> 8));
    }
    bytes->push_back(0);
    bytes->push_back(0);
}

}  // namespace

BOOL ParseOutPaperTable(std::span<const BYTE> value, std::vector<OutPaperPair>* pairs) {
    if (!pairs) return FALSE;
    pairs->clear();
    size_t at = 0;
    const size_t units = value.size() / 2;
    while (at < units) {
        OutPaperPair pair;
        if (!ReadString(value, &at, &pair.document)) return FALSE;
        if (pair.document.empty()) return TRUE;
        if (!ReadString(value, &at, &pair.output)) return FALSE;
        pairs->push_back(std::move(pair));
    }
    return value.size() % 2 == 0 ? TRUE : FALSE;
}

std::vector<BYTE> BuildOutPaperTable(std::span<const OutPaperPair> pairs) {
    std::vector<BYTE> bytes;
    for (const OutPaperPair& p : pairs) {
        if (p.document.empty()) continue;  // an empty name would end the table early
        AppendString(&bytes, p.document);
        AppendString(&bytes, p.output);
    }
    if (bytes.empty()) bytes.assign(4, 0);
    return bytes;
}

std::vector<BYTE> ReadOutPaperTable(HANDLE hPrinter) {
    WCHAR name[] = u"TBL_OutPaperTable";
    DWORD type = 0;
    DWORD needed = 0;
    DWORD rc = GetPrinterDataW(hPrinter, name, &type, nullptr, 0, &needed);
    if ((rc != ERROR_MORE_DATA && rc != ERROR_SUCCESS) || needed == 0) return {};
    std::vector<BYTE> value(needed);
    rc = GetPrinterDataW(hPrinter, name, &type, value.data(), needed, &needed);
    if (rc != ERROR_SUCCESS) return {};
    if (needed < value.size()) value.resize(needed);
    return value;
}

}  // namespace orla
