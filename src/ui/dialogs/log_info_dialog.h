// The log viewer of one port: shows its report file and its auxiliary report
// file one after the other and keeps following them while the device library
// writes them from the port's worker thread, by looking at their lengths
// every 500 ms and reading a file again only when its length changed (to a
// length other than 0). "Get file location" opens the system's file manager
// on the folder of the report (of the auxiliary report when there is none).
//
// The viewer only reads: a file that is absent or cannot be opened keeps the
// text last read from it, and the log tree is never written. A file too big
// to be held in memory shows "Memory abnormal!", keeps its last text, is no
// longer followed, and the program runs on.
//
// Paths are the program's own: relative ones ("./Log/...") to the working
// folder (the program folder); '\' is taken as a separator. Modal use:
// exec(). GUI thread only.
#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace varnet::ui {

// Reads a report whose length was just found to be size bytes: nullopt when
// it cannot be opened or read; throws std::bad_alloc when its contents cannot
// be held in memory.
using ReportReader =
    std::function<std::optional<std::string>(const std::filesystem::path& path, std::uintmax_t size)>;

class CLogInfoDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPollMs = 500;

    CLogInfoDlg(const QString& title, const std::string& reportPath, const std::string& auxReportPath,
                int uiLanguage, QWidget* parent = nullptr);
    // The same, reading the files through reader.
    CLogInfoDlg(const QString& title, const std::string& reportPath, const std::string& auxReportPath,
                int uiLanguage, ReportReader reader, QWidget* parent = nullptr);

    QPlainTextEdit* TextView() const { return textView; }
    QPushButton* LocationButton() const { return locationButton; }
    const QTimer& PollTimer() const { return pollTimer; }

public slots:
    // One tick of the poll: reads what changed and shows it.
    void Refresh();
    void OnGetFileLocation();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct FollowedFile {
        std::filesystem::path path; // empty: nothing to follow
        QString text;
        std::uintmax_t length = 0;
        bool followed = true;
    };

    bool ReadChanged(FollowedFile& file);
    void ShowText(int caretPosition);
    void PlaceControls();

    ReportReader reader;
    std::array<FollowedFile, 2> files;
    QPlainTextEdit* textView;
    QPushButton* locationButton;
    QTimer pollTimer;
};

// The window title the main page gives the viewer: "Log [Port %d] [%s]" with
// the report path, or "Log [Port %d]" when there is none.
QString LogViewerTitle(int portNumber, const std::string& relativeReportPath);

// The report path as the viewer shows it: a leading program folder becomes
// "./"; any other path is returned as it is.
std::string RelativeToAppDir(const std::string& path, const std::filesystem::path& appDir);

} // namespace varnet::ui
