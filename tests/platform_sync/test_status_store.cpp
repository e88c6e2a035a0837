// The status manager's shared store when a writer process is killed half-way through a value:
// every read afterwards gives a whole value, the old one or the new one, never a mix.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "outside/dorlik/dorlik_api.h"
#include "outside/dorlik/dorlik_library.h"
#include "plat/control.h"
#include "win/kernel.h"

namespace {

constexpr char16_t kPrinter[] = u"QEV Store Writer";
constexpr int kRounds = 40;
constexpr int kWallMs = 30000;  // only a bound for a writer that never gets going

// Values from 16 bytes to a megabyte, one that keeps the size of the printer's tray table.
struct StoreVariableCase {
    const char* name;
    uint32_t smallest;
    uint32_t largest;
};
constexpr StoreVariableCase kVariables[] = {
    {"Grow", 16, 1u << 20},
    {"Big", 512u << 10, 1u << 20},
    {"PrinterBinConfig", 100, 100},
};

uint32_t SizeOf(const StoreVariableCase& v, uint64_t generation) {
    return v.smallest + static_cast<uint32_t>((generation * 7919u) % (v.largest - v.smallest + 1));
}

uint8_t ByteOf(uint64_t generation, size_t at) {
    return static_cast<uint8_t>(generation * 131u + at * 7u + 1u);
}

// A value tells its own generation in its first 8 bytes; every other byte and its size follow from it.
std::string ValueOf(const StoreVariableCase& v, uint64_t generation) {
    std::string value(SizeOf(v, generation), '\0');
    std::memcpy(value.data(), &generation, sizeof generation);
    for (size_t i = sizeof generation; i < value.size(); ++i) value[i] = static_cast<char>(ByteOf(generation, i));
    return value;
}

// Empty when the value is one the writer wrote whole; else what is wrong with it.
std::string Torn(const StoreVariableCase& v, const std::string& value) {
    uint64_t generation = 0;
    if (value.size() < sizeof generation) return "shorter than its generation";
    std::memcpy(&generation, value.data(), sizeof generation);
    if (value.size() != SizeOf(v, generation))
        return "size " + std::to_string(value.size()) + " is not that of generation " + std::to_string(generation);
    for (size_t i = sizeof generation; i < value.size(); ++i)
        if (static_cast<uint8_t>(value[i]) != ByteOf(generation, i))
            return "byte " + std::to_string(i) + " is not of generation " + std::to_string(generation);
    return {};
}

struct SharedCount {
    SharedCount()
        : writes(static_cast<std::atomic<uint64_t>*>(mmap(
              nullptr, sizeof(std::atomic<uint64_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0))) {}
    ~SharedCount() {
        if (writes != MAP_FAILED) munmap(writes, sizeof *writes);
    }
    std::atomic<uint64_t>* writes;
};

// A writer process: publishes new generations of every variable until it is killed.
class Writer {
public:
    Writer(PFN_DorlikWriteVariable write, std::atomic<uint64_t>* writes, uint64_t firstGeneration) {
        pid_ = fork();
        if (pid_ != 0) return;
        for (uint64_t g = firstGeneration;; ++g) {
            for (const StoreVariableCase& v : kVariables) {
                const std::string value = ValueOf(v, g);
                if (write(kPrinter, v.name, value.data(), static_cast<DWORD>(value.size())) != DORLIK_OK) _exit(3);
                writes->fetch_add(1);
            }
        }
    }
    ~Writer() { Kill(); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    bool Started() const { return pid_ > 0; }
    bool Alive() {
        int status = 0;
        return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
    }
    void Kill() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

class StatusStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/orla-status-store-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        root_ = dir;
        PlatSetSandboxRoot(root_.c_str());
        const char* bin = std::getenv("ORLA_BIN_DIR");
        ASSERT_NE(bin, nullptr) << "ORLA_BIN_DIR names the folder of the built modules";
        ASSERT_TRUE(
            PlatCopyIntoSandbox((std::string(bin) + "/Dorlik.dll").c_str(), u"C:\\Windows\\System32\\Dorlik.DLL"));
        // Loaded once and kept, as the processes of the driver keep the manager: its state lives
        // as long as the process.
        static const HMODULE module = LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL");
        ASSERT_NE(module, nullptr);
        write_ = dorlik::Entry<PFN_DorlikWriteVariable>(module, "DorlikWriteVariable");
        read_ = dorlik::Entry<PFN_DorlikReadVariable>(module, "DorlikReadVariable");
        history_ = dorlik::Entry<PFN_DorlikReadHistory>(module, "DorlikReadHistory");
        ASSERT_TRUE(write_ && read_ && history_);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
        EXPECT_FALSE(ec) << ec.message();
    }

