#pragma once
// The file system of the machine the program runs on: Win32 on Windows, POSIX elsewhere.

#include <functional>
#include <memory>
#include <string>

#include "payload/FileSystem.h"
#include "platform/WholeFileRead.h"

namespace quibel {

// Called with the full path of each directory of a walk's target just before it is opened, and of each file just
// before it is created: tests swap what stands there at that moment, as another program might.
using TargetHook = std::function<void(const std::string& path)>;

// Loads read their files through read: the system's read, or in tests one that fails part-way, which a real file
// can't be made to do under Wine (its reads ignore the byte-range locks of other processes).
std::unique_ptr<FileSystem> MakeNativeFileSystem(FileRead read = SystemFileRead, TargetHook beforeChange = {});

// The separator of the host's paths: "\" on Windows, "/" elsewhere.
char NativeSeparator();

// Windows-1252 text (paths, log lines, messages) as the host's terminal and file names take it: unchanged on
// Windows; on Linux "\" becomes "/" when asked and the text becomes UTF-8.
std::string ToNativeText(const std::string& text, bool separators);
// A command-line argument or host path as Windows-1252 text; throws Exception when it has no Windows-1252 form.
std::string FromNativeText(const std::string& text);

}  // namespace quibel
