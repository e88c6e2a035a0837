// The cache file beside the data file (name, freshness, trust) and the per-process shared block
// (sharing, use counts, private copies).
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "test_device_fixture.h"

using namespace orla;
using namespace orla_test;

namespace {

std::vector<BYTE> BlockBytes(const CompiledDeviceData* d) {
    const BYTE* p = DeviceDataBytes(d);
    return std::vector<BYTE>(p, p + DeviceDataSize(d));
}

void Put(std::vector<BYTE>& b, DWORD offset, DWORD value) {
    StoreLe32(b.data() + offset, value);
}
DWORD Get(const std::vector<BYTE>& b, DWORD offset) {
    return LoadLe32(b.data() + offset);
}

// Damage done to a sound block of the Japanese sample whose size field stays right.
struct Corruption {
    const char* name;
    std::function<void(std::vector<BYTE>&)> apply;
};

const std::vector<Corruption>& Corruptions() {
    static const std::vector<Corruption> list = {
        {"name offset past the end", [](auto& b) { Put(b, dd::kFriendlyName, static_cast<DWORD>(b.size())); }},
        {"name offset in the header", [](auto& b) { Put(b, dd::kFriendlyName, 8); }},
        {"name offset misaligned", [](auto& b) { Put(b, dd::kPrinterName, Get(b, dd::kPrinterName) + 2); }},
        {"memory count over capacity", [](auto& b) { Put(b, dd::kMemorySizeCount, 17); }},
        {"device count past the end", [](auto& b) { Put(b, dd::kInputDeviceCount, 1000); }},
        {"form list near the end", [](auto& b) { Put(b, dd::kFormPortList, static_cast<DWORD>(b.size()) - 8); }},
        {"huge list offset", [](auto& b) { Put(b, dd::kApplicationList, 0xFFFFFFF0u); }},
        {"resolution text outside",
         [](auto& b) { Put(b, Get(b, dd::kResolutionList) + dd::kResolutionText2, static_cast<DWORD>(b.size()) + 4); }},
        {"slot name into the header", [](auto& b) { Put(b, Get(b, dd::kInputSlotList) + dd::kNamedValueName, 0); }},
        {"default form past the end", [](auto& b) { Put(b, dd::kDefaultForm, static_cast<DWORD>(b.size()) + 4); }},
        {"default slot name outside",
         [](auto& b) { Put(b, Get(b, dd::kDefaultInputSlot) + dd::kNamedValueName, 0x7FFFFFFCu); }},
        {"last string unterminated",
         [](auto& b) {
             for (size_t i = b.size() - 4; i < b.size(); ++i) b[i] = 'A';
         }},
        {"list text runs to the end",
         [](auto& b) {
             // Overwrite the first application name and everything behind it with 'x' characters,
             // so no terminator follows.
             DWORD at = Get(b, Get(b, dd::kApplicationList) + dd::kNamedValueName);
             for (size_t i = at; i < b.size(); i += 2) {
                 b[i] = 'x';
                 b[i + 1] = 0;
             }
         }},
    };
    return list;
}

std::vector<BYTE> JapaneseSampleBlock() {
    std::vector<BYTE> text = ReadHostFile(SourceDir() + "/resources/models/HV4400KJ.KDD");
    BlockHolder b(CompileDeviceText(text));
    return b.block ? BlockBytes(b.block) : std::vector<BYTE>{};
}

}  // namespace

