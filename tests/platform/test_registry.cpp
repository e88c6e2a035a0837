// The registry: round trips of every type, the two-call size protocol, enumeration, deletion
// and persistence across a restart of the process state.
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "sandbox_fixture.h"
#include "win/kernel.h"
#include "win/registry.h"

class Registry : public SandboxTest {
protected:
    HKEY Create(const char16_t* path, DWORD* disposition = nullptr) {
        HKEY k = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, disposition),
                  ERROR_SUCCESS);
        return k;
    }
};

TEST_F(Registry, CreateOpenAndDisposition) {
    DWORD disposition = 0;
    HKEY k = Create(u"Software\\QEV\\Stamp", &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(k);
    k = Create(u"software\\qev\\STAMP", &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(k);
    HKEY o = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\QEV\\Missing", 0, KEY_READ, &o), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\QEV", 0, KEY_READ, &o),
              ERROR_FILE_NOT_FOUND);  // other hive
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\QEV", 0, KEY_READ, &o), ERROR_SUCCESS);
    // A key opened for reading cannot be written.
    BYTE b = 1;
    EXPECT_EQ(RegSetValueExW(o, u"x", 0, REG_BINARY, &b, 1), ERROR_ACCESS_DENIED);
    RegCloseKey(o);
}

// The predefined keys are sign-extended as on 64-bit Windows; their zero-extended forms are no
// keys at all.
TEST_F(Registry, PredefinedKeysAreSignExtended) {
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(HKEY_CURRENT_USER), LONG_PTR{-2147483647});
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(HKEY_LOCAL_MACHINE), LONG_PTR{-2147483646});
    HKEY k = Create(u"Software\\QEV", nullptr);
    RegCloseKey(k);
    HKEY o = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\QEV", 0, KEY_READ, &o), ERROR_SUCCESS);
    RegCloseKey(o);
    const HKEY zeroExtended = reinterpret_cast<HKEY>(ULONG_PTR{0x80000001u});
    EXPECT_NE(RegOpenKeyExW(zeroExtended, u"Software\\QEV", 0, KEY_READ, &o), ERROR_SUCCESS);
}

