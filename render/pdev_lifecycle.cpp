// The life of the device context: DrvEnablePDEV builds the PrinterPdev, DrvCompletePDEV,
// DrvEnableSurface and DrvDisableSurface use it, DrvDisablePDEV and FreePdev end it.
#include <cstddef>
#include <cstring>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "render/ddi_hooks.h"
#include "render/device_font_record.h"
#include "render/device_fonts.h"
#include "render/driver_log.h"
#include "render/kwe_marks.h"
#include "render/output_writer.h"
#include "render/page_settings.h"
#include "render/pdev.h"
#include "win/spool.h"

namespace {

namespace dm = orla::dm;

constexpr FLONG kBandingHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_COPYBITS;
constexpr FLONG kDeviceSurfaceHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_PAINT | HOOK_STROKEPATH |
                                      HOOK_FILLPATH | HOOK_STROKEANDFILLPATH | HOOK_COPYBITS;
constexpr FLONG kBandingBitmapFlags = BMF_TOPDOWN | BMF_NOZEROINIT | BMF_USERMEM;
static_assert(kBandingHooks == 0x403 && kDeviceSurfaceHooks == 0x4FB && kBandingBitmapFlags == 0x0B);

constexpr BYTE kDeviceFontsOffered = fontrec::kDeviceFontCount;

void SetNoFile(WCHAR* name) {
    name[0] = u'0', name[1] = 0;
}
bool HasFile(const WCHAR* name) {
    return name[0] != 0 && !(name[0] == u'0' && name[1] == 0);
}

// The module handle of the driver file, when the entry point did not record one.
HMODULE ModuleOfDriver(PrinterPdev* pdev) {
    DWORD needed = 0;
    GetPrinterDriverW(pdev->printer, nullptr, 2, nullptr, 0, &needed);
    if (needed == 0) return nullptr;
    BYTE* block = static_cast<BYTE*>(PdevAlloc(pdev->allocationList, needed));
    if (block == nullptr) return nullptr;
    HMODULE module = nullptr;
    if (GetPrinterDriverW(pdev->printer, nullptr, 2, block, needed, &needed)) {
        const DRIVER_INFO_2W* info = reinterpret_cast<const DRIVER_INFO_2W*>(block);
        if (info->pDriverPath != nullptr) module = GetModuleHandleW(info->pDriverPath);
    }
    PdevFree(pdev->allocationList, block);
    return module;
}

void ClearJobFiles(PrinterPdev* pdev) {
    JobSpoolFiles& js = pdev->jobSpool;
    js.spoolFile = nullptr;
    js.headerFile = nullptr;
    js.spoolByteCount = 0;
    js.headerCounter = 0;
    js.sectionCount = 1;
    js.outputCount = 0;
    SetNoFile(js.spoolName);
    SetNoFile(js.headerName);
    SetNoFile(pdev->trustMark.kmwName);
    pdev->trustMark.noKmwFile = 1;
}

void ClearStoreFields(PrinterPdev* pdev) {
    pdev->store.storeFlag = 0;
    pdev->store.writeError = 0;
    pdev->store.handle = nullptr;
    pdev->store.name[0] = 0;
}

void ResetOutputBuffer(PrinterPdev* pdev) {
    pdev->output.capacity = kOutputBufferCapacity;
    pdev->output.writePointer = pdev->output.data;
    pdev->output.count = 0;
}

void DeleteKmwFile(PrinterPdev* pdev) {
    if (!orla::kJapaneseBuild) return;  // only this build makes one
    if (pdev->trustMark.noKmwFile != 0 || !HasFile(pdev->trustMark.kmwName)) return;
    WCHAR path[MAX_PATH + 128];
    DWORD n = GetTempPathW(MAX_PATH, path);
    if (n == 0 || n >= MAX_PATH) return;
    lstrcpynW(path + n, pdev->trustMark.kmwName, 128);
    DeleteFileW(path);
    SetNoFile(pdev->trustMark.kmwName);
    pdev->trustMark.noKmwFile = 1;
}

LONG PrintableWidth(const PrinterPdev* pdev) {
    return pdev->geometry.printable.right - pdev->geometry.printable.left;
}
LONG PrintableHeight(const PrinterPdev* pdev) {
    return pdev->geometry.printable.bottom - pdev->geometry.printable.top;
}

HSURF CreateBandingBitmap(PrinterPdev* pdev, SIZEL size) {
    LONG rowBytes = ((size.cx + 31) / 8) & ~3;
    HBITMAP bitmap = EngCreateBitmap(size, rowBytes, BMF_1BPP, kBandingBitmapFlags, nullptr);
    if (bitmap == nullptr) return nullptr;
    HSURF surface = reinterpret_cast<HSURF>(bitmap);
    if (!EngMarkBandingSurface(surface) || !EngAssociateSurface(surface, pdev->engineDevice, kBandingHooks)) {
        EngDeleteSurface(surface);
        return nullptr;
    }
    return surface;
}

}  // namespace

