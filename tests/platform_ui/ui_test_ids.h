// Template and control ids of the window tests' dialog module.
#pragma once

inline constexpr int kDialogMain = 100;
inline constexpr int kDialogBadSignature = 101;
inline constexpr int kDialogShortRecord = 102;
inline constexpr int kDialogUnknownClass = 103;

inline constexpr int kIdLabel = 200;
inline constexpr int kIdCheck = 201;
inline constexpr int kIdRadioA = 202;
inline constexpr int kIdRadioB = 203;
inline constexpr int kIdRadioC = 204;
inline constexpr int kIdRadioOther = 205;
inline constexpr int kIdEdit = 301;
inline constexpr int kIdCombo = 401;
inline constexpr int kIdComboEdit = 402;  // a drop-down combo with an edit field
inline constexpr int kIdListView = 501;
inline constexpr int kIdTreeView = 502;
inline constexpr int kIdSpin = 302;
inline constexpr int kIdScrollBar = 503;
inline constexpr int kIdScrollBarVert = 504;
inline constexpr int kIdReportView = 505;

inline constexpr int kPageFirst = 110;
inline constexpr int kPageSecond = 111;
inline constexpr int kIdPageCheck = 601;

inline constexpr int kMenuContext = 120;
inline constexpr int kCmdWhatsThis = 3001;
inline constexpr int kCmdGrey = 3002;
inline constexpr int kBitmapSmall = 130;
inline constexpr int kBitmapShort = 131;
inline constexpr int kIconSmall = 140;       // a group of a 2 x 2 image with alpha and a 4 x 4 masked one
inline constexpr int kIconImageAlpha = 141;  // its images (RT_ICON ids)
inline constexpr int kIconImageMasked = 142;
inline constexpr int kIconMissingImage = 143;  // a group naming an image the module lacks
inline constexpr int kIconShortGroup = 144;    // a group directory cut short
