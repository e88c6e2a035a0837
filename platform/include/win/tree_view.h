// The tree view control and image lists of the common controls.
#pragma once

#include "win/user.h"

extern "C" {

struct _TREEITEM;
typedef struct _TREEITEM* HTREEITEM;
struct _IMAGELIST;
typedef struct _IMAGELIST* HIMAGELIST;

#define WC_TREEVIEWW u"SysTreeView32"

typedef struct tagTVITEMW {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
} TVITEMW, *LPTVITEMW;

// The extended item: the item's fields, then its height, extended state, window and the
// expanded image.
typedef struct tagTVITEMEXW {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
    int iIntegral;
    UINT uStateEx;
    HWND hwnd;
    int iExpandedImage;
    int iReserved;
} TVITEMEXW, *LPTVITEMEXW;

typedef struct tagTVINSERTSTRUCTW {
    HTREEITEM hParent;
    HTREEITEM hInsertAfter;
    union {
        TVITEMEXW itemex;
        TVITEMW item;
    };
} TVINSERTSTRUCTW, *LPTVINSERTSTRUCTW;

typedef struct tagTVHITTESTINFO {
    POINT pt;
    UINT flags;
    HTREEITEM hItem;
} TVHITTESTINFO, *LPTVHITTESTINFO;

typedef struct tagNMTREEVIEWW {
    NMHDR hdr;
    UINT action;
    TVITEMW itemOld;
    TVITEMW itemNew;
    POINT ptDrag;
} NMTREEVIEWW, *LPNMTREEVIEWW;

#define TVI_ROOT (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x10000)))
#define TVI_FIRST (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFF)))
#define TVI_LAST (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFE)))
#define TVI_SORT (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFD)))

#define TVIF_TEXT 0x0001
#define TVIF_IMAGE 0x0002
#define TVIF_PARAM 0x0004
#define TVIF_STATE 0x0008
#define TVIF_HANDLE 0x0010
#define TVIF_SELECTEDIMAGE 0x0020
#define TVIF_CHILDREN 0x0040
#define TVIS_SELECTED 0x0002
#define TVIS_BOLD 0x0010
#define TVIS_EXPANDED 0x0020
#define TVIS_STATEIMAGEMASK 0xF000

#define TVS_HASBUTTONS 0x0001
#define TVS_HASLINES 0x0002
#define TVS_LINESATROOT 0x0004
#define TVS_DISABLEDRAGDROP 0x0010
#define TVS_SHOWSELALWAYS 0x0020

#define TVM_FIRST 0x1100
#define TVM_DELETEITEM (TVM_FIRST + 1)
#define TVM_EXPAND (TVM_FIRST + 2)
#define TVM_GETITEMRECT (TVM_FIRST + 4)
#define TVM_GETCOUNT (TVM_FIRST + 5)
#define TVM_GETINDENT (TVM_FIRST + 6)
#define TVM_SETINDENT (TVM_FIRST + 7)
#define TVM_GETIMAGELIST (TVM_FIRST + 8)
#define TVM_SETIMAGELIST (TVM_FIRST + 9)
#define TVM_GETNEXTITEM (TVM_FIRST + 10)
#define TVM_SELECTITEM (TVM_FIRST + 11)
#define TVM_GETVISIBLECOUNT (TVM_FIRST + 16)
#define TVM_HITTEST (TVM_FIRST + 17)
#define TVM_ENSUREVISIBLE (TVM_FIRST + 20)
#define TVM_SETITEMHEIGHT (TVM_FIRST + 27)
#define TVM_GETITEMHEIGHT (TVM_FIRST + 28)
#define TVM_INSERTITEMW (TVM_FIRST + 50)
#define TVM_GETITEMW (TVM_FIRST + 62)
#define TVM_SETITEMW (TVM_FIRST + 63)
#define TVE_COLLAPSE 0x0001
#define TVE_EXPAND 0x0002
#define TVE_TOGGLE 0x0003
#define TVGN_ROOT 0x0000
#define TVGN_NEXT 0x0001
#define TVGN_PREVIOUS 0x0002
#define TVGN_PARENT 0x0003
#define TVGN_CHILD 0x0004
#define TVGN_FIRSTVISIBLE 0x0005
#define TVGN_NEXTVISIBLE 0x0006
#define TVGN_PREVIOUSVISIBLE 0x0007
#define TVGN_CARET 0x0009
#define TVGN_LASTVISIBLE 0x000A
#define TVHT_NOWHERE 0x0001
#define TVHT_ONITEMICON 0x0002
#define TVHT_ONITEMLABEL 0x0004
#define TVHT_ONITEMINDENT 0x0008
#define TVHT_ONITEMBUTTON 0x0010
#define TVHT_ONITEMRIGHT 0x0020
#define TVHT_ONITEMSTATEICON 0x0040
#define TVHT_ONITEM (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)
#define TVHT_ABOVE 0x0100
#define TVHT_BELOW 0x0200
#define TVHT_TORIGHT 0x0400
#define TVHT_TOLEFT 0x0800
#define TVSIL_NORMAL 0
#define TVSIL_STATE 2
#define TVC_UNKNOWN 0x0000
#define TVC_BYMOUSE 0x0001
#define TVN_FIRST (0U - 400U)
#define TVN_SELCHANGINGW (TVN_FIRST - 50)
#define TVN_SELCHANGEDW (TVN_FIRST - 51)
#define TVN_ITEMEXPANDINGW (TVN_FIRST - 54)
#define TVN_ITEMEXPANDEDW (TVN_FIRST - 55)
#define TVN_DELETEITEMW (TVN_FIRST - 58)

// ---- Image lists ----
#define ILC_MASK 0x0001
#define ILC_COLOR 0x0000
#define ILC_COLOR4 0x0004
#define ILC_COLOR8 0x0008
#define ILC_COLOR24 0x0018
#define ILC_COLOR32 0x0020
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow);
BOOL ImageList_Destroy(HIMAGELIST himl);
int ImageList_GetImageCount(HIMAGELIST himl);
// Adds (i = -1) or replaces the image at i; the image's index, or -1.
int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon);
// The list keeps copies: the caller still owns (and may destroy) the icon or bitmaps it gave.
int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask);
BOOL ImageList_Remove(HIMAGELIST himl, int i);  // i = -1 removes all
BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
#define ILD_NORMAL 0x0000
#define ILD_TRANSPARENT 0x0001
#define ILD_OVERLAYMASK 0x0F00
#define INDEXTOOVERLAYMASK(i) ((i) << 8)
// Draws image i at (x, y) at the list's image size, transparent where its mask is; with
// INDEXTOOVERLAYMASK(n) in the style, overlay image n is drawn over it.
BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle);
// Makes image iImage the list's overlay image iOverlay (1 to 15).
BOOL ImageList_SetOverlayImage(HIMAGELIST himl, int iImage, int iOverlay);

