// Port runs: the start of a worker, the worker itself and the runner that
// checks the port, starts the run clock with the first timed run, calls the
// port's step with its record and does the bookkeeping when it returns; the
// result pages' own runs go through the same steps.
#include "engine/main_page.h"
#include "platform/diagnostic_log.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "platform/uuid.h"

#include "platform/wait_pumping.h"
#include <unistd.h>

#include <algorithm>
#include <thread>
#include <utility>

namespace varnet {
namespace {

// Bookkeeping of a run, done when the step returns and equally when it ends
// by an exception, so the page never stays in its running state.
class RunBookkeeping {
public:
    RunBookkeeping(MainPage& page, int port, bool timed) : page_(page), port_(port), timed_(timed) {}
    RunBookkeeping(const RunBookkeeping&) = delete;
    RunBookkeeping& operator=(const RunBookkeeping&) = delete;

    ~RunBookkeeping() {
        try {
            page_.LeaveRun(port_, timed_);
        } catch (...) {
            // Nothing may escape a destructor that may run during unwinding.
            LogCaught(port_ + 1);
        }
    }

private:
    MainPage& page_;
    int port_;
    bool timed_;
};

// The run's hold on its port's record, let go of after everything else.
class RecordHold {
public:
    RecordHold(MainPage& page, int port) : page_(page), port_(port) { page_.HoldPortRecord(port_); }
    RecordHold(const RecordHold&) = delete;
    RecordHold& operator=(const RecordHold&) = delete;
    ~RecordHold() { page_.ReleasePortRecord(port_); }

private:
    MainPage& page_;
    int port_;
};

PortStep StepFor(const PortSteps& steps, uint8_t action) {
    switch (action) {
    case PORT_IDENTIFY:
        return steps.identify;
    case PORT_ERASE_ALL:
        return steps.eraseAll;
    case PORT_RDT:
        return steps.rdtStart;
    case PORT_RDT_RESULT:
        return steps.rdtResult;
    case PORT_MP:
        return steps.mp;
    case PORT_REMP:
        return steps.remp;
    case PORT_ICT:
        return steps.ict;
    case PORT_UPDATE_FW:
        return steps.updateFw;
    case PORT_SCAN_BAD:
        return steps.scanBad;
    default:
        return nullptr;
    }
}

// Steps that never call the library run on a page that was given none.
class NoMpLibrary final : public MpLibrary {
public:
    bool GetIdentifyInfoBuf(int, uint8_t*) override { return false; }
    bool DoPretestInit(const Call&) override { return false; }
    bool DoPretestInitRdtMark(const Call&, bool) override { return false; }
    bool DoPretestInitRdtMarkCeMask(const Call&, bool, uint32_t) override { return false; }
    bool ReadRdtLog(const Call&) override { return false; }
    bool ReadRdtBadLog(const Call&) override { return false; }
    bool DoEraseAll(const Call&) override { return false; }
    bool GetAllFlashID(int, const char*) override { return false; }
    bool ScandBadBlock(int, const char*, const char*) override { return false; }
    bool ModifyDeviceInfo(int, const char*, const char*) override { return false; }
    bool DownLoadMicroCode(int, const char*) override { return false; }
    bool SecurityErase(int, char*) override { return false; }
    bool ResetSmart(int) override { return false; }
    bool WriteReadPH(int, int, uint8_t*, int) override { return false; }
};

// The run's verdict held back from the view until its record is saved, and
// let go on every way out of the run.
class VerdictHold {
public:
    VerdictHold(PortTiles& tiles, int port) : tiles_(tiles), port_(port) { tiles_.HoldVerdict(port_); }
    VerdictHold(const VerdictHold&) = delete;
    VerdictHold& operator=(const VerdictHold&) = delete;
    ~VerdictHold() {
        if (!released_)
            tiles_.ReleaseVerdict(port_);
    }
    void Release(const std::string& notSavedBecause) {
        released_ = true;
        tiles_.ReleaseVerdict(port_, notSavedBecause);
    }

private:
    PortTiles& tiles_;
    int port_;
    bool released_ = false;
};

// Padding of identify's fixed-width texts is no part of a serial number.
std::string Trimmed(std::string_view text) {
    return ValidUtf8(TrimBlanks(text));
}

// What a run whose step is not its own shows: the verdict the run set.
RunStepFunction Shows(std::function<void()> show) {
    return [show = std::move(show)](PortContext&) {
        show();
        return PortOutcome{};
    };
}

} // namespace

void MainPage::RunPort(int port) {
    if (port < 0 || port >= kPortCount || devices.portDriveNumber[static_cast<size_t>(port)] == 0)
        return;
    const auto p = static_cast<size_t>(port);
    const RecordHold hold(*this, port);
    // Taken once: the operator may change the layout or the station file
    // while this run goes on.
    const PageSettingsSnapshot settings = Settings();
    const int fontSize = settings->tileFontSize;
    const uint8_t action = portAction[p].load();
    ST_PORT_RESULT& result = portResult[p];
    if (action != PORT_IDENTIFY && result.deviceValid == 0) {
        RunBookkeeping bookkeeping(*this, port, false);
        RunStepWithRecord(port, action, Shows([&] {
                              // The code leaves the station first, so no animation tick
                              // can follow the verdict.
                              portAction[p].store(PORT_DONE);
                              tiles.SetTileStatus(port, "Device Invalid!", kTileFail, fontSize, true);
                          }),
                          *settings);
        return;
    }
    if (IsStationCode(action) && RefuseDiskInUse(port, action, *settings))
        return;
    const bool timed = IsStationCode(action);
    EnterRun(port, timed);
    RunBookkeeping bookkeeping(*this, port, timed);
    if (timed)
        tiles.SetTileStatus(port, "Running..", kTileRunning, fontSize, true);
    result.auxReportPath.clear();
    if (const PortStep step = StepFor(steps(), action)) {
        RunStepWithRecord(port, action, step, *settings);
    } else {
        portAction[p].store(PORT_IDLE);
        tiles.SetTileStatus(port, "Unknown Error", kTileFail, fontSize, true);
    }
}

PortContext MainPage::PortContextFor(int port) {
    return PortContextFor(port, *Settings());
}

PortContext MainPage::PortContextFor(int port, const PageSettings& settings) {
    static NoMpLibrary noLibrary;
    const auto p = static_cast<size_t>(port);
    MpLibrary* library = LibraryOf(port);
    StationEnv env;
    env.appDir = appDir();
    env.logDateFolder = logDateFolder();
    env.uiLanguage = uiLanguage();
    env.customerRecord = customerRecord();
    env.flashDatabase = flashDatabase();
    env.pauses = pauses();
    env.tileFontSize = settings.tileFontSize;
    env.resultPrefix = settings.resultPrefix;
    return PortContext{
        .port = port,
        .drive = devices.portDriveNumber[p],
        .identifySerial = devices.portIdentifySerial[p],
        .identifyModel = devices.portIdentifyModel[p],
        .driveLetter = devices.portDriveLetter[p],
        .config = StationConfig(),
        .configPath = StationConfigPath(),
        .env = std::move(env),
        .library = library ? *library : noLibrary,
        .tile = tiles.Port(port),
        .action = portAction[p],
        .result = portResult[p],
        .badBlocks = badBlockList[p],
        .serial = serial,
        .reportClaims = reportClaims,
        .readCapacityMB = [this](int32_t drive) { return ReadCapacityMB(drive); },
        .serialNumberChanged = [this] { view().PostSerialNumberChanged(); },
        .serialTaken = {},
    };
}

void MainPage::EnterRun(int port, bool timed) {
    // Counting the run in and asking whether it is the first are one step:
    // of two ports starting at once, exactly one starts the run clock.
    const bool first = runningPorts.fetch_add(1) == 0;
    if (timed && first) {
        view().SetRunClockText("00:00:00");
        elapsedSeconds = 0;
        runningTicks = 0;
        for (const auto& [id, ms] :
             {std::pair{kClockTimer, 1000}, {kProgressTimer, 300}, {kAnimationTimer, 500}}) {
            view().StopTimer(id);
            view().StartTimer(id, ms);
        }
        PageLockBits().fetch_or(kLockConfigurationPage | kLockRdtInfoPage | kLockBadBlockPage);
    }
    portResult[static_cast<size_t>(port)].portRunning = 1;
}

void MainPage::LeaveRun(int port, bool timed) {
    ST_PORT_RESULT& result = portResult[static_cast<size_t>(port)];
    int32_t left = runningPorts.load();
    if (result.portRunning == 1)
        left = --runningPorts;
    result.portRunning = 0;
    if (left != 0)
        return;
    PageLockBits().fetch_and(
        ~uint32_t{kLockMainPage | kLockConfigurationPage | kLockRdtInfoPage | kLockBadBlockPage});
    SetControlsForState(portAction[static_cast<size_t>(port)].load());
    if (identifiedCount.load() == 0)
        SetControlsForState(PORT_IDENTIFY);
    if (timed) {
        view().StopTimer(kProgressTimer);
        view().StopTimer(kClockTimer);
        view().StopTimer(kAnimationTimer);
    }
}

void MainPage::RunStepWithRecord(int port, uint8_t action, const RunStepFunction& step) {
    RunStepWithRecord(port, action, step, *Settings());
}

void MainPage::RunStepWithRecord(int port, uint8_t action, const RunStepFunction& step,
                                 const PageSettings& settings) {
    const auto p = static_cast<size_t>(port);
    PortRunRecord record = StartRecord(port, action, settings);
    if (setup_.outputs)
        setup_.outputs->PostStarted(record);
    // The tile shows the run's verdict only once its record is on the disk.
    VerdictHold verdictHold(tiles, port);
    // Whatever way the step ends, its record goes out with its verdict.
    auto finish = [&](const PortOutcome& outcome, const std::optional<LibraryFault>& fault) {
        if (!setup_.outputs) {
            verdictHold.Release({});
            return;
        }
        FinishRecord(record, port, outcome, fault);
        const Status saved = setup_.outputs->WriteFinished(record);
        NoteRecordSaved(saved);
        verdictHold.Release(saved.ok() ? std::string() : saved.message());
        if (!saved.ok()) {
            // What the operator was shown, for the outputs that report it.
            const TileState tile = tiles.State(port);
            record.text = ValidUtf8(tile.statusText);
            record.tileKind = tile.kind;
        }
        setup_.outputs->PostFinished(record);
    };
    try {
        PortContext context = PortContextFor(port, settings);
        context.serialTaken = [&](std::string_view number) {
            if (!setup_.outputs)
                return Status::Ok();
            PortRunRecord taken = record;
            taken.serial = Trimmed(number);
            taken.inProgress = true;
            const Status saved = setup_.outputs->PostSerialTaken(taken);
            NoteRecordSaved(saved);
            return saved;
        };
        const PortOutcome outcome = step(context);
        if (outcome.identified)
            ++identifiedCount;
        finish(outcome, ShowLibraryFault(port, action, settings));
    } catch (...) {
        LogCaught(port + 1);
        const std::optional<LibraryFault> fault = ShowLibraryFault(port, action, settings);
        // A run cut short by a fault must not leave the port busy (no
        // command would touch it again) nor its tile saying it runs.
        if (!AcceptsRequest(portAction[p].load())) {
            portAction[p].store(PORT_DONE);
            tiles.SetTileStatus(port, "Fail!", kTileFail, settings.tileFontSize, true);
        }
        finish(PortOutcome{}, fault);
        throw;
    }
}

void MainPage::NoteRecordSaved(const Status& saved) {
    std::lock_guard lock(recordProblemMutex_);
    recordProblem_ = saved.ok() ? std::string() : saved.message();
}

std::string MainPage::RecordProblem() {
    std::string problem;
    {
        std::lock_guard lock(recordProblemMutex_);
        problem = recordProblem_;
    }
    if (problem.empty() || !setup_.outputs)
        return {};
    // The operator may have made room meanwhile: ask again.
    const Status writable = setup_.outputs->CheckWritable();
    NoteRecordSaved(writable);
    return writable.ok() ? std::string() : writable.message();
}

bool MainPage::BeginPageRun(int port, uint8_t code) {
    if (port < 0 || port >= kPortCount)
        return false;
    const auto p = static_cast<size_t>(port);
    if (devices.portDriveNumber[p] == 0 || !AcceptsRequest(portAction[p].load()))
        return false;
    HoldPortRecord(port);
    portAction[p].store(code);
    // Refresh would hand the port to identify while the station still runs.
    SetControlsForState(code);
    EnterRun(port, true);
    tiles.SetTileStatus(port, "Running..", kTileRunning, Settings()->tileFontSize, true);
    return true;
}

void MainPage::EndPageRun(int port, uint8_t code) {
    const auto p = static_cast<size_t>(port);
    if (portAction[p].load() == code) {
        portAction[p].store(PORT_DONE);
        tiles.SetTileStatus(port, "Fail!", kTileFail, Settings()->tileFontSize, true);
    }
    LeaveRun(port, true);
    ReleasePortRecord(port);
}

// A library that died, exited or hung in the run's call leaves its own
// verdict: the texts of the step (written as for a failed call) would hide
// what happened. Identify keeps its own failure text: the port is simply not
// identified, and the diagnostic log says why.
std::optional<LibraryFault> MainPage::ShowLibraryFault(int port, uint8_t action,
                                                       const PageSettings& settings) {
    MpLibrary* lib = LibraryOf(port);
    const std::optional<LibraryFault> fault = lib ? lib->TakeFault() : std::nullopt;
    if (!fault || action == PORT_IDENTIFY)
        return fault;
    const auto p = static_cast<size_t>(port);
    tiles.SetProgress(port, 100);
    portAction[p].store(PORT_DONE);
    portResult[p].failFlag = 1;
    tiles.SetTileStatus(port, fault->TileText(settings.resultPrefix, uiLanguage()), kTileFail,
                        settings.tileFontSize, false);
    return fault;
}

namespace {

const char* StationNameOf(uint8_t action) {
    switch (action) {
    case PORT_IDENTIFY:
        return kIdentifyStation;
    case PORT_ERASE_ALL:
        return "01_EraseAll";
    case PORT_RDT:
        return "02_RDT";
    case PORT_RDT_RESULT:
        return "03_RDTResult";
    case PORT_MP:
        return "04_MP";
    case PORT_REMP:
        return "05_ReMP";
    case PORT_ICT:
        return "06_ICT";
    case PORT_UPDATE_FW:
        return "07_UpdateFW";
    case PORT_SCAN_BAD:
        return "08_Scan Bad";
    default:
        return "Unknown";
    }
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

} // namespace

PortRunRecord MainPage::StartRecord(int port, uint8_t action, const PageSettings& settings) {
    const auto p = static_cast<size_t>(port);
    PortRunRecord record;
    record.runId = NewUuidV4();
    record.station = StationNameOf(action);
    record.port = port + 1;
    record.drive = devices.portDriveNumber[p];
    record.interfacePath = ValidUtf8(devices.DevicePathCopy(port));
    record.driveSerial = Trimmed(FieldText(devices.portIdentifySerial[p]));
    record.startedAt = std::chrono::system_clock::now();
    record.host = setup_.host.empty() ? HostName() : setup_.host;
    record.stationFile = ValidUtf8(settings.configurationText);
    return record;
}

void MainPage::FinishRecord(PortRunRecord& record, int port, const PortOutcome& outcome,
                            const std::optional<LibraryFault>& fault) {
    const auto p = static_cast<size_t>(port);
    const ST_PORT_RESULT& result = portResult[p];
    const TileState tile = tiles.State(port);
    const bool identify = record.station == kIdentifyStation;
    // Identify learns the drive's own serial number as it runs.
    record.driveSerial = Trimmed(FieldText(devices.portIdentifySerial[p]));
    record.model = Trimmed(FieldText(devices.portIdentifyModel[p]));
    record.firmware = Trimmed(FieldText(result.firmwareRevision));
    record.serial = identify ? std::string() : Trimmed(outcome.serial);
    std::string flash;
    for (const uint8_t byte : result.flashId[0])
        flash += Format(flash.empty() ? "%02X" : " %02X", byte);
    record.flashId = flash;
    if (fault)
        record.verdict = fault->Verdict();
    else if (identify)
        record.verdict = portAction[p].load() == PORT_READY ? kVerdictPass : kVerdictFail;
    else
        record.verdict = tile.kind == kTilePass ? kVerdictPass : kVerdictFail;
    record.errorCode = ValidUtf8(FieldText(result.errorCode));
    record.errorMessage = ValidUtf8(FieldText(result.errorMessage));
    record.text = ValidUtf8(tile.statusText);
    record.portCode = portAction[p].load();
    record.tileKind = tile.kind;
    record.reportPath = ValidUtf8(result.reportPath);
    record.auxReportPath = ValidUtf8(result.auxReportPath);
    record.endedAt = std::chrono::system_clock::now();
    record.durationMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(record.endedAt - record.startedAt).count();
}

void MainPage::HoldPortRecord(int port) {
    const auto p = static_cast<size_t>(port);
    std::unique_lock lock(recordMutex_);
    recordLetGo_.wait(lock, [&] { return !recordHeld_[p]; });
    recordHeld_[p] = true;
}

namespace {

void ForgetPulledDrive(ST_PORT_RESULT& record) {
    ResetPortResult(record);
    record.deviceValid = 0;
}

} // namespace

void MainPage::ReleasePortRecord(int port) {
    const auto p = static_cast<size_t>(port);
    {
        std::lock_guard lock(recordMutex_);
        recordHeld_[p] = false;
        if (std::exchange(removedWhileHeld_[p], false))
            ForgetPulledDrive(portResult[p]);
    }
    recordLetGo_.notify_all();
}

void MainPage::ResetRecordOfPulledDrive(int port) {
    const auto p = static_cast<size_t>(port);
    std::lock_guard lock(recordMutex_);
    if (recordHeld_[p])
        removedWhileHeld_[p] = true;
    else
        ForgetPulledDrive(portResult[p]);
}

bool MainPage::ChangeRecordIfIdle(int port, const std::function<void(ST_PORT_RESULT&)>& change) {
    const auto p = static_cast<size_t>(port);
    std::lock_guard lock(recordMutex_);
    if (recordHeld_[p])
        return false;
    change(portResult[p]);
    return true;
}

void MainPage::EndPortRuns(std::chrono::milliseconds grace) {
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (PortRunsActive() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (PortRunsActive())
        for (int p = 0; p < kPortCount; ++p)
            if (MpLibrary* lib = LibraryOf(p))
                lib->Interrupt();
    WaitForPortRuns();
}

bool MainPage::StartPortJob(int port, std::chrono::milliseconds delay) {
    if (closing_.load() || !WaitPumpingMessages(runStartMutex))
        return false;
    std::unique_lock started(runStartMutex, std::adopt_lock);
    ReapFinishedWorkers();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([this, port, delay, done] {
        // Each worker holds the start mutex during its delay, so the starts
        // of a batch follow each other at least `delay` apart.
        if (WaitPumpingMessages(runStartMutex)) {
            if (delay.count() > 0)
                std::this_thread::sleep_for(delay);
            runStartMutex.unlock();
            try {
                RunPort(port);
            } catch (...) {
                // A hardware fault or a failing library ends the run quietly;
                // its bookkeeping has been done on the way out, and the step's
                // exception logged where the step was run.
            }
        }
        done->store(true);
    });
    std::lock_guard lock(workersMutex_);
    workers_.push_back({std::move(thread), std::move(done), port});
    return true;
}

bool MainPage::PortHasLiveWorker(int port) {
    std::lock_guard lock(workersMutex_);
    return std::any_of(workers_.begin(), workers_.end(),
                       [port](const Worker& w) { return w.port == port && !w.done->load(); });
}

void MainPage::ReapFinishedWorkers() {
    std::lock_guard lock(workersMutex_);
    std::erase_if(workers_, [](Worker& w) {
        if (!w.done->load())
            return false;
        w.thread.join();
        return true;
    });
}

bool MainPage::PortRunsActive() {
    std::lock_guard lock(workersMutex_);
    for (const Worker& w : workers_)
        if (!w.done->load())
            return true;
    return false;
}

void MainPage::WaitForPortRuns() {
    while (true) {
        std::vector<Worker> running;
        {
            std::lock_guard lock(workersMutex_);
            running.swap(workers_);
        }
        if (running.empty())
            return;
        for (Worker& w : running)
            w.thread.join();
    }
}

} // namespace varnet
