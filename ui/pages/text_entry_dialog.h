// The dialog that asks for the texts of stored and proof printing: the user code, the name and
// the job name (or the document's name), edited in the scratch record and taken on OK.
#pragma once

#include "resources/lang/text_entry_ids.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

// Templates of the dialog: one for stored printing, one for proof printing.
namespace entry_ids = orla_res::text_entry;
inline constexpr UINT kTemplateStoredPrintTexts = entry_ids::kTemplateStoredPrint;
inline constexpr UINT kTemplateProofPrintTexts = entry_ids::kTemplateProofPrint;

// Controls of the dialog by their ids.
inline constexpr int kIdEntryCode = entry_ids::kCode, kIdEntryName = entry_ids::kPassword,
                     kIdEntryNameLabel = entry_ids::kPasswordLabel, kIdEntryJobName = entry_ids::kJobName,
                     kIdEntryJobNameLabel = entry_ids::kJobNameLabel, kIdEntryJobNameKind = entry_ids::kJobNameKind,
                     kIdEntryIcon = entry_ids::kIcon, kIdEntryDefaults = entry_ids::kDefaults,
                     kIdEntryOk = entry_ids::kOk, kIdEntryCancel = entry_ids::kCancel, kIdEntryHelp = entry_ids::kHelp,
                     kIdEntryCodeHelp = entry_ids::kCodeHelp, kIdEntryNameHelp = entry_ids::kPasswordHelp;

// Help topics of the driver's help file.
inline constexpr DWORD kHelpTopicBasic = 32785, kHelpTopicEntryCode = 32788, kHelpTopicEntryName = 32768;

// Warnings of the text-entry modes.
inline constexpr UINT kWarnStoredNeedsCode = 866, kWarnProofNeedsCode = 867, kWarnStoredNeedsDevice = 868,
                      kWarnProofNeedsDeviceAndCopies = 869, kWarnNoHoldDevice = 892, kWarnProofNeedsDevice = 917,
                      kWarnProofNeedsCopies = 918, kWarnProofOneCopy = 919, kWarnBadCodeCharacter = 920;

// Dialog procedure of both templates; lParam is the PageContext of the page that opens it.
INT_PTR CALLBACK TextEntryDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// The job-name choice filled from the scratch record.
void FillTextEntryChoiceCombo(PageContext* page, HWND dialog);

// The user code holds only printable ASCII and half-width katakana; an empty code passes.
// Anything else beeps, warns, empties the edit and gives it the focus: 0.
int ValidateEntryCode(HWND dialog);
// Whether a character may stand in a user code.
bool IsEntryCodeCharacter(char16_t c);

// Opens the dialog of the mode (1 stored, 2 proof) over the owner; its result (1 when OK took the
// texts). The closing bits of the page context are cleared afterwards.
INT_PTR OpenTextEntryDialog(PageContext* page, HWND owner, DWORD mode);

// A warning of the text-entry modes: beep and the text under the built-in caption.
void WarnWithBuiltInCaption(PageContext* page, HWND owner, UINT textId);

}  // namespace orla
