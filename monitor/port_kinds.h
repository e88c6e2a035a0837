// How the monitor classifies a port from its name, the spooler's port list and the registry.
#pragma once

#include "monitor/port_record.h"

BOOL IsLptPort(LPCWSTR name);
BOOL IsComPort(LPCWSTR name);
BOOL IsUsbPort(LPCWSTR name);
BOOL IsUncServerShare(LPCWSTR name);
BOOL IsStandardTcpIpPort(LPCWSTR name);
BOOL IsDpuTcpIpPort(LPCWSTR name);
// TRUE when the port is not listed, or listed with the type a local USB (usb) or parallel port has.
BOOL FindPortInEnumPorts(LPCWSTR name, BOOL usb);
BOOL IsParallelBidiCapable(LPCWSTR name);
// The kind bits of a port (KIND_*), from 0x1.
DWORD DetectPortKind(PortRecord* port);
BOOL SetParallelTimeouts(PortRecord* port);
