// What the loopback port monitor and the printer simulator agree on besides the job bytes.
#pragma once

namespace portmon {

// A TCP port stands for a local printer cable: job data and replies share one connection,
// while the IEEE 1284 device ID (which a real cable fetches out of band) is asked on a
// connection of its own that begins with this line and is answered with the device ID text.
// The port monitor writes " SENT=<n>" before the line's end: the bytes its job connection had
// sent when it asked, so that the printer sees where in the job's stream the question came.
inline constexpr char kDeviceIdRequest[] = "\x1b%-ORLASIM DEVICEID\r\n";
inline constexpr char kDeviceIdRequestHead[] = "\x1b%-ORLASIM DEVICEID";
inline constexpr char kSentField[] = " SENT=";
// The host's cancel (a cable's INIT line, which a real port raises at once) takes the same
// way: a connection of its own that begins with this line; the printer closes it once taken.
inline constexpr char kCancelRequest[] = "\x1b%-ORLASIM CANCEL\r\n";

}  // namespace portmon
