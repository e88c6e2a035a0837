// Device ID: field parsing, the model check, the status query through the port monitor, the
// port's device control, and the device options behind the "LM_" port queries.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "monitor/device_id.h"
#include "monitor/device_options.h"
#include "monitor/job_records.h"
#include "monitor/lower_port.h"
#include "monitor/printer_query.h"
#include "monitor/status_block.h"
#include "monitor/status_variables.h"
#include "monitor/write_gate.h"
#include "monitor_fixture.h"
#include "plat/control.h"
#include "status_block_builder.h"

namespace {

class DeviceIdTest : public BoundUsbPortTest {
protected:
    std::string Text(const char* name) {
        StatusVariable* row = FindVariable(name, port_->variables, port_);
        if (!row || !row->value) return "<none>";
        return std::string(reinterpret_cast<const char*>(row->value));
    }
    std::string Raw(const char* name) {
        StatusVariable* row = FindVariable(name, port_->variables, port_);
        if (!row || !row->value) return "<none>";
        return std::string(reinterpret_cast<const char*>(row->value), static_cast<size_t>(VariableSize(row)));
    }
    void Status(DWORD s[3]) { ASSERT_TRUE(ReadPrinterStatus(port_, s)); }
};

std::string Emulations(std::initializer_list<LONG> ids) {
    std::string v(4 + 4 * ids.size(), '\0');
    DWORD n = static_cast<DWORD>(ids.size());
    std::memcpy(v.data(), &n, 4);
    size_t at = 4;
    for (LONG id : ids) {
        std::memcpy(v.data() + at, &id, 4);
        at += 4;
    }
    return v;
}

TEST_F(DeviceIdTest, FieldsByKey) {
    struct Case {
        const char* what;
        std::string id;
        std::string maker, model, emulations;
    } cases[] = {
        {"usual order", "MFG:QEV;CMD:PJL,ORLA;MDL:Halvoric 4400K;CLS:PRINTER;", "QEV", "Halvoric 4400K",
         Emulations({0})},
        {"long keys and another order", "CMD:ZQPS-C,ORLA;MANUFACTURER:Maker;MDL:X;", "Maker", "X", Emulations({0, 5})},
        {"MODEL: is not the stored model", "MFG:A;MODEL:Other;", "A", "<none>", "<none>"},
        {"keys are case-sensitive", "mfg:a;mdl:b;cmd:ORLA;", "<none>", "<none>", "<none>"},
        {"the last of duplicates counts", "MFG:First;MFG:Second;MDL:One;MDL:Two;", "Second", "Two", "<none>"},
        {"blanks before a key", "MFG:QEV; MDL:Spaced;", "QEV", "Spaced", "<none>"},
        {"a name inside a word counts", "CMD:XORLAX,ZQPS-CORLA;", "<none>", "<none>", Emulations({0, 0, 5})},
        {"no known emulation", "CMD:PCL,ESC;", "<none>", "<none>", Emulations({})},
        {"no terminator: the last field is not one", "MFG:QEV;MDL:Halvoric 4400K", "QEV", "<none>", "<none>"},
        {"junk", "\x01\x02;;:;::;;\xff", "<none>", "<none>", "<none>"},
        {"over-long values are cut to fit", "MFG:" + std::string(200, 'M') + ";MDL:" + std::string(100, 'D') + ";",
         std::string(31, 'M'), std::string(31, 'D'), "<none>"},
    };
    for (const Case& c : cases) {
        FreeVariableTable(port_->variables);
        port_->variables = CreateVariableTable();
        ParseDeviceId(c.id, port_);
        EXPECT_EQ(Text("PrinterManufacturer"), c.maker) << c.what;
        EXPECT_EQ(Text("PrinterModel"), c.model) << c.what;
        EXPECT_EQ(Raw("EmulationInfo"), c.emulations) << c.what;
    }
}

TEST_F(DeviceIdTest, ModelAlsoBecomesTheDeviceDataModel) {
    ParseDeviceId("MDL:" + std::string(40, 'Z') + ";", port_);
    EXPECT_EQ(std::string(port_->device.data.model), std::string(31, 'Z'));
    BYTE out[64] = {};
    DWORD got = 0;
    ASSERT_TRUE(GetDeviceOptionValue(port_, u"LM_SysName", out, sizeof out, &got));
    EXPECT_EQ(got, 32u);
    EXPECT_EQ(out[31], 0) << "handed out terminated";
}

TEST_F(DeviceIdTest, StatusBlockLengthMustBeExact) {
    Block b = Block::Ready();
    b.bytes[9] = 7;
    const std::string text = b.Text();
    struct Case {
        std::string sts;
        BOOL used;
    } cases[] = {{text, TRUE}, {text.substr(0, 63), FALSE}, {text + "Q", FALSE}, {text.substr(0, 63) + "!", FALSE}};
    for (const Case& c : cases) {
        FreeVariableTable(port_->variables);
        port_->variables = CreateVariableTable();
        ParseDeviceId("MFG:QEV;STS:" + c.sts + ";MDL:After;", port_);
        DWORD memory = 0;
        EXPECT_EQ(ReadDwordVariable(port_, "PrinterMemory", &memory), c.used) << c.sts.size();
        if (c.used) {
            EXPECT_EQ(memory, 7u * 32 * 1024);
        }
        EXPECT_EQ(Text("PrinterModel"), "After") << "the rest of the device ID still counts";
    }
}

TEST_F(DeviceIdTest, ChangedStatusBlockIsPublished) {
    Block b = Block::Ready();
    ParseDeviceId("MFG:QEV;STS:" + b.Text() + ";", port_);
    EXPECT_EQ(g_manager.publishCount["TonerRemain"], 1);
    b.Set16(18, (41u << 8) | 2);
    ParseDeviceId("MFG:QEV;STS:" + b.Text() + ";", port_);
    EXPECT_EQ(g_manager.publishCount["TonerRemain"], 2);
    DWORD toner = 0;
    std::memcpy(&toner, g_manager.published["TonerRemain"].data(), 4);
    EXPECT_EQ(toner, 41u << 24);
}

TEST_F(DeviceIdTest, ValidityOfTheDeviceIdText) {
    struct Case {
        std::string text;
        BOOL valid;
    } cases[] = {
        {"MDL:A;", TRUE},
        {"MDL:A; ", TRUE},
        {"MDL:A;" + std::string(256, ' '), TRUE},
        {"MDL:A;" + std::string(257, ' '), FALSE},
        {"MDL:A", FALSE},
        {"MDL:A;x", FALSE},
        {"", FALSE},
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidDeviceId(c.text), c.valid) << c.text.size();
}

TEST_F(DeviceIdTest, ModelCheckSetsTheVersionPair) {
    struct Case {
        const char* what;
        std::string id;
        DWORD start[2];
        BOOL own;
        DWORD pair[2];
    } cases[] = {
        {"own model", "MDL:Halvoric 4400K;", {0, 0}, TRUE, {0, 1}},
        {"MODEL: key", "MODEL:Halvoric 4400K;", {0, 0}, TRUE, {0, 1}},
        {"last field counts", "MDL:Halvoric 4400K;MODEL:Other;", {0, 1}, FALSE, {0, 0}},
        {"another model", "MDL:Halvoric 4400;", {0, 1}, FALSE, {0, 0}},
        {"case matters", "MDL:halvoric 4400K;", {0, 1}, FALSE, {0, 0}},
        {"no model keeps own pair", "MFG:QEV;", {0, 1}, TRUE, {0, 1}},
        {"no model keeps other pair", "MFG:QEV;", {0, 0}, FALSE, {0, 0}},
    };
    for (const Case& c : cases) {
        port_->versionPair[0] = c.start[0];
        port_->versionPair[1] = c.start[1];
        EXPECT_EQ(IsOwnPrinterModel(port_, c.id), c.own) << c.what;
        EXPECT_EQ(port_->versionPair[0], c.pair[0]) << c.what;
        EXPECT_EQ(port_->versionPair[1], c.pair[1]) << c.what;
    }
}

TEST_F(DeviceIdTest, ChangedPairRepublishesToClientsWhenIdle) {
    port_->versionPair[1] = 0;
    SetDwordVariable(port_, "PrinterMemory", 1024);  // type 9: only for a matching pair
    int before = g_manager.publishCount["PrinterMemory"];
    IsOwnPrinterModel(port_, "MDL:Halvoric 4400K;");
    EXPECT_EQ(g_manager.publishCount["PrinterMemory"], before + 1);
    IsOwnPrinterModel(port_, "MDL:Halvoric 4400K;");  // unchanged pair: nothing again
    EXPECT_EQ(g_manager.publishCount["PrinterMemory"], before + 1);
}

TEST_F(DeviceIdTest, QueryOfThisDriversPrinter) {
    Block b = Block::Ready();
    g_lower.deviceId = std::string("MFG:QEV;CMD:ORLA;MDL:Halvoric 4400K;STS:") + b.Text() + "; ";
    port_->state |= kStateNotResponding;
    EXPECT_TRUE(QueryPrinterStatus(port_));
    EXPECT_FALSE(port_->state & kStateNotResponding);
    EXPECT_TRUE(port_->state & kStateOwnModel);
    EXPECT_TRUE(port_->state & kStateAnswersAgain);
    EXPECT_EQ(port_->versionPair[1], 1u);
    EXPECT_EQ(Text("PrinterModel"), "Halvoric 4400K");
    EXPECT_EQ(port_->device.data.memoryMByte, 128u);
    EXPECT_FALSE(g_lower.docOpen) << "the status document is ended";
}

TEST_F(DeviceIdTest, QueryOfAnotherModel) {
    for (DWORD queued : {0u, 8u}) {
        const DWORD start[3] = {0, 0, queued};
        SetPrinterStatusValue(port_, start);
        port_->versionPair[1] = 1;
        port_->sleepAfterFailedHeader = -1;
        port_->state |= kStateOwnModel;
        g_lower.deviceId = "MFG:Else;MDL:Other Printer;STS:" + Block::Ready().Text() + ";";
        EXPECT_FALSE(QueryPrinterStatus(port_));
        DWORD s[3];
        Status(s);
        EXPECT_EQ(s[0], 0u);
        EXPECT_EQ(s[1], 0x200u);
        EXPECT_EQ(s[2], queued);
        EXPECT_EQ(port_->versionPair[0], 0u);
        EXPECT_EQ(port_->versionPair[1], 0u);
        EXPECT_FALSE(port_->state & kStateOwnModel);
        EXPECT_EQ(port_->sleepAfterFailedHeader, 0);
        EXPECT_EQ(Text("PrinterModel"), "Other Printer");
        EXPECT_EQ(Text("PrinterManufacturer"), "Else");
        DWORD memory = 0;
        EXPECT_FALSE(ReadDwordVariable(port_, "PrinterMemory", &memory)) << "its status block is not used";
    }
}

TEST_F(DeviceIdTest, InvalidDeviceIdChangesNothing) {
    g_lower.deviceId = "MFG:QEV;MDL:Halvoric 4400K";
    DWORD before[3];
    Status(before);
    EXPECT_FALSE(QueryPrinterStatus(port_));
    DWORD after[3];
    Status(after);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);
    EXPECT_FALSE(port_->state & kStateNotResponding);
    EXPECT_EQ(port_->versionPair[1], 0u);
    EXPECT_FALSE(g_lower.docOpen);
}

