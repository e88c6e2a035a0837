#include <array>
#include <cstring>
#include <vector>

#include "monitor/job_records.h"
#include "monitor/pjl_reply.h"
#include "monitor/printer_exchange.h"
#include "monitor/printer_options.h"
#include "monitor/status_variables.h"
#include "monitor_fixture.h"

namespace {

class ReplyTest : public BoundUsbPortTest {
protected:
    void SetUp() override {
        BoundUsbPortTest::SetUp();
        if (HasFatalFailure()) return;
        port_->versionPair[1] = 1;  // this driver's model answers
    }
    int Feed(const std::string& text, BOOL publish = TRUE) {
        DWORD used = 0, flags = 0;
        int n = QueueReplyText(port_, text.data(), static_cast<DWORD>(text.size()), &used, TRUE, &flags, publish);
        EXPECT_EQ(used, text.size());
        flags_ = flags;
        return n;
    }
    DWORD Dword(const char* name) {
        DWORD v = 0xDEADBEEF;
        EXPECT_TRUE(ReadDwordVariable(port_, name, &v)) << name;
        return v;
    }
    std::string Published(const char* name) { return g_manager.published[name]; }

    DWORD flags_ = 0;
};

DWORD At(const std::string& value, size_t offset) {
    DWORD v = 0;
    if (value.size() >= offset + 4) std::memcpy(&v, value.data() + offset, 4);
    return v;
}

TEST_F(ReplyTest, DeviceDisplayBecomesPanelRecord) {
    EXPECT_EQ(Feed("@PJL USTATUS DEVICE\r\nCODE=10001\r\nDISPLAY=\"READY\"\r\nONLINE=TRUE\r\n\f"), 1);
    std::string record = Published("PrinterDisplay");
    ASSERT_EQ(record.size(), 132u);
    EXPECT_EQ(At(record, 0), 16u);
    const char16_t expected[] = u"READY";
    EXPECT_EQ(std::memcmp(record.data() + 4, expected, 10), 0);
    EXPECT_EQ(record[14], 0);  // the closing quote is not kept
    EXPECT_EQ(Dword("PrinterDisplay2"), 0xFFFFFFFFu);
    EXPECT_TRUE(port_->state & kStatePrinterAnswered);
}

template <typename S>
S Repeat(const S& piece, int times) {
    S out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

TEST_F(ReplyTest, LongDisplayKeepsItsFirstThirtyTwoCharacters) {
    // Texts past the 511 characters the conversion takes keep their start too.
    const std::string kHiragana = "\xE3\x81\x82";  // U+3042
    const std::string kFace = "\xF0\x9F\x98\x80";  // U+1F600, two UTF-16 units
    const std::u16string kXs = u"\x3042" + std::u16string(31, u'x');
    struct Case {
        const char* what;
        std::string text;
        std::u16string shown;  // the record's 32 characters
    } cases[] = {
        {"40 characters", kHiragana + std::string(39, 'x'), kXs},
        {"511 characters", kHiragana + std::string(510, 'x'), kXs},
        {"512 characters", kHiragana + std::string(511, 'x'), kXs},
        {"2,000 characters", kHiragana + std::string(1999, 'x'), kXs},
        {"600 three-byte characters", Repeat(kHiragana, 600), std::u16string(32, u'\x3042')},
        {"300 four-byte characters", Repeat(kFace, 300), Repeat(std::u16string(u"\xD83D\xDE00"), 16)},
    };
    for (const Case& c : cases) {
        Feed("@PJL USTATUS DEVICE\r\nDISPLAY=\"-\"\r\n\f");  // each case a change of its own
        Feed("@PJL USTATUS DEVICE\r\nDISPLAY=\"" + c.text + "\"\r\n\f");
        std::string record = Published("PrinterDisplay");
        ASSERT_EQ(record.size(), 132u) << c.what;
        EXPECT_EQ(At(record, 0), 16u) << c.what;
        std::u16string shown(32, u'\0');
        std::memcpy(shown.data(), record.data() + 4, 64);
        EXPECT_EQ(shown, c.shown) << c.what;
    }
}

TEST_F(ReplyTest, DisplayWithoutQuoteEndsTheWalk) {
    Feed("@PJL USTATUS DEVICE\r\nDISPLAY=READY\r\n\f");
    EXPECT_EQ(g_manager.publishCount["PrinterDisplay"], 0);
}

TEST_F(ReplyTest, SplitReplyIsParsedOnceWhenItsFormFeedArrives) {
    EXPECT_EQ(Feed("@PJL USTATUS DEVICE\r\nDISPLAY=\"PAP"), 0);
    EXPECT_EQ(g_manager.publishCount["PrinterDisplay"], 0);
    EXPECT_GT(port_->savedReplyLength, 0u);
    EXPECT_EQ(Feed("ER OUT\"\r\n\f@PJL USTATUS DEV"), 1);
    EXPECT_EQ(g_manager.publishCount["PrinterDisplay"], 1);
    const char16_t expected[] = u"PAPER OUT";
    EXPECT_EQ(std::memcmp(Published("PrinterDisplay").data() + 4, expected, 18), 0);
    EXPECT_EQ(port_->savedReplyLength, std::string("@PJL USTATUS DEV").size());
}

// A reply that grows with every read is joined however many pieces it comes in. The same
// unfinished header with nothing new behind it may come back twice more; at its third such
// showing the reply is passed over up to its form feed, and the next one is read.
TEST_F(ReplyTest, HeaderRepeatedTwiceUnfinishedIsPassedOver) {
    struct Case {
        std::vector<std::string> pieces;
        int displaysPublished;
        const char16_t* shown;
    };
    const Case cases[] = {
        {{"@PJL USTATUS DEVICE\r\nDISPLAY=\"TH", "RE", "E\"\r\n\f"}, 1, u"THREE"},
        {{"@PJL USTATUS DEVICE\r\nDISPLAY=\"FO", "U", "R", "\"\r\n\f"}, 1, u"FOUR"},
        {{"@PJL USTATUS DEVICE\r\nDISPLAY=\"3-", "BY", "TE", " P", "IE", "CE", "S\"", "\r\n", "\f"},
         1,
         u"3-BYTE PIECES"},
        {{"@PJL USTATUS DEVICE\r\nDISPLAY=\"ST", "", "", "UCK\"\r\n\f"}, 0, nullptr},
        // A different header in between is remembered in its place: no repeat.
        {{"@PJL USTATUS DEVICE\r\nDISPLAY=\"A", "\"\r\n\f@PJL INFO STATUS\r\nDISPLAY=\"B", "C", "\"\r\n\f"}, 2, u"BC"},
    };
    for (const Case& c : cases) {
        g_manager = FakeManager{};
        for (const std::string& piece : c.pieces) Feed(piece);
        EXPECT_EQ(g_manager.publishCount["PrinterDisplay"], c.displaysPublished) << c.pieces[0];
        if (c.shown) {
            size_t n = std::char_traits<char16_t>::length(c.shown);
            EXPECT_EQ(std::memcmp(Published("PrinterDisplay").data() + 4, c.shown, n * 2), 0) << c.pieces[0];
        }
        // What follows the passed-over reply is read as usual.
        EXPECT_EQ(Feed("@PJL INFO PAGECOUNT\r\nPAGECOUNT=77\r\n\f"), 1) << c.pieces[0];
        EXPECT_EQ(Dword("PageCount"), 77u);
        SetDwordVariable(port_, "PageCount", 0);
        EXPECT_FALSE(port_->reply.skipToFormFeed);
    }
}

TEST_F(ReplyTest, TextThatIsNoReplyIsPassedOverToItsFormFeed) {
    EXPECT_EQ(Feed("garbage DISPLAY=\"NO\"\r\n\f@PJL USTATUS DEVICE\r\nDISPLAY=\"YES\"\r\n\f"), 1);
    const char16_t expected[] = u"YES";
    EXPECT_EQ(std::memcmp(Published("PrinterDisplay").data() + 4, expected, 6), 0);
    // An unknown "@PJL" reply is passed over too.
    EXPECT_EQ(Feed("@PJL USTATUS TIMED\r\nDISPLAY=\"NO\"\r\n\f"), 0);
    EXPECT_EQ(g_manager.publishCount["PrinterDisplay"], 1);
}

TEST_F(ReplyTest, IncompleteReplyTextIsCapped) {
    std::string noise(4000, 'A');
    noise[0] = '@';
    for (int i = 0; i < 20; ++i) Feed(noise);
    EXPECT_LE(port_->savedReplyLength, kSavedReplyLimit);
    // After the overflow the parser still finds the next whole reply.
    Feed("\f@PJL INFO PAGECOUNT\r\nPAGECOUNT=1234\r\n\f");
    EXPECT_EQ(Dword("PageCount"), 1234u);
}

TEST_F(ReplyTest, JobStartPagesAndEnd) {
    AddJobRecord(41, port_);
    SetJobRecordName("03NAMEOFJOB", 1, port_);
    SetJobRecordName("03NAMEOFJOB", 2, port_);
    port_->state |= kStateJobOpen;
    Feed("@PJL USTATUS JOB\r\nSTART\r\nNAME=\"03NAMEOFJOB\"\r\n\f");
    std::string info = Published("PrintingJobInfo2");
    ASSERT_EQ(info.size(), 320u);
    EXPECT_EQ(At(info, 288), 41u);
    EXPECT_EQ(CountJobRecords(port_), 1u);
    Feed("@PJL USTATUS PAGE\r\n1\r\n\f");
    Feed("@PJL USTATUS PAGE\r\n3\r\n\f");
    EXPECT_EQ(At(Published("PrintingJobInfo2"), 292), 3u);
    Feed("@PJL USTATUS JOB\r\nEND\r\nNAME=\"03NAMEOFJOB\"\r\nPAGES=3\r\n\f");
    EXPECT_EQ(At(Published("PrintingJobInfo2"), 288), 41u);
    EXPECT_EQ(CountJobRecords(port_), 0u);  // the end report finished the job record
}

// The end report's page counters: colour and monochrome pages, coverage per page of each toner;
// each job counts from its own start.
TEST_F(ReplyTest, JobEndCarriesPageCountersOfThatJobOnly) {
    struct Job {
        DWORD id;
        const char* name;
        std::string pages;     // USTATUS PAGE reports during the job
        std::string counters;  // lines of the end report after its NAME
        DWORD total, colour, mono, averages[4];
    };
    const Job jobs[] = {
        {41,
         "03FIRSTJOB",
         "",
         "COVERAGE C = 010\r\nCOVERAGE K = 020\r\nCOLORPAGE=2\r\nBWPAGE=1\r\n",
         3,
         2,
         1,
         {10, 0, 0, 20}},
        {42, "03SECONDJOB", "@PJL USTATUS PAGE\r\n5\r\n\f", "BWPAGE=4\r\n", 5, 0, 4, {0, 0, 0, 0}},
        {43, "03THIRDJOB", "", "", 0, 0, 0, {0, 0, 0, 0}},
    };
    port_->state |= kStateJobOpen;
    for (const Job& j : jobs) {
        AddJobRecord(j.id, port_);
        SetJobRecordName(j.name, 3, port_);
        Feed(std::string("@PJL USTATUS JOB\r\nSTART\r\nNAME=\"") + j.name + "\"\r\n\f");
        if (!j.pages.empty()) Feed(j.pages);
        Feed(std::string("@PJL USTATUS JOB\r\nEND\r\nNAME=\"") + j.name + "\"\r\n" + j.counters + "\f");
        std::string info = Published("PrintingJobInfo2");
        ASSERT_EQ(info.size(), 320u) << j.name;
        EXPECT_EQ(At(info, 288), j.id) << j.name;
        EXPECT_EQ(At(info, 292), j.total) << j.name;
        EXPECT_EQ(At(info, 296), j.colour) << j.name;
        EXPECT_EQ(At(info, 300), j.mono) << j.name;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(At(info, 304 + 4 * i), j.averages[i]) << j.name << " toner " << i;
        EXPECT_EQ(CountJobRecords(port_), 0u) << j.name;
    }
}

// The printer reports a later job of the port's queue: the jobs ahead of it are over. Each is
// reported with its own id, then with none, and dropped; the reported job's record stays.
TEST_F(ReplyTest, ReportOfALaterJobEndsTheJobsAheadOfIt) {
    AddJobRecord(41, port_);
    SetJobRecordName("03FIRST", 3, port_);
    AddJobRecord(42, port_);
    SetJobRecordName("03SECOND", 3, port_);
    AddJobRecord(43, port_);
    SetJobRecordName("03THIRD", 3, port_);
    port_->state |= kStateJobOpen;
    Feed("@PJL USTATUS JOB\r\nSTART\r\nNAME=\"03THIRD\"\r\n\f");
    std::vector<DWORD> ids;
    for (const std::string& v : g_manager.jobInfoHistory) {
        ASSERT_EQ(v.size(), 320u);
        ids.push_back(At(v, 288));
    }
    EXPECT_EQ(ids, (std::vector<DWORD>{41, 0, 42, 0, 43}));
    ASSERT_EQ(CountJobRecords(port_), 1u);
    EXPECT_EQ(port_->jobHead->jobId, 43u);
    // A report of the first job in the queue ends nothing else.
    g_manager.jobInfoHistory.clear();
    Feed("@PJL USTATUS PAGE\r\n1\r\n\f");
    EXPECT_EQ(CountJobRecords(port_), 1u);
}

TEST_F(ReplyTest, JobInformationQueuedWhileUnpublishedGoesOutInOrder) {
    AddJobRecord(41, port_);
    SetJobRecordName("03FIRST", 3, port_);
    // Parsed without publishing (a status read): the end report waits behind the start report.
    Feed("@PJL USTATUS JOB\r\nSTART\r\nNAME=\"03FIRST\"\r\n\f", FALSE);
    Feed("@PJL USTATUS JOB\r\nEND\r\nNAME=\"03FIRST\"\r\n\f", FALSE);
    EXPECT_EQ(port_->jobInfoQueued, 1u);
    EXPECT_EQ(g_manager.publishCount["PrintingJobInfo2"], 0);
    PublishDirtyVariables(port_);
    EXPECT_EQ(g_manager.publishCount["PrintingJobInfo2"], 2);
    EXPECT_EQ(port_->jobInfoQueued, 0u);
    EXPECT_EQ(CountJobRecords(port_), 0u);  // the queued end report finished the job record
}

TEST_F(ReplyTest, UnknownJobNameChangesNothing) {
    AddJobRecord(41, port_);
    SetJobRecordName("03NAMEOFJOB", 1, port_);
    Feed("@PJL USTATUS JOB\r\nSTART\r\nNAME=\"03OTHER\"\r\n\f");
    EXPECT_EQ(g_manager.publishCount["PrintingJobInfo2"], 0);
    Feed("@PJL USTATUS JOB\r\nSTART\r\nNAME=plain\r\n\f");  // neither quote nor "03": ignored
    EXPECT_EQ(g_manager.publishCount["PrintingJobInfo2"], 0);
    EXPECT_EQ(CountJobRecords(port_), 1u);
}

TEST_F(ReplyTest, EndOfJobReportFindsTheJobByItsTrailerName) {
    AddJobRecord(52, port_);
    SetJobRecordName("03ENDNAME", 2, port_);
    Feed("@PJL USTATUS EOJ\r\nNAME=\"03ENDNAME\"\r\nPAGES=2\r\n\f");
    EXPECT_EQ(At(Published("PrintingJobInfo2"), 288), 52u);
    EXPECT_EQ(CountJobRecords(port_), 0u);
}

TEST_F(ReplyTest, CancelFromThePrinter) {
    port_->state |= kStateJobOpen | kStateHeaderSent;
    AddJobRecord(60, port_);
    Feed("@PJL USTATUS JOB\r\nCANCELED\r\n\f");
    EXPECT_EQ(g_manager.jobStatus & 4, 4u);  // a bare CANCELED only marks the job status
    EXPECT_FALSE(port_->cancelAcknowledged);
    EXPECT_EQ(CountJobRecords(port_), 1u);
    Feed("@PJL USTATUS JOB\r\nCANCELED=HOST_CALCELED\r\n\f");
    EXPECT_TRUE(port_->cancelAcknowledged);
    EXPECT_TRUE(port_->state & kStateFinishedByReply);
    EXPECT_EQ(CountJobRecords(port_), 0u);
    EXPECT_EQ(At(Published("PrinterQueue"), 0), 0u);
}

TEST_F(ReplyTest, VariablesAndInquireAnswers) {
    Feed(
        "@PJL INFO VARIABLES\r\nCOPIES=1 [2 RANGE]\r\n\t1\r\n\t999\r\nPAPER TYPE2=HEAVY [3 ENUMERATED]\r\n"
        "\tNORMAL\r\nPAPER SORT=ON\r\nINTRAY1 MTDIR=LONG\r\nOUTBIN=OUTTRAY2\r\nPOWERSAVETIME=30\r\n\f");
    EXPECT_TRUE(flags_ & kReplyFlagVariablesEnded);
    EXPECT_EQ(Dword("OppPaperType2"), 18u);
    EXPECT_EQ(Dword("OppPaperSort"), 1u);
    EXPECT_EQ(Dword("OppIntrayMTDir"), 1u);
    EXPECT_EQ(Dword("OppOuttray"), 2u);
    EXPECT_EQ(Dword("OppPowerSaveTime"), 30u);
    DWORD ignored = 0;
    EXPECT_FALSE(ReadDwordVariable(port_, "Copies", &ignored));  // COPIES changes no variable
    Feed("@PJL INQUIRE PAPER TYPE7\r\nCOATED2\r\n\f");
    EXPECT_EQ(Dword("OppPaperType"), 17u);
}

TEST_F(ReplyTest, UnchangedValueIsNotPublishedAgain) {
    Feed("@PJL INFO PAGECOUNT\r\nPAGECOUNT=77\r\n\f");
    Feed("@PJL INFO PAGECOUNT\r\nPAGECOUNT=77\r\n\f");
    EXPECT_EQ(g_manager.publishCount["PageCount"], 1);
    Feed("@PJL INFO PAGECOUNT\r\nPAGECOUNT=78\r\n\f");
    EXPECT_EQ(g_manager.publishCount["PageCount"], 2);
    EXPECT_EQ(At(Published("PageCount"), 0), 78u);
}

TEST_F(ReplyTest, RefreshReadsBoundedPieces) {
    // A printer that never stops talking: the refresh reads a bounded number of pieces.
    for (int i = 0; i < 500; ++i) g_lower.replies.push_back(std::string(1000, 'z'));
    int readsBefore = g_lower.reads;
    EXPECT_TRUE(RefreshStatusThroughPort(port_, TRUE));
    EXPECT_LE(g_lower.reads - readsBefore, static_cast<int>(kReplyReadsPerRefresh));
    EXPECT_LE(port_->savedReplyLength, kSavedReplyLimit);
}

TEST_F(ReplyTest, ExchangeQueuesTheUnsentRest) {
    g_lower.acceptPerWrite = 5;
    std::string text = "@PJL INFO STATUS\r\n";
    DWORD written = 0;
    EXPECT_TRUE(ExchangeWithPrinter(port_, reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()),
                                    &written, FALSE, FALSE));
    EXPECT_EQ(written, text.size());
    EXPECT_EQ(g_lower.written, text.substr(0, 5));
    EXPECT_EQ(port_->pendingLength, text.size() - 5);
    g_lower.acceptPerWrite = 0;
    EXPECT_TRUE(ExchangeWithPrinter(port_, nullptr, 0, &written, FALSE, FALSE));
    EXPECT_EQ(g_lower.written, text);
    EXPECT_EQ(port_->pendingLength, 0u);
}

TEST_F(ReplyTest, ExchangeGivesUpOnAPortThatTakesNothing) {
    g_lower.takeNothing = TRUE;
    DWORD start = GetTickCount();
    DWORD written = 0;
    EXPECT_FALSE(ExchangeWithPrinter(port_, reinterpret_cast<const BYTE*>("abc"), 3, &written, FALSE, FALSE));
    EXPECT_EQ(written, 0u);
    EXPECT_LE(GetTickCount() - start, 60000u);
}

}  // namespace

