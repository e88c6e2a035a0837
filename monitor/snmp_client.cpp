// The SNMP client: binding the library, resolving the host, and the GET and walk requests with
// the monitor's shared access mode.
#include "monitor/snmp_client.h"

#include <netdb.h>
#include <sys/socket.h>

#include <cstring>
#include <mutex>

#include "monitor/port_record.h"
#include "win/kernel.h"
#include "win/monitor.h"

namespace {

constexpr char kLibraryFolder[] = "\\spool\\drivers\\w32x86\\3\\Varnel.DLL";
constexpr LONG kSnmpPort = 161;
constexpr LONG kSnmpTimeoutMs = 3000;
constexpr LONG kSnmpRetries = 1;
constexpr DWORD kResultRecordSize = 524;
static_assert(sizeof(SnmpResult) >= kResultRecordSize - sizeof(void*));

// The shared access mode; every choice of it is one step under its own lock, so two ports that
// fail at once cannot both flip it.
std::mutex g_modeLock;
LONG g_accessMode = kSnmpModeUnknown;

const VarnelV3Block kV3Block = {"Mbrevoxa", 2, 1, 1, "7qopLirnWe2tasGuv9ke", "HemVo38zatPulik5Rune", ""};

void CopyBounded(char* out, size_t size, const char* text) {
    std::memset(out, 0, size);
    if (text) std::memcpy(out, text, strnlen(text, size - 1));
}

HMODULE LoadVarnel() {
    WCHAR folder[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    char* ansi = MonWideToAnsi(folder);
    if (!ansi) return nullptr;
    char path[MAX_PATH + sizeof kLibraryFolder] = {};
    std::memcpy(path, ansi, strnlen(ansi, MAX_PATH - 1));
    MonFree(ansi);
    std::strcat(path, kLibraryFolder);
    return LoadLibraryA(path);
}

struct Request {
    IPmcGetData* object = nullptr;
    ~Request() {
        if (object) object->Release();
    }
};

struct PduList {
    IPmcPtrList<IPmsPdu>* list = nullptr;
    ~PduList() {
        if (list) list->Release();
    }
};

// Step 1 or 2 of the access choice: sets the community when the mode asks for it and returns
// the mode the channel opens with.
LONG ChooseAccess(IPmcGetData* request, const SnmpClient* client, BOOL secondTry) {
    std::lock_guard<std::mutex> guard(g_modeLock);
    if (!secondTry) {
        if (g_accessMode != kSnmpModeV3) {
            request->SetCommunity(client->community);
            g_accessMode = kSnmpModeCommunity;
        }
    } else if (g_accessMode != kSnmpModeCommunity) {
        request->SetCommunity(client->community);
        g_accessMode = kSnmpModeCommunity;
    } else {
        g_accessMode = kSnmpModeV3;
    }
    return g_accessMode;
}

enum class Opened { kNo, kYes };

// A request object with its channel open on the identifier; none when the channel or the
// identifier was refused (no second attempt then).
Opened OpenRequest(SnmpClient* client, Request& request, const char* oid, BOOL secondTry) {
    LONG error = 0;
    request.object = client->createGetData(&error);
    if (!request.object) return Opened::kNo;
    LONG mode = ChooseAccess(request.object, client, secondTry);
    LONG family = ResolveSnmpHost(client);
    if (request.object->OpenChannel(client->host, family, kSnmpPort, mode, &client->v3, kSnmpTimeoutMs, kSnmpRetries,
                                    0) != 0)
        return Opened::kNo;
    return request.object->AddObjectId(oid, 0) == 0 ? Opened::kYes : Opened::kNo;
}

// Whether one attempt of a GET read its value; *refused when the channel never opened.
BOOL TryGet(SnmpClient* client, char* text, LONG* integer, const char* oid, BOOL secondTry, BOOL* refused) {
    Request request;
    *refused = OpenRequest(client, request, oid, secondTry) == Opened::kNo;
    if (*refused) return FALSE;
    if (text) {
        char answer[kVarnelTextSize] = {};
        if (request.object->ReadText(answer) != 0) return FALSE;
        answer[kVarnelTextSize - 1] = 0;
        CopyBounded(text, kSnmpFieldSize, answer);
        return TRUE;
    }
    return request.object->ReadInteger(integer) == 0;
}

BOOL AppendResult(SnmpClient* client, IPmsPdu* entry) {
    auto* record = static_cast<SnmpResult*>(MonAlloc(sizeof(SnmpResult)));
    if (!record) return FALSE;
    CopyBounded(record->oid, sizeof record->oid, entry->ObjectId());
    record->integer = entry->IntegerValue();
    record->second = entry->SecondInteger();
    if (IVarnelValue* value = entry->Value()) CopyBounded(record->text, sizeof record->text, value->Text());
    if (client->lastResult)
        client->lastResult->next = record;
    else
        client->results = record;
    client->lastResult = record;
    return TRUE;
}

BOOL TryWalk(SnmpClient* client, const char* oid, BOOL secondTry, BOOL* refused) {
    Request request;
    *refused = OpenRequest(client, request, oid, secondTry) == Opened::kNo;
    if (*refused) return FALSE;
    LONG error = 0;
    PduList answers;
    answers.list = client->createPduList(&error);
    if (!answers.list || request.object->Walk(answers.list, oid) != 0) return FALSE;
    while (answers.list->Count() > 0) {
        IPmsPdu* entry = answers.list->At(0);
        if (!entry || !AppendResult(client, entry)) return FALSE;
        answers.list->RemoveAt(0);
    }
    return TRUE;
}

}  // namespace

LONG SnmpAccessMode() {
    std::lock_guard<std::mutex> guard(g_modeLock);
    return g_accessMode;
}

void SetSnmpAccessMode(LONG mode) {
    std::lock_guard<std::mutex> guard(g_modeLock);
    g_accessMode = mode;
}

LONG ResolveSnmpHost(SnmpClient* client) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (getaddrinfo(client->host, nullptr, &hints, &found) != 0 || !found) return kVarnelIpv4;
    char numeric[kSnmpFieldSize] = {};
    LONG family = kVarnelIpv4;
    if (getnameinfo(found->ai_addr, found->ai_addrlen, numeric, sizeof numeric, nullptr, 0, NI_NUMERICHOST) == 0) {
        CopyBounded(client->host, kSnmpFieldSize, numeric);
        if (found->ai_family == AF_INET6) family = kVarnelIpv6;
    }
    freeaddrinfo(found);
    return family;
}

