// The port's progress bar: a progress bar with its own blue tooltip (see
// ControlTip), whose text the owner sets. GUI thread only.
#pragma once

#include <QProgressBar>
#include <QString>

namespace varnet::ui {

class ControlTip;

class CProgressCtrlEx : public QProgressBar {
    Q_OBJECT
public:
    explicit CProgressCtrlEx(QWidget* parent = nullptr);
    ~CProgressCtrlEx() override;

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
