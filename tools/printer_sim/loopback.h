// Loopback helpers for whoever drives the simulator: a free UDP port for its SNMP agent, and
// raw bytes sent to its job port on a connection of their own.
#pragma once

#include <cstdint>
#include <string>

namespace printersim {

// A loopback UDP port nobody uses right now; 0 when none could be had.
uint16_t FreeUdpPort();
// Connects to 127.0.0.1:port, sends the bytes and closes; false when any step failed.
bool SendRaw(uint16_t port, const std::string& bytes);

}  // namespace printersim
