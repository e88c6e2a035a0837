// Decoder of a whole job stream of the graphics DLL: PJL job control around the ORLA page
// description (ESC and FS commands, binary graphics commands, vector commands, page ends).
// It yields one record per command with its byte offset, or the offset and reason of the first
// malformed byte. Images are checked (delta-row data unpacked), packed point lists of paths and
// clip paths turned into points, and every graphics command carries the position and clip it
// came in, so a renderer can build pages on top of the same records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orla::jobdecode {

enum class CommandKind {
    Uel,      // ESC %-12345X
    Pjl,      // one "@PJL ..." line (text without CR LF)
    Esc,      // ESC and a letter with fixed parameter bytes
    Fs,       // FS (0x1C) commands: text ended by ".", one-letter mode switches, length-prefixed
    Binary,   // a command byte 0x80..0xFF with fixed big-endian fields and optional data
    Vector,   // two letters, signed decimals, ";"
    PageEnd,  // CR FF
};

// ORLA modes: page control (entered with the language, and by FS Z) and graphics (FS Y), in
// which binary and vector commands are taken.
enum class OrlaMode { PageControl, Graphics };

struct Point {
    int64_t x = 0, y = 0;
};

// Device pixels, right and bottom exclusive.
struct Rect {
    int64_t left = 0, top = 0, right = 0, bottom = 0;
};

// What the printer keeps while it takes a page: the current position (set by moves and
// rectangles) and the clip (set by clip rectangles and clip paths; a path clips to its bounds
// here). A page end or a page set-up forgets both.
struct GraphicsState {
    bool positionKnown = false;
    int64_t x = 0, y = 0;
    bool clipSet = false;  // false: the whole page
    bool clipIsPath = false;
    Rect clip;
};

// A point of a path command in device pixels; `first` starts a subpath. `curve` marks the points
// of Bezier curves, which come in threes (two control points and the end point) after the point
// the curve starts from.
struct PathPoint {
    int64_t x = 0, y = 0;
    bool first = false;
    bool curve = false;
};

struct Command {
    size_t offset = 0;  // of the command's first byte in the job
    size_t length = 0;  // bytes, data included
    CommandKind kind = CommandKind::Pjl;
    uint8_t code = 0;             // binary command byte, ESC or FS letter
    std::string name;             // binary commands: their name ("image", "move", ...)
    std::string text;             // PJL line, FS/ESC text after the introducer, vector command
    std::vector<int64_t> fields;  // numbers in the order of the layout (vector: its numbers)
    size_t dataOffset = 0;        // data carried by the command (images, patterns, packed points)
    size_t dataLength = 0;
    // Images: the unpacked rows (1 = black), rows of (width + 7) / 8 bytes at least.
    std::vector<std::vector<uint8_t>> rows;
    // Graphics and vector commands: the state in force when the command came (images are drawn
    // at its position, inside its clip), and what the command says in words.
    GraphicsState state;
    std::string detail;
    // Path commands (polylines, polygons, curve paths, clip paths): their points.
    std::vector<PathPoint> points;
    // Text and glyph commands (glyph definitions, characters, glyph strip images): their data.
    std::vector<uint8_t> data;
};

struct DecodeOptions {
    bool startInOrla = false;     // decode a fragment of ORLA commands (page-control mode)
    bool requireComplete = true;  // the stream must end in PJL (after a UEL)
    bool unpackImages = true;     // unpack image data into Command::rows
    // Unpacked rows of the whole job may take at most this many bytes; a stream that asks for
    // more is refused instead of exhausting memory (a few bytes of delta-row data can claim
    // megabytes of rows).
    size_t maxUnpackedBytes = size_t{1} << 30;
};

struct DecodeResult {
    bool ok = false;
    std::vector<Command> commands;
    size_t errorOffset = 0;
    std::string error;
};

DecodeResult DecodeJob(std::span<const uint8_t> data, const DecodeOptions& options = {});
inline DecodeResult DecodeJob(std::string_view data, const DecodeOptions& options = {}) {
    return DecodeJob(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.data()), data.size()), options);
}

// One line for a command: offset, kind and what it says.
std::string FormatCommand(const Command& command);
// The whole listing, or the listing up to the error and the error line.
std::string FormatListing(const DecodeResult& result);

// Delta-row data (format 0x20) of `height` rows into rows of rowBytes bytes, each compared with
// the previous (the first with a zero row); a record that runs past rowBytes is malformed.
// Returns the reason on malformed data (and its offset in the data in errorAt). Without rows the
// data is only checked.
std::optional<std::string> UnpackDeltaRows(std::span<const uint8_t> data, uint32_t height, size_t rowBytes,
                                           std::vector<std::vector<uint8_t>>* rows, size_t* errorAt = nullptr);

// The longest row an image of `width` pixels may carry: the 32-bit aligned scan line of a 1-bpp
// band (plain rows lie between (width + 7) / 8 and this).
size_t ImageScanLine(int64_t width);

// Packed coordinate differences: `count` pairs of signed values (x then y) from nibble-coded
// data, which must end within its last byte. Returns the reason on malformed data.
std::optional<std::string> UnpackNibblePairs(std::span<const uint8_t> data, size_t count, std::vector<Point>* pairs);

// Look-ups for tests: the value of the first "@PJL SET key=value" / "@PJL COMMENT key=value"
// line, the PJL lines in order, the commands of a kind.
std::optional<std::string> PjlValue(const DecodeResult& result, std::string_view verbAndKey);
std::vector<std::string> PjlLines(const DecodeResult& result);
std::vector<const Command*> CommandsOf(const DecodeResult& result, CommandKind kind);
size_t PageEndCount(const DecodeResult& result);

}  // namespace orla::jobdecode