    // The variable's value, or empty when it has none yet.
    std::string Read(const char* name, LONG* rc) const {
        DWORD needed = 0;
        *rc = read_(kPrinter, name, nullptr, 0, &needed);
        if (*rc == DORLIK_E_NO_VARIABLE) return {};
        if (*rc != DORLIK_E_SMALL_QUERY) return {};
        std::string value(needed, '\0');
        *rc = read_(kPrinter, name, value.data(), needed, &needed);
        value.resize(needed);
        return value;
    }
    std::string Newest(const char* name) const {
        DWORD needed = 0;
        if (history_(kPrinter, name, 0, nullptr, 0, &needed) != DORLIK_E_SMALL_QUERY) return {};
        std::string value(needed, '\0');
        if (history_(kPrinter, name, 0, value.data(), needed, &needed) != DORLIK_OK) return {};
        return value;
    }

    std::string root_;
    PFN_DorlikWriteVariable write_ = nullptr;
    PFN_DorlikReadVariable read_ = nullptr;
    PFN_DorlikReadHistory history_ = nullptr;
};

TEST_F(StatusStoreTest, AWriterKilledAtRandomPointsLeavesOnlyWholeValues) {
    SharedCount count;
    ASSERT_NE(count.writes, MAP_FAILED);
    std::mt19937 random(20261211);
    uint64_t generation = 1;
    int torn = 0;
    for (int round = 0; round < kRounds; ++round) {
        const uint64_t before = count.writes->load();
        const uint64_t target = before + 1 + random() % 12;
        {
            Writer writer(write_, count.writes, generation);
            ASSERT_TRUE(writer.Started());
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWallMs);
            while (count.writes->load() < target) {
                ASSERT_TRUE(writer.Alive()) << "the writer ended by itself in round " << round;
                ASSERT_LT(std::chrono::steady_clock::now(), until) << "the writer made no progress";
                sched_yield();
            }
            // A random stretch more, so that the kill lands anywhere in a write.
            std::atomic<uint32_t> spin{static_cast<uint32_t>(random() % 2000000)};
            while (spin.load(std::memory_order_relaxed) > 0) spin.fetch_sub(1, std::memory_order_relaxed);
            writer.Kill();
        }
        generation += 1000000;  // each writer's generations are its own
        for (const StoreVariableCase& v : kVariables) {
            LONG rc = 0;
            const std::string value = Read(v.name, &rc);
            if (rc == DORLIK_E_NO_VARIABLE) continue;  // killed before its first value
            ASSERT_EQ(rc, DORLIK_OK) << v.name;
            const std::string why = Torn(v, value);
            EXPECT_EQ(why, "") << v.name << " after round " << round;
            torn += !why.empty();
            EXPECT_EQ(Newest(v.name), value) << v.name << ": the history's newest is the value read";
        }
    }
    EXPECT_EQ(torn, 0);
    EXPECT_GT(count.writes->load(), static_cast<uint64_t>(kRounds)) << "every writer wrote";
    // The store still takes and gives back values after all the killed writers.
    const std::string last = ValueOf(kVariables[0], 7);
    ASSERT_EQ(write_(kPrinter, kVariables[0].name, last.data(), static_cast<DWORD>(last.size())), DORLIK_OK);
    LONG rc = 0;
    EXPECT_EQ(Read(kVariables[0].name, &rc), last);
}

}  // namespace
