// The page end in the application's process: the graphics DLL answers the page's stamp records,
// the interface DLL imprints them through the stamp-drawing library beside the graphics DLL (here
// a library that records its calls): the built-in stamp 99, the user's stored stamps by number,
// first-page-only stamps, the information and footer stamps, and what stops the imprint.
#include <cstring>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "core/stamp_record.h"
#include "document_event_fixture.h"
#include "stamp_recorder.h"
#include "ui/entry/document_events.h"

using namespace orla;
using namespace orla_ui_test;

namespace document_page_end_test {

constexpr int kChosen = 9000, kInfo = 9100, kFooter = 9103;
const std::vector<int> kPageEscapes =
    kJapaneseBuild ? std::vector<int>{kChosen, kInfo, kFooter} : std::vector<int>{kChosen, kInfo};

// A stamp record by its fields (little-endian, 780 bytes).
struct StampBytes {
    std::vector<BYTE> bytes = std::vector<BYTE>(kStampRecordSize, 0);
    StampBytes& Dword(size_t offset, DWORD v) {
        std::memcpy(&bytes[offset], &v, 4);
        return *this;
    }
    StampBytes& Word(size_t offset, WORD v) {
        std::memcpy(&bytes[offset], &v, 2);
        return *this;
    }
    StampBytes& Wide(size_t offset, std::u16string_view text) {
        for (size_t i = 0; i < text.size(); ++i) Word(offset + 2 * i, text[i]);
        return *this;
    }
    StampBytes& Ansi(size_t offset, std::string_view text) {
        std::memcpy(&bytes[offset], text.data(), text.size());
        return *this;
    }
    // The page placement the graphics DLL fills in: drawn, a 4961 x 7016 page at 600 dpi.
    StampBytes& Placement(DWORD page, DWORD firstPageOnly = 0, DWORD draw = 1) {
        return Dword(740, firstPageOnly)
            .Dword(748, draw)
            .Dword(752, 0)
            .Dword(756, 0)
            .Dword(760, 4961)
            .Dword(764, 7016)
            .Dword(768, 600)
            .Dword(772, page);
    }
    // A text stamp's look.
    StampBytes& Look(std::u16string_view text, WORD angle, DWORD grey, DWORD mode, DWORD enabled = 1) {
        return Wide(136, text)
            .Dword(652, 2)
            .Word(656, 500)
            .Word(660, angle)
            .Word(662, 700)
            .Dword(664, 1)
            .Wide(668, u"Courier")
            .Dword(732, enabled)
            .Dword(736, grey)
            .Dword(744, mode);
    }
};

class DocumentPageEndTest : public DocumentEventTest {
protected:
    void SetUp() override {
        DocumentEventTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        InstallRecorder();
    }
    void TearDown() override {
        recorder_.reset();
        DocumentEventTest::TearDown();
    }

    // The recorder as "Garnith.dll" beside the graphics DLL, kept loaded by the test so that its
    // log outlives the driver's load and free around each stamp.
    void InstallRecorder() {
        const std::u16string path = driverDir_ + u"\\Garnith.dll";
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/StampRecorder.dll").c_str(), path.c_str()));
        recorder_.reset(LoadLibraryW(path.c_str()));
        ASSERT_NE(recorder_, nullptr);
        count_ = ProcEntry<StampRecorderCountFn>(recorder_.get(), "StampRecorderCount");
        call_ = ProcEntry<StampRecorderCallFn>(recorder_.get(), "StampRecorderCall");
        ASSERT_NE(count_, nullptr);
        ASSERT_NE(call_, nullptr);
        ProcEntry<StampRecorderResetFn>(recorder_.get(), "StampRecorderReset")();
    }

    std::vector<STAMP_RECORDER_CALL> Drawn() const {
        std::vector<STAMP_RECORDER_CALL> calls(count_());
        for (DWORD i = 0; i < calls.size(); ++i) call_(i, &calls[i]);
        return calls;
    }

    // The user's stored stamps, in their stored form.
    void StoreStamps(const std::vector<StampBytes>& stamps) {
        std::vector<BYTE> list;
        for (const StampBytes& s : stamps) list.insert(list.end(), s.bytes.begin(), s.bytes.end());
        PutUserBinary(u"Software\\QEV\\STAMP\\Halvoric", u"STAMP_Info", list);
    }

    void Answer(int escape, const StampBytes& record) { app_.stampOut[escape] = record.bytes; }

