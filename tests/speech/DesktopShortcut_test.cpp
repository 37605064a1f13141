#include "app/DesktopShortcut.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cctype>
#include <cstring>
#include <thread>

#include "app/ComErrors.h"
#include "app/ComPtr.h"
#include "platform/Win32System.h"
#include "tests/speech/TestFiles.h"

namespace quibel {
namespace {

constexpr std::size_t kShowCommandOffset = 0x3C;

// The desktop directory as another shell call reports it.
std::string DesktopPath() {
    char buffer[MAX_PATH + 1] = {};
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, buffer), S_OK);
    return buffer;
}

std::string ShortcutPath() {
    return DesktopPath() + "\\Quibel 4.1.LNK";
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return wide;
}

// Under Wine a drive letter keeps the case it was given where Windows reports a capital: compare it alone
// without regard to case.
::testing::AssertionResult SamePath(const std::string& actual, const std::string& expected) {
    const bool same =
        actual.size() == expected.size() && !actual.empty() &&
        std::tolower(static_cast<unsigned char>(actual[0])) == std::tolower(static_cast<unsigned char>(expected[0])) &&
        actual.compare(1, std::string::npos, expected, 1) == 0;
    if (same) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << '"' << actual << "\" is not \"" << expected << '"';
}

// What a saved shortcut file holds, read back through a fresh link object.
struct LoadedShortcut {
    std::string target;
    std::string workingDirectory;
    std::string description;
    std::uint32_t showCommandField = 0;
};

LoadedShortcut LoadShortcut(const std::string& path) {
    ComPtr<IShellLinkA> link;
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Receive()), S_OK);
    const auto file = QueryInterfaceOrThrow<IPersistFile>(link.Get(), IID_IPersistFile);
    EXPECT_EQ(file->Load(Wide(path).c_str(), STGM_READ), S_OK);
    char buffer[MAX_PATH * 2] = {};
    LoadedShortcut loaded;
    link->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH);
    loaded.target = buffer;
    link->GetWorkingDirectory(buffer, sizeof buffer);
    loaded.workingDirectory = buffer;
    link->GetDescription(buffer, sizeof buffer);
    loaded.description = buffer;
    // Wine's GetShowCmd reads back 1 whatever the file says: look at the file's own field.
    const auto bytes = testing::ReadBytes(path);
    if (bytes && bytes->size() >= kShowCommandOffset + 4) {
        std::memcpy(&loaded.showCommandField, bytes->data() + kShowCommandOffset, 4);
    }
    return loaded;
}

class DesktopShortcut : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(DesktopShortcut, SavesTargetWorkingDirectoryDescriptionAndShowCommand) {
    const struct {
        std::string installDirectory;
    } cases[] = {{"C:\\Apps\\Quibel"}, {"D:\\Programmes\\Bibliothèque été\\Quibel"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installDirectory);
        DeleteFileA(ShortcutPath().c_str());
        MakeDesktopShortcut([&] { return c.installDirectory; });

        const LoadedShortcut loaded = LoadShortcut(ShortcutPath());
        EXPECT_TRUE(SamePath(loaded.target, c.installDirectory + "\\quibel.exe"));
        EXPECT_TRUE(SamePath(loaded.workingDirectory, c.installDirectory + "\\"));
        EXPECT_EQ(loaded.description, "Raccourci vers Quibel 4.1");
        EXPECT_EQ(loaded.showCommandField, 5u);
    }
}

TEST_F(DesktopShortcut, FileIsNamedAfterTheProductInTheDesktopDirectory) {
    MakeDesktopShortcut([] { return std::string("C:\\Apps\\Quibel"); });
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((DesktopPath() + "\\Quibel 4.1.*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_STREQ(found.cFileName, "Quibel 4.1.LNK");
}

TEST_F(DesktopShortcut, SecondRunWritesTheShortcutAgain) {
    testing::WriteBytes(ShortcutPath(), std::vector<std::uint8_t>(3000, 0xEE));
    MakeDesktopShortcut([] { return std::string("E:\\Premier\\Quibel"); });
    MakeDesktopShortcut([] { return std::string("E:\\Second\\Quibel"); });
    const LoadedShortcut loaded = LoadShortcut(ShortcutPath());
    EXPECT_TRUE(SamePath(loaded.target, "E:\\Second\\Quibel\\quibel.exe"));
    EXPECT_EQ(loaded.showCommandField, 5u);
    EXPECT_LT(testing::ReadBytes(ShortcutPath())->size(), 3000u);
}

TEST(DesktopShortcutWithoutCom, LinkObjectThatCannotBeCreatedRaisesEOleSysError) {
    // A thread of its own, on which COM was never initialised.
    std::int32_t code = 0;
    std::string message;
    std::thread([&] {
        try {
            MakeDesktopShortcut([] { return std::string("C:\\Apps\\Quibel"); });
        } catch (const EOleSysError& failure) {
            code = failure.ErrorCode();
            message = failure.what();
        }
    }).join();
    EXPECT_EQ(code, CO_E_NOTINITIALIZED);
    const std::string system = SystemErrorText(static_cast<std::uint32_t>(CO_E_NOTINITIALIZED));
    EXPECT_EQ(message, system.empty() ? std::string("Erreur OLE 800401F0") : system);
}

TEST(EOleSysError, UsesTheSystemTextOrTheCodeInCapitalHexadecimal) {
    EXPECT_STREQ(EOleSysError(static_cast<std::int32_t>(0x8FFFABCD)).what(), "Erreur OLE 8FFFABCD");
    EXPECT_STREQ(EOleSysError(0x0000BEEF).what(), "Erreur OLE 0000BEEF");
    // Codes the system has a text for (not every HRESULT has one under Wine) give that text, trimmed.
    const std::string accessDenied = SystemErrorText(static_cast<std::uint32_t>(E_ACCESSDENIED));
    ASSERT_FALSE(accessDenied.empty());
    EXPECT_EQ(EOleSysError(E_ACCESSDENIED).what(), accessDenied);
    EXPECT_EQ(EOleSysError(E_ACCESSDENIED).ErrorCode(), E_ACCESSDENIED);
}

// An object that counts its references and gives only IUnknown, or also IPersistFile's slot when it accepts.
class CountingObject final : public IUnknown {
  public:
    explicit CountingObject(bool accepts) : accepts_(accepts) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** result) override {
        if (IsEqualIID(id, IID_IUnknown) || accepts_) {
            *result = this;
            AddRef();
            return S_OK;
        }
        *result = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    ULONG references = 1;

  private:
    bool accepts_;
};

TEST(QueryInterfaceOrThrow, RefusedInterfaceRaisesEIntfCastErrorAndLeaksNoReference) {
    CountingObject refusing(false);
    try {
        QueryInterfaceOrThrow<IPersistFile>(&refusing, IID_IPersistFile);
        FAIL() << "no failure";
    } catch (const EIntfCastError& failure) {
        EXPECT_STREQ(failure.what(), "Interface non supportée");
    }
    EXPECT_EQ(refusing.references, 1u);
    EXPECT_THROW(QueryInterfaceOrThrow<IPersistFile>(nullptr, IID_IPersistFile), EIntfCastError);

    CountingObject accepting(true);
    {
        const auto given = QueryInterfaceOrThrow<IUnknown>(&accepting, IID_IPersistFile);
        EXPECT_EQ(accepting.references, 2u);
    }
    EXPECT_EQ(accepting.references, 1u);
}

}  // namespace
}  // namespace quibel
