// Fuzz target: a cache file of any content is either refused or lent out only when every count,
// offset and string holds; the readers stay inside any block whose size field is its size.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/device_data.h"
#include "fuzz/fuzz_sandbox.h"
#include "plat/control.h"
#include "win/kernel.h"

using namespace orla;

namespace {

std::string g_root;
std::string g_data, g_cache;
std::u16string g_dataPath;

void Setup() {
    static bool done = false;
    if (done) return;
    done = true;
    g_root = FuzzSandboxRoot("kdc");
    g_data = g_root + "/model.KDD";
    g_cache = g_root + "/model.KDC";
    g_dataPath.assign(g_data.begin(), g_data.end());
    // The data file only has to exist and be older than the cache; its content is never read
    // while the cache is fresh and sound.
    FILE* f = std::fopen(g_data.c_str(), "wb");
    if (!f) std::abort();
    std::fputs("x", f);
    std::fclose(f);
}

size_t WalkReaders(const CompiledDeviceData* d) {
    size_t sum =
        DeviceFriendlyName(d).size() + DevicePrinterName(d).size() + static_cast<size_t>(DeviceDataVersion(d) & 1);
    for (NamedValueEntry e : SupportFeatures(d)) sum += e.name.size();
    for (MemorySizeEntry m : MemorySizes(d)) sum += static_cast<size_t>(m.values[6] & 1);
    for (ResolutionEntry r : Resolutions(d)) sum += r.text1.size() + r.text2.size();
    for (NamedValueList l : {InputSlots(d), InputDevices(d), OptionDevices(d), FormDevices(d), Applications(d)})
        for (NamedValueEntry e : l) sum += e.name.size();
    for (FormList l : {PortraitForms(d), LandscapeForms(d), CompatiblePortraitForms(d), CompatibleLandscapeForms(d)})
        for (FormEntry f : l) sum += f.name.size() + static_cast<size_t>(f.bottom & 1);
    if (auto m = DefaultMemorySize(d)) sum += static_cast<size_t>(m->values[6] & 1);
    if (auto s = DefaultInputSlot(d)) sum += s->name.size();
    if (auto f = DefaultForm(d)) sum += f->name.size();
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Setup();
    // Readers on the raw bytes, with the size field made true (readers trust only that field).
    if (size >= 4 && size < (1u << 20)) {
        std::vector<DWORD> aligned((size + 3) / 4);
        std::memcpy(aligned.data(), data, size);
        BYTE* bytes = reinterpret_cast<BYTE*>(aligned.data());
        StoreLe32(bytes, static_cast<DWORD>(size));
        WalkReaders(reinterpret_cast<const CompiledDeviceData*>(bytes));
    }

    FILE* f = std::fopen(g_cache.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    BOOL valid = FALSE;
    CompiledDeviceData* block = ReadDeviceDataCache(g_dataPath.c_str(), &valid);
    if (block) {
        if (!valid || DeviceDataSize(block) != size || std::memcmp(block, data, size) != 0) std::abort();
        if (!ValidateDeviceData(DeviceDataBytes(block), DeviceDataSize(block))) std::abort();
        if (WalkReaders(block) > size) std::abort();
        GlobalFree(block);
    } else if (valid) {
        std::abort();
    }
    return 0;
}
