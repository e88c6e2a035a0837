// The job-stream decoder on hand-made streams: a whole job field by field, delta-row images,
// and a table of malformed streams each rejected at its offset with its reason.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "job_bytes.h"
#include "packed_points.h"
#include "tools/job_decoder/job_decoder.h"
#include "tools/job_decoder/trust_marks.h"

namespace {

using namespace orla::jobdecode;
using orla::testing::Be16;
using orla::testing::Be32;
using orla::testing::kTrailer;
using orla::testing::kUel;
using orla::testing::Packed;
using namespace std::string_literals;

const std::string kHeader = kUel + "@PJL JOB MODE=PRINTER\r\n@PJL SET COPIES=2\r\n@PJL SET QTY=1\r\n" +
                            "@PJL COMMENT DNAME=report.txt\r\n@PJL ENTER LANGUAGE=ORLA\r\n" +
                            "\x1b"
                            "c1" +
                            "\x1c&600.\x1c"
                            "d240.";

// An image command at the current position.
std::string Image(unsigned format, unsigned width, unsigned height, const std::string& data) {
    return "\xF2"s + '\0' + '\0' + static_cast<char>(format) + Be16(width) + Be16(height) + Be32(data.size()) + data;
}

TEST(JobDecoder, WholeJobFieldByField) {
    // Two rows of 16 pixels, delta-row coded: row 0 literal 0xFF 0x00, row 1 equal to row 0.
    const std::string delta = "\x42\xFF\x00\x80\x02\x80"s;
    const std::string page =
        "\x1c"
        "fPC1PA4.\x1c'S."
        "\x1cY"
        "\xA6\x00\x88\x88"s +
        "\xB6\x64\x13\x88"s + Image(0x20, 16, 2, delta) + "SU1,600,0;IP0,0,608,608;MA-5,12;" + "\x1cZ" + "\r\x0c";
    const std::string job = kHeader + page + kTrailer;
    DecodeResult r = DecodeJob(job);
    ASSERT_TRUE(r.ok) << FormatListing(r);
    EXPECT_EQ(PjlValue(r, "SET COPIES"), "2");
    EXPECT_EQ(PjlValue(r, "COMMENT DNAME"), "report.txt");
    EXPECT_EQ(PjlValue(r, "SET DUPLEX"), std::nullopt);
    EXPECT_EQ(PageEndCount(r), 1u);
    auto lines = PjlLines(r);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines.back(), "@PJL EOJ");

    auto binaries = CommandsOf(r, CommandKind::Binary);
    ASSERT_EQ(binaries.size(), 3u);
    EXPECT_EQ(binaries[0]->name, "rop");
    EXPECT_EQ(binaries[0]->fields, (std::vector<int64_t>{0x88, 0x88}));
    EXPECT_EQ(binaries[1]->name, "move-short-x");
    EXPECT_EQ(binaries[1]->fields, (std::vector<int64_t>{100, 5000}));
    const Command* image = binaries[2];
    EXPECT_EQ(image->fields, (std::vector<int64_t>{0, 0x20, 16, 2, 6}));
    EXPECT_EQ(image->offset, job.find('\xF2'));
    EXPECT_EQ(image->length, 12u + 6u);
    ASSERT_EQ(image->rows.size(), 2u);
    // Rows come out as long as the image's 32-bit aligned scan line.
    EXPECT_EQ(image->rows[0], (std::vector<uint8_t>{0xFF, 0x00, 0x00, 0x00}));
    EXPECT_EQ(image->rows[1], (std::vector<uint8_t>{0xFF, 0x00, 0x00, 0x00}));

    auto vectors = CommandsOf(r, CommandKind::Vector);
    ASSERT_EQ(vectors.size(), 3u);
    EXPECT_EQ(vectors[2]->name, "MA");
    EXPECT_EQ(vectors[2]->fields, (std::vector<int64_t>{-5, 12}));

    auto fs = CommandsOf(r, CommandKind::Fs);
    EXPECT_EQ(fs.front()->text, "&600.");
    EXPECT_EQ(fs[2]->text, "fPC1PA4.");
    // The listing has one line per command.
    std::string listing = FormatListing(r);
    EXPECT_EQ(static_cast<size_t>(std::count(listing.begin(), listing.end(), '\n')), r.commands.size());
    EXPECT_NE(listing.find("F2 image 1-bit 16x2 delta-row 6 bytes at (100,5000) [6 data bytes]"), std::string::npos)
        << listing;
}

