// The grid: how a cell is resolved, sizes of fixed and scrolling cells,
// headers that stay in view, the crossed mark, and a long list filled lazily.
#include "ui/grid/grid_widget.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace varnet::ui {
namespace {

QColor PixelAt(QWidget& widget, QPoint point) {
    return widget.grab().toImage().pixelColor(point);
}

// Any pixel of the 3 x 3 square around point that is not white: a line
// through point, whichever way the painter rounded it.
bool MarkedNear(const QImage& image, QPoint point) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.pixelColor(point + QPoint(dx, dy)) != QColor(Qt::white))
                return true;
    return false;
}

void ShowAndSettle(QWidget& widget) {
    widget.show();
    QApplication::processEvents();
}

TEST(GridWidget, ResolvesDefaultsThenSourceThenSetAttributes) {
    GridWidget grid;
    grid.SetRowCount(6);
    grid.SetColumnCount(4);
    grid.SetCellSource([](int row, int col, GridCell& cell) {
        if (row < 4) {
            cell.text = QStringLiteral("s%1.%2").arg(row).arg(col);
            cell.bkColor = Qt::yellow;
            cell.textColor = Qt::red;
        }
    });
    grid.SetItemText(2, 1, QStringLiteral("set"));
    grid.SetItemBkColor(3, 3, Qt::blue);
    grid.SetItemCrossed(5, 0, true);
    grid.SetItemAlignment(5, 0, Qt::AlignLeft | Qt::AlignVCenter);

    const GridCell fromSource = grid.GetCell(1, 2);
    EXPECT_EQ(fromSource.text, "s1.2");
    EXPECT_EQ(fromSource.bkColor, QColor(Qt::yellow));
    EXPECT_EQ(fromSource.textColor, QColor(Qt::red));

    const GridCell textSet = grid.GetCell(2, 1);
    EXPECT_EQ(textSet.text, "set");
    EXPECT_EQ(textSet.bkColor, QColor(Qt::yellow)) << "setting the text keeps the source's colours";

    const GridCell colourSet = grid.GetCell(3, 3);
    EXPECT_EQ(colourSet.text, "s3.3");
    EXPECT_EQ(colourSet.bkColor, QColor(Qt::blue));

    const GridCell plain = grid.GetCell(5, 0);
    EXPECT_EQ(plain.text, "");
    EXPECT_EQ(plain.bkColor, QColor(Qt::white));
    EXPECT_EQ(plain.textColor, QColor(Qt::black));
    EXPECT_TRUE(plain.crossed);
    EXPECT_EQ(plain.alignment, Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(grid.GetCell(4, 0).alignment, Qt::AlignCenter);

    grid.SetCellSource({});
    EXPECT_EQ(grid.GetCell(1, 2).text, "");
    EXPECT_EQ(grid.GetCell(2, 1).text, "set");
    grid.ClearCells();
    EXPECT_EQ(grid.GetCell(2, 1).text, "");
    EXPECT_FALSE(grid.GetCell(5, 0).crossed);
}

TEST(GridWidget, CellsOutsideTheGridAreNeitherKeptNorRevived) {
    GridWidget grid;
    grid.SetRowCount(10);
    grid.SetColumnCount(3);
    grid.SetItemText(8, 2, QStringLiteral("old"));
    grid.SetItemText(12, 0, QStringLiteral("ignored"));
    grid.SetItemText(0, -1, QStringLiteral("ignored"));
    grid.SetColumnWidth(7, 99);
    grid.SetRowHeight(-3, 99);

    grid.SetRowCount(5);
    grid.SetRowCount(20);
    EXPECT_EQ(grid.GetCell(8, 2).text, "") << "a shrunk grid must not show old cells when it grows again";
    EXPECT_EQ(grid.GetCell(12, 0).text, "");
    grid.SetColumnCount(8);
    EXPECT_EQ(grid.GetColumnWidth(7), GridWidget::kDefaultColumnWidth);
}

// The pages set sizes and fixed counts in either order; the fixed cells are
// drawn by the headers and the rest by the table, so both must end up with
// the same sizes.
TEST(GridWidget, FixedAndScrollingCellsGetTheirSizesWhateverTheOrder) {
    for (const bool fixedCountsFirst : {true, false}) {
        SCOPED_TRACE(fixedCountsFirst ? "fixed counts first" : "sizes first");
        GridWidget grid;
        grid.resize(400, 300);
        grid.SetRowCount(6);
        grid.SetColumnCount(4);
        const auto setFixed = [&] {
            grid.SetFixedRowCount(1);
            grid.SetFixedColumnCount(1);
        };
        if (fixedCountsFirst)
            setFixed();
        grid.SetDefaultRowHeight(14);
        grid.SetColumnWidth(0, 50);
        grid.SetColumnWidth(1, 30);
        grid.SetColumnWidth(2, 70);
        grid.SetRowHeight(0, 25);
        grid.SetRowHeight(2, 18);
        if (!fixedCountsFirst)
            setFixed();
        ShowAndSettle(grid);

        EXPECT_EQ(grid.CellRect(0, 0).size(), QSize(50, 25));
        EXPECT_EQ(grid.CellRect(0, 2).size(), QSize(70, 25));
        EXPECT_EQ(grid.CellRect(1, 0).size(), QSize(50, 14));
        EXPECT_EQ(grid.CellRect(2, 1).size(), QSize(30, 18));
        EXPECT_EQ(grid.CellRect(1, 3).size(), QSize(GridWidget::kDefaultColumnWidth, 14));
        // Cells line up across the header edge: the first scrolling row
        // starts where the fixed row ends, and so do the columns.
        EXPECT_EQ(grid.CellRect(1, 1).top(), grid.CellRect(0, 1).bottom() + 1);
        EXPECT_EQ(grid.CellRect(1, 1).left(), grid.CellRect(1, 0).right() + 1);
        EXPECT_EQ(grid.CellRect(0, 1).left(), grid.CellRect(1, 1).left());
    }
}

TEST(GridWidget, FixedRowsAndColumnsStayInViewWhileTheRestScrolls) {
    GridWidget grid;
    grid.resize(300, 200);
    grid.SetRowCount(1000);
    grid.SetColumnCount(30);
    grid.SetFixedRowCount(2);
    grid.SetFixedColumnCount(1);
    grid.SetCellSource([](int row, int col, GridCell& cell) {
        if (row < 2 && col < 1)
            cell.bkColor = Qt::green;
        else if (row < 2)
            cell.bkColor = Qt::red;
        else if (col < 1)
            cell.bkColor = Qt::blue;
    });
    ShowAndSettle(grid);
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
    QApplication::processEvents();

    EXPECT_TRUE(grid.CellRect(5, 5).isEmpty()) << "the grid did not scroll";
    const struct {
        int row, col;
        QColor color;
    } cases[] = {
        {0, 0, Qt::green}, {1, 0, Qt::green}, {0, 29, Qt::red}, {1, 29, Qt::red}, {999, 0, Qt::blue}};
    for (const auto& c : cases) {
        const QRect rect = grid.CellRect(c.row, c.col);
        ASSERT_FALSE(rect.isEmpty()) << c.row << "," << c.col;
        EXPECT_EQ(PixelAt(grid, rect.center()), c.color) << c.row << "," << c.col;
    }
    EXPECT_TRUE(grid.CellRect(0, 3).isEmpty()) << "fixed rows scroll sideways with their columns";
}

TEST(GridWidget, CrossedMarkIsDrawnInFixedAndScrollingCells) {
    GridWidget grid;
    grid.resize(300, 200);
    grid.SetRowCount(4);
    grid.SetColumnCount(4);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(1);
    for (int col = 0; col < 4; ++col)
        grid.SetColumnWidth(col, 41);
    grid.SetDefaultRowHeight(21);
    grid.SetItemCrossed(0, 2, true);
    grid.SetItemCrossed(2, 2, true);
    grid.SetItemCrossed(2, 0, true);
    ShowAndSettle(grid);

    const QImage image = grid.grab().toImage();
    for (const auto& [row, col] : {std::pair{0, 2}, {2, 2}, {2, 0}}) {
        const QRect cell = grid.CellRect(row, col);
        // The two diagonals meet in the middle of the cell.
        EXPECT_TRUE(MarkedNear(image, cell.center())) << row << "," << col;
    }
    EXPECT_FALSE(MarkedNear(image, grid.CellRect(2, 1).center()));
    EXPECT_FALSE(MarkedNear(image, grid.CellRect(0, 1).center()));
}

TEST(GridWidget, LongListIsFilledLazilyFromItsSource) {
    constexpr int kRows = 200000;
    constexpr int kCols = 12;
    GridWidget grid;
    grid.resize(600, 400);
    grid.SetRowCount(kRows);
    grid.SetColumnCount(kCols);
    grid.SetFixedRowCount(1);
    grid.SetDefaultRowHeight(14);
    long calls = 0;
    grid.SetCellSource([&calls](int row, int col, GridCell& cell) {
        ++calls;
        cell.text = QString::number(row * 100 + col);
    });
    ShowAndSettle(grid);
    grid.scrollToBottom();
    QApplication::processEvents();
    grid.grab();

    EXPECT_GT(calls, 0);
    EXPECT_LT(calls, 20000) << "the source is asked for every cell, not just the painted ones";
    EXPECT_FALSE(grid.CellRect(kRows - 1, 3).isEmpty());
    EXPECT_EQ(grid.GetCell(kRows - 1, 3).text, QString::number((kRows - 1) * 100 + 3));
    EXPECT_EQ(grid.GetRowHeight(kRows - 1), 14);
}

} // namespace
} // namespace varnet::ui
