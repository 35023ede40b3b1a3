// The About box, opened from the main window's menu entry and F1: program name,
// version line and copyright, with one OK button. Modal use: exec().
#pragma once

#include <QDialog>

namespace varnet::ui {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(int uiLanguage, QWidget* parent = nullptr);
};

} // namespace varnet::ui
