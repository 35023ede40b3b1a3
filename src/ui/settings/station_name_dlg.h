// The "Define StationName" dialog: the operator's own names for the eight
// production stations, opened by the "+" beside "Test Station:".
//
// Promises:
// - The fields show the [StationName] section of the station file, except
//   where the name table already holds a name the file does not (a rename
//   made earlier and not saved yet): that one is shown, so that opening the
//   dialog again and pressing OK never undoes it.
// - OK replaces the whole table in one step: fields 1-8 (each cut to 63 bytes
//   on a whole UTF-8 character), slots 9-16 as shown above, and an emptied
//   field gets its preset name back at once, so the table never holds an
//   empty station name. Cancel, Esc and the close box change nothing.
// - The file is not written: the names reach it when the editor next saves
//   the station file.
//
// GUI thread only.
#pragma once

#include "config/station_names.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <filesystem>

namespace varnet::ui {

inline constexpr const char* kDefaultStationFile = "./Param.ini";

class CStationNameDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kStations = 8;

    CStationNameDlg(const std::filesystem::path& stationFile, StationNameTable& names, int uiLanguage,
                    QWidget* parent = nullptr);

    // The field of station 1-8; nullptr otherwise.
    QLineEdit* NameField(int station) const;
    QPushButton* OkButton() const { return okButton; }
    QPushButton* CancelButton() const { return cancelButton; }

    void accept() override;

private:
    StationNameTable& names;
    StationNameTable::Slots working;
    std::array<QLineEdit*, kStations> fields{};
    QPushButton* okButton;
    QPushButton* cancelButton;
};

// Runs the dialog modally for stationFile over the table (the process-wide
// one by default). True on OK: the table has been replaced and the caller
// rebuilds its "Test Station:" list, keeping the selected position.
bool DefineStationNames(const std::filesystem::path& stationFile, int uiLanguage, QWidget* parent,
                        StationNameTable& names = StationNames());

} // namespace varnet::ui
