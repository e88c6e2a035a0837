// The resource table a language resource DLL exports: the strings both driver DLLs read, then
// those only the interface DLL reads, the sheet's templates and menu, and the pages' icons (the
// interface DLL carries the same icons; code holding either module finds them by id). The driver
// only ever reads resources from it.
#include <vector>

#include "resources/icons/pictograms.h"
#include "resources/lang/lang_strings.h"

extern const ORLA_RESOURCE kLangUiStrings[];
extern const DWORD kLangUiStringCount;
extern const ORLA_RESOURCE kLangItemStrings[];
extern const DWORD kLangItemStringCount;
extern const ORLA_RESOURCE kLangBasicPage[];
extern const DWORD kLangBasicPageCount;
extern const ORLA_RESOURCE kLangTextEntry[];
extern const DWORD kLangTextEntryCount;
extern const ORLA_RESOURCE kLangSheetResources[];
extern const DWORD kLangSheetResourceCount;
extern const ORLA_RESOURCE kLangFavourites[];
extern const DWORD kLangFavouriteCount;
extern const ORLA_RESOURCE kLangSummary[];
extern const DWORD kLangSummaryCount;
extern const ORLA_RESOURCE kLangLayoutDetail[];
extern const DWORD kLangLayoutDetailCount;
extern const ORLA_RESOURCE kLangFavouriteDialogs[];
extern const DWORD kLangFavouriteDialogCount;
extern const ORLA_RESOURCE kLangJobFavourites[];
extern const DWORD kLangJobFavouriteCount;
extern const ORLA_RESOURCE kLangStampEditor[];
extern const DWORD kLangStampEditorCount;
extern const ORLA_RESOURCE kLangJobSettings[];
extern const DWORD kLangJobSettingsCount;
extern const ORLA_RESOURCE kLangDevicePages[];
extern const DWORD kLangDevicePageCount;
extern const ORLA_RESOURCE kLangPaperSource[];
extern const DWORD kLangPaperSourceCount;
extern const ORLA_RESOURCE kLangOptionList[];
extern const DWORD kLangOptionListCount;
extern const ORLA_RESOURCE kLangDeviceTables[];
extern const DWORD kLangDeviceTableCount;
extern const ORLA_RESOURCE kLangImagePage[];
extern const DWORD kLangImagePageCount;
extern const ORLA_RESOURCE kLangStampPage[];
extern const DWORD kLangStampPageCount;
extern const ORLA_RESOURCE kLangAccountPopup[];
extern const DWORD kLangAccountPopupCount;

namespace {

std::vector<ORLA_RESOURCE> AllStrings() {
    std::vector<ORLA_RESOURCE> all(kLangStrings, kLangStrings + kLangStringCount);
    all.insert(all.end(), kLangUiStrings, kLangUiStrings + kLangUiStringCount);
    all.insert(all.end(), kLangItemStrings, kLangItemStrings + kLangItemStringCount);
    all.insert(all.end(), kLangBasicPage, kLangBasicPage + kLangBasicPageCount);
    all.insert(all.end(), kLangTextEntry, kLangTextEntry + kLangTextEntryCount);
    all.insert(all.end(), kLangSheetResources, kLangSheetResources + kLangSheetResourceCount);
    all.insert(all.end(), kLangFavourites, kLangFavourites + kLangFavouriteCount);
    all.insert(all.end(), kLangSummary, kLangSummary + kLangSummaryCount);
    all.insert(all.end(), kLangLayoutDetail, kLangLayoutDetail + kLangLayoutDetailCount);
    all.insert(all.end(), kLangFavouriteDialogs, kLangFavouriteDialogs + kLangFavouriteDialogCount);
    all.insert(all.end(), kLangJobFavourites, kLangJobFavourites + kLangJobFavouriteCount);
    all.insert(all.end(), kLangStampEditor, kLangStampEditor + kLangStampEditorCount);
    all.insert(all.end(), kLangJobSettings, kLangJobSettings + kLangJobSettingsCount);
    all.insert(all.end(), kLangDevicePages, kLangDevicePages + kLangDevicePageCount);
    all.insert(all.end(), kLangPaperSource, kLangPaperSource + kLangPaperSourceCount);
    all.insert(all.end(), kLangOptionList, kLangOptionList + kLangOptionListCount);
    all.insert(all.end(), kLangDeviceTables, kLangDeviceTables + kLangDeviceTableCount);
    all.insert(all.end(), kLangImagePage, kLangImagePage + kLangImagePageCount);
    all.insert(all.end(), kLangStampPage, kLangStampPage + kLangStampPageCount);
    all.insert(all.end(), kLangAccountPopup, kLangAccountPopup + kLangAccountPopupCount);
    all.insert(all.end(), orla_res::kPictogramResources,
               orla_res::kPictogramResources + orla_res::kPictogramResourceCount);
    return all;
}

// Built when the module is loaded, before anyone can look its table up.
const std::vector<ORLA_RESOURCE> kAllStrings = AllStrings();

}  // namespace

extern "C" {
__attribute__((visibility("default"))) extern const ORLA_RESOURCE_TABLE OrlaResourceTable;
const ORLA_RESOURCE_TABLE OrlaResourceTable = {static_cast<DWORD>(kAllStrings.size()), kAllStrings.data()};
}
