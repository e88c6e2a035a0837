#include <cstring>

#include "monitor/pjl_job.h"
#include "monitor_fixture.h"
#include "plat/control.h"

namespace {

const std::string kStatusLines =
    "@PJL USTATUS DEVICE=ON\r\n@PJL USTATUS JOB=ON\r\n@PJL USTATUS PAGE=ON\r\n@PJL INFO STATUS\r\n";
const std::string kEnter = "@PJL ENTER LANGUAGE=ORLA\r\n";

struct Scratch {
    PortRecord port{};
    ManagerClient client{};
    Scratch(DWORD kind, DWORD options) {
        port.kind = kind;
        client.optionFlags = options;
        port.currentClient = &client;
        std::strcpy(port.jobIdentifier, "03ABCDEF0000123400000042");
    }
};

PjlJobRequest Request(BOOL status, BOOL job, BOOL name, const char* text) {
    PjlJobRequest r{};
    r.wantStatusLines = status;
    r.wantJobLine = job;
    r.wantJobName = name;
    std::strncpy(r.name, text, sizeof r.name - 1);
    r.qty = r.copies = -1;
    return r;
}

std::string Header(const PjlJobRequest& r, const PortRecord& port) {
    char out[kPjlHeaderSize];
    DWORD n = BuildPjlJobHeader(out, sizeof out, r, &port);
    EXPECT_EQ(n, std::strlen(out));
    return std::string(out, n);
}

std::string Trailer(const PjlJobRequest& r, const PortRecord& port) {
    char out[kPjlHeaderSize];
    DWORD n = BuildPjlJobTrailer(out, sizeof out, r, &port);
    EXPECT_EQ(n, std::strlen(out));
    return std::string(out, n);
}

TEST(PjlHeader, LocalPortWithoutOwnUel) {
    Scratch s(0x7, 1);
    EXPECT_EQ(Header(Request(TRUE, TRUE, TRUE, "JOBID1"), s.port),
              Uel() + kStatusLines + "@PJL JOB NAME=\"JOBID1\"\r\n" + kEnter);
}

TEST(PjlHeader, EnterLineRules) {
    Scratch own(0x7, 1);
    own.port.beginsWithUel = TRUE;  // the job's own PJL switches the language itself
    EXPECT_EQ(Header(Request(TRUE, TRUE, TRUE, "J"), own.port), Uel() + kStatusLines + "@PJL JOB NAME=\"J\"\r\n");
    Scratch noOption(0x7, 2);
    EXPECT_EQ(Header(Request(TRUE, TRUE, TRUE, "J"), noOption.port), Uel() + kStatusLines + "@PJL JOB NAME=\"J\"\r\n");
    Scratch enterValue(0x7, 1);
    enterValue.port.enterLanguage = 1;
    EXPECT_EQ(Header(Request(TRUE, TRUE, TRUE, "J"), enterValue.port).find("ENTER"), std::string::npos);
}

TEST(PjlHeader, StandardTcpIpPort) {
    Scratch s(0x105, 1);
    // WritePort's request on TCP/IP: no status lines, no name, the job line as JOBATTR.
    EXPECT_EQ(Header(Request(FALSE, TRUE, FALSE, "0123ABCD"), s.port),
              Uel() + "@PJL SET JOBATTR=\"@JCID=0123ABCD\"\r\n" + kEnter);
    // The driver gave its own job client ID and began with its own UEL: nothing to send.
    s.port.beginsWithUel = TRUE;
    EXPECT_EQ(Header(Request(FALSE, FALSE, FALSE, "X"), s.port), "");
}

TEST(PjlHeader, NonBidirectionalPortHasNoStatusOrName) {
    Scratch s(0x21, 0);
    EXPECT_EQ(Header(Request(TRUE, TRUE, TRUE, "J"), s.port), Uel() + "@PJL JOB\r\n");
}

TEST(PjlHeader, TextThatDoesNotFitIsNotCut) {
    Scratch s(0x7, 1);
    char small[40];
    EXPECT_EQ(BuildPjlJobHeader(small, sizeof small, Request(TRUE, TRUE, TRUE, "J"), &s.port), 0u);
    EXPECT_EQ(BuildPjlJobHeader(nullptr, 100, Request(TRUE, TRUE, TRUE, "J"), &s.port), 0u);
}

TEST(PjlTrailer, Forms) {
    struct Case {
        const char* label;
        DWORD kind;
        DWORD options;
        BOOL postScript;
        BOOL force;
        std::string tail;
        std::string expected;
    };
    const std::string eoj = "@PJL EOJ NAME=\"J9\"\r\n";
    const Case cases[] = {
        {"local, header option", 0x7, 1, FALSE, FALSE, "", Uel() + eoj + Uel()},
        {"PostScript job", 0x7, 1, TRUE, FALSE, "", "\x04" + Uel() + eoj + Uel()},
        {"tail already has a UEL", 0x7, 1, FALSE, FALSE, "data" + Uel() + "more", eoj + Uel()},
        {"no header option", 0x7, 2, FALSE, FALSE, "", eoj + Uel()},
        {"forced leading UEL", 0x7, 2, FALSE, TRUE, Uel(), Uel() + eoj + Uel()},
        {"not bidirectional: no name", 0x21, 1, FALSE, FALSE, "", Uel() + "@PJL EOJ\r\n" + Uel()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Scratch s(c.kind, c.options);
        s.port.postScriptJob = c.postScript;
        s.port.forceTrailerUel = c.force;
        std::memcpy(s.port.tail, c.tail.data(), c.tail.size());
        s.port.tailLength = static_cast<DWORD>(c.tail.size());
        EXPECT_EQ(Trailer(Request(FALSE, TRUE, TRUE, "J9"), s.port), c.expected);
    }
    Scratch s(0x7, 1);
    EXPECT_EQ(Trailer(Request(FALSE, FALSE, TRUE, "J9"), s.port), "");  // no job line: nothing
}

TEST(PjlHeader, MinimalHeaderIsExactlyItsText) {
    Scratch local(0x7, 1);
    char out[kPjlHeaderSize];
    std::memset(out, 'Z', sizeof out);
    DWORD n = BuildMinimalHeader(out, sizeof out, &local.port);
    std::string expected = Uel() + "@PJL JOB NAME=\"03ABCDEF0000123400000042\"\r\n" + kEnter;
    EXPECT_EQ(std::string(out, n), expected);
    EXPECT_EQ(n, expected.size());
    Scratch tcp(0x105, 1);
    n = BuildMinimalHeader(out, sizeof out, &tcp.port);
    EXPECT_EQ(std::string(out, n), Uel() + "@PJL SET JOBATTR=\"@JCID=03ABCDEF0000123400000042\"\r\n" + kEnter);
    Scratch other(0x61, 1);
    n = BuildMinimalHeader(out, sizeof out, &other.port);
    EXPECT_EQ(std::string(out, n), Uel() + kEnter);
}

struct ScanCase {
    const char* label;
    DWORD kind;
    std::string data;
    LONG result;
    BOOL beginsWithUel;
    BOOL postScript;
    std::string jobName;
    std::string identifier;
    BOOL driverId;
    BOOL headerPendingAfter;
};

TEST(JobScan, Table) {
    const std::string id = "03ABCDEF0000123400000042";
    const ScanCase cases[] = {
        {"short job", 0x7, "@PJL JOB\r\n", -1, FALSE, FALSE, "", id, FALSE, TRUE},
        {"own JOB line", 0x7, Uel() + "@PJL JOB NAME=\"x\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n", 2, TRUE, FALSE, id, id,
         FALSE, TRUE},
        {"ENTER before JOB", 0x7, Uel() + "@PJL ENTER LANGUAGE=ORLA\r\n@PJL JOB NAME=\"x\"\r\n", -1, TRUE, FALSE, "",
         id, FALSE, TRUE},
        {"PostScript", 0x7, "%!PS-Adobe-3.0\n%%Title: x\n", 1, FALSE, TRUE, id, id, FALSE, TRUE},
        {"plain data", 0x7, std::string(40, 'A'), -1, FALSE, FALSE, "", id, FALSE, TRUE},
        {"JCID on TCP/IP after JOB", 0x105,
         Uel() + "@PJL JOB\r\n@PJL SET JOBATTR=\"@JCID=DRIVER42\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n", 2, TRUE, FALSE, id,
         "DRIVER42", TRUE, FALSE},
        {"JCID alone on TCP/IP", 0x105, Uel() + "@PJL SET JOBATTR=\"@JCID=DRIVER42\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n",
         -1, TRUE, FALSE, "", "DRIVER42", TRUE, TRUE},
        {"JCID on a local port is ignored", 0x7,
         Uel() + "@PJL SET JOBATTR=\"@JCID=DRIVER42\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n", -1, TRUE, FALSE, "", id, FALSE,
         TRUE},
        {"JCID without closing quote at the end", 0x105, Uel() + "@PJL JOB\r\n@PJL SET JOBATTR=\"@JCID=CUT", 2, TRUE,
         FALSE, id, "CUT", TRUE, FALSE},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.label);
        Scratch s(c.kind, 1);
        std::strcpy(s.port.jobIdentifier, id.c_str());
        ResetStreamScan(&s.port);
        s.port.state = kStateHeaderPending;
        EXPECT_EQ(
            ScanJobDataForPjl(&s.port, reinterpret_cast<const BYTE*>(c.data.data()), static_cast<DWORD>(c.data.size())),
            1);
        EXPECT_EQ(s.port.scanResult, c.result);
        EXPECT_EQ(s.port.beginsWithUel, c.beginsWithUel);
        EXPECT_EQ(s.port.postScriptJob, c.postScript);
        EXPECT_EQ(std::string(s.port.jobName), c.jobName);
        EXPECT_EQ(std::string(s.port.jobIdentifier), c.identifier);
        EXPECT_EQ(s.port.driverJobClientId, c.driverId);
        EXPECT_EQ((s.port.state & kStateHeaderPending) != 0, c.headerPendingAfter);
        // A second scan of the same job changes nothing once it was recognised.
        if (c.result == 1 || c.result == 2) {
            EXPECT_EQ(ScanJobDataForPjl(&s.port, reinterpret_cast<const BYTE*>("x"), 1), 0);
        }
    }
}

TEST(JobScan, ReadsOnlyTheGivenBytes) {
    // The data ends inside a line and inside the prefix: nothing past the end may be read.
    std::string text = Uel() + "@PJL JOB NAME=\"x\"\r\n@PJL SET JOBA";
    auto* copy = static_cast<BYTE*>(std::malloc(text.size()));
    std::memcpy(copy, text.data(), text.size());
    Scratch s(0x105, 1);
    ResetStreamScan(&s.port);
    ScanJobDataForPjl(&s.port, copy, static_cast<DWORD>(text.size()));
    EXPECT_EQ(s.port.scanResult, 2);
    std::free(copy);
}

TEST(JobIds, ChecksumIsCrc16Arc) {
    EXPECT_EQ(NameChecksum("123456789"), 0xBB3D);
    EXPECT_EQ(NameChecksum(""), 0);
}

class JobIdTest : public MonitorTest {};

TEST_F(JobIdTest, JobClientIdFromComputerNameAndTicks) {
    PlatSetComputerName(u"AB");
    char id[25];
    DWORD before = GetTickCount();
    MakeJobClientId(id);
    ASSERT_EQ(std::strlen(id), 24u);
    EXPECT_EQ(std::string(id, 12), "034142000000");  // short names pad with "00"
    char crc[5];
    std::snprintf(crc, sizeof crc, "%04X", NameChecksum("AB"));
    EXPECT_EQ(std::string(id + 12, 4), crc);
    EXPECT_EQ(std::strtoul(id + 16, nullptr, 16), before);
    for (char c : std::string(id)) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'));
    PlatSetComputerName(u"ORLA-PC");
}

TEST_F(JobIdTest, GuidStringDropsLeadingZerosOfTheLastBytesOnly) {
    GUID guid{0x0000ABCD, 0x00EF, 0x0012, {0x00, 0x0F, 0x10, 0xFF, 0x01, 0x02, 0x03, 0x04}};
    PlatSetNextGuid(&guid);
    char text[33];
    MakeGuidString(text);
    EXPECT_EQ(std::string(text), "0000ABCD00EF00120F10FF1234");
    PlatSetNextGuid(nullptr);
}

}  // namespace
