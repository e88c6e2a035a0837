// Memory device contexts: fills, frames, lines, copies and text drawn into engine-surface
// bitmaps, read back pixel by pixel; bitmaps from resources; objects counted and guarded.
#include "plat/window_render.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace {

using namespace uitest;

// A memory DC with a white bitmap selected, all released at the end.
struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap;
    HGDIOBJ previous;
    Canvas(int cx, int cy) : bitmap(CreateCompatibleBitmap(dc, cx, cy)), previous(SelectObject(dc, bitmap)) {
        RECT all{0, 0, cx, cy};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // Pixels darker than mid grey inside the rectangle.
    int Dark(RECT r) const {
        int n = 0;
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                if (c != CLR_INVALID && (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF) < 3 * 128) ++n;
            }
        return n;
    }
};

TEST(DeviceContext, FillsFramesLinesAndCopies) {
    DWORD before = PlatLiveUiGdiObjectCount();
    {
        Canvas c(40, 30);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT box{2, 2, 10, 10};
        EXPECT_EQ(FillRect(c.dc, &box, red), 1);
        EXPECT_EQ(GetPixel(c.dc, 2, 2), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(c.dc, 10, 10), RGB(255, 255, 255));  // right and bottom edges are outside
        RECT face{12, 2, 14, 4};
        FillRect(c.dc, &face, reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_HIGHLIGHT + 1)));
        EXPECT_EQ(GetPixel(c.dc, 12, 2), GetSysColor(COLOR_HIGHLIGHT));

        MoveToEx(c.dc, 0, 20, nullptr);
        EXPECT_TRUE(LineTo(c.dc, 10, 20));
        EXPECT_EQ(GetPixel(c.dc, 0, 20), RGB(0, 0, 0));
        EXPECT_EQ(GetPixel(c.dc, 9, 20), RGB(0, 0, 0));
        EXPECT_EQ(GetPixel(c.dc, 10, 20), RGB(255, 255, 255));  // the end point is left for the next line

        Canvas copy(40, 30);
        EXPECT_TRUE(BitBlt(copy.dc, 20, 0, 10, 10, c.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(GetPixel(copy.dc, 22, 2), RGB(255, 0, 0));
        EXPECT_FALSE(BitBlt(copy.dc, 0, 0, 5, 5, c.dc, 0, 0, 0x00660046));  // SRCINVERT is not offered
        // A mask drawn with SRCAND, then the picture with SRCPAINT: the red square over green.
        RECT greenAll{0, 0, 40, 30};
        HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
        FillRect(copy.dc, &greenAll, green);
        DeleteObject(green);
        EXPECT_TRUE(BitBlt(copy.dc, 0, 0, 5, 5, c.dc, 0, 0, SRCAND));
        EXPECT_EQ(GetPixel(copy.dc, 2, 2), RGB(0, 0, 0));  // red AND green
        EXPECT_TRUE(BitBlt(copy.dc, 0, 0, 5, 5, c.dc, 0, 0, SRCPAINT));
        EXPECT_EQ(GetPixel(copy.dc, 2, 2), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(copy.dc, 6, 6), RGB(0, 255, 0));  // outside the copy
        BITMAP bm{};
        EXPECT_EQ(GetObjectW(copy.bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
        EXPECT_EQ(bm.bmWidth, 40);
        EXPECT_EQ(bm.bmHeight, 30);
        EXPECT_EQ(GetObjectW(copy.bitmap, 4, &bm), 0);
        EXPECT_FALSE(DeleteObject(c.bitmap));  // still selected
        HGDIOBJ old = SelectObject(c.dc, red);
        EXPECT_TRUE(Rectangle(c.dc, 20, 20, 30, 28));
        EXPECT_EQ(GetPixel(c.dc, 20, 20), RGB(0, 0, 0));    // the pen's frame
        EXPECT_EQ(GetPixel(c.dc, 25, 24), RGB(255, 0, 0));  // the brush inside
        SelectObject(c.dc, old);
        EXPECT_TRUE(DeleteObject(red));
        EXPECT_FALSE(DeleteObject(red));
    }
    EXPECT_EQ(PlatLiveUiGdiObjectCount(), before);
    HDC empty = CreateCompatibleDC(nullptr);
    RECT r{0, 0, 5, 5};
    EXPECT_EQ(FillRect(empty, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);  // no bitmap, no drawing
    DeleteDC(empty);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 0, 5), nullptr);
}

TEST(DeviceContext, TextIsMeasuredAndPlaced) {
    Canvas c(200, 40);
    SetBkMode(c.dc, TRANSPARENT);
    SIZE one, two;
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"Copies", 6, &one));
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"CopiesCopies", 12, &two));
    EXPECT_GT(one.cx, 20);
    EXPECT_EQ(two.cx, 2 * one.cx);
    RECT measured{0, 0, 0, 0};
    EXPECT_EQ(DrawTextW(c.dc, u"&Copies", -1, &measured, DT_CALCRECT | DT_SINGLELINE), one.cy);
    EXPECT_EQ(measured.right, one.cx);  // the prefix marker takes no room

    EXPECT_TRUE(TextOutW(c.dc, 2, 2, u"Copies", 6));
    EXPECT_GT(c.Dark(RECT{2, 2, 2 + one.cx, 2 + one.cy}), 20);
    EXPECT_EQ(c.Dark(RECT{2 + one.cx + 2, 0, 200, 20}), 0);

    RECT line{0, 20, 200, 40};
    DrawTextW(c.dc, u"Copies", -1, &line, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    LONG left = (200 - one.cx) / 2;
    EXPECT_EQ(c.Dark(RECT{0, 20, left - 1, 40}), 0);
    EXPECT_GT(c.Dark(RECT{left, 20, left + one.cx, 40}), 20);
}

