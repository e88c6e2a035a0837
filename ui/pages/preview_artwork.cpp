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

using Rgb = ArtworkRgb;
constexpr Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kGrey{160, 160, 160}, kBlue{40, 80, 200}, kRed{200, 40, 40},
    kGreen{40, 150, 60}, kText{90, 90, 90}, kBody{210, 210, 200}, kPanel{60, 60, 70};
constexpr Rgb RgbOf(COLORREF c) {
    return {BYTE(c & 0xFF), BYTE((c >> 8) & 0xFF), BYTE((c >> 16) & 0xFF)};
}
constexpr Rgb kPreviewPageFrameRgb = RgbOf(kPreviewPageFrame), kPreviewFirstPageRgb = RgbOf(kPreviewFirstPage),
              kPreviewSecondPageRgb = RgbOf(kPreviewSecondPage), kPreviewLongEdgeRgb = RgbOf(kPreviewLongEdgeMark),
              kPreviewShortEdgeRgb = RgbOf(kPreviewShortEdgeMark), kPreviewBackgroundRgb = RgbOf(kPreviewBackground);

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
    std::vector<BYTE> Dib() const { return BottomUpDib24(w, h, px); }
};

// What a picture id of the sheet stands for, read back from the id formulas of the placements:
// layout kind, document pages portrait or landscape, pages turned half round (the sheet setting),
// and the page order.
struct Layout {
    int kind;
    bool portraitPages;
    bool turned;
    int order;
};

// Content ids: 1002 to 1005 one page a sheet, then 1006 on, per kind a block of four groups
// (portrait / landscape pages, then the same turned) of one id per page order.
bool LayoutOfContent(int id, Layout& out) {
    if (id >= 1002 && id <= 1005) {
        out = {1, (id - 1002) % 2 == 0, id >= 1004, 0};
        return true;
    }
    struct Block {
        int kind, first, orders;
    };
    static constexpr Block kBlocks[] = {{2, 1006, 2}, {4, 1014, 4}, {6, 1030, 4},
                                        {8, 1046, 4}, {9, 1062, 4}, {16, 1078, 4}};
    for (const Block& b : kBlocks) {
        const int i = id - b.first;
        if (i < 0 || i >= 4 * b.orders) continue;
        out = {b.kind, (i / b.orders) % 2 == 0, i >= 2 * b.orders, i % b.orders};
        return true;
    }
    return false;
}

// Binding-mark ids: per kind four ids (portrait / landscape pages, then the same turned).
bool LayoutOfMark(int id, Layout& out) {
    static constexpr int kKinds[] = {1, 2, 4, 6, 8, 9, 16};
    const int i = id % 100;
    if (i < 0 || i >= 28 || (id / 100 != 11 && id / 100 != 12)) return false;
    out = {kKinds[i / 4], i % 2 == 0, (i % 4) >= 2, 0};
    return true;
}

// Kinds 2, 6 and 8 put portrait pages on a landscape sheet and landscape pages on a portrait one.
bool PortraitSheet(const Layout& l) {
    const bool acrossKind = l.kind == 2 || l.kind == 6 || l.kind == 8;
    return acrossKind ? !l.portraitPages : l.portraitPages;
}

// Columns and rows of the pages on the sheet: side by side for portrait pages on a landscape
// sheet, stacked for landscape pages on a portrait sheet.
void GridOf(const Layout& l, int& cols, int& rows) {
    int many = 1, few = 1;
    switch (l.kind) {
        case 2:
            many = 2;
            break;
        case 6:
            many = 3, few = 2;
            break;
        case 8:
            many = 4, few = 2;
            break;
        case 4:
            many = few = 2;
            break;
        case 9:
            many = few = 3;
            break;
        case 16:
            many = few = 4;
            break;
    }
    const bool sideBySide = !PortraitSheet(l);
    cols = sideBySide ? many : few;
    rows = sideBySide ? few : many;
}

// The cell of the n-th page (0-based) in the page order, before any turning.
void CellOfPage(const Layout& l, int cols, int rows, int n, int& col, int& row) {
    if (l.kind == 2) {  // 0: first page left (top), 1: first page right (bottom)
        const int i = l.order == 1 ? cols * rows - 1 - n : n;
        col = i % cols, row = i / cols;
        return;
    }
    const bool down = l.order == 1 || l.order == 3;
    const bool fromRight = l.order == 2 || l.order == 3;
    col = down ? n / rows : n % cols;
    row = down ? n % rows : n / cols;
    if (fromRight) col = cols - 1 - col;
}

// A page: a white block with a grey frame and lines of text, a heading line first; the first two
// pages of the order carry their own ink so the order can be read off the sheet.
void DrawPage(Canvas& c, int x0, int y0, int x1, int y1, Rgb ink) {
    c.Fill(x0, y0, x1, y1, kWhite);
    c.Frame(x0, y0, x1, y1, kPreviewPageFrameRgb);
    if (x1 - x0 < 5 || y1 - y0 < 5) return;
    // A heading of half the width, two lines thick, shows which way up the page stands.
    c.Fill(x0 + 2, y0 + 2, x0 + 2 + (x1 - x0 - 4 + 1) / 2, y0 + 4, ink);
    for (int y = y0 + 6; y + 1 < y1 - 1; y += 3) c.Fill(x0 + 2, y, x1 - 2, y + 1, ink);
}

