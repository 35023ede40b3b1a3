// The settings password dialog and the "Edit" gate over a scratch customer
// record file: unlocking, the change mode and what it does to the file, the
// keys the dialog refuses, and the window's layout in both languages.
#include "ui/settings/password_dlg.h"

#include "config/password_store.h"
#include "config/scrambled_file.h"
#include "temp_dir.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace varnet::ui {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

// Answers message boxes with OK (keeping their texts) and hands the password
// dialog, once, to a script: the modal loops inside UnlockSettings and the
// button handlers would otherwise never return to the test.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(CPasswordDlg&)> onDialog = {}) : script(std::move(onDialog)) {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                texts.push_back(box->text());
                box->accept();
            } else if (auto* dialog = qobject_cast<CPasswordDlg*>(modal); dialog && !dialogSeen) {
                dialogSeen = true;
                // Run outside this slot: a timer does not fire again while its
                // slot runs, and the script may raise message boxes.
                if (script)
                    QTimer::singleShot(0, dialog, [this, dialog] { script(*dialog); });
            }
        });
        timer.start();
    }
    QStringList texts;
    bool dialogSeen = false;

private:
    std::function<void(CPasswordDlg&)> script;
    QTimer timer;
};

// The customer area, distinct in every byte position so that a shifted or
// lost byte shows.
std::string CustomerArea() {
    std::string area(kPasswordOffset, '\0');
    for (size_t i = 0; i < area.size(); ++i)
        area[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return area;
}

std::string Scrambled(std::string plain) {
    std::vector<uint8_t> bytes(plain.begin(), plain.end());
    ScrambleInPlace(bytes);
    return std::string(bytes.begin(), bytes.end());
}

std::string Descrambled(const std::string& raw) {
    return Scrambled(raw); // the same XOR both ways
}

class PasswordDlgTest : public ::testing::Test {
protected:
    PasswordDlgTest() { std::filesystem::create_directories(dir / "Bin"); }

    std::filesystem::path File() const { return dir / "Bin" / "SB_ISP_Ram.BIN"; }
    // The customer area, then what follows it in the file (password, zeros, leftovers).
    void Store(std::string_view tail) { WriteText(File(), Scrambled(CustomerArea() + std::string(tail))); }

    TempDir dir;
};

void TypeAndEnter(QLineEdit* field, const QString& text) {
    field->setFocus();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

TEST_F(PasswordDlgTest, UnlockComparesWithoutLetterCaseAndAWrongPasswordEndsTheDialog) {
    const struct {
        const char* description;
        std::string stored; // after the customer area
        const char* typed;
        int uiLanguage;
        bool unlocked;
        QStringList messages;
    } cases[] = {
        {"capitals in the file, any case typed", std::string("SeCreT\0\0", 8), "sEcRet", 0, true, {}},
        {"wrong password", std::string("secret\0\0", 8), "secrets", 0, false, {"Password Error!"}},
        {"wrong password, Chinese",
         std::string("secret\0\0", 8),
         "x",
         1,
         false,
         {QString::fromUtf8("密码错误!")}},
        {"file of 312 bytes: empty password", "", "", 0, true, {}},
        {"empty password refuses any text", "", "a", 0, false, {"Password Error!"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        Store(c.stored);
        ModalDriver driver([&](CPasswordDlg& dialog) { TypeAndEnter(dialog.PasswordField(), c.typed); });
        EXPECT_EQ(UnlockSettings(c.uiLanguage, nullptr, File()), c.unlocked);
        EXPECT_TRUE(driver.dialogSeen);
        EXPECT_EQ(driver.texts, c.messages);
    }
}

TEST_F(PasswordDlgTest, OkButtonUnlocksLikeEnter) {
    Store(std::string("pw\0\0", 4));
    ModalDriver driver([](CPasswordDlg& dialog) {
        QTest::keyClicks(dialog.PasswordField(), "PW");
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(UnlockSettings(0, nullptr, File()));
}

TEST_F(PasswordDlgTest, AMissingFileSaysSoAndOpensNoDialog) {
    for (int uiLanguage : {0, 1}) {
        ModalDriver driver;
        EXPECT_FALSE(UnlockSettings(uiLanguage, nullptr, File()));
        EXPECT_FALSE(driver.dialogSeen);
        EXPECT_EQ(driver.texts, QStringList{"Customer BIN is Missing!"});
    }
}

TEST_F(PasswordDlgTest, EscIsIgnoredAndTheCloseBoxFails) {
    Store(std::string("pw\0\0", 4));
    ModalDriver driver([](CPasswordDlg& dialog) {
        QTest::keyClick(dialog.PasswordField(), Qt::Key_Escape);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        dialog.ChangeButton()->click();
        QTest::keyClick(dialog.OldField(), Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible()) << "not in change mode either";
        EXPECT_TRUE(dialog.InChangeMode());
        dialog.close();
    });
    EXPECT_FALSE(UnlockSettings(0, nullptr, File()));
    EXPECT_TRUE(driver.texts.isEmpty());
}

TEST_F(PasswordDlgTest, ModesHaveTheirSizesPlacesAndCaptions) {
    const struct {
        int uiLanguage;
        const char *title, *ok, *changeTitle, *old, *fresh, *confirm, *cancel;
    } cases[] = {
        {0, "PassWord:", "OK", "Change PassWord (Case insensitive):", "Old PassWord:", "New PassWord:",
         "Confirm PassWord:", "Cancel"},
        {1, "密码:", "确认", "修改密码(不区分大小写):", "输入旧密码:", "输入新密码:", "确认新密码:", "取消"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uiLanguage);
        CPasswordDlg dialog("", File(), c.uiLanguage);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.title));
        EXPECT_EQ(dialog.size(), QSize(360, 86));
        EXPECT_EQ(dialog.PasswordField()->geometry(), QRect(14, 16, 200, 24));
        EXPECT_EQ(dialog.PasswordField()->echoMode(), QLineEdit::Password);
        EXPECT_EQ(dialog.PasswordField()->font().pixelSize(), 16);
        EXPECT_EQ(dialog.OkButton()->geometry(), QRect(220, 16, 60, 24));
        EXPECT_EQ(dialog.OkButton()->text(), QString::fromUtf8(c.ok));
        EXPECT_EQ(dialog.ChangeButton()->geometry(), QRect(286, 16, 60, 24));
        EXPECT_EQ(dialog.ChangeButton()->text(), QString::fromUtf8("修改密码"));
        EXPECT_EQ(dialog.focusWidget(), dialog.PasswordField());
        EXPECT_FALSE(dialog.OldField()->isVisible());

        QTest::mouseClick(dialog.ChangeButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog.InChangeMode());
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.changeTitle));
        EXPECT_EQ(dialog.size(), QSize(360, 200));
        EXPECT_FALSE(dialog.PasswordField()->isVisible());
        EXPECT_FALSE(dialog.OkButton()->isVisible());
        EXPECT_FALSE(dialog.ChangeButton()->isVisible());
        const char* labels[] = {c.old, c.fresh, c.confirm};
        QLineEdit* fields[] = {dialog.OldField(), dialog.NewField(), dialog.ConfirmField()};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(dialog.ChangeLabel(i)->text(), QString::fromUtf8(labels[i]));
            EXPECT_EQ(dialog.ChangeLabel(i)->geometry(), QRect(6, 16 + 32 * i, 98, 24));
            EXPECT_TRUE(dialog.ChangeLabel(i)->alignment() & Qt::AlignRight);
            EXPECT_EQ(fields[i]->geometry(), QRect(106, 14 + 32 * i, 200, 24));
            EXPECT_EQ(fields[i]->echoMode(), QLineEdit::Password);
            EXPECT_TRUE(fields[i]->isVisible());
        }
        EXPECT_EQ(dialog.CancelChangeButton()->geometry(), QRect(80, 122, 70, 30));
        EXPECT_EQ(dialog.CancelChangeButton()->text(), QString::fromUtf8(c.cancel));
        EXPECT_EQ(dialog.ChangeOkButton()->geometry(), QRect(190, 122, 70, 30));
        EXPECT_EQ(dialog.ChangeOkButton()->text(), QString::fromUtf8(c.ok));
    }
}

TEST_F(PasswordDlgTest, ChangeRewritesTheFileKeepingTheCustomerAreaAndTheNewPasswordUnlocks) {
    // Leftovers after the old password's terminator must not survive the change.
    Store(std::string("oldpw\0leftover-bytes\0\0\0", 24));
    ModalDriver driver([](CPasswordDlg& dialog) {
        QTest::keyClicks(dialog.PasswordField(), "typed before");
        QTest::mouseClick(dialog.ChangeButton(), Qt::LeftButton);
        QTest::keyClicks(dialog.OldField(), "OLDPW");
        QTest::keyClicks(dialog.NewField(), "Ab");
        QTest::keyClicks(dialog.ConfirmField(), "aB");
        QTest::mouseClick(dialog.ChangeOkButton(), Qt::LeftButton);
        EXPECT_FALSE(dialog.InChangeMode());
        EXPECT_EQ(dialog.StoredPassword(), "ab");
        EXPECT_TRUE(dialog.PasswordField()->text().isEmpty());
        EXPECT_EQ(dialog.focusWidget(), dialog.PasswordField());
        TypeAndEnter(dialog.PasswordField(), "AB");
    });
    EXPECT_TRUE(UnlockSettings(0, nullptr, File()));
    EXPECT_TRUE(driver.texts.isEmpty()) << driver.texts.join("|").toStdString();

    const std::string raw = ReadText(File());
    ASSERT_EQ(raw.size(), 316u) << "312 + 2 + 3 rounded down to whole words";
    const std::string plain = Descrambled(raw);
    EXPECT_EQ(plain.substr(0, kPasswordOffset), CustomerArea());
    EXPECT_EQ(plain.substr(kPasswordOffset), std::string("ab\0\0", 4));
    EXPECT_EQ(ReadStoredPassword(File()), "ab");
}

TEST_F(PasswordDlgTest, ChangeToAnEmptyPasswordIsAcceptedAndUnlocksWithAnEmptyField) {
    Store(std::string("pw\0\0", 4));
    ModalDriver driver([](CPasswordDlg& dialog) {
        dialog.ChangeButton()->click();
        QTest::keyClicks(dialog.OldField(), "pw");
        dialog.ChangeOkButton()->click();
        TypeAndEnter(dialog.PasswordField(), "");
    });
    EXPECT_TRUE(UnlockSettings(0, nullptr, File()));
    EXPECT_EQ(ReadText(File()).size(), kPasswordOffset);
}

TEST_F(PasswordDlgTest, RefusedChangesStayInChangeModeAndWriteNothing) {
    const struct {
        const char* description;
        const char *old, *fresh, *confirm;
        int uiLanguage;
        const char* message; // the start of the one message shown
    } cases[] = {
        {"wrong old password", "nope", "new", "new", 0, "Password Error!"},
        {"wrong old password, Chinese", "nope", "new", "new", 1, "密码错误!"},
        {"confirmation differs", "pw", "new", "newer", 0, "Password confirm Error!"},
        {"confirmation differs, Chinese", "pw", "new", "newer", 1, "密码确认错误!"},
        // Stored whole it would be read back cut to 127 and never unlock again.
        {"longer than a read gives back", "pw", nullptr, nullptr, 0, "The password was not changed!"},
    };
    const QString tooLong(static_cast<int>(kPasswordMaxLength) + 1, QLatin1Char('x'));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        Store(std::string("pw\0\0", 4));
        const std::string before = ReadText(File());
        CPasswordDlg dialog("pw", File(), c.uiLanguage);
        dialog.show();
        dialog.ChangeButton()->click();
        QTest::keyClicks(dialog.OldField(), c.old);
        if (c.fresh) {
            QTest::keyClicks(dialog.NewField(), c.fresh);
            QTest::keyClicks(dialog.ConfirmField(), c.confirm);
        } else {
            dialog.NewField()->setText(tooLong);
            dialog.ConfirmField()->setText(tooLong);
        }
        ModalDriver driver;
        dialog.ChangeOkButton()->click();
        ASSERT_EQ(driver.texts.size(), 1);
        EXPECT_TRUE(driver.texts[0].startsWith(QString::fromUtf8(c.message)))
            << driver.texts[0].toStdString();
        EXPECT_TRUE(dialog.InChangeMode());
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.StoredPassword(), "pw");
        EXPECT_EQ(ReadText(File()), before);
    }
}

