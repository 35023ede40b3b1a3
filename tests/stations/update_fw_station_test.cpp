// 07_UpdateFW: which firmware file reaches the library, and the verdict.
#include "drive_page_support.h"
#include "platform/ini_document.h"
#include "station_fixture.h"
#include "stations/station_steps.h"

#include <gtest/gtest.h>

namespace varnet::test {
namespace {

PortSteps UpdateOnly() {
    PortSteps steps;
    steps.updateFw = &UpdateFwStation;
    return steps;
}

void SetUpdateFw(StationFixture& f, const std::string& value) {
    IniDocument doc(f.StationFile());
    doc.SetString("Device Info", "Update FW", value);
    ASSERT_TRUE(doc.Save().ok());
    ASSERT_TRUE(f.page->LoadActiveStationConfig());
}

TEST(UpdateFwStation, DownloadsTheNamedFileAndShowsTheVerdict) {
    struct Row {
        const char* what;
        std::string setting; // "<dir>" stands for the station folder
        bool libraryAnswers;
        const char* verdict; // after the prefix
        uint8_t kind;
        const char* downloaded; // relative to the station folder; null: no call
    };
    const Row rows[] = {
        {"relative, written with backslashes", ".\\Bin\\FW_A.bin", true, "Pass!", kTilePass, "Bin/FW_A.bin"},
        {"absolute, the library fails", "<dir>/Bin/FW_A.bin", false, "Fail!", kTileFail, "Bin/FW_A.bin"},
        {"a missing file", "Bin\\FW_B.bin", true, "No FW!", kTileFail, nullptr},
        {"a folder", "Bin", true, "No FW!", kTileFail, nullptr},
        {"no setting", "", true, "No FW!", kTileFail, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StationFixture f(kStationUpdateFw, {}, 0, UpdateOnly());
        std::filesystem::create_directories(f.dir.path() / "Bin");
        WriteText(f.dir.path() / "Bin/FW_A.bin", "image");
        std::string setting = row.setting;
        if (setting.starts_with("<dir>"))
            setting.replace(0, 5, f.dir.path().string());
        SetUpdateFw(f, setting);
        f.AttachDrive(5);
        int drive = 0;
        std::string file;
        int32_t shownDuringCall = -1;
        f.library.downloadMicroCode = [&](int d, const char* path) {
            drive = d;
            file = path;
            shownDuringCall = f.Tile(5).shownProgress;
            return row.libraryAnswers;
        };

        f.Run(5, PORT_UPDATE_FW);

        const TileState tile = f.Tile(5);
        EXPECT_EQ(tile.statusText, std::string(11, ' ') + row.verdict);
        EXPECT_EQ(tile.kind, row.kind);
        EXPECT_FALSE(tile.centred);
        EXPECT_EQ(tile.fontSize, 80); // the tile's own size, not the page's 78
        EXPECT_EQ(tile.shownProgress, 100);
        EXPECT_EQ(f.page->portAction[5].load(), PORT_DONE);
        if (row.downloaded) {
            EXPECT_EQ(drive, 6);
            EXPECT_EQ(file, (f.dir.path() / row.downloaded).string());
            EXPECT_EQ(shownDuringCall, 50);
        } else {
            EXPECT_TRUE(f.library.Calls().empty());
        }
    }
}

} // namespace
} // namespace varnet::test
