// The "Define StationName" dialog over a scratch station file and its own
// name table: what it shows, what OK, Cancel and Esc do to the table, and how
// the names reach the file's [StationName] section at the editor's next save.
#include "ui/settings/station_name_dlg.h"

#include "config/station_file.h"
#include "temp_dir.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace varnet::ui {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

class StationNameDlgTest : public ::testing::Test {
protected:
    StationNameDlgTest() {
        WriteText(File(), "[General Info]\r\nTestStationSel=3\r\n"
                          "[StationName]\r\n01=Erase-X\r\n04=MassProd\r\n09=Extra\r\n");
        // What loading the file does to the table.
        ST_STATION_CONFIG record{};
        LoadStationConfig(File(), record, names);
    }

    std::filesystem::path File() const { return dir / "Line.ini"; }
    std::string Name(int slot) const { return names.Get(slot); }

    TempDir dir;
    StationNameTable names;
};

TEST_F(StationNameDlgTest, ShowsTheFilesNamesForTheEightStations) {
    for (int uiLanguage : {0, 1}) {
        CStationNameDlg dialog(File(), names, uiLanguage);
        EXPECT_EQ(dialog.windowTitle(),
                  QString::fromUtf8(uiLanguage ? "自定义站别名称" : "Define StationName"));
        EXPECT_EQ(dialog.OkButton()->text(), QString::fromUtf8(uiLanguage ? "确认" : "OK"));
        EXPECT_EQ(dialog.CancelButton()->text(), QString::fromUtf8(uiLanguage ? "取消" : "Cancel"));
    }
    CStationNameDlg dialog(File(), names, 0);
    const char* shown[] = {"Erase-X", "", "", "MassProd", "", "", "", ""};
    for (int station = 1; station <= 8; ++station) {
        EXPECT_EQ(dialog.NameField(station)->text(), shown[station - 1]) << station;
        QLabel* label = nullptr;
        for (QLabel* candidate : dialog.findChildren<QLabel*>())
            if (candidate->buddy() == dialog.NameField(station))
                label = candidate;
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QStringLiteral("0%1_").arg(station));
    }
    EXPECT_EQ(dialog.NameField(0), nullptr);
    EXPECT_EQ(dialog.NameField(9), nullptr);
}

TEST_F(StationNameDlgTest, OkReplacesTheTableAndLeavesTheFileAlone) {
    const std::string before = ReadText(File());
    const std::string chinese = "站别"; // 3 bytes a character in UTF-8
    QString longChinese;
    for (int i = 0; i < 11; ++i)
        longChinese += QString::fromUtf8(chinese); // 66 bytes
    CStationNameDlg dialog(File(), names, 0);
    dialog.NameField(2)->setText(QStringLiteral("Burn-In"));
    dialog.NameField(4)->clear();
    dialog.NameField(5)->setText(longChinese);
    dialog.NameField(6)->setText(QString(70, QLatin1Char('n')));
    dialog.OkButton()->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Name(1), "Erase-X");
    EXPECT_EQ(Name(2), "Burn-In");
    EXPECT_EQ(Name(3), "RDTResult");
    EXPECT_EQ(Name(4), "MP") << "an emptied field gives the preset back";
    EXPECT_EQ(Name(5).size(), 63u) << "cut on a whole character";
    EXPECT_EQ(QString::fromStdString(Name(5)), longChinese.left(21));
    EXPECT_EQ(Name(6), std::string(63, 'n'));
    EXPECT_EQ(Name(9), "Extra") << "slots 9-16 as the file has them";
    EXPECT_EQ(Name(10), "");
    EXPECT_EQ(ReadText(File()), before) << "the editor's save writes the names, not the dialog";
}

TEST_F(StationNameDlgTest, CancelEscAndTheCloseBoxChangeNothing) {
    const StationNameTable::Slots before = names.GetAll();
    const std::function<void(CStationNameDlg&)> ways[] = {
        [](CStationNameDlg& d) { d.CancelButton()->click(); },
        [](CStationNameDlg& d) { QTest::keyClick(d.NameField(1), Qt::Key_Escape); },
        [](CStationNameDlg& d) { d.close(); },
    };
    for (const auto& leave : ways) {
        CStationNameDlg dialog(File(), names, 0);
        dialog.show();
        dialog.NameField(1)->setText(QStringLiteral("Edited"));
        dialog.NameField(3)->clear();
        leave(dialog);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(names.GetAll(), before);
    }
}

TEST_F(StationNameDlgTest, ARenameNotSavedYetIsShownAgainAndSurvivesASecondOk) {
    {
        CStationNameDlg first(File(), names, 0);
        first.NameField(7)->setText(QStringLiteral("FW-Update"));
        first.OkButton()->click();
    }
    CStationNameDlg second(File(), names, 0);
    EXPECT_EQ(second.NameField(7)->text(), "FW-Update");
    EXPECT_EQ(second.NameField(1)->text(), "Erase-X");
    EXPECT_EQ(second.NameField(2)->text(), "") << "a preset the file does not name stays an empty field";
    second.OkButton()->click();
    EXPECT_EQ(Name(7), "FW-Update");
}

TEST_F(StationNameDlgTest, ANewStationFileShowsEmptyFieldsAndOkKeepsThePresets) {
    StationNameTable fresh;
    CStationNameDlg dialog(dir / "Param.ini", fresh, 0);
    for (int station = 1; station <= 8; ++station)
        EXPECT_EQ(dialog.NameField(station)->text(), "") << station;
    dialog.OkButton()->click();
    EXPECT_EQ(fresh.GetAll(), StationNameTable().GetAll());
}

TEST_F(StationNameDlgTest, EnterRunsOkAndTheNamesReachTheSectionAtTheNextSave) {
    QTimer driver;
    driver.setInterval(0);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<CStationNameDlg*>(QApplication::activeModalWidget())) {
            driver.stop();
            dialog->NameField(8)->setText(QStringLiteral("Scan"));
            QTest::keyClick(dialog->NameField(8), Qt::Key_Return);
        }
    });
    driver.start();
    ASSERT_TRUE(DefineStationNames(File(), 0, nullptr, names));

    ST_STATION_CONFIG record{};
    IniDocument doc = IniDocument::Load(File());
    WriteStationConfig(record, doc, StationSaveContext{}, names);
    const StationNameTable::Slots section = ReadStationNameSection(doc);
    EXPECT_EQ(section[0], "Erase-X");
    EXPECT_EQ(section[3], "MassProd");
    EXPECT_EQ(section[7], "Scan");
    EXPECT_EQ(section[8], "Extra");
}

} // namespace
} // namespace varnet::ui
