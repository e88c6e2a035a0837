// The PJL reply parser: replies as text in, status variables and job progress out.
#include "monitor/pjl_reply.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "monitor/bin_config.h"
#include "monitor/job_records.h"
#include "monitor/manager_client.h"
#include "monitor/printer_options.h"
#include "monitor/snmp_job_info.h"
#include "monitor/status_variables.h"
#include "win/nls.h"

namespace {

constexpr char FF = '\x0c';
constexpr DWORD kJobInfoKeep = 0x2;
constexpr DWORD kJobInfoStarted = 0x100;
constexpr DWORD kJobInfoEnded = 0x200;

using Text = std::string_view;

BOOL Begins(Text text, Text prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

// A line without its CR LF.
Text Trimmed(Text line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

Text SkipBlanks(Text t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    return t;
}

// The value after "=" (blanks around it skipped).
Text ValueAfterEquals(Text rest) {
    size_t eq = rest.find('=');
    if (eq == Text::npos) return {};
    return SkipBlanks(Trimmed(rest.substr(eq + 1)));
}

BOOL ParseNumber(Text t, LONG* out) {
    t = SkipBlanks(t);
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), *out);
    return ec == std::errc() && ptr != t.data();
}

struct Reply {
    PortRecord* port;
    Text body;  // the reply after its first line, up to (not including) the form feed
    Text firstLine;
    DWORD* flags;
    BOOL inquire;
    BOOL endOfJob;
};

typedef BOOL (*Handler)(Reply& r, Text rest, Text nextLine);
struct Keyword {
    Text text;
    Handler handler;  // none: skip the line
};

// ---- Job information ----

// Hands the pending job-information value to "PrintingJobInfo2", or queues it behind an
// earlier value that has not been published yet.
void CommitJobInfo(PortRecord* port) {
    ReplyState& s = port->reply;
    StatusVariable* row = FindVariable("PrintingJobInfo2", port->variables, port);
    if (!row || !s.jobInfo) return;
    DWORD rowFlags = (row->flags & ~(kVarKeep | kVarJobStarted | kVarJobEnded)) |
                     (s.jobInfoFlags & (kJobInfoKeep | kJobInfoStarted | kJobInfoEnded));
    if (row->dirty && row->value) {
        if (port->jobInfoQueued < sizeof port->jobInfoQueue / sizeof port->jobInfoQueue[0]) {
            BYTE* copy = static_cast<BYTE*>(MonAlloc(kPrintingJobInfoSize + 4));
            if (copy) {
                std::memcpy(copy, s.jobInfo, kPrintingJobInfoSize);
                std::memcpy(copy + kPrintingJobInfoSize, &rowFlags, 4);
                port->jobInfoQueue[port->jobInfoQueued++] = copy;
            }
        }
        return;
    }
    StoreVariableValue(row, s.jobInfo, kPrintingJobInfoSize, TRUE);
    row->flags = rowFlags;
    row->dirty = TRUE;
}

BOOL OnJobStart(Reply& r, Text, Text) {
    NewPendingJobInfo(r.port);
    r.port->reply.jobInfoFlags = (r.port->reply.jobInfoFlags | kJobInfoKeep | kJobInfoStarted) & ~kJobInfoEnded;
    return TRUE;
}

BOOL OnJobEnd(Reply& r, Text, Text) {
    PortRecord* port = r.port;
    port->lastPageNumber = 0;
    NewPendingJobInfo(port);
    DWORD flags = kJobInfoStarted;
    if (StatusVariable* row = FindVariable("PrintingJobInfo2", port->variables, port))
        flags = row->flags & (kJobInfoKeep | kJobInfoStarted | kJobInfoEnded);
    flags = port->jobInfoQueued ? (flags | kJobInfoKeep) : (flags & ~kJobInfoKeep);
    port->reply.jobInfoFlags = flags | kJobInfoEnded | kJobInfoStarted;
    return TRUE;
}

BOOL OnJobName(Reply& r, Text rest, Text) {
    PortRecord* port = r.port;
    Text value = ValueAfterEquals(rest);
    DWORD jobId = 0;
    JobRecord* job = nullptr;
    if (Begins(value, "\"MSJOB ")) {
        LONG id = 0;
        if (!ParseNumber(value.substr(7), &id) || id <= 0) return FALSE;
        jobId = static_cast<DWORD>(id);
        job = FindJobRecordById(jobId, port);
    } else {
        if (!Begins(value, "\"") && !Begins(value, "03")) return FALSE;
        if (port->postScriptCancel) {
            port->postScriptCancel = FALSE;  // the name of the cancelled PostScript job, once
            return TRUE;
        }
        if (Begins(value, "\"")) value.remove_prefix(1);
        size_t end = std::min(value.find_first_of("\"\r\n"), value.size());
        char name[25] = {};
        std::memcpy(name, value.data(), std::min<size_t>(end, 24));
        BOOL ended = (port->reply.jobInfoFlags & kJobInfoEnded) != 0;
        // A 24-character job client ID matches whole; a longer GUID name matches on the 24
        // characters the printer gives back.
        job = FindJobRecordByNamePrefix(name, 24, ended ? 2 : 1, port);
        if (job && !ended) std::memset(job->firstName, 0, sizeof job->firstName);
    }
    if (!job) return TRUE;
    if (!port->reply.jobInfo) NewPendingJobInfo(port);
    if (!port->reply.jobInfo) return TRUE;
    std::memcpy(port->reply.jobInfo + kJobinfoJobId, &job->jobId, 4);
    if (port->reply.jobInfoFlags & kJobInfoEnded) {
        DWORD pages = port->colourTotal + port->monoTotal;
        if (StatusVariable* row = FindVariable("PrintingJobInfo2", port->variables, port); row && row->value) {
            DWORD current = 0, total = 0;
            std::memcpy(&current, row->value + kJobinfoJobId, 4);
            std::memcpy(&total, row->value + kJobinfoTotalPages, 4);
            if (current == job->jobId && total > pages) pages = total;
        }
        std::memcpy(port->reply.jobInfo + kJobinfoTotalPages, &pages, 4);
        std::memcpy(port->reply.jobInfo + kJobinfoColourPages, &port->colourTotal, 4);
        std::memcpy(port->reply.jobInfo + kJobinfoMonoPages, &port->monoTotal, 4);
    }
    CommitJobInfo(port);
    port->lastPageNumber = 0;
    return TRUE;
}

BOOL OnCancel(Reply& r, Text rest, Text) {
    PortRecord* port = r.port;
    Text value = ValueAfterEquals(rest);
    if (value.empty()) {
        if (port->postScriptJob)
            port->postScriptCancel = TRUE;
        else
            SetJobStatusBits(port, kJobstatusCancelling, TRUE);
        return TRUE;
    }
    if (Begins(value, "HOST_CALCELED")) {
        port->cancelAcknowledged = TRUE;
        FinishOrCancelJob(port, TRUE);
    }
    return TRUE;
}

BOOL OnCounter(Reply& r, Text rest, Text keyword) {
    PortRecord* port = r.port;
    LONG value = 0;
    if (keyword == "COVERAGE") {
        Text t = rest;
        static constexpr Text kColours[] = {" C", " M", " Y", " K"};
        for (int i = 0; i < 4; ++i) {
            if (Begins(t, kColours[i]) && t.size() > 5 && ParseNumber(t.substr(5), &value) && value >= 0) {
                port->coverage[i] = static_cast<DWORD>(value);
            }
        }
        return TRUE;
    }
    if (!ParseNumber(ValueAfterEquals(rest), &value) || value < 0) return TRUE;
    if (keyword == "COLORPAGE") {
        if (!port->counterSkip) {
            port->colourPages = static_cast<DWORD>(value);
            port->colourTotal = static_cast<DWORD>(value);
        }
    } else if (port->counterSkip) {
        port->counterSkip = FALSE;
    } else {
        port->monoTotal += static_cast<DWORD>(value);
        for (int i = 0; i < 3; ++i)
            port->coverageSum[i] += static_cast<ULONGLONG>(port->coverage[i]) * port->colourPages;
        port->coverageSum[3] +=
            static_cast<ULONGLONG>(port->coverage[3]) * (static_cast<DWORD>(value) + port->colourPages);
        port->colourPages = 0;
        std::memset(port->coverage, 0, sizeof port->coverage);
    }
    return TRUE;
}
BOOL OnColourPage(Reply& r, Text rest, Text n) {
    return OnCounter(r, rest, "COLORPAGE");
}
BOOL OnMonoPage(Reply& r, Text rest, Text n) {
    return OnCounter(r, rest, "BWPAGE");
}
BOOL OnCoverage(Reply& r, Text rest, Text n) {
    return OnCounter(r, rest, "COVERAGE");
}

// The longest start of a UTF-8 text that converts into at most `units` UTF-16 units, cut
// between characters. No byte makes more than one unit (a four-byte character makes two,
// a stray byte one replacement), so `units` bytes always fit.
Text Utf8Prefix(Text text, size_t units) {
    if (text.size() <= units) return text;
    size_t end = units;
    while (end > 0 && (static_cast<BYTE>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

BOOL OnDisplay(Reply& r, Text rest, Text) {
    PortRecord* port = r.port;
    rest = SkipBlanks(rest);
    if (!Begins(rest, "=\"")) return FALSE;
    Text text = rest.substr(2);
    text = text.substr(0, std::min(text.find('\r'), text.find('\n')));
    // A panel text longer than the conversion buffer keeps its start: cut before converting,
    // or the conversion fails and the panel would show nothing. A cut text has lost its
    // closing quote already.
    WCHAR wide[512] = {};
    Text kept = Utf8Prefix(text, std::size(wide) - 1);
    int n = kept.empty() ? 0 : MultiByteToWideChar(CP_UTF8, 0, kept.data(), static_cast<int>(kept.size()), wide, 511);
    if (n < 0) n = 0;
    if (n > 0 && kept.size() == text.size()) --n;  // the closing quote
    n = std::min(n, 32);
    BYTE record[kPanelRecordSize] = {};
    const DWORD kind = 16;
    std::memcpy(record, &kind, 4);
    if (n >= 32 && wide[16] == 0xE001 && wide[31] == 0xE002)
        for (int i = 16; i < 32; ++i) wide[i] = u' ';
    std::memcpy(record + 4, wide, static_cast<size_t>(n) * sizeof(WCHAR));
    SetVariable(port, "PrinterDisplay", record, sizeof record);
    SetDwordVariable(port, "PrinterDisplay2", 0xFFFFFFFFu);
    return TRUE;
}

BOOL OnPageCount(Reply& r, Text, Text) {
    Text body = r.body;
    size_t at = body.find("PAGECOUNT");
    if (at == Text::npos) return FALSE;
    LONG value = 0;
    if (!ParseNumber(ValueAfterEquals(body.substr(at + 9)), &value) || value < 0) return FALSE;
    SetDwordVariable(r.port, "PageCount", static_cast<DWORD>(value));
    return TRUE;
}

BOOL OnPageNumber(Reply& r, Text, Text) {
    PortRecord* port = r.port;
    Text line = Trimmed(r.body);
    LONG page = 0;
    if (line.find('\n') != Text::npos || !ParseNumber(line, &page) || page < 0) return FALSE;
    StatusVariable* row = GetVariable("PrintingJobInfo2", port->variables, port, TRUE);
    if (!row) return FALSE;
    DWORD total = 0;
    std::memcpy(&total, row->value + kJobinfoTotalPages, 4);
    if (total == 0 || page < port->lastPageNumber) port->lastPageNumber = 0;
    total += static_cast<DWORD>(page - port->lastPageNumber);
    port->lastPageNumber = page;
    std::memcpy(row->value + kJobinfoTotalPages, &total, 4);
    row->dirty = TRUE;
    return TRUE;
}

// ---- INFO VARIABLES and INQUIRE answers ----

constexpr KeywordValue kMtDir[] = {{"SHORT", 0}, {"LONG", 1}};
constexpr KeywordValue kOnOff[] = {{"ON", 1}, {"OFF", 0}};
constexpr KeywordValue kPaperTypes[] = {
    {"NORMAL", 16}, {"HEAVY", 18},   {"OHP", 2},     {"CARD", 3},    {"RECYCLE", 16}, {"COATED2", 17}, {"COATED", 17},
    {"LABEL", 6},   {"ENVELOPE", 7}, {"MLIGHT", 11}, {"SHEAVY", 18}, {"NOSEL", 14},   {"USER", 19},
};
constexpr KeywordValue kOutBins[] = {{"OUTTRAY1", 1}, {"OUTTRAY2", 2}};

// The value of a variable line: after "=", or inside an INQUIRE answer the next line.
Text VariableValue(const Reply& r, Text rest, Text nextLine) {
    if (r.inquire) return SkipBlanks(Trimmed(nextLine));
    return ValueAfterEquals(rest);
}

BOOL OnIntray(Reply& r, Text rest, Text next) {
    if (rest.find("MTDIR") == Text::npos) return TRUE;
    SetVariableFromKeyword(VariableValue(r, rest, next), "OppIntrayMTDir", kMtDir, std::size(kMtDir), r.port);
    return TRUE;
}

BOOL OnPaper(Reply& r, Text rest, Text next) {
    Text t = SkipBlanks(rest);
    if (Begins(t, "SORT")) {
        SetVariableFromKeyword(VariableValue(r, rest, next), "OppPaperSort", kOnOff, std::size(kOnOff), r.port);
    } else if (Begins(t, "TYPE")) {
        LONG n = 0;
        const char* name = "OppPaperType";
        static const char* const kNumbered[] = {"OppPaperType1", "OppPaperType2", "OppPaperType3", "OppPaperType4"};
        if (ParseNumber(t.substr(4), &n) && n >= 1 && n <= 4) name = kNumbered[n - 1];
        SetVariableFromKeyword(VariableValue(r, rest, next), name, kPaperTypes, std::size(kPaperTypes), r.port);
    }
    return TRUE;
}

BOOL OnPowerSaveTime(Reply& r, Text rest, Text next) {
    LONG n = 0;
    if (ParseNumber(VariableValue(r, rest, next), &n) && n >= 0)
        SetDwordVariable(r.port, "OppPowerSaveTime", static_cast<DWORD>(n));
    return TRUE;
}

BOOL OnOutBin(Reply& r, Text rest, Text next) {
    SetVariableFromKeyword(VariableValue(r, rest, next), "OppOuttray", kOutBins, std::size(kOutBins), r.port);
    return TRUE;
}

// ---- INFO CONFIG ----

BOOL OnConfigIntray(Reply& r, Text rest, Text) {
    LONG tray = 0;
    if (!ParseNumber(rest, &tray) || tray < 1) return TRUE;
    size_t at = rest.find("TYPE");
    if (at == Text::npos) return TRUE;
    Text type = ValueAfterEquals(rest.substr(at));
    WORD size = Begins(type, "LARGE") ? 3 : Begins(type, "NORMAL") ? 2 : 0;
    if (!size) return TRUE;
    StatusVariable* row = FindVariable("PrinterBinConfig", r.port->variables, r.port);
    if (!row || !row->value) return TRUE;
    DWORD count = 0;
    std::memcpy(&count, row->value, kBinCountSize);
    if (static_cast<DWORD>(tray) > count) return TRUE;
    BYTE* record = BinRecordAt(row->value, static_cast<DWORD>(tray - 1));
    BinRecord bin = GetBinRecord(record);
    if (bin.state != size) {
        bin.state = size;
        PutBinRecord(record, bin);
        row->dirty = TRUE;
    }
    return TRUE;
}

BOOL OnDuplexUnit(Reply& r, Text, Text) {
    SetPrinterOptConfig(1, 1, 0, r.port);
    return TRUE;
}

BOOL OnOutputTrays(Reply& r, Text, Text nextLine) {
    if (Begins(SkipBlanks(nextLine), "OUTTRAY2")) SetPrinterOptConfig(6001, 6001, 0, r.port);
    return TRUE;
}

constexpr Keyword kStatusKeywords[] = {{"CODE", nullptr}, {"DISPLAY", OnDisplay}, {"ONLINE", nullptr}};
constexpr Keyword kEojKeywords[] = {{"END", nullptr}, {"NAME", OnJobName}, {"PAGE", nullptr}};
constexpr Keyword kJobKeywords[] = {
    {"START", OnJobStart},    {"END", OnJobEnd},           {"NAME", OnJobName},
    {"PAGE", nullptr},        {"COLORPAGE", OnColourPage}, {"BWPAGE", OnMonoPage},
    {"COVERAGE", OnCoverage}, {"CANCELED", OnCancel},      {"RESULT", OnCancel},
};
constexpr Keyword kVariableKeywords[] = {
    {"COPIES", nullptr},    {"ORIENTATION", nullptr},  {"RET", nullptr},
    {"ECONOMODE", nullptr}, {"INTRAY", OnIntray},      {"POWERSAVETIME", OnPowerSaveTime},
    {"POWERSAVE", nullptr}, {"PAPER", OnPaper},        {"TIMEOUT", nullptr},
    {"DUPLEX", nullptr},    {"BINDPOSITION", nullptr}, {"OUTBIN", OnOutBin},
};
constexpr Keyword kConfigKeywords[] = {
    {"INTRAY", OnConfigIntray}, {"DUPLEX", OnDuplexUnit}, {"OUT TRAYS", OnOutputTrays}, {"PAPER", nullptr},
    {"LANGUAGES", nullptr},     {"USTATUS", nullptr},     {"MEMORY", nullptr},
};

struct KeywordTable {
    const Keyword* rows;
    size_t count;
};

// Walks the keyword lines of a reply body; a line without a match is skipped with its TAB
// continuation lines; a failing handler ends the walk.
void WalkKeywords(Reply& r, KeywordTable table) {
    Text body = r.body;
    size_t pos = 0;
    while (pos < body.size()) {
        size_t lf = body.find('\n', pos);
        size_t end = lf == Text::npos ? body.size() : lf + 1;
        Text line = body.substr(pos, end - pos);
        size_t nextEnd = end;
        if (end < body.size()) {
            size_t lf2 = body.find('\n', end);
            nextEnd = lf2 == Text::npos ? body.size() : lf2 + 1;
        }
        Text next = body.substr(end, nextEnd - end);
        pos = end;
        if (Begins(line, "\t")) continue;
        Text key = SkipBlanks(line);
        for (size_t i = 0; i < table.count; ++i) {
            const Keyword& k = table.rows[i];
            if (!Begins(key, k.text)) continue;
            if (k.handler && !k.handler(r, key.substr(k.text.size()), next)) return;
            if (r.inquire && k.handler) pos = nextEnd;  // the value line was used
            break;
        }
    }
}

enum class Action { Status, EndOfJob, Job, Page, PageCount, Variables, Inquire, Config };
struct ReplyRow {
    Text prefix;
    Action action;
};
constexpr ReplyRow kReplyTable[] = {
    {"@PJL INFO STATUS", Action::Status},       {"@PJL USTATUS EOJ", Action::EndOfJob},
    {"@PJL USTATUS DEVICE", Action::Status},    {"@PJL USTATUS JOB", Action::Job},
    {"@PJL USTATUS PAGE", Action::Page},        {"@PJL INFO PAGECOUNT", Action::PageCount},
    {"@PJL INFO VARIABLES", Action::Variables}, {"@PJL INQUIRE", Action::Inquire},
    {"@PJL INFO CONFIG", Action::Config},
};

void RunAction(Reply& r, Action action) {
    switch (action) {
        case Action::Status:
            WalkKeywords(r, {kStatusKeywords, std::size(kStatusKeywords)});
            *r.flags |= kReplyFlagStatusSeen;
            break;
        case Action::EndOfJob:
            // The end-of-job report names the job by the name its trailer gave it.
            OnJobEnd(r, {}, {});
            WalkKeywords(r, {kEojKeywords, std::size(kEojKeywords)});
            break;
        case Action::Job:
            WalkKeywords(r, {kJobKeywords, std::size(kJobKeywords)});
            break;
        case Action::Page:
            OnPageNumber(r, {}, {});
            break;
        case Action::PageCount:
            OnPageCount(r, {}, {});
            break;
        case Action::Variables:
            WalkKeywords(r, {kVariableKeywords, std::size(kVariableKeywords)});
            *r.flags |= kReplyFlagVariablesEnded;
            break;
        case Action::Inquire: {
            // "@PJL INQUIRE <variable>": the variable is on the first line, its value on the next.
            Text rest = r.firstLine.substr(std::min<size_t>(r.firstLine.size(), 13));
            r.inquire = TRUE;
            Text value = Trimmed(r.body);
            for (const Keyword& k : kVariableKeywords) {
                if (!Begins(rest, k.text) || !k.handler) continue;
                k.handler(r, rest.substr(k.text.size()), value);
                break;
            }
            r.port->inquirePending = FALSE;
            break;
        }
        case Action::Config:
            // What the configuration lists is all there is: options it no longer names go.
            RemovePrinterOptConfig(1001, 1001, r.port);
            RemovePrinterOptConfig(1, 1, r.port);
            WalkKeywords(r, {kConfigKeywords, std::size(kConfigKeywords)});
            break;
    }
}

// Remembers the header line of a reply that needs more text; TRUE when the same line (same
// length and text) was remembered and has already repeated once. A reply that has grown since
// its header was last seen is the same reply still arriving, not a repeat: a printer that
// sends a reply in many small pieces must not lose it (its length is bounded by the saved
// text's limit).
BOOL HeaderRepeatedTwice(ReplyState& s, Text header, DWORD restLength) {
    BOOL grown = restLength != s.previousRestLength;
    s.previousRestLength = restLength;
    if (s.previousHeader && std::strlen(s.previousHeader) == header.size() &&
        std::memcmp(s.previousHeader, header.data(), header.size()) == 0) {
        if (grown) {
            s.headerRepeats = FALSE;
            return FALSE;
        }
        if (s.headerRepeats) {
            s.headerRepeats = FALSE;
            return TRUE;
        }
        s.headerRepeats = TRUE;
        return FALSE;
    }
    char* copy = static_cast<char*>(MonAlloc(header.size() + 1));
    if (copy) std::memcpy(copy, header.data(), header.size());
    MonFree(s.previousHeader);
    s.previousHeader = copy;
    s.headerRepeats = FALSE;
    return FALSE;
}

void ReplyEnded(PortRecord* port, BOOL publish) {
    port->state |= kStatePrinterAnswered;
    if (publish) {
        PublishDirtyVariables(port);
        if (UpdateErrorVariables(port)) PublishDirtyVariables(port);
        PublishPortStatus(port);
    }
    ResetReplyState(port, FALSE);
}

}  // namespace

void ResetReplyState(PortRecord* port, BOOL dropJobInfo) {
    ReplyState& s = port->reply;
    MonFree(s.previousHeader);
    s.previousHeader = nullptr;
    s.headerSeen = FALSE;
    s.headerRepeats = FALSE;
    s.previousRestLength = 0;
    s.table = 0;
    s.lastStep = 5;
    if (dropJobInfo) {
        MonFree(s.jobInfo);
        s.jobInfo = nullptr;
        s.jobInfoSize = 0;
    }
}

int ParsePjlReply(const char* textData, DWORD length, DWORD* position, PortRecord* port, DWORD* flags, BOOL publish) {
    Text text(textData, length);
    size_t pos = *position;
    ReplyState& s = port->reply;
    // Line ends, blanks and NULs between replies belong to no reply.
    while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n' || text[pos] == '\0' || text[pos] == ' '))
        ++pos;
    *position = static_cast<DWORD>(pos);
    if (pos >= text.size()) return kReplyMore;
    size_t ff = text.find(FF, pos);
    if (s.skipToFormFeed || text[pos] != '@') {
        // Not a reply (or the rest of one that is being passed over): up to its form feed.
        if (ff == Text::npos) {
            s.skipToFormFeed = TRUE;
            *position = length;
            return kReplyNone;
        }
        s.skipToFormFeed = FALSE;
        *position = static_cast<DWORD>(ff + 1);
        ReplyEnded(port, publish);
        return kReplyNone;
    }
    size_t lf = text.find('\n', pos);
    size_t lineEnd = lf;
    if (ff != Text::npos && (lf == Text::npos || ff < lf)) lineEnd = ff;
    if (lineEnd == Text::npos) return kReplyMore;  // an incomplete "@" line waits
    Text firstLine = Trimmed(text.substr(pos, lineEnd - pos));
    const ReplyRow* match = nullptr;
    for (const ReplyRow& row : kReplyTable)
        if (Begins(firstLine, row.prefix)) {
            match = &row;
            break;
        }
    if (!match) {
        s.skipToFormFeed = TRUE;
        return ParsePjlReply(textData, length, position, port, flags, publish);
    }
    if (ff == Text::npos) {
        if (match->action == Action::Inquire) *flags |= kReplyFlagInquireOpen;
        // Parsed once, when its form feed is here. A reply whose header comes back unfinished
        // a third time in a row with nothing new behind it is given up: passed over up to its
        // form feed.
        if (HeaderRepeatedTwice(s, firstLine, static_cast<DWORD>(text.size() - pos))) {
            s.skipToFormFeed = TRUE;
            *position = length;
            return kReplyNone;
        }
        return kReplyMore;
    }
    size_t bodyStart = lineEnd == ff ? ff : lf + 1;
    Reply r{port, text.substr(bodyStart, ff - bodyStart), firstLine, flags, FALSE, FALSE};
    s.headerSeen = TRUE;
    RunAction(r, match->action);
    *position = static_cast<DWORD>(ff + 1);
    ReplyEnded(port, publish);
    return kReplyDone;
}

int QueueReplyText(PortRecord* port, const char* text, DWORD length, DWORD* consumed, BOOL join, DWORD* flags,
                   BOOL publish) {
    // The parser stores status variables the status threads publish: it holds the port lock.
    PortLock lock(port);
    if (consumed) *consumed = 0;
    if (!text) length = 0;
    DWORD saved = join ? port->savedReplyLength : 0;
    DWORD total = saved + length;
    char* buffer = static_cast<char*>(MonAlloc(total + 1));
    if (!buffer) return 0;
    if (saved) std::memcpy(buffer, port->savedReply, saved);
    if (length) std::memcpy(buffer + saved, text, length);
    MonFree(port->savedReply);
    port->savedReply = nullptr;
    port->savedReplyLength = 0;
    DWORD localFlags = 0;
    if (!flags) flags = &localFlags;
    int ended = 0;
    DWORD pos = 0;
    while (pos < total) {
        DWORD before = pos;
        int result = ParsePjlReply(buffer, total, &pos, port, flags, publish);
        if (result == kReplyDone) ++ended;
        if (result == kReplyMore || pos == before) break;
    }
    DWORD rest = total - pos;
    if (rest > kSavedReplyLimit) {
        // Too long to be a reply of this printer: pass the rest over up to its form feed.
        port->reply.skipToFormFeed = TRUE;
    } else if (rest) {
        port->savedReply = static_cast<char*>(MonAlloc(rest));
        if (port->savedReply) {
            std::memcpy(port->savedReply, buffer + pos, rest);
            port->savedReplyLength = rest;
        }
    }
    MonFree(buffer);
    if (consumed) *consumed = length;
    return ended;
}

BOOL SetVariableFromKeyword(std::string_view value, const char* variable, const KeywordValue* table, size_t count,
                            PortRecord* port) {
    for (size_t i = 0; i < count; ++i) {
        if (!Begins(value, table[i].text)) continue;
        StatusVariable* row = FindVariable(variable, port->variables, port);
        if (!row) return FALSE;
        if (StoreVariableValue(row, &table[i].value, 4, (row->flags & kVarForceStore) != 0) == 1) {
            row->dirty = TRUE;
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
