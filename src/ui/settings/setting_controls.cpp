#include "ui/settings/setting_controls.h"

#include "ui/captions.h"
#include "ui/controls/my_edit.h"

#include <QAbstractItemView>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace varnet::ui {
namespace {

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

QComboBox* List(QWidget* parent, const QStringList& entries = {}) {
    auto* list = new QComboBox(parent);
    list->addItems(entries);
    return list;
}

// A list whose entries are longer than the page has room for (flash labels,
// pretest names): it takes the width it is given and its drop-down shows
// the entries whole.
QComboBox* LongList(QWidget* parent) {
    auto* list = List(parent);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(12);
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    list->view()->setTextElideMode(Qt::ElideNone);
    list->view()->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return list;
}

// A button as wide as its text: the style's minimum width for buttons would
// take what the long lists beside it need.
QPushButton* SmallButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setFixedWidth(std::max(button->fontMetrics().horizontalAdvance(text) + 16, 28));
    return button;
}

QStringList Numbers(int first, int last) {
    QStringList numbers;
    for (int n = first; n <= last; ++n)
        numbers << QString::number(n);
    return numbers;
}

// A serial-number field shows the longest number whole even when it is
// written in the widest character a field can hold (digits, letters of
// either case, a mask's '#', Scan Input's '*'): in a proportional font a 'W'
// takes nearly twice a digit's room.
void FitLongestSerialNumber(QLineEdit* field) {
    const QFontMetrics metrics = field->fontMetrics();
    int widest = 0;
    for (const char ch : std::string_view("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz#*"))
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(ch)));
    // The line edit keeps a margin of its own on each side of the text.
    constexpr int kLineEditMargin = 2;
    const QMargins margins = field->textMargins();
    const QSize text(widest * kSnLenMax + 2 * kLineEditMargin + margins.left() + margins.right(),
                     field->sizeHint().height());
    QStyleOptionFrame option;
    option.initFrom(field);
    option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
    field->setMinimumWidth(
        field->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, field).width());
}

// One row of a grid: each cell spans the given number of columns, side by
// side from column 0. Long texts (flash labels, pretest names, order
// numbers) take the width of the columns beside them.
struct Cell {
    QWidget* widget;
    int columns = 1;
};
void Row(QGridLayout* grid, std::initializer_list<Cell> cells) {
    const int row = grid->rowCount();
    int column = 0;
    for (const Cell& cell : cells) {
        grid->addWidget(cell.widget, row, column, 1, cell.columns);
        column += cell.columns;
    }
}

class Builder {
public:
    Builder(SettingControls& c, int uiLanguage) : c_(c), uiLanguage_(uiLanguage) {}

    QString Text(int caption) const { return Caption(caption, uiLanguage_); }

