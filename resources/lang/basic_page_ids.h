// The controls of the basic page (template 520) by name: the template in the language resource
// DLLs, the page, the option constraint pass and ui_runner all take them from here.
#pragma once

namespace orla_res::basic_page {

inline constexpr int kFavourites = 1013;     // favourites combo
inline constexpr int kAddFavourite = 1355;   // opens the favourite-adding dialog
inline constexpr int kEditFavourite = 1356;  // opens the favourite-editing dialog
inline constexpr int kPreview = 1008;        // owner-drawn preview list
inline constexpr int kCaption = 3838;        // the preview's zoom caption
inline constexpr int kPrinter = 1016;        // owner-drawn printer picture
inline constexpr int kGetConfiguration = 3831;
inline constexpr int kConfigPicture = 1188;  // invalidated once the configuration is read
inline constexpr int kPaperSize = 1204;
inline constexpr int kOutputPaper = 1208;
inline constexpr int kPortrait = 1217;
inline constexpr int kLandscape = 1219;
inline constexpr int kCopies = 1229;
inline constexpr int kCopiesSpin = 1230;
inline constexpr int kFreeZoom = 1213;
inline constexpr int kZoom = 1214;
inline constexpr int kDuplex = 1127;
inline constexpr int kBinding = 1134;
inline constexpr int kLayout = 1114;
inline constexpr int kOrder = 1120;
inline constexpr int kFrame = 1117;
inline constexpr int kSavePaper = 2900;
inline constexpr int kEntryMode = 1699;
inline constexpr int kHoldSettings = 3833;  // opens the stored-printing dialog of the entry mode
inline constexpr int kHintIcon = 1006;
inline constexpr int kHint = 1000;  // the hint line
inline constexpr int kLayoutDetails = 446;
inline constexpr int kSummary = 1003;
inline constexpr int kSummaryItem = 1149;  // the summary, asked from elsewhere on the page
inline constexpr int kRestoreDefaults = 1002;
inline constexpr int kHelp = 1004;

// Pictures beside the controls they stand for.
inline constexpr int kFavouritesPicture = 1105;
inline constexpr int kPaperSizePicture = 1202;
inline constexpr int kOutputPaperPicture = 1206;
inline constexpr int kDuplexPicture = 1221;
inline constexpr int kCopiesPicture = 1227;
inline constexpr int kZoomPicture = 1212;
inline constexpr int kOrientationPicture = 1218;
inline constexpr int kOrderPicture = 1209;
inline constexpr int kBindingPicture = 1224;
inline constexpr int kLayoutPicture = 1232;
inline constexpr int kEntryModePicture = 1231;
inline constexpr int kPaperPathPicture = 1187;  // the printer with its paper path
inline constexpr int kSummaryPicture = 1761;
inline constexpr int kDefaultsPicture = 1762;
inline constexpr int kBanner = 1001;  // the driver's banner

}  // namespace orla_res::basic_page
