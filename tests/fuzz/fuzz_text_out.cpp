// DrvTextOut with arbitrary string and font objects: glyph counts, batch sizes, positions,
// handles, accelerator flags and transforms of device fonts and of an engine (TrueType) font,
// drawn into a device context of the Japanese graphics DLL with a job and a page open. The
// string's own positions block is exactly as long as its glyph count says, so a read past it
// is caught.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_sandbox.h"
#include "plat/control.h"
#include "plat/gdi_control.h"
#include "render/ddi_hooks.h"
#include "render/device_fonts.h"
#include "render/drawing_hooks.h"
#include "render/output_writer.h"
#include "render/pdev.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace {

constexpr const char16_t* kPrinter = u"ORLA Fuzz Printer";
constexpr const char* kTrueTypeFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Input {
    const uint8_t* data;
    size_t size;
    template <class T>
    T Take() {
        T value{};
        const size_t n = size < sizeof(T) ? size : sizeof(T);
        std::memcpy(&value, data, n);
        data += n, size -= n;
        return value;
    }
};

// The sample printer installed in the sandbox, a device context enabled on it with downloads
// allowed, a job and a page started; made once a process.
struct Page {
    DHPDEV dhpdev = nullptr;
    SURFOBJ* surface = nullptr;
    FONTOBJ* trueType = nullptr;
};

const Page& TextPage() {
    static Page page = [] {
        FuzzSandboxRoot("text-out");
        const std::u16string dir = PlatDriverDirectory();
        const std::u16string dataFile = dir + u"\\HV4400KJ.KDD", driver = dir + u"\\Quessa.dll";
        if (!PlatCopyIntoSandbox(ORLA_SOURCE_DIR "/resources/models/HV4400KJ.KDD", dataFile.c_str())) std::abort();
        PLAT_PRINTER_SETUP setup{};
        setup.printerName = kPrinter;
        setup.driverName = u"ORLA Fuzz Driver";
        setup.portName = u"LPT1:";
        setup.driverPath = driver.c_str();
        setup.dataFile = dataFile.c_str();
        setup.configFile = driver.c_str();
        HANDLE printer = nullptr;
        if (!PlatInstallPrinter(&setup) || !OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, nullptr)) std::abort();
        SetGraphicsModuleHandle(LoadLibraryW(u"Quessa.dll"));
        DRVENABLEDATA ded{};
        if (!DrvEnableDriver(DDI_DRIVER_VERSION_NT4, sizeof ded, &ded)) std::abort();
        PLAT_GDI_DEVICE_SETUP device{printer, kPrinter, driver.c_str(), dataFile.c_str()};
        HDEV hdev = PlatGdiCreateDevice(&device);
        GDIINFO gdi{};
        DEVINFO info{};
        Page p;
        p.dhpdev = DrvEnablePDEV(nullptr, nullptr, 0, nullptr, sizeof gdi, reinterpret_cast<ULONG*>(&gdi), sizeof info,
                                 &info, hdev, const_cast<LPWSTR>(kPrinter), printer);
        if (p.dhpdev == nullptr) std::abort();
        PlatGdiBindDevice(hdev, p.dhpdev, kHookTable, kHookCount);
        DrvCompletePDEV(p.dhpdev, hdev);
        DOC_INFO_1W doc{};
        doc.pDocName = const_cast<LPWSTR>(u"fuzz");
        StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc));
        auto* pdev = reinterpret_cast<PrinterPdev*>(p.dhpdev);
        pdev->state &= ~kStateRasterMode;
        p.surface = EngLockSurface(DrvEnableSurface(p.dhpdev));
        if (p.surface == nullptr || !DrvStartDoc(p.surface, const_cast<LPWSTR>(u"fuzz"), 1) || !DrvStartPage(p.surface))
            std::abort();
        // Room for downloads, so that the cache and its definitions are reached.
        pdev->graphics.deviceLimits[0] = 200000;
        return p;
    }();
    return page;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Page& page = TextPage();
    auto* pdev = reinterpret_cast<PrinterPdev*>(page.dhpdev);
    Input in{data, size};
    // Every input starts with a page whose cache holds something: output that failed stays failed.
    pdev->state &= ~kStateOutputFailed;
    pdev->graphics.downloadCachePrepared = FALSE;
    pdev->geometry.zoom = static_cast<WORD>(in.Take<uint8_t>() % 2 ? 100 : 25 + in.Take<uint8_t>() % 200);
    orla::Set(pdev->settings.record, orla::dm::Flags1, in.Take<DWORD>());

    const uint8_t kind = in.Take<uint8_t>();
    XFORML xform = in.Take<XFORML>();
    FONTOBJ* font = nullptr;
    bool trueType = (kind & 1) != 0;
    if (trueType) {
        // Glyph sizes stay within what a page can show.
        for (FLOATL* v : {&xform.eM11, &xform.eM12, &xform.eM21, &xform.eM22})
            if (!(*v > -0.2f && *v < 0.2f)) *v = 0.02f;
        PLAT_TRUETYPE_SETUP s{};
        s.fontFile = kTrueTypeFile;
        s.charSet = (kind & 2) ? SHIFTJIS_CHARSET : ANSI_CHARSET;
        s.iUniq = kind;
        s.iFile = kind >> 2;
        s.flSimulations = (kind & 4) ? FO_SIM_BOLD : 0;
        s.xform = xform;
        s.familyName = (kind & 8) ? u"ＭＳ 明朝" : nullptr;
        font = PlatTrueTypeFontCreate(&s);
    } else {
        PLAT_FONT_SETUP s{};
        s.iFace = in.Take<uint8_t>() % 32;
        s.flFontType = DEVICE_FONTTYPE | ((kind & 2) ? FO_SIM_ITALIC : 0);
        s.hasXform = (kind & 4) == 0;
        s.xform = xform;
        font = PlatFontCreate(&s);
    }
    if (font == nullptr) return 0;

    const ULONG count = in.Take<uint8_t>();
    std::vector<HGLYPH> handles(count);
    std::vector<POINTL> positions(count);
    std::vector<WCHAR> text(count);
    for (ULONG i = 0; i < count; ++i) {
        handles[i] = trueType ? in.Take<uint16_t>() % 4000 : in.Take<uint32_t>();
        positions[i] = POINTL{in.Take<int16_t>(), in.Take<int16_t>()};
        text[i] = in.Take<WCHAR>();
    }
    PLAT_STRING_SETUP s{count,
                        handles.data(),
                        positions.data(),
                        text.data(),
                        in.Take<uint16_t>(),
                        in.Take<uint8_t>(),
                        static_cast<ULONG>(in.Take<uint8_t>() % 40),
                        0};
    STROBJ* string = PlatStringCreate(&s);
    BRUSHOBJ* brush = PlatBrushCreateSolid(in.Take<uint32_t>() & 0xFFFFFF, 0);
    if (string != nullptr && brush != nullptr)
        DrvTextOut(page.surface, string, font, nullptr, nullptr, nullptr, brush, nullptr, nullptr, 0x0D0D);
    if (brush) PlatBrushDelete(brush);
    if (string) PlatStringDelete(string);
    trueType ? PlatTrueTypeFontDelete(font) : PlatFontDelete(font);
    FlushSpool(pdev);
    return 0;
}
