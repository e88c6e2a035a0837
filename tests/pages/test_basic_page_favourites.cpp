// The basic page's favourites combo: choosing a favourite merges it into the current record and
// a factory favourite brings its stamp, paper and layout positions by its number; the copy block
// follows; choosing the current favourite again changes nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/build_variant.h"
#include "core/stamp_record.h"
#include "resources/lang/favourites_ids.h"
#include "tests/pages/basic_page_sheet.h"
#include "ui/entry/favourite_table.h"
#include "ui/pages/basic_page_favourites.h"
#include "ui/tools/favourites_store.h"
#include "win/user_controls.h"

// Named, not anonymous: the unity batches put this file beside the other basic page tests.
namespace basic_page_favourites_test {

using namespace orla;
using pages_test::IndexWithData;
using pages_test::PageOf;
using uitest::Script;

// Fields the page writes by their settings-record offsets (Japanese build; the high ones move
// with the build).
constexpr DmField<DWORD> kPositions[] = {dm::PrintPosTop, dm::PrintPosLeft, dm::PrintPosTop2, dm::PrintPosLeft2};
constexpr DmField<DWORD> kStampOnFlag{HighOffset(6216)};
constexpr DmField<DWORD> kDuplexFlag{HighOffset(6236)};
constexpr DmField<DWORD> kStampNumber{1220};
constexpr DmField<DWORD> kStampDraw{1972};
constexpr DmText kStampListName{1226, 65};
constexpr DmText kStampText{1360, 129};
constexpr DmText kStampFace{1892, 32};
constexpr DmField<DWORD> kStampPosition{1876};
constexpr DmField<WORD> kStampSize{1880}, kStampScale{1882}, kStampAngle{1884}, kStampWeight{1886};
constexpr DmField<DWORD> kStampGrey{1960}, kStampFirstPage{1964}, kStampMode{1968};
constexpr DmField<DWORD> kFlags1{396}, kFlags1Copy{788};
constexpr DmField<WORD> kOutPaper{416}, kOutPaperLength{418}, kOutPaperWidth{420};
constexpr DmText kOutPaperName{422, 32};
constexpr DmField<WORD> kLayout{492}, kLayoutCopy{876};

std::u16string PageResourceText(HMODULE res, UINT id) {
    WCHAR text[256] = {};
    const int n = LoadStringW(res, id, text, 256);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

class BasicPageFavourites : public pages_test::BasicPageSheet {
protected:
    // All seven factory favourites stored, so that favourite 4 (the secret stamp) is there too.
    void StoreAllFactoryFavourites() {
        const std::vector<FavouriteRecord> all = BuildFactoryFavourites(0x7F, ui_->hResDll, ui_->defaultDevmode);
        ASSERT_EQ(all.size(), 7u);
        ASSERT_TRUE(WriteFavouriteTable(printer_, all));
    }
    DriverDevmode& R() { return ui_->currentDevmode; }
    void ExpectPositions(DWORD value) {
        for (auto f : kPositions) EXPECT_EQ(Get(R(), f), value) << f.offset;
    }
};

TEST_F(BasicPageFavourites, TwoUpResetsAMappedPaperAndWholePositions) {
    SetText(R(), dm::FormName, u"A3->A4");
    Set(R(), kFlags1, Get(R(), kFlags1) | 0x2u);
    Set(R(), kStampOnFlag, 1u);
    Set(R(), kDuplexFlag, 1u);
    for (auto f : kPositions) Set(R(), f, 70u);
    std::u16string comment;
    ASSERT_TRUE(ApplyChosenFavourite(ui_.get(), 1, &comment));
    EXPECT_EQ(comment, PageResourceText(ui_->hResDll, 726));
    EXPECT_EQ(Get(R(), dm::FavouriteNumber), 1);
    EXPECT_EQ(Get(R(), kLayout), 2) << "the favourite's fixed layout";
    EXPECT_EQ(GetText(R(), dm::FormName), u"A4");
    EXPECT_EQ(Get(R(), dm::PaperSize), 9);
    EXPECT_EQ(Get(R(), kOutPaper), 0);
    EXPECT_EQ(Get(R(), kFlags1) & 0x2u, 0u);
    ExpectPositions(100);
    EXPECT_EQ(Get(R(), kStampOnFlag), 0u);
    EXPECT_EQ(Get(R(), kDuplexFlag), 0u);
    // No stamp selected: the default text stamp.
    EXPECT_EQ(Get(R(), kStampNumber), 0u);
    EXPECT_EQ(Get(R(), kStampPosition), 4u);
    EXPECT_EQ(Get(R(), kStampSize), 720);
    EXPECT_EQ(Get(R(), kStampScale), 100);
    EXPECT_EQ(Get(R(), kStampAngle), 2);
    EXPECT_EQ(Get(R(), kStampWeight), 700);
    EXPECT_EQ(Get(R(), kStampGrey), 3044u);
    EXPECT_EQ(Get(R(), kStampMode), 3065u);
    EXPECT_EQ(GetText(R(), kStampText), u" ");
    EXPECT_EQ(GetText(R(), kStampFace), kJapaneseBuild ? u"ＭＳ ゴシック" : u"Arial");
    // The copy block follows the new values.
    EXPECT_EQ(Get(R(), kLayoutCopy), 2);
    EXPECT_EQ(Get(R(), kFlags1Copy), Get(R(), kFlags1));
    EXPECT_EQ(GetText(R(), DmText{710, 32}), u"A4");
    EXPECT_EQ(Get(R(), dm::PrevPaperSize), 9);
}

// The duplex favourites keep an output paper the printer can duplex and mark the duplex flag.
TEST_F(BasicPageFavourites, DuplexFavouritesResetOnlyOutputPaperTheyCannotDuplex) {
    struct Case {
        std::u16string outputPaper;
        bool reset;
    };
    const Case cases[] = {{u"A3->A4", true}, {u"A3->B4", false}, {u"B5x2->B5", false}, {u"Legal", true}};
    for (const Case& c : cases) {
        Set(R(), dm::FavouriteNumber, WORD{0});
        SetText(R(), dm::FormName, u"A3");
        Set(R(), kOutPaper, WORD{3});
        Set(R(), kOutPaperLength, WORD{2970});
        Set(R(), kOutPaperWidth, WORD{2100});
        SetText(R(), kOutPaperName, c.outputPaper);
        Set(R(), dm::PaperType, WORD{3});
        ASSERT_TRUE(ApplyChosenFavourite(ui_.get(), 2, nullptr));
        EXPECT_EQ(Get(R(), dm::Duplex), 2);
        EXPECT_EQ(Get(R(), kDuplexFlag), 1u);
        EXPECT_EQ(Get(R(), dm::PaperType), 0);
        ExpectPositions(50);
        EXPECT_EQ(GetText(R(), dm::FormName), c.reset ? u"A4" : u"A3") << c.outputPaper.size();
        EXPECT_EQ(Get(R(), kOutPaper), c.reset ? 0 : 3);
        EXPECT_EQ(Get(R(), dm::SavedOutPaperIndex), Get(R(), kOutPaper)) << "copy of the output paper";
    }
}

TEST_F(BasicPageFavourites, TheSecretFavouriteSetsItsStamp) {
    ASSERT_NO_FATAL_FAILURE(StoreAllFactoryFavourites());
    Set(R(), kStampFirstPage, 1u);
    ASSERT_TRUE(ApplyChosenFavourite(ui_.get(), 4, nullptr));
    EXPECT_EQ(Get(R(), kStampNumber), 1u);
    EXPECT_EQ(Get(R(), kStampOnFlag), 1u);
    EXPECT_EQ(Get(R(), kStampDraw), 1u);
    EXPECT_EQ(GetText(R(), kStampListName), kJapaneseBuild ? u"マル秘" : u"Confidential");
    EXPECT_EQ(GetText(R(), kStampText), kJapaneseBuild ? u"秘" : u"Confidential");
    EXPECT_EQ(GetText(R(), kStampFace), kJapaneseBuild ? u"ＭＳ Ｐ明朝" : u"Arial");
    EXPECT_EQ(Get(R(), kStampPosition), 4u);
    EXPECT_EQ(Get(R(), kStampSize), 2000);
    EXPECT_EQ(Get(R(), kStampWeight), 400);
    EXPECT_EQ(Get(R(), kStampGrey), 3044u);
    EXPECT_EQ(Get(R(), kStampFirstPage), 0u);
    EXPECT_EQ(Get(R(), kStampMode), 3066u);
    ExpectPositions(50);
}

// A user favourite brings only its fixed bits (its own positions, not halved), the page flags
// cleared.
TEST_F(BasicPageFavourites, AUserFavouriteBringsOnlyItsSettings) {
    Set(R(), dm::Zoom, WORD{130});
    for (auto f : kPositions) Set(R(), f, 70u);
    const FavouriteRecord mine = BuildUserFavourite(ui_.get(), u"mine", u"");
    ASSERT_EQ(StoreFavourite(nullptr, ui_.get(), FavouriteNumber(mine), mine), FavouriteStore::Appended);
    Set(R(), dm::Zoom, WORD{100});
    for (auto f : kPositions) Set(R(), f, 33u);
    Set(R(), kStampNumber, 3u);
    Set(R(), kDuplexFlag, 1u);
    std::u16string comment = u"left over";
    ASSERT_TRUE(ApplyChosenFavourite(ui_.get(), FavouriteNumber(mine), &comment));
    EXPECT_EQ(comment, u"");
    EXPECT_EQ(Get(R(), dm::Zoom), 130);
    ExpectPositions(70);
    EXPECT_EQ(Get(R(), kDuplexFlag), 0u);
    EXPECT_EQ(Get(R(), dm::FavouriteNumber), FavouriteNumber(mine));
}

TEST_F(BasicPageFavourites, ChoosingTheCurrentFavouriteAgainChangesNothing) {
    ASSERT_TRUE(ApplyChosenFavourite(ui_.get(), 1, nullptr));
    Set(R(), kLayout, WORD{4});
    const DriverDevmode before = R();
    EXPECT_FALSE(ApplyChosenFavourite(ui_.get(), 1, nullptr));
    EXPECT_FALSE(ApplyChosenFavourite(ui_.get(), 19, nullptr)) << "no favourite has number 19";
    EXPECT_EQ(std::memcmp(R().bytes, before.bytes, kDriverDevmodeSize), 0);
    // Favourite 0 is applied again all the same.
    Set(R(), dm::FavouriteNumber, WORD{0});
    EXPECT_TRUE(ApplyChosenFavourite(ui_.get(), 0, nullptr));
    EXPECT_EQ(Get(R(), kLayout), 1);
}

// Through the page: the combo lists the favourites by number and choosing one shows its comment.
TEST_F(BasicPageFavourites, ChoosingInTheComboAppliesTheFavouriteAndShowsItsComment) {
    std::u16string hint;
    BOOL iconShown = FALSE;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        const int twoUp = IndexWithData(page, kIdFavourites, 1);
        ASSERT_GE(twoUp, 0) << "the combo offers no favourite 1";
        EXPECT_TRUE(PlatChoose(GetDlgItem(page, kIdFavourites), twoUp));
    });
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        WCHAR text[256] = {};
        GetDlgItemTextW(page, basic_ids::kHint, text, 256);
        hint = text;
        iconShown = IsWindowVisible(GetDlgItem(page, basic_ids::kHintIcon));
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    EXPECT_EQ(Run(script), 1);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::FavouriteNumber), 1);
    EXPECT_EQ(Get(ui_->appliedDevmode, kLayout), 2);
    EXPECT_EQ(hint, PageResourceText(ui_->hResDll, 726));
    EXPECT_TRUE(iconShown);
}

