// Device description compiler: the model's UTF-16 keyword text into one `CompiledDeviceData` block.
#include <algorithm>
#include <array>
#include <memory>

#include "core/device_data.h"
#include "core/support.h"
#include "win/kernel.h"

namespace orla {

namespace {

// ---- Keywords ----

enum KeywordId : int {
    kNoKeyword = 0,
    kVersionKw,
    kFriendlyNameKw,
    kPrinterNameKw,
    kPpmKw,
    kPrivateIdKw,
    kDefaultLocalDayKw,
    kDefaultLocalTimeKw,
    kFlagsKw,
    kPresetFlagsKw,
    kSupportFeatureKw,
    kDefaultMemorySizeKw,
    kMemorySizeKw,
    kDefaultResolutionKw,
    kResolutionKw,
    kDefaultInputSlotKw,
    kInputSlotKw,
    kInputDeviceKw,
    kOptionDeviceKw,
    kFormDeviceKw,
    kMaxFormKw,
    kMinFormKw,
    kDefaultFormKw,
    kFormPortKw,
    kFormLandKw,
    kFormPortCompatibleKw,
    kFormLandCompatibleKw,
    kApplicationKw,
};

struct DeviceKeyword {
    int id;
    std::u16string_view keyword;
};

constexpr DeviceKeyword DeviceKeywordTable[] = {
    {kVersionKw, u"*Version"},
    {kFriendlyNameKw, u"*FriendlyName"},
    {kPrinterNameKw, u"*PrinterName"},
    {kPpmKw, u"*PPM"},
    {kPrivateIdKw, u"*PrivateID"},
    {kDefaultLocalDayKw, u"*DefaultLocalDay"},
    {kDefaultLocalTimeKw, u"*DefaultLocalTime"},
    {kFlagsKw, u"*Flags"},
    {kPresetFlagsKw, u"*PresetFlags"},
    {kSupportFeatureKw, u"*SupportFeature"},
    {kDefaultMemorySizeKw, u"*DefaultMemorySize"},
    {kMemorySizeKw, u"*MemorySize"},
    {kDefaultResolutionKw, u"*DefaultResolution"},
    {kResolutionKw, u"*Resolution"},
    {kDefaultInputSlotKw, u"*DefaultInputSlot"},
    {kInputSlotKw, u"*InputSlot"},
    {kInputDeviceKw, u"*InputDevice"},
    {kOptionDeviceKw, u"*OptionDevice"},
    {kFormDeviceKw, u"*FormDevice"},
    {kMaxFormKw, u"*MaxForm"},
    {kMinFormKw, u"*MinForm"},
    {kDefaultFormKw, u"*DefaultForm"},
    {kFormPortKw, u"*FormPort"},
    {kFormLandKw, u"*FormLand"},
    {kFormPortCompatibleKw, u"*FormPortCompatible"},
    {kFormLandCompatibleKw, u"*FormLandCompatible"},
    {kApplicationKw, u"*Application"},
};
static_assert(std::size(DeviceKeywordTable) == 27);

int LookupKeyword(std::u16string_view token) {
    for (const DeviceKeyword& k : DeviceKeywordTable)
        if (k.keyword == token) return k.id;
    return kNoKeyword;
}

// ---- Parse area: every list at its capacity, texts at their field sizes ----

template <DWORD Chars>
struct Text {
    WCHAR chars[Chars + 1];
    DWORD length;  // characters, terminator not counted
    DWORD Bytes() const { return (length + 1) * 2; }
    DWORD PaddedBytes() const { return (Bytes() + 3) & ~3u; }
};
using ListText = Text<dd::kListTextChars>;
using NameText = Text<dd::kNameTextChars>;

struct ParsedNamedValue {
    ListText name;
    DWORD value;
};
struct ParsedMemorySize {
    LONG values[dd::kMemorySizeValues];
};
struct ParsedResolution {
    LONG dpi;
    ListText text1;
    LONG value2;
    ListText text2;
    LONG value3;
};
struct ParsedForm {
    ListText name;
    LONG values[6];  // width, length, imageable left, top, right, bottom
};

template <typename Entry, DWORD Capacity>
struct ParsedList {
    std::array<Entry, Capacity> entries;
    DWORD count;
    Entry* Next() { return count < Capacity ? &entries[count++] : nullptr; }
};

struct ParseArea {
    LONG version, ppm, localDay, localTime, defaultResolution;
    DWORD privateId, flags, presetFlags;
    LONG maxForm[2], minForm[2];
    NameText friendlyName, printerName;
    bool hasDefaultMemory, hasDefaultSlot, hasDefaultForm;
    ParsedMemorySize defaultMemory;
    ParsedNamedValue defaultSlot;
    ParsedForm defaultForm;
    ParsedList<ParsedNamedValue, dd::kSmallListCapacity> features;
    ParsedList<ParsedMemorySize, dd::kSmallListCapacity> memory;
    ParsedList<ParsedResolution, dd::kSmallListCapacity> resolutions;
    ParsedList<ParsedNamedValue, dd::kSmallListCapacity> slots;
    ParsedList<ParsedNamedValue, dd::kLargeListCapacity> inputDevices;
    ParsedList<ParsedNamedValue, dd::kLargeListCapacity> optionDevices;
    ParsedList<ParsedNamedValue, dd::kLargeListCapacity> formDevices;
    ParsedList<ParsedForm, dd::kLargeListCapacity> formPort;
    ParsedList<ParsedForm, dd::kLargeListCapacity> formLand;
    ParsedList<ParsedForm, dd::kLargeListCapacity> formPortCompatible;
    ParsedList<ParsedForm, dd::kLargeListCapacity> formLandCompatible;
    ParsedList<ParsedNamedValue, dd::kLargeListCapacity> applications;
};

// ---- Reader: lines, tokens and values ----

constexpr WCHAR kCr = 0x0D, kLf = 0x0A, kBlank = 0x20, kTab = 0x09, kQuote = 0x22;

bool IsBlank(WCHAR c) {
    return c == kBlank || c == kTab;
}

class DescriptionReader {
public:
    explicit DescriptionReader(std::span<const BYTE> bytes) : bytes_(bytes) {
        units_ = bytes.size() / 2;  // an odd last byte is no character
        if (units_ > 0 && UnitAt(0) == 0xFEFF) pos_ = 1;
    }

