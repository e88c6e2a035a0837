// Page pictures: walks the decoded commands the way the printer would take them (page set-up,
// resolution, moves, images, rectangles, paths, clips, page ends) and paints each page on a grey canvas.
#include "tools/job_decoder/page_pictures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "plat/window_render.h"
#include "tools/job_decoder/path_raster.h"
#include "tools/job_decoder/text_marks.h"

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
    {"A3", 2970, 4200},   {"A4", 2100, 2970},   {"A5", 1480, 2100},   {"B4", 2570, 3640},   {"B5", 1820, 2570},
    {"LT", 2159, 2794},   {"PC", 1000, 1480},   {"UPPC", 2000, 1480}, {"ENV4", 1050, 2350}, {"A3A4", 2100, 2970},
    {"A3B4", 2570, 3640}, {"A4A3", 2970, 4200}, {"UPA4", 2100, 2970}, {"A4B4", 2570, 3640}, {"A4B5", 1820, 2570},
    {"B4A3", 2970, 4200}, {"B4A4", 2100, 2970}, {"B4B5", 1820, 2570}, {"B5A4", 2100, 2970}, {"B5B4", 2570, 3640},
    {"UPB5", 1820, 2570}, {"LPA4", 2100, 2970}, {"LPB4", 2570, 3640},
};
constexpr std::string_view kTrayCodes[] = {"C1", "C2", "C3", "C4", "C5", "M0", "MP"};
constexpr int kMaxPaperTenths = 20000;  // 2 m: anything longer is not paper this printer takes
constexpr int kDefaultResolution = 600;
constexpr int kMaxResolution = 4800;

struct Paper {
    std::string name;
    int width = 2100, length = 2970;  // upright, 0.1 mm
    bool landscape = false;
};

// A line, polygon, curve path or vector path as the printer paints it: its points in device
// pixels, filled in the brush level, stroked in the pen level, or both (fill first).
struct PathMark {
    // Shared: a vector path painted again and again (a stroke after a fill, or a hostile job's
    // thousand strokes) is one list.
    std::shared_ptr<const std::vector<PathPoint>> points;
    bool closeAll = false;  // a stroke joins each subpath's last point back to its first
    bool fill = false, stroke = false;
    bool winding = false;  // fill rule; else alternate
    int brushLevel = 16, penLevel = 16;
};

// An image, a rectangle or a path, in the order the page takes them, with the state it came in.
struct Mark {
    const Command* command;
    GraphicsState state;  // position (images) and clip, device pixels
    int resolution;       // of the job when the mark came
    int level;            // rectangles: brush (filled) or pen (outlined) level, 16 black .. 79 white
    int lineWidth;        // outlined rectangles and strokes, device pixels
    std::shared_ptr<const PathMark> path = nullptr;
    const Command* clipPath = nullptr;  // the clip path in force, when the clip is one
    Point origin{};                     // where device pixel (0, 0) lies on the paper, device pixels
};

struct Sheet {
    Paper paper;
    std::vector<Mark> marks;
    size_t images = 0, rectangles = 0, paths = 0, unplaced = 0, other = 0;
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
                case CommandKind::Pjl:
                    PagesPerSheet(c.text);
                    break;
                case CommandKind::Fs:
                    if (c.code == 'f') PaperSetup(c.text);
                    if (c.code == '&') Resolution(c.text);
                    break;
                case CommandKind::Binary:
                    Binary(c);
                    break;
                case CommandKind::Vector:
                    Vector(c);
                    break;
                case CommandKind::PageEnd:
                    pageEnds_.push_back(current_);
                    current_ = Sheet{paper_};
                    VectorNewPath();
                    vectorAt_ = {};
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
    // Two, six or eight pages a sheet turn the pages a quarter: the driver lays the sheet out in
    // the frame of the page's orientation, which the printer then turns onto the sheet. The
    // pictures show that frame (the sheet turned a quarter).
    bool turnedFrame_ = false;
    Sheet current_;
    int resolution_ = kDefaultResolution;
    int brushLevel_ = 16;  // solid black until a brush is chosen
    int penLevel_ = 16;
    int lineWidth_ = 1;
    const Command* clipPath_ = nullptr;  // the last clip path; in force while the state says so
    TextPainter text_;                   // text commands become glyph images
    // The vector path being built: its points, the first point of the open subpath (none after a
    // close or a new path) and the vector current point.
    static constexpr size_t kNoSubpath = SIZE_MAX;
    std::vector<PathPoint> vectorPath_;
    std::shared_ptr<const std::vector<PathPoint>> vectorPainted_;  // the path as last painted
    size_t vectorOpen_ = kNoSubpath;
    PathPoint vectorAt_;

