// The string table of one language resource DLL, as entries of its resource table.
#pragma once

#include "plat/resource_table.h"

// One string resource: its id and its text (no terminator stored).
#define LANG_STRING(id, text) \
    { 6, nullptr, (id), nullptr, (text), static_cast<DWORD>(sizeof(text) - sizeof(char16_t)) }

extern const ORLA_RESOURCE kLangStrings[];
extern const DWORD kLangStringCount;
