// The graphics device driver interface: the objects the engine hands a printer graphics DLL,
// the hook table it takes back, and the engine services (Eng*, CLIPOBJ_*, BRUSHOBJ_*, ...)
// the driver may call. Pointer-size fields are native; nothing here is a persisted format.
#pragma once

#include "win/base.h"
#include "win/devmode.h"
#include "win/gdi.h"

extern "C" {

typedef ULONG FLONG;
typedef LONG FIX;  // 28.4 fixed point
typedef ULONG HGLYPH;
typedef ULONG ROP4;
typedef ULONG MIX;
typedef ULONG IDENT;
typedef LONG LDECI4;  // four decimal places: 10000 is 1.0
typedef SHORT FWORD;
typedef LONG PTRDIFF;  // a 32-bit offset on every Windows, not a pointer difference
// The hook table stores every hook as this one generic function type (the only one a cast from
// and to any other function type is clean for); callers cast back to the hook's own type.
typedef void(APIENTRY* PFN)(void);

DECLARE_HANDLE(HSURF);
DECLARE_HANDLE(DHSURF);
DECLARE_HANDLE(DHPDEV);
DECLARE_HANDLE(HDEV);
DECLARE_HANDLE(HDRVOBJ);

#define HGLYPH_INVALID (static_cast<HGLYPH>(-1))

// ---- Driver and engine versions ----
#define DDI_DRIVER_VERSION_NT4 0x00020000
#define DDI_DRIVER_VERSION_SP3 0x00020003
#define DDI_DRIVER_VERSION_NT5 0x00030000
#define DDI_DRIVER_VERSION_NT5_01 0x00030100
#define GDI_DRIVER_VERSION 0x4000

// DrvQueryDriverInfo
#define DRVQUERY_USERMODE 0x00000001

// ---- The hook table DrvEnableDriver fills ----
typedef struct _DRVFN {
    ULONG iFunc;
    PFN pfn;
} DRVFN, *PDRVFN;

typedef struct tagDRVENABLEDATA {
    ULONG iDriverVersion;
    ULONG c;
    DRVFN* pdrvfn;
} DRVENABLEDATA, *PDRVENABLEDATA;

// Function indices of the hook table.
#define INDEX_DrvEnablePDEV 0L
#define INDEX_DrvCompletePDEV 1L
#define INDEX_DrvDisablePDEV 2L
#define INDEX_DrvEnableSurface 3L
#define INDEX_DrvDisableSurface 4L
#define INDEX_DrvAssertMode 5L
#define INDEX_DrvOffset 6L
#define INDEX_DrvResetPDEV 7L
#define INDEX_DrvDisableDriver 8L
#define INDEX_DrvCreateDeviceBitmap 10L
#define INDEX_DrvDeleteDeviceBitmap 11L
#define INDEX_DrvRealizeBrush 12L
#define INDEX_DrvDitherColor 13L
#define INDEX_DrvStrokePath 14L
#define INDEX_DrvFillPath 15L
#define INDEX_DrvStrokeAndFillPath 16L
#define INDEX_DrvPaint 17L
#define INDEX_DrvBitBlt 18L
#define INDEX_DrvCopyBits 19L
#define INDEX_DrvStretchBlt 20L
#define INDEX_DrvSetPalette 22L
#define INDEX_DrvTextOut 23L
#define INDEX_DrvEscape 24L
#define INDEX_DrvDrawEscape 25L
#define INDEX_DrvQueryFont 26L
#define INDEX_DrvQueryFontTree 27L
#define INDEX_DrvQueryFontData 28L
#define INDEX_DrvSetPointerShape 29L
#define INDEX_DrvMovePointer 30L
#define INDEX_DrvLineTo 31L
#define INDEX_DrvSendPage 32L
#define INDEX_DrvStartPage 33L
#define INDEX_DrvEndDoc 34L
#define INDEX_DrvStartDoc 35L
#define INDEX_DrvGetGlyphMode 37L
#define INDEX_DrvSynchronize 38L
#define INDEX_DrvSaveScreenBits 40L
#define INDEX_DrvGetModes 41L
#define INDEX_DrvFree 42L
#define INDEX_DrvDestroyFont 43L
#define INDEX_DrvQueryFontCaps 44L
#define INDEX_DrvLoadFontFile 45L
#define INDEX_DrvUnloadFontFile 46L
#define INDEX_DrvFontManagement 47L
#define INDEX_DrvQueryTrueTypeTable 48L
#define INDEX_DrvQueryTrueTypeOutline 49L
#define INDEX_DrvGetTrueTypeFile 50L
#define INDEX_DrvQueryFontFile 51L
#define INDEX_DrvMovePanning 52L
#define INDEX_DrvQueryAdvanceWidths 53L
#define INDEX_DrvSetPixelFormat 54L
#define INDEX_DrvDescribePixelFormat 55L
#define INDEX_DrvSwapBuffers 56L
#define INDEX_DrvStartBanding 57L
#define INDEX_DrvNextBand 58L
#define INDEX_DrvGetDirectDrawInfo 59L
#define INDEX_DrvEnableDirectDraw 60L
#define INDEX_DrvDisableDirectDraw 61L
#define INDEX_DrvQuerySpoolType 62L
#define INDEX_DrvIcmCreateColorTransform 64L
#define INDEX_DrvIcmDeleteColorTransform 65L
#define INDEX_DrvIcmCheckBitmapBits 66L
#define INDEX_DrvIcmSetDeviceGammaRamp 67L
#define INDEX_DrvGradientFill 68L
#define INDEX_DrvStretchBltROP 69L
#define INDEX_DrvPlgBlt 70L
#define INDEX_DrvAlphaBlend 71L
#define INDEX_DrvSynthesizeFont 72L
#define INDEX_DrvGetSynthesizedFontFiles 73L
#define INDEX_DrvTransparentBlt 74L
#define INDEX_DrvQueryPerBandInfo 75L
#define INDEX_DrvQueryDeviceSupport 76L
#define INDEX_LAST 89L

// Hooks a surface asks the engine to route to the driver (EngAssociateSurface).
#define HOOK_BITBLT 0x00000001
#define HOOK_STRETCHBLT 0x00000002
#define HOOK_PLGBLT 0x00000004
#define HOOK_TEXTOUT 0x00000008
#define HOOK_PAINT 0x00000010
#define HOOK_STROKEPATH 0x00000020
#define HOOK_FILLPATH 0x00000040
#define HOOK_STROKEANDFILLPATH 0x00000080
#define HOOK_LINETO 0x00000100
#define HOOK_COPYBITS 0x00000400
#define HOOK_MOVEPANNING 0x00000800
#define HOOK_SYNCHRONIZE 0x00001000
#define HOOK_STRETCHBLTROP 0x00002000
#define HOOK_SYNCHRONIZEACCESS 0x00004000
#define HOOK_TRANSPARENTBLT 0x00008000
#define HOOK_ALPHABLEND 0x00010000
#define HOOK_GRADIENTFILL 0x00020000
#define HOOK_FLAGS 0x0003B5FF

// ---- Device capabilities: GDIINFO and DEVINFO ----
typedef struct _CIECHROMA {
    LDECI4 x;
    LDECI4 y;
    LDECI4 Y;
} CIECHROMA;

typedef struct _COLORINFO {
    CIECHROMA Red;
    CIECHROMA Green;
    CIECHROMA Blue;
    CIECHROMA Cyan;
    CIECHROMA Magenta;
    CIECHROMA Yellow;
    CIECHROMA AlignmentWhite;
    LDECI4 RedGamma;
    LDECI4 GreenGamma;
    LDECI4 BlueGamma;
    LDECI4 MagentaInCyanDye;
    LDECI4 YellowInCyanDye;
    LDECI4 CyanInMagentaDye;
    LDECI4 YellowInMagentaDye;
    LDECI4 CyanInYellowDye;
    LDECI4 MagentaInYellowDye;
} COLORINFO, *PCOLORINFO;
static_assert(sizeof(COLORINFO) == 120, "COLORINFO is 30 LDECI4 values");

typedef struct _GDIINFO {
    ULONG ulVersion;
    ULONG ulTechnology;
    ULONG ulHorzSize;
    ULONG ulVertSize;
    ULONG ulHorzRes;
    ULONG ulVertRes;
    ULONG cBitsPixel;
    ULONG cPlanes;
    ULONG ulNumColors;
    ULONG flRaster;
    ULONG ulLogPixelsX;
    ULONG ulLogPixelsY;
    ULONG flTextCaps;
    ULONG ulDACRed;
    ULONG ulDACGreen;
    ULONG ulDACBlue;
    ULONG ulAspectX;
    ULONG ulAspectY;
    ULONG ulAspectXY;
    LONG xStyleStep;
    LONG yStyleStep;
    LONG denStyleStep;
    POINTL ptlPhysOffset;
    SIZEL szlPhysSize;
    ULONG ulNumPalReg;
    COLORINFO ciDevice;
    ULONG ulDevicePelsDPI;
    ULONG ulPrimaryOrder;
    ULONG ulHTPatternSize;
    ULONG ulHTOutputFormat;
    ULONG flHTFlags;
    ULONG ulVRefresh;
    ULONG ulBltAlignment;
    ULONG ulPanningHorzRes;
    ULONG ulPanningVertRes;
    ULONG xPanningAlignment;
    ULONG yPanningAlignment;
    ULONG cxHTPat;
    ULONG cyHTPat;
    LPBYTE pHTPatA;
    LPBYTE pHTPatB;
    LPBYTE pHTPatC;
    ULONG flShadeBlend;
    ULONG ulPhysicalPixelCharacteristics;
    ULONG ulPhysicalPixelGamma;
} GDIINFO, *PGDIINFO;
static_assert(offsetof(GDIINFO, ciDevice) == 108);
static_assert(offsetof(GDIINFO, ulDevicePelsDPI) == 228);
static_assert(offsetof(GDIINFO, pHTPatA) == 280);

// ulTechnology
#define DT_PLOTTER 0
#define DT_RASDISPLAY 1
#define DT_RASPRINTER 2
#define DT_RASCAMERA 3
#define DT_CHARSTREAM 4

// flTextCaps
#define TC_OP_CHARACTER 0x00000001
#define TC_OP_STROKE 0x00000002
#define TC_CP_STROKE 0x00000004
#define TC_CR_90 0x00000008
#define TC_CR_ANY 0x00000010
#define TC_SF_X_YINDEP 0x00000020
#define TC_SA_DOUBLE 0x00000040
#define TC_SA_INTEGER 0x00000080
#define TC_SA_CONTIN 0x00000100
#define TC_EA_DOUBLE 0x00000200
#define TC_IA_ABLE 0x00000400
#define TC_UA_ABLE 0x00000800
#define TC_SO_ABLE 0x00001000
#define TC_RA_ABLE 0x00002000
#define TC_VA_ABLE 0x00004000

// Halftone set-up of GDIINFO
#define HT_FORMAT_1BPP 0
#define HT_FORMAT_4BPP 2
#define HT_FORMAT_4BPP_IRGB 3
#define HT_FORMAT_8BPP 4
#define HT_FORMAT_16BPP 5
#define HT_FORMAT_24BPP 6
#define HT_FORMAT_32BPP 7

#define HT_PATSIZE_2x2 0
#define HT_PATSIZE_2x2_M 1
#define HT_PATSIZE_4x4 2
#define HT_PATSIZE_4x4_M 3
#define HT_PATSIZE_6x6 4
#define HT_PATSIZE_6x6_M 5
#define HT_PATSIZE_8x8 6
#define HT_PATSIZE_8x8_M 7
#define HT_PATSIZE_10x10 8
#define HT_PATSIZE_10x10_M 9
#define HT_PATSIZE_12x12 10
#define HT_PATSIZE_12x12_M 11
#define HT_PATSIZE_14x14 12
#define HT_PATSIZE_14x14_M 13
#define HT_PATSIZE_16x16 14
#define HT_PATSIZE_16x16_M 15
#define HT_PATSIZE_SUPERCELL 16
#define HT_PATSIZE_SUPERCELL_M 17
#define HT_PATSIZE_USER 18
#define HT_PATSIZE_MAX_INDEX HT_PATSIZE_USER
#define HT_PATSIZE_DEFAULT HT_PATSIZE_SUPERCELL_M

#define HT_FLAG_SQUARE_DEVICE_PEL 0x00000001
#define HT_FLAG_HAS_BLACK_DYE 0x00000002
#define HT_FLAG_ADDITIVE_PRIMS 0x00000004
#define HT_FLAG_USE_8BPP_BITMASK 0x00000008
#define HT_FLAG_INK_HIGH_ABSORPTION 0x00000010
#define HT_FLAG_DO_DEVCLR_XFORM 0x00000080
#define HT_FLAG_OUTPUT_CMY 0x00000100
#define HT_FLAG_PRINT_DRAFT_MODE 0x00000200

#define PRIMARY_ORDER_ABC 0
#define PRIMARY_ORDER_ACB 1
#define PRIMARY_ORDER_BAC 2
#define PRIMARY_ORDER_BCA 3
#define PRIMARY_ORDER_CBA 4
#define PRIMARY_ORDER_CAB 5

typedef struct tagDEVINFO {
    FLONG flGraphicsCaps;
    LOGFONTW lfDefaultFont;
    LOGFONTW lfAnsiVarFont;
    LOGFONTW lfAnsiFixFont;
    ULONG cFonts;
    ULONG iDitherFormat;
    USHORT cxDither;
    USHORT cyDither;
    HPALETTE hpalDefault;
    FLONG flGraphicsCaps2;
} DEVINFO, *PDEVINFO;

// flGraphicsCaps
#define GCAPS_BEZIERS 0x00000001
#define GCAPS_GEOMETRICWIDE 0x00000002
#define GCAPS_ALTERNATEFILL 0x00000004
#define GCAPS_WINDINGFILL 0x00000008
#define GCAPS_HALFTONE 0x00000010
#define GCAPS_COLOR_DITHER 0x00000020
#define GCAPS_HORIZSTRIKE 0x00000040
#define GCAPS_VERTSTRIKE 0x00000080
#define GCAPS_OPAQUERECT 0x00000100
#define GCAPS_VECTORFONT 0x00000200
#define GCAPS_MONO_DITHER 0x00000400
#define GCAPS_ASYNCCHANGE 0x00000800
#define GCAPS_ASYNCMOVE 0x00001000
#define GCAPS_DONTJOURNAL 0x00002000
#define GCAPS_DIRECTDRAW 0x00004000
#define GCAPS_ARBRUSHOPAQUE 0x00008000
#define GCAPS_PANNING 0x00010000
#define GCAPS_HIGHRESTEXT 0x00040000
#define GCAPS_PALMANAGED 0x00080000
#define GCAPS_DITHERONREALIZE 0x00200000
#define GCAPS_NO64BITMEMACCESS 0x00400000
#define GCAPS_FORCEDITHER 0x00800000
#define GCAPS_GRAY16 0x01000000
#define GCAPS_ICM 0x02000000
#define GCAPS_CMYKCOLOR 0x04000000
#define GCAPS_LAYERED 0x08000000
#define GCAPS_ARBRUSHTEXT 0x10000000
#define GCAPS_SCREENPRECISION 0x20000000
#define GCAPS_FONT_RASTERIZER 0x40000000
#define GCAPS_NUP 0x80000000u

// ---- Bitmaps and surfaces ----
#define BMF_1BPP 1L
#define BMF_4BPP 2L
#define BMF_8BPP 3L
#define BMF_16BPP 4L
#define BMF_24BPP 5L
#define BMF_32BPP 6L
#define BMF_4RLE 7L
#define BMF_8RLE 8L
#define BMF_JPEG 9L
#define BMF_PNG 10L

// EngCreateBitmap flags, also SURFOBJ.fjBitmap
#define BMF_TOPDOWN 0x0001
#define BMF_NOZEROINIT 0x0002
#define BMF_DONTCACHE 0x0004
#define BMF_USERMEM 0x0008
#define BMF_KMSECTION 0x0010
#define BMF_NOTSYSMEM 0x0020
#define BMF_WINDOW_BLT 0x0040
#define BMF_UMPDMEM 0x0080

// SURFOBJ.iType
#define STYPE_BITMAP 0L
#define STYPE_DEVICE 1L
#define STYPE_DEVBITMAP 3L

typedef struct _SURFOBJ {
    DHSURF dhsurf;
    HSURF hsurf;
    DHPDEV dhpdev;
    HDEV hdev;
    SIZEL sizlBitmap;
    ULONG cjBits;
    PVOID pvBits;
    PVOID pvScan0;  // the top scan line
    LONG lDelta;    // bytes from one scan line to the next below it; negative when bottom-up
    ULONG iUniq;
    ULONG iBitmapFormat;
    USHORT iType;
    USHORT fjBitmap;
} SURFOBJ, *PSURFOBJ;

// ---- Clipping ----
typedef struct _CLIPOBJ {
    ULONG iUniq;
    RECTL rclBounds;
    BYTE iDComplexity;
    BYTE iFComplexity;
    BYTE iMode;
    BYTE fjOptions;
} CLIPOBJ, *PCLIPOBJ;

// iDComplexity
#define DC_TRIVIAL 0
#define DC_RECT 1
#define DC_COMPLEX 3
// iFComplexity
#define FC_RECT 1
#define FC_RECT4 2
#define FC_COMPLEX 3
// iMode
#define TC_RECTANGLES 0
#define TC_PATHOBJ 2
// fjOptions
#define OC_BANK_CLIP 1

// CLIPOBJ_cEnumStart
#define CT_RECTANGLES 0L
#define CD_RIGHTDOWN 0x00000000L
#define CD_LEFTDOWN 0x00000001L
#define CD_LEFTWARDS 0x00000001L
#define CD_RIGHTUP 0x00000002L
#define CD_UPWARDS 0x00000002L
#define CD_LEFTUP 0x00000003L
#define CD_ANY 0x00000004L

typedef struct _ENUMRECTS {
    ULONG c;
    RECTL arcl[1];
} ENUMRECTS;

// ---- Brushes ----
typedef struct _BRUSHOBJ {
    ULONG iSolidColor;  // 0xFFFFFFFF when the brush is not solid
    PVOID pvRbrush;
    FLONG flColorType;
} BRUSHOBJ, *PBRUSHOBJ;

#define BR_DEVICE_ICM 0x00000001
#define BR_HOST_ICM 0x00000002
#define BR_CMYKCOLOR 0x00000004
#define BR_ORIGCOLOR 0x00000008

// DrvDitherColor
#define DM_DEFAULT 0x00000001
#define DM_MONOCHROME 0x00000002
#define DCR_SOLID 0
#define DCR_DRIVER 1
#define DCR_HALFTONE 2

// ---- Colour translation ----
typedef struct _XLATEOBJ {
    ULONG iUniq;
    FLONG flXlate;
    USHORT iSrcType;
    USHORT iDstType;
    ULONG cEntries;
    ULONG* pulXlate;
} XLATEOBJ, *PXLATEOBJ;

#define XO_TRIVIAL 0x00000001
#define XO_TABLE 0x00000002
#define XO_TO_MONO 0x00000004
#define XO_FROM_CMYK 0x00000008
#define XO_DEVICE_ICM 0x00000010
#define XO_HOST_ICM 0x00000020

#define XO_SRCPALETTE 1
#define XO_DESTPALETTE 2
#define XO_DESTDCPALETTE 3
#define XO_SRCBITFIELDS 4
#define XO_DESTBITFIELDS 5

// Palettes (EngCreatePalette iMode)
#define PAL_INDEXED 0x00000001
#define PAL_BITFIELDS 0x00000002
#define PAL_RGB 0x00000004
#define PAL_BGR 0x00000008
#define PAL_CMYK 0x00000010

// ---- Paths ----
typedef struct _POINTFIX {
    FIX x;
    FIX y;
} POINTFIX, *PPOINTFIX;

typedef struct _RECTFX {
    FIX xLeft;
    FIX yTop;
    FIX xRight;
    FIX yBottom;
} RECTFX, *PRECTFX;

typedef struct _PATHOBJ {
    FLONG fl;
    ULONG cCurves;
} PATHOBJ, *PPATHOBJ;

#define PO_BEZIERS 0x00000001
#define PO_ELLIPSE 0x00000002
#define PO_ALL_INTEGERS 0x00000004
#define PO_ENUM_AS_INTEGERS 0x00000008

typedef struct _PATHDATA {
    FLONG flags;
    ULONG count;
    POINTFIX* pptfx;
} PATHDATA, *PPATHDATA;

#define PD_BEGINSUBPATH 0x00000001
#define PD_ENDSUBPATH 0x00000002
#define PD_RESETSTYLE 0x00000004
#define PD_CLOSEFIGURE 0x00000008
#define PD_BEZIERS 0x00000010
#define PD_ALL (PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_RESETSTYLE | PD_CLOSEFIGURE | PD_BEZIERS)

// flOptions of DrvFillPath
#define FP_ALTERNATEMODE 1L
#define FP_WINDINGMODE 2L

typedef union _FLOAT_LONG {
    FLOATL e;
    LONG l;
} FLOAT_LONG, *PFLOAT_LONG;

typedef struct _LINEATTRS {
    FLONG fl;
    ULONG iJoin;
    ULONG iEndCap;
    FLOAT_LONG elWidth;
    FLOATL eMiterLimit;
    ULONG cstyle;
    PFLOAT_LONG pstyle;
    FLOAT_LONG elStyleState;
} LINEATTRS, *PLINEATTRS;

#define LA_GEOMETRIC 0x00000001
#define LA_ALTERNATE 0x00000002
#define LA_STARTGAP 0x00000004
#define LA_STYLED 0x00000008
#define JOIN_ROUND 0L
#define JOIN_BEVEL 1L
#define JOIN_MITER 2L
#define ENDCAP_ROUND 0L
#define ENDCAP_SQUARE 1L
#define ENDCAP_BUTT 2L

// ---- Transforms ----
typedef struct _XFORMOBJ {
    ULONG ulReserved;
} XFORMOBJ, *PXFORMOBJ;

typedef struct _XFORML {
    FLOATL eM11;
    FLOATL eM12;
    FLOATL eM21;
    FLOATL eM22;
    FLOATL eDx;
    FLOATL eDy;
} XFORML, *PXFORML;

// XFORMOBJ_iGetXform results
#define GX_IDENTITY 0L
#define GX_OFFSET 1L
#define GX_SCALE 2L
#define GX_GENERAL 3L
// XFORMOBJ_bApplyXform modes
#define XF_LTOL 0L
#define XF_INV_LTOL 1L
#define XF_LTOFX 2L
#define XF_INV_FXTOL 3L

typedef struct _POINTE {
    FLOATL x;
    FLOATL y;
} POINTE, *PPOINTE;

typedef struct _POINTQF {
    LARGE_INTEGER x;
    LARGE_INTEGER y;
} POINTQF, *PPOINTQF;

typedef struct _FD_XFORM {
    FLOATL eXX;
    FLOATL eXY;
    FLOATL eYX;
    FLOATL eYY;
} FD_XFORM, *PFD_XFORM;

// ---- Fonts and glyphs ----
typedef struct _FONTOBJ {
    ULONG iUniq;
    ULONG iFace;
    ULONG cxMax;
    FLONG flFontType;
    ULONG_PTR iTTUniq;
    ULONG_PTR iFile;
    SIZE sizLogResPpi;
    ULONG ulStyleSize;
    PVOID pvConsumer;
    PVOID pvProducer;
} FONTOBJ, *PFONTOBJ;

// flFontType
#define FO_TYPE_RASTER RASTER_FONTTYPE
#define FO_TYPE_DEVICE DEVICE_FONTTYPE
#define FO_TYPE_TRUETYPE TRUETYPE_FONTTYPE
#define FO_TYPE_OPENTYPE 0x00000008
#define FO_SIM_BOLD 0x00002000
#define FO_SIM_ITALIC 0x00004000
#define FO_EM_HEIGHT 0x00008000
#define FO_GRAY16 0x00010000
#define FO_NOGRAY16 0x00020000
#define FO_NOHINTS 0x00040000
#define FO_NO_CHOICE 0x00080000
#define FO_CFF 0x00100000
#define FO_POSTSCRIPT 0x00200000
#define FO_MULTIPLEMASTER 0x00400000
#define FO_VERT_FACE 0x00800000
#define FO_DBCS_FONT 0x01000000
#define FO_NOCLEARTYPE 0x02000000

// FONTOBJ_cGetGlyphs modes
#define FO_HGLYPHS 0L
#define FO_GLYPHBITS 1L
#define FO_PATHOBJ 2L

// DrvGetGlyphMode results
#define FO_DEVICE_FONT 1L
#define FO_OUTLINE_CAPABLE 2L

typedef struct _GLYPHBITS {
    POINTL ptlOrigin;
    SIZEL sizlBitmap;
    BYTE aj[1];
} GLYPHBITS;

typedef union _GLYPHDEF {
    GLYPHBITS* pgb;
    PATHOBJ* ppo;
} GLYPHDEF;

typedef struct _GLYPHPOS {
    HGLYPH hg;
    GLYPHDEF* pgdf;
    POINTL ptl;
} GLYPHPOS, *PGLYPHPOS;

typedef struct _GLYPHDATA {
    GLYPHDEF gdf;
    HGLYPH hg;
    FIX fxD;
    FIX fxA;
    FIX fxAB;
    FIX fxInkTop;
    FIX fxInkBottom;
    RECTL rclInk;
    POINTQF ptqD;
} GLYPHDATA;

typedef struct _STROBJ {
    ULONG cGlyphs;
    FLONG flAccel;
    ULONG ulCharInc;
    RECTL rclBkGround;
    GLYPHPOS* pgp;
    LPWSTR pwszOrg;
} STROBJ, *PSTROBJ;

// STROBJ.flAccel
#define SO_FLAG_DEFAULT_PLACEMENT 0x00000001
#define SO_HORIZONTAL 0x00000002
#define SO_VERTICAL 0x00000004
#define SO_REVERSED 0x00000008
#define SO_ZERO_BEARINGS 0x00000010
#define SO_CHAR_INC_EQUAL_BM_BASE 0x00000020
#define SO_MAXEXT_EQUAL_BM_SIDE 0x00000040
#define SO_DO_NOT_SUBSTITUTE_DEVICE_FONT 0x00000080
#define SO_GLYPHINDEX_TEXTOUT 0x00000100
#define SO_ESC_NOT_ORIENT 0x00000200
#define SO_DXDY 0x00000400
#define SO_CHARACTER_EXTRA 0x00000800
#define SO_BREAK_EXTRA 0x00001000

// A run of consecutive Unicode code points and the glyph handles that print them.
typedef struct _WCRUN {
    WCHAR wcLow;
    USHORT cGlyphs;
    HGLYPH* phg;
} WCRUN, *PWCRUN;

typedef struct _FD_GLYPHSET {
    ULONG cjThis;  // bytes of the whole block, runs and handle arrays included
    FLONG flAccel;
    ULONG cGlyphsSupported;
    ULONG cRuns;
    WCRUN awcrun[1];
} FD_GLYPHSET, *PFD_GLYPHSET;

// FD_GLYPHSET.flAccel
#define GS_UNICODE_HANDLES 0x00000001
#define GS_8BIT_HANDLES 0x00000002
#define GS_16BIT_HANDLES 0x00000004

typedef struct _FD_KERNINGPAIR {
    WCHAR wcFirst;
    WCHAR wcSecond;
    FWORD fwdKern;
} FD_KERNINGPAIR;

typedef struct _PANOSE {
    BYTE bFamilyType;
    BYTE bSerifStyle;
    BYTE bWeight;
    BYTE bProportion;
    BYTE bContrast;
    BYTE bStrokeVariation;
    BYTE bArmStyle;
    BYTE bLetterform;
    BYTE bMidline;
    BYTE bXHeight;
} PANOSE;

typedef struct _IFIMETRICS {
    ULONG cjThis;
    ULONG cjIfiExtra;
    PTRDIFF dpwszFamilyName;
    PTRDIFF dpwszStyleName;
    PTRDIFF dpwszFaceName;
    PTRDIFF dpwszUniqueName;
    PTRDIFF dpFontSim;
    LONG lEmbedId;
    LONG lItalicAngle;
    LONG lCharBias;
    PTRDIFF dpCharSets;
    BYTE jWinCharSet;
    BYTE jWinPitchAndFamily;
    USHORT usWinWeight;
    ULONG flInfo;
    USHORT fsSelection;
    USHORT fsType;
    FWORD fwdUnitsPerEm;
    FWORD fwdLowestPPEm;
    FWORD fwdWinAscender;
    FWORD fwdWinDescender;
    FWORD fwdMacAscender;
    FWORD fwdMacDescender;
    FWORD fwdMacLineGap;
    FWORD fwdTypoAscender;
    FWORD fwdTypoDescender;
    FWORD fwdTypoLineGap;
    FWORD fwdAveCharWidth;
    FWORD fwdMaxCharInc;
    FWORD fwdCapHeight;
    FWORD fwdXHeight;
    FWORD fwdSubscriptXSize;
    FWORD fwdSubscriptYSize;
    FWORD fwdSubscriptXOffset;
    FWORD fwdSubscriptYOffset;
    FWORD fwdSuperscriptXSize;
    FWORD fwdSuperscriptYSize;
    FWORD fwdSuperscriptXOffset;
    FWORD fwdSuperscriptYOffset;
    FWORD fwdUnderscoreSize;
    FWORD fwdUnderscorePosition;
    FWORD fwdStrikeoutSize;
    FWORD fwdStrikeoutPosition;
    BYTE chFirstChar;
    BYTE chLastChar;
    BYTE chDefaultChar;
    BYTE chBreakChar;
    WCHAR wcFirstChar;
    WCHAR wcLastChar;
    WCHAR wcDefaultChar;
    WCHAR wcBreakChar;
    POINTL ptlBaseline;
    POINTL ptlAspect;
    POINTL ptlCaret;
    RECTL rclFontBox;
    BYTE achVendId[4];
    ULONG cKerningPairs;
    ULONG ulPanoseCulture;
    PANOSE panose;
    PVOID Align;  // 64-bit Windows ends the record on pointer alignment
} IFIMETRICS, *PIFIMETRICS;
static_assert(offsetof(IFIMETRICS, dpwszFamilyName) == 8);
static_assert(offsetof(IFIMETRICS, dpCharSets) == 40);
static_assert(offsetof(IFIMETRICS, fwdUnitsPerEm) == 56);
static_assert(offsetof(IFIMETRICS, ptlBaseline) == 120);
static_assert(offsetof(IFIMETRICS, rclFontBox) == 144);
static_assert(offsetof(IFIMETRICS, panose) == 172);
static_assert(sizeof(IFIMETRICS) == 192, "IFIMETRICS of 64-bit Windows");

// IFIMETRICS.flInfo
#define FM_INFO_TECH_TRUETYPE 0x00000001
#define FM_INFO_TECH_BITMAP 0x00000002
#define FM_INFO_TECH_STROKE 0x00000004
#define FM_INFO_TECH_OUTLINE_NOT_TRUETYPE 0x00000008
#define FM_INFO_ARB_XFORMS 0x00000010
#define FM_INFO_1BPP 0x00000020
#define FM_INFO_4BPP 0x00000040
#define FM_INFO_8BPP 0x00000080
#define FM_INFO_16BPP 0x00000100
#define FM_INFO_24BPP 0x00000200
#define FM_INFO_32BPP 0x00000400
#define FM_INFO_INTEGER_WIDTH 0x00000800
#define FM_INFO_CONSTANT_WIDTH 0x00001000
#define FM_INFO_NOT_CONTIGUOUS 0x00002000
#define FM_INFO_TECH_MM 0x00004000
#define FM_INFO_RETURNS_OUTLINES 0x00008000
#define FM_INFO_RETURNS_STROKES 0x00010000
#define FM_INFO_RETURNS_BITMAPS 0x00020000
#define FM_INFO_DSIG 0x00040000
#define FM_INFO_RIGHT_HANDED 0x00080000
#define FM_INFO_INTEGRAL_SCALING 0x00100000
#define FM_INFO_90DEGREE_ROTATIONS 0x00200000
#define FM_INFO_OPTICALLY_FIXED_PITCH 0x00400000
#define FM_INFO_DO_NOT_ENUMERATE 0x00800000
#define FM_INFO_ISOTROPIC_SCALING_ONLY 0x01000000
#define FM_INFO_ANISOTROPIC_SCALING_ONLY 0x02000000
#define FM_INFO_TECH_CFF 0x04000000
#define FM_INFO_FAMILY_EQUIV 0x08000000
#define FM_INFO_DBCS_FIXED_PITCH 0x10000000
#define FM_INFO_NONNEGATIVE_AC 0x20000000
#define FM_INFO_IGNORE_TC_RA_ABLE 0x40000000
#define FM_INFO_TECH_TYPE1 0x80000000u

// IFIMETRICS.fsSelection
#define FM_SEL_ITALIC 0x0001
#define FM_SEL_UNDERSCORE 0x0002
#define FM_SEL_NEGATIVE 0x0004
#define FM_SEL_OUTLINED 0x0008
#define FM_SEL_STRIKEOUT 0x0010
#define FM_SEL_BOLD 0x0020
#define FM_SEL_REGULAR 0x0040

typedef struct _FD_DEVICEMETRICS {
    FLONG flRealizedType;
    POINTE pteBase;
    POINTE pteSide;
    LONG lD;
    FIX fxMaxAscender;
    FIX fxMaxDescender;
    POINTL ptlUnderline1;
    POINTL ptlStrikeOut;
    POINTL ptlULThickness;
    POINTL ptlSOThickness;
    ULONG cxMax;
    ULONG cyMax;
    ULONG cjGlyphMax;
    FD_XFORM fdxQuantized;
    LONG lNonLinearExtLeading;
    LONG lNonLinearIntLeading;
    LONG lNonLinearMaxCharWidth;
    LONG lNonLinearAvgCharWidth;
    LONG lMinA;
    LONG lMinC;
    LONG lMinD;
    LONG alReserved[1];
} FD_DEVICEMETRICS, *PFD_DEVICEMETRICS;

#define FDM_TYPE_BM_SIDE_CONST 0x00000001
#define FDM_TYPE_MAXEXT_EQUAL_BM_SIDE 0x00000002
#define FDM_TYPE_CHAR_INC_EQUAL_BM_BASE 0x00000004
#define FDM_TYPE_ZERO_BEARINGS 0x00000008
#define FDM_TYPE_CONST_BEARINGS 0x00000010

// DrvQueryFont / DrvQueryFontTree / DrvQueryFontData / DrvQueryAdvanceWidths
#define QFF_DESCRIPTION 1L
#define QFF_NUMFACES 2L
#define QFT_LIGATURES 1L
#define QFT_KERNPAIRS 2L
#define QFT_GLYPHSET 3L
#define QFD_GLYPHANDBITMAP 1L
#define QFD_GLYPHANDOUTLINE 2L
#define QFD_MAXEXTENTS 3L
#define QFD_TT_GLYPHANDBITMAP 4L
#define QFD_TT_GRAY1_BITMAP 5L
#define QAW_GETWIDTHS 0
#define QAW_GETEASYWIDTHS 1

#define DDI_ERROR 0xFFFFFFFFu

// ---- Memory tags ----
#define FL_ZERO_MEMORY 0x00000001
#define FL_NONPAGED_MEMORY 0x00000002

// ---- The driver's entry points, as the engine calls them ----
typedef BOOL(APIENTRY* PFN_DrvEnableDriver)(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
typedef void(APIENTRY* PFN_DrvDisableDriver)(void);
typedef BOOL(APIENTRY* PFN_DrvQueryDriverInfo)(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded);
typedef DHPDEV(APIENTRY* PFN_DrvEnablePDEV)(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns,
                                            ULONG cjCaps, ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                                            LPWSTR pwszDeviceName, HANDLE hDriver);
typedef void(APIENTRY* PFN_DrvCompletePDEV)(DHPDEV dhpdev, HDEV hdev);
typedef BOOL(APIENTRY* PFN_DrvResetPDEV)(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
typedef void(APIENTRY* PFN_DrvDisablePDEV)(DHPDEV dhpdev);
typedef HSURF(APIENTRY* PFN_DrvEnableSurface)(DHPDEV dhpdev);
typedef void(APIENTRY* PFN_DrvDisableSurface)(DHPDEV dhpdev);
typedef BOOL(APIENTRY* PFN_DrvStartDoc)(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
typedef BOOL(APIENTRY* PFN_DrvEndDoc)(SURFOBJ* pso, FLONG fl);
typedef BOOL(APIENTRY* PFN_DrvStartPage)(SURFOBJ* pso);
typedef BOOL(APIENTRY* PFN_DrvSendPage)(SURFOBJ* pso);
typedef BOOL(APIENTRY* PFN_DrvStartBanding)(SURFOBJ* pso, POINTL* pptl);
typedef BOOL(APIENTRY* PFN_DrvNextBand)(SURFOBJ* pso, POINTL* pptl);
typedef ULONG(APIENTRY* PFN_DrvEscape)(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);
typedef BOOL(APIENTRY* PFN_DrvBitBlt)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                      RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo,
                                      POINTL* pptlBrush, ROP4 rop4);
typedef BOOL(APIENTRY* PFN_DrvCopyBits)(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                        RECTL* prclDest, POINTL* pptlSrc);
typedef BOOL(APIENTRY* PFN_DrvStretchBlt)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                          XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                                          RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
typedef BOOL(APIENTRY* PFN_DrvTextOut)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                                       RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                                       MIX mix);
typedef BOOL(APIENTRY* PFN_DrvStrokePath)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                                          POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
typedef BOOL(APIENTRY* PFN_DrvFillPath)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                                        MIX mix, FLONG flOptions);
typedef BOOL(APIENTRY* PFN_DrvStrokeAndFillPath)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                                 BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                                 POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions);
typedef BOOL(APIENTRY* PFN_DrvPaint)(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix);
typedef BOOL(APIENTRY* PFN_DrvRealizeBrush)(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                                            XLATEOBJ* pxlo, ULONG iHatch);
typedef ULONG(APIENTRY* PFN_DrvDitherColor)(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul);
typedef ULONG(APIENTRY* PFN_DrvGetGlyphMode)(DHPDEV dhpdev, FONTOBJ* pfo);
typedef IFIMETRICS*(APIENTRY* PFN_DrvQueryFont)(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid);
typedef PVOID(APIENTRY* PFN_DrvQueryFontTree)(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode, ULONG_PTR* pid);
typedef LONG(APIENTRY* PFN_DrvQueryFontData)(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd,
                                             PVOID pv, ULONG cjSize);
