// The Configuration page's first stage over a scratch station file: the
// [General Info] values and the "SN Set" group from the file to the controls
// and back into the file, and how the page locks and unlocks them.
#include "ui/settings/setting_dlg.h"

#include "config/companion_file.h"
#include "config/flash_database.h"
#include "config/station_file.h"
#include "engine/main_page.h"
#include "operator_choice.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "temp_dir.h"

#include <QTest>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

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
    EXPECT_EQ(page.Controls().workingNo->text(), "WO-17");
    EXPECT_EQ(page.Controls().modelName->text(), "Model X");
    EXPECT_EQ(page.Controls().serialNum->text(), "AB0000000001");
    EXPECT_EQ(page.Controls().serialNumLabel->text(), "Start SN:");
    EXPECT_TRUE(page.Controls().snSet->isChecked());
    EXPECT_EQ(page.Controls().snType->currentText(), "Random");
    EXPECT_EQ(page.Controls().snLen->currentText(), "14");
    const char* sn[] = {"AB000000000001", "AB000000009999", "AB############"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(page.Controls().snFields[i]->text(), sn[i]);
        EXPECT_EQ(page.Controls().snFields[i]->maxLength(), 14);
        EXPECT_EQ(page.Controls().snLengthLabels[i]->text(), "(14)");
    }
}

TEST_F(SettingDlgTest, EditedValuesGoThroughReadPageIntoTheFile) {
    CSettingDlg page(1, nullptr, names);
    page.FillPage(record);
    page.SetPageEditable(true);
    page.TestStationList()->setCurrentIndex(4);
    page.Controls().workingNo->setText(QString::fromUtf8("工单-9"));
    page.Controls().modelName->clear();
    page.Controls().snType->setCurrentIndex(0);
    page.Controls().snLen->setCurrentText("16");
    page.Controls().snFields[0]->clear();
    QTest::keyClicks(page.Controls().snFields[0], "CD00000000000042");
    page.Controls().snFields[2]->setText("CD##############");

    EXPECT_EQ(page.Controls().serialNum->text(), "CD00000000000042")
        << "follows SN Start while SN Set is checked";
    EXPECT_EQ(page.Controls().snLengthLabels[0]->text(), "(16)");
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
    EXPECT_EQ(FieldText(saved.SN_End), "AB00000000009999") << "the range kept at the new length";
    EXPECT_EQ(FieldText(saved.SN_Mask), "CD##############");
    EXPECT_EQ(reloadedNames.Get(4), "MassProd");
}

// A number loaded with characters of its own ("SN-") stays editable key by
// key; what is typed anew is still digits and letters, and '#' in the mask.
TEST_F(SettingDlgTest, ALoadedNumberWithOtherCharactersStaysEditableKeyByKey) {
    record.SN_Type = 0;
    SetFieldText(record.SN_Start, "SN-00000000001");
    SetFieldText(record.SN_End, "SN-99999999999");
    SetFieldText(record.SN_Mask, "SN-###########");
    CSettingDlg page(0, nullptr, names);
    page.FillPage(record);
    page.SetPageEditable(true);
    const SettingControls& c = page.Controls();
    const auto type = [](QLineEdit* field, int position, std::initializer_list<Qt::Key> keys) {
        field->setFocus();
        field->setCursorPosition(position);
        for (const Qt::Key key : keys)
            QTest::keyClick(field, key);
        return field->text();
    };
    using enum Qt::Key;
    // The last digit rewritten; '*' and '+' are refused.
    EXPECT_EQ(type(c.snFields[0], 14, {Key_Backspace, Key_Asterisk, Key_Plus, Key_7}), "SN-00000000007");
    EXPECT_EQ(type(c.snFields[1], 14, {Key_Backspace, Key_Asterisk, Key_Plus, Key_8}), "SN-99999999998");
    // The loaded text's own '-' may come back where it was.
    EXPECT_EQ(type(c.snFields[0], 3, {Key_Backspace}), "SN00000000007");
    EXPECT_EQ(type(c.snFields[0], 2, {Key_Minus}), "SN-00000000007");
    EXPECT_EQ(type(c.snFields[2], 14, {Key_Backspace, Key_Asterisk, Key_Plus, Key_NumberSign}),
              "SN-###########");
}

TEST_F(SettingDlgTest, SnLengthOutsideItsRangeIsShownAndSavedAsTwelve) {
    for (const uint32_t len : {0u, 11u, 21u, 64u}) {
        record.SN_Len = len;
        CSettingDlg page(0, nullptr, names);
        page.FillPage(record);
        EXPECT_EQ(page.Controls().snLen->currentText(), "12") << len;
        EXPECT_EQ(page.Controls().snFields[0]->text(), "AB0000000000") << "cut to the length shown";
        ST_STATION_CONFIG read = record;
        page.ReadPage(read);
        EXPECT_EQ(read.SN_Len, 12u);
    }
}

TEST_F(SettingDlgTest, TheOperatorsSnLengthAndMaskKeepTheRangeInStep) {
    CSettingDlg page(0, nullptr, names);
    page.FillPage(record); // SN_Len 14, Random, AB prefix
    page.SetPageEditable(true);
    page.Controls().snLen->setCurrentIndex(16 - 12);
    EXPECT_EQ(page.Controls().snFields[0]->text(), "AB00000000000001");
    EXPECT_EQ(page.Controls().snFields[1]->text(), "AB00000000009999");
    EXPECT_EQ(page.Controls().snFields[2]->text(), "AB##############");
    EXPECT_EQ(page.Controls().serialNum->text(), "AB00000000000001") << "Start SN follows SN Start";
    page.Controls().snLen->setCurrentIndex(0);
    EXPECT_EQ(page.Controls().snFields[1]->text(), "AB0000009999")
        << "cut where the count starts, not at the end";
    EXPECT_EQ(page.Controls().snFields[0]->maxLength(), 12);

    page.Controls().snFields[2]->selectAll();
    QTest::keyClicks(page.Controls().snFields[2], "cd");
    EXPECT_EQ(page.Controls().snFields[2]->text(), "CD");
    EXPECT_EQ(page.Controls().snFields[0]->text(), "CD0000000001");
    EXPECT_EQ(page.Controls().snFields[1]->text(), "CD0000009999");

    // A fill shows the file as it is; only a new length chosen refills.
    page.FillPage(record);
    EXPECT_EQ(page.Controls().snFields[2]->text(), "AB############");
}

