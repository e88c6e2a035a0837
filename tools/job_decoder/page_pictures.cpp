// Page pictures: walks the decoded commands the way the printer would take them (page set-up,
// resolution, moves, images, page ends) and paints each page on a small grey canvas.
#include "tools/job_decoder/page_pictures.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace orla::jobdecode {
namespace {

// Paper names the page set-up writes, with the paper that comes out (conversions name the
// output paper second), in 0.1 mm upright.
struct PaperEntry {
    std::string_view name;
    int width;
    int length;
};
constexpr PaperEntry kPapers[] = {
    {"A3", 2970, 4200},   {"A4", 2100, 2970},   {"A5", 1480, 2100},   {"B4", 2570, 3640},
    {"B5", 1820, 2570},   {"LT", 2159, 2794},   {"PC", 1000, 1480},   {"UPPC", 2000, 1480},
    {"ENV4", 1050, 2350},
    {"A3A4", 2100, 2970}, {"A3B4", 2570, 3640}, {"A4A3", 2970, 4200}, {"UPA4", 2100, 2970},
    {"A4B4", 2570, 3640}, {"A4B5", 1820, 2570}, {"B4A3", 2970, 4200}, {"B4A4", 2100, 2970},
    {"B4B5", 1820, 2570}, {"B5A4", 2100, 2970}, {"B5B4", 2570, 3640}, {"UPB5", 1820, 2570},
    {"LPA4", 2100, 2970}, {"LPB4", 2570, 3640},
};
constexpr std::string_view kTrayCodes[] = {"C1", "C2", "C3", "C4", "C5", "M0", "MP"};
constexpr int kMaxPaperTenths = 20000;  // 2 m: anything longer is not paper this printer takes
constexpr int kDefaultResolution = 600;

struct Paper {
    std::string name;
    int width = 2100, length = 2970;  // upright, 0.1 mm
    bool landscape = false;
};

struct PlacedImage {
    const Command* command;
    int64_t x, y;         // device pixels
    int resolution;       // of the job when the image came
};

struct Sheet {
    Paper paper;
    std::vector<PlacedImage> images;
    size_t unplaced = 0, other = 0;
};

std::optional<int> Number(std::string_view s) {
    if (s.empty() || s.size() > 6) return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// ",w,l,1/10,m" or "UNDF,w,l,1/10,m": a size in 0.1 mm. Returns an error text for a bad size.
std::optional<std::string> ParseUserSize(std::string_view s, Paper* paper) {
    s.remove_prefix(s.find(',') + 1);
    const size_t comma = s.find(',');
    if (comma == std::string_view::npos) return "user paper size without its length";
    std::string_view rest = s.substr(comma + 1);
    auto w = Number(s.substr(0, comma));
    auto l = Number(rest.substr(0, rest.find(',')));
    if (!w || !l || *w <= 0 || *l <= 0 || *w > kMaxPaperTenths || *l > kMaxPaperTenths)
        return "user paper size \"" + std::string(s) + "\" is not a size of paper";
    paper->width = *w;
    paper->length = *l;
    paper->name = "UNDF " + std::to_string(*w) + "x" + std::to_string(*l);
    return std::nullopt;
}

// Takes the body of a paper size name or size; false when it is neither.
bool TakePaperName(std::string_view body, Paper* paper, std::string* error) {
    if (!body.empty() && (body.front() == ',' || body.substr(0, 5) == "UNDF,")) {
        if (auto why = ParseUserSize(body, paper)) *error = *why;
        return true;
    }
    int w = 0, l = 0;
    if (!PaperSizeTenthsMm(body, &w, &l)) return false;
    paper->name = std::string(body);
    paper->width = w;
    paper->length = l;
    return true;
}

class Walker {
public:
    explicit Walker(const PictureOptions& options) : options_(options) {}

    bool Run(const DecodeResult& job) {
        for (const Command& c : job.commands) {
            if (!error_.empty()) break;
            switch (c.kind) {
            case CommandKind::Fs:
                if (c.code == 'f') PaperSetup(c.text);
                if (c.code == '&') Resolution(c.text);
                break;
            case CommandKind::Binary:
                Binary(c);
                break;
            case CommandKind::PageEnd:
                pageEnds_.push_back(current_);
                current_ = Sheet{paper_, {}, 0, 0};
                known_ = false;
                break;
            case CommandKind::Uel:
                known_ = false;
                break;
            default:
                break;
            }
        }
        return error_.empty();
    }

    std::string error_;
    std::vector<Sheet> pageEnds_;
    std::vector<Sheet> setups_;

private:
    const PictureOptions& options_;
    Paper paper_;
    bool orientationLandscape_ = false;
    Sheet current_;
    int resolution_ = kDefaultResolution;
    bool known_ = false;
    int64_t x_ = 0, y_ = 0;

    void NewPaper(const Paper& p) {
        paper_ = p;
        current_.paper = p;
        setups_.push_back(Sheet{p, {}, 0, 0});
    }

    // "fPC1PA4.", "fPA4.", "fPC0." then "fA4." or "fUNDF,w,l,1/10,m.", "fLC2L,w,l,1/10,m."
    void PaperSetup(std::string_view text) {
        std::string_view body = text.substr(1, text.size() - 2);
        Paper p = paper_;
        p.landscape = orientationLandscape_;
        if (TakePaperName(body, &p, &error_)) {
            if (error_.empty()) NewPaper(p);
            return;
        }
        if (body.empty() || (body.front() != 'P' && body.front() != 'L')) return;  // not a paper: ignore
        orientationLandscape_ = body.front() == 'L';
        p.landscape = orientationLandscape_;
        body.remove_prefix(1);
        if (body == "C0") return;  // the automatic tray: the paper follows in the next command
        for (std::string_view tray : kTrayCodes)
            if (body.size() > 2 && body.substr(0, 2) == tray && (body[2] == 'P' || body[2] == 'L')) {
                body.remove_prefix(3);
                break;
            }
        if (TakePaperName(body, &p, &error_) && error_.empty()) NewPaper(p);
    }

    void Resolution(std::string_view text) {
        auto v = Number(text.substr(1, text.size() - 2));
        if (v && *v > 0) resolution_ = *v;  // "&0." closes the job
    }

    void Binary(const Command& c) {
        const auto& f = c.fields;
        if (c.code == 0xB6 && f.size() >= 2) Move(f[0], f[1]);
        if (c.code == 0xB7 && f.size() >= 2) Move(f[1], f[0]);
        if (c.code == 0xB8 && f.size() >= 2) Move(f[0], f[1]);
        if (c.code == 0xF2 || c.code == 0xF4) {
            Sheet* sheets[] = {&current_, setups_.empty() ? nullptr : &setups_.back()};
            for (Sheet* s : sheets) {
                if (!s) continue;
                if (f.size() < 2 || f[0] != 0 || c.rows.empty())
                    s->other++;
                else if (!known_)
                    s->unplaced++;
                else
                    s->images.push_back({&c, x_, y_, resolution_});
            }
        }
    }

    void Move(int64_t x, int64_t y) {
        x_ = x;
        y_ = y;
        known_ = true;
    }
};

int ToPixels(int64_t device, int resolution, int dpi) {
    // Floor division also for negative device coordinates.
    const int64_t n = device * dpi;
    return static_cast<int>(n >= 0 ? n / resolution : -((-n + resolution - 1) / resolution));
}

void DrawImage(const PlacedImage& im, int dpi, PagePicture* pic) {
    const Command& c = *im.command;
    const int64_t sw = c.fields[2], sh = c.fields[3];
    const int64_t tw = c.code == 0xF4 ? c.fields[4] : sw, th = c.code == 0xF4 ? c.fields[5] : sh;
    if (sw <= 0 || sh <= 0 || tw <= 0 || th <= 0) return;
    const int res = im.resolution;
    for (int64_t r = 0; r < sh && r < static_cast<int64_t>(c.rows.size()); ++r) {
        const int y0 = ToPixels(im.y + r * th / sh, res, dpi);
        const int y1 = std::max(y0 + 1, ToPixels(im.y + (r + 1) * th / sh, res, dpi));
        if (y1 <= 0 || y0 >= pic->height) continue;
        const auto& row = c.rows[static_cast<size_t>(r)];
        for (int64_t col = 0; col < sw && static_cast<size_t>(col / 8) < row.size(); ++col) {
            const uint8_t byte = row[static_cast<size_t>(col / 8)];
            if (!byte) {
                col |= 7;  // skip the rest of a white byte
                continue;
            }
            if (!(byte & (0x80 >> (col % 8)))) continue;
            const int x0 = ToPixels(im.x + col * tw / sw, res, dpi);
            const int x1 = std::max(x0 + 1, ToPixels(im.x + (col + 1) * tw / sw, res, dpi));
            if (x1 <= 0 || x0 >= pic->width) continue;
            for (int y = std::max(y0, 0); y < std::min(y1, pic->height); ++y)
                for (int x = std::max(x0, 0); x < std::min(x1, pic->width); ++x)
                    pic->pixels[static_cast<size_t>(y) * static_cast<size_t>(pic->width) + static_cast<size_t>(x)] = 0;
        }
    }
}

bool Paint(const Sheet& sheet, const PictureOptions& options, PagePicture* pic, std::string* error) {
    const int upW = sheet.paper.landscape ? sheet.paper.length : sheet.paper.width;
    const int upH = sheet.paper.landscape ? sheet.paper.width : sheet.paper.length;
    pic->paper = sheet.paper.name.empty() ? "A4 (no page set-up)" : sheet.paper.name;
    pic->landscape = sheet.paper.landscape;
    pic->width = std::max(1, static_cast<int>((int64_t{upW} * options.dpi + 127) / 254));
    pic->height = std::max(1, static_cast<int>((int64_t{upH} * options.dpi + 127) / 254));
    if (static_cast<size_t>(pic->width) * static_cast<size_t>(pic->height) > options.maxPixels) {
        *error = "a page of " + std::to_string(pic->width) + " x " + std::to_string(pic->height) +
                 " pixels is larger than allowed";
        return false;
    }
    pic->pixels.assign(static_cast<size_t>(pic->width) * static_cast<size_t>(pic->height), 255);
    for (const PlacedImage& im : sheet.images) DrawImage(im, options.dpi, pic);
    // The paper edge, over anything drawn there.
    constexpr uint8_t kFrame = 160;
    for (int x = 0; x < pic->width; ++x) {
        pic->pixels[static_cast<size_t>(x)] = kFrame;
        pic->pixels[static_cast<size_t>(pic->height - 1) * static_cast<size_t>(pic->width) + static_cast<size_t>(x)] = kFrame;
    }
    for (int y = 0; y < pic->height; ++y) {
        pic->pixels[static_cast<size_t>(y) * static_cast<size_t>(pic->width)] = kFrame;
        pic->pixels[static_cast<size_t>(y) * static_cast<size_t>(pic->width) + static_cast<size_t>(pic->width - 1)] = kFrame;
    }
    pic->imagesDrawn = sheet.images.size();
    pic->imagesUnplaced = sheet.unplaced;
    pic->imagesOther = sheet.other;
    return true;
}

}  // namespace

bool PaperSizeTenthsMm(std::string_view name, int* width, int* length) {
    for (const PaperEntry& p : kPapers)
        if (p.name == name) {
            *width = p.width;
            *length = p.length;
            return true;
        }
    return false;
}

PicturesResult RenderPages(const DecodeResult& job, const PictureOptions& options) {
    PicturesResult out;
    if (options.dpi < 10 || options.dpi > 600) {
        out.error = "picture resolution " + std::to_string(options.dpi) + " is outside 10 ... 600 dpi";
        return out;
    }
    if (!job.ok) {
        out.error = "the job is malformed at byte " + std::to_string(job.errorOffset) + ": " + job.error;
        return out;
    }
    Walker walker(options);
    if (!walker.Run(job)) {
        out.error = walker.error_;
        return out;
    }
    out.fromPageEnds = !walker.pageEnds_.empty();
    const std::vector<Sheet>& sheets = out.fromPageEnds ? walker.pageEnds_ : walker.setups_;
    for (const Sheet& s : sheets) {
        PagePicture pic;
        if (!Paint(s, options, &pic, &out.error)) {
            out.pages.clear();
            return out;
        }
        out.pages.push_back(std::move(pic));
    }
    out.ok = true;
    return out;
}

PicturesResult WritePagePictures(const DecodeResult& job, const std::string& folder, const PictureOptions& options) {
    PicturesResult out = RenderPages(job, options);
    if (!out.ok) return out;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        out.ok = false;
        out.error = "cannot make folder " + folder + ": " + ec.message();
        return out;
    }
    for (size_t i = 0; i < out.pages.size(); ++i) {
        PagePicture& pic = out.pages[i];
        char name[32];
        std::snprintf(name, sizeof name, "page-%03zu.png", i + 1);
        pic.path = (std::filesystem::path(folder) / name).string();
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = static_cast<png_uint_32>(pic.width);
        image.height = static_cast<png_uint_32>(pic.height);
        image.format = PNG_FORMAT_GRAY;
        if (!png_image_write_to_file(&image, pic.path.c_str(), 0, pic.pixels.data(), pic.width, nullptr)) {
            out.ok = false;
            out.error = "cannot write " + pic.path + ": " + image.message;
            png_image_free(&image);
            return out;
        }
    }
    return out;
}

}  // namespace orla::jobdecode