    void Standard(QGroupBox* group) {
        auto* grid = new QGridLayout(group);
        // The busiest station shows every row of this group: closer rows
        // leave room for the flash list's own.
        grid->setVerticalSpacing(3);
        const auto label = [&](int caption) { return new QLabel(Text(caption), group); };
        const auto plain = [&](const char* text) { return new QLabel(Utf8(text), group); };
        const QString autoEntry = Text(195);

        // The label of a flash configuration is long ("98 3C 98 B3 76
        // 72-BICS3"): its list has the whole row, the two ways to fill it
        // the row below.
        c_.flashConfig = LongList(group);
        Row(grid, {{label(196)}, {c_.flashConfig, 4}});
        c_.detect = SmallButton(Text(200), group);
        c_.manul = SmallButton(Text(197), group);
        grid->addWidget(c_.detect, grid->rowCount(), 3);
        grid->addWidget(c_.manul, grid->rowCount() - 1, 4);
        c_.testStation = List(group);
        c_.defineStationNames = SmallButton(QStringLiteral("+"), group);
        Row(grid, {{label(139)}, {c_.testStation, 2}, {c_.defineStationNames}});
        c_.workingNo = new QLineEdit(group);
        Row(grid, {{label(144)}, {c_.workingNo, 4}});
        c_.modelName = new QLineEdit(group);
        Row(grid, {{label(145)}, {c_.modelName, 4}});
        c_.fwVersion = new QLineEdit(group);
        c_.fwVersion->setReadOnly(true);
        c_.modifyFirmwareName = new QCheckBox(Text(170), group);
        Row(grid, {{label(154)}, {c_.fwVersion, 2}, {c_.modifyFirmwareName, 2}});
        c_.serialNumLabel = label(165);
        c_.serialNum = new QLineEdit(group);
        FitLongestSerialNumber(c_.serialNum);
        Row(grid, {{c_.serialNumLabel}, {c_.serialNum, 4}});
        c_.controller = List(group);
        Row(grid, {{label(140)}, {c_.controller}});
        c_.deviceSize =
            List(group, {QStringLiteral("2.5\""), QStringLiteral("mSATA"), QStringLiteral("M.2")});
        Row(grid, {{label(149)}, {c_.deviceSize}});
        QStringList sizes{autoEntry};
        for (const int gb :
             {16,  30,  32,  48,  60,  64,  72,  80,  90,  96,  100, 120, 128, 136,  144,  160, 192,
              216, 240, 250, 256, 272, 288, 320, 336, 360, 384, 408, 432, 480, 500,  504,  512, 528,
              544, 576, 624, 640, 672, 680, 720, 768, 816, 864, 912, 952, 960, 1024, 1088, 1152})
            sizes << QStringLiteral("%1GB").arg(gb);
        c_.totalSize = List(group, sizes);
        Row(grid, {{label(143)}, {c_.totalSize}});
        c_.ceNumber = List(group, QStringList{autoEntry} + Numbers(1, 32));
        Row(grid, {{label(142)}, {c_.ceNumber}});
        c_.setTotalSize = new QCheckBox(Text(151), group);
        c_.setSizeGb = new QLineEdit(group);
        c_.setSizeLba = new QLineEdit(group);
        Row(grid, {{c_.setTotalSize}, {c_.setSizeGb}, {plain("(GB)/")}, {c_.setSizeLba}, {plain("(LBA)")}});
        c_.usePartial = new QCheckBox(Text(152), group);
        Row(grid, {{c_.usePartial}});
        c_.ddrSize = new QLineEdit(group);
        Row(grid, {{label(150)}, {c_.ddrSize}, {plain("(MB)")}});
        c_.sataSpeed = List(group, {"GEN1(1.5G)", "GEN2(3.0G)", "GEN3(6.0G)"});
        Row(grid, {{label(153)}, {c_.sataSpeed}});
        c_.checkRdt = new QCheckBox(Text(172), group);
        Row(grid, {{c_.checkRdt}});
        c_.pretest = LongList(group);
        Row(grid, {{plain("Pretest:")}, {c_.pretest, 4}});
        c_.flashInterface = List(group, {"Toggle 1.0", "Toggle 2.0", "ONFI 2.0", "ONFI 3.0", "NVDDR3"});
        Row(grid, {{plain("Interface:")}, {c_.flashInterface}});
        c_.flashClock = List(group);
        Row(grid, {{plain("Flash Clock:")}, {c_.flashClock}});
        c_.slcBuffer = List(group, {autoEntry, "0GB", "3GB", "6GB", "12GB", "20GB"});
        Row(grid, {{plain("SLC Buffer:")}, {c_.slcBuffer}});
    }