typedef BOOL(APIENTRY* PFN_DrvQueryAdvanceWidths)(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths,
                                                  ULONG cGlyphs);

// ---- Engine services ----

// Last error of the calling thread (the same slot as GetLastError).
void EngSetLastError(ULONG iError);
ULONG EngGetLastError(void);

// Memory. EngAllocMem's blocks are freed with EngFreeMem; FL_ZERO_MEMORY zeroes them.
PVOID EngAllocMem(ULONG Flags, ULONG MemSize, ULONG Tag);
void EngFreeMem(PVOID Mem);
PVOID EngAllocUserMem(SIZE_T cj, ULONG tag);
void EngFreeUserMem(PVOID pv);

// Surfaces. Bitmaps the engine allocates have DWORD-aligned scan lines; with caller bits lWidth
// is the scan line length and must hold a whole row. Handles name engine objects: a deleted or
// unknown handle fails with ERROR_INVALID_HANDLE.
HBITMAP EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits);
HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat);
HBITMAP EngCreateDeviceBitmap(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat);
BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks);
BOOL EngMarkBandingSurface(HSURF hsurf);
BOOL EngDeleteSurface(HSURF hsurf);
SURFOBJ* EngLockSurface(HSURF hsurf);
void EngUnlockSurface(SURFOBJ* pso);
// Fills the rectangle (cut to the surface) with the colour index iColor of the surface's format.
BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor);
BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest, POINTL* pptlSrc);
BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                   COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                   ULONG iMode);

