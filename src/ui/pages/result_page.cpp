#include "ui/pages/result_page.h"

#include "engine/main_page.h"
#include "reports/result_rules.h"
#include "stations/port_action.h"
#include "ui/grid/grid_widget.h"
#include "ui/gui_thread.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>

namespace varnet::ui {
namespace {

using namespace std::chrono_literals;

constexpr auto kAnimationPeriod = 500ms;
// The General Info box is packed: the result pages hold many figures and
// wide grids in a window of fixed size.
constexpr int kBoxMargin = 6;
constexpr int kFieldSpacing = 3;
// How often a loader waiting for the interface thread looks whether the
// page is going away.
constexpr auto kGuiWaitSlice = 20ms;

// The wheel would step through the ports and start a load per step.
class CPortList : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void wheelEvent(QWheelEvent* event) override { event->accept(); }
};

QFont ArialFont(int pixelHeight, int weight) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelHeight);
    font.setWeight(weight == 600 ? QFont::DemiBold : QFont::Normal);
    return font;
}

} // namespace

CResultPage::CResultPage(MainPage& page, int uiLanguage, PageTraits traits, QWidget* parent)
    : QWidget(parent), page_(page), uiLanguage_(uiLanguage),
      traits_(traits), fonts_{ArialFont(14, 400), ArialFont(15, 400), ArialFont(15, 600),
                              ArialFont(14, 400)} {
    setFont(fonts_[1]);
    portBox_ =
        new QGroupBox(uiLanguage == 1 ? QStringLiteral("请选择端口") : QStringLiteral("Select Port"), this);
    portBox_->setFont(fonts_[2]);
    portList_ = new CPortList(portBox_);
    portList_->setObjectName(QStringLiteral("portList"));
    portList_->setFont(fonts_[1]);
    auto* boxLayout = new QVBoxLayout(portBox_);
    boxLayout->addWidget(portList_);
    connect(portList_, &QComboBox::activated, this, &CResultPage::SelectPort);

    progressRow_ = new QWidget(this);
    progressBar_ = new QProgressBar(progressRow_);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressLabel_ = new QLabel(QStringLiteral("0%"), progressRow_);
    progressLabel_->setFont(fonts_[3]);
    progressLabel_->setMinimumWidth(40);
    auto* rowLayout = new QHBoxLayout(progressRow_);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->addWidget(progressBar_, 1);
    rowLayout->addWidget(progressLabel_);
}

CResultPage::~CResultPage() {
    StopLoads();
}

void CResultPage::StopLoads() {
    closing_ = true;
    {
        std::lock_guard lock(animationMutex_);
        animating_ = false;
    }
    animationWake_.notify_all();
    if (loader_.joinable())
        loader_.join();
    if (animation_.joinable())
        animation_.join();
}

bool CResultPage::CanActivate() const {
    return (PageLockBits().load() & traits_.lockBit) == 0;
}

void CResultPage::OnActivated() {
    if (!CanActivate())
        return;
    FillPortList();
    emit Activated(traits_.sheetPage);
    if (busy_)
        return;
    StartLoad(-1);
}

void CResultPage::FillPortList() {
    const QSignalBlocker blocker(portList_);
    portList_->clear();
    const int count = std::min<int>(static_cast<int>(page_.portCount), kPortCount);
    for (int port = 1; port <= count; ++port)
        portList_->addItem(QString::asprintf("%02d", port));
    // No port is chosen until the operator chooses one: the page is empty.
    portList_->setCurrentIndex(-1);
}

void CResultPage::SelectPort(int index) {
    const int count = std::min<int>(static_cast<int>(page_.portCount), kPortCount);
    if (busy_ || index < 0 || index >= count)
        return;
    StartLoad(index);
}

void CResultPage::StartLoad(int port) {
    // A load that cleared busy has nothing left to do but return.
    if (loader_.joinable())
        loader_.join();
    busy_ = true;
    loader_ = std::thread([this, port] { Load(port); });
}

void CResultPage::Load(int port) {
    gridProgress_ = 0;
    CallOnGui(
        [this] {
            progressBar_->setRange(0, 100);
            ShowProgress(0);
            ShowWaiting();
        },
        false);

    PortSnapshot snapshot;
    bool collect = false;
    bool animate = false;
    if (port >= 0) {
        CallOnGui(
            [&] {
                const auto p = static_cast<size_t>(port);
                const ST_PORT_RESULT& rec = page_.portResult[p];
                // A port that runs is not even looked at: its worker writes
                // the record.
                if (!AcceptsRequest(page_.portAction[p].load())) {
                    snapshot = PortSnapshot{};
                } else if (rec.deviceValid == 1 && rec.badBlockLoaded == 0 && rec.portRunning == 0 &&
                           page_.BeginPageRun(port, traits_.stationCode)) {
                    collect = true;
                } else if (CopyFinishedPort(page_, port, snapshot) && ShowsRecord(snapshot.record)) {
                    animate = snapshot.record.badBlockLoaded != 0;
                } else {
                    snapshot = PortSnapshot{};
                }
            },
            false);
    }
    if (collect) {
        StartAnimation(port);
        try {
            // A run of its port like any other, with its record.
            page_.RunStepWithRecord(port, traits_.stationCode, Station());
        } catch (...) {
            // Logged where it was caught; the run is ended as failed below.
        }
        // The end and the copy are one step on the interface thread: between
        // them no request can reach the port.
        CallOnGui(
            [&] {
                page_.EndPageRun(port, traits_.stationCode);
                if (!CopyFinishedPort(page_, port, snapshot) || !ShowsRecord(snapshot.record))
                    snapshot = PortSnapshot{};
            },
            true);
    } else if (animate) {
        StartAnimation(port);
    }

    CallOnGui(
        [&] {
            shown_ = std::move(snapshot);
            gridProgress_ = 0;
            ShowSnapshot();
            gridProgress_ = 100;
            StopAnimation();
            if (port >= 0)
                ShowProgress(100);
            busy_ = false;
            // Queued, so that a slot may start the next load: this loader is
            // still waiting for the present call to return.
            QMetaObject::invokeMethod(
                this, [this, port] { emit LoadFinished(port); }, Qt::QueuedConnection);
        },
        false);
    busy_ = false;
}

