// The PJL job header and job attributes, field by field, in both builds: each row of the table
// sets the settings (or printer data, document name, copies, layout) that produce a value and
// checks the line it must give, or that the line is left out.
#include <optional>
#include <string>
#include <vector>

#include "e2e_render/e2e_render_fixture.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;

enum BuildFilter { BothBuilds, JapaneseOnly, EnglishOnly };

// One expected line: the lines starting with `prefix` must be exactly `line` (or none).
struct Expect {
    std::string prefix;
    std::optional<std::string> line;
};

struct HeaderCase {
    const char* row;
    std::vector<Setting> settings;
    std::vector<Expect> expect;
    std::vector<PrinterDataValue> data = {};
    int copies = 1;
    int layout = 1;
    std::u16string document = u"e2e job";
    std::u16string paper = u"A4";
    BuildFilter builds = BothBuilds;
};

std::optional<std::string> None() { return std::nullopt; }
std::string Q(const std::string& s) { return "\"" + s + "\""; }
std::string JobAttr(const std::string& name, const std::string& value) {
    return "@PJL SET JOBATTR=\"@" + name + "=" + value + "\"";
}
Expect Attr(const std::string& name, const std::string& value) { return {"@PJL SET JOBATTR=\"@" + name + "=", JobAttr(name, value)}; }
Expect Line(const std::string& prefix, const std::string& value) { return {prefix, prefix + value}; }
Expect Absent(const std::string& prefix) { return {prefix, None()}; }

// The settings bytes and their DEVMODE offsets (the Japanese build's; moved for the English).
constexpr unsigned kComputerName = 522, kJobUser = 554, kDisplayText = 588;
constexpr unsigned kSwitches = 398;  // bit 0 RET, bit 1 economy mode, bit 5/6 display source
constexpr unsigned kFlags401 = 401;  // bit 1: MSW068 off
constexpr unsigned kSheetSetting = 6148, kSlipOn = 6152, kSlipTray = 6160, kSlipKind = 6164;
constexpr unsigned kDensity = 498, kMediaFront = 488, kMediaSecond = 7576;
constexpr unsigned kPopUser = 7842, kPopPassword = 7908;
constexpr unsigned kHoldMode = 7616, kHoldUser = 7620, kHoldPin = 7670, kJobNameKind = 7696, kJobName = 7700;
constexpr unsigned kStoreOff = 696;  // bit 3: the driver makes no copies itself
constexpr unsigned kCollate = 396;   // bit 2: the printer collates

