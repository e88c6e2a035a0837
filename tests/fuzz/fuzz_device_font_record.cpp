// Device-font records: the checks made when a record is loaded, and every reader the font
// queries use on a record that passed them, on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "render/device_fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    // The driver keeps each record in a block of its own, aligned as any allocation.
    std::vector<unsigned long long> storage(size / 8 + 1);
    BYTE* record = reinterpret_cast<BYTE*>(storage.data());
    std::memcpy(record, data, size);
    if (!DeviceFontRecordIsSound(record, static_cast<DWORD>(size))) return 0;

    const IFIMETRICS* ifi = RecordIfiMetrics(record);
    // Unsigned sums: the values are arbitrary, only reading them matters.
    volatile ULONG sink = static_cast<ULONG>(ifi->fwdMaxCharInc) + static_cast<ULONG>(ifi->rclFontBox.top);
    for (HGLYPH hg : {0x00u, 0x20u, 0x41u, 0x95u, 0xFFu, 0x8140u, 0xFFFFu}) {
        sink = sink + static_cast<ULONG>(DeviceFontAdvance(record, hg)) +
               static_cast<ULONG>(DeviceFontGlyphAdvance(record, hg));
    }
    for (const FD_KERNINGPAIR& pair : RecordKerningPairs(record)) sink = sink + static_cast<ULONG>(pair.fwdKern);
    const char* selection = RecordSelectionText(record);
    for (int i = 0; i < 8; ++i) sink = sink + static_cast<ULONG>(selection[i]);
    sink = sink + static_cast<ULONG>(std::strlen(RecordDisplayName(record))) +
           static_cast<ULONG>(IsVerticalWritingFace(record));
    return 0;
}
