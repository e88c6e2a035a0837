// The favourites store: applying a favourite (the mask rule), the match test, the favourite a
// load applies with its per-number steps, the record a new user favourite becomes, storing
// (replace, append, at most 20) and deleting with renumbering, and the favourites combo.
//
// Numbers and positions: numbers stay dense and unique, a reorder keeps them, and every operation
// finds a favourite by its number, never by its position.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/entry/favourite_table.h"
#include "ui/entry/ui_context.h"
#include "win/base.h"
#include "win/user.h"

namespace orla {

inline constexpr UINT kFavouriteTableFullMessage = 805;
inline constexpr int kFavouritesComboId = 1013;

// new = (mask AND favourite) OR (NOT mask AND current), byte for byte over the settings record;
// the record's favourite number becomes the favourite's number.
void MergeFavourite(DriverDevmode& settings, const FavouriteRecord& favourite);
// The favourite with that number (wherever it stands in the table); false when there is none.
bool FavouriteFromTable(const UiContext* context, DWORD number, FavouriteRecord* out);

// What a factory favourite brings beyond its masked bits, on the current or the scratch record:
// the stamp reloaded (else the default text stamp), and by its number the 2-up paper and zoom, the
// duplex papers and the secret stamp. A user favourite brings nothing.
enum class FavouriteTarget { Current, Scratch };
struct FavouriteSteps {
    bool turnedPapers;       // duplex keeps the turned and small sizes (device data version 4 on)
    bool listedSecretStamp;  // the pages' secret stamp, field by field, rather than factory stamp 1
};
void ApplyFactoryFavouriteSteps(UiContext* context, FavouriteTarget target, const FavouriteRecord& favourite,
                                FavouriteSteps steps);

// Whether every bit the favourite fixes has the favourite's value in the settings.
bool FavouriteMatches(const DriverDevmode& settings, const FavouriteRecord& favourite);

// The two duplex favourites (numbers 2 and 3) are offered only with the duplex unit installed;
// every list, the combo and the load rule go by this one rule.
bool FavouriteOffered(const DriverDevmode& current, DWORD number);

// The table as the user sees it: the stored records, or the factory favourites while none are
// stored. FALSE (records empty) when the stored table is damaged or cannot be read.
BOOL ReadFavourites(const UiContext* context, std::vector<FavouriteRecord>* records);
// The favourite applied at load: the first factory favourite flagged for it and offered, merged
// into the current record with its per-number steps. The settings stay as they are when the table
// cannot be read. Returns the number applied, or -1.
int LoadFavouriteTable(UiContext* context);

// The mask of a new user favourite made from these settings: every byte fixed but the fields that
// belong to the job, the machine or the printer (names, option states, previous values, favourite
// number) and the unused tails of the texts.
void BuildNewFavouriteMask(const DriverDevmode& settings, std::span<BYTE> mask);
// A user favourite of these settings under that number.
FavouriteRecord BuildFavouriteRecord(const DriverDevmode& settings, DWORD number, std::u16string_view name,
                                     std::u16string_view comment);
// A new user favourite from the current record: the number of a user favourite of the same name,
// else the next free number.
FavouriteRecord BuildUserFavourite(const UiContext* context, std::u16string_view name, std::u16string_view comment);

// The number a new favourite gets: the record count (the lowest free number should the stored
// numbers have a gap).
DWORD NextFavouriteNumber(const UiContext* context);

enum class FavouriteStore { Replaced, Appended, TableFull, TableDamaged, WriteFailed };
// Every record with that number is replaced (the table keeps its size), or the record is appended
// under the next number while fewer than 20 are stored; a full table beeps and shows message 805
// (MB_ICONWARNING) and writes nothing. A damaged stored table is never written over.
FavouriteStore StoreFavourite(HWND dialog, UiContext* context, DWORD number, const FavouriteRecord& record);
// Removes the favourite with that number; every higher number goes down by one (wherever its
// record stands), and the current and scratch records' favourite numbers follow.
BOOL DeleteFavourite(UiContext* context, DWORD number);

// Combo 1013: the offered favourites in table order, item data = number, the current record's
// favourite selected. Returns the number of entries.
int FillFavouritesCombo(UiContext* context, HWND dialog);

}  // namespace orla
