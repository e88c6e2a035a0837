// The favourites table in printer data and the factory favourites. The table is read twice (size,
// then data) and checked whole before anything is taken from it.
#include "ui/entry/favourite_table.h"

#include <algorithm>
#include <cstring>

#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace orla {
namespace {

// A built-in factory favourite: what it fixes in the settings record.
struct FactoryEntry {
    DWORD flags;
    DWORD number;
    WORD nameId;
    WORD commentId;
    WORD printQuality;
    WORD duplex;
    DWORD privateBits;  // only the bits under kFactoryPrivateMask count
    WORD layout[3];     // layout mode, frame kind, layout order
    DWORD annotationOn;
    DWORD annotationKind;
    DWORD annotationPosition;
    DWORD stampDrawFlag;
    DWORD stampNumber;
};
constexpr unsigned kFactorySlots = 16;
// Slots 7 to 15 stay empty; an empty slot (flags 0) ends the table.
constexpr FactoryEntry kFactoryTable[kFactorySlots] = {
    {3, 0, 531, 718, 600, 1, 0x11400, {1, 0, 0}, 0, 0, 0, 0, 0},
    {1, 1, 620, 726, 600, 1, 0x11400, {2, 0, 0}, 0, 0, 2, 0, 0},
    {1, 2, 621, 727, 600, 2, 0x11400, {1, 0, 0}, 0, 0, 2, 0, 0},
    {1, 3, 622, 728, 600, 3, 0x11400, {1, 0, 0}, 0, 0, 2, 0, 0},
    {1, 4, 623, 729, 600, 1, 0x11400, {1, 0, 0}, 0, 0, 2, 1, 0},
    {1, 5, 624, 730, 600, 1, 0x11400, {1, 0, 0}, 1, 0, 2, 0, 0},
    {1, 6, 533, 720, 1200, 1, 0x10400, {1, 0, 0}, 0, 0, 2, 0, 0},
};
constexpr DWORD kFactoryPrivateMask = 0x31500;
constexpr DWORD kPresetOwnSlots = 0x8;  // preset flags bit 3
constexpr unsigned kSlotAlwaysWithoutBit3 = 3;
constexpr unsigned kSlotNeedsBit3 = 6;

template <class T>
void Fix(FavouriteRecord& r, DmField<T> field, T value, T mask) {
    Set(FavouriteSettings(r), field, value);
    Set(FavouriteMask(r), field, mask);
}

std::u16string ResourceText(HMODULE hResDll, UINT id, int cch) {
    std::vector<WCHAR> text(static_cast<size_t>(cch) + 1, 0);
    const int n = hResDll ? LoadStringW(hResDll, id, text.data(), cch) : 0;
    return std::u16string(reinterpret_cast<const char16_t*>(text.data()), n > 0 ? static_cast<size_t>(n) : 0);
}

// The private flags, the layout words and their saved copies, as the entry fixes them.
void FixPrivateSettings(FavouriteRecord& r, const FactoryEntry& e) {
    const DWORD flags1 =
        (Get(FavouriteSettings(r), dm::Flags1) & ~kFactoryPrivateMask) | (e.privateBits & kFactoryPrivateMask);
    Fix(r, dm::Flags1, flags1, kFactoryPrivateMask);
    Fix(r, dm::SavedFlags1, flags1, kFactoryPrivateMask);
    const DmField<WORD> layout[] = {dm::LayoutMode, dm::FrameKind, dm::LayoutOrder};
    const DmField<WORD> saved[] = {dm::SavedLayoutMode, dm::SavedFrameKind, dm::SavedLayoutOrder};
    for (int i = 0; i < 3; ++i) {
        Fix(r, layout[i], e.layout[i], WORD{0xFFFF});
        Fix(r, saved[i], e.layout[i], WORD{0xFFFF});
    }
}

FavouriteRecord BuildFactoryRecord(const FactoryEntry& e, HMODULE hResDll, const DriverDevmode& defaults) {
    FavouriteRecord r{};
    Set(std::span<BYTE>(r.bytes), fav::kFlags, e.flags);
    SetFavouriteNumber(r, e.number);
    SetFavouriteTexts(r, ResourceText(hResDll, e.nameId, kFavouriteNameChars),
                      ResourceText(hResDll, e.commentId, kFavouriteCommentChars));
    std::memcpy(FavouriteSettings(r).data(), defaults.bytes, kDriverDevmodeSize);
    Fix(r, dm::PrintQuality, static_cast<SHORT>(e.printQuality), SHORT{-1});
    Fix(r, dm::Duplex, static_cast<SHORT>(e.duplex), SHORT{-1});
    FixPrivateSettings(r, e);
    Fix(r, dm::StampDrawFlag, e.stampDrawFlag, DWORD{1});
    Fix(r, dm::StampNumber, e.stampNumber, DWORD{0xFFFFFFFF});
    Fix(r, dm::AnnotationOn, e.annotationOn, DWORD{1});
    Fix(r, dm::AnnotationKind, e.annotationKind, DWORD{0xFFFFFFFF});
    Fix(r, dm::AnnotationPosition, e.annotationPosition, DWORD{0xFFFFFFFF});
    return r;
}

bool TextTerminated(std::span<const BYTE> record, DmText field) {
    for (unsigned i = 0; i < field.cch; ++i)
        if (Get(record, DmField<WORD>{field.offset + 2 * i}) == 0) return true;
    return false;
}

bool SameBytes(std::span<const BYTE> a, std::span<const BYTE> b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

bool SameUnderMask(std::span<const BYTE> a, std::span<const BYTE> b, std::span<const BYTE> mask) {
    for (size_t i = 0; i < mask.size(); ++i)
        if (((a[i] ^ b[i]) & mask[i]) != 0) return false;
    return true;
}

// The same favourite as the factory built it: flags, number, mask and the settings it fixes (the
// texts may be of another language). Settings outside the mask are not compared: the defaults name
// the installed options in the user's language, so they differ after a change of language.
bool SameFactoryFavourite(const FavouriteRecord& stored, const FavouriteRecord& factory) {
    return FavouriteFlags(stored) == FavouriteFlags(factory) && FavouriteNumber(stored) == FavouriteNumber(factory) &&
           SameBytes(FavouriteMask(stored), FavouriteMask(factory)) &&
           SameUnderMask(FavouriteSettings(stored), FavouriteSettings(factory), FavouriteMask(factory));
}

}  // namespace

DWORD FavouriteFlags(const FavouriteRecord& r) {
    return Get(std::span<const BYTE>(r.bytes), fav::kFlags);
}
DWORD FavouriteNumber(const FavouriteRecord& r) {
    return Get(std::span<const BYTE>(r.bytes), fav::kNumber);
}
void SetFavouriteNumber(FavouriteRecord& r, DWORD number) {
    Set(std::span<BYTE>(r.bytes), fav::kNumber, number);
}
std::u16string FavouriteName(const FavouriteRecord& r) {
    return GetText(std::span<const BYTE>(r.bytes), fav::kName);
}
std::u16string FavouriteComment(const FavouriteRecord& r) {
    return GetText(std::span<const BYTE>(r.bytes), fav::kComment);
}
void SetFavouriteTexts(FavouriteRecord& r, std::u16string_view name, std::u16string_view comment) {
    SetText(std::span<BYTE>(r.bytes), fav::kName, name);
    SetText(std::span<BYTE>(r.bytes), fav::kComment, comment);
}
std::span<BYTE> FavouriteSettings(FavouriteRecord& r) {
    return {r.bytes + fav::kSettings.offset, fav::kSettings.cb};
}
std::span<const BYTE> FavouriteSettings(const FavouriteRecord& r) {
    return {r.bytes + fav::kSettings.offset, fav::kSettings.cb};
}
std::span<BYTE> FavouriteMask(FavouriteRecord& r) {
    return {r.bytes + fav::kMask.offset, fav::kMask.cb};
}
std::span<const BYTE> FavouriteMask(const FavouriteRecord& r) {
    return {r.bytes + fav::kMask.offset, fav::kMask.cb};
}

bool FactorySlotTaken(DWORD presetFlags, unsigned slot) {
    if (slot >= kFactorySlots) return false;
    const bool ownSlots = (presetFlags & kPresetOwnSlots) != 0;
    if (!ownSlots && slot == kSlotNeedsBit3) return false;
    return (presetFlags & (1u << slot)) != 0 || (!ownSlots && slot == kSlotAlwaysWithoutBit3);
}

std::vector<FavouriteRecord> BuildFactoryFavourites(DWORD presetFlags, HMODULE hResDll, const DriverDevmode& defaults) {
    std::vector<FavouriteRecord> out;
    for (unsigned slot = 0; slot < kFactorySlots; ++slot) {
        // An empty slot ends the table: a preset bit above it must not make a nameless record.
        if (kFactoryTable[slot].flags == 0) break;
        if (FactorySlotTaken(presetFlags, slot))
            out.push_back(BuildFactoryRecord(kFactoryTable[slot], hResDll, defaults));
    }
    return out;
}

FavouriteTableRead ParseFavouriteTable(std::span<const BYTE> bytes, std::vector<FavouriteRecord>* records) {
    if (bytes.size() % kFavouriteRecordSize != 0) return FavouriteTableRead::Damaged;
    const size_t count = bytes.size() / kFavouriteRecordSize;
    if (count > kFavouriteMaxCount) return FavouriteTableRead::Damaged;
    std::vector<FavouriteRecord> parsed(count);
    bool numberSeen[kFavouriteMaxCount] = {};
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(parsed[i].bytes, bytes.data() + i * kFavouriteRecordSize, kFavouriteRecordSize);
        const std::span<const BYTE> one(parsed[i].bytes);
        if (!TextTerminated(one, fav::kName) || !TextTerminated(one, fav::kComment)) return FavouriteTableRead::Damaged;
        const DWORD number = FavouriteNumber(parsed[i]);
        if (number >= kFavouriteMaxCount || numberSeen[number]) return FavouriteTableRead::Damaged;
        numberSeen[number] = true;
    }
    if (records) *records = std::move(parsed);
    return FavouriteTableRead::Ok;
}

