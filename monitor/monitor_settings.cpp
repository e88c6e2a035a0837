// Values under the monitor's own registry root, read through the spooler's registry calls.
#include "monitor/port_record.h"

BOOL ReadMonitorDword(LPCWSTR name, DWORD* value) {
    PMONITORINIT init = g_monitor.init;
    if (!init || !init->pMonitorReg || !init->pMonitorReg->fpQueryValue) return FALSE;
    DWORD type = 0, size = 4, data = 0;
    if (init->pMonitorReg->fpQueryValue(init->hckRegistryRoot, name, &type, reinterpret_cast<PBYTE>(&data), &size,
                                        init->hSpooler) != ERROR_SUCCESS ||
        size != 4)
        return FALSE;
    *value = data;
    return TRUE;
}
