// Spooler queries that hand back the answer in a block of its own (two-call protocol).
#include "core/support.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace orla {

namespace {

template <typename Query>
BYTE* QueryAlloc(Query query) {
    DWORD needed = 0;
    if (query(nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return nullptr;
    auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, needed));
    if (!block) return nullptr;
    DWORD again = 0;
    if (!query(block, needed, &again)) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

}  // namespace

BYTE* GetPrinterInfoAlloc(HANDLE hPrinter, DWORD level) {
    return QueryAlloc(
        [&](BYTE* buf, DWORD cb, DWORD* needed) { return GetPrinterW(hPrinter, level, buf, cb, needed); });
}

BYTE* GetDriverInfoAlloc(HANDLE hPrinter, DWORD level) {
    return QueryAlloc([&](BYTE* buf, DWORD cb, DWORD* needed) {
        return GetPrinterDriverW(hPrinter, nullptr, level, buf, cb, needed);
    });
}

}  // namespace orla
