#include "tools/qpack/common/DisplayPath.h"

#include "platform/TextEncoding.h"
#include "tools/qpack/common/ComposedText.h"
#include "tools/qpack/common/TerminalText.h"

namespace quibel::qpack {

std::string HostBytes(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

std::string DisplayPath(const std::filesystem::path& path) {
    std::string text = HostBytes(path);
#ifdef _WIN32
    // The console of a Windows build shows the ANSI code page, which holds composed letters only.
    if (const auto ansi = Utf8ToCp1252(ComposedUtf8(text))) {
        text = *ansi;
    }
#endif
    return ShownText(text);
}

}  // namespace quibel::qpack
