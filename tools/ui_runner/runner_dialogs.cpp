// ui_runner's dialog helper, built once per language build: the favourites dialogs that no page of
// the sheet opens (the job favourites dialog and the favourite details dialog) opened on their own
// with the pages' code of that build, as a document sheet of the printer would give them its
// context; and the print-time dialog's category buttons read by the layout of that build's page
// context. The interface DLL does not export its dialogs, so the runner loads this module for the
// build it runs and calls the opener.
#include "core/device_data.h"
#include "resources/lang/favourites_ids.h"
#include "ui/entry/printer_data_store.h"
#include "ui/entry/ui_context.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/favourite_dialogs.h"
#include "ui/pages/job_settings.h"
#include "ui/pages/page_context.h"
#include "ui/pages/sheet_callbacks.h"
#include "win/tree_view.h"

namespace {

namespace ids = orla_res::favourites;

constexpr int kSmallIconWidth = 16, kSmallIconHeight = 18, kSmallIconGrow = 128;

bool OpensOnItsOwn(UINT templateId) {
    return templateId == ids::kTemplateJobFavourites || templateId == ids::kTemplateDetails;
}

// What this module set up for one dialog, taken down however the dialog ends.
class DialogGround {
public:
    DialogGround(HANDLE printer, HMODULE interfaceDll) {
        orla::DeviceDataCacheInit();
        // The icons the dialogs show are the interface DLL's own.
        orla::SetInterfaceModule(interfaceDll);
        ui_ = orla::CreateUiContext(printer, nullptr);
        if (!ui_) return;
        // A document sheet of a user who may change the settings; the printer data as its
        // permission allows.
        ui_->flags = orla::kUiCanChange | orla::kUiDocumentSheets;
        if (orla::WriteSheetPermission(printer)) ui_->flags |= orla::kUiDataWritable;
        page_.uiContext = ui_;
        page_.smallImages =
            ImageList_Create(kSmallIconWidth, kSmallIconHeight, ILC_COLOR4 | ILC_MASK, 0, kSmallIconGrow);
    }
    ~DialogGround() {
        if (page_.smallImages) ImageList_Destroy(page_.smallImages);
        orla::DestroyUiContext(ui_);
        orla::SetInterfaceModule(nullptr);
        orla::DeviceDataCacheTerm();
    }
    DialogGround(const DialogGround&) = delete;
    DialogGround& operator=(const DialogGround&) = delete;

    orla::PageContext* page() { return ui_ && page_.smallImages ? &page_ : nullptr; }

private:
    orla::UiContext* ui_ = nullptr;
    orla::PageContext page_{};
};

}  // namespace

// Opens dialog 2200 or 2500 for the printer and runs it until it ends: its result (1 OK, 0
// Cancel); -1 for any other template, -2 when the printer's settings context cannot be made.
extern "C" __attribute__((visibility("default"))) INT_PTR OrlaRunnerOpenDialog(HANDLE printer, HMODULE interfaceDll,
                                                                               UINT templateId) {
    if (!OpensOnItsOwn(templateId)) return -1;
    DialogGround ground(printer, interfaceDll);
    if (!ground.page()) return -2;
    return orla::OpenFavouriteDialog(ground.page(), nullptr, templateId);
}

// The panel of the print-time dialog's category button at `index`, from the category table the
// dialog keeps in its page context; 0 for no such button or a window that is no print-time dialog.
extern "C" __attribute__((visibility("default"))) int OrlaRunnerCategoryPanel(HWND dialog, UINT index) {
    const orla::PageContext* page = orla::PageContextOf(dialog);
    return page ? orla::PanelAt(page->hotItemTable, index) : 0;
}
