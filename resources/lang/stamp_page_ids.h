// The stamp and overlay page (template 524), its page annotation dialog (536) and the form-overlay
// information dialog (2300) by name: the templates in the language resource DLLs, the page's and
// the dialogs' code and their tests take the ids from here.
#pragma once

namespace orla_res::stamp_page {

// ---- Stamp and overlay page (template 524) ----
inline constexpr unsigned kTemplatePage = 524;
inline constexpr int kRestoreDefaults = 1002;
inline constexpr int kSummary = 1003;
inline constexpr int kHelp = 1004;
inline constexpr int kPaperSizeList = 1008;  // hidden list: one empty item, data = dmPaperSize
inline constexpr int kAnnotation = 1091;     // opens the page annotation dialog (536)
inline constexpr int kEditStamp = 1157;      // opens the stamp editor (525) on the selected stamp
inline constexpr int kNewStamp = 1358;       // opens the stamp editor (526) on a new stamp
inline constexpr int kStampList = 1361;      // list box: "（なし）" and the stored stamps
inline constexpr int kStampGroup = 1360;
inline constexpr int kOverlayGroup = 1364;  // frames the overlay's controls
inline constexpr int kTrustMarking = 1500;  // trust-marking settings (Japanese build)
inline constexpr int kOverlayBrowse = 1540;
inline constexpr int kOverlayPathLabel = 1541;
inline constexpr int kOverlayPath = 1542;  // combo with an edit: the path and its history
inline constexpr int kOverlayOn = 1544;    // check
inline constexpr int kOverlayInfo = 2300;  // opens the form-overlay information dialog (2300)
inline constexpr int kOverlayOnly = 2332;  // check: bit 3 of the flags word
inline constexpr int kPreview = 3001;      // owner-drawn list, one item: the page with the stamp
inline constexpr int kFirstPageOnly = 3017;
inline constexpr int kStampTextLabel = 3028;  // names what 3029 shows: the text or the file name
inline constexpr int kStampText = 3029;       // the selected stamp's text or image path
inline constexpr int kDeleteStamp = 3031;

// ---- Page annotation dialog (template 536) ----
inline constexpr unsigned kTemplateAnnotation = 536;
inline constexpr int kAnnotationDefaults = 1002;
inline constexpr int kAnnotationOn = 1159;         // check
inline constexpr int kAnnotationKind = 1162;       // drop list: kinds 0..8
inline constexpr int kAnnotationText = 1164;       // edit: the custom text (kind 8)
inline constexpr int kAnnotationTextLabel = 1165;  // its label
inline constexpr int kAnnotationPage = 3068;       // the page picture: clicks the current position
inline constexpr int kAnnotationPositionGroup = 1602;
// Radios of the six positions, by position 0, 1, 2, 6, 7, 8 (top row, bottom row).
inline constexpr int kPositionRadios[] = {1603, 1604, 1605, 1609, 1610, 1611};
inline constexpr unsigned kPositionValues[] = {0, 1, 2, 6, 7, 8};
inline constexpr unsigned kAnnotationKindCount = 9;
inline constexpr int kAnnotationTextBytes = 64;

// ---- Form-overlay information dialog (template 2300) ----
inline constexpr unsigned kTemplateOverlayInfo = 2300;
inline constexpr int kInfoOverlayOn = 2302;  // check
inline constexpr int kInfoPath = 2303;       // combo with an edit
inline constexpr int kInfoBrowse = 2304;
inline constexpr int kInfoOverlayOnly = 2332;
inline constexpr int kInfoHelp = 1004;
// The header fields, label and value pairs: 2308/2309 up to 2328/2329.
inline constexpr int kInfoTitle = 2309;
inline constexpr int kInfoName = 2311;
inline constexpr int kInfoProduct = 2313;
inline constexpr int kInfoVersion = 2315;
inline constexpr int kInfoLanguage = 2317;
inline constexpr int kInfoShownVersion = 2319;
inline constexpr int kInfoTray = 2321;
inline constexpr int kInfoMadeFor = 2323;
inline constexpr int kInfoMadeForOrientation = 2325;
inline constexpr int kInfoPrintOn = 2327;
inline constexpr int kInfoPrintOnOrientation = 2329;
inline constexpr int kInfoFields[] = {kInfoTitle,
                                      kInfoName,
                                      kInfoProduct,
                                      kInfoVersion,
                                      kInfoLanguage,
                                      kInfoShownVersion,
                                      kInfoTray,
                                      kInfoMadeFor,
                                      kInfoMadeForOrientation,
                                      kInfoPrintOn,
                                      kInfoPrintOnOrientation};
inline constexpr unsigned kInfoFieldCount = sizeof kInfoFields / sizeof kInfoFields[0];

// ---- Texts of the language resource DLL ----
inline constexpr unsigned kTextOverlayFilter = 472;   // the browse filter; its last character separates
inline constexpr unsigned kTextAnnotationKind = 590;  // 590..598: the annotation kinds 0..8
inline constexpr unsigned kMsgKweTonerSave = 784;     // one trust-marking conflict: 784..788
inline constexpr unsigned kMsgKweSeveral = 789;       // several: 789, then 790..794 of each
inline constexpr unsigned kMsgKweSeveralFirst = 790;
inline constexpr unsigned kMsgKwePaper = 795;
inline constexpr unsigned kMsgKweResolution = 796;       // without 1200 dpi offered
inline constexpr unsigned kMsgKweResolution1200 = 797;   // with 1200 dpi offered
inline constexpr unsigned kMsgKwePaperResolution = 798;  // both, without 1200 dpi
inline constexpr unsigned kMsgKwePaperResolution1200 = 799;
inline constexpr unsigned kMsgOverlayPaper = 806;    // status 512: the form's papers
inline constexpr unsigned kMsgOverlayNotForm = 807;  // status 256: not a form file
inline constexpr unsigned kMsgOverlayMissing = 808;  // the path or the file
inline constexpr unsigned kMsgDeleteStamp = 837;

}  // namespace orla_res::stamp_page
