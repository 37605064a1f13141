// The installer executable's version resource, read as the file properties of Windows read it: the translation
// first, then the strings of that language and code page, and the fixed numbers.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace quibel {
namespace {

// The built installer program, as Wine sees it (drive Z: is the root of the host).
std::string StubPath() {
    std::string path = "Z:" QUIBEL_STUB_PATH;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

std::string Dotted(DWORD high, DWORD low) {
    return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) + "." +
           std::to_string(LOWORD(low));
}

// Each field as shown: the translation as its block name ("040c04e4"), strings from that block, the fixed numbers
// dotted. Empty when absent.
std::string Field(std::vector<char>& info, const std::string& name) {
    void* value = nullptr;
    UINT size = 0;
    if (name == "Translation" || name.starts_with("StringFileInfo\\")) {
        if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &size) || size < 2 * sizeof(WORD)) {
            return "";
        }
        const auto* pair = static_cast<const WORD*>(value);
        const std::string block = Hex(pair[0], 4) + Hex(pair[1], 4);
        if (name == "Translation") {
            return block;
        }
        const std::string key = name.substr(name.find('\\') + 1);
        const std::string path = "\\StringFileInfo\\" + block + "\\" + key;
        if (!VerQueryValueA(info.data(), path.c_str(), &value, &size) || size == 0) {
            return "";
        }
        return static_cast<const char*>(value);
    }
    if (!VerQueryValueA(info.data(), "\\", &value, &size) || size < sizeof(VS_FIXEDFILEINFO)) {
        return "";
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    if (fixed->dwSignature != VS_FFI_SIGNATURE) {
        return "";
    }
    return name == "fixed file version" ? Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS)
                                        : Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
}

TEST(VersionResource, FilePropertiesShowTheProductAndTheProjectVersion) {
    const std::string path = StubPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_NE(size, 0u) << path << " carries no version resource (error " << GetLastError() << ")";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

    const struct {
        const char* field;
        std::string shown;
    } cases[] = {
        {"Translation", "040c04e4"},  // French (France), Windows-1252
        {"StringFileInfo\\ProductName", "Quibel"},
        {"StringFileInfo\\FileDescription", "Programme d'installation de Quibel"},
        {"StringFileInfo\\ProductVersion", QUIBEL_PROJECT_VERSION},
        {"StringFileInfo\\FileVersion", QUIBEL_PROJECT_VERSION},
        {"fixed file version", QUIBEL_PROJECT_VERSION ".0"},
        {"fixed product version", QUIBEL_PROJECT_VERSION ".0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Field(info, c.field), c.shown) << c.field;
    }
}

}  // namespace
}  // namespace quibel
