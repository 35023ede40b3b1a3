#include "platform/text.h"
#include "station_fixture.h"
#include "stations/station_steps.h"

#include <gtest/gtest.h>

namespace varnet::test {
namespace {

PortSteps EraseOnly() {
    PortSteps steps;
    steps.eraseAll = &EraseAllStation;
    return steps;
}

TEST(EraseAllStation, PassShowsCentredPassWithoutPrefix) {
    StationFixture f(kStationEraseAll, {}, 0, EraseOnly());
    f.AttachDrive(2);
    std::string folder, name, settings;
    f.library.eraseAll = [&](const MpLibrary::Call& call) {
        folder = call.folder;
        name = call.name;
        settings = call.settingsFile;
        return true;
    };
    f.Run(2, PORT_ERASE_ALL);
    const TileState tile = f.Tile(2);
    EXPECT_EQ(tile.statusText, "Pass!");
    EXPECT_EQ(tile.kind, kTilePass);
    EXPECT_TRUE(tile.centred);
    EXPECT_EQ(tile.shownProgress, 100);
    EXPECT_EQ(f.page->portAction[2].load(), PORT_DONE);
    EXPECT_EQ(folder, (f.dir.path() / "Log/20261210/01_EraseAll/").string());
    EXPECT_TRUE(name.starts_with("EraseAll_") && name.ends_with("_P3")) << name;
    EXPECT_EQ(settings, f.StationFile().string());
    EXPECT_EQ(f.page->portResult[2].reportPath, folder + "Report_" + name + "_1.txt");
}

TEST(EraseAllStation, FailureShowsTheLibraryTextsRedOrGreyWhenTheDriveIsGone) {
    for (const bool pulled : {false, true}) {
        StationFixture f(kStationEraseAll, {}, 0, EraseOnly());
        f.AttachDrive(0);
        f.library.eraseAll = [&](const MpLibrary::Call& call) {
            PutLibraryError(call, "0x21", "Erase \xff timeout");
            if (pulled)
                f.page->devices.Release(f.page->devices.DevicePath(0));
            return false;
        };
        f.Run(0, PORT_ERASE_ALL);
        const TileState tile = f.Tile(0);
        EXPECT_EQ(tile.statusText, "           Fail!\r\n0x21\r\nErase \xEF\xBF\xBD timeout\r\n");
        EXPECT_EQ(tile.kind, pulled ? kTileIdle : kTileFail);
        EXPECT_FALSE(tile.centred);
        EXPECT_EQ(f.page->portAction[0].load(), PORT_DONE);
    }
}

TEST(EraseAllStation, RecreatesAMissingDayFolderAndDeletesAStaleReport) {
    StationFixture f(kStationEraseAll, {}, 0, EraseOnly());
    f.AttachDrive(1);
    std::filesystem::remove_all(f.dir.path() / "Log");
    bool folderExisted = false;
    f.library.eraseAll = [&](const MpLibrary::Call& call) {
        folderExisted = std::filesystem::is_directory(call.folder);
        return true;
    };
    f.Run(1, PORT_ERASE_ALL);
    EXPECT_TRUE(folderExisted);
}

} // namespace
} // namespace varnet::test
