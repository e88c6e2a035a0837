// The sheet callbacks: INIT builds the UI context and adds the pages, GET_INFO_HEADER names the
// sheet, SET_RESULT commits the applied settings (and hands them to a document caller), DESTROY
// tears the context down. Both sheets share every step but what their header carries.
#include "ui/pages/sheet_callbacks.h"

#include "core/form_overlay.h"
#include "core/settings.h"
#include "core/settings_resolver.h"
#include "ui/entry/document_properties.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/printer_data_store.h"
#include "ui/entry/ui_context.h"
#include "ui/pages/page_creation.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace orla {

namespace {

constexpr LONG kRecordSize = static_cast<LONG>(kDriverDevmodeSize);
constexpr WORD kPrinterIconId = IDI_CPSUI_PRINTER;

typedef LONG (*CommonPropertySheetFn)(HWND, PFNPROPSHEETUI, LPARAM, LPDWORD);

// Which sheet a callback serves: the header it finds in lParamInit.
struct SheetKind {
    bool document;
};

HANDLE HeaderPrinter(const SheetKind& kind, LPARAM header) {
    return kind.document ? reinterpret_cast<DOCUMENTPROPERTYHEADER*>(header)->hPrinter
                         : reinterpret_cast<DEVICEPROPERTYHEADER*>(header)->hPrinter;
}
LPWSTR HeaderPrinterName(const SheetKind& kind, LPARAM header) {
    return kind.document ? reinterpret_cast<DOCUMENTPROPERTYHEADER*>(header)->pszPrinterName
                         : reinterpret_cast<DEVICEPROPERTYHEADER*>(header)->pszPrinterName;
}

DWORD SheetFlags(const SheetKind& kind, LPARAM header, HANDLE hPrinter) {
    if (!kind.document) {
        auto* device = reinterpret_cast<DEVICEPROPERTYHEADER*>(header);
        return (device->Flags & DPS_NOPERMISSION) ? kUiDeviceSheets : kUiCanChange | kUiDataWritable | kUiDeviceSheets;
    }
    auto* document = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(header);
    DWORD flags = (document->fMode & DM_NOPERMISSION) ? 0 : kUiCanChange;
    if (WriteSheetPermission(hPrinter)) flags |= kUiDataWritable;
    flags |= (document->fMode & DM_ADVANCED) ? kUiAdvanced : kUiDocumentSheets;
    return flags;
}

LONG InitSheet(const SheetKind& kind, PROPSHEETUI_INFO* info, LPARAM header) {
    HANDLE hPrinter = HeaderPrinter(kind, header);
    const DEVMODEW* callerDevmode = kind.document ? reinterpret_cast<DOCUMENTPROPERTYHEADER*>(header)->pdmIn : nullptr;
    UiContext* context = CreateUiContext(hPrinter, callerDevmode);
    if (context == nullptr) return -1;
    context->flags = SheetFlags(kind, header, hPrinter);
    context->hComPropSheet = info->hComPropSheet;
    context->pfnComPropSheet = reinterpret_cast<ComPropSheetFn>(info->pfnComPropSheet);
    if (!AddPropertyPages(context)) {
        DestroyUiContext(context);  // pages compstui still holds no longer point at it
        return -1;
    }
    info->Result = CPSUI_CANCEL;
    info->UserData = reinterpret_cast<ULONG_PTR>(context);
    return 1;
}

LONG FillInfoHeader(PROPSHEETUI_INFO_HEADER* infoHeader, const SheetKind& kind, LPARAM header) {
    if (infoHeader == nullptr) return -1;
    infoHeader->Flags = PSUIHDRF_PROPTITLE;
    infoHeader->pTitle = HeaderPrinterName(kind, header);
    infoHeader->hInst = GetInterfaceModule();
    infoHeader->IconID = kPrinterIconId;
    return 1;
}

// OK on the sheet: the applied settings go to the printer data and the configuration, and to
// the caller of a document sheet; then the still open sheet's current settings follow the new
// configuration.
void CommitAppliedSettings(UiContext* context, const SheetKind& kind, DOCUMENTPROPERTYHEADER* document) {
    HANDLE hPrinter = context->hPrinter;
    const CompiledDeviceData* data = context->deviceData;
    DriverDevmode* applied = &context->appliedDevmode;
    ApplyFormOverlay(applied, hPrinter, data);
    const ResolverConfig resolverConfig = ResolverConfigOf(context->printerConfig);
    ValidateSettings(applied, &resolverConfig, hPrinter, nullptr, data);
    if (context->flags & kUiDataWritable) ApplyConfigAndPublish(applied, &context->printerConfig, hPrinter, data);
    StorePrinterDataSettings(context, applied, hPrinter, data);
    BuildTrayTableFromOptions(applied, &context->printerConfig);
    UpdatePrinterConfig(&context->printerConfig, hPrinter);
    if (kind.document) CopyDevmodeForCaller(AsDevmode(*applied), CallerDevmodeShape(document->pdmIn), document->pdmOut);

    AcquirePrinterConfig(&context->printerConfig, hPrinter, nullptr);
    UpdatePalmFlag(&context->currentDevmode, &context->printerConfig, hPrinter);
    ApplyConfigAndPublish(&context->currentDevmode, &context->printerConfig, hPrinter, data);
    ApplyOptionConstraints(&context->currentDevmode, nullptr, &context->printerConfig, hPrinter, data, context->hResDll,
                           context->flags, &context->monitorProbe);
}

LONG SetResult(UiContext* context, const SheetKind& kind, PROPSHEETUI_INFO* info, LPARAM lParam, LPARAM header) {
    auto* result = reinterpret_cast<SETRESULT_INFO*>(lParam);
    if (result == nullptr) return -1;
    auto* document = kind.document ? reinterpret_cast<DOCUMENTPROPERTYHEADER*>(header) : nullptr;
    if (document) document->cbOut = kRecordSize;
    const bool hands = !document || (document->fMode & (DM_UPDATE | DM_COPY));
    if (result->Result == CPSUI_OK && hands) CommitAppliedSettings(context, kind, document);
    info->Result = static_cast<ULONG_PTR>(result->Result);
    return 1;
}

LONG SheetCallback(const SheetKind& kind, PROPSHEETUI_INFO* info, LPARAM lParam) {
    const LPARAM header = info->lParamInit;
    if (header == 0) return -1;
    if (info->Reason == PROPSHEETUI_REASON_INIT) return InitSheet(kind, info, header);
    auto* context = reinterpret_cast<UiContext*>(info->UserData);
    if (context == nullptr || context->magic != kUiContextMagic) return -1;  // never a stranger's record
    switch (info->Reason) {
        case PROPSHEETUI_REASON_GET_INFO_HEADER:
            return FillInfoHeader(reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam), kind, header);
        case PROPSHEETUI_REASON_DESTROY:
            DestroyUiContext(context);
            info->UserData = 0;
            return 1;
        case PROPSHEETUI_REASON_SET_RESULT:
            return SetResult(context, kind, info, lParam, header);
    }
    return -1;
}

}  // namespace