bool CResultPage::CallOnGui(const std::function<void()>& work, bool essential) {
    struct Call {
        std::atomic<bool> taken{false};
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
    };
    auto call = std::make_shared<Call>();
    RunOnGuiThread(this, [call, &work] {
        if (call->taken.exchange(true))
            return;
        work();
        // Notified under the lock: the loader may free the call as soon as
        // it sees done.
        std::lock_guard lock(call->mutex);
        call->done = true;
        call->finished.notify_all();
    });
    std::unique_lock lock(call->mutex);
    while (!call->done) {
        // The interface thread is in the page's destructor and will not come:
        // the work is done here, serialised with it, or not at all.
        if (closing_ && !call->taken.exchange(true)) {
            lock.unlock();
            if (essential)
                work();
            return essential;
        }
        call->finished.wait_for(lock, kGuiWaitSlice);
    }
    return true;
}

void CResultPage::StartAnimation(int port) {
    if (animationRunning_.exchange(true))
        return;
    if (animation_.joinable())
        animation_.join();
    {
        std::lock_guard lock(animationMutex_);
        animating_ = true;
    }
    ProgressRecord& record = page_.tiles.Progress(port);
    animation_ = std::thread([this, &record] {
        std::unique_lock lock(animationMutex_);
        while (!animationWake_.wait_for(lock, kAnimationPeriod, [this] { return !animating_; })) {
            const int value = AnimationValue(gridProgress_.load(), GetProgressValue(record.readProgress),
                                             GetProgressValue(record.progress));
            const bool done = value > 99;
            RunOnGuiThread(this, [this, value, done] {
                std::lock_guard guard(animationMutex_);
                if (animating_)
                    ShowProgress(done ? 100 : value % 101);
            });
            if (done)
                break;
        }
        animationRunning_ = false;
    });
}

void CResultPage::StopAnimation() {
    {
        std::lock_guard lock(animationMutex_);
        animating_ = false;
    }
    animationWake_.notify_all();
}

void CResultPage::ShowProgress(int value) {
    progressBar_->setValue(value);
    progressLabel_->setText(QString::asprintf("%d%%", value));
}

QGroupBox* CResultPage::BuildGeneralInfo(std::span<const char* const> captions, int pairColumns,
                                         int wideFields) {
    auto* general = new QGroupBox(QStringLiteral("General Info"), this);
    general->setFont(PageFont(2));
    auto* grid = new QGridLayout(general);
    grid->setContentsMargins(kBoxMargin, kBoxMargin, kBoxMargin, kBoxMargin);
    grid->setVerticalSpacing(kFieldSpacing);
    const int columns = std::max(1, pairColumns);
    const int paired = std::max(0, static_cast<int>(captions.size()) - wideFields);
    const int rowsPerColumn = (paired + columns - 1) / columns;
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        const QString caption = QString::fromUtf8(captions[static_cast<size_t>(i)]);
        auto* edit = new QLineEdit(general);
        edit->setReadOnly(true);
        edit->setFont(PageFont(3));
        // A value longer than its field is still read whole by hovering.
        connect(edit, &QLineEdit::textChanged, edit, &QLineEdit::setToolTip);
        auto* label = new QLabel(caption, general);
        label->setFont(PageFont(3));
        if (i < wideFields) {
            grid->addWidget(label, i, 0);
            grid->addWidget(edit, i, 1, 1, 2 * columns - 1);
        } else {
            const int k = i - wideFields;
            const int row = wideFields + k % rowsPerColumn;
            const int col = 2 * (k / rowsPerColumn);
            grid->addWidget(label, row, col);
            grid->addWidget(edit, row, col + 1);
        }
        generalFields_.insert(caption, edit);
        generalLabels_.insert(caption, label);
    }
    // The first column's fields get the most room: the page's texts
    // (firmware versions, times) come first, its plain figures after them.
    for (int col = 0; col < columns; ++col)
        grid->setColumnStretch(2 * col + 1, col == 0 ? 3 : 2);
    // Rows keep their height; what is left stays below them.
    grid->setRowStretch(wideFields + rowsPerColumn, 1);
    return general;
}

QHBoxLayout* CResultPage::PortAndProgress() {
    auto* row = new QHBoxLayout;
    row->addWidget(portBox_);
    row->addWidget(progressRow_, 1, Qt::AlignBottom);
    return row;
}

void CResultPage::ClearGeneralInfo() {
    for (QLineEdit* edit : generalFields_)
        edit->clear();
}

QString CResultPage::FieldValue(const QString& caption) const {
    const QLineEdit* edit = GeneralField(caption);
    return edit ? edit->text() : QString();
}

QVBoxLayout* CResultPage::TitledGrid(const char* caption, GridWidget*& grid) {
    auto* box = new QVBoxLayout;
    auto* label = new QLabel(QString::fromUtf8(caption), this);
    label->setFont(PageFont(2));
    grid = new GridWidget(this);
    box->addWidget(label);
    box->addWidget(grid, 1);
    return box;
}

} // namespace varnet::ui
