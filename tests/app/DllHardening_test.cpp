// Once the search is restricted, a DLL lying beside the program is no longer found by name; system DLLs still are.
#include "app/DllHardening.h"

#include "app/SystemLibrary.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace quibel {
namespace {

TEST(DllHardening, DllBesideTheProgramIsNoLongerFound) {
    // The program's own directory is searched by default: the probe is found there before the restriction.
    const HMODULE before = LoadLibraryA("planted_probe.dll");
    ASSERT_NE(before, nullptr) << "planted_probe.dll must lie beside the test program";
    ASSERT_TRUE(FreeLibrary(before));
    ASSERT_EQ(GetModuleHandleA("planted_probe.dll"), nullptr);

    RestrictDllSearchToSystem();

    EXPECT_EQ(LoadLibraryA("planted_probe.dll"), nullptr);
    const HMODULE system = LoadLibraryA("mpr.dll");
    EXPECT_NE(system, nullptr);
    if (system != nullptr) {
        FreeLibrary(system);
    }
}

TEST(SystemLibrary, LoadsFromTheSystemDirectoryOnly) {
    const SystemLibrary network("mpr.dll");
    ASSERT_TRUE(network.IsLoaded());
    EXPECT_NE(network.Find<FARPROC>("WNetGetConnectionA"), nullptr);
    EXPECT_EQ(network.Find<FARPROC>("NoSuchFunction"), nullptr);

    // Found beside the program by a plain search, but not in the system directory.
    const HMODULE beside = LoadLibraryExA("planted_probe.dll", nullptr, 0);
    const SystemLibrary planted("planted_probe.dll");
    EXPECT_FALSE(planted.IsLoaded());
    EXPECT_EQ(planted.Find<FARPROC>("PlantedProbe"), nullptr);
    if (beside != nullptr) {
        FreeLibrary(beside);
    }
}

}  // namespace
}  // namespace quibel
