// Property sheet pages: the caller's record copied whole, the page's dialog once created, and
// the page callback's ADDREF, CREATE and RELEASE calls.
#pragma once

#include <vector>

#include "plat/dialog_template.h"
#include "win/property_sheet.h"

namespace plat {

struct PageRecord {
    std::vector<BYTE> copy;  // at least sizeof(PROPSHEETPAGEW), zero past the caller's dwSize
    HWND window = nullptr;
    PROPSHEETPAGEW* Page() { return reinterpret_cast<PROPSHEETPAGEW*>(copy.data()); }
};

// The record behind a handle the caller holds, or null for a handle that is not a live page.
PageRecord* LivePage(HPROPSHEETPAGE page);
// The page's template, from its module or given in memory; null when it has none.
const ORLA_DIALOG_TEMPLATE* PageTemplate(PageRecord& page);
// Creates the page's dialog inside the sheet after the page callback's PSPCB_CREATE accepts it.
HWND CreatePageWindow(PageRecord& page, HWND sheet, POINT at);

}  // namespace plat