void TurnHalfRound(Canvas& c) {
    std::reverse(c.px.begin(), c.px.end());
}

// The pages of one sheet filling the sheet inside its margins; turned pages are the whole picture
// turned half round.
Canvas Content(int id) {
    Layout l{};
    if (!LayoutOfContent(id, l)) l = {1, true, false, 0};
    const bool portraitSheet = PortraitSheet(l);
    const int w = (portraitSheet ? kPreviewSheetShort : kPreviewSheetLong) - 2 * kPreviewContentMargin;
    const int h = (portraitSheet ? kPreviewSheetLong : kPreviewSheetShort) - 2 * kPreviewContentMargin;
    Canvas c(w, h, kWhite);
    int cols, rows;
    GridOf(l, cols, rows);
    for (int n = 0; n < cols * rows; ++n) {
        int col, row;
        CellOfPage(l, cols, rows, n, col, row);
        // One pixel of sheet between neighbouring pages.
        const int x0 = col * (w + 1) / cols, x1 = (col + 1) * (w + 1) / cols - 1;
        const int y0 = row * (h + 1) / rows, y1 = (row + 1) * (h + 1) / rows - 1;
        DrawPage(c, x0, y0, x1, y1, n == 0 ? kPreviewFirstPageRgb : n == 1 ? kPreviewSecondPageRgb : kText);
    }
    if (l.turned) TurnHalfRound(c);
    return c;
}

Canvas Sheet(bool portrait) {
    Canvas c(portrait ? kPreviewSheetShort : kPreviewSheetLong, portrait ? kPreviewSheetLong : kPreviewSheetShort,
             kWhite);
    c.Frame(0, 0, c.w, c.h, kBlack);
    c.Fill(c.w - 4, 1, c.w - 1, c.h - 1, kGrey);  // a shadow on the right
    return c;
}

