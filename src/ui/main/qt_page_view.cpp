#include "ui/main/qt_page_view.h"

#include "engine/main_page.h"
#include "ui/main/gui_call_queue.h"

#include <QTimer>

namespace varnet::ui {
namespace {

QString FromText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QtPageView::QtPageView(GuiCallQueue& queue, PageWidgets& widgets, QObject* timerOwner)
    : queue_(queue), widgets_(widgets) {
    for (int id : {kAnimationTimer, kClockTimer, kProgressTimer}) {
        auto* timer = new QTimer(timerOwner);
        timer->setSingleShot(true);
        timer->setObjectName(QStringLiteral("timer%1").arg(id));
        QObject::connect(timer, &QTimer::timeout, timer, [this, id] {
            if (MainPage* page = page_.load())
                page->OnTimer(id);
        });
        timers_[id] = timer;
    }
}

QtPageView::~QtPageView() {
    page_.store(nullptr);
    // The timers' owner outlives the view; their handlers must not.
    for (const auto& [id, timer] : timers_)
        delete timer;
}

void QtPageView::SetMainPage(MainPage* page) {
    page_.store(page);
}

QTimer* QtPageView::Timer(int id) const {
    const auto found = timers_.find(id);
    return found == timers_.end() ? nullptr : found->second;
}

bool QtPageView::IsTimerActive(int id) const {
    const QTimer* timer = Timer(id);
    return timer && timer->isActive();
}

void QtPageView::EnableControl(PageControl control, bool enabled) {
    queue_.Post([this, control, enabled] { widgets_.ShowControlEnabled(control, enabled); });
}

void QtPageView::SetLockCurrentChecked(bool checked) {
    // The copy changes now: the engine reads it back right after setting it.
    lockCurrent_.store(checked);
    queue_.Post([this, checked] { widgets_.ShowLockCurrent(checked); });
}

void QtPageView::SetRunClockText(std::string_view text) {
    queue_.Post([this, text = FromText(text)] { widgets_.ShowRunClock(text); });
}

void QtPageView::StartTimer(int id, int milliseconds) {
    queue_.Post([this, id, milliseconds] {
        if (QTimer* timer = Timer(id))
            timer->start(milliseconds);
    });
}

void QtPageView::StopTimer(int id) {
    queue_.Post([this, id] {
        if (QTimer* timer = Timer(id))
            timer->stop();
    });
}

void QtPageView::ShowMessage(std::string_view text) {
    queue_.Post([this, text = FromText(text)] { widgets_.ShowOperatorMessage(text); });
}

void QtPageView::PostSerialNumberChanged() {
    queue_.Post([this] {
        if (MainPage* page = page_.load())
            page->OnSerialNumberChanged();
    });
}

void QtPageView::ShowSerialNumber(std::string_view serialNumber) {
    queue_.Post([this, text = FromText(serialNumber)] { widgets_.ShowSerialNumberValue(text); });
}

void QtPageView::ShowLayout(const PortLayout& layout, uint8_t mapType) {
    queue_.Post([this, layout, mapType] { widgets_.ShowPortLayout(layout, mapType); });
}

void QtPageView::ShowCurrentSetting(const CurrentSetting& setting, int stationIndex) {
    queue_.Post([this, setting, stationIndex] { widgets_.ShowSettingBox(setting, stationIndex); });
}

void QtPageView::ShowStationConfigs(const std::vector<std::string>& files, int selected) {
    queue_.Post([this, files, selected] { widgets_.ShowConfigurationFiles(files, selected); });
}

} // namespace varnet::ui
