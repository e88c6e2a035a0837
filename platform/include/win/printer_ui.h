// The printer interface DLL's side of the spooler, GDI and the common property sheet UI: the
// headers its exports receive, the capability and mode codes, printer events and upgrade.
#pragma once

#include <cstddef>

#include "win/base.h"
#include "win/compstui.h"
#include "win/devmode.h"

extern "C" {

// ---- DrvDeviceCapabilities ----
#define DC_FIELDS 1
#define DC_PAPERS 2
#define DC_PAPERSIZE 3
#define DC_MINEXTENT 4
#define DC_MAXEXTENT 5
#define DC_BINS 6
#define DC_DUPLEX 7
#define DC_SIZE 8
#define DC_EXTRA 9
#define DC_VERSION 10
#define DC_DRIVER 11
#define DC_BINNAMES 12
#define DC_ENUMRESOLUTIONS 13
#define DC_FILEDEPENDENCIES 14
#define DC_TRUETYPE 15
#define DC_PAPERNAMES 16
#define DC_ORIENTATION 17
#define DC_COPIES 18
#define DC_BINADJUST 19
#define DC_EMF_COMPLIANT 20
#define DC_DATATYPE_PRODUCED 21
#define DC_COLLATE 22
#define DC_MANUFACTURER 23
#define DC_MODEL 24
#define DC_PERSONALITY 25
#define DC_PRINTRATE 26
#define DC_PRINTRATEUNIT 27
#define DC_PRINTERMEM 28
#define DC_MEDIAREADY 29
#define DC_STAPLE 30
#define DC_PRINTRATEPPM 31
#define DC_COLORDEVICE 32
#define DC_NUP 33
#define PRINTRATEUNIT_PPM 1
#define GDI_ERROR 0xFFFFFFFFL

// ---- Document properties: fMode bits ----
#define DM_UPDATE 1
#define DM_COPY 2
#define DM_PROMPT 4
#define DM_MODIFY 8
#define DM_IN_BUFFER DM_MODIFY
#define DM_IN_PROMPT DM_PROMPT
#define DM_OUT_BUFFER DM_COPY
#define DM_OUT_DEFAULT DM_UPDATE
#define DM_ADVANCED 0x10
#define DM_NOPERMISSION 0x20
#define DM_USER_DEFAULT 0x40

#ifndef IDOK
#define IDOK 1
#define IDCANCEL 2
#endif

// ---- Property-sheet headers and the common property sheet UI ----
#define DPS_NOPERMISSION 0x0001

typedef struct _DEVICEPROPERTYHEADER {
    WORD cbSize;
    WORD Flags;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
} DEVICEPROPERTYHEADER, *PDEVICEPROPERTYHEADER;

typedef struct _DOCUMENTPROPERTYHEADER {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    LPDEVMODEW pdmIn;
    LPDEVMODEW pdmOut;
    DWORD cbOut;
    DWORD fMode;
} DOCUMENTPROPERTYHEADER, *PDOCUMENTPROPERTYHEADER;

// The sheet request and its header come from win/compstui.h (one declaration of each).

// ---- DevQueryPrintEx ----
typedef struct _DEVQUERYPRINT_INFO {
    WORD cbSize;
    WORD Level;
    HANDLE hPrinter;
    LPDEVMODEW pDevMode;
    LPWSTR pszErrorStr;
    DWORD cchErrorStr;
    DWORD cchNeeded;
} DEVQUERYPRINT_INFO, *PDEVQUERYPRINT_INFO;

// ---- Printer events and upgrade ----
#define PRINTER_EVENT_ADD_CONNECTION 1
#define PRINTER_EVENT_DELETE_CONNECTION 2
#define PRINTER_EVENT_INITIALIZE 3
#define PRINTER_EVENT_DELETE 4
#define PRINTER_EVENT_CACHE_REFRESH 5
#define PRINTER_EVENT_CACHE_DELETE 6
#define PRINTER_EVENT_ATTRIBUTES_CHANGED 7
#define PRINTER_EVENT_FLAG_NO_UI 0x00000001

typedef struct _DRIVER_UPGRADE_INFO_1 {
    LPWSTR pPrinterName;
    LPWSTR pOldDriverDirectory;
} DRIVER_UPGRADE_INFO_1, *PDRIVER_UPGRADE_INFO_1;

}  // extern "C"

// The layouts as 64-bit Windows has them (the spooler and compstui hand them over as such).
static_assert(sizeof(DEVICEPROPERTYHEADER) == 24 && offsetof(DEVICEPROPERTYHEADER, pszPrinterName) == 16);
static_assert(sizeof(DOCUMENTPROPERTYHEADER) == 48 && offsetof(DOCUMENTPROPERTYHEADER, cbOut) == 40);
static_assert(sizeof(PROPSHEETUI_INFO) == 48 && offsetof(PROPSHEETUI_INFO, lParamInit) == 24);
static_assert(sizeof(PROPSHEETUI_INFO_HEADER) == 40 && offsetof(PROPSHEETUI_INFO_HEADER, IconID) == 32);
static_assert(sizeof(DEVQUERYPRINT_INFO) == 40 && offsetof(DEVQUERYPRINT_INFO, cchErrorStr) == 32);
static_assert(sizeof(DRIVER_UPGRADE_INFO_1) == 16);
