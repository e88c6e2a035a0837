// Device-font records and the Shift-JIS glyph set: loading them from the DLL's resources,
// checking that every offset and table lies inside its block, and reading them.
#include "render/device_fonts.h"

#include <cstring>
#include <mutex>

#include "core/little_endian.h"
#include "render/device_font_record.h"
#include "render/driver_log.h"

namespace {

using u64 = unsigned long long;

constexpr BYTE kHangeulCharSet = 129;
constexpr BYTE kChineseBig5CharSet = 136;
constexpr BYTE kDefaultWidthCode = 0x95;  // the bullet: the code page's default character
constexpr BYTE kSpaceCode = 0x20;
constexpr LONG kNotionalLimit = 0x7FFF;

// ---- Record checks: each names what it guards ----

// A NUL-terminated ASCII string at `at` inside the record, at least `minChars` long.
bool AsciiInside(const BYTE* record, DWORD size, DWORD at, size_t minChars) {
    if (at < fontrec::kRecordHeaderSize || at >= size) return false;
    const void* end = std::memchr(record + at, 0, size - at);
    return end != nullptr && static_cast<size_t>(static_cast<const BYTE*>(end) - (record + at)) >= minChars;
}

// The kerning array and its all-zero end pair lie inside the record.
bool KerningInside(const BYTE* record, DWORD size) {
    const u64 count = orla::ReadLe32(record, fontrec::kKernPairCount);
    if (count == 0) return true;
    const u64 at = orla::ReadLe32(record, fontrec::kKernPairsAt);
    return at >= fontrec::kRecordHeaderSize && at % alignof(FD_KERNINGPAIR) == 0 &&
           at + (count + 1) * fontrec::kKerningPairSize <= size;
}

// At least one width, and the widths and their code bytes lie inside the record.
bool WidthTableInside(const BYTE* record, DWORD size) {
    const u64 count = orla::ReadLe32(record, fontrec::kWidthCount);
    const u64 at = orla::ReadLe32(record, fontrec::kWidthTableAt);
    if (count == 0 || count > 0x10000 || at < fontrec::kRecordHeaderSize || at % 2 != 0) return false;
    const u64 codesAt = (at + count * 2 + 3) & ~3ull;
    return codesAt + count <= size;
}

// A UTF-16 name at an IFIMETRICS offset, terminated inside the IFIMETRICS block.
bool IfiNameInside(const BYTE* ifi, ULONG cjThis, PTRDIFF at) {
    if (at < static_cast<PTRDIFF>(sizeof(IFIMETRICS)) || at % 2 != 0 || static_cast<u64>(at) >= cjThis) return false;
    for (u64 i = static_cast<u64>(at); i + 2 <= cjThis; i += 2)
        if (orla::LoadLe16(ifi + i) == 0) return true;
    return false;
}

// The IFIMETRICS, with the names it points at, lies inside the record at a pointer-aligned offset.
bool IfiMetricsInside(const BYTE* record, DWORD size) {
    const u64 at = orla::ReadLe32(record, fontrec::kIfiMetricsAt);
    if (at < fontrec::kRecordHeaderSize || at % alignof(IFIMETRICS) != 0 || at + sizeof(IFIMETRICS) > size)
        return false;
    IFIMETRICS ifi;
    std::memcpy(&ifi, record + at, sizeof ifi);
    if (ifi.cjThis < sizeof(IFIMETRICS) || at + ifi.cjThis > size || ifi.fwdUnitsPerEm <= 0) return false;
    // The font box is in notional units: anything past a 16-bit coordinate is damage.
    for (LONG edge : {ifi.rclFontBox.left, ifi.rclFontBox.top, ifi.rclFontBox.right, ifi.rclFontBox.bottom})
        if (edge < -kNotionalLimit || edge > kNotionalLimit) return false;
    for (PTRDIFF name : {ifi.dpwszFamilyName, ifi.dpwszStyleName, ifi.dpwszFaceName, ifi.dpwszUniqueName})
        if (!IfiNameInside(record + at, ifi.cjThis, name)) return false;
    return true;
}

// ---- Resources ----
const BYTE* ResourceBytes(HMODULE module, WORD type, WORD id, DWORD* size) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    if (found == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    *size = SizeofResource(module, found);
    return loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

// The glyph set image's counts agree with its size and with each other.
bool GlyphSetImageIsSound(const BYTE* image, DWORD size, DWORD* runs, DWORD* glyphs) {
    if (size < fontrec::kGlyphSetHeaderSize) return false;
    *runs = orla::ReadLe32(image, fontrec::kGlyphSetRunCountAt);
    *glyphs = orla::ReadLe32(image, fontrec::kGlyphSetGlyphCountAt);
    const u64 expected = fontrec::kGlyphSetHeaderSize + u64{*runs} * fontrec::kGlyphSetRunSize +
                         u64{*glyphs} * fontrec::kGlyphSetHandleSize;
    if (expected != size || *runs == 0) return false;
    u64 total = 0;
    for (DWORD r = 0; r < *runs; ++r)
        total += orla::LoadLe16(image + fontrec::kGlyphSetHeaderSize + r * fontrec::kGlyphSetRunSize + 2);
    return total == *glyphs;
}

// The engine's FD_GLYPHSET from the stored image: the runs' handle pointers are set to their
// place in the handle array, which follows the runs in the same block.
FD_GLYPHSET* GlyphSetFromImage(const BYTE* image, DWORD runs, DWORD glyphs) {
    const size_t header = offsetof(FD_GLYPHSET, awcrun) + size_t{runs} * sizeof(WCRUN);
    const size_t total = header + size_t{glyphs} * sizeof(HGLYPH);
    auto* set = static_cast<FD_GLYPHSET*>(GlobalAlloc(GPTR, total));
    if (set == nullptr) return nullptr;
    auto* handles = reinterpret_cast<HGLYPH*>(reinterpret_cast<BYTE*>(set) + header);
    set->cjThis = static_cast<ULONG>(total);
    set->flAccel = orla::ReadLe32(image, fontrec::kGlyphSetAccelAt);
    set->cGlyphsSupported = glyphs;
    set->cRuns = runs;
    const BYTE* run = image + fontrec::kGlyphSetHeaderSize;
    const BYTE* stored = run + size_t{runs} * fontrec::kGlyphSetRunSize;
    DWORD first = 0;
    for (DWORD r = 0; r < runs; ++r, run += fontrec::kGlyphSetRunSize) {
        set->awcrun[r].wcLow = orla::LoadLe16(run);
        set->awcrun[r].cGlyphs = orla::LoadLe16(run + 2);
        set->awcrun[r].phg = handles + first;
        first += set->awcrun[r].cGlyphs;
    }
    for (DWORD g = 0; g < glyphs; ++g) handles[g] = orla::ReadLe32(stored, g * fontrec::kGlyphSetHandleSize);
    return set;
}

FD_GLYPHSET* LoadShiftJisGlyphSet(HMODULE module) {
    DWORD size = 0, runs = 0, glyphs = 0;
    const BYTE* image =
        ResourceBytes(module, fontrec::kShiftJisGlyphSetResourceType, fontrec::kShiftJisGlyphSetId, &size);
    if (image == nullptr || !GlyphSetImageIsSound(image, size, &runs, &glyphs)) {
        DriverLog("Shift-JIS glyph set resource missing or malformed (%u bytes)", size);
        return nullptr;
    }
    return GlyphSetFromImage(image, runs, glyphs);
}

// One lock for the process: two device contexts may ask for the set at the same moment.
std::mutex g_shiftJisLock;

bool DoubleByteCharSet(BYTE charSet) {
    return charSet == SHIFTJIS_CHARSET || charSet == kHangeulCharSet || charSet == kChineseBig5CharSet;
}

}  // namespace

BOOL DeviceFontRecordIsSound(const BYTE* record, DWORD size) {
    if (size < fontrec::kRecordHeaderSize || orla::ReadLe32(record, fontrec::kRecordSize) > size ||
        orla::ReadLe32(record, fontrec::kRecordVersion) != fontrec::kRecordVersionValue)
        return false;
    return AsciiInside(record, size, orla::ReadLe32(record, fontrec::kDisplayNameAt), 1) &&
           AsciiInside(record, size, orla::ReadLe32(record, fontrec::kStyleNameAt), 1) &&
           AsciiInside(record, size, orla::ReadLe32(record, fontrec::kFamilyNameAt), 1) &&
           AsciiInside(record, size, orla::ReadLe32(record, fontrec::kSelectionTextAt), fontrec::kSelectionTextChars) &&
           KerningInside(record, size) && WidthTableInside(record, size) && IfiMetricsInside(record, size);
}

void* LoadDeviceFontRecord(PrinterPdev* pdev, ULONG fontId) {
    if (fontId == 0 || fontId > 0xFFFF) return nullptr;
    DWORD size = 0;
    const BYTE* bytes = ResourceBytes(pdev->module, fontrec::kDeviceFontResourceType, static_cast<WORD>(fontId), &size);
    if (bytes == nullptr) return nullptr;
    if (!DeviceFontRecordIsSound(bytes, size)) {
        DriverLog("device-font record %u is malformed (%u bytes)", fontId, size);
        return nullptr;
    }
    void* copy = PdevAlloc(pdev->allocationList, size);
    if (copy != nullptr) std::memcpy(copy, bytes, size);
    return copy;
}

BOOL LoadDeviceFonts(PrinterPdev* pdev) {
    if (pdev->fonts.count == 0) return TRUE;
    PdevAllocationList* list = pdev->allocationList;
    pdev->fonts.records = static_cast<void**>(PdevAlloc(list, (pdev->fonts.count + 1) * sizeof(void*)));
    if (pdev->fonts.records == nullptr) return FALSE;
    for (BYTE i = 0; i < pdev->fonts.count; ++i) {
        pdev->fonts.records[i] = LoadDeviceFontRecord(pdev, i + 1u);
        if (pdev->fonts.records[i] != nullptr) continue;
        // Offering a font GDI cannot query would fail every text call in it: offer none.
        DriverLog("device font %u cannot be loaded; no device fonts offered", i + 1u);
        for (BYTE j = 0; j < i; ++j) PdevFree(list, pdev->fonts.records[j]);
        PdevFree(list, pdev->fonts.records);
        pdev->fonts.records = nullptr;
        pdev->fonts.count = 0;
        break;
    }
    return TRUE;
}

const BYTE* DeviceFontRecordOf(const PrinterPdev* pdev, ULONG face) {
    if (face == 0 || face > pdev->fonts.count || pdev->fonts.records == nullptr) return nullptr;
    return static_cast<const BYTE*>(pdev->fonts.records[face - 1]);
}

const IFIMETRICS* RecordIfiMetrics(const BYTE* record) {
    return reinterpret_cast<const IFIMETRICS*>(record + orla::ReadLe32(record, fontrec::kIfiMetricsAt));
}

const char* RecordSelectionText(const BYTE* record) {
    return reinterpret_cast<const char*>(record + orla::ReadLe32(record, fontrec::kSelectionTextAt));
}

const char* RecordDisplayName(const BYTE* record) {
    return reinterpret_cast<const char*>(record + orla::ReadLe32(record, fontrec::kDisplayNameAt));
}

std::span<const FD_KERNINGPAIR> RecordKerningPairs(const BYTE* record) {
    const DWORD count = orla::ReadLe32(record, fontrec::kKernPairCount);
    if (count == 0) return {};
    return {reinterpret_cast<const FD_KERNINGPAIR*>(record + orla::ReadLe32(record, fontrec::kKernPairsAt)),
            count + 1u};
}

LONG RecordWidthOfCode(const BYTE* record, BYTE code) {
    const DWORD count = orla::ReadLe32(record, fontrec::kWidthCount);
    const DWORD at = orla::ReadLe32(record, fontrec::kWidthTableAt);
    const BYTE* codes = record + fontrec::WidthCodesAt(at, count);
    for (DWORD i = 0; i < count; ++i)
        if (codes[i] == code) return orla::LoadLe16(record + at + 2 * i);
    return -1;
}

LONG RecordFirstWidth(const BYTE* record) {
    return orla::LoadLe16(record + orla::ReadLe32(record, fontrec::kWidthTableAt));
}

BOOL IsVerticalWritingFace(const BYTE* record) {
    const IFIMETRICS* ifi = RecordIfiMetrics(record);
    return orla::LoadLe16(reinterpret_cast<const BYTE*>(ifi) + ifi->dpwszFamilyName) == u'@';
}

LONG DeviceFontAdvance(const BYTE* record, HGLYPH hg) {
    if (DoubleByteCharSet(RecordIfiMetrics(record)->jWinCharSet)) {
        const bool wideCells = RecordSelectionText(record)[7] == '9';
        if (hg > 0xFF) return wideCells ? 1200 : 1000;
        return wideCells ? 600 : 500;
    }
    for (BYTE code : {static_cast<BYTE>(hg & 0xFF), kDefaultWidthCode, kSpaceCode}) {
        LONG width = RecordWidthOfCode(record, code);
        if (width >= 0) return width;
    }
    return RecordFirstWidth(record);
}

LONG DeviceFontGlyphAdvance(const BYTE* record, HGLYPH hg) {
    const IFIMETRICS* ifi = RecordIfiMetrics(record);
    if (!DoubleByteCharSet(ifi->jWinCharSet)) return DeviceFontAdvance(record, hg);
    const LONG cell = (ifi->flInfo & FM_INFO_DBCS_FIXED_PITCH) != 0 ? ifi->fwdMaxCharInc : ifi->fwdAveCharWidth;
    return hg < 0x100 ? cell / 2 : cell;
}

FD_GLYPHSET* ShiftJisGlyphSet(HMODULE module) {
    std::lock_guard<std::mutex> hold(g_shiftJisLock);
    void*& holder = ShiftJisGlyphSetHolder();
    if (holder == nullptr) holder = LoadShiftJisGlyphSet(module);
    return static_cast<FD_GLYPHSET*>(holder);
}
