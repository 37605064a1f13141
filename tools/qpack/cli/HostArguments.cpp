#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/common/DisplayPath.h"

#include <thread>

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs windows.h first
#include <shellapi.h>
#endif

#include "platform/TextEncoding.h"
#include "tools/qpack/common/ComposedText.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/TerminalText.h"

namespace quibel::qpack {

#ifdef _WIN32

namespace {

std::string Utf8FromWide(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) {
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    }
    return utf8;
}

}  // namespace

std::vector<std::string> CommandLineArguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; ++i) {
        arguments.push_back(Utf8FromWide(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

#else

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

#endif

std::filesystem::path HostPathFromArgument(const std::string& argument) {
    return std::filesystem::path(std::u8string(argument.begin(), argument.end()));
}

std::string BannerLineFromArgument(const std::string& argument) {
    const auto line = Utf8ToCp1252(ComposedUtf8(argument));
    if (!line) {
        throw PackError("the banner line has no Windows-1252 form: " + DisplayPath(HostPathFromArgument(argument)));
    }
    // The installer shows each line as one line of its log: a line break would make two, other controls garbage.
    for (const char c : *line) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) {
            throw PackError("the banner line holds a control character (code " +
                            std::to_string(static_cast<unsigned char>(c)) + "): " + TerminalText(*line) +
                            "; give one --banner per line");
        }
    }
    return *line;
}

int DefaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace quibel::qpack
