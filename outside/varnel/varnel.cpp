// Varnel.dll on net-snmp: GET and walk over SNMP v2c (community) or SNMPv3 (user with
// authentication and privacy), one single-session handle per request object.
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "outside/varnel/varnel_api.h"
#include "win/base.h"

namespace {

constexpr LONG kOk = 0;
constexpr LONG kFailed = -1;
constexpr size_t kMaxWalk = 100000;  // a misbehaving agent cannot make a walk endless

std::atomic<bool> g_initialised{false};

void InitOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_QUICK_PRINT, 1);
        // Identifiers are numeric: no MIB files are read. A library in the spooler's process
        // keeps quiet on the standard error; failures come back as results.
        netsnmp_set_mib_directory("/nonexistent");
        netsnmp_ds_set_int(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_WARNINGS, 0);
        snmp_disable_log();
        netsnmp_register_loghandler(NETSNMP_LOGHANDLER_NONE, LOG_DEBUG);
        init_snmp("varnel");
        g_initialised = true;
    });
}

// The library's own state (transports, security users, engine ids) goes with the library, so a
// process that unloads it keeps nothing behind.
__attribute__((destructor)) void ShutDownOnUnload() {
    if (g_initialised.exchange(false)) snmp_shutdown("varnel");
}

// The text of a string-like value, cut to fit a 256-byte field.
std::string ValueText(const netsnmp_variable_list* v) {
    switch (v->type) {
        case ASN_OCTET_STR:
        case ASN_OPAQUE:
            return std::string(reinterpret_cast<const char*>(v->val.string), v->val_len).substr(0, kVarnelTextSize - 1);
        case ASN_INTEGER:
        case ASN_COUNTER:
        case ASN_GAUGE:
        case ASN_TIMETICKS:
            return v->val.integer ? std::to_string(*v->val.integer) : std::string();
        default:
            return std::string();
    }
}

BOOL IsNumber(const netsnmp_variable_list* v) {
    return (v->type == ASN_INTEGER || v->type == ASN_COUNTER || v->type == ASN_GAUGE || v->type == ASN_TIMETICKS) &&
           v->val.integer;
}

BOOL IsAnswer(const netsnmp_variable_list* v) {
    return v->type != SNMP_NOSUCHOBJECT && v->type != SNMP_NOSUCHINSTANCE && v->type != SNMP_ENDOFMIBVIEW;
}

std::string OidText(const oid* name, size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += "." + std::to_string(name[i]);
    return text.empty() ? text : text.substr(1);
}

class Pdu final : public IPmsPdu, public IVarnelValue {
public:
    Pdu(std::string oid, LONG integer, LONG type, std::string text, BOOL isText)
        : oid_(std::move(oid)), integer_(integer), type_(type), text_(std::move(text)), isText_(isText) {}
    const char* ObjectId() override { return oid_.c_str(); }
    LONG IntegerValue() override { return integer_; }
    LONG SecondInteger() override { return type_; }
    IVarnelValue* Value() override { return this; }
    const char* Text() override { return isText_ ? text_.c_str() : nullptr; }

private:
    std::string oid_;
    LONG integer_;
    LONG type_;
    std::string text_;
    BOOL isText_;
};

class PduList final : public IPmcPtrList<IPmsPdu> {
public:
    LONG Count() override { return static_cast<LONG>(items_.size()); }
    IPmsPdu* At(LONG index) override {
        return index >= 0 && static_cast<size_t>(index) < items_.size() ? items_[index] : nullptr;
    }
    LONG RemoveAt(LONG index) override {
        if (index < 0 || static_cast<size_t>(index) >= items_.size()) return kFailed;
        delete items_[index];
        items_.erase(items_.begin() + index);
        return kOk;
    }
    void Release() override { delete this; }
    void Add(Pdu* pdu) { items_.push_back(pdu); }
    ~PduList() {
        for (Pdu* p : items_) delete p;
    }

private:
    std::vector<Pdu*> items_;
};

