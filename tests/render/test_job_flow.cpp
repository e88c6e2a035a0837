// The job, page and band flow through the hooks, against the spooler of the platform layer:
// the lazy start, page ends, the banding loop, the trailer, DrvResetPDEV, driver-made copies
// and what happens when the spooler fails.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/driver_devmode.h"
#include "render/escapes.h"
#include "render_fixture.h"

namespace render_test {
namespace {

namespace dm = orla::dm;

const std::string kUel = "\x1b%-12345X";
const std::string kEnterOrla = "@PJL ENTER LANGUAGE=ORLA";
const std::string kPageEnd = "\r\x0c";
const std::string kEoj = "@PJL EOJ";

class JobFlow : public PdevJobTest {
protected:
    PrinterPdev* pdev() { return e_.pdev(); }
    SURFOBJ* so() { return e_.so(); }
    orla::DriverDevmode& settings() { return pdev()->settings.record; }

    // A drawing hook would do this: the current sheet is no longer blank.
    void Draw() { pdev()->pageSetup.blankSheet = 0; }

    // One page through the hooks, drawn on or left blank.
    void Page(bool drawn) {
        ASSERT_TRUE(DrvStartPage(so()));
        if (drawn) {
            ASSERT_TRUE(FlushPendingStart(pdev()));
            Draw();
        }
        ASSERT_TRUE(DrvSendPage(so()));
    }

