// The graphics DLL's entry point, DrvEnableDriver with its hook table, DrvDisableDriver and
// DrvQueryDriverInfo. The process-wide state they set lives in module_state.cpp.
#include "core/device_data.h"
#include "render/ddi_hooks.h"
#include "render/driver_log.h"
#include "render/pdev.h"

namespace {

constexpr ULONG kLowestEngineVersion = DDI_DRIVER_VERSION_NT4;
constexpr ULONG kDriverVersion = DDI_DRIVER_VERSION_NT4;
constexpr INT kAnsiGlyphCount = 256;

// Through the generic function type, which converts to and from every other one.
template <class F>
PFN Hook(F* function) {
    return reinterpret_cast<PFN>(reinterpret_cast<void (*)(void)>(function));
}

}  // namespace

const DRVFN kHookTable[kHookCount] = {
    {INDEX_DrvEnablePDEV, Hook(DrvEnablePDEV)},
    {INDEX_DrvResetPDEV, Hook(DrvResetPDEV)},
    {INDEX_DrvCompletePDEV, Hook(DrvCompletePDEV)},
    {INDEX_DrvDisablePDEV, Hook(DrvDisablePDEV)},
    {INDEX_DrvEnableSurface, Hook(DrvEnableSurface)},
    {INDEX_DrvDisableSurface, Hook(DrvDisableSurface)},
    {INDEX_DrvGetGlyphMode, Hook(DrvGetGlyphMode)},
    {INDEX_DrvTextOut, Hook(DrvTextOut)},
    {INDEX_DrvQueryFont, Hook(DrvQueryFont)},
    {INDEX_DrvQueryFontTree, Hook(DrvQueryFontTree)},
    {INDEX_DrvQueryFontData, Hook(DrvQueryFontData)},
    {INDEX_DrvQueryAdvanceWidths, Hook(DrvQueryAdvanceWidths)},
    {INDEX_DrvBitBlt, Hook(DrvBitBlt)},
    {INDEX_DrvStretchBlt, Hook(DrvStretchBlt)},
    {INDEX_DrvCopyBits, Hook(DrvCopyBits)},
    {INDEX_DrvStartDoc, Hook(DrvStartDoc)},
    {INDEX_DrvStartPage, Hook(DrvStartPage)},
    {INDEX_DrvSendPage, Hook(DrvSendPage)},
    {INDEX_DrvEndDoc, Hook(DrvEndDoc)},
    {INDEX_DrvStrokePath, Hook(DrvStrokePath)},
    {INDEX_DrvFillPath, Hook(DrvFillPath)},
    {INDEX_DrvStrokeAndFillPath, Hook(DrvStrokeAndFillPath)},
    {INDEX_DrvPaint, Hook(DrvPaint)},
    {INDEX_DrvRealizeBrush, Hook(DrvRealizeBrush)},
    {INDEX_DrvEscape, Hook(DrvEscape)},
    {INDEX_DrvDitherColor, Hook(DrvDitherColor)},
    {INDEX_DrvStartBanding, Hook(DrvStartBanding)},
    {INDEX_DrvNextBand, Hook(DrvNextBand)},
};

DLLEXPORT BOOL APIENTRY DllEntryPoint(HINSTANCE hModule, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(hModule);
        SetGraphicsModuleHandle(hModule);
    }
    return TRUE;
}

DLLEXPORT BOOL APIENTRY DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded) {
    // The block must hold the whole structure (the hook table pointer included) on this build.
    if (iEngineVersion < kLowestEngineVersion || cj < sizeof(DRVENABLEDATA) || pded == nullptr) {
        SetLastError(ERROR_BAD_DRIVER_LEVEL);
        return FALSE;
    }
    pded->iDriverVersion = kDriverVersion;
    pded->c = kHookCount;
    pded->pdrvfn = const_cast<DRVFN*>(kHookTable);
    orla::DeviceDataCacheInit();
    void*& ansi = AnsiGlyphSetHolder();
    if (ansi == nullptr) ansi = EngComputeGlyphSet(0, 0, kAnsiGlyphCount);
    if (ansi == nullptr) DriverLog("DrvEnableDriver: no glyph set for the ANSI code page");
    return ansi != nullptr;
}

DLLEXPORT void APIENTRY DrvDisableDriver(void) {
    for (void** set : {&AnsiGlyphSetHolder(), &ShiftJisGlyphSetHolder()}) {
        if (*set != nullptr) GlobalFree(*set);
        *set = nullptr;
    }
    orla::DeviceDataCacheTerm();
}

DLLEXPORT BOOL APIENTRY DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded) {
    if (dwMode != DRVQUERY_USERMODE) return FALSE;
    if (pcbNeeded != nullptr) *pcbNeeded = sizeof(DWORD);
    // A buffer too small for the answer is refused rather than written past.
    if (pBuffer == nullptr || cbBuf < sizeof(DWORD)) return FALSE;
    *static_cast<DWORD*>(pBuffer) = 1;
    return TRUE;
}
