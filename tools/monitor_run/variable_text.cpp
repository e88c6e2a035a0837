// Values of the status variables as text: the job-information records by their fields, the
// printer-status words with the bits a reader looks for named, other values as numbers.
#include "tools/monitor_run/variable_text.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "monitor/status_map.h"

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

// Names of the spooler's port status codes and printer status bits the status map gives.
constexpr const char* kPortStatusNames[] = {
    "",           "offline",           "paper jam",     "paper out", "output bin full", "paper problem", "no toner",
    "cover open", "user intervention", "out of memory", "toner low", "warming up",      "power save"};
struct PrinterStatusName {
    uint32_t bit;
    const char* name;
};
constexpr PrinterStatusName kPrinterStatusNames[] = {
    {0x8, "paper jam"},          {0x10, "paper out"},      {0x40, "paper problem"},
    {0x80, "offline"},           {0x200, "busy"},          {0x400, "printing"},
    {0x1000, "not available"},   {0x8000, "initializing"}, {0x10000, "warming up"},
    {0x20000, "toner low"},      {0x40000, "no toner"},    {0x100000, "user intervention"},
    {0x200000, "out of memory"}, {0x400000, "cover open"}};

const char* RowName(const StatusMapRow& row) {
    if (row.portStatus && row.portStatus < std::size(kPortStatusNames)) return kPortStatusNames[row.portStatus];
    for (const PrinterStatusName& n : kPrinterStatusNames)
        if (row.printerStatus == n.bit) return n.name;
    return nullptr;
}

bool RowMeets(const StatusMapRow& row, const uint32_t status[3]) {
    for (int i = 0; i < 3; ++i)
        if (row.mask[i] & status[i]) return true;
    return false;
}

// Text field of a record, up to its terminator.
std::string Field(const std::string& value, size_t at, size_t size) {
    if (value.size() < at + size) return "";
    const char* p = value.data() + at;
    return std::string(p, strnlen(p, size));
}

// The words, then what the monitor's status map makes of them: the errors (rows of a severity),
// then the other states it names.
std::string PrinterStatusText(const std::string& value) {
    if (value.size() != 12) return "(" + std::to_string(value.size()) + " bytes)";
    char words[48];
    const uint32_t status[3] = {ValueDword(value, 0), ValueDword(value, 4), ValueDword(value, 8)};
    std::snprintf(words, sizeof words, "%08X %08X %08X", status[0], status[1], status[2]);
    std::string errors, states;
    for (const StatusMapRow& row : kStatusMap) {
        const char* name = RowName(row);
        if (!name || !RowMeets(row, status)) continue;
        std::string& into = row.severity ? errors : states;
        if (into.find(name) == std::string::npos) into += std::string(into.empty() ? "" : ", ") + name;
    }
    return std::string(words) + "  (" + (errors.empty() ? "no error" : errors) + (states.empty() ? "" : "; " + states) +
           ")";
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

uint32_t PortStatusOf(const std::string& value) {
    if (value.size() != 12) return 0;
    const uint32_t status[3] = {ValueDword(value, 0), ValueDword(value, 4), ValueDword(value, 8)};
    for (const StatusMapRow& row : kStatusMap)
        if (RowMeets(row, status)) return row.portStatus;
    return 0;
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
