// Property sheet pages: creation copies the caller's record (with any data it appended), the
// page dialog is made only when the page is first shown, and destruction ends with PSPCB_RELEASE.
#include "property_pages.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "dialog_state.h"
#include "plat_internal.h"
#include "win/activation_context.h"

namespace plat {
namespace {

constexpr DWORD kMaxPageRecord = 1u << 20;  // a record with a megabyte appended is not a page

struct Pages {
    std::mutex lock;
    std::set<PageRecord*> live;
};

Pages& pages() {
    static Pages* p = new Pages;
    return *p;
}

bool UsesCallback(PROPSHEETPAGEW& p) {
    return (p.dwFlags & PSP_USECALLBACK) && p.pfnCallback != nullptr;
}

// The page's own activation context, when its record is long enough to carry one.
HANDLE PageActCtx(PageRecord& page) {
    PROPSHEETPAGEW& p = *page.Page();
    if (!(p.dwFlags & PSP_USEFUSIONCONTEXT) || p.dwSize < PROPSHEETPAGEW_V3_SIZE) return nullptr;
    return p.hActCtx == INVALID_HANDLE_VALUE ? nullptr : p.hActCtx;
}

}  // namespace

PageRecord* LivePage(HPROPSHEETPAGE page) {
    auto* record = reinterpret_cast<PageRecord*>(page);
    Pages& p = pages();
    std::lock_guard<std::mutex> g(p.lock);
    return p.live.count(record) ? record : nullptr;
}

const ORLA_DIALOG_TEMPLATE* PageTemplate(PageRecord& page) {
    PROPSHEETPAGEW& p = *page.Page();
    if (p.dwFlags & PSP_DLGINDIRECT) {
        auto t = static_cast<const ORLA_DIALOG_TEMPLATE*>(p.pResource);
        return t && t->signature == ORLA_DIALOG_SIGNATURE ? t : nullptr;
    }
    return p.pszTemplate ? LoadDialogTemplate(p.hInstance, p.pszTemplate) : nullptr;
}

HWND CreatePageWindow(PageRecord& page, HWND sheet, POINT at) {
    PROPSHEETPAGEW& p = *page.Page();
    if (UsesCallback(p) && p.pfnCallback(nullptr, PSPCB_CREATE, &p) == 0) return nullptr;
    const ORLA_DIALOG_TEMPLATE* t = PageTemplate(page);
    if (t == nullptr) return nullptr;
    ORLA_DIALOG_TEMPLATE child = *t;
    child.style = (child.style & ~(WS_POPUP | WS_CAPTION | WS_VISIBLE)) | WS_CHILD | DS_CONTROL;
    child.x = 0;
    child.y = 0;
    // The page's controls are made under its activation context.
    ULONG_PTR cookie = 0;
    HANDLE context = PageActCtx(page);
    bool activated = context && ActivateActCtx(context, &cookie);
    page.window = CreateDialogFromTemplate(p.hInstance, child, sheet, p.pfnDlgProc, reinterpret_cast<LPARAM>(&p));
    if (activated) DeactivateActCtx(0, cookie);
    if (page.window) SetWindowPos(page.window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return page.window;
}

}  // namespace plat

using namespace plat;

extern "C" {

HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW constPropSheetPagePointer) {
    const PROPSHEETPAGEW* given = constPropSheetPagePointer;
    if (given == nullptr || given->dwSize < PROPSHEETPAGEW_V1_SIZE || given->dwSize > kMaxPageRecord) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* record = new PageRecord;
    record->copy.assign(std::max<size_t>(given->dwSize, sizeof(PROPSHEETPAGEW)), 0);
    std::copy_n(reinterpret_cast<const BYTE*>(given), given->dwSize, record->copy.data());
    PROPSHEETPAGEW& p = *record->Page();
    if ((p.dwFlags & PSP_USEREFPARENT) && p.pcRefParent) ++*p.pcRefParent;
    if (HANDLE context = PageActCtx(*record)) AddRefActCtx(context);  // held for the page's life
    if (UsesCallback(p)) p.pfnCallback(nullptr, PSPCB_ADDREF, &p);
    Pages& all = pages();
    std::lock_guard<std::mutex> g(all.lock);
    all.live.insert(record);
    return reinterpret_cast<HPROPSHEETPAGE>(record);
}

BOOL DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage) {
    auto* record = reinterpret_cast<PageRecord*>(hPSPage);
    {
        Pages& all = pages();
        std::lock_guard<std::mutex> g(all.lock);
        if (all.live.erase(record) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
    }
    if (record->window && IsWindow(record->window)) DestroyWindow(record->window);
    PROPSHEETPAGEW& p = *record->Page();
    if (UsesCallback(p)) p.pfnCallback(nullptr, PSPCB_RELEASE, &p);
    if ((p.dwFlags & PSP_USEREFPARENT) && p.pcRefParent) --*p.pcRefParent;
    if (HANDLE context = PageActCtx(*record)) ReleaseActCtx(context);
    delete record;
    return TRUE;
}

}  // extern "C"
