// The engine's object table and pixel access shared by the Eng* services.
#include "gdi_objects.h"

#include <unordered_map>
#include <unordered_set>

namespace plat::gdi {
namespace {

struct Entry {
    ObjectKind kind;
    std::shared_ptr<void> object;
};

struct Table {
    std::recursive_mutex lock;
    std::unordered_map<ULONG_PTR, Entry> objects;
    std::unordered_map<const SURFOBJ*, std::shared_ptr<Surface>> surfobjs;
    std::unordered_set<const void*> loose;
    // Handles count up from a base far from small integers and pointers, in steps of 4, and are
    // never reused, so a stale handle cannot name a newer object.
    ULONG_PTR next = 0x00A40000;
};

Table& table() {
    static Table* t = new Table;
    return *t;
}

}  // namespace

std::unique_lock<std::recursive_mutex> Lock() {
    return std::unique_lock<std::recursive_mutex>(table().lock);
}

ULONG_PTR Insert(ObjectKind kind, std::shared_ptr<void> object) {
    Table& t = table();
    std::lock_guard<std::recursive_mutex> g(t.lock);
    ULONG_PTR handle = t.next;
    t.next += 4;
    if (kind == ObjectKind::Surface) {
        auto surface = std::static_pointer_cast<Surface>(object);
        surface->so.hsurf = reinterpret_cast<HSURF>(handle);
        t.surfobjs[&surface->so] = surface;
    }
    t.objects[handle] = Entry{kind, std::move(object)};
    return handle;
}

std::shared_ptr<void> Find(ULONG_PTR handle, ObjectKind kind) {
    Table& t = table();
    std::lock_guard<std::recursive_mutex> g(t.lock);
    auto it = t.objects.find(handle);
    if (it == t.objects.end() || it->second.kind != kind) return nullptr;
    return it->second.object;
}

bool Remove(ULONG_PTR handle, ObjectKind kind) {
    Table& t = table();
    std::lock_guard<std::recursive_mutex> g(t.lock);
    auto it = t.objects.find(handle);
    if (it == t.objects.end() || it->second.kind != kind) return false;
    if (kind == ObjectKind::Surface) {
        auto surface = std::static_pointer_cast<Surface>(it->second.object);
        // A locked surface stays reachable through its SURFOBJ until the last unlock.
        if (surface->locks == 0) t.surfobjs.erase(&surface->so);
        surface->deleted = true;
    }
    t.objects.erase(it);
    return true;
}

ULONG Count() {
    Table& t = table();
    std::lock_guard<std::recursive_mutex> g(t.lock);
    size_t deletedButLocked = 0;
    for (auto& [so, surface] : t.surfobjs)
        if (surface->deleted) deletedButLocked++;
    return static_cast<ULONG>(t.objects.size() + t.loose.size() + deletedButLocked);
}

void AddLoose(const void* address) {
    Table& t = table();
    std::lock_guard<std::recursive_mutex> g(t.lock);
    t.loose.insert(address);
}

bool RemoveLoose(const void* address) {
    Table& t = table();
    std::lock_guard<std::recursive_mutex> g(t.lock);
    return t.loose.erase(address) != 0;
}

bool IsLoose(const void* address) {
    Table& t = table();
    std::lock_guard<std::recursive_mutex> g(t.lock);
    return t.loose.count(address) != 0;
}

std::shared_ptr<Surface> FindSurface(HSURF hsurf) {
    return std::static_pointer_cast<Surface>(Find(reinterpret_cast<ULONG_PTR>(hsurf), ObjectKind::Surface));
}

Surface* FromSurfobj(SURFOBJ* pso) {
    if (!pso) return nullptr;
    Table& t = table();
    std::lock_guard<std::recursive_mutex> g(t.lock);
    auto it = t.surfobjs.find(pso);
    return it == t.surfobjs.end() ? nullptr : it->second.get();
}

std::shared_ptr<Palette> FindPalette(HPALETTE hpal) {
    return std::static_pointer_cast<Palette>(Find(reinterpret_cast<ULONG_PTR>(hpal), ObjectKind::Palette));
}

std::shared_ptr<Device> FindDevice(HDEV hdev) {
    return std::static_pointer_cast<Device>(Find(reinterpret_cast<ULONG_PTR>(hdev), ObjectKind::Device));
}

// Called by EngUnlockSurface when the last lock of a deleted surface goes.
void ForgetSurfobj(const SURFOBJ* pso) {
    Table& t = table();
    std::lock_guard<std::recursive_mutex> g(t.lock);
    t.surfobjs.erase(pso);
}

ULONG BitsPerPixel(ULONG iFormat) {
    switch (iFormat) {
        case BMF_1BPP:
            return 1;
        case BMF_4BPP:
            return 4;
        case BMF_8BPP:
            return 8;
        case BMF_16BPP:
            return 16;
        case BMF_24BPP:
            return 24;
        case BMF_32BPP:
            return 32;
        default:
            return 0;
    }
}

ULONG GetPixel(const SURFOBJ& so, LONG x, LONG y) {
    const BYTE* row = static_cast<const BYTE*>(so.pvScan0) + static_cast<ptrdiff_t>(y) * so.lDelta;
    switch (so.iBitmapFormat) {
        case BMF_1BPP:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case BMF_4BPP:
            return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
        case BMF_8BPP:
            return row[x];
        case BMF_16BPP:
            return row[2 * x] | (row[2 * x + 1] << 8);
        case BMF_24BPP:
            return row[3 * x] | (row[3 * x + 1] << 8) | (static_cast<ULONG>(row[3 * x + 2]) << 16);
        case BMF_32BPP:
            return row[4 * x] | (row[4 * x + 1] << 8) | (static_cast<ULONG>(row[4 * x + 2]) << 16) |
                   (static_cast<ULONG>(row[4 * x + 3]) << 24);
        default:
            return 0;
    }
}

void PutPixel(SURFOBJ& so, LONG x, LONG y, ULONG color) {
    BYTE* row = static_cast<BYTE*>(so.pvScan0) + static_cast<ptrdiff_t>(y) * so.lDelta;
    switch (so.iBitmapFormat) {
        case BMF_1BPP: {
            BYTE mask = static_cast<BYTE>(0x80 >> (x & 7));
            if (color & 1)
                row[x >> 3] |= mask;
            else
                row[x >> 3] &= static_cast<BYTE>(~mask);
            break;
        }
        case BMF_4BPP:
            if (x & 1)
                row[x >> 1] = static_cast<BYTE>((row[x >> 1] & 0xF0) | (color & 0x0F));
            else
                row[x >> 1] = static_cast<BYTE>((row[x >> 1] & 0x0F) | ((color & 0x0F) << 4));
            break;
        case BMF_8BPP:
            row[x] = static_cast<BYTE>(color);
            break;
        case BMF_16BPP:
            row[2 * x] = static_cast<BYTE>(color);
            row[2 * x + 1] = static_cast<BYTE>(color >> 8);
            break;
        case BMF_24BPP:
            row[3 * x] = static_cast<BYTE>(color);
            row[3 * x + 1] = static_cast<BYTE>(color >> 8);
            row[3 * x + 2] = static_cast<BYTE>(color >> 16);
            break;
        case BMF_32BPP:
            row[4 * x] = static_cast<BYTE>(color);
            row[4 * x + 1] = static_cast<BYTE>(color >> 8);
            row[4 * x + 2] = static_cast<BYTE>(color >> 16);
            row[4 * x + 3] = static_cast<BYTE>(color >> 24);
            break;
        default:
            break;
    }
}

}  // namespace plat::gdi
