// The tool's own static text: status fields, the run clock, status lines.
// Unlike a plain QLabel it keeps a solid background of its own (or the
// palette's button face), takes font sizes in tenths of a point, can carry a
// sunken and a plain frame, always word-wraps (breaking a word that is wider
// than the label rather than cutting it) and carries a blue tooltip that
// follows its text. Every setter repaints and returns the label, so calls
// chain. GUI thread only, like every widget.
#pragma once

#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace varnet::ui {

// The tip shared by the label, the port buttons and the progress bars: blue
// text, at most 400 pixels wide (longer text wraps, as the label wraps), hidden
// again after 5000 ms, when the pointer leaves its control or on a click. One
// per control, owned by it. An empty text shows nothing.
class ControlTip : public QWidget {
public:
    static constexpr int kMaxWidth = 400;
    static constexpr int kShowMs = 5000;
    static QColor TextColor() { return QColor(0, 0, 255); }

    explicit ControlTip(QWidget* tool);

    // A tip on screen takes the new text at once.
    void SetTipText(const QString& text);
    QString TipText() const { return tipText; }
    // Shows the tip just below and right of globalPos, kept on the screen.
    void ShowAt(const QPoint& globalPos);
    // Takes the tool's help, leave, press and hide events: true for the help
    // event, which the tool must then not pass on to Qt's own tooltip.
    bool HandleToolEvent(QEvent* event);
    bool IsHideTimerRunning() const { return hideTimer.isActive(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QWidget* tool;
    QString tipText;
    QTimer hideTimer;
};

// How a label lays out its text; kept apart from painting so the rule can be
// checked without pixels.
struct LabelTextLayout {
    QString text;            // line breaks as '\n' only
    Qt::Alignment alignment; // horizontal and vertical flags for drawing
    bool singleLine = false; // no wrapping at all
};

// The label's drawing rule: horizontal alignment from the style (centre wins
// over right, left otherwise); with the vertical-centre style a text without a
// line break is one line centred both ways, a text with one is wrapped from
// the top and centred horizontally; otherwise wrapped from the top. "\r\n",
// lone '\r' and lone '\n' all count as a line break.
LabelTextLayout LayoutLabelText(const QString& text, Qt::Alignment style);

class CLabel : public QWidget {
    Q_OBJECT
public:
    explicit CLabel(QWidget* parent = nullptr);
    explicit CLabel(const QString& text, QWidget* parent = nullptr);
    ~CLabel() override;

    // A solid background; an invalid colour goes back to the button face.
    CLabel& SetBkColor(QColor color);
    CLabel& SetTextColor(QColor color);
    // The tooltip follows: created on the first text, its text is the label's.
    CLabel& SetText(const QString& text);
    QString GetText() const { return labelText; }
    CLabel& SetFontBold(bool on); // weight 700 on, 400 off
    CLabel& SetFontName(const QString& faceName);
    CLabel& SetFontUnderline(bool on);
    CLabel& SetFontItalic(bool on);
    CLabel& SetFontSize(int tenthsOfPoint); // 78 is 7.8 pt
    CLabel& SetSunken(bool on);             // 1-pixel sunken edge
    CLabel& SetBorder(bool on);             // 1-pixel plain border
    // Qt::AlignHCenter, Qt::AlignRight or Qt::AlignLeft, optionally with
    // Qt::AlignVCenter for the vertical-centre style.
    CLabel& SetAlignment(Qt::Alignment style);

    // The background painted now: the colour set, or the palette's button face.
    QColor BkColor() const;
    bool HasOwnBkColor() const { return bkColor.has_value(); }
    QColor TextColor() const;
    Qt::Alignment Alignment() const { return alignStyle; }
    bool IsSunken() const { return sunken; }
    bool HasBorder() const { return border; }
    // Pixels the frames take on each side.
    int FrameWidth() const;
    // The tooltip, or nullptr before the first text.
    const ControlTip* Tip() const { return tip; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void EnsureTip();

    QString labelText;
    std::optional<QColor> bkColor;
    Qt::Alignment alignStyle = Qt::AlignLeft;
    bool sunken = false;
    bool border = false;
    ControlTip* tip = nullptr;
};

} // namespace varnet::ui