    void NewPaper(const Paper& p) {
        paper_ = p;
        current_.paper = p;
        setups_.push_back(Sheet{p});
    }

    // "@PJL SET JOBATTR="@NLPP=N2"": the pages a sheet of the job.
    void PagesPerSheet(std::string_view line) {
        static constexpr std::string_view kKey = "@NLPP=";
        const size_t at = line.find(kKey);
        if (at == std::string_view::npos) return;
        std::string_view value = line.substr(at + kKey.size());
        value = value.substr(0, value.find('"'));
        turnedFrame_ = value == "N2" || value == "N6" || value == "N8";
    }

    // "fPC1PA4.", "fPA4.", "fPC0." then "fA4." or "fUNDF,w,l,1/10,m.", "fLC2L,w,l,1/10,m."
    void PaperSetup(std::string_view text) {
        std::string_view body = text.substr(1, text.size() - 2);
        Paper p = paper_;
        p.landscape = orientationLandscape_ != turnedFrame_;
        if (TakePaperName(body, &p, &error_)) {
            if (error_.empty()) NewPaper(p);
            return;
        }
        if (body.empty() || (body.front() != 'P' && body.front() != 'L')) return;  // not a paper: ignore
        orientationLandscape_ = body.front() == 'L';
        p.landscape = orientationLandscape_ != turnedFrame_;
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
        if (!v || *v == 0) return;  // "&0." closes the job
        if (*v > kMaxResolution) {
            error_ = "resolution " + std::to_string(*v) + " is not one a printer takes";
            return;
        }
        resolution_ = *v;
    }

    // The printer's origin on the paper in device pixels of the job's resolution now.
    Point Origin() const {
        return {int64_t{options_.originX} * resolution_ / options_.originDpi,
                int64_t{options_.originY} * resolution_ / options_.originDpi};
    }

    // Both the page being built and the page set-up's sheet take every mark.
    template <class Take>
    void ForSheets(Take take) {
        take(current_);
        if (!setups_.empty()) take(setups_.back());
    }

    void AddPath(const Command& c, PathMark path) {
        if (!path.points || path.points->empty()) return;
        path.brushLevel = brushLevel_;
        path.penLevel = penLevel_;
        const Command* clip = c.state.clipSet && c.state.clipIsPath ? clipPath_ : nullptr;
        auto shared = std::make_shared<const PathMark>(std::move(path));
        ForSheets([&](Sheet& s) {
            s.marks.push_back({&c, c.state, resolution_, 16, lineWidth_, shared, clip, Origin()});
            s.paths++;
        });
    }

    // Polylines (E0), polygons (E8 fill, E9 fill and stroke) and curve paths (EA, by its mode:
    // low bits 0 stroke, 1 stroke and fill, 2 fill; bit 0x10 the winding rule of a fill, or the
    // closed figures of a stroke).
    void BinaryPath(const Command& c) {
        const int64_t mode = c.fields[0];
        PathMark path;
        path.points = std::make_shared<const std::vector<PathPoint>>(c.points);
        if (c.code == 0xE0) {
            path.stroke = true;
        } else if (c.code == 0xE8 || c.code == 0xE9) {
            path.fill = true;
            path.stroke = c.code == 0xE9;
            path.closeAll = true;
            path.winding = mode & 0x01;
        } else {
            path.fill = (mode & 3) != 0;
            path.stroke = (mode & 3) != 2;
            path.winding = path.fill && (mode & 0x10);
            path.closeAll = path.fill || (mode & 0x10);
        }
        AddPath(c, std::move(path));
    }

    void VectorNewPath() {
        vectorPath_.clear();
        vectorPainted_.reset();
        vectorOpen_ = kNoSubpath;
    }

    void VectorSubpath() {
        if (vectorOpen_ != kNoSubpath) return;
        vectorOpen_ = vectorPath_.size();
        vectorPainted_.reset();
        vectorPath_.push_back({vectorAt_.x, vectorAt_.y, true, false});
    }

