#include "app/headless_runner.h"

#include "app/end_signals.h"
#include "engine/station_startup.h"
#include "mplib/host_process.h"
#include "platform/disk_watcher.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "results/run_record_json.h"
#include "results/station_outputs.h"
#include "varnet_version.h"

#include <poll.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace varnet {
namespace {

// As long as a closing window waits for its runs.
constexpr auto kSignalGrace = std::chrono::seconds(5);

// The page without a screen: messages go to standard error, the serial
// number's change is taken up by the waiting loop, the rest has nothing to
// show.
class HeadlessPageView final : public PageView {
public:
    explicit HeadlessPageView(std::FILE* err) : err_(err) {}

    void EnableControl(PageControl, bool) override {}
    bool IsLockCurrentChecked() override { return lockCurrent_.load(); }
    void SetLockCurrentChecked(bool checked) override { lockCurrent_.store(checked); }
    void SetRunClockText(std::string_view) override {}
    void StartTimer(int, int) override {}
    void StopTimer(int) override {}
    void ShowMessage(std::string_view text) override {
        std::lock_guard lock(mutex_);
        std::fprintf(err_, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    void PostSerialNumberChanged() override { serialChanged_.store(true); }
    void ShowSerialNumber(std::string_view) override {}

    bool TakeSerialNumberChanged() { return serialChanged_.exchange(false); }

private:
    std::FILE* err_;
    std::mutex mutex_;
    std::atomic<bool> lockCurrent_{false};
    std::atomic<bool> serialChanged_{false};
};

// Waits for every port run to end, handling disk arrivals and removals and
// the serial-number notices as the window's thread would meanwhile. A signal
// that asks the program to end stops the wait: the number is returned
// (0 when the runs ended).
int WaitForRuns(MainPage& page, DiskWatcher& watcher, HeadlessPageView& view) {
    while (true) {
        if (const int signal = EndSignals::Take())
            return signal;
        const bool running = page.PortRunsActive();
        pollfd fds[2] = {{watcher.Fd(), POLLIN, 0}, {EndSignals::Fd(), POLLIN, 0}};
        if (::poll(fds, 2, running ? 20 : 0) > 0 && (fds[0].revents & POLLIN)) {
            for (const DiskChange& change : watcher.ReadChanges()) {
                if (change.kind == DiskChange::Kind::Arrived)
                    page.OnDiskArrival(change.path);
                else
                    page.OnDiskRemoval(change.path);
            }
        }
        if (view.TakeSerialNumberChanged())
            page.OnSerialNumberChanged();
        if (!running && !page.PortRunsActive()) {
            page.WaitForPortRuns();
            return 0;
        }
    }
}

// The program was asked to end: no new run starts, the runs going get the
// grace a closing window gives them, then their library calls are ended.
// Returns the ports whose runs had to be cut short; their verdicts are not
// the drives'.
std::array<bool, kPortCount> EndRunsOnSignal(MainPage& page, DiskWatcher& watcher, HeadlessPageView& view) {
    page.StopStartingRuns();
    const auto deadline = std::chrono::steady_clock::now() + kSignalGrace;
    while (page.PortRunsActive() && std::chrono::steady_clock::now() < deadline) {
        pollfd fd{watcher.Fd(), POLLIN, 0};
        if (::poll(&fd, 1, 20) > 0 && (fd.revents & POLLIN))
            for (const DiskChange& change : watcher.ReadChanges()) {
                if (change.kind == DiskChange::Kind::Arrived)
                    page.OnDiskArrival(change.path);
                else
                    page.OnDiskRemoval(change.path);
            }
        if (view.TakeSerialNumberChanged())
            page.OnSerialNumberChanged();
    }
    std::array<bool, kPortCount> cut{};
    for (int p = 0; p < kPortCount; ++p)
        cut[static_cast<size_t>(p)] = !AcceptsRequest(page.portAction[static_cast<size_t>(p)].load());
    // The grace is spent: what still runs ends now, not after another one.
    page.EndPortRuns(std::chrono::milliseconds(0));
    return cut;
}

std::string EscapeLineBreaks(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

// One JSON string, as the run journal writes them (valid UTF-8 whatever the
// bytes).
std::string JsonString(std::string_view text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

// The last run each port finished while the runner watched.
class LastRunOfEachPort final : public RunRecordOutput {
public:
    void RunStarted(const PortRunRecord&) override {}
    void RunFinished(const PortRunRecord& record) override {
        if (record.port < 1 || record.port > kPortCount)
            return;
        std::lock_guard lock(mutex_);
        last_[static_cast<size_t>(record.port - 1)] = record;
    }
    std::optional<PortRunRecord> Last(int port) const {
        std::lock_guard lock(mutex_);
        return last_[static_cast<size_t>(port)];
    }

private:
    mutable std::mutex mutex_;
    std::array<std::optional<PortRunRecord>, kPortCount> last_;
};

// What the runner prints of one port.
struct PortLine {
    uint8_t action = PORT_IDLE;
    uint8_t kind = kTileIdle;
    std::string text;
    std::string serial;
    std::string reportPath;
    std::string auxReportPath;
    std::optional<PortRunRecord> record;
    bool mountedOnly = false; // a mounted disk's port: no drive of the run
};

// A port run here is reported by how its last run ended, even when its drive
// was pulled afterwards and the tile cleared; a drive bound but never run
// (plugged back while its port still ran) by what its tile shows.
std::optional<PortLine> LineOfPort(MainPage& page, const LastRunOfEachPort& runs, int port) {
    PortLine line;
    line.record = runs.Last(port);
    if (const std::optional<PortRunRecord>& r = line.record) {
        line.action = r->portCode;
        line.kind = r->tileKind;
        line.text = r->text;
        // The serial number the run gave or used; identify's is the drive's own.
        line.serial = r->serial.empty() && r->station == kIdentifyStation ? r->driveSerial : r->serial;
        line.reportPath = r->reportPath;
        line.auxReportPath = r->auxReportPath;
        return line;
    }
    const auto p = static_cast<size_t>(port);
    if (page.devices.portDriveNumber[p] == 0) {
        // A disk someone mounted is no drive under test, but its port tells
        // the operator where it is mounted, as the window's tile does.
        if (page.devices.MountedAt(port).empty())
            return std::nullopt;
        line.mountedOnly = true;
    }
    const TileState tile = page.tiles.State(port);
    line.action = page.portAction[p].load();
    line.kind = tile.kind;
    line.text = ValidUtf8(tile.statusText);
    line.reportPath = page.portResult[p].reportPath;
    line.auxReportPath = page.portResult[p].auxReportPath;
    return line;
}

} // namespace

int RunHeadless(const CommandLine& line, const std::filesystem::path& appDir, std::FILE* out,
                std::FILE* err) {
    // A station file that is not there is never run: not even Refresh, and
    // nothing is written, so no new file of that name is left behind.
    if (!line.config.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(appDir / line.config, ec)) {
            std::fprintf(err, "station file %s not found in %s\n", ValidUtf8(line.config).c_str(),
                         ValidUtf8(appDir.string()).c_str());
            return 2;
        }
    }
    HeadlessPageView view(err);
    StationStartOptions options;
    options.appDir = appDir / "";
    options.deviceRoot = line.deviceRoot.empty() ? "/" : line.deviceRoot;
    options.uiLanguage = UiLanguageFromEnvironment();
    options.osGeneration = OsGeneration();
    options.view = &view;
    std::string fatal, detail;
    std::unique_ptr<Station> station = StartStation(options, fatal, detail);
    if (!station) {
        std::fprintf(err, "%s\nStation folder: %s\n", fatal.c_str(), ValidUtf8(appDir.string()).c_str());
        if (!detail.empty())
            std::fprintf(err, "(%s)\n", detail.c_str());
        const int signal = EndSignals::Take();
        return signal ? 128 + signal : 2;
    }
    MainPage& page = *station->page;
    const auto runs = std::make_shared<LastRunOfEachPort>();
    station->outputs->Add(runs);
    if (!line.config.empty())
        page.ChangeConfiguration(line.config);
    // The session names the station file this run uses, so the outputs come
    // after --config has chosen it.
    RegisterStationOutputs(*station->outputs, {appDir, page.logDateFolder(), page.ConfigurationText(),
                                               VARNET_VERSION, [err](const std::string& message) {
                                                   std::fprintf(err, "%s\n", message.c_str());
                                               }});
    page.LayoutPorts();
    DiskWatcher watcher(options.deviceRoot);

    bool ranStation = false;
    // A station file the page refused (no valid station selection, or none
    // at all) is a failure to start what was asked, not a drive's verdict.
    bool refused = false;
    int signal = EndSignals::Take();
    if (!signal) {
        page.Refresh();
        signal = WaitForRuns(page, watcher, view);
    }
    if (!signal) {
        if (line.start) {
            refused |= !page.Start();
            ranStation = true;
        }
        for (int port : line.clicks) {
            if ((signal = EndSignals::Take()) != 0)
                break;
            refused |= !page.ClickTile(port - 1);
            ranStation = true;
        }
        if (!signal)
            signal = WaitForRuns(page, watcher, view);
    }
    std::array<bool, kPortCount> cut{};
    if (signal) {
        cut = EndRunsOnSignal(page, watcher, view);
        std::string ports;
        for (int p = 0; p < kPortCount; ++p)
            if (cut[static_cast<size_t>(p)])
                ports += Format("%s%d", ports.empty() ? "" : ", ", p + 1);
        std::fprintf(err, "ended by %s%s%s\n", mphost::SignalName(signal).c_str(),
                     ports.empty() ? "" : "; the runs of these ports were cut short: ", ports.c_str());
    }
    if (refused && !signal) {
        ShutdownStation(*station);
        return 2;
    }

    // Every record has reached every output once the station is shut down.
    ShutdownStation(*station);
    int drives = 0;
    int lines = 0;
    bool allGood = true;
    if (line.json)
        std::fprintf(out, "{\"ports\": [");
    for (int p = 0; p < kPortCount; ++p) {
        if (cut[static_cast<size_t>(p)])
            continue;
        const std::optional<PortLine> port = LineOfPort(page, *runs, p);
        if (!port)
            continue;
        const uint8_t wanted = ranStation ? kTilePass : kTileInfo;
        // A port the station did not run keeps what identify gave it.
        const bool ranHere = !ranStation || port->action == PORT_DONE;
        allGood &= port->kind == wanted || (!ranHere && port->kind == kTileInfo);
        // Texts come from drives and scanned labels: whatever bytes they
        // hold, what is printed is UTF-8 a reader can parse.
        if (line.json) {
            std::string record;
            if (port->record) {
                record = ", \"record\": {";
                AppendRunRecordMembers(record, *port->record);
                record += "}";
            }
            std::fprintf(out,
                         "%s\n  {\"port\": %d, \"action\": %d, \"kind\": %s, \"text\": %s, \"serial\": %s, "
                         "\"reportPath\": %s, \"auxReportPath\": %s%s}",
                         lines ? "," : "", p + 1, port->action, JsonString(TileKindName(port->kind)).c_str(),
                         JsonString(port->text).c_str(), JsonString(port->serial).c_str(),
                         JsonString(port->reportPath).c_str(), JsonString(port->auxReportPath).c_str(),
                         record.c_str());
        } else {
            std::fprintf(out, "%d\t%d\t%s\t%s\n", p + 1, port->action, TileKindName(port->kind),
                         EscapeLineBreaks(port->text).c_str());
        }
        ++lines;
        drives += port->mountedOnly ? 0 : 1;
    }
    if (line.json)
        std::fprintf(out, "%s]}\n", lines ? "\n" : "");
    std::fflush(out);
    if (signal)
        return 128 + signal;
    if (drives == 0) {
        std::fprintf(err, "no drive found under %s\n", options.deviceRoot.c_str());
        return 3;
    }
    return allGood ? 0 : 1;
}

} // namespace varnet
