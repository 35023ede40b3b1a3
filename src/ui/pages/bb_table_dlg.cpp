#include "ui/pages/bb_table_dlg.h"

#include "engine/main_page.h"
#include "platform/text.h"
#include "reports/result_rules.h"
#include "stations/station_steps.h"
#include "ui/grid/grid_widget.h"
#include "ui/pages/result_grids.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace varnet::ui {
namespace {

constexpr int kRowHeight = 14;
constexpr int kMinCeRows = 17;
constexpr int kMinBlockRows = 36;
// Rows of the bad-block list always in view, its header included.
constexpr int kMinBlockRowsShown = 10;
constexpr int kPageMargin = 6;

const char* const kFieldCaptions[] = {
    "CE Num:",       "Channel Num:", "Early Bad:",   "Later Bad:",   "Total Bad:",   "Erase Fail:",
    "Program Fail:", "Read Fail:",   "Total Spare:", "Valid Spare:", "Total Block:", "Total Good Block:",
};

// A scan report names a factory bad block "Early" (the text before the
// block number), the burn-in reader "Early Bad": both are the drive's
// factory state, not a failure.
bool IsFactoryBad(const BAD_BLOCK_INFO& entry) {
    return std::strncmp(entry.label.data(), "Early", 5) == 0;
}

long long SumCe(const PlaneCounts& counts, int ce) {
    long long sum = 0;
    for (const auto& die : counts[static_cast<size_t>(ce)])
        for (int32_t v : die)
            sum += v;
    return sum;
}

int RowsFor(long long needed, int minimum) {
    return static_cast<int>(std::max<long long>(minimum, needed + 1));
}

} // namespace

void FillBadBlockList(GridWidget& grid, std::shared_ptr<const BadBlockList> list, const QFont& font) {
    const int entries = list ? static_cast<int>(list->size()) : 0;
    PrepareResultGrid(grid, {"NO.", "Fail Type", "CH", "CE", "Plane", "Block(Dec)", "Block(Hex)"},
                      {80, 260, 80, 80, 80, 152, 154}, RowsFor(entries, kMinBlockRows), kRowHeight, font);
    if (entries == 0)
        return;
    grid.SetCellSource([list = std::move(list), entries](int row, int col, GridCell& cell) {
        if (row < 1 || row > entries)
            return;
        const BAD_BLOCK_INFO& e = (*list)[static_cast<size_t>(row - 1)];
        switch (col) {
        case 0:
            cell.text = QString::number(row);
            break;
        case 1: {
            const std::string_view label = FieldText(e.label);
            cell.text = QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
            break;
        }
        case 2:
            cell.text = QString::number(e.channel);
            break;
        case 3:
            cell.text = QString::number(e.ce);
            break;
        case 4:
            cell.text = QString::number(e.plane);
            break;
        case 5:
            cell.text = QString::number(e.block);
            break;
        case 6:
            cell.text = QString::asprintf("0x%04x", static_cast<unsigned>(e.block));
            break;
        default:
            return;
        }
        cell.textColor = col == 0 || IsFactoryBad(e) ? kTextBlack : kMarkRed;
    });
}

CBBTableDlg::CBBTableDlg(MainPage& page, int uiLanguage, QWidget* parent)
    : CResultPage(page, uiLanguage, {kLockBadBlockPage, kSheetPage, PORT_SCAN_BAD}, parent) {
    setObjectName(QStringLiteral("BadBlockTable"));
    // The bad-block list needs nearly the page's whole width: the port, the
    // progress and the general block share the top row with the per-CE grid,
    // and the list takes the page's width below them.
    auto* left = new QVBoxLayout;
    left->addLayout(PortAndProgress());
    left->addWidget(BuildGeneralInfo(kFieldCaptions, 2, 0), 1);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    layout->addLayout(left, 0, 0);
    layout->addLayout(TitledGrid("Bad Block Per CE:", ceGrid_), 0, 1);
    layout->addLayout(TitledGrid("Bad Block Table:", blockGrid_), 1, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(1, 1);
    // The top row is as high as the general block; the per-CE grid scrolls
    // within it.
    ceGrid_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    blockGrid_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    blockGrid_->setMinimumHeight(kMinBlockRowsShown * kRowHeight);

    ShowSnapshot();
}

CBBTableDlg::~CBBTableDlg() {
    StopLoads();
}

PortStep CBBTableDlg::Station() const {
    return &ScanBadStation;
}

bool CBBTableDlg::ShowsRecord(const ST_PORT_RESULT& record) const {
    return record.resultKind == kResultScanBad;
}

void CBBTableDlg::ShowSnapshot() {
    ShowGeneral();
    FillCeGrid();
    const bool hasResult = !shown_.record.stationName.empty();
    FillBadBlockList(*blockGrid_, hasResult ? shown_.list : nullptr, PageFont(0));
}

void CBBTableDlg::ShowGeneral() {
    ClearGeneralInfo();
    const ST_PORT_RESULT& r = shown_.record;
    if (r.stationName.empty())
        return;
    const auto set = [this](const char* caption, long long value) {
        GeneralField(caption)->setText(QString::number(value));
    };
    // Counted in 64 bits: the figures of a large drive must not wrap, and a
    // count of bad blocks above the block total shows as a negative figure.
    const long long totalBlocks = static_cast<long long>(r.blocksPerCE) * r.flashCount;
    set("CE Num:", r.flashCount);
    set("Channel Num:", r.channelCount);
    set("Early Bad:", r.earlyBadTotal);
    set("Later Bad:", r.laterBadTotal);
    set("Total Bad:", r.allBadTotal);
    set("Erase Fail:", r.eraseFailTotal);
    set("Program Fail:", r.programFailTotal);
    set("Read Fail:", r.readFailTotal);
    set("Total Spare:", r.maxBadTotal);
    set("Valid Spare:", r.spareTotal);
    set("Total Block:", totalBlocks);
    set("Total Good Block:", totalBlocks - r.allBadTotal);
}

void CBBTableDlg::FillCeGrid() {
    const ST_PORT_RESULT& r = shown_.record;
    const std::vector<int> ces = r.stationName.empty() ? std::vector<int>{} : ListedCes(r);
    PrepareResultGrid(
        *ceGrid_, {"CH", "CE", "Total Bad", "Early Bad", "Later Bad", "Spare Block", "Valid Spare"},
        {30, 30, 60, 60, 60, 76, 76},
        RowsFor(std::max<long long>(r.flashCount, static_cast<long long>(ces.size())), kMinCeRows),
        kRowHeight, PageFont(0));
    int row = 1;
    for (int ce : ces) {
        SetNumber(*ceGrid_, row, 0, ce / kCePerChannel);
        SetNumber(*ceGrid_, row, 1, ce);
        SetNumber(*ceGrid_, row, 2, SumCe(r.totalBad, ce));
        SetNumber(*ceGrid_, row, 3, SumCe(r.earlyBad, ce));
        SetCount(*ceGrid_, row, 4, SumCe(r.laterBad, ce));
        SetNumber(*ceGrid_, row, 5, r.maxBadPerCE);
        SetNumber(*ceGrid_, row, 6, r.sparePerCE[static_cast<size_t>(ce)]);
        if (BbCeMarked(r, ce))
            MarkOverLimit(*ceGrid_, row, 1);
        ++row;
    }
}

} // namespace varnet::ui
