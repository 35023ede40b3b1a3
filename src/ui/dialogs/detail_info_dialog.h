// "Detail Info": the 32 flash IDs of one port as four channel grids
// ("Channel 0" to "Channel 3", two by two), one row per CE of the channel,
// the CE's name in the fixed first column and its eight ID bytes after it.
// A slot that holds no chip (first two bytes both 0x00 or both 0xFF) shows
// "FF" on white; a populated one shows its bytes on light yellow.
//
// Works on a copy of the record taken at construction, so the port may run
// on while the dialog is open. Modal use: exec(); no commands of its own.
#pragma once

#include "reports/port_result.h"

#include <QDialog>
#include <QString>

#include <array>

namespace varnet::ui {

class GridWidget;

class CDetailInfoDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kChannels = 4;
    static constexpr int kCePerChannel = 8;

    CDetailInfoDlg(const varnet::ST_PORT_RESULT& record, const QString& title, int uiLanguage,
                   QWidget* parent = nullptr);

    GridWidget* ChannelGrid(int channel) const { return grids[static_cast<size_t>(channel)]; }

private:
    std::array<GridWidget*, kChannels> grids{};
};

} // namespace varnet::ui