    void UseDriverCopies(SHORT copies) {
        orla::Set(settings(), dm::Copies, copies);
        orla::Set(settings(), dm::Flags1, orla::Get(settings(), dm::Flags1) | 0x4u);
        orla::Set(settings(), dm::DeviceState(dm::DevicePairIndex(696)), WORD{0});
    }
};

TEST_F(JobFlow, NothingIsWrittenBeforeTheFirstOutputOfTheJob) {
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    EXPECT_EQ(pdev()->pending, kPendingJobHeader);
    ASSERT_TRUE(DrvStartPage(so()));
    if (orla::kJapaneseBuild) {
        EXPECT_EQ(pdev()->output.count, 0u);
    }
    EXPECT_EQ(SpooledBytes(), "");
    EXPECT_NE(pdev()->pending & kPageOpen, 0u);
    if (orla::kJapaneseBuild) {
        EXPECT_EQ(pdev()->pending & (kPendingJobHeader | kPendingPageStart), kPendingJobHeader | kPendingPageStart)
            << "the page start writes nothing";
    } else {
        EXPECT_EQ(pdev()->pending & (kPendingJobHeader | kPendingPageStart), 0u) << "this build starts the page itself";
        EXPECT_NE(pdev()->output.count, 0u) << "into the buffer";
    }
}

TEST_F(JobFlow, ABlankOnlyPageGetsHeaderAndSetUpButNoPageEnd) {
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    Page(false);
    EXPECT_EQ(pdev()->pending & (kPendingJobHeader | kPendingPageStart | kPageOpen), 0u);
    EXPECT_NE(pdev()->pending & kJobStarted, 0u);
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    std::string job = EndSpoolJob();
    EXPECT_EQ(job.rfind(kUel, 0), 0u) << "the job starts with the UEL";
    EXPECT_EQ(Count(job, kEnterOrla), 1u);
    EXPECT_EQ(Count(job, kPageEnd), 0u) << "a blank sheet is dropped";
    EXPECT_EQ(Count(job, kEoj), 2u);
    EXPECT_LT(job.find(kEnterOrla), job.find(kEoj));
    EXPECT_EQ(pdev()->pending, kPendingJobHeader) << "ready for the next job";
}

TEST_F(JobFlow, PrintBlankPagesKeepsEveryPage) {
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    pdev()->pageSetup.blankSheetReset = 0;
    pdev()->pageSetup.blankSheet = 0;
    for (int i = 0; i < 3; ++i) Page(false);
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    std::string job = EndSpoolJob();
    EXPECT_EQ(Count(job, kPageEnd), 3u);
    EXPECT_EQ(Count(job, kEnterOrla), 1u) << "the job header is written once";
}

TEST_F(JobFlow, DrawnPagesEndTheirSheetsAndTheTrailerFollows) {
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    for (int i = 0; i < 3; ++i) Page(true);
    EXPECT_EQ(pdev()->pageSetup.pageEnds, 3u);
    EXPECT_EQ(pdev()->pageSetup.printedPages, 3u);
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    std::string job = EndSpoolJob();
    EXPECT_EQ(Count(job, kPageEnd), 3u);
    EXPECT_LT(job.rfind(kPageEnd), job.find(kEoj));
    EXPECT_EQ(pdev()->pageSetup.pageEnds, 0u) << "counters start again for the next job";
}

TEST_F(JobFlow, FourUpPutsFivePagesOnTwoSheets) {
    orla::Set(settings(), dm::LayoutMode, WORD{4});
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    for (int i = 1; i <= 5; ++i) {
        Page(true);
        EXPECT_EQ(pdev()->pageSetup.pageEnds, i >= 4 ? 1u : 0u) << "after page " << i;
        EXPECT_EQ(pdev()->pageSetup.cellCounter, static_cast<DWORD>(i == 4 ? 0 : i % 4)) << "after page " << i;
    }
    std::string beforeEnd = SpooledBytes();
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    std::string job = EndSpoolJob();
    EXPECT_EQ(Count(job, kPageEnd), 2u) << "the fourth page ends the first sheet, the trailer the second";
    EXPECT_LT(job.rfind(kPageEnd), job.find(kEoj));
}

TEST_F(JobFlow, ABlankPageTakesNoCellOfTheSheet) {
    orla::Set(settings(), dm::LayoutMode, WORD{2});
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    Page(true);
    EXPECT_EQ(pdev()->pageSetup.cellCounter, 1u);
    Page(false);
    EXPECT_EQ(pdev()->pageSetup.cellCounter, 1u);
    EXPECT_EQ(pdev()->pageSetup.printedPages, 1u);
    ASSERT_TRUE(DrvEndDoc(so(), 0));
}

TEST_F(JobFlow, UnknownLayoutModesActAsOnePagePerSheet) {
    for (WORD mode : {WORD{0}, WORD{3}, WORD{77}}) {
        orla::Set(settings(), dm::LayoutMode, mode);
        ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
        Page(true);
        EXPECT_EQ(pdev()->pageSetup.pageEnds, 1u) << "layout mode " << mode;
        ASSERT_TRUE(DrvEndDoc(so(), 0));
    }
}

TEST_F(JobFlow, TheBandingLoopStartsTheJobAndEndsThePage) {
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    ASSERT_TRUE(DrvStartPage(so()));
    BYTE bits[64];
    std::fill(std::begin(bits), std::end(bits), BYTE{0});
    e_.surface.pvBits = bits;
    e_.surface.cjBits = sizeof bits;
    POINTL origin{55, 66};
    ASSERT_TRUE(DrvStartBanding(so(), &origin));
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_EQ(bits[0], 0xFF);
    EXPECT_EQ(bits[63], 0xFF) << "the band starts white";
    Draw();
    ASSERT_TRUE(DrvNextBand(so(), &origin));
    EXPECT_EQ(origin.x, -1) << "one band covers the page";
    EXPECT_EQ(pdev()->pending & kPageOpen, 0u);
    EXPECT_EQ(pdev()->pageSetup.pageEnds, 1u);
    ASSERT_TRUE(DrvSendPage(so())) << "GDI may still send the page: it is not ended twice";
    EXPECT_EQ(pdev()->pageSetup.pageEnds, 1u);
    e_.surface.pvBits = nullptr;
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    std::string job = EndSpoolJob();
    EXPECT_EQ(Count(job, kEnterOrla), 1u);
    EXPECT_EQ(Count(job, kPageEnd), 1u);
}

TEST_F(JobFlow, TheDocumentNameIsKeptWithinSixtyFourAnsiBytes) {
    struct Case {
        std::u16string name;
        size_t keptChars;
    } cases[] = {
        {u"report.txt", 10},
        {std::u16string(64, u'a'), 64},
        {std::u16string(70, u'a'), 64},
        {std::u16string(40, u'\u3042'), 32},               // two bytes each
        {std::u16string(63, u'a') + u"\u3042", 63},        // the last one would make 65 bytes
        {std::u16string(62, u'a') + u"\u3042\u3042", 63},  // exactly 64 with the first
        {u"", 0},
    };
    for (const Case& c : cases) {
        KeepDocumentName(pdev(), c.name.c_str());
        EXPECT_EQ(std::u16string(pdev()->job.documentName).size(), c.keptChars);
        EXPECT_EQ(std::u16string(pdev()->job.documentName), c.name.substr(0, c.keptChars));
    }
    KeepDocumentName(pdev(), nullptr);
    EXPECT_EQ(pdev()->job.documentName[0], 0);
}

TEST_F(JobFlow, SheetTrayRangesFollowDuplexBindingAndDoubledPapers) {
    struct Case {
        SHORT duplex;
        BYTE byte397;
        SHORT paper;
        LONG first, second;
    } cases[] = {
        {DMDUP_SIMPLEX, 0, PaperA4, 1, 2},        {DMDUP_VERTICAL, 0, PaperA4, 2, 4},
        {DMDUP_HORIZONTAL, 1, PaperA4, 1, 3},     {DMDUP_SIMPLEX, 1, PaperA4, 1, 2},
        {DMDUP_SIMPLEX, 0, PaperA4x2ToA4, 2, 4},  {DMDUP_VERTICAL, 0, PaperB5x2ToB5, 4, 8},
        {DMDUP_VERTICAL, 1, PaperA4x2ToA4, 2, 6},
    };
    for (const Case& c : cases) {
        orla::Set(settings(), dm::Duplex, c.duplex);
        orla::Set(settings(), orla::DmField<BYTE>{397}, c.byte397);
        pdev()->geometry.logicalPaper.code = c.paper;
        pdev()->pageSetup.pageEnds = 4;
        LONG page = 0, first = 0, second = 0;
        SheetTrayRange(pdev(), &page, &first, &second);
        EXPECT_EQ(page, 5);
        EXPECT_EQ(first, c.first) << "duplex " << c.duplex << " binding " << int(c.byte397) << " paper " << c.paper;
        EXPECT_EQ(second, c.second);
    }
}

TEST_F(JobFlow, SheetTraysFeedTheFirstSheetsThenTheDocumentTray) {
    struct Case {
        SHORT duplex;
        std::vector<SHORT> trays;  // the tray of pages 1, 2, 3, ...
    } cases[] = {
        {DMDUP_SIMPLEX, {21, 22, 7, 7}},
        {DMDUP_VERTICAL, {21, 21, 22, 22, 7}},
    };
    for (const Case& c : cases) {
        orla::Set(settings(), dm::Duplex, c.duplex);
        orla::Set(settings(), dm::DefaultSource, SHORT{7});
        SheetSettings& sheet = pdev()->settings.sheet;
        sheet.sheetTraysOn = 1;
        sheet.firstTrayOwn = sheet.secondTrayOwn = 1;
        sheet.firstSheetTray = 21;
        sheet.secondSheetTray = 22;
        ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
        for (size_t page = 0; page < c.trays.size(); ++page) {
            ASSERT_TRUE(DrvStartPage(so()));
            ASSERT_TRUE(FlushPendingStart(pdev()));
            EXPECT_EQ(orla::Get(settings(), dm::DefaultSource), c.trays[page])
                << "duplex " << c.duplex << " page " << page + 1;
            Draw();
            ASSERT_TRUE(DrvSendPage(so()));
        }
        ASSERT_TRUE(DrvEndDoc(so(), 0));
        sheet.sheetTraysOn = 0;
    }
}

TEST_F(JobFlow, AFrontCoverGoesOutAfterTheJobHeaderBeforeThePage) {
    if (!orla::kJapaneseBuild) GTEST_SKIP() << "this build starts the page at DrvStartPage";
    pdev()->settings.sheet.frontCoverOn = 1;
    pdev()->settings.sheet.frontCoverTray = 1;
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    Page(true);
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    std::string job = EndSpoolJob();
    size_t cover = job.find("\x1c'S.");
    ASSERT_NE(cover, std::string::npos);
    EXPECT_LT(job.find(kEnterOrla), cover);
    EXPECT_EQ(Count(job, kPageEnd), 2u) << "the cover sheet and the page";
}

TEST_F(JobFlow, RasterModePageStartErasesTheBandToWhite) {
    pdev()->state |= kStateRasterMode;
    HSURF surface = DrvEnableSurface(e_.dhpdev);
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(pdev()->surfaceIsBand);
    SURFOBJ* band = EngLockSurface(surface);
    ASSERT_NE(band, nullptr);
    ASSERT_EQ(band->dhpdev, e_.dhpdev) << "the engine's surface names the PDEV";
    std::memset(band->pvBits, 0x00, band->cjBits);
    ASSERT_TRUE(DrvStartDoc(band, const_cast<LPWSTR>(u"doc"), 7));
    ASSERT_TRUE(DrvStartPage(band));
    // Every pixel of every row is white (the padding after a row's last pixel is not a pixel).
    const BYTE* scan0 = static_cast<const BYTE*>(band->pvScan0);
    LONG wholeBytes = band->sizlBitmap.cx / 8;
    LONG blackRows = 0;
    for (LONG y = 0; y < band->sizlBitmap.cy; ++y) {
        const BYTE* row = scan0 + static_cast<ptrdiff_t>(y) * band->lDelta;
        if (std::count(row, row + wholeBytes, BYTE{0xFF}) != wholeBytes) ++blackRows;
    }
    EXPECT_EQ(blackRows, 0);
    POINTL origin{};
    ASSERT_TRUE(DrvStartBanding(band, &origin));
    ASSERT_TRUE(DrvNextBand(band, &origin));
    EXPECT_EQ(origin.x, -1);
    ASSERT_TRUE(DrvEndDoc(band, 0));
    EngUnlockSurface(band);
    DrvDisableSurface(e_.dhpdev);
}

// ---- Failures ----

TEST_F(JobFlow, AFailedWriteLatchesTheJobAndDrvEndDocReportsIt) {
    UseDriverCopies(3);
    auto before = TempFolderFiles();
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    ASSERT_NE(pdev()->store.handle, nullptr);
    PlatInjectFailure("WritePrinter", 1, ERROR_DISK_FULL);
    ASSERT_TRUE(DrvStartPage(so()));
    // The first page end flushes and meets the failure.
    ASSERT_TRUE(FlushPendingStart(pdev()));
    Draw();
    EXPECT_FALSE(DrvSendPage(so()));
    EXPECT_NE(pdev()->state & kStateOutputFailed, 0u);
    EXPECT_FALSE(DrvStartPage(so())) << "every later hook fails";
    EXPECT_FALSE(DrvSendPage(so()));
    EXPECT_FALSE(DrvEndDoc(so(), 0)) << "never a success after a lost write";
    EXPECT_EQ(EndSpoolJob(), "");
    EXPECT_EQ(TempFolderFiles(), before) << "no store file is left behind";
    EXPECT_EQ(pdev()->store.handle, nullptr);
}

TEST_F(JobFlow, AShortWriteIsReportedNotLost) {
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    Page(true);  // the page end flushed the header
    std::string sent = SpooledBytes();
    ASSERT_FALSE(sent.empty());
    ASSERT_TRUE(DrvStartPage(so()));
    ASSERT_TRUE(FlushPendingStart(pdev()));
    Draw();
    PlatInjectShortWrite("WritePrinter", 1, 1);
    EXPECT_FALSE(DrvSendPage(so()));
    EXPECT_FALSE(DrvEndDoc(so(), 0));
}

TEST_F(JobFlow, TheNextJobOnTheSameRecordStartsClean) {
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"first"), 1));
    Page(true);
    PlatInjectFailure("WritePrinter", 1, ERROR_DISK_FULL);
    EXPECT_FALSE(DrvEndDoc(so(), 0));
    EndSpoolJob();

    StartSpoolJob();
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"second"), 2)) << "the latch of the failed job is cleared";
    EXPECT_EQ(pdev()->state & kStateOutputFailed, 0u);
    Page(true);
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    std::string job = EndSpoolJob();
    EXPECT_EQ(job.rfind(kUel, 0), 0u);
    EXPECT_EQ(Count(job, kEnterOrla), 1u);
    EXPECT_EQ(Count(job, kPageEnd), 1u);
    EXPECT_EQ(Count(job, kEoj), 2u);
}

