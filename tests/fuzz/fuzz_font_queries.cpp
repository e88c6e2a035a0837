// GDI's font queries on the device fonts with arbitrary font objects: face numbers, transforms,
// glyph handles, modes and buffer sizes. A buffer is exactly as large as the query is told, so a
// write past it is caught.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "fuzz_sandbox.h"
#include "plat/gdi_control.h"
#include "render/ddi_hooks.h"
#include "render/device_fonts.h"
#include "win/kernel.h"

namespace {

// A device context with the 29 device fonts of the Japanese graphics DLL, loaded beside this
// program; made once a process.
PrinterPdev* FontPdev() {
    static PrinterPdev* pdev = [] {
        FuzzSandboxRoot("font-queries");
        PdevAllocationList* list = CreatePdevAllocationList();
        auto* p = static_cast<PrinterPdev*>(PdevAlloc(list, sizeof(PrinterPdev)));
        if (p == nullptr) std::abort();
        p->leadingMagic = p->trailingMagic = kPdevMagic;
        p->allocationList = list;
        p->module = LoadLibraryW(u"Quessa.dll");
        p->fonts.count = 29;
        if (p->module == nullptr || !LoadDeviceFonts(p) || p->fonts.count != 29) std::abort();
        return p;
    }();
    return pdev;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PrinterPdev* pdev = FontPdev();
    DHPDEV dhpdev = reinterpret_cast<DHPDEV>(pdev);
    FuzzInput in{data, size};
    PLAT_FONT_SETUP setup{};
    setup.iFace = in.Take<uint8_t>() % 32;
    setup.flFontType = DEVICE_FONTTYPE;
    setup.hasXform = (in.Take<uint8_t>() & 7) != 0;
    setup.xform = in.Take<XFORML>();
    FONTOBJ* fo = PlatFontCreate(&setup);
    if (fo == nullptr) return 0;

    const ULONG mode = in.Take<uint8_t>() % 5;
    const HGLYPH hg = in.Take<uint16_t>();
    const ULONG cjSize = in.Take<uint8_t>() % 160;
    std::vector<uint8_t> buffer(cjSize);
    GLYPHDATA gd;
    DrvQueryFontData(dhpdev, fo, mode, hg, &gd, cjSize ? buffer.data() : nullptr, cjSize);

    const ULONG count = in.Take<uint8_t>() % 16;
    std::vector<HGLYPH> handles(count);
    for (HGLYPH& h : handles) h = in.Take<uint16_t>();
    std::vector<USHORT> widths(count);
    DrvQueryAdvanceWidths(dhpdev, fo, mode % 3, handles.data(), widths.data(), count);

    DrvQueryFont(dhpdev, 0, setup.iFace, nullptr);
    DrvQueryFontTree(dhpdev, 0, setup.iFace, mode, nullptr);
    PlatFontDelete(fo);
    return 0;
}
