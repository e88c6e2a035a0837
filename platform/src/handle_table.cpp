#include "handle_table.h"

#include <mutex>
#include <unordered_map>

#include "win/kernel.h"

namespace plat {
namespace {

struct Table {
    std::mutex lock;
    std::unordered_map<ULONG_PTR, std::shared_ptr<KernelObject>> entries;
    // Per-object count of open handles, so OnLastClose runs once.
    std::unordered_map<KernelObject*, size_t> opens;
    ULONG_PTR next = 0x1000;
};

Table& table() {
    static Table* t = new Table;  // never destroyed: handles may be closed during exit
    return *t;
}

}  // namespace

HANDLE HandleInsert(std::shared_ptr<KernelObject> object) {
    if (!object) return nullptr;
    Table& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    t.next += 4;  // handle values are multiples of 4, as on Windows
    ULONG_PTR value = t.next;
    t.opens[object.get()]++;
    t.entries.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

HANDLE HandleDuplicate(HANDLE handle) {
    auto object = HandleLookup(handle);
    return object ? HandleInsert(std::move(object)) : nullptr;
}

std::shared_ptr<KernelObject> HandleLookup(HANDLE handle) {
    Table& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.entries.find(reinterpret_cast<ULONG_PTR>(handle));
    return it == t.entries.end() ? nullptr : it->second;
}

BOOL HandleClose(HANDLE handle) {
    std::shared_ptr<KernelObject> object;
    bool last = false;
    {
        Table& t = table();
        std::lock_guard<std::mutex> g(t.lock);
        auto it = t.entries.find(reinterpret_cast<ULONG_PTR>(handle));
        if (it == t.entries.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object = std::move(it->second);
        t.entries.erase(it);
        auto o = t.opens.find(object.get());
        if (o != t.opens.end() && --o->second == 0) {
            t.opens.erase(o);
            last = true;
        }
    }
    if (last) object->OnLastClose();
    return TRUE;
}

size_t HandleCount() {
    Table& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    return t.entries.size();
}

}  // namespace plat
