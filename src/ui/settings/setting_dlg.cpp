#include "ui/settings/setting_dlg.h"

#include "config/firmware_selection.h"
#include "config/setting_ce_map.h"
#include "config/setting_rules.h"
#include "config/setting_save.h"
#include "config/setting_visibility.h"
#include "engine/main_page.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "serial/serial_allocator.h"
#include "ui/captions.h"
#include "ui/controls/my_edit.h"
#include "ui/settings/mes_dlg.h"
#include "ui/settings/password_dlg.h"
#include "ui/settings/station_name_dlg.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace varnet::ui {
namespace {

constexpr int kSnLenMin = 12;
constexpr int kSnLenMax = 20;
constexpr int kRefreshAfterSaveMs = 100;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

template <typename Widget> Widget* Named(Widget* widget, const char* objectName) {
    widget->setObjectName(Utf8(objectName));
    return widget;
}

QComboBox* List(QWidget* parent, const char* objectName, const QStringList& entries) {
    auto* list = Named(new QComboBox(parent), objectName);
    list->addItems(entries);
    return list;
}

// A list whose entries are longer than the page has room for (flash labels,
// pretest names): it takes the width it is given and its drop-down shows
// the entries whole.
QComboBox* LongList(QWidget* parent, const char* objectName) {
    auto* list = List(parent, objectName, {});
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(12);
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    list->view()->setTextElideMode(Qt::ElideNone);
    list->view()->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return list;
}

QStringList Numbers(int first, int last) {
    QStringList numbers;
    for (int n = first; n <= last; ++n)
        numbers << QString::number(n);
    return numbers;
}

// One row of a group: widgets side by side from column 0.
void Row(QGridLayout* grid, std::initializer_list<QWidget*> widgets) {
    const int row = grid->rowCount();
    int column = 0;
    for (QWidget* widget : widgets)
        grid->addWidget(widget, row, column++);
}

// A row whose long texts (flash labels, pretest names, order numbers) get
// the width of the columns beside them.
struct Cell {
    QWidget* widget;
    int columns = 1;
};
void WideRow(QGridLayout* grid, std::initializer_list<Cell> cells) {
    const int row = grid->rowCount();
    int column = 0;
    for (const Cell& cell : cells) {
        grid->addWidget(cell.widget, row, column, 1, cell.columns);
        column += cell.columns;
    }
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
      noPassword(env.debug.NoPassword != 0), leaveRefresh(noPassword) {
    auto* standard = new QGroupBox(Caption(137, uiLanguage), this);
    BuildStandardGroup(standard);
    rdtGroup = new QGroupBox(this);
    BuildRdtGroup(rdtGroup);
    snGroup = new QGroupBox(this);
    BuildSnGroup(snGroup);

    updateFwGroup = new QGroupBox(Caption(176, uiLanguage), this);
    auto* updateGrid = new QGridLayout(updateFwGroup);
    Row(updateGrid, {new QLabel(QStringLiteral("FW BIN:"), updateFwGroup),
                     Named(new QLineEdit(updateFwGroup), "Update FW"),
                     Named(new QPushButton(QStringLiteral("..."), updateFwGroup), "ChooseUpdateImage")});

    otherGroup = new QGroupBox(Caption(155, uiLanguage), this);
    BuildOtherGroup(otherGroup);
    smartGroup = new QGroupBox(QStringLiteral("S.M.A.R.T"), this);
    BuildSmartGroup(smartGroup);

    saveButton = Named(new QPushButton(Caption(147, uiLanguage), this), "Save");
    saveAsButton = Named(new QPushButton(Caption(148, uiLanguage), this), "SaveAs");
    editButton = Named(new QPushButton(Caption(181, uiLanguage), this), "Edit");

    auto* middle = new QVBoxLayout;
    middle->addWidget(rdtGroup);
    middle->addWidget(snGroup);
    middle->addWidget(updateFwGroup);
    middle->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(otherGroup);
    right->addWidget(smartGroup);
    right->addStretch();
    // Each column keeps its rows together at the top, whatever the station hides.
    auto* left = new QVBoxLayout;
    left->addWidget(standard);
    left->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addLayout(right);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(saveAsButton);
    buttons->addWidget(editButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6); // every pixel goes to the three columns
    layout->addLayout(columns);
    layout->addLayout(buttons);

    BuildHiddenControls();
    RebuildStationList();
    Wire();
    // Until the first activation names the real file, the page shows the
    // placeholder (never written: Save needs an activated page).
    stationPath = env.appDir / kPlaceholderStationFile;
    companionPath = env.appDir / kPlaceholderCompanionFile;
    StationNameTable placeholderNames; // the placeholder must not rename the stations
    LoadStationConfig(stationPath, record, placeholderNames, LoadOptions());
    if (env.flashDatabase)
        flashFamily = FlashFamilyOf(*env.flashDatabase, record.flashId);
    makerCode = record.makerCode;
    editMode = noPassword;
    FillPage(record);
}

void CSettingDlg::BuildStandardGroup(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    const auto label = [&](int caption) { return new QLabel(Caption(caption, uiLanguage), group); };
    const auto plain = [&](const char* text) { return new QLabel(Utf8(text), group); };
    const QString autoEntry = Caption(195, uiLanguage);

    WideRow(grid, {{label(196)},
                   {LongList(group, "ID"), 2},
                   {Named(new QPushButton(Caption(200, uiLanguage), group), "Detect")},
                   {Named(new QPushButton(Caption(197, uiLanguage), group), "Manul")}});
    testStationList = Named(new QComboBox(group), "TestStationSel");
    WideRow(grid, {{label(139)},
                   {testStationList, 2},
                   {Named(new QPushButton(QStringLiteral("+"), group), "DefineStationName")}});
    workingNoField = Named(new QLineEdit(group), "WorkingNo");
    WideRow(grid, {{label(144)}, {workingNoField, 4}});
    modelNameField = Named(new QLineEdit(group), "ModelName");
    WideRow(grid, {{label(145)}, {modelNameField, 4}});
    auto* fwVersion = Named(new QLineEdit(group), "ICFWVersion");
    fwVersion->setReadOnly(true);
    WideRow(grid, {{label(154)},
                   {fwVersion, 2},
                   {Named(new QCheckBox(Caption(170, uiLanguage), group), "ModifyFirmwareName"), 2}});
    serialNumLabel = label(165);
    serialNumField = Named(new QLineEdit(group), "SerialNum");
    WideRow(grid, {{serialNumLabel}, {serialNumField, 2}});
    // Its one entry depends on the customer code, known when the page is filled.
    Row(grid, {label(140), List(group, "ControllerType", {})});
    Row(grid, {label(149), List(group, "SSD Size",
                                {QStringLiteral("2.5\""), QStringLiteral("mSATA"), QStringLiteral("M.2")})});
    QStringList sizes{autoEntry};
    for (const int gb :
         {16,  30,  32,  48,  60,  64,  72,  80,  90,  96,  100, 120, 128, 136,  144,  160, 192,
          216, 240, 250, 256, 272, 288, 320, 336, 360, 384, 408, 432, 480, 500,  504,  512, 528,
          544, 576, 624, 640, 672, 680, 720, 768, 816, 864, 912, 952, 960, 1024, 1088, 1152})
        sizes << QStringLiteral("%1GB").arg(gb);
    Row(grid, {label(143), List(group, "Flh_CapacitySel", sizes)});
    Row(grid, {label(142), List(group, "Flh_NumberSel", QStringList{autoEntry} + Numbers(1, 32))});
    Row(grid, {Named(new QCheckBox(Caption(151, uiLanguage), group), "SetSSDSize"),
               Named(new QLineEdit(group), "SetSSDSizeText"), plain("(GB)/"),
               Named(new QLineEdit(group), "SetSSDSizeLBA"), plain("(LBA)")});
    Row(grid, {Named(new QCheckBox(Caption(152, uiLanguage), group), "Use Partial Size")});
    Row(grid, {label(150), Named(new QLineEdit(group), "DDRSize"), plain("(MB)")});
    Row(grid, {label(153), List(group, "SATASpeed", {"GEN1(1.5G)", "GEN2(3.0G)", "GEN3(6.0G)"})});
    Row(grid, {Named(new QCheckBox(Caption(172, uiLanguage), group), "CheckRDTExist")});
    // Filled by station at every FillPage.
    WideRow(grid, {{plain("Pretest:")}, {LongList(group, "PretestType"), 2}});
    Row(grid, {plain("Interface:"), List(group, "Flash Interface",
                                         {"Toggle 1.0", "Toggle 2.0", "ONFI 2.0", "ONFI 3.0", "NVDDR3"})});
    // The 150 MHz entry depends on the customer record, known when the page is filled.
    Row(grid, {plain("Flash Clock:"), List(group, "Flash Clock", {})});
    Row(grid, {plain("SLC Buffer:"),
               List(group, "SLCPoolSizeSel", {autoEntry, "0GB", "3GB", "6GB", "12GB", "20GB"})});
}

void CSettingDlg::BuildRdtGroup(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    const auto loop = [&] { return new QLabel(Caption(158, uiLanguage), group); };
    rdtCheck = Named(new QCheckBox(QStringLiteral("RDT"), group), "Do_RDT");
    Row(grid, {rdtCheck});
    Row(grid, {Named(new QCheckBox(Caption(156, uiLanguage), group), "Enable_Set_Cycle"),
               Named(new QLineEdit(group), "Cycle"), loop()});
    Row(grid, {Named(new QCheckBox(Caption(157, uiLanguage), group), "Enable_Set_Cycle_SLC"),
               Named(new QLineEdit(group), "Cycle_SLC"), loop()});
    Row(grid, {Named(new QCheckBox(Caption(191, uiLanguage), group), "Enable_ECCthreshold_MarkBad")});
    Row(grid,
        {new QLabel(QStringLiteral("TLC/MLC ECC:"), group), Named(new QLineEdit(group), "ECC threshold")});
    Row(grid,
        {new QLabel(QStringLiteral("SLC ECC:"), group), Named(new QLineEdit(group), "SLC ECC threshold")});
    Row(grid, {Named(new QCheckBox(Caption(183, uiLanguage), group), "Byte_146")});
    const QStringList limits = QStringList{QStringLiteral("Ignore")} + Numbers(0, 255);
    const char* limitNames[] = {"TotalFailLimit", "EraseFailLimit", "ProgramFailLimit", "ReadFailLimit"};
    for (int i = 0; i < 4; ++i) {
        auto* label = Named(new QLabel(Caption(184 + i, uiLanguage), group), limitNames[i]);
        auto* list = List(group, limitNames[i], limits);
        if (i == 0)
            Row(grid, {label, list, new QLabel(QStringLiteral("<=255"), group)});
        else
            Row(grid, {label, list});
    }
}

void CSettingDlg::BuildSnGroup(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    const auto label = [&](int caption) { return new QLabel(Caption(caption, uiLanguage), group); };
    snSetCheck = Named(new QCheckBox(Caption(164, uiLanguage), group), "SN_Set");
    Row(grid, {snSetCheck});
    snTypeList =
        List(group, "SN_Type",
             {Caption(166, uiLanguage), Caption(167, uiLanguage), Caption(168, uiLanguage), Utf8("统一SN")});
    Row(grid, {label(159), snTypeList});
    snLenList = List(group, "SN_Len", Numbers(kSnLenMin, kSnLenMax));
    Row(grid, {label(160), snLenList});
    const char* fieldNames[] = {"SN_Start", "SN_End", "SN_Mask"};
    for (size_t i = 0; i < snFields.size(); ++i) {
        // Serial numbers are written in capitals whatever the keyboard says.
        auto* field = new CMyEdit(group);
        field->SetUpperCase(true);
        // A twelve-character number (the default length) is read whole.
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QString(13, QLatin1Char('0'))) + 8);
        snFields[i] = Named(field, fieldNames[i]);
        snLengthLabels[i] = new QLabel(group);
        Row(grid, {label(161 + static_cast<int>(i)), snFields[i], snLengthLabels[i]});
        connect(snFields[i], &QLineEdit::textChanged, this, &CSettingDlg::ShowSnLengths);
    }
    mesButton = Named(new QPushButton(QStringLiteral("MES"), group), "MES");
    Row(grid, {mesButton});