TEST_F(JobFlow, ACreateFailureOfTheStoreFileFailsTheStart) {
    UseDriverCopies(2);
    auto before = TempFolderFiles();
    PlatInjectFailure("CreateFileW", 1, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    EXPECT_EQ(TempFolderFiles(), before);
}

TEST_F(JobFlow, SeveralOutputsWithoutTheirLibraryFailTheJobAndLeaveNoFiles) {
    if (!orla::kJapaneseBuild) GTEST_SKIP() << "only the Japanese build has several outputs";
    auto before = TempFolderFiles();
    pdev()->jobSpool.outputCount = 3;
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    EXPECT_EQ(TempFolderFiles().size(), before.size() + 2) << "job spool and job header files";
    Page(true);
    EXPECT_EQ(SpooledBytes(), "") << "the job collects in the job spool file";
    EXPECT_GT(pdev()->jobSpool.spoolByteCount, 0u);
    EXPECT_FALSE(DrvEndDoc(so(), 0)) << "the marked outputs cannot be made: no silent unmarked print";
    EXPECT_EQ(EndSpoolJob(), "");
    EXPECT_EQ(TempFolderFiles(), before);
    EXPECT_EQ(pdev()->jobSpool.spoolName[0], u'0');
}

// ---- Driver-made copies ----

TEST_F(JobFlow, ThreeDriverCopiesReachTheSpoolerThreeTimes) {
    UseDriverCopies(3);
    auto before = TempFolderFiles();
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    Page(true);
    Page(true);
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    std::string job = EndSpoolJob();
    ASSERT_EQ(job.size() % 3, 0u);
    std::string one = job.substr(0, job.size() / 3);
    EXPECT_EQ(job, one + one + one);
    EXPECT_EQ(one.rfind(kUel, 0), 0u);
    EXPECT_EQ(Count(one, kPageEnd), 2u);
    EXPECT_EQ(Count(one, kEoj), 2u);
    EXPECT_EQ(TempFolderFiles(), before) << "the store file is deleted at the job end";
}

TEST_F(JobFlow, OneCopyUsesNoStoreFile) {
    UseDriverCopies(1);
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    EXPECT_EQ(pdev()->store.storeFlag, 0u);
    EXPECT_EQ(pdev()->store.handle, nullptr);
    Page(true);
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    EXPECT_EQ(Count(EndSpoolJob(), kEnterOrla), 1u);
}

// ---- DrvResetPDEV ----

TEST_F(JobFlow, ResetInTheMiddleOfAJobCarriesItsStateToTheNewRecord) {
    UseDriverCopies(2);
    auto before = TempFolderFiles();
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"carried"), 7));
    Page(true);
    ASSERT_TRUE(WriteCommand(pdev(), "BUFFERED"));  // still in the old record's buffer

    EnabledPdev next = EnablePdev(printer_);
    ASSERT_NE(next.dhpdev, nullptr);
    ASSERT_TRUE(DrvResetPDEV(e_.dhpdev, next.dhpdev));
    EXPECT_EQ(next.pdev()->pending, pdev()->pending);
    EXPECT_EQ(next.pdev()->pageSetup.pageEnds, 1u);
    EXPECT_EQ(std::u16string(next.pdev()->job.documentName), u"carried");
    EXPECT_NE(next.pdev()->store.handle, nullptr) << "the store file belongs to the job";
    EXPECT_EQ(pdev()->store.handle, nullptr);
    e_ = std::move(next);  // the old record is disabled first
    EXPECT_EQ(TempFolderFiles().size(), before.size() + 1) << "disabling the old record kept the job's store file";

    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"carried"), 7));
    Page(true);
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    std::string job = EndSpoolJob();
    ASSERT_EQ(job.size() % 2, 0u) << ::testing::PrintToString(job);
    std::string one = job.substr(0, job.size() / 2);
    EXPECT_EQ(job, one + one) << "both pages are in each copy";
    EXPECT_EQ(Count(one, kEnterOrla), 1u) << "the job header is not written again";
    EXPECT_EQ(Count(one, "BUFFERED"), 1u) << "the old record's buffer was not lost";
    EXPECT_EQ(Count(one, kPageEnd), 2u);
    EXPECT_EQ(TempFolderFiles(), before);
}

