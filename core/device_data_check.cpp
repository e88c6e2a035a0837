// Consistency check of a compiled device data block from outside (the cache file): every count,
// offset and string is checked before any reader or caller relies on it.
#include "core/device_data.h"

namespace orla {

namespace {

struct Checker {
    const BYTE* block;
    DWORD size;

    DWORD Field(DWORD offset) const { return LoadLe32(block + offset); }

    // A string that starts on a 4-byte boundary inside the block, after the header, and ends in a
    // terminator inside the block within maxChars characters.
    bool String(DWORD offset, DWORD maxChars) const {
        if (offset < dd::kHeaderSize || offset >= size || (offset & 3) != 0) return false;
        DWORD units = (size - offset) / 2;
        for (DWORD i = 0; i < units && i <= maxChars; ++i)
            if ((block[offset + 2 * i] | block[offset + 2 * i + 1]) == 0) return true;
        return false;
    }

    // A list of count records of recordSize bytes inside the block, on a 4-byte boundary.
    bool List(DWORD countField, DWORD listField, DWORD capacity, DWORD recordSize) const {
        DWORD count = Field(countField);
        DWORD offset = Field(listField);
        if (count > capacity || offset < dd::kHeaderSize || offset > size || (offset & 3) != 0) return false;
        return count <= (size - offset) / recordSize;
    }

    bool NamedValues(DWORD countField, DWORD listField, DWORD capacity) const {
        if (!List(countField, listField, capacity, dd::kNamedValueSize)) return false;
        DWORD offset = Field(listField);
        for (DWORD i = 0; i < Field(countField); ++i)
            if (!String(Field(offset + i * dd::kNamedValueSize + dd::kNamedValueName), dd::kListTextChars))
                return false;
        return true;
    }

    bool Forms(DWORD countField, DWORD listField) const {
        if (!List(countField, listField, dd::kLargeListCapacity, dd::kFormSize)) return false;
        DWORD offset = Field(listField);
        for (DWORD i = 0; i < Field(countField); ++i)
            if (!String(Field(offset + i * dd::kFormSize + dd::kFormName), dd::kListTextChars)) return false;
        return true;
    }

    // A default record's offset lies inside the block; when it is present (it lies before the list
    // laid out behind it) the record fits and its name, if any, is sound.
    bool Default(DWORD recordField, DWORD recordSize, DWORD followingListField, DWORD nameOffsetInRecord) const {
        DWORD offset = Field(recordField);
        if (offset < dd::kHeaderSize || offset > size || (offset & 3) != 0) return false;
        if (size - offset < recordSize || offset + recordSize > Field(followingListField)) return true;  // absent
        if (nameOffsetInRecord == ~0u) return true;
        return String(Field(offset + nameOffsetInRecord), dd::kListTextChars);
    }
};

}  // namespace

BOOL ValidateDeviceData(const BYTE* block, DWORD size) {
    if (!block || size < dd::kHeaderSize || (size & 3) != 0) return FALSE;
    Checker c{block, size};
    if (c.Field(dd::kTotalSize) != size) return FALSE;
    if (!c.String(c.Field(dd::kFriendlyName), dd::kNameTextChars)) return FALSE;
    if (!c.String(c.Field(dd::kPrinterName), dd::kNameTextChars)) return FALSE;
    if (!c.List(dd::kMemorySizeCount, dd::kMemorySizeList, dd::kSmallListCapacity, dd::kMemorySizeSize)) return FALSE;
    if (!c.Default(dd::kDefaultMemorySize, dd::kMemorySizeSize, dd::kMemorySizeList, ~0u)) return FALSE;
    if (!c.NamedValues(dd::kSupportFeatureCount, dd::kSupportFeatureList, dd::kSmallListCapacity)) return FALSE;
    if (!c.List(dd::kResolutionCount, dd::kResolutionList, dd::kSmallListCapacity, dd::kResolutionSize)) return FALSE;
    for (DWORD i = 0; i < c.Field(dd::kResolutionCount); ++i) {
        DWORD rec = c.Field(dd::kResolutionList) + i * dd::kResolutionSize;
        if (!c.String(c.Field(rec + dd::kResolutionText1), dd::kListTextChars)) return FALSE;
        if (!c.String(c.Field(rec + dd::kResolutionText2), dd::kListTextChars)) return FALSE;
    }
    if (!c.Default(dd::kDefaultInputSlot, dd::kNamedValueSize, dd::kInputSlotList, dd::kNamedValueName)) return FALSE;
    if (!c.NamedValues(dd::kInputSlotCount, dd::kInputSlotList, dd::kSmallListCapacity)) return FALSE;
    if (!c.NamedValues(dd::kInputDeviceCount, dd::kInputDeviceList, dd::kLargeListCapacity)) return FALSE;
    if (!c.NamedValues(dd::kOptionDeviceCount, dd::kOptionDeviceList, dd::kLargeListCapacity)) return FALSE;
    if (!c.NamedValues(dd::kFormDeviceCount, dd::kFormDeviceList, dd::kLargeListCapacity)) return FALSE;
    if (!c.Default(dd::kDefaultForm, dd::kFormSize, dd::kFormPortList, dd::kFormName)) return FALSE;
    if (!c.Forms(dd::kFormPortCount, dd::kFormPortList)) return FALSE;
    if (!c.Forms(dd::kFormLandCount, dd::kFormLandList)) return FALSE;
    if (!c.Forms(dd::kFormPortCompatibleCount, dd::kFormPortCompatibleList)) return FALSE;
    if (!c.Forms(dd::kFormLandCompatibleCount, dd::kFormLandCompatibleList)) return FALSE;
    if (!c.NamedValues(dd::kApplicationCount, dd::kApplicationList, dd::kLargeListCapacity)) return FALSE;
    return TRUE;
}

}  // namespace orla
