// The scripted SNMP client library of the monitor tests (see fake_varnel.h).
#include "fake_varnel.h"

#include <algorithm>
#include <cstring>

#include "win/base.h"

namespace {

FakeVarnelScript g_script;

class Value final : public IVarnelValue {
public:
    explicit Value(std::string text) : text_(std::move(text)) {}
    const char* Text() override { return text_.c_str(); }

private:
    std::string text_;
};

class Pdu final : public IPmsPdu {
public:
    Pdu(std::string oid, std::string text) : oid_(std::move(oid)), value_(std::move(text)) {}
    const char* ObjectId() override { return oid_.c_str(); }
    LONG IntegerValue() override { return 0; }
    LONG SecondInteger() override { return 4; }
    IVarnelValue* Value() override { return &value_; }

private:
    std::string oid_;
    class Value value_;
};

class List final : public IPmcPtrList<IPmsPdu> {
public:
    LONG Count() override { return static_cast<LONG>(items_.size()); }
    IPmsPdu* At(LONG i) override { return i >= 0 && i < Count() ? items_[i] : nullptr; }
    LONG RemoveAt(LONG i) override {
        if (i < 0 || i >= Count()) return -1;
        delete items_[i];
        items_.erase(items_.begin() + i);
        return 0;
    }
    void Release() override { delete this; }
    ~List() {
        for (Pdu* p : items_) delete p;
    }
    std::vector<Pdu*> items_;
};

class Request final : public IPmcGetData {
public:
    void Release() override { delete this; }
    LONG SetCommunity(const char* community) override {
        community_ = community ? community : "";
        return 0;
    }
    LONG OpenChannel(const char* host, LONG family, LONG port, LONG mode, const VarnelV3Block* v3, LONG timeoutMs,
                     LONG retries, LONG) override {
        std::lock_guard<std::mutex> g(g_script.lock);
        g_script.channels.push_back(
            {host ? host : "", family, port, mode, community_, v3 && v3->user ? v3->user : "", timeoutMs, retries});
        mode_ = mode;
        return g_script.refuseChannel ? -1 : 0;
    }
    LONG AddObjectId(const char* oid, LONG) override {
        oid_ = oid ? oid : "";
        return oid_.empty() ? -1 : 0;
    }
    LONG Walk(IPmcPtrList<IPmsPdu>* into, const char* oid) override {
        std::lock_guard<std::mutex> g(g_script.lock);
        g_script.reads.push_back(oid);
        if (Fails()) return -1;
        auto* list = static_cast<List*>(into);
        for (const auto& [id, text] : g_script.walk) list->items_.push_back(new Pdu(id, text));
        return 0;
    }
    LONG ReadText(char* out) override {
        std::lock_guard<std::mutex> g(g_script.lock);
        g_script.reads.push_back(oid_);
        auto it = g_script.texts.find(oid_);
        if (Fails() || it == g_script.texts.end()) return -1;
        std::memset(out, 0, kVarnelTextSize);
        std::memcpy(out, it->second.data(), std::min(it->second.size(), kVarnelTextSize - 1));
        return 0;
    }
    LONG ReadInteger(LONG* out) override {
        std::lock_guard<std::mutex> g(g_script.lock);
        g_script.reads.push_back(oid_);
        auto it = g_script.integers.find(oid_);
        if (Fails() || it == g_script.integers.end()) return -1;
        *out = it->second;
        return 0;
    }

private:
    BOOL Fails() const { return g_script.everythingFails || mode_ == g_script.failingMode; }
    std::string community_;
    std::string oid_;
    LONG mode_ = -1;
};

}  // namespace

DLLEXPORT IPmcGetData* _x3fpmc_create_get_data_x40_x40YAPAVIPmcGetData_x40_x40PAJ_x40Z(LONG* error) {
    *error = 0;
    return new Request();
}

// Only the plain name: the monitor falls back to it.
DLLEXPORT IPmcPtrList<IPmsPdu>* pms_create_pdu_list(LONG* error) {
    *error = 0;
    return new List();
}

DLLEXPORT FakeVarnelScript* FakeVarnelState() {
    return &g_script;
}
