// The basic page's favourites combo (1013): choosing a favourite applies it to the current record.
#pragma once

#include <string>

#include "ui/entry/ui_context.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

// Applies the favourite with that number to the current record: its fixed bits merged, then what
// a factory favourite brings (stamp, paper, layout positions, by its number) and the copy block
// refreshed. Nothing happens when it is the current favourite already (and not favourite 0) or no
// favourite has the number. The favourite's comment is handed back for the hint line.
bool ApplyChosenFavourite(UiContext* context, DWORD number, std::u16string* comment);

// The combo's CBN_SELCHANGE: the chosen favourite applied, the page refreshed, the comment shown
// in the hint line (its icon only beside a comment) and the sheet told.
void OnFavouriteChosen(PageContext* page, HWND dialog);

}  // namespace orla
