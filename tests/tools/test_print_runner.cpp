// The print-path runner drives the graphics DLL through a whole job; the decoder must accept
// what comes out, and the options must reach the driver (paper, orientation, resolution, a
// ResetDC between pages of different paper). Failures of the spooler end the job cleanly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "plat/control.h"
#include "plat/gdi_control.h"
#include "tools/job_decoder/job_decoder.h"
#include "tools/print_runner/print_runner.h"
#include "tools/print_runner/sample_content.h"
#include "win/base.h"
#include "win/devmode.h"

namespace {

using namespace orla::jobdecode;
using orla::runner::RunOptions;
using orla::runner::RunResult;

class PrintRunner : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orla-runner-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        const char* bin = std::getenv("ORLA_BIN_DIR");
        const char* source = std::getenv("ORLA_SOURCE_DIR");
        ASSERT_TRUE(bin && source) << "run through ctest";
        options_.sandboxRoot = root_;
        options_.binDir = bin;
        options_.modelFile = std::string(source) + "/resources/models/HV4400KJ.KDD";
        englishModel_ = std::string(source) + "/resources/models/HV3600E.KDD";
    }
    void TearDown() override {
        PlatClearInjections();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    RunResult Run() { return orla::runner::RunJob(options_); }

    static DecodeResult Decode(const RunResult& r) {
        return DecodeJob(std::span<const uint8_t>(r.job.data(), r.job.size()));
    }
    static std::vector<std::string> FsTexts(const DecodeResult& d) {
        std::vector<std::string> out;
        for (auto* c : CommandsOf(d, CommandKind::Fs)) out.push_back(c->text);
        return out;
    }
    static bool Has(const std::vector<std::string>& v, const std::string& s) {
        return std::find(v.begin(), v.end(), s) != v.end();
    }
    // The paper-source commands ("\x1cf..."): the first opens with the orientation letter, and
    // the paper's name ends one of them.
    static std::string FirstPaperCommand(const std::vector<std::string>& fs) {
        for (const auto& t : fs)
            if (t.rfind("f", 0) == 0) return t;
        return "";
    }
    static bool NamesPaper(const std::vector<std::string>& fs, const std::string& paper) {
        return std::any_of(fs.begin(), fs.end(), [&](const std::string& t) {
            return t.rfind("f", 0) == 0 && t.size() >= paper.size() + 1 &&
                   t.compare(t.size() - paper.size() - 1, paper.size() + 1, paper + ".") == 0;
        });
    }

    std::string root_;
    std::string englishModel_;
    RunOptions options_;
};

TEST_F(PrintRunner, OnePageJobDecodesAndIsFramedByPjl) {
    ULONG engineObjects = PlatGdiObjectCount();
    RunResult r = Run();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.fullDevmode);
    EXPECT_EQ(r.pagesSent, 1);
    DecodeResult d = Decode(r);
    ASSERT_TRUE(d.ok) << FormatListing(d);
    ASSERT_GE(d.commands.size(), 4u);
    EXPECT_EQ(d.commands.front().kind, CommandKind::Uel);
    auto lines = PjlLines(d);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "@PJL ENTER LANGUAGE=ORLA"), lines.end());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 1], "@PJL EOJ");
    EXPECT_EQ(lines[lines.size() - 2], "@PJL EOJ");
    EXPECT_EQ(PjlValue(d, "SET COPIES"), "1");
    EXPECT_EQ(PjlValue(d, "COMMENT DNAME"), "runner job");
    // The resolution announced, the A4 page set-up and the trailer's return to PJL.
    auto fs = FsTexts(d);
    EXPECT_TRUE(Has(fs, "&600.")) << FormatListing(d);
    EXPECT_EQ(FirstPaperCommand(fs).rfind("fP", 0), 0u) << FormatListing(d);
    EXPECT_TRUE(NamesPaper(fs, "A4")) << FormatListing(d);
    EXPECT_TRUE(Has(fs, "fPC0."));
    // Every surface, palette and device the job made is gone again.
    EXPECT_EQ(PlatGdiObjectCount(), engineObjects);
}

