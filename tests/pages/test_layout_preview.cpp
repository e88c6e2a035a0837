// The layout-detail dialog's live preview driven with the mouse: the image dragged by its body and
// by its corners, the strokes a corner refuses, the smallest image, the zoom a corner drag sets, the
// cursor over each part and the capture during a drag. What the preview shows is read back from
// its rendered picture (pen and fill colours), and the values expected are worked out from that
// picture by the dialog's rules; the whole dialog is also compared with reference pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/build_variant.h"
#include "plat/message_box.h"
#include "plat/window_render.h"
#include "plat/window_test.h"
#include "tests/pages/page_fixture.h"
#include "tests/pages/reference_picture.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/pages/layout_detail_dialog.h"
#include "ui/pages/layout_geometry.h"
#include "win/registry.h"
#include "win/user_input.h"

namespace {

using namespace orla;
using uitest::Script;
using uitest::ScriptScope;
namespace ids = orla_res::layout_detail;

// A4 portrait: the sheet's longer side, and its printable length with the 5.0 mm margins of a
// sheet the device data does not list.
constexpr LONG kSheetWidth = 2100, kSheetLength = 2970, kUnlistedMargin = 50;
constexpr LONG kStartTop = 100, kStartLeft = 100;
constexpr WORD kStartZoom = 60;

struct Rgb {
    BYTE r, g, b;
};
// The preview's colours as the picture holds them (COLORREF 0x00BBGGRR turned into R, G, B).
constexpr Rgb kFrontPen{0x00, 0x80, 0x80};
constexpr Rgb kBackPen{0x80, 0x80, 0x00};
constexpr Rgb kBlack{0x00, 0x00, 0x00};

LONG RoundHalfAway(long long numerator, long long denominator) {
    const long long twice = 2 * std::llabs(numerator) + std::llabs(denominator);
    const long long magnitude = twice / (2 * std::llabs(denominator));
    return static_cast<LONG>((numerator < 0) != (denominator < 0) ? -magnitude : magnitude);
}

// A length in 0.1 mm as the millimetre edits show it.
std::u16string TenthsText(LONG tenths) {
    const LONG magnitude = tenths < 0 ? -tenths : tenths;
    const std::string text =
        (tenths < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
    return std::u16string(text.begin(), text.end());
}

std::u16string TextOf(HWND dialog, int id) {
    PLAT_CONTROL_STATE state{};
    EXPECT_TRUE(PlatReadControl(GetDlgItem(dialog, id), &state)) << id;
    return state.text;
}

// The shown value of a millimetre field in 0.1 mm ("-4.2" is -42).
LONG TenthsOf(HWND dialog, int id) {
    const std::u16string text = TextOf(dialog, id);
    const bool negative = !text.empty() && text[0] == u'-';
    LONG value = 0;
    for (char16_t c : text)
        if (c >= u'0' && c <= u'9') value = value * 10 + (c - u'0');
    return negative ? -value : value;
}

POINT OnScreen(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
}

POINT Pointer() {
    POINT p{};
    EXPECT_TRUE(GetCursorPos(&p));
    return p;
}

// A point as gtest compares and prints it.
std::pair<LONG, LONG> XY(POINT p) {
    return {p.x, p.y};
}

LONG Width(const RECT& r) {
    return r.right - r.left;
}
LONG Height(const RECT& r) {
    return r.bottom - r.top;
}
POINT Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The preview as drawn, in its own client coordinates.
class PreviewPicture {
public:
    explicit PreviewPicture(HWND preview) {
        DWORD size = PlatRenderWindow(preview, nullptr, 0, &w_, &h_);
        EXPECT_GT(size, 0u);
        rgb_.resize(size);
        EXPECT_EQ(PlatRenderWindow(preview, rgb_.data(), size, &w_, &h_), size);
        RECT window{};
        GetWindowRect(preview, &window);
        const POINT origin = OnScreen(preview, {0, 0});
        originX_ = origin.x - window.left;
        originY_ = origin.y - window.top;
        GetClientRect(preview, &client_);
    }
    // The smallest rectangle (right and bottom outside) holding every pixel of the colour inside
    // `within`; empty when there is none.
    RECT Box(Rgb colour, RECT within) const {
        RECT box{within.right, within.bottom, within.left, within.top};
        for (LONG y = within.top; y < within.bottom; ++y)
            for (LONG x = within.left; x < within.right; ++x)
                if (Is(x, y, colour)) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box.left < box.right ? box : RECT{};
    }
    RECT Box(Rgb colour) const { return Box(colour, client_); }
    // The sheet's outline is the outermost black; its printable area the black inside it.
    RECT Sheet() const { return Box(kBlack); }
    RECT Printable() const {
        const RECT sheet = Sheet();
        return Box(kBlack, {sheet.left + 1, sheet.top + 1, sheet.right - 1, sheet.bottom - 1});
    }
    const RECT& Client() const { return client_; }

private:
    bool Is(LONG x, LONG y, Rgb c) const {
        const size_t at = (static_cast<size_t>(y + originY_) * w_ + (x + originX_)) * 3;
        return at + 2 < rgb_.size() && rgb_[at] == c.r && rgb_[at + 1] == c.g && rgb_[at + 2] == c.b;
    }
    std::vector<BYTE> rgb_;
    LONG w_ = 0, h_ = 0, originX_ = 0, originY_ = 0;
    RECT client_{};
};

// What the picture and the record looked like before a drag, taken in one step of the script.
struct Before {
    RECT image;
    RECT sheet;
    RECT printable;
    LONG bottomGap;
    LONG rightGap;
};

class PreviewMouse : public pages_test::PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        PlatResetMessageBoxes();
        StartRecord();
    }
    void StartRecord() {
        DriverDevmode& r = ui_->currentDevmode;
        // One-sided A4 portrait with no output paper (margins of 5.0 mm), free zoom at 60 %.
        Set(r, dm::Orientation, SHORT{DMORIENT_PORTRAIT});
        Set(r, dm::Duplex, SHORT{DMDUP_SIMPLEX});
        Set(r, dm::LayoutMode, WORD{1});
        Set(r, dm::OutPaperIndex, WORD{0});
        SetText(r, dm::OutPaperName, u"");
        Set(r, dm::Flags1, (Get(r, dm::Flags1) | kFlags1ManualZoom) & ~kFlags1LayoutInches);
        Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) | kFlags1ManualZoom);
        Set(r, dm::Zoom, kStartZoom);
        Set(r, dm::SavedZoom, kStartZoom);
        SetPosition(r, kLayoutFront, kStartTop, kStartLeft);
        SetPosition(r, kLayoutBack, kStartTop, kStartLeft);
    }
    void TearDown() override {
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
        PlatResetMessageBoxes();
        EXPECT_EQ(GetCapture(), nullptr) << "the capture outlived the dialog";
        PageSandbox::TearDown();
    }
    void WithBackSide() {
        Set(ui_->currentDevmode, dm::Duplex, SHORT{DMDUP_VERTICAL});
        Set(ui_->currentDevmode, dm::PrevDuplex, WORD{DMDUP_VERTICAL});
        Set(ui_->currentDevmode, dm::DeviceState(dm::kDuplex), WORD{dm::kDeviceInstalled | dm::kDeviceReady});
    }
    void WithoutFreeZoom() {
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, dm::Flags1, Get(r, dm::Flags1) & ~kFlags1ManualZoom);
        Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) & ~kFlags1ManualZoom);
    }
    INT_PTR Run(Script& script) {
        ScriptScope scope(script);
        return OpenLayoutDetailDialog(&page_, nullptr);
    }
    const DriverDevmode& Scratch() const { return ui_->scratchDevmode; }

    Before Look(HWND dialog) {
        const PreviewPicture picture(GetDlgItem(dialog, ids::kPreview));
        return {picture.Box(kFrontPen), picture.Sheet(), picture.Printable(), TenthsOf(dialog, ids::kFrontBottom),
                TenthsOf(dialog, ids::kFrontRight)};
    }
    // The page's printable size (0.1 mm) as the shown gaps give it back at the starting zoom: the
    // gap is the sheet's length less the position and the zoomed page.
    static double PagePrintableHeight(const Before& b) {
        return (kSheetLength - kStartTop - b.bottomGap) * 100.0 / kStartZoom;
    }
    static double PagePrintableWidth(const Before& b) {
        return (kSheetWidth - kStartLeft - b.rightGap) * 100.0 / kStartZoom;
    }
    // A position from the pixels between the sheet's edge and the image's edge.
    static LONG PositionFromPixels(LONG pixels, const Before& b) {
        return RoundHalfAway(static_cast<long long>(pixels) * kSheetLength, Height(b.sheet));
    }
};

