// One port's tile on the main page: the numbered start button, the thin
// progress bar and the status field whose colour tells idle (grey),
// identified (blue), running (yellow), passed (green) or failed (red).
//
// The tile only shows what the engine's PortTiles says (Show); it decides
// nothing. What the operator does to it comes out as signals: a click on the
// button starts the port, a left click elsewhere selects the tile, a double
// click asks for the flash IDs, a right click for the log. Hovering the
// status field shows its full text with the tile's hint below it (a long
// verdict cut by a small tile stays readable). GUI thread only.
#pragma once

#include "engine/port_layout.h"
#include "engine/tile_view.h"

#include <QColor>
#include <QWidget>

namespace varnet::ui {

class CButtonEx;
class CLabel;
class CProgressCtrlEx;
class ControlTip;

// The status field's background for a TileStatusKind.
QColor TileKindColor(uint8_t kind);

class CPortTile : public QWidget {
    Q_OBJECT
public:
    CPortTile(int port, QWidget* parent);

    int Port() const { return port_; }
    // Tile and parts at their places of the layout: button over bar over
    // status field, all the tile's width.
    void Place(const PortLayout& layout);
    void Show(const TileState& state);
    // The border of the tile last clicked.
    void SetSelected(bool selected);
    bool IsSelected() const;

    CButtonEx* Button() const { return button_; }
    CProgressCtrlEx* Bar() const { return bar_; }
    CLabel* Status() const { return status_; }
    const TileState& Shown() const { return shown_; }
    // The text the status field's hover shows.
    QString HoverText() const;

signals:
    void StartClicked(int port);
    void Selected(int port);
    void DoubleClicked(int port);
    void RightClicked(int port);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    int port_;
    CButtonEx* button_;
    CProgressCtrlEx* bar_;
    CLabel* status_;
    ControlTip* tip_;
    TileState shown_;
};

} // namespace varnet::ui
