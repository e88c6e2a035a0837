// Painting of path outlines onto an 8-bit grey picture: fills by the alternate or winding rule,
// strokes with a square pen, Bezier curves as short straight pieces. Points are picture pixels
// (fractions kept): pixel (x, y) covers [x, x + 1) x [y, y + 1). A fill paints the pixels whose
// centres lie inside; a stroke paints every pixel its centre line passes, widened to the pen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orla::jobdecode {

struct FPoint {
    double x = 0, y = 0;
};

// One figure; a closed one has its last point joined back to its first when stroked. A fill
// always closes its figures.
struct Subpath {
    std::vector<FPoint> points;
    bool closed = false;
};
using Outline = std::vector<Subpath>;

// The pixels of a picture painting may reach: a rectangle (right and bottom exclusive) and,
// under a clip path, a mask of the whole picture (non-zero inside the path).
struct PaintArea {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    const std::vector<uint8_t>* mask = nullptr;
};

struct Canvas {
    int width = 0, height = 0;
    uint8_t* pixels = nullptr;  // width * height, rows top to bottom
};

// Appends the curve from p0 through the control points p1, p2 to p3 as straight pieces (p0
// itself is not appended), fine enough that no piece strays half a pixel from the curve.
void AppendBezier(FPoint p0, FPoint p1, FPoint p2, FPoint p3, std::vector<FPoint>* out);

// Pixels a fill or a stroke of the outline would touch at most on a canvas of this size, so a
// caller can refuse a page whose marks would take too long before painting any.
uint64_t FillWork(const Outline& outline, int width, int height);
uint64_t StrokeWork(const Outline& outline, int penPixels, int width, int height);

void FillOutline(const Outline& outline, bool winding, const PaintArea& area, uint8_t grey, Canvas* canvas);
void StrokeOutline(const Outline& outline, int penPixels, const PaintArea& area, uint8_t grey, Canvas* canvas);

}  // namespace orla::jobdecode
