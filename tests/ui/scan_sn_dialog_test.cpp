// The scanned serial numbers dialog over a scratch program folder: what it
// shows, what Save, Clear, Cancel, Esc and Enter do to the file and the focus.
#include "ui/dialogs/scan_sn_dialog.h"

#include "serial/scan_sn_store.h"
#include "temp_dir.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace varnet::ui {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

// Answers every message box that comes up with OK and keeps their texts, so
// a modal box inside a button's handler does not stop the test.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer() {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts.push_back(box->text());
                box->accept();
            }
        });
        timer.start();
    }
    QStringList texts;

private:
    QTimer timer;
};

class ScanSnDialogTest : public ::testing::Test {
protected:
    ScanSnDialogTest() { std::filesystem::create_directories(dir / "Config"); }

    std::filesystem::path File() const { return ScanSnFile(dir.path()); }

    TempDir dir;
};

TEST_F(ScanSnDialogTest, OpensWithEachPortsStoredNumberInThreeColumnsOfEight) {
    WriteText(File(), "[ScanInput]\r\nPort0=FIRST\r\nPort8=NINTH\r\nPort23=LAST\r\nPort24=NOPORT\r\n");
    CScanSnDlg dialog(dir.path(), 0);
    dialog.show();
    QApplication::processEvents();

    EXPECT_EQ(dialog.PortField(1)->text(), "FIRST");
    EXPECT_EQ(dialog.PortField(9)->text(), "NINTH");
    EXPECT_EQ(dialog.PortField(24)->text(), "LAST");
    EXPECT_EQ(dialog.PortField(2)->text(), "");
    EXPECT_EQ(dialog.PortField(0), nullptr);
    EXPECT_EQ(dialog.PortField(25), nullptr);

    for (int port = 1; port <= kPortCount; ++port) {
        QLabel* label = nullptr;
        for (QLabel* candidate : dialog.findChildren<QLabel*>())
            if (candidate->buddy() == dialog.PortField(port))
                label = candidate;
        ASSERT_NE(label, nullptr) << port;
        EXPECT_EQ(label->text(), QStringLiteral("Port %1:").arg(port, 2, 10, QLatin1Char('0')));
    }
    const auto place = [&](int port) { return dialog.PortField(port)->geometry(); };
    EXPECT_EQ(place(9).top(), place(1).top()) << "port 9 heads the second column";
    EXPECT_GT(place(9).left(), place(1).right());
    EXPECT_EQ(place(17).top(), place(1).top());
    EXPECT_GT(place(17).left(), place(9).right());
    EXPECT_GT(place(2).top(), place(1).bottom());
    EXPECT_EQ(place(8).left(), place(1).left());
    EXPECT_GT(dialog.ClearButton()->geometry().top(), place(8).bottom());
}

TEST_F(ScanSnDialogTest, CaptionsFollowTheLanguage) {
    const struct {
        int uiLanguage;
        const char *title, *clear, *save, *cancel;
    } cases[] = {
        {0, "Scan SN(Bar Code):", "Clear", "Save", "Cancel"},
        {1, "序号扫描(条形码):", "清空", "保存", "取消"},
        {2, "Scan SN(Bar Code):", "Clear", "Save", "Cancel"},
    };
    for (const auto& c : cases) {
        CScanSnDlg dialog(dir.path(), c.uiLanguage);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.title)) << c.uiLanguage;
        EXPECT_EQ(dialog.ClearButton()->text(), QString::fromUtf8(c.clear));
        EXPECT_EQ(dialog.SaveButton()->text(), QString::fromUtf8(c.save));
        EXPECT_EQ(dialog.CancelButton()->text(), QString::fromUtf8(c.cancel));
    }
}

TEST_F(ScanSnDialogTest, SaveWritesAllTwentyFourPortsAndSaysSoInEnglish) {
    WriteText(File(), "[ScanInput]\r\nPort0=OLD\r\nPort5=GONE\r\n");
    CScanSnDlg dialog(dir.path(), 1);
    dialog.show();
    dialog.PortField(1)->setText(QStringLiteral("SN-A"));
    dialog.PortField(6)->clear();
    dialog.PortField(24)->setText(QStringLiteral("SN-A"));

    MessageBoxAnswerer answers;
    QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);

    EXPECT_EQ(answers.texts, QStringList{QStringLiteral("Save success!")});
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open after a save";
    const ScanSerialNumbers saved = ReadScanSerialNumbers(dir.path());
    EXPECT_EQ(saved[0], "SN-A");
    EXPECT_EQ(saved[5], "");
    EXPECT_EQ(saved[23], "SN-A") << "two ports may hold the same number";
    const std::string text = ReadText(File());
    for (int i = 0; i < kPortCount; ++i)
        EXPECT_NE(text.find("Port" + std::to_string(i) + "="), std::string::npos) << "key Port" << i;
}

