// The printer's IEEE 1284 device ID through the port monitor's device control: is a printer
// there, and is it one of this driver's models.
#pragma once

#include <string_view>

#include "monitor/port_record.h"

constexpr DWORD IOCTL_PAR_CANCEL = IOCTL_PAR_SET_INFORMATION;  // with the cancel byte
constexpr DWORD DEVICE_ID_BUFFER = 2047;

BOOL PortDeviceControl(PortRecord* port, DWORD control, BYTE* in, DWORD inSize, BYTE* out, DWORD outSize,
                       DWORD* returned);
// A device ID ends with ';' (blanks after the last one allowed, at most 256).
BOOL IsValidDeviceId(std::string_view text);
// The value of a field ("MDL:" ...) up to its ';', empty when absent.
std::string_view DeviceIdField(std::string_view text, std::string_view key);
// Sets the port's version pair from the model field; TRUE for this driver's models.
BOOL IsOwnPrinterModel(PortRecord* port, std::string_view deviceId);
// Reads and evaluates the device ID (TRUE on ports that are not bidirectional).
BOOL QueryPrinterStatus(PortRecord* port);