    void Rdt(QGroupBox* group) {
        auto* grid = new QGridLayout(group);
        const auto loop = [&] { return new QLabel(Text(158), group); };
        c_.rdt = new QCheckBox(QStringLiteral("RDT"), group);
        Row(grid, {{c_.rdt}});
        c_.cycleEnable = new QCheckBox(Text(156), group);
        c_.cycle = new QLineEdit(group);
        Row(grid, {{c_.cycleEnable}, {c_.cycle}, {loop()}});
        c_.slcCycleEnable = new QCheckBox(Text(157), group);
        c_.slcCycle = new QLineEdit(group);
        Row(grid, {{c_.slcCycleEnable}, {c_.slcCycle}, {loop()}});
        c_.eccLimit = new QCheckBox(Text(191), group);
        Row(grid, {{c_.eccLimit}});
        c_.eccThreshold = new QLineEdit(group);
        Row(grid, {{new QLabel(QStringLiteral("TLC/MLC ECC:"), group)}, {c_.eccThreshold}});
        c_.slcEccThreshold = new QLineEdit(group);
        Row(grid, {{new QLabel(QStringLiteral("SLC ECC:"), group)}, {c_.slcEccThreshold}});
        c_.laterBadLimit = new QCheckBox(Text(183), group);
        Row(grid, {{c_.laterBadLimit}});
        const QStringList limits = QStringList{QStringLiteral("Ignore")} + Numbers(0, 255);
        for (size_t i = 0; i < c_.failLimits.size(); ++i) {
            c_.failLimitLabels[i] = new QLabel(Text(184 + static_cast<int>(i)), group);
            c_.failLimits[i] = List(group, limits);
            if (i == 0)
                Row(grid, {{c_.failLimitLabels[i]},
                           {c_.failLimits[i]},
                           {new QLabel(QStringLiteral("<=255"), group)}});
            else
                Row(grid, {{c_.failLimitLabels[i]}, {c_.failLimits[i]}});
        }
    }

    // The range fields are as wide as the longest number: each stands under
    // its caption, its length beside it, so the group is no wider than a
    // field and the middle column leaves the other two their room.
    void Sn(QGroupBox* group) {
        auto* grid = new QGridLayout(group);
        grid->setVerticalSpacing(3);
        const auto label = [&](int caption) { return new QLabel(Text(caption), group); };
        c_.snSet = new QCheckBox(Text(164), group);
        c_.mes = new QPushButton(QStringLiteral("MES"), group);
        Row(grid, {{c_.snSet}, {c_.mes}});
        c_.snType = List(group, {Text(166), Text(167), Text(168), Utf8("统一SN")});
        Row(grid, {{label(159)}, {c_.snType}});
        c_.snLen = List(group, Numbers(kSnLenMin, kSnLenMax));
        Row(grid, {{label(160)}, {c_.snLen}});
        for (size_t i = 0; i < c_.snFields.size(); ++i) {
            Row(grid, {{label(161 + static_cast<int>(i)), 2}});
            // Serial numbers are written in capitals whatever the keyboard says.
            auto* field = new CMyEdit(group);
            field->SetUpperCase(true);
            FitLongestSerialNumber(field);
            c_.snFields[i] = field;
            c_.snLengthLabels[i] = new QLabel(group);
            Row(grid, {{field, 2}, {c_.snLengthLabels[i]}});
        }
    }

    void UpdateFw(QGroupBox* group) {
        auto* grid = new QGridLayout(group);
        c_.updateFw = new QLineEdit(group);
        c_.chooseUpdateImage = new QPushButton(QStringLiteral("..."), group);
        Row(grid, {{new QLabel(QStringLiteral("FW BIN:"), group)}, {c_.updateFw}, {c_.chooseUpdateImage}});
    }

