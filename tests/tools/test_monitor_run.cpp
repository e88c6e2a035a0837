// monitor_run --scenes end to end: the program's report is read back into facts (publications
// with their times, the notes of what the scene did, the reader process's lines) and each scene
// is checked for what the monitor's threads must have done, whatever the exact wording.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "monitor/status_map.h"

namespace {

constexpr uint32_t kPortStatusPaperOut = 3;           // PORT_STATUS_PAPER_OUT
constexpr uint32_t kUnreachable = 0x100000 | 0x1000;  // user intervention, not available
constexpr long kPrinterUnreachable = -2;

// The spooler port status the monitor's own status map gives the three words at the start of
// a "PrinterStatus" line (the first row they meet, as the monitor picks it); a printer that
// does not answer or is of another model is kPrinterUnreachable; -1 when the line holds no
// three words.
long MapPortStatus(const std::string& text) {
    unsigned words[3];
    if (std::sscanf(text.c_str(), "%8X %8X %8X", &words[0], &words[1], &words[2]) != 3) return -1;
    for (const StatusMapRow& row : kStatusMap)
        if ((row.mask[0] & words[0]) || (row.mask[1] & words[1]) || (row.mask[2] & words[2]))
            return !row.portStatus && (row.printerStatus & kUnreachable) ? kPrinterUnreachable
                                                                         : static_cast<long>(row.portStatus);
    return 0;
}

// The first PrinterStatus line at or after `from` whose mapped port status is `port`.
template <typename Scene>
size_t FindPortStatus(const Scene& s, size_t from, long port) {
    for (size_t i = from; i < s.lines.size(); ++i)
        if (s.lines[i].name == "PrinterStatus" && MapPortStatus(s.lines[i].text) == port) return i;
    return s.lines.size();
}

struct Line {
    long t = -1;       // monitor's (scenes 1, 2) or reader's (scene 3) milliseconds; -1 none
    std::string name;  // variable name; empty for a note
    std::string text;  // the value's text or the note
};

struct Scene {
    std::string whole;
    std::vector<Line> lines;
};

struct Report {
    int exitCode = -1;
    std::string text;
    std::map<int, Scene> scenes;
};

// One run of the program, its standard output split into scenes.
Report RunScenes() {
    Report r;
    const char* bin = std::getenv("ORLA_BIN_DIR");
    if (!bin) return r;
    const std::string command = std::string(bin) + "/monitor_run --scenes --bin " + bin + " 2>&1";
    FILE* out = popen(command.c_str(), "r");
    if (!out) return r;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0) r.text.append(buffer, n);
    const int status = pclose(out);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::regex header(R"(^=== Scene (\d):)");
    const std::regex published(R"(^\s+t=\s*(\d+) ms\s+(\w+)\s+(.*)$)");
    const std::regex note(R"(^\s+t=\s*(\d+) ms\s+-- (.*)$)");
    const std::regex read(R"(^\s+\+\s*(\d+) ms\s+(\w+)\s+(.*)$)");
    int scene = 0;
    size_t at = 0;
    while (at < r.text.size()) {
        size_t end = r.text.find('\n', at);
        if (end == std::string::npos) end = r.text.size();
        const std::string line = r.text.substr(at, end - at);
        at = end + 1;
        std::smatch m;
        if (std::regex_search(line, m, header)) scene = std::stoi(m[1]);
        if (!scene) continue;
        Scene& s = r.scenes[scene];
        s.whole += line + "\n";
        if (std::regex_match(line, m, note))
            s.lines.push_back({std::stol(m[1]), "", m[2]});
        else if (std::regex_match(line, m, published) || std::regex_match(line, m, read))
            s.lines.push_back({std::stol(m[1]), m[2], m[3]});
    }
    return r;
}

// The first line at or after `from` that is a publication of `name` (or a note, name empty)
// whose text matches; lines.size() when none.
size_t Find(const Scene& s, size_t from, const std::string& name, const std::string& pattern) {
    const std::regex want(pattern);
    for (size_t i = from; i < s.lines.size(); ++i)
        if (s.lines[i].name == name && std::regex_search(s.lines[i].text, want)) return i;
    return s.lines.size();
}

class MonitorRunScenes : public ::testing::Test {
protected:
    static void SetUpTestSuite() { report_ = new Report(RunScenes()); }
    static void TearDownTestSuite() {
        delete report_;
        report_ = nullptr;
    }
    const Scene& At(int n) const { return report_->scenes[n]; }
    static Report* report_;
};
Report* MonitorRunScenes::report_ = nullptr;

TEST_F(MonitorRunScenes, RunsEveryScene) {
    ASSERT_NE(std::getenv("ORLA_BIN_DIR"), nullptr);
    EXPECT_EQ(report_->exitCode, 0) << report_->text;
    for (int n : {1, 2, 3}) EXPECT_FALSE(At(n).lines.empty()) << "scene " << n << " shows nothing\n" << report_->text;
    EXPECT_EQ(report_->text.find("Sanitizer"), std::string::npos);
}

