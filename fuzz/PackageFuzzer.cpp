// A whole package file: payload search, then tree extraction into "C:\root\Quibel" on an in-memory file system
// (see CheckPackage). Aborts when something is written outside "C:\root"; any exception that is not one of the
// system's own failures ends the run too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "fuzz/FuzzChecks.h"
#include "fuzz/FuzzLimits.h"

// While an input runs, a single allocation above the limit fails as an exhausted heap would (see FuzzLimits.h);
// the fuzzing engine's own allocations are left alone. Every plain form of new and delete is replaced, so that
// all of them pair up on malloc and free.
static bool capAllocations = false;

static void* Allocate(std::size_t size) noexcept {
    if (capAllocations && size > quibel::fuzz::MaxAllocation) {
        return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

void* operator new(std::size_t size) {
    if (void* memory = Allocate(size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    struct CapScope {
        CapScope() { capAllocations = true; }
        ~CapScope() { capAllocations = false; }
    } cap;
    const std::string fault = quibel::fuzz::CheckPackage(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "package_fuzzer: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