// Dragging an image over windows: one drag at a time for the process. BeginDrag takes a copy of
// the image (the caller may destroy its list); the drag image is shown from DragEnter (or
// DragShowNolock) at the point less the hot spot, in the locked window's coordinates.
BOOL ImageList_BeginDrag(HIMAGELIST himlTrack, int iTrack, int dxHotspot, int dyHotspot);
BOOL ImageList_DragEnter(HWND hwndLock, int x, int y);
BOOL ImageList_DragMove(int x, int y);
BOOL ImageList_DragLeave(HWND hwndLock);
BOOL ImageList_DragShowNolock(BOOL fShow);
void ImageList_EndDrag(void);
// The drag's image list (null without a drag), its point and its hot spot.
HIMAGELIST ImageList_GetDragImage(POINT* ppt, POINT* pptHotspot);

}  // extern "C"

// The item records cross from the driver's pages into the common controls.
static_assert(sizeof(TVITEMW) == 56 && offsetof(TVITEMW, hItem) == 8 && offsetof(TVITEMW, state) == 16 &&
              offsetof(TVITEMW, pszText) == 24 && offsetof(TVITEMW, cchTextMax) == 32 &&
              offsetof(TVITEMW, cChildren) == 44 && offsetof(TVITEMW, lParam) == 48);
static_assert(sizeof(TVITEMEXW) == 80 && offsetof(TVITEMEXW, lParam) == offsetof(TVITEMW, lParam) &&
              offsetof(TVITEMEXW, iIntegral) == 56 && offsetof(TVITEMEXW, uStateEx) == 60 &&
              offsetof(TVITEMEXW, hwnd) == 64 && offsetof(TVITEMEXW, iExpandedImage) == 72);
static_assert(sizeof(TVINSERTSTRUCTW) == 96 && offsetof(TVINSERTSTRUCTW, hInsertAfter) == 8 &&
              offsetof(TVINSERTSTRUCTW, item) == 16 && offsetof(TVINSERTSTRUCTW, itemex) == 16);
static_assert(sizeof(TVHITTESTINFO) == 24 && offsetof(TVHITTESTINFO, flags) == 8 &&
              offsetof(TVHITTESTINFO, hItem) == 16);
static_assert(sizeof(NMTREEVIEWW) == 152 && offsetof(NMTREEVIEWW, itemOld) == 32 &&
              offsetof(NMTREEVIEWW, itemNew) == 88 && offsetof(NMTREEVIEWW, ptDrag) == 144);
