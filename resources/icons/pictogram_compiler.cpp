// Build-time tool: turns the pictogram drawing table (pictograms.txt) into a C++ source holding
// the icon resources of the interface DLL. Each icon is drawn on its design grid with a handful
// of shapes in a 16-colour palette, then written at every size the table asks for as a 4-bit
// colour image with its 1-bit transparency mask (RT_ICON), and grouped under its id with one
// directory entry per size (RT_GROUP_ICON), as the resource compiler lays icons out.
//
//   pictogram_compiler <table> <output.cpp>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kTransparent = -1;
constexpr int kPaletteSize = 16;
constexpr int kLargestGrid = 128;
constexpr int kLargestSize = 256;
constexpr int kResourceTypeIcon = 3;
constexpr int kResourceTypeGroupIcon = 14;

struct Size {
    int w = 0;
    int h = 0;
};

// A fault in the table: where and what, reported once and the build stops.
struct TableError {
    int line;
    std::string what;
};

struct Grid {
    int w = 0, h = 0;
    std::vector<int> px;  // palette index or kTransparent, top row first
    Grid(int width, int height) : w(width), h(height), px(size_t(width) * size_t(height), kTransparent) {}
    void Put(int x, int y, int c) {
        if (x >= 0 && y >= 0 && x < w && y < h) px[size_t(y) * size_t(w) + size_t(x)] = c;
    }
    int At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

struct Icon {
    int id = 0;
    int line = 0;
    Grid grid{1, 1};
    std::vector<Size> sizes;
};

// The digits of the 3 x 5 number font, rows top first, bit 2 the left column.
constexpr uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

class Table {
public:
    std::vector<Icon> Read(std::istream& in);
    const std::vector<uint32_t>& Palette() const { return palette_; }

private:
    using Lines = std::vector<std::pair<int, std::string>>;
    void AddColour(std::istringstream& words, int line);
    size_t Block(const Lines& lines, size_t at, std::vector<std::pair<int, std::string>>& body);
    void Draw(Grid& g, const std::vector<std::pair<int, std::string>>& body, int dx, int dy, int depth);
    void Shape(Grid& g, const std::string& op, std::istringstream& words, int line, int dx, int dy, int depth);
    int Colour(const std::string& name, int line) const;
    std::vector<uint32_t> palette_;
    std::map<char, int> colourIndex_;
    std::map<std::string, std::vector<std::pair<int, std::string>>> shapes_;
};

int Number(std::istringstream& words, int line) {
    long value;
    if (!(words >> value) || value < -kLargestGrid || value > kLargestGrid * 4)
        throw TableError{line, "a number was expected"};
    return static_cast<int>(value);
}

Size ParseSize(const std::string& text, int line) {
    int w = 0, h = 0;
    char x = 0, rest = 0;
    int n = std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &rest);
    if (n == 1 && std::sscanf(text.c_str(), "%d%c", &w, &x) == 1)
        h = w;  // "16" stands for 16 x 16
    else if (n != 2)
        throw TableError{line, "size '" + text + "' is not WxH"};
    if (w <= 0 || h <= 0 || w > kLargestSize || h > kLargestSize) throw TableError{line, "size out of range"};
    return {w, h};
}

std::string Trimmed(std::string s) {
    if (size_t hash = s.find('#'); hash != std::string::npos) s.erase(hash);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    size_t start = s.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : s.substr(start);
}

int Table::Colour(const std::string& name, int line) const {
    if (name == ".") return kTransparent;
    auto found = name.size() == 1 ? colourIndex_.find(name[0]) : colourIndex_.end();
    if (found == colourIndex_.end()) throw TableError{line, "unknown colour '" + name + "'"};
    return found->second;
}

void Table::AddColour(std::istringstream& words, int line) {
    std::string letter, hex;
    if (!(words >> letter >> hex) || letter.size() != 1 || letter == "." || hex.size() != 6)
        throw TableError{line, "palette wants a letter and RRGGBB"};
    if (palette_.size() == kPaletteSize) throw TableError{line, "the palette holds 16 colours"};
    if (colourIndex_.count(letter[0])) throw TableError{line, "colour letter used twice"};
    colourIndex_[letter[0]] = static_cast<int>(palette_.size());
    palette_.push_back(static_cast<uint32_t>(std::stoul(hex, nullptr, 16)));
}

// The lines of a block up to its "end", the drawing rows of "art" kept as they stand.
size_t Table::Block(const Lines& lines, size_t at, std::vector<std::pair<int, std::string>>& body) {
    for (; at < lines.size(); ++at) {
        if (lines[at].second == "end") return at;
        body.push_back(lines[at]);
    }
    throw TableError{lines.empty() ? 0 : lines.back().first, "block without 'end'"};
}

void Line(Grid& g, int x0, int y0, int x1, int y1, int c) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
    for (;;) {
        g.Put(x0, y0, c);
        if (x0 == x1 && y0 == y1) return;
        int e2 = 2 * err;
        if (e2 >= dy) err += dy, x0 += sx;
        if (e2 <= dx) err += dx, y0 += sy;
    }
}

