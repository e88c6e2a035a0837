// The favourites store on top of the printer's table. Every write reads the table first and
// refuses to write over a damaged one, so a table the driver cannot read is never lost.
#include "ui/tools/favourites_store.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "core/settings.h"
#include "core/stamp_record.h"
#include "ui/tools/stamp_store.h"
#include "win/kernel.h"
#include "win/user_controls.h"

namespace orla {
namespace {

constexpr DWORD kNumberTwoUp = 1;
constexpr DWORD kNumberDuplexLong = 2;
constexpr DWORD kNumberDuplexShort = 3;
constexpr DWORD kNumberSecretStamp = 4;

// Paper that the 2-up and duplex favourites cannot keep: the conversion forms.
constexpr std::u16string_view kConversionNames[] = {
    u"A3->A4", u"A3->B4", u"A4->A3", u"A4x2->A4", u"A4->B4",   u"A4->B5", u"B4->A3",
    u"B4->A4", u"B4->B5", u"B5->A4", u"B5->B4",   u"B5x2->B5", u"LP->A4", u"LP->B4",
};
constexpr std::u16string_view kPlainNames[] = {u"A3", u"A4", u"A5", u"B4 (JIS)", u"B5 (JIS)", u"Letter"};
constexpr std::u16string_view kConversionKeptByDuplex = u"A3->A4";
// What device data of version 4 on can also duplex: the turned and small sizes.
constexpr std::u16string_view kTurnedAndSmallNames[] = {
    u"A3 Transverse",
    kJapaneseBuild ? u"A3 横" : u"A3 Rotated",
    u"A4 Small",
    u"A4 Transverse",
    kJapaneseBuild ? u"A4 横" : u"A4 Rotated",
    u"A5 Transverse",
    kJapaneseBuild ? u"A5 横" : u"A5 Rotated",
    kJapaneseBuild ? u"B4 (JIS) 横" : u"B4 (JIS) Rotated",
    u"B5 (JIS) Transverse",
    kJapaneseBuild ? u"B5 (JIS) 横" : u"B5 (JIS) Rotated",
    u"Letter Small",
    u"Letter Transverse",
    u"Note",
    kJapaneseBuild ? u"Letter 横" : u"Letter Rotated",
};
constexpr SHORT kPaperA4 = 9;
constexpr WORD kTransparency = 3;  // paper type and output tray value the duplex favourites clear

// The stamp a factory favourite starts from when none is selected.
constexpr DWORD kDefaultStampPosition = 4;
constexpr SHORT kDefaultStampSize = 720;
constexpr SHORT kDefaultStampScale = 100;
constexpr SHORT kDefaultStampAngle = 2;
constexpr WORD kDefaultStampWeight = 700;
constexpr DWORD kDefaultStampOverlay = 1;
constexpr DWORD kDefaultStampGrey = 3044;
constexpr DWORD kDefaultStampMode = 3065;
constexpr std::u16string_view kDefaultStampFace = kJapaneseBuild ? u"ＭＳ ゴシック" : u"Arial";
constexpr DWORD kSecretStampNumber = 1;  // factory stamp 1, "マル秘"
constexpr std::u16string_view kSecretStampName = kJapaneseBuild ? u"マル秘" : u"Confidential";
constexpr std::u16string_view kSecretStampText = kJapaneseBuild ? u"秘" : u"Confidential";
constexpr std::u16string_view kSecretStampFace = kJapaneseBuild ? u"ＭＳ Ｐ明朝" : u"Arial";
constexpr SHORT kSecretStampSize = 2000;
constexpr WORD kSecretStampWeight = 400;
constexpr DWORD kSecretStampMode = 3066;

// The new-favourite mask: ANSI texts whose tails (from the terminator) are not fixed, with the
// widths the mask rule gives them.
constexpr DmBytes kMaskAnsiTexts[] = {
    {dm::OverlayFolder.offset, 128}, {dm::OverlayName.offset, 14}, {dm::LanguageText.offset, 20}};
constexpr DmText kMaskWideTexts[] = {dm::DeviceName, dm::FormName, dm::OutPaperName};
constexpr DmText kMaskUserText{dm::UserText.offset, 16};  // 32 bytes; its last WORD goes with the flag
constexpr DmBytes kMaskMachineFields[] = {
    {dm::ComputerName.offset, 32},
    {dm::JobUserName.offset, FieldEnd(dm::JobUserName) - dm::JobUserName.offset},     // with the WORD at its end
    {dm::MemoryKb.offset, dm::PrevPaperSize.offset - dm::MemoryKb.offset},            // option states
    {dm::PrevPaperSize.offset, dm::OwnerUserName.offset - dm::PrevPaperSize.offset},  // previous values
};
constexpr DWORD kOverlayKeepsFlags2 = 0x200;  // with the overlay on, the favourite fixes its mode bit

DriverDevmode& TargetRecord(UiContext* context, FavouriteTarget target) {
    return target == FavouriteTarget::Current ? context->currentDevmode : context->scratchDevmode;
}

bool InList(std::u16string_view name, std::span<const std::u16string_view> list) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

void ZeroMask(std::span<BYTE> mask, DmBytes field) {
    std::memset(mask.data() + field.offset, 0, field.cb);
}
// Mask bytes of a text after its terminator (wide: from the unit after it; ANSI: from it).
void ZeroWideTail(const DriverDevmode& s, std::span<BYTE> mask, DmText field) {
    const std::u16string text = GetText(s, field);
    if (text.size() + 1 >= field.cch) return;
    const unsigned from = field.offset + 2 * static_cast<unsigned>(text.size() + 1);
    std::memset(mask.data() + from, 0, FieldEnd(field) - from);
}
void ZeroAnsiTail(const DriverDevmode& s, std::span<BYTE> mask, DmBytes field) {
    const BYTE* text = s.bytes + field.offset;
    const BYTE* end = static_cast<const BYTE*>(std::memchr(text, 0, field.cb));
    if (end == nullptr) return;
    std::memset(mask.data() + (end - s.bytes), 0, FieldEnd(field) - (end - s.bytes));
}

void SetStampText(BYTE* stampRecord, StampTextField field, std::u16string_view text) {
    std::memset(stampRecord + field.offset, 0, field.bytes);
    const size_t units = std::min(text.size(), field.bytes / 2 - 1);
    for (size_t i = 0; i < units; ++i) {
        stampRecord[field.offset + 2 * i] = static_cast<BYTE>(text[i]);
        stampRecord[field.offset + 2 * i + 1] = static_cast<BYTE>(text[i] >> 8);
    }
}

void MakePaperA4(DriverDevmode& s) {
    SetText(s, dm::FormName, u"A4");
    Set(s, dm::PaperSize, kPaperA4);
    Set(s, dm::OutPaperIndex, 0);
    Set(s, dm::OutPaperLength, 0);
    Set(s, dm::OutPaperWidth, 0);
}

// A factory favourite's stamp: the selected stamp reloaded from a cleared number, then the
// default text stamp in the settings record (in-memory form).
void ApplyFactoryStampDefaults(UiContext* context, FavouriteTarget target) {
    DriverDevmode& s = TargetRecord(context, target);
    Set(s, dm::StampNumber, 0);
    if (target == FavouriteTarget::Current)
        LoadStampsIntoContext(context);
    else
        ReloadWorkingStamp(context);
    if (Get(s, dm::StampNumber) != 0) return;
    BYTE* stampRecord = s.bytes + dm::StampRecord.offset;
    std::memset(stampRecord, 0, dm::StampRecord.cb);
    for (StampTextField f : {stamp::kName, stamp::kText, stamp::kImagePath}) SetStampText(stampRecord, f, u" ");
    StampSet(stampRecord, stamp::kPosition, kDefaultStampPosition);
    StampSet(stampRecord, stamp::kTextSize, kDefaultStampSize);
    StampSet(stampRecord, stamp::kScale, kDefaultStampScale);
    StampSet(stampRecord, stamp::kAngle, kDefaultStampAngle);
    StampSet(stampRecord, stamp::kWeight, kDefaultStampWeight);
    StampSet(stampRecord, stamp::kOverlayMode, kDefaultStampOverlay);
    StampSet(stampRecord, stamp::kGrey, kDefaultStampGrey);
    StampSet(stampRecord, stamp::kMode, kDefaultStampMode);
    SetStampText(stampRecord, stamp::kFaceName, kDefaultStampFace);
}

void ApplyTwoUpSteps(DriverDevmode& s) {
    if (InList(GetText(s, dm::FormName), kConversionNames)) MakePaperA4(s);
    Set(s, dm::Flags1, Get(s, dm::Flags1) & ~kFlags1ManualZoom);
}

bool DuplexKeepsPaper(const DriverDevmode& s, bool turnedPapers) {
    const auto kept = [turnedPapers](const std::u16string& name) {
        return InList(name, kPlainNames) || (turnedPapers && InList(name, kTurnedAndSmallNames));
    };
    if (Get(s, dm::OutPaperIndex) == 0) return kept(GetText(s, dm::FormName));
    const std::u16string name = GetText(s, dm::OutPaperName);
    return kept(name) || (InList(name, kConversionNames) && name != kConversionKeptByDuplex);
}

void ApplyDuplexSteps(DriverDevmode& s, bool turnedPapers) {
    if (!DuplexKeepsPaper(s, turnedPapers)) MakePaperA4(s);
    if (Get(s, dm::PaperType) == kTransparency) Set(s, dm::PaperType, 0);
    if (Get(s, dm::OutputTray) == kTransparency) Set(s, dm::OutputTray, 0);
}

// The secret stamp as the pages and dialogs write it, field by field, in both builds alike but for
// its texts and face.
void SetListedSecretStamp(BYTE* stampRecord) {
    std::memset(stampRecord, 0, kStampRecordSize);
    SetStampText(stampRecord, stamp::kName, kSecretStampName);
    SetStampText(stampRecord, stamp::kText, kSecretStampText);
    SetStampText(stampRecord, stamp::kFaceName, kSecretStampFace);
    StampSet(stampRecord, stamp::kPosition, kDefaultStampPosition);
    StampSet(stampRecord, stamp::kTextSize, kSecretStampSize);
    StampSet(stampRecord, stamp::kScale, kDefaultStampScale);
    StampSet(stampRecord, stamp::kAngle, kDefaultStampAngle);
    StampSet(stampRecord, stamp::kWeight, kSecretStampWeight);
    StampSet(stampRecord, stamp::kOverlayMode, kDefaultStampOverlay);
    StampSet(stampRecord, stamp::kGrey, kDefaultStampGrey);
    StampSet(stampRecord, stamp::kMode, kSecretStampMode);
}

void ApplySecretStampSteps(DriverDevmode& s, bool listedStamp) {
    BYTE* stampRecord = s.bytes + dm::StampRecord.offset;
    if (listedStamp) {
        SetListedSecretStamp(stampRecord);
    } else {
        BYTE stored[kStampRecordSize];
        FactoryStamp(kSecretStampNumber, stored);
        ConvertStampRecordToWide(stored);
        std::memcpy(stampRecord, stored, kStampRecordSize);
    }
    Set(s, dm::StampNumber, kSecretStampNumber);
    Set(s, dm::StampDrawFlag, 1);
}

// What a favourite applied at load brings with it beyond its masked bits.
void ApplyLoadSteps(UiContext* context, const FavouriteRecord& f) {
    context->favouriteStampApplied = 0;
    context->favouriteNeedsDuplex = 0;
    const DWORD number = FavouriteNumber(f);
    if (number == kNumberDuplexLong || number == kNumberDuplexShort) context->favouriteNeedsDuplex = 1;
    ApplyFactoryFavouriteSteps(context, FavouriteTarget::Current, f, {false, false});
    if (FavouriteFlags(f) != 0 && number == kNumberSecretStamp) context->favouriteStampApplied = 1;
    RefreshPreviousValues(context->currentDevmode);
}

DWORD PresetFlags(const UiContext* context) {
    return DeviceDataField(context->deviceData, dd::kPresetFlags);
}

bool NumberInUse(const std::vector<FavouriteRecord>& records, DWORD number) {
    return std::any_of(records.begin(), records.end(),
                       [number](const FavouriteRecord& r) { return FavouriteNumber(r) == number; });
}

DWORD NextNumberOf(const std::vector<FavouriteRecord>& records) {
    DWORD number = static_cast<DWORD>(records.size());
    if (!NumberInUse(records, number)) return number;
    for (number = 0; NumberInUse(records, number); ++number) {
    }
    return number;
}

void TellTableFull(HWND dialog, const UiContext* context) {
    MessageBeep(MB_ICONEXCLAMATION);
    WCHAR text[256] = {};
    if (context->hResDll == nullptr || LoadStringW(context->hResDll, kFavouriteTableFullMessage, text, 256) <= 0)
        return;
    const std::u16string caption(context->deviceData ? DevicePrinterName(context->deviceData) : std::u16string_view{});
    MessageBoxW(dialog, text, caption.c_str(), MB_OK | MB_ICONWARNING);
}

// The favourite number a settings record keeps after the favourite `removed` was deleted.
void FollowDeletion(DriverDevmode& s, DWORD removed) {
    const DWORD kept = Get(s, dm::FavouriteNumber);
    if (kept == removed) Set(s, dm::FavouriteNumber, 0);
    if (kept > removed) Set(s, dm::FavouriteNumber, kept - 1);
}

}  // namespace

void ApplyFactoryFavouriteSteps(UiContext* context, FavouriteTarget target, const FavouriteRecord& favourite,
                                FavouriteSteps steps) {
    if (context == nullptr || FavouriteFlags(favourite) == 0) return;
    ApplyFactoryStampDefaults(context, target);
    DriverDevmode& s = TargetRecord(context, target);
    const DWORD number = FavouriteNumber(favourite);
    if (number == kNumberTwoUp) ApplyTwoUpSteps(s);
    if (number == kNumberDuplexLong || number == kNumberDuplexShort) ApplyDuplexSteps(s, steps.turnedPapers);
    if (number == kNumberSecretStamp) ApplySecretStampSteps(s, steps.listedSecretStamp);
}

bool FavouriteFromTable(const UiContext* context, DWORD number, FavouriteRecord* out) {
    std::vector<FavouriteRecord> records;
    if (!ReadFavourites(context, &records)) return false;
    for (const FavouriteRecord& f : records) {
        if (FavouriteNumber(f) != number) continue;
        if (out) *out = f;
        return true;
    }
    return false;
}

void MergeFavourite(DriverDevmode& settings, const FavouriteRecord& favourite) {
    const std::span<const BYTE> fixed = FavouriteSettings(favourite);
    const std::span<const BYTE> mask = FavouriteMask(favourite);
    for (size_t i = 0; i < kDriverDevmodeSize; ++i)
        settings.bytes[i] = static_cast<BYTE>((mask[i] & fixed[i]) | (~mask[i] & settings.bytes[i]));
    Set(settings, dm::FavouriteNumber, FavouriteNumber(favourite));
}

bool FavouriteMatches(const DriverDevmode& settings, const FavouriteRecord& favourite) {
    const std::span<const BYTE> fixed = FavouriteSettings(favourite);
    const std::span<const BYTE> mask = FavouriteMask(favourite);
    for (size_t i = 0; i < kDriverDevmodeSize; ++i)
        if (((mask[i] & settings.bytes[i]) ^ (mask[i] & fixed[i])) != 0) return false;
    return true;
}

bool FavouriteOffered(const DriverDevmode& current, DWORD number) {
    return DeviceInstalled(current, dm::kDuplex) || (number != kNumberDuplexLong && number != kNumberDuplexShort);
}

BOOL ReadFavourites(const UiContext* context, std::vector<FavouriteRecord>* records) {
    records->clear();
    if (context == nullptr) return FALSE;
    switch (ReadFavouriteTable(context->hPrinter, records)) {
        case FavouriteTableRead::Ok:
            return TRUE;
        case FavouriteTableRead::Missing:
            *records = BuildFactoryFavourites(PresetFlags(context), context->hResDll, context->defaultDevmode);
            return TRUE;
        default:
            records->clear();
            return FALSE;
    }
}

int LoadFavouriteTable(UiContext* context) {
    std::vector<FavouriteRecord> records;
    if (!ReadFavourites(context, &records)) return -1;
    for (const FavouriteRecord& f : records) {
        // Only a factory favourite flagged for loading: a user favourite is never applied unasked.
        const DWORD flags = FavouriteFlags(f);
        if ((flags & kFavouriteApplyAtLoad) == 0 || (flags & kFavouriteFactory) == 0) continue;
        if (!FavouriteOffered(context->currentDevmode, FavouriteNumber(f))) continue;
        MergeFavourite(context->currentDevmode, f);
        ApplyLoadSteps(context, f);
        return static_cast<int>(FavouriteNumber(f));
    }
    return -1;
}

void BuildNewFavouriteMask(const DriverDevmode& s, std::span<BYTE> mask) {
    if (mask.size() < kDriverDevmodeSize) return;
    std::memset(mask.data(), 0xFF, kDriverDevmodeSize);
    const bool overlayOn = (Get(s, dm::FlagsWord) & kFlagsWordOverlayOn) != 0;
    Set(mask, dm::Flags2, overlayOn ? kOverlayKeepsFlags2 : DWORD{0});
    Set(mask, dm::DialogCategory, WORD{0});
    Set(mask, dm::FavouriteNumber, WORD{0});
    for (DmBytes field : kMaskMachineFields) ZeroMask(mask, field);
    for (DmText field : kMaskWideTexts) ZeroWideTail(s, mask, field);
    for (DmBytes field : kMaskAnsiTexts) ZeroAnsiTail(s, mask, field);
    if (Get(s, dm::Flags1) & kFlags1DisplayUserText) {
        ZeroWideTail(s, mask, kMaskUserText);
    } else {
        ZeroMask(mask, {dm::UserText.offset, FieldEnd(dm::UserText) - dm::UserText.offset});
    }
}

FavouriteRecord BuildFavouriteRecord(const DriverDevmode& settings, DWORD number, std::u16string_view name,
                                     std::u16string_view comment) {
    FavouriteRecord r{};
    SetFavouriteNumber(r, number);
    SetFavouriteTexts(r, name, comment);
    std::memcpy(FavouriteSettings(r).data(), settings.bytes, kDriverDevmodeSize);
    BuildNewFavouriteMask(settings, FavouriteMask(r));
    return r;
}

FavouriteRecord BuildUserFavourite(const UiContext* context, std::u16string_view name, std::u16string_view comment) {
    std::vector<FavouriteRecord> records;
    ReadFavourites(context, &records);
    // A user favourite of that name is replaced, whatever its number: with a gap in the factory
    // numbers a user favourite can lie below the first number the factory table leaves free.
    DWORD number = NextNumberOf(records);
    for (const FavouriteRecord& f : records)
        if ((FavouriteFlags(f) & kFavouriteFactory) == 0 && FavouriteName(f) == name) number = FavouriteNumber(f);
    return BuildFavouriteRecord(context->currentDevmode, number, name, comment);
}

DWORD NextFavouriteNumber(const UiContext* context) {
    std::vector<FavouriteRecord> records;
    ReadFavourites(context, &records);
    return NextNumberOf(records);
}

FavouriteStore StoreFavourite(HWND dialog, UiContext* context, DWORD number, const FavouriteRecord& record) {
    if (context == nullptr) return FavouriteStore::WriteFailed;
    std::vector<FavouriteRecord> records;
    if (!ReadFavourites(context, &records)) return FavouriteStore::TableDamaged;
    bool replaced = false;
    for (FavouriteRecord& r : records) {
        if (FavouriteNumber(r) != number) continue;
        r = record;
        SetFavouriteNumber(r, number);
        replaced = true;
    }
    if (!replaced) {
        if (records.size() >= kFavouriteMaxCount) {
            TellTableFull(dialog, context);
            return FavouriteStore::TableFull;
        }
        const DWORD next = NextNumberOf(records);
        records.push_back(record);
        SetFavouriteNumber(records.back(), next);
    }
    if (!WriteFavouriteTable(context->hPrinter, records)) return FavouriteStore::WriteFailed;
    return replaced ? FavouriteStore::Replaced : FavouriteStore::Appended;
}

BOOL DeleteFavourite(UiContext* context, DWORD number) {
    if (context == nullptr) return FALSE;
    std::vector<FavouriteRecord> records;
    if (!ReadFavourites(context, &records)) return FALSE;
    const auto found = std::find_if(records.begin(), records.end(),
                                    [number](const FavouriteRecord& r) { return FavouriteNumber(r) == number; });
    if (found == records.end()) return FALSE;
    records.erase(found);
    for (FavouriteRecord& r : records)
        if (FavouriteNumber(r) > number) SetFavouriteNumber(r, FavouriteNumber(r) - 1);
    if (!WriteFavouriteTable(context->hPrinter, records)) return FALSE;
    FollowDeletion(context->currentDevmode, number);
    FollowDeletion(context->scratchDevmode, number);
    return TRUE;
}

int FillFavouritesCombo(UiContext* context, HWND dialog) {
    HWND combo = GetDlgItem(dialog, kFavouritesComboId);
    if (combo == nullptr || context == nullptr) return 0;
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    std::vector<FavouriteRecord> records;
    ReadFavourites(context, &records);
    const DWORD current = Get(context->currentDevmode, dm::FavouriteNumber);
    int entries = 0;
    for (const FavouriteRecord& f : records) {
        if (!FavouriteOffered(context->currentDevmode, FavouriteNumber(f))) continue;
        const std::u16string name = FavouriteName(f);
        const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (index < 0) continue;
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(FavouriteNumber(f)));
        if (FavouriteNumber(f) == current) SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ++entries;
    }
    return entries;
}

}  // namespace orla
