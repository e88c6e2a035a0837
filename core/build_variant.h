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
constexpr unsigned HighOffset(unsigned japaneseOffset) { return japaneseOffset - kHighOffsetShift; }

}  // namespace orla
