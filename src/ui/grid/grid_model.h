// The grid's data behind the view: the counts, the sizes given to rows and
// columns, the cells set one by one (held sparsely) and the cell source, and
// the rule that resolves a cell from them (see grid_widget.h).
//
// As a Qt model it shows only the scrolling part: model (r, c) is grid cell
// (r + fixed rows, c + fixed columns). The fixed rows and columns are drawn by
// the grid's own headers, which read them through Resolve. GUI thread only.
#pragma once

#include "ui/grid/grid_widget.h"

#include <QAbstractTableModel>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>

namespace varnet::ui {

class GridModel : public QAbstractTableModel {
public:
    static constexpr int kCrossedRole = Qt::UserRole + 1;

    explicit GridModel(QObject* parent = nullptr);

    // Structure: each resets the model (views re-read everything).
    void SetCounts(int rows, int cols, int fixedRows, int fixedCols);
    int Rows() const { return rows; }
    int Cols() const { return cols; }
    int FixedRowsSet() const { return fixedRows; }
    int FixedColsSet() const { return fixedCols; }
    // The fixed counts in effect: never more than the grid has.
    int FixedRows() const { return std::min(fixedRows, rows); }
    int FixedCols() const { return std::min(fixedCols, cols); }

    // Sizes, kept for every row and column whether fixed or not.
    void SetColumnWidth(int col, int px);
    void SetRowHeight(int row, int px);
    void SetDefaultRowHeight(int px);
    int ColumnWidth(int col) const;
    int RowHeight(int row) const;
    int DefaultRowHeight() const { return defaultRowHeight; }
    const std::map<int, int>& RowHeights() const { return rowHeights; }

    struct CellOverride {
        std::optional<QString> text;
        std::optional<Qt::Alignment> alignment;
        std::optional<QColor> bkColor;
        std::optional<QColor> textColor;
        std::optional<QFont> font;
        std::optional<bool> crossed;
    };
    // Changes the set attributes of one cell; false (nothing changed) when
    // the cell is outside the grid.
    bool ChangeCell(int row, int col, const std::function<void(CellOverride&)>& change);
    void SetSource(GridCellSource cellSource);
    void SetGridBkColor(QColor color) { gridBkColor = color; }
    QColor GridBkColor() const { return gridBkColor; }
    void ClearCells();

    // The cell as drawn, background and text colour always valid.
    GridCell Resolve(int row, int col) const;

    // Called after a fixed cell changed, so the headers can repaint it.
    std::function<void()> onFixedCellChanged;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static uint64_t Key(int row, int col) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(row)) << 32) | static_cast<uint32_t>(col);
    }
    void DropCellsOutside();

    int rows = 0;
    int cols = 0;
    int fixedRows = 0;
    int fixedCols = 0;
    int defaultRowHeight = GridWidget::kDefaultRowHeight;
    std::map<int, int> rowHeights; // only rows whose height is not the default
    std::map<int, int> columnWidths;
    std::unordered_map<uint64_t, CellOverride> cells;
    GridCellSource source;
    QColor gridBkColor = Qt::white;
};

} // namespace varnet::ui
