// The monitor's threads at work, in three scenes on a standard TCP/IP port whose printer (the
// simulator, its SNMP agent on a loopback UDP port) is asked over SNMP:
//   1. a job and the job progress the polling thread brings back from the printer's job table;
//   2. the printer in error while a job waits: the client thread starts the job-watch thread,
//      which sees the printer recover;
//   3. a status reader in another process, which followed the variables through both.
#pragma once

#include <string>

#include "tools/printer_sim/printer_sim.h"

// The monitors are loaded from the sandbox the printer was installed in (sandboxRoot); the exit code.
int RunScenes(const std::string& job, const std::string& sandboxRoot, const std::string& portName,
              printersim::Simulator* sim);