namespace {

std::vector<std::array<DWORD, 3>> Options(PortRecord* port) {
    std::vector<std::array<DWORD, 3>> list;
    StatusVariable* row = FindVariable("PrinterOptConfig", port->variables, port);
    if (!row || !row->value) return list;
    DWORD count = 0;
    std::memcpy(&count, row->value, 4);
    for (DWORD i = 0; i < count; ++i) {
        WORD key = 0, key2 = 0;
        DWORD value = 0;
        std::memcpy(&key, row->value + 4 + 8 * i, 2);
        std::memcpy(&key2, row->value + 6 + 8 * i, 2);
        std::memcpy(&value, row->value + 8 + 8 * i, 4);
        list.push_back({key, key2, value});
    }
    return list;
}

class OptionTest : public MonitorTest {};

TEST_F(OptionTest, EntriesAreInsertedByTheirRuleAndRemovedByBothKeys) {
    HANDLE h = Open(u"USB001");
    PortRecord* port = Port(h);
    EXPECT_TRUE(SetPrinterOptConfig(7001, 7001, 0, port));
    EXPECT_TRUE(SetPrinterOptConfig(3001, 3001, 0, port));   // one entry present: at the end
    EXPECT_TRUE(SetPrinterOptConfig(5000, 1, 9, port));      // after the first key >= 5000 whose next is below
    EXPECT_FALSE(SetPrinterOptConfig(3001, 3001, 4, port));  // both keys present: nothing changes
    using E = std::array<DWORD, 3>;
    EXPECT_EQ(Options(port), (std::vector<E>{{7001, 7001, 0}, {5000, 1, 9}, {3001, 3001, 0}}));
    EXPECT_TRUE(SetPrinterOptConfig(1, 1, 0, port));
    EXPECT_EQ(Options(port).back(), (E{1, 1, 0}));
    EXPECT_TRUE(RemovePrinterOptConfig(5000, 1, port));
    EXPECT_FALSE(RemovePrinterOptConfig(5000, 2, port));
    EXPECT_EQ(Options(port), (std::vector<E>{{7001, 7001, 0}, {3001, 3001, 0}, {1, 1, 0}}));
}

TEST_F(OptionTest, InfoConfigRecordsTraysDuplexAndOutputTrays) {
    HANDLE h = Open(u"USB001");
    PortRecord* port = Port(h);
    port->versionPair[1] = 1;
    SetPrinterOptConfig(1001, 1001, 0, port);
    SetPrinterOptConfig(1, 1, 0, port);
    std::string reply =
        "@PJL INFO CONFIG\r\nINTRAY2 TYPE=NORMAL\r\nOUT TRAYS [2 ENUMERATED]\r\n\tOUTTRAY2\r\nMEMORY=65536\r\n\f";
    DWORD used = 0, flags = 0;
    QueueReplyText(port, reply.data(), static_cast<DWORD>(reply.size()), &used, TRUE, &flags, FALSE);
    using E = std::array<DWORD, 3>;
    // 1001 and the duplex unit were not listed again; the second output tray was.
    EXPECT_EQ(Options(port), (std::vector<E>{{6001, 6001, 0}}));
    StatusVariable* bins = FindVariable("PrinterBinConfig", port->variables, port);
    ASSERT_NE(bins, nullptr);
    ASSERT_NE(bins->value, nullptr);
    // The second record's state WORD: 3 (large) by default, 2 (normal) as the printer says.
    WORD tray2 = 0, id2 = 0;
    std::memcpy(&id2, bins->value + 4 + 12, 2);
    std::memcpy(&tray2, bins->value + 4 + 12 + 2, 2);
    EXPECT_EQ(id2, 1);
    EXPECT_EQ(tray2, 2);
    reply = "@PJL INFO CONFIG\r\nDUPLEX\r\n\f";
    QueueReplyText(port, reply.data(), static_cast<DWORD>(reply.size()), &used, TRUE, &flags, FALSE);
    EXPECT_EQ(Options(port), (std::vector<E>{{6001, 6001, 0}, {1, 1, 0}}));
}

}  // namespace
