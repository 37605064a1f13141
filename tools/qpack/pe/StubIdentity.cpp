#include "tools/qpack/pe/StubIdentity.h"

#include <cstdio>

#include "payload/ByteSource.h"
#include "tools/qpack/pe/PeResources.h"
#include "tools/qpack/pe/PortableExecutable.h"

namespace quibel::qpack {

namespace {

constexpr std::uint16_t kManifestId = 1;  // CREATEPROCESS_MANIFEST_RESOURCE_ID
constexpr std::uint16_t kSubsystemConsole = 3;

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

std::optional<std::string> HeaderProblem(const PeHeaders& headers) {
    if (headers.machine != kMachineI386) {
        return "an executable for another processor (machine " + Hex(headers.machine) +
               "), not the 32-bit x86 installer program";
    }
    if (headers.magic != kOptionalMagicPe32) {
        return "not a 32-bit image (optional header magic " + Hex(headers.magic) + ")";
    }
    if ((headers.characteristics & kImageDll) != 0) {
        return "a DLL, not the installer program";
    }
    if ((headers.characteristics & kImageExecutable) == 0) {
        return "not marked executable (characteristics " + Hex(headers.characteristics) + ")";
    }
    if (headers.subsystem != kSubsystemWindowsGui) {
        return headers.subsystem == kSubsystemConsole
                   ? std::string("a console program, not the installer program (a Windows GUI program)")
                   : "a program for subsystem " + std::to_string(headers.subsystem) +
                         ", not the installer program (a Windows GUI program)";
    }
    return std::nullopt;
}

// A name read from the stub, as it can be printed: control characters as "?", at most 100 characters.
std::string Printable(std::string text) {
    if (text.size() > 100) {
        text = text.substr(0, 100) + "...";
    }
    for (char& c : text) {
        c = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
    return text;
}

// The text between the quotes of attribute's value in the tag that starts at tag; nullopt when it has none.
std::optional<std::string> AttributeValue(const std::string& text, std::size_t tag, const std::string& attribute) {
    const std::size_t end = text.find('>', tag);
    for (std::size_t at = text.find(attribute + "=", tag); at < end; at = text.find(attribute + "=", at + 1)) {
        const char before = text[at - 1];
        const std::size_t quote = at + attribute.size() + 1;
        if ((before == ' ' || before == '\t' || before == '\r' || before == '\n') && quote < text.size() &&
            (text[quote] == '"' || text[quote] == '\'')) {
            const std::size_t close = text.find(text[quote], quote + 1);
            if (close < end) {
                return text.substr(quote + 1, close - quote - 1);
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ManifestAssemblyName(const std::string& manifest) {
    // A dependency (the common controls, say) names another assembly in an assemblyIdentity of its own.
    std::string own = manifest;
    for (std::size_t open = own.find("<dependency"); open != std::string::npos; open = own.find("<dependency", open)) {
        const std::size_t close = own.find("</dependency>", open);
        own.erase(open, close == std::string::npos ? std::string::npos : close + 13 - open);
    }
    for (std::size_t at = own.find("assemblyIdentity"); at != std::string::npos;
         at = own.find("assemblyIdentity", at + 1)) {
        const std::size_t tag = own.rfind('<', at);
        if (tag != std::string::npos && own.find_first_of(" \t\r\n>", tag) > at && own[tag + 1] != '/') {
            return AttributeValue(own, at, "name");
        }
    }
    return std::nullopt;
}

std::optional<std::string> StubIdentityProblem(const std::vector<std::uint8_t>& stub) {
    MemorySource image(stub);
    const auto headers = ReadPeHeaders(image);
    if (!headers) {
        return stub.size() >= 2 && stub[0] == 'M' && stub[1] == 'Z'
                   ? "not a PE executable (no PE signature at the offset its MZ header gives)"
                   : "not a PE executable (no MZ header)";
    }
    if (auto problem = HeaderProblem(*headers)) {
        return problem;
    }
    const std::vector<PeSection> sections = ReadPeSections(image, *headers);
    if (sections.size() != headers->sectionCount) {
        return "its section table runs past the end of the file: the program is cut short";
    }
    for (const PeSection& section : sections) {
        const std::uint64_t end = std::uint64_t{section.rawOffset} + section.rawSize;
        if (section.rawSize > 0 && end > stub.size()) {
            return "section \"" + Printable(section.name) + "\" runs to byte " + std::to_string(end) +
                   ", past the end of the " + std::to_string(stub.size()) + "-byte file: the program is cut short";
        }
    }
    const auto manifest = FindResource(image, ResourceKey::Id(kResourceTypeManifest), ResourceKey::Id(kManifestId));
    if (!manifest) {
        return std::string(
                   "a program without a manifest (resource RT_MANIFEST 1), not the installer program (whose "
                   "manifest names \"") +
               kInstallerIdentity + "\")";
    }
    const auto name = ManifestAssemblyName(std::string(manifest->begin(), manifest->end()));
    if (!name) {
        return std::string("a program whose manifest names no assembly, not the installer program (\"") +
               kInstallerIdentity + "\")";
    }
    if (*name != kInstallerIdentity) {
        return "a program whose manifest names \"" + Printable(*name) + "\", not the installer program (\"" +
               kInstallerIdentity + "\")";
    }
    return std::nullopt;
}

}  // namespace quibel::qpack
