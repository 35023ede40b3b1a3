// The "Configuration" page: the editor of the station configuration file
// chosen on the main page, and of its companion file.
//
// Promises:
// - The page opens locked; "Edit" unlocks it through the settings password
//   (or at once under the debug option NoPassword). While it is unlocked the
//   Main, RDT Info and Bad Block Info pages refuse activation.
// - FillPage/ReadPage carry every control, hidden ones included, so a save
//   right after activation rewrites the files with what they held (apart from
//   the values the save rules derive).
// - Save and Save As write the station file and the companion together: when
//   either write fails the operator is told, both files are as they were, and
//   the page stays editable with everything typed still on it.
// - A change of station, a flash configuration chosen, or "+" never throws
//   away what the operator has typed into the shared fields.
// - Modal dialogs and message boxes go through Hooks, so every command can be
//   driven without a person at the screen.
//
// GUI thread only. Detect's readout runs elsewhere; its answer must come back
// on the GUI thread.
#pragma once

#include "config/companion_file.h"
#include "config/customer_record.h"
#include "config/debug_options.h"
#include "config/flash_database.h"
#include "config/setting_rules.h"
#include "config/station_config.h"
#include "config/station_file.h"
#include "config/station_names.h"
#include "reports/port_result.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>

namespace varnet {
class MesClient;
}

namespace varnet::ui {

// What the page works with besides its own controls.
struct SettingEnvironment {
    int uiLanguage = 0;
    std::filesystem::path appDir; // program folder; relative paths resolve against it
    CustomerRecord customer;
    const FlashDatabase* flashDatabase = nullptr;
    DebugOptions debug;
    MesClient* mes = nullptr;
};

using FlashIdTable = std::array<std::array<uint8_t, 8>, kMaxFlashIds>;

// The page's ways out to the operator and the line; unset ones do nothing
// (tell: a message box; detectFlashIds: "Detect Fail!").
struct SettingDlgHooks {
    std::function<void(const QString&)> tell;
    std::function<bool()> unlock; // the password gate
    std::function<bool(const std::filesystem::path& stationFile)> defineStationNames;
    std::function<void(const QString& serialNumber)> runMes;
    std::function<QString()> chooseSaveAsFile;  // empty: cancelled
    std::function<QString()> chooseUpdateImage; // empty: cancelled
    // Reads the flash IDs of the first port with a drive and calls done with
    // them (nullopt: no drive), later and on the GUI thread.
    std::function<void(std::function<void(std::optional<FlashIdTable>)> done)> detectFlashIds;
};

class CSettingDlg : public QWidget {
    Q_OBJECT
public:
    explicit CSettingDlg(int uiLanguage, QWidget* parent = nullptr, StationNameTable& names = StationNames());
    CSettingDlg(SettingEnvironment environment, QWidget* parent = nullptr,
                StationNameTable& names = StationNames());

    SettingDlgHooks& Hooks() { return hooks; }

    // Called before the tab is shown: false while a run locks the page.
    // Loads stationFile (and its companion) unless the page already holds
    // loaded, unsaved work.
    bool ActivateSettingsPage(const std::filesystem::path& stationFile, bool portRunning = false);
    // Leaving for the Main page: how long after leaving the Main page shows
    // the current setting again, nullopt when it need not. Under NoPassword
    // the page saves first, and the Main page follows a little later.
    std::optional<std::chrono::milliseconds> ApplyChangedSettings();

    // The commands, one per control.
    void OnSave();
    void OnSaveAs();
    void OnEdit();
    void OnTestStationChosen(int station);
    void OnFlashConfigChosen();
    void OnDefineStationNames();
    void OnMes();
    void OnChooseUpdateImage();
    void OnDetect();
    void OnManul();
    void OnL06bToB0kSwitched(bool on);

    const ST_STATION_CONFIG& Record() const { return record; }
    const std::filesystem::path& StationFile() const { return stationPath; }
    const std::filesystem::path& CompanionFile() const { return companionPath; }
    QString PageTitle() const;
    bool PageInitialised() const { return pageInitialised; }
    bool LeaveRefresh() const { return leaveRefresh; }
    uint8_t FlashFamily() const { return flashFamily; }

    void FillPage(const ST_STATION_CONFIG& record);
    void ReadPage(ST_STATION_CONFIG& record) const;
    void SetPageEditable(bool editable);
    bool EditMode() const { return editMode; }

