// Tile changes reach the tiles on the GUI thread in exactly the order the
// engine made them, whichever thread made them: a worker's verdict waiting
// in the event queue is never overtaken by a later change made on the GUI
// thread, and what a tile finally shows is what the engine holds.
#include "engine/port_tiles.h"
#include "ui/controls/button_ex.h"
#include "ui/controls/label.h"
#include "ui/controls/progress_ctrl_ex.h"
#include "ui/main/gui_call_queue.h"
#include "ui/main/port_tile.h"
#include "ui/main/qt_tile_view.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

namespace varnet::ui {
namespace {

// Notes every change as the engine tells it, then hands it on.
class RecordingView final : public TileView {
public:
    explicit RecordingView(TileView& next) : next_(next) {}
    void TileChanged(int port, const TileState& state) override {
        {
            std::lock_guard lock(mutex_);
            told.emplace_back(port, state.statusText);
        }
        next_.TileChanged(port, state);
    }
    std::mutex mutex_;
    std::vector<std::pair<int, std::string>> told;

private:
    TileView& next_;
};

struct TileFixture {
    GuiCallQueue queue;
    std::vector<std::unique_ptr<CPortTile>> tiles;
    std::vector<std::pair<int, std::string>> shown;
    QtTileView view{queue, [this](int port, const TileState& state) {
                        shown.emplace_back(port, state.statusText);
                        tiles[static_cast<size_t>(port)]->Show(state);
                    }};
    RecordingView recorder{view};
    PortTiles engine;

    TileFixture() {
        for (int p = 0; p < 3; ++p)
            tiles.push_back(std::make_unique<CPortTile>(p, nullptr));
        engine.SetView(&recorder);
    }
};

TEST(TileViewOrder, AResetOnTheGuiThreadComesAfterAWaitingVerdict) {
    TileFixture f;
    // The worker's verdict is told and waits in the event queue...
    std::thread([&] { f.engine.SetTileStatus(0, "Fail!", kTileFail, 0, true); }).join();
    // ...when the drive's removal resets the tile on the GUI thread.
    f.engine.ResetTile(0, true);
    QCoreApplication::processEvents();
    const CPortTile& tile = *f.tiles[0];
    EXPECT_EQ(tile.Status()->BkColor(), TileKindColor(kTileIdle));
    EXPECT_EQ(tile.Status()->GetText(), "Fail!");
    EXPECT_EQ(tile.Shown().kind, f.engine.State(0).kind);
}

TEST(TileViewOrder, WorkersAndTheGuiThreadAtOnceEndAsTheEngineEnded) {
    TileFixture f;
    // Each worker writes its own port and also the shared port 2, as a
    // worker's verdict and the animation meet on one tile.
    std::vector<std::thread> workers;
    for (int w = 0; w < 2; ++w)
        workers.emplace_back([&, w] {
            for (int i = 0; i < 300; ++i) {
                f.engine.SetTileStatus(w, "w" + std::to_string(i), static_cast<uint8_t>(i % 5), 0,
                                       i % 2 == 0);
                f.engine.SetTileStatus(2, "w" + std::to_string(w) + "-" + std::to_string(i), kTilePass, 0,
                                       true);
            }
        });
    for (int i = 0; i < 300; ++i) {
        f.engine.SetTileStatus(2, "tick" + std::to_string(i), kTileRunning, 78, true);
        if (i % 50 == 0)
            QCoreApplication::processEvents();
    }
    for (std::thread& worker : workers)
        worker.join();
    QCoreApplication::processEvents();
    // Each tile's changes in the engine's order (tiles have locks of their
    // own, so only one tile's order is defined).
    auto ofPort = [](const std::vector<std::pair<int, std::string>>& changes, int port) {
        std::vector<std::string> texts;
        for (const auto& [p, text] : changes)
            if (p == port)
                texts.push_back(text);
        return texts;
    };
    for (int p = 0; p < 3; ++p)
        EXPECT_EQ(ofPort(f.shown, p), ofPort(f.recorder.told, p)) << p;
    for (int p = 0; p < 3; ++p) {
        const TileState engine = f.engine.State(p);
        EXPECT_EQ(f.tiles[static_cast<size_t>(p)]->Shown().statusText, engine.statusText) << p;
        EXPECT_EQ(f.tiles[static_cast<size_t>(p)]->Status()->BkColor(), TileKindColor(engine.kind)) << p;
    }
}

TEST(PortTileShow, StateBecomesColourFontAlignmentAndTips) {
    CPortTile tile(4, nullptr);
    TileState state;
    state.statusText = "           Pass!\r\nTotalSize: 238.47GB";
    state.kind = kTilePass;
    state.fontSize = 78;
    state.centred = false;
    state.shownProgress = 100;
    state.buttonCaption = "5";
    state.buttonTip = "Click to Start";
    state.tileTip = "Double Click\r\nfor Flash ID";
    state.progressTip = "100%";
    tile.Show(state);
    EXPECT_EQ(tile.Status()->BkColor(), QColor(80, 240, 100));
    EXPECT_DOUBLE_EQ(tile.Status()->font().pointSizeF(), 7.8);
    EXPECT_EQ(tile.Status()->Alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(tile.Bar()->value(), 100);
    EXPECT_EQ(tile.Button()->TipText(), "Click to Start");
    EXPECT_EQ(tile.Bar()->TipText(), "100%");
    // The hover shows the whole verdict, then the tile's hint.
    EXPECT_EQ(tile.HoverText(), "           Pass!\nTotalSize: 238.47GB\n\nDouble Click\nfor Flash ID");

    // A centred one-liner is centred both ways; every kind has its colour.
    state.statusText = "Running.";
    state.centred = true;
    tile.Show(state);
    EXPECT_EQ(tile.Status()->Alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
    for (uint8_t kind : {kTileIdle, kTileInfo, kTileRunning, kTileFail}) {
        state.kind = kind;
        tile.Show(state);
        EXPECT_EQ(tile.Status()->BkColor(), TileKindColor(kind));
    }
    EXPECT_EQ(TileKindColor(kTileIdle), QColor(160, 160, 160));
    EXPECT_EQ(TileKindColor(kTileInfo), QColor(0, 128, 230));
    EXPECT_EQ(TileKindColor(kTileRunning), QColor(255, 255, 80));
    EXPECT_EQ(TileKindColor(kTileFail), QColor(255, 0, 0));
}

} // namespace
} // namespace varnet::ui
