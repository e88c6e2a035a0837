// Print monitors: the function table a version-2 monitor hands to the spooler, the block the
// spooler initialises it with, port information levels, and the spooler-side services a
// language monitor calls (port status, port enumeration, the port's transceive channel,
// the client's identity, the service control manager and the socket library start-up).
#pragma once

#include "win/base.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

extern "C" {

typedef DWORD ACCESS_MASK;

// ---- Documents on a port (DOC_INFO_1W is in spool.h) ----
typedef struct _DOC_INFO_2W {
    LPWSTR pDocName;
    LPWSTR pOutputFile;
    LPWSTR pDatatype;
    DWORD dwMode;
    DWORD JobId;
} DOC_INFO_2W, *PDOC_INFO_2W;

typedef struct _DOC_INFO_3W {
    LPWSTR pDocName;
    LPWSTR pOutputFile;
    LPWSTR pDatatype;
    DWORD dwFlags;
} DOC_INFO_3W, *PDOC_INFO_3W;
#define DI_CHANNEL 1
#define DI_READ_SPOOL_JOB 3

// ---- Serial-style time-outs that SetPortTimeOuts takes ----
typedef struct _COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
} COMMTIMEOUTS, *LPCOMMTIMEOUTS;

// ---- Ports ----
typedef struct _PORT_INFO_1W {
    LPWSTR pName;
} PORT_INFO_1W, *PPORT_INFO_1W;

typedef struct _PORT_INFO_2W {
    LPWSTR pPortName;
    LPWSTR pMonitorName;
    LPWSTR pDescription;
    DWORD fPortType;
    DWORD Reserved;
} PORT_INFO_2W, *PPORT_INFO_2W;

typedef struct _PORT_INFO_3W {
    DWORD dwStatus;
    LPWSTR pszStatus;
    DWORD dwSeverity;
} PORT_INFO_3W, *PPORT_INFO_3W;

#define PORT_TYPE_WRITE 0x0001
#define PORT_TYPE_READ 0x0002
#define PORT_TYPE_REDIRECTED 0x0004
#define PORT_TYPE_NET_ATTACHED 0x0008

#define PORT_STATUS_TYPE_ERROR 1
#define PORT_STATUS_TYPE_WARNING 2
#define PORT_STATUS_TYPE_INFO 3

#define PORT_STATUS_OFFLINE 1
#define PORT_STATUS_PAPER_JAM 2
#define PORT_STATUS_PAPER_OUT 3
#define PORT_STATUS_OUTPUT_BIN_FULL 4
#define PORT_STATUS_PAPER_PROBLEM 5
#define PORT_STATUS_NO_TONER 6
#define PORT_STATUS_DOOR_OPEN 7
#define PORT_STATUS_USER_INTERVENTION 8
#define PORT_STATUS_OUT_OF_MEMORY 9
#define PORT_STATUS_TONER_LOW 10
#define PORT_STATUS_WARMING_UP 11
#define PORT_STATUS_POWER_SAVE 12

// ---- The monitor's registry, reached through the spooler (cluster-aware on Windows) ----
typedef LONG(WINAPI* PFN_MonitorCreateKey)(HANDLE hcKey, LPCWSTR pszSubKey, DWORD dwOptions, REGSAM samDesired,
                                           PSECURITY_ATTRIBUTES pSecurityAttributes, PHANDLE phckResult,
                                           PDWORD pdwDisposition, HANDLE hSpooler);
typedef LONG(WINAPI* PFN_MonitorOpenKey)(HANDLE hcKey, LPCWSTR pszSubKey, REGSAM samDesired, PHANDLE phkResult,
                                         HANDLE hSpooler);
typedef LONG(WINAPI* PFN_MonitorCloseKey)(HANDLE hcKey, HANDLE hSpooler);
typedef LONG(WINAPI* PFN_MonitorDeleteKey)(HANDLE hcKey, LPCWSTR pszSubKey, HANDLE hSpooler);
typedef LONG(WINAPI* PFN_MonitorEnumKey)(HANDLE hcKey, DWORD dwIndex, LPWSTR pszName, PDWORD pcchName,
                                         PFILETIME pftLastWriteTime, HANDLE hSpooler);
typedef LONG(WINAPI* PFN_MonitorQueryInfoKey)(HANDLE hcKey, PDWORD pcSubKeys, PDWORD pcbKey, PDWORD pcValues,
                                              PDWORD pcbValue, PDWORD pcbData, PDWORD pcbSecurityDescriptor,
                                              PFILETIME pftLastWriteTime, HANDLE hSpooler);
typedef LONG(WINAPI* PFN_MonitorSetValue)(HANDLE hcKey, LPCWSTR pszValue, DWORD dwType, const BYTE* pData, DWORD cbData,
                                          HANDLE hSpooler);
typedef LONG(WINAPI* PFN_MonitorDeleteValue)(HANDLE hcKey, LPCWSTR pszValue, HANDLE hSpooler);
typedef LONG(WINAPI* PFN_MonitorEnumValue)(HANDLE hcKey, DWORD dwIndex, LPWSTR pszValue, PDWORD pcbValue, PDWORD pType,
                                           PBYTE pData, PDWORD pcbData, HANDLE hSpooler);
