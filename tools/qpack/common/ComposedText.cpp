#include "tools/qpack/common/ComposedText.h"

#ifdef _WIN32
#include <windows.h>  // NormalizeString, from normaliz.dll
#else
#include <utf8proc.h>

#include <cstdlib>
#include <memory>
#endif

namespace quibel::qpack {

#ifdef _WIN32

std::string ComposedUtf8(const std::string& text) {
    if (text.empty()) {
        return text;
    }
    const int size = static_cast<int>(text.size());
    const int wideSize = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (wideSize <= 0) {
        return text;
    }
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), wideSize);
    // The system's estimate may fall short; it then says how much more it needs.
    std::wstring composed;
    int estimate = NormalizeString(NormalizationC, wide.data(), wideSize, nullptr, 0);
    for (int attempt = 0; attempt < 4 && estimate > 0; ++attempt) {
        composed.assign(static_cast<std::size_t>(estimate), L'\0');
        const int length = NormalizeString(NormalizationC, wide.data(), wideSize, composed.data(), estimate);
        if (length > 0) {
            composed.resize(static_cast<std::size_t>(length));
            const int utf8Size = WideCharToMultiByte(CP_UTF8, 0, composed.data(), length, nullptr, 0, nullptr, nullptr);
            std::string utf8(static_cast<std::size_t>(utf8Size), '\0');
            WideCharToMultiByte(CP_UTF8, 0, composed.data(), length, utf8.data(), utf8Size, nullptr, nullptr);
            return utf8;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            break;
        }
        estimate = -length;
    }
    return text;
}

#else

std::string ComposedUtf8(const std::string& text) {
    const std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> composed(
        utf8proc_NFC(reinterpret_cast<const utf8proc_uint8_t*>(text.c_str())), &std::free);
    if (!composed || text.find('\0') != std::string::npos) {
        return text;
    }
    return reinterpret_cast<const char*>(composed.get());
}

#endif

}  // namespace quibel::qpack