TEST(JobDecoder, OverlayAndLengthPrefixedCommands) {
    const std::string overlay =
        "\x1c<1/240,i.\x1bL000\x1cu1,1.\x1cU\x1bL123\x1b/456\x1bT78\x1b"
        "E\x1c"
        "06F1-001"
        "\x1c"
        "07S2-0080\x1cp2,0120.\x1c"
        "06F2-000\x1c"
        "c,,0,1,3.\x1cu2,1,S."s;
    DecodeResult r = DecodeJob(kHeader + overlay + kTrailer);
    ASSERT_TRUE(r.ok) << FormatListing(r);
    auto fs = CommandsOf(r, CommandKind::Fs);
    std::vector<std::string> texts;
    for (auto* c : fs) texts.push_back(c->text);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "06F1-001"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "07S2-0080"), texts.end());
    auto esc = CommandsOf(r, CommandKind::Esc);
    ASSERT_GE(esc.size(), 4u);
    EXPECT_EQ(esc[1]->text, "L000");
    EXPECT_EQ(esc[3]->text, "/456");
}

struct DeltaCase {
    const char* name;
    std::string data;
    uint32_t height;
    size_t rowBytes;
    std::vector<std::vector<uint8_t>> rows;
};

TEST(DeltaRows, RecordKinds) {
    std::vector<uint8_t> twoHundred(200, 0);
    std::vector<uint8_t> repeat63(63, 0x5A), repeat318(318, 0x11), repeat62(62, 0x22);
    const DeltaCase cases[] = {
        {"row equal to the row above is one skip", "\x3F\x89\x80"s, 1, 200, {twoHundred}},
        {"63 equal bytes", "\xBF\x00\x5A\x80"s, 1, 63, {repeat63}},
        {"62 equal bytes", "\xBE\x22\x80"s, 1, 62, {repeat62}},
        {"318 equal bytes", "\xBF\xFF\x00\x11\x80"s, 1, 318, {repeat318}},
        {"single byte at the row end", "\x02\x41\x7E\x80"s, 1, 3, {{0, 0, 0x7E}}},
        {"second row changes one byte", "\x43\x01\x02\x03\x80\x01\x41\x09\x80"s, 2, 3, {{1, 2, 3}, {1, 9, 3}}},
    };
    for (const DeltaCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::vector<uint8_t>> rows;
        auto error =
            UnpackDeltaRows(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(c.data.data()), c.data.size()),
                            c.height, c.rowBytes, &rows);
        ASSERT_FALSE(error) << *error;
        EXPECT_EQ(rows, c.rows);
    }
}

struct BadCase {
    const char* name;
    std::string stream;
    size_t offset;
    const char* reason;  // a part of the reason
};

