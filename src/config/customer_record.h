// The customer record: the first 309 bytes of the descrambled
// Bin/SB_ISP_Ram.BIN, read once at start-up. Its customer code and option
// bytes steer titles, captions and configuration rules.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>

namespace varnet {

inline constexpr size_t kCustomerRecordSize = 309;
inline constexpr const char* kCustomerFile = "./Bin/SB_ISP_Ram.BIN";

struct CustomerRecord {
    std::array<uint8_t, kCustomerRecordSize> bytes{};

    uint8_t Byte(size_t n) const { return n < bytes.size() ? bytes[n] : 0; }
    uint8_t CustomerCode() const { return bytes[16]; } // 0-9; 8 is the base edition
    bool SortingOnly() const { return bytes[39] != 0; }
    bool AlternativeBaseTitle() const { return bytes[49] != 0; }
    // Bytes 33-36 hold "KXMP".
    bool Valid() const;
};

// The record of a file's raw (scrambled) bytes: padded with zeros to at least
// 309 bytes and to whole words, descrambled, cut to 309; all zero unless the
// marker is present.
CustomerRecord DecodeCustomerRecord(std::span<const uint8_t> fileBytes);

// Reads the file; nullopt-like false when it cannot be opened.
bool LoadCustomerRecord(const std::filesystem::path& file, CustomerRecord& out);

} // namespace varnet
