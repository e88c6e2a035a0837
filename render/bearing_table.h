// The bearing classes of the printer's proportional Latin faces (Helv, TmsRmn): one small whole
// number per character 0x20 to 0x7F, in code order. The driver takes b x size / -100 (scaled to
// the resolution) off each character's position; the printer puts it back when it prints.
#pragma once

#include <cstdint>

inline constexpr std::uint8_t kBearingClasses[96] = {
    0, 6, 5, 2, 2, 2, 2, 5, 7, 3, 3, 3, 7, 3, 7, 5,  // space ! " # $ % & ' ( ) * + , - . /
    2, 4, 2, 2, 2, 2, 2, 2, 2, 2, 7, 6, 4, 4, 4, 4,  // 0..9 : ; < = > ?
    1, 2, 2, 1, 2, 1, 1, 1, 1, 7, 2, 0, 2, 1, 2, 2,  // @ A..O
    2, 2, 2, 2, 1, 1, 1, 0, 1, 1, 2, 9, 2, 3, 5, 1,  // P..Z [ \ ] ^ _
    6, 2, 2, 2, 1, 2, 4, 1, 3, 8, 4, 2, 7, 1, 3, 3,  // ` a..o
    2, 2, 5, 3, 5, 2, 3, 2, 3, 3, 3, 8, 6, 2, 0, 0,  // p..z { | } ~ 0x7F
};
