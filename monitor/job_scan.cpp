// The scan of a job's first bytes for the driver's own PJL, and the job identifier strings.
#include <algorithm>
#include <array>
#include <cstring>

#include "monitor/pjl_job.h"

namespace {

enum class ScanEffect { Job, JobAttribute, Enter };
struct ScanRow {
    std::string_view prefix;
    ScanEffect effect;
};
constexpr ScanRow kScanTable[] = {
    {"@PJL JOB", ScanEffect::Job},
    {"@PJL SET JOBATTR=\"@JCID=", ScanEffect::JobAttribute},
    {"@PJL ENTER", ScanEffect::Enter},
};

void CopyText(char (&slot)[kJobTextSize], std::string_view text) {
    size_t n = std::min(text.size(), kJobTextSize - 1);
    std::memcpy(slot, text.data(), n);
    slot[n] = 0;
}

// One line of the job (the bytes up to and including LF, or to the end of the data).
void ApplyScanRow(PortRecord* port, std::string_view line, BOOL* sawJob) {
    for (const ScanRow& row : kScanTable) {
        if (line.size() < row.prefix.size() || line.substr(0, row.prefix.size()) != row.prefix) continue;
        switch (row.effect) {
            case ScanEffect::Job:
                *sawJob = TRUE;
                CopyText(port->jobName, port->jobIdentifier);
                break;
            case ScanEffect::JobAttribute:
                if (port->kind & kKindStdTcpip) {
                    std::string_view rest = line.substr(row.prefix.size());
                    size_t end = rest.find_first_of("\"\r\n");
                    CopyText(port->jobIdentifier, rest.substr(0, end));
                    port->driverJobClientId = TRUE;
                    // The driver named the job itself after its own JOB line: the monitor adds nothing.
                    if (port->jobName[0]) port->state &= ~kStateHeaderPending;
                }
                break;
            case ScanEffect::Enter:
                port->enterSeen = TRUE;
                break;
        }
        return;
    }
}

}  // namespace

void ResetStreamScan(PortRecord* port) {
    port->scanResult = 0;
    std::memset(port->jobName, 0, sizeof port->jobName);
    port->enterSeen = FALSE;
    port->beginsWithUel = FALSE;
    port->postScriptJob = FALSE;
    port->forceTrailerUel = FALSE;
    port->uelAbsorbed = FALSE;
}

int ScanJobDataForPjl(PortRecord* port, const BYTE* data, DWORD length) {
    port->driverJobClientId = FALSE;
    if (port->scanResult == 1 || port->scanResult == 2) return 0;
    if (!data || length < 20) {
        port->scanResult = -1;
        return 1;
    }
    std::string_view text(reinterpret_cast<const char*>(data), length);
    if (text.substr(0, kUel.size()) == kUel) {
        port->beginsWithUel = TRUE;
        BOOL sawJob = FALSE;
        size_t pos = kUel.size();
        while (pos < text.size() && !port->enterSeen) {
            size_t lf = text.find('\n', pos);
            size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
            ApplyScanRow(port, text.substr(pos, end - pos), &sawJob);
            pos = end;
        }
        port->scanResult = sawJob ? 2 : -1;
    } else if (text.substr(0, 10) == "%!PS-Adobe") {
        port->scanResult = 1;
        port->postScriptJob = TRUE;
        CopyText(port->jobName, port->jobIdentifier);
    } else {
        port->scanResult = -1;
    }
    return 1;
}

namespace {

// CRC-16/ARC, one 16-entry table per nibble.
constexpr std::array<WORD, 16> MakeNibbleTable(int shift) {
    std::array<WORD, 16> table{};
    for (int n = 0; n < 16; ++n) {
        WORD crc = static_cast<WORD>(n << shift);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<WORD>((crc >> 1) ^ 0xA001) : static_cast<WORD>(crc >> 1);
        table[n] = crc;
    }
    return table;
}
constexpr auto kLowNibble = MakeNibbleTable(0);
constexpr auto kHighNibble = MakeNibbleTable(4);

constexpr char kHex[] = "0123456789ABCDEF";

void PutHex(char* out, DWORD value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = kHex[value & 0xF];
        value >>= 4;
    }
}

}  // namespace

WORD NameChecksum(std::string_view text) {
    WORD crc = 0;
    for (unsigned char c : text) {
        BYTE x = static_cast<BYTE>(crc ^ c);
        crc = static_cast<WORD>((crc >> 8) ^ kLowNibble[x & 0xF] ^ kHighNibble[x >> 4]);
    }
    return crc;
}

void MakeJobClientId(char out[25]) {
    char small[MAX_COMPUTERNAME_LENGTH + 1] = {};
    char* name = small;
    char* big = nullptr;
    DWORD size = sizeof small;
    if (!GetComputerNameA(small, &size)) {
        small[0] = 0;
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && size > 0 && size < 0x10000) {
            big = static_cast<char*>(MonAlloc(size + 1));
            DWORD bigSize = size + 1;
            if (big && GetComputerNameA(big, &bigSize)) name = big;
        }
    }
    std::string_view nameText(name, strnlen(name, name == small ? sizeof small : size + 1));
    out[0] = '0';
    out[1] = '3';
    for (size_t i = 0; i < 5; ++i) PutHex(out + 2 + 2 * i, i < nameText.size() ? static_cast<BYTE>(nameText[i]) : 0, 2);
    PutHex(out + 12, NameChecksum(nameText.empty() ? std::string_view("********") : nameText), 4);
    PutHex(out + 16, GetTickCount(), 8);
    out[24] = 0;
    MonFree(big);
}

void MakeGuidString(char out[33]) {
    GUID guid{};
    CoCreateGuid(&guid);
    char* p = out;
    PutHex(p, guid.Data1, 8);
    p += 8;
    PutHex(p, guid.Data2, 4);
    p += 4;
    PutHex(p, guid.Data3, 4);
    p += 4;
    for (BYTE b : guid.Data4) {
        // Each byte without leading zeros: one or two digits.
        if (b >= 0x10) *p++ = kHex[b >> 4];
        *p++ = kHex[b & 0xF];
    }
    *p = 0;
}
