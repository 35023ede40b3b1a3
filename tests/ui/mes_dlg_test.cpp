// The "MES SYSTEM" dialog over the simulated MES_DLL.so (route store in ./Sim/
// of a scratch working folder): each row's answer, the Bind row's refusal of
// empty input, and what the window allows during a call's wait.
#include "ui/settings/mes_dlg.h"

#include "temp_dir.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace varnet::ui {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSn = "VN-MES-0001";

// Presses a row's button and lets its wait run out.
void Press(CMesDlg& dialog, QPushButton* button) {
    button->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.Busy(); }, 5000));
}

class MesDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binary = std::getenv("VARNET_BINARY_DIR");
        if (!binary)
            GTEST_SKIP() << "needs the simulated MES_DLL.so (VARNET_BINARY_DIR)";
        saved = fs::current_path();
        fs::current_path(dir.path());
        client = std::make_unique<MesClient>(fs::path(binary) / "sim" / "MES_DLL.so");
        dialog = std::make_unique<CMesDlg>(*client, kSn);
        dialog->SetWaitMs(1);
        dialog->show();
    }
    void TearDown() override {
        dialog.reset();
        client.reset();
        if (!saved.empty())
            fs::current_path(saved);
    }

    QString CheckRoute(const char* station) {
        dialog->StationIdField()->setText(QString::fromUtf8(station));
        Press(*dialog, dialog->CheckRouteButton());
        return dialog->CheckRouteResult()->text();
    }
    QString Save2Next(const char* station) {
        dialog->NextStationField()->setText(QString::fromUtf8(station));
        Press(*dialog, dialog->Save2NextButton());
        return dialog->Save2NextResult()->text();
    }
    QString Query(const char* type) {
        dialog->QueryTypeField()->setText(QString::fromUtf8(type));
        Press(*dialog, dialog->QueryButton());
        return dialog->QueryResult()->text();
    }

    test::TempDir dir;
    fs::path saved;
    std::unique_ptr<MesClient> client;
    std::unique_ptr<CMesDlg> dialog;
};

TEST_F(MesDlgTest, RowsButtonsAndResultFields) {
    CMesDlg fresh(*client, kSn);
    EXPECT_EQ(fresh.windowTitle(), "MES SYSTEM");
    EXPECT_EQ(fresh.WaitMs(), 2000);
    EXPECT_EQ(fresh.CheckRouteButton()->text(), "CheckRoute");
    EXPECT_EQ(fresh.Save2NextButton()->text(), "Save2NextStation");
    EXPECT_EQ(fresh.BindButton()->text(), "BindData");
    EXPECT_EQ(fresh.QueryButton()->text(), "QueryData");
    EXPECT_EQ(fresh.ExitButton()->text(), QString::fromUtf8("退出"));
    QStringList captions;
    for (QLabel* label : fresh.findChildren<QLabel*>())
        captions << label->text();
    for (const char* caption : {"Station ID:", "Save2Next Station:", "BindData:", "Value:", "Type:",
                                "Input the data type you want to query by S/N."})
        EXPECT_TRUE(captions.contains(caption)) << caption;
    for (QLineEdit* result :
         {fresh.CheckRouteResult(), fresh.Save2NextResult(), fresh.BindResult(), fresh.QueryResult()}) {
        EXPECT_TRUE(result->isReadOnly());
        EXPECT_TRUE(result->text().isEmpty());
    }
}

TEST_F(MesDlgTest, RouteCheckPassesOnlyAtTheDrivesCurrentStationAndSave2NextMovesIt) {
    const struct {
        const char* row; // "check" or "next"
        const char* station;
        bool passes;
    } steps[] = {
        {"check", "04_MP", false},       {"check", "", false},      {"check", "01_EraseAll", true},
        {"next", "03_RDTResult", false}, {"next", "02_RDT", true},  {"check", "01_EraseAll", false},
        {"check", "02_RDT", true},       {"next", "02_RDT", false}, {"next", "03_RDTResult", true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.row) + " " + step.station);
        const bool check = std::string_view(step.row) == "check";
        const QString shown = check ? CheckRoute(step.station) : Save2Next(step.station);
        if (step.passes) {
            // Status "OK" directly followed by the library's message.
            EXPECT_TRUE(shown.startsWith("OK")) << shown.toStdString();
            EXPECT_GT(shown.size(), 2);
        } else {
            EXPECT_EQ(shown, "Function Fail!!");
        }
    }
    // The drive the dialog moved is the one it was opened for.
    EXPECT_TRUE(client->CheckRoute(kSn, "03_RDTResult"));
    EXPECT_TRUE(client->CheckRoute("VN-OTHER", "01_EraseAll"));
}

