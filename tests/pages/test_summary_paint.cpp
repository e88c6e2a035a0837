// The settings tree as it is painted: the summary dialog's picture against a reference PNG, the
// value of a changed row in red and of an unchanged one in blue, a disabled row greyed through a
// refresh, the selected row on the dark highlight, the framed small icons and the focus frame.
//
// The references are tests/pages/reference/summary_dialog_ja.png and summary_dialog_en.png.
// After a deliberate change of the look, regenerate them with
//   ORLA_UPDATE_REFERENCES=1 bin/pages_tests_ja --gtest_filter='SummaryPaint.*'
//   ORLA_UPDATE_REFERENCES=1 bin/pages_tests_en --gtest_filter='SummaryPaint.*'
// and look at them before they are committed.

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "plat/window_render.h"
#include "tests/pages/reference_picture.h"
#include "tests/pages/summary_fixture.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/page_switches.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"
#include "win/user_paint.h"

namespace {

using namespace orla;
using pages_test::SummarySandbox;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kDisabledChanged = RGB(128, 0, 0);    // 0x000080
constexpr COLORREF kUnchangedOnDark = RGB(0, 255, 255);  // 0xFFFF00
constexpr DWORD kRowCopies = 428, kRowPaperSize = 419, kRowOrientation = 425;

// The dialog's picture, as a person would see it.
struct Picture {
    LONG width = 0, height = 0;
    std::vector<BYTE> rgb;
    COLORREF At(LONG x, LONG y) const {
        const BYTE* p = &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
        return RGB(p[0], p[1], p[2]);
    }
    // Pixels of exactly that colour inside the rectangle.
    int Count(const RECT& r, COLORREF colour) const {
        int n = 0;
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) n += At(x, y) == colour ? 1 : 0;
        return n;
    }
    std::vector<COLORREF> Pixels(const RECT& r) const {
        std::vector<COLORREF> out;
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) out.push_back(At(x, y));
        return out;
    }
};

Picture Render(HWND window) {
    Picture p;
    const DWORD size = PlatRenderWindow(window, nullptr, 0, &p.width, &p.height);
    p.rgb.resize(size);
    EXPECT_GT(size, 0u);
    EXPECT_EQ(PlatRenderWindow(window, p.rgb.data(), size, &p.width, &p.height), size);
    return p;
}

void ExpectLikeReference(const Picture& p, const std::string& name) {
    pages_test::ExpectLikeReferencePicture(p.rgb, p.width, p.height, name);
}

class SummaryPaint : public SummarySandbox {
protected:
    // The full summary with the copies changed since the sheet applied and the orientation not.
    HWND OpenChanged() {
        ui_->flags = kUiDocumentSheets | kUiCanChange;
        page_.flags = kPageBusyManager;
        Set(applied(), dm::Copies, SHORT{1});
        Set(r(), dm::Copies, SHORT{2});
        HWND dialog = OpenSummary();
        EXPECT_NE(page_.hTree, nullptr);
        return dialog;
    }
    // A row's text rectangle in the dialog's picture.
    RECT RowInPicture(HWND dialog, DWORD rowId) const {
        HTREEITEM item = Row(rowId);
        EXPECT_NE(item, nullptr) << rowId;
        RECT r{};
        std::memcpy(&r, &item, sizeof item);
        EXPECT_TRUE(SendMessageW(page_.hTree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r))) << rowId;
        POINT client{0, 0};
        ClientToScreen(page_.hTree, &client);
        RECT frame{};
        GetWindowRect(dialog, &frame);
        const LONG dx = client.x - frame.left, dy = client.y - frame.top;
        return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
    }
};

