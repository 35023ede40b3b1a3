// What the operator and the hardware do to the port table: Refresh, Start, a
// tile click, LockCurrent, disk arrival and removal, the three run timers and
// the control states that follow each state of a port.
#include "config/debug_options.h"
#include "config/station_selection.h"
#include "devices/disk_admission.h"
#include "devices/port_scans.h"
#include "engine/main_page.h"
#include "mplib/library_settings.h"
#include "platform/diagnostic_log.h"
#include "platform/free_space.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "platform/wait_pumping.h"
#include "stations/log_tree.h"

namespace varnet {
namespace {

constexpr std::chrono::milliseconds kNoDelay{0};

constexpr int kDefaultMinFreeMegabytes = 64;

} // namespace

std::string MainPage::RunRefusal() {
    if (const std::string problem = RecordProblem(); !problem.empty())
        return Format(Text("Nothing was started: the run journal cannot be written (%s). Make room or mend "
                           "the folder, then try again.",
                           "未启动：无法写入运行记录（%s）。请腾出空间或修复文件夹后再试。"),
                      ValidUtf8(problem).c_str());
    int minimum =
        IniGetInt(ProgramSettingsFile(appDir()), "Results", "MinFreeMegabytes", kDefaultMinFreeMegabytes);
    if (minimum < 0)
        minimum = kDefaultMinFreeMegabytes;
    for (const char* folder : {"Log", "Results"}) {
        const std::optional<uint64_t> free = FreeBytes(appDir() / folder);
        if (!free || *free >= static_cast<uint64_t>(minimum) * 1024 * 1024)
            continue;
        return Format(
            Text("Nothing was started: only %llu MB are free for %s/ (%s), and at least %d MB are "
                 "needed ([Results] MinFreeMegabytes in Config/VarnetTool.ini). Make room, then try "
                 "again.",
                 "未启动：仅剩 %llu MB 可用于 %s/（%s），至少需要 %d MB（Config/VarnetTool.ini 的 "
                 "[Results] MinFreeMegabytes）。请腾出空间后再试。"),
            static_cast<unsigned long long>(*free / (1024 * 1024)), folder,
            ValidUtf8((appDir() / folder).string()).c_str(), minimum);
    }
    return {};
}

void MainPage::ApplyLockCurrent() {
    const bool unlocked = !view().IsLockCurrentChecked();
    for (PageControl c :
         {PageControl::PortCount, PageControl::Map, PageControl::SlcBuffer, PageControl::Configuration})
        view().EnableControl(c, unlocked);
}

void MainPage::SetControlsForState(uint8_t code) {
    PageView& v = view();
    ApplyLockCurrent();
    for (PageControl c :
         {PageControl::Station, PageControl::English, PageControl::Chinese, PageControl::LockCurrent})
        v.EnableControl(c, true);
    bool start = false, setting = false, refresh = false;
    if (code == PORT_IDLE || IsStationCode(code)) {
        for (PageControl c :
             {PageControl::PortCount, PageControl::Configuration, PageControl::Station, PageControl::Map,
              PageControl::English, PageControl::Chinese, PageControl::LockCurrent})
            v.EnableControl(c, false);
    } else if (code == PORT_IDENTIFY || code == PORT_DONE) {
        setting = refresh = true;
    } else if (code == PORT_READY) {
        start = setting = refresh = true;
    } else {
        refresh = true;
    }
    v.EnableControl(PageControl::Start, start);
    v.EnableControl(PageControl::Setting, setting);
    v.EnableControl(PageControl::Refresh, refresh);
}

void MainPage::ScanDevices(bool clearFirst) {
    if (clearFirst)
        devices.ClearPorts();
    if (!setup_.deviceTree)
        return;
    const std::unique_ptr<DeviceTree> tree = setup_.deviceTree();
    if (!tree)
        return;
    const ScanContext context{*tree, appDir(), SlotCountOf(slotNumber), osGeneration()};
    ScanForMapType(devices, context, mapType);
    // A scan that could not tell the station's own disks from drives binds
    // none: the operator must learn why Refresh found nothing (once per
    // Refresh, not at every arrival).
    if (const std::string problem = tree->ScanProblem(); !problem.empty()) {
        LogDiagnostic(kNoPort, problem);
        if (clearFirst)
            view().ShowMessage(problem);
    }
}

bool MainPage::RestartSerialNumbers(bool forgetLastByPort) {
    // A port may be numbering its drive right now: wait for it without
    // freezing the window.
    if (!WaitPumpingMessages(serial.snMutex))
        return false;
    std::lock_guard lock(serial.snMutex, std::adopt_lock);
    // Read here, under the lock every write-back holds, never from the record
    // loaded before the wait: a port that numbered a drive in between has
    // already moved the file on, and starting from the older value would hand
    // that number out a second time.
    const std::filesystem::path path = StationConfigPath();
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        serial.currentSn = IniGetString(path, "SN Set", "SN_Start", "000000000001", 64);
        ST_STATION_CONFIG config = *StationConfig();
        SetFieldText(config.SN_Start, serial.currentSn);
        SetStationConfig(config, path);
    } else {
        // Nothing to number from, and nothing the close may write back to.
        serial.currentSn.clear();
    }
    if (forgetLastByPort) {
        for (std::string& last : serial.lastSnByPort)
            last.clear();
        serial.handedOutSinceStart.clear();
    }
    return true;
}

