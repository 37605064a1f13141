#pragma once
// The installer stub that qpack takes when no --stub is given: the one installed with it, found from qpack's own
// executable, so that an installed qpack needs nothing else: <prefix>/bin/qpack takes
// <prefix>/share/qpack/quibel-setup-stub.exe, and so does <folder>\bin\qpack.exe on Windows.

#include <filesystem>

namespace quibel::qpack {

// Where the installed stub lies for the running executable (whether it is there or not); PackError when the
// executable's own path cannot be had.
std::filesystem::path DefaultStubPath();

}  // namespace quibel::qpack
