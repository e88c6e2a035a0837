// The job-stream decoder: a byte-exact reader of PJL and ORLA, strict enough that a stream the
// printer would misread is rejected with the offset and the reason.
#include "tools/job_decoder/job_decoder.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace orla::jobdecode {
namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kFs = 0x1C;
constexpr std::string_view kUel = "\x1b%-12345X";
constexpr size_t kMaxPjlLine = 4096;
constexpr size_t kMaxFsText = 512;
constexpr size_t kMaxVectorText = 512;

// ESC commands: the letter and the number of parameter bytes after it.
struct EscLayout {
    uint8_t letter;
    uint8_t parameterBytes;
};
constexpr EscLayout kEscCommands[] = {
    {'c', 1},  // reset / mode ("c1", "c8")
    {'L', 3},  // overlay: "L000"
    {'/', 3}, {'T', 2}, {'E', 0}, {'Q', 0}, {'H', 0}, {'K', 0},
};

// FS commands that are one letter with nothing after it.
constexpr uint8_t kFsModeLetters[] = {'Z', 'Y', 'R', 'U'};

// Binary command layouts. Field letters: b byte, c signed byte, z byte that must be 0x00,
// w 16-bit, v signed 16-bit (coordinates), d 32-bit, s signed 32-bit (all big-endian). The tail says what follows the
// fields.
enum class Tail {
    None,
    DataLastField,  // the last field is the byte length of the data that follows
    Pattern,        // 8 bytes, or 72 when the size code (first field) is 3
    ClipPath,       // B5: packed (0x04) or subpath list (0x02)
    PointPath,      // E0: mode 0x04 packed, else count points of 4 bytes
    PolygonPath,    // E8/E9: rule bit 0x20 packed, else count points
    CodeOne,        // CC: one character code (1 or 2 bytes by the selected font)
    CodeList,       // CD: count (first field) codes
    CodeMoves,      // CE: count (second field) codes with two signed move bytes each
};

struct BinaryLayout {
    uint8_t code;
    const char* name;
    const char* fields;
    Tail tail;
};

constexpr BinaryLayout kBinaryCommands[] = {
    {0xA0, "pattern", "bw", Tail::Pattern},
    {0xA2, "pattern-foreground", "bw", Tail::None},
    {0xA3, "pattern-background", "bw", Tail::None},
    {0xA4, "select-pattern", "zw", Tail::None},
    {0xA5, "brush", "bbb", Tail::None},
    {0xA6, "rop", "zbb", Tail::None},
    {0xAC, "line-style", "bbz", Tail::None},
    {0xAD, "pen", "zbb", Tail::None},
    {0xAF, "line-width", "zw", Tail::None},
    {0xB0, "line-join", "bw", Tail::None},
    {0xB1, "clip", "bw", Tail::None},
    {0xB2, "clip-long", "zwwzz", Tail::None},
    {0xB5, "clip-path", "bw", Tail::ClipPath},
    {0xB6, "move-short-x", "cv", Tail::None},
    {0xB7, "move-short-y", "cv", Tail::None},
    {0xB8, "move", "zvs", Tail::None},
    {0xBC, "font-control", "bzz", Tail::None},
    {0xBD, "text-colour", "zbz", Tail::None},
    {0xC0, "glyph-first", "zwbzzzwwzzzzzzw", Tail::DataLastField},
    {0xC1, "glyph", "zwbzzzwwzzzzzzw", Tail::DataLastField},
    {0xC2, "text-mode", "zzb", Tail::None},
    {0xC3, "char-height", "zw", Tail::None},
    {0xC4, "char-width", "zw", Tail::None},
    {0xC5, "dbcs-size-1", "zw", Tail::None},
    {0xC6, "dbcs-size-2", "zw", Tail::None},
    {0xC7, "char-angle", "zw", Tail::None},
    {0xC8, "char-style", "zw", Tail::None},
    {0xCA, "font-sbcs", "zw", Tail::None},
    {0xCB, "font-dbcs", "zw", Tail::None},
    {0xCC, "char", "z", Tail::CodeOne},
    {0xCD, "chars", "b", Tail::CodeList},
    {0xCE, "chars-moved", "zb", Tail::CodeMoves},
    {0xDB, "fill-rect", "bwvv", Tail::None},
    {0xDC, "frame-rect", "bwvv", Tail::None},
    {0xDD, "fill-rect-long", "zwwvvzz", Tail::None},
    {0xDE, "frame-rect-long", "zwwvvzz", Tail::None},
    {0xE0, "polyline", "bw", Tail::PointPath},
    {0xE8, "polygon-fill", "bw", Tail::PolygonPath},
    {0xE9, "polygon-fill-stroke", "bw", Tail::PolygonPath},
    {0xEA, "curve-path", "bwd", Tail::DataLastField},
    {0xF2, "image", "bzbwwd", Tail::DataLastField},
    {0xF4, "image-scaled", "bzbwwwwd", Tail::DataLastField},
};

constexpr std::string_view kVectorCommands[] = {"SU", "IP", "NP", "MA", "PR", "BR", "CP", "EP", "ST", "FL", "EF"};

const BinaryLayout* FindBinary(uint8_t code) {
    for (const BinaryLayout& l : kBinaryCommands)
        if (l.code == code) return &l;
    return nullptr;
}

std::string Hex(uint32_t value, int digits = 2) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, value);
    return buffer;
}

bool Printable(uint8_t b) {
    return b >= 0x20 && b < 0x7F;
}