INT_PTR CALLBACK QuietFavouriteDialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// The templates of the save, manage and details dialogs hold the controls their dialogs use.
TEST_F(BasicPageFavourites, TheFavouriteTemplatesHoldTheirControls) {
    namespace ids = orla_res::favourites;
    struct Case {
        unsigned templateId;
        std::vector<int> controls;
    };
    const Case cases[] = {
        {ids::kTemplateSave,
         {ids::kSaveName, ids::kSaveComment, ids::kSaveHelpTopic, ids::kOk, ids::kCancel, ids::kHelp}},
        {ids::kTemplateManage,
         {ids::kManageList, ids::kDelete, ids::kNameLabel, ids::kName, ids::kCommentLabel, ids::kComment,
          ids::kSummaryTree, ids::kOk, ids::kCancel, ids::kHelp}},
        {ids::kTemplateDetails, {ids::kDetailsIcon, ids::kSummaryTree, ids::kOk, ids::kCancel}},
    };
    for (const Case& c : cases) {
        HWND dialog =
            CreateDialogParamW(ui_->hResDll, MAKEINTRESOURCEW(c.templateId), nullptr, QuietFavouriteDialog, 0);
        ASSERT_NE(dialog, nullptr) << c.templateId;
        for (int id : c.controls) EXPECT_NE(GetDlgItem(dialog, id), nullptr) << c.templateId << " control " << id;
        if (c.templateId == ids::kTemplateSave) {
            // The name is typed or chosen: a combo with its own edit (CBS_DROPDOWN, 2).
            EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, ids::kSaveName), GWL_STYLE) & 0x3, 0x2);
        }
        DestroyWindow(dialog);
    }
}

}  // namespace basic_page_favourites_test
