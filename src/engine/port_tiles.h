// The 24 port tiles: their progress records (handed to the device library),
// the status each shows, and the operations every station reports through
// (each port's as the PortTile its station run is given).
//
// Thread safety: every operation may be called from any thread. Each tile
// has its own lock, so a worker's final verdict and an animation tick never
// update one tile at the same time; the view is told of each change while
// that lock is held, so it sees one tile's changes in the order they were
// made. The progress fields are read and written with atomics (the library
// writes them through a plain pointer during its calls).
//
// A run's verdict waits for its record: between HoldVerdict and
// ReleaseVerdict a tile's state changes as always (the run's record is read
// from it), but a Pass or Fail status is kept from the view, which goes on
// showing the status before it, until the record is on the disk.
#pragma once

#include "engine/tile_view.h"
#include "platform/port_count.h"
#include "reports/progress_record.h"
#include "stations/port_tile.h"

#include <array>
#include <functional>
#include <mutex>

namespace varnet {

class PortTiles {
public:
    PortTiles();

    void SetView(TileView* view); // null: nobody is told

    // The status text, the kind's colour (kinds above 4 keep the colour), a
    // font size in tenths of a point (0 or less: the tile's default) and the
    // alignment.
    void SetTileStatus(int port, std::string_view text, uint8_t kind, int fontSize, bool centred);
    // The same, only when `still` holds at the moment of the change (checked
    // under the tile's lock).
    void SetTileStatusIf(int port, const std::function<bool()>& still, std::string_view text, uint8_t kind,
                         int fontSize, bool centred);
    // Caption back to the port number, bar to 0, grey, tips emptied; the
    // status text kept only when asked (a removed drive's last verdict).
    void ResetTile(int port, bool keepText);
    // The bar follows the progress value.
    void ShowTileProgress(int port);
    void SetTileTip(int port, std::string_view text);
    void SetButtonTip(int port, std::string_view text);
    void SetButtonCaption(int port, std::string_view text);
    // The verdict held back from the view until the run's record is saved;
    // released, it is shown, or, when the record could not be saved, shown
    // as Fail with "record not saved: <why>" under it.
    void HoldVerdict(int port);
    void ReleaseVerdict(int port, std::string_view notSavedBecause = {});
    // 80 (24 ports) or 90 (8 or 16 ports), from the page layout.
    void SetDefaultFontSize(int tenths);

    ProgressRecord& Progress(int port) { return records_[static_cast<size_t>(port)]; }
    void SetProgress(int port, int32_t percent);
    int32_t GetProgress(int port);

    TileState State(int port) const;

    // The port's tile as its station run sees it; lives as long as the tiles.
    PortTile& Port(int port) { return ports_[static_cast<size_t>(port)]; }

private:
    class OnePort final : public PortTile {
    public:
        void SetStatus(std::string_view text, uint8_t kind, int fontSize, bool centred) override {
            tiles->SetTileStatus(port, text, kind, fontSize, centred);
        }
        void SetProgress(int32_t percent) override { tiles->SetProgress(port, percent); }
        void ShowProgress() override { tiles->ShowTileProgress(port); }
        void SetTileTip(std::string_view text) override { tiles->SetTileTip(port, text); }
        void SetButtonTip(std::string_view text) override { tiles->SetButtonTip(port, text); }
        void SetButtonCaption(std::string_view text) override { tiles->SetButtonCaption(port, text); }
        ProgressRecord& Progress() override { return tiles->Progress(port); }

        PortTiles* tiles = nullptr;
        int port = 0;
    };

    // The status part of a tile as the view was last shown it.
    struct ShownStatus {
        std::string text;
        uint8_t kind = kTileIdle;
        int fontSize = 90;
        bool centred = true;
    };
    struct Tile {
        mutable std::mutex mutex;
        TileState state;
        bool holding = false;
        ShownStatus shown;
    };
    template <typename Change> void Update(int port, Change change);

    std::array<ProgressRecord, kPortCount> records_{};
    std::array<Tile, kPortCount> tiles_;
    std::atomic<TileView*> view_{nullptr};
    std::atomic<int> defaultFontSize_{80};
    std::array<OnePort, kPortCount> ports_;
};

} // namespace varnet
