// The stamp-drawing library binding. The library is loaded from the driver directory for each
// single call and freed after it: nothing of it stays loaded between bands or pages.
#include "core/stamp_library.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/ansi_text.h"
#include "core/little_endian.h"
#include "core/stamp_record.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/spool.h"

namespace orla {

namespace {

namespace st = orla::stamp;

// ANSI buffers of the call: the text and path of 128 characters can take 256 bytes and more in a
// double-byte code page, so they are cut to whole characters within the buffer.
constexpr size_t kStampTextBytes = 256;
constexpr size_t kStampFaceBytes = 64;

struct AngleChoice {
    SHORT choice;
    LONG tenths;
};
constexpr AngleChoice kAngles[] = {{0, -900}, {1, -450}, {2, 0}, {3, 450}, {4, 900}};

struct GreyChoice {
    WORD choice;
    BYTE level;
};
constexpr GreyChoice kGreys[] = {{3041, 0xFF}, {3042, 0xCC}, {3043, 0x99}, {3044, 0x66}, {3045, 0x33}, {3046, 0x00}};

struct ModeChoice {
    DWORD choice;
    LONG mode;
};
constexpr ModeChoice kModes[] = {{3065, 0}, {3066, 1}, {3067, 2}};

// A text field of the wide record, read within its field, in the ANSI code page within `bytes`
// (terminator included).
std::string AnsiField(const BYTE* record, orla::StampTextField field, size_t bytes) {
    std::u16string text;
    for (size_t i = 0; i < field.bytes / 2; ++i) {
        WORD c;
        std::memcpy(&c, record + field.offset + 2 * i, sizeof c);
        if (c == 0) break;
        text.push_back(static_cast<char16_t>(c));
    }
    return AnsiText(text, bytes - 1);  // whole characters only
}

// The library's path: the graphics DLL's own file name in the driver path replaced.
bool StampLibraryPath(HANDLE hPrinter, std::u16string* path) {
    DWORD needed = 0;
    GetPrinterDriverW(hPrinter, nullptr, 3, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterDriverW(hPrinter, nullptr, 3, buffer.data(), needed, &needed)) return false;
    const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    if (info->pDriverPath == nullptr) return false;
    std::u16string driver(info->pDriverPath);
    const size_t slash = driver.find_last_of(u'\\');
    *path = (slash == std::u16string::npos ? std::u16string() : driver.substr(0, slash + 1)) + u"Garnith.dll";
    return true;
}

// Frees the library at the end of the call, whatever path it takes.
struct LoadedLibrary {
    HMODULE module;
    explicit LoadedLibrary(LPCWSTR path) : module(LoadLibraryW(path)) {}
    ~LoadedLibrary() {
        if (module != nullptr) FreeLibrary(module);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
};

template <class Proc>
Proc Entry(HMODULE module, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

LONG CallStampBitmap(HMODULE module, DWORD dc, const BYTE* stamp, LONG pass, LONG zVariant, LONG width, LONG height) {
    auto draw = Entry<StampBitmapProc>(module, zVariant != 0 ? "DrvStampBitmapZ" : "DrvStampBitmap");
    if (draw == nullptr) return 0;
    const std::string path = AnsiField(stamp, st::kImagePath, kStampTextBytes);
    return draw(dc, path.c_str(), StampGet(stamp, st::kPosition), StampGet(stamp, st::kScale), pass, 0, width, height,
                StampGet(stamp, st::kResolution));
}

LONG CallStampString(HMODULE module, DWORD dc, const BYTE* stamp, LONG pass, LONG zVariant, LONG width, LONG height) {
    auto draw = Entry<StampStringProc>(module, zVariant != 0 ? "DrvStampStringZ" : "DrvStampString");
    if (draw == nullptr) return 0;
    const std::string text = AnsiField(stamp, st::kText, kStampTextBytes);
    const std::string face = AnsiField(stamp, st::kFaceName, kStampFaceBytes);
    return draw(dc, text.c_str(), StampGet(stamp, st::kPosition), StampGet(stamp, st::kTextSize),
                StampAngleOfChoice(StampGet(stamp, st::kAngle)), StampGet(stamp, st::kWeight),
                StampGet(stamp, st::kItalic), face.c_str(), pass, StampGreyOfChoice(StampGet(stamp, st::kGrey)),
                StampModeOfChoice(StampGet(stamp, st::kMode)), width, height, StampGet(stamp, st::kResolution));
}

}  // namespace

LONG StampAngleOfChoice(SHORT choice) {
    for (const AngleChoice& a : kAngles)
        if (a.choice == choice) return a.tenths;
    return 0;
}

DWORD StampGreyOfChoice(DWORD choice) {
    const WORD low = static_cast<WORD>(choice);
    for (const GreyChoice& g : kGreys)
        if (g.choice == low) return (DWORD{g.level} << 16) | (DWORD{g.level} << 8) | g.level;
    return 0;
}

LONG StampModeOfChoice(DWORD choice) {
    for (const ModeChoice& m : kModes)
        if (m.choice == choice) return m.mode;
    return 0;
}

LONG DrawStampsInBand(DWORD dcHandle, HANDLE hPrinter, const BYTE* stamp, LONG pass, LONG zVariant) {
    if (stamp == nullptr || StampGet(stamp, st::kDrawFlag) == 0) return 1;
    if (StampGet(stamp, st::kFirstPageOnly) != 0 && StampGet(stamp, st::kPageNumber) != 1) return 1;
    LoadStampLibrary(dcHandle, hPrinter, stamp, pass, zVariant);
    return 1;
}

LONG LoadStampLibrary(DWORD dcHandle, HANDLE hPrinter, const BYTE* stamp, LONG pass, LONG zVariant) {
    // The page's size as the record gives it, in 32-bit wrap-around arithmetic: a nonsense
    // rectangle from an escape's answer gives a nonsense size, never an overflow.
    const auto span = [&](auto high, auto low) {
        return static_cast<LONG>(static_cast<DWORD>(StampGet(stamp, high)) - static_cast<DWORD>(StampGet(stamp, low)));
    };
    const LONG width = span(st::kPageRight, st::kPageLeft);
    const LONG height = span(st::kPageBottom, st::kPageTop);
    std::u16string path;
    if (!StampLibraryPath(hPrinter, &path)) return 0;
    LoadedLibrary library(path.c_str());
    // Without the library no stamp is drawn; the page prints without it.
    if (library.module == nullptr) return 0;
    if (StampGet(stamp, st::kKind) != 0)
        return CallStampBitmap(library.module, dcHandle, stamp, pass, zVariant, width, height);
    return CallStampString(library.module, dcHandle, stamp, pass, zVariant, width, height);
}

}  // namespace orla
