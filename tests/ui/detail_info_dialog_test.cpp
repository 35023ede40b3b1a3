// The flash-ID detail dialog: which cell shows which byte in which shade,
// and the four grids' shape and arrangement.
#include "ui/dialogs/detail_info_dialog.h"

#include "ui/grid/grid_widget.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <vector>

namespace varnet::ui {
namespace {

using FlashId = std::array<uint8_t, 8>;

struct SlotCase {
    const char* name;
    int ce;
    FlashId id;
    std::vector<const char*> shown; // the eight cells
    QColor shade;
};

const QColor kWhite(255, 255, 255);
const QColor kSameBytes(255, 255, 231);
const QColor kChip(255, 255, 208);

const SlotCase kSlots[] = {
    {"NoChipZeros",
     0,
     {0x00, 0x00, 0x12, 0x34, 0, 0, 0, 0},
     {"FF", "FF", "FF", "FF", "FF", "FF", "FF", "FF"},
     kWhite},
    {"NoChipOnes",
     9,
     {0xFF, 0xFF, 0x12, 0, 0, 0, 0, 0},
     {"FF", "FF", "FF", "FF", "FF", "FF", "FF", "FF"},
     kWhite},
    {"EqualBytesStillShown",
     18,
     {0x2C, 0x2C, 0x01, 0xA0, 0, 0, 0, 0},
     {"2C", "2C", "01", "A0", "00", "00", "00", "00"},
     kSameBytes},
    {"Chip",
     31,
     {0x2C, 0x84, 0x64, 0x54, 0xA9, 0x00, 0x0F, 0xF0},
     {"2C", "84", "64", "54", "A9", "00", "0F", "F0"},
     kChip},
    {"ZeroThenFFIsNotEmpty",
     5,
     {0x00, 0xFF, 0, 0, 0, 0, 0, 0},
     {"00", "FF", "00", "00", "00", "00", "00", "00"},
     kChip},
};

ST_PORT_RESULT RecordWithSlots() {
    ST_PORT_RESULT record{};
    for (const SlotCase& slot : kSlots)
        record.flashId[static_cast<size_t>(slot.ce)] = slot.id;
    return record;
}

TEST(DetailInfoDialog, EachCeSlotShowsItsBytesInItsChannelAndRow) {
    ST_PORT_RESULT record = RecordWithSlots();
    CDetailInfoDlg dialog(record, QStringLiteral("All Flash ID (Port 7):"), 0);
    record.flashId[31] = {}; // the dialog holds what it was given

    EXPECT_EQ(dialog.windowTitle(), "All Flash ID (Port 7):");
    for (const SlotCase& slot : kSlots) {
        SCOPED_TRACE(slot.name);
        const GridWidget& grid = *dialog.ChannelGrid(slot.ce / 8);
        const int row = slot.ce % 8;
        for (int b = 0; b < 8; ++b) {
            const GridCell cell = grid.GetCell(row, 1 + b);
            EXPECT_EQ(cell.text, slot.shown[static_cast<size_t>(b)]) << "byte " << b;
            EXPECT_EQ(cell.bkColor, slot.shade) << "byte " << b;
        }
    }
    for (int ce = 0; ce < 32; ++ce) {
        const GridCell name = dialog.ChannelGrid(ce / 8)->GetCell(ce % 8, 0);
        EXPECT_EQ(name.text, QStringLiteral("CE %1").arg(ce));
        EXPECT_EQ(name.bkColor, QColor(208, 208, 208));
    }
}

TEST(DetailInfoDialog, FourChannelGridsTwoByTwoShowEveryCellWithoutScrolling) {
    CDetailInfoDlg dialog(RecordWithSlots(), QStringLiteral("t"), 1);
    dialog.show();
    QApplication::processEvents();

    for (int channel = 0; channel < CDetailInfoDlg::kChannels; ++channel) {
        SCOPED_TRACE(channel);
        GridWidget& grid = *dialog.ChannelGrid(channel);
        EXPECT_EQ(grid.GetRowCount(), 8);
        EXPECT_EQ(grid.GetColumnCount(), 9);
        EXPECT_EQ(grid.GetFixedRowCount(), 0);
        EXPECT_EQ(grid.GetFixedColumnCount(), 1);
        EXPECT_EQ(grid.size(), QSize(294, 164));
        EXPECT_EQ(grid.CellRect(0, 0).size(), QSize(50, 20));
        EXPECT_EQ(grid.CellRect(7, 8).size(), QSize(30, 20)) << "the last cell must be wholly in view";

        QLabel* caption = nullptr;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            if (label->text() == QStringLiteral("Channel %1").arg(channel))
                caption = label;
        ASSERT_NE(caption, nullptr);
        EXPECT_LT(caption->geometry().bottom(), grid.geometry().top());
        EXPECT_LT(std::abs(caption->geometry().left() - grid.geometry().left()), 10);
    }
    const auto at = [&](int channel) { return dialog.ChannelGrid(channel)->geometry(); };
    EXPECT_EQ(at(1).top(), at(0).top());
    EXPECT_GT(at(1).left(), at(0).right());
    EXPECT_EQ(at(2).left(), at(0).left());
    EXPECT_GT(at(2).top(), at(0).bottom());
    EXPECT_EQ(at(3).top(), at(2).top());
    EXPECT_EQ(at(3).left(), at(1).left());
}

} // namespace
} // namespace varnet::ui
