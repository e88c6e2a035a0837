// The stamp preview drawn into a picture: the page outline, a text turned by its angle choice in
// its grey, an image scaled and placed on the grid, the square root of a turned text's extent,
// and damaged bitmap files refused before anything is read from their headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "plat/window_render.h"
#include "tests/pages/stamp_editor_fixture.h"
#include "ui/pages/stamp_image_file.h"
#include "ui/pages/stamp_preview.h"
#include "win/user_gdi.h"

namespace {

using namespace orla;
using pages_test::BitmapFile;

constexpr LONG kItemWidth = 240, kItemHeight = 320;

// A white picture of the preview item, drawn by the preview and read back pixel by pixel.
struct Picture {
    std::vector<COLORREF> pixels;
    COLORREF At(LONG x, LONG y) const { return pixels[static_cast<size_t>(y * kItemWidth + x)]; }
    // The box of the pixels of one colour.
    RECT BoxOf(COLORREF colour) const {
        RECT box{kItemWidth, kItemHeight, -1, -1};
        for (LONG y = 0; y < kItemHeight; ++y)
            for (LONG x = 0; x < kItemWidth; ++x)
                if (At(x, y) == colour) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box;
    }
    size_t CountOf(COLORREF colour, const RECT& in) const {
        size_t n = 0;
        for (LONG y = in.top; y < in.bottom; ++y)
            for (LONG x = in.left; x < in.right; ++x) n += At(x, y) == colour;
        return n;
    }
    void Save(const std::string& name) const {
        std::vector<BYTE> rgb;
        for (COLORREF p : pixels) rgb.insert(rgb.end(), {GetRValue(p), GetGValue(p), GetBValue(p)});
        EXPECT_TRUE(
            PlatWritePngFile((orla_test::BinDir() + "/" + name).c_str(), kItemWidth, kItemHeight, 3, rgb.data()));
    }
};

Picture Draw(const BYTE* stamp, bool landscape = false) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, kItemWidth, kItemHeight);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT item{0, 0, kItemWidth, kItemHeight};
    FillRect(dc, &item, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawStampPreview(dc, item, stamp, landscape);
    Picture p;
    for (LONG y = 0; y < kItemHeight; ++y)
        for (LONG x = 0; x < kItemWidth; ++x) p.pixels.push_back(GetPixel(dc, x, y) & 0xFFFFFF);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return p;
}

struct Stamp {
    BYTE bytes[kStampRecordSize] = {};
    Stamp(const char16_t* text, SHORT angle, DWORD grey = 3046) {
        StampSet(bytes, stamp::kTextSize, SHORT{1500});  // 30 pixels high in the preview
        StampSet(bytes, stamp::kPosition, DWORD{4});
        StampSet(bytes, stamp::kAngle, angle);
        StampSet(bytes, stamp::kWeight, WORD{700});
        StampSet(bytes, stamp::kGrey, grey);
        SetStampWideText(bytes, stamp::kText, text);
        SetStampWideText(bytes, stamp::kFaceName, u"Arial");
    }
};

constexpr COLORREF kBlack = 0x000000, kWhite = 0xFFFFFF, kOutline = 0x808080;

LONG Width(const RECT& r) {
    return r.right - r.left;
}
LONG Height(const RECT& r) {
    return r.bottom - r.top;
}

TEST(StampPreview, TheSquareRootOfTheTurnedExtent) {
    // From 16a, c = 16a / (2c) + c / 2 until two values differ by at most 16; the result / 4.
    const struct { LONG a, root; } cases[] = {{100, 10}, {5000, 70}, {10000, 100}, {0, 1}, {-4, 1}};
    for (const auto& c : cases) EXPECT_EQ(StampSquareRoot(c.a), c.root) << c.a;
}

TEST(StampPreview, ThePageOutlineIsInsetByOrientation) {
    const RECT item{0, 0, kItemWidth, kItemHeight};
    const RECT portrait = StampPreviewPage(item, false), landscape = StampPreviewPage(item, true);
    EXPECT_EQ(portrait.left, 10);
    EXPECT_EQ(portrait.top, 25);
    EXPECT_EQ(portrait.right, kItemWidth - 10);
    EXPECT_EQ(portrait.bottom, kItemHeight - 25);
    EXPECT_EQ(landscape.left, 25);
    EXPECT_EQ(landscape.top, 10);
    const Picture p = Draw(nullptr);
    EXPECT_EQ(p.At(10, 100), kOutline);
    EXPECT_EQ(p.At(100, 25), kOutline);
    EXPECT_EQ(p.At(5, 100), kWhite);
}

