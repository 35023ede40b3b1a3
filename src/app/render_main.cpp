// varnet-render: pictures of the main page for reviewing the screens. It
// writes a demo station into a scratch folder, starts the window on it for
// 8, 16 and 24 ports and saves the page as PNG files in the states an
// operator sees: idle, identified, running and with its verdicts (the demo's
// failing drives and one injected failure give red tiles), and the
// Configuration tab in editing for each of the eight stations, the "RDT Info"
// and "Bad Block Info" pages on a drive whose burn-in failed, and the log
// viewer of that drive. The language is the environment's
// (LANG=zh_CN.UTF-8 for Chinese); the files are named
// main-<en|zh>-<ports>-<state>.png, settings-<en|zh>-<station>.png,
// rdt-info-<en|zh>.png, bad-block-<en|zh>.png and log-<en|zh>.png.
//
// usage: varnet-render --out FOLDER [--sim FOLDER] [--only main|settings|results]
//   --sim: where MP_API.so and MES_DLL.so were built (default: ../sim beside
//   this program). --only: one group of screens instead of all. Runs on the
//   offscreen platform unless told otherwise.
#include "demo_station.h"
#include "engine/main_page.h"
#include "platform/system_info.h"
#include "platform/text_format.h"
#include "ui/controls/label.h"
#include "ui/dialogs/log_info_dialog.h"
#include "ui/gui_thread.h"
#include "ui/main/main_wnd_dlg.h"
#include "ui/main/main_wnd_sheet.h"
#include "ui/main/port_tile.h"
#include "ui/main/varnet_tool_dlg.h"
#include "ui/pages/bb_table_dlg.h"
#include "ui/pages/rdt_result_dlg.h"
#include "ui/settings/setting_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace varnet;

namespace {

// Every call of the simulated library takes this long, so a running batch
// stays on screen long enough to be pictured.
constexpr int kCallMs = 400;
// The demo drive whose burn-in grows its bad blocks on one CE (port 14).
constexpr int kBurnInFailurePort = 13;

bool WaitFor(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        // Sleep in the event loop rather than spin on processEvents.
        QEventLoop pause;
        QTimer::singleShot(20, &pause, &QEventLoop::quit);
        pause.exec();
    }
    return true;
}

// Slow calls for every drive, and drive 3 failing production.
bool PrepareDescription(const fs::path& file) {
    std::ifstream in(file);
    if (!in)
        return false;
    std::ostringstream out;
    for (std::string line; std::getline(in, line);) {
        // The drives under test hang on the box and the two hubs; the
        // station's own disks and the card reader stay as they are.
        const bool underTest =
            line.find("at=box") != std::string::npos || line.find("at=hub") != std::string::npos;
        if (line.starts_with("drive ") && underTest) {
            const size_t comment = line.find('#');
            std::string head = comment == std::string::npos ? line : line.substr(0, comment);
            head += " time-ms=" + std::to_string(kCallMs);
            if (line.starts_with("drive 3 "))
                for (const char* entry :
                     {"DoPretestInit", "DoPretestInit_RDTMARK", "DoPretestInit_RDTMARK_CEMASK"})
                    head += std::string(" fault=\"fail:") + entry + ":0x51:Pretest write fail\"";
            line = head;
        }
        out << line << '\n';
    }
    in.close();
    std::ofstream(file) << out.str();
    return true;
}

class Renderer {
public:
    Renderer(fs::path out, std::string language) : out_(std::move(out)), language_(std::move(language)) {}

    bool Save(QWidget& window, unsigned ports, const char* state) {
        QCoreApplication::processEvents();
        const fs::path file =
            out_ / ("main-" + language_ + "-" + std::to_string(ports) + "-" + state + ".png");
        if (!window.grab().save(QString::fromStdString(file.string()))) {
            std::fprintf(stderr, "varnet-render: cannot write %s\n", file.c_str());
            return false;
        }
        std::printf("%s\n", file.c_str());
        return true;
    }

    // The window started on the scratch station as the program starts it.
    static bool StartWindow(ui::CMainWndDlg& window, const fs::path& station, int uiLanguage) {
        StationStartOptions options;
        options.appDir = station / "";
        options.deviceRoot = station / "Sim" / "root";
        options.uiLanguage = uiLanguage;
        QString fatal, detail;
        if (window.Start(options, fatal, detail))
            return true;
        std::fprintf(stderr, "varnet-render: %s %s\n", fatal.toUtf8().constData(),
                     detail.toUtf8().constData());
        return false;
    }