    // Reads the next line that holds a non-blank character into the line buffer; FALSE at the end.
    bool NextKeywordLine() {
        if (pending_) {  // a line that a missing value left unread
            pending_ = false;
            col_ = 0;
            return true;
        }
        while (ReadLine()) {
            if (HasNonBlank()) return true;
        }
        return false;
    }

    // The keyword token at the start of the line (after blanks).
    std::u16string_view Token() {
        SkipBlanksOnLine();
        DWORD n = 0;
        while (col_ < lineLength_) {
            WCHAR c = line_[col_];
            if (IsBlank(c)) break;
            ++col_;
            if (c == u':') continue;  // "*Version:" is the same token as "*Version"
            if (n < dd::kTokenUnits - 1) token_[n++] = c;
            if (c == u';') break;
        }
        return std::u16string_view(token_, n);
    }

    LONG Decimal() {
        if (pending_ || !SkipToValue(true)) return 0;
        bool negative = false;
        if (col_ < lineLength_ && line_[col_] == u'-') {
            negative = true;
            ++col_;
        }
        DWORD v = 0;
        bool any = false;
        while (col_ < lineLength_ && line_[col_] >= u'0' && line_[col_] <= u'9') {
            v = v * 10 + static_cast<DWORD>(line_[col_] - u'0');
            ++col_;
            any = true;
        }
        if (any && col_ < lineLength_ && line_[col_] == u'.') {
            // A fraction is read over and ignored.
            while (col_ < lineLength_ && !IsBlank(line_[col_]) && line_[col_] != kQuote) ++col_;
        }
        if (!any) return 0;
        return static_cast<LONG>(negative ? 0u - v : v);
    }

    DWORD Hexadecimal() {
        if (pending_ || !SkipToValue(false)) return 0;
        if (col_ >= lineLength_ || line_[col_] != u'0') return 0;
        ++col_;
        if (col_ < lineLength_ && (line_[col_] == u'x' || line_[col_] == u'X')) ++col_;
        DWORD v = 0;
        while (col_ < lineLength_) {
            WCHAR c = line_[col_];
            DWORD d;
            if (c >= u'0' && c <= u'9')
                d = c - u'0';
            else if (c >= u'A' && c <= u'F')
                d = c - u'A' + 10;
            else if (c >= u'a' && c <= u'f')
                d = c - u'a' + 10;
            else
                break;
            v = (v << 4) | d;
            ++col_;
        }
        return v;
    }

