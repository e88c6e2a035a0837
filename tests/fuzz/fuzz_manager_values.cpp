// Values of the status manager, as a printer's client reads them, through the client thread's
// handlers and the named refresh's request reader: "Port", "PrinterName", "TerminateManager" and
// "RefreshStatus" of any content, size and result code, answered by a stand-in manager that
// takes each answer from the input, and the thread's wait slots fired in any order. Nothing may
// crash, overrun or leak, and every client ends up freed once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_input.h"
#include "monitor/client_thread.h"
#include "monitor/manager_client.h"
#include "monitor/named_refresh.h"
#include "tests/monitor/fuzz_port.h"

namespace plat {
size_t HandleCount();
}

namespace {

constexpr size_t kMaxSlots = 16;
constexpr DWORD kSlotChoices = 8;  // the stop event (8) fires only through a removal, never by itself
constexpr LONG kNoVariable = -5;
constexpr LONG kSmallQuery = -33;
constexpr LONG kSmallBuffer = -36;
constexpr DWORD kRequestSizeLimit = 8192;
constexpr char16_t kClientName[] = u"Fuzz printer";
HANDLE const kManager = reinterpret_cast<HANDLE>(0x1234);

FuzzInput g_in{nullptr, 0};

// Fills the caller's whole buffer: from the input, or as the selector chose.
void Fill(void* buffer, DWORD size) {
    auto* out = static_cast<uint8_t*>(buffer);
    for (DWORD i = 0; i < size; ++i) out[i] = g_in.Take<uint8_t>();
}

void PortValue(BYTE* buffer, DWORD size) {
    const uint8_t how = g_in.Take<uint8_t>() % 3;
    if (how == 2 || size < 516) return Fill(buffer, size);
    std::memset(buffer, 0, size);
    const DWORD flag = how;  // 0: no port at all; 1: this port by name, then a second field
    std::memcpy(buffer, &flag, 4);
    const char16_t name[] = u"usb001";
    std::memcpy(buffer + 4, name, sizeof name);
    if (g_in.Take<uint8_t>() & 1) Fill(buffer + 4 + 256, 8);
}

LONG WINAPI GetStatusW(HANDLE manager, LPCWSTR name, void* buffer, DWORD size, DWORD* returned) {
    if (manager != kManager || !name || !returned) abort();
    *returned = size;
    if (g_in.Take<uint8_t>() % 8 == 7) return kNoVariable;
    const std::u16string_view n(name);
    if (n == u"Port") {
        PortValue(static_cast<BYTE*>(buffer), size);
    } else if (n == u"PrinterName") {
        const uint8_t how = g_in.Take<uint8_t>() % 3;
        if (how == 0 && size >= sizeof kClientName) {
            std::memset(buffer, 0, size);
            std::memcpy(buffer, kClientName, sizeof kClientName);
        } else if (how == 1 && size >= 8) {
            std::memset(buffer, 0, size);
            Fill(buffer, 6);  // a short new name
        } else {
            Fill(buffer, size);  // unterminated, as a faulty manager may answer
        }
    } else {
        return kNoVariable;
    }
    return 0;
}

LONG WINAPI GetStatusA(HANDLE manager, LPCSTR name, void* buffer, DWORD size, DWORD* returned) {
    if (manager != kManager || !name || !returned) abort();
    const std::string_view n(name);
    if (n == "TerminateManager") {
        *returned = 4;
        const uint8_t how = g_in.Take<uint8_t>() % 4;
        if (how == 3) return kNoVariable;
        if (size < 4) abort();  // the client reads a DWORD
        const DWORD value = how == 2 ? g_in.Take<DWORD>() : how;
        std::memcpy(buffer, &value, 4);
        return 0;
    }
    if (n == "RefreshStatus") {
        if (!buffer || size == 0) {
            static constexpr LONG kCodes[] = {kSmallQuery, kSmallBuffer, 0, kNoVariable};
            *returned = g_in.Take<uint16_t>() % kRequestSizeLimit;
            return kCodes[g_in.Take<uint8_t>() % 4];
        }
        *returned = size;
        if (g_in.Take<uint8_t>() % 8 == 7) return kSmallBuffer;
        Fill(buffer, size);
        return 0;
    }
    *returned = 0;
    return kNoVariable;
}

LONG WINAPI SetEvents(HANDLE manager, DWORD count, LPCSTR names, HANDLE* events, DWORD* cookie) {
    if (manager != kManager || count != 4 || !names || !events || !cookie) abort();
    for (DWORD i = 0; i < count; ++i)
        if (!events[i]) abort();
    switch (g_in.Take<uint8_t>() % 3) {
        case 0:
            *cookie = 7;
            return 0;
        case 1:
            *cookie = 0;
            return -2;
        default:
            *cookie = 9;  // refused, yet a cookie: the client cancels it
            return -2;
    }
}

LONG WINAPI KillEvents(HANDLE manager, DWORD cookie) {
    if (manager != kManager || cookie == 0) abort();
    return 0;
}

LONG WINAPI CloseManager(HANDLE manager) {
    if (manager != kManager) abort();
    return 0;
}

// A bound client of the fuzz port whose manager is the stand-in above.
ManagerClient* NewClient(PortRecord* port) {
    auto* c = static_cast<ManagerClient*>(MonAlloc(sizeof(ManagerClient)));
    if (!c) abort();
    c->printerName = MonDupW(kClientName);
    c->manager = kManager;
    c->CloseManager = CloseManager;
    c->GetPrinterStatusA = GetStatusA;
    c->GetPrinterStatusW = GetStatusW;
    c->SetNotificationEventExA = SetEvents;
    c->KillNotificationEvent = KillEvents;
    c->versionPair[1] = 1;
    c->stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    c->threadStarted = TRUE;  // its stop event is the thread's, closed as the thread ends
    PortLock lock(port);
    c->next = port->clients;
    port->clients = c;
    return c;
}

bool Listed(PortRecord* port, ManagerClient* client) {
    for (ManagerClient* c = port->clients; c; c = c->next)
        if (c == client) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PortRecord* port = FuzzPort();
    g_in = FuzzInput{data, size};
    DWORD slots[kMaxSlots];
    const size_t count = g_in.Take<uint8_t>() % (kMaxSlots + 1);
    for (size_t i = 0; i < count; ++i) slots[i] = g_in.Take<uint8_t>() % kSlotChoices;
    port->device.jobEndWatch = g_in.Take<uint8_t>() & 1;
    port->state &= ~kStateTerminate;

    const size_t handles = plat::HandleCount();
    ManagerClient* client = NewClient(port);
    const DWORD bits = ReadRefreshRequestBits(client, port);
    if (bits & ~0x1Fu) abort();  // only the groups of the variable table
    RunClientChanges(port, client->stopEvent, slots, count);
    // A client the handlers kept is removed as a client refresh would remove it; the stop event
    // its thread closed must not be left for that removal to signal.
    if (Listed(port, client)) {
        if (client->stopEvent) abort();
        RemoveManagerClient(client, port);
    }
    if (port->clients) abort();
    if (plat::HandleCount() != handles) abort();  // every event of the client's thread closed
    return 0;
}
