// The controls of the Configuration page, built and laid out in one place and
// handed back as typed pointers, so every other part of the page reaches a
// control by a member the compiler checks, never by a name looked up while
// the program runs.
//
// GUI thread only. The page given to BuildSettingControls owns every widget
// (Qt parent ownership); the pointers stay valid as long as the page lives.
// Building cannot fail.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <array>

namespace varnet::ui {

inline constexpr int kSnLenMin = 12;
inline constexpr int kSnLenMax = 20;

struct SettingControls {
    // Group "Standard Setting".
    QGroupBox* standardGroup = nullptr;
    QComboBox* flashConfig = nullptr; // "Flash Config:" -> ID
    QPushButton* detect = nullptr;
    QPushButton* manul = nullptr;
    QComboBox* testStation = nullptr;
    QPushButton* defineStationNames = nullptr; // "+"
    QLineEdit* workingNo = nullptr;
    QLineEdit* modelName = nullptr;
    QLineEdit* fwVersion = nullptr; // ICFWVersion or Set Firmware Name
    QCheckBox* modifyFirmwareName = nullptr;
    QLabel* serialNumLabel = nullptr; // "Start SN:" / "SN Fixed:"
    QLineEdit* serialNum = nullptr;
    QComboBox* controller = nullptr;
    QComboBox* deviceSize = nullptr;
    QComboBox* totalSize = nullptr; // Flh_CapacitySel
    QComboBox* ceNumber = nullptr;  // Flh_NumberSel
    QCheckBox* setTotalSize = nullptr;
    QLineEdit* setSizeGb = nullptr;  // "(GB)/": SetSSDSize as text
    QLineEdit* setSizeLba = nullptr; // "(LBA)"
    QCheckBox* usePartial = nullptr;
    QLineEdit* ddrSize = nullptr;
    QComboBox* sataSpeed = nullptr;
    QCheckBox* checkRdt = nullptr; // CheckRDTExist
    QComboBox* pretest = nullptr;  // PretestType
    QComboBox* flashInterface = nullptr;
    QComboBox* flashClock = nullptr;
    QComboBox* slcBuffer = nullptr; // SLCPoolSizeSel

    // Group "RDT".
    QGroupBox* rdtGroup = nullptr;
    QCheckBox* rdt = nullptr; // shows Do_RDT, never enabled
    QCheckBox* cycleEnable = nullptr;
    QLineEdit* cycle = nullptr;
    QCheckBox* slcCycleEnable = nullptr;
    QLineEdit* slcCycle = nullptr;
    QCheckBox* eccLimit = nullptr; // Enable_ECCthreshold_MarkBad
    QLineEdit* eccThreshold = nullptr;
    QLineEdit* slcEccThreshold = nullptr;
    QCheckBox* laterBadLimit = nullptr;       // Byte_146
    std::array<QComboBox*, 4> failLimits{};   // total, erase, program, read
    std::array<QLabel*, 4> failLimitLabels{}; // their captions

    // Group "SN Set".
    QGroupBox* snGroup = nullptr;
    QCheckBox* snSet = nullptr;
    QComboBox* snType = nullptr;
    QComboBox* snLen = nullptr;
    std::array<QLineEdit*, 3> snFields{}; // SN Start, SN End, SN Mask
    std::array<QLabel*, 3> snLengthLabels{};
    QPushButton* mes = nullptr;

    // Group "Update FW".
    QGroupBox* updateFwGroup = nullptr;
    QLineEdit* updateFw = nullptr;
    QPushButton* chooseUpdateImage = nullptr; // "..."

    // Group "Other Setting".
    QGroupBox* otherGroup = nullptr;
    QCheckBox* devslp = nullptr;
    QCheckBox* sataSsc = nullptr;
    QCheckBox* putThermal = nullptr;
    QCheckBox* resetSmart = nullptr;       // AfterMPDoResetSMART
    QCheckBox* hardBitRetry = nullptr;     // Do_HB_Set
    QComboBox* hardBitRetryMode = nullptr; // Do_Hard_Bit_Retry_Test
    QComboBox* readRetry = nullptr;
    QComboBox* rdtLed = nullptr; // RDTLED_StateSel
    QCheckBox* closeSpeedOptimize = nullptr;
    QCheckBox* writeReadBurnIn = nullptr;
    QLineEdit* burnInCapacity = nullptr;
    QWidget* burnInUnit = nullptr; // holds the two unit choices
    QRadioButton* burnInGb = nullptr;
    QRadioButton* burnInMb = nullptr;
    QCheckBox* ctlOdtDriving = nullptr;
    QCheckBox* padOdtEnable = nullptr;
    QComboBox* padOdt = nullptr;
    QCheckBox* padDriveEnable = nullptr;
    QComboBox* padDriving = nullptr;

    // Group "S.M.A.R.T".
    QGroupBox* smartGroup = nullptr;
    QCheckBox* disableSmart05 = nullptr;
    QCheckBox* disableSmartC2 = nullptr;
    QCheckBox* disableSmartC4 = nullptr;
    QCheckBox* disableSmartC7 = nullptr;
    QCheckBox* enableSmartC3 = nullptr;
    QCheckBox* defineC7_0 = nullptr;
    QCheckBox* defineA3PlaneBad = nullptr;
    QCheckBox* showCtlTemp = nullptr;

    // Shown for no station; filled and read like the others.
    QWidget* hidden = nullptr;
    QCheckBox* fixedTemperature = nullptr; // Enable_Set_Custom_SMART_Temperature
    QLineEdit* fixedTemperatureValue = nullptr;
    QCheckBox* retentionTest = nullptr;
    QComboBox* retentionMode = nullptr; // Retention_Test - 1
    QCheckBox* bin1Flash = nullptr;     // HV_Flash
    QCheckBox* allEatRule = nullptr;    // ScanBad_CheckByDie
    QCheckBox* l06bToB0k = nullptr;
    QLineEdit* slcPoolPe = nullptr;
    QCheckBox* ceMapEnable = nullptr; // EnableCEMask
    std::array<QCheckBox*, 32> ceBoxes{};

    // The page's own row.
    QLabel* fileName = nullptr;        // the file being edited
    QLabel* otherFileNotice = nullptr; // the edit belongs to another file than Main's
    QPushButton* save = nullptr;
    QPushButton* saveAs = nullptr;
    QPushButton* edit = nullptr;
};

// Builds every control of the page inside `page`, captioned in uiLanguage,
// and lays them out. Lists whose entries depend on the record or the
// customer (flash labels, stations, pretests, controller, flash clock) are
// left for the fill.
SettingControls BuildSettingControls(QWidget* page, int uiLanguage);

} // namespace varnet::ui
