#include "ui/main/main_wnd_dlg.h"

#include "config/debug_options.h"
#include "engine/main_page.h"
#include "engine/window_title.h"
#include "mes/mes_client.h"
#include "ui/captions.h"
#include "ui/controls/my_tab_ctrl.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/gui_thread.h"
#include "ui/main/main_wnd_sheet.h"
#include "ui/main/varnet_tool_dlg.h"
#include "ui/pages/bb_table_dlg.h"
#include "ui/pages/rdt_result_dlg.h"
#include "ui/pages/yield_page.h"
#include "ui/settings/mes_dlg.h"
#include "ui/settings/password_dlg.h"
#include "ui/settings/setting_dlg.h"
#include "ui/settings/station_name_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

namespace varnet::ui {
namespace {

// How often a window that waits to close looks whether the ports are done.
constexpr int kRunsEndedCheckMs = 100;
// The caption of the About box's entry in the window's menu.
constexpr int kAboutCaption = 101;

} // namespace

CMainWndDlg::CMainWndDlg(int uiLanguage, QWidget* parent)
    : QWidget(parent, Qt::Window), uiLanguage_(uiLanguage), sheet_(new CMainWndSheet(uiLanguage, this)),
      runsEndedCheck_(new QTimer(this)) {
    setObjectName(QStringLiteral("VARNETTOOLKX"));
    resize(kWidth, kHeight);
    runsEndedCheck_->setInterval(kRunsEndedCheckMs);
    connect(runsEndedCheck_, &QTimer::timeout, this, &CMainWndDlg::CheckRunsEnded);
    BuildSystemMenu();
}

void CMainWndDlg::BuildSystemMenu() {
    systemMenu_ = new QMenu(this);
    systemMenu_->setObjectName(QStringLiteral("systemMenu"));
    systemMenu_->addAction(Caption(kAboutCaption, uiLanguage_), this, &CMainWndDlg::OpenAbout);
    // The window manager owns the title bar here, so the menu that a system
    // menu would hold comes up on the tab strip, the window's top. A right
    // click on a tab reaches the tab widget too (the tab bar passes it up);
    // one on a page below the strip is not the window's.
    CMyTabCtrl* tabs = sheet_->Tabs();
    tabs->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tabs, &QWidget::customContextMenuRequested, this, [this, tabs](const QPoint& at) {
        if (at.y() > tabs->tabBar()->geometry().bottom())
            return;
        systemMenu_->popup(tabs->mapToGlobal(at));
    });
}

CMainWndDlg::~CMainWndDlg() {
    ReleaseResultPages();
}

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
    BuildSettingPage();
    BuildResultPages();
    return true;
}

void CMainWndDlg::BuildResultPages() {
    varnet::MainPage& engine = *MainPage()->GetStation()->page;
    rdtPage_ = new CRDTResultDlg(engine, uiLanguage_);
    rdtPage_->setObjectName(QStringLiteral("rdtInfoPage"));
    bbPage_ = new CBBTableDlg(engine, uiLanguage_);
    bbPage_->setObjectName(QStringLiteral("badBlockPage"));
    yieldPage_ = new CYieldDlg(engine.appDir(), uiLanguage_);
    yieldPage_->setObjectName(QStringLiteral("yieldPage"));
    sheet_->SetPage(CMainWndSheet::kRdtInfoPage, rdtPage_);
    sheet_->SetPage(CMainWndSheet::kBadBlockPage, bbPage_);
    sheet_->SetPage(CMainWndSheet::kYieldPage, yieldPage_);
    // The sheet gives the page-activated notice itself; the pages only fill
    // their port lists and show their empty state when they come up.
    connect(sheet_, &CMainWndSheet::PageActivated, this, [this](int page) {
        if (page == CMainWndSheet::kRdtInfoPage && rdtPage_)
            rdtPage_->OnActivated();
        else if (page == CMainWndSheet::kBadBlockPage && bbPage_)
            bbPage_->OnActivated();
        else if (page == CMainWndSheet::kYieldPage && yieldPage_)
            yieldPage_->OnActivated();
    });
}

void CMainWndDlg::ReleaseResultPages() {
    delete rdtPage_;
    rdtPage_ = nullptr;
    delete bbPage_;
    bbPage_ = nullptr;
    delete yieldPage_;
    yieldPage_ = nullptr;
}