TEST(DeviceCacheName, Rules) {
    struct Case {
        std::u16string dataFile, cacheFile;
    } const cases[] = {
        {u"C:\\drv\\HV4400KJ.KDD", u"C:\\drv\\HV4400KJ.KDC"},
        {u"C:\\drv\\x.1", u"C:\\drv\\x.KDC"},
        {u"C:\\drv\\a.b.txt", u"C:\\drv\\a.b.KDC"},
        {u"C:\\drv\\MODEL", u"C:\\drv\\MODEL.KDC"},
        {u"C:\\drv\\MODEL.", u"C:\\drv\\MODEL.KDC"},
        {u"C:\\drv.d\\sub\\MODEL", u"C:\\drv.KDC"},  // the last dot of the whole path counts
        {u"MODEL", u"MODEL.KDC"},
    };
    for (const Case& c : cases) {
        WCHAR out[MAX_PATH];
        ASSERT_TRUE(MakeCacheFileName(out, MAX_PATH, c.dataFile.c_str()));
        EXPECT_EQ(std::u16string(out), c.cacheFile);
    }
}

TEST(DeviceCacheName, TooSmallBufferFails) {
    WCHAR out[12];
    EXPECT_TRUE(MakeCacheFileName(out, 12, u"C:\\a\\b.KDD"));  // 10 characters and a terminator
    EXPECT_EQ(std::u16string(out), u"C:\\a\\b.KDC");
    EXPECT_FALSE(MakeCacheFileName(out, 10, u"C:\\a\\b.KDD"));
    EXPECT_EQ(out[0], 0);
    EXPECT_FALSE(MakeCacheFileName(out, 12, u"C:\\a\\bcd"));  // 12 characters and a terminator
    std::u16string longPath = u"C:\\" + std::u16string(300, u'd') + u".KDD";
    WCHAR path[MAX_PATH];
    EXPECT_FALSE(MakeCacheFileName(path, MAX_PATH, longPath.c_str()));
    EXPECT_FALSE(MakeCacheFileName(path, MAX_PATH, nullptr));
}

TEST(DeviceDataCheck, SoundSampleBlocksPassAndEveryCorruptionFails) {
    std::vector<BYTE> good = JapaneseSampleBlock();
    ASSERT_FALSE(good.empty());
    EXPECT_TRUE(ValidateDeviceData(good.data(), static_cast<DWORD>(good.size())));
    for (const Corruption& c : Corruptions()) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> bad = good;
        c.apply(bad);
        EXPECT_FALSE(ValidateDeviceData(bad.data(), static_cast<DWORD>(bad.size())));
        // The readers stay inside the block whatever it holds.
        const auto* d = reinterpret_cast<const CompiledDeviceData*>(bad.data());
        size_t total = 0;
        for (NamedValueEntry e : InputDevices(d)) total += e.name.size();
        for (FormEntry f : PortraitForms(d)) total += f.name.size();
        for (ResolutionEntry r : Resolutions(d)) total += r.text1.size() + r.text2.size();
        for (NamedValueEntry e : Applications(d)) total += e.name.size();
        if (auto s = DefaultInputSlot(d)) total += s->name.size();
        if (auto f = DefaultForm(d)) total += f->name.size();
        total += DeviceFriendlyName(d).size() + DevicePrinterName(d).size();
        EXPECT_LT(total, bad.size());
    }
    // Wrong size field, too short, misaligned size.
    std::vector<BYTE> bad = good;
    Put(bad, dd::kTotalSize, static_cast<DWORD>(bad.size()) + 4);
    EXPECT_FALSE(ValidateDeviceData(bad.data(), static_cast<DWORD>(bad.size())));
    EXPECT_FALSE(ValidateDeviceData(good.data(), 100));
    EXPECT_FALSE(ValidateDeviceData(nullptr, 0));
}

class DeviceCache : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        dataFile_ = InstallSample("HV4400KJ.KDD");
        WCHAR name[MAX_PATH];
        ASSERT_TRUE(MakeCacheFileName(name, MAX_PATH, dataFile_.c_str()));
        cacheFile_ = name;
    }
    void TearDown() override {
        PlatClearInjections();
        SandboxTest::TearDown();
    }

    // Builds the cache, then replaces its content and sets its time relative to the data file.
    void PlantCache(const std::vector<BYTE>& content, LONGLONG secondsAfterData) {
        BlockHolder first(GetCompiledDeviceData(dataFile_.c_str()));
        ASSERT_NE(first.block, nullptr);
        ASSERT_TRUE(WriteWinFile(cacheFile_, content));
        FILETIME dataTime{};
        ASSERT_TRUE(GetWriteTime(dataFile_, &dataTime));
        ASSERT_TRUE(SetWriteTime(cacheFile_, AddSeconds(dataTime, secondsAfterData)));
    }

    std::u16string dataFile_, cacheFile_;
};

