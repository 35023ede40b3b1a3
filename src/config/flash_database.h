// The flash database (FlashInfo.dat): which flash parts the station supports,
// with their IDs, texts, geometry and firmware images. Loaded once at start-up
// and read-only afterwards, so any thread may read it without locking once
// the load is done.
//
// The file is a sequence of scrambled 400-byte records (scrambled_file.h); a
// trailing part shorter than a record is ignored.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace varnet {

inline constexpr size_t kFlashRecordSize = 400;

// One record, byte for byte as in the descrambled file. Texts are
// zero-terminated within their field when they are shorter than it; read them
// with FieldText (platform/text.h), which stops at the field's end.
struct ST_SSD_FLASH_PARAM {
    std::array<uint8_t, 64> reserved0;
    std::array<char, 32> name;         // "B0K", "BICS3", "3DV4..."
    std::array<uint8_t, 8> flashId;    // byte 0 is the maker code
    std::array<char, 16> makerText;    // -> Flh_MakeCode
    std::array<char, 16> typeText;     // -> Flh_Type
    std::array<uint8_t, 4> mbPerDieLe; // little-endian MB per die
    uint8_t diesPerCe;
    std::array<char, 128> rdtFirmware; // file name in Bin/
    std::array<char, 128> mpFirmware;  // file name in Bin/; its first 8 characters are the FW version
    std::array<uint8_t, 3> reserved1;

    uint32_t MbPerDie() const;
    void SetMbPerDie(uint32_t mb);
};
static_assert(sizeof(ST_SSD_FLASH_PARAM) == kFlashRecordSize);
static_assert(std::is_trivially_copyable_v<ST_SSD_FLASH_PARAM>);

using FlashId = std::array<uint8_t, 8>;

// "%02X %02X %02X %02X %02X %02X-%s": the first six ID bytes and the name, as
// shown in the flash lists and stored in [ConfigID] ID.
std::string ConfigurationLabel(const ST_SSD_FLASH_PARAM& record);

// Family code of a flash name (exact, case-sensitive); 0 for other names.
uint8_t FlashFamilyOfName(std::string_view name);

class FlashDatabase {
public:
    // 0 when the file was read (even with no whole record), -1 when it could
    // not be opened. Empties the list first.
    int Load(const std::filesystem::path& file = "FlashInfo.dat");
    // The records of descrambled content: one per whole 400 bytes.
    void LoadFromBytes(std::span<const uint8_t> scrambled);

    // The first record whose ID matches: bytes 0-4 when byte 0 is 0x2C, 0x89
    // or 0xB5, bytes 0-5 otherwise; bytes 6 and 7 never count.
    std::optional<ST_SSD_FLASH_PARAM> Find(const FlashId& id) const;
    const ST_SSD_FLASH_PARAM* FindRecord(const FlashId& id) const;
    // Family code of the record found by ID; 0 when none is found.
    uint8_t FamilyOf(const FlashId& id) const;

    const std::vector<ST_SSD_FLASH_PARAM>& Records() const { return records_; }
    bool Empty() const { return records_.empty(); }

private:
    std::vector<ST_SSD_FLASH_PARAM> records_;
    // Index of the earliest record per five- and six-byte ID prefix, built at
    // load, so lookups from every port stay cheap on a large database.
    std::unordered_map<uint64_t, size_t> firstByFive_;
    std::unordered_map<uint64_t, size_t> firstBySix_;
};

// The system's names for the calls above, over one database.
int LoadFlashDatabase(FlashDatabase& db, const std::filesystem::path& file = "FlashInfo.dat");
// 0 and a copy of the first match, -1 when the list is empty, no ID was given
// or nothing matches.
int FindFlashRecord(const FlashDatabase& db, const uint8_t* id, ST_SSD_FLASH_PARAM& out);
uint8_t FlashFamilyOf(const FlashDatabase& db, const FlashId& id);

// Flh_Capacity of a detected configuration in MB: dies per CE x populated CEs x MB per die.
uint32_t DetectedCapacityMb(const ST_SSD_FLASH_PARAM& record, uint32_t populatedCes);

// The scrambled bytes of a database holding records, as FlashInfo.dat stores them.
std::vector<uint8_t> EncodeFlashDatabase(std::span<const ST_SSD_FLASH_PARAM> records);

} // namespace varnet