TEST(JobDecoder, MalformedStreamsAreRejectedAtTheirOffset) {
    const size_t h = kHeader.size();
    const std::string gfx = kHeader + "\x1cY";
    const size_t g = gfx.size();
    // Faults inside image data are reported at the bad byte (image data starts 12 bytes after
    // the command byte).
    const BadCase cases[] = {
        {"not PJL at all", "hello", 0, "expected a PJL line"},
        {"PJL line without line feed", kUel + "@PJL JOB", kUel.size(), "without its line feed"},
        {"control byte in PJL", kUel + "@PJL JOB\x01\r\n", kUel.size() + 8, "control byte"},
        {"another language", kUel + "@PJL ENTER LANGUAGE=PCL\r\n", kUel.size(), "other than ORLA"},
        {"job ends inside ORLA", kHeader, h, "ends inside ORLA"},
        {"FS text without full stop",
         kHeader + "\x1c"
                   "fPC1PA4",
         h, "closing \".\""},
        {"FS text with a control byte",
         kHeader + "\x1c"
                   "fP\x01.",
         h + 3, "holds byte 0x01"},
        {"FS length prefix cut short",
         kHeader + "\x1c"
                   "09F1-0",
         h, "cut short"},
        {"ESC unknown letter", kHeader + "\x1bq", h, "unknown ESC command 0x71"},
        {"ESC cut short", kHeader + "\x1bL0", h, "cut short"},
        {"CR without form feed", kHeader + "\rX", h, "not followed by form feed"},
        {"page end in graphics mode", gfx + "\r\x0c", g, "page end in graphics mode"},
        {"binary command in page-control mode", kHeader + "\xA6\x00\xCC\xCC"s, h, "page-control mode"},
        {"stray byte", kHeader + "\x05", h, "unexpected byte 0x05"},
        {"unknown binary command", gfx + "\x90", g, "unknown binary command 0x90"},
        {"non-zero where zero belongs", gfx + "\xA6\x01\xCC\xCC"s, g + 1, "where 0x00 belongs"},
        {"binary command cut short", gfx + "\xB8\x00\x01"s, g, "cut short"},
        {"image data past the end", gfx + "\xF2\x00\x00\x00"s + Be16(8) + Be16(1) + Be32(1000) + "\x80"s, g,
         "runs past the end"},
        {"image of no width", gfx + Image(0, 0, 1, "\x00"s), g, "empty image"},
        {"plain rows of the wrong size", gfx + Image(0, 16, 2, "\x00\x00\x00"s), g, "do not make 2 rows"},
        {"delta rows without row end", gfx + Image(0x20, 8, 1, "\x41\xFF"s), g + 14, "ends inside row 0 (no 0x80)"},
        {"delta rows with extra data", gfx + Image(0x20, 8, 1, "\x80\x80"s), g + 13, "after the last of 1 rows"},
        {"delta record byte out of range", gfx + Image(0x20, 8, 1, "\xC5\x80"s), g + 12, "record byte 0xC5"},
        // 8 pixels make a scan line of 4 bytes: a record or skip past it overruns the row.
        {"delta literal past the row", gfx + Image(0x20, 8, 1, "\x45\x01\x02\x03\x04\x05\x80"s), g + 12,
         "record at data byte 0 runs past the row of 4 bytes"},
        {"delta repeat past the row", gfx + Image(0x20, 8, 1, "\x02\x83\x01\x80"s), g + 13,
         "record at data byte 1 runs past"},
        {"delta skip past the row", gfx + Image(0x20, 8, 1, "\x05\x80"s), g + 12, "skip at data byte 0 runs past"},
        {"delta run of no bytes", gfx + Image(0x20, 8, 1, "\x40\x80"s), g + 12, "run of no bytes"},
        {"plain rows longer than the scan line", gfx + Image(0, 8, 1, "\x00\x00\x00\x00\x00"s), g,
         "do not make 1 rows"},
        {"packed polyline cut short", gfx + "\xE0\x04"s + Be16(1) + Be32(1) + "\x50"s, g, "cut short at nibble 2"},
        {"packed polyline longer than its points", gfx + "\xE0\x04"s + Be16(1) + Be32(3) + "\x12\x00\x00"s, g,
         "runs 2 bytes past its 1 points"},
        {"packed count beyond the data", gfx + "\xE0\x04"s + Be16(60000) + Be32(1) + "\x12"s, g, "cannot hold 60000"},
        {"clip path without its end entry", gfx + "\xB5\x04"s + Be16(3) + Be32(3) + "\x02\x12\x34"s, g, "do not end"},
        {"clip path head that is no (0, n)", gfx + "\xB5\x04"s + Be16(3) + Be32(3) + "\x11\x12\x00"s, g,
         "no subpath head"},
        {"clip path subpath past its count", gfx + "\xB5\x04"s + Be16(3) + Be32(3) + "\x04\x12\x00"s, g,
         "runs past the count"},
        {"listed clip path of the wrong count",
         gfx + "\xB5\x02"s + Be16(9) + "\x00\x00"s + Be16(1) + Be16(5) + Be16(6) + "\x00\x00\x00\x00"s, g,
         "count 9 is not its 1 points and 1 subpaths"},
        {"curve path without its head", gfx + "\xEA\x80"s + Be16(1) + Be32(1) + "\x12"s, g, "subpath head (0, 1)"},
        {"unknown image format", gfx + Image(0x33, 8, 1, "\x00"s), g, "unknown image format 0x33"},
        {"unknown vector command", gfx + "ZZ1;", g, "unknown vector command ZZ"},
        {"vector number with leading zero", gfx + "MA01,2;", g + 2, "malformed number"},
        {"vector without semicolon", gfx + "MA1,2", g, "without its \";\""},
        {"vector trailing comma", gfx + "PR1,2,;", g + 5, "trailing comma"},
        {"garbage after the job", kHeader + kTrailer + "\x00"s, (kHeader + kTrailer).size(), "expected a PJL line"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeResult r = DecodeJob(c.stream);
        ASSERT_FALSE(r.ok) << FormatListing(r);
        EXPECT_EQ(r.errorOffset, c.offset) << r.error;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
        EXPECT_NE(FormatListing(r).find("ERROR"), std::string::npos);
    }
}

// A job cut short anywhere is refused with the offset where it ends and a reason; the whole job
// is taken. Cuts at every line end of the PJL header and trailer, after the UEL that returns to
// PJL, and between the two EOJ lines.
TEST(JobDecoder, IncompleteJobsAreRefused) {
    const std::string page =
        "\x1c"
        "fPC1PA4.\x1c'S."
        "\x1cY"
        "\xA6\x00\x88\x88"s +
        "\x1cZ" + "\r\x0c";
    // Two JOB lines as the driver writes them, closed by the trailer's two EOJ lines.
    const std::string header = kUel + "@PJL JOB MODE=PRINTER\r\n@PJL JOB DISPLAY=\"\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n";
    const std::string job = header + page + kTrailer;
    ASSERT_TRUE(DecodeJob(job).ok) << FormatListing(DecodeJob(job));
    std::vector<size_t> cuts = {0, kUel.size()};
    for (size_t at = job.find('\n'); at != std::string::npos; at = job.find('\n', at + 1)) cuts.push_back(at + 1);
    cuts.push_back(job.rfind(kUel));
    cuts.push_back(job.rfind(kUel) + kUel.size());
    for (size_t cut : cuts) {
        if (cut >= job.size()) continue;
        SCOPED_TRACE(cut);
        DecodeResult r = DecodeJob(std::string_view(job).substr(0, cut));
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
        EXPECT_LE(r.errorOffset, cut);
    }
    struct Case {
        const char* name;
        std::string stream;
        const char* reason;
    } cases[] = {
        {"empty file", "", "empty job"},
        {"a lone UEL", kUel, "no @PJL JOB line"},
        {"header alone", kUel + "@PJL JOB MODE=PRINTER\r\n@PJL SET COPIES=1\r\n", "never enters ORLA"},
        {"no EOJ lines",
         kHeader + page +
             "\x1b"
             "c1" +
             kUel,
         "does not end with @PJL EOJ"},
        {"one EOJ for two JOB lines", header + page + kUel + "@PJL EOJ\r\n", "closed by only 1"},
        {"no ENTER LANGUAGE", kUel + "@PJL JOB MODE=PRINTER\r\n@PJL EOJ\r\n", "never enters ORLA"},
    };
    for (const Case& c : cases) {
        DecodeResult r = DecodeJob(c.stream);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.name << ": " << r.error;
    }
}

TEST(JobDecoder, ImagesThatUnpackBeyondTheBudgetAreRefused) {
    // 65535 rows of 65535 pixels from 65535 bytes of "row unchanged" records: 512 MiB of rows.
    const std::string rows(65535, '\x80');
    const std::string job = kHeader + "\x1cY" + Image(0x20, 65535, 65535, rows) + "\x1cZ" + kTrailer;
    DecodeOptions small;
    small.maxUnpackedBytes = 16 << 20;
    DecodeResult r = DecodeJob(job, small);
    ASSERT_FALSE(r.ok);
    EXPECT_NE(r.error.find("unpack to more than"), std::string::npos) << r.error;
    EXPECT_EQ(r.errorOffset, kHeader.size() + 2);
    // Checked without keeping rows, the same image is fine.
    small.unpackImages = false;
    EXPECT_TRUE(DecodeJob(job, small).ok);
}

TEST(JobDecoder, FragmentsAndCharacterCodes) {
    DecodeOptions fragment;
    fragment.startInOrla = true;
    fragment.requireComplete = false;
    // After a single-byte font selection characters are one byte, after a double-byte one two.
    const std::string text =
        "\x1cY\xCA\x00\x00\x20\xCC\x00\x41\xCD\x02\x41\x42\xCB\x00\x03\x10\xCC\x00\x88\x9F"s
        "\xCE\x00\x01\x88\x9F\x10\xF0"s;
    DecodeResult r = DecodeJob(text, fragment);
    ASSERT_TRUE(r.ok) << FormatListing(r);
    auto b = CommandsOf(r, CommandKind::Binary);
    ASSERT_EQ(b.size(), 6u);
    EXPECT_EQ(b[1]->dataLength, 1u);
    EXPECT_EQ(b[2]->dataLength, 2u);
    EXPECT_EQ(b[4]->dataLength, 2u);
    EXPECT_EQ(b[5]->dataLength, 4u);
    EXPECT_EQ(r.commands.back().offset + r.commands.back().length, text.size());
}

TEST(PackedPoints, NibbleCodes) {
    struct Case {
        const char* name;
        std::string data;
        size_t count;
        std::vector<Point> pairs;
    };
    const Case cases[] = {
        {"-3 is the single nibble 11", "\x0B"s, 1, {{0, -3}}},
        {"15 is the nibbles 5 and 15", "\x05\xF0"s, 1, {{0, 15}}},
        {"-300 is 15, 0, 1, 2, 12", "\x0F\x01\x2C"s, 1, {{0, -300}}},
        {"200 is 6, 12, 8", "\x6C\x80"s, 1, {{200, 0}}},
        {"negative zero reads as zero", "\x88"s, 1, {{0, 0}}},
        {"two pairs in three bytes", "\x12\x5F\x90"s, 2, {{1, 2}, {15, -1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Point> pairs;
        auto why = UnpackNibblePairs(
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(c.data.data()), c.data.size()), c.count, &pairs);
        ASSERT_FALSE(why) << *why;
        ASSERT_EQ(pairs.size(), c.pairs.size());
        for (size_t i = 0; i < pairs.size(); ++i) {
            EXPECT_EQ(pairs[i].x, c.pairs[i].x);
            EXPECT_EQ(pairs[i].y, c.pairs[i].y);
        }
    }
    // The encoder of this test and the decoder agree on a spread of values.
    std::vector<std::pair<int, int>> spread;
    for (int v : {0, 1, -1, 4, -4, 5, -5, 15, -15, 16, -16, 255, -255, 256, -256, 32767, -32768, 65535})
        spread.push_back({v, -v});
    const std::string data = Packed(spread);
    std::vector<Point> back;
    ASSERT_FALSE(UnpackNibblePairs(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.data()), data.size()),
                                   spread.size(), &back));
    for (size_t i = 0; i < spread.size(); ++i) EXPECT_EQ(back[i].x, spread[i].first) << i;
}

std::vector<std::tuple<int64_t, int64_t, bool>> Points(const Command& c) {
    std::vector<std::tuple<int64_t, int64_t, bool>> out;
    for (const PathPoint& p : c.points) out.emplace_back(p.x, p.y, p.first);
    return out;
}

TEST(JobDecoder, PathCommandsGiveTheirPoints) {
    DecodeOptions fragment;
    fragment.startInOrla = true;
    fragment.requireComplete = false;
    // A stroke of two open subpaths of 3 and 2 points: size 11, heads (0, 1), (0, n) before each
    // and two entries back to (0, 0).
    const std::string stroke = Packed(
        {{0, 1}, {0, 3}, {100, 200}, {5, 0}, {0, -20}, {0, 1}, {0, 2}, {300, 400}, {-16, 0}, {-284, -400}, {0, 0}});
    const std::string polygon = Packed({{0, 3}, {10, 10}, {20, 0}, {0, 20}, {0, 2}, {50, 50}, {-1, -1}, {0, 0}});
    const std::string clip = Packed({{0, 2}, {7, 8}, {100, 0}, {0, 0}});
    const std::string job = "\x1cY"s + "\xB8\x00"s + Be16(1000) + Be32(70000) + "\xE0\x04"s + Be16(3) +
                            Be32(Packed({{40, 50}, {4, -4}, {-300, 15}}).size()) +
                            Packed({{40, 50}, {4, -4}, {-300, 15}}) + "\xEA\x80"s + Be16(11) + Be32(stroke.size()) +
                            stroke + "\xE8\xA1"s + Be16(8) + Be32(polygon.size()) + polygon + "\xB6\x10"s + Be16(20) +
                            "\xE0\x00"s + Be16(2) + Be16(30) + Be16(20) + Be16(30) + Be16(0xFFF6) + "\xB5\x04"s +
                            Be16(4) + Be32(clip.size()) + clip + "\xB5\x02"s + Be16(4) + "\x00\x00"s + Be16(2) +
                            Be16(1) + Be16(2) + Be16(3) + Be16(4) + "\x00\x00\x00\x00"s;
    DecodeResult r = DecodeJob(job, fragment);
    ASSERT_TRUE(r.ok) << FormatListing(r);
    auto b = CommandsOf(r, CommandKind::Binary);
    ASSERT_EQ(b.size(), 8u);
    using P = std::vector<std::tuple<int64_t, int64_t, bool>>;
    EXPECT_EQ(Points(*b[1]), (P{{40, 50, true}, {44, 46, false}, {-256, 61, false}}));
    EXPECT_EQ(Points(*b[2]),
              (P{{100, 200, true}, {105, 200, false}, {105, 180, false}, {300, 400, true}, {284, 400, false}}));
    EXPECT_EQ(Points(*b[3]), (P{{10, 10, true}, {30, 10, false}, {30, 30, false}, {50, 50, true}, {49, 49, false}}));
    // The unpacked polyline starts at the current position and leaves it at its last point.
    EXPECT_EQ(Points(*b[5]), (P{{16, 20, true}, {30, 20, false}, {30, -10, false}}));
    EXPECT_EQ(b[6]->state.x, 30);
    EXPECT_EQ(b[6]->state.y, -10);
    EXPECT_EQ(Points(*b[6]), (P{{7, 8, true}, {107, 8, false}}));
    EXPECT_EQ(Points(*b[7]), (P{{1, 2, true}, {3, 4, false}}));
    EXPECT_NE(
        FormatListing(r).find("EA curve-path mode 0x80, packed, 2 subpaths, 5 points, bounds (100,180)-(301,401)"),
        std::string::npos)
        << FormatListing(r);
}

// A curve path heads a subpath of Bezier curves with (1, n): its points after the start point are
// marked as curve points (two control points and an end each); a (0, n) head is straight lines.
TEST(JobDecoder, CurvePathMarksItsCurvePoints) {
    DecodeOptions fragment;
    fragment.startInOrla = true;
    fragment.requireComplete = false;
    const std::string curves =
        Packed({{0, 1}, {1, 4}, {20, 180}, {0, -30}, {60, 0}, {0, 30}, {0, 1}, {0, 2}, {5, 5}, {1, 0}});
    DecodeResult r = DecodeJob("\x1cY"s + "\xEA\x82"s + Be16(10) + Be32(curves.size()) + curves, fragment);
    ASSERT_TRUE(r.ok) << FormatListing(r);
    const Command& c = r.commands.back();
    ASSERT_EQ(c.points.size(), 6u);
    const bool curve[] = {false, true, true, true, false, false};
    const bool first[] = {true, false, false, false, true, false};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(c.points[i].curve, curve[i]) << i;
        EXPECT_EQ(c.points[i].first, first[i]) << i;
    }
    EXPECT_EQ(std::make_pair(c.points[3].x, c.points[3].y), std::make_pair(int64_t{80}, int64_t{180}));
}

