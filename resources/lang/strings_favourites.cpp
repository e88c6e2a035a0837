// Texts of the favourites: the factory favourites' names and comments and the full-table message.
#include "resources/lang/lang_strings.h"

extern const ORLA_RESOURCE kLangFavourites[];
extern const DWORD kLangFavouriteCount;

#if ORLA_LANG_JAPANESE
const ORLA_RESOURCE kLangFavourites[] = {
    LANG_STRING(531, u"標準"),
    LANG_STRING(620, u"まとめて1枚(2アップ)"),
    LANG_STRING(621, u"両面長辺とじ"),
    LANG_STRING(622, u"両面短辺とじ"),
    LANG_STRING(623, u"マル秘"),
    LANG_STRING(624, u"ユーザー名"),
    LANG_STRING(533, u"高画質"),
    LANG_STRING(718, u"プリンタの標準の設定で印刷します。"),
    LANG_STRING(726, u"2ページを1枚の用紙にまとめて印刷します。"),
    LANG_STRING(727, u"用紙の両面に印刷し、長辺でとじます。"),
    LANG_STRING(728, u"用紙の両面に印刷し、短辺でとじます。"),
    LANG_STRING(729, u"各ページに「秘」のスタンプを印刷します。"),
    LANG_STRING(730, u"各ページにユーザー名を印刷します。"),
    LANG_STRING(720, u"1200dpiの高画質で印刷します。"),
    LANG_STRING(805, u"お気に入りは20個まで登録できます。不要なお気に入りを削除してから登録してください。"),
};
#else
const ORLA_RESOURCE kLangFavourites[] = {
    LANG_STRING(531, u"Standard"),
    LANG_STRING(620, u"2-up"),
    LANG_STRING(621, u"Duplex (Long Edge)"),
    LANG_STRING(622, u"Duplex (Short Edge)"),
    LANG_STRING(623, u"Confidential"),
    LANG_STRING(624, u"User Name"),
    LANG_STRING(533, u"High Quality"),
    LANG_STRING(718, u"Prints with the printer's standard settings."),
    LANG_STRING(726, u"Prints two pages on one sheet."),
    LANG_STRING(727, u"Prints on both sides, bound on the long edge."),
    LANG_STRING(728, u"Prints on both sides, bound on the short edge."),
    LANG_STRING(729, u"Prints a Confidential stamp on every page."),
    LANG_STRING(730, u"Prints the user name on every page."),
    LANG_STRING(720, u"Prints in high quality at 1200 dpi."),
    LANG_STRING(805,
                u"Up to 20 favourites can be registered. Delete a favourite you no longer need, then register again."),
};
#endif
const DWORD kLangFavouriteCount = sizeof(kLangFavourites) / sizeof(kLangFavourites[0]);