TEST_F(JobFlow, ResetCarriesAFailureSoTheJobCannotEndAsASuccess) {
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    Page(true);
    ASSERT_TRUE(WriteCommand(pdev(), "PENDING"));
    EnabledPdev next = EnablePdev(printer_);
    ASSERT_NE(next.dhpdev, nullptr);
    PlatInjectFailure("WritePrinter", 1, ERROR_DISK_FULL);
    EXPECT_FALSE(DrvResetPDEV(e_.dhpdev, next.dhpdev));
    EXPECT_NE(next.pdev()->state & kStateOutputFailed, 0u);
    e_ = std::move(next);  // the old record is disabled first
    EXPECT_FALSE(DrvStartDoc(so(), nullptr, 7)) << "the document goes on with its failure";
    EXPECT_NE(pdev()->state & kStateOutputFailed, 0u);
    EXPECT_FALSE(DrvEndDoc(so(), 0));
}

TEST_F(JobFlow, ResetInTheMiddleOfASheetWithANewTrayEndsTheSheetFirst) {
    orla::Set(settings(), dm::LayoutMode, WORD{2});
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    Page(true);
    ASSERT_EQ(pdev()->pageSetup.cellCounter, 1u);

    EnabledPdev next = EnablePdev(printer_);
    ASSERT_NE(next.dhpdev, nullptr);
    orla::Set(next.pdev()->settings.record, dm::LayoutMode, WORD{2});
    SHORT tray = pdev()->pageSetup.last.tray;
    orla::Set(next.pdev()->settings.record, dm::DefaultSource, static_cast<SHORT>(tray == 1 ? 2 : 1));
    ASSERT_TRUE(DrvResetPDEV(e_.dhpdev, next.dhpdev));
    EXPECT_NE(next.pdev()->pending & kPendingExtraSheet, 0u);
    e_ = std::move(next);  // the old record is disabled first

    ASSERT_TRUE(DrvStartDoc(so(), nullptr, 7));
    ASSERT_TRUE(DrvStartPage(so()));
    ASSERT_TRUE(FlushPendingStart(pdev()));
    EXPECT_EQ(pdev()->pageSetup.pageEnds, 1u) << "the half-filled sheet ended before the page";
    EXPECT_EQ(pdev()->pageSetup.cellCounter, 0u);
    EXPECT_EQ(pdev()->pending & kPendingExtraSheet, 0u);
    Draw();
    ASSERT_TRUE(DrvSendPage(so()));
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    EXPECT_EQ(Count(EndSpoolJob(), kPageEnd), 2u);
}