TEST_F(DeviceCache, FirstLoadWritesTheCache) {
    EXPECT_TRUE(ReadWinFile(cacheFile_).empty());
    BlockHolder b(GetCompiledDeviceData(dataFile_.c_str()));
    ASSERT_NE(b.block, nullptr);
    std::vector<BYTE> file = ReadWinFile(cacheFile_);
    ASSERT_EQ(file.size(), b.size());
    EXPECT_EQ(Get(file, 0), file.size());  // the first field is the file's size
    EXPECT_EQ(0, std::memcmp(file.data(), b.bytes(), file.size()));
    BOOL valid = FALSE;
    BlockHolder cached(ReadDeviceDataCache(dataFile_.c_str(), &valid));
    EXPECT_TRUE(valid);
    ASSERT_NE(cached.block, nullptr);
    EXPECT_EQ(0, std::memcmp(cached.bytes(), b.bytes(), b.size()));
}

TEST_F(DeviceCache, FreshCacheIsUsedEvenAtEqualTimes) {
    std::vector<BYTE> marked = JapaneseSampleBlock();
    Put(marked, dd::kPPM, 777);  // a mark the text does not have
    for (LONGLONG seconds : {0LL, 5LL}) {
        SCOPED_TRACE(seconds);
        PlantCache(marked, seconds);
        BlockHolder b(GetCompiledDeviceData(dataFile_.c_str()));
        ASSERT_NE(b.block, nullptr);
        EXPECT_EQ(DeviceDataSignedField(b.block, dd::kPPM), 777);
    }
}

TEST_F(DeviceCache, UntrustedCacheIsRebuilt) {
    std::vector<BYTE> good = JapaneseSampleBlock();
    std::vector<BYTE> marked = good;
    Put(marked, dd::kPPM, 777);
    struct Case {
        std::string name;
        std::vector<BYTE> content;
        LONGLONG seconds;
    };
    std::vector<Case> cases = {
        {"one second older", marked, -1},
        {"short", std::vector<BYTE>(marked.begin(), marked.begin() + 100), 0},
        {"header only", std::vector<BYTE>(marked.begin(), marked.begin() + dd::kHeaderSize), 0},
        {"empty", {}, 0},
        {"size field disagrees", std::vector<BYTE>(marked.begin(), marked.end() - 4), 0},
    };
    for (const Corruption& c : Corruptions()) {
        std::vector<BYTE> bad = marked;
        c.apply(bad);
        cases.push_back({std::string("inconsistent: ") + c.name, bad, 0});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlantCache(c.content, c.seconds);
        BOOL valid = TRUE;
        BlockHolder cached(ReadDeviceDataCache(dataFile_.c_str(), &valid));
        EXPECT_FALSE(valid);
        EXPECT_EQ(cached.block, nullptr);
        BlockHolder b(GetCompiledDeviceData(dataFile_.c_str()));
        ASSERT_NE(b.block, nullptr);
        EXPECT_EQ(DeviceDataSignedField(b.block, dd::kPPM), 44);  // compiled from the text
        std::vector<BYTE> rewritten = ReadWinFile(cacheFile_);
        EXPECT_EQ(rewritten, good);
    }
}

TEST_F(DeviceCache, CacheNeedsTheDataFile) {
    BlockHolder b(GetCompiledDeviceData(dataFile_.c_str()));
    ASSERT_NE(b.block, nullptr);
    ASSERT_TRUE(DeleteFileW(dataFile_.c_str()));
    BOOL valid = TRUE;
    EXPECT_EQ(ReadDeviceDataCache(dataFile_.c_str(), &valid), nullptr);
    EXPECT_FALSE(valid);
    EXPECT_EQ(GetCompiledDeviceData(dataFile_.c_str()), nullptr);
    DWORD needed = 99;
    EXPECT_FALSE(LoadDeviceDescription(dataFile_.c_str(), nullptr, 0, &needed));
    EXPECT_EQ(needed, 0u);
}