// The text really is turned: across the page it is wide and low, up or down the page narrow and
// tall, on a diagonal its ink runs from one corner of its box to the other.
TEST(StampPreview, ATextIsTurnedByItsAngleChoice) {
    const char16_t kText[] = u"HHHHHH";
    const Picture across = Draw(Stamp(kText, 2).bytes);
    const Picture up = Draw(Stamp(kText, 4).bytes);
    const Picture down = Draw(Stamp(kText, 0).bytes);
    const Picture rising = Draw(Stamp(kText, 3).bytes);
    const Picture falling = Draw(Stamp(kText, 1).bytes);
    across.Save("stamp_preview_across.png");
    up.Save("stamp_preview_up.png");
    rising.Save("stamp_preview_rising.png");
    const RECT a = across.BoxOf(kBlack), u = up.BoxOf(kBlack), d = down.BoxOf(kBlack);
    ASSERT_GT(Width(a), 0);
    EXPECT_GT(Width(a), 2 * Height(a));
    ASSERT_GT(Height(u), 0);
    EXPECT_GT(Height(u), 2 * Width(u));
    EXPECT_GT(Height(d), 2 * Width(d));
    EXPECT_NEAR(Height(u), Width(a), 3) << "the same text, turned";
    // Centre position: the box's middle at the page's middle.
    const RECT page = StampPreviewPage({0, 0, kItemWidth, kItemHeight}, false);
    EXPECT_NEAR((a.left + a.right) / 2.0, (page.left + page.right) / 2.0, 4.0);
    EXPECT_NEAR((u.top + u.bottom) / 2.0, (page.top + page.bottom) / 2.0, 4.0);
    // Rising text inks the box's bottom-left and top-right corners, falling text the other two.
    for (const auto& [picture, risingInk] : {std::pair{&rising, true}, std::pair{&falling, false}}) {
        const RECT box = picture->BoxOf(kBlack);
        ASSERT_GT(Width(box), 20);
        const LONG w = Width(box) / 3, h = Height(box) / 3;
        const RECT topLeft{box.left, box.top, box.left + w, box.top + h};
        const RECT topRight{box.right - w, box.top, box.right, box.top + h};
        const RECT bottomLeft{box.left, box.bottom - h, box.left + w, box.bottom};
        const size_t inkRisingCorners = picture->CountOf(kBlack, topRight) + picture->CountOf(kBlack, bottomLeft);
        const size_t inkFallingCorners =
            picture->CountOf(kBlack, topLeft) +
            picture->CountOf(kBlack, {box.right - w, box.bottom - h, box.right, box.bottom});
        if (risingInk) {
            EXPECT_GT(inkRisingCorners, 4 * inkFallingCorners + 10);
        } else {
            EXPECT_GT(inkFallingCorners, 4 * inkRisingCorners + 10);
        }
    }
}

TEST(StampPreview, TheTextTakesItsGrey) {
    const Picture grey = Draw(Stamp(u"HHHH", 2, 3044).bytes);
    const RECT box = grey.BoxOf(0x888888);
    EXPECT_GT(Width(box), 10);
    EXPECT_EQ(grey.BoxOf(kBlack).right, -1) << "no black ink";
}

// An empty text has no extent to take a root of: only the page is drawn.
TEST(StampPreview, AnEmptyTextDrawsThePageOnly) {
    for (SHORT angle = 0; angle < 5; ++angle) {
        const Picture p = Draw(Stamp(u"", angle).bytes);
        const RECT page = StampPreviewPage({0, 0, kItemWidth, kItemHeight}, false);
        EXPECT_EQ(p.CountOf(kBlack, {page.left + 1, page.top + 1, page.right - 1, page.bottom - 1}), 0u);
    }
}

class StampImage : public pages_test::StampEditorSandbox {
protected:
    BYTE* ImageStamp(const char16_t* path, DWORD position, SHORT scale) {
        std::fill(std::begin(stamp_), std::end(stamp_), BYTE{0});
        StampSet(stamp_, stamp::kKind, DWORD{1});
        StampSet(stamp_, stamp::kPosition, position);
        StampSet(stamp_, stamp::kScale, scale);
        SetStampWideText(stamp_, stamp::kImagePath, path);
        return stamp_;
    }
    BYTE stamp_[kStampRecordSize] = {};
};

// A 40 x 40 black bitmap at 400 percent: (40 x 400 + 401) / 400 = 41, then 2/5 of it: 16 pixels,
// drawn with SRCAND at its grid place.
TEST_F(StampImage, AnImageIsScaledAndPlaced) {
    PutFile(u"C:\\Stamps\\black.bmp", BitmapFile(40, 40, 24, 0));
    const RECT page = StampPreviewPage({0, 0, kItemWidth, kItemHeight}, false);
    const Picture topLeft = Draw(ImageStamp(u"C:\\Stamps\\black.bmp", 0, 400));
    topLeft.Save("stamp_preview_image.png");
    const RECT box = topLeft.BoxOf(kBlack);
    EXPECT_EQ(Width(box), 16);
    EXPECT_EQ(Height(box), 16);
    EXPECT_LE(box.left - page.left, 1);
    EXPECT_LE(box.top - page.top, 1);
    const Picture bottomRight = Draw(ImageStamp(u"C:\\Stamps\\black.bmp", 8, 100));
    const RECT small = bottomRight.BoxOf(kBlack);
    EXPECT_EQ(Width(small), 4) << "(40 x 100 + 401) / 400 = 11, 2/5 of it 4";
    EXPECT_LE(page.right - small.right, 1);
    EXPECT_LE(page.bottom - small.bottom, 1);
}

