// Pictures of the pages of a decoded job: the paper of each page set-up, a thin grey frame at its
// edge, the raster images of the page in black (scaled images at their target size), its
// rectangles in the grey of their brush or pen, and its lines, polygons, curve paths and vector
// paths filled in the brush's grey and stroked in the pen's at the line width (dash styles are
// drawn solid), each cut to the clip it came with (a clip path clips to the path itself); at a
// low resolution by default so the files stay small, or at the job's own for exact comparisons.
// One picture per page end; a job without page ends (blank pages write set-ups only) gives one
// picture per page set-up instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/job_decoder/job_decoder.h"

namespace orla::jobdecode {

// Pixels of a paper side of `tenths` 0.1 mm at `dpi`, rounded as the pictures are.
constexpr size_t PicturePixels(int tenths, int dpi) {
    return static_cast<size_t>((int64_t{tenths} * dpi + 127) / 254);
}
// The largest paper the printers take, the long paper of 297 x 900 mm, at the highest picture
// resolution: every page a job can hold must decode and draw.
inline constexpr int kLongPaperWidthTenths = 2970;
inline constexpr int kLongPaperLengthTenths = 9000;
inline constexpr int kMaxPictureDpi = 1200;
inline constexpr size_t kLargestPagePixels =
    PicturePixels(kLongPaperWidthTenths, kMaxPictureDpi) * PicturePixels(kLongPaperLengthTenths, kMaxPictureDpi);

struct PictureOptions {
    int dpi = 100;                          // resolution of the pictures (10 ... 1200)
    bool paperEdge = true;                  // a thin grey frame at the paper's edge
    size_t maxPixels = kLargestPagePixels;  // a page that needs more is refused
    uint64_t maxWork = uint64_t{1} << 31;   // pixels a page's marks may paint, all together
    // Where the printer's origin (device pixel 0, 0: the corner of the printable area) lies on
    // the paper, in pixels at originDpi from the paper's top-left corner; 0, 0 puts it at the
    // corner. With the printable area's offset the pictures show each mark where it lands on
    // the paper.
    int originX = 0, originY = 0;
    int originDpi = 600;
};

// One page as 8-bit grey (255 white, 0 black), rows top to bottom.
struct PagePicture {
    std::string paper;  // "A4", "B5", "UNDF 1000x1480" (0.1 mm) ...
    bool landscape = false;
    int width = 0;  // pixels
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height
    size_t imagesDrawn = 0;
    size_t rectanglesDrawn = 0;  // filled (brush level) and outlined (pen level) rectangles
    size_t pathsDrawn = 0;       // polylines, polygons, curve paths and painted vector paths
    size_t imagesUnplaced = 0;   // raster images with no known position (not drawn)
    size_t imagesOther = 0;      // glyph strips and other images that are not drawn
    std::string path;            // set by WritePagePictures
};

struct PicturesResult {
    bool ok = false;
    std::string error;
    bool fromPageEnds = true;  // false: one picture per page set-up (the job has no page end)
    std::vector<PagePicture> pages;
};

// Paper size in 0.1 mm of a paper name of the page set-up ("A4", "LT", "A3A4" converts to A4 ...).
bool PaperSizeTenthsMm(std::string_view name, int* width, int* length);

// Builds the pictures in memory.
PicturesResult RenderPages(const DecodeResult& job, const PictureOptions& options = {});
// Builds them and writes folder/page-001.png ... (the folder is made when missing).
PicturesResult WritePagePictures(const DecodeResult& job, const std::string& folder,
                                 const PictureOptions& options = {});

}  // namespace orla::jobdecode