TEST_F(DeviceCache, FailedCacheWriteIsNoFailureAndAShortOneIsNotTrusted) {
    PlatInjectFailure("WriteFile", 1, ERROR_DISK_FULL);
    BlockHolder a(GetCompiledDeviceData(dataFile_.c_str()));
    ASSERT_NE(a.block, nullptr);
    EXPECT_EQ(DeviceDataSignedField(a.block, dd::kPPM), 44);

    PlatInjectShortWrite("WriteFile", 1, 16);
    BlockHolder b(GetCompiledDeviceData(dataFile_.c_str()));
    ASSERT_NE(b.block, nullptr);
    EXPECT_EQ(ReadWinFile(cacheFile_).size(), b.size() - 16);
    BOOL valid = TRUE;
    EXPECT_EQ(ReadDeviceDataCache(dataFile_.c_str(), &valid), nullptr);
    EXPECT_FALSE(valid);
    BlockHolder c(GetCompiledDeviceData(dataFile_.c_str()));  // rebuilt and rewritten whole
    ASSERT_NE(c.block, nullptr);
    EXPECT_EQ(ReadWinFile(cacheFile_).size(), c.size());
}

TEST_F(DeviceCache, LoadDeviceDescriptionTwoCalls) {
    DWORD needed = 0;
    EXPECT_FALSE(LoadDeviceDescription(dataFile_.c_str(), nullptr, 0, &needed));
    ASSERT_GT(needed, dd::kHeaderSize);
    std::vector<BYTE> small(needed - 4), exact(needed), large(needed + 4);
    DWORD again = 0;
    EXPECT_FALSE(LoadDeviceDescription(dataFile_.c_str(), small.data(), needed - 4, &again));
    EXPECT_EQ(again, needed);
    EXPECT_FALSE(LoadDeviceDescription(dataFile_.c_str(), large.data(), needed + 4, &again));
    EXPECT_TRUE(LoadDeviceDescription(dataFile_.c_str(), exact.data(), needed, &again));
    EXPECT_EQ(exact, JapaneseSampleBlock());
}

// ---- Per-process shared block ----

class DeviceShared : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        DeviceDataCacheInit();
    }
    void TearDown() override {
        DeviceDataCacheTerm();
        SandboxTest::TearDown();
    }
};

TEST_F(DeviceShared, TwoPrintersOfOneModelShareOneBlock) {
    std::u16string data = InstallSample("HV4400KJ.KDD");
    ASSERT_TRUE(InstallPrinter(u"Halvoric A", data));
    ASSERT_TRUE(InstallPrinter(u"Halvoric B", data));
    HANDLE a = OpenTestPrinter(u"Halvoric A"), b = OpenTestPrinter(u"Halvoric B");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(DeviceDataSharedUseCount(), 0u);
    const CompiledDeviceData* da = GetDeviceData(a);
    const CompiledDeviceData* db = GetDeviceData(b);
    ASSERT_NE(da, nullptr);
    EXPECT_EQ(da, db);
    EXPECT_EQ(DeviceDataSharedUseCount(), 2u);
    EXPECT_EQ(DeviceFriendlyName(da), u"QEV Halvoric 4400K");
    ReleaseDeviceData(da);
    EXPECT_EQ(DeviceDataSharedUseCount(), 1u);
    ReleaseDeviceData(db);
    EXPECT_EQ(DeviceDataSharedUseCount(), 0u);
    // Released but kept: the next request gets the same block back.
    const CompiledDeviceData* again = GetDeviceData(a);
    EXPECT_EQ(again, da);
    ReleaseDeviceData(again);
    ClosePrinter(a);
    ClosePrinter(b);
}

