// A graphics DLL for the printer device context tests: it enables a PDEV and a small surface
// and answers escapes by a table, logging each one for the test (AppTestEscapeLog).
#include <cstring>
#include <vector>

#include "win/ddi.h"

namespace {

constexpr ULONG kEscapeEcho = 7001;     // copies the input to the output, answers its size
constexpr ULONG kEscapeRefused = 7002;  // answers 0 (refused)
constexpr LONG kSurfaceSide = 32;

struct Pdev {
    HDEV hdev = nullptr;
    HSURF surface = nullptr;
    ULONG marker = 0x50444556;  // "PDEV": DrvEscape checks the surface's PDEV is its own
};

struct EscapeSeen {
    ULONG code, sizeIn, sizeOut;
};
std::vector<EscapeSeen> g_log;
int g_enabledDrivers = 0;

DHPDEV APIENTRY EnablePdev(DEVMODEW*, LPWSTR, ULONG, HSURF*, ULONG, ULONG*, ULONG, DEVINFO*, HDEV, LPWSTR, HANDLE) {
    return reinterpret_cast<DHPDEV>(new Pdev);
}
void APIENTRY CompletePdev(DHPDEV dhpdev, HDEV hdev) {
    reinterpret_cast<Pdev*>(dhpdev)->hdev = hdev;
}
void APIENTRY DisablePdev(DHPDEV dhpdev) {
    delete reinterpret_cast<Pdev*>(dhpdev);
}
HSURF APIENTRY EnableSurface(DHPDEV dhpdev) {
    auto* p = reinterpret_cast<Pdev*>(dhpdev);
    HBITMAP bitmap =
        EngCreateBitmap(SIZEL{kSurfaceSide, kSurfaceSide}, kSurfaceSide * 3, BMF_24BPP, BMF_TOPDOWN, nullptr);
    if (!bitmap) return nullptr;
    p->surface = reinterpret_cast<HSURF>(bitmap);
    EngAssociateSurface(p->surface, p->hdev, 0);
    return p->surface;
}
void APIENTRY DisableSurface(DHPDEV dhpdev) {
    auto* p = reinterpret_cast<Pdev*>(dhpdev);
    if (p->surface) EngDeleteSurface(p->surface);
    p->surface = nullptr;
}
ULONG APIENTRY Escape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    if (!pso || reinterpret_cast<Pdev*>(pso->dhpdev)->marker != 0x50444556) return 0xFFFFFFFF;
    g_log.push_back(EscapeSeen{iEsc, cjIn, cjOut});
    if (iEsc == kEscapeRefused) return 0;
    if (iEsc == kEscapeEcho) {
        if (cjOut < cjIn || (cjIn && !pvIn)) return 0xFFFFFFFF;
        if (cjIn) std::memcpy(pvOut, pvIn, cjIn);
        return cjIn;
    }
    return 0xFFFFFFFF;  // unknown: -1 to the application
}

const DRVFN kHooks[] = {
    {INDEX_DrvEnablePDEV, reinterpret_cast<PFN>(EnablePdev)},
    {INDEX_DrvCompletePDEV, reinterpret_cast<PFN>(CompletePdev)},
    {INDEX_DrvDisablePDEV, reinterpret_cast<PFN>(DisablePdev)},
    {INDEX_DrvEnableSurface, reinterpret_cast<PFN>(EnableSurface)},
    {INDEX_DrvDisableSurface, reinterpret_cast<PFN>(DisableSurface)},
    {INDEX_DrvEscape, reinterpret_cast<PFN>(Escape)},
};

}  // namespace

DLLEXPORT BOOL APIENTRY DrvEnableDriver(ULONG, ULONG cj, DRVENABLEDATA* pded) {
    if (!pded || cj < sizeof *pded) return FALSE;
    pded->iDriverVersion = DDI_DRIVER_VERSION_NT5;
    pded->c = sizeof kHooks / sizeof kHooks[0];
    pded->pdrvfn = const_cast<DRVFN*>(kHooks);
    ++g_enabledDrivers;
    return TRUE;
}

DLLEXPORT void APIENTRY DrvDisableDriver(void) {
    --g_enabledDrivers;
}

// Escapes seen so far as (code, input size, output size) triples; the count of escapes.
DLLEXPORT ULONG AppTestEscapeLog(ULONG* triples, ULONG capacity) {
    for (ULONG i = 0; i < g_log.size() && i < capacity; ++i) {
        triples[3 * i] = g_log[i].code;
        triples[3 * i + 1] = g_log[i].sizeIn;
        triples[3 * i + 2] = g_log[i].sizeOut;
    }
    return static_cast<ULONG>(g_log.size());
}

DLLEXPORT int AppTestEnabledDrivers(void) {
    return g_enabledDrivers;
}
