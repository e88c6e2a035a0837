// Status block: Base64 decoding, the display-code maps and the setters.
#include "monitor/status_block.h"

#include <algorithm>
#include <cstring>

#include "monitor/bin_config.h"
#include "monitor/job_records.h"
#include "monitor/manager_client.h"
#include "monitor/printer_options.h"
#include "monitor/status_variables.h"

namespace {

// ---- Block offsets ----
constexpr DWORD kBlockStatus = 0;
constexpr DWORD kBlockHwHigh = 4;
constexpr DWORD kBlockHwLow = 6;
constexpr DWORD kBlockActivity = 8;
constexpr DWORD kBlockMemory = 9;
constexpr DWORD kBlockCovers = 10;
constexpr DWORD kBlockConsumables = 18;
constexpr DWORD kBlockUnit1 = 20;
constexpr DWORD kBlockUnit2 = 22;
constexpr DWORD kBlockTrays = 24;
constexpr DWORD kBlockFeeder = 34;
constexpr DWORD kBlockOptions = 36;
constexpr DWORD kBlockJams = 38;
constexpr DWORD kBlockBufferBlock = 42;
constexpr DWORD kBlockBufferFree = 43;
constexpr DWORD kBlockPanelLanguage = 46;

constexpr WORD kTrayIds[5] = {2001, 1, 2, 3, 4};
constexpr BYTE kTraySelect[4] = {0xFD, 0xFD, 0x00, 0xFE};
constexpr BYTE kMediaCodes[32] = {15, 0,  2,  6,  1,  15, 4,  5,  23, 15, 13, 12, 24, 19, 3,  7,
                                  27, 29, 25, 26, 33, 28, 31, 35, 32, 15, 34, 36, 37, 15, 38, 19};
constexpr SHORT kPaperSizes[32] = {-1, 8,  9,  11, 12, 13, 1,    4,  41,   5,   1234, 58, 1236, 7,  6,  43,
                                   69, 20, 37, 28, 27, 31, 1237, 91, 1239, 256, 1238, 73, 77,   75, 71, 0};
constexpr DWORD kMediaClasses[32] = {0, 1, 2, 0, 3, 0, 0, 0, 0, 0, 4, 0, 0, 5, 0, 0,
                                     8, 0, 6, 7, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr DWORD kFeedValues[32] = {3, 3, 3, 2, 3, 2, 3, 3, 3, 3, 3, 3, 3, 2, 3, 2,
                                   2, 2, 2, 2, 2, 3, 2, 2, 2, 3, 3, 3, 2, 2, 0, 0};

struct PaperRow {
    LONG code;
    DWORD id;
    LONG length;  // 0.1 mm
    LONG width;
};
// Paper code, identifier, length, width.
constexpr PaperRow kPapers[] = {
    {-1, 10000, -1, -1},
    {8, 24, 4200, 2970},
    {9, 25, 2970, 2100},
    {11, 26, 1480, 2100},
    {12, 45, 3640, 2570},
    {13, 46, 1820, 2570},
    {1, 1, 2794, 2159},
    {4, 10001, 4318, 2794},
    {41, 10002, 3302, 2159},
    {5, 2, 3556, 2159},
    {1234, 10012, 4530, 3280},
    {58, 10009, 4572, 3048},
    {1236, 10011, 4572, 3200},
    {7, 10014, 1842, 2667},
    {6, 10, 2159, 1397},
    {43, 10003, 1000, 1480},
    {69, 10017, 1480, 2000},
    {20, 5, 1048, 2413},
    {37, 12, 984, 1905},
    {28, 66, 1620, 2290},
    {27, 70, 1100, 2200},
    {31, 10017, 1620, 1140},
    {1237, 10017, 980, 1480},
    {91, 10017, 1050, 2350},
    {1239, 10017, 1200, 2350},
    {256, 10004, -1, -1},
    {1238, 10017, -1, -1},
    {73, 10017, 2350, 1200},
    {71, 71, 0, 0},
    {0, 0, 0, 0},
};

// Display codes by status group; index past a list gives 0.
struct GroupRow {
    DWORD count;
    BYTE codes[18];
};
constexpr GroupRow kGroups[17] = {
    {1, {7}},                                                                    // 0
    {1, {7}},                                                                    // 1
    {1, {7}},                                                                    // 2
    {1, {0}},                                                                    // 3
    {4, {4, 4, 4, 5}},                                                           // 4
    {1, {0}},                                                                    // 5 (index 0 by "SPOOLERSTATUS")
    {1, {0}},                                                                    // 6 (the same)
    {1, {9}},                                                                    // 7
    {2, {10, 12}},                                                               // 8
    {1, {0}},                                                                    // 9
    {2, {14, 14}},                                                               // 10
    {16, {16, 17, 18, 16, 20, 21, 22, 23, 24, 25, 26, 27, 27, 28, 29, 30}},      // 11
    {1, {31}},                                                                   // 12
    {7, {0, 31, 31, 33, 38, 38, 33}},                                            // 13 (index 0 by "SPOOLERSTATUS")
    {5, {34, 34, 34, 34, 34}},                                                   // 14
    {17, {35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 36, 39, 12}},  // 15
    {3, {33, 39, 39}},                                                           // 16
};

// Display code, icon, PrinterStatus DWORDs (the table with "SPOOLERSTATUS" bit 2 set).
struct StatusRow {
    DWORD code;
    DWORD icon;
    DWORD status[3];
};
constexpr StatusRow kDisplayStatus[] = {
    {7, 1, {0, 0x80, 0}},      {9, 1, {0, 0, 0x10000}},     {10, 1, {0, 0, 0x2000}},  {12, 1, {0, 0, 0x4000}},
    {14, 1, {0, 0, 0x8000}},   {16, 1, {0, 0, 0x40000000}}, {17, 1, {0, 0, 0x40000}}, {18, 1, {0, 0, 0x4000000}},
    {19, 1, {0, 0, 0x800000}}, {20, 1, {0, 0, 0x200000}},   {21, 1, {0x1000, 0, 0}},  {22, 1, {0x2000, 0, 0}},
    {23, 1, {0x2000, 0, 0}},   {24, 1, {0x2000, 0, 0}},     {27, 1, {0x2000, 0, 0}},  {25, 1, {0, 0, 0x400000}},
    {26, 1, {0, 0, 0x100000}}, {28, 1, {0x10000, 0, 0}},    {29, 1, {0x10000, 0, 0}}, {30, 1, {0x10000, 0, 0}},
    {31, 1, {0, 0, 0x1000}},   {32, 2, {0, 0, 0x201}},      {33, 2, {0, 0, 0x11}},    {34, 0, {0, 0, 0x9}},
    {35, 2, {0, 0, 0x801}},    {36, 2, {0, 0, 0x3}},        {38, 0, {0, 0, 0x41}},    {39, 0, {0, 0, 0x1}},
};

WORD Word(const BYTE* b, DWORD at) {
    return static_cast<WORD>((b[at] << 8) | b[at + 1]);
}
DWORD Dword(const BYTE* b, DWORD at) {
    return (static_cast<DWORD>(b[at]) << 24) | (static_cast<DWORD>(b[at + 1]) << 16) |
           (static_cast<DWORD>(b[at + 2]) << 8) | b[at + 3];
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    if (c == '=') return 0;
    return -1;
}

const PaperRow& PaperByCode(LONG code) {
    for (const PaperRow& row : kPapers)
        if (row.code == code) return row;
    static constexpr PaperRow kNone{0, 0, 0, 0};
    return kNone;
}

// Tray records of the device data are native DWORDs inside a byte array.
void PutOption(BYTE* record, DWORD field, DWORD value) {
    std::memcpy(record + 4 * field, &value, 4);
}

SHORT PaperSizeOfTray(WORD tray) {
    return (tray & 0x20) ? SHORT(-1) : kPaperSizes[tray & 0x1F];
}

// Each setter stores only a changed value and marks it dirty.
struct Dispatch {
    PortRecord* port;
    const BYTE* block;
    DWORD display;
    BOOL changed;

    void Dword(const char* name, DWORD value) { changed |= SetDwordVariable(port, name, value); }
    void Bytes(const char* name, const void* value, DWORD size) { changed |= SetVariable(port, name, value, size); }
    void Lower(DWORD condition) { LowerDisplayCode(&display, condition); }
};

void SetPanelDisplay(Dispatch& d, DWORD statusCode) {
    PortRecord* port = d.port;
    if (port->kind & kKindTcpip) return;
    if (statusCode < 0xB10) {
        port->device.busyRefresh = TRUE;
        d.Dword("PrinterDisplay2", statusCode);
        BYTE display[kPanelRecordSize] = {};
        if (StatusVariable* row = FindVariable("PrinterDisplay", port->variables, port)) {
            if (StoreVariableValue(row, display, sizeof display, TRUE) == 1) {
                row->dirty = TRUE;
                d.changed = TRUE;
            }
        }
    } else {
        port->device.busyRefresh = FALSE;
        d.Dword("PrinterDisplay2", 0xFFFFFFFFu);
    }
}

void SetMemory(Dispatch& d) {
    BYTE units = d.block[kBlockMemory];
    DeviceData& data = d.port->device.data;
    data.memoryMByte = units * 32u;
    data.memoryKByte = data.memoryMByte * 1024u;
    if (units) d.Dword("PrinterMemory", data.memoryKByte);
}

void SetCovers(Dispatch& d) {
    WORD covers = Word(d.block, kBlockCovers);
    d.Dword("ErrCoverOpen", covers ^ 0x21u);
    if (covers != 0x21) d.Lower(14);
}

void SetConsumables(Dispatch& d) {
    DWORD toner = (Word(d.block, kBlockConsumables) >> 8) & 0x7F;
    d.Dword("TonerRemain", toner << 24);
    DWORD first = (Word(d.block, kBlockUnit1) >> 8) & 0x7F;
    DWORD second = d.block[kBlockUnit2] & 0x7F;
    d.Dword("CRURemain", first | (second << 8));
}

void SetPaperJam(Dispatch& d) {
    DWORD jams = Dword(d.block, kBlockJams) & 0x0FFFFFFF;
    d.Dword("ErrPaperJam", jams);
    if (jams) d.Lower(9);
}

void SetTrays(Dispatch& d) {
    PortRecord* port = d.port;
    const WORD options = Word(d.block, kBlockOptions);
    BYTE bins[kBinConfigMaxSize] = {};
    DWORD count = 0;
    BYTE selected[5] = {};  // bits-12-13 byte of each record
    WORD ids[5] = {};
    DWORD lastIndex = 0;
    BOOL anyTray = FALSE;
    DeviceData& data = port->device.data;
    std::memset(data.trays, 0, sizeof data.trays);
    for (DWORD t = 0; t < 5; ++t) {
        WORD tray = Word(d.block, kBlockTrays + 2 * t);
        DWORD presence = tray >> 14;
        if (!presence) continue;
        WORD state;
        if (kTrayIds[t] == 2001)
            state = 2001;
        else if (count >= 1 && (options & (0x1000u << (count - 1))))
            state = 6;
        else
            state = presence == 2 ? 1 : 3;
        SHORT paper = PaperSizeOfTray(tray);
        selected[count] = kTraySelect[(tray >> 12) & 3];
        ids[count] = kTrayIds[t];
        PutBinRecord(BinRecordAt(bins, count),
                     BinRecord{kTrayIds[t], state, paper, selected[count], kMediaCodes[(tray >> 7) & 0x1F]});
        // The option record of this tray: ordinal, kind, 0, media class, paper id, length, width, feed.
        BYTE* opt = data.trays + kTrayRecordSize * count;
        const PaperRow& p = PaperByCode(paper);
        PutOption(opt, 3, kMediaClasses[(tray >> 7) & 0x1F]);
        PutOption(opt, 4, p.id);
        PutOption(opt, 5, static_cast<DWORD>(p.length));
        PutOption(opt, 6, static_cast<DWORD>(p.width));
        lastIndex = tray & 0x1F;
        anyTray = TRUE;
        ++count;
    }
    std::memcpy(bins, &count, kBinCountSize);
    d.Bytes("PrinterBinConfig", bins, kBinCountSize + kBinRecordSize * count);
    data.trayCount = count;
    DWORD feed = anyTray ? kFeedValues[lastIndex] : 0;
    // The first two records always say what they are, even when fewer trays exist.
    for (DWORD r = 0; r < kDeviceTrayMax; ++r) {
        if (r >= count && r >= 2) break;
        BYTE* opt = data.trays + kTrayRecordSize * r;
        PutOption(opt, 0, r + 1);
        PutOption(opt, 1, r == 0 ? 5 : (r == 1 ? 3 : 4));
        PutOption(opt, 2, 0);
        if (r < count) PutOption(opt, 7, feed);
    }

    const WORD feeder = Word(d.block, kBlockFeeder);
    const DWORD current = feeder >> 13;
    if (port->jobHead) {
        DWORD feederId = 0;
        if (current != 7 && count) {
            feederId = ids[0];
            for (DWORD r = 0; r < count; ++r)
                if (current < 5 && ids[r] == kTrayIds[current]) feederId = ids[r];
        }
        d.Dword("CurrentFeeder", feederId);
    }
    BYTE noPaper[8] = {};
    SHORT trayId = current < 5 ? static_cast<SHORT>(kTrayIds[current]) : (current == 7 ? SHORT(0) : SHORT(-1));
    DWORD sizeIndex = feeder & 0xFF;
    SHORT paper = sizeIndex > 31 ? SHORT(-1) : kPaperSizes[sizeIndex];
    std::memcpy(noPaper, &trayId, 2);
    std::memcpy(noPaper + 2, &paper, 2);
    noPaper[4] = kMediaCodes[(feeder >> 8) & 0x1F];
    d.Bytes("ErrNoPaper2", noPaper, sizeof noPaper);
    if (d.display == 18 && current < 5) {
        for (DWORD r = 0; r < count; ++r)
            if (ids[r] == kTrayIds[current] && selected[r] == 0) d.display = 19;
    }
}

void SetOptions(Dispatch& d) {
    PortRecord* port = d.port;
    const WORD options = Word(d.block, kBlockOptions);
    constexpr struct {
        WORD bit;
        WORD key;
    } kOptionBits[] = {{0x1, 1}, {0x2, 7001}, {0x4, 3001}};
    for (const auto& o : kOptionBits) {
        if (options & o.bit)
            d.changed |= SetPrinterOptConfig(o.key, o.key, 0, port);
        else
            d.changed |= RemovePrinterOptConfig(o.key, o.key, port);
    }
    port->device.data.duplexUnit = (options & 0x1) ? 1 : 0;
    port->device.data.ramDisk = (options & 0x800) ? 1 : 0;
}

void SetErrors(Dispatch& d) {
    PortRecord* port = d.port;
    if (d.display == 7)
        d.Dword("ErrHWError", (static_cast<DWORD>(Word(d.block, kBlockHwHigh)) << 16) | Word(d.block, kBlockHwLow));
    WORD consumables = Word(d.block, kBlockConsumables);
    DWORD supplies = 0;
    if ((consumables & 3) == 0)
        supplies = 1;
    else if ((consumables & 3) == 1)
        supplies = 2;
    else if (consumables & 4)
        supplies = 3;
    d.Dword("ErrSupplies", supplies << 24);
    constexpr DWORD kSuppliesDisplay[4] = {0, 10, 12, 36};
    if (supplies) d.Lower(kSuppliesDisplay[supplies]);
    d.Dword("ErrPeriodicChange", 0);
    if (d.display >= 22 && d.display <= 30) {
        constexpr DWORD kOther[9] = {1, 2, 3, 0, 0, 4, 5, 6, 7};  // codes 22 to 30
        d.Dword("ErrOtherError", kOther[d.display - 22]);
    }
    port->device.bufferBlockKB = d.block[kBlockBufferBlock];
    port->device.bufferBlocksFree = d.block[kBlockBufferFree];
    // A printer whose input buffer has no free block takes no new job now: it is busy, and a
    // job's header waits for it.
    if (d.block[kBlockBufferBlock] && !d.block[kBlockBufferFree])
        port->state |= kStatePrinterBusy;
    else
        port->state &= ~kStatePrinterBusy;
    port->bytesSent = static_cast<DWORD>(d.block[kBlockBufferBlock]) * d.block[kBlockBufferFree] * 1024u;
}

void SetPrinterStatus(Dispatch& d) {
    PortRecord* port = d.port;
    DeviceState& dev = port->device;
    RefreshDeviceOptions(port);
    if (d.display >= 35 && d.display <= 39) {
        if (dev.jobEndWatch) {
            if (port->pollWakeEvent && dev.skipMark) {
                dev.skipMark = FALSE;
            } else {
                ReleaseQueuedJobs(port);
                dev.jobEndWatch = FALSE;
                dev.skipMark = TRUE;
            }
        }
        if (port->jobHead && !(port->state & kStateJobOpen)) {
            if (++dev.finishedReports >= 3) {
                dev.finishedReports = 0;
                FinishOrCancelJob(port, TRUE);
            }
        } else {
            dev.finishedReports = 0;
        }
    } else {
        dev.finishedReports = 0;
    }
    BYTE activity = d.block[kBlockActivity];
    if (activity == 1 || d.display == 34 || port->jobHead) d.Lower(34);
    if (activity == 2) d.Lower(32);
    if (d.display == 4)
        SetJobStatusBits(port, kJobstatusCancelling, TRUE);
    else if (port->state & kStatePollingRunning)
        SetJobStatusBits(port, kJobstatusCancelling, FALSE);
    DisplayStatus s = PrinterStatusFromDisplay(d.display, g_monitor.spoolerStatus);
    if (port->state & kStatePollingWanted) {
        d.changed |= SetPrinterStatusValue(port, s.status);
    } else if (StatusVariable* row = FindVariable("PrinterStatus", port->variables, port)) {
        int stored = StoreVariableValue(row, s.status, 12, FALSE);
        row->dirty = TRUE;  // not polling: every decode reports it again
        d.changed |= stored == 1;
    }
    d.Dword("IconState", s.icon);
}

}  // namespace

BOOL DecodeStatusBlock(std::string_view text, BYTE out[kStatusBlockSize]) {
    if (text.size() != kStatusBlockText) return FALSE;
    BYTE block[kStatusBlockSize];
    for (DWORD q = 0; q < kStatusBlockText / 4; ++q) {
        DWORD v = 0;
        for (DWORD k = 0; k < 4; ++k) {
            int x = Base64Value(text[4 * q + k]);
            if (x < 0) return FALSE;
            v = (v << 6) | static_cast<DWORD>(x);
        }
        block[3 * q] = static_cast<BYTE>(v >> 16);
        block[3 * q + 1] = static_cast<BYTE>(v >> 8);
        block[3 * q + 2] = static_cast<BYTE>(v);
    }
    std::memcpy(out, block, sizeof block);
    return TRUE;
}

DWORD DisplayCodeFromStatus(DWORD statusCode, DWORD spoolerStatus) {
    if (statusCode >= 0x1100) return 0;
    DWORD group = (statusCode >> 8) & 0xFF;
    DWORD index = statusCode & 0xFF;
    if (group >= 17) return 7;
    if ((group == 5 || group == 6) && index == 0) return (spoolerStatus & 4) ? 0 : 31;
    if (group == 13 && index == 0) {
        // Its entry is 0 when "SPOOLERSTATUS" bit 0 is set, 31 when clear.
        DWORD first = (spoolerStatus & 1) ? 0 : 31;
        return ((spoolerStatus & 5) == 5) ? first : 31;
    }
    const GroupRow& row = kGroups[group];
    return index < row.count ? row.codes[index] : 0;
}

void LowerDisplayCode(DWORD* code, DWORD condition) {
    if (condition < *code || (*code == 18 && (condition == 16 || condition == 19))) *code = condition;
}

DisplayStatus PrinterStatusFromDisplay(DWORD displayCode, DWORD spoolerStatus) {
    const BOOL bit2 = (spoolerStatus & 4) != 0;
    for (const StatusRow& row : kDisplayStatus) {
        if (row.code != displayCode) continue;
        DisplayStatus s{row.icon, {row.status[0], row.status[1], row.status[2]}};
        if (!bit2 && row.icon == 1) s.status[2] |= 0x1000;
        return s;
    }
    if (!bit2 && (displayCode == 4 || displayCode == 5)) return DisplayStatus{1, {0, 0, 0x1000}};
    return DisplayStatus{0, {0, 0, 0}};
}

BOOL DispatchStatusBlock(const BYTE block[kStatusBlockSize], PortRecord* port) {
    Dispatch d{port, block, 0, FALSE};
    const DWORD statusCode = Dword(block, kBlockStatus);
    {
        PortLock lock(port);
        if (!(port->state & kStatePrinterAnswered)) {
            d.Dword("PanelLanguage", block[kBlockPanelLanguage]);
            SetPanelDisplay(d, statusCode);
        }
    }
    d.display = DisplayCodeFromStatus(statusCode, g_monitor.spoolerStatus);
    PortLock lock(port);
    SetMemory(d);
    SetCovers(d);
    SetConsumables(d);
    SetPaperJam(d);
    SetTrays(d);
    SetOptions(d);
    SetErrors(d);
    SetPrinterStatus(d);
    return d.changed;
}

void ReleaseQueuedJobs(PortRecord* port) {
    PortLock lock(port);
    HANDLE printer = port->currentClient ? port->currentClient->printer : nullptr;
    for (JobRecord* j = port->jobHead; j; j = j->next) {
        HANDLE to = j->client && j->client->printer ? j->client->printer : printer;
        SetJobControl(to, j->jobId, j);
    }
    if (StatusVariable* queue = FindVariable("PrinterQueue", port->variables, port)) {
        const DWORD zero = 0;
        StoreVariableValue(queue, &zero, 4, TRUE);
        queue->dirty = TRUE;
    }
    if (StatusVariable* row = FindVariable("PrintingJobInfo2", port->variables, port)) {
        BYTE info[kPrintingJobInfoSize] = {};
        DWORD first = port->jobHead ? port->jobHead->jobId : 0;
        std::memcpy(info + kJobinfoJobId, &first, 4);
        row->flags = (row->flags | kVarJobEnded) & ~kVarKeep;
        if (StoreVariableValue(row, info, sizeof info, TRUE) == 1) row->dirty = TRUE;
    }
    PublishDirtyVariables(port);
}
