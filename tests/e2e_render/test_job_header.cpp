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

std::optional<std::string> None() {
    return std::nullopt;
}
std::string Q(const std::string& s) {
    return "\"" + s + "\"";
}
std::string JobAttr(const std::string& name, const std::string& value) {
    return "@PJL SET JOBATTR=\"@" + name + "=" + value + "\"";
}
Expect Attr(const std::string& name, const std::string& value) {
    return {"@PJL SET JOBATTR=\"@" + name + "=", JobAttr(name, value)};
}
Expect Line(const std::string& prefix, const std::string& value) {
    return {prefix, prefix + value};
}
Expect Absent(const std::string& prefix) {
    return {prefix, None()};
}

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

// Each case is one job; its rows are settings on fields of their own, so one job checks several.
std::vector<HeaderCase> HeaderCases() {
    const std::string display = "@PJL JOB DISPLAY=";
    return {
        {"defaults and switches off",
         Join({Bits(kSwitches, 0x60, false), Bits(kFlags401, 0x02, false), Dword(kSheetSetting, 0),
               Bits(kSwitches, 0x01, true), Word(kDensity, 5), Word(kMediaFront, 0), Word(kMediaSecond, 7),
               Dword(kSlipOn, 0), Text(kJobUser, u"Taro", 16), Text(kComputerName, u"PC-01", 16), Dword(kHoldMode, 0)},
              OnlyInstalled(0)),
         {Line("@PJL JOB MODE", "=PRINTER"),           // row 3
          Line(display, Q("")),                        // row 4: both display bits clear
          Absent("@PJL SET LPARM:ORLA MSW047"),        // row 6: no overlay
          Line("@PJL SET LPARM:ORLA MSW068=", "ON"),   // row 7
          Absent("@PJL SET LPARM:ORLA MSW078"),        // row 8: no trust-marking library here
          Line("@PJL SET LPARM:ORLA MSW097=", "OFF"),  // row 9
          Line("@PJL SET LPARM:ORLA MSW044", "=OFF"),  // row 10
          Line("@PJL SET RET=", "ON"),                 // row 11: both models announce "SET"
          Line("@PJL SET DENSITY=", "5"),              // row 12
          Attr("APSP", "NORMAL"),
          Attr("MSIP", "NORMAL"),                  // rows 13, 14
          Absent("@PJL SET LPARM:ORLA NONFIXED"),  // row 15: no unit installed
          Line("@PJL SET SLIPSHEET=", "OFF"),
          Absent("@PJL SET SLIPSHEETFEEDER"),      // row 17
          Line("@PJL ENTER LANGUAGE", "=ORLA"),    // row 18
          Line("@PJL COMMENT DNAME=", "e2e job"),  // attributes: row 1
          Attr("HOAD", ""),                        // row 4: no owner record given
          Attr("NLPP", "1"),                       // row 5
          Attr("LUNA", "Taro"),
          Attr("CNAM", "PC-01"),  // rows 6, 7
          Line("@PJL COMMENT DATE=", "03/04/2026"),
          Line("@PJL COMMENT TIME=", "05:06:07"),  // rows 8, 9
          Line("@PJL SET RENDERMODE", "=GRAYSCALE"),
          Attr("TSCR", "4"),
          Attr("GSCR", "4"),
          Attr("ISCR", "4"),
          Line("@PJL SET COPIES=", "1"),
          Line("@PJL SET QTY=", "1"),          // row 12
          Line("@PJL SET PAPERSORT=", "OFF"),  // row 13: no paper-sort entry of 9
          Absent("@PJL SET HOLD"),
          Absent("@PJL SET USERNAME"),
          Absent("@PJL SET JOBNAME")}},  // row 14
        {"switches on, first values",
         Join({Text(kJobUser, u"Taro", 16), Bits(kSwitches, 0x20, true), Bits(kFlags401, 0x02, true),
               Dword(kSheetSetting, 1), Bits(kSwitches, 0x01, false), Word(kMediaFront, 1), Word(kMediaSecond, 2),
               Bits(396, 0x40, false), Dword(kSlipOn, 1), Dword(kSlipKind, 0), Dword(kSlipTray, 257)},
              OnlyInstalled(652)),
         {Line(display, Q("Taro")), Line("@PJL SET LPARM:ORLA MSW068=", "OFF"),
          Line("@PJL SET LPARM:ORLA MSW097=", "ON"), Line("@PJL SET RET=", "OFF"), Attr("APSP", "THICK"),
          Attr("MSIP", "THICK2"), Line("@PJL SET LPARM:ORLA NONFIXED", "0=ON"), Line("@PJL SET SLIPSHEET=", "BLANK"),
          Line("@PJL SET SLIPSHEETFEEDER=", "TRAY1"), Attr("NLPP", "N2")},
         {},
         1,
         2},
        {"second values",
         Join({Text(kJobUser, u"A~B", 16), Bits(kSwitches, 0x20, true), Word(kMediaFront, 3), Word(kMediaSecond, 1),
               Bits(396, 0x40, true), Dword(kSlipOn, 1), Dword(kSlipKind, 1), Dword(kSlipTray, 14),
               Bits(220, 0x09, true)},
              OnlyInstalled(652)),
         {Line(display, Q("")),  // a tilde empties the display text
          Attr("APSP", "TRANSPARENCY"), Attr("MSIP", "THICK"), Line("@PJL SET LPARM:ORLA NONFIXED", "0=OFF"),
          Line("@PJL SET SLIPSHEET=", "COPY"), Line("@PJL SET SLIPSHEETFEEDER=", "SMH"),
          Absent("@PJL SET LPARM:ORLA MSW047"),  // the overlay file is missing: the overlay is off
          Attr("NLPP", "N4")},
         {},
         1,
         4},
        {"double-byte display text, second unit",
         Join({Text(kJobUser, u"山田", 16), Bits(kSwitches, 0x20, true), Bits(404, 0x01, true)}, OnlyInstalled(628)),
         {Line(display, Q("")), Line("@PJL SET LPARM:ORLA NONFIXED", "1=OFF"), Attr("NLPP", "N6")},
         {},
         1,
         6},
        {"display from the second text, fifth unit",
         Join({Text(kJobUser, u"", 16), Text(kDisplayText, u"Sales", 18), Bits(kSwitches, 0x60, true),
               Bits(404, 0x08, false)},
              OnlyInstalled(640)),
         {Line(display, Q("Sales")), Line("@PJL SET LPARM:ORLA NONFIXED", "4=ON"), Attr("NLPP", "N8")},
         {},
         1,
         8},
        {"half-width kana document name",
         {},
         {Line("@PJL COMMENT DNAME=", "\xB6\xC5"), Attr("NLPP", "N9")},
         {},
         1,
         9,
         u"ｶﾅ"},
        {"double-byte document name",
         {Dword(kHoldMode, 1), Dword(kJobNameKind, 1)},
         {Absent("@PJL COMMENT DNAME"), Line("@PJL SET HOLD=", "STORE"), Absent("@PJL SET JOBNAME")},
         {},
         1,
         1,
         u"日本語"},
        {"all-space document name", {}, {Absent("@PJL COMMENT DNAME")}, {}, 1, 1, u"   "},
        {"document name with a double quote, as it is",
         {},
         {Line("@PJL COMMENT DNAME=", "say \"hi\"")},
         {},
         1,
         1,
         u"say \"hi\""},
        // Row 7: a user-defined output paper keeps MSW068 on.
        {"user paper: MSW068 on",
         {Bits(kFlags401, 0x02, true)},
         {Line("@PJL SET LPARM:ORLA MSW068=", "ON")},
         {},
         1,
         1,
         u"e2e job",
         u"Legal"},
        // Row 16: only the Japanese model announces "TONERSAVE".
        {"economy mode on",
         {Bits(kSwitches, 0x02, true)},
         {Line("@PJL SET ECONOMODE=", "ON")},
         {},
         1,
         1,
         u"e2e job",
         u"A4",
         JapaneseOnly},
        {"economy mode off",
         {Bits(kSwitches, 0x02, false)},
         {Line("@PJL SET ECONOMODE=", "OFF")},
         {},
         1,
         1,
         u"e2e job",
         u"A4",
         JapaneseOnly},
        {"no TONERSAVE: no economy line",
         {Bits(kSwitches, 0x02, true)},
         {Absent("@PJL SET ECONOMODE")},
         {},
         1,
         1,
         u"e2e job",
         u"A4",
         EnglishOnly},
        // Attribute rows 2 and 3: user ID and password by the accounting switches.
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
        // Row 12: copies.
        {"copies made by the driver",
         {Bits(kStoreOff, 0x08, false), Bits(kCollate, 0x04, true)},
         {Line("@PJL SET COPIES=", "1"), Line("@PJL SET QTY=", "1")},
         {},
         3},
        {"copies collated by the printer",
         {Bits(kStoreOff, 0x08, true), Bits(kCollate, 0x04, true)},
         {Line("@PJL SET COPIES=", "1"), Line("@PJL SET QTY=", "3")},
         {},
         3},
        {"uncollated copies",
         {Bits(kCollate, 0x04, false)},
         {Line("@PJL SET COPIES=", "3"), Line("@PJL SET QTY=", "1")},
         {},
         3},
        {"no copies asked: one",
         {Bits(kCollate, 0x04, false)},
         {Line("@PJL SET COPIES=", "1"), Line("@PJL SET QTY=", "1")},
         {},
         0},
        {"too many copies: 999",
         {Bits(kCollate, 0x04, false)},
         {Line("@PJL SET COPIES=", "999"), Line("@PJL SET QTY=", "1")},
         {},
         1500},
        // Rows 12 and 14: a proof hold lets the printer make the copies.
        {"proof hold",
         {Bits(kStoreOff, 0x08, true), Bits(kCollate, 0x04, false), Dword(kHoldMode, 2), Text(kHoldUser, u"holder", 25),
          Dword(kJobNameKind, 1)},
         {Line("@PJL SET COPIES=", "1"), Line("@PJL SET QTY=", "3"), Line("@PJL SET HOLD=", "PROOF"),
          Absent("@PJL SET HOLDTYPE"), Line("@PJL SET USERNAME=", Q("holder")),
          Line("@PJL SET JOBNAME=", Q("e2e job"))},
         {},
         3},
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
            if (e.line)
                EXPECT_EQ(found, std::vector<std::string>{*e.line}) << e.prefix;
            else
                EXPECT_EQ(found, std::vector<std::string>{}) << e.prefix;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, JobHeader, ::testing::ValuesIn(kBuilds),
                         [](const ::testing::TestParamInfo<Build>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace e2e
