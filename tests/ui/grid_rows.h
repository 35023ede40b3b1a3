// A result grid's contents as the tests compare them: each row below the
// header as "cell|cell|...", up to the first empty row.
#pragma once

#include "ui/grid/grid_widget.h"

#include <QLatin1Char>
#include <QString>
#include <QStringList>

#include <vector>

namespace varnet::test {

inline std::vector<QString> GridRows(ui::GridWidget* grid) {
    std::vector<QString> rows;
    for (int row = 1; row < grid->GetRowCount(); ++row) {
        QStringList cells;
        for (int col = 0; col < grid->GetColumnCount(); ++col)
            cells << grid->GetCell(row, col).text;
        if (cells.join(QString()).isEmpty())
            break;
        rows.push_back(cells.join(QLatin1Char('|')));
    }
    return rows;
}

} // namespace varnet::test
