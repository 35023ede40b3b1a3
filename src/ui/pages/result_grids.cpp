#include "ui/pages/result_grids.h"

#include "ui/grid/grid_widget.h"

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
        if (static_cast<size_t>(col) < widths.size())
            grid.SetColumnWidth(col, widths[static_cast<size_t>(col)]);
        grid.SetItemText(0, col, headers[col]);
    }
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