    // The fields hold SN_Len characters: a new length refills them (a fill
    // has set shownSnLen first, so the file's texts are shown as they are).
    connect(snLenList, &QComboBox::currentIndexChanged, this, [this](int position) {
        const int snLen = kSnLenMin + std::max(position, 0);
        if (snLen != shownSnLen)
            ResizeSnFields(snLen);
        shownSnLen = snLen;
        for (QLineEdit* field : snFields)
            field->setMaxLength(snLen);
    });
    // The mask's fixed characters are the range's too.
    connect(snFields[2], &QLineEdit::textEdited, this, [this] {
        const SnRangeFields next = SnFieldsForMask(ShownSnFields());
        ShowSnFields(next);
    });
    connect(snSetCheck, &QCheckBox::toggled, this, &CSettingDlg::ApplySnSetState);
    connect(snTypeList, &QComboBox::currentIndexChanged, this, &CSettingDlg::ApplySnSetState);
    // Only the operator's choice rewrites the range fields; a fill shows the
    // file's values as they are.
    connect(snTypeList, &QComboBox::activated, this, [this](int type) {
        constexpr int kScanInput = static_cast<int>(SnType::ScanInput);
        ShowSnFields(SnFieldsForTypeChange(ShownSnFields(), shownSnType == kScanInput, type == kScanInput,
                                           shownSnLen));
        shownSnType = type;
    });
    connect(snFields[0], &QLineEdit::textEdited, this, [this](const QString& text) {
        if (snSetCheck->isChecked())
            serialNumField->setText(text);
    });
}

void CSettingDlg::BuildOtherGroup(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    const auto check = [&](const QString& caption, const char* name) {
        return Named(new QCheckBox(caption, group), name);
    };
    const auto plain = [&](const char* text) { return new QLabel(Utf8(text), group); };
    Row(grid, {check(QStringLiteral("DEVSLP Enable"), "DEVSLP_Enable")});
    Row(grid, {check(QStringLiteral("SATA SSC Enable"), "SATA_SSC_Enable")});
    Row(grid, {check(Caption(173, uiLanguage), "Put_Thermal_Sensor")});
    Row(grid, {check(Caption(174, uiLanguage), "AfterMPDoResetSMART")});
    Row(grid, {check(QStringLiteral("HardBit Retry"), "Do_HB_Set"),
               List(group, "Do_Hard_Bit_Retry_Test", {"OFF", "ON"})});
    Row(grid, {plain("Read Retry:"), List(group, "ReadRetrySel", {Caption(195, uiLanguage), "ON", "OFF"})});
    Row(grid, {plain("RDT(Finish) LED:"),
               List(group, "RDTLED_StateSel", {Caption(207, uiLanguage), Caption(208, uiLanguage)})});
    Row(grid, {check(Caption(202, uiLanguage), "CloseSpeedOptimize")});
    Row(grid, {check(QStringLiteral("WriteRead Burn-IN"), "Write_Read BurnIn"),
               Named(new QLineEdit(group), "Capacity")});
    // The unit goes under the amount, so the group stays narrow enough for
    // the busiest station's page.
    auto* unit = Named(new QWidget(group), "CapacityUnit");
    auto* unitRow = new QHBoxLayout(unit);
    unitRow->setContentsMargins(0, 0, 0, 0);
    unitRow->addWidget(Named(new QRadioButton(QStringLiteral("GB"), unit), "CapacityGB"));
    unitRow->addWidget(Named(new QRadioButton(QStringLiteral("MB"), unit), "CapacityMB"));
    grid->addWidget(unit, grid->rowCount(), 1);
    Row(grid, {check(QStringLiteral("CTL ODT/Driving"), "CtlOdtDriving")});
    Row(grid, {check(QStringLiteral("CTL ODT:"), "PadODTEnable"),
               List(group, "PadODT", {"150 ohm", "100 ohm", "75 ohm", "50 ohm"})});
    Row(grid, {check(QStringLiteral("CTL DQS/Data Driving:"), "PadDriveEnable"),
               List(group, "PadDriving", {"50 ohm", "35 ohm", "25 ohm", "18 ohm"})});
}

void CSettingDlg::BuildSmartGroup(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    const struct {
        int caption;
        const char* name;
    } boxes[] = {
        {198, "DisableSmart05"}, {188, "DisableSmartC2"}, {199, "DisableSmartC4"},    {189, "DisableSmartC7"},
        {193, "EnableSmartC3"},  {194, "DefineC7_0"},     {201, "DefineA3_PlaneBad"}, {211, "ShowCTLTemp"},
    };
    for (size_t i = 0; i < std::size(boxes); ++i)
        grid->addWidget(Named(new QCheckBox(Caption(boxes[i].caption, uiLanguage), group), boxes[i].name),
                        static_cast<int>(i / 2), static_cast<int>(i % 2));
}

