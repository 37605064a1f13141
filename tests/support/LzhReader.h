#pragma once
// Reads the members of an .lzh archive whose headers are of level 2, to reach each member's compressed data.
//
// Level-2 member header (little-endian), followed at once by the compressed data:
//   0   2  total header size, extended headers included
//   2   5  method, such as "-lh5-"
//   7   4  compressed size
//   11  4  original size
//   15  4  time stamp (Unix time)
//   19  1  attribute (0x20)
//   20  1  header level: 2
//   21  2  CRC-16 of the original data
//   23  1  operating system id
//   24  2  size of the first extended header (0: none)
// Extended header: its size counts a type byte, the data and the 2-byte size of the next one.
// Type 0x01 carries the file name. A header size of 0 (a single zero byte) ends the archive.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace quibel::testing {

struct LzhMember {
    std::string method;
    std::string name;
    std::uint32_t originalSize = 0;
    std::uint16_t crc16 = 0;
    std::vector<std::uint8_t> compressed;
};

inline std::vector<LzhMember> ReadLevel2Archive(const std::vector<std::uint8_t>& archive) {
    auto u16 = [&](std::size_t at) {
        if (at + 2 > archive.size()) {
            throw std::runtime_error("archive cut inside a header");
        }
        return static_cast<std::uint32_t>(archive[at] | archive[at + 1] << 8);
    };
    auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };

    std::vector<LzhMember> members;
    std::size_t at = 0;
    while (at < archive.size() && archive[at] != 0) {
        const std::size_t headerSize = u16(at);
        if (at + 26 > archive.size() || archive[at + 20] != 2 || headerSize < 26) {
            throw std::runtime_error("not a level-2 header");
        }
        LzhMember member;
        member.method.assign(archive.begin() + static_cast<std::ptrdiff_t>(at + 2),
                             archive.begin() + static_cast<std::ptrdiff_t>(at + 7));
        const std::size_t compressedSize = u32(at + 7);
        member.originalSize = u32(at + 11);
        member.crc16 = static_cast<std::uint16_t>(u16(at + 21));
        std::size_t extension = at + 24;
        for (std::size_t size = u16(extension); size != 0;) {
            const std::size_t start = extension + 2;
            if (size < 3 || start + size > at + headerSize) {
                throw std::runtime_error("extended header runs past its header");
            }
            if (archive[start] == 0x01) {
                member.name.assign(archive.begin() + static_cast<std::ptrdiff_t>(start + 1),
                                   archive.begin() + static_cast<std::ptrdiff_t>(start + size - 2));
            }
            extension = start + size - 2;
            size = u16(extension);
        }
        const std::size_t data = at + headerSize;
        if (data + compressedSize > archive.size()) {
            throw std::runtime_error("compressed data runs past the archive");
        }
        member.compressed.assign(archive.begin() + static_cast<std::ptrdiff_t>(data),
                                 archive.begin() + static_cast<std::ptrdiff_t>(data + compressedSize));
        members.push_back(std::move(member));
        at = data + compressedSize;
    }
    return members;
}

}  // namespace quibel::testing
