// The sandbox root a fuzz target works in: a fresh temporary folder, made once a process, set as
// the platform's root and removed when the process ends. The registry stays in memory: each
// input makes many changes, and rewriting and syncing the hive for each would leave the fuzzer
// a few inputs a second.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "plat/control.h"

inline const std::string& FuzzSandboxRoot(const char* tag) {
    static const std::string root = [tag] {
        std::string pattern = std::string("/tmp/orla-fuzz-") + tag + "-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        PlatSetSandboxRoot(pattern.c_str());
        if (!PlatSetPersistence(PLAT_PERSIST_IN_MEMORY)) std::abort();
        return pattern;
    }();
    static const bool removed = [] {
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(root, ignored);
        });
        return true;
    }();
    (void)removed;
    return root;
}
