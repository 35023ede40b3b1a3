#include "ui/grid/grid_widget.h"

#include "ui/grid/grid_model.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>

namespace varnet::ui {
namespace {

constexpr int kTextMargin = 2;

void PaintGridCell(QPainter& painter, const QRect& rect, const GridCell& cell, const QFont& defaultFont) {
    painter.save();
    painter.setClipRect(rect);
    painter.fillRect(rect, cell.bkColor);
    if (!cell.text.isEmpty()) {
        const QFont font = cell.font.value_or(defaultFont);
        painter.setFont(font);
        painter.setPen(cell.textColor);
        const QRect textRect = rect.adjusted(kTextMargin, 0, -kTextMargin, 0);
        const QString shown =
            QFontMetrics(font).elidedText(cell.text, Qt::ElideRight, std::max(0, textRect.width()));
        painter.drawText(textRect, static_cast<int>(cell.alignment) | Qt::TextSingleLine, shown);
    }
    if (cell.crossed) {
        painter.setPen(QPen(cell.textColor, 1));
        painter.drawLine(rect.topLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomLeft());
    }
    painter.restore();
}

// Right and bottom lines of a cell, drawn inside its rectangle as the table
// draws its own grid, so fixed and scrolling cells line up.
void PaintGridLines(QPainter& painter, const QRect& rect, QColor color) {
    painter.save();
    painter.setPen(color);
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.restore();
}

QRect InsideGridLines(const QRect& rect) {
    return rect.adjusted(0, 0, -1, -1);
}

} // namespace

// Draws the cells of the scrolling part, asking the model once per cell.
class GridDelegate : public QStyledItemDelegate {
public:
    GridDelegate(const GridModel& source, QObject* parent) : QStyledItemDelegate(parent), model(source) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        PaintGridCell(*painter, option.rect,
                      model.Resolve(index.row() + model.FixedRows(), index.column() + model.FixedCols()),
                      option.font);
    }

private:
    const GridModel& model;
};

// The fixed rows (top header: one section per scrolling column, its fixed
// cells stacked) or the fixed columns (left header: one section per scrolling
// row, its fixed cells side by side). The header view keeps them in place
// and scrolls them along the other axis with the table.
class GridHeader : public QHeaderView {
public:
    GridHeader(Qt::Orientation orientation, const GridModel& source, GridWidget* owner)
        : QHeaderView(orientation, owner), model(source), grid(owner) {
        setSectionsClickable(false);
        setHighlightSections(false);
        setMinimumSectionSize(0);
        setSectionResizeMode(QHeaderView::Fixed);
    }

    // The header's thickness: the fixed rows' heights or the fixed columns'
    // widths together.
    int Thickness() const {
        int total = 0;
        if (orientation() == Qt::Horizontal) {
            for (int row = 0; row < model.FixedRows(); ++row)
                total += model.RowHeight(row);
        } else {
            for (int col = 0; col < model.FixedCols(); ++col)
                total += model.ColumnWidth(col);
        }
        return total;
    }

    QSize sizeHint() const override {
        return orientation() == Qt::Horizontal ? QSize(length(), Thickness()) : QSize(Thickness(), length());
    }

    // Where fixed cell number `fixedIndex` of a section lies inside the
    // section's rectangle.
    QRect FixedCellRect(const QRect& section, int fixedIndex) const {
        int offset = 0;
        if (orientation() == Qt::Horizontal) {
            for (int row = 0; row < fixedIndex; ++row)
                offset += model.RowHeight(row);
            return QRect(section.x(), section.y() + offset, section.width(), model.RowHeight(fixedIndex));
        }
        for (int col = 0; col < fixedIndex; ++col)
            offset += model.ColumnWidth(col);
        return QRect(section.x() + offset, section.y(), model.ColumnWidth(fixedIndex), section.height());
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        const QColor lineColor = grid->GridLineColor();
        const bool top = orientation() == Qt::Horizontal;
        const int fixedCount = top ? model.FixedRows() : model.FixedCols();
        for (int i = 0; i < fixedCount; ++i) {
            const QRect cellRect = FixedCellRect(rect, i);
            const int row = top ? i : logicalIndex + model.FixedRows();
            const int col = top ? logicalIndex + model.FixedCols() : i;
            PaintGridCell(*painter, InsideGridLines(cellRect), model.Resolve(row, col), grid->font());
            PaintGridLines(*painter, cellRect, lineColor);
        }
    }

    QSize sectionSizeFromContents(int) const override { return QSize(0, 0); }

private:
    const GridModel& model;
    GridWidget* grid;
};

