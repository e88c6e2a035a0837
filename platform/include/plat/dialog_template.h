// How a resource module carries a dialog template: an RT_DIALOG entry of its resource table whose
// data is one ORLA_DIALOG_TEMPLATE (size = sizeof the record). Positions and sizes are in dialog
// units, as the resource compiler's templates are; the dialog's size is its client area.
#pragma once

#include "win/base.h"

extern "C" {

#define ORLA_DIALOG_SIGNATURE 0x474C444Fu  // "ODLG"

typedef struct _ORLA_DIALOG_ITEM {
    LPCWSTR className;  // "Button", "Edit", "Static", "ComboBox", ... or a registered class
    LPCWSTR text;       // may be null
    WORD id;
    DWORD style;  // WS_CHILD is implied
    DWORD exStyle;
    SHORT x, y, cx, cy;
} ORLA_DIALOG_ITEM;

typedef struct _ORLA_DIALOG_TEMPLATE {
    DWORD signature;  // ORLA_DIALOG_SIGNATURE
    DWORD style;
    DWORD exStyle;
    SHORT x, y, cx, cy;
    LPCWSTR caption;
    LPCWSTR fontName;  // the dialog font; the renderer draws all text in its own faces
    WORD pointSize;
    WORD itemCount;
    const ORLA_DIALOG_ITEM* items;
} ORLA_DIALOG_TEMPLATE;

}  // extern "C"