    QComboBox* TestStationList() const { return testStationList; }
    QLineEdit* WorkingNoField() const { return workingNoField; }
    QLineEdit* ModelNameField() const { return modelNameField; }
    QLineEdit* SerialNumField() const { return serialNumField; }
    QLabel* SerialNumLabel() const { return serialNumLabel; }
    QCheckBox* SnSetCheck() const { return snSetCheck; }
    QComboBox* SnTypeList() const { return snTypeList; }
    QComboBox* SnLenList() const { return snLenList; }
    // 0 "SN Start:", 1 "SN End:", 2 "SN Mask:".
    QLineEdit* SnField(int index) const { return snFields.at(static_cast<size_t>(index)); }
    QLabel* SnLengthLabel(int index) const { return snLengthLabels.at(static_cast<size_t>(index)); }
    QPushButton* MesButton() const { return mesButton; }
    QCheckBox* RdtCheck() const { return rdtCheck; }
    QPushButton* SaveButton() const { return saveButton; }
    QPushButton* SaveAsButton() const { return saveAsButton; }
    QPushButton* EditButton() const { return editButton; }

    template <typename Widget> Widget* Control(const char* objectName) const {
        return findChild<Widget*>(QString::fromUtf8(objectName));
    }

private:
    void Wire();
    void ApplyVisibility();
    void ApplyEnableRules();
    void Tell(const QString& text) const;
    void TellSaveFailed(const Status& status) const;
    QString Text(const char* english, const char* chinese) const;
    int Station() const;
    StationSaveContext SaveContext() const;
    StationLoadOptions LoadOptions() const;
    void RebuildPretestList(int station, int pretestType);
    void RebuildFlashList(bool b0kOnly);
    void RebuildSlcList(int storedPosition);
    QString CycleText(uint32_t cycle) const;
    void ReadControls(ST_STATION_CONFIG& record, bool withMessages) const;
    bool SaveTo(const std::filesystem::path& stationFile, ST_STATION_CONFIG& saved);
    void DetectDone(const std::optional<FlashIdTable>& ids);

    void RdtEffect(bool checked);
    void EccEffect(bool checked);
    void LaterBadEffect(bool checked);
    void SetTotalSizeEffect(bool checked);
    void ModifyEffect(bool checked);
    void SmartC2Effect(bool checked);
    void CtlOdtEffect(bool checked);
    void PretestEffect(int position);
    void CeMapEffect(bool checked);

    void BuildStandardGroup(QGroupBox* group);
    void BuildRdtGroup(QGroupBox* group);
    void BuildSnGroup(QGroupBox* group);
    void BuildOtherGroup(QGroupBox* group);
    void BuildSmartGroup(QGroupBox* group);
    void BuildHiddenControls();
    void RebuildStationList();
    void ApplySnSetState();
    void ShowSnLengths();
    SnRangeFields ShownSnFields() const;
    void ShowSnFields(const SnRangeFields& fields);
    void ResizeSnFields(int snLen);

    SettingEnvironment env;
    int uiLanguage;
    StationNameTable& names;
    SettingDlgHooks hooks;
    bool editMode = false;
    bool noPassword = false;
    bool pageInitialised = false;
    bool leaveRefresh = false;
    bool pafecFlash = false;
    uint8_t flashFamily = 0;
    uint8_t makerCode = 0;
    ST_STATION_CONFIG record{};
    std::filesystem::path stationPath;
    std::filesystem::path companionPath;

    QGroupBox* rdtGroup = nullptr;
    QGroupBox* updateFwGroup = nullptr;
    QGroupBox* otherGroup = nullptr;
    QGroupBox* smartGroup = nullptr;

    QComboBox* testStationList = nullptr;
    QLineEdit* workingNoField = nullptr;
    QLineEdit* modelNameField = nullptr;
    QLineEdit* serialNumField = nullptr;
    QLabel* serialNumLabel = nullptr;
    QCheckBox* rdtCheck = nullptr;
    QGroupBox* snGroup = nullptr;
    QCheckBox* snSetCheck = nullptr;
    QComboBox* snTypeList = nullptr;
    int shownSnType = 0; // the type the SN fields were last filled for
    int shownSnLen = 12; // the length they were last filled or refilled to
    QComboBox* snLenList = nullptr;
    std::array<QLineEdit*, 3> snFields{};
    std::array<QLabel*, 3> snLengthLabels{};
    QPushButton* mesButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* saveAsButton = nullptr;
    QPushButton* editButton = nullptr;
};

} // namespace varnet::ui