    void VectorTo(int64_t x, int64_t y, bool curve) {
        vectorAt_ = {x, y, false, curve};
        vectorPainted_.reset();
        vectorPath_.push_back(vectorAt_);
    }

    // The vector path language: NP starts a path, MA moves, PR draws straight lines and BR Bezier
    // curves by relative numbers (each curve point relative to the one before), CP closes the
    // subpath, ST strokes the path, FL fills it by the winding rule and EF by the alternate rule.
    void Vector(const Command& c) {
        const auto& f = c.fields;
        const std::string& name = c.name;
        if (name == "NP") {
            VectorNewPath();
        } else if (name == "MA" && f.size() >= 2) {
            vectorAt_ = {f[0], f[1], false, false};
            vectorOpen_ = kNoSubpath;
        } else if (name == "PR") {
            for (size_t i = 0; i + 1 < f.size(); i += 2) {
                VectorSubpath();
                VectorTo(vectorAt_.x + f[i], vectorAt_.y + f[i + 1], false);
            }
        } else if (name == "BR") {
            for (size_t i = 0; i + 5 < f.size(); i += 6) {
                VectorSubpath();
                for (size_t k = 0; k < 6; k += 2) VectorTo(vectorAt_.x + f[i + k], vectorAt_.y + f[i + k + 1], true);
            }
        } else if (name == "CP" && vectorOpen_ != kNoSubpath) {
            const PathPoint start = vectorPath_[vectorOpen_];
            VectorTo(start.x, start.y, false);
            vectorOpen_ = kNoSubpath;
        } else if (name == "ST" || name == "FL" || name == "EF") {
            if (!vectorPainted_) vectorPainted_ = std::make_shared<const std::vector<PathPoint>>(vectorPath_);
            PathMark path;
            path.points = vectorPainted_;
            path.stroke = name == "ST";
            path.fill = !path.stroke;
            path.winding = name == "FL";
            AddPath(c, std::move(path));
        }
    }

    void Binary(const Command& c) {
        const auto& f = c.fields;
        if (c.code == 0xB5 && !c.points.empty()) clipPath_ = &c;
        if ((c.code == 0xE0 || c.code >= 0xE8) && c.code <= 0xEA) BinaryPath(c);
        // Brushes: a built-in brush draws in its foreground level (hatches as their foreground,
        // which is near enough for a picture), a downloaded pattern in its foreground.
        if ((c.code == 0xA5 || c.code == 0xA2) && f.size() >= 2) brushLevel_ = static_cast<int>(f[1]);
        if (c.code == 0xAD && !f.empty()) penLevel_ = static_cast<int>(f[0]);
        if (c.code == 0xAF && !f.empty()) lineWidth_ = std::max(1, static_cast<int>(f[0]));
        const Command* clip = c.state.clipSet && c.state.clipIsPath ? clipPath_ : nullptr;
        if (c.code >= 0xDB && c.code <= 0xDE) {
            const bool filled = c.code == 0xDB || c.code == 0xDD;
            ForSheets([&](Sheet& s) {
                s.marks.push_back(
                    {&c, c.state, resolution_, filled ? brushLevel_ : penLevel_, lineWidth_, nullptr, clip, Origin()});
                s.rectangles++;
            });
        }
        if (TextPainter::Follows(c)) {
            for (const Command* glyph : text_.Take(c))
                ForSheets([&](Sheet& s) {
                    s.marks.push_back({glyph, glyph->state, resolution_, 16, 1, nullptr, clip, Origin()});
                    s.images++;
                });
            return;
        }
        if (c.code == 0xF2 || c.code == 0xF4) {
            ForSheets([&](Sheet& s) {
                if (f.size() < 2 || f[0] != 0 || c.rows.empty()) {
                    s.other++;
                } else if (!c.state.positionKnown) {
                    s.unplaced++;
                } else {
                    s.marks.push_back({&c, c.state, resolution_, 16, 1, nullptr, clip, Origin()});
                    s.images++;
                }
            });
        }
    }
};

int ToPixels(int64_t device, int resolution, int dpi) {
    // Floor division also for negative device coordinates.
    const int64_t n = device * dpi;
    return static_cast<int>(n >= 0 ? n / resolution : -((-n + resolution - 1) / resolution));
}

