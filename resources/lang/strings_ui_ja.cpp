// Japanese texts of the language resource DLLs that only the interface DLL reads.
#include "resources/lang/lang_strings.h"

extern const ORLA_RESOURCE kLangUiStrings[];
extern const DWORD kLangUiStringCount;

const ORLA_RESOURCE kLangUiStrings[] = {
    // Reading the configuration from the printer.
    LANG_STRING(817, u"プリンタから構成情報を取得しています。しばらくお待ちください。"),
    LANG_STRING(818, u"プリンタの構成情報を更新しました。"),
    LANG_STRING(819, u"プリンタから構成情報を取得できませんでした。プリンタの電源と接続を確認してください。"),

    // The stamp store.
    LANG_STRING(830, u"スタンプは20個まで登録できます。不要なスタンプを削除してから登録してください。"),

    // Account settings.
    LANG_STRING(890, u"ユーザーIDを入力してください。"),
    LANG_STRING(891, u"パスワードは4文字以上で入力してください。"),
};
const DWORD kLangUiStringCount = sizeof(kLangUiStrings) / sizeof(kLangUiStrings[0]);
