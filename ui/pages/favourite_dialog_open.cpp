// Opening the favourites dialogs: one place that knows each template's procedure, so the basic
// page, the print-time dialog and the tools open them alike.
#include "resources/lang/favourites_ids.h"
#include "ui/pages/favourite_dialogs.h"
#include "win/user.h"

namespace orla {
namespace {

namespace ids = orla_res::favourites;

DLGPROC ProcedureOf(UINT templateId) {
    switch (templateId) {
        case ids::kTemplateSave:
            return SaveFavouriteDialogProc;
        case ids::kTemplateManage:
            return ManageFavouritesDialogProc;
        case ids::kTemplateJobFavourites:
            return JobFavouritesDialogProc;
        case ids::kTemplateDetails:
            return FavouriteDetailsDialogProc;
    }
    return nullptr;
}

}  // namespace

INT_PTR OpenFavouriteDialog(PageContext* page, HWND owner, UINT templateId) {
    const DLGPROC proc = ProcedureOf(templateId);
    if (!page || !page->uiContext || !proc) return -1;
    const DWORD busy = page->flags & kPageBusyManager;
    page->flags |= kPageBusyManager;
    const INT_PTR result = DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(templateId), owner, proc,
                                           reinterpret_cast<LPARAM>(page));
    page->flags = (page->flags & ~kPageBusyManager) | busy;
    return result;
}

}  // namespace orla
