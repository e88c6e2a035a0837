// The PDEV's allocation list: every block the device context owns hangs on one chain, so that
// DrvDisablePDEV (or a failed DrvEnablePDEV) frees everything with one walk.
#include <cstddef>
#include <unordered_set>

#include "render/pdev.h"

namespace {

// The link word in front of each body, padded so that the body keeps the allocator's alignment.
constexpr size_t kLinkSize = alignof(std::max_align_t) > sizeof(void*) ? alignof(std::max_align_t) : sizeof(void*);

void*& LinkOf(void* block) {
    return *static_cast<void**>(block);
}
BYTE* BodyOf(void* block) {
    return static_cast<BYTE*>(block) + kLinkSize;
}

void* AllocOnList(PdevAllocationList* list, size_t bytes, UINT flags) {
    if (list == nullptr || bytes > static_cast<size_t>(-1) - kLinkSize) return nullptr;
    void* block = GlobalAlloc(flags, bytes + kLinkSize);
    if (block == nullptr) return nullptr;
    LinkOf(block) = list->first;
    list->first = block;
    return BodyOf(block);
}

}  // namespace

PdevAllocationList* CreatePdevAllocationList() {
    return static_cast<PdevAllocationList*>(GlobalAlloc(GPTR, sizeof(PdevAllocationList)));
}

void* PdevAlloc(PdevAllocationList* list, size_t bytes) {
    return AllocOnList(list, bytes, GPTR);
}

void* PdevAllocUnfilled(PdevAllocationList* list, size_t bytes) {
    return AllocOnList(list, bytes, GMEM_FIXED);
}

void PdevFree(PdevAllocationList* list, void* body) {
    if (list == nullptr || body == nullptr) return;
    void** link = &list->first;
    while (*link != nullptr) {
        void* block = *link;
        if (BodyOf(block) == body) {
            *link = LinkOf(block);
            GlobalFree(block);
            return;
        }
        link = &LinkOf(block);
    }
}

void PdevFreeMany(PdevAllocationList* list, const std::vector<void*>& bodies) {
    if (list == nullptr || bodies.empty()) return;
    std::unordered_set<const void*> wanted(bodies.begin(), bodies.end());
    void** link = &list->first;
    while (*link != nullptr && !wanted.empty()) {
        void* block = *link;
        if (wanted.erase(BodyOf(block)) != 0) {
            *link = LinkOf(block);
            GlobalFree(block);
        } else {
            link = &LinkOf(block);
        }
    }
}

void FreePdevAllocationList(PdevAllocationList* list) {
    if (list == nullptr) return;
    void* block = list->first;
    while (block != nullptr) {
        void* next = LinkOf(block);
        GlobalFree(block);
        block = next;
    }
    list->first = nullptr;
    GlobalFree(list);
}

size_t PdevAllocationCount(const PdevAllocationList* list) {
    size_t count = 0;
    for (void* block = list ? list->first : nullptr; block != nullptr; block = LinkOf(block)) ++count;
    return count;
}
