// The scanned serial numbers dialog ("Scan SN(Bar Code):"): 24 fields, one
// per port, in three columns of eight, filled from Config/ScanSN.DAT under
// the program folder when it opens, with Clear (empties the fields, the file
// is left alone), Save (writes all 24 keys and says whether that worked; the
// dialog stays open) and Cancel. Cancel, Esc and Enter close it without
// saving. Enter on a focused button presses that button instead.
//
// Modal use: exec(). A save that fails shows why instead of "Save success!".
#pragma once

#include "platform/port_count.h"
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <filesystem>

namespace varnet::ui {

class CScanSnDlg : public QDialog {
    Q_OBJECT
public:
    CScanSnDlg(const std::filesystem::path& appDir, int uiLanguage, QWidget* parent = nullptr);

    // The field of the port shown as portNumber (1 to 24).
    QLineEdit* PortField(int portNumber) const;
    QPushButton* ClearButton() const { return clearButton; }
    QPushButton* SaveButton() const { return saveButton; }
    QPushButton* CancelButton() const { return cancelButton; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnClear();
    void OnSave();

    std::filesystem::path appDir;
    int uiLanguage;
    std::array<QLineEdit*, kPortCount> fields{};
    QPushButton* clearButton;
    QPushButton* saveButton;
    QPushButton* cancelButton;
};

} // namespace varnet::ui
