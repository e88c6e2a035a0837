// Values of the status variables as text: the job-information records by their fields, the
// printer-status words with the bits a reader looks for named, other values as numbers.
#include "tools/monitor_run/variable_text.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

const char kFollowedVariables[] =
    "PrinterStatus;PrinterExtStatus;SendingJobInfo;PrintingJobInfo2;PrinterQueue;JobStatus;ErrNoPaper2;"
    "ErrCoverOpen;ErrPaperJam";

namespace {

// Job-information records: document name (256), user (32), job id; PrintingJobInfo2 then has
// the pages printed.
constexpr size_t kDocumentAt = 0;
constexpr size_t kUserAt = 256;
constexpr size_t kJobIdAt = 288;
constexpr size_t kPagesAt = 292;

struct StatusBit {
    int word;
    uint32_t bit;
    const char* meaning;
};
constexpr StatusBit kStatusBits[] = {
    {1, 0x100, "not responding"}, {1, 0x80, "cover open"}, {1, 0x1000, "port closed"}, {2, 0x8000, "paper out"},
    {2, 0x40000, "paper jam"},    {2, 0x8, "job queued"},  {2, 0x2000, "offline"},     {2, 0x10000, "paper error"},
};

// Text field of a record, up to its terminator.
std::string Field(const std::string& value, size_t at, size_t size) {
    if (value.size() < at + size) return "";
    const char* p = value.data() + at;
    return std::string(p, strnlen(p, size));
}

std::string PrinterStatusText(const std::string& value) {
    if (value.size() != 12) return "(" + std::to_string(value.size()) + " bytes)";
    char words[48];
    std::snprintf(words, sizeof words, "%08X %08X %08X", ValueDword(value, 0), ValueDword(value, 4),
                  ValueDword(value, 8));
    std::string named;
    for (const StatusBit& b : kStatusBits)
        if (ValueDword(value, 4 * b.word) & b.bit) named += std::string(named.empty() ? "" : ", ") + b.meaning;
    return std::string(words) + (named.empty() ? "  (no error)" : "  (" + named + ")");
}

std::string JobInfoText(const std::string& name, const std::string& value) {
    const uint32_t job = ValueDword(value, kJobIdAt);
    if (job == 0 && Field(value, kDocumentAt, 256).empty()) return "(no job)";
    std::string text = "job " + std::to_string(job);
    const std::string document = Field(value, kDocumentAt, 256), user = Field(value, kUserAt, 32);
    if (!document.empty()) text += " \"" + document + "\"";
    if (!user.empty()) text += " by " + user;
    if (name == "PrintingJobInfo2") text += ", " + std::to_string(ValueDword(value, kPagesAt)) + " pages printed";
    return text;
}

}  // namespace

std::vector<std::string> FollowedNames() {
    std::vector<std::string> names;
    const std::string all = kFollowedVariables;
    for (size_t at = 0; at <= all.size();) {
        size_t end = all.find(';', at);
        if (end == std::string::npos) end = all.size();
        names.push_back(all.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

uint32_t ValueDword(const std::string& value, size_t at) {
    uint32_t v = 0;
    if (value.size() >= at + 4) std::memcpy(&v, value.data() + at, 4);
    return v;
}

std::string VariableText(const std::string& name, const std::string& value) {
    if (name == "PrinterStatus") return PrinterStatusText(value);
    if (name == "SendingJobInfo" || name == "PrintingJobInfo2") return JobInfoText(name, value);
    if (name == "PrinterExtStatus" && value.size() == 4) {
        const uint32_t v = ValueDword(value, 0);
        return std::to_string(v) + ((v & 0x10) ? " (a status thread polls the printer)" : " (no polling)");
    }
    if (name == "ErrNoPaper2" && value.size() == 8) {
        int16_t tray = 0, paper = 0;
        std::memcpy(&tray, value.data(), 2);
        std::memcpy(&paper, value.data() + 2, 2);
        return "current tray " + std::to_string(tray) + ", paper size " + std::to_string(paper) + ", media " +
               std::to_string(static_cast<unsigned char>(value[4]));
    }
    if (value.size() == 4) {
        const int32_t v = static_cast<int32_t>(ValueDword(value, 0));
        return std::to_string(v);
    }
    std::string bytes;
    for (size_t i = 0; i < value.size() && i < 12; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ", static_cast<unsigned char>(value[i]));
        bytes += hex;
    }
    return bytes + "(" + std::to_string(value.size()) + " bytes)";
}
