// Adding the driver's pages: one PageContext per sheet with the pages' image lists and icons, a
// page per entry of the sheet's table, and the tear-down the first page's release callback runs.
#include "ui/pages/page_creation.h"

#include <atomic>
#include <mutex>

#include "ui/entry/printer_config.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/summary_tree.h"
#include "win/activation_context.h"
#include "win/compstui.h"
#include "win/kernel.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace orla {

namespace {

std::atomic<DWORD> g_livePageContexts{0};

// Icons the pages share (never destroyed) and those each sheet loads for itself, in load order.
constexpr WORD kSharedIcons[kSharedIconCount] = {778, 775, 776, 777, 774, 715, 716, 717, 718, 719, 720, 721, 722, 724,
                                                 725, 727, 728, 901, 902, 768, 769, 734, 735, 783, 784, 705, 707, 709,
                                                 706, 708, 713, 712, 711, 710, 789, 790, 791, 792, 793, 794, 795, 796};
constexpr WORD kOwnedIcons[kOwnedIconCount - 1] = {703, 704, 771, 731, 732, 779, 772,
                                                   733, 736, 737, 797, 738, 780, 781};
constexpr WORD kWideIcon = 782;  // drawn 90 x 30
constexpr int kLargeOverlay = 1;
constexpr int kWideIconWidth = 90;
constexpr int kWideIconHeight = 30;

HICON LoadOwnIcon(WORD id, int cx, int cy) {
    return static_cast<HICON>(
        LoadImageW(GetInterfaceModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
}

// The large list: 600 to 620 at 32 x 32; the last is also overlay image 1.
void LoadLargeImages(PageContext* pc) {
    pc->largeImages = ImageList_Create(32, 32, ILC_COLOR4 | ILC_MASK, 0, 21);
    if (pc->largeImages == nullptr) return;
    for (UINT id = kLargeIconFirst; id <= kLargeIconLast; ++id) {
        HICON icon = LoadOwnIcon(static_cast<WORD>(id), 32, 32);
        if (icon == nullptr) continue;  // a missing picture leaves its slot empty, nothing more
        int index = ImageList_ReplaceIcon(pc->largeImages, -1, icon);
        DestroyIcon(icon);
        if (id == kLargeIconLast && index >= 0) ImageList_SetOverlayImage(pc->largeImages, index, kLargeOverlay);
    }
}

// The small list (16 x 18): icons 700 to 773 framed for the list as the settings tree frames its
// own, each index remembered by its id.
void LoadSmallImages(PageContext* pc) {
    pc->smallImages = ImageList_Create(16, 18, ILC_COLOR4 | ILC_MASK, 0, 128);
    if (pc->smallImages == nullptr) return;
    for (UINT id = kSmallIconFirst; id <= kSmallIconSheetLast; ++id) {
        HICON icon = LoadOwnIcon(static_cast<WORD>(id), 16, 16);
        if (icon == nullptr) continue;
        HICON framed = MakeListIcon(icon);
        int index = ImageList_ReplaceIcon(pc->smallImages, -1, framed ? framed : icon);
        if (framed) DestroyIcon(framed);
        DestroyIcon(icon);
        if (index >= 0) SetSmallImageIndex(pc, id, index);
    }
}

void LoadIcons(PageContext* pc) {
    for (UINT i = 0; i < kSharedIconCount; ++i) {
        pc->icons[i] = LoadIconW(GetInterfaceModule(), MAKEINTRESOURCEW(kSharedIcons[i]));
    }
    for (UINT i = 0; i < kOwnedIconCount - 1; ++i) pc->images[i] = LoadOwnIcon(kOwnedIcons[i], 16, 16);
    pc->images[kOwnedIconCount - 1] = LoadOwnIcon(kWideIcon, kWideIconWidth, kWideIconHeight);
}

// What the pages made and own: image lists, the pages' GDI object and window, the owned icons.
// The shared icons stay.
void ReleasePageResources(PageContext* pc) {
    if (pc->largeImages) ImageList_Destroy(pc->largeImages);
    if (pc->smallImages) ImageList_Destroy(pc->smallImages);
    pc->largeImages = pc->smallImages = nullptr;
    if (pc->hPageGdiObject) DeleteObject(pc->hPageGdiObject);
    pc->hPageGdiObject = nullptr;
    if (pc->hPageWindow) DestroyWindow(pc->hPageWindow);
    pc->hPageWindow = nullptr;
    for (HICON& icon : pc->images) {
        if (icon) DestroyIcon(icon);
        icon = nullptr;
    }
}

PageContext* NewPageContext(UiContext* context) {
    auto* pc = new (std::nothrow) PageContext{};
    if (pc == nullptr) return nullptr;
    ++g_livePageContexts;
    pc->uiContext = context;
    pc->hotItem = 0xFFFF;
    return pc;
}

void FreePageContext(PageContext* pc) {
    ReleasePageResources(pc);
    delete pc;
    --g_livePageContexts;
}

// The refused sheet's context loses its pictures at once and forgets the UI context, which the
// export tears down next; the block itself waits for the release of a page compstui still holds.
void DetachPageContext(PageContext* pc) {
    ReleasePageResources(pc);
    pc->uiContext = nullptr;
}

PROPSHEETPAGEW DescribePage(const PageEntry& entry, PageContext* pc, LPFNPSPCALLBACKW callback) {
    PROPSHEETPAGEW page{};
    page.dwSize = PROPSHEETPAGEW_V3_SIZE;  // the record with the activation context
    page.dwFlags = PSP_USEICONID | PSP_HASHELP;
    HANDLE actCtx = VisualStyleContext();
    if (actCtx) {
        page.dwFlags |= PSP_USEFUSIONCONTEXT;
        page.hActCtx = actCtx;
    }
    page.hInstance = pc->uiContext->hResDll;
    page.pszTemplate = MAKEINTRESOURCEW(entry.templateId);
    page.pfnDlgProc = entry.dialogProc;
    page.lParam = reinterpret_cast<LPARAM>(pc);
    if (callback) {
        page.dwFlags |= PSP_USECALLBACK;
        page.pfnCallback = callback;
    }
    return page;
}

// The callback a page of the sheet gets: the first page tears the context down; the second
// device page gets one that does nothing; other document pages none.
LPFNPSPCALLBACKW PageCallback(UINT order, bool deviceSheets) {
    if (order == 0) return PropertyPageReleaseProc;
    return deviceSheets && order == 1 ? PropertyPageNoopProc : nullptr;
}

}  // namespace

HICON PageIconById(const PageContext& context, WORD iconId) {
    for (UINT i = 0; i < kSharedIconCount; ++i)
        if (kSharedIcons[i] == iconId) return context.icons[i];
    for (UINT i = 0; i < kOwnedIconCount - 1; ++i)
        if (kOwnedIcons[i] == iconId) return context.images[i];
    return iconId == kWideIcon ? context.images[kOwnedIconCount - 1] : nullptr;
}

// The table keeps index + 1, so that its zero fill means "not loaded" while index 0 is a real
// image (icon 700's).
int SmallImageIndex(const PageContext& context, UINT iconId) {
    if (iconId < kSmallIconFirst || iconId > kSmallIconLast) return -1;
    return context.smallImageIndex[iconId - kSmallIconFirst] - 1;
}

BOOL SetSmallImageIndex(PageContext* context, UINT iconId, int index) {
    if (iconId < kSmallIconFirst || iconId > kSmallIconLast) return FALSE;
    context->smallImageIndex[iconId - kSmallIconFirst] = index >= 0 ? index + 1 : 0;
    return TRUE;
}

PageContext* CreateDialogPageContext(UiContext* context) {
    PageContext* pc = NewPageContext(context);
    if (pc == nullptr) return nullptr;
    LoadLargeImages(pc);
    LoadSmallImages(pc);
    LoadIcons(pc);
    // The dialog has no settings tree and no tray pictures: those icons stay unloaded.
    constexpr WORD kNotForDialog[] = {783, 784, 789, 790, 791, 792, 793, 794, 795, 796};
    for (UINT i = 0; i < kSharedIconCount; ++i)
        for (WORD id : kNotForDialog)
            if (kSharedIcons[i] == id) pc->icons[i] = nullptr;
    for (UINT i = 0; i < kOwnedIconCount - 1; ++i)
        if (kOwnedIcons[i] == 797 && pc->images[i]) DestroyIcon(pc->images[i]), pc->images[i] = nullptr;
    return pc;
}

void FreeDialogPageContext(PageContext* context) {
    if (context) FreePageContext(context);
}

DWORD LivePageContextCount(void) {
    return g_livePageContexts.load();
}

BOOL AddPropertyPages(UiContext* context) {
    if (context == nullptr || context->pfnComPropSheet == nullptr) return FALSE;
    PageContext* pc = NewPageContext(context);
    if (pc == nullptr) return FALSE;
    LoadLargeImages(pc);
    LoadSmallImages(pc);
    LoadIcons(pc);
    CreateVisualStyleContext();

    const bool deviceSheets = (context->flags & kUiDeviceSheets) != 0;
    UINT count = 0;
    const PageEntry* pages = deviceSheets ? DevicePages(&count) : DocumentPages(&count);
    bool releaseHandedOut = false;  // compstui holds the page whose release frees the block
    for (UINT i = 0; i < count; ++i) {
        PROPSHEETPAGEW page = DescribePage(pages[i], pc, PageCallback(i, deviceSheets));
        HPROPSHEETPAGE handle = CreatePropertySheetPageW(&page);
        LONG_PTR answer = handle ? context->pfnComPropSheet(context->hComPropSheet, CPSFUNC_ADD_HPROPSHEETPAGE,
                                                            reinterpret_cast<LPARAM>(handle), 0)
                                 : 0;
        pc->lastPageResult = answer;
        if (answer != 0) {
            if (i == 0) releaseHandedOut = true;
            continue;
        }
        // Refused (or not made): the page is still ours. When it is the first page, destroying it
        // runs its release callback, which frees the block; otherwise the block lives on until
        // compstui releases the first page it holds, and must not go back before that.
        DetachPageContext(pc);
        if (handle) DestroyPropertySheetPage(handle);
        if (!releaseHandedOut && !(handle && i == 0)) FreePageContext(pc);
        return FALSE;
    }
    return TRUE;
}

UINT CALLBACK PropertyPageReleaseProc(HWND, UINT message, PROPSHEETPAGEW* page) {
    if (message != PSPCB_RELEASE || page == nullptr) return 1;
    auto* pc = reinterpret_cast<PageContext*>(page->lParam);
    if (pc == nullptr) return 1;
    if (pc->uiContext) ProbePalmInfo(pc->uiContext->hPrinter);
    FreePageContext(pc);
    return 1;
}

UINT CALLBACK PropertyPageNoopProc(HWND, UINT, PROPSHEETPAGEW*) {
    return 1;
}

// ---- Activation context ----

namespace {

typedef HANDLE(WINAPI* CreateActCtxFn)(PCACTCTXW);
typedef void(WINAPI* ReleaseActCtxFn)(HANDLE);
typedef BOOL(WINAPI* ActivateActCtxFn)(HANDLE, ULONG_PTR*);
typedef BOOL(WINAPI* DeactivateActCtxFn)(DWORD, ULONG_PTR);

struct VisualStyleBinding {
    std::mutex lock;
    HMODULE kernel = nullptr;
    CreateActCtxFn create = nullptr;
    ReleaseActCtxFn release = nullptr;
    ActivateActCtxFn activate = nullptr;
    DeactivateActCtxFn deactivate = nullptr;
    HANDLE context = INVALID_HANDLE_VALUE;
    bool tried = false;

    void Unbind() {
        create = nullptr;
        release = nullptr;
        activate = nullptr;
        deactivate = nullptr;
        if (kernel) FreeLibrary(kernel);
        kernel = nullptr;
    }
};

VisualStyleBinding& Binding() {
    static VisualStyleBinding binding;
    return binding;
}

template <typename Fn>
Fn Bound(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool SystemHasOwnStyles() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExW(&version) && version.dwMajorVersion >= 6;
}

BOOL BindAndCreate(VisualStyleBinding& b) {
    b.kernel = LoadLibraryW(u"Kernel32.dll");
    if (b.kernel == nullptr) return FALSE;
    b.create = Bound<CreateActCtxFn>(b.kernel, "CreateActCtxW");
    b.release = Bound<ReleaseActCtxFn>(b.kernel, "ReleaseActCtx");
    b.activate = Bound<ActivateActCtxFn>(b.kernel, "ActivateActCtx");
    b.deactivate = Bound<DeactivateActCtxFn>(b.kernel, "DeactivateActCtx");
    WCHAR path[MAX_PATH] = {};
    if (!b.create || !b.release || !b.activate || !b.deactivate ||
        GetModuleFileNameW(GetInterfaceModule(), path, MAX_PATH) == 0) {
        b.Unbind();
        return FALSE;
    }
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path;
    request.lpResourceName = MAKEINTRESOURCEW(2);  // the DLL's manifest
    b.context = b.create(&request);
    if (b.context == INVALID_HANDLE_VALUE) {
        b.Unbind();
        return FALSE;
    }
    return TRUE;
}

}  // namespace

BOOL CreateVisualStyleContext(void) {
    VisualStyleBinding& b = Binding();
    std::lock_guard<std::mutex> guard(b.lock);
    if (b.context != INVALID_HANDLE_VALUE) return TRUE;
    if (b.tried) return FALSE;  // once per process
    b.tried = true;
    if (SystemHasOwnStyles()) return FALSE;
    return BindAndCreate(b);
}

HANDLE VisualStyleContext(void) {
    VisualStyleBinding& b = Binding();
    std::lock_guard<std::mutex> guard(b.lock);
    return b.context == INVALID_HANDLE_VALUE ? nullptr : b.context;
}

BOOL ActivateVisualStyleContext(ULONG_PTR* cookie) {
    if (cookie == nullptr) return FALSE;
    *cookie = 0;
    CreateVisualStyleContext();
    VisualStyleBinding& b = Binding();
    std::lock_guard<std::mutex> guard(b.lock);
    if (b.context == INVALID_HANDLE_VALUE || !b.activate) return FALSE;
    return b.activate(b.context, cookie);
}

void DeactivateVisualStyleContext(ULONG_PTR cookie) {
    VisualStyleBinding& b = Binding();
    std::lock_guard<std::mutex> guard(b.lock);
    if (cookie != 0 && b.deactivate) b.deactivate(0, cookie);
}

void ReleaseVisualStyleContext(void) {
    VisualStyleBinding& b = Binding();
    std::lock_guard<std::mutex> guard(b.lock);
    if (b.context != INVALID_HANDLE_VALUE && b.release) b.release(b.context);
    b.context = INVALID_HANDLE_VALUE;
    b.Unbind();
    b.tried = false;
}

}  // namespace orla
