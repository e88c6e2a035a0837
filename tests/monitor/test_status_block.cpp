// Status block: Base64 decoding, the display-code maps, and the setters that turn a block into
// status variables and device data.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "monitor/device_options.h"
#include "monitor/job_records.h"
#include "monitor/status_block.h"
#include "monitor/status_variables.h"
#include "monitor_fixture.h"
#include "status_block_builder.h"
#include "tray_records.h"

namespace {

TEST(StatusBlockDecode, TextOfSixtyFourBase64CharactersOnly) {
    Block b;
    b.SetStatus(0x0B05);
    b.bytes[47] = 0xEE;
    const std::string good = Base64(b.bytes, 48);
    ASSERT_EQ(good.size(), 64u);
    struct Case {
        const char* what;
        std::string text;
        BOOL ok;
    } cases[] = {
        {"exact", good, TRUE},
        {"63 characters", good.substr(0, 63), FALSE},
        {"65 characters", good + "A", FALSE},
        {"empty", "", FALSE},
        {"blank inside", good.substr(0, 10) + " " + good.substr(11), FALSE},
        {"URL alphabet", good.substr(0, 10) + "-" + good.substr(11), FALSE},
        {"NUL inside", good.substr(0, 10) + std::string(1, '\0') + good.substr(11), FALSE},
        {"high byte", good.substr(0, 63) + "\xC3", FALSE},
    };
    for (const Case& c : cases) {
        BYTE out[kStatusBlockSize];
        std::memset(out, 0x5A, sizeof out);
        EXPECT_EQ(DecodeStatusBlock(c.text, out), c.ok) << c.what;
        if (c.ok)
            EXPECT_EQ(std::memcmp(out, b.bytes, 48), 0) << c.what;
        else
            EXPECT_EQ(out[0], 0x5A) << c.what << ": a refused block leaves the output alone";
    }
}

TEST(StatusBlockDecode, PaddingCharacterCountsAsZero) {
    std::string text(64, 'A');
    text[0] = '/';  // 63 in the top six bits
    text[5] = '=';
    BYTE out[kStatusBlockSize];
    ASSERT_TRUE(DecodeStatusBlock(text, out));
    EXPECT_EQ(out[0], 0xFC);
    for (int i = 1; i < 48; ++i) EXPECT_EQ(out[i], 0) << i;
}

TEST(DisplayCode, FromStatusCode) {
    struct Case {
        DWORD code, spooler, display;
    } cases[] = {
        {0x0000, 0, 7},  {0x0100, 0, 7},  {0x0101, 0, 0},  {0x0300, 0, 0},     {0x0403, 0, 5},  {0x0404, 0, 0},
        {0x0500, 4, 0},  {0x0500, 0, 31}, {0x0600, 0, 31}, {0x0501, 0, 0},     {0x0700, 0, 9},  {0x0801, 0, 12},
        {0x0A01, 0, 14}, {0x0B00, 0, 16}, {0x0B02, 0, 18}, {0x0B0C, 0, 27},    {0x0B0F, 0, 30}, {0x0B10, 0, 0},
        {0x0C00, 0, 31}, {0x0D00, 5, 0},  {0x0D00, 4, 31}, {0x0D00, 1, 31},    {0x0D03, 0, 33}, {0x0D06, 0, 33},
        {0x0D07, 0, 0},  {0x0E04, 0, 34}, {0x0F0D, 0, 35}, {0x0F0E, 0, 36},    {0x0F0F, 0, 39}, {0x0F10, 0, 12},
        {0x1002, 0, 39}, {0x1003, 0, 0},  {0x1100, 0, 0},  {0xFFFFFFFF, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DisplayCodeFromStatus(c.code, c.spooler), c.display) << std::hex << c.code << " ss " << c.spooler;
}

TEST(DisplayCode, LoweringRule) {
    struct Case {
        DWORD code, condition, result;
    } cases[] = {
        {31, 14, 14}, {14, 31, 14}, {0, 9, 0}, {18, 16, 16}, {18, 19, 19}, {18, 20, 18}, {19, 18, 18}, {35, 34, 34},
    };
    for (const Case& c : cases) {
        DWORD code = c.code;
        LowerDisplayCode(&code, c.condition);
        EXPECT_EQ(code, c.result) << c.code << " by " << c.condition;
    }
}

TEST(DisplayCode, PrinterStatusByTable) {
    struct Case {
        DWORD display, spooler, icon, s0, s1, s2;
    } cases[] = {
        {7, 4, 1, 0, 0x80, 0},  {7, 0, 1, 0, 0x80, 0x1000}, {21, 4, 1, 0x1000, 0, 0}, {27, 0, 1, 0x2000, 0, 0x1000},
        {33, 4, 2, 0, 0, 0x11}, {33, 0, 2, 0, 0, 0x11},     {34, 0, 0, 0, 0, 0x9},    {39, 4, 0, 0, 0, 0x1},
        {4, 4, 0, 0, 0, 0},     {4, 0, 1, 0, 0, 0x1000},    {5, 0, 1, 0, 0, 0x1000},  {0, 0, 0, 0, 0, 0},
        {37, 4, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        DisplayStatus s = PrinterStatusFromDisplay(c.display, c.spooler);
        EXPECT_EQ(s.icon, c.icon) << c.display << "/" << c.spooler;
        EXPECT_EQ(s.status[0], c.s0) << c.display << "/" << c.spooler;
        EXPECT_EQ(s.status[1], c.s1) << c.display << "/" << c.spooler;
        EXPECT_EQ(s.status[2], c.s2) << c.display << "/" << c.spooler;
    }
}

class DispatchTest : public BoundUsbPortTest {
protected:
    void SetUp() override {
        BoundUsbPortTest::SetUp();
        if (HasFatalFailure()) return;
        port_->versionPair[0] = 0;
        port_->versionPair[1] = 1;
    }
    DWORD Dword(const char* name) {
        DWORD v = 0xDEADBEEF;
        EXPECT_TRUE(ReadDwordVariable(port_, name, &v)) << name;
        return v;
    }
    std::string Bytes(const char* name) {
        StatusVariable* row = FindVariable(name, port_->variables, port_);
        if (!row || !row->value) return {};
        return std::string(reinterpret_cast<const char*>(row->value), static_cast<size_t>(VariableSize(row)));
    }
    void Status(DWORD s[3]) { ASSERT_TRUE(ReadPrinterStatus(port_, s)); }
    DWORD TrayField(DWORD record, DWORD field) {
        DWORD v;
        std::memcpy(&v, port_->device.data.trays + kTrayRecordSize * record + 4 * field, 4);
        return v;
    }
};

TEST_F(DispatchTest, ReadyPrinterFillsEveryVariable) {
    Block b = Block::Ready();
    ASSERT_TRUE(DispatchStatusBlock(b.bytes, port_));
    EXPECT_EQ(Dword("ErrCoverOpen"), 0u);
    EXPECT_EQ(Dword("TonerRemain"), 80u << 24);
    EXPECT_EQ(Dword("CRURemain"), 90u | (70u << 8));
    EXPECT_EQ(Dword("ErrPaperJam"), 0u);
    EXPECT_EQ(Dword("PrinterMemory"), 4u * 32 * 1024);
    EXPECT_EQ(Dword("PanelLanguage"), 2u);
    EXPECT_EQ(Dword("ErrSupplies"), 0u);
    EXPECT_EQ(Dword("ErrPeriodicChange"), 0u);
    EXPECT_EQ(port_->device.data.memoryMByte, 128u);
    EXPECT_EQ(port_->device.data.memoryKByte, 128u * 1024);
    EXPECT_EQ(port_->device.data.duplexUnit, 1);
    EXPECT_EQ(port_->device.data.ramDisk, 0);
    // Status 0x1100 and above: display code 0, nothing to report.
    DWORD s[3];
    Status(s);
    EXPECT_EQ(s[0] | s[1] | s[2], 0u);
    EXPECT_EQ(Dword("IconState"), 0u);
    // The input buffer: 32 KB blocks, 16 free.
    EXPECT_EQ(port_->bytesSent, 32u * 16 * 1024);
    // Storing the same block again changes nothing.
    EXPECT_FALSE(DispatchStatusBlock(b.bytes, port_));
}

TEST_F(DispatchTest, TrayWordsBecomeBinConfigAndInputTrays) {
    Block b = Block::Ready();
    b.Set16(24, 0x4000 | (1u << 7) | 2);              // 2001: media index 1, A4
    b.Set16(26, 0x8000 | 0x2000 | (4u << 7) | 0x20);  // tray 1: bits 12-13 = 2, media 1, size -1
    b.Set16(28, 0);                                   // tray 2 absent
    b.Set16(30, 0xC000 | 0x3000 | (13u << 7) | 9);    // tray 3: option tray below
    b.Set16(36, 0x0001 | 0x2000);                     // duplex; third record is an option tray
    ASSERT_TRUE(DispatchStatusBlock(b.bytes, port_));
    std::string bins = Bytes("PrinterBinConfig");
    // Tray 2001 (A4), tray 1 (bits 12-13 = 2, size unknown) and tray 3 as an option tray.
    const TrayRecord want[] = {{2001, 2001, 9, 0xFD, 0}, {1, 1, -1, 0x00, 1}, {3, 6, 5, 0xFE, 19}};
    ExpectTrayRecords(bins, want);
    // Device data: ordinal, kind, 0, media class, paper id, length, width, feed of the last tray.
    EXPECT_EQ(port_->device.data.trayCount, 3u);
    const DWORD want2[3][8] = {{1, 5, 0, 1, 25, 2970, 2100, 3},
                               {2, 3, 0, 3, 10000, 0xFFFFFFFFu, 0xFFFFFFFFu, 3},
                               {3, 4, 0, 5, 2, 3556, 2159, 3}};
    for (DWORD r = 0; r < 3; ++r)
        for (DWORD f = 0; f < 8; ++f) EXPECT_EQ(TrayField(r, f), want2[r][f]) << r << "," << f;
    // "LM_InputTray" covers the count and three records.
    DWORD size = 0;
    EXPECT_TRUE(GetDeviceOptionValue(port_, u"LM_InputTray", nullptr, 0, &size));
    EXPECT_EQ(size, 4u + 3 * 32);
}

TEST_F(DispatchTest, NoTrayStillNamesTheFirstTwoRecords) {
    Block b = Block::Ready();
    for (DWORD at = 24; at < 34; at += 2) b.Set16(at, 0);
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(port_->device.data.trayCount, 0u);
    EXPECT_EQ(TrayField(0, 0), 1u);
    EXPECT_EQ(TrayField(0, 1), 5u);
    EXPECT_EQ(TrayField(1, 0), 2u);
    EXPECT_EQ(TrayField(1, 1), 3u);
    EXPECT_EQ(TrayField(2, 1), 0u);
    std::string bins = Bytes("PrinterBinConfig");
    EXPECT_EQ(bins, std::string(4, '\0'));
}

TEST_F(DispatchTest, ConditionsLowerTheDisplayCode) {
    struct Case {
        const char* what;
        DWORD status;
        void (*change)(Block&);
        DWORD s[3];
        DWORD icon;
    } cases[] = {
        {"cover open over an operator call", 0x0C00, [](Block& b) { b.Set16(10, 0x0020); }, {0, 0, 0x8000}, 1},
        {"jam over a cover", 0x0A00, [](Block& b) { b.Set32(38, 0x10); }, {0, 0, 0x10000}, 1},
        {"supplies state 2 over service", 0x0C00, [](Block& b) { b.Set16(18, (80u << 8) | 1); }, {0, 0, 0x4000}, 1},
        {"supplies state 3 lowers job-finished", 0x0F0F, [](Block& b) { b.Set16(18, (80u << 8) | 6); }, {0, 0, 0x3}, 2},
        {"activity 1 makes printing", 0x0F00, [](Block& b) { b.bytes[8] = 1; }, {0, 0, 0x9}, 0},
        {"activity 2 lowers to 32", 0x0F00, [](Block& b) { b.bytes[8] = 2; }, {0, 0, 0x201}, 2},
        {"hardware error", 0x0000, [](Block&) {}, {0, 0x80, 0}, 1},
    };
    monitorValues_[u"SPOOLERSTATUS"] = 4;  // unused: the global is set below
    for (const Case& c : cases) {
        g_monitor.spoolerStatus = 4;
        Block b = Block::Ready();
        b.SetStatus(c.status);
        c.change(b);
        DispatchStatusBlock(b.bytes, port_);
        DWORD s[3];
        Status(s);
        EXPECT_EQ(s[0], c.s[0]) << c.what;
        EXPECT_EQ(s[1], c.s[1]) << c.what;
        EXPECT_EQ(s[2], c.s[2]) << c.what;
        EXPECT_EQ(Dword("IconState"), c.icon) << c.what;
    }
    g_monitor.spoolerStatus = 0;
}

TEST_F(DispatchTest, ErrorDetails) {
    g_monitor.spoolerStatus = 4;
    Block b = Block::Ready();
    b.SetStatus(0x0000);
    b.Set16(4, 0x1234);
    b.Set16(6, 0xABCD);
    b.Set16(10, 0x0001);
    b.Set32(38, 0xF0000003);  // bits above 27 are not jams
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(Dword("ErrHWError"), 0x1234ABCDu);
    EXPECT_EQ(Dword("ErrCoverOpen"), 0x20u);
    EXPECT_EQ(Dword("ErrPaperJam"), 3u);
    // Codes 22 to 30 name the other error.
    const struct { DWORD status, other; } others[] = {{0x0B06, 1}, {0x0B08, 3}, {0x0B0C, 4}, {0x0B0F, 7}, {0x0B09, 0}};
    for (const auto& o : others) {
        Block c = Block::Ready();
        c.SetStatus(o.status);
        DispatchStatusBlock(c.bytes, port_);
        EXPECT_EQ(Dword("ErrOtherError"), o.other) << std::hex << o.status;
    }
    g_monitor.spoolerStatus = 0;
}

TEST_F(DispatchTest, PaperOutOfTheCurrentTray) {
    g_monitor.spoolerStatus = 4;
    AddJobRecord(7, port_);
    Block b = Block::Ready();
    b.SetStatus(0x0B02);                           // display 18: paper out
    b.Set16(26, 0x8000 | 0x2000 | (1u << 7) | 2);  // tray 1, bits 12-13 = 2: byte 0
    b.Set16(34, (1u << 13) | (3u << 8) | 1);       // current tray 1, media index 3, size index 1
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(Dword("CurrentFeeder"), 1u);
    std::string np = Bytes("ErrNoPaper2");
    ASSERT_EQ(np.size(), 8u);
    SHORT id, paper;
    std::memcpy(&id, np.data(), 2);
    std::memcpy(&paper, np.data() + 2, 2);
    EXPECT_EQ(id, 1);
    EXPECT_EQ(paper, 8);
    EXPECT_EQ(static_cast<BYTE>(np[4]), 6);
    DWORD s[3];
    Status(s);
    EXPECT_EQ(s[2], 0x800000u) << "18 becomes 19 for a tray whose byte is 0";
    // No current tray (7): feeder 0, identifier 0.
    b.Set16(34, (7u << 13) | 40);
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(Dword("CurrentFeeder"), 0u);
    np = Bytes("ErrNoPaper2");
    std::memcpy(&id, np.data(), 2);
    std::memcpy(&paper, np.data() + 2, 2);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(paper, -1) << "size index above 31";
    g_monitor.spoolerStatus = 0;
}

TEST_F(DispatchTest, OptionsFollowTheOptionBits) {
    Block b = Block::Ready();
    b.Set16(36, 0x0007 | 0x0800);
    DispatchStatusBlock(b.bytes, port_);
    auto keys = [&] {
        std::string v = Bytes("PrinterOptConfig");
        std::string out;
        DWORD n = 0;
        if (v.size() >= 4) std::memcpy(&n, v.data(), 4);
        for (DWORD i = 0; i < n && 4 + 8 * (i + 1) <= v.size(); ++i) {
            WORD k;
            std::memcpy(&k, v.data() + 4 + 8 * i, 2);
            out += std::to_string(k) + " ";
        }
        return out;
    };
    EXPECT_EQ(keys(), "1 7001 3001 ");
    EXPECT_EQ(port_->device.data.ramDisk, 1);
    EXPECT_EQ(port_->device.data.duplexUnit, 1);
    b.Set16(36, 0x0002);
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(keys(), "7001 ");
    EXPECT_EQ(port_->device.data.ramDisk, 0);
    EXPECT_EQ(port_->device.data.duplexUnit, 0);
}

TEST_F(DispatchTest, PanelDisplayOnlyOnLocalPortsAndWhileNotAnswered) {
    Block b = Block::Ready();
    b.SetStatus(0x0B05);
    b.bytes[46] = 9;
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(Dword("PrinterDisplay2"), 0x0B05u);
    EXPECT_TRUE(port_->device.busyRefresh);
    EXPECT_EQ(Dword("PanelLanguage"), 9u);
    b.SetStatus(0x0B10);
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(Dword("PrinterDisplay2"), 0xFFFFFFFFu);
    EXPECT_FALSE(port_->device.busyRefresh);
    // The printer answered a PJL status: the panel values are its.
    port_->state |= kStatePrinterAnswered;
    b.SetStatus(0x0B01);
    b.bytes[46] = 3;
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(Dword("PrinterDisplay2"), 0xFFFFFFFFu);
    EXPECT_EQ(Dword("PanelLanguage"), 9u);
}

TEST_F(DispatchTest, JobFinishedReportsReleaseTheQueueOnce) {
    g_monitor.spoolerStatus = 4;
    AddJobRecord(7, port_);
    port_->device.jobEndWatch = TRUE;
    port_->device.skipMark = TRUE;
    Block b = Block::Ready();
    b.SetStatus(0x0F00);  // job finished
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_FALSE(port_->device.jobEndWatch);
    EXPECT_TRUE(port_->device.skipMark);
    EXPECT_EQ(g_manager.published["PrinterQueue"], std::string(4, '\0'));
    EXPECT_EQ(CountJobRecords(port_), 1u) << "released records stay";
    // The third such report in a row with records waiting and no job open finishes the job.
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(CountJobRecords(port_), 1u);
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(CountJobRecords(port_), 0u);
    g_monitor.spoolerStatus = 0;
}

TEST_F(DispatchTest, UnchangedStatusIsReportedAgainUnlessPolling) {
    Block b = Block::Ready();
    b.SetStatus(0x0700);
    DispatchStatusBlock(b.bytes, port_);
    PublishDirtyVariables(port_);
    int before = g_manager.publishCount["PrinterStatus"];
    DispatchStatusBlock(b.bytes, port_);
    PublishDirtyVariables(port_);
    EXPECT_EQ(g_manager.publishCount["PrinterStatus"], before + 1);
    port_->state |= kStatePollingWanted;
    DispatchStatusBlock(b.bytes, port_);
    PublishDirtyVariables(port_);
    EXPECT_EQ(g_manager.publishCount["PrinterStatus"], before + 1);
}

}  // namespace
