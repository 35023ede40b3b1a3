#include "ui/pages/rdt_result_dlg.h"

#include "config/station_config.h"
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
constexpr int kMinSummaryRows = 17;
constexpr int kMinFailRows = 24;
// Rows of the fail list always in view, its header included.
constexpr int kMinFailRowsShown = 10;
constexpr int kPageMargin = 6;

// Status and Test Station hold texts of any length; the figures pair up.
constexpr int kWideFields = 2;

const char* const kFieldCaptions[] = {
    "Status:",      "Test Station:", "ISP FW:",    "FW Version:",  "Time:",       "CE Num:",
    "Channel Num:", "Early Bad:",    "Later Bad:", "Total Bad:",   "Erase Fail:", "Program Fail:",
    "Read Fail:",   "TLC/MLC Loop:", "SLC Loop:",  "TLC/MLC ECC:", "SLC ECC:",    "Temperature:",
};

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsFactoryBad(const BAD_BLOCK_INFO& entry) {
    return std::strncmp(entry.label.data(), "Early Bad", 9) == 0;
}

// Dies a record can describe; a report may claim more than the arrays hold.
int DieCount(const ST_PORT_RESULT& r) {
    return std::clamp(r.diePerFlash, 0, kMaxDie);
}

long long SumDie(const PlaneCounts& counts, int ce, int die) {
    long long sum = 0;
    for (int32_t v : counts[static_cast<size_t>(ce)][static_cast<size_t>(die)])
        sum += v;
    return sum;
}

long long SumCe(const PlaneCounts& counts, int ce) {
    long long sum = 0;
    for (int die = 0; die < kMaxDie; ++die)
        sum += SumDie(counts, ce, die);
    return sum;
}

// Rows for the header and `needed` entries, never fewer than `minimum`; a
// record whose flash IDs list more CEs than its CE count still shows them.
int RowsFor(long long needed, int minimum) {
    return static_cast<int>(std::max<long long>(minimum, needed + 1));
}

} // namespace

void FillRdtFailList(GridWidget& grid, std::shared_ptr<const BadBlockList> list, const QFont& font) {
    static const QStringList headers = {"NO.",        "Fail Type", "CH",        "CE",
                                        "Plane",      "Block",     "Page",      "ECC",
                                        "Total Loop", "Run Loop",  "Run Cycle", "Time Stamp"};
    static const std::vector<int> widths = {60, 126, 40, 40, 60, 80, 80, 60, 80, 80, 80, 100};
    const int entries = list ? static_cast<int>(list->size()) : 0;
    PrepareResultGrid(grid, headers, widths, RowsFor(entries, kMinFailRows), kRowHeight, font);
    // The burn-in reader's longest labels.
    WidenToShow(grid, 1, {"Read over threshold", "Read uncorrectable", "Program Fail"});
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
        case 1:
            cell.text = Text(FieldText(e.label));
            break;
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
            cell.text = QString::number(e.page);
            break;
        case 7:
            cell.text = QString::number(e.overThresholdBits);
            break;
        case 8:
            cell.text = QString::number(e.totalLoop);
            break;
        case 9:
            cell.text = QString::number(e.runLoop);
            break;
        case 10:
            cell.text = QString::number(e.runCycle);
            break;
        case 11:
            cell.text = QString::number(e.timeStamp);
            break;
        default:
            return;
        }
        cell.textColor = col == 0 || IsFactoryBad(e) ? kTextBlack : kMarkRed;
    });
}

CRDTResultDlg::CRDTResultDlg(MainPage& page, int uiLanguage, QWidget* parent)
    : CResultPage(page, uiLanguage, {kLockRdtInfoPage, kSheetPage, PORT_RDT_RESULT}, parent) {
    setObjectName(QStringLiteral("RDT Result:"));
    // The fail list needs nearly the page's whole width, and so do the three
    // summary grids side by side: the port, the progress and the general
    // block share the top row with the summary grids (per CE over per die),
    // and the fail list takes the page's width below them.
    auto* left = new QVBoxLayout;
    left->addLayout(PortAndProgress());
    left->addWidget(BuildGeneralInfo(kFieldCaptions, 2, kWideFields), 1);
    auto* ceAndDie = new QVBoxLayout;
    ceAndDie->addLayout(TitledGrid("Bad Block Per CE:", ceGrid_), 1);
    ceAndDie->addLayout(TitledGrid("Bad Block Per Die:", dieGrid_), 1);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    layout->addLayout(left, 0, 0);
    layout->addLayout(ceAndDie, 0, 1);
    layout->addLayout(TitledGrid("Bad Block Per Plane:", planeGrid_), 0, 2);
    layout->addLayout(TitledGrid("Bad Block Table:", failGrid_), 1, 0, 1, 3);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(1, 1);
    // The top row is as high as the general block; the summary grids scroll
    // within it.
    for (GridWidget* grid : {ceGrid_, dieGrid_, planeGrid_})
        grid->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    failGrid_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    failGrid_->setMinimumHeight(kMinFailRowsShown * kRowHeight);

    ShowSnapshot();
    // Nothing has been asked for yet, so nothing is missing either.
    GeneralField("Status:")->clear();
}

