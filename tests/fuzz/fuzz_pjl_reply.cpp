// PJL replies from a printer: any bytes, cut into reads at any place, must be parsed without
// a crash, an overrun or unbounded growth of the saved incomplete reply.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "monitor/job_records.h"
#include "monitor/manager_client.h"
#include "monitor/pjl_reply.h"
#include "monitor/status_variables.h"
#include "plat/control.h"
#include "tests/monitor/fuzz_port.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PortRecord* port = FuzzPort();
    port->state = kStateJobOpen | kStateHeaderSent;
    if (!port->jobHead) {
        AddJobRecord(7, port);
        SetJobRecordName("03FUZZ", 3, port);
    }
    // The first byte chooses where the reads are cut.
    size_t step = size ? (data[0] % 64) + 1 : 1;
    size_t at = size ? 1 : 0;
    while (at < size) {
        size_t n = std::min(step, size - at);
        DWORD used = 0, flags = 0;
        QueueReplyText(port, reinterpret_cast<const char*>(data + at), static_cast<DWORD>(n), &used, TRUE, &flags,
                       TRUE);
        if (port->savedReplyLength > kSavedReplyLimit) abort();
        at += n;
    }
    return 0;
}
