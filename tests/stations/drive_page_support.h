// For the identify, firmware-update and scan tests: the fixture's page rebuilt
// with what those steps read besides the station file (the flash database,
// the customer code, the drives' READ CAPACITY answers), identify data as a
// drive answers it, and the flash-ID list as the library writes it.
#pragma once

#include "config/flash_database.h"
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

// A device tree that knows nothing but the capacities of its drives.
class CapacityOnlyTree final : public DeviceTree {
public:
    explicit CapacityOnlyTree(std::map<int, uint32_t> mbByDrive) : mbByDrive_(std::move(mbByDrive)) {}

    std::optional<std::vector<DeviceInterface>> ListInterfaces(InterfaceClass) override {
        return std::nullopt;
    }
    DevNode Parent(DevNode) override { return 0; }
    DevNode FirstChild(DevNode) override { return 0; }
    DevNode NextSibling(DevNode) override { return 0; }
    std::optional<std::string> InstanceId(DevNode) override { return std::nullopt; }
    std::optional<std::string> DriverKey(DevNode) override { return std::nullopt; }
    std::optional<int> HubPortCount(std::string_view) override { return std::nullopt; }
    std::optional<int> PortConnectionStatus(std::string_view, int) override { return std::nullopt; }
    std::optional<std::string> PortDriverKey(std::string_view, int) override { return std::nullopt; }
    std::optional<int> DiskDriveNumber(std::string_view) override { return std::nullopt; }
    std::optional<bool> IsRemovableMedium(int) override { return std::nullopt; }
    std::optional<CapacityReply> ReadCapacity10(int drive) override {
        const auto found = mbByDrive_.find(drive);
        if (found == mbByDrive_.end() || found->second == 0)
            return std::nullopt;
        return CapacityReply{found->second * 2048 - 1, 512};
    }

private:
    std::map<int, uint32_t> mbByDrive_;
};

struct PageExtras {
    const FlashDatabase* flashDatabase = nullptr;
    uint8_t customerCode = 0;
    std::map<int, uint32_t> capacityMbByDrive; // drive number -> MiB
};

// Replaces the fixture's page by one with the extras and otherwise the same
// setup; drives are attached afterwards.
inline void RebuildPage(StationFixture& f, const PageExtras& extras) {
    const MainPage& old = *f.page;
    MainPageSetup setup;
    setup.appDir = old.appDir();
    setup.uiLanguage = old.uiLanguage();
    setup.library = &f.library;
    setup.view = &f.view;
    setup.logDateFolder = old.logDateFolder();
    setup.pauses = old.pauses();
    setup.steps = old.steps();
    setup.flashDatabase = extras.flashDatabase;
    setup.customerRecord.bytes[16] = extras.customerCode;
    setup.deviceTree = [mb = extras.capacityMbByDrive]() -> std::unique_ptr<DeviceTree> {
        return std::make_unique<CapacityOnlyTree>(mb);
    };
    auto page = std::make_unique<MainPage>(std::move(setup));
    page->configurationText = old.configurationText;
    page->resultPrefix = old.resultPrefix;
    page->tileFontSize = old.tileFontSize;
    page->portCount = old.portCount;
    (void)page->LoadActiveStationConfig();
    f.page = std::move(page);
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