// ---- Damaged bitmap files ----------------------------------------------------------------------

std::vector<BYTE> With(std::vector<BYTE> file, size_t at, DWORD value) {
    orla::WriteLe32(file.data(), at, value);
    return file;
}

TEST_F(StampImage, DamagedBitmapsAreRefusedBeforeTheirHeadersAreUsed) {
    const std::vector<BYTE> good = BitmapFile(8, 8, 24, 0);
    const std::vector<BYTE> paletted = BitmapFile(8, 8, 8, 0);
    constexpr size_t kInfo = 14;
    std::vector<BYTE> shortRows = good;
    shortRows.resize(good.size() - 10);
    std::vector<BYTE> rle = With(paletted, kInfo + 16, 1);
    const struct {
        const char* what;
        std::vector<BYTE> file;
        StampBitmapCheck check;
    } cases[] = {
        {"a sound 24-bit bitmap", good, StampBitmapCheck::kGood},
        {"a sound 8-bit bitmap", paletted, StampBitmapCheck::kGood},
        {"a compressed bitmap", rle, StampBitmapCheck::kUnsupported},
        {"no BM", With(good, 0, 0x00004B50), StampBitmapCheck::kNotBitmap},
        {"a short file", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}, StampBitmapCheck::kDamaged},
        {"just the file header", std::vector<BYTE>(good.begin(), good.begin() + 14), StampBitmapCheck::kDamaged},
        {"an info header past the end", With(good, kInfo, 0xFFFFFFF0u), StampBitmapCheck::kDamaged},
        {"an info header too small", With(good, kInfo, 12), StampBitmapCheck::kDamaged},
        {"huge width", With(good, kInfo + 4, 100000), StampBitmapCheck::kDamaged},
        {"huge height", With(good, kInfo + 8, 0x7FFFFFFF), StampBitmapCheck::kDamaged},
        {"the most negative height", With(good, kInfo + 8, 0x80000000u), StampBitmapCheck::kDamaged},
        {"no width", With(good, kInfo + 4, 0), StampBitmapCheck::kDamaged},
        {"rows past the end", shortRows, StampBitmapCheck::kDamaged},
        {"pixels past the end", With(good, 10, 0x7FFFFFF0), StampBitmapCheck::kDamaged},
        {"pixels inside the headers", With(good, 10, 20), StampBitmapCheck::kDamaged},
        {"more colours than 8 bits have", With(paletted, kInfo + 32, 100000), StampBitmapCheck::kDamaged},
        {"7 bits a pixel", With(good, kInfo + 14, 7), StampBitmapCheck::kDamaged},
    };
    const RECT page = StampPreviewPage({0, 0, kItemWidth, kItemHeight}, false);
    const RECT inside{page.left + 1, page.top + 1, page.right - 1, page.bottom - 1};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // The check reads only the bytes it is given: a copy of exactly the file's size.
        const std::vector<BYTE> exact(c.file);
        EXPECT_EQ(CheckStampBitmap(exact), c.check);
        PutFile(u"C:\\Stamps\\case.bmp", c.file);
        PlatResetMessageBoxes();
        const bool refused = c.check == StampBitmapCheck::kDamaged || c.check == StampBitmapCheck::kNotBitmap;
        if (refused) PlatQueueMessageBoxAnswer(IDOK);  // the user reads the refusal
        const BOOL taken = LoadStampImageFile(&page_, nullptr, u"C:\\Stamps\\case.bmp");
        EXPECT_EQ(taken, refused ? FALSE : TRUE);
        EXPECT_EQ(ShownMessages({orla_res::stamp_editor::kMsgNotBitmap}),
                  refused ? std::vector<UINT>{orla_res::stamp_editor::kMsgNotBitmap} : std::vector<UINT>{});
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
        // The preview draws only a sound picture it can show.
        const Picture p = Draw(ImageStamp(u"C:\\Stamps\\case.bmp", 4, 400));
        EXPECT_EQ(p.CountOf(kBlack, inside) > 0, c.check == StampBitmapCheck::kGood);
    }
}

TEST_F(StampImage, AMissingFileIsTold) {
    PlatQueueMessageBoxAnswer(IDOK);
    EXPECT_FALSE(LoadStampImageFile(&page_, nullptr, u"C:\\Stamps\\nowhere.bmp"));
    EXPECT_EQ(ShownMessages({orla_res::stamp_editor::kMsgFileMissing}),
              std::vector<UINT>{orla_res::stamp_editor::kMsgFileMissing});
    const Picture p = Draw(ImageStamp(u"C:\\Stamps\\nowhere.bmp", 4, 100));
    const RECT page = StampPreviewPage({0, 0, kItemWidth, kItemHeight}, false);
    EXPECT_EQ(p.CountOf(kBlack, {page.left + 1, page.top + 1, page.right - 1, page.bottom - 1}), 0u);
}

}  // namespace