TEST_F(PrintRunner, OptionsReachTheDriver) {
    struct Case {
        const char* name;
        int dpi;
        int orientation;
        const char* paper;
        const char* announced;   // the resolution command
        const char* setupStart;  // the paper command's opening
    } cases[] = {
        {"600 dpi portrait A4", 600, 1, "A4", "&600.", "fP"},
        {"300 dpi is announced as 600", 300, 1, "A4", "&600.", "fP"},
        {"1200 dpi landscape", 1200, 2, "A4", "&1200.", "fL"},
        {"A3", 600, 1, "A3", "&600.", "fP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        options_.dpi = c.dpi;
        options_.orientation = c.orientation;
        options_.paper = std::u16string(c.paper, c.paper + std::strlen(c.paper));
        RunResult r = Run();
        ASSERT_TRUE(r.ok) << r.error;
        DecodeResult d = Decode(r);
        ASSERT_TRUE(d.ok) << FormatListing(d);
        auto fs = FsTexts(d);
        EXPECT_TRUE(Has(fs, c.announced)) << FormatListing(d);
        EXPECT_EQ(FirstPaperCommand(fs).rfind(c.setupStart, 0), 0u) << FormatListing(d);
        EXPECT_TRUE(NamesPaper(fs, c.paper)) << FormatListing(d);
    }
}

TEST_F(PrintRunner, MixedPapersRunResetDcBetweenPages) {
    options_.pages = 3;
    options_.perPage = {{u"A4", 1}, {u"A3", 1}, {u"A3", 1}};
    RunResult r = Run();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.resets, 1) << "only the change of paper resets the device context";
    EXPECT_EQ(r.pagesSent, 3);
    DecodeResult d = Decode(r);
    ASSERT_TRUE(d.ok) << FormatListing(d);
    auto fs = FsTexts(d);
    auto names = [](const std::string& paper) {
        return [paper](const std::string& t) {
            return t.rfind("f", 0) == 0 && t.size() > paper.size() &&
                   t.compare(t.size() - paper.size() - 1, paper.size() + 1, paper + ".") == 0;
        };
    };
    auto a4 = std::find_if(fs.begin(), fs.end(), names("A4"));
    auto a3 = std::find_if(fs.begin(), fs.end(), names("A3"));
    ASSERT_NE(a4, fs.end()) << FormatListing(d);
    ASSERT_NE(a3, fs.end()) << FormatListing(d);
    EXPECT_LT(a4 - fs.begin(), a3 - fs.begin());
    // One job: one header, one trailer.
    auto lines = PjlLines(d);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "@PJL ENTER LANGUAGE=ORLA"), 1);
}

TEST_F(PrintRunner, BandModeRunsTheBandLoopOnABandingSurface) {
    ULONG engineObjects = PlatGdiObjectCount();
    options_.rasterMode = true;
    options_.pages = 2;
    RunResult r = Run();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.banding);
    EXPECT_GE(r.bands, 2) << "at least one band a page";
    EXPECT_EQ(r.pagesSent, 2);
    DecodeResult d = Decode(r);
    ASSERT_TRUE(d.ok) << FormatListing(d);
    EXPECT_EQ(PlatGdiObjectCount(), engineObjects);
}

size_t BlackPixels(const orla::runner::DrawnPage& page) {
    size_t black = 0;
    for (const auto& band : page.bands)
        for (int y = 0; y < band.height; ++y)
            for (int x = 0; x < band.width; ++x)
                black += !(
                    band.bits[static_cast<size_t>(y) * static_cast<size_t>(band.stride) + static_cast<size_t>(x / 8)] &
                    (0x80 >> (x % 8)));
    return black;
}

