#include "demo_station_window.h"

#include "engine/main_page.h"

#include <cstdlib>
#include <sstream>

namespace varnet::ui {

namespace fs = std::filesystem;

void DemoStationWindowTest::SetUp() {
    const char* binary = std::getenv("VARNET_BINARY_DIR");
    if (!binary)
        GTEST_SKIP() << "run through ctest";
    const std::string demo = (fs::path(binary) / "sim/varnet-sim").string() + " demo --instant " +
                             Folder().string() + " >/dev/null";
    ASSERT_EQ(std::system(demo.c_str()), 0);
    previous_ = fs::current_path();
    fs::current_path(Folder());
}

void DemoStationWindowTest::TearDown() {
    window_.reset();
    PageLockBits().store(0);
    if (!previous_.empty())
        fs::current_path(previous_);
}

void DemoStationWindowTest::AddToDrives(const std::function<bool(const std::string& line)>& which,
                                        const std::string& attributes) {
    const fs::path file = Folder() / "Sim/station.txt";
    std::istringstream in(test::ReadText(file));
    std::string text;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("drive ") && which(line))
            line.insert(std::min(line.find('#'), line.size()), " " + attributes + " ");
        text += line + "\n";
    }
    test::WriteText(file, text);
}

std::filesystem::path DemoStationWindowTest::HostProgram() {
    const char* binary = std::getenv("VARNET_BINARY_DIR");
    return binary ? fs::path(binary) / "src/varnet-mphost" : fs::path();
}

void DemoStationWindowTest::StartWindow() {
    window_ = std::make_unique<CMainWndDlg>(0);
    StationStartOptions options;
    options.appDir = Folder() / "";
    options.deviceRoot = Folder() / "Sim/root";
    options.hostProgram = HostProgram();
    QString fatal, detail;
    ASSERT_TRUE(window_->Start(options, fatal, detail)) << fatal.toStdString() << detail.toStdString();
    window_->show();
}

} // namespace varnet::ui