void Disc(Grid& g, int cx, int cy, int r, int c, bool ringOnly) {
    for (int y = -r; y <= r; ++y) {
        for (int x = -r; x <= r; ++x) {
            int d = x * x + y * y;
            bool inside = d <= r * r + r;
            bool edge = inside && d >= (r - 1) * (r - 1) + (r - 1) + 1;
            if (ringOnly ? edge : inside) g.Put(cx + x, cy + y, c);
        }
    }
}

void Table::Shape(Grid& g, const std::string& op, std::istringstream& words, int line, int dx, int dy, int depth) {
    auto point = [&](int& x, int& y) {
        x = Number(words, line) + dx;
        y = Number(words, line) + dy;
    };
    auto colour = [&] {
        std::string name;
        if (!(words >> name)) throw TableError{line, "a colour was expected"};
        return Colour(name, line);
    };
    int x0, y0, x1, y1;
    if (op == "rect" || op == "frame") {
        point(x0, y0);
        point(x1, y1);
        int c = colour();
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
            for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x)
                if (op == "rect" || x == x0 || x == x1 || y == y0 || y == y1) g.Put(x, y, c);
    } else if (op == "line") {
        point(x0, y0);
        point(x1, y1);
        Line(g, x0, y0, x1, y1, colour());
    } else if (op == "dot") {
        point(x0, y0);
        g.Put(x0, y0, colour());
    } else if (op == "disc" || op == "ring") {
        point(x0, y0);
        int r = Number(words, line);
        Disc(g, x0, y0, r, colour(), op == "ring");
    } else if (op == "digit") {
        point(x0, y0);
        int d = Number(words, line);
        if (d < 0 || d > 9) throw TableError{line, "digit 0 to 9"};
        int c = colour();
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 3; ++x)
                if (kDigits[d][y] & (4 >> x)) g.Put(x0 + x, y0 + y, c);
    } else if (op == "use") {
        std::string name;
        words >> name;
        auto found = shapes_.find(name);
        if (found == shapes_.end()) throw TableError{line, "no shape named '" + name + "'"};
        int ox = 0, oy = 0;
        if (words >> ox) words >> oy;
        if (depth > 8) throw TableError{line, "shapes nest too deep"};
        Draw(g, found->second, dx + ox, dy + oy, depth + 1);
    } else {
        throw TableError{line, "unknown command '" + op + "'"};
    }
}

// Runs a block's commands; an "art" command takes the rows after it up to "endart", one palette
// letter per pixel and "." for none.
void Table::Draw(Grid& g, const std::vector<std::pair<int, std::string>>& body, int dx, int dy, int depth) {
    for (size_t i = 0; i < body.size(); ++i) {
        std::istringstream words(body[i].second);
        std::string op;
        words >> op;
        if (op != "art") {
            Shape(g, op, words, body[i].first, dx, dy, depth);
            continue;
        }
        int x0 = Number(words, body[i].first) + dx, y = Number(words, body[i].first) + dy;
        for (++i; i < body.size() && body[i].second != "endart"; ++i, ++y) {
            const std::string& row = body[i].second;
            for (size_t x = 0; x < row.size(); ++x) {
                int c = Colour(std::string(1, row[x]), body[i].first);
                if (c != kTransparent) g.Put(x0 + static_cast<int>(x), y, c);
            }
        }
        if (i == body.size()) throw TableError{body.back().first, "art without 'endart'"};
    }
}

std::vector<Icon> Table::Read(std::istream& in) {
    Lines lines;
    std::string text;
    for (int n = 1; std::getline(in, text); ++n) {
        std::string t = Trimmed(text);
        if (!t.empty()) lines.emplace_back(n, t);
    }
    std::vector<Icon> icons;
    std::set<int> ids;
    for (size_t at = 0; at < lines.size(); ++at) {
        auto [line, t] = lines[at];
        std::istringstream words(t);
        std::string keyword;
        words >> keyword;
        if (keyword == "palette") {
            AddColour(words, line);
            continue;
        }
        std::vector<std::pair<int, std::string>> body;
        if (keyword == "shape") {
            std::string name;
            if (!(words >> name) || shapes_.count(name)) throw TableError{line, "shape needs a new name"};
            at = Block(lines, at + 1, body);
            shapes_[name] = body;
            continue;
        }
        if (keyword != "icon") throw TableError{line, "expected palette, shape or icon"};
        Icon icon;
        icon.line = line;
        std::string grid, sizes;
        if (!(words >> icon.id >> grid >> sizes) || icon.id <= 0 || icon.id > 0xFFFF)
            throw TableError{line, "icon wants: id grid sizes"};
        if (!ids.insert(icon.id).second) throw TableError{line, "icon id used twice"};
        Size g = ParseSize(grid, line);
        if (g.w > kLargestGrid || g.h > kLargestGrid) throw TableError{line, "grid too large"};
        icon.grid = Grid(g.w, g.h);
        std::stringstream list(sizes);
        for (std::string one; std::getline(list, one, ',');) icon.sizes.push_back(ParseSize(one, line));
        at = Block(lines, at + 1, body);
        Draw(icon.grid, body, 0, 0, 0);
        icons.push_back(std::move(icon));
    }
    if (palette_.empty()) throw TableError{0, "no palette"};
    return icons;
}

