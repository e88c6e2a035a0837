// Ids shared by the language resource DLLs and the interface DLL for the property sheet's frame:
// the page templates, the configuration-retrieval dialog and the What's-this menu.
#pragma once

namespace orla_res {

// Page templates of the document sheet (the basic page's template comes with that page).
inline constexpr unsigned kTemplateBasicPage = 520;
inline constexpr unsigned kTemplatePaperSourcePage = 521;
inline constexpr unsigned kTemplateImagePage = 537;
inline constexpr unsigned kTemplateStampPage = 524;
inline constexpr unsigned kTemplateOptionListPage = 504;
// Page templates of the device sheet.
inline constexpr unsigned kTemplateDeviceSettingsPage = 501;
inline constexpr unsigned kTemplateDeviceOptionsPage = 503;

// The dialog that waits for the printer's configuration, and its controls.
inline constexpr unsigned kTemplateConfigRetrieval = 2700;
inline constexpr unsigned kConfigRetrievalText = 2701;
inline constexpr unsigned kConfigRetrievalCancel = 2;  // IDCANCEL

// The What's-this menu: its first pop-up holds the one command.
inline constexpr unsigned kMenuWhatsThis = 1009;
inline constexpr unsigned kCommandWhatsThis = 1010;

}  // namespace orla_res