// Where the fixed rows meet the fixed columns; never scrolls.
class GridCorner : public QWidget {
public:
    GridCorner(const GridModel& source, GridWidget* owner) : QWidget(owner), model(source), grid(owner) {}

    QRect FixedCellRect(int row, int col) const {
        int x = 0;
        int y = 0;
        for (int c = 0; c < col; ++c)
            x += model.ColumnWidth(c);
        for (int r = 0; r < row; ++r)
            y += model.RowHeight(r);
        return QRect(x, y, model.ColumnWidth(col), model.RowHeight(row));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor lineColor = grid->GridLineColor();
        for (int row = 0; row < model.FixedRows(); ++row)
            for (int col = 0; col < model.FixedCols(); ++col) {
                const QRect cellRect = FixedCellRect(row, col);
                PaintGridCell(painter, InsideGridLines(cellRect), model.Resolve(row, col), grid->font());
                PaintGridLines(painter, cellRect, lineColor);
            }
    }

private:
    const GridModel& model;
    GridWidget* grid;
};

GridWidget::GridWidget(QWidget* parent)
    : QTableView(parent), gridModel(new GridModel(this)),
      topHeader(new GridHeader(Qt::Horizontal, *gridModel, this)),
      leftHeader(new GridHeader(Qt::Vertical, *gridModel, this)), corner(new GridCorner(*gridModel, this)) {
    setHorizontalHeader(topHeader);
    setVerticalHeader(leftHeader);
    setModel(gridModel);
    setItemDelegate(new GridDelegate(*gridModel, this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    gridModel->onFixedCellChanged = [this] {
        topHeader->viewport()->update();
        leftHeader->viewport()->update();
        corner->update();
    };
    ApplyStructure();
}

GridWidget::~GridWidget() = default;

QColor GridWidget::GridLineColor() const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
}

void GridWidget::SetRowCount(int rows) {
    gridModel->SetCounts(rows, gridModel->Cols(), gridModel->FixedRowsSet(), gridModel->FixedColsSet());
    ApplyStructure();
}

void GridWidget::SetColumnCount(int cols) {
    gridModel->SetCounts(gridModel->Rows(), cols, gridModel->FixedRowsSet(), gridModel->FixedColsSet());
    ApplyStructure();
}

void GridWidget::SetFixedRowCount(int rows) {
    gridModel->SetCounts(gridModel->Rows(), gridModel->Cols(), rows, gridModel->FixedColsSet());
    ApplyStructure();
}

void GridWidget::SetFixedColumnCount(int cols) {
    gridModel->SetCounts(gridModel->Rows(), gridModel->Cols(), gridModel->FixedRowsSet(), cols);
    ApplyStructure();
}

int GridWidget::GetRowCount() const {
    return gridModel->Rows();
}
int GridWidget::GetColumnCount() const {
    return gridModel->Cols();
}
int GridWidget::GetFixedRowCount() const {
    return gridModel->FixedRows();
}
int GridWidget::GetFixedColumnCount() const {
    return gridModel->FixedCols();
}

// After a model reset the headers come back with every section at the
// default size: the sizes kept in the model are handed to them again. Only
// the heights apart from the default are, so a long grid costs no per-row work.
void GridWidget::ApplyStructure() {
    const int fixedRows = gridModel->FixedRows();
    const int fixedCols = gridModel->FixedCols();
    for (int col = fixedCols; col < gridModel->Cols(); ++col)
        topHeader->resizeSection(col - fixedCols, gridModel->ColumnWidth(col));
    leftHeader->setDefaultSectionSize(gridModel->DefaultRowHeight());
    for (auto it = gridModel->RowHeights().lower_bound(fixedRows);
         it != gridModel->RowHeights().end() && it->first < gridModel->Rows(); ++it)
        leftHeader->resizeSection(it->first - fixedRows, it->second);
    UpdateHeaders();
}

void GridWidget::UpdateHeaders() {
    topHeader->setVisible(gridModel->FixedRows() > 0);
    leftHeader->setVisible(gridModel->FixedCols() > 0);
    updateGeometries();
    topHeader->viewport()->update();
    leftHeader->viewport()->update();
    corner->update();
}

void GridWidget::updateGeometries() {
    QTableView::updateGeometries();
    const bool shown = gridModel->FixedRows() > 0 && gridModel->FixedCols() > 0;
    corner->setVisible(shown);
    if (shown) {
        corner->setGeometry(leftHeader->geometry().x(), topHeader->geometry().y(), leftHeader->width(),
                            topHeader->height());
        corner->raise();
    }
}

void GridWidget::SetColumnWidth(int col, int px) {
    if (col < 0 || col >= gridModel->Cols() || px < 0)
        return;
    gridModel->SetColumnWidth(col, px);
    if (col >= gridModel->FixedCols())
        topHeader->resizeSection(col - gridModel->FixedCols(), px);
    else
        UpdateHeaders();
}

void GridWidget::SetRowHeight(int row, int px) {
    if (row < 0 || row >= gridModel->Rows() || px < 0)
        return;
    gridModel->SetRowHeight(row, px);
    if (row >= gridModel->FixedRows())
        leftHeader->resizeSection(row - gridModel->FixedRows(), px);
    else
        UpdateHeaders();
}

void GridWidget::SetDefaultRowHeight(int px) {
    if (px < 0)
        return;
    gridModel->SetDefaultRowHeight(px);
    ApplyStructure();
}

int GridWidget::ColumnWidthToShow(const QFont& font, const QString& text) {
    // The elision that painting applies measures in fractions of a pixel.
    const auto advance = static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
    return advance + 2 * kTextMargin + 1;
}

int GridWidget::WidthForAllColumns() const {
    int columns = 0;
    for (int col = 0; col < gridModel->Cols(); ++col)
        columns += gridModel->ColumnWidth(col);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    return columns + 2 * frameWidth() + scrollBar;
}

int GridWidget::GetColumnWidth(int col) const {
    return gridModel->ColumnWidth(col);
}
int GridWidget::GetRowHeight(int row) const {
    return gridModel->RowHeight(row);
}

void GridWidget::SetItemText(int row, int col, const QString& text) {
    gridModel->ChangeCell(row, col, [&](GridModel::CellOverride& cell) { cell.text = text; });
}

void GridWidget::SetItemAlignment(int row, int col, Qt::Alignment alignment) {
    gridModel->ChangeCell(row, col, [&](GridModel::CellOverride& cell) { cell.alignment = alignment; });
}

void GridWidget::SetItemBkColor(int row, int col, QColor color) {
    gridModel->ChangeCell(row, col, [&](GridModel::CellOverride& cell) { cell.bkColor = color; });
}

void GridWidget::SetItemTextColor(int row, int col, QColor color) {
    gridModel->ChangeCell(row, col, [&](GridModel::CellOverride& cell) { cell.textColor = color; });
}

void GridWidget::SetItemFont(int row, int col, const QFont& font) {
    gridModel->ChangeCell(row, col, [&](GridModel::CellOverride& cell) { cell.font = font; });
}

void GridWidget::SetItemCrossed(int row, int col, bool crossed) {
    gridModel->ChangeCell(row, col, [&](GridModel::CellOverride& cell) { cell.crossed = crossed; });
}

void GridWidget::SetCellSource(GridCellSource source) {
    gridModel->SetSource(std::move(source));
}

void GridWidget::SetGridBkColor(QColor color) {
    gridModel->SetGridBkColor(color);
    viewport()->update();
    gridModel->onFixedCellChanged();
}

void GridWidget::ClearCells() {
    gridModel->ClearCells();
}

GridCell GridWidget::GetCell(int row, int col) const {
    return gridModel->Resolve(row, col);
}

QRect GridWidget::CellRect(int row, int col) const {
    const int fixedRows = gridModel->FixedRows();
    const int fixedCols = gridModel->FixedCols();
    if (row < 0 || col < 0 || row >= gridModel->Rows() || col >= gridModel->Cols())
        return {};
    QRect rect;
    QWidget* on = nullptr;
    if (row < fixedRows && col < fixedCols) {
        rect = corner->FixedCellRect(row, col);
        on = corner;
    } else if (row < fixedRows) {
        const int section = col - fixedCols;
        rect = topHeader->FixedCellRect(QRect(topHeader->sectionViewportPosition(section), 0,
                                              topHeader->sectionSize(section), topHeader->height()),
                                        row);
        on = topHeader->viewport();
    } else if (col < fixedCols) {
        const int section = row - fixedRows;
        rect = leftHeader->FixedCellRect(QRect(0, leftHeader->sectionViewportPosition(section),
                                               leftHeader->width(), leftHeader->sectionSize(section)),
                                         col);
        on = leftHeader->viewport();
    } else {
        // The whole section, grid line included, as the headers measure it.
        rect = QRect(columnViewportPosition(col - fixedCols), rowViewportPosition(row - fixedRows),
                     columnWidth(col - fixedCols), rowHeight(row - fixedRows));
        on = viewport();
    }
    rect = rect.intersected(on->rect());
    if (rect.isEmpty() || !on->isVisible())
        return {};
    return QRect(on->mapTo(this, rect.topLeft()), rect.size());
}

} // namespace varnet::ui
