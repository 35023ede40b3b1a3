// The look the result pages give their tables: a white grid with one fixed
// header row, no fixed column, the page's grid font and rows of one height;
// red marks for what is over a limit. GUI thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <vector>

namespace varnet::ui {

class GridWidget;

inline const QColor kMarkRed(255, 0, 0);
inline const QColor kTextBlack(0, 0, 0);

// Empties the grid and gives it its columns (captions and widths), `rows`
// rows of `rowHeight` pixels and the header row. A column is widened where
// its caption would not be read whole in the grid's font, and the grid is
// never narrower than its columns (result pages do not scroll sideways).
void PrepareResultGrid(GridWidget& grid, const QStringList& headers, const std::vector<int>& widths, int rows,
                       int rowHeight, const QFont& font);
// Widens the column, and the grid with it, so that each of texts (what the
// column is known to show) is read whole.
void WidenToShow(GridWidget& grid, int col, const QStringList& texts);

void SetNumber(GridWidget& grid, int row, int col, long long value);
// Red text for a count that is not 0, black otherwise.
void SetCount(GridWidget& grid, int row, int col, long long value);
// Red and crossed: the row's subject is over its limit.
void MarkOverLimit(GridWidget& grid, int row, int col);

} // namespace varnet::ui
