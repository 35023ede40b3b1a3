// Test helpers for the MP and ReMP stations: a page whose drives answer a
// capacity, ATA identify data as a drive returns it, and a production
// history with given sequence numbers.
#pragma once

#include "platform/device_tree.h"
#include "station_fixture.h"
#include "stations/production_history.h"

#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>

namespace varnet::test {

// A device tree that knows only the capacity of each drive number.
class CapacityTree final : public DeviceTree {
public:
    explicit CapacityTree(std::map<int, uint32_t> capacityMb) : capacityMb_(std::move(capacityMb)) {}

    std::optional<std::vector<DeviceInterface>> ListInterfaces(InterfaceClass) override { return {}; }
    DevNode Parent(DevNode) override { return 0; }
    DevNode FirstChild(DevNode) override { return 0; }
    DevNode NextSibling(DevNode) override { return 0; }
    std::optional<std::string> InstanceId(DevNode) override { return {}; }
    std::optional<std::string> DriverKey(DevNode) override { return {}; }
    std::optional<int> HubPortCount(std::string_view) override { return {}; }
    std::optional<int> PortConnectionStatus(std::string_view, int) override { return {}; }
    std::optional<std::string> PortDriverKey(std::string_view, int) override { return {}; }
    std::optional<int> DiskDriveNumber(std::string_view) override { return {}; }
    std::optional<bool> IsRemovableMedium(int) override { return false; }
    std::optional<CapacityReply> ReadCapacity10(int drive) override {
        const auto found = capacityMb_.find(drive);
        if (found == capacityMb_.end() || found->second == 0)
            return {};
        return CapacityReply{found->second * 2048u - 1u, 512u};
    }

private:
    std::map<int, uint32_t> capacityMb_;
};

// Replaces the fixture's page by one with the same settings whose drives
// answer READ CAPACITY with capacityMb (drive number -> MiB). Call it before
// attaching drives.
inline void GiveDrivesCapacity(StationFixture& f, std::map<int, uint32_t> capacityMb) {
    const MainPage& old = *f.page;
    MainPageSetup setup;
    setup.appDir = old.appDir();
    setup.uiLanguage = old.uiLanguage();
    setup.osGeneration = old.osGeneration();
    setup.customerRecord = old.customerRecord();
    setup.flashDatabase = old.flashDatabase();
    setup.library = &f.library;
    setup.view = &f.view;
    setup.logDateFolder = old.logDateFolder();
    setup.pauses = old.pauses();
    setup.steps = old.steps();
    setup.deviceTree = [capacityMb]() -> std::unique_ptr<DeviceTree> {
        return std::make_unique<CapacityTree>(capacityMb);
    };
    auto page = std::make_unique<MainPage>(std::move(setup));
    page->configurationText = old.configurationText;
    page->resultPrefix = old.resultPrefix;
    page->tileFontSize = old.tileFontSize;
    page->portCount = old.portCount;
    (void)page->LoadActiveStationConfig();
    f.page = std::move(page);
}

// ATA identify data: text fields two characters per word, high byte first.
struct IdentifyFields {
    std::string serial;   // up to 20 characters, padded with spaces
    std::string firmware; // up to 8 characters, padded with spaces
    uint32_t sectors = 0; // words 60-61
};

inline std::array<uint8_t, 512> MakeIdentifyData(const IdentifyFields& fields) {
    std::array<uint8_t, 512> data{};
    auto put = [&](size_t first, size_t length, std::string_view text) {
        for (size_t i = 0; i < length; ++i) {
            const char c = i < text.size() ? text[i] : ' ';
            data[first + (i ^ 1)] = static_cast<uint8_t>(c);
        }
    };
    put(20, 20, fields.serial);
    put(46, 8, fields.firmware);
    for (size_t i = 0; i < 4; ++i)
        data[200 + i] = static_cast<uint8_t>(fields.sectors >> (8 * i));
    return data;
}

// A history whose entry i holds sequence number sequences[i] (the others
// empty); every used entry's other bytes are filled with its index + 1, so
// copies can be told apart.
inline ProductionHistory MakeHistory(const std::vector<uint8_t>& sequences) {
    ProductionHistory history;
    history.fill(kHistoryEmptyMark);
    for (size_t i = 0; i < sequences.size(); ++i) {
        uint8_t* entry = history.data() + i * kHistoryEntrySize;
        std::memset(entry, static_cast<int>(i + 1), kHistoryEntrySize);
        entry[kHistorySequenceByte] = sequences[i];
    }
    return history;
}

inline std::string_view HistoryBytes(const ProductionHistory& history, int slot, size_t first,
                                     size_t length) {
    return std::string_view(reinterpret_cast<const char*>(history.data()) +
                                static_cast<size_t>(slot) * kHistoryEntrySize + first,
                            length);
}

} // namespace varnet::test
