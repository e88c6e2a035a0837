// The trust-marking library stand-in: the QZKWE_ entry points the driver calls. Each handle keeps
// the script read when it was made; every answer comes from that script's table (defaults below)
// and any call can be scripted to fail. Mark images are 1 bit per pixel (1 = ink), rows padded to
// whole bytes, in global memory blocks of exactly their size; footers are system-code-page text.
//
// Script names (all optional): CreateHandle, ReleaseHandle, GetSizeOfSettings, SetKWESettings,
// GetNumOfIDs, GetIDList, SetDriverSettings, GetNumOfOutputs, SetJobInfo, GetKM, GetSampleKM,
// PrepareGetSampleKM, GetFooterString, WriteLog, IsAvailableXKM, IsWholePage, SetJobOwner, DisplayUI: a number
// is that call's answer, "fail" its failure. TileWidth, TileHeight: the mark tile in dots.
// BlockShort: bytes the mark block lacks. FooterHex: the footer's bytes in hexadecimal ("%d" in Footer is the output
// index). MarkAtAskedSize=1: GetKM answers with a mark of the width and height it is asked for.
// Density, Caption: the sample sheet's answers. WriteLog takes only a record of its size
// (840 bytes) and keeps the last one in the registry (kwe_script.h).
// The settings dialog (DisplayUI) shows nothing: DisplayUI is its answer (1 OK, 2 cancelled, -1 or
// "fail" failed), DisplayUIOn the on/off value it hands back, DisplayUIBlobHex the settings the
// user leaves (default: the settings as handed in) and DisplayUIBlobSize how many bytes of them it
// writes (default: the blob's length); it never writes past the size it was given. Cancelled or
// failed, it changes nothing. The settings it was handed are kept in the registry.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "outside/kwe/kwe_script.h"
#include "win/kernel.h"

namespace {

using kwe::Script;

constexpr long kSettingsSize = 64;
constexpr long kIdCount = 3;
constexpr size_t kIdBytes = 12;
constexpr DWORD kJobInfoSize = 800;
constexpr DWORD kLogRecordSize = 840;
constexpr long kTileWidth = 250;  // not a multiple of 8: rows are padded
constexpr long kTileHeight = 96;
constexpr long kMaxTile = 16384;  // a whole A3 page at 600 dpi fits
constexpr long kDisplayOk = 1;
constexpr long kDisplayCancelled = 2;
constexpr long kDisplayFailed = -1;
constexpr DWORD kMaxSettingsSize = 4096;  // the settings record's room for the blob
// "出力 %d ORLA" in code page 932.
constexpr char kDefaultFooter[] = "\x8f\x6f\x97\xcd %d ORLA";

struct HandleState {
    Script script;
    bool settingsSet = false;
    bool jobInfoSet = false;
};

struct Library {
    std::mutex lock;
    DWORD next = 0x4B570000;
    std::map<DWORD, HandleState> handles;
};
// Unloaded with the module (the driver frees the library after each handle sequence).
Library& TheLibrary() {
    static Library l;
    return l;
}

// The script of a live handle (copied under the lock), or null for a foreign handle.
bool ScriptOf(DWORD handle, Script* out) {
    Library& l = TheLibrary();
    std::lock_guard<std::mutex> g(l.lock);
    auto it = l.handles.find(handle);
    if (it == l.handles.end()) return false;
    *out = it->second.script;
    return true;
}

// One answer of a call: its failure value when scripted to fail, else its scripted number or the
// default.
long Answer(DWORD handle, const char* call, long normal, long failure) {
    Script s;
    if (!ScriptOf(handle, &s)) return failure;
    if (s.Fails(call)) return failure;
    return s.Number(call, normal);
}

HGLOBAL BlockOf(const std::vector<BYTE>& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (block == nullptr) return nullptr;
    if (void* p = GlobalLock(block)) {
        if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    return block;
}

// A tile of dots with a frame line on top and a diagonal that moves with the output index.
std::vector<BYTE> MarkTile(long width, long height, long index) {
    const size_t rowBytes = static_cast<size_t>((width + 7) / 8);
    std::vector<BYTE> bits(rowBytes * static_cast<size_t>(height), 0);
    auto ink = [&](long x, long y) {
        bits[static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x / 8)] |= 0x80 >> (x % 8);
    };
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x)
            if ((x % 16 == 0 && y % 16 == 0) || y == 0 || (x + index * 7) % width == y % width) ink(x, y);
    return bits;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The script's bytes in hexadecimal; a script is never trusted: the bytes end at the first pair
// that is not hexadecimal.
std::vector<BYTE> FromHex(const std::string& hex) {
    std::vector<BYTE> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) break;
        out.push_back(static_cast<BYTE>(high * 16 + low));
    }
    return out;
}