    // A quoted text. Characters past the field's size are read over and dropped. A '%' ends the
    // text's part on its line and continues it on the next line directly; a text still open at
    // the end of its line continues on the next one after a line feed. Without an opening
    // quotation mark on the line the text is empty.
    template <DWORD Chars>
    void ReadText(Text<Chars>& out) {
        out.length = 0;
        out.chars[0] = 0;
        if (pending_) return;  // the line belongs to the next keyword
        while (col_ < lineLength_ && line_[col_] != kQuote) ++col_;
        if (col_ >= lineLength_) return;
        ++col_;
        for (;;) {
            while (col_ < lineLength_) {
                WCHAR c = line_[col_++];
                if (c == kQuote) {
                    out.chars[out.length] = 0;
                    return;
                }
                if (c == u'%') {
                    col_ = lineLength_;
                    joinDirect_ = true;
                    break;
                }
                Append(out, c);
            }
            bool direct = joinDirect_;
            joinDirect_ = false;
            if (!ReadLine()) break;  // the end of the file closes the text
            if (!direct) Append(out, kLf);
        }
        out.chars[out.length] = 0;
    }

private:
    template <DWORD Chars>
    static void Append(Text<Chars>& out, WCHAR c) {
        if (out.length < Chars) out.chars[out.length++] = c;
    }

    WCHAR UnitAt(size_t i) const {
        return static_cast<WCHAR>(bytes_[2 * i] | (static_cast<WCHAR>(bytes_[2 * i + 1]) << 8));
    }

    // One line into the buffer. CR, LF and CR LF end a line; a line longer than the buffer keeps its
    // first 159 characters and the rest of it is dropped. The last line counts only when a CR or
    // LF follows it.
    bool ReadLine() {
        lineLength_ = 0;
        col_ = 0;
        while (pos_ < units_) {
            WCHAR c = UnitAt(pos_++);
            if (c == kCr || c == kLf) {
                // CR LF ends one line here: the empty line between them would be skipped by the
                // keyword loop anyway, and must not break a text that runs on to the next line.
                if (c == kCr && pos_ < units_ && UnitAt(pos_) == kLf) ++pos_;
                line_[lineLength_] = 0;
                return true;
            }
            if (lineLength_ < dd::kLineUnits - 1) line_[lineLength_++] = c;
        }
        lineLength_ = 0;
        line_[0] = 0;
        return false;
    }

    bool HasNonBlank() const {
        for (DWORD i = 0; i < lineLength_; ++i)
            if (!IsBlank(line_[i])) return true;
        return false;
    }

    void SkipBlanksOnLine() {
        while (col_ < lineLength_ && IsBlank(line_[col_])) ++col_;
    }

    // Blanks (onto following lines when the line is used up) and one optional quotation mark with
    // the blanks after it. When the value would have to come from a later line that does not start
    // with one, the value is missing: that line is left for the keyword loop rather than lost.
    bool SkipToValue(bool allowMinus) {
        SkipBlanksOnLine();
        while (col_ >= lineLength_) {
            if (!ReadLine()) return false;
            SkipBlanksOnLine();
            if (col_ < lineLength_) {
                WCHAR c = line_[col_];
                bool starts = c == kQuote || (c >= u'0' && c <= u'9') || (allowMinus && c == u'-');
                if (!starts) {
                    pending_ = true;
                    col_ = 0;
                    return false;
                }
            }
        }
        if (line_[col_] == kQuote) {
            ++col_;
            SkipBlanksOnLine();
        }
        return true;
    }

