// The "Configuration" page: the editor of the station configuration file
// chosen on the main page, and of its companion file.
//
// Promises:
// - The page opens locked; "Edit" unlocks it through the settings password
//   (or at once under the debug option NoPassword). While it is unlocked the
//   Main, RDT Info and Bad Block Info pages refuse activation; the page's
//   own lock bit belongs to the runs and is never touched here.
// - FillPage/ReadPage carry every control, hidden ones included, so a save
//   right after activation rewrites the files with what they held (apart from
//   the values the save rules derive).
// - Save and Save As write the station file and the companion together: when
//   either write fails the operator is told, both files are as they were, and
//   the page stays editable with everything typed still on it.
// - Nothing is written before a real station file has been activated: the
//   placeholder the page starts on is never saved.
// - The page always names the file it edits. Activated while Main has
//   another file chosen, it loads that file, unless an edit is in progress:
//   then the edit stays, marked as belonging to another file, until Save.
// - A change of station or "+" never throws away what the operator has
//   typed into the shared fields; choosing a flash configuration saves the
//   record as it stands and shows it again, dropping unsaved typing.
// - Modal dialogs and message boxes go through Hooks, so every command can be
//   driven without a person at the screen.
//
// GUI thread only. Detect's readout runs elsewhere; its answer must come back
// on the GUI thread.
#pragma once

#include "config/customer_record.h"
#include "config/debug_options.h"
#include "config/flash_database.h"
#include "config/station_config.h"
#include "config/station_file.h"
#include "config/station_names.h"
#include "platform/status.h"
#include "ui/settings/setting_bindings.h"
#include "ui/settings/setting_controls.h"
#include "ui/settings/setting_detect.h"

#include <QWidget>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace varnet {
class MesClient;
struct SnRangeFields;
} // namespace varnet

namespace varnet::ui {

class SnInputValidator;

// What the page works with besides its own controls.
struct SettingEnvironment {
    int uiLanguage = 0;
    std::filesystem::path appDir; // program folder; relative paths resolve against it
    CustomerRecord customer;
    const FlashDatabase* flashDatabase = nullptr;
    DebugOptions debug;
    MesClient* mes = nullptr;
};

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
    // the answer, later and on the GUI thread.
    std::function<void(std::function<void(const DetectAnswer&)> done)> detectFlashIds;
};

class CSettingDlg : public QWidget {
    Q_OBJECT
public:
    explicit CSettingDlg(int uiLanguage, QWidget* parent = nullptr, StationNameTable& names = StationNames());
    CSettingDlg(SettingEnvironment environment, QWidget* parent = nullptr,
                StationNameTable& names = StationNames());

    SettingDlgHooks& Hooks() { return hooks; }

    // Called before the tab is shown with Main's current station file:
    // false while a run locks the page. Loads stationFile (and its
    // companion) unless the page already holds it, or holds an edit in
    // progress of another file.
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
    // The station file the page edits; empty until an activation names one.
    std::filesystem::path StationFile() const {
        return holdsStationFile ? stationPath : std::filesystem::path();
    }
    const std::filesystem::path& CompanionFile() const { return companionPath; }
    QString PageTitle() const;
    bool PageInitialised() const { return pageInitialised; }
    bool LeaveRefresh() const { return leaveRefresh; }
    uint8_t FlashFamily() const { return flashFamily; }
    // An edit is in progress on another file than the one Main has chosen.
    bool EditsOtherFile() const;

    void FillPage(const ST_STATION_CONFIG& record);
    void ReadPage(ST_STATION_CONFIG& record) const;
    void SetPageEditable(bool editable);
    bool EditMode() const { return editMode; }

    const SettingControls& Controls() const { return c; }
    QComboBox* TestStationList() const { return c.testStation; }

private:
    // setting_dlg.cpp: files and lifecycle.
    void LoadStationFile(const std::filesystem::path& stationFile);
    void ShowFileName();
    bool SaveTo(const std::filesystem::path& stationFile, ST_STATION_CONFIG& saved);
    void AfterSave();
    void DetectDone(const DetectAnswer& answer);
    void ShowDetectButtons();
    void Tell(const QString& text) const;
    void TellSaveFailed(const Status& status) const;
    QString Text(const char* english, const char* chinese) const;
    int Station() const;
    StationSaveContext SaveContext() const;
    StationLoadOptions LoadOptions() const;

    // setting_wiring.cpp: signals to commands and effects, input filters.
    void Wire();

    // setting_fill.cpp
    void RebuildStationList();
    void RebuildPretestList(int station, int pretestType);
    void RebuildFlashList(bool b0kOnly);
    void RebuildSlcList(int storedPosition);
    QString CycleText(uint32_t cycle) const;

    // setting_read.cpp
    void ReadControls(ST_STATION_CONFIG& record, bool withMessages) const;

    // setting_enable.cpp: visibility and enabled states.
    void ApplyVisibility();
    void ApplyEnableRules();
    void ApplySnSetState();

    // setting_effects.cpp: what the boxes do to other controls' values.
    void RdtEffect(bool checked);
    void EccEffect(bool checked);
    void LaterBadEffect(bool checked);
    void SetTotalSizeEffect(bool checked);
    void ModifyEffect(bool checked);
    void SmartC2Effect(bool checked);
    void CtlOdtEffect(bool checked);
    void PretestEffect(int position);
    void CeMapEffect(bool checked);

    // setting_sn_group.cpp: the serial-number range fields.
    void ShowSnLengths();
    SnRangeFields ShownSnFields() const;
    void ShowSnFields(const SnRangeFields& fields);
    void SetSnFieldText(size_t field, const QString& text);
    void ResizeSnFields(int snLen);
    void OnSnLenChosen(int position);
    void OnSnTypeChosen(int type);
    void OnSnMaskEdited();

    SettingEnvironment env;
    int uiLanguage;
    StationNameTable& names;
    SettingDlgHooks hooks;
    SettingControls c;
    std::vector<SettingBinding> bindings;
    std::array<SnInputValidator*, 3> snValidators{}; // of the SN fields, owned by the page
    bool editMode = false;
    bool noPassword = false;
    bool pageInitialised = false;
    bool leaveRefresh = false;
    bool pafecFlash = false;
    bool holdsStationFile = false; // an activation named a real file
    bool detecting = false;        // Detect's readout has not answered yet
    uint8_t flashFamily = 0;
    uint8_t makerCode = 0;
    ST_STATION_CONFIG record{};
    std::filesystem::path stationPath;
    std::filesystem::path companionPath;
    std::filesystem::path mainFile; // Main's choice at the last activation
    int shownSnType = 0;            // the type the SN fields were last filled for
    int shownSnLen = kSnLenMin;     // the length they were last filled or refilled to
};

} // namespace varnet::ui
