// The first bytes of a job: any data must be scanned without reading past its end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "monitor/pjl_job.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static PortRecord port{};
    port.kind = size && (data[0] & 1) ? (kKindPort | kKindStdTcpip | kKindBidi) : (kKindPort | kKindLocal | kKindBidi);
    std::strcpy(port.jobIdentifier, "03000000000000000000000");
    ResetStreamScan(&port);
    // An exact-size copy, so that a read past the end is caught.
    std::vector<uint8_t> copy(data, data + size);
    ScanJobDataForPjl(&port, copy.data(), static_cast<DWORD>(copy.size()));
    if (port.jobIdentifier[kJobTextSize - 1] != 0 || port.jobName[kJobTextSize - 1] != 0) abort();
    char header[kPjlHeaderSize];
    PjlJobRequest request{};
    request.wantStatusLines = request.wantJobLine = request.wantJobName = TRUE;
    std::memcpy(request.name, port.jobIdentifier, sizeof request.name - 1);
    DWORD n = BuildPjlJobHeader(header, sizeof header, request, &port);
    if (n >= sizeof header || (n && header[n] != 0)) abort();
    return 0;
}
