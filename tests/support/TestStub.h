#pragma once
// The smallest program that passes for the installer: a 32-bit Windows GUI PE image with one section, .rsrc,
// whose resource directory holds one manifest (RT_MANIFEST 1, language 0x409). Each field can be set otherwise,
// so that tests can make every kind of program qpack must refuse as a stub.
//
//   0x000  MZ header, e_lfanew = 0x40        0x138  section table: .rsrc, address 0x1000, file offset 0x200
//   0x040  "PE\0\0", file header              0x200  resource directory: type 24 -> name 1 -> language -> data
//   0x058  optional header (PE32, 224 bytes)  0x258  the manifest

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quibel::testing {

inline std::string ManifestNaming(const std::string& assemblyName) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
           "  <assemblyIdentity type=\"win32\" name=\"" +
           assemblyName + "\" version=\"4.1.0.0\" processorArchitecture=\"x86\"/>\n</assembly>\n";
}

struct TestStubFields {
    std::uint16_t machine = 0x14C;
    std::uint16_t characteristics = 0x0102;  // executable image, 32-bit machine
    std::uint16_t subsystem = 2;             // Windows GUI
    std::optional<std::string> manifest = ManifestNaming("Quibel.Installer");
};

inline std::vector<std::uint8_t> TestStub(const TestStubFields& fields = {}) {
    std::vector<std::uint8_t> image(0x200, 0);
    const auto put = [&image](std::size_t at, std::uint32_t value, int size) {
        if (image.size() < at + static_cast<std::size_t>(size)) {
            image.resize(at + static_cast<std::size_t>(size), 0);
        }
        for (int i = 0; i < size; ++i) {
            image[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    const std::string manifest = fields.manifest.value_or("");
    const std::uint32_t resourceSize = 0x58 + static_cast<std::uint32_t>(manifest.size());
    const std::uint32_t rawSize = (resourceSize + 0x1FF) & ~0x1FFu;
    put(0, 'M' | 'Z' << 8, 2);
    put(0x3C, 0x40, 4);
    put(0x40, 'P' | 'E' << 8, 4);
    put(0x44, fields.machine, 2);
    put(0x46, 1, 2);    // one section
    put(0x54, 224, 2);  // SizeOfOptionalHeader
    put(0x56, fields.characteristics, 2);
    put(0x58, 0x10B, 2);        // PE32
    put(0x58 + 32, 0x1000, 4);  // SectionAlignment
    put(0x58 + 36, 0x200, 4);   // FileAlignment
    put(0x58 + 56, 0x2000, 4);  // SizeOfImage
    put(0x58 + 60, 0x200, 4);   // SizeOfHeaders
    put(0x58 + 68, fields.subsystem, 2);
    put(0x58 + 92, 16, 4);  // NumberOfRvaAndSizes
    if (fields.manifest) {
        put(0x58 + 96 + 8 * 2, 0x1000, 4);  // the resource directory
        put(0x58 + 96 + 8 * 2 + 4, resourceSize, 4);
    }
    const std::string section = ".rsrc";
    std::copy(section.begin(), section.end(), image.begin() + 0x138);
    put(0x138 + 8, resourceSize, 4);
    put(0x138 + 12, 0x1000, 4);
    put(0x138 + 16, rawSize, 4);
    put(0x138 + 20, 0x200, 4);
    image.resize(0x200 + rawSize, 0);
    // Each directory table: 12 bytes of stamps and versions, the named and numbered entry counts, the entries.
    const std::uint32_t subdirectory = 0x80000000;
    put(0x200 + 14, 1, 2);
    put(0x200 + 16, 24, 4);  // RT_MANIFEST
    put(0x200 + 20, subdirectory | 0x18, 4);
    put(0x218 + 14, 1, 2);
    put(0x218 + 16, 1, 4);  // resource 1
    put(0x218 + 20, subdirectory | 0x30, 4);
    put(0x230 + 14, 1, 2);
    put(0x230 + 16, 0x409, 4);  // its one language
    put(0x230 + 20, 0x48, 4);
    put(0x248, 0x1000 + 0x58, 4);  // the data: its address and size
    put(0x248 + 4, static_cast<std::uint32_t>(manifest.size()), 4);
    std::copy(manifest.begin(), manifest.end(), image.begin() + 0x258);
    return image;
}

}  // namespace quibel::testing