TEST_F(DeviceIdTest, SilentPrinterIsNotResponding) {
    g_lower.deviceId.clear();
    port_->state |= kStateOwnModel;
    AddJobRecord(3, port_);
    EXPECT_FALSE(QueryPrinterStatus(port_));
    EXPECT_TRUE(port_->state & kStateNotResponding);
    EXPECT_FALSE(port_->state & kStateOwnModel);
    DWORD s[3];
    Status(s);
    EXPECT_EQ(s[1], 0x100u);
    EXPECT_EQ(CountJobRecords(port_), 0u) << "what the port held is cancelled";
    EXPECT_NE(std::find(g_manager.jobStatusHistory.begin(), g_manager.jobStatusHistory.end(), 4u),
              g_manager.jobStatusHistory.end());
    EXPECT_EQ(g_manager.jobStatus & 4, 0u) << "no job open: the cancel mark goes again";
    EXPECT_EQ(port_->myPortMode, 0u);
    // It answers again.
    g_lower.deviceId = kOwnDeviceId;
    EXPECT_TRUE(QueryPrinterStatus(port_));
    EXPECT_TRUE(port_->state & kStateAnswersAgain);
    EXPECT_FALSE(port_->state & kStateNotResponding);
}

TEST_F(DeviceIdTest, QueryTriesThreeTimesWhileAJobIsOpen) {
    g_lower.deviceId.clear();
    size_t before = g_lower.controls.size();
    port_->state |= kStateJobOpen | kStateHeaderPending;
    QueryPrinterStatus(port_);
    EXPECT_EQ(g_lower.controls.size() - before, 3u);
    port_->state &= ~(kStateJobOpen | kStateHeaderPending);
    before = g_lower.controls.size();
    QueryPrinterStatus(port_);
    EXPECT_EQ(g_lower.controls.size() - before, 1u);
}

