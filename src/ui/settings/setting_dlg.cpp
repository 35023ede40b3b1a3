#include "ui/settings/setting_dlg.h"

#include "config/companion_file.h"
#include "config/firmware_selection.h"
#include "config/setting_ce_map.h"
#include "config/setting_rules.h"
#include "config/setting_save.h"
#include "engine/main_page.h"
#include "platform/diagnostic_log.h"
#include "platform/text.h"
#include "ui/captions.h"
#include "ui/settings/mes_dlg.h"
#include "ui/settings/password_dlg.h"
#include "ui/settings/station_name_dlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <algorithm>
#include <utility>

namespace varnet::ui {
namespace {

constexpr int kRefreshAfterSaveMs = 100;

// The pages an edit keeps away; the Configuration page's own bit is the
// runs' (set while a port runs, a result page's collection included).
constexpr uint32_t kEditLocks = kLockMainPage | kLockRdtInfoPage | kLockBadBlockPage;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

QString FileNameOf(const std::filesystem::path& file) {
    return QString::fromStdString(file.filename().string());
}

} // namespace

CSettingDlg::CSettingDlg(int language, QWidget* parent, StationNameTable& table)
    : CSettingDlg(
          [language] {
              SettingEnvironment environment;
              environment.uiLanguage = language;
              return environment;
          }(),
          parent, table) {}

CSettingDlg::CSettingDlg(SettingEnvironment environment, QWidget* parent, StationNameTable& table)
    : QWidget(parent), env(std::move(environment)), uiLanguage(env.uiLanguage), names(table),
      c(BuildSettingControls(this, uiLanguage)), bindings(PlainBindings(c)),
      noPassword(env.debug.NoPassword != 0), leaveRefresh(noPassword) {
    RebuildStationList();
    Wire();
    // Until the first activation names the real file, the page shows the
    // placeholder; holdsStationFile keeps every write away from it.
    stationPath = env.appDir / kPlaceholderStationFile;
    companionPath = env.appDir / kPlaceholderCompanionFile;
    StationNameTable placeholderNames; // the placeholder must not rename the stations
    LoadStationConfig(stationPath, record, placeholderNames, LoadOptions());
    if (env.flashDatabase)
        flashFamily = FlashFamilyOf(*env.flashDatabase, record.flashId);
    makerCode = record.makerCode;
    editMode = noPassword;
    FillPage(record);
    ShowFileName();
}

// ---- small helpers

QString CSettingDlg::Text(const char* english, const char* chinese) const {
    return Utf8(uiLanguage == 1 ? chinese : english);
}

void CSettingDlg::Tell(const QString& text) const {
    if (hooks.tell)
        hooks.tell(text);
    else
        QMessageBox::information(const_cast<CSettingDlg*>(this), QString(), text);
}

void CSettingDlg::TellSaveFailed(const Status& status) const {
    Tell(Text("Save failed, nothing was changed:\r\n%1", "保存失败, 文件未改动:\r\n%1")
             .arg(QString::fromStdString(status.message())));
}

int CSettingDlg::Station() const {
    return std::clamp(c.testStation->currentIndex(), 0, kStationCount - 1);
}

StationSaveContext CSettingDlg::SaveContext() const {
    return StationSaveContext{env.customer, flashFamily, makerCode, pafecFlash};
}

StationLoadOptions CSettingDlg::LoadOptions() const {
    return StationLoadOptions{env.debug.TestRDTCycle != 0, env.customer.CustomerCode()};
}

QString CSettingDlg::PageTitle() const {
    return QStringLiteral("%1 (%2)").arg(Caption(136, uiLanguage), FileNameOf(stationPath));
}

bool CSettingDlg::EditsOtherFile() const {
    return holdsStationFile && pageInitialised && editMode && !mainFile.empty() && mainFile != stationPath;
}

// The operator must never take one file for another: the page names its
// file, and says so when an edit in progress is not of Main's file.
void CSettingDlg::ShowFileName() {
    setWindowTitle(PageTitle());
    c.fileName->setText(PageTitle());
    const bool other = EditsOtherFile();
    c.otherFileNotice->setVisible(other);
    if (other)
        c.otherFileNotice->setText(Text("Not the file chosen on Main (%1): save to edit that one.",
                                        "不是主窗口所选文件 (%1): 保存后再编辑该文件。")
                                       .arg(FileNameOf(mainFile)));
}

// ---- files and lifecycle

void CSettingDlg::LoadStationFile(const std::filesystem::path& stationFile) {
    stationPath = stationFile;
    holdsStationFile = true;
    editMode = leaveRefresh = noPassword;
    pageInitialised = true;
    pafecFlash = false;
    record = ST_STATION_CONFIG{};
    LoadStationConfig(stationPath, record, names, LoadOptions());
    companionPath = (env.appDir / CompanionPathFor(stationPath.filename().string())).lexically_normal();
    if (std::filesystem::exists(companionPath))
        LoadStationSection(companionPath, record, LoadOptions());
    else
        LogDiscarded(EnsureCompanionFile(stationPath, companionPath)); // a failed copy loads as defaults
    flashFamily = env.flashDatabase ? FlashFamilyOf(*env.flashDatabase, record.flashId) : 0;
    makerCode = record.makerCode;
    FillPage(record);
}

bool CSettingDlg::ActivateSettingsPage(const std::filesystem::path& stationFile, bool portRunning) {
    if (PageLockBits() & kLockConfigurationPage)
        return false;
    mainFile = stationFile.is_absolute() ? stationFile : (env.appDir / stationFile).lexically_normal();
    // Held work stays: the same file unchanged, or an edit not yet saved.
    const bool keep = pageInitialised && (mainFile == stationPath || editMode);
    if (!keep) {
        LoadStationFile(mainFile);
        c.edit->setEnabled(!portRunning);
    }
    ShowFileName();
    return true;
}

std::optional<std::chrono::milliseconds> CSettingDlg::ApplyChangedSettings() {
    using std::chrono::milliseconds;
    // A page never shown has nothing of the operator's to save.
    if (!holdsStationFile)
        return std::nullopt;
    if (noPassword) {
        leaveRefresh = false;
        OnSave();
        return milliseconds(kRefreshAfterSaveMs);
    }
    if (std::exchange(leaveRefresh, false))
        return milliseconds(0);
    return std::nullopt;
}

// Both files or neither: a failure is told and the page keeps everything typed.
bool CSettingDlg::SaveTo(const std::filesystem::path& stationFile, ST_STATION_CONFIG& saved) {
    if (!holdsStationFile)
        return false;
    saved = record;
    ReadPage(saved);
    const Status status = SaveStationAndCompanion(saved, stationFile, companionPath, SaveContext(), names);
    if (status.ok())
        return true;
    TellSaveFailed(status);
    return false;
}

// After a save the edit is over: a page that held another file than Main's
// turns to Main's at once, so the name it shows is the file in use.
void CSettingDlg::AfterSave() {
    leaveRefresh = true;
    pageInitialised = false;
    if (!noPassword)
        SetPageEditable(false);
    c.edit->setEnabled(true);
    if (!mainFile.empty() && mainFile != stationPath) {
        LoadStationFile(mainFile);
        leaveRefresh = true;
    }
    ShowFileName();
}

void CSettingDlg::OnSave() {
    ST_STATION_CONFIG saved;
    if (!SaveTo(stationPath, saved))
        return;
    record = saved;
    PageLockBits() &= ~kEditLocks;
    AfterSave();
}

void CSettingDlg::OnSaveAs() {
    if (!holdsStationFile)
        return;
    QString chosen = hooks.chooseSaveAsFile
                         ? hooks.chooseSaveAsFile()
                         : QFileDialog::getSaveFileName(this, QStringLiteral("Save as new ini file"),
                                                        QString::fromStdString(env.appDir.string()),
                                                        QStringLiteral("INI(*.ini)"));
    if (chosen.isEmpty())
        return;
    if (!chosen.toLower().contains(QStringLiteral(".ini")))
        chosen += QStringLiteral(".ini");
    std::filesystem::path file = chosen.toStdString();
    if (file.is_relative())
        file = env.appDir / file;
    ST_STATION_CONFIG saved;
    if (!SaveTo(file, saved))
        return;
    record = saved;
    Tell(uiLanguage == 1 ? Utf8("保存成功!\r\n文件另存为: %1").arg(chosen)
                         : QStringLiteral("Save As success!"));
    // Unlike Save, the other pages stay refused until a later Save.
    PageLockBits() |= kEditLocks;
    AfterSave();
}

void CSettingDlg::OnEdit() {
    editMode = noPassword;
    const bool unlocked =
        hooks.unlock ? hooks.unlock() : UnlockSettings(uiLanguage, this, env.appDir / kCustomerFile);
    if (!unlocked)
        return;
    pageInitialised = true;
    editMode = true;
    FillPage(record);
    c.edit->setEnabled(false);
    PageLockBits() |= kEditLocks;
    ShowFileName();
}

void CSettingDlg::OnTestStationChosen(int station) {
    if (!holdsStationFile)
        return;
    const int previous = record.TestStationSel;
    if (Status written = WriteTestStationSel(companionPath, station); !written.ok()) {
        TellSaveFailed(written);
        c.testStation->setCurrentIndex(previous);
        return;
    }
    // What the operator typed into the shared fields is not the old station's to lose.
    const QString workingNo = c.workingNo->text(), modelName = c.modelName->text(),
                  serialNum = c.serialNum->text();
    ST_STATION_CONFIG typed = record;
    ReadControls(typed, false);
    LoadStationSection(companionPath, record, LoadOptions());
    record.TestStationSel = static_cast<uint8_t>(station);
    ApplyStationPresets(record, station, c.retentionTest->isChecked());
    SetFieldText(record.WorkingNo, workingNo.toStdString());
    SetFieldText(record.ModelName, modelName.toStdString());
    SetFieldText(record.SerialNum, serialNum.toStdString());
    record.SN_Set = typed.SN_Set;
    record.SN_Type = typed.SN_Type;
    record.SN_Len = typed.SN_Len;
    record.SN_Start = typed.SN_Start;
    record.SN_End = typed.SN_End;
    record.SN_Mask = typed.SN_Mask;
    FillPage(record);
}

// The record as it stands is saved, not the screen: what was typed since
// the fill is dropped by the refill, as the operator has not saved it.
void CSettingDlg::OnFlashConfigChosen() {
    if (!env.flashDatabase || !holdsStationFile)
        return;
    const ST_SSD_FLASH_PARAM* flash =
        FindByLabel(*env.flashDatabase, c.flashConfig->currentText().toStdString());
    if (!flash)
        return;
    ApplyFlashRecord(record, *flash, stationPath, env.appDir / "Bin/ISP_FW.ini");
    flashFamily = FlashFamilyOfName(FieldText(flash->name));
    makerCode = record.makerCode;
    const Status status = SaveStationAndCompanion(record, stationPath, companionPath, SaveContext(), names);
    if (!status.ok())
        TellSaveFailed(status);
    FillPage(record);
    c.flashConfig->setEnabled(true);
}

void CSettingDlg::OnDefineStationNames() {
    const bool renamed = hooks.defineStationNames ? hooks.defineStationNames(stationPath)
                                                  : DefineStationNames(stationPath, uiLanguage, this, names);
    if (!renamed)
        return;
    names.RestorePresets();
    RebuildStationList();
}

void CSettingDlg::OnMes() {
    const QString serialNumber = c.snFields[0]->text();
    if (hooks.runMes)
        hooks.runMes(serialNumber);
    else if (env.mes)
        RunMesDialog(*env.mes, serialNumber, this);
}

void CSettingDlg::OnChooseUpdateImage() {
    const QString appDir = QString::fromStdString(env.appDir.string());
    QString chosen =
        hooks.chooseUpdateImage
            ? hooks.chooseUpdateImage()
            : QFileDialog::getOpenFileName(this, QStringLiteral("Please Select BIN file"),
                                           appDir + QStringLiteral("Bin"), QStringLiteral("BIN(*.bin)"));
    if (chosen.isEmpty())
        return;
    const QString fileName = QFileInfo(chosen).fileName();
    if (!appDir.isEmpty() && chosen.startsWith(appDir))
        chosen = QStringLiteral("./") + chosen.mid(appDir.endsWith('/') ? appDir.size() : appDir.size() + 1);
    if (fileName.size() > 8 && !c.modifyFirmwareName->isChecked()) {
        SetFieldText(record.ICFWVersion, fileName.left(8).toStdString());
        c.fwVersion->setText(fileName.left(8));
    }
    c.updateFw->setText(chosen);
}

// ---- Detect and Manul

void CSettingDlg::OnDetect() {
    detecting = true;
    ShowDetectButtons();
    if (!hooks.detectFlashIds) {
        DetectDone(DetectAnswer{});
        return;
    }
    hooks.detectFlashIds([this](const DetectAnswer& answer) { DetectDone(answer); });
}

// Detect and Manul wait for the readout's answer, whatever else the page
// enables meanwhile: a second readout would be refused, and Manul's list
// would be replaced by the answer.
void CSettingDlg::ShowDetectButtons() {
    c.detect->setEnabled(editMode && !detecting && !c.l06bToB0k->isChecked());
    c.manul->setEnabled(editMode && !detecting);
}

void CSettingDlg::DetectDone(const DetectAnswer& answer) {
    const auto enableButtons = [this] {
        detecting = false;
        ShowDetectButtons();
    };
    switch (answer.outcome) {
    case DetectAnswer::kRead:
        break;
    case DetectAnswer::kNoDrive:
        Tell(QStringLiteral("Detect Fail!"));
        enableButtons();
        return;
    case DetectAnswer::kPortsRunning:
        Tell(Text("Detect Fail: ports are running. Detect again when every port is idle.",
                  "侦测失败: 端口正在运行, 请等所有端口空闲后再侦测。"));
        enableButtons();
        return;
    case DetectAnswer::kReadoutUnderWay:
        Tell(Text("Detect Fail: the flash IDs of a drive are being read already.",
                  "侦测失败: 正在读取闪存ID, 请稍后再试。"));
        enableButtons();
        return;
    case DetectAnswer::kDrivesWereBusy:
        Tell(Text("Detect Fail: the drives were busy. Detect again.", "侦测失败: 驱动器忙, 请再侦测一次。"));
        enableButtons();
        return;
    case DetectAnswer::kQuitting:
        enableButtons();
        return;
    }

    c.flashConfig->clear();
    record.Flh_CapacitySel = static_cast<uint32_t>(Position(c.totalSize));
    record.Flh_NumberSel = static_cast<uint32_t>(Position(c.ceNumber));
    const FlashIdScan scan = ScanFlashIds(answer.ids);
    ST_SSD_FLASH_PARAM flash{};
    const bool found = scan.firstIndex >= 0 && env.flashDatabase &&
                       FindFlashRecord(*env.flashDatabase,
                                       answer.ids[static_cast<size_t>(scan.firstIndex)].data(), flash) == 0;
    if (found) {
        c.flashConfig->addItem(QString::fromStdString(ConfigurationLabel(flash)));
        pafecFlash = FieldText(flash.name).starts_with("3DV4");
        record.CE_Mask = scan.ceMask;
        if (holdsStationFile) {
            Status written = WriteCeMask(stationPath, scan.ceMask);
            if (written.ok())
                written = WriteCeMask(companionPath, scan.ceMask);
            if (!written.ok())
                Tell(Text("Save failed:\r\n%1", "保存失败:\r\n%1")
                         .arg(QString::fromStdString(written.message())));
        }
        if (record.Flh_NumberSel == 0)
            record.Flh_Number = scan.populated;
        if (record.Flh_CapacitySel == 0)
            record.Flh_Capacity = DetectedCapacityMb(flash, scan.populated);
    }
    enableButtons();
    c.flashConfig->setEnabled(true);
    if (!found) {
        Tell(QStringLiteral("Flash ID is unknown!"));
        return;
    }
    c.flashConfig->setCurrentIndex(0);
    if (isVisible())
        c.flashConfig->showPopup();
}

void CSettingDlg::OnManul() {
    RebuildFlashList(false);
    c.flashConfig->setEnabled(true);
    if (isVisible())
        c.flashConfig->showPopup();
}

// The switch is a file setting of its own: both files take it at once, so
// the next choice of a flash configuration (which reads the station file)
// already converts. A failed write leaves both files and the box as they were.
void CSettingDlg::OnL06bToB0kSwitched(bool on) {
    if (!holdsStationFile)
        return;
    const Status written = WriteStationAndCompanion(
        stationPath, [&] { return WriteL06bToB0k(stationPath, on); }, companionPath,
        [&] { return WriteL06bToB0k(companionPath, on); });
    if (!written.ok()) {
        c.l06bToB0k->setChecked(!on);
        TellSaveFailed(written);
        return;
    }
    record.L06B_To_B0K = on ? 1 : 0;
    RebuildFlashList(on);
    if (on) {
        c.flashConfig->setEnabled(true);
        c.flashConfig->setCurrentIndex(0);
        if (isVisible())
            c.flashConfig->showPopup();
    } else {
        c.flashConfig->setCurrentIndex(c.flashConfig->findText(QString::fromUtf8(FieldText(record.ID))));
    }
    ShowDetectButtons();
}

} // namespace varnet::ui
