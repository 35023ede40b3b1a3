// The RDT Info page's fail list: 200,000 entries into their grid, and the
// first paint of what is in view. The grid asks for the cells it paints
// only, so the fill must not grow with the list.
#include "platform/text.h"
#include "reports/port_result.h"
#include "ui/grid/grid_widget.h"
#include "ui/pages/rdt_result_dlg.h"

#include <QApplication>
#include <QFont>
#include <QPixmap>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

// The benchmarks run without a display; one application for all of them.
void EnsureApplication() {
    if (QApplication::instance())
        return;
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "varnet-bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}

std::shared_ptr<const varnet::BadBlockList> FailList(int entries) {
    static const char* const labels[] = {"Early Bad", "Erase Fail", "Program Fail", "Read over threshold",
                                         "Read uncorrectable"};
    auto list = std::make_shared<varnet::BadBlockList>(static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        varnet::BAD_BLOCK_INFO& e = (*list)[static_cast<size_t>(i)];
        varnet::SetFieldText(e.label, labels[i % 5]);
        e.ce = static_cast<uint8_t>(i % 32);
        e.channel = static_cast<uint8_t>(e.ce / 8);
        e.plane = static_cast<uint8_t>(i % 4);
        e.block = i * 7 % 4096;
        e.page = i % 1152;
        e.totalLoop = 3000;
        e.runLoop = i % 3000;
        e.runCycle = i % 40;
        e.overThresholdBits = i % 120;
        e.timeStamp = i;
    }
    return list;
}

void BM_FillFailList200k(benchmark::State& state) {
    EnsureApplication();
    const std::shared_ptr<const varnet::BadBlockList> list = FailList(200000);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(14);
    varnet::ui::GridWidget grid;
    grid.resize(900, 400);
    for (auto _ : state) {
        varnet::ui::FillRdtFailList(grid, list, font);
        const QPixmap shown = grid.grab();
        benchmark::DoNotOptimize(shown.cacheKey());
    }
    state.counters["rows"] = static_cast<double>(grid.GetRowCount());
}
BENCHMARK(BM_FillFailList200k)->Unit(benchmark::kMillisecond);

} // namespace