// The footer text with each "%d" replaced by the output index; the script's text is data, never
// a format, so any other percent sign stands as it is. At most 255 bytes, as the library's buffer.
std::string FooterLine(const std::string& text, long index) {
    constexpr size_t kFooterBytes = 255;
    const std::string number = std::to_string(index);
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "%d") == 0) {
            line += number;
            ++i;
        } else {
            line += text[i];
        }
    }
    if (line.size() > kFooterBytes) line.resize(kFooterBytes);
    return line;
}

}  // namespace

extern "C" {

DLLEXPORT DWORD QZKWE_CreateHandle(LPCSTR printer, LPCSTR model, LPCSTR language, DWORD locale) {
    Script s = kwe::ReadScript();
    if (s.Fails("CreateHandle") || printer == nullptr || model == nullptr || language == nullptr) return 0;
    if (std::strcmp(language, "ORLA") != 0 || locale != 1041) return 0;
    Library& l = TheLibrary();
    std::lock_guard<std::mutex> g(l.lock);
    const DWORD handle = ++l.next;
    l.handles[handle].script = s;
    return handle;
}

DLLEXPORT LONG QZKWE_ReleaseHandle(DWORD handle) {
    Script s;
    if (!ScriptOf(handle, &s)) return 0;
    Library& l = TheLibrary();
    std::lock_guard<std::mutex> g(l.lock);
    l.handles.erase(handle);
    return s.Fails("ReleaseHandle") ? 0 : 1;
}

DLLEXPORT LONG QZKWE_GetSizeOfSettings(DWORD handle) {
    return Answer(handle, "GetSizeOfSettings", kSettingsSize, -1);
}

DLLEXPORT LONG QZKWE_SetKWESettings(DWORD handle, const BYTE* blob, DWORD size, const BYTE* sample, DWORD sampleSize) {
    const long answer = Answer(handle, "SetKWESettings", 1, 0);
    if (answer == 1) {
        Library& l = TheLibrary();
        std::lock_guard<std::mutex> g(l.lock);
        if (auto it = l.handles.find(handle); it != l.handles.end()) it->second.settingsSet = true;
    }
    return answer;
}

DLLEXPORT LONG QZKWE_GetNumOfIDs(DWORD handle) {
    return Answer(handle, "GetNumOfIDs", kIdCount, -1);
}

DLLEXPORT LONG QZKWE_GetIDList(DWORD handle, BYTE* list) {
    const long answer = Answer(handle, "GetIDList", 1, 0);
    Script s;
    if (answer != 1 || list == nullptr || !ScriptOf(handle, &s)) return 0;
    const long count = s.Number("GetNumOfIDs", kIdCount);
    for (long i = 0; i < count && i < 100; ++i)
        std::snprintf(reinterpret_cast<char*>(list) + i * kIdBytes, kIdBytes, "ID%02d", static_cast<int>(i));
    return 1;
}

DLLEXPORT LONG QZKWE_SetDriverSettings(DWORD handle, const BYTE* list) {
    return list == nullptr ? 0 : Answer(handle, "SetDriverSettings", 1, 0);
}

DLLEXPORT LONG QZKWE_GetNumOfOutputs(DWORD handle) {
    return Answer(handle, "GetNumOfOutputs", 1, -1);
}

DLLEXPORT LONG QZKWE_SetJobInfo(DWORD handle, const BYTE* info) {
    DWORD size = 0;
    if (info != nullptr) std::memcpy(&size, info, sizeof size);
    if (size != kJobInfoSize) return 0;
    return Answer(handle, "SetJobInfo", 1, 0);
}

DLLEXPORT LONG QZKWE_GetKM(DWORD handle, HGLOBAL* image, LONG* width, LONG* height, LONG index) {
    Script s;
    if (image == nullptr || width == nullptr || height == nullptr || !ScriptOf(handle, &s) || s.Fails("GetKM"))
        return -1;
    long w = s.Number("TileWidth", kTileWidth), h = s.Number("TileHeight", kTileHeight);
    // A library that makes its mark at the size it is asked for (scripted).
    if (s.Number("MarkAtAskedSize", 0) != 0 && *width > 0 && *height > 0) w = *width, h = *height;
    if (w <= 0 || h <= 0 || w > kMaxTile || h > kMaxTile) return -1;
    std::vector<BYTE> tile = MarkTile(w, h, index);
    // A library that hands out less than its rows (scripted): the driver must not read past it.
    tile.resize(tile.size() - std::min<size_t>(tile.size() - 1, static_cast<size_t>(s.Number("BlockShort", 0))));
    *image = BlockOf(tile);
    if (*image == nullptr) return -1;
    *width = w;
    *height = h;
    return s.Number("GetKM", 1);
}

DLLEXPORT LONG QZKWE_GetSampleKM(DWORD handle, HGLOBAL* image, LONG* width, LONG* height, LONG index) {
    Script s;
    if (image == nullptr || width == nullptr || height == nullptr || !ScriptOf(handle, &s) || s.Fails("GetSampleKM"))
        return 0;
    const long w = 1600, h = 640;
    *image = BlockOf(MarkTile(w, h, index));
    *width = w;
    *height = h;
    return *image != nullptr ? 1 : 0;
}

DLLEXPORT LONG QZKWE_PrepareGetSampleKM(DWORD handle, LONG* density, LONG* value, LPSTR caption) {
    Script s;
    if (density == nullptr || value == nullptr || caption == nullptr || !ScriptOf(handle, &s) ||
        s.Fails("PrepareGetSampleKM"))
        return 0;
    *density = s.Number("Density", 2);
    *value = 1;
    const std::string text = s.Text("Caption", "ORLA sample");
    std::snprintf(caption, 256, "%s", text.c_str());
    return 1;
}

DLLEXPORT LONG QZKWE_GetFooterString(DWORD handle, HGLOBAL* text, LONG index) {
    Script s;
    if (text == nullptr || !ScriptOf(handle, &s) || s.Fails("GetFooterString")) return 0;
    std::vector<BYTE> bytes;
    if (s.values.count("FooterHex")) {
        bytes = FromHex(s.values.at("FooterHex"));
    } else {
        const std::string line = FooterLine(s.Text("Footer", kDefaultFooter), index);
        bytes.assign(line.begin(), line.end());
    }
    if (s.Number("FooterUnterminated", 0) == 0) bytes.push_back(0);
    *text = BlockOf(bytes);
    return *text != nullptr ? 1 : 0;
}

DLLEXPORT LONG QZKWE_WriteLog(DWORD handle, const BYTE* record) {
    DWORD size = 0;
    if (record != nullptr) std::memcpy(&size, record, sizeof size);
    if (size != kLogRecordSize) return 0;
    const long answer = Answer(handle, "WriteLog", 1, 0);
    if (answer == 1) kwe::KeepLogRecord(record, size);
    return answer;
}

DLLEXPORT LONG QZKWE_IsAvailableXKM(DWORD handle) {
    return Answer(handle, "IsAvailableXKM", 0, 0);
}

DLLEXPORT LONG QZKWE_IsWholePage(DWORD handle, LONG* value) {
    const long answer = Answer(handle, "IsWholePage", 1, 0);
    if (value != nullptr) *value = answer;
    return answer;
}

DLLEXPORT LONG QZKWE_SetJobOwner(DWORD handle, const BYTE* owner) {
    return owner == nullptr ? 0 : Answer(handle, "SetJobOwner", 1, 0);
}

DLLEXPORT LONG QZKWE_DisplayUI(DWORD handle, HWND owner, BYTE* settings, DWORD settingsSize, LONG* result) {
    Script s;
    if (result == nullptr || (settings == nullptr && settingsSize != 0) || !ScriptOf(handle, &s) ||
        s.Fails("DisplayUI"))
        return kDisplayFailed;
    if (settingsSize > kMaxSettingsSize) return kDisplayFailed;
    kwe::KeepRecord(kwe::kLastDisplayUIValue, settings, settingsSize);
    static_cast<void>(owner);  // the dialog would be owned by it; nothing is shown here
    const long answer = s.Number("DisplayUI", kDisplayOk);
    if (answer == kDisplayCancelled || answer == kDisplayFailed) return answer;
    if (s.values.count("DisplayUIBlobHex")) {
        std::vector<BYTE> blob = FromHex(s.values.at("DisplayUIBlobHex"));
        const long wanted = s.Number("DisplayUIBlobSize", static_cast<long>(blob.size()));
        blob.resize(static_cast<size_t>(std::clamp<long>(wanted, 0, static_cast<long>(settingsSize))), 0);
        if (!blob.empty()) std::memcpy(settings, blob.data(), blob.size());
    }
    *result = s.Number("DisplayUIOn", 1);
    return answer;
}

}  // extern "C"
