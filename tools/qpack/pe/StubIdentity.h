#pragma once
// The stub `qpack installer` takes must be the installer program: a 32-bit Windows GUI executable whose sections
// all lie within the file, carrying the installer's own identity, the assembly name its manifest gives it
// (app/installer.manifest, built into the stub as resource RT_MANIFEST 1). Any other program, or the installer
// cut short, would make an "installer" that installs nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quibel::qpack {

inline constexpr const char* kInstallerIdentity = "Quibel.Installer";

// What is wrong with stub as the installer program, in words that name what was found instead ("a DLL", "a
// console program", "its manifest names \"Other.App\""); nullopt for the installer program.
std::optional<std::string> StubIdentityProblem(const std::vector<std::uint8_t>& stub);

// The name of the manifest's own assemblyIdentity (not one of a dependency); nullopt when there is none.
std::optional<std::string> ManifestAssemblyName(const std::string& manifest);

}  // namespace quibel::qpack