// The part of the picture a mark may paint: the page, cut to the clip in force (under a clip
// path its bounds and the mask of the path).
PaintArea ClipArea(const Mark& m, int dpi, const PagePicture& pic, const std::vector<uint8_t>* mask) {
    PaintArea a{0, 0, pic.width, pic.height, m.clipPath ? mask : nullptr};
    if (m.state.clipSet) {
        a.x0 = std::max(a.x0, ToPixels(m.state.clip.left + m.origin.x, m.resolution, dpi));
        a.y0 = std::max(a.y0, ToPixels(m.state.clip.top + m.origin.y, m.resolution, dpi));
        a.x1 = std::min(a.x1, ToPixels(m.state.clip.right + m.origin.x, m.resolution, dpi));
        a.y1 = std::min(a.y1, ToPixels(m.state.clip.bottom + m.origin.y, m.resolution, dpi));
    }
    return a;
}

bool Masked(const PaintArea& a, size_t index) {
    return a.mask && !(*a.mask)[index];
}

void FillBox(const PaintArea& a, int x0, int y0, int x1, int y1, uint8_t grey, PagePicture* pic) {
    x0 = std::max(x0, a.x0), y0 = std::max(y0, a.y0), x1 = std::min(x1, a.x1), y1 = std::min(y1, a.y1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(pic->width) + static_cast<size_t>(x);
            if (!Masked(a, i)) pic->pixels[i] = grey;
        }
}

uint8_t Grey(int level) {
    return static_cast<uint8_t>(std::clamp(level - 16, 0, 63) * 255 / 63);
}

// Below the job's resolution an image is shown in grey by how much of each picture pixel its
// black pixels cover (a dithered grey stays grey instead of turning black): the device pixels
// of the image, cut to its clip, are counted per picture pixel.
void CoverImage(const Mark& m, int dpi, const PaintArea& area, int pictureWidth, int pictureHeight,
                std::vector<uint32_t>* coverage) {
    const Command& c = *m.command;
    const int64_t sw = c.fields[2], sh = c.fields[3];
    const int64_t tw = c.code == 0xF4 ? c.fields[4] : sw, th = c.code == 0xF4 ? c.fields[5] : sh;
    if (sw <= 0 || sh <= 0 || tw <= 0 || th <= 0) return;
    const int res = m.resolution;
    // The device pixels that may be painted: the page, cut to the clip.
    int64_t cx0 = -m.origin.x, cy0 = -m.origin.y;
    int64_t cx1 = (int64_t{pictureWidth} * res + dpi - 1) / dpi - m.origin.x;
    int64_t cy1 = (int64_t{pictureHeight} * res + dpi - 1) / dpi - m.origin.y;
    if (m.state.clipSet) {
        cx0 = std::max(cx0, m.state.clip.left), cy0 = std::max(cy0, m.state.clip.top);
        cx1 = std::min(cx1, m.state.clip.right), cy1 = std::min(cy1, m.state.clip.bottom);
    }
    for (int64_t r = 0; r < sh && r < static_cast<int64_t>(c.rows.size()); ++r) {
        const int64_t y0 = std::max(cy0, m.state.y + r * th / sh), y1 = std::min(cy1, m.state.y + (r + 1) * th / sh);
        if (y0 >= y1) continue;
        const auto& row = c.rows[static_cast<size_t>(r)];
        for (int64_t col = 0; col < sw && static_cast<size_t>(col / 8) < row.size(); ++col) {
            const uint8_t byte = row[static_cast<size_t>(col / 8)];
            if (!byte) {
                col |= 7;
                continue;
            }
            if (!(byte & (0x80 >> (col % 8)))) continue;
            const int64_t x0 = std::max(cx0, m.state.x + col * tw / sw),
                          x1 = std::min(cx1, m.state.x + (col + 1) * tw / sw);
            for (int64_t y = y0; y < y1; ++y) {
                const int py = ToPixels(y + m.origin.y, res, dpi);
                if (py < 0 || py >= pictureHeight) continue;
                for (int64_t x = x0; x < x1; ++x) {
                    const int px = ToPixels(x + m.origin.x, res, dpi);
                    if (px < 0 || px >= pictureWidth) continue;
                    const size_t i =
                        static_cast<size_t>(py) * static_cast<size_t>(pictureWidth) + static_cast<size_t>(px);
                    if (!Masked(area, i)) (*coverage)[i]++;
                }
            }
        }
    }
}

