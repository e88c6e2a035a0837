// How a module carries its Windows resources: it exports, with C linkage, one table named
// "OrlaResourceTable". FindResourceW, LoadResource, SizeofResource and LoadStringW read it.
#pragma once

#include "win/base.h"

extern "C" {

typedef struct _ORLA_RESOURCE {
    WORD type;         // RT_ number (6 string, 10 RCDATA, 200, 260, ...) or 0 with typeName
    LPCWSTR typeName;  // named type, or null
    WORD id;           // resource id (for strings: the string id, one entry per string)
    LPCWSTR name;      // named resource, or null
    const void* data;  // for RT_STRING: the UTF-16 text (no terminator needed; size gives its length)
    DWORD size;        // bytes
} ORLA_RESOURCE;

typedef struct _ORLA_RESOURCE_TABLE {
    DWORD count;
    const ORLA_RESOURCE* entries;
} ORLA_RESOURCE_TABLE;

}  // extern "C"

#define ORLA_RESOURCE_TABLE_SYMBOL "OrlaResourceTable"
