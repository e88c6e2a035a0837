// Preview pictures: which bitmap goes where for a table of layouts, orientations and bindings,
// and the composed pictures compared pixel for pixel with reference PNGs checked by eye.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "plat/window_render.h"
#include "tests/pages/reference_picture.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/preview_artwork.h"
#include "ui/pages/preview_pictures.h"

namespace {

using namespace orla;
using P = BitmapPlacement;

std::unique_ptr<DriverDevmode> Blank() {
    return std::make_unique<DriverDevmode>();
}

struct SheetCase {
    const char* name;  // also the reference picture's name
    SHORT orientation;
    WORD kind;
    WORD order;
    DWORD sheetSetting;
    SHORT duplex;
    const char16_t* form;
    LONG version;
    std::vector<P> expected;
};

// One page a sheet reads as every n-up formula does: the sheet setting takes the higher pair
// (1004/1005, else 1002/1003), portrait pages the lower id of the pair.
const SheetCase kSheetCases[] = {
    {"landscape_1up_short_edge",
     2,
     1,
     0,
     0,
     3,
     u"A4",
     3,
     {{1001, 87, 27, SRCCOPY}, {1003, 96, 36, SRCCOPY}, {1101, 160, 19, SRCCOPY}}},
    {"portrait_1up", 1, 1, 0, 0, 1, u"A4", 3, {{1000, 95, 15, SRCCOPY}, {1002, 104, 24, SRCCOPY}}},
    {"portrait_1up_sheet_long_edge",
     1,
     1,
     0,
     1,
     2,
     u"A4",
     3,
     {{1000, 95, 15, SRCCOPY}, {1004, 104, 24, SRCCOPY}, {1202, 140, 7, SRCCOPY}}},
    {"landscape_1up_long_edge",
     2,
     1,
     0,
     1,
     2,
     u"A4",
     3,
     {{1001, 87, 27, SRCCOPY}, {1005, 96, 36, SRCCOPY}, {1203, 79, 72, SRCCOPY}}},
    {"portrait_2up_short_edge",
     1,
     2,
     0,
     0,
     3,
     u"A4",
     3,
     {{1001, 87, 27, SRCCOPY}, {1006, 96, 36, SRCCOPY}, {1104, 160, 19, SRCCOPY}}},
    {"landscape_2up", 2, 2, 1, 1, 1, u"A4", 3, {{1000, 95, 15, SRCCOPY}, {1013, 104, 24, SRCCOPY}}},
    {"portrait_4up_long_edge",
     1,
     4,
     1,
     1,
     2,
     u"A4",
     3,
     {{1000, 95, 15, SRCCOPY}, {1023, 104, 24, SRCCOPY}, {1210, 140, 7, SRCCOPY}}},
    {"landscape_6up_short_edge",
     2,
     6,
     2,
     0,
     3,
     u"A4",
     3,
     {{1000, 95, 15, SRCCOPY}, {1036, 104, 24, SRCCOPY}, {1113, 87, 88, SRCCOPY}}},
    {"portrait_9up", 1, 9, 0, 0, 1, u"A4", 3, {{1000, 95, 15, SRCCOPY}, {1062, 104, 24, SRCCOPY}}},
    {"landscape_16up_long_edge",
     2,
     16,
     3,
     1,
     2,
     u"A4",
     3,
     {{1001, 87, 27, SRCCOPY}, {1093, 96, 36, SRCCOPY}, {1227, 79, 72, SRCCOPY}}},
    {"double_postcard_turns",
     1,
     1,
     0,
     0,
     1,
     kFormDoublePostcard,
     3,
     {{1001, 87, 27, SRCCOPY}, {1003, 96, 36, SRCCOPY}}},
    {"rotated_turns_from_version_4",
     1,
     1,
     0,
     0,
     1,
     kFormA4Rotated,
     4,
     {{1001, 87, 27, SRCCOPY}, {1003, 96, 36, SRCCOPY}}},
    {"rotated_before_version_4", 1, 1, 0, 0, 1, kFormA4Rotated, 3, {{1000, 95, 15, SRCCOPY}, {1002, 104, 24, SRCCOPY}}},
    {"unlisted_kind_bare_sheet", 1, 3, 0, 0, 2, u"A4", 3, {{1001, 87, 27, SRCCOPY}}},
};

std::unique_ptr<DriverDevmode> SheetRecord(const SheetCase& c) {
    auto r = Blank();
    Set(*r, dm::Orientation, c.orientation);
    Set(*r, dm::LayoutMode, c.kind);
    Set(*r, dm::LayoutOrder, c.order);
    Set(*r, dm::SheetSetting, c.sheetSetting);
    Set(*r, dm::Duplex, c.duplex);
    SetText(*r, dm::FormName, c.form);
    return r;
}

TEST(PreviewPictures, SheetContentAndBindingMarkByLayout) {
    for (const SheetCase& c : kSheetCases)
        EXPECT_EQ(PaperPicturePlacements(*SheetRecord(c), c.version), c.expected) << c.name;
}

TEST(PreviewPictures, BaseAndMarkersByCondition) {
    struct Case {
        DWORD flags1, separate, slipOn, working6168, slipKind, stamp, annotation;
        WORD overlay;
        bool working;
        std::vector<P> expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0, 0, 0, false, {{861, 2, 1, SRCCOPY}}},
        {0x4, 0, 0, 0, 0, 0, 0, 0, false, {{860, 2, 1, SRCCOPY}}},
        {0, 1, 0, 0, 1, 0, 0, 0, false, {{861, 2, 1, SRCCOPY}, {864, 2, 33, SRCCOPY}}},
        {0, 0, 1, 0, 0, 0, 0, 0, false, {{861, 2, 1, SRCCOPY}, {863, 2, 33, SRCCOPY}}},
        {0, 0, 1, 0, 0, 0, 0, 0, true, {{861, 2, 1, SRCCOPY}}},
        {0, 0, 0, 1, 0, 0, 0, 0, true, {{861, 2, 1, SRCCOPY}, {863, 2, 33, SRCCOPY}}},
        {0, 0, 0, 0, 0, 1, 0, 0, false, {{861, 2, 1, SRCCOPY}, {865, 2, 65, SRCCOPY}}},
        {0, 0, 0, 0, 0, 0, 1, 0, false, {{861, 2, 1, SRCCOPY}, {866, 2, 65, SRCCOPY}}},
        {0, 0, 0, 0, 0, 0, 0, 1, false, {{861, 2, 1, SRCCOPY}, {868, 2, 65, SRCCOPY}}},
        {0, 0, 0, 0, 0, 1, 1, 0, false, {{861, 2, 1, SRCCOPY}, {867, 2, 65, SRCCOPY}}},
        {0, 0, 0, 0, 0, 1, 0, 1, false, {{861, 2, 1, SRCCOPY}, {870, 2, 65, SRCCOPY}}},
        {0, 0, 0, 0, 0, 0, 1, 1, false, {{861, 2, 1, SRCCOPY}, {869, 2, 65, SRCCOPY}}},
        {0x4, 1, 0, 0, 0, 1, 1, 1, false, {{860, 2, 1, SRCCOPY}, {863, 2, 33, SRCCOPY}, {871, 2, 65, SRCCOPY}}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        auto r = Blank();
        Set(*r, dm::Flags1, c.flags1);
        Set(*r, dm::SeparateTraysOn, c.separate);
        Set(*r, dm::SlipSheetsOn, c.slipOn);
        Set(*r, dm::SlipSheetsChecked, c.working6168);
        Set(*r, dm::SlipSheetKind, c.slipKind);
        Set(*r, dm::StampDrawFlag, c.stamp);
        Set(*r, dm::AnnotationOn, c.annotation);
        Set(*r, dm::FlagsWord, c.overlay);
        EXPECT_EQ(PreviewBasePlacements(*r, c.working), c.expected) << "case " << i;
    }
}

TEST(PreviewPictures, PrinterAndStackedTrays) {
    auto r = Blank();
    // Trays of kinds 1, 3 and 6 stack 12, then 16 pixels apart below the printer.
    const std::pair<unsigned, WORD> trays[] = {{dm::kFeeder2, 1}, {dm::kFeeder3, 3}, {dm::kFeeder4, 6}};
    for (auto [pair, kind] : trays) {
        Set(*r, dm::DeviceState(pair), WORD{8});
        Set(*r, dm::DeviceChoice(pair), kind);
    }
    const std::vector<P> expected = {{850, 20, 15, SRCAND},   {840, 20, 15, SRCPAINT}, {852, 20, 77, SRCAND},
                                     {842, 20, 77, SRCPAINT}, {853, 20, 89, SRCAND},   {843, 20, 89, SRCPAINT},
                                     {852, 20, 105, SRCAND},  {842, 20, 105, SRCPAINT}};
    EXPECT_EQ(PrinterPicturePlacements(*r, false, SIZE{120, 140}, SIZE{80, 62}), expected);
    // The model's own picture is taller; no trays installed: the printer alone.
    auto bare = Blank();
    const std::vector<P> own = {{873, 20, 15, SRCAND}, {872, 20, 15, SRCPAINT}};
    EXPECT_EQ(PrinterPicturePlacements(*bare, true, SIZE{120, 140}, SIZE{80, 62}), own);
    Set(*bare, dm::DeviceState(dm::kFeeder2), WORD{8});
    EXPECT_EQ(PrinterPicturePlacements(*bare, true, SIZE{120, 140}, SIZE{80, 62})[2], (P{853, 20, 82, SRCAND}));
}

TEST(PreviewPictures, ZoomCaption) {
    struct Case {
        const char16_t* form;
        const char16_t* out;
        WORD kind;
        WORD zoom;
        std::u16string expected;
    };
    const std::u16string automatic = kJapaneseBuild ? u" (自動)" : u" (Auto)";
    const Case cases[] = {
        {u"A4", u"", 1, 100, u"A4 (100%)"},
        {u"A3", u"A4", 1, 71, u"A3->A4 (71%)"},
        {u"A3", u"A3", 1, 100, u"A3 (100%)"},
        {u"A3->A4", u"A4", 1, 100, u"A3->A4 (100%)"},
        {u"B5 (JIS)", u"", 2, 100, u"B5 (JIS)" + automatic},
    };
    for (const Case& c : cases) {
        auto r = Blank();
        SetText(*r, dm::FormName, c.form);
        SetText(*r, dm::OutPaperName, c.out);
        Set(*r, dm::LayoutMode, c.kind);
        Set(*r, dm::Zoom, c.zoom);
        EXPECT_EQ(ZoomCaptionText(*r), c.expected);
    }
}

// ---- Pictures drawn on a memory DC and compared with the references --------------------------

struct DcFree {
    void operator()(HDC__* dc) const { DeleteDC(dc); }
};
struct ObjectFree {
    void operator()(void* o) const { DeleteObject(static_cast<HGDIOBJ>(o)); }
};
struct ModuleFree {
    void operator()(HINSTANCE__* m) const { FreeLibrary(m); }
};

// A canvas of the preview's size filled with the preview's background.
class Canvas {
public:
    Canvas(int w, int h)
        : w_(w), h_(h), dc_(CreateCompatibleDC(nullptr)), bitmap_(CreateCompatibleBitmap(nullptr, w, h)) {
        old_ = SelectObject(dc_.get(), bitmap_.get());
        std::unique_ptr<void, ObjectFree> brush(CreateSolidBrush(0xFFCCCC));
        RECT all{0, 0, w, h};
        FillRect(dc_.get(), &all, static_cast<HBRUSH>(brush.get()));
    }
    ~Canvas() { SelectObject(dc_.get(), old_); }
    HDC dc() const { return dc_.get(); }
    std::vector<BYTE> Rgb() const {
        std::vector<BYTE> out;
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) {
                const COLORREF c = GetPixel(dc_.get(), x, y);
                out.insert(out.end(), {BYTE(c & 0xFF), BYTE((c >> 8) & 0xFF), BYTE((c >> 16) & 0xFF)});
            }
        return out;
    }
    int w_, h_;

private:
    std::unique_ptr<HDC__, DcFree> dc_;
    std::unique_ptr<void, ObjectFree> bitmap_;
    HGDIOBJ old_;
};

