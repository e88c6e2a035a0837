// The sheets' pages in their order. Pages whose own code is not built yet show the pending page.
#include "resources/lang/sheet_ids.h"
#include "ui/pages/basic_page.h"
#include "ui/pages/device_pages.h"
#include "ui/pages/option_list_page.h"
#include "ui/pages/image_adjust_page.h"
#include "ui/pages/page_creation.h"
#include "ui/pages/paper_source_page.h"
#include "ui/pages/page_common.h"
#include "ui/pages/stamp_page.h"

namespace orla {

namespace {

using namespace orla_res;

const PageEntry kDocumentPages[] = {
    {kTemplateBasicPage, BasicPageProc},        {kTemplatePaperSourcePage, PaperSourcePageProc},
    {kTemplateImagePage, ImageAdjustPageProc},  {kTemplateStampPage, StampPageProc},
    {kTemplateOptionListPage, OptionListPageProc},
};
const PageEntry kDevicePages[] = {
    {kTemplateDeviceSettingsPage, DeviceSettingsPageProc},
    {kTemplateDeviceOptionsPage, DeviceOptionsPageProc},
};

}  // namespace

const PageEntry* DocumentPages(UINT* count) {
    *count = sizeof kDocumentPages / sizeof kDocumentPages[0];
    return kDocumentPages;
}

const PageEntry* DevicePages(UINT* count) {
    *count = sizeof kDevicePages / sizeof kDevicePages[0];
    return kDevicePages;
}

}  // namespace orla
