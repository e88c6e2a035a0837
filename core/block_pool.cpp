// Chained memory pool: every allocation of a UI context hangs on one chain that is freed in one call.
#include <cstddef>

#include "core/support.h"
#include "win/kernel.h"

namespace orla {

namespace {

// Each block is a link to the next older block followed by the caller's body. The link takes a
// whole alignment unit so that bodies are aligned for any type.
constexpr SIZE_T kLinkSize = alignof(std::max_align_t);
static_assert(kLinkSize >= sizeof(void*));

void*& LinkOf(void* block) {
    return *static_cast<void**>(block);
}
void* BodyOf(void* block) {
    return static_cast<BYTE*>(block) + kLinkSize;
}

}  // namespace

BlockPool* PoolCreate(void) {
    return static_cast<BlockPool*>(GlobalAlloc(GPTR, sizeof(BlockPool)));
}

void* PoolAlloc(BlockPool* pool, SIZE_T n) {
    if (!pool || n > static_cast<SIZE_T>(-1) - kLinkSize) return nullptr;
    void* block = GlobalAlloc(GPTR, n + kLinkSize);
    if (!block) return nullptr;
    LinkOf(block) = pool->head;
    pool->head = block;
    return BodyOf(block);
}

void PoolFree(BlockPool* pool, void* body) {
    if (!pool || !body) return;
    void** link = &pool->head;
    while (*link) {
        void* block = *link;
        if (BodyOf(block) == body) {
            *link = LinkOf(block);
            GlobalFree(block);
            return;
        }
        link = &LinkOf(block);
    }
}

void PoolDestroy(BlockPool* pool) {
    if (!pool) return;
    void* block = pool->head;
    while (block) {
        void* next = LinkOf(block);
        GlobalFree(block);
        block = next;
    }
    GlobalFree(pool);
}

DWORD PoolBlockCount(const BlockPool* pool) {
    DWORD n = 0;
    for (void* block = pool ? pool->head : nullptr; block; block = LinkOf(block)) ++n;
    return n;
}

}  // namespace orla
