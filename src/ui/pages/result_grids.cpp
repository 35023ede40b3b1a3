#include "ui/pages/result_grids.h"

#include "ui/grid/grid_widget.h"

#include <algorithm>

namespace varnet::ui {

void PrepareResultGrid(GridWidget& grid, const QStringList& headers, const std::vector<int>& widths, int rows,
                       int rowHeight, const QFont& font) {
    grid.ClearCells();
    grid.setFont(font);
    grid.SetGridBkColor(Qt::white);
    grid.SetColumnCount(static_cast<int>(headers.size()));
    grid.SetRowCount(rows);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(0);
    grid.SetDefaultRowHeight(rowHeight);
    for (int col = 0; col < headers.size(); ++col) {
        const int given = static_cast<size_t>(col) < widths.size() ? widths[static_cast<size_t>(col)]
                                                                   : GridWidget::kDefaultColumnWidth;
        grid.SetColumnWidth(col, std::max(given, GridWidget::ColumnWidthToShow(font, headers[col])));
        grid.SetItemText(0, col, headers[col]);
    }
    grid.setMinimumWidth(grid.WidthForAllColumns());
}

void WidenToShow(GridWidget& grid, int col, const QStringList& texts) {
    int width = grid.GetColumnWidth(col);
    for (const QString& text : texts)
        width = std::max(width, GridWidget::ColumnWidthToShow(grid.font(), text));
    grid.SetColumnWidth(col, width);
    grid.setMinimumWidth(grid.WidthForAllColumns());
}

void SetNumber(GridWidget& grid, int row, int col, long long value) {
    grid.SetItemText(row, col, QString::number(value));
}

void SetCount(GridWidget& grid, int row, int col, long long value) {
    SetNumber(grid, row, col, value);
    grid.SetItemTextColor(row, col, value != 0 ? kMarkRed : kTextBlack);
}

void MarkOverLimit(GridWidget& grid, int row, int col) {
    grid.SetItemBkColor(row, col, kMarkRed);
    grid.SetItemCrossed(row, col, true);
}

} // namespace varnet::ui