// The job goes out whole; its progress comes back from the printer's job table in order (start,
// pages, end), the page count is the printer's own, and the polling thread ends afterwards.
TEST_F(MonitorRunScenes, JobProgressComesBackOverSnmpInOrder) {
    const Scene& s = At(1);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        s.whole, m, std::regex(R"(job (\d+): StartDocPort ok, WritePort ok \((\d+) of (\d+) bytes\), EndDocPort ok)")))
        << s.whole;
    EXPECT_EQ(m[2], m[3]);
    const std::string job = "job " + m[1].str() + ",";
    EXPECT_NE(s.whole.find("XcvDataW \"IPAddress\"): 127.0.0.1"), std::string::npos) << "the port's host";
    const size_t polling = Find(s, 0, "PrinterExtStatus", R"(^23 )");
    const size_t start = Find(s, 0, "PrintingJobInfo2", job + R"( 0 pages.*\[job start\])");
    const size_t pages = Find(s, start, "PrintingJobInfo2", job + R"( [1-9]\d* pages.*\[pages\])");
    const size_t end = Find(s, pages, "PrintingJobInfo2", job + R"( 0 pages.*\[job end\])");
    const size_t stopped = Find(s, end, "PrinterExtStatus", R"(^7 )");
    ASSERT_LT(polling, s.lines.size()) << "the polling thread never ran\n" << s.whole;
    ASSERT_LT(end, s.lines.size()) << "start, pages and end in this order\n" << s.whole;
    EXPECT_LT(polling, start);
    EXPECT_LT(stopped, s.lines.size()) << "the polling thread did not end after the job\n" << s.whole;
    EXPECT_LE(s.lines[start].t, s.lines[end].t);
    // The pages reported are the pages in the printer's job table.
    std::smatch p, row;
    ASSERT_TRUE(std::regex_search(s.lines[pages].text, p, std::regex(R"((\d+) pages)")));
    ASSERT_TRUE(std::regex_search(s.whole, row, std::regex(R"(row 1: "[0-9A-F]+" finished, (\d+) pages)"))) << s.whole;
    EXPECT_EQ(p[1], row[1]);
}

// Paper out while a job waits: the monitor sees it without a job open, a status thread watches
// the printer, sees it recover after the paper is loaded, and ends once the queue is empty.
TEST_F(MonitorRunScenes, ErrorWhileAJobWaitsIsWatchedUntilTheRecovery) {
    const Scene& s = At(2);
    const size_t outOfPaper = Find(s, 0, "", "out of paper");
    const size_t error = FindPortStatus(s, outOfPaper, kPortStatusPaperOut);
    const size_t watching = Find(s, outOfPaper, "PrinterExtStatus", R"(^23 )");
    const size_t loaded = Find(s, 0, "", "paper loaded");
    const size_t recovered = FindPortStatus(s, loaded, 0);
    const size_t dequeued = Find(s, loaded, "", "taken out of the queue");
    const size_t ended = Find(s, dequeued, "PrinterExtStatus", R"(^7 )");
    ASSERT_LT(error, s.lines.size()) << "the monitor never published the paper out\n" << s.whole;
    ASSERT_LT(watching, s.lines.size()) << "no status thread watched the printer\n" << s.whole;
    ASSERT_LT(recovered, s.lines.size()) << "the recovery was not seen\n" << s.whole;
    ASSERT_LT(ended, s.lines.size()) << "the watching thread did not end\n" << s.whole;
    EXPECT_LT(error, loaded) << "the error was published while it lasted";
    EXPECT_LE(s.lines[error].t, s.lines[recovered].t);
    EXPECT_LE(s.lines[loaded].t, s.lines[recovered].t);
    // Between error and recovery no publication says the printer is fine; the tool's label is
    // the map's name of the state.
    EXPECT_EQ(FindPortStatus(s, error + 1, 0), recovered);
    EXPECT_NE(s.lines[error].text.find("(paper out"), std::string::npos) << s.lines[error].text;
}

// The reader is another process; through the status manager it saw the job and the error and
// recovery of scenes 1 and 2, in that order, and ended cleanly when told to.
TEST_F(MonitorRunScenes, ReaderInAnotherProcessSawTheJobAndTheError) {
    const Scene& s = At(3);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(s.whole, m, std::regex(R"(another process \(pid (\d+)\))"))) << s.whole;
    EXPECT_NE(std::stol(m[1]), static_cast<long>(getpid()));
    EXPECT_NE(s.whole.find("reader process ended with exit code 0"), std::string::npos) << s.whole;
    const size_t job = Find(s, 0, "SendingJobInfo", R"(^job \d+ ")");
    const size_t error = FindPortStatus(s, job, kPortStatusPaperOut);
    const size_t recovered = FindPortStatus(s, error, 0);
    EXPECT_LT(job, s.lines.size()) << s.whole;
    EXPECT_LT(error, s.lines.size()) << s.whole;
    EXPECT_LT(recovered, s.lines.size()) << s.whole;
    for (size_t i = 1; i < s.lines.size(); ++i) EXPECT_LE(s.lines[i - 1].t, s.lines[i].t) << "reader times go forward";
}

}  // namespace