// The first-sheet tray counts for the page about to start before the set-ups are compared: a
// reset that changes nothing keeps both pages on one sheet.
TEST_F(JobFlow, ResetWithSheetTraysKeepsATwoUpSheetWhenNothingChanged) {
    auto useSheetTrays = [](PrinterPdev* p, SHORT firstTray) {
        orla::Set(p->settings.record, dm::LayoutMode, WORD{2});
        p->settings.sheet.sheetTraysOn = 1;
        p->settings.sheet.firstTrayOwn = 1;
        p->settings.sheet.firstSheetTray = static_cast<DWORD>(firstTray);
    };
    const SHORT documentTray = orla::Get(settings(), dm::DefaultSource);
    const SHORT firstTray = documentTray == 258 ? 257 : 258;
    useSheetTrays(pdev(), firstTray);
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    Page(true);
    ASSERT_EQ(pdev()->pageSetup.cellCounter, 1u);
    ASSERT_EQ(orla::Get(settings(), dm::DefaultSource), firstTray) << "the first sheet comes from its own tray";

    EnabledPdev next = EnablePdev(printer_);
    ASSERT_NE(next.dhpdev, nullptr);
    useSheetTrays(next.pdev(), firstTray);
    ASSERT_TRUE(DrvResetPDEV(e_.dhpdev, next.dhpdev));
    EXPECT_EQ(next.pdev()->pending & kPendingExtraSheet, 0u);
    EXPECT_EQ(orla::Get(next.pdev()->settings.record, dm::DefaultSource), firstTray);
    e_ = std::move(next);  // the old record is disabled first

    ASSERT_TRUE(DrvStartDoc(so(), nullptr, 7));
    Page(true);
    EXPECT_EQ(pdev()->pageSetup.pageEnds, 1u) << "the second page filled the sheet";
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    EXPECT_EQ(Count(EndSpoolJob(), kPageEnd), 1u) << "two pages, one sheet";
}