TEST_F(PasswordDlgTest, AFileGoneBeforeTheChangeKeepsTheOldPasswordAndIsNotCreated) {
    CPasswordDlg dialog("pw", File(), 0);
    dialog.show();
    dialog.ChangeButton()->click();
    QTest::keyClicks(dialog.OldField(), "pw");
    QTest::keyClicks(dialog.NewField(), "new");
    QTest::keyClicks(dialog.ConfirmField(), "new");
    ModalDriver driver;
    dialog.ChangeOkButton()->click();
    ASSERT_EQ(driver.texts.size(), 1);
    EXPECT_TRUE(driver.texts[0].contains("Customer BIN is Missing!")) << driver.texts[0].toStdString();
    EXPECT_EQ(dialog.StoredPassword(), "pw");
    EXPECT_TRUE(dialog.InChangeMode());
    EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(PasswordDlgTest, CancelAndEnterInChangeModeNeverUnlock) {
    Store(std::string("pw\0\0", 4));
    CPasswordDlg dialog("pw", File(), 0);
    dialog.show();
    QTest::keyClicks(dialog.PasswordField(), "pw");
    dialog.ChangeButton()->click();
    QTest::keyClicks(dialog.OldField(), "pw");
    dialog.CancelChangeButton()->click();
    EXPECT_FALSE(dialog.InChangeMode());
    EXPECT_TRUE(dialog.PasswordField()->text().isEmpty()) << "Cancel empties the password field";
    EXPECT_TRUE(dialog.PasswordField()->isVisible());

    // Enter in change mode runs the change; with all fields right it changes
    // the password and goes back to normal mode, but the dialog stays open.
    dialog.ChangeButton()->click();
    EXPECT_TRUE(dialog.OldField()->text().isEmpty()) << "cancelled entries are not kept";
    QTest::keyClicks(dialog.OldField(), "pw");
    QTest::keyClicks(dialog.NewField(), "two");
    QTest::keyClicks(dialog.ConfirmField(), "two");
    QTest::keyClick(dialog.ConfirmField(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.InChangeMode());
    EXPECT_EQ(ReadStoredPassword(File()), "two");
}

} // namespace
} // namespace varnet::ui
