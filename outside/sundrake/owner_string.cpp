// Sundrake.dll stand-in: encodes a job owner as the driver's owner-string library would be asked
// to, with its entry names, argument orders and buffer sizes. The encoding is our own: a 6-byte
// header ("OWN", kind, pages per sheet, tray code), then the owner text (the given input, or
// "user@host"), each byte XOR 0x5A, at most what the caller's buffer holds. A length of 0 in fails.
// An owner input starting "!LONG" misbehaves on purpose (see below).
#include <algorithm>
#include <cstring>
#include <string>

#include "win/base.h"
#include "win/kernel.h"

namespace {

constexpr BYTE kMask = 0x5A;
constexpr char kHostAddress[] = "192.0.2.44";

int Encode(WORD kind, const std::string& owner, WORD pages, WORD tray, BYTE* out, DWORD* length, DWORD* extra) {
    if (out == nullptr || length == nullptr || *length < 6) return 0;
    const BYTE header[6] = {'O', 'W', 'N', static_cast<BYTE>(kind), static_cast<BYTE>(pages), static_cast<BYTE>(tray)};
    std::memcpy(out, header, sizeof header);
    const DWORD room = *length - 6;
    const DWORD n = static_cast<DWORD>(std::min<size_t>(owner.size(), room));
    for (DWORD i = 0; i < n; ++i) out[6 + i] = static_cast<BYTE>(owner[i] ^ kMask);
    *length = 6 + n;
    if (extra != nullptr) *extra = n;
    return 1;
}

}  // namespace

DLLEXPORT int APIENTRY DHGetVJCLStringOfJobOwnerFromInputA(WORD kind, LPCSTR ownerInput, WORD pagesPerSheet,
                                                           WORD trayCode, BYTE* out, DWORD* length, DWORD* extra) {
    if (ownerInput == nullptr) return 0;
    const int ok = Encode(kind, ownerInput, pagesPerSheet, trayCode, out, length, extra);
    // A misbehaving library for tests: an input starting "!LONG" answers a length far beyond the
    // buffer it was given.
    if (ok && std::strncmp(ownerInput, "!LONG", 5) == 0) *length = 100000;
    return ok;
}

DLLEXPORT int APIENTRY DHGetVJCLStringOfJobOwnerStringFromUserHostName(WORD kind, WORD pagesPerSheet, WORD trayCode,
                                                                       BYTE* out, DWORD* length, DWORD* extra) {
    char user[257] = {};
    DWORD userSize = sizeof user;
    char host[16] = {};
    DWORD hostSize = sizeof host;
    if (!GetUserNameA(user, &userSize) || !GetComputerNameA(host, &hostSize)) return 0;
    return Encode(kind, std::string(user) + "@" + host, pagesPerSheet, trayCode, out, length, extra);
}

DLLEXPORT int APIENTRY DHGetVJCLStringOfHostAddress(char* out, DWORD* length, DWORD* extra) {
    if (out == nullptr || length == nullptr || *length < sizeof kHostAddress) return 0;
    std::memcpy(out, kHostAddress, sizeof kHostAddress);
    *length = sizeof kHostAddress - 1;
    if (extra != nullptr) *extra = 0;
    return 1;
}
