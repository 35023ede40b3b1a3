#include "ui/settings/sn_input_validator.h"

#include <utility>

namespace varnet::ui {

SnInputValidator::SnInputValidator(QString alsoTyped, QObject* parent)
    : QValidator(parent), alsoTyped_(std::move(alsoTyped)) {}

void SnInputValidator::KeepCharactersOf(const QString& text) {
    kept_ = text;
}

QValidator::State SnInputValidator::validate(QString& input, int&) const {
    for (const QChar ch : input) {
        const bool digitOrLetter =
            (ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z');
        if (!digitOrLetter && !alsoTyped_.contains(ch) && !kept_.contains(ch))
            return Invalid;
    }
    return Acceptable;
}

} // namespace varnet::ui