CRDTResultDlg::~CRDTResultDlg() {
    StopLoads();
}

PortStep CRDTResultDlg::Station() const {
    return [](PortContext& context) { return RunRdtResult(context, true); };
}

QString CRDTResultDlg::TimeCaption() const {
    return GeneralLabel("Time:")->text();
}

void CRDTResultDlg::ShowWaiting() {
    GeneralField("Status:")->setText(QStringLiteral("Waiting.."));
}

void CRDTResultDlg::ShowSnapshot() {
    ShowGeneral();
    FillCeGrid();
    FillDieGrid();
    FillPlaneGrid();
    const bool hasResult = !shown_.record.stationName.empty();
    FillRdtFailList(*failGrid_, hasResult ? shown_.list : nullptr, PageFont(0));
}

void CRDTResultDlg::ShowGeneral() {
    const ST_PORT_RESULT& r = shown_.record;
    const bool burnIn = r.testStationSel == kStationRdtResult;
    GeneralLabel("Time:")->setText(burnIn ? QStringLiteral("RDT Time:") : QStringLiteral("Time:"));
    ClearGeneralInfo();
    QLineEdit* status = GeneralField("Status:");
    if (r.stationName.empty()) {
        status->setText(burnIn ? QStringLiteral("No RDT Info!") : QStringLiteral("No Info!"));
        shown_ = PortSnapshot{};
        return;
    }
    if (r.failFlag == 0) {
        status->setText(QStringLiteral("Pass!"));
    } else {
        // The library's message is shown only when it starts as text; a
        // buffer it left empty or filled with binary says nothing.
        const std::string_view message = FieldText(r.errorMessage);
        const auto first = message.empty() ? 0u : static_cast<unsigned char>(message[0]);
        status->setText(first >= 0x01 && first <= 0x7F ? Text(message) : QStringLiteral("Fail!"));
    }
    const std::string_view revision = FieldText(r.firmwareRevision);
    const auto set = [this](const char* caption, const QString& text) {
        GeneralField(caption)->setText(text);
    };
    set("Test Station:", Text(r.stationName));
    set("ISP FW:", Text(r.ispFwVersion));
    set("FW Version:",
        !revision.empty() && r.resultKind == kResultRdt ? Text(revision) : Text(r.rdtFwVersion));
    set("Time:", Text(r.processTime));
    set("CE Num:", QString::number(r.flashCount));
    set("Channel Num:", QString::number(r.channelCount));
    set("Early Bad:", QString::number(r.earlyBadTotal));
    set("Later Bad:", QString::number(r.laterBadTotal));
    set("Total Bad:", QString::number(r.allBadTotal));
    set("Erase Fail:", QString::number(r.eraseFailTotal));
    set("Program Fail:", QString::number(r.programFailTotal));
    set("Read Fail:", QString::number(r.readFailTotal));
    set("TLC/MLC Loop:", QString::number(r.tlcLoop));
    set("SLC Loop:", QString::number(r.slcLoop));
    set("TLC/MLC ECC:", QString::number(r.eccThreshold));
    set("SLC ECC:", QString::number(r.slcEccThreshold));
    set("Temperature:", Text(r.maxTemperature));
}

