// Scan-line fills and square-pen strokes of path outlines, cut to a rectangle and an optional
// clip mask.
#include "tools/job_decoder/path_raster.h"

#include <algorithm>
#include <cmath>

namespace orla::jobdecode {
namespace {

constexpr int kMaxCurvePieces = 64;
constexpr double kCurveTolerance = 0.25;  // pixels a straight piece may stray from its curve

// A picture coordinate as a whole pixel; values far off the picture are held where int keeps them.
int PixelOf(double v) {
    return static_cast<int>(std::clamp(std::floor(v), -1e9, 1e9));
}

struct Edge {
    double x0, y0, x1, y1;  // y0 < y1
    int dir;                // +1 downwards, -1 upwards as drawn
    int firstRow, lastRow;  // rows whose centre line the edge crosses
};

// The edges of the closed figures (a fill closes every subpath), horizontal ones left out.
std::vector<Edge> EdgesOf(const Outline& outline) {
    std::vector<Edge> edges;
    for (const Subpath& s : outline) {
        const size_t n = s.points.size();
        if (n < 2) continue;
        for (size_t i = 0; i < n; ++i) {
            const FPoint a = s.points[i], b = s.points[(i + 1) % n];
            if (a.y == b.y) continue;
            Edge e = a.y < b.y ? Edge{a.x, a.y, b.x, b.y, 1, 0, 0} : Edge{b.x, b.y, a.x, a.y, -1, 0, 0};
            // Row r is crossed when y0 <= r + 0.5 < y1.
            e.firstRow = static_cast<int>(std::clamp(std::ceil(e.y0 - 0.5), -1e9, 1e9));
            e.lastRow = static_cast<int>(std::clamp(std::ceil(e.y1 - 0.5), -1e9, 1e9)) - 1;
            if (e.lastRow >= e.firstRow) edges.push_back(e);
        }
    }
    return edges;
}

bool Inside(const PaintArea& area, const Canvas& canvas, int x, int y) {
    if (x < area.x0 || x >= area.x1 || y < area.y0 || y >= area.y1) return false;
    return !area.mask ||
           (*area.mask)[static_cast<size_t>(y) * static_cast<size_t>(canvas.width) + static_cast<size_t>(x)];
}

void PaintSpan(double xa, double xb, int y, const PaintArea& area, uint8_t grey, Canvas* canvas) {
    // Pixels whose centre x + 0.5 lies in [xa, xb).
    const int from = static_cast<int>(std::clamp(std::ceil(xa - 0.5), double(area.x0), double(area.x1)));
    const int to = static_cast<int>(std::clamp(std::ceil(xb - 0.5), double(area.x0), double(area.x1)));
    uint8_t* row = canvas->pixels + static_cast<size_t>(y) * static_cast<size_t>(canvas->width);
    for (int x = from; x < to; ++x)
        if (!area.mask ||
            (*area.mask)[static_cast<size_t>(y) * static_cast<size_t>(canvas->width) + static_cast<size_t>(x)])
            row[x] = grey;
}

// The crossings of one row, sorted, painted between by the rule.
void PaintRow(std::vector<std::pair<double, int>>& crossings, bool winding, int y, const PaintArea& area, uint8_t grey,
              Canvas* canvas) {
    std::sort(crossings.begin(), crossings.end());
    int count = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
        count += winding ? crossings[i].second : 1;
        const bool inside = winding ? count != 0 : (count & 1) != 0;
        if (inside) PaintSpan(crossings[i].first, crossings[i + 1].first, y, area, grey, canvas);
    }
}

// The segment a-b cut to the box [lo, hi] on both axes (Liang-Barsky); false when nothing is left.
bool ClipSegment(FPoint* a, FPoint* b, double lo, double hiX, double hiY) {
    double t0 = 0, t1 = 1;
    const double dx = b->x - a->x, dy = b->y - a->y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a->x - lo, hiX - a->x, a->y - lo, hiY - a->y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const FPoint start{a->x + t0 * dx, a->y + t0 * dy};
    *b = FPoint{a->x + t1 * dx, a->y + t1 * dy};
    *a = start;
    return true;
}

// Calls paint(x, y) for every pixel of the segment's centre line (both ends included) that can
// reach the picture with a pen of this size; returns the number of pixels.
template <class Paint>
uint64_t WalkSegment(FPoint a, FPoint b, int pen, int width, int height, Paint paint) {
    const double margin = pen + 2.0;
    if (!ClipSegment(&a, &b, -margin, width + margin, height + margin)) return 0;
    const int ax = PixelOf(a.x), ay = PixelOf(a.y), bx = PixelOf(b.x), by = PixelOf(b.y);
    const int steps = std::max(std::abs(bx - ax), std::abs(by - ay));
    for (int i = 0; i <= steps; ++i) {
        const int x = steps ? ax + static_cast<int>(std::lround(double(bx - ax) * i / steps)) : ax;
        const int y = steps ? ay + static_cast<int>(std::lround(double(by - ay) * i / steps)) : ay;
        paint(x, y);
    }
    return static_cast<uint64_t>(steps) + 1;
}

template <class Paint>
uint64_t WalkOutline(const Outline& outline, int pen, int width, int height, Paint paint) {
    uint64_t pixels = 0;
    for (const Subpath& s : outline) {
        const size_t n = s.points.size();
        if (n == 1) pixels += WalkSegment(s.points[0], s.points[0], pen, width, height, paint);
        for (size_t i = 0; i + 1 < n; ++i)
            pixels += WalkSegment(s.points[i], s.points[i + 1], pen, width, height, paint);
        if (s.closed && n > 2) pixels += WalkSegment(s.points[n - 1], s.points[0], pen, width, height, paint);
    }
    return pixels;
}

}  // namespace

