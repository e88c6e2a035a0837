// Favourites as the printer keeps them: the record format, the table "TBL_PresetTable" (records
// back to back, at most 20), the factory favourites built from the device description's preset
// flags, and the seeding of the table when it is missing or the user's language changed.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "win/base.h"

namespace orla {

// One favourite, little-endian, kFavouriteRecordSize bytes (17,612; English build 9,552).
struct FavouriteRecord {
    alignas(4) BYTE bytes[kFavouriteRecordSize];
};
static_assert(sizeof(FavouriteRecord) == kFavouriteRecordSize);

namespace fav {
inline constexpr DmField<DWORD> kFlags{0};
inline constexpr DmField<DWORD> kNumber{4};
inline constexpr DmText kName{8, 33};
inline constexpr DmText kComment{74, 256};
inline constexpr DmBytes kUnused{586, 2};
inline constexpr DmBytes kSettings{kFavouriteSettingsOffset, kDriverDevmodeSize};
inline constexpr DmBytes kMask{kFavouriteMaskOffset, kDriverDevmodeSize};
static_assert(FieldEnd(kName) == kComment.offset && FieldEnd(kComment) == kUnused.offset);
static_assert(FieldEnd(kUnused) <= kSettings.offset && FieldEnd(kSettings) == kMask.offset);
static_assert(FieldEnd(kMask) == kFavouriteRecordSize);
static_assert(!kJapaneseBuild || (kSettings.offset == 588 && kMask.offset == 9100));
static_assert(kJapaneseBuild || (kSettings.offset == 736 && kMask.offset == 5144));
}  // namespace fav

inline constexpr DWORD kFavouriteFactory = 0x1;      // flags: built from the factory table
inline constexpr DWORD kFavouriteApplyAtLoad = 0x2;  // flags: merged when the settings are loaded
inline constexpr DWORD kFavouriteMaxCount = 20;
inline constexpr DWORD kFavouriteNameChars = 33;
inline constexpr DWORD kFavouriteCommentChars = 256;
inline constexpr const char16_t* kFavouriteTableValue = u"TBL_PresetTable";
inline constexpr const char16_t* kFavouriteLanguageValue = u"TBL_PresetLanguage";

// ---- Fields of one record ----
DWORD FavouriteFlags(const FavouriteRecord& r);
DWORD FavouriteNumber(const FavouriteRecord& r);
void SetFavouriteNumber(FavouriteRecord& r, DWORD number);
std::u16string FavouriteName(const FavouriteRecord& r);
std::u16string FavouriteComment(const FavouriteRecord& r);
void SetFavouriteTexts(FavouriteRecord& r, std::u16string_view name, std::u16string_view comment);
// The settings record and its mask inside the favourite.
std::span<BYTE> FavouriteSettings(FavouriteRecord& r);
std::span<const BYTE> FavouriteSettings(const FavouriteRecord& r);
std::span<BYTE> FavouriteMask(FavouriteRecord& r);
std::span<const BYTE> FavouriteMask(const FavouriteRecord& r);

// ---- Factory favourites ----
// Whether factory slot n (0..15) is taken for these preset flags: with bit 3 the slots follow
// their bits; without it slot 3 is always taken and slot 6 never.
bool FactorySlotTaken(DWORD presetFlags, unsigned slot);
// The factory favourites in slot order, named from the language resource DLL (empty names when it
// lacks them), each on a copy of `defaults`.
std::vector<FavouriteRecord> BuildFactoryFavourites(DWORD presetFlags, HMODULE hResDll, const DriverDevmode& defaults);

// ---- The stored table ----
enum class FavouriteTableRead {
    Ok,       // records as stored (possibly none: a value of length 0)
    Missing,  // no value
    Damaged,  // not whole records, more than 20, a name or comment unterminated, a number repeated
              // or out of range: nothing is taken from it and nothing is written over it
    Unreadable,
};
// Checks a table's bytes; on Ok, `records` holds them.
FavouriteTableRead ParseFavouriteTable(std::span<const BYTE> bytes, std::vector<FavouriteRecord>* records);
FavouriteTableRead ReadFavouriteTable(HANDLE hPrinter, std::vector<FavouriteRecord>* records);
// REG_BINARY, the records back to back in the order given; no records is a value of length 0.
BOOL WriteFavouriteTable(HANDLE hPrinter, const std::vector<FavouriteRecord>& records);

// The store's seeding of the table: when it is missing, the factory favourites are written; when
// the user's language changed, each stored record that is still a factory favourite as built
// (flags, number, settings and mask equal) is replaced by the one built now, so its name follows
// the language, and user favourites stay as they are. A damaged table is left alone.
void SeedFavouriteTable(HANDLE hPrinter, const CompiledDeviceData* deviceData, HMODULE hResDll,
                        const DriverDevmode& defaults, bool languageChanged);

}  // namespace orla
