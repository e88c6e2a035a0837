// The print-time dialog's owner-drawn lists, pixel for pixel against reference pictures: the
// category buttons (one selected, one hot, names of one and two lines) and the preview with its
// summary lines. ORLA_UPDATE_REFERENCES=1 writes the references instead.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/pages/job_settings_fixture.h"
#include "tests/pages/reference_picture.h"

namespace {

using namespace orla;
using uitest::Script;
namespace js = orla_res::job_settings;

struct DcFree {
    void operator()(HDC__* dc) const { DeleteDC(dc); }
};
struct ObjectFree {
    void operator()(void* o) const { DeleteObject(static_cast<HGDIOBJ>(o)); }
};

// A memory picture of w x h pixels, filled pink so that anything the drawing misses shows.
class Canvas {
public:
    Canvas(LONG w, LONG h)
        : w_(w), h_(h), dc_(CreateCompatibleDC(nullptr)), bitmap_(CreateCompatibleBitmap(nullptr, w, h)) {
        old_ = SelectObject(dc_.get(), bitmap_.get());
        std::unique_ptr<void, ObjectFree> brush(CreateSolidBrush(0xFFCCFF));
        RECT all{0, 0, w, h};
        FillRect(dc_.get(), &all, static_cast<HBRUSH>(brush.get()));
    }
    ~Canvas() { SelectObject(dc_.get(), old_); }
    HDC dc() const { return dc_.get(); }
    std::vector<BYTE> Rgb() const {
        std::vector<BYTE> out;
        for (LONG y = 0; y < h_; ++y)
            for (LONG x = 0; x < w_; ++x) {
                const COLORREF c = GetPixel(dc_.get(), x, y);
                out.insert(out.end(), {BYTE(c & 0xFF), BYTE((c >> 8) & 0xFF), BYTE((c >> 16) & 0xFF)});
            }
        return out;
    }
    const LONG w_, h_;

private:
    std::unique_ptr<HDC__, DcFree> dc_;
    std::unique_ptr<void, ObjectFree> bitmap_;
    HGDIOBJ old_;
};

// The dialog draws each item of an owner-drawn list into the canvas, as the list asks it to.
void DrawListItems(HWND dialog, int id, const Canvas& canvas) {
    HWND list = GetDlgItem(dialog, id);
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_LISTBOX;
        item.CtlID = static_cast<UINT>(id);
        item.itemID = static_cast<UINT>(i);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = i == selected ? ODS_SELECTED : 0;
        item.hwndItem = list;
        item.hDC = canvas.dc();
        ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item.rcItem)),
                  LB_ERR);
        item.itemData = static_cast<ULONG_PTR>(SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
        SendMessageW(dialog, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&item));
    }
}

void ExpectListLikeReference(HWND dialog, int id, const std::string& name) {
    RECT client{};
    ASSERT_TRUE(GetClientRect(GetDlgItem(dialog, id), &client));
    const Canvas canvas(client.right, client.bottom);
    DrawListItems(dialog, id, canvas);
    pages_test::ExpectLikeReferencePicture(canvas.Rgb(), canvas.w_, canvas.h_, name + (kJapaneseBuild ? "_ja" : "_en"));
}

using JobSettingsPictures = pages_test::JobSettingsDialog;

// Two-sided printing selected (sunken, two lines), stamp hot (raised, one line), the rest flat.
TEST_F(JobSettingsPictures, CategoryButtonsSelectedHotAndTwoLines) {
    Set(Record(), dm::DialogCategory, WORD{1});
    Script script;
    script.steps.push_back([&](HWND d) {
        HWND list = GetDlgItem(d, js::kCategories);
        RECT rc{};
        ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&rc)), LB_ERR);
        ASSERT_TRUE(PlatMouseMove(list, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
        ASSERT_EQ(page_.hotItem, 2);
        ExpectListLikeReference(d, js::kCategories, "job_categories_selected_hot");
        EXPECT_TRUE(PlatPressButton(d, js::kOk));
    });
    Run(script);
}

// Four pages a sheet, long-edge two-sided, collated, stamp on: the pictures and the summary.
TEST_F(JobSettingsPictures, PreviewOfFourPagesTwoSidedWithStamp) {
    DriverDevmode& r = Record();
    Set(r, dm::LayoutMode, WORD{4});
    Set(r, dm::SavedLayoutMode, WORD{4});
    Set(r, dm::Duplex, SHORT{2});
    Set(r, dm::PrevDuplex, WORD{2});
    Set(r, dm::StampDrawFlag, DWORD{1});
    for (auto f : {dm::Flags1, dm::SavedFlags1}) Set(r, f, Get(r, f) | kFlags1Collate);
    Set(r, dm::DialogCategory, WORD{0});
    Script script;
    script.steps.push_back([&](HWND d) {
        ExpectListLikeReference(d, js::kPreview, "job_preview_4up_two_sided_stamp");
        EXPECT_TRUE(PlatPressButton(d, js::kOk));
    });
    Run(script);
}

}  // namespace
