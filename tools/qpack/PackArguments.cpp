#include "tools/qpack/PackArguments.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "payload/Errors.h"
#include "platform/NativeFileSystem.h"
#include "platform/TextEncoding.h"

namespace quibel::qpack {

int DefaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

std::filesystem::path HostPathFromArgument(const std::string& argument) {
#ifdef _WIN32
    const std::string utf8 = Cp1252ToUtf8(argument);
#else
    const std::string& utf8 = argument;
#endif
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

void PrintWarnings(const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "qpack: warning: %s\n", warning.c_str());
    }
}

bool StderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

std::optional<PackArguments> ParsePackArguments(const char* command,
                                                const Arguments& arguments,
                                                bool wantsStub,
                                                int& exitCode) {
    PackArguments parsed;
    std::vector<std::string> positional;
    auto fail = [&](const std::string& problem) {
        exitCode = UsageError(command, problem);
        return std::nullopt;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            parsed.help = true;
            return parsed;
        }
        if (argument == "--best") {
            parsed.best = true;
            continue;
        }
        const bool takesValue =
            argument == "-o" || argument == "--banner" || argument == "-j" || (wantsStub && argument == "--stub");
        if (!takesValue) {
            if (argument.size() > 1 && argument[0] == '-') {
                return fail("unknown option " + argument);
            }
            positional.push_back(argument);
            continue;
        }
        if (++i == arguments.size()) {
            return fail(argument + " needs a value");
        }
        const std::string& value = arguments[i];
        if (argument == "-o") {
            parsed.output = value;
        } else if (argument == "--stub") {
            parsed.stub = value;
        } else if (argument == "-j") {
            char* end = nullptr;
            const long threads = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || threads < 1 || threads > 256) {
                return fail("-j takes a thread count from 1 to 256");
            }
            parsed.threads = static_cast<int>(threads);
        } else {
            try {
                parsed.bannerLines.push_back(FromNativeText(value));
            } catch (const Exception&) {
                return fail("the banner line has no Windows-1252 form: " + value);
            }
        }
    }
    if (positional.size() != 1) {
        return fail("expected one directory");
    }
    if (parsed.output.empty()) {
        return fail("-o FILE is required");
    }
    if (wantsStub && parsed.stub.empty()) {
        return fail("--stub STUB.exe is required");
    }
    parsed.directory = positional[0];
    if (parsed.threads == 0) {
        parsed.threads = DefaultThreadCount();
    }
    return parsed;
}

}  // namespace quibel::qpack