// Palettes.
HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed, FLONG flGreen, FLONG flBlue);
BOOL EngDeletePalette(HPALETTE hpal);

// The glyph set of a code page (0: the ANSI code page): codes nFirstChar .. nFirstChar + cChars - 1
// mapped to Unicode runs; the glyph handle of each code is the code itself. One global-memory
// block (GlobalAlloc, GMEM_FIXED), freed with GlobalFree.
FD_GLYPHSET* EngComputeGlyphSet(INT nCodePage, INT nFirstChar, INT cChars);

// Printer services.
BOOL EngWritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten);
LPWSTR EngGetPrinterDataFileName(HDEV hdev);
LPWSTR EngGetDriverName(HDEV hdev);

// Clip objects. cEnumStart returns the rectangle count when it is at most cLimit, else
// 0xFFFFFFFF; bEnum fills an ENUMRECTS with as many rectangles as cj holds and returns TRUE
// while more follow.
ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection, ULONG cLimit);
BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul);

// Paths. bEnum hands a path out in records (PATHDATA) of at most one subpath each, several
// records for a long subpath, and returns TRUE while more follow; the points stay valid until
// the next call. ppoGetPath gives the outline of a clip region, freed with EngDeletePath.
void PATHOBJ_vEnumStart(PATHOBJ* ppo);
BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd);
void PATHOBJ_vGetBounds(PATHOBJ* ppo, PRECTFX prectfx);
PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco);
void EngDeletePath(PATHOBJ* ppo);

