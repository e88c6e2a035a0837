// Adding the driver's pages to the common property sheet, and the activation context the pages
// run under on systems that need one.
#pragma once

#include "ui/pages/page_context.h"

namespace orla {

// One page of a sheet: its template in the language resource DLL and its dialog procedure.
struct PageEntry {
    WORD templateId;
    DLGPROC dialogProc;
};

// Creates the sheet's PageContext and adds the pages of the sheet the context's flags name
// (device sheets with kUiDeviceSheets). FALSE when the context could not be made or a page was
// refused; the pages compstui already holds stay valid until it releases them.
BOOL AddPropertyPages(UiContext* context);
UINT CALLBACK PropertyPageReleaseProc(HWND hwnd, UINT message, PROPSHEETPAGEW* page);
UINT CALLBACK PropertyPageNoopProc(HWND hwnd, UINT message, PROPSHEETPAGEW* page);

// Binds the activation-context functions and makes the context from this DLL's manifest, on
// systems before major version 6; FALSE when there is no binding.
BOOL CreateVisualStyleContext(void);
// The activation context of the pages, or null when they run without one.
HANDLE VisualStyleContext(void);
// Process detach: the context released, the functions and their library given back.
void ReleaseVisualStyleContext(void);
// The pages' activation context activated on the calling thread (made on first use); FALSE, with
// nothing activated, when there is none. The cookie undoes it with DeactivateVisualStyleContext.
BOOL ActivateVisualStyleContext(ULONG_PTR* cookie);
void DeactivateVisualStyleContext(ULONG_PTR cookie);
// The pages' activation context active on this thread for the scope's life.
struct VisualStyleActivation {
    ULONG_PTR cookie = 0;
    VisualStyleActivation() { ActivateVisualStyleContext(&cookie); }
    ~VisualStyleActivation() { DeactivateVisualStyleContext(cookie); }
    VisualStyleActivation(const VisualStyleActivation&) = delete;
    VisualStyleActivation& operator=(const VisualStyleActivation&) = delete;
};

// The page tables, for tests and the runner.
const PageEntry* DocumentPages(UINT* count);
const PageEntry* DevicePages(UINT* count);

// The page context's shared icon or owned image loaded for that icon id; null for an id the sheet
// does not load (or one that failed to load).
HICON PageIconById(const PageContext& context, WORD iconId);

// A page context for a dialog of its own (the print-time dialog): the sheet's image lists, icons
// and images, without the icons 783, 784 and 789 to 796 and the image 797; null when it cannot be
// made. Freed, with what it owns, by FreeDialogPageContext (null is ignored).
PageContext* CreateDialogPageContext(UiContext* context);
void FreeDialogPageContext(PageContext* context);

// Blocks still held by sheets (leak checks).
DWORD LivePageContextCount(void);

}  // namespace orla
