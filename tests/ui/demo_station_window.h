// The window on a demo station of its own: the simulated-station tool writes
// the station into a scratch folder, the working folder moves there (the
// simulated library keeps its drives under ./Sim of the program folder), and
// the window starts on it as the program does.
#pragma once

#include "temp_dir.h"
#include "ui/main/main_wnd_dlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace varnet::ui {

class DemoStationWindowTest : public ::testing::Test {
protected:
    // Skipped outside ctest, which names the built tools.
    void SetUp() override;
    void TearDown() override;

    const std::filesystem::path& Folder() const { return dir_.path(); }

    // Adds `attributes` to every drive line of Sim/station.txt that `which`
    // accepts, before the line's comment.
    void AddToDrives(const std::function<bool(const std::string& line)>& which,
                     const std::string& attributes);

    // The window started on the station and shown.
    void StartWindow();
    // The library host the program runs the stand-in library in.
    static std::filesystem::path HostProgram();

    test::TempDir dir_;
    std::filesystem::path previous_;
    std::unique_ptr<CMainWndDlg> window_;
};

} // namespace varnet::ui
