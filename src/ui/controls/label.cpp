#include "ui/controls/label.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QScreen>
#include <QTextLayout>
#include <QToolTip>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>

namespace varnet::ui {
namespace {

// Frame plus margin of the tip on every side.
constexpr int kTipPadding = 4;
// Where a tip appears relative to the pointer, clear of the cursor shape.
const QPoint kTipOffset(2, 16);

QString NormaliseBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QTextOption LabelTextOption(const QFont& font, Qt::Alignment alignment, bool singleLine) {
    QTextOption option(alignment & Qt::AlignHorizontal_Mask);
    // A word wider than the line is broken inside rather than cut off.
    option.setWrapMode(singleLine ? QTextOption::NoWrap : QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Tab stops every eight average characters, as text controls expand them.
    option.setTabStopDistance(8 * QFontMetricsF(font).averageCharWidth());
    return option;
}

// Breaks the layout into lines of width; gives the widest line and the height.
QSizeF LayOutLines(QTextLayout& layout, qreal width) {
    qreal height = 0;
    qreal widest = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return {widest, height};
}

QString ForLayout(const QString& normalisedText) {
    QString text = normalisedText;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

void DrawLaidOutText(QPainter& painter, const QRect& area, const QFont& font, const QColor& color,
                     const LabelTextLayout& how) {
    if (how.text.isEmpty() || area.isEmpty())
        return;
    QTextLayout layout(ForLayout(how.text), font, painter.device());
    layout.setTextOption(LabelTextOption(font, how.alignment, how.singleLine));
    const QSizeF used = LayOutLines(layout, area.width());
    qreal top = area.top();
    if (how.alignment & Qt::AlignVCenter)
        top += (area.height() - used.height()) / 2;
    painter.save();
    painter.setClipRect(area);
    painter.setPen(color);
    layout.draw(&painter, QPointF(area.left(), top));
    painter.restore();
}

} // namespace

// ---------------------------------------------------------------- ControlTip

ControlTip::ControlTip(QWidget* toolWidget)
    : QWidget(toolWidget, Qt::ToolTip | Qt::BypassGraphicsProxyWidget), tool(toolWidget) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setPalette(QToolTip::palette());
    setFont(QToolTip::font());
    setMaximumWidth(kMaxWidth);
    hideTimer.setSingleShot(true);
    hideTimer.setInterval(kShowMs);
    QObject::connect(&hideTimer, &QTimer::timeout, this, &QWidget::hide);
}

void ControlTip::SetTipText(const QString& text) {
    tipText = text;
    if (!isVisible())
        return;
    if (tipText.isEmpty()) {
        hide();
        return;
    }
    resize(sizeHint());
    update();
}

QSize ControlTip::sizeHint() const {
    QTextLayout layout(ForLayout(NormaliseBreaks(tipText)), font(), this);
    layout.setTextOption(LabelTextOption(font(), Qt::AlignLeft, false));
    const QSizeF used = LayOutLines(layout, kMaxWidth - 2 * kTipPadding);
    return {std::min(kMaxWidth, static_cast<int>(std::ceil(used.width())) + 2 * kTipPadding),
            static_cast<int>(std::ceil(used.height())) + 2 * kTipPadding};
}

void ControlTip::ShowAt(const QPoint& globalPos) {
    if (tipText.isEmpty()) {
        hide();
        return;
    }
    const QSize size = sizeHint();
    resize(size);
    QPoint pos = globalPos + kTipOffset;
    const QScreen* screen = QGuiApplication::screenAt(globalPos);
    if (!screen && tool)
        screen = tool->screen();
    if (screen) {
        const QRect avail = screen->availableGeometry();
        if (pos.x() + size.width() > avail.right())
            pos.setX(avail.right() - size.width());
        if (pos.y() + size.height() > avail.bottom())
            pos.setY(globalPos.y() - size.height() - 4);
        pos.setX(std::max(pos.x(), avail.left()));
        pos.setY(std::max(pos.y(), avail.top()));
    }
    move(pos);
    show();
    hideTimer.start();
}

bool ControlTip::HandleToolEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip:
        ShowAt(static_cast<QHelpEvent*>(event)->globalPos());
        return true;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
        hide();
        return false;
    default:
        return false;
    }
}

void ControlTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::ToolTipBase));
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    DrawLaidOutText(painter, rect().adjusted(kTipPadding, kTipPadding, -kTipPadding, -kTipPadding), font(),
                    TextColor(), {NormaliseBreaks(tipText), Qt::AlignLeft | Qt::AlignTop, false});
}

void ControlTip::mousePressEvent(QMouseEvent*) {
    hide();
}

// --------------------------------------------------------------- text layout

