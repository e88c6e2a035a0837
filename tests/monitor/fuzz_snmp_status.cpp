// SNMP answers from a printer: any job-table walk (identifiers, names), job states, page texts
// and device IDs must go through the status query and the job-table walk without a crash, an
// overrun, a record kept for a job the printer finished, or a variable stored at a wrong size.
// The answers come from the scripted client library the monitor tests use.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fake_varnel.h"
#include "fuzz/fuzz_sandbox.h"
#include "monitor/job_records.h"
#include "monitor/printer_query.h"
#include "monitor/snmp_status.h"
#include "monitor/status_variables.h"
#include "plat/control.h"
#include "plat/monitor_host.h"
#include "win/kernel.h"
#include "win/registry.h"

namespace {

constexpr size_t kMaxRows = 12;

// Reads the input as a sequence of small fields.
struct Reader {
    const uint8_t* data;
    size_t size;
    uint8_t Byte() {
        if (!size) return 0;
        --size;
        return *data++;
    }
    std::string Text() {
        size_t n = Byte();
        n = n < size ? n : size;
        std::string s(reinterpret_cast<const char*>(data), n);
        data += n;
        size -= n;
        return s;
    }
};

struct World {
    PortRecord* port = nullptr;
    FakeVarnelScript* script = nullptr;
};

World& TheWorld() {
    static World world = [] {
        World w;
        FuzzSandboxRoot("snmp");
        PlatClockSetManual(TRUE);
        PlatClockSetAutoAdvance(TRUE);
        MonitorProcessAttach();
        if (!PlatCopyIntoSandbox(FAKE_VARNEL_PATH, u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Varnel.DLL"))
            std::abort();
        HMODULE library = LoadLibraryA("C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Varnel.DLL");
        auto state = reinterpret_cast<PFN_FakeVarnelState>(GetProcAddress(library, "FakeVarnelState"));
        if (!state) std::abort();
        w.script = state();  // the library stays loaded for the process
        plat::RegisterStandardTcpIpPort(u"IP_fuzz");
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                        u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_fuzz", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        const std::u16string host = u"127.0.0.1";
        RegSetValueExW(key, u"IPAddress", 0, REG_SZ, reinterpret_cast<const BYTE*>(host.c_str()),
                       static_cast<DWORD>((host.size() + 1) * 2));
        RegCloseKey(key);
        w.port = CreatePortRecord(u"IP_fuzz", u"Fuzz");
        w.port->kind = kKindPort | kKindBidi | kKindStdTcpip;
        w.port->versionPair[1] = 1;
        return w;
    }();
    return world;
}

void CheckSizes(PortRecord* port) {
    for (StatusVariable* row = port->variables; row && row->name; ++row) {
        if (!row->value) continue;
        LONG size = VariableSize(row);
        if (size <= 0 || (row->size != kVarCounted && size != row->size)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = TheWorld();
    Reader in{data, size};
    w.script->Reset();
    {
        std::lock_guard<std::mutex> g(w.script->lock);
        w.script->texts[std::string(kSnmpDeviceIdOid)] = in.Text();
        size_t rows = in.Byte() % (kMaxRows + 1);
        for (size_t i = 0; i < rows; ++i) {
            std::string index = "." + std::to_string(in.Byte() % 4 + 1);
            // Mostly the job-name column, sometimes any identifier the printer makes up.
            std::string oid = (in.Byte() & 7) ? std::string(kSnmpJobNameColumn) + index : in.Text();
            std::string name = in.Text();
            w.script->walk.push_back({oid, name});
            w.script->integers[std::string(kSnmpJobTableEntry) + "9" + index] = static_cast<int8_t>(in.Byte());
            w.script->texts[std::string(kSnmpJobPagesColumn) + index] = in.Text();
        }
    }
    {
        PortLock lock(w.port);
        size_t jobs = in.Byte() % 4;
        for (size_t i = 0; i < jobs; ++i) {
            JobRecord* job = AddJobRecord(static_cast<DWORD>(i + 1), w.port);
            if (!job) break;
            std::string name = in.Text();
            name.copy(job->firstName, sizeof job->firstName - 1);
        }
    }
    QueryPrinterStatus(w.port);
    QuerySnmpStatus(w.port);
    CheckSizes(w.port);
    for (JobRecord* job = w.port->jobHead; job; job = job->next)
        if (job->flags & 0x8) std::abort();  // finished in the printer's table, yet kept
    PortLock lock(w.port);
    DropAllJobRecords(w.port, FALSE);
    return 0;
}
