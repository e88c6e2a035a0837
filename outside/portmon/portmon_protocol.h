// What the loopback port monitor and the printer simulator agree on besides the job bytes.
#pragma once

namespace portmon {

// A TCP port stands for a local printer cable: job data and replies share one connection,
// while the IEEE 1284 device ID (which a real cable fetches out of band) is asked on a
// connection of its own that begins with this line and is answered with the device ID text.
inline constexpr char kDeviceIdRequest[] = "\x1b%-ORLASIM DEVICEID\r\n";

}  // namespace portmon
