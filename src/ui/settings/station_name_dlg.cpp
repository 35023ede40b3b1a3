#include "ui/settings/station_name_dlg.h"

#include "config/station_file.h"
#include "ui/captions.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace varnet::ui {
namespace {

constexpr int kCaptionTitle = 203;
constexpr int kCaptionCancel = 205;
constexpr int kCaptionOk = 206;

// The table keeps 63 bytes; cutting here, on a character boundary, keeps a
// Chinese name from ending in half a character.
std::string CutName(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    qsizetype length = std::min<qsizetype>(bytes.size(), static_cast<qsizetype>(kStationNameSize - 1));
    if (length < bytes.size())
        while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80)
            --length;
    return std::string(bytes.constData(), static_cast<size_t>(length));
}

} // namespace

CStationNameDlg::CStationNameDlg(const std::filesystem::path& stationFile, StationNameTable& table,
                                 int uiLanguage, QWidget* parent)
    : QDialog(parent), names(table) {
    setWindowTitle(Caption(kCaptionTitle, uiLanguage));

    const StationNameTable::Slots inFile = ReadStationNameSection(stationFile);
    const StationNameTable::Slots current = names.GetAll();
    for (int slot = 1; slot <= kStationNameSlots; ++slot) {
        const auto i = static_cast<size_t>(slot - 1);
        const std::string loaded = inFile[i].empty() ? std::string(PresetStationName(slot)) : inFile[i];
        working[i] = current[i] == loaded ? inFile[i] : current[i];
    }

    auto* grid = new QGridLayout;
    for (int station = 1; station <= kStations; ++station) {
        const auto i = static_cast<size_t>(station - 1);
        auto* label = new QLabel(QStringLiteral("%1_").arg(station, 2, 10, QLatin1Char('0')), this);
        auto* field = new QLineEdit(QString::fromStdString(working[i]), this);
        field->setMaxLength(static_cast<int>(kStationNameSize - 1));
        field->setObjectName(QStringLiteral("station%1").arg(station));
        label->setBuddy(field);
        grid->addWidget(label, station - 1, 0);
        grid->addWidget(field, station - 1, 1);
        fields[i] = field;
    }

    cancelButton = new QPushButton(Caption(kCaptionCancel, uiLanguage), this);
    okButton = new QPushButton(Caption(kCaptionOk, uiLanguage), this);
    cancelButton->setAutoDefault(false);
    okButton->setDefault(true);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    buttons->addWidget(okButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    fields[0]->setFocus();
}

QLineEdit* CStationNameDlg::NameField(int station) const {
    if (station < 1 || station > kStations)
        return nullptr;
    return fields[static_cast<size_t>(station - 1)];
}

void CStationNameDlg::accept() {
    StationNameTable::Slots chosen = working;
    for (int slot = 1; slot <= kStationNameSlots; ++slot) {
        const auto i = static_cast<size_t>(slot - 1);
        if (slot <= kStations)
            chosen[i] = CutName(fields[i]->text());
        // Other threads read the table; an empty station name must never be
        // visible to them, not even until the caller puts the preset back.
        if (chosen[i].empty())
            chosen[i] = PresetStationName(slot);
    }
    names.SetAll(chosen);
    QDialog::accept();
}

bool DefineStationNames(const std::filesystem::path& stationFile, int uiLanguage, QWidget* parent,
                        StationNameTable& names) {
    CStationNameDlg dialog(stationFile, names, uiLanguage, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace varnet::ui
