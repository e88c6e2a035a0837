// Applying a favourite from the basic page's combo. The page goes further than the load does: it
// also moves the layout positions and marks the stamp and duplex favourites for the other pages.
#include "ui/pages/basic_page_favourites.h"

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "ui/entry/option_constraints.h"
#include "ui/pages/basic_page.h"
#include "ui/tools/favourites_store.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"

namespace orla {
namespace {

constexpr DWORD kNumberTwoUp = 1, kNumberDuplexLong = 2, kNumberDuplexShort = 3, kNumberSecretStamp = 4;
constexpr LONG kTurnedPapersVersion = 4;
// Layout positions: halved for a factory favourite, whole again for the 2-up favourite.
constexpr DWORD kPositionHalved = 50, kPositionWhole = 100;
constexpr DmField<DWORD> kPositions[] = {dm::PrintPosTop, dm::PrintPosLeft, dm::PrintPosTop2, dm::PrintPosLeft2};

// The copy block the favourite's values are copied into (copy <- value).
template <class T>
struct CopyPair {
    DmField<T> copy;
    DmField<T> value;
};
constexpr CopyPair<WORD> kWordCopies[] = {
    {dm::SavedFlagsWord, dm::FlagsWord},
    {dm::SavedOutPaperIndex, dm::OutPaperIndex},
    {dm::SavedOutPaperLength, dm::OutPaperLength},
    {dm::SavedOutPaperWidth, dm::OutPaperWidth},
    {dm::SavedZoom, dm::Zoom},
    {dm::SavedPaperType, dm::PaperType},
    {dm::SavedOutputTray, dm::OutputTray},
    {dm::SavedLayoutMode, dm::LayoutMode},
    {dm::SavedFrameKind, dm::FrameKind},
    {dm::SavedLayoutOrder, dm::LayoutOrder},
    {dm::SavedPrintDensity, dm::PrintDensity},
};
constexpr CopyPair<DWORD> kDwordCopies[] = {
    {dm::SavedFlags1, dm::Flags1},
    {dm::SavedFlags2, dm::Flags2},
    {dm::SavedSeparateDefaultTray, dm::SeparateDefaultTray},
    {dm::SavedDetailSource, dm::DetailSource},
    {dm::SavedSeparateTraysOn, dm::SeparateTraysOn},
    {dm::SavedSlipSheetsOn, dm::SlipSheetsOn},
    {dm::SavedOffsetStacking, dm::OffsetStacking},
    {dm::SavedFirstSheetTray, dm::FirstSheetTray},
    {dm::SavedSecondSheetTray, dm::SecondSheetTray},
    {dm::SavedFrontCoverTray, dm::FrontCoverTray},
    {dm::SavedBackCoverTray, dm::BackCoverTray},
    {dm::SavedSlipSheetTray, dm::SlipSheetTray},
};

void SetPositions(DriverDevmode& r, DWORD value) {
    for (DmField<DWORD> f : kPositions) Set(r, f, value);
}

void RefreshCopyBlock(DriverDevmode& r) {
    Set(r, dm::PrevPaperSize, static_cast<WORD>(Get(r, dm::PaperSize)));
    Set(r, dm::PrevPaperLength, static_cast<WORD>(Get(r, dm::PaperLength)));
    Set(r, dm::PrevPaperWidth, static_cast<WORD>(Get(r, dm::PaperWidth)));
    SetText(r, dm::PrevFormName, GetText(r, dm::FormName));
    Set(r, dm::PrevOrientation, static_cast<WORD>(Get(r, dm::Orientation)));
    Set(r, dm::PrevDefaultSource, static_cast<WORD>(Get(r, dm::DefaultSource)));
    Set(r, dm::PrevDuplex, static_cast<WORD>(Get(r, dm::Duplex)));
    for (const auto& p : kWordCopies) Set(r, p.copy, Get(r, p.value));
    for (const auto& p : kDwordCopies) Set(r, p.copy, Get(r, p.value));
    Set(r, dm::SavedDefaultSource, static_cast<LONG>(Get(r, dm::DefaultSource)));
    SetText(r, dm::SavedOutPaperName, GetText(r, dm::OutPaperName));
}

// What a factory favourite brings on this page beyond the store's steps.
void ApplyFactoryPageSteps(UiContext* context, const FavouriteRecord& f) {
    DriverDevmode& r = context->currentDevmode;
    SetPositions(r, kPositionHalved);
    const bool turned = DeviceDataVersion(context->deviceData) >= kTurnedPapersVersion;
    ApplyFactoryFavouriteSteps(context, FavouriteTarget::Current, f, {turned, true});
    const DWORD number = FavouriteNumber(f);
    if (number == kNumberTwoUp) SetPositions(r, kPositionWhole);
    if (number == kNumberDuplexLong || number == kNumberDuplexShort) Set(r, dm::DuplexFavourite, DWORD{1});
    if (number == kNumberSecretStamp) Set(r, dm::FavouriteStampOn, DWORD{1});
}

}  // namespace

bool ApplyChosenFavourite(UiContext* context, DWORD number, std::u16string* comment) {
    if (context == nullptr) return false;
    DriverDevmode& r = context->currentDevmode;
    if (number == Get(r, dm::FavouriteNumber) && number != 0) return false;
    FavouriteRecord f;
    if (!FavouriteFromTable(context, number, &f)) return false;
    MergeFavourite(r, f);
    Set(r, dm::FavouriteStampOn, DWORD{0});
    Set(r, dm::DuplexFavourite, DWORD{0});
    if (FavouriteFlags(f) != 0) ApplyFactoryPageSteps(context, f);
    RefreshCopyBlock(r);
    if (comment) *comment = FavouriteComment(f);
    return true;
}

void OnFavouriteChosen(PageContext* page, HWND dialog) {
    UiContext* ui = page ? page->uiContext : nullptr;
    if (ui == nullptr) return;
    const auto sel = SendDlgItemMessageW(dialog, kIdFavourites, CB_GETCURSEL, 0, 0);
    if (sel < 0) return;
    const auto number =
        static_cast<DWORD>(SendDlgItemMessageW(dialog, kIdFavourites, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
    std::u16string comment;
    if (!ApplyChosenFavourite(ui, number, &comment)) return;
    ApplyOptionConstraints(&ui->currentDevmode, nullptr, &ui->printerConfig, ui->hPrinter, ui->deviceData, ui->hResDll,
                           ui->flags, &ui->monitorProbe);
    FillPaperPageControls(page, dialog);
    SetDlgItemTextW(dialog, basic_ids::kHint, comment.c_str());
    if (HWND icon = GetDlgItem(dialog, basic_ids::kHintIcon)) ShowWindow(icon, comment.empty() ? SW_HIDE : SW_SHOW);
    if (page->hSheetFrame) SendMessageW(page->hSheetFrame, PSM_CHANGED, reinterpret_cast<WPARAM>(dialog), 0);
}

}  // namespace orla
