// Flash database bytes and flash tables as they may come from any file: a
// load, every lookup, label and family must never crash or read outside a
// record, lookups must give the first record in file order, and whatever a
// database holds must come back unchanged through its table form.
#include "config/flash_database.h"
#include "config/flash_table.h"
#include "platform/text.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace {

using varnet::FlashId;
using varnet::ST_SSD_FLASH_PARAM;

template <size_t N> bool Fits(const std::array<char, N>& field) {
    return varnet::FieldText(field).size() < N;
}

bool TextsFit(const ST_SSD_FLASH_PARAM& r) {
    return Fits(r.name) && Fits(r.makerText) && Fits(r.typeText) && Fits(r.rdtFirmware) && Fits(r.mpFirmware);
}

// The record as its table line carries it: texts up to their terminator,
// nothing of the uninterpreted bytes.
ST_SSD_FLASH_PARAM Visible(const ST_SSD_FLASH_PARAM& r) {
    ST_SSD_FLASH_PARAM v;
    std::memset(&v, 0, sizeof v);
    varnet::SetFieldText(v.name, varnet::FieldText(r.name));
    v.flashId = r.flashId;
    varnet::SetFieldText(v.makerText, varnet::FieldText(r.makerText));
    varnet::SetFieldText(v.typeText, varnet::FieldText(r.typeText));
    v.mbPerDieLe = r.mbPerDieLe;
    v.diesPerCe = r.diesPerCe;
    varnet::SetFieldText(v.rdtFirmware, varnet::FieldText(r.rdtFirmware));
    varnet::SetFieldText(v.mpFirmware, varnet::FieldText(r.mpFirmware));
    return v;
}

bool Same(std::span<const ST_SSD_FLASH_PARAM> a, std::span<const ST_SSD_FLASH_PARAM> b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size_bytes()) == 0);
}

// The lookup rule stated plainly, against which the database's index is held.
const ST_SSD_FLASH_PARAM* FirstMatch(std::span<const ST_SSD_FLASH_PARAM> records, const FlashId& id) {
    const size_t n = (id[0] == 0x2C || id[0] == 0x89 || id[0] == 0xB5) ? 5 : 6;
    for (const ST_SSD_FLASH_PARAM& r : records) {
        if (std::memcmp(r.flashId.data(), id.data(), n) == 0)
            return &r;
    }
    return nullptr;
}

void CheckLookup(const varnet::FlashDatabase& db, const FlashId& id) {
    const ST_SSD_FLASH_PARAM* found = db.FindRecord(id);
    if (found != FirstMatch(db.Records(), id))
        std::abort();
    ST_SSD_FLASH_PARAM copy;
    const int result = varnet::FindFlashRecord(db, id.data(), copy);
    if ((result == 0) != (found != nullptr) || (found && std::memcmp(&copy, found, sizeof copy) != 0))
        std::abort();
    const uint8_t family = db.FamilyOf(id);
    if (family != (found ? varnet::FlashFamilyOfName(varnet::FieldText(found->name)) : 0))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    varnet::FlashDatabase db;
    db.LoadFromBytes(bytes);
    if (db.Records().size() != size / varnet::kFlashRecordSize)
        std::abort();

    std::vector<ST_SSD_FLASH_PARAM> visible;
    size_t unfit = 0;
    for (const ST_SSD_FLASH_PARAM& record : db.Records()) {
        (void)varnet::ConfigurationLabel(record);
        (void)varnet::DetectedCapacityMb(record, static_cast<uint32_t>(size));
        CheckLookup(db, record.flashId);
        if (TextsFit(record))
            visible.push_back(Visible(record));
        else
            ++unfit;
    }
    // IDs taken from the raw input as well, most of which match nothing.
    for (size_t offset = 0; offset + 8 <= size && offset < 4096; offset += 8) {
        FlashId id;
        std::memcpy(id.data(), data + offset, id.size());
        CheckLookup(db, id);
    }

    // A dump reads back as the same records; only texts that fill their
    // whole field (no terminator) cannot be written again.
    const varnet::FlashTable back = varnet::ParseFlashTable(varnet::FormatFlashTable(db.Records()));
    if (back.errors.size() != unfit || !Same(back.records, visible))
        std::abort();

    // The same bytes as a table: whatever parses formats and parses again
    // unchanged.
    const varnet::FlashTable table =
        varnet::ParseFlashTable(std::string_view(reinterpret_cast<const char*>(data), size));
    const varnet::FlashTable again = varnet::ParseFlashTable(varnet::FormatFlashTable(table.records));
    if (!again.ok() || !Same(again.records, table.records))
        std::abort();
    return 0;
}