BOOL WriteSheetPermission(HANDLE hPrinter) {
    DWORD one = 1;
    return SetPrinterDataW(hPrinter, const_cast<LPWSTR>(u"DAT_Permission"), REG_DWORD, reinterpret_cast<BYTE*>(&one),
                           sizeof one) == ERROR_SUCCESS;
}

LONG RunCommonPropertySheet(HWND hWndOwner, PFNPROPSHEETUI callback, LPARAM lParam, DWORD* result) {
    HMODULE compstui = LoadLibraryA("compstui.dll");
    if (compstui == nullptr) return -1;
    auto run = reinterpret_cast<CommonPropertySheetFn>(
        reinterpret_cast<void*>(GetProcAddress(compstui, "CommonPropertySheetUIW")));
    const LONG answer = run ? run(hWndOwner, callback, lParam, result) : -1;
    FreeLibrary(compstui);
    return answer;
}

LONG DocumentSheetCallback(PROPSHEETUI_INFO* info, LPARAM lParam) {
    // Without a request the caller asks for the settings without a sheet.
    if (info == nullptr) return DocumentPropertiesNoUi(reinterpret_cast<DOCUMENTPROPERTYHEADER*>(lParam));
    return SheetCallback({true}, info, lParam);
}

LONG DeviceSheetCallback(PROPSHEETUI_INFO* info, LPARAM lParam) {
    if (info == nullptr) return -1;
    return SheetCallback({false}, info, lParam);
}

LONG DocumentPropertiesPrompt(HWND hWnd, DOCUMENTPROPERTYHEADER* header) {
    DWORD result = 0;
    const LONG shown = RunCommonPropertySheet(hWnd, DocumentSheetCallback, reinterpret_cast<LPARAM>(header), &result);
    return shown < 0 ? shown : static_cast<LONG>(result);
}

}  // namespace orla
