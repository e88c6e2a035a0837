// Fuzz target: the job-stream decoder must reject any byte string cleanly, never crash or hang.
#include <cstddef>
#include <cstdint>
#include <span>

#include "tools/job_decoder/job_decoder.h"

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
    (void)orla::jobdecode::DecodeJob(bytes, fragment);
    std::vector<std::vector<uint8_t>> rows;
    if (size > 2) (void)orla::jobdecode::UnpackDeltaRows(bytes.subspan(2), data[0] % 64 + 1, data[1] + 1u, &rows);
    return 0;
}