TEST_F(DeviceIdTest, NotBidirectionalPortsAreAlwaysThere) {
    port_->kind &= ~kKindBidi;
    size_t before = g_lower.controls.size();
    EXPECT_TRUE(QueryPrinterStatus(port_));
    EXPECT_EQ(g_lower.controls.size(), before);
}

TEST_F(DeviceIdTest, DeviceIdIsNotAskedDuringAnEcpTransfer) {
    port_->myPortMode = kPortModeEcp;
    port_->ecpActive = TRUE;
    BYTE out[8];
    std::memset(out, 0x77, sizeof out);
    DWORD got = 0;
    size_t before = g_lower.controls.size();
    EXPECT_TRUE(PortDeviceControl(port_, IOCTL_PAR_QUERY_DEVICE_ID, nullptr, 0, out, sizeof out, &got));
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(out[0], 0x77);
    EXPECT_EQ(g_lower.controls.size(), before);
}

TEST_F(DeviceIdTest, CancelByteFromPortSetsTheCancelRequest) {
    BYTE one = 1, zero = 0;
    DWORD got = 0;
    PortDeviceControl(port_, IOCTL_PAR_CANCEL, &zero, 1, nullptr, 0, &got);
    EXPECT_FALSE(port_->state & kStateCancelFromPort);
    PortDeviceControl(port_, IOCTL_PAR_CANCEL, &one, 1, nullptr, 0, &got);
    EXPECT_TRUE(port_->state & kStateCancelFromPort);
}

