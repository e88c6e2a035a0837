// DrvEnablePDEV, DrvCompletePDEV, DrvEnableSurface, DrvDisableSurface, DrvDisablePDEV and the
// validity check every hook runs first.
#include <functional>

#include "core/driver_devmode.h"
#include "render_fixture.h"

namespace render_test {
namespace {

using PdevLifecycle = DriverTest;

TEST_F(PdevLifecycle, EnabledRecordIsFramedAndReadyForAJob) {
    EnabledPdev e = EnablePdev(printer_);
    ASSERT_NE(e.dhpdev, nullptr);
    PrinterPdev* pdev = e.pdev();
    EXPECT_TRUE(ValidatePdev(pdev));
    EXPECT_EQ(kPdevMagic, 0x4B513454u);  // "KQ4T", first character most significant
    EXPECT_EQ(pdev->leadingMagic, kPdevMagic);
    EXPECT_EQ(pdev->trailingMagic, kPdevMagic);
    EXPECT_EQ(pdev->printer, printer_);
    EXPECT_NE(pdev->deviceData, nullptr);
    EXPECT_NE(pdev->bandRecord, nullptr);
    EXPECT_EQ(pdev->pending, kPendingJobHeader) << "a new record owes the job header and nothing else";
    EXPECT_EQ(pdev->output.capacity, 4096u);
    EXPECT_EQ(pdev->output.count, 0u);
    EXPECT_EQ(pdev->output.writePointer, pdev->output.data);
    EXPECT_EQ(pdev->jobSpool.spoolName[0], u'0');
    EXPECT_EQ(pdev->trustMark.noKmwFile, 1u);
    EXPECT_EQ(pdev->store.handle, nullptr);
    if (!orla::kJapaneseBuild) {
        EXPECT_EQ(pdev->fonts.count, 0) << "this build offers no device fonts";
    } else {
        EXPECT_EQ(orla::Get(pdev->settings.record, orla::dm::TrustMarkResult), 0u);
    }
    EXPECT_GE(PdevAllocationCount(pdev->allocationList), 2u) << "the record and the band record";

    EXPECT_EQ(pdev->engineDevice, e.hdev);
    DrvCompletePDEV(e.dhpdev, reinterpret_cast<HDEV>(0x1234));
    EXPECT_EQ(pdev->engineDevice, reinterpret_cast<HDEV>(0x1234));
    DrvCompletePDEV(e.dhpdev, e.hdev);
    e.Disable();  // LeakSanitizer checks that every block went
}

TEST_F(PdevLifecycle, MissingOutputStructuresAreRefused) {
    GDIINFO gdi{};
    DEVINFO dev{};
    EXPECT_EQ(DrvEnablePDEV(nullptr, nullptr, 0, nullptr, sizeof gdi, nullptr, sizeof dev, &dev, nullptr,
                            const_cast<LPWSTR>(kPrinterName), printer_),
              nullptr);
    EXPECT_EQ(DrvEnablePDEV(nullptr, nullptr, 0, nullptr, sizeof gdi, reinterpret_cast<ULONG*>(&gdi), sizeof dev,
                            nullptr, nullptr, const_cast<LPWSTR>(kPrinterName), printer_),
              nullptr);
}

TEST_F(PdevLifecycle, APrinterWithoutDeviceDataGetsNoRecord) {
    EnabledPdev e = EnablePdev(nullptr);
    EXPECT_EQ(e.dhpdev, nullptr);
}

TEST_F(PdevLifecycle, EveryOutOfMemoryPointGivesNullAndLeaksNothing) {
    // Fail the n-th allocation for every n until the record can be made: each attempt must
    // return null and free what it took (LeakSanitizer checks the whole program).
    int succeededAt = 0;
    for (int n = 1; n <= 200 && succeededAt == 0; ++n) {
        PlatClearInjections();
        PlatInjectFailure("GlobalAlloc", n, ERROR_NOT_ENOUGH_MEMORY);
        EnabledPdev e = EnablePdev(printer_);
        if (e.dhpdev != nullptr) {
            succeededAt = n;
            e.Disable();
        }
    }
    PlatClearInjections();
    EXPECT_GT(succeededAt, 2) << "the record and its list are allocations that can fail";
}

TEST_F(PdevLifecycle, CommandModeGetsADeviceSurface) {
    EnabledPdev e = EnablePdev(printer_);
    ASSERT_NE(e.dhpdev, nullptr);
    e.pdev()->state &= ~kStateRasterMode;
    HSURF surface = DrvEnableSurface(e.dhpdev);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(e.pdev()->surface, surface);
    EXPECT_FALSE(e.pdev()->surfaceIsBand);
    EXPECT_EQ(e.pdev()->bandRecord->firstFormat, BMF_1BPP);
    EXPECT_EQ(e.pdev()->bandRecord->colourCodes[0], 255);
    EXPECT_EQ(e.pdev()->flow.bandIndex, -1);
    EXPECT_EQ(PlatGdiSurfaceInfo(surface).hooks, static_cast<FLONG>(0x4FB));
    DrvDisableSurface(e.dhpdev);
    EXPECT_FALSE(PlatGdiSurfaceInfo(surface).valid) << "the surface was deleted";
    EXPECT_EQ(e.pdev()->surface, nullptr);
    e.Disable();
}

TEST_F(PdevLifecycle, RasterModeGetsABandingBitmapOfThePrintableArea) {
    EnabledPdev e = EnablePdev(printer_);
    ASSERT_NE(e.dhpdev, nullptr);
    e.pdev()->state |= kStateRasterMode;
    HSURF surface = DrvEnableSurface(e.dhpdev);
    ASSERT_NE(surface, nullptr);
    EXPECT_TRUE(e.pdev()->surfaceIsBand);
    SURFOBJ* so = EngLockSurface(surface);
    ASSERT_NE(so, nullptr);
    const RECTL& p = e.pdev()->geometry.printable;
    EXPECT_EQ(so->sizlBitmap.cx, p.right - p.left);
    EXPECT_EQ(so->sizlBitmap.cy, p.bottom - p.top);
    EXPECT_EQ(so->iBitmapFormat, static_cast<ULONG>(BMF_1BPP));
    EXPECT_EQ(so->lDelta, ((p.right - p.left + 31) / 8) & ~3) << "top-down rows of whole dwords";
    EngUnlockSurface(so);
    PLAT_GDI_SURFACE_INFO info = PlatGdiSurfaceInfo(surface);
    EXPECT_TRUE(info.banding);
    EXPECT_TRUE(info.topDown);
    EXPECT_EQ(info.hooks, static_cast<FLONG>(0x403));
    DrvDisableSurface(e.dhpdev);
    e.Disable();
}

TEST_F(PdevLifecycle, AFailedBandingBitmapFallsBackToADeviceSurface) {
    EnabledPdev e = EnablePdev(printer_);
    ASSERT_NE(e.dhpdev, nullptr);
    PrinterPdev* pdev = e.pdev();
    pdev->state |= kStateRasterMode;
    orla::Set(pdev->settings.record, orla::dm::Flags1,
              orla::Get(pdev->settings.record, orla::dm::Flags1) | orla::kFlags1RasterMode);
    PlatInjectFailure("EngCreateBitmap", 1, ERROR_NOT_ENOUGH_MEMORY);
    HSURF surface = DrvEnableSurface(e.dhpdev);
    ASSERT_NE(surface, nullptr);
    EXPECT_FALSE(pdev->surfaceIsBand);
    EXPECT_EQ(pdev->state & kStateRasterMode, 0u);
    EXPECT_EQ(orla::Get(pdev->settings.record, orla::dm::Flags1) & orla::kFlags1RasterMode, 0u)
        << "the settings no longer ask for raster mode";
    PLAT_GDI_SURFACE_INFO info = PlatGdiSurfaceInfo(surface);
    EXPECT_EQ(info.iType, static_cast<ULONG>(STYPE_DEVICE));
    EXPECT_EQ(info.hooks, static_cast<FLONG>(0x4FB));
    DrvDisableSurface(e.dhpdev);
    e.Disable();
}

TEST_F(PdevLifecycle, DisableOfADamagedRecordDeletesItsFilesButFreesNothing) {
    EnabledPdev e = EnablePdev(printer_);
    ASSERT_NE(e.dhpdev, nullptr);
    PrinterPdev* pdev = e.pdev();
    auto before = TempFolderFiles();
    orla::Set(pdev->settings.record, orla::dm::Copies, SHORT{2});
    orla::Set(pdev->settings.record, orla::dm::Flags1, orla::Get(pdev->settings.record, orla::dm::Flags1) | 0x4u);
    ASSERT_TRUE(OpenStoreFile(pdev));
    ASSERT_NE(pdev->store.handle, nullptr);
    EXPECT_NE(TempFolderFiles(), before);

    size_t blocks = PdevAllocationCount(pdev->allocationList);
    pdev->trailingMagic = 0;
    SetLastError(0);
    DrvDisablePDEV(e.dhpdev);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(TempFolderFiles(), before) << "the store file is gone";
    EXPECT_EQ(PdevAllocationCount(pdev->allocationList), blocks) << "nothing was freed";

    pdev->trailingMagic = kPdevMagic;
    e.Disable();
    SetLastError(0);
    DrvDisablePDEV(nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Every hook that takes a device context refuses a damaged one with last error 87.
struct HookCall {
    const char* name;
    std::function<bool(DHPDEV, SURFOBJ*)> refused;  // true when the call gave its failure value
};

std::vector<HookCall> HookCalls() {
    static DHPDEV other = nullptr;
    return {
        {"DrvResetPDEV old", [](DHPDEV d, SURFOBJ*) { return !DrvResetPDEV(d, other); }},
        {"DrvResetPDEV new", [](DHPDEV d, SURFOBJ*) { return !DrvResetPDEV(other, d); }},
        {"DrvCompletePDEV",
         [](DHPDEV d, SURFOBJ*) {
             DrvCompletePDEV(d, nullptr);
             return true;
         }},
        {"DrvEnableSurface", [](DHPDEV d, SURFOBJ*) { return DrvEnableSurface(d) == nullptr; }},
        {"DrvGetGlyphMode", [](DHPDEV d, SURFOBJ*) { return DrvGetGlyphMode(d, nullptr) == 0; }},
        {"DrvTextOut",
         [](DHPDEV, SURFOBJ* s) {
             return !DrvTextOut(s, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
         }},
        {"DrvQueryFont", [](DHPDEV d, SURFOBJ*) { return DrvQueryFont(d, 0, 1, nullptr) == nullptr; }},
        {"DrvQueryFontTree",
         [](DHPDEV d, SURFOBJ*) { return DrvQueryFontTree(d, 0, 1, QFT_GLYPHSET, nullptr) == nullptr; }},
        {"DrvQueryFontData",
         [](DHPDEV d, SURFOBJ*) { return DrvQueryFontData(d, nullptr, 3, 0, nullptr, nullptr, 0) == -1; }},
        {"DrvQueryAdvanceWidths",
         [](DHPDEV d, SURFOBJ*) { return !DrvQueryAdvanceWidths(d, nullptr, 0, nullptr, nullptr, 1); }},
        {"DrvBitBlt",
         [](DHPDEV, SURFOBJ* s) {
             return !DrvBitBlt(s, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               0xCCCC);
         }},
        {"DrvStretchBlt",
         [](DHPDEV, SURFOBJ* s) {
             return !DrvStretchBlt(s, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   4);
         }},
        {"DrvCopyBits",
         [](DHPDEV, SURFOBJ* s) { return !DrvCopyBits(s, nullptr, nullptr, nullptr, nullptr, nullptr); }},
        {"DrvStartDoc", [](DHPDEV, SURFOBJ* s) { return !DrvStartDoc(s, nullptr, 1); }},
        {"DrvStartPage", [](DHPDEV, SURFOBJ* s) { return !DrvStartPage(s); }},
        {"DrvSendPage", [](DHPDEV, SURFOBJ* s) { return !DrvSendPage(s); }},
        {"DrvEndDoc", [](DHPDEV, SURFOBJ* s) { return !DrvEndDoc(s, 0); }},
        {"DrvStrokePath",
         [](DHPDEV, SURFOBJ* s) { return !DrvStrokePath(s, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0); }},
        {"DrvFillPath", [](DHPDEV, SURFOBJ* s) { return !DrvFillPath(s, nullptr, nullptr, nullptr, nullptr, 0, 0); }},
        {"DrvStrokeAndFillPath",
         [](DHPDEV, SURFOBJ* s) {
             return !DrvStrokeAndFillPath(s, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0);
         }},
        {"DrvPaint", [](DHPDEV, SURFOBJ* s) { return !DrvPaint(s, nullptr, nullptr, nullptr, 0); }},
        {"DrvRealizeBrush",
         [](DHPDEV, SURFOBJ* s) { return !DrvRealizeBrush(nullptr, s, nullptr, nullptr, nullptr, 0); }},
        {"DrvEscape", [](DHPDEV, SURFOBJ* s) { return DrvEscape(s, 9000, 0, nullptr, 0, nullptr) == 0; }},
        {"DrvDitherColor", [](DHPDEV d, SURFOBJ*) { return DrvDitherColor(d, 0, 0, nullptr) == 0; }},
        {"DrvStartBanding",
         [](DHPDEV, SURFOBJ* s) {
             POINTL p{};
             return !DrvStartBanding(s, &p);
         }},
        {"DrvNextBand",
         [](DHPDEV, SURFOBJ* s) {
             POINTL p{};
             return !DrvNextBand(s, &p);
         }},
    };
}

TEST_F(PdevLifecycle, EveryHookRefusesADamagedRecordWithError87) {
    EnabledPdev e = EnablePdev(printer_);
    ASSERT_NE(e.dhpdev, nullptr);
    struct Damage {
        const char* name;
        std::function<void(PrinterPdev*)> apply, undo;
    } damages[] = {
        {"last dword", [](PrinterPdev* p) { p->trailingMagic ^= 1; }, [](PrinterPdev* p) { p->trailingMagic ^= 1; }},
        {"first dword", [](PrinterPdev* p) { p->leadingMagic = 0; },
         [](PrinterPdev* p) { p->leadingMagic = kPdevMagic; }},
    };
    for (const Damage& damage : damages) {
        damage.apply(e.pdev());
        for (const HookCall& call : HookCalls()) {
            SetLastError(0);
            EXPECT_TRUE(call.refused(e.dhpdev, e.so())) << call.name << " with a damaged " << damage.name;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << call.name;
        }
        damage.undo(e.pdev());
    }
    // A null record and a surface without one are refused the same way.
    SURFOBJ empty{};
    for (const HookCall& call : HookCalls()) {
        SetLastError(0);
        EXPECT_TRUE(call.refused(nullptr, &empty)) << call.name;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << call.name;
    }
    DrvDisableSurface(nullptr);  // no error for this one, and no crash
    e.Disable();
}

}  // namespace
}  // namespace render_test
