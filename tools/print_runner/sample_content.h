// The test content the runner draws into each band of a page, as GDI would play an
// application's drawing: a page frame, a few filled rectangles, grey dither patches and lines of
// text from the IPA Gothic font (text is left out when no font is found). 1 bit per pixel,
// 0 = black, the way the banding surface keeps it. The same page number, size and resolution
// always give the same bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orla::runner {

struct PageCanvas {
    int width = 0, height = 0;  // pixels
    int stride = 0;             // bytes per row
    std::vector<uint8_t> bits;  // top-down rows, 0 = black
    bool text = false;          // text lines were drawn
};

// The font the sample text is drawn with: ORLA_SAMPLE_FONT when set, else the IPA Gothic font
// at its usual places. Empty when none is there.
std::string SampleFontPath();

// The whole sample page of `width` x `height` pixels at `dpi`.
PageCanvas DrawSamplePage(int page, int width, int height, int dpi, const std::string& fontPath);

// Page pixels, right and bottom exclusive.
struct SampleRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Where the sample page puts its parts, for GDI's command-mode play of it: the frame (its outer
// edge and thickness), the solid rectangles, and the block the text lines lie in.
struct SampleLayout {
    SampleRect frame;
    int frameWidth = 0;
    SampleRect header;
    SampleRect blocks[3];
    SampleRect textBlock;
};
SampleLayout LayOutSamplePage(int page, int width, int height, int dpi);

// The text lines alone, in a canvas of the layout's text block (its top-left pixel is the
// block's): what an application's text comes to as a monochrome bitmap. Empty bits when the
// page is one DrawSamplePage would not draw; `text` FALSE when no font could be used.
PageCanvas DrawSampleText(int page, int width, int height, int dpi, const std::string& fontPath);

// Black pixels of the canvas into a 1-bpp band (0 = black) whose top-left pixel is the page's
// (originX, originY); rows `delta` bytes apart (negative for bottom-up bands).
void PaintBand(const PageCanvas& canvas, long originX, long originY, uint8_t* scan0, long delta, int bandWidth,
               int bandHeight);

}  // namespace orla::runner
