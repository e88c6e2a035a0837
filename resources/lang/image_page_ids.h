// The controls of the image adjustment page (template 537) by name, and the texts it loads: the
// template in the language resource DLLs and the page take them from here.
#pragma once

namespace orla_res::image_page {

inline constexpr unsigned kTemplate = 537;

// How the values apply: once for the whole page, or per object type.
inline constexpr int kModeGroup = 3561;
inline constexpr int kCommonMode = 1311;
inline constexpr int kPerTypeMode = 1319;
inline constexpr int kObjectTypeLabel = 3560;
inline constexpr int kObjectTypes = 1098;  // item data: the object type

// The first value (brightness): icon, name, edit with its spin, and the scroll bar between its
// two end labels.
inline constexpr int kFirstIcon = 1108;
inline constexpr int kFirstLabel = 1173;
inline constexpr int kFirstEdit = 1094;
inline constexpr int kFirstSpin = 3563;
inline constexpr int kFirstLowLabel = 1146;
inline constexpr int kFirstScroll = 1097;
inline constexpr int kFirstHighLabel = 1147;
// The second value (contrast), laid out the same way.
inline constexpr int kSecondIcon = 1106;
inline constexpr int kSecondLabel = 1107;
inline constexpr int kSecondEdit = 1103;
inline constexpr int kSecondSpin = 3562;
inline constexpr int kSecondLowLabel = 1150;
inline constexpr int kSecondScroll = 1104;
inline constexpr int kSecondHighLabel = 1151;

inline constexpr int kRestoreDefaults = 1090;
inline constexpr int kHelp = 1004;

// The object types' names in list 1098: text, graphics, images (object types 0, 1 and 2).
inline constexpr unsigned kTextObjectText = 872;
inline constexpr unsigned kTextObjectGraphics = 873;
inline constexpr unsigned kTextObjectImages = 874;

// The interface DLL's own resources the page shows.
inline constexpr unsigned kIconFirst = 955;   // brightness
inline constexpr unsigned kIconSecond = 956;  // contrast
inline constexpr unsigned kPictureBitmap = 2000;

}  // namespace orla_res::image_page
