// Fuzz target: the job-stream decoder must reject any byte string cleanly, never crash or hang;
// what it takes as a fragment is pictured (small pictures, a small work budget) the same way.
#include <cstddef>
#include <cstdint>
#include <span>

#include "tools/job_decoder/job_decoder.h"
#include "tools/job_decoder/page_pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    orla::jobdecode::DecodeOptions whole_options;
    whole_options.maxUnpackedBytes = 64 << 20;
    orla::jobdecode::DecodeResult whole = orla::jobdecode::DecodeJob(bytes, whole_options);
    (void)orla::jobdecode::FormatListing(whole);
    orla::jobdecode::DecodeOptions fragment;
    fragment.startInOrla = true;
    fragment.requireComplete = false;
    fragment.maxUnpackedBytes = 64 << 20;
    const orla::jobdecode::DecodeResult part = orla::jobdecode::DecodeJob(bytes, fragment);
    if (part.ok) {
        orla::jobdecode::PictureOptions small;
        small.dpi = 20;
        small.maxPixels = size_t{1} << 20;
        small.maxWork = uint64_t{1} << 24;
        small.originX = size > 0 ? data[size - 1] - 128 : 0;
        const orla::jobdecode::PicturesResult pictures = orla::jobdecode::RenderPages(part, small);
        if (!pictures.ok && pictures.error.empty()) __builtin_trap();  // a refusal always says why
    }
    std::vector<std::vector<uint8_t>> rows;
    if (size > 2) (void)orla::jobdecode::UnpackDeltaRows(bytes.subspan(2), data[0] % 64 + 1, data[1] + 1u, &rows);
    return 0;
}
