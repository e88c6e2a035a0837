// The controls of the print-time job settings dialog (template 1099) by name: the category
// buttons, the preview, the frame's own controls and the eight panels' controls. The template in
// the language resource DLLs, the dialog's code and its tests take them from here.
#pragma once

namespace orla_res::job_settings {

inline constexpr unsigned kTemplate = 1099;

// The frame.
inline constexpr int kCategories = 1101;  // owner-drawn list: the category buttons
inline constexpr int kPreview = 1008;     // owner-drawn list: one item, the preview
inline constexpr int kCopies = 1229;
inline constexpr int kCopiesSpin = 1230;
inline constexpr int kDialogOff = 1097;  // checked: no dialog for later jobs
inline constexpr int kPaperPicture = 1151;
inline constexpr int kOutputPaperPicture = 1152;
inline constexpr int kCopiesPicture = 1227;
inline constexpr int kBanner = 1001;
inline constexpr int kOk = 1096;
inline constexpr int kClose = 2;        // the close box: applies as OK does
inline constexpr int kReset = 1090;     // back to the printer's defaults (asks first)
inline constexpr int kHint = 1000;      // the hint line
inline constexpr int kHintIcon = 1006;  // its note icon, shown with a hint

// Panel 650: layout.
inline constexpr int kLayoutLabel = 1111;
inline constexpr int kLayoutPicture = 1112;
inline constexpr int kPagesLabel = 1113;
inline constexpr int kPagesPerSheet = 1114;  // combo, item data 600 + pages per sheet
inline constexpr int kPagesPicture = 1115;
inline constexpr int kFrameLabel = 1116;
inline constexpr int kFrameKind = 1117;  // combo by index
inline constexpr int kFramePicture = 1118;
inline constexpr int kPageFrame = 1119;  // check
inline constexpr int kOrderGroup = 1120;
inline constexpr int kOrderIcon = 1121;
inline constexpr int kOrder0 = 1122;  // radios: page order 0 to 3
inline constexpr int kOrder1 = 1123;
inline constexpr int kOrder2 = 1124;
inline constexpr int kOrder3 = 1125;

// Panel 651: two-sided printing.
inline constexpr int kDuplexGroup = 1127;
inline constexpr int kSimplexPicture = 1128;
inline constexpr int kLongEdgePicture = 1129;
inline constexpr int kShortEdgePicture = 1130;
inline constexpr int kSimplex = 1131;  // radios: dmDuplex 1, 2, 3
inline constexpr int kLongEdge = 1132;
inline constexpr int kShortEdge = 1133;
inline constexpr int kBindingGroup = 1134;
inline constexpr int kBindFrontPicture = 1135;
inline constexpr int kBindBackPicture = 1136;
inline constexpr int kBindFront = 1137;  // radios: binding bit clear, set
inline constexpr int kBindBack = 1138;

// Panel 652: stamp.
inline constexpr int kStampGroup = 1153;
inline constexpr int kStampOn = 1154;
inline constexpr int kStampChoice = 1155;  // combo: the stored stamps
inline constexpr int kStampLabel = 1156;
inline constexpr int kStampEdit = 1157;  // opens the stamp editor

// Panel 653: annotation.
inline constexpr int kAnnotationGroup = 1158;
inline constexpr int kAnnotationOn = 1159;
inline constexpr int kAnnotationPosition = 1160;  // combo: values 0, 1, 2, 6, 7, 8
inline constexpr int kPositionLabel = 1161;
inline constexpr int kAnnotationKind = 1162;  // combo: values 0 to 8
inline constexpr int kKindLabel = 1163;
inline constexpr int kAnnotationText = 1164;  // edit, 64 characters
inline constexpr int kTextLabel = 1165;

// Panel 654: collate.
inline constexpr int kCollateGroup = 1139;
inline constexpr int kCollatePicture = 1140;
inline constexpr int kCollate = 1141;

// Panel 655: job separation.
inline constexpr int kSeparateGroup = 1142;
inline constexpr int kSeparatePicture = 1143;
inline constexpr int kJobSeparate = 1144;
inline constexpr int kCollateSeparate = 1145;

// Panel 656: offset stacking (large-capacity stacker).
inline constexpr int kOffsetGroup = 1166;
inline constexpr int kOffsetPicture = 1167;
inline constexpr int kOffsetStacking = 1168;

// Panel 657: reprint.
inline constexpr int kReprintGroup = 1146;
inline constexpr int kReprintPicture = 1147;
inline constexpr int kReprint = 1148;

// Panels by id (the category button's icon has the same id) and their names.
inline constexpr int kPanelLayout = 650, kPanelDuplex = 651, kPanelStamp = 652, kPanelAnnotation = 653,
                     kPanelCollate = 654, kPanelSeparate = 655, kPanelOffset = 656, kPanelReprint = 657;
inline constexpr unsigned kNameLayout = 545, kNameDuplex = 546, kNameStamp = 547, kNameAnnotation = 548,
                          kNameCollate = 549, kNameSeparate = 550, kNameOffset = 736, kNameReprint = 551;

// Texts of the dialog in the language resource DLL.
inline constexpr unsigned kValueTextsKind = 590;      // 590 to 598: annotation kinds 0 to 8
inline constexpr unsigned kValueTextsPosition = 580;  // 580 to 588: annotation positions
inline constexpr unsigned kHintLayout = 700, kHintDuplexPaper = 701, kHintMemory = 702, kHintCollate = 703,
                          kHintSeparate = 704, kHintReprint = 705, kHintCopies = 709, kHintDuplex = 717,
                          kHintCollateOn = 724, kHintStamp = 732, kHintAnnotation = 733, kHintDialogOff = 1091;
inline constexpr unsigned kAskReset = 823, kWarnTextTooLong = 829, kWarnCopies = 813;

}  // namespace orla_res::job_settings
