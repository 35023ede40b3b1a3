// CRDTResultDlg: the "RDT Info" page. Shows one port's burn-in result: the
// general block, the bad blocks per CE, per die and per plane with the dies
// over their limit marked (red, crossed), and the fail list, factory bad
// blocks in black and every failure in red.
//
// Choosing a port whose drive is identified but holds no result collects
// the burn-in log first, with every bad-block limit of the port's settings file
// relaxed to "9999" so that the log is read whatever it holds; that run
// counts as a run of the port (result_page.h). The page refuses activation
// while runs lock it (kLockRdtInfoPage).
//
// The fail list of a long burn-in can hold hundreds of thousands of entries:
// its grid draws them from the page's copy as they are painted.
#pragma once

#include "ui/pages/result_page.h"

#include <memory>

namespace varnet::ui {

class GridWidget;

// The fail list into its grid: a header row, one row per entry (at least 23
// empty ones), colours by the entry's label.
void FillRdtFailList(GridWidget& grid, std::shared_ptr<const BadBlockList> list, const QFont& font);

class CRDTResultDlg : public CResultPage {
    Q_OBJECT
public:
    static constexpr int kSheetPage = 2;

    CRDTResultDlg(MainPage& page, int uiLanguage, QWidget* parent = nullptr);
    ~CRDTResultDlg() override;

    GridWidget* CeGrid() const { return ceGrid_; }
    GridWidget* DieGrid() const { return dieGrid_; }
    GridWidget* PlaneGrid() const { return planeGrid_; }
    GridWidget* FailGrid() const { return failGrid_; }
    // The time field's caption ("RDT Time:" after a burn-in), which
    // FieldValue still finds as "Time:".
    QString TimeCaption() const;

protected:
    PortStep Station() const override;
    bool ShowsRecord(const ST_PORT_RESULT&) const override { return true; }
    void ShowWaiting() override;
    void ShowSnapshot() override;

private:
    void ShowGeneral();
    void FillCeGrid();
    void FillDieGrid();
    void FillPlaneGrid();

    GridWidget* ceGrid_ = nullptr;
    GridWidget* dieGrid_ = nullptr;
    GridWidget* planeGrid_ = nullptr;
    GridWidget* failGrid_ = nullptr;
};

} // namespace varnet::ui