BOOL ValidatePdev(const PrinterPdev* pdev) {
    return pdev != nullptr && pdev->leadingMagic == kPdevMagic && pdev->trailingMagic == kPdevMagic;
}

void FreePdev(PrinterPdev* pdev) {
    if (pdev == nullptr) return;
    PdevAllocationList* list = pdev->allocationList;
    if (pdev->fonts.records != nullptr) {
        for (BYTE i = 0; i < pdev->fonts.count; ++i) PdevFree(list, pdev->fonts.records[i]);
        PdevFree(list, pdev->fonts.records);
        pdev->fonts.records = nullptr;
    }
    if (pdev->settings.tables.fontSubstitution != nullptr) {
        PdevFree(list, pdev->settings.tables.fontSubstitution);
        pdev->settings.tables.fontSubstitution = nullptr;
    }
    if (pdev->deviceData != nullptr) orla::ReleaseDeviceData(pdev->deviceData);
    pdev->deviceData = nullptr;
    // The record is one of the list's blocks: nothing of it may be touched after this.
    FreePdevAllocationList(list);
}

DLLEXPORT DHPDEV APIENTRY DrvEnablePDEV(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns,
                                        ULONG cjCaps, ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                                        LPWSTR pwszDeviceName, HANDLE hDriver) {
    if (pdevcaps == nullptr || pdi == nullptr) {
        DriverLog("DrvEnablePDEV: no GDIINFO or DEVINFO to fill");
        return nullptr;
    }
    PdevAllocationList* list = CreatePdevAllocationList();
    if (list == nullptr) return nullptr;
    PrinterPdev* pdev = static_cast<PrinterPdev*>(PdevAlloc(list, sizeof(PrinterPdev)));
    if (pdev == nullptr) {
        FreePdevAllocationList(list);
        return nullptr;
    }
    pdev->allocationList = list;
    pdev->printer = hDriver;
    pdev->flow.bandIndex = -1;

    auto fail = [&](const char* why) -> DHPDEV {
        DriverLog("DrvEnablePDEV failed: %s", why);
        FreePdev(pdev);
        return nullptr;
    };

    pdev->module = GraphicsModuleHandle();
    if (pdev->module == nullptr) pdev->module = ModuleOfDriver(pdev);

    pdev->deviceData = orla::GetDeviceData(hDriver);
    if (pdev->deviceData == nullptr) return fail("no compiled device data for the printer");

    ResetOutputBuffer(pdev);

    pdev->bandRecord = static_cast<BandRecord*>(PdevAlloc(list, sizeof(BandRecord)));
    if (pdev->bandRecord == nullptr) return fail("no memory for the band record");

    if (!LoadPdevSettings(pdev, pdm, pwszDeviceName)) return fail("settings could not be loaded");

    FillGdiInfo(pdev, cjCaps, pdevcaps);

    pdev->fonts.count = (pdev->state & kStateRasterMode) != 0 || !orla::kJapaneseBuild ? 0 : kDeviceFontsOffered;
    if (!LoadDeviceFonts(pdev)) return fail("no memory for the device-font table");

    LoadAccountingSettings(pdev->settings.record.bytes, orla::kDriverDevmodeSize, pdev->printer);

    ULONG patternSize = 0;
    if (cjCaps >= offsetof(GDIINFO, ulHTPatternSize) + sizeof(ULONG))
        patternSize = reinterpret_cast<const GDIINFO*>(pdevcaps)->ulHTPatternSize;
    if (!FillDevInfo(pdev, cjDevInfo, pdi, patternSize)) return fail("DEVINFO could not be filled");

    if (phsurfPatterns != nullptr)
        for (ULONG i = 0; i < cPat; ++i) phsurfPatterns[i] = nullptr;

    ClearJobFiles(pdev);
    ClearStoreFields(pdev);

    if constexpr (orla::kJapaneseBuild) BindTrustMarking(pdev);
    return reinterpret_cast<DHPDEV>(pdev);
}

