// The stamp editor is not built yet: asking for it says so and changes nothing.
#include "ui/pages/stamp_editor_open.h"

#include "core/build_variant.h"
#include "win/user.h"

namespace orla {

BOOL OpenStampEditor(PageContext* page, HWND owner) {
    if (!page || !page->uiContext) return FALSE;
    MessageBoxW(owner,
                kJapaneseBuild ? u"スタンプの編集画面はまだ用意されていません。" : u"The stamp editor is not built yet.",
                kJapaneseBuild ? u"お知らせ" : u"Information", MB_OK | MB_ICONINFORMATION);
    return FALSE;
}

}  // namespace orla
