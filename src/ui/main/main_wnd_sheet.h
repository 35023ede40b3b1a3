// CMainWndSheet: the main window's four pages in one tab control — "Main",
// "Configuration", "RDT Info" and "Bad Block Info". A page whose bit is set
// in PageLockBits() (the runs lock the three others, the settings editor
// all but itself) cannot be activated: the sheet stays on the page it was
// on, whichever way the operator tried (click, keyboard, wheel).
//
// Each page that becomes active tells the sheet so (the page-activated
// notice), queued after the switch; PageActivated carries it out. On it the
// sheet lets the Configuration page apply changed settings before the Main
// page shows the current setting again, and has the Configuration page load
// the station file chosen on Main. The Configuration, RDT Info and Bad Block
// Info pages are empty until their screens take their places (SetPage).
// GUI thread only.
#pragma once

#include <QWidget>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace varnet::ui {

class CMyTabCtrl;
class CVarnetToolDlg;

class CMainWndSheet : public QWidget {
    Q_OBJECT
public:
    enum SheetPage : int {
        kMainPage = 0,
        kConfigurationPage = 1,
        kRdtInfoPage = 2,
        kBadBlockPage = 3,
        kYieldPage = 4, // only reads the results store: never locked
    };
    static constexpr int kPageCount = 5;
    // The bit of PageLockBits() that refuses the page.
    static uint32_t LockBitOf(int page);

    explicit CMainWndSheet(int uiLanguage, QWidget* parent = nullptr);

    CMyTabCtrl* Tabs() const { return tabs_; }
    CVarnetToolDlg* MainPage() const { return mainPage_; }
    QWidget* Page(int page) const;
    // A later screen takes the place of a placeholder page (1-4).
    void SetPage(int page, QWidget* widget);
    int ActivePage() const;
    // False (and nothing changes) when the page is locked.
    bool ActivatePage(int page);

    // What the Configuration page does when the sheet asks; unset, nothing.
    // applyChangedSettings: how long after leaving the Main page must show
    // the page's changes; nullopt when there is nothing to show.
    using RefreshDelay = std::optional<std::chrono::milliseconds>;
    void SetConfigurationHooks(std::function<RefreshDelay()> applyChangedSettings,
                               std::function<void(const std::filesystem::path&)> loadStationFile);

signals:
    // The page-activated notice: page 0-3, after the switch.
    void PageActivated(int page);

private:
    void OnCurrentChanged(int index);
    void OnPageActivated(int page);

    int uiLanguage_;
    CMyTabCtrl* tabs_;
    CVarnetToolDlg* mainPage_;
    int current_ = kMainPage;
    bool reverting_ = false;
    std::function<RefreshDelay()> applyChangedSettings_;
    std::function<void(const std::filesystem::path&)> loadStationFile_;
};

} // namespace varnet::ui
