// Applying a favourite to a settings record and testing the match afterwards, as choosing one in
// the favourites combo does: a factory favourite (a few fixed fields) and a user favourite (every
// byte but the job's own fixed).
#include <benchmark/benchmark.h>

#include <cstring>

#include "ui/entry/favourite_table.h"
#include "ui/tools/favourites_store.h"

using namespace orla;

namespace {

DriverDevmode SampleSettings() {
    DriverDevmode s{};
    for (unsigned i = 0; i < kDriverDevmodeSize; ++i) s.bytes[i] = static_cast<BYTE>(i * 31);
    return s;
}

void ApplyWithMatch(benchmark::State& state, const FavouriteRecord& favourite) {
    const DriverDevmode start = SampleSettings();
    DriverDevmode current{};
    for (auto _ : state) {
        std::memcpy(current.bytes, start.bytes, kDriverDevmodeSize);
        MergeFavourite(current, favourite);
        benchmark::DoNotOptimize(FavouriteMatches(current, favourite));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kDriverDevmodeSize * 2);
}

void BM_ApplyFactoryFavourite(benchmark::State& state) {
    const DriverDevmode defaults = SampleSettings();
    const std::vector<FavouriteRecord> factory = BuildFactoryFavourites(0x7F, nullptr, defaults);
    ApplyWithMatch(state, factory.at(4));
}
BENCHMARK(BM_ApplyFactoryFavourite);

void BM_ApplyUserFavourite(benchmark::State& state) {
    FavouriteRecord user{};
    const DriverDevmode saved = SampleSettings();
    std::memcpy(FavouriteSettings(user).data(), saved.bytes, kDriverDevmodeSize);
    BuildNewFavouriteMask(saved, FavouriteMask(user));
    ApplyWithMatch(state, user);
}
BENCHMARK(BM_ApplyUserFavourite);

}  // namespace

BENCHMARK_MAIN();