TEST_F(SummaryPaint, TheDialogLooksAsItsReference) {
    HWND dialog = OpenChanged();
    ASSERT_NE(dialog, nullptr);
    SetTreeItemEnabled(&page_, kRowPaperSize, FALSE);
    SendMessageW(page_.hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Row(kRowOrientation)));
    SetFocus(page_.hTree);
    ASSERT_EQ(GetFocus(), page_.hTree);
    const Picture p = Render(dialog);
    ExpectLikeReference(p, kJapaneseBuild ? "summary_dialog_ja" : "summary_dialog_en");
    // The selected row lies on the dark highlight with its unchanged value in cyan.
    const RECT selected = RowInPicture(dialog, kRowOrientation);
    EXPECT_GT(p.Count(selected, GetSysColor(COLOR_HIGHLIGHT)), 0);
    EXPECT_GT(p.Count(selected, kUnchangedOnDark), 0);
    EXPECT_EQ(p.Count(selected, kBlue), 0);
}

TEST_F(SummaryPaint, ChangedValueIsRedAndUnchangedBlueUntilApplied) {
    HWND dialog = OpenChanged();
    ASSERT_NE(dialog, nullptr);
    Picture p = Render(dialog);
    const RECT copies = RowInPicture(dialog, kRowCopies), orientation = RowInPicture(dialog, kRowOrientation);
    EXPECT_GT(p.Count(copies, kRed), 0);
    EXPECT_EQ(p.Count(copies, kBlue), 0);
    EXPECT_GT(p.Count(copies, kBlack), 0) << "the name stays in the text colour";
    EXPECT_GT(p.Count(orientation, kBlue), 0);
    EXPECT_EQ(p.Count(orientation, kRed), 0);
    // Once the sheet applies, the copies read as unchanged.
    applied() = r();
    RefreshTreeItem(&page_, kRowCopies);
    p = Render(dialog);
    EXPECT_GT(p.Count(copies, kBlue), 0);
    EXPECT_EQ(p.Count(copies, kRed), 0);
}

TEST_F(SummaryPaint, ARowDisabledByTheConstraintPassKeepsItsLookThroughARefresh) {
    HWND dialog = OpenChanged();
    ASSERT_NE(dialog, nullptr);
    ui_->flags &= ~kUiCanChange;  // settings may not be changed: the pass locks the copies
    RefreshConstraintsAndTree(&page_, dialog, 0, FALSE);
    ASSERT_TRUE(ItemData(Row(kRowCopies)) & kTreeDataDisabled);
    const RECT copies = RowInPicture(dialog, kRowCopies);
    const Picture before = Render(dialog);
    EXPECT_GT(before.Count(copies, kDisabledChanged), 0);
    EXPECT_GT(before.Count(copies, GetSysColor(COLOR_BTNSHADOW)), 0);
    EXPECT_EQ(before.Count(copies, kRed), 0);
    EXPECT_EQ(before.Count(copies, kBlack), 0);
    RefreshTreeItem(&page_, kRowCopies);
    RefreshTreeItems(&page_);
    const Picture after = Render(dialog);
    EXPECT_EQ(after.Pixels(copies), before.Pixels(copies));
}

TEST_F(SummaryPaint, OnlyRowsMeetingTheUpdateRectangleAreDrawn) {
    ASSERT_NE(OpenChanged(), nullptr);
    HTREEITEM item = Row(kRowCopies);
    RECT row{};
    std::memcpy(&row, &item, sizeof item);
    ASSERT_TRUE(SendMessageW(page_.hTree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&row)));
    HDC dc = GetDC(page_.hTree);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(PaintTreeRowTexts(dc, page_.hTree, &page_, row), 1);
    const RECT none{0, -20, 10, -10};
    EXPECT_EQ(PaintTreeRowTexts(dc, page_.hTree, &page_, none), 0);
    RECT client{};
    GetClientRect(page_.hTree, &client);
    const int visible = static_cast<int>(SendMessageW(page_.hTree, TVM_GETVISIBLECOUNT, 0, 0));
    const int all = PaintTreeRowTexts(dc, page_.hTree, &page_, client);
    EXPECT_GE(all, visible);
    EXPECT_LE(all, visible + 1);  // a row cut by the bottom edge counts
    EXPECT_EQ(GetTextAlign(dc), static_cast<UINT>(TA_NOUPDATECP)) << "the DC's state is given back";
    EXPECT_EQ(ReleaseDC(page_.hTree, dc), 1);
}