void DrawImage(const Mark& m, int dpi, const PaintArea& w, PagePicture* pic) {
    const Command& c = *m.command;
    const int64_t sw = c.fields[2], sh = c.fields[3];
    const int64_t tw = c.code == 0xF4 ? c.fields[4] : sw, th = c.code == 0xF4 ? c.fields[5] : sh;
    if (sw <= 0 || sh <= 0 || tw <= 0 || th <= 0) return;
    const int res = m.resolution;
    if (w.x0 >= w.x1 || w.y0 >= w.y1) return;
    for (int64_t r = 0; r < sh && r < static_cast<int64_t>(c.rows.size()); ++r) {
        const int64_t top = m.state.y + m.origin.y;
        const int y0 = ToPixels(top + r * th / sh, res, dpi);
        const int y1 = std::max(y0 + 1, ToPixels(top + (r + 1) * th / sh, res, dpi));
        if (y1 <= w.y0 || y0 >= w.y1) continue;
        const auto& row = c.rows[static_cast<size_t>(r)];
        for (int64_t col = 0; col < sw && static_cast<size_t>(col / 8) < row.size(); ++col) {
            const uint8_t byte = row[static_cast<size_t>(col / 8)];
            if (!byte) {
                col |= 7;  // skip the rest of a white byte
                continue;
            }
            if (!(byte & (0x80 >> (col % 8)))) continue;
            const int64_t left = m.state.x + m.origin.x;
            const int x0 = ToPixels(left + col * tw / sw, res, dpi);
            const int x1 = std::max(x0 + 1, ToPixels(left + (col + 1) * tw / sw, res, dpi));
            FillBox(w, x0, y0, x1, y1, 0, pic);
        }
    }
}

// Rectangles: the fields are height, width, x, y; filled ones take the brush level, outlined
// ones a border of the line width in the pen level.
void DrawRectangle(const Mark& m, int dpi, const PaintArea& w, PagePicture* pic) {
    const auto& f = m.command->fields;
    const int64_t h = f[0], wd = f[1], x = f[2] + m.origin.x, y = f[3] + m.origin.y;
    const int x0 = ToPixels(x, m.resolution, dpi), y0 = ToPixels(y, m.resolution, dpi);
    const int x1 = std::max(x0 + 1, ToPixels(x + wd, m.resolution, dpi));
    const int y1 = std::max(y0 + 1, ToPixels(y + h, m.resolution, dpi));
    const uint8_t grey = Grey(m.level);
    if (m.command->code == 0xDB || m.command->code == 0xDD) {
        FillBox(w, x0, y0, x1, y1, grey, pic);
        return;
    }
    const int t = std::max(1, ToPixels(m.lineWidth, m.resolution, dpi));
    FillBox(w, x0, y0, x1, std::min(y1, y0 + t), grey, pic);
    FillBox(w, x0, std::max(y0, y1 - t), x1, y1, grey, pic);
    FillBox(w, x0, y0, std::min(x1, x0 + t), y1, grey, pic);
    FillBox(w, std::max(x0, x1 - t), y0, x1, y1, grey, pic);
}

// Path points in picture pixels, curves laid out as short straight pieces.
Outline OutlineOf(const std::vector<PathPoint>& points, bool closeAll, const Mark& m, int dpi) {
    const double scale = static_cast<double>(dpi) / m.resolution;
    auto at = [&](const PathPoint& q) {
        return FPoint{static_cast<double>(q.x + m.origin.x) * scale, static_cast<double>(q.y + m.origin.y) * scale};
    };
    auto curveFrom = [&](size_t i) {
        return i + 2 < points.size() && points[i].curve && points[i + 1].curve && points[i + 2].curve &&
               !points[i + 1].first && !points[i + 2].first;
    };
    Outline out;
    for (size_t i = 0; i < points.size(); ++i) {
        if (points[i].first || out.empty()) {
            out.push_back({{at(points[i])}, closeAll});
        } else if (curveFrom(i)) {
            AppendBezier(out.back().points.back(), at(points[i]), at(points[i + 1]), at(points[i + 2]),
                         &out.back().points);
            i += 2;
        } else {
            out.back().points.push_back(at(points[i]));
        }
    }
    return out;
}

