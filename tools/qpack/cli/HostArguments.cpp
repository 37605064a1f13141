#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/common/DisplayPath.h"

#include <cstdio>
#include <thread>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
// shellapi.h needs windows.h first
#include <shellapi.h>
#else
#include <unistd.h>
#endif

#include "payload/Errors.h"
#include "platform/NativeFileSystem.h"
#include "platform/TextEncoding.h"
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

std::wstring WideFromUtf8(const std::string& text) {
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
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

std::string InstallerPathFromArgument(const std::string& argument) {
    const std::wstring wide = WideFromUtf8(argument);
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, &lossy);
    std::string ansi(size, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), ansi.data(), size,
                        nullptr, &lossy);
    if (lossy) {
        throw PackError(DisplayPath(HostPathFromArgument(argument)) +
                        ": the path has characters outside the ANSI code page, which the installer's file calls "
                        "cannot name");
    }
    return ansi;
}

bool StderrIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

#else

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::string InstallerPathFromArgument(const std::string& argument) {
    try {
        return FromNativeText(argument);
    } catch (const Exception& failure) {
        throw PackError(std::string("the path is ") + failure.what());
    }
}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

#endif

std::filesystem::path HostPathFromArgument(const std::string& argument) {
    return std::filesystem::path(std::u8string(argument.begin(), argument.end()));
}

std::string BannerLineFromArgument(const std::string& argument) {
    const auto line = Utf8ToCp1252(argument);
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
