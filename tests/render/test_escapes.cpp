// DrvEscape on an enabled device context with a spooler job open: the support test and its
// answers, every code's size checks, and what each escape changes in the job that follows.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "core/stamp_record.h"
#include "render/escapes.h"
#include "render/stamp_answer.h"
#include "drawn_job.h"
#include "render_fixture.h"

namespace render_test {
namespace {

namespace dm = orla::dm;
namespace st = orla::stamp;
using orla::kJapaneseBuild;

constexpr ULONG kRefused = 0xFFFFFFFFu;
constexpr ULONG kRecordSize = orla::kDriverDevmodeSize;
constexpr ULONG kStampSize = orla::kStampRecordSize;

WORD WordAt(const std::vector<BYTE>& b, size_t offset) {
    WORD v;
    std::memcpy(&v, b.data() + offset, 2);
    return v;
}
std::u16string TextAt(const std::vector<BYTE>& b, orla::StampTextField f) {
    std::u16string s;
    for (size_t i = 0; i < f.bytes / 2; ++i) {
        WORD c = WordAt(b, f.offset + 2 * i);
        if (c == 0) break;
        s.push_back(static_cast<char16_t>(c));
    }
    return s;
}

class Escapes : public PdevJobTest {
protected:
    PrinterPdev* pdev() { return e_.pdev(); }
    SURFOBJ* so() { return e_.so(); }
    orla::DriverDevmode& settings() { return pdev()->settings.record; }

    ULONG Escape(ULONG code, ULONG cjIn, const void* in, ULONG cjOut = 0, void* out = nullptr) {
        return DrvEscape(so(), code, cjIn, const_cast<void*>(in), cjOut, out);
    }
    ULONG Query(DWORD code) { return Escape(kEscQueryEscSupport, 4, &code); }

    void StartJob() { ASSERT_TRUE(DrvStartDoc(so(), const_cast<LPWSTR>(u"escape doc"), 3)); }
    // One drawn page, then the job end: the whole job as the spooler got it.
    std::string FinishJob() {
        DrawPagesAndEnd(so(), pdev(), 1);
        return EndSpoolJob();
    }
    // The printer collates nothing and the driver makes no copies: the copies go out as COPIES.
    void PlainCopies() { orla::Set(settings(), dm::Flags1, orla::Get(settings(), dm::Flags1) & ~orla::kFlags1Collate); }

