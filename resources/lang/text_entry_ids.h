// The controls of the text-entry dialogs of stored printing (template 533) and proof printing
// (template 3340) by name: the templates in the language resource DLLs, the dialog's code and
// its tests all take them from here. Proof printing has no password row.
#pragma once

namespace orla_res::text_entry {

inline constexpr unsigned kTemplateStoredPrint = 533;
inline constexpr unsigned kTemplateProofPrint = 3340;

inline constexpr int kIcon = 1650;  // the mode's icon, set by the dialog
inline constexpr int kCode = 1549;  // the user code
inline constexpr int kCodeHelp = 1341;
inline constexpr int kPasswordLabel = 1546;  // enabled with the password while a code is typed
inline constexpr int kPassword = 1550;       // stored printing only
inline constexpr int kPasswordHelp = 1342;
inline constexpr int kJobNameKind = 1553;   // typed job name or the document's name
inline constexpr int kJobNameLabel = 1548;  // enabled with the job name while it is typed
inline constexpr int kJobName = 1552;
inline constexpr int kDefaults = 1090;
inline constexpr int kOk = 1092;
inline constexpr int kCancel = 1091;
inline constexpr int kHelp = 1004;

}  // namespace orla_res::text_entry