// Controls no station shows; they are filled and read like the others so
// that their values survive a save.
void CSettingDlg::BuildHiddenControls() {
    auto* hidden = Named(new QWidget(this), "HiddenControls");
    auto* grid = new QGridLayout(hidden);
    Row(grid, {Named(new QCheckBox(Caption(175, uiLanguage), hidden), "Enable_Set_Custom_SMART_Temperature"),
               Named(new QLineEdit(hidden), "Set_Custom_SMART_Temperature")});
    Row(grid, {Named(new QCheckBox(QStringLiteral("Retention Test"), hidden), "RetentionTestCheck"),
               List(hidden, "Retention_Test", {"1", "2"})});
    Row(grid, {Named(new QCheckBox(QStringLiteral("Bin1 Flash"), hidden), "HV_Flash")});
    Row(grid, {Named(new QCheckBox(QStringLiteral("All Eat Rule"), hidden), "ScanBad_CheckByDie")});
    Row(grid, {Named(new QCheckBox(Caption(190, uiLanguage), hidden), "L06B_To_B0K")});
    Row(grid,
        {new QLabel(QStringLiteral("SLC Pool P/E:"), hidden), Named(new QLineEdit(hidden), "SLCPoolPE")});

    auto* ceMap = Named(new QGroupBox(QStringLiteral("CH/CE Map"), hidden), "CH/CE Map");
    auto* ceLayout = new QGridLayout(ceMap);
    ceLayout->addWidget(Named(new QCheckBox(QStringLiteral("CH/CE Map"), ceMap), "EnableCEMask"), 0, 0);
    for (int channel = 0; channel < 4; ++channel) {
        auto* channelGroup = new QGroupBox(QStringLiteral("CH%1").arg(channel), ceMap);
        auto* channelGrid = new QGridLayout(channelGroup);
        for (int ce = 0; ce < 8; ++ce) {
            const int index = channel * 8 + ce;
            auto* box = new QCheckBox(QStringLiteral("CE%1").arg(index), channelGroup);
            box->setObjectName(QStringLiteral("CE%1").arg(index));
            channelGrid->addWidget(box, ce / 4, ce % 4);
        }
        ceLayout->addWidget(channelGroup, 1 + channel / 2, channel % 2);
    }
    grid->addWidget(ceMap, grid->rowCount(), 0, 1, 2);
    hidden->hide();
}

void CSettingDlg::RebuildStationList() {
    const int selected = testStationList->currentIndex();
    testStationList->clear();
    for (int station = 1; station <= kStationCount; ++station)
        testStationList->addItem(
            QString::fromStdString(Format("%02d_%s", station, names.Get(station).c_str())));
    if (selected >= 0)
        testStationList->setCurrentIndex(selected);
}

// ---- helpers over the named controls

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
    return std::clamp(testStationList->currentIndex(), 0, kStationCount - 1);
}

StationSaveContext CSettingDlg::SaveContext() const {
    return StationSaveContext{env.customer, flashFamily, makerCode, pafecFlash};
}

StationLoadOptions CSettingDlg::LoadOptions() const {
    return StationLoadOptions{env.debug.TestRDTCycle != 0, env.customer.CustomerCode()};
}

QString CSettingDlg::PageTitle() const {
    return QStringLiteral("%1 (%2)").arg(Caption(136, uiLanguage),
                                         QString::fromStdString(stationPath.filename().string()));
}

namespace {

QString Number(uint32_t value) {
    return QString::number(value);
}

uint32_t NumberOf(const QLineEdit* field) {
    return ClampRangeValue(field->text(), 0, UINT32_MAX);
}

void SetPosition(QComboBox* list, int position) {
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : 0);
}

int Position(const QComboBox* list) {
    return std::max(list->currentIndex(), 0);
}

// Every widget in the grid row of the given one (the row's caption included).
std::vector<QWidget*> RowOf(QWidget* widget) {
    auto* grid = widget && widget->parentWidget()
                     ? qobject_cast<QGridLayout*>(widget->parentWidget()->layout())
                     : nullptr;
    if (!grid)
        return {widget};
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(widget), &row, &column, &rowSpan, &columnSpan);
    std::vector<QWidget*> widgets;
    for (int c = 0; c < grid->columnCount(); ++c)
        if (QLayoutItem* item = grid->itemAtPosition(row, c); item && item->widget())
            widgets.push_back(item->widget());
    return widgets;
}

constexpr const char* kLimitLists[] = {"TotalFailLimit", "EraseFailLimit", "ProgramFailLimit",
                                       "ReadFailLimit"};
constexpr uint32_t kInterfaceCodes[] = {2, 3, 4, 5, 8};

} // namespace

void CSettingDlg::Wire() {
    const auto onClick = [this](const char* name, void (CSettingDlg::*effect)(bool)) {
        auto* box = Control<QAbstractButton>(name);
        connect(box, &QAbstractButton::clicked, this, [this, effect](bool checked) {
            (this->*effect)(checked);
            ApplyEnableRules();
        });
    };
    onClick("Enable_ECCthreshold_MarkBad", &CSettingDlg::EccEffect);
    onClick("Byte_146", &CSettingDlg::LaterBadEffect);
    onClick("SetSSDSize", &CSettingDlg::SetTotalSizeEffect);
    onClick("ModifyFirmwareName", &CSettingDlg::ModifyEffect);
    onClick("DisableSmartC2", &CSettingDlg::SmartC2Effect);
    onClick("CtlOdtDriving", &CSettingDlg::CtlOdtEffect);
    onClick("EnableCEMask", &CSettingDlg::CeMapEffect);
    connect(Control<QCheckBox>("L06B_To_B0K"), &QCheckBox::clicked, this, &CSettingDlg::OnL06bToB0kSwitched);
    connect(Control<QCheckBox>("Use Partial Size"), &QCheckBox::clicked, this, [this](bool checked) {
        if (checked) {
            Control<QCheckBox>("SetSSDSize")->setChecked(false);
            SetTotalSizeEffect(false);
        }
        ApplyEnableRules();
    });
    // The two C7 definitions contradict each other.
    connect(Control<QCheckBox>("DisableSmartC7"), &QCheckBox::clicked, this, [this](bool checked) {
        if (checked)
            Control<QCheckBox>("DefineC7_0")->setChecked(false);
    });
    connect(Control<QCheckBox>("DefineC7_0"), &QCheckBox::clicked, this, [this](bool checked) {
        if (checked)
            Control<QCheckBox>("DisableSmartC7")->setChecked(false);
    });
    for (const char* name : {"PadODTEnable", "PadDriveEnable", "Write_Read BurnIn"})
        connect(Control<QCheckBox>(name), &QCheckBox::clicked, this, [this] { ApplyEnableRules(); });
    connect(Control<QComboBox>("PretestType"), &QComboBox::activated, this, [this](int position) {
        PretestEffect(position);
        ApplyEnableRules();
    });

    connect(saveButton, &QPushButton::clicked, this, &CSettingDlg::OnSave);
    connect(saveAsButton, &QPushButton::clicked, this, &CSettingDlg::OnSaveAs);
    connect(editButton, &QPushButton::clicked, this, &CSettingDlg::OnEdit);
    connect(testStationList, &QComboBox::activated, this, &CSettingDlg::OnTestStationChosen);
    connect(Control<QComboBox>("ID"), &QComboBox::activated, this, &CSettingDlg::OnFlashConfigChosen);
    connect(Control<QPushButton>("DefineStationName"), &QPushButton::clicked, this,
            &CSettingDlg::OnDefineStationNames);
    connect(mesButton, &QPushButton::clicked, this, &CSettingDlg::OnMes);
    connect(Control<QPushButton>("ChooseUpdateImage"), &QPushButton::clicked, this,
            &CSettingDlg::OnChooseUpdateImage);
    connect(Control<QPushButton>("Detect"), &QPushButton::clicked, this, &CSettingDlg::OnDetect);
    connect(Control<QPushButton>("Manul"), &QPushButton::clicked, this, &CSettingDlg::OnManul);

    const auto filter = [this](const char* name, const char* pattern) {
        Control<QLineEdit>(name)->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QString::fromUtf8(pattern)), this));
    };
    for (const char* name : {"DDRSize", "SetSSDSizeLBA", "Cycle", "Cycle_SLC"})
        filter(name, "[0-9]*");
    filter("SetSSDSizeText", "[0-9.]*");
    for (const char* name : {"SN_Start", "SN_End", "SN_Mask"})
        filter(name, "[0-9A-Za-z#*]*");
}

