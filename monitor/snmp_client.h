// The SNMP client of a standard TCP/IP port: Varnel.dll bound by name, the printer's host in
// numeric form, and the choice between community and SNMPv3 access, which the whole monitor
// shares and learns from the first printer that refuses the community.
#pragma once

#include "outside/varnel/varnel_api.h"
#include "win/base.h"

constexpr size_t kSnmpHostSize = 1024;
constexpr size_t kSnmpFieldSize = 256;
constexpr char kSnmpCommunity[] = "kemlin";

// Access modes the monitor shares between ports.
constexpr LONG kSnmpModeUnknown = -1;
constexpr LONG kSnmpModeCommunity = kVarnelCommunity;
constexpr LONG kSnmpModeV3 = kVarnelV3;

struct SnmpResult {
    char text[kSnmpFieldSize];
    LONG integer;
    LONG second;
    char oid[kSnmpFieldSize];
    SnmpResult* next;
};

struct SnmpClient {
    HMODULE module;
    VarnelCreateGetData createGetData;
    VarnelCreatePduList createPduList;
    char host[kSnmpHostSize];
    char community[kSnmpHostSize];
    VarnelV3Block v3;
    SnmpResult* results;  // oldest first
    SnmpResult* lastResult;
};

// None without a host, without the library or without either factory.
SnmpClient* CreateSnmpClient(const char* host, const char* community);
void FreeSnmpClient(SnmpClient* client);
// One GET: exactly one of text (256 bytes) and integer is given.
BOOL SnmpGetString(SnmpClient* client, char* text, LONG* integer, const char* oid);
BOOL SnmpWalk(SnmpClient* client, const char* oid);
// The oldest walk result in the one form asked for (text of 256 bytes, integer or second
// integer) with its identifier (256 bytes); FALSE when none is left or the outs are wrong.
BOOL SnmpNextResult(SnmpClient* client, char* text, LONG* integer, LONG* second, char* oid);
void FreeSnmpResults(SnmpClient* client);

LONG SnmpAccessMode();
void SetSnmpAccessMode(LONG mode);  // at load, and for tests
// Writes the numeric form of the client's host back into it; the library's address family code.
LONG ResolveSnmpHost(SnmpClient* client);