// Binding marks: a bar on the sheet's edge (its last line over the sheet's edge line) with an
// arrow beside it showing which way the pages turn: across the short edge for long-edge binding,
// across the long edge for short-edge binding, the other way round when the pages are turned. The
// mark starts where the placements put it, outside the edge, and runs to the end of that edge.
Canvas Binding(int id) {
    Layout l{};
    if (!LayoutOfMark(id, l)) l = {1, true, false, 0};
    const bool longEdge = id >= 1200;
    const bool portraitSheet = PortraitSheet(l);
    // Long-edge marks lie along the short edge: the top of a portrait sheet, the left of a landscape one.
    const bool alongTop = longEdge == portraitSheet;
    const int length =
        longEdge ? kPreviewSheetShort - kPreviewMarkShortEdgeFrom : kPreviewSheetLong - kPreviewMarkLongEdgeFrom;
    Canvas c(alongTop ? length : kPreviewMarkDepth, alongTop ? kPreviewMarkDepth : length, kPreviewBackgroundRgb);
    const Rgb colour = longEdge ? kPreviewLongEdgeRgb : kPreviewShortEdgeRgb;
    constexpr int kBar = 4;  // the bar's thickness, its last line on the sheet's edge line
    const int d = kPreviewMarkDepth;
    // The arrow: a shaft along the edge, its head at the end the pages turn to.
    for (int i = 0; i < length; ++i) {
        const int along = l.turned ? length - 1 - i : i;
        const int fromTip = length - 1 - i;
        for (int k = 0; k < d; ++k) {
            const bool bar = k >= d - kBar;
            const bool arrow = k == 2 || (fromTip < 3 && k >= 2 - fromTip && k <= 2 + fromTip);
            if (!bar && !arrow) continue;
            if (alongTop)
                c.Fill(along, k, along + 1, k + 1, colour);
            else
                c.Fill(k, along, k + 1, along + 1, colour);
        }
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

// ---- The print-time dialog's preview: a sheet in a box of kJobPictureBox pixels, drawn white
// where the picture lets the preview show through (the dialog combines them with SRCAND). ----

// The sheet's rectangle in the box, portrait or landscape, centred.
RECT JobSheet(bool portrait) {
    const int w = portrait ? kPreviewSheetShort : kPreviewSheetLong;
    const int h = portrait ? kPreviewSheetLong : kPreviewSheetShort;
    const int x = (kJobPictureBox - w) / 2, y = (kJobPictureBox - h) / 2;
    return {x, y, x + w, y + h};
}

// Page pictures 3111 to 3122: the sheet, a second sheet behind it for collated copies, and the
// bound edge of two-sided printing (2 long edge, 3 short edge).
Canvas JobPage(int id) {
    const int i = id - 3111;
    const bool portrait = i % 2 == 0, collated = i >= 6;
    const int duplex = (i % 6) / 2 + 1;
    Canvas c(kJobPictureBox, kJobPictureBox, kWhite);
    const RECT s = JobSheet(portrait);
    if (collated)
        c.Fill(s.left + 4, s.top - 4, s.right + 4, s.bottom - 4, kWhite),
            c.Frame(s.left + 4, s.top - 4, s.right + 4, s.bottom - 4, kGrey);
    c.Fill(s.left, s.top, s.right, s.bottom, kWhite);
    c.Frame(s.left, s.top, s.right, s.bottom, kBlack);
    // Long edge: the left of a portrait sheet, the top of a landscape one; short edge the other.
    const bool leftEdge = (duplex == 2) == portrait;
    if (duplex == 2 || duplex == 3) {
        const Rgb mark = duplex == 2 ? kPreviewLongEdgeRgb : kPreviewShortEdgeRgb;
        if (leftEdge)
            c.Fill(s.left - 4, s.top, s.left - 1, s.bottom, mark);
        else
            c.Fill(s.left, s.top - 4, s.right, s.top - 1, mark);
    }
    return c;
}

// Content of one page a sheet: text lines in the square both sheets share; 3125 the sheet turned
// half round (lines from the bottom).
Canvas JobOnePage(int id) {
    Canvas c(kJobPictureBox, kJobPictureBox, kWhite);
    const int from = (kJobPictureBox - kPreviewSheetShort) / 2 + kPreviewContentMargin;
    const int to = kJobPictureBox - from;
    for (int k = 0; k < 5; ++k) {
        const int y = id == 3125 ? to - 4 - 8 * k : from + 2 + 8 * k;
        c.Fill(from, y, k == 4 ? (from + to) / 2 : to, y + 2, kText);
    }
    c.Fill(from, id == 3125 ? to - 2 : from, from + 6, id == 3125 ? to : from + 2, kPreviewFirstPageRgb);
    return c;
}

// Pages per sheet 3127 to 3138: the grid of pages on the sheet, the first page marked.
Canvas JobPages(int id) {
    struct Grid {
        int id;
        bool portrait;
        int cols, rows;
    };
    static constexpr Grid kGrids[] = {{3128, true, 2, 2},  {3129, true, 2, 3},  {3130, true, 2, 4},
                                      {3131, true, 3, 3},  {3132, true, 4, 4},  {3133, false, 2, 1},
                                      {3134, false, 2, 2}, {3135, false, 3, 2}, {3136, false, 4, 2},
                                      {3137, false, 3, 3}, {3138, false, 4, 4}};
    Canvas c(kJobPictureBox, kJobPictureBox, kWhite);
    Grid g{3127, true, 1, 1};
    for (const Grid& k : kGrids)
        if (k.id == id) g = k;
    const RECT s = JobSheet(g.portrait);
    const int w = (s.right - s.left - 2 * 4) / g.cols, h = (s.bottom - s.top - 2 * 4) / g.rows;
    for (int r = 0; r < g.rows; ++r)
        for (int k = 0; k < g.cols; ++k) {
            const int x = s.left + 4 + k * w, y = s.top + 4 + r * h;
            c.Frame(x + 1, y + 1, x + w - 1, y + h - 1, kPreviewPageFrameRgb);
            if (r == 0 && k == 0) c.Fill(x + 2, y + 2, x + w - 2, y + h - 2, kPreviewFirstPageRgb);
        }
    return c;
}

// The stamp on the sheet: a red ring.
Canvas JobStamp() {
    Canvas c(24, 24, kWhite);
    c.Frame(2, 2, 22, 22, kRed);
    c.Frame(3, 3, 21, 21, kRed);
    c.Fill(10, 6, 14, 18, kRed);
    return c;
}

Canvas JobArtwork(int id) {
    if (id == kJobPreviewBase) return Canvas(kJobPreviewWidth, kJobPreviewHeight, kWhite);
    if (id >= 3111 && id <= 3122) return JobPage(id);
    if (id == 3123 || id == 3125) return JobOnePage(id);
    if (id == 8257) return JobStamp();
    return JobPages(id);
}

struct Made {
    std::deque<std::vector<BYTE>> data;
    std::vector<ORLA_RESOURCE> entries;
    Made() {
        std::vector<int> ids = {840, 842, 843, 850, 852, 853, 860, 861, 863, 864, 872, 873};
        for (int id = 865; id <= 871; ++id) ids.push_back(id);
        for (int id = 1000; id <= 1127; ++id) ids.push_back(id);
        for (int id = 1200; id <= 1227; ++id) ids.push_back(id);
        const size_t pageIds = ids.size();
        // The print-time dialog's preview.
        for (int id : {kJobPreviewBase, 3123, 3125, 8257}) ids.push_back(id);
        for (int id = 3111; id <= 3122; ++id) ids.push_back(id);
        for (int id = 3127; id <= 3138; ++id) ids.push_back(id);
        for (size_t k = 0; k < ids.size(); ++k) {
            const int id = ids[k];
            const Canvas c = k >= pageIds ? JobArtwork(id) : (id >= 860 && id <= 871) ? Badge(id) : Artwork(id);
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

std::vector<BYTE> BottomUpDib24(int w, int h, const std::vector<ArtworkRgb>& px) {
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
            const ArtworkRgb c = px[size_t(y) * w + x];
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    return out;
}

}  // namespace orla
