// The controls of the layout-detail dialog (template 2400) by name: the template in the language
// resource DLLs, the dialog's code and its tests all take them from here.
#pragma once

namespace orla_res::layout_detail {

inline constexpr unsigned kTemplate = 2400;

inline constexpr int kPreview = 2401;       // the live preview, drawn by the dialog itself
inline constexpr int kPaperLabel = 2402;    // "Paper:" before the caption
inline constexpr int kPaperCaption = 2403;  // paper name and sheet size

// The front side: group, top and left positions (edit, up-down, unit), the gaps left below and to
// the right (value, unit) and the centring button.
inline constexpr int kFrontGroup = 2404;
inline constexpr int kFrontTopLabel = 2405;
inline constexpr int kFrontTop = 2406;
inline constexpr int kFrontTopSpin = 2407;
inline constexpr int kFrontTopUnit = 2408;
inline constexpr int kFrontLeftLabel = 2409;
inline constexpr int kFrontLeft = 2410;
inline constexpr int kFrontLeftSpin = 2411;
inline constexpr int kFrontLeftUnit = 2412;
inline constexpr int kFrontBottomLabel = 2413;
inline constexpr int kFrontBottom = 2414;
inline constexpr int kFrontBottomUnit = 2415;
inline constexpr int kFrontRightLabel = 2416;
inline constexpr int kFrontRight = 2417;
inline constexpr int kFrontRightUnit = 2418;
inline constexpr int kFrontCentre = 2419;

// The back side, the same controls 16 on.
inline constexpr int kBackGroup = 2420;
inline constexpr int kBackTopLabel = 2421;
inline constexpr int kBackTop = 2422;
inline constexpr int kBackTopSpin = 2423;
inline constexpr int kBackTopUnit = 2424;
inline constexpr int kBackLeftLabel = 2425;
inline constexpr int kBackLeft = 2426;
inline constexpr int kBackLeftSpin = 2427;
inline constexpr int kBackLeftUnit = 2428;
inline constexpr int kBackBottomLabel = 2429;
inline constexpr int kBackBottom = 2430;
inline constexpr int kBackBottomUnit = 2431;
inline constexpr int kBackRightLabel = 2432;
inline constexpr int kBackRight = 2433;
inline constexpr int kBackRightUnit = 2434;
inline constexpr int kBackCentre = 2435;
inline constexpr int kMirrorFront = 2436;  // the back placed as the front's mirror
inline constexpr int kSameAsFront = 2437;  // the back placed where the front is

// Zoom: group, free-zoom check, zoom edit and up-down, the percent sign.
inline constexpr int kZoomGroup = 2438;
inline constexpr int kFreeZoom = 2439;
inline constexpr int kZoom = 2440;
inline constexpr int kZoomSpin = 2441;
inline constexpr int kZoomPercent = 2442;

// Units: group and the two radios.
inline constexpr int kUnitGroup = 2443;
inline constexpr int kMillimetres = 2444;
inline constexpr int kInches = 2445;

inline constexpr int kDefaults = 1002;
inline constexpr int kHelp = 1004;

// Strings of the dialog: the front group's caption when there is no back side, and the warnings.
inline constexpr unsigned kTextPrintPosition = 473;
inline constexpr unsigned kWarnZoomRange = 809;
inline constexpr unsigned kWarnImageOffSheet = 810;

}  // namespace orla_res::layout_detail