// ---- fill

void CSettingDlg::RebuildPretestList(int station, int pretestType) {
    auto* list = Control<QComboBox>("PretestType");
    list->clear();
    QStringList entries{"0.Reference Original Bad", "1.Don't Reference Original Bad"};
    if (station == kStationMp)
        entries << "2.Reference RunTime Bad"
                << "3.Reference RDT Bad";
    else if (station != kStationEraseAll && station != kStationRdt)
        return;
    list->addItems(entries);
    list->setCurrentIndex(pretestType % static_cast<int>(entries.size()));
}

void CSettingDlg::RebuildFlashList(bool b0kOnly) {
    auto* list = Control<QComboBox>("ID");
    list->clear();
    if (!env.flashDatabase)
        return;
    for (const ST_SSD_FLASH_PARAM& flash : env.flashDatabase->Records()) {
        if (b0kOnly && FieldText(flash.name).find("B0K") == std::string_view::npos)
            continue;
        list->addItem(QString::fromStdString(ConfigurationLabel(flash)));
    }
}

void CSettingDlg::RebuildSlcList(int storedPosition) {
    auto* list = Control<QComboBox>("SLCPoolSizeSel");
    list->clear();
    list->addItems({Caption(195, uiLanguage), "0GB", "3GB", "6GB", "12GB", "20GB"});
    // The large pools only exist on a large drive whose user size is not cut down.
    const bool large = SlcLargeEntriesAllowed(record.Flh_Capacity, record.SetSSDSize);
    if (large)
        list->addItems({"40GB", "340GB"});
    SetPosition(list, storedPosition > kSlcLargestSmallEntry && !large ? 0 : storedPosition);
}

QString CSettingDlg::CycleText(uint32_t cycle) const {
    if (env.debug.TestRDTCycle != 0)
        return Number(cycle);
    return Number(cycle < 2 ? 1 : cycle);
}

void CSettingDlg::FillPage(const ST_STATION_CONFIG& source) {
    if (&source != &record)
        record = source;
    const ST_STATION_CONFIG& r = record;
    if (editMode)
        SetPageEditable(true);

    RebuildStationList();
    testStationList->setCurrentIndex(std::min<int>(r.TestStationSel, kStationCount - 1));
    const int station = Station();
    RebuildPretestList(station, r.PretestType);

    RebuildFlashList(r.L06B_To_B0K != 0);
    auto* flashList = Control<QComboBox>("ID");
    flashList->setCurrentIndex(flashList->findText(QString::fromUtf8(FieldText(r.ID))));

    Control<QLineEdit>("Update FW")
        ->setText(station == kStationUpdateFw ? QString::fromUtf8(FieldText(r.UpdateFW)) : QString());

    workingNoField->setText(QString::fromUtf8(FieldText(r.WorkingNo)));
    modelNameField->setText(QString::fromUtf8(FieldText(r.ModelName)));
    serialNumField->setText(QString::fromUtf8(FieldText(r.SerialNum)));
    Control<QCheckBox>("ModifyFirmwareName")->setChecked(!FieldText(r.SetFirmwareName).empty());
    ModifyEffect(!FieldText(r.SetFirmwareName).empty());

    auto* controller = Control<QComboBox>("ControllerType");
    controller->clear();
    controller->addItem(env.customer.CustomerCode() == 8 ? "KV7041-S01" : "QC7720");
    auto* deviceSize = Control<QComboBox>("SSD Size");
    deviceSize->setCurrentIndex(0);
    for (int i = 0; i < deviceSize->count(); ++i)
        if (FieldText(r.SSDSize).find(deviceSize->itemText(i).toStdString()) != std::string_view::npos) {
            deviceSize->setCurrentIndex(i);
            break;
        }
    SetPosition(Control<QComboBox>("Flh_CapacitySel"), static_cast<int>(r.Flh_CapacitySel));
    SetPosition(Control<QComboBox>("Flh_NumberSel"), static_cast<int>(r.Flh_NumberSel));
    Control<QLineEdit>("DDRSize")->setText(Number(r.DDRSize));

    const bool sizeSet = r.SetSSDSize != 0 || r.SetSSDSizeLBA != 0;
    Control<QCheckBox>("SetSSDSize")->setChecked(sizeSet);
    SetTotalSizeEffect(sizeSet);
    Control<QCheckBox>("Use Partial Size")->setChecked(r.UsePartialSize != 0);
    SetPosition(Control<QComboBox>("SATASpeed"), r.SATASpeed == 0 ? 2 : (r.SATASpeed - 1) % 3);

    // "RDT" shows whether the station runs the burn-in.
    auto* readRetry = Control<QComboBox>("ReadRetrySel");
    bool rdt = r.Do_RDT != 0 || station == kStationRdt;
    if (!rdt && flashFamily == 25)
        rdt = station == kStationRdtResult || (station == kStationMp && r.PretestType == 3);
    rdtCheck->setChecked(rdt);
    RdtEffect(rdt);
    SetPosition(readRetry, rdt ? r.ReadRetrySel : 0);

    auto* flashClock = Control<QComboBox>("Flash Clock");
    flashClock->clear();
    flashClock->addItems(env.customer.Byte(37) ? QStringList{"100MHz", "150MHz", "200MHz"}
                                               : QStringList{"100MHz", "200MHz"});
    flashClock->setCurrentIndex(std::max(flashClock->findText(QStringLiteral("%1MHz").arg(r.FlashClock)), 0));
    auto* flashInterface = Control<QComboBox>("Flash Interface");
    flashInterface->setCurrentIndex(0);
    for (int i = 0; i < 5; ++i)
        if (kInterfaceCodes[i] == r.FlashInterface)
            flashInterface->setCurrentIndex(i);

    const struct {
        const char* name;
        uint8_t value;
    } flags[] = {
        {"DEVSLP_Enable", r.DEVSLP_Enable},
        {"SATA_SSC_Enable", r.SATA_SSC_Enable},
        {"Put_Thermal_Sensor", r.Put_Thermal_Sensor},
        {"CloseSpeedOptimize", r.CloseSpeedOptimize},
        {"DisableSmart05", r.DisableSmart05},
        {"DisableSmartC2", r.DisableSmartC2},
        {"DisableSmartC4", r.DisableSmartC4},
        {"DisableSmartC7", r.DisableSmartC7},
        {"EnableSmartC3", r.EnableSmartC3},
        {"DefineC7_0", r.DefineC7_0 && !r.DisableSmartC7},
        {"DefineA3_PlaneBad", r.DefineA3_PlaneBad},
        {"ShowCTLTemp", r.ShowCTLTemp},
        {"CheckRDTExist", r.CheckRDTExist},
        {"AfterMPDoResetSMART", r.AfterMPDoResetSMART},
        {"HV_Flash", r.HV_Flash},
        {"ScanBad_CheckByDie", r.ScanBad_CheckByDie},
        {"L06B_To_B0K", r.L06B_To_B0K},
        {"Do_HB_Set", r.Do_HB_Set},
        {"Write_Read BurnIn", r.wrBurnInEnable},
    };
    for (const auto& flag : flags)
        Control<QCheckBox>(flag.name)->setChecked(flag.value != 0);
    if (r.DisableSmartC7)
        record.DefineC7_0 = 0;
    SetPosition(Control<QComboBox>("RDTLED_StateSel"), r.RDTLED_StateSel);

    const int snLen = record.SN_Len >= kSnLenMin && record.SN_Len <= kSnLenMax
                          ? static_cast<int>(record.SN_Len)
                          : kSnLenMin;
    shownSnLen = snLen;
    snLenList->setCurrentIndex(snLen - kSnLenMin);
    snTypeList->setCurrentIndex(record.SN_Type < snTypeList->count() ? record.SN_Type : 0);
    shownSnType = snTypeList->currentIndex();
    const std::string_view texts[] = {FieldText(record.SN_Start), FieldText(record.SN_End),
                                      FieldText(record.SN_Mask)};
    for (size_t i = 0; i < snFields.size(); ++i) {
        snFields[i]->setMaxLength(snLen);
        snFields[i]->setText(QString::fromUtf8(texts[i]));
    }
    snSetCheck->setChecked(record.SN_Set != 0);

    RebuildSlcList(static_cast<int>(r.SLCPoolSizeSel));
    const uint32_t slcPe = r.infoBlock291 * 256 + r.infoBlock290;
    Control<QLineEdit>("SLCPoolPE")->setText(slcPe != 0 ? Number(slcPe) : QString());

    const bool retention =
        r.Retention_Test != 0 && (station == kStationRdt || station == kStationMp || station == kStationIct);
    Control<QCheckBox>("RetentionTestCheck")->setChecked(retention);
    SetPosition(Control<QComboBox>("Retention_Test"), retention ? r.Retention_Test - 1 : 0);
    // A Bin1 part is burnt in for at least two loops unless the customer says otherwise.
    if (r.HV_Flash)
        Control<QLineEdit>("Cycle")->setText(
            Number(r.Cycle == 0 && env.customer.CustomerCode() != 2 ? 2 : r.Cycle));
    SetPosition(Control<QComboBox>("Do_Hard_Bit_Retry_Test"), r.Do_Hard_Bit_Retry_Test);
    const bool pads = r.PadODTEnable || r.PadDriveEnable;
    Control<QCheckBox>("CtlOdtDriving")->setChecked(pads);
    CtlOdtEffect(pads);
    Control<QCheckBox>("EnableCEMask")->setChecked(r.EnableCEMask != 0);
    CeMapEffect(r.EnableCEMask != 0);
    Control<QLineEdit>("Capacity")->setText(Number(r.Capacity));
    Control<QRadioButton>(r.SetCapacity == 2 ? "CapacityMB" : "CapacityGB")->setChecked(true);

    // The fixed temperature follows "Disable Smart-C2" as a click would.
    Control<QCheckBox>("Enable_Set_Custom_SMART_Temperature")
        ->setChecked(r.Enable_Set_Custom_SMART_Temperature && !r.DisableSmartC2);
    Control<QLineEdit>("Set_Custom_SMART_Temperature")
        ->setText(r.Set_Custom_SMART_Temperature != 0 ? Number(r.Set_Custom_SMART_Temperature) : QString());

    ApplyVisibility();
    if (editMode)
        ApplyEnableRules();
    else
        SetPageEditable(false);
    ShowSnLengths();
}

