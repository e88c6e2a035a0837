// Building and tearing down the UI context: device data, printer and driver information, the
// usable forms, the four copies of the settings record and the printer-data settings.
#include "ui/entry/ui_context.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/settings.h"
#include "ui/entry/ansi_text.h"
#include "ui/entry/job_owner.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/status_manager.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/spool.h"

namespace orla {

namespace {

void AnsiBackToWide(const char* ansi, int bytes, int limitBytes, WCHAR* dest, int destChars) {
    std::memset(dest, 0, sizeof(WCHAR) * destChars);
    int take = WholeCharacterBytes(ansi, bytes, limitBytes);
    if (take > 0) MultiByteToWideChar(CP_ACP, 0, ansi, take, dest, destChars);
}

void CopyViaAnsi(LPCWSTR wide, int maxChars, int limitBytes, WCHAR* dest, int destChars) {
    char ansi[64];
    int bytes = ToAnsi(wide, maxChars, ansi, 2 * maxChars + 1);
    AnsiBackToWide(ansi, bytes, limitBytes, dest, destChars);
}

void PutText(DriverDevmode& record, DmText field, const WCHAR* text, size_t cch) {
    // The field is cleared first, so a shorter text carries its terminator.
    std::memset(record.bytes + field.offset, 0, 2 * field.cch);
    std::memcpy(record.bytes + field.offset, text, 2 * std::min<size_t>(cch, field.cch));
    TerminateText(RecordBytes(record), field);
}

void CopyPath(WCHAR (&dest)[MAX_PATH], LPCWSTR source) {
    std::memset(dest, 0, sizeof(dest));
    if (source) lstrcpynW(dest, source, MAX_PATH);
}

// Step 18: computer and user names into the record's job fields.
void WriteJobNames(DriverDevmode& record, LPCWSTR userName) {
    WCHAR computer[17] = {};
    DWORD size = 16;
    if (!GetComputerNameW(computer, &size)) computer[0] = 0;
    WCHAR text15[15], text17[17], text20[20];
    CopyWideViaAnsi15(text15, computer);
    PutText(record, dm::ComputerName, text15, 15);
    CopyJobUserName(text17, userName);
    PutText(record, dm::JobUserName, text17, 17);
    CopyWideViaAnsi20(text20, userName);
    PutText(record, dm::JobInfoUserName, text20, 20);
}

// A fresh pool holding a zeroed context, or null (nothing left allocated).
UiContext* NewContext(void) {
    BlockPool* pool = PoolCreate();
    if (!pool) return nullptr;
    void* body = PoolAlloc(pool, sizeof(UiContext));
    if (!body) {
        PoolDestroy(pool);
        return nullptr;
    }
    UiContext* context = new (body) UiContext{};
    context->pool = pool;
    ResetAccountBlock(&context->accountSaved);
    ResetAccountBlock(&context->accountSavedUser);
    return context;
}

// Step 8: the forms the context offers, in the spooler's order.
BOOL KeepForms(UiContext* context, const FORM_INFO_1W* forms, DWORD count, LONG version) {
    if (count == 0) return TRUE;
    context->formIds = static_cast<SHORT*>(PoolAlloc(context->pool, sizeof(SHORT) * count));
    context->formSizes = static_cast<FormSize*>(PoolAlloc(context->pool, sizeof(FormSize) * count));
    context->formNames =
        static_cast<WCHAR(*)[kUiFormNameChars]>(PoolAlloc(context->pool, sizeof(WCHAR) * kUiFormNameChars * count));
    if (!context->formIds || !context->formSizes || !context->formNames) return FALSE;
    DWORD kept = 0;
    for (DWORD i = 0; i < count; ++i) {
        const FORM_INFO_1W& f = forms[i];
        if (!IsContextForm(f, version)) continue;
        context->formIds[kept] = static_cast<SHORT>(i + 1);
        context->formSizes[kept] = {f.Size.cx / 100, f.Size.cy / 100};
        if (f.pName) lstrcpynW(context->formNames[kept], f.pName, kUiFormNameChars);
        ++kept;
    }
    context->formCount = kept;
    return TRUE;
}

// The light variant's owner user name: the job owner record's user name (system code page, at
// most 20 bytes) as UTF-16 in both settings copies.
void WriteOwnerUserName(UiContext* context, HANDLE hPrinter) {
    JobOwnerRecord owner;
    BuildJobOwnerRecord(hPrinter, 0, &context->currentDevmode, &owner);
    WCHAR name[33] = {};
    MultiByteToWideChar(CP_ACP, 0, owner.userName, -1, name, 32);
    name[32] = 0;
    for (DriverDevmode* record : {&context->currentDevmode, &context->defaultDevmode})
        SetText(*record, dm::OwnerUserName, std::u16string_view(reinterpret_cast<const char16_t*>(name)));
}

// Steps 13 to 20, shared by both variants: the settings as the printer's configuration and the
// constraint pass leave them, the names, the applied copy, and what goes back to the printer.
void BuildSettings(UiContext* context, HANDLE hPrinter, const DEVMODEW* callerDevmode, bool full) {
    DriverDevmode& current = context->currentDevmode;
    BuildEffectiveSettings(&current, callerDevmode, hPrinter, nullptr, context->deviceData);
    ReadPrinterDataSettings(context, &current, hPrinter);
    UpdatePalmFlag(&current, &context->printerConfig, hPrinter);
    ApplyConfigAndPublish(&current, &context->printerConfig, hPrinter, context->deviceData);
    ApplyOptionConstraints(&current, nullptr, &context->printerConfig, hPrinter, context->deviceData, context->hResDll,
                           context->flags, &context->monitorProbe);
    WriteJobNames(current, context->userName);
    if (full) WriteJobNames(context->defaultDevmode, context->userName);
    if (!full) WriteOwnerUserName(context, hPrinter);
    context->appliedDevmode = current;
    UpdatePrinterConfig(&context->printerConfig, hPrinter);
    StorePrinterDataSettings(context, &current, hPrinter, context->deviceData);
}

}  // namespace

BOOL IsContextForm(const FORM_INFO_1W& form, LONG descriptionVersion) {
    const LONG width = form.Size.cx;
    const LONG length = form.Size.cy;
    const bool old = descriptionVersion <= 3;
    const LONG minLength = old ? kFormMinLengthOld : kFormMinLength;
    if (width >= kFormMinWidth && width <= kFormMaxWidth && length >= minLength && length <= kFormMaxLength) {
        return TRUE;
    }
    return old && width == kLongPaperWidth && length == kLongPaperLength && form.pName &&
           std::u16string_view(form.pName) == kLongPaperFormName;
}

UiContext* CreateUiContext(HANDLE hPrinter, const DEVMODEW* callerDevmode) {
    const CompiledDeviceData* data = GetDeviceData(hPrinter);
    if (!data) return nullptr;
    AddDriverForms(hPrinter, data);

    BYTE* printerInfo = GetPrinterInfoAlloc(hPrinter, 2);
    BYTE* driverInfo = printerInfo ? GetDriverInfoAlloc(hPrinter, 3) : nullptr;
    DWORD formCount = 0;
    FORM_INFO_1W* forms = driverInfo ? EnumUsableForms(hPrinter, &formCount, data) : nullptr;
    UiContext* context = forms ? NewContext() : nullptr;
    auto freeBuffers = [&] {
        if (printerInfo) GlobalFree(printerInfo);
        if (driverInfo) GlobalFree(driverInfo);
        if (forms) GlobalFree(forms);
    };
    if (!context) {
        ReleaseDeviceData(data);
        freeBuffers();
        return nullptr;
    }

    context->magic = kUiContextMagic;
    context->hPrinter = hPrinter;
    context->deviceData = data;
    context->hResDll = LoadResourceDll(hPrinter);
    context->languageId = GetUserLocaleId();

    if (!KeepForms(context, forms, formCount, DeviceDataVersion(data))) {
        freeBuffers();
        DestroyUiContext(context);
        return nullptr;
    }

    const DRIVER_INFO_3W* di = reinterpret_cast<const DRIVER_INFO_3W*>(driverInfo);
    CopyPath(context->driverPath, di->pDriverPath);
    CopyPath(context->helpFile, di->pHelpFile);
    ApplyHelpFileLocale(context->helpFile, context->languageId);

    const PRINTER_INFO_2W* pi = reinterpret_cast<const PRINTER_INFO_2W*>(printerInfo);
    CopyPath(context->printerName, pi->pPrinterName);
    DWORD userChars = 21;
    if (!GetUserNameW(context->userName, &userChars)) context->userName[0] = 0;
    context->userName[21] = 0;

    AcquirePrinterConfig(&context->printerConfig, hPrinter, nullptr);
    SetDefaultDevmode(&context->defaultDevmode, hPrinter, nullptr, data);
    BuildSettings(context, hPrinter, callerDevmode, true);
    freeBuffers();
    return context;
}

UiContext* CreateUiContextNoUi(HANDLE hPrinter, const DEVMODEW* callerDevmode) {
    const CompiledDeviceData* data = GetDeviceData(hPrinter);
    if (!data) return nullptr;
    AddDriverForms(hPrinter, data);

    BYTE* printerInfo = GetPrinterInfoAlloc(hPrinter, 2);
    UiContext* context = printerInfo ? NewContext() : nullptr;
    if (!context) {
        ReleaseDeviceData(data);
        if (printerInfo) GlobalFree(printerInfo);
        return nullptr;
    }
    context->deviceData = data;
    context->hResDll = LoadResourceDll(hPrinter);

    const PRINTER_INFO_2W* pi = reinterpret_cast<const PRINTER_INFO_2W*>(printerInfo);
    CopyPath(context->printerName, pi->pPrinterName);
    DWORD userChars = 21;
    if (!GetUserNameW(context->userName, &userChars)) context->userName[0] = 0;
    context->userName[21] = 0;

    AcquirePrinterConfig(&context->printerConfig, hPrinter, nullptr);
    BuildSettings(context, hPrinter, callerDevmode, false);
    GlobalFree(printerInfo);
    return context;
}

void DestroyUiContext(UiContext* context) {
    if (!context) return;
    ReleaseStatusManager(&context->printerConfig);  // a refresh whose reply never came
    if (context->deviceData) ReleaseDeviceData(context->deviceData);
    if (context->hResDll) FreeResourceDll(context->hResDll);
    BlockPool* pool = context->pool;
    if (context->formIds) PoolFree(pool, context->formIds);
    if (context->formSizes) PoolFree(pool, context->formSizes);
    if (context->formNames) PoolFree(pool, context->formNames);
    PoolDestroy(pool);  // the record itself lives in the pool
}

// ---- Names through the system code page ----

void CopyJobUserName(WCHAR dest[17], LPCWSTR wideUserName) {
    std::memset(dest, 0, sizeof(WCHAR) * 17);
    char ansi[43];
    int bytes = ToAnsi(wideUserName, 21, ansi, sizeof(ansi));
    int kept = bytes;
    if (bytes > 16) {
        kept = WholeCharacterBytes(ansi, bytes, 13);
        std::memset(ansi + kept, 0, sizeof(ansi) - kept);
        std::memcpy(ansi + kept, "...", 3);
        bytes = kept + 3;
    }
    // A quote or tilde would break the job's PJL line: leave the field empty.
    for (int i = 0; i < kept; ++i) {
        if (ansi[i] == '"' || ansi[i] == '~') return;
    }
    AnsiBackToWide(ansi, bytes, 17, dest, 17);
}

void CopyWideViaAnsi20(WCHAR dest[20], LPCWSTR wideText) {
    CopyViaAnsi(wideText, 21, 20, dest, 20);
}

void CopyWideViaAnsi15(WCHAR dest[15], LPCWSTR wideText) {
    CopyViaAnsi(wideText, 15, 15, dest, 15);
}

}  // namespace orla
