// For the identify, firmware-update and scan tests: the fixture's page rebuilt
// with what those steps read besides the station file (the flash database,
// the customer code, the drives' READ CAPACITY answers), identify data as a
// drive answers it, and the flash-ID list as the library writes it.
#pragma once

#include "config/flash_database.h"
#include "fake_device_tree.h"
#include "platform/device_tree.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "station_fixture.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace varnet::test {

struct PageExtras {
    const FlashDatabase* flashDatabase = nullptr;
    uint8_t customerCode = 0;
    std::map<int, uint32_t> capacityMbByDrive; // drive number -> MiB
};

// Replaces the fixture's page by one with the extras and otherwise the same
// setup; drives are attached afterwards.
inline void RebuildPage(StationFixture& f, const PageExtras& extras) {
    f.RebuildPage([&](MainPageSetup& setup) {
        setup.flashDatabase = extras.flashDatabase;
        setup.customerRecord.bytes[16] = extras.customerCode;
        setup.deviceTree = CapacityOnlyTrees(extras.capacityMbByDrive);
    });
}

// What a drive's identify data says; texts are blank padded as drives do.
struct DriveAnswer {
    std::string serial = "SN0001";
    std::string firmware = "V1B2";
    std::string model = "SSD 256G";
    uint64_t sectors = 0; // words 100-103
};

inline std::array<uint8_t, 512> IdentifyBytes(const DriveAnswer& answer) {
    std::array<uint8_t, 512> data{};
    const auto put = [&](size_t offset, size_t pairs, std::string text) {
        text.resize(2 * pairs, ' ');
        for (size_t i = 0; i < pairs; ++i) {
            data[offset + 2 * i] = static_cast<uint8_t>(text[2 * i + 1]);
            data[offset + 2 * i + 1] = static_cast<uint8_t>(text[2 * i]);
        }
    };
    put(20, 10, answer.serial);
    put(46, 4, answer.firmware);
    put(54, 20, answer.model);
    for (size_t i = 0; i < 8; ++i)
        data[200 + i] = static_cast<uint8_t>(answer.sectors >> (8 * i));
    return data;
}

// The flash-ID list file: one ":" and eight hexadecimal bytes per CE.
inline std::string FlashIdListText(const std::vector<FlashId>& ids) {
    std::string text;
    for (size_t n = 0; n < ids.size(); ++n) {
        const FlashId& id = ids[n];
        text += Format("CE%zu:%02X %02X %02X %02X %02X %02X %02X %02X\r\n", n, id[0], id[1], id[2], id[3],
                       id[4], id[5], id[6], id[7]);
    }
    return text;
}

inline ST_SSD_FLASH_PARAM FlashRecord(std::string_view name, const FlashId& id) {
    ST_SSD_FLASH_PARAM record{};
    SetFieldText(record.name, name);
    record.flashId = id;
    return record;
}

inline FlashDatabase DatabaseOf(const std::vector<ST_SSD_FLASH_PARAM>& records) {
    FlashDatabase database;
    database.LoadFromBytes(EncodeFlashDatabase(records));
    return database;
}

} // namespace varnet::test
