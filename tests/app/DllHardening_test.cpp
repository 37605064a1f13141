// Once the search is restricted, a DLL lying beside the program is no longer found by name; system DLLs still are.
#include "app/DllHardening.h"

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

}  // namespace
}  // namespace quibel
