#include "identify_data.h"

#include <string_view>

namespace varnet::sim {
namespace {

class IdentifyWords {
public:
    void Set(size_t word, uint16_t value) {
        bytes_[2 * word] = static_cast<uint8_t>(value);
        bytes_[2 * word + 1] = static_cast<uint8_t>(value >> 8);
    }

    // ATA strings keep the first character of each pair in the word's high
    // byte, which little-endian storage puts second.
    void SetText(size_t firstWord, size_t words, std::string_view text) {
        for (size_t i = 0; i < 2 * words; ++i) {
            const char c = i < text.size() ? text[i] : ' ';
            bytes_[2 * firstWord + (i ^ 1)] = static_cast<uint8_t>(c);
        }
    }

    void SetChecksum() {
        bytes_[510] = 0xA5;
        uint8_t sum = 0;
        for (size_t i = 0; i < 511; ++i)
            sum = static_cast<uint8_t>(sum + bytes_[i]);
        bytes_[511] = static_cast<uint8_t>(0x100 - sum);
    }

    const std::array<uint8_t, 512>& Bytes() const { return bytes_; }

private:
    std::array<uint8_t, 512> bytes_{};
};

} // namespace

std::array<uint8_t, 512> IdentifyData(const DriveState& state) {
    IdentifyWords w;
    w.Set(0, 0x0040); // fixed, non-removable ATA device
    w.Set(1, 16383);  // legacy geometry: cylinders, heads, sectors per track
    w.Set(3, 16);
    w.Set(6, 63);
    w.SetText(10, 10, state.serial);
    w.SetText(23, 4, state.firmware);
    w.SetText(27, 20, state.model);
    w.Set(47, 0x8010); // up to 16 sectors per READ/WRITE MULTIPLE
    w.Set(49, 0x2F00); // LBA, DMA, IORDY, standby timer
    w.Set(50, 0x4000);
    w.Set(53, 0x0007);
    const uint64_t sectors = state.sectors;
    const uint32_t lba28 = sectors > 0x0FFFFFFF ? 0x0FFFFFFF : static_cast<uint32_t>(sectors);
    w.Set(60, static_cast<uint16_t>(lba28));
    w.Set(61, static_cast<uint16_t>(lba28 >> 16));
    w.Set(63, 0x0407); // multiword DMA 0-2, mode 2 selected
    w.Set(64, 0x0003); // PIO 3 and 4
    w.Set(65, 120);
    w.Set(66, 120);
    w.Set(67, 120);
    w.Set(68, 120);
    w.Set(75, 31);     // queue depth 32
    w.Set(76, 0x010E); // SATA 1.5, 3.0 and 6.0 Gb/s, NCQ
    w.Set(78, 0x0048); // device sleep, in-order delivery
    w.Set(80, 0x0FF0); // ATA8-ACS .. ACS-4
    w.Set(82, 0x746B); // SMART, security, write cache, look-ahead, ...
    w.Set(83, 0x7D09); // 48-bit addressing, FLUSH CACHE EXT
    w.Set(84, 0x6063);
    w.Set(85, 0x7469);
    w.Set(86, 0xBC01);
    w.Set(87, 0x6063);
    w.Set(88, 0x407F); // UDMA 0-6, mode 6 selected
    w.Set(89, 2);      // security erase takes about 4 minutes
    w.Set(93, 0);
    for (size_t i = 0; i < 4; ++i)
        w.Set(100 + i, static_cast<uint16_t>(sectors >> (16 * i)));
    w.Set(106, 0x4000); // one logical sector per physical sector of 512 bytes
    w.Set(128, 0x0021); // security supported, enhanced erase supported
    w.Set(169, 0x0001); // TRIM
    w.Set(217, 0x0001); // non-rotating medium
    w.Set(222, 0x107F); // SATA transport
    w.SetChecksum();
    return w.Bytes();
}

} // namespace varnet::sim