TEST_F(SettingDlgTest, LockedPageAndSnSetDecideWhatCanBeChanged) {
    CSettingDlg page(0, nullptr, names);
    page.FillPage(record);
    EXPECT_FALSE(page.EditMode());
    for (QWidget* control : std::initializer_list<QWidget*>{
             page.TestStationList(), page.Controls().workingNo, page.Controls().snSet,
             page.Controls().snFields[0], page.Controls().mes, page.Controls().save, page.Controls().rdt})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();

    page.SetPageEditable(true);
    EXPECT_TRUE(page.Controls().workingNo->isEnabled());
    EXPECT_TRUE(page.Controls().snFields[0]->isEnabled());
    EXPECT_TRUE(page.Controls().mes->isEnabled());
    EXPECT_FALSE(page.Controls().rdt->isEnabled()) << "the RDT box only shows the station's flag";

    page.Controls().snType->setCurrentIndex(2); // Scan Input
    EXPECT_FALSE(page.Controls().snFields[0]->isEnabled());
    EXPECT_FALSE(page.Controls().snLen->isEnabled());
    EXPECT_TRUE(page.Controls().mes->isEnabled());

    page.Controls().snSet->setChecked(false);
    EXPECT_EQ(page.Controls().serialNumLabel->text(), "SN Fixed:");
    EXPECT_FALSE(page.Controls().snType->isEnabled());
    EXPECT_FALSE(page.Controls().mes->isEnabled());
    const QString fixed = page.Controls().serialNum->text();
    page.Controls().snType->setCurrentIndex(0);
    QTest::keyClicks(page.Controls().snFields[0], "Z");
    EXPECT_EQ(page.Controls().serialNum->text(), fixed) << "a fixed number does not follow SN Start";
}

} // namespace
} // namespace varnet::ui

// The whole page over a program folder: activation, the unlock, Save and
// Save As with the companion file, a change of station, the flash lists.
namespace varnet::ui {
namespace {

class SettingPageTest : public ::testing::Test {
protected:
    SettingPageTest() {
        std::filesystem::create_directories(dir / "Config");
        test::WriteText(dir / "04_MP.ini",
                        "[ConfigID]\r\nID=98 3C 98 B3 76 72-BICS3\r\n[General Info]\r\nTestStationSel=3\r\n"
                        "WorkingNo=WO-1\r\nSlotNumber=24\r\n[Flash Info]\r\nFlh_ID=98 3C 98 B3 76 72 \r\n"
                        "Flh_Capacity=262144\r\nFlash Clock=200\r\nFlash Interface=5\r\nCE_Mask=15\r\n"
                        "[Device Info]\r\nSATASpeed=0\r\nSSD Size=M.2\r\n[Options]\r\nDDRSize=64\r\n"
                        "SetSSDSize=200\r\nHV_Flash=1\r\nScanBad_CheckByDie=1\r\nRetention_Test=2\r\n"
                        "EnableCEMask=1\r\nSetCEMask=3\r\nPadODTEnable=1\r\nPadODT=2\r\nDisableSmartC4=1\r\n"
                        "SLCPoolSizeSel=6\r\nPretestType=2\r\nSet_Custom_SMART_Temperature=45\r\n"
                        "Enable_Set_Custom_SMART_Temperature=1\r\n"
                        "[Write_Read BurnIn]\r\nEnable=1\r\nSetCapacity=2\r\nCapacity=500\r\n");
        ST_SSD_FLASH_PARAM bics3{};
        SetFieldText(bics3.name, "BICS3");
        bics3.flashId = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72};
        SetFieldText(bics3.mpFirmware, "7720C123MP.bin");
        bics3.SetMbPerDie(32768);
        bics3.diesPerCe = 2;
        ST_SSD_FLASH_PARAM b0k = bics3;
        SetFieldText(b0k.name, "B0K");
        b0k.flashId = {0x2C, 0xA4, 0x08, 0x32, 0xA1, 0x00};
        db.LoadFromBytes(EncodeFlashDatabase(std::vector{bics3, b0k}));
        env.appDir = dir.path().string() + "/";
        env.flashDatabase = &db;
        PageLockBits() = 0;
        told.clear();
    }
    ~SettingPageTest() override { PageLockBits() = 0; }

    std::unique_ptr<CSettingDlg> Page() {
        auto page = std::make_unique<CSettingDlg>(env, nullptr, names);
        page->Hooks().tell = [this](const QString& text) { told << text; };
        page->Hooks().unlock = [this] { return unlockAnswer; };
        return page;
    }
    std::unique_ptr<CSettingDlg> UnlockedPage() {
        auto page = Page();
        EXPECT_TRUE(page->ActivateSettingsPage("04_MP.ini"));
        page->OnEdit();
        return page;
    }
    ST_STATION_CONFIG Saved(const char* file = "04_MP.ini") {
        ST_STATION_CONFIG saved{};
        StationNameTable scratch;
        LoadStationConfig(dir / file, saved, scratch);
        return saved;
    }

