// Opening the stamp editor (dialog 3000) on a page context from the dialogs that offer it.
#pragma once

#include "ui/pages/page_context.h"

namespace orla {

// Runs the stamp editor on the context's scratch record; TRUE when the editor ran (its result is
// in the scratch record and the stamp store), FALSE when it could not be shown.
BOOL OpenStampEditor(PageContext* page, HWND owner);

}  // namespace orla
