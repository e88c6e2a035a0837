// Reads the trust-marking parts of a decoded job: layers open with FS "u1,2." and close with FS
// "u2,2,S."; a footer is the FS e character run inside a layer; the sample sheet is the page whose
// character commands name the printing density. Character codes are turned back into Shift-JIS and
// then into UTF-8 with iconv.
#include "tools/job_decoder/trust_marks.h"

#include <iconv.h>

#include <algorithm>
#include <string_view>

namespace orla::jobdecode {
namespace {

constexpr std::string_view kLayerOpen = "u1,2.";
constexpr std::string_view kLayerClose = "u2,2,S.";
constexpr std::string_view kDensityWord = "印刷の濃度";

// JIS X 0208 to Shift-JIS by the standard rule (single bytes stay).
std::string CodesToSjis(const std::vector<uint16_t>& codes) {
    std::string s;
    for (uint16_t code : codes) {
        const int j1 = code >> 8, j2 = code & 0xFF;
        if (j1 == 0) {
            s.push_back(static_cast<char>(j2));
            continue;
        }
        if (j1 < 0x21 || j1 > 0x7E || j2 < 0x21 || j2 > 0x7E) {
            s.push_back('?');
            continue;
        }
        const int lead = (j1 + 1) / 2 + (j1 <= 0x5E ? 0x70 : 0xB0);
        const int trail = (j1 % 2 != 0) ? j2 + (j2 <= 0x5F ? 0x1F : 0x20) : j2 + 0x7E;
        s.push_back(static_cast<char>(lead));
        s.push_back(static_cast<char>(trail));
    }
    return s;
}

std::string SjisToUtf8(const std::string& sjis) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return sjis;
    std::string out(sjis.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(sjis.data());
    size_t inLeft = sjis.size(), outLeft = out.size();
    char* to = out.data();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<size_t>(-1)) break;
        // A byte that is no character: shown as "?" and skipped.
        if (outLeft == 0) break;
        *to++ = '?';
        --outLeft;
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

std::vector<uint16_t> TwoByteCodes(std::span<const uint8_t> bytes, size_t offset, size_t length) {
    std::vector<uint16_t> codes;
    if (offset > bytes.size() || length > bytes.size() - offset) return codes;
    for (size_t i = 0; i + 1 < length; i += 2)
        codes.push_back(static_cast<uint16_t>(bytes[offset + i] << 8 | bytes[offset + i + 1]));
    return codes;
}

// The image's rectangle from its FS e position ("e" x "," y ".") and its FS i size.
void Cover(Rect& r, bool& any, int64_t x, int64_t y, int64_t w, int64_t h) {
    if (!any) {
        r = {x, y, x + w, y + h};
        any = true;
        return;
    }
    r.left = std::min(r.left, x), r.top = std::min(r.top, y);
    r.right = std::max(r.right, x + w), r.bottom = std::max(r.bottom, y + h);
}

bool ParsePosition(const std::string& text, int64_t* x, int64_t* y) {
    // "e" x "," y "."
    if (text.size() < 4 || text[0] != 'e' || text.back() != '.') return false;
    const size_t comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) return false;
    try {
        *x = std::stoll(text.substr(1, comma - 1));
        *y = std::stoll(text.substr(comma + 1, text.size() - comma - 2));
    } catch (...) {
        return false;
    }
    return true;
}

// Character commands carry Shift-JIS codes as they are (single bytes as 0x00 and the byte).
std::string SjisCodesToUtf8(const std::vector<uint16_t>& codes) {
    std::string sjis;
    for (uint16_t code : codes) {
        if (code >> 8) sjis.push_back(static_cast<char>(code >> 8));
        sjis.push_back(static_cast<char>(code & 0xFF));
    }
    return SjisToUtf8(sjis);
}

}  // namespace

std::string CodesToUtf8(const std::vector<uint16_t>& codes) {
    return SjisToUtf8(CodesToSjis(codes));
}

TrustMarkReport ReadTrustMarks(const DecodeResult& job, std::span<const uint8_t> bytes) {
    TrustMarkReport report;
    if (auto v = PjlValue(job, "SET LPARM:ORLA MSW078")) report.msw078 = *v;
    size_t page = 1;
    MarkLayer* layer = nullptr;
    bool anyCover = false;
    int64_t x = 0, y = 0;
    std::vector<std::string> pageTexts;
    size_t pageImages = 0;
    auto closePage = [&] {
        const bool sheet = std::any_of(pageTexts.begin(), pageTexts.end(),
                                       [](const std::string& t) { return t.find(kDensityWord) != std::string::npos; });
        if (sheet && !report.sheet.found && pageTexts.size() >= 2) {
            report.sheet = {true, page, pageTexts.front(), pageTexts[1], pageTexts.back(), pageImages};
        }
        pageTexts.clear();
        pageImages = 0;
    };
    for (const Command& c : job.commands) {
        if (c.kind == CommandKind::PageEnd) {
            closePage();
            ++page;
            continue;
        }
        if (c.kind == CommandKind::Binary && c.code == 0xCD) {
            pageTexts.push_back(SjisCodesToUtf8(TwoByteCodes(bytes, c.dataOffset, c.dataLength)));
            continue;
        }
        if (c.kind != CommandKind::Fs) continue;
        if (c.text == kLayerOpen) {
            report.layers.push_back(MarkLayer{});
            layer = &report.layers.back();
            layer->page = page;
            anyCover = false;
        } else if (c.text == kLayerClose) {
            layer = nullptr;
        } else if (c.code == 'e' && c.text.size() > 3 && c.text.compare(c.text.size() - 3, 3, ",A.") == 0) {
            if (layer != nullptr) {
                layer->footerCodes = TwoByteCodes(bytes, c.dataOffset, c.dataLength);
                layer->footerUtf8 = CodesToUtf8(layer->footerCodes);
            }
        } else if (c.code == 'e') {
            ParsePosition(c.text, &x, &y);
        } else if (c.code == 'i' && c.fields.size() >= 2) {
            if (layer != nullptr) {
                layer->markImages++;
                Cover(layer->covered, anyCover, x, y, c.fields[0], c.fields[1]);
            } else {
                pageImages++;
            }
        }
    }
    closePage();
    return report;
}

std::string FormatTrustMarks(const TrustMarkReport& r) {
    std::string s = "trust marking: MSW078 " + (r.msw078.empty() ? std::string("not announced") : r.msw078) + ", " +
                    std::to_string(r.layers.size()) + " mark layer(s)\n";
    for (const MarkLayer& l : r.layers) {
        s += "  page " + std::to_string(l.page) + ": " + std::to_string(l.markImages) + " mark image(s) over (" +
             std::to_string(l.covered.left) + "," + std::to_string(l.covered.top) + ")-(" +
             std::to_string(l.covered.right) + "," + std::to_string(l.covered.bottom) + ")";
        s += l.footerUtf8.empty() ? ", no footer\n" : ", footer \"" + l.footerUtf8 + "\"\n";
    }
    if (r.sheet.found)
        s += "  sample sheet on page " + std::to_string(r.sheet.page) + ": \"" + r.sheet.caption + "\", \"" +
             r.sheet.density + "\", " + std::to_string(r.sheet.samples) + " sample(s), dated " + r.sheet.date + "\n";
    return s;
}

}  // namespace orla::jobdecode
