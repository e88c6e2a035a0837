// The interface DLL's own resources: the default TrueType substitution table (RCDATA 1000) and
// the default output paper table (RCDATA 1001), UTF-16 pairs ended by an empty string, padded to
// a DWORD boundary as the resource compiler leaves them; the preview pictures' bitmaps; the
// icons of the pages, drawn from the pictogram table at build time; and the version resource
// (the about box shows its FileVersion), numbered from the project's version by the build.
#include <iterator>
#include <vector>

#include "core/build_variant.h"
#include "core/module_version.h"
#include "plat/resource_table.h"
#include "resources/icons/pictograms.h"
#include "ui/pages/image_adjust_page.h"
#include "ui/pages/preview_artwork.h"

namespace {

#if ORLA_JAPANESE
constexpr char16_t kDefaultTTSubstTable[] =
    u"ＭＳ 明朝\0明朝\0"
    u"ＭＳ ゴシック\0ｺﾞｼｯｸ\0"
    u"@ＭＳ 明朝\0@明朝\0"
    u"@ＭＳ ゴシック\0@ｺﾞｼｯｸ\0"
    u"\0";
static_assert(sizeof(kDefaultTTSubstTable) == 100 + 4);
#else
// No substitutions in the English build: an empty table.
constexpr char16_t kDefaultTTSubstTable[] = u"\0";
static_assert(sizeof(kDefaultTTSubstTable) == 4);
#endif

constexpr char16_t kDefaultOutPaperTable[] =
    u"A3->B4\0B4 (JIS)\0"
    u"A3->A4\0A4\0"
    u"B4->A4\0A4\0"
    u"B4->B5\0B5 (JIS)\0"
    u"A4->B5\0B5 (JIS)\0"
    u"A4->A3\0A3\0"
    u"A4->B4\0B4 (JIS)\0"
    u"B4->A3\0A3\0"
    u"B5->A4\0A4\0"
    u"B5->B4\0B4 (JIS)\0"
    u"A4x2->A4\0A4\0"
    u"B5x2->B5\0B5 (JIS)\0"
    u"LP->B4\0B4 (JIS)\0"
    u"LP->A4\0A4\0"
    u"\0";
static_assert(sizeof(kDefaultOutPaperTable) == 372 + 4);

// The VS_VERSION_INFO block, laid out once per process.
const std::vector<BYTE>& VersionBlock() {
    static const std::vector<BYTE> block = orla::BuildModuleVersionBlock(
        ORLA_THIS_MODULE_VERSION(u"ORLA printer driver user interface", orla::VersionLanguage(orla::kJapaneseBuild)));
    return block;
}

constexpr ORLA_RESOURCE kResources[] = {
    {10, nullptr, 1000, nullptr, kDefaultTTSubstTable, sizeof(kDefaultTTSubstTable)},
    {10, nullptr, 1001, nullptr, kDefaultOutPaperTable, sizeof(kDefaultOutPaperTable)},
};

// The tables above, the preview pictures (drawn by code once per process), the version, then the
// icons.
const std::vector<ORLA_RESOURCE>& AllResources() {
    static const std::vector<ORLA_RESOURCE> all = [] {
        std::vector<ORLA_RESOURCE> v(std::begin(kResources), std::end(kResources));
        for (const ORLA_RESOURCE& r : orla::PreviewBitmapResources()) v.push_back(r);
        for (const ORLA_RESOURCE& r : orla::ImageAdjustBitmapResources()) v.push_back(r);
        orla::AppendVersionResource(v, VersionBlock());
        v.insert(v.end(), orla_res::kPictogramResources,
                 orla_res::kPictogramResources + orla_res::kPictogramResourceCount);
        return v;
    }();
    return all;
}

}  // namespace

extern "C" {
__attribute__((visibility("default"))) extern const ORLA_RESOURCE_TABLE OrlaResourceTable;
const ORLA_RESOURCE_TABLE OrlaResourceTable = {static_cast<DWORD>(AllResources().size()), AllResources().data()};
}