uint32_t MainPage::ReadCapacityMB(int32_t driveNumber) const {
    if (!setup_.deviceTree || driveNumber == 0)
        return 0;
    const std::unique_ptr<DeviceTree> tree = setup_.deviceTree();
    return tree ? varnet::ReadCapacityMB(*tree, driveNumber) : 0;
}

void MainPage::Refresh() {
    SetControlsForState(PORT_IDLE);
    devices.sataFlow = LoadDebugOptions(appDir()).SataFlow;
    // The running count is not reset here: every run counts itself out on
    // every path, and a port still running (a tile click, a result page's
    // own collection) must keep being counted.
    // A port refused after repeated library faults gets another chance.
    for (int p = 0; p < kPortCount; ++p)
        if (MpLibrary* lib = LibraryOf(p); lib && portResult[static_cast<size_t>(p)].portRunning == 0)
            lib->Reset();
    ScanDevices(true);
    bool started = false;
    for (int p = 0; p < kPortCount; ++p) {
        tiles.ResetTile(p, false);
        portResult[static_cast<size_t>(p)].reportPath.clear();
        if (devices.portDriveNumber[static_cast<size_t>(p)] == 0)
            continue;
        portAction[static_cast<size_t>(p)].store(PORT_IDENTIFY);
        started |= StartPortJob(p, kNoDelay);
    }
    ShowMountedDisks();
    if (!started)
        SetControlsForState(PORT_IDENTIFY);
}

std::optional<uint8_t> MainPage::LoadStationRequest() {
    if (!LoadActiveStationConfig()) {
        view().ShowMessage("Get parameter error!");
        return std::nullopt;
    }
    // The record reads a damaged or missing selection as station 0, which
    // erases every drive: the request comes from the key's own text.
    const std::optional<int> station = ReadStationSelection(StationConfigPath());
    if (!station) {
        const std::string file = StationConfigPath().filename().string();
        view().ShowMessage(Format(Text("%s: TestStationSel in [General Info] is missing or is not a station "
                                       "number from 0 to 7. Nothing was run.",
                                       "%s：[General Info] 中的 TestStationSel 缺失或不是 0 到 7 的站点编号，"
                                       "未运行任何站点。"),
                                  ValidUtf8(file).c_str()));
        return std::nullopt;
    }
    return StationRequest(*station);
}

bool MainPage::Start() {
    // LockCurrent goes on with every Start, so the page's choices stay put
    // while the batch runs.
    view().SetLockCurrentChecked(true);
    SetControlsForState(PORT_IDLE);
    // A drive must never pass without its record: no batch starts while the
    // records would have nowhere to go.
    if (const std::string refusal = RunRefusal(); !refusal.empty()) {
        view().ShowMessage(refusal);
        SetControlsForState(PORT_IDENTIFY);
        return false;
    }
    const std::optional<uint8_t> request = LoadStationRequest();
    if (!request) {
        SetControlsForState(PORT_IDENTIFY);
        return false;
    }
    LogDiscarded(EnsureFolder(DayFolder(appDir(), logDateFolder())));
    if (!RestartSerialNumbers(true))
        return true;
    const std::shared_ptr<const ST_STATION_CONFIG> config = StationConfig();
    const auto delay = config->SN_Type == 0 ? pauses().startSpacing : kNoDelay;
    reportClaims.Reset();
    bool started = false;
    for (int p = 0; p < static_cast<int>(portCount) && p < kPortCount; ++p) {
        const auto i = static_cast<size_t>(p);
        ChangeRecordIfIdle(p, [](ST_PORT_RESULT& record) { record.reportPath.clear(); });
        if (devices.portDriveNumber[i] == 0 || !AcceptsRequest(portAction[i].load()))
            continue;
        portAction[i].store(*request);
        started |= StartPortJob(p, delay);
    }
    if (!started)
        SetControlsForState(PORT_IDENTIFY);
    return true;
}

