// How a module offers entry points by ordinal: it exports, with C linkage, one table named
// "OrlaOrdinalTable" of {ordinal, exported name} pairs ended by ordinal 0. GetProcAddress with
// MAKEINTRESOURCE(ordinal) finds the name there and the entry point by that name.
#pragma once

#include "win/base.h"

extern "C" {

typedef struct _ORLA_ORDINAL {
    WORD ordinal;
    const char* name;
} ORLA_ORDINAL;

}  // extern "C"

#define ORLA_ORDINAL_TABLE_SYMBOL "OrlaOrdinalTable"
