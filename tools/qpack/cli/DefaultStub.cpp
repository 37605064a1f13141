#include "tools/qpack/cli/DefaultStub.h"
#include "tools/qpack/common/DisplayPath.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include <string>
#endif

#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/common/PackError.h"

namespace quibel::qpack {

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
fs::path ExecutablePath() {
    // The buffer grows until the whole path fits: a path may pass MAX_PATH.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            throw PackError("the path of qpack.exe cannot be had: system error " + std::to_string(GetLastError()));
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
#else
fs::path ExecutablePath() {
    std::error_code error;
    const fs::path path = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        throw PackError("the path of qpack cannot be had from /proc/self/exe: " + error.message());
    }
    return path;
}
#endif

}  // namespace

fs::path DefaultStubPath() {
    return (ExecutablePath().parent_path().parent_path() / "share" / "qpack" / "quibel-setup-stub.exe")
        .lexically_normal();
}

fs::path InstallerStub(const CommandOptions& options) {
    if (!options.stub.empty()) {
        return HostPathFromArgument(options.stub);
    }
    const fs::path path = DefaultStubPath();
    std::error_code error;
    if (!fs::exists(path, error)) {
        throw PackError("no --stub given, and the stub installed with qpack is missing: " + DisplayPath(path));
    }
    return path;
}

}  // namespace quibel::qpack