struct ResponseHolder {
    netsnmp_pdu* pdu = nullptr;
    ~ResponseHolder() {
        if (pdu) snmp_free_pdu(pdu);
    }
};

class GetData final : public IPmcGetData {
public:
    void Release() override { delete this; }
    LONG SetCommunity(const char* community) override {
        if (!community) return kFailed;
        community_ = community;
        return kOk;
    }
    LONG OpenChannel(const char* host, LONG family, LONG port, LONG mode, const VarnelV3Block* v3, LONG timeoutMs,
                     LONG retries, LONG) override;
    LONG AddObjectId(const char* text, LONG) override {
        if (!text) return kFailed;
        nameLength_ = MAX_OID_LEN;
        return read_objid(text, name_, &nameLength_) ? kOk : kFailed;
    }
    LONG Walk(IPmcPtrList<IPmsPdu>* into, const char* text) override;
    LONG ReadText(char* out) override;
    LONG ReadInteger(LONG* out) override;
    ~GetData() {
        if (session_) snmp_sess_close(session_);
    }

private:
    // One request for the given name; the answer's first variable, or none.
    BOOL Request(int command, const oid* name, size_t length, ResponseHolder& response);

    void* session_ = nullptr;
    std::string community_;
    oid name_[MAX_OID_LEN] = {};
    size_t nameLength_ = 0;
};

LONG GetData::OpenChannel(const char* host, LONG family, LONG port, LONG mode, const VarnelV3Block* v3, LONG timeoutMs,
                          LONG retries, LONG) {
    if (!host || !*host || session_) return kFailed;
    if (mode == kVarnelV3 && (!v3 || !v3->user || !v3->authPass || !v3->privPass)) return kFailed;
    if (const char* given = std::getenv(kVarnelPortVariable); given && std::atoi(given) > 0) port = std::atoi(given);
    InitOnce();
    std::string peer = (family == kVarnelIpv6 ? "udp6:[" + std::string(host) + "]" : "udp:" + std::string(host)) + ":" +
                       std::to_string(port);
    netsnmp_session settings;
    snmp_sess_init(&settings);
    settings.peername = peer.data();
    settings.timeout = static_cast<long>(timeoutMs) * 1000;
    settings.retries = retries;
    if (mode == kVarnelV3) {
        settings.version = SNMP_VERSION_3;
        settings.securityName = const_cast<char*>(v3->user);
        settings.securityNameLen = std::strlen(v3->user);
        settings.securityLevel = v3->securityLevel >= 2   ? SNMP_SEC_LEVEL_AUTHPRIV
                                 : v3->securityLevel == 1 ? SNMP_SEC_LEVEL_AUTHNOPRIV
                                                          : SNMP_SEC_LEVEL_NOAUTH;
        settings.securityAuthProto = usmHMACSHA1AuthProtocol;
        settings.securityAuthProtoLen = OID_LENGTH(usmHMACSHA1AuthProtocol);
        settings.securityAuthKeyLen = USM_AUTH_KU_LEN;
        settings.securityPrivProto = usmAESPrivProtocol;
        settings.securityPrivProtoLen = OID_LENGTH(usmAESPrivProtocol);
        settings.securityPrivKeyLen = USM_PRIV_KU_LEN;
        if (generate_Ku(settings.securityAuthProto, settings.securityAuthProtoLen,
                        reinterpret_cast<const u_char*>(v3->authPass), std::strlen(v3->authPass),
                        settings.securityAuthKey, &settings.securityAuthKeyLen) != SNMPERR_SUCCESS ||
            generate_Ku(settings.securityAuthProto, settings.securityAuthProtoLen,
                        reinterpret_cast<const u_char*>(v3->privPass), std::strlen(v3->privPass),
                        settings.securityPrivKey, &settings.securityPrivKeyLen) != SNMPERR_SUCCESS)
            return kFailed;
        if (v3->context && *v3->context) {
            settings.contextName = const_cast<char*>(v3->context);
            settings.contextNameLen = std::strlen(v3->context);
        }
    } else {
        if (community_.empty()) return kFailed;
        settings.version = SNMP_VERSION_2c;
        settings.community = reinterpret_cast<u_char*>(community_.data());
        settings.community_len = community_.size();
    }
    session_ = snmp_sess_open(&settings);
    return session_ ? kOk : kFailed;
}

