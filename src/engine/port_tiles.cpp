#include "engine/port_tiles.h"

#include "platform/text_format.h"

namespace varnet {

const char* TileKindName(uint8_t kind) {
    switch (kind) {
    case kTileIdle:
        return "Idle";
    case kTileInfo:
        return "Info";
    case kTileRunning:
        return "Running";
    case kTilePass:
        return "Pass";
    case kTileFail:
        return "Fail";
    default:
        return "Idle";
    }
}

PortTiles::PortTiles() {
    for (int p = 0; p < kPortCount; ++p) {
        records_[static_cast<size_t>(p)].number = p + 1;
        tiles_[static_cast<size_t>(p)].state.buttonCaption = Format("%d", p + 1);
        tiles_[static_cast<size_t>(p)].state.fontSize = 90;
        tiles_[static_cast<size_t>(p)].state.progressTip = "0%";
        ports_[static_cast<size_t>(p)].tiles = this;
        ports_[static_cast<size_t>(p)].port = p;
    }
}

void PortTiles::SetView(TileView* view) {
    view_.store(view);
}

namespace {

bool IsVerdict(uint8_t kind) {
    return kind == kTilePass || kind == kTileFail;
}

} // namespace

template <typename Change> void PortTiles::Update(int port, Change change) {
    if (port < 0 || port >= kPortCount)
        return;
    Tile& tile = tiles_[static_cast<size_t>(port)];
    std::lock_guard lock(tile.mutex);
    if (!change(tile.state))
        return;
    TileState visible = tile.state;
    if (tile.holding && IsVerdict(tile.state.kind)) {
        visible.statusText = tile.shown.text;
        visible.kind = tile.shown.kind;
        visible.fontSize = tile.shown.fontSize;
        visible.centred = tile.shown.centred;
    } else {
        tile.shown = {tile.state.statusText, tile.state.kind, tile.state.fontSize, tile.state.centred};
    }
    if (TileView* view = view_.load())
        view->TileChanged(port, visible);
}

void PortTiles::HoldVerdict(int port) {
    if (port < 0 || port >= kPortCount)
        return;
    Tile& tile = tiles_[static_cast<size_t>(port)];
    std::lock_guard lock(tile.mutex);
    tile.holding = true;
}

void PortTiles::ReleaseVerdict(int port, std::string_view notSavedBecause) {
    if (port < 0 || port >= kPortCount)
        return;
    {
        Tile& tile = tiles_[static_cast<size_t>(port)];
        std::lock_guard lock(tile.mutex);
        tile.holding = false;
    }
    Update(port, [&](TileState& s) {
        if (!notSavedBecause.empty()) {
            if (!s.statusText.empty())
                s.statusText += "\r\n";
            s.statusText += "record not saved: ";
            s.statusText += notSavedBecause;
            s.kind = kTileFail;
        }
        return true;
    });
}

void PortTiles::SetTileStatus(int port, std::string_view text, uint8_t kind, int fontSize, bool centred) {
    SetTileStatusIf(port, nullptr, text, kind, fontSize, centred);
}

void PortTiles::SetTileStatusIf(int port, const std::function<bool()>& still, std::string_view text,
                                uint8_t kind, int fontSize, bool centred) {
    const int size = fontSize > 0 ? fontSize : defaultFontSize_.load();
    Update(port, [&](TileState& s) {
        if (still && !still())
            return false;
        s.statusText = std::string(text);
        s.centred = centred;
        s.fontSize = size;
        if (kind <= kTileFail)
            s.kind = kind;
        return true;
    });
}

void PortTiles::ResetTile(int port, bool keepText) {
    Update(port, [&](TileState& s) {
        s.buttonCaption = Format("%d", port + 1);
        s.shownProgress = 0;
        if (!keepText)
            s.statusText.clear();
        s.kind = kTileIdle;
        s.buttonTip.clear();
        s.progressTip.clear();
        s.tileTip.clear();
        return true;
    });
}

void PortTiles::ShowTileProgress(int port) {
    if (port < 0 || port >= kPortCount)
        return;
    const int32_t value = GetProgress(port);
    Update(port, [&](TileState& s) {
        s.shownProgress = value;
        s.progressTip = Format("%d%%", value);
        return true;
    });
}

void PortTiles::SetTileTip(int port, std::string_view text) {
    Update(port, [&](TileState& s) { return s.tileTip = std::string(text), true; });
}

void PortTiles::SetButtonTip(int port, std::string_view text) {
    Update(port, [&](TileState& s) { return s.buttonTip = std::string(text), true; });
}

void PortTiles::SetButtonCaption(int port, std::string_view text) {
    Update(port, [&](TileState& s) { return s.buttonCaption = std::string(text), true; });
}

void PortTiles::SetDefaultFontSize(int tenths) {
    defaultFontSize_.store(tenths);
}

void PortTiles::SetProgress(int port, int32_t percent) {
    SetProgressValue(records_[static_cast<size_t>(port)].progress, percent);
}

int32_t PortTiles::GetProgress(int port) {
    return GetProgressValue(records_[static_cast<size_t>(port)].progress);
}

TileState PortTiles::State(int port) const {
    const Tile& tile = tiles_[static_cast<size_t>(port)];
    std::lock_guard lock(tile.mutex);
    return tile.state;
}

} // namespace varnet
