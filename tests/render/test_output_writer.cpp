// The output writer: the 4096-byte buffer, pieces written straight through, the failure latch,
// short writes, the small output routines, and the store file behind driver-made copies.
#include <algorithm>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "core/driver_devmode.h"
#include "plat/message_box.h"
#include "render/driver_log.h"
#include "render_fixture.h"
#include "win/nls.h"

namespace render_test {
namespace {

std::string Pattern(size_t length, unsigned seed) {
    std::string s(length, '\0');
    for (size_t i = 0; i < length; ++i) s[i] = static_cast<char>((i * 131 + seed * 7) & 0xFF);
    return s;
}

using OutputWriterTest = SandboxTest;

// The texts of the message boxes shown since the last reset, in order.
std::vector<std::u16string> ShownMessages() {
    std::vector<std::u16string> texts;
    for (DWORD i = 0; i < PlatMessageBoxCount(); ++i) {
        PLAT_MESSAGE_BOX_RECORD box{};
        if (PlatGetMessageBox(i, &box)) texts.emplace_back(box.text);
    }
    return texts;
}

std::string Utf8(const std::u16string& text) {
    std::string out(text.size() * 3, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<size_t>(std::max(n, 0)));
    return out;
}

struct BufferCase {
    const char* name;
    DWORD buffered;       // bytes written before
    DWORD written;        // then this many
    size_t spooledAfter;  // bytes at the spooler afterwards
    DWORD countAfter;     // bytes left in the buffer
};

const BufferCase kBufferCases[] = {
    {"overflow flushes the buffer and keeps the small rest", 4000, 200, 4000, 200},
    {"large piece into an empty buffer goes straight through", 0, 5000, 4096, 904},
    {"exact fill of the buffer does not flush", 100, 3996, 0, 4096},
    {"zero bytes change nothing", 0, 0, 0, 0},
    {"a whole buffer's worth fits without a flush", 0, 4096, 0, 4096},
    {"overflow with a piece of 1024 buffers it after the flush", 3500, 1024, 3500, 1024},
    {"overflow with a piece of 1025 writes it straight", 3500, 1025, 3500 + 1025, 0},
    {"two straight pieces and a rest", 10, 9000, 10 + 8192, 808},
};

class BufferRules : public OutputWriterTest, public ::testing::WithParamInterface<BufferCase> {};

TEST_P(BufferRules, SpoolerAndBufferHoldTheStreamInOrder) {
    const BufferCase& c = GetParam();
    StartSpoolJob();
    BarePdev bare(printer_);
    std::string first = Pattern(c.buffered, 1), second = Pattern(c.written, 2);
    ASSERT_TRUE(WriteSpool(bare.get(), first.data(), c.buffered));
    ASSERT_EQ(SpooledBytes().size(), 0u) << "small writes stay in the buffer";
    ASSERT_TRUE(WriteSpool(bare.get(), second.data(), c.written));

    EXPECT_EQ(SpooledBytes().size(), c.spooledAfter);
    EXPECT_EQ(bare->output.count, c.countAfter);
    EXPECT_EQ(bare->output.writePointer, bare->output.data + c.countAfter);
    EXPECT_EQ((bare->pending & kBufferHoldsData) != 0, c.countAfter != 0);

    ASSERT_TRUE(FlushSpool(bare.get()));
    EXPECT_EQ(bare->output.count, 0u);
    EXPECT_EQ(bare->pending & kBufferHoldsData, 0u);
    EXPECT_EQ(EndSpoolJob(), first + second);
}

INSTANTIATE_TEST_SUITE_P(Cases, BufferRules, ::testing::ValuesIn(kBufferCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(OutputWriterTest, WrittenBytesMarkThePageAndTheJob) {
    StartSpoolJob();
    BarePdev bare(printer_);
    ASSERT_TRUE(WriteSpool(bare.get(), "abc", 3));
    EXPECT_NE(bare->pending & kPageOutputWritten, 0u);
    EXPECT_EQ((bare->pending & kJobOutputWritten) != 0, orla::kJapaneseBuild);
}

struct FaultCase {
    const char* name;
    bool shortWrite;   // else a failed call
    DWORD firstWrite;  // the write that meets the fault (the flush of a full buffer, or a straight piece)
};

const FaultCase kFaultCases[] = {
    {"failed flush", false, 100},
    {"short flush", true, 100},
    {"failed straight piece", false, 6000},
    {"short straight piece", true, 6000},
};

class FailureLatch : public OutputWriterTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FailureLatch, EveryLaterWriteFailsWithoutReachingTheSpooler) {
    const FaultCase& c = GetParam();
    StartSpoolJob();
    BarePdev bare(printer_);
    std::string data = Pattern(c.firstWrite, 3);
    ASSERT_TRUE(WriteSpool(bare.get(), data.data(), c.firstWrite == 100 ? 100 : 0));
    if (c.shortWrite) {
        PlatInjectShortWrite("WritePrinter", 1, 10);
    } else {
        PlatInjectFailure("WritePrinter", 1, ERROR_DISK_FULL);
    }
    if (c.firstWrite == 100) {
        EXPECT_FALSE(FlushSpool(bare.get())) << "a failed flush is reported";
    } else {
        EXPECT_FALSE(WriteSpool(bare.get(), data.data(), c.firstWrite));
    }
    EXPECT_NE(bare->state & kStateOutputFailed, 0u);
    size_t spooled = SpooledBytes().size();

    // Nothing more reaches the spooler, and nothing is claimed as written.
    EXPECT_FALSE(WriteSpool(bare.get(), "x", 1));
    EXPECT_FALSE(WriteSpool(bare.get(), data.data(), c.firstWrite));
    EXPECT_FALSE(FlushSpool(bare.get()));
    EXPECT_EQ(SpooledBytes().size(), spooled);
}

INSTANTIATE_TEST_SUITE_P(Cases, FailureLatch, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(OutputWriterTest, AWriteThatMustFlushFailsWhenTheFlushFails) {
    StartSpoolJob();
    BarePdev bare(printer_);
    std::string full = Pattern(4000, 4);
    ASSERT_TRUE(WriteSpool(bare.get(), full.data(), 4000));
    PlatInjectFailure("WritePrinter", 1, ERROR_DISK_FULL);
    std::string more = Pattern(200, 5);
    EXPECT_FALSE(WriteSpool(bare.get(), more.data(), 200)) << "the flush before it failed";
    EXPECT_EQ(SpooledBytes().size(), 0u);
}

TEST_F(OutputWriterTest, NullBytesAreRefused) {
    StartSpoolJob();
    BarePdev bare(printer_);
    EXPECT_FALSE(WriteSpool(bare.get(), nullptr, 5));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(WriteSpool(bare.get(), nullptr, 0));
}

TEST_F(OutputWriterTest, SuppressedOutputIsTakenButNeverWritten) {
    if (!orla::kJapaneseBuild) GTEST_SKIP() << "only the Japanese build suppresses jobs";
    StartSpoolJob();
    BarePdev bare(printer_);
    bare->trustMark.suppressOutput = 1;
    std::string big = Pattern(9000, 5);
    EXPECT_TRUE(WriteSpool(bare.get(), big.data(), 9000));
    EXPECT_TRUE(FlushSpool(bare.get()));
    EXPECT_EQ(bare->output.count, 0u);
    EXPECT_EQ(EndSpoolJob(), "");
}

// ---- Small output routines ----

struct NumberListCase {
    std::vector<LONG> numbers;
    BOOL result;
    const char* text;
};

TEST_F(OutputWriterTest, NumberListsAreCommaSeparatedAndBounded) {
    const NumberListCase cases[] = {
        {{12, -3, 400}, TRUE, "12,-3,400"},
        {{}, TRUE, ""},
        {{0}, TRUE, "0"},
        {{-2147483647 - 1, 2147483647}, TRUE, "-2147483648,2147483647"},
    };
    StartSpoolJob();
    BarePdev bare(printer_);
    std::string expected;
    for (const NumberListCase& c : cases) {
        EXPECT_EQ(WriteNumberList(bare.get(), std::span<const LONG>(c.numbers)), c.result);
        expected += c.text;
    }
    ASSERT_TRUE(FlushSpool(bare.get()));
    EXPECT_EQ(EndSpoolJob(), expected);
}

TEST_F(OutputWriterTest, NumberListThatWouldReach255CharactersWritesNothing) {
    StartSpoolJob();
    BarePdev bare(printer_);
    // 25 numbers of 10 digits make 250 characters; the 26th would reach 255 without commas.
    std::vector<LONG> fits(25, 1000000000);
    EXPECT_TRUE(WriteNumberList(bare.get(), std::span<const LONG>(fits)));
    DWORD before = bare->output.count;
    std::vector<LONG> tooMany(26, 1000000000);
    SetLastError(0);
    EXPECT_FALSE(WriteNumberList(bare.get(), std::span<const LONG>(tooMany)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
    EXPECT_EQ(bare->output.count, before);
}

TEST_F(OutputWriterTest, AnglesAreTurnedAndWrittenHighByteFirst) {
    struct Case {
        int kind, angle;
        BYTE high, low;
    } cases[] = {
        {0, 0, 0x00, 90}, {0, 270, 0x00, 0},  {0, 300, 0x00, 30}, {1, 0, 0x01, 0x0E},
        {1, 90, 0x00, 0}, {1, 100, 0x00, 10}, {0, 45, 0x00, 135},
    };
    StartSpoolJob();
    BarePdev bare(printer_);
    std::string expected;
    for (const Case& c : cases) {
        EXPECT_TRUE(WriteAngle(bare.get(), c.kind, c.angle));
        expected.push_back(static_cast<char>(c.high));
        expected.push_back(static_cast<char>(c.low));
    }
    ASSERT_TRUE(FlushSpool(bare.get()));
    EXPECT_EQ(EndSpoolJob(), expected);
}

TEST_F(OutputWriterTest, PagePointsTurnIntoTheQuarterTurnedFrame) {
    BarePdev bare(printer_);
    bare->geometry.pageRects[0] = RECTL{10, 20, 30, 40};  // a, b, c, d
    bare->geometry.coordinateMultiplier = 1;
    POINTL p0 = RotatePagePoint(bare.get(), 0, POINTL{5, 7});
    EXPECT_EQ(p0.x, (10 - 20) + 7);
    EXPECT_EQ(p0.y, (10 + 40) - 5);
    POINTL p1 = RotatePagePoint(bare.get(), 1, POINTL{5, 7});
    EXPECT_EQ(p1.x, (40 - 20) - 7);
    EXPECT_EQ(p1.y, 5);
    bare->geometry.coordinateMultiplier = 2;
    POINTL p2 = RotatePagePoint(bare.get(), 0, POINTL{5, 7});
    EXPECT_EQ(p2.x, (10 - 20) * 2 + 7);
    EXPECT_EQ(p2.y, (10 + 40) * 2 - 5);
    LONG a = 3, b = -9;
    SwapValues(&a, &b);
    EXPECT_EQ(a, -9);
    EXPECT_EQ(b, 3);
}

// ---- Work files ----

TEST_F(OutputWriterTest, WorkFilesAreCreatedTruncatedAndWrittenWhole) {
    WCHAR temp[MAX_PATH], name[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    ASSERT_NE(GetTempFileNameW(temp, u"TST", 0, name), 0u);
    HANDLE file = nullptr;
    ASSERT_TRUE(CreateWorkFile(name, &file, 0));
    std::string data = Pattern(10000, 6);
    EXPECT_TRUE(WriteFileAll(file, data.data(), static_cast<LONG>(data.size())));
    EXPECT_TRUE(WriteFileAll(file, nullptr, 0));
    EXPECT_TRUE(WriteFileAll(file, data.data(), -5));
    CloseHandle(file);
    EXPECT_EQ(ReadHostFile(PlatHostPath(name)), data);

    ASSERT_TRUE(CreateWorkFile(name, &file, 0));  // CREATE_ALWAYS empties it
    CloseHandle(file);
    EXPECT_EQ(ReadHostFile(PlatHostPath(name)), "");
    DeleteFileW(name);
}

TEST_F(OutputWriterTest, AFailedWorkFileIsShownAndLogged) {
    DriverLogClear();
    PlatResetMessageBoxes();
    HANDLE file = reinterpret_cast<HANDLE>(1);
    SetLastError(0);
    EXPECT_FALSE(CreateWorkFile(u"C:\\no such folder\\deeper\\x.tmp", &file, 0));
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND)) << "the box leaves the error as it was";
    EXPECT_EQ(ShownMessages(), std::vector<std::u16string>{u"エラー発生(CreateFileW)"});
    auto lines = DriverLogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "エラー発生(CreateFileW)"), lines.end());
}

TEST_F(OutputWriterTest, ShortFileWritesAreTakenUpAgain) {
    WCHAR temp[MAX_PATH], name[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    ASSERT_NE(GetTempFileNameW(temp, u"TST", 0, name), 0u);
    HANDLE file = nullptr;
    ASSERT_TRUE(CreateWorkFile(name, &file, 0));
    std::string data = Pattern(3000, 7);
    PlatInjectShortWrite("WriteFile", 1, 1000);
    EXPECT_TRUE(WriteFileAll(file, data.data(), static_cast<LONG>(data.size())));
    PlatInjectFailure("WriteFile", 1, ERROR_DISK_FULL);
    EXPECT_FALSE(WriteFileAll(file, data.data(), 10));
    CloseHandle(file);
    EXPECT_EQ(ReadHostFile(PlatHostPath(name)), data);
    DeleteFileW(name);
}

// ---- Store file ----

void AskForDriverCopies(PrinterPdev* pdev, SHORT copies) {
    orla::Set(pdev->settings.record, orla::dm::Copies, copies);
    orla::Set(pdev->settings.record, orla::dm::Flags1, DWORD{0x4});
}

TEST_F(OutputWriterTest, StoreFileIsUsedOnlyWhenTheDriverMakesTheCopies) {
    struct Case {
        SHORT copies;
        DWORD flags1;
        WORD state696;
        BOOL expected;
    } cases[] = {
        {3, 0x4, 0, TRUE},  {2, 0x4, 0, TRUE},    {1, 0x4, 0, FALSE},
        {3, 0x0, 0, FALSE}, {3, 0x4, 0x8, FALSE}, {-3, 0x4, 0, FALSE},
    };
    BarePdev bare(printer_);
    for (const Case& c : cases) {
        orla::Set(bare->settings.record, orla::dm::Copies, c.copies);
        orla::Set(bare->settings.record, orla::dm::Flags1, c.flags1);
        orla::Set(bare->settings.record, orla::dm::DeviceState(orla::dm::DevicePairIndex(696)), c.state696);
        EXPECT_EQ(JobUsesStoreFile(bare.get()), c.expected) << "copies " << c.copies << " flags " << c.flags1;
    }
}

TEST_F(OutputWriterTest, StoreFileReplaysTheJobForEachFurtherCopy) {
    auto before = TempFolderFiles();
    StartSpoolJob();
    BarePdev bare(printer_);
    AskForDriverCopies(bare.get(), 3);
    ASSERT_TRUE(OpenStoreFile(bare.get()));
    ASSERT_EQ(bare->store.storeFlag, 1u);
    std::string job = Pattern(7000, 8) + "end of job";
    ASSERT_TRUE(WriteSpool(bare.get(), job.data(), 100));
    ASSERT_TRUE(WriteSpool(bare.get(), job.data() + 100, static_cast<DWORD>(job.size() - 100)));
    ASSERT_TRUE(FlushSpool(bare.get()));
    ASSERT_TRUE(ReplayStoreFile(bare.get()));
    EXPECT_EQ(EndSpoolJob(), job + job + job);
    EXPECT_EQ(bare->store.handle, nullptr);
    EXPECT_EQ(TempFolderFiles(), before) << "the store file is deleted";
}

TEST_F(OutputWriterTest, AFailedStoreWriteFailsTheFurtherCopiesInsteadOfDroppingThem) {
    auto before = TempFolderFiles();
    StartSpoolJob();
    BarePdev bare(printer_);
    AskForDriverCopies(bare.get(), 2);
    ASSERT_TRUE(OpenStoreFile(bare.get()));
    PlatInjectFailure("WriteFile", 1, ERROR_DISK_FULL);
    EXPECT_TRUE(WriteSpool(bare.get(), "first copy", 10)) << "the job itself still prints";
    EXPECT_EQ(bare->store.writeError, 1u);
    ASSERT_TRUE(FlushSpool(bare.get()));
    EXPECT_FALSE(ReplayStoreFile(bare.get()));
    EXPECT_EQ(EndSpoolJob(), "first copy");
    EXPECT_EQ(TempFolderFiles(), before);
}

TEST_F(OutputWriterTest, AFailedReplayIsReported) {
    StartSpoolJob();
    BarePdev bare(printer_);
    AskForDriverCopies(bare.get(), 3);
    ASSERT_TRUE(OpenStoreFile(bare.get()));
    ASSERT_TRUE(WriteSpool(bare.get(), "copy", 4));
    ASSERT_TRUE(FlushSpool(bare.get()));
    PlatInjectFailure("WritePrinter", 1, ERROR_DISK_FULL);
    EXPECT_FALSE(ReplayStoreFile(bare.get()));
    EXPECT_NE(bare->state & kStateOutputFailed, 0u);
    EXPECT_EQ(EndSpoolJob(), "copy");
}

TEST_F(OutputWriterTest, StoreFileThatCannotBeMadeFailsTheStart) {
    BarePdev bare(printer_);
    AskForDriverCopies(bare.get(), 2);
    auto before = TempFolderFiles();
    PlatInjectFailure("CreateFileW", 1, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(OpenStoreFile(bare.get()));
    EXPECT_EQ(bare->store.handle, nullptr);
    EXPECT_EQ(TempFolderFiles(), before) << "the name made for it is not left behind";
}

// Every file fault the user must hear of is shown in a box without owner and caption (so Windows
// captions it "Error"), OK only, with its own text; the log keeps the same line.
TEST_F(OutputWriterTest, FileFaultsAreShownWithTheirOwnMessages) {
    struct Case {
        const char* what;
        bool japaneseOnly;
        std::function<void(PrinterPdev*)> fault;
        std::vector<std::u16string> shown;
    };
    auto openSpoolFiles = [](PrinterPdev* pdev) {
        pdev->jobSpool.outputCount = 2;
        return OpenJobSpoolFiles(pdev, MakePaperRecord(PaperA4, DMORIENT_PORTRAIT));
    };
    // Spool files with a page in them: both hold bytes, as at any job end.
    auto fillSpoolFiles = [&](PrinterPdev* pdev) {
        return openSpoolFiles(pdev) && WriteCommand(pdev, "DATA") && WriteJobSectionOffset(pdev);
    };
    // The file's handle closed and the file gone, as if the temporary folder were cleared.
    auto lose = [](HANDLE* handle, const WCHAR* name) {
        CloseHandle(*handle);
        *handle = nullptr;
        DeleteFileW(name);
    };
    const Case cases[] = {
        {"the store file cannot be made",
         false,
         [](PrinterPdev* pdev) {
             AskForDriverCopies(pdev, 2);
             // The first CreateFileW makes the temporary name, the second opens the file.
             PlatInjectFailure("CreateFileW", 2, ERROR_ACCESS_DENIED);
             EXPECT_FALSE(OpenStoreFile(pdev));
         },
         {u"エラー発生(CreateFileW)", u"CreateFileW:hStoreFile"}},
        {"the job spool file cannot be made",
         true,
         [&](PrinterPdev* pdev) {
             PlatInjectFailure("CreateFileW", 3, ERROR_ACCESS_DENIED);  // after the two names
             EXPECT_FALSE(openSpoolFiles(pdev));
         },
         {u"エラー発生(CreateFileW)", u"CreateFileW:hJobspool"}},
        {"the job header file cannot be made",
         true,
         [&](PrinterPdev* pdev) {
             PlatInjectFailure("CreateFileW", 4, ERROR_ACCESS_DENIED);
             EXPECT_FALSE(openSpoolFiles(pdev));
         },
         {u"エラー発生(CreateFileW)", u"CreateFileW:hJobheader"}},
        {"the job spool file is gone at the end",
         true,
         [&](PrinterPdev* pdev) {
             ASSERT_TRUE(fillSpoolFiles(pdev));
             lose(&pdev->jobSpool.spoolFile, pdev->jobSpool.spoolName);
             EXPECT_FALSE(SendJobSpoolFiles(pdev, nullptr, nullptr));
         },
         {u"File Error JS"}},
        {"the job header file is gone at the end",
         true,
         [&](PrinterPdev* pdev) {
             ASSERT_TRUE(fillSpoolFiles(pdev));
             lose(&pdev->jobSpool.headerFile, pdev->jobSpool.headerName);
             EXPECT_FALSE(SendJobSpoolFiles(pdev, nullptr, nullptr));
         },
         {u"File Error HF"}},
        {"an output cannot be written to the spooler",
         true,
         [&](PrinterPdev* pdev) {
             ASSERT_TRUE(fillSpoolFiles(pdev));
             PlatInjectFailure("WritePrinter", 1, ERROR_DISK_FULL);
             EXPECT_FALSE(SendJobSpoolFiles(pdev, nullptr, nullptr));
         },
         {u"印刷作業ファイルに書き込めませんでした。\nドライブに十分な空きがあるか確認してください。"}},
    };
    for (const Case& c : cases) {
        if (c.japaneseOnly && !orla::kJapaneseBuild) continue;
        SCOPED_TRACE(c.what);
        StartSpoolJob();
        BarePdev bare(printer_);
        DriverLogClear();
        PlatResetMessageBoxes();
        c.fault(bare.get());
        PlatClearInjections();
        EXPECT_EQ(ShownMessages(), c.shown);
        for (DWORD i = 0; i < PlatMessageBoxCount(); ++i) {
            PLAT_MESSAGE_BOX_RECORD box{};
            ASSERT_TRUE(PlatGetMessageBox(i, &box));
            EXPECT_EQ(std::u16string(box.caption), u"Error");
            EXPECT_EQ(box.flags, static_cast<UINT>(MB_OK));
            EXPECT_EQ(box.owner, nullptr);
        }
        const auto lines = DriverLogLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), Utf8(c.shown.back())), lines.end());
        DeleteJobSpoolFiles(bare.get());
        DeleteStoreFile(bare.get());
        EndSpoolJob();
    }
}

// ---- Job spool files (several outputs of one job) ----

BOOL MarkSection(PrinterPdev* pdev, LONG output, DWORD record, void* context) {
    auto* seen = static_cast<std::vector<std::pair<LONG, DWORD>>*>(context);
    seen->emplace_back(output, record);
    std::string mark = "<mark" + std::to_string(output) + ">";
    return WriteCommand(pdev, mark);
}

TEST_F(OutputWriterTest, JobSpoolFilesAreSentOncePerOutputWithTheSectionMarks) {
    if (!orla::kJapaneseBuild) GTEST_SKIP() << "only the Japanese build has several outputs";
    auto before = TempFolderFiles();
    StartSpoolJob();
    BarePdev bare(printer_);
    bare->jobSpool.outputCount = 2;
    DWORD a4Portrait = MakePaperRecord(PaperA4, DMORIENT_PORTRAIT);
    EXPECT_EQ(a4Portrait, 0x80000000u | 101u);
    ASSERT_TRUE(OpenJobSpoolFiles(bare.get(), a4Portrait));
    EXPECT_EQ(bare->jobSpool.headerCounter, 5u);

    ASSERT_TRUE(WriteCommand(bare.get(), "HEADER;"));
    ASSERT_TRUE(WriteJobSectionOffset(bare.get()));  // first page start: offset 7
    ASSERT_TRUE(WriteJobSectionOffset(bare.get()));  // nothing owed any more
    ASSERT_TRUE(WriteCommand(bare.get(), "PAGE1;"));
    DWORD a3Landscape = MakePaperRecord(PaperA3, DMORIENT_LANDSCAPE);
    ASSERT_TRUE(WriteJobPaperRecord(bare.get(), a3Landscape, TRUE));
    ASSERT_TRUE(WriteCommand(bare.get(), "SETUP;"));
    ASSERT_TRUE(WriteJobSectionOffset(bare.get()));
    ASSERT_TRUE(WriteCommand(bare.get(), "PAGE2;END"));
    EXPECT_EQ(bare->jobSpool.sectionCount, 2u);
    EXPECT_EQ(SpooledBytes(), "") << "nothing goes to the spooler before the job end";

    std::vector<std::pair<LONG, DWORD>> seen;
    ASSERT_TRUE(SendJobSpoolFiles(bare.get(), MarkSection, &seen));
    std::string one = "HEADER;<mark1>PAGE1;SETUP;<mark1>PAGE2;END";
    std::string two = "HEADER;<mark2>PAGE1;SETUP;<mark2>PAGE2;END";
    EXPECT_EQ(EndSpoolJob(), one + two);
    std::vector<std::pair<LONG, DWORD>> expected = {
        {1, a4Portrait}, {1, a3Landscape}, {2, a4Portrait}, {2, a3Landscape}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(bare->jobSpool.outputCount, 2);
    EXPECT_EQ(bare->jobSpool.spoolName[0], u'0');
    EXPECT_EQ(TempFolderFiles(), before) << "both files are deleted";
}

TEST_F(OutputWriterTest, ADamagedJobHeaderFileFailsTheSendAndLeavesNothing) {
    if (!orla::kJapaneseBuild) GTEST_SKIP() << "only the Japanese build has several outputs";
    auto before = TempFolderFiles();
    StartSpoolJob();
    BarePdev bare(printer_);
    bare->jobSpool.outputCount = 2;
    ASSERT_TRUE(OpenJobSpoolFiles(bare.get(), MakePaperRecord(PaperA4, DMORIENT_PORTRAIT)));
    ASSERT_TRUE(WriteCommand(bare.get(), "DATA"));
    // No section offset was written: the header file holds half a pair.
    EXPECT_FALSE(SendJobSpoolFiles(bare.get(), nullptr, nullptr));
    EXPECT_EQ(TempFolderFiles(), before);
}

TEST_F(OutputWriterTest, AFailedJobSpoolWriteLatches) {
    if (!orla::kJapaneseBuild) GTEST_SKIP() << "only the Japanese build has several outputs";
    StartSpoolJob();
    BarePdev bare(printer_);
    bare->jobSpool.outputCount = 2;
    ASSERT_TRUE(OpenJobSpoolFiles(bare.get(), MakePaperRecord(PaperA4, DMORIENT_PORTRAIT)));
    PlatInjectFailure("WriteFile", 1, ERROR_DISK_FULL);
    EXPECT_FALSE(WriteCommand(bare.get(), "lost"));
    EXPECT_FALSE(WriteCommand(bare.get(), "later")) << "a hole in the spool file would corrupt every output";
    EXPECT_EQ(bare->jobSpool.spoolByteCount, 0u);
    DeleteJobSpoolFiles(bare.get());
}

}  // namespace
}  // namespace render_test