TEST_F(DeviceIdTest, SpoolerEndOfJobIsHandledHereForOwnModels) {
    port_->versionPair[1] = 1;
    AddJobRecord(5, port_);
    size_t before = g_lower.controls.size();
    BYTE out[4];
    DWORD got = 0;
    EXPECT_FALSE(
        table_->pfnGetPrinterDataFromPort(h_, 7, nullptr, nullptr, 0, reinterpret_cast<LPWSTR>(out), sizeof out, &got));
    EXPECT_EQ(std::count(g_lower.controls.begin() + static_cast<std::ptrdiff_t>(before), g_lower.controls.end(), 7u),
              0);
    EXPECT_EQ(CountJobRecords(port_), 0u);
    // Another model's port passes it on.
    port_->versionPair[1] = 0;
    table_->pfnGetPrinterDataFromPort(h_, 7, nullptr, nullptr, 0, reinterpret_cast<LPWSTR>(out), sizeof out, &got);
    EXPECT_EQ(g_lower.controls.back(), 7u);
}

TEST_F(DeviceIdTest, SnmpAnswerEvaluation) {
    port_->kind = kKindPort | kKindBidi | kKindStdTcpip;
    EXPECT_TRUE(
        EvaluateSnmpDeviceId(port_, std::string("MFG:QEV;MDL:Halvoric 4400K;STS:") + Block::Ready().Text() + ";"));
    EXPECT_TRUE(port_->state & kStateOwnModel);
    EXPECT_EQ(port_->device.data.memoryMByte, 128u);
    EXPECT_FALSE(EvaluateSnmpDeviceId(port_, ""));
    DWORD s[3];
    Status(s);
    EXPECT_EQ(s[1], 0x100u);
    EXPECT_TRUE(port_->state & kStateNotResponding);
    port_->state &= ~kStateAnswersAgain;
    EXPECT_FALSE(EvaluateSnmpDeviceId(port_, "MDL:Other;"));
    Status(s);
    EXPECT_EQ(s[1], 0x200u);
    EXPECT_FALSE(port_->state & kStateNotResponding);
    EXPECT_FALSE(port_->state & kStateAnswersAgain) << "only the port monitor's route marks answering again";
}

TEST_F(DeviceIdTest, SnmpReaderIsUsedOnStandardTcpIpPorts) {
    port_->kind = kKindPort | kKindBidi | kKindStdTcpip;
    SetSnmpDeviceIdReader([](PortRecord*, char* buffer, DWORD size) -> DWORD {
        // A reader that claims more than it may: only the buffer counts.
        std::string id = "MFG:QEV;MDL:Halvoric 4400K;";
        std::memset(buffer, ' ', size);
        std::memcpy(buffer, id.data(), id.size());
        return size + 100;
    });
    size_t before = g_lower.controls.size();
    EXPECT_TRUE(QueryPrinterStatus(port_));
    SetSnmpDeviceIdReader(nullptr);
    EXPECT_EQ(g_lower.controls.size(), before) << "no device control on the port monitor";
    EXPECT_EQ(port_->versionPair[1], 1u);
}

