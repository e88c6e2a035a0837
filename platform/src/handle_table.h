// Kernel handles: every HANDLE the layer gives out (files, mappings, events, mutexes,
// semaphores, threads, find handles, printers, ports) names a KernelObject in one table.
#pragma once

#include <memory>

#include "win/base.h"

namespace plat {

struct KernelObject {
    virtual ~KernelObject() = default;
    // Called when the last handle to the object is closed (before destruction).
    virtual void OnLastClose() {}
};

// Inserts an object and returns a new handle for it (never null, never INVALID_HANDLE_VALUE).
HANDLE HandleInsert(std::shared_ptr<KernelObject> object);
// Another handle to the same object (DuplicateHandle, OpenEvent, OpenMutex by name).
HANDLE HandleDuplicate(HANDLE handle);
std::shared_ptr<KernelObject> HandleLookup(HANDLE handle);
template <class T>
std::shared_ptr<T> HandleGet(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(HandleLookup(handle));
}
// Removes the handle; FALSE (ERROR_INVALID_HANDLE) when it names nothing.
BOOL HandleClose(HANDLE handle);
// Number of open handles, for leak checks in tests.
size_t HandleCount();

}  // namespace plat
