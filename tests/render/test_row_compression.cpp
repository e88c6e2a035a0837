// Delta-row and run coding: the record bytes of the edge cases, the size test that sends a block
// plain, and a round trip through a small reference decoder over random and page-like rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include "render/row_compression.h"

namespace {

using Bytes = std::vector<BYTE>;

// Reference decoder of the delta-row stream: rows of `rowLength` bytes, the first against a zeroed
// seed. Returns nothing when the stream is malformed or does not hold exactly `rowCount` rows.
std::optional<Bytes> DecodeDeltaRows(const Bytes& stream, size_t rowCount, size_t rowLength) {
    Bytes out;
    Bytes above(rowLength, 0);
    size_t i = 0;
    auto count = [&](size_t n, bool shortForm) -> std::optional<size_t> {
        if (shortForm) return n;
        size_t total = 63;
        for (;;) {
            if (i >= stream.size()) return std::nullopt;
            BYTE b = stream[i++];
            total += b;
            if (b != 0xFF) return total;
        }
    };
    for (size_t r = 0; r < rowCount; ++r) {
        Bytes row = above;
        size_t pos = 0;
        for (;;) {
            if (i >= stream.size()) return std::nullopt;
            BYTE b = stream[i++];
            if (b == 0x80) break;
            if (b < 0x40) {
                auto n = count(b, b < 0x3F);
                if (!n) return std::nullopt;
                pos += *n;
            } else if (b < 0x80) {
                auto n = count(b - 0x40u, b < 0x7F);
                if (!n || i + *n > stream.size() || pos + *n > rowLength) return std::nullopt;
                std::memcpy(row.data() + pos, stream.data() + i, *n);
                i += *n;
                pos += *n;
            } else {
                auto n = count(b - 0x80u, b < 0xBF);
                if (!n || i >= stream.size() || pos + *n > rowLength) return std::nullopt;
                std::memset(row.data() + pos, stream[i++], *n);
                pos += *n;
            }
            if (pos > rowLength) return std::nullopt;
        }
        out.insert(out.end(), row.begin(), row.end());
        above = row;
    }
    if (i != stream.size()) return std::nullopt;
    return out;
}

// Compresses `rows` (rowCount rows of rowLength, packed) against a zeroed seed.
std::optional<Bytes> Compress(const Bytes& rows, size_t rowCount, size_t rowLength, ptrdiff_t stride = 0) {
    if (stride == 0) stride = static_cast<ptrdiff_t>(rowLength);
    Bytes seed(rowLength, 0);
    // The output area is exactly the size the writers allocate: ASan catches any overrun.
    Bytes area(DeltaRowOutputArea(rowCount, rowLength));
    BYTE* end = CompressDeltaRow(seed.data(), rows.data(), rowCount, rowLength, area.data(), stride);
    if (end == nullptr) return std::nullopt;
    return Bytes(area.data(), end);
}

// The same rows stored complemented (the band's 0 = black) against a complemented seed, read
// back complemented by the compressor.
std::optional<Bytes> CompressComplemented(const Bytes& rows, size_t rowCount, size_t rowLength) {
    Bytes band(rows);
    for (BYTE& b : band) b = static_cast<BYTE>(~b);
    Bytes seed(rowLength, 0xFF);
    Bytes area(DeltaRowOutputArea(rowCount, rowLength));
    BYTE* end = CompressDeltaRow(seed.data(), band.data(), rowCount, rowLength, area.data(),
                                 static_cast<ptrdiff_t>(rowLength), 0xFF);
    if (end == nullptr) return std::nullopt;
    return Bytes(area.data(), end);
}

Bytes RunCode(const Bytes& bytes) {
    Bytes out(2 * bytes.size() + 8);
    out.resize(CompressRunLength(out.data(), bytes.data(), bytes.size()));
    return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Repeat(size_t n, BYTE b) {
    return Bytes(n, b);
}

struct RunCase {
    const char* name;
    Bytes input;
    Bytes expected;
};

TEST(RunLength, RecordKindsAndCounts) {
    const RunCase cases[] = {
        {"single byte", {0x5A}, {0x41, 0x5A}},
        {"two equal", {7, 7}, {0x82, 7}},
        {"62 equal", Repeat(62, 9), {0xBE, 9}},
        {"63 equal", Repeat(63, 9), {0xBF, 0x00, 9}},
        {"64 equal", Repeat(64, 9), {0xBF, 0x01, 9}},
        {"317 equal", Repeat(317, 9), {0xBF, 0xFE, 9}},
        {"318 equal", Repeat(318, 9), {0xBF, 0xFF, 0x00, 9}},
        {"two different", {1, 2}, {0x42, 1, 2}},
        {"literal stops before a pair", {1, 2, 3, 3}, {0x42, 1, 2, 0x82, 3}},
        {"repeat then single", {4, 4, 4, 5}, {0x83, 4, 0x41, 5}},
        {"repeat then literal", {4, 4, 1, 2}, {0x82, 4, 0x42, 1, 2}},
    };
    for (const RunCase& c : cases) EXPECT_EQ(RunCode(c.input), c.expected) << c.name;
}

TEST(RunLength, LongLiteralsUseTheExcessForm) {
    for (size_t n : {62u, 63u, 64u, 317u, 318u, 600u}) {
        Bytes in(n);
        for (size_t i = 0; i < n; ++i) in[i] = static_cast<BYTE>(i & 1 ? 0xAA : 0x55);
        Bytes out = RunCode(in);
        Bytes header;
        if (n < 63) {
            header = {static_cast<BYTE>(0x40 + n)};
        } else {
            header = {0x7F};
            size_t excess = n - 63;
            for (; excess >= 255; excess -= 255) header.push_back(0xFF);
            header.push_back(static_cast<BYTE>(excess));
        }
        EXPECT_EQ(out, Concat({header, in})) << n;
    }
}

struct RowCase {
    const char* name;
    Bytes row;       // one row, compared with a zeroed seed
    Bytes expected;  // its records, without the closing 0x80
};

TEST(DeltaRow, OneRowAgainstTheSeed) {
    Bytes lastOnly(40, 0);
    lastOnly.back() = 0x33;
    Bytes firstOnly(40, 0);
    firstOnly.front() = 0x33;
    Bytes middle(100, 0);
    middle[10] = 1, middle[11] = 2;
    Bytes blank200(200, 0);
    Bytes blank318(318 + 2, 0);
    blank318[0] = 0xFF;
    blank318[319] = 0xFF;

    const RowCase cases[] = {
        {"row equal to the one above", blank200, {0x3F, 0x89}},
        {"single differing byte at the row end", lastOnly, {39, 0x41, 0x33}},
        {"single differing byte at the row start", firstOnly, {0x41, 0x33, 39}},
        {"literal inside", middle, {10, 0x42, 1, 2, 0x3F, 25}},
        {"skip of 318", blank318, {0x41, 0xFF, 0x3F, 0xFF, 0x00, 0x41, 0xFF}},
        {"62 skip", Bytes(62, 0), {62}},
        {"63 skip", Bytes(63, 0), {0x3F, 0x00}},
        {"all differing, equal", Bytes(63, 0xFF), {0xBF, 0x00, 0xFF}},
    };
    for (const RowCase& c : cases) {
        auto out = Compress(c.row, 1, c.row.size());
        Bytes expected = Concat({c.expected, {0x80}});
        if (expected.size() > c.row.size()) {
            EXPECT_FALSE(out.has_value()) << c.name;
            continue;
        }
        ASSERT_TRUE(out.has_value()) << c.name;
        EXPECT_EQ(*out, expected) << c.name;
    }
}

TEST(DeltaRow, RowsAreComparedWithTheRowAbove) {
    // Three rows of 8: a pattern, the same again, then one byte changed.
    Bytes rows = {1, 2, 3, 4, 5, 6, 7, 8,  //
                  1, 2, 3, 4, 5, 6, 7, 8,  //
                  1, 2, 3, 9, 5, 6, 7, 8};
    auto out = Compress(rows, 3, 8);
    ASSERT_TRUE(out.has_value());
    Bytes expected = {0x48, 1,    2, 3, 4,   5, 6, 7, 8, 0x80,  //
                      8,    0x80,                               //
                      3,    0x41, 9, 4, 0x80};
    EXPECT_EQ(*out, expected);
}

TEST(DeltaRow, ARunEndsAtTheEqualByteEvenWhenItHasTheSameValue) {
    // The byte after a differing run equals the byte above it and also the run's last byte: the
    // run must not reach into it. Literal and repeat runs of lengths about the 16-byte steps.
    for (size_t n : {16u, 17u, 18u, 33u, 47u}) {
        SCOPED_TRACE(n);
        const size_t rowLength = n + 1;
        Bytes literal(2 * rowLength, 0), repeat(2 * rowLength, 0);
        literal[n] = repeat[n] = 5;  // row 0: one byte differs from the seed
        for (size_t k = 0; k + 1 < n; ++k) literal[rowLength + k] = static_cast<BYTE>(k + 1);
        literal[rowLength + n - 1] = literal[rowLength + n] = 5;
        std::fill(repeat.begin() + static_cast<ptrdiff_t>(rowLength), repeat.end(), BYTE{5});

        const Bytes row0 = {static_cast<BYTE>(n), 0x41, 5, 0x80};
        Bytes literalWant = Concat({row0, {static_cast<BYTE>(0x40 + n)}});
        for (size_t k = 0; k + 1 < n; ++k) literalWant.push_back(static_cast<BYTE>(k + 1));
        literalWant.insert(literalWant.end(), {5, 0x01, 0x80});
        const Bytes repeatWant = Concat({row0, {static_cast<BYTE>(0x80 + n), 5, 0x01, 0x80}});

        EXPECT_EQ(Compress(literal, 2, rowLength), literalWant);
        EXPECT_EQ(CompressComplemented(literal, 2, rowLength), literalWant);
        EXPECT_EQ(Compress(repeat, 2, rowLength), repeatWant);
        EXPECT_EQ(CompressComplemented(repeat, 2, rowLength), repeatWant);
    }
}

TEST(DeltaRow, StrideSkipsTheRestOfTheScanLine) {
    // Rows of 4 bytes used out of 8-byte scan lines: the tail of each line never counts.
    Bytes lines = {1, 1, 1, 1, 0xEE, 0xEE, 0xEE, 0xEE,  //
                   1, 1, 1, 1, 0x77, 0x77, 0x77, 0x77};
    auto out = Compress(lines, 2, 4, 8);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, (Bytes{0x84, 1, 0x80, 4, 0x80}));
}

TEST(DeltaRow, EmptyRowCountLeavesTheOutputUnchanged) {
    BYTE seed[4] = {}, rows[4] = {}, area[4] = {0xCC, 0xCC, 0xCC, 0xCC};
    EXPECT_EQ(CompressDeltaRow(seed, rows, 0, 4, area, 4), area);
    EXPECT_EQ(area[0], 0xCC);
}

TEST(DeltaRow, DataThatDoesNotShrinkFailsAtTheRowWhereTheOutputPassesTheLimit) {
    // Every byte differs from the byte above and from its neighbour: each row of 16 codes as
    // 0x50 + 16 bytes + 0x80 = 18 bytes. With 9 rows the limit is 144: row 8 ends at 144 (still
    // fine), so a stream of 8 such rows plus a blank one passes, and 9 rows fail.
    constexpr size_t L = 16;
    auto busyRows = [&](size_t n) {
        Bytes rows(n * L);
        for (size_t r = 0; r < n; ++r)
            for (size_t i = 0; i < L; ++i) rows[r * L + i] = static_cast<BYTE>((r % 2 == 0) ? 0x10 + i : 0x80 + i);
        return rows;
    };
    Bytes rows = busyRows(9);
    EXPECT_FALSE(Compress(rows, 9, L).has_value());

    // The first 8 rows busy and one row equal to the one above: 8 x 18 + 2 = 146 > 144 fails too,
    // while 7 busy rows and two equal rows make 7 x 18 + 4 = 130 and pass.
    Bytes nine = busyRows(9);
    std::memcpy(nine.data() + 8 * L, nine.data() + 7 * L, L);
    EXPECT_FALSE(Compress(nine, 9, L).has_value());
    std::memcpy(nine.data() + 7 * L, nine.data() + 6 * L, L);
    std::memcpy(nine.data() + 8 * L, nine.data() + 6 * L, L);
    auto out = Compress(nine, 9, L);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(out->size(), 130u);
    EXPECT_EQ(DecodeDeltaRows(*out, 9, L), nine);
}

TEST(DeltaRow, OneBusyRowFailsAloneButPassesWithEqualRowsBelow) {
    // The limit is the whole block's plain size: a literal row costs two bytes more than it
    // holds, and rows equal to it below pay that back.
    constexpr size_t L = 4;
    Bytes rows(3 * L, 0);
    rows[0] = 1, rows[1] = 2, rows[2] = 3, rows[3] = 4;  // 0x44 1 2 3 4 0x80 = 6 bytes
    rows[4] = 1, rows[5] = 2, rows[6] = 3, rows[7] = 4;  // equal: 0x04 0x80
    rows[8] = 1, rows[9] = 2, rows[10] = 3, rows[11] = 4;
    auto out = Compress(rows, 3, L);
    ASSERT_TRUE(out.has_value()) << "6 + 2 + 2 = 10 <= 12";
    EXPECT_FALSE(Compress(Bytes(rows.begin(), rows.begin() + 4), 1, L).has_value()) << "6 > 4";
}

// Round trip: rows of assorted content, decoded back to the input whenever compression succeeds;
// the output never leaves the area (ASan) and is never longer than the plain rows.
// The delta-row coding spelled out byte by byte, as plainly as the rules read: the compressor's
// wide scans must give exactly these bytes.
std::optional<Bytes> ReferenceDeltaRows(const Bytes& rows, size_t rowCount, size_t rowLength) {
    Bytes out;
    auto count = [&](BYTE base, size_t n) {
        if (n < 63) {
            out.push_back(static_cast<BYTE>(base + n));
            return;
        }
        out.push_back(static_cast<BYTE>(base + 63));
        for (n -= 63; n >= 255; n -= 255) out.push_back(0xFF);
        out.push_back(static_cast<BYTE>(n));
    };
    Bytes above(rowLength, 0);
    for (size_t r = 0; r < rowCount; ++r) {
        const BYTE* row = rows.data() + r * rowLength;
        size_t i = 0;
        while (i < rowLength) {
            size_t j = i;
            while (j < rowLength && row[j] != above[j]) ++j;
            for (size_t k = i; k < j;) {  // the differing run
                if (k + 1 == j) {
                    out.push_back(0x41);
                    out.push_back(row[k++]);
                } else if (row[k + 1] == row[k]) {
                    size_t e = k;
                    while (e < j && row[e] == row[k]) ++e;
                    count(0x80, e - k);
                    out.push_back(row[k]);
                    k = e;
                } else {
                    size_t e = k + 1;
                    while (e < j && !(e + 1 < j && row[e] == row[e + 1])) ++e;
                    count(0x40, e - k);
                    out.insert(out.end(), row + k, row + e);
                    k = e;
                }
            }
            if (j == rowLength) break;
            size_t e = j;
            while (e < rowLength && row[e] == above[e]) ++e;
            count(0x00, e - j);
            i = e;
        }
        out.push_back(0x80);
        if (out.size() > rowCount * rowLength) return std::nullopt;
        above.assign(row, row + rowLength);
    }
    return out;
}

TEST(DeltaRow, TheWideScansGiveTheBytesOfThePlainRules) {
    std::mt19937 rng(32);
    for (int trial = 0; trial < 600; ++trial) {
        // Lengths about the 32-byte steps of the scans, and a few long rows.
        const size_t rowLength = trial % 5 == 0 ? 500 + rng() % 1300 : 1 + rng() % 130;
        const size_t rowCount = 1 + rng() % 8;
        Bytes rows(rowCount * rowLength, 0);
        for (size_t r = 0; r < rowCount; ++r) {
            BYTE* row = rows.data() + r * rowLength;
            if (r > 0) std::memcpy(row, row - rowLength, rowLength);
            // Changes in bursts of 1 to 70 bytes, equal stretches between them; one burst in four
            // is a single byte repeated (long repeats), the others mostly literals.
            for (size_t i = rng() % 80; i < rowLength; i += 1 + rng() % 90) {
                const size_t burst = std::min<size_t>(rowLength - i, 1 + rng() % 70);
                const BYTE fill = static_cast<BYTE>(rng());
                const bool solid = rng() % 4 == 0;
                for (size_t k = 0; k < burst; ++k)
                    row[i + k] = solid || rng() % 3 == 0 ? fill : static_cast<BYTE>(rng());
                i += burst;
            }
        }
        const auto got = Compress(rows, rowCount, rowLength);
        const auto want = ReferenceDeltaRows(rows, rowCount, rowLength);
        ASSERT_EQ(got.has_value(), want.has_value()) << "trial " << trial;
        if (got) {
            ASSERT_EQ(*got, *want) << "trial " << trial << ", rows of " << rowLength;
        }
        // The band's polarity: the complemented rows, read complemented, give the same stream.
        const auto inverted = CompressComplemented(rows, rowCount, rowLength);
        ASSERT_EQ(inverted.has_value(), want.has_value()) << "trial " << trial;
        if (inverted) {
            ASSERT_EQ(*inverted, *want) << "complemented trial " << trial << ", rows of " << rowLength;
        }
    }
}

TEST(DeltaRow, RoundTripThroughAReferenceDecoder) {
    std::mt19937 rng(20261210);
    int compressed = 0;
    for (int trial = 0; trial < 400; ++trial) {
        size_t rowLength = 1 + rng() % 700;
        size_t rowCount = 1 + rng() % 12;
        Bytes rows(rowCount * rowLength, 0);
        int style = trial % 4;
        for (size_t r = 0; r < rowCount; ++r) {
            BYTE* row = rows.data() + r * rowLength;
            if (r > 0 && rng() % 3 == 0) std::memcpy(row, row - rowLength, rowLength);
            for (size_t i = 0; i < rowLength; ++i) {
                switch (style) {
                    case 0:
                        row[i] = static_cast<BYTE>(rng());
                        break;  // noise
                    case 1:
                        if (rng() % 20 == 0) row[i] = static_cast<BYTE>(rng());
                        break;  // sparse text
                    case 2:
                        if (rng() % 50 == 0) std::memset(row + i, 0xFF, std::min<size_t>(rowLength - i, rng() % 400));
                        break;
                    default:
                        row[i] = static_cast<BYTE>(rng() % 3 == 0 ? 0xFF : rng() % 2);
                        break;  // short runs
                }
            }
        }
        auto out = Compress(rows, rowCount, rowLength);
        if (!out) continue;
        ++compressed;
        EXPECT_LE(out->size(), rows.size());
        auto back = DecodeDeltaRows(*out, rowCount, rowLength);
        ASSERT_TRUE(back.has_value()) << "trial " << trial;
        ASSERT_EQ(*back, rows) << "trial " << trial;
    }
    EXPECT_GT(compressed, 200);
}

}  // namespace
