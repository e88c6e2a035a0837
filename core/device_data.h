// Compiled device data: the binary form of a printer model's device description, the content of
// its cache file (".KDC") and the block every settings record and device context is built against.
//
// The block is a persisted format: every field is a 32-bit little-endian value at a fixed offset,
// every "offset" is a byte offset from the start of the block. Readers below never read past the
// block's own size (its first field), so a damaged block yields zeros and empty strings, not a
// stray read.
#pragma once

#include <cstring>
#include <iterator>
#include <optional>
#include <span>
#include <string_view>

#include "core/little_endian.h"
#include "win/base.h"

namespace orla {

// The raw block. Only ever handled through pointers; read it with the readers below.
struct CompiledDeviceData;

namespace dd {

// ---- Header: 43 fields of 32 bits ----
inline constexpr DWORD kTotalSize = 0;
inline constexpr DWORD kVersion = 4;       // signed
inline constexpr DWORD kFriendlyName = 8;  // string offset
inline constexpr DWORD kPrinterName = 12;  // string offset
inline constexpr DWORD kPPM = 16;          // signed
inline constexpr DWORD kPrivateID = 20;
inline constexpr DWORD kDefaultLocalDay = 24;   // signed
inline constexpr DWORD kDefaultLocalTime = 28;  // signed
inline constexpr DWORD kFlags = 32;
inline constexpr DWORD kPresetFlags = 36;
inline constexpr DWORD kReserved = 40;
inline constexpr DWORD kMemorySizeCount = 44;
inline constexpr DWORD kMemorySizeList = 48;
inline constexpr DWORD kDefaultMemorySize = 52;  // record offset
inline constexpr DWORD kSupportFeatureCount = 56;
inline constexpr DWORD kSupportFeatureList = 60;
inline constexpr DWORD kResolutionCount = 64;
inline constexpr DWORD kResolutionList = 68;
inline constexpr DWORD kDefaultResolution = 72;  // signed
inline constexpr DWORD kInputSlotCount = 76;
inline constexpr DWORD kInputSlotList = 80;
inline constexpr DWORD kDefaultInputSlot = 84;  // record offset
inline constexpr DWORD kInputDeviceCount = 88;
inline constexpr DWORD kInputDeviceList = 92;
inline constexpr DWORD kOptionDeviceCount = 96;
inline constexpr DWORD kOptionDeviceList = 100;
inline constexpr DWORD kFormDeviceCount = 104;
inline constexpr DWORD kFormDeviceList = 108;
inline constexpr DWORD kMaxFormWidth = 112;   // signed, "*MaxForm" first value
inline constexpr DWORD kMaxFormLength = 116;  // signed, "*MaxForm" second value
inline constexpr DWORD kMinFormWidth = 120;   // signed
inline constexpr DWORD kMinFormLength = 124;  // signed
inline constexpr DWORD kFormPortCount = 128;
inline constexpr DWORD kFormPortList = 132;
inline constexpr DWORD kFormLandCount = 136;
inline constexpr DWORD kFormLandList = 140;
inline constexpr DWORD kFormPortCompatibleCount = 144;
inline constexpr DWORD kFormPortCompatibleList = 148;
inline constexpr DWORD kFormLandCompatibleCount = 152;
inline constexpr DWORD kFormLandCompatibleList = 156;
inline constexpr DWORD kDefaultForm = 160;  // record offset
inline constexpr DWORD kApplicationCount = 164;
inline constexpr DWORD kApplicationList = 168;
inline constexpr DWORD kHeaderSize = 172;
static_assert(kApplicationList + 4 == kHeaderSize, "the header is 43 fields of 32 bits");

// ---- Records ----
// Named value: name offset, value.
inline constexpr DWORD kNamedValueName = 0;
inline constexpr DWORD kNamedValueValue = 4;
inline constexpr DWORD kNamedValueSize = 8;
// Memory size: seven decimals in file order (the first is kilobytes of memory).
inline constexpr DWORD kMemorySizeValues = 7;
inline constexpr DWORD kMemorySizeSize = 4 * kMemorySizeValues;
// Resolution: dpi, first text offset, second decimal, second text offset, third decimal.
inline constexpr DWORD kResolutionDpi = 0;
inline constexpr DWORD kResolutionText1 = 4;
inline constexpr DWORD kResolutionValue2 = 8;
inline constexpr DWORD kResolutionText2 = 12;
inline constexpr DWORD kResolutionValue3 = 16;
inline constexpr DWORD kResolutionSize = 20;
// Form, shaped like the spooler's FORM_INFO_1 (sizes in micrometres).
inline constexpr DWORD kFormFlags = 0;
inline constexpr DWORD kFormName = 4;
inline constexpr DWORD kFormWidth = 8;
inline constexpr DWORD kFormLength = 12;
inline constexpr DWORD kFormLeft = 16;
inline constexpr DWORD kFormTop = 20;
inline constexpr DWORD kFormRight = 24;
inline constexpr DWORD kFormBottom = 28;
inline constexpr DWORD kFormSize = 32;
static_assert(kNamedValueSize == 8 && kMemorySizeSize == 28 && kResolutionSize == 20 && kFormSize == 32);
static_assert(kFormBottom + 4 == kFormSize);

// ---- Capacities and text limits of the description ----
inline constexpr DWORD kSmallListCapacity = 16;  // features, memory sizes, resolutions, input slots
inline constexpr DWORD kLargeListCapacity = 64;  // devices, options, form devices, forms, applications
inline constexpr DWORD kListTextChars = 79;      // a text in a list entry
inline constexpr DWORD kNameTextChars = 127;     // "*FriendlyName" and "*PrinterName"
inline constexpr DWORD kLineUnits = 160;         // line buffer, terminator included
inline constexpr DWORD kTokenUnits = 80;         // token buffer, terminator included

}  // namespace dd

// ---- Field and string readers, bounded by the block ----

inline const BYTE* DeviceDataBytes(const CompiledDeviceData* data) {
    return reinterpret_cast<const BYTE*>(data);
}

// Size of the block (its first field); 0 for a null block.
inline DWORD DeviceDataSize(const CompiledDeviceData* data) {
    return data ? LoadLe32(DeviceDataBytes(data)) : 0;
}

// The 32-bit field at a byte offset; 0 when it does not lie wholly inside the block.
inline DWORD DeviceDataField(const CompiledDeviceData* data, DWORD offset) {
    DWORD size = DeviceDataSize(data);
    if (size < 4 || offset > size - 4) return 0;
    return LoadLe32(DeviceDataBytes(data) + offset);
}

inline LONG DeviceDataSignedField(const CompiledDeviceData* data, DWORD offset) {
    return static_cast<LONG>(DeviceDataField(data, offset));
}

// The NUL-terminated UTF-16 string at a byte offset. Empty when the offset lies outside the block
// or is not 2-byte aligned; a string without a terminator inside the block ends at the block's end.
inline std::u16string_view DeviceDataString(const CompiledDeviceData* data, DWORD offset) {
    DWORD size = DeviceDataSize(data);
    if (size == 0 || offset >= size || (offset & 1) != 0) return {};
    const BYTE* p = DeviceDataBytes(data) + offset;
    DWORD units = (size - offset) / 2;
    DWORD n = 0;
    while (n < units && (p[2 * n] | p[2 * n + 1]) != 0) ++n;
    // The block is 4-byte aligned in memory and offset is even, so p is suitably aligned for WCHAR.
    return std::u16string_view(reinterpret_cast<const WCHAR*>(p), n);
}

// "*Version" of the caller's own block (never of the shared block behind the caller's back).
inline LONG DeviceDataVersion(const CompiledDeviceData* data) {
    return DeviceDataSignedField(data, dd::kVersion);
}
inline std::u16string_view DeviceFriendlyName(const CompiledDeviceData* data) {
    return DeviceDataString(data, DeviceDataField(data, dd::kFriendlyName));
}
inline std::u16string_view DevicePrinterName(const CompiledDeviceData* data) {
    return DeviceDataString(data, DeviceDataField(data, dd::kPrinterName));
}

// ---- Decoded records ----

struct NamedValueEntry {
    std::u16string_view name;
    DWORD value;
};

struct MemorySizeEntry {
    LONG values[dd::kMemorySizeValues];  // values[0]: memory in kilobytes
};

struct ResolutionEntry {
    LONG dpi;
    std::u16string_view text1;
    LONG value2;
    std::u16string_view text2;
    LONG value3;
};

struct FormEntry {
    DWORD flags;
    std::u16string_view name;
    LONG width;  // micrometres
    LONG length;
    LONG left;  // imageable area
    LONG top;
    LONG right;
    LONG bottom;
};

inline NamedValueEntry DecodeNamedValue(const CompiledDeviceData* data, DWORD offset) {
    return {DeviceDataString(data, DeviceDataField(data, offset + dd::kNamedValueName)),
            DeviceDataField(data, offset + dd::kNamedValueValue)};
}

inline MemorySizeEntry DecodeMemorySize(const CompiledDeviceData* data, DWORD offset) {
    MemorySizeEntry e{};
    for (DWORD i = 0; i < dd::kMemorySizeValues; ++i) e.values[i] = DeviceDataSignedField(data, offset + 4 * i);
    return e;
}

inline ResolutionEntry DecodeResolution(const CompiledDeviceData* data, DWORD offset) {
    return {DeviceDataSignedField(data, offset + dd::kResolutionDpi),
            DeviceDataString(data, DeviceDataField(data, offset + dd::kResolutionText1)),
            DeviceDataSignedField(data, offset + dd::kResolutionValue2),
            DeviceDataString(data, DeviceDataField(data, offset + dd::kResolutionText2)),
            DeviceDataSignedField(data, offset + dd::kResolutionValue3)};
}

inline FormEntry DecodeForm(const CompiledDeviceData* data, DWORD offset) {
    return {DeviceDataField(data, offset + dd::kFormFlags),
            DeviceDataString(data, DeviceDataField(data, offset + dd::kFormName)),
            DeviceDataSignedField(data, offset + dd::kFormWidth),
            DeviceDataSignedField(data, offset + dd::kFormLength),
            DeviceDataSignedField(data, offset + dd::kFormLeft),
            DeviceDataSignedField(data, offset + dd::kFormTop),
            DeviceDataSignedField(data, offset + dd::kFormRight),
            DeviceDataSignedField(data, offset + dd::kFormBottom)};
}

// ---- List views ----
// A view over one list of the block. Its size is the header's count, cut down to the records that
// lie wholly inside the block, so indexing within size() never reads past it.
template <typename Entry, Entry (*Decode)(const CompiledDeviceData*, DWORD), DWORD RecordSize>
struct DeviceRecordList {
    const CompiledDeviceData* data = nullptr;
    DWORD count = 0;
    DWORD offset = 0;

