// CVarnetToolDlg, the "Main" page: the 24 port tiles, the current-setting
// box, the run clock and the operator's controls, over the engine's
// MainPage, which it starts (StartStation) and owns with all the run state.
//
// Contract:
//  - Start() brings the station up exactly as the program starts without a
//    window; on a fatal condition it returns false with the operator's
//    message and nothing runs. Until then the page shows nothing of a station.
//  - Every widget change the engine asks for, from any thread, goes through
//    one GuiCallQueue and happens on the GUI thread in the order it was
//    asked (QtPageView, QtTileView).
//  - Disk arrivals and removals under the device root reach the engine
//    through a socket notifier on the DiskWatcher, on the GUI thread.
//  - Closing: StopStartingRuns() refuses new runs and keeps the run
//    controls off; Shutdown() waits for what still runs and writes the next
//    serial number back (ShutdownStation). The owner calls Shutdown() once
//    PortRunsActive() is false, so the GUI thread never blocks on a run.
#pragma once

#include "engine/page_view.h"
#include "engine/port_layout.h"
#include "engine/station_startup.h"
#include "ui/main/qt_page_view.h"

#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSocketNotifier;

namespace varnet {
class DiskWatcher;
}

namespace varnet::ui {

class CLabel;
class CPortTile;
class GuiCallQueue;
class QtTileView;

class CVarnetToolDlg : public QWidget, private PageWidgets {
    Q_OBJECT
public:
    explicit CVarnetToolDlg(int uiLanguage, QWidget* parent = nullptr);
    ~CVarnetToolDlg() override;

    // options.view and options.tileView are the page's own.
    bool Start(StationStartOptions options, QString& fatalMessage, QString& detail);

    int UiLanguage() const { return uiLanguage_; }
    Station* GetStation() const { return station_.get(); }
    MainPage* Page() const;
    QtPageView* View() const { return pageView_.get(); }

    // --- closing
    bool PortRunsActive() const;
    void StopStartingRuns();
    bool IsStoppingRuns() const { return stopping_; }
    // Once; later calls do nothing.
    void Shutdown();

    // --- what the operator sees and uses (tests look here)
    CPortTile* Tile(int port) const { return tiles_[static_cast<size_t>(port)]; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* RefreshButton() const { return refresh_; }
    QPushButton* SnScanButton() const { return snScan_; }
    QCheckBox* LockCurrentBox() const { return lockCurrent_; }
    QComboBox* PortCountCombo() const { return portCount_; }
    QComboBox* MapCombo() const { return map_; }
    QComboBox* ConfigurationCombo() const { return configuration_; }
    QComboBox* SlcBufferCombo() const { return slcBuffer_; }
    QLabel* PortCountLabel() const { return portsLabel_; }
    QLabel* MapLabel() const { return mapLabel_; }
    CLabel* RunClock() const { return runClock_; }
    CLabel* StationName() const { return stationName_; }
    QGroupBox* SettingBox() const { return settingBox_; }
    // The caption and the value of a current-setting field, by caption number
    // (139-145, 146 for the serial number) or 0-2 for "Flash ID:", "MP FW:"
    // and "RDT FW:".
    QLabel* SettingCaption(int field) const;
    QString SettingValueText(int field) const;
    int SelectedTile() const { return selectedTile_; }
    // appDir + the configuration list's entry: what the Configuration page
    // edits. Empty before Start().
    std::filesystem::path ConfigurationFile() const;

signals:
    // Every operator message, as its box opens.
    void OperatorMessage(const QString& text);

private:
    void BuildControls();
    void BuildSettingBox();
    void ApplyPageLanguage();
    void ConnectControls();
    void StartDiskWatch(const std::filesystem::path& root);
    void OnDiskEvents();
    void SelectTile(int port);
    void OpenDetail(int port);
    void OpenLog(int port);
    void OpenSnScan();
    void SelectSlcBuffer();

    // PageWidgets (GUI thread)
    void ShowControlEnabled(PageControl control, bool enabled) override;
    void ShowLockCurrent(bool checked) override;
    void ShowRunClock(const QString& text) override;
    void ShowOperatorMessage(const QString& text) override;
    void ShowSerialNumberValue(const QString& serialNumber) override;
    void ShowPortLayout(const PortLayout& layout, uint8_t mapType) override;
    void ShowSettingBox(const CurrentSetting& setting, int stationIndex) override;
    void ShowConfigurationFiles(const std::vector<std::string>& files, int selected) override;

    const int uiLanguage_;
    // Declared before the station: the engine's workers talk to these until
    // the station is gone.
    std::unique_ptr<GuiCallQueue> queue_;
    std::unique_ptr<QtPageView> pageView_;
    std::unique_ptr<QtTileView> tileView_;
    std::unique_ptr<Station> station_;
    std::unique_ptr<DiskWatcher> watcher_;
    QSocketNotifier* notifier_ = nullptr;

    std::array<CPortTile*, 24> tiles_{};
    PortLayout layout_;
    int selectedTile_ = -1;
    bool stopping_ = false;
    bool shutDown_ = false;

    CLabel* runClock_ = nullptr;
    QCheckBox* lockCurrent_ = nullptr;
    QLabel* portsLabel_ = nullptr;
    QComboBox* portCount_ = nullptr;
    QLabel* mapLabel_ = nullptr;
    QComboBox* map_ = nullptr;
    QComboBox* configuration_ = nullptr;
    QLabel* slcLabel_ = nullptr;
    QComboBox* slcBuffer_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* snScan_ = nullptr;
    // Kept for their enabled state; the layout never shows them.
    QPushButton* setting_ = nullptr;
    QPushButton* reset_ = nullptr;
    QRadioButton* english_ = nullptr;
    QRadioButton* chinese_ = nullptr;
    QLabel* stationLabel_ = nullptr;
    QComboBox* stationCombo_ = nullptr;

    QGroupBox* settingBox_ = nullptr;
    CLabel* stationName_ = nullptr;
    struct SettingField {
        int key;
        QLabel* caption;
        QLabel* value; // null for the station name, which is a CLabel
    };
    std::vector<SettingField> fields_;
};

} // namespace varnet::ui
