#include "ui/main/port_tile.h"

#include "ui/controls/button_ex.h"
#include "ui/controls/label.h"
#include "ui/controls/progress_ctrl_ex.h"

#include <QHelpEvent>
#include <QMouseEvent>

#include <algorithm>

namespace varnet::ui {

QColor TileKindColor(uint8_t kind) {
    switch (kind) {
    case kTileInfo:
        return {0, 128, 230};
    case kTileRunning:
        return {255, 255, 80};
    case kTilePass:
        return {80, 240, 100};
    case kTileFail:
        return {255, 0, 0};
    default:
        return {160, 160, 160};
    }
}

CPortTile::CPortTile(int port, QWidget* parent)
    : QWidget(parent), port_(port), button_(new CButtonEx(QString::number(port + 1), this)),
      bar_(new CProgressCtrlEx(this)), status_(new CLabel(this)), tip_(new ControlTip(this)) {
    setObjectName(QStringLiteral("tile%1").arg(port + 1));
    button_->setAutoDefault(false);
    button_->setFocusPolicy(Qt::NoFocus);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    status_->SetFontName(QStringLiteral("Arial"));
    status_->SetFontSize(90);
    status_->SetSunken(true);
    status_->SetBkColor(TileKindColor(kTileIdle));
    status_->SetAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    connect(button_, &QPushButton::clicked, this, [this] { emit StartClicked(port_); });
    for (QWidget* part :
         {static_cast<QWidget*>(button_), static_cast<QWidget*>(bar_), static_cast<QWidget*>(status_)})
        part->installEventFilter(this);
    shown_.buttonCaption = std::to_string(port + 1);
    shown_.fontSize = 90;
}

void CPortTile::Place(const PortLayout& layout) {
    const TileRect place = TilePlace(layout, port_);
    setGeometry(place.left, place.top, place.width, place.height);
    button_->setGeometry(0, 0, place.width, layout.buttonHeight);
    bar_->setGeometry(0, layout.buttonHeight, place.width, layout.barHeight);
    status_->setGeometry(0, layout.buttonHeight + layout.barHeight, place.width, layout.textHeight);
}

void CPortTile::Show(const TileState& state) {
    if (state.buttonCaption != shown_.buttonCaption)
        button_->setText(QString::fromStdString(state.buttonCaption));
    if (state.buttonTip != shown_.buttonTip)
        button_->SetTipText(QString::fromStdString(state.buttonTip));
    bar_->setValue(std::clamp(state.shownProgress, 0, 100));
    if (state.progressTip != shown_.progressTip)
        bar_->SetTipText(QString::fromStdString(state.progressTip));
    // Text, size and alignment may be told again unchanged by every
    // animation tick; only real changes repaint.
    if (state.fontSize != shown_.fontSize && state.fontSize > 0)
        status_->SetFontSize(state.fontSize);
    const Qt::Alignment alignment = state.centred ? Qt::AlignHCenter | Qt::AlignVCenter : Qt::AlignLeft;
    if (alignment != status_->Alignment())
        status_->SetAlignment(alignment);
    if (state.kind != shown_.kind)
        status_->SetBkColor(TileKindColor(state.kind));
    if (state.statusText != shown_.statusText)
        status_->SetText(QString::fromStdString(state.statusText));
    shown_ = state;
}

void CPortTile::SetSelected(bool selected) {
    if (selected != status_->HasBorder())
        status_->SetBorder(selected);
}

bool CPortTile::IsSelected() const {
    return status_->HasBorder();
}

QString CPortTile::HoverText() const {
    QString text =
        QString::fromStdString(shown_.statusText).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QString hint =
        QString::fromStdString(shown_.tileTip).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!hint.isEmpty())
        text = text.isEmpty() ? hint : text + QStringLiteral("\n\n") + hint;
    return text;
}

bool CPortTile::eventFilter(QObject* watched, QEvent* event) {
    // The status field's tip is the tile's: it goes when the pointer leaves
    // the field or clicks it.
    if (watched == status_ && event->type() != QEvent::ToolTip)
        tip_->HandleToolEvent(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            emit RightClicked(port_);
            return true;
        }
        // The button's own click starts the port; elsewhere a click selects.
        if (mouse->button() == Qt::LeftButton && watched != button_)
            emit Selected(port_);
        break;
    }
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && watched != button_) {
            emit DoubleClicked(port_);
            return true;
        }
        break;
    }
    case QEvent::ContextMenu:
        // Taken by the right press already.
        return true;
    case QEvent::ToolTip:
        if (watched == status_) {
            // The field's text and the tile's hint in one tip, instead of two
            // tips fighting over the same spot.
            tip_->SetTipText(HoverText());
            if (!HoverText().isEmpty())
                tip_->ShowAt(static_cast<QHelpEvent*>(event)->globalPos());
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool CPortTile::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        tip_->SetTipText(HoverText());
        if (tip_->HandleToolEvent(event))
            return true;
    } else if (event->type() == QEvent::Leave) {
        tip_->HandleToolEvent(event);
    }
    return QWidget::event(event);
}

} // namespace varnet::ui
