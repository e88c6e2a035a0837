// The controls of the option-list page (template 504) and of the about box (template 510) by
// name, with the texts they load: the templates in the language resource DLLs and the page's
// code take them from here.
#pragma once

namespace orla_res::option_list {

// ---- Option-list page (template 504) ----
inline constexpr unsigned kTemplatePage = 504;
inline constexpr int kSkipBlankPages = 3290;  // checked while blank pages are left out
inline constexpr int kTonerSave = 1044;
inline constexpr int kPrintingGroup = 3298;  // frames the two checks
inline constexpr int kItemsLabel = 3299;
inline constexpr int kItems = 3300;  // the setting items: name, tab, value
inline constexpr int kValueGroup = 3301;
inline constexpr int kValueLabel = 3304;   // the selected item's name + " (&X):"
inline constexpr int kValue = 3303;        // the selected item's choices (the trays for the tray set)
inline constexpr int kUserText = 1031;     // the panel's user name or text of one's own
inline constexpr int kTrayState = 1032;    // whether the tray chosen in kValue joins the tray set
inline constexpr int kDetailLabel = 3308;  // greyed from the start
inline constexpr int kNoteIcon = 3309;
inline constexpr int kNote = 3310;
inline constexpr int kAboutLabel = 3313;  // in the help table; this layout has no label there
inline constexpr int kAbout = 3312;       // opens the about box
inline constexpr int kRestoreDefaults = 1090;
inline constexpr int kHelp = 1004;

// Private message: focus the user-text edit with its whole text selected.
inline constexpr unsigned kMsgFocusUserText = 1131;

// Notes shown under the value (and the item they explain).
inline constexpr unsigned kNotePatternSize = 710;   // item 433
inline constexpr unsigned kNoteGraphicsMode = 711;  // item 434
inline constexpr unsigned kNoteMargins = 713;       // item 456
inline constexpr unsigned kNoteGlyphs = 714;        // item 455
inline constexpr unsigned kNoteGreyTables = 739;    // item 599
inline constexpr unsigned kNotePatterns = 895;      // item 840
// The user text holds a character the printer's panel cannot show.
inline constexpr unsigned kWarnUserText = 821;

// ---- About box (template 510) ----
inline constexpr unsigned kTemplateAbout = 510;
inline constexpr int kAboutVersion = 1213;  // printer name + " Printer Driver " + version
inline constexpr int kAboutModel = 1215;    // the printer name of the device description
inline constexpr int kAboutIcon = 1217;
inline constexpr int kAboutWebPage = 1353;
inline constexpr int kAboutOk = 1092;

// The about box's icon among the interface DLL's icons.
inline constexpr unsigned kIconAbout = 598;

}  // namespace orla_res::option_list