void CRDTResultDlg::FillCeGrid() {
    const ST_PORT_RESULT& r = shown_.record;
    const std::vector<int> ces = r.stationName.empty() ? std::vector<int>{} : ListedCes(r);
    PrepareResultGrid(
        *ceGrid_, {"CH", "CE", "Total Bad", "Early Bad", "Later Bad"}, {30, 30, 60, 60, 60},
        RowsFor(std::max<long long>(r.flashCount, static_cast<long long>(ces.size())), kMinSummaryRows),
        kRowHeight, PageFont(0));
    int row = 1;
    for (int ce : ces) {
        bool over = ((r.speedFailMask >> ce) & 1u) != 0;
        for (int die = 0; die < kMaxDie; ++die)
            over = over || RdtDieOverLimit(r, ce, die);
        SetNumber(*ceGrid_, row, 0, ce / kCePerChannel);
        SetNumber(*ceGrid_, row, 1, ce);
        SetNumber(*ceGrid_, row, 2, SumCe(r.totalBad, ce));
        SetNumber(*ceGrid_, row, 3, SumCe(r.earlyBad, ce));
        SetCount(*ceGrid_, row, 4, SumCe(r.laterBad, ce));
        if (over)
            MarkOverLimit(*ceGrid_, row, 0);
        ++row;
    }
}

void CRDTResultDlg::FillDieGrid() {
    const ST_PORT_RESULT& r = shown_.record;
    const int dies = DieCount(r);
    const std::vector<int> ces = r.stationName.empty() || dies == 0 ? std::vector<int>{} : ListedCes(r);
    const long long needed = std::max<long long>(static_cast<long long>(r.diePerFlash) * r.flashCount,
                                                 static_cast<long long>(ces.size()) * dies);
    PrepareResultGrid(*dieGrid_, {"CE", "Die", "Total Bad", "Early Bad", "Later Bad"}, {30, 30, 60, 60, 60},
                      RowsFor(needed, kMinSummaryRows), kRowHeight, PageFont(0));
    int row = 1;
    for (int ce : ces)
        for (int die = 0; die < dies; ++die) {
            SetNumber(*dieGrid_, row, 0, ce);
            SetNumber(*dieGrid_, row, 1, die);
            SetNumber(*dieGrid_, row, 2, SumDie(r.totalBad, ce, die));
            SetNumber(*dieGrid_, row, 3, SumDie(r.earlyBad, ce, die));
            SetCount(*dieGrid_, row, 4, SumDie(r.laterBad, ce, die));
            if (RdtDieOverLimit(r, ce, die))
                MarkOverLimit(*dieGrid_, row, 0);
            ++row;
        }
}

void CRDTResultDlg::FillPlaneGrid() {
    const ST_PORT_RESULT& r = shown_.record;
    const int dies = DieCount(r);
    const std::vector<int> ces = r.stationName.empty() || dies == 0 ? std::vector<int>{} : ListedCes(r);
    const long long needed = 2 * std::max<long long>(static_cast<long long>(r.diePerFlash) * r.flashCount,
                                                     static_cast<long long>(ces.size()) * dies);
    PrepareResultGrid(*planeGrid_, {"CE", "Die", "Type", "Plane0", "Plane1", "Plane2", "Plane3"},
                      {30, 30, 54, 56, 56, 56, 56}, RowsFor(needed, kMinSummaryRows), kRowHeight,
                      PageFont(0));
    WidenToShow(*planeGrid_, 2, {"EarlyBad", "LaterBad"});
    int row = 1;
    // All factory rows first, then all grown ones, so the two read as blocks.
    for (const bool later : {false, true})
        for (int ce : ces)
            for (int die = 0; die < dies; ++die) {
                const auto& planes =
                    (later ? r.laterBad : r.earlyBad)[static_cast<size_t>(ce)][static_cast<size_t>(die)];
                SetNumber(*planeGrid_, row, 0, ce);
                SetNumber(*planeGrid_, row, 1, die);
                planeGrid_->SetItemText(row, 2,
                                        later ? QStringLiteral("LaterBad") : QStringLiteral("EarlyBad"));
                for (int plane = 0; plane < kMaxPlane; ++plane) {
                    if (later)
                        SetCount(*planeGrid_, row, 3 + plane, planes[static_cast<size_t>(plane)]);
                    else
                        SetNumber(*planeGrid_, row, 3 + plane, planes[static_cast<size_t>(plane)]);
                }
                if (later && RdtDieOverLimit(r, ce, die))
                    MarkOverLimit(*planeGrid_, row, 0);
                ++row;
            }
}

} // namespace varnet::ui