void CSettingDlg::ApplyVisibility() {
    const SettingItems items =
        VisibleItems(Station(), env.customer.CustomerCode(), Position(Control<QComboBox>("PretestType")));
    const auto show = [&](SettingItem item, std::initializer_list<const char*> rowsOf) {
        for (const char* name : rowsOf)
            for (QWidget* widget : RowOf(findChild<QWidget*>(QString::fromUtf8(name))))
                widget->setVisible(Has(items, item));
    };
    using enum SettingItem;
    show(kPretest, {"PretestType"});
    show(kSetTotalSize, {"SetSSDSize"});
    show(kUsePartial, {"Use Partial Size"});
    show(kDdrSize, {"DDRSize"});
    show(kSataSpeed, {"SATASpeed"});
    show(kFlashClock, {"Flash Clock"});
    show(kInterface, {"Flash Interface"});
    show(kSlcBuffer, {"SLCPoolSizeSel"});
    show(kCheckRdt, {"CheckRDTExist"});
    show(kRdtCycles, {"Do_RDT", "Enable_Set_Cycle", "Enable_Set_Cycle_SLC"});
    show(kEccLimit, {"Enable_ECCthreshold_MarkBad", "ECC threshold", "SLC ECC threshold"});
    show(kFailLimits, {"Byte_146", kLimitLists[0], kLimitLists[1], kLimitLists[2], kLimitLists[3]});
    show(kReadRetry, {"ReadRetrySel"});
    show(kDevslp, {"DEVSLP_Enable"});
    show(kSataSsc, {"SATA_SSC_Enable"});
    show(kPutThermal, {"Put_Thermal_Sensor"});
    show(kResetSmart, {"AfterMPDoResetSMART"});
    show(kHardBitRetry, {"Do_HB_Set"});
    show(kCtlOdtDriving, {"CtlOdtDriving", "PadODTEnable", "PadDriveEnable"});
    show(kRdtLed, {"RDTLED_StateSel"});
    show(kCloseSpeedOptimize, {"CloseSpeedOptimize"});
    show(kWriteReadBurnIn, {"Write_Read BurnIn", "CapacityUnit"});
    Control<QCheckBox>("DefineC7_0")->setVisible(Has(items, kDefineC7));
    snGroup->setVisible(Has(items, kSnGroup));
    smartGroup->setVisible(Has(items, kSmartGroup));
    updateFwGroup->setVisible(Has(items, kUpdateFwGroup));
    rdtGroup->setVisible(Has(items, kRdtCycles) || Has(items, kEccLimit) || Has(items, kFailLimits));
    otherGroup->setVisible(Has(items, kDevslp) || Has(items, kSataSsc) || Has(items, kPutThermal) ||
                           Has(items, kResetSmart) || Has(items, kHardBitRetry) || Has(items, kReadRetry) ||
                           Has(items, kRdtLed) || Has(items, kCloseSpeedOptimize) ||
                           Has(items, kWriteReadBurnIn) || Has(items, kCtlOdtDriving));
}

// Which dependent controls may be used, from the boxes as they stand. The
// boxes' effects change values; this alone decides the enabled states, so a
// fill, a click and an unlock always agree.
void CSettingDlg::ApplyEnableRules() {
    if (!editMode)
        return;
    const auto enable = [this](const char* name, bool on) {
        if (auto* widget = findChild<QWidget*>(QString::fromUtf8(name)))
            widget->setEnabled(on);
    };
    const auto checked = [this](const char* name) { return Control<QAbstractButton>(name)->isChecked(); };
    const int station = Station();
    const SettingItems items =
        VisibleItems(station, env.customer.CustomerCode(), Position(Control<QComboBox>("PretestType")));

    const bool rdt = rdtCheck->isChecked();
    const bool lockedCycles = env.debug.TestRDTCycle != 0;
    enable("Enable_Set_Cycle", rdt && !lockedCycles);
    enable("Enable_Set_Cycle_SLC", rdt && !lockedCycles);
    enable("Cycle", rdt);
    enable("Cycle_SLC", rdt);
    enable("Enable_ECCthreshold_MarkBad", rdt);
    const bool ecc = rdt && checked("Enable_ECCthreshold_MarkBad");
    enable("ECC threshold", ecc);
    enable("SLC ECC threshold", ecc);
    // Where the station shows the fail limits they are its own, RDT or not.
    const bool limitsUsable = rdt || Has(items, SettingItem::kFailLimits);
    enable("Byte_146", limitsUsable);
    const bool limits = limitsUsable && checked("Byte_146");
    for (const char* name : kLimitLists)
        for (QWidget* widget : RowOf(Control<QComboBox>(name)))
            widget->setEnabled(limits);

    const bool sizeSet = checked("SetSSDSize");
    enable("SetSSDSizeText", sizeSet);
    enable("SetSSDSizeLBA", sizeSet);
    enable("CheckRDTExist", !(station == kStationMp && Position(Control<QComboBox>("PretestType")) == 3));
    const bool pads = checked("CtlOdtDriving");
    enable("PadODTEnable", pads);
    enable("PadDriveEnable", pads);
    enable("PadODT", pads && checked("PadODTEnable"));
    enable("PadDriving", pads && checked("PadDriveEnable"));
    const bool burnIn = checked("Write_Read BurnIn");
    for (const char* name : {"Capacity", "CapacityGB", "CapacityMB"})
        enable(name, burnIn);
    const bool fixedTemperature = !checked("DisableSmartC2");
    enable("Enable_Set_Custom_SMART_Temperature", fixedTemperature);
    enable("Set_Custom_SMART_Temperature", fixedTemperature);
    const bool ceMap = checked("EnableCEMask");
    for (int bit = 0; bit < 32; ++bit)
        enable(QStringLiteral("CE%1").arg(bit).toUtf8().constData(), ceMap && (record.CE_Mask >> bit & 1u));
    enable("Detect", !checked("L06B_To_B0K"));
    enable("ChooseUpdateImage", station == kStationUpdateFw);
    enable("Update FW", station == kStationUpdateFw);
    rdtCheck->setEnabled(false);
    ApplySnSetState();
}

// ---- the boxes' effects on values