// Compares with tests/pages/reference/<name>.png (reference_picture.h says how to renew them).
void ExpectLikeReference(const Canvas& canvas, const std::string& name) {
    pages_test::ExpectLikeReferencePicture(canvas.Rgb(), canvas.w_, canvas.h_, name);
}

class PreviewDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        module_.reset(LoadLibraryW(u"PagesTestDialogs.dll"));
        ASSERT_TRUE(module_);
    }
    std::unique_ptr<HINSTANCE__, ModuleFree> module_;
};

TEST_F(PreviewDrawing, SheetsAsTheReferencesShowThem) {
    for (const SheetCase& c : kSheetCases) {
        Canvas canvas(200, 120);
        auto r = SheetRecord(c);
        EXPECT_TRUE(DrawPlacements(module_.get(), canvas.dc(), PreviewBasePlacements(*r, false))) << c.name;
        EXPECT_TRUE(DrawPlacements(module_.get(), canvas.dc(), PaperPicturePlacements(*r, c.version))) << c.name;
        ExpectLikeReference(canvas, std::string("sheet_") + c.name);
    }
}

TEST_F(PreviewDrawing, BaseWithEveryMarkerAndPrinterWithTrays) {
    auto r = Blank();
    Set(*r, dm::Flags1, DWORD{0x4});
    Set(*r, dm::SeparateTraysOn, DWORD{1});
    Set(*r, dm::SlipSheetKind, DWORD{1});
    Set(*r, dm::StampDrawFlag, DWORD{1});
    Set(*r, dm::AnnotationOn, DWORD{1});
    Set(*r, dm::FlagsWord, WORD{1});
    Canvas base(200, 120);
    EXPECT_TRUE(DrawPlacements(module_.get(), base.dc(), PreviewBasePlacements(*r, false)));
    ExpectLikeReference(base, "base_all_markers");

    const std::pair<unsigned, WORD> trays[] = {{dm::kFeeder2, 1}, {dm::kFeeder3, 3}, {dm::kFeeder4, 6}};
    for (auto [pair, kind] : trays) {
        Set(*r, dm::DeviceState(pair), WORD{8});
        Set(*r, dm::DeviceChoice(pair), kind);
    }
    Canvas printer(120, 140);
    EXPECT_TRUE(
        DrawPlacements(module_.get(), printer.dc(), PrinterPicturePlacements(*r, false, SIZE{120, 140}, SIZE{80, 62})));
    ExpectLikeReference(printer, "printer_three_trays");
}