    LibraryPtr recorder_;
    StampRecorderCountFn count_ = nullptr;
    StampRecorderCallFn call_ = nullptr;
};

// Number 99 is the built-in stamp whatever is stored; the page's placement is the answer's.
TEST_F(DocumentPageEndTest, StampNinetyNineIsTheBuiltInStamp) {
    StoreStamps({StampBytes{}.Word(0, 99).Ansi(136, "STORED").Dword(748, 1)});
    Answer(kChosen, StampBytes{}.Word(0, 99).Wide(136, u"FROM-DLL").Dword(736, 3041).Placement(1));
    EXPECT_EQ(EndPage(), 1);
    EXPECT_EQ(app_.Codes(), kPageEscapes);
    const auto drawn = Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    const STAMP_RECORDER_CALL& c = drawn[0];
    EXPECT_FALSE(c.bitmap);
    EXPECT_EQ(c.dc, 0x5A5Au);
    EXPECT_STREQ(c.text, kJapaneseBuild ? "\x94\xE9" : "Confidential");  // "秘" in code page 932
    EXPECT_STREQ(c.face, kJapaneseBuild ? "\x82\x6C\x82\x72\x20\x82\x6F\x96\xBE\x92\xA9" : "Arial");
    EXPECT_EQ(c.position, 4u);
    EXPECT_EQ(c.size, kJapaneseBuild ? 2000 : 880);
    EXPECT_EQ(c.angle, kJapaneseBuild ? 0 : 450);
    EXPECT_EQ(c.weight, 400);
    EXPECT_EQ(c.italic, 0u);
    EXPECT_EQ(c.pass, 1) << "the built-in stamp's enabled value";
    EXPECT_EQ(c.grey, 0x666666u);
    EXPECT_EQ(c.mode, kJapaneseBuild ? 1 : 0);
    EXPECT_EQ(c.width, 4961);
    EXPECT_EQ(c.height, 7016);
    EXPECT_EQ(c.resolution, 600u);
}

// Any other number is the user's stored stamp of that number, placed as the answer says.
TEST_F(DocumentPageEndTest, StoredStampsAreTakenByNumber) {
    StoreStamps({
        StampBytes{}.Word(0, 1).Ansi(136, "DRAFT").Word(656, 300).Word(660, 4).Dword(736, 3046).Dword(744, 3067),
        StampBytes{}
            .Word(0, 2)
            .Ansi(136, "\x8F\xB3\x94\x46")
            .Ansi(668, "Gothic")
            .Word(656, 720)
            .Word(660, 0)
            .Word(662, 400)
            .Dword(732, 0)
            .Dword(736, 3042)
            .Dword(744, 3066)
            .Dword(740, 1),
    });
    Answer(kChosen, StampBytes{}.Word(0, 2).Wide(136, u"FROM-DLL").Placement(1, 0));
    EXPECT_EQ(EndPage(), 1);
    auto drawn = Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_STREQ(drawn[0].text, "\x8F\xB3\x94\x46");  // "承認"
    EXPECT_STREQ(drawn[0].face, "Gothic");
    EXPECT_EQ(drawn[0].size, 720);
    EXPECT_EQ(drawn[0].angle, -900);
    EXPECT_EQ(drawn[0].grey, 0xCCCCCCu);
    EXPECT_EQ(drawn[0].mode, 1);
    EXPECT_EQ(drawn[0].pass, 0) << "the stored stamp's own enabled value";
    EXPECT_EQ(drawn[0].width, 4961);

    // The answer's first-page-only flag counts, not the stored one: stamp 2 on page 2.
    ProcEntry<StampRecorderResetFn>(recorder_.get(), "StampRecorderReset")();
    Answer(kChosen, StampBytes{}.Word(0, 2).Placement(2, 0));
    EXPECT_EQ(EndPage(), 1);
    EXPECT_EQ(Drawn().size(), 1u);
    // Stamp 1 by number.
    ProcEntry<StampRecorderResetFn>(recorder_.get(), "StampRecorderReset")();
    Answer(kChosen, StampBytes{}.Word(0, 1).Placement(3));
    EXPECT_EQ(EndPage(), 1);
    drawn = Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_STREQ(drawn[0].text, "DRAFT");
    EXPECT_EQ(drawn[0].angle, 900);
    EXPECT_EQ(drawn[0].grey, 0u);
    EXPECT_EQ(drawn[0].mode, 2);
}

TEST_F(DocumentPageEndTest, FirstPageOnlyAndOffStampsAreDrawnWhereTheyBelong) {
    struct Case {
        DWORD page, firstPageOnly, draw;
        bool drawn;
    } const cases[] = {
        {1, 1, 1, true}, {2, 1, 1, false}, {2, 0, 1, true}, {1, 0, 0, false}, {1, 1, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "page " << c.page << " first only " << c.firstPageOnly);
        ProcEntry<StampRecorderResetFn>(recorder_.get(), "StampRecorderReset")();
        app_ = FakeApplication{};
        Answer(kChosen, StampBytes{}.Word(0, 99).Placement(c.page, c.firstPageOnly, c.draw));
        EXPECT_EQ(EndPage(), 1);
        EXPECT_EQ(Drawn().size(), c.drawn ? 1u : 0u);
    }
}

// The information and footer stamps are drawn as the graphics DLL returns them, after the chosen
// stamp; the English build asks for no footer.
TEST_F(DocumentPageEndTest, InformationAndFooterStampsAreDrawnAsReturned) {
    Answer(kChosen, StampBytes{}.Word(0, 99).Placement(1, 0, 0));
    Answer(kInfo, StampBytes{}.Look(u"-3-", 2, 3046, 3065, 0).Placement(3));
    Answer(kFooter, StampBytes{}.Look(u"FOOTER", 2, 3046, 3065, 0).Placement(3));
    EXPECT_EQ(EndPage(), 1);
    EXPECT_EQ(app_.Codes(), kPageEscapes);
    for (const EscapeCall& e : app_.escapes) EXPECT_EQ(e.outputSize, 780) << e.code;
    const auto drawn = Drawn();
    std::vector<std::string> texts;
    for (const STAMP_RECORDER_CALL& c : drawn) texts.push_back(c.text);
    const std::vector<std::string> expected =
        kJapaneseBuild ? std::vector<std::string>{"-3-", "FOOTER"} : std::vector<std::string>{"-3-"};
    EXPECT_EQ(texts, expected);
    ASSERT_FALSE(drawn.empty());
    EXPECT_STREQ(drawn[0].face, "Courier");
    EXPECT_EQ(drawn[0].position, 2u);
    EXPECT_EQ(drawn[0].size, 500);
    EXPECT_EQ(drawn[0].weight, 700);
    EXPECT_EQ(drawn[0].italic, 1u);
    EXPECT_EQ(drawn[0].pass, 0);
}

// An escape answering 0 or less ends the page with -1; nothing after it is asked or drawn.
TEST_F(DocumentPageEndTest, FailedEscapeStopsTheImprint) {
    struct Case {
        int failing;
        int answer;
        std::vector<int> asked;
        size_t drawn;
    } cases[] = {
        {kChosen, 0, {kChosen}, 0},
        {kInfo, 0, {kChosen, kInfo}, 1},
        {kInfo, -1, {kChosen, kInfo}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        ProcEntry<StampRecorderResetFn>(recorder_.get(), "StampRecorderReset")();
        app_ = FakeApplication{};
        Answer(kChosen, StampBytes{}.Word(0, 99).Placement(1));
        Answer(kInfo, StampBytes{}.Look(u"INFO", 2, 3046, 3065).Placement(1));
        app_.answers[c.failing] = c.answer;
        EXPECT_EQ(EndPage(), -1);
        EXPECT_EQ(app_.Codes(), c.asked);
        EXPECT_EQ(Drawn().size(), c.drawn);
    }
    if (kJapaneseBuild) {
        ProcEntry<StampRecorderResetFn>(recorder_.get(), "StampRecorderReset")();
        app_ = FakeApplication{};
        Answer(kChosen, StampBytes{}.Word(0, 99).Placement(1));
        Answer(kInfo, StampBytes{}.Look(u"INFO", 2, 3046, 3065).Placement(1));
        app_.answers[kFooter] = 0;
        EXPECT_EQ(EndPage(), -1);
        EXPECT_EQ(Drawn().size(), 2u) << "the stamps before the footer are on the page";
    }
}

TEST_F(DocumentPageEndTest, WithoutTheStampLibraryNothingIsDrawnAndThePageSucceeds) {
    recorder_.reset();
    DeleteFileW((driverDir_ + u"\\Garnith.dll").c_str());
    Answer(kChosen, StampBytes{}.Word(0, 99).Placement(1));
    Answer(kInfo, StampBytes{}.Look(u"INFO", 2, 3046, 3065).Placement(1));
    EXPECT_EQ(EndPage(), 1);
    EXPECT_EQ(app_.Codes(), kPageEscapes) << "every stamp is still asked for";
}

TEST_F(DocumentPageEndTest, NoPrinterOrDeviceContextIsNoPageToStamp) {
    EXPECT_EQ(HandleDocumentEvent(kFakeSystem, nullptr, kAppDc, kDocumentEventEndPage, 0, nullptr, 0, nullptr), 1);
    EXPECT_EQ(HandleDocumentEvent(kFakeSystem, printer_, nullptr, kDocumentEventEndPage, 0, nullptr, 0, nullptr), 1);
    EXPECT_TRUE(app_.escapes.empty());
}

// Angle, grey and mode of the stamp editor's choices, as the library gets them.
TEST_F(DocumentPageEndTest, ChoicesBecomeAngleGreyAndMode) {
    struct Case {
        WORD angle;
        DWORD grey, mode;
        LONG tenths;
        DWORD colour;
        LONG style;
    } const cases[] = {
        {0, 3041, 3065, -900, 0xFFFFFF, 0}, {1, 3042, 3066, -450, 0xCCCCCC, 1},
        {2, 3043, 3067, 0, 0x999999, 2},    {3, 3044, 3065, 450, 0x666666, 0},
        {4, 3045, 3065, 900, 0x333333, 0},  {5, 3046, 3068, 0, 0x000000, 0},
        {2, 3040, 3064, 0, 0, 0},           {2, 0x10000 + 3041, 0x10000 + 3065, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.angle << " " << c.grey << " " << c.mode);
        ProcEntry<StampRecorderResetFn>(recorder_.get(), "StampRecorderReset")();
        app_ = FakeApplication{};
        Answer(kChosen, StampBytes{}.Word(0, 99).Placement(1, 0, 0));
        Answer(kInfo, StampBytes{}.Look(u"X", c.angle, c.grey, c.mode).Placement(1));
        EXPECT_EQ(EndPage(), 1);
        const auto drawn = Drawn();
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].angle, c.tenths);
        EXPECT_EQ(drawn[0].grey, c.colour);
        EXPECT_EQ(drawn[0].mode, c.style);
    }
}