void CSettingDlg::RdtEffect(bool checked) {
    auto* cycle = Control<QLineEdit>("Cycle");
    auto* cycleSlc = Control<QLineEdit>("Cycle_SLC");
    Control<QCheckBox>("Enable_Set_Cycle")->setChecked(checked);
    Control<QCheckBox>("Enable_Set_Cycle_SLC")->setChecked(checked);
    if (checked) {
        cycle->setText(CycleText(record.Cycle));
        cycleSlc->setText(CycleText(record.Cycle_SLC));
        Control<QCheckBox>("Enable_ECCthreshold_MarkBad")->setChecked(record.Enable_ECCthreshold_MarkBad);
        EccEffect(record.Enable_ECCthreshold_MarkBad);
        Control<QCheckBox>("Byte_146")->setChecked(record.Byte_146);
        LaterBadEffect(record.Byte_146);
        return;
    }
    Control<QCheckBox>("Enable_ECCthreshold_MarkBad")->setChecked(false);
    EccEffect(false);
    // Stations that show the fail limits keep them without RDT.
    const SettingItems items =
        VisibleItems(Station(), env.customer.CustomerCode(), Position(Control<QComboBox>("PretestType")));
    const bool keepLimits = Has(items, SettingItem::kFailLimits) && record.Byte_146;
    Control<QCheckBox>("Byte_146")->setChecked(keepLimits);
    LaterBadEffect(keepLimits);
}

void CSettingDlg::EccEffect(bool checked) {
    Control<QLineEdit>("ECC threshold")
        ->setText(checked && record.ECCthreshold ? Number(record.ECCthreshold) : QString());
    Control<QLineEdit>("SLC ECC threshold")
        ->setText(checked && record.SLCECCthreshold ? Number(record.SLCECCthreshold) : QString());
}

void CSettingDlg::LaterBadEffect(bool) {
    const uint32_t positions[] = {record.FailTotalLimitSel, record.FailEraseLimitSel,
                                  record.FailProgramLimitSel, record.FailReadLimitSel};
    for (int i = 0; i < 4; ++i)
        SetPosition(Control<QComboBox>(kLimitLists[i]), static_cast<int>(positions[i]));
}

void CSettingDlg::SetTotalSizeEffect(bool checked) {
    auto* text = Control<QLineEdit>("SetSSDSizeText");
    auto* lba = Control<QLineEdit>("SetSSDSizeLBA");
    if (!checked) {
        text->clear();
        lba->clear();
        return;
    }
    Control<QCheckBox>("Use Partial Size")->setChecked(false);
    text->setText(QString::fromUtf8(FieldText(record.setSSDSizeText)));
    if (text->text().isEmpty() && record.SetSSDSize != 0)
        text->setText(Number(record.SetSSDSize));
    lba->setText(record.SetSSDSizeLBA != 0 ? QString::number(record.SetSSDSizeLBA) : QString());
}

void CSettingDlg::ModifyEffect(bool checked) {
    auto* field = Control<QLineEdit>("ICFWVersion");
    const bool pafec = !checked && env.customer.CustomerCode() == 8 && Station() == kStationMp &&
                       pafecFlash && FieldText(record.SetFirmwareName).empty();
    if (pafec)
        field->setText(QStringLiteral("PAFEC1.0"));
    else
        field->setText(
            QString::fromUtf8(checked ? FieldText(record.SetFirmwareName) : FieldText(record.ICFWVersion)));
    field->setReadOnly(!checked);
}

void CSettingDlg::SmartC2Effect(bool checked) {
    auto* box = Control<QCheckBox>("Enable_Set_Custom_SMART_Temperature");
    auto* field = Control<QLineEdit>("Set_Custom_SMART_Temperature");
    if (checked) {
        box->setChecked(false);
        return;
    }
    if (record.Set_Custom_SMART_Temperature != 0) {
        box->setChecked(true);
        field->setText(Number(record.Set_Custom_SMART_Temperature));
    }
}

void CSettingDlg::CtlOdtEffect(bool checked) {
    Control<QCheckBox>("PadODTEnable")->setChecked(checked && record.PadODTEnable);
    Control<QCheckBox>("PadDriveEnable")->setChecked(checked && record.PadDriveEnable);
    SetPosition(Control<QComboBox>("PadODT"), record.PadODT);
    SetPosition(Control<QComboBox>("PadDriving"), record.PadDriving);
}

void CSettingDlg::PretestEffect(int position) {
    if (Station() != kStationMp)
        return;
    if (position == 3) {
        Control<QCheckBox>("Byte_146")->setChecked(record.Byte_146);
        LaterBadEffect(record.Byte_146);
        Control<QCheckBox>("CheckRDTExist")->setChecked(false);
    }
    ApplyVisibility();
}

void CSettingDlg::CeMapEffect(bool checked) {
    for (int bit = 0; bit < 32; ++bit) {
        const bool present = record.CE_Mask >> bit & 1u;
        const bool chosen = record.SetCEMask == 0 || (record.SetCEMask >> bit & 1u);
        Control<QCheckBox>(QStringLiteral("CE%1").arg(bit).toUtf8().constData())
            ->setChecked(checked && present && chosen);
    }
}

// ---- read

void CSettingDlg::ReadPage(ST_STATION_CONFIG& out) const {
    ReadControls(out, true);
}

