// What a serial-number field takes from the keyboard: digits and letters,
// the characters the field was made to type besides (a mask's '#'), and the
// characters of the text the page last put into it. A number loaded from a
// file may hold others ("SN-0001"); it must stay editable key by key, while
// what the operator brings in anew stays digits and letters.
//
// GUI thread only, like the field it belongs to (its Qt parent owns it).
// Text the page sets is never refused; typing that would bring in another
// character is refused as a whole keystroke, the field unchanged.
#pragma once

#include <QString>
#include <QValidator>

namespace varnet::ui {

class SnInputValidator : public QValidator {
    Q_OBJECT
public:
    // alsoTyped: characters typeable besides digits and letters.
    SnInputValidator(QString alsoTyped, QObject* parent);

    // The page put `text` into the field: its characters become typeable
    // there, in place of those of the text it put in before.
    void KeepCharactersOf(const QString& text);

    State validate(QString& input, int& position) const override;

private:
    QString alsoTyped_;
    QString kept_;
};

} // namespace varnet::ui
