// varnettool: the station program. With a display it opens the station's
// window; with --headless, or where there is no display at all, it runs the
// same station without one.
#include "app/command_line.h"
#include "app/end_signals.h"
#include "app/headless_runner.h"
#include "app/station_overview.h"
#include "config/station_folder.h"
#include "platform/station_lock.h"
#include "platform/system_info.h"
#include "ui/dialogs/station_folder_dialog.h"
#include "ui/gui_thread.h"
#include "ui/main/main_wnd_dlg.h"
#include "ui/main/varnet_tool_dlg.h"
#include "varnet_version.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::filesystem::path ExecutableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

// The program folder becomes the working folder, so "./x" and the folder's
// "x" agree. A folder that cannot be entered is a start-up failure, never a
// drive's verdict.
bool EnterFolder(const std::filesystem::path& folder) {
    if (::chdir(folder.c_str()) == 0 && ::access(".", R_OK) == 0)
        return true;
    std::fprintf(stderr, "varnettool: cannot use the station folder %s: %s\n", folder.c_str(),
                 std::strerror(errno));
    return false;
}

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Qt would abort without a platform to draw on; a station computer run over
// ssh still has its headless runner.
bool HasDisplay() {
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
}

void PrintLockRefusal(const varnet::Status& refused, const std::filesystem::path& folder) {
    std::fprintf(stderr, "%s\nStation folder: %s\n", refused.message().c_str(), folder.c_str());
}

