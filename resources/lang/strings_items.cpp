// The setting items' names and their choices' texts, both languages side by side: the option
// list, the device pages, the settings summary and the item combos show them. An item is the id
// of its name, each choice the id of its text.
#include "resources/lang/lang_strings.h"

extern const ORLA_RESOURCE kLangItemStrings[];
extern const DWORD kLangItemStringCount;

#if ORLA_LANG_JAPANESE
#define TEXT_OF(ja, en) ja
#else
#define TEXT_OF(ja, en) en
#endif

const ORLA_RESOURCE kLangItemStrings[] = {
    // Options of the printer as items (the option's display name is its device name id + 100).
    LANG_STRING(309, TEXT_OF(u"両面ユニット", u"Duplex Unit")),
    LANG_STRING(316, TEXT_OF(u"大容量スタッカー", u"Large Capacity Stacker")),
    LANG_STRING(317, TEXT_OF(u"フェイスアップトレイ", u"Face-up Tray")),
    LANG_STRING(354, TEXT_OF(u"手差しトレイ", u"Manual Feed Slot")),
    LANG_STRING(770, TEXT_OF(u"ハードディスク", u"Hard Disk")),
    LANG_STRING(771, TEXT_OF(u"フィニッシャー", u"Finisher")),
    LANG_STRING(772, TEXT_OF(u"500枚増設トレイ", u"500-Sheet Tray")),
    LANG_STRING(773, TEXT_OF(u"1000枚増設トレイ", u"1000-Sheet Tray")),
    // The stacked option trays and the kinds they come in.
    LANG_STRING(1302, TEXT_OF(u"フィーダー2の種類", u"Feeder 2 Kind")),
    LANG_STRING(1303, TEXT_OF(u"フィーダー3の種類", u"Feeder 3 Kind")),
    LANG_STRING(1304, TEXT_OF(u"フィーダー4の種類", u"Feeder 4 Kind")),
    LANG_STRING(485, TEXT_OF(u"標準カセット", u"Standard Cassette")),
    LANG_STRING(486, TEXT_OF(u"大容量カセット", u"Large Cassette")),
    // The manual slot as a member of the tray set.
    LANG_STRING(1307, TEXT_OF(u"手差し", u"Manual Feed")),

    // Groups and rows of the settings summary.
    LANG_STRING(431, TEXT_OF(u"グラフィックス", u"Graphics")),
    LANG_STRING(437, TEXT_OF(u"印刷品質", u"Print Quality")),
    LANG_STRING(441, TEXT_OF(u"フォント", u"Fonts")),
    LANG_STRING(445, TEXT_OF(u"ジョブ", u"Job")),
    LANG_STRING(452, TEXT_OF(u"デバイスの設定", u"Device Settings")),
    LANG_STRING(458, TEXT_OF(u"装着オプション", u"Installed Options")),
    LANG_STRING(439, TEXT_OF(u"トナー節約", u"Toner Save")),
    LANG_STRING(448, TEXT_OF(u"フォームオーバーレイ", u"Form Overlay")),
    LANG_STRING(450, TEXT_OF(u"プリンタのトレイ情報を使う", u"Use the Printer's Trays")),
    LANG_STRING(453, TEXT_OF(u"TrueTypeフォント置換表", u"TrueType Substitution")),

    // Document items.
    LANG_STRING(432, TEXT_OF(u"解像度", u"Resolution")),
    LANG_STRING(433, TEXT_OF(u"パターンの大きさ", u"Pattern Size")),
    LANG_STRING(434, TEXT_OF(u"グラフィックモード", u"Graphics Mode")),
    LANG_STRING(438, TEXT_OF(u"スムージング", u"Smoothing")),
    LANG_STRING(440, TEXT_OF(u"印刷濃度", u"Print Density")),
    LANG_STRING(442, TEXT_OF(u"プリンタフォントで印刷", u"Use Printer Fonts")),
    LANG_STRING(443, TEXT_OF(u"高速ベクター処理", u"Fast Vector Graphics")),
    LANG_STRING(444, TEXT_OF(u"カラー文字を黒で印刷", u"Print Colour Text Black")),
    LANG_STRING(447, TEXT_OF(u"操作パネルの表示", u"Panel Display")),
    LANG_STRING(449, TEXT_OF(u"トレイ連結", u"Tray Linking")),
    LANG_STRING(454, TEXT_OF(u"出力用紙の指定", u"Output Paper Choice")),
    LANG_STRING(599, TEXT_OF(u"ハーフトーン表で階調処理", u"Grey by Halftone Tables")),
    LANG_STRING(781, TEXT_OF(u"印刷の最適化", u"Print Optimisation")),
    LANG_STRING(840, TEXT_OF(u"パターンの送り方", u"Pattern Download")),
    // Device items.
    LANG_STRING(455, TEXT_OF(u"プリンタフォントの字形", u"Printer Font Glyphs")),
    LANG_STRING(456, TEXT_OF(u"互換マージン", u"Compatible Margins")),
    LANG_STRING(459, TEXT_OF(u"プリンタメモリ", u"Printer Memory")),
    LANG_STRING(765, TEXT_OF(u"ヘッダーの制限", u"Header Limit")),
    LANG_STRING(774, TEXT_OF(u"アカウント設定の保存先", u"Account Settings")),

    // Choices shared by many items.
    LANG_STRING(474, TEXT_OF(u"オン", u"On")),
    LANG_STRING(475, TEXT_OF(u"オフ", u"Off")),
    LANG_STRING(476, TEXT_OF(u"する", u"Yes")),
    LANG_STRING(477, TEXT_OF(u"しない", u"No")),
    LANG_STRING(478, TEXT_OF(u"標準", u"Default")),
    LANG_STRING(479, TEXT_OF(u"ユーザー設定", u"Custom")),
    LANG_STRING(484, TEXT_OF(u"なし", u"None")),
    LANG_STRING(487, TEXT_OF(u"あり", u"Installed")),
    LANG_STRING(488, TEXT_OF(u"標準", u"Standard")),
    // Choices of one item each.
    LANG_STRING(481, TEXT_OF(u"JIS90", u"JIS90")),
    LANG_STRING(482, TEXT_OF(u"JIS78", u"JIS78")),
    LANG_STRING(489, TEXT_OF(u"ラスター", u"Raster")),
    LANG_STRING(859, TEXT_OF(u"ベクター", u"Vector")),
    LANG_STRING(492, TEXT_OF(u"1 (薄い)", u"1 (Light)")),
    LANG_STRING(493, TEXT_OF(u"2", u"2")),
    LANG_STRING(494, TEXT_OF(u"3 (標準)", u"3 (Normal)")),
    LANG_STRING(495, TEXT_OF(u"4", u"4")),
    LANG_STRING(496, TEXT_OF(u"5 (濃い)", u"5 (Dark)")),
    LANG_STRING(499, TEXT_OF(u"ユーザー名", u"User Name")),
    LANG_STRING(500, TEXT_OF(u"任意の文字列", u"Own Text")),
    LANG_STRING(538, TEXT_OF(u"解像度に合わせる", u"By Resolution")),
    LANG_STRING(539, TEXT_OF(u"する", u"On")),
    LANG_STRING(540, TEXT_OF(u"しない", u"Off")),
    LANG_STRING(541, TEXT_OF(u"黒で印刷", u"Black")),
    LANG_STRING(544, TEXT_OF(u"濃淡で印刷", u"Shades of Grey")),
    LANG_STRING(542, TEXT_OF(u"連結する", u"Linked")),
    LANG_STRING(543, TEXT_OF(u"連結しない", u"Not Linked")),
    LANG_STRING(766, TEXT_OF(u"制限する", u"Limited")),
    LANG_STRING(767, TEXT_OF(u"制限しない", u"Unlimited")),
    LANG_STRING(775, TEXT_OF(u"プリンタ共通", u"For All Users")),
    LANG_STRING(776, TEXT_OF(u"ユーザーごと", u"Per User")),
    LANG_STRING(782, TEXT_OF(u"する", u"On")),
    LANG_STRING(783, TEXT_OF(u"しない", u"Off")),
    LANG_STRING(860, TEXT_OF(u"自動", u"Automatic")),
    LANG_STRING(861, TEXT_OF(u"手動", u"Manual")),
    LANG_STRING(905, TEXT_OF(u"パターンとして送る", u"As Patterns")),

    // The 2-up page order on a landscape sheet (the portrait pair is 514 and 515).
    LANG_STRING(516, TEXT_OF(u"上から下", u"Top to Bottom")),
    LANG_STRING(517, TEXT_OF(u"下から上", u"Bottom to Top")),
};
const DWORD kLangItemStringCount = sizeof(kLangItemStrings) / sizeof(kLangItemStrings[0]);
