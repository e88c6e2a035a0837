// The settings summary's rows: the three row tables of each build, which table a page's tree
// takes, the rules that keep a row out of the tree, and a row's item found by its id.
#include <string>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/summary_tree.h"
#include "ui/pages/trust_marking.h"
#include "win/user.h"

namespace orla {

namespace {

// clang-format off
constexpr TreeRow kDeviceRowsJa[] = {
    {1, 430}, {2, 452}, {3, 453}, {3, 454}, {3, 455}, {3, 456}, {3, 457}, {2, 458}, {3, 459}, {3, 301},
    {3, 302}, {3, 303}, {3, 304}, {3, 305}, {3, 309}, {3, 316}, {3, 317}, {3, 354}, {2, 451}, kTreeRowEnd};
constexpr TreeRow kDocumentShortRowsJa[] = {
    {1, 430}, {2, 431}, {3, 432}, {3, 433}, {3, 434}, {3, 436}, {2, 437}, {3, 438}, {3, 439}, {3, 440},
    {2, 441}, {3, 442}, {3, 443}, {3, 444}, {2, 445}, {3, 446}, {3, 447}, {3, 448}, {3, 449}, {3, 570},
    {3, 1094}, {3, 450}, {2, 451}, kTreeRowEnd};
constexpr TreeRow kDocumentFullRowsJa[] = {
    {1, 430}, {2, 400}, {3, 779}, {3, 419}, {3, 425}, {3, 731}, {3, 421}, {3, 428}, {3, 423}, {3, 424},
    {3, 407}, {4, 408}, {3, 402}, {4, 404}, {4, 403}, {2, 417}, {3, 426}, {3, 410}, {3, 412}, {2, 879},
    {3, 876}, {2, 552}, {3, 554}, {3, 448}, {3, 780}, {2, 452}, {3, 570}, {3, 439}, {3, 429}, {4, 432},
    {4, 433}, {4, 434}, {4, 438}, {4, 440}, {4, 442}, {4, 443}, {4, 444}, {4, 447}, {4, 449}, {4, 422},
    {4, 599}, {4, 840}, {4, 781}, kTreeRowEnd};

// The English build has no trust marking, fewer device settings and no document-monitor row.
constexpr TreeRow kDeviceRowsEn[] = {
    {1, 430}, {2, 452}, {3, 454}, {3, 456}, {3, 457}, {2, 458}, {3, 459}, {3, 301}, {3, 302}, {3, 303},
    {3, 304}, {3, 305}, {3, 309}, {3, 316}, {3, 317}, {3, 354}, kTreeRowEnd};
constexpr TreeRow kDocumentShortRowsEn[] = {
    {1, 430}, {2, 431}, {3, 432}, {3, 433}, {3, 434}, {3, 436}, {2, 437}, {3, 438}, {3, 439}, {3, 440},
    {2, 441}, {3, 443}, {3, 444}, {2, 445}, {3, 446}, {3, 447}, {3, 448}, {3, 449}, {3, 570}, kTreeRowEnd};
constexpr TreeRow kDocumentFullRowsEn[] = {
    {1, 430}, {2, 400}, {3, 779}, {3, 419}, {3, 425}, {3, 731}, {3, 421}, {3, 428}, {3, 423}, {3, 424},
    {3, 407}, {4, 408}, {3, 402}, {4, 404}, {4, 403}, {2, 417}, {3, 426}, {3, 410}, {3, 412}, {2, 879},
    {3, 876}, {2, 552}, {3, 554}, {3, 448}, {2, 452}, {3, 570}, {3, 439}, {3, 429}, {4, 432}, {4, 433},
    {4, 434}, {4, 438}, {4, 440}, {4, 442}, {4, 443}, {4, 444}, {4, 447}, {4, 449}, {4, 422}, {4, 599},
    {4, 840}, kTreeRowEnd};
// clang-format on

static_assert(std::size(kDeviceRowsJa) == 19 + 1 && std::size(kDocumentShortRowsJa) == 23 + 1 &&
              std::size(kDocumentFullRowsJa) == 43 + 1);
static_assert(std::size(kDeviceRowsEn) == 16 + 1 && std::size(kDocumentShortRowsEn) == 19 + 1 &&
              std::size(kDocumentFullRowsEn) == 41 + 1);
static_assert(std::size(kDocumentFullRowsJa) <= kTreeRows, "every row has its item slot");

// Option rows that need their device ready and the configuration read without its trays.
struct OptionRow {
    DWORD rowId;
    unsigned pair;
};
constexpr OptionRow kOptionRows[] = {{301, dm::kFeeder1}, {302, dm::kFeeder2}, {303, dm::kFeeder3}, {304, dm::kFeeder4},
                                     {305, dm::kFeeder5}, {309, dm::kDuplex},  {316, dm::kLcs},     {354, dm::kManual}};
// Rows that only make sense while the configuration was not read with the printer's trays.
constexpr DWORD kHandConfigRows[] = {451, 458, 459};
constexpr WORD kDeviceNotListed = 0x0002;  // state bit 1: the device is kept out of the lists

constexpr DWORD kRowDuplex = 407, kRowBinding = 408, kRowSmoothing = 438, kRowTonerSave = 439;
constexpr DWORD kRowTrustMarking = 780, kRowTrustOptimise = 781;
constexpr std::u16string_view kFeatureSmoothing = u"SET", kFeatureTonerSave = u"TONERSAVE";

const UiContext* Ui(const PageContext& page) {
    return page.uiContext;
}

// A feature the device description lists with value 0 is one the printer lacks.
bool FeatureSwitchedOff(const CompiledDeviceData* data, std::u16string_view name) {
    for (const NamedValueEntry& feature : SupportFeatures(data))
        if (feature.name == name && feature.value == 0) return true;
    return false;
}

bool ReadyAndListed(WORD state) {
    return (state & dm::kDeviceReady) != 0 && (state & kDeviceNotListed) == 0;
}

}  // namespace

const TreeRow* DeviceTreeRows() {
    return kJapaneseBuild ? kDeviceRowsJa : kDeviceRowsEn;
}
const TreeRow* DocumentTreeRowsShort() {
    return kJapaneseBuild ? kDocumentShortRowsJa : kDocumentShortRowsEn;
}
const TreeRow* DocumentTreeRowsFull() {
    return kJapaneseBuild ? kDocumentFullRowsJa : kDocumentFullRowsEn;
}

UINT TreeRowCount(const TreeRow* table) {
    UINT n = 0;
    while (table && n < kTreeRows && table[n].level != kTreeRowEnd.level) ++n;
    return n;
}

const TreeRow* ChooseTreeRows(const PageContext& page) {
    const DWORD flags = Ui(page) ? Ui(page)->flags : 0;
    if (flags & kUiDeviceSheets) return DeviceTreeRows();
    const bool sheetKind = (flags & (kUiDocumentSheets | kUiAdvanced)) != 0;
    if (!sheetKind || (page.flags & kPageBusyManager)) return DocumentTreeRowsFull();
    return DocumentTreeRowsShort();
}

BOOL IsTreeRowAllowed(const PageContext& page, DWORD rowId) {
    const UiContext* ui = Ui(page);
    if (!ui) return FALSE;
    switch (rowId) {
        case kRowDuplex:
        case kRowBinding:
            return DeviceInstalled(ui->currentDevmode, dm::kDuplex);
        case kRowSmoothing:
            return !FeatureSwitchedOff(ui->deviceData, kFeatureSmoothing);
        case kRowTonerSave:
            return !FeatureSwitchedOff(ui->deviceData, kFeatureTonerSave);
        case kRowTrustMarking:
        case kRowTrustOptimise:
            return kJapaneseBuild && TrustMarkingAvailable(*ui);
    }
    return TRUE;
}

BOOL IsTreeRowApplicable(const PageContext& page, UINT rowIndex) {
    const UiContext* ui = Ui(page);
    const auto* table = static_cast<const TreeRow*>(page.treeRowList);
    if (!ui || !table || rowIndex >= TreeRowCount(table)) return FALSE;
    const DWORD rowId = table[rowIndex].rowId;
    const DriverDevmode& r = ui->currentDevmode;
    const bool handConfig = (Get(r, dm::Flags2) & kFlags2PrinterTrayStatus) == 0;
    for (const OptionRow& option : kOptionRows)
        if (option.rowId == rowId) return handConfig && ReadyAndListed(Get(r, dm::DeviceState(option.pair)));
    for (DWORD id : kHandConfigRows)
        if (id == rowId) return handConfig;
    return TRUE;
}

HTREEITEM FindTreeItemByKey(const PageContext* page, DWORD rowId) {
    const auto* rows = page ? static_cast<const TreeRow*>(page->treeRowList) : nullptr;
    if (!rows || !page->hTree) return nullptr;
    const UINT count = TreeRowCount(rows);
    for (UINT i = 0; i < count; ++i)
        if (rows[i].rowId == rowId && page->treeRowItems[i]) return page->treeRowItems[i];
    return nullptr;
}

void SetTreeItemEnabled(PageContext* treeOwner, int itemId, BOOL enable) {
    if (!treeOwner || !treeOwner->hTree || itemId < 0) return;
    HTREEITEM item = FindTreeItemByKey(treeOwner, static_cast<DWORD>(itemId));
    if (!item) return;
    TVITEMW data{};
    data.mask = TVIF_HANDLE | TVIF_PARAM;
    data.hItem = item;
    if (!SendMessageW(treeOwner->hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data))) return;
    data.lParam = enable ? (data.lParam & ~kTreeDataDisabled) : (data.lParam | kTreeDataDisabled);
    SendMessageW(treeOwner->hTree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&data));
}

}  // namespace orla
