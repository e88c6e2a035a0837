// The main of the test programs: GoogleTest, with the platform's persisted state written by atomic
// rename but not synced to disk. A test's sandbox is thrown away after it, and each sync costs
// milliseconds on a busy disk: with them the tests spent most of their time waiting on the disk.
// The platform's own tests keep the durable default (their program uses GoogleTest's main).
#include <gtest/gtest.h>

#include "plat/control.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!PlatSetPersistence(PLAT_PERSIST_UNSYNCED)) return 1;
    return RUN_ALL_TESTS();
}
