// The source combos and value combos of the paper-source dialogs, each a row of a table: which
// sources it offers, which field of the working copy it shows, and what is particular to it.
#include "ui/pages/paper_source_bins.h"

#include <span>
#include <string>

#include "resources/lang/paper_source_ids.h"
#include "ui/pages/basic_page_fillers.h"
#include "ui/pages/paper_sources.h"
#include "win/user_controls.h"

namespace orla {

namespace {

namespace ids = orla_res::paper_source;

constexpr int kBinTextChars = 32;
constexpr UINT kTextFirstFeeder = 301;  // also the text of a source no table names
constexpr WORD kThickPaper2 = 2;

struct BinText {
    DWORD source;
    UINT textId;
};
constexpr BinText kBinTexts[] = {{kSourceLower, 303},
                                 {kSourceMiddle, 302},
                                 {kSourceManual, 307},
                                 {kSourceAuto, 300},
                                 {kSourceCassette, 319},
                                 {kSourceLargeCapacity, 304},
                                 {kSecondSheetAsDocument, ids::kTextSecondSheetAsDocument},
                                 {kSourceSections, 320},
                                 {kSourceSlipSheets, 321}};

// The field a combo shows: one of the record's source DWORDs, or dmDefaultSource.
enum class BinField { kDefaultSource, kFirstSheet, kSecondSheet, kSectionTray, kFrontCover, kBackCover, kSlipTray };
// What a combo does beyond offering what the printer can feed from.
enum class BinExtra { kNone, kSectionDefault, kFrontCoverSwitch, kBackCoverSwitch };

constexpr DWORD kTrays[] = {kSourceUpper,         kSourceMiddle,   kSourceLower,
                            kSourceLargeCapacity, kSourceCassette, kSourceManual};
constexpr DWORD kTraysAsDocument[] = {kSourceUpper,    kSourceMiddle, kSourceLower,          kSourceLargeCapacity,
                                      kSourceCassette, kSourceManual, kSecondSheetAsDocument};

struct BinCombo {
    int id;
    std::span<const DWORD> sources;
    BinField field;
    BinExtra extra;
};
const BinCombo kBinCombos[] = {
    {ids::kFirstSheet, kTraysAsDocument, BinField::kFirstSheet, BinExtra::kNone},
    {ids::kOtherSheets, kTraysAsDocument, BinField::kSecondSheet, BinExtra::kNone},
    {ids::kSectionDefault, kTrays, BinField::kDefaultSource, BinExtra::kSectionDefault},
    {ids::kSectionTray, kTraysAsDocument, BinField::kSectionTray, BinExtra::kNone},
    {ids::kFrontCover, kTrays, BinField::kFrontCover, BinExtra::kFrontCoverSwitch},
    {ids::kBackCover, kTrays, BinField::kBackCover, BinExtra::kBackCoverSwitch},
    {ids::kDetailSource, kTrays, BinField::kDefaultSource, BinExtra::kSectionDefault},
    {ids::kSlipTray, kTrays, BinField::kSlipTray, BinExtra::kNone},
};

const BinCombo* FindBinCombo(int id) {
    for (const BinCombo& combo : kBinCombos)
        if (combo.id == id) return &combo;
    return nullptr;
}

DWORD FieldValue(const DriverDevmode& r, BinField field) {
    switch (field) {
        case BinField::kDefaultSource:
            return static_cast<DWORD>(static_cast<LONG>(Get(r, dm::DefaultSource)));
        case BinField::kFirstSheet:
            return Get(r, dm::FirstSheetTray);
        case BinField::kSecondSheet:
            return Get(r, dm::SecondSheetTray);
        case BinField::kSectionTray:
            return Get(r, dm::SectionTray);
        case BinField::kFrontCover:
            return Get(r, dm::FrontCoverTray);
        case BinField::kBackCover:
            return Get(r, dm::BackCoverTray);
        case BinField::kSlipTray:
            return Get(r, dm::SlipSheetTray);
    }
    return 0;
}

DriverDevmode* WorkingCopy(PageContext* page) {
    return page && page->uiContext ? &page->uiContext->scratchDevmode : nullptr;
}

// Empties the combo and adds the entries; the entry whose data is wanted is selected, none when
// no entry has it.
void FillEntries(HWND dialog, int id, HMODULE res, const std::vector<BinEntry>& entries, DWORD wanted) {
    HWND combo = GetDlgItem(dialog, id);
    if (!combo) return;
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    LRESULT selected = -1;
    for (const BinEntry& e : entries) {
        const std::u16string text = LoadPageText(res, e.textId, kBinTextChars);
        const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index < 0) continue;
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(e.source));
        if (e.source == wanted) selected = index;
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

// The value combos: first text, number of values and the field of the working copy.
struct ValueCombo {
    int id;
    UINT firstText;
    WORD count;
};
constexpr ValueCombo kValueCombos[] = {{ids::kPaperTypeCombo, 880, 4},
                                       {ids::kManualTypeCombo, 670, 4},
                                       {ids::kDetailManualType, 670, 4},
                                       {ids::kSlipKind, ids::kTextSlipKinds, 2}};

DWORD ValueOf(const DriverDevmode& r, int id) {
    switch (id) {
        case ids::kPaperTypeCombo:
            return Get(r, dm::PaperType);
        case ids::kSlipKind:
            return Get(r, dm::SlipSheetKind);
    }
    return Get(r, dm::ManualPaperType);
}

}  // namespace

UINT GetBinStringId(DWORD source) {
    for (const BinText& t : kBinTexts)
        if (t.source == source) return t.textId;
    return kTextFirstFeeder;
}

bool IsBinAvailable(const DriverDevmode& r, DWORD source) {
    const bool feeder2 = DeviceInstalled(r, dm::kFeeder2), feeder3 = DeviceInstalled(r, dm::kFeeder3),
               feeder4 = DeviceInstalled(r, dm::kFeeder4), manual = DeviceInstalled(r, dm::kManual);
    switch (source) {
        case kSourceMiddle:
            return feeder2;
        case kSourceLower:
            return feeder2 && feeder3;
        case kSourceLargeCapacity:
            return feeder2 && feeder3 && feeder4;
        case kSourceCassette:
            return !manual;
        case kSourceManual:
            return manual;
    }
    return true;
}

bool IsSectionDefaultLocked(const DriverDevmode& r) {
    return DeviceInstalled(r, dm::kManual) && !DeviceInstalled(r, dm::kFeeder2) &&
           Get(r, dm::PaperType) == kThickPaper2;
}

std::vector<BinEntry> BinComboEntries(const DriverDevmode& r, int comboId, bool* locked) {
    if (locked) *locked = false;
    std::vector<BinEntry> entries;
    const BinCombo* combo = FindBinCombo(comboId);
    if (!combo) return entries;
    const bool defaultCombo = combo->extra == BinExtra::kSectionDefault;
    for (DWORD source : combo->sources) {
        if (!IsBinAvailable(r, source)) continue;
        // Thick paper 2 does not go through the manual slot.
        if (defaultCombo && source == kSourceManual && Get(r, dm::PaperType) == kThickPaper2) continue;
        entries.push_back({source, GetBinStringId(source)});
    }
    if (defaultCombo && IsSectionDefaultLocked(r)) {
        entries.push_back({0, kTextFirstFeeder});
        if (locked) *locked = true;
    }
    return entries;
}

DWORD BinComboValue(const DriverDevmode& r, int comboId) {
    const BinCombo* combo = FindBinCombo(comboId);
    return combo ? FieldValue(r, combo->field) : 0;
}

BOOL FillBinCombo(PageContext* page, HWND dialog, int comboId) {
    const BinCombo* combo = FindBinCombo(comboId);
    DriverDevmode* r = WorkingCopy(page);
    if (!combo || !r) return FALSE;
    bool locked = false;
    const std::vector<BinEntry> entries = BinComboEntries(*r, comboId, &locked);
    FillEntries(dialog, comboId, page->uiContext->hResDll, entries, FieldValue(*r, combo->field));
    if (locked) EnableWindow(GetDlgItem(dialog, comboId), FALSE);
    if (combo->extra == BinExtra::kFrontCoverSwitch)
        EnableWindow(GetDlgItem(dialog, comboId), Get(*r, dm::FrontCoverOn) == 1 ? TRUE : FALSE);
    if (combo->extra == BinExtra::kBackCoverSwitch)
        EnableWindow(GetDlgItem(dialog, comboId), Get(*r, dm::BackCoverOn) == 1 ? TRUE : FALSE);
    return TRUE;
}

void FillBinCombo2907(PageContext* page, HWND dialog) {
    FillBinCombo(page, dialog, ids::kFirstSheet);
}
void FillBinCombo2912(PageContext* page, HWND dialog) {
    FillBinCombo(page, dialog, ids::kOtherSheets);
}
void FillBinCombo2915(PageContext* page, HWND dialog) {
    FillBinCombo(page, dialog, ids::kSectionDefault);
}
void FillBinCombo2918(PageContext* page, HWND dialog) {
    FillBinCombo(page, dialog, ids::kSectionTray);
}
void FillBinCombo2909(PageContext* page, HWND dialog) {
    FillBinCombo(page, dialog, ids::kFrontCover);
}
void FillBinCombo2920(PageContext* page, HWND dialog) {
    FillBinCombo(page, dialog, ids::kBackCover);
}
void FillBinCombo2924(PageContext* page, HWND dialog) {
    FillBinCombo(page, dialog, ids::kDetailSource);
}
void FillBinCombo1210(PageContext* page, HWND dialog) {
    FillBinCombo(page, dialog, ids::kSlipTray);
}

BOOL FillValueCombo(PageContext* page, HWND dialog, int comboId) {
    DriverDevmode* r = WorkingCopy(page);
    if (!r) return FALSE;
    for (const ValueCombo& c : kValueCombos) {
        if (c.id != comboId) continue;
        std::vector<BinEntry> entries;
        for (WORD v = 0; v < c.count; ++v) entries.push_back({v, c.firstText + v});
        FillEntries(dialog, comboId, page->uiContext->hResDll, entries, ValueOf(*r, comboId));
        return TRUE;
    }
    return FALSE;
}

LPARAM SelectedItemData(HWND dialog, int comboId) {
    const LRESULT sel = SendDlgItemMessageW(dialog, comboId, CB_GETCURSEL, 0, 0);
    if (sel < 0) return -1;
    const LRESULT data = SendDlgItemMessageW(dialog, comboId, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0);
    if (data == CB_ERR) return -1;
    return static_cast<LPARAM>(static_cast<DWORD>(data));
}

}  // namespace orla
