// The settings password gate of the Configuration page: the small password
// dialog (normal mode: give the password; change mode: old, new, confirm) and
// UnlockSettings, which reads the stored password from the customer record
// file and runs the dialog.
//
// Promises:
// - Esc never closes the dialog; the title-bar close box ends it without success.
// - A wrong password shows "Password Error!" and then ends the dialog without
//   success; the operator presses "Edit" again to retry.
// - A change is written to the file before the dialog believes it: when the file
//   cannot be rewritten (gone, unwritable, password longer than the 127
//   characters a read gives back) the operator is told, the old password stays
//   in force and the dialog stays in change mode.
// - Enter in change mode runs the change, never an unlock.
//
// GUI thread only. The caller owns what unlocking means (enabling the editor,
// the page lock bits); UnlockSettings only answers whether it may.
#pragma once

#include "config/customer_record.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <filesystem>
#include <string>

namespace varnet::ui {

class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    // storedPassword as read from the file (lower case); customerFile is the
    // file a change rewrites.
    CPasswordDlg(std::string storedPassword, std::filesystem::path customerFile, int uiLanguage,
                 QWidget* parent = nullptr);

    bool InChangeMode() const { return changeMode; }
    const std::string& StoredPassword() const { return storedPassword; }

    QLineEdit* PasswordField() const { return passwordField; }
    QPushButton* OkButton() const { return okButton; }
    QPushButton* ChangeButton() const { return changeButton; }
    QLineEdit* OldField() const { return changeFields[0]; }
    QLineEdit* NewField() const { return changeFields[1]; }
    QLineEdit* ConfirmField() const { return changeFields[2]; }
    QLabel* ChangeLabel(int index) const { return changeLabels.at(static_cast<size_t>(index)); }
    QPushButton* CancelChangeButton() const { return cancelChangeButton; }
    QPushButton* ChangeOkButton() const { return changeOkButton; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnOk();
    void OnChangePassword();
    void ShowNormalMode();
    void ShowChangeMode();
    void Tell(const QString& text);

    std::string storedPassword;
    std::filesystem::path customerFile;
    int uiLanguage;
    bool changeMode = false;

    QLineEdit* passwordField;
    QPushButton* okButton;
    QPushButton* changeButton;
    std::array<QLabel*, 3> changeLabels{};
    std::array<QLineEdit*, 3> changeFields{};
    QPushButton* cancelChangeButton;
    QPushButton* changeOkButton;
};

// The "Edit" button's gate: reads customerFile (the program folder's
// ./Bin/SB_ISP_Ram.BIN by default) and runs the password dialog modally.
// True when the right password was given. A file that cannot be read shows
// "Customer BIN is Missing!" and opens no dialog.
bool UnlockSettings(int uiLanguage, QWidget* parent,
                    const std::filesystem::path& customerFile = kCustomerFile);

} // namespace varnet::ui
