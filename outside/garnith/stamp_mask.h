// A stamp as a 1-bit mask: its text set with FreeType (face, size, angle, weight, italic), or
// its BMP image, before it is placed on the page and blitted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace garnith {

// Coverage, one byte a pixel (1 = ink), rows top-down.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> ink;
    bool At(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height && ink[size_t(y) * width + x]; }
    void Set(int x, int y) {
        if (x >= 0 && y >= 0 && x < width && y < height) ink[size_t(y) * width + x] = 1;
    }
};

struct TextLook {
    std::string fontFile;
    int pixelSize = 0;
    double angleDegrees = 0;  // counter-clockwise
    bool bold = false;
    bool italic = false;
};

// The font file for a face name (ANSI, system code page): the IPA fonts for Japanese faces, DejaVu
// Sans for the others; empty when none is installed.
std::string FontFileForFace(const std::u16string& face, bool bold);
// The text set along its baseline, turned by the angle; an empty mask when nothing could be set.
Mask SetText(const std::u32string& text, const TextLook& look);
// Mode 1: a frame around the mask; mode 2: only the outline of the ink.
Mask ApplyMode(const Mask& mask, int mode, int lineWidth);
// A BMP file's pixels, darker than mid grey as ink, scaled by `percent` and to the resolution (the
// image's own pixels taken at 150 per inch). An empty mask for a file that is no usable BMP.
Mask ReadBmpMask(const std::vector<uint8_t>& file, int percent, int resolution);

}  // namespace garnith