// ---- Pages and binding marks found on the composed picture -----------------------------------

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;  // right and bottom exclusive
    void Add(int x, int y) {
        left = std::min(left, x), top = std::min(top, y);
        right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
    }
    bool empty() const { return right < 0; }
    int w() const { return right - left; }
    int h() const { return bottom - top; }
};

// The picture's pixels as COLORREF values, row by row.
class Picture {
public:
    Picture(const Canvas& canvas, HDC dc) : w_(canvas.w_), h_(canvas.h_), px_(size_t(w_) * h_) {
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) px_[size_t(y) * w_ + x] = GetPixel(dc, x, y);
    }
    COLORREF at(int x, int y) const { return px_[size_t(y) * w_ + x]; }
    Box BoxOf(COLORREF colour) const {
        Box b;
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x)
                if (at(x, y) == colour) b.Add(x, y);
        return b;
    }
    // The pages: each page's frame is one connected run of the frame colour.
    std::vector<Box> Pages() const {
        std::vector<Box> pages;
        std::vector<bool> seen(px_.size(), false);
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) {
                if (seen[size_t(y) * w_ + x] || at(x, y) != kPreviewPageFrame) continue;
                Box b;
                std::vector<POINT> todo = {{x, y}};
                seen[size_t(y) * w_ + x] = true;
                while (!todo.empty()) {
                    const POINT p = todo.back();
                    todo.pop_back();
                    b.Add(p.x, p.y);
                    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                        const int nx = p.x + dx, ny = p.y + dy;
                        if (nx < 0 || ny < 0 || nx >= w_ || ny >= h_) continue;
                        if (seen[size_t(ny) * w_ + nx] || at(nx, ny) != kPreviewPageFrame) continue;
                        seen[size_t(ny) * w_ + nx] = true;
                        todo.push_back({nx, ny});
                    }
                }
                pages.push_back(b);
            }
        return pages;
    }