TEST(DeviceContext, BitmapsLoadFromResources) {
    HBITMAP bitmap = LoadBitmapW(DialogModule(), MAKEINTRESOURCEW(kBitmapSmall));
    ASSERT_NE(bitmap, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 2, 0), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 2, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 3, 0), CLR_INVALID);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EXPECT_EQ(LoadBitmapW(DialogModule(), MAKEINTRESOURCEW(kBitmapShort)), nullptr);  // cut short: refused
    EXPECT_EQ(LoadBitmapW(DialogModule(), MAKEINTRESOURCEW(999)), nullptr);
}

HICON LoadSized(int id, int cx, int cy, UINT flags = LR_DEFAULTCOLOR) {
    return static_cast<HICON>(LoadImageW(DialogModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, cx, cy, flags));
}

TEST(DeviceContext, IconsDrawWithTheirAlpha) {
    DWORD before = PlatLiveIconCount();
    HICON icon = LoadSized(kIconSmall, 2, 2);  // the group's 2 x 2 image, the one with alpha
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PlatLiveIconCount(), before + 1);
    {
        Canvas c(20, 20);
        ASSERT_TRUE(DrawIconEx(c.dc, 1, 1, icon, 0, 0, 0, nullptr, DI_NORMAL));
        EXPECT_EQ(GetPixel(c.dc, 1, 1), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(c.dc, 2, 1), RGB(255, 255, 255));  // transparent: the white shows
        EXPECT_EQ(GetPixel(c.dc, 2, 2), RGB(0, 0, 0));
        COLORREF half = GetPixel(c.dc, 1, 2);  // half-clear green over white
        EXPECT_EQ(half & 0xFF, 127u);
        EXPECT_EQ((half >> 8) & 0xFF, 255u);
        ASSERT_TRUE(DrawIconEx(c.dc, 10, 10, icon, 4, 4, 0, nullptr, DI_NORMAL));  // scaled up
        EXPECT_EQ(GetPixel(c.dc, 11, 11), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(c.dc, 13, 13), RGB(0, 0, 0));
    }
    {
        // A static showing the icon draws it in the window's picture.
        WindowHolder frame(CreateWindowExW(0, u"Static", u"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                                           nullptr, nullptr));
        HWND picture = CreateWindowExW(0, u"Static", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, 4, 4, 32, 32, frame.h,
                                       nullptr, nullptr, nullptr);
        SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        LONG width = 0, height = 0;
        std::vector<BYTE> rgb(PlatRenderWindow(frame.h, nullptr, 0, &width, &height));
        PlatRenderWindow(frame.h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height);
        const BYTE* at = &rgb[(4 * static_cast<size_t>(width) + 4) * 3];
        EXPECT_EQ(at[0], 255);  // the icon's red corner
        EXPECT_EQ(at[1], 0);
    }
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));
    EXPECT_EQ(PlatLiveIconCount(), before);
    EXPECT_EQ(LoadSized(kIconSmall, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_FALSE(DrawIconEx(nullptr, 0, 0, reinterpret_cast<HICON>(&before), 0, 0, 0, nullptr, DI_NORMAL));
}

// An icon id names a group: the image nearest the size asked for is taken, and a masked image
// is clear where its mask is set. The 4 x 4 image is blue with a clear left column.
TEST(DeviceContext, IconGroupsGiveTheNearestSizeWithItsMask) {
    struct Case {
        const char* what;
        HICON (*load)();
        LONG drawnWidth;  // at its own or its asked-for size
        bool masked;      // the 4 x 4 image (else the 2 x 2 one)
    } const cases[] = {
        {"LoadIconW: the system size is nearer 4 x 4",
         [] { return LoadIconW(DialogModule(), MAKEINTRESOURCEW(kIconSmall)); }, 4, true},
        {"asked 16 x 16", [] { return LoadSized(kIconSmall, 16, 16); }, 16, true},
        {"asked 2 x 2", [] { return LoadSized(kIconSmall, 2, 2); }, 2, false},
        {"no size: the first image", [] { return LoadSized(kIconSmall, 0, 0); }, 2, false},
        {"the system size", [] { return LoadSized(kIconSmall, 0, 0, LR_DEFAULTSIZE); }, GetSystemMetrics(SM_CXICON),
         true},
    };
    for (const Case& c : cases) {
        HICON icon = c.load();
        ASSERT_NE(icon, nullptr) << c.what;
        Canvas canvas(40, 40);
        ASSERT_TRUE(DrawIconEx(canvas.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL)) << c.what;
        LONG last = c.drawnWidth - 1;
        EXPECT_EQ(GetPixel(canvas.dc, last, last), c.masked ? RGB(0, 0, 255) : RGB(0, 0, 0)) << c.what;
        EXPECT_EQ(GetPixel(canvas.dc, last + 1, last), RGB(255, 255, 255)) << c.what;  // nothing past its size
        if (c.masked) {
            EXPECT_EQ(GetPixel(canvas.dc, 0, last), RGB(255, 255, 255)) << c.what;  // the clear column
        }
        DestroyIcon(icon);
    }
    // Broken or missing pictures give no icon and leave nothing behind.
    DWORD before = PlatLiveIconCount();
    for (int id : {kIconMissingImage, kIconShortGroup, kIconImageAlpha, 999}) {
        EXPECT_EQ(LoadIconW(DialogModule(), MAKEINTRESOURCEW(id)), nullptr) << id;
        EXPECT_EQ(LoadSized(id, 16, 16), nullptr) << id;
    }
    EXPECT_EQ(PlatLiveIconCount(), before);
}

// LoadIconW icons are shared: one per module and id, never destroyed by their users, not
// counted as anyone's to free. LR_SHARED does the same for LoadImageW; without it every load is
// a new icon.
TEST(DeviceContext, SharedIconsAreOnePerModuleAndId) {
    DWORD before = PlatLiveIconCount();
    HICON first = LoadIconW(DialogModule(), MAKEINTRESOURCEW(kIconSmall));
    HICON again = LoadIconW(DialogModule(), MAKEINTRESOURCEW(kIconSmall));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, again);
    EXPECT_TRUE(DestroyIcon(first));
    Canvas c(8, 8);
    EXPECT_TRUE(DrawIconEx(c.dc, 0, 0, first, 0, 0, 0, nullptr, DI_NORMAL));  // still there
    HICON sharedSmall = LoadSized(kIconSmall, 2, 2, LR_SHARED);
    EXPECT_EQ(LoadSized(kIconSmall, 2, 2, LR_SHARED), sharedSmall);
    EXPECT_NE(sharedSmall, first);  // another size, another icon
    EXPECT_EQ(PlatLiveIconCount(), before);
    HICON own = LoadSized(kIconSmall, 2, 2);
    EXPECT_NE(own, sharedSmall);
    EXPECT_EQ(PlatLiveIconCount(), before + 1);
    EXPECT_TRUE(DestroyIcon(own));
    EXPECT_EQ(PlatLiveIconCount(), before);
}

}  // namespace