DLLEXPORT void APIENTRY DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev) {
    PrinterPdev* pdev = reinterpret_cast<PrinterPdev*>(dhpdev);
    if (!ValidatePdev(pdev)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return;
    }
    pdev->engineDevice = hdev;
}

DLLEXPORT HSURF APIENTRY DrvEnableSurface(DHPDEV dhpdev) {
    PrinterPdev* pdev = reinterpret_cast<PrinterPdev*>(dhpdev);
    if (!ValidatePdev(pdev)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    BandRecord* band = pdev->bandRecord;
    PdevFree(pdev->allocationList, band->rowBuffer);
    band->rowBuffer = nullptr;
    band->rowBufferSize = 0;
    band->flags = 0;
    band->invertMask = 0;
    band->maxPaletteEntries = 2;
    band->firstFormat = BMF_1BPP;
    band->secondFormat = 255;
    band->colourCodes[0] = band->colourCodes[1] = 255;
    pdev->flow.bandIndex = -1;

    SIZEL size{PrintableWidth(pdev), PrintableHeight(pdev)};
    if (size.cx <= 0 || size.cy <= 0) {
        DriverLog("DrvEnableSurface: empty printable area %ld x %ld", static_cast<long>(size.cx),
                  static_cast<long>(size.cy));
        return nullptr;
    }
    HSURF surface = nullptr;
    pdev->surfaceIsBand = FALSE;
    if ((pdev->state & kStateRasterMode) != 0) {
        surface = CreateBandingBitmap(pdev, size);
        if (surface != nullptr) {
            pdev->surfaceIsBand = TRUE;
        } else {
            // No banding bitmap: the job goes out in command mode on a device surface.
            DriverLog("DrvEnableSurface: no banding bitmap, raster mode off");
            DWORD flags1 = orla::Get(pdev->settings.record, dm::Flags1);
            orla::Set(pdev->settings.record, dm::Flags1, flags1 & ~orla::kFlags1RasterMode);
            pdev->state &= ~kStateRasterMode;
        }
    }
    if (surface == nullptr) {
        surface = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), size, BMF_24BPP);
        if (surface == nullptr) return nullptr;
        if (!EngAssociateSurface(surface, pdev->engineDevice, kDeviceSurfaceHooks)) {
            EngDeleteSurface(surface);
            return nullptr;
        }
    }
    pdev->surface = surface;
    return surface;
}

DLLEXPORT void APIENTRY DrvDisableSurface(DHPDEV dhpdev) {
    PrinterPdev* pdev = reinterpret_cast<PrinterPdev*>(dhpdev);
    if (!ValidatePdev(pdev)) return;
    if (pdev->bandRecord != nullptr) {
        PdevFree(pdev->allocationList, pdev->bandRecord->rowBuffer);
        pdev->bandRecord->rowBuffer = nullptr;
        pdev->bandRecord->rowBufferSize = 0;
    }
    if (pdev->surface != nullptr) EngDeleteSurface(pdev->surface);
    pdev->surface = nullptr;
    pdev->surfaceIsBand = FALSE;
}

DLLEXPORT void APIENTRY DrvDisablePDEV(DHPDEV dhpdev) {
    PrinterPdev* pdev = reinterpret_cast<PrinterPdev*>(dhpdev);
    if (pdev == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return;
    }
    // The temporary files go even when the record is damaged: they must not be left behind.
    DeleteKmwFile(pdev);
    if (pdev->store.handle != nullptr || pdev->store.name[0] != 0) DeleteStoreFile(pdev);
    if (pdev->jobSpool.spoolFile != nullptr || pdev->jobSpool.headerFile != nullptr ||
        HasFile(pdev->jobSpool.spoolName) || HasFile(pdev->jobSpool.headerName))
        DeleteJobSpoolFiles(pdev);
    if (!ValidatePdev(pdev)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return;
    }
    if (pdev->palette != nullptr) EngDeletePalette(pdev->palette);
    pdev->palette = nullptr;
    ResetOutputBuffer(pdev);
    FreePdev(pdev);
}