TEST_F(DeviceShared, OtherDataFileWhileHeldGetsAPrivateCopy) {
    std::u16string ja = InstallSample("HV4400KJ.KDD"), en = InstallSample("HV3600E.KDD");
    ASSERT_TRUE(InstallPrinter(u"Halvoric J", ja));
    ASSERT_TRUE(InstallPrinter(u"Halvoric E", en, u"Brindal.dll"));
    HANDLE hj = OpenTestPrinter(u"Halvoric J"), he = OpenTestPrinter(u"Halvoric E");
    ASSERT_TRUE(hj && he);
    const CompiledDeviceData* shared = GetDeviceData(hj);
    ASSERT_NE(shared, nullptr);
    const CompiledDeviceData* priv = GetDeviceData(he);
    ASSERT_NE(priv, nullptr);
    EXPECT_NE(priv, shared);
    EXPECT_EQ(DeviceFriendlyName(priv), u"QEV Halvoric 3600");
    EXPECT_EQ(DeviceFriendlyName(shared), u"QEV Halvoric 4400K");
    EXPECT_EQ(DeviceDataSharedUseCount(), 1u);
    ReleaseDeviceData(priv);  // freed (ASan would report a leak or double free)
    EXPECT_EQ(DeviceDataSharedUseCount(), 1u);
    ReleaseDeviceData(shared);
    EXPECT_EQ(DeviceDataSharedUseCount(), 0u);

    // With nobody holding it, the next model's block replaces the shared one.
    const CompiledDeviceData* next = GetDeviceData(he);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(DeviceFriendlyName(next), u"QEV Halvoric 3600");
    EXPECT_EQ(DeviceDataSharedUseCount(), 1u);
    ReleaseDeviceData(next);
    ClosePrinter(hj);
    ClosePrinter(he);
}

TEST_F(DeviceShared, FailuresGiveNull) {
    EXPECT_EQ(GetDeviceData(nullptr), nullptr);
    std::u16string gone = InstallSample("HV3600E.KDD");
    ASSERT_TRUE(InstallPrinter(u"No Data", gone));
    ASSERT_TRUE(DeleteFileW(gone.c_str()));
    HANDLE h = OpenTestPrinter(u"No Data");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetDeviceData(h), nullptr);
    EXPECT_EQ(DeviceDataSharedUseCount(), 0u);
    ReleaseDeviceData(nullptr);
    ClosePrinter(h);

    DeviceDataCacheTerm();
    std::u16string data = InstallSample("HV4400KJ.KDD");
    ASSERT_TRUE(InstallPrinter(u"Halvoric", data));
    HANDLE p = OpenTestPrinter(u"Halvoric");
    EXPECT_EQ(GetDeviceData(p), nullptr);  // not set up: no lock to share under
    DeviceDataCacheInit();
    const CompiledDeviceData* d = GetDeviceData(p);
    EXPECT_NE(d, nullptr);
    ReleaseDeviceData(d);
    ClosePrinter(p);
}

TEST_F(DeviceShared, ConcurrentBorrowersLeaveTheCountAtZero) {
    std::u16string data = InstallSample("HV4400KJ.KDD");
    ASSERT_TRUE(InstallPrinter(u"Halvoric", data));
    HANDLE h = OpenTestPrinter(u"Halvoric");
    ASSERT_NE(h, nullptr);
    const CompiledDeviceData* first = GetDeviceData(h);
    ASSERT_NE(first, nullptr);
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 100; ++i) {
                const CompiledDeviceData* d = GetDeviceData(h);
                if (d != first || DeviceDataVersion(d) != 4) ++mismatches;
                ReleaseDeviceData(d);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(DeviceDataSharedUseCount(), 1u);
    ReleaseDeviceData(first);
    EXPECT_EQ(DeviceDataSharedUseCount(), 0u);
    ClosePrinter(h);
}
