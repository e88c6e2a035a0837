// The trust-marking library's answers: the stand-in's script made from the input (counts, tile
// sizes, short blocks, footer bytes, failures), then every use the graphics DLL makes of it on a
// device context with a job open: binding, a page's mark layer and footer, the footer stamp, the
// sample sheet after an application's query block, and the footer characters themselves.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/driver_devmode.h"
#include "core/stamp_record.h"
#include "fuzz_job_pdev.h"
#include "render/kwe_marks.h"
#include "win/registry.h"

namespace {

constexpr const char* kNumbers[] = {"GetSizeOfSettings", "GetNumOfIDs", "GetNumOfOutputs", "IsAvailableXKM",
                                    "IsWholePage",       "TileWidth",   "TileHeight",      "BlockShort",
                                    "Density",           "GetKM",       "SetKWESettings"};
constexpr const char* kFailures[] = {"CreateHandle", "ReleaseHandle",      "GetIDList",       "GetKM",
                                     "GetSampleKM",  "PrepareGetSampleKM", "GetFooterString", "SetJobInfo"};
constexpr unsigned kInputsPerJob = 50;

using Input = FuzzBytes;

// Small numbers mostly (tiles of a few hundred dots), now and then the edges.
long Number(Input& in) {
    const uint8_t kind = in.Byte();
    const long v = static_cast<long>(in.Byte()) << 8 | in.Byte();
    switch (kind % 8) {
        case 0:
            return -1;
        case 1:
            return 0;
        case 2:
            return 0x7FFFFFFF;
        default:
            return v % 600;
    }
}

std::u16string Script(Input& in) {
    std::string s;
    for (const char* name : kNumbers)
        if (in.Byte() & 1) s += std::string(name) + "=" + std::to_string(Number(in)) + "\n";
    const uint8_t fails = in.Byte();
    for (size_t i = 0; i < std::size(kFailures); ++i)
        if (fails & (1u << i)) s += std::string(kFailures[i]) + "=fail\n";
    if (in.Byte() & 1) {
        s += "FooterHex=";
        for (uint8_t n = in.Byte() % 40; n > 0; --n) {
            static const char kHex[] = "0123456789ABCDEF";
            const uint8_t b = in.Byte();
            s += kHex[b >> 4];
            s += kHex[b & 15];
        }
        s += "\nFooterUnterminated=" + std::to_string(in.Byte() & 1) + "\n";
    }
    return std::u16string(s.begin(), s.end());
}

void InstallLibrary(const std::u16string& script) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tamsa Korvel\\Tessaline Basic", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    if (key == nullptr) std::abort();
    const std::u16string path = std::u16string(PlatDriverDirectory()) + u"\\TessalineDrvIf.dll";
    RegSetValueExW(key, u"DRVIFInstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * 2));
    RegSetValueExW(key, u"StandInScript", 0, REG_SZ, reinterpret_cast<const BYTE*>(script.c_str()),
                   static_cast<DWORD>((script.size() + 1) * 2));
    RegCloseKey(key);
}

FuzzJobPdev& Context() {
    static FuzzJobPdev* c = [] {
        auto* p = new FuzzJobPdev;
        p->Install("kwe-answers");
        InstallLibrary(u"");
        p->Enable();
        p->StartJob();
        return p;
    }();
    return *c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzJobPdev& c = Context();
    c.NextInput(kInputsPerJob);
    Input in{data, size};
    InstallLibrary(Script(in));
    PrinterPdev* pdev = c.pdev();
    orla::Set(pdev->settings.record, orla::dm::TrustMarkResult, DWORD{1});
    orla::Set(pdev->settings.record, orla::dm::TrustBlobSize, static_cast<DWORD>(Number(in)));
    BindTrustMarking(pdev);
    WritePageTrustMark(pdev);
    BYTE stamp[orla::kStampRecordSize];
    DrvEscape(&c.surface, 9103, 0, nullptr, sizeof stamp, stamp);
    if (in.Byte() & 1) {
        std::vector<uint8_t> block(8 + in.Byte() % 32);
        block[4] = 7;
        for (size_t i = 8; i < block.size(); ++i) block[i] = in.Byte();
        DrvEscape(&c.surface, 4360, static_cast<ULONG>(block.size()), block.data(), 0, nullptr);
        BuildKweJobData(pdev);
    }
    std::string rest(reinterpret_cast<const char*>(in.data), in.size);
    FooterCharacters(rest);
    return 0;
}
