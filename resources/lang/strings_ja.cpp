// Japanese texts of the language resource DLLs (Quessaj.dll, Brindaj.dll).
// Ids 200 to 219 are the names of input slots, installable input devices and options as the
// device description spells them; the texts shown to the user for the slots are ids 300 to 319.
#include "resources/lang/lang_strings.h"

const ORLA_RESOURCE kLangStrings[] = {
    LANG_STRING(99, u"ORLA"),

    // Why a job does not fit the printer (DevQueryPrintEx).
    LANG_STRING(100, u"プリンタのデバイス情報を読み込めません。"),
    LANG_STRING(101, u"印刷設定を作成するためのメモリが不足しています。"),
    LANG_STRING(102, u"印刷の向きがこのプリンタの設定と一致しません。"),
    LANG_STRING(103, u"用紙サイズがこのプリンタの設定と一致しません。"),
    LANG_STRING(104, u"用紙の長さがこのプリンタの設定と一致しません。"),
    LANG_STRING(105, u"用紙の幅がこのプリンタの設定と一致しません。"),
    LANG_STRING(106, u"拡大縮小率がこのプリンタの設定と一致しません。"),
    LANG_STRING(107, u"部数がこのプリンタの設定と一致しません。"),
    LANG_STRING(108, u"給紙方法がこのプリンタの設定と一致しません。"),
    LANG_STRING(109, u"解像度がこのプリンタの設定と一致しません。"),
    LANG_STRING(110, u"カラー設定がこのプリンタの設定と一致しません。"),
    LANG_STRING(111, u"両面印刷の設定がこのプリンタの設定と一致しません。"),
    LANG_STRING(112, u"縦方向の解像度がこのプリンタの設定と一致しません。"),
    LANG_STRING(113, u"TrueType フォントの設定がこのプリンタの設定と一致しません。"),
    LANG_STRING(114, u"部単位印刷の設定がこのプリンタの設定と一致しません。"),
    LANG_STRING(115, u"用紙名がこのプリンタの設定と一致しません。"),
    LANG_STRING(116, u"割り付け印刷の設定がこのプリンタの設定と一致しません。"),
    LANG_STRING(117, u"色合わせの方法がこのプリンタの設定と一致しません。"),
    LANG_STRING(118, u"色合わせの目的がこのプリンタの設定と一致しません。"),
    LANG_STRING(119, u"用紙の種類がこのプリンタの設定と一致しません。"),
    LANG_STRING(120, u"ディザの種類がこのプリンタの設定と一致しません。"),

    // Names in the device description: input slots and input devices ...
    LANG_STRING(200, u"AUTO"),
    LANG_STRING(201, u"FEEDER1"),
    LANG_STRING(202, u"FEEDER2"),
    LANG_STRING(203, u"FEEDER3"),
    LANG_STRING(204, u"FEEDER4"),
    LANG_STRING(205, u"FEEDER5"),
    LANG_STRING(206, u"MSF"),
    LANG_STRING(207, u"MANUAL"),
    LANG_STRING(208, u"ENV"),
    // ... options ...
    LANG_STRING(209, u"両面ユニット"),
    LANG_STRING(210, u"ソーター"),
    LANG_STRING(211, u"プロッター"),
    LANG_STRING(212, u"ネットワークカード"),
    LANG_STRING(213, u"リモートコントロールカード"),
    LANG_STRING(214, u"フィニッシャー1"),
    LANG_STRING(215, u"フィニッシャー2"),
    LANG_STRING(216, u"大容量スタッカー"),
    LANG_STRING(217, u"フェイスアップトレイ"),
    LANG_STRING(218, u"ハードディスク"),
    // ... and the multipurpose tray.
    LANG_STRING(219, u"MP"),

    // Bin names shown to the user (slot name id + 100).
    LANG_STRING(300, u"自動選択"),
    LANG_STRING(301, u"フィーダー1"),
    LANG_STRING(302, u"フィーダー2"),
    LANG_STRING(303, u"フィーダー3"),
    LANG_STRING(304, u"フィーダー4"),
    LANG_STRING(305, u"フィーダー5"),
    LANG_STRING(306, u"マルチシートフィーダー"),
    LANG_STRING(307, u"手差し"),
    LANG_STRING(308, u"封筒フィーダー"),
    LANG_STRING(319, u"MPトレイ"),

    // Paper state of a tray.
    LANG_STRING(352, u"用紙なし"),
    LANG_STRING(353, u"用紙不明"),
};
const DWORD kLangStringCount = sizeof(kLangStrings) / sizeof(kLangStrings[0]);
