#include "ui/controls/progress_ctrl_ex.h"

#include "ui/controls/label.h"

namespace varnet::ui {

CProgressCtrlEx::CProgressCtrlEx(QWidget* parent) : QProgressBar(parent) {
    tip = new ControlTip(this);
}

CProgressCtrlEx::~CProgressCtrlEx() = default;

void CProgressCtrlEx::SetTipText(const QString& text) {
    tip->SetTipText(text);
}

QString CProgressCtrlEx::TipText() const {
    return tip->TipText();
}

bool CProgressCtrlEx::event(QEvent* event) {
    if (tip && tip->HandleToolEvent(event))
        return true;
    return QProgressBar::event(event);
}

} // namespace varnet::ui
