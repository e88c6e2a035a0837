// What the favourites dialogs decide, apart from their windows: the save dialog (template 929),
// the manage dialog (930) and the job favourites dialog (2200). Each rule answers with the message
// the dialog shows (0 for none) and changes the table or the settings only where the dialog's
// action would; the dialogs only read their controls, show the message and end.
//
// Favourites are found by their number, never by their position in a list, and the numbers stay
// dense: a delete moves every higher number down by one, a move keeps them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/entry/favourite_table.h"
#include "ui/entry/ui_context.h"
#include "ui/tools/favourites_store.h"
#include "win/base.h"

namespace orla {

// Messages of the language resource DLL.
inline constexpr UINT kFavouriteFactoryNotDeletable = 801;   // MB_ICONINFORMATION
inline constexpr UINT kFavouriteDeleteQuestion = 802;        // MB_OKCANCEL | MB_ICONWARNING
inline constexpr UINT kFavouriteFactoryNameTaken = 803;      // MB_ICONINFORMATION
inline constexpr UINT kFavouriteReplaceQuestion = 804;       // MB_OKCANCEL | MB_ICONWARNING
inline constexpr UINT kFavouriteNameRefused = 893;           // MB_ICONWARNING
inline constexpr UINT kFavouriteManageDeleteQuestion = 894;  // MB_OKCANCEL | MB_ICONINFORMATION
// The manage dialog's own box for a name another favourite has (built-in text, see below).
inline constexpr UINT kFavouriteNameInUse = 0xFFFF;

inline constexpr unsigned kFavouriteNameBytes = 32;  // in the system code page
inline constexpr unsigned kFavouriteCommentBytes = 255;

// The names of the factory favourites, which no user favourite may take: the build's own and
// those of the context's language resource DLL (strings 531, 620 to 624 and 533).
bool IsFactoryFavouriteName(const UiContext* context, std::u16string_view name);
// 893 for an empty name or a factory name, else 0.
UINT CheckFavouriteName(const UiContext* context, std::u16string_view name);
// Whether the stored favourite with that number is a user favourite: one the factory did not
// make, whatever its number (the factory numbers need not be dense, so a user favourite can lie
// below the highest of them).
bool IsUserFavourite(const UiContext* context, DWORD number);
// The manage dialog's box text for a name in use, and its caption.
std::u16string FavouriteNameInUseText(std::u16string_view name);
std::u16string_view FavouriteWarningCaption();

// ---- Save dialog ----
// The name and comment the dialog starts with: those of the current favourite, the name left
// empty for a factory favourite (it cannot be saved under its own name).
struct FavouriteTexts {
    std::u16string name;
    std::u16string comment;
};
FavouriteTexts SaveDialogStartTexts(const UiContext* context);
// OK: the name checked (893), then the current settings stored as a user favourite, replacing the
// user favourite of that name (its number kept) or added under the next number; a 21st favourite is
// refused (805, shown by the store with the dialog as owner). On success the current record gets
// back the scratch copy made when the dialog opened, with the stored favourite's number.
struct SaveVerdict {
    UINT message;  // 0, 893 or 805
    bool stored;   // the table was written
    DWORD number;  // the stored favourite's number
};
SaveVerdict SaveFavouriteFromDialog(HWND dialog, UiContext* context, std::u16string_view name,
                                    std::u16string_view comment);

// ---- Manage dialog ----
// At the start: the scratch copy of the current record; a duplex favourite the printer cannot
// offer is not the scratch favourite.
void BeginManageFavourites(UiContext* context);
// A favourite chosen from the list: merged into the scratch record with what a factory favourite
// brings (the duplex papers by the device data's version). False when no favourite has the number.
bool SelectManagedFavourite(UiContext* context, DWORD number);
// The name, comment, delete and store controls: only for a user favourite while the printer data
// can be written.
bool ManageControlsEnabled(const UiContext* context);
// Delete, after the user said OK to 894: the scratch favourite, when it is a user favourite, goes
// and the scratch favourite becomes 0.
bool DeleteManagedFavourite(UiContext* context);
// OK: for a user favourite, the name checked (another favourite's name: kFavouriteNameInUse; empty
// or a factory name: 893) and the scratch settings stored under its number. The dialog closes when
// the message is 0, and then the scratch record becomes the current record.
struct ManageVerdict {
    UINT message;
    bool stored;
};
ManageVerdict FinishManageFavourites(HWND dialog, UiContext* context, std::u16string_view name,
                                     std::u16string_view comment);
// Cancel: a current favourite number that no longer has its favourite becomes 0. Writes nothing.
void CancelManageFavourites(UiContext* context);

// ---- Job favourites dialog ----
// The list the dialog edits: the favourites in table order (those offered), written back only on
// OK. `names` are the names registered meanwhile, first registered first; `hidden` the favourites
// the printer cannot offer now, which keep their place in the table.
struct JobFavouriteList {
    std::vector<FavouriteRecord> items;
    std::vector<FavouriteRecord> hidden;
    std::vector<std::u16string> names;
    bool writable = false;  // the table could be read: OK may write it back
};
JobFavouriteList BeginJobFavourites(const UiContext* context);
// The index of the current favourite, -1 when it is not listed.
int JobFavouriteInitialSelection(const JobFavouriteList& list, const UiContext* context);
// Delete: 801 for a factory favourite (refused), else 802 (the question to ask).
UINT CheckJobFavouriteDelete(const JobFavouriteList& list, int index);
// Delete, after the user said OK: the item goes, every higher number moves down by one and its
// registered name is forgotten. Returns the index to select next (-1 for an empty list).
int DeleteJobFavourite(JobFavouriteList& list, int index);
// Register: the name checked (893 for an empty name, 803 for a factory name or a factory item of
// that name), then 804 to ask when a user item has the name (replaceIndex), then 805 when the list
// is full. 0 means the details dialog may open.
struct RegisterCheck {
    UINT message;
    int replaceIndex;  // -1 when nothing is replaced
};
RegisterCheck CheckJobFavouriteRegister(const UiContext* context, const JobFavouriteList& list,
                                        std::u16string_view name, bool replaceAgreed);
// Register, after the details dialog said OK: the replaced item goes (its number is reused), the
// new user favourite of the current settings goes to the end under the replaced item's number or
// the next free one. Returns its index (-1 with a full list).
int RegisterJobFavourite(JobFavouriteList& list, const UiContext* context, std::u16string_view name,
                         std::u16string_view comment, int replaceIndex);
// Drag and drop: the item `from` placed before the item `before`; numbers stay. Returns the moved
// item's new index (from itself when nothing moves).
int MoveJobFavourite(JobFavouriteList& list, int from, int before);
// OK: the current favourite becomes the first registered one, else the first factory favourite by
// its name (string 531), else 0, by number; the list is written back in its order.
BOOL FinishJobFavourites(UiContext* context, JobFavouriteList& list, std::u16string_view firstFactoryName);

// ---- Match mark ----
// The list item's state for a favourite whose fixed bits the settings do (or do not) hold: a
// changed favourite carries overlay mark 1; the mark goes when they match again.
inline constexpr UINT kFavouriteChangedMark = 0x100;
inline constexpr UINT kFavouriteMarkMask = 0xF00;
UINT FavouriteMarkState(bool matches, UINT state);

}  // namespace orla
