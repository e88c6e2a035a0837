// The port the monitor's fuzz targets feed: a local bidirectional port record in a sandbox root of
// its own (removed at exit), under a manual clock that moves on by itself. Made once a process.
#pragma once

#include "fuzz/fuzz_sandbox.h"
#include "monitor/port_record.h"
#include "plat/control.h"

inline PortRecord* FuzzPort() {
    static PortRecord* port = [] {
        FuzzSandboxRoot("port");
        PlatClockSetManual(TRUE);
        PlatClockSetAutoAdvance(TRUE);
        MonitorProcessAttach();
        PortRecord* p = CreatePortRecord(u"USB001", u"Fuzz");
        p->kind = kKindPort | kKindLocal | kKindBidi;
        p->versionPair[1] = 1;
        return p;
    }();
    return port;
}