SnmpClient* CreateSnmpClient(const char* host, const char* community) {
    auto* client = static_cast<SnmpClient*>(MonAlloc(sizeof(SnmpClient)));
    if (!client) return nullptr;
    client->v3 = kV3Block;
    client->module = LoadVarnel();
    if (client->module) {
        client->createGetData =
            reinterpret_cast<VarnelCreateGetData>(GetProcAddress(client->module, kVarnelGetDataExport));
        client->createPduList =
            reinterpret_cast<VarnelCreatePduList>(GetProcAddress(client->module, kVarnelPduListExport));
        if (!client->createPduList)
            client->createPduList =
                reinterpret_cast<VarnelCreatePduList>(GetProcAddress(client->module, kVarnelPduListPlain));
    }
    if (!host || !*host || !client->createGetData || !client->createPduList) {
        FreeSnmpClient(client);
        return nullptr;
    }
    CopyBounded(client->host, sizeof client->host, host);
    ResolveSnmpHost(client);
    CopyBounded(client->community, sizeof client->community, community ? community : kSnmpCommunity);
    return client;
}

void FreeSnmpClient(SnmpClient* client) {
    if (!client) return;
    FreeSnmpResults(client);
    if (client->module) FreeLibrary(client->module);
    MonFree(client);
}

BOOL SnmpGetString(SnmpClient* client, char* text, LONG* integer, const char* oid) {
    if (!client || !oid || (text != nullptr) == (integer != nullptr)) return FALSE;
    BOOL refused = FALSE;
    if (TryGet(client, text, integer, oid, FALSE, &refused)) return TRUE;
    return !refused && TryGet(client, text, integer, oid, TRUE, &refused);
}

BOOL SnmpWalk(SnmpClient* client, const char* oid) {
    if (!client || !oid) return FALSE;
    BOOL refused = FALSE;
    if (TryWalk(client, oid, FALSE, &refused)) return TRUE;
    return !refused && TryWalk(client, oid, TRUE, &refused);
}

BOOL SnmpNextResult(SnmpClient* client, char* text, LONG* integer, LONG* second, char* oid) {
    if (!client || !client->results || !oid) return FALSE;
    if ((text != nullptr) + (integer != nullptr) + (second != nullptr) != 1) return FALSE;
    SnmpResult* record = client->results;
    if (text) CopyBounded(text, kSnmpFieldSize, record->text);
    if (integer) *integer = record->integer;
    if (second) *second = record->second;
    CopyBounded(oid, kSnmpFieldSize, record->oid);
    client->results = record->next;
    if (!client->results) client->lastResult = nullptr;
    MonFree(record);
    return TRUE;
}

void FreeSnmpResults(SnmpClient* client) {
    if (!client) return;
    while (SnmpResult* record = client->results) {
        client->results = record->next;
        MonFree(record);
    }
    client->lastResult = nullptr;
}
