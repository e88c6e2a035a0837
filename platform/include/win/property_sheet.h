// Property sheets and their pages, as the common controls library provides them.
#pragma once

#include "win/user.h"

extern "C" {

struct _PSP;
typedef struct _PSP* HPROPSHEETPAGE;
struct _PROPSHEETPAGEW;
typedef UINT(CALLBACK* LPFNPSPCALLBACKW)(HWND hwnd, UINT uMsg, struct _PROPSHEETPAGEW* ppsp);

// A page as the caller describes it. CreatePropertySheetPageW copies dwSize bytes, so a caller
// may append data of its own after the record; WM_INITDIALOG gets the copy's address.
// PROPSHEETPAGEW is the record with the activation context that the driver hands to the common
// property sheet UI; PROPSHEETPAGEW_V4 adds the wizard header bitmap after it.
#define ORLA_PROPSHEETPAGEW_FIELDS                                            \
    DWORD dwSize;                                                             \
    DWORD dwFlags;                                                            \
    HINSTANCE hInstance;                                                      \
    union {                                                                   \
        LPCWSTR pszTemplate;                                                  \
        const void* pResource; /* PSP_DLGINDIRECT: an ORLA_DIALOG_TEMPLATE */ \
    };                                                                        \
    union {                                                                   \
        HICON hIcon;                                                          \
        LPCWSTR pszIcon;                                                      \
    };                                                                        \
    LPCWSTR pszTitle;                                                         \
    DLGPROC pfnDlgProc;                                                       \
    LPARAM lParam;                                                            \
    LPFNPSPCALLBACKW pfnCallback;                                             \
    UINT* pcRefParent;                                                        \
    LPCWSTR pszHeaderTitle;                                                   \
    LPCWSTR pszHeaderSubTitle;                                                \
    HANDLE hActCtx;

typedef struct _PROPSHEETPAGEW {
    ORLA_PROPSHEETPAGEW_FIELDS
} PROPSHEETPAGEW, *LPPROPSHEETPAGEW;
typedef const PROPSHEETPAGEW* LPCPROPSHEETPAGEW;

typedef struct _PROPSHEETPAGEW_V4 {
    ORLA_PROPSHEETPAGEW_FIELDS
    union {
        HBITMAP hbmHeader;
        LPCWSTR pszbmHeader;
    };
} PROPSHEETPAGEW_V4, *LPPROPSHEETPAGEW_V4;

#define PROPSHEETPAGEW_V1_SIZE 72u   // up to pcRefParent
#define PROPSHEETPAGEW_V2_SIZE 88u   // with the header texts
#define PROPSHEETPAGEW_V3_SIZE 96u   // with the activation context
#define PROPSHEETPAGEW_V4_SIZE 104u  // with the header bitmap

typedef int(CALLBACK* PFNPROPSHEETCALLBACK)(HWND, UINT, LPARAM);

typedef struct _PROPSHEETHEADERW {
    DWORD dwSize;
    DWORD dwFlags;
    HWND hwndParent;
    HINSTANCE hInstance;
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszCaption;
    UINT nPages;
    union {
        UINT nStartPage;
        LPCWSTR pStartPage;
    };
    union {
        LPCPROPSHEETPAGEW ppsp;
        HPROPSHEETPAGE* phpage;
    };
    PFNPROPSHEETCALLBACK pfnCallback;
    union {
        HBITMAP hbmWatermark;
        LPCWSTR pszbmWatermark;
    };
    HPALETTE hplWatermark;
    union {
        HBITMAP hbmHeader;
        LPCWSTR pszbmHeader;
    };
} PROPSHEETHEADERW, *LPPROPSHEETHEADERW;
typedef const PROPSHEETHEADERW* LPCPROPSHEETHEADERW;

#define PROPSHEETHEADERW_V1_SIZE 72u  // up to pfnCallback
#define PROPSHEETHEADERW_V2_SIZE 96u  // with the watermark and header bitmaps

typedef struct _PSHNOTIFY {
    NMHDR hdr;
    LPARAM lParam;
} PSHNOTIFY, *LPPSHNOTIFY;

// Page flags
#define PSP_DEFAULT 0x0000
#define PSP_DLGINDIRECT 0x0001
#define PSP_USEHICON 0x0002
#define PSP_USEICONID 0x0004
#define PSP_USETITLE 0x0008
#define PSP_HASHELP 0x0020
#define PSP_USEREFPARENT 0x0040
#define PSP_USECALLBACK 0x0080
#define PSP_USEFUSIONCONTEXT 0x4000
// Page callback reasons
#define PSPCB_ADDREF 0
#define PSPCB_RELEASE 1
#define PSPCB_CREATE 2
// Sheet flags
#define PSH_DEFAULT 0x0000
#define PSH_PROPTITLE 0x0001
#define PSH_USEHICON 0x0002
#define PSH_USEICONID 0x0004
#define PSH_PROPSHEETPAGE 0x0008
#define PSH_NOAPPLYNOW 0x0080
#define PSH_USEPSTARTPAGE 0x0040
#define PSH_USECALLBACK 0x0100
#define PSH_HASHELP 0x0200
#define PSH_MODELESS 0x0400
#define PSH_NOCONTEXTHELP 0x02000000
// Sheet callback reasons
#define PSCB_INITIALIZED 1
#define PSCB_PRECREATE 2
// Notifications, through WM_NOTIFY to the page
#define PSN_FIRST (0U - 200U)
#define PSN_SETACTIVE (PSN_FIRST - 0)
#define PSN_KILLACTIVE (PSN_FIRST - 1)
#define PSN_APPLY (PSN_FIRST - 2)
#define PSN_RESET (PSN_FIRST - 3)
#define PSN_HELP (PSN_FIRST - 5)
#define PSN_QUERYCANCEL (PSN_FIRST - 9)
#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2
// Messages to the sheet
#define PSM_SETCURSEL (WM_USER + 101)
#define PSM_REMOVEPAGE (WM_USER + 102)
#define PSM_ADDPAGE (WM_USER + 103)
#define PSM_CHANGED (WM_USER + 104)
#define PSM_RESTARTWINDOWS (WM_USER + 105)
#define PSM_REBOOTSYSTEM (WM_USER + 106)
#define PSM_CANCELTOCLOSE (WM_USER + 107)
#define PSM_QUERYSIBLINGS (WM_USER + 108)
#define PSM_UNCHANGED (WM_USER + 109)
#define PSM_APPLY (WM_USER + 110)
#define PSM_SETTITLEW (WM_USER + 120)
#define PSM_PRESSBUTTON (WM_USER + 113)
#define PSM_GETCURRENTPAGEHWND (WM_USER + 118)
#define PSM_INDEXTOHWND (WM_USER + 130)
#define PSM_HWNDTOINDEX (WM_USER + 129)
#define PSBTN_OK 3
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5
#define PSBTN_HELP 6
#define IDAPPLY 0x3021
#define IDHELP 9
#define ID_PSRESTARTWINDOWS 0x2
#define ID_PSREBOOTSYSTEM (ID_PSRESTARTWINDOWS | 0x1)

HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW constPropSheetPagePointer);
BOOL DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage);
// Modal: 1 when OK or Apply took changes, 0 when cancelled, -1 on failure. Modeless: the
// sheet's window. The sheet owns the pages it is given and destroys them when it closes.
INT_PTR PropertySheetW(LPCPROPSHEETHEADERW lppsph);

}  // extern "C"

