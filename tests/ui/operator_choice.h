// An entry picked from a list the way an operator picks it: the list moves
// to it and then reports the choice, as a mouse or keyboard choice does
// (handlers that only follow the operator listen for the report).
#pragma once

#include <QComboBox>

namespace varnet::test {

inline void ChooseEntry(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

} // namespace varnet::test
