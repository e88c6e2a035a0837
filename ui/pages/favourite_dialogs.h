// The favourites dialogs the pages open: save (template 929) and manage (930) from the basic page,
// the job favourites dialog (2200) with its details dialog (2500). Each takes the opening page's
// PageContext as its parameter; their decisions are the favourites dialogs' rules.
#pragma once

#include "ui/entry/ui_context.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

INT_PTR CALLBACK SaveFavouriteDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ManageFavouritesDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FavouriteDetailsDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK JobFavouritesDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// Opens one of the four dialogs (by its template id) over owner with the page as its parameter,
// the page marked busy with a favourites manager meanwhile (the summary then takes its full rows).
// The dialog's result; -1 for another template or a page without its UI context.
INT_PTR OpenFavouriteDialog(PageContext* page, HWND owner, UINT templateId);

// Combo 1698 of the save dialog: the user favourites, item data = number, the current one chosen.
void FillUserFavouriteCombo(UiContext* context, HWND dialog);
// List box 1707 of the manage dialog: the offered favourites, item data = number, the scratch
// record's favourite chosen.
void FillFavouriteListBox(UiContext* context, HWND dialog);
// The selected item of list view 1109 marked as changed while the current settings no longer hold
// what its favourite fixes, unmarked when they do again.
void MarkFavouriteMatch(UiContext* context, HWND dialog);

}  // namespace orla
