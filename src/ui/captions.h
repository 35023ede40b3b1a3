// The caption table: every caption a screen sets from a resource number, in
// English and Simplified Chinese. Screens look captions up here when they are
// set up; texts chosen in code (messages, titles, tile texts) are not here.
#pragma once

#include <QString>

#include <vector>

namespace varnet::ui {

// The caption of number in the screens' language: the Chinese form when
// uiLanguage is 1 and one exists, the English form otherwise (Traditional
// Chinese shows English). An unknown number gives an empty text.
QString Caption(int number, int uiLanguage);

// Every number in the table, ascending.
const std::vector<int>& CaptionNumbers();

} // namespace varnet::ui
