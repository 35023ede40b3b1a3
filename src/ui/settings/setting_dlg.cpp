#include "ui/settings/setting_dlg.h"

#include "platform/text.h"
#include "platform/text_format.h"
#include "ui/captions.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>

namespace varnet::ui {
namespace {

constexpr int kSnLenMin = 12;
constexpr int kSnLenMax = 20;

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

} // namespace

CSettingDlg::CSettingDlg(int language, QWidget* parent, StationNameTable& table)
    : QWidget(parent), uiLanguage(language), names(table) {
    auto* standard = new QGroupBox(Caption(137, uiLanguage), this);
    BuildStandardGroup(standard);
    auto* rdt = new QGroupBox(this);
    BuildRdtGroup(rdt);
    snGroup = new QGroupBox(this);
    BuildSnGroup(snGroup);

    auto* updateFw = new QGroupBox(Caption(176, uiLanguage), this);
    auto* updateGrid = new QGridLayout(updateFw);
    Row(updateGrid,
        {new QLabel(QStringLiteral("FW BIN:"), updateFw), Named(new QLineEdit(updateFw), "Update FW"),
         Named(new QPushButton(QStringLiteral("..."), updateFw), "ChooseUpdateImage")});

    auto* other = new QGroupBox(Caption(155, uiLanguage), this);
    BuildOtherGroup(other);
    auto* smart = new QGroupBox(QStringLiteral("S.M.A.R.T"), this);
    BuildSmartGroup(smart);

    saveButton = Named(new QPushButton(Caption(147, uiLanguage), this), "Save");
    saveAsButton = Named(new QPushButton(Caption(148, uiLanguage), this), "SaveAs");
    editButton = Named(new QPushButton(Caption(181, uiLanguage), this), "Edit");

    auto* middle = new QVBoxLayout;
    middle->addWidget(rdt);
    middle->addWidget(snGroup);
    middle->addWidget(updateFw);
    middle->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(other);
    right->addWidget(smart);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addWidget(standard);
    columns->addLayout(middle);
    columns->addLayout(right);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(saveAsButton);
    buttons->addWidget(editButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);

    BuildHiddenControls();
    RebuildStationList();
    SetPageEditable(false);
}

void CSettingDlg::BuildStandardGroup(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    const auto label = [&](int caption) { return new QLabel(Caption(caption, uiLanguage), group); };
    const auto plain = [&](const char* text) { return new QLabel(Utf8(text), group); };
    const QString autoEntry = Caption(195, uiLanguage);

    Row(grid,
        {label(196), List(group, "ID", {}), Named(new QPushButton(Caption(200, uiLanguage), group), "Detect"),
         Named(new QPushButton(Caption(197, uiLanguage), group), "Manul")});
    testStationList = Named(new QComboBox(group), "TestStationSel");
    Row(grid, {label(139), testStationList,
               Named(new QPushButton(QStringLiteral("+"), group), "DefineStationName")});
    workingNoField = Named(new QLineEdit(group), "WorkingNo");
    Row(grid, {label(144), workingNoField});
    modelNameField = Named(new QLineEdit(group), "ModelName");
    Row(grid, {label(145), modelNameField});
    auto* fwVersion = Named(new QLineEdit(group), "ICFWVersion");
    fwVersion->setReadOnly(true);
    Row(grid,
        {label(154), fwVersion, Named(new QCheckBox(Caption(170, uiLanguage), group), "ModifyFirmwareName")});
    serialNumLabel = label(165);
    serialNumField = Named(new QLineEdit(group), "SerialNum");
    Row(grid, {serialNumLabel, serialNumField});
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
    Row(grid, {plain("Pretest:"), List(group, "PretestType", {})});
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
        snFields[i] = Named(new QLineEdit(group), fieldNames[i]);
        snLengthLabels[i] = new QLabel(group);
        Row(grid, {label(161 + static_cast<int>(i)), snFields[i], snLengthLabels[i]});
        connect(snFields[i], &QLineEdit::textChanged, this, &CSettingDlg::ShowSnLengths);
    }
    mesButton = Named(new QPushButton(QStringLiteral("MES"), group), "MES");
    Row(grid, {mesButton});

    // A longer length must let the operator type a longer number; a shorter
    // one cuts. Padding and the mask's rewriting belong to the serial-number rules.
    connect(snLenList, &QComboBox::currentIndexChanged, this, [this](int position) {
        for (QLineEdit* field : snFields)
            field->setMaxLength(kSnLenMin + std::max(position, 0));
    });
    connect(snSetCheck, &QCheckBox::toggled, this, &CSettingDlg::ApplySnSetState);
    connect(snTypeList, &QComboBox::currentIndexChanged, this, &CSettingDlg::ApplySnSetState);
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
               Named(new QLineEdit(group), "Capacity"),
               Named(new QRadioButton(QStringLiteral("GB"), group), "CapacityGB"),
               Named(new QRadioButton(QStringLiteral("MB"), group), "CapacityMB")});
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

void CSettingDlg::FillPage(const ST_STATION_CONFIG& record) {
    RebuildStationList();
    testStationList->setCurrentIndex(std::min<int>(record.TestStationSel, kStationCount - 1));
    workingNoField->setText(QString::fromUtf8(FieldText(record.WorkingNo)));
    modelNameField->setText(QString::fromUtf8(FieldText(record.ModelName)));
    serialNumField->setText(QString::fromUtf8(FieldText(record.SerialNum)));

    const int snLen = record.SN_Len >= kSnLenMin && record.SN_Len <= kSnLenMax
                          ? static_cast<int>(record.SN_Len)
                          : kSnLenMin;
    snLenList->setCurrentIndex(snLen - kSnLenMin);
    snTypeList->setCurrentIndex(record.SN_Type < snTypeList->count() ? record.SN_Type : 0);
    const std::string_view texts[] = {FieldText(record.SN_Start), FieldText(record.SN_End),
                                      FieldText(record.SN_Mask)};
    for (size_t i = 0; i < snFields.size(); ++i) {
        snFields[i]->setMaxLength(snLen);
        snFields[i]->setText(QString::fromUtf8(texts[i]));
    }
    snSetCheck->setChecked(record.SN_Set != 0);
    ApplySnSetState();
    ShowSnLengths();
}

void CSettingDlg::ReadPage(ST_STATION_CONFIG& record) const {
    record.TestStationSel = static_cast<uint8_t>(std::max(testStationList->currentIndex(), 0));
    SetFieldText(record.WorkingNo, workingNoField->text().toStdString());
    SetFieldText(record.ModelName, modelNameField->text().toStdString());
    SetFieldText(record.SerialNum, serialNumField->text().toStdString());

    record.SN_Set = snSetCheck->isChecked() ? 1 : 0;
    record.SN_Type = static_cast<uint8_t>(std::max(snTypeList->currentIndex(), 0));
    record.SN_Len = static_cast<uint32_t>(kSnLenMin + std::max(snLenList->currentIndex(), 0));
    SetFieldText(record.SN_Start, snFields[0]->text().toStdString());
    SetFieldText(record.SN_End, snFields[1]->text().toStdString());
    SetFieldText(record.SN_Mask, snFields[2]->text().toStdString());
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
    ApplySnSetState();
}

void CSettingDlg::ApplySnSetState() {
    const bool snSet = snSetCheck->isChecked();
    serialNumLabel->setText(Caption(snSet ? 146 : 165, uiLanguage));
    const bool usable = editMode && snSet;
    // Scanned numbers come from the scan list, so the range fields say nothing then.
    const bool rangeUsable = usable && snTypeList->currentIndex() != 2;
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

} // namespace varnet::ui