// Installed state (bit 3) of the five option units that NONFIXED0..4 announce.
std::vector<Setting> OnlyInstalled(unsigned offset) {
    std::vector<Setting> out;
    for (unsigned o : {652u, 628u, 632u, 636u, 640u}) out.push_back(Bits(o, 0x08, o == offset));
    return out;
}
std::vector<Setting> Join(std::vector<Setting> a, const std::vector<Setting>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<PrinterDataValue> kAccountOff = {DwordValue(u"DAT_Account_Mode", 0), DwordValue(u"DAT_Jba_Type", 0)};

std::vector<HeaderCase> HeaderCases() {
    const std::string display = "@PJL JOB DISPLAY=";
    return {
        // Row 3: job mode.
        {"job mode", {}, {Line("@PJL JOB MODE", "=PRINTER")}},
        // Row 4: display text.
        {"display empty by default", {Bits(kSwitches, 0x60, false)}, {Line(display, Q(""))}},
        {"display shows the job user (bit 5)", {Text(kJobUser, u"Taro", 16), Bits(kSwitches, 0x20, true)},
         {Line(display, Q("Taro"))}},
        {"display refuses a tilde", {Text(kJobUser, u"A~B", 16), Bits(kSwitches, 0x20, true)}, {Line(display, Q(""))}},
        {"display refuses a double-byte text", {Text(kJobUser, u"山田", 16), Bits(kSwitches, 0x20, true)},
         {Line(display, Q(""))}},
        {"display falls to the second text (bit 6)",
         {Text(kJobUser, u"", 16), Text(kDisplayText, u"Sales", 18), Bits(kSwitches, 0x60, true)},
         {Line(display, Q("Sales"))}},
        {"display with both bits clear stays empty",
         {Text(kJobUser, u"Taro", 16), Text(kDisplayText, u"Sales", 18), Bits(kSwitches, 0x60, false)},
         {Line(display, Q(""))}},
        // Row 6: overlay switch, only with an overlay (a missing overlay file turns it off).
        {"no overlay: no MSW047", {}, {Absent("@PJL SET LPARM:ORLA MSW047")}},
        {"missing overlay file: no MSW047", {Bits(220, 0x09, true)}, {Absent("@PJL SET LPARM:ORLA MSW047")}},
        // Row 7.
        {"MSW068 on", {Bits(kFlags401, 0x02, false)}, {Line("@PJL SET LPARM:ORLA MSW068=", "ON")}},
        {"MSW068 off", {Bits(kFlags401, 0x02, true)}, {Line("@PJL SET LPARM:ORLA MSW068=", "OFF")}},
        // Row 8: only with the trust-marking library, which this sandbox does not have.
        {"no trust-marking library: no MSW078", {}, {Absent("@PJL SET LPARM:ORLA MSW078")}},
        // Row 9.
        {"MSW097 on", {Dword(kSheetSetting, 1)}, {Line("@PJL SET LPARM:ORLA MSW097=", "ON")}},
        {"MSW097 off", {Dword(kSheetSetting, 0)}, {Line("@PJL SET LPARM:ORLA MSW097=", "OFF")}},
        // Row 10.
        {"MSW044 always off", {}, {Line("@PJL SET LPARM:ORLA MSW044", "=OFF")}},
        // Row 11: both models announce "SET".
        {"RET on", {Bits(kSwitches, 0x01, true)}, {Line("@PJL SET RET=", "ON")}},
        {"RET off", {Bits(kSwitches, 0x01, false)}, {Line("@PJL SET RET=", "OFF")}},
        // Row 12.
        {"density", {Word(kDensity, 5)}, {Line("@PJL SET DENSITY=", "5")}},
        // Rows 13 and 14: media words.
        {"media normal", {Word(kMediaFront, 0), Word(kMediaSecond, 7)}, {Attr("APSP", "NORMAL"), Attr("MSIP", "NORMAL")}},
        {"media thick", {Word(kMediaFront, 1), Word(kMediaSecond, 2)}, {Attr("APSP", "THICK"), Attr("MSIP", "THICK2")}},
        {"media transparency", {Word(kMediaFront, 3), Word(kMediaSecond, 1)},
         {Attr("APSP", "TRANSPARENCY"), Attr("MSIP", "THICK")}},
        // Row 15: a line for each installed unit only.
        {"no unit installed: no NONFIXED line", OnlyInstalled(0), {Absent("@PJL SET LPARM:ORLA NONFIXED")}},
        {"NONFIXED0 on", Join(OnlyInstalled(652), {Bits(396, 0x40, false)}),
         {Line("@PJL SET LPARM:ORLA NONFIXED", "0=ON")}},
        {"NONFIXED0 off", Join(OnlyInstalled(652), {Bits(396, 0x40, true)}),
         {Line("@PJL SET LPARM:ORLA NONFIXED", "0=OFF")}},
        {"NONFIXED1 off", Join(OnlyInstalled(628), {Bits(404, 0x01, true)}),
         {Line("@PJL SET LPARM:ORLA NONFIXED", "1=OFF")}},
        {"NONFIXED4 on", Join(OnlyInstalled(640), {Bits(404, 0x08, false)}),
         {Line("@PJL SET LPARM:ORLA NONFIXED", "4=ON")}},
        // Row 16: only the Japanese model announces "TONERSAVE".
        {"economy mode on", {Bits(kSwitches, 0x02, true)}, {Line("@PJL SET ECONOMODE=", "ON")}, {}, 1, 1, u"e2e job",
         u"A4", JapaneseOnly},
        {"economy mode off", {Bits(kSwitches, 0x02, false)}, {Line("@PJL SET ECONOMODE=", "OFF")}, {}, 1, 1,
         u"e2e job", u"A4", JapaneseOnly},
        {"no TONERSAVE: no economy line", {Bits(kSwitches, 0x02, true)}, {Absent("@PJL SET ECONOMODE")}, {}, 1, 1,
         u"e2e job", u"A4", EnglishOnly},
        // Row 17: slip sheets.
        {"slip sheets off", {Dword(kSlipOn, 0)},
         {Line("@PJL SET SLIPSHEET=", "OFF"), Absent("@PJL SET SLIPSHEETFEEDER")}},
        {"blank slip sheets from the first cassette",
         {Dword(kSlipOn, 1), Dword(kSlipKind, 0), Dword(kSlipTray, 257)},
         {Line("@PJL SET SLIPSHEET=", "BLANK"), Line("@PJL SET SLIPSHEETFEEDER=", "TRAY1")}},
        {"copy slip sheets from the multi-purpose tray", {Dword(kSlipOn, 1), Dword(kSlipKind, 1), Dword(kSlipTray, 14)},
         {Line("@PJL SET SLIPSHEET=", "COPY"), Line("@PJL SET SLIPSHEETFEEDER=", "SMH")}},
        // Row 18.
        {"enter language", {}, {Line("@PJL ENTER LANGUAGE", "=ORLA")}},

        // Job attributes, row 1: document name.
        {"document name", {}, {Line("@PJL COMMENT DNAME=", "e2e job")}},
        {"half-width kana document name", {}, {Line("@PJL COMMENT DNAME=", "\xB6\xC5")}, {}, 1, 1, u"ｶﾅ"},
        {"double-byte document name: no DNAME", {}, {Absent("@PJL COMMENT DNAME")}, {}, 1, 1, u"日本語"},
        {"all-space document name: no DNAME", {}, {Absent("@PJL COMMENT DNAME")}, {}, 1, 1, u"   "},
        // Rows 2 and 3: user ID and password by the accounting switches.
        {"accounting off: the settings' own user ID",
         {Text(kPopUser, u"popuser", 33), Text(kPopPassword, u"1111", 13)},
         {Attr("JOAU", "popuser"), Attr("JOAP", "1111")},
         kAccountOff},
        {"accounting type set: the stored user ID",
         {Text(kPopUser, u"popuser", 33)},
         {Attr("JOAU", "setuser"), Attr("JOAP", "2222")},
         {DwordValue(u"DAT_Account_Mode", 0), DwordValue(u"DAT_Jba_Type", 1u << 21), DwordValue(u"DAT_JobOwnerType", 0),
          TextValue(u"DAT_Set_UserID", u"setuser", 33), TextValue(u"DAT_Set_Password", u"2222", 13)}},
        {"accounting type and owner set: the job user",
         {Text(kJobUser, u"Taro", 16)},
         {Attr("JOAU", "Taro"), Attr("JOAP", "3333")},
         {DwordValue(u"DAT_Account_Mode", 0), DwordValue(u"DAT_Jba_Type", 1u << 21),
          DwordValue(u"DAT_JobOwnerType", 1u << 22), TextValue(u"DAT_Set_Password", u"3333", 13)}},
        // Row 4: no owner record was given.
        {"host address empty", {}, {Attr("HOAD", "")}},
        // Row 5: pages per sheet.
        {"layout 1", {}, {Attr("NLPP", "1")}},
        {"layout 2", {}, {Attr("NLPP", "N2")}, {}, 1, 2},
        {"layout 4", {}, {Attr("NLPP", "N4")}, {}, 1, 4},
        {"layout 6", {}, {Attr("NLPP", "N6")}, {}, 1, 6},
        {"layout 8", {}, {Attr("NLPP", "N8")}, {}, 1, 8},
        {"layout 9", {}, {Attr("NLPP", "N9")}, {}, 1, 9},
        // Rows 6 and 7.
        {"user and computer names", {Text(kJobUser, u"Taro", 16), Text(kComputerName, u"PC-01", 16)},
         {Attr("LUNA", "Taro"), Attr("CNAM", "PC-01")}},
        // Rows 8 to 11.
        {"date, time and fixed lines", {},
         {Line("@PJL COMMENT DATE=", "03/04/2026"), Line("@PJL COMMENT TIME=", "05:06:07"),
          Line("@PJL SET RENDERMODE", "=GRAYSCALE"), Attr("TSCR", "4"), Attr("GSCR", "4"), Attr("ISCR", "4")}},
        // Row 12: copies.
        {"one copy", {}, {Line("@PJL SET COPIES=", "1"), Line("@PJL SET QTY=", "1")}},
        {"copies made by the driver", {Bits(kStoreOff, 0x08, false), Bits(kCollate, 0x04, true)},
         {Line("@PJL SET COPIES=", "1"), Line("@PJL SET QTY=", "1")}, {}, 3},
        {"copies collated by the printer", {Bits(kStoreOff, 0x08, true), Bits(kCollate, 0x04, true)},
         {Line("@PJL SET COPIES=", "1"), Line("@PJL SET QTY=", "3")}, {}, 3},
        {"uncollated copies", {Bits(kCollate, 0x04, false)}, {Line("@PJL SET COPIES=", "3"), Line("@PJL SET QTY=", "1")},
         {}, 3},
        {"no copies asked: one", {Bits(kCollate, 0x04, false)},
         {Line("@PJL SET COPIES=", "1"), Line("@PJL SET QTY=", "1")}, {}, 0},
        {"too many copies: 999", {Bits(kCollate, 0x04, false)},
         {Line("@PJL SET COPIES=", "999"), Line("@PJL SET QTY=", "1")}, {}, 1500},
        {"proof hold: the printer makes the copies",
         {Bits(kStoreOff, 0x08, true), Bits(kCollate, 0x04, false), Dword(kHoldMode, 2), Text(kHoldUser, u"holder", 25)},
         {Line("@PJL SET COPIES=", "1"), Line("@PJL SET QTY=", "3"), Line("@PJL SET HOLD=", "PROOF"),
          Absent("@PJL SET HOLDTYPE"), Line("@PJL SET USERNAME=", Q("holder")), Line("@PJL SET JOBNAME=", Q("e2e job"))},
         {}, 3},
        // Row 13: no paper-sort entry of 9 in the models.
        {"paper sort off", {Bits(396, 0x08, true)}, {Line("@PJL SET PAPERSORT=", "OFF")}},
        // Row 14: hold lines.
        {"no hold", {Dword(kHoldMode, 0)}, {Absent("@PJL SET HOLD"), Absent("@PJL SET USERNAME"), Absent("@PJL SET JOBNAME")}},
        {"proof hold of one copy: no hold lines", {Dword(kHoldMode, 2)}, {Absent("@PJL SET HOLD")}},
        {"private hold, job named for the document",
         {Dword(kHoldMode, 1), Text(kHoldPin, u"123456", 13), Text(kHoldUser, u"hold user", 25), Dword(kJobNameKind, 1),
          Text(kJobName, u"named job", 25)},
         {Line("@PJL SET HOLD=", "STORE"), Line("@PJL SET HOLDTYPE=", "PRIVATE"),
          Line("@PJL SET HOLDENCRYPTKEY=", Q("123456")), Line("@PJL SET USERNAME=", Q("hold user")),
          Line("@PJL SET JOBNAME=", Q("e2e job"))}},
        {"private hold, job named by the settings",
         {Dword(kHoldMode, 1), Dword(kJobNameKind, 0), Text(kJobName, u"named job", 25)},
         {Line("@PJL SET JOBNAME=", Q("named job"))}},
        {"private hold, double-byte job name left out",
         {Dword(kHoldMode, 1), Dword(kJobNameKind, 1)},
         {Line("@PJL SET HOLD=", "STORE"), Absent("@PJL SET JOBNAME")}, {}, 1, 1, u"日本語"},
    };
}

class JobHeader : public RenderJob, public ::testing::WithParamInterface<Build> {};

TEST_P(JobHeader, EachRowFromTheSettingsThatMakeIt) {
    const Build& build = GetParam();
    for (const HeaderCase& c : HeaderCases()) {
        if ((c.builds == JapaneseOnly && !build.japanese) || (c.builds == EnglishOnly && build.japanese)) continue;
        SCOPED_TRACE(c.row);
        RunOptions o = Options(build.japanese);
        Apply(o, c.settings);
        o.printerData = c.data;
        o.copies = c.copies;
        o.layout = c.layout;
        o.documentName = c.document;
        o.paper = c.paper;
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << FormatListing(d);
        // Several copies of the driver's own are the same job again: look at the first.
        std::vector<std::string> lines;
        for (const std::string& line : Lines(d)) {
            lines.push_back(line);
            if (line == "@PJL ENTER LANGUAGE=ORLA") break;
        }
        for (const Expect& e : c.expect) {
            std::vector<std::string> found;
            for (const std::string& line : lines)
                if (line.rfind(e.prefix, 0) == 0) found.push_back(line);
            if (e.line) EXPECT_EQ(found, std::vector<std::string>{*e.line}) << e.prefix;
            else EXPECT_EQ(found, std::vector<std::string>{}) << e.prefix;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, JobHeader, ::testing::ValuesIn(kBuilds),
                         [](const ::testing::TestParamInfo<Build>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace e2e
