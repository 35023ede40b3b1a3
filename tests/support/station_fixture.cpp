#include "station_fixture.h"

#include "platform/ini_document.h"
#include "platform/text.h"

#include <cstring>

namespace varnet::test {

std::vector<std::string> ScriptedLibrary::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void ScriptedLibrary::Record(std::string name) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(name));
}

bool ScriptedLibrary::GetIdentifyInfoBuf(int drive, uint8_t* buffer512) {
    Record("GetIdentifyInfoBuf");
    return identify(drive, buffer512);
}
bool ScriptedLibrary::DoPretestInit(const Call& call) {
    Record("DoPretestInit");
    return pretestInit(call);
}
bool ScriptedLibrary::DoPretestInitRdtMark(const Call& call, bool burnInPassed) {
    Record("DoPretestInit_RDTMARK");
    return pretestInitRdtMark(call, burnInPassed);
}
bool ScriptedLibrary::DoPretestInitRdtMarkCeMask(const Call& call, bool burnInPassed, uint32_t ceMask) {
    Record("DoPretestInit_RDTMARK_CEMASK");
    return pretestInitRdtMarkCeMask(call, burnInPassed, ceMask);
}
bool ScriptedLibrary::ReadRdtLog(const Call& call) {
    Record("Read_RDT_Log");
    return readRdtLog(call);
}
bool ScriptedLibrary::ReadRdtBadLog(const Call& call) {
    Record("Read_RDT_Bad_Log");
    return readRdtBadLog(call);
}
bool ScriptedLibrary::DoEraseAll(const Call& call) {
    Record("DoEraseAll");
    return eraseAll(call);
}
bool ScriptedLibrary::GetAllFlashID(int drive, const char* outputFile) {
    Record("GetAllFlashID");
    return getAllFlashId(drive, outputFile);
}
bool ScriptedLibrary::ScandBadBlock(int drive, const char* mpFirmwareName, const char* outputFile) {
    Record("ScandBadBlock");
    return scanBadBlock(drive, mpFirmwareName, outputFile);
}
bool ScriptedLibrary::ModifyDeviceInfo(int drive, const char* modelName, const char* serialNumber) {
    Record("ModifyDeviceInfo");
    return modifyDeviceInfo(drive, modelName, serialNumber);
}
bool ScriptedLibrary::DownLoadMicroCode(int drive, const char* firmwareFile) {
    Record("DownLoadMicroCode");
    return downloadMicroCode(drive, firmwareFile);
}
bool ScriptedLibrary::SecurityErase(int drive, char* errorMessage) {
    Record("SecurityErase");
    return securityErase(drive, errorMessage);
}
bool ScriptedLibrary::ResetSmart(int drive) {
    Record("ResetSmart");
    return resetSmart(drive);
}
bool ScriptedLibrary::WriteReadPH(int drive, int mode, uint8_t* buffer, int length) {
    Record("WriteReadPH");
    return writeReadPh(drive, mode, buffer, length);
}

void PutLibraryError(const MpLibrary::Call& call, std::string_view code, std::string_view message) {
    auto put = [](char* buffer, std::string_view text) {
        const size_t n = std::min<size_t>(text.size(), 511);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    };
    put(call.errorCode, code);
    put(call.errorMessage, message);
}

void RecordingPageView::EnableControl(PageControl control, bool on) {
    std::lock_guard lock(mutex);
    enabled[control] = on;
}
void RecordingPageView::SetRunClockText(std::string_view text) {
    std::lock_guard lock(mutex);
    clock = std::string(text);
}
void RecordingPageView::StartTimer(int id, int) {
    std::lock_guard lock(mutex);
    timers[id] = true;
}
void RecordingPageView::StopTimer(int id) {
    std::lock_guard lock(mutex);
    timers[id] = false;
}
void RecordingPageView::ShowMessage(std::string_view text) {
    std::lock_guard lock(mutex);
    messages.emplace_back(text);
}
void RecordingPageView::PostSerialNumberChanged() {
    std::lock_guard lock(mutex);
    ++serialChangedPosts;
}
void RecordingPageView::ShowSerialNumber(std::string_view serialNumber) {
    std::lock_guard lock(mutex);
    shownSerial = std::string(serialNumber);
}
bool RecordingPageView::Enabled(PageControl control) const {
    std::lock_guard lock(mutex);
    const auto found = enabled.find(control);
    return found != enabled.end() && found->second;
}
bool RecordingPageView::TimerRunning(int id) const {
    std::lock_guard lock(mutex);
    const auto found = timers.find(id);
    return found != timers.end() && found->second;
}

StationFixture::StationFixture(int station, const std::vector<std::string>& extraKeys, int uiLanguage,
                               PortSteps steps) {
    std::filesystem::create_directories(dir.path() / "Log" / "20261210");
    std::filesystem::create_directories(dir.path() / "Config");
    IniDocument doc(StationFile());
    doc.SetString("General Info", "TestStationSel", std::to_string(station));
    for (const std::string& line : extraKeys) {
        const size_t bar = line.find('|');
        const size_t equals = line.find('=', bar);
        doc.SetString(line.substr(0, bar), line.substr(bar + 1, equals - bar - 1), line.substr(equals + 1));
    }
    (void)doc.Save();

    MainPageSetup setup;
    setup.appDir = dir.path() / "";
    setup.uiLanguage = uiLanguage;
    setup.library = &library;
    setup.view = &view;
    setup.logDateFolder = "20261210";
    setup.pauses.verdict = std::chrono::milliseconds(0);
    setup.pauses.startSpacing = std::chrono::milliseconds(0);
    setup.steps = steps;
    page = std::make_unique<MainPage>(std::move(setup));
    page->ChangeSettings([](PageSettings& s) {
        s.configurationText = "station.ini";
        s.resultPrefix = std::string(11, ' ');
        s.tileFontSize = 78;
    });
    page->portCount = 24;
    (void)page->LoadActiveStationConfig();
}

void StationFixture::RebuildPage(const std::function<void(MainPageSetup&)>& adjust) {
    const MainPage& old = *page;
    MainPageSetup setup;
    setup.appDir = old.appDir();
    setup.uiLanguage = old.uiLanguage();
    setup.osGeneration = old.osGeneration();
    setup.customerRecord = old.customerRecord();
    setup.flashDatabase = old.flashDatabase();
    setup.library = &library;
    setup.view = &view;
    setup.logDateFolder = old.logDateFolder();
    setup.pauses = old.pauses();
    setup.steps = old.steps();
    adjust(setup);
    auto next = std::make_unique<MainPage>(std::move(setup));
    const PageSettings settings = *old.Settings();
    next->ChangeSettings([&](PageSettings& s) { s = settings; });
    next->portCount = old.portCount;
    (void)next->LoadActiveStationConfig();
    page = std::move(next);
}

void StationFixture::AttachDrive(int port, bool valid) {
    page->devices.Bind(port, "/dev/disk/by-id/usb-varnet_ssd_" + std::to_string(port) + "-0:0", port + 1);
    page->portResult[static_cast<size_t>(port)].deviceValid = valid ? 1 : 0;
}

void StationFixture::Run(int port, uint8_t action) {
    page->portAction[static_cast<size_t>(port)].store(action);
    page->RunPort(port);
}

} // namespace varnet::test