// The information stamp escape 9999 chose stays with the job after its header went out.
TEST_F(JobFlow, ResetAfterTheJobStartedKeepsTheStampOfTheSettingsEscape) {
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    orla::DriverDevmode chosen = settings();
    orla::Set(chosen, dm::AnnotationOn, orla::Get(chosen, dm::AnnotationOn) | 1);
    orla::Set(chosen, dm::AnnotationKind, 8);
    orla::SetText(chosen, dm::AnnotationText, u"KEEP THIS");
    ASSERT_EQ(SetJobSettings(pdev(), orla::kDriverDevmodeSize, chosen.bytes), 1u);
    ASSERT_EQ(std::u16string(pdev()->settings.pageStamp.text), u"KEEP THIS");
    Page(true);
    ASSERT_EQ(pdev()->pending & kPendingJobHeader, 0u);

    EnabledPdev next = EnablePdev(printer_);
    ASSERT_NE(next.dhpdev, nullptr);
    ASSERT_NE(orla::GetText(next.pdev()->settings.record, dm::AnnotationText), u"KEEP THIS");
    ASSERT_TRUE(DrvResetPDEV(e_.dhpdev, next.dhpdev));
    const orla::DriverDevmode& carried = next.pdev()->settings.record;
    EXPECT_EQ(orla::Get(carried, dm::AnnotationOn), orla::Get(chosen, dm::AnnotationOn));
    EXPECT_EQ(orla::Get(carried, dm::AnnotationKind), 8);
    EXPECT_EQ(orla::GetText(carried, dm::AnnotationText), u"KEEP THIS");
    EXPECT_EQ(next.pdev()->settings.pageStamp.kind, 8u);
    EXPECT_EQ(std::u16string(next.pdev()->settings.pageStamp.text), u"KEEP THIS");
    e_ = std::move(next);
    ASSERT_TRUE(DrvStartDoc(so(), nullptr, 7));
    ASSERT_TRUE(DrvEndDoc(so(), 0));
}

