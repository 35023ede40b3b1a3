// The log viewer over report files in a scratch folder: following them tick
// by tick (the poll slot is called directly), failures, the folder button.
#include "ui/dialogs/log_info_dialog.h"

#include "temp_dir.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>

namespace varnet::ui {
namespace {

using test::TempDir;
using test::WriteText;

void Append(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

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

// Stands in for the file manager: file URLs opened while it lives come here.
class FileUrlCatcher : public QObject {
    Q_OBJECT
public:
    FileUrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~FileUrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened.push_back(url); }
};

class LogInfoDialogTest : public ::testing::Test {
protected:
    LogInfoDialogTest()
        : report((dir / "Log" / "04_MP").string() + "/Report_A_1.txt"), aux((dir / "aux.txt").string()) {
        std::filesystem::create_directories(dir / "Log" / "04_MP");
    }

    QString Shown(const CLogInfoDlg& dialog) const { return dialog.TextView()->toPlainText(); }
    int Caret(const CLogInfoDlg& dialog) const { return dialog.TextView()->textCursor().position(); }

    TempDir dir;
    std::string report;
    std::string aux;
};

TEST_F(LogInfoDialogTest, OpensOnBothReportsWithTheCaretAtTheEndAndFollowsThem) {
    WriteText(report, std::string("Report line 1\r\nline 2\r\n") + '\0' + "padding");
    WriteText(aux, "aux line\r\n");
    CLogInfoDlg dialog(QStringLiteral("Log [Port 2] [x]"), report, aux, 0);

    EXPECT_EQ(dialog.windowTitle(), "Log [Port 2] [x]");
    EXPECT_EQ(Shown(dialog), "Report line 1\nline 2\naux line\n");
    EXPECT_EQ(Caret(dialog), Shown(dialog).size());
    EXPECT_TRUE(dialog.PollTimer().isActive());
    EXPECT_EQ(dialog.PollTimer().interval(), 500);
    EXPECT_EQ(dialog.size(), QSize(640, 400));
}

TEST_F(LogInfoDialogTest, RefreshShowsWhatChangedAndPutsTheCaretWhereItChanged) {
    WriteText(report, "r1\n");
    WriteText(aux, "a1\n");
    CLogInfoDlg dialog(QStringLiteral("t"), report, aux, 0);

    Append(report, "r2\n");
    dialog.Refresh();
    EXPECT_EQ(Shown(dialog), "r1\nr2\na1\n");
    EXPECT_EQ(Caret(dialog), QStringLiteral("r1\nr2\n").size()) << "after the report's new lines";

    Append(aux, "a2\n");
    dialog.Refresh();
    EXPECT_EQ(Shown(dialog), "r1\nr2\na1\na2\n");
    EXPECT_EQ(Caret(dialog), Shown(dialog).size());
    EXPECT_TRUE(dialog.PollTimer().isActive()) << "each tick arms the next";
}

TEST_F(LogInfoDialogTest, OnlyALengthChangeOtherThanToZeroIsReadAgain) {
    WriteText(report, "first\n");
    CLogInfoDlg dialog(QStringLiteral("t"), report, "", 0);
    const struct {
        const char* name;
        std::function<void()> change;
        const char* shown;
    } steps[] = {
        {"same length rewrite", [&] { WriteText(report, "FIRST\n"); }, "first\n"},
        {"emptied", [&] { WriteText(report, ""); }, "first\n"},
        {"removed", [&] { std::filesystem::remove(report); }, "first\n"},
        {"written again", [&] { WriteText(report, "second run\n"); }, "second run\n"},
    };
    for (const auto& step : steps) {
        step.change();
        dialog.Refresh();
        EXPECT_EQ(Shown(dialog), step.shown) << step.name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "aux.txt")) << "the viewer never creates files";
}

TEST_F(LogInfoDialogTest, FollowsReportsThatAppearAfterOpening) {
    CLogInfoDlg dialog(QStringLiteral("Log [Port 4]"), "", aux, 0);
    EXPECT_EQ(Shown(dialog), "");
    EXPECT_TRUE(dialog.PollTimer().isActive()) << "a port whose report is not written yet is still followed";
    EXPECT_FALSE(std::filesystem::exists(aux));

    WriteText(aux, "late\n");
    dialog.Refresh();
    EXPECT_EQ(Shown(dialog), "late\n");
}

TEST_F(LogInfoDialogTest, ReportThatCannotBeHeldInMemoryIsReportedAndTheRestGoesOn) {
    WriteText(report, "small start\n");
    WriteText(aux, "a1\n");
    int reportReads = 0;
    bool tooBig = false;
    const ReportReader reader = [&](const std::filesystem::path& path,
                                    std::uintmax_t) -> std::optional<std::string> {
        if (path == std::filesystem::path(report)) {
            ++reportReads;
            if (tooBig)
                throw std::bad_alloc();
        }
        return test::ReadText(path);
    };
    CLogInfoDlg dialog(QStringLiteral("t"), report, aux, 0, reader);
    EXPECT_EQ(reportReads, 1);

    MessageBoxAnswerer answers;
    tooBig = true;
    Append(report, "huge\n");
    dialog.Refresh();
    EXPECT_EQ(answers.texts, QStringList{QStringLiteral("Memory abnormal!")});
    EXPECT_EQ(Shown(dialog), "small start\na1\n");

    Append(report, "more\n");
    Append(aux, "a2\n");
    dialog.Refresh();
    EXPECT_EQ(answers.texts.size(), 1) << "one message, not one per tick";
    EXPECT_EQ(reportReads, 2);
    EXPECT_EQ(Shown(dialog), "small start\na1\na2\n");
    EXPECT_TRUE(dialog.PollTimer().isActive());
}

TEST_F(LogInfoDialogTest, UnreadableReportKeepsItsText) {
    WriteText(report, "kept\n");
    bool readable = true;
    const ReportReader reader = [&](const std::filesystem::path& path,
                                    std::uintmax_t) -> std::optional<std::string> {
        if (!readable)
            return std::nullopt;
        return test::ReadText(path);
    };
    CLogInfoDlg dialog(QStringLiteral("t"), report, "", 0, reader);
    readable = false;
    Append(report, "unseen\n");
    dialog.Refresh();
    EXPECT_EQ(Shown(dialog), "kept\n");
    readable = true;
    dialog.Refresh();
    EXPECT_EQ(Shown(dialog), "kept\nunseen\n") << "retried at the next tick";
}

TEST_F(LogInfoDialogTest, GetFileLocationOpensTheReportsFolder) {
    const std::filesystem::path reportFolder = dir / "Log" / "04_MP";
    const struct {
        const char* name;
        std::string reportPath, auxPath;
        std::optional<std::filesystem::path> folder;
    } cases[] = {
        {"report", report, aux, reportFolder},
        {"aux when no report", "", aux, dir.path()},
        {"windows separators", (dir / "Log").string() + "\\04_MP\\Report_A_1.txt", "", reportFolder},
        {"nothing", "", "", std::nullopt},
    };
    for (const auto& c : cases) {
        FileUrlCatcher catcher;
        CLogInfoDlg dialog(QStringLiteral("t"), c.reportPath, c.auxPath, 0);
        QTest::mouseClick(dialog.LocationButton(), Qt::LeftButton);
        if (!c.folder) {
            EXPECT_TRUE(catcher.opened.isEmpty()) << c.name;
            continue;
        }
        ASSERT_EQ(catcher.opened.size(), 1) << c.name;
        EXPECT_EQ(std::filesystem::path(catcher.opened[0].toLocalFile().toStdString()), *c.folder) << c.name;
    }
}

TEST_F(LogInfoDialogTest, ButtonCaptionFollowsTheLanguage) {
    EXPECT_EQ(CLogInfoDlg(QStringLiteral("t"), "", "", 0).LocationButton()->text(), "Get file location");
    EXPECT_EQ(CLogInfoDlg(QStringLiteral("t"), "", "", 1).LocationButton()->text(),
              QString::fromUtf8("打开文件路径"));
    EXPECT_EQ(CLogInfoDlg(QStringLiteral("t"), "", "", 2).LocationButton()->text(), "Get file location");
}

// The button is 90 wide unless its caption needs more; it stays centred and
// whole in the smallest window.
TEST_F(LogInfoDialogTest, ControlsFollowTheWindowSizeDownToAMinimumWithTheCaptionWhole) {
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        CLogInfoDlg dialog(QStringLiteral("t"), "", "", language);
        dialog.setMinimumSize(1, 1);
        const QPushButton& button = *dialog.LocationButton();
        const int w = button.width();
        EXPECT_GE(w, 90);
        EXPECT_GE(w, button.sizeHint().width()) << button.text().toStdString();
        const int least = std::max(90, w);
        const struct {
            QSize window;
            QRect text, button;
        } cases[] = {
            {{640, 400}, {8, 8, 622, 358}, {(640 - w) / 2, 372, w, 22}},
            {{300, 200}, {8, 8, 282, 158}, {(300 - w) / 2, 172, w, 22}},
            {{60, 30}, {8, 8, least - 18, 2}, {(least - w) / 2, 16, w, 22}},
        };
        for (const auto& c : cases) {
            dialog.resize(c.window);
            QResizeEvent resize(c.window, dialog.size());
            QApplication::sendEvent(&dialog, &resize);
            EXPECT_EQ(dialog.TextView()->geometry(), c.text) << c.window.width() << "x" << c.window.height();
            EXPECT_EQ(button.geometry(), c.button) << c.window.width() << "x" << c.window.height();
        }
    }
}

TEST(LogViewerTitle, NamesThePortAndTheReportWhenThereIsOne) {
    EXPECT_EQ(LogViewerTitle(3, "./Log/20261210/04_MP/Report_X_1.txt"),
              "Log [Port 3] [./Log/20261210/04_MP/Report_X_1.txt]");
    EXPECT_EQ(LogViewerTitle(24, ""), "Log [Port 24]");
}

TEST(RelativeToAppDir, ReplacesOnlyALeadingProgramFolder) {
    const struct {
        const char *path, *appDir, *relative;
    } cases[] = {
        {"/opt/tool/Log/a.txt", "/opt/tool/", "./Log/a.txt"},
        {"/opt/tool/Log/a.txt", "/opt/tool", "./Log/a.txt"},
        {"/data/opt/tool/Log/a.txt", "/opt/tool/", "/data/opt/tool/Log/a.txt"},
        {"/opt/toolbox/a.txt", "/opt/tool", "/opt/toolbox/a.txt"},
        {"", "/opt/tool/", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RelativeToAppDir(c.path, c.appDir), c.relative) << c.path << " in " << c.appDir;
}

} // namespace
} // namespace varnet::ui

#include "log_info_dialog_test.moc"