// ---- Framed icons and the focus frame ----------------------------------------------------------

struct IconFree {
    void operator()(HICON__* icon) const { DestroyIcon(icon); }
};
using IconPtr = std::unique_ptr<HICON__, IconFree>;

// One bitmap's pixels read through a DC of its own.
std::vector<COLORREF> BitmapPixels(HBITMAP bitmap, int w, int h) {
    std::vector<COLORREF> out;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    return out;
}

TEST_F(SummaryPaint, ListIconsAreFramedByATransparentRowAboveAndBelow) {
    const DWORD icons = PlatLiveIconCount(), objects = PlatLiveUiGdiObjectCount();
    IconPtr source(static_cast<HICON>(
        LoadImageW(interfaceDll_.get(), MAKEINTRESOURCEW(738), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    ASSERT_TRUE(source);
    ICONINFO from{};
    ASSERT_TRUE(GetIconInfo(source.get(), &from));
    BITMAP size{};
    ASSERT_TRUE(GetObjectW(from.hbmColor, sizeof size, &size));
    ASSERT_EQ(size.bmWidth, 16);
    ASSERT_EQ(size.bmHeight, 16);
    const std::vector<COLORREF> colour = BitmapPixels(from.hbmColor, 16, 16), mask = BitmapPixels(from.hbmMask, 16, 16);
    IconPtr framed(MakeListIcon(source.get()));
    ASSERT_TRUE(framed);
    ICONINFO made{};
    ASSERT_TRUE(GetIconInfo(framed.get(), &made));
    ASSERT_TRUE(GetObjectW(made.hbmColor, sizeof size, &size));
    EXPECT_EQ(size.bmWidth, 16);
    EXPECT_EQ(size.bmHeight, 18);
    EXPECT_EQ(made.xHotspot, from.xHotspot + 1);
    EXPECT_EQ(made.yHotspot, from.yHotspot + 1);
    const std::vector<COLORREF> madeColour = BitmapPixels(made.hbmColor, 16, 18),
                                madeMask = BitmapPixels(made.hbmMask, 16, 18);
    for (int x = 0; x < 16; ++x) {
        for (int y : {0, 17}) {
            EXPECT_EQ(madeMask[y * 16 + x], RGB(255, 255, 255)) << x << "," << y;
            EXPECT_EQ(madeColour[y * 16 + x], kBlack) << x << "," << y;
        }
        for (int y = 0; y < 16; ++y) {
            EXPECT_EQ(madeMask[(y + 1) * 16 + x], mask[y * 16 + x]) << x << "," << y;
            EXPECT_EQ(madeColour[(y + 1) * 16 + x], colour[y * 16 + x]) << x << "," << y;
        }
    }
    for (HBITMAP b : {from.hbmMask, from.hbmColor, made.hbmMask, made.hbmColor}) EXPECT_TRUE(DeleteObject(b));
    EXPECT_EQ(MakeListIcon(nullptr), nullptr);
    source.reset();
    framed.reset();
    EXPECT_EQ(PlatLiveIconCount(), icons);
    EXPECT_EQ(PlatLiveUiGdiObjectCount(), objects);
}

TEST_F(SummaryPaint, AFocusedEntryGetsTheDottedFrameAndLosesItAgain) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 40, 18);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all{0, 0, 40, 18};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    pages_test::WindowPtr list(
        CreateWindowExW(0, u"ListBox", u"", WS_POPUP, 0, 0, 40, 18, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(list);
    SendMessageW(list.get(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"A"));
    const DRAWITEMSTRUCT focus{ODT_LISTBOX, 1, 0, ODA_FOCUS, ODS_FOCUS, list.get(), dc, all, 738};
    EXPECT_EQ(DrawIconListItem(&page_, &focus), 1);
    EXPECT_EQ(GetPixel(dc, 0, 0), kBlack);
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 20, 9), RGB(255, 255, 255)) << "only the frame";
    EXPECT_EQ(DrawIconListItem(&page_, &focus), 1);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(ImageList_GetImageCount(page_.smallImages), 0) << "the frame needs no icon";
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

}  // namespace