BOOL GetData::Request(int command, const oid* name, size_t length, ResponseHolder& response) {
    if (!session_ || length == 0) return FALSE;
    netsnmp_pdu* request = snmp_pdu_create(command);
    if (!request) return FALSE;
    snmp_add_null_var(request, name, length);
    if (snmp_sess_synch_response(session_, request, &response.pdu) != STAT_SUCCESS || !response.pdu) return FALSE;
    return response.pdu->errstat == SNMP_ERR_NOERROR && response.pdu->variables;
}

LONG GetData::ReadText(char* out) {
    if (!out) return kFailed;
    ResponseHolder response;
    if (!Request(SNMP_MSG_GET, name_, nameLength_, response) || !IsAnswer(response.pdu->variables)) return kFailed;
    std::string text = ValueText(response.pdu->variables);
    std::memset(out, 0, kVarnelTextSize);
    std::memcpy(out, text.data(), text.size());
    return kOk;
}

LONG GetData::ReadInteger(LONG* out) {
    if (!out) return kFailed;
    ResponseHolder response;
    if (!Request(SNMP_MSG_GET, name_, nameLength_, response) || !IsNumber(response.pdu->variables)) return kFailed;
    *out = static_cast<LONG>(*response.pdu->variables->val.integer);
    return kOk;
}

LONG GetData::Walk(IPmcPtrList<IPmsPdu>* into, const char* text) {
    auto* list = dynamic_cast<PduList*>(into);
    if (!list || !text) return kFailed;
    oid root[MAX_OID_LEN];
    size_t rootLength = MAX_OID_LEN;
    if (!read_objid(text, root, &rootLength)) return kFailed;
    oid at[MAX_OID_LEN];
    size_t atLength = rootLength;
    std::memcpy(at, root, rootLength * sizeof(oid));
    for (size_t n = 0; n < kMaxWalk; ++n) {
        ResponseHolder response;
        // A request that fails part-way leaves the table cut short: the walk failed.
        if (!Request(SNMP_MSG_GETNEXT, at, atLength, response)) return kFailed;
        const netsnmp_variable_list* v = response.pdu->variables;
        if (!IsAnswer(v) || v->name_length < rootLength || v->name_length > MAX_OID_LEN ||
            snmp_oidtree_compare(root, rootLength, v->name, v->name_length) != 0)
            return kOk;
        if (snmp_oid_compare(v->name, v->name_length, at, atLength) <= 0) return kFailed;  // not increasing
        BOOL isText = v->type == ASN_OCTET_STR;
        list->Add(new Pdu(OidText(v->name, v->name_length), IsNumber(v) ? static_cast<LONG>(*v->val.integer) : 0,
                          v->type, ValueText(v), isText));
        std::memcpy(at, v->name, v->name_length * sizeof(oid));
        atLength = v->name_length;
    }
    return kOk;
}

}  // namespace

// Exported under the escaped decorated names (see varnel_api.h) and the plain list name.
DLLEXPORT IPmcGetData* _x3fpmc_create_get_data_x40_x40YAPAVIPmcGetData_x40_x40PAJ_x40Z(LONG* error) {
    if (error) *error = 0;
    return new GetData();
}

DLLEXPORT IPmcPtrList<IPmsPdu>*
_x3fpms_create_pdu_list_x40_x40YAPAV_x3f_x24IPmcPtrList_x40VIPmsPdu_x40_x40_x40_x40PAJ_x40Z(LONG* error) {
    if (error) *error = 0;
    return new PduList();
}

DLLEXPORT IPmcPtrList<IPmsPdu>* pms_create_pdu_list(LONG* error) {
    if (error) *error = 0;
    return new PduList();
}
