// Fault injection: scheduled failures and short writes per operation name, thread-safe.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "plat/control.h"
#include "plat_internal.h"
#include "win/kernel.h"

namespace {

struct Pending {
    int remaining;  // calls until it fires; 1 = the next
    DWORD error;
    DWORD bytesShort;
    bool shortWrite;
};

struct Injections {
    std::mutex lock;
    std::map<std::string, std::vector<Pending>> byOperation;
};

Injections& injections() {
    static Injections* s = new Injections;
    return *s;
}

void Add(const char* operation, int nthCall, Pending p) {
    if (!operation || nthCall < 1) return;
    p.remaining = nthCall;
    Injections& s = injections();
    std::lock_guard<std::mutex> g(s.lock);
    s.byOperation[operation].push_back(p);
}

}  // namespace

namespace plat {

Injection TakeInjection(const char* operation) {
    Injection result;
    Injections& s = injections();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.byOperation.find(operation);
    if (it == s.byOperation.end()) return result;
    // Every pending entry counts this call; the first one that comes due fires.
    auto& list = it->second;
    for (auto& p : list) p.remaining--;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].remaining <= 0) {
            result.due = true;
            result.error = list[i].error;
            result.bytesShort = list[i].bytesShort;
            result.shortWrite = list[i].shortWrite;
            list.erase(list.begin() + static_cast<long>(i));
            break;
        }
    }
    if (list.empty()) s.byOperation.erase(it);
    return result;
}

bool FailNow(const char* operation, DWORD fallback) {
    const Injection inj = TakeInjection(operation);
    if (!inj.due) return false;
    SetLastError(inj.error ? inj.error : fallback);
    return true;
}

}  // namespace plat

extern "C" {

void PlatInjectFailure(const char* operation, int nthCall, DWORD errorCode) {
    Add(operation, nthCall, Pending{0, errorCode ? errorCode : static_cast<DWORD>(ERROR_GEN_FAILURE), 0, false});
}

void PlatInjectShortWrite(const char* operation, int nthCall, DWORD bytesShort) {
    Add(operation, nthCall, Pending{0, 0, bytesShort, true});
}

void PlatClearInjections(void) {
    Injections& s = injections();
    std::lock_guard<std::mutex> g(s.lock);
    s.byOperation.clear();
}

BOOL PlatTakeInjectedFailure(const char* operation, DWORD* errorCode, DWORD* bytesShort) {
    if (!operation) return FALSE;
    plat::Injection inj = plat::TakeInjection(operation);
    if (errorCode) *errorCode = inj.due ? inj.error : 0;
    if (bytesShort) *bytesShort = inj.due ? inj.bytesShort : 0;
    return inj.due ? TRUE : FALSE;
}

}  // extern "C"
