#include "ui/controls/button_ex.h"

#include "ui/controls/label.h"

namespace varnet::ui {

CButtonEx::CButtonEx(QWidget* parent) : QPushButton(parent) {
    tip = new ControlTip(this);
}

CButtonEx::CButtonEx(const QString& caption, QWidget* parent) : CButtonEx(parent) {
    setText(caption);
}

CButtonEx::~CButtonEx() = default;

void CButtonEx::SetTipText(const QString& text) {
    tip->SetTipText(text);
}

QString CButtonEx::TipText() const {
    return tip->TipText();
}

bool CButtonEx::event(QEvent* event) {
    if (tip && tip->HandleToolEvent(event))
        return true;
    return QPushButton::event(event);
}

} // namespace varnet::ui
