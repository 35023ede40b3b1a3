// CMainWndDlg: the station's main window, 1040 x 678, titled with the
// composed title, holding the page sheet.
//
// Contract:
//  - Start() brings the station up through the Main page; false with the
//    operator's message on a fatal condition (the caller shows it and ends).
//  - Esc and Enter do nothing; F1 opens the About box, and so does the
//    window's own menu, which a right click on the tab strip (the tabs and
//    the free strip beside them) brings up in place of a system menu.
//  - Closing while ports run asks first. On yes no new run starts, the window
//    stays alive (tiles keep updating) until the running ports have ended,
//    then the station shuts down (the serial-number write-back) and the
//    window closes. On no, nothing changes. Closing an idle station shuts it
//    down at once.
//  - EndOnSignal() is closing without the question, for a signal that asks
//    the program to end: no new run starts, the running ports get 5 s,
//    then their library calls are ended (their ports end in a fault), the
//    station shuts down and the window closes. Open dialogs are closed.
//  - Shown is emitted once, when the window is first exposed.
//  - Once started, the "Configuration" tab is the settings editor on the
//    station's flash database, customer record and debug options, with the
//    window's MES client; activating it loads the station file chosen on
//    Main, leaving it for Main applies what it saved to the current-setting
//    box. Its Detect reads the first drive's flash IDs on a worker and hands
//    the answer back on the GUI thread; closing waits for such a readout.
// GUI thread only.
#pragma once

#include "engine/flash_id_query.h"
#include "engine/station_startup.h"

#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QTimer;

namespace varnet {
class MesClient;
}

namespace varnet::ui {

class CMainWndSheet;
class CSettingDlg;
class CRDTResultDlg;
class CBBTableDlg;
class CYieldDlg;
class CVarnetToolDlg;

class CMainWndDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 1040;
    static constexpr int kHeight = 678;

    explicit CMainWndDlg(int uiLanguage, QWidget* parent = nullptr);
    ~CMainWndDlg() override;

    bool Start(const StationStartOptions& options, QString& fatalMessage, QString& detail);

    CMainWndSheet* Sheet() const { return sheet_; }
    CVarnetToolDlg* MainPage() const;
    // The "Configuration" page; null before Start().
    CSettingDlg* SettingPage() const { return settingPage_; }
    CRDTResultDlg* RdtInfoPage() const { return rdtPage_; }
    CBBTableDlg* BadBlockPage() const { return bbPage_; }
    CYieldDlg* YieldPage() const { return yieldPage_; }
    // Closing was asked for and waits for the running ports.
    bool IsWaitingForRuns() const { return waitingForRuns_; }
    bool IsShutDown() const { return shutDown_; }
    void EndOnSignal();
    // The window's own menu ("&About VarnetTool...").
    QMenu* SystemMenu() const { return systemMenu_; }

signals:
    void Shown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool AskCloseWhileRunning();
    void CheckRunsEnded();
    void OpenAbout();
    void BuildSystemMenu();
    void BuildSettingPage();
    void BuildResultPages();
    // The result pages run collections of their own on the station's
    // ports: they go (and wait for those runs) before the station does.
    void ReleaseResultPages();
    void EndStation();

    // Before the children: event() reads them while the sheet is being added.
    bool waitingForRuns_ = false;
    bool endingOnSignal_ = false;
    std::chrono::steady_clock::time_point signalGraceEnd_{};
    bool shutDown_ = false;
    bool shown_ = false;
    int uiLanguage_;
    CMainWndSheet* sheet_;
    QTimer* runsEndedCheck_;
    QMenu* systemMenu_ = nullptr;
    QString title_;
    CSettingDlg* settingPage_ = nullptr;
    CRDTResultDlg* rdtPage_ = nullptr;
    CBBTableDlg* bbPage_ = nullptr;
    CYieldDlg* yieldPage_ = nullptr;
    // Destroyed before the pages (children go last), so a readout still
    // going ends while the station and the page it answers are alive.
    std::unique_ptr<MesClient> mes_;
    std::unique_ptr<FlashIdQuery> flashIdQuery_;
};

} // namespace varnet::ui
