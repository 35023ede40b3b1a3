// The Configuration page's first stage over a scratch station file: the
// [General Info] values and the "SN Set" group from the file to the controls
// and back into the file, and how the page locks and unlocks them.
#include "ui/settings/setting_dlg.h"

#include "config/station_file.h"
#include "platform/text.h"
#include "temp_dir.h"

#include <QTest>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace varnet::ui {
namespace {

using test::TempDir;
using test::WriteText;

class SettingDlgTest : public ::testing::Test {
protected:
    SettingDlgTest() {
        WriteText(File(), "[General Info]\r\nTestStationSel=3\r\nWorkingNo=WO-17\r\nModelName=Model X\r\n"
                          "SerialNum=AB0000000001\r\n[SN Set]\r\nSN_Set=1\r\nSN_Type=1\r\nSN_Len=14\r\n"
                          "SN_Start=AB000000000001\r\nSN_End=AB000000009999\r\nSN_Mask=AB############\r\n"
                          "[StationName]\r\n04=MassProd\r\n");
        LoadStationConfig(File(), record, names);
    }

    std::filesystem::path File() const { return dir / "Line.ini"; }

    TempDir dir;
    StationNameTable names;
    ST_STATION_CONFIG record{};
};

TEST_F(SettingDlgTest, FillShowsTheGeneralInfoAndSnGroup) {
    CSettingDlg page(0, nullptr, names);
    page.FillPage(record);

    ASSERT_EQ(page.TestStationList()->count(), 8);
    EXPECT_EQ(page.TestStationList()->itemText(0), "01_EraseAll");
    EXPECT_EQ(page.TestStationList()->currentText(), "04_MassProd");
    EXPECT_EQ(page.WorkingNoField()->text(), "WO-17");
    EXPECT_EQ(page.ModelNameField()->text(), "Model X");
    EXPECT_EQ(page.SerialNumField()->text(), "AB0000000001");
    EXPECT_EQ(page.SerialNumLabel()->text(), "Start SN:");
    EXPECT_TRUE(page.SnSetCheck()->isChecked());
    EXPECT_EQ(page.SnTypeList()->currentText(), "Random");
    EXPECT_EQ(page.SnLenList()->currentText(), "14");
    const char* sn[] = {"AB000000000001", "AB000000009999", "AB############"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(page.SnField(i)->text(), sn[i]);
        EXPECT_EQ(page.SnField(i)->maxLength(), 14);
        EXPECT_EQ(page.SnLengthLabel(i)->text(), "(14)");
    }
}

TEST_F(SettingDlgTest, EditedValuesGoThroughReadPageIntoTheFile) {
    CSettingDlg page(1, nullptr, names);
    page.FillPage(record);
    page.SetPageEditable(true);
    page.TestStationList()->setCurrentIndex(4);
    page.WorkingNoField()->setText(QString::fromUtf8("工单-9"));
    page.ModelNameField()->clear();
    page.SnTypeList()->setCurrentIndex(0);
    page.SnLenList()->setCurrentText("16");
    page.SnField(0)->clear();
    QTest::keyClicks(page.SnField(0), "CD00000000000042");
    page.SnField(2)->setText("CD##############");

    EXPECT_EQ(page.SerialNumField()->text(), "CD00000000000042")
        << "follows SN Start while SN Set is checked";
    EXPECT_EQ(page.SnLengthLabel(0)->text(), "(16)");
    page.ReadPage(record);
    ASSERT_TRUE(SaveStationConfig(record, File(), StationSaveContext{}, names).ok());

    ST_STATION_CONFIG saved{};
    StationNameTable reloadedNames;
    LoadStationConfig(File(), saved, reloadedNames);
    EXPECT_EQ(saved.TestStationSel, 4);
    EXPECT_EQ(FieldText(saved.WorkingNo), "工单-9");
    EXPECT_EQ(FieldText(saved.ModelName), "");
    EXPECT_EQ(FieldText(saved.SerialNum), "CD00000000000042");
    EXPECT_EQ(saved.SN_Set, 1);
    EXPECT_EQ(saved.SN_Type, 0);
    EXPECT_EQ(saved.SN_Len, 16u);
    EXPECT_EQ(FieldText(saved.SN_Start), "CD00000000000042");
    EXPECT_EQ(FieldText(saved.SN_End), "AB000000009999");
    EXPECT_EQ(FieldText(saved.SN_Mask), "CD##############");
    EXPECT_EQ(reloadedNames.Get(4), "MassProd");
}

TEST_F(SettingDlgTest, SnLengthOutsideItsRangeIsShownAndSavedAsTwelve) {
    for (const uint32_t len : {0u, 11u, 21u, 64u}) {
        record.SN_Len = len;
        CSettingDlg page(0, nullptr, names);
        page.FillPage(record);
        EXPECT_EQ(page.SnLenList()->currentText(), "12") << len;
        EXPECT_EQ(page.SnField(0)->text(), "AB0000000000") << "cut to the length shown";
        ST_STATION_CONFIG read = record;
        page.ReadPage(read);
        EXPECT_EQ(read.SN_Len, 12u);
    }
}

TEST_F(SettingDlgTest, LockedPageAndSnSetDecideWhatCanBeChanged) {
    CSettingDlg page(0, nullptr, names);
    page.FillPage(record);
    EXPECT_FALSE(page.EditMode());
    for (QWidget* control : std::initializer_list<QWidget*>{
             page.TestStationList(), page.WorkingNoField(), page.SnSetCheck(), page.SnField(0),
             page.MesButton(), page.SaveButton(), page.RdtCheck()})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();

    page.SetPageEditable(true);
    EXPECT_TRUE(page.WorkingNoField()->isEnabled());
    EXPECT_TRUE(page.SnField(0)->isEnabled());
    EXPECT_TRUE(page.MesButton()->isEnabled());
    EXPECT_FALSE(page.RdtCheck()->isEnabled()) << "the RDT box only shows the station's flag";

    page.SnTypeList()->setCurrentIndex(2); // Scan Input
    EXPECT_FALSE(page.SnField(0)->isEnabled());
    EXPECT_FALSE(page.SnLenList()->isEnabled());
    EXPECT_TRUE(page.MesButton()->isEnabled());

    page.SnSetCheck()->setChecked(false);
    EXPECT_EQ(page.SerialNumLabel()->text(), "SN Fixed:");
    EXPECT_FALSE(page.SnTypeList()->isEnabled());
    EXPECT_FALSE(page.MesButton()->isEnabled());
    const QString fixed = page.SerialNumField()->text();
    page.SnTypeList()->setCurrentIndex(0);
    QTest::keyClicks(page.SnField(0), "Z");
    EXPECT_EQ(page.SerialNumField()->text(), fixed) << "a fixed number does not follow SN Start";
}

} // namespace
} // namespace varnet::ui