TEST_F(Registry, ValuesRoundTripAsBytesWithTheTwoCallProtocol) {
    HKEY k = Create(u"Software\\QEV\\Values");
    const char16_t sz[] = u"テキスト";
    const char16_t multi[] = u"one\0two\0";
    DWORD dw = 0x12345678;
    BYTE bin[] = {0, 1, 2, 0xFF};
    struct Case {
        const char16_t* name;
        DWORD type;
        const void* data;
        DWORD size;
    };
    const Case cases[] = {
        {u"Sz", REG_SZ, sz, sizeof sz},
        {u"Expand", REG_EXPAND_SZ, u"%windir%", 18},
        {u"Multi", REG_MULTI_SZ, multi, sizeof multi},
        {u"Dword", REG_DWORD, &dw, 4},
        {u"Binary", REG_BINARY, bin, sizeof bin},
        {u"", REG_SZ, u"default", 16},
        {u"Empty", REG_BINARY, nullptr, 0},
    };
    for (const auto& c : cases)
        ASSERT_EQ(RegSetValueExW(k, c.name, 0, c.type, static_cast<const BYTE*>(c.data), c.size), ERROR_SUCCESS);
    for (const auto& c : cases) {
        DWORD type = 0, size = 0;
        // First call: no buffer, the size comes back.
        ASSERT_EQ(RegQueryValueExW(k, c.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(type, c.type);
        std::string data(size + 1, '\x55');
        if (size > 0) {
            DWORD small = size - 1;
            EXPECT_EQ(RegQueryValueExW(k, c.name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &small),
                      ERROR_MORE_DATA);
            EXPECT_EQ(small, c.size);
        }
        DWORD full = static_cast<DWORD>(data.size());
        ASSERT_EQ(RegQueryValueExW(k, c.name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &full),
                  ERROR_SUCCESS);
        EXPECT_EQ(full, c.size);
        EXPECT_EQ(data.substr(0, full), std::string(static_cast<const char*>(c.data), c.size));
        EXPECT_EQ(data[full], '\x55');  // nothing beyond the value
    }
    DWORD size = 4;
    BYTE out[4];
    EXPECT_EQ(RegQueryValueExW(k, u"Nope", nullptr, nullptr, out, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(k, u"Dword", nullptr, nullptr, out, nullptr), ERROR_INVALID_PARAMETER);
    RegCloseKey(k);
}

TEST_F(Registry, AnsiQueryConvertsTextThroughTheCodePage) {
    HKEY k = Create(u"Software\\QEV\\Ansi");
    const char16_t text[] = u"日本";
    RegSetValueExW(k, u"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(k, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);  // two double-byte characters and the terminator
    char buf[8];
    size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(k, "Name", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "\x93\xfa\x96\x7b");
    RegCloseKey(k);
}

TEST_F(Registry, EnumerateDeleteAndDeletedKeys) {
    HKEY k = Create(u"Software\\Enum");
    for (const char16_t* sub : {u"b", u"A", u"c"}) {
        HKEY s;
        RegCreateKeyExW(k, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &s, nullptr);
        RegCloseKey(s);
    }
    DWORD one = 1;
    RegSetValueExW(k, u"second", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4);
    RegSetValueExW(k, u"first", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4);
    std::u16string keys;
    for (DWORD i = 0;; ++i) {
        WCHAR name[32];
        DWORD len = 32;
        LONG rc = RegEnumKeyExW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        EXPECT_EQ(len, 1u);
        keys += name;
    }
    EXPECT_EQ(keys, u"Abc");  // subkeys in name order
    WCHAR tiny[1];
    DWORD tinyLen = 1;
    EXPECT_EQ(RegEnumKeyExW(k, 0, tiny, &tinyLen, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    WCHAR vname[16];
    DWORD vlen = 16, type = 0, dsize = 0;
    ASSERT_EQ(RegEnumValueW(k, 0, vname, &vlen, nullptr, &type, nullptr, &dsize), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(vname), u"second");  // values in the order they were set
    EXPECT_EQ(dsize, 4u);
    vlen = 16;
    EXPECT_EQ(RegEnumValueW(k, 2, vname, &vlen, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    HKEY b;
    ASSERT_EQ(RegOpenKeyExW(k, u"b", 0, KEY_ALL_ACCESS, &b), ERROR_SUCCESS);
    HKEY deep;
    RegCreateKeyExW(k, u"c\\deep", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deep, nullptr);
    RegCloseKey(deep);
    EXPECT_EQ(RegDeleteKeyW(k, u"c"), ERROR_ACCESS_DENIED);  // has a subkey
    EXPECT_EQ(RegDeleteKeyW(k, u"c\\deep"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(k, u"B"), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(b, u"x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyW(k, u"b"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(k, u"FIRST"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(k, u"first"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(b);
    RegCloseKey(k);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x4444)), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, PersistsAcrossARestart) {
    HKEY k = Create(u"Software\\QEV\\Keep");
    const char16_t text[] = u"line1\nline2 \"quoted\" \\ back";
    RegSetValueExW(k, u"Tricky \"name\"", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    HKEY empty = Create(u"Software\\QEV\\Keep\\EmptyChild");
    RegCloseKey(empty);
    RegCloseKey(k);
    PlatResetForTests();  // as a new process would
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\QEV\\Keep", 0, KEY_READ, &again), ERROR_SUCCESS);
    WCHAR buf[64];
    DWORD size = sizeof buf;
    ASSERT_EQ(RegQueryValueExW(again, u"tricky \"NAME\"", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof text);
    EXPECT_EQ(std::u16string(buf), std::u16string(text));
    HKEY child;
    EXPECT_EQ(RegOpenKeyExW(again, u"EmptyChild", 0, KEY_READ, &child), ERROR_SUCCESS);
    RegCloseKey(child);
    RegCloseKey(again);
    // Writes go through a temporary file and a rename: none is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(root_ + "/registry"))
        EXPECT_EQ(entry.path().extension(), ".hive") << entry.path();
}

// The persistence mode for one test; durable again afterwards whatever happens.
struct PersistenceFor {
    explicit PersistenceFor(PLAT_PERSISTENCE mode) { EXPECT_TRUE(PlatSetPersistence(mode)); }
    ~PersistenceFor() { PlatSetPersistence(PLAT_PERSIST_DURABLE); }
};

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Durable and unsynced modes write the hive when its key is closed (a restarted process reads it back);
// in memory the change is seen at once but the file on disk stays as it was, and a restart
// forgets it. Back in a writing mode, the next change writes the whole hive, memory's changes too.
TEST_F(Registry, PersistenceModesWriteOrKeepTheHiveInMemory) {
    EXPECT_EQ(PlatGetPersistence(), PLAT_PERSIST_DURABLE);
    EXPECT_FALSE(PlatSetPersistence(7));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(PlatGetPersistence(), PLAT_PERSIST_DURABLE);
    const std::string file = root_ + "/registry/HKCU.hive";
    struct Case {
        PLAT_PERSISTENCE mode;
        const char16_t* name;
        bool written;
    };
    const Case cases[] = {{PLAT_PERSIST_DURABLE, u"durable", true},
                          {PLAT_PERSIST_UNSYNCED, u"unsynced", true},
                          {PLAT_PERSIST_IN_MEMORY, u"memory", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        PersistenceFor mode(c.mode);
        HKEY k = Create(u"Software\\Modes");
        const std::string before = FileText(file);
        DWORD v = 42;
        ASSERT_EQ(RegSetValueExW(k, c.name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
        DWORD out = 0, size = 4;
        EXPECT_EQ(RegQueryValueExW(k, c.name, nullptr, nullptr, reinterpret_cast<BYTE*>(&out), &size), ERROR_SUCCESS);
        EXPECT_EQ(out, 42u);
        RegCloseKey(k);
        EXPECT_EQ(FileText(file) != before, c.written);
        PlatResetForTests();
        k = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Modes", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
        size = 4;
        EXPECT_EQ(RegQueryValueExW(k, c.name, nullptr, nullptr, reinterpret_cast<BYTE*>(&out), &size),
                  c.written ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
        RegCloseKey(k);
    }
    // Changes made in memory reach the disk with the next change in a writing mode.
    HKEY k = nullptr;
    {
        PersistenceFor memory(PLAT_PERSIST_IN_MEMORY);
        k = Create(u"Software\\Modes\\Later");
        DWORD v = 1;
        ASSERT_EQ(RegSetValueExW(k, u"first", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
    }
    DWORD v = 2;
    ASSERT_EQ(RegSetValueExW(k, u"second", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
    RegCloseKey(k);
    PlatResetForTests();
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Modes\\Later", 0, KEY_READ, &k), ERROR_SUCCESS);
    for (const char16_t* name : {u"first", u"second"}) {
        DWORD size = 4;
        EXPECT_EQ(RegQueryValueExW(k, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
    }
    RegCloseKey(k);
}

// A writer killed between writing its temporary and renaming it leaves "<hive>.tmp-PID-N"
// behind. Loading the hive removes those of dead processes and of this process's own id (an
// earlier process that had it); a live process's may be a write in progress and stays, and so
// do names that are no temporary of the hive and other hives' temporaries.
TEST_F(Registry, LoadingAHiveRemovesTheTemporariesOfDeadWriters) {
    HKEY k = Create(u"Software\\Swept");
    RegCloseKey(k);
    pid_t dead = fork();
    ASSERT_GE(dead, 0);
    if (dead == 0) _exit(0);
    ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
    const std::string dir = root_ + "/registry/", d = std::to_string(dead), live = std::to_string(getppid());
    struct Case {
        std::string name;
        bool removed;
    };
    const Case cases[] = {
        {"HKCU.hive.tmp-" + d + "-0", true},
        {"HKCU.hive.tmp-" + std::to_string(getpid()) + "-17", true},
        {"HKCU.hive.bad.tmp-" + d + "-3", true},
        {"HKCU.hive.tmp-" + live + "-1", false},
        {"HKLM.hive.tmp-" + d + "-0", false},
        {"HKCU.hive.tmp-" + d + "-", false},
        {"HKCU.hive.tmp--4", false},
        {"HKCU.hive.tmp-12x-4", false},
        {"notes.tmp-" + d + "-0", false},
    };
    for (const Case& c : cases) std::ofstream(dir + c.name) << "partial";
    PlatResetForTests();
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Swept", 0, KEY_READ, &k), ERROR_SUCCESS);
    RegCloseKey(k);
    for (const Case& c : cases) EXPECT_EQ(!std::filesystem::exists(dir + c.name), c.removed) << c.name;
}

TEST_F(Registry, DamagedHiveLinesAreSkippedNotFatal) {
    HKEY k = Create(u"Software\\Good");
    DWORD v = 7;
    RegSetValueExW(k, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
    RegCloseKey(k);
    std::string file = root_ + "/registry/HKCU.hive";
    {
        std::ofstream out(file, std::ios::app);
        out << "key \"Broken\n"
            << "value \"x\" 4 zz\n"
            << "garbage line\n"
            << "value \"odd\" 3 abc\n";
    }
    PlatResetForTests();
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Good", 0, KEY_READ, &again), ERROR_SUCCESS);
    DWORD out = 0, size = 4;
    EXPECT_EQ(RegQueryValueExW(again, u"v", nullptr, nullptr, reinterpret_cast<BYTE*>(&out), &size), ERROR_SUCCESS);
    EXPECT_EQ(out, 7u);
    RegCloseKey(again);
    std::ifstream kept(file + ".bad");
    EXPECT_TRUE(kept.good());  // the damaged original is kept aside
}

// Key names the registry functions cannot spell are refused on load: a name with a NUL would be
// cut short by every caller and open its parent, so walking the tree would never end.
TEST_F(Registry, HiveKeyNamesWithNulSeparatorOrOverLengthAreRefused) {
    std::filesystem::create_directories(root_ + "/registry");
    std::string file = root_ + "/registry/HKCU.hive";
    {
        std::ofstream out(file, std::ios::binary);
        out << "orla-registry 1\n";
        out << "key \"Top\" \"a" << '\0' << "b\"\n"
            << "value \"x\" 4 01000000\n";
        out << "key \"Top\" \"" << std::string(256, 'n') << "\"\n";
        out << "key \"Top\" \"" << std::string(255, 'k') << "\"\n";
    }
    PlatResetForTests();
    HKEY top = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Top", 0, KEY_READ, &top), ERROR_SUCCESS);
    std::vector<std::u16string> names;
    for (DWORD i = 0;; ++i) {
        WCHAR name[300];
        DWORD len = 300;
        if (RegEnumKeyExW(top, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    RegCloseKey(top);
    ASSERT_EQ(names.size(), 1u);  // only the 255-character name is a key
    EXPECT_EQ(names[0], std::u16string(255, u'k'));
    EXPECT_TRUE(std::ifstream(file + ".bad").good());
}

// Changes stay in memory while the process has a key of the hive open; closing its last key
// writes the hive (where other processes read it), RegFlushKey writes it with the key still
// open, and a change through a predefined key with no key open is written at once.
TEST_F(Registry, TheHiveIsWrittenAtItsFlushPointsNotAtEveryChange) {
    const std::string file = root_ + "/registry/HKCU.hive";
    HKEY outer = Create(u"Software\\Lazy");
    HKEY inner = Create(u"Software\\Lazy\\Inner");
    RegCloseKey(inner);
    const std::string opened = FileText(file);
    DWORD v = 1;
    for (const char16_t* name : {u"a", u"b", u"c"})
        ASSERT_EQ(RegSetValueExW(outer, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
    EXPECT_EQ(FileText(file), opened) << "written before a flush point";
    HKEY second = Create(u"Software\\Lazy\\Second");
    RegCloseKey(second);
    EXPECT_EQ(FileText(file), opened) << "written while a key of the hive is still open";
    ASSERT_EQ(RegFlushKey(outer), ERROR_SUCCESS);
    const std::string flushed = FileText(file);
    EXPECT_NE(flushed.find("\"Second\""), std::string::npos);
    EXPECT_NE(flushed.find("value \"c\" 4 01000000"), std::string::npos);
    v = 2;
    ASSERT_EQ(RegSetValueExW(outer, u"d", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
    EXPECT_EQ(FileText(file), flushed);
    RegCloseKey(outer);
    EXPECT_NE(FileText(file).find("value \"d\" 4 02000000"), std::string::npos) << "the last close writes";
    ASSERT_EQ(RegSetValueExW(HKEY_CURRENT_USER, u"root", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
    EXPECT_NE(FileText(file).find("value \"root\" 4 02000000"), std::string::npos) << "no key open: written at once";
    EXPECT_EQ(RegFlushKey(reinterpret_cast<HKEY>(0x4444)), ERROR_INVALID_HANDLE);
    for (const auto& entry : std::filesystem::directory_iterator(root_ + "/registry"))
        EXPECT_EQ(entry.path().extension(), ".hive") << entry.path();
}

// A process that ends without closing its keys still leaves its changes; one that is killed
// loses what it had not flushed, and never leaves a torn hive.
TEST_F(Registry, ProcessEndWritesTheHiveAKilledProcessLosesOnlyUnflushedChanges) {
    struct Case {
        const char* how;
        bool killed;
        bool kept;
    };
    const Case cases[] = {{"exit", false, true}, {"killed", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        HKEY k = Create(u"Software\\Ending");
        DWORD before = 1;
        ASSERT_EQ(RegSetValueExW(k, u"before", 0, REG_DWORD, reinterpret_cast<BYTE*>(&before), 4), ERROR_SUCCESS);
        RegCloseKey(k);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            HKEY open = nullptr;
            RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Ending", 0, KEY_ALL_ACCESS, &open);
            DWORD after = 2;
            RegSetValueExW(open, u"after", 0, REG_DWORD, reinterpret_cast<BYTE*>(&after), 4);
            if (c.killed) raise(SIGKILL);
            std::exit(0);  // the key is still open
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        PlatResetForTests();
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Ending", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
        DWORD out = 0, size = 4;
        EXPECT_EQ(RegQueryValueExW(k, u"before", nullptr, nullptr, reinterpret_cast<BYTE*>(&out), &size),
                  ERROR_SUCCESS);
        size = 4;
        EXPECT_EQ(RegQueryValueExW(k, u"after", nullptr, nullptr, reinterpret_cast<BYTE*>(&out), &size),
                  c.kept ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
        RegDeleteValueW(k, u"after");
        RegCloseKey(k);
        EXPECT_FALSE(std::filesystem::exists(root_ + "/registry/HKCU.hive.bad"));
    }
}

// A writer killed at any point of its work leaves the hive as one of its flushes left it: every
// value of one generation, never some of one and some of the next, and no damaged lines.
TEST_F(Registry, AWriterKilledAtRandomPointsLeavesTheHiveOfOneFlush) {
    constexpr int kValues = 40;
    constexpr int kRounds = 25;
    struct SharedFlushes {  // counted by the writer, read here
        std::atomic<int>* count = static_cast<std::atomic<int>*>(
            mmap(nullptr, sizeof(std::atomic<int>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
        ~SharedFlushes() {
            if (count != MAP_FAILED) munmap(count, sizeof *count);
        }
    } shared;
    ASSERT_NE(shared.count, MAP_FAILED);
    std::atomic<int>* flushes = shared.count;
    std::mt19937 random(1211);
    for (int round = 0; round < kRounds; ++round) {
        flushes->store(0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            HKEY k = nullptr;
            RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Generations", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr);
            for (DWORD generation = 1;; ++generation) {
                for (int i = 0; i < kValues; ++i) {
                    const std::u16string name = {u'v', static_cast<char16_t>(u'0' + i / 10),
                                                 static_cast<char16_t>(u'0' + i % 10)};
                    RegSetValueExW(k, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&generation), 4);
                }
                RegFlushKey(k);
                flushes->fetch_add(1);
            }
        }
        const int target = 1 + static_cast<int>(random() % 4);
        bool ended = false;  // the child runs until it is killed; one that ends by itself fails the test
        while (flushes->load() < target && !ended) {
            ended = waitpid(child, nullptr, WNOHANG) == child;
            sched_yield();
        }
        ASSERT_FALSE(ended) << "the writer ended by itself in round " << round;
        std::atomic<uint32_t> spin{static_cast<uint32_t>(random() % 400000)};
        while (spin.load(std::memory_order_relaxed) > 0) spin.fetch_sub(1, std::memory_order_relaxed);
        kill(child, SIGKILL);
        ASSERT_EQ(waitpid(child, nullptr, 0), child);
        PlatResetForTests();
        HKEY k = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Generations", 0, KEY_READ, &k), ERROR_SUCCESS)
            << "round " << round;
        std::set<DWORD> generations;
        DWORD count = 0;
        for (DWORD i = 0;; ++i) {
            WCHAR name[16];
            DWORD len = 16, value = 0, size = 4;
            if (RegEnumValueW(k, i, name, &len, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) !=
                ERROR_SUCCESS)
                break;
            generations.insert(value);
            ++count;
        }
        RegCloseKey(k);
        EXPECT_EQ(count, static_cast<DWORD>(kValues)) << "round " << round;
        EXPECT_EQ(generations.size(), 1u) << "round " << round << ": values of several flushes";
        EXPECT_FALSE(std::filesystem::exists(root_ + "/registry/HKCU.hive.bad")) << "round " << round;
    }
}