TEST_F(ScanSnDialogTest, ClearEmptiesTheFieldsOnlyUntilSaved) {
    const std::string before = "[ScanInput]\r\nPort0=KEEP\r\nPort1=ME\r\n";
    WriteText(File(), before);
    {
        CScanSnDlg dialog(dir.path(), 0);
        dialog.show();
        QTest::mouseClick(dialog.ClearButton(), Qt::LeftButton);
        for (int port = 1; port <= kPortCount; ++port)
            EXPECT_EQ(dialog.PortField(port)->text(), "") << port;
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(ReadText(File()), before);

    CScanSnDlg dialog(dir.path(), 0);
    dialog.show();
    QTest::mouseClick(dialog.ClearButton(), Qt::LeftButton);
    MessageBoxAnswerer answers;
    QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);
    EXPECT_EQ(ReadScanSerialNumbers(dir.path()), ScanSerialNumbers{});
    EXPECT_NE(ReadText(File()).find("Port23="), std::string::npos);
}

TEST_F(ScanSnDialogTest, FailedSaveIsReportedAsAFailure) {
    std::filesystem::remove_all(dir / "Config");
    const struct {
        int uiLanguage;
        const char* says;
    } cases[] = {{0, "Save failed!"}, {1, "保存失败!"}};
    for (const auto& c : cases) {
        CScanSnDlg dialog(dir.path(), c.uiLanguage);
        dialog.show();
        dialog.PortField(3)->setText(QStringLiteral("SN-3"));
        MessageBoxAnswerer answers;
        QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);

        ASSERT_EQ(answers.texts.size(), 1);
        EXPECT_TRUE(answers.texts[0].startsWith(QString::fromUtf8(c.says))) << answers.texts[0].toStdString();
        EXPECT_FALSE(answers.texts[0].contains(QStringLiteral("success")));
        EXPECT_FALSE(std::filesystem::exists(File()));
    }
}

TEST_F(ScanSnDialogTest, EscClosesWithoutSaving) {
    const std::string before = "[ScanInput]\r\nPort2=STORED\r\n";
    WriteText(File(), before);
    CScanSnDlg dialog(dir.path(), 0);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.PortField(3)->setFocus();
    dialog.PortField(3)->setText(QStringLiteral("TYPED"));
    QTest::keyClick(dialog.PortField(3), Qt::Key_Escape);

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(ReadText(File()), before);
}

TEST_F(ScanSnDialogTest, EnterAfterAScanMovesToTheNextPortAndNeverCloses) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        CScanSnDlg dialog(dir.path(), 0);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        dialog.PortField(3)->setFocus();
        QTest::keyClicks(dialog.PortField(3), QStringLiteral("SCANNED"));
        QTest::keyClick(dialog.PortField(3), key);
        EXPECT_TRUE(dialog.isVisible()) << key;
        EXPECT_TRUE(dialog.PortField(4)->hasFocus()) << key;
        EXPECT_EQ(dialog.PortField(3)->text(), "SCANNED") << "Enter must not press Clear";
        dialog.PortField(24)->setFocus();
        QTest::keyClick(dialog.PortField(24), key);
        EXPECT_TRUE(dialog.SaveButton()->hasFocus()) << key;
        EXPECT_FALSE(std::filesystem::exists(File())); // nothing saved by Enter in a field
    }
}

TEST_F(ScanSnDialogTest, EnterOnAFocusedButtonPressesThatButton) {
    CScanSnDlg dialog(dir.path(), 0);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.PortField(1)->setText(QStringLiteral("BY-ENTER"));
    dialog.SaveButton()->setFocus();
    MessageBoxAnswerer answers;
    QTest::keyClick(dialog.SaveButton(), Qt::Key_Return);

    EXPECT_EQ(answers.texts, QStringList{QStringLiteral("Save success!")});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(ReadScanSerialNumbers(dir.path())[0], "BY-ENTER");
}

TEST_F(ScanSnDialogTest, LongNumberIsSavedWholeButReadBackAs127Characters) {
    const std::string value(200, 'x');
    {
        CScanSnDlg dialog(dir.path(), 0);
        dialog.show();
        dialog.PortField(1)->setText(QString::fromStdString(value));
        MessageBoxAnswerer answers;
        QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);
    }
    EXPECT_NE(ReadText(File()).find("Port0=" + value), std::string::npos);
    CScanSnDlg reopened(dir.path(), 0);
    EXPECT_EQ(reopened.PortField(1)->text().toStdString(), value.substr(0, 127));
}

} // namespace
} // namespace varnet::ui
