// The stamp editor's controls, templates and texts by name: one dialog procedure for the stamp
// page's edit (template 525) and new-stamp (526) dialogs and the print-time dialog's editor
// (3000). The templates in the language resource DLLs, the editor's code and its tests take them
// from here.
#pragma once

namespace orla_res::stamp_editor {

inline constexpr unsigned kTemplateJobStamp = 3000;  // opened from the print-time dialog
inline constexpr unsigned kTemplateEditStamp = 525;  // the stamp page's selected stamp
inline constexpr unsigned kTemplateNewStamp = 526;   // the stamp page's new stamp

inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kFactoryValues = 1002;

inline constexpr int kPreview = 3001;        // owner-drawn list, one item: the page with the stamp
inline constexpr int kPositionFirst = 3003;  // radios 3003..3011: the 3 x 3 grid, row by row
inline constexpr int kPositionLast = 3011;
inline constexpr int kOverlayMode = 3016;    // check: the stamp's overlay mode
inline constexpr int kFirstPageOnly = 3017;  // check
inline constexpr int kScaleSpin = 3019;      // up-down 0..6 beside the scale combo
inline constexpr int kName = 3024;           // combo with an edit: the stored stamps, or a new name
inline constexpr int kKindText = 3025;       // radio
inline constexpr int kKindImage = 3026;      // radio
inline constexpr int kBrowse = 3027;
inline constexpr int kTextLabel = 3028;  // names what 3029 holds: the text or the file name
inline constexpr int kText = 3029;       // edit: the printed text, or the image file's path
inline constexpr int kStore = 3030;      // store now (while there are unsaved changes)
inline constexpr int kDelete = 3031;
inline constexpr int kFace = 3034;       // drop list of the TrueType faces
inline constexpr int kSize = 3037;       // combo with an edit: the size / 10
inline constexpr int kBold = 3038;       // check
inline constexpr int kItalic = 3039;     // check
inline constexpr int kAngleSpin = 3054;  // up-down 0..4 beside the angle combo
inline constexpr int kAngleDown = 3055;  // check: angle choice 1
inline constexpr int kAngleUp = 3056;    // check: angle choice 3
inline constexpr int kModeFirst = 3065;  // radios 3065..3067: the mode is the radio's id
inline constexpr int kModeLast = 3067;
inline constexpr int kGrey = 1372;   // drop list: grey choices 3041..3046
inline constexpr int kAngle = 1397;  // drop list: angle choices 0..4
inline constexpr int kScale = 1405;  // drop list: 25 to 400 percent

// The record keeps the grey choice as 3041..3046.
inline constexpr unsigned kGreyFirst = 3041;
inline constexpr unsigned kGreyLast = 3046;

// Edit limits: the list name and the text 64 bytes, the image path 128 characters, the size 3.
inline constexpr int kNameBytes = 64;
inline constexpr int kTextBytes = 64;
inline constexpr int kPathChars = 128;
inline constexpr int kSizeChars = 3;

// Texts of the language resource DLL.
inline constexpr unsigned kTextSizeFirst = 630;   // 630..639: the size choices
inline constexpr unsigned kTextGreyFirst = 640;   // 640..645: the grey choices
inline constexpr unsigned kTextScaleFirst = 650;  // 650..656: 25 to 400 percent
inline constexpr unsigned kTextAngleFirst = 660;  // 660..664: the angle choices
inline constexpr unsigned kTextBitmapFilter = 828;
inline constexpr unsigned kMsgListFull = 830;
inline constexpr unsigned kMsgNotBitmap = 831;
inline constexpr unsigned kMsgFileMissing = 832;
inline constexpr unsigned kMsgReplace = 834;
inline constexpr unsigned kMsgNoName = 835;
inline constexpr unsigned kMsgNoText = 836;
inline constexpr unsigned kMsgDelete = 837;
inline constexpr unsigned kMsgSizeRange = 862;

}  // namespace orla_res::stamp_editor
