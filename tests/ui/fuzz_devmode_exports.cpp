// Fuzz target: an incoming DEVMODE of any bytes through DrvConvertDevMode (both conversions) and
// DrvDocumentProperties without a sheet. The caller's buffer is as long as the DEVMODE says (or
// as the input, when longer); nothing is written outside the output record, the input is only
// read, and a record handed out is one the driver reads as its own.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/driver_devmode.h"
#include "ui/entry/document_properties.h"
#include "ui_fuzz_printer.h"
#include "win/printer_ui.h"

extern "C" BOOL DrvConvertDevMode(LPWSTR, PDEVMODEW, PDEVMODEW, PLONG, DWORD);
extern "C" LONG DrvDocumentProperties(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD);

namespace {

constexpr size_t kGuard = 32;
constexpr BYTE kGuardByte = 0xCD;

void Check(bool ok) {
    if (!ok) std::abort();
}

// An output buffer of n bytes with guard bytes behind it.
struct Output {
    std::vector<BYTE> bytes;
    size_t n;
    explicit Output(size_t size) : bytes(size + kGuard, 0), n(size) {
        std::fill(bytes.begin() + static_cast<long>(n), bytes.end(), kGuardByte);
    }
    DEVMODEW* dm() { return reinterpret_cast<DEVMODEW*>(bytes.data()); }
    void CheckGuard() const {
        for (size_t i = n; i < bytes.size(); ++i) Check(bytes[i] == kGuardByte);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HANDLE printer = FuzzSamplePrinter("devmode");
    if (size < 2) return 0;
    const DWORD mode = data[0];
    data += 1;
    size -= 1;
    // The caller's buffer: the input, zero-extended to the size its header claims.
    size_t claimed = size;
    if (size >= 72) {
        WORD dmSize, extra;
        std::memcpy(&dmSize, data + 68, 2);
        std::memcpy(&extra, data + 70, 2);
        claimed = std::max<size_t>(size, size_t{dmSize} + extra);
    }
    std::vector<BYTE> in(std::max<size_t>(claimed, sizeof(DEVMODEW)), 0);
    std::memcpy(in.data(), data, size);
    const std::vector<BYTE> before = in;
    DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(in.data());
    LPWSTR name = const_cast<LPWSTR>(u"Fuzz");

    // Into a current record, and down to the 3.51 form.
    Output current(orla::kDriverDevmodeSize);
    current.dm()->dmSize = sizeof(DEVMODEW);
    current.dm()->dmDriverExtra = orla::kPrivateDevmodeSize;
    LONG room = static_cast<LONG>(current.n);
    DrvConvertDevMode(name, dm, current.dm(), &room, CDM_CONVERT);
    current.CheckGuard();
    Output old(188 + orla::kDevmodePrivateSize351);
    room = static_cast<LONG>(old.n);
    DrvConvertDevMode(name, dm, old.dm(), &room, CDM_CONVERT351);
    old.CheckGuard();

    // Document properties in the mode the input asks for.
    Output out(orla::kDriverDevmodeSize);
    const DWORD fMode = (mode & (DM_UPDATE | DM_COPY | DM_MODIFY)) | DM_COPY;
    const LONG r = DrvDocumentProperties(nullptr, printer, name, out.dm(), dm, fMode);
    out.CheckGuard();
    Check(r == IDOK || r < 0);
    if (r == IDOK) Check(size_t{out.dm()->dmSize} + out.dm()->dmDriverExtra <= orla::kDriverDevmodeSize);
    Check(in == before);
    return 0;
}