TEST_F(DeviceIdTest, OptionRefreshDueAfterOneSecond) {
    EXPECT_TRUE(IsOptionRefreshDue(port_)) << "never set";
    DispatchStatusBlock(Block::Ready().bytes, port_);
    PlatClockSetAutoAdvance(FALSE);
    EXPECT_FALSE(IsOptionRefreshDue(port_));
    PlatClockAdvance(999);
    EXPECT_FALSE(IsOptionRefreshDue(port_));
    PlatClockAdvance(1);
    EXPECT_TRUE(IsOptionRefreshDue(port_));
    PlatClockSetAutoAdvance(TRUE);
}

TEST_F(DeviceIdTest, DeviceOptionValues) {
    InitDeviceOptions(port_);
    DWORD got = 0;
    BYTE out[256] = {};
    EXPECT_FALSE(GetDeviceOptionValue(port_, u"GetTime", out, sizeof out, &got)) << "no decode yet";
    EXPECT_TRUE(GetDeviceOptionValue(port_, u"LM_InputTray", nullptr, 0, &got));
    EXPECT_EQ(got, 100u);
    Block b = Block::Ready();
    b.Set16(36, 0x0801);
    DispatchStatusBlock(b.bytes, port_);
    struct Case {
        const char16_t* name;
        DWORD size;
        DWORD value;  // first DWORD or WORD
    } cases[] = {
        {u"LM_SysName", 32, 0},          {u"LM_MemorySizeInKByte", 4, 131072}, {u"LM_MemorySizeInMByte", 4, 128},
        {u"LM_RamDisk", 2, 1},           {u"LM_DuplexModule", 2, 1},           {u"LM_InputTray", 4 + 2 * 32, 2},
        {u"GetTime", 4, GetTickCount()},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(GetDeviceOptionValue(port_, c.name, nullptr, 0, &got));
        EXPECT_EQ(got, c.size);
        std::memset(out, 0, sizeof out);
        ASSERT_TRUE(GetDeviceOptionValue(port_, c.name, out, sizeof out, &got));
        EXPECT_EQ(got, c.size);
        if (c.name[3] == u'S') continue;  // the model is text
        DWORD v = 0;
        std::memcpy(&v, out, c.size >= 4 ? 4 : 2);
        if (c.name[0] != u'G') {
            EXPECT_EQ(v, c.value);
        }
    }
    // A short buffer gets the start of the value.
    ASSERT_TRUE(GetDeviceOptionValue(port_, u"LM_MemorySizeInKByte", out, 2, &got));
    EXPECT_EQ(got, 2u);
    EXPECT_FALSE(GetDeviceOptionValue(port_, u"LM_Nothing", out, sizeof out, &got));
    EXPECT_FALSE(GetDeviceOptionValue(port_, u"lm_ramdisk", out, sizeof out, &got));
}