private:
    int w_, h_;
    std::vector<COLORREF> px_;
};

// Column and row of a page among the distinct page edges.
std::pair<int, int> CellOf(const std::vector<Box>& pages, const Box& page) {
    std::vector<int> lefts, tops;
    for (const Box& b : pages) lefts.push_back(b.left), tops.push_back(b.top);
    std::sort(lefts.begin(), lefts.end());
    std::sort(tops.begin(), tops.end());
    lefts.erase(std::unique(lefts.begin(), lefts.end()), lefts.end());
    tops.erase(std::unique(tops.begin(), tops.end()), tops.end());
    return {int(std::find(lefts.begin(), lefts.end(), page.left) - lefts.begin()),
            int(std::find(tops.begin(), tops.end(), page.top) - tops.begin())};
}

// The page that holds a colour (the first or the second page of the order).
const Box* PageHolding(const std::vector<Box>& pages, const Box& ink) {
    for (const Box& b : pages)
        if (ink.left >= b.left && ink.right <= b.right && ink.top >= b.top && ink.bottom <= b.bottom) return &b;
    return nullptr;
}

// Where the first and second page of an order sit, by the order's meaning: 2-up 0 first page
// left (top), 1 right (bottom); more pages: 0 across from the top left, 1 down from the top left,
// 2 across from the top right, 3 down from the top right. Pages turned half round put each page
// where the turned sheet has it.
std::pair<int, int> ExpectedCell(int kind, int order, bool turned, int cols, int rows, int n) {
    int col = 0, row = 0;
    if (kind == 2) {
        const int i = order == 1 ? cols * rows - 1 - n : n;
        col = i % cols, row = i / cols;
    } else {
        const bool down = order == 1 || order == 3;
        col = down ? n / rows : n % cols;
        row = down ? n % rows : n / cols;
        if (order >= 2) col = cols - 1 - col;
    }
    if (turned) col = cols - 1 - col, row = rows - 1 - row;
    return {col, row};
}

