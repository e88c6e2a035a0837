// Fuzz target: a device description file of any content compiles to a sound block (or to none),
// the same through the mapped file as from memory, and every reader stays inside it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/device_data.h"
#include "fuzz/fuzz_sandbox.h"
#include "plat/control.h"
#include "win/kernel.h"

using namespace orla;

namespace {

std::string g_root;
std::string g_file;
std::u16string g_path;

void Setup() {
    static bool done = false;
    if (done) return;
    done = true;
    g_root = FuzzSandboxRoot("dd");
    g_file = g_root + "/input.KDD";
    g_path.assign(g_file.begin(), g_file.end());
}

void WalkReaders(const CompiledDeviceData* d) {
    size_t sum = DeviceFriendlyName(d).size() + DevicePrinterName(d).size();
    for (NamedValueEntry e : SupportFeatures(d)) sum += e.name.size();
    for (MemorySizeEntry m : MemorySizes(d)) sum += static_cast<size_t>(m.values[0] & 1);
    for (ResolutionEntry r : Resolutions(d)) sum += r.text1.size() + r.text2.size();
    for (NamedValueList l : {InputSlots(d), InputDevices(d), OptionDevices(d), FormDevices(d), Applications(d)})
        for (NamedValueEntry e : l) sum += e.name.size();
    for (FormList l : {PortraitForms(d), LandscapeForms(d), CompatiblePortraitForms(d), CompatibleLandscapeForms(d)})
        for (FormEntry f : l) sum += f.name.size();
    if (auto m = DefaultMemorySize(d)) sum += static_cast<size_t>(m->values[0] & 1);
    if (auto s = DefaultInputSlot(d)) sum += s->name.size();
    if (auto f = DefaultForm(d)) sum += f->name.size();
    if (sum > DeviceDataSize(d)) std::abort();  // strings are inside the block
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Setup();
    CompiledDeviceData* fromText = CompileDeviceText(std::span<const BYTE>(data, size));
    if (!fromText) std::abort();  // only memory can fail, and it does not here
    if (!ValidateDeviceData(DeviceDataBytes(fromText), DeviceDataSize(fromText))) std::abort();
    WalkReaders(fromText);

    FILE* f = std::fopen(g_file.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    CompiledDeviceData* fromFile = CompileDeviceDescription(g_path.c_str());
    if (size == 0) {
        if (fromFile) std::abort();  // an empty file cannot be mapped
    } else {
        if (!fromFile || DeviceDataSize(fromFile) != DeviceDataSize(fromText) ||
            std::memcmp(fromFile, fromText, DeviceDataSize(fromText)) != 0)
            std::abort();
        GlobalFree(fromFile);
    }
    GlobalFree(fromText);
    return 0;
}