TEST_F(PrintRunner, SampleContentIsDrawnIntoEveryBandOfEveryPage) {
    options_.rasterMode = true;
    options_.pages = 2;
    options_.content = orla::runner::PageContent::Sample;
    options_.keepBands = true;
    RunResult r = Run();
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.drawn.size(), 2u);
    for (const auto& page : r.drawn) {
        EXPECT_EQ(page.dpi, 600);
        EXPECT_GT(page.width, 4000);
        EXPECT_GT(page.height, 6000);
        EXPECT_EQ(page.text, !orla::runner::SampleFontPath().empty());
        ASSERT_FALSE(page.bands.empty());
        // The bands cover the page from its top.
        EXPECT_EQ(page.bands.front().originY, 0);
        EXPECT_GT(BlackPixels(page), 100000u);
    }
    // The pages differ (the blocks step with the page number), and a second run draws the same bits.
    EXPECT_NE(r.drawn[0].bands.front().bits, r.drawn[1].bands.front().bits);
    RunResult again = Run();
    ASSERT_TRUE(again.ok) << again.error;
    ASSERT_EQ(again.drawn.size(), 2u);
    EXPECT_EQ(again.drawn[1].bands.front().bits, r.drawn[1].bands.front().bits);
    // Drawn pages are not blank: the driver writes an image for them.
    DecodeResult d = Decode(r);
    ASSERT_TRUE(d.ok) << FormatListing(d);
    EXPECT_EQ(PageEndCount(d), 2u);

    // Without content nothing is drawn, nothing is kept, and the blank sheets are dropped.
    options_.content = orla::runner::PageContent::None;
    RunResult blank = Run();
    ASSERT_TRUE(blank.ok) << blank.error;
    EXPECT_TRUE(blank.drawn.empty());
    DecodeResult b = Decode(blank);
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(PageEndCount(b), 0u);
}

// In command mode (no band surface) the sample page goes through the drawing hooks on every
// page: the pages are not blank, and the text bitmap each page sent is kept.
TEST_F(PrintRunner, CommandModeSampleContentGoesThroughTheHooks) {
    options_.pages = 2;
    options_.content = orla::runner::PageContent::Sample;
    const ULONG objectsBefore = PlatGdiObjectCount();
    RunResult r = Run();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(PlatGdiObjectCount(), objectsBefore) << "every engine object of the play is released";
    EXPECT_FALSE(r.banding);
    EXPECT_EQ(r.bands, 0);
    ASSERT_EQ(r.drawn.size(), 2u);
    for (const auto& page : r.drawn) {
        EXPECT_TRUE(page.bands.empty());
        const int h = page.textBlock.bottom - page.textBlock.top;
        ASSERT_GT(h, 0);
        EXPECT_EQ(page.textBits.size(), static_cast<size_t>(page.textStride) * static_cast<size_t>(h));
        EXPECT_EQ(page.text, !orla::runner::SampleFontPath().empty());
    }
    DecodeResult d = Decode(r);
    ASSERT_TRUE(d.ok) << FormatListing(d);
    EXPECT_EQ(PageEndCount(d), 2u) << "drawn pages are not dropped as blank";
    size_t images = 0, rects = 0;
    for (const Command* c : CommandsOf(d, CommandKind::Binary)) {
        images += c->code == 0xF2 || c->code == 0xF4;
        rects += c->code == 0xDB || c->code == 0xDD;
    }
    EXPECT_EQ(images, 2u) << "one text bitmap a page";
    EXPECT_GE(rects, 16u) << "frame, header and blocks on each page";
}

// A print position far beyond the paper (1.2 m down, as the settings record can hold) shifts
// the page only as far as the printer's 16-bit page coordinates reach: the job prints.
TEST_F(PrintRunner, APrintPositionBeyondThePaperStillPrints) {
    for (uint32_t tenths : {12000u, 2147483647u}) {
        options_.content = orla::runner::PageContent::Sample;
        orla::runner::SettingPatch top;
        top.offset = 500;  // the print position's top, 0.1 mm
        top.bytes = {static_cast<uint8_t>(tenths), static_cast<uint8_t>(tenths >> 8),
                     static_cast<uint8_t>(tenths >> 16), static_cast<uint8_t>(tenths >> 24)};
        options_.settingPatches = {top};
        RunResult r = Run();
        ASSERT_TRUE(r.ok) << tenths << ": " << r.error;
        DecodeResult d = Decode(r);
        ASSERT_TRUE(d.ok) << FormatListing(d);
        EXPECT_EQ(PageEndCount(d), 1u);
    }
}

