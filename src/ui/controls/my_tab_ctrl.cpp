#include "ui/controls/my_tab_ctrl.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOptionTab>
#include <QStylePainter>

namespace varnet::ui {
namespace {

// The caption sits a little right of and below the tab's centre, clear of the
// raised edge of the selected tab.
constexpr int kCaptionShiftX = 1;
constexpr int kCaptionShiftY = 4;

} // namespace

QRect TabCaptionRect(const QRect& tabRect) {
    return tabRect.translated(kCaptionShiftX, kCaptionShiftY);
}

QString TabCaptionText(const QString& caption) {
    return caption.left(kTabCaptionMaxChars);
}

CMyTabBar::CMyTabBar(QWidget* parent) : QTabBar(parent) {
    QFont captionFont(QStringLiteral("Arial"));
    captionFont.setPixelSize(16);
    captionFont.setWeight(QFont::DemiBold);
    setFont(captionFont);
    // Captions are drawn whole; a tab is sized for its caption instead.
    setElideMode(Qt::ElideNone);
}

QSize CMyTabBar::tabSizeHint(int index) const {
    QSize size = QTabBar::tabSizeHint(index);
    const QString caption = tabText(index);
    const QFontMetrics fm(font());
    // Room for the caption that is drawn, not the one stored, and for its shift.
    size.rwidth() -= fm.horizontalAdvance(caption) - fm.horizontalAdvance(TabCaptionText(caption));
    size.rwidth() += kCaptionShiftX;
    size.rheight() += kCaptionShiftY;
    return size;
}

void CMyTabBar::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    // The selected tab overlaps its neighbours, so it is drawn last.
    const int selected = currentIndex();
    auto drawTab = [&](int index) {
        QStyleOptionTab option;
        initStyleOption(&option, index);
        if (!option.rect.intersects(rect()))
            return;
        painter.drawControl(QStyle::CE_TabBarTabShape, option);
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(TabCaptionRect(option.rect), Qt::AlignCenter | Qt::TextSingleLine,
                         TabCaptionText(tabText(index)));
    };
    for (int i = 0; i < count(); ++i) {
        if (i != selected)
            drawTab(i);
    }
    if (selected >= 0)
        drawTab(selected);
}

CMyTabCtrl::CMyTabCtrl(QWidget* parent) : QTabWidget(parent), bar(new CMyTabBar(this)) {
    setTabBar(bar);
}

} // namespace varnet::ui
