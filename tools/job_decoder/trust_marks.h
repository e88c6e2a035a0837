// What a decoded job says of trust marking: the MSW078 header value, each page's mark layer (its
// mark images and the footer text of its output) and the trust-mark sample sheet (caption,
// density, samples, date).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/job_decoder/job_decoder.h"

namespace orla::jobdecode {

struct MarkLayer {
    size_t page = 0;                    // 1-based, counted by page ends before it
    size_t markImages = 0;              // image commands inside the layer
    Rect covered;                       // the union of the mark images' rectangles (1/600 inch)
    std::string footerUtf8;             // the footer text, empty when the layer has none
    std::vector<uint16_t> footerCodes;  // its character codes as sent (JIS X 0208, or 0x00nn)
};

struct SampleSheet {
    bool found = false;
    size_t page = 0;
    std::string caption;  // UTF-8
    std::string density;
    std::string date;
    size_t samples = 0;
};

struct TrustMarkReport {
    std::string msw078;  // "ON", "OFF", or empty when the header has no such line
    std::vector<MarkLayer> layers;
    SampleSheet sheet;
};

TrustMarkReport ReadTrustMarks(const DecodeResult& job, std::span<const uint8_t> bytes);
// Footer character codes (JIS X 0208 rows, or 0x00 and a single byte) as UTF-8.
std::string CodesToUtf8(const std::vector<uint16_t>& codes);
std::string FormatTrustMarks(const TrustMarkReport& report);

}  // namespace orla::jobdecode
