// Text put into PJL lines: code-page conversion, the display and name checks, and the filter that
// keeps outside strings (settings, owner record, document name) from ending a PJL line early.
#include "render/pjl_text.h"

#include <array>
#include <cstring>

#include "core/ansi_text.h"
#include "win/kernel.h"
#include "win/nls.h"

UINT ResolveCodePage(UINT codePage) {
    if (codePage == CP_UTF8) return CP_UTF8;
    if (codePage != 0) return codePage;
    return GetACP();
}

namespace {

// Lead bytes of the system code page (Shift-JIS in the Japanese market; none in single-byte pages).
bool LeadByte(BYTE b) {
    return IsDBCSLeadByteEx(ResolveCodePage(0), b) != FALSE;
}
bool TrailByte(BYTE b) {
    return b >= 0x40 && b != 0x7F;
}

}  // namespace

std::u16string_view BoundedText(const WCHAR* text, size_t maxChars) {
    if (!text) return {};
    size_t n = 0;
    while (n < maxChars && text[n] != 0) ++n;
    return {text, n};
}

std::string WideToAnsi(std::u16string_view text, UINT codePage) {
    return orla::AnsiText(text, std::string::npos, ResolveCodePage(codePage));
}

std::string CutAnsi(std::string_view text, size_t maxBytes) {
    size_t i = 0;
    while (i < text.size()) {
        size_t step = LeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (i + step > maxBytes) break;
        i += step;
    }
    return std::string(text.substr(0, i));
}

std::string SanitizePjlValue(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (size_t i = 0; i < ansi.size(); ++i) {
        BYTE b = static_cast<BYTE>(ansi[i]);
        if (b == 0) break;
        if (LeadByte(b)) {
            // A double-byte character: its trail byte is never a control character or a quote.
            // A lead byte without its trail byte is dropped: the printer would pair it with the
            // next byte, which may be the closing quote of the value.
            if (i + 1 < ansi.size() && TrailByte(static_cast<BYTE>(ansi[i + 1]))) {
                out.push_back(ansi[i]);
                out.push_back(ansi[i + 1]);
                ++i;
            }
            continue;
        }
        if (b < 0x20 || b == 0x7F || b == '"') continue;
        out.push_back(static_cast<char>(b));
    }
    return out;
}

std::string ConvertDisplayText(std::u16string_view text) {
    std::string ansi = CutAnsi(WideToAnsi(text), 42);
    size_t scan = ansi.size() >= 17 ? 13 : ansi.size();
    for (size_t i = 0; i < scan; ++i) {
        BYTE b = static_cast<BYTE>(ansi[i]);
        if (b == '"' || b == '~' || (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) return {};
    }
    if (ansi.size() > 16) ansi = CutAnsi(ansi, 13) + "...";
    return SanitizePjlValue(ansi);
}

BOOL CheckPjlText(std::u16string_view text, std::span<const ByteRange> singleRanges,
                  std::span<const WordRange> doubleRanges, std::span<const BYTE> refusedSingle,
                  std::span<const WORD> refusedDouble, DWORD flags) {
    std::string ansi = WideToAnsi(text);
    bool onlySpaces = true;
    for (size_t i = 0; i < ansi.size(); ++i) {
        BYTE b = static_cast<BYTE>(ansi[i]);
        if (LeadByte(b)) {
            if (i + 1 >= ansi.size()) return FALSE;  // a lead byte without its trail byte
            WORD w = static_cast<WORD>((b << 8) | static_cast<BYTE>(ansi[i + 1]));
            ++i;
            bool inRange = false;
            for (const WordRange& r : doubleRanges) inRange = inRange || (w >= r.first && w <= r.last);
            if (!inRange) return FALSE;
            for (WORD refused : refusedDouble)
                if (w == refused) return FALSE;
            if (w != 0x8140) onlySpaces = false;
            continue;
        }
        bool inRange = false;
        for (const ByteRange& r : singleRanges) inRange = inRange || (b >= r.first && b <= r.last);
        if (!inRange) return FALSE;
        for (BYTE refused : refusedSingle)
            if (b == refused) return FALSE;
        if (b != ' ') onlySpaces = false;
    }
    if (onlySpaces && !(flags & kCheckAcceptEmpty)) return FALSE;
    return TRUE;
}

BOOL IsPlainPjlName(std::u16string_view text) {
    static constexpr ByteRange kRanges[] = {{0x20, 0x7E}, {0xA1, 0xDF}};
    return CheckPjlText(text, kRanges, {}, {}, {}, 0);
}

// ---- Job identity ----

namespace {

// CRC-16 of the ARC polynomial (0x8005 reflected: 0xA001), a nibble at a time.
constexpr std::array<WORD, 16> MakeCrcNibbleTable() {
    std::array<WORD, 16> t{};
    for (WORD n = 0; n < 16; ++n) {
        WORD crc = n;
        for (int k = 0; k < 4; ++k)
            crc = (crc & 1) ? static_cast<WORD>((crc >> 1) ^ 0xA001) : static_cast<WORD>(crc >> 1);
        t[n] = crc;
    }
    return t;
}
constexpr std::array<WORD, 16> kCrcNibble = MakeCrcNibbleTable();

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

WORD Crc16OfString(std::string_view bytes) {
    WORD crc = 0;
    for (char ch : bytes) {
        BYTE b = static_cast<BYTE>(ch);
        crc = static_cast<WORD>((crc >> 4) ^ kCrcNibble[(crc ^ b) & 0x0F]);
        crc = static_cast<WORD>((crc >> 4) ^ kCrcNibble[(crc ^ (b >> 4)) & 0x0F]);
    }
    return crc;
}

std::string FormatHexPadded(ULONG value, int digits) {
    std::string out(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        out[static_cast<size_t>(i)] = kHexDigits[value & 0x0F];
        value >>= 4;
    }
    return out;
}

std::string FormatBytesHex(std::string_view bytes, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        BYTE b = i < bytes.size() ? static_cast<BYTE>(bytes[i]) : 0;
        out.push_back(kHexDigits[b >> 4]);
        out.push_back(kHexDigits[b & 0x0F]);
    }
    return out;
}

// 24 characters: the name's length, its first five bytes, its CRC-16 and the tick count.
std::string BuildJobId(std::string_view name, DWORD tick) {
    std::string id = FormatHexPadded(static_cast<ULONG>(name.size() > 0xFF ? 0xFF : name.size()), 2);
    id += FormatBytesHex(name, 5);
    id += name.empty() ? std::string("****") : FormatHexPadded(Crc16OfString(name), 4);
    id += FormatHexPadded(tick, 8);
    return id;
}

void GetJobUserName(char out[64]) {
    char name[64] = {};
    DWORD size = 33;
    if (GetUserNameA(name, &size) && name[0] != 0) {
        name[32] = 0;
        std::memcpy(out, name, 64);
    } else {
        std::memset(out, 0, 64);
        std::strcpy(out, "UnknownUser");
    }
}