// Brushes. pvAllocRbrush gives the driver its realisation block (freed with the brush);
// pvGetRbrush asks the driver's DrvRealizeBrush for it when it does not exist yet.
PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj);
PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo);
ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo);

// Colour translation.
ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor);
ULONG XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal);

// General bit-block transfer with a ROP4 (low byte where the mask is 1 or there is no mask,
// high byte where it is 0), applied bitwise to colour indices; a device surface gets the result
// through the driver's DrvCopyBits. Solid brushes only.
BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
               POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);

// Paths the driver hands back. The engine rasterises the path (Bezier curves flattened, fills
// by scan lines with the alternate or winding rule, strokes one pixel wide or as wide as a
// geometric pen) within the clip: on a bitmap surface it sets the pixels itself by the mix; on
// a device surface it hands the covered region to the driver's DrvBitBlt as a clip object with
// the brush and the raster operation of the mix.
BOOL EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                   LINEATTRS* plineattrs, MIX mix);
BOOL EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                 FLONG flOptions);
BOOL EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                          LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions);
BOOL EngPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix);

// Transforms: the world-to-device matrix of a transform object (GX_* kind, DDI_ERROR for a bad one).
ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform);

}  // extern "C"

// The engine's structures as 64-bit Windows lays them out: the driver and the engine exchange
// them by pointer, so every size and the offsets after each pointer or alignment gap are fixed.
static_assert(sizeof(DRVFN) == 16 && sizeof(DRVENABLEDATA) == 16);
static_assert(sizeof(GDIINFO) == 320);
static_assert(sizeof(DEVINFO) == 312 && offsetof(DEVINFO, lfAnsiVarFont) == 96 && offsetof(DEVINFO, cFonts) == 280 &&
              offsetof(DEVINFO, cxDither) == 288 && offsetof(DEVINFO, hpalDefault) == 296);
