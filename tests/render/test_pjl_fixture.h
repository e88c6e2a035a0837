// A device context for the settings, geometry and job-header tests: a zeroed PrinterPdev with its
// output buffer ready, settings written field by field, and device data compiled from a small
// description held here. Output stays in the 4096-byte buffer, so no spooler is needed.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "render/page_settings.h"
#include "render/pdev.h"
#include "render/pjl_header.h"
#include "win/kernel.h"

namespace g3test {

struct DeviceDataFree {
    void operator()(orla::CompiledDeviceData* p) const {
        if (p) GlobalFree(p);
    }
};
using DeviceDataPtr = std::unique_ptr<orla::CompiledDeviceData, DeviceDataFree>;

inline DeviceDataPtr Compile(std::u16string_view text) {
    std::vector<BYTE> bytes = {0xFF, 0xFE};
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return DeviceDataPtr(orla::CompileDeviceText(bytes));
}

// Trays: AUTO 1, FEEDER1 257, FEEDER2 258, MANUAL 4, MP 14. Version 4: the rotated papers count.
inline std::u16string Description(bool withFeatures = true) {
    std::u16string text =
        u"*Version: 4\r\n"
        u"*FriendlyName: \"QEV Fixture 200\"\r\n"
        u"*PrinterName: \"QEV Fixture 200\"\r\n"
        u"*PrivateID: 0x51455632\r\n"
        u"*DefaultLocalDay: 20200102\r\n"
        u"*DefaultLocalTime: 1230\r\n";
    if (withFeatures)
        text +=
            u"*SupportFeature: \"SET\" 0x1\r\n"
            u"*SupportFeature: \"TONERSAVE\" 0x1\r\n";
    text +=
        u"*DefaultResolution: 600\r\n"
        u"*Resolution: 300 \"HT_PATSIZE_6x6_M\" 10000 \"\" 0\r\n"
        u"*Resolution: 600 \"HT_PATSIZE_8x8_M\" 10000 \"\" 0\r\n"
        u"*Resolution: 1200 \"HT_PATSIZE_16x16_M\" 12000 \"\" 0\r\n"
        u"*DefaultInputSlot: \"AUTO\" 1\r\n"
        u"*InputSlot: \"AUTO\" 1\r\n"
        u"*InputSlot: \"FEEDER1\" 257\r\n"
        u"*InputSlot: \"FEEDER2\" 258\r\n"
        u"*InputSlot: \"MANUAL\" 4\r\n"
        u"*InputSlot: \"MP\" 14\r\n"
        u"*FormDevice: \"A4\" 0x9\r\n"
        u"*DefaultForm: \"A4\" 210000 297000 4000 4050 206000 292950\r\n"
        u"*FormPort: \"A4\" 210000 297000 4000 4050 206000 292950\r\n"
        u"*FormPort: \"A3\" 297000 420000 4000 4050 293000 415950\r\n"
        u"*FormPort: \"B4 (JIS)\" 257000 364000 4000 4050 253000 359950\r\n"
        u"*FormLand: \"A4\" 297000 210000 4050 4000 292950 206000\r\n";
    return text;
}

inline PaperRecord Paper(LONG code, LONG width, LONG length, LONG margin = 5000) {
    PaperRecord p{};
    p.code = static_cast<SHORT>(code);
    p.width = width;
    p.length = length;
    p.left = p.top = margin;
    p.right = width - margin;
    p.bottom = length - margin;
    return p;
}

struct PdevFixture {
    std::unique_ptr<PrinterPdev> holder = std::make_unique<PrinterPdev>();
    PrinterPdev* pdev = holder.get();
    DeviceDataPtr data;

    explicit PdevFixture(bool withFeatures = true) : data(Compile(Description(withFeatures))) {
        pdev->output.capacity = kOutputBufferCapacity;
        pdev->output.writePointer = pdev->output.data;
        pdev->deviceData = data.get();
        pdev->leadingMagic = pdev->trailingMagic = kPdevMagic;
        pdev->state = kStateModeZ;
        DEVMODEW* dm = Dm();
        dm->dmSize = sizeof(DEVMODEW);
        dm->dmOrientation = DMORIENT_PORTRAIT;
        dm->dmCopies = 1;
        dm->dmDuplex = DMDUP_SIMPLEX;
        dm->dmPrintQuality = 600;
        dm->dmDefaultSource = 257;
        Set(orla::dm::LayoutMode, 1);
        Set(orla::dm::Zoom, 100);
        pdev->geometry.resolution = 600;
        pdev->geometry.coordinateMultiplier = 1;
        pdev->geometry.logicalPaper = Paper(PaperA4, 210000, 297000);
        pdev->geometry.outputPaper = Paper(PaperA4, 210000, 297000);
        CopyName(pdev->geometry.outputPaper.name, u"A4");
        CopyName(pdev->geometry.logicalPaper.name, u"A4");
        ResetPageSetupCache(&pdev->pageSetup);
    }

    static void CopyName(WCHAR (&dst)[32], std::u16string_view name) {
        size_t n = 0;
        for (; n < name.size() && n < 31; ++n) dst[n] = name[n];
        dst[n] = 0;
    }

    DEVMODEW* Dm() { return orla::AsDevmode(pdev->settings.record); }
    std::span<BYTE> Rec() { return orla::RecordBytes(pdev->settings.record); }
    template <class T, class V>
    void Set(orla::DmField<T> f, V v) {
        orla::Set(pdev->settings.record, f, v);
    }
    void SetText(orla::DmText f, std::u16string_view text) { orla::SetText(Rec(), f, text); }
    void SetFlag1(DWORD bit, bool on = true) { SetBits(orla::dm::Flags1, bit, on); }
    void SetFlag2(DWORD bit, bool on = true) { SetBits(orla::dm::Flags2, bit, on); }
    void SetBits(orla::DmField<DWORD> f, DWORD bit, bool on) {
        DWORD v = orla::Get(pdev->settings.record, f);
        Set(f, on ? (v | bit) : (v & ~bit));
    }
    void InstallDevice(unsigned offset, WORD bits = orla::dm::kDeviceInstalled) {
        Set(orla::dm::DeviceState(orla::dm::DevicePairIndex(offset)), bits);
    }

    std::string Output() const {
        return std::string(reinterpret_cast<const char*>(pdev->output.data), pdev->output.count);
    }
    void ClearOutput() {
        pdev->output.count = 0;
        pdev->output.writePointer = pdev->output.data;
    }
    // The PJL lines of the output (text before each CR LF).
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::string out = Output();
        size_t start = 0, end;
        while ((end = out.find("\r\n", start)) != std::string::npos) {
            lines.push_back(out.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }
    // The line that starts with a prefix, or "<none>".
    std::string LineStarting(std::string_view prefix) const {
        for (const std::string& l : Lines())
            if (l.compare(0, prefix.size(), prefix) == 0) return l;
        return "<none>";
    }
};

}  // namespace g3test