// ---- The geometry the drags are measured on ------------------------------------------------------

TEST_F(PreviewMouse, OneSheetIsCentredAtNinetyPercentOfTheHeight) {
    Script script;
    script.steps.push_back([&](HWND d) {
        const PreviewPicture picture(GetDlgItem(d, ids::kPreview));
        const RECT client = picture.Client();
        const RECT sheet = picture.Sheet();
        EXPECT_EQ(Height(sheet), Height(client) * 90 / 100);
        EXPECT_NEAR(Width(sheet), Height(sheet) * double(kSheetWidth) / kSheetLength, 1.0);
        EXPECT_NEAR((sheet.left + sheet.right) / 2.0, Width(client) / 2.0, 1.0);
        EXPECT_NEAR((sheet.top + sheet.bottom) / 2.0, Height(client) / 2.0, 1.0);
        const RECT image = picture.Box(kFrontPen);
        EXPECT_NEAR(image.top - sheet.top, kStartTop * double(Height(sheet)) / kSheetLength, 1.0);
        EXPECT_NEAR(image.left - sheet.left, kStartLeft * double(Height(sheet)) / kSheetLength, 1.0);
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    EXPECT_EQ(Run(script), FALSE);
    EXPECT_FALSE(script.ranOut);
}

// ---- Moving the image ------------------------------------------------------------------------------

TEST_F(PreviewMouse, DraggingTheBodyMovesTheImageAndShowsTheNewPosition) {
    constexpr LONG kDx = 12, kDy = 7;
    Before b{};
    POINT grab{};
    Script script;
    script.steps.push_back([&](HWND d) {
        b = Look(d);
        ASSERT_GT(Width(b.image), 2 * kDx);
        grab = Centre(b.image);
        HWND preview = GetDlgItem(d, ids::kPreview);
        EXPECT_TRUE(PlatMousePress(preview, grab.x, grab.y));
        EXPECT_EQ(GetCapture(), preview);
    });
    script.steps.push_back([&](HWND d) {
        HWND preview = GetDlgItem(d, ids::kPreview);
        EXPECT_TRUE(PlatMouseMove(preview, grab.x + kDx, grab.y + kDy));
        EXPECT_EQ(GetCapture(), preview) << "the capture is held while dragging";
    });
    script.steps.push_back([&](HWND d) {
        HWND preview = GetDlgItem(d, ids::kPreview);
        EXPECT_TRUE(PlatMouseRelease(preview, grab.x + kDx, grab.y + kDy));
        EXPECT_EQ(GetCapture(), nullptr) << "the capture goes with the button";
    });
    script.steps.push_back([&](HWND d) {
        const PreviewPicture picture(GetDlgItem(d, ids::kPreview));
        const RECT image = picture.Box(kFrontPen);
        EXPECT_EQ(image.left, b.image.left + kDx);
        EXPECT_EQ(image.top, b.image.top + kDy);
        EXPECT_EQ(Width(image), Width(b.image));
        EXPECT_EQ(Height(image), Height(b.image));
        const LONG top = PositionFromPixels(image.top - b.sheet.top, b);
        const LONG left = PositionFromPixels(image.left - b.sheet.left, b);
        EXPECT_EQ(PositionTop(Scratch(), kLayoutFront), top);
        EXPECT_EQ(PositionLeft(Scratch(), kLayoutFront), left);
        EXPECT_EQ(Get(Scratch(), dm::Zoom), kStartZoom) << "a move keeps the size";
        EXPECT_EQ(TextOf(d, ids::kFrontTop), TenthsText(top));
        EXPECT_EQ(TextOf(d, ids::kFrontLeft), TenthsText(left));
        // The gaps shrink by what the image moved.
        EXPECT_EQ(TenthsOf(d, ids::kFrontBottom), b.bottomGap - (top - kStartTop));
        EXPECT_EQ(TenthsOf(d, ids::kFrontRight), b.rightGap - (left - kStartLeft));
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PositionTop(ui_->currentDevmode, kLayoutFront), PositionFromPixels(b.image.top + kDy - b.sheet.top, b));
    EXPECT_EQ(PositionLeft(ui_->currentDevmode, kLayoutFront),
              PositionFromPixels(b.image.left + kDx - b.sheet.left, b));
}

// A window that takes the mouse away ends the drag: the next move without the button moves nothing.
TEST_F(PreviewMouse, LosingTheCaptureEndsTheDrag) {
    RECT image{};
    POINT grab{};
    Script script;
    script.steps.push_back([&](HWND d) {
        HWND preview = GetDlgItem(d, ids::kPreview);
        image = PreviewPicture(preview).Box(kFrontPen);
        grab = Centre(image);
        EXPECT_TRUE(PlatMousePress(preview, grab.x, grab.y));
        EXPECT_EQ(GetCapture(), preview);
        SetCapture(d);
        ReleaseCapture();
    });
    script.steps.push_back([&](HWND d) {
        HWND preview = GetDlgItem(d, ids::kPreview);
        EXPECT_TRUE(PlatMouseMove(preview, grab.x + 9, grab.y + 4));
        const RECT after = PreviewPicture(preview).Box(kFrontPen);
        EXPECT_EQ(after.left, image.left);
        EXPECT_EQ(after.top, image.top);
        EXPECT_EQ(PositionTop(Scratch(), kLayoutFront), kStartTop);
        EXPECT_EQ(PositionLeft(Scratch(), kLayoutFront), kStartLeft);
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEALL)) << "the pointer is over the body again";
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    EXPECT_EQ(Run(script), FALSE);
    EXPECT_FALSE(script.ranOut);
}

// ---- Resizing by a corner ----------------------------------------------------------------------------

// The bottom-right handle pulled mostly downwards: the height follows the mouse, the width the
// page's proportion, the top-left corner stays, and the zoom is measured along the sheet's length.
TEST_F(PreviewMouse, DraggingACornerResizesWithTheAspectKeptAndSetsTheZoom) {
    constexpr LONG kDx = 3, kDy = 15;
    Before b{};
    POINT corner{};
    Script script;
    script.steps.push_back([&](HWND d) {
        b = Look(d);
        HWND preview = GetDlgItem(d, ids::kPreview);
        corner = {b.image.right, b.image.bottom};
        EXPECT_TRUE(PlatMousePress(preview, corner.x - 2, corner.y - 3));
        EXPECT_EQ(XY(Pointer()), XY(OnScreen(preview, corner))) << "the pointer goes onto the exact corner";
        EXPECT_EQ(GetCapture(), preview);
    });
    script.steps.push_back(
        [&](HWND d) { EXPECT_TRUE(PlatMouseMove(GetDlgItem(d, ids::kPreview), corner.x + kDx, corner.y + kDy)); });
    script.steps.push_back([&](HWND d) {
        HWND preview = GetDlgItem(d, ids::kPreview);
        EXPECT_TRUE(PlatMouseRelease(preview, corner.x + kDx, corner.y + kDy));
        EXPECT_EQ(GetCapture(), nullptr);
    });
    script.steps.push_back([&](HWND d) {
        const PreviewPicture picture(GetDlgItem(d, ids::kPreview));
        const RECT image = picture.Box(kFrontPen);
        EXPECT_EQ(image.left, b.image.left) << "the opposite corner stays";
        EXPECT_EQ(image.top, b.image.top);
        const LONG height = Height(b.image) + kDy;
        EXPECT_EQ(Height(image), height);
        EXPECT_EQ(Width(image), std::lround(height * PagePrintableWidth(b) / PagePrintableHeight(b)));
        // Zoom: the image against the sheet's printable length, scaled by the sheet's printable
        // length over the page's.
        const double sheetPrintable = kSheetLength - 2 * kUnlistedMargin;
        const LONG zoom = std::lround(height * sheetPrintable * 100.0 / (Height(b.printable) * PagePrintableHeight(b)));
        EXPECT_EQ(Get(Scratch(), dm::Zoom), zoom);
        EXPECT_EQ(Get(Scratch(), dm::SavedZoom), zoom);
        const std::string zoomText = std::to_string(zoom);
        EXPECT_EQ(TextOf(d, ids::kZoom), std::u16string(zoomText.begin(), zoomText.end()));
        EXPECT_GT(zoom, kStartZoom);
        // The positions are read back from the unchanged top-left corner.
        EXPECT_EQ(PositionTop(Scratch(), kLayoutFront), PositionFromPixels(image.top - b.sheet.top, b));
        EXPECT_EQ(PositionLeft(Scratch(), kLayoutFront), PositionFromPixels(image.left - b.sheet.left, b));
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_FALSE(script.ranOut);
    EXPECT_GT(Get(ui_->currentDevmode, dm::Zoom), kStartZoom);
}

// With a back side both images take the new size.
TEST_F(PreviewMouse, ACornerDragResizesBothSides) {
    WithBackSide();
    constexpr LONG kDy = 6;
    RECT front{}, back{};
    POINT corner{};
    Script script;
    script.steps.push_back([&](HWND d) {
        const PreviewPicture picture(GetDlgItem(d, ids::kPreview));
        front = picture.Box(kFrontPen);
        back = picture.Box(kBackPen);
        ASSERT_GT(Width(back), 0) << "the back image is shown";
        corner = {front.right, front.bottom};
        EXPECT_TRUE(PlatMousePress(GetDlgItem(d, ids::kPreview), corner.x, corner.y));
    });
    script.steps.push_back(
        [&](HWND d) { EXPECT_TRUE(PlatMouseMove(GetDlgItem(d, ids::kPreview), corner.x + 1, corner.y + kDy)); });
    script.steps.push_back(
        [&](HWND d) { EXPECT_TRUE(PlatMouseRelease(GetDlgItem(d, ids::kPreview), corner.x + 1, corner.y + kDy)); });
    script.steps.push_back([&](HWND d) {
        const PreviewPicture picture(GetDlgItem(d, ids::kPreview));
        const RECT newFront = picture.Box(kFrontPen), newBack = picture.Box(kBackPen);
        EXPECT_EQ(Height(newFront), Height(front) + kDy);
        EXPECT_EQ(Height(newBack), Height(newFront));
        EXPECT_EQ(Width(newBack), Width(newFront));
        EXPECT_EQ(newBack.left, back.left);
        EXPECT_EQ(newBack.top, back.top);
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    EXPECT_EQ(Run(script), FALSE);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(Get(ui_->currentDevmode, dm::Zoom), kStartZoom) << "Cancel keeps the record";
}

// A corner only moves along its own diagonal; a stroke across it changes nothing and the pointer
// goes back onto the corner.
struct RefusedStroke {
    const char* name;
    int corner;
    LONG dx, dy;
};
const RefusedStroke kRefusedStrokes[] = {
    {"bottom-right up and right", kCornerBottomRight, 8, -5}, {"bottom-right down and left", kCornerBottomRight, -5, 8},
    {"top-left up and right", kCornerTopLeft, 8, -5},         {"top-right down and right", kCornerTopRight, 5, 8},
    {"bottom-left up and left", kCornerBottomLeft, -8, -5},
};

POINT CornerOf(const RECT& r, int corner) {
    const bool left = corner == kCornerTopLeft || corner == kCornerBottomLeft;
    const bool top = corner == kCornerTopLeft || corner == kCornerTopRight;
    return {left ? r.left : r.right, top ? r.top : r.bottom};
}

TEST_F(PreviewMouse, AStrokeAgainstTheCornersDiagonalIsRefused) {
    for (const RefusedStroke& c : kRefusedStrokes) {
        SCOPED_TRACE(c.name);
        RECT image{};
        POINT corner{};
        Script script;
        script.steps.push_back([&](HWND d) {
            image = PreviewPicture(GetDlgItem(d, ids::kPreview)).Box(kFrontPen);
            corner = CornerOf(image, c.corner);
            EXPECT_TRUE(PlatMousePress(GetDlgItem(d, ids::kPreview), corner.x, corner.y));
        });
        script.steps.push_back([&](HWND d) {
            HWND preview = GetDlgItem(d, ids::kPreview);
            EXPECT_TRUE(PlatMouseMove(preview, corner.x + c.dx, corner.y + c.dy));
            EXPECT_EQ(XY(Pointer()), XY(OnScreen(preview, corner))) << "the pointer is put back";
        });
        script.steps.push_back([&](HWND d) {
            HWND preview = GetDlgItem(d, ids::kPreview);
            EXPECT_TRUE(PlatMouseRelease(preview, corner.x, corner.y));
            const RECT after = PreviewPicture(preview).Box(kFrontPen);
            EXPECT_TRUE(after.left == image.left && after.top == image.top && after.right == image.right &&
                        after.bottom == image.bottom);
            EXPECT_EQ(PositionTop(Scratch(), kLayoutFront), kStartTop);
            EXPECT_EQ(PositionLeft(Scratch(), kLayoutFront), kStartLeft);
            EXPECT_EQ(Get(Scratch(), dm::Zoom), kStartZoom);
            EXPECT_EQ(TextOf(d, ids::kZoom), u"60");
            EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
        });
        EXPECT_EQ(Run(script), FALSE);
        EXPECT_FALSE(script.ranOut);
    }
}

// Pulled past its opposite corner the image stops at 1 % of the sheet's shorter side (whole
// pixels, rounded up), the length in the page's proportion, and the pointer is held there.
TEST_F(PreviewMouse, TheImageStopsAtTheSmallestSize) {
    Before b{};
    POINT corner{}, to{};
    Script script;
    script.steps.push_back([&](HWND d) {
        b = Look(d);
        corner = {b.image.right, b.image.bottom};
        to = {b.image.left - 20, b.image.top - 30};
        EXPECT_TRUE(PlatMousePress(GetDlgItem(d, ids::kPreview), corner.x, corner.y));
    });
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatMouseMove(GetDlgItem(d, ids::kPreview), to.x, to.y)); });
    script.steps.push_back([&](HWND d) {
        HWND preview = GetDlgItem(d, ids::kPreview);
        const LONG width = (Width(b.sheet) + 99) / 100;
        const LONG height = std::lround(width * PagePrintableHeight(b) / PagePrintableWidth(b));
        EXPECT_EQ(XY(Pointer()), XY(OnScreen(preview, {b.image.left + width, b.image.top + height})))
            << "the pointer is held at the smallest size";
        EXPECT_TRUE(PlatMouseRelease(preview, to.x, to.y));
        const RECT image = PreviewPicture(preview).Box(kFrontPen);
        EXPECT_EQ(image.left, b.image.left);
        EXPECT_EQ(image.top, b.image.top);
        EXPECT_EQ(Width(image), width);
        EXPECT_EQ(Height(image), height);
        EXPECT_GE(Get(Scratch(), dm::Zoom), 1);
        EXPECT_LT(Get(Scratch(), dm::Zoom), kStartZoom / 10);
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    EXPECT_EQ(Run(script), FALSE);
    EXPECT_FALSE(script.ranOut);
}

// ---- Cursor -------------------------------------------------------------------------------------------

struct CursorCase {
    const char* name;
    bool freeZoom;
    int corner;  // -1: the body's centre, -2: the sheet outside the image
    LPCWSTR cursor;
};
const CursorCase kCursorCases[] = {
    {"body", true, -1, IDC_SIZEALL},
    {"top-left handle", true, kCornerTopLeft, IDC_SIZENWSE},
    {"top-right handle", true, kCornerTopRight, IDC_SIZENESW},
    {"bottom-left handle", true, kCornerBottomLeft, IDC_SIZENESW},
    {"bottom-right handle", true, kCornerBottomRight, IDC_SIZENWSE},
    {"outside the image", true, -2, IDC_ARROW},
    {"corner without free zoom is body", false, kCornerBottomRight, IDC_SIZEALL},
    {"outside without free zoom", false, -2, IDC_ARROW},
};

TEST_F(PreviewMouse, TheCursorShowsWhatIsUnderThePointer) {
    for (const CursorCase& c : kCursorCases) {
        SCOPED_TRACE(c.name);
        StartRecord();
        if (!c.freeZoom) WithoutFreeZoom();
        Script script;
        script.steps.push_back([&](HWND d) {
            HWND preview = GetDlgItem(d, ids::kPreview);
            const PreviewPicture picture(preview);
            const RECT image = picture.Box(kFrontPen);
            const RECT sheet = picture.Sheet();
            POINT at = Centre(image);
            if (c.corner == -2) at = {sheet.left + 1, sheet.bottom - 2};
            // A corner is hit a pixel inside the image, where a body would be too.
            if (c.corner >= 0) {
                const POINT corner = CornerOf(image, c.corner);
                const bool left = c.corner == kCornerTopLeft || c.corner == kCornerBottomLeft;
                const bool top = c.corner == kCornerTopLeft || c.corner == kCornerTopRight;
                at = {corner.x + (left ? 2 : -2), corner.y + (top ? 2 : -2)};
            }
            SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
            EXPECT_TRUE(PlatMouseMove(preview, at.x, at.y));
            EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, c.cursor));
            EXPECT_EQ(GetCapture(), nullptr) << "moving without the button captures nothing";
            EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
        });
        EXPECT_EQ(Run(script), FALSE);
        EXPECT_FALSE(script.ranOut);
    }
}

// ---- Pictures ----------------------------------------------------------------------------------------

// The whole dialog compared with tests/pages/reference/layout_detail_<case>_<build>.png;
// ORLA_UPDATE_REFERENCES=1 writes the references instead (look at them before committing).
class LayoutPictures : public PreviewMouse {
protected:
    // The English build shows its own texts: the user's locale picks the English resource DLL.
    void SetUp() override {
        PreviewMouse::SetUp();
        if (kJapaneseBuild) return;
        UseEnglishResources();
        if (HasFatalFailure()) return;
        StartRecord();
    }
    void ExpectLikeReference(const std::string& name) {
        Script script;
        script.steps.push_back([&](HWND d) {
            pages_test::ExpectWindowLikeReference(d, name);
            EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
        });
        EXPECT_EQ(Run(script), FALSE);
        EXPECT_FALSE(script.ranOut);
    }
};

TEST_F(LayoutPictures, OneSide) {
    WithoutFreeZoom();
    SetPosition(ui_->currentDevmode, kLayoutFront, 123, 45);
    Set(ui_->currentDevmode, dm::Zoom, WORD{100});
    ExpectLikeReference("layout_detail_one_side");
}

TEST_F(LayoutPictures, TwoSides) {
    WithBackSide();
    WithoutFreeZoom();
    SetPosition(ui_->currentDevmode, kLayoutFront, 123, 45);
    SetPosition(ui_->currentDevmode, kLayoutBack, 60, 70);
    Set(ui_->currentDevmode, dm::Zoom, WORD{100});
    ExpectLikeReference("layout_detail_two_sides");
}

}  // namespace