std::string Count(size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string At(const GraphicsState& s) {
    return s.positionKnown ? "(" + std::to_string(s.x) + "," + std::to_string(s.y) + ")" : "(unknown position)";
}

std::string RectText(const Rect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

class Decoder {
public:
    Decoder(std::span<const uint8_t> data, const DecodeOptions& options) : data_(data), options_(options) {}

    DecodeResult Run() {
        inOrla_ = options_.startInOrla;
        while (pos_ < data_.size() && !failed_) {
            if (inOrla_)
                DecodeOrla();
            else
                DecodePjl();
        }
        if (!failed_ && options_.requireComplete) CheckComplete();
        result_.ok = !failed_;
        return std::move(result_);
    }

private:
    // A job cut short at a PJL line still parses; as the test oracle the decoder must refuse it.
    // A whole job opens with @PJL JOB lines, enters ORLA, returns to PJL with a UEL and closes
    // every @PJL JOB with an @PJL EOJ, which is its last line.
    void CheckComplete() {
        if (data_.empty()) return Fail(0, "empty job");
        if (inOrla_) return Fail(pos_, "the job ends inside ORLA: no UEL returns to PJL");
        size_t jobs = 0, ends = 0, languages = 0;
        for (const Command& c : result_.commands) {
            if (c.kind != CommandKind::Pjl) continue;
            if (c.text == "@PJL JOB" || c.text.rfind("@PJL JOB ", 0) == 0) ++jobs;
            if (c.text == "@PJL EOJ" || c.text.rfind("@PJL EOJ ", 0) == 0) ++ends;
            if (c.text.rfind("@PJL ENTER LANGUAGE", 0) == 0) ++languages;
        }
        if (jobs == 0) return Fail(data_.size(), "no @PJL JOB line: not a job");
        if (languages == 0) return Fail(data_.size(), "the job never enters ORLA");
        const Command& last = result_.commands.back();
        if (last.kind != CommandKind::Pjl || last.text.rfind("@PJL EOJ", 0) != 0)
            return Fail(data_.size(), "the job does not end with @PJL EOJ: no trailer");
        if (ends < jobs)
            return Fail(data_.size(),
                        std::to_string(jobs) + " @PJL JOB lines closed by only " + std::to_string(ends) + " @PJL EOJ");
    }

    std::span<const uint8_t> data_;
    DecodeOptions options_;
    size_t pos_ = 0;
    bool failed_ = false;
    bool inOrla_ = false;
    OrlaMode mode_ = OrlaMode::PageControl;
    bool twoByteCodes_ = true;  // character codes after a double-byte font selection
    size_t unpacked_ = 0;       // bytes of image rows kept so far
    GraphicsState gs_;
    DecodeResult result_;

    void Fail(size_t offset, std::string reason) {
        if (failed_) return;
        failed_ = true;
        result_.errorOffset = offset;
        result_.error = std::move(reason);
    }

    size_t Left() const { return data_.size() - pos_; }

    bool StartsWith(std::string_view s) const {
        return Left() >= s.size() && std::equal(s.begin(), s.end(), data_.begin() + static_cast<ptrdiff_t>(pos_),
                                                [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
    }

    Command& Add(CommandKind kind, size_t start, size_t length) {
        Command& c = result_.commands.emplace_back();
        c.kind = kind;
        c.offset = start;
        c.length = length;
        return c;
    }

    // ---- PJL ----
    void DecodePjl() {
        const size_t start = pos_;
        if (StartsWith(kUel)) {
            pos_ += kUel.size();
            Add(CommandKind::Uel, start, kUel.size());
            return;
        }
        if (!StartsWith("@PJL")) {
            Fail(start, "expected a PJL line or UEL, found byte " + Hex(data_[start]));
            return;
        }
        size_t end = pos_;
        while (end < data_.size() && data_[end] != '\n' && end - start <= kMaxPjlLine) {
            if (data_[end] < 0x20 && data_[end] != '\r' && data_[end] != '\t') {
                Fail(end, "control byte " + Hex(data_[end]) + " inside a PJL line");
                return;
            }
            end++;
        }
        if (end >= data_.size()) {
            Fail(start, "PJL line without its line feed");
            return;
        }
        if (end - start > kMaxPjlLine) {
            Fail(start, "PJL line longer than " + std::to_string(kMaxPjlLine) + " bytes");
            return;
        }
        size_t textEnd = end;
        if (textEnd > start && data_[textEnd - 1] == '\r') textEnd--;
        if (std::find(data_.begin() + static_cast<ptrdiff_t>(start), data_.begin() + static_cast<ptrdiff_t>(textEnd),
                      '\r') != data_.begin() + static_cast<ptrdiff_t>(textEnd)) {
            Fail(start, "carriage return inside a PJL line");
            return;
        }
        Command& c = Add(CommandKind::Pjl, start, end + 1 - start);
        c.text.assign(data_.begin() + static_cast<ptrdiff_t>(start), data_.begin() + static_cast<ptrdiff_t>(textEnd));
        pos_ = end + 1;
        if (c.text == "@PJL ENTER LANGUAGE=ORLA") {
            inOrla_ = true;
            mode_ = OrlaMode::PageControl;
        } else if (c.text.rfind("@PJL ENTER LANGUAGE", 0) == 0) {
            Fail(start, "the job enters a language other than ORLA");
        }
    }

    // ---- ORLA ----
    void DecodeOrla() {
        const size_t start = pos_;
        const uint8_t b = data_[pos_];
        if (b == kEsc) return DecodeEsc();
        if (b == kFs) return DecodeFs();
        if (b == '\r') {
            if (Left() < 2 || data_[pos_ + 1] != 0x0C) {
                Fail(start, "carriage return not followed by form feed");
                return;
            }
            if (mode_ != OrlaMode::PageControl) {
                Fail(start, "page end in graphics mode (FS Z must come first)");
                return;
            }
            pos_ += 2;
            Add(CommandKind::PageEnd, start, 2);
            gs_ = GraphicsState{};
            return;
        }
        if (b >= 0x80 || (b >= 'A' && b <= 'Z')) {
            if (mode_ != OrlaMode::Graphics) {
                Fail(start, (b >= 0x80 ? "binary command " + Hex(b) : std::string("vector command")) +
                                " in page-control mode (FS Y must come first)");
                return;
            }
            if (b >= 0x80) return DecodeBinary();
            return DecodeVector();
        }
        Fail(start, "unexpected byte " + Hex(b) + " in ORLA");
    }

    void DecodeEsc() {
        const size_t start = pos_;
        if (StartsWith(kUel)) {
            pos_ += kUel.size();
            Add(CommandKind::Uel, start, kUel.size());
            inOrla_ = false;
            gs_ = GraphicsState{};
            return;
        }
        if (Left() < 2) {
            Fail(start, "ESC at the end of the job");
            return;
        }
        const uint8_t letter = data_[pos_ + 1];
        for (const EscLayout& l : kEscCommands) {
            if (l.letter != letter) continue;
            if (Left() < 2u + l.parameterBytes) {
                Fail(start, std::string("ESC ") + static_cast<char>(letter) + " cut short");
                return;
            }
            Command& c = Add(CommandKind::Esc, start, 2u + l.parameterBytes);
            c.code = letter;
            c.text.assign(data_.begin() + static_cast<ptrdiff_t>(pos_ + 1),
                          data_.begin() + static_cast<ptrdiff_t>(pos_ + 2 + l.parameterBytes));
            pos_ += 2u + l.parameterBytes;
            return;
        }
        Fail(start, "unknown ESC command " + Hex(letter));
    }

    void DecodeFs() {
        const size_t start = pos_;
        if (Left() < 2) {
            Fail(start, "FS at the end of the job");
            return;
        }
        const uint8_t letter = data_[pos_ + 1];
        if (std::find(std::begin(kFsModeLetters), std::end(kFsModeLetters), letter) != std::end(kFsModeLetters)) {
            Command& c = Add(CommandKind::Fs, start, 2);
            c.code = letter;
            c.text = std::string(1, static_cast<char>(letter));
            pos_ += 2;
            if (letter == 'Z') mode_ = OrlaMode::PageControl;
            if (letter == 'Y') mode_ = OrlaMode::Graphics;
            return;
        }
        if (letter >= '0' && letter <= '9') {
            // Two decimal digits give the length of the text that follows ("\x1c06F1-001").
            if (Left() < 3 || data_[pos_ + 2] < '0' || data_[pos_ + 2] > '9') {
                Fail(start, "FS length prefix is not two digits");
                return;
            }
            size_t n = static_cast<size_t>((letter - '0') * 10 + (data_[pos_ + 2] - '0'));
            if (n == 0 || Left() < 3 + n) {
                Fail(start, "FS length-prefixed command cut short");
                return;
            }
            for (size_t i = 0; i < n; ++i)
                if (!Printable(data_[pos_ + 3 + i])) {
                    Fail(pos_ + 3 + i, "FS command holds byte " + Hex(data_[pos_ + 3 + i]));
                    return;
                }
            Command& c = Add(CommandKind::Fs, start, 3 + n);
            c.code = letter;
            c.text.assign(data_.begin() + static_cast<ptrdiff_t>(pos_ + 1),
                          data_.begin() + static_cast<ptrdiff_t>(pos_ + 3 + n));
            pos_ += 3 + n;
            return;
        }
        // Text up to and including ".".
        size_t end = pos_ + 1;
        while (end < data_.size() && data_[end] != '.' && end - start <= kMaxFsText) {
            if (!Printable(data_[end])) {
                Fail(end, "FS command holds byte " + Hex(data_[end]) + " before its \".\"");
                return;
            }
            end++;
        }
        if (end >= data_.size() || data_[end] != '.') {
            Fail(start, "FS command without its closing \".\"");
            return;
        }
        Command& c = Add(CommandKind::Fs, start, end + 1 - start);
        c.code = letter;
        c.text.assign(data_.begin() + static_cast<ptrdiff_t>(pos_ + 1),
                      data_.begin() + static_cast<ptrdiff_t>(end + 1));
        pos_ = end + 1;
        if (letter == 'f') gs_ = GraphicsState{};  // a page set-up starts a new page
        if (letter == 'i') FsImageData(c);
        if (letter == 'e') FsTextRun(c);
    }

    // "\x1ci" w "," h "," mode ",1/1,1/1," n ",600." is followed by n data bytes.
    void FsImageData(Command& c) {
        std::vector<std::string> parts;
        std::string body = c.text.substr(1, c.text.size() - 2);
        size_t from = 0;
        for (;;) {
            size_t comma = body.find(',', from);
            parts.push_back(body.substr(from, comma - from));
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
        if (parts.size() != 7) {
            Fail(c.offset, "FS i image header without its seven fields");
            return;
        }
        for (int i : {0, 1, 2, 5}) {
            if (parts[i].empty() || parts[i].size() > 9 ||
                !std::all_of(parts[i].begin(), parts[i].end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
                Fail(c.offset, "FS i image field is not a number");
                return;
            }
            c.fields.push_back(std::stoll(parts[i]));
        }
        const size_t n = static_cast<size_t>(c.fields[3]);
        if (Left() < n) {
            Fail(c.offset, "FS i image data runs past the end of the job");
            return;
        }
        c.dataOffset = pos_;
        c.dataLength = n;
        c.length += n;
        pos_ += n;
    }

    // "\x1ce0,L,,,A." starts a run of two-byte characters that ends with "\x1cR".
    void FsTextRun(Command& c) {
        if (c.text.size() < 3 || c.text.compare(c.text.size() - 3, 3, ",A.") != 0) return;
        size_t p = pos_;
        while (p + 1 < data_.size() && !(data_[p] == kFs && data_[p + 1] == 'R')) p += 2;
        if (p + 1 >= data_.size()) {
            Fail(c.offset, "character run without its closing FS R");
            return;
        }
        c.dataOffset = pos_;
        c.dataLength = p - pos_;
        c.length += p - pos_;
        pos_ = p;
    }

    void DecodeVector() {
        const size_t start = pos_;
        if (Left() < 3 || data_[pos_ + 1] < 'A' || data_[pos_ + 1] > 'Z') {
            Fail(start, "vector command without its two letters");
            return;
        }
        std::string_view name(reinterpret_cast<const char*>(&data_[pos_]), 2);
        if (std::find(std::begin(kVectorCommands), std::end(kVectorCommands), name) == std::end(kVectorCommands)) {
            Fail(start, "unknown vector command " + std::string(name));
            return;
        }
        size_t end = pos_ + 2;
        while (end < data_.size() && data_[end] != ';' && end - start <= kMaxVectorText) end++;
        if (end >= data_.size() || data_[end] != ';') {
            Fail(start, "vector command " + std::string(name) + " without its \";\"");
            return;
        }
        Command& c = Add(CommandKind::Vector, start, end + 1 - start);
        c.state = gs_;
        c.text.assign(data_.begin() + static_cast<ptrdiff_t>(start), data_.begin() + static_cast<ptrdiff_t>(end + 1));
        c.name = std::string(name);
        // Signed decimals without plus sign or leading zeros, separated by commas.
        size_t p = start + 2;
        while (p < end) {
            size_t q = p;
            bool negative = data_[q] == '-';
            if (negative) q++;
            size_t digits = q;
            while (q < end && data_[q] >= '0' && data_[q] <= '9') q++;
            if (q == digits || q - digits > 10 || (data_[digits] == '0' && q - digits > 1) ||
                (q < end && data_[q] != ',')) {
                Fail(p, "malformed number in vector command " + c.name);
                return;
            }
            int64_t v = 0;
            for (size_t i = digits; i < q; ++i) v = v * 10 + (data_[i] - '0');
            c.fields.push_back(negative ? -v : v);
            p = q < end ? q + 1 : q;
            if (q < end && p == end) {
                Fail(q, "trailing comma in vector command " + c.name);
                return;
            }
        }
        pos_ = end + 1;
    }

    // ---- Binary commands ----
    bool ReadFields(const char* layout, size_t& p, std::vector<int64_t>& out, size_t start) {
        for (const char* f = layout; *f; ++f) {
            size_t width = (*f == 'w' || *f == 'v') ? 2 : (*f == 'd' || *f == 's') ? 4 : 1;
            if (data_.size() - p < width) {
                Fail(start, "binary command " + Hex(data_[start]) + " cut short");
                return false;
            }
            uint32_t v = 0;
            for (size_t i = 0; i < width; ++i) v = (v << 8) | data_[p + i];
            if (*f == 'z' && v != 0) {
                Fail(p, "binary command " + Hex(data_[start]) + ": byte " + Hex(v) + " where 0x00 belongs");
                return false;
            }
            if (*f == 'c')
                out.push_back(static_cast<int8_t>(v));
            else if (*f == 's')
                out.push_back(static_cast<int32_t>(v));
            else if (*f == 'v')
                out.push_back(static_cast<int16_t>(v));
            else if (*f != 'z')
                out.push_back(v);
            p += width;
        }
        return true;
    }

    bool TakeData(Command& c, size_t& p, uint64_t length) {
        if (length > data_.size() - p) {
            Fail(c.offset, c.name + ": data length " + std::to_string(length) + " runs past the end of the job");
            return false;
        }
        c.dataOffset = p;
        c.dataLength = static_cast<size_t>(length);
        p += static_cast<size_t>(length);
        return true;
    }

    void DecodeBinary() {
        const size_t start = pos_;
        const BinaryLayout* layout = FindBinary(data_[start]);
        if (!layout) {
            Fail(start, "unknown binary command " + Hex(data_[start]));
            return;
        }
        Command c;
        c.kind = CommandKind::Binary;
        c.offset = start;
        c.code = layout->code;
        c.name = layout->name;
        size_t p = start + 1;
        if (!ReadFields(layout->fields, p, c.fields, start)) return;
        const size_t codeBytes = twoByteCodes_ ? 2 : 1;
        switch (layout->tail) {
            case Tail::None:
                break;
            case Tail::DataLastField:
                if (!TakeData(c, p, static_cast<uint64_t>(c.fields.back()))) return;
                break;
            case Tail::Pattern:
                if (!TakeData(c, p, c.fields[0] == 0x03 ? 72 : 8)) return;
                break;
            case Tail::ClipPath:
                if (c.fields[0] == 0x04) {
                    if (!ReadFields("d", p, c.fields, start) || !TakeData(c, p, static_cast<uint64_t>(c.fields.back())))
                        return;
                } else if (c.fields[0] == 0x02) {
                    // Subpaths of 0x00 0x00, a count and count points, ended by four zero bytes.
                    const size_t begin = p;
                    for (;;) {
                        std::vector<int64_t> head;
                        if (!ReadFields("zzw", p, head, start)) return;
                        if (head[0] == 0) break;
                        if (!TakeData(c, p, static_cast<uint64_t>(head[0]) * 4)) return;
                    }
                    c.dataOffset = begin;
                    c.dataLength = p - begin;
                } else {
                    Fail(start + 1, "clip path of unknown form " + Hex(static_cast<uint32_t>(c.fields[0])));
                    return;
                }
                break;
            case Tail::PointPath:
                if (c.fields[0] & 0x04) {
                    if (!ReadFields("d", p, c.fields, start) || !TakeData(c, p, static_cast<uint64_t>(c.fields.back())))
                        return;
                } else if (!TakeData(c, p, static_cast<uint64_t>(c.fields[1]) * 4)) {
                    return;
                }
                break;
            case Tail::PolygonPath:
                if (c.fields[0] & 0x20) {
                    if (!ReadFields("d", p, c.fields, start) || !TakeData(c, p, static_cast<uint64_t>(c.fields.back())))
                        return;
                } else if (c.fields[0] & 0x80) {
                    Fail(start + 1, c.name + ": unpacked several-subpath form is not decoded");
                    return;
                } else if (!TakeData(c, p, static_cast<uint64_t>(c.fields[1]) * 4)) {
                    return;
                }
                break;
            case Tail::CodeOne:
                if (!TakeData(c, p, codeBytes)) return;
                break;
            case Tail::CodeList:
                if (!TakeData(c, p, static_cast<uint64_t>(c.fields[0]) * codeBytes)) return;
                break;
            case Tail::CodeMoves:
                if (!TakeData(c, p, static_cast<uint64_t>(c.fields[0]) * (codeBytes + 2))) return;
                break;
        }
        if (layout->code == 0xCA) twoByteCodes_ = false;
        if (layout->code == 0xCB) twoByteCodes_ = true;
        c.length = p - start;
        if ((layout->code == 0xF2 || layout->code == 0xF4) && !CheckImage(c)) return;
        const bool glyphStrips = (layout->code == 0xF2 || layout->code == 0xF4) && c.fields[1] == 0x10;
        if (glyphStrips || (layout->code >= 0xC0 && layout->code <= 0xCE)) {
            const auto bytes = DataOf(c);
            c.data.assign(bytes.begin(), bytes.end());
        }
        c.state = gs_;
        if (!Interpret(c)) return;
        pos_ = p;
        result_.commands.push_back(std::move(c));
    }

    // ---- What graphics commands do to the printer's state ----
    std::span<const uint8_t> DataOf(const Command& c) const { return data_.subspan(c.dataOffset, c.dataLength); }

    void Move(int64_t x, int64_t y) {
        gs_.positionKnown = true;
        gs_.x = x;
        gs_.y = y;
    }

    // The packed entries of a path: runs of a header (0, n), a first point by its own value and
    // n - 1 differences, ended by (0, 0) when `ended`; kept as absolute points.
    bool SubpathsWithHeaders(Command& c, const std::vector<Point>& e, bool ended) {
        size_t i = 0;
        const size_t limit = ended ? e.size() - 1 : e.size();
        if (ended && (e.empty() || e.back().x != 0 || e.back().y != 0)) {
            Fail(c.offset, c.name + ": packed points do not end with the entry (0, 0)");
            return false;
        }
        while (i < limit) {
            const Point h = e[i];
            if (h.x != 0 || h.y <= 0) {
                Fail(c.offset, c.name + ": packed entry " + std::to_string(i) + " (" + std::to_string(h.x) + ", " +
                                   std::to_string(h.y) + ") is no subpath head (0, n)");
                return false;
            }
            const size_t n = static_cast<size_t>(h.y);
            if (n > limit - i - 1) {
                Fail(c.offset, c.name + ": subpath of " + std::to_string(n) + " points runs past the count of " +
                                   std::to_string(e.size()));
                return false;
            }
            AddDifferences(c, e, i + 1, n);
            i += 1 + n;
        }
        return true;
    }

    // n entries from e[from]: the first by its value, the others differences to the one before.
    static void AddDifferences(Command& c, const std::vector<Point>& e, size_t from, size_t n, bool curve = false) {
        Point at{};
        for (size_t k = 0; k < n; ++k) {
            const Point v = e[from + k];
            at = k == 0 ? v : Point{at.x + v.x, at.y + v.y};
            c.points.push_back({at.x, at.y, k == 0, curve && k > 0});
        }
    }

    // Absolute 16-bit points (the unpacked forms), the current position first when given.
    void AbsolutePoints(Command& c, std::span<const uint8_t> bytes, bool fromCurrent) {
        if (fromCurrent) c.points.push_back({gs_.x, gs_.y, true});
        for (size_t k = 0; k + 4 <= bytes.size(); k += 4) {
            const int16_t x = static_cast<int16_t>((bytes[k] << 8) | bytes[k + 1]);
            const int16_t y = static_cast<int16_t>((bytes[k + 2] << 8) | bytes[k + 3]);
            c.points.push_back({x, y, !fromCurrent && k == 0});
        }
    }

    bool Packed(Command& c, size_t count, std::vector<Point>& e) {
        if (auto why = UnpackNibblePairs(DataOf(c), count, &e)) {
            Fail(c.offset, c.name + ": " + *why);
            return false;
        }
        return true;
    }

    std::string PathSummary(const Command& c, const char* form) const {
        size_t subpaths = 0;
        Rect b{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
        for (const PathPoint& q : c.points) {
            subpaths += q.first;
            b = {std::min(b.left, q.x), std::min(b.top, q.y), std::max(b.right, q.x + 1), std::max(b.bottom, q.y + 1)};
        }
        std::string text =
            std::string(form) + ", " + Count(subpaths, "subpath") + ", " + Count(c.points.size(), "point");
        if (!c.points.empty()) text += ", bounds " + RectText(b);
        return text;
    }

    bool Interpret(Command& c) {
        const auto& f = c.fields;
        switch (c.code) {
            case 0xA5:
                c.detail = "kind " + std::to_string(f[0]) + " foreground " + std::to_string(f[1]) + " background " +
                           std::to_string(f[2]);
                return true;
            case 0xA6:
                c.detail = "foreground " + Hex(static_cast<uint32_t>(f[0])) + " background " +
                           Hex(static_cast<uint32_t>(f[1]));
                return true;
            case 0xAD:
                c.detail = "level " + std::to_string(f[0]);
                return true;
            case 0xAF:
                c.detail = "width " + std::to_string(f[0]);
                return true;
            case 0xB1:
            case 0xB2: {
                const int64_t h = f[0], w = f[1];
                gs_.clip = {gs_.x, gs_.y, gs_.x + w, gs_.y + h};
                gs_.clipSet = true;
                gs_.clipIsPath = false;
                c.detail =
                    std::to_string(w) + "x" + std::to_string(h) + " at " + At(c.state) + ": clip " + RectText(gs_.clip);
                return true;
            }
            case 0xB6:
                Move(f[0], f[1]);
                break;
            case 0xB7:
                Move(f[1], f[0]);
                break;
            case 0xB8:
                Move(f[0], f[1]);
                break;
            case 0xDB:
            case 0xDC:
            case 0xDD:
            case 0xDE:
                c.detail = std::string(c.code == 0xDB || c.code == 0xDD ? "filled " : "outlined ") +
                           std::to_string(f[1]) + "x" + std::to_string(f[0]) + " at (" + std::to_string(f[2]) + "," +
                           std::to_string(f[3]) + ")";
                Move(f[2], f[3]);
                return true;
            case 0xE0: {
                std::vector<Point> e;
                if (f[0] & 0x04) {
                    if (!Packed(c, static_cast<size_t>(f[1]), e)) return false;
                    AddDifferences(c, e, 0, e.size());
                    c.detail = PathSummary(c, "packed");
                } else {
                    AbsolutePoints(c, DataOf(c), true);
                    c.detail = PathSummary(c, "from the current position");
                    if (c.points.size() > 1) Move(c.points.back().x, c.points.back().y);
                }
                return true;
            }
            case 0xE8:
            case 0xE9: {
                std::vector<Point> e;
                const std::string rule = (f[0] & 0x01) ? "winding" : "alternate";
                if ((f[0] & 0x20) && (f[0] & 0x80)) {
                    if (!Packed(c, static_cast<size_t>(f[1]), e) || !SubpathsWithHeaders(c, e, true)) return false;
                } else if (f[0] & 0x20) {
                    if (!Packed(c, static_cast<size_t>(f[1]), e)) return false;
                    AddDifferences(c, e, 0, e.size());
                } else {
                    AbsolutePoints(c, DataOf(c), false);
                }
                c.detail = PathSummary(c, (f[0] & 0x20) ? ("packed, " + rule).c_str() : rule.c_str());
                return true;
            }
            case 0xEA: {
                std::vector<Point> e;
                if (!Packed(c, static_cast<size_t>(f[1]), e)) return false;
                // Subpaths headed by (0, 1) and (0, n) for straight lines or (1, n) for curves;
                // what follows the last is the way back to (0, 0) of the several-subpath stroke.
                size_t i = 0;
                while (e.size() - i >= 2 && e[i].x == 0 && e[i].y == 1 && (e[i + 1].x == 0 || e[i + 1].x == 1) &&
                       e[i + 1].y >= 1 && static_cast<size_t>(e[i + 1].y) <= e.size() - i - 2) {
                    AddDifferences(c, e, i + 2, static_cast<size_t>(e[i + 1].y), e[i + 1].x == 1);
                    i += 2 + static_cast<size_t>(e[i + 1].y);
                }
                if (i == 0 && !e.empty()) {
                    Fail(c.offset, c.name + ": packed points do not start with a subpath head (0, 1)");
                    return false;
                }
                c.detail = "mode " + Hex(static_cast<uint32_t>(f[0])) + ", " + PathSummary(c, "packed");
                return true;
            }
            case 0xB5: {
                std::vector<Point> e;
                size_t subpaths = 0;
                if (f[0] == 0x04) {
                    if (!Packed(c, static_cast<size_t>(f[1]), e) || !SubpathsWithHeaders(c, e, true)) return false;
                    for (const PathPoint& q : c.points) subpaths += q.first;
                } else {
                    std::span<const uint8_t> d = DataOf(c);
                    size_t k = 0;
                    while (k + 4 <= d.size()) {
                        const size_t n = static_cast<size_t>((d[k + 2] << 8) | d[k + 3]);
                        if (n == 0) break;
                        AbsolutePoints(c, d.subspan(k + 4, n * 4), false);
                        subpaths++;
                        k += 4 + n * 4;
                    }
                    if (static_cast<size_t>(f[1]) != c.points.size() + subpaths + 1) {
                        Fail(c.offset, c.name + ": count " + std::to_string(f[1]) + " is not its " +
                                           std::to_string(c.points.size()) + " points and " + std::to_string(subpaths) +
                                           " subpaths plus 1");
                        return false;
                    }
                }
                c.detail = PathSummary(c, f[0] == 0x04 ? "packed" : "listed");
                if (!c.points.empty()) {
                    Rect b{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
                    for (const PathPoint& q : c.points)
                        b = {std::min(b.left, q.x), std::min(b.top, q.y), std::max(b.right, q.x + 1),
                             std::max(b.bottom, q.y + 1)};
                    gs_.clip = b;
                    gs_.clipSet = true;
                    gs_.clipIsPath = true;
                }
                return true;
            }
            case 0xF2:
            case 0xF4: {
                const bool scaled = c.code == 0xF4;
                const int64_t format = f[1];
                c.detail = (f[0] == 0 ? std::string("1-bit ") : "kind " + std::to_string(f[0]) + " ") +
                           std::to_string(f[2]) + "x" + std::to_string(f[3]);
                if (scaled) c.detail += " to " + std::to_string(f[4]) + "x" + std::to_string(f[5]);
                c.detail += format == 0x20 ? " delta-row " : format == 0x00 ? " plain " : " glyph-strips ";
                c.detail += std::to_string(c.dataLength) + " bytes at " + At(c.state);
                if (c.state.clipSet) c.detail += " clip " + RectText(c.state.clip);
                return true;
            }
            default:
                return true;
        }
        c.detail = "to " + At(gs_);
        return true;
    }

    bool Budget(const Command& c, size_t bytes) {
        if (bytes > options_.maxUnpackedBytes - unpacked_) {
            Fail(c.offset, c.name + ": the job's images unpack to more than " +
                               std::to_string(options_.maxUnpackedBytes) + " bytes");
            return false;
        }
        unpacked_ += bytes;
        return true;
    }

    bool CheckImage(Command& c) {
        const int64_t format = c.fields[1];
        const int64_t width = c.fields[2], height = c.fields[3];
        if (width <= 0 || height <= 0) {
            Fail(c.offset, c.name + ": empty image " + std::to_string(width) + " x " + std::to_string(height));
            return false;
        }
        const size_t rowBytes = static_cast<size_t>((width + 7) / 8);
        const size_t scanLine = ImageScanLine(width);
        std::span<const uint8_t> bytes = data_.subspan(c.dataOffset, c.dataLength);
        if (format == 0x00) {
            // Plain rows: the row length is the band's scan line, between the image width in
            // bytes and its 32-bit aligned length.
            const size_t stride = c.dataLength / static_cast<size_t>(height);
            if (c.dataLength % static_cast<size_t>(height) != 0 || stride < rowBytes || stride > scanLine) {
                Fail(c.offset, c.name + ": " + std::to_string(c.dataLength) + " data bytes do not make " +
                                   std::to_string(height) + " rows of " + std::to_string(width) + " pixels");
                return false;
            }
            if (options_.unpackImages && Budget(c, c.dataLength)) {
                for (int64_t r = 0; r < height; ++r)
                    c.rows.emplace_back(bytes.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(r) * stride),
                                        bytes.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(r + 1) * stride));
            }
            return !failed_;
        }
        if (format == 0x20) {
            // Rows are kept only within the budget; the data is checked either way.
            const bool keep = options_.unpackImages && Budget(c, scanLine * static_cast<size_t>(height));
            if (failed_) return false;
            size_t at = 0;
            if (auto why =
                    UnpackDeltaRows(bytes, static_cast<uint32_t>(height), scanLine, keep ? &c.rows : nullptr, &at)) {
                // The offset of the bad byte in the job; the reason tells it within the data.
                Fail(c.dataOffset + at, c.name + ": " + *why);
                return false;
            }
            return true;
        }
        if (format == 0x10) return true;  // glyph strips: checked where glyphs are decoded
        Fail(c.offset, c.name + ": unknown image format " + Hex(static_cast<uint32_t>(format)));
        return false;
    }
};

const char* KindName(CommandKind kind) {
    switch (kind) {
        case CommandKind::Uel:
            return "UEL";
        case CommandKind::Pjl:
            return "PJL";
        case CommandKind::Esc:
            return "ESC";
        case CommandKind::Fs:
            return "FS";
        case CommandKind::Binary:
            return "BIN";
        case CommandKind::Vector:
            return "VEC";
        case CommandKind::PageEnd:
            return "PAGE-END";
    }
    return "?";
}

// Counts of the delta-row records: 0x3F / 0x7F / 0xBF are followed by 0xFF bytes and a final
// byte below 0xFF that add to the base.
std::optional<size_t> ReadCount(std::span<const uint8_t> data, size_t& p, size_t base) {
    size_t count = base;
    for (;;) {
        if (p >= data.size()) return std::nullopt;
        uint8_t b = data[p++];
        count += b;
        if (b != 0xFF) return count;
    }
}

}  // namespace

std::optional<std::string> UnpackDeltaRows(std::span<const uint8_t> data, uint32_t height, size_t rowBytes,
                                           std::vector<std::vector<uint8_t>>* rows, size_t* errorAt) {
    auto fail = [errorAt](size_t at, std::string why) {
        if (errorAt) *errorAt = at;
        return std::optional<std::string>(std::move(why));
    };
    if (rows) rows->clear();
    std::vector<uint8_t> row(rows ? rowBytes : 0, 0);
    size_t p = 0;
    for (uint32_t r = 0; r < height; ++r) {
        size_t x = 0;
        for (;;) {
            if (p >= data.size()) return fail(p, "delta-row data ends inside row " + std::to_string(r) + " (no 0x80)");
            const size_t at = p;
            const uint8_t b = data[p++];
            if (b == 0x80) break;
            size_t n;
            if (b <= 0x3F) {
                auto count = b == 0x3F ? ReadCount(data, p, 63) : std::optional<size_t>(b);
                if (!count) return fail(at, "delta-row skip count cut short at data byte " + std::to_string(at));
                if (*count > rowBytes - x)
                    return fail(at, "delta-row skip at data byte " + std::to_string(at) + " runs past the row of " +
                                        std::to_string(rowBytes) + " bytes in row " + std::to_string(r));
                x += *count;
                continue;
            }
            if (b > 0xBF) return fail(at, "delta-row record byte " + Hex(b) + " at data byte " + std::to_string(at));
            const bool literal = b <= 0x7F;
            if (literal) {
                auto count = b == 0x7F ? ReadCount(data, p, 63) : std::optional<size_t>(b - 0x40);
                if (!count) return fail(at, "delta-row literal count cut short at data byte " + std::to_string(at));
                n = *count;
            } else {
                auto count = b == 0xBF ? ReadCount(data, p, 63) : std::optional<size_t>(b - 0x80);
                if (!count) return fail(at, "delta-row repeat count cut short at data byte " + std::to_string(at));
                n = *count;
            }
            if (n == 0) return fail(at, "delta-row run of no bytes at data byte " + std::to_string(at));
            if (n > rowBytes - x)
                return fail(at, "delta-row record at data byte " + std::to_string(at) + " runs past the row of " +
                                    std::to_string(rowBytes) + " bytes in row " + std::to_string(r));
            if (literal) {
                if (data.size() - p < n)
                    return fail(p, "delta-row literal bytes cut short in row " + std::to_string(r));
                if (rows)
                    std::copy(data.begin() + static_cast<ptrdiff_t>(p), data.begin() + static_cast<ptrdiff_t>(p + n),
                              row.begin() + static_cast<ptrdiff_t>(x));
                p += n;
            } else {
                if (p >= data.size()) return fail(p, "delta-row repeat without its byte in row " + std::to_string(r));
                if (rows)
                    std::fill(row.begin() + static_cast<ptrdiff_t>(x), row.begin() + static_cast<ptrdiff_t>(x + n),
                              data[p]);
                p++;
            }
            x += n;
        }
        if (rows) rows->push_back(row);
    }
    if (p != data.size())
        return fail(p, std::to_string(data.size() - p) + " bytes of delta-row data after the last of " +
                           std::to_string(height) + " rows");
    return std::nullopt;
}

size_t ImageScanLine(int64_t width) {
    return width <= 0 ? 0 : static_cast<size_t>((width + 31) / 32) * 4;
}

std::optional<std::string> UnpackNibblePairs(std::span<const uint8_t> data, size_t count, std::vector<Point>* pairs) {
    pairs->clear();
    const size_t nibbles = data.size() * 2;
    size_t n = 0;
    auto next = [&](unsigned& out) {
        if (n >= nibbles) return false;
        const uint8_t b = data[n / 2];
        out = (n % 2 == 0) ? b >> 4 : b & 0x0F;
        n++;
        return true;
    };
    auto value = [&](int64_t& out) -> std::optional<std::string> {
        const size_t at = n;
        unsigned head = 0;
        if (!next(head)) return "packed points cut short at nibble " + std::to_string(at);
        const unsigned kind = head & 7;
        unsigned extra = kind <= 4 ? 0 : kind == 5 ? 1 : kind == 6 ? 2 : 4;
        int64_t magnitude = kind <= 4 ? kind : 0;
        for (unsigned k = 0; k < extra; ++k) {
            unsigned d = 0;
            if (!next(d)) return "packed points cut short at nibble " + std::to_string(at);
            magnitude = magnitude * 16 + d;
        }
        out = (head & 8) ? -magnitude : magnitude;
        return std::nullopt;
    };
    // Each pair takes at least two nibbles: a count beyond the data cannot be met.
    if (count > nibbles / 2)
        return "packed data of " + std::to_string(data.size()) + " bytes cannot hold " + std::to_string(count) +
               " points";
    pairs->reserve(count);
    for (size_t i = 0; i < count; ++i) {
        Point p;
        if (auto why = value(p.x)) return why;
        if (auto why = value(p.y)) return why;
        pairs->push_back(p);
    }
    if (nibbles - n > 1)
        return "packed data of " + std::to_string(data.size()) + " bytes runs " + std::to_string((nibbles - n) / 2) +
               " bytes past its " + std::to_string(count) + " points";
    return std::nullopt;
}

DecodeResult DecodeJob(std::span<const uint8_t> data, const DecodeOptions& options) {
    return Decoder(data, options).Run();
}

std::string FormatCommand(const Command& c) {
    char head[32];
    std::snprintf(head, sizeof head, "%08zx %-8s ", c.offset, KindName(c.kind));
    std::string line = head;
    switch (c.kind) {
        case CommandKind::Uel:
            line += "ESC %-12345X";
            break;
        case CommandKind::PageEnd:
            line += "CR FF";
            break;
        case CommandKind::Pjl:
        case CommandKind::Esc:
        case CommandKind::Fs:
        case CommandKind::Vector:
            for (char ch : c.text) {
                if (Printable(static_cast<uint8_t>(ch)))
                    line += ch;
                else
                    line += "\\x" + Hex(static_cast<uint8_t>(ch)).substr(2);
            }
            break;
        case CommandKind::Binary: {
            line += Hex(c.code).substr(2) + " " + c.name;
            if (!c.detail.empty()) {
                line += " " + c.detail;
                break;
            }
            for (size_t i = 0; i < c.fields.size(); ++i) line += (i ? "," : " ") + std::to_string(c.fields[i]);
            break;
        }
    }
    if (c.dataLength) line += " [" + std::to_string(c.dataLength) + " data bytes]";
    return line;
}

std::string FormatListing(const DecodeResult& result) {
    std::string out;
    for (const Command& c : result.commands) out += FormatCommand(c) + "\n";
    if (!result.ok) {
        char head[64];
        std::snprintf(head, sizeof head, "%08zx ERROR    ", result.errorOffset);
        out += head + result.error + "\n";
    }
    return out;
}

std::optional<std::string> PjlValue(const DecodeResult& result, std::string_view verbAndKey) {
    const std::string prefix = "@PJL " + std::string(verbAndKey) + "=";
    for (const Command& c : result.commands)
        if (c.kind == CommandKind::Pjl && c.text.rfind(prefix, 0) == 0) return c.text.substr(prefix.size());
    return std::nullopt;
}

std::vector<std::string> PjlLines(const DecodeResult& result) {
    std::vector<std::string> out;
    for (const Command& c : result.commands)
        if (c.kind == CommandKind::Pjl) out.push_back(c.text);
    return out;
}

std::vector<const Command*> CommandsOf(const DecodeResult& result, CommandKind kind) {
    std::vector<const Command*> out;
    for (const Command& c : result.commands)
        if (c.kind == kind) out.push_back(&c);
    return out;
}

size_t PageEndCount(const DecodeResult& result) {
    return CommandsOf(result, CommandKind::PageEnd).size();
}

}  // namespace orla::jobdecode
