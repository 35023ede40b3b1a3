// A main page on a scratch station folder, with a scripted device library
// and page view, for driving one port's step and reading its verdict.
#pragma once

#include "engine/main_page.h"
#include "engine/page_view.h"
#include "mplib/mp_library.h"
#include "temp_dir.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace varnet::test {

// Every entry point answers through a replaceable function; by default each
// succeeds and does nothing. Calls are recorded by name.
class ScriptedLibrary final : public MpLibrary {
public:
    std::function<bool(int, uint8_t*)> identify = [](int, uint8_t*) { return true; };
    std::function<bool(const Call&)> pretestInit = [](const Call&) { return true; };
    std::function<bool(const Call&, bool)> pretestInitRdtMark = [](const Call&, bool) { return true; };
    std::function<bool(const Call&, bool, uint32_t)> pretestInitRdtMarkCeMask = [](const Call&, bool,
                                                                                   uint32_t) { return true; };
    std::function<bool(const Call&)> readRdtLog = [](const Call&) { return true; };
    std::function<bool(const Call&)> readRdtBadLog = [](const Call&) { return true; };
    std::function<bool(const Call&)> eraseAll = [](const Call&) { return true; };
    std::function<bool(int, const char*)> getAllFlashId = [](int, const char*) { return true; };
    std::function<bool(int, const char*, const char*)> scanBadBlock = [](int, const char*, const char*) {
        return true;
    };
    std::function<bool(int, const char*, const char*)> modifyDeviceInfo = [](int, const char*, const char*) {
        return true;
    };
    std::function<bool(int, const char*)> downloadMicroCode = [](int, const char*) { return true; };
    std::function<bool(int, char*)> securityErase = [](int, char*) { return true; };
    std::function<bool(int)> resetSmart = [](int) { return true; };
    std::function<bool(int, int, uint8_t*, int)> writeReadPh = [](int, int, uint8_t*, int) { return true; };

    std::vector<std::string> Calls() const;

    bool GetIdentifyInfoBuf(int drive, uint8_t* buffer512) override;
    bool DoPretestInit(const Call& call) override;
    bool DoPretestInitRdtMark(const Call& call, bool burnInPassed) override;
    bool DoPretestInitRdtMarkCeMask(const Call& call, bool burnInPassed, uint32_t ceMask) override;
    bool ReadRdtLog(const Call& call) override;
    bool ReadRdtBadLog(const Call& call) override;
    bool DoEraseAll(const Call& call) override;
    bool GetAllFlashID(int drive, const char* outputFile) override;
    bool ScandBadBlock(int drive, const char* mpFirmwareName, const char* outputFile) override;
    bool ModifyDeviceInfo(int drive, const char* modelName, const char* serialNumber) override;
    bool DownLoadMicroCode(int drive, const char* firmwareFile) override;
    bool SecurityErase(int drive, char* errorMessage) override;
    bool ResetSmart(int drive) override;
    bool WriteReadPH(int drive, int mode, uint8_t* buffer, int length) override;

private:
    void Record(std::string name);
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

// Fills the library's two error buffers the way the library does.
void PutLibraryError(const MpLibrary::Call& call, std::string_view code, std::string_view message);

class RecordingPageView final : public PageView {
public:
    void EnableControl(PageControl control, bool enabled) override;
    bool IsLockCurrentChecked() override { return lockCurrent; }
    void SetLockCurrentChecked(bool checked) override { lockCurrent = checked; }
    void SetRunClockText(std::string_view text) override;
    void StartTimer(int id, int milliseconds) override;
    void StopTimer(int id) override;
    void ShowMessage(std::string_view text) override;
    void PostSerialNumberChanged() override;
    void ShowSerialNumber(std::string_view serialNumber) override;

    bool Enabled(PageControl control) const;
    bool TimerRunning(int id) const;

    mutable std::mutex mutex;
    bool lockCurrent = false;
    std::map<PageControl, bool> enabled;
    std::map<int, bool> timers;
    std::vector<std::string> messages;
    std::string clock;
    std::string shownSerial;
    int serialChangedPosts = 0;
};

// A station folder with a station file, a page on it, and one drive on
// port `port` (drive number port + 1).
class StationFixture {
public:
    // station: the TestStationSel of the station file written;
    // extraKeys: "Section|Key=Value" lines added to it.
    // steps: the port steps the page runs (only those a test drives).
    explicit StationFixture(int station, const std::vector<std::string>& extraKeys = {}, int uiLanguage = 0,
                            PortSteps steps = {});

    TempDir dir;
    ScriptedLibrary library;
    RecordingPageView view;
    std::unique_ptr<MainPage> page;

    // Replaces the page by one with the same setup and page settings, changed
    // by adjust (what a test needs besides the station file: a flash
    // database, a customer code, a device tree). Call it before attaching
    // drives.
    void RebuildPage(const std::function<void(MainPageSetup&)>& adjust);

    void AttachDrive(int port, bool valid = true);
    // Runs the port's current request inline, as its worker would.
    void Run(int port, uint8_t action);
    TileState Tile(int port) const { return page->tiles.State(port); }
    std::filesystem::path StationFile() const { return dir.path() / "station.ini"; }
};

} // namespace varnet::test