    TempDir dir;
    StationNameTable names;
    FlashDatabase db;
    SettingEnvironment env;
    bool unlockAnswer = true;
    QStringList told;
};

// An edit keeps the other pages away; the Configuration page's own bit is the runs'.
constexpr uint32_t kEditLocks = kLockMainPage | kLockRdtInfoPage | kLockBadBlockPage;

TEST_F(SettingPageTest, ActivationThenSaveKeepsWhatTheFileHeld) {
    auto page = UnlockedPage();
    EXPECT_EQ(PageLockBits().load(), kEditLocks) << "editing locks the other pages";
    EXPECT_FALSE(page->Controls().edit->isEnabled());
    EXPECT_EQ(page->Controls().sataSpeed->currentText(), "GEN3(6.0G)");
    EXPECT_EQ(page->Controls().slcBuffer->currentText(), "40GB");
    EXPECT_EQ(page->Controls().flashConfig->currentText(), "98 3C 98 B3 76 72-BICS3");

    page->OnSave();
    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();
    EXPECT_EQ(PageLockBits().load(), 0u);
    EXPECT_FALSE(page->Controls().workingNo->isEnabled()) << "locked again after Save";
    EXPECT_TRUE(page->Controls().edit->isEnabled());
    EXPECT_FALSE(page->PageInitialised());

    const ST_STATION_CONFIG saved = Saved();
    EXPECT_EQ(saved.SATASpeed, 3);
    EXPECT_EQ(saved.FlashClock, 200u);
    EXPECT_EQ(saved.FlashInterface, 5u);
    EXPECT_EQ(FieldText(saved.SSDSize), "M.2");
    EXPECT_EQ(saved.PMASetting, 42003);
    EXPECT_EQ(saved.DDRSize, 64u);
    EXPECT_EQ(saved.SetSSDSize, 200u);
    EXPECT_EQ(saved.SLCPoolSizeSel, 6u);
    EXPECT_EQ(saved.SLCPoolSize, 10485760u);
    EXPECT_EQ(saved.PretestType, 2);
    EXPECT_EQ(saved.DisableSmartC4, 1);
    // Hidden for every station, and still carried through.
    EXPECT_EQ(saved.HV_Flash, 1);
    EXPECT_EQ(saved.ScanBad_CheckByDie, 1);
    EXPECT_EQ(saved.Retention_Test, 2);
    EXPECT_EQ(saved.EnableCEMask, 1);
    EXPECT_EQ(saved.SetCEMask, 3u);
    EXPECT_EQ(saved.Set_Custom_SMART_Temperature, 45u);
    EXPECT_EQ(saved.Enable_Set_Custom_SMART_Temperature, 1);
    EXPECT_EQ(saved.PadODTEnable, 1);
    EXPECT_EQ(saved.PadODT, 2);
    EXPECT_EQ(saved.wrBurnInEnable, 1);
    EXPECT_EQ(saved.SetCapacity, 2u);
    EXPECT_EQ(saved.Capacity, 500u);
    EXPECT_EQ(test::ReadText(dir / "04_MP.ini").find("SlotNumber=24") != std::string::npos, true);

    ST_STATION_CONFIG companion{};
    LoadStationSection(dir / "Config/04_MP_Com.cfg", companion);
    EXPECT_EQ(companion.HV_Flash, 1) << "the companion's MP section follows the save";
    EXPECT_EQ(FieldText(companion.WorkingNo), "WO-1");
}

TEST_F(SettingPageTest, ChoosingScanInputStoresAsterisksAndLeavingItARange) {
    auto page = UnlockedPage();
    QComboBox* type = page->Controls().snType;
    test::ChooseEntry(type, 2);
    const int snLen = page->Controls().snFields[0]->maxLength();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(page->Controls().snFields[i]->text().toStdString(),
                  std::string(static_cast<size_t>(snLen), '*'))
            << i;
    // A new length under Scan Input is a new row of asterisks.
    QComboBox* length = page->Controls().snLen;
    const int longer = length->currentIndex() + 2;
    test::ChooseEntry(length, longer);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(page->Controls().snFields[i]->text().size(), snLen + 2) << i;
    test::ChooseEntry(length, longer - 2);
    test::ChooseEntry(type, 0);
    EXPECT_EQ(page->Controls().snFields[0]->text().toStdString(),
              std::string(static_cast<size_t>(snLen), '0'));
    EXPECT_EQ(page->Controls().snFields[1]->text().toStdString(),
              std::string(static_cast<size_t>(snLen), '9'));
    EXPECT_EQ(page->Controls().snFields[2]->text().toStdString(),
              std::string(static_cast<size_t>(snLen), '#'));
}

TEST_F(SettingPageTest, SerialNumberFieldsTypeCapitals) {
    auto page = UnlockedPage();
    page->Controls().snSet->setChecked(true);
    test::ChooseEntry(page->Controls().snType, 0);
    ASSERT_TRUE(page->Controls().snFields[0]->isEnabled());
    page->Controls().snFields[0]->clear();
    page->Controls().snFields[0]->setFocus();
    QTest::keyClicks(page->Controls().snFields[0], QStringLiteral("vn26ab"));
    EXPECT_EQ(page->Controls().snFields[0]->text(), "VN26AB");
}

TEST_F(SettingPageTest, AFailedCompanionWriteChangesNeitherFileAndKeepsTheTyping) {
    auto page = UnlockedPage();
    const std::string before = test::ReadText(dir / "04_MP.ini");
    std::filesystem::remove(dir / "Config/04_MP_Com.cfg");
    std::filesystem::create_directories(dir / "Config/04_MP_Com.cfg");
    page->Controls().workingNo->setText("WO-2");

    page->OnSave();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith("Save failed")) << told[0].toStdString();
    EXPECT_EQ(test::ReadText(dir / "04_MP.ini"), before);
    EXPECT_TRUE(page->Controls().workingNo->isEnabled());
    EXPECT_EQ(page->Controls().workingNo->text(), "WO-2");
    EXPECT_EQ(PageLockBits().load(), kEditLocks) << "still editing";

    std::filesystem::remove(dir / "Config/04_MP_Com.cfg");
    page->OnSave();
    EXPECT_EQ(FieldText(Saved().WorkingNo), "WO-2") << "the retry saves what was typed";
}

TEST_F(SettingPageTest, SaveAsAppendsIniAndKeepsTheOtherPagesLocked) {
    auto page = UnlockedPage();
    page->Hooks().chooseSaveAsFile = [] { return QStringLiteral("Copy"); };
    page->Controls().workingNo->setText("WO-3");
    page->OnSaveAs();
    ASSERT_TRUE(std::filesystem::exists(dir / "Copy.ini"));
    EXPECT_EQ(FieldText(Saved("Copy.ini").WorkingNo), "WO-3");
    EXPECT_EQ(FieldText(Saved().WorkingNo), "WO-1") << "the original stays";
    EXPECT_EQ(told, QStringList{"Save As success!"});
    EXPECT_EQ(PageLockBits().load(), kEditLocks);
    EXPECT_FALSE(page->Controls().workingNo->isEnabled());

    page->OnEdit();
    page->Hooks().chooseSaveAsFile = [] { return QString(); };
    page->OnSaveAs();
    EXPECT_TRUE(page->Controls().workingNo->isEnabled()) << "cancel changes nothing";
}