    void Other(QGroupBox* group) {
        auto* grid = new QGridLayout(group);
        const auto check = [&](const QString& caption) { return new QCheckBox(caption, group); };
        const auto plain = [&](const char* text) { return new QLabel(Utf8(text), group); };
        c_.devslp = check(QStringLiteral("DEVSLP Enable"));
        Row(grid, {{c_.devslp}});
        c_.sataSsc = check(QStringLiteral("SATA SSC Enable"));
        Row(grid, {{c_.sataSsc}});
        c_.putThermal = check(Text(173));
        Row(grid, {{c_.putThermal}});
        c_.resetSmart = check(Text(174));
        Row(grid, {{c_.resetSmart}});
        c_.hardBitRetry = check(QStringLiteral("HardBit Retry"));
        c_.hardBitRetryMode = List(group, {"OFF", "ON"});
        Row(grid, {{c_.hardBitRetry}, {c_.hardBitRetryMode}});
        c_.readRetry = List(group, {Text(195), "ON", "OFF"});
        Row(grid, {{plain("Read Retry:")}, {c_.readRetry}});
        c_.rdtLed = List(group, {Text(207), Text(208)});
        Row(grid, {{plain("RDT(Finish) LED:")}, {c_.rdtLed}});
        c_.closeSpeedOptimize = check(Text(202));
        Row(grid, {{c_.closeSpeedOptimize}});
        c_.writeReadBurnIn = check(QStringLiteral("WriteRead Burn-IN"));
        c_.burnInCapacity = new QLineEdit(group);
        Row(grid, {{c_.writeReadBurnIn}, {c_.burnInCapacity}});
        // The unit goes under the amount, so the group stays narrow enough for
        // the busiest station's page.
        c_.burnInUnit = new QWidget(group);
        auto* unitRow = new QHBoxLayout(c_.burnInUnit);
        unitRow->setContentsMargins(0, 0, 0, 0);
        c_.burnInGb = new QRadioButton(QStringLiteral("GB"), c_.burnInUnit);
        c_.burnInMb = new QRadioButton(QStringLiteral("MB"), c_.burnInUnit);
        unitRow->addWidget(c_.burnInGb);
        unitRow->addWidget(c_.burnInMb);
        grid->addWidget(c_.burnInUnit, grid->rowCount(), 1);
        c_.ctlOdtDriving = check(QStringLiteral("CTL ODT/Driving"));
        Row(grid, {{c_.ctlOdtDriving}});
        c_.padOdtEnable = check(QStringLiteral("CTL ODT:"));
        c_.padOdt = List(group, {"150 ohm", "100 ohm", "75 ohm", "50 ohm"});
        Row(grid, {{c_.padOdtEnable}, {c_.padOdt}});
        c_.padDriveEnable = check(QStringLiteral("CTL DQS/Data Driving:"));
        c_.padDriving = List(group, {"50 ohm", "35 ohm", "25 ohm", "18 ohm"});
        Row(grid, {{c_.padDriveEnable}, {c_.padDriving}});
    }

    void Smart(QGroupBox* group) {
        auto* grid = new QGridLayout(group);
        const struct {
            int caption;
            QCheckBox* SettingControls::*box;
        } boxes[] = {
            {198, &SettingControls::disableSmart05},   {188, &SettingControls::disableSmartC2},
            {199, &SettingControls::disableSmartC4},   {189, &SettingControls::disableSmartC7},
            {193, &SettingControls::enableSmartC3},    {194, &SettingControls::defineC7_0},
            {201, &SettingControls::defineA3PlaneBad}, {211, &SettingControls::showCtlTemp},
        };
        for (size_t i = 0; i < std::size(boxes); ++i) {
            c_.*boxes[i].box = new QCheckBox(Text(boxes[i].caption), group);
            grid->addWidget(c_.*boxes[i].box, static_cast<int>(i / 2), static_cast<int>(i % 2));
        }
    }

