// Preview artwork drawn by code: each id gets a small picture that says what it stands for
// (a sheet, a grid of pages with the first page marked, a binding bar, a printer, a tray).
#include "ui/pages/preview_artwork.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "win/gdi.h"

namespace orla {

namespace {

struct Rgb {
    BYTE r, g, b;
};
constexpr Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kGrey{160, 160, 160}, kBlue{40, 80, 200}, kRed{200, 40, 40},
    kGreen{40, 150, 60}, kText{90, 90, 90}, kBody{210, 210, 200}, kPanel{60, 60, 70};

// A picture under construction: top-down pixels, written out bottom-up as a DIB.
struct Canvas {
    int w, h;
    std::vector<Rgb> px;
    Canvas(int width, int height, Rgb fill) : w(width), h(height), px(size_t(width) * height, fill) {}
    void Fill(int x0, int y0, int x1, int y1, Rgb c) {
        for (int y = std::max(y0, 0); y < std::min(y1, h); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, w); ++x) px[size_t(y) * w + x] = c;
    }
    void Frame(int x0, int y0, int x1, int y1, Rgb c) {
        Fill(x0, y0, x1, y0 + 1, c);
        Fill(x0, y1 - 1, x1, y1, c);
        Fill(x0, y0, x0 + 1, y1, c);
        Fill(x1 - 1, y0, x1, y1, c);
    }
    std::vector<BYTE> Dib() const {
        const int stride = (w * 3 + 3) & ~3;
        std::vector<BYTE> out(sizeof(BITMAPINFOHEADER) + size_t(stride) * h, 0);
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = w;
        header.biHeight = h;  // bottom-up
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        std::memcpy(out.data(), &header, sizeof header);
        for (int y = 0; y < h; ++y) {
            BYTE* row = out.data() + sizeof header + size_t(h - 1 - y) * stride;
            for (int x = 0; x < w; ++x) {
                const Rgb c = px[size_t(y) * w + x];
                row[3 * x] = c.b;
                row[3 * x + 1] = c.g;
                row[3 * x + 2] = c.r;
            }
        }
        return out;
    }
};

// Grid columns and rows of a page count, wider than high.
void GridOf(int pages, int& cols, int& rows) {
    switch (pages) {
        case 2:
            cols = 2, rows = 1;
            return;
        case 4:
            cols = 2, rows = 2;
            return;
        case 6:
            cols = 3, rows = 2;
            return;
        case 8:
            cols = 4, rows = 2;
            return;
        case 9:
            cols = 3, rows = 3;
            return;
        case 16:
            cols = 4, rows = 4;
            return;
        default:
            cols = 1, rows = 1;
            return;
    }
}

// Page contents: the pages of one sheet as text blocks, the first page in blue. Which cell holds
// the first page varies with the id so that each layout order looks different.
Canvas Content(int id) {
    Canvas c(40, 40, kWhite);
    int pages = 1;
    if (id >= 1006) pages = id <= 1013 ? 2 : id <= 1029 ? 4 : id <= 1045 ? 6 : id <= 1061 ? 8 : id <= 1077 ? 9 : 16;
    int cols, rows;
    GridOf(pages, cols, rows);
    if (id & 2) std::swap(cols, rows);  // the portrait variants stack the other way
    const int first = id % (cols * rows);
    for (int i = 0; i < cols * rows; ++i) {
        const int x0 = 1 + i % cols * 38 / cols, x1 = 1 + (i % cols + 1) * 38 / cols;
        const int y0 = 1 + i / cols * 38 / rows, y1 = 1 + (i / cols + 1) * 38 / rows;
        c.Frame(x0, y0, x1, y1, kGrey);
        const Rgb ink = i == first ? kBlue : kText;
        for (int y = y0 + 2; y + 1 < y1 - 1; y += 3) c.Fill(x0 + 2, y, x1 - 2, y + 1, ink);
    }
    return c;
}

Canvas Sheet(bool portrait) {
    Canvas c(portrait ? 58 : 80, portrait ? 80 : 58, kWhite);
    c.Frame(0, 0, c.w, c.h, kBlack);
    c.Fill(c.w - 4, 1, c.w - 1, c.h - 1, kGrey);  // a shadow on the right
    return c;
}

// Binding marks: a red bar with punch holes, along the long or the short edge.
Canvas Binding(int id) {
    const bool longEdge = id >= 1200;
    const bool across = (id % 2) == 0;
    Canvas c(across ? 24 : 6, across ? 6 : 24, kWhite);
    c.Fill(0, 0, c.w, c.h, longEdge ? kRed : kGreen);
    for (int i = 3; i < 24; i += 6) {
        if (across)
            c.Fill(i, 2, i + 2, 4, kWhite);
        else
            c.Fill(2, i, 4, i + 2, kWhite);
    }
    return c;
}

// Preview base, second-row marker and overlay indicators: 28 x 28 badges.
Canvas Badge(int id) {
    Canvas c(28, 28, Rgb{255, 204, 204});
    c.Frame(0, 0, 28, 28, kGrey);
    if (id == 860 || id == 861) {  // collated or not: one or two stacks
        c.Fill(6, 6, 18, 22, kWhite), c.Frame(6, 6, 18, 22, kBlack);
        if (id == 860) c.Fill(11, 4, 23, 20, kWhite), c.Frame(11, 4, 23, 20, kBlack);
    } else if (id == 863 || id == 864) {  // slip sheets
        c.Fill(5, 8, 23, 12, kWhite), c.Frame(5, 8, 23, 12, kBlack);
        c.Fill(5, 16, 23, 20, id == 864 ? kBlue : kWhite), c.Frame(5, 16, 23, 20, kBlack);
    } else {  // overlay indicators 865 to 871: stamp (T), annotation (S), form (F) as three bars
        constexpr int kT = 1, kS = 2, kF = 4;
        constexpr int kShown[] = {kT, kS, kT | kS, kF, kS | kF, kT | kF, kT | kS | kF};
        const int bits = kShown[id - 865];
        const Rgb colours[3] = {kRed, kGreen, kBlue};
        for (int k = 0; k < 3; ++k)
            if (bits & (1 << k)) c.Fill(5, 5 + 7 * k, 23, 10 + 7 * k, colours[k]);
    }
    return c;
}

// The printer and its trays: images on black with white masks, black where the picture is.
Canvas Printer(bool mask, bool model) {
    const int h = model ? 67 : 62;
    Canvas c(80, h, mask ? kWhite : kBlack);
    const Rgb body = mask ? kBlack : kBody;
    c.Fill(4, 6, 76, h, body);
    c.Fill(10, 0, 70, 6, mask ? kBlack : kGrey);
    if (!mask) {
        c.Frame(4, 6, 76, h, kBlack);
        c.Fill(54, 12, 70, 20, kPanel);
        c.Fill(12, h - 14, 68, h - 10, kGrey);
        if (model) c.Fill(12, 24, 40, 28, kBlue);
    }
    return c;
}
Canvas Tray(bool mask, bool thin) {
    const int h = thin ? 12 : 16;
    Canvas c(80, h, mask ? kWhite : kBlack);
    c.Fill(4, 0, 76, h, mask ? kBlack : kBody);
    if (!mask) {
        c.Frame(4, 0, 76, h, kBlack);
        c.Fill(30, h / 2 - 1, 50, h / 2 + 1, kGrey);
    }
    return c;
}

Canvas Artwork(int id) {
    if (id == 1000 || id == 1001) return Sheet(id == 1000);
    if (id >= 1002 && id <= 1099) return Content(id);
    if ((id >= 1100 && id <= 1127) || (id >= 1200 && id <= 1227)) return Binding(id);
    if (id == 840 || id == 850) return Printer(id == 850, false);
    if (id == 872 || id == 873) return Printer(id == 873, true);
    if (id == 842 || id == 852) return Tray(id == 852, true);
    return Tray(id == 853, false);  // 843 and 853
}

struct Made {
    std::deque<std::vector<BYTE>> data;
    std::vector<ORLA_RESOURCE> entries;
    Made() {
        std::vector<int> ids = {840, 842, 843, 850, 852, 853, 860, 861, 863, 864, 872, 873};
        for (int id = 865; id <= 871; ++id) ids.push_back(id);
        for (int id = 1000; id <= 1127; ++id) ids.push_back(id);
        for (int id = 1200; id <= 1227; ++id) ids.push_back(id);
        for (int id : ids) {
            const Canvas c = (id >= 860 && id <= 871) ? Badge(id) : Artwork(id);
            data.push_back(c.Dib());
            entries.push_back(ORLA_RESOURCE{2, nullptr, static_cast<WORD>(id), nullptr, data.back().data(),
                                            static_cast<DWORD>(data.back().size())});
        }
    }
};

}  // namespace

std::span<const ORLA_RESOURCE> PreviewBitmapResources() {
    static const Made made;
    return made.entries;
}

}  // namespace orla