TEST_F(SettingPageTest, EditNeedsThePasswordAndRunsRefuseTheActivation) {
    unlockAnswer = false;
    auto page = Page();
    ASSERT_TRUE(page->ActivateSettingsPage("04_MP.ini"));
    page->OnEdit();
    EXPECT_FALSE(page->Controls().workingNo->isEnabled());
    EXPECT_EQ(PageLockBits().load(), 0u);

    auto other = Page();
    PageLockBits() = kLockConfigurationPage;
    EXPECT_FALSE(other->ActivateSettingsPage("04_MP.ini"));
    EXPECT_FALSE(other->PageInitialised());
}

TEST_F(SettingPageTest, StationChangeLoadsTheStationsOwnValuesAndKeepsTheTyping) {
    auto page = UnlockedPage();
    page->OnSave(); // gives the companion its 04_MP section
    page->OnEdit();
    page->Controls().workingNo->setText("WO-typed");

    page->TestStationList()->setCurrentIndex(kStationReMp);
    page->OnTestStationChosen(kStationReMp);
    EXPECT_EQ(page->Record().CheckBBT, 1);
    EXPECT_EQ(page->Controls().workingNo->text(), "WO-typed");
    EXPECT_FALSE(page->Controls().sataSpeed->isVisibleTo(page.get()));
    EXPECT_TRUE(page->Controls().resetSmart->isVisibleTo(page.get()));
    page->OnSave();
    EXPECT_EQ(Saved().CheckBBT, 1) << "ReMP writes CheckBBT";
    EXPECT_EQ(Saved().TestStationSel, kStationReMp);

    page->OnEdit();
    page->TestStationList()->setCurrentIndex(kStationMp);
    page->OnTestStationChosen(kStationMp);
    EXPECT_EQ(page->Record().HV_Flash, 1) << "MP's values come back from its companion section";
    EXPECT_EQ(page->Controls().slcBuffer->currentText(), "40GB");
}

TEST_F(SettingPageTest, CheckBoxEffects) {
    auto page = UnlockedPage();
    auto* setSize = page->Controls().setTotalSize;
    auto* partial = page->Controls().usePartial;
    ASSERT_TRUE(setSize->isChecked());
    partial->click();
    EXPECT_FALSE(setSize->isChecked());
    EXPECT_FALSE(page->Controls().setSizeGb->isEnabled());
    EXPECT_TRUE(page->Controls().setSizeGb->text().isEmpty());
    setSize->click();
    EXPECT_FALSE(partial->isChecked());
    EXPECT_EQ(page->Controls().setSizeGb->text(), "200");

    page->Controls().disableSmartC7->click();
    page->Controls().defineC7_0->click();
    EXPECT_FALSE(page->Controls().disableSmartC7->isChecked());

    page->Controls().disableSmartC2->click();
    EXPECT_FALSE(page->Controls().fixedTemperature->isChecked());
    EXPECT_FALSE(page->Controls().fixedTemperature->isEnabled());
    page->Controls().disableSmartC2->click();
    EXPECT_TRUE(page->Controls().fixedTemperature->isChecked());

    auto* pretest = page->Controls().pretest;
    auto* checkRdt = page->Controls().checkRdt;
    EXPECT_FALSE(page->Controls().laterBadLimit->isVisibleTo(page.get()));
    test::ChooseEntry(pretest, 3);
    EXPECT_TRUE(page->Controls().laterBadLimit->isVisibleTo(page.get()));
    EXPECT_TRUE(page->Controls().laterBadLimit->isEnabled()) << "MP's own fail limits, RDT or not";
    EXPECT_FALSE(checkRdt->isEnabled());
    test::ChooseEntry(pretest, 0);
    EXPECT_FALSE(page->Controls().laterBadLimit->isVisibleTo(page.get()));
    EXPECT_TRUE(checkRdt->isEnabled());

    // CE_Mask 15 from Detect: CE0-CE3 usable, SetCEMask 3 checks CE0 and CE1.
    EXPECT_TRUE(page->Controls().ceBoxes[1]->isChecked());
    EXPECT_FALSE(page->Controls().ceBoxes[2]->isChecked());
    EXPECT_TRUE(page->Controls().ceBoxes[3]->isEnabled());
    EXPECT_FALSE(page->Controls().ceBoxes[4]->isEnabled());
    page->Controls().ceMapEnable->click();
    EXPECT_FALSE(page->Controls().ceBoxes[0]->isChecked());
    EXPECT_FALSE(page->Controls().ceBoxes[0]->isEnabled());
}

TEST_F(SettingPageTest, ReadMessagesInformAndTheSlcFallsBackToAuto) {
    auto page = UnlockedPage();
    page->Controls().totalSize->setCurrentText("120GB");
    page->Controls().ceBoxes[1]->setChecked(false);
    page->Controls().ceBoxes[2]->setChecked(true); // one channel without... CE0 kept
    page->Controls().ceBoxes[0]->setChecked(false);
    page->OnSave();
    ASSERT_EQ(told.size(), 2) << told.join("|").toStdString();
    EXPECT_TRUE(told[0].startsWith("Unexpected problem may arise")) << told[0].toStdString();
    EXPECT_EQ(told[1], "Set CH/CE Map Error!\r\n(CE0 must be used!)");
    const ST_STATION_CONFIG saved = Saved();
    EXPECT_EQ(saved.Flh_Capacity, 120u * 1024);
    EXPECT_EQ(saved.SLCPoolSizeSel, 0u);
    EXPECT_EQ(saved.SetCEMask, 4u) << "the map is saved anyway";
}

