// CBBTableDlg: the "Bad Block Info" page. Shows one port's bad-block scan
// result: the general figures with the spare and good blocks, the bad blocks
// per CE with the CEs over their limit marked (red, crossed), and the list of
// bad blocks, factory ones in black and grown ones in red. Only a scan's
// result (resultKind 2) is shown; any other leaves the page empty.
//
// Choosing a port whose drive is identified but holds no result runs the
// bad-block scan first, as a run of that port (result_page.h). The page
// refuses activation while runs lock it (kLockBadBlockPage).
#pragma once

#include "ui/pages/result_page.h"

#include <memory>

namespace varnet::ui {

class GridWidget;

// The bad-block list into its grid: a header row, one row per entry (at
// least 35 empty ones), the block in decimal and as "0x%04x".
void FillBadBlockList(GridWidget& grid, std::shared_ptr<const BadBlockList> list, const QFont& font);

class CBBTableDlg : public CResultPage {
    Q_OBJECT
public:
    static constexpr int kSheetPage = 3;

    CBBTableDlg(MainPage& page, int uiLanguage, QWidget* parent = nullptr);
    ~CBBTableDlg() override;

    GridWidget* CeGrid() const { return ceGrid_; }
    GridWidget* BlockGrid() const { return blockGrid_; }

protected:
    PortStep Station() const override;
    bool ShowsRecord(const ST_PORT_RESULT& record) const override;
    void ShowSnapshot() override;

private:
    void ShowGeneral();
    void FillCeGrid();

    GridWidget* ceGrid_ = nullptr;
    GridWidget* blockGrid_ = nullptr;
};

} // namespace varnet::ui