void CSettingDlg::ReadControls(ST_STATION_CONFIG& r, bool withMessages) const {
    const auto checked = [this](const char* name) -> uint8_t {
        return Control<QAbstractButton>(name)->isChecked() ? 1 : 0;
    };
    const auto text = [this](const char* name) { return Control<QLineEdit>(name)->text().toStdString(); };
    const auto number = [this](const char* name) { return NumberOf(Control<QLineEdit>(name)); };
    const auto position = [this](const char* name) { return Position(Control<QComboBox>(name)); };
    const int station = Station();

    r.TestStationSel = static_cast<uint8_t>(station);
    SetFieldText(r.WorkingNo, workingNoField->text().toStdString());
    SetFieldText(r.ModelName, modelNameField->text().toStdString());
    SetFieldText(r.SerialNum, serialNumField->text().toStdString());
    // The shown "PAFEC1.0" is the save rule's, not a version the operator gave.
    const bool modify = checked("ModifyFirmwareName");
    const bool pafecShown = !modify && Control<QLineEdit>("ICFWVersion")->text() == "PAFEC1.0" &&
                            pafecFlash && FieldText(record.ICFWVersion) != "PAFEC1.0";
    if (modify) {
        SetFieldText(r.SetFirmwareName, text("ICFWVersion"));
    } else {
        if (!pafecShown)
            SetFieldText(r.ICFWVersion, text("ICFWVersion"));
        SetFieldText(r.SetFirmwareName, "");
    }
    SetFieldText(r.ControllerType, env.customer.CustomerCode() == 8 ? "KV7041-S01" : "SSD-7720VA");
    const int deviceSize = position("SSD Size");
    SetFieldText(r.SSDSize, Control<QComboBox>("SSD Size")->currentText().toStdString());
    r.PMASetting = PmaSettingFor(deviceSize);

    r.Flh_CapacitySel = static_cast<uint32_t>(position("Flh_CapacitySel"));
    if (const auto mb = CapacityMbOfEntry(Control<QComboBox>("Flh_CapacitySel")->currentText().toStdString());
        mb && r.Flh_CapacitySel != 0)
        r.Flh_Capacity = *mb;
    r.Flh_NumberSel = static_cast<uint32_t>(position("Flh_NumberSel"));
    if (r.Flh_NumberSel != 0)
        r.Flh_Number = r.Flh_NumberSel;
    r.DDRSize = number("DDRSize");
    if (checked("SetSSDSize")) {
        SetFieldText(r.setSSDSizeText, text("SetSSDSizeText"));
        r.SetSSDSize = number("SetSSDSizeText");
        r.SetSSDSizeLBA = static_cast<int32_t>(std::min<uint32_t>(number("SetSSDSizeLBA"), INT32_MAX));
    } else {
        SetFieldText(r.setSSDSizeText, "");
        r.SetSSDSize = 0;
        r.SetSSDSizeLBA = 0;
    }
    r.UsePartialSize = checked("Use Partial Size");
    r.SATASpeed = position("SATASpeed") + 1;
    r.CheckRDTExist = checked("CheckRDTExist");
    r.FlashInterface = kInterfaceCodes[std::min(position("Flash Interface"), 4)];
    r.FlashClock = ClampRangeValue(Control<QComboBox>("Flash Clock")->currentText(), 0, UINT32_MAX);
    if (station == kStationUpdateFw)
        SetFieldText(r.UpdateFW, text("Update FW"));
    else
        SetFieldText(r.UpdateFW, "");

    r.Do_RDT = rdtCheck->isChecked() ? 1 : 0;
    r.Enable_Set_Cycle = checked("Enable_Set_Cycle");
    r.Cycle = number("Cycle");
    r.Enable_Set_Cycle_SLC = checked("Enable_Set_Cycle_SLC");
    r.Cycle_SLC = number("Cycle_SLC");
    r.Enable_ECCthreshold_MarkBad = checked("Enable_ECCthreshold_MarkBad");
    if (r.Enable_ECCthreshold_MarkBad) {
        r.ECCthreshold = number("ECC threshold");
        r.SLCECCthreshold = number("SLC ECC threshold");
    }
    r.Byte_146 = checked("Byte_146");
    uint8_t* limits[] = {&r.Byte_101, &r.Byte_147, &r.Byte_148, &r.Byte_149};
    uint32_t* positions[] = {&r.FailTotalLimitSel, &r.FailEraseLimitSel, &r.FailProgramLimitSel,
                             &r.FailReadLimitSel};
    for (int i = 0; i < 4; ++i) {
        const int p = position(kLimitLists[i]);
        *positions[i] = static_cast<uint32_t>(p);
        *limits[i] = p == 0 ? 0xFF : static_cast<uint8_t>(p - 1); // position 0 is "Ignore"
    }
    r.ReadRetrySel = static_cast<uint8_t>(position("ReadRetrySel"));

    r.SN_Set = snSetCheck->isChecked() ? 1 : 0;
    r.SN_Type = static_cast<uint8_t>(std::max(snTypeList->currentIndex(), 0));
    r.SN_Len = static_cast<uint32_t>(kSnLenMin + std::max(snLenList->currentIndex(), 0));
    SetFieldText(r.SN_Start, snFields[0]->text().toStdString());
    SetFieldText(r.SN_End, snFields[1]->text().toStdString());
    SetFieldText(r.SN_Mask, snFields[2]->text().toStdString());

    r.DEVSLP_Enable = checked("DEVSLP_Enable");
    r.SATA_SSC_Enable = checked("SATA_SSC_Enable");
    r.Put_Thermal_Sensor = checked("Put_Thermal_Sensor");
    if (station == kStationReMp)
        r.AfterMPDoResetSMART = checked("AfterMPDoResetSMART");
    r.Do_HB_Set = checked("Do_HB_Set");
    r.Do_Hard_Bit_Retry_Test = static_cast<uint8_t>(position("Do_Hard_Bit_Retry_Test"));
    r.RDTLED_StateSel = static_cast<uint8_t>(position("RDTLED_StateSel"));
    r.CloseSpeedOptimize = checked("CloseSpeedOptimize");
    r.wrBurnInEnable = checked("Write_Read BurnIn");
    r.Capacity = number("Capacity");
    r.SetCapacity = checked("CapacityMB") ? 2 : 1;
    const bool pads = checked("CtlOdtDriving");
    r.PadODTEnable = pads ? checked("PadODTEnable") : 0;
    r.PadDriveEnable = pads ? checked("PadDriveEnable") : 0;
    r.PadODT = static_cast<uint8_t>(r.PadODTEnable ? position("PadODT") : 0);
    r.PadDriving = static_cast<uint8_t>(r.PadDriveEnable ? position("PadDriving") : 0);
    r.padDrive.fill(r.PadDriving);

    r.DisableSmart05 = checked("DisableSmart05");
    r.DisableSmartC2 = checked("DisableSmartC2");
    r.DisableSmartC4 = checked("DisableSmartC4");
    r.DisableSmartC7 = checked("DisableSmartC7");
    r.EnableSmartC3 = checked("EnableSmartC3");
    r.DefineC7_0 = checked("DefineC7_0");
    r.DefineA3_PlaneBad = checked("DefineA3_PlaneBad");
    r.ShowCTLTemp = checked("ShowCTLTemp");

    r.Enable_Set_Custom_SMART_Temperature = checked("Enable_Set_Custom_SMART_Temperature");
    r.Set_Custom_SMART_Temperature = number("Set_Custom_SMART_Temperature");
    r.Retention_Test =
        checked("RetentionTestCheck") ? static_cast<uint8_t>(position("Retention_Test") + 1) : uint8_t{0};
    r.HV_Flash = checked("HV_Flash");
    r.ScanBad_CheckByDie = checked("ScanBad_CheckByDie");
    r.L06B_To_B0K = checked("L06B_To_B0K");

    auto* slcList = Control<QComboBox>("SLCPoolSizeSel");
    r.SLCPoolSizeSel = static_cast<uint32_t>(Position(slcList));
    r.SLCPoolSize = SlcPoolSizeOf(static_cast<int>(r.SLCPoolSizeSel));
    const bool userSizeSmall = r.SetSSDSize >= 1 && r.SetSSDSize <= 120;
    if (r.SLCPoolSizeSel > kSlcLargestSmallEntry && (r.Flh_Capacity / 1024 < 121 || userSizeSmall)) {
        r.SLCPoolSizeSel = 0;
        r.SLCPoolSize = kSlcAutoPoolSize;
        if (withMessages) {
            slcList->setCurrentIndex(0);
            Tell(QStringLiteral("Unexpected problem may arise,when SLC buf is 40 GB but SSD size less than "
                                "120GB. \r\nSLC buf will set as auto."));
        }
    }

    ApplyBin1FlashRule(r, station, flashFamily);
    r.PretestType = static_cast<uint8_t>(position("PretestType"));
    ApplyEraseRule(r, station, flashFamily, makerCode);

    r.EnableCEMask = checked("EnableCEMask");
    if (r.EnableCEMask) {
        r.SetCEMask = 0;
        for (int bit = 0; bit < 32; ++bit)
            if (Control<QCheckBox>(QStringLiteral("CE%1").arg(bit).toUtf8().constData())->isChecked())
                r.SetCEMask |= 1u << bit;
        if (const auto problem = CheckCeMap(r.SetCEMask, flashFamily); problem && withMessages)
            Tell(QString::fromStdString(*problem));
    }
}

void CSettingDlg::SetPageEditable(bool editable) {
    editMode = editable;
    for (QWidget* control : findChildren<QWidget*>()) {
        const bool input = qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control) ||
                           qobject_cast<QAbstractButton*>(control);
        // "RDT" only shows the station's flag; "Edit" is the commands' to switch.
        if (input && control != rdtCheck && control != editButton)
            control->setEnabled(editable);
    }
    rdtCheck->setEnabled(false);
    if (editable)
        ApplyEnableRules();
    else
        ApplySnSetState();
}

// ---- commands

bool CSettingDlg::ActivateSettingsPage(const std::filesystem::path& stationFile, bool portRunning) {
    if (PageLockBits() & kLockConfigurationPage)
        return false;
    if (pageInitialised)
        return true;
    stationPath = stationFile.is_absolute() ? stationFile : (env.appDir / stationFile).lexically_normal();
    editMode = leaveRefresh = noPassword;
    pageInitialised = true;
    pafecFlash = false;
    record = ST_STATION_CONFIG{};
    LoadStationConfig(stationPath, record, names, LoadOptions());
    companionPath = (env.appDir / CompanionPathFor(stationFile.string())).lexically_normal();
    if (std::filesystem::exists(companionPath))
        LoadStationSection(companionPath, record, LoadOptions());
    else
        (void)EnsureCompanionFile(stationPath, companionPath); // a failed copy loads as defaults
    flashFamily = env.flashDatabase ? FlashFamilyOf(*env.flashDatabase, record.flashId) : 0;
    makerCode = record.makerCode;
    setWindowTitle(PageTitle());
    FillPage(record);
    editButton->setEnabled(!portRunning);
    return true;
}

std::optional<std::chrono::milliseconds> CSettingDlg::ApplyChangedSettings() {
    using std::chrono::milliseconds;
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
    saved = record;
    ReadPage(saved);
    const Status status = SaveStationAndCompanion(saved, stationFile, companionPath, SaveContext(), names);
    if (status.ok())
        return true;
    TellSaveFailed(status);
    return false;
}

void CSettingDlg::OnSave() {
    ST_STATION_CONFIG saved;
    if (!SaveTo(stationPath, saved))
        return;
    record = saved;
    if (!noPassword)
        SetPageEditable(false);
    editButton->setEnabled(true);
    PageLockBits() &=
        ~uint32_t{kLockMainPage | kLockConfigurationPage | kLockRdtInfoPage | kLockBadBlockPage};
    leaveRefresh = true;
    pageInitialised = false;
}