    DWORD size() const { return count; }
    bool empty() const { return count == 0; }
    Entry operator[](DWORD i) const { return Decode(data, offset + i * RecordSize); }

    struct iterator {
        const DeviceRecordList* list;
        DWORD i;
        using iterator_category = std::input_iterator_tag;
        using value_type = Entry;
        using difference_type = std::ptrdiff_t;
        Entry operator*() const { return (*list)[i]; }
        iterator& operator++() {
            ++i;
            return *this;
        }
        bool operator==(const iterator& o) const { return i == o.i; }
        bool operator!=(const iterator& o) const { return i != o.i; }
    };
    iterator begin() const { return {this, 0}; }
    iterator end() const { return {this, count}; }
};

using NamedValueList = DeviceRecordList<NamedValueEntry, DecodeNamedValue, dd::kNamedValueSize>;
using MemorySizeList = DeviceRecordList<MemorySizeEntry, DecodeMemorySize, dd::kMemorySizeSize>;
using ResolutionList = DeviceRecordList<ResolutionEntry, DecodeResolution, dd::kResolutionSize>;
using FormList = DeviceRecordList<FormEntry, DecodeForm, dd::kFormSize>;

template <typename List, DWORD RecordSize>
inline List MakeDeviceList(const CompiledDeviceData* data, DWORD countField, DWORD listField) {
    List list;
    DWORD size = DeviceDataSize(data);
    DWORD count = DeviceDataField(data, countField);
    DWORD offset = DeviceDataField(data, listField);
    if (count == 0 || offset < dd::kHeaderSize || offset > size) return list;
    DWORD room = (size - offset) / RecordSize;
    list.data = data;
    list.offset = offset;
    list.count = count < room ? count : room;
    return list;
}

inline NamedValueList SupportFeatures(const CompiledDeviceData* d) {
    return MakeDeviceList<NamedValueList, dd::kNamedValueSize>(d, dd::kSupportFeatureCount, dd::kSupportFeatureList);
}
inline MemorySizeList MemorySizes(const CompiledDeviceData* d) {
    return MakeDeviceList<MemorySizeList, dd::kMemorySizeSize>(d, dd::kMemorySizeCount, dd::kMemorySizeList);
}
inline ResolutionList Resolutions(const CompiledDeviceData* d) {
    return MakeDeviceList<ResolutionList, dd::kResolutionSize>(d, dd::kResolutionCount, dd::kResolutionList);
}
inline NamedValueList InputSlots(const CompiledDeviceData* d) {
    return MakeDeviceList<NamedValueList, dd::kNamedValueSize>(d, dd::kInputSlotCount, dd::kInputSlotList);
}
inline NamedValueList InputDevices(const CompiledDeviceData* d) {
    return MakeDeviceList<NamedValueList, dd::kNamedValueSize>(d, dd::kInputDeviceCount, dd::kInputDeviceList);
}
inline NamedValueList OptionDevices(const CompiledDeviceData* d) {
    return MakeDeviceList<NamedValueList, dd::kNamedValueSize>(d, dd::kOptionDeviceCount, dd::kOptionDeviceList);
}
inline NamedValueList FormDevices(const CompiledDeviceData* d) {
    return MakeDeviceList<NamedValueList, dd::kNamedValueSize>(d, dd::kFormDeviceCount, dd::kFormDeviceList);
}
inline FormList PortraitForms(const CompiledDeviceData* d) {
    return MakeDeviceList<FormList, dd::kFormSize>(d, dd::kFormPortCount, dd::kFormPortList);
}
inline FormList LandscapeForms(const CompiledDeviceData* d) {
    return MakeDeviceList<FormList, dd::kFormSize>(d, dd::kFormLandCount, dd::kFormLandList);
}
inline FormList CompatiblePortraitForms(const CompiledDeviceData* d) {
    return MakeDeviceList<FormList, dd::kFormSize>(d, dd::kFormPortCompatibleCount, dd::kFormPortCompatibleList);
}
inline FormList CompatibleLandscapeForms(const CompiledDeviceData* d) {
    return MakeDeviceList<FormList, dd::kFormSize>(d, dd::kFormLandCompatibleCount, dd::kFormLandCompatibleList);
}
inline NamedValueList Applications(const CompiledDeviceData* d) {
    return MakeDeviceList<NamedValueList, dd::kNamedValueSize>(d, dd::kApplicationCount, dd::kApplicationList);
}

// ---- Default records ----
// The block has no presence flag: an absent default record has the offset of the list laid out
// right behind it. A record counts as present only when it lies wholly inside the block and
// before that list; otherwise there is none and the caller falls back to its own default.
inline bool DeviceDefaultPresent(const CompiledDeviceData* data, DWORD recordField, DWORD recordSize,
                                 DWORD followingListField) {
    DWORD size = DeviceDataSize(data);
    DWORD offset = DeviceDataField(data, recordField);
    DWORD following = DeviceDataField(data, followingListField);
    if (offset < dd::kHeaderSize || offset > size || size - offset < recordSize) return false;
    return offset + recordSize <= following;
}

inline std::optional<MemorySizeEntry> DefaultMemorySize(const CompiledDeviceData* d) {
    if (!DeviceDefaultPresent(d, dd::kDefaultMemorySize, dd::kMemorySizeSize, dd::kMemorySizeList)) return std::nullopt;
    return DecodeMemorySize(d, DeviceDataField(d, dd::kDefaultMemorySize));
}
inline std::optional<NamedValueEntry> DefaultInputSlot(const CompiledDeviceData* d) {
    if (!DeviceDefaultPresent(d, dd::kDefaultInputSlot, dd::kNamedValueSize, dd::kInputSlotList)) return std::nullopt;
    return DecodeNamedValue(d, DeviceDataField(d, dd::kDefaultInputSlot));
}
inline std::optional<FormEntry> DefaultForm(const CompiledDeviceData* d) {
    if (!DeviceDefaultPresent(d, dd::kDefaultForm, dd::kFormSize, dd::kFormPortList)) return std::nullopt;
    return DecodeForm(d, DeviceDataField(d, dd::kDefaultForm));
}

// Full consistency check of a block of the given byte size: the size field equals the size, every
// count is within its capacity, every list, record and string lies inside the block on a 4-byte
// boundary and every string is terminated inside it. The cache reader trusts nothing less.
BOOL ValidateDeviceData(const BYTE* block, DWORD size);

// ---- Compiler, cache file and the per-process shared block ----
// Every block handed out here is one global-memory block (GlobalAlloc with GPTR); blocks from
// GetCompiledDeviceData, ReadDeviceDataCache and CompileDeviceDescription are freed with GlobalFree,
// blocks from GetDeviceData are given back with ReleaseDeviceData.

void DeviceDataCacheInit(void);
void DeviceDataCacheTerm(void);
const CompiledDeviceData* GetDeviceData(HANDLE hPrinter);
void ReleaseDeviceData(const CompiledDeviceData* data);
// Use count of the shared block (0 when there is none); read under the lock.
DWORD DeviceDataSharedUseCount(void);

BOOL LoadDeviceDescription(LPCWSTR dataFile, BYTE* buffer, DWORD bufferSize, DWORD* needed);
CompiledDeviceData* GetCompiledDeviceData(LPCWSTR dataFile);
CompiledDeviceData* ReadDeviceDataCache(LPCWSTR dataFile, BOOL* valid);
// The cache file's path into out (cchOut units, terminator included); FALSE when it does not fit.
BOOL MakeCacheFileName(LPWSTR out, DWORD cchOut, LPCWSTR dataFile);
BOOL WriteDeviceDataCache(LPCWSTR dataFile, const CompiledDeviceData* data);
CompiledDeviceData* CompileDeviceDescription(LPCWSTR dataFile);
// The compiler's core, on description text already in memory (UTF-16LE bytes, BOM optional).
CompiledDeviceData* CompileDeviceText(std::span<const BYTE> text);

}  // namespace orla