TEST_F(DocumentPageEndTest, ImageStampsGoToTheBitmapEntry) {
    Answer(kChosen, StampBytes{}.Word(0, 99).Placement(1, 0, 0));
    Answer(kInfo, StampBytes{}
                      .Dword(132, 1)
                      .Wide(394, u"C:\\Stamps\\logo.bmp")
                      .Dword(652, 8)
                      .Word(658, 150)
                      .Dword(732, 1)
                      .Placement(1));
    EXPECT_EQ(EndPage(), 1);
    const auto drawn = Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(drawn[0].bitmap);
    EXPECT_STREQ(drawn[0].text, "C:\\Stamps\\logo.bmp");
    EXPECT_EQ(drawn[0].position, 8u);
    EXPECT_EQ(drawn[0].size, 150);
    EXPECT_EQ(drawn[0].pass, 1);
    EXPECT_EQ(drawn[0].reserved, 0);
    EXPECT_EQ(drawn[0].height, 7016);
}

// A page rectangle whose width or height does not fit a LONG is no page: nothing is drawn, and the
// page still succeeds.
TEST_F(DocumentPageEndTest, RectangleBeyondAnyPageIsNotDrawn) {
    struct Case {
        LONG left, top, right, bottom;
        bool drawn;
    } const cases[] = {
        {-1879047680, 0, 1912619264, 7016, false},
        {0, 2000000000, 4961, -2000000000, false},
        {-100, -100, 4961, 7016, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.left << "," << c.top << "," << c.right << "," << c.bottom);
        ProcEntry<StampRecorderResetFn>(recorder_.get(), "StampRecorderReset")();
        app_ = FakeApplication{};
        Answer(kChosen, StampBytes{}
                            .Word(0, 99)
                            .Placement(1)
                            .Dword(752, static_cast<DWORD>(c.left))
                            .Dword(756, static_cast<DWORD>(c.top))
                            .Dword(760, static_cast<DWORD>(c.right))
                            .Dword(764, static_cast<DWORD>(c.bottom)));
        EXPECT_EQ(EndPage(), 1);
        EXPECT_EQ(Drawn().size(), c.drawn ? 1u : 0u);
    }
}

// Texts that fill their whole field end there: what follows the field is never read as text.
TEST_F(DocumentPageEndTest, ReturnedTextsWithoutTerminatorEndWithinTheirFields) {
    Answer(kChosen, StampBytes{}.Word(0, 99).Placement(1, 0, 0));
    Answer(kInfo, StampBytes{}
                      .Look(std::u16string(129, u'A'), 2, 0x4242, 3065)
                      .Wide(394, u"ZZZ")
                      .Wide(668, std::u16string(32, u'B'))
                      .Placement(1));
    EXPECT_EQ(EndPage(), 1);
    const auto drawn = Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(std::string(drawn[0].text), std::string(128, 'A'));
    EXPECT_EQ(std::string(drawn[0].face), std::string(31, 'B'));
}

}  // namespace document_page_end_test
