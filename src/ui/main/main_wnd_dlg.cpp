#include "ui/main/main_wnd_dlg.h"

#include "engine/main_page.h"
#include "engine/window_title.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/main/main_wnd_sheet.h"
#include "ui/main/varnet_tool_dlg.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

namespace varnet::ui {
namespace {

// How often a window that waits to close looks whether the ports are done.
constexpr int kRunsEndedCheckMs = 100;

} // namespace

CMainWndDlg::CMainWndDlg(int uiLanguage, QWidget* parent)
    : QWidget(parent, Qt::Window), uiLanguage_(uiLanguage), sheet_(new CMainWndSheet(uiLanguage, this)),
      runsEndedCheck_(new QTimer(this)) {
    setObjectName(QStringLiteral("VARNETTOOLKX"));
    resize(kWidth, kHeight);
    runsEndedCheck_->setInterval(kRunsEndedCheckMs);
    connect(runsEndedCheck_, &QTimer::timeout, this, &CMainWndDlg::CheckRunsEnded);
}

CMainWndDlg::~CMainWndDlg() = default;

CVarnetToolDlg* CMainWndDlg::MainPage() const {
    return sheet_->MainPage();
}

bool CMainWndDlg::Start(const StationStartOptions& options, QString& fatalMessage, QString& detail) {
    if (!MainPage()->Start(options, fatalMessage, detail))
        return false;
    title_ =
        QString::fromStdString(ComposeWindowTitle(MainPage()->GetStation()->customerRecord, uiLanguage_));
    setWindowTitle(title_);
    resize(kWidth, kHeight);
    return true;
}

void CMainWndDlg::resizeEvent(QResizeEvent* event) {
    // The sheet fills the client area less 14 pixels across and 34 down.
    sheet_->setGeometry(7, 7, width() - 14, height() - 34);
    QWidget::resizeEvent(event);
}

bool CMainWndDlg::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (!shown_ && (event->type() == QEvent::Expose || event->type() == QEvent::UpdateRequest) &&
        isVisible()) {
        shown_ = true;
        emit Shown();
    }
    return handled;
}

void CMainWndDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The station is closed by its window's close button only.
        event->accept();
        return;
    case Qt::Key_F1:
        event->accept();
        OpenAbout();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CMainWndDlg::OpenAbout() {
    auto* about = new CAboutDlg(uiLanguage_, this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

bool CMainWndDlg::AskCloseWhileRunning() {
    const bool chinese = uiLanguage_ == 1;
    const QString text =
        chinese ? QStringLiteral("仍有端口在运行。\n不再启动新的运行，等运行中的端口结束后关闭？")
                : QStringLiteral("Ports are still running.\nStart no new runs and close when "
                                 "the running ports have finished?");
    QMessageBox box(QMessageBox::Question, title_, text, QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("closeWhileRunning"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void CMainWndDlg::closeEvent(QCloseEvent* event) {
    CVarnetToolDlg* page = MainPage();
    if (shutDown_ || !page->GetStation()) {
        event->accept();
        return;
    }
    if (waitingForRuns_) {
        event->ignore();
        return;
    }
    if (page->PortRunsActive()) {
        event->ignore();
        if (!AskCloseWhileRunning())
            return;
        // The runs may have ended while the question was open; the check
        // below then closes at once.
        waitingForRuns_ = true;
        page->StopStartingRuns();
        setWindowTitle(title_ + (uiLanguage_ == 1
                                     ? QStringLiteral(" - 等待运行中的端口结束…")
                                     : QStringLiteral(" - waiting for the running ports to finish…")));
        runsEndedCheck_->start();
        return;
    }
    page->Shutdown();
    shutDown_ = true;
    event->accept();
}

void CMainWndDlg::CheckRunsEnded() {
    if (MainPage()->PortRunsActive())
        return;
    runsEndedCheck_->stop();
    MainPage()->Shutdown();
    shutDown_ = true;
    waitingForRuns_ = false;
    close();
}

} // namespace varnet::ui
