#include "ui/settings/password_dlg.h"

#include "config/password_store.h"
#include "platform/system_info.h"
#include "platform/text.h"

#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>

#include <utility>

namespace varnet::ui {
namespace {

QString Text(int uiLanguage, const char* english, const char* chinese) {
    return QString::fromUtf8(uiLanguage == kLanguageChinese ? chinese : english);
}

void ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

QLineEdit* MaskedField(QWidget* parent, QRect place) {
    auto* field = new QLineEdit(parent);
    field->setEchoMode(QLineEdit::Password);
    field->setGeometry(place);
    return field;
}

QPushButton* Button(QWidget* parent, const QString& caption, QRect place) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(place);
    // Enter is the dialog's own business (keyPressEvent); a default button
    // would turn it into a click on whichever button had focus last.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

CPasswordDlg::CPasswordDlg(std::string stored, std::filesystem::path file, int language, QWidget* parent)
    : QDialog(parent), storedPassword(std::move(stored)), customerFile(std::move(file)),
      uiLanguage(language) {
    passwordField = MaskedField(this, QRect(14, 16, 200, 24));
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(16);
    passwordField->setFont(arial);
    okButton = Button(this, Text(uiLanguage, "OK", "确认"), QRect(220, 16, 60, 24));
    changeButton = Button(this, QString::fromUtf8("修改密码"), QRect(286, 16, 60, 24));

    const char* labelTexts[3][2] = {
        {"Old PassWord:", "输入旧密码:"},
        {"New PassWord:", "输入新密码:"},
        {"Confirm PassWord:", "确认新密码:"},
    };
    for (size_t i = 0; i < changeFields.size(); ++i) {
        const int top = 16 + 32 * static_cast<int>(i);
        auto* label = new QLabel(Text(uiLanguage, labelTexts[i][0], labelTexts[i][1]), this);
        label->setGeometry(6, top, 98, 24);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        changeLabels[i] = label;
        changeFields[i] = MaskedField(this, QRect(106, top - 2, 200, 24));
        label->setBuddy(changeFields[i]);
    }
    cancelChangeButton = Button(this, Text(uiLanguage, "Cancel", "取消"), QRect(80, 122, 70, 30));
    changeOkButton = Button(this, Text(uiLanguage, "OK", "确认"), QRect(190, 122, 70, 30));

    connect(okButton, &QPushButton::clicked, this, &CPasswordDlg::OnOk);
    connect(changeButton, &QPushButton::clicked, this, &CPasswordDlg::ShowChangeMode);
    connect(cancelChangeButton, &QPushButton::clicked, this, [this] {
        passwordField->clear();
        // Typed passwords are not left behind in hidden fields.
        for (QLineEdit* field : changeFields)
            field->clear();
        ShowNormalMode();
    });
    connect(changeOkButton, &QPushButton::clicked, this, &CPasswordDlg::OnChangePassword);

    ShowNormalMode();
}

void CPasswordDlg::ShowNormalMode() {
    changeMode = false;
    setWindowTitle(Text(uiLanguage, "PassWord:", "密码:"));
    for (size_t i = 0; i < changeFields.size(); ++i) {
        changeLabels[i]->hide();
        changeFields[i]->hide();
    }
    cancelChangeButton->hide();
    changeOkButton->hide();
    passwordField->show();
    okButton->show();
    changeButton->show();
    setFixedSize(360, 86);
    passwordField->setFocus();
}

void CPasswordDlg::ShowChangeMode() {
    changeMode = true;
    setWindowTitle(Text(uiLanguage, "Change PassWord (Case insensitive):", "修改密码(不区分大小写):"));
    passwordField->hide();
    okButton->hide();
    changeButton->hide();
    for (size_t i = 0; i < changeFields.size(); ++i) {
        changeLabels[i]->show();
        changeFields[i]->show();
    }
    cancelChangeButton->show();
    changeOkButton->show();
    setFixedSize(360, 200);
    changeFields[0]->setFocus();
}

void CPasswordDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!changeMode) {
            if (focusWidget() == passwordField)
                OnOk();
            else if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
                button->click();
        } else if (focusWidget() == cancelChangeButton) {
            cancelChangeButton->click();
        } else {
            OnChangePassword();
        }
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CPasswordDlg::OnOk() {
    const bool right = PasswordMatches(passwordField->text().toStdString(), storedPassword);
    if (right) {
        accept();
        return;
    }
    Tell(Text(uiLanguage, "Password Error!", "密码错误!"));
    reject();
}

void CPasswordDlg::OnChangePassword() {
    std::array<std::string, 3> typed;
    for (size_t i = 0; i < typed.size(); ++i)
        typed[i] = ToLowerAscii(changeFields[i]->text().toStdString());
    passwordField->clear();

    if (typed[0] != storedPassword) {
        Tell(Text(uiLanguage, "Password Error!", "密码错误!"));
        return;
    }
    if (typed[1] != typed[2]) {
        Tell(Text(uiLanguage, "Password confirm Error!", "密码确认错误!"));
        return;
    }
    // Only a password that is in the file counts: one kept in the dialog alone
    // would unlock this once and then be lost, leaving the operator with a
    // password nobody set.
    const Status written = WriteStoredPassword(customerFile, typed[1]);
    if (!written.ok()) {
        Tell(Text(uiLanguage, "The password was not changed!\n", "密码未修改!\n") +
             QString::fromStdString(written.message()));
        return;
    }
    storedPassword = typed[1];
    for (QLineEdit* field : changeFields)
        field->clear();
    ShowNormalMode();
}

void CPasswordDlg::Tell(const QString& text) {
    ShowMessage(this, text);
}

bool UnlockSettings(int uiLanguage, QWidget* parent, const std::filesystem::path& customerFile) {
    const std::optional<std::string> stored = ReadStoredPassword(customerFile);
    if (!stored) {
        ShowMessage(parent, QStringLiteral("Customer BIN is Missing!"));
        return false;
    }
    CPasswordDlg dialog(*stored, customerFile, uiLanguage, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace varnet::ui