TEST_F(DeviceIdTest, LmPortQueries) {
    g_lower.deviceId = "MFG:QEV;MDL:Halvoric 4400K;STS:" + Block::Ready().Text() + ";";
    BYTE out[256] = {};
    DWORD got = 0;
    auto query = [&](LPCWSTR name, DWORD size) {
        got = 0;
        SetLastError(0);
        return table_->pfnGetPrinterDataFromPort(h_, 0, const_cast<LPWSTR>(name), nullptr, 0,
                                                 reinterpret_cast<LPWSTR>(out), size, &got);
    };
    port_->state |= kStateTerminate;
    EXPECT_FALSE(query(u"LM_MemorySizeInMByte", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(got, 4u);
    EXPECT_FALSE(port_->state & kStateTerminate) << "a due refresh clears the terminate bit";
    EXPECT_FALSE(query(u"LM_MemorySizeInMByte", sizeof out));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(got, 4u);
    DWORD v = 0;
    std::memcpy(&v, out, 4);
    EXPECT_EQ(v, 128u);
    EXPECT_FALSE(query(u"LM_InputTrayList", sizeof out)) << "prefix compare";
    EXPECT_EQ(got, 4u + 2 * 32);
    // The printer stops answering: -1.
    g_lower.deviceId.clear();
    PlatClockAdvance(2000);
    EXPECT_FALSE(query(u"LM_RamDisk", sizeof out));
    EXPECT_EQ(got, 4u);
    std::memcpy(&v, out, 4);
    EXPECT_EQ(v, 0xFFFFFFFFu);
    EXPECT_FALSE(query(u"LM_RamDisk", 2));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(DeviceIdTest, WriteGateInEcpMode) {
    struct Case {
        const char* what;
        DWORD mode;
        BYTE block, free;
        DWORD remaining;
        BYTE freeAfterQuery;
        BOOL allow;
    } cases[] = {
        {"outside ECP mode", 1, 0, 0, 0, 0, TRUE},
        {"room enough", 2, 32, 4, 32 * 4 * 1024, 4, TRUE},
        {"remaining only one block", 2, 32, 4, 32 * 1024 + 5, 1, FALSE},
        {"one block free", 2, 32, 1, 32 * 4 * 1024, 1, FALSE},
        {"query finds two free", 2, 32, 1, 32 * 4 * 1024, 2, TRUE},
        {"no block size", 2, 0, 9, 99999, 0, FALSE},
    };
    for (const Case& c : cases) {
        Block b = Block::Ready();
        b.bytes[42] = c.block;
        b.bytes[43] = c.freeAfterQuery;
        g_lower.deviceId = "MFG:QEV;MDL:Halvoric 4400K;STS:" + b.Text() + ";";
        DispatchStatusBlock(b.bytes, port_);
        port_->myPortMode = c.mode;
        port_->device.bufferBlockKB = c.block;
        port_->device.bufferBlocksFree = c.free;
        port_->bytesSent = c.remaining;
        port_->ecpActive = TRUE;
        EXPECT_EQ(WriteGate(port_), c.allow) << c.what;
        if (c.mode == 2 && c.freeAfterQuery < 2 && !c.allow) {
            EXPECT_FALSE(port_->ecpActive) << c.what;
        }
    }
    port_->myPortMode = kPortModeDefault;
}

TEST_F(DeviceIdTest, GateRefusalIsAShortWriteNotAFailure) {
    Block b = Block::Ready();
    b.bytes[43] = 0;
    g_lower.deviceId = "MFG:QEV;MDL:Halvoric 4400K;STS:" + b.Text() + ";";
    DispatchStatusBlock(b.bytes, port_);
    port_->myPortMode = kPortModeEcp;
    DWORD written = 99;
    const BYTE data[4] = {1, 2, 3, 4};
    EXPECT_TRUE(LowerWritePort(port_, data, sizeof data, &written));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(port_->lastWriteFailed);
    EXPECT_TRUE(g_lower.written.empty());
    port_->myPortMode = kPortModeDefault;
}

TEST_F(DeviceIdTest, PollingStepConsumesAFreeBlock) {
    port_->device.bufferBlocksFree = 1;
    ConsumeFreeBlock(port_);
    EXPECT_EQ(port_->device.bufferBlocksFree, 0);
    ConsumeFreeBlock(port_);
    EXPECT_EQ(port_->device.bufferBlocksFree, 0);
}

}  // namespace

namespace {

// A status reader asks for the trays while the polling side decodes status blocks that change
// the tray count: every answer is whole (its size matches the count it carries).
TEST_F(DeviceIdTest, TrayQueryWhileBlocksAreDecoded) {
    Block two = Block::Ready();
    Block five = Block::Ready();
    for (DWORD at = 24; at < 34; at += 2) five.Set16(at, 0x4000 | (1u << 7) | 2);
    g_lower.deviceId = "MFG:QEV;MDL:Halvoric 4400K;STS:" + two.Text() + ";";
    DispatchStatusBlock(two.bytes, port_);
    std::atomic<bool> stop{false};
    std::thread decoder([&] {
        for (int i = 0; i < 2000; ++i) {
            TakePortMutex(port_, 30000);
            DispatchStatusBlock((i & 1) ? five.bytes : two.bytes, port_);
            ReleasePortMutex(port_);
        }
        stop = true;
    });
    int torn = 0, answers = 0;
    while (!stop) {
        BYTE out[4 + 5 * 32] = {};
        DWORD got = 0;
        table_->pfnGetPrinterDataFromPort(h_, 0, const_cast<LPWSTR>(u"LM_InputTray"), nullptr, 0,
                                          reinterpret_cast<LPWSTR>(out), sizeof out, &got);
        if (GetLastError() != ERROR_INVALID_PARAMETER || got < 4) continue;
        DWORD count = 0;
        std::memcpy(&count, out, 4);
        ++answers;
        if (got != 4 + 32 * count) ++torn;
    }
    decoder.join();
    EXPECT_GT(answers, 0);
    EXPECT_EQ(torn, 0);
}

}  // namespace