TEST_F(MesDlgTest, BindRefusesEmptyInputAtOnceWithoutCallingTheLibrary) {
    const struct { const char *type, *value; } cases[] = {{"", "v"}, {"MAC", ""}, {"", ""}};
    dialog->SetWaitMs(60000); // a call would leave the dialog busy
    for (const auto& c : cases) {
        dialog->BindTypeField()->setText(c.type);
        dialog->BindValueField()->setText(c.value);
        dialog->BindButton()->click();
        EXPECT_FALSE(dialog->Busy()) << c.type << "/" << c.value;
        EXPECT_EQ(dialog->BindResult()->text(), "Couldn't input empty Type or Value!");
    }
    EXPECT_FALSE(client->QueryData(kSn, "MAC"));
    EXPECT_FALSE(fs::exists(dir / "Sim")) << "the store was never touched";
}

TEST_F(MesDlgTest, BoundValueIsQueriedBackForTheDialogsDrive) {
    EXPECT_EQ(Query("MAC"), "Function Fail!!");
    dialog->BindTypeField()->setText("MAC");
    dialog->BindValueField()->setText("00:11:22:33:44:55");
    Press(*dialog, dialog->BindButton());
    EXPECT_FALSE(dialog->BindResult()->text().isEmpty());
    EXPECT_NE(dialog->BindResult()->text(), "Function Fail!!");

    EXPECT_TRUE(Query("MAC").contains("00:11:22:33:44:55"));
    EXPECT_EQ(Query(""), "Function Fail!!");
    const auto direct = client->QueryData(kSn, "MAC");
    ASSERT_TRUE(direct);
    EXPECT_NE(direct->find("00:11:22:33:44:55"), std::string::npos);
}

TEST_F(MesDlgTest, DuringTheWaitTheOldResultIsGoneTheEventLoopRunsAndNothingElseStarts) {
    dialog->SetWaitMs(300);
    dialog->CheckRouteResult()->setText("stale answer");
    dialog->QueryResult()->setText("kept");
    dialog->StationIdField()->setText("01_EraseAll");
    dialog->CheckRouteButton()->click();

    EXPECT_TRUE(dialog->Busy());
    EXPECT_TRUE(dialog->CheckRouteResult()->text().isEmpty());
    for (QPushButton* button : {dialog->CheckRouteButton(), dialog->Save2NextButton(), dialog->BindButton(),
                                dialog->QueryButton(), dialog->ExitButton()})
        EXPECT_FALSE(button->isEnabled());
    dialog->QueryButton()->click();
    dialog->reject();
    dialog->close();
    EXPECT_TRUE(dialog->isVisible()) << "the result of a call is never lost to Esc or the close box";
    EXPECT_EQ(dialog->QueryResult()->text(), "kept");

    // Other work of the thread goes on during the wait (painting, timers).
    bool otherTimerRan = false;
    QTimer::singleShot(0, [&] { otherTimerRan = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return otherTimerRan; }, 1000));
    EXPECT_TRUE(dialog->Busy()) << "well before the 300 ms are over";

    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->Busy(); }, 5000));
    EXPECT_TRUE(dialog->CheckRouteResult()->text().startsWith("OK"));
    EXPECT_TRUE(dialog->QueryButton()->isEnabled());
    dialog->ExitButton()->click();
    EXPECT_FALSE(dialog->isVisible());
}

TEST(MesDlg, AMissingLibraryShowsFunctionFailInEveryRow) {
    MesClient client("/nonexistent/MES_DLL.so");
    CMesDlg dialog(client, kSn);
    dialog.SetWaitMs(1);
    dialog.BindTypeField()->setText("T");
    dialog.BindValueField()->setText("V");
    const std::pair<QPushButton*, QLineEdit*> rows[] = {
        {dialog.CheckRouteButton(), dialog.CheckRouteResult()},
        {dialog.Save2NextButton(), dialog.Save2NextResult()},
        {dialog.BindButton(), dialog.BindResult()},
        {dialog.QueryButton(), dialog.QueryResult()},
    };
    for (const auto& [button, result] : rows) {
        Press(dialog, button);
        EXPECT_EQ(result->text(), "Function Fail!!") << button->text().toStdString();
    }
}

} // namespace
} // namespace varnet::ui
