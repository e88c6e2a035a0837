// The printer's IEEE 1284 device ID through the port monitor's device control (or over SNMP
// on standard TCP/IP ports): is a printer there, and is it one of this driver's models.
#pragma once

#include <string_view>

#include "monitor/port_record.h"

constexpr DWORD IOCTL_PAR_CANCEL = IOCTL_PAR_SET_INFORMATION;  // with the cancel byte
constexpr DWORD kDeviceIdBuffer = 2047;
constexpr DWORD kSnmpDeviceIdBuffer = 256;
constexpr DWORD kDeviceIdMaxTrailingBlanks = 256;

// The port's device control between the spooler and the port monitor (non-zero control ids).
BOOL PortDeviceControl(PortRecord* port, DWORD control, BYTE* in, DWORD inSize, BYTE* out, DWORD outSize,
                       DWORD* returned);
// A device ID ends with ';' (blanks after the last one allowed, at most 256).
BOOL IsValidDeviceId(std::string_view text);
// Sets the port's version pair from the model field; TRUE for this driver's models.
BOOL IsOwnPrinterModel(PortRecord* port, std::string_view deviceId);
// Reads and evaluates the device ID (TRUE on ports that are not bidirectional).
BOOL QueryPrinterStatus(PortRecord* port);
// The same for standard TCP/IP ports, the device ID read over SNMP.
BOOL QueryStatusBySnmp(PortRecord* port);
// What QueryStatusBySnmp does with the answer (empty: no answer).
BOOL EvaluateSnmpDeviceId(PortRecord* port, std::string_view answer);
// The SNMP status reader supplies the device-ID read: at most size bytes into buffer, the
// count read (0: no answer). Until one is installed, standard TCP/IP ports read the device ID
// through the port monitor like the other ports.
typedef DWORD (*SnmpDeviceIdReader)(PortRecord* port, char* buffer, DWORD size);
void SetSnmpDeviceIdReader(SnmpDeviceIdReader reader);
