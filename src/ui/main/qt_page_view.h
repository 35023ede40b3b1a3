// The engine's PageView on the window. Every call, from the GUI thread or a
// port worker, is carried out on the GUI thread through the page's
// GuiCallQueue in the order it was made; nothing here blocks a worker.
//
// Two things answer at once instead: IsLockCurrentChecked reads a copy of
// the check box kept here (the last run to end asks for it from its worker
// thread, where the box itself must not be touched), and the three run
// timers are one-shot QTimers whose timeout calls MainPage::OnTimer on the
// GUI thread, which re-arms them while ports run.
#pragma once

#include "engine/page_view.h"

#include <QString>

#include <atomic>
#include <map>
#include <string>
#include <vector>

class QObject;
class QTimer;

namespace varnet {
class MainPage;
}

namespace varnet::ui {

class GuiCallQueue;

// What the window shows for the page view; called on the GUI thread only.
class PageWidgets {
public:
    virtual ~PageWidgets() = default;
    virtual void ShowControlEnabled(PageControl control, bool enabled) = 0;
    virtual void ShowLockCurrent(bool checked) = 0;
    virtual void ShowRunClock(const QString& text) = 0;
    virtual void ShowOperatorMessage(const QString& text) = 0;
    virtual void ShowSerialNumberValue(const QString& serialNumber) = 0;
    virtual void ShowPortLayout(const PortLayout& layout, uint8_t mapType) = 0;
    virtual void ShowSettingBox(const CurrentSetting& setting, int stationIndex) = 0;
    virtual void ShowConfigurationFiles(const std::vector<std::string>& files, int selected) = 0;
};

class QtPageView final : public PageView {
public:
    // The timers belong to timerOwner (a widget of the page, GUI thread).
    QtPageView(GuiCallQueue& queue, PageWidgets& widgets, QObject* timerOwner);
    ~QtPageView() override;

    // The page whose OnTimer and OnSerialNumberChanged the view calls; null
    // stops both (the page is going).
    void SetMainPage(MainPage* page);
    // The operator toggled the box (GUI thread): the copy follows at once.
    void NoteLockCurrentChecked(bool checked) { lockCurrent_.store(checked); }
    bool IsTimerActive(int id) const;

    void EnableControl(PageControl control, bool enabled) override;
    bool IsLockCurrentChecked() override { return lockCurrent_.load(); }
    void SetLockCurrentChecked(bool checked) override;
    void SetRunClockText(std::string_view text) override;
    void StartTimer(int id, int milliseconds) override;
    void StopTimer(int id) override;
    void ShowMessage(std::string_view text) override;
    void PostSerialNumberChanged() override;
    void ShowSerialNumber(std::string_view serialNumber) override;
    void ShowLayout(const PortLayout& layout, uint8_t mapType) override;
    void ShowCurrentSetting(const CurrentSetting& setting, int stationIndex) override;
    void ShowStationConfigs(const std::vector<std::string>& files, int selected) override;

private:
    QTimer* Timer(int id) const;

    GuiCallQueue& queue_;
    PageWidgets& widgets_;
    std::map<int, QTimer*> timers_;
    std::atomic<MainPage*> page_{nullptr};
    std::atomic<bool> lockCurrent_{false};
};

} // namespace varnet::ui