int RunWindow(int argc, char** argv, varnet::CommandLine line, varnet::StationFolder folder,
              varnet::StationLock& lock) {
    QApplication app(argc, argv);
    varnet::ui::InstallGuiEventPump();
    const int language = varnet::UiLanguageFromEnvironment();
    // A folder another program holds is refused with who holds it, and the
    // operator picks another one.
    while (true) {
        if (folder.source != varnet::FolderSource::kNone) {
            const varnet::Status taken = lock.Take(folder.path);
            if (taken.ok())
                break;
            PrintLockRefusal(taken, folder.path);
            if (line.quitWhenShown)
                return 2;
            QMessageBox(QMessageBox::Warning, QStringLiteral("VarnetTool"),
                        QString::fromStdString(taken.message()) + QStringLiteral("\n\n") +
                            QString::fromStdString(folder.path.string()),
                        QMessageBox::Ok)
                .exec();
        }
        varnet::ui::CStationFolderDlg chooser(
            language, varnet::FindDemoTool(ExecutableFolder()).value_or(std::filesystem::path()));
        if (chooser.exec() != QDialog::Accepted)
            return 2;
        folder = {std::filesystem::absolute(chooser.Folder()).lexically_normal(),
                  varnet::FolderSource::kCommandLine};
    }
    if (line.deviceRoot.empty())
        line.deviceRoot = varnet::DefaultDeviceRoot(folder.path).string();
    if (!EnterFolder(folder.path))
        return 2;
    varnet::ui::CMainWndDlg window(language);

    varnet::StationStartOptions options;
    options.appDir = folder.path / "";
    options.deviceRoot = line.deviceRoot;
    options.uiLanguage = language;
    options.osGeneration = varnet::OsGeneration();
    QString fatal, detail;
    if (!window.Start(options, fatal, detail)) {
        const QString where =
            QStringLiteral("Station folder: %1").arg(QString::fromStdString(folder.path.string()));
        std::fprintf(stderr, "varnettool: %s\n%s\n", fatal.toUtf8().constData(), where.toUtf8().constData());
        if (!detail.isEmpty())
            std::fprintf(stderr, "(%s)\n", detail.toUtf8().constData());
        // An unattended start has nobody to press OK.
        if (!line.quitWhenShown)
            QMessageBox(QMessageBox::NoIcon, QStringLiteral("VarnetTool"),
                        fatal + QStringLiteral("\n\n") + where, QMessageBox::Ok)
                .exec();
        return 1;
    }
    if (const varnet::Status kept = varnet::RememberStationFolder(folder.path, varnet::UserConfigHome());
        !kept.ok())
        std::fprintf(stderr, "varnettool: the station folder is not remembered: %s\n",
                     kept.message().c_str());
    if (line.refresh)
        QObject::connect(&window, &varnet::ui::CMainWndDlg::Shown, &window, [&window] {
            QTimer::singleShot(0, &window, [&window] { window.MainPage()->RefreshButton()->click(); });
        });
    if (line.quitWhenShown)
        QObject::connect(&window, &varnet::ui::CMainWndDlg::Shown, &window,
                         [&window] { QTimer::singleShot(0, &window, &QWidget::close); });
    // A signal that asks the program to end closes the window without the
    // question; the exit code says which signal it was.
    std::unique_ptr<QSocketNotifier> endSignals;
    if (varnet::EndSignals::Fd() >= 0) {
        endSignals = std::make_unique<QSocketNotifier>(varnet::EndSignals::Fd(), QSocketNotifier::Read);
        QObject::connect(endSignals.get(), &QSocketNotifier::activated, &window, [&window] {
            if (varnet::EndSignals::Take())
                window.EndOnSignal();
        });
    }
    window.show();
    const int code = app.exec();
    const int signal = varnet::EndSignals::Take();
    return signal ? 128 + signal : code;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto line = varnet::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!line) {
        std::fprintf(stderr, "varnettool: %s\n%s", error.c_str(), varnet::kVarnetToolUsage);
        return 2;
    }
    if (line->help) {
        std::fputs(varnet::kVarnetToolUsage, stdout);
        return 0;
    }
    if (line->version) {
        std::printf("varnettool %s\n", VARNET_VERSION);
        return 0;
    }
    // Before any thread: the handlers are the process's.
    if (const varnet::Status installed = varnet::EndSignals::Install(); !installed.ok())
        std::fprintf(stderr, "varnettool: %s\n", installed.message().c_str());
    const bool window = !line->headless && HasDisplay();
    if (window && !line->HeadlessOnlyOption().empty()) {
        std::fprintf(stderr, "varnettool: %s is for --headless runs\n%s", line->HeadlessOnlyOption().c_str(),
                     varnet::kVarnetToolUsage);
        return 2;
    }
    varnet::CommandLine options = *line;
    // A device root named relative to where the program was started must
    // still name the same folder once it works in its station folder.
    if (!options.deviceRoot.empty())
        options.deviceRoot = std::filesystem::absolute(options.deviceRoot).string();
    const varnet::StationFolder folder =
        varnet::FindStationFolder(line->dir, ExecutableFolder(), varnet::UserConfigHome());
    // Held until the program ends; the kernel frees it however it ends.
    varnet::StationLock lock;
    if (window)
        return RunWindow(argc, argv, options, folder, lock);
    // Without a window nobody can be asked.
    if (folder.source == varnet::FolderSource::kNone) {
        std::fprintf(stderr,
                     "varnettool: no station folder: give --dir FOLDER (none is remembered, and %s holds no "
                     "FlashInfo.dat)\n",
                     ExecutableFolder().c_str());
        return 2;
    }
    if (options.deviceRoot.empty())
        options.deviceRoot = varnet::DefaultDeviceRoot(folder.path).string();
    // Before anything is run or written: a second program on the folder
    // would run its drives a second time.
    if (const varnet::Status taken = lock.Take(folder.path); !taken.ok()) {
        PrintLockRefusal(taken, folder.path);
        return 2;
    }
    if (!EnterFolder(folder.path))
        return 2;
    if (!line->headless) {
        std::fprintf(stderr,
                     "varnettool: no display (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset); "
                     "running the station without a window\n");
        return varnet::RunHeadless(options, folder.path, stdout, stderr);
    }
    if (!options.RunsSomething())
        return varnet::PrintStationOverview(".", stdout);
    return varnet::RunHeadless(options, folder.path, stdout, stderr);
}