    bool RenderPorts(const fs::path& station, unsigned ports, int uiLanguage) {
        ui::CMainWndDlg window(uiLanguage);
        if (!StartWindow(window, station, uiLanguage))
            return false;
        ui::CVarnetToolDlg& page = *window.MainPage();
        MainPage& engine = *page.Page();
        // As an operator would: the production station from the list, then
        // the port count.
        QComboBox& configuration = *page.ConfigurationCombo();
        configuration.setCurrentIndex(configuration.findText(QStringLiteral("04_MP.ini")));
        emit configuration.activated(configuration.currentIndex());
        engine.ChangePortCount(ports);
        window.show();
        bool ok = Save(window, ports, "idle");

        engine.Refresh();
        ok &= WaitFor([&] { return !engine.PortRunsActive(); }, 60000);
        ok &= Save(window, ports, "identified");

        engine.Start();
        // Every port of the batch shows its animation and its bar has moved.
        auto running = [&] {
            for (unsigned p = 0; p < ports; ++p) {
                const uint8_t code = engine.portAction[p].load();
                const TileState& shown = page.Tile(static_cast<int>(p))->Shown();
                if (IsStationCode(code) && (shown.kind != kTileRunning || shown.shownProgress == 0))
                    return false;
            }
            return true;
        };
        if (!WaitFor([&] { return running() || !engine.PortRunsActive(); }, 60000) ||
            !engine.PortRunsActive()) {
            std::fprintf(stderr, "varnet-render: the %u-port batch ended before it could be pictured\n",
                         ports);
            ok = false;
        }
        ok &= Save(window, ports, "running");
        ok &= WaitFor([&] { return !engine.PortRunsActive(); }, 120000);
        ok &= Save(window, ports, "verdicts");
        window.close();
        return ok;
    }

    // The Configuration tab being edited, once per station, as its operator
    // sees it after choosing the station: settings-<lang>-<NN>.png.
    bool RenderSettings(const fs::path& station, int uiLanguage) {
        ui::CMainWndDlg window(uiLanguage);
        if (!StartWindow(window, station, uiLanguage))
            return false;
        window.show();
        ui::CSettingDlg& settings = *window.SettingPage();
        if (!window.Sheet()->ActivatePage(ui::CMainWndSheet::kConfigurationPage) ||
            !WaitFor([&] { return settings.PageInitialised(); }, 10000)) {
            std::fprintf(stderr, "varnet-render: the Configuration tab did not open\n");
            return false;
        }
        // The picture is of the page, not of the password dialog.
        settings.Hooks().unlock = [] { return true; };
        settings.OnEdit();
        bool ok = true;
        for (int s = 0; s < kStationCount; ++s) {
            QComboBox& stations = *settings.TestStationList();
            stations.setCurrentIndex(s);
            emit stations.activated(s);
            QCoreApplication::processEvents();
            const fs::path file = out_ / ("settings-" + language_ + "-" + Format("%02d", s + 1) + ".png");
            if (!window.grab().save(QString::fromStdString(file.string()))) {
                std::fprintf(stderr, "varnet-render: cannot write %s\n", file.c_str());
                ok = false;
                continue;
            }
            std::printf("%s\n", file.c_str());
        }
        // Nothing is saved: the scratch station's files stay as written.
        PageLockBits() = 0;
        window.close();
        return ok;
    }

