// The paper-source page alone in a property sheet, run by a scripted user as the basic page's
// tests run theirs: each idle turn of the innermost modal loop (the sheet, or a dialog the page
// opened) takes the next step. Its dialogs can also be made on their own, modeless, to read what
// they show.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "plat/message_box.h"
#include "plat/window_test.h"
#include "tests/pages/page_sheet.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/paper_source_page.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"

namespace pages_test {

namespace paper_ids = orla_res::paper_source;

struct DestroyDialog {
    void operator()(HWND__* w) const {
        if (IsWindow(w)) DestroyWindow(w);
    }
};
using DialogPtr = std::unique_ptr<HWND__, DestroyDialog>;

// The item data of a combo's entries in their order.
inline std::vector<LPARAM> ComboData(HWND dialog, int id) {
    std::vector<LPARAM> data;
    const auto n = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i)
        data.push_back(static_cast<LPARAM>(static_cast<DWORD>(SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, i, 0))));
    return data;
}
// The selected entry's item data; -1 without a selection.
inline LPARAM SelectedData(HWND dialog, int id) {
    const auto sel = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
    if (sel < 0) return -1;
    return static_cast<LPARAM>(static_cast<DWORD>(SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, sel, 0)));
}
inline int EntryWithData(HWND dialog, int id, LPARAM data) {
    const std::vector<LPARAM> all = ComboData(dialog, id);
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == data) return static_cast<int>(i);
    return -1;
}

class PaperSourceSheet : public PageSheet {
protected:
    void SetUp() override {
        PageSheet::SetUp();
        if (HasFatalFailure()) return;
        // The pictures come from the interface DLL's own bitmaps, as its entry point arranges.
        LoadInterfaceModule();
    }
    INT_PTR Run(uitest::Script& script) { return RunPage(script, paper_ids::kTemplatePage, orla::PaperSourcePageProc); }
    // One of the page's dialogs made modeless on its own, for reading what it shows.
    DialogPtr MakeDialog(unsigned templateId, DLGPROC proc) {
        return DialogPtr(CreateDialogParamW(ui_->hResDll, MAKEINTRESOURCEW(templateId), nullptr, proc,
                                            reinterpret_cast<LPARAM>(&page_)));
    }
    // The warnings shown so far, by their texts.
    static std::vector<std::u16string> WarningTexts() {
        std::vector<std::u16string> texts;
        for (DWORD i = 0; i < PlatMessageBoxCount(); ++i) {
            PLAT_MESSAGE_BOX_RECORD box{};
            if (!PlatGetMessageBox(i, &box)) break;
            texts.emplace_back(box.text);
        }
        return texts;
    }
    std::u16string Text(UINT id) const {
        WCHAR text[256] = {};
        const int n = LoadStringW(ui_->hResDll, id, text, 256);
        return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
    }
};

}  // namespace pages_test