    std::span<const BYTE> bytes_;
    size_t units_ = 0;
    size_t pos_ = 0;
    WCHAR line_[dd::kLineUnits] = {};
    DWORD lineLength_ = 0;
    DWORD col_ = 0;
    WCHAR token_[dd::kTokenUnits] = {};
    bool pending_ = false;
    bool joinDirect_ = false;
};

// ---- Parsing ----

void ReadNamedValueHex(DescriptionReader& r, ParsedNamedValue* e) {
    r.ReadText(e->name);
    e->value = r.Hexadecimal();
}

void ReadForm(DescriptionReader& r, ParsedForm* f) {
    r.ReadText(f->name);
    for (LONG& v : f->values) v = r.Decimal();
}

// Reads one entry into the list's next free place; a full list ignores the line.
template <typename List, typename Fill>
void ReadListEntry(List& list, Fill fill) {
    if (auto* e = list.Next()) fill(e);
}

void ParseDescription(DescriptionReader& r, ParseArea& a) {
    while (r.NextKeywordLine()) {
        switch (LookupKeyword(r.Token())) {
            case kVersionKw:
                a.version = r.Decimal();
                break;
            case kFriendlyNameKw:
                r.ReadText(a.friendlyName);
                break;
            case kPrinterNameKw:
                r.ReadText(a.printerName);
                break;
            case kPpmKw:
                a.ppm = r.Decimal();
                break;
            case kPrivateIdKw:
                a.privateId = r.Hexadecimal();
                break;
            case kDefaultLocalDayKw:
                a.localDay = r.Decimal();
                break;
            case kDefaultLocalTimeKw:
                a.localTime = r.Decimal();
                break;
            case kFlagsKw:
                a.flags = r.Hexadecimal();
                break;
            case kPresetFlagsKw:
                a.presetFlags = r.Hexadecimal();
                break;
            case kSupportFeatureKw:
                ReadListEntry(a.features, [&](ParsedNamedValue* e) { ReadNamedValueHex(r, e); });
                break;
            case kDefaultMemorySizeKw:
                for (LONG& v : a.defaultMemory.values) v = r.Decimal();
                a.hasDefaultMemory = true;
                break;
            case kMemorySizeKw:
                ReadListEntry(a.memory, [&](ParsedMemorySize* e) {
                    for (LONG& v : e->values) v = r.Decimal();
                });
                break;
            case kDefaultResolutionKw:
                a.defaultResolution = r.Decimal();
                break;
            case kResolutionKw:
                ReadListEntry(a.resolutions, [&](ParsedResolution* e) {
                    e->dpi = r.Decimal();
                    r.ReadText(e->text1);
                    e->value2 = r.Decimal();
                    r.ReadText(e->text2);
                    e->value3 = r.Decimal();
                });
                break;
            case kDefaultInputSlotKw:
                r.ReadText(a.defaultSlot.name);
                a.defaultSlot.value = static_cast<DWORD>(r.Decimal());
                a.hasDefaultSlot = true;
                break;
            case kInputSlotKw:
                ReadListEntry(a.slots, [&](ParsedNamedValue* e) {
                    r.ReadText(e->name);
                    e->value = static_cast<DWORD>(r.Decimal());
                });
                break;
            case kInputDeviceKw:
                ReadListEntry(a.inputDevices, [&](ParsedNamedValue* e) { ReadNamedValueHex(r, e); });
                break;
            case kOptionDeviceKw:
                ReadListEntry(a.optionDevices, [&](ParsedNamedValue* e) { ReadNamedValueHex(r, e); });
                break;
            case kFormDeviceKw:
                ReadListEntry(a.formDevices, [&](ParsedNamedValue* e) { ReadNamedValueHex(r, e); });
                break;
            case kMaxFormKw:
                a.maxForm[0] = r.Decimal();
                a.maxForm[1] = r.Decimal();
                break;
            case kMinFormKw:
                a.minForm[0] = r.Decimal();
                a.minForm[1] = r.Decimal();
                break;
            case kDefaultFormKw:
                ReadForm(r, &a.defaultForm);
                a.hasDefaultForm = true;
                break;
            case kFormPortKw:
                ReadListEntry(a.formPort, [&](ParsedForm* f) { ReadForm(r, f); });
                break;
            case kFormLandKw:
                ReadListEntry(a.formLand, [&](ParsedForm* f) { ReadForm(r, f); });
                break;
            case kFormPortCompatibleKw:
                ReadListEntry(a.formPortCompatible, [&](ParsedForm* f) { ReadForm(r, f); });
                break;
            case kFormLandCompatibleKw:
                ReadListEntry(a.formLandCompatible, [&](ParsedForm* f) { ReadForm(r, f); });
                break;
            case kApplicationKw:
                ReadListEntry(a.applications, [&](ParsedNamedValue* e) { ReadNamedValueHex(r, e); });
                break;
            default:
                break;  // not a keyword: the line is ignored
        }
    }
}

// ---- Layout ----
// Two passes over the same walk: the first only measures, the second writes into the block.

class BlockWriter {
public:
    explicit BlockWriter(BYTE* block) : block_(block) {}

