// CResultPage: what the "RDT Info" and "Bad Block Info" pages share — the
// port list, the load of one port on a worker thread of its own, the load
// progress bar with its animation, and the activation rule.
//
// A load (port −1 shows the empty state) takes a copy of the port's record
// and list and hands it to the page to show. A port whose drive is valid and
// that holds nothing yet is first read by the page itself: its station runs
// on the loader thread as a run of that port, begun and ended by the engine
// on the interface thread (MainPage::BeginPageRun), with the animation
// following the station's progress. A finished port is copied as
// it is; a port that is busy shows the empty state.
//
// Threads: the widgets are touched on the interface thread only; the loader
// and the animation hand their changes to it. One load at a time: a
// selection while a load runs is ignored. A page being destroyed waits for
// its load (and a run it started) to end; derived pages call StopLoads()
// first thing in their destructors, since a load calls back into them.
#pragma once

#include "stations/port_steps.h"
#include "ui/pages/page_port_run.h"

#include <QFont>
#include <QMap>
#include <QString>
#include <QWidget>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>

class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QVBoxLayout;

namespace varnet {
class MainPage;
}

namespace varnet::ui {

class GridWidget;

class CResultPage : public QWidget {
    Q_OBJECT
public:
    ~CResultPage() override;

    // False while a run or an edit locks the page.
    bool CanActivate() const;
    // Fills the port list, tells the sheet (Activated) and shows the empty
    // state; nothing when the page is locked. A load still running (a run the
    // page started before the operator left it) goes on and is shown.
    void OnActivated();
    // The operator's choice in the port list (0-based).
    void SelectPort(int index);
    bool IsBusy() const { return busy_.load(); }

    // The general block's value under its caption (empty when there is none).
    QString FieldValue(const QString& caption) const;

    QComboBox* PortList() const { return portList_; }
    QProgressBar* ProgressBar() const { return progressBar_; }
    QLabel* ProgressLabel() const { return progressLabel_; }
    // What the page shows now.
    const PortSnapshot& Shown() const { return shown_; }

signals:
    // The page-activated notice for the sheet, with the page's number.
    void Activated(int sheetPage);
    // A load has shown its port (−1: the empty state).
    void LoadFinished(int port);

protected:
    struct PageTraits {
        uint32_t lockBit;    // of PageLockBits()
        int sheetPage;       // 2 RDT Info, 3 Bad Block Info
        uint8_t stationCode; // the port's code while the page's own run goes
    };
    CResultPage(MainPage& page, int uiLanguage, PageTraits traits, QWidget* parent);

    // Ends the animation and waits for a running load.
    void StopLoads();

    // The station the page runs itself, on the loader thread.
    virtual PortStep Station() const = 0;
    // Whether a record of this kind belongs on the page at all.
    virtual bool ShowsRecord(const ST_PORT_RESULT& record) const = 0;
    // What the page says while a load starts.
    virtual void ShowWaiting() {}
    // Puts the copy on screen; ends with gridProgress at 100.
    virtual void ShowSnapshot() = 0;

    // The "General Info" box: one read-only field per caption, in order. The
    // first wideFields take a whole row each (texts of any length); the rest
    // fill pairColumns columns of caption and field, top to bottom.
    QGroupBox* BuildGeneralInfo(std::span<const char* const> captions, int pairColumns, int wideFields);
    QLineEdit* GeneralField(const QString& caption) const { return generalFields_.value(caption, nullptr); }
    QLabel* GeneralLabel(const QString& caption) const { return generalLabels_.value(caption, nullptr); }
    void ClearGeneralInfo();
    // A grid with its caption above it.
    QVBoxLayout* TitledGrid(const char* caption, GridWidget*& grid);

    // The port list's box with the load progress beside it: where the
    // operator chooses, the page answers.
    QHBoxLayout* PortAndProgress();
    const QFont& PageFont(int i) const { return fonts_[static_cast<size_t>(i)]; }
    int UiLanguage() const { return uiLanguage_; }
    MainPage& Page() const { return page_; }

    PortSnapshot shown_;
    // The share of the fail list already in its grid, for the animation.
    std::atomic<int> gridProgress_{0};

private:
    void FillPortList();
    void StartLoad(int port);
    void Load(int port);
    // Runs work on the interface thread and waits for it. While the page is
    // being destroyed work runs here instead when it must not be lost (a
    // run's bookkeeping), else it is dropped; false when dropped.
    bool CallOnGui(const std::function<void()>& work, bool essential);
    void StartAnimation(int port);
    void StopAnimation();
    void ShowProgress(int value);

    MainPage& page_;
    int uiLanguage_;
    PageTraits traits_;
    std::array<QFont, 4> fonts_;

    QMap<QString, QLineEdit*> generalFields_;
    QMap<QString, QLabel*> generalLabels_;
    QGroupBox* portBox_ = nullptr;
    QComboBox* portList_ = nullptr;
    QWidget* progressRow_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* progressLabel_ = nullptr;

    std::atomic<bool> busy_{false};
    std::atomic<bool> closing_{false};
    std::thread loader_;

    std::mutex animationMutex_;
    std::condition_variable animationWake_;
    bool animating_ = false; // under animationMutex_
    std::atomic<bool> animationRunning_{false};
    std::thread animation_;
};

} // namespace varnet::ui
