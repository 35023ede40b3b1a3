#include "ui/dialogs/detail_info_dialog.h"

#include "ui/grid/grid_widget.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace varnet::ui {
namespace {

constexpr int kIdBytes = 8;
constexpr int kCeColumnWidth = 50;
constexpr int kByteColumnWidth = 30;
constexpr int kRowHeight = 20;
constexpr int kGridWidth = 294;
constexpr int kGridHeight = 164;

const QColor kCeNameColor(208, 208, 208);
const QColor kEmptySlotColor(255, 255, 255);
const QColor kSameBytesColor(255, 255, 231);
const QColor kChipColor(255, 255, 208);

// Bytes 0 and 1 alike at 0x00 or 0xFF: the library found no chip there. A
// pair of equal other bytes still shows, on its own shade, so that a strange
// read stands out instead of vanishing.
bool IsEmptySlot(const std::array<uint8_t, 8>& id) {
    return (id[0] == 0x00 && id[1] == 0x00) || (id[0] == 0xFF && id[1] == 0xFF);
}

void FillChannel(GridWidget& grid, const ST_PORT_RESULT& record, int channel) {
    grid.SetRowCount(CDetailInfoDlg::kCePerChannel);
    grid.SetColumnCount(1 + kIdBytes);
    grid.SetFixedRowCount(0);
    grid.SetFixedColumnCount(1);
    grid.SetGridBkColor(Qt::white);
    grid.SetDefaultRowHeight(kRowHeight);
    grid.SetColumnWidth(0, kCeColumnWidth);
    for (int col = 1; col <= kIdBytes; ++col)
        grid.SetColumnWidth(col, kByteColumnWidth);

    for (int row = 0; row < CDetailInfoDlg::kCePerChannel; ++row) {
        const int ce = channel * CDetailInfoDlg::kCePerChannel + row;
        grid.SetItemText(row, 0, QStringLiteral("CE %1").arg(ce));
        grid.SetItemBkColor(row, 0, kCeNameColor);
        const auto& id = record.flashId[static_cast<size_t>(ce)];
        const bool empty = IsEmptySlot(id);
        const QColor shade = empty ? kEmptySlotColor : id[0] == id[1] ? kSameBytesColor : kChipColor;
        for (int b = 0; b < kIdBytes; ++b) {
            const QString text =
                empty
                    ? QStringLiteral("FF")
                    : QStringLiteral("%1").arg(id[static_cast<size_t>(b)], 2, 16, QLatin1Char('0')).toUpper();
            grid.SetItemText(row, 1 + b, text);
            grid.SetItemBkColor(row, 1 + b, shade);
        }
    }
}

} // namespace

// uiLanguage: the channel labels and the IDs read the same in every language.
CDetailInfoDlg::CDetailInfoDlg(const ST_PORT_RESULT& record, const QString& title, int /*uiLanguage*/,
                               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    auto* layout = new QGridLayout(this);
    for (int channel = 0; channel < kChannels; ++channel) {
        auto* grid = new GridWidget(this);
        grid->setObjectName(QStringLiteral("channel%1").arg(channel));
        FillChannel(*grid, record, channel);
        grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setFixedSize(kGridWidth, kGridHeight);
        grids[static_cast<size_t>(channel)] = grid;

        auto* box = new QVBoxLayout;
        box->addWidget(new QLabel(QStringLiteral("Channel %1").arg(channel), this));
        box->addWidget(grid);
        layout->addLayout(box, channel / 2, channel % 2);
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace varnet::ui