TEST_F(SettingPageTest, DialogCommandsGetWhatTheyNeed) {
    auto page = UnlockedPage();
    QString mesSn;
    page->Hooks().runMes = [&](const QString& sn) { mesSn = sn; };
    page->Controls().snSet->setChecked(true);
    page->Controls().snFields[0]->setText("ZZ0000000007");
    page->OnMes();
    EXPECT_EQ(mesSn, "ZZ0000000007");

    page->Hooks().defineStationNames = [&](const std::filesystem::path& file) {
        EXPECT_EQ(file.filename(), "04_MP.ini");
        names.Set(4, "Produce");
        names.Set(1, "");
        return true;
    };
    page->OnDefineStationNames();
    EXPECT_EQ(page->TestStationList()->currentIndex(), kStationMp) << "the position is kept";
    EXPECT_EQ(page->TestStationList()->currentText(), "04_Produce");
    EXPECT_EQ(page->TestStationList()->itemText(0), "01_EraseAll") << "empty slots get their presets";

    page->Hooks().chooseUpdateImage = [&] {
        return QString::fromStdString(env.appDir.string()) + "Bin/NEWFW0123.bin";
    };
    page->OnChooseUpdateImage();
    EXPECT_EQ(page->Controls().updateFw->text(), "./Bin/NEWFW0123.bin");
    EXPECT_EQ(page->Controls().fwVersion->text(), "NEWFW012");
}

TEST_F(SettingPageTest, DetectFindsTheFlashAndManulListsThemAll) {
    auto page = UnlockedPage();
    FlashIdTable ids{};
    for (const int index : {0, 1, 8, 9})
        ids[static_cast<size_t>(index)] = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72};
    page->Hooks().detectFlashIds = [&](auto done) { done(DetectAnswer{DetectAnswer::kRead, ids}); };
    page->Controls().totalSize->setCurrentIndex(0);
    page->Controls().ceNumber->setCurrentIndex(0);
    page->OnDetect();
    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();
    auto* list = page->Controls().flashConfig;
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->itemText(0), "98 3C 98 B3 76 72-BICS3");
    EXPECT_EQ(page->Record().Flh_Number, 4u);
    EXPECT_EQ(page->Record().Flh_Capacity, 2u * 4 * 32768);
    EXPECT_EQ(Saved().CE_Mask, 0x303u);
    EXPECT_EQ(test::ReadText(dir / "Config/04_MP_Com.cfg").find("CE_Mask=771") != std::string::npos, true);
    EXPECT_TRUE(page->Controls().detect->isEnabled());

    ids[0] = {0x11, 0x22, 0x33};
    page->OnDetect();
    EXPECT_EQ(told, QStringList{"Flash ID is unknown!"});
    page->Hooks().detectFlashIds = [](auto done) { done(DetectAnswer{DetectAnswer::kNoDrive, {}}); };
    page->OnDetect();
    EXPECT_EQ(told.back(), "Detect Fail!");
    EXPECT_TRUE(page->Controls().manul->isEnabled());

    page->OnManul();
    EXPECT_EQ(list->count(), 2);
    list->setCurrentIndex(1);
    page->OnFlashConfigChosen();
    EXPECT_EQ(FieldText(Saved().ID), "2C A4 08 32 A1 00-B0K");
    EXPECT_EQ(FieldText(Saved().ICFWVersion), "7720C123");
    EXPECT_EQ(page->FlashFamily(), 18);
}

// The RDT group shows whether the station burns in: on the RDT station, on
// a 3DV5 flash also for the result and MP-with-table stations; the loop
// counts as the operator should see them, or as stored under TestRDTCycle.
TEST_F(SettingPageTest, TheRdtGroupFollowsTheStationTheFlashAndTheDebugOption) {
    ST_SSD_FLASH_PARAM v5{};
    SetFieldText(v5.name, "3DV5");
    v5.flashId = {0x2C, 0xC3, 0x08, 0x32, 0xE6, 0x00};
    v5.SetMbPerDie(65536);
    v5.diesPerCe = 1;
    db.LoadFromBytes(EncodeFlashDatabase(std::vector{v5}));
    struct Case {
        int station, pretest;
        bool v5Flash, testRdtCycle;
        int bin1Customer; // -1: no Bin1 flash, else the customer code
        bool rdt;
        const char* cycle; // "" when cleared
        bool cycleBoxEnabled;
    };
    const Case cases[] = {
        {1, 0, false, false, -1, true, "1", true}, // a stored 0 loop shows as 1
        {1, 0, false, true, -1, true, "0", false}, // ... and as it is under TestRDTCycle, fixed
        {1, 0, false, false, 0, true, "2", true},  // a Bin1 part burns in twice at least
        {1, 0, false, false, 2, true, "0", true},  // ... unless customer 2 says otherwise
        {2, 0, false, false, -1, false, "", false}, {2, 0, true, false, -1, true, "1", true},
        {3, 3, true, false, -1, true, "1", true},   {3, 2, true, false, -1, false, "", false},
        {5, 0, true, false, -1, false, "", false},
    };
    for (const Case& c : cases) {
        const std::string id = c.v5Flash ? "2C C3 08 32 E6 00 " : "98 3C 98 B3 76 72 ";
        WriteText(dir / "04_MP.ini", "[General Info]\r\nTestStationSel=" + std::to_string(c.station) +
                                         "\r\n[Flash Info]\r\nFlh_ID=" + id +
                                         "\r\n[Options]\r\nPretestType=" + std::to_string(c.pretest) +
                                         "\r\nEnable_ECCthreshold_MarkBad=1\r\nECC threshold=70\r\n" +
                                         (c.bin1Customer >= 0 ? "HV_Flash=1\r\n" : "") +
                                         "[RDT]\r\nCycle=0\r\nCycle_SLC=5\r\nReadRetrySel=2\r\n");
        std::filesystem::remove_all(dir / "Config");
        std::filesystem::create_directories(dir / "Config");
        env.debug.TestRDTCycle = c.testRdtCycle ? 1 : 0;
        env.customer.bytes[16] = static_cast<uint8_t>(std::max(c.bin1Customer, 0));
        auto page = UnlockedPage();
        const std::string label = "station " + std::to_string(c.station + 1) + (c.v5Flash ? " 3DV5" : "") +
                                  (c.testRdtCycle ? " TestRDTCycle" : "") +
                                  (c.bin1Customer >= 0 ? " Bin1 " + std::to_string(c.bin1Customer) : "");
        EXPECT_EQ(page->Controls().rdt->isChecked(), c.rdt) << label;
        EXPECT_FALSE(page->Controls().rdt->isEnabled()) << label;
        EXPECT_EQ(page->Controls().cycleEnable->isChecked(), c.rdt) << label;
        EXPECT_EQ(page->Controls().cycleEnable->isEnabled(), c.cycleBoxEnabled) << label;
        if (c.rdt) {
            EXPECT_EQ(page->Controls().cycle->text(), c.cycle) << label;
            EXPECT_EQ(page->Controls().slcCycle->text(), "5") << label;
            EXPECT_EQ(page->Controls().readRetry->currentIndex(), 2) << label;
            EXPECT_EQ(page->Controls().eccThreshold->text(), "70") << label;
        } else {
            EXPECT_EQ(page->Controls().readRetry->currentIndex(), 0) << label << " *Auto*";
            EXPECT_FALSE(page->Controls().eccLimit->isChecked()) << label;
            EXPECT_TRUE(page->Controls().eccThreshold->text().isEmpty()) << label;
        }
        PageLockBits() = 0;
    }
}

