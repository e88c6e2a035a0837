// The basic page: paper size, output paper, orientation, copies, zoom, duplex and layout of the
// current settings record, with the page preview and the printer picture.
#pragma once

#include <vector>

#include "core/driver_devmode.h"
#include "resources/lang/basic_page_ids.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

// The page's dialog procedure (template 520); its PROPSHEETPAGEW lParam is the PageContext.
INT_PTR CALLBACK BasicPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// The controls of the paper settings brought up to date from the current record.
void FillPaperPageControls(PageContext* page, HWND dialog);

// Warnings about a paper the user just chose, in the order they are shown.
inline constexpr UINT kWarnNoOutputPaper = 800, kWarnMappingNeedsOnePage = 814, kWarnLongPaperPortrait = 815,
                      kWarnLongPaperQuality = 738;
// The paper name of dmFormName taken as it stands: offeredAsOutputPaper tells whether the output
// paper combo offers it (the printer takes it without mapping).
std::vector<UINT> ChosenPaperWarnings(const DriverDevmode& record, bool offeredAsOutputPaper);
bool IsLongPaperAtRefusedQuality(const DriverDevmode& record);

// Messages the page posts to itself when it becomes active; other pages send them too.
inline constexpr UINT kMsgCheckFeeder = 1128;       // a feeder the form overlay needs but is missing
inline constexpr UINT kMsgCheckSource = 1129;       // separate trays choose the document's source
inline constexpr UINT kMsgCheckConflict = 1134;     // paper type and output tray that do not go together
inline constexpr UINT kMsgCheckDuplexPaper = 1135;  // a paper the stacker cannot take
inline constexpr UINT kMsgCheckHoldDevice = 1136;   // stored or proof printing with nothing to hold the job
inline constexpr UINT kMsgCheckProofCopies = 1137;  // proof printing of one copy

// The paper checks of the messages above that both paper pages run (feeder, source, conflict,
// duplex paper); false, with nothing done, for any other message.
bool RunPaperCheck(PageContext* page, HWND dialog, UINT message);

// Controls of the page by their ids.
namespace basic_ids = orla_res::basic_page;
inline constexpr int kIdPaperSize = basic_ids::kPaperSize, kIdOutputPaper = basic_ids::kOutputPaper,
                     kIdPortrait = basic_ids::kPortrait, kIdLandscape = basic_ids::kLandscape,
                     kIdCopies = basic_ids::kCopies, kIdCopiesSpin = basic_ids::kCopiesSpin,
                     kIdFreeZoom = basic_ids::kFreeZoom, kIdZoom = basic_ids::kZoom, kIdDuplex = basic_ids::kDuplex,
                     kIdBinding = basic_ids::kBinding, kIdLayout = basic_ids::kLayout, kIdFrame = basic_ids::kFrame,
                     kIdOrder = basic_ids::kOrder, kIdSaveSheet = basic_ids::kSavePaper,
                     kIdEntryMode = basic_ids::kEntryMode, kIdPreview = basic_ids::kPreview,
                     kIdPrinter = basic_ids::kPrinter, kIdCaption = basic_ids::kCaption,
                     kIdFavourites = basic_ids::kFavourites;

}  // namespace orla