    std::vector<BYTE> Stamp(ULONG code) {
        std::vector<BYTE> out(kStampSize, 0xEE);
        EXPECT_EQ(Escape(code, 0, nullptr, kStampSize, out.data()), 1u);
        return out;
    }
    std::vector<BYTE> CopyOfSettings() {
        auto bytes = orla::RecordBytes(settings());
        return std::vector<BYTE>(bytes.begin(), bytes.end());
    }
};

// ---- The support test and QUERYESCSUPPORT ----

TEST_F(Escapes, QueryEscSupportAnswersEveryCodeOfTheTable) {
    struct Case {
        DWORD code;
        ULONG japanese;
        ULONG english;
    };
    const Case cases[] = {
        {8, 1, 1},    {17, 999, 999}, {19, 1, 1},   {20, 4360, 1}, {4360, 1, 0}, {9000, 1, 1},
        {9001, 1, 1}, {9002, 1, 1},   {9005, 1, 1}, {9006, 1, 1},  {9007, 0, 0}, {9100, 1, 1},
        {9101, 1, 1}, {9102, 1, 1},   {9103, 1, 0}, {9104, 0, 0},  {9200, 1, 1}, {9998, 1, 1},
        {9999, 1, 0}, {0, 0, 0},      {21, 0, 0},   {4359, 0, 0},  {8999, 0, 0}, {10000, 0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(Query(c.code), kJapaneseBuild ? c.japanese : c.english) << "code " << c.code;
}

TEST_F(Escapes, UnsupportedCodesAndSupportedCodesWithoutAnAnswerGiveZero) {
    std::vector<BYTE> out(kStampSize);
    SetLastError(0);
    EXPECT_EQ(Escape(7, 0, nullptr), 0u);
    EXPECT_EQ(Escape(9102, 0, nullptr, kStampSize, out.data()), 0u);
    EXPECT_EQ(Escape(9003, 0, nullptr), 0u);
    EXPECT_EQ(GetLastError(), 0u) << "no last error for an unsupported code";
}

TEST_F(Escapes, ADamagedDeviceContextIsRefusedWithLastError87ButQueriesStillAnswer) {
    SURFOBJ bad{};
    DWORD copies = 3;
    SetLastError(0);
    EXPECT_EQ(DrvEscape(&bad, kEscSetCopyCount, 4, &copies, 0, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    DWORD code = 17;
    EXPECT_EQ(DrvEscape(&bad, kEscQueryEscSupport, 4, &code, 0, nullptr), 999u) << "answered before the PDEV check";
    char text[12];
    EXPECT_EQ(DrvEscape(&bad, kEscTechnology, 0, nullptr, sizeof text, text), 1u);
}

// ---- Size checks: wrong sizes and missing buffers change nothing ----

TEST_F(Escapes, WrongSizesAndMissingBuffersAreRefusedAndChangeNothing) {
    std::vector<BYTE> record(kRecordSize, 0), stamp(kStampSize, 0x5A), owner(kJobOwnerRecordSize, 'h');
    DWORD value = 7;
    BYTE small[8] = {};
    struct Case {
        ULONG code;
        ULONG cjIn;
        const void* in;
        ULONG cjOut;
        void* out;
        ULONG result;
        DWORD lastError;  // 0: left as it was
        bool japaneseOnly;
    };
    const Case cases[] = {
        {kEscQueryEscSupport, 3, &value, 0, nullptr, kRefused, 0, false},
        {kEscQueryEscSupport, 4, nullptr, 0, nullptr, kRefused, 0, false},
        {kEscTechnology, 0, nullptr, 0, nullptr, 0, ERROR_INVALID_PARAMETER, false},
        {kEscTechnology, 0, nullptr, 11, small, 0, ERROR_INVALID_PARAMETER, false},
        {kEscSetCopyCount, 4, nullptr, 0, nullptr, kRefused, 0, false},
        {kEscSetCopyCount, 2, &value, 0, nullptr, kRefused, 0, false},
        {kEscSetCopyCount, 4, &value, 2, small, kRefused, 0, false},
        {kEscPassThrough, 1, small, 0, nullptr, kRefused, 0, false},
        {kEscPassThrough, 8, nullptr, 0, nullptr, kRefused, 0, false},
        {kEscAppQuery, 5, small, 0, nullptr, kRefused, 0, true},
        {kEscAppQuery, 8, nullptr, 0, nullptr, kRefused, 0, true},
        {kEscGetStamp, 0, nullptr, kStampSize - 1, stamp.data(), kRefused, 0, false},
        {kEscGetStamp, 0, nullptr, kStampSize, nullptr, kRefused, 0, false},
        {kEscGetBandStamp, 0, nullptr, kStampSize + 1, stamp.data(), kRefused, 0, false},
        {kEscSetDcHandle, 8, &value, 0, nullptr, kRefused, 0, false},
        {kEscSetDcHandle, 4, nullptr, 0, nullptr, kRefused, 0, false},
        {kEscGetInfoStamp, 0, nullptr, 4, stamp.data(), kRefused, 0, false},
        {kEscGetBandInfoStamp, 0, nullptr, kStampSize, nullptr, kRefused, 0, false},
        {kEscGetFooterStamp, 0, nullptr, 100, stamp.data(), kRefused, 0, true},
        {kEscSetAccount, kRecordSize - 1, record.data(), 0, nullptr, kRefused, 0, false},
        {kEscSetAccount, kRecordSize, nullptr, 0, nullptr, kRefused, 0, false},
        {kEscSetJobOwner, kJobOwnerRecordSize - 1, owner.data(), 0, nullptr, kRefused, 0, false},
        {kEscSetJobOwner, kJobOwnerRecordSize, nullptr, 0, nullptr, kRefused, 0, false},
        {kEscSetJobSettings, kRecordSize + 4, record.data(), 0, nullptr, kRefused, 0, true},
        {kEscSetJobSettings, kRecordSize, nullptr, 0, nullptr, kRefused, 0, true},
    };
    const std::vector<BYTE> before = CopyOfSettings();
    const DWORD pendingBefore = pdev()->pending;
    for (const Case& c : cases) {
        if (c.japaneseOnly && !kJapaneseBuild) continue;
        SetLastError(1234);
        std::vector<BYTE> stampBefore = stamp;
        EXPECT_EQ(Escape(c.code, c.cjIn, c.in, c.cjOut, c.out), c.result) << "code " << c.code << " cjIn " << c.cjIn;
        EXPECT_EQ(GetLastError(), c.lastError != 0 ? c.lastError : 1234u) << "code " << c.code;
        EXPECT_EQ(stamp, stampBefore) << "code " << c.code << ": the output is untouched";
    }
    EXPECT_EQ(CopyOfSettings(), before) << "no refused escape changed the settings";
    EXPECT_EQ(pdev()->pending, pendingBefore);
    EXPECT_EQ(pdev()->job.dcHandleValue, 0u);
    EXPECT_EQ(pdev()->escapes.appQueryStored, 0u);
    EXPECT_EQ(SpooledBytes(), "") << "nothing reached the job";
}

TEST_F(Escapes, TechnologyQueryWritesItsTwelveBytes) {
    char text[16];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(Escape(kEscTechnology, 0, nullptr, 12, text), 1u);
    EXPECT_EQ(std::string(text, 12), std::string("ORLA Level2\0", 12));
    EXPECT_EQ(text[12], 'x') << "nothing past the twelve bytes";
}

// ---- SETCOPYCOUNT ----

TEST_F(Escapes, SetCopyCountStoresTheCappedCountAndAnswersIt) {
    struct Case {
        DWORD in;
        SHORT stored;
    };
    const Case cases[] = {{0, 1}, {1, 1}, {3, 3}, {999, 999}, {1000, 999}, {5000, 999}, {0xFFFFFFFFu, 999}};
    for (const Case& c : cases) {
        DWORD answer = 0;
        EXPECT_EQ(Escape(kEscSetCopyCount, 4, &c.in, 4, &answer), 1u) << c.in;
        EXPECT_EQ(orla::Get(settings(), dm::Copies), c.stored) << c.in;
        EXPECT_EQ(answer, static_cast<DWORD>(c.stored)) << c.in;
    }
    DWORD four = 4;
    EXPECT_EQ(Escape(kEscSetCopyCount, 4, &four), 1u) << "the answer buffer is optional";
    EXPECT_EQ(orla::Get(settings(), dm::Copies), 4);
}

TEST_F(Escapes, SetCopyCountReachesTheJobHeaderCopies) {
    PlainCopies();
    StartJob();
    DWORD copies = 7;
    ASSERT_EQ(Escape(kEscSetCopyCount, 4, &copies), 1u);
    std::string job = FinishJob();
    EXPECT_EQ(Count(job, "@PJL SET COPIES=7\r\n"), 1u);
    EXPECT_EQ(Count(job, "@PJL SET QTY=1\r\n"), 1u);
}

// ---- PASSTHROUGH ----

std::vector<BYTE> PassThroughBlock(const std::string& data, WORD count) {
    std::vector<BYTE> block(2 + data.size());
    std::memcpy(block.data(), &count, 2);
    std::memcpy(block.data() + 2, data.data(), data.size());
    return block;
}

TEST_F(Escapes, PassThroughBytesReachTheJobInPlaceAfterAHeaderWithoutJobMode) {
    StartJob();
    // The English build writes the header at the page start itself: the data must come first.
    if (kJapaneseBuild) {
        ASSERT_TRUE(DrvStartPage(so()));
    }
    const std::string raw = "<application bytes>";
    std::vector<BYTE> block = PassThroughBlock(raw, static_cast<WORD>(raw.size()));
    EXPECT_EQ(Escape(kEscPassThrough, static_cast<ULONG>(block.size()), block.data()), raw.size());
    EXPECT_NE(pdev()->pending & kPageOutputWritten, 0u);
    EXPECT_EQ(pdev()->pageSetup.blankSheet, 1u) << "the application data is not a drawing of ours";
    if (!kJapaneseBuild) {
        ASSERT_TRUE(DrvStartPage(so()));
    }
    ASSERT_TRUE(DrvSendPage(so()));
    ASSERT_TRUE(DrvEndDoc(so(), 0));
    std::string job = EndSpoolJob();
    EXPECT_EQ(Count(job, "@PJL JOB MODE="), 0u) << "the job that starts with application data has no job mode";
    const size_t at = job.find(raw);
    ASSERT_NE(at, std::string::npos);
    EXPECT_LT(job.find("@PJL ENTER LANGUAGE=ORLA"), at) << "header and page set-up first";
    EXPECT_LT(at, job.find("@PJL EOJ")) << "then the bytes, then the trailer";
}

TEST_F(Escapes, PassThroughNeverReadsPastTheCallersBuffer) {
    StartJob();
    // The count says 40 bytes, the buffer holds 6 after the count: refused, nothing read or written.
    std::vector<BYTE> block = PassThroughBlock("abcdef", 40);
    EXPECT_EQ(Escape(kEscPassThrough, static_cast<ULONG>(block.size()), block.data()), kRefused);
    EXPECT_EQ(SpooledBytes(), "");
    EXPECT_EQ(pdev()->pending & kJobStarted, 0u) << "not even the job header";
    std::vector<BYTE> empty = PassThroughBlock("", 0);
    EXPECT_EQ(Escape(kEscPassThrough, 2, empty.data()), 0u) << "an empty block is written as nothing";
}

TEST_F(Escapes, PassThroughAfterAnOutputFailureOrOnAFailedWriteIsNotReportedAsWritten) {
    StartJob();
    std::vector<BYTE> block = PassThroughBlock("0123456789", 10);
    PlatInjectShortWrite("WritePrinter", 2, 3);  // the header goes out, the data comes up short
    EXPECT_EQ(Escape(kEscPassThrough, static_cast<ULONG>(block.size()), block.data()), kRefused);
    EXPECT_TRUE(OutputFailed(pdev()));
    const std::string sofar = SpooledBytes();
    EXPECT_EQ(Escape(kEscPassThrough, static_cast<ULONG>(block.size()), block.data()), kRefused)
        << "after a failed write the data is refused, not counted as written";
    EXPECT_EQ(SpooledBytes(), sofar) << "and nothing more is written";
}

// ---- 4360: the application query (Japanese build) ----

std::vector<BYTE> AppBlock(WORD subCode, WORD parameter, size_t size = 8) {
    std::vector<BYTE> block(size, 0);
    std::memcpy(block.data() + 4, &subCode, 2);
    if (size >= 8) std::memcpy(block.data() + 6, &parameter, 2);
    return block;
}

TEST_F(Escapes, AppQueryAnswersItsSubCodesAndStoresAnyOtherBlock) {
    if (!kJapaneseBuild) GTEST_SKIP() << "the English build has no application query";
    DWORD out[5];
    std::memset(out, 0xAB, sizeof out);
    auto id = AppBlock(0x6585, 0);
    EXPECT_EQ(Escape(kEscAppQuery, 8, id.data(), 4, out), 1u);
    EXPECT_EQ(std::memcmp(out, "EPZQ", 4), 0) << "QZPE, first character in the most significant byte";

    struct Case {
        WORD parameter;
        DWORD values[4];
    };
    const Case cases[] = {{0x1101, {0x800000, 0x40000, 0x40000, 0}}, {0x1108, {0x11108, 0, 0, 0}}};
    for (const Case& c : cases) {
        std::memset(out, 0xAB, sizeof out);
        auto block = AppBlock(3, c.parameter);
        EXPECT_EQ(Escape(kEscAppQuery, 8, block.data(), sizeof out, out), 1u);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(out[1 + i], c.values[i]) << std::hex << c.parameter << " " << i;
        EXPECT_EQ(out[0], 0xABABABABu) << "DWORD 0 untouched";
        EXPECT_EQ(Escape(kEscAppQuery, 8, block.data(), 16, out), kRefused) << "an output too small for the answer";
    }
    auto nothing = AppBlock(1, 0, 6);
    EXPECT_EQ(Escape(kEscAppQuery, 6, nothing.data()), 1u);
    EXPECT_EQ(pdev()->escapes.appQueryStored, 0u);

    auto sample = AppBlock(7, 0, 24);
    sample[20] = 0x42;
    EXPECT_EQ(Escape(kEscAppQuery, 24, sample.data()), 1u);
    ASSERT_EQ(pdev()->escapes.appQueryStored, 1u);
    ASSERT_EQ(pdev()->escapes.appQueryBlockBytes, 24u);
    EXPECT_EQ(std::memcmp(pdev()->escapes.appQueryBlock, sample.data(), 24), 0);
    std::vector<BYTE> stamp(kStampSize, 0x11);
    EXPECT_EQ(Escape(kEscGetFooterStamp, 0, nullptr, kStampSize, stamp.data()), 1u);
    EXPECT_EQ(stamp, std::vector<BYTE>(kStampSize, 0x11)) << "with a sample sheet owed the footer is no stamp";
}

// ---- Stamp escapes ----

TEST_F(Escapes, StampAnswerCarriesTheSettingsStampAndThePageFields) {
    auto rec = orla::RecordBytes(settings());
    BYTE* stored = rec.data() + dm::StampRecord.offset;
    // A stored text without a terminator: the answer ends it inside its field.
    for (size_t i = 0; i < st::kText.bytes; i += 2)
        stored[st::kText.offset + i] = 'A', stored[st::kText.offset + i + 1] = 0;
    orla::StampSet(stored, st::kPosition, 4);
    orla::Set(settings(), dm::StampNumber, DWORD{3});
    orla::Set(settings(), dm::StampOption, DWORD{1});
    StartJob();
    ASSERT_TRUE(DrvStartPage(so()));
    ASSERT_TRUE(DrvStartPage(so()));  // page 2

    std::vector<BYTE> out = Stamp(kEscGetStamp);
    EXPECT_EQ(orla::StampGet(out.data(), st::kNumber), 3u);
    EXPECT_EQ(orla::StampGet(out.data(), st::kPosition), 4u);
    EXPECT_EQ(orla::StampGet(out.data(), st::kFirstPageOnly), 1u);
    EXPECT_EQ(TextAt(out, st::kText), std::u16string(128, u'A'));
    EXPECT_EQ(WordAt(out, st::kText.offset + st::kText.bytes - 2), 0u);
    EXPECT_EQ(orla::StampGet(out.data(), st::kPageLeft), 0u);
    EXPECT_EQ(orla::StampGet(out.data(), st::kPageTop), 0u);
    EXPECT_EQ(static_cast<LONG>(orla::StampGet(out.data(), st::kPageRight)),
              pdev()->geometry.printable.right - pdev()->geometry.printable.left + 1);
    EXPECT_EQ(static_cast<LONG>(orla::StampGet(out.data(), st::kPageBottom)),
              pdev()->geometry.printable.bottom - pdev()->geometry.printable.top + 1);
    EXPECT_EQ(static_cast<LONG>(orla::StampGet(out.data(), st::kResolution)), pdev()->geometry.resolution);
    EXPECT_EQ(orla::StampGet(out.data(), st::kPageNumber), 2u);

    orla::Set(settings(), dm::StampNumber, DWORD{0});
    orla::Set(settings(), dm::FavouriteStampOn, DWORD{1});
    EXPECT_EQ(orla::StampGet(Stamp(kEscGetStamp).data(), st::kNumber), 99u) << "asked for without a selected stamp";
}

TEST_F(Escapes, BandVariantsOutsideBandModeOnlyClearTheDrawFlag) {
    pdev()->state &= ~kStateRasterMode;
    for (ULONG code : {ULONG{kEscGetBandStamp}, ULONG{kEscGetBandInfoStamp}}) {
        std::vector<BYTE> out(kStampSize, 0xEE);
        EXPECT_EQ(Escape(code, 0, nullptr, kStampSize, out.data()), 1u);
        std::vector<BYTE> expected(kStampSize, 0xEE);
        orla::StampSet(expected.data(), st::kDrawFlag, 0);
        EXPECT_EQ(out, expected) << code;
    }
    pdev()->state |= kStateRasterMode;
    orla::Set(settings(), dm::StampNumber, DWORD{5});
    EXPECT_EQ(orla::StampGet(Stamp(kEscGetBandStamp).data(), st::kNumber), 5u) << "in band mode the whole answer";
}

TEST_F(Escapes, InformationStampTextByItsFlags) {
    orla::Set(settings(), dm::AnnotationOn, DWORD{1});
    orla::Set(settings(), dm::AnnotationPosition, DWORD{7});
    StartJob();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(DrvStartPage(so()));

    PageNumberStamp& info = pdev()->settings.pageStamp;
    info.flagKind7 = 1;
    std::vector<BYTE> out = Stamp(kEscGetInfoStamp);
    EXPECT_EQ(TextAt(out, st::kText), u"-3-");
    EXPECT_EQ(orla::StampGet(out.data(), st::kPosition), 7u);
    EXPECT_EQ(orla::StampGet(out.data(), st::kDrawFlag), 1u);
    EXPECT_EQ(orla::StampGet(out.data(), st::kTextSize), 105u);
    EXPECT_EQ(orla::StampGet(out.data(), st::kAngle), 2u);
    EXPECT_EQ(orla::StampGet(out.data(), st::kWeight), 400u);
    EXPECT_EQ(orla::StampGet(out.data(), st::kGrey), 3046u);
    EXPECT_EQ(orla::StampGet(out.data(), st::kMode), 3065u);
    EXPECT_EQ(orla::StampGet(out.data(), st::kKind), 0u);
    EXPECT_EQ(TextAt(out, st::kFaceName), kJapaneseBuild ? u"ＭＳ Ｐゴシック" : u"Arial");
    EXPECT_EQ(orla::StampGet(out.data(), st::kPageNumber), 3u);

    info.flagKind7 = 0;
    info.flagKind6 = 1;
    EXPECT_EQ(TextAt(Stamp(kEscGetInfoStamp), st::kText), u"escape doc");
    info.flagKind6 = 0;
    std::u16string own = u"own words";
    std::copy(own.begin(), own.end(), info.text);
    info.text[own.size()] = 0;
    EXPECT_EQ(TextAt(Stamp(kEscGetInfoStamp), st::kText), own);
}

// ---- Settings escapes ----

TEST_F(Escapes, DcHandleAccountAndOwnerReachTheDeviceContextAndTheHeader) {
    PlainCopies();
    // The account values of the job itself, not the printer's.
    orla::Set(settings(), dm::Flags2, orla::Get(settings(), dm::Flags2) & ~orla::kFlags2JbaType);
    StartJob();
    DWORD dc = 0x1234;
    EXPECT_EQ(Escape(kEscSetDcHandle, 4, &dc), 1u);
    EXPECT_EQ(pdev()->job.dcHandleValue, 0x1234u);

    orla::DriverDevmode incoming = settings();
    // An unterminated user ID fills its field; it is stored ended within the field.
    for (unsigned i = 0; i < dm::PopUserId.cch; ++i)
        orla::Set(incoming, orla::DmField<WORD>{dm::PopUserId.offset + 2 * i}, WORD{'u'});
    orla::SetText(incoming, dm::PopPassword, u"pw12");
    EXPECT_EQ(Escape(kEscSetAccount, kRecordSize, incoming.bytes), 1u);
    EXPECT_EQ(orla::GetText(settings(), dm::PopUserId), std::u16string(dm::PopUserId.cch - 1, u'u'));

    std::vector<BYTE> owner(kJobOwnerRecordSize, 0);
    std::memcpy(owner.data() + kOwnerHostOffset, "10.1.2.3", 8);
    EXPECT_EQ(Escape(kEscSetJobOwner, kJobOwnerRecordSize, owner.data()), 1u);
    EXPECT_NE(pdev()->pending & kOwnerFromEscape, 0u);

    std::string job = FinishJob();
    EXPECT_EQ(Count(job, "@JOAU=" + std::string(dm::PopUserId.cch - 1, 'u') + "\""), 1u);
    EXPECT_EQ(Count(job, "@JOAP=pw12\""), 1u);
    EXPECT_EQ(Count(job, "@HOAD=10.1.2.3\""), 1u);
}

TEST_F(Escapes, JobSettingsTakeOverThePrintTimeChoices) {
    if (!kJapaneseBuild) GTEST_SKIP() << "the English build has no print-time settings escape";
    PlainCopies();
    StartJob();
    orla::DriverDevmode incoming = settings();
    orla::Set(incoming, dm::Copies, SHORT{4});
    orla::Set(incoming, dm::LayoutMode, WORD{4});
    orla::Set(incoming, dm::AnnotationOn, DWORD{1});
    orla::Set(incoming, dm::AnnotationKind, DWORD{8});
    orla::Set(incoming, dm::AnnotationPosition, DWORD{2});
    orla::SetText(incoming, dm::AnnotationText, u"print-time text");
    orla::Set(incoming, dm::StampNumber, DWORD{2});
    // Bits outside the print-time set stay as they were.
    const DWORD flagsBefore = orla::Get(settings(), dm::Flags1);
    orla::Set(incoming, dm::Flags1, (flagsBefore ^ 0x200u ^ 0x1000u) & ~orla::kFlags1Collate);
    ASSERT_EQ(Escape(kEscSetJobSettings, kRecordSize, incoming.bytes), 1u);

    EXPECT_NE(pdev()->pending & kSettingsFromEscape, 0u);
    EXPECT_EQ(orla::Get(settings(), dm::StampNumber), 2u);
    EXPECT_EQ(orla::Get(settings(), dm::Flags1), (flagsBefore ^ 0x200u) & ~orla::kFlags1Collate);
    EXPECT_EQ(pdev()->geometry.zoom,
              ComputeLayoutZoom(pdev(), &pdev()->geometry.logicalPaper, &pdev()->geometry.outputPaper) == 100
                  ? 99
                  : ComputeLayoutZoom(pdev(), &pdev()->geometry.logicalPaper, &pdev()->geometry.outputPaper));
    std::vector<BYTE> info = Stamp(kEscGetInfoStamp);
    EXPECT_EQ(TextAt(info, st::kText), u"print-time text");
    EXPECT_EQ(orla::StampGet(info.data(), st::kPosition), 2u);

    std::string job = FinishJob();
    EXPECT_EQ(Count(job, "@PJL SET COPIES=4\r\n"), 1u);
    EXPECT_EQ(Count(job, "@NLPP=N4\""), 1u);
}

TEST_F(Escapes, JobSettingsDateTextFallsBackToTheRecordedDateOnAnInvalidClock) {
    if (!kJapaneseBuild) GTEST_SKIP() << "the English build has no print-time settings escape";
    SYSTEMTIME invalid{};
    invalid.wYear = 2026, invalid.wMonth = 13, invalid.wDay = 2, invalid.wHour = 3, invalid.wMinute = 4;
    PlatSetLocalTime(&invalid);
    struct ClockBack {
        ~ClockBack() { PlatSetLocalTime(nullptr); }
    } clockBack;
    const LONG day = orla::DeviceDataSignedField(pdev()->deviceData, orla::dd::kDefaultLocalDay);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%04ld-%02ld-%02ld", static_cast<long>(day / 10000),
                  static_cast<long>(day / 100 % 100), static_cast<long>(day % 100));
    orla::DriverDevmode incoming = settings();
    orla::Set(incoming, dm::AnnotationKind, DWORD{3});
    ASSERT_EQ(Escape(kEscSetJobSettings, kRecordSize, incoming.bytes), 1u);
    EXPECT_EQ(TextAt(Stamp(kEscGetInfoStamp), st::kText), Widen(expected));
}

}  // namespace
}  // namespace render_test
