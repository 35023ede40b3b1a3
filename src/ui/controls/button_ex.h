// The port's start button: a push button with its own blue tooltip (see
// ControlTip), whose text the owner sets. GUI thread only.
#pragma once

#include <QPushButton>
#include <QString>

namespace varnet::ui {

class ControlTip;

class CButtonEx : public QPushButton {
    Q_OBJECT
public:
    explicit CButtonEx(QWidget* parent = nullptr);
    explicit CButtonEx(const QString& caption, QWidget* parent = nullptr);
    ~CButtonEx() override;

    void SetTipText(const QString& text);
    QString TipText() const;
    const ControlTip* Tip() const { return tip; }

protected:
    bool event(QEvent* event) override;

private:
    // Null until the constructor has made it: making it as a child sends
    // this control an event before the pointer is set.
    ControlTip* tip = nullptr;
};

} // namespace varnet::ui
