// The property sheet's frame in the language resource DLLs: the document pages not built yet,
// the configuration-retrieval dialog and the What's-this menu. Every text is written in both
// languages side by side, so the two builds share one layout.
#include "plat/dialog_template.h"
#include "plat/menu_template.h"
#include "plat/resource_table.h"
#include "resources/lang/sheet_ids.h"
#include "win/gdi.h"
#include "win/user_controls.h"

extern const ORLA_RESOURCE kLangSheetResources[];
extern const DWORD kLangSheetResourceCount;

#if ORLA_LANG_JAPANESE
#define TEXT2(ja, en) ja
#else
#define TEXT2(ja, en) en
#endif

namespace {

using namespace orla_res;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
const char16_t kFont[] = TEXT2(u"ＭＳ Ｐゴシック", u"MS Shell Dlg");

// Waiting for the printer's configuration: the message and a way out.
const ORLA_DIALOG_ITEM kConfigRetrievalItems[] = {
    {u"Static",
     TEXT2(u"プリンタから構成情報を取得しています。しばらくお待ちください。",
           u"Retrieving the configuration from the printer. Please wait."),
     kConfigRetrievalText, kChild | SS_LEFT, 0, 10, 10, 180, 24},
    {u"Button", TEXT2(u"キャンセル", u"Cancel"), kConfigRetrievalCancel, kChild | BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP,
     0, 75, 42, 50, 14},
};
const ORLA_DIALOG_TEMPLATE kConfigRetrieval = {ORLA_DIALOG_SIGNATURE,
                                               WS_POPUP | WS_CAPTION | DS_MODALFRAME,
                                               0,
                                               0,
                                               0,
                                               200,
                                               64,
                                               TEXT2(u"構成情報の取得", u"Printer Configuration"),
                                               kFont,
                                               9,
                                               2,
                                               kConfigRetrievalItems};

const ORLA_MENU_ITEM kWhatsThisItems[] = {
    {kCommandWhatsThis, TEXT2(u"ヘルプ(&W)", u"&What's This?"), MF_STRING, nullptr},
};
const ORLA_MENU_TEMPLATE kWhatsThisPopup = {ORLA_MENU_SIGNATURE, 1, kWhatsThisItems};
const ORLA_MENU_ITEM kWhatsThisBar[] = {{0, u"", MF_POPUP, &kWhatsThisPopup}};
const ORLA_MENU_TEMPLATE kWhatsThisMenu = {ORLA_MENU_SIGNATURE, 1, kWhatsThisBar};

#define DIALOG_ENTRY(id, record) \
    { 5, nullptr, (id), nullptr, &(record), sizeof(record) }

}  // namespace

const ORLA_RESOURCE kLangSheetResources[] = {
    DIALOG_ENTRY(kTemplateConfigRetrieval, kConfigRetrieval),
    {RT_MENU_ID, nullptr, kMenuWhatsThis, nullptr, &kWhatsThisMenu, sizeof kWhatsThisMenu},
};
const DWORD kLangSheetResourceCount = sizeof(kLangSheetResources) / sizeof(kLangSheetResources[0]);
