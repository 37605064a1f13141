// A whole package file: payload search from offset 0, then tree extraction into "C:\root\Quibel" on an in-memory
// file system where "C:" and "C:\root" exist. Every failure must be one of the system's exceptions, and nothing
// may be created or written outside "C:\root". Aborts otherwise.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "fuzz/FuzzLimits.h"
#include "payload/Errors.h"
#include "payload/FileSystem.h"
#include "payload/PackageReader.h"
#include "payload/TreeExtractor.h"
#include "tests/support/MemoryFileSystem.h"
#include "tests/support/RecordedLines.h"

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

namespace {

const std::string kRoot = "C:\\root";
const std::string kBase = kRoot + "\\Quibel";

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// What Windows makes of one path component: trailing dots and spaces dropped; "CON.txt" is the device CON.
bool IsDevice(const std::string& component) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    base = Upper(base);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") {
        return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           ((base[3] >= '1' && base[3] <= '9') || base[3] == '\xB9' || base[3] == '\xB2' || base[3] == '\xB3');
}

// Resolves the path as Windows would ("\" and "/" separate; "." stays; "..", or dots and spaces holding two dots
// or more, climb) and tells whether it names something strictly below the root, with no stream or device.
bool InsideRoot(const std::string& path) {
    if (path.compare(0, kRoot.size() + 1, kRoot + "\\") != 0 || path.find(':', 2) != std::string::npos) {
        return false;
    }
    int depth = 0;  // levels below the root
    std::size_t begin = kRoot.size() + 1;
    while (begin <= path.size()) {
        std::size_t end = path.find_first_of("\\/", begin);
        if (end == std::string::npos) {
            end = path.size();
        }
        std::string component = path.substr(begin, end - begin);
        begin = end + 1;
        const bool dotsAndSpaces = component.find_first_not_of(". ") == std::string::npos;
        const auto dots = std::count(component.begin(), component.end(), '.');
        if (component.empty() || (dotsAndSpaces && dots < 2)) {
            continue;
        }
        if (dotsAndSpaces) {
            if (--depth < 0) {
                return false;
            }
            continue;
        }
        if (IsDevice(component)) {
            return false;
        }
        ++depth;
    }
    return depth > 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    struct CapScope {
        CapScope() { capAllocations = true; }
        ~CapScope() { capAllocations = false; }
    } cap;
    quibel::PayloadStream stream;
    stream.Replace(std::vector<std::uint8_t>(data, data + size));
    quibel::testing::MemoryFileSystem fileSystem({"C:", kRoot});
    quibel::testing::RecordedLines banner;
    quibel::testing::RecordedLines log;
    try {
        quibel::ForceDirectories(fileSystem, kBase);
        quibel::FindPayload(stream, 0, banner);
        quibel::TreeExtractor extractor(stream, fileSystem, log);
        extractor.ExtractTree(kBase);
    } catch (const quibel::Exception&) {
        // A failure the installer shows; what was written before it stays and is checked below.
    }
    for (const std::string& path : fileSystem.Written()) {
        if (!InsideRoot(path)) {
            std::fprintf(stderr, "package_fuzzer: wrote outside %s: \"%s\"\n", kRoot.c_str(), path.c_str());
            std::abort();
        }
    }
    return 0;
}
