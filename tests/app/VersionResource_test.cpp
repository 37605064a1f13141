// The installer executable's version resource, read as the file properties of Windows read it.
#include <gtest/gtest.h>
#include <windows.h>

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

std::string Dotted(DWORD high, DWORD low) {
    return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) + "." +
           std::to_string(LOWORD(low));
}

// A value of the resource as text, empty when absent: strings as they are, the translation as its block name
// ("040c04e4"), and the fixed part (the root, "\\") asked as "\\ file version" or "\\ product version", dotted.
std::string Shown(std::vector<char>& info, const std::string& query) {
    void* value = nullptr;
    UINT size = 0;
    const bool fixed = query.starts_with("\\ ");
    if (!VerQueryValueA(info.data(), fixed ? "\\" : query.c_str(), &value, &size) || size == 0) {
        return "";
    }
    if (query == "\\VarFileInfo\\Translation") {
        char block[16];
        const auto* pair = static_cast<const WORD*>(value);
        wsprintfA(block, "%04x%04x", pair[0], pair[1]);
        return block;
    }
    if (!fixed) {
        return static_cast<const char*>(value);
    }
    const auto* numbers = static_cast<const VS_FIXEDFILEINFO*>(value);
    return query == "\\ file version" ? Dotted(numbers->dwFileVersionMS, numbers->dwFileVersionLS)
                                      : Dotted(numbers->dwProductVersionMS, numbers->dwProductVersionLS);
}

TEST(VersionResource, FilePropertiesShowTheProductAndTheProjectVersion) {
    const std::string path = StubPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_NE(size, 0u) << path << " carries no version resource (error " << GetLastError() << ")";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

    const struct {
        const char* query;
        std::string shown;
    } cases[] = {
        {"\\VarFileInfo\\Translation", "040c04e4"},  // French (France), Windows-1252: the strings' block
        {"\\StringFileInfo\\040c04e4\\ProductName", "Quibel"},
        {"\\StringFileInfo\\040c04e4\\FileDescription", "Programme d'installation de Quibel"},
        {"\\StringFileInfo\\040c04e4\\ProductVersion", QUIBEL_PROJECT_VERSION},
        {"\\StringFileInfo\\040c04e4\\FileVersion", QUIBEL_PROJECT_VERSION},
        {"\\ file version", QUIBEL_PROJECT_VERSION ".0"},
        {"\\ product version", QUIBEL_PROJECT_VERSION ".0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Shown(info, c.query), c.shown) << c.query;
    }
}

}  // namespace
}  // namespace quibel