FavouriteTableRead ReadFavouriteTable(HANDLE hPrinter, std::vector<FavouriteRecord>* records) {
    LPWSTR name = const_cast<LPWSTR>(kFavouriteTableValue);
    DWORD type = 0, needed = 0;
    DWORD rc = GetPrinterDataW(hPrinter, name, &type, nullptr, 0, &needed);
    if (rc == ERROR_FILE_NOT_FOUND) return FavouriteTableRead::Missing;
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return FavouriteTableRead::Unreadable;
    if (needed == 0) {
        if (records) records->clear();
        return FavouriteTableRead::Ok;
    }
    if (needed > kFavouriteMaxCount * kFavouriteRecordSize) return FavouriteTableRead::Damaged;
    std::vector<BYTE> bytes(needed, 0);
    rc = GetPrinterDataW(hPrinter, name, &type, bytes.data(), needed, &needed);
    if (rc != ERROR_SUCCESS) return FavouriteTableRead::Unreadable;
    if (type != REG_BINARY) return FavouriteTableRead::Damaged;
    bytes.resize(std::min<size_t>(needed, bytes.size()));
    return ParseFavouriteTable(bytes, records);
}

BOOL WriteFavouriteTable(HANDLE hPrinter, const std::vector<FavouriteRecord>& records) {
    if (records.size() > kFavouriteMaxCount) return FALSE;
    std::vector<BYTE> bytes(records.size() * kFavouriteRecordSize);
    for (size_t i = 0; i < records.size(); ++i)
        std::memcpy(bytes.data() + i * kFavouriteRecordSize, records[i].bytes, kFavouriteRecordSize);
    return SetPrinterDataW(hPrinter, const_cast<LPWSTR>(kFavouriteTableValue), REG_BINARY, bytes.data(),
                           static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

void SeedFavouriteTable(HANDLE hPrinter, const CompiledDeviceData* deviceData, HMODULE hResDll,
                        const DriverDevmode& defaults, bool languageChanged) {
    std::vector<FavouriteRecord> stored;
    const FavouriteTableRead read = ReadFavouriteTable(hPrinter, &stored);
    if (read != FavouriteTableRead::Missing && !(read == FavouriteTableRead::Ok && languageChanged)) return;
    const std::vector<FavouriteRecord> factory =
        BuildFactoryFavourites(DeviceDataField(deviceData, dd::kPresetFlags), hResDll, defaults);
    if (read == FavouriteTableRead::Missing) {
        WriteFavouriteTable(hPrinter, factory);
        return;
    }
    for (FavouriteRecord& r : stored)
        for (const FavouriteRecord& f : factory)
            if (SameFactoryFavourite(r, f)) r = f;
    WriteFavouriteTable(hPrinter, stored);
}

}  // namespace orla
