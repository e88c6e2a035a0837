// Owners for the blocks and modules the interface DLL borrows from the platform: freed however
// the borrowing routine ends.
#pragma once

#include <memory>

#include "core/support.h"
#include "win/base.h"
#include "win/kernel.h"

namespace orla {

struct GlobalFreeDeleter {
    void operator()(void* block) const { GlobalFree(block); }
};
template <class T>
using GlobalHeld = std::unique_ptr<T, GlobalFreeDeleter>;

struct ResourceDllDeleter {
    void operator()(HINSTANCE__* module) const { FreeResourceDll(module); }
};
using ResourceDllHeld = std::unique_ptr<HINSTANCE__, ResourceDllDeleter>;

struct LibraryDeleter {
    void operator()(HINSTANCE__* module) const { FreeLibrary(module); }
};
using LibraryHeld = std::unique_ptr<HINSTANCE__, LibraryDeleter>;

}  // namespace orla