TEST_F(SettingPageTest, LimitAndOptionBoxesSwitchTheirOwnControls) {
    WriteText(
        dir / "04_MP.ini",
        "[General Info]\r\nTestStationSel=1\r\n[Flash Info]\r\nFlh_ID=98 3C 98 B3 76 72 \r\n"
        "[Device Info]\r\nICFWVersion=V1.0\r\n[Options]\r\nSet Firmware Name=OWN-FW\r\n"
        "Enable_ECCthreshold_MarkBad=1\r\nECC threshold=70\r\nSLC ECC threshold=40\r\nPadODTEnable=1\r\n"
        "PadODT=1\r\n[RDT]\r\nByte_146=1\r\nByte_147=07\r\nFailEraseLimitSel=8\r\n"
        "[Write_Read BurnIn]\r\nEnable=1\r\nCapacity=10\r\n");
    auto page = UnlockedPage();
    auto* ecc = page->Controls().eccLimit;
    auto* eccField = page->Controls().slcEccThreshold;
    ecc->click();
    EXPECT_FALSE(eccField->isEnabled());
    EXPECT_TRUE(eccField->text().isEmpty());
    ecc->click();
    EXPECT_TRUE(eccField->isEnabled());
    EXPECT_EQ(eccField->text(), "40");

    auto* laterBad = page->Controls().laterBadLimit;
    auto* eraseLimit = page->Controls().failLimits[1];
    EXPECT_EQ(eraseLimit->currentText(), "7");
    laterBad->click();
    EXPECT_FALSE(eraseLimit->isEnabled());
    laterBad->click();
    EXPECT_TRUE(eraseLimit->isEnabled());

    auto* modify = page->Controls().modifyFirmwareName;
    auto* version = page->Controls().fwVersion;
    ASSERT_TRUE(modify->isChecked());
    EXPECT_EQ(version->text(), "OWN-FW");
    EXPECT_FALSE(version->isReadOnly());
    modify->click();
    EXPECT_EQ(version->text(), "V1.0");
    EXPECT_TRUE(version->isReadOnly());

    auto* burnIn = page->Controls().writeReadBurnIn;
    burnIn->click();
    EXPECT_FALSE(page->Controls().burnInCapacity->isEnabled());
    EXPECT_FALSE(page->Controls().burnInMb->isEnabled());
    burnIn->click();
    EXPECT_TRUE(page->Controls().burnInCapacity->isEnabled());

    auto* pads = page->Controls().ctlOdtDriving;
    ASSERT_TRUE(pads->isChecked());
    EXPECT_TRUE(page->Controls().padOdt->isEnabled());
    pads->click();
    EXPECT_FALSE(page->Controls().padOdt->isEnabled());
    page->OnSave();
    const ST_STATION_CONFIG saved = Saved();
    EXPECT_EQ(saved.PadODTEnable, 0) << "cleared pads store both enables as 0";
    EXPECT_EQ(saved.PadODT, 0);
    EXPECT_EQ(FieldText(saved.SetFirmwareName), "");
    EXPECT_EQ(FieldText(saved.ICFWVersion), "V1.0");
    EXPECT_EQ(saved.Byte_147, 7);
    EXPECT_EQ(saved.SLCECCthreshold, 40u);
}

// Customer byte 37 offers the 150 MHz clock; customer code 8 has its own controller.
TEST_F(SettingPageTest, TheCustomerRecordDecidesTheClockAndTheController) {
    env.customer.bytes[37] = 1;
    env.customer.bytes[16] = 8;
    auto page = UnlockedPage();
    auto* clock = page->Controls().flashClock;
    ASSERT_EQ(clock->count(), 3);
    EXPECT_EQ(clock->currentText(), "200MHz");
    clock->setCurrentIndex(clock->findText("150MHz"));
    auto* controller = page->Controls().controller;
    ASSERT_EQ(controller->count(), 1);
    EXPECT_EQ(controller->currentText(), "KV7041-S01");
    page->OnSave();
    EXPECT_EQ(Saved().FlashClock, 150u);
    EXPECT_EQ(FieldText(Saved().ControllerType), "KV7041-S01");

    env.customer.bytes = {};
    auto plain = UnlockedPage();
    EXPECT_EQ(plain->Controls().flashClock->count(), 2);
    EXPECT_EQ(plain->Controls().flashClock->currentText(), "100MHz") << "150 is not offered: the first";
    EXPECT_EQ(plain->Controls().controller->currentText(), "QC7720");
    plain->OnSave();
    EXPECT_EQ(FieldText(Saved().ControllerType), "SSD-7720VA");
}

TEST_F(SettingPageTest, SaveAsInChineseNamesTheNewFile) {
    env.uiLanguage = 1;
    auto page = UnlockedPage();
    page->Hooks().chooseSaveAsFile = [] { return QStringLiteral("Line2.INI"); };
    page->OnSaveAs();
    EXPECT_TRUE(std::filesystem::exists(dir / "Line2.INI")) << "a name that holds .ini in any case is kept";
    EXPECT_EQ(told, QStringList{QString::fromUtf8("保存成功!\r\n文件另存为: Line2.INI")});
}