size_t PointCount(const Outline& outline) {
    size_t n = 0;
    for (const Subpath& s : outline) n += s.points.size();
    return n;
}

// Paints a page's marks in order, counting the work (a few bytes of job can ask for many
// page-sized marks: each mark is counted at most at its page-cut size, and a page that paints
// too much is refused).
class Painter {
public:
    Painter(const PictureOptions& options, PagePicture* pic) : options_(options), pic_(pic) {}

    bool Take(const Mark& m, std::string* error) {
        const std::vector<uint8_t>* mask = m.clipPath ? MaskOf(*m.clipPath, m, error) : nullptr;
        if (m.clipPath && !mask) return false;
        const PaintArea area = ClipArea(m, options_.dpi, *pic_, mask);
        if (m.path) return TakePath(m, area, error);
        const bool image = m.command->code == 0xF2 || m.command->code == 0xF4;
        const auto& f = m.command->fields;
        const uint64_t size = image ? uint64_t(std::max<int64_t>(f[m.command->code == 0xF4 ? 4 : 2], 0)) *
                                          uint64_t(std::max<int64_t>(f[m.command->code == 0xF4 ? 5 : 3], 0))
                                    : uint64_t(std::max<int64_t>(f[0], 0)) * uint64_t(std::max<int64_t>(f[1], 0));
        if (!Charge(std::min(size, PageDevice(m.resolution)) + (image ? m.command->rows.size() : 1), error))
            return false;
        if (image && m.resolution > options_.dpi) {
            // Images of a job above the picture's resolution are shown by coverage, laid over
            // the other marks at the end; at or below it each black pixel is painted in its place.
            if (coverage_.empty()) coverage_.assign(pic_->pixels.size(), 0);
            coverageResolution_ = std::max(coverageResolution_, m.resolution);
            CoverImage(m, options_.dpi, area, pic_->width, pic_->height, &coverage_);
        } else if (image) {
            DrawImage(m, options_.dpi, area, pic_);
        } else {
            DrawRectangle(m, options_.dpi, area, pic_);
        }
        return true;
    }

    void LayCoverage() {
        if (coverage_.empty()) return;
        const double cell =
            static_cast<double>(coverageResolution_) * coverageResolution_ / (double{1} * options_.dpi * options_.dpi);
        for (size_t i = 0; i < coverage_.size(); ++i) {
            if (!coverage_[i]) continue;
            const double black = std::min(1.0, coverage_[i] / cell);
            pic_->pixels[i] = std::min(pic_->pixels[i], static_cast<uint8_t>(255.0 * (1.0 - black) + 0.5));
        }
    }

private:
    const PictureOptions& options_;
    PagePicture* pic_;
    uint64_t work_ = 0;
    std::vector<uint32_t> coverage_;
    int coverageResolution_ = 0;
    // The mask of the clip path last used, kept while the marks stay under it.
    const Command* maskOf_ = nullptr;
    int maskResolution_ = 0;
    std::vector<uint8_t> mask_;

    uint64_t PageDevice(int resolution) const {
        const uint64_t r = static_cast<uint64_t>(std::max(resolution, options_.dpi)), dpi = uint64_t(options_.dpi);
        return (uint64_t(pic_->width) * r / dpi + 1) * (uint64_t(pic_->height) * r / dpi + 1);
    }

    bool Charge(uint64_t pixels, std::string* error) {
        work_ += pixels;
        if (work_ <= options_.maxWork) return true;
        *error = "the marks of a page paint more than " + std::to_string(options_.maxWork) + " pixels";
        return false;
    }

    Canvas Picture() const { return Canvas{pic_->width, pic_->height, pic_->pixels.data()}; }

    const std::vector<uint8_t>* MaskOf(const Command& clip, const Mark& m, std::string* error) {
        if (maskOf_ == &clip && maskResolution_ == m.resolution) return &mask_;
        const Outline outline = OutlineOf(clip.points, true, m, options_.dpi);
        if (!Charge(PointCount(outline) + FillWork(outline, pic_->width, pic_->height), error)) return nullptr;
        mask_.assign(pic_->pixels.size(), 0);
        Canvas canvas{pic_->width, pic_->height, mask_.data()};
        FillOutline(outline, false, PaintArea{0, 0, pic_->width, pic_->height, nullptr}, 1, &canvas);
        maskOf_ = &clip;
        maskResolution_ = m.resolution;
        return &mask_;
    }

