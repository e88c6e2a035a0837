// The favourites dialogs' decisions over the table and the settings records.
#include "ui/tools/favourite_dialog_rules.h"

#include <algorithm>
#include <iterator>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "core/settings.h"
#include "ui/entry/ui_flags.h"
#include "win/user.h"

namespace orla {
namespace {

// The factory favourites' names in the order the save dialog tests them (strings 531, 620 to 624
// and 533 of the language resource DLL).
constexpr std::u16string_view kFactoryNames[] = {
    kJapaneseBuild ? u"標準" : u"Standard",
    kJapaneseBuild ? u"まとめて1枚(2アップ)" : u"2-up",
    kJapaneseBuild ? u"両面長辺とじ" : u"Duplex (Long Edge)",
    kJapaneseBuild ? u"両面短辺とじ" : u"Duplex (Short Edge)",
    kJapaneseBuild ? u"マル秘" : u"Confidential",
    kJapaneseBuild ? u"ユーザー名" : u"User Name",
    kJapaneseBuild ? u"高画質" : u"High Quality",
};
constexpr UINT kFactoryNameIds[] = {531, 620, 621, 622, 623, 624, 533};
constexpr LONG kTurnedPapersVersion = 4;  // device data from this version duplexes turned papers

bool TurnedPapers(const UiContext* context) {
    return DeviceDataVersion(context->deviceData) >= kTurnedPapersVersion;
}

bool IsFactory(const FavouriteRecord& r) {
    return (FavouriteFlags(r) & kFavouriteFactory) != 0;
}

bool NumberStored(const std::vector<FavouriteRecord>& records, DWORD number) {
    return std::any_of(records.begin(), records.end(),
                       [number](const FavouriteRecord& r) { return FavouriteNumber(r) == number; });
}

bool ValidIndex(const JobFavouriteList& list, int index) {
    return index >= 0 && static_cast<size_t>(index) < list.items.size();
}

void ForgetName(JobFavouriteList& list, const std::u16string& name) {
    const auto found = std::find(list.names.begin(), list.names.end(), name);
    if (found != list.names.end()) list.names.erase(found);
}

// The number a new item gets: the count, or the lowest free number while the factory numbers
// leave a gap below it.
DWORD NextFreeNumber(const JobFavouriteList& list) {
    std::vector<FavouriteRecord> all = list.items;
    all.insert(all.end(), list.hidden.begin(), list.hidden.end());
    DWORD number = static_cast<DWORD>(all.size());
    if (!NumberStored(all, number)) return number;
    for (number = 0; NumberStored(all, number); ++number) {
    }
    return number;
}

int IndexOfName(const JobFavouriteList& list, std::u16string_view name) {
    for (size_t i = 0; i < list.items.size(); ++i)
        if (FavouriteName(list.items[i]) == name) return static_cast<int>(i);
    return -1;
}

}  // namespace

bool IsFactoryFavouriteName(const UiContext* context, std::u16string_view name) {
    if (std::find(std::begin(kFactoryNames), std::end(kFactoryNames), name) != std::end(kFactoryNames)) return true;
    // The factory favourites are named in the user's language, which need not be the build's.
    HMODULE res = context ? context->hResDll : nullptr;
    for (UINT id : kFactoryNameIds) {
        WCHAR text[kFavouriteNameChars] = {};
        const int n = res ? LoadStringW(res, id, text, kFavouriteNameChars) : 0;
        if (n > 0 && name == std::u16string_view(text, static_cast<size_t>(n))) return true;
    }
    return false;
}

UINT CheckFavouriteName(const UiContext* context, std::u16string_view name) {
    return name.empty() || IsFactoryFavouriteName(context, name) ? kFavouriteNameRefused : 0;
}

bool IsUserFavourite(const UiContext* context, DWORD number) {
    FavouriteRecord f;
    return FavouriteFromTable(context, number, &f) && !IsFactory(f);
}

std::u16string FavouriteNameInUseText(std::u16string_view name) {
    if (kJapaneseBuild)
        return u"[お気に入り]の登録名[" + std::u16string(name) + u"]は、すでに存在します。他の名称へ変更してください。";
    return u"The favourite name [" + std::u16string(name) + u"] already exists. Choose another name.";
}

std::u16string_view FavouriteWarningCaption() {
    return kJapaneseBuild ? u"警告" : u"Warning";
}

// ---- Save dialog ----

FavouriteTexts SaveDialogStartTexts(const UiContext* context) {
    FavouriteTexts texts;
    FavouriteRecord f;
    if (!FavouriteFromTable(context, Get(context->currentDevmode, dm::FavouriteNumber), &f)) return texts;
    if (!IsFactory(f)) texts.name = FavouriteName(f);
    texts.comment = FavouriteComment(f);
    return texts;
}

SaveVerdict SaveFavouriteFromDialog(HWND dialog, UiContext* context, std::u16string_view name,
                                    std::u16string_view comment) {
    SaveVerdict verdict{CheckFavouriteName(context, name), false, 0};
    if (verdict.message != 0) return verdict;
    // A full table still takes a favourite that replaces one of the same name.
    const FavouriteRecord record = BuildUserFavourite(context, name, comment);
    verdict.number = FavouriteNumber(record);
    switch (StoreFavourite(dialog, context, verdict.number, record)) {
        case FavouriteStore::Replaced:
        case FavouriteStore::Appended:
            break;
        case FavouriteStore::TableFull:
            verdict.message = kFavouriteTableFullMessage;
            return verdict;
        default:
            return verdict;
    }
    verdict.stored = true;
    context->currentDevmode = context->scratchDevmode;
    Set(context->currentDevmode, dm::FavouriteNumber, static_cast<WORD>(verdict.number));
    return verdict;
}

// ---- Manage dialog ----

void BeginManageFavourites(UiContext* context) {
    context->scratchDevmode = context->currentDevmode;
    const DWORD number = Get(context->scratchDevmode, dm::FavouriteNumber);
    if (!FavouriteOffered(context->currentDevmode, number)) Set(context->scratchDevmode, dm::FavouriteNumber, 0);
}

bool SelectManagedFavourite(UiContext* context, DWORD number) {
    FavouriteRecord f;
    if (!FavouriteFromTable(context, number, &f)) return false;
    MergeFavourite(context->scratchDevmode, f);
    ApplyFactoryFavouriteSteps(context, FavouriteTarget::Scratch, f, {TurnedPapers(context), true});
    RefreshPreviousValues(context->scratchDevmode);
    return true;
}

bool ManageControlsEnabled(const UiContext* context) {
    const DWORD number = Get(context->scratchDevmode, dm::FavouriteNumber);
    return (context->flags & kUiDataWritable) != 0 && IsUserFavourite(context, number);
}

bool DeleteManagedFavourite(UiContext* context) {
    const DWORD number = Get(context->scratchDevmode, dm::FavouriteNumber);
    if (!IsUserFavourite(context, number) || !DeleteFavourite(context, number)) return false;
    Set(context->scratchDevmode, dm::FavouriteNumber, 0);
    return true;
}

ManageVerdict FinishManageFavourites(HWND dialog, UiContext* context, std::u16string_view name,
                                     std::u16string_view comment) {
    ManageVerdict verdict{0, false};
    const DWORD number = Get(context->scratchDevmode, dm::FavouriteNumber);
    // Only a user favourite is stored: a factory favourite is never written over.
    if (IsUserFavourite(context, number)) {
        std::vector<FavouriteRecord> records;
        ReadFavourites(context, &records);
        for (const FavouriteRecord& f : records)
            if (FavouriteNumber(f) != number && FavouriteName(f) == name) verdict.message = kFavouriteNameInUse;
        if (verdict.message == 0) verdict.message = CheckFavouriteName(context, name);
        if (verdict.message != 0) return verdict;
        const FavouriteRecord record = BuildFavouriteRecord(context->scratchDevmode, number, name, comment);
        verdict.stored = StoreFavourite(dialog, context, number, record) == FavouriteStore::Replaced;
    }
    context->currentDevmode = context->scratchDevmode;
    return verdict;
}

void CancelManageFavourites(UiContext* context) {
    std::vector<FavouriteRecord> records;
    if (!ReadFavourites(context, &records)) return;
    if (!NumberStored(records, Get(context->currentDevmode, dm::FavouriteNumber)))
        Set(context->currentDevmode, dm::FavouriteNumber, 0);
}

// ---- Job favourites dialog ----

JobFavouriteList BeginJobFavourites(const UiContext* context) {
    JobFavouriteList list;
    std::vector<FavouriteRecord> records;
    list.writable = ReadFavourites(context, &records) == TRUE;
    for (const FavouriteRecord& f : records)
        (FavouriteOffered(context->currentDevmode, FavouriteNumber(f)) ? list.items : list.hidden).push_back(f);
    return list;
}

int JobFavouriteInitialSelection(const JobFavouriteList& list, const UiContext* context) {
    const DWORD current = Get(context->currentDevmode, dm::FavouriteNumber);
    for (size_t i = 0; i < list.items.size(); ++i)
        if (FavouriteNumber(list.items[i]) == current) return static_cast<int>(i);
    return -1;
}

UINT CheckJobFavouriteDelete(const JobFavouriteList& list, int index) {
    if (!ValidIndex(list, index)) return 0;
    return IsFactory(list.items[index]) ? kFavouriteFactoryNotDeletable : kFavouriteDeleteQuestion;
}

int DeleteJobFavourite(JobFavouriteList& list, int index) {
    if (CheckJobFavouriteDelete(list, index) != kFavouriteDeleteQuestion) return index;
    const DWORD removed = FavouriteNumber(list.items[index]);
    ForgetName(list, FavouriteName(list.items[index]));
    list.items.erase(list.items.begin() + index);
    for (auto* records : {&list.items, &list.hidden})
        for (FavouriteRecord& r : *records)
            if (FavouriteNumber(r) > removed) SetFavouriteNumber(r, FavouriteNumber(r) - 1);
    if (list.items.empty()) return -1;
    return std::min(index, static_cast<int>(list.items.size()) - 1);
}

RegisterCheck CheckJobFavouriteRegister(const UiContext* context, const JobFavouriteList& list,
                                        std::u16string_view name, bool replaceAgreed) {
    if (name.empty()) return {kFavouriteNameRefused, -1};
    const int same = IndexOfName(list, name);
    if (IsFactoryFavouriteName(context, name) || (same >= 0 && IsFactory(list.items[same])))
        return {kFavouriteFactoryNameTaken, -1};
    if (same >= 0 && !replaceAgreed) return {kFavouriteReplaceQuestion, same};
    const size_t room = kFavouriteMaxCount + (same >= 0 ? 1 : 0);
    if (list.items.size() + list.hidden.size() >= room) return {kFavouriteTableFullMessage, same};
    return {0, same};
}

int RegisterJobFavourite(JobFavouriteList& list, const UiContext* context, std::u16string_view name,
                         std::u16string_view comment, int replaceIndex) {
    DWORD number = 0;
    if (ValidIndex(list, replaceIndex)) {
        number = FavouriteNumber(list.items[replaceIndex]);
        ForgetName(list, FavouriteName(list.items[replaceIndex]));
        list.items.erase(list.items.begin() + replaceIndex);
    } else {
        number = NextFreeNumber(list);
    }
    if (list.items.size() + list.hidden.size() >= kFavouriteMaxCount) return -1;
    list.items.push_back(BuildFavouriteRecord(context->currentDevmode, number, name, comment));
    list.names.emplace_back(name);
    return static_cast<int>(list.items.size()) - 1;
}

int MoveJobFavourite(JobFavouriteList& list, int from, int before) {
    if (!ValidIndex(list, from) || !ValidIndex(list, before) || from == before) return from;
    const FavouriteRecord moved = list.items[from];
    list.items.erase(list.items.begin() + from);
    const int to = before > from ? before - 1 : before;
    list.items.insert(list.items.begin() + to, moved);
    return to;
}

BOOL FinishJobFavourites(UiContext* context, JobFavouriteList& list, std::u16string_view firstFactoryName) {
    int chosen = list.names.empty() ? -1 : IndexOfName(list, list.names.front());
    if (chosen < 0) chosen = IndexOfName(list, firstFactoryName);
    const DWORD number = chosen >= 0 ? FavouriteNumber(list.items[chosen]) : 0;
    Set(context->currentDevmode, dm::FavouriteNumber, static_cast<WORD>(number));
    list.names.clear();
    // A table that could not be read is never written over.
    if (!list.writable) return FALSE;
    std::vector<FavouriteRecord> table = list.items;
    table.insert(table.end(), list.hidden.begin(), list.hidden.end());
    return WriteFavouriteTable(context->hPrinter, table);
}

// ---- Match mark ----

UINT FavouriteMarkState(bool matches, UINT state) {
    state &= ~kFavouriteMarkMask;
    return matches ? state : state | kFavouriteChangedMark;
}

}  // namespace orla
