// The table the result pages and the flash-ID dialog draw their data in: a
// grid of rows and columns whose leading rows and columns are fixed headers
// that stay in view while the rest scrolls, with per-cell text, alignment,
// background, text colour, font and a crossed mark (both diagonals).
//
// Cells are addressed (row, column) from 0 over the whole grid, fixed cells
// included. A cell's look is resolved in three layers: the grid's defaults
// (empty text, centred on one line with an ellipsis when it does not fit, the
// grid background, black text, the widget's font, not crossed), then the cell
// source if one is set, then whatever was set on that cell by the SetItem
// calls, attribute by attribute. Set cells are held sparsely; a source is
// asked only for the cells being painted, so a grid of 200 000 rows costs
// nothing per row until it is shown. Row heights kept apart from the default
// are held sparsely too: SetDefaultRowHeight sizes every row at once.
//
// Changing the row, column or fixed counts forgets set cells that fall
// outside the grid and keeps every width and height that was set. Calls out
// of range are ignored. GUI thread only, like every widget.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QTableView>

#include <functional>
#include <optional>

namespace varnet::ui {

class GridModel;
class GridHeader;
class GridCorner;

// One cell as it is drawn.
struct GridCell {
    QString text;
    Qt::Alignment alignment = Qt::AlignCenter;
    QColor bkColor;   // invalid: the grid background
    QColor textColor; // invalid: black
    std::optional<QFont> font;
    bool crossed = false;
};

// Fills the cell at (row, col), which arrives holding the grid's defaults.
// Called on the GUI thread whenever the cell is painted, so it must be cheap
// and must not change the grid.
using GridCellSource = std::function<void(int row, int col, GridCell& cell)>;

class GridWidget : public QTableView {
    Q_OBJECT
public:
    static constexpr int kDefaultColumnWidth = 64;
    static constexpr int kDefaultRowHeight = 20;

    explicit GridWidget(QWidget* parent = nullptr);
    ~GridWidget() override;

    void SetRowCount(int rows);
    void SetColumnCount(int cols);
    // Fixed counts are limited to the row and column counts when drawn.
    void SetFixedRowCount(int rows);
    void SetFixedColumnCount(int cols);
    int GetRowCount() const;
    int GetColumnCount() const;
    int GetFixedRowCount() const;
    int GetFixedColumnCount() const;

    void SetColumnWidth(int col, int px);
    void SetRowHeight(int row, int px);
    // Every row not given a height of its own, now and after a resize.
    void SetDefaultRowHeight(int px);
    int GetColumnWidth(int col) const;
    int GetRowHeight(int row) const;
    // The narrowest column that shows text whole in font: the text, its
    // margins in the cell and the grid line.
    static int ColumnWidthToShow(const QFont& font, const QString& text);
    // The widget width at which every column is shown whole, with room kept
    // for the vertical scroll bar that a long grid brings.
    int WidthForAllColumns() const;

    void SetItemText(int row, int col, const QString& text);
    void SetItemAlignment(int row, int col, Qt::Alignment alignment);
    void SetItemBkColor(int row, int col, QColor color);
    void SetItemTextColor(int row, int col, QColor color);
    void SetItemFont(int row, int col, const QFont& font);
    void SetItemCrossed(int row, int col, bool crossed);

    // The bulk fill: replaces the source (an empty function removes it) and
    // repaints. Set cells still win over it.
    void SetCellSource(GridCellSource source);
    // The background of cells without a colour of their own (white at start).
    void SetGridBkColor(QColor color);
    // Empties every cell: set attributes and the source go, sizes stay.
    void ClearCells();

    // The cell as it would be drawn now.
    GridCell GetCell(int row, int col) const;
    // Where the cell is drawn, in this widget's coordinates (fixed cells on
    // the headers); empty when it is out of range, scrolled out of view or
    // the grid is not shown.
    QRect CellRect(int row, int col) const;
    // The colour the table draws its grid lines in; the headers use it too.
    QColor GridLineColor() const;

protected:
    void updateGeometries() override;

private:
    void ApplyStructure();
    void UpdateHeaders();

    GridModel* gridModel;
    GridHeader* topHeader;
    GridHeader* leftHeader;
    GridCorner* corner;
};

} // namespace varnet::ui
