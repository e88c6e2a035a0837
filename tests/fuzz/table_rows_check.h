// What the device tables' dialogs do with a stored value, checked on any bytes: the pairs set
// only rows and choices that exist, a row no pair names keeps its index, and what the rows then
// hold writes back to a value that sets the same rows again.
#pragma once

#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "ui/tools/device_tables.h"

inline void CheckTableRows(std::span<const BYTE> value, const std::vector<std::u16string>& rows,
                           const std::vector<std::u16string>& choices, const std::vector<int>& start) {
    std::vector<int> indexes = start;
    const int applied = orla::ApplyTablePairs(value, rows, choices, indexes);
    if (applied < 0 || static_cast<size_t>(applied) * 4 > value.size()) std::abort();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (indexes[i] == start[i]) continue;
        if (indexes[i] < 1 || static_cast<size_t>(indexes[i]) >= choices.size()) std::abort();
    }
    // The value OK would write holds exactly the rows with a choice, and reads back to them.
    const std::vector<BYTE> written = orla::BuildTableValue(rows, choices, indexes);
    std::vector<int> again(rows.size(), 0);
    orla::ApplyTablePairs(written, rows, choices, again);
    for (size_t i = 0; i < rows.size(); ++i) {
        const bool chosen = indexes[i] >= 1 && static_cast<size_t>(indexes[i]) < choices.size();
        if (again[i] != (chosen ? indexes[i] : 0)) std::abort();
    }
}