static_assert(sizeof(SURFOBJ) == 80 && offsetof(SURFOBJ, sizlBitmap) == 32 && offsetof(SURFOBJ, cjBits) == 40 &&
              offsetof(SURFOBJ, pvBits) == 48 && offsetof(SURFOBJ, pvScan0) == 56 && offsetof(SURFOBJ, lDelta) == 64 &&
              offsetof(SURFOBJ, iBitmapFormat) == 72 && offsetof(SURFOBJ, iType) == 76 &&
              offsetof(SURFOBJ, fjBitmap) == 78);
static_assert(sizeof(CLIPOBJ) == 24 && offsetof(CLIPOBJ, iDComplexity) == 20 && offsetof(CLIPOBJ, fjOptions) == 23);
static_assert(sizeof(ENUMRECTS) == 20);
static_assert(sizeof(BRUSHOBJ) == 24 && offsetof(BRUSHOBJ, pvRbrush) == 8 && offsetof(BRUSHOBJ, flColorType) == 16);
static_assert(sizeof(XLATEOBJ) == 24 && offsetof(XLATEOBJ, iSrcType) == 8 && offsetof(XLATEOBJ, cEntries) == 12 &&
              offsetof(XLATEOBJ, pulXlate) == 16);
static_assert(sizeof(POINTFIX) == 8 && sizeof(RECTFX) == 16 && sizeof(PATHOBJ) == 8);
static_assert(sizeof(PATHDATA) == 16 && offsetof(PATHDATA, pptfx) == 8);
static_assert(sizeof(LINEATTRS) == 40 && offsetof(LINEATTRS, elWidth) == 12 && offsetof(LINEATTRS, cstyle) == 20 &&
              offsetof(LINEATTRS, pstyle) == 24 && offsetof(LINEATTRS, elStyleState) == 32);
