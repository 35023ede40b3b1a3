// CMainWndDlg: the station's main window, 1040 x 678, titled with the
// composed title, holding the page sheet.
//
// Contract:
//  - Start() brings the station up through the Main page; false with the
//    operator's message on a fatal condition (the caller shows it and ends).
//  - Esc and Enter do nothing; F1 opens the About box.
//  - Closing while ports run asks first. On yes no new run starts, the window
//    stays alive (tiles keep updating) until the running ports have ended,
//    then the station shuts down (the serial-number write-back) and the
//    window closes. On no, nothing changes. Closing an idle station shuts it
//    down at once.
//  - Shown is emitted once, when the window is first exposed.
// GUI thread only.
#pragma once

#include "engine/station_startup.h"

#include <QWidget>

class QTimer;

namespace varnet::ui {

class CMainWndSheet;
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
    // Closing was asked for and waits for the running ports.
    bool IsWaitingForRuns() const { return waitingForRuns_; }
    bool IsShutDown() const { return shutDown_; }

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

    // Before the children: event() reads them while the sheet is being added.
    bool waitingForRuns_ = false;
    bool shutDown_ = false;
    bool shown_ = false;
    int uiLanguage_;
    CMainWndSheet* sheet_;
    QTimer* runsEndedCheck_;
    QString title_;
};

} // namespace varnet::ui