// The conversion switch is written into both files at once and narrows the
// flash list to the parts it converts to; a failed write changes nothing.
TEST_F(SettingPageTest, TheL06bSwitchWritesBothFilesAtOnce) {
    auto page = UnlockedPage();
    const auto key = [&](const std::filesystem::path& file) {
        return IniGetString(file, "Options", "L06B_To_B0K", "-", 8);
    };
    auto* box = page->Controls().l06bToB0k;
    auto* flashList = page->Controls().flashConfig;
    auto* detect = page->Controls().detect;
    ASSERT_EQ(flashList->count(), 2);
    ASSERT_TRUE(detect->isEnabled());

    box->click();
    EXPECT_EQ(key(dir / "04_MP.ini"), "1");
    EXPECT_EQ(key(dir / "Config/04_MP_Com.cfg"), "1");
    ASSERT_EQ(flashList->count(), 1);
    EXPECT_TRUE(flashList->itemText(0).endsWith("-B0K")) << flashList->itemText(0).toStdString();
    EXPECT_FALSE(detect->isEnabled());

    box->click();
    EXPECT_EQ(key(dir / "04_MP.ini"), "-");
    EXPECT_EQ(key(dir / "Config/04_MP_Com.cfg"), "-");
    EXPECT_EQ(flashList->count(), 2);
    EXPECT_EQ(flashList->currentText(), "98 3C 98 B3 76 72-BICS3") << "the configured flash again";
    EXPECT_TRUE(detect->isEnabled());

    std::filesystem::remove(dir / "Config/04_MP_Com.cfg");
    std::filesystem::create_directories(dir / "Config/04_MP_Com.cfg");
    box->click();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith("Save failed")) << told[0].toStdString();
    EXPECT_EQ(key(dir / "04_MP.ini"), "-") << "the station file is put back";
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(detect->isEnabled());
}

// Choosing a flash configuration saves the record as it stands: the screen
// is not read (no SLC fall-back, no message), and the refill drops what was
// typed since the page was filled.
TEST_F(SettingPageTest, AChosenFlashConfigurationSavesTheRecordAsItStands) {
    auto page = UnlockedPage();
    const SettingControls& c = page->Controls();
    c.workingNo->setText("WO-typed");
    c.totalSize->setCurrentText("120GB"); // read back, the 40 GB pool would fall back to *Auto*
    page->OnManul();
    c.flashConfig->setCurrentIndex(1);
    page->OnFlashConfigChosen();

    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();
    ST_STATION_CONFIG companion{};
    LoadStationSection(dir / "Config/04_MP_Com.cfg", companion);
    for (const auto& [file, saved] :
         {std::pair{"station file", Saved()}, std::pair{"companion", companion}}) {
        EXPECT_EQ(FieldText(saved.ID), "2C A4 08 32 A1 00-B0K") << file;
        EXPECT_EQ(FieldText(saved.WorkingNo), "WO-1") << file;
        EXPECT_EQ(saved.SLCPoolSizeSel, 6u) << file;
        EXPECT_EQ(saved.Flh_CapacitySel, 0u) << file;
    }
    EXPECT_EQ(c.workingNo->text(), "WO-1");
    EXPECT_EQ(c.slcBuffer->currentText(), "40GB");
}

// "RDT" cleared clears and locks the fail limits, except at MP over the
// burn-in table, whose save writes them.
TEST_F(SettingPageTest, WithoutRdtOnlyMpOverTheBurnInTableKeepsItsFailLimits) {
    struct Case {
        int station, pretest;
        bool kept;
    };
    for (const Case& c :
         {Case{kStationRdtResult, 0, false}, Case{kStationIct, 0, false}, Case{kStationMp, 3, true}}) {
        WriteText(dir / "04_MP.ini",
                  "[General Info]\r\nTestStationSel=" + std::to_string(c.station) +
                      "\r\n[Flash Info]\r\nFlh_ID=98 3C 98 B3 76 72 \r\n[Options]\r\nPretestType=" +
                      std::to_string(c.pretest) +
                      "\r\n[RDT]\r\nByte_146=1\r\nByte_147=07\r\nFailEraseLimitSel=8\r\n");
        std::filesystem::remove_all(dir / "Config");
        std::filesystem::create_directories(dir / "Config");
        auto page = UnlockedPage();
        const SettingControls& controls = page->Controls();
        const std::string label = "station " + std::to_string(c.station + 1);
        ASSERT_FALSE(controls.rdt->isChecked()) << label;
        ASSERT_TRUE(controls.laterBadLimit->isVisibleTo(page.get())) << label;
        EXPECT_EQ(controls.laterBadLimit->isChecked(), c.kept) << label;
        EXPECT_EQ(controls.laterBadLimit->isEnabled(), c.kept) << label;
        EXPECT_EQ(controls.failLimits[1]->isEnabled(), c.kept) << label;
        EXPECT_EQ(controls.failLimits[1]->currentText(), "7") << label << ": the stored limit is shown";

        page->OnSave();
        ST_STATION_CONFIG companion{};
        LoadStationSection(dir / "Config/04_MP_Com.cfg", companion);
        for (const auto& [file, saved] :
             {std::pair{"station file", Saved()}, std::pair{"companion", companion}}) {
            EXPECT_EQ(saved.Byte_146, c.kept ? 1 : 0) << label << " " << file;
            if (c.kept) {
                EXPECT_EQ(saved.Byte_147, 7) << label << " " << file;
            }
        }
        PageLockBits() = 0;
    }
}

// A result page collecting a port holds the Configuration page's own bit;
// the page's Save, Save As and Edit touch only the bits of the pages an
// edit keeps away.
TEST_F(SettingPageTest, EditAndSaveLeaveTheRunsBitAlone) {
    constexpr uint32_t kCollectionLocks = kLockConfigurationPage | kLockRdtInfoPage | kLockBadBlockPage;
    env.debug.NoPassword = 1;
    auto page = Page();
    ASSERT_TRUE(page->ActivateSettingsPage("04_MP.ini"));
    PageLockBits() = kCollectionLocks;
    ASSERT_TRUE(page->ApplyChangedSettings().has_value()) << "leaving for Main saves";
    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();
    EXPECT_EQ(PageLockBits().load(), uint32_t{kLockConfigurationPage}) << "still refused while the port runs";

    PageLockBits() = 0;
    page->OnEdit();
    EXPECT_EQ(PageLockBits().load(), kEditLocks);
    PageLockBits() = 0;
    page->Hooks().chooseSaveAsFile = [] { return QStringLiteral("Copy.ini"); };
    page->OnSaveAs();
    EXPECT_EQ(PageLockBits().load(), kEditLocks);
}

