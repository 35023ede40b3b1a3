#include "config/flash_database.h"

#include "config/scrambled_file.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "platform/text_format.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace varnet {
namespace {

struct FamilyEntry {
    std::string_view name;
    uint8_t code;
};

constexpr FamilyEntry kFamilies[] = {
    {"6DDJ", 1},   {"7DDJ", 2},   {"6DDK", 3},          {"7DDK", 4},         {"6DDL", 5},  {"7DDL", 6},
    {"7DFL", 7},   {"L06B", 8},   {"SAM_14NM_MLC", 10}, {"SD-19NM-MLC", 11}, {"7TDK", 13}, {"7THL", 14},
    {"BICS2", 15}, {"BICS3", 16}, {"BICS4", 17},        {"B0K", 18},         {"B16", 19},  {"B17", 20},
    {"B27A", 21},  {"B27B", 22},  {"3DV4", 23},         {"3DV5", 25},        {"N18", 29},
};

// These makers' parts are told apart by five ID bytes; the sixth varies
// between dies of one part.
bool ComparesFiveBytes(uint8_t makerCode) {
    return makerCode == 0x2C || makerCode == 0x89 || makerCode == 0xB5;
}

size_t ComparedBytes(const FlashId& id) {
    return ComparesFiveBytes(id[0]) ? 5 : 6;
}

uint64_t IndexKey(const uint8_t* id, size_t n) {
    uint64_t key = 0;
    for (size_t i = 0; i < n; ++i)
        key |= static_cast<uint64_t>(id[i]) << (8 * i);
    return key;
}

} // namespace

uint32_t ST_SSD_FLASH_PARAM::MbPerDie() const {
    return static_cast<uint32_t>(mbPerDieLe[0]) | static_cast<uint32_t>(mbPerDieLe[1]) << 8 |
           static_cast<uint32_t>(mbPerDieLe[2]) << 16 | static_cast<uint32_t>(mbPerDieLe[3]) << 24;
}

void ST_SSD_FLASH_PARAM::SetMbPerDie(uint32_t mb) {
    for (size_t i = 0; i < mbPerDieLe.size(); ++i)
        mbPerDieLe[i] = static_cast<uint8_t>(mb >> (8 * i));
}

std::string ConfigurationLabel(const ST_SSD_FLASH_PARAM& record) {
    const std::string_view name = FieldText(record.name);
    const auto& id = record.flashId;
    return Format("%02X %02X %02X %02X %02X %02X-%.*s", id[0], id[1], id[2], id[3], id[4], id[5],
                  static_cast<int>(name.size()), name.data());
}

uint8_t FlashFamilyOfName(std::string_view name) {
    for (const FamilyEntry& family : kFamilies) {
        if (family.name == name)
            return family.code;
    }
    return 0;
}

int FlashDatabase::Load(const std::filesystem::path& file) {
    records_.clear();
    firstByFive_.clear();
    firstBySix_.clear();
    const std::optional<std::string> bytes = ReadWholeFile(file);
    if (!bytes)
        return -1;
    LoadFromBytes(AsBytes(*bytes));
    return 0;
}

void FlashDatabase::LoadFromBytes(std::span<const uint8_t> scrambled) {
    records_.clear();
    firstByFive_.clear();
    firstBySix_.clear();
    const size_t count = scrambled.size() / kFlashRecordSize;
    // Only whole records are kept, so a partial final word never reaches a
    // record and descrambling just the whole records gives the same bytes.
    std::vector<uint8_t> plain(scrambled.begin(), scrambled.begin() + count * kFlashRecordSize);
    ScrambleInPlace(plain);
    records_.resize(count);
    if (count > 0)
        std::memcpy(records_.data(), plain.data(), plain.size());

    firstByFive_.reserve(count);
    firstBySix_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* id = records_[i].flashId.data();
        // emplace keeps the entry already there: the earliest record wins.
        firstByFive_.emplace(IndexKey(id, 5), i);
        firstBySix_.emplace(IndexKey(id, 6), i);
    }
}

const ST_SSD_FLASH_PARAM* FlashDatabase::FindRecord(const FlashId& id) const {
    const size_t n = ComparedBytes(id);
    const auto& index = n == 5 ? firstByFive_ : firstBySix_;
    const auto found = index.find(IndexKey(id.data(), n));
    return found == index.end() ? nullptr : &records_[found->second];
}

std::optional<ST_SSD_FLASH_PARAM> FlashDatabase::Find(const FlashId& id) const {
    const ST_SSD_FLASH_PARAM* record = FindRecord(id);
    if (!record)
        return std::nullopt;
    return *record;
}

uint8_t FlashDatabase::FamilyOf(const FlashId& id) const {
    const ST_SSD_FLASH_PARAM* record = FindRecord(id);
    return record ? FlashFamilyOfName(FieldText(record->name)) : 0;
}

int LoadFlashDatabase(FlashDatabase& db, const std::filesystem::path& file) {
    return db.Load(file);
}

int FindFlashRecord(const FlashDatabase& db, const uint8_t* id, ST_SSD_FLASH_PARAM& out) {
    if (db.Empty() || !id)
        return -1;
    // Only the compared bytes are read, so a caller holding a six-byte ID is
    // never read past its end.
    FlashId whole{};
    std::copy(id, id + 6, whole.begin());
    const ST_SSD_FLASH_PARAM* record = db.FindRecord(whole);
    if (!record)
        return -1;
    out = *record;
    return 0;
}

uint8_t FlashFamilyOf(const FlashDatabase& db, const FlashId& id) {
    return db.FamilyOf(id);
}

uint32_t DetectedCapacityMb(const ST_SSD_FLASH_PARAM& record, uint32_t populatedCes) {
    // Saturates rather than wraps, so a corrupt record never yields a small,
    // plausible-looking capacity.
    constexpr uint64_t kMax = std::numeric_limits<uint32_t>::max();
    const uint64_t dies = static_cast<uint64_t>(record.diesPerCe) * populatedCes;
    const uint64_t mbPerDie = record.MbPerDie();
    if (mbPerDie != 0 && dies > kMax / mbPerDie)
        return static_cast<uint32_t>(kMax);
    return static_cast<uint32_t>(dies * mbPerDie);
}

std::vector<uint8_t> EncodeFlashDatabase(std::span<const ST_SSD_FLASH_PARAM> records) {
    std::vector<uint8_t> bytes(records.size() * kFlashRecordSize);
    if (!bytes.empty())
        std::memcpy(bytes.data(), records.data(), bytes.size());
    ScrambleInPlace(bytes);
    return bytes;
}

} // namespace varnet