void AppendBezier(FPoint p0, FPoint p1, FPoint p2, FPoint p3, std::vector<FPoint>* out) {
    // Pieces enough for the tolerance: sqrt(3/4 * M / tolerance), M the largest second difference
    // of the control points.
    const double m = std::max(std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                              std::hypot(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
    const double wanted = std::ceil(std::sqrt(0.75 * m / kCurveTolerance));
    const int pieces = std::isfinite(wanted) ? static_cast<int>(std::clamp(wanted, 1.0, double(kMaxCurvePieces))) : 1;
    for (int i = 1; i <= pieces; ++i) {
        const double t = double(i) / pieces, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        out->push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
}

uint64_t FillWork(const Outline& outline, int width, int height) {
    // The crossings of each row the edges reach, and the pixels of the outline's bounds.
    uint64_t work = 0;
    int top = height, bottom = -1;
    double left = width, right = 0;
    for (const Edge& e : EdgesOf(outline)) {
        const int first = std::max(e.firstRow, 0), last = std::min(e.lastRow, height - 1);
        if (first > last) continue;
        work += static_cast<uint64_t>(last - first + 1);
        top = std::min(top, first);
        bottom = std::max(bottom, last);
        left = std::min({left, e.x0, e.x1});
        right = std::max({right, e.x0, e.x1});
    }
    if (bottom < top) return work;
    const double columns = std::clamp(right, 0.0, double(width)) - std::clamp(left, 0.0, double(width)) + 1;
    return work + static_cast<uint64_t>(bottom - top + 1) * static_cast<uint64_t>(columns);
}

uint64_t StrokeWork(const Outline& outline, int penPixels, int width, int height) {
    const uint64_t pen = static_cast<uint64_t>(std::max(penPixels, 1));
    return WalkOutline(outline, penPixels, width, height, [](int, int) {}) * pen * pen;
}

void FillOutline(const Outline& outline, bool winding, const PaintArea& area, uint8_t grey, Canvas* canvas) {
    std::vector<Edge> edges = EdgesOf(outline);
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.firstRow < b.firstRow; });
    std::vector<const Edge*> active;
    std::vector<std::pair<double, int>> crossings;
    size_t next = 0;
    const int top = std::max(area.y0, 0), bottom = std::min(area.y1, canvas->height);
    while (next < edges.size() && edges[next].lastRow < top) ++next;
    for (int y = top; y < bottom; ++y) {
        for (; next < edges.size() && edges[next].firstRow <= y; ++next)
            if (edges[next].lastRow >= y) active.push_back(&edges[next]);
        std::erase_if(active, [y](const Edge* e) { return e->lastRow < y; });
        if (active.empty()) {
            if (next == edges.size()) break;
            continue;
        }
        crossings.clear();
        const double yc = y + 0.5;
        for (const Edge* e : active)
            crossings.emplace_back(e->x0 + (yc - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0), e->dir);
        PaintRow(crossings, winding, y, area, grey, canvas);
    }
}

void StrokeOutline(const Outline& outline, int penPixels, const PaintArea& area, uint8_t grey, Canvas* canvas) {
    const int pen = std::max(penPixels, 1);
    const int before = (pen - 1) / 2;  // a pen of even size reaches one pixel further right and down
    WalkOutline(outline, pen, canvas->width, canvas->height, [&](int x, int y) {
        for (int py = y - before; py < y - before + pen; ++py)
            for (int px = x - before; px < x - before + pen; ++px)
                if (Inside(area, *canvas, px, py))
                    canvas->pixels[static_cast<size_t>(py) * static_cast<size_t>(canvas->width) +
                                   static_cast<size_t>(px)] = grey;
    });
}

}  // namespace orla::jobdecode