    bool TakePath(const Mark& m, const PaintArea& area, std::string* error) {
        const PathMark& path = *m.path;
        const Outline outline = OutlineOf(*path.points, path.closeAll, m, options_.dpi);
        const int pen = std::max(1, ToPixels(m.lineWidth, m.resolution, options_.dpi));
        const uint64_t work = PointCount(outline) + (path.fill ? FillWork(outline, pic_->width, pic_->height) : 0) +
                              (path.stroke ? StrokeWork(outline, pen, pic_->width, pic_->height) : 0);
        if (!Charge(work, error)) return false;
        Canvas canvas = Picture();
        if (path.fill) FillOutline(outline, path.winding, area, Grey(path.brushLevel), &canvas);
        if (path.stroke) StrokeOutline(outline, pen, area, Grey(path.penLevel), &canvas);
        return true;
    }
};

// The paper edge, over anything drawn there.
void DrawPaperEdge(PagePicture* pic) {
    constexpr uint8_t kFrame = 160;
    for (int x = 0; x < pic->width; ++x) {
        pic->pixels[static_cast<size_t>(x)] = kFrame;
        pic->pixels[static_cast<size_t>(pic->height - 1) * static_cast<size_t>(pic->width) + static_cast<size_t>(x)] =
            kFrame;
    }
    for (int y = 0; y < pic->height; ++y) {
        pic->pixels[static_cast<size_t>(y) * static_cast<size_t>(pic->width)] = kFrame;
        pic->pixels[static_cast<size_t>(y) * static_cast<size_t>(pic->width) + static_cast<size_t>(pic->width - 1)] =
            kFrame;
    }
}

bool Paint(const Sheet& sheet, const PictureOptions& options, PagePicture* pic, std::string* error) {
    const int upW = sheet.paper.landscape ? sheet.paper.length : sheet.paper.width;
    const int upH = sheet.paper.landscape ? sheet.paper.width : sheet.paper.length;
    pic->paper = sheet.paper.name.empty() ? "A4 (no page set-up)" : sheet.paper.name;
    pic->landscape = sheet.paper.landscape;
    pic->width = std::max(1, static_cast<int>(PicturePixels(upW, options.dpi)));
    pic->height = std::max(1, static_cast<int>(PicturePixels(upH, options.dpi)));
    if (static_cast<size_t>(pic->width) * static_cast<size_t>(pic->height) > options.maxPixels) {
        *error = "a page of " + std::to_string(pic->width) + " x " + std::to_string(pic->height) +
                 " pixels is larger than allowed";
        return false;
    }
    pic->pixels.assign(static_cast<size_t>(pic->width) * static_cast<size_t>(pic->height), 255);
    Painter painter(options, pic);
    for (const Mark& m : sheet.marks)
        if (!painter.Take(m, error)) return false;
    painter.LayCoverage();
    pic->imagesDrawn = sheet.images;
    pic->rectanglesDrawn = sheet.rectangles;
    pic->pathsDrawn = sheet.paths;
    pic->imagesUnplaced = sheet.unplaced;
    pic->imagesOther = sheet.other;
    if (options.paperEdge) DrawPaperEdge(pic);
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
    if (options.dpi < 10 || options.dpi > kMaxPictureDpi) {
        out.error = "picture resolution " + std::to_string(options.dpi) + " is outside 10 ... 1200 dpi";
        return out;
    }
    constexpr int kMaxOriginInches = 80;  // the origin lies on a paper of at most 2 m
    if (options.originDpi < 10 || options.originDpi > kMaxResolution ||
        std::abs(options.originX) > options.originDpi * kMaxOriginInches ||
        std::abs(options.originY) > options.originDpi * kMaxOriginInches) {
        out.error = "the printer's origin (" + std::to_string(options.originX) + ", " +
                    std::to_string(options.originY) + ") at " + std::to_string(options.originDpi) +
                    " dpi is not on a paper";
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
        if (!PlatWritePngFile(pic.path.c_str(), pic.width, pic.height, 1, pic.pixels.data())) {
            out.ok = false;
            out.error = "cannot write " + pic.path;
            return out;
        }
    }
    return out;
}

}  // namespace orla::jobdecode