// Typed serial numbers are digits and letters; a mask also takes the '#'
// that marks its counted positions.
TEST_F(SettingPageTest, SerialNumberFieldsTakeDigitsAndLettersAndTheMaskItsHash) {
    auto page = UnlockedPage();
    const SettingControls& c = page->Controls();
    c.snSet->setChecked(true);
    test::ChooseEntry(c.snType, 0);
    const char* expected[] = {"A1", "A1", "A#1"};
    for (size_t i = 0; i < c.snFields.size(); ++i) {
        c.snFields[i]->clear();
        c.snFields[i]->setFocus();
        QTest::keyClicks(c.snFields[i], QStringLiteral("a#*-1"));
        EXPECT_EQ(c.snFields[i]->text(), expected[i]) << i;
    }
}

// Detect says what kept it from reading a drive, in the page's language;
// a program that is quitting is not held up with a message.
TEST_F(SettingPageTest, DetectSaysWhyItReadNoFlash) {
    struct Case {
        DetectAnswer::Outcome outcome;
        int uiLanguage;
        const char* told; // nullptr: nothing
    };
    const Case cases[] = {
        {DetectAnswer::kNoDrive, 0, "Detect Fail!"},
        {DetectAnswer::kNoDrive, 1, "Detect Fail!"},
        {DetectAnswer::kPortsRunning, 0,
         "Detect Fail: ports are running. Detect again when every port is idle."},
        {DetectAnswer::kPortsRunning, 1, "侦测失败: 端口正在运行, 请等所有端口空闲后再侦测。"},
        {DetectAnswer::kReadoutUnderWay, 0, "Detect Fail: the flash IDs of a drive are being read already."},
        {DetectAnswer::kReadoutUnderWay, 1, "侦测失败: 正在读取闪存ID, 请稍后再试。"},
        {DetectAnswer::kDrivesWereBusy, 0, "Detect Fail: the drives were busy. Detect again."},
        {DetectAnswer::kDrivesWereBusy, 1, "侦测失败: 驱动器忙, 请再侦测一次。"},
        {DetectAnswer::kQuitting, 0, nullptr},
    };
    for (const Case& c : cases) {
        env.uiLanguage = c.uiLanguage;
        auto page = UnlockedPage();
        told.clear();
        page->Hooks().detectFlashIds = [&](auto done) { done(DetectAnswer{c.outcome, {}}); };
        page->OnDetect();
        EXPECT_EQ(told, c.told ? QStringList{QString::fromUtf8(c.told)} : QStringList{})
            << c.outcome << "/" << c.uiLanguage;
        EXPECT_TRUE(page->Controls().detect->isEnabled());
        EXPECT_TRUE(page->Controls().manul->isEnabled());
        EXPECT_EQ(Saved().CE_Mask, 15u) << "nothing read, nothing written";
        PageLockBits() = 0;
    }
}

// Whatever the page enables while Detect's readout is under way, Detect and
// Manul wait for its answer.
TEST_F(SettingPageTest, DetectStaysOffUntilItsReadoutAnswers) {
    auto page = UnlockedPage();
    const SettingControls& c = page->Controls();
    std::function<void(const DetectAnswer&)> answer;
    page->Hooks().detectFlashIds = [&](auto done) { answer = std::move(done); };
    c.detect->click();
    ASSERT_TRUE(answer);

    c.setTotalSize->click(); // a box whose effect enables the page's controls again
    c.ctlOdtDriving->click();
    page->SetPageEditable(true);
    EXPECT_FALSE(c.detect->isEnabled());
    EXPECT_FALSE(c.manul->isEnabled());

    answer(DetectAnswer{DetectAnswer::kNoDrive, {}});
    EXPECT_TRUE(c.detect->isEnabled());
    EXPECT_TRUE(c.manul->isEnabled());
}

// The page names its file, follows Main's choice when it holds no edit, and
// keeps an edit in progress of another file, saying so, until it is saved.
TEST_F(SettingPageTest, AnActivationLoadsMainsFileUnlessAnEditOfAnotherIsInProgress) {
    WriteText(dir / "Other.ini", "[General Info]\r\nTestStationSel=3\r\nWorkingNo=WO-OTHER\r\n");
    auto page = Page();
    const SettingControls& c = page->Controls();
    ASSERT_TRUE(page->ActivateSettingsPage("04_MP.ini"));
    EXPECT_EQ(c.fileName->text(), "MP Setting (04_MP.ini)");
    EXPECT_TRUE(c.fileName->isVisibleTo(page.get()));

    ASSERT_TRUE(page->ActivateSettingsPage("Other.ini"));
    EXPECT_EQ(page->StationFile(), dir / "Other.ini");
    EXPECT_EQ(c.workingNo->text(), "WO-OTHER");
    EXPECT_EQ(c.fileName->text(), "MP Setting (Other.ini)");
    EXPECT_FALSE(c.otherFileNotice->isVisibleTo(page.get()));

    page->OnEdit();
    c.workingNo->setText("WO-typed");
    ASSERT_TRUE(page->ActivateSettingsPage("04_MP.ini"));
    EXPECT_EQ(page->StationFile(), dir / "Other.ini") << "the edit stays";
    EXPECT_EQ(c.workingNo->text(), "WO-typed");
    EXPECT_EQ(c.fileName->text(), "MP Setting (Other.ini)");
    EXPECT_TRUE(page->EditsOtherFile());
    EXPECT_TRUE(c.otherFileNotice->isVisibleTo(page.get()));
    EXPECT_TRUE(c.otherFileNotice->text().contains("04_MP.ini")) << c.otherFileNotice->text().toStdString();

    page->OnSave();
    EXPECT_EQ(FieldText(Saved("Other.ini").WorkingNo), "WO-typed");
    EXPECT_EQ(FieldText(Saved().WorkingNo), "WO-1");
    EXPECT_EQ(page->StationFile(), dir / "04_MP.ini") << "after the save the page shows Main's file";
    EXPECT_EQ(c.workingNo->text(), "WO-1");
    EXPECT_EQ(c.fileName->text(), "MP Setting (04_MP.ini)");
    EXPECT_FALSE(c.otherFileNotice->isVisibleTo(page.get()));
}

} // namespace
} // namespace varnet::ui
