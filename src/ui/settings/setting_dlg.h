// The "Configuration" page: the station configuration file's settings editor.
//
// This is the page's first stage: every group and control is laid out with
// its caption in the screens' language, and FillPage/ReadPage carry the
// [General Info] values (station choice, working order, model name, serial
// number) and the "SN Set" group between the record and the controls. The
// other controls exist (object name = the record field or key they will carry)
// but are not filled or read yet, so a ReadPage leaves their fields as they
// were in the record.
//
// Promises of this stage:
// - The page opens locked: SetPageEditable(true) enables the editable
//   controls, never the "RDT" box.
// - "SN Set" checked: the SN group is usable (for "Scan Input" the three SN
//   fields and "SN Len:" stay disabled), the serial-number field is captioned
//   "Start SN:" and follows "SN Start:" as it is typed; cleared: the group is
//   disabled and the field is "SN Fixed:".
// - FillPage limits the three SN fields to SN_Len characters (an SN_Len
//   outside 12-20 is shown and read back as 12) and shows each length "(%d)".
//
// GUI thread only. The station names come from the table given (the
// process-wide one by default), read at every FillPage.
#pragma once

#include "config/station_config.h"
#include "config/station_names.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <array>

namespace varnet::ui {

class CSettingDlg : public QWidget {
    Q_OBJECT
public:
    explicit CSettingDlg(int uiLanguage, QWidget* parent = nullptr, StationNameTable& names = StationNames());

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

private:
    void BuildStandardGroup(QGroupBox* group);
    void BuildRdtGroup(QGroupBox* group);
    void BuildSnGroup(QGroupBox* group);
    void BuildOtherGroup(QGroupBox* group);
    void BuildSmartGroup(QGroupBox* group);
    void BuildHiddenControls();
    void RebuildStationList();
    void ApplySnSetState();
    void ShowSnLengths();

    int uiLanguage;
    StationNameTable& names;
    bool editMode = false;

    QComboBox* testStationList = nullptr;
    QLineEdit* workingNoField = nullptr;
    QLineEdit* modelNameField = nullptr;
    QLineEdit* serialNumField = nullptr;
    QLabel* serialNumLabel = nullptr;
    QCheckBox* rdtCheck = nullptr;
    QGroupBox* snGroup = nullptr;
    QCheckBox* snSetCheck = nullptr;
    QComboBox* snTypeList = nullptr;
    QComboBox* snLenList = nullptr;
    std::array<QLineEdit*, 3> snFields{};
    std::array<QLabel*, 3> snLengthLabels{};
    QPushButton* mesButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* saveAsButton = nullptr;
    QPushButton* editButton = nullptr;
};

} // namespace varnet::ui