TEST_F(PreviewDrawing, EveryLayoutPutsItsPagesOnTheSheetAndItsMarkOnTheSheetsEdge) {
    struct Kind {
        WORD kind;
        int orders, many, few;  // pages along the sheet's long side and its short side
    };
    const Kind kinds[] = {{1, 1, 1, 1}, {2, 2, 2, 1}, {4, 4, 2, 2}, {6, 4, 3, 2},
                          {8, 4, 4, 2}, {9, 4, 3, 3}, {16, 4, 4, 4}};
    for (const Kind& k : kinds)
        for (SHORT orientation : {SHORT{1}, SHORT{2}})
            for (DWORD sheetSetting : {0u, 1u})
                for (int order = 0; order < k.orders; ++order)
                    for (SHORT duplex : {SHORT{2}, SHORT{3}}) {
                        const SheetCase c{"", orientation, k.kind, WORD(order), sheetSetting, duplex, u"A4", 3, {}};
                        const std::string name = "kind " + std::to_string(k.kind) + " orientation " +
                                                 std::to_string(orientation) + " sheet " +
                                                 std::to_string(sheetSetting) + " order " + std::to_string(order) +
                                                 " duplex " + std::to_string(duplex);
                        SCOPED_TRACE(name);
                        auto r = SheetRecord(c);
                        const std::vector<P> placed = PaperPicturePlacements(*r, 3);
                        ASSERT_EQ(placed.size(), 3u);
                        Canvas canvas(200, 120);
                        ASSERT_TRUE(DrawPlacements(module_.get(), canvas.dc(), placed));
                        const Picture picture(canvas, canvas.dc());

                        std::unique_ptr<void, ObjectFree> sheetBitmap(
                            LoadBitmapW(module_.get(), MAKEINTRESOURCEW(placed[0].id)));
                        BITMAP bm{};
                        ASSERT_TRUE(GetObjectW(sheetBitmap.get(), sizeof bm, &bm));
                        const Box sheet{placed[0].x, placed[0].y, placed[0].x + bm.bmWidth, placed[0].y + bm.bmHeight};
                        const bool portraitSheet = sheet.h() > sheet.w();
                        const bool portraitPages = orientation == 1;

                        // The pages fill the sheet but for a margin alike on every side, the
                        // content's offset from the sheet.
                        const std::vector<Box> pages = picture.Pages();
                        ASSERT_EQ(pages.size(), size_t(k.kind));
                        Box all;
                        for (const Box& b : pages) all.Add(b.left, b.top), all.Add(b.right - 1, b.bottom - 1);
                        const int margin = placed[1].x - sheet.left;
                        EXPECT_EQ(placed[1].y - sheet.top, margin);
                        EXPECT_EQ(all.left, sheet.left + margin);
                        EXPECT_EQ(all.top, sheet.top + margin);
                        EXPECT_EQ(all.right, sheet.right - margin);
                        EXPECT_EQ(all.bottom, sheet.bottom - margin);

                        // Portrait pages stand side by side on a landscape sheet, landscape pages
                        // one above the other on a portrait sheet; each page has its document's shape.
                        const int cols = portraitSheet ? k.few : k.many;
                        const int rows = portraitSheet ? k.many : k.few;
                        EXPECT_EQ(portraitSheet,
                                  k.kind == 2 || k.kind == 6 || k.kind == 8 ? !portraitPages : portraitPages);
                        int maxCol = 0, maxRow = 0;
                        for (const Box& b : pages) {
                            const auto [col, row] = CellOf(pages, b);
                            maxCol = std::max(maxCol, col), maxRow = std::max(maxRow, row);
                            if (k.kind != 6) {
                                EXPECT_EQ(b.h() > b.w(), portraitPages) << b.w() << "x" << b.h();
                            }
                        }
                        EXPECT_EQ(maxCol + 1, cols);
                        EXPECT_EQ(maxRow + 1, rows);

                        // The first two pages of the order where the order puts them.
                        const bool turned = sheetSetting != 0;
                        const COLORREF inks[] = {kPreviewFirstPage, kPreviewSecondPage};
                        for (int n = 0; n < std::min<int>(2, k.kind); ++n) {
                            const Box* page = PageHolding(pages, picture.BoxOf(inks[n]));
                            ASSERT_NE(page, nullptr) << "page " << n + 1;
                            EXPECT_EQ(CellOf(pages, *page), ExpectedCell(k.kind, order, turned, cols, rows, n))
                                << "page " << n + 1;
                        }

                        // The mark starts where it is placed, outside the sheet, and ends on the
                        // sheet's edge line, within that edge: long-edge binding across the short
                        // edge, short-edge binding across the long edge.
                        const Box mark =
                            picture.BoxOf(duplex == DMDUP_VERTICAL ? kPreviewLongEdgeMark : kPreviewShortEdgeMark);
                        ASSERT_FALSE(mark.empty());
                        const bool alongTop = placed[2].y < sheet.top;
                        EXPECT_EQ(alongTop, (duplex == DMDUP_VERTICAL) == portraitSheet);
                        if (alongTop) {
                            EXPECT_EQ(mark.bottom - 1, sheet.top);
                            EXPECT_EQ(mark.top, placed[2].y);
                            EXPECT_GE(mark.left, sheet.left);
                            EXPECT_LE(mark.right, sheet.right);
                            EXPECT_GE(mark.w(), 12);
                        } else {
                            EXPECT_EQ(mark.right - 1, sheet.left);
                            EXPECT_EQ(mark.left, placed[2].x);
                            EXPECT_GE(mark.top, sheet.top);
                            EXPECT_LE(mark.bottom, sheet.bottom);
                            EXPECT_GE(mark.h(), 12);
                        }
                    }
}

