// Fonts on the application side: the faces a device context offers (EnumFontsW,
// EnumFontFamiliesExW) and logical fonts by their fields (CreateFontW). The faces are the
// sandbox's FreeType fonts; Windows' standard face names are offered over their metric twins
// (the IPA faces for the Japanese ones, the URW faces for Arial, Times New Roman, Courier New).
#pragma once

#include "win/gdi.h"

extern "C" {

typedef struct tagTEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
} TEXTMETRICW, *LPTEXTMETRICW;

typedef struct tagNEWTEXTMETRICW {
    TEXTMETRICW tm;  // laid out as TEXTMETRICW's fields, then the four below
    DWORD ntmFlags;
    UINT ntmSizeEM;
    UINT ntmCellHeight;
    UINT ntmAvgWidth;
} NEWTEXTMETRICW;

typedef struct tagFONTSIGNATURE {
    DWORD fsUsb[4];
    DWORD fsCsb[2];
} FONTSIGNATURE;

typedef struct tagNEWTEXTMETRICEXW {
    NEWTEXTMETRICW ntmTm;
    FONTSIGNATURE ntmFontSig;
} NEWTEXTMETRICEXW;

typedef struct tagENUMLOGFONTW {
    LOGFONTW elfLogFont;
    WCHAR elfFullName[LF_FULLFACESIZE];
    WCHAR elfStyle[LF_FACESIZE];
} ENUMLOGFONTW, *LPENUMLOGFONTW;

typedef struct tagENUMLOGFONTEXW {
    LOGFONTW elfLogFont;
    WCHAR elfFullName[LF_FULLFACESIZE];
    WCHAR elfStyle[LF_FACESIZE];
    WCHAR elfScript[LF_FACESIZE];
} ENUMLOGFONTEXW, *LPENUMLOGFONTEXW;

// tmPitchAndFamily bits (TMPF_FIXED_PITCH set means a variable pitch, as GDI has it).
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04
#define TMPF_DEVICE 0x08

#define NTM_ITALIC 0x00000001
#define NTM_BOLD 0x00000020
#define NTM_REGULAR 0x00000040

// For TrueType faces the pointers are an ENUMLOGFONTW (ENUMLOGFONTEXW for
// EnumFontFamiliesExW) and a NEWTEXTMETRICW (NEWTEXTMETRICEXW); raster faces get the plain
// structures. FontType: RASTER_FONTTYPE or TRUETYPE_FONTTYPE. A zero answer ends the walk.
typedef int(CALLBACK* FONTENUMPROCW)(const LOGFONTW* lplf, const TEXTMETRICW* lptm, DWORD FontType, LPARAM lParam);

// Every face once (lpLogfont null), or every style of the face named. The last answer of the
// callback; 1 when nothing was reported.
int EnumFontsW(HDC hdc, LPCWSTR lpLogfont, FONTENUMPROCW lpProc, LPARAM lParam);
// Faces matching lfFaceName (empty: every face) and lfCharSet (DEFAULT_CHARSET: any), each
// once per face (every style when a face is named). dwFlags must be 0.
int EnumFontFamiliesExW(HDC hdc, LPLOGFONTW lpLogfont, FONTENUMPROCW lpProc, LPARAM lParam, DWORD dwFlags);

// A logical font from its fields, as CreateFontIndirectW makes it. Text drawn with it on a UI
// device context uses the face named (the UI face for a name no font has), the height
// (negative: the em in pixels, positive: the cell), the weight (bold from 600), italic and the
// escapement (tenths of a degree, counter-clockwise: the text turns around its reference point).
HFONT CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                  DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                  DWORD iQuality, DWORD iPitchAndFamily, LPCWSTR pszFaceName);

}  // extern "C"

static_assert(sizeof(TEXTMETRICW) == 60 && sizeof(NEWTEXTMETRICW) == 76 && sizeof(NEWTEXTMETRICEXW) == 100);
static_assert(sizeof(ENUMLOGFONTW) == 284 && sizeof(ENUMLOGFONTEXW) == 348);