// The text bitmap of command mode is the sample page's text block: the same bits the band-mode
// page carries there, and the whole of the text (the page without a font differs nowhere else)
// on a page of A4's printable width.
TEST(SampleContent, TextBitmapIsThePagesTextBlock) {
    const std::string font = orla::runner::SampleFontPath();
    if (font.empty()) GTEST_SKIP() << "no font for the sample text";
    const orla::runner::PageCanvas page = orla::runner::DrawSamplePage(2, 1560, 2200, 200, font);
    const orla::runner::PageCanvas bare = orla::runner::DrawSamplePage(2, 1560, 2200, 200, "");
    const orla::runner::PageCanvas text = orla::runner::DrawSampleText(2, 1560, 2200, 200, font);
    const orla::runner::SampleRect block = orla::runner::LayOutSamplePage(2, 1560, 2200, 200).textBlock;
    ASSERT_TRUE(text.text);
    ASSERT_EQ(text.width, block.right - block.left);
    ASSERT_EQ(text.height, block.bottom - block.top);
    auto blackAt = [](const orla::runner::PageCanvas& c, int x, int y) {
        return !(c.bits[static_cast<size_t>(y) * static_cast<size_t>(c.stride) + static_cast<size_t>(x / 8)] &
                 (0x80 >> (x % 8)));
    };
    size_t textBlack = 0;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x) {
            const bool inside = x >= block.left && x < block.right && y >= block.top && y < block.bottom;
            const bool want = inside ? blackAt(text, x - block.left, y - block.top) : blackAt(bare, x, y);
            textBlack += inside && want;
            if (blackAt(page, x, y) != want) {
                ADD_FAILURE() << "pixel (" << x << "," << y << ")" << (inside ? " in the text block" : " outside it");
                return;
            }
        }
    EXPECT_GT(textBlack, 1000u);
    EXPECT_TRUE(orla::runner::DrawSampleText(1, 0, 100, 600, font).bits.empty());
    EXPECT_FALSE(orla::runner::DrawSampleText(1, 1203, 1701, 200, "").text);
}

// However the page is cut into bands, and wherever a band starts, the bands together carry
// exactly the page canvas.
TEST(SampleContent, BandsTogetherAreThePage) {
    const std::string font = orla::runner::SampleFontPath();
    const orla::runner::PageCanvas page = orla::runner::DrawSamplePage(3, 1203, 1701, 200, font);
    ASSERT_EQ(page.stride, 151);
    EXPECT_EQ(page.text, !font.empty());
    struct Cut {
        const char* what;
        int bandWidth, bandHeight;
        long originX;
    };
    const Cut cuts[] = {
        {"whole page", 1216, 1701, 0}, {"bands of 97 rows", 1216, 97, 0}, {"bands from x 13", 1216, 250, 13}};
    for (const Cut& c : cuts) {
        SCOPED_TRACE(c.what);
        const int stride = (c.bandWidth + 31) / 32 * 4;
        for (long top = 0; top < page.height; top += c.bandHeight) {
            std::vector<uint8_t> band(static_cast<size_t>(stride) * static_cast<size_t>(c.bandHeight), 0xFF);
            orla::runner::PaintBand(page, c.originX, top, band.data(), stride, c.bandWidth, c.bandHeight);
            for (int y = 0; y < c.bandHeight && top + y < page.height; ++y)
                for (int x = 0; x < c.bandWidth; ++x) {
                    const long px = c.originX + x, py = top + y;
                    const bool pageBlack =
                        px < page.width &&
                        !(page.bits[static_cast<size_t>(py) * 151 + static_cast<size_t>(px / 8)] & (0x80 >> (px % 8)));
                    const bool bandBlack =
                        !(band[static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x / 8)] &
                          (0x80 >> (x % 8)));
                    if (pageBlack != bandBlack) {
                        ADD_FAILURE() << "pixel (" << px << "," << py << ")";
                        return;
                    }
                }
        }
    }
    // Without a font, or with a file that is no font, the page is drawn without its text lines.
    for (const std::string& noFont :
         {std::string(), std::string("/nonexistent/font.ttf"), std::string("/etc/hostname")}) {
        const orla::runner::PageCanvas bare = orla::runner::DrawSamplePage(3, 1203, 1701, 200, noFont);
        EXPECT_FALSE(bare.text) << noFont;
        ASSERT_EQ(bare.bits.size(), page.bits.size());
        if (page.text) {
            EXPECT_NE(bare.bits, page.bits) << "the text lines left no mark";
        }
    }
    // A band with no bits, or a page of no size, draws nothing and does not crash.
    orla::runner::PaintBand(page, 0, 0, nullptr, 4, 32, 1);
    EXPECT_TRUE(orla::runner::DrawSamplePage(1, 0, 100, 600, font).bits.empty());
    EXPECT_TRUE(orla::runner::DrawSamplePage(1, 100000, 100000, 600, font).bits.empty());
}

