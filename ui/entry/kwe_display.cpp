// The trust-marking library's settings dialog through the binding.
#include "ui/entry/kwe_display.h"

#include "render/kwe_binding.h"
#include "win/user.h"

namespace orla {

namespace {

// In the system code page (932): "予期しないエラーが発生しました。\n[隠し印刷の設定]の変更は破棄されます。"
constexpr char kDisplayFailedText[] =
    "\x97\\\x8a\xfa\x82\xb5\x82\xc8\x82\xa2\x83G\x83\x89\x81[\x82\xaa\x94\xad\x90\xb6\x82\xb5\x82\xdc\x82\xb5"
    "\x82\xbd\x81"
    "B\n[\x89"
    "B\x82\xb5\x88\xf3\x8d\xfc\x82\xcc\x90\xdd\x92\xe8]\x82\xcc\x95\xcf\x8dX\x82\xcd\x94j"
    "\x8a\xfc\x82\xb3\x82\xea\x82\xdc\x82\xb7\x81"
    "B";
// "警告"
constexpr char kDisplayFailedCaption[] = "\x8c\x78\x8d\x90";

}  // namespace

LONG KweDisplayUI(DWORD handle, HWND owner, BYTE* settings, DWORD settingsSize, LONG* result) {
    const LONG answer = KweCallDisplayUI(handle, owner, settings, settingsSize, result);
    if (answer != kKweDisplayFailed) return answer;
    if (owner) MessageBoxA(owner, kDisplayFailedText, kDisplayFailedCaption, MB_ICONWARNING);
    return kKweDisplayFailed;
}

}  // namespace orla
