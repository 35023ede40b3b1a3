#include "ui/grid/grid_model.h"

#include <algorithm>
#include <iterator>

namespace varnet::ui {

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::SetCounts(int newRows, int newCols, int newFixedRows, int newFixedCols) {
    beginResetModel();
    rows = std::max(0, newRows);
    cols = std::max(0, newCols);
    fixedRows = std::max(0, newFixedRows);
    fixedCols = std::max(0, newFixedCols);
    DropCellsOutside();
    endResetModel();
}

void GridModel::DropCellsOutside() {
    std::erase_if(cells, [this](const auto& entry) {
        const int row = static_cast<int>(entry.first >> 32);
        const int col = static_cast<int>(entry.first & 0xFFFFFFFFu);
        return row >= rows || col >= cols;
    });
}

void GridModel::SetColumnWidth(int col, int px) {
    if (col < 0 || px < 0)
        return;
    if (px == GridWidget::kDefaultColumnWidth)
        columnWidths.erase(col);
    else
        columnWidths[col] = px;
}

void GridModel::SetRowHeight(int row, int px) {
    if (row < 0 || px < 0)
        return;
    // Only heights apart from the default are kept, so sizing every one of
    // a long list's rows alike costs no memory.
    if (px == defaultRowHeight)
        rowHeights.erase(row);
    else
        rowHeights[row] = px;
}

void GridModel::SetDefaultRowHeight(int px) {
    if (px < 0)
        return;
    defaultRowHeight = px;
    std::erase_if(rowHeights, [px](const auto& entry) { return entry.second == px; });
}

int GridModel::ColumnWidth(int col) const {
    const auto found = columnWidths.find(col);
    return found == columnWidths.end() ? GridWidget::kDefaultColumnWidth : found->second;
}

int GridModel::RowHeight(int row) const {
    const auto found = rowHeights.find(row);
    return found == rowHeights.end() ? defaultRowHeight : found->second;
}

bool GridModel::ChangeCell(int row, int col, const std::function<void(CellOverride&)>& change) {
    if (row < 0 || col < 0 || row >= rows || col >= cols)
        return false;
    change(cells[Key(row, col)]);
    const int fr = FixedRows();
    const int fc = FixedCols();
    if (row < fr || col < fc) {
        if (onFixedCellChanged)
            onFixedCellChanged();
    } else {
        const QModelIndex at = index(row - fr, col - fc);
        emit dataChanged(at, at);
    }
    return true;
}

void GridModel::SetSource(GridCellSource cellSource) {
    source = std::move(cellSource);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    if (onFixedCellChanged)
        onFixedCellChanged();
}

void GridModel::ClearCells() {
    cells.clear();
    SetSource({});
}

GridCell GridModel::Resolve(int row, int col) const {
    GridCell cell;
    if (row < 0 || col < 0 || row >= rows || col >= cols) {
        cell.bkColor = gridBkColor;
        cell.textColor = Qt::black;
        return cell;
    }
    if (source)
        source(row, col, cell);
    if (const auto found = cells.find(Key(row, col)); found != cells.end()) {
        const CellOverride& set = found->second;
        if (set.text)
            cell.text = *set.text;
        if (set.alignment)
            cell.alignment = *set.alignment;
        if (set.bkColor)
            cell.bkColor = *set.bkColor;
        if (set.textColor)
            cell.textColor = *set.textColor;
        if (set.font)
            cell.font = *set.font;
        if (set.crossed)
            cell.crossed = *set.crossed;
    }
    if (!cell.bkColor.isValid())
        cell.bkColor = gridBkColor;
    if (!cell.textColor.isValid())
        cell.textColor = Qt::black;
    return cell;
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows - FixedRows();
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols - FixedCols();
}

QVariant GridModel::data(const QModelIndex& at, int role) const {
    if (!at.isValid())
        return {};
    const GridCell cell = Resolve(at.row() + FixedRows(), at.column() + FixedCols());
    switch (role) {
    case Qt::DisplayRole:
        return cell.text;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(cell.alignment);
    case Qt::BackgroundRole:
        return cell.bkColor;
    case Qt::ForegroundRole:
        return cell.textColor;
    case Qt::FontRole:
        return cell.font ? QVariant(*cell.font) : QVariant();
    case kCrossedRole:
        return cell.crossed;
    default:
        return {};
    }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& at) const {
    return at.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

} // namespace varnet::ui