TEST_F(PrintRunner, EnglishBuild) {
    options_.japanese = false;
    options_.modelFile = englishModel_;
    options_.printerName = u"ORLA English Printer";
    RunResult r = Run();
    ASSERT_TRUE(r.ok) << r.error;
    DecodeResult d = Decode(r);
    ASSERT_TRUE(d.ok) << FormatListing(d);
    EXPECT_EQ(PjlValue(d, "SET COPIES"), "1");
}

TEST_F(PrintRunner, SpoolerFailureEndsTheJobCleanly) {
    ULONG engineObjects = PlatGdiObjectCount();
    PlatInjectFailure("WritePrinter", 1, ERROR_DISK_FULL);
    RunResult r = Run();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("failed"), std::string::npos) << r.error;
    EXPECT_EQ(PlatGdiObjectCount(), engineObjects);
    // The next job on the same printer runs again.
    PlatClearInjections();
    RunResult again = Run();
    EXPECT_TRUE(again.ok) << again.error;
}

// A form the spooler does not know would be dropped by the driver for its default paper: the
// runner refuses it instead of printing on another paper than was asked.
TEST_F(PrintRunner, UnknownFormNamesAreRefused) {
    struct Case {
        const char16_t* paper;
        std::vector<orla::runner::PageSettings> pages;
        const char* error;
    } cases[] = {
        {u"B5", {}, "no form named \"B5\" (did you mean \"B5 (JIS)\"?)"},
        {u"A4", {{u"A4", 1}, {u"Nonsense", 1}}, "no form named \"Nonsense\""},
    };
    for (const Case& c : cases) {
        options_.paper = c.paper;
        options_.perPage = c.pages;
        options_.pages = c.pages.empty() ? 1 : static_cast<int>(c.pages.size());
        RunResult r = Run();
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
        EXPECT_EQ(r.endDocResult, -1) << "nothing of the job may run";
    }
}

// Settings patches reach the driver's record (here the pages-per-sheet word), only the bits of a
// mask are written, and a patch outside the record is an error, not a write past its end.
TEST_F(PrintRunner, SettingPatches) {
    options_.settingPatches.clear();
    for (const char* text : {"LayoutMode=2", "Flags1=0xFFFFFFFF/0x10000000"}) {  // 2-up, print blank pages
        orla::runner::SettingPatch patch;
        std::string error;
        ASSERT_TRUE(orla::runner::NamedSettingPatch(options_.binDir, true, text, patch, error)) << error;
        options_.settingPatches.push_back(patch);
    }
    options_.pages = 2;
    RunResult r = Run();
    ASSERT_TRUE(r.ok) << r.error;
    DecodeResult d = Decode(r);
    ASSERT_TRUE(d.ok) << FormatListing(d);
    auto lines = PjlLines(d);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "@PJL SET JOBATTR=\"@NLPP=N2\""), lines.end());
    EXPECT_EQ(PageEndCount(d), 1u) << "two blank pages printed on one sheet";

    options_.settingPatches = {{100000, {0x01}, {}}};
    RunResult outside = Run();
    EXPECT_FALSE(outside.ok);
    EXPECT_NE(outside.error.find("outside"), std::string::npos) << outside.error;
}

