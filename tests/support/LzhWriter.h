#pragma once
// A minimal .lzh archive writer for tests: one -lh5- member per stream, level-0 headers with the CRC-16 of the
// original data, so that an independent extractor can check what our encoder writes.

#include <cstdint>
#include <string>
#include <vector>

namespace quibel::testing {

// CRC-16 with polynomial 0x8005, reflected, initial value 0: the checksum .lzh members carry.
inline std::uint16_t LzhCrc16(const std::vector<std::uint8_t>& data) {
    std::uint16_t crc = 0;
    for (std::uint8_t byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc =
                (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

class LzhWriter {
  public:
    // Adds a member whose bit stream is lh5Bits (no decoded-size field) and whose content is original.
    void AddMember(const std::string& name,
                   const std::vector<std::uint8_t>& lh5Bits,
                   const std::vector<std::uint8_t>& original) {
        std::vector<std::uint8_t> header;
        const std::string method = "-lh5-";
        header.insert(header.end(), method.begin(), method.end());
        AppendUInt32(header, static_cast<std::uint32_t>(lh5Bits.size()));
        AppendUInt32(header, static_cast<std::uint32_t>(original.size()));
        AppendUInt32(header, 0x58210000u);  // DOS time stamp: 2024-01-01 00:00
        header.push_back(0x20);             // archive attribute
        header.push_back(0);                // header level
        header.push_back(static_cast<std::uint8_t>(name.size()));
        header.insert(header.end(), name.begin(), name.end());
        const std::uint16_t crc = LzhCrc16(original);
        header.push_back(static_cast<std::uint8_t>(crc));
        header.push_back(static_cast<std::uint8_t>(crc >> 8));
        std::uint8_t checksum = 0;
        for (std::uint8_t byte : header) {
            checksum = static_cast<std::uint8_t>(checksum + byte);
        }
        bytes_.push_back(static_cast<std::uint8_t>(header.size()));
        bytes_.push_back(checksum);
        bytes_.insert(bytes_.end(), header.begin(), header.end());
        bytes_.insert(bytes_.end(), lh5Bits.begin(), lh5Bits.end());
    }

    // The archive, closed by its end mark.
    std::vector<std::uint8_t> Finish() const {
        std::vector<std::uint8_t> archive = bytes_;
        archive.push_back(0);
        return archive;
    }

  private:
    static void AppendUInt32(std::vector<std::uint8_t>& out, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }

    std::vector<std::uint8_t> bytes_;
};

}  // namespace quibel::testing
