// Fuzz target: printer-data values of any type, size and content under the names the interface
// DLL reads. Reading them into a settings record and storing the record back must not crash, must
// keep every text field ended inside its field and must touch no byte outside the mirrors.
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/device_data.h"
#include "core/settings.h"
#include "fuzz/fuzz_sandbox.h"
#include "plat/control.h"
#include "ui/entry/printer_data_store.h"
#include "win/registry.h"
#include "win/spool.h"

using namespace orla;

namespace {

const char16_t* const kNames[] = {
    u"DAT_PrinterFontJIS78",
    u"DAT_CompatibleMargin",
    u"DAT_CompatibleMarginBack",
    u"DAT_HeaderLimit",
    u"DAT_Tray500",
    u"DAT_Tray1000",
    u"TBL_TTSubstDefault",
    u"TBL_OutPaperDefault",
    u"DAT_Account_Mode",
    u"DAT_Jba_Type",
    u"DAT_JobOwnerType",
    u"DAT_Dsp_Beforeset",
    u"DAT_UserID_Asterisk",
    u"DAT_Set_UserID",
    u"DAT_Set_Password",
    u"DAT_Pop_UserID",
    u"DAT_Pop_Password",
    u"DEV_Memory",
    u"DEV_Feeder1",
    u"DEV_MP",
    u"DEV_HDD",
    u"DAT_FormHistory",
    u"TBL_PresetLanguage",
    u"TBL_TTSubstTable",
};
constexpr size_t kNameCount = sizeof(kNames) / sizeof(kNames[0]);

HANDLE Printer() {
    static HANDLE printer = [] {
        FuzzSandboxRoot("prdata");
        std::u16string dir = PlatDriverDirectory();
        std::u16string data = dir + u"\\FUZZ.KDD", driver = dir + u"\\Quessa.dll", config = dir + u"\\Talvex.dll";
        PLAT_PRINTER_SETUP setup{u"Fuzz",      u"ORLA Fuzz",   u"LPT1:", driver.c_str(),
                                 data.c_str(), config.c_str(), nullptr,  nullptr};
        if (!PlatInstallPrinter(&setup)) abort();
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE h = nullptr;
        if (!OpenPrinterW(const_cast<LPWSTR>(u"Fuzz"), &h, &defaults)) abort();
        return h;
    }();
    return printer;
}

bool MayChange(unsigned offset) {
    struct Range {
        unsigned begin, end;
    } const ranges[] = {
        {400, 404},
        {792, 796},
        {624, 704},
        {dm::SetUserId.offset, FieldEnd(dm::SetPassword)},
        {dm::PopUserId.offset, FieldEnd(dm::PopPassword)},
    };
    for (const Range& r : ranges) {
        if (offset >= r.begin && offset < r.end) return true;
    }
    return false;
}

void CheckTerminated(const DriverDevmode& r, DmText f) {
    if (GetText(r, f).size() >= f.cch) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HANDLE printer = Printer();
    for (const char16_t* name : kNames) DeletePrinterDataW(printer, const_cast<LPWSTR>(name));
    // Records: name index, type, length, bytes.
    size_t pos = 0;
    while (pos + 3 <= size) {
        const char16_t* name = kNames[data[pos] % kNameCount];
        DWORD type = data[pos + 1] % 8;
        size_t length = std::min<size_t>(data[pos + 2], size - pos - 3);
        SetPrinterDataW(printer, const_cast<LPWSTR>(name), type, const_cast<BYTE*>(data + pos + 3),
                        static_cast<DWORD>(length));
        pos += 3 + length;
    }

    static DriverDevmode base = [] {
        DriverDevmode r{};
        std::memset(r.bytes, 0xA5, sizeof(r.bytes));
        for (DmText f : {dm::SetUserId, dm::SetPassword, dm::PopUserId, dm::PopPassword}) SetText(r, f, u"x");
        return r;
    }();
    DriverDevmode record = base;
    ReadPrinterDataSettings(nullptr, &record, printer);
    for (DmText f : {dm::SetUserId, dm::SetPassword, dm::PopUserId, dm::PopPassword}) CheckTerminated(record, f);
    for (unsigned i = 0; i < kDriverDevmodeSize; ++i) {
        if (record.bytes[i] != base.bytes[i] && !MayChange(i)) abort();
    }
    StorePrinterDataSettings(nullptr, &record, printer, nullptr);
    DriverDevmode again = base;
    ReadPrinterDataSettings(nullptr, &again, printer);
    // What was stored reads back as it was: nothing is lost on the way through printer data.
    if (std::memcmp(again.bytes, record.bytes, sizeof(record.bytes)) != 0) abort();
    return 0;
}