LabelTextLayout LayoutLabelText(const QString& text, Qt::Alignment style) {
    LabelTextLayout how;
    how.text = NormaliseBreaks(text);
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (style & Qt::AlignHCenter)
        horizontal = Qt::AlignHCenter;
    else if (style & Qt::AlignRight)
        horizontal = Qt::AlignRight;
    if (style & Qt::AlignVCenter) {
        const bool hasBreak = how.text.contains(QLatin1Char('\n'));
        how.singleLine = !hasBreak;
        how.alignment = hasBreak ? (Qt::AlignHCenter | Qt::AlignTop) : (Qt::AlignHCenter | Qt::AlignVCenter);
    } else {
        how.alignment = horizontal | Qt::AlignTop;
    }
    return how;
}

// -------------------------------------------------------------------- CLabel

CLabel::CLabel(QWidget* parent) : QWidget(parent) {
    // The background is painted in full on every repaint.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CLabel::CLabel(const QString& text, QWidget* parent) : CLabel(parent) {
    SetText(text);
}

CLabel::~CLabel() = default;

CLabel& CLabel::SetBkColor(QColor color) {
    if (color.isValid())
        bkColor = color;
    else
        bkColor.reset();
    update();
    return *this;
}

CLabel& CLabel::SetTextColor(QColor color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
    update();
    return *this;
}

CLabel& CLabel::SetText(const QString& text) {
    labelText = text;
    EnsureTip();
    tip->SetTipText(text);
    updateGeometry();
    update();
    return *this;
}

CLabel& CLabel::SetFontBold(bool on) {
    QFont f = font();
    f.setWeight(on ? QFont::Bold : QFont::Normal);
    setFont(f);
    update();
    return *this;
}

CLabel& CLabel::SetFontName(const QString& faceName) {
    QFont f = font();
    f.setFamily(faceName);
    setFont(f);
    update();
    return *this;
}

CLabel& CLabel::SetFontUnderline(bool on) {
    QFont f = font();
    f.setUnderline(on);
    setFont(f);
    update();
    return *this;
}

CLabel& CLabel::SetFontItalic(bool on) {
    QFont f = font();
    f.setItalic(on);
    setFont(f);
    update();
    return *this;
}

CLabel& CLabel::SetFontSize(int tenthsOfPoint) {
    // A size of zero or less has no point size to give; the font stays.
    if (tenthsOfPoint > 0) {
        QFont f = font();
        f.setPointSizeF(tenthsOfPoint / 10.0);
        setFont(f);
    }
    update();
    return *this;
}

CLabel& CLabel::SetSunken(bool on) {
    sunken = on;
    updateGeometry();
    update();
    return *this;
}

CLabel& CLabel::SetBorder(bool on) {
    border = on;
    updateGeometry();
    update();
    return *this;
}

CLabel& CLabel::SetAlignment(Qt::Alignment style) {
    alignStyle = style;
    update();
    return *this;
}

QColor CLabel::BkColor() const {
    return bkColor ? *bkColor : palette().color(QPalette::Button);
}

QColor CLabel::TextColor() const {
    return palette().color(QPalette::WindowText);
}

int CLabel::FrameWidth() const {
    return (sunken ? 1 : 0) + (border ? 1 : 0);
}

QSize CLabel::sizeHint() const {
    const QFontMetrics fm(font());
    const QString text = NormaliseBreaks(labelText);
    const QSize textSize = text.isEmpty() ? QSize(0, fm.height()) : fm.size(Qt::TextExpandTabs, text);
    const int frame = 2 * FrameWidth();
    return textSize + QSize(frame + 4, frame + 2);
}

QSize CLabel::minimumSizeHint() const {
    const QFontMetrics fm(font());
    const int frame = 2 * FrameWidth();
    return {fm.averageCharWidth() + frame, fm.height() + frame};
}

bool CLabel::event(QEvent* event) {
    if (tip && tip->HandleToolEvent(event))
        return true;
    return QWidget::event(event);
}

void CLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect area = rect();
    // The plain border is the outermost frame, the sunken edge inside it, as
    // a window draws its own frames; the background fills what is left.
    if (border) {
        painter.setPen(palette().color(QPalette::Shadow));
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        area.adjust(1, 1, -1, -1);
    }
    if (sunken) {
        qDrawShadePanel(&painter, area, palette(), true, 1);
        area.adjust(1, 1, -1, -1);
    }
    painter.fillRect(area, BkColor());
    DrawLaidOutText(painter, area, font(), TextColor(), LayoutLabelText(labelText, alignStyle));
}

void CLabel::EnsureTip() {
    if (!tip)
        tip = new ControlTip(this);
}

} // namespace varnet::ui