    // The two result pages and the log viewer on the drive whose burn-in
    // failed, as an operator reaches them: burn-in start and collection on
    // every drive, then the port chosen on "RDT Info"; production, the scan
    // station chosen and a fresh Refresh, then the same port chosen on "Bad
    // Block Info", which scans it.
    bool RenderResults(const fs::path& station, int uiLanguage) {
        ui::CMainWndDlg window(uiLanguage);
        if (!StartWindow(window, station, uiLanguage))
            return false;
        ui::CVarnetToolDlg& page = *window.MainPage();
        MainPage& engine = *page.Page();
        window.show();
        const auto runsEnd = [&] { return WaitFor([&] { return !engine.PortRunsActive(); }, 120000); };
        const auto chooseStation = [&](const char* file) {
            QComboBox& configuration = *page.ConfigurationCombo();
            configuration.setCurrentIndex(configuration.findText(QString::fromLatin1(file)));
            emit configuration.activated(configuration.currentIndex());
        };
        const auto runStation = [&](const char* file) {
            chooseStation(file);
            engine.Start();
            return runsEnd();
        };
        engine.ChangePortCount(24);
        engine.Refresh();
        bool ok = runsEnd() && runStation("02_RDT.ini");
        engine.Refresh();
        ok = ok && runsEnd() && runStation("03_RDTResult.ini");
        ok = ok && ShowPort(window, *window.RdtInfoPage(), ui::CMainWndSheet::kRdtInfoPage, "rdt-info");

        if (ok) {
            const ST_PORT_RESULT& result = engine.portResult[kBurnInFailurePort];
            ui::CLogInfoDlg log(ui::LogViewerTitle(kBurnInFailurePort + 1,
                                                   ui::RelativeToAppDir(result.reportPath, engine.appDir())),
                                result.reportPath, result.auxReportPath, uiLanguage, &window);
            log.show();
            ok = SaveWidget(log, "log");
            log.close();
        }

        // Production puts the drives back on their own firmware, which the
        // scan needs; the blocks grown in the burn-in stay bad.
        ok = ok && window.Sheet()->ActivatePage(ui::CMainWndSheet::kMainPage);
        QCoreApplication::processEvents();
        engine.Refresh();
        ok = ok && runsEnd() && runStation("04_MP.ini");
        chooseStation("08_ScanBad.ini");
        engine.Refresh();
        ok = ok && runsEnd() &&
             ShowPort(window, *window.BadBlockPage(), ui::CMainWndSheet::kBadBlockPage, "bad-block");
        window.close();
        return ok;
    }

private:
    // The page brought up and the port chosen from its list, as the operator
    // does; saved once the page has shown it.
    bool ShowPort(ui::CMainWndDlg& window, ui::CResultPage& resultPage, int sheetPage, const char* name) {
        if (!window.Sheet()->ActivatePage(sheetPage) ||
            !WaitFor(
                [&] { return resultPage.PortList()->count() > kBurnInFailurePort && !resultPage.IsBusy(); },
                10000)) {
            std::fprintf(stderr, "varnet-render: the %s page did not come up\n", name);
            return false;
        }
        int shownPort = -2;
        const QMetaObject::Connection shown = QObject::connect(&resultPage, &ui::CResultPage::LoadFinished,
                                                               [&](int port) { shownPort = port; });
        QComboBox& ports = *resultPage.PortList();
        ports.setCurrentIndex(kBurnInFailurePort);
        emit ports.activated(kBurnInFailurePort);
        const bool loaded = WaitFor([&] { return shownPort == kBurnInFailurePort; }, 120000);
        QObject::disconnect(shown);
        if (!loaded) {
            std::fprintf(stderr, "varnet-render: the %s page did not show port %d\n", name,
                         kBurnInFailurePort + 1);
            return false;
        }
        return SaveWidget(window, name);
    }

    bool SaveWidget(QWidget& widget, const char* name) {
        QCoreApplication::processEvents();
        const fs::path file = out_ / (std::string(name) + "-" + language_ + ".png");
        if (!widget.grab().save(QString::fromStdString(file.string()))) {
            std::fprintf(stderr, "varnet-render: cannot write %s\n", file.c_str());
            return false;
        }
        std::printf("%s\n", file.c_str());
        return true;
    }

    fs::path out_;
    std::string language_;
};

} // namespace

int main(int argc, char** argv) {
    constexpr const char* kUsage =
        "usage: varnet-render --out FOLDER [--sim FOLDER] [--only main|settings|results]\n";
    fs::path out, sim;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--out" || arg == "--sim") && i + 1 < argc) {
            (arg == "--out" ? out : sim) = fs::absolute(argv[++i]);
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else {
            std::fprintf(stderr, "%s", kUsage);
            return 2;
        }
    }
    if (out.empty() || !(only.empty() || only == "main" || only == "settings" || only == "results")) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    if (sim.empty()) {
        std::error_code ec;
        sim = fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "sim";
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ui::InstallGuiEventPump();

    const int language = UiLanguageFromEnvironment();
    std::string scratch = (fs::temp_directory_path() / "varnet-render-XXXXXX").string();
    if (!::mkdtemp(scratch.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path station = scratch;
    std::error_code ec;
    fs::create_directories(out, ec);
    std::string warning;
    if (Status written = WriteDemoStation(station, DemoPace::kInstant); !written.ok()) {
        std::fprintf(stderr, "varnet-render: %s\n", written.message().c_str());
        return 1;
    }
    if (Status copied = CopyStationLibraries(sim, station, warning); !copied.ok() || !warning.empty()) {
        std::fprintf(stderr, "varnet-render: %s%s\n", copied.message().c_str(), warning.c_str());
        return 1;
    }
    if (!PrepareDescription(station / "Sim" / "station.txt") || ::chdir(station.c_str()) != 0) {
        std::fprintf(stderr, "varnet-render: cannot prepare %s\n", station.c_str());
        return 1;
    }
    Renderer renderer(out, language == 1 ? "zh" : "en");
    bool ok = true;
    const auto wanted = [&only](const char* group) { return only.empty() || only == group; };
    if (wanted("main"))
        for (unsigned ports : {8u, 16u, 24u})
            ok &= renderer.RenderPorts(station, ports, language);
    if (wanted("settings"))
        ok &= renderer.RenderSettings(station, language);
    if (wanted("results"))
        ok &= renderer.RenderResults(station, language);
    fs::remove_all(station, ec);
    return ok ? 0 : 1;
}
