// Installed-option entries of "PrinterOptConfig".
#include "monitor/printer_options.h"

#include <cstring>
#include <vector>

#include "monitor/status_variables.h"

namespace {

struct OptionEntry {
    WORD key;
    WORD key2;
    DWORD value;
};

std::vector<OptionEntry> ReadEntries(const StatusVariable* row) {
    std::vector<OptionEntry> entries;
    if (!row->value) return entries;
    DWORD count = 0;
    std::memcpy(&count, row->value, 4);
    for (DWORD i = 0; i < count; ++i) {
        const BYTE* at = row->value + 4 + i * kOptionEntrySize;
        OptionEntry e{};
        std::memcpy(&e.key, at, 2);
        std::memcpy(&e.key2, at + 2, 2);
        std::memcpy(&e.value, at + 4, 4);
        entries.push_back(e);
    }
    return entries;
}

BOOL Store(StatusVariable* row, const std::vector<OptionEntry>& entries) {
    std::vector<BYTE> bytes(4 + entries.size() * kOptionEntrySize);
    DWORD count = static_cast<DWORD>(entries.size());
    std::memcpy(bytes.data(), &count, 4);
    for (size_t i = 0; i < entries.size(); ++i) {
        BYTE* at = bytes.data() + 4 + i * kOptionEntrySize;
        std::memcpy(at, &entries[i].key, 2);
        std::memcpy(at + 2, &entries[i].key2, 2);
        std::memcpy(at + 4, &entries[i].value, 4);
    }
    if (StoreVariableValue(row, bytes.data(), static_cast<DWORD>(bytes.size()), FALSE) != 1) return FALSE;
    row->dirty = TRUE;
    return TRUE;
}

}  // namespace

BOOL SetPrinterOptConfig(WORD key, WORD key2, DWORD value, PortRecord* port) {
    PortLock lock(port);
    StatusVariable* row = FindVariable("PrinterOptConfig", port->variables, port);
    if (!row) return FALSE;
    std::vector<OptionEntry> entries = ReadEntries(row);
    for (const OptionEntry& e : entries)
        if (e.key == key && e.key2 == key2) return FALSE;
    size_t at = entries.size();
    for (size_t i = 0; i + 1 < entries.size(); ++i) {
        if (entries[i].key >= key && entries[i + 1].key < key) {
            at = i + 1;
            break;
        }
    }
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at), OptionEntry{key, key2, value});
    return Store(row, entries);
}

BOOL RemovePrinterOptConfig(WORD key, WORD key2, PortRecord* port) {
    PortLock lock(port);
    StatusVariable* row = FindVariable("PrinterOptConfig", port->variables, port);
    if (!row) return FALSE;
    std::vector<OptionEntry> entries = ReadEntries(row);
    std::vector<OptionEntry> kept;
    for (const OptionEntry& e : entries)
        if (!(e.key == key && e.key2 == key2)) kept.push_back(e);
    return Store(row, kept);
}
