// The first start's question: which station folder, or a demo station made
// in an empty one.
#include "ui/dialogs/station_folder_dialog.h"

#include "temp_dir.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>

namespace varnet::ui {
namespace {

namespace fs = std::filesystem;

TEST(StationFolderDialog, OffersADemoStationOnlyInAnEmptyFolderAndAcceptsOnlyAStation) {
    const char* binary = std::getenv("VARNET_BINARY_DIR");
    if (!binary)
        GTEST_SKIP() << "run through ctest";
    test::TempDir dir;
    const fs::path empty = dir.path() / "station", busy = dir.path() / "busy";
    fs::create_directories(empty);
    fs::create_directories(busy);
    test::WriteText(busy / "notes.txt", "not a station");

    CStationFolderDlg chooser(0, fs::path(binary) / "sim" / "varnet-sim");
    EXPECT_FALSE(chooser.OkButton()->isEnabled());
    chooser.SetFolder(QString::fromStdString(busy.string()));
    EXPECT_FALSE(chooser.DemoButton()->isEnabled());
    EXPECT_FALSE(chooser.OkButton()->isEnabled());
    EXPECT_EQ(chooser.StateLabel()->text(), "No station here (FlashInfo.dat is missing).");

    chooser.SetFolder(QString::fromStdString(empty.string()));
    EXPECT_TRUE(chooser.DemoButton()->isEnabled());
    EXPECT_FALSE(chooser.OkButton()->isEnabled());
    chooser.DemoButton()->click();
    EXPECT_TRUE(fs::exists(empty / "FlashInfo.dat"));
    EXPECT_TRUE(fs::exists(empty / "MP_API.so"));
    EXPECT_TRUE(chooser.OkButton()->isEnabled());
    EXPECT_FALSE(chooser.DemoButton()->isEnabled()) << "no longer empty";
    EXPECT_EQ(chooser.Folder(), empty);

    // Without the demo package there is no such offer.
    CStationFolderDlg withoutDemo(1, {});
    withoutDemo.SetFolder(QString::fromStdString((dir.path() / "other").string()));
    EXPECT_TRUE(withoutDemo.DemoButton()->isHidden());
    EXPECT_FALSE(withoutDemo.DemoButton()->isEnabled());
}

} // namespace
} // namespace varnet::ui
