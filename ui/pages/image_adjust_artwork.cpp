// The image adjustment page's picture (bitmap 2000), drawn by code: a small landscape (sky, sun,
// hills, a house) over a grey wedge from black to white, the things brightness and contrast
// change, as a 24-bit bottom-up DIB.
#include <cstring>
#include <vector>

#include "ui/pages/image_adjust_page.h"
#include "ui/pages/preview_artwork.h"
#include "win/gdi.h"

namespace orla {

namespace {

using Rgb = ArtworkRgb;
constexpr Rgb kFrame{96, 96, 96}, kSun{250, 200, 40}, kHill{70, 150, 70}, kFarHill{120, 180, 110}, kWall{230, 220, 200},
    kRoof{190, 60, 50}, kDoor{110, 70, 40};
constexpr int kWedgeSteps = 8;
constexpr int kWedgeHeight = 12;

struct Picture {
    int w, h;
    std::vector<Rgb> px;
    Picture(int width, int height) : w(width), h(height), px(size_t(width) * height, Rgb{255, 255, 255}) {}
    void Put(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < w && y < h) px[size_t(y) * w + x] = c;
    }
    void Fill(int x0, int y0, int x1, int y1, Rgb c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Put(x, y, c);
    }
    std::vector<BYTE> Dib() const { return BottomUpDib24(w, h, px); }
};

// A hill: a parabola over [x0, x1] whose top is at y `top`, filled down to `bottom`.
void Hill(Picture& p, int x0, int x1, int top, int bottom, Rgb c) {
    const int mid = (x0 + x1) / 2, half = (x1 - x0) / 2;
    for (int x = x0; x <= x1; ++x) {
        const int d = x - mid;
        const int y = top + (bottom - top) * d * d / (half * half);
        p.Fill(x, y, x + 1, bottom, c);
    }
}

Picture Landscape() {
    constexpr int w = kImageAdjustPictureWidth, h = kImageAdjustPictureHeight;
    const int ground = h - kWedgeHeight - 2;
    Picture p(w, h);
    // Sky lighter towards the horizon.
    for (int y = 1; y < ground; ++y) {
        const BYTE shade = static_cast<BYTE>(120 + 120 * y / ground);
        p.Fill(1, y, w - 1, y + 1, Rgb{shade, static_cast<BYTE>(180 + 60 * y / ground), 250});
    }
    // The sun.
    for (int y = -7; y <= 7; ++y)
        for (int x = -7; x <= 7; ++x)
            if (x * x + y * y <= 49) p.Put(68 + x, 14 + y, kSun);
    Hill(p, -10, 60, 24, ground, kFarHill);
    Hill(p, 30, 100, 30, ground, kHill);
    // A house on the near hill.
    p.Fill(14, 36, 32, ground, kWall);
    for (int k = 0; k < 10; ++k) p.Fill(13 + k, 35 - k, 33 - k, 36 - k, kRoof);
    p.Fill(21, ground - 9, 26, ground, kDoor);
    // The grey wedge, black to white.
    const int stepWidth = (w - 2) / kWedgeSteps;
    for (int k = 0; k < kWedgeSteps; ++k) {
        const BYTE grey = static_cast<BYTE>(255 * k / (kWedgeSteps - 1));
        p.Fill(1 + k * stepWidth, ground + 1, k == kWedgeSteps - 1 ? w - 1 : 1 + (k + 1) * stepWidth, h - 1,
               Rgb{grey, grey, grey});
    }
    // The frame, and the line between picture and wedge.
    p.Fill(0, 0, w, 1, kFrame);
    p.Fill(0, h - 1, w, h, kFrame);
    p.Fill(0, 0, 1, h, kFrame);
    p.Fill(w - 1, 0, w, h, kFrame);
    p.Fill(0, ground, w, ground + 1, kFrame);
    return p;
}

struct Made {
    std::vector<BYTE> data;
    ORLA_RESOURCE entry;
    Made()
        : data(Landscape().Dib()), entry{2,       nullptr,     static_cast<WORD>(image_ids::kPictureBitmap),
                                         nullptr, data.data(), static_cast<DWORD>(data.size())} {}
};

}  // namespace

std::span<const ORLA_RESOURCE> ImageAdjustBitmapResources() {
    static const Made made;
    return {&made.entry, 1};
}

}  // namespace orla
