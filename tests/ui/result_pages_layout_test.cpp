// The "RDT Info" and "Bad Block Info" pages in the main window at its size of
// 1040 x 678, in both languages, on a record that fills every grid past its
// height: every caption and column header is read whole, every grid shows
// all its columns without scrolling sideways, and the longest texts the
// pages are known to show fit their cells.
#include "config/station_config.h"
#include "engine/main_page.h"
#include "platform/text.h"
#include "station_fixture.h"
#include "ui/grid/grid_widget.h"
#include "ui/main/main_wnd_dlg.h"
#include "ui/main/main_wnd_sheet.h"
#include "ui/pages/bb_table_dlg.h"
#include "ui/pages/rdt_result_dlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace varnet::ui {
namespace {

using test::StationFixture;

constexpr std::array<uint8_t, 8> kChip{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x0C};
constexpr int kLoadTimeoutMs = 20000;
constexpr int kPort = 0;

// Every CE of the four channels populated with two dies, four-digit counts,
// and a list longer than any grid's height whose entries carry the widest
// labels and numbers the readers give.
void FillWorstCase(MainPage& page, const char* stationName, int resultKind) {
    page.portAction[kPort].store(PORT_DONE);
    ST_PORT_RESULT& r = page.portResult[kPort];
    r.stationName = stationName;
    r.resultKind = resultKind;
    r.badBlockLoaded = 1;
    r.testStationSel = kStationRdtResult;
    r.flashCount = 32;
    r.channelCount = 4;
    r.diePerFlash = 2;
    r.blocksPerCE = 65536;
    r.maxBadPerCE = 9999;
    r.rdtFwVersion = "VTS1A001";
    r.ispFwVersion = "VTS1A001";
    r.processTime = "102:40:00";
    for (int ce = 0; ce < 32; ++ce) {
        r.flashId[ce] = kChip;
        r.sparePerCE[ce] = -9999;
        for (int die = 0; die < 2; ++die) {
            r.laterBadPerDie[ce][die] = 4444;
            for (int plane = 0; plane < 4; ++plane) {
                r.earlyBad[ce][die][plane] = 1111;
                r.laterBad[ce][die][plane] = 1111;
                r.totalBad[ce][die][plane] = 2222;
            }
        }
    }
    BadBlockList list;
    const char* const labels[] = {"Early Bad",          "Erase Fail",          "Program Fail",
                                  "Read uncorrectable", "Read over threshold", "Read Data 00"};
    for (int i = 0; i < 120; ++i) {
        BAD_BLOCK_INFO e{};
        SetFieldText(e.label, labels[i % 6]);
        e.channel = 3;
        e.ce = 31;
        e.plane = 3;
        e.block = 65535;
        e.page = 65535;
        e.overThresholdBits = 9999;
        e.totalLoop = 99999;
        e.runLoop = 99999;
        e.runCycle = 99999;
        e.timeStamp = 2147483647;
        list.push_back(e);
    }
    page.badBlockList[kPort] = std::move(list);
}

int TextWidth(const QFont& font, const QString& text) {
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}

// Whether the text is drawn whole in the grid cell's visible part: the cell
// keeps its right grid line and 2 pixels each side of the text.
bool ReadWhole(const GridWidget& grid, int row, int col) {
    const GridCell cell = grid.GetCell(row, col);
    const QRect shown = grid.CellRect(row, col);
    return TextWidth(cell.font.value_or(grid.font()), cell.text) + 2 * 2 + 1 <= shown.width();
}

void ExpectGridReadable(const GridWidget& grid, const char* name) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(grid.verticalScrollBar()->isVisible())
        << "the record is meant to fill the grid past its height";
    EXPECT_EQ(grid.horizontalScrollBar()->maximum(), 0) << "columns beyond the grid's width";
    EXPECT_GE(grid.viewport()->height(), 3 * grid.GetRowHeight(1)) << "too low to read";
    for (int col = 0; col < grid.GetColumnCount(); ++col)
        EXPECT_TRUE(ReadWhole(grid, 0, col)) << grid.GetCell(0, col).text.toStdString();
    // Every body cell in view.
    for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); ++row) {
        if (grid.CellRect(row, 0).isEmpty())
            break;
        for (int col = 0; col < grid.GetColumnCount(); ++col)
            EXPECT_TRUE(ReadWhole(grid, row, col))
                << "row " << row << ": " << grid.GetCell(row, col).text.toStdString();
    }
}

struct Case {
    const char* name;
    int language;
    bool badBlockPage;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class ResultPagesLayout : public ::testing::TestWithParam<Case> {
protected:
    void TearDown() override { PageLockBits().store(0); }
};

TEST_P(ResultPagesLayout, EveryCaptionAndColumnIsReadWithoutScrollingSideways) {
    const Case& c = GetParam();
    StationFixture f(c.badBlockPage ? kStationScanBad : kStationRdtResult, {}, c.language);
    PageLockBits().store(0);
    f.page->portCount = 24;
    FillWorstCase(*f.page, c.badBlockPage ? "ScanBadBlock" : "03_RDTResult",
                  c.badBlockPage ? kResultScanBad : kResultRdt);

    CMainWndDlg window(c.language);
    CResultPage* page = nullptr;
    std::vector<std::pair<const GridWidget*, const char*>> grids;
    if (c.badBlockPage) {
        auto* bb = new CBBTableDlg(*f.page, c.language);
        grids = {{bb->CeGrid(), "Bad Block Per CE"}, {bb->BlockGrid(), "Bad Block Table"}};
        page = bb;
    } else {
        auto* rdt = new CRDTResultDlg(*f.page, c.language);
        grids = {{rdt->CeGrid(), "Bad Block Per CE"},
                 {rdt->DieGrid(), "Bad Block Per Die"},
                 {rdt->PlaneGrid(), "Bad Block Per Plane"},
                 {rdt->FailGrid(), "Bad Block Table"}};
        page = rdt;
    }
    const int sheetPage = c.badBlockPage ? CMainWndSheet::kBadBlockPage : CMainWndSheet::kRdtInfoPage;
    window.Sheet()->SetPage(sheetPage, page);
    window.show();
    ASSERT_EQ(window.size(), QSize(CMainWndDlg::kWidth, CMainWndDlg::kHeight));
    ASSERT_TRUE(window.Sheet()->ActivatePage(sheetPage));
    QSignalSpy loads(page, &CResultPage::LoadFinished);
    page->OnActivated();
    ASSERT_TRUE(loads.wait(kLoadTimeoutMs));
    page->SelectPort(kPort);
    ASSERT_TRUE(loads.wait(kLoadTimeoutMs));
    ASSERT_EQ(loads.last().at(0).toInt(), kPort);
    QCoreApplication::processEvents();

    // Nothing of the page lies beyond what the window gives it.
    const QSize least = page->minimumSizeHint();
    EXPECT_LE(least.width(), page->width());
    EXPECT_LE(least.height(), page->height());
    for (const QLabel* label : page->findChildren<QLabel*>())
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    for (const QGroupBox* box : page->findChildren<QGroupBox*>())
        EXPECT_GE(box->width(), box->minimumSizeHint().width()) << box->title().toStdString();
    for (const auto& [grid, name] : grids)
        ExpectGridReadable(*grid, name);
}

INSTANTIATE_TEST_SUITE_P(AtTheDefaultWindowSize, ResultPagesLayout,
                         ::testing::Values(Case{"RdtInfoEnglish", 0, false}, Case{"RdtInfoChinese", 1, false},
                                           Case{"BadBlockInfoEnglish", 0, true},
                                           Case{"BadBlockInfoChinese", 1, true}),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace varnet::ui
