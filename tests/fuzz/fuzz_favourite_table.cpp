// Fuzz target: a "TBL_PresetTable" value of any bytes is either refused whole or taken as whole
// records that write back to the same bytes, and every record taken applies so that it matches.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ui/entry/favourite_table.h"
#include "ui/tools/favourites_store.h"

using namespace orla;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::vector<FavouriteRecord> records;
    const FavouriteTableRead read = ParseFavouriteTable({bytes, size}, &records);
    if (read != FavouriteTableRead::Ok) {
        if (!records.empty()) std::abort();
        return 0;
    }
    if (records.size() * kFavouriteRecordSize != size || records.size() > kFavouriteMaxCount) std::abort();
    static DriverDevmode settings{};
    for (size_t i = 0; i < records.size(); ++i) {
        if (std::memcmp(records[i].bytes, bytes + i * kFavouriteRecordSize, kFavouriteRecordSize) != 0) std::abort();
        if (FavouriteName(records[i]).size() >= fav::kName.cch) std::abort();
        MergeFavourite(settings, records[i]);
        // The favourite number written by the merge may lie under the mask: match the rest.
        FavouriteRecord unnumbered = records[i];
        Set(FavouriteMask(unnumbered), dm::FavouriteNumber, WORD{0});
        if (!FavouriteMatches(settings, unnumbered)) std::abort();
    }
    return 0;
}