// --set names a field as dm:: does; the build's layout places it and the field's kind decides how
// the value becomes bytes. Bare offsets, unknown names and values the field cannot hold are refused.
TEST_F(PrintRunner, NamedSettingsFollowTheBuildsLayout) {
    struct Case {
        const char* text;
        bool japanese;
        unsigned offset;
        std::vector<uint8_t> bytes, mask;
    } cases[] = {
        {"PrintPosTop=20", true, 500, {20, 0, 0, 0}, {}},
        {"Copies=4", false, 86, {4, 0}, {}},
        {"Flags1=0x2000/0x2000", true, 396, {0x00, 0x20, 0, 0}, {0x00, 0x20, 0, 0}},
        {"Orientation=-1", true, 76, {0xFF, 0xFF}, {}},
        {"SheetSetting=1", true, 6148, {1, 0, 0, 0}, {}},
        {"SheetSetting=1", false, 6148 - 4104, {1, 0, 0, 0}, {}},
        {"HoldPin=12",
         true,
         7670,
         {'1', 0, '2', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {}},
        {"OverlayName=FORM1", false, 350, {'F', 'O', 'R', 'M', '1', 0, 0, 0, 0}, {}},
    };
    for (const Case& c : cases) {
        orla::runner::SettingPatch patch;
        std::string error;
        ASSERT_TRUE(orla::runner::NamedSettingPatch(options_.binDir, c.japanese, c.text, patch, error))
            << c.text << ": " << error;
        EXPECT_EQ(patch.offset, c.offset) << c.text;
        EXPECT_EQ(patch.bytes, c.bytes) << c.text;
        EXPECT_EQ(patch.mask, c.mask) << c.text;
    }
    struct Refusal {
        const char* text;
        bool japanese;
        const char* error;
    } refusals[] = {
        {"397=20/20", true, "no settings field is named \"397\""},
        {"PrintPositionY=20", true, "no settings field is named"},
        {"TrustMarkResult=1", false, "no settings field is named"},  // the English record has no such block
        {"Zoom=70000", true, "takes a number of 2 bytes"},
        {"Zoom=12abc", true, "takes a number of 2 bytes"},
        {"HoldPin=1234567890123", true, "holds at most 12 characters"},
        {"Zoom", true, "takes NAME=VALUE"},
    };
    for (const Refusal& r : refusals) {
        orla::runner::SettingPatch patch;
        std::string error;
        EXPECT_FALSE(orla::runner::NamedSettingPatch(options_.binDir, r.japanese, r.text, patch, error)) << r.text;
        EXPECT_NE(error.find(r.error), std::string::npos) << r.text << ": " << error;
    }
}

TEST_F(PrintRunner, MissingDriverAndBadOptionsAreReported) {
    options_.pages = 0;
    RunResult bad = Run();
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.error.find("pages"), std::string::npos);
    options_.pages = 1;
    options_.binDir = root_;  // an empty folder: no graphics DLL to install
    RunResult none = Run();
    EXPECT_FALSE(none.ok);
    EXPECT_NE(none.error.find("Quessa.dll"), std::string::npos) << none.error;
}

// Values the settings record cannot hold are refused, not narrowed to another number.
TEST_F(PrintRunner, CopiesAndResolutionBeyondTheRecordAreRefused) {
    struct Case {
        int copies, dpi;
    };
    for (Case c : {Case{100000, 600}, Case{1, 100000}, Case{32768, 600}}) {
        options_.copies = c.copies;
        options_.dpi = c.dpi;
        RunResult r = Run();
        EXPECT_FALSE(r.ok) << c.copies << " copies at " << c.dpi << " dpi";
        EXPECT_NE(r.error.find("at most 32767"), std::string::npos) << r.error;
        EXPECT_TRUE(r.job.empty());
    }
}

