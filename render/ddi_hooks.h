// The graphics DLL's exports and DDI hooks, with C linkage and the names the system gives them.
#pragma once

#include "win/base.h"
#include "win/ddi.h"
#include "win/devmode.h"

DLLEXPORT BOOL APIENTRY DllEntryPoint(HINSTANCE hModule, DWORD reason, LPVOID reserved);
DLLEXPORT BOOL APIENTRY DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
DLLEXPORT void APIENTRY DrvDisableDriver(void);
DLLEXPORT BOOL APIENTRY DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded);

DLLEXPORT DHPDEV APIENTRY DrvEnablePDEV(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns,
                                        ULONG cjCaps, ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                                        LPWSTR pwszDeviceName, HANDLE hDriver);
DLLEXPORT BOOL APIENTRY DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
DLLEXPORT void APIENTRY DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev);
DLLEXPORT void APIENTRY DrvDisablePDEV(DHPDEV dhpdev);
DLLEXPORT HSURF APIENTRY DrvEnableSurface(DHPDEV dhpdev);
DLLEXPORT void APIENTRY DrvDisableSurface(DHPDEV dhpdev);
DLLEXPORT ULONG APIENTRY DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo);
DLLEXPORT BOOL APIENTRY DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                                   RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
DLLEXPORT IFIMETRICS* APIENTRY DrvQueryFont(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid);
DLLEXPORT PVOID APIENTRY DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode, ULONG_PTR* pid);
DLLEXPORT LONG APIENTRY DrvQueryFontData(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd, PVOID pv,
                                         ULONG cjSize);
DLLEXPORT BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths,
                                              ULONG cGlyphs);
DLLEXPORT BOOL APIENTRY DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                  RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                                  ROP4 rop4);
DLLEXPORT BOOL APIENTRY DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                      COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                      POINTL* pptlMask, ULONG iMode);
DLLEXPORT BOOL APIENTRY DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                                    POINTL* pptlSrc);
DLLEXPORT BOOL APIENTRY DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
DLLEXPORT BOOL APIENTRY DrvStartPage(SURFOBJ* pso);
DLLEXPORT BOOL APIENTRY DrvSendPage(SURFOBJ* pso);
DLLEXPORT BOOL APIENTRY DrvEndDoc(SURFOBJ* pso, FLONG fl);
DLLEXPORT BOOL APIENTRY DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                                      POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
DLLEXPORT BOOL APIENTRY DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                                    MIX mix, FLONG flOptions);
DLLEXPORT BOOL APIENTRY DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                             BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                             POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions);
DLLEXPORT BOOL APIENTRY DrvPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix);
DLLEXPORT BOOL APIENTRY DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                                        XLATEOBJ* pxlo, ULONG iHatch);
DLLEXPORT ULONG APIENTRY DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);
DLLEXPORT ULONG APIENTRY DrvDitherColor(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul);
DLLEXPORT BOOL APIENTRY DrvStartBanding(SURFOBJ* pso, POINTL* pptl);
DLLEXPORT BOOL APIENTRY DrvNextBand(SURFOBJ* pso, POINTL* pptl);

// The hook table DrvEnableDriver hands out: 28 entries in this order.
inline constexpr ULONG kHookCount = 28;
extern const DRVFN kHookTable[kHookCount];
