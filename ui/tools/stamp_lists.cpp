// The stamp store's list and combo fillers.
#include "ui/tools/stamp_lists.h"

#include <vector>

#include "core/build_variant.h"
#include "core/driver_devmode.h"
#include "core/stamp_record.h"
#include "ui/tools/stamp_store.h"
#include "win/user_controls.h"

namespace orla {
namespace {

// The stamp page's entry 0: no stamp.
constexpr char16_t kNoStampJa[] = u"\uFF08\u306A\u3057\uFF09";  // "（なし）"
constexpr char16_t kNoStampEn[] = u"(None)";

// The list names of the stored stamps, in store order (number = position + 1).
std::vector<std::u16string> StoredNames(HANDLE hPrinter) {
    const size_t count = ReadStoredStamps(hPrinter).size() / kStampRecordSize;
    std::vector<std::u16string> names;
    for (size_t n = 1; n <= count; ++n) {
        WCHAR text[65] = {};
        ReadStampText(hPrinter, static_cast<WORD>(n), text);
        names.emplace_back(reinterpret_cast<const char16_t*>(text));
    }
    return names;
}

// A selected stamp that is no longer stored is dropped, with its draw flag, from the current and
// the applied records, so neither prints a stamp the user cannot see in the list.
void DropMissingSelection(UiContext* context) {
    const DWORD selected = Get(context->currentDevmode, dm::StampNumber);
    if (selected == 0 || StampExists(context->hPrinter, static_cast<WORD>(selected))) return;
    for (DriverDevmode* record : {&context->currentDevmode, &context->appliedDevmode}) {
        Set(*record, dm::StampNumber, DWORD{0});
        Set(*record, dm::StampDrawFlag, DWORD{0});
    }
}

// Items with their index as item data; the selection is the item whose index equals the current
// record's stamp number.
void FillControl(HWND control, bool combo, const std::vector<std::u16string>& items, DWORD selected) {
    const UINT reset = combo ? CB_RESETCONTENT : LB_RESETCONTENT;
    const UINT add = combo ? CB_ADDSTRING : LB_ADDSTRING;
    const UINT data = combo ? CB_SETITEMDATA : LB_SETITEMDATA;
    SendMessageW(control, reset, 0, 0);
    for (size_t i = 0; i < items.size(); ++i) {
        const LRESULT at = SendMessageW(control, add, 0, reinterpret_cast<LPARAM>(items[i].c_str()));
        if (at >= 0) SendMessageW(control, data, static_cast<WPARAM>(at), static_cast<LPARAM>(i));
    }
    SendMessageW(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

bool PrepareList(UiContext* context, HWND control, bool combo) {
    if (context == nullptr || control == nullptr) return false;
    if (!EnsureStampList(context->hPrinter)) {
        SendMessageW(control, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
        return false;
    }
    DropMissingSelection(context);
    return true;
}

}  // namespace

BOOL LoadStampList(UiContext* context, HWND dialog) {
    HWND list = GetDlgItem(dialog, kStampPageList);
    if (!PrepareList(context, list, false)) return FALSE;
    std::vector<std::u16string> items{kJapaneseBuild ? kNoStampJa : kNoStampEn};
    for (std::u16string& name : StoredNames(context->hPrinter)) items.push_back(std::move(name));
    const DWORD selected = Get(context->currentDevmode, dm::StampNumber);
    // A chosen stamp keeps the list where it was; "none" scrolls it to the top.
    const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    FillControl(list, false, items, selected);
    SendMessageW(list, LB_SETTOPINDEX, selected != 0 ? static_cast<WPARAM>(top) : 0, 0);
    return TRUE;
}

BOOL FillStampCombo(UiContext* context, HWND dialog) {
    HWND combo = GetDlgItem(dialog, kPrintTimeStampCombo);
    if (!PrepareList(context, combo, true)) return FALSE;
    FillControl(combo, true, StoredNames(context->hPrinter), Get(context->currentDevmode, dm::StampNumber));
    return TRUE;
}

// The editor's list is a combo with its own edit (a new name is typed there): combo messages,
// items with their index as item data, and nothing selected.
void FillStampList(UiContext* context, HWND dialog) {
    HWND combo = GetDlgItem(dialog, kStampEditorList);
    if (context == nullptr || combo == nullptr) return;
    FillControl(combo, true, StoredNames(context->hPrinter), static_cast<DWORD>(-1));
}

}  // namespace orla
