// The main window's page tabs: a tab widget whose tab strip draws its own
// captions — at most 128 characters, in the palette's button-text colour,
// centred in the tab's rectangle moved 1 pixel right and 4 pixels down — in
// Arial 16 pixels, weight 600, unless the owner sets another font on the tab
// bar. GUI thread only.
#pragma once

#include <QRect>
#include <QString>
#include <QTabBar>
#include <QTabWidget>

namespace varnet::ui {

inline constexpr int kTabCaptionMaxChars = 128;

// Where a tab's caption is centred, given the tab's rectangle.
QRect TabCaptionRect(const QRect& tabRect);
// The part of a caption that is drawn.
QString TabCaptionText(const QString& caption);

class CMyTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit CMyTabBar(QWidget* parent = nullptr);

protected:
    QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;
};

class CMyTabCtrl : public QTabWidget {
    Q_OBJECT
public:
    explicit CMyTabCtrl(QWidget* parent = nullptr);

    CMyTabBar* CaptionBar() const { return bar; }

private:
    CMyTabBar* bar;
};

} // namespace varnet::ui