TEST(JobDecoder, PositionAndClipFollowTheCommands) {
    DecodeOptions fragment;
    fragment.startInOrla = true;
    fragment.requireComplete = false;
    const std::string plain8x1 = Image(0, 8, 1, "\x81"s);
    const std::string fixed = "\x1cY"s + plain8x1 + "\xB7\x05"s + Be16(300) + "\xB1\x0A"s + Be16(40) + plain8x1 +
                              "\xDD\x00"s + Be16(300) + Be16(20) + Be16(0xFFFE) + Be16(7) + "\x00\x00"s + "\xB2\x00"s +
                              Be16(256) + Be16(2) + "\x00\x00"s + "\xF4\x00\x00\x20"s + Be16(8) + Be16(1) + Be16(16) +
                              Be16(2) + Be32(1) + "\x80"s + "\x1cZ\r\x0c"s + "\x1cY"s + plain8x1;
    // No position yet; move to (300, 5); clip 40 x 10 there; an image; a long rectangle at
    // (-2, 7); a long clip there; a scaled image; a page end; an image.
    DecodeResult r = DecodeJob(fixed, fragment);
    ASSERT_TRUE(r.ok) << FormatListing(r);
    auto b = CommandsOf(r, CommandKind::Binary);
    ASSERT_EQ(b.size(), 8u);
    EXPECT_FALSE(b[0]->state.positionKnown);
    EXPECT_TRUE(b[2]->state.positionKnown);
    EXPECT_EQ(std::make_pair(b[2]->state.x, b[2]->state.y), std::make_pair(int64_t{300}, int64_t{5}));
    ASSERT_TRUE(b[3]->state.clipSet);
    EXPECT_EQ(
        std::make_tuple(b[3]->state.clip.left, b[3]->state.clip.top, b[3]->state.clip.right, b[3]->state.clip.bottom),
        std::make_tuple(300, 5, 340, 15));
    // A rectangle moves the position to its corner (signed coordinates); the long clip is taken there.
    EXPECT_EQ(std::make_pair(b[5]->state.x, b[5]->state.y), std::make_pair(int64_t{-2}, int64_t{7}));
    EXPECT_EQ(
        std::make_tuple(b[6]->state.clip.left, b[6]->state.clip.top, b[6]->state.clip.right, b[6]->state.clip.bottom),
        std::make_tuple(-2, 7, 0, 263));
    EXPECT_NE(b[6]->detail.find("8x1 to 16x2 delta-row 1 bytes at (-2,7) clip (-2,7)-(0,263)"), std::string::npos)
        << b[6]->detail;
    // The page end forgets position and clip.
    EXPECT_FALSE(r.commands.back().state.positionKnown);
    EXPECT_FALSE(r.commands.back().state.clipSet);
    EXPECT_NE(r.commands.back().detail.find("at (unknown position)"), std::string::npos);
}

}  // namespace

