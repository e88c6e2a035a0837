// The sandbox's printer for monitor_run: the modules linked into its system folders, the
// registry keys the monitor reads, the port and the printer.
#pragma once

#include <string>

inline constexpr char16_t kPrinter[] = u"QEV Halvoric 4400K";
inline constexpr char kPrinterAnsi[] = "QEV Halvoric 4400K";
inline constexpr char16_t kDriver[] = u"QEV Halvoric4400K ORLA";

std::u16string Wide(const std::string& s);
// A port named "IP_..." is a standard TCP/IP port whose printer is asked over SNMP.
bool IsTcpIpPortName(const std::string& portName);
// Installs the printer on the port, reaching the printer at address (HOST:PORT) on loopback.
bool InstallPrinter(const std::string& bin, const std::string& portName, const std::string& address);
