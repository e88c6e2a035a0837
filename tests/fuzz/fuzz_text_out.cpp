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

#include "fuzz_input.h"
#include "fuzz_sandbox.h"
#include "plat/control.h"
#include "plat/gdi_control.h"
#include "render/command_page_device.h"
#include "render/ddi_hooks.h"
#include "render/device_fonts.h"
#include "render/drawing_hooks.h"
#include "render/output_writer.h"
#include "render/pdev.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace {

constexpr const char* kTrueTypeFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// A command-mode page with downloads allowed; made once a process.
const render_test::CommandPageDevice& TextPage() {
    static render_test::CommandPageDevice page = [] {
        FuzzSandboxRoot("text-out");
        render_test::CommandPageDevice d =
            render_test::OpenCommandPageDevice(ORLA_SOURCE_DIR "/resources/models/HV4400KJ.KDD");
        if (!DrvStartPage(d.surface)) std::abort();
        // Room for downloads, so that the cache and its definitions are reached.
        d.pdev()->graphics.deviceLimits[0] = 200000;
        return d;
    }();
    return page;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const render_test::CommandPageDevice& page = TextPage();
    auto* pdev = reinterpret_cast<PrinterPdev*>(page.dhpdev);
    FuzzInput in{data, size};
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