// A settings record (print_runner --devmode) whose values the job cannot run with is refused with
// the field and its value, not with the usage text or another option's complaint.
TEST(SettingsRecordValues, EachUnusableValueIsNamed) {
    auto record = [](auto change) {
        DEVMODEW d{};
        d.dmSize = sizeof(DEVMODEW);
        d.dmDriverExtra = 16;
        d.dmOrientation = DMORIENT_PORTRAIT;
        d.dmCopies = 1;
        d.dmDuplex = DMDUP_SIMPLEX;
        d.dmPrintQuality = 600;
        const std::u16string form = u"A4";
        std::copy(form.begin(), form.end(), d.dmFormName);
        change(d);
        std::vector<uint8_t> bytes(sizeof(DEVMODEW) + 16, 0);
        std::memcpy(bytes.data(), &d, sizeof d);
        return bytes;
    };
    struct Case {
        std::vector<uint8_t> record;
        const char* message;
    };
    const Case cases[] = {
        {record([](DEVMODEW& d) { d.dmOrientation = 0x7fff; }),
         "the record's dmOrientation is 32767; it must be 1 (portrait) or 2 (landscape)"},
        {record([](DEVMODEW& d) { d.dmDuplex = static_cast<SHORT>(0x8000); }),
         "the record's dmDuplex is -32768; it must be 1 (simplex), 2 (long edge) or 3 (short edge)"},
        {record([](DEVMODEW& d) { d.dmCopies = -1; }), "the record's dmCopies is -1; it must be 0 or more"},
        {record([](DEVMODEW& d) { d.dmPrintQuality = 0; }),
         "the record's dmPrintQuality is 0; it must be a resolution in dots per inch"},
    };
    for (const Case& c : cases) {
        RunOptions o;
        std::string error;
        EXPECT_FALSE(orla::runner::TakeSettingsRecord(c.record, o, error)) << c.message;
        EXPECT_EQ(error, c.message);
        EXPECT_TRUE(o.devmode.empty());
    }
    RunOptions o;
    std::string error;
    EXPECT_TRUE(orla::runner::TakeSettingsRecord(record([](DEVMODEW& d) { d.dmCopies = 0; }), o, error)) << error;
}

// A record whose private part is cut before the layout and band-mode settings says so, rather than
// blaming the settings helper.
TEST_F(PrintRunner, ARecordCutBeforeTheBandModeSettingsSaysSo) {
    for (uint16_t extra : {1, 16, 180}) {
        DEVMODEW d{};
        d.dmSize = sizeof(DEVMODEW);
        d.dmDriverExtra = extra;
        d.dmOrientation = DMORIENT_PORTRAIT;
        d.dmCopies = 1;
        d.dmDuplex = DMDUP_SIMPLEX;
        d.dmPrintQuality = 600;
        d.dmFormName[0] = u'A';
        d.dmFormName[1] = u'4';
        std::vector<uint8_t> bytes(sizeof(DEVMODEW) + extra, 0);
        std::memcpy(bytes.data(), &d, sizeof d);
        std::string error;
        ASSERT_TRUE(orla::runner::TakeSettingsRecord(bytes, options_, error)) << error;
        options_.rasterMode = true;
        RunResult r = Run();
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "the settings record's private part of " + std::to_string(extra) +
                               " bytes ends before the layout and band-mode settings (DEVMODE offsets 397 and 492)");
    }
}

TEST_F(PrintRunner, BadOptionsNameTheirValue) {
    struct Case {
        int pages, copies, dpi;
        const char* message;
    } const cases[] = {
        {0, 1, 600, "bad options: pages must be 1 or more, not 0"},
        {1, -1, 600, "bad options: copies must be 0 or more, not -1"},
        {1, 1, 0, "bad options: dpi must be positive, not 0"},
    };
    for (const Case& c : cases) {
        options_.pages = c.pages;
        options_.copies = c.copies;
        options_.dpi = c.dpi;
        EXPECT_EQ(Run().error, c.message);
    }
}

// An endless device description (a character device) is cut off at the size cap and reported,
// rather than read until memory runs out.
TEST_F(PrintRunner, EndlessModelFileFailsCleanly) {
    if (access("/dev/zero", R_OK) != 0) GTEST_SKIP() << "no /dev/zero";
    options_.modelFile = "/dev/zero";
    RunResult r = Run();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("device description"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("last error 223"), std::string::npos) << r.error;  // ERROR_FILE_TOO_LARGE
}

}  // namespace