typedef LONG(WINAPI* PFN_MonitorQueryValue)(HANDLE hcKey, LPCWSTR pszValue, PDWORD pType, PBYTE pData, PDWORD pcbData,
                                            HANDLE hSpooler);

typedef struct _MONITORREG {
    DWORD cbSize;
    PFN_MonitorCreateKey fpCreateKey;
    PFN_MonitorOpenKey fpOpenKey;
    PFN_MonitorCloseKey fpCloseKey;
    PFN_MonitorDeleteKey fpDeleteKey;
    PFN_MonitorEnumKey fpEnumKey;
    PFN_MonitorQueryInfoKey fpQueryInfoKey;
    PFN_MonitorSetValue fpSetValue;
    PFN_MonitorDeleteValue fpDeleteValue;
    PFN_MonitorEnumValue fpEnumValue;
    PFN_MonitorQueryValue fpQueryValue;
} MONITORREG, *PMONITORREG;

typedef struct _MONITORINIT {
    DWORD cbSize;
    HANDLE hSpooler;
    HANDLE hckRegistryRoot;  // the monitor's own key, opened through pMonitorReg
    PMONITORREG pMonitorReg;
    BOOL bLocal;
    LPCWSTR pszServerName;
} MONITORINIT, *PMONITORINIT;

// ---- The version-2 monitor function table ----
struct _MONITOR2;
typedef BOOL(WINAPI* PFN_EnumPorts)(HANDLE hMonitor, LPWSTR pName, DWORD Level, LPBYTE pPorts, DWORD cbBuf,
                                    LPDWORD pcbNeeded, LPDWORD pcReturned);
typedef BOOL(WINAPI* PFN_OpenPort)(HANDLE hMonitor, LPWSTR pName, PHANDLE pHandle);
typedef BOOL(WINAPI* PFN_OpenPortEx)(HANDLE hMonitor, HANDLE hMonitorPort, LPWSTR pPortName, LPWSTR pPrinterName,
                                     PHANDLE pHandle, struct _MONITOR2* pMonitor2);
typedef BOOL(WINAPI* PFN_StartDocPort)(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo);
typedef BOOL(WINAPI* PFN_WritePort)(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
typedef BOOL(WINAPI* PFN_ReadPort)(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);
typedef BOOL(WINAPI* PFN_EndDocPort)(HANDLE hPort);
typedef BOOL(WINAPI* PFN_ClosePort)(HANDLE hPort);
typedef BOOL(WINAPI* PFN_AddPort)(HANDLE hMonitor, LPWSTR pName, HWND hWnd, LPWSTR pMonitorName);
typedef BOOL(WINAPI* PFN_AddPortEx)(HANDLE hMonitor, LPWSTR pName, DWORD Level, LPBYTE lpBuffer, LPWSTR lpMonitorName);
typedef BOOL(WINAPI* PFN_ConfigurePort)(HANDLE hMonitor, LPWSTR pName, HWND hWnd, LPWSTR pPortName);
typedef BOOL(WINAPI* PFN_DeletePort)(HANDLE hMonitor, LPWSTR pName, HWND hWnd, LPWSTR pPortName);
typedef BOOL(WINAPI* PFN_GetPrinterDataFromPort)(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                                 DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer,
                                                 LPDWORD lpcbReturned);
typedef BOOL(WINAPI* PFN_SetPortTimeOuts)(HANDLE hPort, LPCOMMTIMEOUTS lpCTO, DWORD reserved);
typedef BOOL(WINAPI* PFN_XcvOpenPort)(HANDLE hMonitor, LPCWSTR pszObject, ACCESS_MASK GrantedAccess, PHANDLE phXcv);
typedef DWORD(WINAPI* PFN_XcvDataPort)(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData,
                                       PBYTE pOutputData, DWORD cbOutputData, PDWORD pcbOutputNeeded);
typedef BOOL(WINAPI* PFN_XcvClosePort)(HANDLE hXcv);
typedef void(WINAPI* PFN_Shutdown)(HANDLE hMonitor);

typedef struct _MONITOR2 {
    DWORD cbSize;
    PFN_EnumPorts pfnEnumPorts;
    PFN_OpenPort pfnOpenPort;
    PFN_OpenPortEx pfnOpenPortEx;
    PFN_StartDocPort pfnStartDocPort;
    PFN_WritePort pfnWritePort;
    PFN_ReadPort pfnReadPort;
    PFN_EndDocPort pfnEndDocPort;
    PFN_ClosePort pfnClosePort;
    PFN_AddPort pfnAddPort;
    PFN_AddPortEx pfnAddPortEx;
    PFN_ConfigurePort pfnConfigurePort;
    PFN_DeletePort pfnDeletePort;
    PFN_GetPrinterDataFromPort pfnGetPrinterDataFromPort;
    PFN_SetPortTimeOuts pfnSetPortTimeOuts;
    PFN_XcvOpenPort pfnXcvOpenPort;
    PFN_XcvDataPort pfnXcvDataPort;
    PFN_XcvClosePort pfnXcvClosePort;
    PFN_Shutdown pfnShutdown;
} MONITOR2, *PMONITOR2, *LPMONITOR2;

// The export every version-2 monitor has; the host finds it by this name.
typedef LPMONITOR2(WINAPI* PFN_InitializePrintMonitor2)(PMONITORINIT pMonitorInit, PHANDLE phMonitor);

// ---- Spooler services a monitor calls ----
// SetPortW level 3 sets (or, with dwStatus 0, clears) the status the spooler shows for a port.
BOOL SetPortW(LPWSTR pName, LPWSTR pPortName, DWORD dwLevel, LPBYTE pPortInfo);
// Two-call protocol: a null or small buffer fails with ERROR_INSUFFICIENT_BUFFER and the needed size.
BOOL EnumPortsW(LPWSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned);
// Transceive channel of a port: OpenPrinterW on ",XcvPort <port name>" then XcvDataW; the
// port monitor's answer code comes back in *pdwStatus.
BOOL XcvDataW(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData, PBYTE pOutputData,
              DWORD cbOutputData, PDWORD pcbOutputNeeded, PDWORD pdwStatus);
// The spooler runs monitor calls in the client's identity; these switch to its own and back.
HANDLE RevertToPrinterSelf(void);
BOOL ImpersonatePrinterClient(HANDLE hToken);

// ---- Service control manager (asking whether a service is installed) ----
DECLARE_HANDLE(SC_HANDLE);
#define SC_MANAGER_CONNECT 0x0001
#define SC_MANAGER_ALL_ACCESS 0x000F003F
#define SERVICE_QUERY_STATUS 0x0004
#define SERVICES_ACTIVE_DATABASEW u"ServicesActive"
SC_HANDLE OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR lpDatabaseName, DWORD dwDesiredAccess);
SC_HANDLE OpenServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, DWORD dwDesiredAccess);
BOOL CloseServiceHandle(SC_HANDLE hSCObject);
#define ERROR_SERVICE_DOES_NOT_EXIST 1060L