bool MainPage::ClickTile(int port) {
    if (port < 0 || port >= kPortCount)
        return true;
    if (const std::string refusal = RunRefusal(); !refusal.empty()) {
        view().ShowMessage(refusal);
        return false;
    }
    const std::optional<uint8_t> request = LoadStationRequest();
    if (!request)
        return false;
    if (!RestartSerialNumbers(false))
        return true;
    const auto i = static_cast<size_t>(port);
    if (devices.portDriveNumber[i] == 0 || !AcceptsRequest(portAction[i].load()))
        return true;
    portAction[i].store(*request);
    StartPortJob(port, kNoDelay);
    return true;
}

void MainPage::OnDiskArrival(std::string_view interfacePath) {
    const std::string path = ToLowerAscii(interfacePath);
    if (!PathNamesTestableDisk(path, osGeneration()))
        return;
    if (!setup_.deviceTree)
        return;
    if (mapType == 2) {
        const std::unique_ptr<DeviceTree> tree = setup_.deviceTree();
        if (!tree)
            return;
        const ScanContext context{*tree, appDir(), SlotCountOf(slotNumber), osGeneration()};
        ScanSlotMapped(devices, context, true, path);
    } else {
        ScanDevices(false);
    }
    for (int p = 0; p < kPortCount; ++p) {
        const auto i = static_cast<size_t>(p);
        // A drive plugged back while the run on its port is still going is
        // bound, not identified: the port's code belongs to that run. A run
        // that never began (its drive was gone first) holds nothing.
        if (devices.DevicePath(p) != path || devices.portDriveNumber[i] == 0 || PortHasLiveWorker(p))
            continue;
        portAction[i].store(PORT_IDENTIFY);
        StartPortJob(p, kNoDelay);
    }
}

void MainPage::OnDiskRemoval(std::string_view interfacePath) {
    const std::string path = ToLowerAscii(interfacePath);
    // The removal rule is the arrival's without the card-reader exception.
    const bool usbDisk = path.find("usb") != std::string::npos && path.find("disk") != std::string::npos;
    const bool anyDisk = osGeneration() == 5 && path.find("disk") != std::string::npos;
    if (!usbDisk && !anyDisk)
        return;
    // A mounted disk taken away: its port no longer says where to unmount it.
    for (int p = 0; p < kPortCount; ++p) {
        if (!devices.MountedAt(p).empty() && devices.MountedPath(p) == path) {
            tiles.ResetTile(p, false);
            devices.Release(path);
        }
    }
    for (int p = 0; p < kPortCount; ++p) {
        if (devices.DevicePath(p) != path)
            continue;
        tiles.ResetTile(p, true);
        devices.Release(path);
        ResetRecordOfPulledDrive(p);
        if (--identifiedCount == 0)
            SetControlsForState(PORT_IDENTIFY);
    }
}

void MainPage::OnTimer(int id) {
    PageView& v = view();
    v.StopTimer(id);
    const bool running = runningPorts.load() > 0;
    const int shown = std::min<int>(static_cast<int>(portCount), kPortCount);
    switch (id) {
    case kClockTimer: {
        const uint32_t seconds = ++elapsedSeconds;
        v.SetRunClockText(Format("%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60));
        if (running)
            v.StartTimer(kClockTimer, 1000);
        break;
    }
    case kProgressTimer:
        for (int p = 0; p < shown; ++p)
            if (devices.portDriveNumber[static_cast<size_t>(p)] != 0)
                tiles.ShowTileProgress(p);
        if (running)
            v.StartTimer(kProgressTimer, 300);
        break;
    case kAnimationTimer: {
        const int32_t ticks = ++runningTicks;
        static constexpr const char* kDots[] = {"Running.", "Running..", "Running..."};
        const int fontSize = Settings()->tileFontSize;
        for (int p = 0; p < shown; ++p) {
            const auto i = static_cast<size_t>(p);
            if (devices.portDriveNumber[i] == 0)
                continue;
            const auto phase = static_cast<unsigned>(p + ticks) % 3;
            // Checked under the tile's lock: a verdict written after progress
            // reached 100 (or after the code left the station) is never
            // overwritten by a tick that looked a moment earlier.
            tiles.SetTileStatusIf(
                p, [&] { return IsStationCode(portAction[i].load()) && tiles.GetProgress(p) < 100; },
                kDots[phase], kTileRunning, fontSize, true);
        }
        if (running)
            v.StartTimer(kAnimationTimer, 500);
        break;
    }
    default:
        break;
    }
}

void MainPage::OnSerialNumberChanged() {
    const std::filesystem::path path = StationConfigPath();
    const std::string next = IniGetString(path, "SN Set", "SN_Start", "000000000001", 64);
    ST_STATION_CONFIG config = *StationConfig();
    SetFieldText(config.SN_Start, next);
    SetStationConfig(config, path);
    view().ShowSerialNumber(next);
}

} // namespace varnet
