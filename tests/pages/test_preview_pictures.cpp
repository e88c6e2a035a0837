// Preview pictures: which bitmap goes where for a table of layouts, orientations and bindings,
// and the composed pictures compared pixel for pixel with reference PNGs checked by eye.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "plat/window_render.h"
#include "ui/entry/printer_data_store.h"
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

const SheetCase kSheetCases[] = {
    {"portrait_1up", 1, 1, 0, 0, 1, u"A4", 3, {{1000, 95, 15, SRCCOPY}, {1004, 104, 24, SRCCOPY}}},
    {"portrait_1up_sheet_long_edge",
     1,
     1,
     0,
     1,
     2,
     u"A4",
     3,
     {{1000, 95, 15, SRCCOPY}, {1005, 104, 24, SRCCOPY}, {1203, 140, 7, SRCCOPY}}},
    {"landscape_1up_long_edge",
     2,
     1,
     0,
     1,
     2,
     u"A4",
     3,
     {{1001, 87, 27, SRCCOPY}, {1003, 96, 36, SRCCOPY}, {1201, 79, 72, SRCCOPY}}},
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
     {{1001, 87, 27, SRCCOPY}, {1002, 96, 36, SRCCOPY}}},
    {"rotated_turns_from_version_4",
     1,
     1,
     0,
     0,
     1,
     kFormA4Rotated,
     4,
     {{1001, 87, 27, SRCCOPY}, {1002, 96, 36, SRCCOPY}}},
    {"rotated_before_version_4", 1, 1, 0, 0, 1, kFormA4Rotated, 3, {{1000, 95, 15, SRCCOPY}, {1004, 104, 24, SRCCOPY}}},
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

// The reference picture's pixels, or empty when it cannot be read.
std::vector<BYTE> ReadPng(const std::string& path, int& w, int& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<BYTE> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    w = static_cast<int>(image.width);
    h = static_cast<int>(image.height);
    return pixels;
}

// Compares with tests/pages/reference/<name>.png; ORLA_UPDATE_REFERENCES=1 writes it instead
// (to be looked at before it is committed).
void ExpectLikeReference(const Canvas& canvas, const std::string& name) {
    const std::string path = std::string(PAGES_REFERENCE_DIR) + "/" + name + ".png";
    const std::vector<BYTE> drawn = canvas.Rgb();
    if (const char* update = std::getenv("ORLA_UPDATE_REFERENCES"); update && std::string(update) == "1") {
        std::filesystem::create_directories(PAGES_REFERENCE_DIR);
        ASSERT_TRUE(PlatWritePngFile(path.c_str(), canvas.w_, canvas.h_, 3, drawn.data())) << path;
        return;
    }
    int w = 0, h = 0;
    const std::vector<BYTE> reference = ReadPng(path, w, h);
    ASSERT_FALSE(reference.empty()) << "no reference picture " << path;
    ASSERT_EQ(w, canvas.w_) << name;
    ASSERT_EQ(h, canvas.h_) << name;
    size_t differ = 0;
    for (size_t i = 0; i < drawn.size(); ++i) differ += drawn[i] != reference[i];
    EXPECT_EQ(differ, 0u) << name;
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