// ---- Socket library start-up (the monitor only brackets its network use with these) ----
typedef struct WSAData {
    WORD wVersion;
    WORD wHighVersion;
    // 64-bit Windows puts the counts and the vendor pointer before the texts.
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
    char szDescription[257];
    char szSystemStatus[129];
} WSADATA, *LPWSADATA;
static_assert(offsetof(WSADATA, lpVendorInfo) == 8 && offsetof(WSADATA, szDescription) == 16);
static_assert(sizeof(WSADATA) == 408, "WSADATA of 64-bit Windows");
#define MAKEWORD(a, b) (static_cast<WORD>(static_cast<BYTE>(a) | (static_cast<WORD>(static_cast<BYTE>(b)) << 8)))
int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
int WSACleanup(void);
#define WSAECONNRESET 10054L

}  // extern "C"

extern "C" {
// ---- Network connections (is a local device name redirected?) ----
#define ERROR_NOT_CONNECTED 2250L
DWORD WNetGetConnectionW(LPCWSTR lpLocalName, LPWSTR lpRemoteName, LPDWORD lpnLength);

// ---- Keyboard type (the subtype tells the maker's legacy PC hardware apart) ----
int GetKeyboardType(int nTypeFlag);
}  // extern "C"

// Device controls that a port monitor's GetPrinterDataFromPort passes on to the port's device.
inline constexpr DWORD IOCTL_PAR_QUERY_INFORMATION = 0x160004;
inline constexpr DWORD IOCTL_PAR_SET_INFORMATION = 0x160008;
inline constexpr DWORD IOCTL_PAR_QUERY_DEVICE_ID = 0x16000C;  // the ID without a length prefix
inline constexpr DWORD IOCTL_IEEE1284_GET_MODE = 0x160014;
inline constexpr DWORD IOCTL_IEEE1284_NEGOTIATE = 0x160018;
inline constexpr DWORD IOCTL_PAR_GET_DEVICE_CAPS = 0x160024;
inline constexpr DWORD IOCTL_USBPRINT_GET_1284_ID = 0x220414;  // 2-byte big-endian length, then the ID

// The port monitor interfaces as 64-bit Windows lays them out.
static_assert(sizeof(COMMTIMEOUTS) == 20 && sizeof(DOC_INFO_2W) == 32 && sizeof(DOC_INFO_3W) == 32);
static_assert(sizeof(PORT_INFO_1W) == 8 && sizeof(PORT_INFO_2W) == 32 && offsetof(PORT_INFO_2W, fPortType) == 24 &&
              sizeof(PORT_INFO_3W) == 24);
static_assert(sizeof(MONITORREG) == 88);
static_assert(sizeof(MONITORINIT) == 48 && offsetof(MONITORINIT, bLocal) == 32 &&
              offsetof(MONITORINIT, pszServerName) == 40);
static_assert(offsetof(MONITOR2, pfnEnumPorts) == 8 && offsetof(MONITOR2, pfnShutdown) == 144);
