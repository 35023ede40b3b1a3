#include "ui/controls/my_edit.h"

#include <QKeyEvent>

#include <algorithm>
#include <limits>

namespace varnet::ui {

uint32_t ClampRangeValue(const QString& text, uint32_t minimum, uint32_t maximum) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i].unicode() - u'0');
        // A number past 32 bits is above any maximum; saturating keeps it there
        // instead of wrapping round to a small value.
        if (value > std::numeric_limits<uint32_t>::max())
            value = std::numeric_limits<uint32_t>::max();
    }
    if (value > maximum)
        return maximum;
    if (value < minimum)
        return minimum;
    return static_cast<uint32_t>(value);
}

CMyEdit::CMyEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::editingFinished, this, &CMyEdit::Clamp);
}

void CMyEdit::SetUpperCase(bool on) {
    upperCase = on;
}

void CMyEdit::SetLowerCase(bool on) {
    lowerCase = on;
}

void CMyEdit::SetRange(bool on, uint32_t rangeMinimum, uint32_t rangeMaximum) {
    rangeOn = on;
    minimum = std::min(rangeMinimum, rangeMaximum);
    maximum = std::max(rangeMinimum, rangeMaximum);
}

void CMyEdit::Clamp() {
    if (!rangeOn)
        return;
    const QString clamped = QString::number(ClampRangeValue(text(), minimum, maximum));
    if (clamped != text())
        setText(clamped);
}

void CMyEdit::keyPressEvent(QKeyEvent* event) {
    if (!upperCase && !lowerCase) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // One character for one character: a letter whose case form is longer
    // (such as the German sharp s) stays as typed.
    QString converted = event->text();
    for (QChar& c : converted) {
        if (c.isLetter())
            c = upperCase ? c.toUpper() : c.toLower();
    }
    if (converted == event->text()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent typed(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                    event->nativeVirtualKey(), event->nativeModifiers(), converted, event->isAutoRepeat(),
                    event->count(), event->device());
    QLineEdit::keyPressEvent(&typed);
    event->setAccepted(typed.isAccepted());
}

} // namespace varnet::ui
