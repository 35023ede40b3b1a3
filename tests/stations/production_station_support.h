// Test helpers for the MP and ReMP stations: a page whose drives answer a
// capacity, ATA identify data as a drive returns it, and a production
// history with given sequence numbers.
#pragma once

#include "fake_device_tree.h"
#include "platform/device_tree.h"
#include "platform/text_format.h"
#include "station_fixture.h"
#include "stations/production_history.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace varnet::test {

// Replaces the fixture's page by one with the same settings whose drives
// answer READ CAPACITY with capacityMb (drive number -> MiB). Call it before
// attaching drives.
inline void GiveDrivesCapacity(StationFixture& f, std::map<int, uint32_t> capacityMb) {
    f.RebuildPage([&](MainPageSetup& setup) { setup.deviceTree = CapacityOnlyTrees(std::move(capacityMb)); });
}

// The report one port of a batch read, after checking what every port of a
// batch whose reports may collide must show: a pass whose early-bad count is
// its own report's (10 x the drive number, as the batch tests' libraries
// write it), and the report file, in the station's folder or, where another
// port took that name, in the port's own P<nn> folder under it.
inline std::filesystem::path CheckOwnReport(StationFixture& f, int port,
                                            const std::filesystem::path& folder) {
    const TileState tile = f.Tile(port);
    EXPECT_EQ(tile.kind, kTilePass) << tile.statusText;
    EXPECT_NE(tile.statusText.find("EarlyBad: " + std::to_string(10 * (port + 1)) + "\r\n"),
              std::string::npos)
        << "port " << port + 1 << ": " << tile.statusText;
    const std::filesystem::path report = f.page->portResult[static_cast<size_t>(port)].reportPath;
    EXPECT_TRUE(std::filesystem::is_regular_file(report)) << report;
    if (report.parent_path() != folder) {
        EXPECT_EQ(report.parent_path(), folder / Format("P%02d", port + 1));
    }
    return report;
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
