// A single-line edit that can force the case of typed letters or keep an
// unsigned number within a range. Case is applied to typed characters only;
// pasted or programmatically set text stays as it is. The range clamp runs
// when editing finishes (Enter or focus leaving the field) and whenever the
// owner calls Clamp() — owners call it before reading a value they save, so
// an out-of-range value never reaches a file. GUI thread only.
#pragma once

#include <QLineEdit>
#include <QString>

#include <cstdint>

namespace varnet::ui {

// The clamp rule: leading decimal digits after optional blanks (none, or a
// sign, reads 0; more than 32 bits saturates), then kept within
// [minimum, maximum].
uint32_t ClampRangeValue(const QString& text, uint32_t minimum, uint32_t maximum);

class CMyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CMyEdit(QWidget* parent = nullptr);

    void SetUpperCase(bool on);
    void SetLowerCase(bool on); // only while upper case is off
    // A minimum above the maximum is taken as the range between the two.
    void SetRange(bool on, uint32_t minimum, uint32_t maximum);
    // Rewrites the text as the clamped decimal value; nothing when range is off.
    void Clamp();

    bool IsUpperCase() const { return upperCase; }
    bool IsLowerCase() const { return lowerCase; }
    bool IsRangeOn() const { return rangeOn; }
    uint32_t RangeMinimum() const { return minimum; }
    uint32_t RangeMaximum() const { return maximum; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool upperCase = false;
    bool lowerCase = false;
    bool rangeOn = false;
    uint32_t minimum = 0;
    uint32_t maximum = 0;
};

} // namespace varnet::ui
