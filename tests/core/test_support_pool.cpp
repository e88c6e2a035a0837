// The chained memory pool: zero-filled bodies, unlinking from any place in the chain, and
// pointers that are not the pool's own.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/support.h"

using namespace orla;

namespace {

struct PoolHolder {
    BlockPool* pool = PoolCreate();
    ~PoolHolder() { PoolDestroy(pool); }
};

bool AllZero(const void* p, size_t n) {
    auto* b = static_cast<const BYTE*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i] != 0) return false;
    return true;
}

}  // namespace

TEST(SupportPool, NewPoolIsEmptyAndBodiesAreZeroFilledAndAligned) {
    PoolHolder h;
    ASSERT_NE(h.pool, nullptr);
    EXPECT_EQ(h.pool->head, nullptr);
    EXPECT_EQ(PoolBlockCount(h.pool), 0u);
    for (SIZE_T n : {SIZE_T{1}, SIZE_T{7}, SIZE_T{100}, SIZE_T{5000}}) {
        void* body = PoolAlloc(h.pool, n);
        ASSERT_NE(body, nullptr);
        EXPECT_TRUE(AllZero(body, n));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(body) % alignof(std::max_align_t), 0u);
    }
    EXPECT_EQ(PoolBlockCount(h.pool), 4u);
}

TEST(SupportPool, FreeUnlinksFirstMiddleAndLastBlocks) {
    // Free order covers the head (newest), a middle block and the tail (oldest).
    struct Case {
        const char* name;
        std::vector<int> order;
    };
    const Case cases[] = {
        {"newest first", {3, 2, 1, 0}},
        {"oldest first", {0, 1, 2, 3}},
        {"middle first", {2, 1, 3, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PoolHolder h;
        void* bodies[4];
        for (int i = 0; i < 4; ++i) {
            bodies[i] = PoolAlloc(h.pool, 16);
            ASSERT_NE(bodies[i], nullptr);
            *static_cast<int*>(bodies[i]) = i + 1;
        }
        DWORD left = 4;
        for (int i : c.order) {
            PoolFree(h.pool, bodies[i]);
            EXPECT_EQ(PoolBlockCount(h.pool), --left);
            // The blocks still chained keep their contents.
            for (int j = 0; j < 4; ++j) {
                bool freed = false;
                for (int k : c.order) {
                    if (k == j) freed = true;
                    if (k == i) break;
                }
                if (!freed) {
                    EXPECT_EQ(*static_cast<int*>(bodies[j]), j + 1);
                }
            }
        }
        EXPECT_EQ(h.pool->head, nullptr);
    }
}

TEST(SupportPool, ForeignPointersAndEmptyPoolAreIgnored) {
    PoolHolder h;
    int local = 0;
    PoolFree(h.pool, &local);  // empty pool
    EXPECT_EQ(PoolBlockCount(h.pool), 0u);
    void* a = PoolAlloc(h.pool, 32);
    void* b = PoolAlloc(h.pool, 32);
    ASSERT_TRUE(a && b);
    PoolFree(h.pool, &local);
    PoolFree(h.pool, static_cast<BYTE*>(a) + 1);  // inside a body, not a body
    PoolFree(h.pool, nullptr);
    EXPECT_EQ(PoolBlockCount(h.pool), 2u);
    PoolHolder other;
    void* c = PoolAlloc(other.pool, 8);
    PoolFree(h.pool, c);  // another pool's body
    EXPECT_EQ(PoolBlockCount(h.pool), 2u);
    EXPECT_EQ(PoolBlockCount(other.pool), 1u);
}

TEST(SupportPool, OversizedRequestFailsAndLeavesPoolUnchanged) {
    PoolHolder h;
    void* a = PoolAlloc(h.pool, 8);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(PoolAlloc(h.pool, static_cast<SIZE_T>(-1)), nullptr);
    EXPECT_EQ(PoolAlloc(h.pool, static_cast<SIZE_T>(-1) - 4), nullptr);
    EXPECT_EQ(PoolBlockCount(h.pool), 1u);
    EXPECT_EQ(PoolAlloc(nullptr, 8), nullptr);
}