void CMainWndDlg::BuildSettingPage() {
    Station& station = *MainPage()->GetStation();
    varnet::MainPage& engine = *station.page;
    mes_ = std::make_unique<MesClient>("./MES_DLL.so");
    flashIdQuery_ = std::make_unique<FlashIdQuery>(engine);

    SettingEnvironment environment;
    environment.uiLanguage = uiLanguage_;
    environment.appDir = engine.appDir();
    environment.customer = station.customerRecord;
    environment.flashDatabase = &station.flashDatabase;
    environment.debug = LoadDebugOptions(engine.appDir());
    environment.mes = mes_.get();
    settingPage_ = new CSettingDlg(std::move(environment));
    settingPage_->setObjectName(QStringLiteral("settingPage"));

    SettingDlgHooks& hooks = settingPage_->Hooks();
    // The page's messages go where the Main page's go: one kind of box for
    // the operator, none of which holds up the port tiles.
    hooks.tell = [this](const QString& text) { MainPage()->View()->ShowMessage(text.toStdString()); };
    const std::filesystem::path appDir = engine.appDir();
    hooks.unlock = [this, appDir] { return UnlockSettings(uiLanguage_, this, appDir / kCustomerFile); };
    hooks.defineStationNames = [this](const std::filesystem::path& stationFile) {
        return DefineStationNames(stationFile, uiLanguage_, this);
    };
    hooks.runMes = [this](const QString& serialNumber) { RunMesDialog(*mes_, serialNumber, this); };
    const QString folder = QString::fromStdString(appDir.string());
    hooks.chooseSaveAsFile = [this, folder] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save as new ini file"), folder,
                                            QStringLiteral("INI(*.ini)"));
    };
    hooks.chooseUpdateImage = [this, folder] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Please Select BIN file"),
                                            folder + QStringLiteral("Bin"), QStringLiteral("BIN(*.bin)"));
    };
    hooks.detectFlashIds = [this, &engine](std::function<void(const DetectAnswer&)> done) {
        ReadFlashIdsForDetect(
            flashIdQuery_.get(), engine, [this] { return waitingForRuns_ || shutDown_ || GuiQuitting(); },
            settingPage_, std::move(done));
    };

    sheet_->SetPage(CMainWndSheet::kConfigurationPage, settingPage_);
    sheet_->SetConfigurationHooks(
        [this]() -> CMainWndSheet::RefreshDelay {
            // A page never activated has no file of its own; saving it (as
            // NoPassword would) would write an empty path.
            if (settingPage_->StationFile().empty())
                return std::nullopt;
            return settingPage_->ApplyChangedSettings();
        },
        [this](const std::filesystem::path& stationFile) {
            // Edit stays off while a port still identifies or runs.
            settingPage_->ActivateSettingsPage(stationFile, MainPage()->PortRunsActive());
        });
}

void CMainWndDlg::EndStation() {
    // The readout's worker uses the page and the library the shutdown ends.
    if (flashIdQuery_)
        flashIdQuery_->Wait();
    ReleaseResultPages();
    MainPage()->Shutdown();
    shutDown_ = true;
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
    EndStation();
    event->accept();
}

void CMainWndDlg::EndOnSignal() {
    // A question or a dialog open now would hold the close; nobody is
    // there to answer it.
    for (int open = 0; open < 16; ++open) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == this)
            break;
        modal->close();
    }
    CVarnetToolDlg* page = MainPage();
    if (shutDown_ || !page->GetStation()) {
        close();
        return;
    }
    if (!endingOnSignal_) {
        endingOnSignal_ = true;
        signalGraceEnd_ = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    }
    waitingForRuns_ = true;
    page->StopStartingRuns();
    runsEndedCheck_->start();
    CheckRunsEnded();
}

void CMainWndDlg::CheckRunsEnded() {
    if (MainPage()->PortRunsActive()) {
        if (!endingOnSignal_ || std::chrono::steady_clock::now() < signalGraceEnd_)
            return;
        // The grace is spent: the calls still going end now, not after the
        // shutdown's own grace.
        if (Station* station = MainPage()->GetStation(); station && station->page)
            station->page->EndPortRuns(std::chrono::milliseconds(0));
    }
    runsEndedCheck_->stop();
    EndStation();
    waitingForRuns_ = false;
    close();
}

} // namespace varnet::ui
