// The common property sheet UI (compstui.dll) as printer interface DLLs call it and are called
// back by it.
#pragma once

#include "win/property_sheet.h"

extern "C" {

typedef LONG_PTR(CALLBACK* PFNCOMPROPSHEET)(HANDLE hComPropSheet, UINT Function, LPARAM lParam1, LPARAM lParam2);

typedef struct _PROPSHEETUI_INFO {
    WORD cbSize;
    WORD Version;
    WORD Flags;
    WORD Reason;
    HANDLE hComPropSheet;
    PFNCOMPROPSHEET pfnComPropSheet;
    LPARAM lParamInit;
    ULONG_PTR UserData;
    ULONG_PTR Result;
} PROPSHEETUI_INFO, *PPROPSHEETUI_INFO;

typedef LONG(CALLBACK* PFNPROPSHEETUI)(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam);

typedef struct _PROPSHEETUI_INFO_HEADER {
    WORD cbSize;
    WORD Flags;
    LPCWSTR pTitle;
    HWND hWndParent;
    HINSTANCE hInst;
    union {
        HICON hIcon;
        ULONG_PTR IconID;
    };
} PROPSHEETUI_INFO_HEADER, *PPROPSHEETUI_INFO_HEADER;

// A page set described by option items, for CPSFUNC_ADD_PCOMPROPSHEETUIW. The driver adds its
// pages as property sheet pages; the record is declared for its layout.
struct _CPSUICBPARAM;
struct _OPTITEM;
struct _DLGPAGE;
typedef LONG(CALLBACK* _CPSUICALLBACK)(struct _CPSUICBPARAM* pCPSUICBParam);
typedef struct _COMPROPSHEETUI {
    WORD cbSize;
    WORD Flags;
    HINSTANCE hInstCaller;
    LPWSTR pCallerName;
    ULONG_PTR UserData;
    LPWSTR pHelpFile;
    _CPSUICALLBACK pfnCallBack;
    struct _OPTITEM* pOptItem;
    struct _DLGPAGE* pDlgPage;
    WORD cOptItem;
    WORD cDlgPage;
    ULONG_PTR IconID;
    LPWSTR pOptItemName;
    WORD CallerVersion;
    WORD OptItemVersion;
    ULONG_PTR dwReserved[4];
} COMPROPSHEETUI, *PCOMPROPSHEETUI;

typedef struct _SETRESULT_INFO {
    WORD cbSize;
    WORD wReserved;
    HANDLE hSetResult;
    LRESULT Result;
} SETRESULT_INFO, *PSETRESULT_INFO;

#define PROPSHEETUI_INFO_VERSION 0x0100
#define PROPSHEETUI_REASON_INIT 0
#define PROPSHEETUI_REASON_GET_INFO_HEADER 1
#define PROPSHEETUI_REASON_DESTROY 2
#define PROPSHEETUI_REASON_SET_RESULT 3
#define PSUIHDRF_OBSOLETE 0x0001
#define PSUIHDRF_NOAPPLYNOW 0x0002
#define PSUIHDRF_PROPTITLE 0x0004
#define PSUIHDRF_USEHICON 0x0008
#define IDI_CPSUI_PRINTER 64062

#define CPSFUNC_ADD_HPROPSHEETPAGE 0
#define CPSFUNC_ADD_PROPSHEETPAGEW 1
#define CPSFUNC_ADD_PFNPROPSHEETUIW 5
#define CPSFUNC_DELETE_HCOMPROPSHEET 6
#define CPSFUNC_GET_PAGECOUNT 8
#define CPSFUNC_SET_RESULT 9

#define CPSUI_CANCEL 0
#define CPSUI_OK 1
#define CPSUI_RESTARTWINDOWS 2
#define CPSUI_REBOOTSYSTEM 3
#define ERR_CPSUI_GETLASTERROR (-1)

LONG CommonPropertySheetUIW(HWND hWndOwner, PFNPROPSHEETUI pfnPropSheetUI, LPARAM lParam, LPDWORD pResult);

}  // extern "C"

// Records that cross between the driver and the common property sheet UI.
static_assert(sizeof(PROPSHEETUI_INFO) == 48 && offsetof(PROPSHEETUI_INFO, Reason) == 6 &&
              offsetof(PROPSHEETUI_INFO, hComPropSheet) == 8 && offsetof(PROPSHEETUI_INFO, pfnComPropSheet) == 16 &&
              offsetof(PROPSHEETUI_INFO, lParamInit) == 24 && offsetof(PROPSHEETUI_INFO, UserData) == 32 &&
              offsetof(PROPSHEETUI_INFO, Result) == 40);
static_assert(sizeof(COMPROPSHEETUI) == 128 && offsetof(COMPROPSHEETUI, hInstCaller) == 8 &&
              offsetof(COMPROPSHEETUI, pfnCallBack) == 40 && offsetof(COMPROPSHEETUI, pDlgPage) == 56 &&
              offsetof(COMPROPSHEETUI, cOptItem) == 64 && offsetof(COMPROPSHEETUI, cDlgPage) == 66 &&
              offsetof(COMPROPSHEETUI, IconID) == 72 && offsetof(COMPROPSHEETUI, pOptItemName) == 80 &&
              offsetof(COMPROPSHEETUI, CallerVersion) == 88 && offsetof(COMPROPSHEETUI, OptItemVersion) == 90 &&
              offsetof(COMPROPSHEETUI, dwReserved) == 96);
static_assert(sizeof(PROPSHEETUI_INFO_HEADER) == 40 && sizeof(SETRESULT_INFO) == 24);