// ---- Trust marking: mark layers, footers and the sample sheet ----

TEST(TrustMarks, ALayerWithItsImagesAndItsFooterIsRead) {
    using namespace orla::jobdecode;
    const std::string job = std::string("\x1cu1,2.\x1c<1/600,i.\x1c" "e10,20.\x1c" "i8,2,0,1/1,1/1,2,600.") +
                            std::string("\x80\x01", 2) + "\x1c" "e30,40.\x1c" "i16,1,0,1/1,1/1,2,600." +
                            std::string("\xff\xff", 2) + "\x1c" "e0,6780,,,A." + std::string("\x3d\x50\x00" "A", 4) +
                            "\x1cR\x1cU\x1cu2,2,S.\r\x0c";
    DecodeOptions options;
    options.startInOrla = true;
    options.requireComplete = false;
    DecodeResult d = DecodeJob(job, options);
    ASSERT_TRUE(d.ok) << d.error << " at " << d.errorOffset;
    const auto* bytes = reinterpret_cast<const uint8_t*>(job.data());
    TrustMarkReport r = ReadTrustMarks(d, std::span<const uint8_t>(bytes, job.size()));
    EXPECT_EQ(r.msw078, "");
    ASSERT_EQ(r.layers.size(), 1u);
    EXPECT_EQ(r.layers[0].page, 1u);
    EXPECT_EQ(r.layers[0].markImages, 2u);
    EXPECT_EQ(r.layers[0].covered.left, 10);
    EXPECT_EQ(r.layers[0].covered.top, 20);
    EXPECT_EQ(r.layers[0].covered.right, 46);
    EXPECT_EQ(r.layers[0].covered.bottom, 41);
    EXPECT_EQ(r.layers[0].footerUtf8, "出A");
    EXPECT_FALSE(r.sheet.found);
}

TEST(TrustMarks, FooterCodesBackToText) {
    using orla::jobdecode::CodesToUtf8;
    struct Case {
        std::vector<uint16_t> codes;
        std::string text;
    };
    const Case cases[] = {
        {{0x3D50, 0x4E4F}, "出力"},
        {{0x0041, 0x0020, 0x0031}, "A 1"},
        {{0x3021}, "亜"},
        {{0x7F7F}, "?"},  // outside the JIS rows
        {{}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(CodesToUtf8(c.codes), c.text);
}