void CSettingDlg::OnSaveAs() {
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
    leaveRefresh = true;
    pageInitialised = false;
    if (!noPassword)
        SetPageEditable(false);
    editButton->setEnabled(true);
    // Unlike Save, the other pages stay refused until a later Save.
    PageLockBits() |= kLockMainPage | kLockConfigurationPage | kLockRdtInfoPage | kLockBadBlockPage;
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
    editButton->setEnabled(false);
    PageLockBits() |= kLockMainPage | kLockConfigurationPage | kLockRdtInfoPage | kLockBadBlockPage;
}

void CSettingDlg::OnTestStationChosen(int station) {
    const int previous = record.TestStationSel;
    if (Status written = WriteTestStationSel(companionPath, station); !written.ok()) {
        TellSaveFailed(written);
        testStationList->setCurrentIndex(previous);
        return;
    }
    // What the operator typed into the shared fields is not the old station's to lose.
    const QString workingNo = workingNoField->text(), modelName = modelNameField->text(),
                  serialNum = serialNumField->text();
    ST_STATION_CONFIG typed = record;
    ReadControls(typed, false);
    LoadStationSection(companionPath, record, LoadOptions());
    record.TestStationSel = static_cast<uint8_t>(station);
    ApplyStationPresets(record, station, Control<QCheckBox>("RetentionTestCheck")->isChecked());
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

void CSettingDlg::OnFlashConfigChosen() {
    if (!env.flashDatabase)
        return;
    const ST_SSD_FLASH_PARAM* flash =
        FindByLabel(*env.flashDatabase, Control<QComboBox>("ID")->currentText().toStdString());
    if (!flash)
        return;
    // Take what is typed along: the refill below would otherwise discard it.
    ReadControls(record, false);
    ApplyFlashRecord(record, *flash, stationPath, env.appDir / "Bin/ISP_FW.ini");
    flashFamily = FlashFamilyOfName(FieldText(flash->name));
    makerCode = record.makerCode;
    ApplyBin1FlashRule(record, Station(), flashFamily);
    ApplyEraseRule(record, Station(), flashFamily, makerCode);
    const Status status = SaveStationAndCompanion(record, stationPath, companionPath, SaveContext(), names);
    if (!status.ok())
        TellSaveFailed(status);
    FillPage(record);
    Control<QComboBox>("ID")->setEnabled(true);
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
    const QString serialNumber = snFields[0]->text();
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
    if (fileName.size() > 8 && !Control<QCheckBox>("ModifyFirmwareName")->isChecked()) {
        SetFieldText(record.ICFWVersion, fileName.left(8).toStdString());
        Control<QLineEdit>("ICFWVersion")->setText(fileName.left(8));
    }
    Control<QLineEdit>("Update FW")->setText(chosen);
}

void CSettingDlg::OnDetect() {
    Control<QPushButton>("Detect")->setEnabled(false);
    Control<QPushButton>("Manul")->setEnabled(false);
    if (!hooks.detectFlashIds) {
        DetectDone(std::nullopt);
        return;
    }
    hooks.detectFlashIds([this](std::optional<FlashIdTable> ids) { DetectDone(ids); });
}

void CSettingDlg::DetectDone(const std::optional<FlashIdTable>& ids) {
    auto* list = Control<QComboBox>("ID");
    const auto enableButtons = [this] {
        Control<QPushButton>("Detect")->setEnabled(true);
        Control<QPushButton>("Manul")->setEnabled(true);
    };
    if (!ids) {
        Tell(QStringLiteral("Detect Fail!"));
        enableButtons();
        return;
    }
    list->clear();
    record.Flh_CapacitySel = static_cast<uint32_t>(Position(Control<QComboBox>("Flh_CapacitySel")));
    record.Flh_NumberSel = static_cast<uint32_t>(Position(Control<QComboBox>("Flh_NumberSel")));
    const FlashIdScan scan = ScanFlashIds(*ids);
    ST_SSD_FLASH_PARAM flash{};
    const bool found =
        scan.firstIndex >= 0 && env.flashDatabase &&
        FindFlashRecord(*env.flashDatabase, (*ids)[static_cast<size_t>(scan.firstIndex)].data(), flash) == 0;
    if (found) {
        list->addItem(QString::fromStdString(ConfigurationLabel(flash)));
        pafecFlash = FieldText(flash.name).starts_with("3DV4");
        record.CE_Mask = scan.ceMask;
        Status written = WriteCeMask(stationPath, scan.ceMask);
        if (written.ok())
            written = WriteCeMask(companionPath, scan.ceMask);
        if (!written.ok())
            Tell(
                Text("Save failed:\r\n%1", "保存失败:\r\n%1").arg(QString::fromStdString(written.message())));
        if (record.Flh_NumberSel == 0)
            record.Flh_Number = scan.populated;
        if (record.Flh_CapacitySel == 0)
            record.Flh_Capacity = DetectedCapacityMb(flash, scan.populated);
    }
    enableButtons();
    list->setEnabled(true);
    if (!found) {
        Tell(QStringLiteral("Flash ID is unknown!"));
        return;
    }
    list->setCurrentIndex(0);
    if (isVisible())
        list->showPopup();
}

// The switch is a file setting of its own: both files take it at once, so
// the next choice of a flash configuration (which reads the station file)
// already converts. A failed write leaves both files and the box as they were.
void CSettingDlg::OnL06bToB0kSwitched(bool on) {
    const Status written = WriteStationAndCompanion(
        stationPath, [&] { return WriteL06bToB0k(stationPath, on); }, companionPath,
        [&] { return WriteL06bToB0k(companionPath, on); });
    if (!written.ok()) {
        Control<QCheckBox>("L06B_To_B0K")->setChecked(!on);
        TellSaveFailed(written);
        return;
    }
    record.L06B_To_B0K = on ? 1 : 0;
    RebuildFlashList(on);
    auto* list = Control<QComboBox>("ID");
    if (on) {
        list->setEnabled(true);
        list->setCurrentIndex(0);
        if (isVisible())
            list->showPopup();
    } else {
        list->setCurrentIndex(list->findText(QString::fromUtf8(FieldText(record.ID))));
    }
    Control<QPushButton>("Detect")->setEnabled(!on);
}

void CSettingDlg::OnManul() {
    RebuildFlashList(false);
    auto* list = Control<QComboBox>("ID");
    list->setEnabled(true);
    if (isVisible())
        list->showPopup();
}

void CSettingDlg::ApplySnSetState() {
    const bool snSet = snSetCheck->isChecked();
    serialNumLabel->setText(Caption(snSet ? 146 : 165, uiLanguage));
    const bool usable = editMode && snSet;
    // Scanned numbers come from the scan list, so the range fields say nothing then.
    const bool rangeUsable = usable && snTypeList->currentIndex() != static_cast<int>(SnType::ScanInput);
    snSetCheck->setEnabled(editMode);
    snTypeList->setEnabled(usable);
    snLenList->setEnabled(rangeUsable);
    for (QLineEdit* field : snFields)
        field->setEnabled(rangeUsable);
    mesButton->setEnabled(usable);
}

void CSettingDlg::ShowSnLengths() {
    for (size_t i = 0; i < snFields.size(); ++i)
        snLengthLabels[i]->setText(QStringLiteral("(%1)").arg(snFields[i]->text().size()));
}

SnRangeFields CSettingDlg::ShownSnFields() const {
    return {snFields[0]->text().toStdString(), snFields[1]->text().toStdString(),
            snFields[2]->text().toStdString()};
}

// Texts the page itself puts into the range fields; with "SN Set" the
// serial-number field follows SN Start as it does when SN Start is typed.
void CSettingDlg::ShowSnFields(const SnRangeFields& fields) {
    const std::string* texts[] = {&fields.start, &fields.end, &fields.mask};
    for (size_t i = 0; i < snFields.size(); ++i)
        if (snFields[i]->text().toStdString() != *texts[i])
            snFields[i]->setText(QString::fromStdString(*texts[i]));
    if (snSetCheck->isChecked())
        serialNumField->setText(snFields[0]->text());
}

void CSettingDlg::ResizeSnFields(int snLen) {
    // Room first: a field cuts what is set beyond its limit from the end.
    for (QLineEdit* field : snFields)
        field->setMaxLength(std::max(snLen, field->maxLength()));
    ShowSnFields(SnFieldsForLength(ShownSnFields(), snLen,
                                   snTypeList->currentIndex() == static_cast<int>(SnType::ScanInput)));
}

} // namespace varnet::ui
