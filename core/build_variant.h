// The one place where the Japanese and the English build differ in sizes and offsets.
// ORLA_JAPANESE is set by the build (1 Japanese, 0 English); nothing else tests it directly.
#pragma once

#ifndef ORLA_JAPANESE
#error "ORLA_JAPANESE must be defined by the build"
#endif

namespace orla {

inline constexpr bool kJapaneseBuild = ORLA_JAPANESE != 0;

// Settings record: public part and private part.
inline constexpr unsigned kPublicDevmodeSize = 220;
inline constexpr unsigned kPrivateDevmodeSize = kJapaneseBuild ? 8292 : 4188;
inline constexpr unsigned kDriverDevmodeSize = kPublicDevmodeSize + kPrivateDevmodeSize;

// Private offsets from 6108 on lie 4104 bytes lower in the English build, which has no
// trust-marking block (2004 to 6107).
inline constexpr unsigned kHighOffsetStart = 6108;
inline constexpr unsigned kHighOffsetShift = kJapaneseBuild ? 0 : 4104;
constexpr unsigned HighOffset(unsigned japaneseOffset) {
    return japaneseOffset - kHighOffsetShift;
}

// Favourite record: flags, number, name and comment, then the settings record and its mask. The
// English build keeps the settings record further on (736) than the Japanese build (588).
inline constexpr unsigned kFavouriteSettingsOffset = kJapaneseBuild ? 588 : 736;
inline constexpr unsigned kFavouriteMaskOffset = kFavouriteSettingsOffset + kDriverDevmodeSize;
inline constexpr unsigned kFavouriteRecordSize = kFavouriteMaskOffset + kDriverDevmodeSize;
static_assert(kFavouriteRecordSize == (kJapaneseBuild ? 17612u : 9552u));

// ---- Settings record defaults and names that differ ----
// Private flags 1 default; the Japanese build also sets 0x2000 before Windows Vista.
inline constexpr unsigned kDefaultFlags1 = kJapaneseBuild ? 0x072114FDu : 0x062114FDu;
inline constexpr unsigned kFlags1PreVistaBit = kJapaneseBuild ? 0x00002000u : 0u;
// DevmodeVersionInfo: driver version, private size, and the same of the 3.51 form.
inline constexpr unsigned short kDevmodeDriverVersion = 0x0100;
inline constexpr unsigned short kDevmodeDriverVersion351 = 0x0100;
inline constexpr unsigned short kDevmodePrivateSize351 = kPrivateDevmodeSize;
// The long-paper form (297 x 900 mm) that the printable limits let through.
inline constexpr const char16_t* kLongPaperFormName = kJapaneseBuild ? u"長尺紙" : u"Long Paper (297 x 900mm)";
// Spooler form names that differ between the builds (the others are the same in both).
inline constexpr const char16_t* kFormPostcard = kJapaneseBuild ? u"はがき" : u"Japanese Postcard";
inline constexpr const char16_t* kFormDoublePostcard = kJapaneseBuild ? u"往復はがき" : u"Japanese Double Postcard";
inline constexpr const char16_t* kFormEnvelopeYou4 = kJapaneseBuild ? u"封筒 洋形 4 号" : u"Japanese Envelope You #4";
inline constexpr const char16_t* kFormA3Rotated = kJapaneseBuild ? u"A3 横" : u"A3 Rotated";
inline constexpr const char16_t* kFormA4Rotated = kJapaneseBuild ? u"A4 横" : u"A4 Rotated";
inline constexpr const char16_t* kFormA5Rotated = kJapaneseBuild ? u"A5 横" : u"A5 Rotated";
inline constexpr const char16_t* kFormB4Rotated = kJapaneseBuild ? u"B4 (JIS) 横" : u"B4 (JIS) Rotated";
inline constexpr const char16_t* kFormB5Rotated = kJapaneseBuild ? u"B5 (JIS) 横" : u"B5 (JIS) Rotated";
inline constexpr const char16_t* kFormLetterRotated = kJapaneseBuild ? u"Letter 横" : u"Letter Rotated";
inline constexpr const char16_t* kFormPostcardRotated = kJapaneseBuild ? u"はがき 横" : u"Japanese Postcard Rotated";
inline constexpr const char16_t* kFormDoublePostcardRotated =
    kJapaneseBuild ? u"往復はがき 横" : u"Double Japan Postcard Rotated";
inline constexpr const char16_t* kFormEnvelopeYou4Rotated =
    kJapaneseBuild ? u"封筒 洋形 4 号 横" : u"Japan Envelope You #4 Rotated";

}  // namespace orla
