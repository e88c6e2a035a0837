// The controls of the device sheet's pages (templates 501 and 503) and of the account dialog
// (template 3520) by name: the templates in the language resource DLLs, the pages and the dialog
// take them from here.
#pragma once

namespace orla_res::device_page {

// ---- Device settings page (template 501) ----
inline constexpr unsigned kTemplateSettings = 501;
inline constexpr int kGlyphsLabel = 1294;
inline constexpr int kGlyphs = 1295;  // item 455
inline constexpr int kMarginsLabel = 1296;
inline constexpr int kMargins = 1297;  // item 456
inline constexpr int kHeaderLimitLabel = 1301;
inline constexpr int kHeaderLimit = 1063;  // item 765
inline constexpr int kAccountStoreLabel = 3473;
inline constexpr int kAccountStore = 3474;     // item 774
inline constexpr int kAccountSettings = 3581;  // opens the account dialog
inline constexpr int kTablesGroup = 3314;      // frames the two table buttons
inline constexpr int kTrueTypeTable = 1064;    // opens the TrueType substitution dialog (2000)
inline constexpr int kOutPaperTable = 3315;    // opens the output paper dialog (2100)
inline constexpr int kRestoreDefaults = 1090;
inline constexpr int kHelp = 1004;

// ---- Device options page (template 503) ----
inline constexpr unsigned kTemplateOptions = 503;
inline constexpr int kPrinter = 1016;     // owner-drawn printer picture
inline constexpr int kTraysGroup = 1738;  // its top edge ends the printer picture's area
inline constexpr int kTraysLabel = 1740;
inline constexpr int kTrays = 1739;         // installed trays
inline constexpr int kOptionsLabel = 1050;  // its left edge ends the printer picture's area
inline constexpr int kOptions = 1046;       // installable options and their values
inline constexpr int kValueGroup = 3740;
inline constexpr int kValueLabel = 3741;        // the selected option's name
inline constexpr int kValue = 3742;             // the selected option's value
inline constexpr int kGetConfiguration = 1749;  // reads the configuration from the printer (2700)

// ---- Account dialog (template 3520) ----
inline constexpr unsigned kTemplateAccount = 3520;
inline constexpr int kAccountOn = 3521;   // the account set here goes with every job
inline constexpr int kAccountOff = 3522;  // the account is asked for at print time
inline constexpr int kUserIdKindLabel = 1298;
inline constexpr int kUserIdKind = 1061;  // logon name or an entered user ID
inline constexpr int kUserIdLabel = 1299;
inline constexpr int kUserId = 1343;
inline constexpr int kPasswordLabel = 1300;
inline constexpr int kPassword = 1347;
inline constexpr int kShowLastEntry = 3525;  // the pop-up offers the last ID entered
inline constexpr int kHideUserId = 3526;     // the pop-up hides the ID as it is typed
inline constexpr int kAccountDefaults = 1090;
inline constexpr int kAccountOk = 1092;
inline constexpr int kAccountCancel = 1091;
inline constexpr int kAccountHelp = 1341;

// Texts of the user ID kinds (combo kUserIdKind, in this order).
inline constexpr unsigned kTextLogonName = 777;
inline constexpr unsigned kTextEnteredUserId = 778;

}  // namespace orla_res::device_page