// ---- Writing the resources ----

void Put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// One RT_ICON image: BITMAPINFOHEADER (height counting both halves), the 16-colour table, the
// colour rows and the mask rows, each bottom-up and padded to four bytes. Pixels are taken from
// the design grid by nearest sampling.
std::vector<uint8_t> IconImage(const Grid& g, Size s, const std::vector<uint32_t>& palette) {
    std::vector<uint8_t> out;
    Put32(out, 40);
    Put32(out, uint32_t(s.w));
    Put32(out, uint32_t(s.h * 2));
    Put16(out, 1);
    Put16(out, 4);
    for (int i = 0; i < 6; ++i) Put32(out, 0);
    for (int i = 0; i < kPaletteSize; ++i) {
        uint32_t rgb = i < int(palette.size()) ? palette[size_t(i)] : 0;
        out.insert(out.end(), {uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16), 0});
    }
    auto sample = [&](int x, int y) { return g.At(x * g.w / s.w, y * g.h / s.h); };
    const size_t colourStride = size_t((s.w * 4 + 31) / 32 * 4), maskStride = size_t((s.w + 31) / 32 * 4);
    for (int y = s.h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(colourStride, 0);
        for (int x = 0; x < s.w; ++x) {
            int c = sample(x, y);
            if (c != kTransparent) row[size_t(x / 2)] |= uint8_t(x % 2 ? c : c << 4);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = s.h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < s.w; ++x)
            if (sample(x, y) == kTransparent) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// The group directory: reserved 0, type 1, count, then per image width, height (0 for 256),
// colour count 16, reserved, planes 1, bits 4, bytes, and the RT_ICON id.
std::vector<uint8_t> GroupDirectory(const Icon& icon, const std::vector<std::pair<int, size_t>>& images) {
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, unsigned(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(uint8_t(icon.sizes[i].w & 0xFF));
        out.push_back(uint8_t(icon.sizes[i].h & 0xFF));
        out.push_back(16);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 4);
        Put32(out, uint32_t(images[i].second));
        Put16(out, unsigned(images[i].first));
    }
    return out;
}

void WriteArray(std::ostream& out, const std::string& name, const std::vector<uint8_t>& bytes) {
    out << "alignas(4) const unsigned char " << name << "[] = {";
    for (size_t i = 0; i < bytes.size(); ++i) out << (i ? "," : "") << (i % 24 ? "" : "\n    ") << unsigned(bytes[i]);
    out << "};\n";
}

void WriteSource(std::ostream& out, const std::vector<Icon>& icons, const std::vector<uint32_t>& palette) {
    out << "// Generated by pictogram_compiler from pictograms.txt; edit the table, not this file.\n"
           "#include \"resources/icons/pictograms.h\"\n\nnamespace {\n\n";
    std::vector<std::string> entries;
    int nextImage = 1;
    for (const Icon& icon : icons) {
        std::vector<std::pair<int, size_t>> images;
        for (Size s : icon.sizes) {
            std::vector<uint8_t> bytes = IconImage(icon.grid, s, palette);
            std::string name = "kImage" + std::to_string(nextImage);
            WriteArray(out, name, bytes);
            entries.push_back("{" + std::to_string(kResourceTypeIcon) + ", nullptr, " + std::to_string(nextImage) +
                              ", nullptr, " + name + ", sizeof " + name + "}");
            images.emplace_back(nextImage++, bytes.size());
        }
        std::string group = "kGroup" + std::to_string(icon.id);
        WriteArray(out, group, GroupDirectory(icon, images));
        entries.push_back("{" + std::to_string(kResourceTypeGroupIcon) + ", nullptr, " + std::to_string(icon.id) +
                          ", nullptr, " + group + ", sizeof " + group + "}");
    }
    out << "\n}  // namespace\n\nnamespace orla_res {\n\nconst ORLA_RESOURCE kPictogramResources[] = {\n";
    for (const std::string& e : entries) out << "    " << e << ",\n";
    out << "};\nconst unsigned kPictogramResourceCount = " << entries.size() << ";\n\n}  // namespace orla_res\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: pictogram_compiler <table> <output.cpp>\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << argv[1] << ": cannot be read\n";
        return 1;
    }
    std::vector<Icon> icons;
    Table table;
    try {
        icons = table.Read(in);
    } catch (const TableError& e) {
        std::cerr << argv[1] << ":" << e.line << ": " << e.what << "\n";
        return 1;
    }
    std::ostringstream source;
    WriteSource(source, icons, table.Palette());
    std::ofstream out(argv[2], std::ios::binary);
    out << source.str();
    if (!out) {
        std::cerr << argv[2] << ": cannot be written\n";
        return 1;
    }
    return 0;
}