    // Controls no station shows; they are filled and read like the others so
    // that their values survive a save.
    void Hidden(QWidget* page) {
        c_.hidden = new QWidget(page);
        QWidget* hidden = c_.hidden;
        auto* grid = new QGridLayout(hidden);
        c_.fixedTemperature = new QCheckBox(Text(175), hidden);
        c_.fixedTemperatureValue = new QLineEdit(hidden);
        Row(grid, {{c_.fixedTemperature}, {c_.fixedTemperatureValue}});
        c_.retentionTest = new QCheckBox(QStringLiteral("Retention Test"), hidden);
        c_.retentionMode = List(hidden, {"1", "2"});
        Row(grid, {{c_.retentionTest}, {c_.retentionMode}});
        c_.bin1Flash = new QCheckBox(QStringLiteral("Bin1 Flash"), hidden);
        Row(grid, {{c_.bin1Flash}});
        c_.allEatRule = new QCheckBox(QStringLiteral("All Eat Rule"), hidden);
        Row(grid, {{c_.allEatRule}});
        c_.l06bToB0k = new QCheckBox(Text(190), hidden);
        Row(grid, {{c_.l06bToB0k}});
        c_.slcPoolPe = new QLineEdit(hidden);
        Row(grid, {{new QLabel(QStringLiteral("SLC Pool P/E:"), hidden)}, {c_.slcPoolPe}});

        auto* ceMap = new QGroupBox(QStringLiteral("CH/CE Map"), hidden);
        auto* ceLayout = new QGridLayout(ceMap);
        c_.ceMapEnable = new QCheckBox(QStringLiteral("CH/CE Map"), ceMap);
        ceLayout->addWidget(c_.ceMapEnable, 0, 0);
        for (int channel = 0; channel < 4; ++channel) {
            auto* channelGroup = new QGroupBox(QStringLiteral("CH%1").arg(channel), ceMap);
            auto* channelGrid = new QGridLayout(channelGroup);
            for (int ce = 0; ce < 8; ++ce) {
                const int index = channel * 8 + ce;
                auto* box = new QCheckBox(QStringLiteral("CE%1").arg(index), channelGroup);
                c_.ceBoxes[static_cast<size_t>(index)] = box;
                channelGrid->addWidget(box, ce / 4, ce % 4);
            }
            ceLayout->addWidget(channelGroup, 1 + channel / 2, channel % 2);
        }
        grid->addWidget(ceMap, grid->rowCount(), 0, 1, 2);
        hidden->hide();
    }

private:
    SettingControls& c_;
    int uiLanguage_;
};

} // namespace

SettingControls BuildSettingControls(QWidget* page, int uiLanguage) {
    SettingControls c;
    Builder build(c, uiLanguage);
    c.standardGroup = new QGroupBox(build.Text(137), page);
    build.Standard(c.standardGroup);
    c.rdtGroup = new QGroupBox(page);
    build.Rdt(c.rdtGroup);
    c.snGroup = new QGroupBox(page);
    build.Sn(c.snGroup);
    c.updateFwGroup = new QGroupBox(build.Text(176), page);
    build.UpdateFw(c.updateFwGroup);
    c.otherGroup = new QGroupBox(build.Text(155), page);
    build.Other(c.otherGroup);
    c.smartGroup = new QGroupBox(QStringLiteral("S.M.A.R.T"), page);
    build.Smart(c.smartGroup);
    build.Hidden(page);

    c.fileName = new QLabel(page);
    c.otherFileNotice = new QLabel(page);
    c.otherFileNotice->setStyleSheet(QStringLiteral("color: red"));
    c.otherFileNotice->hide();
    c.save = new QPushButton(build.Text(147), page);
    c.saveAs = new QPushButton(build.Text(148), page);
    c.edit = new QPushButton(build.Text(181), page);

    auto* middle = new QVBoxLayout;
    middle->addWidget(c.rdtGroup);
    middle->addWidget(c.snGroup);
    middle->addWidget(c.updateFwGroup);
    middle->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(c.otherGroup);
    right->addWidget(c.smartGroup);
    right->addStretch();
    // Each column keeps its rows together at the top, whatever the station hides.
    auto* left = new QVBoxLayout;
    left->addWidget(c.standardGroup);
    left->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addLayout(right);
    // The file's name stands beside the commands that write it.
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(c.fileName);
    buttons->addWidget(c.otherFileNotice, 1);
    buttons->addStretch();
    buttons->addWidget(c.save);
    buttons->addWidget(c.saveAs);
    buttons->addWidget(c.edit);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6); // every pixel goes to the three columns
    layout->addLayout(columns);
    layout->addLayout(buttons);
    return c;
}

} // namespace varnet::ui