TEST_F(PreviewDrawing, AMissingBitmapIsReportedAndTheRestStillDrawn) {
    Canvas canvas(200, 120);
    const std::vector<P> placements = {{9999, 0, 0, SRCCOPY}, {1000, 95, 15, SRCCOPY}};
    EXPECT_FALSE(DrawPlacements(module_.get(), canvas.dc(), placements));
    EXPECT_EQ(GetPixel(canvas.dc(), 95, 15), RGB(0, 0, 0));  // the sheet's frame
    EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), COLORREF{0xFFCCCC});
}

}  // namespace

namespace {

// The interface DLL carries every bitmap the pictures name.
TEST(PreviewPictures, TheInterfaceDllCarriesEveryPictureBitmap) {
    std::unique_ptr<HINSTANCE__, ModuleFree> dll(LoadLibraryW(orla::kJapaneseBuild ? u"Talvex.dll" : u"Morvin.dll"));
    ASSERT_TRUE(dll);
    std::vector<WORD> ids = {840, 842, 843, 850, 852, 853, 860, 861, 863, 864, 872, 873};
    for (WORD id = 865; id <= 871; ++id) ids.push_back(id);
    for (WORD id = 1000; id <= 1127; ++id) ids.push_back(id);
    for (WORD id = 1200; id <= 1227; ++id) ids.push_back(id);
    for (WORD id : ids) {
        std::unique_ptr<void, ObjectFree> bitmap(LoadBitmapW(dll.get(), MAKEINTRESOURCEW(id)));
        EXPECT_TRUE(bitmap) << id;
    }
}

}  // namespace
