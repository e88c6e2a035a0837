// Small fixtures for the settings record tests: a device description compiled from text held in
// the test, and spooler form lists built by hand.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "core/settings.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace orla::test {

struct DeviceDataFree {
    void operator()(CompiledDeviceData* p) const {
        if (p) GlobalFree(p);
    }
};
using DeviceDataPtr = std::unique_ptr<CompiledDeviceData, DeviceDataFree>;

// Compiles description text (lines ended by CR LF) as the driver compiles a data file.
inline DeviceDataPtr CompileText(std::u16string_view text) {
    std::vector<BYTE> bytes = {0xFF, 0xFE};
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return DeviceDataPtr(CompileDeviceText(bytes));
}

inline constexpr DWORD kFixturePrivateId = 0x51455631;

// A small model: two resolutions, three slots, devices with the allowed-choice bits the device
// pair rules test, and a default form with imageable top 4,050 and left 4,000 micrometres.
inline std::u16string FixtureDescription(int version = 4) {
    std::u16string v = std::u16string(u"*Version: ") + (version >= 4 ? u"4" : u"3") + u"\r\n";
    return v +
           u"*FriendlyName: \"QEV Fixture 100\"\r\n"
           u"*PrinterName: \"QEV Fixture 100\"\r\n"
           u"*PrivateID: 0x51455631\r\n"
           u"*DefaultResolution: 600\r\n"
           u"*Resolution: 600 \"600 dpi\" 0 \"\" 0\r\n"
           u"*Resolution: 1200 \"1200 dpi\" 0 \"\" 0\r\n"
           u"*DefaultInputSlot: \"Tray 1\" 1\r\n"
           u"*InputSlot: \"Auto\" 7\r\n"
           u"*InputSlot: \"Tray 1\" 1\r\n"
           u"*InputSlot: \"Manual\" 4\r\n"
           u"*InputDevice: \"Feeder C\" 0x0008000C\r\n"
           u"*InputDevice: \"Feeder 3\" 0x00080030\r\n"
           u"*InputDevice: \"Feeder None\" 0x00000000\r\n"
           u"*InputDevice: \"Feeder High\" 0x00000C00\r\n"
           u"*OptionDevice: \"Duplex Unit\" 0x00080002\r\n"
           u"*OptionDevice: \"Finisher\" 0x00000C00\r\n"
           u"*DefaultMemorySize: 65536 0 0 0 0 0 0\r\n"
           u"*MemorySize: 65536 0 0 0 0 0 0\r\n"
           u"*MemorySize: 131072 0 0 0 0 0 0\r\n"
           u"*MaxForm: 297000 900000\r\n"
           u"*MinForm: 90000 148000\r\n"
           u"*DefaultForm: \"A4\" 210000 297000 4000 4050 206000 292950\r\n"
           u"*FormPort: \"A4\" 210000 297000 5000 5000 205000 292000\r\n"
           u"*FormPort: \"A3\" 297000 420000 5000 5000 292000 415000\r\n";
}

// A spooler form list that owns its names.
struct FormsFixture {
    struct Form {
        std::u16string name;
        LONG width;
        LONG length;
    };
    std::vector<std::u16string> names;
    std::vector<FORM_INFO_1W> forms;

    explicit FormsFixture(std::initializer_list<Form> list) {
        names.reserve(list.size());
        for (const Form& f : list) names.push_back(f.name);
        for (size_t i = 0; i < names.size(); ++i) {
            const Form& f = list.begin()[i];
            forms.push_back(FORM_INFO_1W{FORM_BUILTIN, names[i].data(), SIZEL{f.width, f.length},
                                         RECTL{5000, 5000, f.width - 5000, f.length - 5000}});
        }
    }
    FORM_INFO_1W* data() { return forms.data(); }
    DWORD count() const { return static_cast<DWORD>(forms.size()); }
};

// An incoming DEVMODE of any public and private size, zero-filled, with its header set.
struct IncomingDevmode {
    std::vector<BYTE> bytes;
    IncomingDevmode(WORD publicSize, WORD privateSize, WORD specVersion = 0x0401) : bytes(publicSize + privateSize) {
        Put16(64, specVersion);
        Put16(66, 0x0100);
        Put16(68, publicSize);
        Put16(70, privateSize);
    }
    void Put16(size_t at, WORD v) {
        if (at + 2 > bytes.size()) return;
        bytes[at] = static_cast<BYTE>(v);
        bytes[at + 1] = static_cast<BYTE>(v >> 8);
    }
    void Put32(size_t at, DWORD v) {
        Put16(at, static_cast<WORD>(v));
        Put16(at + 2, static_cast<WORD>(v >> 16));
    }
    void Fields(DWORD f) { Put32(72, f); }
    void FormName(std::u16string_view name) {
        for (size_t i = 0; i < name.size() && i < 32; ++i) Put16(102 + 2 * i, name[i]);
    }
    // Private offsets as in a 220-byte record, moved to this DEVMODE's own public size.
    size_t Private(unsigned recordOffset) const { return recordOffset - kPublicDevmodeSize + Get16(68); }
    WORD Get16(size_t at) const { return static_cast<WORD>(bytes[at] | (bytes[at + 1] << 8)); }
    const DEVMODEW* devmode() const { return reinterpret_cast<const DEVMODEW*>(bytes.data()); }
    std::span<const BYTE> span() const { return bytes; }
};

}  // namespace orla::test