static_assert(sizeof(FONTOBJ) == 64 && offsetof(FONTOBJ, iTTUniq) == 16 && offsetof(FONTOBJ, sizLogResPpi) == 32 &&
              offsetof(FONTOBJ, pvConsumer) == 48);
static_assert(sizeof(GLYPHPOS) == 24 && offsetof(GLYPHPOS, pgdf) == 8 && offsetof(GLYPHPOS, ptl) == 16);
static_assert(sizeof(GLYPHDATA) == 64 && sizeof(GLYPHBITS) == 20);
static_assert(sizeof(STROBJ) == 48 && offsetof(STROBJ, rclBkGround) == 12 && offsetof(STROBJ, pgp) == 32 &&
              offsetof(STROBJ, pwszOrg) == 40);
static_assert(sizeof(WCRUN) == 16 && sizeof(FD_GLYPHSET) == 32 && offsetof(FD_GLYPHSET, awcrun) == 16);
static_assert(sizeof(FD_KERNINGPAIR) == 6 && sizeof(PANOSE) == 10 && sizeof(FD_DEVICEMETRICS) == 124);
static_assert(sizeof(XFORML) == 24 && sizeof(FD_XFORM) == 16 && sizeof(POINTE) == 8);

// ---- Font objects and transforms applied to points (platform/src/eng_font.cpp) ----
extern "C" {
// The notional-to-device transform of a font: notional units (the IFIMETRICS em) to device
// pixels. Null when the engine has none for the font.
XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo);
// The IFIMETRICS of an engine font; null for a device font, which the driver describes itself.
IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo);
// Transforms cPoints points: XF_LTOL and XF_INV_LTOL take and give POINTL, XF_LTOFX gives 28.4
// fixed point from POINTL, XF_INV_FXTOL takes 28.4 and gives POINTL. Results are rounded to the
// nearest unit and held within the LONG range.
BOOL XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut);
}  // extern "C"

// ---- Text objects (platform/src/eng_text.cpp) ----
extern "C" {
// String objects. When pgp is null the positions come in batches: vEnumStart, then bEnum until it
// returns FALSE (each call gives the batch's count and positions, valid until the next call;
// DDI_ERROR for a bad object).
void STROBJ_vEnumStart(STROBJ* pstro);
BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos);
// The code page of the string's characters (the font's character set).
DWORD STROBJ_dwGetCodePage(STROBJ* pstro);
// One glyph of an engine font (cGlyph is taken as 1): FO_GLYPHBITS gives its GLYPHDATA with the
// bitmap (GLYPHBITS, rows of whole bytes, origin relative to the glyph point), FO_PATHOBJ with its
// outline; valid until the font object goes. 1 when done, 0 for a device font or a bad handle.
ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, PVOID* ppvGlyph);
// Number of glyph handles of an engine font, written to phg when it is not null; 0 for others.
ULONG FONTOBJ_cGetAllGlyphHandles(FONTOBJ* pfo, HGLYPH* phg);
// The engine draws text on a bitmap surface: opaque rectangle, glyph bitmaps in the foreground
// brush's colour index, then the extra rectangles up to the first all-zero one, within the clip.
BOOL EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
}  // extern "C"
