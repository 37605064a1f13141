#include "tools/qpack/pe/PeResources.h"

#include "tools/qpack/pe/FileFields.h"
#include "tools/qpack/pe/PortableExecutable.h"

namespace quibel::qpack {

namespace {

constexpr std::uint32_t kHighBit = 0x80000000;  // an entry's name is a string; its value a subdirectory
constexpr std::int64_t kLargestResourceDirectory = 64 << 20;
constexpr std::int64_t kLargestResource = 64 << 20;

// The resource directory read into memory; offsets within it are counted from its start.
class ResourceDirectory {
  public:
    ResourceDirectory(ByteSource& image, std::int64_t offset, std::int64_t size) : fields_(image, offset, size) {}

    // The value of the entry that matches key in the directory table at offset.
    std::optional<std::uint32_t> Find(std::uint32_t table, const ResourceKey& key) const {
        const std::uint32_t entries = Little(table + 12, 2) + Little(table + 14, 2);
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::int64_t entry = std::int64_t{table} + 16 + 8 * std::int64_t{i};
            if (!Holds(entry, 8)) {
                return std::nullopt;
            }
            const std::uint32_t nameField = Little(entry, 4);
            if (Matches(nameField, key)) {
                return Little(entry + 4, 4);
            }
        }
        return std::nullopt;
    }

    // The value of the table's first entry, whatever its key (the first language).
    std::optional<std::uint32_t> First(std::uint32_t table) const {
        if (!Holds(std::int64_t{table} + 16, 8) || Little(table + 12, 2) + Little(table + 14, 2) == 0) {
            return std::nullopt;
        }
        return Little(std::int64_t{table} + 20, 4);
    }

    bool Holds(std::int64_t offset, std::int64_t size) const { return fields_.Holds(offset, size); }
    std::uint32_t Little(std::int64_t offset, int size) const { return fields_.Little(offset, size); }

  private:
    bool Matches(std::uint32_t nameField, const ResourceKey& key) const {
        if ((nameField & kHighBit) == 0) {
            return key.id && *key.id == (nameField & 0xFFFF);
        }
        const std::int64_t text = nameField & ~kHighBit;  // a count of UTF-16 units, then the units
        const std::uint32_t length = Little(text, 2);
        if (key.id || length != key.name.size() || !Holds(text + 2, 2 * std::int64_t{length})) {
            return false;
        }
        for (std::uint32_t i = 0; i < length; ++i) {
            const std::uint32_t unit = Little(text + 2 + 2 * i, 2);
            const auto upper = [](std::uint32_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
            if (upper(unit) != upper(static_cast<unsigned char>(key.name[i]))) {
                return false;
            }
        }
        return true;
    }

    FileFields fields_;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> FindResource(ByteSource& image,
                                                      const ResourceKey& type,
                                                      const ResourceKey& name) {
    const auto headers = ReadPeHeaders(image);
    const auto directory = headers ? ReadDataDirectory(image, *headers, kResourceDirectory) : std::nullopt;
    if (!directory || directory->size == 0) {
        return std::nullopt;
    }
    const std::vector<PeSection> sections = ReadPeSections(image, *headers);
    const auto start = FileOffsetOf(sections, directory->address);
    if (!start) {
        return std::nullopt;
    }
    const ResourceDirectory resources(image, *start,
                                      std::min<std::int64_t>(directory->size, kLargestResourceDirectory));
    // Type and name lead to subdirectories; the language to a data entry: address, size, code page, reserved.
    const auto names = resources.Find(0, type);
    const auto languages = names && (*names & kHighBit) ? resources.Find(*names & ~kHighBit, name) : std::nullopt;
    const auto data = languages && (*languages & kHighBit) ? resources.First(*languages & ~kHighBit) : std::nullopt;
    if (!data || (*data & kHighBit) || !resources.Holds(*data, 8)) {
        return std::nullopt;
    }
    const auto offset = FileOffsetOf(sections, resources.Little(*data, 4));
    const std::int64_t size = resources.Little(std::int64_t{*data} + 4, 4);
    if (!offset || size > kLargestResource) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (image.ReadAt(*offset, bytes.data(), bytes.size()) != bytes.size()) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace quibel::qpack
