#include "ui/main/main_wnd_sheet.h"

#include "engine/main_page.h"
#include "ui/captions.h"
#include "ui/controls/my_tab_ctrl.h"
#include "ui/main/varnet_tool_dlg.h"

#include <QTimer>
#include <QVBoxLayout>

namespace varnet::ui {
namespace {

constexpr int kCaptionNumbers[CMainWndSheet::kYieldPage] = {177, 178, 179, 192};

QString PageTitle(int page, int uiLanguage) {
    if (page == CMainWndSheet::kYieldPage)
        return uiLanguage == 1 ? QStringLiteral("良率") : QStringLiteral("Yield");
    return Caption(kCaptionNumbers[page], uiLanguage);
}

} // namespace

uint32_t CMainWndSheet::LockBitOf(int page) {
    switch (page) {
    case kMainPage:
        return kLockMainPage;
    case kConfigurationPage:
        return kLockConfigurationPage;
    case kRdtInfoPage:
        return kLockRdtInfoPage;
    case kBadBlockPage:
        return kLockBadBlockPage;
    default:
        return 0;
    }
}

CMainWndSheet::CMainWndSheet(int uiLanguage, QWidget* parent)
    : QWidget(parent), uiLanguage_(uiLanguage), tabs_(new CMyTabCtrl(this)),
      mainPage_(new CVarnetToolDlg(uiLanguage, tabs_)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);
    tabs_->addTab(mainPage_, PageTitle(kMainPage, uiLanguage_));
    for (int page = kConfigurationPage; page < kPageCount; ++page) {
        auto* placeholder = new QWidget(tabs_);
        placeholder->setObjectName(QStringLiteral("page%1").arg(page));
        tabs_->addTab(placeholder, PageTitle(page, uiLanguage_));
    }
    tabs_->setCurrentIndex(kMainPage);
    connect(tabs_, &QTabWidget::currentChanged, this, &CMainWndSheet::OnCurrentChanged);
}

QWidget* CMainWndSheet::Page(int page) const {
    return tabs_->widget(page);
}

void CMainWndSheet::SetPage(int page, QWidget* widget) {
    if (page <= kMainPage || page >= kPageCount || !widget)
        return;
    reverting_ = true;
    QWidget* old = tabs_->widget(page);
    tabs_->removeTab(page);
    tabs_->insertTab(page, widget, PageTitle(page, uiLanguage_));
    tabs_->setCurrentIndex(current_);
    reverting_ = false;
    delete old;
}

int CMainWndSheet::ActivePage() const {
    return tabs_->currentIndex();
}

bool CMainWndSheet::ActivatePage(int page) {
    if (page < 0 || page >= kPageCount)
        return false;
    tabs_->setCurrentIndex(page);
    return tabs_->currentIndex() == page;
}

void CMainWndSheet::SetConfigurationHooks(std::function<RefreshDelay()> applyChangedSettings,
                                          std::function<void(const std::filesystem::path&)> loadStationFile) {
    applyChangedSettings_ = std::move(applyChangedSettings);
    loadStationFile_ = std::move(loadStationFile);
}

void CMainWndSheet::OnCurrentChanged(int index) {
    if (reverting_ || index < 0)
        return;
    // Every way to another tab ends here, so the lock is checked here once;
    // the switch is undone before anything is painted.
    if ((PageLockBits().load() & LockBitOf(index)) != 0) {
        reverting_ = true;
        tabs_->setCurrentIndex(current_);
        reverting_ = false;
        return;
    }
    current_ = index;
    QMetaObject::invokeMethod(
        this, [this, index] { OnPageActivated(index); }, Qt::QueuedConnection);
}

void CMainWndSheet::OnPageActivated(int page) {
    if (page == kMainPage) {
        const auto refresh = [this] {
            if (varnet::MainPage* engine = mainPage_->Page())
                engine->ShowCurrentSetting();
        };
        if (const RefreshDelay delay = applyChangedSettings_ ? applyChangedSettings_() : std::nullopt) {
            if (delay->count() > 0)
                QTimer::singleShot(*delay, this, refresh);
            else
                refresh();
        }
    } else if (page == kConfigurationPage) {
        const std::filesystem::path file = mainPage_->ConfigurationFile();
        if (loadStationFile_ && !file.empty())
            loadStationFile_(file);
    }
    emit PageActivated(page);
}

} // namespace varnet::ui