// These records cross into the common property sheet UI: their 64-bit layout is the platform's.
static_assert(sizeof(PROPSHEETPAGEW) == PROPSHEETPAGEW_V3_SIZE && alignof(PROPSHEETPAGEW) == 8);
static_assert(offsetof(PROPSHEETPAGEW, hInstance) == 8 && offsetof(PROPSHEETPAGEW, pszTemplate) == 16 &&
              offsetof(PROPSHEETPAGEW, hIcon) == 24 && offsetof(PROPSHEETPAGEW, pszTitle) == 32 &&
              offsetof(PROPSHEETPAGEW, pfnDlgProc) == 40 && offsetof(PROPSHEETPAGEW, lParam) == 48 &&
              offsetof(PROPSHEETPAGEW, pfnCallback) == 56 && offsetof(PROPSHEETPAGEW, pcRefParent) == 64);
static_assert(offsetof(PROPSHEETPAGEW, pcRefParent) + sizeof(UINT*) == PROPSHEETPAGEW_V1_SIZE);
static_assert(offsetof(PROPSHEETPAGEW, pszHeaderSubTitle) + sizeof(LPCWSTR) == PROPSHEETPAGEW_V2_SIZE);
static_assert(offsetof(PROPSHEETPAGEW, hActCtx) + sizeof(HANDLE) == PROPSHEETPAGEW_V3_SIZE);
static_assert(sizeof(PROPSHEETPAGEW_V4) == PROPSHEETPAGEW_V4_SIZE &&
              offsetof(PROPSHEETPAGEW_V4, hActCtx) == offsetof(PROPSHEETPAGEW, hActCtx) &&
              offsetof(PROPSHEETPAGEW_V4, hbmHeader) == PROPSHEETPAGEW_V3_SIZE &&
              offsetof(PROPSHEETPAGEW_V4, pszbmHeader) == PROPSHEETPAGEW_V3_SIZE);
static_assert(sizeof(PROPSHEETHEADERW) == PROPSHEETHEADERW_V2_SIZE && offsetof(PROPSHEETHEADERW, hwndParent) == 8 &&
              offsetof(PROPSHEETHEADERW, hInstance) == 16 && offsetof(PROPSHEETHEADERW, hIcon) == 24 &&
              offsetof(PROPSHEETHEADERW, pszCaption) == 32 && offsetof(PROPSHEETHEADERW, nPages) == 40 &&
              offsetof(PROPSHEETHEADERW, nStartPage) == 48 && offsetof(PROPSHEETHEADERW, ppsp) == 56 &&
              offsetof(PROPSHEETHEADERW, hbmWatermark) == 72 && offsetof(PROPSHEETHEADERW, hplWatermark) == 80 &&
              offsetof(PROPSHEETHEADERW, hbmHeader) == 88);
static_assert(offsetof(PROPSHEETHEADERW, pfnCallback) + sizeof(void*) == PROPSHEETHEADERW_V1_SIZE);
static_assert(sizeof(PSHNOTIFY) == 32 && offsetof(PSHNOTIFY, lParam) == 24);
