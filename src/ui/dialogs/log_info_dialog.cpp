#include "ui/dialogs/log_info_dialog.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <QUrl>

#include <algorithm>
#include <fstream>
#include <limits>
#include <new>
#include <stdexcept>
#include <system_error>

namespace varnet::ui {
namespace {

constexpr int kMinClientWidth = 90;
constexpr int kMinClientHeight = 44;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 22;

std::optional<std::string> ReadReport(const std::filesystem::path& path, std::uintmax_t size) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes;
    bytes.resize(static_cast<size_t>(size)); // throws std::bad_alloc past what memory holds
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad())
        return std::nullopt;
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

std::filesystem::path FollowedPath(const std::string& path) {
    std::string normal = path;
    std::replace(normal.begin(), normal.end(), '\\', '/');
    return std::filesystem::path(normal);
}

// The report as shown: up to its first NUL byte (the library pads some
// reports), UTF-8, line ends of either platform.
QString ReportText(const std::string& bytes) {
    const size_t end = bytes.find('\0');
    QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(std::min(end, bytes.size())));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

} // namespace

CLogInfoDlg::CLogInfoDlg(const QString& title, const std::string& reportPath,
                         const std::string& auxReportPath, int uiLanguage, QWidget* parent)
    : CLogInfoDlg(title, reportPath, auxReportPath, uiLanguage, ReadReport, parent) {}

CLogInfoDlg::CLogInfoDlg(const QString& title, const std::string& reportPath,
                         const std::string& auxReportPath, int uiLanguage, ReportReader reportReader,
                         QWidget* parent)
    : QDialog(parent), reader(std::move(reportReader)) {
    setWindowTitle(title);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    files[0].path = FollowedPath(reportPath);
    files[1].path = FollowedPath(auxReportPath);

    textView = new QPlainTextEdit(this);
    textView->setReadOnly(true);
    textView->setLineWrapMode(QPlainTextEdit::NoWrap);
    locationButton = new QPushButton(
        uiLanguage == 1 ? QString::fromUtf8("打开文件路径") : QStringLiteral("Get file location"), this);
    locationButton->setAutoDefault(false);
    connect(locationButton, &QPushButton::clicked, this, &CLogInfoDlg::OnGetFileLocation);

    pollTimer.setInterval(kPollMs);
    connect(&pollTimer, &QTimer::timeout, this, &CLogInfoDlg::Refresh);
    resize(640, 400);
    PlaceControls();

    const bool first = ReadChanged(files[0]);
    const bool second = ReadChanged(files[1]);
    if (first || second)
        ShowText(std::numeric_limits<int>::max());
    // Followed from the start even when nothing is there yet: the viewer is
    // often opened on a port whose run has not written its report.
    pollTimer.start();
}

bool CLogInfoDlg::ReadChanged(FollowedFile& file) {
    if (file.path.empty() || !file.followed)
        return false;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file.path, error);
    if (error || size == file.length || size == 0)
        return false;
    try {
        const std::optional<std::string> bytes = reader(file.path, size);
        if (!bytes)
            return false;
        file.text = ReportText(*bytes);
        file.length = size;
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    // One message, not one a tick: the file stays as last shown and is left
    // alone from now on; the station writing it is not disturbed.
    file.followed = false;
    pollTimer.stop();
    QMessageBox::warning(this, windowTitle(), QStringLiteral("Memory abnormal!"));
    return false;
}

void CLogInfoDlg::ShowText(int caretPosition) {
    QString combined = files[0].text;
    if (!combined.isEmpty() && !files[1].text.isEmpty() && !combined.endsWith(QLatin1Char('\n')))
        combined += QLatin1Char('\n');
    combined += files[1].text;
    textView->setPlainText(combined);
    QTextCursor cursor = textView->textCursor();
    cursor.setPosition(std::clamp(caretPosition, 0, static_cast<int>(combined.size())));
    textView->setTextCursor(cursor);
    textView->ensureCursorVisible();
}

void CLogInfoDlg::Refresh() {
    pollTimer.stop();
    const bool first = ReadChanged(files[0]);
    const bool second = ReadChanged(files[1]);
    if (first || second) {
        // A change of the report alone puts the caret after the report's
        // text, where its new lines are; otherwise at the very end.
        const int reportEnd = static_cast<int>(files[0].text.size());
        ShowText(second ? std::numeric_limits<int>::max() : reportEnd);
    }
    pollTimer.start();
}

void CLogInfoDlg::OnGetFileLocation() {
    const FollowedFile& shown = !files[0].path.empty() ? files[0] : files[1];
    if (shown.path.empty())
        return;
    const QString file = QString::fromStdString(shown.path.string());
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

void CLogInfoDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceControls();
}

void CLogInfoDlg::PlaceControls() {
    // The button is widened to its caption where the caption needs it, and
    // the smallest window keeps it whole.
    const int buttonWidth = std::max(kButtonWidth, locationButton->sizeHint().width());
    const int width = std::max({this->width(), kMinClientWidth, buttonWidth});
    const int height = std::max(this->height(), kMinClientHeight);
    textView->setGeometry(8, 8, width - 18, height - 42);
    locationButton->setGeometry((width - buttonWidth) / 2, height - 28, buttonWidth, kButtonHeight);
}

QString LogViewerTitle(int portNumber, const std::string& relativeReportPath) {
    if (relativeReportPath.empty())
        return QStringLiteral("Log [Port %1]").arg(portNumber);
    return QStringLiteral("Log [Port %1] [%2]")
        .arg(portNumber)
        .arg(QString::fromStdString(relativeReportPath));
}

std::string RelativeToAppDir(const std::string& path, const std::filesystem::path& appDir) {
    std::string folder = appDir.string();
    if (folder.empty())
        return path;
    if (folder.back() != '/')
        folder += '/';
    if (path.compare(0, folder.size(), folder) != 0)
        return path;
    return "./" + path.substr(folder.size());
}

} // namespace varnet::ui