// The glyphs the printer holds stay known to the new record, on its own allocation list: the old
// record and its list go away after the reset.
TEST_F(JobFlow, ResetCarriesTheGlyphDownloadCache) {
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    Page(true);
    struct Key {
        ULONG bucket;
        WORD character, glyph;
    };
    const Key keys[] = {{5, 0x41, 0}, {5, 0x42, 1}, {5, 0x43, 2}, {1998, 0x3042, 3}};
    DownloadCache& old = pdev()->downloadCache;
    for (const Key& k : keys) {
        auto* e = static_cast<DownloadFontEntry*>(PdevAlloc(pdev()->allocationList, sizeof(DownloadFontEntry)));
        ASSERT_NE(e, nullptr);
        e->characterCode = k.character;
        e->glyphCode = k.glyph;
        e->fontId = 0xF001;
        e->next = old.heads[k.bucket];
        old.heads[k.bucket] = e;
    }
    old.budget = 12345;
    old.fontId = 0xF002;
    old.nextGlyphCode = 4;
    pdev()->graphics.downloadCachePrepared = TRUE;

    EnabledPdev next = EnablePdev(printer_);
    ASSERT_NE(next.dhpdev, nullptr);
    const size_t blocksBefore = PdevAllocationCount(next.pdev()->allocationList);
    ASSERT_TRUE(DrvResetPDEV(e_.dhpdev, next.dhpdev));
    EXPECT_EQ(PdevAllocationCount(next.pdev()->allocationList), blocksBefore + std::size(keys));
    e_ = std::move(next);  // the old record and its list are gone

    const DownloadCache& now = pdev()->downloadCache;
    EXPECT_EQ(now.budget, 12345u);
    EXPECT_EQ(now.fontId, 0xF002);
    EXPECT_EQ(now.nextGlyphCode, 4);
    EXPECT_TRUE(pdev()->graphics.downloadCachePrepared) << "the next drawing must not drop the printer's glyphs";
    std::vector<WORD> bucket5;
    for (const DownloadFontEntry* e = now.heads[5]; e != nullptr; e = e->next) bucket5.push_back(e->characterCode);
    EXPECT_EQ(bucket5, (std::vector<WORD>{0x43, 0x42, 0x41})) << "each chain in its order";
    ASSERT_NE(now.heads[1998], nullptr);
    EXPECT_EQ(now.heads[1998]->glyphCode, 3);
    EXPECT_EQ(now.heads[1998]->next, nullptr);
    ASSERT_TRUE(DrvStartDoc(so(), nullptr, 7));
    ASSERT_TRUE(DrvEndDoc(so(), 0));
}

TEST_F(JobFlow, AnEscapeBeforeTheFirstPageWritesTheJobHeaderFirst) {
    ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"doc"), 7));
    ASSERT_TRUE(FlushPendingStartForEscape(pdev()));
    EXPECT_EQ(pdev()->pending & kPendingJobHeader, 0u);
    EXPECT_NE(pdev()->pending & kJobStarted, 0u);
    ASSERT_TRUE(FlushSpool(pdev()));
    std::string sent = SpooledBytes();
    EXPECT_EQ(sent.rfind(kUel, 0), 0u);
    EXPECT_EQ(Count(sent, kEnterOrla), 1u);
    Page(true);
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    EXPECT_EQ(Count(EndSpoolJob(), kEnterOrla), 1u);
}

}  // namespace
}  // namespace render_test
