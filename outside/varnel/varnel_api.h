// Varnel.dll, the SNMP client library the language monitor reads printers through: a request
// object that sends one GET or walks one subtree, and a list that receives a walk's answers.
// The monitor binds the two factories by name and calls the objects through their virtual slots,
// so the order of the slots below is part of the library's interface.
#pragma once

#include "win/base.h"

// The SNMPv3 parameters, handed over as one block.
struct VarnelV3Block {
    const char* user;
    DWORD securityLevel;  // 0 none, 1 authentication, 2 authentication and privacy
    DWORD authProtocol;   // 1 SHA-1
    DWORD privProtocol;   // 1 AES-128
    const char* authPass;
    const char* privPass;
    const char* context;
};

// Access modes of a channel.
constexpr LONG kVarnelCommunity = 0;
constexpr LONG kVarnelV3 = 2;
// Address family codes of a channel.
constexpr LONG kVarnelIpv4 = 1;
constexpr LONG kVarnelIpv6 = 4;
constexpr size_t kVarnelTextSize = 256;

class IVarnelValue {
public:
    virtual const char* Text() = 0;  // the string value, none for other types
};

class IPmsPdu {
public:
    virtual const char* ObjectId() = 0;
    virtual LONG IntegerValue() = 0;
    virtual LONG SecondInteger() = 0;  // the answer's ASN.1 type
    virtual IVarnelValue* Value() = 0;
};

template <class T>
class IPmcPtrList {
public:
    virtual LONG Count() = 0;
    virtual T* At(LONG index) = 0;
    virtual LONG RemoveAt(LONG index) = 0;
    virtual void Release() = 0;
};

class IPmcGetData {
public:
    virtual void Release() = 0;
    virtual LONG SetCommunity(const char* community) = 0;
    virtual LONG OpenChannel(const char* host, LONG family, LONG port, LONG mode, const VarnelV3Block* v3,
                             LONG timeoutMs, LONG retries, LONG reserved) = 0;
    virtual LONG AddObjectId(const char* oid, LONG reserved) = 0;
    virtual LONG Walk(IPmcPtrList<IPmsPdu>* into, const char* oid) = 0;
    virtual LONG ReadText(char* out) = 0;  // kVarnelTextSize bytes, terminated
    virtual LONG ReadInteger(LONG* out) = 0;
};

typedef IPmcGetData* (*VarnelCreateGetData)(LONG* error);
typedef IPmcPtrList<IPmsPdu>* (*VarnelCreatePduList)(LONG* error);

// The exported names. A decorated name cannot be an ELF symbol as it stands, so the library
// exports it escaped (every character outside [A-Za-z0-9_] as "_x" and two hex digits), and
// the platform's GetProcAddress looks such names up in that form.
constexpr char kVarnelGetDataExport[] = "?pmc_create_get_data@@YAPAVIPmcGetData@@PAJ@Z";
constexpr char kVarnelPduListExport[] = "?pms_create_pdu_list@@YAPAV?$IPmcPtrList@VIPmsPdu@@@@PAJ@Z";
constexpr char kVarnelPduListPlain[] = "pms_create_pdu_list";
// A sandbox setting: the UDP port the channel uses instead of the one it is given (tests run
// their agent on a port of their own).
constexpr char kVarnelPortVariable[] = "ORLA_SNMP_PORT";