    DWORD End() const { return end_; }
    void Field(DWORD offset, DWORD value) {
        if (block_) StoreLe32(block_ + offset, value);
    }
    // Room for n bytes at the end; returns their offset.
    DWORD Reserve(DWORD n) {
        DWORD at = end_;
        end_ += n;
        return at;
    }
    template <DWORD Chars>
    DWORD String(const Text<Chars>& t) {
        DWORD at = Reserve(t.PaddedBytes());
        if (block_) {
            for (DWORD i = 0; i < t.length; ++i) {
                block_[at + 2 * i] = static_cast<BYTE>(t.chars[i]);
                block_[at + 2 * i + 1] = static_cast<BYTE>(t.chars[i] >> 8);
            }
        }
        return at;
    }

private:
    BYTE* block_;
    DWORD end_ = dd::kHeaderSize;
};

template <typename List>
void LayOutNamedValues(BlockWriter& w, const List& list, DWORD countField, DWORD listField) {
    DWORD at = w.Reserve(list.count * dd::kNamedValueSize);
    w.Field(countField, list.count);
    w.Field(listField, at);
    for (DWORD i = 0; i < list.count; ++i) {
        DWORD rec = at + i * dd::kNamedValueSize;
        w.Field(rec + dd::kNamedValueName, w.String(list.entries[i].name));
        w.Field(rec + dd::kNamedValueValue, list.entries[i].value);
    }
}

void WriteFormRecord(BlockWriter& w, DWORD rec, const ParsedForm& f) {
    w.Field(rec + dd::kFormFlags, 0);
    for (DWORD k = 0; k < 6; ++k) w.Field(rec + dd::kFormWidth + 4 * k, static_cast<DWORD>(f.values[k]));
}

template <typename List>
void LayOutForms(BlockWriter& w, const List& list, DWORD countField, DWORD listField) {
    DWORD at = w.Reserve(list.count * dd::kFormSize);
    w.Field(countField, list.count);
    w.Field(listField, at);
    for (DWORD i = 0; i < list.count; ++i) {
        DWORD rec = at + i * dd::kFormSize;
        WriteFormRecord(w, rec, list.entries[i]);
        w.Field(rec + dd::kFormName, w.String(list.entries[i].name));
    }
}

void WriteMemoryRecord(BlockWriter& w, DWORD rec, const ParsedMemorySize& m) {
    for (DWORD k = 0; k < dd::kMemorySizeValues; ++k) w.Field(rec + 4 * k, static_cast<DWORD>(m.values[k]));
}

DWORD LayOut(BlockWriter& w, const ParseArea& a) {
    w.Field(dd::kVersion, static_cast<DWORD>(a.version));
    w.Field(dd::kPPM, static_cast<DWORD>(a.ppm));
    w.Field(dd::kPrivateID, a.privateId);
    w.Field(dd::kDefaultLocalDay, static_cast<DWORD>(a.localDay));
    w.Field(dd::kDefaultLocalTime, static_cast<DWORD>(a.localTime));
    w.Field(dd::kFlags, a.flags);
    w.Field(dd::kPresetFlags, a.presetFlags);
    w.Field(dd::kReserved, 0);
    w.Field(dd::kDefaultResolution, static_cast<DWORD>(a.defaultResolution));
    w.Field(dd::kMaxFormWidth, static_cast<DWORD>(a.maxForm[0]));
    w.Field(dd::kMaxFormLength, static_cast<DWORD>(a.maxForm[1]));
    w.Field(dd::kMinFormWidth, static_cast<DWORD>(a.minForm[0]));
    w.Field(dd::kMinFormLength, static_cast<DWORD>(a.minForm[1]));

    w.Field(dd::kFriendlyName, w.String(a.friendlyName));
    w.Field(dd::kPrinterName, w.String(a.printerName));

    // An absent default record takes no room; its offset is where the next list begins.
    w.Field(dd::kDefaultMemorySize, w.End());
    if (a.hasDefaultMemory) WriteMemoryRecord(w, w.Reserve(dd::kMemorySizeSize), a.defaultMemory);
    {
        DWORD at = w.Reserve(a.memory.count * dd::kMemorySizeSize);
        w.Field(dd::kMemorySizeCount, a.memory.count);
        w.Field(dd::kMemorySizeList, at);
        for (DWORD i = 0; i < a.memory.count; ++i)
            WriteMemoryRecord(w, at + i * dd::kMemorySizeSize, a.memory.entries[i]);
    }
    LayOutNamedValues(w, a.features, dd::kSupportFeatureCount, dd::kSupportFeatureList);
    {
        DWORD at = w.Reserve(a.resolutions.count * dd::kResolutionSize);
        w.Field(dd::kResolutionCount, a.resolutions.count);
        w.Field(dd::kResolutionList, at);
        for (DWORD i = 0; i < a.resolutions.count; ++i) {
            const ParsedResolution& e = a.resolutions.entries[i];
            DWORD rec = at + i * dd::kResolutionSize;
            w.Field(rec + dd::kResolutionDpi, static_cast<DWORD>(e.dpi));
            w.Field(rec + dd::kResolutionValue2, static_cast<DWORD>(e.value2));
            w.Field(rec + dd::kResolutionValue3, static_cast<DWORD>(e.value3));
            w.Field(rec + dd::kResolutionText1, w.String(e.text1));
            w.Field(rec + dd::kResolutionText2, w.String(e.text2));
        }
    }
    w.Field(dd::kDefaultInputSlot, w.End());
    if (a.hasDefaultSlot) {
        DWORD rec = w.Reserve(dd::kNamedValueSize);
        w.Field(rec + dd::kNamedValueValue, a.defaultSlot.value);
        w.Field(rec + dd::kNamedValueName, w.String(a.defaultSlot.name));
    }
    LayOutNamedValues(w, a.slots, dd::kInputSlotCount, dd::kInputSlotList);
    LayOutNamedValues(w, a.inputDevices, dd::kInputDeviceCount, dd::kInputDeviceList);
    LayOutNamedValues(w, a.optionDevices, dd::kOptionDeviceCount, dd::kOptionDeviceList);
    LayOutNamedValues(w, a.formDevices, dd::kFormDeviceCount, dd::kFormDeviceList);
    w.Field(dd::kDefaultForm, w.End());
    if (a.hasDefaultForm) {
        DWORD rec = w.Reserve(dd::kFormSize);
        WriteFormRecord(w, rec, a.defaultForm);
        w.Field(rec + dd::kFormName, w.String(a.defaultForm.name));
    }
    LayOutForms(w, a.formPort, dd::kFormPortCount, dd::kFormPortList);
    LayOutForms(w, a.formLand, dd::kFormLandCount, dd::kFormLandList);
    LayOutForms(w, a.formPortCompatible, dd::kFormPortCompatibleCount, dd::kFormPortCompatibleList);
    LayOutForms(w, a.formLandCompatible, dd::kFormLandCompatibleCount, dd::kFormLandCompatibleList);
    LayOutNamedValues(w, a.applications, dd::kApplicationCount, dd::kApplicationList);
    w.Field(dd::kTotalSize, w.End());
    return w.End();
}

}  // namespace

CompiledDeviceData* CompileDeviceText(std::span<const BYTE> text) {
    auto area = std::make_unique<ParseArea>();  // value-initialised: all zero
    auto reader = std::make_unique<DescriptionReader>(text);
    ParseDescription(*reader, *area);

    BlockWriter measure(nullptr);
    DWORD size = LayOut(measure, *area);
    auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, size));
    if (!block) return nullptr;
    BlockWriter writer(block);
    LayOut(writer, *area);
    return reinterpret_cast<CompiledDeviceData*>(block);
}

CompiledDeviceData* CompileDeviceDescription(LPCWSTR dataFile) {
    const BYTE* view = nullptr;
    const BYTE* cursor = nullptr;
    DWORD size = 0;
    if (!MapFileReadOnly(dataFile, &view, &cursor, &size)) return nullptr;
    CompiledDeviceData* block = CompileDeviceText(std::span<const BYTE>(cursor, size));
    UnmapViewOfFile(view);
    return block;
}

}  // namespace orla
