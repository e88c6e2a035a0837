// How a resource module carries a menu: an RT_MENU entry (type 4) of its resource table whose
// data is one ORLA_MENU_TEMPLATE (size = sizeof the record).
#pragma once

#include "win/base.h"

extern "C" {

#define ORLA_MENU_SIGNATURE 0x554E454Du  // "MENU"

struct _ORLA_MENU_TEMPLATE;
typedef struct _ORLA_MENU_ITEM {
    UINT id;                                  // command id (0 for separators and pop-ups)
    LPCWSTR text;                             // null for a separator
    UINT flags;                               // MF_ flags: MF_POPUP, MF_GRAYED, MF_CHECKED, MF_SEPARATOR
    const struct _ORLA_MENU_TEMPLATE* popup;  // with MF_POPUP
} ORLA_MENU_ITEM;

typedef struct _ORLA_MENU_TEMPLATE {
    DWORD signature;  // ORLA_MENU_SIGNATURE
    UINT itemCount;
    const ORLA_MENU_ITEM* items;
} ORLA_MENU_TEMPLATE;

}  // extern "C"
